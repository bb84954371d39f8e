#pragma once

// Reading rich text (RTF) into a QTextDocument.
//
// Lengths the reader puts into the document's formats (indents, paragraph
// spacing, line heights, tab stops) are in twips, so the document is meant to
// be laid out on a 1440-dpi device; font sizes are in points, and picture
// sizes in pixels of the screen (Qt scales those to the device by itself). Text the reader does not
// understand is skipped; reading never fails on bad input.

#include <QByteArray>
#include <QStringList>

class QTextDocument;

// Whether the bytes begin (after white space) with an RTF header "{\rtf".
bool IsRtf(const QByteArray &bytes);

// Replaces the document's contents with the RTF in bytes. Returns false (and
// leaves the document empty) when the bytes are not RTF at all.
bool ReadRtf(const QByteArray &bytes, QTextDocument *document);

// Replaces the document's contents: RTF is read, anything else becomes plain text
// (bytes in the current code page, or UTF-8 when they are valid UTF-8 with non-ASCII text).
void ReadRichOrPlainText(const QByteArray &bytes, QTextDocument *document);

// The bytes a list of rich-text lines stands for: the lines in the current code
// page, each followed by CR LF (the way report files keep them).
QByteArray RichTextLinesToBytes(const QStringList &lines);
