// SQL delimiter settings, the template and wizard queries, print conditions,
// SQL template expansion, locating datasets read from a report file and
// setting up their fields afterwards.

#include "deftest_data.h"

#include "common/classregistry.h"
#include "common/definedproperties.h"
#include "common/properties.h"
#include "definition/databasesettings.h"
#include "definition/reportdata.h"
#include "definition/reporteval.h"
#include "expressions/environment.h"

using deftest::ReportData;
using TDS = TQRDatabaseSettings;

// --- Delimiter settings -----------------------------------------------------------

namespace
{
QStringList texts(const TDS &s)
{
    QStringList list;
    for (int i = 0; i < TDS::SettingCount; ++i)
        list << s.Setting(TDS::TSetting(i));
    return list;
}
} // namespace

TEST(DatabaseSettings, PresetsFillAllNineTexts)
{
    TDS s;
    EXPECT_EQ(s.DelimiterType(), TDS::delCustom);
    EXPECT_EQ(texts(s), QStringList(9, QString()));

    s.SetDelimiterType(TDS::delNoQuotes);
    EXPECT_EQ(texts(s), (QStringList{"", "", "'", "'", "'", "'", "'", "'", "%"}));
    s.SetDelimiterType(TDS::delSingleQuotes);
    EXPECT_EQ(texts(s), (QStringList{"'", "'", "'", "'", "'", "'", "'", "'", "%"}));
    s.SetDelimiterType(TDS::delDoubleQuotes);
    EXPECT_EQ(texts(s), (QStringList{"\"", "\"", "\"", "\"", "\"", "\"", "\"", "\"", "%"}));
    s.SetDelimiterType(TDS::delOracle);
    EXPECT_EQ(texts(s), (QStringList{"\"", "\"", "'", "'", "\"", "\"", "'", "'", "%"}));
    s.SetDelimiterType(TDS::delAccess);
    EXPECT_EQ(texts(s), (QStringList{"[", "]", "\"", "\"", "[", "]", "#", "#", "*"}));
    EXPECT_EQ(s.DelimiterType(), TDS::delAccess);

    // Switching to custom outside loading keeps the texts.
    s.SetDelimiterType(TDS::delCustom);
    EXPECT_EQ(s.SQLDateDelimiterLeft(), QStringLiteral("#"));
    EXPECT_EQ(s.SQLWildcard(), QStringLiteral("*"));
}

TEST(DatabaseSettings, ChangingATextAwayFromThePresetMakesItCustom)
{
    TDS s;
    s.SetDelimiterType(TDS::delNoQuotes);
    s.SetSQLWildcard(QStringLiteral("%")); // the preset's own value
    EXPECT_EQ(s.DelimiterType(), TDS::delNoQuotes);
    s.SetSQLWildcard(QStringLiteral("*"));
    EXPECT_EQ(s.DelimiterType(), TDS::delCustom);
    EXPECT_EQ(texts(s), (QStringList{"", "", "'", "'", "'", "'", "'", "'", "*"}));
    // Custom texts may then be anything.
    s.SetSQLFieldDelimiterLeft(QStringLiteral("`"));
    EXPECT_EQ(s.DelimiterType(), TDS::delCustom);
    EXPECT_EQ(s.SQLFieldDelimiterLeft(), QStringLiteral("`"));
    // Texts are cut to 255 characters.
    s.SetSQLTableDelimiterRight(QString(300, QLatin1Char('x')));
    EXPECT_EQ(s.SQLTableDelimiterRight().size(), 255);
}

TEST(DatabaseSettings, CustomWhileTheOwnerLoadsEmptiesTheTexts)
{
    TComponent owner;
    TDS s(&owner);
    s.SetDelimiterType(TDS::delAccess);
    owner.BeginLoading();
    // Through the published properties, as a report file is read.
    ASSERT_TRUE(SetPropertyText(&s, QStringLiteral("DelimiterType"), QStringLiteral("delCustom")));
    EXPECT_EQ(texts(s), QStringList(9, QString()));
    ASSERT_TRUE(SetPropertyText(&s, QStringLiteral("SQLWildcard"), QStringLiteral("?")));
    owner.EndLoading();
    EXPECT_EQ(s.DelimiterType(), TDS::delCustom);
    EXPECT_EQ(s.SQLWildcard(), QStringLiteral("?"));
    EXPECT_EQ(s.SQLFieldDelimiterLeft(), QString());
    EXPECT_EQ(GetPropertyText(&s, QStringLiteral("DelimiterType")), QStringLiteral("delCustom"));
}

TEST(DatabaseSettings, AssignCopiesTypeAndTexts)
{
    TDS a, b;
    a.SetDelimiterType(TDS::delOracle);
    a.SetSQLWildcard(QStringLiteral("_")); // now custom, with Oracle's other texts
    b.SetDelimiterType(TDS::delAccess);
    b.Assign(&a);
    EXPECT_EQ(b.DelimiterType(), TDS::delCustom);
    EXPECT_EQ(texts(b), texts(a));

    TDS c;
    c.Assign(&b);
    b.SetDelimiterType(TDS::delNoQuotes); // the copy is independent
    EXPECT_EQ(c.SQLFieldDelimiterLeft(), QStringLiteral("\""));
}

// --- The query classes ------------------------------------------------------------

TEST(DataSettingsClasses, AreCreatableByNameWithTheirProperties)
{
    TComponent owner;
    TComponent *dw = CreateComponent(QStringLiteral("TQRDWQuery"), &owner);
    ASSERT_TRUE(qobject_cast<TQRDWQuery *>(dw));
    ASSERT_TRUE(qobject_cast<TQuery *>(dw));
    EXPECT_TRUE(SetPropertyText(dw, QStringLiteral("OriginalSQL"), QStringLiteral("SELECT 1\nFROM t")));
    EXPECT_EQ(qobject_cast<TQRDWQuery *>(dw)->OriginalSQL(), (QStringList{"SELECT 1", "FROM t"}));

    TComponent *wq = CreateComponent(QStringLiteral("TWizQuery"), &owner);
    auto *wiz = qobject_cast<TWizQuery *>(wq);
    ASSERT_TRUE(wiz);
    EXPECT_TRUE(
        SetPropertyText(wq, QStringLiteral("SQLSettings.DelimiterType"), QStringLiteral("delAccess")));
    EXPECT_EQ(wiz->SQLSettings()->SQLFieldDelimiterLeft(), QStringLiteral("["));
    EXPECT_TRUE(SetPropertyText(wq, QStringLiteral("TableName"), QStringLiteral("orders")));
    EXPECT_TRUE(SetPropertyText(wq, QStringLiteral("OrderFields"), QStringLiteral("-Amount\nOrderNo")));
    EXPECT_EQ(wiz->OrderFields(), (QStringList{"-Amount", "OrderNo"}));

    // The filters travel as the binary "Filters" property after the query's
    // parameters; none is a zero count. One record: version 101, field, operator,
    // or-flag, value, type, case-sensitive.
    TDefinedProperties *defined = DefinedPropertiesOf(wq);
    ASSERT_TRUE(defined);
    EXPECT_EQ(defined->DefinedPropertyNames(), (QStringList{"ParamData", "Filters"}));
    EXPECT_EQ(defined->DefinedProperty(QStringLiteral("Filters")).toByteArray(), QByteArray(1, '\0'));
    const QByteArray record("\x01\x65\x04"
                            "Name"
                            "\x00\x00\x01"
                            "A\x01\x01",
                            13);
    EXPECT_TRUE(defined->SetDefinedProperty(QStringLiteral("Filters"), record));
    EXPECT_EQ(wiz->Filters(), record);
    EXPECT_FALSE(defined->SetDefinedProperty(QStringLiteral("Other"), record));
    EXPECT_FALSE(defined->SetDefinedProperty(QStringLiteral("Filters"), QStringLiteral("text")));
    EXPECT_EQ(wiz->Filters(), record);
}

// --- Conditions -------------------------------------------------------------------

TEST_F(ReportData, ConditionsTakeBooleansAndCountEverythingElseAsTrue)
{
    EXPECT_TRUE(QRDCondition(QString(), report));
    EXPECT_TRUE(QRDCondition(QStringLiteral("1 = 1"), report));
    EXPECT_FALSE(QRDCondition(QStringLiteral("1 = 2"), report));
    EXPECT_TRUE(QRDCondition(QStringLiteral("42"), report));         // numeric
    EXPECT_TRUE(QRDCondition(QStringLiteral("'False'"), report));    // a string is no Boolean
    EXPECT_TRUE(QRDCondition(QStringLiteral("NOSUCHFN(1"), report)); // error
    EXPECT_EQ(QRDEvaluate(QStringLiteral("NOSUCHFN(1"), report).ValueKind, rkError);
    EXPECT_TRUE(QRDCondition(QStringLiteral("UnknownField > 1"), report));
    EXPECT_FALSE(QRDCondition(QStringLiteral("1 = 2"), nullptr));
}

TEST_F(ReportData, ConditionsReadDatasetFieldsAndTheReportEnvironment)
{
    TTable *customers = AddCustomers();
    customers->Open();
    EXPECT_TRUE(QRDCondition(QStringLiteral("CustNo = 1"), report));
    EXPECT_FALSE(QRDCondition(QStringLiteral("Customers.Company = 'Beta'"), report));
    customers->Next();
    EXPECT_TRUE(QRDCondition(QStringLiteral("Customers.Company = 'Beta'"), report));

    // A dataset without data source is not one of the report's.
    auto *loose = new TQuery(form.get());
    loose->SetName(QStringLiteral("Loose"));
    loose->SetDatabaseName(dataDir);
    loose->SetSQLText(QStringLiteral("SELECT 99 AS Extra"));
    loose->Open();
    EXPECT_EQ(QRDEvaluate(QStringLiteral("Extra"), report).ValueKind, rkError);
    EXPECT_EQ(QRDReportDatasets(report), TQRDatasetList{customers});

    // Variables of the report's environment, over the report's datasets.
    report->Functions()->AddVariable(QStringLiteral("FIRM"), QStringLiteral("Customers.Company"));
    report->Functions()->AddVariable(QStringLiteral("LIMIT"), QStringLiteral("5*2"));
    EXPECT_TRUE(QRDCondition(QStringLiteral("(FIRM = 'Beta') AND (LIMIT = 10)"), report));
    EXPECT_FALSE(report->Functions()->IsEngaged());
    EXPECT_EQ(QRDExpandSQLTemplate({QStringLiteral("TOP %%LIMIT%%")}, report), QStringList{"TOP 10"});
}

// --- Template expansion -----------------------------------------------------------

TEST_F(ReportData, TemplateMacrosTakeStringsAndIntegersOnly)
{
    const QStringList lines = {
        QStringLiteral("SELECT * FROM %%'orders'%% WHERE CustNo = %%1+2%%"),
        QStringLiteral("AND Amount > %%1.5%%"),          // a float gives nothing
        QStringLiteral("AND Flag = %%1=1%%;"),           // a Boolean gives nothing
        QStringLiteral("AND Note = 'x%%NOSUCHFN(%%y'"),  // an error gives nothing
        QStringLiteral("ORDER BY %%'Amount' + ' DESC'"), // runs to the end of the line
    };
    EXPECT_EQ(QRDExpandSQLTemplate(lines, report),
              (QStringList{"SELECT * FROM orders WHERE CustNo = 3", "AND Amount > ", "AND Flag = ;",
                           "AND Note = 'xy'", "ORDER BY Amount DESC"}));
}

TEST_F(ReportData, TemplateDelMarksDropLinesOrVanish)
{
    const QStringList lines = {
        QStringLiteral("SELECT *"),
        QStringLiteral("  %%'%DEL'%%  "),        // expands to %DEL with blanks around: dropped
        QStringLiteral("FROM orders%DEL"),       // inline: removed, the rest stays
        QStringLiteral("%DEL"),                  // literal alone: dropped
        QStringLiteral("WHERE %DEL x %DEL = 1"), // every inline mark goes
        QStringLiteral("%DEL%DEL"),              // not exactly %DEL: stays, emptied
    };
    EXPECT_EQ(QRDExpandSQLTemplate(lines, report),
              (QStringList{"SELECT *", "FROM orders", "WHERE  x  = 1", ""}));
}

TEST_F(ReportData, TemplateValuesAreNotExpandedAgain)
{
    // A value that happens to contain the macro mark is data, not a new macro.
    const QString mark = QStringLiteral("CHR(37)+CHR(37)");
    EXPECT_EQ(QRDExpandSQLTemplate({QStringLiteral("a %%") + mark + QStringLiteral("+'1+1'+") + mark +
                                    QStringLiteral("%% b %%2*3%%")},
                                   report),
              QStringList{"a %%1+1%% b 6"});
}

TEST_F(ReportData, TemplateQueryExpandsIntoItsSqlWithTheReportsData)
{
    TTable *customers = AddCustomers();
    customers->Open();
    customers->Next(); // Beta, number 2
    auto *query = AddQuery<TQRDWQuery>(QStringLiteral("Orders"), QString(), QStringLiteral("DSOrders"));
    query->SetOriginalSQL({QStringLiteral("SELECT Company FROM customers"),
                           QStringLiteral("WHERE CustNo = %%Customers.CustNo%%"),
                           QStringLiteral("%%IF(Customers.CustNo > 5, 'AND :Extra = 1', '%DEL')%%")});
    query->ExpandSQL(report);
    EXPECT_EQ(query->SQL(), (QStringList{"SELECT Company FROM customers", "WHERE CustNo = 2"}));
    EXPECT_EQ(query->ParamCount(), 0);
    EXPECT_EQ(query->OriginalSQL().size(), 3); // the template stays
    query->Open();
    EXPECT_EQ(query->FieldByName(QStringLiteral("Company"))->AsString(), QStringLiteral("Beta"));
}

// --- Locating datasets ------------------------------------------------------------

TEST_F(ReportData, TableInAMissingLocalDirectoryIsFoundBesideTheReport)
{
    deftest::MakeCustomers(reportDir);
    for (const QString &stored : {QStringLiteral("C:\\Reports\\Data"), QStringLiteral("C:\\Reports\\Data\\"),
                                  dir.filePath(QStringLiteral("gone"))}) {
        auto *table = new TTable(form.get());
        table->SetDatabaseName(stored);
        table->SetTableName(QStringLiteral("customers"));
        QRDLocateDataset(table, {reportDir, programDir + QLatin1Char('/'), report, {}, {}});
        EXPECT_EQ(table->DatabaseName(), reportDir) << stored.toStdString();
        table->Open();
        EXPECT_EQ(table->RecordCount(), 3);
    }
}

TEST_F(ReportData, TableLocationFallsBackToTheProgramDirectoryOrStays)
{
    deftest::MakeCustomers(programDir);
    auto locate = [&](const QString &database, const QString &tableName, const QString &reportDirectory) {
        auto *table = new TTable(form.get());
        table->SetDatabaseName(database);
        table->SetTableName(tableName);
        QRDLocateDataset(table, {reportDirectory, programDir + QLatin1Char('/'), report, {}, {}});
        return table->DatabaseName();
    };
    // Not beside the report (or read from a stream): the program directory, file extension or not.
    EXPECT_EQ(locate(QStringLiteral("D:\\old"), QStringLiteral("customers"), reportDir),
              programDir + QLatin1Char('/'));
    EXPECT_EQ(locate(QStringLiteral("D:\\old"), QStringLiteral("CUSTOMERS.sqlite"), QString()),
              programDir + QLatin1Char('/'));
    // The table is where it was stored: unchanged.
    EXPECT_EQ(locate(dataDir, QStringLiteral("customers"), reportDir), dataDir);
    // Found nowhere: left as stored.
    EXPECT_EQ(locate(QStringLiteral("D:\\old"), QStringLiteral("parts"), reportDir),
              QStringLiteral("D:\\old"));
    // Aliases and relative names are no local directories.
    EXPECT_EQ(locate(QStringLiteral("DBDEMOS"), QStringLiteral("customers"), reportDir),
              QStringLiteral("DBDEMOS"));
    // An SQLite database file holds its tables inside and stays.
    const QString file = dataDir + QStringLiteral("/customers.sqlite");
    EXPECT_EQ(locate(file, QStringLiteral("customers"), reportDir), file);
}

TEST_F(ReportData, WizardQueryLocatesByItsTableAndOtherQueriesByTheirDirectory)
{
    deftest::MakeCustomers(reportDir);
    auto *wiz = new TWizQuery(form.get());
    wiz->SetDatabaseName(QStringLiteral("C:\\gone"));
    wiz->SetTableName(QStringLiteral("customers"));
    QRDLocateDataset(wiz, {reportDir, programDir, report, {}, {}});
    EXPECT_EQ(wiz->DatabaseName(), reportDir);

    auto locateQuery = [&](const QString &database, const QString &reportDirectory) {
        auto *query = new TQuery(form.get());
        query->SetDatabaseName(database);
        QRDLocateDataset(query, {reportDirectory, programDir, report, {}, {}});
        return query->DatabaseName();
    };
    EXPECT_EQ(locateQuery(QStringLiteral("E:\\gone\\"), reportDir), reportDir);
    EXPECT_EQ(locateQuery(QStringLiteral("E:\\gone\\"), QString()), programDir);
    EXPECT_EQ(locateQuery(dir.filePath(QStringLiteral("gone/")), QString()), programDir);
    EXPECT_EQ(locateQuery(dataDir + QLatin1Char('/'), reportDir), dataDir + QLatin1Char('/'));
    EXPECT_EQ(locateQuery(QStringLiteral("DBDEMOS"), reportDir), QStringLiteral("DBDEMOS"));
    const QString file = dataDir + QStringLiteral("/customers.sqlite");
    EXPECT_EQ(locateQuery(file, reportDir), file);
}

TEST_F(ReportData, LocatingSetsUpTemplatesThenHandlerThenAnnounces)
{
    auto *fresh = new TQRDWQuery(form.get());
    fresh->SetSQL({QStringLiteral("SELECT 1")});
    QList<TDataSet *> announced;
    bool handlerSeen = false;
    TQRDLocateContext context{reportDir, programDir, report, [&](TDataSet *) { handlerSeen = true; },
                              [&](TDataSet *ds) {
                                  EXPECT_TRUE(bool(ds->OnCalcFields)); // installed before the event
                                  announced << ds;
                              }};
    QRDLocateDataset(fresh, context);
    EXPECT_EQ(fresh->OriginalSQL(), QStringList{"SELECT 1"}); // the loaded text became the template

    auto *templated = new TQRDWQuery(form.get());
    templated->SetSQL({QStringLiteral("stale")});
    templated->SetOriginalSQL({QStringLiteral("SELECT %%40+2%% AS N")});
    QRDLocateDataset(templated, context);
    EXPECT_EQ(templated->SQL(), QStringList{"SELECT 42 AS N"});
    EXPECT_EQ(announced, (QList<TDataSet *>{fresh, templated}));
    fresh->OnCalcFields(fresh);
    EXPECT_TRUE(handlerSeen);
}

// --- Fields after loading ---------------------------------------------------------

TEST_F(ReportData, FieldsAreRecreatedWithLabelsAndTheDatasetOpened)
{
    TTable *customers = AddCustomers();
    // As read from a file: a stale data field and a calculated field.
    auto *stale = new TStringField(customers);
    stale->SetFieldName(QStringLiteral("Obsolete"));
    stale->SetDataSet(customers);
    auto *calc = new TStringField(customers);
    calc->SetFieldName(QStringLiteral("Label"));
    calc->SetFieldKind(fkCalculated);
    calc->SetDataSet(customers);
    customers->OnCalcFields = [](TDataSet *ds) {
        ds->FieldByName(QStringLiteral("Label"))
            ->SetAsString(QStringLiteral("#") + ds->FieldByName(QStringLiteral("CustNo"))->AsString());
    };

    const QStringList labels = {QStringLiteral("company=Firm"), QStringLiteral("\"customers\".Company=Other"),
                                QStringLiteral("\"CUSTOMERS\".Credit=Credit limit"),
                                QStringLiteral("\"orders\".CustNo=Wrong table")};
    EXPECT_TRUE(QRDSetupFieldsAfterLoading(customers, &labels));
    EXPECT_TRUE(customers->Active());
    EXPECT_EQ(customers->FieldNames(), (QStringList{"Label", "CustNo", "Company", "Credit"}));
    EXPECT_EQ(customers->FieldByName(QStringLiteral("Company"))->DisplayLabel(), QStringLiteral("Firm"));
    EXPECT_EQ(customers->FieldByName(QStringLiteral("Credit"))->DisplayLabel(),
              QStringLiteral("Credit limit"));
    EXPECT_EQ(customers->FieldByName(QStringLiteral("CustNo"))->DisplayLabel(), QStringLiteral("CustNo"));
    EXPECT_EQ(customers->FieldByName(QStringLiteral("Label"))->AsString(), QStringLiteral("#1"));
    // Fields made here belong to the dataset, as persistent fields read from a file do.
    EXPECT_EQ(customers->FieldByName(QStringLiteral("Company"))->Owner(), customers);

    // Queries take labels by field name only.
    auto *query =
        AddQuery(QStringLiteral("Q"), QStringLiteral("SELECT CustNo FROM customers"), QStringLiteral("DSQ"));
    const QStringList queryLabels = {QStringLiteral("\"Q\".CustNo=No"), QStringLiteral("x")};
    EXPECT_TRUE(QRDSetupFieldsAfterLoading(query, &queryLabels));
    EXPECT_EQ(query->FieldByName(QStringLiteral("CustNo"))->DisplayLabel(), QStringLiteral("CustNo"));
}

TEST_F(ReportData, FieldsOfADatasetThatCannotOpen)
{
    EXPECT_FALSE(QRDSetupFieldsAfterLoading(nullptr, nullptr));
    QRDLocateDataset(nullptr, {reportDir, programDir, report, {}, {}});

    TTable *customers = AddCustomers();
    auto *calc = new TStringField(customers);
    calc->SetFieldName(QStringLiteral("Label"));
    calc->SetFieldKind(fkCalculated);
    calc->SetDataSet(customers);
    customers->BeforeOpen = [](TDataSet *ds) { DatabaseError(QStringLiteral("refused"), ds); };
    const QStringList labels = {QStringLiteral("Company=Firm")};
    EXPECT_FALSE(QRDSetupFieldsAfterLoading(customers, &labels));
    EXPECT_FALSE(customers->Active());
    // Every field was freed and the data fields made again.
    EXPECT_EQ(customers->FieldNames(), (QStringList{"CustNo", "Company", "Credit"}));
    EXPECT_EQ(customers->FieldByName(QStringLiteral("Company"))->DisplayLabel(), QStringLiteral("Firm"));

    // A database that cannot be reached: the stored fields stay as they are.
    auto *lost = new TTable(form.get());
    lost->SetDatabaseName(dir.filePath(QStringLiteral("gone")));
    lost->SetTableName(QStringLiteral("customers"));
    auto *stored = new TStringField(lost);
    stored->SetFieldName(QStringLiteral("Company"));
    stored->SetDisplayLabel(QStringLiteral("Stored label"));
    stored->SetDataSet(lost);
    EXPECT_FALSE(QRDSetupFieldsAfterLoading(lost, &labels));
    EXPECT_EQ(lost->FieldNames(), QStringList{"Company"});
    EXPECT_EQ(lost->FieldByName(QStringLiteral("Company"))->DisplayLabel(), QStringLiteral("Stored label"));
}
