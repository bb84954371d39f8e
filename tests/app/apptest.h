#pragma once

// Shared fixture and helpers of the shell's widget tests.

#include "common/prompt.h"

#include <QDialog>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

// Readable failure messages for the Qt types the tests compare.
void PrintTo(const QByteArray &bytes, std::ostream *os);
void PrintTo(const QString &text, std::ostream *os);
void PrintTo(const QStringList &texts, std::ostream *os);

namespace apptest
{

// Answers modal dialogs as they open: each handler is given the next modal
// window that has not been seen yet, from inside that window's event loop.
// A handler must close its window (or expect another handler to).
class TModalDriver : public QObject
{
public:
    using Handler = std::function<void(QWidget *)>;
    TModalDriver();
    ~TModalDriver() override;

    void Expect(Handler handler);
    // Handlers still waiting for their window.
    int Pending() const { return int(m_handlers.size()); }
    // Windows that opened with no handler left (each was rejected).
    int Unexpected() const { return m_unexpected; }

private:
    void poll();

    QTimer m_timer;
    QList<Handler> m_handlers;
    QList<QPointer<QWidget>> m_seen;
    int m_unexpected = 0;
    int m_idleTicks = 0;
};

// Each test gets its own program directory and per-user settings directory,
// and a scripted prompt service.
class AppTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    QString path(const QString &name) const { return m_dir.filePath(name); }
    QString catalogue() const { return path(QStringLiteral("reports.ini")); }
    void writeCatalogue(const QByteArray &text) const;
    QByteArray catalogueText() const;

    QTemporaryDir m_dir;
    QTemporaryDir m_settings;
    TScriptedPrompt m_prompt;
    std::unique_ptr<TPromptGuard> m_guard;
};

// The texts of a list's first column (or another one), top to bottom.
QStringList columnTexts(const QTreeWidget *list, int column = 0);
QTreeWidgetItem *findItem(const QTreeWidget *list, const QString &text, int column = 0);
// The list's open in-place editor, or null.
QLineEdit *openEditor(const QTreeWidget *list);
// Edits a cell in place the way a user does: F2-style editing, typing, Enter.
void editInPlace(QTreeWidget *list, QTreeWidgetItem *item, int column, const QString &text);
// Double-clicks a row.
void doubleClick(QTreeWidget *list, QTreeWidgetItem *item, int column = 0);

// Message boxes and input boxes the scripted prompt was asked.
QList<TScriptedPrompt::Record> messages(const TScriptedPrompt &prompt);

} // namespace apptest
