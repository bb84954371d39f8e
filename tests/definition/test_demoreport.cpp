// Design reports built in code over the demo database: a grouped, filtered
// customer list in which a script keeps some bands from printing, checked
// against the rows the database itself gives.

#include "common/programdir.h"
#include "data/dataset.h"
#include "data/query.h"
#include "deftest.h"

#include <QSqlDatabase>
#include <QSqlQuery>

#ifdef TABULON_DEMO_DIR

namespace
{

struct Row {
    QString country, city, company;
};

// The rows straight from the database file, without the report engine.
QList<Row> demoRows(const QString &where)
{
    QList<Row> rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("demo-check"));
        db.setDatabaseName(QStringLiteral(TABULON_DEMO_DIR "/demo.sqlite"));
        EXPECT_TRUE(db.open());
        QSqlQuery q(db);
        EXPECT_TRUE(q.exec(QStringLiteral("SELECT Country, City, Company FROM customers WHERE ") + where +
                           QStringLiteral(" ORDER BY Country, City, Company")));
        while (q.next())
            rows.append({q.value(0).toString(), q.value(1).toString(), q.value(2).toString()});
    }
    QSqlDatabase::removeDatabase(QStringLiteral("demo-check"));
    return rows;
}

class DemoReport : public DesignTest
{
protected:
    DemoReport()
    {
        SetProgramDir(QStringLiteral(TABULON_DEMO_DIR));
        query = new TQuery(form.get());
        query->SetName(QStringLiteral("Customers"));
        query->SetDatabaseName(QStringLiteral("DEMO"));
        query->SetSQL({QStringLiteral("SELECT Country, City, Company FROM customers"),
                       QStringLiteral("WHERE Country IN ('Germany', 'Spain', 'Italy')"),
                       QStringLiteral("ORDER BY Country, City, Company")});
        auto *source = new TDataSource(form.get());
        source->SetName(QStringLiteral("CustomersSource"));
        source->SetDataSet(query);
        query->Open();
        report->SetDataSet(query);
    }
    TQuery *query = nullptr;
};

TEST_F(DemoReport, GroupedFilteredListWithScriptedBands)
{
    TQRDesignBand *title = designBand(QR::rbTitle, 100, QStringLiteral("Title"));
    label(title, QStringLiteral("Customers by country"));
    auto *country = band<TQRDesignGroup>(QR::rbGroupHeader, 80, QStringLiteral("CountryGroup"));
    country->SetExpression(QStringLiteral("[Country]"));
    country->SetMaster(report);
    expr(country, QStringLiteral("'Country: ' + [Country]"));
    TQRDesignBand *detail = designBand(QR::rbDetail, 50, QStringLiteral("Detail"));
    auto *company = element<TQRDesignDBText>(detail, 100, 0);
    company->SetDataSet(query);
    company->SetDataField(QStringLiteral("Company"));
    auto *city = element<TQRDesignDBText>(detail, 1000, 0);
    city->SetDataSet(query);
    city->SetDataField(QStringLiteral("City"));
    // The condition leaves Italy's Rome out; the script Germany's Berlin and the whole Spanish group header.
    detail->SetBandExpression(QStringLiteral("[City] <> 'Rome'"));
    loader->SetScript({QStringLiteral("[Detail.BeforePrint]"), QStringLiteral("IF ([City] = 'Berlin')"),
                       QStringLiteral("RETURN(FALSE)"), QStringLiteral("ENDIF"),
                       QStringLiteral("[CountryGroup.BeforePrint]"), QStringLiteral("RETURN([Country] <> 'Spain')")});

    RecordingFilter filter;
    ASSERT_TRUE(run(filter));

    const QList<Row> rows = demoRows(QStringLiteral("Country IN ('Germany', 'Spain', 'Italy')"));
    ASSERT_GT(rows.size(), 10);
    // Expected placements: title, then per country a header (Spain's kept
    // back) and the companies that pass the condition and the script.
    struct Placed {
        QString text;
        double y;
    };
    QList<Placed> expected;
    double y = 100;
    expected.append({QStringLiteral("Customers by country"), y});
    y += 100;
    QString current;
    for (const Row &r : rows) {
        if (r.country != current) {
            current = r.country;
            if (r.country != QLatin1String("Spain")) {
                expected.append({QStringLiteral("Country: ") + r.country, y});
                y += 80;
            }
        }
        if (r.city == QLatin1String("Rome") || r.city == QLatin1String("Berlin"))
            continue;
        expected.append({r.company, y});
        y += 50;
    }
    QList<Placed> printed;
    for (const TextItem &i : filter.items)
        if (i.page == 1 && !i.text.isEmpty() && std::abs(i.x - 1100) > 1)
            printed.append({i.text, i.y});
    ASSERT_EQ(printed.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(printed[i].text, expected[i].text) << i;
        EXPECT_NEAR(printed[i].y, expected[i].y, 1) << expected[i].text.toStdString();
    }
    EXPECT_EQ(filter.pages, 1);
    // Something was actually filtered out by each rule.
    EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [](const Row &r) { return r.city == "Berlin"; }));
    EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [](const Row &r) { return r.country == "Spain"; }));
}

// An employee label sheet: two columns of labels, three rows a column.
class DemoLabels : public DesignTest
{
protected:
    DemoLabels()
    {
        SetProgramDir(QStringLiteral(TABULON_DEMO_DIR));
        query = new TQuery(form.get());
        query->SetName(QStringLiteral("Employees"));
        query->SetDatabaseName(QStringLiteral("DEMO"));
        query->SetSQL({QStringLiteral("SELECT LastName, FirstName FROM employees WHERE EmpNo <= 8 ORDER BY EmpNo")});
        auto *source = new TDataSource(form.get());
        source->SetName(QStringLiteral("EmployeesSource"));
        source->SetDataSet(query);
        query->Open();
        report->SetDataSet(query);
        report->Page()->SetColumns(2);
        TQRDesignBand *labels = designBand(QR::rbDetail, 900, QStringLiteral("DetailBand"));
        auto *name = element<TQRDesignDBText>(labels, 50, 50);
        name->SetDataSet(query);
        name->SetDataField(QStringLiteral("LastName"));
    }
    // The last names in the database's order.
    QStringList names()
    {
        QStringList list;
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("demo-names"));
        db.setDatabaseName(QStringLiteral(TABULON_DEMO_DIR "/demo.sqlite"));
        if (db.open()) {
            QSqlQuery q(QStringLiteral("SELECT LastName FROM employees WHERE EmpNo <= 8 ORDER BY EmpNo"), db);
            while (q.next())
                list << q.value(0).toString();
        }
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("demo-names"));
        return list;
    }
    // Name, row (0-based) and column (0-based) of every label printed on page 1.
    struct Cell {
        QString name;
        int row, column;
        bool operator==(const Cell &o) const { return name == o.name && row == o.row && column == o.column; }
    };
    static QList<Cell> cells(const RecordingFilter &filter)
    {
        QList<Cell> result;
        for (const TextItem &i : filter.items)
            if (i.page == 1 && !i.text.isEmpty())
                result.append({i.text, int(std::lround((i.y - 150) / 900)), i.x > 1000 ? 1 : 0});
        return result;
    }
    TQuery *query = nullptr;
};

TEST_F(DemoLabels, FirstLabelTwoStartsInRowTwo)
{
    report->LabelSettings()->SetFirstLabel(2);
    RecordingFilter filter;
    ASSERT_TRUE(run(filter));
    const QStringList n = names();
    ASSERT_EQ(n.size(), 8);
    // Rows 1 and 2 of column 1, then rows 0..2 of column 2; the rest on page 2.
    EXPECT_EQ(cells(filter), (QList<Cell>{{n[0], 1, 0}, {n[1], 2, 0}, {n[2], 0, 1}, {n[3], 1, 1}, {n[4], 2, 1}}));
    EXPECT_EQ(filter.pages, 2);
    // The spacer bands are gone after the run.
    EXPECT_EQ(report->ChildBands().size(), 1);
}

TEST_F(DemoLabels, FirstLabelFiveStartsInTheSecondColumn)
{
    report->LabelSettings()->SetFirstLabel(5);
    RecordingFilter filter;
    ASSERT_TRUE(run(filter));
    const QStringList n = names();
    EXPECT_EQ(cells(filter), (QList<Cell>{{n[0], 1, 1}, {n[1], 2, 1}}));
    EXPECT_EQ(filter.pages, 2);
}

} // namespace

#endif
