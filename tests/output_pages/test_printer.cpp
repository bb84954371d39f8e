// The recorder's states, recorded pages, saving and loading, the paper
// guess and the page range of direct printing.
#include "common/units.h"
#include "output/pages/qrerror.h"
#include "output/pages/qrprinter.h"
#include "testutil.h"

#include <QDir>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

namespace
{
void drawLines(QPainter *p, int page, int lines)
{
    ASSERT_NE(p, nullptr);
    p->setFont(QFont(QStringLiteral("Liberation Sans"), 10));
    for (int i = 0; i < lines; ++i)
        p->drawText(40, 40 + i * 16, QStringLiteral("Page %1 line %2").arg(page).arg(i));
}

void record(TQRPrinter &p, int pages, int lines = 3)
{
    p.OpenDocument();
    for (int n = 1; n <= pages; ++n) {
        p.NewPage();
        drawLines(p.Canvas(), n, lines);
    }
    p.CloseDocument();
}

// A printer that remembers what the recorder asked of it.
class FakeDevice : public TQRPrintDevice
{
public:
    FakeDevice() : image(100, 100, QImage::Format_RGB32), painter(&image) {}
    bool Available() const override { return true; }
    double PixelsPerInchX() const override { return 600; }
    double PixelsPerInchY() const override { return 300; }
    double LeftOffset() const override { return 50; }
    double TopOffset() const override { return 20; }
    void ApplySettings(const TQRPrinter &printer) override { applied = printer.Copies(); }
    QPainter *BeginDocument(const QString &t) override
    {
        title = t;
        ++begun;
        return &painter;
    }
    void NewPhysicalPage() override { ++breaks; }
    void EndDocument() override { ++ended; }
    void AbortDocument() override { ++aborted; }

    QImage image;
    QPainter painter;
    QString title;
    int applied = -1, begun = 0, breaks = 0, ended = 0, aborted = 0;
};

class PrinterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        oldTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", dir.path().toLocal8Bit());
    }
    void TearDown() override { qputenv("TMPDIR", oldTmp); }
    QString path(const QString &name) const { return dir.filePath(name); }
    QStringList qrpFiles() const { return QDir(dir.path()).entryList({QStringLiteral("QRP*")}, QDir::Files); }
    QTemporaryDir dir;
    QByteArray oldTmp;
};
} // namespace

TEST_F(PrinterTest, OutOfOrderCallsRaise)
{
    TQRPrinter p;
    EXPECT_EQ(p.Status(), mpReady);
    try {
        p.NewPage();
        FAIL() << "NewPage before OpenDocument";
    } catch (const EQRError &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Illegal call to NewPage"));
    }
    p.OpenDocument();
    EXPECT_EQ(p.Status(), mpBusy);
    try {
        p.OpenDocument();
        FAIL() << "OpenDocument twice";
    } catch (const EQRError &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("QRPrinter not ready"));
    }
    p.CloseDocument();
    EXPECT_EQ(p.Status(), mpFinished);
    EXPECT_THROW(p.OpenDocument(), EQRError) << "a finished recorder is not ready either";
    EXPECT_THROW(p.NewPage(), EQRError);
    p.Reset();
    EXPECT_EQ(p.Status(), mpReady);
    EXPECT_NO_THROW(p.OpenDocument());
}

TEST_F(PrinterTest, CoordinatesAndFactorsForRecordedPages)
{
    TQRPrinter p;
    EXPECT_DOUBLE_EQ(p.XFactor(), 1.0);
    p.OpenDocument();
    EXPECT_DOUBLE_EQ(p.XFactor(), 96.0 / 254);
    EXPECT_DOUBLE_EQ(p.YFactor(), 96.0 / 254);
    EXPECT_EQ(p.XPos(254), 96);
    EXPECT_EQ(p.YSize(2540), 960);
    EXPECT_EQ(p.XSize(1), 0);
    EXPECT_EQ(p.XSize(2), 1); // 0.756 rounds up
}

TEST_F(PrinterTest, PaperGeometryFollowsTableAndOrientation)
{
    TQRPrinter p;
    p.SetPaperSize(QRPaper::A4);
    EXPECT_DOUBLE_EQ(p.PaperWidth(), 2100);
    EXPECT_DOUBLE_EQ(p.PaperLength(), 2970);
    p.SetOrientation(QRPaper::poLandscape);
    EXPECT_DOUBLE_EQ(p.PageWidth(), 2970);
    EXPECT_DOUBLE_EQ(p.PageHeight(), 2100);
    p.SetPaperSize(QRPaper::Env9); // 98.43 x 225.4 mm rounds to whole native units
    EXPECT_DOUBLE_EQ(p.PaperWidth(), 984);
    EXPECT_DOUBLE_EQ(p.PaperLength(), 2254);
    // Custom sizes are used as stored in either orientation.
    p.SetPaperSize(QRPaper::Custom);
    p.SetPaperWidth(1000);
    p.SetPaperLength(500);
    EXPECT_DOUBLE_EQ(p.PageWidth(), 1000);
    EXPECT_DOUBLE_EQ(p.PageHeight(), 500);
}

TEST_F(PrinterTest, RecordsPagesAndAnnouncesThem)
{
    TQRPrinter p;
    p.SetPaperSize(QRPaper::A5);
    QSignalSpy available(&p, &TQRPrinter::PageAvailable);
    QSignalSpy progress(&p, &TQRPrinter::ProgressChanged);
    p.OpenDocument();
    EXPECT_EQ(p.Canvas(), nullptr);
    p.NewPage();
    drawLines(p.Canvas(), 1, 2);
    EXPECT_EQ(p.PageCount(), 1);
    EXPECT_EQ(p.ClosedPages(), 0);
    TQRPagePicture page;
    EXPECT_FALSE(p.GetPage(1, &page)) << "the open page is not recorded yet";
    p.NewPage();
    drawLines(p.Canvas(), 2, 2);
    EXPECT_EQ(p.ClosedPages(), 1);
    ASSERT_TRUE(p.GetPage(1, &page)) << "a preview may read finished pages while others are written";
    p.ReportProgress(50);
    p.CloseDocument();
    EXPECT_EQ(p.ClosedPages(), 2);
    ASSERT_EQ(available.count(), 2);
    EXPECT_EQ(available.at(0).at(0).toInt(), 1);
    EXPECT_EQ(available.at(1).at(0).toInt(), 2);
    ASSERT_EQ(progress.count(), 1);
    EXPECT_EQ(p.Progress(), 50);

    ASSERT_TRUE(p.GetPage(2, &page));
    // The page is the paper at screen resolution: A5 = 148 x 210 mm.
    EXPECT_EQ(page.Size(), QSize(p.XSize(1480), p.YSize(2100)));
    EXPECT_FALSE(p.GetPage(0, &page));
    EXPECT_FALSE(p.GetPage(3, &page));

    // Replaying the picture draws the text.
    QImage img(page.Size(), QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter painter(&img);
    EXPECT_TRUE(ReplayPage(page, &painter));
    painter.end();
    bool dark = false;
    for (int y = 30; y < 60 && !dark; ++y)
        for (int x = 40; x < 120 && !dark; ++x)
            dark = qGray(img.pixel(x, y)) < 128;
    EXPECT_TRUE(dark);
}

TEST_F(PrinterTest, GetPageBeforeAnyDocumentYieldsNothing)
{
    TQRPrinter p;
    TQRPagePicture page;
    QByteArray bytes;
    EXPECT_FALSE(p.GetPage(1, &page));
    EXPECT_FALSE(p.GetPageData(1, &bytes));
    EXPECT_FALSE(p.Save(path("x.qrp"))) << "only a finished report can be saved";
    EXPECT_FALSE(QFile::exists(path("x.qrp")));
}

TEST_F(PrinterTest, SaveAndLoadKeepPageBytesAndGuessPaper)
{
    struct Case {
        TQRPaperSize size;
        TPrinterOrientation orientation;
    };
    for (Case c : {Case{QRPaper::A4, QRPaper::poLandscape}, Case{QRPaper::A4, QRPaper::poPortrait},
                   Case{QRPaper::Letter, QRPaper::poPortrait}, Case{QRPaper::Legal, QRPaper::poLandscape},
                   Case{QRPaper::A3, QRPaper::poPortrait}}) {
        TQRPrinter p;
        p.SetPaperSize(c.size);
        p.SetOrientation(c.orientation);
        record(p, 3);
        const QString file = path(QStringLiteral("r.qrp"));
        ASSERT_TRUE(p.Save(file)) << p.ErrorString().toStdString();

        TQRPrinter loaded;
        loaded.SetPaperSize(QRPaper::B5);
        ASSERT_TRUE(loaded.Load(file));
        EXPECT_EQ(loaded.PageCount(), 3);
        EXPECT_TRUE(loaded.PaperGuessed());
        EXPECT_EQ(loaded.PaperSize(), c.size) << PaperSizeName(c.size).toStdString();
        EXPECT_EQ(loaded.Orientation(), c.orientation);
        for (int n = 1; n <= 3; ++n) {
            QByteArray a, b;
            ASSERT_TRUE(p.GetPageData(n, &a));
            ASSERT_TRUE(loaded.GetPageData(n, &b));
            EXPECT_EQ(a, b);
        }
        EXPECT_TRUE(loaded.FinishedReport());
    }
}

TEST_F(PrinterTest, CompressedDocumentStoresLengthAndDecodesToTheSameBytes)
{
    TQRPrinter plain, packed;
    packed.UseCompression(true);
    record(plain, 2, 40);
    record(packed, 2, 40);
    ASSERT_TRUE(plain.Save(path("plain.qrp")));
    ASSERT_TRUE(packed.Save(path("packed.qrp")));
    const QByteArray a = testutil::readFile(path("plain.qrp"));
    const QByteArray b = testutil::readFile(path("packed.qrp"));
    EXPECT_EQ(a[25], '\0');
    EXPECT_EQ(b[25], '\x01');
    EXPECT_LT(b.size(), a.size());
    // Record 1 of the packed file starts with the picture's uncompressed length.
    QByteArray page1;
    ASSERT_TRUE(plain.GetPageData(1, &page1));
    EXPECT_EQ(qFromLittleEndian<qint32>(b.constData() + 136), page1.size());

    TQRPrinter loaded;
    ASSERT_TRUE(loaded.Load(path("packed.qrp")));
    EXPECT_TRUE(loaded.Compression());
    QByteArray back;
    ASSERT_TRUE(loaded.GetPageData(1, &back));
    EXPECT_EQ(back, page1);
}

TEST_F(PrinterTest, LongDocumentsSpillToATemporaryFileThatIsDeleted)
{
    // Compact pages of 60 lines take a few kilobytes, so 400 of them pass the limit.
    {
        TQRPrinter p;
        p.OpenDocument();
        for (int n = 1; n <= 400; ++n) {
            p.NewPage();
            drawLines(p.Canvas(), n, 60);
        }
        EXPECT_EQ(qrpFiles().size(), 1);
        EXPECT_FALSE(p.Pages()->Stream()->InMemory());
        p.CloseDocument();
        QByteArray bytes;
        ASSERT_TRUE(p.GetPageData(400, &bytes));
        ASSERT_TRUE(p.GetPageData(1, &bytes));
    }
    EXPECT_TRUE(qrpFiles().isEmpty());

    // Re-using a recorder frees the old stream too.
    TQRPrinter p;
    p.OpenDocument();
    for (int n = 1; n <= 400; ++n) {
        p.NewPage();
        drawLines(p.Canvas(), n, 60);
    }
    EXPECT_EQ(qrpFiles().size(), 1);
    p.Reset();
    EXPECT_TRUE(qrpFiles().isEmpty());
}

TEST_F(PrinterTest, FinishWithoutPrintingKeepsTheOpenPage)
{
    TQRPrinter p;
    p.OpenDocument();
    p.NewPage();
    p.NewPage();
    p.FinishWithoutPrinting();
    EXPECT_EQ(p.Status(), mpFinished);
    EXPECT_EQ(p.ClosedPages(), 2);
    TQRPagePicture page;
    EXPECT_TRUE(p.GetPage(2, &page));
    ASSERT_TRUE(p.Save(path("f.qrp")));
    const QByteArray b = testutil::readFile(path("f.qrp"));
    EXPECT_EQ(qFromLittleEndian<qint32>(b.constData() + 8), 2) << "the header carries the final count";
}

TEST_F(PrinterTest, EmptyDocumentClosesWithoutPages)
{
    TQRPrinter p;
    QSignalSpy available(&p, &TQRPrinter::PageAvailable);
    p.OpenDocument();
    p.CloseDocument();
    EXPECT_EQ(p.PageCount(), 0);
    EXPECT_EQ(p.ClosedPages(), 0);
    EXPECT_EQ(available.count(), 1);
    // Saved, it is still a stored report: a header with no pages.
    ASSERT_TRUE(p.Save(path("empty.qrp")));
    const QByteArray b = testutil::readFile(path("empty.qrp"));
    ASSERT_EQ(b.size(), 128);
    EXPECT_EQ(qFromLittleEndian<quint16>(b.constData() + 2), 305);
    TQRPrinter loaded;
    ASSERT_TRUE(loaded.Load(path("empty.qrp")));
    EXPECT_EQ(loaded.PageCount(), 0);
    TQRPagePicture page;
    EXPECT_FALSE(loaded.GetPage(1, &page));
    EXPECT_FALSE(loaded.PaperGuessed());
}

TEST_F(PrinterTest, DirectPrintingSendsOnlyTheRequestedRange)
{
    FakeDevice device;
    TQRPrinter p;
    p.SetPrintDevice(&device);
    p.SetDestination(qrdPrinter);
    p.SetFirstPage(3);
    p.SetLastPage(4);
    p.SetCopies(2);
    p.SetTitle(QStringLiteral("Invoices"));
    bool afterPrint = false;
    p.AfterPrintHook = [&afterPrint] { afterPrint = true; };
    p.OpenDocument();
    EXPECT_EQ(device.applied, 2);
    EXPECT_DOUBLE_EQ(p.LeftOffset(), 50);
    QList<int> onPrinter;
    for (int n = 1; n <= 6; ++n) {
        p.NewPage();
        ASSERT_NE(p.Canvas(), nullptr);
        if (p.Canvas() == &device.painter) {
            onPrinter.append(n);
            EXPECT_DOUBLE_EQ(p.XFactor(), 600.0 / 254);
            EXPECT_DOUBLE_EQ(p.YFactor(), 300.0 / 254);
            EXPECT_EQ(p.XPos(50 + 254), 600) << "positions lose the unprintable offset";
        } else {
            EXPECT_DOUBLE_EQ(p.XFactor(), 96.0 / 254) << "throw-away pages draw at screen resolution";
        }
        drawLines(p.Canvas(), n, 1);
    }
    p.CloseDocument();
    EXPECT_EQ(onPrinter, QList<int>({3, 4}));
    EXPECT_EQ(device.begun, 1);
    EXPECT_EQ(device.title, QStringLiteral("Invoices"));
    EXPECT_EQ(device.breaks, 1) << "one break between pages 3 and 4, none after the last of the range";
    EXPECT_EQ(device.ended, 1);
    EXPECT_EQ(device.aborted, 0);
    EXPECT_TRUE(afterPrint);
    EXPECT_EQ(p.ClosedPages(), 6);
}

TEST_F(PrinterTest, CancelledPrintingAbortsTheDocument)
{
    FakeDevice device;
    TQRPrinter p;
    p.SetPrintDevice(&device);
    p.SetDestination(qrdPrinter);
    p.OpenDocument();
    p.NewPage();
    p.NewPage();
    p.Cancel();
    EXPECT_TRUE(p.Cancelled());
    p.FinishWithoutPrinting();
    EXPECT_EQ(device.aborted, 1);
    EXPECT_EQ(device.ended, 0);
    EXPECT_EQ(p.Status(), mpFinished);

    // Without a printer the printer destination cannot start.
    TQRPrinter none;
    none.SetDestination(qrdPrinter);
    EXPECT_THROW(none.OpenDocument(), EQRError);
    EXPECT_EQ(none.Status(), mpReady);
}

TEST_F(PrinterTest, SaveFailureLeavesNothingBehind)
{
    TQRPrinter p;
    record(p, 1);
    EXPECT_FALSE(p.Save(path("no/such/dir/out.qrp")));
    EXPECT_FALSE(p.ErrorString().isEmpty());
}
