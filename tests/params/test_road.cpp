// The end user's road: main window, group, "Available reports", "Start report", the parameter
// dialog, "Print" and the preview of the report's pages.

#include "autoprinttest.h"

#include "params/model/reportrun.h"

#include "app/listreportform.h"
#include "app/mainform.h"
#include "definition/designreport.h"
#include "engine/exportfilter.h"
#include "engine/generation.h"
#include "gui/shellactions.h"
#include "keptguihooks.h"
#include "output/pagefilters.h"
#include "output/pages/qrprinter.h"
#include "output/preview/guihooks.h"
#include "output/preview/qrpreview.h"
#include "output/preview/qrstandardpreview.h"
#include "testutil.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTreeWidget>

using namespace apptest;

namespace
{

class RoadTest : public AutoprintTest
{
protected:
    void SetUp() override
    {
        AutoprintTest::SetUp();
        TAutoprintForm::Install();
    }
    void TearDown() override
    {
        ShellActions() = TShellActions();
        AutoprintTest::TearDown();
    }
    KeptGuiHooks m_hooks;
};

// The text of a PDF file as poppler's pdftotext reads it.
QString pdfText(const QString &file)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
    EXPECT_TRUE(p.waitForFinished(30000));
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

TEST_F(RoadTest, FromTheGroupMenuToThePreviewOfTheFirstPage)
{
    useDemoDatabase();
    copyDemoReport("customers");
    writeCatalogue("[Sales]\ncustomers=Customer list\n[Stock]\n");
    const QStringList german =
        AutoprintTest::demoRows("SELECT Company FROM customers WHERE Country = 'Germany' ORDER BY Company");
    const QStringList french =
        AutoprintTest::demoRows("SELECT Company FROM customers WHERE Country = 'France' ORDER BY Company");
    ASSERT_FALSE(german.isEmpty());
    ASSERT_FALSE(french.isEmpty());

    // The real preview window shows the pages; what it shows of page 1 is read back from a PDF of
    // its recorder's pages, and the window is closed as a user would.
    // Runs pump the window messages once per record: the count tells how often the report ran.
    int pumped = 0;
    int pumpedBeforeSaving = -1;
    QRProcessMessagesHook() = [&pumped] {
        ++pumped;
        QCoreApplication::processEvents();
    };
    const QString pdf = path("preview.pdf");
    int previews = 0;
    int shownPage = 0;
    QString previewTitle;
    QStringList saved;
    QString savedText;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget *top : QApplication::topLevelWidgets()) {
            auto *preview = qobject_cast<TQRStandardPreview *>(top);
            if (!preview || !preview->isVisible() || !preview->Recorder())
                continue;
            // Looked at once the run that fills it has ended.
            auto *report = qobject_cast<TQRCustomReport *>(preview->Recorder()->Master());
            if (!report || !report->Idle || preview->Recorder()->PageCount() < 1)
                continue;
            ++previews;
            pumpedBeforeSaving = pumped;
            shownPage = preview->Preview()->PageNumber();
            previewTitle = preview->windowTitle();
            TQRPrinter *printer = preview->Recorder();
            TQRPDFExportFilter filter(pdf);
            filter.SetPreviewPrinter(printer);
            filter.Start(printer->PageWidth(), printer->PageHeight(), nullptr);
            filter.Finish();
            // Saved through every export filter the program offers while the holder exists.
            const auto &filters = QRExportFilterLibrary().Filters();
            for (int i = 0; i < filters.size(); ++i) {
                const QString base = QStringLiteral("export%1").arg(i);
                preview->SaveReport(path(base + u'.' + filters[i].FileExtension), i + 2);
                // Metafiles are written one per page beside the name (export<i>001.emf ...).
                const QStringList written = QDir(m_dir.path()).entryList({base + u'*'}, QDir::Files);
                saved.append(filters[i].FilterName + u'=' + written.join(u','));
                if (filters[i].FileExtension.compare(QLatin1String("txt"), Qt::CaseInsensitive) == 0)
                    savedText = QString::fromUtf8(testutil::readFile(path(written.value(0))));
            }
            if (!qEnvironmentVariableIsEmpty("TABULON_SCREENSHOTS"))
                preview->grab().save(qEnvironmentVariable("TABULON_SCREENSHOTS") + "/preview.png");
            preview->CloseAction()->trigger();
        }
    });
    poll.start();

    Tfm_main w;
    w.show();
    QApplication::processEvents();
    TModalDriver driver;
    QString dialogTitle;
    driver.Expect([&](QWidget *modal) {
        auto *launcher = qobject_cast<TListReportForm *>(modal);
        ASSERT_NE(launcher, nullptr);
        EXPECT_EQ(launcher->Group(), "Sales");
        launcher->List()->setCurrentItem(findItem(launcher->List(), "customers"));
        // Started from the launcher's own event loop, so that the dialog's window is seen too.
        QTimer::singleShot(0, launcher, [launcher] {
            QTest::mouseClick(launcher->StartButton(), Qt::LeftButton);
            QTest::mouseClick(launcher->CloseButton(), Qt::LeftButton);
        });
    });
    driver.Expect([&](QWidget *modal) {
        auto *dialog = qobject_cast<TAutoprintForm *>(modal);
        ASSERT_NE(dialog, nullptr);
        dialogTitle = dialog->windowTitle();
        auto *country = qobject_cast<QComboBox *>(dialog->InputWidget(0));
        ASSERT_NE(country, nullptr);
        country->setCurrentIndex(country->findText("Germany"));
        screenshot(dialog, "dialog-customers");
        EXPECT_TRUE(dialog->PreviewCheck()->isChecked());
        QTimer::singleShot(0, dialog, [dialog] {
            QTest::mouseClick(dialog->PrintButton(), Qt::LeftButton);
            QTest::mouseClick(dialog->CloseButton(), Qt::LeftButton);
        });
    });
    // The preview comes over the dialog as the next modal window (closed by the poll above).
    driver.Expect([](QWidget *modal) { EXPECT_NE(qobject_cast<TQRStandardPreview *>(modal), nullptr); });
    QAction *sales = w.StartReportMenu()->actions().value(0);
    ASSERT_NE(sales, nullptr);
    sales->trigger();
    EXPECT_EQ(driver.Pending(), 0);
    EXPECT_EQ(driver.Unexpected(), 0);
    EXPECT_EQ(dialogTitle, "Customer list");
    // Generated once, with the dialog's parameters: one preview, one pass over the German rows.
    EXPECT_EQ(previews, 1);
    EXPECT_GE(pumpedBeforeSaving, german.size());
    EXPECT_LE(pumpedBeforeSaving, german.size() + 2);
    EXPECT_EQ(shownPage, 1);
    // The text and rich-text filters of the program run and the holder's metafile filter each wrote
    // their file.
    ASSERT_EQ(saved.size(), 3) << saved.join(' ').toStdString();
    for (const QString &entry : saved)
        EXPECT_FALSE(entry.endsWith(u'=')) << entry.toStdString();
    // The holder's metafile filter writes placeable WMF pages; libwmf reads the first one back.
    EXPECT_TRUE(saved.join(' ').contains("001.wmf")) << saved.join(' ').toStdString();
    const QStringList wmf = QDir(m_dir.path()).entryList({QStringLiteral("*001.wmf")}, QDir::Files);
    ASSERT_EQ(wmf.size(), 1);
    QProcess wmf2svg;
    wmf2svg.start(QStringLiteral("wmf2svg"), {path(wmf.first())});
    ASSERT_TRUE(wmf2svg.waitForFinished(30000));
    EXPECT_EQ(wmf2svg.exitCode(), 0);
    EXPECT_TRUE(QString::fromUtf8(wmf2svg.readAllStandardOutput()).contains(QStringLiteral("Germany")));
    EXPECT_TRUE(savedText.contains(german.first()))
        << saved.join(" ").toStdString() << savedText.toStdString();

    const QString text = pdfText(pdf);
    EXPECT_TRUE(text.contains("Germany")) << text.toStdString();
    EXPECT_TRUE(text.contains(german.first())) << text.toStdString();
    EXPECT_FALSE(text.contains(french.first())) << text.toStdString();
    m_prompt.QueueAnswer(mrYes);
    w.close();
}

TEST_F(RoadTest, AReportWithoutDescriptorStartsWithAnEmptyDialogAndRunsUnchanged)
{
    useDemoDatabase();
    copyDemoReport("parts");
    QFile::remove(path("parts.cfg"));
    writeCatalogue("[Stock]\nparts=Parts in stock\n");
    int pages = 0;
    QList<TReportParameter> handed = {TReportParameter{}};
    TAutoprintForm::ReportOutputHook() = [&](Tfmrepprev &holder, bool) {
        handed = holder.Parameters();
        ASSERT_TRUE(holder.Report()->PreparePagesRun());
        pages = holder.Report()->QRPrinter()->PageCount();
    };
    TModalDriver driver;
    int controls = -1;
    driver.Expect([&](QWidget *modal) {
        auto *launcher = qobject_cast<TListReportForm *>(modal);
        ASSERT_NE(launcher, nullptr);
        QTimer::singleShot(0, launcher, [launcher] {
            // Without a selected row nothing starts.
            launcher->List()->clearSelection();
            QTest::mouseClick(launcher->StartButton(), Qt::LeftButton);
            doubleClick(launcher->List(), launcher->List()->topLevelItem(0));
            QTest::mouseClick(launcher->CloseButton(), Qt::LeftButton);
        });
    });
    driver.Expect([&](QWidget *modal) {
        auto *dialog = qobject_cast<TAutoprintForm *>(modal);
        ASSERT_NE(dialog, nullptr);
        controls = dialog->Model().ControlCount();
        EXPECT_EQ(dialog->size(), QSize(271, 110));
        QTimer::singleShot(0, dialog, [dialog] {
            QTest::mouseClick(dialog->PrintButton(), Qt::LeftButton);
            QTest::mouseClick(dialog->CloseButton(), Qt::LeftButton);
        });
    });
    TListReportForm::Execute(nullptr, "reports.ini", "Stock");
    EXPECT_EQ(driver.Pending(), 0);
    EXPECT_EQ(controls, 0);
    EXPECT_TRUE(handed.isEmpty());
    EXPECT_GE(pages, 1);
    EXPECT_TRUE(boxes().isEmpty());
}

TEST_F(RoadTest, PrintWithoutPreviewGoesToThePrinter)
{
    const QString queue = qEnvironmentVariable("TABULON_TEST_PRINTER");
    const QString out = qEnvironmentVariable("TABULON_TEST_PRINTER_OUT");
    if (queue.isEmpty() || out.isEmpty())
        GTEST_SKIP()
            << "no test print scheduler (scripts/test.sh starts one with scripts/cups-test-server.sh)";
    useDemoDatabase();
    copyDemoReport("customers");
    auto f = build("customers");
    ASSERT_TRUE(f);
    auto *country = qobject_cast<QComboBox *>(f->InputWidget(0));
    country->setCurrentIndex(country->findText("Spain"));
    f->PreviewCheck()->setChecked(false);
    QFile::remove(out);
    QTest::mouseClick(f->PrintButton(), Qt::LeftButton);
    // The queue writes its PDF when the job is through.
    QString text;
    for (int i = 0; i < 450 && text.isEmpty(); ++i) {
        QThread::msleep(200);
        if (QFile::exists(out))
            text = pdfText(out);
    }
    const QStringList spanish = demoRows("SELECT Company FROM customers WHERE Country = 'Spain'");
    ASSERT_FALSE(spanish.isEmpty());
    EXPECT_TRUE(text.contains("Spain")) << text.toStdString();
    EXPECT_TRUE(text.contains(spanish.first())) << text.toStdString();
    EXPECT_FALSE(text.contains("Germany"));
}

TEST_F(RoadTest, EveryDemoReportRunsFromItsDialog)
{
    useDemoDatabase();
    QStringList failures;
    for (const QString &name : {"customers", "orders", "invoice", "parts", "items", "employees"}) {
        copyDemoReport(name);
        m_prompt.Clear();
        TAutoprintForm dialog(name);
        if (!dialog.Build()) {
            failures.append(name + ": not built");
            continue;
        }
        int pages = 0;
        TAutoprintForm::ReportOutputHook() = [&pages](Tfmrepprev &holder, bool) {
            if (holder.Report()->PreparePagesRun() && holder.Report()->QRPrinter())
                pages = holder.Report()->QRPrinter()->PageCount();
        };
        if (!dialog.Print() || pages < 1 || !boxes().isEmpty())
            failures.append(name + ": " + QString::number(pages) + " pages" +
                            (boxes().isEmpty() ? QString() : ", " + boxes().constFirst().text));
    }
    EXPECT_TRUE(failures.isEmpty()) << failures.join("; ").toStdString();
}

// The preview that "Print" opens over the modal dialog is modal in its turn, so that it takes the
// input: it pages and zooms, Esc closes it, and Print returns to the dialog then. Each run's holder
// goes with its preview, and with it its metafile filter: three Prints never list it three times.
TEST_F(RoadTest, PreviewOverTheDialogTakesTheInputAndClosesBackToIt)
{
    useDemoDatabase();
    copyDemoReport("customers");
    const auto metafileFilters = [] {
        int n = 0;
        for (const TQRExportFilterLibraryEntry &entry : QRExportFilterLibrary().Filters())
            n += entry.FilterName.startsWith(QLatin1String("WMF")) ? 1 : 0;
        return n;
    };
    // What each preview showed: its last page after End, its page count, its zoom after "100 %"
    // and the metafile filters listed while it was open.
    struct Seen {
        int page, pages, zoom, filters;
    };
    QList<Seen> seen;
    TModalDriver driver;
    driver.Expect([&](QWidget *modal) {
        auto *dialog = qobject_cast<TAutoprintForm *>(modal);
        ASSERT_NE(dialog, nullptr);
        QTimer::singleShot(0, dialog, [&, dialog] {
            for (int run = 0; run < 3; ++run) {
                EXPECT_TRUE(dialog->Print());
                // Print came back because the preview closed, and the dialog has the input again.
                EXPECT_EQ(QApplication::activeModalWidget(), dialog);
                EXPECT_EQ(metafileFilters(), 0);
            }
            QTest::mouseClick(dialog->CloseButton(), Qt::LeftButton);
        });
    });
    for (int run = 0; run < 3; ++run)
        driver.Expect([&](QWidget *modal) {
            // The preview is the modal window over the dialog, so it takes the input.
            auto *preview = qobject_cast<TQRStandardPreview *>(modal);
            ASSERT_NE(preview, nullptr);
            // Looked at once the run that fills it has ended (the run shows it first).
            auto *check = new QTimer(preview);
            check->setInterval(10);
            QObject::connect(check, &QTimer::timeout, preview, [&, preview, check] {
                auto *report = qobject_cast<TQRCustomReport *>(preview->Recorder()->Master());
                if (!report || !report->Idle || preview->Recorder()->PageCount() < 1)
                    return;
                check->stop();
                preview->activateWindow();
                EXPECT_TRUE(QTest::qWaitForWindowActive(preview));
                preview->Preview()->SetZoom(50);
                preview->Zoom100Action()->trigger();
                QTest::keyClick(preview, Qt::Key_End);
                seen.append(Seen{preview->Preview()->PageNumber(), preview->Recorder()->PageCount(),
                                 preview->Preview()->Zoom(), metafileFilters()});
                screenshot(preview, QStringLiteral("preview-over-dialog"));
                QTest::keyClick(preview, Qt::Key_Escape);
                if (preview->isVisible()) {
                    ADD_FAILURE() << "Esc did not close the preview";
                    preview->close();
                }
            });
            check->start();
        });
    ShellActions().StartReport(nullptr, QStringLiteral("customers"), QStringLiteral("Customer list"));
    EXPECT_EQ(driver.Pending(), 0);
    EXPECT_EQ(driver.Unexpected(), 0);
    ASSERT_EQ(seen.size(), 3);
    for (const Seen &s : seen) {
        EXPECT_EQ(s.page, s.pages);
        EXPECT_EQ(s.zoom, 100);
        EXPECT_EQ(s.filters, 1);
    }
    EXPECT_TRUE(boxes().isEmpty());
}
