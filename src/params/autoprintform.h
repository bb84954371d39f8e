#pragma once

// TAutoprintForm: the parameter dialog an end user fills in before a report runs. Its controls
// are built from the report's dialogue descriptor over TParamDialogModel; "Print" hands their
// values to the report, which is then previewed or printed. The quick-tune panel moves and sizes
// the controls and writes the layout back into the descriptor.

#include "params/model/dialogmodel.h"

#include <QDialog>
#include <QList>

#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSpinBox;
class TAutoprintSite;
class TQRDesignReport;
class TTableLookup;
class Tfmrepprev;

class TAutoprintForm : public QDialog
{
    Q_OBJECT
public:
    // The dialog for a report name (the catalogue key); its descriptor is program directory +
    // name + ".cfg".
    explicit TAutoprintForm(const QString &reportName, QWidget *parent = nullptr);
    ~TAutoprintForm() override;

    // The launcher's entry: creates the dialog with the description as its caption, builds it,
    // shows it modally when the build succeeded, and destroys it.
    static void RunReportDialog(QWidget *parent, const QString &reportName, const QString &description);
    // Makes "Start report" of the shell open this dialog.
    static void Install();

    // How a prepared holder's report reaches its user: the preview window (preview) or the
    // printer. Unset, the report's own Preview() and Print() are used; tests replace it to look at
    // the report without opening windows.
    using TReportOutput = std::function<void(Tfmrepprev &holder, bool preview)>;
    static TReportOutput &ReportOutputHook();

    // Builds the controls and bindings from the descriptor (a missing one gives an empty dialog).
    // A failure is shown in a box titled "Error" with a warning icon; false then.
    bool Build();

    const QString &ReportName() const { return m_reportName; }
    TParamDialogModel &Model() { return m_model; }

    // Widgets, for the tests and the quick tune.
    QGroupBox *ParamArea() const { return m_area; }
    QWidget *CommandPanel() const { return m_commandPanel; }
    QCheckBox *PreviewCheck() const { return m_preview; }
    QPushButton *PrintButton() const { return m_print; }
    QPushButton *CloseButton() const { return m_close; }
    QPushButton *QuickTuneButton() const { return m_quickTune; }
    QWidget *TunePanel() const { return m_tunePanel; }
    QComboBox *TuneControls() const { return m_tuneControls; }
    QSpinBox *TuneX() const { return m_tuneX; }
    QSpinBox *TuneY() const { return m_tuneY; }
    QSpinBox *TuneL() const { return m_tuneL; }
    QPushButton *ExpandButton() const { return m_expand; }
    QPushButton *AutoplaceButton() const { return m_autoplace; }
    QPushButton *SaveButton() const { return m_save; }
    QPushButton *BackButton() const { return m_back; }
    QCheckBox *ExportCheck() const { return m_export; }

    // The caption label and input widget of the control at index (declaration order).
    QLabel *CaptionLabel(int index) const;
    QWidget *InputWidget(int index) const;
    // The control's position (of the caption; of the check box for CHECK) and width from there
    // to the right edge of its input, as the quick tune shows them.
    QPoint CurrentPos(int index) const;
    int CurrentWidth(int index) const;
    // Right and bottom edges of the control's widgets.
    int RightEdge(int index) const;
    int BottomEdge(int index) const;
    // Moves the control's caption to (x, y) and places its input beside it.
    void PlaceAt(int index, int x, int y);
    // Makes caption, gap and input together w wide (the input at least 10 pixels).
    void ResizeTo(int index, int w);
    // The control chosen in the quick-tune panel, -1 when none.
    int ChosenControl() const { return m_chosen; }

public Q_SLOTS:
    // "Print": runs the report with the dialog's values; false (after an error box) when a value
    // does not convert. The dialog stays open.
    bool Print();
    void OpenQuickTune();
    void CloseQuickTune();
    void ChooseControl(int index);
    void ExpandWindow();
    void Autoplace();
    // "Save": writes the controls' declaration lines into the descriptor.
    bool SaveLayout();

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class TAutoprintSite;
    struct TControlWidgets {
        TParamControl *Control = nullptr;
        QLabel *Caption = nullptr;
        QWidget *Input = nullptr;
        int Right = 0;
        int Bottom = 0;
    };

    void createWidgets(TParamControl &control);
    void connectInput(int index);
    void tableChanged(TTableLookup &lookup);
    void contentChanged(int index);
    void updateEdges(int index);
    void placeInput(int index);
    void growOverReach();
    void layoutPanels();
    void showChosen();
    int indexOf(const TParamControl *control) const;

    QString m_reportName;
    TParamDialogModel m_model;
    std::unique_ptr<TAutoprintSite> m_site;
    QList<TControlWidgets> m_widgets;
    int m_chosen = -1;
    bool m_filling = false;

    QGroupBox *m_area;
    QWidget *m_commandPanel;
    QCheckBox *m_preview;
    QPushButton *m_print;
    QPushButton *m_close;
    QPushButton *m_quickTune;
    QWidget *m_tunePanel;
    QComboBox *m_tuneControls;
    QSpinBox *m_tuneX;
    QSpinBox *m_tuneY;
    QSpinBox *m_tuneL;
    QPushButton *m_expand;
    QPushButton *m_autoplace;
    QPushButton *m_save;
    QPushButton *m_back;
    QCheckBox *m_export;
};
