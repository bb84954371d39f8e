#pragma once

// Size objects: geometry in native units (0.1 mm) shown in a display unit.
// Their float properties are not stored one by one; the extra property
// "Values" holds every value in native units in a fixed order.

#include "common/component.h"
#include "common/definedproperties.h"
#include "common/papersize.h"
#include "common/units.h"

#include <QList>
#include <QVector>

class TQRUnitBase : public TPersistent, public TDefinedProperties
{
    Q_OBJECT
public:
    // count values; horizontal[i] tells which ones are widths for Characters.
    TQRUnitBase(QObject *parent, QList<bool> horizontal);

    TQRUnit Units() const { return m_units; }
    virtual void SetUnits(TQRUnit units) { m_units = units; }
    // Switches to units temporarily; RestoreUnits returns to the saved unit.
    void SaveUnits(TQRUnit units);
    void RestoreUnits();
    double Resolution() const { return m_resolution; }
    double Zoom() const { return m_zoom; }
    void SetZoom(double percent);

    int ValueCount() const { return int(m_native.size()); }
    double NativeValue(int index) const { return m_native.value(index); }
    // Sets a native value and tells the holder.
    void SetNativeValue(int index, double value);
    // A value in the current unit.
    virtual double Value(int index) const;
    virtual void SetValue(int index, double value);
    bool IsHorizontal(int index) const { return m_horizontal.value(index); }

    TUnitContext Context() const;

    void Assign(const TPersistent *source) override;

    // "Values": the native values as a list of doubles, in index order.
    QStringList DefinedPropertyNames() const override;
    QVariant DefinedProperty(const QString &name) const override;
    bool SetDefinedProperty(const QString &name, const QVariant &value) override;

Q_SIGNALS:
    // A value changed (index), or every value (-1).
    void Changed(int index);

protected:
    // Report font size for Characters; the holder's report's font.
    virtual double FontSize() const;
    // Called after "Values" was read.
    virtual void ValuesRead() {}

    QVector<double> m_native;
    QList<bool> m_horizontal;
    TQRUnit m_units;
    TQRUnit m_savedUnits;
    double m_resolution;
    double m_zoom = 100;
};

class TQRBandSize : public TQRUnitBase
{
    Q_OBJECT
    Q_PROPERTY(double Height READ Height WRITE SetHeight STORED false)
    Q_PROPERTY(double Width READ Width WRITE SetWidth STORED false)
public:
    enum { HeightIndex, WidthIndex };
    explicit TQRBandSize(QObject *parent = nullptr);
    double Height() const { return Value(HeightIndex); }
    void SetHeight(double v) { SetValue(HeightIndex, v); }
    double Width() const { return Value(WidthIndex); }
    void SetWidth(double v) { SetValue(WidthIndex, v); }
};

class TQRPrintableSize : public TQRUnitBase
{
    Q_OBJECT
    Q_PROPERTY(double Height READ Height WRITE SetHeight STORED false)
    Q_PROPERTY(double Left READ Left WRITE SetLeft STORED false)
    Q_PROPERTY(double Top READ Top WRITE SetTop STORED false)
    Q_PROPERTY(double Width READ Width WRITE SetWidth STORED false)
public:
    enum { HeightIndex, LeftIndex, TopIndex, WidthIndex };
    explicit TQRPrintableSize(QObject *parent = nullptr);
    double Height() const { return Value(HeightIndex); }
    void SetHeight(double v) { SetValue(HeightIndex, v); }
    double Left() const { return Value(LeftIndex); }
    void SetLeft(double v) { SetValue(LeftIndex, v); }
    double Top() const { return Value(TopIndex); }
    void SetTop(double v) { SetValue(TopIndex, v); }
    double Width() const { return Value(WidthIndex); }
    void SetWidth(double v) { SetValue(WidthIndex, v); }
};

class TQRPage : public TQRUnitBase
{
    Q_OBJECT
    Q_PROPERTY(double BottomMargin READ BottomMargin WRITE SetBottomMargin STORED false)
    Q_PROPERTY(double Length READ Length WRITE SetLength STORED false)
    Q_PROPERTY(double TopMargin READ TopMargin WRITE SetTopMargin STORED false)
    Q_PROPERTY(double Width READ Width WRITE SetWidth STORED false)
    Q_PROPERTY(double LeftMargin READ LeftMargin WRITE SetLeftMargin STORED false)
    Q_PROPERTY(double RightMargin READ RightMargin WRITE SetRightMargin STORED false)
    Q_PROPERTY(double ColumnSpace READ ColumnSpace WRITE SetColumnSpace STORED false)
    Q_PROPERTY(int Columns READ Columns WRITE SetColumns)
    Q_PROPERTY(QRPaper::TPrinterOrientation Orientation READ Orientation WRITE SetOrientation)
    Q_PROPERTY(QRPaper::TQRPaperSize PaperSize READ PaperSize WRITE SetPaperSize)
    Q_PROPERTY(bool Ruler READ Ruler WRITE SetRuler)
    Q_CLASSINFO("Default:Columns", "1")
    Q_CLASSINFO("Default:Orientation", "poPortrait")
    Q_CLASSINFO("Default:Ruler", "True")

public:
    enum {
        BottomMarginIndex,
        LengthIndex,
        TopMarginIndex,
        WidthIndex,
        LeftMarginIndex,
        RightMarginIndex,
        ColumnSpaceIndex
    };
    // A4 with 10 mm margins in millimetres, or Letter with half-inch
    // margins in inches where the locale measures in U.S. units.
    explicit TQRPage(QObject *parent = nullptr);

    double BottomMargin() const { return Value(BottomMarginIndex); }
    void SetBottomMargin(double v) { SetValue(BottomMarginIndex, v); }
    double Length() const { return Value(LengthIndex); }
    // Ignored unless the paper size is Custom.
    void SetLength(double v);
    double TopMargin() const { return Value(TopMarginIndex); }
    void SetTopMargin(double v) { SetValue(TopMarginIndex, v); }
    double Width() const { return Value(WidthIndex); }
    // Ignored unless the paper size is Custom.
    void SetWidth(double v);
    double LeftMargin() const { return Value(LeftMarginIndex); }
    void SetLeftMargin(double v) { SetValue(LeftMarginIndex, v); }
    double RightMargin() const { return Value(RightMarginIndex); }
    void SetRightMargin(double v) { SetValue(RightMarginIndex, v); }
    double ColumnSpace() const { return Value(ColumnSpaceIndex); }
    void SetColumnSpace(double v) { SetValue(ColumnSpaceIndex, v); }

    int Columns() const { return m_columns; }
    // Values <= 0 and the current value are ignored.
    void SetColumns(int v);
    TPrinterOrientation Orientation() const { return m_orientation; }
    // Re-applies the paper size, which swaps width and length for landscape.
    void SetOrientation(TPrinterOrientation v);
    TQRPaperSize PaperSize() const { return m_paperSize; }
    // A standard size sets Width and Length from the paper table (swapped in
    // landscape); Default and Custom only store the value.
    void SetPaperSize(TQRPaperSize v);
    bool Ruler() const { return m_ruler; }
    void SetRuler(bool v);

    void Assign(const TPersistent *source) override;

Q_SIGNALS:
    // Columns, orientation, paper size or the ruler changed.
    void LayoutChanged();

protected:
    void ValuesRead() override;

private:
    int m_columns = 1;
    TPrinterOrientation m_orientation = QRPaper::poPortrait;
    TQRPaperSize m_paperSize = QRPaper::Default;
    bool m_ruler = true;
};
