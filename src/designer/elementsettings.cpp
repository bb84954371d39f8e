#include "designer/elementsettings.h"

#include "common/graphics.h"
#include "designer/expressionbuilder.h"
#include "engine/printable.h"
#include "engine/report.h"
#include "engine/unitbase.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDoubleSpinBox>
#include <QFontDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{

QDoubleSpinBox *sizeEdit(QWidget *parent, double value)
{
    auto *edit = new QDoubleSpinBox(parent);
    edit->setRange(0, 100000);
    edit->setDecimals(2);
    edit->setValue(value);
    return edit;
}

QCheckBox *check(QWidget *parent, const QString &caption, bool on)
{
    auto *box = new QCheckBox(caption, parent);
    box->setChecked(on);
    return box;
}

QHBoxLayout *okCancel(QDialog *dialog, const std::function<void()> &apply)
{
    auto *row = new QHBoxLayout;
    row->addStretch();
    auto *ok = new QPushButton(QStringLiteral("OK"), dialog);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, dialog, [dialog, apply] {
        apply();
        dialog->accept();
    });
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), dialog);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

// Width and height in the element's display unit.
void writeSize(TQRPrintable *element, double width, double height)
{
    TQRPrintableSize *size = element->Size();
    size->SetValue(TQRPrintableSize::WidthIndex, width);
    size->SetValue(TQRPrintableSize::HeightIndex, height);
}

} // namespace

TQRLabelSettingsDialog::TQRLabelSettingsDialog(TQRCustomLabel *label, QWidget *parent)
    : QDialog(parent), m_label(label)
{
    setWindowTitle(QStringLiteral("Text Settings"));
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    m_text = new QPlainTextEdit(this);
    m_text->setPlainText(label->Caption());
    TQRPrintableSize *size = label->Size();
    m_width = sizeEdit(this, size->Value(TQRPrintableSize::WidthIndex));
    m_height = sizeEdit(this, size->Value(TQRPrintableSize::HeightIndex));
    form->addRow(QStringLiteral("Text :"), m_text);
    form->addRow(QStringLiteral("Width :"), m_width);
    form->addRow(QStringLiteral("Height :"), m_height);
    layout->addLayout(form);
    m_autoSize = check(this, QStringLiteral("Autosize"), label->AutoSize());
    m_stretch = check(this, QStringLiteral("Autostretch"), label->AutoStretch());
    m_transparent = check(this, QStringLiteral("Transparent"), label->Transparent());
    layout->addWidget(m_autoSize);
    layout->addWidget(m_stretch);
    layout->addWidget(m_transparent);
    layout->addLayout(okCancel(this, [this] { Apply(); }));
}

void TQRLabelSettingsDialog::Apply()
{
    if (!m_label)
        return;
    m_label->SetCaption(m_text->toPlainText());
    m_label->SetAutoSize(m_autoSize->isChecked());
    m_label->SetAutoStretch(m_stretch->isChecked());
    m_label->SetTransparent(m_transparent->isChecked());
    writeSize(m_label, m_width->value(), m_height->value());
}

TQRExprSettingsDialog::TQRExprSettingsDialog(TQRExpr *element, QWidget *parent)
    : QDialog(parent), m_element(element)
{
    setWindowTitle(QStringLiteral("Expression settings"));
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    auto *expressionRow = new QHBoxLayout;
    m_expression = new QLineEdit(element->Expression(), this);
    auto *more = new QPushButton(QStringLiteral("..."), this);
    more->setMaximumWidth(28);
    connect(more, &QPushButton::clicked, this, &TQRExprSettingsDialog::BuildExpression);
    expressionRow->addWidget(m_expression);
    expressionRow->addWidget(more);
    TQRPrintableSize *size = element->Size();
    m_width = sizeEdit(this, size->Value(TQRPrintableSize::WidthIndex));
    m_height = sizeEdit(this, size->Value(TQRPrintableSize::HeightIndex));
    m_mask = new QLineEdit(element->Mask(), this);
    form->addRow(QStringLiteral("Expression :"), expressionRow);
    form->addRow(QStringLiteral("Width :"), m_width);
    form->addRow(QStringLiteral("Height :"), m_height);
    form->addRow(QStringLiteral("Mask :"), m_mask);
    layout->addLayout(form);
    m_autoSize = check(this, QStringLiteral("Autosize"), element->AutoSize());
    m_stretch = check(this, QStringLiteral("Autostretch"), element->AutoStretch());
    m_transparent = check(this, QStringLiteral("Transparent"), element->Transparent());
    layout->addWidget(m_autoSize);
    layout->addWidget(m_stretch);
    layout->addWidget(m_transparent);
    auto *looks = new QHBoxLayout;
    auto *font = new QPushButton(QStringLiteral("Font ..."), this);
    connect(font, &QPushButton::clicked, this, &TQRExprSettingsDialog::ChooseFont);
    auto *background = new QPushButton(QStringLiteral("Background ..."), this);
    connect(background, &QPushButton::clicked, this, &TQRExprSettingsDialog::ChooseBackground);
    looks->addWidget(font);
    looks->addWidget(background);
    looks->addStretch();
    layout->addLayout(looks);
    layout->addLayout(okCancel(this, [this] { Apply(); }));
}

void TQRExprSettingsDialog::BuildExpression()
{
    TQRExpressionBuilder builder(this);
    TQRCustomReport *report = m_element ? m_element->OwningReport() : nullptr;
    builder.Setup(QString(), m_expression->text(), m_element, report ? report->Functions() : nullptr);
    if (builder.Execute())
        m_expression->setText(builder.Expression());
}

void TQRExprSettingsDialog::ChooseFont()
{
    if (!m_element)
        return;
    bool ok = false;
    const QFont chosen =
        QFontDialog::getFont(&ok, m_fontChosen ? m_font : m_element->Font()->ToQFont(96), this);
    if (ok)
        SetPendingFont(chosen, m_fontChosen ? m_fontColor : m_element->Font()->Color());
}

void TQRExprSettingsDialog::ChooseBackground()
{
    if (!m_element)
        return;
    const QColor chosen =
        QColorDialog::getColor(ToQColor(m_backgroundChosen ? m_background : m_element->Color()), this);
    if (chosen.isValid())
        SetPendingBackground(FromQColor(chosen));
}

void TQRExprSettingsDialog::SetPendingFont(const QFont &font, TColor color)
{
    m_fontChosen = true;
    m_font = font;
    m_fontColor = color;
}

void TQRExprSettingsDialog::SetPendingBackground(TColor color)
{
    m_backgroundChosen = true;
    m_background = color;
}

void TQRExprSettingsDialog::Apply()
{
    if (!m_element)
        return;
    m_element->SetExpression(m_expression->text());
    m_element->SetMask(m_mask->text());
    m_element->SetAutoSize(m_autoSize->isChecked());
    m_element->SetAutoStretch(m_stretch->isChecked());
    m_element->SetTransparent(m_transparent->isChecked());
    writeSize(m_element, m_width->value(), m_height->value());
    if (m_fontChosen) {
        TFont *font = m_element->Font();
        font->SetName(m_font.family());
        if (m_font.pointSize() > 0)
            font->SetSize(m_font.pointSize());
        TFont::TFontStyles style;
        style.setFlag(TFont::fsBold, m_font.bold());
        style.setFlag(TFont::fsItalic, m_font.italic());
        style.setFlag(TFont::fsUnderline, m_font.underline());
        style.setFlag(TFont::fsStrikeOut, m_font.strikeOut());
        font->SetStyle(style);
        font->SetColor(m_fontColor);
        m_element->SetParentFont(false);
    }
    if (m_backgroundChosen)
        m_element->SetColor(m_background);
}
