#pragma once

// Helpers for generation tests: a filter that records what it is given, a
// report laid out in native units, and recorded pages as pictures.

#include "data/query.h"
#include "data/session.h"
#include "engine/exportfilter.h"
#include "enginetest.h"
#include "output/pages/qrprinter.h"
#include "testutil.h"

#include <QDir>
#include <QImage>
#include <QString>
#include <QTemporaryDir>
#include <utility>
#include <vector>

struct TextItem {
    int page; // pages begun by the filter, 1-based
    double x, y;
    QString text;
    QR::TAlignment alignment;
    QString fontName;
};

class RecordingFilter : public TQRExportFilter
{
public:
    explicit RecordingFilter(const QString &fileName = QString()) : TQRExportFilter(fileName) {}
    QString FilterName() const override { return QStringLiteral("Recording"); }
    QString FileExtension() const override { return QStringLiteral("REC"); }
    void Start(int w, int h, const TFont *font) override
    {
        TQRExportFilter::Start(w, h, font);
        events << QStringLiteral("Start %1 %2").arg(w).arg(h);
    }
    void NewPage() override
    {
        ++pages;
        events << QStringLiteral("NewPage");
    }
    void EndPage() override { events << QStringLiteral("EndPage"); }
    void Finish() override
    {
        TQRExportFilter::Finish();
        events << QStringLiteral("Finish");
    }
    void WriteTextItem(double x, double y, const TFont *font, TColor, QR::TAlignment a,
                       const QString &text) override
    {
        items.push_back({pages, x, y, text, a, font ? font->Name() : QString()});
    }

    // The texts of one page in the order they were given.
    QStringList texts(int page) const
    {
        QStringList list;
        for (const TextItem &i : items)
            if (i.page == page)
                list << i.text;
        return list;
    }
    const TextItem *find(const QString &text, int occurrence = 0) const
    {
        for (const TextItem &i : items)
            if (i.text == text && occurrence-- == 0)
                return &i;
        return nullptr;
    }

    int pages = 0;
    QStringList events;
    std::vector<TextItem> items;
};

// A report on A4 portrait, 10 mm margins, one column.
struct GenFixture : ReportFixture {
    GenFixture()
    {
        report->SetUnits(QRUnits::MM);
        report->Page()->SetOrientation(QRPaper::poPortrait);
        report->Page()->SetPaperSize(QRPaper::A4);
        setMargins(100, 100, 100, 100);
        report->SetShowProgress(false);
    }
    void setMargins(double top, double bottom, double left, double right)
    {
        TQRPage *p = report->Page();
        p->SetNativeValue(TQRPage::TopMarginIndex, top);
        p->SetNativeValue(TQRPage::BottomMarginIndex, bottom);
        p->SetNativeValue(TQRPage::LeftMarginIndex, left);
        p->SetNativeValue(TQRPage::RightMarginIndex, right);
    }
    TQRBand *addBand(QR::TQRBandType type, double height, const QString &name = QString())
    {
        TQRBand *b = band<TQRBand>(type, name);
        b->Size()->SetNativeValue(TQRBandSize::HeightIndex, height);
        return b;
    }
    template <class T> T *element(TQRCustomBand *parent, double left, double top, double width, double height)
    {
        auto *e = new T(form.get());
        e->SetParent(parent);
        TQRPrintableSize *s = e->Size();
        s->SetNativeValue(TQRPrintableSize::LeftIndex, left);
        s->SetNativeValue(TQRPrintableSize::TopIndex, top);
        s->SetNativeValue(TQRPrintableSize::WidthIndex, width);
        s->SetNativeValue(TQRPrintableSize::HeightIndex, height);
        return e;
    }
    TQRLabel *label(TQRCustomBand *parent, const QString &caption, double left = 0, double top = 0)
    {
        auto *l = element<TQRLabel>(parent, left, top, 300, 40);
        l->SetCaption(caption);
        return l;
    }
    // Records supplied through OnNeedData: count of them.
    void records(int count)
    {
        report->OnNeedData = [this, count](QObject *, bool &more) { more = ++record <= count; };
    }
    // Exports into filter and returns it.
    void exportTo(RecordingFilter &filter)
    {
        record = 0;
        report->ExportToFilter(&filter);
    }
    int record = 0;
};

// A directory database with CSV tables, and queries on it owned by the report's form.
struct DataFixture : GenFixture {
    QTemporaryDir dir;
    QString tables;
    DataFixture()
    {
        tables = dir.filePath(QStringLiteral("tables"));
        QDir().mkpath(tables);
    }
    ~DataFixture() { Session().CloseDatabases(); }
    TQuery *query(const QString &table, const QByteArray &csv, const QString &sql)
    {
        testutil::writeFile(tables + QLatin1Char('/') + table + QStringLiteral(".csv"), csv);
        auto *q = new TQuery(form.get());
        q->SetName(table);
        q->SetDatabaseName(tables);
        q->SetSQLText(sql);
        return q;
    }
};

// Pages and y positions of the items with this text, in order.
inline std::vector<std::pair<int, double>> positions(const RecordingFilter &f, const QString &text)
{
    std::vector<std::pair<int, double>> list;
    for (const TextItem &i : f.items)
        if (i.text == text)
            list.push_back({i.page, i.y});
    return list;
}

// A recorded page replayed onto a white image of the page's pixel size.
QImage PageImage(TQRPrinter *printer, int page);
// Saves a page as PNG (for looking at pages by hand); false on failure.
bool SavePagePng(TQRPrinter *printer, int page, const QString &fileName);
