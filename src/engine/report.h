#pragma once

// The report: a page description, bands placed on the report panel and the
// elements on them. It keeps the ordered band list, lays the bands out for
// design, and converts between the display unit and native units.

#include "engine/band.h"
#include "engine/basepanel.h"
#include "engine/qrtypes.h"
#include "engine/unitbase.h"
#include "expressions/datasets.h"
#include "expressions/environment.h"

#include <QList>
#include <QPointer>
#include <QStringList>
#include <functional>

class TQRController;
class TQRCustomReport;
class TQRPrintable;
class TQRExportFilter;
class TQRPrinter;

// Booleans that create or free the report's fixed bands.
class TQRReportBands : public TPersistent
{
    Q_OBJECT
    Q_PROPERTY(bool HasTitle READ HasTitle WRITE SetHasTitle STORED false)
    Q_PROPERTY(bool HasPageHeader READ HasPageHeader WRITE SetHasPageHeader STORED false)
    Q_PROPERTY(bool HasColumnHeader READ HasColumnHeader WRITE SetHasColumnHeader STORED false)
    Q_PROPERTY(bool HasDetail READ HasDetail WRITE SetHasDetail STORED false)
    Q_PROPERTY(bool HasPageFooter READ HasPageFooter WRITE SetHasPageFooter STORED false)
    Q_PROPERTY(bool HasSummary READ HasSummary WRITE SetHasSummary STORED false)
public:
    explicit TQRReportBands(TQRCustomReport *report);

    bool HasTitle() const { return has(QR::rbTitle); }
    void SetHasTitle(bool v) { set(QR::rbTitle, v); }
    bool HasPageHeader() const { return has(QR::rbPageHeader); }
    void SetHasPageHeader(bool v) { set(QR::rbPageHeader, v); }
    bool HasColumnHeader() const { return has(QR::rbColumnHeader); }
    void SetHasColumnHeader(bool v) { set(QR::rbColumnHeader, v); }
    bool HasDetail() const { return has(QR::rbDetail); }
    void SetHasDetail(bool v) { set(QR::rbDetail, v); }
    bool HasPageFooter() const { return has(QR::rbPageFooter); }
    void SetHasPageFooter(bool v) { set(QR::rbPageFooter, v); }
    bool HasSummary() const { return has(QR::rbSummary); }
    void SetHasSummary(bool v) { set(QR::rbSummary, v); }

private:
    bool has(QR::TQRBandType type) const;
    void set(QR::TQRBandType type, bool on);
    TQRCustomReport *m_report;
};

// The printer settings a report carries (used by printing).
class TQRReportPrinterSettings : public TPersistent
{
    Q_OBJECT
    Q_PROPERTY(int Copies READ Copies WRITE SetCopies)
    Q_PROPERTY(bool Duplex READ Duplex WRITE SetDuplex)
    Q_PROPERTY(int FirstPage READ FirstPage WRITE SetFirstPage)
    Q_PROPERTY(int LastPage READ LastPage WRITE SetLastPage)
    Q_PROPERTY(QR::TQRBin OutputBin READ OutputBin WRITE SetOutputBin)
    Q_CLASSINFO("Default:Copies", "1")
    Q_CLASSINFO("Default:Duplex", "False")
    Q_CLASSINFO("Default:FirstPage", "0")
    Q_CLASSINFO("Default:LastPage", "0")
    Q_CLASSINFO("Default:OutputBin", "Auto")
public:
    using TPersistent::TPersistent;
    int Copies() const { return m_copies; }
    void SetCopies(int v) { m_copies = v; }
    bool Duplex() const { return m_duplex; }
    void SetDuplex(bool v) { m_duplex = v; }
    // 0 = not limited.
    int FirstPage() const { return m_firstPage; }
    void SetFirstPage(int v) { m_firstPage = v; }
    int LastPage() const { return m_lastPage; }
    void SetLastPage(int v) { m_lastPage = v; }
    QR::TQRBin OutputBin() const { return m_outputBin; }
    void SetOutputBin(QR::TQRBin v) { m_outputBin = v; }
    // -1 = the default printer.
    int PrinterIndex() const { return m_printerIndex; }
    void SetPrinterIndex(int v) { m_printerIndex = v; }
    TQRPaperSize PaperSize() const { return m_paperSize; }
    void SetPaperSize(TQRPaperSize v) { m_paperSize = v; }

private:
    int m_copies = 1;
    bool m_duplex = false;
    int m_firstPage = 0;
    int m_lastPage = 0;
    QR::TQRBin m_outputBin = QR::Auto;
    int m_printerIndex = -1;
    TQRPaperSize m_paperSize = QRPaper::Letter;
};

class TLabelSettings : public TPersistent
{
    Q_OBJECT
    Q_PROPERTY(int FirstLabel READ FirstLabel WRITE SetFirstLabel)
    Q_PROPERTY(int LabelCount READ LabelCount WRITE SetLabelCount)
    Q_CLASSINFO("Default:FirstLabel", "0")
    Q_CLASSINFO("Default:LabelCount", "0")
public:
    using TPersistent::TPersistent;
    int FirstLabel() const { return m_firstLabel; }
    void SetFirstLabel(int v) { m_firstLabel = v; }
    int LabelCount() const { return m_labelCount; }
    void SetLabelCount(int v) { m_labelCount = v; }

private:
    int m_firstLabel = 0;
    int m_labelCount = 0;
};

class TQRCustomReport : public TQRBasePanel
{
    Q_OBJECT
public:
    explicit TQRCustomReport(TComponent *owner = nullptr);
    ~TQRCustomReport() override;

    // Events.
    std::function<void(TQRCustomReport *sender)> AfterPrint;
    std::function<void(TQRCustomReport *sender)> AfterPreview;
    std::function<void(TQRCustomReport *sender, bool &printReport)> BeforePrint;
    std::function<void(TQRCustomReport *sender)> OnEndPage;
    std::function<void(TQRCustomReport *sender)> OnStartPage;
    std::function<void(QObject *sender, bool &moreData)> OnNeedData;
    std::function<void(TQRCustomReport *sender)> OnPreview;

    TQRReportBands *Bands() const { return m_bands; }
    // A dataset component (a TDataSet); other components are refused.
    TComponent *DataSet() const { return m_dataSet; }
    void SetDataSet(TComponent *dataSet);
    QStringList Description() const { return m_description; }
    void SetDescription(const QStringList &d) { m_description = d; }
    TFont *Font() const { return m_font; }
    QR::TQROptions Options() const { return m_options; }
    void SetOptions(QR::TQROptions o) { m_options = o; }
    TQRPage *Page() const { return m_page; }
    TQRReportPrinterSettings *PrinterSettings() const { return m_printerSettings; }
    bool PrintIfEmpty() const { return m_printIfEmpty; }
    virtual void SetPrintIfEmpty(bool v);
    QString ReportTitle() const { return m_reportTitle; }
    void SetReportTitle(const QString &t) { m_reportTitle = t; }
    bool ShowProgress() const { return m_showProgress; }
    void SetShowProgress(bool v) { m_showProgress = v; }
    bool SnapToGrid() const { return m_snapToGrid; }
    void SetSnapToGrid(bool v) { m_snapToGrid = v; }
    TQRUnit Units() const { return m_units; }
    // Applies the unit to the page, every band size and every element size.
    virtual void SetUnits(TQRUnit units);
    // 1 .. 300 percent; other values are ignored.
    void SetZoom(int percent);

    TQRController *Controller() const { return m_controller; }

    // A new TQRBand of type on this report, owned by the designer's root
    // when designing, else by the report's owner (or the report), named from
    // its name base with the first free number from 1 ("DetailBand1").
    TQRBand *CreateBand(QR::TQRBandType type);
    // Bands on the report in print order: page headers, titles (when there
    // is one), column headers, the controller tree, page footers, the rest;
    // every band followed by its child chain.
    const QList<TQRCustomBand *> &BandList() const { return m_bandList; }
    // Bands placed on the report, in child order.
    QList<TQRCustomBand *> ChildBands() const;
    // The first band of a type placed on the report, or null.
    TQRBand *FindBand(QR::TQRBandType type) const;
    // Rebuilds the band list and lays out the bands (not while loading).
    void RebuildBandList();
    // Places the bands one under another from the top margin.
    void LayoutBands();
    // Every element on the report, through its bands.
    QList<TQRPrintable *> AllElements() const;

    // Makes the first title, detail and summary bands the controller's header, detail and footer.
    virtual void AssignControllerBands();
    void AddNotifyExpression(QObject *expression);

    // Text extent on the report's reference context (the screen resolution):
    // the width + 1, and the height of one line, in pixels.
    int MeasureTextWidth(const TFont *font, const QString &text) const;
    int MeasureLineHeight(const TFont *font) const;

    // Printable width (page width less the side margins) and column width, in native units.
    double PrintableWidth() const;
    int ColumnWidthPixels() const;
    int NativeToPixelsX(double native) const;
    double PixelsToNativeX(int pixels) const;

    bool Modified() const { return m_modified; }
    // Marking the report modified is suppressed while it already is or while preparing.
    void SetModified(bool v);
    bool Preparing() const { return m_preparing; }
    void SetPreparing(bool v) { m_preparing = v; }

    // Where bands created at design time go, and how the designer names new components.
    TComponent *DesignerRoot = nullptr;
    std::function<QString(TComponent *component)> DesignerUniqueName;

    TFont *ControlFont() const override { return m_font; }

    // --- generation (generation.cpp) -----------------------------------------
    // Holds "PAGENUMBER", "COLUMNNUMBER" and "REPORTTITLE" from construction.
    TQREvEnvironment *Functions() const { return m_functions; }

    // Runs the report into a fresh recorder of recorded pages, kept as QRPrinter().
    void PreparePages();
    // Runs the report straight to the printer of PrinterSettings, with the
    // progress window when ShowProgress; does nothing without a printer.
    virtual void Print();
    // Opens a preview on a fresh recorder (kept as QRPrinter()), runs the
    // report into it while the preview shows the pages, then waits until the
    // preview closes. A cancelled run's recorder is discarded.
    virtual void Preview();
    // The print dialog: its choices go to PrinterSettings and Page.Orientation;
    // Tag is 0 when the user confirmed, 1 when not.
    virtual void PrinterSetup();
    // Runs the report with the filter receiving every text item; drawing is
    // switched off and the pages of the previous recorder stay as they were.
    void ExportToFilter(TQRExportFilter *filter);
    // Only while running: stops the run at the next record.
    void Cancel();
    // The run itself; does nothing unless idle. Exceptions propagate after
    // the recorder and the run state have been restored.
    virtual void CreateReport(bool composite = false);
    // Runs the report controller.
    virtual void Execute();
    // The recorder of the last PreparePages (owned by the report), or null.
    TQRPrinter *QRPrinter() const { return m_qrPrinter; }
    // The recorder the current run draws on.
    TQRPrinter *RunPrinter() const { return m_runPrinter; }
    // Hands the recorder of the last run to the caller (a preview), or null.
    TQRPrinter *TakeQRPrinter();

    // Band printing and the page and column logic the controllers call.
    void PrintBand(TQRCustomBand *band);
    void NewColumn();
    void NewPage();
    void NewColumnForced();
    void StartPage();
    void EndPage();
    // Native units left above the page footers; 0 when idle or before page 1.
    int RemainingSpace() const;
    // The controller of a running report calls it once per record.
    void ProcessMessages();
    bool IsExporting() const { return RunFilter != nullptr; }

    // Run state.
    bool Idle = true;
    bool CancelRequested = false;
    int PositionX = 0;
    int PositionY = -1;
    int PageNo = 0;
    int ColumnNo = 1;
    int ColumnTop = 0;
    double FooterSpace = 0;
    bool LastPageReached = false;
    bool SkipForcedPage = false;
    bool ColumnBreakPending = false;
    bool RenderToCanvas = true;
    TQRExportFilter *RunFilter = nullptr;
    TQRDatasetList RunDataSets;

Q_SIGNALS:
    void ModifiedChanged();

protected:
    // A preview's Save with an export filter: re-runs the report into it.
    virtual void exportFromPreview(TQRExportFilter *filter) { ExportToFilter(filter); }
    void ApplyZoom(int percent) override;
    void ChildrenChanged() override;
    void BoundsChanged() override;
    void Loaded() override;
    void Notification(TComponent *component, TOperation operation) override;
    void applyUnitsToChildren();

private:
    friend class TQRCustomBand;
    void pageChanged();
    void updatePanelSize();

    TQRReportBands *m_bands;
    TComponent *m_dataSet = nullptr;
    QStringList m_description;
    TFont *m_font;
    QR::TQROptions m_options = QR::FirstPageHeader | QR::LastPageFooter;
    TQRPage *m_page;
    TQRReportPrinterSettings *m_printerSettings;
    bool m_printIfEmpty = true;
    QString m_reportTitle;
    bool m_showProgress = true;
    bool m_snapToGrid = true;
    TQRUnit m_units;
    TQRController *m_controller;
    TQREvEnvironment *m_functions;
    TQRPrinter *m_qrPrinter = nullptr;
    TQRPrinter *m_runPrinter = nullptr;
    TQREvElement *m_pageNumberVar = nullptr;
    TQREvElement *m_columnNumberVar = nullptr;
    int m_opening = 0; // page and column headers being printed
    void setRunVariable(TQREvElement *variable, int value);
    void makeSpace(TQRCustomBand *band);
    void runInto(TQRPrinter *printer);
    // A recorder of recorded pages with this report's hooks.
    TQRPrinter *newRecorder();
    // The preview of printer closed: cancel the run filling it, or free it.
    void previewClosed(TQRPrinter *printer);
    QList<TQRCustomBand *> m_bandList;
    bool m_modified = false;
    bool m_preparing = false;
    int m_layingOut = 0;
};

class TQRReport : public TQRCustomReport
{
    Q_OBJECT
    Q_PROPERTY(TQRReportBands *Bands READ Bands CONSTANT)
    Q_PROPERTY(TComponent *DataSet READ DataSet WRITE SetDataSet)
    Q_PROPERTY(QStringList Description READ Description WRITE SetDescription)
    Q_PROPERTY(TFont *Font READ Font CONSTANT)
    Q_PROPERTY(TQREvEnvironment *Functions READ Functions CONSTANT)
    Q_PROPERTY(QR::TQROptions Options READ Options WRITE SetOptions)
    Q_PROPERTY(TQRPage *Page READ Page CONSTANT)
    Q_PROPERTY(TQRReportPrinterSettings *PrinterSettings READ PrinterSettings CONSTANT)
    Q_PROPERTY(bool PrintIfEmpty READ PrintIfEmpty WRITE SetPrintIfEmpty)
    Q_PROPERTY(QString ReportTitle READ ReportTitle WRITE SetReportTitle)
    Q_PROPERTY(bool ShowProgress READ ShowProgress WRITE SetShowProgress)
    Q_PROPERTY(bool SnapToGrid READ SnapToGrid WRITE SetSnapToGrid)
    Q_PROPERTY(QRUnits::TQRUnit Units READ Units WRITE SetUnits)
    Q_PROPERTY(int Zoom READ Zoom WRITE SetZoom)
    Q_CLASSINFO("Default:Options", "[FirstPageHeader,LastPageFooter]")
    Q_CLASSINFO("Default:PrintIfEmpty", "True")
    Q_CLASSINFO("Default:ShowProgress", "True")
    Q_CLASSINFO("Default:Zoom", "100")
public:
    Q_INVOKABLE explicit TQRReport(TComponent *owner = nullptr);
};

class TQREChildBand;

// A report that prints sheets of labels: a multi-column page whose label band
// (a loop band "LabelBand" or a detail band "DetailBand") prints LabelCount
// copies, starting at position FirstLabel of the first sheet (labelsheet.cpp).
class TQREReport : public TQRReport
{
    Q_OBJECT
    Q_PROPERTY(TLabelSettings *LabelSettings READ LabelSettings CONSTANT)
public:
    Q_INVOKABLE explicit TQREReport(TComponent *owner = nullptr);
    ~TQREReport() override;
    TLabelSettings *LabelSettings() const { return m_labelSettings; }

    // Sets the label band's copies and builds the spacer bands that skip the
    // used labels of the first sheet. Does nothing more until CleanupLabels;
    // false when the run may not go on (a run is in progress).
    bool PrepareLabels();
    // Frees the spacer bands and gives the label band its master back.
    void CleanupLabels();
    // Whether PrepareLabels has run and CleanupLabels not yet.
    bool LabelsPrepared() const { return m_labelsPrepared; }
    // Label rows that fit in a column: from the page's printable length, the
    // label band's height and the row space's (may be null); at least 1.
    static int LabelsPerColumn(const TQRCustomReport *report, const TQRCustomBand *labelBand,
                               const TQRCustomBand *rowSpace);

    // Wraps the run in PrepareLabels and CleanupLabels, unless the caller prepared already.
    void CreateReport(bool composite = false) override;

private:
    TLabelSettings *m_labelSettings;
    bool m_labelsPrepared = false;
    // What PrepareLabels created and changed, undone by CleanupLabels.
    QList<QPointer<TQRCustomBand>> m_spacerBands;
    QPointer<TQRLoopBand> m_movedLabelBand;
    QPointer<TComponent> m_labelBandMaster;
};
