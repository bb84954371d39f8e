#include "colors.h"

#include <iterator>

namespace
{

struct NamedColor {
    TColor value;
    const char *name;
};

// The order is the order a writer looks identifiers up in.
constexpr NamedColor kNamedColors[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"},
    {clSkyBlue, "clSkyBlue"},
    {clCream, "clCream"},
    {clMedGray, "clMedGray"},
    {clNone, "clNone"},
    {clDefault, "clDefault"},
    {clScrollBar, "clScrollBar"},
    {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"},
    {clInactiveCaption, "clInactiveCaption"},
    {clMenu, "clMenu"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clMenuText, "clMenuText"},
    {clWindowText, "clWindowText"},
    {clCaptionText, "clCaptionText"},
    {clActiveBorder, "clActiveBorder"},
    {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clBtnFace, "clBtnFace"},
    {clBtnShadow, "clBtnShadow"},
    {clGrayText, "clGrayText"},
    {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"},
};

// Classic values of the system colours, index = value - 0xFF000000.
constexpr quint32 kSystemColors[] = {
    0xC8C8C8, // scroll bar
    0x808000, // background
    0x800000, // active caption
    0x808080, // inactive caption
    0xC0C0C0, // menu
    0xFFFFFF, // window
    0x000000, // window frame
    0x000000, // menu text
    0x000000, // window text
    0xFFFFFF, // caption text
    0xC0C0C0, // active border
    0xC0C0C0, // inactive border
    0x808080, // application work space
    0x800000, // highlight
    0xFFFFFF, // highlight text
    0xC0C0C0, // button face
    0x808080, // button shadow
    0x808080, // grey text
    0x000000, // button text
    0xC0C0C0, // inactive caption text
    0xFFFFFF, // button highlight
    0x000000, // 3D dark shadow
    0xC0C0C0, // 3D light
    0x000000, // info text
    0xE1FFFF, // info background
};

} // namespace

QString ColorToIdent(TColor color)
{
    for (const NamedColor &c : kNamedColors)
        if (c.value == color)
            return QString::fromLatin1(c.name);
    return {};
}

bool IdentToColor(const QString &text, TColor *color)
{
    const QString t = text.trimmed();
    for (const NamedColor &c : kNamedColors) {
        if (t.compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0) {
            *color = c.value;
            return true;
        }
    }
    bool ok = false;
    qint64 v = 0;
    if (t.startsWith(u'$'))
        v = t.mid(1).toLongLong(&ok, 16);
    else if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        v = t.mid(2).toLongLong(&ok, 16);
    else
        v = t.toLongLong(&ok, 10);
    if (!ok || v < INT32_MIN || v > UINT32_MAX)
        return false;
    *color = TColor(qint32(quint32(v)));
    return true;
}

QString ColorToString(TColor color)
{
    const QString ident = ColorToIdent(color);
    return ident.isEmpty() ? QString::number(qint32(color)) : ident;
}

quint32 ColorToRGB(TColor color)
{
    const quint32 v = quint32(color);
    if ((v & 0xFF000000u) == 0xFF000000u) {
        const quint32 index = v & 0xFFu;
        return index < std::size(kSystemColors) ? kSystemColors[index] : 0;
    }
    if (color == clDefault)
        return 0x000000;
    return v & 0x00FFFFFFu;
}

QColor ToQColor(TColor color)
{
    if (color == clNone)
        return QColor(Qt::transparent);
    const quint32 bgr = ColorToRGB(color);
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

TColor FromQColor(const QColor &color)
{
    if (color.alpha() == 0)
        return clNone;
    return TColor(
        qint32(quint32(color.red()) | (quint32(color.green()) << 8) | (quint32(color.blue()) << 16)));
}
