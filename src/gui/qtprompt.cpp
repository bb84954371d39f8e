#include "gui/qtprompt.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

const char *const TQtPrompt::InputEditName = "InputBoxEdit";

namespace
{
QWidget *dialogParent()
{
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

QString captionOrTitle(const QString &caption)
{
    return caption.isEmpty() ? PromptTitle() : caption;
}

QMessageBox::Icon iconOf(TMsgDlgType type)
{
    switch (type) {
    case mtWarning:
        return QMessageBox::Warning;
    case mtError:
        return QMessageBox::Critical;
    case mtInformation:
        return QMessageBox::Information;
    case mtConfirmation:
        return QMessageBox::Question;
    case mtCustom:
        break;
    }
    return QMessageBox::NoIcon;
}
} // namespace

TModalResult TQtPrompt::MessageBox(const QString &text, const QString &caption, TMsgDlgType type,
                                   TMsgButtons buttons)
{
    QMessageBox box(dialogParent());
    box.setWindowTitle(captionOrTitle(caption));
    box.setText(text);
    box.setTextFormat(Qt::PlainText);
    box.setIcon(iconOf(type));

    // The first button is the default one; the escape button gives the
    // answer of a box closed without a button.
    QMessageBox::StandardButtons set;
    QMessageBox::StandardButton byDefault = QMessageBox::Ok;
    QMessageBox::StandardButton escape = QMessageBox::Ok;
    switch (buttons) {
    case TMsgButtons::OK:
        set = QMessageBox::Ok;
        break;
    case TMsgButtons::OKCancel:
        set = QMessageBox::Ok | QMessageBox::Cancel;
        escape = QMessageBox::Cancel;
        break;
    case TMsgButtons::YesNo:
        set = QMessageBox::Yes | QMessageBox::No;
        byDefault = QMessageBox::Yes;
        escape = QMessageBox::No;
        break;
    case TMsgButtons::YesNoCancel:
        set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        byDefault = QMessageBox::Yes;
        escape = QMessageBox::Cancel;
        break;
    }
    box.setStandardButtons(set);
    box.setDefaultButton(byDefault);
    box.setEscapeButton(escape);
    box.exec();

    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Ok:
        return mrOk;
    case QMessageBox::Cancel:
        return mrCancel;
    case QMessageBox::Yes:
        return mrYes;
    case QMessageBox::No:
        return mrNo;
    default:
        break;
    }
    switch (escape) {
    case QMessageBox::Cancel:
        return mrCancel;
    case QMessageBox::No:
        return mrNo;
    default:
        return mrOk;
    }
}

bool TQtPrompt::InputBox(const QString &caption, const QString &prompt, QString &value)
{
    QDialog dialog(dialogParent());
    dialog.setWindowTitle(captionOrTitle(caption));
    dialog.setWindowFlags(dialog.windowFlags() & ~Qt::WindowContextHelpButtonHint);

    auto *layout = new QVBoxLayout(&dialog);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(8);
    auto *label = new QLabel(prompt, &dialog);
    label->setTextFormat(Qt::PlainText);
    layout->addWidget(label);
    auto *edit = new QLineEdit(value, &dialog);
    edit->setObjectName(QString::fromLatin1(InputEditName));
    edit->setMinimumWidth(280);
    edit->selectAll();
    label->setBuddy(edit);
    layout->addWidget(edit);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    layout->addSpacing(4);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    dialog.setFixedHeight(dialog.sizeHint().height());

    if (dialog.exec() != QDialog::Accepted)
        return false;
    value = edit->text();
    return true;
}

void TQtPrompt::Beep()
{
    QApplication::beep();
}
