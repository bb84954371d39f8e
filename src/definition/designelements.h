#pragma once

// The design elements: the engine's printable elements with designer lock
// flags and grouping, elements that follow their band's growth, rotated
// text, and the suppressing and mapping of database values.

#include "engine/band.h"
#include "engine/elements.h"
#include "engine/printable.h"

#include <QPointer>
#include <QStringList>

class TQRDLoader;

// Members every design element carries; the element classes publish them.
class TQRDesignElementMembers
{
public:
    virtual ~TQRDesignElementMembers() = default;

    // Elements with the same non-zero number are selected and moved together in the designer.
    int GroupID() const { return m_groupID; }
    void SetGroupID(int v) { m_groupID = v; }
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
    // Moves down with the band's growth, keeping its distance from the band's bottom.
    bool FixBottomPosition() const { return m_fixBottomPosition; }
    void SetFixBottomPosition(bool v) { m_fixBottomPosition = v; }
    // Prints taller by the band's growth.
    bool StretchHeightWithBand() const { return m_stretchHeightWithBand; }
    void SetStretchHeightWithBand(bool v) { m_stretchHeightWithBand = v; }

    // The loader whose rules apply: the one set, else the owner's first loader.
    TQRDLoader *QRDesigner() const;
    void SetQRDesigner(TQRDLoader *loader);

protected:
    explicit TQRDesignElementMembers(TQRPrintable *self) : m_self(self) {}
    // Prints through print (the engine's PrintAt) with the band-growth rules applied.
    template <class F> void PrintFollowingBand(double offsetX, double offsetY, F print);
    TQRPrintable *self() const { return m_self; }

private:
    TQRPrintable *m_self;
    int m_groupID = 0;
    bool m_block[5] = {};
    bool m_fixBottomPosition = false;
    bool m_stretchHeightWithBand = false;
    QPointer<TQRDLoader> m_loader;
};

// The published members shared by all design elements.
#define QRD_ELEMENT_PROPERTIES                                                                               \
    Q_PROPERTY(int GroupID READ GroupID WRITE SetGroupID)                                                    \
    Q_PROPERTY(TComponent *QRDesigner READ QRDesignerComponent WRITE SetQRDesignerComponent STORED false)    \
    Q_PROPERTY(bool BlockDelete READ BlockDelete WRITE SetBlockDelete)                                       \
    Q_PROPERTY(bool BlockMove READ BlockMove WRITE SetBlockMove)                                             \
    Q_PROPERTY(bool BlockResize READ BlockResize WRITE SetBlockResize)                                       \
    Q_PROPERTY(bool BlockEdit READ BlockEdit WRITE SetBlockEdit)                                             \
    Q_PROPERTY(bool BlockChange READ BlockChange WRITE SetBlockChange)                                       \
    Q_PROPERTY(bool FixBottomPosition READ FixBottomPosition WRITE SetFixBottomPosition)                     \
    Q_PROPERTY(bool StretchHeightWithBand READ StretchHeightWithBand WRITE SetStretchHeightWithBand)         \
    Q_CLASSINFO("Default:GroupID", "0")                                                                      \
    Q_CLASSINFO("Default:BlockDelete", "False")                                                              \
    Q_CLASSINFO("Default:BlockMove", "False")                                                                \
    Q_CLASSINFO("Default:BlockResize", "False")                                                              \
    Q_CLASSINFO("Default:BlockEdit", "False")                                                                \
    Q_CLASSINFO("Default:BlockChange", "False")                                                              \
    Q_CLASSINFO("Default:FixBottomPosition", "False")                                                        \
    Q_CLASSINFO("Default:StretchHeightWithBand", "False")

#define QRD_ELEMENT_METHODS                                                                                  \
public:                                                                                                      \
    TComponent *QRDesignerComponent() const;                                                                 \
    void SetQRDesignerComponent(TComponent *c);                                                              \
    void PrintAt(double offsetX, double offsetY) override;

#define QRD_DEGREE_PROPERTY                                                                                  \
    Q_PROPERTY(int Degree READ Degree WRITE SetDegree)                                                       \
    Q_CLASSINFO("Default:Degree", "0")

class TQRDesignLabel : public TQRLabel, public TQRDesignElementMembers
{
    Q_OBJECT
    QRD_ELEMENT_PROPERTIES
    QRD_DEGREE_PROPERTY
    QRD_ELEMENT_METHODS
public:
    Q_INVOKABLE explicit TQRDesignLabel(TComponent *owner = nullptr);
    // Mouse-down in the designer (republished for hosts).
    std::function<void(QObject *sender, int x, int y)> OnMouseDown;
    // Text rotation in tenths of a degree, counter-clockwise (0 .. 65535).
    int Degree() const { return m_degree; }
    void SetDegree(int v);

private:
    int m_degree = 0;
};

class TQRDesignDBText : public TQRDBText, public TQRDesignElementMembers
{
    Q_OBJECT
    QRD_ELEMENT_PROPERTIES
    Q_PROPERTY(bool SuppressRepeatedValues READ SuppressRepeatedValues WRITE SetSuppressRepeatedValues)
    Q_PROPERTY(bool ReprintOnNewPage READ ReprintOnNewPage WRITE SetReprintOnNewPage)
    Q_PROPERTY(bool ReprintOnNewGroup READ ReprintOnNewGroup WRITE SetReprintOnNewGroup)
    Q_PROPERTY(bool BlankIfZero READ BlankIfZero WRITE SetBlankIfZero)
    Q_PROPERTY(QStringList MapList READ MapList WRITE SetMapList)
    Q_CLASSINFO("Default:SuppressRepeatedValues", "False")
    Q_CLASSINFO("Default:ReprintOnNewPage", "False")
    Q_CLASSINFO("Default:ReprintOnNewGroup", "False")
    Q_CLASSINFO("Default:BlankIfZero", "False")
    QRD_ELEMENT_METHODS
public:
    Q_INVOKABLE explicit TQRDesignDBText(TComponent *owner = nullptr);

    // Prints a value only when it differs from the last one printed.
    bool SuppressRepeatedValues() const { return m_suppress; }
    void SetSuppressRepeatedValues(bool v) { m_suppress = v; }
    // A suppressed value prints again as the first on a new page ...
    bool ReprintOnNewPage() const { return m_reprintOnNewPage; }
    void SetReprintOnNewPage(bool v) { m_reprintOnNewPage = v; }
    // ... or after a new group started.
    bool ReprintOnNewGroup() const { return m_reprintOnNewGroup; }
    void SetReprintOnNewGroup(bool v) { m_reprintOnNewGroup = v; }
    // A field whose value is 0 prints nothing.
    bool BlankIfZero() const { return m_blankIfZero; }
    void SetBlankIfZero(bool v) { m_blankIfZero = v; }
    // Lines "display text<TAB>value": a printed value equal to value shows display text.
    QStringList MapList() const { return m_mapList; }
    void SetMapList(const QStringList &l) { m_mapList = l; }

    // Forgets the last printed text, so that the next value prints.
    void ResetLastPrinted() { m_lastText.clear(); m_hasLast = false; }
    // The caption becomes the display label of the field, when the dataset has it.
    void RefreshCaptionFromDisplayLabel();

private:
    void applyPrintRules(QString &text);

    bool m_suppress = false;
    bool m_reprintOnNewPage = false;
    bool m_reprintOnNewGroup = false;
    bool m_blankIfZero = false;
    QStringList m_mapList;
    QString m_lastText;
    bool m_hasLast = false;
    int m_lastPage = 0;
};

class TQRDesignExpr : public TQRExpr, public TQRDesignElementMembers
{
    Q_OBJECT
    QRD_ELEMENT_PROPERTIES
    QRD_DEGREE_PROPERTY
    QRD_ELEMENT_METHODS
public:
    Q_INVOKABLE explicit TQRDesignExpr(TComponent *owner = nullptr);
    // Text rotation in tenths of a degree, counter-clockwise (0 .. 65535).
    int Degree() const { return m_degree; }
    void SetDegree(int v);

private:
    int m_degree = 0;
};

class TQRDesignSysdata : public TQRSysData, public TQRDesignElementMembers
{
    Q_OBJECT
    QRD_ELEMENT_PROPERTIES
    QRD_ELEMENT_METHODS
public:
    Q_INVOKABLE explicit TQRDesignSysdata(TComponent *owner = nullptr);
};

class TQRDesignMemo : public TQRMemo, public TQRDesignElementMembers
{
    Q_OBJECT
    QRD_ELEMENT_PROPERTIES
    QRD_ELEMENT_METHODS
public:
    Q_INVOKABLE explicit TQRDesignMemo(TComponent *owner = nullptr);
};

class TQRDesignRichtext : public TQRRichText, public TQRDesignElementMembers
{
    Q_OBJECT
    QRD_ELEMENT_PROPERTIES
    QRD_ELEMENT_METHODS
public:
    Q_INVOKABLE explicit TQRDesignRichtext(TComponent *owner = nullptr);
};

class TQRDesignDBRichtext : public TQRDBRichText, public TQRDesignElementMembers
{
    Q_OBJECT
    QRD_ELEMENT_PROPERTIES
    QRD_ELEMENT_METHODS
public:
    Q_INVOKABLE explicit TQRDesignDBRichtext(TComponent *owner = nullptr);
};

class TQRDesignShape : public TQRShape, public TQRDesignElementMembers
{
    Q_OBJECT
    QRD_ELEMENT_PROPERTIES
    QRD_ELEMENT_METHODS
public:
    Q_INVOKABLE explicit TQRDesignShape(TComponent *owner = nullptr);
};

class TQRDesignImage : public TQRImage, public TQRDesignElementMembers
{
    Q_OBJECT
    QRD_ELEMENT_PROPERTIES
    Q_PROPERTY(QString Filename READ Filename WRITE SetFilename)
    QRD_ELEMENT_METHODS
public:
    Q_INVOKABLE explicit TQRDesignImage(TComponent *owner = nullptr);
    // The image file the picture was taken from.
    QString Filename() const { return m_filename; }
    void SetFilename(const QString &f) { m_filename = f.left(255); }

private:
    QString m_filename;
};

class TQRDesignDBImage : public TQRDBImage, public TQRDesignElementMembers
{
    Q_OBJECT
    QRD_ELEMENT_PROPERTIES
    QRD_ELEMENT_METHODS
public:
    Q_INVOKABLE explicit TQRDesignDBImage(TComponent *owner = nullptr);
};

// The design members of element, or null when it is not a design element.
TQRDesignElementMembers *DesignElementMembers(TQRPrintable *element);

// Draws text turned by degree tenths of a degree counter-clockwise into the
// element's rectangle at the band offset (native units), with the element's
// alignment, fill and frame, and hands each line to the run's export filter.
void PrintRotatedText(TQRCustomLabel *element, const QString &text, int degree, double offsetX,
                      double offsetY);

template <class F> void TQRDesignElementMembers::PrintFollowingBand(double offsetX, double offsetY, F print)
{
    TQRCustomBand *band = m_self->ParentBand();
    const double growth = band ? band->Stretch : 0.0;
    if (m_fixBottomPosition && band)
        offsetY += double(qRound64(growth));
    if (!(m_stretchHeightWithBand && band && growth != 0.0)) {
        print(offsetX, offsetY);
        return;
    }
    TQRPrintableSize *size = m_self->Size();
    const double designed = size->NativeValue(TQRPrintableSize::HeightIndex);
    size->SetNativeValue(TQRPrintableSize::HeightIndex, double(qRound64(designed + growth)));
    print(offsetX, offsetY);
    size->SetNativeValue(TQRPrintableSize::HeightIndex, designed);
}
