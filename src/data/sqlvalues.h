#pragma once

// How values are handed to the database driver (internal to the dataset layer).

#include <QVariant>

class TDbConnection;

// SQLite keeps dates and times as ISO texts ("2024-03-01", "10:20:30",
// "2024-03-01 10:20:30"); other databases get the typed values.
QVariant DriverValue(const TDbConnection &connection, const QVariant &value);
