#pragma once

// Printable elements and the label family. An element sits on a band or
// directly on the report panel; its native Size is authoritative and its
// pixel bounds follow from it at the panel's zoom. Changing the pixel bounds
// (outside loading) feeds them back into Size.

#include "common/definedproperties.h"
#include "engine/frame.h"
#include "engine/qrtypes.h"
#include "engine/unitbase.h"
#include "engine/visualcontrol.h"
#include "expressions/value.h"

#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>

class TQRCustomReport;
class TQRCustomBand;
class TQRBand;
class TQRPrinter;
class TQREvaluator;

class TQRPrintable : public TQRVisualControl
{
    Q_OBJECT
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(TQRFrame *Frame READ Frame CONSTANT)
    Q_PROPERTY(TQRPrintableSize *Size READ Size CONSTANT)
    Q_CLASSINFO("Default:Enabled", "True")

public:
    explicit TQRPrintable(TComponent *owner = nullptr);

    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool v) { m_enabled = v; }
    TQRFrame *Frame() const { return m_frame; }
    TQRPrintableSize *Size() const { return m_size; }

    QR::TAlignment Alignment() const { return m_alignment; }
    virtual void SetAlignment(QR::TAlignment a);
    bool AlignToBand() const { return m_alignToBand; }
    void SetAlignToBand(bool v);
    TColor Color() const { return m_color; }
    void SetColor(TColor c) { m_color = c; }

    // Whether the element's whole content has been printed (stretching elements).
    bool PrintComplete = true;
    bool Printing = false;
    // The page recorder during a run.
    TQRPrinter *ParentPrinter = nullptr;

    // The report the element belongs to: the nearest report up the parent chain.
    TQRCustomReport *OwningReport() const;
    TQRCustomBand *ParentBand() const;
    virtual bool IsPrintable() const { return true; }

    // Left-, right- or centre-aligns the element on its band when AlignToBand is set.
    virtual void AlignToParent();
    // Told by the parent band: operation 2 means the band was resized.
    virtual void ParentChanged(int operation);

    void SetElementZoom(int percent);
    // Pixel bounds from Size at the zoom.
    void UpdateBoundsFromSize();

    // --- run (elementsprint.cpp) ---
    // Before the first page: takes the report's recorder.
    virtual void PrepareForRun();
    // Draws the element with its band at (offsetX, offsetY), native units.
    virtual void PrintAt(double offsetX, double offsetY);
    virtual void FinishRun();
    // The report's current run draws on the canvas (false while exporting).
    bool RenderingToCanvas() const;

protected:
    void BoundsChanged() override;
    void Loaded() override;
    // Construction size in pixels at zoom 100.
    void SetInitialBounds(int width, int height);

    bool m_enabled = true;
    QR::TAlignment m_alignment = QR::taLeftJustify;
    bool m_alignToBand = false;
    TColor m_color = clWhite;

private:
    void sizeChanged(int index);
    int pixels(int index) const;

    TQRFrame *m_frame;
    TQRPrintableSize *m_size;
    int m_syncing = 0;
    int m_aligning = 0;
    QRect m_storedBounds; // pixel bounds read while loading
    bool m_hasStoredBounds = false;
};

// Text elements. Each class publishes its own selection of the properties.
class TQRCustomLabel : public TQRPrintable, public TDefinedProperties
{
    Q_OBJECT
public:
    explicit TQRCustomLabel(TComponent *owner = nullptr);

    std::function<void(QObject *sender, QString &value)> OnPrint;

    bool AutoSize() const { return m_autoSize; }
    void SetAutoSize(bool v) { m_autoSize = v; }
    bool AutoStretch() const { return m_autoStretch; }
    void SetAutoStretch(bool v) { m_autoStretch = v; }
    QR::TBiDiMode BiDiMode() const { return m_biDiMode; }
    void SetBiDiMode(QR::TBiDiMode v) { m_biDiMode = v; }
    bool ParentBiDiMode() const { return m_parentBiDiMode; }
    void SetParentBiDiMode(bool v) { m_parentBiDiMode = v; }
    QString Caption() const { return m_caption; }
    // Sets OutputText as well.
    void SetCaption(const QString &c)
    {
        m_caption = c;
        OutputText = c;
        Formatted = false;
    }
    TFont *Font() const { return m_font; }
    bool ParentFont() const { return m_parentFont; }
    void SetParentFont(bool v);
    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool v) { m_transparent = v; }
    bool WordWrap() const { return m_wordWrap; }
    void SetWordWrap(bool v) { m_wordWrap = v; }
    QStringList Lines() const { return m_lines; }
    void SetLines(const QStringList &l)
    {
        m_lines = l;
        Formatted = false;
    }

    // Whether the printed text is the caption.
    virtual bool IsCaptionBased() const { return false; }

    // --- run (labelprint.cpp) ---
    QString OutputText;
    // The display format a printed number was formatted with (the element's mask or its field's
    // display format); export filters hand it on with the number. Empty for other texts.
    QString NumberFormat;
    QStringList WrappedLines;
    int NextLine = 0;
    bool Formatted = false;
    // Wraps the text into WrappedLines; AutoSize resizes the element to the widest line.
    virtual void FormatLines();
    void PrintAt(double offsetX, double offsetY) override;
    // Text width and line height in pixels, as wrapping measures them.
    int TextWidth(const QString &text) const;
    int LineHeightPixels() const;
    // The height of one printed line in native units; the same at every zoom.
    double LineHeightNative() const;

    TFont *ControlFont() const override { return m_font; }
    void ParentFontChanged() override;

    // "FontSize": the font size in points, applied after loading when > 0.
    QStringList DefinedPropertyNames() const override;
    QVariant DefinedProperty(const QString &name) const override;
    bool SetDefinedProperty(const QString &name, const QVariant &value) override;

protected:
    void Loaded() override;

private:
    void fontChanged();

    bool m_autoSize = true;
    bool m_autoStretch = false;
    QR::TBiDiMode m_biDiMode = QR::bdLeftToRight;
    bool m_parentBiDiMode = true;
    QString m_caption;
    TFont *m_font;
    bool m_parentFont = true;
    bool m_transparent = false;
    bool m_wordWrap = true;
    QStringList m_lines;
    double m_stretched = 0;
    bool m_firstExpansionDone = false;
    bool m_resizing = false;
    void wrapText(const QString &text);
    void wrapParagraph(const QString &text);
    int m_syncing = 0;
    int m_loadedFontSize = 0;
};

class TQRLabel : public TQRCustomLabel
{
    Q_OBJECT
    Q_PROPERTY(QR::TAlignment Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(bool AlignToBand READ AlignToBand WRITE SetAlignToBand)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(bool AutoStretch READ AutoStretch WRITE SetAutoStretch)
    Q_PROPERTY(QR::TBiDiMode BiDiMode READ BiDiMode WRITE SetBiDiMode)
    Q_PROPERTY(bool ParentBiDiMode READ ParentBiDiMode WRITE SetParentBiDiMode)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(TColor Color READ Color WRITE SetColor)
    Q_PROPERTY(TFont *Font READ Font CONSTANT)
    Q_PROPERTY(bool ParentFont READ ParentFont WRITE SetParentFont)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)
    Q_CLASSINFO("Default:Alignment", "taLeftJustify")
    Q_CLASSINFO("Default:AlignToBand", "False")
    Q_CLASSINFO("Default:AutoSize", "True")
    Q_CLASSINFO("Default:AutoStretch", "False")
    Q_CLASSINFO("Default:BiDiMode", "bdLeftToRight")
    Q_CLASSINFO("Default:ParentBiDiMode", "True")
    Q_CLASSINFO("Default:Color", "clWindow")
    Q_CLASSINFO("Default:ParentFont", "True")
    Q_CLASSINFO("Default:Transparent", "False")
    Q_CLASSINFO("Default:WordWrap", "True")
public:
    Q_INVOKABLE explicit TQRLabel(TComponent *owner = nullptr);
    bool IsCaptionBased() const override { return true; }

protected:
    // A caption that is empty or equal to the old name follows a rename.
    void ValidateRename(const QString &oldName, const QString &newName) override;
};

class TQRMemo : public TQRCustomLabel
{
    Q_OBJECT
    Q_PROPERTY(QR::TAlignment Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(bool AlignToBand READ AlignToBand WRITE SetAlignToBand)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(bool AutoStretch READ AutoStretch WRITE SetAutoStretch)
    Q_PROPERTY(QR::TBiDiMode BiDiMode READ BiDiMode WRITE SetBiDiMode)
    Q_PROPERTY(bool ParentBiDiMode READ ParentBiDiMode WRITE SetParentBiDiMode)
    Q_PROPERTY(TColor Color READ Color WRITE SetColor)
    Q_PROPERTY(TFont *Font READ Font CONSTANT)
    Q_PROPERTY(QStringList Lines READ Lines WRITE SetLines)
    Q_PROPERTY(bool ParentFont READ ParentFont WRITE SetParentFont)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)
    Q_CLASSINFO("Default:Alignment", "taLeftJustify")
    Q_CLASSINFO("Default:AlignToBand", "False")
    Q_CLASSINFO("Default:AutoSize", "True")
    Q_CLASSINFO("Default:AutoStretch", "False")
    Q_CLASSINFO("Default:BiDiMode", "bdLeftToRight")
    Q_CLASSINFO("Default:ParentBiDiMode", "True")
    Q_CLASSINFO("Default:Color", "clWindow")
    Q_CLASSINFO("Default:ParentFont", "True")
    Q_CLASSINFO("Default:Transparent", "False")
    Q_CLASSINFO("Default:WordWrap", "True")
public:
    Q_INVOKABLE explicit TQRMemo(TComponent *owner = nullptr);
    void PrintAt(double offsetX, double offsetY) override;
};

class TQRDBText : public TQRCustomLabel
{
    Q_OBJECT
    Q_PROPERTY(QR::TAlignment Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(bool AlignToBand READ AlignToBand WRITE SetAlignToBand)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(bool AutoStretch READ AutoStretch WRITE SetAutoStretch)
    Q_PROPERTY(QR::TBiDiMode BiDiMode READ BiDiMode WRITE SetBiDiMode)
    Q_PROPERTY(bool ParentBiDiMode READ ParentBiDiMode WRITE SetParentBiDiMode)
    Q_PROPERTY(TColor Color READ Color WRITE SetColor)
    Q_PROPERTY(TComponent *DataSet READ DataSet WRITE SetDataSet)
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(TFont *Font READ Font CONSTANT)
    Q_PROPERTY(QString Mask READ Mask WRITE SetMask)
    Q_PROPERTY(bool ParentFont READ ParentFont WRITE SetParentFont)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)
    Q_CLASSINFO("Default:Alignment", "taLeftJustify")
    Q_CLASSINFO("Default:AlignToBand", "False")
    Q_CLASSINFO("Default:AutoSize", "True")
    Q_CLASSINFO("Default:AutoStretch", "False")
    Q_CLASSINFO("Default:BiDiMode", "bdLeftToRight")
    Q_CLASSINFO("Default:ParentBiDiMode", "True")
    Q_CLASSINFO("Default:Color", "clWindow")
    Q_CLASSINFO("Default:ParentFont", "True")
    Q_CLASSINFO("Default:Transparent", "False")
    Q_CLASSINFO("Default:WordWrap", "True")
public:
    Q_INVOKABLE explicit TQRDBText(TComponent *owner = nullptr);
    // A dataset component (a TDataSet); other components are refused.
    TComponent *DataSet() const { return m_dataSet; }
    void SetDataSet(TComponent *dataSet);
    QString DataField() const { return m_dataField; }
    // Shown as the caption as well.
    void SetDataField(const QString &f)
    {
        m_dataField = f;
        SetCaption(f);
    }
    QString Mask() const { return m_mask; }
    void SetMask(const QString &m) { m_mask = m; }

    bool IsCaptionBased() const override { return !m_linesBased; }
    void PrepareForRun() override;
    void PrintAt(double offsetX, double offsetY) override;
    void FinishRun() override;

protected:
    void Notification(TComponent *component, TOperation operation) override;

private:
    QPointer<QObject> m_field; // guarded: reopening a dataset makes its fields anew
    int m_fieldIndex = -1;
    bool m_linesBased = false;
    TComponent *m_dataSet = nullptr;
    QString m_dataField;
    QString m_mask;
};

class TQRExpr : public TQRCustomLabel
{
    Q_OBJECT
    Q_PROPERTY(QR::TAlignment Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(bool AlignToBand READ AlignToBand WRITE SetAlignToBand)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(bool AutoStretch READ AutoStretch WRITE SetAutoStretch)
    Q_PROPERTY(QR::TBiDiMode BiDiMode READ BiDiMode WRITE SetBiDiMode)
    Q_PROPERTY(bool ParentBiDiMode READ ParentBiDiMode WRITE SetParentBiDiMode)
    Q_PROPERTY(TColor Color READ Color WRITE SetColor)
    Q_PROPERTY(TFont *Font READ Font CONSTANT)
    Q_PROPERTY(TComponent *Master READ Master WRITE SetMaster)
    Q_PROPERTY(bool ParentFont READ ParentFont WRITE SetParentFont)
    Q_PROPERTY(bool ResetAfterPrint READ ResetAfterPrint WRITE SetResetAfterPrint)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)
    Q_PROPERTY(QString Expression READ Expression WRITE SetExpression)
    Q_PROPERTY(QString Mask READ Mask WRITE SetMask)
    Q_CLASSINFO("Default:Alignment", "taLeftJustify")
    Q_CLASSINFO("Default:AlignToBand", "False")
    Q_CLASSINFO("Default:AutoSize", "True")
    Q_CLASSINFO("Default:AutoStretch", "False")
    Q_CLASSINFO("Default:BiDiMode", "bdLeftToRight")
    Q_CLASSINFO("Default:ParentBiDiMode", "True")
    Q_CLASSINFO("Default:Color", "clWindow")
    Q_CLASSINFO("Default:ParentFont", "True")
    Q_CLASSINFO("Default:ResetAfterPrint", "False")
    Q_CLASSINFO("Default:Transparent", "False")
    Q_CLASSINFO("Default:WordWrap", "True")
public:
    Q_INVOKABLE explicit TQRExpr(TComponent *owner = nullptr);
    TComponent *Master() const { return m_master; }
    void SetMaster(TComponent *m);
    bool ResetAfterPrint() const { return m_resetAfterPrint; }
    void SetResetAfterPrint(bool v) { m_resetAfterPrint = v; }
    QString Expression() const { return m_expression; }
    void SetExpression(const QString &e) { m_expression = e; }
    QString Mask() const { return m_mask; }
    void SetMask(const QString &m) { m_mask = m; }

    bool IsCaptionBased() const override { return true; }
    void PrepareForRun() override;
    void PrintAt(double offsetX, double offsetY) override;
    void FinishRun() override;
    // Operation 0: a detail was reached, the aggregates accumulate.
    void ParentChanged(int operation) override;
    // The current value of the expression.
    TQREvValue Value();
    // A value as the element prints it, through the display mask.
    QString ValueText(const TQREvValue &v) const;
    TQREvaluator *Evaluator() const { return m_evaluator.get(); }

protected:
    // The expression compiled at PrepareForRun.
    virtual QString RunExpression() const { return m_expression; }
    void Notification(TComponent *component, TOperation operation) override;
    std::shared_ptr<TQREvaluator> m_evaluator;

private:
    TComponent *m_master = nullptr;
    bool m_resetAfterPrint = false;
    QString m_expression;
    QString m_mask;
};

class TQRDBCalc : public TQRExpr
{
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(TComponent *DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(QR::TQRCalcOperation Operation READ Operation WRITE SetOperation)
    Q_PROPERTY(QString PrintMask READ PrintMask WRITE SetPrintMask)
    Q_PROPERTY(TQRBand *ResetBand READ ResetBand WRITE SetResetBand)
    Q_CLASSINFO("Default:Operation", "qrcSum")
public:
    Q_INVOKABLE explicit TQRDBCalc(TComponent *owner = nullptr);
    QString DataField() const { return m_dataField; }
    void SetDataField(const QString &f) { m_dataField = f; }
    // A data source component (a TDataSource); other components are refused.
    TComponent *DataSource() const { return m_dataSource; }
    void SetDataSource(TComponent *source);
    QR::TQRCalcOperation Operation() const { return m_operation; }
    void SetOperation(QR::TQRCalcOperation o) { m_operation = o; }
    // The display mask under another name.
    QString PrintMask() const { return Mask(); }
    void SetPrintMask(const QString &m) { SetMask(m); }
    TQRBand *ResetBand() const { return m_resetBand; }
    void SetResetBand(TQRBand *band);

protected:
    QString RunExpression() const override;
    void Notification(TComponent *component, TOperation operation) override;

private:
    QString m_dataField;
    TComponent *m_dataSource = nullptr;
    QR::TQRCalcOperation m_operation = QR::qrcSum;
    TQRBand *m_resetBand = nullptr;
};

class TQRSysData : public TQRCustomLabel
{
    Q_OBJECT
    Q_PROPERTY(QR::TAlignment Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(bool AlignToBand READ AlignToBand WRITE SetAlignToBand)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(QR::TBiDiMode BiDiMode READ BiDiMode WRITE SetBiDiMode)
    Q_PROPERTY(bool ParentBiDiMode READ ParentBiDiMode WRITE SetParentBiDiMode)
    Q_PROPERTY(TColor Color READ Color WRITE SetColor)
    Q_PROPERTY(QR::TQRSysDataType Data READ Data WRITE SetData)
    Q_PROPERTY(TFont *Font READ Font CONSTANT)
    Q_PROPERTY(bool ParentFont READ ParentFont WRITE SetParentFont)
    Q_PROPERTY(QString Text READ Text WRITE SetText)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_CLASSINFO("Default:Alignment", "taLeftJustify")
    Q_CLASSINFO("Default:AlignToBand", "False")
    Q_CLASSINFO("Default:AutoSize", "True")
    Q_CLASSINFO("Default:BiDiMode", "bdLeftToRight")
    Q_CLASSINFO("Default:ParentBiDiMode", "True")
    Q_CLASSINFO("Default:Color", "clWindow")
    Q_CLASSINFO("Default:ParentFont", "True")
    Q_CLASSINFO("Default:Transparent", "False")
public:
    Q_INVOKABLE explicit TQRSysData(TComponent *owner = nullptr);
    QR::TQRSysDataType Data() const { return m_data; }
    void SetData(QR::TQRSysDataType d) { m_data = d; }
    QString Text() const { return m_text; }
    void SetText(const QString &t) { m_text = t; }
    bool IsCaptionBased() const override { return true; }
    void PrintAt(double offsetX, double offsetY) override;

private:
    QR::TQRSysDataType m_data = QR::qrsTime;
    QString m_text;
};

// True when component is of the named data class (matched by class name, so
// that the model needs no link to the data library).
bool IsDataSetComponent(const TComponent *component);
bool IsDataSourceComponent(const TComponent *component);
