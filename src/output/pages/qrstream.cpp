#include "qrstream.h"

#include <QDir>
#include <QtEndian>
#include <cstring>

TQRStream::TQRStream(qint64 memoryLimit) : m_limit(memoryLimit) {}

TQRStream::~TQRStream()
{
    // A QTemporaryFile removes itself when freed.
    m_file.reset();
}

std::unique_ptr<TQRStream> TQRStream::OpenReadOnly(const QString &fileName, QString *error)
{
    auto file = std::make_unique<QFile>(fileName);
    if (!file->open(QIODevice::ReadOnly)) {
        if (error)
            *error = file->errorString();
        return nullptr;
    }
    std::unique_ptr<TQRStream> s(new TQRStream(DefaultMemoryLimit));
    s->m_file = std::move(file);
    s->m_readOnly = true;
    return s;
}

qint64 TQRStream::Size() const
{
    QMutexLocker lock(&m_lock);
    if (m_file)
        return m_fileSize >= 0 ? m_fileSize : m_file->size();
    return m_memory.size();
}

qint64 TQRStream::Pos() const
{
    QMutexLocker lock(&m_lock);
    return m_file ? m_file->pos() : m_pos;
}

bool TQRStream::Seek(qint64 pos)
{
    QMutexLocker lock(&m_lock);
    if (pos < 0)
        return false;
    if (m_file) {
        if (m_readOnly && pos > m_file->size())
            return false;
        return m_file->seek(pos);
    }
    if (pos > m_memory.size())
        m_memory.resize(pos, '\0');
    m_pos = pos;
    return true;
}

qint64 TQRStream::Read(char *data, qint64 maxSize)
{
    QMutexLocker lock(&m_lock);
    if (maxSize <= 0)
        return 0;
    if (m_file) {
        const qint64 n = m_file->read(data, maxSize);
        return n < 0 ? 0 : n;
    }
    const qint64 n = qMin(maxSize, qint64(m_memory.size()) - m_pos);
    if (n <= 0)
        return 0;
    std::memcpy(data, m_memory.constData() + m_pos, size_t(n));
    m_pos += n;
    return n;
}

bool TQRStream::ReadExact(char *data, qint64 size)
{
    QMutexLocker lock(&m_lock);
    return Read(data, size) == size;
}

bool TQRStream::ReadInt32(qint32 *value)
{
    char b[4];
    if (!ReadExact(b, 4))
        return false;
    *value = qFromLittleEndian<qint32>(b);
    return true;
}

bool TQRStream::WriteInt32(qint32 value)
{
    char b[4];
    qToLittleEndian<qint32>(value, b);
    return Write(b, 4);
}

bool TQRStream::spill()
{
    auto temp = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/QRPXXXXXX.tmp"));
    temp->setAutoRemove(true);
    if (!temp->open()) {
        m_error = temp->errorString();
        return false;
    }
    // Qt may create the file unnamed; asking for its name links it into the
    // directory, so that it can be found (and cleaned up) by its prefix.
    (void)temp->fileName();
    if (temp->write(m_memory) != m_memory.size() || !temp->seek(m_pos)) {
        m_error = temp->errorString();
        return false;
    }
    m_fileSize = m_memory.size();
    m_memory = QByteArray();
    m_file = std::move(temp);
    return true;
}

bool TQRStream::Write(const char *data, qint64 size)
{
    QMutexLocker lock(&m_lock);
    if (m_readOnly) {
        m_error = QStringLiteral("The page stream is read-only");
        return false;
    }
    if (size <= 0)
        return true;
    if (!m_file) {
        const qint64 end = qMax(qint64(m_memory.size()), m_pos + size);
        if (end > m_limit) {
            if (!spill())
                return false;
        } else {
            if (end > m_memory.size())
                m_memory.resize(end);
            std::memcpy(m_memory.data() + m_pos, data, size_t(size));
            m_pos += size;
            return true;
        }
    }
    if (m_file->write(data, size) != size) {
        m_error = m_file->errorString();
        m_fileSize = -1;
        return false;
    }
    m_fileSize = qMax(m_fileSize, m_file->pos());
    return true;
}

QString TQRStream::FileName() const
{
    QMutexLocker lock(&m_lock);
    return m_file ? m_file->fileName() : QString();
}

QString TQRStream::ErrorString() const
{
    QMutexLocker lock(&m_lock);
    return m_error;
}
