#include "guihooks.h"

#include "engine/generation.h"
#include "gui/qtprompt.h"
#include "gui/translatewindow.h"
#include "output/pages/qrprinter.h"
#include "qrprintdialog.h"
#include "qrprinterlayer.h"
#include "qrprogressform.h"
#include "qrstandardpreview.h"

#include <QApplication>
#include <QPrinter>

TQRStandardPreview *ShowStandardPreview(TQRPrinter *recorder)
{
    // Opened from a modal window (the parameter dialog, the launcher, the designer), the preview
    // stands above it and is modal in its turn: a modal window keeps every input from windows
    // that are not its own, so a free preview would sit there dead, and its run never return.
    QWidget *modal = QApplication::activeModalWidget();
    auto *window = new TQRStandardPreview(recorder, modal);
    window->SetOwnsRecorder(recorder && !recorder->Master());
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (modal)
        window->setWindowModality(Qt::ApplicationModal);
    window->showMaximized();
    window->raise();
    window->activateWindow();
    return window;
}

void InstallGuiHooks()
{
    static TQtPrompt prompt;
    SetPromptService(&prompt);
    QRPrintDeviceFactory() = [] { return std::make_unique<TQRQtPrintDevice>(); };
    QRPreviewWindowHook() = [](TQRPrinter *recorder) { ShowStandardPreview(recorder); };
    QRProgressWindowHook() = [](TQRPrinter *recorder) -> QObject * {
        auto *form = new TQRProgressForm(recorder);
        form->show();
        return form;
    };
    QRPrintDialogHook() = [](TQRCustomReport *report) { return QRPrinterSetup(report); };
    // Runs keep their windows responsive; user input is not excluded, so
    // that Cancel and the preview's buttons work while pages are drawn.
    QRProcessMessagesHook() = [] { QCoreApplication::processEvents(); };

    RegisterLanguageWindow(QStringLiteral("QRStandardPreview"),
                           [] { return new TQRStandardPreview(nullptr); });
    RegisterLanguageWindow(QStringLiteral("QRProgressForm"), [] { return new TQRProgressForm(nullptr); });
    RegisterLanguageWindow(QStringLiteral("QRPrintDialog"), [] {
        static QPrinter printer; // the dialog keeps a pointer to it
        auto *dialog = new QPrintDialog(&printer);
        QRMarkPrintDialogData(*dialog);
        TranslateWindow(dialog, QStringLiteral("QRPrintDialog")); // as the print setup does
        return dialog;
    });
}
