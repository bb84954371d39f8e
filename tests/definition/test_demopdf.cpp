// Every demo report written to PDF by tabulon-run and read back by qpdf and
// poppler: a sound file, every font embedded as a subset, the same text as
// Qt's own PDF engine gives for the same pages, and page 1 looking like the
// PNG export of it.

#include "output/pages/qrpagepicture.h"
#include "output/pages/qrprinter.h"

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
#include <gtest/gtest.h>

#if defined(TABULON_DEMO_DIR) && defined(TABULON_DEMO_REPORTS_SOURCE)

namespace
{
struct Output {
    int code = -1;
    QString out, err;
};

Output start(const QString &program, const QStringList &args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TABULON_HOME"), QStringLiteral(TABULON_DEMO_DIR));
    p.setProcessEnvironment(env);
    p.start(program, args);
    p.waitForFinished(300000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

QString customerWithOrders()
{
    QString custNo;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("demo-pdf"));
        db.setDatabaseName(QStringLiteral(TABULON_DEMO_DIR "/demo.sqlite"));
        EXPECT_TRUE(db.open());
        QSqlQuery q(db);
        EXPECT_TRUE(q.exec(QStringLiteral(
            "SELECT CustNo FROM orders GROUP BY CustNo HAVING COUNT(*) > 1 ORDER BY CustNo LIMIT 1")));
        if (q.next())
            custNo = q.value(0).toString();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("demo-pdf"));
    return custNo;
}

// The stored pages through Qt's own PDF engine: the text a PDF of them has always had.
bool qtPdf(const QString &qrp, const QString &pdf)
{
    TQRPrinter pages;
    if (!pages.Load(qrp))
        return false;
    QPdfWriter writer(pdf);
    QPainter painter;
    for (int n = 1; n <= pages.PageCount(); ++n) {
        TQRPagePicture page;
        if (!pages.GetPage(n, &page))
            return false;
        const QSizeF mm = QSizeF(page.Size()) * 25.4 / page.Dpi();
        writer.setPageSize(QPageSize(mm, QPageSize::Millimeter));
        writer.setPageMargins(QMarginsF());
        if (n == 1 ? !painter.begin(&writer) : !writer.newPage())
            return false;
        painter.save();
        painter.scale(double(writer.resolution()) / page.Dpi(), double(writer.resolution()) / page.Dpi());
        ReplayPage(page, &painter, nullptr, true);
        painter.restore();
    }
    return painter.end();
}

// Share of pixels of two pictures of a page that differ clearly: by more than a quarter of
// the grey scale from every pixel around the same place in the other one, so that one
// rasteriser rounding a baseline or a hinted stem to the next pixel is not counted.
double differingShare(const QImage &a, const QImage &b)
{
    // Rasterisers round a page's pixel size either way.
    if (std::abs(a.width() - b.width()) > 1 || std::abs(a.height() - b.height()) > 1)
        return 1.0;
    const QSize both = a.size().boundedTo(b.size());
    const QImage x = a.copy(QRect(QPoint(), both)).convertToFormat(QImage::Format_Grayscale8);
    const QImage y = b.copy(QRect(QPoint(), both)).convertToFormat(QImage::Format_Grayscale8);
    auto unmatched = [&both](const QImage &from, const QImage &in, int col, int row) {
        const int v = from.constScanLine(row)[col];
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const int r = row + dy, c = col + dx;
                if (r >= 0 && c >= 0 && r < both.height() && c < both.width() &&
                    std::abs(in.constScanLine(r)[c] - v) <= 64)
                    return false;
            }
        return true;
    };
    qint64 differ = 0;
    for (int row = 0; row < both.height(); ++row)
        for (int col = 0; col < both.width(); ++col)
            differ += unmatched(x, y, col, row) || unmatched(y, x, col, row) ? 1 : 0;
    return double(differ) / (double(both.width()) * both.height());
}

QStringList words(const QString &text)
{
    return text.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
}
} // namespace

TEST(DemoPdf, EveryDemoReportIsASoundSearchablePdfLikeItsPicture)
{
    const QString bin = QCoreApplication::applicationDirPath();
    if (!QFileInfo::exists(bin + QStringLiteral("/tabulon-run")))
        GTEST_SKIP() << "tabulon-run not built";
    for (const char *tool : {"qpdf", "pdffonts", "pdftotext", "pdftoppm"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            GTEST_SKIP() << tool << " not installed";
    QTemporaryDir dir;
    const QString custNo = customerWithOrders();
    for (const char *name : {"customers", "orders", "invoice", "parts", "items", "employees", "letter"}) {
        const QString report = QString::fromLatin1(name);
        SCOPED_TRACE(name);
        const QString base = dir.filePath(report);
        for (const char *format : {"pdf", "qrp", "png"}) {
            QStringList args{QStringLiteral(TABULON_DEMO_DIR "/") + report + QStringLiteral(".QR2"),
                             QStringLiteral("-o"),
                             base + QLatin1Char('.') + QLatin1String(format),
                             QStringLiteral("--quiet"),
                             QStringLiteral("--answer"),
                             custNo};
            if (!std::strcmp(format, "png"))
                args << QStringLiteral("--pages") << QStringLiteral("1");
            const Output r = start(bin + QStringLiteral("/tabulon-run"), args);
            ASSERT_EQ(r.code, 0) << format << ": " << r.err.toStdString();
        }
        const QString pdf = base + QStringLiteral(".pdf");
        const Output check = start(QStringLiteral("qpdf"), {QStringLiteral("--check"), pdf});
        EXPECT_EQ(check.code, 0) << check.out.toStdString() << check.err.toStdString();
        EXPECT_TRUE(check.out.contains(QStringLiteral("No syntax or stream encoding errors")));

        const QStringList fonts = start(QStringLiteral("pdffonts"), {pdf}).out.split(QLatin1Char('\n'));
        int faces = 0;
        for (const QString &line : fonts.mid(2)) {
            if (line.trimmed().isEmpty())
                continue;
            ++faces;
            EXPECT_TRUE(line.contains(QRegularExpression(
                QStringLiteral("^[A-Z]{6}\\+\\S+\\s+CID TrueType\\s+Identity-H\\s+yes\\s+yes\\s+yes"))))
                << line.toStdString();
        }
        EXPECT_GE(faces, 1);

        // The same words, in the same order, as Qt's engine gives for the same pages.
        const QString reference = base + QStringLiteral(".qt.pdf");
        ASSERT_TRUE(qtPdf(base + QStringLiteral(".qrp"), reference));
        const QStringList ours = words(start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}).out);
        const QStringList theirs =
            words(start(QStringLiteral("pdftotext"), {reference, QStringLiteral("-")}).out);
        EXPECT_GT(ours.size(), 10);
        EXPECT_EQ(ours, theirs);

        // Page 1 at the PNG export's resolution against the PNG export.
        start(QStringLiteral("pdftoppm"),
              {QStringLiteral("-r"), QStringLiteral("150"), QStringLiteral("-f"), QStringLiteral("1"),
               QStringLiteral("-l"), QStringLiteral("1"), QStringLiteral("-png"),
               QStringLiteral("-singlefile"), pdf, base + QStringLiteral(".page1")});
        const QImage rendered(base + QStringLiteral(".page1.png")),
            exported(base + QStringLiteral("001.png"));
        ASSERT_FALSE(rendered.isNull());
        ASSERT_FALSE(exported.isNull());
        EXPECT_LE(differingShare(rendered, exported), 0.02);
    }
}

TEST(DemoPdf, TheBenchmarksListIsASoundPdf)
{
    const QString bench =
        QCoreApplication::applicationDirPath() + QStringLiteral("/tabulon-bench-generation");
    if (!QFileInfo::exists(bench) || QStandardPaths::findExecutable(QStringLiteral("qpdf")).isEmpty())
        GTEST_SKIP() << "the benchmark or qpdf is missing";
    const Output r =
        start(bench, {QStringLiteral("--rows"), QStringLiteral("3000"), QStringLiteral("--format"),
                      QStringLiteral("pdf"), QStringLiteral("--keep")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("output (\\S+)")).match(r.out);
    ASSERT_TRUE(m.hasMatch()) << r.out.toStdString();
    const QString pdf = m.captured(1);
    EXPECT_EQ(start(QStringLiteral("qpdf"), {QStringLiteral("--check"), pdf}).code, 0);
    const QString fonts = start(QStringLiteral("pdffonts"), {pdf}).out;
    EXPECT_EQ(
        fonts.count(QRegularExpression(QStringLiteral("\\n[A-Z]{6}\\+LiberationSans\\S*\\s+CID TrueType\\s+"
                                                      "Identity-H\\s+yes\\s+yes\\s+yes"))),
        2)
        << fonts.toStdString();
    const QString text = start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}).out;
    EXPECT_TRUE(text.contains(QStringLiteral("Customer 000001")));
    EXPECT_TRUE(text.contains(QStringLiteral("Customer 003000")));
    EXPECT_EQ(text.count(QStringLiteral("Customers")), text.count(QLatin1Char('\f')));
    QFile::remove(pdf);
}

#endif
