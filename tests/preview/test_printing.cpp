// The printer layer's codes and transfer to QPrinter, and real printing
// through a CUPS scheduler with a PDF queue (scripts/cups-test-server.sh),
// the PDF it writes read back with poppler's pdfinfo and pdftotext.
#include "output/preview/guihooks.h"
#include "output/preview/qrprinterlayer.h"
#include "previewtest.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPrinterInfo>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

namespace
{
QString run(const QString &program, const QStringList &arguments)
{
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

int pdfPages(const QString &file)
{
    const QString info = run(QStringLiteral("pdfinfo"), {file});
    for (const QString &line : info.split(QLatin1Char('\n')))
        if (line.startsWith(QStringLiteral("Pages:")))
            return line.mid(6).trimmed().toInt();
    return -1;
}

QString pdfPageText(const QString &file, int page)
{
    return run(QStringLiteral("pdftotext"),
               {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"), QString::number(page),
                file, QStringLiteral("-")});
}

// The test queue of the throwaway scheduler, or why there is none.
struct TestQueue {
    QString name = qEnvironmentVariable("TABULON_TEST_PRINTER");
    QString out = qEnvironmentVariable("TABULON_TEST_PRINTER_OUT");
    QString missing() const
    {
        if (name.isEmpty() || out.isEmpty())
            return QStringLiteral("no test print scheduler: TABULON_TEST_PRINTER is not set "
                                  "(scripts/test.sh starts one with scripts/cups-test-server.sh)");
        if (QRPrinterIndexOf(name) < 0)
            return QStringLiteral("the scheduler does not list the queue ") + name;
        return QString();
    }
    // Forgets the last job's file, so that the next one can be awaited.
    void clear() const { QFile::remove(out); }
    // The next job's PDF once it is complete, or empty after 90 seconds.
    QString awaitJob() const
    {
        QElapsedTimer clock;
        clock.start();
        qint64 lastSize = -1;
        while (clock.elapsed() < 90000) {
            const QFileInfo info(out);
            // Complete: readable, and no longer growing.
            if (info.exists() && info.size() == lastSize && pdfPages(out) > 0)
                return out;
            lastSize = info.exists() ? info.size() : -1;
            QThread::msleep(200);
        }
        return QString();
    }
};

// The program's hooks, as the test main installed them; what a test replaces is put back.
using HooksInstalled = KeptGuiHooks;
} // namespace

TEST(PrinterLayer, PaperAndBinCodes)
{
    EXPECT_EQ(QRPaperCode(QRPaper::Default), 0);
    EXPECT_EQ(QRPaperCode(QRPaper::A4), 9);
    EXPECT_EQ(QRPaperCode(QRPaper::ESheet), 26);
    EXPECT_EQ(QRPaperCode(QRPaper::Custom), 256);
    EXPECT_EQ(QRPaperSizeOfCode(9), QRPaper::A4);
    EXPECT_EQ(QRPaperSizeOfCode(256), QRPaper::Custom);
    EXPECT_EQ(QRPaperSizeOfCode(27), QRPaper::Default);
    EXPECT_EQ(QRPaperSizeOfCode(-1), QRPaper::Default);
    // Qt knows the platform codes: the table's sizes are Qt's sizes.
    EXPECT_EQ(QPageSize::id(QRPaperCode(QRPaper::A4)), QPageSize::A4);
    EXPECT_EQ(QPageSize::id(QRPaperCode(QRPaper::Letter)), QPageSize::Letter);
    EXPECT_EQ(QPageSize::id(QRPaperCode(QRPaper::Legal)), QPageSize::Legal);

    const int codes[] = {1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 14, 14};
    for (int bin = QR::First; bin <= QR::Last; ++bin)
        EXPECT_EQ(QRBinCode(bin), codes[bin]) << bin;
    // Reading a bin back: the first name with the code wins.
    EXPECT_EQ(QRBinOfCode(1), int(QR::First));
    EXPECT_EQ(QRBinOfCode(14), int(QR::Cassette));
    EXPECT_EQ(QRBinOfCode(7), int(QR::Auto));
    EXPECT_EQ(QRPaperSourceOfBinCode(2), QPrinter::Lower);
    EXPECT_EQ(QRPaperSourceOfBinCode(7), QPrinter::Auto);
    EXPECT_EQ(QRPaperSourceOfBinCode(14), QPrinter::Cassette);
    for (int code : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 14})
        EXPECT_EQ(QRBinCodeOfPaperSource(QRPaperSourceOfBinCode(code)), code) << code;
}

TEST(PrinterLayer, ApplyToPrinterTransfersPaperCopiesDuplexBinAndOrientation)
{
    TQRPrinterSettings settings;
    TQRPrinter recorder;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);

    recorder.SetPaperSize(QRPaper::Legal);
    recorder.SetOrientation(QRPaper::poLandscape);
    recorder.SetCopies(3);
    recorder.SetDuplex(true);
    recorder.SetOutputBin(QR::Lower);
    settings.ApplyToPrinter(recorder, printer);
    EXPECT_EQ(printer.pageLayout().pageSize().id(), QPageSize::Legal);
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
    EXPECT_EQ(printer.copyCount(), 3);
    // Duplex is asked for, but neither a PDF printer nor the test queue has it to give.

    recorder.SetPaperSize(QRPaper::Custom);
    recorder.SetPaperWidth(1000);
    recorder.SetPaperLength(1500);
    recorder.SetOrientation(QRPaper::poPortrait);
    recorder.SetCopies(0); // never fewer than one
    settings.ApplyToPrinter(recorder, printer);
    const QSizeF mm = printer.pageLayout().pageSize().size(QPageSize::Millimeter);
    EXPECT_NEAR(mm.width(), 100, 0.01);
    EXPECT_NEAR(mm.height(), 150, 0.01);
    EXPECT_EQ(printer.copyCount(), 1);

    // Default keeps what the printer has.
    recorder.SetPaperSize(QRPaper::Default);
    settings.ApplyToPrinter(recorder, printer);
    EXPECT_NEAR(printer.pageLayout().pageSize().size(QPageSize::Millimeter).width(), 100, 0.01);
}

TEST(PrinterLayer, NoPrinterMeansNothingIsPrinted)
{
    const TestQueue queue;
    if (!QPrinterInfo::availablePrinterNames().isEmpty())
        GTEST_SKIP() << "a printer is installed; this case needs a machine without one";
    HooksInstalled hooks;
    ThreePageReport f;
    f.report->Print(); // does nothing
    EXPECT_TRUE(f.report->Idle);
    EXPECT_EQ(f.record, 0);
    f.report->PreparePages();
    EXPECT_FALSE(f.report->QRPrinter()->PrintRecorded());
    EXPECT_FALSE(f.report->QRPrinter()->PrinterAvailable());
    TQRPrinterSettings settings;
    EXPECT_FALSE(settings.ReadSettings(-1));
}

TEST(CupsPrinting, ReadSettingsOfTheTestQueue)
{
    const TestQueue queue;
    if (const QString why = queue.missing(); !why.isEmpty())
        GTEST_SKIP() << why.toStdString();
    TQRPrinterSettings settings;
    ASSERT_TRUE(settings.ReadSettings(QRPrinterIndexOf(queue.name)));
    EXPECT_EQ(settings.Device(), queue.name);
    EXPECT_GT(settings.XPixelsPerInch(), 0);
    EXPECT_GT(settings.PaperWidth(), 0);
    EXPECT_GT(settings.PaperLength(), settings.PaperWidth());
    EXPECT_TRUE(settings.Supports(QRPaper::Custom));
    EXPECT_TRUE(settings.Supports(QRPaper::A4));
    EXPECT_EQ(settings.Copies(), 1);
}

TEST(CupsPrinting, ThreePageReportAllPagesThenPagesTwoToThree)
{
    const TestQueue queue;
    if (const QString why = queue.missing(); !why.isEmpty())
        GTEST_SKIP() << why.toStdString();
    HooksInstalled hooks;
    ThreePageReport f;
    f.report->PrinterSettings()->SetPrinterIndex(QRPrinterIndexOf(queue.name));

    // Straight to the printer, every page.
    queue.clear();
    f.report->Print();
    const QString all = queue.awaitJob();
    ASSERT_FALSE(all.isEmpty()) << "no PDF from the queue in " << queue.out.toStdString();
    ASSERT_EQ(pdfPages(all), 3);
    const QString p1 = pdfPageText(all, 1), p2 = pdfPageText(all, 2), p3 = pdfPageText(all, 3);
    EXPECT_TRUE(p1.contains(QStringLiteral("Record 1")) && p1.contains(QStringLiteral("Record 2")))
        << p1.toStdString();
    EXPECT_TRUE(p2.contains(QStringLiteral("Record 3")) && p2.contains(QStringLiteral("Record 4")))
        << p2.toStdString();
    EXPECT_TRUE(p3.contains(QStringLiteral("Record 5"))) << p3.toStdString();
    EXPECT_FALSE(p3.contains(QStringLiteral("Record 4")));

    // Recorded pages 2 to 3, as the preview prints them after print setup.
    f.report->PreparePages();
    TQRPrinter *recorder = f.report->QRPrinter();
    recorder->SetFirstPage(2);
    recorder->SetLastPage(3);
    queue.clear();
    ASSERT_TRUE(recorder->PrintRecorded()) << recorder->ErrorString().toStdString();
    const QString range = queue.awaitJob();
    ASSERT_FALSE(range.isEmpty());
    ASSERT_EQ(pdfPages(range), 2);
    const QString r1 = pdfPageText(range, 1), r2 = pdfPageText(range, 2);
    EXPECT_TRUE(r1.contains(QStringLiteral("Record 3")) && r1.contains(QStringLiteral("Record 4")))
        << r1.toStdString();
    EXPECT_TRUE(r2.contains(QStringLiteral("Record 5"))) << r2.toStdString();
    EXPECT_FALSE(QString(r1 + r2).contains(QStringLiteral("Record 1")));

    // The same range printed straight from a run.
    f.report->PrinterSettings()->SetFirstPage(2);
    f.report->PrinterSettings()->SetLastPage(3);
    queue.clear();
    f.report->Print();
    const QString direct = queue.awaitJob();
    ASSERT_FALSE(direct.isEmpty());
    ASSERT_EQ(pdfPages(direct), 2);
    EXPECT_TRUE(pdfPageText(direct, 1).contains(QStringLiteral("Record 3")));
    EXPECT_TRUE(pdfPageText(direct, 2).contains(QStringLiteral("Record 5")));
}
