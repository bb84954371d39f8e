#include "autoprinttest.h"

#include "common/programdir.h"
#include "testutil.h"

#include <QApplication>
#include <QFile>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QWidget>

void AutoprintTest::SetUp()
{
    AppTest::SetUp();
    TAutoprintForm::ReportOutputHook() = nullptr;
}

void AutoprintTest::TearDown()
{
    TAutoprintForm::ReportOutputHook() = nullptr;
    AppTest::TearDown();
}

void AutoprintTest::writeDescriptor(const QString &name, const QByteArray &text) const
{
    ASSERT_TRUE(testutil::writeFile(path(name + QStringLiteral(".cfg")), text));
}

std::unique_ptr<TAutoprintForm> AutoprintTest::build(const QString &name)
{
    auto form = std::make_unique<TAutoprintForm>(name);
    const bool built = form->Build();
    EXPECT_TRUE(built) << (boxes().isEmpty() ? std::string() : boxes().constLast().text.toStdString());
    if (!built)
        return nullptr;
    form->show();
    return form;
}

void AutoprintTest::useDemoDatabase() const
{
    ASSERT_TRUE(testutil::writeFile(path(QStringLiteral("databases.ini")),
                                    "[DEMO]\nDriver=QSQLITE\nDatabase=" TABULON_DEMO_DIR "/demo.sqlite\n"));
}

void AutoprintTest::copyDemoReport(const QString &name) const
{
    for (const QString &ext : {QStringLiteral(".QR2"), QStringLiteral(".cfg")}) {
        QFile::remove(path(name + ext));
        ASSERT_TRUE(QFile::copy(QStringLiteral(TABULON_DEMO_DIR "/") + name + ext, path(name + ext)));
        QFile(path(name + ext)).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
}

QStringList AutoprintTest::demoRows(const QString &sql)
{
    QStringList rows;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("autoprint-check"));
        db.setDatabaseName(QStringLiteral(TABULON_DEMO_DIR "/demo.sqlite"));
        EXPECT_TRUE(db.open());
        QSqlQuery q(db);
        EXPECT_TRUE(q.exec(sql)) << sql.toStdString();
        while (q.next()) {
            QStringList columns;
            for (int i = 0; i < q.record().count(); ++i)
                columns.append(q.value(i).toString());
            rows.append(columns.join(u'|'));
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("autoprint-check"));
    return rows;
}

QList<TScriptedPrompt::Record> AutoprintTest::boxes() const
{
    return apptest::messages(m_prompt);
}

void AutoprintTest::screenshot(QWidget *window, const QString &name)
{
    const QString dir = qEnvironmentVariable("TABULON_SCREENSHOTS");
    if (dir.isEmpty())
        return;
    QApplication::processEvents();
    EXPECT_TRUE(window->grab().save(dir + u'/' + name + QStringLiteral(".png")));
}
