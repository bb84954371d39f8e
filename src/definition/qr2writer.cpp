#include "qr2writer.h"

#include "common/codepage.h"
#include "common/component.h"
#include "common/properties.h"
#include "common/savefile.h"
#include "data/dataset.h"
#include "data/field.h"
#include "data/query.h"
#include "data/table.h"
#include "definition/objectstream.h"
#include "definition/qr2format.h"
#include "engine/report.h"

#include <QFile>
#include <QFileInfo>

namespace
{
// "Table1", "Query2", "DataSource1": the class name without its leading
// letter and the first number that is free.
void nameUnnamedDataComponents(TComponent *owner)
{
    for (TComponent *c : owner->ComponentList()) {
        if (!c->Name().isEmpty())
            continue;
        if (!qobject_cast<TTable *>(c) && !qobject_cast<TQuery *>(c) && !qobject_cast<TDataSource *>(c))
            continue;
        const QString base = QString::fromLatin1(c->metaObject()->className()).mid(1);
        for (int n = 1;; ++n) {
            const QString name = base + QString::number(n);
            if (!owner->FindComponent(name)) {
                c->SetName(name);
                break;
            }
        }
    }
}

// Components written after a data source: its dataset and the dataset's persistent fields.
QList<TComponent *> datasetEntries(TDataSet *dataSet)
{
    QList<TComponent *> entries;
    for (TComponent *c : dataSet->ComponentList())
        entries.append(c);
    if (!dataSet->DefaultFields())
        for (TField *f : dataSet->FieldList())
            if (!entries.contains(f))
                entries.append(f);
    return entries;
}

qint16 datasetIndex(TQRCustomReport *report, TComponent *owner, TQR2Context &context, QString *externalName)
{
    TComponent *dataSet = report->DataSet();
    if (!dataSet)
        return 0;
    const QList<TComponent *> sources = StoredDataSources(owner);
    for (int i = 0; i < sources.size(); ++i)
        if (qobject_cast<TDataSource *>(sources.at(i))->DataSet() == dataSet)
            return qint16(i + 1);
    // A data source of another owner feeds the report.
    for (TComponent *other : StoredDataSources(context.DatabaseOwner)) {
        if (qobject_cast<TDataSource *>(other)->DataSet() == dataSet) {
            *externalName = dataSet->Name();
            return -1;
        }
    }
    return 0;
}

void writeFont(TByteWriter &out, const TFont *font)
{
    TQR2Font f;
    f.Color = qint32(font->Color());
    f.Height = qint16(font->Height());
    f.Pitch = quint8(font->Pitch());
    f.Size = qint16(font->Size());
    f.Style = quint16(int(font->Style()));
    f.Name = EncodeCodePage(font->Name());
    f.HasCharset = true;
    f.Charset = quint8(font->Charset());
    WriteFontRecord(out, f);
}

QByteArray reportRecord(TQRCustomReport *report, qint16 index)
{
    using namespace QR2::Report;
    TByteWriter w;
    w.Data() = QByteArray(QR2::ReportRecordLength, '\0');
    QByteArray &r = w.Data();
    auto put = [&r](int offset, int size, qint64 v) {
        for (int i = 0; i < size; ++i)
            r[offset + i] = char((quint64(v) >> (8 * i)) & 0xFF);
    };
    auto putExt = [&r](int offset, double v) { r.replace(offset, 10, DoubleToExtended(v)); };
    const TQRFrame *frame = report->Frame();
    const TQRPage *page = report->Page();
    put(DatasetIndex, 2, index);
    put(FrameColor, 4, qint32(frame->Color()));
    put(FrameDrawBottom, 1, frame->DrawBottom());
    put(FrameDrawLeft, 1, frame->DrawLeft());
    put(FrameDrawRight, 1, frame->DrawRight());
    put(FrameDrawTop, 1, frame->DrawTop());
    put(FrameStyle, 1, int(frame->Style()));
    put(FrameWidth, 2, frame->Width());
    put(Options, 1, int(report->Options()));
    putExt(BottomMargin, page->BottomMargin());
    put(Columns, 2, page->Columns());
    putExt(ColumnSpace, page->ColumnSpace());
    putExt(LeftMargin, page->LeftMargin());
    putExt(Length, page->Length());
    put(Orientation, 1, int(page->Orientation()));
    put(PaperSize, 1, int(page->PaperSize()));
    putExt(RightMargin, page->RightMargin());
    put(Ruler, 1, page->Ruler());
    putExt(TopMargin, page->TopMargin());
    putExt(Width, page->Width());
    put(Copies, 2, report->PrinterSettings()->Copies());
    put(Duplex, 1, report->PrinterSettings()->Duplex());
    put(OutputBin, 1, int(report->PrinterSettings()->OutputBin()));
    TByteWriter title;
    title.FixedShortString(report->ReportTitle(), 256);
    r.replace(ReportTitle, 256, title.Data());
    put(SnapToGrid, 1, report->SnapToGrid());
    put(Units, 1, int(report->Units()));
    put(Zoom, 4, report->Zoom());
    put(FirstLabel, 4, GetPropertyValue(report, QStringLiteral("LabelSettings.FirstLabel")).toInt());
    put(LabelCount, 4, GetPropertyValue(report, QStringLiteral("LabelSettings.LabelCount")).toInt());
    return r;
}

void writeCrLfLines(TByteWriter &out, const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &l : lines) {
        bytes.append(EncodeCodePage(l));
        bytes.append("\r\n");
    }
    out.U32(quint32(bytes.size()));
    out.Bytes(bytes);
}

QList<TComponent *> richTexts(TComponent *owner, const TQR2Context &context)
{
    QList<TComponent *> list;
    for (TComponent *c : owner->ComponentList())
        if (InheritsAny(c, context.RichTextClasses))
            list.append(c);
    return list;
}
} // namespace

bool WriteReport(QByteArray &result, TQR2Context &context, TQRCustomReport *report, TComponent *owner,
                 bool withDataSettings)
{
    TByteWriter out;
    out.U16(QR2::Version);

    // 254: the title.
    out.U16(QR2::TitleBlock);
    out.U16(QR2::TitleLength);
    out.FixedShortString(report->ReportTitle(), QR2::TitleLength);

    // 58: the application's own data.
    if (context.OnSaveReport) {
        QByteArray data;
        context.OnSaveReport(data);
        if (data.size() > QR2::MaxAppDataLength) {
            context.LastError =
                QStringLiteral("application data of %1 bytes exceed the 65535 a report file holds")
                    .arg(data.size());
            return false;
        }
        if (!data.isEmpty()) {
            out.U16(QR2::AppDataBlock);
            out.U16(quint16(data.size()));
            out.Bytes(data);
        }
    }

    // 102: the printer.
    if (context.SaveLoadPrinterSetup) {
        const TQRReportPrinterSettings *ps = report->PrinterSettings();
        out.U16(QR2::PrinterBlock);
        out.U16(QR2::PrinterRecordLength);
        out.U8(quint8(ps->OutputBin()));
        out.I32(ps->Copies());
        out.FixedShortString(context.PrinterName ? context.PrinterName() : QString(), 256);
        out.U8(ps->Duplex() ? 1 : 0);
    }

    // Data sources are numbered for the clipboard.
    int tag = 0;
    for (TComponent *ds : StoredDataSources(owner))
        ds->SetTag(++tag);
    for (TComponent *ds : StoredDataSources(context.DatabaseOwner))
        ds->SetTag(++tag);

    QList<TComponent *> external;
    if (context.DatabaseOwner)
        external = EncodeExternalReferences(owner, context.DatabaseOwner);

    // 257: data sources, their datasets and fields.
    // Only registered classes go into a file, so that every file written reads back.
    TObjectWriter writer;
    writer.StoredClassName = [](TComponent *c) { return QR2StoredClassName(c->metaObject()); };
    auto entry = [&writer](QList<TOSComponent> &list, TComponent *c) {
        if (!writer.ClassNameOf(c).isEmpty())
            list.append(writer.WriteComponent(c));
    };
    if (withDataSettings) {
        nameUnnamedDataComponents(owner);
        QList<TOSComponent> list;
        for (TComponent *c : StoredDataSources(owner)) {
            TDataSet *dataSet = qobject_cast<TDataSource *>(c)->DataSet();
            if (!dataSet)
                continue;
            entry(list, c);
            entry(list, dataSet);
            for (TComponent *e : datasetEntries(dataSet))
                entry(list, e);
        }
        TByteWriter block;
        WriteOSComponentList(block, list);
        out.U16(QR2::DatasetBlock);
        out.U32(quint32(block.Data().size()));
        out.Bytes(block.Data());
    }

    // 255: the report record and its extras.
    QString externalName;
    const qint16 index = datasetIndex(report, owner, context, &externalName);
    out.U16(QR2::ReportBlock);
    out.U16(QR2::ReportRecordLength);
    out.Bytes(reportRecord(report, index));
    if (index == -1)
        out.ShortString(externalName);
    const QStringList description = report->Description();
    out.U16(quint16(qMin<qsizetype>(description.size(), 0xFFFF)));
    for (int i = 0; i < description.size() && i < 0xFFFF; ++i)
        out.ShortString(description.at(i));
    writeFont(out, report->Font());
    out.ShortString(report->Hint());
    out.ShortString(report->Name());

    // 253: the script.
    out.U16(QR2::ScriptBlock);
    writeCrLfLines(out, context.GetScript ? context.GetScript() : QStringList());

    // 104: the parameter marks.
    if (withDataSettings) {
        out.U16(QR2::ParamMarkBlock);
        for (TComponent *c : owner->ComponentList()) {
            auto *query = qobject_cast<TQuery *>(c);
            if (!query)
                continue;
            for (int i = 0; i < query->ParamCount(); ++i)
                if (TParam *p = query->Params().Items(i); p && p->Bound())
                    out.ShortString(query->Name() + QLatin1Char('\\') + p->Name());
        }
        out.ShortStringBytes("\\");
    }

    // Unnamed rich texts are stored under temporary names.
    const QList<TComponent *> rich = richTexts(owner, context);
    for (TComponent *c : rich) {
        if (!c->Name().isEmpty())
            continue;
        for (int n = 1;; ++n) {
            const QString name = QStringLiteral("___Richtext") + QString::number(n);
            if (!owner->FindComponent(name)) {
                c->SetName(name);
                break;
            }
        }
    }

    // 103: one per rich text.
    for (TComponent *c : rich) {
        out.U16(QR2::RichTextBlock);
        out.ShortString(c->Name());
        writeCrLfLines(out, GetPropertyValue(c, QStringLiteral("Lines")).toStringList());
    }

    out.U16(QR2::EndOfBlocks);

    // The band list; the selection frame never goes into a file.
    QList<TOSComponent> bands;
    for (TControl *band : report->ControlList())
        if (!InheritsAny(band, context.SelectionFrameClasses))
            entry(bands, band);
    WriteOSComponentList(out, bands);

    for (TComponent *c : rich)
        if (c->Name().startsWith(QLatin1String("___")))
            c->SetName(QString());
    if (!external.isEmpty())
        DecodeExternalReferences(owner, context.DatabaseOwner);

    result.append(out.Data());
    return true;
}

QString BackupFileName(const QString &fileName, const QString &extension)
{
    const QFileInfo info(fileName);
    const QString suffix = info.suffix();
    QString base = fileName;
    if (!suffix.isEmpty())
        base.chop(suffix.size() + 1);
    return base + (extension.startsWith(QLatin1Char('.')) || extension.isEmpty()
                       ? extension
                       : QLatin1Char('.') + extension);
}

bool SaveReportToFile(const QString &fileName, TQR2Context &context, TQRCustomReport *report,
                      TComponent *owner)
{
    QByteArray bytes;
    if (!WriteReport(bytes, context, report, owner, true)) {
        QR2ShowMessage(context, QStringLiteral("Write Error"), fileName);
        return false;
    }
    if (context.SaveBackupFiles && QFile::exists(fileName)) {
        // A copy, not a rename: the report stays under its name until the new one is complete.
        const QString backup = BackupFileName(fileName, context.BackupFileExtension);
        QFile::remove(backup);
        QFile::copy(fileName, backup);
    }
    QString error;
    if (!SaveFileContents(fileName, bytes, &error)) {
        context.LastError = error;
        QR2ShowMessage(context, QStringLiteral("Write Error"), fileName);
        return false;
    }
    return true;
}
