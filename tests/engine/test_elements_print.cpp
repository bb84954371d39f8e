// Printable elements at run time: wrapping, stretching over pages, shared
// band growth, OnPrint, expression and field texts, shapes and pictures on
// the recorded page, and the filter library.
#include "gentest.h"

#include "common/datetimeformat.h"
#include "common/units.h"
#include "engine/generation.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

namespace
{
// A label on a band of a report, wrapped at a pixel width.
struct WrapFixture : GenFixture {
    TQRBand *detail = addBand(QR::rbDetail, 100);
    TQRLabel *l = label(detail, QString());
    QStringList wrap(const QString &text, int width, bool wordWrap = true)
    {
        l->SetAutoSize(false);
        l->SetWordWrap(wordWrap);
        l->SetWidth(width);
        l->SetCaption(text);
        l->FormatLines();
        return l->WrappedLines;
    }
};

int occurrences(const RecordingFilter &f, const QString &text)
{
    int n = 0;
    for (const TextItem &i : f.items)
        n += i.text == text;
    return n;
}

int count(const QImage &image, const QRect &r, QRgb colour)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += image.pixel(x, y) == colour;
    return n;
}
} // namespace

TEST(Wrapping, BreaksAfterSpacesAndHyphensAndCutsWideWords)
{
    WrapFixture f;
    const int widest = std::max({f.l->TextWidth("alpha "), f.l->TextWidth("beta-"), f.l->TextWidth("gamma")});
    ASSERT_GT(f.l->TextWidth("alpha beta-"), widest);
    EXPECT_EQ(f.wrap("alpha beta-gamma", widest), (QStringList{"alpha ", "beta-", "gamma"}));
    // Wide enough for everything: one line.
    EXPECT_EQ(f.wrap("alpha beta-gamma", 1000), QStringList{"alpha beta-gamma"});

    // A single word wider than the label keeps only the characters that fit.
    const int narrow = f.l->TextWidth("abcd");
    const QStringList cut = f.wrap("abcdefghijkl", narrow);
    // The paragraph's (empty) remainder closes it as a line of its own.
    ASSERT_EQ(cut.size(), 2);
    EXPECT_EQ(cut[1], QString());
    EXPECT_TRUE(QStringLiteral("abcdefghijkl").startsWith(cut[0]));
    EXPECT_LT(f.l->TextWidth(cut[0]), narrow);
    EXPECT_GE(f.l->TextWidth(cut[0] + QStringLiteral("abcdefghijkl")[cut[0].size()]), narrow);

    // A wide word after a line is output shortened to the width, its rest dropped.
    const QStringList after = f.wrap("ab abcdefghijkl", narrow);
    ASSERT_EQ(after.size(), 3);
    EXPECT_EQ(after[0], QStringLiteral("ab "));
    EXPECT_LE(f.l->TextWidth(after[1]), narrow);
    EXPECT_TRUE(QStringLiteral("abcdefghijkl").startsWith(after[1]));
}

TEST(Measuring, TextWidthIsTheLaidOutWidthWhateverTheKerningAndLigatures)
{
    WrapFixture f;
    QImage device(1, 1, QImage::Format_ARGB32);
    const int dpm = int(std::lround(ScreenPixelsPerInch() / 0.0254));
    device.setDotsPerMeterX(dpm);
    device.setDotsPerMeterY(dpm);
    const QStringList texts = {"Customer 000123",
                               "AVATAR To Te Yo Wa r. y, f)",
                               "office ffi ffl fi fl",
                               "2024-05-06",
                               "4276.26",
                               "  double  spaces ",
                               "x",
                               "Überschrift €",
                               "שלום world",
                               "tab\there",
                               QString()};
    const QString kerned = QStringLiteral("AV");
    for (const char *family : {"Liberation Sans", "Liberation Serif", "Liberation Mono", "DejaVu Sans"})
        for (int size : {8, 10, 13})
            for (bool bold : {false, true}) {
                TFont *font = f.l->Font();
                font->SetName(QString::fromLatin1(family));
                font->SetSize(size);
                font->SetStyle(bold ? TFont::TFontStyles(TFont::fsBold) : TFont::TFontStyles());
                const QFontMetricsF m(font->ToQFont(ScreenPixelsPerInch()), &device);
                if (!std::strcmp(family, "Liberation Sans"))
                    ASSERT_NE(m.horizontalAdvance(kerned),
                              m.horizontalAdvance(kerned.left(1)) + m.horizontalAdvance(kerned.right(1)))
                        << "the font kerns, so the check below means something";
                // Twice: measured afresh, then from what the first round kept.
                for (int round = 0; round < 2; ++round)
                    for (const QString &text : texts)
                        EXPECT_EQ(f.l->TextWidth(text), int(std::lround(m.horizontalAdvance(text))) + 1)
                            << family << " " << size << (bold ? " bold " : " ") << qPrintable(text);
            }
}

TEST(Wrapping, WordWrapOffKeepsOneLinePerParagraph)
{
    WrapFixture f;
    const int width = f.l->TextWidth("one two ");
    EXPECT_EQ(f.wrap("one two three four\r\nfive six", width, false), (QStringList{"one two ", "five six"}));
}

TEST(Wrapping, CarriageReturnsMakeParagraphsLineFeedsAreDropped)
{
    WrapFixture f;
    EXPECT_EQ(f.wrap("A\r\nB\nC\r\r\nD", 1000), (QStringList{"A", "BC", "", "D"}));
    // An empty caption gives one empty line, and the label is at least one line high.
    EXPECT_EQ(f.wrap("", 100), QStringList{""});
    EXPECT_GE(f.l->Height(), f.l->LineHeightPixels() + 1);
}

TEST(Wrapping, AutoSizeTakesTheWidestLineAndKeepsTheRightEdge)
{
    WrapFixture f;
    f.l->SetAutoSize(true);
    f.l->SetAlignment(QR::taRightJustify);
    f.l->SetBounds(200, 0, 100, 20);
    f.l->SetCaption(QStringLiteral("short\r\na much longer line"));
    f.l->FormatLines();
    EXPECT_EQ(f.l->WrappedLines, (QStringList{"short", "a much longer line"}));
    EXPECT_EQ(f.l->Width(), f.l->TextWidth("a much longer line"));
    EXPECT_EQ(f.l->Left() + f.l->Width(), 300);
}

TEST(LabelPrinting, OnPrintChangesOnlyThatPrint)
{
    GenFixture f;
    TQRBand *detail = f.addBand(QR::rbDetail, 100);
    TQRLabel *l = f.label(detail, QStringLiteral("x"));
    int calls = 0;
    l->OnPrint = [&](QObject *, QString &value) {
        if (++calls == 1)
            value += QStringLiteral("!");
    };
    f.records(2);
    RecordingFilter filter;
    f.exportTo(filter);
    EXPECT_EQ(filter.texts(1), (QStringList{"x!", "x"}));
    EXPECT_EQ(l->OutputText, QStringLiteral("x"));
}

TEST(LabelPrinting, AnchorsFollowAlignmentAndEmptyLinesReachTheFilter)
{
    GenFixture f;
    TQRBand *detail = f.addBand(QR::rbDetail, 300);
    auto *left = f.element<TQRLabel>(detail, 0, 0, 400, 40);
    left->SetAutoSize(false);
    left->SetCaption(QStringLiteral("a\r\n\r\nb"));
    left->SetAutoStretch(true);
    auto *right = f.element<TQRLabel>(detail, 1000, 0, 400, 40);
    right->SetAutoSize(false);
    right->SetAlignment(QR::taRightJustify);
    right->SetCaption(QStringLiteral("r"));
    auto *centre = f.element<TQRLabel>(detail, 500, 0, 400, 40);
    centre->SetAutoSize(false);
    centre->SetAlignment(QR::taCenter);
    centre->SetCaption(QStringLiteral("c"));
    f.records(1);
    RecordingFilter filter;
    f.exportTo(filter);
    EXPECT_EQ(filter.texts(1), (QStringList{"a", "", "b", "r", "c"}));
    const double lh = filter.items[1].y - filter.items[0].y;
    EXPECT_GT(lh, 30);
    EXPECT_DOUBLE_EQ(filter.items[2].y - filter.items[1].y, lh);
    const double rightEdge = 100 + right->Size()->NativeValue(TQRPrintableSize::LeftIndex) +
                             right->Size()->NativeValue(TQRPrintableSize::WidthIndex);
    EXPECT_DOUBLE_EQ(filter.find("r")->x, rightEdge);
    EXPECT_EQ(filter.find("r")->alignment, QR::taRightJustify);
    const double centreX = 100 + centre->Size()->NativeValue(TQRPrintableSize::LeftIndex) +
                           centre->Size()->NativeValue(TQRPrintableSize::WidthIndex) / 2;
    EXPECT_DOUBLE_EQ(filter.find("c")->x, centreX);
}

TEST(LabelPrinting, MemoStretchesOverThreePagesAndContinuesAtTheNextLine)
{
    GenFixture f;
    TQRBand *detail = f.addBand(QR::rbDetail, 100);
    auto *memo = f.element<TQRMemo>(detail, 0, 0, 800, 40);
    memo->SetAutoStretch(true);
    QStringList lines;
    for (int i = 0; i < 150; ++i)
        lines << QStringLiteral("line %1").arg(i);
    memo->SetLines(lines);
    f.label(detail, QStringLiteral("X"), 1000, 0);
    f.label(f.addBand(QR::rbSummary, 100), QStringLiteral("S"));
    f.records(1);
    RecordingFilter filter;
    f.exportTo(filter);
    EXPECT_EQ(filter.pages, 3);
    QStringList printed;
    int lastPage = 0;
    for (const TextItem &i : filter.items)
        if (i.text.startsWith(QLatin1String("line "))) {
            printed << i.text;
            EXPECT_GE(i.page, lastPage);
            lastPage = i.page;
        }
    EXPECT_EQ(printed, lines);
    // The other element of the band prints once, on the first page.
    EXPECT_EQ(occurrences(filter, "X"), 1);
    EXPECT_EQ(filter.find("X")->page, 1);
    // Page 2 continues at the top margin with the next line.
    const TextItem *firstOnPage2 = nullptr;
    for (const TextItem &i : filter.items)
        if (i.page == 2 && !firstOnPage2)
            firstOnPage2 = &i;
    ASSERT_NE(firstOnPage2, nullptr);
    EXPECT_DOUBLE_EQ(firstOnPage2->y, 100);
    EXPECT_EQ(filter.find("S")->page, 3);
    EXPECT_TRUE(memo->PrintComplete);
    EXPECT_EQ(memo->Caption(), memo->Name());
}

TEST(LabelPrinting, TwoStretchingMemosGrowTheBandToTheTallerOne)
{
    auto nextBandY = [](int linesA, int linesB) {
        GenFixture f;
        TQRBand *detail = f.addBand(QR::rbDetail, 100);
        auto memo = [&](double left, int n) {
            auto *m = f.element<TQRMemo>(detail, left, 0, 400, 40);
            m->SetAutoStretch(true);
            QStringList lines;
            for (int i = 0; i < n; ++i)
                lines << QStringLiteral("m%1").arg(i);
            m->SetLines(lines);
        };
        if (linesA)
            memo(0, linesA);
        if (linesB)
            memo(1000, linesB);
        f.label(f.addBand(QR::rbSummary, 100), QStringLiteral("N"));
        f.records(1);
        RecordingFilter filter;
        f.exportTo(filter);
        return filter.find("N")->y;
    };
    const double tallerAlone = nextBandY(0, 20);
    EXPECT_GT(tallerAlone, 100 + 100 + 15 * 30);
    EXPECT_DOUBLE_EQ(nextBandY(10, 20), tallerAlone);
    EXPECT_DOUBLE_EQ(nextBandY(20, 10), tallerAlone);
    EXPECT_LT(nextBandY(10, 0), tallerAlone);
}

TEST(LabelPrinting, LinesBeyondTheHeightWithoutAutoStretchAreNotPrinted)
{
    GenFixture f;
    auto *memo = f.element<TQRMemo>(f.addBand(QR::rbDetail, 200), 0, 0, 800, 100);
    memo->SetLines({"1", "2", "3", "4", "5", "6"});
    f.records(1);
    RecordingFilter filter;
    f.exportTo(filter);
    // 100 native units hold two lines of about 42.
    EXPECT_EQ(filter.texts(1), (QStringList{"1", "2"}));
}

TEST(ExpressionElements, ValuesAreFormattedByKind)
{
    GenFixture f;
    TQRBand *detail = f.addBand(QR::rbDetail, 100);
    auto expr = [&](const QString &text, const QString &mask = QString()) {
        auto *e = f.element<TQRExpr>(detail, 0, 0, 300, 40);
        e->SetExpression(text);
        e->SetMask(mask);
        return e;
    };
    expr("1234567", "#,##0.00");
    expr("2.5 * 2");
    expr("'abc' + 'd'");
    expr("1 = 1");
    expr("Count");
    auto *calc = f.element<TQRDBCalc>(detail, 0, 0, 300, 40);
    calc->SetOperation(QR::qrcCount);
    calc->SetPrintMask(QStringLiteral("000"));
    auto *broken = expr("1 +");
    f.records(2);
    RecordingFilter filter;
    f.exportTo(filter);
    const QStringList texts = filter.texts(1);
    ASSERT_EQ(texts.size(), 14);
    EXPECT_EQ(texts.mid(0, 6), (QStringList{"1,234,567.00", "5", "abcd", "True", "1", "001"}));
    EXPECT_FALSE(texts[6].isEmpty()); // the error message is printed
    EXPECT_EQ(texts.mid(7, 6), (QStringList{"1,234,567.00", "5", "abcd", "True", "2", "002"}));
    EXPECT_EQ(calc->Mask(), QStringLiteral("000"));
    EXPECT_EQ(broken->Evaluator(), nullptr); // forgotten after the run
}

TEST(DateTimeMasks, TokensAndSeparators)
{
    LocaleGuard guard(QStringLiteral("en_US"));
    const QDateTime t(QDate(2024, 3, 7), QTime(14, 5, 9));
    EXPECT_EQ(QRFormatDateTime(QStringLiteral("yyyy-mm-dd hh:nn:ss"), t),
              QStringLiteral("2024-03-07 14:05:09"));
    EXPECT_EQ(QRFormatDateTime(QStringLiteral("d/m/yy"), t), QStringLiteral("7/3/24"));
    EXPECT_EQ(QRFormatDateTime(QStringLiteral("dddd, mmmm d"), t), QStringLiteral("Thursday, March 7"));
    EXPECT_EQ(QRFormatDateTime(QStringLiteral("h:nn am/pm"), t), QStringLiteral("2:05 pm"));
    EXPECT_EQ(QRFormatDateTime(QStringLiteral("'day' d"), t), QStringLiteral("day 7"));
    // "c" omits a zero time.
    const QDateTime midnight(QDate(2024, 3, 7), QTime(0, 0));
    EXPECT_EQ(QRFormatDateTime(QStringLiteral("c"), midnight),
              QRFormatDateTime(QStringLiteral("ddddd"), midnight));
    EXPECT_NE(QRFormatDateTime(QStringLiteral("c"), t), QRFormatDateTime(QStringLiteral("ddddd"), t));
}

TEST(RecordedPages, BandFillsAndShapesLandWhereTheGeometrySays)
{
    GenFixture f;
    TQRBand *detail = f.addBand(QR::rbDetail, 200);
    detail->SetColor(clYellow);
    auto *shape = f.element<TQRShape>(detail, 0, 0, 0, 0);
    shape->Size()->SetNativeValue(TQRPrintableSize::LeftIndex, 254);
    shape->Size()->SetNativeValue(TQRPrintableSize::TopIndex, 0);
    shape->Size()->SetNativeValue(TQRPrintableSize::WidthIndex, 254);
    shape->Size()->SetNativeValue(TQRPrintableSize::HeightIndex, 127);
    shape->Brush()->SetColor(clBlue);
    shape->Pen()->SetStyle(TPen::psClear);
    f.records(1);
    f.report->PreparePages();
    TQRPrinter *p = f.report->QRPrinter();
    const QImage page = PageImage(p, 1);
    ASSERT_FALSE(page.isNull());

    // The reference, drawn from the expected geometry: band at (100, 100), 1900 x 200 native.
    QImage reference(page.size(), QImage::Format_RGB32);
    reference.fill(Qt::white);
    {
        QPainter painter(&reference);
        const QRect band(p->XPos(100), p->YPos(100), p->XPos(2000) - p->XPos(100),
                         p->YPos(300) - p->YPos(100));
        painter.fillRect(band, QColor(255, 255, 0));
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 255));
        const double left = 100 + shape->Size()->NativeValue(TQRPrintableSize::LeftIndex);
        painter.drawRect(QRect(p->XPos(left), p->YPos(100), p->XPos(left + 254) - p->XPos(left),
                               p->YPos(227) - p->YPos(100)));
    }
    int differing = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            differing += page.pixel(x, y) != reference.pixel(x, y);
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(page.pixel(p->XPos(100) + 2, p->YPos(100) + 2), qRgb(255, 255, 0));
}

TEST(RecordedPages, PicturesStretchedNaturalAndCentred)
{
    GenFixture f;
    TQRBand *detail = f.addBand(QR::rbDetail, 600);
    detail->SetColor(clWhite);
    QImage red(10, 10, QImage::Format_RGB32);
    red.fill(Qt::red);
    auto image = [&](double left, bool stretch, bool center) {
        auto *e = f.element<TQRImage>(detail, left, 0, 0, 0);
        e->Size()->SetNativeValue(TQRPrintableSize::WidthIndex, 254);
        e->Size()->SetNativeValue(TQRPrintableSize::HeightIndex, 254);
        e->Picture()->SetImage(red);
        e->SetStretch(stretch);
        e->SetCenter(center);
        return e;
    };
    TQRImage *stretched = image(0, true, false);
    TQRImage *natural = image(508, false, false);
    TQRImage *centred = image(1016, false, true);
    f.records(1);
    f.report->PreparePages();
    TQRPrinter *p = f.report->QRPrinter();
    const QImage page = PageImage(p, 1);
    auto box = [&](TQRImage *e) {
        const double l = 100 + e->Size()->NativeValue(TQRPrintableSize::LeftIndex);
        return QRect(p->XPos(l), p->YPos(100), p->XSize(254), p->YSize(254));
    };
    const int area = box(stretched).width() * box(stretched).height();
    EXPECT_EQ(count(page, box(stretched), qRgb(255, 0, 0)), area);
    // Natural size: 10 screen pixels at the top left of the box.
    EXPECT_EQ(count(page, box(natural), qRgb(255, 0, 0)), 100);
    EXPECT_EQ(page.pixel(box(natural).topLeft()), qRgb(255, 0, 0));
    const QRect c = box(centred);
    EXPECT_EQ(count(page, c, qRgb(255, 0, 0)), 100);
    EXPECT_EQ(page.pixel(c.center()), qRgb(255, 0, 0));
    EXPECT_NE(page.pixel(c.topLeft()), qRgb(255, 0, 0));
}

TEST(FilterLibrary, RegistersListsAndRemovesByName)
{
    TQRExportFilterLibrary library;
    TQRExportFilter base(QStringLiteral("x"));
    EXPECT_EQ(base.Description(), QStringLiteral("Abstract non-working export filter"));
    EXPECT_EQ(base.FilterName(), QStringLiteral("Abstract filter"));
    EXPECT_FALSE(base.Streaming());
    EXPECT_EQ(base.FileName(), QStringLiteral("x"));
    base.Start(1, 1, nullptr);
    EXPECT_TRUE(base.Active());
    base.Finish();
    EXPECT_FALSE(base.Active());

    library.AddFilter<RecordingFilter>();
    library.AddFilter<TQRExportFilter>();
    ASSERT_EQ(library.Filters().size(), 2);
    EXPECT_EQ(library.Filters()[0].FilterName, QStringLiteral("Recording"));
    EXPECT_EQ(library.Filters()[0].FileExtension, QStringLiteral("REC"));
    EXPECT_EQ(
        library.SaveDialogFilterText(),
        QStringLiteral("Stored report file(*.QRP)|*.QRP|Recording (*.REC)|*.REC|Abstract filter (*.)|*."));
    ASSERT_NE(library.FindByExtension(QStringLiteral(".rec")), nullptr);
    auto made = library.FindByExtension(QStringLiteral("rec"))->FilterClass(QStringLiteral("out.rec"));
    EXPECT_EQ(made->FileName(), QStringLiteral("out.rec"));
    library.RemoveFilter<RecordingFilter>();
    ASSERT_EQ(library.Filters().size(), 1);
    EXPECT_EQ(library.Filters()[0].FilterName, QStringLiteral("Abstract filter"));
    library.RemoveFilter<RecordingFilter>(); // not there: nothing happens
    EXPECT_EQ(library.Filters().size(), 1);
    EXPECT_EQ(&QRExportFilterLibrary(), &QRExportFilterLibrary());
}
