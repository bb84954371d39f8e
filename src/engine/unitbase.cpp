#include "unitbase.h"

#include "engine/report.h"

#include <cmath>

// --- TQRUnitBase ---------------------------------------------------------------

TQRUnitBase::TQRUnitBase(QObject *parent, QList<bool> horizontal)
    : TPersistent(parent), m_native(horizontal.size(), 0.0), m_horizontal(std::move(horizontal)),
      m_units(DefaultUnit()), m_savedUnits(m_units), m_resolution(ScreenPixelsPerInch())
{
}

void TQRUnitBase::SaveUnits(TQRUnit units)
{
    m_savedUnits = m_units;
    m_units = units;
}

void TQRUnitBase::RestoreUnits()
{
    m_units = m_savedUnits;
}

void TQRUnitBase::SetZoom(double percent)
{
    if (percent > 0 && std::isfinite(percent))
        m_zoom = percent;
}

double TQRUnitBase::FontSize() const
{
    for (QObject *o = parent(); o; o = o->parent()) {
        auto *control = qobject_cast<TControl *>(o);
        if (!control)
            continue;
        for (TControl *c = control; c; c = c->Parent())
            if (auto *report = qobject_cast<TQRCustomReport *>(c))
                return report->Font()->Size();
        break;
    }
    return 10;
}

TUnitContext TQRUnitBase::Context() const
{
    TUnitContext c;
    c.Resolution = m_resolution;
    c.Zoom = m_zoom;
    c.FontSize = m_units == QRUnits::Characters ? FontSize() : 10;
    return c;
}

void TQRUnitBase::SetNativeValue(int index, double value)
{
    if (index < 0 || index >= m_native.size() || !std::isfinite(value))
        return;
    if (m_native[index] == value)
        return;
    m_native[index] = value;
    Q_EMIT Changed(index);
}

double TQRUnitBase::Value(int index) const
{
    return NativeToUnit(NativeValue(index), m_units, IsHorizontal(index), Context());
}

void TQRUnitBase::SetValue(int index, double value)
{
    SetNativeValue(index, UnitToNative(value, m_units, IsHorizontal(index), Context()));
}

void TQRUnitBase::Assign(const TPersistent *source)
{
    auto *s = qobject_cast<const TQRUnitBase *>(source);
    if (!s || s == this || s->m_native.size() != m_native.size())
        return TPersistent::Assign(source);
    m_native = s->m_native;
    Q_EMIT Changed(-1);
}

QStringList TQRUnitBase::DefinedPropertyNames() const
{
    return {QStringLiteral("Values")};
}

QVariant TQRUnitBase::DefinedProperty(const QString &name) const
{
    if (name.compare(QLatin1String("Values"), Qt::CaseInsensitive) != 0)
        return {};
    QVariantList list;
    for (double v : m_native)
        list.append(v);
    return list;
}

bool TQRUnitBase::SetDefinedProperty(const QString &name, const QVariant &value)
{
    if (name.compare(QLatin1String("Values"), Qt::CaseInsensitive) != 0 ||
        value.typeId() != QMetaType::QVariantList)
        return false;
    const QVariantList list = value.toList();
    QVector<double> values = m_native;
    // A shorter list (an older writer) fills what it has; extra values are ignored.
    for (int i = 0; i < list.size() && i < values.size(); ++i) {
        bool ok = false;
        const double v = list.at(i).toDouble(&ok);
        if (!ok || !std::isfinite(v))
            return false;
        values[i] = v;
    }
    m_native = values;
    ValuesRead();
    Q_EMIT Changed(-1);
    return true;
}

// --- sizes -------------------------------------------------------------------------

TQRBandSize::TQRBandSize(QObject *parent) : TQRUnitBase(parent, {false, true}) {}

TQRPrintableSize::TQRPrintableSize(QObject *parent) : TQRUnitBase(parent, {false, true, false, true}) {}

// --- TQRPage -------------------------------------------------------------------------

TQRPage::TQRPage(QObject *parent) : TQRUnitBase(parent, {false, false, false, true, true, true, true})
{
    const bool us = UsesUSMeasurement();
    const double margin = us ? 127 : 100; // half an inch, 10 mm
    m_native[BottomMarginIndex] = margin;
    m_native[TopMarginIndex] = margin;
    m_native[LeftMarginIndex] = margin;
    m_native[RightMarginIndex] = margin;
    SetPaperSize(us ? QRPaper::Letter : QRPaper::A4);
}

void TQRPage::SetLength(double v)
{
    if (m_paperSize == QRPaper::Custom)
        SetValue(LengthIndex, v);
}

void TQRPage::SetWidth(double v)
{
    if (m_paperSize == QRPaper::Custom)
        SetValue(WidthIndex, v);
}

void TQRPage::SetColumns(int v)
{
    if (v <= 0 || v == m_columns)
        return;
    m_columns = v;
    Q_EMIT LayoutChanged();
}

void TQRPage::SetOrientation(TPrinterOrientation v)
{
    if (v != QRPaper::poPortrait && v != QRPaper::poLandscape)
        return;
    m_orientation = v;
    SetPaperSize(m_paperSize);
}

void TQRPage::SetPaperSize(TQRPaperSize v)
{
    if (v < QRPaper::Default || v > QRPaper::Custom)
        return;
    double w = 0, l = 0;
    if (PaperSizeMM(v, &w, &l)) {
        SaveUnits(QRUnits::MM);
        m_paperSize = QRPaper::Custom;
        if (m_orientation == QRPaper::poLandscape)
            std::swap(w, l);
        SetWidth(w);
        SetLength(l);
        RestoreUnits();
    }
    m_paperSize = v;
    Q_EMIT LayoutChanged();
}

void TQRPage::SetRuler(bool v)
{
    if (v == m_ruler)
        return;
    m_ruler = v;
    Q_EMIT LayoutChanged();
}

void TQRPage::Assign(const TPersistent *source)
{
    auto *s = qobject_cast<const TQRPage *>(source);
    if (!s || s == this)
        return TQRUnitBase::Assign(source);
    m_native = s->m_native;
    m_columns = s->m_columns;
    m_orientation = s->m_orientation;
    m_paperSize = s->m_paperSize;
    m_ruler = s->m_ruler;
    Q_EMIT Changed(-1);
    Q_EMIT LayoutChanged();
}

void TQRPage::ValuesRead()
{
    Q_EMIT LayoutChanged();
}
