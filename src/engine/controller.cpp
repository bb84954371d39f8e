#include "controller.h"

#include "engine/band.h"
#include "engine/report.h"

TQRCustomController::TQRCustomController(TComponent *owner) : QObject(owner), m_owner(owner) {}

QList<TComponent *> TQRCustomController::candidates() const
{
    QList<TComponent *> list;
    if (!m_owner)
        return list;
    if (TComponent *outer = m_owner->Owner())
        list = outer->ComponentList();
    list += m_owner->ComponentList();
    return list;
}

void TQRCustomController::BuildLists()
{
    QList<const TQRCustomController *> visiting;
    buildLists(visiting);
}

void TQRCustomController::buildLists(QList<const TQRCustomController *> &visiting)
{
    m_before.clear();
    m_after.clear();
    clearGroups();
    // Masters refuse cycles, but a hand-made file could still hold one.
    if (visiting.contains(this))
        return;
    visiting.append(this);
    const QList<TComponent *> list = candidates();
    for (TComponent *c : list) {
        if (c->ComponentState() & TComponent::csDestroying)
            continue;
        if (auto *band = qobject_cast<TQRControllerBand *>(c)) {
            TQRCustomController *sub = band->Controller();
            if (!sub || sub == this || band->Master() != m_owner || visiting.contains(sub))
                continue;
            if (m_before.contains(sub) || m_after.contains(sub))
                continue;
            sub->SetOwningReport(m_report);
            (sub->PrintBefore() ? m_before : m_after).append(sub);
            sub->buildLists(visiting);
        } else if (auto *group = qobject_cast<TQRGroup *>(c)) {
            if (group->Master() == m_owner)
                takeGroup(group);
        }
    }
    visiting.removeOne(this);
}

void TQRCustomController::collectSubBands(const QList<TQRCustomController *> &subs,
                                          QList<TQRCustomBand *> &list) const
{
    for (TQRCustomController *c : subs)
        c->CollectBandOrder(list);
}

// --- TQRController ---------------------------------------------------------------

TQRController::TQRController(TComponent *owner) : TQRCustomController(owner) {}

void TQRController::takeGroup(TQRGroup *group)
{
    if (!m_groups.contains(group)) {
        m_groups.append(group);
        if (m_report)
            group->AttachToReport(m_report);
    }
}

void TQRController::CollectBandOrder(QList<TQRCustomBand *> &list) const
{
    if (m_header)
        list.append(m_header);
    for (TQRGroup *g : m_groups)
        list.append(g);
    collectSubBands(m_before, list);
    if (m_detail)
        list.append(m_detail);
    collectSubBands(m_after, list);
    for (auto it = m_groups.crbegin(); it != m_groups.crend(); ++it)
        if ((*it)->FooterBand())
            list.append((*it)->FooterBand());
    if (m_footer)
        list.append(m_footer);
}

void TQRLoopController::CollectBandOrder(QList<TQRCustomBand *> &list) const
{
    collectSubBands(m_before, list);
    if (auto *band = qobject_cast<TQRCustomBand *>(m_owner))
        list.append(band);
    collectSubBands(m_after, list);
}

void TQRStringsController::CollectBandOrder(QList<TQRCustomBand *> &list) const
{
    collectSubBands(m_before, list);
    if (auto *band = qobject_cast<TQRCustomBand *>(m_owner))
        list.append(band);
    collectSubBands(m_after, list);
}
