// Sheets of labels: the label report's preparation (copies per label, spacer
// bands that skip the used positions of the first sheet) and the child band
// that counts its prints per page and leaves the row space out after the last
// row of a column.

#include "engine/band.h"
#include "engine/report.h"

#include <cmath>

namespace
{
const QString RowSpaceName = QStringLiteral("RowSpace");

double nativeHeight(const TQRCustomBand *band)
{
    return band ? band->Size()->NativeValue(TQRBandSize::HeightIndex) : 0;
}

bool named(const TComponent *c, const QString &name)
{
    return c->Name().compare(name, Qt::CaseInsensitive) == 0;
}
} // namespace

// --- TQREChildBand ---------------------------------------------------------------------

TQREChildBand::TQREChildBand(TComponent *owner) : TQRChildBand(owner) {}

void TQREChildBand::SetPagePrints(int v)
{
    m_pagePrints = v;
    if (v == 0)
        m_lastPage = 0;
}

void TQREChildBand::DoBeforePrint(bool &printBand)
{
    TQRCustomReport *report = ParentReport();
    const int page = report ? report->PageNo : 0;
    m_pagePrints = page != m_lastPage ? 1 : m_pagePrints + 1;
    m_lastPage = page;

    if (report && ParentBand() && named(this, RowSpaceName)) {
        int n = m_pagePrints;
        // Page 1 starts after the skipped positions. A report that is not a
        // label report (FirstLabel 0) skips nothing.
        if (page == 1)
            if (auto *labels = qobject_cast<TQREReport *>(report))
                n += std::max(labels->LabelSettings()->FirstLabel(), 1) - 1;
        // No row space under the last row of a column.
        if (n % TQREReport::LabelsPerColumn(report, ParentBand(), this) == 0)
            printBand = false;
    }
    TQRChildBand::DoBeforePrint(printBand);
}

// --- TQREReport ------------------------------------------------------------------------

TQREReport::TQREReport(TComponent *owner) : TQRReport(owner), m_labelSettings(new TLabelSettings(this)) {}

TQREReport::~TQREReport()
{
    // The spacer bands belong to the report's owner; they go with the report.
    CleanupLabels();
}

int TQREReport::LabelsPerColumn(const TQRCustomReport *report, const TQRCustomBand *labelBand,
                                const TQRCustomBand *rowSpace)
{
    const TQRPage *page = report->Page();
    const double printable = page->NativeValue(TQRPage::LengthIndex) -
                             page->NativeValue(TQRPage::TopMarginIndex) -
                             page->NativeValue(TQRPage::BottomMarginIndex);
    const double row = nativeHeight(labelBand) + nativeHeight(rowSpace);
    if (row <= 0)
        return 1;
    // A label (with its row space) more than twice as tall as the printable
    // page rounds to 0 rows; it still takes a column of its own, so 1.
    const long rows = std::lround((printable + nativeHeight(rowSpace)) / row);
    return int(std::clamp(rows, 1L, 1000000L));
}

bool TQREReport::PrepareLabels()
{
    if (m_labelsPrepared)
        return true;
    if (!Idle)
        return false;
    m_labelsPrepared = true;

    TComponent *holder = Owner() ? Owner() : this;
    TComponent *found = holder->FindComponent(QStringLiteral("LabelBand"));
    if (!found)
        found = holder->FindComponent(QStringLiteral("DetailBand"));
    auto *labelBand = qobject_cast<TQRCustomBand *>(found);
    auto *labelLoop = qobject_cast<TQRLoopBand *>(labelBand);
    if (labelLoop && named(labelLoop, QStringLiteral("LabelBand")))
        labelLoop->SetPrintCount(m_labelSettings->LabelCount());

    const int firstLabel = m_labelSettings->FirstLabel();
    if (firstLabel <= 1 || !labelBand)
        return true;

    // The spacer: a band of height 0 that prints once before the first label,
    // with a chain of child bands under it.
    TQRCustomBand *spacer;
    if (labelLoop) {
        auto *loop = new TQRLoopBand(holder);
        loop->SetParent(this);
        loop->SetMaster(this);
        loop->SetPrintCount(1);
        m_movedLabelBand = labelLoop;
        m_labelBandMaster = labelLoop->Master();
        labelLoop->SetMaster(loop);
        spacer = loop;
    } else {
        auto *group = new TQRGroup(holder);
        group->SetParent(this);
        group->SetMaster(this);
        spacer = group;
    }
    spacer->Size()->SetNativeValue(TQRBandSize::HeightIndex, 0);
    m_spacerBands.append(spacer);

    TQRCustomBand *rowSpace = qobject_cast<TQRCustomBand *>(holder->FindComponent(RowSpaceName));
    const int perColumn = LabelsPerColumn(this, labelBand, rowSpace);
    int skip = firstLabel - 1;
    int columns = 0;
    while (skip >= perColumn) {
        skip -= perColumn;
        ++columns;
    }

    // The first forced column break of a run in column 1 is not performed, so
    // the first child's break only arms the next one; every further child
    // moves one column on. Two children move one column; a start further on
    // the sheet gets one more child per further column.
    const int childCount = std::max(2, columns + 1);
    TQRCustomBand *parent = spacer;
    for (int i = 0; i < childCount; ++i) {
        auto *child = new TQREChildBand(holder);
        child->SetParent(this);
        child->SetParentBand(parent);
        child->SetForceNewColumn(columns > 0);
        child->Size()->SetNativeValue(TQRBandSize::HeightIndex, 0);
        m_spacerBands.append(child);
        parent = child;
    }
    // The last child fills the skipped rows of the column the labels start in.
    parent->Size()->SetNativeValue(TQRBandSize::HeightIndex,
                                   skip * (nativeHeight(labelBand) + nativeHeight(rowSpace)));
    return true;
}

void TQREReport::CleanupLabels()
{
    if (!m_labelsPrepared)
        return;
    m_labelsPrepared = false;
    if (m_movedLabelBand)
        m_movedLabelBand->SetMaster(m_labelBandMaster);
    m_movedLabelBand = nullptr;
    m_labelBandMaster = nullptr;
    // Children first, the last of the chain first.
    while (!m_spacerBands.isEmpty())
        delete m_spacerBands.takeLast().data();
}

void TQREReport::CreateReport(bool composite)
{
    if (!Idle || !RunPrinter())
        return;
    const bool ownPreparation = !m_labelsPrepared;
    if (ownPreparation && !PrepareLabels())
        return;
    struct Cleanup {
        TQREReport *report;
        bool active;
        ~Cleanup()
        {
            if (active)
                report->CleanupLabels();
        }
    } cleanup{this, ownPreparation};
    for (TQRCustomBand *band : ChildBands())
        if (auto *counted = qobject_cast<TQREChildBand *>(band))
            counted->SetPagePrints(0);
    TQRReport::CreateReport(composite);
}
