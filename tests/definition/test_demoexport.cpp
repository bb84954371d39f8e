// Every demo report written by tabulon-run in every format, each file read
// back by a program other than ours (pdftotext, unrtf, wmf2svg, emf2svg-conv,
// Python's csv, zipfile, xml and zlib), and the words the report printed on
// its first page found there.

#include "common/programdir.h"
#include "common/prompt.h"
#include "data/session.h"
#include "deftest.h"
#include "output/pages/qrpagepicture.h"
#include "output/pages/qrprinter.h"
#include "testutil.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>

#if defined(TABULON_DEMO_DIR) && defined(TABULON_DEMO_REPORTS_SOURCE)

namespace
{

const QStringList kDemoReports = {QStringLiteral("customers"), QStringLiteral("orders"),
                                  QStringLiteral("invoice"),   QStringLiteral("parts"),
                                  QStringLiteral("items"),     QStringLiteral("employees"),
                                  QStringLiteral("letter")};
const QStringList kFormats = {"qrp", "txt", "rtf", "wmf", "emf", "pdf", "png", "svg", "xlsx", "csv"};

// Prints the text an independent reader finds in a file of the given format; for PNG,
// the picture's size and how many of its pixels are not white.
const char kReader[] = R"PY(
import csv, re, struct, subprocess, sys, zipfile, zlib
import xml.etree.ElementTree as ET
fmt, path = sys.argv[1], sys.argv[2]
def xml_text(data):
    return "\n".join(t for t in ET.fromstring(data).itertext() if t.strip())
if fmt in ("pdf", "qrp"):
    print(subprocess.run(["pdftotext", path, "-"], check=True, capture_output=True, text=True).stdout)
elif fmt == "txt":
    print(open(path, encoding="utf-8").read())
elif fmt == "rtf":
    raw = open(path, encoding="latin-1").read()
    depth = 0
    for i, c in enumerate(raw):
        if c in "{}" and (i == 0 or raw[i - 1] != "\\"):
            depth += 1 if c == "{" else -1
            assert depth >= 0, "a group closes that was not opened"
    assert raw.startswith("{\\rtf1") and depth == 0, "not one balanced RTF group"
    assert "\\pard\\plain" in raw and "{\\plain" in raw and "{\\fonttbl" in raw and "{\\colortbl" in raw
    print(subprocess.run(["unrtf", "--text", path], check=True, capture_output=True, text=True).stdout)
elif fmt == "wmf":
    out = path + ".svg"
    subprocess.run(["wmf2svg", "-o", out, path], check=True, capture_output=True)
    # wmf2svg leaves the prefix of its picture links undeclared, so the texts are taken as text.
    svg = open(out, encoding="latin-1").read()
    print("\n".join(t.strip() for t in re.findall(r"<text[^>]*>(.*?)</text>", svg, re.S)))
elif fmt == "emf":
    out = path + ".svg"
    subprocess.run(["emf2svg-conv", "-i", path, "-o", out], check=True, capture_output=True)
    print(xml_text(open(out, "rb").read()))
elif fmt == "svg":
    print(xml_text(open(path, "rb").read()))
elif fmt == "csv":
    with open(path, newline="", encoding="utf-8-sig") as f:
        rows = list(csv.reader(f))
    assert rows, "no rows"
    print("\n".join(" ".join(r) for r in rows))
elif fmt == "xlsx":
    with zipfile.ZipFile(path) as z:
        names = z.namelist()
        assert "xl/worksheets/sheet1.xml" in names, names
        texts = [xml_text(z.read("xl/worksheets/sheet1.xml"))]
        if "xl/sharedStrings.xml" in names:
            texts.append(xml_text(z.read("xl/sharedStrings.xml")))
    print("\n".join(texts))
elif fmt == "png":
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    pos, idat, width, height = 8, b"", 0, 0
    while pos < len(data):
        n, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + n]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            assert depth == 8 and colour in (2, 6), (depth, colour)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + n
    pixels = zlib.decompress(idat)
    step = 3 if colour == 2 else 4
    line = width * step + 1
    ink = 0
    for y in range(height):
        row = pixels[y * line + 1:(y + 1) * line]  # filtered bytes: zero only where unchanged
        ink += sum(1 for x in range(0, len(row), step) if row[x] not in (0, 255))
    print(width, height, ink)
)PY";

struct Result {
    int code = -1;
    QString out, err;
};

Result run(const QString &program, const QStringList &args, const QString &home = QString())
{
    QProcess p;
    if (!home.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TABULON_HOME"), home);
        p.setProcessEnvironment(env);
    }
    p.start(program, args);
    p.waitForFinished(300000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

QString pythonRead(const QString &format, const QString &file)
{
    const Result r =
        run(QStringLiteral("python3"), {QStringLiteral("-c"), QString::fromUtf8(kReader), format, file});
    EXPECT_EQ(r.code, 0) << format.toStdString() << " " << file.toStdString() << ": " << r.err.toStdString();
    return r.out;
}

// A stored report has no reader but ours: its first page replayed into a PDF that pdftotext reads.
QString storedPagesAsPdf(const QString &qrp, const QString &pdf)
{
    TQRPrinter pages;
    if (!pages.Load(qrp)) {
        ADD_FAILURE() << qrp.toStdString() << ": " << pages.ErrorString().toStdString();
        return {};
    }
    TQRPagePicture page;
    EXPECT_TRUE(pages.GetPage(1, &page)) << pages.ErrorString().toStdString();
    QPdfWriter writer(pdf);
    QPainter painter(&writer);
    const double scale = double(writer.resolution()) / page.Dpi();
    painter.scale(scale, scale);
    EXPECT_TRUE(ReplayPage(page, &painter));
    painter.end();
    return pdf;
}

// The invoice asks for a customer number: one with several orders.
QString invoiceCustomer()
{
    QString custNo;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("demo-export"));
        db.setDatabaseName(QStringLiteral(TABULON_DEMO_DIR "/demo.sqlite"));
        EXPECT_TRUE(db.open());
        QSqlQuery q(db);
        EXPECT_TRUE(q.exec(QStringLiteral(
            "SELECT CustNo FROM orders GROUP BY CustNo HAVING COUNT(*) > 1 ORDER BY CustNo LIMIT 1")));
        if (q.next())
            custNo = q.value(0).toString();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("demo-export"));
    return custNo;
}

// Words of page 1 as the report printed them, from a run into the recording filter.
QStringList firstPageWords(const QString &report, const QString &custNo)
{
    SetProgramDir(QStringLiteral(TABULON_DEMO_DIR));
    TScriptedPrompt prompt;
    TPromptGuard guard(&prompt);
    if (report == QLatin1String("invoice"))
        prompt.QueueInput(custNo);
    QStringList words;
    {
        auto form = std::make_unique<TForm>();
        auto *designReport = new TQRDesignReport(form.get());
        designReport->SetName(QStringLiteral("Report"));
        designReport->SetShowProgress(false);
        auto *loader = new TQRDLoader(form.get());
        loader->SetQReport(designReport);
        EXPECT_TRUE(
            loader->LoadReportFile(QStringLiteral(TABULON_DEMO_DIR "/") + report + QStringLiteral(".QR2")))
            << loader->LastError().toStdString();
        RecordingFilter filter;
        EXPECT_TRUE(designReport->ExportRun(&filter));
        // Whole words of letters: every reader keeps them, however it splits lines or cells.
        static const QRegularExpression word(QStringLiteral("^[A-Za-z]{4,}$"));
        for (const TextItem &item : filter.items)
            for (const QString &w : item.text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
                if (item.page == 1 && word.match(w).hasMatch() && !words.contains(w))
                    words << w;
    }
    Session().CloseDatabases();
    SetProgramDir(QString());
    return words.mid(0, 4);
}

} // namespace

TEST(DemoExport, EveryDemoReportInEveryFormatIsReadBackWithItsWords)
{
    const QString tool = QCoreApplication::applicationDirPath() + QStringLiteral("/tabulon-run");
    if (!QFileInfo::exists(tool))
        GTEST_SKIP() << "tabulon-run not built";
    for (const char *reader : {"pdftotext", "unrtf", "wmf2svg", "emf2svg-conv", "python3"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(reader)).isEmpty())
            GTEST_SKIP() << reader << " not installed";
    QTemporaryDir dir;
    dir.setAutoRemove(!qEnvironmentVariableIsSet("TABULON_TEST_KEEP"));
    const QString custNo = invoiceCustomer();
    ASSERT_FALSE(custNo.isEmpty());
    for (const QString &report : kDemoReports) {
        const QStringList words = firstPageWords(report, custNo);
        ASSERT_GE(words.size(), 2) << report.toStdString() << " prints too few words to look for";
        for (const QString &format : kFormats) {
            SCOPED_TRACE(QString(report + QLatin1Char('.') + format).toStdString());
            const QString output = dir.filePath(report + QLatin1Char('.') + format);
            QStringList args{QStringLiteral(TABULON_DEMO_DIR "/") + report + QStringLiteral(".QR2"),
                             QStringLiteral("-o"),
                             output,
                             QStringLiteral("--quiet"),
                             QStringLiteral("--answer"),
                             custNo};
            // Images of every page take long and show nothing more: the first page.
            if (format == QLatin1String("png"))
                args << QStringLiteral("--pages") << QStringLiteral("1");
            const Result r = run(tool, args, QStringLiteral(TABULON_DEMO_DIR));
            ASSERT_EQ(r.code, 0) << r.err.toStdString();
            // The numbered formats: the first page's file.
            const bool perPage = QStringList{"wmf", "emf", "png", "svg"}.contains(format);
            const QString file = perPage ? dir.filePath(report + QStringLiteral("001.") + format) : output;
            ASSERT_TRUE(QFileInfo::exists(file)) << file.toStdString();
            if (format == QLatin1String("png")) {
                const QStringList size = pythonRead(format, file).split(QLatin1Char(' '));
                ASSERT_EQ(size.size(), 3);
                // A page at 150 pixels per inch with something drawn on it.
                EXPECT_GT(size[0].toInt(), 1000);
                EXPECT_GT(size[1].toInt(), 1000);
                EXPECT_GT(size[2].toInt(), 100);
                continue;
            }
            const QString text =
                format == QLatin1String("qrp")
                    ? pythonRead(format,
                                 storedPagesAsPdf(output, dir.filePath(report + QStringLiteral(".qrp.pdf"))))
                    : pythonRead(format, file);
            for (const QString &w : words)
                EXPECT_TRUE(text.contains(w)) << w.toStdString() << " not in\n"
                                              << text.left(2000).toStdString();
        }
    }
}

TEST(DemoExport, LetterPrintsItsRichTextWithStylesAndColours)
{
    const QString tool = QCoreApplication::applicationDirPath() + QStringLiteral("/tabulon-run");
    if (!QFileInfo::exists(tool))
        GTEST_SKIP() << "tabulon-run not built";
    for (const char *reader : {"pdftotext", "pdffonts"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(reader)).isEmpty())
            GTEST_SKIP() << reader << " not installed";
    QTemporaryDir dir;
    const QString report = QStringLiteral(TABULON_DEMO_DIR "/letter.QR2");
    const QString pdf = dir.filePath(QStringLiteral("letter.pdf"));
    Result r = run(tool, {report, QStringLiteral("-o"), pdf, QStringLiteral("--quiet")},
                   QStringLiteral(TABULON_DEMO_DIR));
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    // One letter per customer, each with the whole rich text.
    const QString text = run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}).out;
    const QStringList pages = text.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
    ASSERT_GT(pages.size(), 10);
    for (const QString &page : {pages.first(), pages.last()}) {
        const QString flat = page.simplified();
        EXPECT_TRUE(flat.contains(QStringLiteral("Dear customer,")));
        EXPECT_TRUE(flat.contains(QStringLiteral("Our spring catalogue comes out in March")))
            << flat.toStdString();
        EXPECT_TRUE(flat.contains(QStringLiteral("forty new dive sites")));
        EXPECT_TRUE(
            flat.contains(QStringLiteral("Special offer: every order placed before the end of April")));
        EXPECT_TRUE(flat.contains(QStringLiteral("Your dive shop team")));
    }
    // Bold, italic and bold italic runs are set in those faces, embedded.
    const QString fonts = run(QStringLiteral("pdffonts"), {pdf}).out;
    // pdffonts: name, type, encoding, then "yes" in the embedded column.
    for (const char *face : {"Serif-Bold ", "Serif-Italic ", "Serif-BoldItalic "}) {
        const QStringList lines = fonts.split(QLatin1Char('\n')).filter(QString::fromLatin1(face));
        ASSERT_EQ(lines.size(), 1) << face << "\n" << fonts.toStdString();
        EXPECT_TRUE(lines.first().contains(QRegularExpression(QStringLiteral("Identity-H\\s+yes\\b"))))
            << lines.first().toStdString();
    }

    // The coloured runs: red and blue pixels on the first page's picture.
    const QString png = dir.filePath(QStringLiteral("letter.png"));
    r = run(tool,
            {report, QStringLiteral("-o"), png, QStringLiteral("--quiet"), QStringLiteral("--pages"),
             QStringLiteral("1")},
            QStringLiteral(TABULON_DEMO_DIR));
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QImage image(dir.filePath(QStringLiteral("letter001.png")));
    ASSERT_FALSE(image.isNull());
    int red = 0, blue = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            red += c.red() > 150 && c.green() < 80 && c.blue() < 80 ? 1 : 0;
            blue += c.blue() > 120 && c.red() < 60 && c.green() < 110 ? 1 : 0;
        }
    EXPECT_GT(red, 50);
    EXPECT_GT(blue, 50);
}

TEST(DemoExport, ADatabaseThatCannotBeOpenedFailsTheRun)
{
    const QString tool = QCoreApplication::applicationDirPath() + QStringLiteral("/tabulon-run");
    if (!QFileInfo::exists(tool))
        GTEST_SKIP() << "tabulon-run not built";
    // Outside the demo installation the alias DEMO names no database: the report would run
    // without rows, so the run fails, says why, and leaves no file.
    QTemporaryDir dir;
    QTemporaryDir home;
    const QString pdf = dir.filePath(QStringLiteral("c.pdf"));
    const Result r =
        run(tool, {QStringLiteral(TABULON_DEMO_DIR "/items.QR2"), QStringLiteral("-o"), pdf}, home.path());
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("items.QR2: ")) && r.err.contains(QStringLiteral("DEMO")))
        << r.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(pdf));
    // A report whose query is stored open fails the same way, naming the query, instead of
    // printing an empty list.
    const Result stored =
        run(tool, {QStringLiteral(TABULON_DEMO_DIR "/customers.QR2"), QStringLiteral("-o"), pdf}, home.path());
    EXPECT_EQ(stored.code, 1);
    EXPECT_TRUE(stored.err.contains(QStringLiteral("Customers cannot be opened")) &&
                stored.err.contains(QStringLiteral("DEMO")))
        << stored.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(pdf));
}

#endif
