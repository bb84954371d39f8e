// The report's Print, Preview and PrinterSetup through the hooks a GUI
// installs, and printing recorded pages, with a printer that counts.
#include "gentest.h"

#include "common/prompt.h"
#include "engine/generation.h"
#include "output/pages/qrprinter.h"

#include <QCoreApplication>
#include <QImage>
#include <QTimer>
#include <gtest/gtest.h>

namespace
{
struct DeviceLog {
    int begun = 0, physicalPages = 0, ended = 0, aborted = 0, applied = 0;
    QString title;
    int copies = 0;
};

class CountingDevice : public TQRPrintDevice
{
public:
    explicit CountingDevice(DeviceLog *log) : m_log(log), m_image(50, 50, QImage::Format_RGB32) {}
    bool Available() const override { return true; }
    double PixelsPerInchX() const override { return 300; }
    double PixelsPerInchY() const override { return 300; }
    void ApplySettings(const TQRPrinter &printer) override
    {
        ++m_log->applied;
        m_log->copies = printer.Copies();
    }
    QPainter *BeginDocument(const QString &title) override
    {
        ++m_log->begun;
        m_log->physicalPages = 1;
        m_log->title = title;
        m_painter.begin(&m_image);
        return &m_painter;
    }
    void NewPhysicalPage() override { ++m_log->physicalPages; }
    void EndDocument() override
    {
        ++m_log->ended;
        m_painter.end();
    }
    void AbortDocument() override
    {
        if (m_painter.isActive()) {
            ++m_log->aborted;
            m_painter.end();
        }
    }

private:
    DeviceLog *m_log;
    QImage m_image;
    QPainter m_painter;
};

// Installs the hooks for one test and removes them again.
struct HookGuard {
    ~HookGuard()
    {
        QRPrintDeviceFactory() = nullptr;
        QRPreviewWindowHook() = nullptr;
        QRProgressWindowHook() = nullptr;
        QRPrintDialogHook() = nullptr;
        QRProcessMessagesHook() = nullptr;
    }
    void printer(DeviceLog *log)
    {
        QRPrintDeviceFactory() = [log] { return std::make_unique<CountingDevice>(log); };
    }
};

// Three pages: five 100 mm detail bands, two to a page.
struct ThreePages : GenFixture {
    ThreePages()
    {
        label(addBand(QR::rbDetail, 1000), QStringLiteral("D"));
        records(5);
        // Every run starts on the first record again.
        report->BeforePrint = [this](TQRCustomReport *, bool &) { record = 0; };
        report->SetReportTitle(QStringLiteral("Three"));
    }
};

// What a preview window does when the user closes it.
void closePreview(TQRPrinter *printer)
{
    printer->SetPreviewShown(false);
    if (printer->ClosePreviewHook)
        printer->ClosePreviewHook();
}
} // namespace

TEST(PrintAndPreview, PrintWithoutPrinterDoesNothing)
{
    HookGuard hooks;
    ThreePages f;
    f.report->PreparePages();
    TQRPrinter *kept = f.report->QRPrinter();
    f.report->Print();
    EXPECT_EQ(f.report->QRPrinter(), kept);
    EXPECT_TRUE(f.report->Idle);
    // The print-again request of an unfinished preview also finds no printer.
    TQRPrinter lone;
    EXPECT_FALSE(lone.PrinterAvailable());
}

TEST(PrintAndPreview, PrintGoesStraightToThePrinterInRangeAndKeepsTheRecordedPages)
{
    HookGuard hooks;
    DeviceLog log;
    hooks.printer(&log);
    int progressWindows = 0;
    QRProgressWindowHook() = [&](TQRPrinter *p) {
        ++progressWindows;
        EXPECT_EQ(p->Destination(), qrdPrinter);
        return new QObject;
    };
    ThreePages f;
    f.report->PreparePages();
    TQRPrinter *kept = f.report->QRPrinter();
    f.report->PrinterSettings()->SetCopies(2);
    f.report->PrinterSettings()->SetFirstPage(2);
    f.report->PrinterSettings()->SetLastPage(3);

    f.report->Print();
    EXPECT_EQ(log.begun, 1);
    EXPECT_EQ(log.physicalPages, 2);
    EXPECT_EQ(log.ended, 1);
    EXPECT_EQ(log.copies, 2);
    EXPECT_EQ(log.title, QStringLiteral("Three"));
    EXPECT_EQ(progressWindows, 0); // ShowProgress is off in the fixture
    EXPECT_EQ(f.report->QRPrinter(), kept);
    EXPECT_EQ(kept->PageCount(), 3);

    f.report->SetShowProgress(true);
    f.report->PrinterSettings()->SetFirstPage(0);
    f.report->PrinterSettings()->SetLastPage(0);
    f.report->Print();
    EXPECT_EQ(log.begun, 2);
    EXPECT_EQ(log.physicalPages, 3);
    EXPECT_EQ(progressWindows, 1);
}

TEST(PrintAndPreview, PrintRecordedPrintsTheRangeOfAFinishedRecorder)
{
    HookGuard hooks;
    DeviceLog log;
    hooks.printer(&log);
    ThreePages f;
    f.report->PreparePages();
    TQRPrinter *p = f.report->QRPrinter();
    ASSERT_TRUE(p->FinishedReport());

    p->SetFirstPage(2);
    p->SetLastPage(3);
    EXPECT_TRUE(p->PrintRecorded()) << p->ErrorString().toStdString();
    EXPECT_EQ(log.physicalPages, 2);
    EXPECT_EQ(log.ended, 1);

    p->SetFirstPage(0);
    p->SetLastPage(0);
    EXPECT_TRUE(p->PrintRecorded());
    EXPECT_EQ(log.physicalPages, 3);

    // A Print while the pages are going out (messages are processed between
    // pages) is refused rather than restarting the document.
    bool again = true;
    QTimer::singleShot(0, p, [&] { again = p->PrintRecorded(); });
    EXPECT_TRUE(p->PrintRecorded());
    EXPECT_FALSE(again);
    EXPECT_EQ(log.begun, 3);
    EXPECT_EQ(log.aborted, 0);

    // A range beyond the document prints nothing and says so.
    p->SetFirstPage(5);
    p->SetLastPage(6);
    EXPECT_FALSE(p->PrintRecorded());
    EXPECT_FALSE(p->ErrorString().isEmpty());
    EXPECT_EQ(log.begun, 3);
}

TEST(PrintAndPreview, PreviewWithoutWindowSaysSoAndRunsNothing)
{
    HookGuard hooks;
    TScriptedPrompt prompt;
    TPromptGuard guard(&prompt);
    ThreePages f;
    f.report->Preview();
    ASSERT_EQ(prompt.Records().size(), 1);
    EXPECT_TRUE(prompt.Records()[0].text.contains(QStringLiteral("no preview")));
    EXPECT_EQ(f.report->QRPrinter(), nullptr);
    EXPECT_EQ(f.record, 0);
}

TEST(PrintAndPreview, PreviewShowsBeforeTheRunWaitsForTheCloseAndFreesTheRecorder)
{
    HookGuard hooks;
    DeviceLog log;
    hooks.printer(&log);
    ThreePages f;
    QPointer<TQRPrinter> shown;
    int pagesWhenShown = -1, messagesPumped = 0;
    QRProcessMessagesHook() = [&] { ++messagesPumped; };
    QRPreviewWindowHook() = [&](TQRPrinter *p) {
        shown = p;
        pagesWhenShown = p->PageCount();
        p->SetPreviewShown(true);
        // The user looks at the pages, prints (the report runs again) and closes.
        QTimer::singleShot(0, p, [p, &log] {
            EXPECT_FALSE(p->FinishedReport());
            EXPECT_EQ(p->PageCount(), 3);
            EXPECT_TRUE(p->PrintRecorded());
            EXPECT_EQ(log.physicalPages, 3);
            closePreview(p);
        });
    };
    f.report->Preview();
    ASSERT_EQ(log.begun, 1);
    EXPECT_EQ(pagesWhenShown, 0);
    EXPECT_GE(messagesPumped, 5);
    EXPECT_EQ(f.report->QRPrinter(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(shown.isNull());
}

TEST(PrintAndPreview, ClosingThePreviewDuringTheRunCancelsItAndDiscardsTheRecorder)
{
    HookGuard hooks;
    ThreePages f;
    QPointer<TQRPrinter> shown;
    int afterPreview = 0;
    f.report->AfterPreview = [&](TQRCustomReport *) { ++afterPreview; };
    QRPreviewWindowHook() = [&](TQRPrinter *p) {
        shown = p;
        p->SetPreviewShown(true);
    };
    QRProcessMessagesHook() = [&] {
        if (f.record == 2 && shown && shown->PreviewShown())
            closePreview(shown);
    };
    f.report->Preview();
    EXPECT_TRUE(f.report->Idle);
    EXPECT_LT(f.record, 5);
    EXPECT_EQ(afterPreview, 1);
    EXPECT_EQ(f.report->QRPrinter(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(shown.isNull());
}

TEST(PrintAndPreview, OnPreviewReplacesTheWindowAndRecordersCarryTheReportsHooks)
{
    HookGuard hooks;
    ThreePages f;
    int handled = 0;
    f.report->OnPreview = [&](TQRCustomReport *r) {
        ++handled;
        EXPECT_EQ(r->QRPrinter()->PageCount(), 0);
    };
    // Nothing shows the recorder, so Preview does not wait.
    f.report->Preview();
    EXPECT_EQ(handled, 1);
    TQRPrinter *p = f.report->QRPrinter();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->PageCount(), 3);
    EXPECT_TRUE(p->PrintSetupHook && p->SaveAsHook && p->PrintReportHook && p->ClosePreviewHook);

    // The save-as hook re-runs the report into the filter.
    RecordingFilter filter;
    p->SaveAsHook(&filter);
    EXPECT_EQ(filter.pages, 3);
    EXPECT_EQ(f.report->QRPrinter(), p);
}

TEST(PrintAndPreview, PrinterSetupSetsTagFromTheDialog)
{
    HookGuard hooks;
    TScriptedPrompt prompt;
    TPromptGuard guard(&prompt);
    ThreePages f;
    f.report->SetTag(7);
    f.report->PrinterSetup();
    EXPECT_EQ(f.report->Tag(), 1);
    EXPECT_EQ(prompt.Records().size(), 1);

    bool confirm = true;
    QRPrintDialogHook() = [&](TQRCustomReport *r) {
        r->PrinterSettings()->SetFirstPage(2);
        return confirm;
    };
    f.report->PrinterSetup();
    EXPECT_EQ(f.report->Tag(), 0);
    EXPECT_EQ(f.report->PrinterSettings()->FirstPage(), 2);
    confirm = false;
    f.report->PrinterSetup();
    EXPECT_EQ(f.report->Tag(), 1);
}
