#include "qrtypes.h"

namespace
{
struct BandTypeNames {
    const char *display;
    const char *base;
};

constexpr BandTypeNames kBandTypes[] = {
    {"Title", "TitleBand"},
    {"Page Header", "PageHeaderBand"},
    {"Detail", "DetailBand"},
    {"Page Footer", "PageFooterBand"},
    {"Summary", "SummaryBand"},
    {"Group Header", "GroupHeaderBand"},
    {"Group Footer", "GroupFooterBand"},
    {"Sub Detail", "SubDetailBand"},
    {"Column Header", "ColumnHeaderBand"},
    {"Overlay", "OverlayBand"},
    {"Child", "ChildBand"},
};
} // namespace

QString BandTypeDisplayName(QR::TQRBandType type)
{
    if (type < QR::rbTitle || type > QR::rbChild)
        return {};
    return QString::fromLatin1(kBandTypes[type].display);
}

QString BandTypeNameBase(QR::TQRBandType type)
{
    if (type < QR::rbTitle || type > QR::rbChild)
        return {};
    return QString::fromLatin1(kBandTypes[type].base);
}
