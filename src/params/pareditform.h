#pragma once

// The dialogue descriptor editor: lays out a report's parameter dialog with the mouse and edits
// everything else a descriptor holds through its dialogs. The descriptor itself lives in
// TEditorDescriptor; this window shows it and turns mouse and key work into changes of it.

#include "params/model/editormodel.h"

#include <QDialog>
#include <QList>
#include <QPoint>
#include <functional>

class QAction;
class QActionGroup;
class QLineEdit;
class QMenu;
class QRubberBand;
class QScrollArea;

// The design area "Report parameters": a click with a kind tool chosen creates a control there.
class TDesignArea : public QWidget
{
    Q_OBJECT
public:
    explicit TDesignArea(QWidget *parent = nullptr);

    std::function<void(QPoint)> OnClick; // a left click on the free area

protected:
    void mousePressEvent(QMouseEvent *event) override;
};

class TParEditForm : public QDialog
{
    Q_OBJECT
public:
    explicit TParEditForm(QWidget *parent = nullptr);
    ~TParEditForm() override;

    // Opens the editor modally on program directory + reportName + ".cfg", or empty and unnamed
    // when reportName is empty.
    static void Execute(QWidget *parent, const QString &reportName);
    // Makes "Edit dialog" and "Tuning dialogue" of the shell open this editor.
    static void Install();

    enum TFileDialogKind { OpenDialog, SaveDialog };
    // Asks for a file name (empty: cancelled); tests replace the real file dialogs.
    using TFileChooser = std::function<QString(QWidget *parent, TFileDialogKind kind, const QString &dir)>;
    static void SetFileChooser(TFileChooser chooser);

    // The descriptor being edited; after changing it directly call DescriptorChanged().
    TEditorDescriptor &Descriptor() { return m_descriptor; }
    void DescriptorChanged();

    QString FileName() const { return m_fileName; } // empty for a new, unnamed descriptor
    bool Modified() const { return m_modified; }
    void SetModified() { m_modified = true; }
    QStringList RecentFiles() const { return m_recent; }

    // File commands. Each returns false when it was stopped (cancelled or failed).
    bool CreateFile();
    bool OpenFile();
    bool ReopenFile(const QString &fileName);
    bool SaveFile();
    bool SaveFileAs();
    // Loads a file into the cleared editor; a file that cannot be loaded leaves it empty and
    // unnamed, so that a later Save cannot overwrite what it did not read.
    bool LoadFile(const QString &fileName);
    // Asks "Save current file?" when there are changes; false when the command must stop.
    bool CloseCheck();

    // Tools.
    void EditQueryParameters();
    void EditLabels();
    void EditCreationOrder();

    // Design controls.
    TDesignArea *DesignArea() const { return m_area; }
    QWidget *DesignWidget(const QString &name) const;    // the input widget (object name = name)
    QLineEdit *CaptionEditor(const QString &name) const; // "Label" + name
    // Chooses a tool: -1 the arrow, otherwise the index of a TControlKind.
    void ChooseTool(int kind);
    int CurrentTool() const { return m_tool; }
    QAction *ToolAction(int kind) const; // -1 the arrow
    // Creates a control of the current kind tool at a point of the design area.
    QString CreateControlAt(QPoint point);
    void ShowProperties(const QString &name);
    void DeleteControl(const QString &name);
    // Exchanges a control with its neighbour in the creation order (delta -1 or +1).
    bool MoveControl(int index, int delta);
    // The width of a caption editor holding that text.
    int CaptionWidth(const QString &text) const;
    // The names of the controls in creation order.
    QStringList ControlNames() const;

    QMenu *FileMenu() const { return m_fileMenu; }
    QMenu *ReopenMenu() const { return m_reopenMenu; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct TDesignControl {
        QLineEdit *Caption = nullptr;
        QWidget *Widget = nullptr;
    };

    void buildMenus();
    void buildToolBar(class QToolBar *bar);
    void clearDesign();
    void rebuildDesign();
    void createDesignControl(const TEditorControl &control);
    void layoutControl(int index);
    int designIndexOf(QObject *object) const;
    void captionEdited(int index, const QString &text);
    void updateCaptionColours();
    void updateTitle(const QString &prefix);
    void addRecent(const QString &fileName);
    void rebuildReopenMenu();
    void saveSettings() const;
    bool saveTo(const QString &fileName);
    QString chooseFile(TFileDialogKind kind);
    void finishDrag(QPoint globalPos);

    TEditorDescriptor m_descriptor;
    QList<TDesignControl> m_design; // parallel to m_descriptor.Controls
    QString m_fileName;
    QString m_dialogDir;
    bool m_modified = false;
    QStringList m_recent;
    int m_tool = -1;

    TDesignArea *m_area = nullptr;
    QScrollArea *m_scroll = nullptr;
    QMenu *m_fileMenu = nullptr;
    QMenu *m_reopenMenu = nullptr;
    QActionGroup *m_tools = nullptr;
    QList<QAction *> m_toolActions; // arrow first, then the seven kinds

    enum TDragMode { NoDrag, MoveDrag, SizeDrag };
    TDragMode m_drag = NoDrag;
    int m_dragIndex = -1;
    QPoint m_dragStart; // global
    QRubberBand *m_band = nullptr;
    QMetaObject::Connection m_focusConnection;
};
