// Report variables given to query parameters, and the builder's validation.

#include "exprtest.h"

#include "data/params.h"
#include "expressions/reportvariables.h"

using namespace exprtest;

TEST(ReportVariables, NewReportEnvironment)
{
    TQREvEnvironment environment;
    QREvAddReportVariables(environment);
    EXPECT_EQ(environment.Strings(), (QStringList{"PAGENUMBER", "COLUMNNUMBER", "REPORTTITLE"}));
    EXPECT_EQ(environment.Data(), (QStringList{"0", "0", "''"}));
    environment.Engage();
    EXPECT_INT(Eval("[PAGENUMBER]", &environment), 0);
    EXPECT_STR(Eval("[REPORTTITLE]", &environment), "");
    environment.Disengage();
}

TEST(ReportVariables, ParametersTakeValuesByDataType)
{
    TParams params;
    TParam *maxAmount = params.CreateParam(ftFloat, "MaxAmount");
    TParam *limit = params.CreateParam(ftFloat, "Limit");
    TParam *count = params.CreateParam(ftInteger, "Count");
    TParam *small = params.CreateParam(ftSmallint, "Small");
    TParam *city = params.CreateParam(ftString, "City");
    TParam *flag = params.CreateParam(ftBoolean, "Flag");
    TParam *price = params.CreateParam(ftCurrency, "Price");
    TParam *since = params.CreateParam(ftDate, "Since");
    TParam *badDate = params.CreateParam(ftDate, "BadDate");
    TParam *other = params.CreateParam(ftInteger, "NotAVariable");
    other->SetAsInteger(5);
    limit->SetAsFloat(7.5);

    TQREvEnvironment environment;
    environment.AddVariable("MAXAMOUNT", "100.5");
    environment.AddVariable("LIMIT", "100"); // an integer: a floating parameter stays as it is
    environment.AddVariable("COUNT", "3 + 4");
    environment.AddVariable("SMALL", "'12'"); // a string: an integer parameter stays empty
    environment.AddVariable("CITY", "'Oslo'");
    environment.AddVariable("FLAG", "1 = 1");
    environment.AddVariable("PRICE", "9.25");
    environment.AddVariable("SINCE", "'03/15/2024'");
    environment.AddVariable("BADDATE", "'not a date'");
    environment.Engage();
    EXPECT_EQ(QREvAssignVariablesToParams(params, environment), 6);
    environment.Disengage();

    EXPECT_DOUBLE_EQ(maxAmount->AsFloat(), 100.5);
    EXPECT_DOUBLE_EQ(limit->AsFloat(), 7.5);
    EXPECT_EQ(count->AsInteger(), 7);
    EXPECT_TRUE(small->IsNull());
    EXPECT_EQ(city->AsString(), "Oslo");
    EXPECT_TRUE(flag->AsBoolean());
    EXPECT_DOUBLE_EQ(price->AsFloat(), 9.25);
    EXPECT_EQ(since->AsDate(), QDate(2024, 3, 15));
    EXPECT_TRUE(badDate->IsNull());
    EXPECT_EQ(other->AsInteger(), 5);
}

TEST(ReportVariables, DatesFollowTheLocale)
{
    LocaleGuard guard("de_DE");
    TParams params;
    TParam *since = params.CreateParam(ftDate, "Since");
    EXPECT_TRUE(QREvAssignParamValue(*since, TQREvValue::String("15.03.2024")));
    EXPECT_EQ(since->AsDate(), QDate(2024, 3, 15));
    TParam *at = params.CreateParam(ftTime, "At");
    EXPECT_TRUE(QREvAssignParamValue(*at, TQREvValue::String("13:45:10")));
    EXPECT_EQ(at->AsTime(), QTime(13, 45, 10));
    EXPECT_FALSE(QREvAssignParamValue(*at, TQREvValue::Integer(5)));
    TParam *blob = params.CreateParam(ftBlob, "Blob");
    EXPECT_FALSE(QREvAssignParamValue(*blob, TQREvValue::String("x")));
}

TEST(ReportVariables, Validation)
{
    EXPECT_EQ(QREvValidateExpression("''", nullptr, nullptr), "There are no errors. The result is : ");
    EXPECT_EQ(QREvValidateExpression("1/0", nullptr, nullptr), "ERROR: Cannot divide by 0");
    EXPECT_EQ(QREvValidateExpression("1 +\r\n 2", nullptr, nullptr),
              "There are no errors. The result is : 3");
    EXPECT_EQ(QREvValidateExpression("7 / 2", nullptr, nullptr), "There are no errors. The result is : 3.5");
    EXPECT_EQ(QREvValidateExpression("1 = 1", nullptr, nullptr), "There are no errors. The result is : True");

    // The local environment is prepared for the computation and left as it was.
    TQREvEnvironment local;
    local.AddVariable("TITLE", "'Sales'");
    EXPECT_EQ(QREvValidateExpression("[TITLE] + '!'", nullptr, &local),
              "There are no errors. The result is : Sales!");
    EXPECT_FALSE(local.IsEngaged());
    EXPECT_EQ(QREvValidateExpression("[NOPE]", nullptr, &local), "ERROR: Unknown function : NOPE");
}
