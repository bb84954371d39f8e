#include "qrpreview.h"

#include "output/pages/qrprinter.h"

#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

namespace
{
// A4 at the preview's reference resolution, for a control without a recorder.
constexpr double DefaultPageWidth = 2100, DefaultPageHeight = 2970;
constexpr double DefaultPixelsPerNative = 96.0 / 254;
constexpr int MinZoom = 2, MaxZoom = 2000;
} // namespace

// --- TQRPreviewImage ------------------------------------------------------------------------

TQRPreviewImage::TQRPreviewImage(TQRPreview *preview) : QWidget(preview)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

bool TQRPreviewImage::LoadPage(TQRPrinter *recorder, int n)
{
    TQRPagePicture page;
    if (!recorder || !recorder->GetPage(n, &page))
        return false;
    m_page = std::move(page);
    m_pageNumber = n;
    update();
    return true;
}

void TQRPreviewImage::Clear()
{
    m_page = TQRPagePicture();
    m_pageNumber = 0;
    update();
}

void TQRPreviewImage::Layout(const TQRPrinter *recorder, int zoom)
{
    m_zoom = zoom;
    int w, h;
    if (recorder) {
        w = recorder->XSize(recorder->PageWidth() * zoom / 100) + 4;
        h = recorder->YSize(recorder->PageHeight() * zoom / 100) + 4;
    } else {
        w = int(std::lround(DefaultPageWidth * DefaultPixelsPerNative * zoom / 100)) + 4;
        h = int(std::lround(DefaultPageHeight * DefaultPixelsPerNative * zoom / 100)) + 4;
    }
    resize(w, h);
    update();
}

void TQRPreviewImage::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const int w = width(), h = height();
    // The sheet: white inside a black outline that stops 3 pixels short of
    // the right and bottom edges, leaving room for the shadow.
    p.fillRect(QRect(1, 1, w - 4, h - 4), Qt::white);
    if (!m_page.IsNull() && m_page.Size().width() > 0 && m_page.Size().height() > 0) {
        p.save();
        p.setClipRect(QRect(1, 1, w - 4, h - 4));
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.scale(double(w) / m_page.Size().width(), double(h) / m_page.Size().height());
        ReplayPage(m_page, &p);
        p.restore();
    }
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(0, 0, w - 4, h - 4));
    p.fillRect(QRect(w - 3, 2, 2, h - 3), Qt::black);
    p.fillRect(QRect(2, h - 3, w - 3, 2), Qt::black);
}

// --- TQRPreview ------------------------------------------------------------------------------

TQRPreview::TQRPreview(QWidget *parent) : QScrollArea(parent), m_image(new TQRPreviewImage(this))
{
    setWidgetResizable(false);
    setAlignment(Qt::AlignCenter);
    setBackgroundRole(QPalette::Dark);
    setWidget(m_image);
    relayout();
}

TQRPreview::~TQRPreview()
{
    if (m_recorder)
        m_recorder->SetPreviewShown(false);
}

void TQRPreview::SetRecorder(TQRPrinter *recorder)
{
    if (m_recorder == recorder)
        return;
    if (m_recorder) {
        disconnect(m_recorder, nullptr, this, nullptr);
        m_recorder->SetPreviewShown(false);
    }
    m_recorder = recorder;
    m_image->Clear();
    m_pageNumber = 1;
    m_awaiting = true;
    if (recorder) {
        // Posted, so that the run drawing the pages is never re-entered.
        connect(recorder, &TQRPrinter::PageAvailable, this, &TQRPreview::pageAvailable, Qt::QueuedConnection);
        connect(recorder, &TQRPrinter::ProgressChanged, this, &TQRPreview::progressChanged,
                Qt::QueuedConnection);
        recorder->SetPreviewShown(true);
        if (recorder->ClosedPages() >= 1 && m_image->LoadPage(recorder, 1))
            m_awaiting = false;
    }
    relayout();
}

void TQRPreview::SetPageNumber(int n)
{
    if (n <= 0 || !m_recorder || n > m_recorder->PageCount() || n == m_pageNumber)
        return;
    m_pageNumber = n;
    // A page still being drawn shows when the recorder announces it.
    m_awaiting = !(n <= m_recorder->ClosedPages() && m_image->LoadPage(m_recorder, n));
    if (m_awaiting)
        m_image->Clear();
    resetScroll();
}

void TQRPreview::Reload()
{
    m_image->Clear();
    m_pageNumber = 1;
    m_awaiting = !(m_recorder && m_recorder->ClosedPages() >= 1 && m_image->LoadPage(m_recorder, 1));
    relayout();
}

bool TQRPreview::PageShown() const
{
    return !m_awaiting && m_image->HasPage();
}

void TQRPreview::pageAvailable(int pageNum)
{
    if (m_awaiting && m_recorder && pageNum >= m_pageNumber && m_image->LoadPage(m_recorder, m_pageNumber)) {
        m_awaiting = false;
        relayout(); // the paper of a loaded file may only now be known
    }
    if (OnPageAvailable)
        OnPageAvailable(this, pageNum);
}

void TQRPreview::progressChanged(int progress)
{
    if (OnProgressUpdate)
        OnProgressUpdate(this, progress);
}

void TQRPreview::SetZoom(int percent)
{
    if (percent < MinZoom || percent > MaxZoom)
        return;
    m_zoom = percent;
    m_zoomMode = zmExplicit;
    relayout();
}

double TQRPreview::pageWidthPixels() const
{
    return m_recorder ? m_recorder->XSize(m_recorder->PageWidth())
                      : DefaultPageWidth * DefaultPixelsPerNative;
}

double TQRPreview::pageHeightPixels() const
{
    return m_recorder ? m_recorder->YSize(m_recorder->PageHeight())
                      : DefaultPageHeight * DefaultPixelsPerNative;
}

void TQRPreview::ZoomToFit()
{
    const double pw = std::max(1.0, pageWidthPixels()), ph = std::max(1.0, pageHeightPixels());
    const int z = int(std::min(std::lround(width() / pw * 95), std::lround(height() / ph * 95)));
    m_zoom = std::clamp(z, MinZoom, MaxZoom);
    m_zoomMode = zmFitPage;
    relayout();
}

void TQRPreview::ZoomToWidth()
{
    const double pw = std::max(1.0, pageWidthPixels());
    m_zoom = std::clamp(int(std::lround(width() / pw * 90)), MinZoom, MaxZoom);
    m_zoomMode = zmFitWidth;
    relayout();
}

void TQRPreview::resizeEvent(QResizeEvent *event)
{
    QScrollArea::resizeEvent(event);
    if (m_zoomMode == zmFitPage)
        ZoomToFit();
    else if (m_zoomMode == zmFitWidth)
        ZoomToWidth();
    else
        relayout();
}

void TQRPreview::relayout()
{
    m_image->Layout(m_recorder, m_zoom);
    resetScroll();
}

void TQRPreview::resetScroll()
{
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}
