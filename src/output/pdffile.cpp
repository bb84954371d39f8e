#include "pdffile.h"

#include <QIODevice>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <libdeflate.h>

TQRPdfDeflater::TQRPdfDeflater(int level) : m_compressor(libdeflate_alloc_compressor(level)) {}

TQRPdfDeflater::~TQRPdfDeflater()
{
    libdeflate_free_compressor(m_compressor);
}

QByteArray TQRPdfDeflater::Deflate(const char *data, qsizetype size)
{
    QByteArray out;
    if (!m_compressor)
        return out;
    out.resize(qsizetype(libdeflate_zlib_compress_bound(m_compressor, size_t(size))));
    const size_t n =
        libdeflate_zlib_compress(m_compressor, data, size_t(size), out.data(), size_t(out.size()));
    out.resize(qsizetype(n));
    return out;
}

void PdfAppendNumber(QByteArray &out, double v, int decimals)
{
    if (!std::isfinite(v))
        v = 0;
    // PDF readers take reals up to about 32767 safely; pages never come near it.
    v = std::clamp(v, -1e9, 1e9);
    static const double scales[] = {1, 10, 100, 1000, 10000, 100000};
    decimals = std::clamp(decimals, 0, 5);
    const double scale = scales[decimals];
    long long fixed = std::llround(v * scale);
    char buf[32];
    char *end = buf + sizeof buf;
    char *p = end;
    const bool negative = fixed < 0;
    unsigned long long u = negative ? 0ull - (unsigned long long)fixed : (unsigned long long)fixed;
    int digits = 0;
    bool any = false; // a non-zero fraction digit was written
    for (; digits < decimals; ++digits) {
        const int d = int(u % 10);
        u /= 10;
        if (d || any) {
            *--p = char('0' + d);
            any = true;
        }
    }
    if (any)
        *--p = '.';
    do {
        *--p = char('0' + u % 10);
        u /= 10;
    } while (u);
    if (negative && (end - p > 1 || *p != '0'))
        *--p = '-';
    out.append(p, end - p);
}

void PdfAppendName(QByteArray &out, const QByteArray &name)
{
    out.append('/');
    for (const char c : name) {
        const uchar u = uchar(c);
        if (u > 0x20 && u < 0x7f && !std::strchr("#()<>[]{}/%", c)) {
            out.append(c);
        } else {
            static const char hex[] = "0123456789ABCDEF";
            out.append('#');
            out.append(hex[u >> 4]);
            out.append(hex[u & 15]);
        }
    }
}

void PdfAppendLiteral(QByteArray &out, const char *data, qsizetype size)
{
    // Written straight into room for the worst case, then cut to what was used.
    const qsizetype at = out.size();
    out.resize(at + 2 * size + 2);
    char *p = out.data() + at;
    *p++ = '(';
    for (qsizetype i = 0; i < size; ++i) {
        const char c = data[i];
        if (c == '(' || c == ')' || c == '\\') {
            *p++ = '\\';
            *p++ = c;
        } else if (c == '\r') {
            // A bare carriage return in a string reads back as a line feed.
            *p++ = '\\';
            *p++ = 'r';
        } else {
            *p++ = c;
        }
    }
    *p++ = ')';
    out.resize(p - out.constData());
}

void PdfAppendTextString(QByteArray &out, const QString &text)
{
    bool ascii = true;
    for (const QChar c : text)
        ascii = ascii && c.unicode() >= 0x20 && c.unicode() < 0x7f;
    if (ascii) {
        const QByteArray latin = text.toLatin1();
        PdfAppendLiteral(out, latin.constData(), latin.size());
        return;
    }
    QByteArray utf16("\xFE\xFF", 2);
    for (const QChar c : text) {
        utf16.append(char(c.unicode() >> 8));
        utf16.append(char(c.unicode() & 0xff));
    }
    PdfAppendLiteral(out, utf16.constData(), utf16.size());
}

// --- the file ------------------------------------------------------------------------------------

TQRPdfFile::TQRPdfFile(QIODevice *device) : m_device(device)
{
    m_offsets.push_back(0); // object 0 heads the free list
}

void TQRPdfFile::Begin()
{
    // The comment's high bytes tell transfer programs that the file is binary.
    write("%PDF-1.7\n%\xE2\xE3\xCF\xD3\n");
}

int TQRPdfFile::Reserve()
{
    m_offsets.push_back(-1);
    return int(m_offsets.size() - 1);
}

void TQRPdfFile::start(int n)
{
    if (n > 0 && n < int(m_offsets.size()))
        m_offsets[size_t(n)] = Offset();
    QByteArray head = QByteArray::number(n);
    head.append(" 0 obj\n");
    write(head);
}

void TQRPdfFile::Object(int n, const QByteArray &body)
{
    start(n);
    write(body);
    write("\nendobj\n");
}

void TQRPdfFile::Stream(int n, const QByteArray &dict, const QByteArray &data, bool deflate,
                        bool alreadyDeflated)
{
    QByteArray packed;
    const QByteArray *bytes = &data;
    if (deflate && !alreadyDeflated) {
        packed = m_deflater.Deflate(data);
        bytes = &packed;
    }
    start(n);
    QByteArray head("<<");
    head.append(dict);
    head.append("/Length ");
    head.append(QByteArray::number(bytes->size()));
    if (deflate || alreadyDeflated)
        head.append("/Filter/FlateDecode");
    head.append(">>\nstream\n");
    write(head);
    write(*bytes);
    write("\nendstream\nendobj\n");
}

bool TQRPdfFile::Finish(int catalog, int info)
{
    const qint64 xref = Offset();
    QByteArray table("xref\n0 ");
    table.append(QByteArray::number(qsizetype(m_offsets.size())));
    table.append("\n0000000000 65535 f \n");
    char entry[32];
    for (size_t i = 1; i < m_offsets.size(); ++i) {
        // A number reserved and never written would point nowhere: it is listed as free.
        if (m_offsets[i] < 0)
            std::snprintf(entry, sizeof entry, "0000000000 00001 f \n");
        else
            std::snprintf(entry, sizeof entry, "%010lld 00000 n \n", static_cast<long long>(m_offsets[i]));
        table.append(entry, 20);
    }
    table.append("trailer\n<</Size ");
    table.append(QByteArray::number(qsizetype(m_offsets.size())));
    table.append("/Root ");
    table.append(QByteArray::number(catalog));
    table.append(" 0 R");
    if (info > 0) {
        table.append("/Info ");
        table.append(QByteArray::number(info));
        table.append(" 0 R");
    }
    table.append(">>\nstartxref\n");
    table.append(QByteArray::number(xref));
    table.append("\n%%EOF\n");
    write(table);
    flush();
    return m_ok;
}

void TQRPdfFile::write(const QByteArray &bytes)
{
    write(bytes.constData(), bytes.size());
}

void TQRPdfFile::write(const char *data, qsizetype size)
{
    m_buffer.append(data, size);
    if (m_buffer.size() >= (1 << 20))
        flush();
}

void TQRPdfFile::flush()
{
    if (m_buffer.isEmpty())
        return;
    if (m_ok && m_device->write(m_buffer) != m_buffer.size())
        m_ok = false;
    m_offset += m_buffer.size();
    m_buffer.clear();
}
