#pragma once

// A readable text form of .QR2 files and back, byte for byte.
//
// Every block becomes a section of "Name = value" lines ended by "end"; the
// band list and the dataset block show their component records as
// "object Name: TClass ... end". Values read as a report author writes them
// (12, 2.5, 'text', clRed, [fsBold], ('a' 'b'), {0A0B}); a type word comes
// first only where the value alone would be stored differently ("int32 5",
// "long 'x'", "ext $...", "single 1.5"). Texts are quoted in the report code
// page; bytes that are not printable text are written as #n. A record whose
// bytes the named fields would not reproduce is shown as raw bytes, so that
// QR2FromText(QR2ToText(f)) always serialises to the original bytes.

#include "definition/qr2format.h"

#include <QString>
#include <stdexcept>

// A fault in the text form; Line is 1-based.
class EQR2TextError : public std::runtime_error
{
public:
    EQR2TextError(const QString &message, int line);
    // The fault, with its line.
    QString Message() const { return m_message; }
    int Line() const { return m_line; }

private:
    QString m_message;
    int m_line;
};

QString QR2ToText(const TQR2File &file);
// Raises EQR2TextError.
TQR2File QR2FromText(const QString &text);

// One value as text (used for single properties, lists and records).
QString OSValueToText(const TOSValue &value, int indent = 0);
// Component records as text, indented.
QString OSComponentsToText(const QList<TOSComponent> &components, int indent = 0);

// A one-line-per-band-and-element summary of the band list.
QString QR2Summary(const TQR2File &file);
