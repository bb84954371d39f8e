#pragma once

#include <QStringList>

// tabulon-qr2 sql FILE.QR2 [QUERY]: the SQL lines the query wizard generates
// from the stored inputs of the named wizard query, or of every one in
// component order (blocks separated by an empty line). Returns the exit
// code: 0 printed, 1 unreadable file or no such wizard query.
int RunSqlCommand(const QStringList &args);
