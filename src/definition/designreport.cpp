#include "definition/designreport.h"

#include "common/properties.h"
#include "data/dataset.h"
#include "definition/designbands.h"
#include "definition/designelements.h"
#include "definition/loader.h"
#include "engine/band.h"

TQRDesignReport::TQRDesignReport(TComponent *owner) : TQREReport(owner), m_background(new TPicture(this)) {}

TQRDesignReport::~TQRDesignReport() = default;

TQRDLoader *TQRDesignReport::Loader() const
{
    return FirstComponentOf<TQRDLoader>(Owner());
}

void TQRDesignReport::RefreshDataFieldCaptions()
{
    if (!Owner())
        return;
    for (TComponent *c : Owner()->ComponentList())
        if (auto *text = qobject_cast<TQRDesignDBText *>(c))
            text->RefreshCaptionFromDisplayLabel();
}

bool TQRDesignReport::PrepareRun()
{
    m_prepared = false;
    if (!Idle)
        return true;
    if (!PrepareLabels())
        return false;
    TQRDLoader *loader = Loader();
    if (loader && !loader->PrepareQueryParams()) {
        CleanupLabels();
        return false;
    }

    m_prepared = true;
    m_tempSummary = nullptr;
    m_labelBand = nullptr;
    bool anyNotOnLastPage = false, hasSummary = false;
    const QList<TComponent *> components = Owner() ? Owner()->ComponentList() : QList<TComponent *>{this};
    for (TComponent *c : components) {
        if (qobject_cast<TQRDesignLoopband *>(c) && c->Name().compare(QLatin1String("LabelBand"), Qt::CaseInsensitive) == 0)
            m_labelBand = c;
        else if (auto *band = qobject_cast<TQRDesignBand *>(c); band && band->BandType() == QR::rbDetail && !m_labelBand)
            m_labelBand = c;
        if (auto *band = qobject_cast<TQRDesignBand *>(c)) {
            anyNotOnLastPage = anyNotOnLastPage || band->NotOnLastPage();
            hasSummary = hasSummary || band->BandType() == QR::rbSummary;
        }
        if (auto *element = qobject_cast<TQRPrintable *>(c)) {
            if (TQRDesignElementMembers *m = DesignElementMembers(element);
                m && (m->FixBottomPosition() || m->StretchHeightWithBand()))
                element->BringToFront();
        }
        TPropInfo info;
        if (FindPublishedProperty(c->metaObject(), QStringLiteral("PagePrints"), &info) && info.Writable())
            info.Property.write(c, 0);
    }

    // A page footer that stops on the last page needs a summary band to tell the last page.
    if (anyNotOnLastPage && !hasSummary) {
        auto *summary = new TQRDesignBand(Owner() ? Owner() : this);
        summary->SetBandType(QR::rbSummary);
        summary->SetParent(this);
        summary->Size()->SetNativeValue(TQRBandSize::HeightIndex, 2);
        m_tempSummary = summary;
    }

    installHandlers();

    m_marginsShifted = false;
    double vertical = 0, horizontal = 0;
    if (loader && loader->PrintOffsets(&vertical, &horizontal)) {
        TQRPage *page = Page();
        m_savedTop = page->NativeValue(TQRPage::TopMarginIndex);
        m_savedBottom = page->NativeValue(TQRPage::BottomMarginIndex);
        m_savedLeft = page->NativeValue(TQRPage::LeftMarginIndex);
        // Offsets are given in millimetres; a native unit is a tenth of one.
        page->SetNativeValue(TQRPage::TopMarginIndex, m_savedTop + vertical * 10.0);
        page->SetNativeValue(TQRPage::BottomMarginIndex, m_savedBottom - vertical * 10.0);
        page->SetNativeValue(TQRPage::LeftMarginIndex, m_savedLeft + horizontal * 10.0);
        m_marginsShifted = true;
    }
    return true;
}

void TQRDesignReport::CleanupRun()
{
    CleanupLabels();
    if (!m_prepared)
        return;
    m_prepared = false;
    restoreHandlers();
    if (TQRDLoader *loader = Loader()) {
        loader->RestoreQueryParams();
        loader->SetScriptDatasets(nullptr);
    }
    delete m_tempSummary.data();
    m_tempSummary = nullptr;
    if (m_marginsShifted) {
        TQRPage *page = Page();
        page->SetNativeValue(TQRPage::TopMarginIndex, m_savedTop);
        page->SetNativeValue(TQRPage::BottomMarginIndex, m_savedBottom);
        page->SetNativeValue(TQRPage::LeftMarginIndex, m_savedLeft);
        m_marginsShifted = false;
    }
}

bool TQRDesignReport::runPrepared(const std::function<void()> &engineRun)
{
    if (m_prepared) {
        if (Idle)
            engineRun();
        return true;
    }
    if (!PrepareRun())
        return false;
    try {
        engineRun();
    } catch (...) {
        CleanupRun();
        throw;
    }
    CleanupRun();
    RefreshDataFieldCaptions();
    return true;
}

bool TQRDesignReport::PreparePagesRun()
{
    return runPrepared([this] { PreparePages(); });
}

bool TQRDesignReport::ExportRun(TQRExportFilter *filter)
{
    return runPrepared([this, filter] { ExportToFilter(filter); });
}

void TQRDesignReport::Print()
{
    runPrepared([this] { TQREReport::Print(); });
}

void TQRDesignReport::Preview()
{
    // The wait for the preview is inside the preparation, so that the
    // report's AfterPreview script runs when the preview closes.
    runPrepared([this] { TQREReport::Preview(); });
}

// --- chained report events ------------------------------------------------------------------------

void TQRDesignReport::runReportScript(const QString &eventName)
{
    if (TQRDLoader *loader = Loader())
        loader->RunScriptEvent(Name(), eventName, nullptr);
}

void TQRDesignReport::designBeforePrint(bool &printReport)
{
    TQRDLoader *loader = Loader();
    if (loader) {
        // Scripts of this run read the run's datasets.
        loader->SetScriptDatasets(&RunDataSets);
        bool scriptResult = true;
        if (loader->RunScriptEvent(Name(), QStringLiteral("BeforePrint"), &scriptResult)) {
            printReport = scriptResult;
            if (!printReport)
                return;
        }
    }
    if (m_saved.beforePrint)
        m_saved.beforePrint(this, printReport);
    if (!printReport)
        return;
    m_summaryPrinted = false;
    if (Owner())
        for (TComponent *c : Owner()->ComponentList())
            if (auto *text = qobject_cast<TQRDesignDBText *>(c))
                text->ResetLastPrinted();
    if (loader)
        loader->CollectDataSets(RunDataSets);
    if (auto *labels = qobject_cast<TQRDesignLoopband *>(m_labelBand.data());
        labels && labels->Name().compare(QLatin1String("LabelBand"), Qt::CaseInsensitive) == 0)
        labels->SetPrintCount(LabelSettings()->LabelCount());
}

void TQRDesignReport::installHandlers()
{
    m_saved.beforePrint = BeforePrint;
    m_saved.afterPrint = AfterPrint;
    m_saved.startPage = OnStartPage;
    m_saved.endPage = OnEndPage;
    m_saved.afterPreview = AfterPreview;
    BeforePrint = [this](TQRCustomReport *, bool &printReport) { designBeforePrint(printReport); };
    auto chain = [this](const QString &eventName, std::function<void(TQRCustomReport *)> SavedHandlers::*kept) {
        return [this, eventName, kept](TQRCustomReport *sender) {
            runReportScript(eventName);
            if (const auto &handler = m_saved.*kept)
                handler(sender);
        };
    };
    AfterPrint = chain(QStringLiteral("AfterPrint"), &SavedHandlers::afterPrint);
    OnStartPage = chain(QStringLiteral("StartPage"), &SavedHandlers::startPage);
    OnEndPage = chain(QStringLiteral("EndPage"), &SavedHandlers::endPage);
    AfterPreview = chain(QStringLiteral("AfterPreview"), &SavedHandlers::afterPreview);
}

void TQRDesignReport::restoreHandlers()
{
    BeforePrint = m_saved.beforePrint;
    AfterPrint = m_saved.afterPrint;
    OnStartPage = m_saved.startPage;
    OnEndPage = m_saved.endPage;
    AfterPreview = m_saved.afterPreview;
    m_saved = SavedHandlers{};
}
