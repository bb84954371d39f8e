#pragma once

// What the report engine and the expression builder do with expression variables, kept apart from
// any window so that it can be used and tested alone.

#include "expressions/datasets.h"
#include "expressions/value.h"

#include <QString>

class TParam;
class TParams;
class TQREvEnvironment;

// Adds the variables every report environment starts with: PAGENUMBER (0), COLUMNNUMBER (0) and
// REPORTTITLE ('').
void QREvAddReportVariables(TQREvEnvironment &environment);

// Gives a query parameter a value by the parameter's data type: a string parameter from a string,
// a small-integer, integer or word parameter from an integer, a boolean from a boolean, a floating,
// currency or BCD parameter from a floating value, a date, time or date-time parameter from a
// string read with the locale's formats. Any other pairing, and a text that is no date or time,
// leaves the parameter unchanged (false).
bool QREvAssignParamValue(TParam &param, const TQREvValue &value);

// Every parameter whose name is a variable of the environment takes that variable's value.
// Returns the number of parameters changed.
int QREvAssignVariablesToParams(TParams &params, TQREvEnvironment &environment);

// The builder's "Validate": prepares the global and the local environment, computes the text
// (line breaks removed) once with a new evaluator over the datasets and the local environment,
// unprepares the environments, and returns the message to show: "ERROR: " and the message for an
// error value, else "There are no errors. The result is : " and the value's text form.
QString QREvValidateExpression(const QString &text, TQRDatasetList *datasets, TQREvEnvironment *local);
