#include "definition/reporteval.h"

#include "data/dataset.h"
#include "engine/report.h"
#include "expressions/environment.h"
#include "expressions/evaluator.h"

#include <exception>

TQRDatasetList QRDReportDatasets(TQRCustomReport *report)
{
    TQRDatasetList list;
    if (!report)
        return list;
    const TComponent *holder = report->Owner() ? report->Owner() : report;
    for (TComponent *c : holder->ComponentList()) {
        const auto *source = qobject_cast<TDataSource *>(c);
        if (source && source->DataSet() && !list.contains(source->DataSet()))
            list.append(source->DataSet());
    }
    return list;
}

namespace
{
// Outside a run the report's environment is idle: its variables are prepared
// for this one evaluation over the report's datasets, and left as they were.
class TEnvironmentUse
{
public:
    TEnvironmentUse(TQREvEnvironment *environment, const TQRDatasetList &datasets)
        : m_environment(environment && !environment->IsEngaged() ? environment : nullptr)
    {
        if (!m_environment)
            return;
        m_savedDatasets = *m_environment->Datasets();
        *m_environment->Datasets() = datasets;
        m_environment->Engage();
    }
    ~TEnvironmentUse()
    {
        if (!m_environment)
            return;
        m_environment->Disengage();
        *m_environment->Datasets() = m_savedDatasets;
    }
    TEnvironmentUse(const TEnvironmentUse &) = delete;
    TEnvironmentUse &operator=(const TEnvironmentUse &) = delete;

private:
    TQREvEnvironment *m_environment;
    TQRDatasetList m_savedDatasets;
};
} // namespace

TQREvValue QRDEvaluate(const QString &expression, TQRCustomReport *report)
{
    TQRDatasetList datasets = QRDReportDatasets(report);
    TQREvValue value;
    try {
        TEnvironmentUse use(report ? report->Functions() : nullptr, datasets);
        TQREvaluator evaluator;
        if (report)
            evaluator.SetEnvironment(report->Functions());
        evaluator.SetDatasets(&datasets);
        evaluator.ComputeText(expression, value);
    } catch (const EQREvaluatorError &e) {
        value.SetError(e.Message());
    } catch (const EDatabaseError &e) {
        value.SetError(e.Message());
    } catch (const std::exception &e) {
        // A dataset that fails while a field is read must not take the caller down.
        value.SetError(QString::fromLocal8Bit(e.what()));
    }
    return value;
}

bool QRDCondition(const QString &expression, TQRCustomReport *report)
{
    if (expression.isEmpty())
        return true;
    const TQREvValue value = QRDEvaluate(expression, report);
    return value.ValueKind == rkBoolean ? value.BoolValue : true;
}
