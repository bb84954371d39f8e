// Stored values as authors meet them: text in number columns, integers beyond 32 bits, text
// columns without a declared length, and side effects in aggregate passes.

#include "exprtest.h"

#include "common/screen.h"
#include "data/connection.h"
#include "data/field.h"
#include "data/query.h"
#include "data/session.h"
#include "data/table.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <memory>

using namespace exprtest;

namespace
{

// A text of the given length made of numbered lines of 47 characters and a line break each.
QString longText(int length)
{
    QString text;
    for (int line = 1; text.size() < length; ++line)
        text += QStringLiteral("line %1 ").arg(line, 3, 10, QLatin1Char('0')).leftJustified(47, u'.') + u'\n';
    text.truncate(length);
    return text;
}

// Mixed: rows whose stored values do not fit their declared column types, as SQLite allows.
bool createDatabase(const QString &path, const QString &notes)
{
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "exprtest-storedvalues");
        db.setDatabaseName(path);
        if (!db.open())
            return false;
        QSqlQuery q(db);
        const QStringList statements = {
            "CREATE TABLE Mixed (id INTEGER, i INTEGER, r REAL, b BOOLEAN, big INTEGER, notes TEXT, "
            "code VARCHAR(8), pic BLOB)",
            "INSERT INTO Mixed VALUES (1, 10, 1.5, 1, 2147483647, 'short', 'A1', X'0102')",
            "INSERT INTO Mixed VALUES (2, 'abc', 'x.y', 'maybe', 99999999999, ?, 'B2', NULL)",
            "INSERT INTO Mixed VALUES (3, 30, 3.5, 0, -2147483649, NULL, 'C3', NULL)",
        };
        for (const QString &statement : statements) {
            q.prepare(statement);
            if (statement.contains(u'?'))
                q.addBindValue(notes);
            if (!q.exec()) {
                ADD_FAILURE() << qPrintable(statement) << ": " << qPrintable(q.lastError().text());
                ok = false;
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase("exprtest-storedvalues");
    return ok;
}

class StoredValues : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        notes = longText(1000);
        ASSERT_TRUE(createDatabase(dir.filePath("mixed.sqlite"), notes));
        form = std::make_unique<TForm>();
        mixed = new TTable(form.get());
        mixed->SetName("Mixed");
        mixed->SetDatabaseName(dir.filePath("mixed.sqlite"));
        mixed->SetTableName("Mixed");
        mixed->Open();
        datasets = {mixed};
    }
    void TearDown() override { form.reset(); }

    TQREvValue eval(const QString &text) { return Eval(text, nullptr, &datasets); }

    LocaleGuard locale{QStringLiteral("en_US")};
    QTemporaryDir dir;
    QString notes;
    std::unique_ptr<TForm> form;
    TTable *mixed = nullptr;
    TQRDatasetList datasets;
};

} // namespace

TEST_F(StoredValues, AValueThatDoesNotConvertIsThatRecordsErrorValue)
{
    mixed->Next(); // the row with text in the number columns
    const TQREvValue integer = eval("[i]");
    ASSERT_EQ(integer.ValueKind, rkError);
    EXPECT_TRUE(integer.Text.contains("Field \"i\": \"abc\" is not a valid integer value"))
        << qPrintable(integer.Text);
    const TQREvValue real = eval("[r]");
    ASSERT_EQ(real.ValueKind, rkError);
    EXPECT_TRUE(real.Text.contains("\"x.y\"")) << qPrintable(real.Text);
    EXPECT_EQ(eval("[b]").ValueKind, rkError);
    // The error travels through operators and functions like any other.
    EXPECT_EQ(eval("[i] + 1").ValueKind, rkError);
    EXPECT_STR(eval("IF([id] = 2, 'second', 'other')"), "second");
    // Binary values still have no kind in expressions.
    EXPECT_ERR(eval("[pic]"), "Field pic is of unknown type");

    // Computing every record goes on past the bad one; aggregates see it as an error argument.
    mixed->First();
    TQREvaluator evaluator;
    evaluator.SetDatasets(&datasets);
    evaluator.Compile("[i]");
    TQREvaluator sum;
    sum.SetDatasets(&datasets);
    sum.Compile("SUM([id])");
    sum.ResetAggregates();
    QStringList kinds;
    for (; !mixed->Eof(); mixed->Next()) {
        EXPECT_NO_THROW(evaluator.Accumulate());
        EXPECT_NO_THROW(sum.Accumulate());
        TQREvValue value;
        EXPECT_NO_THROW(value = evaluator.Compute());
        kinds << QREvKindName(value.ValueKind) + ":" + QREvValueText(value).left(5);
    }
    EXPECT_EQ(kinds, (QStringList{"INTEGER:10", "ERROR:Mixed", "INTEGER:30"}));
    EXPECT_INT(sum.Compute(), 6);
}

TEST_F(StoredValues, IntegersBeyond32BitsGoOnAsFloatingValues)
{
    EXPECT_INT(eval("[big]"), 2147483647);
    mixed->Next();
    EXPECT_FLOAT_VALUE(eval("[big]"), 99999999999.0);
    EXPECT_STR(eval("STR([big])"), "99999999999");
    EXPECT_FLOAT_VALUE(eval("[big] + 1"), 100000000000.0);
    mixed->Next();
    EXPECT_FLOAT_VALUE(eval("[big]"), -2147483649.0);
}

TEST_F(StoredValues, CounterCountsInAggregatePassesToo)
{
    // One aggregate pass and one computation per record, as an element in a detail band does.
    TQREvaluator evaluator;
    evaluator.SetDatasets(&datasets);
    evaluator.Compile("COUNTER + SUM([id])*0");
    evaluator.ResetAggregates();
    QList<qint32> printed;
    for (mixed->First(); !mixed->Eof(); mixed->Next()) {
        evaluator.Accumulate();
        const TQREvValue value = evaluator.Compute();
        ASSERT_EQ(value.ValueKind, rkInteger) << qPrintable(value.Text);
        printed << value.IntValue;
    }
    EXPECT_EQ(printed, (QList<qint32>{2, 4, 6}));
}

TEST_F(StoredValues, TextColumnsWithoutALengthAreMemosReadAsLines)
{
    const TField *text = mixed->FieldByName("notes");
    EXPECT_TRUE(qobject_cast<const TMemoField *>(text));
    EXPECT_EQ(text->Size(), 0);
    EXPECT_EQ(mixed->FieldByName("code")->Size(), 8);
    EXPECT_INT(eval("FIELDLEN('Mixed', 'notes')"), 0);
    EXPECT_INT(eval("FIELDLEN('Mixed', 'code')"), 8);
    EXPECT_STR(eval("MEMOLINE('Mixed', 'notes', 1)"), "short");
    mixed->Next();
    // The field keeps all 1,000 characters; an expression value holds its first 255.
    EXPECT_EQ(mixed->FieldByName("notes")->AsString(), notes);
    EXPECT_EQ(mixed->FieldByName("notes")->DisplayText(), notes);
    EXPECT_STR(eval("[notes]"), notes.left(255));
    EXPECT_STR(eval("MEMOLINE('Mixed', 'notes', 1)"), notes.section(u'\n', 0, 0));
    EXPECT_STR(eval("MEMOLINE('Mixed', 'notes', 20)"), notes.section(u'\n', 19, 19));
    EXPECT_STR(eval("MEMOLINE('Mixed', 'notes', 21)"), notes.section(u'\n', 20, 20));
    EXPECT_STR(eval("MEMOLINE('Mixed', 'notes', 22)"), "");
    // A string column with a declared length is no memo.
    EXPECT_ERR(eval("MEMOLINE('Mixed', 'code', 1)"), "");
}

TEST_F(StoredValues, ComputedTextsHaveNoDeclaredLength)
{
    auto *query = new TQuery(form.get());
    query->SetName("Computed");
    query->SetDatabaseName(dir.filePath("mixed.sqlite"));
    query->SetSQLText("SELECT id, notes || '' AS copy FROM Mixed WHERE id = 2");
    query->Open();
    const TField *copy = query->FieldByName("copy");
    EXPECT_TRUE(qobject_cast<const TStringField *>(copy));
    EXPECT_EQ(copy->Size(), 0);
    EXPECT_EQ(copy->AsString(), notes);
    EXPECT_INT(eval("FIELDLEN('Computed', 'copy')"), 0);
    EXPECT_STR(eval("MEMOLINE('Computed', 'copy', 2)"), notes.section(u'\n', 1, 1));
}

TEST(StoredValueTypes, DeclaredTextLengths)
{
    int size = -1;
    EXPECT_EQ(FieldTypeFromDeclaration("TEXT", &size, nullptr), ftMemo);
    EXPECT_EQ(size, 0);
    EXPECT_EQ(FieldTypeFromDeclaration("varchar", &size, nullptr), ftMemo);
    EXPECT_EQ(FieldTypeFromDeclaration("CHARACTER VARYING", &size, nullptr), ftMemo);
    EXPECT_EQ(FieldTypeFromDeclaration("TEXT(40)", &size, nullptr), ftString);
    EXPECT_EQ(size, 40);
    EXPECT_EQ(FieldTypeFromDeclaration("VARCHAR(20)", &size, nullptr), ftString);
    EXPECT_EQ(size, 20);
    EXPECT_EQ(FieldTypeFromDeclaration("CHARACTER VARYING (300)", &size, nullptr), ftString);
    EXPECT_EQ(size, 300);
    EXPECT_EQ(FieldTypeFromDeclaration("NVARCHAR", &size, nullptr), ftMemo);
    EXPECT_EQ(FieldTypeFromDeclaration("NVARCHAR(12)", &size, nullptr), ftWideString);
    EXPECT_EQ(size, 12);
    EXPECT_EQ(FieldTypeFromDeclaration("MEMO", &size, nullptr), ftMemo);
}

// The same rules on PostgreSQL, whose bigint and text columns authors use for keys, counts and
// notes. Skipped without the test server (scripts/test.sh starts one).
TEST(StoredValuesPostgres, BigintAndTextColumns)
{
    const QString host = qEnvironmentVariable("TABULON_TEST_PGHOST");
    if (host.isEmpty())
        GTEST_SKIP() << "TABULON_TEST_PGHOST is not set";
    LocaleGuard locale{QStringLiteral("en_US")};
    QMap<QString, QString> p;
    p.insert("Driver", "QPSQL");
    p.insert("Host", host);
    p.insert("Port", qEnvironmentVariable("TABULON_TEST_PGPORT"));
    p.insert("User", qEnvironmentVariable("TABULON_TEST_PGUSER"));
    p.insert("Database", qEnvironmentVariable("TABULON_TEST_PGDATABASE"));
    Session().AddAlias("EXPRPG", p);
    const QString notes = longText(1000);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", "exprtest-pg");
        db.setHostName(host);
        db.setPort(p.value("Port").toInt());
        db.setUserName(p.value("User"));
        db.setDatabaseName(p.value("Database"));
        ASSERT_TRUE(db.open()) << qPrintable(db.lastError().text());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec("DROP TABLE IF EXISTS expr_stored"));
        ASSERT_TRUE(q.exec("CREATE TABLE expr_stored (id integer, big bigint, notes text, code varchar(8))"));
        ASSERT_TRUE(q.prepare("INSERT INTO expr_stored VALUES (?, ?, ?, ?)"));
        const QVariantList rows[] = {{1, qint64(99999999999), notes, "A1"}, {2, qint64(-5), "x", "B2"}};
        for (const QVariantList &row : rows) {
            for (const QVariant &v : row)
                q.addBindValue(v);
            ASSERT_TRUE(q.exec()) << qPrintable(q.lastError().text());
        }
        db.close();
    }
    QSqlDatabase::removeDatabase("exprtest-pg");
    {
        TForm form;
        auto *table = new TQuery(&form);
        table->SetName("Stored");
        table->SetDatabaseName("EXPRPG");
        table->SetSQLText("SELECT * FROM expr_stored ORDER BY id");
        table->Open();
        TQRDatasetList datasets{table};
        auto eval = [&](const QString &text) { return Eval(text, nullptr, &datasets); };
        EXPECT_FLOAT_VALUE(eval("[big]"), 99999999999.0);
        EXPECT_STR(eval("STR([big])"), "99999999999");
        EXPECT_TRUE(qobject_cast<const TMemoField *>(table->FieldByName("notes")));
        EXPECT_STR(eval("[notes]"), notes.left(255));
        EXPECT_INT(eval("FIELDLEN('Stored', 'notes')"), 0);
        EXPECT_INT(eval("FIELDLEN('Stored', 'code')"), 8);
        EXPECT_EQ(table->FieldByName("notes")->AsString(), notes);
        EXPECT_STR(eval("MEMOLINE('Stored', 'notes', 2)"), notes.section(u'\n', 1, 1));
        EXPECT_ERR(eval("MEMOLINE('Stored', 'code', 1)"), "");
        table->Next();
        EXPECT_INT(eval("[big]"), -5);
        // A count of rows is a bigint on this server.
        auto *count = new TQuery(&form);
        count->SetDatabaseName("EXPRPG");
        count->SetSQLText("SELECT count(*) AS n FROM expr_stored");
        count->Open();
        TQRDatasetList counted{count};
        EXPECT_INT(Eval("[n]", nullptr, &counted), 2);
    }
    Session().CloseDatabases();
    Session().DeleteAlias("EXPRPG");
}
