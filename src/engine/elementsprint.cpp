// Elements at run time: preparation, the content of field, expression and
// system-data elements, shapes and pictures, and band growth.

#include "common/datetimeformat.h"
#include "common/units.h"
#include "data/dataset.h"
#include "data/field.h"
#include "engine/band.h"
#include "engine/controller.h"
#include "engine/elements.h"
#include "engine/printable.h"
#include "engine/report.h"
#include "expressions/evaluator.h"
#include "expressions/numericmask.h"
#include "output/pages/qrprinter.h"

#include <QPainter>
#include <cmath>

namespace
{
QRect deviceRect(const TQRPrinter *p, double left, double top, double width, double height)
{
    const int l = p->XPos(left), t = p->YPos(top);
    return QRect(l, t, p->XPos(left + width) - l, p->YPos(top + height) - t);
}

struct Box {
    double left, top, width, height;
};

Box elementBox(const TQRPrintable *e, double offsetX, double offsetY)
{
    const TQRPrintableSize *s = e->Size();
    return {offsetX + s->NativeValue(TQRPrintableSize::LeftIndex),
            offsetY + s->NativeValue(TQRPrintableSize::TopIndex),
            s->NativeValue(TQRPrintableSize::WidthIndex), s->NativeValue(TQRPrintableSize::HeightIndex)};
}

TField *findField(TComponent *dataSet, const QString &name)
{
    auto *ds = qobject_cast<TDataSet *>(dataSet);
    if (!ds || !ds->Active() || name.isEmpty())
        return nullptr;
    return ds->FindField(name);
}

bool isMemoType(TFieldType t)
{
    return t == ftMemo || t == ftFmtMemo;
}

// The lines of a memo, split at CR LF, LF or CR; empty lines are kept.
QStringList memoLines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines.append(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < n && text[i + 1] == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    lines.append(text.mid(start));
    return lines;
}

QString numericText(const QString &mask, double value)
{
    QString text;
    if (!QRFormatNumeric(mask, value, text))
        text = QREvFloatToText(value);
    return text;
}

// Draws a picture at its natural size (at screen resolution), clipped to r.
void drawNatural(QPainter *canvas, const TQRPrinter *printer, const QImage &image, const QRect &r,
                 bool center, double width, double height)
{
    const double ppi = ScreenPixelsPerInch();
    const int w = int(std::lround(image.width() / ppi * 254 * printer->XFactor()));
    const int h = int(std::lround(image.height() / ppi * 254 * printer->YFactor()));
    QRect target(r.topLeft(), QSize(w, h));
    if (center)
        target.translate((printer->XSize(width) - w) / 2, (printer->YSize(height) - h) / 2);
    canvas->save();
    canvas->setClipRect(r);
    canvas->drawImage(target, image);
    canvas->restore();
}
} // namespace

// --- band growth ---------------------------------------------------------------------------

bool TQRCustomBand::HasRoomToGrow(double h) const
{
    TQRCustomReport *report = ParentReport();
    if (!report)
        return false;
    return report->RemainingSpace() >=
           std::lround(h + m_size->NativeValue(TQRBandSize::HeightIndex) + Stretch);
}

double TQRCustomBand::GrowBand(double h, bool &firstExpansionDone)
{
    if (firstExpansionDone || h >= Stretch)
        Stretch += h;
    firstExpansionDone = true;
    return Stretch;
}

// --- TQRPrintable ------------------------------------------------------------------------------

bool TQRPrintable::RenderingToCanvas() const
{
    TQRCustomReport *report = OwningReport();
    return !report || report->RenderToCanvas;
}

void TQRPrintable::PrepareForRun()
{
    Printing = true;
    PrintComplete = true;
    TQRCustomReport *report = OwningReport();
    ParentPrinter = report ? report->RunPrinter() : nullptr;
}

void TQRPrintable::PrintAt(double offsetX, double offsetY)
{
    TQRPrinter *printer = ParentPrinter;
    if (!printer || !printer->Canvas() || !RenderingToCanvas() || !m_frame->AnyFrame())
        return;
    const Box b = elementBox(this, offsetX, offsetY);
    m_frame->PaintIt(printer->Canvas(), deviceRect(printer, b.left, b.top, b.width, b.height),
                     printer->XFactor(), printer->YFactor());
}

void TQRPrintable::FinishRun()
{
    Printing = false;
    ParentPrinter = nullptr;
}

// --- TQRMemo ---------------------------------------------------------------------------------------

void TQRMemo::PrintAt(double offsetX, double offsetY)
{
    // The lines are printed, never the caption; afterwards the designer shows the name.
    OutputText.clear();
    TQRCustomLabel::PrintAt(offsetX, offsetY);
    SetCaption(Name());
}

// --- TQRDBText ---------------------------------------------------------------------------------

void TQRDBText::PrepareForRun()
{
    TQRCustomLabel::PrepareForRun();
    m_field = nullptr;
    m_fieldIndex = -1;
    m_linesBased = false;
    if (TField *f = findField(m_dataSet, m_dataField)) {
        m_field = f;
        m_fieldIndex = f->Index();
        m_linesBased = isMemoType(f->DataType()) || f->IsBlob();
    }
}

void TQRDBText::PrintAt(double offsetX, double offsetY)
{
    auto *ds = qobject_cast<TDataSet *>(m_dataSet);
    TField *field = qobject_cast<TField *>(m_field.data());
    // Automatically created fields are made anew by every Open.
    if (ds && ds->Active() && ds->DefaultFields() && m_fieldIndex >= 0 && m_fieldIndex < ds->FieldCount())
        field = ds->Fields(m_fieldIndex);
    if (!field && ds && ds->Active()) {
        field = findField(ds, m_dataField);
        if (field) {
            m_fieldIndex = field->Index();
            m_linesBased = isMemoType(field->DataType()) || field->IsBlob();
        }
    }
    m_field = field;
    NumberFormat.clear();
    try {
        if (!field || !ds || !ds->Active()) {
            OutputText.clear();
        } else if (m_linesBased) {
            SetLines(memoLines(field->AsString()));
        } else {
            const TFieldType type = field->DataType();
            const bool isString = type == ftString || type == ftFixedChar || type == ftWideString;
            if (m_mask.isEmpty() || isString) {
                OutputText = field->IsBlob() ? field->AsString() : field->DisplayText();
                if (auto *numeric = qobject_cast<TNumericField *>(field))
                    NumberFormat = numeric->DisplayFormat();
            } else if (field->IsNull()) {
                OutputText.clear();
            } else {
                switch (type) {
                case ftSmallint:
                case ftInteger:
                case ftWord:
                case ftLargeint:
                case ftAutoInc:
                    OutputText = numericText(m_mask, double(field->AsInteger()));
                    NumberFormat = m_mask;
                    break;
                case ftFloat:
                case ftCurrency:
                case ftBCD:
                    OutputText = numericText(m_mask, field->AsFloat());
                    NumberFormat = m_mask;
                    break;
                case ftDate:
                case ftTime:
                case ftDateTime:
                    OutputText = QRFormatDateTime(m_mask, field->AsDateTime());
                    break;
                default:
                    // Other kinds show their display text.
                    OutputText = field->DisplayText();
                    break;
                }
            }
        }
    } catch (...) {
        OutputText.clear();
    }
    Formatted = false;
    TQRCustomLabel::PrintAt(offsetX, offsetY);
}

void TQRDBText::FinishRun()
{
    TQRCustomLabel::FinishRun();
    m_field = nullptr;
    m_fieldIndex = -1;
    SetCaption(m_dataField.isEmpty() ? Name() : m_dataField);
}

// --- TQRExpr ----------------------------------------------------------------------------------------

void TQRExpr::PrepareForRun()
{
    TQRCustomLabel::PrepareForRun();
    TQRCustomReport *report = OwningReport();
    m_evaluator = std::make_shared<TQREvaluator>();
    if (report) {
        m_evaluator->SetDatasets(&report->RunDataSets);
        m_evaluator->SetEnvironment(report->Functions());
    }
    m_evaluator->Compile(RunExpression());
    if (auto *masterReport = qobject_cast<TQRCustomReport *>(m_master)) {
        masterReport->AddNotifyExpression(this);
    } else if (auto *sub = qobject_cast<TQRSubDetail *>(m_master)) {
        if (TQRController *c = sub->SubController(); c && !c->NotifyList.contains(this))
            c->NotifyList.append(this);
    } else if (!m_master && report && m_evaluator->HasAggregates()) {
        report->AddNotifyExpression(this);
    }
    m_evaluator->ResetAggregates();
}

void TQRExpr::ParentChanged(int operation)
{
    if (operation == 0) {
        if (m_evaluator && m_evaluator->Prepared())
            m_evaluator->Accumulate();
        return;
    }
    TQRCustomLabel::ParentChanged(operation);
}

TQREvValue TQRExpr::Value()
{
    if (!m_evaluator || !m_evaluator->Prepared())
        return TQREvValue::Error(QStringLiteral("Evaluator not prepared"));
    return m_evaluator->Compute();
}

QString TQRExpr::ValueText(const TQREvValue &v) const
{
    switch (v.ValueKind) {
    case rkInteger:
        return numericText(m_mask, double(v.IntValue));
    case rkFloat:
        return numericText(m_mask, v.FloatValue);
    case rkString:
    case rkError:
        return v.Text;
    case rkBoolean:
        return v.BoolValue ? QStringLiteral("True") : QStringLiteral("False");
    }
    return QString();
}

void TQRExpr::PrintAt(double offsetX, double offsetY)
{
    const TQREvValue value = Value();
    OutputText = ValueText(value);
    NumberFormat = value.ValueKind == rkInteger || value.ValueKind == rkFloat ? m_mask : QString();
    Formatted = false;
    TQRCustomLabel::PrintAt(offsetX, offsetY);
    if (m_resetAfterPrint && m_evaluator && m_evaluator->Prepared())
        m_evaluator->ResetAggregates();
}

void TQRExpr::FinishRun()
{
    if (m_evaluator)
        m_evaluator->Discard();
    m_evaluator.reset();
    TQRCustomLabel::FinishRun();
}

QString TQRDBCalc::RunExpression() const
{
    switch (m_operation) {
    case QR::qrcSum:
        return QStringLiteral("Sum(") + m_dataField + QLatin1Char(')');
    case QR::qrcCount:
        return QStringLiteral("Count");
    case QR::qrcMax:
        return QStringLiteral("Max(") + m_dataField + QLatin1Char(')');
    case QR::qrcMin:
        return QStringLiteral("Min(") + m_dataField + QLatin1Char(')');
    case QR::qrcAverage:
        return QStringLiteral("Average(") + m_dataField + QLatin1Char(')');
    }
    return QString();
}

// --- TQRSysData ---------------------------------------------------------------------------------

void TQRSysData::PrintAt(double offsetX, double offsetY)
{
    TQRCustomReport *report = OwningReport();
    const QDateTime now = QDateTime::currentDateTime();
    QString value;
    bool set = true;
    switch (m_data) {
    case QR::qrsTime:
        value = QRFormatDateTime(QStringLiteral("t"), now);
        break;
    case QR::qrsDate:
        value = QRFormatDateTime(QStringLiteral("c"), QDateTime(now.date(), QTime(0, 0)));
        break;
    case QR::qrsDateTime:
        value = QRFormatDateTime(QStringLiteral("c"), now);
        break;
    case QR::qrsPageNumber:
        value = QString::number(report ? report->PageNo : 0);
        break;
    case QR::qrsReportTitle:
        value = report ? report->ReportTitle() : QString();
        break;
    case QR::qrsDetailCount:
        set = qobject_cast<TQRReport *>(report) != nullptr;
        if (set)
            value = QString::number(report->Controller()->RecordCount());
        break;
    case QR::qrsDetailNo:
        set = qobject_cast<TQRReport *>(report) != nullptr;
        if (set)
            value = QString::number(report->Controller()->DetailNo);
        break;
    }
    if (set) {
        OutputText = m_text + value;
        Formatted = false;
    }
    TQRCustomLabel::PrintAt(offsetX, offsetY);
}

// --- TQRShape ---------------------------------------------------------------------------------

void TQRShape::PrintAt(double offsetX, double offsetY)
{
    TQRPrinter *printer = ParentPrinter;
    if (!printer || !printer->Canvas() || !RenderingToCanvas() || !IsPrintable())
        return;
    QPainter *canvas = printer->Canvas();
    const Box b = elementBox(this, offsetX, offsetY);
    QPen pen(ToQColor(m_pen->Color()));
    pen.setWidth(std::max(0, m_pen->Width()));
    pen.setStyle(TPen::ToQtStyle(m_pen->Style()));
    canvas->save();
    canvas->setPen(pen);
    canvas->setBrush(QBrush(ToQColor(m_brush->Color()), TBrush::ToQtStyle(m_brush->Style())));
    const int l = printer->XPos(b.left), t = printer->YPos(b.top);
    const int r = printer->XPos(b.left + b.width), btm = printer->YPos(b.top + b.height);
    switch (m_shape) {
    case QR::qrsRectangle:
        canvas->drawRect(QRect(l, t, r - l, btm - t));
        break;
    case QR::qrsCircle:
        canvas->drawEllipse(QRect(l, t, r - l, btm - t));
        break;
    case QR::qrsVertLine: {
        const int x = printer->XPos(b.left + b.width / 2);
        canvas->drawLine(x, t, x, btm);
        break;
    }
    case QR::qrsHorLine: {
        const int y = printer->YPos(b.top + b.height / 2);
        canvas->drawLine(l, y, r, y);
        break;
    }
    case QR::qrsTopAndBottom:
        canvas->drawLine(l, t, r, t);
        canvas->drawLine(l, btm, r, btm);
        break;
    case QR::qrsRightAndLeft:
        canvas->drawLine(l, t, l, btm);
        canvas->drawLine(r, t, r, btm);
        break;
    }
    canvas->restore();
}

// --- pictures -----------------------------------------------------------------------------------

void TQRImage::PrintAt(double offsetX, double offsetY)
{
    TQRPrinter *printer = ParentPrinter;
    if (printer && printer->Canvas() && RenderingToCanvas() && IsPrintable() &&
        !m_picture->Image().isNull()) {
        const Box b = elementBox(this, offsetX, offsetY);
        const QRect r = deviceRect(printer, b.left, b.top, b.width, b.height);
        if (m_stretch)
            printer->Canvas()->drawImage(r, m_picture->Image());
        else
            drawNatural(printer->Canvas(), printer, m_picture->Image(), r, m_center, b.width, b.height);
    }
    TQRPrintable::PrintAt(offsetX, offsetY);
}

void TQRDBImage::PrepareForRun()
{
    TQRPrintable::PrepareForRun();
    m_field = findField(m_dataSet, m_dataField);
}

void TQRDBImage::PrintAt(double offsetX, double offsetY)
{
    TQRPrinter *printer = ParentPrinter;
    auto *ds = qobject_cast<TDataSet *>(m_dataSet);
    TField *field = qobject_cast<TField *>(m_field.data());
    if (ds && ds->Active() && (!field || ds->DefaultFields()))
        field = findField(ds, m_dataField);
    m_field = field;
    if (printer && printer->Canvas() && RenderingToCanvas() && IsPrintable() && field && field->IsBlob()) {
        QImage image;
        try {
            const QByteArray bytes = field->AsBytes();
            if (!bytes.isEmpty())
                image.loadFromData(bytes);
        } catch (...) {
            image = QImage();
        }
        QPainter *canvas = printer->Canvas();
        const Box b = elementBox(this, offsetX, offsetY);
        const QRect r = deviceRect(printer, b.left, b.top, b.width, b.height);
        if (m_stretch) {
            if (image.isNull())
                QRFillRect(canvas, r, ToQColor(m_color));
            else
                canvas->drawImage(r, image);
        } else if (!image.isNull()) {
            drawNatural(canvas, printer, image, r, m_center, b.width, b.height);
        }
    }
    TQRPrintable::PrintAt(offsetX, offsetY);
}

void TQRDBImage::FinishRun()
{
    TQRPrintable::FinishRun();
    m_field = nullptr;
}
