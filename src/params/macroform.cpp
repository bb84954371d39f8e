#include "params/macroform.h"

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

TMacroForm::TMacroForm(const QStringList &controls, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("MacroForm"));
    setWindowTitle(QStringLiteral("Macros generator"));

    auto *group = new QGroupBox(QStringLiteral(" Value  "), this);
    m_ini = new QRadioButton(QStringLiteral("From &INI-file."), group);
    m_ini->setObjectName(QStringLiteral("IniChoice"));
    m_control = new QRadioButton(QStringLiteral("&Control element value"), group);
    m_control->setObjectName(QStringLiteral("ControlChoice"));
    auto *groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(m_ini);
    groupLayout->addWidget(m_control);

    m_file = new QLineEdit(this);
    m_file->setObjectName(QStringLiteral("FileEdit"));
    m_fileButton = new QPushButton(QStringLiteral("..."), this);
    m_fileButton->setAutoDefault(false);
    m_variable = new QLineEdit(this);
    m_variable->setObjectName(QStringLiteral("VariableEdit"));
    m_browse = new QPushButton(QStringLiteral("..."), this);
    m_browse->setObjectName(QStringLiteral("VariableButton"));
    m_browse->setAutoDefault(false);
    m_controls = new QComboBox(this);
    m_controls->setObjectName(QStringLiteral("ControlBox"));
    m_controls->addItems(controls);
    m_field = new QComboBox(this);
    m_field->setObjectName(QStringLiteral("FieldBox"));
    m_field->addItems({QStringLiteral("Text"), QStringLiteral("Value")});

    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(m_file, 1);
    fileRow->addWidget(m_fileButton);
    auto *variableRow = new QHBoxLayout;
    variableRow->addWidget(m_variable, 1);
    variableRow->addWidget(m_browse);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("&File:"), fileRow);
    form->addRow(QStringLiteral("&Variable name: "), variableRow);
    form->addRow(QStringLiteral("&Control element:"), m_controls);
    form->addRow(QStringLiteral("&Field :"), m_field);

    auto *box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(form);
    layout->addWidget(box);

    connect(m_fileButton, &QPushButton::clicked, this, [this] {
        const QString name = ChooseProfileFile(this, m_file->text());
        if (!name.isEmpty())
            m_file->setText(name);
    });
    connect(m_browse, &QPushButton::clicked, this, [this] {
        const QString answer = TListsForm::Execute(this, m_file->text());
        if (!answer.isEmpty())
            m_variable->setText(answer);
    });
    connect(m_ini, &QRadioButton::toggled, this, [this] { updateEnabled(); });
    connect(m_file, &QLineEdit::textChanged, this, [this] { updateEnabled(); });
    m_ini->setChecked(true);
    updateEnabled();
}

void TMacroForm::updateEnabled()
{
    const bool ini = m_ini->isChecked();
    m_file->setEnabled(ini);
    m_fileButton->setEnabled(ini);
    const bool haveFile = ini && !m_file->text().trimmed().isEmpty();
    m_variable->setEnabled(haveFile);
    m_browse->setEnabled(haveFile);
    m_controls->setEnabled(!ini);
    m_field->setEnabled(!ini);
}

QString TMacroForm::Result() const
{
    if (m_ini->isChecked())
        return QStringLiteral("ini.") + m_file->text() + u',' + m_variable->text();
    return m_controls->currentText() + u'.' + m_field->currentText();
}

QString TMacroForm::Execute(QWidget *parent, const QStringList &controls)
{
    TMacroForm form(controls, parent);
    return form.exec() == QDialog::Accepted ? form.Result() : QString();
}
