#pragma once

// The page recorder: the target of report generation. It hands out one
// canvas per page and either records every finished page (for the preview,
// printing later and saving) or draws straight onto a printer.
//
// Recorded pages are page pictures (TQRPagePicture) kept in a TQRPageList. The printer
// destination goes through a TQRPrintDevice that the printing layer
// supplies; without one, printing is unavailable.
//
// Notifications are Qt signals; a client window connects them queued, so
// that they are posted and not waited for.

#include "common/papersize.h"
#include "qrpagelist.h"
#include "qrpagepicture.h"

#include <QObject>
#include <QPainter>
#include <QPointer>
#include <functional>
#include <memory>

class TQRExportFilter;

enum TQRPrinterDestination { qrdMetafile, qrdPrinter };
enum TQRPrinterStatus { mpReady, mpBusy, mpFinished };

// A physical printer as the recorder drives it.
class TQRPrintDevice
{
public:
    virtual ~TQRPrintDevice() = default;
    // At least one printer is installed.
    virtual bool Available() const = 0;
    virtual double PixelsPerInchX() const = 0;
    virtual double PixelsPerInchY() const = 0;
    // Unprintable offsets in native units (0.1 mm).
    virtual double LeftOffset() const { return 0; }
    virtual double TopOffset() const { return 0; }
    // Takes over the recorder's printer settings before a document starts.
    virtual void ApplySettings(const class TQRPrinter &printer) {}
    // Starts the document; its painter draws the first page.
    virtual QPainter *BeginDocument(const QString &title) = 0;
    // Ends the current physical page and starts the next one.
    virtual void NewPhysicalPage() = 0;
    virtual void EndDocument() = 0;
    virtual void AbortDocument() = 0;
};

// Creates the printer layer for new recorders; the printing library installs
// it. Unset (headless programs), recorders have no printer.
std::function<std::unique_ptr<TQRPrintDevice>()> &QRPrintDeviceFactory();

class TQRPrinter : public QObject
{
    Q_OBJECT
public:
    explicit TQRPrinter(QObject *parent = nullptr);
    ~TQRPrinter() override;

    // --- settings ------------------------------------------------------------
    TQRPrinterDestination Destination() const { return m_destination; }
    void SetDestination(TQRPrinterDestination d) { m_destination = d; }
    TQRPrinterStatus Status() const { return m_status; }
    // Not owned; null means no printer.
    void SetPrintDevice(TQRPrintDevice *device)
    {
        m_device = device;
        m_deviceAsked = true;
    }
    // The printer layer: the one set, else one made by QRPrintDeviceFactory
    // on first use (owned), else null.
    TQRPrintDevice *PrintDevice() const;
    bool PrinterAvailable() const { return PrintDevice() && PrintDevice()->Available(); }

    QString Title() const { return m_title; }
    void SetTitle(const QString &t) { m_title = t; }
    int FirstPage() const { return m_firstPage; }
    void SetFirstPage(int v) { m_firstPage = v; }
    int LastPage() const { return m_lastPage; }
    void SetLastPage(int v) { m_lastPage = v; }
    int Copies() const { return m_copies; }
    void SetCopies(int v) { m_copies = v; }
    bool Duplex() const { return m_duplex; }
    void SetDuplex(bool v) { m_duplex = v; }
    int OutputBin() const { return m_outputBin; }
    void SetOutputBin(int v) { m_outputBin = v; }
    int PrinterIndex() const { return m_printerIndex; }
    void SetPrinterIndex(int v) { m_printerIndex = v; }

    TQRPaperSize PaperSize() const { return m_paperSize; }
    void SetPaperSize(TQRPaperSize size);
    TPrinterOrientation Orientation() const { return m_orientation; }
    void SetOrientation(TPrinterOrientation o) { m_orientation = o; }
    // Native units: the table's portrait values for a standard size, the
    // stored ones for Default and Custom.
    double PaperWidth() const;
    double PaperLength() const;
    void SetPaperWidth(double v) { m_paperWidth = v; }
    void SetPaperLength(double v) { m_paperLength = v; }
    // Page dimensions after orientation.
    double PageWidth() const;
    double PageHeight() const;

    // Whether pages added from now on are compressed.
    void UseCompression(bool on);
    bool Compression() const { return m_compression; }

    // --- coordinates -----------------------------------------------------------
    double XFactor() const { return m_xScale; }
    double YFactor() const { return m_yScale; }
    double LeftOffset() const { return m_leftOffset; }
    double TopOffset() const { return m_topOffset; }
    int XPos(double x) const;
    int YPos(double y) const;
    int XSize(double x) const;
    int YSize(double y) const;

    // --- generation ------------------------------------------------------------
    // Raises EQRError "QRPrinter not ready" unless ready.
    void OpenDocument();
    // Raises EQRError "Illegal call to NewPage" unless busy.
    void NewPage();
    // The current page's canvas; null when no page is open.
    QPainter *Canvas() const { return m_canvas; }
    void CloseDocument();
    // Ends a cancelled or exporting run: the printer document is aborted,
    // an open recorded page is kept.
    void FinishWithoutPrinting();
    void Cancel() { m_cancelled = true; }
    bool Cancelled() const { return m_cancelled; }
    void ReportProgress(int percent);
    int Progress() const { return m_progress; }

    int PageCount() const { return m_pagesBegun; } // pages begun
    int ClosedPages() const { return m_closedPages; }

    // --- recorded pages --------------------------------------------------------
    // Page n (1 .. pages begun) as a picture; false when there is none or it
    // cannot be read (ErrorString tells why).
    bool GetPage(int n, TQRPagePicture *page);
    // The stored bytes of page n, decompressed, uninterpreted.
    bool GetPageData(int n, QByteArray *bytes);
    // Replaces any document by a stored page file. False (with ErrorString)
    // when the file cannot be opened or is not a stored report.
    bool Load(const QString &fileName);
    // Copies the whole page stream to a file; only when finished. False on
    // failure, leaving an existing file untouched.
    bool Save(const QString &fileName);
    QString ErrorString() const { return m_error; }
    // After Load: page 1 was readable and matched a standard paper size.
    bool PaperGuessed() const { return m_paperGuessed; }
    TQRPageList *Pages() const { return m_pages.get(); }
    QDateTime CreationDateTime() const;

    // Discards any document (a busy one is cancelled) and returns to ready.
    void Reset();

    // Prints the recorded pages FirstPage .. LastPage (all when both are 0).
    // A report that was only previewed is asked to print itself instead
    // (PrintReportHook). False with ErrorString when nothing was printed.
    bool PrintRecorded();

    // --- client side -----------------------------------------------------------
    bool FinishedReport() const { return m_finishedReport; }
    void SetFinishedReport(bool v) { m_finishedReport = v; }
    bool PreviewShown() const { return m_previewShown; }
    void SetPreviewShown(bool v);
    QObject *Master() const { return m_master; }
    void SetMaster(QObject *report) { m_master = report; }

    // The report's print setup, offered by a preview of this recorder.
    std::function<void()> PrintSetupHook;
    // Re-runs the report through an export filter (the preview's Save).
    std::function<void(TQRExportFilter *filter)> SaveAsHook;
    // Called when a printer document ends.
    std::function<void()> AfterPrintHook;
    // Called when the preview of this recorder has closed.
    std::function<void()> AfterPreviewHook;
    // Shows this recorder in a preview.
    std::function<void()> PreviewHook;
    // The master report's requests: print the report anew (its pages were
    // only previewed), and the preview is closing (a running report
    // cancels, a finished one frees this recorder).
    std::function<void()> PrintReportHook;
    std::function<void()> ClosePreviewHook;

Q_SIGNALS:
    // Pages closed so far; after each page and at the end.
    void PageAvailable(int closedPages);
    void ProgressChanged(int percent);
    // A preview started or stopped showing this recorder.
    void PreviewShownChanged(bool shown);

private:
    bool inRange(int page) const;
    void setScreenFactors();
    void beginMetafilePage();
    void endMetafilePage(bool keep);
    void closePage();
    void guessPaperSize();

    TQRPrinterDestination m_destination = qrdMetafile;
    TQRPrinterStatus m_status = mpReady;
    mutable TQRPrintDevice *m_device = nullptr;
    mutable std::unique_ptr<TQRPrintDevice> m_ownDevice;
    mutable bool m_deviceAsked = false;
    QString m_title;
    int m_firstPage = 0;
    int m_lastPage = 0;
    int m_copies = 1;
    bool m_duplex = false;
    int m_outputBin = 0;
    int m_printerIndex = -1;
    TQRPaperSize m_paperSize = QRPaper::A4;
    TPrinterOrientation m_orientation = QRPaper::poPortrait;
    double m_paperWidth = 2100;
    double m_paperLength = 2970;
    bool m_compression = false;

    double m_xScale = 1.0;
    double m_yScale = 1.0;
    double m_leftOffset = 0;
    double m_topOffset = 0;

    int m_pagesBegun = 0;
    int m_closedPages = 0;
    bool m_cancelled = false;
    int m_progress = 0;

    std::unique_ptr<TQRPageList> m_pages;
    std::unique_ptr<TQRPageDevice> m_pageDevice;
    std::unique_ptr<QPainter> m_picturePainter;
    QPainter *m_canvas = nullptr;
    QPainter *m_devicePainter = nullptr;
    bool m_pageOpen = false;
    bool m_pageOnPrinter = false;
    bool m_printerStarted = false;
    bool m_finishedReport = false;
    bool m_previewShown = false;
    QPointer<QObject> m_master;
    QString m_error;
    bool m_paperGuessed = false;
    bool m_printingRecorded = false;
};
