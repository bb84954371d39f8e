// Design elements at print time: mapped, suppressed and blanked database
// values, display-label captions, elements that follow the band's growth,
// rotated text, and group bands decided by scripts.

#include "data/dataset.h"
#include "data/field.h"
#include "common/classregistry.h"
#include "data/query.h"
#include "data/table.h"
#include "definition/reportdata.h"
#include "deftest.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

namespace
{

void makeTable(const QString &file, const QStringList &statements)
{
    static int counter = 0;
    const QString name = QStringLiteral("designdata-%1").arg(++counter);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        ASSERT_TRUE(db.open());
        for (const QString &s : statements) {
            QSqlQuery q(db);
            ASSERT_TRUE(q.exec(s)) << q.lastError().text().toStdString();
        }
    }
    QSqlDatabase::removeDatabase(name);
}

class DesignData : public DesignTest
{
protected:
    DesignData()
    {
        makeTable(dir.filePath(QStringLiteral("people.sqlite")),
                  {QStringLiteral("CREATE TABLE people (id INTEGER PRIMARY KEY, name VARCHAR(20), "
                                  "country VARCHAR(20), city VARCHAR(20), flag INTEGER, amount FLOAT)"),
                   QStringLiteral("INSERT INTO people VALUES (1,'Ann','DE','Berlin',1,0), (2,'Bob','DE','Berlin',0,1.5), "
                                  "(3,'Cid','DE','Bonn',2,0), (4,'Dan','FR','Paris',1,2), (5,'Eve','FR','Paris',0,0)")});
        table = new TTable(form.get());
        table->SetName(QStringLiteral("People"));
        table->SetDatabaseName(dir.path());
        table->SetTableName(QStringLiteral("people"));
        auto *source = new TDataSource(form.get());
        source->SetName(QStringLiteral("PeopleSource"));
        source->SetDataSet(table);
        table->Open();
        report->SetDataSet(table);
        detail = designBand(QR::rbDetail, 100, QStringLiteral("Detail"));
    }
    TQRDesignDBText *dbText(TQRCustomBand *band, const QString &field, double left = 0)
    {
        auto *t = element<TQRDesignDBText>(band, left, 0);
        t->SetDataSet(table);
        t->SetDataField(field);
        return t;
    }
    // The texts printed at column x (native left) in order.
    static QStringList column(const RecordingFilter &filter, double x)
    {
        QStringList texts;
        for (const TextItem &i : filter.items)
            if (std::abs(i.x - x) < 1 && !i.text.isEmpty())
                texts << i.text;
        return texts;
    }

    QTemporaryDir dir;
    TTable *table = nullptr;
    TQRDesignBand *detail = nullptr;
};

TEST_F(DesignData, MapListMapsValuesToDisplayTexts)
{
    TQRDesignDBText *flag = dbText(detail, QStringLiteral("flag"), 500);
    flag->SetMapList({QStringLiteral("Yes\t1"), QStringLiteral("No\t0")});
    RecordingFilter filter;
    ASSERT_TRUE(run(filter));
    EXPECT_EQ(column(filter, 600), (QStringList{"Yes", "No", "2", "Yes", "No"}));
}

TEST_F(DesignData, MapListLinesApplyOneAfterTheOther)
{
    TQRDesignDBText *flag = dbText(detail, QStringLiteral("flag"), 500);
    flag->SetMapList({QStringLiteral("one\t1"), QStringLiteral("ONE\tone"), QStringLiteral("no tab line")});
    RecordingFilter filter;
    ASSERT_TRUE(run(filter));
    EXPECT_EQ(column(filter, 600), (QStringList{"ONE", "0", "2", "ONE", "0"}));
}

TEST_F(DesignData, SuppressRepeatedValuesOnOnePage)
{
    TQRDesignDBText *country = dbText(detail, QStringLiteral("country"), 500);
    country->SetSuppressRepeatedValues(true);
    RecordingFilter filter;
    ASSERT_TRUE(run(filter));
    EXPECT_EQ(column(filter, 600), (QStringList{"DE", "FR"}));
}

TEST_F(DesignData, SuppressRepeatedValuesReprintOnNewPage)
{
    // Two details a page.
    detail->Size()->SetNativeValue(TQRBandSize::HeightIndex, 1300);
    TQRDesignDBText *country = dbText(detail, QStringLiteral("country"), 500);
    country->SetSuppressRepeatedValues(true);
    RecordingFilter without;
    ASSERT_TRUE(run(without));
    EXPECT_EQ(without.pages, 3);
    EXPECT_EQ(column(without, 600), (QStringList{"DE", "FR"}));

    country->SetReprintOnNewPage(true);
    RecordingFilter with;
    ASSERT_TRUE(run(with));
    // Pages: (DE DE) (DE FR) (FR): the first value of every page prints.
    EXPECT_EQ(pagesOf(with, QStringLiteral("DE")), (QList<int>{1, 2}));
    EXPECT_EQ(pagesOf(with, QStringLiteral("FR")), (QList<int>{2, 3}));
}

TEST_F(DesignData, SuppressionStartsAfreshWithEveryRun)
{
    TQRDesignDBText *country = dbText(detail, QStringLiteral("country"), 500);
    country->SetSuppressRepeatedValues(true);
    RecordingFilter first, second;
    ASSERT_TRUE(run(first));
    ASSERT_TRUE(run(second));
    EXPECT_EQ(column(second, 600), (QStringList{"DE", "FR"}));
}

TEST_F(DesignData, ReprintOnNewGroupAfterAGroupHeader)
{
    auto *group = band<TQRDesignGroup>(QR::rbGroupHeader, 50, QStringLiteral("CityGroup"));
    group->SetExpression(QStringLiteral("[city]"));
    group->SetMaster(report);
    TQRDesignDBText *country = dbText(detail, QStringLiteral("country"), 500);
    country->SetSuppressRepeatedValues(true);
    country->SetReprintOnNewGroup(true);
    RecordingFilter filter;
    ASSERT_TRUE(run(filter));
    // Berlin(DE DE) Bonn(DE) Paris(FR FR).
    EXPECT_EQ(column(filter, 600), (QStringList{"DE", "DE", "FR"}));
}

TEST_F(DesignData, BlankIfZero)
{
    TQRDesignDBText *amount = dbText(detail, QStringLiteral("amount"), 500);
    amount->SetBlankIfZero(true);
    TQRDesignDBText *name = dbText(detail, QStringLiteral("name"), 1000);
    name->SetBlankIfZero(true); // text that is not a number is left alone
    RecordingFilter filter;
    ASSERT_TRUE(run(filter));
    EXPECT_EQ(column(filter, 600), (QStringList{"1.5", "2"}));
    EXPECT_EQ(column(filter, 1100).size(), 5);
}

TEST_F(DesignData, UserOnPrintSeesTheMappedText)
{
    TQRDesignDBText *flag = dbText(detail, QStringLiteral("flag"), 500);
    flag->SetMapList({QStringLiteral("Yes\t1")});
    QStringList seen;
    flag->OnPrint = [&](QObject *, QString &value) {
        seen << value;
        value += QLatin1Char('!');
    };
    RecordingFilter filter;
    ASSERT_TRUE(run(filter));
    EXPECT_EQ(seen, (QStringList{"Yes", "0", "2", "Yes", "0"}));
    EXPECT_EQ(column(filter, 600).first(), QStringLiteral("Yes!"));
    EXPECT_TRUE(flag->OnPrint != nullptr);
}

TEST_F(DesignData, CaptionsShowDisplayLabelsAfterARun)
{
    table->FieldByName(QStringLiteral("name"))->SetDisplayLabel(QStringLiteral("Full name"));
    TQRDesignDBText *name = dbText(detail, QStringLiteral("name"), 500);
    RecordingFilter filter;
    ASSERT_TRUE(run(filter));
    EXPECT_EQ(name->Caption(), QStringLiteral("Full name"));
}

TEST_F(DesignData, GroupScriptDecidesAndTheGroupKeepsIt)
{
    auto *group = band<TQRDesignGroup>(QR::rbGroupHeader, 50, QStringLiteral("CityGroup"));
    group->SetExpression(QStringLiteral("[city]"));
    group->SetMaster(report);
    expr(group, QStringLiteral("'City ' + [city]"));
    loader->SetScript({QStringLiteral("[CityGroup.BeforePrint]"), QStringLiteral("IF ([country] = 'FR')"),
                       QStringLiteral("RETURN(FALSE)"), QStringLiteral("ENDIF")});
    QList<bool> decisions;
    group->BeforePrint = [&](TQRCustomBand *, bool &) {};
    loader->BandBeforePrint = [&](TQRCustomBand *band, bool &printBand) {
        if (band == group)
            decisions << printBand;
    };
    RecordingFilter filter;
    ASSERT_TRUE(run(filter));
    EXPECT_EQ(filter.texts(1).filter(QStringLiteral("City ")),
              (QStringList{"City Berlin", "City Bonn"}));
    EXPECT_EQ(decisions, (QList<bool>{true, true}));
    EXPECT_FALSE(group->GroupPrinted());
}

TEST_F(DesignData, GroupPrintExpressionIsTheCondition)
{
    auto *group = band<TQRDesignGroup>(QR::rbGroupHeader, 50, QStringLiteral("CityGroup"));
    group->SetExpression(QStringLiteral("[city]"));
    group->SetPrintExpression(QStringLiteral("[country] = 'DE'"));
    group->SetMaster(report);
    expr(group, QStringLiteral("'City ' + [city]"));
    RecordingFilter filter;
    ASSERT_TRUE(run(filter));
    EXPECT_EQ(filter.texts(1).filter(QStringLiteral("City ")), (QStringList{"City Berlin", "City Bonn"}));
}

// --- query parameters around a run ----------------------------------------------------------------

class ParamReport : public DesignData
{
protected:
    ParamReport()
    {
        query = new TQuery(form.get());
        query->SetName(QStringLiteral("ByCountry"));
        query->SetDatabaseName(dir.path());
        query->SetSQL({QStringLiteral("SELECT name FROM people WHERE country = :c ORDER BY id")});
        query->ParamByName(QStringLiteral("c"))->SetBound(true);
        auto *source = new TDataSource(form.get());
        source->SetName(QStringLiteral("ByCountrySource"));
        source->SetDataSet(query);
        report->SetDataSet(query);
        auto *name = element<TQRDesignDBText>(detail, 500, 0);
        name->SetDataSet(query);
        name->SetDataField(QStringLiteral("name"));
    }
    TQuery *query = nullptr;
};

TEST_F(ParamReport, BoundParameterIsAskedForEveryRunAndGoneAfterwards)
{
    prompt.QueueInput(QStringLiteral("FR"));
    RecordingFilter first;
    ASSERT_TRUE(run(first));
    EXPECT_EQ(column(first, 600), (QStringList{"Dan", "Eve"}));
    EXPECT_TRUE(query->ParamByName(QStringLiteral("c"))->IsNull());
    ASSERT_EQ(prompt.Records().size(), 1);
    EXPECT_EQ(prompt.Records()[0].kind, TScriptedPrompt::Record::Input);
    EXPECT_EQ(prompt.Records()[0].caption, QStringLiteral("Parameter of ByCountry"));
    EXPECT_EQ(prompt.Records()[0].text, QStringLiteral("Please type in the parameter \"c'\":"));

    prompt.QueueInput(QStringLiteral("DE"));
    RecordingFilter second;
    ASSERT_TRUE(run(second));
    EXPECT_EQ(column(second, 600), (QStringList{"Ann", "Bob", "Cid"}));
    EXPECT_EQ(prompt.Records().size(), 2);
    EXPECT_TRUE(query->ParamByName(QStringLiteral("c"))->IsNull());
}

TEST_F(ParamReport, ParameterWithAValueIsNotAsked)
{
    query->ParamByName(QStringLiteral("c"))->SetAsString(QStringLiteral("FR"));
    query->Open(); // as a report file's reader leaves it
    RecordingFilter filter;
    ASSERT_TRUE(run(filter));
    EXPECT_TRUE(prompt.Records().isEmpty());
    EXPECT_EQ(column(filter, 600), (QStringList{"Dan", "Eve"}));
    EXPECT_EQ(query->ParamByName(QStringLiteral("c"))->AsString(), QStringLiteral("FR"));
}

TEST_F(ParamReport, CancellingTheInputCancelsTheRunAndChangesNothing)
{
    prompt.QueueInput(std::nullopt);
    const auto before = report->BeforePrint;
    bool reportStarted = false;
    report->BeforePrint = [&](TQRCustomReport *, bool &) { reportStarted = true; };
    RecordingFilter filter;
    EXPECT_FALSE(run(filter));
    EXPECT_FALSE(reportStarted);
    EXPECT_TRUE(filter.items.empty());
    EXPECT_TRUE(query->ParamByName(QStringLiteral("c"))->IsNull());
    EXPECT_TRUE(query->ParamByName(QStringLiteral("c"))->Bound());
    EXPECT_FALSE(report->Prepared());
    EXPECT_EQ(report->TemporarySummaryBand(), nullptr);
}

TEST_F(ParamReport, HostMayCancelBeforeTheParametersAreAsked)
{
    int asked = 0;
    loader->BeforeGetQueryParams = [&](TQuery *q, bool &doCancel) {
        ++asked;
        EXPECT_EQ(q, query);
        doCancel = true;
    };
    RecordingFilter filter;
    EXPECT_FALSE(run(filter));
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(prompt.Records().isEmpty());
}

TEST_F(DesignData, CalcFieldsHandlerForwardsToTheLoader)
{
    int calls = 0;
    loader->OnCalcFields = [&](TDataSet *ds) { calls += ds == table; };
    loader->InstallCalcFieldsHandler(table);
    ASSERT_TRUE(table->OnCalcFields != nullptr);
    table->OnCalcFields(table);
    EXPECT_EQ(calls, 1);
    // A handler left on a dataset after its loader is gone does nothing.
    loader->OnCalcFields = nullptr;
    table->OnCalcFields(table);
    EXPECT_EQ(calls, 1);
}

TEST_F(DesignData, ReadDatasetsExpandTheirTemplatesAgainstTheReport)
{
    auto *templ = qobject_cast<TQRDWQuery *>(CreateComponent(QStringLiteral("TQRDWQuery"), form.get()));
    ASSERT_NE(templ, nullptr);
    templ->SetDatabaseName(dir.path());
    templ->SetOriginalSQL({QStringLiteral("SELECT name FROM people"), QStringLiteral("WHERE id > %%1 + 2%%"),
                           QStringLiteral("  %%'%DEL'%%  ")});
    QStringList opened;
    loader->BeforeOpenDataset = [&](TDataSet *ds) { opened << ds->metaObject()->className(); };
    loader->DatasetRead(templ, QString());
    EXPECT_EQ(templ->SQL(), (QStringList{"SELECT name FROM people", "WHERE id > 3"}));
    EXPECT_EQ(opened, (QStringList{"TQRDWQuery"}));
    EXPECT_TRUE(templ->OnCalcFields != nullptr);
}

// --- elements following the band ------------------------------------------------------------------

class Growth : public DesignTest
{
protected:
    Growth()
    {
        title = designBand(QR::rbTitle, 100, QStringLiteral("Title"));
        // Created before the memo: the preparation moves them behind it.
        fixed = label(title, QStringLiteral("FIXED"), 1000, 60);
        fixed->SetFixBottomPosition(true);
        plain = label(title, QStringLiteral("PLAIN"), 1400, 60);
        stretched = label(title, QStringLiteral("STRETCHED"), 1800, 0);
        stretched->SetStretchHeightWithBand(true);
        auto *memo = element<TQRDesignMemo>(title, 0, 0, 500, 40);
        memo->SetAutoStretch(true);
        memo->SetLines({"one", "two", "three", "four", "five"});
        next = designBand(QR::rbDetail, 100, QStringLiteral("Next"));
        label(next, QStringLiteral("NEXT"));
        records(1);
    }
    TQRDesignBand *title, *next;
    TQRDesignLabel *fixed, *plain, *stretched;
};

TEST_F(Growth, FixBottomPositionKeepsTheDistanceToTheBandBottom)
{
    RecordingFilter filter;
    ASSERT_TRUE(run(filter));
    const TextItem *f = filter.find(QStringLiteral("FIXED"));
    const TextItem *p = filter.find(QStringLiteral("PLAIN"));
    const TextItem *n = filter.find(QStringLiteral("NEXT"));
    ASSERT_TRUE(f && p && n);
    const double bandTop = p->y - 60;
    const double growth = n->y - (bandTop + 100);
    EXPECT_GT(growth, 50);
    EXPECT_NEAR(f->y - p->y, growth, 1);
}

TEST_F(Growth, StretchHeightWithBandPrintsTallerAndIsRestored)
{
    double printedHeight = 0;
    stretched->OnPrint = [&](QObject *, QString &) {
        printedHeight = stretched->Size()->NativeValue(TQRPrintableSize::HeightIndex);
    };
    RecordingFilter filter;
    ASSERT_TRUE(run(filter));
    const TextItem *p = filter.find(QStringLiteral("PLAIN"));
    const TextItem *n = filter.find(QStringLiteral("NEXT"));
    ASSERT_TRUE(p && n);
    const double growth = n->y - (p->y - 60 + 100);
    EXPECT_NEAR(printedHeight, 40 + growth, 1);
    EXPECT_DOUBLE_EQ(stretched->Size()->NativeValue(TQRPrintableSize::HeightIndex), 40);
}

// --- rotated text ---------------------------------------------------------------------------------

// The bounding box of the dark pixels of an image region.
QRect inkBox(const QImage &image, const QRect &region)
{
    QRect box;
    for (int y = region.top(); y <= region.bottom() && y < image.height(); ++y)
        for (int x = region.left(); x <= region.right() && x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                box |= QRect(x, y, 1, 1);
    return box;
}

class Rotation : public DesignTest
{
protected:
    QRect printedInk(int degree)
    {
        auto *title = designBand(QR::rbTitle, 800, QStringLiteral("Title%1").arg(degree));
        TQRDesignLabel *l = element<TQRDesignLabel>(title, 100, 100, 600, 600);
        l->SetAutoSize(false);
        l->SetTransparent(true);
        l->SetCaption(QStringLiteral("TURNED TEXT"));
        l->Font()->SetSize(14);
        l->SetDegree(degree);
        EXPECT_TRUE(report->PreparePagesRun());
        const QImage page = PageImage(report->QRPrinter(), 1);
        EXPECT_FALSE(page.isNull());
        delete title;
        return inkBox(page, QRect(0, 0, page.width(), page.height() / 3));
    }
};

TEST_F(Rotation, Degree900TurnsTheTextUpright)
{
    const QRect flat = printedInk(0);
    const QRect turned = printedInk(900);
    ASSERT_FALSE(flat.isEmpty());
    ASSERT_FALSE(turned.isEmpty());
    EXPECT_GT(flat.width(), 3 * flat.height());
    EXPECT_GT(turned.height(), 3 * turned.width());
    // About the same length either way.
    EXPECT_NEAR(turned.height(), flat.width(), flat.width() / 5);
}

TEST_F(Rotation, TurnedTextStaysInsideTheElementAndReachesTheExport)
{
    auto *title = designBand(QR::rbTitle, 800, QStringLiteral("Title"));
    TQRDesignLabel *l = element<TQRDesignLabel>(title, 100, 100, 600, 600);
    l->SetCaption(QStringLiteral("UP"));
    l->SetDegree(900);
    EXPECT_FALSE(l->AutoSize());
    RecordingFilter filter;
    ASSERT_TRUE(run(filter));
    EXPECT_NE(filter.find(QStringLiteral("UP")), nullptr);
    ASSERT_TRUE(report->PreparePagesRun());
    const QImage page = PageImage(report->QRPrinter(), 1);
    // TABULON_TEST_PNG=dir keeps the page for looking at it.
    if (qEnvironmentVariableIsSet("TABULON_TEST_PNG"))
        page.save(qEnvironmentVariable("TABULON_TEST_PNG") + QStringLiteral("/rotated.png"));
    TQRPrinter *printer = report->QRPrinter();
    const QRect element(printer->XPos(200), printer->YPos(200), printer->XSize(600), printer->YSize(600));
    const QRect ink = inkBox(page, QRect(0, 0, page.width(), page.height() / 2));
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_TRUE(element.adjusted(-1, -1, 1, 1).contains(ink));
    // Rising text sits against the element's bottom edge.
    EXPECT_GT(ink.bottom(), element.bottom() - element.height() / 4);
}

} // namespace
