#pragma once

// The design report: the report every stored report is loaded into. On top
// of the engine's label-printing report it keeps the designer's background,
// and wraps each run in a preparation (query parameters, script events,
// page-footer rules, print offsets) and a clean-up that undoes it.

#include "common/graphics.h"
#include "definition/designbands.h"
#include "engine/report.h"

#include <QPointer>
#include <functional>

class TQRDLoader;
class TQRExportFilter;

class TQRDesignReport : public TQREReport
{
    Q_OBJECT
    Q_PROPERTY(TPicture *DesignBackground READ DesignBackground CONSTANT)
    Q_PROPERTY(int DesignBackgroundDX READ DesignBackgroundDX WRITE SetDesignBackgroundDX)
    Q_PROPERTY(int DesignBackgroundDY READ DesignBackgroundDY WRITE SetDesignBackgroundDY)
    Q_CLASSINFO("Default:DesignBackgroundDX", "0")
    Q_CLASSINFO("Default:DesignBackgroundDY", "0")

public:
    Q_INVOKABLE explicit TQRDesignReport(TComponent *owner = nullptr);
    ~TQRDesignReport() override;

    // Picture shown behind the page in the designer only (never printed), and its offset in pixels.
    TPicture *DesignBackground() const { return m_background; }
    int DesignBackgroundDX() const { return m_backgroundDX; }
    void SetDesignBackgroundDX(int v) { m_backgroundDX = v; }
    int DesignBackgroundDY() const { return m_backgroundDY; }
    void SetDesignBackgroundDY(int v) { m_backgroundDY = v; }
    // The designer's ruler strip, repainted with the report (not owned).
    QPointer<QObject> RulerPanel;

    // The loader whose rules apply: the owner's first report loader, or null.
    TQRDLoader *Loader() const;

    // Prepares a run; false when it must not go on (labels or query parameters refused).
    bool PrepareRun();
    // Undoes what PrepareRun did.
    void CleanupRun();
    // Prepare, record the pages (kept as QRPrinter()), clean up; false when the preparation refused.
    bool PreparePagesRun();
    // Prepare, run into an export filter, clean up; false when the preparation refused.
    bool ExportRun(TQRExportFilter *filter);
    // Print and Preview run prepared and cleaned up like PreparePagesRun.
    void Print() override;
    void Preview() override;
    // Every data-field element's caption becomes its field's display label.
    void RefreshDataFieldCaptions();

    // Whether the summary band has printed in this run (page footers marked NotOnLastPage stop).
    bool SummaryPrinted() const { return m_summaryPrinted; }
    void SetSummaryPrinted(bool v) { m_summaryPrinted = v; }
    // Whether PrepareRun prepared the current run.
    bool Prepared() const { return m_prepared; }
    // The summary band added for this run only, or null.
    TQRDesignBand *TemporarySummaryBand() const { return m_tempSummary; }

protected:
    void exportFromPreview(TQRExportFilter *filter) override { ExportRun(filter); }

private:
    // Runs engineRun between PrepareRun and CleanupRun; exceptions pass after the clean-up.
    // A run started while one is prepared (Save or Print from a preview that
    // Preview still waits for) uses that preparation.
    bool runPrepared(const std::function<void()> &engineRun);
    void installHandlers();
    void restoreHandlers();
    void designBeforePrint(bool &printReport);
    void runReportScript(const QString &eventName);

    TPicture *m_background;
    int m_backgroundDX = 0;
    int m_backgroundDY = 0;

    bool m_summaryPrinted = false;
    bool m_prepared = false;
    QPointer<TQRDesignBand> m_tempSummary;
    QPointer<TComponent> m_labelBand;
    bool m_marginsShifted = false;
    double m_savedTop = 0, m_savedBottom = 0, m_savedLeft = 0;

    struct SavedHandlers {
        std::function<void(TQRCustomReport *, bool &)> beforePrint;
        std::function<void(TQRCustomReport *)> afterPrint, startPage, endPage, afterPreview;
    } m_saved;
};
