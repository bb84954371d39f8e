// Statements without rows, look-ups, field definitions, nested master/detail,
// events and concurrent cursors, against SQLite and PostgreSQL.

#include "dbfixture.h"

#include "common/localesettings.h"
#include "data/query.h"
#include "data/table.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{

class MoreDatasets : public ::testing::TestWithParam<TBackend>
{
protected:
    void SetUp() override
    {
        LocaleSettings().Load(QStringLiteral("en_US"));
        db = std::make_unique<TTestDatabase>(GetParam());
        if (!db->SkipReason().isEmpty())
            GTEST_SKIP() << db->SkipReason().toStdString();
        owner = std::make_unique<TComponent>();
    }
    void TearDown() override
    {
        owner.reset();
        db.reset();
    }
    TQuery *query(const QString &name, const QString &sql)
    {
        auto *q = new TQuery(owner.get());
        q->SetName(name);
        q->SetDatabaseName(db->Alias());
        q->SetSQLText(sql);
        return q;
    }
    TTable *table(const QString &name, const QString &tableName)
    {
        auto *t = new TTable(owner.get());
        t->SetName(name);
        t->SetDatabaseName(db->Alias());
        t->SetTableName(tableName);
        return t;
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

    std::unique_ptr<TTestDatabase> db;
    std::unique_ptr<TComponent> owner;
};

} // namespace

TEST_P(MoreDatasets, StatementsWithoutRows)
{
    TQuery *ins = query(QStringLiteral("Ins"),
                        QStringLiteral("INSERT INTO empty_table (Id, Name) VALUES (:id, :name)"));
    for (int i = 1; i <= 3; ++i) {
        ins->ParamByName(QStringLiteral("id"))->SetAsInteger(i);
        ins->ParamByName(QStringLiteral("name"))->SetAsString(QStringLiteral("n%1").arg(i));
        EXPECT_EQ(ins->ExecSQL(), 1);
    }
    TQuery *upd =
        query(QStringLiteral("Upd"), QStringLiteral("UPDATE empty_table SET Name = 'x' WHERE Id >= :from"));
    upd->ParamByName(QStringLiteral("from"))->SetAsInteger(2);
    EXPECT_EQ(upd->ExecSQL(), 2);
    EXPECT_EQ(upd->RowsAffected(), 2);
    TTable *t = table(QStringLiteral("T"), QStringLiteral("empty_table"));
    t->Open();
    EXPECT_EQ(t->RecordCount(), 3);
    // A statement without rows cannot be opened; a failing one says why.
    EXPECT_NE(message([&] { upd->Open(); }).indexOf(QStringLiteral("returns no rows")), -1);
    EXPECT_FALSE(upd->Active());
    TQuery *bad = query(QStringLiteral("Bad"), QStringLiteral("DELETE FROM no_such_table"));
    EXPECT_TRUE(message([&] { bad->ExecSQL(); }).startsWith(QStringLiteral("Bad: SQL error: ")));
    // After a failure the query opens once its SQL is right.
    bad->SetSQLText(QStringLiteral("SELECT COUNT(*) AS n FROM empty_table"));
    bad->Open();
    EXPECT_EQ(bad->FieldByName(QStringLiteral("n"))->AsInteger(), 3);
}

TEST_P(MoreDatasets, LookupsFindTheFirstMatchingRow)
{
    TTable *cust = table(QStringLiteral("Cust"), QStringLiteral("customers"));
    EXPECT_EQ(message([&] { cust->Lookup(QStringLiteral("CustNo"), {2}, QStringLiteral("Company")); }),
              QStringLiteral("Cust: Cannot perform this operation on a closed dataset"));
    cust->Open();
    EXPECT_EQ(cust->Lookup(QStringLiteral("CustNo"), {2}, QStringLiteral("Company")).toString(),
              QStringLiteral("Beta GmbH"));
    EXPECT_EQ(cust->Lookup(QStringLiteral("city;company"),
                           {QStringLiteral("Berlin"), QStringLiteral("Gamma SA")}, QStringLiteral("CustNo"))
                  .toLongLong(),
              3);
    EXPECT_TRUE(cust->Lookup(QStringLiteral("CustNo"), {99}, QStringLiteral("Company")).isNull());
    EXPECT_TRUE(cust->Lookup(QStringLiteral("CustNo"), {QVariant()}, QStringLiteral("Company")).isNull());
    EXPECT_TRUE(message([&] {
                    cust->Lookup(QStringLiteral("CustNo;City"), {1}, QStringLiteral("Company"));
                }).contains(QStringLiteral("one value for each")));
    EXPECT_EQ(message([&] { cust->Lookup(QStringLiteral("Nope"), {1}, QStringLiteral("Company")); }),
              QStringLiteral("Cust: Field \"Nope\" not found"));
    EXPECT_EQ(message([&] { cust->Lookup(QStringLiteral("CustNo"), {1}, QStringLiteral("Nope")); }),
              QStringLiteral("Cust: Field \"Nope\" not found"));
    // The look-up respects the filter of the dataset.
    cust->SetFilter(QStringLiteral("City = 'Bonn'"));
    cust->SetFiltered(true);
    EXPECT_TRUE(cust->Lookup(QStringLiteral("CustNo"), {1}, QStringLiteral("Company")).isNull());
}

TEST_P(MoreDatasets, FieldDefinitionsWithoutOpening)
{
    TQuery *q = query(QStringLiteral("Q"),
                      QStringLiteral("SELECT CustNo, Company, Since FROM customers WHERE City = :c"));
    q->ParamByName(QStringLiteral("c"))->SetAsString(QStringLiteral("Berlin"));
    q->FieldDefs().Update();
    EXPECT_FALSE(q->Active());
    ASSERT_EQ(q->FieldDefs().Count(), 3);
    EXPECT_EQ(q->FieldDefs()[0].DataType, ftInteger);
    EXPECT_EQ(q->FieldDefs()[1].DataType, ftString);
    EXPECT_EQ(q->FieldDefs()[1].Size, 40);
    EXPECT_EQ(q->FieldDefs()[2].DataType, ftDate);
    EXPECT_EQ(q->FieldDefs()[2].FieldNo, 3);
    EXPECT_EQ(q->FieldDefs().IndexOf(QStringLiteral("COMPANY")), 1);
    EXPECT_EQ(q->FieldDefs().Find(QStringLiteral("none")), nullptr);
    EXPECT_EQ(q->FieldNames().size(), 3);
    // A field of a type without class cannot be made.
    TFieldDef odd;
    odd.Name = QStringLiteral("C");
    odd.DataType = ftCursor;
    EXPECT_THROW(odd.CreateField(owner.get(), q), EDatabaseError);
    // Fields cannot be added, renamed or removed while open.
    q->Open();
    TStringField extra;
    extra.SetFieldName(QStringLiteral("Extra"));
    EXPECT_THROW(extra.SetDataSet(q), EDatabaseError);
    auto *dup = new TStringField(owner.get());
    dup->SetFieldName(QStringLiteral("company"));
    q->Close();
    q->FieldDefs().Find(QStringLiteral("Company"))->CreateField(q, q);
    EXPECT_THROW(dup->SetDataSet(q), EDatabaseError); // the name is taken
    EXPECT_EQ(dup->DataSet(), nullptr);
}

TEST_P(MoreDatasets, NestedMasterDetail)
{
    db->Exec({QStringLiteral("DROP TABLE IF EXISTS items"),
              QStringLiteral("CREATE TABLE items (OrderNo INTEGER, ItemNo INTEGER, Qty INTEGER)"),
              QStringLiteral("INSERT INTO items VALUES (10, 1, 5)"),
              QStringLiteral("INSERT INTO items VALUES (10, 2, 6)"),
              QStringLiteral("INSERT INTO items VALUES (12, 1, 7)"),
              QStringLiteral("INSERT INTO items VALUES (13, 1, 8)")});
    TTable *cust = table(QStringLiteral("Cust"), QStringLiteral("customers"));
    auto *custSrc = new TDataSource(owner.get());
    custSrc->SetDataSet(cust);
    TQuery *orders =
        query(QStringLiteral("Orders"),
              QStringLiteral("SELECT OrderNo FROM orders WHERE CustNo = :CustNo ORDER BY OrderNo"));
    orders->SetDataSource(custSrc);
    auto *orderSrc = new TDataSource(owner.get());
    orderSrc->SetDataSet(orders);
    TTable *items = table(QStringLiteral("Items"), QStringLiteral("items"));
    items->SetIndexFieldNames(QStringLiteral("OrderNo;ItemNo"));
    items->SetMasterSource(orderSrc);
    items->SetMasterFields(QStringLiteral("OrderNo"));
    cust->Open();
    orders->Open();
    items->Open();
    // Walk the tree as nested sub-details do.
    QStringList walk;
    for (cust->First(); !cust->Eof(); cust->Next()) {
        for (orders->First(); !orders->Eof(); orders->Next()) {
            QStringList qty;
            for (items->First(); !items->Eof(); items->Next())
                qty << items->FieldByName(QStringLiteral("Qty"))->AsString();
            walk << QStringLiteral("%1:%2[%3]")
                        .arg(cust->FieldByName(QStringLiteral("CustNo"))->AsString(),
                             orders->FieldByName(QStringLiteral("OrderNo"))->AsString(),
                             qty.join(QLatin1Char(',')));
        }
    }
    EXPECT_EQ(walk, (QStringList{"1:10[5,6]", "1:12[7]", "1:14[]", "2:11[]", "4:13[8]"}));
    // A detail's count follows the master too.
    cust->First();
    orders->First();
    EXPECT_EQ(items->RecordCount(), 2);
    // More master fields than index fields is refused with the numbers.
    items->Close();
    items->SetIndexFieldNames(QStringLiteral("OrderNo"));
    items->SetMasterFields(QStringLiteral("OrderNo;OrderNo"));
    EXPECT_NE(message([&] { items->Open(); }).indexOf(QStringLiteral("2 master fields")), -1);
    // A master field the master does not have.
    items->SetMasterFields(QStringLiteral("NoSuchField"));
    EXPECT_NE(message([&] { items->Open(); }).indexOf(QStringLiteral("NoSuchField")), -1);
    // A dataset cannot be its own master.
    EXPECT_THROW(orders->SetDataSource(orderSrc), EDatabaseError);
}

TEST_P(MoreDatasets, EventsAndCalculationErrors)
{
    TTable *t = table(QStringLiteral("T"), QStringLiteral("orders"));
    QStringList events;
    t->BeforeOpen = [&](TDataSet *ds) { events << QStringLiteral("BeforeOpen:%1").arg(ds->Active()); };
    t->AfterOpen = [&](TDataSet *ds) { events << QStringLiteral("AfterOpen:%1").arg(ds->Active()); };
    t->BeforeClose = [&](TDataSet *ds) { events << QStringLiteral("BeforeClose:%1").arg(ds->Active()); };
    t->AfterClose = [&](TDataSet *ds) { events << QStringLiteral("AfterClose:%1").arg(ds->Active()); };
    t->Open();
    t->Open(); // already open: nothing
    t->Close();
    t->Close();
    EXPECT_EQ(events, (QStringList{"BeforeOpen:0", "AfterOpen:1", "BeforeClose:1", "AfterClose:0"}));
    // A failing calculation reaches the caller and leaves the dataset usable.
    auto *calc = new TIntegerField(t);
    calc->SetFieldName(QStringLiteral("Calc"));
    calc->SetFieldKind(fkCalculated);
    calc->SetDataSet(t);
    t->FieldDefs().Update();
    t->FieldDefs().Find(QStringLiteral("OrderNo"))->CreateField(t, t);
    int calls = 0;
    t->OnCalcFields = [&](TDataSet *ds) {
        ++calls;
        EXPECT_EQ(ds->State(), dsCalcFields);
        const qint64 no = ds->FieldByName(QStringLiteral("OrderNo"))->AsInteger();
        if (no == 11)
            throw EDatabaseError(QStringLiteral("bad row"));
        ds->FieldByName(QStringLiteral("Calc"))->SetAsInteger(no * 10);
    };
    t->Open();
    EXPECT_EQ(calc->AsInteger(), 100);
    EXPECT_THROW(t->Next(), EDatabaseError);
    EXPECT_EQ(t->State(), dsBrowse);
    t->Next();
    EXPECT_EQ(calc->AsInteger(), 120);
    t->SetAutoCalcFields(false);
    const int before = calls;
    t->Next();
    EXPECT_EQ(calls, before);
}

TEST_P(MoreDatasets, ManyCursorsReadAtOnce)
{
    // Several partly read results at the same time (on a server each holds its own connection).
    std::vector<TQuery *> queries;
    for (int i = 0; i < 7; ++i) {
        TQuery *q = query(QStringLiteral("Q%1").arg(i),
                          QStringLiteral("SELECT N FROM numbers WHERE N > :from ORDER BY N"));
        q->ParamByName(QStringLiteral("from"))->SetAsInteger(i * 100);
        q->Open();
        queries.push_back(q);
    }
    for (int step = 0; step < 300; ++step)
        for (TQuery *q : queries)
            q->Next();
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(queries[size_t(i)]->Fields(0)->AsInteger(), i * 100 + 301);
    // Closing and reopening in any order keeps them apart.
    queries[3]->Close();
    queries[0]->Close();
    queries[3]->Open();
    EXPECT_EQ(queries[3]->Fields(0)->AsInteger(), 301);
    EXPECT_EQ(queries[6]->Fields(0)->AsInteger(), 901);
    for (TQuery *q : queries)
        q->Close();
    // A short result read to its end, then moved in again.
    TQuery *small =
        query(QStringLiteral("Small"), QStringLiteral("SELECT N FROM numbers WHERE N <= 3 ORDER BY N"));
    small->Open();
    small->Last();
    EXPECT_EQ(small->RecordCount(), 3);
    small->First();
    EXPECT_EQ(small->Fields(0)->AsInteger(), 1);
    EXPECT_EQ(small->MoveBy(5), 2);
    EXPECT_EQ(small->Fields(0)->AsInteger(), 3);
}

TEST_P(MoreDatasets, PersistentFieldsSurviveRefreshAndFilterChanges)
{
    TTable *t = table(QStringLiteral("T"), QStringLiteral("numbers"));
    t->FieldDefs().Update();
    TField *n = t->FieldDefs().Find(QStringLiteral("N"))->CreateField(t, t);
    t->SetFilter(QStringLiteral("N > 995"));
    t->SetFiltered(true); // closed: remembered
    t->Open();
    EXPECT_EQ(t->RecordCount(), 5);
    EXPECT_EQ(n->AsInteger(), 996);
    t->SetFilter(QStringLiteral("N <= 2"));
    EXPECT_EQ(n->AsInteger(), 1);
    EXPECT_EQ(t->RecordCount(), 2);
    t->Refresh();
    EXPECT_EQ(t->FieldCount(), 1);
    EXPECT_EQ(t->FieldByName(QStringLiteral("n")), n);
    t->SetFiltered(false);
    EXPECT_EQ(t->RecordCount(), TTestDatabase::NumberRows);
    t->SetIndexFieldNames(QStringLiteral("Label"));
    EXPECT_EQ(t->FieldByName(QStringLiteral("N"))->AsInteger(), 1); // "row 1" sorts first
    t->Next();
    EXPECT_EQ(n->AsInteger(), 10); // then "row 10"
}

INSTANTIATE_TEST_SUITE_P(Backends, MoreDatasets, ::testing::Values(TBackend::Sqlite, TBackend::Postgres),
                         [](const ::testing::TestParamInfo<TBackend> &info) {
                             return info.param == TBackend::Sqlite ? "SQLite" : "PostgreSQL";
                         });
