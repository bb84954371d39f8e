#include "wmfwriter.h"

#include "common/codepage.h"

#include <QtEndian>
#include <algorithm>
#include <cmath>

namespace
{
enum : quint16 {
    META_EOF = 0x0000,
    META_SETBKMODE = 0x0102,
    META_SETMAPMODE = 0x0103,
    META_SETTEXTALIGN = 0x012E,
    META_SELECTOBJECT = 0x012D,
    META_DELETEOBJECT = 0x01F0,
    META_SETTEXTCOLOR = 0x0209,
    META_SETWINDOWORG = 0x020B,
    META_SETWINDOWEXT = 0x020C,
    META_CREATEPENINDIRECT = 0x02FA,
    META_CREATEFONTINDIRECT = 0x02FB,
    META_CREATEBRUSHINDIRECT = 0x02FC,
    META_POLYGON = 0x0324,
    META_POLYLINE = 0x0325,
    META_EXTTEXTOUT = 0x0A32,
    META_STRETCHDIB = 0x0F43,
};
constexpr quint32 SrcCopy = 0x00CC0020;
constexpr quint16 MM_ANISOTROPIC = 8, TRANSPARENT = 1, TA_BASELINE = 24, PS_NULL = 5, BS_NULL = 1;
} // namespace

TQRWmfEngine::TQRWmfEngine(QSize size, int dpi) : TQRMetafileEngine(size, dpi)
{
    // As fine as 1/1440 inch, as long as the page still fits in 16-bit coordinates.
    const int longest = std::max({size.width(), size.height(), 1});
    m_factor = std::clamp(std::min(1440 / std::max(dpi, 1), 32000 / longest), 1, 64);
}

qint16 TQRWmfEngine::clamp(qint64 v)
{
    return qint16(std::clamp<qint64>(v, -32768, 32767));
}

QByteArray TQRWmfEngine::AnsiText(const QString &text)
{
    // The characters where code page 1252 differs from Latin-1.
    static const char16_t high[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    QByteArray out;
    out.reserve(text.size());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out.append(char(u));
            continue;
        }
        const auto *hit = std::find(std::begin(high), std::end(high), u);
        out.append(hit != std::end(high) && u != 0 ? char(0x80 + (hit - std::begin(high))) : '?');
    }
    return out;
}

void TQRWmfEngine::record(quint16 function, const QByteArray &params)
{
    const quint32 words = 3 + quint32(params.size() + 1) / 2;
    TQRMetafileBytes r;
    r.U32(words);
    r.U16(function);
    m_body += r.bytes;
    m_body += params;
    if (params.size() % 2)
        m_body.append('\0');
    m_maxRecord = std::max(m_maxRecord, words);
}

quint16 TQRWmfEngine::createObject(quint16 function, const QByteArray &params)
{
    const qsizetype free = m_slots.indexOf(false);
    const quint16 slot = quint16(free < 0 ? m_slots.size() : free);
    if (free < 0)
        m_slots.append(true);
    else
        m_slots[free] = true;
    record(function, params);
    return slot;
}

void TQRWmfEngine::deleteObject(quint16 slot)
{
    TQRMetafileBytes p;
    p.U16(slot);
    record(META_DELETEOBJECT, p.bytes);
    m_slots[slot] = false;
}

void TQRWmfEngine::Begin()
{
    m_body.clear();
    m_maxRecord = 0;
    m_slots.clear();
    TQRMetafileBytes p;
    p.U16(0);
    p.U16(0);
    record(META_SETWINDOWORG, p.bytes);
    p.bytes.clear();
    p.U16(quint16(clamp(qint64(m_size.height()) * m_factor))); // y first
    p.U16(quint16(clamp(qint64(m_size.width()) * m_factor)));
    record(META_SETWINDOWEXT, p.bytes);
    p.bytes.clear();
    p.U16(TRANSPARENT);
    record(META_SETBKMODE, p.bytes);
    p.bytes.clear();
    p.U16(TA_BASELINE);
    record(META_SETTEXTALIGN, p.bytes);
}

QByteArray TQRWmfEngine::End()
{
    record(META_EOF, {});
    // Placeable header: key, handle, bounding box, units per inch, reserved, checksum of the ten words before
    // it.
    TQRMetafileBytes placeable;
    placeable.U32(0x9AC6CDD7);
    placeable.U16(0);
    placeable.U16(0);
    placeable.U16(0);
    placeable.U16(quint16(clamp(qint64(m_size.width()) * m_factor)));
    placeable.U16(quint16(clamp(qint64(m_size.height()) * m_factor)));
    placeable.U16(quint16(m_dpi * m_factor));
    placeable.U32(0);
    quint16 checksum = 0;
    for (int i = 0; i < 10; ++i)
        checksum ^= qFromLittleEndian<quint16>(placeable.bytes.constData() + 2 * i);
    placeable.U16(checksum);
    TQRMetafileBytes header;
    header.U16(1);      // in memory
    header.U16(9);      // header words
    header.U16(0x0300); // version
    header.U32(quint32(9 + m_body.size() / 2));
    header.U16(quint16(std::max<qsizetype>(m_slots.size(), 1)));
    header.U32(m_maxRecord);
    header.U16(0);
    return placeable.bytes + header.bytes + m_body;
}

void TQRWmfEngine::Shape(const QPolygon &points, bool closed, const QPen *pen, const QBrush *brush)
{
    // WMF has no stock objects in the file: null pens and brushes are created like any other.
    TQRMetafileBytes p;
    p.U16(pen ? PenStyle(pen->style()) : PS_NULL);
    p.U16(quint16(pen ? std::max(1, int(std::lround(pen->widthF() * m_factor))) : 0));
    p.U16(0);
    p.U32(pen ? ColorRef(pen->color()) : 0);
    const quint16 penSlot = createObject(META_CREATEPENINDIRECT, p.bytes);
    TQRMetafileBytes b;
    b.U16(brush ? 0 : BS_NULL);
    b.U32(brush ? ColorRef(brush->color()) : 0);
    b.U16(0);
    const quint16 brushSlot = createObject(META_CREATEBRUSHINDIRECT, b.bytes);
    for (quint16 slot : {penSlot, brushSlot}) {
        TQRMetafileBytes s;
        s.U16(slot);
        record(META_SELECTOBJECT, s.bytes);
    }
    // A record holds at most 32767 points; longer outlines are written in pieces.
    const int most = 16000;
    for (int start = 0; start < points.size(); start += most - 1) {
        const int n = std::min<int>(most, int(points.size()) - start);
        if (n < 2)
            break;
        TQRMetafileBytes shape;
        shape.U16(quint16(n));
        for (int i = start; i < start + n; ++i) {
            shape.U16(quint16(clamp(qint64(points[i].x()) * m_factor)));
            shape.U16(quint16(clamp(qint64(points[i].y()) * m_factor)));
        }
        record(closed && points.size() <= most ? META_POLYGON : META_POLYLINE, shape.bytes);
    }
    deleteObject(penSlot);
    deleteObject(brushSlot);
}

void TQRWmfEngine::Text(const TQRMetafileText &t)
{
    // The text goes out in an 8-bit code page, which the font's character set names to readers.
    const TWindowsCodePage page = WindowsCodePageFor(t.text);
    TQRMetafileBytes font;
    font.U16(quint16(clamp(-qint64(t.height) * m_factor)));
    font.U16(0);
    font.U16(quint16(t.angle)); // escapement
    font.U16(quint16(t.angle)); // orientation
    font.U16(t.bold ? 700 : 400);
    font.bytes.append(char(t.italic ? 1 : 0));
    font.bytes.append(char(t.underline ? 1 : 0));
    font.bytes.append(char(t.strikeOut ? 1 : 0));
    font.bytes.append(char(page.Charset));
    font.bytes.append(char(0)); // out precision
    font.bytes.append(char(0)); // clip precision
    font.bytes.append(char(0)); // quality
    font.bytes.append(char(0)); // pitch and family
    QByteArray face = EncodeWindowsCodePage(t.family, WindowsCodePageFor(t.family)).left(31);
    face.append(32 - face.size(), '\0');
    font.bytes += face;
    const quint16 slot = createObject(META_CREATEFONTINDIRECT, font.bytes);
    TQRMetafileBytes s;
    s.U16(slot);
    record(META_SELECTOBJECT, s.bytes);
    TQRMetafileBytes colour;
    colour.U32(ColorRef(t.color));
    record(META_SETTEXTCOLOR, colour.bytes);
    // Long texts are split: the string length is 16 bits and so is every record's character count.
    // Pieces are cut between characters, so that no double-byte character is torn apart.
    const qsizetype most = 4000;
    qint64 x = qint64(t.at.x()) * m_factor, y = qint64(t.at.y()) * m_factor;
    const double radians = t.angle / 10.0 * M_PI / 180.0;
    for (qsizetype start = 0, count = 0; start < t.text.size(); start += count) {
        count = std::min(most, t.text.size() - start);
        if (start + count < t.text.size() && t.text[start + count - 1].isHighSurrogate())
            --count;
        const QByteArray chars = EncodeWindowsCodePage(t.text.mid(start, count), page);
        TQRMetafileBytes text;
        text.U16(quint16(clamp(y)));
        text.U16(quint16(clamp(x)));
        text.U16(quint16(chars.size()));
        text.U16(0); // no options, so no rectangle
        text.bytes += chars;
        if (chars.size() % 2)
            text.bytes.append('\0');
        // No character widths: readers then keep the text as one run, and the font's own widths
        // differ from ours only by rounding.
        qint64 width = 0;
        for (qsizetype i = start; i < start + count; ++i)
            width += qint64(t.advances.value(i)) * m_factor;
        record(META_EXTTEXTOUT, text.bytes);
        x += qint64(std::lround(width * std::cos(radians)));
        y -= qint64(std::lround(width * std::sin(radians)));
    }
    deleteObject(slot);
}

void TQRWmfEngine::Picture(const QRect &target, const QImage &image)
{
    // A record's size must fit its 32-bit word count and the source its 16-bit size: larger pictures are
    // scaled.
    QImage picture = image;
    if (picture.width() > 4096 || picture.height() > 4096)
        picture = picture.scaled(std::min(picture.width(), 4096), std::min(picture.height(), 4096),
                                 Qt::KeepAspectRatio, Qt::SmoothTransformation);
    int headerSize = 0;
    const QByteArray dib = DeviceIndependentBitmap(picture, &headerSize);
    TQRMetafileBytes p;
    p.U32(SrcCopy);
    p.U16(0); // DIB_RGB_COLORS
    p.U16(quint16(picture.height()));
    p.U16(quint16(picture.width()));
    p.U16(0);
    p.U16(0);
    p.U16(quint16(clamp(qint64(target.height()) * m_factor)));
    p.U16(quint16(clamp(qint64(target.width()) * m_factor)));
    p.U16(quint16(clamp(qint64(target.top()) * m_factor)));
    p.U16(quint16(clamp(qint64(target.left()) * m_factor)));
    p.bytes += dib;
    record(META_STRETCHDIB, p.bytes);
}
