#pragma once

// Horizontal bands of a report: the plain band, child bands that extend a
// band downwards, group headers, and the controller bands (sub-detail, loop,
// strings) that drive a data loop of their own.
//
// A band lives on a report panel (its visual parent) and is usually owned by
// the report's owner. Its native Size is authoritative; the pixel bounds
// follow from it at the report's zoom, and the report lays the bands out one
// under another (TQRCustomReport::LayoutBands).

#include "engine/basepanel.h"
#include "engine/qrtypes.h"
#include "engine/unitbase.h"
#include "expressions/value.h"

#include <QPointer>
#include <QRect>
#include <QStringList>
#include <functional>
#include <memory>

class TQRCustomReport;
class TQRChildBand;
class TQRCustomController;
class TQRController;
class TQRLoopController;
class TQRStringsController;
class TQREvaluator;
class TQREvEnvironment;

// The message shown at design time when a link, parent or master would close a cycle.
QString CircularLinkMessage();

class TQRCustomBand : public TQRBasePanel
{
    Q_OBJECT
    Q_PROPERTY(bool AlignToBottom READ AlignToBottom WRITE SetAlignToBottom)
    Q_PROPERTY(TColor Color READ Color WRITE SetColor)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(TFont *Font READ Font CONSTANT)
    Q_PROPERTY(bool ForceNewColumn READ ForceNewColumn WRITE SetForceNewColumn)
    Q_PROPERTY(bool ForceNewPage READ ForceNewPage WRITE SetForceNewPage)
    Q_PROPERTY(bool HasChild READ HasChild WRITE SetHasChild STORED false)
    Q_PROPERTY(TQRCustomBand *LinkBand READ LinkBand WRITE SetLinkBand)
    Q_PROPERTY(bool ParentFont READ ParentFont WRITE SetParentFont)
    Q_PROPERTY(TQRBandSize *Size READ Size CONSTANT)
    Q_CLASSINFO("Default:AlignToBottom", "False")
    Q_CLASSINFO("Default:Color", "clBtnFace")
    Q_CLASSINFO("Default:Enabled", "True")
    Q_CLASSINFO("Default:ForceNewColumn", "False")
    Q_CLASSINFO("Default:ForceNewPage", "False")
    Q_CLASSINFO("Default:ParentFont", "True")

public:
    static constexpr int DefaultHeight = 40;

    explicit TQRCustomBand(TComponent *owner = nullptr);
    ~TQRCustomBand() override;

    // Events (not stored; hosts and scripts assign them).
    std::function<void(TQRCustomBand *sender, bool bandPrinted)> AfterPrint;
    std::function<void(TQRCustomBand *sender, bool &printBand)> BeforePrint;

    // Runs just before an enabled band prints; may clear printBand. The default
    // calls BeforePrint when assigned and not designing.
    virtual void DoBeforePrint(bool &printBand);
    // Runs after the band's turn, printed or not. The default calls AfterPrint
    // when assigned and not designing.
    virtual void DoAfterPrint(bool printed);

    bool AlignToBottom() const { return m_alignToBottom; }
    void SetAlignToBottom(bool v) { m_alignToBottom = v; }
    TColor Color() const { return m_color; }
    void SetColor(TColor v) { m_color = v; }
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool v) { m_enabled = v; }
    TFont *Font() const { return m_font; }
    bool ForceNewColumn() const { return m_forceNewColumn; }
    void SetForceNewColumn(bool v) { m_forceNewColumn = v; }
    bool ForceNewPage() const { return m_forceNewPage; }
    void SetForceNewPage(bool v) { m_forceNewPage = v; }

    // True when a child band of the report names this band as its parent.
    bool HasChild() const;
    // True creates a child band; False frees it, re-attaching a grandchild to this band.
    void SetHasChild(bool v);
    TQRChildBand *ChildBand() const;

    TQRCustomBand *LinkBand() const { return m_linkBand; }
    // Refused when the link chain would come back to this band.
    void SetLinkBand(TQRCustomBand *band);
    // Own height plus the linked height of the link band, native units.
    double LinkedHeight() const;

    bool ParentFont() const { return m_parentFont; }
    void SetParentFont(bool v);
    TQRBandSize *Size() const { return m_size; }

    QR::TQRBandType BandType() const { return m_bandType; }
    // Retyping re-sorts and re-lays out the report's bands.
    void SetBandType(QR::TQRBandType type);
    // Retypes for the duration of one print, without re-sorting (a page footer's child).
    void SetRunBandType(QR::TQRBandType type) { m_bandType = type; }

    virtual QString DisplayName() const;
    virtual QString NameBase() const;
    // The report the band sits on (its parent panel), or null.
    TQRCustomReport *ParentReport() const;
    virtual void AttachToReport(TQRCustomReport *report);

    // Whether the band can grow by h native units on the current page.
    bool HasRoomToGrow(double h) const;
    // Grows the band for one stretching element by h, unless that element
    // can first use growth another element already made; returns the
    // element's new stretch.
    double GrowBand(double h, bool &firstExpansionDone);

    // Run-time state.
    QRect BandRect;
    double Stretch = 0;
    TQRCustomController *DetailNotifier = nullptr;

    TFont *ControlFont() const override { return m_font; }
    void ParentFontChanged() override;

    // Pixel height from Size at the zoom (rounded).
    int PixelHeightFromSize() const;
    int PixelWidthFromSize() const;
    // Sets the pixel bounds without feeding them back into Size.
    void SetLayoutBounds(int left, int top, int width, int height);

protected:
    void BoundsChanged() override;
    void Notification(TComponent *component, TOperation operation) override;
    void Loaded() override;
    void ApplyZoom(int percent) override;
    void ChildrenChanged() override;
    // Asks the report to rebuild its band list and layout.
    void RequestRelayout();
    void ShowCircularMessage() const;

    QR::TQRBandType m_bandType = QR::rbTitle;

private:
    void sizeChanged(int index);
    void fontChanged();
    void notifyElementsResized();

    bool m_alignToBottom = false;
    TColor m_color = clWhite;
    bool m_enabled = true;
    TFont *m_font;
    bool m_forceNewColumn = false;
    bool m_forceNewPage = false;
    TQRCustomBand *m_linkBand = nullptr;
    bool m_parentFont = true;
    TQRBandSize *m_size;
    int m_syncing = 0;
    int m_storedHeight = 0; // a pixel height read while loading
};

class TQRBand : public TQRCustomBand
{
    Q_OBJECT
    Q_PROPERTY(QR::TQRBandType BandType READ BandType WRITE SetBandType)
public:
    Q_INVOKABLE explicit TQRBand(TComponent *owner = nullptr);
};

class TQRChildBand : public TQRCustomBand
{
    Q_OBJECT
    Q_PROPERTY(TQRCustomBand *ParentBand READ ParentBand WRITE SetParentBand)
public:
    Q_INVOKABLE explicit TQRChildBand(TComponent *owner = nullptr);

    TQRCustomBand *ParentBand() const { return m_parentBand; }
    // Refused when the parent chain would come back to this band, or when
    // the band already has another child.
    void SetParentBand(TQRCustomBand *band);

protected:
    void Notification(TComponent *component, TOperation operation) override;

private:
    friend class TQRCustomBand;
    TQRCustomBand *m_parentBand = nullptr;
};

// A child band that counts its prints per page. Named "RowSpace" under a
// label band it separates label rows, and leaves the space out after the last
// row of a column (labelsheet.cpp).
class TQREChildBand : public TQRChildBand
{
    Q_OBJECT
    Q_PROPERTY(int PagePrints READ PagePrints WRITE SetPagePrints)
    Q_CLASSINFO("Default:PagePrints", "0")
public:
    Q_INVOKABLE explicit TQREChildBand(TComponent *owner = nullptr);

    // Prints of this band on the current page so far.
    int PagePrints() const { return m_pagePrints; }
    // 0 restarts the count (a new run).
    void SetPagePrints(int v);

    // Counts the print, applies the "RowSpace" rule, then calls the user's BeforePrint.
    void DoBeforePrint(bool &printBand) override;

private:
    int m_pagePrints = 0;
    int m_lastPage = 0; // page of the previous print
};

class TQRGroup : public TQRCustomBand
{
    Q_OBJECT
    Q_PROPERTY(QString Expression READ Expression WRITE SetExpression)
    Q_PROPERTY(TQRBand *FooterBand READ FooterBand WRITE SetFooterBand)
    Q_PROPERTY(TComponent *Master READ Master WRITE SetMaster)
    Q_PROPERTY(bool ReprintOnNewPage READ ReprintOnNewPage WRITE SetReprintOnNewPage)
    Q_CLASSINFO("Default:ReprintOnNewPage", "False")
public:
    Q_INVOKABLE explicit TQRGroup(TComponent *owner = nullptr);

    QString Expression() const { return m_expression; }
    void SetExpression(const QString &e) { m_expression = e; }
    TQRBand *FooterBand() const { return m_footerBand; }
    // The assigned band becomes a group footer.
    void SetFooterBand(TQRBand *band);
    TComponent *Master() const { return m_master; }
    // Only a report or a controller band (or none) is accepted.
    void SetMaster(TComponent *master);
    bool ReprintOnNewPage() const { return m_reprintOnNewPage; }
    void SetReprintOnNewPage(bool v) { m_reprintOnNewPage = v; }

    void AttachToReport(TQRCustomReport *report) override;

    // Run-time state (controllerrun.cpp).
    std::shared_ptr<TQREvaluator> Evaluator;
    TQREvValue StoredValue;
    bool HasValue = false;
    bool Changed = false;
    bool InGroup = false;
    int HeaderPage = 1;
    void PrepareGroup(TQRCustomReport *report);
    void UnprepareGroup();
    // Takes the current value; Changed tells whether it differs from the stored one.
    void EvaluateGroup();

protected:
    void Notification(TComponent *component, TOperation operation) override;

private:
    QString m_expression;
    TQRBand *m_footerBand = nullptr;
    TComponent *m_master = nullptr;
    bool m_reprintOnNewPage = false;
};

class TQRControllerBand : public TQRCustomBand
{
    Q_OBJECT
    Q_PROPERTY(TComponent *Master READ Master WRITE SetMaster)
public:
    explicit TQRControllerBand(TComponent *owner = nullptr);
    ~TQRControllerBand() override;

    TComponent *Master() const { return m_master; }
    // Only a report or another controller band (or none); refused when the
    // chain of masters would come back to this band.
    virtual void SetMaster(TComponent *master);
    TQRCustomController *Controller() const { return m_controller; }
    bool PrintBefore() const { return m_printBefore; }
    void SetPrintBefore(bool v);

    // Bands in registration order for the ordered band list.
    virtual void CollectBandOrder(QList<TQRCustomBand *> &list) const;
    void AttachToReport(TQRCustomReport *report) override;

protected:
    void Notification(TComponent *component, TOperation operation) override;
    // Creates the controller this band owns; called once by each concrete class.
    void SetController(TQRCustomController *controller);
    // The expression text the band's variable is declared with in the report's
    // functions, or empty when the band declares none.
    virtual QString VariableIdleText() const { return QString(); }

    TComponent *m_master = nullptr;
    bool m_printBefore = false;

private:
    void declareVariable(TQRCustomReport *report);
    void nameChanged();

    TQRCustomController *m_controller = nullptr;
    // Where the band variable was declared, and under which name.
    QPointer<TQREvEnvironment> m_variableEnvironment;
    QString m_variableName;
};

class TQRSubDetail;

// Creates or frees a sub-detail's header and footer bands.
class TQRSubDetailGroupBands : public TPersistent
{
    Q_OBJECT
    Q_PROPERTY(bool HasHeader READ HasHeader WRITE SetHasHeader STORED false)
    Q_PROPERTY(bool HasFooter READ HasFooter WRITE SetHasFooter STORED false)
public:
    explicit TQRSubDetailGroupBands(TQRSubDetail *owner);
    bool HasHeader() const;
    void SetHasHeader(bool v);
    bool HasFooter() const;
    void SetHasFooter(bool v);

private:
    TQRSubDetail *m_owner;
};

class TQRSubDetail : public TQRControllerBand
{
    Q_OBJECT
    Q_PROPERTY(TQRSubDetailGroupBands *Bands READ Bands CONSTANT)
    Q_PROPERTY(TComponent *DataSet READ DataSet WRITE SetDataSet)
    Q_PROPERTY(TQRBand *FooterBand READ FooterBand WRITE SetFooterBand)
    Q_PROPERTY(TQRBand *HeaderBand READ HeaderBand WRITE SetHeaderBand)
    Q_PROPERTY(bool PrintBefore READ PrintBefore WRITE SetPrintBefore)
    Q_PROPERTY(bool PrintIfEmpty READ PrintIfEmpty WRITE SetPrintIfEmpty)
    Q_CLASSINFO("Default:PrintBefore", "False")
    Q_CLASSINFO("Default:PrintIfEmpty", "True")
public:
    Q_INVOKABLE explicit TQRSubDetail(TComponent *owner = nullptr);

    std::function<void(QObject *sender, bool &moreData)> OnNeedData;

    TQRSubDetailGroupBands *Bands() const { return m_bands; }
    // A dataset component (a TDataSet); other components are refused.
    TComponent *DataSet() const { return m_dataSet; }
    void SetDataSet(TComponent *dataSet);
    TQRBand *FooterBand() const { return m_footerBand; }
    void SetFooterBand(TQRBand *band);
    TQRBand *HeaderBand() const { return m_headerBand; }
    void SetHeaderBand(TQRBand *band);
    bool PrintIfEmpty() const { return m_printIfEmpty; }
    void SetPrintIfEmpty(bool v);

    TQRController *SubController() const;
    void CollectBandOrder(QList<TQRCustomBand *> &list) const override;

protected:
    void Notification(TComponent *component, TOperation operation) override;

private:
    void updateController();

    TQRSubDetailGroupBands *m_bands;
    TComponent *m_dataSet = nullptr;
    TQRBand *m_footerBand = nullptr;
    TQRBand *m_headerBand = nullptr;
    bool m_printIfEmpty = true;
};

class TQRLoopBand : public TQRControllerBand
{
    Q_OBJECT
    Q_PROPERTY(int PrintCount READ PrintCount WRITE SetPrintCount)
    Q_PROPERTY(bool PrintBefore READ PrintBefore WRITE SetPrintBefore)
    Q_CLASSINFO("Default:PrintCount", "0")
    Q_CLASSINFO("Default:PrintBefore", "False")
public:
    Q_INVOKABLE explicit TQRLoopBand(TComponent *owner = nullptr);
    int PrintCount() const { return m_printCount; }
    void SetPrintCount(int v) { m_printCount = v; }
    QString DisplayName() const override;
    QString NameBase() const override;

protected:
    // The current index, 0 while idle.
    QString VariableIdleText() const override { return QStringLiteral("0"); }

private:
    int m_printCount = 0;
};

class TQRStringsBand : public TQRControllerBand
{
    Q_OBJECT
    Q_PROPERTY(QStringList Items READ Items WRITE SetItems)
    Q_PROPERTY(bool PrintBefore READ PrintBefore WRITE SetPrintBefore)
    Q_CLASSINFO("Default:PrintBefore", "False")
public:
    Q_INVOKABLE explicit TQRStringsBand(TComponent *owner = nullptr);
    QStringList Items() const { return m_items; }
    void SetItems(const QStringList &items) { m_items = items; }
    QString DisplayName() const override;
    QString NameBase() const override;

protected:
    // The current line of Items, empty while idle.
    QString VariableIdleText() const override { return QStringLiteral("''"); }

private:
    QStringList m_items;
};
