#include "outputtest.h"

#include "common/graphics.h"
#include "common/rtfreader.h"
#include "output/pages/qrerror.h"
#include "output/rtffilter.h"

#include <QRegularExpression>
#include <QSet>

namespace
{

QStringList fileLines(const QString &name)
{
    return QString::fromLatin1(testutil::readFile(name)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Braces balance once escaped ones are skipped.
bool bracesBalance(const QByteArray &rtf)
{
    int depth = 0;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        if (rtf[i] == '\\') {
            ++i;
            continue;
        }
        depth += rtf[i] == '{' ? 1 : rtf[i] == '}' ? -1 : 0;
        if (depth < 0)
            return false;
    }
    return depth == 0;
}

} // namespace

TEST(RtfExport, TwoPagesWithoutReport)
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("out.rtf"));
    TQRRTFExportFilter filter(name);
    EXPECT_EQ(filter.Description(), QStringLiteral("RTF Export filter"));
    EXPECT_EQ(filter.FilterName(), QStringLiteral("RTF File"));
    EXPECT_EQ(filter.FileExtension(), QStringLiteral("RTF"));

    TFont plain;
    plain.SetName(QStringLiteral("Liberation Sans"));
    plain.SetColor(clBlack);
    TFont red;
    red.Assign(&plain);
    red.SetColor(clRed);
    red.SetStyle(TFont::fsBold);
    filter.Start(2100, 2970, &plain);
    filter.NewPage();
    // Written right to left: items of a row are ordered by X.
    filter.WriteTextItem(1000, 500, &red, clWhite, QR::taRightJustify, QStringLiteral("second"));
    filter.WriteTextItem(500, 500, &plain, clWhite, QR::taLeftJustify, QStringLiteral("first"));
    filter.EndPage();
    filter.NewPage();
    filter.WriteTextItem(300, 300, &plain, clWhite, QR::taCenter, QStringLiteral("page two"));
    filter.EndPage();
    filter.Finish();
    EXPECT_FALSE(filter.Active());

    int f = -1;
    for (int i = 0; i < filter.Fonts().size(); ++i)
        if (filter.Fonts()[i].Name == QStringLiteral("Liberation Sans"))
            f = i;
    ASSERT_GE(f, 0) << "Liberation Sans is installed with the build dependencies";
    EXPECT_EQ(filter.Fonts()[f].Kind, QStringLiteral("\\fswiss"));

    const QStringList lines = fileLines(name);
    ASSERT_EQ(lines.size(), 9);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral(
        "{\\rtf1\\ansi\\deff0\\deftab720\\margl720\\margr720\\margt720\\margb720{\\fonttbl{\\f0")));
    EXPECT_TRUE(lines[0].contains(QStringLiteral("{\\f%1\\fswiss Liberation Sans;}").arg(f)));
    EXPECT_FALSE(lines[0].contains(QStringLiteral("\\paperh")));
    EXPECT_EQ(lines[1],
              QStringLiteral(
                  "{\\colortbl\\red0\\green0\\blue0;\\red128\\green0\\blue0;\\red0\\green128\\blue0;"
                  "\\red128\\green128\\blue0;\\red0\\green0\\blue128;\\red128\\green0\\blue128;"
                  "\\red0\\green128\\blue128;\\red128\\green128\\blue128;\\red192\\green192\\blue192;"
                  "\\red255\\green0\\blue0;\\red0\\green255\\blue0;\\red255\\green255\\blue0;"
                  "\\red0\\green0\\blue255;\\red255\\green0\\blue255;\\red0\\green255\\blue255;"
                  "\\red192\\green192\\blue192;\\red128\\green128\\blue128;\\red255\\green255\\blue255;}"));
    EXPECT_EQ(lines[2], QStringLiteral("\\deflang1033"));
    EXPECT_EQ(lines[3], QStringLiteral("\\pard\\plain\\sb2065\\tql\\tx2135\\tqr\\tx4969"));
    EXPECT_EQ(lines[4],
              QStringLiteral(
                  "{\\plain\\tab\\plain\\f%1\\fs20 first\\tab\\plain\\f%1\\fs20\\b\\cf9  second{\\fs1\\par}}")
                  .arg(f));
    EXPECT_EQ(lines[5], QStringLiteral("{\\page }"));
    EXPECT_EQ(lines[6], QStringLiteral("\\pard\\plain\\sb931\\tqc\\tx1001"));
    EXPECT_TRUE(lines[7].startsWith(QStringLiteral("{\\plain\\tab\\plain")));
    EXPECT_EQ(lines[8], QStringLiteral("\\par }"));

    const QString text = rtfText(name);
    EXPECT_TRUE(text.contains(QStringLiteral("first")));
    EXPECT_TRUE(text.contains(QStringLiteral("second")));
    EXPECT_TRUE(text.contains(QStringLiteral("page two")));
    EXPECT_LT(text.indexOf(QStringLiteral("second")), text.indexOf(QStringLiteral("page two")));
}

TEST(RtfExport, SpecialCharactersAreEscaped)
{
    EXPECT_EQ(TQRRTFExportFilter::Escape(QStringLiteral("a\\b{c}")), QStringLiteral("a\\\\b\\{c\\}"));
    EXPECT_EQ(TQRRTFExportFilter::Escape(QStringLiteral("ü")), QStringLiteral("\\u252\\'fc"));
    EXPECT_EQ(TQRRTFExportFilter::Escape(QStringLiteral("€")), QStringLiteral("\\u8364\\'80"));
    EXPECT_EQ(TQRRTFExportFilter::Escape(QStringLiteral("Ω")), QStringLiteral("\\u937?"));
    // Characters above U+7FFF are negative 16-bit numbers; surrogate pairs are two of them.
    EXPECT_EQ(TQRRTFExportFilter::Escape(QString::fromUtf8("\uFFFD")), QStringLiteral("\\u-3?"));
    EXPECT_EQ(TQRRTFExportFilter::Escape(QString::fromUtf8("😀")), QStringLiteral("\\u-10179?\\u-8704?"));
    EXPECT_EQ(TQRRTFExportFilter::Escape(QStringLiteral("a\tb\nc")), QStringLiteral("a b c"));

    // Read back by an independent reader, the texts are whole and the file intact.
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("special.rtf"));
    TQRRTFExportFilter filter(name);
    TFont font;
    filter.Start(2100, 2970, &font);
    filter.NewPage();
    const QString tricky = QStringLiteral("C:\\temp {braces} Grüße € Ωμέγα");
    filter.WriteTextItem(200, 400, &font, clWhite, QR::taLeftJustify, tricky);
    filter.WriteTextItem(200, 800, &font, clWhite, QR::taLeftJustify, QStringLiteral("}{\\par after"));
    filter.EndPage();
    filter.Finish();
    const QByteArray rtf = testutil::readFile(name);
    EXPECT_TRUE(bracesBalance(rtf));
    const QString text = rtfText(name);
    EXPECT_TRUE(text.contains(tricky)) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("}{\\par after"))) << text.toStdString();
}

TEST(RtfExport, ReportRunWithPagesAndMargins)
{
    GenFixture f;
    f.report->Page()->SetOrientation(QRPaper::poLandscape);
    TQRBand *detail = f.addBand(QR::rbDetail, 100);
    TQRLabel *label = f.label(detail, QStringLiteral("Line"));
    label->Font()->SetStyle(TFont::fsItalic);
    f.records(40); // landscape A4 holds fewer than 20 of these rows
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("report.rtf"));
    TQRRTFExportFilter filter(name);
    f.report->ExportToFilter(&filter);
    const QStringList lines = fileLines(name);
    ASSERT_GT(lines.size(), 3);
    // 297 × 210 mm landscape, 10 mm margins, in twips.
    EXPECT_TRUE(lines[0].contains(QStringLiteral("\\paperh11906\\paperw16838\\psz")));
    EXPECT_TRUE(
        lines[0].contains(QStringLiteral("\\margl567\\margr567\\margt567\\margb567\\landscape{\\fonttbl")));
    EXPECT_EQ(lines.count(QStringLiteral("{\\page }")), 2);
    EXPECT_EQ(lines.filter(QRegularExpression(QStringLiteral("^\\{\\\\plain.*\\\\i Line\\{"))).size(), 40);
    EXPECT_TRUE(bracesBalance(testutil::readFile(name)));
    EXPECT_EQ(rtfText(name).count(QStringLiteral("Line")), 40);
}

TEST(RtfExport, OwnReaderShowsTheSameTextsInTheSameOrder)
{
    GenFixture f;
    TQRBand *title = f.addBand(QR::rbTitle, 100);
    f.label(title, QStringLiteral("Счёт-фактура {1} \\ net"));
    TQRBand *detail = f.addBand(QR::rbDetail, 60);
    auto *number = f.element<TQRExpr>(detail, 0, 0, 600, 40);
    number->SetExpression(QStringLiteral("'Row ' + STR(COUNTER)"));
    f.records(30);
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("report.rtf"));
    TQRRTFExportFilter filter(name);
    f.report->ExportToFilter(&filter);

    QTextDocument document;
    ASSERT_TRUE(ReadRtf(testutil::readFile(name), &document));
    const QString text = document.toPlainText();
    QStringList expected{QStringLiteral("Счёт-фактура {1} \\ net")};
    for (int i = 1; i <= 30; ++i)
        expected << QStringLiteral("Row %1").arg(i);
    qsizetype at = 0;
    for (const QString &piece : expected) {
        const qsizetype found = text.indexOf(piece, at);
        ASSERT_GE(found, 0) << piece.toStdString();
        at = found + piece.size();
    }
}

TEST(RtfExport, RowsOutsideThePageAndUnwritableFile)
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("rows.rtf"));
    TQRRTFExportFilter filter(name);
    TFont font;
    filter.Start(2100, 1000, &font);
    filter.NewPage();
    filter.WriteTextItem(100, -50, &font, clWhite, QR::taLeftJustify, QStringLiteral("above"));
    filter.WriteTextItem(100, 990, &font, clWhite, QR::taLeftJustify, QStringLiteral("inside"));
    filter.WriteTextItem(100, 1200, &font, clWhite, QR::taLeftJustify, QStringLiteral("below"));
    filter.EndPage();
    filter.Finish();
    const QString text = rtfText(name);
    EXPECT_TRUE(text.contains(QStringLiteral("inside")));
    EXPECT_FALSE(text.contains(QStringLiteral("above")));
    EXPECT_FALSE(text.contains(QStringLiteral("below")));

    TQRRTFExportFilter bad(QStringLiteral("/nonexistent-folder/x.rtf"));
    EXPECT_THROW(bad.Start(2100, 2970, &font), EQRError);
    EXPECT_FALSE(bad.Active());
}

// The font table names families a word processor knows, each once, and every text carries the
// number of the family it printed in: an installed one by its name, a missing one by the family
// the font system printed it with.
TEST(RtfExport, FontTableNamesFamiliesAndEveryTextItsOwn)
{
    GenFixture f;
    TQRBand *detail = f.addBand(QR::rbDetail, 100);
    const QStringList families{QStringLiteral("Nimbus Sans"), QStringLiteral("C059"),
                               QStringLiteral("Liberation Serif"), QStringLiteral("Arial")};
    for (int i = 0; i < families.size(); ++i)
        f.label(detail, QStringLiteral("text%1").arg(i), 10 + 450 * i)->Font()->SetName(families[i]);
    f.records(1);
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("fonts.rtf"));
    TQRRTFExportFilter filter(name);
    f.report->ExportToFilter(&filter);

    QSet<QString> seen;
    for (const TQRRTFExportFilter::FontEntry &font : filter.Fonts()) {
        EXPECT_FALSE(font.Name.contains(QLatin1Char('['))) << font.Name.toStdString();
        EXPECT_FALSE(seen.contains(font.Name.toLower())) << font.Name.toStdString();
        seen.insert(font.Name.toLower());
    }
    EXPECT_EQ(TQRRTFExportFilter::FamilyName(QStringLiteral("Nimbus Sans [urw]")),
              QStringLiteral("Nimbus Sans"));

    // unrtf shows each text in its family.
    const QString html = runProgram(QStringLiteral("unrtf"), {QStringLiteral("--html"), name});
    const QStringList expected{QStringLiteral("Nimbus Sans"), QStringLiteral("C059"),
                               QStringLiteral("Liberation Serif"), QStringLiteral("Liberation Sans")};
    for (int i = 0; i < expected.size(); ++i) {
        const QRegularExpression face(QStringLiteral("<font face=\"([^\"]*)\">(<[^>]*>)*text%1").arg(i));
        EXPECT_EQ(face.match(html).captured(1), expected[i]) << html.toStdString();
    }
}
