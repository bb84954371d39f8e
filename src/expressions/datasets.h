#pragma once

// The list of datasets an expression reads its fields from.

#include <QList>

class TDataSet;

using TQRDatasetList = QList<TDataSet *>;
