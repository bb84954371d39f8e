// Display formats, text forms and value conversions of fields and parameters,
// without a database.

#include "common/localesettings.h"
#include "data/displayformat.h"
#include "data/field.h"
#include "data/params.h"
#include "data/valueconv.h"

#include <gtest/gtest.h>

namespace
{

class Formats : public ::testing::Test
{
protected:
    void SetUp() override { LocaleSettings().Load(QStringLiteral("en_US")); }
    void TearDown() override { LocaleSettings().Load(QStringLiteral("en_US")); }
};

QDateTime naive(int y, int m, int d, int h = 0, int n = 0, int s = 0, int ms = 0)
{
    return QDateTime(QDate(y, m, d), QTime(h, n, s, ms), Qt::UTC);
}

// A calculated field holds any value, so the field classes' conversions can be tested alone.
template <class F> std::unique_ptr<F> calcField(const QVariant &value)
{
    auto f = std::make_unique<F>();
    f->SetFieldName(QStringLiteral("F"));
    f->SetFieldKind(fkCalculated);
    f->SetValue(value);
    return f;
}

} // namespace

TEST_F(Formats, NumberMasks)
{
    EXPECT_EQ(FormatFloat(QStringLiteral("#,##0.00"), 1234567.891), QStringLiteral("1,234,567.89"));
    EXPECT_EQ(FormatFloat(QStringLiteral("#,##0.00"), 0.5), QStringLiteral("0.50"));
    EXPECT_EQ(FormatFloat(QStringLiteral("#,##0.00"), -1234.5), QStringLiteral("-1,234.50"));
    EXPECT_EQ(FormatFloat(QStringLiteral("0.###"), 2.5), QStringLiteral("2.5"));
    EXPECT_EQ(FormatFloat(QStringLiteral("0.###"), 2.0), QStringLiteral("2"));
    EXPECT_EQ(FormatFloat(QStringLiteral("0.###"), 2.12345), QStringLiteral("2.123"));
    EXPECT_EQ(FormatFloat(QStringLiteral("000"), 7), QStringLiteral("007"));
    EXPECT_EQ(FormatFloat(QStringLiteral("#"), 0), QString());
    EXPECT_EQ(FormatFloat(QStringLiteral("#.##"), 0.25), QStringLiteral(".25"));
    // Sections: positive; negative (no sign of its own); zero.
    EXPECT_EQ(FormatFloat(QStringLiteral("0.00;(0.00);'zero'"), -3.5), QStringLiteral("(3.50)"));
    EXPECT_EQ(FormatFloat(QStringLiteral("0.00;(0.00);'zero'"), 0), QStringLiteral("zero"));
    EXPECT_EQ(FormatFloat(QStringLiteral("0.00;(0.00);'zero'"), 4), QStringLiteral("4.00"));
    // A negative value that rounds to zero shows without a sign.
    EXPECT_EQ(FormatFloat(QStringLiteral("0.0"), -0.01), QStringLiteral("0.0"));
    // Literal text around the number, in both kinds of quotes.
    EXPECT_EQ(FormatFloat(QStringLiteral("'$'#,##0.00\" net\""), 1500), QStringLiteral("$1,500.00 net"));
    EXPECT_EQ(FormatFloat(QStringLiteral("0.00E+00"), 12345), QStringLiteral("1.23E+04"));
    EXPECT_EQ(FormatFloat(QStringLiteral("0.0E-0"), 0.00012), QStringLiteral("1.2E-4"));
    EXPECT_EQ(FormatFloat(QStringLiteral("0.0E+00"), 9.96), QStringLiteral("1.0E+01"));
    // No mask: the general text form.
    EXPECT_EQ(FormatFloat(QString(), 1.5), QStringLiteral("1.5"));
}

TEST_F(Formats, NumberMasksFollowTheLocale)
{
    ASSERT_TRUE(LocaleSettings().Load(QStringLiteral("de_DE")));
    EXPECT_EQ(FormatFloat(QStringLiteral("#,##0.00"), 1234.5), QStringLiteral("1.234,50"));
    EXPECT_EQ(FloatToText(2.25), QStringLiteral("2,25"));
}

TEST_F(Formats, GeneralFloatText)
{
    EXPECT_EQ(FloatToText(0), QStringLiteral("0"));
    EXPECT_EQ(FloatToText(-0.0), QStringLiteral("0"));
    EXPECT_EQ(FloatToText(0.1 + 0.2), QStringLiteral("0.3"));
    EXPECT_EQ(FloatToText(1.0 / 3), QStringLiteral("0.333333333333333"));
    EXPECT_EQ(FloatToText(-2.5), QStringLiteral("-2.5"));
    EXPECT_EQ(FloatToText(123456789012345.0), QStringLiteral("123456789012345"));
    EXPECT_EQ(FloatToText(1e20), QStringLiteral("1E+20"));
    EXPECT_EQ(FloatToText(1.5e-7), QStringLiteral("1.5E-7"));
    EXPECT_EQ(FloatToText(0.0001), QStringLiteral("0.0001"));
    EXPECT_EQ(FloatToText(3.14159, 3), QStringLiteral("3.14"));
}

TEST_F(Formats, DateTimeFormats)
{
    const QDateTime dt = naive(2024, 3, 5, 14, 7, 9, 45);
    EXPECT_EQ(FormatDateTime(QStringLiteral("dd.mm.yyyy hh:nn:ss"), dt),
              QStringLiteral("05.03.2024 14:07:09"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("d/m/yy"), dt), QStringLiteral("5/3/24"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("dddd, mmmm d"), dt), QStringLiteral("Tuesday, March 5"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("ddd mmm"), dt), QStringLiteral("Tue Mar"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("h:nn am/pm"), dt), QStringLiteral("2:07 pm"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("h:nn AM/PM"), naive(2024, 3, 5, 0, 30)),
              QStringLiteral("12:30 AM"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("h a/p"), dt), QStringLiteral("2 p"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("ss.zzz"), dt), QStringLiteral("09.045"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("'Day' d"), dt), QStringLiteral("Day 5"));
    // The short date format of the locale, and c without a time of day.
    EXPECT_EQ(FormatDateTime(QStringLiteral("ddddd"), dt), LocaleSettings().DateToStr(dt.date()));
    EXPECT_EQ(FormatDateTime(QStringLiteral("c"), naive(2024, 3, 5)),
              LocaleSettings().DateToStr(QDate(2024, 3, 5)));
}

TEST_F(Formats, StoredDateTimesAndTheDateNumber)
{
    QDateTime dt;
    ASSERT_TRUE(StoredToDateTime(QStringLiteral("2024-02-29"), dt));
    EXPECT_EQ(dt, naive(2024, 2, 29));
    ASSERT_TRUE(StoredToDateTime(QStringLiteral("2024-02-29 23:59:58.5"), dt));
    EXPECT_EQ(dt, naive(2024, 2, 29, 23, 59, 58, 500));
    ASSERT_TRUE(StoredToDateTime(QStringLiteral("2024-02-29T10:00:00Z"), dt));
    EXPECT_EQ(dt.time(), QTime(10, 0));
    ASSERT_TRUE(StoredToDateTime(QStringLiteral("07:15"), dt));
    EXPECT_EQ(dt.time(), QTime(7, 15));
    EXPECT_FALSE(StoredToDateTime(QStringLiteral("2023-02-29"), dt)); // no such day
    EXPECT_FALSE(StoredToDateTime(QStringLiteral("soon"), dt));
    EXPECT_FALSE(StoredToDateTime(QStringLiteral("2024-01-01 25:00"), dt));
    // A local date-time counts by its wall clock.
    ASSERT_TRUE(StoredToDateTime(QDateTime(QDate(2021, 3, 28), QTime(2, 30)), dt));
    EXPECT_EQ(dt.date(), QDate(2021, 3, 28));
    EXPECT_EQ(DateTimeToNumber(naive(1899, 12, 30)), 0.0);
    EXPECT_EQ(DateTimeToNumber(naive(1900, 1, 1, 12)), 2.5);
    EXPECT_EQ(NumberToDateTime(45000.25), naive(2023, 3, 15, 6));
    EXPECT_EQ(NumberToDateTime(-1.25), naive(1899, 12, 29, 6));
    EXPECT_EQ(DateTimeToNumber(NumberToDateTime(-1.25)), -1.25);
    EXPECT_FALSE(NumberToDateTime(1e300).isValid());
}

TEST_F(Formats, FieldClassesConvertTheirValues)
{
    auto i = calcField<TIntegerField>(qint64(42));
    EXPECT_EQ(i->AsString(), QStringLiteral("42"));
    EXPECT_EQ(i->AsFloat(), 42.0);
    EXPECT_TRUE(i->AsBoolean());
    i->SetDisplayFormat(QStringLiteral("0000"));
    EXPECT_EQ(i->DisplayText(), QStringLiteral("0042"));
    auto fromText = calcField<TIntegerField>(QStringLiteral("17"));
    EXPECT_EQ(fromText->AsInteger(), 17);
    auto bad = calcField<TIntegerField>(QStringLiteral("x17"));
    EXPECT_THROW(bad->AsInteger(), EDatabaseError);

    auto f = calcField<TFloatField>(2.0 / 3);
    EXPECT_EQ(f->AsString(), QStringLiteral("0.666666666666667"));
    f->SetPrecision(4);
    EXPECT_EQ(f->AsString(), QStringLiteral("0.6667"));
    EXPECT_EQ(f->AsInteger(), 1);
    auto c = calcField<TCurrencyField>(1234.5);
    EXPECT_TRUE(c->Currency());
    EXPECT_EQ(c->DisplayText(), QStringLiteral("1,234.50"));
    auto decimalText = calcField<TBCDField>(QStringLiteral("12.50"));
    EXPECT_EQ(decimalText->AsFloat(), 12.5);

    auto b = calcField<TBooleanField>(true);
    EXPECT_EQ(b->AsString(), QStringLiteral("True"));
    b->SetDisplayValues(QStringLiteral("Yes;No"));
    EXPECT_EQ(b->DisplayText(), QStringLiteral("Yes"));
    b->SetValue(false);
    EXPECT_EQ(b->DisplayText(), QStringLiteral("No"));
    EXPECT_EQ(b->AsInteger(), 0);
    auto bText = calcField<TBooleanField>(QStringLiteral("maybe"));
    EXPECT_THROW(bText->AsBoolean(), EDatabaseError);

    auto s = calcField<TStringField>(QStringLiteral("Yes"));
    EXPECT_TRUE(s->AsBoolean());
    EXPECT_THROW(s->AsDateTime(), EDatabaseError);
    s->SetValue(QStringLiteral("  "));
    EXPECT_EQ(s->AsDateTime(), QDateTime()); // blank: no date
    s->SetValue(QStringLiteral("2020-01-02"));
    EXPECT_EQ(s->AsDateTime(), naive(2020, 1, 2));
    s->SetValue(QStringLiteral(" 3.5 "));
    EXPECT_EQ(s->AsFloat(), 3.5);

    auto d = calcField<TDateField>(QStringLiteral("2020-01-02"));
    EXPECT_EQ(d->AsString(), LocaleSettings().DateToStr(QDate(2020, 1, 2)));
    EXPECT_EQ(d->AsFloat(), DateTimeToNumber(naive(2020, 1, 2)));
    auto garbage = calcField<TDateField>(QStringLiteral("not a date"));
    EXPECT_EQ(garbage->AsString(), QStringLiteral("not a date")); // shown as it stands
    EXPECT_THROW(garbage->AsDateTime(), EDatabaseError);
    auto t = calcField<TTimeField>(QStringLiteral("18:05:00"));
    EXPECT_EQ(t->AsString(), LocaleSettings().TimeToStr(QTime(18, 5)));
    auto dt = calcField<TDateTimeField>(QStringLiteral("2020-01-02 00:00:00"));
    EXPECT_EQ(dt->AsString(), LocaleSettings().DateToStr(QDate(2020, 1, 2))); // midnight shows the date alone
    dt->SetDisplayFormat(QStringLiteral("yyyy/mm/dd hh:nn"));
    EXPECT_EQ(dt->DisplayText(), QStringLiteral("2020/01/02 00:00"));

    auto memo = calcField<TMemoField>(QByteArray("line\xc3\xa9"));
    EXPECT_EQ(memo->AsString(), QString::fromUtf8("line\xc3\xa9"));
    auto blob = calcField<TBlobField>(QByteArray("\x00\x01", 2));
    EXPECT_EQ(blob->AsBytes().size(), 2);
    EXPECT_EQ(blob->BlobSize(), 2);

    // Setting from text on a calculated field converts by the class.
    auto n = calcField<TFloatField>(QVariant());
    n->SetAsString(QStringLiteral("2.5"));
    EXPECT_EQ(n->AsFloat(), 2.5);
    EXPECT_THROW(n->SetAsString(QStringLiteral("two")), EDatabaseError);
    n->SetAsString(QString());
    EXPECT_TRUE(n->IsNull());
}

TEST_F(Formats, FieldPropertiesAndClasses)
{
    TStringField s;
    s.SetFieldName(QStringLiteral("Company"));
    EXPECT_EQ(s.DisplayLabel(), QStringLiteral("Company"));
    s.SetDisplayLabel(QStringLiteral("Firm"));
    EXPECT_EQ(s.DisplayLabel(), QStringLiteral("Firm"));
    s.SetDisplayLabel(QString());
    EXPECT_EQ(s.DisplayLabel(), QStringLiteral("Company"));
    EXPECT_EQ(s.Size(), 20);
    EXPECT_EQ(s.DisplayWidth(), 20);
    s.SetDisplayWidth(7);
    EXPECT_EQ(s.DisplayWidth(), 7);
    EXPECT_TRUE(s.Visible());
    EXPECT_EQ(s.Index(), -1);
    EXPECT_EQ(s.DataSet(), nullptr);
    EXPECT_TRUE(s.IsNull()); // no dataset: no value
    const struct {
        TFieldType type;
        const char *cls;
    } classes[] = {
        {ftString, "TStringField"},     {ftSmallint, "TSmallintField"}, {ftInteger, "TIntegerField"},
        {ftWord, "TWordField"},         {ftBoolean, "TBooleanField"},   {ftFloat, "TFloatField"},
        {ftCurrency, "TCurrencyField"}, {ftBCD, "TBCDField"},           {ftDate, "TDateField"},
        {ftTime, "TTimeField"},         {ftDateTime, "TDateTimeField"}, {ftBytes, "TBytesField"},
        {ftVarBytes, "TVarBytesField"}, {ftAutoInc, "TAutoIncField"},   {ftBlob, "TBlobField"},
        {ftMemo, "TMemoField"},         {ftGraphic, "TGraphicField"},   {ftWideString, "TWideStringField"},
        {ftLargeint, "TLargeintField"}};
    for (const auto &c : classes) {
        std::unique_ptr<TField> f(CreateFieldOfType(c.type, nullptr));
        ASSERT_NE(f, nullptr) << c.cls;
        EXPECT_STREQ(f->metaObject()->className(), c.cls);
        EXPECT_EQ(f->DataType(), c.type) << c.cls;
        EXPECT_EQ(FieldClassOf(c.type), f->metaObject());
    }
    EXPECT_EQ(CreateFieldOfType(ftCursor, nullptr), nullptr);
    // Integer kinds are integer fields; large integers are not.
    std::unique_ptr<TField> autoinc(CreateFieldOfType(ftAutoInc, nullptr));
    EXPECT_NE(qobject_cast<TIntegerField *>(autoinc.get()), nullptr);
    std::unique_ptr<TField> large(CreateFieldOfType(ftLargeint, nullptr));
    EXPECT_EQ(qobject_cast<TIntegerField *>(large.get()), nullptr);
    EXPECT_EQ(FieldTypeIdent(ftBCD), QStringLiteral("ftBCD"));
    EXPECT_EQ(FieldTypeName(ftDateTime), QStringLiteral("DateTime"));
    // Data fields cannot be written.
    TIntegerField data;
    data.SetFieldName(QStringLiteral("N"));
    EXPECT_THROW(data.SetAsInteger(1), EDatabaseError);
}

TEST_F(Formats, ParameterTypesAndConversions)
{
    TParam p(nullptr, QStringLiteral("p"));
    EXPECT_EQ(p.DataType(), ftUnknown);
    EXPECT_FALSE(p.Bound());
    p.SetAsInteger(5);
    EXPECT_EQ(p.DataType(), ftInteger); // the first setter gives the type
    EXPECT_TRUE(p.Bound());
    EXPECT_EQ(p.AsString(), QStringLiteral("5"));
    p.SetAsString(QStringLiteral("12"));
    EXPECT_EQ(p.Value(), QVariant(qint64(12)));
    p.SetAsFloat(3.0); // an integral float is an integer
    EXPECT_EQ(p.AsInteger(), 3);
    EXPECT_THROW(p.SetAsFloat(3.5), EDatabaseError);
    EXPECT_EQ(p.AsInteger(), 3);
    p.SetAsString(QString()); // empty text on a typed parameter: no value, still bound
    EXPECT_TRUE(p.IsNull());
    EXPECT_TRUE(p.Bound());
    p.Clear();
    EXPECT_TRUE(p.Bound());

    TParam s(nullptr, QStringLiteral("s"), ftString);
    s.SetAsString(QString());
    EXPECT_FALSE(s.IsNull()); // the empty text is a value for strings
    s.SetAsDate(QDate(2024, 12, 31));
    EXPECT_EQ(s.AsString(), LocaleSettings().DateToStr(QDate(2024, 12, 31)));
    s.SetAsBoolean(true);
    EXPECT_EQ(s.AsString(), QStringLiteral("True"));

    TParam d(nullptr, QStringLiteral("d"), ftDate);
    d.SetAsString(LocaleSettings().DateToStr(QDate(2023, 7, 4)));
    EXPECT_EQ(d.AsDate(), QDate(2023, 7, 4));
    d.SetAsString(QStringLiteral("2022-02-02"));
    EXPECT_EQ(d.AsDate(), QDate(2022, 2, 2));
    EXPECT_THROW(d.SetAsString(QStringLiteral("2022-02-30")), EDatabaseError);
    EXPECT_THROW(d.SetAsDate(QDate()), EDatabaseError);
    d.SetAsDateTime(QDateTime(QDate(2021, 1, 1), QTime(0, 0)));
    EXPECT_EQ(d.AsDate(), QDate(2021, 1, 1));
    EXPECT_EQ(d.AsFloat(), DateTimeToNumber(naive(2021, 1, 1)));

    TParam t(nullptr, QStringLiteral("t"), ftTime);
    t.SetAsString(QStringLiteral("13:45"));
    EXPECT_EQ(t.AsTime(), QTime(13, 45));
    EXPECT_THROW(t.SetAsString(QStringLiteral("25:00")), EDatabaseError);

    TParam b(nullptr, QStringLiteral("b"), ftBoolean);
    for (const char *yes : {"True", "t", "YES", "1"}) {
        b.SetAsString(QString::fromLatin1(yes));
        EXPECT_TRUE(b.AsBoolean()) << yes;
    }
    b.SetAsString(QStringLiteral("no"));
    EXPECT_FALSE(b.AsBoolean());
    EXPECT_THROW(b.SetAsInteger(2), EDatabaseError);

    TParam f(nullptr, QStringLiteral("f"), ftFloat);
    f.SetAsString(QStringLiteral("1.25"));
    EXPECT_EQ(f.AsFloat(), 1.25);
    EXPECT_EQ(f.AsString(), QStringLiteral("1.25"));
    // Changing the type converts the value, or drops one that does not convert.
    f.SetDataType(ftString);
    EXPECT_EQ(f.Value(), QVariant(QStringLiteral("1.25")));
    f.SetDataType(ftDate);
    EXPECT_TRUE(f.IsNull());

    // Copies.
    TParam copy;
    copy.Assign(&d);
    EXPECT_EQ(copy.Name(), QStringLiteral("d"));
    EXPECT_EQ(copy.DataType(), ftDate);
    EXPECT_EQ(copy.AsDate(), QDate(2021, 1, 1));
    // Parameters as published properties, as report files store them.
    EXPECT_EQ(copy.property("DataType").toInt(), int(ftDate));
    EXPECT_EQ(copy.property("Name").toString(), QStringLiteral("d"));
}

TEST_F(Formats, SqlParametersParsing)
{
    TParams params(nullptr);
    EXPECT_EQ(params.ParseSQL(
                  QStringLiteral("select * from t where a = :A and b = :b_2 and c = :\"long name\""), true),
              QStringLiteral("select * from t where a = ? and b = ? and c = ?"));
    EXPECT_EQ(params.Names(), (QStringList{"A", "b_2", "long name"}));
    // Strings, quoted identifiers, casts, comments and times inside words are no parameters.
    EXPECT_EQ(
        params.ParseSQL(QStringLiteral("select ':x', \"a:b\", n::text, [c:d] from t -- :y\n where t = 10:30"),
                        true),
        QStringLiteral("select ':x', \"a:b\", n::text, [c:d] from t  \n where t = 10:30"));
    EXPECT_EQ(params.Count(), 0);
    params.ParseSQL(QStringLiteral("a = :x and b = :y"), true);
    params.ParamByName(QStringLiteral("y"))->SetAsInteger(9);
    params.ParseSQL(QStringLiteral("b = :Y or c = :z or d = :y"), true);
    ASSERT_EQ(params.Count(), 3);
    EXPECT_EQ(params.Items(0)->AsInteger(), 9); // kept under its name
    EXPECT_TRUE(params.Items(1)->IsNull());
    EXPECT_EQ(params.Items(2)->AsInteger(), 9); // a repeat takes the earlier settings
    EXPECT_THROW(params.Items(3), EDatabaseError);
    EXPECT_EQ(params.FindParam(QStringLiteral("nothing")), nullptr);
    TParams other(nullptr);
    other.Assign(params);
    EXPECT_EQ(other.Names(), params.Names());
    EXPECT_FALSE(other.AllBound());
    other.Items(1)->SetAsString(QStringLiteral("v"));
    EXPECT_TRUE(other.AllBound());
    // Parsing without creating leaves the list as it is.
    other.ParseSQL(QStringLiteral("select :q"), false);
    EXPECT_EQ(other.Count(), 3);
}
