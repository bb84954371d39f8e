#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace testutil {

// Reads a whole file as bytes (empty when it cannot be read).
QByteArray readFile(const QString &path);

// Writes bytes to a file, replacing it; returns false on failure.
bool writeFile(const QString &path, const QByteArray &bytes);

} // namespace testutil
