#include "sample_components.h"

#include "common/classregistry.h"
#include "common/properties.h"
#include "common/screen.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{

QStringList propertyNames(const QMetaObject *mo)
{
    QStringList names;
    for (const TPropInfo &p : PublishedProperties(mo))
        names << p.Name();
    return names;
}

} // namespace

// --- Ownership and names ------------------------------------------------------

TEST(ComponentNames, FirstFreeNumberIsAppended)
{
    TComponent owner;
    auto *a = new TSampleElement(&owner);
    a->SetName(QStringLiteral("QRLabel"));
    EXPECT_EQ(owner.UniqueName(QStringLiteral("QRLabel")), QStringLiteral("QRLabel1"));
    EXPECT_EQ(owner.UniqueName(QStringLiteral("qrlabel")), QStringLiteral("qrlabel1"));
    auto *b = new TSampleElement(&owner);
    b->SetName(QStringLiteral("QRLabel2"));
    // 1 is free even though 2 is taken: the first free number wins.
    EXPECT_EQ(owner.UniqueName(QStringLiteral("QRLabel")), QStringLiteral("QRLabel1"));
    auto *c = new TSampleElement(&owner);
    c->SetName(QStringLiteral("QRLABEL1"));
    EXPECT_EQ(owner.UniqueName(QStringLiteral("QRLabel")), QStringLiteral("QRLabel3"));
    EXPECT_EQ(owner.UniqueName(QStringLiteral("Free")), QStringLiteral("Free"));
}

TEST(ComponentNames, DuplicatesAndInvalidNamesAreRefused)
{
    TComponent owner;
    auto *a = new TSampleElement(&owner);
    auto *b = new TSampleElement(&owner);
    a->SetName(QStringLiteral("Detail"));
    EXPECT_THROW(b->SetName(QStringLiteral("DETAIL")), EComponentError);
    EXPECT_TRUE(b->Name().isEmpty());
    EXPECT_THROW(b->SetName(QStringLiteral("1abc")), EComponentError);
    EXPECT_THROW(b->SetName(QStringLiteral("a b")), EComponentError);
    // Renaming to another spelling of one's own name is fine.
    a->SetName(QStringLiteral("DETAIL"));
    EXPECT_EQ(a->Name(), QStringLiteral("DETAIL"));
    // Unnamed components never clash.
    new TSampleElement(&owner);
    EXPECT_EQ(owner.ComponentCount(), 3);
    EXPECT_EQ(owner.FindComponent(QStringLiteral("detail")), a);
    EXPECT_EQ(owner.FindComponent(QString()), nullptr);
}

TEST(ComponentOwnership, OwnerKeepsCreationOrderAndFreesAll)
{
    QList<QString> freed;
    {
        TComponent owner;
        for (const char *n : {"A", "B", "C"}) {
            auto *c = new TSampleElement(&owner);
            c->SetName(QString::fromLatin1(n));
            QObject::connect(c, &QObject::destroyed, [&freed, name = c->Name()] { freed << name; });
        }
        ASSERT_EQ(owner.ComponentCount(), 3);
        EXPECT_EQ(owner.Components(0)->Name(), QStringLiteral("A"));
        EXPECT_EQ(owner.Components(2)->ComponentIndex(), 2);
        delete owner.Components(1);
        ASSERT_EQ(owner.ComponentCount(), 2);
        EXPECT_EQ(owner.Components(1)->Name(), QStringLiteral("C"));
    }
    EXPECT_EQ(freed, (QList<QString>{"B", "C", "A"}));
}

TEST(ComponentOwnership, MovingToAnotherOwnerChecksNames)
{
    TComponent first, second;
    auto *a = new TSampleElement(&first);
    a->SetName(QStringLiteral("Title"));
    auto *b = new TSampleElement(&second);
    b->SetName(QStringLiteral("Title"));
    EXPECT_THROW(second.InsertComponent(a), EComponentError);
    EXPECT_EQ(a->Owner(), &first);
    b->SetName(QStringLiteral("Other"));
    second.InsertComponent(a);
    EXPECT_EQ(a->Owner(), &second);
    EXPECT_EQ(first.ComponentCount(), 0);
    EXPECT_EQ(second.ComponentCount(), 2);
}

// --- Visual parents -------------------------------------------------------------

TEST(ControlParent, DrawingOrderAndFrontBack)
{
    TComponent owner;
    TSampleElement band(&owner);
    auto *x = new TSampleElement(&owner);
    auto *y = new TSampleElement(&owner);
    auto *z = new TSampleElement(&owner);
    for (auto *c : {x, y, z})
        ASSERT_TRUE(c->SetParent(&band));
    EXPECT_EQ(band.ControlList(), (QList<TControl *>{x, y, z}));
    x->BringToFront();
    EXPECT_EQ(band.ControlList(), (QList<TControl *>{y, z, x}));
    z->SendToBack();
    EXPECT_EQ(band.ControlList(), (QList<TControl *>{z, y, x}));
    EXPECT_EQ(y->ChildIndex(), 1);
    y->SetParent(nullptr);
    EXPECT_EQ(band.ControlList(), (QList<TControl *>{z, x}));
    EXPECT_EQ(y->Owner(), &owner); // parent and owner are different relations
}

TEST(ControlParent, CyclesAreRefused)
{
    TSampleElement a, b, c;
    ASSERT_TRUE(b.SetParent(&a));
    ASSERT_TRUE(c.SetParent(&b));
    EXPECT_FALSE(a.SetParent(&c));
    EXPECT_FALSE(a.SetParent(&a));
    EXPECT_EQ(a.Parent(), nullptr);
    c.SetParent(nullptr);
    b.SetParent(nullptr);
}

TEST(ControlParent, FreeingAParentFreesItsChildrenAndTheOwnerForgetsThem)
{
    TComponent owner;
    auto *band = new TSampleElement(&owner);
    auto *label = new TSampleElement(&owner);
    label->SetName(QStringLiteral("Label"));
    label->SetParent(band);
    QPointer<TSampleElement> watch(label);
    delete band;
    EXPECT_TRUE(watch.isNull());
    EXPECT_EQ(owner.ComponentCount(), 0);
    EXPECT_EQ(owner.FindComponent(QStringLiteral("Label")), nullptr);
}

TEST(ControlBounds, SetBoundsKeepsAllFour)
{
    TSampleElement e;
    e.SetBounds(10, 20, 30, 40);
    e.SetWidth(0);
    EXPECT_EQ(e.Left(), 10);
    EXPECT_EQ(e.Top(), 20);
    EXPECT_EQ(e.Width(), 0);
    EXPECT_EQ(e.Height(), 40);
}

// --- Published properties --------------------------------------------------------

TEST(Properties, DeclarationOrderInheritedFirst)
{
    const QStringList names = propertyNames(&TSampleDerived::staticMetaObject);
    const QStringList expected = {"Name",   "Tag",     "Alignment",     "Caption", "Color",
                                  "Count",  "Enabled", "Font",          "Frame",   "Lines",
                                  "Master", "Ratio",   "ReadOnlyValue", "Extra"};
    EXPECT_EQ(names, expected);
}

TEST(Properties, KindsAreRecognised)
{
    auto kind = [](const char *name) {
        TPropInfo info;
        EXPECT_TRUE(
            FindPublishedProperty(&TSampleElement::staticMetaObject, QString::fromLatin1(name), &info));
        return info.Kind;
    };
    EXPECT_EQ(kind("Alignment"), TPropKind::Enumeration);
    EXPECT_EQ(kind("Caption"), TPropKind::String);
    EXPECT_EQ(kind("Color"), TPropKind::Color);
    EXPECT_EQ(kind("Count"), TPropKind::Integer);
    EXPECT_EQ(kind("Enabled"), TPropKind::Boolean);
    EXPECT_EQ(kind("Font"), TPropKind::Object);
    EXPECT_EQ(kind("Lines"), TPropKind::StringList);
    EXPECT_EQ(kind("Master"), TPropKind::Component);
    EXPECT_EQ(kind("Ratio"), TPropKind::Float);
    TPropInfo style;
    ASSERT_TRUE(FindPublishedProperty(&TSampleFont::staticMetaObject, QStringLiteral("style"), &style));
    EXPECT_EQ(style.Kind, TPropKind::Set);
}

TEST(Properties, EveryKindReadsAndWritesAsText)
{
    TComponent owner;
    auto *e = new TSampleElement(&owner);
    EXPECT_TRUE(SetPropertyText(e, QStringLiteral("Alignment"), QStringLiteral("taCenter")));
    EXPECT_EQ(e->Alignment(), TSampleElement::taCenter);
    EXPECT_TRUE(SetPropertyText(e, QStringLiteral("alignment"), QStringLiteral("TARIGHTJUSTIFY")));
    EXPECT_EQ(GetPropertyText(e, QStringLiteral("Alignment")), QStringLiteral("taRightJustify"));
    EXPECT_TRUE(SetPropertyText(e, QStringLiteral("Caption"), QStringLiteral("Итого: 5")));
    EXPECT_EQ(e->Caption(), QStringLiteral("Итого: 5"));
    EXPECT_TRUE(SetPropertyText(e, QStringLiteral("Color"), QStringLiteral("clRed")));
    EXPECT_EQ(e->Color(), clRed);
    EXPECT_TRUE(SetPropertyText(e, QStringLiteral("Color"), QStringLiteral("$00123456")));
    EXPECT_EQ(GetPropertyText(e, QStringLiteral("Color")), QString::number(0x123456));
    EXPECT_TRUE(SetPropertyText(e, QStringLiteral("Color"), QStringLiteral("clBtnFace")));
    EXPECT_EQ(GetPropertyText(e, QStringLiteral("Color")), QStringLiteral("clBtnFace"));
    EXPECT_TRUE(SetPropertyText(e, QStringLiteral("Count"), QStringLiteral("-7")));
    EXPECT_EQ(e->Count(), -7);
    EXPECT_TRUE(SetPropertyText(e, QStringLiteral("Enabled"), QStringLiteral("false")));
    EXPECT_FALSE(e->Enabled());
    EXPECT_EQ(GetPropertyText(e, QStringLiteral("Enabled")), QStringLiteral("False"));
    EXPECT_TRUE(SetPropertyText(e, QStringLiteral("Lines"), QStringLiteral("one\ntwo")));
    EXPECT_EQ(e->Lines(), (QStringList{"one", "two"}));
    EXPECT_TRUE(SetPropertyText(e, QStringLiteral("Ratio"), QStringLiteral("0.1")));
    EXPECT_DOUBLE_EQ(e->Ratio(), 0.1);
    EXPECT_EQ(GetPropertyText(e, QStringLiteral("Ratio")), QStringLiteral("0.1"));
    EXPECT_TRUE(SetPropertyText(e, QStringLiteral("Font.Style"), QStringLiteral("[fsBold,fsUnderline]")));
    EXPECT_EQ(e->Font()->Style(), TSampleFont::TFontStyles(TSampleFont::fsBold | TSampleFont::fsUnderline));
    EXPECT_EQ(GetPropertyText(e, QStringLiteral("Font.Style")), QStringLiteral("[fsBold,fsUnderline]"));
    EXPECT_TRUE(SetPropertyText(e, QStringLiteral("Font.Style"), QStringLiteral("[]")));
    EXPECT_EQ(e->Font()->Style(), TSampleFont::TFontStyles());
}

TEST(Properties, BadValuesChangeNothing)
{
    TSampleElement e;
    e.SetAlignment(TSampleElement::taCenter);
    EXPECT_FALSE(SetPropertyText(&e, QStringLiteral("Alignment"), QStringLiteral("taNowhere")));
    EXPECT_FALSE(SetPropertyValue(&e, QStringLiteral("Alignment"), 17));
    EXPECT_EQ(e.Alignment(), TSampleElement::taCenter);
    EXPECT_FALSE(SetPropertyText(&e, QStringLiteral("Count"), QStringLiteral("12abc")));
    EXPECT_EQ(e.Count(), 3);
    EXPECT_FALSE(SetPropertyText(&e, QStringLiteral("Enabled"), QStringLiteral("maybe")));
    EXPECT_FALSE(SetPropertyText(&e, QStringLiteral("Font.Style"), QStringLiteral("[fsHeavy]")));
    EXPECT_FALSE(SetPropertyText(&e, QStringLiteral("Color"), QStringLiteral("clPlaid")));
    EXPECT_FALSE(SetPropertyValue(&e, QStringLiteral("ReadOnlyValue"), 1));
    EXPECT_FALSE(SetPropertyValue(&e, QStringLiteral("NoSuch"), 1));
    EXPECT_FALSE(SetPropertyValue(&e, QStringLiteral("Caption.Length"), 1));
    EXPECT_FALSE(SetPropertyValue(&e, QString(), 1));
    // The setter itself ignores invalid values; the call reaches it.
    EXPECT_TRUE(SetPropertyValue(&e, QStringLiteral("Frame.Width"), 0));
    EXPECT_EQ(e.Frame()->Width(), 1);
}

TEST(Properties, DottedPathsReachEmbeddedObjects)
{
    TSampleElement e;
    EXPECT_TRUE(SetPropertyValue(&e, QStringLiteral("Font.Name"), QStringLiteral("Times New Roman")));
    EXPECT_TRUE(SetPropertyValue(&e, QStringLiteral("frame.drawtop"), true));
    EXPECT_TRUE(SetPropertyValue(&e, QStringLiteral("Font.Size"), QStringLiteral("14")));
    EXPECT_EQ(e.Font()->Name(), QStringLiteral("Times New Roman"));
    EXPECT_TRUE(e.Frame()->DrawTop());
    EXPECT_EQ(e.Font()->Size(), 14);
    EXPECT_EQ(GetPropertyValue(&e, QStringLiteral("Font.Size")).toInt(), 14);
    EXPECT_FALSE(GetPropertyValue(&e, QStringLiteral("Font.Nothing")).isValid());
    bool ok = true;
    GetPropertyText(&e, QStringLiteral("Font"), &ok);
    EXPECT_FALSE(ok);
}

TEST(Properties, DeclaredDefaults)
{
    TSampleElement e;
    auto isDefault = [&e](const char *name) {
        TPropInfo info;
        EXPECT_TRUE(FindPublishedProperty(e.metaObject(), QString::fromLatin1(name), &info));
        return IsDefaultValue(&e, info);
    };
    EXPECT_TRUE(isDefault("Alignment"));
    EXPECT_TRUE(isDefault("Color"));
    EXPECT_TRUE(isDefault("Count"));
    EXPECT_TRUE(isDefault("Enabled"));
    EXPECT_TRUE(isDefault("Caption")); // empty string
    EXPECT_TRUE(isDefault("Ratio"));   // zero float
    EXPECT_TRUE(isDefault("Master"));  // no reference
    e.SetCount(4);
    e.SetColor(clBlack);
    e.SetCaption(QStringLiteral("x"));
    e.SetRatio(0.5);
    EXPECT_FALSE(isDefault("Count"));
    EXPECT_FALSE(isDefault("Color"));
    EXPECT_FALSE(isDefault("Caption"));
    EXPECT_FALSE(isDefault("Ratio"));
    // Without a declared default an ordinal is always written.
    TPropInfo ro;
    ASSERT_TRUE(FindPublishedProperty(e.metaObject(), QStringLiteral("ReadOnlyValue"), &ro));
    EXPECT_FALSE(IsDefaultValue(&e, ro));
    // The embedded font's set default is the empty set.
    TPropInfo style;
    ASSERT_TRUE(FindPublishedProperty(&TSampleFont::staticMetaObject, QStringLiteral("Style"), &style));
    EXPECT_TRUE(IsDefaultValue(e.Font(), style));
}

TEST(Properties, SubclassRedeclaresADefault)
{
    TSampleDerived d;
    TPropInfo count;
    ASSERT_TRUE(FindPublishedProperty(d.metaObject(), QStringLiteral("Count"), &count));
    EXPECT_TRUE(IsDefaultValue(&d, count));
    d.SetCount(3);
    EXPECT_FALSE(IsDefaultValue(&d, count));
    QString text;
    EXPECT_TRUE(DeclaredDefaultText(&TSampleElement::staticMetaObject, QStringLiteral("Count"), &text));
    EXPECT_EQ(text, QStringLiteral("3"));
}

TEST(Properties, AssignCopiesEmbeddedObjects)
{
    TSampleElement a, b;
    a.Font()->SetName(QStringLiteral("Courier New"));
    a.Font()->SetStyle(TSampleFont::fsItalic);
    a.Frame()->SetDrawTop(true);
    a.SetCaption(QStringLiteral("copied"));
    b.Assign(&a);
    EXPECT_EQ(b.Font()->Name(), QStringLiteral("Courier New"));
    EXPECT_EQ(b.Font()->Style(), TSampleFont::TFontStyles(TSampleFont::fsItalic));
    EXPECT_TRUE(b.Frame()->DrawTop());
    EXPECT_EQ(b.Caption(), QStringLiteral("copied"));
    EXPECT_NE(b.Font(), a.Font()); // values copied, objects kept
    // Writing the embedded property assigns too.
    TSampleFont f;
    f.SetSize(20);
    EXPECT_TRUE(SetPropertyValue(&b, QStringLiteral("Font"), QVariant::fromValue<QObject *>(&f)));
    EXPECT_EQ(b.Font()->Size(), 20);
}

// --- References -------------------------------------------------------------------

TEST(References, ByNameInTheOwner)
{
    TComponent owner;
    auto *detail = new TSampleElement(&owner);
    detail->SetName(QStringLiteral("Detail"));
    auto *footer = new TSampleElement(&owner);
    new TSampleOther(&owner);
    owner.Components(2)->SetName(QStringLiteral("Other"));

    EXPECT_TRUE(SetPropertyText(footer, QStringLiteral("Master"), QStringLiteral("detail")));
    EXPECT_EQ(footer->Master(), detail);
    EXPECT_EQ(GetPropertyText(footer, QStringLiteral("Master")), QStringLiteral("Detail"));
    // Wrong class or unknown name: refused, unchanged.
    EXPECT_FALSE(SetPropertyText(footer, QStringLiteral("Master"), QStringLiteral("Other")));
    EXPECT_FALSE(SetPropertyValue(footer, QStringLiteral("Master"),
                                  QVariant::fromValue<QObject *>(owner.Components(2))));
    EXPECT_FALSE(SetPropertyText(footer, QStringLiteral("Master"), QStringLiteral("Missing")));
    EXPECT_EQ(footer->Master(), detail);
    // A pointer works as well as a name; empty text clears.
    EXPECT_TRUE(SetPropertyValue(footer, QStringLiteral("Master"), QVariant::fromValue<QObject *>(footer)));
    EXPECT_EQ(footer->Master(), footer);
    EXPECT_TRUE(SetPropertyText(footer, QStringLiteral("Master"), QString()));
    EXPECT_EQ(footer->Master(), nullptr);
}

TEST(References, ClearedWhenTheTargetIsFreed)
{
    TComponent owner;
    TComponent elsewhere;
    auto *target = new TSampleElement(&elsewhere); // another owner: only free notification tells
    auto *holder = new TSampleElement(&owner);
    holder->SetMaster(target);
    delete target;
    EXPECT_EQ(holder->Master(), nullptr);
    EXPECT_EQ(GetPropertyText(holder, QStringLiteral("Master")), QString());

    // Freeing the holder first must not leave the target notifying a dead object.
    auto *target2 = new TSampleElement(&elsewhere);
    auto *holder2 = new TSampleElement(&owner);
    holder2->SetMaster(target2);
    delete holder2;
    delete target2;

    // Siblings in one owner hear of each other's removal.
    auto *sibling = new TSampleElement(&owner);
    const int before = holder->removals;
    delete sibling;
    EXPECT_EQ(holder->removals, before + 1);
}

TEST(ClassRegistry, CreatesRegisteredClassesByName)
{
    RegisterComponentClass<TSampleElement>();
    RegisterComponentClass<TSampleDerived>();
    TComponent owner;
    TComponent *c = CreateComponent(QStringLiteral("TSampleDerived"), &owner);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->Owner(), &owner);
    EXPECT_STREQ(c->metaObject()->className(), "TSampleDerived");
    EXPECT_EQ(CreateComponent(QStringLiteral("TNoSuchClass"), &owner), nullptr);
    EXPECT_EQ(owner.ComponentCount(), 1);
}

// --- Open windows and data modules -----------------------------------------------

TEST(Screen, SearchesWindowsInOrderThenDataModules)
{
    auto isElement = [](TComponent *c) { return qobject_cast<TSampleElement *>(c) != nullptr; };
    auto module = std::make_unique<TDataModule>();
    auto *inModule = new TSampleElement(module.get());
    inModule->SetName(QStringLiteral("Orders"));
    auto first = std::make_unique<TForm>();
    auto second = std::make_unique<TForm>();
    auto *other = new TSampleOther(first.get());
    other->SetName(QStringLiteral("Orders")); // right name, wrong kind
    auto *inSecond = new TSampleElement(second.get());
    inSecond->SetName(QStringLiteral("Orders"));

    TScreen &screen = TScreen::Instance();
    EXPECT_EQ(screen.FindComponent(QStringLiteral("orders"), isElement), inSecond);
    EXPECT_EQ(screen.FindComponent(QStringLiteral("orders"), nullptr), other);
    second.reset();
    EXPECT_EQ(screen.FindComponent(QStringLiteral("orders"), isElement), inModule);
    module.reset();
    EXPECT_EQ(screen.FindComponent(QStringLiteral("orders"), isElement), nullptr);
    EXPECT_EQ(screen.Forms().size(), 1);
}
