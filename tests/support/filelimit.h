#pragma once

#include <QtGlobal>
#include <functional>

namespace testutil
{

// Runs body in a forked child whose files may grow to at most limitBytes
// (writes past it fail with EFBIG; SIGXFSZ is ignored, as a full disk would
// behave) and returns the child's result: body's return value, or 100 + the
// signal number when the child died. Lets a test show that a save which cannot
// be completed is refused and leaves the old file.
int runWithFileSizeLimit(qint64 limitBytes, const std::function<int()> &body);

} // namespace testutil
