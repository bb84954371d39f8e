#include "outputtest.h"

#include "common/graphics.h"
#include "output/pages/qrerror.h"
#include "output/textfilter.h"

namespace
{

// 10 pt report font: one cell is 10 × 254 / 72 native units.
constexpr double Cell = 10 * 254.0 / 72.0;

struct TextFile {
    QTemporaryDir dir;
    QString name = dir.filePath(QStringLiteral("out.txt"));
    TFont font;
    TQRAsciiExportFilter filter{name};
    // X of the anchor column c (0-based grid columns per the 1.7 factor).
    static double columnX(double c) { return c * Cell / 1.7; }
    void start(int paperHeight = 2970) { filter.Start(2100, paperHeight, &font); }
    void write(double column, int row, const QString &text, QR::TAlignment a = QR::taLeftJustify)
    {
        filter.WriteTextItem(columnX(column), row * Cell, &font, clWhite, a, text);
    }
    QStringList lines()
    {
        QString all = QString::fromUtf8(testutil::readFile(name));
        if (all.endsWith(QLatin1Char('\n')))
            all.chop(1);
        return all.split(QLatin1Char('\n'));
    }
};

} // namespace

TEST(TextExport, NamesAndGrid)
{
    TextFile t;
    EXPECT_EQ(t.filter.Description(), QStringLiteral("Text export (ASCII) filter"));
    EXPECT_EQ(t.filter.FilterName(), QStringLiteral("Text file"));
    EXPECT_EQ(t.filter.FileExtension(), QStringLiteral("TXT"));
    EXPECT_FALSE(t.filter.Streaming());

    t.start();
    EXPECT_TRUE(t.filter.Active());
    t.filter.NewPage();
    t.write(0, 0, QStringLiteral("top"));
    // Anchor column 10 pads to 10 characters and places the text at character position 10.
    t.write(10, 2, QStringLiteral("ten"));
    t.filter.EndPage();
    t.filter.Finish();
    EXPECT_FALSE(t.filter.Active());
    EXPECT_EQ(t.lines(), (QStringList{QStringLiteral("top"), QStringLiteral("         ten")}));
}

TEST(TextExport, OverwritingAndAlignment)
{
    TextFile t;
    t.start();
    t.filter.NewPage();
    // Later text on the same row overwrites the characters it covers.
    t.write(1, 0, QStringLiteral("ABCDEFGH"));
    t.write(4, 0, QStringLiteral("xy"));
    // A right-aligned text ends just before left-aligned text at the same anchor begins.
    t.write(20, 1, QStringLiteral("right"), QR::taRightJustify);
    t.write(20, 1, QStringLiteral("left"));
    // Centred text straddles its anchor.
    t.write(20, 2, QStringLiteral("abcd"), QR::taCenter);
    // Writing at a column inside an existing text of a longer line replaces only its own width.
    t.write(1, 3, QStringLiteral("0123456789"));
    t.write(3, 3, QStringLiteral("--"));
    t.filter.EndPage();
    t.filter.Finish();
    const QStringList lines = t.lines();
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], QStringLiteral("ABCxyFGH"));
    EXPECT_EQ(lines[1], QString(14, QLatin1Char(' ')) + QStringLiteral("rightleft"));
    EXPECT_EQ(lines[1].indexOf(QStringLiteral("left")), 19);
    EXPECT_EQ(lines[2], QString(17, QLatin1Char(' ')) + QStringLiteral("abcd"));
    EXPECT_EQ(lines[3], QStringLiteral("01--456789"));
}

TEST(TextExport, RowsOutsideTheBufferAreClipped)
{
    {
        TextFile t;
        // A page of 300 rows is longer than the 201-row buffer.
        t.start(int(300 * Cell));
        t.filter.NewPage();
        t.write(0, -1, QStringLiteral("above"));
        t.write(0, 0, QStringLiteral("first"));
        t.write(0, 200, QStringLiteral("last"));
        t.write(0, 201, QStringLiteral("beyond"));
        t.write(0, 250, QStringLiteral("far"));
        t.filter.EndPage();
        t.filter.Finish();
        EXPECT_EQ(t.lines(), (QStringList{QStringLiteral("first"), QStringLiteral("last")}));
    }
    {
        TextFile t;
        // Rows below the paper's line count are not written.
        t.start(int(10 * Cell));
        t.filter.NewPage();
        t.write(0, 9, QStringLiteral("in"));
        t.write(0, 10, QStringLiteral("out"));
        t.filter.EndPage();
        t.filter.Finish();
        EXPECT_EQ(t.lines(), QStringList{QStringLiteral("in")});
    }
    {
        // Right-aligned text wider than its anchor starts at the left edge.
        TextFile t;
        t.start();
        t.filter.NewPage();
        t.write(0, 0, QStringLiteral("old text"));
        t.write(2, 0, QStringLiteral("wide"), QR::taRightJustify);
        t.filter.EndPage();
        t.filter.Finish();
        EXPECT_EQ(t.lines(), QStringList{QStringLiteral("widetext")});
    }
}

TEST(TextExport, PagesFollowEachOtherAndTextIsUtf8)
{
    TextFile t;
    t.start();
    t.filter.NewPage();
    t.write(0, 5, QStringLiteral("Grüße €"));
    t.filter.EndPage();
    t.filter.NewPage();
    t.write(0, 5, QStringLiteral("page 2"));
    t.filter.EndPage();
    t.filter.Finish();
    EXPECT_EQ(t.lines(), (QStringList{QStringLiteral("Grüße €"), QStringLiteral("page 2")}));
}

TEST(TextExport, FileThatCannotBeCreated)
{
    TFont font;
    TQRAsciiExportFilter filter(QStringLiteral("/nonexistent-folder/out.txt"));
    try {
        filter.Start(2100, 2970, &font);
        FAIL() << "no error";
    } catch (const EQRError &e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("/nonexistent-folder/out.txt")));
    }
    EXPECT_FALSE(filter.Active());
}

TEST(TextExport, ReportRunClosesUpEmptyRows)
{
    GenFixture f;
    f.label(f.addBand(QR::rbTitle, 100), QStringLiteral("First"));
    f.addBand(QR::rbColumnHeader, 300); // an empty band between the two labels
    TQRBand *summary = f.addBand(QR::rbSummary, 100);
    f.label(summary, QStringLiteral("Last"));
    TQRLabel *right = f.label(summary, QStringLiteral("Right"), 1000, 0);
    right->SetAutoSize(false);
    right->SetAlignment(QR::taRightJustify);
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("report.txt"));
    TQRAsciiExportFilter filter(name);
    f.report->ExportToFilter(&filter);
    const QStringList lines =
        QString::fromUtf8(testutil::readFile(name)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << lines.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(lines[0].trimmed(), QStringLiteral("First"));
    EXPECT_TRUE(lines[1].trimmed().startsWith(QStringLiteral("Last")));
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("Right")));
    // The right edge (margin 100 + 1000 + 300 native) is the anchor; the text ends at its column.
    const double anchor = 1400 / Cell * 1.7;
    EXPECT_NEAR(lines[1].length(), anchor - 1, 1.0);
    EXPECT_FALSE(filter.Active());
}
