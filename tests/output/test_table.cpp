#include "outputtest.h"

#include "common/graphics.h"
#include "data/field.h"
#include "expressions/numericmask.h"
#include "output/pages/qrerror.h"
#include "output/tablefilter.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace
{

// A report of people: a bold title row, a header row and one detail row per person.
struct PeopleReport : DataFixture {
    PeopleReport(
        const QByteArray &csv = "Name,Amount,Code\nAnna,\"1234.5\",007\nBob \"B\",-2,10\nCé; d,3e2,x\n")
    {
        TQuery *q =
            query(QStringLiteral("people"), csv, QStringLiteral("select Name, Amount, Code from people"));
        q->Open();
        report->SetDataSet(q);
        report->SetReportTitle(QStringLiteral("People: [all]"));
        TQRLabel *title = label(addBand(QR::rbTitle, 100), QStringLiteral("People list"));
        title->Font()->SetStyle(TFont::fsBold);
        TQRBand *header = addBand(QR::rbColumnHeader, 100);
        label(header, QStringLiteral("Name"), 0);
        label(header, QStringLiteral("Amount"), 500);
        label(header, QStringLiteral("Code"), 1000);
        TQRBand *detail = addBand(QR::rbDetail, 100);
        const char *fields[] = {"Name", "Amount", "Code"};
        for (int i = 0; i < 3; ++i) {
            auto *t = element<TQRDBText>(detail, i * 500, 0, 400, 40);
            t->SetDataSet(q);
            t->SetDataField(QString::fromLatin1(fields[i]));
        }
    }
};

// The CSV file as rows of fields, parsed by python's csv module.
QJsonArray parseCsv(const QString &file)
{
    const QString json =
        runPython("import csv,json,sys\n"
                  "print(json.dumps(list(csv.reader(open(sys.argv[1], newline='', encoding='utf-8')))))\n",
                  {file});
    return QJsonDocument::fromJson(json.toUtf8()).array();
}

// The first sheet of an XLSX file as [row, column, type, value, bold] entries, read from its XML.
QJsonArray parseXlsx(const QString &file)
{
    static const QByteArray script = R"(
import json, re, sys, zipfile
import xml.etree.ElementTree as ET
ns = {'m': 'http://schemas.openxmlformats.org/spreadsheetml/2006/main'}
z = zipfile.ZipFile(sys.argv[1])
shared = []
if 'xl/sharedStrings.xml' in z.namelist():
    for si in ET.fromstring(z.read('xl/sharedStrings.xml')).findall('m:si', ns):
        shared.append(''.join(t.text or '' for t in si.iter('{%s}t' % ns['m'])))
styles = ET.fromstring(z.read('xl/styles.xml'))
fonts = styles.find('m:fonts', ns).findall('m:font', ns)
xfs = styles.find('m:cellXfs', ns).findall('m:xf', ns)
bold = [fonts[int(x.get('fontId', 0))].find('m:b', ns) is not None for x in xfs]
wb = ET.fromstring(z.read('xl/workbook.xml'))
sheets = [s.get('name') for s in wb.find('m:sheets', ns)]
out = [sheets]
for c in ET.fromstring(z.read('xl/worksheets/sheet1.xml')).iter('{%s}c' % ns['m']):
    m = re.match(r'([A-Z]+)(\d+)', c.get('r'))
    col = 0
    for ch in m.group(1):
        col = col * 26 + ord(ch) - 64
    t = c.get('t', 'n')
    if t == 's':
        v = shared[int(c.find('m:v', ns).text)]
    elif t == 'inlineStr':
        v = ''.join(x.text or '' for x in c.iter('{%s}t' % ns['m']))
    else:
        v = float(c.find('m:v', ns).text)
    out.append([int(m.group(2)) - 1, col - 1, 'n' if t == 'n' else 's', v, bold[int(c.get('s', 0))]])
print(json.dumps(out))
)";
    return QJsonDocument::fromJson(runPython(script, {file}).toUtf8()).array();
}

} // namespace

TEST(TableExport, ReadingNumbersInTheReportLocale)
{
    double v = 0;
    EXPECT_TRUE(TQRTableExportFilter::ReadNumber(QStringLiteral(" 1234.5 "), v));
    EXPECT_DOUBLE_EQ(v, 1234.5);
    EXPECT_TRUE(TQRTableExportFilter::ReadNumber(QStringLiteral("-1,234,567.25"), v));
    EXPECT_DOUBLE_EQ(v, -1234567.25);
    EXPECT_TRUE(TQRTableExportFilter::ReadNumber(QStringLiteral("3e2"), v));
    EXPECT_DOUBLE_EQ(v, 300);
    EXPECT_TRUE(TQRTableExportFilter::ReadNumber(QStringLiteral("0.5"), v));
    for (const char *text :
         {"007", "12,34", "1,2345", "", "abc", "1.2.3", "1e999", "12 apples", "-", ".", "1,234.5.6"})
        EXPECT_FALSE(TQRTableExportFilter::ReadNumber(QString::fromLatin1(text), v)) << text;
    {
        LocaleGuard german(QStringLiteral("de_DE"));
        EXPECT_TRUE(TQRTableExportFilter::ReadNumber(QStringLiteral("1.234,5"), v));
        EXPECT_DOUBLE_EQ(v, 1234.5);
        EXPECT_TRUE(TQRTableExportFilter::ReadNumber(QStringLiteral("0,25"), v));
        EXPECT_DOUBLE_EQ(v, 0.25);
        EXPECT_FALSE(TQRTableExportFilter::ReadNumber(QStringLiteral("1,234,5"), v));
    }
}

TEST(TableExport, RowsAndColumnsFromPositions)
{
    QTemporaryDir dir;
    TQRCSVExportFilter filter(dir.filePath(QStringLiteral("t.csv")));
    TFont font;
    filter.Start(2100, 2970, &font);
    filter.NewPage();
    filter.WriteTextItem(600, 200, &font, clWhite, QR::taLeftJustify, QStringLiteral("b"));
    filter.WriteTextItem(100, 200, &font, clWhite, QR::taLeftJustify, QStringLiteral("a"));
    filter.WriteTextItem(100, 100, &font, clWhite, QR::taLeftJustify, QStringLiteral("top"));
    filter.WriteTextItem(1100, 100, &font, clWhite, QR::taLeftJustify, QStringLiteral("  "));
    // Anchors less than half a millimetre apart are one column; two texts there share the cell.
    filter.WriteTextItem(603, 200, &font, clWhite, QR::taLeftJustify, QStringLiteral("b2"));
    filter.EndPage();
    filter.NewPage();
    filter.WriteTextItem(900, 100, &font, clWhite, QR::taLeftJustify, QStringLiteral("p2"));
    filter.EndPage();
    const std::vector<TQRTableExportFilter::Row> table = filter.Table();
    ASSERT_EQ(table.size(), 3u);
    ASSERT_EQ(table[0].size(), 1u);
    EXPECT_EQ(table[0].at(0).Text, QStringLiteral("top"));
    EXPECT_EQ(table[1].at(0).Text, QStringLiteral("a"));
    EXPECT_EQ(table[1].at(1).Text, QStringLiteral("b b2"));
    EXPECT_EQ(table[2].at(2).Text, QStringLiteral("p2"));
    filter.Finish();
    const QJsonArray rows = parseCsv(filter.FileName());
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0].toArray().toVariantList(), (QVariantList{"top", "", ""}));
    EXPECT_EQ(rows[2].toArray().toVariantList(), (QVariantList{"", "", "p2"}));
}

TEST(TableExport, CsvOfAReport)
{
    PeopleReport f;
    const QString name = f.dir.filePath(QStringLiteral("people.csv"));
    TQRCSVExportFilter filter(name);
    f.report->ExportToFilter(&filter);
    EXPECT_FALSE(filter.Active());
    const QJsonArray rows = parseCsv(name);
    ASSERT_EQ(rows.size(), 5) << QJsonDocument(rows).toJson().toStdString();
    EXPECT_EQ(rows[0].toArray().toVariantList(), (QVariantList{"People list", "", ""}));
    EXPECT_EQ(rows[1].toArray().toVariantList(), (QVariantList{"Name", "Amount", "Code"}));
    EXPECT_EQ(rows[2].toArray().toVariantList(), (QVariantList{"Anna", "1234.5", "007"}));
    EXPECT_EQ(rows[3].toArray().toVariantList(), (QVariantList{"Bob \"B\"", "-2", "10"}));
    EXPECT_EQ(rows[4].toArray().toVariantList(), (QVariantList{QString::fromUtf8("Cé; d"), "300", "x"}));
}

TEST(TableExport, XlsxOfAReport)
{
    PeopleReport f;
    const QString name = f.dir.filePath(QStringLiteral("people.xlsx"));
    TQRXLSXExportFilter filter(name);
    EXPECT_EQ(filter.FileExtension(), QStringLiteral("XLSX"));
    f.report->ExportToFilter(&filter);
    const QJsonArray cells = parseXlsx(name);
    ASSERT_FALSE(cells.isEmpty());
    // One sheet, named after the report title without the characters sheet names forbid.
    EXPECT_EQ(cells[0].toArray().toVariantList(), QVariantList{"People   all"});
    QMap<QString, QJsonArray> byCell;
    for (qsizetype i = 1; i < cells.size(); ++i) {
        const QJsonArray c = cells[i].toArray();
        byCell.insert(QStringLiteral("%1,%2").arg(c[0].toInt()).arg(c[1].toInt()), c);
    }
    auto cell = [&](int r, int c) { return byCell.value(QStringLiteral("%1,%2").arg(r).arg(c)); };
    EXPECT_EQ(byCell.size(), 13);
    EXPECT_EQ(cell(0, 0)[3].toString(), QStringLiteral("People list"));
    EXPECT_TRUE(cell(0, 0)[4].toBool()); // bold kept
    EXPECT_FALSE(cell(1, 0)[4].toBool());
    EXPECT_EQ(cell(2, 1)[2].toString(), QStringLiteral("n"));
    EXPECT_DOUBLE_EQ(cell(2, 1)[3].toDouble(), 1234.5);
    EXPECT_EQ(cell(2, 2)[2].toString(), QStringLiteral("s"));
    EXPECT_EQ(cell(2, 2)[3].toString(), QStringLiteral("007"));
    EXPECT_DOUBLE_EQ(cell(3, 1)[3].toDouble(), -2);
    EXPECT_EQ(cell(4, 0)[3].toString(), QString::fromUtf8("Cé; d"));
}

TEST(TableExport, UnwritableFilesLeaveNothingBehind)
{
    for (bool xlsx : {false, true}) {
        PeopleReport f;
        const QString name = QStringLiteral("/nonexistent-folder/out.") + (xlsx ? "xlsx" : "csv");
        std::unique_ptr<TQRExportFilter> filter;
        if (xlsx)
            filter = std::make_unique<TQRXLSXExportFilter>(name);
        else
            filter = std::make_unique<TQRCSVExportFilter>(name);
        try {
            f.report->ExportToFilter(filter.get());
            ADD_FAILURE() << "no error for " << name.toStdString();
        } catch (const EQRError &e) {
            EXPECT_TRUE(e.Message().contains(name)) << e.Message().toStdString();
        }
        EXPECT_FALSE(QFile::exists(name));
    }
}

// Rows of finished pages wait on disk until the columns are known: a column that first
// appears late in the run still shifts the cells of the earliest rows, and nothing of the
// waiting rows is left in the temporary folder afterwards.
TEST(TableExport, RowsOfManyPagesKeepTheirColumns)
{
    QTemporaryDir dir;
    QTemporaryDir spillDir;
    const QString savedTemp = QDir::tempPath();
    qputenv("TMPDIR", QFile::encodeName(spillDir.path()));
    struct RestoreTemp {
        QByteArray value;
        ~RestoreTemp() { qputenv("TMPDIR", value); }
    } restore{QFile::encodeName(savedTemp)};

    constexpr int kPages = 40, kLines = 30;
    const QString name = dir.filePath(QStringLiteral("many.csv"));
    TQRCSVExportFilter filter(name);
    TFont plain;
    TFont bold;
    bold.SetStyle(TFont::TFontStyles(TFont::fsBold));
    filter.Start(2100, 2970, &plain);
    for (int page = 1; page <= kPages; ++page) {
        filter.NewPage();
        // Lines written bottom up, as a footer may be, still come out top down.
        for (int line = kLines; line >= 1; --line) {
            const double y = 100 + 50 * line;
            filter.WriteTextItem(500, y, &plain, clWhite, QR::taLeftJustify,
                                 QStringLiteral("p%1 l%2").arg(page).arg(line));
            filter.WriteTextItem(1000, y, line == 1 ? &bold : &plain, clWhite, QR::taLeftJustify,
                                 QString::number(page * 100 + line));
        }
        // The last page alone has a column left of all others.
        if (page == kPages)
            filter.WriteTextItem(100, 150, &plain, clWhite, QR::taLeftJustify, QStringLiteral("late"));
        filter.EndPage();
    }
    EXPECT_EQ(filter.ColumnCount(), 3);
    const std::vector<TQRTableExportFilter::Row> table = filter.Table();
    ASSERT_EQ(table.size(), size_t(kPages * kLines));
    EXPECT_EQ(table.front().count(0), 0u);
    EXPECT_EQ(table.front().at(1).Text, QStringLiteral("p1 l1"));
    EXPECT_TRUE(table.front().at(2).Bold);
    EXPECT_FALSE(table[1].at(2).Bold);
    EXPECT_EQ(table[kLines + 4].at(2).Text, QStringLiteral("205"));
    EXPECT_EQ(table[size_t((kPages - 1) * kLines)].at(0).Text, QStringLiteral("late"));
    EXPECT_EQ(table.back().at(1).Text, QStringLiteral("p40 l30"));
    // Reading the waiting rows twice gives the same rows.
    EXPECT_EQ(filter.Table().size(), table.size());
    EXPECT_EQ(QDir(spillDir.path()).entryList(QDir::Files).size(), 1);

    filter.Finish();
    const QJsonArray rows = parseCsv(name);
    ASSERT_EQ(rows.size(), kPages * kLines);
    EXPECT_EQ(rows[0].toArray().toVariantList(), (QVariantList{"", "p1 l1", "101"}));
    EXPECT_EQ(rows[kPages * kLines - 1].toArray().toVariantList(), (QVariantList{"", "p40 l30", "4030"}));
    EXPECT_EQ(rows[(kPages - 1) * kLines].toArray().toVariantList(),
              (QVariantList{"late", "p40 l1", "4001"}));
    EXPECT_TRUE(QDir(spillDir.path()).entryList(QDir::Files).isEmpty());
}

// Numbers arrive as the report printed them: a CSV field keeps the printed decimals, and an XLSX
// cell keeps its number and carries the element's display format (an expression's mask, a
// field's display format, or what a plain label's text shows) as its number format.
TEST(TableExport, NumbersKeepTheFormatsTheReportPrinted)
{
    DataFixture f;
    TQuery *q = f.query(QStringLiteral("sums"), "Name,Amount\nA,814.1\nB,1052.04\nC,-3.5\n",
                        QStringLiteral("select Name, Amount from sums"));
    q->Open();
    auto *amount = qobject_cast<TNumericField *>(q->FindField(QStringLiteral("Amount")));
    ASSERT_NE(amount, nullptr);
    amount->SetDisplayFormat(QStringLiteral("0.000"));
    f.report->SetDataSet(q);
    TQRBand *detail = f.addBand(QR::rbDetail, 100);
    auto *expr = f.element<TQRExpr>(detail, 0, 0, 400, 40);
    expr->SetExpression(QStringLiteral("Amount"));
    expr->SetMask(QStringLiteral("#,##0.00"));
    auto *text = f.element<TQRDBText>(detail, 500, 0, 400, 40);
    text->SetDataSet(q);
    text->SetDataField(QStringLiteral("Amount"));
    f.label(detail, QStringLiteral("814.10"), 1000);
    auto *science = f.element<TQRExpr>(detail, 1500, 0, 400, 40);
    science->SetExpression(QStringLiteral("Amount * 1000"));
    science->SetMask(QStringLiteral("0.0E+00"));

    const QString csv = f.dir.filePath(QStringLiteral("sums.csv"));
    TQRCSVExportFilter csvFilter(csv);
    f.report->ExportToFilter(&csvFilter);
    const QJsonArray rows = parseCsv(csv);
    ASSERT_EQ(rows.size(), 3) << QJsonDocument(rows).toJson().toStdString();
    EXPECT_EQ(rows[0].toArray().toVariantList(), (QVariantList{"814.10", "814.100", "814.10", "810000"}));
    EXPECT_EQ(rows[1].toArray().toVariantList(), (QVariantList{"1052.04", "1052.040", "814.10", "1100000"}));
    EXPECT_EQ(rows[2].toArray().toVariantList(), (QVariantList{"-3.50", "-3.500", "814.10", "-3500"}));

    const QString xlsx = f.dir.filePath(QStringLiteral("sums.xlsx"));
    TQRXLSXExportFilter xlsxFilter(xlsx);
    f.report->ExportToFilter(&xlsxFilter);
    // Each cell's value and the format code of its style, read from the workbook's XML.
    static const QByteArray script = R"(
import json, sys, zipfile
import xml.etree.ElementTree as ET
ns = {'m': 'http://schemas.openxmlformats.org/spreadsheetml/2006/main'}
z = zipfile.ZipFile(sys.argv[1])
styles = ET.fromstring(z.read('xl/styles.xml'))
codes = {int(n.get('numFmtId')): n.get('formatCode') for n in styles.iter('{%s}numFmt' % ns['m'])}
xfs = styles.find('m:cellXfs', ns).findall('m:xf', ns)
out = {}
for c in ET.fromstring(z.read('xl/worksheets/sheet1.xml')).iter('{%s}c' % ns['m']):
    xf = xfs[int(c.get('s', 0))]
    out[c.get('r')] = [c.get('t', 'n'), c.find('m:v', ns).text, codes.get(int(xf.get('numFmtId', 0)), 'General')]
print(json.dumps(out))
)";
    const QJsonObject cells = QJsonDocument::fromJson(runPython(script, {xlsx}).toUtf8()).object();
    auto cell = [&](const char *ref) { return cells.value(QLatin1String(ref)).toArray().toVariantList(); };
    EXPECT_EQ(cell("A1"), (QVariantList{"n", "814.1", "#,##0.00"}));
    EXPECT_EQ(cell("A2"), (QVariantList{"n", "1052.04", "#,##0.00"}));
    EXPECT_EQ(cell("B3"), (QVariantList{"n", "-3.5", "0.000"}));
    EXPECT_EQ(cell("C1"), (QVariantList{"n", "814.1", "0.00"}));
    EXPECT_EQ(cell("D2"), (QVariantList{"n", "1100000", "0.0E+00"}));

    // Masks become spreadsheet format codes: the thousands separator between integer
    // placeholders, literals quoted, an empty negative section signed like the first.
    EXPECT_EQ(QRSpreadsheetNumberFormat(QStringLiteral("0.00,")), QStringLiteral("#,##0.00"));
    EXPECT_EQ(QRSpreadsheetNumberFormat(QStringLiteral("00000,")), QStringLiteral("00,000"));
    EXPECT_EQ(QRSpreadsheetNumberFormat(QString::fromUtf8("0.00 'руб'")), QString::fromUtf8("0.00\" руб\""));
    EXPECT_EQ(QRSpreadsheetNumberFormat(QStringLiteral("0%")), QStringLiteral("0\"%\""));
    EXPECT_EQ(QRSpreadsheetNumberFormat(QStringLiteral("0.0;;'nil'")),
              QStringLiteral("0.0;\"-\"0.0;\"nil\""));
    EXPECT_EQ(QRSpreadsheetNumberFormat(QStringLiteral("#.##;(#.##)")),
              QStringLiteral("#.##;\"(\"#.##\")\""));
    EXPECT_EQ(QRSpreadsheetNumberFormat(QStringLiteral("0E+")), QStringLiteral("0E+0"));
    EXPECT_EQ(QRSpreadsheetNumberFormat(QString()), QString());
    EXPECT_EQ(QRSpreadsheetNumberFormat(QStringLiteral(";0")), QString());
}
