// tabulon-pages as a user runs it: output lines, exit codes, page bytes.
#include "output/pages/qrprinter.h"
#include "testutil.h"

#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

#ifdef TABULON_PAGES_TOOL

namespace
{
struct ToolRun {
    int code = -1;
    QByteArray out;
    QString err;
};

ToolRun run(const QStringList &args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(TABULON_PAGES_TOOL), args);
    p.waitForFinished(60000);
    ToolRun r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

class ToolTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString path(const QString &name) const { return dir.filePath(name); }

    // A stored report of three A4 landscape pages.
    QString makeReport(const QString &name, bool compressed)
    {
        TQRPrinter p;
        p.SetPaperSize(QRPaper::A4);
        p.SetOrientation(QRPaper::poLandscape);
        p.UseCompression(compressed);
        p.OpenDocument();
        for (int n = 1; n <= 3; ++n) {
            p.NewPage();
            p.Canvas()->fillRect(QRect(10, 10, 200, 50), Qt::black);
            p.Canvas()->drawText(20, 100, QStringLiteral("Page %1").arg(n));
        }
        p.CloseDocument();
        for (int n = 1; n <= 3; ++n) {
            QByteArray b;
            p.GetPageData(n, &b);
            pages.append(b);
        }
        EXPECT_TRUE(p.Save(path(name)));
        return path(name);
    }

    QTemporaryDir dir;
    QList<QByteArray> pages;
};
} // namespace

TEST_F(ToolTest, InfoPrintsOneFactPerLine)
{
    const QString file = makeReport(QStringLiteral("a.qrp"), true);
    const ToolRun r = run({QStringLiteral("info"), file});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QStringList lines = QString::fromLatin1(r.out).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], QStringLiteral("pages 3"));
    EXPECT_EQ(lines[1], QStringLiteral("compressed yes"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^created \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$"))
                    .match(lines[2])
                    .hasMatch())
        << lines[2].toStdString();
    EXPECT_EQ(lines[3], QStringLiteral("paper A4 landscape"));

    // Pages that are no pictures: the paper is unknown.
    QByteArray raw(128, '\0');
    qToLittleEndian<quint16>(3, raw.data());
    qToLittleEndian<quint16>(305, raw.data() + 2);
    qToLittleEndian<qint32>(1, raw.data() + 8);
    const char record[] = {1, 0, 0, 0, char(128 + 15), 0, 0, 0, 'a', 'b', 'c', char(128), 0, 0, 0};
    raw.append(record, sizeof record);
    ASSERT_TRUE(testutil::writeFile(path("odd.qrp"), raw));
    const ToolRun odd = run({QStringLiteral("info"), path("odd.qrp")});
    ASSERT_EQ(odd.code, 0);
    EXPECT_TRUE(odd.out.contains("pages 1\ncompressed no\n"));
    EXPECT_TRUE(odd.out.endsWith("paper unknown\n"));
    // raw still hands the bytes out uninterpreted.
    const ToolRun bytes = run({QStringLiteral("raw"), path("odd.qrp"), QStringLiteral("1")});
    EXPECT_EQ(bytes.code, 0);
    EXPECT_EQ(bytes.out, QByteArray("abc"));
}

TEST_F(ToolTest, RawWritesThePageBytesDecompressed)
{
    const QString file = makeReport(QStringLiteral("c.qrp"), true);
    for (int n = 1; n <= 3; ++n) {
        const ToolRun r = run({QStringLiteral("raw"), file, QString::number(n)});
        ASSERT_EQ(r.code, 0);
        EXPECT_EQ(r.out, pages.at(n - 1)) << n;
    }
}

TEST_F(ToolTest, ConvertKeepsPageBytes)
{
    const QString packed = makeReport(QStringLiteral("c.qrp"), true);
    ASSERT_EQ(
        run({QStringLiteral("convert"), packed, path("plain.qrp"), QStringLiteral("--no-compress")}).code, 0);
    ASSERT_EQ(
        run({QStringLiteral("convert"), path("plain.qrp"), path("again.qrp"), QStringLiteral("--compress")})
            .code,
        0);
    const QByteArray plain = testutil::readFile(path("plain.qrp"));
    EXPECT_EQ(plain[25], '\0');
    EXPECT_EQ(testutil::readFile(path("again.qrp")), testutil::readFile(packed))
        << "the same pages, the same creation time, the same code";
    TQRPrinter p;
    ASSERT_TRUE(p.Load(path("plain.qrp")));
    for (int n = 1; n <= 3; ++n) {
        QByteArray b;
        ASSERT_TRUE(p.GetPageData(n, &b));
        EXPECT_EQ(b, pages.at(n - 1));
    }
}

TEST_F(ToolTest, PngRendersThePageAtTheZoom)
{
    const QString file = makeReport(QStringLiteral("a.qrp"), false);
    ASSERT_EQ(run({QStringLiteral("png"), file, QStringLiteral("2"), path("p.png")}).code, 0);
    QImage full(path("p.png"));
    ASSERT_FALSE(full.isNull());
    EXPECT_EQ(full.size(), QSize(1123, 794)) << "A4 landscape at 96 pixels per inch";
    EXPECT_LT(qGray(full.pixel(100, 30)), 64);
    EXPECT_GT(qGray(full.pixel(600, 400)), 200);
    ASSERT_EQ(run({QStringLiteral("png"), file, QStringLiteral("1"), path("h.png"), QStringLiteral("--zoom"),
                   QStringLiteral("50")})
                  .code,
              0);
    EXPECT_EQ(QImage(path("h.png")).size(), QSize(561, 397));
}

TEST_F(ToolTest, ErrorsNameTheFileAndPage)
{
    const QString file = makeReport(QStringLiteral("a.qrp"), false);
    ToolRun r = run({QStringLiteral("raw"), file, QStringLiteral("4")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(file) && r.err.contains(QLatin1String("page 4"))) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());

    r = run({QStringLiteral("info"), path("missing.qrp")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QLatin1String("missing.qrp")));

    ASSERT_TRUE(testutil::writeFile(path("text.qrp"), QByteArray(500, 'x')));
    r = run({QStringLiteral("info"), path("text.qrp")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QLatin1String("text.qrp")));

    // A damaged page: the record of page 2 is cut off.
    QByteArray damaged = testutil::readFile(file);
    QByteArray cut = damaged.left(damaged.size() / 2);
    qToLittleEndian<qint32>(qFromLittleEndian<qint32>(damaged.constData() + damaged.size() - 4),
                            cut.data() + cut.size() - 4);
    ASSERT_TRUE(testutil::writeFile(path("cut.qrp"), cut));
    for (const QString &cmd : {QStringLiteral("raw"), QStringLiteral("png")}) {
        QStringList args{cmd, path("cut.qrp"), QStringLiteral("3")};
        if (cmd == QLatin1String("png"))
            args << path("cut.png");
        r = run(args);
        EXPECT_EQ(r.code, 1) << cmd.toStdString();
        EXPECT_TRUE(r.err.contains(QLatin1String("page 3"))) << r.err.toStdString();
    }
    r = run({QStringLiteral("convert"), path("cut.qrp"), path("out.qrp"), QStringLiteral("--compress")});
    EXPECT_EQ(r.code, 1);
    EXPECT_FALSE(QFile::exists(path("out.qrp"))) << "nothing is written from a damaged file";
}

TEST_F(ToolTest, BadUsageExitsWithTwo)
{
    const QString file = makeReport(QStringLiteral("a.qrp"), false);
    for (const QStringList &args :
         {QStringList{}, QStringList{QStringLiteral("bogus")}, QStringList{QStringLiteral("info")},
          QStringList{QStringLiteral("raw"), file},
          QStringList{QStringLiteral("raw"), file, QStringLiteral("0")},
          QStringList{QStringLiteral("raw"), file, QStringLiteral("x")},
          QStringList{QStringLiteral("png"), file, QStringLiteral("1"), path("p.png"),
                      QStringLiteral("--zoom")},
          QStringList{QStringLiteral("png"), file, QStringLiteral("1"), path("p.png"),
                      QStringLiteral("--zoom"), QStringLiteral("0")},
          QStringList{QStringLiteral("convert"), file, path("o.qrp")},
          QStringList{QStringLiteral("convert"), file, path("o.qrp"), QStringLiteral("--fast")}}) {
        const ToolRun r = run(args);
        EXPECT_EQ(r.code, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(QLatin1String("Usage")));
    }
    const ToolRun help = run({QStringLiteral("--help")});
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(help.out.contains("tabulon-pages info FILE"));
}

#endif
