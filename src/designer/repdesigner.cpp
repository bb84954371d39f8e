#include "designer/repdesigner.h"

#include "common/programdir.h"
#include "data/dataset.h"
#include "data/field.h"
#include "definition/databasesettings.h"
#include "definition/designbands.h"
#include "definition/designelements.h"
#include "definition/designreport.h"
#include "engine/band.h"
#include "engine/printable.h"
#include "engine/report.h"

#include <QApplication>
#include <QFontDatabase>
#include <QHash>
#include <QMetaProperty>
#include <algorithm>
#include <cmath>

namespace
{
// Default texts of the designer's keyed texts (a language file replaces them).
const QHash<QString, QString> &defaultTexts()
{
    static const QHash<QString, QString> texts = {
        {"Label", "Label"},
        {"Expression", "Expression"},
        {"Band", "Band"},
        {"Childband", "Childband"},
        {"Subdetailband", "Subdetailband"},
        {"Groupband", "Groupband"},
        {"Datafield", "Datafield"},
        {"Memo", "Memo"},
        {"Image datafield", "Image datafield"},
        {"Image", "Image"},
        {"Shape", "Shape"},
        {"Systemfield", "Systemfield"},
        {"Richtext", "Richtext"},
        {"Richtext datafield", "Richtext datafield"},
        {"Report", "Report"},
        {"BandColumnheader", "Column header"},
        {"BandDetail", "Detail"},
        {"BandGroupfooter", "Group footer"},
        {"BandGroupheader", "Group header"},
        {"BandPageheader", "Page header"},
        {"BandPagefooter", "Page footer"},
        {"BandSummary", "Summary"},
        {"BandTitle", "Title"},
        {"BandLoopband", "Loop band"},
        {"BandStringsband", "Strings band"},
        {"BandSubdetail", "Sub-detail"},
        {"BandChild", "Child"},
        {"BandOverlay", "Overlay"},
        {"ShapeCircle", "Circle"},
        {"ShapeHorizontalLine", "Horizontal line"},
        {"ShapeRectangle", "Rectangle"},
        {"ShapeLeftRightLines", "Left and right lines"},
        {"ShapeTopBottomLines", "Top and bottom lines"},
        {"ShapeVerticalLine", "Vertical line"},
        {"SysdataTime", "Time"},
        {"SysdataDate", "Date"},
        {"SysdataDateTime", "Date and time"},
        {"SysdataPageNumber", "Page number"},
        {"SysdataReportTitle", "Report title"},
        {"SysdataDetailCount", "Detail count"},
        {"SysdataDetailNo", "Detail number"},
        {"PopupMenuProperties", "Edit"},
        {"PopupMenuScripts", "Scripts"},
    };
    return texts;
}

// The shape kinds in the order of the strip's list.
const QR::TQRShapeType shapeOrder[] = {QR::qrsCircle,       QR::qrsHorLine,      QR::qrsRectangle,
                                       QR::qrsRightAndLeft, QR::qrsTopAndBottom, QR::qrsVertLine};

// The band types in the order of the strip's list (entries 8 and 9 are the loop and strings bands).
const QR::TQRBandType bandOrder[] = {QR::rbColumnHeader, QR::rbDetail,     QR::rbGroupFooter,
                                     QR::rbGroupHeader,  QR::rbPageHeader, QR::rbPageFooter,
                                     QR::rbSummary,      QR::rbTitle};

bool isBand(const QObject *o)
{
    return qobject_cast<const TQRCustomBand *>(o) != nullptr;
}

// A design element: a control with lock flags that is not a band.
bool isDesignElement(const QObject *o)
{
    return o && !isBand(o) && qobject_cast<const TQRPrintable *>(o) &&
           o->metaObject()->indexOfProperty("BlockDelete") >= 0;
}

// The rectangle with corners p and q, whichever way they lie.
QRect spanRect(const QPoint &p, const QPoint &q)
{
    return QRect(QPoint(std::min(p.x(), q.x()), std::min(p.y(), q.y())),
                 QPoint(std::max(p.x(), q.x()), std::max(p.y(), q.y())));
}

bool flag(const QObject *o, const char *name)
{
    return o && o->property(name).toBool();
}

bool blockSelection(const TQRCustomBand *band)
{
    return flag(band, "BlockSelection");
}

bool readingLess(const TControl *a, const TControl *b)
{
    return a->Top() != b->Top() ? a->Top() < b->Top() : a->Left() < b->Left();
}

TFont *fontOf(QObject *o)
{
    return o ? qobject_cast<TFont *>(o->property("Font").value<QObject *>()) : nullptr;
}

// The field's display label, or its name.
QString fieldLabel(TComponent *dataSet, const QString &fieldName)
{
    if (auto *ds = qobject_cast<TDataSet *>(dataSet))
        if (TField *f = ds->FindField(fieldName); f && !f->DisplayLabel().isEmpty())
            return f->DisplayLabel();
    return fieldName;
}
} // namespace

TQRepDesigner::TQRepDesigner(TComponent *owner)
    : TQRDLoader(owner), m_handle(new TStretch_Handle(this)), m_bandNameFont(new TFont(this)),
      m_sqlSettings(new TQRDatabaseSettings(this))
{
    m_handle->SetName(QStringLiteral("StretchHandle"));
    m_bandNameFont->SetName(QStringLiteral("MS Sans Serif"));
    m_bandNameFont->SetColor(clSilver);
    m_bandNameFont->SetHeight(20);
    m_sqlSettings->SetDelimiterType(TQRDatabaseSettings::delNoQuotes);
}

TQRepDesigner::~TQRepDesigner() = default;

// --- settings ----------------------------------------------------------------------------------

void TQRepDesigner::SetDefaultAdoConnectionOnly(bool v)
{
    m_defaultAdoConnectionOnly = v;
    if (v)
        DefaultDatabaseOnly = true;
}

void TQRepDesigner::SetMinElementWidth(int v)
{
    if (v > 4)
        m_minWidth = word(v);
}

void TQRepDesigner::SetMinElementHeight(int v)
{
    if (v > 4)
        m_minHeight = word(v);
}

void TQRepDesigner::SetShowBandNames(bool v)
{
    m_showBandNames = v;
    repaint();
}

void TQRepDesigner::SetShowComponentFrames(bool v)
{
    m_showComponentFrames = v;
    repaint();
}

QStringList TQRepDesigner::nonBlank(const QStringList &l)
{
    QStringList out;
    for (const QString &s : l)
        if (!s.trimmed().isEmpty())
            out.append(s);
    return out;
}

void TQRepDesigner::repaint()
{
    if (OnRepaint)
        OnRepaint();
}

void TQRepDesigner::Notification(TComponent *component, TOperation operation)
{
    TQRDLoader::Notification(component, operation);
    if (operation == opRemove && m_handle &&
        m_handle->Contains(qobject_cast<TQRVisualControl *>(component))) {
        // A freed control leaves the selection on its own (the list keeps guarded pointers).
        repaint();
    }
}

TComponent *TQRepDesigner::controlOwner() const
{
    TQRDesignReport *report = QReport();
    return report && report->Owner() ? report->Owner() : Owner();
}

QString TQRepDesigner::NewName(const QString &base) const
{
    TComponent *owner = controlOwner();
    for (int n = 1;; ++n) {
        const QString name = base + QString::number(n);
        if (!owner || !owner->FindComponent(name))
            return name;
    }
}

QString TQRepDesigner::Text(const QString &key) const
{
    QString text;
    if (FindMessage(key, &text))
        return text;
    return defaultTexts().value(key, key);
}

QStringList TQRepDesigner::BandTypeKeys()
{
    return {"BandColumnheader", "BandDetail",  "BandGroupfooter", "BandGroupheader", "BandPageheader",
            "BandPagefooter",   "BandSummary", "BandTitle",       "BandLoopband",    "BandStringsband"};
}

QStringList TQRepDesigner::SysdataKeys()
{
    return {"SysdataTime",        "SysdataDate",        "SysdataDateTime", "SysdataPageNumber",
            "SysdataReportTitle", "SysdataDetailCount", "SysdataDetailNo"};
}

QStringList TQRepDesigner::ShapeKeys()
{
    return {"ShapeCircle",         "ShapeHorizontalLine", "ShapeRectangle",
            "ShapeLeftRightLines", "ShapeTopBottomLines", "ShapeVerticalLine"};
}

// --- design state --------------------------------------------------------------------------------

void TQRepDesigner::SetDesignState(int state)
{
    if (state == m_state)
        return;
    m_state = state;
    if (OnDesignStateChanged)
        OnDesignStateChanged(this, state);
    const TCursor cursor = state != dsNormal ? AddCursor : TCursors::crDefault;
    if (TQRDesignReport *report = QReport())
        for (TQRCustomBand *band : report->ChildBands()) {
            band->SetCursor(cursor);
            for (TControl *c : band->ControlList())
                if (auto *v = qobject_cast<TQRVisualControl *>(c))
                    v->SetCursor(cursor);
        }
    if (state == dsNormal && SpeedButtons.NormalDesign)
        SpeedButtons.NormalDesign->setChecked(true);
}

void TQRepDesigner::PaletteButton(int state, bool keepInsert)
{
    m_keepInsert = keepInsert;
    SetDesignState(state);
}

// --- selection -----------------------------------------------------------------------------------

void TQRepDesigner::SelectComponent(TComponent *component)
{
    auto *control = qobject_cast<TQRVisualControl *>(component);
    if (!control || m_handle->Contains(control))
        return;
    m_handle->Attach(control);
    const int group = control->property("GroupID").toInt() & 0xFFFF;
    if (group != 0 && control->Parent())
        for (TControl *sibling : control->Parent()->ControlList())
            if ((sibling->property("GroupID").toInt() & 0xFFFF) == group)
                m_handle->Attach(qobject_cast<TQRVisualControl *>(sibling));
    SelectionChanged();
}

void TQRepDesigner::DeselectAll()
{
    m_handle->Detach();
    SelectionChanged();
}

QRect TQRepDesigner::ReportRect(const TQRVisualControl *control) const
{
    if (!control)
        return {};
    QRect r = control->BoundsRect();
    if (control == QReport())
        return QRect(QPoint(0, 0), r.size());
    for (TControl *p = control->Parent(); p && p != QReport(); p = p->Parent())
        r.translate(p->Left(), p->Top());
    return r;
}

QRect TQRepDesigner::FrameRect() const
{
    QRect r = m_handle->Bounds();
    for (TControl *p = m_handle->SelectionParent(); p && p != QReport(); p = p->Parent())
        r.translate(p->Left(), p->Top());
    return r;
}

// --- mouse ---------------------------------------------------------------------------------------

TQRCustomBand *TQRepDesigner::BandAt(const QPoint &pos) const
{
    TComponent *owner = controlOwner();
    if (!owner || !QReport())
        return nullptr;
    for (TComponent *c : owner->ComponentList())
        if (auto *band = qobject_cast<TQRCustomBand *>(c); band && band->Parent() == QReport()) {
            const QRect r = ReportRect(band);
            // Edges included.
            if (pos.x() >= r.left() && pos.x() <= r.left() + r.width() && pos.y() >= r.top() &&
                pos.y() <= r.top() + r.height())
                return band;
        }
    return nullptr;
}

void TQRepDesigner::MouseDown(TQRVisualControl *target, const QPoint &pos, Qt::MouseButton button,
                              Qt::KeyboardModifiers modifiers)
{
    TQRDesignReport *report = QReport();
    if (!report || !target)
        return;
    auto *band = qobject_cast<TQRCustomBand *>(target);
    if (band && blockSelection(band))
        return;
    if (m_state == dsNormal) {
        if (button == Qt::RightButton) {
            if (target == report && SelectionCount() == 0)
                reportRightClick(pos);
            return;
        }
        if (button != Qt::LeftButton)
            return;
        if ((modifiers & Qt::ControlModifier) || target == report) {
            DeselectAll();
            m_rubberStart = pos;
            m_rubberCurrent = pos;
            repaint();
            return;
        }
        if (!m_handle->Contains(target)) {
            if (!(modifiers & Qt::ShiftModifier))
                m_handle->Detach();
            SelectComponent(target);
            repaint();
        }
        return;
    }
    if (button != Qt::LeftButton)
        return;
    InsertAt(m_state, target, pos);
}

void TQRepDesigner::reportRightClick(const QPoint &pos)
{
    TComponent *report = QReport();
    if (ScriptsEnabled() && ScriptEditByUser && ReportPopupHook) {
        bool properties = true;
        if (!ReportPopupHook(Text("PopupMenuProperties"), Text("PopupMenuScripts"), pos, &properties))
            return;
        if (!properties) {
            if (OnEditScript)
                OnEditScript(this, report);
            return;
        }
    }
    EditProperties(report);
}

void TQRepDesigner::MouseMove(const QPoint &pos, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers)
{
    if (RubberBandActive()) {
        m_rubberCurrent = pos;
        repaint();
        return;
    }
    if (m_handle->Dragging() && (buttons & Qt::LeftButton)) {
        const QRect offset = FrameRect();
        const QPoint local = pos - (offset.topLeft() - m_handle->Bounds().topLeft());
        TControl *parent = m_handle->SelectionParent();
        const QRect limit = parent ? QRect(0, 0, parent->Width(), parent->Height()) : QRect();
        const QRect frame = m_handle->DragFrame(local, limit, modifiers, DragSettings());
        m_dragOutline =
            TStretch_Handle::Outline(frame).translated(offset.topLeft() - m_handle->Bounds().topLeft());
        repaint();
    }
}

void TQRepDesigner::MouseUp(const QPoint &pos, Qt::MouseButton button, Qt::KeyboardModifiers modifiers)
{
    if (RubberBandActive()) {
        endRubberBand(pos);
        return;
    }
    if (m_handle->Dragging() && button == Qt::LeftButton) {
        const QPoint shift = FrameRect().topLeft() - m_handle->Bounds().topLeft();
        TControl *parent = m_handle->SelectionParent();
        const QRect limit = parent ? QRect(0, 0, parent->Width(), parent->Height()) : QRect();
        QRect result;
        m_dragOutline = QRect();
        if (m_handle->EndDrag(pos - shift, limit, modifiers, DragSettings(), &result))
            ApplyFrameBounds(result);
        repaint();
    }
}

bool TQRepDesigner::FrameMouseDown(const QPoint &pos, Qt::MouseButton button, Qt::KeyboardModifiers modifiers)
{
    Q_UNUSED(modifiers);
    if (!m_handle->Visible() || m_state != dsNormal || button != Qt::LeftButton)
        return false;
    const QRect frame = FrameRect();
    if (!frame.contains(pos))
        return false;
    const QPoint shift = frame.topLeft() - m_handle->Bounds().topLeft();
    m_handle->BeginDrag(pos - shift, m_handle->ZoneAt(pos - frame.topLeft()));
    return true;
}

TCursor TQRepDesigner::FrameCursor(const QPoint &pos) const
{
    return m_handle->CursorAt(pos - FrameRect().topLeft());
}

QRect TQRepDesigner::RubberBand() const
{
    if (!RubberBandActive())
        return {};
    return spanRect(m_rubberStart, m_rubberCurrent);
}

TStretch_Handle::TDragSettings TQRepDesigner::DragSettings() const
{
    TStretch_Handle::TDragSettings s;
    s.GridX = std::max(1, m_gridX);
    s.GridY = std::max(1, m_gridY);
    s.MinWidth = m_minWidth;
    s.MinHeight = m_minHeight;
    const auto sel = Selection();
    if (!sel.isEmpty() && sel.first()->Height() > 0)
        s.Ratio = double(sel.first()->Width()) / sel.first()->Height();
    return s;
}

void TQRepDesigner::endRubberBand(const QPoint &pos)
{
    m_rubberCurrent = pos;
    const QRect band = spanRect(m_rubberStart, m_rubberCurrent);
    m_rubberStart = QPoint(-10000, 0);
    QList<TQRVisualControl *> hits;
    if (TComponent *owner = controlOwner())
        for (TComponent *c : owner->ComponentList())
            if (isDesignElement(c)) {
                auto *control = static_cast<TQRVisualControl *>(c);
                const QRect r = ReportRect(control);
                // Touching counts, edges included.
                if (r.left() <= band.right() + 1 && band.left() <= r.left() + r.width() &&
                    r.top() <= band.bottom() + 1 && band.top() <= r.top() + r.height())
                    hits.append(control);
            }
    std::stable_sort(hits.begin(), hits.end(), readingLess);
    for (TQRVisualControl *c : hits)
        SelectComponent(c);
    repaint();
}

// --- applying bounds -----------------------------------------------------------------------------

void TQRepDesigner::TakeSnapshot()
{
    if (UndoEnabled && MenuItems.Undo)
        MenuItems.Undo->setEnabled(true);
    SetModified(true);
}

void TQRepDesigner::SetModified(bool v)
{
    if (v == m_modified)
        return;
    m_modified = v;
    if (OnModifiedChanged)
        OnModifiedChanged(v);
}

void TQRepDesigner::ApplyFrameBounds(const QRect &newFrame)
{
    const auto selection = Selection();
    if (selection.isEmpty())
        return;
    TakeSnapshot();
    const QRect old = m_handle->Bounds();
    const int dL = newFrame.left() - old.left(), dT = newFrame.top() - old.top();
    const int dW = newFrame.width() - old.width(), dH = newFrame.height() - old.height();
    const bool moves = dL != 0 || dT != 0, resizes = dW != 0 || dH != 0;
    for (TQRVisualControl *c : selection)
        if ((moves && flag(c, "BlockMove")) || (resizes && flag(c, "BlockResize")))
            return;
    for (TQRVisualControl *c : selection) {
        if (auto *band = qobject_cast<TQRCustomBand *>(c)) {
            const int oldHeight = band->Height();
            const int height = std::max(m_minHeight, oldHeight + dH);
            band->SetBounds(band->Left(), band->Top() + dT, band->Width(), height);
            const int d = band->Height() - oldHeight;
            if (d != 0)
                for (TControl *e : band->ControlList()) {
                    if (flag(e, "FixBottomPosition"))
                        e->SetTop(std::max(0, e->Top() + d));
                    if (flag(e, "StretchHeightWithBand"))
                        e->SetHeight(std::max(m_minHeight, e->Height() + d));
                }
            continue;
        }
        if (resizes && c->metaObject()->indexOfProperty("AutoSize") >= 0)
            c->setProperty("AutoSize", false);
        c->SetBounds(c->Left() + dL, c->Top() + dT, std::max(m_minWidth, c->Width() + dW),
                     std::max(m_minHeight, c->Height() + dH));
    }
    UpdateInfoPanel();
    repaint();
}

// --- keyboard ------------------------------------------------------------------------------------

TQRVisualControl *TQRepDesigner::NextInReadingOrder(TQRVisualControl *current, bool forward) const
{
    TQRDesignReport *report = QReport();
    if (!report)
        return nullptr;
    QList<TQRCustomBand *> bands;
    for (TQRCustomBand *b : report->ChildBands())
        if (!blockSelection(b))
            bands.append(b);
    if (bands.isEmpty())
        return nullptr;
    auto byTop = [](const TQRCustomBand *a, const TQRCustomBand *b) { return a->Top() < b->Top(); };
    std::stable_sort(bands.begin(), bands.end(), byTop);
    // The band after (or before) band, wrapping around.
    auto neighbourBand = [&](TQRCustomBand *band) -> TQRCustomBand * {
        if (forward) {
            for (TQRCustomBand *b : bands)
                if (b->Top() > band->Top())
                    return b;
            return bands.first();
        }
        for (auto it = bands.rbegin(); it != bands.rend(); ++it)
            if ((*it)->Top() < band->Top())
                return *it;
        return bands.last();
    };
    // The elements of band in reading order.
    auto elements = [](TQRCustomBand *band) {
        QList<TQRVisualControl *> list;
        for (TControl *c : band->ControlList())
            if (auto *v = qobject_cast<TQRVisualControl *>(c); v && !isBand(v))
                list.append(v);
        std::stable_sort(list.begin(), list.end(), readingLess);
        return list;
    };
    if (!current)
        return forward ? bands.first() : bands.last();
    if (auto *band = qobject_cast<TQRCustomBand *>(current)) {
        const auto list = elements(band);
        if (!list.isEmpty())
            return forward ? list.first() : list.last();
        return neighbourBand(band);
    }
    auto *band = qobject_cast<TQRCustomBand *>(current->Parent());
    if (!band)
        return bands.first();
    const auto list = elements(band);
    if (forward) {
        for (TQRVisualControl *e : list)
            if (readingLess(current, e))
                return e;
    } else {
        for (auto it = list.rbegin(); it != list.rend(); ++it)
            if (readingLess(*it, current))
                return *it;
    }
    return neighbourBand(band);
}

void TQRepDesigner::moveByKey(int dx, int dy, int dw, int dh)
{
    if (SelectionCount() == 0)
        return;
    const QRect b = m_handle->Bounds();
    ApplyFrameBounds(QRect(b.left() + dx, b.top() + dy, b.width() + dw, b.height() + dh));
}

bool TQRepDesigner::KeyPress(int key, Qt::KeyboardModifiers modifiers)
{
    const bool shift = modifiers & Qt::ShiftModifier;
    const bool ctrl = modifiers & Qt::ControlModifier;
    const auto selection = Selection();
    auto run = [](const std::function<void()> &command) {
        if (!command)
            return false;
        command();
        return true;
    };
    switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab: {
        // With nothing selected Tab starts at the top band, so that a whole
        // report can be walked from the keyboard.
        TQRVisualControl *current = selection.isEmpty() ? nullptr : selection.last();
        TQRVisualControl *next = NextInReadingOrder(current, key == Qt::Key_Tab && !shift);
        if (next) {
            m_handle->Detach();
            SelectComponent(next);
            repaint();
        }
        return true;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (selection.size() == 1 && !m_handle->Dragging() && !flag(selection.first(), "BlockEdit")) {
            TakeSnapshot();
            TComponent *component = selection.first();
            if (EditProperties(component)) {
                m_handle->Detach();
                SelectComponent(component);
            }
            repaint();
        }
        return true;
    case Qt::Key_Escape:
        if (!selection.isEmpty())
            if (auto *band = qobject_cast<TQRCustomBand *>(selection.first()->Parent())) {
                m_handle->Detach();
                SelectComponent(band);
                repaint();
            }
        return true;
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const int sign = key == Qt::Key_Left ? -1 : 1;
        if (shift && ctrl)
            moveByKey(sign * m_gridX, 0, 0, 0);
        else if (shift)
            moveByKey(0, 0, sign * m_keyX, 0);
        else
            moveByKey(sign * m_keyX, 0, 0, 0);
        return !selection.isEmpty();
    }
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const int sign = key == Qt::Key_Up ? -1 : 1;
        if (shift && ctrl)
            moveByKey(0, sign * m_gridY, 0, 0);
        else if (shift)
            moveByKey(0, 0, 0, sign * m_keyY);
        else
            moveByKey(0, sign * m_keyY, 0, 0);
        return !selection.isEmpty();
    }
    case Qt::Key_Delete:
        return run(BlockCommands.Delete);
    case Qt::Key_C:
        return ctrl && run(BlockCommands.CopyToClipboard);
    case Qt::Key_V:
        return ctrl && run(BlockCommands.PasteFromClipboard);
    case Qt::Key_X:
        return ctrl && run(BlockCommands.CutToClipboard);
    case Qt::Key_Insert:
        if (ctrl)
            return run(BlockCommands.CopyToClipboard);
        if (shift)
            return run(BlockCommands.PasteFromClipboard);
        return false;
    default:
        return false;
    }
}

// --- insertion -----------------------------------------------------------------------------------

bool TQRepDesigner::EditProperties(TComponent *&component)
{
    bool result = true;
    if (OnEditProperties)
        OnEditProperties(this, component, result);
    return result;
}

TQRVisualControl *TQRepDesigner::createElement(int state, TQRCustomBand *band, const QPoint &local)
{
    TComponent *owner = controlOwner();
    TQRDesignReport *report = QReport();
    TControl *parent = band ? static_cast<TControl *>(band) : report;
    // The dataset of the first data source, for the database elements.
    TDataSet *dataSet = nullptr;
    for (TComponent *c : owner->ComponentList())
        if (auto *source = qobject_cast<TDataSource *>(c); source && source->DataSet()) {
            dataSet = source->DataSet();
            break;
        }
    const bool needsData = state == dsNewDBText || state == dsNewDBImage || state == dsNewDBRichtext;
    if (needsData && !dataSet)
        return nullptr;
    const int room = std::max(1, std::min(50, parent->Height() - local.y()));
    TQRPrintable *e = nullptr;
    int width = 60, height = 20;
    switch (state) {
    case dsNewLabel: {
        auto *l = new TQRDesignLabel(owner);
        l->SetName(NewName(QStringLiteral("QRDesignLabel")));
        l->SetCaption(QStringLiteral("ReportLabel"));
        l->SetAutoSize(true);
        e = l;
        break;
    }
    case dsNewDBText: {
        auto *d = new TQRDesignDBText(owner);
        d->SetName(NewName(QStringLiteral("QRDesignDBText")));
        d->SetDataSet(dataSet);
        d->SetCaption(QStringLiteral("ReportDBText"));
        d->SetAutoSize(true);
        e = d;
        break;
    }
    case dsNewExpr: {
        auto *x = new TQRDesignExpr(owner);
        x->SetName(NewName(QStringLiteral("QRDesignExpr")));
        x->SetExpression(QString());
        x->SetAutoSize(true);
        e = x;
        break;
    }
    case dsNewSysdata: {
        auto *s = new TQRDesignSysdata(owner);
        s->SetName(NewName(QStringLiteral("QRDesignSysdata")));
        s->SetAutoSize(true);
        e = s;
        break;
    }
    case dsNewShape:
        e = new TQRDesignShape(owner);
        e->SetName(NewName(QStringLiteral("QRDesignShape")));
        width = 50;
        height = room;
        break;
    case dsNewImage:
        e = new TQRDesignImage(owner);
        e->SetName(NewName(QStringLiteral("QRDesignImage")));
        e->setProperty("AutoSize", true);
        e->setProperty("Stretch", false);
        e->setProperty("Filename", QString(ProgramDir() + QStringLiteral("*.BMP")));
        height = 60;
        break;
    case dsNewDBImage:
        e = new TQRDesignDBImage(owner);
        e->SetName(NewName(QStringLiteral("QRDesignDBImage")));
        e->setProperty("DataSet", QVariant::fromValue<TComponent *>(dataSet));
        e->setProperty("Stretch", false);
        height = 60;
        break;
    case dsNewMemo: {
        auto *m = new TQRDesignMemo(owner);
        m->SetName(NewName(QStringLiteral("QRDesignMemo")));
        m->SetAutoSize(false);
        m->SetColor(clWhite);
        m->SetLines({});
        e = m;
        width = 150;
        height = std::max(1, std::min(40, parent->Height() - local.y()));
        break;
    }
    case dsNewRichtext:
        e = new TQRDesignRichtext(owner);
        e->SetName(NewName(QStringLiteral("QRDesignRichtext")));
        width = 50;
        height = room;
        break;
    case dsNewDBRichtext:
        e = new TQRDesignDBRichtext(owner);
        e->SetName(NewName(QStringLiteral("QRDesignDBRichtext")));
        e->setProperty("DataSet", QVariant::fromValue<TComponent *>(dataSet));
        width = 50;
        height = room;
        break;
    default:
        return nullptr; // 16, a chart, creates nothing
    }
    e->SetDesigning(true);
    e->SetParent(parent);
    e->SetBounds(local.x(), local.y(), width, height);
    return e;
}

bool TQRepDesigner::finishInsertion(TQRVisualControl *&control)
{
    if (AfterReportComponentCreated)
        AfterReportComponentCreated(control);
    if (AutoEditAfterInsert) {
        TComponent *component = control;
        QPointer<TQRVisualControl> guard(control);
        if (!EditProperties(component)) {
            delete guard.data(); // the insertion is undone
            control = nullptr;
            repaint();
            return false;
        }
        control = qobject_cast<TQRVisualControl *>(component);
        if (auto *d = qobject_cast<TQRDesignDBText *>(control); d && !d->AutoSize())
            if (auto *ds = qobject_cast<TDataSet *>(d->DataSet()))
                if (TField *f = ds->FindField(d->DataField()))
                    d->SetWidth(f->DisplayWidth() * std::abs(d->Font()->Height()));
    }
    m_handle->Detach();
    SelectComponent(control);
    repaint();
    return true;
}

TQRVisualControl *TQRepDesigner::InsertAt(int state, TQRVisualControl *target, const QPoint &pos)
{
    Q_UNUSED(target);
    TQRDesignReport *report = QReport();
    if (!report)
        return nullptr;
    TQRVisualControl *created = nullptr;
    if (state == dsNewBand || state == dsNewSubdetail || state == dsNewGroup || state == dsNewChildBand) {
        TComponent *owner = controlOwner();
        TQRCustomBand *band = nullptr;
        TQRCustomBand *under = BandAt(pos);
        switch (state) {
        case dsNewSubdetail:
            band = new TQRDesignSubdetail(owner);
            break;
        case dsNewGroup:
            band = new TQRDesignGroup(owner);
            break;
        case dsNewChildBand: {
            auto *child = new TQRDesignChildBand(owner);
            // A child band extends the band it was put on, when that has none yet.
            if (under && !under->HasChild())
                child->SetParentBand(under);
            band = child;
            break;
        }
        default:
            band = new TQRDesignBand(owner);
            break;
        }
        TakeSnapshot();
        band->SetName(NewName(QStringLiteral("BAND")));
        band->SetDesigning(true);
        band->SetParent(report);
        created = band;
        finishInsertion(created);
        SetDesignState(dsNormal);
        return created;
    }
    QPoint local = pos;
    TQRCustomBand *band = BandAt(pos);
    if (band) {
        local -= ReportRect(band).topLeft();
    } else if (!QRect(QPoint(0, 0), report->BoundsRect().size()).contains(pos)) {
        return nullptr;
    }
    TakeSnapshot();
    created = createElement(state, band, local);
    if (!created)
        return nullptr;
    finishInsertion(created);
    if (!m_keepInsert)
        SetDesignState(dsNormal);
    return created;
}

TQRVisualControl *TQRepDesigner::DropDatafield(TDataSet *dataSet, const QString &fieldName, const QPoint &pos)
{
    TQRDesignReport *report = QReport();
    if (!report || !dataSet)
        return nullptr;
    TQRCustomBand *band = BandAt(pos);
    TControl *parent = band ? static_cast<TControl *>(band) : report;
    const QPoint local = band ? pos - ReportRect(band).topLeft() : pos;
    auto *d = new TQRDesignDBText(controlOwner());
    d->SetName(NewName(QStringLiteral("QRDesignDBText")));
    d->SetDesigning(true);
    d->SetDataSet(dataSet);
    d->SetDataField(fieldName);
    d->SetCaption(fieldLabel(dataSet, fieldName));
    d->SetAutoSize(true);
    d->SetParent(parent);
    d->SetBounds(local.x(), local.y(), 60, 20);
    TakeSnapshot();
    if (AfterReportComponentCreated)
        AfterReportComponentCreated(d);
    m_handle->Detach();
    SelectComponent(d);
    repaint();
    return d;
}

// --- window controls -----------------------------------------------------------------------------

QString TQRepDesigner::KindText(TComponent *c) const
{
    if (!c)
        return Text("Report");
    if (qobject_cast<TQRDesignChildBand *>(c))
        return Text("Childband");
    if (qobject_cast<TQRDesignSubdetail *>(c))
        return Text("Subdetailband");
    if (qobject_cast<TQRDesignGroup *>(c))
        return Text("Groupband");
    if (isBand(c))
        return Text("Band");
    if (qobject_cast<TQRDesignLabel *>(c))
        return Text("Label");
    if (qobject_cast<TQRDesignExpr *>(c))
        return Text("Expression");
    if (qobject_cast<TQRDesignDBText *>(c))
        return Text("Datafield");
    if (qobject_cast<TQRDesignMemo *>(c))
        return Text("Memo");
    if (qobject_cast<TQRDesignDBImage *>(c))
        return Text("Image datafield");
    if (qobject_cast<TQRDesignImage *>(c))
        return Text("Image");
    if (qobject_cast<TQRDesignShape *>(c))
        return Text("Shape");
    if (qobject_cast<TQRDesignSysdata *>(c))
        return Text("Systemfield");
    if (qobject_cast<TQRDesignDBRichtext *>(c))
        return Text("Richtext datafield");
    if (qobject_cast<TQRDesignRichtext *>(c))
        return Text("Richtext");
    return QString::fromLatin1(c->metaObject()->className());
}

namespace
{
int bandTypeEntry(const TQRCustomBand *band)
{
    if (QByteArray(band->metaObject()->className()).contains("Loopband"))
        return 8;
    if (QByteArray(band->metaObject()->className()).contains("Stringsband"))
        return 9;
    for (int i = 0; i < 8; ++i)
        if (bandOrder[i] == band->BandType())
            return i;
    return -1;
}

QString bandTypeKey(const TQRCustomBand *band)
{
    const int entry = bandTypeEntry(band);
    if (entry >= 0)
        return TQRepDesigner::BandTypeKeys().at(entry);
    switch (band->BandType()) {
    case QR::rbSubDetail:
        return QStringLiteral("BandSubdetail");
    case QR::rbChild:
        return QStringLiteral("BandChild");
    default:
        return QStringLiteral("BandOverlay");
    }
}

int shapeEntry(QR::TQRShapeType shape)
{
    for (int i = 0; i < 6; ++i)
        if (shapeOrder[i] == shape)
            return i;
    return 0;
}
} // namespace

QString TQRepDesigner::Describe(TComponent *c) const
{
    if (!c)
        return {};
    const QString name = c->Name();
    QString info;
    if (auto *band = qobject_cast<TQRCustomBand *>(c)) {
        info = "Band " + name + " (Bandtype:" + Text(bandTypeKey(band)) + ")";
    } else {
        if (qobject_cast<TQRDesignLabel *>(c)) {
            info = "Label " + name;
        } else if (auto *x = qobject_cast<TQRExpr *>(c);
                   x && c->metaObject()->indexOfProperty("Operation") >= 0) {
            const QMetaProperty op = c->metaObject()->property(c->metaObject()->indexOfProperty("Operation"));
            const QString field = c->property("DataField").toString();
            auto *ds = qvariant_cast<TComponent *>(c->property("DataSet"));
            info = "Calculated field " + name +
                   " (Operation:" + QString::fromLatin1(op.enumerator().valueToKey(op.read(c).toInt())) +
                   ", Field:" + fieldLabel(ds, field) + ", Database:" + (ds ? ds->Name() : QString()) + ")";
        } else if (auto *x = qobject_cast<TQRExpr *>(c)) {
            info = "Expression " + name + " : " + x->Expression();
        } else if (auto *d = qobject_cast<TQRDBText *>(c)) {
            info = "Datafield " + name + " (Field:" + fieldLabel(d->DataSet(), d->DataField()) +
                   ", Database:" + (d->DataSet() ? d->DataSet()->Name() : QString()) + ")";
        } else if (qobject_cast<TQRMemo *>(c)) {
            info = "Memo " + name;
        } else if (qobject_cast<TQRDesignDBImage *>(c)) {
            auto *ds = qvariant_cast<TComponent *>(c->property("DataSet"));
            info = "Database image " + name +
                   " (Field:" + fieldLabel(ds, c->property("DataField").toString()) +
                   ", Database:" + (ds ? ds->Name() : QString()) + ")";
        } else if (qobject_cast<TQRDesignImage *>(c)) {
            info = "Image " + name + " (Filename:" + c->property("Filename").toString() + ")";
        } else if (auto *s = qobject_cast<TQRShape *>(c)) {
            info = "Shape " + name + " (" + Text(ShapeKeys().at(shapeEntry(s->Shape()))) + ")";
        } else if (auto *s = qobject_cast<TQRSysData *>(c)) {
            info = "Systemdata " + name + " (Data:" + Text(SysdataKeys().value(int(s->Data()))) + ")";
        } else {
            info = KindText(c) + " " + name;
        }
        if (auto *control = qobject_cast<TControl *>(c))
            info += "  [Position: " + QString::number(control->Left()) + "/" +
                    QString::number(control->Top()) + "]";
    }
    if (OnShowInfo)
        OnShowInfo(c, info);
    return info;
}

void TQRepDesigner::SelectionChanged()
{
    UpdateCommands();
    UpdatePropertyStrip();
    UpdateInfoPanel();
    UpdateFontControls();
    // Only a single selected control shows its hint on the frame.
    repaint();
}

void TQRepDesigner::UpdateCommands()
{
    const int n = SelectionCount();
    auto enable = [](QAction *a, bool on) {
        if (a)
            a->setEnabled(on);
    };
    const TQRMenuItems &m = MenuItems;
    const TQRSpeedButtons &b = SpeedButtons;
    for (QAction *a :
         {m.CopyToClipboard.data(), m.CutToClipboard.data(), m.Delete.data(), m.SendToBack.data(),
          m.BringToFront.data(), m.ParentCenterHorizontal.data(), m.ParentCenterVertical.data(),
          b.CopyToClipboard.data(), b.CutToClipboard.data(), b.Delete.data(), b.SendToBack.data(),
          b.BringToFront.data(), b.AlignParentCenterHorizontal.data(), b.AlignParentCenterVertical.data()})
        enable(a, n >= 1);
    for (QAction *a : {m.AlignLeft.data(), m.AlignRight.data(), m.AlignTop.data(), m.AlignBottom.data(),
                       m.CenterHorizontal.data(), m.CenterVertical.data(), b.AlignLeft.data(),
                       b.AlignRight.data(), b.AlignTop.data(), b.AlignBottom.data(),
                       b.AlignCenterHorizontal.data(), b.AlignCenterVertical.data()})
        enable(a, n >= 2);
    for (QAction *a : {m.EqualSpaceHorizontal.data(), m.EqualSpaceVertical.data(),
                       b.AlignEqualSpaceHorizontal.data(), b.AlignEqualSpaceVertical.data()})
        enable(a, n >= 3);
    // The text alignment buttons show the single selection's alignment.
    const auto sel = Selection();
    const int alignment = n == 1 && sel.first()->metaObject()->indexOfProperty("Alignment") >= 0
                              ? sel.first()->property("Alignment").toInt()
                              : -1;
    if (b.TextLeftAlign)
        b.TextLeftAlign->setChecked(alignment == QR::taLeftJustify);
    if (b.TextRightAlign)
        b.TextRightAlign->setChecked(alignment == QR::taRightJustify);
    if (b.TextCenter)
        b.TextCenter->setChecked(alignment == QR::taCenter);
    if (OnSelectionChanged)
        OnSelectionChanged(this, n);
}

void TQRepDesigner::UpdatePropertyStrip()
{
    if (!EditorTypeLabel && !EditorCombobox && !EditorEditControl)
        return;
    m_updating = true;
    const auto sel = Selection();
    TComponent *c = sel.size() == 1 ? sel.first() : nullptr;
    if (EditorTypeLabel)
        EditorTypeLabel->setText(KindText(c));
    bool edit = false, list = false;
    QStringList items;
    int current = -1;
    QString text;
    if (auto *l = qobject_cast<TQRDesignLabel *>(c)) {
        edit = true;
        text = l->Caption();
    } else if (auto *x = qobject_cast<TQRDesignExpr *>(c)) {
        edit = true;
        text = x->Expression();
    } else if (auto *band = qobject_cast<TQRCustomBand *>(c)) {
        list = true;
        for (const QString &key : BandTypeKeys())
            items.append(Text(key));
        current = bandTypeEntry(band);
    } else if (auto *d = qobject_cast<TQRDesignDBText *>(c)) {
        list = true;
        if (auto *ds = qobject_cast<TDataSet *>(d->DataSet()))
            for (TField *f : ds->FieldList())
                items.append(f->DisplayLabel().isEmpty() ? f->FieldName() : f->DisplayLabel());
        items.sort(Qt::CaseInsensitive);
        current = int(items.indexOf(fieldLabel(d->DataSet(), d->DataField())));
    } else if (auto *s = qobject_cast<TQRDesignShape *>(c)) {
        list = true;
        for (const QString &key : ShapeKeys())
            items.append(Text(key));
        current = shapeEntry(s->Shape());
    } else if (auto *s = qobject_cast<TQRDesignSysdata *>(c)) {
        list = true;
        for (const QString &key : SysdataKeys())
            items.append(Text(key));
        current = int(s->Data());
    }
    const bool locked = flag(c, "BlockChange") || flag(c, "BlockEdit");
    if (EditorEditControl) {
        EditorEditControl->setVisible(edit || !list);
        EditorEditControl->setText(text);
        EditorEditControl->setEnabled(edit && !locked);
    }
    if (EditorCombobox) {
        EditorCombobox->setVisible(list);
        EditorCombobox->clear();
        EditorCombobox->addItems(items);
        EditorCombobox->setCurrentIndex(current);
        EditorCombobox->setEnabled(list && !locked);
    }
    m_updating = false;
}

void TQRepDesigner::applyStripEdit()
{
    const auto sel = Selection();
    if (m_updating || sel.size() != 1 || !EditorEditControl)
        return;
    const QString text = EditorEditControl->text();
    if (auto *l = qobject_cast<TQRDesignLabel *>(sel.first()); l && l->Caption() != text) {
        TakeSnapshot();
        l->SetCaption(text);
    } else if (auto *x = qobject_cast<TQRDesignExpr *>(sel.first()); x && x->Expression() != text) {
        TakeSnapshot();
        x->SetExpression(text);
    } else {
        return;
    }
    UpdateInfoPanel();
    repaint();
}

void TQRepDesigner::applyStripList(int index)
{
    const auto sel = Selection();
    if (m_updating || sel.size() != 1 || index < 0 || !EditorCombobox)
        return;
    TComponent *c = sel.first();
    if (auto *band = qobject_cast<TQRCustomBand *>(c)) {
        if (index < 8 && band->BandType() != bandOrder[index]) {
            TakeSnapshot();
            band->SetBandType(bandOrder[index]);
        }
    } else if (auto *d = qobject_cast<TQRDesignDBText *>(c)) {
        const QString label = EditorCombobox->itemText(index);
        if (auto *ds = qobject_cast<TDataSet *>(d->DataSet()))
            for (TField *f : ds->FieldList())
                if ((f->DisplayLabel().isEmpty() ? f->FieldName() : f->DisplayLabel()) == label &&
                    f->FieldName() != d->DataField()) {
                    TakeSnapshot();
                    d->SetDataField(f->FieldName());
                    d->SetCaption(label);
                }
    } else if (auto *s = qobject_cast<TQRDesignShape *>(c)) {
        if (s->Shape() != shapeOrder[index]) {
            TakeSnapshot();
            s->SetShape(shapeOrder[index]);
        }
    } else if (auto *s = qobject_cast<TQRDesignSysdata *>(c)) {
        if (int(s->Data()) != index) {
            TakeSnapshot();
            s->SetData(QR::TQRSysDataType(index));
        }
    }
    UpdateInfoPanel();
    repaint();
}

void TQRepDesigner::UpdateInfoPanel()
{
    if (!InfoPanel)
        return;
    const auto sel = Selection();
    InfoPanel->setText(sel.size() == 1 ? Describe(sel.first()) : QString());
}

void TQRepDesigner::UpdateFontControls()
{
    m_updating = true;
    const auto sel = Selection();
    TFont *last = sel.isEmpty() ? (QReport() ? QReport()->Font() : nullptr) : fontOf(sel.last());
    bool sameName = true, sameSize = true, sameBold = true, sameItalic = true, sameUnderline = true;
    if (last)
        for (TQRVisualControl *c : sel) {
            TFont *f = fontOf(c);
            if (!f)
                continue;
            sameName &= f->Name() == last->Name();
            sameSize &= f->Size() == last->Size();
            sameBold &= f->Style().testFlag(TFont::fsBold) == last->Style().testFlag(TFont::fsBold);
            sameItalic &= f->Style().testFlag(TFont::fsItalic) == last->Style().testFlag(TFont::fsItalic);
            sameUnderline &=
                f->Style().testFlag(TFont::fsUnderline) == last->Style().testFlag(TFont::fsUnderline);
        }
    if (FontComboBox)
        FontComboBox->setCurrentText(last && sameName ? last->Name() : QString());
    if (FontSizeComboBox)
        FontSizeComboBox->setCurrentText(last && sameSize ? QString::number(last->Size()) : QString());
    if (SpeedButtons.FontBold)
        SpeedButtons.FontBold->setChecked(last && sameBold && last->Style().testFlag(TFont::fsBold));
    if (SpeedButtons.FontItalic)
        SpeedButtons.FontItalic->setChecked(last && sameItalic && last->Style().testFlag(TFont::fsItalic));
    if (SpeedButtons.FontUnderline)
        SpeedButtons.FontUnderline->setChecked(last && sameUnderline &&
                                               last->Style().testFlag(TFont::fsUnderline));
    m_updating = false;
}

void TQRepDesigner::applyFont()
{
    if (m_updating)
        return;
    QList<TFont *> fonts;
    for (TQRVisualControl *c : Selection())
        if (TFont *f = fontOf(c))
            fonts.append(f);
    if (fonts.isEmpty() && SelectionCount() == 0 && QReport())
        fonts.append(QReport()->Font());
    if (fonts.isEmpty())
        return;
    TakeSnapshot();
    for (TFont *f : fonts) {
        if (FontComboBox && !FontComboBox->currentText().isEmpty())
            f->SetName(FontComboBox->currentText());
        bool ok = false;
        const int size = FontSizeComboBox ? FontSizeComboBox->currentText().toInt(&ok) : 0;
        if (ok && size > 0) // a size that is not a number is ignored
            f->SetSize(size);
        TFont::TFontStyles style = f->Style();
        if (SpeedButtons.FontBold)
            style.setFlag(TFont::fsBold, SpeedButtons.FontBold->isChecked());
        if (SpeedButtons.FontItalic)
            style.setFlag(TFont::fsItalic, SpeedButtons.FontItalic->isChecked());
        if (SpeedButtons.FontUnderline)
            style.setFlag(TFont::fsUnderline, SpeedButtons.FontUnderline->isChecked());
        f->SetStyle(style);
    }
    repaint();
}

void TQRepDesigner::LinkControls()
{
    if (m_linked)
        return;
    m_linked = true;
    if (FontComboBox) {
        if (FontComboBox->count() == 0)
            FontComboBox->addItems(QFontDatabase::families());
        connect(FontComboBox, &QComboBox::textActivated, this, [this] { applyFont(); });
    }
    if (FontSizeComboBox && FontSizeComboBox->lineEdit())
        connect(FontSizeComboBox->lineEdit(), &QLineEdit::returnPressed, this, [this] { applyFont(); });
    if (FontSizeComboBox)
        connect(FontSizeComboBox, &QComboBox::textActivated, this, [this] { applyFont(); });
    for (QAction *a :
         {SpeedButtons.FontBold.data(), SpeedButtons.FontItalic.data(), SpeedButtons.FontUnderline.data()})
        if (a)
            connect(a, &QAction::triggered, this, [this] { applyFont(); });
    if (EditorEditControl)
        connect(EditorEditControl, &QLineEdit::editingFinished, this, [this] { applyStripEdit(); });
    if (EditorCombobox)
        connect(EditorCombobox, &QComboBox::activated, this, [this](int i) { applyStripList(i); });
    auto hook = [this](QAction *a, const std::function<void()> *command) {
        if (a)
            connect(a, &QAction::triggered, this, [command] {
                if (*command)
                    (*command)();
            });
    };
    hook(MenuItems.Delete, &BlockCommands.Delete);
    hook(MenuItems.CopyToClipboard, &BlockCommands.CopyToClipboard);
    hook(MenuItems.CutToClipboard, &BlockCommands.CutToClipboard);
    hook(MenuItems.PasteFromClipboard, &BlockCommands.PasteFromClipboard);
    hook(MenuItems.Undo, &BlockCommands.Undo);
    SelectionChanged();
}

// --- files ---------------------------------------------------------------------------------------

void TQRepDesigner::PrepareDesign()
{
    TQRDesignReport *report = QReport();
    if (!report)
        return;
    report->DesignerRoot = controlOwner();
    if (TComponent *owner = controlOwner())
        for (TComponent *c : owner->ComponentList())
            if (qobject_cast<TQRVisualControl *>(c))
                c->SetDesigning(true);
    report->SetDesigning(true);
}

bool TQRepDesigner::LoadReportFile(const QString &fileName)
{
    DeselectAll();
    const bool ok = TQRDLoader::LoadReportFile(fileName);
    PrepareDesign();
    if (ok)
        SetModified(false);
    SetDesignState(dsNormal);
    if (OnDatasetsChanged)
        OnDatasetsChanged();
    SelectionChanged();
    return ok;
}

bool TQRepDesigner::LoadReportStream(QIODevice *stream)
{
    DeselectAll();
    const bool ok = TQRDLoader::LoadReportStream(stream);
    PrepareDesign();
    if (ok)
        SetModified(false);
    SetDesignState(dsNormal);
    if (OnDatasetsChanged)
        OnDatasetsChanged();
    SelectionChanged();
    return ok;
}

bool TQRepDesigner::SaveReportFile(const QString &fileName)
{
    const bool ok = TQRDLoader::SaveReportFile(fileName);
    if (ok)
        SetModified(false);
    return ok;
}

bool TQRepDesigner::SaveReportStream(QIODevice *stream)
{
    const bool ok = TQRDLoader::SaveReportStream(stream);
    if (ok)
        SetModified(false);
    return ok;
}

void TQRepDesigner::NewReport()
{
    DeselectAll();
    TQRDesignReport *report = QReport();
    if (!report)
        return;
    // Bands go with the elements on them; loose elements on the report as well.
    const QList<TControl *> children = report->ControlList();
    for (TControl *c : children) {
        QList<TControl *> elements = c->ControlList();
        for (TControl *e : elements)
            delete e;
        delete c;
    }
    SetScript({});
    SetFileName(QString());
    PrepareDesign();
    SetDesignState(dsNormal);
    SetModified(false);
    if (OnDatasetsChanged)
        OnDatasetsChanged();
    repaint();
}
