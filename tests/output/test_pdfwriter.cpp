// The PDF writer, its files read back by qpdf and poppler: structure, fonts
// embedded as subsets, the text in every script, and the pages' look against
// the page picture's own replay.

#include "outputtest.h"

#include "common/graphics.h"
#include "common/jpegbytes.h"
#include "output/pages/qrpagepicture.h"
#include "output/pdffont.h"
#include "output/pdfwriter.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace
{
bool haveTools()
{
    for (const char *tool : {"qpdf", "pdffonts", "pdftotext", "pdftoppm"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return false;
    return true;
}

// A page recorded at 96 pixels per inch.
template <class Draw> TQRPagePicture record(QSize size, Draw draw)
{
    TQRPageDevice device;
    device.BeginPage(size, 96);
    {
        QPainter p(&device);
        draw(p);
    }
    TQRPagePicture page;
    QString error;
    EXPECT_TRUE(page.SetData(device.ToByteArray(), &error)) << error.toStdString();
    return page;
}

bool writePdf(const QString &file, const std::vector<TQRPagePicture> &pages, QString *error,
              bool subset = true)
{
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    TQRPdfWriter writer(&out);
    writer.SetTitle(QStringLiteral("Отчёт über alles"));
    writer.SetSubsetting(subset);
    return writer.Write(
        int(pages.size()),
        [&pages](int n, TQRPagePicture *page, QString *) {
            *page = pages[size_t(n - 1)];
            return true;
        },
        error);
}

// Share of pixels of two pictures of a page that differ clearly: by more than a quarter of
// the grey scale from every pixel around the same place in the other one, so that one
// rasteriser rounding a baseline or a hinted stem to the next pixel is not counted.
double differingShare(const QImage &a, const QImage &b)
{
    // Rasterisers round a page's pixel size either way.
    if (std::abs(a.width() - b.width()) > 1 || std::abs(a.height() - b.height()) > 1)
        return 1.0;
    const QSize both = a.size().boundedTo(b.size());
    const QImage x = a.copy(QRect(QPoint(), both)).convertToFormat(QImage::Format_Grayscale8);
    const QImage y = b.copy(QRect(QPoint(), both)).convertToFormat(QImage::Format_Grayscale8);
    auto unmatched = [&both](const QImage &from, const QImage &in, int col, int row) {
        const int v = from.constScanLine(row)[col];
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const int r = row + dy, c = col + dx;
                if (r >= 0 && c >= 0 && r < both.height() && c < both.width() &&
                    std::abs(in.constScanLine(r)[c] - v) <= 64)
                    return false;
            }
        return true;
    };
    qint64 differ = 0;
    for (int row = 0; row < both.height(); ++row)
        for (int col = 0; col < both.width(); ++col)
            differ += unmatched(x, y, col, row) || unmatched(y, x, col, row) ? 1 : 0;
    return double(differ) / (double(both.width()) * both.height());
}

// The page replayed as the PNG export draws it, at 150 pixels per inch.
QImage replayAt150(const TQRPagePicture &page)
{
    const double scale = 150.0 / page.Dpi();
    QImage image((QSizeF(page.Size()) * scale).toSize(), QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setDotsPerMeterX(qRound(150 / 0.0254));
    image.setDotsPerMeterY(qRound(150 / 0.0254));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(scale, scale);
    EXPECT_TRUE(ReplayPage(page, &painter, nullptr, true));
    return image;
}

QByteArray jpegOf(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 90);
    return bytes;
}
} // namespace

TEST(PdfWriter, EveryKindOfDrawingPrintsAndReadsBack)
{
    if (!haveTools())
        GTEST_SKIP() << "qpdf or poppler-utils not installed";
    QTemporaryDir dir;
    QImage photo(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            photo.setPixel(x, y, qRgb(x * 4, y * 5, 128));
    QImage logo(40, 40, QImage::Format_ARGB32);
    logo.fill(Qt::transparent);
    {
        QPainter p(&logo);
        p.setBrush(QColor(200, 0, 0));
        p.drawEllipse(0, 0, 39, 39);
    }
    // A JPEG picture as a report file holds it.
    const QByteArray jpeg = jpegOf(photo);
    QByteArray data = QByteArray(1, char(10)) + "TJPEGImage";
    data.append(char(jpeg.size() & 0xff)).append(char((jpeg.size() >> 8) & 0xff)).append(2, '\0');
    data += jpeg;
    TPicture picture;
    ASSERT_TRUE(picture.LoadData(data));
    const QImage fromJpeg = picture.Image();
    ASSERT_EQ(QRJpegBytes(fromJpeg), jpeg);
    const QString longText = QStringLiteral("Lorem ipsum dolor sit amet ").repeated(40);
    std::vector<TQRPagePicture> pages;
    // Page 1: A4 portrait with text in several scripts, frames, fills and pictures.
    pages.push_back(record(QSize(794, 1123), [&](QPainter &p) {
        p.setFont(QFont(QStringLiteral("Liberation Sans"), 14, QFont::Bold));
        QRDrawText(&p, QPointF(50, 60), QStringLiteral("Customers and orders"));
        p.setFont(QFont(QStringLiteral("Liberation Serif"), 11));
        QRDrawText(&p, QPointF(50, 100), QStringLiteral("Съешь же ещё этих мягких французских булок"));
        QRDrawText(&p, QPointF(50, 125), QStringLiteral("Ελληνικά γράμματα και Straße, œuvre, naïve"));
        p.setFont(QFont(QStringLiteral("DejaVu Sans"), 11));
        QRDrawText(&p, QPointF(50, 150), QStringLiteral("שלום עולם and مرحبا بالعالم"));
        QFont under(QStringLiteral("Liberation Mono"), 10);
        under.setUnderline(true);
        p.setFont(under);
        QRDrawText(&p, QPointF(50, 175), QStringLiteral("Underlined total 1,234.56"));
        p.setFont(QFont(QStringLiteral("Liberation Sans"), 8));
        QRDrawText(&p, QPointF(10, 200), longText);
        // Band backgrounds (white over nothing) and a coloured frame with text on it.
        for (int row = 0; row < 30; ++row) {
            QRFillRect(&p, QRect(50, 220 + row * 20, 700, 20), Qt::white);
            QRDrawText(&p, QPointF(60, 235 + row * 20), QStringLiteral("Row %1 of the list").arg(row + 1));
        }
        p.setPen(QPen(Qt::blue, 2));
        p.setBrush(QColor(255, 255, 180));
        p.drawRect(QRect(400, 850, 300, 80));
        p.setBrush(QBrush(Qt::darkGreen, Qt::DiagCrossPattern));
        p.drawEllipse(QRectF(100, 850, 200, 120));
        p.setPen(QPen(Qt::black, 1, Qt::DashLine));
        p.drawLine(QLineF(50, 1000, 750, 1000));
        p.drawImage(QRectF(50, 1020, 128, 96), fromJpeg);
        p.drawImage(QRectF(200, 1020, 80, 80), logo);
        // Clipped and translucent.
        p.save();
        p.setClipRect(QRect(400, 1020, 100, 40));
        p.setOpacity(0.5);
        p.fillRect(QRect(380, 1000, 200, 100), Qt::red);
        p.restore();
    }));
    // Page 2: landscape custom paper with rotated text.
    pages.push_back(record(QSize(900, 500), [&](QPainter &p) {
        p.setFont(QFont(QStringLiteral("Liberation Sans"), 12));
        QRDrawText(&p, QPointF(40, 40), QStringLiteral("Custom landscape paper"));
        p.save();
        p.translate(300, 300);
        p.rotate(-90);
        QRDrawText(&p, QPointF(0, 0), QStringLiteral("Rotated label"));
        p.restore();
        p.drawImage(QRectF(600, 100, 64, 48), fromJpeg); // the same picture again: embedded once
    }));
    const QString pdf = dir.filePath(QStringLiteral("all.pdf"));
    QString error;
    ASSERT_TRUE(writePdf(pdf, pages, &error)) << error.toStdString();

    const QString check = runProgram(QStringLiteral("qpdf"), {QStringLiteral("--check"), pdf});
    EXPECT_TRUE(check.contains(QStringLiteral("No syntax or stream encoding errors"))) << check.toStdString();

    // Every font embedded as a subset with a Unicode map.
    const QStringList fonts = runProgram(QStringLiteral("pdffonts"), {pdf}).split(QLatin1Char('\n'));
    int fontLines = 0;
    for (const QString &line : fonts.mid(2)) {
        if (line.trimmed().isEmpty())
            continue;
        ++fontLines;
        EXPECT_TRUE(line.contains(QRegularExpression(QStringLiteral("^[A-Z]{6}\\+\\S+\\s+CID TrueType\\s+"
                                                                    "Identity-H\\s+yes\\s+yes\\s+yes"))))
            << line.toStdString();
    }
    EXPECT_GE(fontLines, 5);

    const QString text = runProgram(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    for (const char *expected : {"Customers and orders", "Съешь же ещё этих мягких французских булок",
                                 "Straße, œuvre, naïve", "Ελληνικά γράμματα", "Underlined total 1,234.56",
                                 "Row 30 of the list", "Custom landscape paper", "Rotated label"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n" << text.toStdString();
    // Right-to-left text comes in reading order, or in display order between embedding marks.
    EXPECT_TRUE(text.contains(QStringLiteral("שלום עולם")) ||
                text.contains(QStringLiteral("\u202B םלוע םולש")))
        << text.toStdString();
    EXPECT_TRUE(text.simplified().contains(QStringLiteral("مرحبا")) ||
                text.simplified().contains(QStringLiteral("ابحرم")))
        << text.toStdString();
    // The long text runs off the paper: what is on it reads back.
    EXPECT_GE(text.count(QStringLiteral("Lorem ipsum")), 6);

    // Paper per page, the title, the JPEG passed through once.
    const QString info =
        runProgram(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"),
                                               QStringLiteral("-l"), QStringLiteral("2"), pdf});
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Title:\\s+Отчёт über alles"))))
        << info.toStdString();
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Page\\s+1 size:\\s+595\\.5 x 842\\.25"))))
        << info.toStdString();
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Page\\s+2 size:\\s+675 x 375 pts"))))
        << info.toStdString();
    const QString images = runProgram(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
    // The photo is its JPEG file, one object on both pages; the logo's transparency is its soft mask.
    EXPECT_EQ(images.count(QRegularExpression(QStringLiteral(
                  "\\n\\s+[12]\\s+\\d\\s+image\\s+64\\s+48\\s+rgb\\s+3\\s+8\\s+jpeg\\s+no\\s+9\\s"))),
              2)
        << images.toStdString();
    EXPECT_EQ(images.count(QStringLiteral(" smask ")), 1) << images.toStdString();

    // The pages look as the page picture's own replay draws them.
    for (int n = 1; n <= 2; ++n) {
        const QString prefix = dir.filePath(QStringLiteral("page%1").arg(n));
        runProgram(QStringLiteral("pdftoppm"),
                   {QStringLiteral("-r"), QStringLiteral("150"), QStringLiteral("-f"), QString::number(n),
                    QStringLiteral("-l"), QString::number(n), QStringLiteral("-png"),
                    QStringLiteral("-singlefile"), pdf, prefix});
        const QImage rendered(prefix + QStringLiteral(".png"));
        ASSERT_FALSE(rendered.isNull());
        const QImage expected = replayAt150(pages[size_t(n - 1)]);
        EXPECT_LE(differingShare(rendered, expected), 0.02) << "page " << n;
    }

    // A face the subsetter is not asked about is embedded whole and still reads back.
    const QString whole = dir.filePath(QStringLiteral("whole.pdf"));
    ASSERT_TRUE(writePdf(whole, {pages[1]}, &error, false)) << error.toStdString();
    const QString wholeFonts = runProgram(QStringLiteral("pdffonts"), {whole});
    EXPECT_TRUE(wholeFonts.contains(QRegularExpression(QStringLiteral("\\nLiberationSans\\s+CID TrueType\\s+"
                                                                      "Identity-H\\s+yes\\s+no\\s+yes"))))
        << wholeFonts.toStdString();
    EXPECT_TRUE(runProgram(QStringLiteral("pdftotext"), {whole, QStringLiteral("-")})
                    .contains(QStringLiteral("Rotated label")));
    EXPECT_GT(QFileInfo(whole).size(), QFileInfo(dir.filePath(QStringLiteral("all.pdf"))).size() / 4);
}

TEST(PdfWriter, PlainTextTakesQtsGlyphsAndAdvances)
{
    // Texts laid out from the face's tables match Qt's own layout glyph for glyph.
    TQRPdfFontRegistry registry;
    TQRPdfShaper direct(&registry, 96), qt(&registry, 96);
    qt.SetDirect(false);
    const QStringList texts = {QStringLiteral("Customer 000123"),
                               QStringLiteral("2024-03-17"),
                               QStringLiteral("AVATAR Type: WAVE, fi fl ffi"),
                               QStringLiteral("Съешь ещё, Ёж"),
                               QStringLiteral("Ζεύς 1234.50 €"),
                               QStringLiteral("  spaced  out  ")};
    int compared = 0;
    for (const char *family : {"Liberation Sans", "Liberation Serif", "Liberation Mono", "DejaVu Sans"})
        for (const int size : {8, 10, 14})
            for (const bool bold : {false, true}) {
                QFont font{QString::fromLatin1(family), size, bold ? QFont::Bold : QFont::Normal};
                for (const QString &t : texts) {
                    std::vector<TQRPdfGlyphRun> a, b;
                    const double wa = direct.Shape(font, t, false, &a), wb = qt.Shape(font, t, false, &b);
                    ASSERT_EQ(a.size(), 1u);
                    ASSERT_EQ(b.size(), 1u) << family << " " << t.toStdString();
                    EXPECT_EQ(a[0].glyphs, b[0].glyphs) << family << " " << t.toStdString();
                    ASSERT_EQ(a[0].positions.size(), b[0].positions.size());
                    for (size_t i = 0; i < a[0].positions.size(); ++i)
                        EXPECT_NEAR(a[0].positions[i].x(), b[0].positions[i].x(), 0.02)
                            << family << " " << size << " " << t.toStdString() << " glyph " << i;
                    EXPECT_NEAR(wa, wb, 0.05) << family << " " << t.toStdString();
                    ++compared;
                }
            }
    EXPECT_EQ(compared, 4 * 3 * 2 * texts.size());
}

TEST(PdfWriter, FailuresAreReported)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    TQRPdfWriter writer(&buffer);
    QString error;
    EXPECT_FALSE(writer.Write(0, {}, &error));
    EXPECT_FALSE(error.isEmpty());
    const TQRPagePicture good = record(QSize(200, 200), [](QPainter &p) { p.drawLine(0, 0, 100, 100); });
    error.clear();
    EXPECT_FALSE(writer.Write(
        50,
        [&good](int n, TQRPagePicture *page, QString *e) {
            if (n == 37) {
                *e = QStringLiteral("page 37 is missing");
                return false;
            }
            *page = good;
            return true;
        },
        &error));
    EXPECT_EQ(error, QStringLiteral("page 37 is missing"));

    // A device that refuses writes.
    QBuffer closed;
    TQRPdfWriter refused(&closed);
    error.clear();
    EXPECT_FALSE(refused.Write(
        1,
        [&good](int, TQRPagePicture *page, QString *) {
            *page = good;
            return true;
        },
        &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(PdfWriter, WhiteFillsAreLeftOutOnlyWhereTheyChangeNothing)
{
    // Texts drawn, then white fills over some of them and beside others: the blank-page replay
    // must look like the full one, however many items the page has.
    const TQRPagePicture page = record(QSize(794, 1123), [](QPainter &p) {
        p.setFont(QFont(QStringLiteral("Liberation Sans"), 9));
        for (int row = 0; row < 60; ++row)
            for (int col = 0; col < 6; ++col) {
                QRFillRect(&p, QRect(20 + col * 125, 20 + row * 18, 120, 18), Qt::white);
                QRDrawText(&p, QPointF(22 + col * 125, 33 + row * 18),
                           QStringLiteral("Cell %1").arg(row * 6 + col));
            }
        // White fills over drawn text are kept: they rub it out.
        for (int row = 0; row < 60; row += 7)
            QRFillRect(&p, QRect(20, 20 + row * 18, 250, 18), Qt::white);
    });
    QImage full(page.Size(), QImage::Format_RGB32), blank(page.Size(), QImage::Format_RGB32);
    full.fill(Qt::white);
    blank.fill(Qt::white);
    {
        QPainter a(&full), b(&blank);
        ASSERT_TRUE(ReplayPage(page, &a));
        ASSERT_TRUE(ReplayPage(page, &b, nullptr, true));
    }
    EXPECT_EQ(full, blank);
}
