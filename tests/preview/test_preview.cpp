// The preview control and the standard preview window, driven through
// their widgets: zoom limits and fit modes, page navigation by keys, pages
// that arrive while the report runs, the status bar, Save and Load, and
// closing during a run.
#include "common/prompt.h"
#include "output/preview/guihooks.h"
#include "output/preview/qrpreview.h"
#include "output/preview/qrprintdialog.h"
#include "output/preview/qrprogressform.h"
#include "output/preview/qrstandardpreview.h"
#include "output/textfilter.h"
#include "previewtest.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPrinterInfo>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace
{
// The program's hooks, as the test main installed them; what a test replaces is put back.
using Hooks = KeptGuiHooks;

// A window on a recorded report, shown and active so that its keys work.
struct PreviewWindow {
    ThreePageReport report;
    std::unique_ptr<TQRStandardPreview> window;
    PreviewWindow()
    {
        report.report->PreparePages();
        window = std::make_unique<TQRStandardPreview>(report.report->QRPrinter());
        window->resize(900, 700);
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    TQRPreview *preview() const { return window->Preview(); }
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(window.get(), Qt::Key(key), modifiers);
    }
};

QByteArray pageBytes(TQRPrinter *printer, int n)
{
    QByteArray bytes;
    printer->GetPageData(n, &bytes);
    return bytes;
}
} // namespace

TEST(PreviewControl, ZoomKeepsItsLimitsAndSizesTheImage)
{
    ThreePageReport f;
    f.report->PreparePages();
    TQRPrinter *p = f.report->QRPrinter();
    TQRPreview preview;
    preview.resize(600, 400);
    preview.show();
    preview.SetRecorder(p);
    EXPECT_TRUE(p->PreviewShown());
    EXPECT_EQ(preview.Zoom(), 100);
    for (int ignored : {1, 2001, 0, -5}) {
        preview.SetZoom(ignored);
        EXPECT_EQ(preview.Zoom(), 100) << ignored;
    }
    preview.SetZoom(2);
    EXPECT_EQ(preview.Zoom(), 2);
    EXPECT_EQ(preview.Image()->width(), p->XSize(p->PageWidth() * 2 / 100) + 4);
    preview.SetZoom(2000);
    EXPECT_EQ(preview.Zoom(), 2000);
    EXPECT_EQ(preview.Image()->height(), p->YSize(p->PageHeight() * 2000 / 100) + 4);
    EXPECT_EQ(preview.ZoomMode(), TQRPreview::zmExplicit);

    // Fit page: the smaller of 95 % of width and height; fit width: 90 % of the width.
    preview.ZoomToFit();
    const double pw = p->XSize(p->PageWidth()), ph = p->YSize(p->PageHeight());
    EXPECT_EQ(preview.Zoom(), int(std::min(std::lround(600 / pw * 95), std::lround(400 / ph * 95))));
    EXPECT_EQ(preview.ZoomMode(), TQRPreview::zmFitPage);
    preview.ZoomToWidth();
    EXPECT_EQ(preview.Zoom(), int(std::lround(600 / pw * 90)));
    // A resize applies the mode again.
    preview.resize(1200, 400);
    EXPECT_EQ(preview.Zoom(), int(std::lround(1200 / pw * 90)));

    // Detaching tells the recorder no preview shows it.
    preview.SetRecorder(nullptr);
    EXPECT_FALSE(p->PreviewShown());
    EXPECT_FALSE(preview.Image()->HasPage());
}

TEST(PreviewControl, NavigationIgnoresPagesThatAreNotThereAndWaitsForUnfinishedOnes)
{
    TQRPrinter p;
    TQRPreview preview;
    int announced = 0, lastProgress = -1;
    preview.OnPageAvailable = [&](QObject *, int n) { announced = n; };
    preview.OnProgressUpdate = [&](QObject *, int progress) { lastProgress = progress; };
    preview.SetPageNumber(2); // no recorder
    EXPECT_EQ(preview.PageNumber(), 1);

    preview.SetRecorder(&p);
    p.OpenDocument();
    p.NewPage();
    p.Canvas()->drawText(20, 20, QStringLiteral("one"));
    EXPECT_FALSE(preview.PageShown()); // page 1 is still being drawn
    p.NewPage();                       // closes page 1
    QCoreApplication::processEvents();
    EXPECT_EQ(announced, 1);
    EXPECT_TRUE(preview.PageShown());
    EXPECT_EQ(preview.Image()->PageNumber(), 1);

    preview.SetPageNumber(3); // not begun
    EXPECT_EQ(preview.PageNumber(), 1);
    preview.SetPageNumber(0);
    EXPECT_EQ(preview.PageNumber(), 1);
    preview.SetPageNumber(2); // begun, not finished: shown once it is
    EXPECT_EQ(preview.PageNumber(), 2);
    EXPECT_FALSE(preview.PageShown());
    p.ReportProgress(40);
    p.CloseDocument();
    QCoreApplication::processEvents();
    EXPECT_EQ(announced, 2);
    EXPECT_EQ(lastProgress, 40);
    EXPECT_TRUE(preview.PageShown());
    EXPECT_EQ(preview.Image()->PageNumber(), 2);
}

TEST(StandardPreview, CommandsKeysAndHints)
{
    PreviewWindow w;
    TQRStandardPreview *win = w.window.get();
    EXPECT_EQ(win->windowTitle(), QStringLiteral("Three pages"));
    EXPECT_EQ(win->ZoomFitAction()->toolTip(), QStringLiteral("Zoom to fit"));
    EXPECT_EQ(win->Zoom100Action()->toolTip(), QStringLiteral("100%"));
    EXPECT_EQ(win->NextPageAction()->toolTip(), QStringLiteral("Next page"));
    EXPECT_EQ(win->PrinterSetupAction()->toolTip(), QStringLiteral("Printer setup"));
    EXPECT_EQ(win->SaveAction()->toolTip(), QStringLiteral("Save Report"));
    EXPECT_EQ(win->LoadAction()->toolTip(), QStringLiteral("Load Report"));
    EXPECT_EQ(win->CloseAction()->text(), QStringLiteral("&Close"));
    // Zoom to width is pressed while the zoom itself starts at 100.
    EXPECT_TRUE(win->ZoomWidthAction()->isChecked());
    EXPECT_EQ(w.preview()->Zoom(), 100);
    EXPECT_EQ(win->PageText(), QStringLiteral("Page 1 of 3"));

    w.key(Qt::Key_End);
    EXPECT_EQ(w.preview()->PageNumber(), 3);
    EXPECT_EQ(win->PageText(), QStringLiteral("Page 3 of 3"));
    w.key(Qt::Key_PageDown); // stays on the last page
    EXPECT_EQ(w.preview()->PageNumber(), 3);
    w.key(Qt::Key_PageUp);
    EXPECT_EQ(w.preview()->PageNumber(), 2);
    w.key(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(w.preview()->PageNumber(), 1);
    EXPECT_EQ(win->PageText(), QStringLiteral("Page 1 of 3"));
    w.key(Qt::Key_PageUp); // stays on the first page
    EXPECT_EQ(w.preview()->PageNumber(), 1);
    w.key(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(w.preview()->PageNumber(), 3);
    w.key(Qt::Key_Home);
    EXPECT_EQ(w.preview()->PageNumber(), 1);
    EXPECT_EQ(pageBytes(w.window->Recorder(), 1), w.preview()->Image()->Page().Data());

    win->ZoomFitAction()->trigger();
    EXPECT_EQ(w.preview()->ZoomMode(), TQRPreview::zmFitPage);
    win->Zoom100Action()->trigger();
    EXPECT_EQ(w.preview()->Zoom(), 100);
    EXPECT_TRUE(win->Zoom100Action()->isChecked());

    w.key(Qt::Key_Escape);
    EXPECT_FALSE(win->isVisible());
}

TEST(StandardPreview, ProgressShowsInStepsOfFiveAndClearsAtTheEnds)
{
    TQRPrinter recorder;
    TQRStandardPreview win(&recorder);
    win.ProgressUpdate(3);
    EXPECT_EQ(win.ProgressText(), QString());
    win.ProgressUpdate(7);
    EXPECT_EQ(win.ProgressText(), QStringLiteral("7%"));
    win.ProgressUpdate(11);
    EXPECT_EQ(win.ProgressText(), QStringLiteral("7%"));
    win.ProgressUpdate(12);
    EXPECT_EQ(win.ProgressText(), QStringLiteral("12%"));
    win.ProgressUpdate(100);
    EXPECT_EQ(win.ProgressText(), QString());
    // After a clear the steps count from 0 again.
    win.ProgressUpdate(4);
    EXPECT_EQ(win.ProgressText(), QString());
    win.ProgressUpdate(5);
    EXPECT_EQ(win.ProgressText(), QStringLiteral("5%"));
    win.ProgressUpdate(0);
    EXPECT_EQ(win.ProgressText(), QString());

    // The same path as the recorder's posted notices.
    recorder.ReportProgress(30);
    QCoreApplication::processEvents();
    EXPECT_EQ(win.ProgressText(), QStringLiteral("30%"));
}

TEST(StandardPreview, SaveAsQrpAndLoadShowTheSamePages)
{
    QTemporaryDir dir;
    TScriptedPrompt prompt;
    TPromptGuard guard(&prompt);
    PreviewWindow w;
    const QString file = dir.filePath(QStringLiteral("three.QRP"));
    QString title, filters, ext;
    w.window->SaveDialog = [&](QWidget *, const QString &t, const QString &f, const QString &e, int *index) {
        title = t;
        filters = f;
        ext = e;
        *index = 1;
        return file;
    };
    w.window->SaveAction()->trigger();
    EXPECT_EQ(title, QStringLiteral("Save report"));
    EXPECT_TRUE(filters.startsWith(QStringLiteral("Stored report file(*.QRP)|*.QRP")));
    EXPECT_EQ(ext, QStringLiteral("QRP"));
    ASSERT_TRUE(QFile::exists(file));

    TQRPrinter viewer;
    TQRStandardPreview other(&viewer);
    QString openTitle, openFilter;
    other.OpenDialog = [&](QWidget *, const QString &t, const QString &f) {
        openTitle = t;
        openFilter = f;
        return file;
    };
    other.LoadAction()->trigger();
    EXPECT_EQ(openTitle, QStringLiteral("Load report"));
    EXPECT_EQ(openFilter, QStringLiteral("Stored report file (*.QRP)|*.QRP"));
    EXPECT_TRUE(prompt.Records().isEmpty());
    ASSERT_EQ(viewer.PageCount(), 3);
    EXPECT_EQ(other.PageText(), QStringLiteral("Page 1 of 3"));
    for (int n = 1; n <= 3; ++n)
        EXPECT_EQ(pageBytes(&viewer, n), pageBytes(w.window->Recorder(), n)) << n;
    EXPECT_EQ(other.Preview()->Image()->Page().Data(), pageBytes(w.window->Recorder(), 1));
    // A loaded file prints its pages but has no report for print setup.
    EXPECT_TRUE(other.PrintAction()->isEnabled());
    EXPECT_FALSE(other.PrinterSetupAction()->isEnabled());

    other.OpenDialog = [&](QWidget *, const QString &, const QString &) {
        return dir.filePath("missing.QRP");
    };
    other.LoadAction()->trigger();
    ASSERT_EQ(prompt.Records().size(), 1);
    EXPECT_EQ(prompt.Records()[0].text, QStringLiteral("File does not exist"));
    EXPECT_EQ(viewer.PageCount(), 3);
}

TEST(StandardPreview, SaveThroughTheTextFilterRunsTheReportIntoTheFile)
{
    QTemporaryDir dir;
    TComponent owner;
    auto *textFilter = new TQRTextFilter(&owner); // registers the text filter
    (void)textFilter;
    PreviewWindow w;
    const QString list = TQRStandardPreview::SaveFilterList();
    const QStringList parts = list.split(QLatin1Char('|'));
    int textEntry = 0;
    for (int i = 2; i + 1 < parts.size(); i += 2)
        if (parts[i + 1] == QStringLiteral("*.TXT"))
            textEntry = i / 2 + 1;
    ASSERT_GE(textEntry, 2) << list.toStdString();
    const QString file = dir.filePath(QStringLiteral("three.txt"));
    w.window->SaveDialog = [&](QWidget *, const QString &, const QString &, const QString &, int *index) {
        *index = textEntry;
        return file;
    };
    w.window->SaveAction()->trigger();
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    const QString text = QString::fromLocal8Bit(out.readAll());
    for (int r = 1; r <= 5; ++r)
        EXPECT_TRUE(text.contains(QStringLiteral("Record %1").arg(r))) << r << text.toStdString();
    // The preview's own pages are untouched.
    EXPECT_EQ(w.window->Recorder()->PageCount(), 3);
    EXPECT_EQ(w.window->Recorder(), w.report.report->QRPrinter());
}

TEST(StandardPreview, PrintSetupWithPagesTwoToThreePrintsOnlyThose)
{
    Hooks hooks;
    auto *device = new SheetDevice;
    QRPrintDeviceFactory() = [device] { return std::unique_ptr<TQRPrintDevice>(device); };
    PreviewWindow w;
    TQRPrinter *p = w.window->Recorder();
    ASSERT_TRUE(w.window->PrinterSetupAction()->isEnabled());
    ASSERT_TRUE(w.window->PrintAction()->isEnabled());
    int limitsMin = -1, limitsMax = -1;
    QRPrintDialogExec() = [&](QPrintDialog &dialog) {
        limitsMin = dialog.minPage();
        limitsMax = dialog.maxPage();
        dialog.setPrintRange(QAbstractPrintDialog::PageRange);
        dialog.printer()->setFromTo(2, 3);
        return int(QDialog::Accepted);
    };
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        // Without any printer the dialog only warns; the mapping is what matters here.
        TScriptedPrompt prompt;
        TPromptGuard guard(&prompt);
        w.window->PrinterSetupAction()->trigger();
        EXPECT_EQ(w.report.report->Tag(), 1);
        ASSERT_EQ(prompt.Records().size(), 1);
        QPrinter printer;
        QPrintDialog dialog(&printer);
        QRSetupPrintDialog(w.report.report, printer, dialog);
        QRPrintDialogExec()(dialog);
        QRApplyPrintDialog(w.report.report, printer, dialog);
        w.report.report->SetTag(0);
        p->SetFirstPage(2);
        p->SetLastPage(3);
    } else {
        w.window->PrinterSetupAction()->trigger();
    }
    EXPECT_EQ(limitsMin, 1);
    EXPECT_EQ(limitsMax, 3);
    EXPECT_EQ(w.report.report->Tag(), 0);
    EXPECT_EQ(w.report.report->PrinterSettings()->FirstPage(), 2);
    EXPECT_EQ(w.report.report->PrinterSettings()->LastPage(), 3);

    w.window->PrintAction()->trigger();
    ASSERT_EQ(device->documents, 1);
    ASSERT_EQ(device->sheets.size(), 2);
    EXPECT_EQ(device->sheets[0], PageImage(p, 2));
    EXPECT_EQ(device->sheets[1], PageImage(p, 3));
    EXPECT_NE(device->sheets[0], PageImage(p, 1));
}

TEST(StandardPreview, PrintDialogRangesAllAndCancel)
{
    ThreePageReport f;
    QPrinter printer;
    {
        // Before a finished document the limits are open.
        QPrintDialog dialog(&printer);
        QRSetupPrintDialog(f.report, printer, dialog);
        EXPECT_EQ(dialog.minPage(), 0);
        EXPECT_EQ(dialog.maxPage(), 9999);
    }
    f.report->PrinterSettings()->SetCopies(3);
    f.report->Page()->SetOrientation(QRPaper::poLandscape);
    f.report->PreparePages();
    QPrintDialog dialog(&printer);
    QRSetupPrintDialog(f.report, printer, dialog);
    EXPECT_EQ(printer.copyCount(), 3);
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
    // Landscape sheets hold one record each.
    EXPECT_EQ(f.report->QRPrinter()->PageCount(), 5);
    EXPECT_EQ(dialog.minPage(), 1);
    EXPECT_EQ(dialog.maxPage(), 5);
    EXPECT_EQ(printer.fromPage(), 1);
    EXPECT_EQ(printer.toPage(), 5);
    f.report->PrinterSettings()->SetFirstPage(2);
    f.report->PrinterSettings()->SetLastPage(3);
    for (auto range : {QAbstractPrintDialog::AllPages, QAbstractPrintDialog::Selection}) {
        dialog.setPrintRange(range);
        printer.setPageOrientation(QPageLayout::Portrait);
        QRApplyPrintDialog(f.report, printer, dialog);
        EXPECT_EQ(f.report->PrinterSettings()->FirstPage(), 0);
        EXPECT_EQ(f.report->PrinterSettings()->LastPage(), 0);
        EXPECT_EQ(f.report->Page()->Orientation(), QRPaper::poPortrait);
    }

    // Cancelling leaves the settings and sets Tag 1.
    Hooks hooks;
    QRPrintDialogExec() = [](QPrintDialog &) { return int(QDialog::Rejected); };
    TScriptedPrompt prompt;
    TPromptGuard guard(&prompt);
    f.report->PrinterSettings()->SetFirstPage(2);
    f.report->PrinterSetup();
    EXPECT_EQ(f.report->Tag(), 1);
    EXPECT_EQ(f.report->PrinterSettings()->FirstPage(), 2);
}

TEST(StandardPreview, ClosingDuringTheRunCancelsItAndCommandsWaitForTheEnd)
{
    Hooks hooks;
    ThreePageReport f(400); // 200 pages
    QPointer<TQRStandardPreview> window;
    bool printEnabledWhileRunning = true;
    int pagesWhenClosed = 0;
    QRPreviewWindowHook() = [&](TQRPrinter *p) { window = ShowStandardPreview(p); };
    f.report->OnStartPage = [&](TQRCustomReport *r) {
        if (r->PageNo == 3 && window) {
            printEnabledWhileRunning = window->PrintAction()->isEnabled();
            pagesWhenClosed = window->Recorder()->PageCount();
            // The user closes the window; the report stops at its next record.
            QTimer::singleShot(0, window.data(), [&] { window->close(); });
        }
    };
    f.report->Preview();
    EXPECT_FALSE(printEnabledWhileRunning);
    EXPECT_EQ(pagesWhenClosed, 3);
    EXPECT_LT(f.record, 20);
    EXPECT_TRUE(f.report->Idle);
    EXPECT_EQ(f.report->QRPrinter(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
}

TEST(StandardPreview, PreviewOfAFinishedRunEnablesPrintingAndWaitsForTheClose)
{
    Hooks hooks;
    ThreePageReport f;
    QPointer<TQRStandardPreview> window;
    QString pageText;
    bool printEnabled = false;
    QRPreviewWindowHook() = [&](TQRPrinter *p) {
        window = ShowStandardPreview(p);
        // Looked at once the run is over, from the wait for the window.
        auto *poll = new QTimer(window);
        QObject::connect(poll, &QTimer::timeout, window, [&, poll] {
            if (!f.report->Idle)
                return;
            poll->stop();
            printEnabled = window->PrintAction()->isEnabled();
            pageText = window->PageText();
            window->close();
        });
        poll->start(5);
    };
    f.report->Preview();
    EXPECT_TRUE(printEnabled);
    EXPECT_EQ(pageText, QStringLiteral("Page 1 of 3"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(f.report->QRPrinter(), nullptr);
}

TEST(ProgressForm, ShowsMultiplesOfFiveAndCancels)
{
    TQRPrinter recorder;
    TQRProgressForm form(&recorder);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Printing progress"));
    EXPECT_TRUE(form.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    form.ProgressUpdate(7);
    EXPECT_EQ(form.Info()->text(), QString());
    EXPECT_EQ(form.Bar()->value(), 0);
    form.ProgressUpdate(35);
    EXPECT_EQ(form.Info()->text(), QStringLiteral("35%  Completed"));
    EXPECT_EQ(form.Bar()->value(), 35);
    recorder.ReportProgress(40);
    QCoreApplication::processEvents();
    EXPECT_EQ(form.Info()->text(), QStringLiteral("40%  Completed"));
    EXPECT_EQ(form.CancelButton()->text(), QStringLiteral("Cancel"));
    QTest::mouseClick(form.CancelButton(), Qt::LeftButton);
    EXPECT_TRUE(recorder.Cancelled());
}

TEST(StandardPreview, AWindowOnAStoredFileFreesItsRecorderAReportsRecorderStaysWithTheReport)
{
    QPointer<TQRPrinter> lone(new TQRPrinter);
    QPointer<TQRStandardPreview> window(ShowStandardPreview(lone));
    EXPECT_TRUE(window->isMaximized() || window->windowState().testFlag(Qt::WindowMaximized));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Print Preview"));
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    EXPECT_TRUE(lone.isNull());

    // A recorder the report keeps from PreparePages: closing the preview frees
    // it through the report, which forgets it.
    ThreePageReport f;
    f.report->PreparePages();
    QPointer<TQRPrinter> kept(f.report->QRPrinter());
    window = ShowStandardPreview(kept);
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    EXPECT_TRUE(kept.isNull());
    EXPECT_EQ(f.report->QRPrinter(), nullptr);

    // A window whose recorder goes away closes.
    f.report->PreparePages();
    window = ShowStandardPreview(f.report->QRPrinter());
    f.report->PreparePages(); // replaces the recorder
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
}
