#pragma once

// Byte sequences for the tests, built by hand from the file format's tables
// (deliberately not through the reader's or writer's own helpers).

#include "common/component.h"
#include "common/prompt.h"
#include "engine/elements.h"
#include "engine/report.h"

#include <QByteArray>
#include <memory>

struct Bytes {
    QByteArray d;
    Bytes &u8(int v)
    {
        d.append(char(v & 0xFF));
        return *this;
    }
    Bytes &u16(int v) { return u8(v).u8(v >> 8); }
    Bytes &u32(quint32 v) { return u16(int(v & 0xFFFF)).u16(int(v >> 16)); }
    Bytes &raw(const QByteArray &b)
    {
        d.append(b);
        return *this;
    }
    Bytes &hex(const char *h) { return raw(QByteArray::fromHex(h)); }
    // u8 length, bytes.
    Bytes &str(const QByteArray &s)
    {
        u8(int(s.size()));
        return raw(s);
    }
    // Zero-padded fixed short string.
    Bytes &fixed(const QByteArray &s, int size)
    {
        str(s);
        return raw(QByteArray(size - 1 - s.size(), '\0'));
    }
    // Object stream: a property name followed by a tagged value.
    Bytes &prop(const QByteArray &name) { return str(name); }
    Bytes &ident(const QByteArray &s) { return u8(7).str(s); }
    Bytes &string(const QByteArray &s) { return u8(6).str(s); }
    Bytes &int8(int v) { return u8(2).u8(v); }
};

// Extended values used by the tests (mantissa little-endian, then sign/exponent).
inline QByteArray Ext10()
{
    return QByteArray::fromHex("00000000000000A00240");
}
inline QByteArray Ext20()
{
    return QByteArray::fromHex("00000000000000A00340");
}
inline QByteArray ExtZero()
{
    return QByteArray(10, '\0');
}

// A 364-byte report record with the given page measures (all in the file's units).
inline QByteArray ReportRecord(int units, const QByteArray &left, const QByteArray &top,
                               qint16 datasetIndex = 0, const QByteArray &title = QByteArray())
{
    Bytes r;
    r.u16(quint16(datasetIndex)); // dataset index
    r.u32(0);                     // frame colour clBlack
    r.u8(1).u8(0).u8(0).u8(1);    // bottom, left, right, top
    r.u8(0).u16(1);               // style psSolid, width 1
    r.u8(3);                      // options
    r.raw(Ext10());               // bottom margin
    r.u16(2);                     // columns
    r.raw(ExtZero());             // column space
    r.raw(left);                  // left margin
    r.raw(ExtZero());             // length
    r.u8(1);                      // landscape
    r.u8(9);                      // A4
    r.raw(Ext10());               // right margin
    r.u8(1);                      // ruler
    r.raw(top);                   // top margin
    r.raw(ExtZero());             // width
    r.u16(3);                     // copies
    r.u8(1);                      // duplex
    r.u8(7);                      // output bin Auto
    r.fixed(title, 256);          // title
    r.u8(0);                      // reserved
    r.u8(1);                      // snap to grid
    r.u8(quint8(units));
    r.u32(100); // zoom
    r.u32(0).u32(0);
    return r.d;
}

// Report extras: description, font record (with or without the charset), hint, name.
inline QByteArray ReportExtras(const QList<QByteArray> &description, bool withCharset,
                               const QByteArray &fontName = "Arial", const QByteArray &hint = "a hint")
{
    Bytes b;
    b.u16(int(description.size()));
    for (const QByteArray &l : description)
        b.str(l);
    b.u32(0x000000FF);   // colour clRed
    b.u16(quint16(-16)); // height
    b.u8(0);             // pitch
    b.u16(12);           // size
    b.u16(1);            // bold
    if (withCharset) {
        b.u8(int(fontName.size()) + 1).raw(fontName).u8(0).u8(204);
    } else {
        b.u8(int(fontName.size())).raw(fontName);
    }
    b.str(hint);
    b.str("QuickRep1");
    return b.d;
}

// A form holding a report, as the report holder window does; engine and
// data classes registered for reading by class name.
struct Qr2Fixture {
    std::unique_ptr<TComponent> form = std::make_unique<TComponent>();
    TQREReport *report = nullptr;
    TScriptedPrompt prompt;
    std::unique_ptr<TPromptGuard> guard = std::make_unique<TPromptGuard>(&prompt);

    Qr2Fixture()
    {
        report = new TQREReport(form.get());
        report->SetName(QStringLiteral("QuickRep1"));
    }
    // Message texts shown so far.
    QStringList Messages() const
    {
        QStringList out;
        for (const auto &r : prompt.Records())
            out << r.text;
        return out;
    }
};
