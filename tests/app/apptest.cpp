#include "apptest.h"

#include "app/editform.h"
#include "common/programdir.h"
#include "gui/usersettings.h"
#include "testutil.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>

void PrintTo(const QByteArray &bytes, std::ostream *os)
{
    *os << '"' << QString::fromUtf8(bytes).replace("\n", "\\n").toStdString() << '"';
}

void PrintTo(const QString &text, std::ostream *os)
{
    PrintTo(text.toUtf8(), os);
}

void PrintTo(const QStringList &texts, std::ostream *os)
{
    *os << '{';
    for (qsizetype i = 0; i < texts.size(); ++i) {
        if (i)
            *os << ", ";
        PrintTo(texts.at(i), os);
    }
    *os << '}';
}

namespace apptest
{

TModalDriver::TModalDriver()
{
    m_timer.setInterval(5);
    connect(&m_timer, &QTimer::timeout, this, &TModalDriver::poll);
    m_timer.start();
}

TModalDriver::~TModalDriver() = default;

void TModalDriver::Expect(Handler handler)
{
    m_handlers.append(std::move(handler));
}

void TModalDriver::poll()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal)
        return;
    for (const QPointer<QWidget> &seen : m_seen) {
        if (seen == modal) {
            // A handled window still open long after: close it, so that a
            // faulty test fails instead of hanging.
            if (++m_idleTicks > 1000) {
                m_idleTicks = 0;
                ADD_FAILURE() << "a modal window stayed open: " << modal->windowTitle().toStdString();
                if (auto *dialog = qobject_cast<QDialog *>(modal))
                    dialog->reject();
                else
                    modal->close();
            }
            return;
        }
    }
    m_idleTicks = 0;
    m_seen.append(modal);
    if (m_handlers.isEmpty()) {
        ++m_unexpected;
        ADD_FAILURE() << "unexpected modal window: " << modal->windowTitle().toStdString();
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
        else
            modal->close();
        return;
    }
    Handler handler = m_handlers.takeFirst();
    handler(modal);
}

void AppTest::SetUp()
{
    ASSERT_TRUE(m_dir.isValid());
    ASSERT_TRUE(m_settings.isValid());
    // Closing a test's last window must not end the event loops of the next tests.
    QApplication::setQuitOnLastWindowClosed(false);
    SetProgramDir(m_dir.path());
    SetUserSettingsDir(m_settings.path());
    m_guard = std::make_unique<TPromptGuard>(&m_prompt);
    TEditform::SetFileChooser({});
}

void AppTest::TearDown()
{
    m_guard.reset();
    TEditform::SetFileChooser({});
    SetUserSettingsDir(QString());
    SetProgramDir(QString());
}

void AppTest::writeCatalogue(const QByteArray &text) const
{
    ASSERT_TRUE(testutil::writeFile(catalogue(), text));
}

QByteArray AppTest::catalogueText() const
{
    return testutil::readFile(catalogue());
}

QStringList columnTexts(const QTreeWidget *list, int column)
{
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        texts.append(list->topLevelItem(i)->text(column));
    return texts;
}

QTreeWidgetItem *findItem(const QTreeWidget *list, const QString &text, int column)
{
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        if (list->topLevelItem(i)->text(column) == text)
            return list->topLevelItem(i);
    return nullptr;
}

QLineEdit *openEditor(const QTreeWidget *list)
{
    // Editors closed earlier wait for their deferred deletion.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (QLineEdit *editor : list->viewport()->findChildren<QLineEdit *>())
        if (editor->isVisible())
            return editor;
    return nullptr;
}

void editInPlace(QTreeWidget *list, QTreeWidgetItem *item, int column, const QString &text)
{
    list->setCurrentItem(item, column);
    list->editItem(item, column);
    QLineEdit *editor = openEditor(list);
    ASSERT_NE(editor, nullptr) << "no in-place editor opened";
    editor->selectAll();
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents();
}

void doubleClick(QTreeWidget *list, QTreeWidgetItem *item, int column)
{
    const QRect rect = list->visualItemRect(item);
    const QPoint at(list->columnViewportPosition(column) + 4, rect.center().y());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

QList<TScriptedPrompt::Record> messages(const TScriptedPrompt &prompt)
{
    QList<TScriptedPrompt::Record> result;
    for (const TScriptedPrompt::Record &r : prompt.Records())
        if (r.kind != TScriptedPrompt::Record::Beep)
            result.append(r);
    return result;
}

} // namespace apptest
