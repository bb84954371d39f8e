#include "papersize.h"

#include <QMetaEnum>
#include <iterator>

namespace
{
struct PaperDims {
    double width;
    double length;
};

// Indexed by TQRPaperSize; Default and Custom have no dimensions.
constexpr PaperDims kPaper[] = {
    {0, 0},         // Default
    {215.9, 279.4}, // Letter
    {215.9, 279.4}, // LetterSmall
    {279.4, 431.8}, // Tabloid
    {431.8, 279.4}, // Ledger
    {215.9, 355.6}, // Legal
    {139.7, 215.9}, // Statement
    {190.5, 254},   // Executive
    {297, 420},     // A3
    {210, 297},     // A4
    {210, 297},     // A4Small
    {148, 210},     // A5
    {250, 354},     // B4
    {182, 257},     // B5
    {215.9, 330.2}, // Folio
    {215, 275},     // Quarto
    {254, 355.6},   // qr10X14
    {279.4, 431.8}, // qr11X17
    {215.9, 279.0}, // Note
    {98.43, 225.4}, // Env9
    {104.8, 241.3}, // Env10
    {114.3, 263.5}, // Env11
    {101.6, 279.4}, // Env12
    {127, 292.1},   // Env14
    {100, 100},     // CSheet
    {100, 100},     // DSheet
    {100, 100},     // ESheet
    {0, 0},         // Custom
};
static_assert(std::size(kPaper) == QRPaper::Custom + 1);
} // namespace

bool PaperSizeMM(int paperSize, double *width, double *length)
{
    if (paperSize <= QRPaper::Default || paperSize >= QRPaper::Custom)
        return false;
    if (width)
        *width = kPaper[paperSize].width;
    if (length)
        *length = kPaper[paperSize].length;
    return true;
}

QString PaperSizeName(int paperSize)
{
    const char *key = QMetaEnum::fromType<TQRPaperSize>().valueToKey(paperSize);
    return key ? QString::fromLatin1(key) : QString();
}

bool PaperSizeFromName(const QString &name, TQRPaperSize *paperSize)
{
    const QMetaEnum e = QMetaEnum::fromType<TQRPaperSize>();
    for (int i = 0; i < e.keyCount(); ++i) {
        if (name.compare(QLatin1String(e.key(i)), Qt::CaseInsensitive) == 0) {
            if (paperSize)
                *paperSize = TQRPaperSize(e.value(i));
            return true;
        }
    }
    return false;
}
