#pragma once

#include <QByteArray>
#include <QString>

// The 8-bit code page of report files, stored pages and profile files that are not UTF-8.
// Defaults to "windows-1251"; the environment variable TABULON_CODEPAGE overrides it at start.

// Name of the current code page as the text codecs know it.
QString CodePageName();

// Switches to another code page. Returns false (and keeps the current one) when no codec of
// that name exists.
bool SetCodePageName(const QString &name);

// Text to bytes; characters the code page cannot represent become '?'.
QByteArray EncodeCodePage(const QString &text);

// Bytes to text.
QString DecodeCodePage(const QByteArray &bytes);

// A Windows 8-bit (or double-byte) code page and the font character set that selects it, as
// metafiles and rich text name them.
struct TWindowsCodePage {
    QString Name;    // codec name ("windows-1251")
    int Number = 0;  // Windows code page number (1251)
    int Charset = 0; // font character set (RUSSIAN_CHARSET = 204)
};

// The Windows code page to write text in: the current code page when it is a Windows one that
// holds every character of text, else the first of windows-1252, 1251, 1250, 1253, 1254, 1257,
// 1255, 1256, 1258, 874 and the East Asian ones that does; windows-1252 when none holds it all.
TWindowsCodePage WindowsCodePageFor(const QString &text);

// Text in a Windows code page; characters it cannot represent become '?'.
QByteArray EncodeWindowsCodePage(const QString &text, const TWindowsCodePage &page);
