#include "report.h"

#include "common/layoutmath.h"
#include "engine/controller.h"
#include "engine/printable.h"
#include "expressions/reportvariables.h"

#include <QFontMetricsF>
#include <QImage>
#include <cmath>

// --- TQRReportBands ----------------------------------------------------------------

TQRReportBands::TQRReportBands(TQRCustomReport *report) : TPersistent(report), m_report(report) {}

bool TQRReportBands::has(QR::TQRBandType type) const
{
    return m_report->FindBand(type) != nullptr;
}

void TQRReportBands::set(QR::TQRBandType type, bool on)
{
    if (on == has(type))
        return;
    if (on)
        m_report->CreateBand(type);
    else
        delete m_report->FindBand(type);
}

// --- TQRCustomReport ---------------------------------------------------------------------

TQRCustomReport::TQRCustomReport(TComponent *owner)
    : TQRBasePanel(owner), m_bands(new TQRReportBands(this)), m_font(new TFont(this)),
      m_page(new TQRPage(this)), m_printerSettings(new TQRReportPrinterSettings(this)),
      m_units(DefaultUnit()), m_controller(new TQRController(this)), m_functions(new TQREvEnvironment(this))
{
    QREvAddReportVariables(*m_functions);
    m_font->SetName(QStringLiteral("Arial"));
    m_font->SetSize(10);
    m_page->SetUnits(m_units);
    m_controller->SetOwningReport(this);
    connect(m_page, &TQRUnitBase::Changed, this, &TQRCustomReport::pageChanged);
    connect(m_page, &TQRPage::LayoutChanged, this, &TQRCustomReport::pageChanged);
    connect(m_font, &TFont::Changed, this, [this] { NotifyChildrenFontChanged(); });
    m_color = clWhite;
    updatePanelSize();
}

TQRCustomReport::~TQRCustomReport()
{
    // Bands are freed with the report (as its child controls); no layout on the way out.
    ++m_layingOut;
    m_bandList.clear();
}

void TQRCustomReport::SetDataSet(TComponent *dataSet)
{
    if (dataSet && !IsDataSetComponent(dataSet))
        return;
    m_dataSet = dataSet;
    if (dataSet)
        FreeNotification(dataSet);
    m_controller->SetDataSet(dataSet);
}

void TQRCustomReport::SetPrintIfEmpty(bool v)
{
    m_printIfEmpty = v;
    m_controller->SetPrintIfEmpty(v);
}

void TQRCustomReport::SetUnits(TQRUnit units)
{
    if (units < QRUnits::MM || units > QRUnits::Native)
        return;
    m_units = units;
    applyUnitsToChildren();
}

void TQRCustomReport::applyUnitsToChildren()
{
    m_page->SetUnits(m_units);
    for (TQRCustomBand *b : ChildBands())
        b->Size()->SetUnits(m_units);
    for (TQRPrintable *e : AllElements())
        e->Size()->SetUnits(m_units);
}

void TQRCustomReport::SetZoom(int percent)
{
    if (percent <= 0 || percent > 300)
        return;
    SetPanelZoom(percent);
}

void TQRCustomReport::ApplyZoom(int)
{
    m_page->SetZoom(m_zoom);
    for (TQRCustomBand *b : ChildBands())
        b->Size()->SetZoom(m_zoom);
    updatePanelSize();
    LayoutBands();
}

int TQRCustomReport::NativeToPixelsX(double native) const
{
    return LayoutInt(NativeToPixels(native, m_page->Resolution(), m_zoom));
}

double TQRCustomReport::PixelsToNativeX(int pixels) const
{
    return PixelsToNative(pixels, m_page->Resolution(), m_zoom);
}

void TQRCustomReport::updatePanelSize()
{
    ++m_layingOut;
    SetBounds(Left(), Top(), NativeToPixelsX(m_page->NativeValue(TQRPage::WidthIndex)),
              NativeToPixelsX(m_page->NativeValue(TQRPage::LengthIndex)));
    --m_layingOut;
}

void TQRCustomReport::BoundsChanged()
{
    if (m_layingOut || IsLoading())
        return;
    // A custom page follows the panel.
    if (m_page->PaperSize() == QRPaper::Custom) {
        ++m_layingOut;
        m_page->SetNativeValue(TQRPage::WidthIndex, PixelsToNativeX(Width()));
        m_page->SetNativeValue(TQRPage::LengthIndex, PixelsToNativeX(Height()));
        --m_layingOut;
        LayoutBands();
    }
}

void TQRCustomReport::pageChanged()
{
    if (m_layingOut)
        return;
    updatePanelSize();
    RebuildBandList();
}

void TQRCustomReport::ChildrenChanged()
{
    if (m_layingOut)
        return;
    const auto children = ControlList();
    for (TControl *c : children) {
        if (auto *band = qobject_cast<TQRCustomBand *>(c)) {
            band->Size()->SetUnits(m_units);
            if (band->Zoom() != m_zoom)
                band->SetPanelZoom(m_zoom);
            band->AttachToReport(this);
            band->ParentFontChanged();
        } else if (auto *element = qobject_cast<TQRPrintable *>(c)) {
            element->Size()->SetUnits(m_units);
            if (element->Size()->Zoom() != m_zoom)
                element->SetElementZoom(m_zoom);
            element->ParentFontChanged();
        }
    }
    RebuildBandList();
}

void TQRCustomReport::Loaded()
{
    TQRBasePanel::Loaded();
    applyUnitsToChildren();
    updatePanelSize();
    RebuildBandList();
}

void TQRCustomReport::Notification(TComponent *component, TOperation operation)
{
    TQRBasePanel::Notification(component, operation);
    if (operation != opRemove)
        return;
    if (component == m_dataSet) {
        m_dataSet = nullptr;
        m_controller->SetDataSet(nullptr);
    }
    if (component == DesignerRoot)
        DesignerRoot = nullptr;
    m_bandList.removeIf([component](TQRCustomBand *b) { return static_cast<TComponent *>(b) == component; });
}

void TQRCustomReport::SetModified(bool v)
{
    if (!v) {
        m_modified = false;
        return;
    }
    if (m_modified || m_preparing)
        return;
    m_modified = true;
    Q_EMIT ModifiedChanged();
}

QList<TQRCustomBand *> TQRCustomReport::ChildBands() const
{
    QList<TQRCustomBand *> list;
    for (TControl *c : ControlList())
        if (auto *b = qobject_cast<TQRCustomBand *>(c))
            list.append(b);
    return list;
}

TQRBand *TQRCustomReport::FindBand(QR::TQRBandType type) const
{
    for (TControl *c : ControlList())
        if (auto *b = qobject_cast<TQRBand *>(c); b && b->BandType() == type)
            return b;
    return nullptr;
}

QList<TQRPrintable *> TQRCustomReport::AllElements() const
{
    QList<TQRPrintable *> list;
    for (TControl *c : ControlList()) {
        if (auto *e = qobject_cast<TQRPrintable *>(c)) {
            list.append(e);
        } else if (qobject_cast<TQRCustomBand *>(c)) {
            for (TControl *inner : c->ControlList())
                if (auto *e2 = qobject_cast<TQRPrintable *>(inner))
                    list.append(e2);
        }
    }
    return list;
}

TQRBand *TQRCustomReport::CreateBand(QR::TQRBandType type)
{
    TComponent *owner = IsDesigning() && DesignerRoot ? DesignerRoot : (Owner() ? Owner() : this);
    auto *band = new TQRBand(owner);
    if (IsDesigning())
        band->SetDesigning(true);
    band->SetBandType(type);
    const QString base = band->NameBase();
    for (int i = 1;; ++i) {
        const QString name = base + QString::number(i);
        if (!owner->FindComponent(name)) {
            band->SetName(name);
            break;
        }
    }
    band->SetParent(this);
    return band;
}

void TQRCustomReport::AssignControllerBands()
{
    m_controller->SetHeader(FindBand(QR::rbTitle));
    m_controller->SetDetail(FindBand(QR::rbDetail));
    m_controller->SetFooter(FindBand(QR::rbSummary));
}

void TQRCustomReport::AddNotifyExpression(QObject *expression)
{
    if (expression && !m_controller->NotifyList.contains(expression))
        m_controller->NotifyList.append(expression);
}

void TQRCustomReport::RebuildBandList()
{
    const QList<TQRCustomBand *> children = ChildBands();
    QList<TQRCustomBand *> previous;
    for (TQRCustomBand *b : std::as_const(m_bandList))
        if (children.contains(b))
            previous.append(b);
    if (IsLoading() || m_layingOut) {
        m_bandList = previous;
        return;
    }

    QList<TQRCustomBand *> list;
    auto childOf = [&children](const TQRCustomBand *b) -> TQRCustomBand * {
        for (TQRCustomBand *c : children)
            if (auto *cb = qobject_cast<TQRChildBand *>(c); cb && cb->ParentBand() == b)
                return cb;
        return nullptr;
    };
    auto add = [&](TQRCustomBand *b) {
        if (!b || list.contains(b) || !children.contains(b))
            return;
        list.append(b);
        for (TQRCustomBand *c = childOf(b); c && !list.contains(c); c = childOf(c))
            list.append(c);
    };
    auto addType = [&](QR::TQRBandType type) {
        for (TQRCustomBand *b : children)
            if (b->BandType() == type && !qobject_cast<TQRChildBand *>(b))
                add(b);
    };

    addType(QR::rbPageHeader);
    if (FindBand(QR::rbTitle))
        addType(QR::rbTitle);
    addType(QR::rbColumnHeader);
    AssignControllerBands();
    m_controller->BuildLists();
    QList<TQRCustomBand *> tree;
    m_controller->CollectBandOrder(tree);
    for (TQRCustomBand *b : std::as_const(tree))
        add(b);
    addType(QR::rbPageFooter);
    // The rest keeps its previous order; new bands follow in child order.
    QList<TQRCustomBand *> rest = previous;
    for (TQRCustomBand *b : children)
        if (!rest.contains(b))
            rest.append(b);
    for (TQRCustomBand *b : std::as_const(rest)) {
        auto *cb = qobject_cast<TQRChildBand *>(b);
        if (cb && cb->ParentBand() && children.contains(cb->ParentBand()))
            continue; // comes with its parent
        add(b);
    }
    for (TQRCustomBand *b : std::as_const(rest))
        if (!list.contains(b))
            list.append(b);
    m_bandList = list;
    LayoutBands();
}

double TQRCustomReport::PrintableWidth() const
{
    return m_page->NativeValue(TQRPage::WidthIndex) - m_page->NativeValue(TQRPage::LeftMarginIndex) -
           m_page->NativeValue(TQRPage::RightMarginIndex);
}

int TQRCustomReport::ColumnWidthPixels() const
{
    const int columns = std::max(1, m_page->Columns());
    const int full = NativeToPixelsX(PrintableWidth());
    const int space = NativeToPixelsX(m_page->NativeValue(TQRPage::ColumnSpaceIndex));
    // Page values come from files: the spaces between many columns may exceed any page.
    return (full - LayoutProduct(space, columns - 1)) / columns;
}

void TQRCustomReport::LayoutBands()
{
    if (m_layingOut || IsLoading())
        return;
    ++m_layingOut;
    qint64 top = NativeToPixelsX(m_page->NativeValue(TQRPage::TopMarginIndex));
    const int left = NativeToPixelsX(m_page->NativeValue(TQRPage::LeftMarginIndex));
    const int fullWidth = NativeToPixelsX(PrintableWidth());
    const int columnWidth = ColumnWidthPixels();
    for (TQRCustomBand *band : std::as_const(m_bandList)) {
        // A child band follows the rule of the first non-child band above it.
        const TQRCustomBand *rule = band;
        for (int guard = 0; guard < 1000; ++guard) {
            auto *cb = qobject_cast<const TQRChildBand *>(rule);
            if (!cb || !cb->ParentBand())
                break;
            rule = cb->ParentBand();
        }
        const QR::TQRBandType type = rule->BandType();
        const bool full = type == QR::rbTitle || type == QR::rbPageHeader || type == QR::rbPageFooter ||
                          type == QR::rbSummary || type == QR::rbOverlay;
        const int width = full ? fullWidth : columnWidth;
        const double nativeWidth = full ? PrintableWidth() : PixelsToNativeX(width);
        band->SetLayoutBounds(left, LayoutClamp(top), width, band->PixelHeightFromSize());
        // The width is the layout's, not an edit: no relayout from it.
        QSignalBlocker block(band->Size());
        band->Size()->SetNativeValue(TQRBandSize::WidthIndex, nativeWidth);
        top += band->Height();
    }
    --m_layingOut;
}

namespace
{
// The reference context text is measured on: a screen-compatible device at the reference resolution.
const QImage &referenceDevice()
{
    static const QImage device = [] {
        QImage img(1, 1, QImage::Format_ARGB32);
        const int dpm = int(std::lround(ScreenPixelsPerInch() / 0.0254));
        img.setDotsPerMeterX(dpm);
        img.setDotsPerMeterY(dpm);
        return img;
    }();
    return device;
}
} // namespace

int TQRCustomReport::MeasureTextWidth(const TFont *font, const QString &text) const
{
    const TFont *f = font ? font : m_font;
    QFontMetricsF fm(f->ToQFont(ScreenPixelsPerInch()), &referenceDevice());
    return int(std::lround(fm.horizontalAdvance(text))) + 1;
}

int TQRCustomReport::MeasureLineHeight(const TFont *font) const
{
    const TFont *f = font ? font : m_font;
    QFontMetricsF fm(f->ToQFont(ScreenPixelsPerInch()), &referenceDevice());
    return int(std::lround(fm.height()));
}

// --- TQRReport ----------------------------------------------------------------------------------

TQRReport::TQRReport(TComponent *owner) : TQRCustomReport(owner) {}
