#include "params/macroform.h"

#include "gui/translatewindow.h"
#include "params/listsform.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

QString ProfileFileFilter()
{
    return QStringLiteral("CFG - файлы (*.cfg);;INI - файлы (*.ini);;Все файлы (*.*)");
}

QString ChooseProfileFile(QWidget *parent, const QString &current)
{
    QString selected = QStringLiteral("INI - файлы (*.ini)");
    return QFileDialog::getOpenFileName(parent, QStringLiteral("Open"), current, ProfileFileFilter(),
                                        &selected);
}

TSourceEditors::TSourceEditors(QWidget *parent, QWidget *dialog, const QStringList &controls)
{
    File = new QLineEdit(parent);
    File->setObjectName(QStringLiteral("FileEdit"));
    FileButton = new QPushButton(QStringLiteral("..."), parent);
    FileButton->setObjectName(QStringLiteral("FileButton"));
    FileButton->setAutoDefault(false);
    Variable = new QLineEdit(parent);
    Variable->setObjectName(QStringLiteral("VariableEdit"));
    Browse = new QPushButton(QStringLiteral("..."), parent);
    Browse->setObjectName(QStringLiteral("VariableButton"));
    Browse->setAutoDefault(false);
    Controls = new QComboBox(parent);
    Controls->setObjectName(QStringLiteral("ControlBox"));
    Controls->addItems(controls);
    Field = new QComboBox(parent);
    Field->setObjectName(QStringLiteral("FieldBox"));
    Field->addItems({QStringLiteral("Text"), QStringLiteral("Value")});
    FileRow = new QHBoxLayout;
    FileRow->addWidget(File, 1);
    FileRow->addWidget(FileButton);
    VariableRow = new QHBoxLayout;
    VariableRow->addWidget(Variable, 1);
    VariableRow->addWidget(Browse);

    QLineEdit *file = File, *variable = Variable;
    QObject::connect(FileButton, &QPushButton::clicked, dialog, [dialog, file] {
        const QString name = ChooseProfileFile(dialog, file->text());
        if (!name.isEmpty())
            file->setText(name);
    });
    QObject::connect(Browse, &QPushButton::clicked, dialog, [dialog, file, variable] {
        const QString answer = TListsForm::Execute(dialog, file->text());
        if (!answer.isEmpty())
            variable->setText(answer);
    });
}

void TSourceEditors::AddProfileRows(QFormLayout *form, const QString &fileCaption,
                                    const QString &variableCaption) const
{
    // A form gives a caption its edit as buddy only when the row is a widget; these rows are
    // layouts, so the captions are told their edits, or "&" would show instead of the mnemonic.
    auto *fileLabel = new QLabel(fileCaption, File->parentWidget());
    fileLabel->setBuddy(File);
    form->addRow(fileLabel, FileRow);
    auto *variableLabel = new QLabel(variableCaption, Variable->parentWidget());
    variableLabel->setBuddy(Variable);
    form->addRow(variableLabel, VariableRow);
}

void TSourceEditors::SetEnabled(bool ini, bool control) const
{
    File->setEnabled(ini);
    FileButton->setEnabled(ini);
    const bool haveFile = ini && !File->text().trimmed().isEmpty();
    Variable->setEnabled(haveFile);
    Browse->setEnabled(haveFile);
    Controls->setEnabled(control);
    Field->setEnabled(control);
}

TMacroForm::TMacroForm(const QStringList &controls, QWidget *parent)
    : QDialog(parent), m_source(this, this, controls)
{
    setObjectName(QStringLiteral("MacroForm"));
    setWindowTitle(QStringLiteral("Macros generator"));

    auto *group = new QGroupBox(QStringLiteral(" Value  "), this);
    group->setObjectName(QStringLiteral("ValueGroup"));
    m_ini = new QRadioButton(QStringLiteral("From &INI-file."), group);
    m_ini->setObjectName(QStringLiteral("IniChoice"));
    m_control = new QRadioButton(QStringLiteral("&Control element value"), group);
    m_control->setObjectName(QStringLiteral("ControlChoice"));
    auto *groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(m_ini);
    groupLayout->addWidget(m_control);

    auto *form = new QFormLayout;
    m_source.AddProfileRows(form, QStringLiteral("&File:"), QStringLiteral("&Variable name: "));
    form->addRow(QStringLiteral("&Control element:"), m_source.Controls);
    form->addRow(QStringLiteral("&Field :"), m_source.Field);

    auto *box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(form);
    layout->addWidget(box);

    connect(m_ini, &QRadioButton::toggled, this, [this] { updateEnabled(); });
    connect(m_source.File, &QLineEdit::textChanged, this, [this] { updateEnabled(); });
    m_ini->setChecked(true);
    updateEnabled();
    TranslateWindow(this, QStringLiteral("MacroForm"));
}

void TMacroForm::updateEnabled()
{
    const bool ini = m_ini->isChecked();
    m_source.SetEnabled(ini, !ini);
}

QString TMacroForm::Result() const
{
    if (m_ini->isChecked())
        return QStringLiteral("ini.") + m_source.File->text() + u',' + m_source.Variable->text();
    return m_source.Controls->currentText() + u'.' + m_source.Field->currentText();
}

QString TMacroForm::Execute(QWidget *parent, const QStringList &controls)
{
    TMacroForm form(controls, parent);
    return form.exec() == QDialog::Accepted ? form.Result() : QString();
}
