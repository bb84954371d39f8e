#pragma once

// Controllers: the non-visual drivers of a report's data loops. The report
// owns one TQRController; every sub-detail owns one, loop and strings bands
// their own kinds. Below each controller hang the controllers whose band's
// Master is this controller's owner (split by PrintBefore) and the groups
// whose Master is that owner. This file holds the structure the band order
// and the generator share; running the loops is the generator's part.

#include <QList>
#include <QObject>
#include <QPointer>
#include <functional>

class TComponent;
class TQRCustomBand;
class TQRCustomReport;
class TQRGroup;
class TQRBasePanel;

class TQRCustomController : public QObject
{
    Q_OBJECT
public:
    // owner: the band or report the controller belongs to.
    explicit TQRCustomController(TComponent *owner);

    TComponent *ControllerOwner() const { return m_owner; }
    TQRCustomReport *OwningReport() const { return m_report; }
    void SetOwningReport(TQRCustomReport *report) { m_report = report; }
    bool PrintBefore() const { return m_printBefore; }
    void SetPrintBefore(bool v) { m_printBefore = v; }

    const QList<TQRCustomController *> &PrintBeforeList() const { return m_before; }
    const QList<TQRCustomController *> &PrintAfterList() const { return m_after; }

    // Collects the sub-controllers (recursively) and, for TQRController, the groups.
    virtual void BuildLists();
    // Bands in registration order, appended to list.
    virtual void CollectBandOrder(QList<TQRCustomBand *> &list) const = 0;

    // --- run (controllerrun.cpp) ---
    virtual void PrepareController();
    virtual void UnprepareController();
    virtual void Execute() = 0;
    // Reprints group headers after a page or column break, through the sub-controllers.
    virtual void ReprintGroupHeaders();
    // The environment entry named like the owner (loop and strings band variables), or null.
    class TQREvElement *Variable = nullptr;

protected:
    // The components a controller looks at: those of its owner's owner, then its owner's own.
    QList<TComponent *> candidates() const;
    virtual void takeGroup(TQRGroup *group) {}
    // Forgets the groups taken at the last build; every build starts afresh so
    // that a group moved to another master or freed is not kept.
    virtual void clearGroups() {}
    void collectSubBands(const QList<TQRCustomController *> &subs, QList<TQRCustomBand *> &list) const;

    TComponent *m_owner;
    TQRCustomReport *m_report = nullptr;
    bool m_printBefore = false;
    QList<TQRCustomController *> m_before;
    QList<TQRCustomController *> m_after;

private:
    void buildLists(QList<const TQRCustomController *> &visiting);
};

class TQRController : public TQRCustomController
{
    Q_OBJECT
public:
    explicit TQRController(TComponent *owner);

    TComponent *DataSet() const { return m_dataSet; }
    void SetDataSet(TComponent *dataSet) { m_dataSet = dataSet; }
    bool PrintIfEmpty() const { return m_printIfEmpty; }
    void SetPrintIfEmpty(bool v) { m_printIfEmpty = v; }
    std::function<void(QObject *sender, bool &moreData)> OnNeedData;

    TQRCustomBand *Header() const { return m_header; }
    void SetHeader(TQRCustomBand *b) { m_header = b; }
    TQRCustomBand *Detail() const { return m_detail; }
    void SetDetail(TQRCustomBand *b) { m_detail = b; }
    TQRCustomBand *Footer() const { return m_footer; }
    void SetFooter(TQRCustomBand *b) { m_footer = b; }

    const QList<TQRGroup *> &Groups() const { return m_groups; }
    // Expression elements told when a detail record is reached.
    QList<QObject *> NotifyList;
    int DetailNo = 0;

    // --- run (controllerrun.cpp) ---
    void PrepareController() override;
    void UnprepareController() override;
    void Execute() override;
    // Header, print-before sub-controllers, detail, print-after sub-controllers, footer, once.
    void PrintEmpty();
    // Takes the group values; true when one changed (the inner groups restart with it).
    bool CheckGroups();
    void PrintGroupHeaders();
    void PrintGroupFooters();
    void ReprintGroupHeaders() override;
    // The dataset is a query with parameters named like report variables.
    bool UpdateQueryParams = false;
    // Records of the report's dataset (1 when unusable or on error).
    int RecordCount() const;

    // Header, groups, print-before bands, detail, print-after bands, group
    // footers in reverse group order, footer.
    void CollectBandOrder(QList<TQRCustomBand *> &list) const override;

protected:
    void takeGroup(TQRGroup *group) override;
    void clearGroups() override { m_groups.clear(); }

private:
    TComponent *m_dataSet = nullptr;
    bool m_printIfEmpty = true;
    QPointer<TQRCustomBand> m_header;
    QPointer<TQRCustomBand> m_detail;
    QPointer<TQRCustomBand> m_footer;
    QList<TQRGroup *> m_groups;
};

// Repeats its band PrintCount times.
class TQRLoopController : public TQRCustomController
{
    Q_OBJECT
public:
    using TQRCustomController::TQRCustomController;
    // Print-before bands, the band, print-after bands.
    void CollectBandOrder(QList<TQRCustomBand *> &list) const override;
    void Execute() override;
    int Index = 0;
};

// Repeats its band once per line of Items.
class TQRStringsController : public TQRCustomController
{
    Q_OBJECT
public:
    using TQRCustomController::TQRCustomController;
    void CollectBandOrder(QList<TQRCustomBand *> &list) const override;
    void Execute() override;
    int Index = -1;
};
