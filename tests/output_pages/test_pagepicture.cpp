// The page picture as a format: what a painter draws on a TQRPageDevice
// replays to the same pixels as drawing it straight onto an image, tables
// hold each font, pen, brush and picture once, and damaged or cut pages are
// refused with a message instead of being drawn.
#include "output/pages/qrpagepicture.h"
#include "output/pages/qrprinter.h"

#include <QBitmap>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace
{
const QSize kPage(320, 240);

QImage blank()
{
    QImage image(kPage, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

QImage logo()
{
    QImage image(12, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 12; ++x)
            image.setPixel(x, y, qRgb(x * 20, y * 30, 200));
    return image;
}

template <class Draw> TQRPagePicture record(Draw draw, QSize size = kPage)
{
    TQRPageDevice device;
    device.BeginPage(size, 96);
    QPainter painter(&device);
    draw(painter);
    painter.end();
    TQRPagePicture page;
    QString error;
    EXPECT_TRUE(page.SetData(device.ToByteArray(), &error)) << qPrintable(error);
    return page;
}

QImage replayed(const TQRPagePicture &page)
{
    QImage image = blank();
    QPainter painter(&image);
    QString error;
    EXPECT_TRUE(ReplayPage(page, &painter, &error)) << qPrintable(error);
    return image;
}

template <class Draw> QImage direct(Draw draw)
{
    QImage image = blank();
    QPainter painter(&image);
    draw(painter);
    return image;
}

int differing(const QImage &a, const QImage &b)
{
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

int dark(const QImage &image, const QRect &area)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += qGray(image.pixel(x, y)) < 160;
    return n;
}

// Every drawing command and state change the recorder knows, at coordinates
// the format keeps exactly (1/64 pixel).
void everything(QPainter &p)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(13);
    p.setFont(font);
    p.drawText(QPointF(10, 20), QStringLiteral("Customer 000123"));
    font.setUnderline(true);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QPointF(150.5, 20.25), QStringLiteral("Überschrift €"));

    p.setPen(QPen(Qt::darkGreen, 3, Qt::DashDotLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawRect(QRect(10, 30, 40, 20));
    p.drawRect(QRectF(60.5, 30.25, 40, 20.75));
    p.drawLine(QLine(110, 30, 150, 50));
    p.drawLine(QLineF(160.5, 30, 200, 50.5));
    QPen dashes(Qt::blue, 2);
    dashes.setDashPattern({3, 2, 1, 2});
    dashes.setDashOffset(1);
    p.setPen(dashes);
    p.drawLine(210, 40, 300, 40);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 0, 0, 128));
    p.drawEllipse(QRect(10, 60, 30, 20));
    p.setBrush(Qt::Dense4Pattern);
    p.drawEllipse(QRectF(50.5, 60.5, 30, 20));
    QLinearGradient linear(90, 60, 130, 80);
    linear.setColorAt(0, Qt::yellow);
    linear.setColorAt(1, Qt::darkBlue);
    p.setBrush(linear);
    p.drawRect(90, 60, 40, 20);
    QRadialGradient radial(QPointF(150, 70), 15);
    radial.setColorAt(0, Qt::white);
    radial.setColorAt(1, Qt::red);
    p.setBrush(radial);
    p.drawRect(135, 60, 30, 20);
    QConicalGradient conical(QPointF(190, 70), 30);
    conical.setColorAt(0, Qt::green);
    conical.setColorAt(1, Qt::magenta);
    p.setBrush(conical);
    p.drawRect(175, 60, 30, 20);
    p.setBrush(QBrush(logo()));
    p.drawRect(215, 60, 40, 20);

    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::cyan);
    QPainterPath path;
    path.moveTo(10, 100);
    path.lineTo(40, 90);
    path.cubicTo(50, 100, 60, 120, 30, 125);
    path.closeSubpath();
    p.drawPath(path);
    const QPoint star[] = {{80, 90}, {90, 125}, {65, 102}, {95, 102}, {70, 125}};
    p.drawPolygon(star, 5, Qt::OddEvenFill);
    const QPointF starF[] = {{120.5, 90}, {130, 125}, {105, 102}, {135, 102}, {110, 125}};
    p.drawPolygon(starF, 5, Qt::WindingFill);
    p.drawConvexPolygon(QPolygon({QPoint(145, 90), QPoint(170, 95), QPoint(150, 120)}));
    p.drawPolyline(QPolygonF({QPointF(180, 90), QPointF(200, 120), QPointF(220, 90.5)}));
    p.drawPoints(QPolygon({QPoint(230, 95), QPoint(232, 97), QPoint(234, 99)}));
    p.drawPoints(QPolygonF({QPointF(240.5, 95), QPointF(242, 97)}));

    p.drawImage(QRect(10, 135, 24, 16), logo());
    p.drawImage(QRectF(40, 135, 12, 8), logo(), QRectF(2, 2, 6, 4));
    p.drawPixmap(60, 135, QPixmap::fromImage(logo()));
    QBitmap mask(8, 8);
    mask.fill(Qt::color0);
    {
        QPainter m(&mask);
        m.fillRect(0, 0, 4, 8, Qt::color1);
    }
    p.setPen(Qt::red);
    p.drawPixmap(80, 135, mask);
    p.drawTiledPixmap(QRect(100, 135, 40, 20), QPixmap::fromImage(logo()), QPoint(3, 2));

    // Clipping by rectangle, region and path; then none.
    p.save();
    p.setClipRect(QRect(150, 135, 20, 20));
    p.fillRect(QRect(145, 130, 40, 40), Qt::darkYellow);
    p.setClipRegion(QRegion(190, 135, 20, 20) + QRegion(215, 140, 10, 10));
    p.fillRect(QRect(185, 130, 50, 40), Qt::darkCyan);
    QPainterPath round;
    round.addEllipse(QRectF(240, 135, 30, 30));
    p.setClipPath(round);
    p.fillRect(QRect(235, 130, 40, 40), Qt::darkMagenta);
    p.restore();
    p.fillRect(QRect(280, 135, 10, 10), Qt::black);

    // Rotated and otherwise transformed drawing, opacity, composition, background.
    p.save();
    p.translate(40, 220);
    p.rotate(-30);
    p.setPen(Qt::black);
    p.setFont(QFont(QStringLiteral("Liberation Serif"), 11));
    p.drawText(0, 0, QStringLiteral("Rotated text"));
    p.restore();
    p.save();
    p.setOpacity(0.5);
    p.fillRect(QRect(150, 170, 40, 40), Qt::blue);
    p.setCompositionMode(QPainter::CompositionMode_Multiply);
    p.fillRect(QRect(170, 190, 40, 40), Qt::green);
    p.restore();
    p.setBackgroundMode(Qt::OpaqueMode);
    p.setBackground(Qt::yellow);
    p.setBrush(QBrush(Qt::black, Qt::DiagCrossPattern));
    p.drawRect(230, 180, 40, 30);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBackgroundMode(Qt::TransparentMode);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(280.5, 180, 30, 30));
}
} // namespace

TEST(PagePicture, EveryCommandReplaysToTheSamePixelsAsDrawingDirectly)
{
    const TQRPagePicture page = record(everything);
    ASSERT_FALSE(page.IsNull());
    EXPECT_EQ(page.Size(), kPage);
    EXPECT_EQ(page.Dpi(), 96);
    EXPECT_GT(page.DrawCount(), 30);
    const QImage expected = direct(everything);
    const QImage got = replayed(page);
    EXPECT_EQ(differing(got, expected), 0);
    // Replaying twice, or on a painter that drew before, changes nothing.
    QImage again = blank();
    QPainter painter(&again);
    painter.setPen(QPen(Qt::red, 7));
    painter.setBrush(Qt::green);
    painter.setFont(QFont(QStringLiteral("Liberation Mono"), 30));
    EXPECT_TRUE(ReplayPage(page, &painter));
    EXPECT_EQ(painter.pen(), QPen(Qt::red, 7)) << "the painter's state is given back";
    painter.end();
    EXPECT_EQ(differing(again, expected), 0);
}

TEST(PagePicture, ReplaysAtAnotherScale)
{
    const TQRPagePicture page = record([](QPainter &p) {
        p.fillRect(QRect(10, 10, 20, 30), Qt::black);
        p.setFont(QFont(QStringLiteral("Liberation Sans"), 10));
        p.drawText(50, 30, QStringLiteral("Page 1"));
    });
    QImage big(kPage * 2, QImage::Format_RGB32);
    big.fill(Qt::white);
    QPainter painter(&big);
    painter.scale(2, 2);
    ASSERT_TRUE(ReplayPage(page, &painter));
    painter.end();
    EXPECT_EQ(dark(big, QRect(20, 20, 40, 60)), 40 * 60);
    EXPECT_EQ(dark(big, QRect(61, 0, 38, 80)), 0) << "nothing left of the rectangle's right edge";
    EXPECT_GT(dark(big, QRect(100, 30, 120, 35)), 50) << "the text, twice as large";
}

TEST(PagePicture, RotatedTextRecordsAndReplaysRotated)
{
    // 90 degrees counter-clockwise: the text runs upwards from its point.
    auto draw = [](QPainter &p) {
        p.setFont(QFont(QStringLiteral("Liberation Sans"), 14));
        p.translate(100, 200);
        p.rotate(-90);
        p.drawText(0, 0, QStringLiteral("Rotated label"));
    };
    const QImage got = replayed(record(draw));
    EXPECT_EQ(differing(got, direct(draw)), 0);
    EXPECT_GT(dark(got, QRect(80, 80, 20, 120)), 100) << "a vertical strip above the point";
    EXPECT_EQ(dark(got, QRect(101, 0, 219, 240)), 0) << "nothing to the right of the baseline";
    EXPECT_EQ(dark(got, QRect(0, 201, 320, 39)), 0) << "nothing below the point";
}

TEST(PagePicture, TablesHoldFontsPensAndPicturesOnce)
{
    const QImage picture = logo();
    auto many = [&](int n) {
        TQRPageDevice device;
        device.BeginPage(kPage, 96);
        QPainter p(&device);
        QFont font(QStringLiteral("Liberation Sans"));
        font.setPixelSize(13);
        for (int i = 0; i < n; ++i) {
            // Set anew every time, as elements do: equal values cost nothing.
            p.setFont(font);
            p.setPen(QPen(Qt::black));
            p.drawImage(QPoint(i % 300, 10), picture);
        }
        p.end();
        return device.DataSize();
    };
    const qsizetype one = many(1);
    const qsizetype hundred = many(100);
    // The picture itself is stored once; each further use costs a short command.
    EXPECT_LT(hundred - one, 99 * 20);
}

TEST(PagePicture, AThousandsOfItemsPageStaysCompactAndComplete)
{
    constexpr int kRows = 1000;
    TQRPageDevice device;
    device.BeginPage(QSize(794, 1123), 96);
    QPainter p(&device);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(13);
    p.setFont(font);
    for (int i = 0; i < kRows; ++i) {
        const qreal y = 20 + (i % 50) * 21.25;
        p.fillRect(QRect(40, int(y) - 14, 150, 18), Qt::white);
        p.drawText(QPointF(40, y), QStringLiteral("Customer %1").arg(i, 6, 10, QLatin1Char('0')));
        p.drawText(QPointF(300, y), QString::number(i * 7919 % 100000 / 100.0, 'f', 2));
        p.drawLine(40, int(y) + 4, 700, int(y) + 4);
    }
    p.end();
    // Text of 15 characters with its position is about 25 bytes.
    EXPECT_LT(device.DataSize(), kRows * (25 + 12 + 14 + 12));
    TQRPagePicture page;
    QString error;
    ASSERT_TRUE(page.SetData(device.ToByteArray(), &error)) << qPrintable(error);
    EXPECT_EQ(page.DrawCount(), kRows * 4);
    QImage image(page.Size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    EXPECT_TRUE(ReplayPage(page, &painter));
}

TEST(PagePicture, DeviceIsReusedPageAfterPage)
{
    TQRPageDevice device;
    QByteArray first;
    for (int n = 0; n < 3; ++n) {
        device.BeginPage(kPage, 96);
        QPainter p(&device);
        p.setFont(QFont(QStringLiteral("Liberation Sans"), 10));
        p.drawText(10, 10, QStringLiteral("same"));
        p.end();
        if (n == 0)
            first = device.ToByteArray();
        else
            EXPECT_EQ(device.ToByteArray(), first) << "each page has its own tables";
    }
}

TEST(PagePicture, DamagedOrCutPagesAreRefusedWithAMessage)
{
    TQRPageDevice device;
    device.BeginPage(kPage, 96);
    {
        QPainter p(&device);
        everything(p);
    }
    const QByteArray good = device.ToByteArray();
    TQRPagePicture page;
    QString error;
    ASSERT_TRUE(page.SetData(good, &error));

    // Every cut inside the header or a command is found; a cut between two
    // commands leaves a shorter page that is still well formed.
    int refused = 0;
    for (qsizetype n = 0; n < good.size(); ++n) {
        error.clear();
        if (!page.SetData(good.left(n), &error)) {
            ++refused;
            EXPECT_FALSE(error.isEmpty()) << n;
            EXPECT_TRUE(page.IsNull());
        }
    }
    EXPECT_GT(refused, good.size() / 2);
    for (qsizetype n = 0; n < TQRPagePicture::HeaderSize; ++n)
        EXPECT_FALSE(page.SetData(good.left(n)));

    struct Case {
        int at;
        char value;
        const char *message;
    } header[] = {{0, 'X', "not a page picture"}, {4, 9, "unknown version"}, {9, char(0x80), "page size"}};
    for (const Case &c : header) {
        QByteArray bad = good;
        bad[c.at] = c.value;
        EXPECT_FALSE(page.SetData(bad, &error));
        EXPECT_TRUE(error.contains(QLatin1String(c.message))) << qPrintable(error);
    }

    // A pen used before it is defined, and a command nobody knows.
    QByteArray forged = good.left(TQRPagePicture::HeaderSize);
    forged.append(char(16)).append(char(0));
    EXPECT_FALSE(page.SetData(forged, &error));
    EXPECT_TRUE(error.contains(QLatin1String("not defined"))) << qPrintable(error);
    forged = good.left(TQRPagePicture::HeaderSize);
    forged.append(char(200));
    EXPECT_FALSE(page.SetData(forged, &error));
    EXPECT_TRUE(error.contains(QLatin1String("unknown command"))) << qPrintable(error);

    // Random damage is either refused or drawn; it never crashes.
    QRandomGenerator random(20261209);
    QImage image = blank();
    for (int round = 0; round < 2000; ++round) {
        QByteArray bad = good;
        const int flips = 1 + int(random.bounded(4));
        for (int i = 0; i < flips; ++i)
            bad[int(TQRPagePicture::HeaderSize +
                    random.bounded(int(bad.size() - TQRPagePicture::HeaderSize)))] =
                char(random.bounded(256));
        if (page.SetData(bad)) {
            QPainter painter(&image);
            painter.scale(0.25, 0.25);
            ReplayPage(page, &painter);
        }
    }
}

TEST(PagePicture, ReplayNeedsAPageAndAnActivePainter)
{
    TQRPagePicture empty;
    QImage image = blank();
    QPainter painter(&image);
    QString error;
    EXPECT_FALSE(ReplayPage(empty, &painter, &error));
    EXPECT_FALSE(error.isEmpty());
    const TQRPagePicture page = record([](QPainter &p) { p.drawLine(0, 0, 10, 10); });
    EXPECT_FALSE(ReplayPage(page, nullptr, &error));
    QPainter inactive;
    EXPECT_FALSE(ReplayPage(page, &inactive, &error));
}

TEST(PagePicture, PrinterRefusesADamagedPageWithItsReason)
{
    TQRPrinter printer;
    printer.OpenDocument();
    printer.NewPage();
    printer.Canvas()->drawText(20, 40, QStringLiteral("kept"));
    printer.CloseDocument();
    TQRPagePicture page;
    ASSERT_TRUE(printer.GetPage(1, &page));
    EXPECT_EQ(page.Size(), QSize(printer.XSize(printer.PageWidth()), printer.YSize(printer.PageHeight())));

    // The same stream with the page's command bytes overwritten.
    TQRStream *stream = printer.Pages()->Stream();
    stream->Seek(TQRPageList::HeaderSize + 8 + TQRPagePicture::HeaderSize);
    const char junk[] = {char(250), char(250)};
    ASSERT_TRUE(stream->Write(junk, 2));
    EXPECT_FALSE(printer.GetPage(1, &page));
    EXPECT_TRUE(printer.ErrorString().contains(QLatin1String("page 1"))) << qPrintable(printer.ErrorString());
}

// Text and fills handed to QRDrawText and QRFillRect right after state changes the painter has not
// passed on yet: the recorded page must still show them.
void textAfterStateChanges(QPainter &p)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(14);
    p.setFont(font);
    QRDrawText(&p, QPointF(10, 20), QStringLiteral("Customer 000123"));
    p.setPen(Qt::darkRed);
    font.setUnderline(true);
    font.setStrikeOut(true);
    p.setFont(font);
    QRDrawText(&p, QPointF(150.25, 20.5), QStringLiteral("Überschrift €"));
    p.setPen(Qt::NoPen);
    QRDrawText(&p, QPointF(10, 40), QStringLiteral("never shown"));
    p.setPen(Qt::black);
    QRDrawText(&p, QPointF(10, 40), QString());

    p.save();
    p.setClipRect(QRect(10, 45, 45, 20));
    QRDrawText(&p, QPointF(10, 60), QStringLiteral("clipped at the box"));
    p.restore();
    p.save();
    p.translate(200, 200);
    p.rotate(-90);
    QRDrawText(&p, QPointF(0, 0), QStringLiteral("Rotated label"));
    p.restore();
    p.setOpacity(0.5);
    QRDrawText(&p, QPointF(10, 90), QStringLiteral("half opaque"));
    p.setOpacity(1);
    p.setLayoutDirection(Qt::RightToLeft);
    QRDrawText(&p, QPointF(10, 120), QStringLiteral("שלום world 123"));
    p.setLayoutDirection(Qt::LeftToRight);
    QRDrawText(&p, QPointF(10, 150), QStringLiteral("abc שלום 123"));
    // The painter's own drawing afterwards keeps the state the text left.
    p.drawRect(QRect(10, 160, 40, 20));
    QRDrawText(&p, QPointF(60, 175), QStringLiteral("after"));

    // Fills leave pen and brush alone, and follow transform, clip and opacity.
    p.setBrush(Qt::green);
    QRFillRect(&p, QRect(100, 160, 30, 20), QColor(255, 255, 0));
    p.drawRect(QRect(135, 160, 20, 20));
    p.save();
    p.translate(160, 150);
    p.setClipRect(QRect(0, 0, 20, 40));
    p.setOpacity(0.5);
    QRFillRect(&p, QRect(5, 5, 40, 25), Qt::blue);
    p.restore();
    QRFillRect(&p, QRect(220, 160, 10, 10), Qt::darkCyan);
}

TEST(PagePicture, TextRecordedWithoutLayoutLooksLikeDrawnText)
{
    const TQRPagePicture page = record(textAfterStateChanges);
    const QImage expected = direct(textAfterStateChanges);
    const QImage got = replayed(page);
    // One command per text, decorations and bidi runs included, per fill and per rectangle.
    EXPECT_EQ(page.DrawCount(), 13);
    EXPECT_EQ(got.pixel(110, 170), qRgb(255, 255, 0));
    EXPECT_EQ(got.pixel(140, 170), QColor(Qt::green).rgb()) << "the painter's brush after a fill";
    EXPECT_EQ(got.pixel(190, 170), qRgb(255, 255, 255)) << "the fill's clip";
    EXPECT_EQ(differing(got, expected), 0);
    EXPECT_EQ(dark(got, QRect(10, 28, 200, 14)), 0) << "text without a pen leaves nothing";
    EXPECT_EQ(dark(got, QRect(56, 45, 150, 20)), 0) << "the clip holds";
    EXPECT_GT(dark(got, QRect(180, 80, 20, 120)), 100) << "the rotated label";

    // Plain text costs the same bytes either way.
    auto plain = [](bool direct) {
        TQRPageDevice device;
        device.BeginPage(kPage, 96);
        QPainter p(&device);
        p.setFont(QFont(QStringLiteral("Liberation Sans"), 10));
        for (int i = 0; i < 3; ++i) {
            const QPointF at(10, 20 + 15 * i);
            const QString text = QStringLiteral("Customer %1").arg(i);
            direct ? p.drawText(at, text) : QRDrawText(&p, at, text);
        }
        p.end();
        return device.ToByteArray();
    };
    EXPECT_EQ(plain(false), plain(true));
}

TEST(PagePicture, AFillOfAnUndefinedColourIsRefused)
{
    TQRPageDevice device;
    device.BeginPage(kPage, 96);
    {
        QPainter p(&device);
        QRFillRect(&p, QRect(1, 2, 3, 4), Qt::red);
    }
    const QByteArray good = device.ToByteArray();
    TQRPagePicture page;
    ASSERT_TRUE(page.SetData(good));
    EXPECT_EQ(page.DrawCount(), 1);
    // The same fill referring to colour 1, of which there is none.
    QByteArray bad = good;
    const qsizetype fill = bad.lastIndexOf(char(46), bad.size() - 5);
    ASSERT_GT(fill, TQRPagePicture::HeaderSize);
    bad[fill + 1] = 1;
    QString error;
    EXPECT_FALSE(page.SetData(bad, &error));
    EXPECT_TRUE(error.contains(QLatin1String("colour"))) << qPrintable(error);
    EXPECT_TRUE(page.IsNull());
    // Cut inside the rectangle.
    EXPECT_FALSE(page.SetData(good.left(good.size() - 2), &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(PagePicture, ThousandsOfRecordedTextsRoundTrip)
{
    constexpr int kTexts = 5000;
    TQRPageDevice device;
    device.BeginPage(QSize(794, 1123), 96);
    QPainter p(&device);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(13);
    for (int i = 0; i < kTexts; ++i) {
        font.setBold(i % 3 == 0);
        p.setFont(font);
        p.setPen(i % 2 ? Qt::black : Qt::blue);
        QRDrawText(&p, QPointF(40 + i % 7 * 100, 20 + i % 50 * 21.25),
                   QStringLiteral("Customer %1").arg(i, 6, 10, QLatin1Char('0')));
    }
    p.end();
    TQRPagePicture page;
    QString error;
    ASSERT_TRUE(page.SetData(device.ToByteArray(), &error)) << qPrintable(error);
    EXPECT_EQ(page.DrawCount(), kTexts);
    // 15 characters with position, pen and font switches.
    EXPECT_LT(device.DataSize(), kTexts * 30);
    // Cut anywhere, the page is refused with a reason.
    for (qsizetype cut = TQRPagePicture::HeaderSize; cut < device.DataSize(); cut += 997) {
        TQRPagePicture part;
        QString problem;
        const QByteArray bytes(device.Data(), cut + 1);
        if (!part.SetData(bytes, &problem))
            EXPECT_FALSE(problem.isEmpty());
    }
}

// On a blank page white fills over nothing are left out; a white fill over anything drawn
// before, a text's ink included, still covers it, so the page looks the same either way.
TEST(PagePicture, WhiteFillsOverNothingAreLeftOutOnABlankPage)
{
    auto draw = [](QPainter &p) {
        QRFillRect(&p, QRect(10, 10, 60, 40), Qt::white); // over nothing
        QRFillRect(&p, QRect(100, 10, 60, 40), Qt::red);
        QRFillRect(&p, QRect(130, 20, 60, 10), Qt::white); // half over the red
        p.setFont(QFont(QStringLiteral("Liberation Sans"), 14));
        QRDrawText(&p, QPointF(10, 100), QStringLiteral("WWWWWWWW"));
        QRFillRect(&p, QRect(60, 80, 20, 30), Qt::white);  // over the text's ink
        QRFillRect(&p, QRect(10, 150, 60, 40), Qt::white); // below everything
        p.scale(2, 2);
        QRFillRect(&p, QRect(100, 90, 10, 10), Qt::white); // scaled, over nothing
        p.resetTransform();
        p.drawLine(250, 10, 250, 230);
        QRFillRect(&p, QRect(260, 10, 40, 40), Qt::white); // after a line: kept
    };
    const TQRPagePicture page = record(draw);

    // Grey paper shows which fills were drawn.
    QImage grey(kPage, QImage::Format_RGB32);
    grey.fill(Qt::gray);
    {
        QPainter painter(&grey);
        ASSERT_TRUE(ReplayPage(page, &painter, nullptr, true));
    }
    const QRgb paper = QColor(Qt::gray).rgb(), white = qRgb(255, 255, 255);
    EXPECT_EQ(grey.pixel(30, 30), paper) << "left out";
    EXPECT_EQ(grey.pixel(30, 170), paper) << "left out";
    EXPECT_EQ(grey.pixel(210, 190), paper) << "left out under a transform";
    EXPECT_EQ(grey.pixel(150, 25), white) << "over the red";
    EXPECT_EQ(grey.pixel(110, 40), QColor(Qt::red).rgb());
    EXPECT_EQ(dark(grey, QRect(61, 81, 18, 28)), 0) << "the text under the white fill stays covered";
    EXPECT_EQ(grey.pixel(280, 30), white) << "kept after a line";

    // On white paper both ways give the same pixels.
    QImage plain = blank(), skipping = blank();
    {
        QPainter a(&plain), b(&skipping);
        ASSERT_TRUE(ReplayPage(page, &a));
        ASSERT_TRUE(ReplayPage(page, &b, nullptr, true));
    }
    EXPECT_EQ(differing(plain, skipping), 0);
    EXPECT_GT(dark(skipping, QRect(10, 80, 200, 30)), 50);
}
