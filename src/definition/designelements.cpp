#include "definition/designelements.h"

#include "common/colors.h"
#include "common/units.h"
#include "data/dataset.h"
#include "data/field.h"
#include "definition/loader.h"
#include "engine/band.h"
#include "engine/exportfilter.h"
#include "engine/report.h"
#include "expressions/evaluator.h"
#include "output/pages/qrprinter.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTransform>
#include <cmath>

TQRDLoader *TQRDesignElementMembers::QRDesigner() const
{
    if (m_loader)
        return m_loader;
    return FirstComponentOf<TQRDLoader>(m_self->Owner());
}

void TQRDesignElementMembers::SetQRDesigner(TQRDLoader *loader)
{
    m_loader = loader;
}

TQRDesignElementMembers *DesignElementMembers(TQRPrintable *element)
{
    return dynamic_cast<TQRDesignElementMembers *>(element);
}

#define QRD_ELEMENT_LINK_IMPL(Class)                                                                         \
    TComponent *Class::QRDesignerComponent() const { return QRDesigner(); }                                  \
    void Class::SetQRDesignerComponent(TComponent *c)                                                        \
    {                                                                                                        \
        if (!c || qobject_cast<TQRDLoader *>(c))                                                             \
            SetQRDesigner(qobject_cast<TQRDLoader *>(c));                                                    \
    }

// Elements without rules of their own print like their engine class, following the band's growth.
#define QRD_ELEMENT_PLAIN_IMPL(Class, Base)                                                                  \
    QRD_ELEMENT_LINK_IMPL(Class)                                                                             \
    Class::Class(TComponent *owner) : Base(owner), TQRDesignElementMembers(this) {}                          \
    void Class::PrintAt(double offsetX, double offsetY)                                                      \
    {                                                                                                        \
        PrintFollowingBand(offsetX, offsetY, [this](double x, double y) { Base::PrintAt(x, y); });           \
    }

QRD_ELEMENT_PLAIN_IMPL(TQRDesignSysdata, TQRSysData)
QRD_ELEMENT_PLAIN_IMPL(TQRDesignMemo, TQRMemo)
QRD_ELEMENT_PLAIN_IMPL(TQRDesignRichtext, TQRRichText)
QRD_ELEMENT_PLAIN_IMPL(TQRDesignDBRichtext, TQRDBRichText)
QRD_ELEMENT_PLAIN_IMPL(TQRDesignShape, TQRShape)
QRD_ELEMENT_PLAIN_IMPL(TQRDesignImage, TQRImage)
QRD_ELEMENT_PLAIN_IMPL(TQRDesignDBImage, TQRDBImage)

// --- rotated text -------------------------------------------------------------------------------

void PrintRotatedText(TQRCustomLabel *element, const QString &source, int degree, double offsetX,
                      double offsetY)
{
    TQRCustomReport *report = element->OwningReport();
    TQRPrinter *printer =
        element->ParentPrinter ? element->ParentPrinter : (report ? report->RunPrinter() : nullptr);
    element->PrintComplete = true;
    if (!element->IsPrintable() || !printer)
        return;
    QString text = source;
    text.remove(QLatin1Char('\n'));
    const QStringList lines = text.split(QLatin1Char('\r'));

    const TQRPrintableSize *size = element->Size();
    const double left = offsetX + size->NativeValue(TQRPrintableSize::LeftIndex);
    const double top = offsetY + size->NativeValue(TQRPrintableSize::TopIndex);
    const double width = size->NativeValue(TQRPrintableSize::WidthIndex);
    const double height = size->NativeValue(TQRPrintableSize::HeightIndex);
    const QRect box(printer->XPos(left), printer->YPos(top), printer->XPos(left + width) - printer->XPos(left),
                    printer->YPos(top + height) - printer->YPos(top));

    QPainter *canvas = printer->Canvas();
    if (element->RenderingToCanvas() && canvas) {
        if (!element->Transparent())
            canvas->fillRect(box, ToQColor(element->Color()));
        const double dpi = canvas->device() ? canvas->device()->logicalDpiY() : ScreenPixelsPerInch();
        const QFont font = element->Font()->ToQFont(dpi);
        const QFontMetricsF fm(font, canvas->device());
        double textWidth = 0;
        for (const QString &line : lines)
            textWidth = std::max(textWidth, fm.horizontalAdvance(line));
        const double lineHeight = fm.height();

        // The text block, baseline of the first line at the origin, turned
        // counter-clockwise; its bounding box is placed inside the element:
        // across by the alignment, and against the bottom edge when the text
        // rises (against the top otherwise).
        QTransform turn;
        turn.rotate(-degree / 10.0);
        const QRectF block(0, -fm.ascent(), textWidth, lineHeight * lines.size());
        const QRectF bounds = turn.mapRect(block);
        double x;
        switch (element->Alignment()) {
        case QR::taRightJustify:
            x = box.right() + 1 - bounds.right();
            break;
        case QR::taCenter:
            x = box.left() + (box.width() - bounds.width()) / 2 - bounds.left();
            break;
        default:
            x = box.left() - bounds.left();
            break;
        }
        const bool rising = std::sin(degree / 10.0 * M_PI / 180.0) > 1e-9;
        const double y = rising ? box.bottom() + 1 - bounds.bottom() : box.top() - bounds.top();

        canvas->save();
        canvas->setFont(font);
        canvas->setPen(ToQColor(element->Font()->Color()));
        canvas->setBackgroundMode(Qt::TransparentMode);
        canvas->translate(x, y);
        canvas->rotate(-degree / 10.0);
        for (int i = 0; i < lines.size(); ++i) {
            double lineX = 0;
            const double advance = fm.horizontalAdvance(lines[i]);
            if (element->Alignment() == QR::taRightJustify)
                lineX = textWidth - advance;
            else if (element->Alignment() == QR::taCenter)
                lineX = (textWidth - advance) / 2;
            canvas->drawText(QPointF(lineX, i * lineHeight), lines[i]);
        }
        canvas->restore();
        if (element->Frame()->AnyFrame())
            element->Frame()->PaintIt(canvas, box, printer->XFactor(), printer->YFactor());
    }
    if (TQRExportFilter *filter = report ? report->RunFilter : nullptr) {
        const double anchor = element->Alignment() == QR::taRightJustify ? left + width
                              : element->Alignment() == QR::taCenter     ? left + width / 2
                                                                         : left;
        for (const QString &line : lines)
            if (!line.isEmpty())
                filter->WriteTextItem(anchor, top, element->Font(), element->Color(), element->Alignment(), line);
    }
}

// --- TQRDesignLabel ---------------------------------------------------------------------------------

QRD_ELEMENT_LINK_IMPL(TQRDesignLabel)

TQRDesignLabel::TQRDesignLabel(TComponent *owner) : TQRLabel(owner), TQRDesignElementMembers(this) {}

void TQRDesignLabel::SetDegree(int v)
{
    m_degree = std::clamp(v, 0, 65535);
    // A turned text keeps the element's rectangle: no automatic resizing.
    if (m_degree != 0)
        SetAutoSize(false);
}

void TQRDesignLabel::PrintAt(double offsetX, double offsetY)
{
    PrintFollowingBand(offsetX, offsetY, [this](double x, double y) {
        if (m_degree % 3600 == 0) {
            TQRLabel::PrintAt(x, y);
            return;
        }
        QString text = OutputText;
        if (!text.isEmpty() && OnPrint)
            OnPrint(this, text);
        PrintRotatedText(this, text, m_degree, x, y);
    });
}

// --- TQRDesignExpr ---------------------------------------------------------------------------------

QRD_ELEMENT_LINK_IMPL(TQRDesignExpr)

TQRDesignExpr::TQRDesignExpr(TComponent *owner) : TQRExpr(owner), TQRDesignElementMembers(this) {}

void TQRDesignExpr::SetDegree(int v)
{
    m_degree = std::clamp(v, 0, 65535);
    if (m_degree != 0)
        SetAutoSize(false);
}

void TQRDesignExpr::PrintAt(double offsetX, double offsetY)
{
    PrintFollowingBand(offsetX, offsetY, [this](double x, double y) {
        if (m_degree % 3600 == 0) {
            TQRExpr::PrintAt(x, y);
            return;
        }
        QString text = ValueText(Value());
        if (!text.isEmpty() && OnPrint)
            OnPrint(this, text);
        PrintRotatedText(this, text, m_degree, x, y);
        if (ResetAfterPrint() && Evaluator() && Evaluator()->Prepared())
            Evaluator()->ResetAggregates();
    });
}

// --- TQRDesignDBText -----------------------------------------------------------------------------

QRD_ELEMENT_LINK_IMPL(TQRDesignDBText)

TQRDesignDBText::TQRDesignDBText(TComponent *owner) : TQRDBText(owner), TQRDesignElementMembers(this) {}

void TQRDesignDBText::applyPrintRules(QString &text)
{
    for (const QString &line : m_mapList) {
        const qsizetype tab = line.indexOf(QLatin1Char('\t'));
        if (tab >= 0 && line.mid(tab + 1) == text)
            text = line.left(tab);
    }
    if (m_suppress) {
        TQRCustomReport *report = OwningReport();
        const int page = report ? report->PageNo : 0;
        if (!m_hasLast || text != m_lastText) {
            m_lastText = text;
            m_hasLast = true;
        } else if (!(m_reprintOnNewPage && page != m_lastPage)) {
            text.clear();
        }
        m_lastPage = page;
    }
    if (m_blankIfZero) {
        try {
            auto *ds = qobject_cast<TDataSet *>(DataSet());
            if (TField *field = ds && ds->Active() ? ds->FindField(DataField()) : nullptr;
                field && !field->IsNull() && field->AsFloat() == 0.0)
                text.clear();
        } catch (...) {
            // A field that cannot be read as a number leaves the text as it is.
        }
    }
}

void TQRDesignDBText::PrintAt(double offsetX, double offsetY)
{
    // The rules sit in front of the user's handler for this print only.
    const auto userHandler = OnPrint;
    OnPrint = [this, userHandler](QObject *sender, QString &value) {
        applyPrintRules(value);
        if (userHandler)
            userHandler(sender, value);
    };
    // Directly on the report (not on a band) the element never stretches.
    const bool onReport = qobject_cast<TQRCustomReport *>(Parent()) != nullptr;
    const bool stretch = AutoStretch();
    if (onReport)
        SetAutoStretch(false);
    try {
        PrintFollowingBand(offsetX, offsetY, [this](double x, double y) { TQRDBText::PrintAt(x, y); });
    } catch (...) {
        OnPrint = userHandler;
        SetAutoStretch(stretch);
        throw;
    }
    OnPrint = userHandler;
    SetAutoStretch(stretch);
}

void TQRDesignDBText::RefreshCaptionFromDisplayLabel()
{
    auto *ds = qobject_cast<TDataSet *>(DataSet());
    if (!ds || DataField().isEmpty())
        return;
    if (TField *field = ds->FindField(DataField()))
        SetCaption(field->DisplayLabel());
}
