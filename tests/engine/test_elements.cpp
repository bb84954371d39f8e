// Elements: construction sizes, pixel bounds and native sizes, alignment on
// the band, zoom, the post-load rules, fonts and the extra stored data.
#include "enginetest.h"

#include "common/classregistry.h"

#include <QBuffer>
#include <QImage>
#include <QtEndian>
#include <gtest/gtest.h>

namespace
{
struct BandFixture : ReportFixture {
    TQRBand *detail = band<TQRBand>(QR::rbDetail, QStringLiteral("Detail"));
    template <class T> T *element(const QString &name = QString())
    {
        auto *e = new T(form.get());
        if (!name.isEmpty())
            e->SetName(name);
        e->SetParent(detail);
        return e;
    }
};
} // namespace

TEST(Elements, ConstructionSizes)
{
    BandFixture f;
    struct Case {
        TQRPrintable *element;
        int size;
    };
    for (Case c : {Case{f.element<TQRLabel>(), 10}, Case{f.element<TQRShape>(), 65},
                   Case{f.element<TQRImage>(), 105}, Case{f.element<TQRDBImage>(), 105},
                   Case{f.element<TQRRichText>(), 100}, Case{f.element<TQRDBRichText>(), 100}}) {
        EXPECT_EQ(c.element->Width(), c.size) << c.element->metaObject()->className();
        EXPECT_EQ(c.element->Height(), c.size);
        EXPECT_NEAR(c.element->Size()->NativeValue(TQRPrintableSize::WidthIndex), c.size * 254.0 / 96, 1e-9);
        EXPECT_TRUE(c.element->Enabled());
        EXPECT_TRUE(c.element->PrintComplete);
        EXPECT_EQ(c.element->OwningReport(), f.report);
    }
    auto *label = f.element<TQRLabel>();
    EXPECT_TRUE(label->AutoSize());
    EXPECT_FALSE(label->AutoStretch());
    EXPECT_TRUE(label->WordWrap());
    EXPECT_FALSE(label->Transparent());
    EXPECT_TRUE(label->Caption().isEmpty());
    EXPECT_EQ(label->Alignment(), QR::taLeftJustify);
    EXPECT_FALSE(label->AlignToBand());
    auto *shape = f.element<TQRShape>();
    TPropInfo width;
    ASSERT_TRUE(FindPublishedProperty(shape->metaObject(), QStringLiteral("Width"), &width));
    EXPECT_TRUE(IsDefaultValue(shape, width)) << "a shape's stream default is 65";
    EXPECT_EQ(shape->Brush()->Color(), clWhite);
    EXPECT_EQ(shape->Pen()->Width(), 1);
    EXPECT_TRUE(f.element<TQRDBImage>()->Center());
    EXPECT_FALSE(f.element<TQRImage>()->Center());
}

TEST(Elements, PixelBoundsFeedTheNativeSize)
{
    BandFixture f;
    f.report->SetUnits(QRUnits::Inches);
    auto *label = f.element<TQRLabel>();
    label->SetBounds(96, 48, 192, 24);
    EXPECT_DOUBLE_EQ(label->Size()->Left(), 1.0);
    EXPECT_DOUBLE_EQ(label->Size()->Top(), 0.5);
    EXPECT_DOUBLE_EQ(label->Size()->Width(), 2.0);
    EXPECT_DOUBLE_EQ(label->Size()->Height(), 0.25);
    // And the other way round.
    label->Size()->SetLeft(0.25);
    EXPECT_EQ(label->Left(), 24);
    f.report->SetUnits(QRUnits::MM);
    label->Size()->SetWidth(10); // 37.8 px
    EXPECT_EQ(label->Width(), 38);

    // At zoom 200 the same native size covers twice the pixels, and pixel edits convert back.
    f.report->SetZoom(200);
    EXPECT_EQ(label->Left(), 48);
    EXPECT_EQ(label->Width(), 76);
    label->SetLeft(96);
    EXPECT_DOUBLE_EQ(label->Size()->Left(), 12.7);
    // Reading Pixels gives the pixels at the zoom, as shown.
    label->Size()->SetUnits(QRUnits::Pixels);
    EXPECT_DOUBLE_EQ(label->Size()->Left(), 96);
}

TEST(Elements, AlignToBand)
{
    BandFixture f;
    auto *label = f.element<TQRLabel>();
    label->SetBounds(30, 0, 100, 20);
    const int bandWidth = f.detail->Width();
    ASSERT_GT(bandWidth, 200);
    label->SetAlignment(QR::taRightJustify);
    EXPECT_EQ(label->Left(), 30) << "nothing happens without AlignToBand";
    label->SetAlignToBand(true);
    EXPECT_EQ(label->Left(), bandWidth - 100);
    label->SetAlignment(QR::taCenter);
    EXPECT_EQ(label->Left(), (bandWidth - 100) / 2);
    label->SetWidth(51);
    EXPECT_EQ(label->Left(), (bandWidth - 51) / 2) << "bounds changes re-align";
    label->SetAlignment(QR::taLeftJustify);
    EXPECT_EQ(label->Left(), 0);
    // A resized band re-aligns its elements.
    label->SetAlignment(QR::taRightJustify);
    f.report->Page()->SetColumns(2);
    EXPECT_EQ(label->Left(), f.detail->Width() - 51);
    // On the report panel itself there is no band to align to.
    auto *loose = new TQRLabel(f.form.get());
    loose->SetParent(f.report);
    loose->SetBounds(5, 5, 10, 10);
    loose->SetAlignToBand(true);
    loose->SetAlignment(QR::taRightJustify);
    EXPECT_EQ(loose->Left(), 5);
    EXPECT_EQ(loose->OwningReport(), f.report);
}

TEST(Elements, PostLoadRulesPreferTheNativeSize)
{
    BandFixture f;
    f.report->BeginLoading();
    auto *a = new TQRLabel(f.form.get());
    auto *b = new TQRLabel(f.form.get());
    for (TQRLabel *l : {a, b}) {
        l->BeginLoading();
        l->SetParent(f.detail);
        l->SetBounds(50, 7, 80, 20);
    }
    // a: native Left 0, Top 254 (96 px), Width 0, Height 127 (48 px).
    ASSERT_TRUE(
        a->Size()->SetDefinedProperty(QStringLiteral("Values"), QVariantList{127.0, 0.0, 254.0, 0.0}));
    EXPECT_EQ(a->Left(), 50) << "while loading the pixel bounds are only remembered";
    ASSERT_TRUE(
        b->Size()->SetDefinedProperty(QStringLiteral("Values"), QVariantList{127.0, 254.0, 254.0, 254.0}));
    a->EndLoading();
    b->EndLoading();
    f.report->EndLoading();
    // Stored pixels count only where the native size gives 0.
    EXPECT_EQ(a->BoundsRect(), QRect(50, 96, 80, 48));
    EXPECT_NEAR(a->Size()->NativeValue(TQRPrintableSize::LeftIndex), 50 * 254.0 / 96, 1e-9);
    EXPECT_EQ(b->BoundsRect(), QRect(96, 96, 96, 48));
}

TEST(Elements, LabelFontsFollowTheBand)
{
    BandFixture f;
    auto *label = f.element<TQRLabel>();
    f.report->Font()->SetStyle(TFont::fsBold);
    EXPECT_TRUE(label->Font()->Style() & TFont::fsBold) << "through the band, which follows the report";
    f.detail->Font()->SetName(QStringLiteral("Courier New"));
    EXPECT_EQ(label->Font()->Name(), QStringLiteral("Courier New"));
    EXPECT_FALSE(f.detail->ParentFont());
    f.report->Font()->SetStyle({});
    EXPECT_TRUE(label->Font()->Style() & TFont::fsBold) << "the band has its own font now";
    label->Font()->SetColor(clRed);
    EXPECT_FALSE(label->ParentFont());
    f.detail->Font()->SetName(QStringLiteral("Arial"));
    EXPECT_EQ(label->Font()->Name(), QStringLiteral("Courier New"));
    EXPECT_TRUE(SetPropertyText(label, QStringLiteral("ParentFont"), QStringLiteral("True")));
    EXPECT_EQ(label->Font()->Name(), QStringLiteral("Arial"));
    EXPECT_EQ(label->Font()->Color(), f.detail->Font()->Color());
}

TEST(Elements, FontSizeIsStoredAndAppliedAfterLoading)
{
    BandFixture f;
    auto *label = f.element<TQRLabel>();
    EXPECT_EQ(label->DefinedPropertyNames(), QStringList({"FontSize"}));
    EXPECT_EQ(label->DefinedProperty(QStringLiteral("FontSize")).toInt(), 10);
    auto *loaded = new TQRLabel(f.form.get());
    loaded->BeginLoading();
    loaded->SetParent(f.detail);
    EXPECT_TRUE(loaded->SetDefinedProperty(QStringLiteral("FontSize"), 18));
    EXPECT_EQ(loaded->Font()->Size(), 10) << "applied after loading";
    loaded->EndLoading();
    EXPECT_EQ(loaded->Font()->Size(), 18);
    EXPECT_FALSE(loaded->ParentFont());
    // Zero or less is ignored; non-numbers are refused.
    auto *zero = new TQRLabel(f.form.get());
    zero->BeginLoading();
    zero->SetParent(f.detail);
    EXPECT_TRUE(zero->SetDefinedProperty(QStringLiteral("FontSize"), 0));
    zero->EndLoading();
    EXPECT_EQ(zero->Font()->Size(), 10);
    EXPECT_TRUE(zero->ParentFont());
    EXPECT_FALSE(zero->SetDefinedProperty(QStringLiteral("FontSize"), QStringLiteral("big")));
    EXPECT_FALSE(zero->SetDefinedProperty(QStringLiteral("Other"), 3));
}

TEST(Elements, RenamingCarriesAnUntouchedCaption)
{
    BandFixture f;
    auto *label = f.element<TQRLabel>();
    label->SetName(QStringLiteral("QRLabel1"));
    EXPECT_EQ(label->Caption(), QStringLiteral("QRLabel1"));
    label->SetName(QStringLiteral("Total"));
    EXPECT_EQ(label->Caption(), QStringLiteral("Total"));
    label->SetCaption(QStringLiteral("Sum:"));
    label->SetName(QStringLiteral("Other"));
    EXPECT_EQ(label->Caption(), QStringLiteral("Sum:"));
    // A refused name changes neither.
    auto *second = f.element<TQRLabel>(QStringLiteral("Second"));
    EXPECT_THROW(second->SetName(QStringLiteral("Other")), EComponentError);
    EXPECT_EQ(second->Caption(), QStringLiteral("Second"));
    EXPECT_EQ(second->Name(), QStringLiteral("Second"));
}

TEST(Elements, ReferencesAcceptOnlyTheirKindAndAreClearedOnFree)
{
    BandFixture f;
    auto *text = f.element<TQRDBText>();
    auto *other = new TComponent(f.form.get());
    other->SetName(QStringLiteral("Other"));
    text->SetDataSet(other);
    EXPECT_EQ(text->DataSet(), nullptr);
    EXPECT_TRUE(SetPropertyText(text, QStringLiteral("DataField"), QStringLiteral("NAME")));
    auto *calc = f.element<TQRDBCalc>();
    calc->SetDataSource(other);
    EXPECT_EQ(calc->DataSource(), nullptr);
    auto *reset = f.band<TQRBand>(QR::rbGroupFooter, QStringLiteral("Reset"));
    calc->SetResetBand(reset);
    calc->SetMaster(f.detail);
    EXPECT_EQ(GetPropertyText(calc, QStringLiteral("ResetBand")), QStringLiteral("Reset"));
    delete reset;
    EXPECT_EQ(calc->ResetBand(), nullptr);
    auto *rich = f.element<TQRRichText>();
    rich->SetParentRichEdit(other);
    delete other;
    EXPECT_EQ(rich->ParentRichEdit(), nullptr);
    // TQRDBCalc publishes the expression element's properties and its own.
    QStringList props;
    for (const TPropInfo &p : PublishedProperties(calc))
        props << p.Name();
    EXPECT_TRUE(props.contains(QStringLiteral("Expression")));
    EXPECT_EQ(props.last(), QStringLiteral("ResetBand"));
    EXPECT_EQ(GetPropertyText(calc, QStringLiteral("Operation")), QStringLiteral("qrcSum"));
}

TEST(Elements, PublishedPropertiesOfTheLabelFamily)
{
    auto names = [](const QObject *o) {
        QStringList out;
        const QList<TPropInfo> props = PublishedProperties(o);
        for (int i = 9; i < props.size(); ++i) // after the common control properties
            out << props.at(i).Name();
        return out;
    };
    TQRLabel label;
    EXPECT_EQ(names(&label), QStringList({"Enabled", "Frame", "Size", "Alignment", "AlignToBand", "AutoSize",
                                          "AutoStretch", "BiDiMode", "ParentBiDiMode", "Caption", "Color",
                                          "Font", "ParentFont", "Transparent", "WordWrap"}));
    TQRMemo memo;
    EXPECT_FALSE(names(&memo).contains(QStringLiteral("Caption")));
    EXPECT_TRUE(names(&memo).contains(QStringLiteral("Lines")));
    TQRSysData sys;
    EXPECT_FALSE(names(&sys).contains(QStringLiteral("WordWrap")));
    EXPECT_TRUE(SetPropertyText(&sys, QStringLiteral("Data"), QStringLiteral("qrsPageNumber")));
    EXPECT_EQ(sys.Data(), QR::qrsPageNumber);
    EXPECT_FALSE(SetPropertyText(&sys, QStringLiteral("Data"), QStringLiteral("qrsBogus")));
    EXPECT_EQ(sys.Data(), QR::qrsPageNumber);
    // Stream defaults: clWindow for label colours, though construction makes them white.
    TPropInfo color;
    ASSERT_TRUE(FindPublishedProperty(label.metaObject(), QStringLiteral("Color"), &color));
    EXPECT_FALSE(IsDefaultValue(&label, color));
    TQRShape shape;
    EXPECT_TRUE(SetPropertyText(&shape, QStringLiteral("Pen.Mode"), QStringLiteral("pmXor")));
    EXPECT_TRUE(SetPropertyText(&shape, QStringLiteral("Brush.Style"), QStringLiteral("bsCross")));
    EXPECT_EQ(shape.Pen()->Mode(), TPen::pmXor);
    EXPECT_EQ(shape.Brush()->Style(), TBrush::bsCross);
    EXPECT_TRUE(SetPropertyText(&shape, QStringLiteral("Shape"), QStringLiteral("qrsRightAndLeft")));
    EXPECT_EQ(shape.Shape(), QR::qrsRightAndLeft);
}

TEST(Elements, PictureDataLayout)
{
    QImage img(3, 2, QImage::Format_RGB32);
    img.fill(Qt::red);
    TQRImage image;
    image.Picture()->SetImage(img);
    const QByteArray data = image.Picture()->DefinedProperty(QStringLiteral("Data")).toByteArray();
    // Short string "TBitmap", u32 count, bitmap file bytes.
    ASSERT_GT(data.size(), 12);
    EXPECT_EQ(quint8(data[0]), 7);
    EXPECT_EQ(data.mid(1, 7), QByteArray("TBitmap"));
    const quint32 count = qFromLittleEndian<quint32>(data.constData() + 8);
    EXPECT_EQ(qsizetype(count), data.size() - 12);
    EXPECT_EQ(data.mid(12, 2), QByteArray("BM"));

    // Read back, also a kind other than bitmaps, and refuse damaged data.
    TPicture back;
    ASSERT_TRUE(back.SetDefinedProperty(QStringLiteral("Data"), data));
    EXPECT_EQ(back.Image().size(), QSize(3, 2));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "PNG");
    QByteArray foreign;
    foreign.append(char(10)).append("TPngObject");
    char len[4];
    qToLittleEndian<quint32>(quint32(png.size()), len);
    foreign.append(len, 4).append(png);
    ASSERT_TRUE(back.LoadData(foreign));
    EXPECT_EQ(back.GraphicClass(), QStringLiteral("TPngObject"));
    EXPECT_EQ(back.Image().size(), QSize(3, 2));
    EXPECT_EQ(back.SaveData(), foreign) << "a foreign kind is written back unchanged";
    QByteArray cut = data.left(20);
    EXPECT_FALSE(back.LoadData(cut));
    EXPECT_FALSE(back.LoadData(QByteArray("\x05TB", 3)));
    EXPECT_EQ(back.GraphicClass(), QStringLiteral("TPngObject")) << "a refused value changes nothing";
    EXPECT_FALSE(back.SetDefinedProperty(QStringLiteral("Data"), 5));
    TPicture empty;
    EXPECT_FALSE(empty.DefinedProperty(QStringLiteral("Data")).isValid())
        << "an empty picture stores nothing";
}

TEST(Elements, ClassesAreCreatableByName)
{
    TComponent form;
    for (const char *name :
         {"TQRBand",        "TQRChildBand", "TQRGroup",    "TQRSubDetail",  "TQRLoopBand",
          "TQRStringsBand", "TQRReport",    "TQREReport",  "TQRLabel",      "TQRMemo",
          "TQRDBText",      "TQRExpr",      "TQRDBCalc",   "TQRSysData",    "TQRShape",
          "TQRImage",       "TQRDBImage",   "TQRRichText", "TQRDBRichText", "TQREChildBand"}) {
        TComponent *c = CreateComponent(QString::fromLatin1(name), &form);
        ASSERT_NE(c, nullptr) << name;
        EXPECT_STREQ(c->metaObject()->className(), name);
        EXPECT_EQ(c->Owner(), &form);
    }
}
