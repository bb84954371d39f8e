#pragma once

// The paper sizes pages, the recorder and the printer layer share.

#include <QObject>
#include <QString>

namespace QRPaper
{
Q_NAMESPACE

enum TQRPaperSize {
    Default,
    Letter,
    LetterSmall,
    Tabloid,
    Ledger,
    Legal,
    Statement,
    Executive,
    A3,
    A4,
    A4Small,
    A5,
    B4,
    B5,
    Folio,
    Quarto,
    qr10X14,
    qr11X17,
    Note,
    Env9,
    Env10,
    Env11,
    Env12,
    Env14,
    CSheet,
    DSheet,
    ESheet,
    Custom
};
Q_ENUM_NS(TQRPaperSize)

enum TPrinterOrientation { poPortrait, poLandscape };
Q_ENUM_NS(TPrinterOrientation)

} // namespace QRPaper

using TQRPaperSize = QRPaper::TQRPaperSize;
using TPrinterOrientation = QRPaper::TPrinterOrientation;

// Portrait width and length in millimetres of a standard size (Letter ..
// ESheet); false for Default, Custom and values out of range.
bool PaperSizeMM(int paperSize, double *width, double *length);
// "A4", "Letter" ...; empty for values out of range.
QString PaperSizeName(int paperSize);
// A paper size by name (case ignored); false when there is none.
bool PaperSizeFromName(const QString &name, TQRPaperSize *paperSize);
