// The demo reports as shipped: each text form builds into the report file the
// build made, survives a load and save and a dump and rebuild byte for byte,
// and runs over the demo database into pages that show its rows.

#include "common/programdir.h"
#include "common/prompt.h"
#include "data/dataset.h"
#include "data/query.h"
#include "data/session.h"
#include "definition/qr2format.h"
#include "definition/qr2text.h"
#include "deftest.h"
#include "testutil.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#if defined(TABULON_DEMO_DIR) && defined(TABULON_DEMO_REPORTS_SOURCE)

namespace
{
const QStringList kReports = {QStringLiteral("customers"), QStringLiteral("orders"),
                              QStringLiteral("invoice"),   QStringLiteral("parts"),
                              QStringLiteral("items"),     QStringLiteral("employees"),
                              QStringLiteral("letter")};

QString built(const QString &name)
{
    return QStringLiteral(TABULON_DEMO_DIR "/") + name + QStringLiteral(".QR2");
}

// The application's report holder: a window owning the report "Report" and its loader.
struct Holder {
    Holder()
    {
        report->SetName(QStringLiteral("Report"));
        report->SetShowProgress(false);
        loader->SetQReport(report);
    }
    std::unique_ptr<TForm> form = std::make_unique<TForm>();
    TQRDesignReport *report = new TQRDesignReport(form.get());
    TQRDLoader *loader = new TQRDLoader(form.get());
};

// One column of a demo database query, as text.
QStringList column(const QString &sql)
{
    QStringList values;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("demo-files"));
        db.setDatabaseName(QStringLiteral(TABULON_DEMO_DIR "/demo.sqlite"));
        EXPECT_TRUE(db.open());
        QSqlQuery q(db);
        EXPECT_TRUE(q.exec(sql)) << sql.toStdString();
        while (q.next())
            values << q.value(0).toString();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("demo-files"));
    return values;
}

class DemoFiles : public ::testing::Test
{
protected:
    DemoFiles()
    {
        LocaleSettings().Load(QStringLiteral("en_US"));
        SetProgramDir(QStringLiteral(TABULON_DEMO_DIR));
    }
    ~DemoFiles() override
    {
        holder.reset();
        Session().CloseDatabases();
        SetProgramDir(QString());
    }
    // Loads the built report and runs it into filter.
    bool run(const QString &name, RecordingFilter &filter)
    {
        holder = std::make_unique<Holder>();
        if (!holder->loader->LoadReportFile(built(name))) {
            ADD_FAILURE() << name.toStdString() << ": " << holder->loader->LastError().toStdString();
            return false;
        }
        return holder->report->ExportRun(&filter);
    }
    // Texts printed on a page (0: every page), in order.
    static QStringList texts(const RecordingFilter &filter, int page = 0)
    {
        QStringList list;
        for (const TextItem &i : filter.items)
            if (page == 0 || i.page == page)
                list << i.text;
        return list;
    }

    TScriptedPrompt prompt;
    TPromptGuard guard{&prompt};
    std::unique_ptr<Holder> holder;
};

} // namespace

TEST_F(DemoFiles, EveryReportRoundTripsByteForByte)
{
    QTemporaryDir dir;
    for (const QString &name : kReports) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray bytes = testutil::readFile(built(name));
        ASSERT_FALSE(bytes.isEmpty());
        // The text form is what the build turned into the file.
        const QString text = QString::fromUtf8(testutil::readFile(
            QStringLiteral(TABULON_DEMO_REPORTS_SOURCE "/") + name + QStringLiteral(".txt")));
        EXPECT_EQ(SerializeQR2(QR2FromText(text)), bytes);
        // A dump builds back to the same bytes.
        EXPECT_EQ(SerializeQR2(QR2FromText(QR2ToText(ParseQR2(bytes)))), bytes);
        // Loaded and saved, the file is the same.
        Holder h;
        ASSERT_TRUE(h.loader->LoadReportFile(built(name))) << h.loader->LastError().toStdString();
        const QString again = dir.filePath(name + QStringLiteral(".QR2"));
        ASSERT_TRUE(h.loader->SaveReportFile(again)) << h.loader->LastError().toStdString();
        EXPECT_EQ(testutil::readFile(again), bytes);
        // Its dialogue descriptor lies beside it.
        EXPECT_TRUE(QFileInfo::exists(QStringLiteral(TABULON_DEMO_DIR "/") + name + QStringLiteral(".cfg")));
    }
}
TEST_F(DemoFiles, CustomerListShowsEveryCustomerUnderAPageHeaderPerPage)
{
    RecordingFilter filter;
    ASSERT_TRUE(run(QStringLiteral("customers"), filter));
    const QStringList companies =
        column(QStringLiteral("SELECT Company FROM customers ORDER BY Country, Company"));
    ASSERT_GT(companies.size(), 20);
    QStringList printed;
    for (const QString &t : texts(filter))
        if (companies.contains(t))
            printed << t;
    EXPECT_EQ(printed, companies);
    // 277 mm of A4 less page header (12), column titles (6) and page footer (6) hold 50 lines of 5 mm.
    EXPECT_EQ(filter.pages, (companies.size() + 49) / 50);
    EXPECT_EQ(texts(filter).count(QStringLiteral("Customer list")), filter.pages);
    for (int page = 1; page <= filter.pages; ++page)
        EXPECT_TRUE(texts(filter, page).contains(QStringLiteral("Page %1").arg(page))) << page;
    EXPECT_EQ(texts(filter, 1).mid(0, 1), QStringList{QStringLiteral("Customer list")});
    EXPECT_TRUE(prompt.Records().isEmpty());
}

TEST_F(DemoFiles, OrdersByCustomerHaveAGroupPerCompanyAndATotalEach)
{
    RecordingFilter filter;
    ASSERT_TRUE(run(QStringLiteral("orders"), filter));
    const QStringList companies =
        column(QStringLiteral("SELECT DISTINCT c.Company FROM orders o JOIN customers c ON c.CustNo = "
                              "o.CustNo ORDER BY c.Company"));
    ASSERT_GT(companies.size(), 5);
    QStringList headers;
    for (const QString &t : texts(filter))
        if (companies.contains(t) && (headers.isEmpty() || headers.last() != t))
            headers << t;
    EXPECT_EQ(headers, companies);
    EXPECT_EQ(texts(filter).count(QStringLiteral("Total")), companies.size());
    EXPECT_EQ(texts(filter).count(QStringLiteral("All customers")), 1);
    // The summary's sum is the database's.
    const QStringList all = texts(filter);
    const qsizetype summary = all.indexOf(QStringLiteral("All customers"));
    ASSERT_GE(summary, 0);
    ASSERT_LT(summary + 1, all.size());
    bool ok = false;
    EXPECT_NEAR(all.at(summary + 1).toDouble(&ok),
                column(QStringLiteral("SELECT SUM(AmountPaid) FROM orders")).value(0).toDouble(), 0.005)
        << all.at(summary + 1).toStdString();
    EXPECT_TRUE(ok);
    const QStringList orders = column(QStringLiteral("SELECT OrderNo FROM orders"));
    int printedOrders = 0;
    for (const QString &t : texts(filter))
        printedOrders += orders.contains(t) ? 1 : 0;
    EXPECT_EQ(printedOrders, orders.size());
}

TEST_F(DemoFiles, InvoiceAsksForTheCustomerAndListsItsOrdersWithTheirItems)
{
    const QString custNo =
        column(QStringLiteral("SELECT CustNo FROM orders GROUP BY CustNo HAVING COUNT(*) > 1 "
                              "ORDER BY CustNo LIMIT 1"))
            .value(0);
    ASSERT_FALSE(custNo.isEmpty());
    prompt.QueueInput(custNo);
    RecordingFilter filter;
    ASSERT_TRUE(run(QStringLiteral("invoice"), filter));
    ASSERT_EQ(prompt.Records().size(), 1);
    EXPECT_EQ(prompt.Records().first().kind, TScriptedPrompt::Record::Input);
    const QStringList all = texts(filter);
    const QStringList orders =
        column(QStringLiteral("SELECT OrderNo FROM orders WHERE CustNo = %1 ORDER BY OrderNo").arg(custNo));
    for (const QString &o : orders)
        EXPECT_TRUE(all.contains(o)) << o.toStdString();
    const QStringList parts =
        column(QStringLiteral("SELECT p.Description FROM items i JOIN orders o ON o.OrderNo = "
                              "i.OrderNo JOIN parts p ON p.PartNo = i.PartNo WHERE o.CustNo = %1")
                   .arg(custNo));
    ASSERT_FALSE(parts.isEmpty());
    int printedParts = 0;
    for (const QString &t : all)
        printedParts += parts.contains(t) ? 1 : 0;
    EXPECT_EQ(printedParts, parts.size());
    EXPECT_EQ(all.count(QStringLiteral("Invoice")), orders.size());
    EXPECT_EQ(
        all.count(
            column(QStringLiteral("SELECT Company FROM customers WHERE CustNo = %1").arg(custNo)).value(0)),
        orders.size());
}

TEST_F(DemoFiles, PartsInStockLeaveOutDiscontinuedPartsAndFlagReorders)
{
    RecordingFilter filter;
    ASSERT_TRUE(run(QStringLiteral("parts"), filter));
    const QStringList shown = column(QStringLiteral(
        "SELECT Description FROM parts WHERE OnHand >= 1 AND NOT Discontinued ORDER BY Description"));
    ASSERT_GT(shown.size(), 5);
    const QStringList every = column(QStringLiteral("SELECT Description FROM parts"));
    QStringList printed;
    for (const QString &t : texts(filter))
        if (every.contains(t))
            printed << t;
    EXPECT_EQ(printed, shown);
    const int reorders =
        column(QStringLiteral("SELECT COUNT(*) FROM parts WHERE OnHand >= 1 AND NOT Discontinued "
                              "AND OnHand < OnOrder"))
            .value(0)
            .toInt();
    EXPECT_EQ(texts(filter).count(QStringLiteral("Reorder: fewer on hand than on order")), reorders);
    EXPECT_EQ(texts(filter).count(QStringLiteral("Parts in stock")), filter.pages);
}

TEST_F(DemoFiles, OrderItemsAppearUnderTheirPart)
{
    RecordingFilter filter;
    ASSERT_TRUE(run(QStringLiteral("items"), filter));
    const QStringList parts = column(QStringLiteral("SELECT Description FROM parts ORDER BY PartNo"));
    const QStringList all = texts(filter);
    QStringList printed;
    for (const QString &t : all)
        if (parts.contains(t))
            printed << t;
    EXPECT_EQ(printed, parts);
    // The items of the first part sold, between its line and the next part's.
    const QString partNo = column(QStringLiteral("SELECT MIN(PartNo) FROM items")).value(0);
    const QString description =
        column(QStringLiteral("SELECT Description FROM parts WHERE PartNo = %1").arg(partNo)).value(0);
    const QStringList orders =
        column(QStringLiteral("SELECT OrderNo FROM items WHERE PartNo = %1 ORDER BY OrderNo").arg(partNo));
    ASSERT_FALSE(orders.isEmpty());
    const qsizetype at = all.indexOf(description);
    ASSERT_GE(at, 0);
    for (int i = 0; i < orders.size(); ++i)
        EXPECT_TRUE(all.mid(at, 4 * (orders.size() + 1)).contains(orders[i])) << orders[i].toStdString();
}

TEST_F(DemoFiles, EmployeePhoneListIsALabelSheetWithARotatedCaption)
{
    RecordingFilter filter;
    ASSERT_TRUE(run(QStringLiteral("employees"), filter));
    const QStringList names =
        column(QStringLiteral("SELECT LastName FROM employees ORDER BY LastName, FirstName"));
    ASSERT_GT(names.size(), 8);
    QStringList printed;
    for (const QString &t : texts(filter))
        if (names.contains(t))
            printed << t;
    EXPECT_EQ(printed, names);
    EXPECT_EQ(texts(filter).count(QStringLiteral("Staff")), names.size());
    // Two columns of labels: some label stands in the right half of page 1.
    EXPECT_TRUE(std::any_of(filter.items.begin(), filter.items.end(), [](const TextItem &i) {
        return i.page == 1 && i.x > 1000 && i.text != "Staff";
    }));
    // Six 40 mm labels fit the 277 mm of a page, in two columns.
    EXPECT_EQ(filter.pages, (names.size() + 11) / 12);
}
#endif
