#pragma once

// Colours as the report file stores them: 32-bit 0x00BBGGRR values, the
// system colours as 0xFF000000 + index, resolved when drawing.

#include <QColor>
#include <QString>
#include <QtGlobal>

enum TColor : qint32 {
    clBlack = 0x000000,
    clMaroon = 0x000080,
    clGreen = 0x008000,
    clOlive = 0x008080,
    clNavy = 0x800000,
    clPurple = 0x800080,
    clTeal = 0x808000,
    clGray = 0x808080,
    clSilver = 0xC0C0C0,
    clRed = 0x0000FF,
    clLime = 0x00FF00,
    clYellow = 0x00FFFF,
    clBlue = 0xFF0000,
    clFuchsia = 0xFF00FF,
    clAqua = 0xFFFF00,
    clWhite = 0xFFFFFF,
    clMoneyGreen = 0xC0DCC0,
    clSkyBlue = 0xF0CAA6,
    clCream = 0xF0FBFF,
    clMedGray = 0xA4A0A0,
    clNone = 0x1FFFFFFF,
    clDefault = 0x20000000,
    clScrollBar = qint32(0xFF000000),
    clBackground = qint32(0xFF000001),
    clActiveCaption = qint32(0xFF000002),
    clInactiveCaption = qint32(0xFF000003),
    clMenu = qint32(0xFF000004),
    clWindow = qint32(0xFF000005),
    clWindowFrame = qint32(0xFF000006),
    clMenuText = qint32(0xFF000007),
    clWindowText = qint32(0xFF000008),
    clCaptionText = qint32(0xFF000009),
    clActiveBorder = qint32(0xFF00000A),
    clInactiveBorder = qint32(0xFF00000B),
    clAppWorkSpace = qint32(0xFF00000C),
    clHighlight = qint32(0xFF00000D),
    clHighlightText = qint32(0xFF00000E),
    clBtnFace = qint32(0xFF00000F),
    clBtnShadow = qint32(0xFF000010),
    clGrayText = qint32(0xFF000011),
    clBtnText = qint32(0xFF000012),
    clInactiveCaptionText = qint32(0xFF000013),
    clBtnHighlight = qint32(0xFF000014),
    cl3DDkShadow = qint32(0xFF000015),
    cl3DLight = qint32(0xFF000016),
    clInfoText = qint32(0xFF000017),
    clInfoBk = qint32(0xFF000018),
};

// The identifier of a colour ("clRed"), or an empty string when it has none.
QString ColorToIdent(TColor color);
// A colour from its identifier (case ignored) or from an integer text
// (decimal, "$" or "0x" hexadecimal). False when neither.
bool IdentToColor(const QString &text, TColor *color);
// Identifier when there is one, else the decimal value.
QString ColorToString(TColor color);

// The 0x00BBGGRR value with system colours resolved to their classic values.
quint32 ColorToRGB(TColor color);
// For drawing; clNone gives a transparent colour.
QColor ToQColor(TColor color);
TColor FromQColor(const QColor &color);
