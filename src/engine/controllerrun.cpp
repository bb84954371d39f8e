// Running the controllers: the data loop of the report and its sub-details,
// loop and strings bands, and the group headers and footers on the way.

#include "data/dataset.h"
#include "data/params.h"
#include "data/query.h"
#include "engine/band.h"
#include "engine/controller.h"
#include "engine/report.h"
#include "expressions/environment.h"
#include "expressions/evaluator.h"
#include "expressions/reportvariables.h"
#include "output/pages/qrprinter.h"

namespace
{
TDataSet *usableDataSet(TComponent *c)
{
    auto *ds = qobject_cast<TDataSet *>(c);
    return ds && ds->Active() ? ds : nullptr;
}

bool cancelled(TQRCustomReport *report)
{
    return report->CancelRequested || (report->RunPrinter() && report->RunPrinter()->Cancelled());
}

bool sameValue(const TQREvValue &a, const TQREvValue &b)
{
    if (a.ValueKind != b.ValueKind)
        return false;
    switch (a.ValueKind) {
    case rkInteger:
        return a.IntValue == b.IntValue;
    case rkFloat:
        return a.FloatValue == b.FloatValue;
    case rkString:
        return a.Text == b.Text;
    case rkBoolean:
        return a.BoolValue == b.BoolValue;
    case rkError:
        return true;
    }
    return true;
}
} // namespace

// --- groups ------------------------------------------------------------------------------

void TQRGroup::PrepareGroup(TQRCustomReport *report)
{
    Evaluator = std::make_shared<TQREvaluator>();
    if (report) {
        Evaluator->SetDatasets(&report->RunDataSets);
        Evaluator->SetEnvironment(report->Functions());
    }
    Evaluator->Compile(m_expression);
    HasValue = false;
    Changed = false;
    InGroup = false;
    HeaderPage = 1;
}

void TQRGroup::UnprepareGroup()
{
    if (Evaluator)
        Evaluator->Discard();
    Evaluator.reset();
}

void TQRGroup::EvaluateGroup()
{
    Changed = false;
    TQREvValue v = Evaluator && Evaluator->Prepared() ? Evaluator->Compute() : TQREvValue::Error();
    if (!HasValue) {
        StoredValue = v;
        Changed = true;
        HasValue = true;
    } else if (!sameValue(v, StoredValue)) {
        Changed = true;
        StoredValue = v;
    }
}

// --- preparation ------------------------------------------------------------------------------

void TQRCustomController::PrepareController()
{
    for (TQRCustomController *c : m_before)
        c->PrepareController();
    for (TQRCustomController *c : m_after)
        c->PrepareController();
    Variable = nullptr;
    if (m_report && m_owner && m_owner != m_report && !m_owner->Name().isEmpty())
        Variable = m_report->Functions()->VariableElement(m_owner->Name());
}

void TQRCustomController::UnprepareController()
{
    for (TQRCustomController *c : m_before)
        c->UnprepareController();
    for (TQRCustomController *c : m_after)
        c->UnprepareController();
    Variable = nullptr;
}

void TQRCustomController::ReprintGroupHeaders()
{
    for (TQRCustomController *c : m_before)
        c->ReprintGroupHeaders();
    for (TQRCustomController *c : m_after)
        c->ReprintGroupHeaders();
}

void TQRController::PrepareController()
{
    NotifyList.clear();
    TQRCustomController::PrepareController();
    for (TQRGroup *g : m_groups)
        g->PrepareGroup(m_report);
    UpdateQueryParams = false;
    if (auto *q = qobject_cast<TQuery *>(m_dataSet); q && m_report) {
        const TParams &params = q->Params();
        for (int i = 0; i < params.Count(); ++i)
            if (m_report->Functions()->IndexOf(params.Items(i)->Name().toUpper()) >= 0)
                UpdateQueryParams = true;
    }
}

void TQRController::UnprepareController()
{
    TQRCustomController::UnprepareController();
    for (TQRGroup *g : m_groups)
        g->UnprepareGroup();
}

int TQRController::RecordCount() const
{
    TDataSet *ds = m_report ? usableDataSet(m_report->DataSet()) : nullptr;
    if (!ds)
        return 1;
    try {
        return ds->RecordCount();
    } catch (...) {
        return 1;
    }
}

// --- groups in the data loop --------------------------------------------------------------

bool TQRController::CheckGroups()
{
    qsizetype changedAt = -1;
    for (qsizetype i = 0; i < m_groups.size(); ++i) {
        m_groups[i]->EvaluateGroup();
        if (m_groups[i]->Changed) {
            changedAt = i;
            break;
        }
    }
    if (changedAt < 0)
        return false;
    // A change of an outer group restarts every inner one.
    for (qsizetype i = changedAt + 1; i < m_groups.size(); ++i) {
        TQRGroup *g = m_groups[i];
        g->StoredValue = g->Evaluator ? g->Evaluator->Compute() : TQREvValue::Error();
        g->HasValue = true;
        g->Changed = true;
    }
    return true;
}

void TQRController::PrintGroupHeaders()
{
    for (TQRGroup *g : m_groups)
        if (g->Changed) {
            m_report->PrintBand(g);
            g->InGroup = true;
            g->HeaderPage = m_report->PageNo;
        }
}

void TQRController::PrintGroupFooters()
{
    for (auto it = m_groups.crbegin(); it != m_groups.crend(); ++it)
        if ((*it)->Changed) {
            m_report->PrintBand((*it)->FooterBand());
            (*it)->InGroup = false;
        }
}

void TQRController::ReprintGroupHeaders()
{
    if (!m_report)
        return;
    for (TQRGroup *g : m_groups)
        if (g->Changed)
            return;
    for (TQRCustomController *c : m_before)
        c->ReprintGroupHeaders();
    bool any = false;
    for (TQRGroup *g : m_groups) {
        if (!any) {
            g->Changed = g->ReprintOnNewPage() && g->InGroup && g->HeaderPage != m_report->PageNo;
            if (g->Changed) {
                g->HeaderPage = m_report->PageNo;
                any = true;
            }
        } else {
            g->StoredValue = g->Evaluator ? g->Evaluator->Compute() : TQREvValue::Error();
            g->HasValue = true;
            g->Changed = true;
        }
    }
    if (any)
        PrintGroupHeaders();
    for (TQRCustomController *c : m_after)
        c->ReprintGroupHeaders();
}

// --- execution --------------------------------------------------------------------------------

void TQRController::PrintEmpty()
{
    if (!m_report)
        return;
    m_report->PrintBand(m_header);
    for (TQRCustomController *c : m_before)
        c->Execute();
    m_report->PrintBand(m_detail);
    for (TQRCustomController *c : m_after)
        c->Execute();
    m_report->PrintBand(m_footer);
}

void TQRController::Execute()
{
    for (TQRGroup *g : m_groups)
        g->HasValue = false;
    TDataSet *ds = usableDataSet(m_dataSet);
    TQRCustomReport *report = m_report;
    // A sub-detail always forwards to its band's event, which may be empty.
    auto *subBand = qobject_cast<TQRSubDetail *>(m_owner);
    const bool hasNeedData = OnNeedData && (!subBand || subBand->OnNeedData);
    if ((!ds && !hasNeedData) || !report) {
        if (m_printIfEmpty && report)
            PrintEmpty();
        return;
    }
    const bool designing = report->IsDesigning();
    const bool isReportController = report->Controller() == this;
    bool moreData = true;
    int recordCount = 0;
    const bool reportsProgress = qobject_cast<TQRReport *>(report) && ds && report->DataSet() == m_dataSet;
    if (ds) {
        if (UpdateQueryParams)
            if (auto *q = qobject_cast<TQuery *>(ds)) {
                q->Close();
                QREvAssignVariablesToParams(q->Params(), *report->Functions());
                q->Open();
            }
        ds->First();
        moreData = !ds->Eof();
        if (qobject_cast<TQRReport *>(report))
            recordCount = RecordCount();
        if (!moreData && m_printIfEmpty)
            PrintEmpty();
    } else if (!designing) {
        OnNeedData(m_owner, moreData);
    }

    DetailNo = 0;
    if (m_detail)
        m_detail->DetailNotifier = this;
    if (!moreData)
        return;

    report->ProcessMessages();
    if (report->CancelRequested)
        return;
    if (m_header) {
        report->PrintBand(m_header);
        if (isReportController)
            report->SkipForcedPage = true;
    }
    if (report->PageNo <= 1 && isReportController) {
        TQRBand *columnHeader = report->FindBand(QR::rbColumnHeader);
        if (columnHeader && columnHeader->Enabled()) {
            report->PrintBand(columnHeader);
            report->SkipForcedPage = true;
        }
    }
    CheckGroups();
    while (moreData) {
        report->ProcessMessages();
        if (cancelled(report))
            return;
        ++DetailNo;
        PrintGroupHeaders();
        for (TQRCustomController *c : m_before)
            c->Execute();
        report->PrintBand(m_detail);
        for (TQRCustomController *c : m_after)
            c->Execute();
        if (ds) {
            ds->Next();
            moreData = !ds->Eof();
        } else {
            moreData = false;
            if (!designing)
                OnNeedData(m_owner, moreData);
        }
        if (CheckGroups()) {
            // Footers see the last record of the group they close.
            if (ds)
                ds->Prior();
            PrintGroupFooters();
            if (ds)
                ds->Next();
        }
        if (reportsProgress && recordCount != 0 && report->RunPrinter())
            report->RunPrinter()->ReportProgress(int(qint64(DetailNo) * 100 / recordCount));
    }
    for (TQRGroup *g : m_groups)
        g->Changed = !g->Changed;
    PrintGroupFooters();
    if (m_footer) {
        if (report->PageNo == 0)
            report->StartPage();
        report->PrintBand(m_footer);
    }
}

void TQRLoopController::Execute()
{
    auto *band = qobject_cast<TQRLoopBand *>(m_owner);
    if (!band || !m_report)
        return;
    for (int i = 0; i < band->PrintCount(); ++i) {
        if (cancelled(m_report))
            break;
        Index = i;
        if (Variable)
            TQREvEnvironment::SetVariableInteger(Variable, i);
        for (TQRCustomController *c : m_before)
            c->Execute();
        m_report->PrintBand(band);
        for (TQRCustomController *c : m_after)
            c->Execute();
    }
    Index = 0;
}

void TQRStringsController::Execute()
{
    auto *band = qobject_cast<TQRStringsBand *>(m_owner);
    if (!band || !m_report)
        return;
    const QStringList items = band->Items();
    for (int i = 0; i < items.size(); ++i) {
        if (cancelled(m_report))
            break;
        Index = i;
        if (Variable)
            TQREvEnvironment::SetVariableText(Variable, items[i].left(255));
        for (TQRCustomController *c : m_before)
            c->Execute();
        m_report->PrintBand(band);
        for (TQRCustomController *c : m_after)
            c->Execute();
    }
    Index = -1;
}
