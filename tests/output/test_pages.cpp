#include "outputtest.h"

#include "filelimit.h"
#include "output/pagefilters.h"
#include "output/rtffilter.h"
#include "output/pages/qrerror.h"
#include "output/tablefilter.h"
#include "output/textfilter.h"
#include "output/wmffilter.h"
#include "output/wmfwriter.h"

#include <QPainter>
#include <QtEndian>

#include <QDir>
#include <QMap>
#include <QRegularExpression>
#include <functional>
#include <limits>

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
    // A metafile that cannot be written is an error too.
    TQRWMFExportFilter wmf(QStringLiteral("/nonexistent-folder/m.wmf"));
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

namespace
{
// The SVG wmf2svg makes of a placeable metafile.
QString wmfAsSvg(const QString &wmf)
{
    const QString svg = wmf + QStringLiteral(".svg");
    runProgram(QStringLiteral("wmf2svg"), {QStringLiteral("-o"), svg, wmf});
    return QString::fromUtf8(testutil::readFile(svg));
}
} // namespace

TEST(PageExport, PlaceableMetafilesOnePerPage)
{
    ThreePages f;
    const int pages = f.report->QRPrinter()->PageCount();
    ASSERT_GE(pages, 3);
    TQRWMFFilter::SetEnhanced(false);
    TQRWMFExportFilter wmf(f.dir.filePath(QStringLiteral("meta.wmf")));
    f.exportTo(wmf);
    QStringList expected;
    for (int n = 1; n <= pages; ++n)
        expected << QStringLiteral("meta%1.wmf").arg(n, 3, 10, QLatin1Char('0'));
    EXPECT_EQ(QDir(f.dir.path()).entryList(QDir::Files, QDir::Name), expected);
    // The placeable header: its key, and its checksum over the ten words before it.
    const QByteArray bytes = testutil::readFile(f.dir.filePath(expected.first()));
    ASSERT_GT(bytes.size(), 40);
    EXPECT_EQ(qFromLittleEndian<quint32>(bytes.constData()), 0x9AC6CDD7u);
    quint16 sum = 0;
    for (int i = 0; i < 10; ++i)
        sum ^= qFromLittleEndian<quint16>(bytes.constData() + 2 * i);
    EXPECT_EQ(sum, qFromLittleEndian<quint16>(bytes.constData() + 20));
    // The file size in the metafile header is the real one.
    EXPECT_EQ(qFromLittleEndian<quint32>(bytes.constData() + 22 + 6) * 2, quint32(bytes.size() - 22));

    // wmf2svg reads them back: texts as texts, the title's frame lines as shapes.
    const QString first = wmfAsSvg(f.dir.filePath(expected.first()));
    EXPECT_EQ(first.count(QStringLiteral("Figures title")), 1) << first.left(3000).toStdString();
    EXPECT_EQ(first.count(QStringLiteral("Detail line")), 2);
    EXPECT_GE(first.count(QRegularExpression(QStringLiteral("<(path|polyline|line|polygon)\\b"))), 2)
        << first.left(3000).toStdString();
    EXPECT_EQ(wmfAsSvg(f.dir.filePath(expected.last())).count(QStringLiteral("Detail line")), 1);
}

TEST(PageExport, PlaceableMetafileTextStyleRotationAndPictures)
{
    // One page drawn straight onto the writer: a bold red text, a rotated one, a filled
    // rectangle and a picture, and characters of the ANSI code page beyond ASCII.
    auto draw = [](TQRMetafileDevice &device) {
        QPainter p(&device);
        QFont bold(QStringLiteral("Liberation Sans"), 14);
        bold.setBold(true);
        p.setFont(bold);
        p.setPen(QColor(255, 0, 0));
        p.drawText(QPointF(100, 100), QStringLiteral("Bold red"));
        p.setFont(QFont(QStringLiteral("Liberation Serif"), 12));
        p.setPen(Qt::black);
        p.drawText(QPointF(100, 200), QString::fromUtf8("Caf\u00e9 \u20ac5"));
        p.save();
        p.translate(300, 600);
        p.rotate(-90);
        p.drawText(QPointF(0, 0), QStringLiteral("Upwards"));
        p.restore();
        p.setBrush(QColor(0, 0, 255));
        p.drawRect(QRect(400, 400, 100, 50));
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(QColor(0, 255, 0));
        p.drawImage(QRect(500, 500, 64, 64), image);
    };
    TQRMetafileDevice device(TQRMetafileDevice::Wmf, QSize(794, 1123), 96);
    draw(device);
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("page.wmf"));
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(device.Data());
    file.close();
    const QString svg = wmfAsSvg(name);
    EXPECT_TRUE(svg.contains(QStringLiteral("Bold red"))) << svg.left(4000).toStdString();
    EXPECT_TRUE(svg.contains(QStringLiteral("Upwards")));
    // wmf2svg copies the code page's bytes as they are: e-acute and the euro sign of 1252.
    EXPECT_TRUE(testutil::readFile(name + QStringLiteral(".svg"))
                    .contains("Caf\xe9 \x80"
                              "5"));
    // Bold, the text colour and the rotation arrive (wmf2svg names the pure colours).
    const QRegularExpression boldRed(QStringLiteral("font-weight:bold;[^>]*fill:red[^>]*>\\s*Bold red"));
    EXPECT_TRUE(svg.contains(boldRed)) << svg.left(4000).toStdString();
    const QRegularExpression upwards(
        QStringLiteral("matrix\\(0\\.0+ -1\\.0+ 1\\.0+ 0\\.0+ [^)]*\\)\"\\s*>Upwards"));
    EXPECT_TRUE(svg.contains(upwards));
    // The blue rectangle is filled; the picture is an image.
    EXPECT_TRUE(svg.contains(QRegularExpression(QStringLiteral("<polygon[^>]*fill:blue"))));
    EXPECT_TRUE(svg.contains(QStringLiteral("<image")));

    // The Enhanced Metafile writer shares the drawing: emf2svg finds the same texts and the picture.
    TQRMetafileDevice emf(TQRMetafileDevice::Emf, QSize(794, 1123), 96);
    draw(emf);
    const QString emfName = dir.filePath(QStringLiteral("page.emf"));
    QFile emfFile(emfName);
    ASSERT_TRUE(emfFile.open(QIODevice::WriteOnly));
    emfFile.write(emf.Data());
    emfFile.close();
    runProgram(QStringLiteral("emf2svg-conv"),
               {QStringLiteral("-i"), emfName, QStringLiteral("-o"), emfName + ".svg"});
    const QString emfSvg = QString::fromUtf8(testutil::readFile(emfName + QStringLiteral(".svg")));
    EXPECT_TRUE(emfSvg.contains(QStringLiteral("Bold red"))) << emfSvg.left(3000).toStdString();
    EXPECT_TRUE(emfSvg.contains(QStringLiteral("Upwards")));
    EXPECT_TRUE(emfSvg.contains(QStringLiteral("<image"))) << emfSvg.right(3000).toStdString();
}

TEST(PageExport, AnsiTextOfPlaceableMetafiles)
{
    EXPECT_EQ(TQRWmfEngine::AnsiText(QStringLiteral("abc")), QByteArray("abc"));
    EXPECT_EQ(TQRWmfEngine::AnsiText(QString::fromUtf8("\u00e9\u20ac\u2014")), QByteArray("\xe9\x80\x97"));
    // Outside the code page: a question mark, never a wrong character.
    EXPECT_EQ(TQRWmfEngine::AnsiText(QString::fromUtf8("\u0416\u0081")), QByteArray("??"));
}

// Pages of one run may change paper: each PDF page keeps its own size.
TEST(PageExport, PdfPagesKeepTheirOwnPaper)
{
    QTemporaryDir dir;
    TQRPrinter printer;
    printer.SetPaperSize(QRPaper::A4);
    printer.OpenDocument();
    const QRPaper::TPrinterOrientation turns[] = {QRPaper::poPortrait, QRPaper::poPortrait,
                                                  QRPaper::poLandscape, QRPaper::poPortrait};
    for (const auto orientation : turns) {
        printer.SetOrientation(orientation);
        printer.NewPage();
        QRDrawText(printer.Canvas(), QPointF(printer.XPos(100), printer.YPos(100)),
                   QStringLiteral("Page %1").arg(printer.PageCount()));
    }
    printer.CloseDocument();
    ASSERT_EQ(printer.PageCount(), 4);
    const QString name = dir.filePath(QStringLiteral("paper.pdf"));
    TQRPDFExportFilter filter(name);
    filter.SetPreviewPrinter(&printer);
    filter.Start(printer.PageWidth(), printer.PageHeight(), nullptr);
    filter.Finish();
    const QString info =
        runProgram(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"),
                                               QStringLiteral("-l"), QStringLiteral("4"), name});
    const QString portrait = QStringLiteral("59[45](\\.\\d+)? x 84[12](\\.\\d+)? pts");
    const QString landscape = QStringLiteral("84[12](\\.\\d+)? x 59[45](\\.\\d+)? pts");
    for (int page = 1; page <= 4; ++page)
        EXPECT_TRUE(info.contains(QRegularExpression(
            QStringLiteral("Page +%1 size:\\s+%2").arg(page).arg(page == 3 ? landscape : portrait))))
            << page << ": " << info.toStdString();
    const QString text = runProgram(QStringLiteral("pdftotext"), {name, QStringLiteral("-")});
    EXPECT_EQ(text.split(QLatin1Char('\f'), Qt::SkipEmptyParts).size(), 4) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Page 4")));
}

// A full disk or a file-size limit during an export: the export fails with an
// error and the files of the previous export stay as they were, none cut off.
TEST(PageExport, ExportsThatCannotBeCompletedKeepTheOldFiles)
{
    ThreePages f;
    using Make = std::function<std::unique_ptr<TQRExportFilter>(const QString &)>;
    const QList<QPair<QString, Make>> kinds = {
        {QStringLiteral("out.pdf"), [](const QString &n) { return std::make_unique<TQRPDFExportFilter>(n); }},
        {QStringLiteral("out.png"), [](const QString &n) { return std::make_unique<TQRPNGExportFilter>(n); }},
        {QStringLiteral("out.svg"), [](const QString &n) { return std::make_unique<TQRSVGExportFilter>(n); }},
        {QStringLiteral("out.wmf"), [](const QString &n) { return std::make_unique<TQRWMFExportFilter>(n); }},
        {QStringLiteral("out.csv"), [](const QString &n) { return std::make_unique<TQRCSVExportFilter>(n); }},
        {QStringLiteral("out.txt"),
         [](const QString &n) { return std::make_unique<TQRAsciiExportFilter>(n); }},
        {QStringLiteral("out.rtf"), [](const QString &n) { return std::make_unique<TQRRTFExportFilter>(n); }},
    };
    auto snapshot = [&f] {
        QMap<QString, QByteArray> files;
        for (const QString &name : QDir(f.dir.path()).entryList(QDir::Files))
            files.insert(name, testutil::readFile(f.dir.filePath(name)));
        return files;
    };
    for (const auto &kind : kinds) {
        const QString &name = kind.first;
        const Make &make = kind.second; // a plain reference: lambdas below capture it
        SCOPED_TRACE(name.toStdString());
        for (const QString &old : QDir(f.dir.path()).entryList(QDir::Files))
            QFile::remove(f.dir.filePath(old));
        const QString file = f.dir.filePath(name);
        f.exportTo(*make(file));
        const QMap<QString, QByteArray> before = snapshot();
        ASSERT_FALSE(before.isEmpty());
        qint64 smallest = std::numeric_limits<qint64>::max();
        for (const QByteArray &bytes : before)
            smallest = std::min<qint64>(smallest, bytes.size());
        ASSERT_GT(smallest, 8);
        const int result = testutil::runWithFileSizeLimit(smallest / 2, [&] {
            try {
                f.exportTo(*make(file));
            } catch (const EQRError &) {
                return 0;
            }
            return 1; // reported as done
        });
        EXPECT_EQ(result, 0);
        EXPECT_EQ(snapshot(), before);
    }

    // The page file of the same pages.
    const QString pages = f.dir.filePath(QStringLiteral("pages.qrp"));
    ASSERT_TRUE(f.report->QRPrinter()->Save(pages));
    const QByteArray stored = testutil::readFile(pages);
    EXPECT_EQ(testutil::runWithFileSizeLimit(stored.size() / 2,
                                             [&] { return f.report->QRPrinter()->Save(pages) ? 1 : 0; }),
              0);
    EXPECT_EQ(testutil::readFile(pages), stored);
}
