#pragma once

// One-off evaluation of an expression against a report: print conditions and
// SQL template macros use it.

#include "expressions/datasets.h"
#include "expressions/value.h"

#include <QString>

class TComponent;
class TQRCustomReport;

// The datasets an expression against the report can read: those of every data
// source owned by the report's owner (the report itself when it has none), in
// component order, each once.
TQRDatasetList QRDReportDatasets(TQRCustomReport *report);

// Evaluates expression once with a fresh evaluator prepared with the report's
// Functions environment and the report's datasets. Never raises: problems come
// back as an rkError value. A null report evaluates without environment and datasets.
TQREvValue QRDEvaluate(const QString &expression, TQRCustomReport *report);

// A print condition: an empty text is true; a Boolean result gives its value;
// any other result, an error included, counts as true.
bool QRDCondition(const QString &expression, TQRCustomReport *report);
