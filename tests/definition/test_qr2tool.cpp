#include "testutil.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{
struct ToolRun {
    int code = -1;
    QString out;
    QString err;
};

QString toolPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/tabulon-qr2");
}

ToolRun run(const QStringList &args)
{
    QProcess p;
    p.start(toolPath(), args);
    p.waitForFinished(60000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}
} // namespace

TEST(Qr2Tool, DumpBuildInfoAndExitCodes)
{
    if (!QFileInfo::exists(toolPath()))
        GTEST_SKIP() << "tabulon-qr2 not built";
    QTemporaryDir dir;
    const QString text = dir.filePath(QStringLiteral("r.txt"));
    const QString file = dir.filePath(QStringLiteral("r.QR2"));
    ASSERT_TRUE(testutil::writeFile(text, "version $0405\n"
                                          "bands\n"
                                          "  object Detail: TQRDesignBand\n"
                                          "    BandType = rbDetail\n"
                                          "    object L: TQRDesignLabel\n"
                                          "      Caption = 'Hi'\n"
                                          "    end\n"
                                          "  end\n"
                                          "end\n"));
    EXPECT_EQ(run({QStringLiteral("build"), text, file}).code, 0);
    EXPECT_EQ(testutil::readFile(file).left(4).toHex(), QByteArray("05040001"));

    const ToolRun dump = run({QStringLiteral("dump"), file});
    EXPECT_EQ(dump.code, 0);
    EXPECT_TRUE(dump.out.contains(QStringLiteral("object L: TQRDesignLabel")));
    const QString again = dir.filePath(QStringLiteral("again.QR2"));
    ASSERT_TRUE(testutil::writeFile(text, dump.out.toUtf8()));
    EXPECT_EQ(run({QStringLiteral("build"), text, again}).code, 0);
    EXPECT_EQ(testutil::readFile(again), testutil::readFile(file));

    const ToolRun info = run({QStringLiteral("info"), file});
    EXPECT_EQ(info.code, 0);
    EXPECT_EQ(info.out, QStringLiteral("band Detail TQRDesignBand BandType rbDetail\n"
                                       "  element L TQRDesignLabel Caption 'Hi'\n"));

    // Unreadable files name the file and the fault.
    const QString cut = dir.filePath(QStringLiteral("cut.QR2"));
    ASSERT_TRUE(testutil::writeFile(cut, testutil::readFile(file).left(10)));
    const ToolRun bad = run({QStringLiteral("dump"), cut});
    EXPECT_EQ(bad.code, 1);
    EXPECT_TRUE(bad.err.contains(cut));
    EXPECT_TRUE(bad.err.contains(QStringLiteral("end of data")));
    EXPECT_EQ(run({QStringLiteral("info"), dir.filePath(QStringLiteral("none.QR2"))}).code, 1);

    EXPECT_EQ(run({}).code, 2);
    EXPECT_EQ(run({QStringLiteral("frobnicate"), file}).code, 2);
    EXPECT_EQ(run({QStringLiteral("build"), text}).code, 2);
    const ToolRun help = run({QStringLiteral("--help")});
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("tabulon-qr2 dump")));
}

// resave goes through the loader: the saved file loads again and a second
// resave gives the same bytes; files it cannot read are named with the fault.
TEST(Qr2Tool, ResaveThroughTheLoader)
{
    if (!QFileInfo::exists(toolPath()))
        GTEST_SKIP() << "tabulon-qr2 not built";
    QTemporaryDir dir;
    const QString text = dir.filePath(QStringLiteral("r.txt"));
    const QString file = dir.filePath(QStringLiteral("r.QR2"));
    ASSERT_TRUE(testutil::writeFile(text, "version $0405\n"
                                          "bands\n"
                                          "  object Detail: TQRDesignBand\n"
                                          "    BandType = rbDetail\n"
                                          "    object L: TQRDesignLabel\n"
                                          "      Caption = 'Hi'\n"
                                          "    end\n"
                                          "  end\n"
                                          "end\n"));
    ASSERT_EQ(run({QStringLiteral("build"), text, file}).code, 0);
    const QString once = dir.filePath(QStringLiteral("once.QR2"));
    const QString twice = dir.filePath(QStringLiteral("twice.QR2"));
    const ToolRun first = run({QStringLiteral("resave"), file, once});
    ASSERT_EQ(first.code, 0) << first.err.toStdString();
    EXPECT_EQ(run({QStringLiteral("resave"), once, twice}).code, 0);
    EXPECT_EQ(testutil::readFile(twice), testutil::readFile(once));
    const ToolRun info = run({QStringLiteral("info"), once});
    EXPECT_TRUE(info.out.contains(QStringLiteral("element L TQRDesignLabel Caption 'Hi'")))
        << info.out.toStdString();

    const QString cut = dir.filePath(QStringLiteral("cut.QR2"));
    ASSERT_TRUE(testutil::writeFile(cut, testutil::readFile(file).left(10)));
    const ToolRun bad = run({QStringLiteral("resave"), cut, dir.filePath(QStringLiteral("out.QR2"))});
    EXPECT_EQ(bad.code, 1);
    EXPECT_TRUE(bad.err.contains(cut)) << bad.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("out.QR2"))));
    const ToolRun missing = run({QStringLiteral("resave"), dir.filePath(QStringLiteral("none.QR2")), once});
    EXPECT_EQ(missing.code, 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("none.QR2")));
    EXPECT_EQ(run({QStringLiteral("resave"), file}).code, 2);
}

// A save that cannot be completed (the shell's file-size limit, SIGXFSZ
// ignored as on a full disk) exits 1 and keeps the old file whole; a missing
// file is named with its cause; a bad value is reported at its own line.
TEST(Qr2Tool, FailedSavesAndTheirMessages)
{
    if (!QFileInfo::exists(toolPath()))
        GTEST_SKIP() << "tabulon-qr2 not built";
    QTemporaryDir dir;
    const QString text = dir.filePath(QStringLiteral("r.txt")), file = dir.filePath(QStringLiteral("r.QR2"));
    QByteArray bands = "version $0406\nbands\n";
    for (int i = 0; i < 40; ++i)
        bands += "  object B" + QByteArray::number(i) + ": TQRDesignBand\n    object L" +
                 QByteArray::number(i) + ": TQRDesignLabel\n      Caption = '" + QByteArray(100, 'h') +
                 "'\n    end\n  end\n";
    ASSERT_TRUE(testutil::writeFile(text, bands + "end\n"));
    ASSERT_EQ(run({QStringLiteral("build"), text, file}).code, 0);
    const QString saved = dir.filePath(QStringLiteral("saved.QR2"));
    ASSERT_EQ(run({QStringLiteral("resave"), file, saved}).code, 0);
    const QByteArray built = testutil::readFile(file), good = testutil::readFile(saved);
    ASSERT_GT(good.size(), 4096);
    for (const QStringList &args : {QStringList{QStringLiteral("resave"), file, saved},
                                    QStringList{QStringLiteral("build"), text, file}}) {
        QStringList command{QStringLiteral("ulimit -f 2; trap '' XFSZ; exec \"$0\" \"$@\""), toolPath()};
        QProcess p;
        p.start(QStringLiteral("bash"), QStringList{QStringLiteral("-c")} + command + args);
        p.waitForFinished(60000);
        EXPECT_EQ(p.exitCode(), 1) << args.join(' ').toStdString() << p.readAllStandardError().toStdString();
    }
    EXPECT_EQ(testutil::readFile(saved), good);
    EXPECT_EQ(testutil::readFile(file), built);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 3); // nothing half written beside them

    const ToolRun missing = run({QStringLiteral("resave"), dir.filePath(QStringLiteral("none.QR2")), saved});
    EXPECT_EQ(missing.code, 1);
    EXPECT_TRUE(missing.err.trimmed().endsWith(QStringLiteral("none.QR2: No such file or directory")))
        << missing.err.toStdString();
    const QList<QPair<QByteArray, QString>> bad = {
        {"  Zoom = 100\n  Hint = 'fine'\n  Font.Height = 99999\n", QStringLiteral("line 5: Font.Height")},
        {"  Zoom = 100\n  Page.Columns = 70000\n",
         QStringLiteral("line 4: value does not fit field Page.Columns")}};
    for (const auto &[body, message] : bad) {
        ASSERT_TRUE(testutil::writeFile(text, "version $0406\nreport\n" + body + "end\n"));
        const ToolRun r = run({QStringLiteral("build"), text, file});
        EXPECT_EQ(r.code, 1);
        EXPECT_TRUE(r.err.contains(message)) << r.err.toStdString();
    }
}
