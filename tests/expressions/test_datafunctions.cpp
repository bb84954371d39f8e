// The data functions: datasets found by name through the open windows and data modules.

#include "exprtest.h"

#include "common/screen.h"
#include "data/query.h"
#include "data/table.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <memory>

using namespace exprtest;

namespace
{

// Customers: three rows. Notes: memo texts with LF and CRLF line ends, a long line, a null.
// Empty: no rows.
bool createDatabase(const QString &path)
{
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "exprtest-datafunctions");
        db.setDatabaseName(path);
        if (!db.open())
            return false;
        QSqlQuery q(db);
        const QString longLine = QString(300, u'x');
        const QStringList statements = {
            "CREATE TABLE Customers (ID INTEGER, Name VARCHAR(30), City VARCHAR(12), Amount FLOAT, "
            "Info MEMO, Joined DATE)",
            "INSERT INTO Customers VALUES (1, 'Ann', 'Oslo', 10.5, 'first line' || char(10) || 'second line' "
            "|| char(10) || 'third', '2024-03-05')",
            "INSERT INTO Customers VALUES (2, 'Bob', NULL, 20, 'alpha' || char(13) || char(10) || "
            "'beta' || char(13) || char(10) || '" +
                longLine + "', NULL)",
            "INSERT INTO Customers VALUES (3, 'Cy', 'Rome', NULL, NULL, '2024-01-01')",
            "CREATE TABLE Empty (ID INTEGER, Name VARCHAR(5))",
            "CREATE TABLE Orders (OrderNo INTEGER, Item VARCHAR(8))",
            "INSERT INTO Orders VALUES (10, 'Bolts')",
            "INSERT INTO Orders VALUES (11, 'Nuts')",
        };
        for (const QString &statement : statements) {
            if (!q.exec(statement)) {
                ADD_FAILURE() << qPrintable(statement) << ": " << qPrintable(q.lastError().text());
                ok = false;
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase("exprtest-datafunctions");
    return ok;
}

class DataFunctions : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath("shop.sqlite");
        ASSERT_TRUE(createDatabase(path));
        form = std::make_unique<TForm>();
        customers = table(form.get(), "Customers", "Customers");
        empty = table(form.get(), "EmptyTable", "Empty");
        custQuery = new TQuery(form.get());
        custQuery->SetName("CustQuery");
        custQuery->SetDatabaseName(path);
        custQuery->SetSQLText("SELECT * FROM Customers WHERE ID >= :MinID AND Name <> :Skip");
        custQuery->ParamByName("MinID")->SetAsInteger(2);
        custQuery->ParamByName("Skip")->SetAsString("Nobody");
        custQuery->Open();
    }
    void TearDown() override { form.reset(); }

    TTable *table(TComponent *owner, const QString &name, const QString &tableName)
    {
        auto *t = new TTable(owner);
        t->SetName(name);
        t->SetDatabaseName(path);
        t->SetTableName(tableName);
        t->Open();
        return t;
    }

    LocaleGuard locale{QStringLiteral("en_US")};
    QTemporaryDir dir;
    QString path;
    std::unique_ptr<TForm> form;
    TTable *customers = nullptr;
    TTable *empty = nullptr;
    TQuery *custQuery = nullptr;
};

} // namespace

TEST_F(DataFunctions, RecordCount)
{
    EXPECT_INT(Eval("RECORDCOUNT('Customers')"), 3);
    EXPECT_INT(Eval("RECORDCOUNT('customers')"), 3);
    EXPECT_INT(Eval("RECORDCOUNT('EmptyTable')"), 0);
    EXPECT_INT(Eval("RECORDCOUNT('CustQuery')"), 2);
    // Moving through the rows does not change the count.
    customers->Next();
    EXPECT_INT(Eval("RECORDCOUNT('Customers')"), 3);
    EXPECT_ERR(Eval("RECORDCOUNT('Nowhere')"), "");
    EXPECT_ERR(Eval("RECORDCOUNT('')"), "");
    EXPECT_ERR(Eval("RECORDCOUNT(1)"), "");
    EXPECT_ERR(Eval("RECORDCOUNT()"), "");
    EXPECT_ERR(Eval("RECORDCOUNT('Customers', 'x')"), "");
}

TEST_F(DataFunctions, WindowsComeBeforeDataModulesAndOnlyFittingComponentsCount)
{
    // The data module exists first, yet the windows are searched first.
    TDataModule module;
    table(&module, "Shared", "Orders");
    table(&module, "ModuleOnly", "Orders");
    auto plain = std::make_unique<TForm>();
    auto *notData = new TComponent(plain.get());
    notData->SetName("Lookalike");
    auto second = std::make_unique<TForm>();
    table(second.get(), "Shared", "Customers");
    table(second.get(), "Lookalike", "Orders");

    EXPECT_INT(Eval("RECORDCOUNT('Shared')"), 3);
    EXPECT_INT(Eval("RECORDCOUNT('moduleonly')"), 2);
    // A component of that name that is no dataset does not hide a later dataset.
    EXPECT_INT(Eval("RECORDCOUNT('Lookalike')"), 2);

    // A field function takes the first dataset that has the field.
    TForm third;
    table(&third, "Fields", "Orders");
    table(&module, "Fields", "Customers");
    EXPECT_INT(Eval("FIELDLEN('Fields', 'Item')"), 8);
    EXPECT_INT(Eval("FIELDLEN('Fields', 'City')"), 12);
    EXPECT_BOOL(Eval("ISNULL('Fields', 'City')"), false);
    EXPECT_STR(Eval("MEMOLINE('Fields', 'Info', 2)"), "second line");
    EXPECT_ERR(Eval("FIELDLEN('Fields', 'Nosuch')"), "");

    // A closed window is no longer searched.
    second.reset();
    EXPECT_INT(Eval("RECORDCOUNT('Shared')"), 2);
    EXPECT_ERR(Eval("RECORDCOUNT('Lookalike')"), "");
}

TEST_F(DataFunctions, ComponentsGoAwayWithTheirWindow)
{
    {
        TForm transient;
        table(&transient, "Transient", "Orders");
        EXPECT_INT(Eval("RECORDCOUNT('Transient')"), 2);
    }
    EXPECT_ERR(Eval("RECORDCOUNT('Transient')"), "");
    {
        TDataModule module;
        table(&module, "InModule", "Orders");
        EXPECT_BOOL(Eval("EOF('InModule')"), false);
    }
    EXPECT_ERR(Eval("EOF('InModule')"), "");
}

TEST_F(DataFunctions, QueryParam)
{
    EXPECT_STR(Eval("QUERYPARAM('CustQuery', 'MinID')"), "2");
    EXPECT_STR(Eval("QUERYPARAM('custquery', 'MinID')"), "2");
    EXPECT_STR(Eval("QUERYPARAM('CustQuery', 'Skip')"), "Nobody");
    custQuery->ParamByName("Skip")->SetAsString("Ann");
    EXPECT_STR(Eval("QUERYPARAM('CustQuery', 'Skip')"), "Ann");
    EXPECT_ERR(Eval("QUERYPARAM('CustQuery', 'Nope')"), "");
    // Only a query has parameters.
    EXPECT_ERR(Eval("QUERYPARAM('Customers', 'MinID')"), "");
    EXPECT_ERR(Eval("QUERYPARAM('Nowhere', 'MinID')"), "");
    EXPECT_ERR(Eval("QUERYPARAM('CustQuery')"), "");
    EXPECT_ERR(Eval("QUERYPARAM('CustQuery', 1)"), "");
    EXPECT_ERR(Eval("QUERYPARAM(1, 'MinID')"), "");

    // A query found in a data module, with a parameter that has no value yet.
    TDataModule module;
    auto *q = new TQuery(&module);
    q->SetName("ModuleQuery");
    q->SetDatabaseName(path);
    q->SetSQLText("SELECT * FROM Orders WHERE OrderNo = :No");
    EXPECT_STR(Eval("QUERYPARAM('ModuleQuery', 'No')"), "");
    q->ParamByName("No")->SetAsInteger(11);
    EXPECT_STR(Eval("QUERYPARAM('ModuleQuery', 'No')"), "11");
}

TEST_F(DataFunctions, IsNullAndFieldLen)
{
    EXPECT_BOOL(Eval("ISNULL('Customers', 'City')"), false);
    EXPECT_BOOL(Eval("ISNULL('Customers', 'Joined')"), false);
    customers->Next();
    EXPECT_BOOL(Eval("ISNULL('Customers', 'City')"), true);
    EXPECT_BOOL(Eval("ISNULL('customers', 'joined')"), true);
    EXPECT_BOOL(Eval("ISNULL('Customers', 'Amount')"), false);
    customers->Next();
    EXPECT_BOOL(Eval("ISNULL('Customers', 'Amount')"), true);
    EXPECT_BOOL(Eval("ISNULL('Customers', 'Info')"), true);
    EXPECT_BOOL(Eval("ISNULL('Customers', 'Name')"), false);
    EXPECT_ERR(Eval("ISNULL('Customers', 'Nosuch')"), "");
    EXPECT_ERR(Eval("ISNULL('Nowhere', 'City')"), "");
    EXPECT_ERR(Eval("ISNULL('Customers')"), "");
    EXPECT_ERR(Eval("ISNULL('Customers', 1)"), "");

    EXPECT_INT(Eval("FIELDLEN('Customers', 'Name')"), 30);
    EXPECT_INT(Eval("FIELDLEN('Customers', 'city')"), 12);
    EXPECT_INT(Eval("FIELDLEN('CustQuery', 'Name')"), 30);
    // Fixed-size types have no declared size.
    EXPECT_INT(Eval("FIELDLEN('Customers', 'ID')"), 0);
    EXPECT_INT(Eval("FIELDLEN('Customers', 'Amount')"), 0);
    EXPECT_INT(Eval("FIELDLEN('Customers', 'Joined')"), 0);
    EXPECT_ERR(Eval("FIELDLEN('Customers', 'Nosuch')"), "");
    EXPECT_ERR(Eval("FIELDLEN('Nowhere', 'Name')"), "");
    EXPECT_ERR(Eval("FIELDLEN('Customers')"), "");
    EXPECT_ERR(Eval("FIELDLEN(1, 'Name')"), "");
}

TEST_F(DataFunctions, MemoLine)
{
    EXPECT_STR(Eval("MEMOLINE('Customers', 'Info', 1)"), "first line");
    EXPECT_STR(Eval("MEMOLINE('Customers', 'Info', 2)"), "second line");
    EXPECT_STR(Eval("MEMOLINE('Customers', 'Info', 3)"), "third");
    EXPECT_STR(Eval("MEMOLINE('Customers', 'Info', 4)"), "");
    EXPECT_STR(Eval("MEMOLINE('Customers', 'Info', 0)"), "");
    EXPECT_STR(Eval("MEMOLINE('Customers', 'Info', -1)"), "");
    EXPECT_STR(Eval("MEMOLINE('customers', 'INFO', 1)"), "first line");

    // The current record decides; CR LF ends a line as well; long lines are cut.
    customers->Next();
    EXPECT_STR(Eval("MEMOLINE('Customers', 'Info', 1)"), "alpha");
    EXPECT_STR(Eval("MEMOLINE('Customers', 'Info', 2)"), "beta");
    EXPECT_STR(Eval("MEMOLINE('Customers', 'Info', 3)"), QString(255, u'x'));
    EXPECT_STR(Eval("MEMOLINE('Customers', 'Info', 4)"), "");
    // A memo without a value has no lines.
    customers->Next();
    EXPECT_STR(Eval("MEMOLINE('Customers', 'Info', 1)"), "");

    // A field that is not a memo does not read as lines.
    EXPECT_ERR(Eval("MEMOLINE('Customers', 'Name', 1)"), "");
    EXPECT_ERR(Eval("MEMOLINE('Customers', 'Nosuch', 1)"), "");
    EXPECT_ERR(Eval("MEMOLINE('Nowhere', 'Info', 1)"), "");
    EXPECT_ERR(Eval("MEMOLINE('Customers', 'Info', '1')"), "");
    EXPECT_ERR(Eval("MEMOLINE('Customers', 'Info', 1.0)"), "");
    EXPECT_ERR(Eval("MEMOLINE('Customers', 'Info')"), "");
}

TEST_F(DataFunctions, Eof)
{
    EXPECT_BOOL(Eval("EOF('Customers')"), false);
    EXPECT_BOOL(Eval("EOF('EmptyTable')"), true);
    customers->Next();
    customers->Next();
    // On the last row, before Next finds nothing more.
    EXPECT_BOOL(Eval("EOF('Customers')"), false);
    customers->Next();
    EXPECT_BOOL(Eval("EOF('customers')"), true);
    customers->First();
    EXPECT_BOOL(Eval("EOF('Customers')"), false);
    customers->Last();
    EXPECT_BOOL(Eval("EOF('Customers')"), true);
    EXPECT_BOOL(Eval("EOF('CustQuery')"), false);
    custQuery->Next();
    custQuery->Next();
    EXPECT_BOOL(Eval("EOF('CustQuery')"), true);
    EXPECT_ERR(Eval("EOF('Nowhere')"), "");
    EXPECT_ERR(Eval("EOF(1)"), "");
    EXPECT_ERR(Eval("EOF()"), "");
    EXPECT_ERR(Eval("EOF('Customers', 'x')"), "");
}
