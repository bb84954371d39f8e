// tabulon-run --dialog: the report's descriptor supplies the parameters, as the dialog's "Print"
// would hand them over.

#include "autoprinttest.h"

#include "common/programdir.h"
#include "testutil.h"

#include <QProcess>
#include <QProcessEnvironment>

#ifdef TABULON_RUN_TOOL

namespace
{

struct TRun {
    int code = -1;
    QString errors;
};

} // namespace

class RunToolTest : public AutoprintTest
{
protected:
    TRun run(const QStringList &arguments) const
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TABULON_HOME"), m_dir.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(TABULON_RUN_TOOL), arguments);
        EXPECT_TRUE(p.waitForFinished(60000));
        return {p.exitCode(), QString::fromLocal8Bit(p.readAllStandardError())};
    }
};

TEST_F(RunToolTest, DialogValuesAndSetChangeWhatTheReportShows)
{
    useDemoDatabase();
    copyDemoReport("customers");
    const QStringList german = demoRows("SELECT Company FROM customers WHERE Country = 'Germany'");
    const QString firstCountry = demoRows("SELECT DISTINCT Country FROM customers ORDER BY Country").value(0);
    ASSERT_FALSE(german.isEmpty());

    // The defaults: "%" is the empty entry's value, so the first country is chosen.
    TRun r = run({path("customers.QR2"), "-o", path("default.txt"), "--dialog", "--quiet"});
    ASSERT_EQ(r.code, 0) << r.errors.toStdString();
    QString text = QString::fromUtf8(testutil::readFile(path("default.txt")));
    EXPECT_TRUE(text.contains(firstCountry)) << text.toStdString();
    EXPECT_FALSE(text.contains(german.first()));

    r = run({path("customers.QR2"), "-o", path("germany.txt"), "--dialog", "--set", "country=Germany",
             "--quiet"});
    ASSERT_EQ(r.code, 0) << r.errors.toStdString();
    text = QString::fromUtf8(testutil::readFile(path("germany.txt")));
    for (const QString &company : german)
        EXPECT_TRUE(text.contains(company)) << company.toStdString();
    EXPECT_FALSE(text.contains(firstCountry));
}

TEST_F(RunToolTest, WrongControlsAndValuesAreReported)
{
    useDemoDatabase();
    copyDemoReport("orders");
    TRun r = run({path("orders.QR2"), "-o", path("o.txt"), "--dialog", "--set", "Nope=1"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.errors.contains("no control \"Nope\"")) << r.errors.toStdString();
    r = run({path("orders.QR2"), "-o", path("o.txt"), "--dialog", "--set", "FromDate=2024"});
    EXPECT_EQ(r.code, 1);
    r = run({path("orders.QR2"), "-o", path("o.txt"), "--set", "FromDate=20240101"});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.errors.contains("--set needs --dialog"));
    EXPECT_FALSE(QFile::exists(path("o.txt")));
    // A broken descriptor stops the run with the dialog's message.
    writeDescriptor("orders", "[Declarations]\nX=Dial \"x\",1,1,1\n");
    r = run({path("orders.QR2"), "-o", path("o.txt"), "--dialog"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.errors.contains("Unknown type \"Dial\"!")) << r.errors.toStdString();
}

#endif
