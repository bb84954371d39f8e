#include "app/aboutform.h"

#include "app/images.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#ifndef TABULON_VERSION
#define TABULON_VERSION "0.1"
#endif

QString TAboutForm::Version()
{
    return QStringLiteral(TABULON_VERSION);
}

TAboutForm::TAboutForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(QStringLiteral("About"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    auto *image = new QLabel(this);
    image->setPixmap(AppImage(imgApplication).pixmap(48, 48));
    image->setAlignment(Qt::AlignTop);

    auto *name = new QLabel(QStringLiteral("Tabulon"), this);
    name->setObjectName(QStringLiteral("ProductName"));
    QFont big = name->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.6);
    name->setFont(big);
    auto *version = new QLabel(QStringLiteral("Version %1").arg(Version()), this);
    version->setObjectName(QStringLiteral("Version"));
    auto *text = new QLabel(QStringLiteral("A desktop report tool: report catalogue, parameter dialogs,\n"
                                           "report designer, preview, printing and export."),
                            this);
    auto *qt = new QLabel(QStringLiteral("Built with Qt %1").arg(QString::fromLatin1(qVersion())), this);
    QPalette muted = qt->palette();
    muted.setColor(QPalette::WindowText, muted.color(QPalette::Disabled, QPalette::WindowText));
    qt->setPalette(muted);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(4);
    texts->addWidget(name);
    texts->addWidget(version);
    texts->addSpacing(8);
    texts->addWidget(text);
    texts->addSpacing(4);
    texts->addWidget(qt);

    auto *top = new QHBoxLayout;
    top->setSpacing(16);
    top->addWidget(image);
    top->addLayout(texts, 1);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->setSpacing(12);
    layout->addLayout(top);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TAboutForm::Execute(QWidget *parent)
{
    TAboutForm about(parent);
    about.exec();
}
