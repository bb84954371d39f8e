#include "band.h"

#include "common/layoutmath.h"
#include "common/prompt.h"
#include "engine/controller.h"
#include "engine/printable.h"
#include "engine/report.h"

#include <cmath>

QString CircularLinkMessage()
{
    return QStringLiteral("Circular linking not allowed");
}

// --- TQRCustomBand -------------------------------------------------------------------

TQRCustomBand::TQRCustomBand(TComponent *owner)
    : TQRBasePanel(owner), m_font(new TFont(this)), m_size(new TQRBandSize(this))
{
    connect(m_size, &TQRUnitBase::Changed, this, &TQRCustomBand::sizeChanged);
    connect(m_font, &TFont::Changed, this, &TQRCustomBand::fontChanged);
    ++m_syncing;
    SetBounds(0, 0, 0, DefaultHeight);
    m_size->SetNativeValue(TQRBandSize::HeightIndex,
                           PixelsToNative(DefaultHeight, m_size->Resolution(), 100));
    --m_syncing;
}

TQRCustomBand::~TQRCustomBand() = default;

void TQRCustomBand::DoBeforePrint(bool &printBand)
{
    if (BeforePrint && !IsDesigning())
        BeforePrint(this, printBand);
}

void TQRCustomBand::DoAfterPrint(bool printed)
{
    if (AfterPrint && !IsDesigning())
        AfterPrint(this, printed);
}

void TQRCustomBand::ShowCircularMessage() const
{
    if (IsDesigning())
        Prompt().ShowError(CircularLinkMessage());
}

int TQRCustomBand::PixelHeightFromSize() const
{
    return LayoutInt(
        NativeToPixels(m_size->NativeValue(TQRBandSize::HeightIndex), m_size->Resolution(), m_zoom));
}

int TQRCustomBand::PixelWidthFromSize() const
{
    return LayoutInt(
        NativeToPixels(m_size->NativeValue(TQRBandSize::WidthIndex), m_size->Resolution(), m_zoom));
}

void TQRCustomBand::SetLayoutBounds(int left, int top, int width, int height)
{
    const int oldWidth = Width();
    ++m_syncing;
    SetBounds(left, top, width, height);
    --m_syncing;
    if (oldWidth != width)
        notifyElementsResized();
}

void TQRCustomBand::notifyElementsResized()
{
    const auto children = ControlList();
    for (TControl *c : children)
        if (auto *p = qobject_cast<TQRPrintable *>(c); p && p->AlignToBand())
            p->ParentChanged(2);
}

void TQRCustomBand::sizeChanged(int)
{
    if (m_syncing)
        return;
    ++m_syncing;
    SetBounds(Left(), Top(), Width(), PixelHeightFromSize());
    --m_syncing;
    RequestRelayout();
}

void TQRCustomBand::BoundsChanged()
{
    if (m_syncing)
        return;
    if (IsLoading()) {
        // Only remembered: the native size decides after loading.
        m_storedHeight = Height();
        return;
    }
    if (Height() != PixelHeightFromSize()) {
        ++m_syncing;
        m_size->SetNativeValue(TQRBandSize::HeightIndex,
                               PixelsToNative(Height(), m_size->Resolution(), m_zoom));
        --m_syncing;
    }
    notifyElementsResized();
    if (TQRCustomReport *r = ParentReport())
        r->SetModified(true);
    RequestRelayout();
}

void TQRCustomBand::Loaded()
{
    TQRBasePanel::Loaded();
    // A band written without a native height keeps its stored pixel height.
    if (m_storedHeight > 0 && m_storedHeight != DefaultHeight && PixelHeightFromSize() == DefaultHeight) {
        ++m_syncing;
        m_size->SetNativeValue(TQRBandSize::HeightIndex,
                               PixelsToNative(m_storedHeight, m_size->Resolution(), m_zoom));
        --m_syncing;
    }
    m_storedHeight = 0;
    ++m_syncing;
    SetBounds(Left(), Top(), Width(), PixelHeightFromSize());
    --m_syncing;
    ParentFontChanged();
    RequestRelayout();
}

void TQRCustomBand::ApplyZoom(int)
{
    ++m_syncing;
    SetBounds(Left(), Top(), PixelWidthFromSize(), PixelHeightFromSize());
    --m_syncing;
}

void TQRCustomBand::ChildrenChanged()
{
    TQRCustomReport *report = ParentReport();
    const auto children = ControlList();
    for (TControl *c : children) {
        if (auto *p = qobject_cast<TQRPrintable *>(c)) {
            if (report)
                p->Size()->SetUnits(report->Units());
            if (p->Size()->Zoom() != m_zoom)
                p->SetElementZoom(m_zoom);
            p->ParentFontChanged();
        }
    }
}

void TQRCustomBand::RequestRelayout()
{
    TQRCustomReport *r = ParentReport();
    if (r && !IsLoading() && !r->IsLoading())
        r->RebuildBandList();
}

void TQRCustomBand::SetBandType(QR::TQRBandType type)
{
    if (type < QR::rbTitle || type > QR::rbChild || type == m_bandType)
        return;
    m_bandType = type;
    RequestRelayout();
}

QString TQRCustomBand::DisplayName() const
{
    return BandTypeDisplayName(m_bandType);
}

QString TQRCustomBand::NameBase() const
{
    return BandTypeNameBase(m_bandType);
}

TQRCustomReport *TQRCustomBand::ParentReport() const
{
    return qobject_cast<TQRCustomReport *>(Parent());
}

void TQRCustomBand::AttachToReport(TQRCustomReport *) {}

TQRChildBand *TQRCustomBand::ChildBand() const
{
    // The bands of the report, or of the owner for a band not yet placed.
    QList<TComponent *> candidates;
    if (TControl *p = Parent()) {
        for (TControl *c : p->ControlList())
            candidates.append(c);
    } else if (Owner()) {
        candidates = Owner()->ComponentList();
    }
    for (TComponent *c : candidates)
        if (auto *child = qobject_cast<TQRChildBand *>(c); child && child->ParentBand() == this)
            return child;
    return nullptr;
}

bool TQRCustomBand::HasChild() const
{
    return ChildBand() != nullptr;
}

void TQRCustomBand::SetHasChild(bool v)
{
    TQRChildBand *child = ChildBand();
    if (v) {
        if (child)
            return;
        auto *band = new TQRChildBand(Owner());
        if (IsDesigning()) {
            band->SetDesigning(true);
            TQRCustomReport *r = ParentReport();
            QString name;
            if (r && r->DesignerUniqueName)
                name = r->DesignerUniqueName(band);
            else if (TComponent *o = band->Owner())
                for (int i = 1; name.isEmpty(); ++i)
                    if (!o->FindComponent(band->NameBase() + QString::number(i)))
                        name = band->NameBase() + QString::number(i);
            band->SetName(name);
        }
        band->m_parentBand = this;
        FreeNotification(band);
        band->FreeNotification(this);
        band->SetParent(Parent());
        RequestRelayout();
        return;
    }
    if (!child)
        return;
    if (TQRChildBand *grandchild = child->ChildBand()) {
        child->m_parentBand = nullptr;
        grandchild->m_parentBand = this;
        grandchild->FreeNotification(this);
    }
    delete child;
    RequestRelayout();
}

void TQRCustomBand::SetLinkBand(TQRCustomBand *band)
{
    if (band == m_linkBand)
        return;
    for (TQRCustomBand *b = band; b; b = b->m_linkBand) {
        if (b == this) {
            ShowCircularMessage();
            return;
        }
    }
    m_linkBand = band;
    if (band)
        FreeNotification(band);
    RequestRelayout();
}

double TQRCustomBand::LinkedHeight() const
{
    double h = m_size->NativeValue(TQRBandSize::HeightIndex);
    // Links are acyclic; the bound only guards against a damaged chain.
    int guard = 0;
    for (const TQRCustomBand *b = m_linkBand; b && guard < 10000; b = b->m_linkBand, ++guard)
        h += b->m_size->NativeValue(TQRBandSize::HeightIndex);
    return h;
}

void TQRCustomBand::SetParentFont(bool v)
{
    m_parentFont = v;
    if (v)
        ParentFontChanged();
}

void TQRCustomBand::fontChanged()
{
    if (m_syncing)
        return;
    // A font set on the band itself ends the link to the report's font;
    // values read from a file do not.
    if (!IsLoading())
        m_parentFont = false;
    NotifyChildrenFontChanged();
}

void TQRCustomBand::ParentFontChanged()
{
    auto *p = qobject_cast<TQRVisualControl *>(Parent());
    if (!m_parentFont || !p || !p->ControlFont() || IsLoading())
        return;
    ++m_syncing;
    m_font->Assign(p->ControlFont());
    --m_syncing;
    NotifyChildrenFontChanged();
}

void TQRCustomBand::Notification(TComponent *component, TOperation operation)
{
    TQRBasePanel::Notification(component, operation);
    if (operation == opRemove && component == m_linkBand)
        m_linkBand = nullptr;
}

// --- TQRBand, child bands --------------------------------------------------------------

TQRBand::TQRBand(TComponent *owner) : TQRCustomBand(owner) {}

TQRChildBand::TQRChildBand(TComponent *owner) : TQRCustomBand(owner)
{
    m_bandType = QR::rbChild;
}

void TQRChildBand::SetParentBand(TQRCustomBand *band)
{
    if (band == m_parentBand)
        return;
    if (band) {
        for (TQRCustomBand *b = band; b;) {
            if (b == this) {
                ShowCircularMessage();
                return;
            }
            auto *c = qobject_cast<TQRChildBand *>(b);
            b = c ? c->m_parentBand : nullptr;
        }
        // A band has at most one child.
        TQRChildBand *other = band->ChildBand();
        if (other && other != this)
            return;
        FreeNotification(band);
    }
    m_parentBand = band;
    RequestRelayout();
}

void TQRChildBand::Notification(TComponent *component, TOperation operation)
{
    TQRCustomBand::Notification(component, operation);
    if (operation == opRemove && component == m_parentBand)
        m_parentBand = nullptr;
}

// --- TQRGroup ------------------------------------------------------------------------------

TQRGroup::TQRGroup(TComponent *owner) : TQRCustomBand(owner)
{
    m_bandType = QR::rbGroupHeader;
}

void TQRGroup::SetFooterBand(TQRBand *band)
{
    if (band == m_footerBand || static_cast<TQRCustomBand *>(band) == this)
        return;
    m_footerBand = band;
    if (band) {
        band->SetBandType(QR::rbGroupFooter);
        FreeNotification(band);
    }
    RequestRelayout();
}

void TQRGroup::SetMaster(TComponent *master)
{
    if (master == m_master)
        return;
    if (master && !qobject_cast<TQRCustomReport *>(master) && !qobject_cast<TQRControllerBand *>(master))
        return;
    m_master = master;
    if (master)
        FreeNotification(master);
    RequestRelayout();
}

void TQRGroup::AttachToReport(TQRCustomReport *report)
{
    if (!m_master && report) {
        m_master = report;
        FreeNotification(report);
    }
}

void TQRGroup::Notification(TComponent *component, TOperation operation)
{
    TQRCustomBand::Notification(component, operation);
    if (operation != opRemove)
        return;
    if (component == m_footerBand)
        m_footerBand = nullptr;
    if (component == m_master)
        m_master = nullptr;
}

// --- TQRControllerBand --------------------------------------------------------------------

TQRControllerBand::TQRControllerBand(TComponent *owner) : TQRCustomBand(owner)
{
    m_bandType = QR::rbSubDetail;
    connect(this, &QObject::objectNameChanged, this, [this] { nameChanged(); });
}

TQRControllerBand::~TQRControllerBand()
{
    if (m_variableEnvironment)
        m_variableEnvironment->RemoveVariable(m_variableName);
}

void TQRControllerBand::declareVariable(TQRCustomReport *report)
{
    const QString text = VariableIdleText();
    if (!report || text.isEmpty() || Name().isEmpty())
        return;
    TQREvEnvironment *env = report->Functions();
    if (m_variableEnvironment == env && env->IndexOf(m_variableName) >= 0)
        return;
    // A band moved to another report takes its variable along.
    if (m_variableEnvironment && m_variableEnvironment != env)
        m_variableEnvironment->RemoveVariable(m_variableName);
    // Reading the report's stored functions may have replaced the list, so a
    // missing entry is declared again.
    env->AddVariable(Name(), text);
    m_variableEnvironment = env;
    m_variableName = Name();
}

void TQRControllerBand::nameChanged()
{
    if (m_variableEnvironment) {
        m_variableEnvironment->RemoveVariable(m_variableName);
        m_variableEnvironment = nullptr;
        m_variableName.clear();
    }
    declareVariable(ParentReport());
}

void TQRControllerBand::SetController(TQRCustomController *controller)
{
    m_controller = controller;
    m_controller->SetPrintBefore(m_printBefore);
}

void TQRControllerBand::SetMaster(TComponent *master)
{
    if (master == m_master)
        return;
    if (master && !qobject_cast<TQRCustomReport *>(master) && !qobject_cast<TQRControllerBand *>(master))
        return;
    int guard = 0;
    for (auto *b = qobject_cast<TQRControllerBand *>(master); b && guard < 10000;
         b = qobject_cast<TQRControllerBand *>(b->m_master), ++guard) {
        if (b == this) {
            ShowCircularMessage();
            return;
        }
    }
    m_master = master;
    if (master)
        FreeNotification(master);
    RequestRelayout();
}

void TQRControllerBand::SetPrintBefore(bool v)
{
    if (v == m_printBefore)
        return;
    m_printBefore = v;
    if (m_controller)
        m_controller->SetPrintBefore(v);
    RequestRelayout();
}

void TQRControllerBand::CollectBandOrder(QList<TQRCustomBand *> &list) const
{
    if (m_controller)
        m_controller->CollectBandOrder(list);
}

void TQRControllerBand::AttachToReport(TQRCustomReport *report)
{
    declareVariable(report);
    if (m_controller)
        m_controller->SetOwningReport(report);
    if (!m_master && report) {
        m_master = report;
        FreeNotification(report);
    }
}

void TQRControllerBand::Notification(TComponent *component, TOperation operation)
{
    TQRCustomBand::Notification(component, operation);
    if (operation == opRemove && component == m_master)
        m_master = nullptr;
}

// --- TQRSubDetail ---------------------------------------------------------------------------

TQRSubDetailGroupBands::TQRSubDetailGroupBands(TQRSubDetail *owner) : TPersistent(owner), m_owner(owner) {}

bool TQRSubDetailGroupBands::HasHeader() const
{
    return m_owner->HeaderBand() != nullptr;
}

bool TQRSubDetailGroupBands::HasFooter() const
{
    return m_owner->FooterBand() != nullptr;
}

void TQRSubDetailGroupBands::SetHasHeader(bool v)
{
    if (v == HasHeader())
        return;
    if (v) {
        if (TQRCustomReport *r = m_owner->ParentReport())
            m_owner->SetHeaderBand(r->CreateBand(QR::rbGroupHeader));
        return;
    }
    TQRBand *band = m_owner->HeaderBand();
    m_owner->SetHeaderBand(nullptr);
    delete band;
}

void TQRSubDetailGroupBands::SetHasFooter(bool v)
{
    if (v == HasFooter())
        return;
    if (v) {
        if (TQRCustomReport *r = m_owner->ParentReport())
            m_owner->SetFooterBand(r->CreateBand(QR::rbGroupFooter));
        return;
    }
    TQRBand *band = m_owner->FooterBand();
    m_owner->SetFooterBand(nullptr);
    delete band;
}

TQRSubDetail::TQRSubDetail(TComponent *owner)
    : TQRControllerBand(owner), m_bands(new TQRSubDetailGroupBands(this))
{
    SetController(new TQRController(this));
    updateController();
}

TQRController *TQRSubDetail::SubController() const
{
    return static_cast<TQRController *>(Controller());
}

void TQRSubDetail::updateController()
{
    TQRController *c = SubController();
    c->SetHeader(m_headerBand);
    c->SetDetail(this);
    c->SetFooter(m_footerBand);
    c->SetDataSet(m_dataSet);
    c->SetPrintIfEmpty(m_printIfEmpty);
    c->OnNeedData = [this](QObject *sender, bool &more) {
        if (OnNeedData)
            OnNeedData(sender, more);
    };
}

void TQRSubDetail::SetDataSet(TComponent *dataSet)
{
    if (dataSet && !IsDataSetComponent(dataSet))
        return;
    m_dataSet = dataSet;
    if (dataSet)
        FreeNotification(dataSet);
    updateController();
}

void TQRSubDetail::SetFooterBand(TQRBand *band)
{
    if (band == m_footerBand)
        return;
    m_footerBand = band;
    if (band) {
        band->SetBandType(QR::rbGroupFooter);
        FreeNotification(band);
    }
    updateController();
    RequestRelayout();
}

void TQRSubDetail::SetHeaderBand(TQRBand *band)
{
    if (band == m_headerBand)
        return;
    m_headerBand = band;
    if (band) {
        band->SetBandType(QR::rbGroupHeader);
        FreeNotification(band);
    }
    updateController();
    RequestRelayout();
}

void TQRSubDetail::SetPrintIfEmpty(bool v)
{
    m_printIfEmpty = v;
    updateController();
}

void TQRSubDetail::CollectBandOrder(QList<TQRCustomBand *> &list) const
{
    TQRControllerBand::CollectBandOrder(list);
}

void TQRSubDetail::Notification(TComponent *component, TOperation operation)
{
    TQRControllerBand::Notification(component, operation);
    if (operation != opRemove)
        return;
    if (component == m_dataSet)
        m_dataSet = nullptr;
    if (component == m_headerBand)
        m_headerBand = nullptr;
    if (component == m_footerBand)
        m_footerBand = nullptr;
    updateController();
}

// --- loop and strings bands --------------------------------------------------------------

TQRLoopBand::TQRLoopBand(TComponent *owner) : TQRControllerBand(owner)
{
    SetController(new TQRLoopController(this));
}

QString TQRLoopBand::DisplayName() const
{
    return QStringLiteral("Loop Band");
}

QString TQRLoopBand::NameBase() const
{
    return QStringLiteral("LoopBand");
}

TQRStringsBand::TQRStringsBand(TComponent *owner) : TQRControllerBand(owner)
{
    SetController(new TQRStringsController(this));
}

QString TQRStringsBand::DisplayName() const
{
    return QStringLiteral("Strings Band");
}

QString TQRStringsBand::NameBase() const
{
    return QStringLiteral("StringsBand");
}
