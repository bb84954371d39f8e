#pragma once

// Shared fixture of the descriptor editor's widget tests.

#include "apptest.h"

#include "params/model/controlkind.h"
#include "params/pareditform.h"

#include <QPoint>
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

    // A desktop database (directory "db" with towns.csv and regions.csv) under the alias "demo".
    void writeDatabase() const;

private:
    std::shared_ptr<QStringList> m_fileAnswers = std::make_shared<QStringList>();
    std::shared_ptr<int> m_fileDialogs = std::make_shared<int>(0);
};
