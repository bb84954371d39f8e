#pragma once

// Saving a whole file safely: the new contents go to a temporary file that
// replaces the old one only once every byte has reached the disk. Qt keeps
// small writes in its own buffer, so a QSaveFile that reports a successful
// write may still fail when that buffer is flushed (a full disk, a file-size
// limit); commit() alone does not notice, and the old file would be replaced
// by a cut-off one. Every writer that saves through QSaveFile finishes with
// CommitSaveFile.

#include <QByteArray>
#include <QString>

class QSaveFile;

// Flushes file, and commits it only when no write failed; otherwise the
// temporary file is removed and the old file stays. error receives the
// cause on failure. file must have been opened for writing.
bool CommitSaveFile(QSaveFile &file, QString *error = nullptr);

// Writes bytes as the whole new contents of fileName (the old file stays
// until the new one is complete). error receives the cause on failure.
bool SaveFileContents(const QString &fileName, const QByteArray &bytes, QString *error = nullptr);
