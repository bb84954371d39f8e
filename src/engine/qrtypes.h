#pragma once

// Enumerations of the report model. Their value names are stored in report
// files letter for letter.

#include <QObject>

namespace QR
{
Q_NAMESPACE

// Fixed underlying type: a band type read from a file can hold any number, and only the range
// checks of the name lookups may reject it (outside an unfixed enum's range it is undefined).
enum TQRBandType : int {
    rbTitle,
    rbPageHeader,
    rbDetail,
    rbPageFooter,
    rbSummary,
    rbGroupHeader,
    rbGroupFooter,
    rbSubDetail,
    rbColumnHeader,
    rbOverlay,
    rbChild
};
Q_ENUM_NS(TQRBandType)

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
Q_ENUM_NS(TAlignment)

enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
Q_ENUM_NS(TBiDiMode)

enum TQRShapeType { qrsRectangle, qrsCircle, qrsVertLine, qrsHorLine, qrsTopAndBottom, qrsRightAndLeft };
Q_ENUM_NS(TQRShapeType)

enum TQRSysDataType {
    qrsTime,
    qrsDate,
    qrsDateTime,
    qrsPageNumber,
    qrsReportTitle,
    qrsDetailCount,
    qrsDetailNo
};
Q_ENUM_NS(TQRSysDataType)

enum TQRCalcOperation { qrcSum, qrcCount, qrcMax, qrcMin, qrcAverage };
Q_ENUM_NS(TQRCalcOperation)

enum TQRBin {
    First,
    Upper,
    Lower,
    Middle,
    Manual,
    Envelope,
    EnvManual,
    Auto,
    Tractor,
    SmallFormat,
    LargeFormat,
    LargeCapacity,
    Cassette,
    Last
};
Q_ENUM_NS(TQRBin)

enum TQROption { FirstPageHeader = 1, LastPageFooter = 2, Compression = 4 };
Q_DECLARE_FLAGS(TQROptions, TQROption)
Q_FLAG_NS(TQROptions)

} // namespace QR

Q_DECLARE_OPERATORS_FOR_FLAGS(QR::TQROptions)

// "Detail", "Page Header" ...
QString BandTypeDisplayName(QR::TQRBandType type);
// "DetailBand", "PageHeaderBand" ...
QString BandTypeNameBase(QR::TQRBandType type);
