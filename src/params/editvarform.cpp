#include "params/editvarform.h"

#include "gui/translatewindow.h"
#include "params/listsform.h"

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
    : QDialog(parent), m_binding(binding), m_source(this, this, controls)
{
    const bool parameter = binding.BindingKind == TVarRec::QueryParameter;
    setObjectName(QStringLiteral("EditVarForm"));
    setWindowTitle(parameter ? QStringLiteral("Query parameter") : QStringLiteral("Report label"));

    m_name = new QLineEdit(binding.Name, this);
    m_name->setObjectName(QStringLiteral("NameEdit"));
    auto *nameRow = new QFormLayout;
    nameRow->addRow(QStringLiteral("&Name : "), m_name);

    auto *source = new QGroupBox(QStringLiteral("&Source : "), this);
    source->setObjectName(QStringLiteral("SourceGroup"));
    m_constant = new QRadioButton(QStringLiteral("&Constant"), source);
    m_constant->setObjectName(QStringLiteral("ConstantChoice"));
    m_ini = new QRadioButton(QStringLiteral("Variable from &INI-file"), source);
    m_ini->setObjectName(QStringLiteral("IniChoice"));
    m_control = new QRadioButton(QStringLiteral("Control &element value"), source);
    m_control->setObjectName(QStringLiteral("ControlChoice"));
    m_value = new QLineEdit(source);
    m_value->setObjectName(QStringLiteral("ValueEdit"));
    auto *sourceLayout = new QFormLayout(source);
    sourceLayout->addRow(m_constant);
    sourceLayout->addRow(QStringLiteral("&Value : "), m_value);
    sourceLayout->addRow(m_ini);
    m_source.AddProfileRows(sourceLayout, QStringLiteral("&File :"), QStringLiteral("&Variable : "));
    sourceLayout->addRow(m_control);
    sourceLayout->addRow(QStringLiteral("Control e&lement :"), m_source.Controls);
    sourceLayout->addRow(QStringLiteral("&Field :"), m_source.Field);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(nameRow);
    layout->addWidget(source);
    if (parameter) {
        auto *typeGroup = new QGroupBox(QStringLiteral(" Data type "), this);
        typeGroup->setObjectName(QStringLiteral("TypeGroup"));
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
        m_source.File->setText(binding.Source);
        m_source.Variable->setText(binding.Field);
        break;
    case TVarRec::ControlText:
    case TVarRec::ControlValue:
        m_control->setChecked(true);
        // A binding may name a control that is gone; it keeps its source until changed.
        if (!binding.Source.isEmpty()) {
            if (m_source.Controls->findText(binding.Source, Qt::MatchFixedString) < 0)
                m_source.Controls->addItem(binding.Source);
            m_source.Controls->setCurrentIndex(
                m_source.Controls->findText(binding.Source, Qt::MatchFixedString));
        }
        m_source.Field->setCurrentIndex(binding.SourceKind == TVarRec::ControlValue ? 1 : 0);
        break;
    }

    for (QRadioButton *r : {m_constant, m_ini, m_control})
        connect(r, &QRadioButton::toggled, this, [this] { updateEnabled(); });
    connect(m_source.File, &QLineEdit::textChanged, this, [this] { updateEnabled(); });
    connect(m_name, &QLineEdit::textChanged, this, [this] { updateEnabled(); });
    updateEnabled();
    TranslateWindow(this, QStringLiteral("EditVarForm"));
}

void TEditVarForm::updateEnabled()
{
    m_ok->setEnabled(!m_name->text().isEmpty());
    m_value->setEnabled(m_constant->isChecked());
    const bool ini = m_ini->isChecked();
    m_source.SetEnabled(ini, m_control->isChecked());
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
        v.Source = m_source.File->text();
        v.Field = m_source.Variable->text();
    } else {
        const bool value = m_source.Field->currentIndex() == 1;
        v.SourceKind = value ? TVarRec::ControlValue : TVarRec::ControlText;
        v.Source = m_source.Controls->currentText();
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
