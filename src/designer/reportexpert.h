#pragma once

// The report expert window "New report definition": a modal wizard over a
// design report whose pages choose a report type, a main dataset and its
// fields, the bands, label sheets, page options, fonts and lines. Reaching
// its last page builds the report through the designer's report creator;
// "Finish" keeps it.

#include "definition/expertdataset.h"
#include "definition/labelformats.h"
#include "definition/reportcreator.h"

#include <QDialog>
#include <QFont>
#include <QList>
#include <functional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class TDataSet;
class TQRDesignReport;
class TQRLabelPreview;

class TQRDLoader;

class TQRDesignReportExpert : public QDialog
{
    Q_OBJECT
public:
    // The pages in order.
    enum TPage {
        ReportTypePage,
        DatasetPage,
        TableIndexPage,
        DatafieldsPage,
        BandsPage,
        LabelSelectPage,
        PaperSizePage,
        LabelFormatPage,
        SpecialOptionsPage,
        FontsPage,
        FinishPage,
        PageCount
    };
    // The main dataset choices.
    enum TSource { SourceTable, SourceQuery, SourceNone };

    // The wizard works on report and makes its datasets beside it, in the report's owner.
    explicit TQRDesignReportExpert(TQRDesignReport *report, QWidget *parent = nullptr);
    ~TQRDesignReportExpert() override;

    // --- set before the wizard is shown ---
    // Whether tables and queries may be made (else only outside datasets are used).
    void SetAllowDatasetEdit(bool on) { m_allowDatasetEdit = on; }
    // With it, a table is read through a query the query wizard builds, sorted and filtered there.
    void SetQueriesOnlyInExpert(bool on) { m_queriesOnlyInExpert = on; }
    // Whether the main-dataset choice can be changed.
    void SetAllowSQLEdit(bool on);
    // A dataset the host chose (OnNewReport): preset as main dataset, the "Dataset" page passed over.
    void SetPresetDataset(TDataSet *dataSet);
    // The database list: the default name first, then the others (all of the session's when empty).
    void SetDatabaseNames(const QString &defaultName, const QStringList &names, bool defaultOnly);
    // "Field=Label" lines applied to the fields of new datasets.
    void SetFieldDisplayLabels(const QStringList &labels) { m_data.FieldDisplayLabels = labels; }
    // The designer's settings file; label formats are found beside it.
    void SetSettingsFile(const QString &fileName);
    // Raised for every band and element the creator makes.
    std::function<void(TComponent *control)> AfterReportComponentCreated;

    // --- navigation ---
    int CurrentPage() const;
    // Whether a page applies with the current choices.
    bool PageApplies(int page) const;
    // Processes the page being left, then moves on to the next page that applies.
    void Next();
    // Moves back to the previous page that applies.
    void Back();
    // The choices of every page as the creator takes them.
    TQRExpertSettings Settings() const;
    // The main dataset made or chosen so far.
    TDataSet *MainDataSet() const { return m_data.DataSet(); }

    // --- the pages' controls, for the designer's tests ---
    QRadioButton *StyleButton(TQRExpertSettings::TStyle style) const;
    QRadioButton *SourceButton(TSource source) const;
    QComboBox *DatabaseBox() const { return m_database; }
    QComboBox *TableBox() const { return m_table; }
    QPlainTextEdit *SqlEdit() const { return m_sql; }
    QComboBox *IndexBox() const { return m_index; }
    QListWidget *AvailableList() const { return m_available; }
    QListWidget *UsedList() const { return m_used; }
    QCheckBox *BandCheck(int index) const
    {
        return m_bands.value(index);
    } // title, page header, detail, footer, summary
    QComboBox *LabelFileBox() const { return m_labelFile; }
    QListWidget *LabelFormatList() const { return m_labelFormats; }
    QComboBox *PaperBox() const { return m_paper; }
    QLineEdit *
    SizeEdit(const QString &name) const; // "Width", "Length", "Top", ..., "Row space", "Column spacing:"
    QLineEdit *ColumnsEdit() const { return m_columns; }
    QLineEdit *TitleEdit() const { return m_title; }
    QCheckBox *LineCheck(int index) const { return m_lines.value(index); } // horizontal, vertical, box
    QPushButton *BackButton() const { return m_back; }
    QPushButton *NextButton() const { return m_next; }
    QPushButton *FinishButton() const { return m_finish; }
    QPushButton *PreviewButton() const { return m_preview; }
    // The page widgets (screenshots).
    QWidget *Page(int page) const;

    // Moves one field entry between the lists (">" and "<"), or all of them (">>" and "<<").
    void UseSelected();
    void UseAll();
    void DropSelected();
    void DropAll();
    // Chooses a label format file by list index (0 "Custom") and a format of it.
    void ChooseLabelFile(int index);
    void ChooseLabelFormat(int index);
    // Sets the fonts as the font buttons would.
    void SetDataFont(const QFont &font);
    void SetHeaderFont(const QFont &font);

    // "Cancel": closes and forgets the dataset references; what was built stays.
    void reject() override;

private:
    QWidget *makeReportTypePage();
    QWidget *makeDatasetPage();
    QWidget *makeTableIndexPage();
    QWidget *makeDatafieldsPage();
    QWidget *makeBandsPage();
    QWidget *makeLabelSelectPage();
    QWidget *makePaperSizePage();
    QWidget *makeLabelFormatPage();
    QWidget *makeSpecialOptionsPage();
    QWidget *makeFontsPage();
    QWidget *makeFinishPage();
    QLineEdit *sizeEdit(const QString &name, const QString &text);
    QWidget *sizeRow(QLineEdit *edit);
    void showPage(int page);
    void updateButtons();
    // What leaving a page does; false keeps the wizard on it.
    bool leaveReportType();
    bool leaveDataset();
    void leaveTableIndex();
    void refreshTables();
    void fillFieldLists();
    void updateLabelPreview();
    void updatePaperFields();
    void generate();
    double sizeValue(const QString &name) const;
    TQRExpertSettings::TStyle style() const;
    TSource source() const;

    TQRDesignReport *m_report;
    TQRExpertDataset m_data;
    bool m_allowDatasetEdit = true;
    bool m_queriesOnlyInExpert = false;
    bool m_preset = false;
    QString m_settingsFile;
    QList<TQRLabelFormatFile> m_labelFiles;
    // The inputs the "Dataset" page was last left with.
    QString m_lastDataset;

    QStackedWidget *m_pages = nullptr;
    QLabel *m_caption = nullptr;
    QButtonGroup *m_styles = nullptr;
    QButtonGroup *m_sources = nullptr;
    QComboBox *m_database = nullptr;
    QComboBox *m_table = nullptr;
    QPlainTextEdit *m_sql = nullptr;
    QComboBox *m_index = nullptr;
    QListWidget *m_available = nullptr;
    QListWidget *m_used = nullptr;
    QList<QCheckBox *> m_bands;
    QComboBox *m_labelFile = nullptr;
    QListWidget *m_labelFormats = nullptr;
    QComboBox *m_paper = nullptr;
    QButtonGroup *m_labelOrientation = nullptr;
    QButtonGroup *m_orientation = nullptr;
    QLineEdit *m_columns = nullptr;
    QLineEdit *m_title = nullptr;
    QList<QCheckBox *> m_lines;
    QFont m_dataFont, m_headerFont;
    QPushButton *m_dataFontButton = nullptr;
    QPushButton *m_headerFontButton = nullptr;
    QList<QPair<QString, QLineEdit *>> m_sizes;
    TQRLabelPreview *m_labelPreview = nullptr;
    QPushButton *m_back = nullptr;
    QPushButton *m_next = nullptr;
    QPushButton *m_finish = nullptr;
    QPushButton *m_preview = nullptr;
    bool m_built = false;
};

// What the designer's New hands to the expert once the report is cleared.
struct TQRNewReportSettings {
    // The host's say: showExpert false keeps the report empty; a dataset it gives is preset.
    std::function<void(QWidget *window, TQRDLoader *designer, bool &showExpert,
                       TDataSet *&expertDefaultDataset)>
        OnNewReport;
    bool AllowDatasetEdit = true;       // tables and queries may be made
    bool AllowSQLEdit = true;           // the main-dataset choice may be changed
    bool QueriesOnlyInExpert = false;   // tables are read through wizard queries
    QString DefaultDatabaseName;        // preset database, first in the list
    QStringList AvailableDatabaseNames; // the other databases (empty: all the session knows)
    bool DefaultDatabaseOnly = false;   // only the default database is offered
    QStringList FieldDisplayLabels;     // "Field=Label" lines for new fields
    QString SettingsFile;               // the designer's settings file; label formats lie beside it
    std::function<void(TComponent *control)> AfterReportComponentCreated; // the designer's event
};

// Raises OnNewReport, then shows the expert modally over window on report;
// true when it ended with OK (the caller marks the report modified and takes
// an undo snapshot). False without a window when the host says no expert.
bool RunReportExpert(TQRDesignReport *report, TQRDLoader *designer, QWidget *window,
                     const TQRNewReportSettings &settings);
