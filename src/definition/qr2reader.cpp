#include "qr2reader.h"

#include "common/codepage.h"
#include "common/component.h"
#include "common/prompt.h"
#include "common/properties.h"
#include "data/dataset.h"
#include "data/field.h"
#include "data/query.h"
#include "definition/objectstream.h"
#include "definition/qr2format.h"
#include "engine/band.h"
#include "engine/printable.h"
#include "engine/report.h"

#include <QFile>
#include <QPointer>

namespace
{
QStringList splitLines(const QByteArray &bytes)
{
    QString text = DecodeCodePage(bytes);
    if (text.isEmpty())
        return {};
    if (text.endsWith(QLatin1String("\r\n")))
        text.chop(2);
    return text.split(QStringLiteral("\r\n"));
}

bool isDesignComponent(const TComponent *c)
{
    TPropInfo info;
    return FindPublishedProperty(c->metaObject(), QStringLiteral("BlockDelete"), &info) ||
           qobject_cast<const TQRCustomBand *>(c) || qobject_cast<const TQRPrintable *>(c);
}

// Empties the report before a load, as a designer's new report would be.
void clearReport(TQR2Context &context, TQRCustomReport *report, TComponent *owner, bool withDataSettings)
{
    if (context.SetScript)
        context.SetScript({});
    for (TComponent *c : owner->ComponentList()) {
        for (const char *prop : {"ParentBand", "FooterBand"}) {
            TPropInfo info;
            if (FindPublishedProperty(c->metaObject(), QLatin1String(prop), &info) &&
                info.Kind == TPropKind::Component)
                SetPropertyValue(c, QLatin1String(prop), QVariant::fromValue<QObject *>(nullptr));
        }
    }
    // Freeing a band takes its elements along, so look again after each one.
    for (;;) {
        TComponent *victim = nullptr;
        for (TComponent *c : owner->ComponentList())
            if (c != report && isDesignComponent(c)) {
                victim = c;
                break;
            }
        if (!victim)
            break;
        delete victim;
    }
    if (withDataSettings) {
        for (TComponent *c : StoredDataSources(owner)) {
            QPointer<TDataSet> dataSet = qobject_cast<TDataSource *>(c)->DataSet();
            delete c;
            if (dataSet && dataSet->Owner() == owner) {
                // Persistent fields belong to the form; they go with their dataset.
                dataSet->Close();
                dataSet->DestroyFields();
                delete dataSet.data();
            }
        }
    }
    report->Page()->SetColumns(1);
    SetPropertyValue(report, QStringLiteral("LabelSettings.FirstLabel"), 0);
    report->SetReportTitle(QString());
    report->SetDescription({});
}

TComponent *findDataset(TQR2Context &context, TComponent *owner, qint16 value, const QString &name)
{
    auto nth = [](const TComponent *o, int i) -> TComponent * {
        const QList<TComponent *> sources = StoredDataSources(o);
        if (i < 1 || i > sources.size())
            return nullptr;
        return qobject_cast<TDataSource *>(sources.at(i - 1))->DataSet();
    };
    if (value == 0)
        return nullptr;
    if (value == -1) {
        QList<TComponent *> places;
        if (context.DatabaseOwner)
            places << context.DatabaseOwner;
        if (context.UseDataModules && context.DataModules)
            places << context.DataModules();
        for (TComponent *place : places)
            if (TComponent *c = place->FindComponent(name); c && qobject_cast<TDataSet *>(c))
                return c;
        return nullptr;
    }
    const quint16 bits = quint16(value);
    const int i = bits & 0x3FFF;
    const bool b15 = bits & 0x8000, b14 = bits & 0x4000;
    if (b15 && !b14) {
        if (!context.DatabaseOwner) {
            Prompt().ShowError(QStringLiteral("DatabaseOwner not assigned!!"));
            return nullptr;
        }
        return nth(context.DatabaseOwner, i);
    }
    if (b14 && !b15) {
        int k = i;
        const QList<TComponent *> modules =
            context.DataModules ? context.DataModules() : QList<TComponent *>();
        for (TComponent *m : modules) {
            const QList<TComponent *> sources = StoredDataSources(m);
            if (k <= sources.size())
                return nth(m, k);
            k -= int(sources.size());
        }
        return nullptr;
    }
    return nth(owner, i);
}

void applyReportBlock(TByteReader &in, TQR2Context &context, TQRCustomReport *report, TComponent *owner)
{
    using namespace QR2::Report;
    const int length = in.U16();
    const QByteArray r = FixedRecord(in.Bytes(length, "the report record"), QR2::ReportRecordLength);
    auto get = [&r](int offset, int size, bool isSigned = true) {
        quint64 v = 0;
        for (int i = 0; i < size; ++i)
            v |= quint64(quint8(r[offset + i])) << (8 * i);
        if (isSigned && (v >> (8 * size - 1)) & 1)
            v |= ~quint64(0) << (8 * size);
        return qint64(v);
    };
    auto ext = [&r](int offset) { return ExtendedToDouble(r.constData() + offset); };
    const qint16 index = qint16(get(DatasetIndex, 2));
    QString datasetName;
    if (index == -1)
        datasetName = in.ShortString();
    TComponent *dataSet = nullptr;
    try {
        dataSet = findDataset(context, owner, index, datasetName);
    } catch (const std::exception &) {
        dataSet = nullptr;
    }
    report->SetDataSet(dataSet);
    report->SetSnapToGrid(r[SnapToGrid] != 0);
    SetPropertyValue(report, QStringLiteral("Units"), int(quint8(r[Units])));
    report->SetZoom(int(get(Zoom, 4)));
    TQRFrame *frame = report->Frame();
    SetPropertyValue(frame, QStringLiteral("Color"), int(get(FrameColor, 4)));
    frame->SetDrawBottom(r[FrameDrawBottom] != 0);
    frame->SetDrawLeft(r[FrameDrawLeft] != 0);
    frame->SetDrawRight(r[FrameDrawRight] != 0);
    frame->SetDrawTop(r[FrameDrawTop] != 0);
    SetPropertyValue(frame, QStringLiteral("Style"), int(quint8(r[FrameStyle])));
    frame->SetWidth(int(get(FrameWidth, 2)));
    report->SetOptions(QR::TQROptions(int(quint8(r[Options]))) | QR::FirstPageHeader | QR::LastPageFooter);
    // The measures are in the units just set, which are the file's.
    TQRPage *page = report->Page();
    page->SetBottomMargin(ext(BottomMargin));
    page->SetColumns(int(get(Columns, 2)));
    page->SetColumnSpace(ext(ColumnSpace));
    page->SetLeftMargin(ext(LeftMargin));
    SetPropertyValue(page, QStringLiteral("Orientation"), int(quint8(r[Orientation])));
    SetPropertyValue(page, QStringLiteral("PaperSize"), int(quint8(r[PaperSize])));
    page->SetWidth(ext(Width));
    page->SetLength(ext(Length));
    page->SetRightMargin(ext(RightMargin));
    page->SetRuler(r[Ruler] != 0);
    page->SetTopMargin(ext(TopMargin));
    TQRReportPrinterSettings *ps = report->PrinterSettings();
    ps->SetCopies(int(get(Copies, 2)));
    ps->SetDuplex(r[Duplex] != 0);
    SetPropertyValue(ps, QStringLiteral("OutputBin"), int(quint8(r[OutputBin])));
    report->SetReportTitle(DecodeCodePage(FixedShortStringAt(r, ReportTitle, 256)));
    const int firstLabel = context.RunTimeFirstLabel ? context.RunTimeFirstLabel : int(get(FirstLabel, 4));
    const int labelCount = context.RunTimeLabelCount ? context.RunTimeLabelCount : int(get(LabelCount, 4));
    SetPropertyValue(report, QStringLiteral("LabelSettings.FirstLabel"), firstLabel);
    SetPropertyValue(report, QStringLiteral("LabelSettings.LabelCount"), labelCount);

    // The extras.
    const int count = in.U16();
    QStringList description;
    for (int i = 0; i < count; ++i)
        description << in.ShortString();
    report->SetDescription(description);
    const TQR2Font f = ReadFontRecord(in);
    TFont *font = report->Font();
    SetPropertyValue(font, QStringLiteral("Color"), int(f.Color));
    if (f.Height != 0)
        font->SetHeight(f.Height);
    else if (f.Size != 0)
        font->SetSize(f.Size);
    SetPropertyValue(font, QStringLiteral("Pitch"), int(f.Pitch));
    font->SetStyle(TFont::TFontStyles(int(f.Style & 0x0F)));
    font->SetName(DecodeCodePage(f.Name));
    if (f.HasCharset)
        SetPropertyValue(font, QStringLiteral("Charset"), int(f.Charset));
    report->SetHint(in.ShortString());
    // The stored name is not used, and a damaged one does not matter.
    try {
        in.ShortStringBytes();
    } catch (const EQR2ReadError &) {
        in.SetPos(in.Size());
    }
}

void readDatasets(const QByteArray &bytes, TQR2Context &context, TComponent *owner)
{
    TByteReader in(bytes);
    const QList<TOSComponent> records = ReadOSComponentList(in);
    TObjectReader reader(owner, nullptr);
    reader.AllowedClasses = QR2RegisteredClasses();
    reader.IgnoredClasses = QR2SkippedClasses();
    TDataSet *current = nullptr;
    reader.OnComponentRead = [&](TComponent *c) {
        if (context.ComponentRead)
            context.ComponentRead(c);
        if (auto *ds = qobject_cast<TDataSet *>(c)) {
            current = ds;
            if (context.PrepareDataset)
                context.PrepareDataset(ds, context.FileName);
        } else if (auto *field = qobject_cast<TField *>(c)) {
            if (current)
                field->SetDataSet(current);
        }
    };
    reader.BeforeLoaded = [&context]() {
        if (context.BeforeOpenDatasets)
            context.BeforeOpenDatasets();
    };
    reader.Read(records);
    context.SkippedProperties << reader.Skipped();
    const QList<TComponent *> sources = StoredDataSources(owner);
    for (auto it = sources.rbegin(); it != sources.rend(); ++it) {
        TDataSet *ds = qobject_cast<TDataSource *>(*it)->DataSet();
        if (ds && !ds->Active() && context.SetUpFields)
            context.SetUpFields(*it);
    }
    if (context.DatabaseOwner)
        DecodeExternalReferences(owner, context.DatabaseOwner);
}

void applyParamMarks(const QList<QString> &marks, TComponent *owner)
{
    for (const QString &mark : marks) {
        const qsizetype at = mark.indexOf(QLatin1Char('\\'));
        if (at < 0)
            continue;
        auto *query = qobject_cast<TQuery *>(owner->FindComponent(mark.left(at)));
        if (!query)
            continue;
        if (TParam *p = query->FindParam(mark.mid(at + 1)))
            p->SetBound(true);
    }
}

void applyRichTexts(const QList<QPair<QString, QByteArray>> &kept, TQR2Context &context, TComponent *owner)
{
    for (const auto &entry : kept)
        if (TComponent *c = owner->FindComponent(entry.first))
            SetPropertyValue(c, QStringLiteral("Lines"), QVariant(splitLines(entry.second)));
    for (TComponent *c : owner->ComponentList())
        if (InheritsAny(c, context.RichTextClasses) && c->Name().startsWith(QLatin1String("___")))
            c->SetName(QString());
}

void removeDuplicateSources(TComponent *owner)
{
    QList<TComponent *> sources = StoredDataSources(owner);
    QList<TDataSet *> seen;
    for (auto it = sources.rbegin(); it != sources.rend(); ++it) {
        auto *source = qobject_cast<TDataSource *>(*it);
        TDataSet *ds = source->DataSet();
        if (!ds)
            continue;
        if (seen.contains(ds))
            delete source;
        else
            seen.append(ds);
    }
    const QList<TComponent *> all = owner->ComponentList();
    QList<TDataSet *> orphans;
    for (TComponent *c : all)
        if (auto *ds = qobject_cast<TDataSet *>(c); ds && !seen.contains(ds))
            orphans.append(ds);
    for (TDataSet *ds : orphans) {
        bool referenced = false;
        for (TComponent *c : owner->ComponentList())
            if (auto *s = qobject_cast<TDataSource *>(c); s && s->DataSet() == ds)
                referenced = true;
        if (!referenced)
            delete ds;
    }
}

bool readBlocksAndBands(TByteReader &in, TQR2Context &context, TQRCustomReport *report, TComponent *owner,
                        bool withDataSettings)
{
    QList<QString> marks;
    QList<QPair<QString, QByteArray>> richTexts;
    bool endTag = false;
    while (!in.AtEnd()) {
        const qint64 at = in.Pos();
        const quint16 tag = in.U16();
        switch (tag) {
        case QR2::EndOfBlocks:
            endTag = true;
            break;
        case QR2::AppDataBlock: {
            const QByteArray data = in.Bytes(in.U16(), "the application data");
            if (context.OnLoadReport)
                context.OnLoadReport(data);
            break;
        }
        case QR2::PrinterBlock: {
            const QByteArray r =
                FixedRecord(in.Bytes(in.U16(), "the printer record"), QR2::PrinterRecordLength);
            if (context.SaveLoadPrinterSetup) {
                const QString name = DecodeCodePage(FixedShortStringAt(r, QR2::Printer::PrinterName, 256));
                context.LoadedPrinterName = name;
                if (!name.isEmpty() && context.SelectPrinter)
                    context.SelectPrinter(name);
                TQRReportPrinterSettings *ps = report->PrinterSettings();
                SetPropertyValue(ps, QStringLiteral("OutputBin"), int(quint8(r[QR2::Printer::OutputBin])));
                TByteReader copies(r, QR2::Printer::Copies);
                ps->SetCopies(copies.I32());
                ps->SetDuplex(r[QR2::Printer::Duplex] != 0);
            }
            break;
        }
        case QR2::TitleBlock:
            in.Skip(in.U16(), "the title block");
            break;
        case QR2::ReportBlock:
            applyReportBlock(in, context, report, owner);
            break;
        case QR2::ScriptBlock: {
            const quint32 n = in.U32();
            const QByteArray bytes = in.Bytes(qint64(n), "the script");
            if (n > 0 && context.SetScript)
                context.SetScript(splitLines(bytes));
            break;
        }
        case QR2::DatasetBlock: {
            const quint32 n = in.U32();
            const QByteArray bytes = in.Bytes(qint64(n), "the dataset block");
            readDatasets(bytes, context, owner);
            break;
        }
        case QR2::ParamMarkBlock:
            for (;;) {
                const QByteArray mark = in.ShortStringBytes();
                if (mark == "\\")
                    break;
                marks.append(DecodeCodePage(mark));
            }
            break;
        case QR2::RichTextBlock: {
            const QString name = in.ShortString();
            const quint32 n = in.U32();
            richTexts.append({name, in.Bytes(qint64(n), "rich text")});
            break;
        }
        case QR2::LegacyBlock: {
            const quint32 count = in.U32();
            if (count > QR2::MaxLegacyEntries || qint64(count) * 4 > in.Remaining())
                in.Fail(QStringLiteral("legacy block claims %1 entries").arg(count));
            for (quint32 i = 0; i < count; ++i)
                in.Skip(in.U32(), "a legacy entry");
            break;
        }
        default:
            context.LastError = QStringLiteral("unknown block tag %1 at offset %2").arg(tag).arg(at);
            QR2ShowMessage(context, QStringLiteral("Error in reportfile"), context.FileName);
            applyRichTexts(richTexts, context, owner);
            return false;
        }
        if (endTag)
            break;
    }

    if (endTag) {
        const QList<TOSComponent> records = ReadOSComponentList(in);
        TObjectReader reader(owner, report);
        reader.AllowedClasses = QR2RegisteredClasses();
        reader.IgnoredClasses = context.SelectionFrameClasses + QR2SkippedClasses();
        reader.OnComponentRead = context.ComponentRead;
        reader.Read(records);
        context.SkippedProperties << reader.Skipped();
        if (context.DatabaseOwner)
            DecodeExternalReferences(owner, context.DatabaseOwner);
    }
    applyParamMarks(marks, owner);
    applyRichTexts(richTexts, context, owner);
    for (TComponent *c : owner->ComponentList()) {
        if (!InheritsAny(c, context.DBTextClasses))
            continue;
        auto *ds =
            qobject_cast<TDataSet *>(GetPropertyValue(c, QStringLiteral("DataSet")).value<QObject *>());
        const QString fieldName = GetPropertyValue(c, QStringLiteral("DataField")).toString();
        if (TField *field = ds ? ds->FindField(fieldName) : nullptr)
            SetPropertyValue(c, QStringLiteral("Caption"), field->DisplayLabel());
    }
    removeDuplicateSources(owner);
    report->RebuildBandList();
    return true;
}
} // namespace

bool ReadReport(const QByteArray &data, TQR2Context &context, const QString &fileName,
                TQRCustomReport *report, TComponent *owner, bool withDataSettings)
{
    context.FileName = fileName;
    context.LastError.clear();
    context.SkippedProperties.clear();
    if (context.BeginRead)
        context.BeginRead(fileName);
    const TQRUnit units = report->Units();
    bool ok = false;
    try {
        TByteReader in(data);
        const quint16 version = in.U16();
        if (version != QR2::Version && version != QR2::OldVersion) {
            context.LastError =
                QStringLiteral("unknown version word 0x%1").arg(version, 4, 16, QLatin1Char('0'));
            QR2ShowMessage(context, QStringLiteral("Error in reportfile"), fileName);
            return false;
        }
        if (context.ClearReport)
            context.ClearReport(withDataSettings);
        else
            clearReport(context, report, owner, withDataSettings);
        ok = readBlocksAndBands(in, context, report, owner, withDataSettings);
    } catch (const EQR2ReadError &e) {
        context.LastError = e.Offset() >= 0
                                ? QStringLiteral("%1 at offset %2").arg(e.Message()).arg(e.Offset())
                                : e.Message();
        QR2ShowMessage(context, QStringLiteral("Error in reportfile"), fileName);
        ok = false;
    } catch (const std::exception &e) {
        // Raised by a component while it took a stored value.
        context.LastError = QString::fromLocal8Bit(e.what());
        QR2ShowMessage(context, QStringLiteral("Error in reportfile"), fileName);
        ok = false;
    }
    report->SetUnits(units);
    return ok;
}

bool LoadReportFromFile(const QString &fileName, TQR2Context &context, TQRCustomReport *report,
                        TComponent *owner)
{
    QFile file(fileName);
    if (!file.exists()) {
        // The system's own words for it ("No such file or directory") are the cause.
        context.LastError =
            file.open(QIODevice::ReadOnly) ? QStringLiteral("the file does not exist") : file.errorString();
        QR2ShowMessage(context, QStringLiteral("Reportfile not found"), fileName);
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        context.LastError = file.errorString();
        QR2ShowMessage(context, QStringLiteral("Error in reportfile"), fileName);
        return false;
    }
    return ReadReport(file.readAll(), context, fileName, report, owner, true);
}
