// Databases by name: aliases of databases.ini, directories of SQLite and CSV
// table files, SQLite files; the session's lists; the demo database.

#include "common/classregistry.h"
#include "common/localesettings.h"
#include "common/programdir.h"
#include "data/query.h"
#include "data/session.h"
#include "data/table.h"
#include "testutil.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

namespace
{

void makeSqlite(const QString &file, const QStringList &statements)
{
    static int counter = 0;
    const QString name = QStringLiteral("desktop-make-%1").arg(++counter);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        ASSERT_TRUE(db.open());
        for (const QString &s : statements) {
            QSqlQuery q(db);
            ASSERT_TRUE(q.exec(s)) << q.lastError().text().toStdString() << " in " << s.toStdString();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

QString message(const std::function<void()> &f)
{
    try {
        f();
    } catch (const EDatabaseError &e) {
        return e.Message();
    }
    return QStringLiteral("<no error>");
}

class Desktop : public ::testing::Test
{
protected:
    void SetUp() override
    {
        LocaleSettings().Load(QStringLiteral("en_US"));
        ASSERT_TRUE(dir.isValid());
        SetProgramDir(dir.path());
        tables = dir.filePath(QStringLiteral("tables"));
        QDir().mkpath(tables);
        makeSqlite(
            tables + QStringLiteral("/customers.sqlite"),
            {QStringLiteral("CREATE TABLE customers (CustNo INTEGER PRIMARY KEY, Company VARCHAR(30))"),
             QStringLiteral("CREATE INDEX ByCompany ON customers (Company)"),
             QStringLiteral("INSERT INTO customers VALUES (1, 'Zeta'), (2, 'Alpha'), (3, 'Mid')")});
        // A file whose only table has another name still is the table of its file name.
        makeSqlite(tables + QStringLiteral("/parts.db"),
                   {QStringLiteral("CREATE TABLE stock (PartNo INTEGER, Name VARCHAR(20))"),
                    QStringLiteral("INSERT INTO stock VALUES (7, 'Fins')")});
        testutil::writeFile(tables + QStringLiteral("/orders.csv"),
                            "OrderNo,CustNo,Amount,SaleDate,Note\n"
                            "10,1,12.5,2023-01-02,\"first, with comma\"\n"
                            "11,2,7,2023-01-03,\"a \"\"quoted\"\" word\"\n"
                            "12,1,,2023-02-01,\"two\nlines\"\n");
        testutil::writeFile(tables + QStringLiteral("/readme.txt"), "not a table");
        owner = std::make_unique<TComponent>();
    }
    void TearDown() override
    {
        owner.reset();
        Session().CloseDatabases();
        SetProgramDir(QString());
    }

    QTemporaryDir dir;
    QString tables;
    std::unique_ptr<TComponent> owner;
};

} // namespace

TEST_F(Desktop, DirectoryTablesAreItsFiles)
{
    EXPECT_EQ(Session().TableNames(tables), (QStringList{"customers", "orders", "parts"}));
    EXPECT_EQ(Session().TableNames(tables, QStringLiteral("*.*"), true),
              (QStringList{"customers.sqlite", "orders.csv", "parts.db"}));
    EXPECT_EQ(Session().TableNames(tables, QStringLiteral("p*")), QStringList{"parts"});
    EXPECT_EQ(Session().TableNames(tables, QStringLiteral("*.csv"), true), QStringList{"orders.csv"});

    TTable t(owner.get());
    t.SetName(QStringLiteral("Cust"));
    t.SetDatabaseName(tables);
    t.SetTableName(QStringLiteral("CUSTOMERS.SQLITE"));
    t.SetIndexName(QStringLiteral("ByCompany"));
    t.Open();
    QStringList names;
    for (t.First(); !t.Eof(); t.Next())
        names << t.FieldByName(QStringLiteral("Company"))->AsString();
    EXPECT_EQ(names, (QStringList{"Alpha", "Mid", "Zeta"}));

    TTable parts(owner.get());
    parts.SetDatabaseName(tables);
    parts.SetTableName(QStringLiteral("parts"));
    parts.Open();
    EXPECT_EQ(parts.FieldByName(QStringLiteral("Name"))->AsString(), QStringLiteral("Fins"));
}

TEST_F(Desktop, CsvTablesTakeTypesFromTheirValues)
{
    TTable t(owner.get());
    t.SetDatabaseName(tables);
    t.SetTableName(QStringLiteral("orders.csv"));
    t.Open();
    ASSERT_EQ(t.FieldCount(), 5);
    EXPECT_TRUE(t.FieldByName(QStringLiteral("OrderNo"))->inherits("TIntegerField"));
    EXPECT_TRUE(t.FieldByName(QStringLiteral("Amount"))->inherits("TFloatField"));
    EXPECT_TRUE(t.FieldByName(QStringLiteral("SaleDate"))->inherits("TDateField"));
    EXPECT_TRUE(t.FieldByName(QStringLiteral("Note"))->inherits("TStringField"));
    EXPECT_EQ(t.FieldByName(QStringLiteral("Note"))->AsString(), QStringLiteral("first, with comma"));
    t.Next();
    EXPECT_EQ(t.FieldByName(QStringLiteral("Note"))->AsString(), QStringLiteral("a \"quoted\" word"));
    EXPECT_EQ(t.FieldByName(QStringLiteral("Amount"))->AsFloat(), 7.0);
    t.Next();
    EXPECT_TRUE(t.FieldByName(QStringLiteral("Amount"))->IsNull());
    EXPECT_EQ(t.FieldByName(QStringLiteral("Note"))->AsString(), QStringLiteral("two\nlines"));
    EXPECT_EQ(t.FieldByName(QStringLiteral("SaleDate"))->AsDateTime().date(), QDate(2023, 2, 1));
    EXPECT_EQ(t.RecordCount(), 3);
}

TEST_F(Desktop, QueriesJoinTheTablesOfADirectory)
{
    TQuery q(owner.get());
    q.SetDatabaseName(tables);
    q.SetSQLText(QStringLiteral(
        "SELECT c.Company, SUM(o.Amount) AS Total FROM customers c JOIN orders o "
        "ON o.CustNo = c.CustNo WHERE o.SaleDate >= :from GROUP BY c.Company ORDER BY c.Company"));
    q.ParamByName(QStringLiteral("from"))->SetAsDate(QDate(2023, 1, 1));
    q.Open();
    EXPECT_EQ(q.FieldByName(QStringLiteral("Company"))->AsString(), QStringLiteral("Alpha"));
    EXPECT_EQ(q.FieldByName(QStringLiteral("Total"))->AsFloat(), 7.0);
    q.Next();
    EXPECT_EQ(q.FieldByName(QStringLiteral("Company"))->AsString(), QStringLiteral("Zeta"));
    EXPECT_EQ(q.FieldByName(QStringLiteral("Total"))->AsFloat(), 12.5);
    q.Next();
    EXPECT_TRUE(q.Eof());
}

TEST_F(Desktop, ManyTableFilesAreAttachedAsNeeded)
{
    // More files than SQLite attaches at once: each statement gets the ones it names.
    for (int i = 0; i < 14; ++i)
        makeSqlite(tables + QStringLiteral("/t%1.sqlite").arg(i),
                   {QStringLiteral("CREATE TABLE t%1 (V INTEGER)").arg(i),
                    QStringLiteral("INSERT INTO t%1 VALUES (%1)").arg(i)});
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 14; ++i) {
            TQuery q;
            q.SetDatabaseName(tables);
            q.SetSQLText(QStringLiteral("SELECT V FROM t%1").arg(i));
            q.Open();
            EXPECT_EQ(q.Fields(0)->AsInteger(), i);
        }
    }
}

TEST_F(Desktop, AliasesAndDatabaseNames)
{
    makeSqlite(dir.filePath(QStringLiteral("main.sqlite")),
               {QStringLiteral("CREATE TABLE things (Id INTEGER)"),
                QStringLiteral("INSERT INTO things VALUES (5)")});
    testutil::writeFile(dir.filePath(QStringLiteral("Databases.INI")),
                        "[zulu]\nDriver=QSQLITE\nDatabase=main.sqlite\n"
                        "[Alpha]\ndriver = qsqlite\ndatabase = \"tables\"\n"
                        "[Missing]\nDriver=QSQLITE\nDatabase=gone.sqlite\n"
                        "[Odd]\nDriver=QNOSUCHDRIVER\nDatabase=x\n"
                        "[BadPort]\nDriver=QPSQL\nHost=127.0.0.1\nPort=abc\n");
    QMap<QString, QString> added;
    added.insert(QStringLiteral("database"), dir.filePath(QStringLiteral("main.sqlite")));
    Session().AddAlias(QStringLiteral("Mine"), added);
    EXPECT_EQ(Session().DatabaseNames(), (QStringList{"Alpha", "BadPort", "Mine", "Missing", "Odd", "zulu"}));
    EXPECT_TRUE(Session().IsAlias(QStringLiteral("ZULU")));
    EXPECT_FALSE(Session().IsAlias(QStringLiteral("nothing")));
    EXPECT_EQ(Session().AliasParams(QStringLiteral("alpha")).value(QStringLiteral("Database")),
              QStringLiteral("tables"));
    // A relative file and a directory, relative to the program directory.
    EXPECT_EQ(Session().TableNames(QStringLiteral("zulu")), QStringList{"things"});
    EXPECT_EQ(Session().TableNames(QStringLiteral("ALPHA")), (QStringList{"customers", "orders", "parts"}));
    EXPECT_EQ(Session().TableNames(QStringLiteral("Mine")), QStringList{"things"});
    // A database file is named by its path too.
    EXPECT_EQ(Session().TableNames(dir.filePath(QStringLiteral("main.sqlite"))), QStringList{"things"});
    // Failures name what failed, and a missing database file is never created.
    EXPECT_EQ(message([] { Session().TableNames(QStringLiteral("Missing")); }),
              QStringLiteral("Database file \"%1\" of alias \"Missing\" does not exist")
                  .arg(dir.filePath(QStringLiteral("gone.sqlite"))));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("gone.sqlite"))));
    EXPECT_TRUE(
        message([] {
            Session().TableNames(QStringLiteral("Odd"));
        }).startsWith(QStringLiteral("Database driver \"QNOSUCHDRIVER\" of alias \"Odd\" is not available")));
    EXPECT_EQ(message([] { Session().TableNames(QStringLiteral("BadPort")); }),
              QStringLiteral("Alias \"BadPort\": \"abc\" is no valid port"));
    EXPECT_TRUE(message([] {
                    Session().TableNames(QStringLiteral("nowhere"));
                }).startsWith(QStringLiteral("Unknown database \"nowhere\"")));
    EXPECT_EQ(message([] { Session().TableNames(QString()); }), QStringLiteral("No database name given"));
    // A file that is no database.
    testutil::writeFile(dir.filePath(QStringLiteral("junk.sqlite")), QByteArray(4096, 'x'));
    EXPECT_TRUE(message([&] {
                    Session().TableNames(dir.filePath(QStringLiteral("junk.sqlite")));
                }).startsWith(QStringLiteral("Cannot open database file")));
    Session().DeleteAlias(QStringLiteral("Mine"));
    EXPECT_FALSE(Session().IsAlias(QStringLiteral("Mine")));
}

TEST_F(Desktop, UnreachableServerFailsWithItsReason)
{
    QMap<QString, QString> p;
    p.insert(QStringLiteral("Driver"), QStringLiteral("QPSQL"));
    p.insert(QStringLiteral("Host"), QStringLiteral("127.0.0.1"));
    p.insert(QStringLiteral("Port"), QStringLiteral("1")); // nothing listens there
    p.insert(QStringLiteral("Database"), QStringLiteral("none"));
    Session().AddAlias(QStringLiteral("Down"), p);
    TQuery q(owner.get());
    q.SetName(QStringLiteral("Remote"));
    q.SetDatabaseName(QStringLiteral("Down"));
    q.SetSQLText(QStringLiteral("SELECT 1"));
    const QString m = message([&] { q.Open(); });
    EXPECT_TRUE(m.startsWith(QStringLiteral("Remote: Cannot connect to database \"Down\": ")))
        << m.toStdString();
    EXPECT_FALSE(q.Active());
    Session().DeleteAlias(QStringLiteral("Down"));
}

TEST_F(Desktop, DataSourcesTellTheirLinks)
{
    struct Recorder : TDataLink {
        int active = 0, changed = 0, scrolled = 0;
        void ActiveChanged() override { ++active; }
        void DataSetChanged() override { ++changed; }
        void DataSetScrolled() override { ++scrolled; }
    } link;
    auto *t = new TTable(owner.get());
    t->SetDatabaseName(tables);
    t->SetTableName(QStringLiteral("customers"));
    auto *src = new TDataSource(owner.get());
    link.SetDataSource(src);
    EXPECT_EQ(link.active, 1);
    src->SetDataSet(t);
    EXPECT_EQ(link.DataSet(), t);
    EXPECT_FALSE(link.Active());
    t->Open();
    EXPECT_TRUE(link.Active());
    EXPECT_TRUE(src->IsLinkedTo(t));
    t->Next();
    t->Next();
    t->Next(); // at the end: no move, no notice
    EXPECT_EQ(link.scrolled, 2);
    t->Refresh();
    EXPECT_EQ(link.changed, 1);
    src->SetEnabled(false);
    EXPECT_EQ(link.DataSet(), nullptr);
    src->SetEnabled(true);
    EXPECT_EQ(t->DataSources(), QList<TDataSource *>{src});
    delete t; // the data source forgets its freed dataset
    EXPECT_EQ(src->DataSet(), nullptr);
    EXPECT_EQ(link.DataSet(), nullptr);
    delete src;
    EXPECT_EQ(link.DataSource(), nullptr);
}

TEST_F(Desktop, ClassesAreCreatableByName)
{
    for (const char *name :
         {"TTable",          "TQuery",        "TDataSource",   "TStringField",   "TSmallintField",
          "TIntegerField",   "TWordField",    "TBooleanField", "TFloatField",    "TCurrencyField",
          "TBCDField",       "TDateField",    "TTimeField",    "TDateTimeField", "TBytesField",
          "TVarBytesField",  "TAutoIncField", "TBlobField",    "TMemoField",     "TGraphicField",
          "TWideStringField"}) {
        TComponent *c = CreateComponent(QString::fromLatin1(name), owner.get());
        ASSERT_NE(c, nullptr) << name;
        EXPECT_STREQ(c->metaObject()->className(), name);
    }
    // Stored properties of a table, as a report reads them.
    auto *t = qobject_cast<TTable *>(CreateComponent(QStringLiteral("TTable"), owner.get()));
    ASSERT_NE(t, nullptr);
    auto *src = qobject_cast<TDataSource *>(CreateComponent(QStringLiteral("TDataSource"), owner.get()));
    src->SetName(QStringLiteral("Master"));
    EXPECT_TRUE(t->setProperty("DatabaseName", tables));
    EXPECT_TRUE(t->setProperty("TableName", QStringLiteral("customers")));
    EXPECT_TRUE(t->setProperty("IndexName", QStringLiteral("ByCompany")));
    EXPECT_TRUE(t->setProperty("MasterSource", QVariant::fromValue(src)));
    EXPECT_EQ(t->MasterSource(), src);
    auto *q = qobject_cast<TQuery *>(CreateComponent(QStringLiteral("TQuery"), owner.get()));
    EXPECT_TRUE(q->setProperty("SQL", QStringList{"select *", "from customers where CustNo = :n"}));
    EXPECT_EQ(q->ParamCount(), 1);
    EXPECT_FALSE(q->RequestLive());
}

#ifdef TABULON_DEMO_DIR
TEST(DemoDatabase, OpensThroughItsAlias)
{
    LocaleSettings().Load(QStringLiteral("en_US"));
    SetProgramDir(QStringLiteral(TABULON_DEMO_DIR));
    EXPECT_TRUE(Session().DatabaseNames().contains(QStringLiteral("DEMO")));
    EXPECT_EQ(Session().TableNames(QStringLiteral("DEMO")),
              (QStringList{"customers", "employees", "items", "orders", "parts"}));
    TComponent owner;
    auto *cust = new TTable(&owner);
    cust->SetDatabaseName(QStringLiteral("DEMO"));
    cust->SetTableName(QStringLiteral("customers"));
    cust->SetIndexName(QStringLiteral("ByCompany"));
    cust->Open();
    EXPECT_GT(cust->RecordCount(), 100);
    EXPECT_TRUE(cust->FieldByName(QStringLiteral("Notes"))->inherits("TMemoField"));
    auto *src = new TDataSource(&owner);
    src->SetDataSet(cust);
    auto *orders = new TTable(&owner);
    orders->SetDatabaseName(QStringLiteral("DEMO"));
    orders->SetTableName(QStringLiteral("orders"));
    orders->SetIndexName(QStringLiteral("ByCustNo"));
    orders->SetMasterSource(src);
    orders->SetMasterFields(QStringLiteral("CustNo"));
    orders->Open();
    // Every order of the first customers belongs to them.
    int seen = 0;
    for (int i = 0; i < 5; ++i, cust->Next())
        for (orders->First(); !orders->Eof(); orders->Next(), ++seen)
            EXPECT_EQ(orders->FieldByName(QStringLiteral("CustNo"))->AsInteger(),
                      cust->FieldByName(QStringLiteral("CustNo"))->AsInteger());
    EXPECT_GT(seen, 0);
    // Pictures are PNG images.
    auto *parts = new TTable(&owner);
    parts->SetDatabaseName(QStringLiteral("DEMO"));
    parts->SetTableName(QStringLiteral("parts"));
    parts->Open();
    auto *picture = qobject_cast<TGraphicField *>(parts->FieldByName(QStringLiteral("Picture")));
    ASSERT_NE(picture, nullptr);
    EXPECT_TRUE(picture->AsBytes().startsWith("\x89PNG"));
    // Order totals agree with their items.
    auto *check = new TQuery(&owner);
    check->SetDatabaseName(QStringLiteral("DEMO"));
    check->SetSQLText(QStringLiteral(
        "SELECT COUNT(*) FROM orders o WHERE abs(o.ItemsTotal - (SELECT SUM(p.ListPrice * i.Qty * (100 - "
        "i.Discount) "
        "/ 100) FROM items i JOIN parts p ON p.PartNo = i.PartNo WHERE i.OrderNo = o.OrderNo)) > 0.05"));
    check->Open();
    EXPECT_EQ(check->Fields(0)->AsInteger(), 0);
    owner.DestroyComponents();
    Session().CloseDatabases();
    SetProgramDir(QString());
}
#endif
