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
