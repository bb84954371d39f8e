#pragma once

// The designer controller: a report loader with design behaviour. It takes
// the mouse and keyboard of the report, its bands and elements (handed on by
// the canvas in report pixels at the report's zoom), keeps the selection and
// its frame, inserts bands and elements chosen from the palette, keeps the
// menus, tool buttons, property strip, info panel and font controls of the
// designer window in step with the selection, and loads and saves the report.
//
// Everything here is plain members: tests drive it without painting.

#include "common/graphics.h"
#include "definition/databasesettings.h"
#include "definition/loader.h"
#include "designer/stretchhandle.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <functional>

class TDataSet;
class TField;
class TQRCustomBand;
class TQRPrintable;
class TQRVisualControl;
class TQuery;

// The menu items the controller enables and checks (any may be missing).
struct TQRMenuItems {
    QPointer<QAction> Undo, CopyToClipboard, CutToClipboard, PasteFromClipboard, Delete, SendToBack,
        BringToFront, AlignLeft, AlignRight, AlignTop, AlignBottom, CenterHorizontal, CenterVertical,
        ParentCenterHorizontal, ParentCenterVertical, EqualSpaceHorizontal, EqualSpaceVertical, HideBands,
        ResetBands, RotateBands, ShowDatafieldsBox;
};

// The tool buttons the controller enables and presses (any may be missing).
struct TQRSpeedButtons {
    QPointer<QAction> FontColor, TextLeftAlign, TextRightAlign, TextCenter, CopyToClipboard, CutToClipboard,
        PasteFromClipboard, Delete, SendToBack, BringToFront, AlignLeft, AlignRight, AlignTop, AlignBottom,
        AlignCenterHorizontal, AlignCenterVertical, AlignParentCenterHorizontal, AlignParentCenterVertical,
        AlignEqualSpaceHorizontal, AlignEqualSpaceVertical, FontBold, FontItalic, Ruler, FontUnderline,
        NormalDesign;
};

// The commands of block operations, alignment, clipboard and undo. They are
// filled in by the block-operations code; a key whose command is unset does nothing.
struct TQRBlockCommands {
    std::function<void()> Delete, CopyToClipboard, CutToClipboard, PasteFromClipboard, Undo;
};

class TQRepDesigner : public TQRDLoader
{
    Q_OBJECT
    Q_PROPERTY(bool AllowSQLEdit MEMBER AllowSQLEdit)
    Q_PROPERTY(bool AllowBlockEdit MEMBER AllowBlockEdit)
    Q_PROPERTY(bool AllowNewCalcFields MEMBER AllowNewCalcFields)
    Q_PROPERTY(bool QueriesOnlyInExpert MEMBER QueriesOnlyInExpert)
    Q_PROPERTY(bool QueriesOnlyInDBSetup MEMBER QueriesOnlyInDBSetup)
    Q_PROPERTY(bool ScriptEditByUser MEMBER ScriptEditByUser)
    Q_PROPERTY(bool DefaultDatabaseOnly MEMBER DefaultDatabaseOnly)
    Q_PROPERTY(bool DefaultAdoConnectionOnly READ DefaultAdoConnectionOnly WRITE SetDefaultAdoConnectionOnly)
    Q_PROPERTY(bool UndoEnabled MEMBER UndoEnabled)
    Q_PROPERTY(bool AutoEditAfterInsert MEMBER AutoEditAfterInsert)
    Q_PROPERTY(bool SaveBackupFiles MEMBER SaveBackupFiles)
    Q_PROPERTY(QString BackupFileExtension READ backupFileExtension WRITE SetBackupFileExtension)
    Q_PROPERTY(bool SaveImagesInReportfile MEMBER SaveImagesInReportfile)
    Q_PROPERTY(TCursors::TCursor AddCursor MEMBER AddCursor)
    Q_PROPERTY(int GridSizeX READ GridSizeX WRITE SetGridSizeX)
    Q_PROPERTY(int GridSizeY READ GridSizeY WRITE SetGridSizeY)
    Q_PROPERTY(int KeyboardMoveX READ KeyboardMoveX WRITE SetKeyboardMoveX)
    Q_PROPERTY(int KeyboardMoveY READ KeyboardMoveY WRITE SetKeyboardMoveY)
    Q_PROPERTY(int MinElementWidth READ MinElementWidth WRITE SetMinElementWidth)
    Q_PROPERTY(int MinElementHeight READ MinElementHeight WRITE SetMinElementHeight)
    Q_PROPERTY(bool ShowBandNames READ ShowBandNames WRITE SetShowBandNames)
    Q_PROPERTY(TFont *BandNameFont READ BandNameFont CONSTANT)
    Q_PROPERTY(bool ShowComponentFrames READ ShowComponentFrames WRITE SetShowComponentFrames)
    Q_PROPERTY(TColor ComponentFrameColor MEMBER ComponentFrameColor)
    Q_PROPERTY(TPen::TPenStyle ComponentFrameStyle MEMBER ComponentFrameStyle)
    Q_PROPERTY(bool ShowDatafieldListbox MEMBER ShowDatafieldListbox)
    Q_PROPERTY(bool DatafieldsSorted MEMBER DatafieldsSorted)
    Q_PROPERTY(QStringList FieldDisplayLabels MEMBER FieldDisplayLabels)
    Q_PROPERTY(QStringList IndexDisplayLabels MEMBER IndexDisplayLabels)
    Q_PROPERTY(QStringList AvailableDatasetNames READ AvailableDatasetNames WRITE SetAvailableDatasetNames)
    Q_PROPERTY(QStringList AvailableDatabaseNames READ AvailableDatabaseNames WRITE SetAvailableDatabaseNames)
    Q_PROPERTY(QStringList AvailableTableNames READ AvailableTableNames WRITE SetAvailableTableNames)
    Q_PROPERTY(TQRDatabaseSettings *SQLSettings READ SQLSettings CONSTANT)

public:
    // Design states: what a click on the report does next.
    enum TDesignState {
        dsNormal = 0,
        dsNewBand = 2,
        dsNewLabel = 3,
        dsNewDBText = 4,
        dsNewExpr = 5,
        dsNewSysdata = 6,
        dsNewShape = 7,
        dsNewImage = 8,
        dsNewDBImage = 9,
        dsNewMemo = 10,
        dsNewRichtext = 11,
        dsNewDBRichtext = 12,
        dsNewSubdetail = 13,
        dsNewGroup = 14,
        dsNewChildBand = 15,
        dsNewChart = 16,
    };

    Q_INVOKABLE explicit TQRepDesigner(TComponent *owner = nullptr);
    ~TQRepDesigner() override;

    // --- permissions and editing settings ------------------------------------------------
    bool AllowSQLEdit = true;                          // the author may write SQL
    bool AllowBlockEdit = false;                       // the author may change lock flags
    bool AllowNewCalcFields = false;                   // the author may add calculated fields
    bool QueriesOnlyInExpert = false;                  // new queries only through the report expert
    bool QueriesOnlyInDBSetup = false;                 // new queries only through the dataset set-up
    bool ScriptEditByUser = false;                     // the author may edit scripts
    bool DefaultDatabaseOnly = false;                  // only the default database is offered
    bool UndoEnabled = false;                          // changes can be undone one step
    bool AutoEditAfterInsert = true;                   // a new element opens its property dialog
    bool SaveImagesInReportfile = false;               // stored only
    TCursor AddCursor = TCursors::crDefault;           // cursor over bands while inserting
    bool ShowDatafieldListbox = true;                  // show the data field list window
    bool DatafieldsSorted = false;                     // the data field list is sorted
    TColor ComponentFrameColor = clGray;               // colour of component frames
    TPen::TPenStyle ComponentFrameStyle = TPen::psDot; // line of component frames
    QStringList IndexDisplayLabels;                    // "Index=Label" lines

    // Setting it True also sets DefaultDatabaseOnly.
    bool DefaultAdoConnectionOnly() const { return m_defaultAdoConnectionOnly; }
    void SetDefaultAdoConnectionOnly(bool v);
    // The backup extension keeps at most 4 characters.
    QString backupFileExtension() const { return BackupFileExtension; }
    void SetBackupFileExtension(const QString &e) { BackupFileExtension = e.left(4); }

    // --- geometry -----------------------------------------------------------------------
    int GridSizeX() const { return m_gridX; }
    void SetGridSizeX(int v) { m_gridX = word(v); }
    int GridSizeY() const { return m_gridY; }
    void SetGridSizeY(int v) { m_gridY = word(v); }
    int KeyboardMoveX() const { return m_keyX; }
    void SetKeyboardMoveX(int v) { m_keyX = word(v); }
    int KeyboardMoveY() const { return m_keyY; }
    void SetKeyboardMoveY(int v) { m_keyY = word(v); }
    // Values of 4 or less are ignored.
    int MinElementWidth() const { return m_minWidth; }
    void SetMinElementWidth(int v);
    int MinElementHeight() const { return m_minHeight; }
    void SetMinElementHeight(int v);

    // --- display ------------------------------------------------------------------------
    bool ShowBandNames() const { return m_showBandNames; }
    void SetShowBandNames(bool v);
    // The font band names are drawn in ("MS Sans Serif", silver, 20 pixels high).
    TFont *BandNameFont() const { return m_bandNameFont; }
    bool ShowComponentFrames() const { return m_showComponentFrames; }
    void SetShowComponentFrames(bool v);

    // --- lists (assigned lists lose their blank entries) ---------------------------------
    QStringList AvailableDatasetNames() const { return m_datasetNames; }
    void SetAvailableDatasetNames(const QStringList &l) { m_datasetNames = nonBlank(l); }
    QStringList AvailableDatabaseNames() const { return m_databaseNames; }
    void SetAvailableDatabaseNames(const QStringList &l) { m_databaseNames = nonBlank(l); }
    QStringList AvailableTableNames() const { return m_tableNames; }
    void SetAvailableTableNames(const QStringList &l) { m_tableNames = nonBlank(l); }
    // SQL delimiters for the query wizard.
    TQRDatabaseSettings *SQLSettings() const { return m_sqlSettings; }

    // --- links to the window's controls (cleared when a control goes) --------------------
    QPointer<QLabel> InfoPanel;            // element description
    QPointer<QComboBox> FontComboBox;      // font name
    QPointer<QComboBox> FontSizeComboBox;  // font size
    QPointer<QComboBox> EditorCombobox;    // the property strip's list
    QPointer<QLineEdit> EditorEditControl; // the property strip's edit field
    QPointer<QLabel> EditorTypeLabel;      // the property strip's kind label
    TQRMenuItems MenuItems;                // menu commands
    TQRSpeedButtons SpeedButtons;          // tool buttons
    TQRBlockCommands BlockCommands;        // block operations (filled in by their code)

    // --- events -------------------------------------------------------------------------
    // The property dialog of component; editResult tells success (it may replace component).
    std::function<void(TQRepDesigner *qrd, TComponent *&component, bool &editResult)> OnEditProperties;
    std::function<void(TQRepDesigner *qrd, int numberOfSelections)> OnSelectionChanged;
    std::function<void(TQRepDesigner *qrd, int newState)> OnDesignStateChanged;
    std::function<void(TQRepDesigner *qrd, TComponent *component, bool &doDelete)> OnDeleteElement;
    std::function<void(TComponent *component, QString &info)> OnShowInfo;
    std::function<void(const QList<TQRVisualControl *> &components, bool &doCopy)> OnBeforeCopyToClipboard;
    std::function<void(QObject *popupMenu, bool &showMenu)> OnShowPopupMenu;
    std::function<void(TField *field, bool &showField)> OnShowDatafield;
    std::function<void(TComponent *control)> AfterReportComponentCreated;
    std::function<void(TComponent *form, TQRDesignReport *report, bool &showExpert,
                       QString &expertDefaultDataset)>
        OnNewReport;
    std::function<void(TQuery *query, bool &doCancel)> OnEditQuery;
    // The report's script editor (right click on the bare report with scripts allowed).
    std::function<void(TQRepDesigner *qrd, TComponent *component)> OnEditScript;
    // The popup of a right click on the bare report: true for "edit properties", false for "scripts".
    std::function<bool(const QString &propertiesText, const QString &scriptsText, const QPoint &at,
                       bool *chosen)>
        ReportPopupHook;
    // Told whenever what the canvas shows changed (selection, frame, rubber band, elements).
    std::function<void()> OnRepaint;
    // Told when the modified flag changes.
    std::function<void(bool modified)> OnModifiedChanged;
    // Told after every load, so that the data field list is refilled.
    std::function<void()> OnDatasetsChanged;

    // --- design state -------------------------------------------------------------------
    int DesignState() const { return m_state; }
    // Raises OnDesignStateChanged when it changes; sets the cursors; back at 0 presses NormalDesign.
    void SetDesignState(int state);
    // A palette button: sets its state; keepInsert (Shift held) keeps inserting.
    void PaletteButton(int state, bool keepInsert);
    bool KeepInsertMode() const { return m_keepInsert; }

    // --- selection ----------------------------------------------------------------------
    TStretch_Handle *Handle() const { return m_handle; }
    QList<TQRVisualControl *> Selection() const { return m_handle->Children(); }
    int SelectionCount() const { return m_handle->ChildCount(); }
    // Adds component with its group (same non-zero GroupID); another parent clears first.
    void SelectComponent(TComponent *component);
    void DeselectAll();
    // The selection frame in report pixels.
    QRect FrameRect() const;
    // The control's rectangle in report pixels.
    QRect ReportRect(const TQRVisualControl *control) const;

    // --- mouse (report pixels; target is the report, a band or an element) ----------------
    void MouseDown(TQRVisualControl *target, const QPoint &pos, Qt::MouseButton button,
                   Qt::KeyboardModifiers modifiers);
    void MouseMove(const QPoint &pos, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
    void MouseUp(const QPoint &pos, Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
    // A press on the selection frame; false when the frame does not take it.
    bool FrameMouseDown(const QPoint &pos, Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
    // The cursor over the frame at pos (report pixels), mouse not pressed.
    TCursor FrameCursor(const QPoint &pos) const;
    // The rubber band being drawn (null rectangle when none).
    QRect RubberBand() const;
    bool RubberBandActive() const { return m_rubberStart.x() != -10000; }
    // The would-be frame while dragging, in report pixels (null when not dragging).
    QRect DragOutline() const { return m_dragOutline; }
    // What a drag computes with.
    TStretch_Handle::TDragSettings DragSettings() const;

    // --- changing the selection ---------------------------------------------------------
    // Applies new frame bounds (frame parent's pixels) to the selected controls.
    void ApplyFrameBounds(const QRect &newFrame);
    // Before every change: the undo snapshot (with undo on) and the modified flag.
    void TakeSnapshot();
    bool Modified() const { return m_modified; }
    void SetModified(bool v);

    // --- keyboard -----------------------------------------------------------------------
    // The key table of the frame (and, with nothing selected, of the canvas); true when handled.
    bool KeyPress(int key, Qt::KeyboardModifiers modifiers);
    // The next (or previous) control in reading order after current (null: nothing selected).
    TQRVisualControl *NextInReadingOrder(TQRVisualControl *current, bool forward) const;

    // --- insertion ----------------------------------------------------------------------
    // Creates the band or element of state at pos (report pixels) and finishes the insertion;
    // the new control, or null when nothing was created (or the dialog was cancelled).
    TQRVisualControl *InsertAt(int state, TQRVisualControl *target, const QPoint &pos);
    // A field dropped from the data field list at pos (report pixels).
    TQRVisualControl *DropDatafield(TDataSet *dataSet, const QString &fieldName, const QPoint &pos);
    // The band (in component order) whose rectangle holds pos, edges included, or null.
    TQRCustomBand *BandAt(const QPoint &pos) const;
    // Opens the property dialog of component (OnEditProperties); true on success.
    bool EditProperties(TComponent *&component);

    // --- window controls ----------------------------------------------------------------
    // Hooks the linked controls to the commands and fills an empty font list.
    void LinkControls();
    // Everything that follows a selection change.
    void SelectionChanged();
    // Enables the commands for the number of selected controls.
    void UpdateCommands();
    void UpdatePropertyStrip();
    void UpdateInfoPanel();
    void UpdateFontControls();
    // The description the info panel shows for control.
    QString Describe(TComponent *control) const;
    // The kind text of the property strip for control (null: "Report").
    QString KindText(TComponent *control) const;
    // A designer text by key: the RuntimeMessages line if there is one, else the default.
    QString Text(const QString &key) const;
    // The band type entries of the property strip, in list order.
    static QStringList BandTypeKeys();
    // The system field entries of the property strip, in the order of TQRSysDataType.
    static QStringList SysdataKeys();
    // The shape entries, in list order, and their shape kinds.
    static QStringList ShapeKeys();

    // --- files --------------------------------------------------------------------------
    // Loads as the loader does, with the selection cleared, state 0, the modified flag cleared.
    bool LoadReportFile(const QString &fileName);
    bool LoadReportStream(QIODevice *stream);
    // Saves as the loader does and clears the modified flag.
    bool SaveReportFile(const QString &fileName);
    bool SaveReportStream(QIODevice *stream);
    // Clears the report: every band and element goes, datasets stay.
    void NewReport();
    // Makes the report and everything on it designed (design-time texts, names for empty memos).
    void PrepareDesign();

    // A unique component name in the report's owner: base + the first free number.
    QString NewName(const QString &base) const;

protected:
    void Notification(TComponent *component, TOperation operation) override;

private:
    static int word(int v) { return v < 0 ? 0 : v > 65535 ? 65535 : v; }
    static QStringList nonBlank(const QStringList &l);
    void repaint();
    TComponent *controlOwner() const;
    TQRVisualControl *createElement(int state, TQRCustomBand *band, const QPoint &local);
    bool finishInsertion(TQRVisualControl *&control);
    void endRubberBand(const QPoint &pos);
    void applyStripEdit();
    void applyStripList(int index);
    void applyFont();
    void reportRightClick(const QPoint &pos);
    void moveByKey(int dx, int dy, int dw, int dh);

    TStretch_Handle *m_handle;
    TFont *m_bandNameFont;
    TQRDatabaseSettings *m_sqlSettings;
    bool m_defaultAdoConnectionOnly = false;
    int m_gridX = 1, m_gridY = 1, m_keyX = 1, m_keyY = 1;
    int m_minWidth = 5, m_minHeight = 5;
    bool m_showBandNames = true;
    bool m_showComponentFrames = false;
    QStringList m_datasetNames, m_databaseNames, m_tableNames;
    int m_state = dsNormal;
    bool m_keepInsert = false;
    bool m_modified = false;
    QPoint m_rubberStart{-10000, 0};
    QPoint m_rubberCurrent;
    QRect m_dragOutline;
    bool m_linked = false;
    bool m_updating = false;
};
