#include "definition/reportfunctions.h"

#include "common/colors.h"
#include "common/graphics.h"
#include "common/properties.h"
#include "common/screen.h"
#include "common/units.h"
#include "definition/designbands.h"
#include "definition/designelements.h"
#include "definition/designreport.h"
#include "engine/basepanel.h"
#include "engine/printable.h"
#include "expressions/evaluator.h"
#include "expressions/functionargs.h"
#include "expressions/library.h"

#include <cmath>
#include <functional>
#include <initializer_list>
#include <limits>

// --- Lookups ---

namespace
{

bool holdsDesignReport(const TComponent *window)
{
    for (TComponent *c : window->ComponentList())
        if (qobject_cast<TQRDesignReport *>(c))
            return true;
    return false;
}

// The kinds of component an element name may stand for.
bool isReportElement(TComponent *c)
{
    return qobject_cast<TQRPrintable *>(c) || qobject_cast<TQRBasePanel *>(c) || IsDataSetComponent(c) ||
           IsDataSourceComponent(c);
}

TComponent *findNamed(TComponent *owner, const QString &name, bool (*accept)(TComponent *))
{
    for (TComponent *c : owner->ComponentList())
        if (c->Name().compare(name, Qt::CaseInsensitive) == 0 && accept(c))
            return c;
    return nullptr;
}

// A printable element, a band or other panel, or a report (reports are panels).
bool isPrintableOrPanel(TComponent *c)
{
    return qobject_cast<TQRPrintable *>(c) || qobject_cast<TQRBasePanel *>(c);
}

} // namespace

TQRDesignReport *QRCurrentReport()
{
    return qobject_cast<TQRDesignReport *>(
        TScreen::Instance().FindComponent(QStringLiteral("Report"), [](TComponent *c) {
            return qobject_cast<TQRDesignReport *>(c) != nullptr;
        }));
}

TComponent *QRFindReadElement(const QString &name)
{
    for (TComponent *window : TScreen::Instance().Forms()) {
        if (!holdsDesignReport(window))
            continue;
        if (TComponent *c = findNamed(window, name, isReportElement))
            return c;
    }
    return nullptr;
}

TComponent *QRFindWriteElement(const QString &name)
{
    if (TComponent *c = QRFindReadElement(name))
        return c;
    // Data modules hold no report of their own; their datasets and data sources count as they are.
    for (TComponent *module : TScreen::Instance().DataModules())
        if (TComponent *c = findNamed(module, name, isReportElement))
            return c;
    return nullptr;
}

TFont *QRFindElementFont(const QString &name)
{
    auto *element = qobject_cast<TQRPrintable *>(QRFindReadElement(name));
    if (!element)
        return nullptr;
    return qobject_cast<TFont *>(GetPropertyValue(element, QStringLiteral("Font")).value<QObject *>());
}

// --- Helpers ---

namespace
{

void setError(TQREvValue &value)
{
    value = TQREvValue::Error();
}

// The property of an element by name; null holder when the element has none.
QObject *resolve(TComponent *element, const QString &property, TPropInfo *info)
{
    if (!element || property.isEmpty())
        return nullptr;
    return ResolvePropertyPath(element, property, info);
}

// Ordinal kinds (integers, enumerations, sets, colours, booleans) as an integer.
bool ordinal(const QVariant &v, qint64 *n)
{
    bool ok = false;
    const qint64 r = v.toLongLong(&ok);
    if (ok) {
        *n = r;
        return true;
    }
    if (v.metaType().sizeOf() == int(sizeof(qint32)) && v.constData()) {
        *n = *static_cast<const qint32 *>(v.constData());
        return true;
    }
    return false;
}

bool isOrdinal(TPropKind kind)
{
    return kind == TPropKind::Integer || kind == TPropKind::Enumeration || kind == TPropKind::Set ||
           kind == TPropKind::Color || kind == TPropKind::Boolean;
}

// Whether the designer has locked the element against changes from expressions.
bool blockFlag(TComponent *element, const char *flag)
{
    TPropInfo info;
    QObject *holder = resolve(element, QLatin1String(flag), &info);
    return holder && info.Kind == TPropKind::Boolean && info.Property.read(holder).toBool();
}

// The common part of the four setters: the element by the writing rule, not locked.
TComponent *settableElement(const TQREvElementFunction &f)
{
    TComponent *element = QRFindWriteElement(QREvArgText(f, 0));
    if (!element || blockFlag(element, "BlockEdit"))
        return nullptr;
    return element;
}

// Writes a property when the element has it; a missing or unconvertible property is ignored.
void writeProperty(TComponent *element, const QString &property, const QVariant &v)
{
    TPropInfo info;
    if (resolve(element, property, &info))
        SetPropertyValue(element, property, v);
}

} // namespace

// --- Report state ---

void TQREvNewPageFunction::Apply(TQREvValue &value)
{
    TQRDesignReport *report = QRCurrentReport();
    if (ArgumentCount() != 0 || !report) {
        setError(value);
        return;
    }
    // Only a running report can break a page; a failure in the break is ignored.
    if (!report->Idle) {
        try {
            report->NewPage();
        } catch (...) {
        }
    }
    value.SetString(QString());
}

void TQREvPageNumberFunction::Apply(TQREvValue &value)
{
    TQRDesignReport *report = QRCurrentReport();
    if (ArgumentCount() != 0 || !report) {
        setError(value);
        return;
    }
    value.SetInteger(report->PageNo);
}

void TQREvVertPrintPosFunction::Apply(TQREvValue &value)
{
    TQRDesignReport *report = QRCurrentReport();
    if (ArgumentCount() != 0 || !report) {
        setError(value);
        return;
    }
    value.SetInteger(report->PositionY);
}

void TQREvPixelsFunction::Apply(TQREvValue &value)
{
    TQRDesignReport *report = QRCurrentReport();
    if (ArgumentCount() != 1 || !Argument(0).IsNumeric() || !report) {
        setError(value);
        return;
    }
    TUnitContext context = report->Page()->Context();
    // Character units count as character heights (not horizontal).
    const double native = UnitToNative(Argument(0).AsFloat(), report->Units(), false, context);
    const double pixels = NativeToPixels(native, ScreenPixelsPerInch(), report->Zoom());
    if (!std::isfinite(pixels) || std::fabs(pixels) > double(std::numeric_limits<qint32>::max())) {
        setError(value);
        return;
    }
    value.SetInteger(qint32(std::lround(pixels)));
}

void TQREvResetExprFunction::Apply(TQREvValue &value)
{
    if (ArgumentCount() == 1 && Argument(0).ValueKind == rkString) {
        for (TComponent *window : TScreen::Instance().Forms()) {
            auto *expr = qobject_cast<TQRDesignExpr *>(findNamed(window, QREvArgText(*this, 0), [](TComponent *c) {
                return qobject_cast<TQRDesignExpr *>(c) != nullptr;
            }));
            if (expr) {
                if (expr->Evaluator())
                    expr->Evaluator()->ResetAggregates();
                break;
            }
        }
    }
    value.SetString(QString());
}

void TQREvBandPrintedFunction::Apply(TQREvValue &value)
{
    if (!QREvTakes(*this, {rkString})) {
        setError(value);
        return;
    }
    for (TComponent *window : TScreen::Instance().Forms()) {
        auto *group = qobject_cast<TQRDesignGroup *>(findNamed(window, QREvArgText(*this, 0), [](TComponent *c) {
            return qobject_cast<TQRDesignGroup *>(c) != nullptr;
        }));
        if (group) {
            value.SetBoolean(group->GroupPrinted());
            return;
        }
    }
    setError(value);
}

void TQREvPagePrints::Apply(TQREvValue &value)
{
    if (!QREvTakes(*this, {rkString})) {
        setError(value);
        return;
    }
    TComponent *element = QRFindReadElement(QREvArgText(*this, 0));
    if (!isPrintableOrPanel(element)) {
        setError(value);
        return;
    }
    qint64 n = 0;
    TPropInfo info;
    if (QObject *holder = resolve(element, QStringLiteral("PagePrints"), &info))
        ordinal(info.Property.read(holder), &n);
    value.SetInteger(qint32(n));
}

// --- Elements and properties ---

void TQREvElementExists::Apply(TQREvValue &value)
{
    if (!QREvTakes(*this, {rkString})) {
        setError(value);
        return;
    }
    value.SetBoolean(QRFindReadElement(QREvArgText(*this, 0)) != nullptr);
}

void TQREvPropertyExists::Apply(TQREvValue &value)
{
    if (!QREvTakes(*this, {rkString, rkString})) {
        setError(value);
        return;
    }
    TPropInfo info;
    value.SetBoolean(resolve(QRFindReadElement(QREvArgText(*this, 0)), QREvArgText(*this, 1), &info) != nullptr);
}

void TQREvGetCaptionFunction::Apply(TQREvValue &value)
{
    if (!QREvTakes(*this, {rkString})) {
        setError(value);
        return;
    }
    const QList<TComponent *> windows = TScreen::Instance().Forms();
    for (auto it = windows.crbegin(); it != windows.crend(); ++it) {
        TComponent *found = findNamed(*it, QREvArgText(*this, 0), [](TComponent *c) {
            TPropInfo info;
            return qobject_cast<TQRExpr *>(c) != nullptr ||
                   FindPublishedProperty(c->metaObject(), QStringLiteral("Caption"), &info);
        });
        if (!found)
            continue;
        if (auto *expr = qobject_cast<TQRExpr *>(found))
            // Its caption outside a run: the expression, or "(none)" when it has none.
            value.SetString(expr->Expression().isEmpty() ? QStringLiteral("(none)") : expr->Expression());
        else
            value.SetString(GetPropertyValue(found, QStringLiteral("Caption")).toString());
        return;
    }
    setError(value);
}

namespace
{

// The element and property of a getter, or false (an error) when the element is missing.
bool getterHolder(const TQREvElementFunction &f, TQREvValue &value, QObject **holder, TPropInfo *info)
{
    if (!QREvTakes(f, {rkString, rkString})) {
        setError(value);
        return false;
    }
    TComponent *element = QRFindReadElement(QREvArgText(f, 0));
    if (!element) {
        setError(value);
        return false;
    }
    *holder = resolve(element, QREvArgText(f, 1), info);
    return true;
}

} // namespace

void TQREvGetBooleanProperty::Apply(TQREvValue &value)
{
    QObject *holder = nullptr;
    TPropInfo info;
    if (!getterHolder(*this, value, &holder, &info))
        return;
    value.SetBoolean(holder && info.Kind == TPropKind::Boolean && info.Property.read(holder).toBool());
}

void TQREvGetIntegerProperty::Apply(TQREvValue &value)
{
    QObject *holder = nullptr;
    TPropInfo info;
    if (!getterHolder(*this, value, &holder, &info))
        return;
    qint64 n = 0;
    if (holder && isOrdinal(info.Kind))
        ordinal(info.Property.read(holder), &n);
    value.SetInteger(qint32(n));
}

void TQREvGetFloatProperty::Apply(TQREvValue &value)
{
    QObject *holder = nullptr;
    TPropInfo info;
    if (!getterHolder(*this, value, &holder, &info))
        return;
    value.SetFloat(holder && info.Kind == TPropKind::Float ? info.Property.read(holder).toDouble() : 0.0);
}

void TQREvGetStringProperty::Apply(TQREvValue &value)
{
    QObject *holder = nullptr;
    TPropInfo info;
    if (!getterHolder(*this, value, &holder, &info))
        return;
    value.SetString(holder && info.Kind == TPropKind::String
                        ? info.Property.read(holder).toString().left(QREvMaxTextLength)
                        : QString());
}

namespace
{
// The four setters: element, property name and a value of their kind; the element by the writing
// rule and not locked, the property not refused by the setter's own lock; the value is the third
// argument.
void setProperty(TQREvElementFunction &f, TQREvValue &value, TQREvResultType kind,
                 const std::function<bool(TComponent *, const QString &)> &refused, const QVariant &written)
{
    if (!QREvTakes(f, {rkString, rkString, kind})) {
        setError(value);
        return;
    }
    TComponent *element = settableElement(f);
    const QString property = QREvArgText(f, 1);
    if (!element || (refused && refused(element, property))) {
        setError(value);
        return;
    }
    writeProperty(element, property, written);
    value = f.Argument(2);
}
} // namespace

void TQREvSetBooleanProperty::Apply(TQREvValue &value)
{
    // No expression may lift a designer lock.
    static const QStringList locks = {QStringLiteral("BLOCKEDIT"), QStringLiteral("BLOCKCHANGE"),
                                      QStringLiteral("BLOCKDELETE"), QStringLiteral("BLOCKMOVE")};
    setProperty(*this, value, rkBoolean,
                [](TComponent *, const QString &property) { return locks.contains(property.toUpper()); },
                ArgumentCount() == 3 ? QVariant(Argument(2).BoolValue) : QVariant());
}

void TQREvSetIntegerProperty::Apply(TQREvValue &value)
{
    setProperty(*this, value, rkInteger, nullptr,
                ArgumentCount() == 3 ? QVariant(Argument(2).IntValue) : QVariant());
}

void TQREvSetFloatProperty::Apply(TQREvValue &value)
{
    setProperty(*this, value, rkFloat, nullptr,
                ArgumentCount() == 3 ? QVariant(Argument(2).FloatValue) : QVariant());
}

void TQREvSetStringProperty::Apply(TQREvValue &value)
{
    // A locked data binding stays as the designer left it.
    setProperty(*this, value, rkString,
                [](TComponent *element, const QString &property) {
                    return property.compare(QLatin1String("DATAFIELD"), Qt::CaseInsensitive) == 0 &&
                           blockFlag(element, "BlockChange");
                },
                ArgumentCount() == 3 ? QVariant(Argument(2).Text) : QVariant());
}

// --- Colours and fonts ---

void TQREvSetColor::Apply(TQREvValue &value)
{
    if (!QREvTakes(*this, {rkString, rkInteger})) {
        setError(value);
        return;
    }
    TComponent *element = QRFindReadElement(QREvArgText(*this, 0));
    if (!isPrintableOrPanel(element)) {
        setError(value);
        return;
    }
    writeProperty(element, QStringLiteral("Color"), Argument(1).IntValue);
    value.SetBoolean(true);
}

void TQREvSetFontColor::Apply(TQREvValue &value)
{
    if (!QREvTakes(*this, {rkString, rkInteger})) {
        setError(value);
        return;
    }
    TFont *font = QRFindElementFont(QREvArgText(*this, 0));
    if (font)
        font->SetColor(TColor(Argument(1).IntValue));
    value.SetBoolean(font != nullptr);
}

void TQREvSetFontSize::Apply(TQREvValue &value)
{
    if (!QREvTakes(*this, {rkString, rkInteger})) {
        setError(value);
        return;
    }
    TFont *font = QRFindElementFont(QREvArgText(*this, 0));
    if (font)
        font->SetSize(Argument(1).IntValue);
    value.SetBoolean(font != nullptr);
}

void TQREvSetFontName::Apply(TQREvValue &value)
{
    if (!QREvTakes(*this, {rkString, rkString})) {
        setError(value);
        return;
    }
    TFont *font = QRFindElementFont(QREvArgText(*this, 0));
    if (font)
        font->SetName(QREvArgText(*this, 1));
    value.SetBoolean(font != nullptr);
}

void TQREvSetFontStyle::Apply(TQREvValue &value)
{
    if (!QREvTakes(*this, {rkString, rkBoolean, rkBoolean, rkBoolean, rkBoolean})) {
        setError(value);
        return;
    }
    TFont *font = QRFindElementFont(QREvArgText(*this, 0));
    if (font) {
        TFont::TFontStyles style;
        style.setFlag(TFont::fsBold, Argument(1).BoolValue);
        style.setFlag(TFont::fsItalic, Argument(2).BoolValue);
        style.setFlag(TFont::fsUnderline, Argument(3).BoolValue);
        style.setFlag(TFont::fsStrikeOut, Argument(4).BoolValue);
        font->SetStyle(style);
    }
    value.SetBoolean(font != nullptr);
}

void TQREvRGBColor::Apply(TQREvValue &value)
{
    if (!QREvTakes(*this, {rkInteger, rkInteger, rkInteger})) {
        setError(value);
        return;
    }
    const qint32 red = Argument(0).IntValue, green = Argument(1).IntValue, blue = Argument(2).IntValue;
    for (qint32 part : {red, green, blue}) {
        if (part < 0 || part > 255) {
            setError(value);
            return;
        }
    }
    value.SetInteger(blue * 65536 + green * 256 + red);
}

// --- Registration ---

namespace
{

struct TReportEntry {
    const char *Name;
    TQREvFunctionClass FunctionClass;
    const char *Signature;
    const char *Syntax;
    const char *Explanation;
};

template <class T> constexpr TQREvFunctionClass cls()
{
    return &QREvCreateFunction<T>;
}

constexpr const char *ColorExplanation = "Color constant for SETCOLOR and SETFONTCOLOR";

// In the order of their reserved rows in the extended library.
const TReportEntry ReportEntries[] = {
    {"NEWPAGE", cls<TQREvNewPageFunction>(), "7", "NEWPAGE", "Forces a page feed"},
    // The syntax text has always read VERPRINTPOS.
    {"VERTPRINTPOS", cls<TQREvVertPrintPosFunction>(), "7", "VERPRINTPOS",
     "Returns current vertical printing position"},
    {"PAGENUMBER", cls<TQREvPageNumberFunction>(), "7", "PAGENUMBER", "Returns current page number"},
    {"RESETEXPR", cls<TQREvResetExprFunction>(), "7S", "RESETEXPR(<exprname>)",
     "Resets aggregated function values for expressions"},
    {"GROUPPRINTED", cls<TQREvBandPrintedFunction>(), "7S", "GROUPPRINTED(<band>)",
     "Returns if group \"band\" has been printed"},
    {"GETCAPTION", cls<TQREvGetCaptionFunction>(), "7S", "GETCAPTION(<S>)", "Returns a component's caption"},
    {"ELEMENTEXISTS", cls<TQREvElementExists>(), "7S", "ELEMENTEXISTS(<Name>)",
     "Checks if a report element exists on the current report"},
    {"PROPEXISTS", cls<TQREvPropertyExists>(), "7SS", "PROPEXISTS(<Element>,<Property>)",
     "Checks if property exists for a given report element"},
    {"SETCOLOR", cls<TQREvSetColor>(), "7SN", "SETCOLOR(<Element>,<Color>)",
     "Sets an report element's background color"},
    {"PAGEPRINTS", cls<TQREvPagePrints>(), "7S", "PAGEPRINTS(<Bandname>)",
     "Returns how many times the band has been printed on the current page"},
    {"SETBOOLPROP", cls<TQREvSetBooleanProperty>(), "7SSB", "SETBOOLPROP(<Element>,<Property>,<Value>)",
     "Sets a report element's boolean property"},
    {"SETINTPROP", cls<TQREvSetIntegerProperty>(), "7SSN", "SETINTPROP(<Element>,<Property>,<Value>)",
     "Sets a report element's numerical property"},
    {"SETFLOATPROP", cls<TQREvSetFloatProperty>(), "7SSN", "SETFLOATPROP(<Element>,<Property>,<Value>)",
     "Sets a report element's floating point number property"},
    {"SETSTRPROP", cls<TQREvSetStringProperty>(), "7SSS", "SETSTRPROP(<Element>,<Property>,<Value>)",
     "Sets a report element's string property"},
    {"GETBOOLPROP", cls<TQREvGetBooleanProperty>(), "7SS", "GETBOOLPROP(<Element>,<Property>)",
     "Gets a report element's boolean property"},
    {"GETINTPROP", cls<TQREvGetIntegerProperty>(), "7SS", "GETINTPROP(<Element>,<Property>)",
     "Gets a report element's numerical property"},
    {"GETFLOATPROP", cls<TQREvGetFloatProperty>(), "7SS", "GETFLOATPROP(<Element>,<Property>)",
     "Gets a report element's floating point number property"},
    {"GETSTRPROP", cls<TQREvGetStringProperty>(), "7SS", "GETSTRPROP(<Element>,<Property>)",
     "Gets a report element's string property"},
    {"SETFONTCOLOR", cls<TQREvSetFontColor>(), "7SN", "SETFONTCOLOR(<Element>,<Color>)",
     "Sets an report element's font color"},
    {"SETFONTSIZE", cls<TQREvSetFontSize>(), "7SN", "SETFONTSIZE(<Element>,<Size>)",
     "Sets an report element's font size"},
    {"SETFONT", cls<TQREvSetFontName>(), "7SS", "SETFONT(<Element>,<Fontname>)",
     "Sets an report element's font"},
    {"SETFONTSTYLE", cls<TQREvSetFontStyle>(), "7SBBBB",
     "SETFONTSTYLE(<Element>,<Bold>,<Italic>,<Underl>,<Strikeout>)",
     "Sets an report element's font style according to boolean parameters <Bold> etc."},
    {"BLACK", cls<TQREvBlack>(), "8", "BLACK", ColorExplanation},
    {"MAROON", cls<TQREvMaroon>(), "8", "MAROON", ColorExplanation},
    {"GREEN", cls<TQREvGreen>(), "8", "GREEN", ColorExplanation},
    {"OLIVE", cls<TQREvOlive>(), "8", "OLIVE", ColorExplanation},
    {"NAVY", cls<TQREvNavy>(), "8", "NAVY", ColorExplanation},
    {"PURPLE", cls<TQREvPurple>(), "8", "PURPLE", ColorExplanation},
    {"TEAL", cls<TQREvTeal>(), "8", "TEAL", ColorExplanation},
    {"GRAY", cls<TQREvGray>(), "8", "GRAY", ColorExplanation},
    {"SILVER", cls<TQREvSilver>(), "8", "SILVER", ColorExplanation},
    {"RED", cls<TQREvRed>(), "8", "RED", ColorExplanation},
    {"LIME", cls<TQREvLime>(), "8", "LIME", ColorExplanation},
    {"BLUE", cls<TQREvBlue>(), "8", "BLUE", ColorExplanation},
    {"FUCHSIA", cls<TQREvFuchsia>(), "8", "FUCHSIA", ColorExplanation},
    {"AQUA", cls<TQREvAqua>(), "8", "AQUA", ColorExplanation},
    {"WHITE", cls<TQREvWhite>(), "8", "WHITE", ColorExplanation},
    {"RGBCOLOR", cls<TQREvRGBColor>(), "7NNN", "RGBCOLOR(<RED>,<GREEN>,<BLUE>)",
     "Converts RGB color values to a color for SETCOLOR and SETFONTCOLOR. Valid range for each color is "
     "0..255."},
    {"PIXELS", cls<TQREvPixelsFunction>(), "7N", "PIXELS",
     "Converts a given value in the current unit to its equivalent number of pixels"},
};

} // namespace

void RegisterReportFunctions()
{
    const QString vendor = QStringLiteral("Tabulon");
    for (const TReportEntry &entry : ReportEntries)
        AddEvalFunction(entry.FunctionClass, QLatin1String(entry.Name),
                        QString::fromLatin1(entry.Syntax) + u'|' + QString::fromLatin1(entry.Explanation),
                        vendor, QLatin1String(entry.Signature));
}
