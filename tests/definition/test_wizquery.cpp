// The query wizard without its window: the SQL generated from table, filters
// and sort fields under the delimiter presets, the stored filter records in
// both layouts, and the replacement of a wizard query by a template query.

#include "data/dataset.h"
#include "definition/reportdata.h"
#include "definition/wizquery.h"
#include "deftest.h"

#include <QPointer>

namespace
{
using TDS = TQRDatabaseSettings;

TWizFilter filter(const QString &field, int op, const QString &value, int type, bool caseSensitive = true,
                  bool orFlag = false)
{
    TWizFilter f;
    f.FieldName = field;
    f.Operator = op;
    f.Value = value;
    f.FieldType = type;
    f.CaseSensitive = caseSensitive;
    f.OrFlag = orFlag;
    return f;
}

std::unique_ptr<TDS> settings(TDS::TDelimiterType type)
{
    auto s = std::make_unique<TDS>();
    s->SetDelimiterType(type);
    return s;
}

QByteArray bytes(const char *data, int size)
{
    return QByteArray(data, size);
}
} // namespace

TEST(WizQuerySQL, EdgeCasesUnderNoQuotes)
{
    const auto noQuotes = settings(TDS::delNoQuotes);
    const TDS &s = *noQuotes;
    // A dotted table name goes between single quotes.
    EXPECT_EQ(WizQuerySQL(QStringLiteral("dbo.orders"), {}, {}, s), QStringList{"SELECT * FROM 'dbo.orders' Q1"});
    // A case-sensitive numeric ">" filter.
    EXPECT_EQ(WizQuerySQL(QStringLiteral("orders"), {filter("CustNo", woGreater, "1000", ftInteger)}, {}, s),
              (QStringList{"SELECT * FROM 'orders' Q1", "WHERE (Q1.CustNo > 1000)"}));
    // A case-insensitive LIKE: the field wrapped in UPPER, the value upper-cased before the wildcard.
    EXPECT_EQ(WizQuerySQL(QStringLiteral("customers"), {filter("Company", woLike, "ab", ftString, false)}, {}, s),
              (QStringList{"SELECT * FROM 'customers' Q1", "WHERE (UPPER(Q1.Company) LIKE 'AB%')"}));
    // Two sort fields, the first descending.
    EXPECT_EQ(WizQuerySQL(QStringLiteral("orders"), {}, {"-Amount", "OrderNo"}, s),
              (QStringList{"SELECT * FROM 'orders' Q1", "ORDER BY Q1.Amount DESC, Q1.OrderNo"}));
    // The ORDER BY line is emitted after the separator that takes it to 70
    // characters or more (69 does not); the next starts with nine blanks.
    EXPECT_EQ(WizQuerySQL(QStringLiteral("c"), {},
                          {"CustomerNumber", "-CompanyName", "LastInvoiceDate", "Country", "City"}, s),
              (QStringList{"SELECT * FROM 'c' Q1",
                           "ORDER BY Q1.CustomerNumber, Q1.CompanyName DESC, Q1.LastInvoiceDate, Q1.Country, ",
                           "         Q1.City"}));
    // Custom settings with empty table delimiters leave a dotted name bare.
    TDS custom;
    EXPECT_EQ(WizQuerySQL(QStringLiteral("dbo.orders"), {}, {}, custom), QStringList{"SELECT * FROM dbo.orders Q1"});
}

TEST(WizQuerySQL, EveryOperatorWithItsValueKinds)
{
    const auto access = settings(TDS::delAccess);
    const TDS &s = *access;
    const QChar sep(u'\0');
    const QList<TWizFilter> filters = {
        filter("Amount", woGreater, "1000", ftCurrency),
        filter("Company", woLike, "ab", ftString, false, true),
        filter("SaleDate", woBetween, QStringLiteral("2024-01-01") + sep + QStringLiteral("2024-12-31"), ftDate),
        filter("Amount", woBetween, QStringLiteral("10") + sep + QStringLiteral("20") + sep + QStringLiteral("30"),
               ftFloat),
        filter("Company", woBetween, QStringLiteral("A") + sep + QStringLiteral("M"), ftString),
        filter("ShipDate", woBetween, QStringLiteral("a") + sep + QStringLiteral("b"), ftDateTime),
        filter("CustNo", woIn, QStringLiteral("1") + sep + QStringLiteral("2") + sep + QStringLiteral("3"), ftAutoInc),
        filter("City", woIn, QStringLiteral("Bonn") + sep + QStringLiteral("ulm"), ftString, false),
        filter("SaleDate", woIn, QStringLiteral("2024-01-01") + sep + QStringLiteral("2024-02-01"), ftDate),
        filter("ShipDate", woGreaterOrEqual, "2024-05-01 10:00", ftDateTime),
        filter("SaleDate", woLess, "2024-05-01", ftDate, true, true),
        filter("Qty", woLessOrEqual, "5", ftSmallint),
        filter("Rate", woEqual, "7.5", ftBCD),
        filter("Notes", woIsNull, "", ftMemo),
        filter("Phone", woIsNotNull, "", ftString, false),
        filter("Contact", woNotEqual, "Say \"hi\"", ftString),
        // Not a number in a numeric column: quoted, so it stays one value.
        filter("Freight", woEqual, "1) OR (1=1", ftFloat),
    };
    const QStringList sql = WizQuerySQL(QStringLiteral("orders"), filters, {"Amount"}, s);
    EXPECT_EQ(sql, (QStringList{
                       "SELECT * FROM [orders] Q1",
                       "WHERE (Q1.[Amount] > 1000)",
                       "   OR (UPPER(Q1.[Company]) LIKE \"AB*\")",
                       "  AND (Q1.[SaleDate] BETWEEN #2024-01-01# AND #2024-12-31#)",
                       QStringLiteral("  AND (Q1.[Amount] BETWEEN 10 AND \"20") + sep + QStringLiteral("30\")"),
                       "  AND (Q1.[Company] BETWEEN \"A\" AND \"M\")",
                       "  AND (Q1.[ShipDate] BETWEEN \"a\" AND \"b\")",
                       "  AND (Q1.[CustNo] IN (1,2,3))",
                       "  AND (UPPER(Q1.[City]) IN (\"BONN\",\"ULM\"))",
                       "  AND (Q1.[SaleDate] IN (#2024-01-01#,#2024-02-01#))",
                       "  AND (Q1.[ShipDate] >= #2024-05-01 10:00#)",
                       "   OR (Q1.[SaleDate] < #2024-05-01#)",
                       "  AND (Q1.[Qty] <= 5)",
                       "  AND (Q1.[Rate] = 7.5)",
                       "  AND (Q1.[Notes] IS NULL)",
                       "  AND (UPPER(Q1.[Phone]) IS NOT NULL)",
                       "  AND (Q1.[Contact] <> \"Say \"\"hi\"\"\")",
                       "  AND (Q1.[Freight] = \"1) OR (1=1\")",
                       "ORDER BY Q1.[Amount]",
                   }));
    // A quote inside a value under single-quote settings is doubled as well.
    EXPECT_EQ(WizQuerySQL(QStringLiteral("c"), {filter("Company", woEqual, "O'Hara", ftString)}, {},
                          *settings(TDS::delSingleQuotes))
                  .last(),
              QStringLiteral("WHERE (Q1.'Company' = 'O''Hara')"));
}

TEST(WizFilters, StoredRecordsInBothLayouts)
{
    // Version 101: count, then per record 101, field, operator, or-flag, value, type, case.
    const QByteArray current = bytes("\x02"
                                     "\x65\x07"
                                     "Country"
                                     "\x00\x00\x07"
                                     "Germany"
                                     "\x01\x01"
                                     "\x65\x06"
                                     "CustNo"
                                     "\x01\x01\x04"
                                     "1000"
                                     "\x03\x00",
                                     39);
    QList<TWizFilter> filters;
    QString problem;
    ASSERT_TRUE(ReadWizFilters(current, &filters, &problem)) << problem.toStdString();
    ASSERT_EQ(filters.size(), 2);
    EXPECT_EQ(filters[0], filter("Country", woEqual, "Germany", ftString, true, false));
    EXPECT_EQ(filters[1], filter("CustNo", woGreater, "1000", ftInteger, false, true));
    EXPECT_EQ(WriteWizFilters(filters), current);

    // The older layout has no version byte; its type byte says numeric (3) or not (1).
    const QByteArray older = bytes("\x02"
                                   "\x06"
                                   "Amount"
                                   "\x04\x00\x03"
                                   "100"
                                   "\x01\x00"
                                   "\x04"
                                   "Name"
                                   "\x05\x01\x01"
                                   "A"
                                   "\x00\x01",
                                   27);
    ASSERT_TRUE(ReadWizFilters(older, &filters, &problem)) << problem.toStdString();
    ASSERT_EQ(filters.size(), 2);
    EXPECT_EQ(filters[0].FieldType, ftInteger);
    EXPECT_EQ(filters[0].Operator, woGreaterOrEqual);
    EXPECT_EQ(filters[0].Value, QStringLiteral("100"));
    EXPECT_FALSE(filters[0].CaseSensitive);
    EXPECT_EQ(filters[1].FieldType, ftString);
    EXPECT_TRUE(filters[1].OrFlag);
    EXPECT_TRUE(filters[1].CaseSensitive);
    EXPECT_EQ(WriteWizFilters(filters), older);

    // A wizard query reads either and always stores the current layout.
    TWizQuery query;
    query.SetFilters(older);
    EXPECT_EQ(query.Filters(), bytes("\x02"
                                     "\x65\x06"
                                     "Amount"
                                     "\x04\x00\x03"
                                     "100"
                                     "\x03\x00"
                                     "\x65\x04"
                                     "Name"
                                     "\x05\x01\x01"
                                     "A"
                                     "\x01\x01",
                                     29));

    // Damaged bytes are refused with the reason; the query keeps its filters.
    for (const QByteArray &bad : {bytes("\x01", 1), bytes("\x01\x66\x01X\x00\x00\x00\x01\x01", 9),
                                  bytes("\x01\x65\x01X\x0B\x00\x00\x01\x01", 9),
                                  bytes("\x01\x65\x01X\x00\x00\x00\x01\x01\x00", 10),
                                  bytes("\x01\x65\x01X\x00\x00\x05" "ab", 9)}) {
        problem.clear();
        EXPECT_FALSE(ReadWizFilters(bad, &filters, &problem)) << bad.toHex().toStdString();
        EXPECT_FALSE(problem.isEmpty());
        TDefinedProperties *defined = DefinedPropertiesOf(&query);
        EXPECT_FALSE(defined->SetDefinedProperty(QStringLiteral("Filters"), bad));
        EXPECT_EQ(query.FilterList().size(), 2);
    }
}

class WizQueryReplacement : public DesignTest
{
};

TEST_F(WizQueryReplacement, EditResultBecomesTemplateQueryUnderTheSameName)
{
    auto *wiz = new TWizQuery(form.get());
    wiz->SetName(QStringLiteral("Orders"));
    wiz->SetDatabaseName(QStringLiteral("DEMO"));
    wiz->SQLSettings()->SetDelimiterType(TDS::delNoQuotes);
    TWizQueryInputs inputs;
    inputs.Name = QStringLiteral("Orders");
    inputs.DatabaseName = QStringLiteral("DEMO");
    inputs.TableName = QStringLiteral("orders");
    inputs.OrderFields = {QStringLiteral("-OrderNo")};
    inputs.Filters = {filter("CustNo", woEqual, "1000", ftInteger)};
    AssignWizQueryInputs(wiz, inputs);
    EXPECT_EQ(wiz->SQL(), (QStringList{"SELECT * FROM 'orders' Q1", "WHERE (Q1.CustNo = 1000)",
                                       "ORDER BY Q1.OrderNo DESC"}));
    // A name another component bears is not taken.
    inputs.Name = QStringLiteral("Report");
    AssignWizQueryInputs(wiz, inputs);
    EXPECT_EQ(wiz->Name(), QStringLiteral("Orders"));

    auto *master = new TDataSource(form.get());
    master->SetName(QStringLiteral("MasterSource"));
    wiz->SetDataSource(master);
    auto *source = new TDataSource(form.get());
    source->SetName(QStringLiteral("OrdersSource"));
    source->SetDataSet(wiz);
    report->SetDataSet(wiz);
    TQRDesignBand *detail = designBand(QR::rbDetail, 60, QStringLiteral("Detail"));
    auto *text = element<TQRDesignDBText>(detail, 0, 0);
    text->SetDataSet(wiz);
    text->SetDataField(QStringLiteral("OrderNo"));

    QPointer<TWizQuery> old(wiz);
    TQRDWQuery *templ = ReplaceWizQueryByTemplate(wiz, form.get());
    ASSERT_TRUE(templ);
    EXPECT_TRUE(old.isNull());
    EXPECT_EQ(templ->Name(), QStringLiteral("Orders"));
    EXPECT_EQ(templ->Owner(), form.get());
    EXPECT_EQ(templ->DatabaseName(), QStringLiteral("DEMO"));
    EXPECT_EQ(templ->SQL().size(), 3);
    EXPECT_EQ(templ->SQL(), templ->OriginalSQL());
    EXPECT_EQ(templ->OriginalSQL().first(), QStringLiteral("SELECT * FROM 'orders' Q1"));
    EXPECT_EQ(templ->DataSource(), master);
    EXPECT_EQ(source->DataSet(), templ);
    EXPECT_EQ(report->DataSet(), templ);
    EXPECT_EQ(text->DataSet(), templ);

    // The query dialog's way back: a plain query becomes a wizard query under its name.
    const auto designerSettings = settings(TDS::delDoubleQuotes);
    TWizQuery *again = ReplaceQueryByWizQuery(templ, form.get(), designerSettings.get());
    ASSERT_TRUE(again);
    EXPECT_EQ(again->Name(), QStringLiteral("Orders"));
    EXPECT_EQ(source->DataSet(), again);
    EXPECT_EQ(text->DataSet(), again);
    EXPECT_EQ(again->DataSource(), master);
    EXPECT_EQ(again->SQLSettings()->DelimiterType(), TDS::delDoubleQuotes);
}
