// Query parameters around a report run: saving, asking for Bound parameters
// without value, cancelling, invalid values, reopening and restoring.

#include "deftest_data.h"

#include "definition/queryparams.h"

using deftest::ReportData;

namespace
{

class QueryParams : public ReportData
{
protected:
    void SetUp() override
    {
        ReportData::SetUp();
        deftest::MakeSqliteFile(
            dataDir + QStringLiteral("/orders.sqlite"),
            {QStringLiteral("CREATE TABLE orders (OrderNo INTEGER, CustNo INTEGER, "
                            "Amount FLOAT)"),
             QStringLiteral("INSERT INTO orders VALUES (10, 1, 5), (11, 2, 7), (12, 2, 9)")});
    }

    // A query of the orders of one customer, the parameter Bound and without value.
    TQuery *AddOrders(const QString &name, const QString &sourceName = QString())
    {
        TQuery *q = AddQuery(name, QStringLiteral("SELECT * FROM orders WHERE CustNo = :Cust"),
                             sourceName.isEmpty() ? QStringLiteral("DS") + name : sourceName);
        q->ParamByName(QStringLiteral("Cust"))->SetDataType(ftInteger);
        q->ParamByName(QStringLiteral("Cust"))->SetBound(true);
        return q;
    }
    static int Rows(TQuery *q) { return q->Active() ? q->RecordCount() : -1; }

    TScriptedPrompt prompt;
    TPromptGuard guard{&prompt};
    TQRQueryParamKeeper keeper;
};

} // namespace

TEST(QueryParamMessages, DefaultsAndFormatting)
{
    EXPECT_EQ(DataSettingsDefaultMessage(QStringLiteral("GetQueryParamCaption")),
              QStringLiteral("Parameter of %s"));
    EXPECT_EQ(DataSettingsDefaultMessage(QStringLiteral("GetQueryParamPrompt")),
              QStringLiteral("Please type in the parameter \"%s'\":"));
    EXPECT_EQ(DataSettingsDefaultMessage(QStringLiteral("Invalid value")), QStringLiteral("Invalid value!"));
    EXPECT_EQ(DataSettingsDefaultMessage(QStringLiteral("Error opening database")),
              QStringLiteral("Error opening table %s"));
    EXPECT_EQ(DataSettingsDefaultMessage(QStringLiteral("DefaultTableName")), QStringLiteral("Table"));
    EXPECT_EQ(DataSettingsDefaultMessage(QStringLiteral("Nothing")), QString());
    EXPECT_EQ(FormatMessageText(QStringLiteral("100%% of %s, not %s"), QStringLiteral("a%s")),
              QStringLiteral("100% of a%s, not %s"));
    EXPECT_EQ(FormatMessageText(QStringLiteral("tail %"), QStringLiteral("x")), QStringLiteral("tail %"));
}

TEST_F(QueryParams, BoundWithValueIsNotAskedWithoutValueIsAskedOnEveryRun)
{
    TQuery *fixed = AddOrders(QStringLiteral("Fixed"));
    fixed->ParamByName(QStringLiteral("Cust"))->SetAsInteger(1);
    TQuery *asked = AddOrders(QStringLiteral("Asked"));

    for (int run = 0; run < 2; ++run) {
        prompt.Clear();
        prompt.QueueInput(QStringLiteral("2"));
        ASSERT_TRUE(keeper.Prepare(form.get()));
        ASSERT_EQ(prompt.Records().size(), 1) << "run " << run;
        EXPECT_EQ(prompt.Records()[0].kind, TScriptedPrompt::Record::Input);
        EXPECT_EQ(prompt.Records()[0].caption, QStringLiteral("Parameter of Asked"));
        EXPECT_EQ(prompt.Records()[0].text, QStringLiteral("Please type in the parameter \"Cust'\":"));
        EXPECT_EQ(prompt.Records()[0].initialValue, QString());
        EXPECT_EQ(keeper.SavedParams(), (QStringList{"Fixed.Cust=1", "Asked.Cust={QRDNULL}"}));
        // The typed value is used for this run: the query was opened with it.
        EXPECT_EQ(Rows(asked), 2);
        EXPECT_EQ(asked->ParamByName(QStringLiteral("Cust"))->AsInteger(), 2);

        keeper.Restore(form.get());
        EXPECT_TRUE(keeper.SavedParams().isEmpty());
        // ... and gone afterwards; the Bound mark stays so that it is asked again.
        EXPECT_TRUE(asked->ParamByName(QStringLiteral("Cust"))->IsNull());
        EXPECT_TRUE(asked->ParamByName(QStringLiteral("Cust"))->Bound());
        EXPECT_EQ(fixed->ParamByName(QStringLiteral("Cust"))->AsInteger(), 1);
    }
    // An unchanged query is not reopened by the preparation.
    EXPECT_EQ(Rows(fixed), -1);
}

TEST_F(QueryParams, CancellingTheInputBoxCancelsAndLeavesEveryParameter)
{
    TQuery *first = AddOrders(QStringLiteral("First"));
    TQuery *second = AddOrders(QStringLiteral("Second"));
    auto *name = second->Params().CreateParam(ftString, QStringLiteral("Name"));
    name->SetAsString(QString());
    prompt.QueueInput(QStringLiteral("1"));
    prompt.QueueInput(std::nullopt);
    EXPECT_FALSE(keeper.Prepare(form.get()));
    EXPECT_EQ(prompt.Records().size(), 2);
    EXPECT_TRUE(first->ParamByName(QStringLiteral("Cust"))->IsNull());
    EXPECT_TRUE(second->ParamByName(QStringLiteral("Cust"))->IsNull());
    EXPECT_FALSE(name->IsNull());
    EXPECT_EQ(name->AsString(), QString());
    EXPECT_TRUE(keeper.SavedParams().isEmpty());
}

TEST_F(QueryParams, AnInvalidValueIsShownAndAskedAgain)
{
    TQuery *q = AddOrders(QStringLiteral("Orders"));
    prompt.QueueInput(QStringLiteral("two"));
    prompt.QueueInput(QStringLiteral("2"));
    ASSERT_TRUE(keeper.Prepare(form.get()));
    ASSERT_EQ(prompt.Records().size(), 3);
    EXPECT_EQ(prompt.Records()[1].kind, TScriptedPrompt::Record::Message);
    EXPECT_EQ(prompt.Records()[1].type, mtError);
    EXPECT_EQ(prompt.Records()[1].text, QStringLiteral("Invalid value!"));
    EXPECT_EQ(prompt.Records()[2].kind, TScriptedPrompt::Record::Input);
    EXPECT_EQ(prompt.Records()[2].initialValue, QString());
    EXPECT_EQ(Rows(q), 2);
}

TEST_F(QueryParams, MessagesComeFromTheLookup)
{
    AddOrders(QStringLiteral("Orders"));
    prompt.QueueInput(QStringLiteral("x"));
    prompt.QueueInput(QStringLiteral("1"));
    auto messages = [](const QString &key) -> QString {
        if (key == QLatin1String("GetQueryParamCaption"))
            return QStringLiteral("Wert von %s");
        if (key == QLatin1String("Invalid value"))
            return QStringLiteral("Ungültig");
        return QString(); // missing lines fall back to the default texts
    };
    ASSERT_TRUE(keeper.Prepare(form.get(), {}, messages));
    ASSERT_EQ(prompt.Records().size(), 3);
    EXPECT_EQ(prompt.Records()[0].caption, QStringLiteral("Wert von Orders"));
    EXPECT_EQ(prompt.Records()[0].text, QStringLiteral("Please type in the parameter \"Cust'\":"));
    EXPECT_EQ(prompt.Records()[1].text, QStringLiteral("Ungültig"));
}

TEST_F(QueryParams, BeforeGetQueryParamsMayCancel)
{
    TQuery *first = AddOrders(QStringLiteral("First"));
    first->ParamByName(QStringLiteral("Cust"))->SetAsInteger(2);
    TQuery *second = AddOrders(QStringLiteral("Second"));
    QList<TQuery *> seen;
    auto before = [&](TQuery *q, bool &doCancel) {
        seen << q;
        if (q == first)
            q->ParamByName(QStringLiteral("Cust"))->SetAsInteger(1); // the host fills it
        else
            doCancel = true;
    };
    EXPECT_FALSE(keeper.Prepare(form.get(), before));
    EXPECT_EQ(seen, (QList<TQuery *>{first, second}));
    EXPECT_TRUE(prompt.Records().isEmpty());
    // What the host set for this run is put back.
    EXPECT_EQ(first->ParamByName(QStringLiteral("Cust"))->AsInteger(), 2);

    // Without cancelling, a host value counts as the parameter's and is not asked.
    seen.clear();
    auto fill = [&](TQuery *q, bool &) { q->ParamByName(QStringLiteral("Cust"))->SetAsInteger(2); };
    EXPECT_TRUE(keeper.Prepare(form.get(), fill));
    EXPECT_TRUE(prompt.Records().isEmpty());
    EXPECT_EQ(Rows(second), 2);
    keeper.Restore(form.get());
    EXPECT_TRUE(second->ParamByName(QStringLiteral("Cust"))->IsNull());
}

TEST_F(QueryParams, SavedLinesMarkNoValueAndTheEmptyText)
{
    TQuery *q = AddQuery(QStringLiteral("Names"),
                         QStringLiteral("SELECT * FROM orders WHERE :A = '' OR :B IS NULL OR :C = 'x'"),
                         QStringLiteral("DSNames"));
    q->ParamByName(QStringLiteral("A"))->SetAsString(QString()); // the empty text
    q->ParamByName(QStringLiteral("C"))->SetAsString(QStringLiteral("x"));
    // B has a value but no Bound mark: saved as no value, and not asked.
    q->ParamByName(QStringLiteral("B"))->SetAsString(QStringLiteral("b"));
    q->ParamByName(QStringLiteral("B"))->SetBound(false);
    ASSERT_TRUE(keeper.Prepare(form.get()));
    EXPECT_EQ(keeper.SavedParams(), (QStringList{"Names.A={QRDBLANK}", "Names.B={QRDNULL}", "Names.C=x"}));
    // A marker always counts as a change: the query was reopened.
    EXPECT_TRUE(prompt.Records().isEmpty());
    EXPECT_EQ(Rows(q), 3);

    // Whatever happened during the run, the saved values come back.
    q->ParamByName(QStringLiteral("A"))->SetAsString(QStringLiteral("changed"));
    q->ParamByName(QStringLiteral("B"))->SetAsString(QStringLiteral("set"));
    q->ParamByName(QStringLiteral("C"))->Clear();
    keeper.Restore(form.get());
    EXPECT_FALSE(q->ParamByName(QStringLiteral("A"))->IsNull());
    EXPECT_EQ(q->ParamByName(QStringLiteral("A"))->AsString(), QString());
    EXPECT_TRUE(q->ParamByName(QStringLiteral("B"))->IsNull());
    EXPECT_EQ(q->ParamByName(QStringLiteral("C"))->AsString(), QStringLiteral("x"));
}

TEST_F(QueryParams, HostSourcesAreSkippedAndUnnamedQueriesNamed)
{
    AddOrders(QStringLiteral("Hosted"), QStringLiteral("__HostSource"));
    auto *taken = new TTable(form.get());
    taken->SetName(QStringLiteral("Query1"));
    TQuery *unnamed = AddOrders(QString());
    unnamed->ParamByName(QStringLiteral("Cust"))->SetAsInteger(1);
    ASSERT_TRUE(keeper.Prepare(form.get()));
    EXPECT_TRUE(prompt.Records().isEmpty()); // the host's query is not asked for
    EXPECT_EQ(unnamed->Name(), QStringLiteral("Query2"));
    EXPECT_EQ(keeper.SavedParams(), QStringList{"Query2.Cust=1"});
}

TEST_F(QueryParams, AnOpenErrorIsShownAndThePreparationGoesOn)
{
    TQuery *broken =
        AddQuery(QStringLiteral("Broken"), QStringLiteral("SELECT * FROM nosuchtable WHERE x = :P"),
                 QStringLiteral("DSBroken"));
    broken->ParamByName(QStringLiteral("P"))->SetBound(true);
    TQuery *good = AddOrders(QStringLiteral("Good"));
    prompt.QueueInput(QStringLiteral("v"));
    prompt.QueueInput(QStringLiteral("2"));
    ASSERT_TRUE(keeper.Prepare(form.get()));
    ASSERT_EQ(prompt.Records().size(), 3);
    EXPECT_EQ(prompt.Records()[1].kind, TScriptedPrompt::Record::Message);
    EXPECT_EQ(prompt.Records()[1].type, mtError);
    EXPECT_TRUE(prompt.Records()[1].text.contains(QStringLiteral("nosuchtable")))
        << prompt.Records()[1].text.toStdString();
    EXPECT_EQ(prompt.Records()[2].caption, QStringLiteral("Parameter of Good"));
    EXPECT_FALSE(broken->Active());
    EXPECT_EQ(Rows(good), 2);
}

TEST_F(QueryParams, PrepareFirstPutsBackWhatAnEarlierRunLeft)
{
    TQuery *q = AddOrders(QStringLiteral("Orders"));
    prompt.QueueInput(QStringLiteral("1"));
    ASSERT_TRUE(keeper.Prepare(form.get()));
    EXPECT_EQ(Rows(q), 1);
    // No clean-up after that run: the next preparation restores first and asks again.
    prompt.QueueInput(QStringLiteral("2"));
    ASSERT_TRUE(keeper.Prepare(form.get()));
    EXPECT_EQ(prompt.Records().size(), 2);
    EXPECT_EQ(Rows(q), 2);
}

TEST_F(QueryParams, NothingToDoWithoutOwnerOrQueries)
{
    EXPECT_TRUE(keeper.Prepare(nullptr));
    keeper.Restore(nullptr);
    AddCustomers(); // a table is no query
    EXPECT_TRUE(keeper.Prepare(form.get()));
    EXPECT_TRUE(keeper.SavedParams().isEmpty());
    EXPECT_TRUE(prompt.Records().isEmpty());
}
