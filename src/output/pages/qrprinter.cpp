#include "qrprinter.h"

#include "common/units.h"
#include "qrerror.h"

#include <QCoreApplication>
#include <QFile>
#include <cmath>

std::function<std::unique_ptr<TQRPrintDevice>()> &QRPrintDeviceFactory()
{
    static std::function<std::unique_ptr<TQRPrintDevice>()> factory;
    return factory;
}

TQRPrinter::TQRPrinter(QObject *parent) : QObject(parent)
{
    if (UsesUSMeasurement()) {
        m_paperSize = QRPaper::Letter;
        m_paperWidth = 2159;
        m_paperLength = 2794;
    }
}

TQRPrinter::~TQRPrinter()
{
    Reset();
}

// --- settings ----------------------------------------------------------------

TQRPrintDevice *TQRPrinter::PrintDevice() const
{
    // Made on first use: asking the print system for its printers is slow,
    // and most recorders (previews, exports) never print.
    if (!m_deviceAsked) {
        m_deviceAsked = true;
        if (const auto &factory = QRPrintDeviceFactory()) {
            m_ownDevice = factory();
            m_device = m_ownDevice.get();
        }
    }
    return m_device;
}

void TQRPrinter::SetPreviewShown(bool v)
{
    if (m_previewShown == v)
        return;
    m_previewShown = v;
    Q_EMIT PreviewShownChanged(v);
}

void TQRPrinter::SetPaperSize(TQRPaperSize size)
{
    if (size < QRPaper::Default || size > QRPaper::Custom)
        return;
    m_paperSize = size;
}

double TQRPrinter::PaperWidth() const
{
    double w = 0, l = 0;
    if (PaperSizeMM(m_paperSize, &w, &l))
        return std::round(w * 10);
    return m_paperWidth;
}

double TQRPrinter::PaperLength() const
{
    double w = 0, l = 0;
    if (PaperSizeMM(m_paperSize, &w, &l))
        return std::round(l * 10);
    return m_paperLength;
}

double TQRPrinter::PageWidth() const
{
    // Default and Custom keep their stored values in either orientation.
    if (m_orientation == QRPaper::poLandscape && PaperSizeMM(m_paperSize, nullptr, nullptr))
        return PaperLength();
    return PaperWidth();
}

double TQRPrinter::PageHeight() const
{
    if (m_orientation == QRPaper::poLandscape && PaperSizeMM(m_paperSize, nullptr, nullptr))
        return PaperWidth();
    return PaperLength();
}

void TQRPrinter::UseCompression(bool on)
{
    m_compression = on;
    if (m_pages)
        m_pages->SetCompression(on);
}

// --- coordinates -------------------------------------------------------------

int TQRPrinter::XPos(double x) const
{
    return int(std::lround((x - m_leftOffset) * m_xScale));
}

int TQRPrinter::YPos(double y) const
{
    return int(std::lround((y - m_topOffset) * m_yScale));
}

int TQRPrinter::XSize(double x) const
{
    return int(std::lround(x * m_xScale));
}

int TQRPrinter::YSize(double y) const
{
    return int(std::lround(y * m_yScale));
}

void TQRPrinter::setScreenFactors()
{
    m_xScale = ScreenPixelsPerInch() / 254;
    m_yScale = m_xScale;
}

// --- generation ----------------------------------------------------------------

bool TQRPrinter::inRange(int page) const
{
    return (m_firstPage <= 0 || page >= m_firstPage) && (m_lastPage <= 0 || page <= m_lastPage);
}

void TQRPrinter::OpenDocument()
{
    if (m_status != mpReady)
        throw EQRError(QStringLiteral("QRPrinter not ready"));
    if (m_destination == qrdPrinter && !PrinterAvailable())
        throw EQRError(QStringLiteral("No printer is installed"));
    m_pagesBegun = 0;
    m_closedPages = 0;
    m_cancelled = false;
    m_progress = 0;
    m_pageOpen = false;
    m_printerStarted = false;
    m_leftOffset = 0;
    m_topOffset = 0;
    if (m_destination == qrdPrinter) {
        m_device->ApplySettings(*this);
        m_leftOffset = m_device->LeftOffset();
        m_topOffset = m_device->TopOffset();
        m_xScale = m_device->PixelsPerInchX() / 254;
        m_yScale = m_device->PixelsPerInchY() / 254;
    } else {
        m_pages = std::make_unique<TQRPageList>();
        m_pages->SetCompression(m_compression);
        setScreenFactors();
    }
    m_status = mpBusy;
}

void TQRPrinter::beginMetafilePage()
{
    setScreenFactors();
    // One device and one painter serve every page; the device keeps its
    // buffer, so pages after the first do not grow it again.
    if (!m_pageDevice)
        m_pageDevice = std::make_unique<TQRPageDevice>();
    if (!m_picturePainter)
        m_picturePainter = std::make_unique<QPainter>();
    m_pageDevice->BeginPage(QSize(XSize(PageWidth()), YSize(PageHeight())),
                            int(std::lround(ScreenPixelsPerInch())));
    m_picturePainter->begin(m_pageDevice.get());
    m_canvas = m_picturePainter.get();
}

void TQRPrinter::endMetafilePage(bool keep)
{
    if (m_picturePainter && m_picturePainter->isActive())
        m_picturePainter->end();
    m_canvas = nullptr;
    if (keep && m_pages && m_pageDevice)
        m_pages->AddPage(m_pageDevice->Data(), m_pageDevice->DataSize());
}

void TQRPrinter::closePage()
{
    if (!m_pageOpen)
        return;
    m_pageOpen = false;
    if (m_destination == qrdMetafile) {
        endMetafilePage(true);
    } else if (m_pageOnPrinter) {
        m_canvas = nullptr;
        // The last page of the range needs no break: nothing more is printed.
        if (!(m_lastPage > 0 && m_pagesBegun >= m_lastPage))
            m_device->NewPhysicalPage();
    } else {
        endMetafilePage(false);
    }
    ++m_closedPages;
    Q_EMIT PageAvailable(m_closedPages);
}

void TQRPrinter::NewPage()
{
    if (m_status != mpBusy)
        throw EQRError(QStringLiteral("Illegal call to NewPage"));
    closePage();
    ++m_pagesBegun;
    m_pageOpen = true;
    m_pageOnPrinter = m_destination == qrdPrinter && inRange(m_pagesBegun);
    if (m_pageOnPrinter) {
        m_xScale = m_device->PixelsPerInchX() / 254;
        m_yScale = m_device->PixelsPerInchY() / 254;
        // Later physical pages were started when the previous one was closed.
        if (!m_printerStarted) {
            m_devicePainter = m_device->BeginDocument(m_title);
            if (!m_devicePainter) {
                m_pageOpen = false;
                throw EQRError(QStringLiteral("The printer could not start the document"));
            }
            m_printerStarted = true;
        }
        m_canvas = m_devicePainter;
    } else {
        beginMetafilePage();
    }
}

void TQRPrinter::CloseDocument()
{
    if (m_status != mpBusy)
        return;
    const bool hadPage = m_pageOpen;
    if (m_destination == qrdMetafile) {
        if (m_pageOpen) {
            m_pageOpen = false;
            endMetafilePage(true);
        }
    } else {
        if (m_pageOpen && !m_pageOnPrinter)
            endMetafilePage(false);
        m_pageOpen = false;
        m_canvas = nullptr;
        if (m_printerStarted)
            m_device->EndDocument();
        m_printerStarted = false;
        m_devicePainter = nullptr;
    }
    if (hadPage)
        ++m_closedPages;
    Q_EMIT PageAvailable(m_closedPages);
    m_status = mpFinished;
    if (m_destination == qrdMetafile) {
        if (m_pages)
            m_pages->Finish();
    } else if (AfterPrintHook) {
        AfterPrintHook();
    }
}

void TQRPrinter::FinishWithoutPrinting()
{
    if (m_status != mpBusy)
        return;
    if (m_destination == qrdPrinter) {
        if (m_pageOpen && !m_pageOnPrinter)
            endMetafilePage(false);
        m_canvas = nullptr;
        if (m_printerStarted)
            m_device->AbortDocument();
        m_printerStarted = false;
        m_devicePainter = nullptr;
    } else if (m_pageOpen) {
        endMetafilePage(true);
        ++m_closedPages;
    }
    m_pageOpen = false;
    m_status = mpFinished;
    if (m_pages)
        m_pages->Finish();
    Q_EMIT PageAvailable(m_closedPages);
}

void TQRPrinter::ReportProgress(int percent)
{
    m_progress = percent;
    Q_EMIT ProgressChanged(percent);
}

void TQRPrinter::Reset()
{
    if (m_status == mpBusy) {
        m_cancelled = true;
        if (m_picturePainter && m_picturePainter->isActive())
            m_picturePainter->end();
        if (m_destination == qrdPrinter && m_printerStarted && m_device)
            m_device->AbortDocument();
        m_printerStarted = false;
        m_devicePainter = nullptr;
    }
    m_canvas = nullptr;
    m_pageOpen = false;
    m_pages.reset(); // deletes a temporary page file
    m_pagesBegun = 0;
    m_closedPages = 0;
    m_finishedReport = false;
    m_status = mpReady;
}

// --- printing recorded pages -------------------------------------------------------

bool TQRPrinter::PrintRecorded()
{
    m_error.clear();
    if (m_master && !m_finishedReport) {
        // Pages that were only previewed are not what the printer gets: the
        // report runs again, straight to the printer.
        if (!PrintReportHook) {
            m_error = QStringLiteral("The report cannot be printed from here");
            return false;
        }
        PrintReportHook();
        return true;
    }
    if (m_status != mpFinished || !m_pages) {
        m_error = QStringLiteral("There is no finished report to print");
        return false;
    }
    if (!PrinterAvailable()) {
        m_error = QStringLiteral("No printer is installed");
        return false;
    }
    // Messages are processed between pages: a second Print must not restart the document.
    if (m_printingRecorded) {
        m_error = QStringLiteral("The report is being printed");
        return false;
    }
    const int count = m_pagesBegun;
    int first = 1, last = count;
    if (m_firstPage != 0 || m_lastPage != 0) {
        first = std::max(1, m_firstPage);
        last = m_lastPage > 0 ? std::min(m_lastPage, count) : count;
    }
    if (first > last) {
        m_error =
            QStringLiteral("No page of the report is in the range %1 to %2").arg(m_firstPage).arg(m_lastPage);
        return false;
    }
    TQRPrintDevice *device = m_device;
    device->AbortDocument(); // a document left open by an earlier failure
    device->ApplySettings(*this);
    const double xf = device->PixelsPerInchX() / 254, yf = device->PixelsPerInchY() / 254;
    const double pageWidth = std::lround(PageWidth() * xf), pageHeight = std::lround(PageHeight() * yf);
    // The printer's origin is the corner of its printable area; shifting by
    // the unprintable offsets puts the page where direct printing puts it.
    const double dx = -std::lround(device->LeftOffset() * xf), dy = -std::lround(device->TopOffset() * yf);
    m_cancelled = false;
    QPainter *painter = device->BeginDocument(m_title);
    m_printingRecorded = painter != nullptr;
    struct Done {
        bool &flag;
        ~Done() { flag = false; }
    } done{m_printingRecorded};
    if (!painter) {
        m_error = QStringLiteral("The printer document could not be started");
        return false;
    }
    bool ok = true;
    for (int n = first; n <= last; ++n) {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents();
        if (m_cancelled)
            break;
        TQRPagePicture page;
        if (GetPage(n, &page) && page.Size().width() > 0 && page.Size().height() > 0) {
            painter->save();
            painter->translate(dx, dy);
            painter->scale(pageWidth / page.Size().width(), pageHeight / page.Size().height());
            QString problem;
            if (!ReplayPage(page, painter, &problem)) {
                m_error = QStringLiteral("page %1: %2").arg(n).arg(problem);
                ok = false;
            }
            painter->restore();
        } else {
            ok = false;
        }
        // No break after the last page of the range: it would print a blank sheet.
        if (n < last)
            device->NewPhysicalPage();
    }
    if (m_cancelled) {
        device->AbortDocument();
        m_error = QStringLiteral("Printing was cancelled");
        return false;
    }
    device->EndDocument();
    if (AfterPrintHook)
        AfterPrintHook();
    return ok;
}

// --- recorded pages ------------------------------------------------------------

bool TQRPrinter::GetPageData(int n, QByteArray *bytes)
{
    bytes->clear();
    if ((m_status != mpBusy && m_status != mpFinished) || !m_pages || n < 1 || n > m_pagesBegun)
        return false;
    return m_pages->GetPage(n, bytes);
}

bool TQRPrinter::GetPage(int n, TQRPagePicture *page)
{
    QByteArray bytes;
    if (!GetPageData(n, &bytes)) {
        m_error = QStringLiteral("page %1 cannot be read").arg(n);
        return false;
    }
    TQRPagePicture picture;
    QString problem;
    if (!picture.SetData(bytes, &problem)) {
        m_error = QStringLiteral("page %1: %2").arg(n).arg(problem);
        return false;
    }
    *page = std::move(picture);
    return true;
}

QDateTime TQRPrinter::CreationDateTime() const
{
    return m_pages ? m_pages->CreationDateTime() : QDateTime();
}

void TQRPrinter::guessPaperSize()
{
    TQRPagePicture first;
    if (m_pagesBegun < 1 || !GetPage(1, &first))
        return;
    const QRect r(QPoint(0, 0), first.Size());
    const int w = int(std::floor(r.width() / m_xScale / 40));
    const int h = int(std::floor(r.height() / m_xScale / 40));
    // Sizes that share dimensions (A4 and A4Small, Letter, LetterSmall and
    // Note) keep the first, common name.
    for (int i = QRPaper::Letter; i < QRPaper::Custom; ++i) {
        double tw = 0, tl = 0;
        PaperSizeMM(i, &tw, &tl);
        const int iw = int(std::floor(tw / 4));
        const int il = int(std::floor(tl / 4));
        if (iw == w && il == h) {
            m_paperSize = TQRPaperSize(i);
            m_orientation = QRPaper::poPortrait;
            m_paperGuessed = true;
            return;
        }
        if (iw == h && il == w) {
            m_paperSize = TQRPaperSize(i);
            m_orientation = QRPaper::poLandscape;
            m_paperGuessed = true;
            return;
        }
    }
    // A size that is a whole multiple of 4 mm can fall just below it once
    // the page was rounded to whole pixels (A3 is 420 mm long): then the
    // size whose pixel dimensions are within a pixel of the page counts.
    auto near = [](int a, int b) { return std::abs(a - b) <= 1; };
    for (int i = QRPaper::Letter; i < QRPaper::Custom; ++i) {
        double tw = 0, tl = 0;
        PaperSizeMM(i, &tw, &tl);
        const int pw = XSize(std::round(tw * 10)), pl = XSize(std::round(tl * 10));
        if (near(pw, r.width()) && near(pl, r.height())) {
            m_paperSize = TQRPaperSize(i);
            m_orientation = QRPaper::poPortrait;
            m_paperGuessed = true;
            return;
        }
        if (near(pl, r.width()) && near(pw, r.height())) {
            m_paperSize = TQRPaperSize(i);
            m_orientation = QRPaper::poLandscape;
            m_paperGuessed = true;
            return;
        }
    }
}

bool TQRPrinter::Load(const QString &fileName)
{
    Reset();
    m_error.clear();
    QString error;
    auto stream = TQRStream::OpenReadOnly(fileName, &error);
    if (!stream) {
        m_error = QStringLiteral("Cannot open %1: %2").arg(fileName, error);
        return false;
    }
    auto pages = std::make_unique<TQRPageList>(std::move(stream));
    if (!pages->ReadHeader(&error)) {
        m_error = QStringLiteral("Cannot load %1: %2").arg(fileName, error);
        return false;
    }
    m_pages = std::move(pages);
    m_destination = qrdMetafile;
    m_compression = m_pages->Compressed();
    m_pagesBegun = m_pages->PageCount();
    m_closedPages = m_pagesBegun;
    setScreenFactors();
    m_leftOffset = 0;
    m_topOffset = 0;
    m_status = mpFinished;
    m_paperGuessed = false;
    guessPaperSize();
    m_error.clear(); // a damaged first page only leaves the paper unknown
    PrintSetupHook = nullptr;
    SaveAsHook = nullptr;
    m_finishedReport = true;
    return true;
}

bool TQRPrinter::Save(const QString &fileName)
{
    m_error.clear();
    if (m_status != mpFinished || !m_pages) {
        m_error = QStringLiteral("There is no finished report to save");
        return false;
    }
    return m_pages->SaveToFile(fileName, &m_error);
}
