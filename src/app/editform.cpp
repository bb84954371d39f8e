#include "app/editform.h"

#include "common/programdir.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace
{
TEditform::TFileChooser &fileChooser()
{
    static TEditform::TFileChooser chooser;
    return chooser;
}

QString chooseWithDialog(QWidget *parent)
{
    QFileDialog dialog(parent, QStringLiteral("Choice report"), ProgramDir());
    dialog.setFileMode(QFileDialog::ExistingFile);
    // File names match without regard to case, so the filter does too.
    dialog.setNameFilter(QStringLiteral("Reports (*.qr2 *.QR2 *.Qr2 *.qR2)"));
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}
} // namespace

TEditform::TEditform(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Report property"));
    setObjectName(QStringLiteral("Editform"));

    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(8);

    m_file = new QLineEdit(this);
    m_file->setObjectName(QStringLiteral("FileEdit"));
    m_choose = new QToolButton(this);
    m_choose->setObjectName(QStringLiteral("ChooseButton"));
    m_choose->setText(QStringLiteral("..."));
    m_choose->setToolTip(QStringLiteral("Choice report"));
    m_description = new QLineEdit(this);
    m_description->setObjectName(QStringLiteral("DescriptionEdit"));
    m_description->setMinimumWidth(320);

    auto *fileLabel = new QLabel(QStringLiteral("&File :"), this);
    fileLabel->setBuddy(m_file);
    auto *descriptionLabel = new QLabel(QStringLiteral("&Description :"), this);
    descriptionLabel->setBuddy(m_description);

    auto *fileRow = new QHBoxLayout;
    fileRow->setSpacing(4);
    fileRow->addWidget(m_file, 1);
    fileRow->addWidget(m_choose);
    grid->addWidget(fileLabel, 0, 0);
    grid->addLayout(fileRow, 0, 1);
    grid->addWidget(descriptionLabel, 1, 0);
    grid->addWidget(m_description, 1, 1);
    grid->setColumnStretch(1, 1);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("Buttons"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_choose, &QToolButton::clicked, this, &TEditform::ChooseFile);

    // Keyboard users go from the file name straight to the description; the file choice
    // button comes after them.
    setTabOrder(m_file, m_description);
    setTabOrder(m_description, m_choose);
    setTabOrder(m_choose, buttons->button(QDialogButtonBox::Ok));
    setTabOrder(buttons->button(QDialogButtonBox::Ok), buttons->button(QDialogButtonBox::Cancel));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(12);
    layout->addLayout(grid);
    layout->addStretch(1);
    layout->addWidget(buttons);
    setFixedHeight(sizeHint().height());
}

void TEditform::SetValues(const QString &key, const QString &description)
{
    m_file->setText(key);
    m_description->setText(description);
}

QString TEditform::FileText() const
{
    return m_file->text();
}

QString TEditform::DescriptionText() const
{
    return m_description->text();
}

QString TEditform::KeyFromFileName(const QString &path)
{
    QString name = NormalizeSeparators(path);
    name = name.mid(name.lastIndexOf(u'/') + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot >= 0)
        name.truncate(dot);
    return name;
}

void TEditform::SetFileChooser(TFileChooser chooser)
{
    fileChooser() = std::move(chooser);
}

void TEditform::ChooseFile()
{
    const QString path = fileChooser() ? fileChooser()(this) : chooseWithDialog(this);
    if (!path.isEmpty())
        m_file->setText(KeyFromFileName(path));
}

bool TEditform::Execute(QWidget *parent, QString &key, QString &description)
{
    TEditform dialog(parent);
    dialog.SetValues(key, description);
    if (dialog.exec() != QDialog::Accepted || dialog.FileText().trimmed().isEmpty())
        return false;
    key = dialog.FileText().trimmed();
    description = dialog.DescriptionText();
    return true;
}
