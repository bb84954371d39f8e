#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <functional>

namespace testutil {

// Reads a whole file as bytes (empty when it cannot be read).
QByteArray readFile(const QString &path);

// Writes bytes to a file, replacing it; returns false on failure.
bool writeFile(const QString &path, const QByteArray &bytes);

// Runs body in a forked child whose files may grow to at most limitBytes
// (writes past it fail with EFBIG; SIGXFSZ is ignored, as a full disk would
// behave) and returns the child's result: body's return value, or 100 + the
// signal number when the child died. Lets a test show that a save which cannot
// be completed is refused and leaves the old file.
int runWithFileSizeLimit(qint64 limitBytes, const std::function<int()> &body);

} // namespace testutil
