#include "designer/designcanvas.h"

#include "common/colors.h"
#include "common/papersize.h"
#include "common/units.h"
#include "data/dataset.h"
#include "definition/designbands.h"
#include "definition/designelements.h"
#include "definition/designreport.h"
#include "designer/repdesigner.h"
#include "engine/band.h"
#include "engine/elements.h"
#include "engine/printable.h"
#include "engine/report.h"
#include "output/pages/qrprinter.h"

#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <array>

Qt::CursorShape QtCursorShape(TCursor cursor)
{
    switch (cursor) {
    case TCursors::crSizeAll:
        return Qt::SizeAllCursor;
    case TCursors::crHandPoint:
        return Qt::PointingHandCursor;
    case TCursors::crHelp:
        return Qt::WhatsThisCursor;
    case TCursors::crAppStart:
        return Qt::BusyCursor;
    case TCursors::crNo:
    case TCursors::crNoDrop:
        return Qt::ForbiddenCursor;
    case TCursors::crSQLWait:
    case TCursors::crHourGlass:
        return Qt::WaitCursor;
    case TCursors::crMultiDrag:
    case TCursors::crDrag:
        return Qt::DragMoveCursor;
    case TCursors::crVSplit:
        return Qt::SplitVCursor;
    case TCursors::crHSplit:
        return Qt::SplitHCursor;
    case TCursors::crUpArrow:
        return Qt::UpArrowCursor;
    case TCursors::crSizeWE:
        return Qt::SizeHorCursor;
    case TCursors::crSizeNWSE:
        return Qt::SizeFDiagCursor;
    case TCursors::crSizeNS:
        return Qt::SizeVerCursor;
    case TCursors::crSizeNESW:
        return Qt::SizeBDiagCursor;
    case TCursors::crIBeam:
        return Qt::IBeamCursor;
    case TCursors::crCross:
        return Qt::CrossCursor;
    case TCursors::crNone:
        return Qt::BlankCursor;
    default:
        return Qt::ArrowCursor;
    }
}

QString TDesignCanvas::DatafieldMimeType()
{
    return QStringLiteral("application/x-tabulon-datafield");
}

TDesignCanvas::TDesignCanvas(TQRepDesigner *designer, QWidget *parent) : QWidget(parent), m_designer(designer)
{
    setObjectName(QStringLiteral("DesignCanvas"));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAcceptDrops(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

TQRDesignReport *TDesignCanvas::report() const
{
    return m_designer ? m_designer->QReport() : nullptr;
}

QSize TDesignCanvas::sizeHint() const
{
    TQRDesignReport *r = report();
    const QSize page = r ? r->BoundsRect().size() : QSize(400, 300);
    return page + QSize(2 * Margin, 2 * Margin);
}

void TDesignCanvas::Invalidate()
{
    m_dirty = true;
    const QSize wanted = sizeHint();
    if (size() != wanted)
        resize(wanted);
    update();
}

QString TDesignCanvas::DesignText(const TQRPrintable *element)
{
    if (auto *x = qobject_cast<const TQRExpr *>(element)) {
        if (element->metaObject()->indexOfProperty("Operation") >= 0)
            return x->Caption().isEmpty() ? x->Name() : x->Caption();
        return x->Expression().isEmpty() ? QStringLiteral("(none)") : x->Expression();
    }
    if (auto *d = qobject_cast<const TQRDBText *>(element)) {
        if (!d->Caption().isEmpty())
            return d->Caption();
        return d->DataField().isEmpty() ? d->Name() : d->DataField();
    }
    if (auto *s = qobject_cast<const TQRSysData *>(element)) {
        static const char *kinds[] = {"(Time)",  "(Date)",         "(Date/Time)", "(Page#)",
                                      "(Title)", "(Detail Count)", "(Detail No)"};
        const int k = int(s->Data());
        return s->Text() + QLatin1String(k >= 0 && k < 7 ? kinds[k] : "");
    }
    if (auto *l = qobject_cast<const TQRCustomLabel *>(element))
        return l->Caption();
    return element->Name();
}

// --- the page picture ----------------------------------------------------------------------------

void TDesignCanvas::recordElement(TQRPrintable *element, double offsetX, double offsetY)
{
    // Printing may resize an AutoSize element: the design keeps its stored geometry.
    std::array<double, 4> size{};
    for (int i = 0; i < 4; ++i)
        size[size_t(i)] = element->Size()->NativeValue(i);
    auto *label = qobject_cast<TQRCustomLabel *>(element);
    const bool designOnly = qobject_cast<TQRDBImage *>(element) || qobject_cast<TQRDBRichText *>(element);
    if (designOnly) {
        // Database pictures and rich texts have no content before a run: their frame and name.
        element->TQRPrintable::PrintAt(offsetX, offsetY);
    } else if (label && (qobject_cast<TQRDBText *>(element) || qobject_cast<TQRExpr *>(element) ||
                         qobject_cast<TQRSysData *>(element))) {
        // Drawn as the label they print as, with the design-time text.
        const QString savedText = label->OutputText;
        const bool captionBased = label->IsCaptionBased();
        if (captionBased)
            label->OutputText = DesignText(element);
        label->Formatted = false;
        label->TQRCustomLabel::PrintAt(offsetX, offsetY);
        label->OutputText = savedText;
        label->Formatted = false;
    } else {
        if (label)
            label->Formatted = false;
        element->PrintAt(offsetX, offsetY);
    }
    for (int i = 0; i < 4; ++i)
        if (element->Size()->NativeValue(i) != size[size_t(i)])
            element->Size()->SetNativeValue(i, size[size_t(i)]);
}

void TDesignCanvas::RebuildPicture()
{
    m_dirty = false;
    TQRDesignReport *r = report();
    if (!r)
        return;
    const double zoom = r->Zoom() > 0 ? r->Zoom() : 100;
    // Native units per report pixel at the zoom.
    const double perPixel = 254.0 / (ScreenPixelsPerInch() * zoom / 100.0);
    TQRPrinter recorder;
    recorder.SetPaperSize(QRPaper::Custom);
    recorder.SetPaperWidth(r->Width() * perPixel);
    recorder.SetPaperLength(r->Height() * perPixel);
    try {
        recorder.OpenDocument();
        recorder.NewPage();
        QPainter *canvas = recorder.Canvas();
        // The page is white already: band names drawn under the picture stay visible.
        auto print = [&](TControl *parent, double x, double y) {
            for (TControl *c : parent->ControlList())
                if (auto *e = qobject_cast<TQRPrintable *>(c)) {
                    e->ParentPrinter = &recorder;
                    recordElement(e, x, y);
                    e->ParentPrinter = nullptr;
                }
        };
        for (TQRCustomBand *band : r->ChildBands()) {
            const double x = band->Left() * perPixel, y = band->Top() * perPixel;
            const QRect rect(recorder.XPos(x), recorder.YPos(y), recorder.XSize(band->Width() * perPixel),
                             recorder.YSize(band->Height() * perPixel));
            if (band->Color() != clWhite && band->Color() != clBtnFace)
                canvas->fillRect(rect, ToQColor(band->Color()));
            band->Frame()->PaintIt(canvas, rect, recorder.XFactor(), recorder.YFactor());
            print(band, x, y);
        }
        print(r, 0, 0);
        recorder.CloseDocument();
        TQRPagePicture picture;
        if (recorder.GetPage(1, &picture))
            m_picture = picture;
    } catch (...) {
        // A page that cannot be recorded leaves the last good one.
    }
    m_pictureZoom = int(zoom);
}

// --- painting ------------------------------------------------------------------------------------

void TDesignCanvas::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    PaintDesign(&painter, event->rect());
}

void TDesignCanvas::PaintDesign(QPainter *painter, const QRect &clip)
{
    painter->fillRect(clip, QColor(0x80, 0x80, 0x80));
    TQRDesignReport *r = report();
    if (!r)
        return;
    if (m_dirty || m_pictureZoom != r->Zoom())
        RebuildPicture();
    const QRect page(ReportOrigin(), r->BoundsRect().size());
    painter->fillRect(page, Qt::white);
    // Band names lie under the elements, which print over them.
    if (m_designer->ShowBandNames()) {
        const QFont font = m_designer->BandNameFont()->ToQFont(ScreenPixelsPerInch());
        const QFontMetrics fm(font);
        painter->setFont(font);
        painter->setPen(ToQColor(m_designer->BandNameFont()->Color()));
        for (TQRCustomBand *band : r->ChildBands())
            painter->drawText(page.topLeft() + QPoint(band->Left() + 1, band->Top() + 1 + fm.ascent()),
                              band->Name());
    }
    if (!m_picture.IsNull()) {
        painter->save();
        painter->setClipRect(page.intersected(clip));
        painter->translate(page.topLeft());
        const double scale = r->Zoom() / 100.0;
        painter->scale(scale, scale);
        ReplayPage(m_picture, painter, nullptr, true);
        painter->restore();
    }
    paintOverlays(painter);
}

void TDesignCanvas::paintOverlays(QPainter *painter)
{
    TQRDesignReport *r = report();
    TQRepDesigner *d = m_designer;
    painter->save();
    painter->translate(ReportOrigin());
    // The page margins, then every band's outline and name.
    QPen marginPen(QColor(0xC0, 0xC0, 0xC0), 1, Qt::DotLine);
    const QList<TQRCustomBand *> bands = r->ChildBands();
    for (TQRCustomBand *band : bands) {
        painter->setPen(marginPen);
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(band->BoundsRect().adjusted(0, 0, -1, -1));
        if (d->ShowComponentFrames()) {
            Qt::PenStyle style = d->ComponentFrameStyle == TPen::psDash  ? Qt::DashLine
                                 : d->ComponentFrameStyle == TPen::psDot ? Qt::DotLine
                                                                         : Qt::SolidLine;
            painter->setPen(QPen(ToQColor(d->ComponentFrameColor), 1, style));
            for (TControl *c : band->ControlList())
                if (auto *v = qobject_cast<TQRVisualControl *>(c))
                    painter->drawRect(d->ReportRect(v).adjusted(0, 0, -1, -1));
        }
    }
    // The selection frame with its handles.
    TStretch_Handle *handle = d->Handle();
    if (handle->Visible()) {
        const QRect frame = d->FrameRect();
        const QColor colour =
            ToQColor(handle->ChildCount() == 1 ? handle->Color() : handle->SecondaryColor());
        painter->setPen(QPen(colour, 1));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(frame.adjusted(0, 0, -1, -1));
        if (handle->ChildCount() == 1) {
            const int w = frame.width() - 1, h = frame.height() - 1;
            const QPoint anchors[] = {{0, 0},     {w, h},     {w, 0},     {0, h},
                                      {w / 2, 0}, {w / 2, h}, {0, h / 2}, {w, h / 2}};
            for (const QPoint &a : anchors)
                painter->fillRect(QRect(frame.topLeft() + a - QPoint(2, 2), QSize(5, 5)),
                                  handle->Locked() ? QColor(Qt::gray) : colour);
        } else {
            for (TQRVisualControl *c : handle->Children())
                painter->drawRect(d->ReportRect(c).adjusted(-1, -1, 0, 0));
        }
    }
    // Rubber band and drag outline, inverted so that they show on any colour.
    auto inverted = [&](const QRect &rect) {
        painter->save();
        painter->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter->setPen(QPen(Qt::white, 1, Qt::DotLine));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(rect);
        painter->restore();
    };
    if (d->RubberBandActive())
        inverted(d->RubberBand());
    if (!d->DragOutline().isNull())
        inverted(d->DragOutline());
    painter->restore();
}

// --- mouse and keys ------------------------------------------------------------------------------

TQRVisualControl *TDesignCanvas::ControlAt(const QPoint &p) const
{
    TQRDesignReport *r = report();
    if (!r)
        return nullptr;
    // Elements first (the last drawn is on top), then bands.
    auto elementOn = [&](TControl *parent) -> TQRVisualControl * {
        const auto &children = parent->ControlList();
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            if (auto *v = qobject_cast<TQRVisualControl *>(*it); v && !qobject_cast<TQRCustomBand *>(v))
                if (m_designer->ReportRect(v).contains(p))
                    return v;
        return nullptr;
    };
    if (TQRVisualControl *e = elementOn(r))
        return e;
    const QList<TQRCustomBand *> bands = r->ChildBands();
    for (auto it = bands.rbegin(); it != bands.rend(); ++it)
        if (m_designer->ReportRect(*it).contains(p)) {
            if (TQRVisualControl *e = elementOn(*it))
                return e;
            return *it;
        }
    return r;
}

void TDesignCanvas::mousePressEvent(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    const QPoint p = ToReport(event->position().toPoint());
    TQRVisualControl *target = ControlAt(p);
    TStretch_Handle *handle = m_designer->Handle();
    // The frame takes the press, except over another element inside a selected band.
    const bool overOther = target && !handle->Contains(target) && !qobject_cast<TQRCustomBand *>(target) &&
                           target != report() &&
                           handle->ZoneAt(p - m_designer->FrameRect().topLeft()) == TStretch_Handle::zMove;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    if (!ctrl && !overOther && m_designer->FrameMouseDown(p, event->button(), event->modifiers()))
        return;
    m_designer->MouseDown(target, p, event->button(), event->modifiers());
    // A press on a control that just got selected starts moving it at once.
    if (!ctrl && m_designer->DesignState() == 0 && event->button() == Qt::LeftButton &&
        handle->Contains(target) && !m_designer->RubberBandActive())
        m_designer->FrameMouseDown(p, event->button(), event->modifiers());
}

void TDesignCanvas::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint p = ToReport(event->position().toPoint());
    if (event->buttons() == Qt::NoButton)
        updateCursor(p);
    m_designer->MouseMove(p, event->buttons(), event->modifiers());
}

void TDesignCanvas::mouseReleaseEvent(QMouseEvent *event)
{
    m_designer->MouseUp(ToReport(event->position().toPoint()), event->button(), event->modifiers());
}

void TDesignCanvas::mouseDoubleClickEvent(QMouseEvent *event)
{
    // A double click opens the properties, as Enter does.
    if (event->button() == Qt::LeftButton && m_designer->SelectionCount() == 1)
        m_designer->KeyPress(Qt::Key_Return, Qt::NoModifier);
}

void TDesignCanvas::updateCursor(const QPoint &p)
{
    TCursor cursor = TCursors::crDefault;
    if (m_designer->DesignState() != 0)
        cursor = m_designer->AddCursor == TCursors::crDefault ? TCursors::crCross : m_designer->AddCursor;
    else if (m_designer->Handle()->Visible() && m_designer->FrameRect().contains(p))
        cursor = m_designer->FrameCursor(p);
    setCursor(QtCursorShape(cursor));
}

void TDesignCanvas::keyPressEvent(QKeyEvent *event)
{
    if (m_designer->KeyPress(event->key(), event->modifiers()))
        event->accept();
    else
        QWidget::keyPressEvent(event);
}

bool TDesignCanvas::focusNextPrevChild(bool)
{
    // Tab walks the report, not the window's controls.
    return false;
}

void TDesignCanvas::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasFormat(DatafieldMimeType()))
        event->acceptProposedAction();
}

void TDesignCanvas::dragMoveEvent(QDragMoveEvent *event)
{
    const QPoint p = ToReport(event->position().toPoint());
    if (event->mimeData()->hasFormat(DatafieldMimeType()) && report() &&
        QRect(QPoint(0, 0), report()->BoundsRect().size()).contains(p))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TDesignCanvas::dropEvent(QDropEvent *event)
{
    const QStringList parts =
        QString::fromUtf8(event->mimeData()->data(DatafieldMimeType())).split(QLatin1Char('\n'));
    TQRDesignReport *r = report();
    if (parts.size() != 2 || !r)
        return;
    TComponent *owner = r->Owner() ? r->Owner() : r;
    auto *dataSet = qobject_cast<TDataSet *>(owner->FindComponent(parts[0]));
    if (!dataSet)
        return;
    m_designer->DropDatafield(dataSet, parts[1], ToReport(event->position().toPoint()));
    event->acceptProposedAction();
}
