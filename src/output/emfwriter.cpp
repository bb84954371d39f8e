#include "emfwriter.h"

#include <QtEndian>
#include <cmath>
#include <cstring>

namespace
{
enum : quint32 {
    EMR_HEADER = 1,
    EMR_POLYGON = 3,
    EMR_POLYLINE = 4,
    EMR_EOF = 14,
    EMR_SETBKMODE = 18,
    EMR_SETTEXTALIGN = 22,
    EMR_SETTEXTCOLOR = 24,
    EMR_SELECTOBJECT = 37,
    EMR_CREATEPEN = 38,
    EMR_CREATEBRUSHINDIRECT = 39,
    EMR_DELETEOBJECT = 40,
    EMR_STRETCHDIBITS = 81,
    EMR_EXTCREATEFONTINDIRECTW = 82,
    EMR_EXTTEXTOUTW = 84,
};
constexpr quint32 NullBrush = 0x80000005, NullPen = 0x80000008;
constexpr quint32 SrcCopy = 0x00CC0020;

quint32 floatBits(float f)
{
    quint32 bits;
    std::memcpy(&bits, &f, 4);
    return bits;
}
} // namespace

void TQREmfEngine::Begin()
{
    m_body.clear();
    m_records = 0;
    m_handles = 0;
    record(EMR_SETBKMODE, {1});     // transparent
    record(EMR_SETTEXTALIGN, {24}); // baseline
}

QByteArray TQREmfEngine::End()
{
    record(EMR_EOF, {0, 16, 20});
    const qint32 wmm = qint32(std::lround(m_size.width() * 2540.0 / m_dpi));
    const qint32 hmm = qint32(std::lround(m_size.height() * 2540.0 / m_dpi));
    TQRMetafileBytes header;
    header.U32(EMR_HEADER);
    header.U32(108);
    for (qint32 v : {0, 0, m_size.width() - 1, m_size.height() - 1, 0, 0, wmm - 1, hmm - 1})
        header.U32(quint32(v));
    header.U32(0x464D4520);
    header.U32(0x10000);
    header.U32(quint32(108 + m_body.size()));
    header.U32(m_records + 1);
    header.U32(m_handles + 1); // nHandles (16 bit) and reserved
    header.U32(0);
    header.U32(0);
    header.U32(0);
    // The reference device is the page itself: pixels and millimetres.
    header.U32(quint32(m_size.width()));
    header.U32(quint32(m_size.height()));
    header.U32(quint32(std::lround(m_size.width() * 25.4 / m_dpi)));
    header.U32(quint32(std::lround(m_size.height() * 25.4 / m_dpi)));
    header.U32(0);
    header.U32(0);
    header.U32(0);
    header.U32(quint32(std::lround(m_size.width() * 25400.0 / m_dpi)));
    header.U32(quint32(std::lround(m_size.height() * 25400.0 / m_dpi)));
    return header.bytes + m_body;
}

void TQREmfEngine::record(quint32 type, const QList<quint32> &words, const QByteArray &tail)
{
    TQRMetafileBytes r;
    r.U32(type);
    r.U32(quint32(8 + 4 * words.size() + tail.size()));
    for (quint32 w : words)
        r.U32(w);
    m_body += r.bytes;
    m_body += tail;
    ++m_records;
}

void TQREmfEngine::Shape(const QPolygon &points, bool closed, const QPen *pen, const QBrush *brush)
{
    const quint32 p = pen ? ++m_handles : NullPen;
    if (pen)
        record(EMR_CREATEPEN,
               {p, PenStyle(pen->style()), quint32(std::max(1, int(std::lround(pen->widthF())))), 0,
                ColorRef(pen->color())});
    const quint32 b = brush ? ++m_handles : NullBrush;
    if (brush)
        record(EMR_CREATEBRUSHINDIRECT, {b, 0, ColorRef(brush->color()), 0});
    record(EMR_SELECTOBJECT, {p});
    record(EMR_SELECTOBJECT, {b});
    const QRect box = points.boundingRect();
    QList<quint32> words{quint32(box.left()), quint32(box.top()), quint32(box.right()), quint32(box.bottom()),
                         quint32(points.size())};
    for (const QPoint &pt : points)
        words << quint32(pt.x()) << quint32(pt.y());
    record(closed ? EMR_POLYGON : EMR_POLYLINE, words);
    if (pen)
        record(EMR_DELETEOBJECT, {p});
    if (brush)
        record(EMR_DELETEOBJECT, {b});
}

void TQREmfEngine::Text(const TQRMetafileText &t)
{
    const quint32 font = ++m_handles;
    // lfEscapement and lfOrientation are the same angle.
    const QList<quint32> logfont{font,
                                 quint32(-t.height),
                                 0,
                                 quint32(t.angle),
                                 quint32(t.angle),
                                 quint32(t.bold ? 700 : 400),
                                 quint32(t.italic ? 1 : 0) | quint32(t.underline ? 1 : 0) << 8 |
                                     quint32(t.strikeOut ? 1 : 0) << 16 | 1u << 24,
                                 0};
    QByteArray face(64, '\0');
    const QString family = t.family.left(31);
    for (int i = 0; i < family.size(); ++i)
        qToLittleEndian(quint16(family[i].unicode()), face.data() + 2 * i);
    record(EMR_EXTCREATEFONTINDIRECTW, logfont, face);
    record(EMR_SELECTOBJECT, {font});
    record(EMR_SETTEXTCOLOR, {ColorRef(t.color)});
    QByteArray chars(t.text.size() * 2, '\0');
    for (int i = 0; i < t.text.size(); ++i)
        qToLittleEndian(quint16(t.text[i].unicode()), chars.data() + 2 * i);
    while (chars.size() % 4)
        chars.append('\0');
    const quint32 offString = 76;
    const quint32 offDx = offString + quint32(chars.size());
    TQRMetafileBytes dx;
    for (int a : t.advances)
        dx.U32(quint32(a));
    // Bounds, graphics mode, the two scale factors (floats), then the text's EMRTEXT.
    record(EMR_EXTTEXTOUTW,
           {0, 0, quint32(m_size.width()), quint32(m_size.height()), 1, floatBits(0), floatBits(0),
            quint32(t.at.x()), quint32(t.at.y()), quint32(t.text.size()), offString, 0, 0, 0, 0, 0, offDx},
           chars + dx.bytes);
    record(EMR_DELETEOBJECT, {font});
}

void TQREmfEngine::Picture(const QRect &target, const QImage &image)
{
    int headerSize = 0;
    const QByteArray dib = DeviceIndependentBitmap(image, &headerSize);
    const quint32 offBmi = 80;
    record(EMR_STRETCHDIBITS,
           {quint32(target.left()), quint32(target.top()), quint32(target.right()), quint32(target.bottom()),
            quint32(target.left()), quint32(target.top()), 0, 0, quint32(image.width()),
            quint32(image.height()), offBmi, quint32(headerSize), offBmi + quint32(headerSize),
            quint32(dib.size() - headerSize), 0, SrcCopy, quint32(target.width()), quint32(target.height())},
           dib);
}
