#include "designer/dbopenform.h"

#include "common/prompt.h"
#include "data/session.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <exception>

namespace
{
bool hasWildcard(const QString &text)
{
    return text.contains(QLatin1Char('*')) || text.contains(QLatin1Char('?'));
}

QLabel *captionFor(const QString &text, QWidget *buddy)
{
    auto *label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}
} // namespace

TDBOpenForm::TDBOpenForm(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Open table"));
    m_aliases = new QListWidget;
    m_aliases->setObjectName(QStringLiteral("Aliases"));
    m_aliases->addItems(Session().DatabaseNames());
    m_drives = new QComboBox;
    m_drives->setObjectName(QStringLiteral("Drives"));
    for (const QFileInfo &drive : QDir::drives())
        m_drives->addItem(QDir::toNativeSeparators(drive.absoluteFilePath()));
    m_directoryLabel = new QLabel;
    m_directoryLabel->setObjectName(QStringLiteral("Directory"));
    m_directories = new QListWidget;
    m_directories->setObjectName(QStringLiteral("Directories"));
    m_fileTypes = new QComboBox;
    m_fileTypes->setObjectName(QStringLiteral("FileTypes"));
    for (const auto &type : FileTypes())
        m_fileTypes->addItem(type.first, type.second);
    m_fileName = new QLineEdit(QStringLiteral("*.DB*"));
    m_fileName->setObjectName(QStringLiteral("FileName"));
    m_tables = new QListWidget;
    m_tables->setObjectName(QStringLiteral("Tables"));

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TDBOpenForm::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *grid = new QGridLayout(this);
    grid->addWidget(captionFor(QStringLiteral("&Alias:"), m_aliases), 0, 0);
    grid->addWidget(m_aliases, 1, 0, 3, 1);
    grid->addWidget(captionFor(QStringLiteral("&Drives:"), m_drives), 0, 1);
    grid->addWidget(m_drives, 1, 1);
    grid->addWidget(m_directoryLabel, 2, 1);
    grid->addWidget(m_directories, 3, 1);
    grid->addWidget(captionFor(QStringLiteral("File &name:"), m_fileName), 0, 2);
    grid->addWidget(m_fileName, 1, 2);
    grid->addWidget(captionFor(QStringLiteral("&Tables:"), m_tables), 2, 2);
    grid->addWidget(m_tables, 3, 2);
    grid->addWidget(captionFor(QStringLiteral("List files of &type:"), m_fileTypes), 4, 1);
    grid->addWidget(m_fileTypes, 5, 1);
    grid->addWidget(buttons, 5, 2);

    connect(m_aliases, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { ChooseAlias(item->text()); });
    connect(m_aliases, &QListWidget::itemActivated, this,
            [this](QListWidgetItem *item) { ChooseAlias(item->text()); });
    connect(m_drives, &QComboBox::activated, this,
            [this](int index) { ChooseDirectory(QDir::fromNativeSeparators(m_drives->itemText(index))); });
    connect(m_directories, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) {
        ChooseDirectory(QDir(m_directory).absoluteFilePath(item->text()));
    });
    connect(m_fileTypes, &QComboBox::activated, this,
            [this](int index) { SetFileName(m_fileTypes->itemData(index).toString()); });
    connect(m_fileName, &QLineEdit::textEdited, this, [this](const QString &text) {
        if (hasWildcard(text) && !m_alias)
            fillTables();
    });
    connect(m_tables, &QListWidget::itemActivated, this, [this] { accept(); });

    ChooseDirectory(QDir::currentPath());
    resize(620, 380);
}

QList<QPair<QString, QString>> TDBOpenForm::FileTypes()
{
    return {{QStringLiteral("*.DB*"), QStringLiteral("*.DB*")},
            {QStringLiteral("SQLite files (*.sqlite*)"), QStringLiteral("*.sqlite*")},
            {QStringLiteral("CSV files (*.csv)"), QStringLiteral("*.csv")},
            {QStringLiteral("*.*"), QStringLiteral("*.*")}};
}

void TDBOpenForm::SetDatabaseName(const QString &database)
{
    if (database.isEmpty())
        return;
    const QString path = QDir::fromNativeSeparators(database);
    if (Session().IsAlias(database) || !QFileInfo(path).isDir())
        ChooseAlias(database);
    else
        ChooseDirectory(path);
}

void TDBOpenForm::SetTableName(const QString &table)
{
    if (table.isEmpty())
        return;
    const auto found = m_tables->findItems(table, Qt::MatchFixedString);
    if (!found.isEmpty()) {
        m_tables->setCurrentItem(found.first());
        return;
    }
    m_tables->setCurrentItem(nullptr);
    m_fileName->setText(table);
}

QString TDBOpenForm::TableName() const
{
    if (QListWidgetItem *item = m_tables->currentItem(); item && item->isSelected())
        return item->text();
    const QString typed = m_fileName->text().trimmed();
    return hasWildcard(typed) ? QString() : typed;
}

bool TDBOpenForm::Execute()
{
    return exec() == QDialog::Accepted;
}

void TDBOpenForm::ChooseAlias(const QString &alias)
{
    m_alias = true;
    m_database = alias;
    const auto found = m_aliases->findItems(alias, Qt::MatchFixedString);
    m_aliases->setCurrentItem(found.isEmpty() ? nullptr : found.first());
    fillTables();
}

void TDBOpenForm::ChooseDirectory(const QString &dir)
{
    const QString path = QDir::cleanPath(QDir(dir).absolutePath());
    if (!QFileInfo(path).isDir())
        return;
    m_alias = false;
    m_directory = path;
    m_database = QDir::toNativeSeparators(path);
    m_aliases->setCurrentItem(nullptr);
    m_aliases->clearSelection();
    m_directoryLabel->setText(QDir::toNativeSeparators(path));
    m_directories->clear();
    const QDir d(path);
    if (!d.isRoot())
        m_directories->addItem(QStringLiteral(".."));
    m_directories->addItems(d.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase));
    fillTables();
}

void TDBOpenForm::SetFileName(const QString &text)
{
    m_fileName->setText(text);
    if (hasWildcard(text) && !m_alias)
        fillTables();
}

void TDBOpenForm::fillTables()
{
    m_tables->clear();
    if (m_alias) {
        try {
            m_tables->addItems(Session().TableNames(m_database));
        } catch (const std::exception &e) {
            Prompt().ShowError(QString::fromUtf8(e.what()));
        }
        return;
    }
    QString pattern = m_fileName->text().trimmed();
    if (!hasWildcard(pattern))
        pattern = m_fileTypes->currentData().toString();
    QDir d(m_directory);
    d.setNameFilters(pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts));
    m_tables->addItems(d.entryList(QDir::Files, QDir::Name | QDir::IgnoreCase));
}

void TDBOpenForm::accept()
{
    if (m_database.isEmpty() || TableName().isEmpty()) {
        Prompt().Beep();
        return;
    }
    QDialog::accept();
}
