#include "outputtest.h"

#include "output/pagefilters.h"
#include "output/pages/qrerror.h"
#include "output/wmffilter.h"

#include <QDir>
#include <QRegularExpression>

namespace
{

// A three-page report, prepared as the preview does before a Save.
struct ThreePages : GenFixture {
    QTemporaryDir dir;
    ThreePages()
    {
        report->SetReportTitle(QStringLiteral("Quarterly figures"));
        TQRLabel *title = label(addBand(QR::rbTitle, 100), QStringLiteral("Figures title"));
        title->Frame()->SetDrawTop(true);
        title->Frame()->SetDrawBottom(true);
        TQRBand *detail = addBand(QR::rbDetail, 1000);
        label(detail, QStringLiteral("Detail line"));
        records(7); // two 1000-unit rows fit on a page after the title
        report->PreparePages();
    }
    void exportTo(TQRExportFilter &filter)
    {
        record = 0;
        report->ExportToFilter(&filter);
    }
};

} // namespace

TEST(PageExport, PdfIsSearchableText)
{
    ThreePages f;
    const int pages = f.report->QRPrinter()->PageCount();
    ASSERT_GE(pages, 3);
    const QString name = f.dir.filePath(QStringLiteral("out.pdf"));
    TQRPDFExportFilter filter(name);
    EXPECT_EQ(filter.FilterName(), QStringLiteral("PDF File"));
    f.exportTo(filter);
    const QString info = runProgram(QStringLiteral("pdfinfo"), {name});
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+%1\\n").arg(pages))))
        << info.toStdString();
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Title:\\s+Quarterly figures"))))
        << info.toStdString();
    // A4 is 595 × 842 points.
    EXPECT_TRUE(info.contains(
        QRegularExpression(QStringLiteral("Page size:\\s+59[45](\\.\\d+)? x 84[12](\\.\\d+)? pts"))))
        << info.toStdString();
    const QString text = runProgram(QStringLiteral("pdftotext"), {name, QStringLiteral("-")});
    EXPECT_EQ(text.count(QStringLiteral("Figures title")), 1);
    EXPECT_EQ(text.count(QStringLiteral("Detail line")), 7);
    const QString fonts = runProgram(QStringLiteral("pdffonts"), {name});
    EXPECT_TRUE(fonts.contains(QStringLiteral(" yes "))) << "fonts are embedded: " << fonts.toStdString();
}

TEST(PageExport, PngAndSvgOneFilePerPage)
{
    ThreePages f;
    const int pages = f.report->QRPrinter()->PageCount();
    TQRPNGExportFilter png(f.dir.filePath(QStringLiteral("page.png")));
    f.exportTo(png);
    TQRSVGExportFilter svg(f.dir.filePath(QStringLiteral("page.svg")));
    f.exportTo(svg);
    QStringList expected;
    for (int n = 1; n <= pages; ++n)
        expected << QStringLiteral("page%1.png").arg(n, 3, 10, QLatin1Char('0'))
                 << QStringLiteral("page%1.svg").arg(n, 3, 10, QLatin1Char('0'));
    expected.sort();
    EXPECT_EQ(QDir(f.dir.path()).entryList(QDir::Files, QDir::Name), expected);

    // Read by python: the PNG header's size (A4 at 150 dpi) and the SVG's text elements.
    const QString result = runPython(
        R"(
import struct, sys, xml.etree.ElementTree as ET
w, h = struct.unpack('>II', open(sys.argv[1], 'rb').read()[16:24])
texts = [''.join(t.itertext()).strip() for t in ET.parse(sys.argv[2]).iter() if t.tag.endswith('}text')]
print(w, h, '|'.join(t for t in texts if t))
)",
        {f.dir.filePath(QStringLiteral("page001.png")), f.dir.filePath(QStringLiteral("page001.svg"))});
    const QStringList parts = result.trimmed().split(QLatin1Char(' '));
    ASSERT_GE(parts.size(), 3) << result.toStdString();
    EXPECT_NEAR(parts[0].toInt(), 1240, 2);
    EXPECT_NEAR(parts[1].toInt(), 1754, 2);
    EXPECT_TRUE(result.contains(QStringLiteral("Figures title"))) << result.toStdString();
    EXPECT_TRUE(result.contains(QStringLiteral("Detail line"))) << result.toStdString();
}

TEST(PageExport, FailuresLeaveNoOutput)
{
    // Without recorded pages there is nothing to write, and that is an error, not an empty file.
    GenFixture f;
    f.label(f.addBand(QR::rbTitle, 100), QStringLiteral("T"));
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("none.pdf"));
    TQRPDFExportFilter pdf(name);
    EXPECT_THROW(f.report->ExportToFilter(&pdf), EQRError);
    EXPECT_FALSE(QFile::exists(name));

    ThreePages three;
    TQRPDFExportFilter bad(QStringLiteral("/nonexistent-folder/x.pdf"));
    EXPECT_THROW(three.exportTo(bad), EQRError);
    TQRPNGExportFilter badPng(QStringLiteral("/nonexistent-folder/x.png"));
    EXPECT_THROW(three.exportTo(badPng), EQRError);
    // The metafile export says it cannot write rather than writing nothing silently.
    TQRWMFExportFilter wmf(three.dir.filePath(QStringLiteral("m.wmf")));
    EXPECT_THROW(three.exportTo(wmf), EQRError);
    EXPECT_TRUE(QDir(three.dir.path()).entryList(QDir::Files).isEmpty());
}

TEST(PageExport, EnhancedMetafilesOnePerPage)
{
    ThreePages f;
    const int pages = f.report->QRPrinter()->PageCount();
    TQRWMFFilter::SetEnhanced(true);
    TQRWMFExportFilter wmf(f.dir.filePath(QStringLiteral("meta.wmf")));
    f.exportTo(wmf);
    TQRWMFFilter::SetEnhanced(false);
    QStringList expected;
    for (int n = 1; n <= pages; ++n)
        expected << QStringLiteral("meta%1.emf").arg(n, 3, 10, QLatin1Char('0'));
    EXPECT_EQ(QDir(f.dir.path()).entryList(QDir::Files, QDir::Name), expected);
    // emf2svg reads the files back: the first page has the title and two lines, the last one line.
    const QString first = f.dir.filePath(QStringLiteral("first.svg"));
    runProgram(QStringLiteral("emf2svg-conv"),
               {QStringLiteral("-i"), f.dir.filePath(expected.first()), QStringLiteral("-o"), first});
    const QString svg = QString::fromUtf8(testutil::readFile(first));
    EXPECT_EQ(svg.count(QStringLiteral("Figures title")), 1) << svg.left(3000).toStdString();
    EXPECT_EQ(svg.count(QStringLiteral("Detail line")), 2);
    // The title's frame lines arrive as drawn shapes.
    EXPECT_GE(svg.count(QRegularExpression(QStringLiteral("<(path|polyline|line)\\b"))), 2)
        << svg.left(3000).toStdString();
    const QString last = f.dir.filePath(QStringLiteral("last.svg"));
    runProgram(QStringLiteral("emf2svg-conv"),
               {QStringLiteral("-i"), f.dir.filePath(expected.last()), QStringLiteral("-o"), last});
    EXPECT_EQ(QString::fromUtf8(testutil::readFile(last)).count(QStringLiteral("Detail line")), 1);
}
