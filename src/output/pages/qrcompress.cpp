#include "qrcompress.h"

#include <QtEndian>
#include <algorithm>

TQRCompress::TQRCompress()
{
    Reset();
}

void TQRCompress::Reset()
{
    for (int i = 0; i < 256; ++i) {
        m_left[i] = quint16(2 * i + 1);
        m_right[i] = quint16(2 * i + 2);
    }
    m_up[0] = 0;
    for (int i = 1; i <= 512; ++i)
        m_up[i] = quint8((i - 1) / 2);
    m_outByte = 0;
    m_outBit = 0;
    m_inByte = 0;
    m_inBit = 8;
}

void TQRCompress::splay(int byte)
{
    int a = byte + 256;
    do {
        const int p = m_up[a];
        if (p != 0) {
            const int g = m_up[p];
            int u = m_left[g];
            if (u == p) {
                u = m_right[g];
                m_right[g] = quint16(a);
            } else {
                m_left[g] = quint16(a);
            }
            if (a == m_left[p])
                m_left[p] = quint16(u);
            else
                m_right[p] = quint16(u);
            m_up[a] = quint8(g);
            m_up[u] = quint8(p);
            a = g;
        } else {
            a = p;
        }
    } while (a != 0);
}

void TQRCompress::Compress(quint8 byte, QByteArray &out)
{
    // The path is found leaf to root and emitted root first. A path is at
    // most 256 steps long: every step up passes a distinct internal node.
    bool path[257];
    int depth = 0;
    int a = byte + 256;
    do {
        const int p = m_up[a];
        path[depth++] = m_right[p] == a;
        a = p;
    } while (a != 0 && depth < 257);
    while (depth > 0) {
        if (path[--depth])
            m_outByte |= quint8(1u << m_outBit);
        if (++m_outBit == 8) {
            out.append(char(m_outByte));
            m_outByte = 0;
            m_outBit = 0;
        }
    }
    splay(byte);
}

void TQRCompress::Finish(QByteArray &out)
{
    if (m_outBit != 0) {
        out.append(char(m_outByte));
        m_outByte = 0;
        m_outBit = 0;
    }
}

bool TQRCompress::Expand(const char *data, qsizetype size, qsizetype *pos, quint8 *byte)
{
    int index = 0;
    while (index < 256) {
        if (m_inBit == 8) {
            if (*pos >= size)
                return false;
            m_inByte = quint8(data[(*pos)++]);
            m_inBit = 0;
        }
        const bool bit = (m_inByte >> m_inBit) & 1;
        ++m_inBit;
        index = bit ? m_right[index] : m_left[index];
    }
    if (index > 511)
        return false;
    *byte = quint8(index - 256);
    splay(*byte);
    return true;
}

QByteArray TQRCompress::CompressBytes(const QByteArray &bytes)
{
    TQRCompress c;
    QByteArray out;
    out.reserve(bytes.size() / 2 + 16);
    for (char ch : bytes)
        c.Compress(quint8(ch), out);
    c.Finish(out);
    return out;
}

qsizetype TQRCompress::CompressInto(const char *data, qsizetype size, QByteArray *out)
{
    // The tree in plain ints, local to the loop: whole pages pass through
    // here, and the splaying dominates.
    struct Tree {
        int m_left[256], m_right[256], m_up[513];
        void splay(int byte)
        {
            int a = byte + 256;
            do {
                const int p = m_up[a];
                if (p != 0) {
                    const int g = m_up[p];
                    int u = m_left[g];
                    if (u == p) {
                        u = m_right[g];
                        m_right[g] = a;
                    } else {
                        m_left[g] = a;
                    }
                    if (a == m_left[p])
                        m_left[p] = u;
                    else
                        m_right[p] = u;
                    m_up[a] = g;
                    m_up[u] = p;
                    a = g;
                } else {
                    a = p;
                }
            } while (a != 0);
        }
    } c;
    for (int i = 0; i < 256; ++i) {
        c.m_left[i] = 2 * i + 1;
        c.m_right[i] = 2 * i + 2;
    }
    c.m_up[0] = 0;
    for (int i = 1; i <= 512; ++i)
        c.m_up[i] = (i - 1) / 2;
    // Bits gather in a 64-bit word, least significant first like the bytes
    // they end up in, and leave it eight bytes at a time.
    quint64 acc = 0;
    int bits = 0;
    qsizetype used = 0;
    if (out->size() < 64)
        out->resize(64);
    char *dst = out->data();
    qsizetype room = out->size();
    quint8 path[257];
    for (qsizetype i = 0; i < size; ++i) {
        // A path has at most 256 steps: 32 bytes, plus the word in hand.
        if (room - used < 48) {
            out->resize(std::max<qsizetype>(room * 2, used + 4096));
            dst = out->data();
            room = out->size();
        }
        const quint8 byte = quint8(data[i]);
        // Walking up, each step's bit goes in at the bottom, so the root's
        // bit ends up lowest: the order the bits are sent in. Paths of up to
        // 63 steps (nearly all of them) are sent as one word.
        quint64 code = 0;
        int depth = 0;
        int a = byte + 256;
        do {
            const int p = c.m_up[a];
            code = (code << 1) | quint64(c.m_right[p] == a);
            path[depth++] = c.m_right[p] == a;
            a = p;
        } while (a != 0 && depth < 257);
        if (depth < 64) {
            acc |= code << bits;
            bits += depth;
            if (bits >= 64) {
                qToLittleEndian<quint64>(acc, dst + used);
                used += 8;
                bits -= 64;
                // The bits of code that did not fit into the word just written.
                acc = bits > 0 ? code >> (depth - bits) : 0;
            }
        } else {
            while (depth > 0) {
                acc |= quint64(path[--depth]) << bits;
                if (++bits == 64) {
                    qToLittleEndian<quint64>(acc, dst + used);
                    used += 8;
                    acc = 0;
                    bits = 0;
                }
            }
        }
        c.splay(byte);
    }
    if (room - used < 8) {
        out->resize(used + 8);
        dst = out->data();
    }
    while (bits > 0) {
        dst[used++] = char(acc & 0xff);
        acc >>= 8;
        bits -= 8;
    }
    return used;
}

bool TQRCompress::ExpandBytes(const char *data, qsizetype size, qsizetype length, QByteArray *out)
{
    // Every byte takes at least one bit, which bounds what a damaged length can ask for.
    if (length < 0 || length > size * 8)
        return false;
    TQRCompress c;
    out->resize(length);
    qsizetype pos = 0;
    for (qsizetype i = 0; i < length; ++i) {
        quint8 b = 0;
        if (!c.Expand(data, size, &pos, &b)) {
            out->clear();
            return false;
        }
        (*out)[i] = char(b);
    }
    return true;
}
