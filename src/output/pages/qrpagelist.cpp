#include "qrpagelist.h"

#include "qrcompress.h"
#include "qrerror.h"

#include "common/savefile.h"

#include <QSaveFile>
#include <QtEndian>
#include <cmath>
#include <limits>

namespace
{
const QDateTime &epoch()
{
    static const QDateTime e(QDate(1899, 12, 30), QTime(0, 0));
    return e;
}

// The smallest record: number, next position, start position.
constexpr qint64 kMinRecord = 12;
} // namespace

TQRPageList::TQRPageList() : m_stream(std::make_unique<TQRStream>()) {}

TQRPageList::TQRPageList(std::unique_ptr<TQRStream> stream) : m_stream(std::move(stream)) {}

double TQRPageList::ToDelphiDateTime(const QDateTime &when)
{
    const QDateTime local = when.toLocalTime();
    const qint64 days = epoch().date().daysTo(local.date());
    return double(days) + local.time().msecsSinceStartOfDay() / 86400000.0;
}

QDateTime TQRPageList::FromDelphiDateTime(double value)
{
    if (!std::isfinite(value) || std::fabs(value) > 3.0e6)
        return {};
    double whole = std::floor(value);
    qint64 msecs = qint64(std::llround((value - whole) * 86400000.0));
    if (msecs >= 86400000) {
        whole += 1;
        msecs -= 86400000;
    }
    return QDateTime(epoch().date().addDays(qint64(whole)), QTime::fromMSecsSinceStartOfDay(int(msecs)));
}

int TQRPageList::PageCount() const
{
    QMutexLocker lock(&m_lock);
    return m_pageCount;
}

bool TQRPageList::Compressed() const
{
    QMutexLocker lock(&m_lock);
    return m_pageCount > 0 || m_stream->ReadOnly() ? m_headerCompression : m_compression;
}

void TQRPageList::SetCompression(bool on)
{
    QMutexLocker lock(&m_lock);
    m_compression = on;
}

QDateTime TQRPageList::CreationDateTime() const
{
    QMutexLocker lock(&m_lock);
    return FromDelphiDateTime(m_created);
}

void TQRPageList::SetCreationDateTime(const QDateTime &when)
{
    QMutexLocker lock(&m_lock);
    m_created = ToDelphiDateTime(when);
}

bool TQRPageList::writeHeader()
{
    char h[HeaderSize] = {};
    qToLittleEndian<quint16>(FormatNumber1, h);
    qToLittleEndian<quint16>(FormatNumber2, h + 2);
    qToLittleEndian<qint32>(m_pageCount, h + 8);
    qToLittleEndian<double>(m_created, h + 16);
    h[25] = m_headerCompression ? 1 : 0;
    QMutexLocker slock(&m_stream->Lock());
    const qint64 back = m_stream->Pos();
    const bool ok = m_stream->Seek(0) && m_stream->Write(h, HeaderSize);
    m_stream->Seek(back);
    return ok;
}

bool TQRPageList::ReadHeader(QString *error)
{
    QMutexLocker lock(&m_lock);
    QMutexLocker slock(&m_stream->Lock());
    const qint64 size = m_stream->Size();
    char h[HeaderSize];
    if (size < HeaderSize || !m_stream->Seek(0) || !m_stream->ReadExact(h, HeaderSize)) {
        if (error)
            *error = QStringLiteral("the file is too short for a stored report");
        return false;
    }
    if (qFromLittleEndian<quint16>(h) != FormatNumber1 ||
        qFromLittleEndian<quint16>(h + 2) != FormatNumber2) {
        if (error)
            *error = QStringLiteral("the file is not a stored report");
        return false;
    }
    const qint32 count = qFromLittleEndian<qint32>(h + 8);
    if (count < 0 || qint64(count) > (size - HeaderSize) / kMinRecord) {
        if (error)
            *error = QStringLiteral("the page count %1 does not fit the file").arg(count);
        return false;
    }
    m_pageCount = count;
    m_created = qFromLittleEndian<double>(h + 16);
    m_headerCompression = h[25] == 1;
    m_compression = m_headerCompression;
    m_stream->Seek(HeaderSize);
    return true;
}

void TQRPageList::AddPage(const char *pageBytes, qsizetype size)
{
    QMutexLocker lock(&m_lock);
    QMutexLocker slock(&m_stream->Lock());
    if (m_pageCount == 0) {
        m_headerCompression = m_compression;
        if (m_created == 0)
            m_created = ToDelphiDateTime(QDateTime::currentDateTime());
    }
    ++m_pageCount;
    bool ok = true;
    if (m_pageCount == 1)
        ok = writeHeader();
    const qint64 start = m_stream->Size();
    const char *payload = pageBytes;
    qsizetype payloadSize = size;
    if (m_headerCompression) {
        payloadSize = TQRCompress::CompressInto(pageBytes, size, &m_compressed);
        payload = m_compressed.constData();
    }
    // Next-record position, known before anything is written.
    const qint64 end = start + 4 + 4 + (m_headerCompression ? 4 : 0) + payloadSize + 4;
    if (end > std::numeric_limits<qint32>::max() || size > std::numeric_limits<qint32>::max()) {
        --m_pageCount;
        throw EQRError(QStringLiteral("The page file is larger than a stored report can be"));
    }
    char head[12];
    qToLittleEndian<qint32>(m_pageCount, head);
    qToLittleEndian<qint32>(qint32(end), head + 4);
    qToLittleEndian<qint32>(qint32(size), head + 8);
    char tail[4];
    qToLittleEndian<qint32>(qint32(start), tail);
    ok = ok && m_stream->Seek(start) && m_stream->Write(head, m_headerCompression ? 12 : 8) &&
         m_stream->Write(payload, payloadSize) && m_stream->Write(tail, 4);
    if (!ok) {
        --m_pageCount;
        throw EQRError(QStringLiteral("Cannot write the page file: %1").arg(m_stream->ErrorString()));
    }
}

void TQRPageList::Finish()
{
    QMutexLocker lock(&m_lock);
    if (m_stream->ReadOnly())
        return;
    // Also an empty document gets its header, so that a saved empty report can be loaded.
    if (m_pageCount == 0) {
        m_headerCompression = m_compression;
        if (m_created == 0)
            m_created = ToDelphiDateTime(QDateTime::currentDateTime());
    }
    if (!writeHeader())
        throw EQRError(QStringLiteral("Cannot write the page file: %1").arg(m_stream->ErrorString()));
}

bool TQRPageList::seekRecord(int n, qint64 size)
{
    // A record start is valid when a whole minimal record fits behind it.
    auto valid = [size](qint64 p) { return p >= HeaderSize && p + kMinRecord <= size; };
    const qint64 current = m_stream->Pos();
    qint64 pos;
    if (n == 1) {
        pos = HeaderSize;
    } else {
        qint32 last = 0;
        if (!m_stream->Seek(size - 4) || !m_stream->ReadInt32(&last) || !valid(last))
            return false;
        if (n == m_pageCount) {
            pos = last;
        } else {
            pos = current;
            if (pos >= size || !valid(pos))
                pos = last;
        }
    }
    // Each step moves strictly forward or backward inside the stream, so the
    // walk ends even on forged positions; it needs at most PageCount steps.
    for (int steps = 0; steps <= m_pageCount + 1; ++steps) {
        if (!valid(pos) || !m_stream->Seek(pos))
            return false;
        qint32 number = 0;
        if (!m_stream->ReadInt32(&number))
            return false;
        if (number == n)
            return m_stream->Seek(pos);
        if (number < n) {
            qint32 next = 0;
            if (!m_stream->ReadInt32(&next) || next <= pos)
                return false;
            pos = next;
        } else {
            qint32 previous = 0;
            if (!m_stream->Seek(pos - 4) || !m_stream->ReadInt32(&previous) || previous >= pos)
                return false;
            pos = previous;
        }
    }
    return false;
}

bool TQRPageList::GetPage(int n, QByteArray *pageBytes)
{
    QMutexLocker lock(&m_lock);
    QMutexLocker slock(&m_stream->Lock());
    pageBytes->clear();
    if (n < 1 || n > m_pageCount)
        return false;
    const qint64 size = m_stream->Size();
    if (!seekRecord(n, size))
        return false;
    const qint64 start = m_stream->Pos();
    qint32 number = 0, next = 0;
    if (!m_stream->ReadInt32(&number) || !m_stream->ReadInt32(&next))
        return false;
    const qint64 dataStart = m_stream->Pos();
    const qint64 dataLength = qint64(next) - dataStart; // page bytes and the trailing start position
    if (next > size || dataLength < 4) {
        m_stream->Seek(start);
        return false;
    }
    bool ok = false;
    if (!m_headerCompression) {
        pageBytes->resize(dataLength - 4);
        ok = m_stream->ReadExact(pageBytes->data(), dataLength - 4);
    } else if (dataLength >= 8) {
        qint32 length = 0;
        QByteArray bits(dataLength - 8, Qt::Uninitialized);
        ok = m_stream->ReadInt32(&length) && m_stream->ReadExact(bits.data(), bits.size()) &&
             TQRCompress::ExpandBytes(bits.constData(), bits.size(), length, pageBytes);
    }
    qint32 self = 0;
    ok = ok && m_stream->ReadInt32(&self);
    if (!ok) {
        pageBytes->clear();
        m_stream->Seek(start);
    }
    return ok;
}

bool TQRPageList::SaveToFile(const QString &fileName, QString *error) const
{
    QMutexLocker lock(&m_lock);
    QSaveFile out(fileName);
    if (!out.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("Cannot create %1: %2").arg(fileName, out.errorString());
        return false;
    }
    QMutexLocker slock(&m_stream->Lock());
    const qint64 back = m_stream->Pos();
    const qint64 size = m_stream->Size();
    bool ok = m_stream->Seek(0);
    char block[10240];
    for (qint64 done = 0; ok && done < size;) {
        const qint64 n = m_stream->Read(block, qMin<qint64>(sizeof block, size - done));
        ok = n > 0 && out.write(block, n) == n;
        done += n;
    }
    m_stream->Seek(back);
    QString cause = out.errorString();
    if (!ok) {
        out.cancelWriting();
        out.commit();
    }
    if (!ok || !CommitSaveFile(out, &cause)) {
        if (error)
            *error = QStringLiteral("Cannot write %1: %2").arg(fileName, cause);
        return false;
    }
    return true;
}
