#pragma once

// Shared fixture of the descriptor editor's widget tests.

#include "apptest.h"

#include "params/model/controlkind.h"
#include "params/pareditform.h"

#include <QPoint>
#include <QPointer>
#include <functional>
#include <memory>

class EditorTest : public apptest::AppTest
{
protected:
    void SetUp() override;
    void TearDown() override;

    // A shown, active editor.
    std::unique_ptr<TParEditForm> open();
    // Chooses the kind's tool and clicks the design area; the new control's name.
    static QString clickControl(TParEditForm &form, TControlKind kind, QPoint point);
    // The file dialogs answer with these names in turn (an empty name cancels).
    void answerFileDialogs(QStringList names);
    int fileDialogsAsked() const { return *m_fileDialogs; }

    // Answers a window opened from inside another test window's handler (whose own driver cannot
    // see it): handlers are used in order, each on the next new modal window.
    void expectNested(std::function<void(QWidget *)> handler);
    int nestedPending() const { return int(m_nested.size()); }

    // A desktop database (directory "db" with towns.csv and regions.csv) under the alias "demo".
    void writeDatabase() const;

private:
    void armNested();

    QList<std::function<void(QWidget *)>> m_nested;
    QList<QPointer<QWidget>> m_nestedSeen;
    std::shared_ptr<QStringList> m_fileAnswers = std::make_shared<QStringList>();
    std::shared_ptr<int> m_fileDialogs = std::make_shared<int>(0);
};
