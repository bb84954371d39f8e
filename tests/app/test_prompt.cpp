// The Qt prompt service: real message boxes and the input box.

#include "apptest.h"

#include "gui/qtprompt.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

using namespace apptest;

namespace
{
struct TSeenBox {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QList<QMessageBox::StandardButton> buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

// Records the box and then presses a button, or Escape when button is NoButton.
TModalDriver::Handler answerBox(TSeenBox &seen, QMessageBox::StandardButton button)
{
    return [&seen, button](QWidget *w) {
        auto *box = qobject_cast<QMessageBox *>(w);
        ASSERT_NE(box, nullptr) << "expected a message box";
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        for (QAbstractButton *b : box->buttons())
            seen.buttons.append(box->standardButton(b));
        std::sort(seen.buttons.begin(), seen.buttons.end());
        if (box->defaultButton())
            seen.defaultButton = box->standardButton(box->defaultButton());
        if (button == QMessageBox::NoButton)
            QTest::keyClick(box, Qt::Key_Escape);
        else
            QTest::mouseClick(box->button(button), Qt::LeftButton);
    };
}

class QtPromptTest : public AppTest
{
protected:
    TQtPrompt qt;
};
} // namespace

TEST_F(QtPromptTest, ConfirmationBoxHasTitleTextIconAndYesNo)
{
    TModalDriver driver;
    TSeenBox seen;
    driver.Expect(answerBox(seen, QMessageBox::No));
    EXPECT_EQ(qt.MessageBox("Close Tabulon?", "Exit", mtConfirmation, TMsgButtons::YesNo), mrNo);
    EXPECT_EQ(seen.title, "Exit");
    EXPECT_EQ(seen.text, "Close Tabulon?");
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.buttons, (QList<QMessageBox::StandardButton>{QMessageBox::Yes, QMessageBox::No}));
    EXPECT_EQ(seen.defaultButton, QMessageBox::Yes);

    TSeenBox yes;
    driver.Expect(answerBox(yes, QMessageBox::Yes));
    EXPECT_EQ(qt.MessageBox("Close Tabulon?", "Exit", mtConfirmation, TMsgButtons::YesNo), mrYes);
}

TEST_F(QtPromptTest, EachTypeHasItsIconAndEachSetItsButtons)
{
    struct Case {
        TMsgDlgType type;
        TMsgButtons buttons;
        QMessageBox::Icon icon;
        QList<QMessageBox::StandardButton> shown;
        QMessageBox::StandardButton press;
        TModalResult result;
    };
    const QList<Case> cases = {
        {mtInformation,
         TMsgButtons::YesNo,
         QMessageBox::Information,
         {QMessageBox::Yes, QMessageBox::No},
         QMessageBox::Yes,
         mrYes},
        {mtError, TMsgButtons::OK, QMessageBox::Critical, {QMessageBox::Ok}, QMessageBox::Ok, mrOk},
        {mtWarning,
         TMsgButtons::OKCancel,
         QMessageBox::Warning,
         {QMessageBox::Ok, QMessageBox::Cancel},
         QMessageBox::Cancel,
         mrCancel},
        {mtCustom,
         TMsgButtons::YesNoCancel,
         QMessageBox::NoIcon,
         {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel},
         QMessageBox::No,
         mrNo},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(int(c.type));
        TModalDriver driver;
        TSeenBox seen;
        driver.Expect(answerBox(seen, c.press));
        EXPECT_EQ(qt.MessageBox("Text\nsecond line", "Caption", c.type, c.buttons), c.result);
        EXPECT_EQ(seen.icon, c.icon);
        QList<QMessageBox::StandardButton> expected = c.shown;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(seen.buttons, expected);
        EXPECT_EQ(seen.text, "Text\nsecond line");
    }
}

TEST_F(QtPromptTest, EscapeGivesTheCautiousAnswer)
{
    const QList<std::pair<TMsgButtons, TModalResult>> cases = {{TMsgButtons::OK, mrOk},
                                                               {TMsgButtons::OKCancel, mrCancel},
                                                               {TMsgButtons::YesNo, mrNo},
                                                               {TMsgButtons::YesNoCancel, mrCancel}};
    for (const auto &[buttons, result] : cases) {
        TModalDriver driver;
        TSeenBox seen;
        driver.Expect(answerBox(seen, QMessageBox::NoButton));
        EXPECT_EQ(qt.MessageBox("t", "c", mtWarning, buttons), result);
    }
}

TEST_F(QtPromptTest, ABoxWithoutCaptionShowsTheApplicationTitle)
{
    SetPromptTitle("Tabulon");
    TModalDriver driver;
    TSeenBox seen;
    driver.Expect(answerBox(seen, QMessageBox::Ok));
    qt.ShowMessage("Done.");
    EXPECT_EQ(seen.title, "Tabulon");
    TSeenBox plain;
    driver.Expect(answerBox(plain, QMessageBox::Ok));
    qt.MessageBox("No caption.", "", mtWarning, TMsgButtons::OK);
    EXPECT_EQ(plain.title, "Tabulon");
    TSeenBox error;
    driver.Expect(answerBox(error, QMessageBox::Ok));
    qt.ShowError("Went wrong.");
    EXPECT_EQ(error.title, "Error");
    EXPECT_EQ(error.icon, QMessageBox::Critical);
}

TEST_F(QtPromptTest, TextIsShownAsPlainText)
{
    TModalDriver driver;
    TSeenBox seen;
    driver.Expect([&](QWidget *w) {
        auto *box = qobject_cast<QMessageBox *>(w);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
        box->accept();
    });
    qt.MessageBox("<b>not bold</b>", "c", mtInformation, TMsgButtons::OK);
    EXPECT_EQ(driver.Pending(), 0);
}

TEST_F(QtPromptTest, InputBoxReturnsTheTypedLineOrKeepsTheValue)
{
    TModalDriver driver;
    QString title, label, initial;
    driver.Expect([&](QWidget *w) {
        auto *dialog = qobject_cast<QDialog *>(w);
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        for (const QLabel *l : dialog->findChildren<QLabel *>())
            label += l->text();
        auto *edit = dialog->findChild<QLineEdit *>(TQtPrompt::InputEditName);
        ASSERT_NE(edit, nullptr);
        initial = edit->text();
        edit->clear();
        QTest::keyClicks(edit, "Stock & more");
        QTest::keyClick(edit, Qt::Key_Return);
    });
    QString value = "start";
    EXPECT_TRUE(qt.InputBox("New group", "Enter new group name :", value));
    EXPECT_EQ(title, "New group");
    EXPECT_EQ(label, "Enter new group name :");
    EXPECT_EQ(initial, "start");
    EXPECT_EQ(value, "Stock & more");

    driver.Expect([](QWidget *w) {
        auto *edit = w->findChild<QLineEdit *>(TQtPrompt::InputEditName);
        ASSERT_NE(edit, nullptr);
        QTest::keyClicks(edit, "typed, then cancelled");
        QTest::keyClick(w, Qt::Key_Escape);
    });
    EXPECT_FALSE(qt.InputBox("New group", "Enter new group name :", value));
    EXPECT_EQ(value, "Stock & more");
}
