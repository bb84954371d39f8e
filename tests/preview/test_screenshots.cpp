// Pictures of the preview window (fit width and 100 %) and of the progress
// window, written to $TABULON_SCREENSHOT_DIR (else a temporary directory) to
// be looked at; a stored page file in $TABULON_SCREENSHOT_QRP is shown
// instead of the test report. The checks make sure the pictures show a page.
#include "output/preview/qrpreview.h"
#include "output/preview/qrprogressform.h"
#include "output/preview/qrstandardpreview.h"
#include "previewtest.h"

#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace
{
// Pixels in a row of image that are darker than light grey.
int darkPixels(const QImage &image, int y)
{
    int n = 0;
    for (int x = 0; x < image.width(); ++x)
        n += qGray(image.pixel(x, y)) < 128;
    return n;
}
} // namespace

TEST(Screenshots, PreviewWindowAtFitWidthAnd100PercentAndTheProgressWindow)
{
    QTemporaryDir temporary;
    const QString dir = qEnvironmentVariableIsSet("TABULON_SCREENSHOT_DIR")
                            ? qEnvironmentVariable("TABULON_SCREENSHOT_DIR")
                            : temporary.path();
    QDir().mkpath(dir);

    ThreePageReport f;
    TQRPrinter *recorder = nullptr;
    std::unique_ptr<TQRPrinter> loaded;
    if (const QString qrp = qEnvironmentVariable("TABULON_SCREENSHOT_QRP"); !qrp.isEmpty()) {
        loaded = std::make_unique<TQRPrinter>();
        ASSERT_TRUE(loaded->Load(qrp)) << loaded->ErrorString().toStdString();
        recorder = loaded.get();
    } else {
        f.report->PreparePages();
        recorder = f.report->QRPrinter();
    }
    TQRStandardPreview window(recorder);
    window.resize(1024, 768);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    window.ZoomWidthAction()->trigger();
    QCoreApplication::processEvents();
    const QImage width = window.grab().toImage();
    ASSERT_FALSE(width.isNull());
    EXPECT_TRUE(width.save(dir + QStringLiteral("/preview-fit-width.png")));
    // The page fills 90 % of the control's width.
    TQRPreviewImage *image = window.Preview()->Image();
    EXPECT_NEAR(image->width(), window.Preview()->width() * 0.9, 0.02 * window.Preview()->width());

    window.Zoom100Action()->trigger();
    QCoreApplication::processEvents();
    const QImage full = window.grab().toImage();
    EXPECT_TRUE(full.save(dir + QStringLiteral("/preview-100.png")));
    const QImage page = image->grab().toImage();
    EXPECT_TRUE(page.save(dir + QStringLiteral("/preview-100-page.png")));
    EXPECT_EQ(page.width(), recorder->XSize(recorder->PageWidth()) + 4);
    // Outline and shadow: the bottom rows are dark, the page inside is not.
    EXPECT_GT(darkPixels(page, page.height() - 2), page.width() * 9 / 10);
    EXPECT_LT(darkPixels(page, page.height() / 2), page.width() / 2);
    // Something of the report is drawn on the page.
    int inked = 0;
    for (int y = 5; y < page.height() - 5; y += 2)
        inked += darkPixels(page, y) > 2;
    EXPECT_GT(inked, 3);

    TQRPrinter running;
    TQRProgressForm progress(&running);
    progress.ProgressUpdate(45);
    progress.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&progress));
    const QImage form = progress.grab().toImage();
    EXPECT_TRUE(form.save(dir + QStringLiteral("/progress.png")));
    EXPECT_EQ(progress.Info()->text(), QStringLiteral("45%  Completed"));
    EXPECT_EQ(progress.Bar()->value(), 45);
}
