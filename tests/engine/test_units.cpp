// Units, the paper table, page rules and frames.
#include "enginetest.h"

#include "common/layoutmath.h"
#include "common/papersize.h"
#include "common/units.h"

#include <QImage>
#include <QPainter>
#include <cmath>
#include <gtest/gtest.h>
#include <tuple>

TEST(Units, ConvertsNativeIntoEveryUnit)
{
    TUnitContext c; // 96 pixels per inch, zoom 100, 10 pt
    EXPECT_DOUBLE_EQ(NativeToUnit(254, QRUnits::MM, true, c), 25.4);
    EXPECT_DOUBLE_EQ(NativeToUnit(254, QRUnits::Inches, true, c), 1.0);
    EXPECT_DOUBLE_EQ(NativeToUnit(254, QRUnits::Pixels, true, c), 96.0);
    EXPECT_DOUBLE_EQ(NativeToUnit(254, QRUnits::Native, false, c), 254.0);
    // Characters: CharWidth(10) = 80 / 10 / 2.54, CharHeight(10) = 145.3 / 10 / 2.54.
    EXPECT_NEAR(NativeToUnit(254, QRUnits::Characters, true, c), 254 / (80.0 / 10 / 2.54) / 10, 1e-12);
    EXPECT_NEAR(NativeToUnit(254, QRUnits::Characters, false, c), 254 / (145.3 / 10 / 2.54) / 10, 1e-12);
    c.Zoom = 200;
    EXPECT_DOUBLE_EQ(NativeToUnit(254, QRUnits::Pixels, true, c), 192.0);
    c.Resolution = 300;
    c.Zoom = 100;
    EXPECT_DOUBLE_EQ(NativeToUnit(254, QRUnits::Pixels, false, c), 300.0);
}

TEST(Units, RoundTripsAndSurvivesDegenerateParameters)
{
    TUnitContext c;
    c.FontSize = -12; // the absolute size counts
    for (TQRUnit u : {QRUnits::MM, QRUnits::Inches, QRUnits::Pixels, QRUnits::Characters, QRUnits::Native})
        for (bool h : {true, false})
            EXPECT_NEAR(UnitToNative(NativeToUnit(123.4, u, h, c), u, h, c), 123.4, 1e-9);
    EXPECT_DOUBLE_EQ(CharWidth(-12), CharWidth(12));
    // A zero font size or zoom must not produce infinities.
    c.FontSize = 0;
    c.Zoom = 0;
    EXPECT_TRUE(std::isfinite(NativeToUnit(100, QRUnits::Characters, true, c)));
    EXPECT_TRUE(std::isfinite(NativeToUnit(100, QRUnits::Pixels, true, c)));
}

TEST(Units, LocaleChoosesTheDefaultUnit)
{
    {
        LocaleGuard metric(QStringLiteral("de_DE"));
        EXPECT_FALSE(UsesUSMeasurement());
        EXPECT_EQ(DefaultUnit(), QRUnits::MM);
    }
    LocaleGuard us(QStringLiteral("en_US"));
    EXPECT_TRUE(UsesUSMeasurement());
    EXPECT_EQ(DefaultUnit(), QRUnits::Inches);
}

TEST(PaperTable, HoldsTheStandardSizes)
{
    double w = 0, l = 0;
    ASSERT_TRUE(PaperSizeMM(QRPaper::A4, &w, &l));
    EXPECT_DOUBLE_EQ(w, 210);
    EXPECT_DOUBLE_EQ(l, 297);
    ASSERT_TRUE(PaperSizeMM(QRPaper::Note, &w, &l));
    EXPECT_DOUBLE_EQ(l, 279.0) << "Note is 279.0 mm long, not 279.4";
    ASSERT_TRUE(PaperSizeMM(QRPaper::Ledger, &w, &l));
    EXPECT_DOUBLE_EQ(w, 431.8);
    EXPECT_DOUBLE_EQ(l, 279.4);
    for (TQRPaperSize s : {QRPaper::CSheet, QRPaper::DSheet, QRPaper::ESheet}) {
        ASSERT_TRUE(PaperSizeMM(s, &w, &l));
        EXPECT_DOUBLE_EQ(w, 100);
        EXPECT_DOUBLE_EQ(l, 100);
    }
    EXPECT_FALSE(PaperSizeMM(QRPaper::Default, &w, &l));
    EXPECT_FALSE(PaperSizeMM(QRPaper::Custom, &w, &l));
    EXPECT_FALSE(PaperSizeMM(99, &w, &l));
    EXPECT_FALSE(PaperSizeMM(-1, &w, &l));
    EXPECT_EQ(int(QRPaper::Custom), 27);
    EXPECT_EQ(int(QRPaper::qr10X14), 16);
    EXPECT_EQ(PaperSizeName(QRPaper::Env10), QStringLiteral("Env10"));
    TQRPaperSize s;
    ASSERT_TRUE(PaperSizeFromName(QStringLiteral("a4small"), &s));
    EXPECT_EQ(s, QRPaper::A4Small);
    EXPECT_FALSE(PaperSizeFromName(QStringLiteral("A9"), &s));
}

TEST(Page, MetricReportIsA4PortraitWithTenMillimetreMargins)
{
    LocaleGuard metric(QStringLiteral("de_DE"));
    ReportFixture f;
    TQRPage *page = f.report->Page();
    EXPECT_EQ(f.report->Units(), QRUnits::MM);
    EXPECT_EQ(page->PaperSize(), QRPaper::A4);
    EXPECT_EQ(page->Orientation(), QRPaper::poPortrait);
    EXPECT_DOUBLE_EQ(page->Width(), 210);
    EXPECT_DOUBLE_EQ(page->Length(), 297);
    EXPECT_DOUBLE_EQ(page->TopMargin(), 10);
    EXPECT_DOUBLE_EQ(page->BottomMargin(), 10);
    EXPECT_DOUBLE_EQ(page->LeftMargin(), 10);
    EXPECT_DOUBLE_EQ(page->RightMargin(), 10);
    EXPECT_DOUBLE_EQ(page->ColumnSpace(), 0);
    page->SetOrientation(QRPaper::poLandscape);
    EXPECT_DOUBLE_EQ(page->Width(), 297);
    EXPECT_DOUBLE_EQ(page->Length(), 210);
    EXPECT_EQ(page->PaperSize(), QRPaper::A4);
    page->SetOrientation(QRPaper::poPortrait);
    EXPECT_DOUBLE_EQ(page->Width(), 210);
}

TEST(Page, USReportIsLetterWithHalfInchMargins)
{
    LocaleGuard us(QStringLiteral("en_US"));
    ReportFixture f;
    TQRPage *page = f.report->Page();
    EXPECT_EQ(f.report->Units(), QRUnits::Inches);
    EXPECT_EQ(page->PaperSize(), QRPaper::Letter);
    EXPECT_DOUBLE_EQ(page->Width(), 8.5);
    EXPECT_DOUBLE_EQ(page->Length(), 11);
    EXPECT_DOUBLE_EQ(page->TopMargin(), 0.5);
    EXPECT_DOUBLE_EQ(page->LeftMargin(), 0.5);
}

TEST(Page, WidthAndLengthChangeOnlyOnCustomPaper)
{
    LocaleGuard metric(QStringLiteral("de_DE"));
    TQRPage page;
    page.SetWidth(100);
    page.SetLength(100);
    EXPECT_DOUBLE_EQ(page.Width(), 210);
    EXPECT_DOUBLE_EQ(page.Length(), 297);
    page.SetPaperSize(QRPaper::Custom);
    EXPECT_DOUBLE_EQ(page.Width(), 210) << "Custom only stores the value";
    page.SetWidth(100);
    page.SetLength(150);
    EXPECT_DOUBLE_EQ(page.Width(), 100);
    EXPECT_DOUBLE_EQ(page.Length(), 150);
    // Orientation re-applies Custom, which changes nothing.
    page.SetOrientation(QRPaper::poLandscape);
    EXPECT_DOUBLE_EQ(page.Width(), 100);
    // A standard size in landscape swaps the table's values, whatever the unit.
    page.SetUnits(QRUnits::Inches);
    page.SetPaperSize(QRPaper::Letter);
    EXPECT_DOUBLE_EQ(page.Width(), 11);
    EXPECT_DOUBLE_EQ(page.Length(), 8.5);
    EXPECT_EQ(page.Units(), QRUnits::Inches) << "the unit is restored";
}

TEST(Page, ColumnsAndValuesList)
{
    LocaleGuard metric(QStringLiteral("de_DE"));
    TQRPage page;
    page.SetColumns(0);
    page.SetColumns(-3);
    EXPECT_EQ(page.Columns(), 1);
    page.SetColumns(3);
    EXPECT_EQ(page.Columns(), 3);
    page.SetColumnSpace(5);
    // "Values" lists BottomMargin, Length, TopMargin, Width, LeftMargin, RightMargin, ColumnSpace, natively.
    const QVariantList values = page.DefinedProperty(QStringLiteral("Values")).toList();
    ASSERT_EQ(values.size(), 7);
    const QList<double> expected{100, 2970, 100, 2100, 100, 100, 50};
    for (int i = 0; i < 7; ++i)
        EXPECT_DOUBLE_EQ(values.at(i).toDouble(), expected.at(i)) << i;
    // Reading a list sets the native values directly, also on a standard size.
    EXPECT_TRUE(page.SetDefinedProperty(QStringLiteral("Values"),
                                        QVariantList{50.0, 1000.0, 60.0, 800.0, 70.0, 80.0, 0.0}));
    EXPECT_DOUBLE_EQ(page.Length(), 100);
    EXPECT_DOUBLE_EQ(page.Width(), 80);
    EXPECT_DOUBLE_EQ(page.RightMargin(), 8);
    // Unusable values change nothing.
    EXPECT_FALSE(page.SetDefinedProperty(QStringLiteral("Values"), QVariantList{QStringLiteral("x")}));
    EXPECT_FALSE(page.SetDefinedProperty(QStringLiteral("Values"), QByteArray("x")));
    EXPECT_FALSE(page.SetDefinedProperty(QStringLiteral("Other"), QVariantList{1.0}));
    EXPECT_DOUBLE_EQ(page.Width(), 80);
    // The float properties are not stored one by one.
    TPropInfo info;
    ASSERT_TRUE(FindPublishedProperty(page.metaObject(), QStringLiteral("Width"), &info));
    EXPECT_FALSE(info.Stored());
}

TEST(Frame, LineThicknessRules)
{
    const double screen = 96.0 / 254, printer = 600.0 / 254;
    EXPECT_EQ(TQRFrame::LineThickness(screen, 1), 1);   // 1.33 px
    EXPECT_EQ(TQRFrame::LineThickness(screen, 3), 4);   // 4.0 px
    EXPECT_EQ(TQRFrame::LineThickness(printer, 1), 8);  // 8.33 px
    EXPECT_EQ(TQRFrame::LineThickness(printer, 3), 25); // 25 px
    EXPECT_EQ(TQRFrame::LineThickness(0.01, 1), 1) << "a positive width never vanishes";
    EXPECT_EQ(TQRFrame::LineThickness(printer, 0), 0);
    EXPECT_EQ(TQRFrame::LineThickness(printer, -1), 1);
    EXPECT_EQ(TQRFrame::LineThickness(printer, -5), 0);
}

namespace
{
int darkCount(const QImage &img)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += qGray(img.pixel(x, y)) < 128;
    return n;
}

QImage paintFrame(const TQRFrame &frame, double factor)
{
    QImage img(40, 30, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    frame.PaintIt(&p, QRect(0, 0, 40, 30), factor, factor);
    return img;
}
} // namespace

TEST(Frame, PaintsFilledLinesInsideTheRectangle)
{
    TQRFrame frame;
    EXPECT_FALSE(frame.AnyFrame());
    EXPECT_EQ(darkCount(paintFrame(frame, 96.0 / 254)), 0);
    frame.SetDrawTop(true);
    frame.SetDrawLeft(true);
    EXPECT_TRUE(frame.AnyFrame());
    frame.SetWidth(3); // 4 px at screen resolution
    QImage img = paintFrame(frame, 96.0 / 254);
    EXPECT_LT(qGray(img.pixel(20, 3)), 128);
    EXPECT_GT(qGray(img.pixel(20, 4)), 128);
    EXPECT_LT(qGray(img.pixel(3, 20)), 128);
    EXPECT_GT(qGray(img.pixel(4, 20)), 128);
    EXPECT_GT(qGray(img.pixel(39, 20)), 128) << "no right line";
    frame.SetWidth(0);
    EXPECT_EQ(darkCount(paintFrame(frame, 96.0 / 254)), 0) << "width 0 prints nothing";
    frame.SetWidth(-1);
    frame.SetDrawBottom(true);
    frame.SetDrawRight(true);
    img = paintFrame(frame, 600.0 / 254);
    EXPECT_LT(qGray(img.pixel(20, 0)), 128);
    EXPECT_GT(qGray(img.pixel(20, 1)), 128) << "-1 prints one-pixel lines";
    EXPECT_LT(qGray(img.pixel(20, 29)), 128);
    EXPECT_LT(qGray(img.pixel(39, 15)), 128);
    EXPECT_EQ(darkCount(img), 2 * 40 + 2 * 30 - 4);
}

TEST(Frame, PublishesTheStoredDefaults)
{
    TQRFrame frame;
    for (const TPropInfo &p : PublishedProperties(&frame))
        EXPECT_TRUE(IsDefaultValue(&frame, p)) << p.Name().toStdString();
    QStringList names;
    for (const TPropInfo &p : PublishedProperties(&frame))
        names << p.Name();
    EXPECT_EQ(names,
              QStringList({"Color", "DrawTop", "DrawBottom", "DrawLeft", "DrawRight", "Style", "Width"}));
    EXPECT_TRUE(SetPropertyText(&frame, QStringLiteral("Style"), QStringLiteral("psDashDot")));
    EXPECT_EQ(frame.Style(), TPen::psDashDot);
    EXPECT_FALSE(IsDefaultValue(&frame, PublishedProperties(&frame).at(5)));
}

// Page and band values read from a file may be absurd: the layout holds them
// within range instead of overflowing (many columns with a vast space between
// them, margins beyond any page, bands taller than the earth).
TEST(Page, AbsurdValuesDoNotOverflowTheLayout)
{
    ReportFixture f;
    TQRBand *title = f.band<TQRBand>(QR::rbTitle);
    TQRBand *detail = f.band<TQRBand>(QR::rbDetail);
    TQRPage *page = f.report->Page();
    for (const auto &[columns, space, margin, height] :
         {std::tuple{32767, 1e30, 0.0, 1e300}, std::tuple{32767, 2.5e6, -1e12, 3e9},
          std::tuple{2, -1e300, 1e300, -1e300}, std::tuple{30000, std::nan(""), std::nan(""), 1e20}}) {
        page->SetColumns(columns);
        page->SetColumnSpace(space);
        page->SetLeftMargin(margin);
        title->Size()->SetNativeValue(TQRBandSize::HeightIndex, height);
        detail->Size()->SetNativeValue(TQRBandSize::HeightIndex, height);
        f.report->RebuildBandList();
        const int width = f.report->ColumnWidthPixels();
        EXPECT_LE(std::abs(qint64(width)), qint64(LayoutLimit)) << columns << " " << space;
        EXPECT_LE(std::abs(qint64(detail->Top())), 2 * qint64(LayoutLimit));
        EXPECT_LE(std::abs(qint64(detail->Height())), qint64(LayoutLimit));
    }
    EXPECT_EQ(LayoutInt(1e300), LayoutLimit);
    EXPECT_EQ(LayoutInt(-1e300), -LayoutLimit);
    EXPECT_EQ(LayoutInt(std::nan("")), 0);
    EXPECT_EQ(LayoutProduct(LayoutLimit, 32766), LayoutLimit);
    EXPECT_EQ(LayoutProduct(-3, 4), -12);
}
