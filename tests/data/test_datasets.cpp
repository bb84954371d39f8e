// Tables, queries, fields, navigation, parameters and master/detail, run
// against SQLite and against PostgreSQL.

#include "dbfixture.h"

#include "common/localesettings.h"
#include "data/query.h"
#include "data/session.h"
#include "data/table.h"

#include <QBuffer>
#include <gtest/gtest.h>

#include <memory>

namespace
{

class Datasets : public ::testing::TestWithParam<TBackend>
{
protected:
    void SetUp() override
    {
        LocaleSettings().Load(QStringLiteral("en_US"));
        m_db = std::make_unique<TTestDatabase>(GetParam());
        if (!m_db->SkipReason().isEmpty())
            GTEST_SKIP() << m_db->SkipReason().toStdString();
        owner = std::make_unique<TComponent>();
    }
    void TearDown() override
    {
        owner.reset();
        m_db.reset();
    }

    TTable *table(const QString &name, const QString &tableName)
    {
        auto *t = new TTable(owner.get());
        t->SetName(name);
        t->SetDatabaseName(m_db->Alias());
        t->SetTableName(tableName);
        return t;
    }
    TQuery *query(const QString &name, const QString &sql)
    {
        auto *q = new TQuery(owner.get());
        q->SetName(name);
        q->SetDatabaseName(m_db->Alias());
        q->SetSQLText(sql);
        return q;
    }
    static QString message(const std::function<void()> &f)
    {
        try {
            f();
        } catch (const EDatabaseError &e) {
            return e.Message();
        }
        return QStringLiteral("<no error>");
    }
    static QList<qint64> column(TDataSet *ds, const QString &field)
    {
        QList<qint64> values;
        for (ds->First(); !ds->Eof(); ds->Next())
            values << ds->FieldByName(field)->AsInteger();
        return values;
    }
    bool pg() const { return GetParam() == TBackend::Postgres; }

    std::unique_ptr<TTestDatabase> m_db;
    std::unique_ptr<TComponent> owner;
};

} // namespace

TEST_P(Datasets, OpenCloseAndFieldsByNameAndPosition)
{
    TTable *t = table(QStringLiteral("Customers"), QStringLiteral("customers"));
    EXPECT_FALSE(t->Active());
    t->Open();
    EXPECT_TRUE(t->Active());
    EXPECT_TRUE(t->DefaultFields());
    EXPECT_EQ(t->FieldCount(), 14);
    EXPECT_EQ(t->Fields(0)->FieldName().toLower(), QStringLiteral("custno"));
    EXPECT_EQ(t->Fields(1)->Index(), 1);
    EXPECT_EQ(t->FieldByName(QStringLiteral("COMPANY")), t->FindField(QStringLiteral("company")));
    EXPECT_EQ(t->FindField(QStringLiteral("nothing")), nullptr);
    EXPECT_EQ(t->FieldByName(QStringLiteral("company"))->AsString(), QStringLiteral("Alpha Ltd"));
    EXPECT_EQ(t->FieldDefs().Count(), 14);
    t->Close();
    EXPECT_FALSE(t->Active());
    EXPECT_EQ(t->FieldCount(), 0); // the fields it created itself are gone
    t->SetActive(true);
    EXPECT_EQ(t->FieldByName(QStringLiteral("City"))->AsString(), QStringLiteral("Berlin"));
    // The table name may carry a desktop extension and any letter case.
    TTable *u = table(QStringLiteral("Upper"), QStringLiteral("CUSTOMERS.db"));
    u->Open();
    EXPECT_EQ(u->RecordCount(), 4);
}

TEST_P(Datasets, FieldClassesFollowColumnTypes)
{
    TTable *t = table(QStringLiteral("Customers"), QStringLiteral("customers"));
    t->Open();
    auto cls = [&](const char *name) {
        return QString::fromLatin1(t->FieldByName(QString::fromLatin1(name))->metaObject()->className());
    };
    EXPECT_EQ(cls("CustNo"), QStringLiteral("TIntegerField"));
    EXPECT_EQ(cls("Company"), QStringLiteral("TStringField"));
    EXPECT_EQ(t->FieldByName(QStringLiteral("Company"))->Size(), 40);
    EXPECT_EQ(cls("Since"), QStringLiteral("TDateField"));
    EXPECT_EQ(cls("Active"), QStringLiteral("TBooleanField"));
    EXPECT_EQ(cls("Rating"), QStringLiteral("TSmallintField"));
    EXPECT_EQ(cls("Balance"), QStringLiteral("TFloatField"));
    EXPECT_EQ(cls("Exact"), QStringLiteral("TBCDField"));
    EXPECT_EQ(cls("Stamp"), QStringLiteral("TDateTimeField"));
    EXPECT_EQ(cls("Opens"), QStringLiteral("TTimeField"));
    EXPECT_EQ(cls("Big"), QStringLiteral("TLargeintField"));
    if (pg()) {
        EXPECT_EQ(cls("Credit"), QStringLiteral("TBCDField"));
        EXPECT_EQ(cls("Notes"), QStringLiteral("TMemoField")); // text has no declared length
        EXPECT_EQ(cls("Logo"), QStringLiteral("TBlobField"));
    } else {
        EXPECT_EQ(cls("Credit"), QStringLiteral("TCurrencyField"));
        EXPECT_EQ(cls("Notes"), QStringLiteral("TMemoField"));
        EXPECT_EQ(cls("Logo"), QStringLiteral("TGraphicField"));
    }
    EXPECT_TRUE(t->FieldByName(QStringLiteral("Logo"))->IsBlob());
    EXPECT_EQ(t->FieldByName(QStringLiteral("Since"))->DataType(), ftDate);
    // An expression column without a declared type takes the type of its values.
    TQuery *q =
        query(QStringLiteral("Q"), QStringLiteral("SELECT CustNo * 2 AS Twice, Company || '!' AS Shout "
                                                  "FROM customers ORDER BY CustNo"));
    q->Open();
    EXPECT_EQ(q->FieldByName(QStringLiteral("Twice"))->AsInteger(), 2);
    EXPECT_EQ(q->FieldByName(QStringLiteral("Shout"))->AsString(), QStringLiteral("Alpha Ltd!"));
    // A computed text has no declared length: on the server it is of type text, a memo.
    EXPECT_TRUE(q->FieldByName(QStringLiteral("Shout"))->inherits(pg() ? "TMemoField" : "TStringField"));
}

TEST_P(Datasets, ValuesAsTextNumbersBooleansDatesAndNulls)
{
    TTable *t = table(QStringLiteral("Customers"), QStringLiteral("customers"));
    t->Open();
    auto f = [&](const char *name) { return t->FieldByName(QString::fromLatin1(name)); };
    EXPECT_EQ(f("CustNo")->AsInteger(), 1);
    EXPECT_EQ(f("CustNo")->AsString(), QStringLiteral("1"));
    EXPECT_DOUBLE_EQ(f("Credit")->AsFloat(), 1500.5);
    EXPECT_DOUBLE_EQ(f("Balance")->AsFloat(), 0.25);
    EXPECT_EQ(f("Balance")->AsString(), QStringLiteral("0.25"));
    EXPECT_DOUBLE_EQ(f("Exact")->AsFloat(), 12.34);
    EXPECT_TRUE(f("Active")->AsBoolean());
    EXPECT_EQ(f("Active")->AsString(), QStringLiteral("True"));
    EXPECT_EQ(f("Since")->AsDateTime(), QDateTime(QDate(2020, 3, 1), QTime(0, 0), Qt::UTC));
    EXPECT_EQ(f("Since")->AsString(), LocaleSettings().DateToStr(QDate(2020, 3, 1)));
    EXPECT_EQ(f("Stamp")->AsDateTime(), QDateTime(QDate(2021, 6, 15), QTime(8, 30), Qt::UTC));
    EXPECT_EQ(f("Opens")->AsDateTime().time(), QTime(9, 15));
    EXPECT_EQ(f("Big")->AsInteger(), 5000000000LL);
    EXPECT_EQ(f("Rating")->AsInteger(), 3);
    EXPECT_EQ(f("Notes")->AsString(), QStringLiteral("first line\nsecond line"));
    // Blob content to a stream.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    auto *logo = qobject_cast<TBlobField *>(f("Logo"));
    ASSERT_NE(logo, nullptr);
    logo->SaveToStream(&buffer);
    EXPECT_EQ(buffer.data(), QByteArray("\x01\x02\xff", 3));
    EXPECT_THROW(logo->SaveToStream(nullptr), EDatabaseError);
    // Display formats.
    auto *credit = qobject_cast<TNumericField *>(f("Credit"));
    credit->SetDisplayFormat(QStringLiteral("#,##0.00"));
    EXPECT_EQ(credit->DisplayText(), QStringLiteral("1,500.50"));
    auto *since = qobject_cast<TDateTimeField *>(f("Since"));
    since->SetDisplayFormat(QStringLiteral("dd.mm.yyyy"));
    EXPECT_EQ(since->DisplayText(), QStringLiteral("01.03.2020"));
    // Row 3 is null almost everywhere: empty text, 0, false, invalid date.
    t->Next();
    EXPECT_FALSE(f("Active")->AsBoolean());
    EXPECT_EQ(f("Rating")->AsInteger(), -2);
    t->Next();
    EXPECT_EQ(f("CustNo")->AsInteger(), 3);
    for (const char *n :
         {"Since", "Credit", "Active", "Notes", "Logo", "Rating", "Balance", "Stamp", "Opens"})
        EXPECT_TRUE(f(n)->IsNull()) << n;
    EXPECT_EQ(f("Since")->AsString(), QString());
    EXPECT_FALSE(f("Since")->AsDateTime().isValid());
    EXPECT_EQ(f("Rating")->AsInteger(), 0);
    EXPECT_EQ(f("Balance")->AsFloat(), 0.0);
    EXPECT_FALSE(f("Active")->AsBoolean());
    EXPECT_EQ(credit->DisplayText(), QString());
    EXPECT_EQ(f("Logo")->AsBytes(), QByteArray());
    t->Next();
    EXPECT_EQ(f("Balance")->AsString(), QStringLiteral("1E+20"));
    // A text that is no number cannot be read as one.
    EXPECT_NE(message([&] {
                  f("Company")->AsInteger();
              }).indexOf(QStringLiteral("\"Company\""), 0, Qt::CaseInsensitive),
              -1);
}

TEST_P(Datasets, NavigationWithPriorEofBofAndRecordCount)
{
    TQuery *q = query(QStringLiteral("Numbers"), QStringLiteral("SELECT N, Label FROM numbers ORDER BY N"));
    q->Open();
    TField *n = q->FieldByName(QStringLiteral("N"));
    EXPECT_TRUE(q->Bof());
    EXPECT_FALSE(q->Eof());
    EXPECT_EQ(n->AsInteger(), 1);
    q->Prior(); // nothing before the first row
    EXPECT_TRUE(q->Bof());
    EXPECT_EQ(n->AsInteger(), 1);
    q->Next();
    q->Next();
    EXPECT_EQ(q->RecNo(), 3);
    q->Prior();
    EXPECT_EQ(n->AsInteger(), 2);
    q->Next();
    EXPECT_EQ(n->AsInteger(), 3);
    // Not all rows read yet: the count comes from the database.
    EXPECT_EQ(q->RecordCount(), TTestDatabase::NumberRows);
    // Walk far, then step back beyond the rows kept: the statement is read again.
    for (int i = 0; i < 700; ++i)
        q->Next();
    EXPECT_EQ(n->AsInteger(), 703);
    for (int i = 0; i < 500; ++i)
        q->Prior();
    EXPECT_EQ(n->AsInteger(), 203);
    EXPECT_EQ(q->FieldByName(QStringLiteral("Label"))->AsString(), QStringLiteral("row 203"));
    // To the end: Eof after the last row, the last row stays current.
    int steps = 0;
    while (!q->Eof()) {
        q->Next();
        ++steps;
    }
    EXPECT_EQ(steps, TTestDatabase::NumberRows - 203 + 1);
    EXPECT_EQ(n->AsInteger(), TTestDatabase::NumberRows);
    q->Next(); // stays
    EXPECT_TRUE(q->Eof());
    // Group-end pattern: one step back and forward again.
    q->Prior();
    EXPECT_FALSE(q->Eof());
    EXPECT_EQ(n->AsInteger(), TTestDatabase::NumberRows - 1);
    q->Next();
    EXPECT_EQ(n->AsInteger(), TTestDatabase::NumberRows);
    EXPECT_EQ(q->RecordCount(), TTestDatabase::NumberRows);
    q->First();
    EXPECT_EQ(n->AsInteger(), 1);
    EXPECT_TRUE(q->Bof());
    q->Last();
    EXPECT_EQ(n->AsInteger(), TTestDatabase::NumberRows);
    EXPECT_TRUE(q->Eof());
    EXPECT_EQ(q->MoveBy(-3), -3);
    EXPECT_EQ(n->AsInteger(), TTestDatabase::NumberRows - 3);
}

TEST_P(Datasets, EmptyResultIsEofRightAfterFirst)
{
    TTable *t = table(QStringLiteral("Empty"), QStringLiteral("empty_table"));
    t->Open();
    EXPECT_TRUE(t->Eof());
    EXPECT_TRUE(t->Bof());
    EXPECT_TRUE(t->IsEmpty());
    t->First();
    EXPECT_TRUE(t->Eof());
    t->Next();
    t->Prior();
    EXPECT_TRUE(t->Eof());
    EXPECT_EQ(t->RecordCount(), 0);
    EXPECT_EQ(t->RecNo(), 0);
    EXPECT_EQ(t->FieldCount(), 2);
    EXPECT_TRUE(t->FieldByName(QStringLiteral("Name"))->IsNull());
    EXPECT_EQ(t->FieldByName(QStringLiteral("Name"))->AsString(), QString());
    TQuery *q = query(QStringLiteral("None"), QStringLiteral("SELECT * FROM customers WHERE CustNo > 100"));
    q->Open();
    q->First();
    EXPECT_TRUE(q->Eof());
}

TEST_P(Datasets, ParametersOfEveryType)
{
    TQuery *q =
        query(QStringLiteral("P"),
              QStringLiteral("SELECT CustNo FROM customers WHERE Company = :company OR CustNo = :num "
                             "OR Rating = :small OR Balance = :flt OR Since = :day OR Active = :flag "
                             "OR Stamp = :stamp OR Opens = :opens OR Exact = :exact OR Credit = :credit "
                             "ORDER BY CustNo"));
    ASSERT_EQ(q->ParamCount(), 10);
    EXPECT_EQ(q->Params().Names(), (QStringList{"company", "num", "small", "flt", "day", "flag", "stamp",
                                                "opens", "exact", "credit"}));
    // Nothing matches: every parameter set to a value no row has.
    q->ParamByName(QStringLiteral("COMPANY"))->SetAsString(QStringLiteral("nobody"));
    q->ParamByName(QStringLiteral("num"))->SetAsInteger(-1);
    q->ParamByName(QStringLiteral("small"))->SetAsSmallInt(100);
    q->ParamByName(QStringLiteral("flt"))->SetAsFloat(123.5);
    q->ParamByName(QStringLiteral("day"))->SetAsDate(QDate(1999, 1, 1));
    q->ParamByName(QStringLiteral("flag"))->SetDataType(ftBoolean);
    q->ParamByName(QStringLiteral("flag"))->Clear();
    q->ParamByName(QStringLiteral("flag"))->SetBound(true);
    q->ParamByName(QStringLiteral("stamp"))->SetAsDateTime(QDateTime(QDate(1999, 1, 1), QTime(1, 2, 3)));
    q->ParamByName(QStringLiteral("opens"))->SetAsTime(QTime(1, 1));
    q->ParamByName(QStringLiteral("exact"))->SetAsBCD(-7);
    q->ParamByName(QStringLiteral("credit"))->SetAsCurrency(-7);
    q->Open();
    EXPECT_TRUE(q->Eof());
    // Each parameter alone finds its row.
    auto only = [&](const QString &name, const std::function<void(TParam *)> &set) {
        q->Close();
        TParam *p = q->ParamByName(name);
        const TParam saved(nullptr);
        TParam keep;
        keep.AssignValue(*p);
        set(p);
        q->Open();
        const QList<qint64> rows = column(q, QStringLiteral("CustNo"));
        q->Close();
        p->AssignValue(keep);
        return rows;
    };
    EXPECT_EQ(only("company", [](TParam *p) { p->SetAsString(QStringLiteral("Beta GmbH")); }),
              QList<qint64>{2});
    EXPECT_EQ(only("num", [](TParam *p) { p->SetAsInteger(3); }), QList<qint64>{3});
    EXPECT_EQ(only("small", [](TParam *p) { p->SetAsSmallInt(7); }), QList<qint64>{4});
    EXPECT_EQ(only("flt", [](TParam *p) { p->SetAsFloat(-1.5); }), QList<qint64>{2});
    EXPECT_EQ(only("day", [](TParam *p) { p->SetAsDate(QDate(2019, 12, 31)); }), QList<qint64>{2});
    EXPECT_EQ(only("day", [](TParam *p) { p->SetAsString(LocaleSettings().DateToStr(QDate(2022, 1, 10))); }),
              QList<qint64>{4});
    EXPECT_EQ(only("flag", [](TParam *p) { p->SetAsBoolean(false); }), QList<qint64>{2});
    EXPECT_EQ(only("stamp", [](TParam *p) { p->SetAsDateTime(QDateTime(QDate(2021, 6, 15), QTime(8, 30))); }),
              QList<qint64>{1});
    EXPECT_EQ(only("opens", [](TParam *p) { p->SetAsTime(QTime(23, 0)); }), QList<qint64>{4});
    EXPECT_EQ(only("exact", [](TParam *p) { p->SetAsBCD(1.5); }), QList<qint64>{4});
    EXPECT_EQ(only("credit", [](TParam *p) { p->SetAsCurrency(99.99); }), QList<qint64>{4});
    EXPECT_EQ(only("num", [](TParam *p) { p->SetAsString(QStringLiteral(" 2 ")); }), QList<qint64>{2});
}

TEST_P(Datasets, ParameterErrorsNameTheParameter)
{
    TQuery *q = query(QStringLiteral("Orders"), QStringLiteral("SELECT * FROM orders WHERE CustNo = :cust "
                                                               "AND SaleDate > :since"));
    TParam *cust = q->ParamByName(QStringLiteral("cust"));
    TParam *since = q->ParamByName(QStringLiteral("since"));
    cust->SetDataType(ftInteger);
    since->SetDataType(ftDate);
    EXPECT_EQ(message([&] { cust->SetAsString(QStringLiteral("abc")); }),
              QStringLiteral("Orders: Parameter \"cust\": \"abc\" is not a valid Integer value"));
    EXPECT_EQ(message([&] { since->SetAsString(QStringLiteral("31.31.2020")); }),
              QStringLiteral("Orders: Parameter \"since\": \"31.31.2020\" is not a valid Date value"));
    EXPECT_EQ(message([&] { since->SetAsBoolean(true); }),
              QStringLiteral("Orders: Parameter \"since\": \"True\" is not a valid Date value"));
    EXPECT_TRUE(cust->IsNull()); // unchanged by the failed sets
    EXPECT_FALSE(cust->Bound());
    EXPECT_EQ(message([&] { q->ParamByName(QStringLiteral("nope")); }),
              QStringLiteral("Orders: Parameter \"nope\" not found"));
    // Opening with a parameter that has no value is refused with its name.
    cust->SetAsInteger(1);
    EXPECT_EQ(message([&] { q->Open(); }), QStringLiteral("Orders: No value for parameter \"since\""));
    EXPECT_FALSE(q->Active());
    // Small integers are range checked.
    TParam small(nullptr, QStringLiteral("s"), ftSmallint);
    EXPECT_THROW(small.SetAsInteger(40000), EDatabaseError);
    TParam word(nullptr, QStringLiteral("w"), ftWord);
    EXPECT_THROW(word.SetAsInteger(-1), EDatabaseError);
    word.SetAsInteger(65535);
    EXPECT_EQ(word.AsInteger(), 65535);
}

TEST_P(Datasets, ParametersParsedOutsideStringsAndShared)
{
    TQuery *q =
        query(QStringLiteral("Q"), QStringLiteral("SELECT CustNo, '10:30' AS t FROM customers -- :nope\n"
                                                  "WHERE City = :city OR Company = :City /* :x */ "
                                                  "ORDER BY CustNo"));
    ASSERT_EQ(q->ParamCount(), 2);
    EXPECT_EQ(q->Params().Items(0)->Name(), QStringLiteral("city"));
    EXPECT_EQ(q->Params().Items(1)->Name(), QStringLiteral("City"));
    // A repeated name: setting the first (by name) is used for both.
    q->ParamByName(QStringLiteral("CITY"))->SetAsString(QStringLiteral("Bonn"));
    q->Open();
    EXPECT_EQ(column(q, QStringLiteral("CustNo")), QList<qint64>{2});
    EXPECT_EQ(q->FieldByName(QStringLiteral("t"))->AsString(), QStringLiteral("10:30"));
    // Changing the SQL keeps the values of names that stay.
    q->SetSQLText(QStringLiteral("SELECT CustNo FROM customers WHERE City = :city ORDER BY CustNo"));
    EXPECT_FALSE(q->Active());
    ASSERT_EQ(q->ParamCount(), 1);
    EXPECT_EQ(q->ParamByName(QStringLiteral("city"))->AsString(), QStringLiteral("Bonn"));
    // Copying values from another list by name.
    TParams other(nullptr);
    other.CreateParam(ftString, QStringLiteral("CITY"))->SetAsString(QStringLiteral("Berlin"));
    other.CreateParam(ftInteger, QStringLiteral("unused"))->SetAsInteger(1);
    q->Params().AssignValues(other);
    q->Open();
    EXPECT_EQ(column(q, QStringLiteral("CustNo")), (QList<qint64>{1, 3}));
    if (pg()) {
        TQuery *cast = query(QStringLiteral("C"), QStringLiteral("SELECT CustNo::text AS s FROM customers "
                                                                 "WHERE CustNo = :n"));
        ASSERT_EQ(cast->ParamCount(), 1);
        cast->ParamByName(QStringLiteral("n"))->SetAsInteger(4);
        cast->Open();
        EXPECT_EQ(cast->FieldByName(QStringLiteral("s"))->AsString(), QStringLiteral("4"));
    }
}

TEST_P(Datasets, TableFollowsMasterThroughIndex)
{
    TTable *cust = table(QStringLiteral("Cust"), QStringLiteral("customers"));
    auto *src = new TDataSource(owner.get());
    src->SetName(QStringLiteral("CustSource"));
    src->SetDataSet(cust);
    TTable *orders = table(QStringLiteral("Orders"), QStringLiteral("orders"));
    orders->SetIndexName(QStringLiteral("ByCust"));
    orders->SetMasterSource(src);
    orders->SetMasterFields(QStringLiteral("CustNo"));
    cust->Open();
    orders->Open();
    EXPECT_EQ(column(orders, QStringLiteral("OrderNo")).size(), 3);
    EXPECT_EQ(orders->RecordCount(), 3);
    cust->Next(); // customer 2
    EXPECT_EQ(column(orders, QStringLiteral("OrderNo")), QList<qint64>{11});
    cust->Next(); // customer 3 has no orders
    EXPECT_TRUE(orders->Eof());
    EXPECT_EQ(orders->RecordCount(), 0);
    cust->Next(); // 4
    EXPECT_EQ(orders->FieldByName(QStringLiteral("Amount"))->AsFloat(), 999.0);
    // Stepping the master back and forth around a group end.
    cust->Prior();
    cust->Next();
    EXPECT_EQ(column(orders, QStringLiteral("OrderNo")), QList<qint64>{13});
    // A master that closes leaves the detail without rows.
    cust->Close();
    EXPECT_TRUE(orders->Eof());
    cust->Open();
    EXPECT_EQ(orders->RecordCount(), 3);
    // A freed data source is no master any more.
    delete src;
    EXPECT_EQ(orders->MasterSource(), nullptr);
}

TEST_P(Datasets, QueryFollowsMasterThroughParameters)
{
    TTable *cust = table(QStringLiteral("Cust"), QStringLiteral("customers"));
    auto *src = new TDataSource(owner.get());
    src->SetDataSet(cust);
    TQuery *orders = query(QStringLiteral("Orders"), QStringLiteral("SELECT OrderNo FROM orders WHERE "
                                                                    "CustNo = :CustNo ORDER BY OrderNo"));
    orders->SetDataSource(src);
    cust->Open();
    orders->Open();
    EXPECT_EQ(column(orders, QStringLiteral("OrderNo")), (QList<qint64>{10, 12, 14}));
    cust->Next();
    EXPECT_EQ(column(orders, QStringLiteral("OrderNo")), QList<qint64>{11});
    EXPECT_EQ(orders->ParamByName(QStringLiteral("custno"))->AsInteger(), 2);
    // A parameter with its own (bound) value does not follow the master.
    orders->ParamByName(QStringLiteral("CustNo"))->SetAsInteger(4);
    orders->Refresh();
    cust->First();
    EXPECT_EQ(column(orders, QStringLiteral("OrderNo")), QList<qint64>{13});
}

TEST_P(Datasets, IndexOrderAndDefinitions)
{
    TTable *orders = table(QStringLiteral("Orders"), QStringLiteral("orders"));
    QStringList names;
    orders->GetIndexNames(names);
    QStringList lower;
    for (const QString &n : names)
        lower << n.toLower();
    EXPECT_TRUE(lower.contains(QStringLiteral("bycust")));
    EXPECT_TRUE(lower.contains(QStringLiteral("byamount")));
    const TIndexDef *primary = orders->IndexDefs().Find(QString());
    ASSERT_NE(primary, nullptr);
    EXPECT_EQ(primary->Fields.toLower(), QStringLiteral("orderno"));
    EXPECT_TRUE(primary->Options & ixPrimary);
    orders->SetIndexName(QStringLiteral("ByAmount"));
    orders->Open();
    EXPECT_EQ(column(orders, QStringLiteral("OrderNo")), (QList<qint64>{11, 12, 14, 10, 13}));
    orders->SetIndexName(QString()); // primary key order
    EXPECT_EQ(column(orders, QStringLiteral("OrderNo")), (QList<qint64>{10, 11, 12, 13, 14}));
    orders->SetIndexFieldNames(QStringLiteral("CustNo;Amount"));
    EXPECT_EQ(column(orders, QStringLiteral("OrderNo")), (QList<qint64>{12, 14, 10, 11, 13}));
    orders->Close();
    orders->SetIndexName(QStringLiteral("NoSuchIndex"));
    EXPECT_EQ(message([&] { orders->Open(); }),
              QStringLiteral("Orders: Index \"NoSuchIndex\" not found in table \"orders\""));
}

TEST_P(Datasets, FiltersRestrictRows)
{
    TTable *cust = table(QStringLiteral("Cust"), QStringLiteral("customers"));
    cust->SetFilter(QStringLiteral("City = 'Berlin'"));
    cust->Open();
    EXPECT_EQ(cust->RecordCount(), 4); // not filtered yet
    cust->SetFiltered(true);
    EXPECT_EQ(column(cust, QStringLiteral("CustNo")), (QList<qint64>{1, 3}));
    EXPECT_EQ(cust->RecordCount(), 2);
    cust->SetFilter(QStringLiteral("[City] = 'Bo*' and CustNo > 2"));
    EXPECT_EQ(column(cust, QStringLiteral("CustNo")), QList<qint64>{4});
    cust->SetFilter(QStringLiteral("Company = 'O''Neil'"));
    EXPECT_TRUE(cust->Eof());
    TQuery *q = query(QStringLiteral("Q"), QStringLiteral("SELECT * FROM orders"));
    q->SetFilter(QStringLiteral("Amount >= 200"));
    q->SetFiltered(true);
    q->Open();
    EXPECT_EQ(q->RecordCount(), 3);
    q->Close();
    q->SetFilter(QStringLiteral("Amount >= 200; DROP TABLE orders"));
    EXPECT_NE(message([&] { q->Open(); }).indexOf(QStringLiteral("not allowed")), -1);
    q->SetFilter(QStringLiteral("NoSuchColumn = 1"));
    const QString m = message([&] { q->Open(); });
    EXPECT_TRUE(m.startsWith(QStringLiteral("Q: SQL error: "))) << m.toStdString();
}

TEST_P(Datasets, FailuresCarryClearMessages)
{
    TTable *missing = table(QStringLiteral("Missing"), QStringLiteral("ordrs"));
    EXPECT_EQ(message([&] { missing->Open(); }),
              QStringLiteral("Missing: Table \"ordrs\" not found in database \"%1\"").arg(m_db->Alias()));
    EXPECT_FALSE(missing->Exists());
    TQuery *bad = query(QStringLiteral("Bad"), QStringLiteral("SELEKT * FROM orders"));
    QString m = message([&] { bad->Open(); });
    EXPECT_TRUE(m.startsWith(QStringLiteral("Bad: SQL error: "))) << m.toStdString();
    EXPECT_NE(m.indexOf(QStringLiteral("SELEKT")), -1);
    EXPECT_FALSE(bad->Active());
    TQuery *empty = query(QStringLiteral("Empty"), QString());
    EXPECT_EQ(message([&] { empty->Open(); }), QStringLiteral("Empty: No SQL statement given"));
    TTable *t = table(QStringLiteral("T"), QStringLiteral("orders"));
    t->Open();
    EXPECT_EQ(message([&] { t->FieldByName(QStringLiteral("Nope")); }),
              QStringLiteral("T: Field \"Nope\" not found"));
    EXPECT_EQ(message([&] { t->Fields(99); }), QStringLiteral("T: Field index 99 out of range (4 fields)"));
    TTable *closed = table(QStringLiteral("Closed"), QStringLiteral("orders"));
    EXPECT_EQ(message([&] { closed->Next(); }),
              QStringLiteral("Closed: Cannot perform this operation on a closed dataset"));
    TTable *nodb = new TTable(owner.get());
    nodb->SetName(QStringLiteral("NoDb"));
    nodb->SetTableName(QStringLiteral("orders"));
    EXPECT_EQ(message([&] { nodb->Open(); }), QStringLiteral("NoDb: No database name given"));
    nodb->SetDatabaseName(QStringLiteral("NOSUCHALIAS"));
    m = message([&] { nodb->Open(); });
    EXPECT_TRUE(m.startsWith(QStringLiteral("NoDb: Unknown database \"NOSUCHALIAS\""))) << m.toStdString();
    // Data fields cannot be written.
    EXPECT_EQ(message([&] { t->FieldByName(QStringLiteral("Amount"))->SetAsFloat(1); }).toLower(),
              QStringLiteral("t: cannot modify field \"amount\": the dataset is read-only"));
}

TEST_P(Datasets, PersistentCalculatedAndLookupFields)
{
    TTable *orders = table(QStringLiteral("Orders"), QStringLiteral("orders"));
    orders->FieldDefs().Update();
    ASSERT_EQ(orders->FieldDefs().Count(), 4);
    // Persistent fields for two columns only, owned by the dataset.
    orders->FieldDefs().Find(QStringLiteral("OrderNo"))->CreateField(orders, orders);
    TField *amount = orders->FieldDefs().Find(QStringLiteral("Amount"))->CreateField(orders, orders);
    amount->SetDisplayLabel(QStringLiteral("Order amount"));
    EXPECT_EQ(amount->DisplayLabel(), QStringLiteral("Order amount"));
    EXPECT_EQ(orders->FieldDefs().Find(QStringLiteral("CustNo"))->DataType, ftInteger);
    TField *custNo = orders->FieldDefs().Find(QStringLiteral("CustNo"))->CreateField(orders, orders);
    auto *doubled = new TFloatField(orders);
    doubled->SetFieldName(QStringLiteral("Doubled"));
    doubled->SetFieldKind(fkCalculated);
    doubled->SetDataSet(orders);
    TTable *cust = table(QStringLiteral("Cust"), QStringLiteral("customers"));
    cust->Open();
    auto *company = new TStringField(orders);
    company->SetFieldName(QStringLiteral("CompanyName"));
    company->SetFieldKind(fkLookup);
    company->SetKeyFields(QStringLiteral("CustNo"));
    company->SetLookupDataSet(cust);
    company->SetLookupKeyFields(QStringLiteral("CustNo"));
    company->SetLookupResultField(QStringLiteral("Company"));
    company->SetDataSet(orders);
    orders->OnCalcFields = [](TDataSet *ds) {
        ds->FieldByName(QStringLiteral("Doubled"))
            ->SetAsFloat(ds->FieldByName(QStringLiteral("Amount"))->AsFloat() * 2);
    };
    orders->Open();
    EXPECT_FALSE(orders->DefaultFields());
    EXPECT_EQ(orders->FieldCount(), 5);
    EXPECT_EQ(orders->FindField(QStringLiteral("SaleDate")), nullptr); // no persistent field for it
    EXPECT_EQ(doubled->AsFloat(), 600.0);
    EXPECT_EQ(company->AsString(), QStringLiteral("Alpha Ltd"));
    orders->Next();
    EXPECT_EQ(doubled->AsFloat(), 100.0);
    EXPECT_EQ(company->AsString(), QStringLiteral("Beta GmbH"));
    orders->Prior();
    EXPECT_EQ(doubled->AsFloat(), 600.0);
    orders->Close();
    EXPECT_EQ(orders->FieldCount(), 5); // persistent fields stay
    EXPECT_TRUE(amount->IsNull());
    // A persistent field whose column is gone makes the open fail with its name.
    custNo->SetFieldName(QStringLiteral("Gone"));
    EXPECT_EQ(message([&] { orders->Open(); }), QStringLiteral("Orders: Field \"Gone\" not found"));
    EXPECT_FALSE(orders->Active());
    delete custNo;
    orders->Open();
    EXPECT_EQ(orders->FieldCount(), 4);
    orders->Close();
    orders->DestroyFields(true, false);
    EXPECT_EQ(orders->FieldCount(), 2); // the calculated and the lookup field stay
}

TEST_P(Datasets, StoredActiveOpensAfterLoading)
{
    TTable *t = table(QStringLiteral("T"), QStringLiteral("orders"));
    t->BeginLoading();
    t->SetActive(true);
    EXPECT_FALSE(t->Active());
    t->EndLoading();
    EXPECT_TRUE(t->Active());
    TTable *bad = table(QStringLiteral("Bad"), QStringLiteral("nothing_here"));
    bad->BeginLoading();
    bad->SetActive(true);
    bad->EndLoading(); // the error is kept, not raised
    EXPECT_FALSE(bad->Active());
    EXPECT_NE(bad->LoadError().indexOf(QStringLiteral("nothing_here")), -1);
}

TEST_P(Datasets, SessionListsTables)
{
    const QStringList tables = Session().TableNames(m_db->Alias());
    QStringList lower;
    for (const QString &n : tables)
        lower << n.toLower();
    EXPECT_TRUE(lower.contains(QStringLiteral("customers")));
    EXPECT_TRUE(lower.contains(QStringLiteral("orders")));
    for (const QString &n : lower)
        EXPECT_FALSE(n.startsWith(QStringLiteral("sqlite_")) || n.startsWith(QStringLiteral("pg_")))
            << n.toStdString();
    QStringList sorted = tables;
    std::sort(sorted.begin(), sorted.end(),
              [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    EXPECT_EQ(tables, sorted);
    const QStringList c = Session().TableNames(m_db->Alias(), QStringLiteral("cust*.*"));
    ASSERT_EQ(c.size(), 1);
    EXPECT_EQ(c.at(0).toLower(), QStringLiteral("customers"));
}

INSTANTIATE_TEST_SUITE_P(Backends, Datasets, ::testing::Values(TBackend::Sqlite, TBackend::Postgres),
                         [](const ::testing::TestParamInfo<TBackend> &info) {
                             return info.param == TBackend::Sqlite ? "SQLite" : "PostgreSQL";
                         });
