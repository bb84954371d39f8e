#pragma once

// The progress window of a run: "Printing progress", the share done and a
// Cancel button that stops the run at its next record.

#include "output/pages/qrprinter.h"
#include <QDialog>
#include <QPointer>

class QLabel;
class QProgressBar;
class QPushButton;

class TQRProgressForm : public QDialog
{
    Q_OBJECT
public:
    // Follows recorder's progress notices (not owned).
    explicit TQRProgressForm(TQRPrinter *recorder, QWidget *parent = nullptr);

    // Shows a progress notice; only multiples of 5 change the window.
    void ProgressUpdate(int percent);
    // The text line and the bar, for tests.
    QLabel *Info() const { return m_info; }
    QProgressBar *Bar() const { return m_bar; }
    QPushButton *CancelButton() const { return m_cancel; }

private:
    void cancelClicked();

    QPointer<TQRPrinter> m_recorder;
    QLabel *m_info;
    QProgressBar *m_bar;
    QPushButton *m_cancel;
};
