#include "common/programdir.h"
#include "common/rtfreader.h"
#include "data/session.h"
#include "data/table.h"
#include "engine/richtextlayout.h"
#include "gentest.h"
#include "output/pages/qrpagepicture.h"

#include <QBuffer>
#include <QPaintEngine>
#include <QPainter>
#include <QRegularExpression>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

namespace
{
// A paint device that keeps the texts drawn on it, for reading recorded pages back.
class TextCollector : public QPaintDevice
{
public:
    class Engine : public QPaintEngine
    {
    public:
        bool begin(QPaintDevice *) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState &) override {}
        void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
        // The base class turns polygons and points into each other without end.
        void drawPolygon(const QPointF *, int, PolygonDrawMode) override {}
        void drawPoints(const QPointF *, int) override {}
        void drawTextItem(const QPointF &, const QTextItem &item) override { texts << item.text(); }
        Type type() const override { return User; }
        QStringList texts;
    };
    QPaintEngine *paintEngine() const override { return &m_engine; }
    QStringList texts() const { return m_engine.texts; }

protected:
    int metric(PaintDeviceMetric m) const override
    {
        switch (m) {
        case PdmWidth:
        case PdmHeight:
            return 20000;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 600;
        case PdmDepth:
            return 32;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        default:
            return 1;
        }
    }

private:
    mutable Engine m_engine;
};

// The texts drawn on a recorded page, in drawing order.
QStringList pageTexts(TQRPrinter *printer, int page)
{
    TQRPagePicture picture;
    if (!printer->GetPage(page, &picture))
        return {};
    TextCollector device;
    QPainter painter(&device);
    ReplayPage(picture, &painter);
    painter.end();
    return device.texts();
}

// RTF of numbered paragraphs, each long enough to wrap over several lines.
QStringList numberedParagraphs(int count, QStringList *words)
{
    QStringList lines{"{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}", "\\pard\\fs24"};
    for (int p = 0; p < count; ++p) {
        QString para;
        for (int w = 0; w < 30; ++w) {
            const QString word =
                QStringLiteral("w%1x%2").arg(p, 3, 10, QLatin1Char('0')).arg(w, 2, 10, QLatin1Char('0'));
            *words << word;
            para += (w ? QStringLiteral(" ") : QString()) + (w == 3 ? "{\\b " + word + "}" : word);
        }
        lines << para + "\\par";
    }
    lines << "}";
    return lines;
}

QStringList wordsOf(const QStringList &texts)
{
    QStringList words;
    for (const QString &t : texts)
        words += t.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    return words;
}
} // namespace

TEST(RichTextLayout, FitsWholeLinesAndContinuesAtTheFirstCharacterThatDidNotFit)
{
    QTextDocument doc;
    QStringList lines;
    for (int i = 0; i < 10; ++i)
        lines << QStringLiteral("line%1").arg(i);
    doc.setPlainText(lines.join(QLatin1Char('\n')));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(240); // 12 pt at 1440 dpi
    TQRRichTextLayout layout(doc, font, Qt::AlignLeft);
    layout.SetWidth(1440 * 3);
    EXPECT_FALSE(layout.IsEmpty());
    const double lineHeight = layout.Height(0, 1);
    ASSERT_GT(lineHeight, 200);
    EXPECT_DOUBLE_EQ(layout.Height(0, layout.EndPosition()), 10 * lineHeight);
    // Three and a half lines of room hold three lines; the fourth begins at "line3".
    const int next = layout.Fit(0, 3.5 * lineHeight);
    EXPECT_EQ(next, doc.find(QStringLiteral("line3")).selectionStart());
    auto texts = layout.LineTexts(0, next);
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[2].second, QStringLiteral("line2"));
    EXPECT_DOUBLE_EQ(texts[2].first, 2 * lineHeight);
    // From there on, positions are relative to the continuing line.
    texts = layout.LineTexts(next, layout.Fit(next, 2 * lineHeight));
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].second, QStringLiteral("line3"));
    EXPECT_DOUBLE_EQ(texts[0].first, 0);
    EXPECT_EQ(layout.Fit(next, 100 * lineHeight), layout.EndPosition());
    // Nothing fits into too little room, unless one line is asked for.
    EXPECT_EQ(layout.Fit(next, lineHeight / 2), next);
    EXPECT_EQ(layout.Fit(next, lineHeight / 2, true), doc.find(QStringLiteral("line4")).selectionStart());
    // A narrower width breaks lines anew.
    doc.setPlainText(QStringLiteral("aaa bbb ccc ddd"));
    TQRRichTextLayout narrow(doc, font, Qt::AlignLeft);
    narrow.SetWidth(1440 * 10);
    EXPECT_EQ(narrow.LineTexts(0, narrow.EndPosition()).size(), 1u);
    narrow.SetWidth(700);
    EXPECT_GE(narrow.LineTexts(0, narrow.EndPosition()).size(), 3u);
}

TEST(RichTextPrinting, FourPagesOfTextInAStretchingBandPrintOnceInOrder)
{
    GenFixture f;
    TQRBand *detail = f.addBand(QR::rbDetail, 100);
    auto *rich = f.element<TQRRichText>(detail, 0, 0, 1500, 100);
    rich->SetAutoStretch(true);
    QStringList words;
    rich->SetLines(numberedParagraphs(60, &words));
    f.label(detail, QStringLiteral("OTHER"), 1600, 0);
    f.label(f.addBand(QR::rbSummary, 100), QStringLiteral("SUMMARY"));
    f.records(1);
    f.report->PreparePages();
    TQRPrinter *p = f.report->QRPrinter();
    ASSERT_GE(p->PageCount(), 4);

    // Read back from the recorded pages: every word once, in order.
    QStringList printed;
    QList<QStringList> perPage;
    for (int page = 1; page <= p->PageCount(); ++page) {
        QStringList texts = pageTexts(p, page);
        texts.removeAll(QStringLiteral("OTHER"));
        texts.removeAll(QStringLiteral("SUMMARY"));
        perPage << wordsOf(texts);
        printed += perPage.last();
    }
    EXPECT_EQ(printed, words);
    for (const QStringList &page : perPage)
        EXPECT_FALSE(page.isEmpty());
    // Each page continues with the word after the last one of the page before.
    for (int page = 1; page < perPage.size(); ++page)
        EXPECT_EQ(words.indexOf(perPage[page].first()), words.indexOf(perPage[page - 1].last()) + 1);
    // The other element of the band prints once, on the first page; the summary at the end.
    EXPECT_EQ(pageTexts(p, 1).count(QStringLiteral("OTHER")), 1);
    for (int page = 2; page <= p->PageCount(); ++page)
        EXPECT_FALSE(pageTexts(p, page).contains(QStringLiteral("OTHER")));
    EXPECT_TRUE(pageTexts(p, p->PageCount()).contains(QStringLiteral("SUMMARY")));
    EXPECT_TRUE(rich->PrintComplete);
    EXPECT_EQ(rich->NextPosition, 0);

    // An export gets the same text as items, line by line, in the same order.
    RecordingFilter filter;
    f.exportTo(filter);
    QStringList exported;
    for (const TextItem &i : filter.items)
        if (i.text != QLatin1String("OTHER") && i.text != QLatin1String("SUMMARY"))
            exported << i.text;
    EXPECT_EQ(wordsOf(exported), words);
    EXPECT_EQ(filter.pages, p->PageCount());
    // Continued pages start at the top margin.
    for (const TextItem &i : filter.items)
        if (i.page == 2) {
            EXPECT_DOUBLE_EQ(i.y, 100);
            break;
        }
}

TEST(RichTextPrinting, WithoutAutoStretchOnlyTheRectanglePrints)
{
    GenFixture f;
    TQRBand *detail = f.addBand(QR::rbDetail, 300);
    auto *rich = f.element<TQRRichText>(detail, 0, 0, 1500, 120);
    rich->SetLines({"{\\rtf1\\ansi\\fs24 one\\par two\\par three\\par four\\par five\\par six\\par}"});
    f.label(f.addBand(QR::rbSummary, 100), QStringLiteral("S"));
    f.records(2);
    f.report->PreparePages();
    TQRPrinter *p = f.report->QRPrinter();
    EXPECT_EQ(p->PageCount(), 1);
    // 12 mm hold two lines of 12-point text, for each record.
    EXPECT_EQ(pageTexts(p, 1), (QStringList{"one", "two", "one", "two", "S"}));
    EXPECT_TRUE(rich->PrintComplete);
}

TEST(RichTextPrinting, StretchingGrowsTheBandInFiveMillimetreSteps)
{
    auto summaryY = [](int paragraphs) {
        GenFixture f;
        TQRBand *detail = f.addBand(QR::rbDetail, 100);
        auto *rich = f.element<TQRRichText>(detail, 0, 0, 1500, 100);
        rich->SetAutoStretch(true);
        QString rtf = QStringLiteral("{\\rtf1\\ansi\\fs24 ");
        for (int i = 0; i < paragraphs; ++i)
            rtf += QStringLiteral("p%1\\par ").arg(i);
        rich->SetLines({rtf + "}"});
        f.label(f.addBand(QR::rbSummary, 100), QStringLiteral("S"));
        f.records(1);
        RecordingFilter filter;
        f.exportTo(filter);
        return filter.find("S")->y;
    };
    const double fits = summaryY(1);
    EXPECT_DOUBLE_EQ(fits, 200);
    for (int n : {8, 20}) {
        const double grown = summaryY(n) - 200;
        EXPECT_GT(grown, 0);
        EXPECT_DOUBLE_EQ(std::fmod(grown, 50), 0) << n;
    }
    EXPECT_GT(summaryY(20), summaryY(8));
}

TEST(RichTextPrinting, ParentRichEditAndPlainTextLines)
{
    GenFixture f;
    TQRBand *detail = f.addBand(QR::rbDetail, 300);
    auto *own = f.element<TQRRichText>(detail, 0, 0, 800, 200);
    own->SetLines({"not rich", "second"});
    auto *fromEdit = f.element<TQRRichText>(detail, 1000, 0, 800, 200);
    fromEdit->SetLines({"{\\rtf1 hidden}"});
    // An editor component that holds a document.
    auto *edit = new TComponent(f.form.get());
    auto *editDoc = new QTextDocument(edit);
    ReadRtf("{\\rtf1 {\\b edited} text}", editDoc);
    fromEdit->SetParentRichEdit(edit);
    f.records(1);
    RecordingFilter filter;
    f.exportTo(filter);
    EXPECT_EQ(filter.texts(1), (QStringList{"not rich", "second", "edited text"}));
    // The editor goes away: the element's own lines print again.
    delete edit;
    EXPECT_EQ(fromEdit->ParentRichEdit(), nullptr);
    RecordingFilter again;
    f.exportTo(again);
    EXPECT_TRUE(again.texts(1).contains(QStringLiteral("hidden")));
}

TEST(RichTextPrinting, PageImageMatchesTheElementGeometry)
{
    GenFixture f;
    TQRBand *detail = f.addBand(QR::rbDetail, 400);
    auto *rich = f.element<TQRRichText>(detail, 254, 100, 1000, 200);
    rich->SetLines(
        {"{\\rtf1\\ansi{\\colortbl;\\red255\\green0\\blue0;\\red255\\green255\\blue0;}",
         "\\pard\\fs40{\\highlight2 \\~\\~\\~\\~\\~\\~\\~\\~}\\par\\pard\\qr\\cf1\\fs40 MMMM\\par}"});
    f.records(1);
    f.report->PreparePages();
    TQRPrinter *p = f.report->QRPrinter();
    const QImage page = PageImage(p, 1);
    ASSERT_FALSE(page.isNull());
    const QRect box(p->XPos(354), p->YPos(200), p->XPos(1354) - p->XPos(354), p->YPos(400) - p->YPos(200));
    // The reference: white everywhere outside the element's rectangle.
    QRect yellow, red;
    int outside = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const QRgb c = page.pixel(x, y);
            if (c == qRgb(255, 255, 255))
                continue;
            if (!box.contains(x, y))
                ++outside;
            if (c == qRgb(255, 255, 0))
                yellow |= QRect(x, y, 1, 1);
            if (qRed(c) > 200 && qGreen(c) < 80 && qBlue(c) < 80)
                red |= QRect(x, y, 1, 1);
        }
    EXPECT_EQ(outside, 0);
    // The highlighted first line starts at the rectangle's top left corner.
    ASSERT_FALSE(yellow.isEmpty());
    EXPECT_NEAR(yellow.left(), box.left(), 1);
    EXPECT_NEAR(yellow.top(), box.top(), 1);
    // 20-point text is about 7 mm high: 0.28 inch on a canvas of this resolution.
    const double dpi = p->YFactor() * 254;
    EXPECT_NEAR(yellow.height(), 20.0 / 72 * dpi * 1.15, 0.25 * 20.0 / 72 * dpi);
    // The red, right-aligned second line lies below it and ends near the right edge.
    ASSERT_FALSE(red.isEmpty());
    EXPECT_GE(red.top(), yellow.bottom());
    EXPECT_NEAR(red.right(), box.right(), dpi / 10);
    EXPECT_GT(red.left(), box.center().x());
}

#ifdef TABULON_DEMO_DIR
TEST(RichTextPrinting, DBRichTextPrintsADemoDatabaseMemo)
{
    LocaleGuard locale(QStringLiteral("en_US"));
    SetProgramDir(QStringLiteral(TABULON_DEMO_DIR));
    GenFixture f;
    auto *customers = new TTable(f.form.get());
    customers->SetDatabaseName(QStringLiteral("DEMO"));
    customers->SetTableName(QStringLiteral("customers"));
    customers->Open();
    ASSERT_TRUE(customers->Active());
    f.report->SetDataSet(customers);
    TQRBand *detail = f.addBand(QR::rbDetail, 60);
    auto *notes = f.element<TQRDBRichText>(detail, 0, 0, 1800, 60);
    notes->SetDataSet(customers);
    notes->SetDataField(QStringLiteral("Notes"));
    notes->SetAutoStretch(true);
    QStringList expected;
    for (customers->First(); !customers->Eof(); customers->Next())
        expected << wordsOf({customers->FieldByName(QStringLiteral("Notes"))->AsString()});
    ASSERT_TRUE(expected.contains(QStringLiteral("Счёт-фактура.")));
    RecordingFilter filter;
    f.report->ExportToFilter(&filter);
    QStringList printed;
    for (const TextItem &i : filter.items)
        printed << i.text;
    // Lines may break after a hyphen inside a word: compare the text without its white space.
    EXPECT_EQ(wordsOf(printed).join(QString()), expected.join(QString()));
    customers->Close();
    Session().CloseDatabases();
}
#endif

TEST(RichTextLayout, RendersEmbeddedPicturesAndOnlyTheLinesAsked)
{
    QImage red(8, 8, QImage::Format_RGB32);
    red.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    red.save(&buffer, "PNG");
    QTextDocument doc;
    // A 1-inch square picture on the first line, text on the second.
    ASSERT_TRUE(ReadRtf("{\\rtf1{\\pict\\pngblip\\picwgoal1440\\pichgoal1440 " + png.toHex() +
                            "}\\par{\\colortbl;\\red0\\green0\\blue255;}\\cf1\\fs96 MMM\\par}",
                        &doc));
    TQRRichTextLayout layout(doc, QFont(), Qt::AlignLeft);
    layout.SetWidth(1440 * 4);
    const int second = layout.Fit(0, 1800);
    EXPECT_NEAR(layout.Height(0, 1), 1440, 300) << "the picture sets the first line's height";
    ASSERT_GT(second, 0);
    ASSERT_LT(second, layout.EndPosition());
    auto render = [&](int from, int to) {
        QImage image(400, 300, QImage::Format_RGB32); // 100 dpi
        image.fill(Qt::white);
        QPainter painter(&image);
        layout.Render(&painter, QRectF(10, 20, 400, 300), 100, 100, from, to, Qt::black);
        painter.end();
        return image;
    };
    auto count = [](const QImage &image, QRgb colour) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += image.pixel(x, y) == colour;
        return n;
    };
    const QImage first = render(0, second);
    // One inch at 100 dpi, from the target's top left.
    EXPECT_NEAR(count(first, qRgb(255, 0, 0)), 100 * 100, 300);
    EXPECT_EQ(first.pixel(12, 22), qRgb(255, 0, 0));
    EXPECT_EQ(count(first, qRgb(0, 0, 255)), 0);
    // The second line alone starts at the top of the target.
    const QImage rest = render(second, layout.EndPosition());
    EXPECT_EQ(count(rest, qRgb(255, 0, 0)), 0);
    EXPECT_GT(count(rest, qRgb(0, 0, 255)), 100);
    bool blueNearTop = false;
    for (int x = 0; x < rest.width() && !blueNearTop; ++x)
        for (int y = 20; y < 70 && !blueNearTop; ++y)
            blueNearTop = rest.pixel(x, y) == qRgb(0, 0, 255);
    EXPECT_TRUE(blueNearTop);
}

// Qt's own layout hangs once a document grows a few kilometres of twips tall; long texts are laid
// out in pieces, and nothing may be lost, repeated or moved where the pieces meet.
TEST(RichTextLayout, VeryLongTextsLayOutInPiecesWithoutLosingALine)
{
    QStringList paragraphs;
    for (int i = 0; i < 400; ++i)
        paragraphs << QStringLiteral("p%1 %2").arg(i, 3, 10, QLatin1Char('0')).arg(QString(40, QLatin1Char('x')));
    QTextDocument doc;
    doc.setPlainText(paragraphs.join(QLatin1Char('\n')));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(240);
    TQRRichTextLayout layout(doc, font, Qt::AlignLeft);
    layout.SetWidth(1440 * 8);
    ASSERT_EQ(layout.EndPosition(), doc.characterCount() - 1);
    const double lineHeight = layout.Height(0, 1);
    ASSERT_GT(lineHeight, 200);
    // Page by page, as an element continues on the next page.
    QStringList seen;
    double previousTop = -1;
    int from = 0, pages = 0;
    while (from < layout.EndPosition()) {
        const int next = layout.Fit(from, 50 * lineHeight);
        ASSERT_GT(next, from);
        for (const auto &[top, text] : layout.LineTexts(from, next)) {
            EXPECT_GT(top, previousTop - 1e-6) << text.toStdString();
            previousTop = top;
            seen << text;
        }
        previousTop = -1;
        from = next;
        ++pages;
    }
    EXPECT_EQ(pages, 8);
    EXPECT_EQ(seen, paragraphs);
    EXPECT_DOUBLE_EQ(layout.Height(0, layout.EndPosition()), 400 * lineHeight);

    // Characters of the largest size, one to a line, in one paragraph: cut into pieces too.
    QTextDocument huge;
    ASSERT_TRUE(ReadRtf("{\\rtf1\\fs3276 " + QByteArray(600, 'a') + "}", &huge));
    TQRRichTextLayout tall(huge, font, Qt::AlignLeft);
    tall.SetWidth(1440 * 6);
    QString text;
    const auto lines = tall.LineTexts(0, tall.EndPosition());
    for (const auto &[top, line] : lines)
        text += line;
    EXPECT_EQ(text, QString(600, QLatin1Char('a')));
    EXPECT_GE(lines.size(), 20u);
}

// Lengths from RTF keep their size on the 1440-dpi layout: exact line heights and tab stops are
// scaled by Qt, indents are not, and both must come out in twips.
TEST(RichTextLayout, ExactLineHeightsTabStopsAndIndentsFromRtfKeepTheirSize)
{
    QTextDocument doc;
    ASSERT_TRUE(ReadRtf("{\\rtf1\\sl-480\\tx1440 \\tab X\\par\\pard\\li720 Y\\par}", &doc));
    TQRRichTextLayout layout(doc, QFont(QStringLiteral("DejaVu Sans"), 12), Qt::AlignLeft);
    layout.SetWidth(1440 * 4);
    const auto lines = layout.LineTexts(0, layout.EndPosition());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_DOUBLE_EQ(lines[1].first, 480) << "the exact line height of a third of an inch";
    const int second = layout.Fit(0, 480);
    ASSERT_GT(second, 0);
    auto firstInk = [&](int from, int to) {
        QImage image(400, 100, QImage::Format_RGB32); // 100 dpi
        image.fill(Qt::white);
        QPainter painter(&image);
        layout.Render(&painter, QRectF(0, 0, 400, 100), 100, 100, from, to, Qt::black);
        painter.end();
        for (int x = 0; x < image.width(); ++x)
            for (int y = 0; y < image.height(); ++y)
                if (qGray(image.pixel(x, y)) < 128)
                    return x;
        return -1;
    };
    EXPECT_NEAR(firstInk(0, second), 100, 4) << "the tab stop at one inch";
    EXPECT_NEAR(firstInk(second, layout.EndPosition()), 50, 4) << "the half-inch indent";
}

// A stretching rich text continued on further pages draws each of its lines once: the line a
// page ended with is not drawn again (out of sight above the margin) on the next page. Paragraph
// spacing keeps its size in twips, so that a page holds as many paragraphs as the spacing allows.
TEST(RichTextPrinting, ContinuedPagesDrawEachLineOnceAndSpacingKeepsItsSize)
{
    auto run = [](const QString &paragraphFormat, int *pages) {
        GenFixture f;
        TQRBand *detail = f.addBand(QR::rbDetail, 200);
        f.label(detail, QStringLiteral("ABOVE"), 0, 0);
        auto *rich = f.element<TQRRichText>(detail, 0, 100, 1500, 100);
        rich->SetAutoStretch(true);
        QStringList lines{"{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}", paragraphFormat};
        QString expected;
        for (int p = 0; p < 40; ++p) {
            QString para;
            for (int w = 0; w < 30; ++w) {
                const QString word =
                    QStringLiteral("w%1x%2").arg(p, 3, 10, QLatin1Char('0')).arg(w, 2, 10, QLatin1Char('0'));
                expected += word;
                para += (w ? QStringLiteral(" ") : QString()) + word;
            }
            lines << para + "\\par";
        }
        lines << "}";
        rich->SetLines(lines);
        f.records(1);
        f.report->PreparePages();
        TQRPrinter *p = f.report->QRPrinter();
        *pages = p->PageCount();
        // Text runs may be cut anywhere, so the pages' texts are compared without blanks.
        QString printed;
        for (int page = 1; page <= p->PageCount(); ++page) {
            QStringList texts = pageTexts(p, page);
            texts.removeAll(QStringLiteral("ABOVE"));
            printed += texts.join(QString()).remove(QLatin1Char(' '));
        }
        EXPECT_EQ(printed, expected) << paragraphFormat.toStdString();
    };
    int plain = 0, spaced = 0, exact = 0;
    run(QStringLiteral("\\pard\\fs24"), &plain);
    EXPECT_GE(plain, 3);
    // 40 times 12 points after a paragraph add about 170 mm: at most one page more.
    run(QStringLiteral("\\pard\\sa240\\fs24"), &spaced);
    EXPECT_LE(spaced, plain + 1);
    run(QStringLiteral("\\pard\\sl-300\\sb120\\fs24"), &exact);
    EXPECT_LE(exact, plain + 2);
}
