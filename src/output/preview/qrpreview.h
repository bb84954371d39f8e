#pragma once

// The preview control: a scrolling area holding the image of one recorded
// page at a chosen zoom. It follows its recorder's page-available and
// progress notices, which arrive posted while a report is still running.

#include "output/pages/qrpagepicture.h"
#include "output/pages/qrprinter.h"

#include <QPointer>
#include <QScrollArea>
#include <QWidget>
#include <functional>

class TQRPreview;

// The page itself: page number, zoom and the recorded page it shows.
class TQRPreviewImage : public QWidget
{
    Q_OBJECT
public:
    explicit TQRPreviewImage(TQRPreview *preview);

    // The page shown, 1-based; 0 when none was loaded.
    int PageNumber() const { return m_pageNumber; }
    int Zoom() const { return m_zoom; }
    // Whether a recorded page was loaded.
    bool HasPage() const { return !m_page.IsNull(); }
    const TQRPagePicture &Page() const { return m_page; }
    // Loads page n of the recorder; false when it is not there.
    bool LoadPage(TQRPrinter *recorder, int n);
    void Clear();
    // Sizes the image for zoom (percent) from the recorder's paper.
    void Layout(const TQRPrinter *recorder, int zoom);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_pageNumber = 0;
    int m_zoom = 100;
    TQRPagePicture m_page;
};

class TQRPreview : public QScrollArea
{
    Q_OBJECT
    Q_PROPERTY(int PageNumber READ PageNumber WRITE SetPageNumber)
    Q_PROPERTY(int Zoom READ Zoom WRITE SetZoom)
public:
    enum TZoomMode { zmExplicit, zmFitPage, zmFitWidth };
    Q_ENUM(TZoomMode)

    explicit TQRPreview(QWidget *parent = nullptr);
    ~TQRPreview() override;

    // The recorder whose pages are shown (not owned), or null.
    TQRPrinter *Recorder() const { return m_recorder; }
    // Detaches from the previous recorder and shows page 1 of the new one
    // (as soon as it is there).
    void SetRecorder(TQRPrinter *recorder);

    // The displayed page, 1-based (default 1).
    int PageNumber() const { return m_pageNumber; }
    // Ignored for n <= 0, without a recorder, beyond the pages begun and for
    // the page already shown; a page begun but not finished shows when it is.
    void SetPageNumber(int n);
    // Percent, 2 .. 2000; other values are ignored.
    int Zoom() const { return m_zoom; }
    void SetZoom(int percent);
    TZoomMode ZoomMode() const { return m_zoomMode; }
    void ZoomToFit();
    void ZoomToWidth();
    // Whether the displayed page is loaded (false while it is awaited).
    bool PageShown() const;
    // Shows page 1 of the recorder anew (after it loaded a file).
    void Reload();
    TQRPreviewImage *Image() const { return m_image; }

    // Raised for every page-available notice, with the announced number.
    std::function<void(QObject *sender, int pageNum)> OnPageAvailable;
    // Raised for every progress notice.
    std::function<void(QObject *sender, int progress)> OnProgressUpdate;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void pageAvailable(int pageNum);
    void progressChanged(int progress);
    void relayout();
    void resetScroll();
    // Pixels of the page at zoom 100, for the fit modes.
    double pageWidthPixels() const;
    double pageHeightPixels() const;

    QPointer<TQRPrinter> m_recorder;
    TQRPreviewImage *m_image;
    int m_pageNumber = 1;
    int m_zoom = 100;
    TZoomMode m_zoomMode = zmExplicit;
    bool m_awaiting = false;
};
