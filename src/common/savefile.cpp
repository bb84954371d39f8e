#include "savefile.h"

#include <QSaveFile>

bool CommitSaveFile(QSaveFile &file, QString *error)
{
    // flush() pushes out what Qt still holds; its failure is the only sign of a
    // short write, since commit() checks nothing but writes that bypassed the buffer.
    const bool flushed = file.isOpen() && file.flush();
    if (!flushed || file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.error() != QFileDevice::NoError
                         ? file.errorString()
                         : QStringLiteral("the file is not open for writing");
        file.cancelWriting();
        file.commit(); // removes the temporary file; the old file stays
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

bool SaveFileContents(const QString &fileName, const QByteArray &bytes, QString *error)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        file.commit();
        return false;
    }
    return CommitSaveFile(file, error);
}
