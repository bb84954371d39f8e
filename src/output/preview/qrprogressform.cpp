#include "qrprogressform.h"

#include "gui/translatewindow.h"
#include "output/pages/qrprinter.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

TQRProgressForm::TQRProgressForm(TQRPrinter *recorder, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint), m_recorder(recorder),
      m_info(new QLabel(this)), m_bar(new QProgressBar(this)),
      m_cancel(new QPushButton(QStringLiteral("Cancel"), this))
{
    setObjectName(QStringLiteral("QRProgressForm"));
    setWindowTitle(QStringLiteral("Printing progress"));
    m_info->setObjectName(QStringLiteral("Info"));
    m_bar->setObjectName(QStringLiteral("ProgressBar"));
    m_cancel->setObjectName(QStringLiteral("CancelButton"));
    setModal(false);
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_bar->setTextVisible(false);
    m_info->setAlignment(Qt::AlignCenter);
    m_info->setMinimumWidth(260);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_info);
    layout->addWidget(m_bar);
    layout->addWidget(m_cancel, 0, Qt::AlignHCenter);
    connect(m_cancel, &QPushButton::clicked, this, &TQRProgressForm::cancelClicked);
    if (recorder)
        connect(recorder, &TQRPrinter::ProgressChanged, this, &TQRProgressForm::ProgressUpdate,
                Qt::QueuedConnection);
    TranslateWindow(this, QStringLiteral("QRProgressForm"));
    adjustSize();
}

void TQRProgressForm::ProgressUpdate(int percent)
{
    if (percent % 5 != 0)
        return;
    m_bar->setValue(std::clamp(percent, 0, 100));
    m_info->setText(QString::number(percent) + QStringLiteral("% ") + QStringLiteral(" Completed"));
}

void TQRProgressForm::cancelClicked()
{
    if (m_recorder)
        m_recorder->Cancel();
    m_cancel->setEnabled(false);
}
