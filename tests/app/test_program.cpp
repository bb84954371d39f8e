// The program as a user starts it from a shell.

#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

#ifdef TABULON_PROGRAM

// --help says how the program is started and ends, without a display and without opening the
// catalogue editor on a file named "--help".
TEST(Program, HelpPrintsHowItIsStartedAndExits)
{
    for (const QString option : {"--help", "-h"}) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(TABULON_PROGRAM), {option});
        ASSERT_TRUE(p.waitForFinished(20000)) << "tabulon " << option.toStdString() << " did not end";
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 0);
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        EXPECT_TRUE(out.startsWith(QStringLiteral("Usage: tabulon [CATALOGUE]\n"))) << out.toStdString();
        EXPECT_TRUE(out.contains(QStringLiteral("reports.ini"))) << out.toStdString();
        EXPECT_TRUE(out.contains(QStringLiteral("TABULON_HOME"))) << out.toStdString();
    }
}

#endif
