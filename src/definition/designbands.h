#pragma once

// The design bands: the engine's bands with print conditions written as
// expressions, page filters, designer lock flags and the hooks through which
// the report loader runs script events and its own print rules.

#include "common/graphics.h"
#include "engine/band.h"

#include <QPointer>

class TQRDLoader;
class TQRDesignReport;

// Members every design band carries; the band classes publish them.
class TQRDesignBandMembers
{
public:
    virtual ~TQRDesignBandMembers() = default;

    // The band is switched on; a band switched off never prints.
    bool EditorEnabled() const { return m_editorEnabled; }
    void SetEditorEnabled(bool v) { m_editorEnabled = v; }
    // The print condition (an expression; empty means always), published as Expression.
    QString BandExpression() const { return m_expression; }
    void SetBandExpression(const QString &e) { m_expression = e.left(255); }
    // Page filter: first and last page (0 = no limit) and the page step.
    int StartPageNum() const { return m_startPageNum; }
    void SetStartPageNum(int v) { m_startPageNum = clampWord(v); }
    int EndPageNum() const { return m_endPageNum; }
    void SetEndPageNum(int v) { m_endPageNum = clampWord(v); }
    int PageStep() const { return m_pageStep; }
    void SetPageStep(int v) { m_pageStep = clampWord(v); }
    bool NotOnFirstPage() const { return m_notOnFirstPage; }
    void SetNotOnFirstPage(bool v) { m_notOnFirstPage = v; }
    // A page footer that stops once the summary band has printed.
    bool NotOnLastPage() const { return m_notOnLastPage; }
    void SetNotOnLastPage(bool v) { m_notOnLastPage = v; }
    // Stored band number; nothing reads it.
    int BandNum() const { return m_bandNum; }
    void SetBandNum(int v) { m_bandNum = clampWord(v); }
    // Picture shown behind the band in the designer only, and its offset.
    TPicture *DesignBackground() const { return m_background; }
    int DesignBackgroundDX() const { return m_backgroundDX; }
    void SetDesignBackgroundDX(int v) { m_backgroundDX = v; }
    int DesignBackgroundDY() const { return m_backgroundDY; }
    void SetDesignBackgroundDY(int v) { m_backgroundDY = v; }
    // Designer lock flags; they do nothing at run time.
    bool BlockDelete() const { return m_block[0]; }
    void SetBlockDelete(bool v) { m_block[0] = v; }
    bool BlockMove() const { return m_block[1]; }
    void SetBlockMove(bool v) { m_block[1] = v; }
    bool BlockResize() const { return m_block[2]; }
    void SetBlockResize(bool v) { m_block[2] = v; }
    bool BlockEdit() const { return m_block[3]; }
    void SetBlockEdit(bool v) { m_block[3] = v; }
    bool BlockChange() const { return m_block[4]; }
    void SetBlockChange(bool v) { m_block[4] = v; }
    bool BlockSelection() const { return m_block[5]; }
    void SetBlockSelection(bool v) { m_block[5] = v; }

    // The loader whose rules apply: the one set, else the owner's first loader.
    TQRDLoader *QRDesigner() const;
    void SetQRDesigner(TQRDLoader *loader);

    // The condition the band print rule evaluates (a group's is PrintExpression).
    virtual QString PrintCondition() const { return m_expression; }

protected:
    explicit TQRDesignBandMembers(TComponent *self);
    TComponent *self() const { return m_self; }

private:
    static int clampWord(int v) { return v < 0 ? 0 : v > 65535 ? 65535 : v; }

    TComponent *m_self;
    bool m_editorEnabled = true;
    QString m_expression;
    int m_startPageNum = 0;
    int m_endPageNum = 0;
    int m_pageStep = 0;
    bool m_notOnFirstPage = false;
    bool m_notOnLastPage = false;
    int m_bandNum = 0;
    TPicture *m_background;
    int m_backgroundDX = 0;
    int m_backgroundDY = 0;
    bool m_block[6] = {};
    QPointer<TQRDLoader> m_loader;
};

// The published members shared by all design bands (Expression and
// NotOnLastPage are declared per class: not every band has them).
#define QRD_BAND_PROPERTIES                                                                                  \
    Q_PROPERTY(bool EditorEnabled READ EditorEnabled WRITE SetEditorEnabled)                                 \
    Q_PROPERTY(int StartPageNum READ StartPageNum WRITE SetStartPageNum)                                     \
    Q_PROPERTY(int EndPageNum READ EndPageNum WRITE SetEndPageNum)                                           \
    Q_PROPERTY(int PageStep READ PageStep WRITE SetPageStep)                                                 \
    Q_PROPERTY(bool NotOnFirstPage READ NotOnFirstPage WRITE SetNotOnFirstPage)                              \
    Q_PROPERTY(int BandNum READ BandNum WRITE SetBandNum)                                                    \
    Q_PROPERTY(TPicture *DesignBackground READ DesignBackground CONSTANT)                                    \
    Q_PROPERTY(int DesignBackgroundDX READ DesignBackgroundDX WRITE SetDesignBackgroundDX)                   \
    Q_PROPERTY(int DesignBackgroundDY READ DesignBackgroundDY WRITE SetDesignBackgroundDY)                   \
    Q_PROPERTY(TComponent *QRDesigner READ QRDesignerComponent WRITE SetQRDesignerComponent STORED false)    \
    Q_PROPERTY(bool BlockDelete READ BlockDelete WRITE SetBlockDelete)                                       \
    Q_PROPERTY(bool BlockMove READ BlockMove WRITE SetBlockMove)                                             \
    Q_PROPERTY(bool BlockResize READ BlockResize WRITE SetBlockResize)                                       \
    Q_PROPERTY(bool BlockEdit READ BlockEdit WRITE SetBlockEdit)                                             \
    Q_PROPERTY(bool BlockChange READ BlockChange WRITE SetBlockChange)                                       \
    Q_PROPERTY(bool BlockSelection READ BlockSelection WRITE SetBlockSelection)                              \
    Q_CLASSINFO("Default:EditorEnabled", "True")                                                             \
    Q_CLASSINFO("Default:StartPageNum", "0")                                                                 \
    Q_CLASSINFO("Default:EndPageNum", "0")                                                                   \
    Q_CLASSINFO("Default:PageStep", "0")                                                                     \
    Q_CLASSINFO("Default:NotOnFirstPage", "False")                                                           \
    Q_CLASSINFO("Default:BandNum", "0")                                                                      \
    Q_CLASSINFO("Default:DesignBackgroundDX", "0")                                                           \
    Q_CLASSINFO("Default:DesignBackgroundDY", "0")                                                           \
    Q_CLASSINFO("Default:BlockDelete", "False")                                                              \
    Q_CLASSINFO("Default:BlockMove", "False")                                                                \
    Q_CLASSINFO("Default:BlockResize", "False")                                                              \
    Q_CLASSINFO("Default:BlockEdit", "False")                                                                \
    Q_CLASSINFO("Default:BlockChange", "False")                                                              \
    Q_CLASSINFO("Default:BlockSelection", "False")

#define QRD_BAND_EXPRESSION_PROPERTY                                                                         \
    Q_PROPERTY(QString Expression READ BandExpression WRITE SetBandExpression)
#define QRD_BAND_NOTONLASTPAGE_PROPERTY                                                                      \
    Q_PROPERTY(bool NotOnLastPage READ NotOnLastPage WRITE SetNotOnLastPage)                                 \
    Q_CLASSINFO("Default:NotOnLastPage", "False")

// The component-typed accessors of the QRDesigner link and the print hooks.
#define QRD_BAND_METHODS                                                                                     \
public:                                                                                                      \
    TComponent *QRDesignerComponent() const;                                                                 \
    void SetQRDesignerComponent(TComponent *c);                                                              \
    void DoBeforePrint(bool &printBand) override;                                                            \
    void DoAfterPrint(bool printed) override;

class TQRDesignBand : public TQRBand, public TQRDesignBandMembers
{
    Q_OBJECT
    QRD_BAND_PROPERTIES
    QRD_BAND_EXPRESSION_PROPERTY
    QRD_BAND_NOTONLASTPAGE_PROPERTY
    QRD_BAND_METHODS
public:
    Q_INVOKABLE explicit TQRDesignBand(TComponent *owner = nullptr);
};

class TQRDesignChildBand : public TQREChildBand, public TQRDesignBandMembers
{
    Q_OBJECT
    QRD_BAND_PROPERTIES
    QRD_BAND_EXPRESSION_PROPERTY
    QRD_BAND_METHODS
public:
    Q_INVOKABLE explicit TQRDesignChildBand(TComponent *owner = nullptr);
};

class TQRDesignSubdetail : public TQRSubDetail, public TQRDesignBandMembers
{
    Q_OBJECT
    QRD_BAND_PROPERTIES
    QRD_BAND_EXPRESSION_PROPERTY
    QRD_BAND_METHODS
public:
    Q_INVOKABLE explicit TQRDesignSubdetail(TComponent *owner = nullptr);
};

class TQRDesignGroup : public TQRGroup, public TQRDesignBandMembers
{
    Q_OBJECT
    QRD_BAND_PROPERTIES
    Q_PROPERTY(QString PrintExpression READ PrintExpression WRITE SetPrintExpression)
    QRD_BAND_METHODS
public:
    Q_INVOKABLE explicit TQRDesignGroup(TComponent *owner = nullptr);

    // The group band's print condition; Expression stays the group-break expression.
    QString PrintExpression() const { return m_printExpression; }
    void SetPrintExpression(const QString &e) { m_printExpression = e.left(255); }
    QString PrintCondition() const override { return m_printExpression; }
    // The final print decision of the group band's last print.
    bool GroupPrinted() const { return m_groupPrinted; }

private:
    QString m_printExpression;
    bool m_groupPrinted = false;
};

class TQRDesignLoopband : public TQRLoopBand, public TQRDesignBandMembers
{
    Q_OBJECT
    QRD_BAND_PROPERTIES
    QRD_BAND_EXPRESSION_PROPERTY
    QRD_BAND_NOTONLASTPAGE_PROPERTY
    QRD_BAND_METHODS
public:
    Q_INVOKABLE explicit TQRDesignLoopband(TComponent *owner = nullptr);
};

class TQRDesignStringsband : public TQRStringsBand, public TQRDesignBandMembers
{
    Q_OBJECT
    QRD_BAND_PROPERTIES
    QRD_BAND_EXPRESSION_PROPERTY
    QRD_BAND_NOTONLASTPAGE_PROPERTY
    QRD_BAND_METHODS
public:
    Q_INVOKABLE explicit TQRDesignStringsband(TComponent *owner = nullptr);
};

// The design members of band, or null when it is not a design band.
TQRDesignBandMembers *DesignBandMembers(TQRCustomBand *band);
