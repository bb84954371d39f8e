#include "qr2format.h"

#include <QMetaObject>

const QStringList &QR2RegisteredClasses()
{
    static const QStringList names = {QStringLiteral("TQRDesignBand"),
                                      QStringLiteral("TQRDesignExpr"),
                                      QStringLiteral("TQRDesignLabel"),
                                      QStringLiteral("TQRDesignSubdetail"),
                                      QStringLiteral("TQRDesignChildBand"),
                                      QStringLiteral("TQRDesignGroup"),
                                      QStringLiteral("TQRDesignLoopband"),
                                      QStringLiteral("TQRDesignStringsband"),
                                      QStringLiteral("TQRDesignRichtext"),
                                      QStringLiteral("TQRDesignDBRichtext"),
                                      QStringLiteral("TQRDesignDBText"),
                                      QStringLiteral("TQRDesignShape"),
                                      QStringLiteral("TQRDesignSysdata"),
                                      QStringLiteral("TQRDesignImage"),
                                      QStringLiteral("TQRDesignDBImage"),
                                      QStringLiteral("TQRDesignMemo"),
                                      QStringLiteral("TQRDesignReport"),
                                      QStringLiteral("TStretch_Handle"),
                                      QStringLiteral("TTable"),
                                      QStringLiteral("TQuery"),
                                      QStringLiteral("TDataSource"),
                                      QStringLiteral("TQRDWQuery"),
                                      QStringLiteral("TWizQuery"),
                                      QStringLiteral("TStringField"),
                                      QStringLiteral("TSmallintField"),
                                      QStringLiteral("TIntegerField"),
                                      QStringLiteral("TWordField"),
                                      QStringLiteral("TBooleanField"),
                                      QStringLiteral("TFloatField"),
                                      QStringLiteral("TCurrencyField"),
                                      QStringLiteral("TBCDField"),
                                      QStringLiteral("TDateField"),
                                      QStringLiteral("TTimeField"),
                                      QStringLiteral("TDateTimeField"),
                                      QStringLiteral("TBytesField"),
                                      QStringLiteral("TVarBytesField"),
                                      QStringLiteral("TAutoIncField"),
                                      QStringLiteral("TBlobField"),
                                      QStringLiteral("TMemoField"),
                                      QStringLiteral("TGraphicField"),
                                      QStringLiteral("TWideStringField"),
                                      QStringLiteral("TStrings"),
                                      QStringLiteral("TForm")};
    return names;
}

const QStringList &QR2SkippedClasses()
{
    static const QStringList names = {QStringLiteral("TStretch_Handle"), QStringLiteral("TStrings"),
                                      QStringLiteral("TForm")};
    return names;
}

QByteArray QR2StoredClassName(const QMetaObject *metaObject)
{
    // Field classes without a registered name, by the registered class that holds their values.
    static const QHash<QByteArray, QByteArray> substitutes = {{"TLargeintField", "TIntegerField"}};
    for (const QMetaObject *m = metaObject; m; m = m->superClass()) {
        const QByteArray name(m->className());
        if (QR2SkippedClasses().contains(QString::fromLatin1(name)))
            return QByteArray();
        if (QR2RegisteredClasses().contains(QString::fromLatin1(name)))
            return name;
        if (const auto it = substitutes.find(name); it != substitutes.end())
            return it.value();
    }
    return QByteArray();
}

TQR2Font ReadFontRecord(TByteReader &in)
{
    TQR2Font f;
    f.Color = in.I32();
    f.Height = in.I16();
    f.Pitch = in.U8();
    f.Size = in.I16();
    f.Style = in.U16();
    const int n = in.U8();
    QByteArray name = in.Bytes(n, "a font name");
    // Records written without charset end the name without a zero byte.
    if (!name.isEmpty() && name.endsWith('\0')) {
        name.chop(1);
        f.HasCharset = true;
        f.Charset = in.U8();
    }
    f.Name = name;
    return f;
}

void WriteFontRecord(TByteWriter &out, const TQR2Font &f)
{
    out.I32(f.Color);
    out.I16(f.Height);
    out.U8(f.Pitch);
    out.I16(f.Size);
    out.U16(f.Style);
    const QByteArray name = f.Name.left(f.HasCharset ? 254 : 255);
    out.U8(quint8(name.size() + (f.HasCharset ? 1 : 0)));
    out.Bytes(name);
    if (f.HasCharset) {
        out.U8(0);
        out.U8(f.Charset);
    }
}

const TQR2Block *TQR2File::FindBlock(quint16 tag) const
{
    for (const TQR2Block &b : Blocks)
        if (b.Tag == tag)
            return &b;
    return nullptr;
}

QByteArray FixedRecord(const QByteArray &data, int size)
{
    QByteArray r = data.left(size);
    if (r.size() < size)
        r.append(QByteArray(size - r.size(), '\0'));
    return r;
}

QByteArray FixedShortStringAt(const QByteArray &record, int offset, int size)
{
    if (offset >= record.size())
        return QByteArray();
    const int n = qMin(int(quint8(record[offset])), size - 1);
    return record.mid(offset + 1, n);
}

bool SplitCrLfLines(const QByteArray &data, QList<QByteArray> *lines)
{
    lines->clear();
    if (data.isEmpty())
        return true;
    if (!data.endsWith("\r\n"))
        return false;
    qsizetype start = 0;
    while (start < data.size()) {
        const qsizetype end = data.indexOf("\r\n", start);
        lines->append(data.mid(start, end - start));
        start = end + 2;
    }
    return true;
}

QByteArray JoinCrLfLines(const QList<QByteArray> &lines)
{
    QByteArray out;
    for (const QByteArray &l : lines) {
        out.append(l);
        out.append("\r\n");
    }
    return out;
}

namespace
{
TQR2ReportExtras readExtras(TByteReader &in, const QByteArray &record)
{
    TQR2ReportExtras x;
    const QByteArray r = FixedRecord(record, QR2::ReportRecordLength);
    const qint16 index = qint16(quint8(r[0]) | (quint8(r[1]) << 8));
    if (index == -1) {
        x.HasDatasetName = true;
        x.DatasetName = in.ShortStringBytes();
    }
    const int count = in.U16();
    for (int i = 0; i < count; ++i)
        x.Description.append(in.ShortStringBytes());
    x.Font = ReadFontRecord(in);
    x.Hint = in.ShortStringBytes();
    // The name is read and ignored, and so is a failure reading it.
    if (in.AtEnd()) {
        x.NameState = TQR2ReportExtras::NameMissing;
    } else {
        const int n = quint8(in.Data()[in.Pos()]);
        if (n + 1 > in.Remaining()) {
            x.NameState = TQR2ReportExtras::NameTruncated;
            x.Name = in.Bytes(in.Remaining());
        } else {
            x.Name = in.ShortStringBytes();
        }
    }
    return x;
}

void writeExtras(TByteWriter &out, const TQR2ReportExtras &x)
{
    if (x.HasDatasetName)
        out.ShortStringBytes(x.DatasetName);
    out.U16(quint16(x.Description.size()));
    for (const QByteArray &line : x.Description)
        out.ShortStringBytes(line);
    WriteFontRecord(out, x.Font);
    out.ShortStringBytes(x.Hint);
    switch (x.NameState) {
    case TQR2ReportExtras::NamePresent:
        out.ShortStringBytes(x.Name);
        break;
    case TQR2ReportExtras::NameTruncated:
        out.Bytes(x.Name);
        break;
    case TQR2ReportExtras::NameMissing:
        break;
    }
}
} // namespace

TQR2File ParseQR2(const QByteArray &data)
{
    TByteReader in(data);
    TQR2File file;
    file.Version = in.U16();
    if (file.Version != QR2::Version && file.Version != QR2::OldVersion) {
        in.SetPos(0);
        in.Fail(QStringLiteral("unknown version word 0x%1").arg(file.Version, 4, 16, QLatin1Char('0')));
    }
    file.HasEndTag = false;
    while (!in.AtEnd()) {
        const qint64 at = in.Pos();
        TQR2Block b;
        b.Tag = in.U16();
        if (b.Tag == QR2::EndOfBlocks) {
            file.HasEndTag = true;
            break;
        }
        switch (b.Tag) {
        case QR2::AppDataBlock:
        case QR2::PrinterBlock:
        case QR2::TitleBlock: {
            const int n = in.U16();
            b.Data = in.Bytes(n, "a block");
            break;
        }
        case QR2::ReportBlock: {
            const int n = in.U16();
            b.Data = in.Bytes(n, "the report record");
            b.Extras = readExtras(in, b.Data);
            break;
        }
        case QR2::ScriptBlock:
        case QR2::DatasetBlock: {
            const quint32 n = in.U32();
            b.Data = in.Bytes(qint64(n), "a block");
            break;
        }
        case QR2::ParamMarkBlock:
            for (;;) {
                QByteArray mark = in.ShortStringBytes();
                if (mark == "\\")
                    break;
                b.Marks.append(mark);
            }
            break;
        case QR2::RichTextBlock: {
            b.Name = in.ShortStringBytes();
            const quint32 n = in.U32();
            b.Data = in.Bytes(qint64(n), "rich text");
            break;
        }
        case QR2::LegacyBlock: {
            const quint32 count = in.U32();
            // Every entry needs at least its 4-byte length.
            if (count > QR2::MaxLegacyEntries || qint64(count) * 4 > in.Remaining())
                in.Fail(QStringLiteral("legacy block claims %1 entries").arg(count));
            for (quint32 i = 0; i < count; ++i) {
                const quint32 n = in.U32();
                b.Entries.append(in.Bytes(qint64(n), "a legacy entry"));
            }
            break;
        }
        default:
            in.SetPos(at);
            in.Fail(QStringLiteral("unknown block tag %1").arg(b.Tag));
        }
        file.Blocks.append(b);
    }
    if (file.HasEndTag) {
        file.Bands = ReadOSComponentList(in);
        file.Trailing = data.mid(in.Pos());
    }
    return file;
}

QByteArray SerializeQR2(const TQR2File &file)
{
    TByteWriter out;
    out.U16(file.Version);
    for (const TQR2Block &b : file.Blocks) {
        out.U16(b.Tag);
        switch (b.Tag) {
        case QR2::AppDataBlock:
        case QR2::PrinterBlock:
        case QR2::TitleBlock:
            out.U16(quint16(b.Data.size()));
            out.Bytes(b.Data);
            break;
        case QR2::ReportBlock:
            out.U16(quint16(b.Data.size()));
            out.Bytes(b.Data);
            writeExtras(out, b.Extras);
            break;
        case QR2::ScriptBlock:
        case QR2::DatasetBlock:
            out.U32(quint32(b.Data.size()));
            out.Bytes(b.Data);
            break;
        case QR2::ParamMarkBlock:
            for (const QByteArray &m : b.Marks)
                out.ShortStringBytes(m);
            out.ShortStringBytes("\\");
            break;
        case QR2::RichTextBlock:
            out.ShortStringBytes(b.Name);
            out.U32(quint32(b.Data.size()));
            out.Bytes(b.Data);
            break;
        case QR2::LegacyBlock:
            out.U32(quint32(b.Entries.size()));
            for (const QByteArray &e : b.Entries) {
                out.U32(quint32(e.size()));
                out.Bytes(e);
            }
            break;
        default:
            break;
        }
    }
    if (file.HasEndTag) {
        out.U16(QR2::EndOfBlocks);
        WriteOSComponentList(out, file.Bands);
        out.Bytes(file.Trailing);
    }
    return out.Data();
}
