#include "editortest.h"

#include "data/session.h"
#include "testutil.h"

#include <QApplication>
#include <QDir>
#include <QTest>
#include <QTimer>

void EditorTest::SetUp()
{
    AppTest::SetUp();
    m_fileAnswers->clear();
    *m_fileDialogs = 0;
    auto answers = m_fileAnswers;
    auto asked = m_fileDialogs;
    TParEditForm::SetFileChooser([answers, asked](QWidget *, TParEditForm::TFileDialogKind, const QString &) {
        ++*asked;
        return answers->isEmpty() ? QString() : answers->takeFirst();
    });
}

void EditorTest::TearDown()
{
    TParEditForm::SetFileChooser({});
    Session().CloseDatabases();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    AppTest::TearDown();
}

std::unique_ptr<TParEditForm> EditorTest::open()
{
    auto form = std::make_unique<TParEditForm>();
    form->show();
    QApplication::setActiveWindow(form.get());
    EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
    return form;
}

QString EditorTest::clickControl(TParEditForm &form, TControlKind kind, QPoint point)
{
    form.ToolAction(int(kind))->trigger();
    QTest::mouseClick(form.DesignArea(), Qt::LeftButton, {}, point);
    const QStringList names = form.ControlNames();
    return names.isEmpty() ? QString() : names.last();
}

void EditorTest::answerFileDialogs(QStringList names)
{
    *m_fileAnswers = std::move(names);
}

void EditorTest::writeDatabase() const
{
    ASSERT_TRUE(QDir(m_dir.path()).mkpath(QStringLiteral("db")));
    ASSERT_TRUE(
        testutil::writeFile(path(QStringLiteral("db/towns.csv")), "id,name,region\n1,Oslo,1\n2,Bergen,2\n"));
    ASSERT_TRUE(testutil::writeFile(path(QStringLiteral("db/regions.csv")), "id,title\n1,East\n2,West\n"));
    ASSERT_TRUE(testutil::writeFile(path(QStringLiteral("databases.ini")), "[demo]\nDatabase=db\n"));
}

void EditorTest::expectNested(std::function<void(QWidget *)> handler)
{
    // The window the handler is queued from is not the one it is for.
    if (QWidget *outer = QApplication::activeModalWidget(); outer && !m_nestedSeen.contains(outer))
        m_nestedSeen.append(outer);
    m_nested.append(std::move(handler));
    armNested();
}

void EditorTest::armNested()
{
    // A fresh single-shot timer each time: a timer does not fire again inside its own slot.
    QTimer::singleShot(10, qApp, [this] {
        if (m_nested.isEmpty())
            return;
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || m_nestedSeen.contains(modal)) {
            armNested();
            return;
        }
        m_nestedSeen.append(modal);
        const auto handler = m_nested.takeFirst();
        handler(modal);
        if (!m_nested.isEmpty())
            armNested();
    });
}
