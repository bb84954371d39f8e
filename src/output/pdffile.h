#pragma once

// The object layer of a PDF file: numbered objects and streams written one
// after the other, the cross-reference table and trailer at the end, and the
// small encoders every part of the writer shares (numbers, names, strings,
// deflated streams).

#include <QByteArray>
#include <QString>
#include <vector>

class QIODevice;
struct libdeflate_compressor;

// Deflates bytes into zlib streams; one per thread, as the compressor keeps state.
class TQRPdfDeflater
{
public:
    explicit TQRPdfDeflater(int level = 6);
    ~TQRPdfDeflater();
    TQRPdfDeflater(const TQRPdfDeflater &) = delete;
    TQRPdfDeflater &operator=(const TQRPdfDeflater &) = delete;
    // data as a zlib stream (what /FlateDecode reads).
    QByteArray Deflate(const char *data, qsizetype size);
    QByteArray Deflate(const QByteArray &data) { return Deflate(data.constData(), data.size()); }

private:
    libdeflate_compressor *m_compressor;
};

// Appends v to out as a PDF number with at most decimals digits after the point.
void PdfAppendNumber(QByteArray &out, double v, int decimals = 3);
// Appends a PDF name (with the slash) for any text: bytes outside the regular characters escaped.
void PdfAppendName(QByteArray &out, const QByteArray &name);
// Appends a PDF text string: as it stands when it is printable ASCII, else UTF-16 with a byte order mark.
void PdfAppendTextString(QByteArray &out, const QString &text);
// Appends bytes as a literal string, the characters PDF treats specially escaped.
void PdfAppendLiteral(QByteArray &out, const char *data, qsizetype size);

// Writes a PDF file object by object onto a device.
class TQRPdfFile
{
public:
    explicit TQRPdfFile(QIODevice *device);
    // The header; first thing written.
    void Begin();
    // A new object number, to refer to before the object is written.
    int Reserve();
    // Object n with body (a dictionary, array or value).
    void Object(int n, const QByteArray &body);
    // Stream object n: dict holds the entries besides /Length and /Filter. With deflate the data is
    // compressed here; with alreadyDeflated it was compressed by the caller.
    void Stream(int n, const QByteArray &dict, const QByteArray &data, bool deflate = true,
                bool alreadyDeflated = false);
    // The cross-reference table and the trailer; false when writing failed on the way.
    bool Finish(int catalog, int info);
    // False once a write to the device failed.
    bool Ok() const { return m_ok; }
    // Bytes written so far.
    qint64 Offset() const { return m_offset + m_buffer.size(); }

private:
    void write(const QByteArray &bytes);
    void write(const char *data, qsizetype size);
    void flush();
    void start(int n);

    QIODevice *m_device;
    QByteArray m_buffer;
    qint64 m_offset = 0;
    std::vector<qint64> m_offsets; // by object number; -1 while only reserved
    bool m_ok = true;
    TQRPdfDeflater m_deflater;
};
