#pragma once

// The small settings dialogs of the label ("Text Settings") and expression
// ("Expression settings") elements. OK writes the values back.

#include "common/colors.h"

#include <QDialog>
#include <QFont>
#include <QPointer>

class QCheckBox;
class QDoubleSpinBox;
class QLineEdit;
class QPlainTextEdit;
class TQRCustomLabel;
class TQRExpr;

// Text, size and the autosize, stretch and transparent options of a label.
class TQRLabelSettingsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TQRLabelSettingsDialog(TQRCustomLabel *label, QWidget *parent = nullptr);
    // Writes the dialog's values into the element (what OK does).
    void Apply();

    QPlainTextEdit *TextEdit() const { return m_text; }
    QDoubleSpinBox *WidthEdit() const { return m_width; }
    QDoubleSpinBox *HeightEdit() const { return m_height; }
    QCheckBox *AutoSizeCheck() const { return m_autoSize; }
    QCheckBox *StretchCheck() const { return m_stretch; }
    QCheckBox *TransparentCheck() const { return m_transparent; }

private:
    QPointer<TQRCustomLabel> m_label;
    QPlainTextEdit *m_text;
    QDoubleSpinBox *m_width;
    QDoubleSpinBox *m_height;
    QCheckBox *m_autoSize;
    QCheckBox *m_stretch;
    QCheckBox *m_transparent;
};

// Expression, size, display mask, options, font and background of an expression element.
class TQRExprSettingsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TQRExprSettingsDialog(TQRExpr *element, QWidget *parent = nullptr);
    // Writes the dialog's values into the element (what OK does).
    void Apply();
    // "...": the run-time builder on the expression.
    void BuildExpression();
    // "Font ..." and "Background ...": the choice waits for OK.
    void ChooseFont();
    void ChooseBackground();
    void SetPendingFont(const QFont &font, TColor color);
    void SetPendingBackground(TColor color);

    QLineEdit *ExpressionEdit() const { return m_expression; }
    QDoubleSpinBox *WidthEdit() const { return m_width; }
    QDoubleSpinBox *HeightEdit() const { return m_height; }
    QLineEdit *MaskEdit() const { return m_mask; }
    QCheckBox *AutoSizeCheck() const { return m_autoSize; }
    QCheckBox *StretchCheck() const { return m_stretch; }
    QCheckBox *TransparentCheck() const { return m_transparent; }

private:
    QPointer<TQRExpr> m_element;
    QLineEdit *m_expression;
    QDoubleSpinBox *m_width;
    QDoubleSpinBox *m_height;
    QLineEdit *m_mask;
    QCheckBox *m_autoSize;
    QCheckBox *m_stretch;
    QCheckBox *m_transparent;
    bool m_fontChosen = false;
    QFont m_font;
    TColor m_fontColor = clBlack;
    bool m_backgroundChosen = false;
    TColor m_background = clWhite;
};
