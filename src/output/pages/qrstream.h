#pragma once

// The byte stream recorded pages live in: it starts in memory and moves
// itself into a temporary file once it holds more than its memory limit, so
// that long reports do not exhaust memory. The temporary file is created
// securely in the system temporary directory with a name beginning "QRP"
// and is deleted when the stream is freed. A stream can also be opened
// read-only on an existing page file.
//
// Every read, write and seek takes the stream's lock; callers that need
// several operations to be atomic hold Lock() around them.

#include <QByteArray>
#include <QFile>
#include <QRecursiveMutex>
#include <QString>
#include <QTemporaryFile>
#include <memory>

class TQRStream
{
public:
    static constexpr qint64 DefaultMemoryLimit = 100000;

    explicit TQRStream(qint64 memoryLimit = DefaultMemoryLimit);
    ~TQRStream();
    TQRStream(const TQRStream &) = delete;
    TQRStream &operator=(const TQRStream &) = delete;

    // Opens an existing file for reading only; null (with error set) when it cannot be opened.
    static std::unique_ptr<TQRStream> OpenReadOnly(const QString &fileName, QString *error = nullptr);

    qint64 Size() const;
    qint64 Pos() const;
    // False when pos is negative or (for reading streams) beyond the end.
    bool Seek(qint64 pos);
    // Bytes read; fewer than asked at the end of the stream.
    qint64 Read(char *data, qint64 maxSize);
    // True when all bytes were written (false on read-only streams or I/O errors).
    bool Write(const char *data, qint64 size);
    bool Write(const QByteArray &bytes) { return Write(bytes.constData(), bytes.size()); }
    // Reads exactly size bytes, or returns false.
    bool ReadExact(char *data, qint64 size);
    bool ReadInt32(qint32 *value);
    bool WriteInt32(qint32 value);

    bool ReadOnly() const { return m_readOnly; }
    bool InMemory() const { return !m_file; }
    // The temporary file once the stream has spilled, or the file opened read-only.
    QString FileName() const;
    QString ErrorString() const;

    QRecursiveMutex &Lock() const { return m_lock; }

private:
    bool spill();

    mutable QRecursiveMutex m_lock;
    qint64 m_limit = DefaultMemoryLimit;
    QByteArray m_memory;
    qint64 m_pos = 0;
    std::unique_ptr<QFile> m_file; // a QTemporaryFile while writing
    // Size of the temporary file, kept here: asking the file flushes it and
    // costs a system call, once per page.
    qint64 m_fileSize = -1;
    bool m_readOnly = false;
    QString m_error;
};
