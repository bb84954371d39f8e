#include "printable.h"

#include "common/layoutmath.h"
#include "engine/band.h"
#include "engine/report.h"

#include <cmath>

bool IsDataSetComponent(const TComponent *component)
{
    return component && component->inherits("TDataSet");
}

bool IsDataSourceComponent(const TComponent *component)
{
    return component && component->inherits("TDataSource");
}

// --- TQRPrintable ---------------------------------------------------------------------

TQRPrintable::TQRPrintable(TComponent *owner)
    : TQRVisualControl(owner), m_frame(new TQRFrame(this)), m_size(new TQRPrintableSize(this))
{
    connect(m_size, &TQRUnitBase::Changed, this, &TQRPrintable::sizeChanged);
    SetInitialBounds(10, 10);
}

void TQRPrintable::SetInitialBounds(int width, int height)
{
    ++m_syncing;
    SetBounds(Left(), Top(), width, height);
    const double res = m_size->Resolution(), zoom = m_size->Zoom();
    m_size->SetNativeValue(TQRPrintableSize::WidthIndex, PixelsToNative(width, res, zoom));
    m_size->SetNativeValue(TQRPrintableSize::HeightIndex, PixelsToNative(height, res, zoom));
    --m_syncing;
}

TQRCustomReport *TQRPrintable::OwningReport() const
{
    for (TControl *c = Parent(); c; c = c->Parent())
        if (auto *r = qobject_cast<TQRCustomReport *>(c))
            return r;
    return nullptr;
}

TQRCustomBand *TQRPrintable::ParentBand() const
{
    return qobject_cast<TQRCustomBand *>(Parent());
}

void TQRPrintable::SetAlignment(QR::TAlignment a)
{
    if (a < QR::taLeftJustify || a > QR::taCenter)
        return;
    m_alignment = a;
    AlignToParent();
}

void TQRPrintable::SetAlignToBand(bool v)
{
    m_alignToBand = v;
    AlignToParent();
}

void TQRPrintable::AlignToParent()
{
    TQRCustomBand *band = ParentBand();
    if (!m_alignToBand || !band || m_aligning)
        return;
    int left = Left();
    switch (m_alignment) {
    case QR::taLeftJustify:
        left = 0;
        break;
    case QR::taRightJustify:
        left = band->Width() - Width();
        break;
    case QR::taCenter:
        left = (band->Width() - Width()) / 2;
        break;
    }
    ++m_aligning;
    SetLeft(left);
    --m_aligning;
}

void TQRPrintable::ParentChanged(int operation)
{
    if (operation == 2)
        AlignToParent();
}

void TQRPrintable::SetElementZoom(int percent)
{
    m_size->SetZoom(percent);
    UpdateBoundsFromSize();
}

int TQRPrintable::pixels(int index) const
{
    return LayoutInt(NativeToPixels(m_size->NativeValue(index), m_size->Resolution(), m_size->Zoom()));
}

void TQRPrintable::UpdateBoundsFromSize()
{
    ++m_syncing;
    SetBounds(pixels(TQRPrintableSize::LeftIndex), pixels(TQRPrintableSize::TopIndex),
              pixels(TQRPrintableSize::WidthIndex), pixels(TQRPrintableSize::HeightIndex));
    --m_syncing;
    AlignToParent();
}

void TQRPrintable::sizeChanged(int)
{
    // While loading, Loaded() derives the bounds once everything is read.
    if (!m_syncing && !IsLoading())
        UpdateBoundsFromSize();
}

void TQRPrintable::BoundsChanged()
{
    if (m_syncing)
        return;
    TQRCustomReport *report = OwningReport();
    if (IsLoading() || (report && report->Preparing() && IsDesigning())) {
        // Only remembered: after loading the native size decides.
        m_storedBounds = BoundsRect();
        m_hasStoredBounds = true;
        return;
    }
    const double res = m_size->Resolution(), zoom = m_size->Zoom();
    ++m_syncing;
    m_size->SetNativeValue(TQRPrintableSize::HeightIndex, PixelsToNative(Height(), res, zoom));
    m_size->SetNativeValue(TQRPrintableSize::WidthIndex, PixelsToNative(Width(), res, zoom));
    m_size->SetNativeValue(TQRPrintableSize::TopIndex, PixelsToNative(Top(), res, zoom));
    m_size->SetNativeValue(TQRPrintableSize::LeftIndex, PixelsToNative(Left(), res, zoom));
    --m_syncing;
    AlignToParent();
}

void TQRPrintable::Loaded()
{
    TQRVisualControl::Loaded();
    int l = pixels(TQRPrintableSize::LeftIndex), t = pixels(TQRPrintableSize::TopIndex);
    int w = pixels(TQRPrintableSize::WidthIndex), h = pixels(TQRPrintableSize::HeightIndex);
    if (m_hasStoredBounds) {
        // A stored pixel coordinate counts only where the native size gives 0.
        const double res = m_size->Resolution(), zoom = m_size->Zoom();
        ++m_syncing;
        auto apply = [&](int &derived, int stored, int index) {
            if (derived == 0 && stored != 0) {
                derived = stored;
                m_size->SetNativeValue(index, PixelsToNative(stored, res, zoom));
            }
        };
        apply(h, m_storedBounds.height(), TQRPrintableSize::HeightIndex);
        apply(w, m_storedBounds.width(), TQRPrintableSize::WidthIndex);
        apply(t, m_storedBounds.top(), TQRPrintableSize::TopIndex);
        apply(l, m_storedBounds.left(), TQRPrintableSize::LeftIndex);
        --m_syncing;
        m_hasStoredBounds = false;
    }
    ++m_syncing;
    SetBounds(l, t, w, h);
    --m_syncing;
    AlignToParent();
}

// --- TQRCustomLabel --------------------------------------------------------------------------

TQRCustomLabel::TQRCustomLabel(TComponent *owner) : TQRPrintable(owner), m_font(new TFont(this))
{
    connect(m_font, &TFont::Changed, this, &TQRCustomLabel::fontChanged);
}

void TQRCustomLabel::SetParentFont(bool v)
{
    m_parentFont = v;
    if (v)
        ParentFontChanged();
}

void TQRCustomLabel::fontChanged()
{
    if (!m_syncing && !IsLoading())
        m_parentFont = false;
}

void TQRCustomLabel::ParentFontChanged()
{
    auto *p = qobject_cast<TQRVisualControl *>(Parent());
    if (!m_parentFont || !p || !p->ControlFont() || IsLoading())
        return;
    ++m_syncing;
    m_font->Assign(p->ControlFont());
    --m_syncing;
}

QStringList TQRCustomLabel::DefinedPropertyNames() const
{
    return {QStringLiteral("FontSize")};
}

QVariant TQRCustomLabel::DefinedProperty(const QString &name) const
{
    if (name.compare(QLatin1String("FontSize"), Qt::CaseInsensitive) != 0)
        return {};
    return m_font->Size();
}

bool TQRCustomLabel::SetDefinedProperty(const QString &name, const QVariant &value)
{
    if (name.compare(QLatin1String("FontSize"), Qt::CaseInsensitive) != 0)
        return false;
    bool ok = false;
    const int size = value.toInt(&ok);
    if (!ok)
        return false;
    if (IsLoading())
        m_loadedFontSize = size;
    else if (size > 0)
        m_font->SetSize(size);
    return true;
}

void TQRCustomLabel::Loaded()
{
    TQRPrintable::Loaded();
    ParentFontChanged();
    if (m_loadedFontSize > 0 && m_loadedFontSize != m_font->Size())
        m_font->SetSize(m_loadedFontSize);
    m_loadedFontSize = 0;
}

// --- labels ----------------------------------------------------------------------------------

TQRLabel::TQRLabel(TComponent *owner) : TQRCustomLabel(owner) {}

void TQRLabel::ValidateRename(const QString &oldName, const QString &newName)
{
    TQRCustomLabel::ValidateRename(oldName, newName);
    if (!IsLoading() && (Caption().isEmpty() || Caption() == oldName))
        SetCaption(newName);
}

TQRMemo::TQRMemo(TComponent *owner) : TQRCustomLabel(owner) {}

TQRDBText::TQRDBText(TComponent *owner) : TQRCustomLabel(owner) {}

void TQRDBText::SetDataSet(TComponent *dataSet)
{
    if (dataSet && !IsDataSetComponent(dataSet))
        return;
    m_dataSet = dataSet;
    if (dataSet)
        FreeNotification(dataSet);
}

void TQRDBText::Notification(TComponent *component, TOperation operation)
{
    TQRCustomLabel::Notification(component, operation);
    if (operation == opRemove && component == m_dataSet)
        m_dataSet = nullptr;
}

TQRExpr::TQRExpr(TComponent *owner) : TQRCustomLabel(owner) {}

void TQRExpr::SetMaster(TComponent *m)
{
    m_master = m;
    if (m)
        FreeNotification(m);
}

void TQRExpr::Notification(TComponent *component, TOperation operation)
{
    TQRCustomLabel::Notification(component, operation);
    if (operation == opRemove && component == m_master)
        m_master = nullptr;
}

TQRDBCalc::TQRDBCalc(TComponent *owner) : TQRExpr(owner) {}

void TQRDBCalc::SetDataSource(TComponent *source)
{
    if (source && !IsDataSourceComponent(source))
        return;
    m_dataSource = source;
    if (source)
        FreeNotification(source);
}

void TQRDBCalc::SetResetBand(TQRBand *band)
{
    m_resetBand = band;
    if (band)
        FreeNotification(band);
}

void TQRDBCalc::Notification(TComponent *component, TOperation operation)
{
    TQRExpr::Notification(component, operation);
    if (operation != opRemove)
        return;
    if (component == m_dataSource)
        m_dataSource = nullptr;
    if (component == m_resetBand)
        m_resetBand = nullptr;
}

TQRSysData::TQRSysData(TComponent *owner) : TQRCustomLabel(owner) {}
