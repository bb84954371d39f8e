#include "params/listsform.h"

#include "common/profile.h"
#include "gui/translatewindow.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

TListsForm::TListsForm(const QString &fileName, QWidget *parent)
    : QDialog(parent), m_fileName(fileName), m_sections(new QListWidget(this)),
      m_variables(new QListWidget(this))
{
    setObjectName(QStringLiteral("ListsForm"));
    m_sections->setObjectName(QStringLiteral("Sections"));
    m_variables->setObjectName(QStringLiteral("Variables"));
    auto *sectionsCaption = new QLabel(QStringLiteral("Sections"), this);
    sectionsCaption->setObjectName(QStringLiteral("SectionsLabel"));
    auto *variablesCaption = new QLabel(QStringLiteral("Variables"), this);
    variablesCaption->setObjectName(QStringLiteral("VariablesLabel"));

    auto *box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = box->button(QDialogButtonBox::Ok);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *grid = new QGridLayout(this);
    grid->addWidget(sectionsCaption, 0, 0);
    grid->addWidget(variablesCaption, 0, 1);
    grid->addWidget(m_sections, 1, 0);
    grid->addWidget(m_variables, 1, 1);
    grid->addWidget(box, 2, 0, 1, 2);

    const TIniFile ini(fileName);
    m_sections->addItems(ini.ReadSections());
    connect(m_sections, &QListWidget::currentRowChanged, this, [this] { showSection(); });
    connect(m_variables, &QListWidget::currentRowChanged, this,
            [this] { m_ok->setEnabled(m_variables->currentRow() >= 0); });
    connect(m_variables, &QListWidget::itemDoubleClicked, this, [this] { accept(); });
    if (m_sections->count() > 0)
        m_sections->setCurrentRow(0);
    m_ok->setEnabled(false);
    TranslateWindow(this, QStringLiteral("ListsForm"));
    // The file's name goes into the caption after the translation.
    setWindowTitle(QStringLiteral("Review ") + u'"' + fileName + u'"');
    resize(420, 300);
}

void TListsForm::showSection()
{
    m_variables->clear();
    m_ok->setEnabled(false);
    if (QListWidgetItem *section = m_sections->currentItem())
        m_variables->addItems(TIniFile(m_fileName).ReadSection(section->text()));
}

QString TListsForm::Answer() const
{
    if (!m_sections->currentItem() || !m_variables->currentItem())
        return QString();
    return m_sections->currentItem()->text() + u',' + m_variables->currentItem()->text();
}

QString TListsForm::Execute(QWidget *parent, const QString &fileName)
{
    TListsForm form(fileName, parent);
    return form.exec() == QDialog::Accepted ? form.Answer() : QString();
}
