#include "params/editvarform.h"

#include "params/listsform.h"
#include "params/macroform.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TEditVarForm::TEditVarForm(const TVarRec &binding, const QStringList &controls, QWidget *parent)
    : QDialog(parent), m_binding(binding)
{
    const bool parameter = binding.BindingKind == TVarRec::QueryParameter;
    setObjectName(QStringLiteral("EditVarForm"));
    setWindowTitle(parameter ? QStringLiteral("Query parameter") : QStringLiteral("Report label"));

    m_name = new QLineEdit(binding.Name, this);
    m_name->setObjectName(QStringLiteral("NameEdit"));
    auto *nameRow = new QFormLayout;
    nameRow->addRow(QStringLiteral("&Name : "), m_name);

    auto *source = new QGroupBox(QStringLiteral("&Source : "), this);
    m_constant = new QRadioButton(QStringLiteral("&Constant"), source);
    m_constant->setObjectName(QStringLiteral("ConstantChoice"));
    m_ini = new QRadioButton(QStringLiteral("Variable from &INI-file"), source);
    m_ini->setObjectName(QStringLiteral("IniChoice"));
    m_control = new QRadioButton(QStringLiteral("Control &element value"), source);
    m_control->setObjectName(QStringLiteral("ControlChoice"));
    m_value = new QLineEdit(source);
    m_value->setObjectName(QStringLiteral("ValueEdit"));
    m_file = new QLineEdit(source);
    m_file->setObjectName(QStringLiteral("FileEdit"));
    m_fileButton = new QPushButton(QStringLiteral("..."), source);
    m_fileButton->setAutoDefault(false);
    m_variable = new QLineEdit(source);
    m_variable->setObjectName(QStringLiteral("VariableEdit"));
    m_browse = new QPushButton(QStringLiteral("..."), source);
    m_browse->setObjectName(QStringLiteral("VariableButton"));
    m_browse->setAutoDefault(false);
    m_controls = new QComboBox(source);
    m_controls->setObjectName(QStringLiteral("ControlBox"));
    m_controls->addItems(controls);
    m_field = new QComboBox(source);
    m_field->setObjectName(QStringLiteral("FieldBox"));
    m_field->addItems({QStringLiteral("Text"), QStringLiteral("Value")});

    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(m_file, 1);
    fileRow->addWidget(m_fileButton);
    auto *variableRow = new QHBoxLayout;
    variableRow->addWidget(m_variable, 1);
    variableRow->addWidget(m_browse);
    auto *sourceLayout = new QFormLayout(source);
    sourceLayout->addRow(m_constant);
    sourceLayout->addRow(QStringLiteral("&Value : "), m_value);
    sourceLayout->addRow(m_ini);
    sourceLayout->addRow(QStringLiteral("&File :"), fileRow);
    sourceLayout->addRow(QStringLiteral("&Variable : "), variableRow);
    sourceLayout->addRow(m_control);
    sourceLayout->addRow(QStringLiteral("Control e&lement :"), m_controls);
    sourceLayout->addRow(QStringLiteral("&Field :"), m_field);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(nameRow);
    layout->addWidget(source);
    if (parameter) {
        auto *typeGroup = new QGroupBox(QStringLiteral(" Data type "), this);
        m_type = new QComboBox(typeGroup);
        m_type->setObjectName(QStringLiteral("TypeBox"));
        m_type->addItems({QStringLiteral("String"), QStringLiteral("Integer"), QStringLiteral("Date"),
                          QStringLiteral("Float")});
        m_type->setCurrentIndex(int(binding.DataType));
        auto *typeLayout = new QFormLayout(typeGroup);
        typeLayout->addRow(QStringLiteral("Assign as :"), m_type);
        layout->addWidget(typeGroup);
    }
    auto *box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = box->button(QDialogButtonBox::Ok);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(box);

    // The binding's current source.
    switch (binding.SourceKind) {
    case TVarRec::Constant:
        m_constant->setChecked(true);
        m_value->setText(binding.Source);
        break;
    case TVarRec::IniFile:
        m_ini->setChecked(true);
        m_file->setText(binding.Source);
        m_variable->setText(binding.Field);
        break;
    case TVarRec::ControlText:
    case TVarRec::ControlValue:
        m_control->setChecked(true);
        // A binding may name a control that is gone; it keeps its source until changed.
        if (!binding.Source.isEmpty()) {
            if (m_controls->findText(binding.Source, Qt::MatchFixedString) < 0)
                m_controls->addItem(binding.Source);
            m_controls->setCurrentIndex(m_controls->findText(binding.Source, Qt::MatchFixedString));
        }
        m_field->setCurrentIndex(binding.SourceKind == TVarRec::ControlValue ? 1 : 0);
        break;
    }

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
    for (QRadioButton *r : {m_constant, m_ini, m_control})
        connect(r, &QRadioButton::toggled, this, [this] { updateEnabled(); });
    connect(m_file, &QLineEdit::textChanged, this, [this] { updateEnabled(); });
    connect(m_name, &QLineEdit::textChanged, this, [this] { updateEnabled(); });
    updateEnabled();
}

void TEditVarForm::updateEnabled()
{
    m_ok->setEnabled(!m_name->text().isEmpty());
    m_value->setEnabled(m_constant->isChecked());
    const bool ini = m_ini->isChecked();
    m_file->setEnabled(ini);
    m_fileButton->setEnabled(ini);
    m_variable->setEnabled(ini && !m_file->text().trimmed().isEmpty());
    m_browse->setEnabled(ini && !m_file->text().trimmed().isEmpty());
    m_controls->setEnabled(m_control->isChecked());
    m_field->setEnabled(m_control->isChecked());
}

TVarRec TEditVarForm::Result() const
{
    TVarRec v = m_binding;
    v.Name = m_name->text();
    if (m_type)
        v.DataType = TParamDataType(m_type->currentIndex());
    if (m_constant->isChecked()) {
        v.SourceKind = TVarRec::Constant;
        v.Source = m_value->text();
        v.Field.clear();
    } else if (m_ini->isChecked()) {
        v.SourceKind = TVarRec::IniFile;
        v.Source = m_file->text();
        v.Field = m_variable->text();
    } else {
        const bool value = m_field->currentIndex() == 1;
        v.SourceKind = value ? TVarRec::ControlValue : TVarRec::ControlText;
        v.Source = m_controls->currentText();
        v.Field = value ? QStringLiteral("Value") : QStringLiteral("Text");
    }
    return v;
}

bool TEditVarForm::Execute(QWidget *parent, TVarRec &binding, const QStringList &controls)
{
    TEditVarForm form(binding, controls, parent);
    if (form.exec() != QDialog::Accepted)
        return false;
    binding = form.Result();
    return true;
}
