#include "qrprinterlayer.h"

#include "engine/qrtypes.h"
#include "output/pages/qrerror.h"

#include <QPageSize>
#include <QPrinterInfo>
#include <cmath>

namespace
{
constexpr int CustomPaperCode = 256;
// Platform bin codes of TQRBin in its order (First ... Last).
constexpr int BinCodes[] = {1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 14, 14};
constexpr int BinCount = int(sizeof(BinCodes) / sizeof(BinCodes[0]));

QPrinterInfo printerInfo(int printerIndex)
{
    const QString name = QRPrinterName(printerIndex);
    return name.isEmpty() ? QPrinterInfo() : QPrinterInfo::printerInfo(name);
}
} // namespace

int QRPrinterIndexOf(const QString &printerName)
{
    return int(QPrinterInfo::availablePrinterNames().indexOf(printerName));
}

QString QRPrinterName(int printerIndex)
{
    const QStringList names = QPrinterInfo::availablePrinterNames();
    if (printerIndex >= 0 && printerIndex < names.size())
        return names[printerIndex];
    const QString byDefault = QPrinterInfo::defaultPrinterName();
    if (!byDefault.isEmpty())
        return byDefault;
    // No default chosen: the first printer is as good as any.
    return names.isEmpty() ? QString() : names.first();
}

int QRPaperCode(TQRPaperSize size)
{
    return size == QRPaper::Custom ? CustomPaperCode : int(size);
}

TQRPaperSize QRPaperSizeOfCode(int code)
{
    if (code == CustomPaperCode)
        return QRPaper::Custom;
    if (code > int(QRPaper::Default) && code < int(QRPaper::Custom))
        return TQRPaperSize(code);
    return QRPaper::Default;
}

int QRBinCode(int bin)
{
    return bin >= 0 && bin < BinCount ? BinCodes[bin] : BinCodes[QR::Auto];
}

int QRBinOfCode(int code)
{
    for (int i = 0; i < BinCount; ++i)
        if (BinCodes[i] == code)
            return i;
    return QR::Auto;
}

QPrinter::PaperSource QRPaperSourceOfBinCode(int code)
{
    // Qt's paper sources follow the platform codes, one lower, up to LargeCapacity.
    if (code >= 1 && code <= 11)
        return QPrinter::PaperSource(code - 1);
    if (code == 14)
        return QPrinter::Cassette;
    return QPrinter::Auto;
}

int QRBinCodeOfPaperSource(QPrinter::PaperSource source)
{
    if (source >= QPrinter::OnlyOne && source <= QPrinter::LargeCapacity)
        return int(source) + 1;
    if (source == QPrinter::Cassette)
        return 14;
    return 7;
}

// --- TQRPrinterSettings ------------------------------------------------------------------

bool TQRPrinterSettings::ReadSettings(int printerIndex)
{
    const QPrinterInfo info = printerInfo(printerIndex);
    m_printerIndex = printerIndex;
    if (info.isNull())
        return false;
    m_device = info.printerName();
    m_driver = info.makeAndModel();
    m_port = info.location();
    QPrinter printer(info, QPrinter::HighResolution);
    // Every printer that Qt drives can set copies itself.
    m_copies = 1;
    m_outputBin = QRBinOfCode(QRBinCodeOfPaperSource(printer.paperSource()));
    m_duplex = info.defaultDuplexMode() != QPrinter::DuplexNone;
    m_xppi = printer.resolution();
    m_yppi = printer.resolution();
    const QRectF paint = printer.pageLayout().paintRect(QPageLayout::Millimeter);
    m_leftOffset = std::max(0.0, paint.left() * 10);
    m_topOffset = std::max(0.0, paint.top() * 10);
    const QPageSize page = printer.pageLayout().pageSize();
    m_paperSize = QRPaperSizeOfCode(page.windowsId());
    const QSizeF mm = page.size(QPageSize::Millimeter);
    m_paperWidth = std::round(std::min(mm.width(), mm.height()) * 10);
    m_paperLength = std::round(std::max(mm.width(), mm.height()) * 10);
    m_orientation = printer.pageLayout().orientation() == QPageLayout::Landscape ? QRPaper::poLandscape
                                                                                 : QRPaper::poPortrait;
    m_supported.clear();
    for (const QPageSize &size : info.supportedPageSizes()) {
        const TQRPaperSize s = QRPaperSizeOfCode(size.windowsId());
        if (s != QRPaper::Default && !m_supported.contains(s))
            m_supported.append(s);
    }
    return true;
}

void TQRPrinterSettings::ApplyToPrinter(const TQRPrinter &recorder, QPrinter &printer) const
{
    const TQRPaperSize size = recorder.PaperSize();
    if (size == QRPaper::Custom) {
        if (printer.printerName().isEmpty() || QPrinterInfo(printer).supportsCustomPageSizes())
            printer.setPageSize(QPageSize(QSizeF(recorder.PaperWidth() / 10, recorder.PaperLength() / 10),
                                          QPageSize::Millimeter, QString(), QPageSize::ExactMatch));
    } else if (size != QRPaper::Default) {
        printer.setPageSize(QPageSize(QPageSize::id(QRPaperCode(size))));
    }
    if (recorder.Duplex())
        printer.setDuplex(QPrinter::DuplexShortSide);
    printer.setCopyCount(std::max(1, recorder.Copies()));
    // The platform's "user bin" bit has no counterpart in Qt's paper sources.
    printer.setPaperSource(QRPaperSourceOfBinCode(QRBinCode(recorder.OutputBin())));
    printer.setPageOrientation(recorder.Orientation() == QRPaper::poLandscape ? QPageLayout::Landscape
                                                                              : QPageLayout::Portrait);
}

// --- TQRQtPrintDevice ----------------------------------------------------------------------

TQRQtPrintDevice::TQRQtPrintDevice() : m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution)) {}

TQRQtPrintDevice::~TQRQtPrintDevice()
{
    AbortDocument();
}

bool TQRQtPrintDevice::Available() const
{
    return !QPrinterInfo::availablePrinterNames().isEmpty();
}

double TQRQtPrintDevice::PixelsPerInchX() const
{
    return m_printer->resolution();
}

double TQRQtPrintDevice::PixelsPerInchY() const
{
    return m_printer->resolution();
}

double TQRQtPrintDevice::LeftOffset() const
{
    return std::max(0.0, m_printer->pageLayout().paintRect(QPageLayout::Millimeter).left() * 10);
}

double TQRQtPrintDevice::TopOffset() const
{
    return std::max(0.0, m_printer->pageLayout().paintRect(QPageLayout::Millimeter).top() * 10);
}

void TQRQtPrintDevice::ApplySettings(const TQRPrinter &recorder)
{
    if (!m_read || recorder.PrinterIndex() != m_settings.PrinterIndex()) {
        m_printer->setPrinterName(QRPrinterName(recorder.PrinterIndex()));
        m_settings.ReadSettings(recorder.PrinterIndex());
        m_read = true;
    }
    m_settings.ApplyToPrinter(recorder, *m_printer);
}

QPainter *TQRQtPrintDevice::BeginDocument(const QString &title)
{
    m_printer->setDocName(title);
    if (!m_painter.begin(m_printer.get()))
        return nullptr;
    return &m_painter;
}

void TQRQtPrintDevice::NewPhysicalPage()
{
    if (m_painter.isActive())
        m_printer->newPage();
}

void TQRQtPrintDevice::EndDocument()
{
    if (m_painter.isActive())
        m_painter.end();
}

void TQRQtPrintDevice::AbortDocument()
{
    if (!m_painter.isActive())
        return;
    m_printer->abort();
    m_painter.end();
}
