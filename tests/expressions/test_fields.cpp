// Field access through the dataset layer.

#include "exprtest.h"

#include "data/table.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

using namespace exprtest;

namespace
{

// Builds an SQLite file with the tables Customers and Orders.
bool createDatabase(const QString &path)
{
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "exprtest-fields");
        db.setDatabaseName(path);
        if (!db.open())
            return false;
        QSqlQuery q(db);
        const char *statements[] = {
            "CREATE TABLE Customers (ID INTEGER, Name VARCHAR(30), Amount FLOAT)",
            "INSERT INTO Customers VALUES (1, 'Ann', 10.5)",
            "CREATE TABLE Orders (ID INTEGER, Name VARCHAR(30), City VARCHAR(20), Amount FLOAT, Paid "
            "BOOLEAN, "
            "Qty SMALLINT, Price MONEY, \"Net-Price\" FLOAT, Shipped DATE, Notes MEMO, Big BIGINT, "
            "\"DATE\" VARCHAR(10), Ratio DECIMAL(10,2))",
            "INSERT INTO Orders VALUES (7, 'Bolts', 'Oslo', 120.25, 1, 3, 9.5, 2.5, '2024-03-05', 'long "
            "text', "
            "5000000000, 'field', 1.25)",
            "INSERT INTO Orders VALUES (8, 'Nuts', 'Rome', 80, 0, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)",
        };
        for (const char *statement : statements) {
            if (!q.exec(QString::fromLatin1(statement))) {
                ADD_FAILURE() << statement << ": " << qPrintable(q.lastError().text());
                ok = false;
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase("exprtest-fields");
    return ok;
}

class FieldFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        const QString path = dir.filePath("shop.sqlite");
        ASSERT_TRUE(createDatabase(path));
        customers.SetName("Customers");
        customers.SetDatabaseName(path);
        customers.SetTableName("Customers");
        orders.SetName("Orders");
        orders.SetDatabaseName(path);
        orders.SetTableName("Orders");
        customers.Open();
        orders.Open();
        datasets = {&customers, &orders};
    }

    TQREvValue eval(const QString &text) { return Eval(text, nullptr, &datasets); }

    QTemporaryDir dir;
    TTable customers;
    TTable orders;
    TQRDatasetList datasets;
};

} // namespace

TEST_F(FieldFixture, NamedAndSearchedFields)
{
    EXPECT_FLOAT_VALUE(eval("[Orders.Amount]"), 120.25);
    EXPECT_FLOAT_VALUE(eval("Orders.Amount"), 120.25);
    EXPECT_FLOAT_VALUE(eval("orders.amount"), 120.25);
    // Without a dataset part the first dataset that has the field wins.
    EXPECT_FLOAT_VALUE(eval("[Amount]"), 10.5);
    EXPECT_STR(eval("[City]"), "Oslo");
    EXPECT_STR(eval("[Orders.Name] + ' (' + [City] + ')'"), "Bolts (Oslo)");
    EXPECT_FLOAT_VALUE(eval("[Orders.Amount] * 1.2 + 5"), 120.25 * 1.2 + 5);
    EXPECT_BOOL(eval("[Orders.Amount] > 100"), true);
}

TEST_F(FieldFixture, SignsInsideBracketsAreNotExchanged)
{
    EXPECT_FLOAT_VALUE(eval("10 - [Net-Price]"), 7.5);
    EXPECT_FLOAT_VALUE(eval("10 - 1 - [Net-Price]"), 6.5);
    EXPECT_FLOAT_VALUE(eval("10 / 2 / [Net-Price]"), 2.0);
}

TEST_F(FieldFixture, FunctionNamesWinUnlessBracketed)
{
    EXPECT_STR(eval("[DATE]"), "field");
    const TQREvValue date = eval("DATE");
    EXPECT_EQ(date.ValueKind, rkString);
    EXPECT_NE(date.Text, "field");
}

TEST_F(FieldFixture, ValuesByFieldClass)
{
    EXPECT_INT(eval("[ID]"), 1);
    EXPECT_INT(eval("[Orders.ID]"), 7);
    EXPECT_BOOL(eval("[Paid]"), true);
    EXPECT_INT(eval("[Qty]"), 3);
    EXPECT_FLOAT_VALUE(eval("[Price]"), 9.5);
    EXPECT_FLOAT_VALUE(eval("[Ratio]"), 1.25);
    EXPECT_STR(eval("[Shipped]"), orders.FieldByName("Shipped")->AsString());
    EXPECT_STR(eval("TYPEOF([Shipped])"), "STRING");
    // Memos are read as text: every text column without a declared length is one.
    EXPECT_STR(eval("[Notes]"), "long text");
    // Large integers are numbers; beyond 32 bits they go on as floating values.
    EXPECT_FLOAT_VALUE(eval("[Big]"), 5000000000.0);
}

TEST_F(FieldFixture, UnknownDatasetsAndFieldsFallBackToVariables)
{
    EXPECT_ERR(eval("[Nope.Amount]"), "Unknown function : Nope.Amount");
    EXPECT_ERR(eval("Orders.Nosuch"), "Unknown function : ORDERS.NOSUCH");
    TQREvEnvironment environment;
    environment.AddVariable("ORDERS.NOSUCH", "'variable'");
    environment.Engage();
    EXPECT_STR(Eval("Orders.Nosuch", &environment, &datasets), "variable");
    environment.Disengage();
}

TEST_F(FieldFixture, ComputeFollowsTheCurrentRecord)
{
    TQREvaluator evaluator;
    evaluator.SetDatasets(&datasets);
    evaluator.Compile("[Orders.Name] + ':' + [Qty] + ':' + [Paid]");
    EXPECT_STR(evaluator.Compute(), "Bolts:3:True");
    orders.Next();
    // Null values read as what the dataset gives: 0, false, an empty text.
    EXPECT_STR(evaluator.Compute(), "Nuts:0:False");
    EXPECT_STR(Eval("'<' + [Shipped] + '>'", nullptr, &datasets), "<>");

    TQREvaluator sum;
    sum.SetDatasets(&datasets);
    sum.Compile("SUM([Orders.Amount])");
    for (orders.First(); !orders.Eof(); orders.Next())
        sum.Accumulate();
    EXPECT_FLOAT_VALUE(sum.Compute(), 200.25);
}

TEST_F(FieldFixture, FieldsRecreatedOnReopenAreFetchedAgain)
{
    TQREvaluator evaluator;
    evaluator.SetDatasets(&datasets);
    evaluator.Compile("[Orders.City]");
    EXPECT_STR(evaluator.Compute(), "Oslo");
    orders.Close();
    EXPECT_EQ(evaluator.Compute().ValueKind, rkError);
    orders.Open();
    EXPECT_STR(evaluator.Compute(), "Oslo");
}
