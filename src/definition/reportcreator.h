#pragma once

// The report creator of the report expert: factory operations that make
// bands and elements, and the four layouts (list, single form, form or
// tabular, mailing labels) built from them. The base creator makes engine
// classes; TQRDReportCreator makes the design classes, so that everything it
// builds can be edited like a hand-made element. GenerateExpertReport runs a
// layout the way the expert's "Finish" page does; tools call it without a
// window.

#include "common/graphics.h"
#include "common/papersize.h"
#include "definition/loader.h"
#include "engine/qrtypes.h"

#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>

class TComponent;
class TControl;
class TDataSet;
class TQRCustomBand;
class TQRCustomLabel;
class TQRCustomReport;
class TQRDBText;
class TQRLoopBand;
class TQRShape;

// The inputs every layout shares (sizes in pixels, fonts as chosen).
struct TQRLayoutOptions {
    TQRLayoutOptions();
    TQRLayoutOptions(const TQRLayoutOptions &other);
    TQRLayoutOptions &operator=(const TQRLayoutOptions &other);

    TDataSet *DataSet = nullptr;                    // the main dataset; null for none
    QStringList Fields;                             // the used field entries (display labels), in order
    TFont HeaderFont;                               // column headers and labels
    TFont DataFont;                                 // data fields
    bool HorizontalLines = false;                   // a line under every row
    bool VerticalLines = false;                     // a line between columns
    bool BoxLines = false;                          // a frame around the rows
    bool Title = true;                              // a title band with the report title
    bool PageHeader = true;                         // a page header band
    bool PageFooter = false;                        // a page footer band
    bool Summary = false;                           // a summary band
    QString ReportTitle = QStringLiteral("Report"); // the text of the title label
};

// A sheet of labels; every size in the report's units.
struct TQRLabelSheet {
    TQRPaperSize PaperSize = QRPaper::A4;                  // the paper
    TPrinterOrientation Orientation = QRPaper::poPortrait; // how the paper lies
    double PaperWidth = 0;                                 // page width, only for Custom paper
    double PaperLength = 0;                                // page length, only for Custom paper
    double TopMargin = 0;                                  // page margins as entered
    double BottomMargin = 0;
    double LeftMargin = 0;
    double RightMargin = 0;
    double LabelWidth = 50; // one label
    double LabelHeight = 20;
    int Columns = 3; // labels across and down
    int Rows = 10;
    double ColumnSpace = 5; // gap between label columns
    double RowSpace = 5;    // gap between label rows
};

class TQRReportCreator
{
public:
    explicit TQRReportCreator(TQRCustomReport *report);
    virtual ~TQRReportCreator();

    // The report every operation works on.
    TQRCustomReport *Report() const { return m_report; }
    // The owner of everything created: the report's owner.
    TComponent *Owner() const;

    // Frees every control of the report (bands and their elements).
    virtual void ClearReport();
    // Called for each band and element right after it was made.
    virtual void NotifyCreated(TComponent *control);
    // The field name behind a used field entry.
    virtual QString FieldNameOf(TDataSet *dataSet, const QString &entry);
    // Factories; subclasses make other classes.
    virtual TQRLoopBand *MakeLoopBand();
    virtual TQRCustomBand *MakeBand(int bandType);
    virtual TQRCustomLabel *MakeLabel(TControl *parent);
    virtual TQRDBText *MakeDBText(TControl *parent);
    virtual TQRShape *MakeShape(TControl *parent);

    // A band of that type on the report; height in pixels, -1 keeps the default.
    TQRCustomBand *AddBand(int bandType, int height = -1);
    TQRLoopBand *AddLoopBand(int height = -1);
    // A data field element named "QRDBText<n>" (font null: the parent's).
    TQRDBText *AddDBText(TControl *parent, TDataSet *dataSet, const TFont *font, int top, int left,
                         const QString &fieldName);
    // A label named "QRLabel<n>", sized to its caption.
    TQRCustomLabel *AddLabel(TControl *parent, const QString &caption, const TFont *font, int top, int left);
    // A shape named "QRShape<n>".
    TQRShape *AddShape(TControl *parent, QR::TQRShapeType shapeType, int height, int width, int top,
                       int left);

    // One column per field under a column header.
    void BuildListReport(const TQRLayoutOptions &options);
    // Labels and values of the current record on one page.
    void BuildSingleFormReport(const TQRLayoutOptions &options);
    // One line per field in a detail band; bandHeight in report units (-1: from the fields).
    void BuildFormReport(const TQRLayoutOptions &options, double bandHeight, bool forceNewPage);
    // A label sheet; with a dataset one label per record, else a loop band of Columns x Rows labels.
    void BuildLabelReport(const TQRLayoutOptions &options, const TQRLabelSheet &sheet);

private:
    // The first "base<n>" that no component of the owner bears.
    QString freeName(const QString &base) const;

    TQRCustomReport *m_report;
};

// The designer's creator: design bands and elements, and every one announced
// to the designer.
class TQRDReportCreator : public TQRReportCreator
{
public:
    TQRDReportCreator(TQRCustomReport *report, TQRDLoader *designer);

    // The designer controller the report is edited in (may be null).
    TQRDLoader *Designer() const { return m_designer; }
    // The designer's AfterReportComponentCreated event, raised for each band and element.
    std::function<void(TComponent *control)> AfterReportComponentCreated;

    void NotifyCreated(TComponent *control) override;
    QString FieldNameOf(TDataSet *dataSet, const QString &entry) override;
    TQRLoopBand *MakeLoopBand() override;
    TQRCustomBand *MakeBand(int bandType) override;
    TQRCustomLabel *MakeLabel(TControl *parent) override;
    TQRDBText *MakeDBText(TControl *parent) override;
    TQRShape *MakeShape(TControl *parent) override;

private:
    QPointer<TQRDLoader> m_designer;
};

// What the expert's pages hold when "Finish" is reached.
struct TQRExpertSettings {
    enum TStyle { ListStyle, FormStyle, SingleForm, Tabular, BlankReport, MailingLabels };
    TStyle Style = BlankReport;            // the report type
    bool Landscape = false;                // "Special options": orientation
    QString Columns = QStringLiteral("1"); // "Columns on each page:" as typed
    QString ColumnSpacing;   // "Column spacing:" as typed (empty: "0" with the decimal separator and "00")
    TQRLayoutOptions Layout; // dataset, fields, bands, fonts, lines, title
    TQRLabelSheet Labels;    // the label pages
};

// Resets the report for a new layout: no child or footer links among the
// owner's components, no controls, one column, no title or description.
void ResetReportForExpert(TQRReportCreator &creator);
// Resets the report and builds the chosen style on it (nothing for a blank report).
void GenerateExpertReport(TQRReportCreator &creator, const TQRExpertSettings &settings);
// A size field's text as a number: "." and "," both separate decimals; empty, "." or "-" and
// unreadable texts give ok false.
double ExpertNumber(const QString &text, bool *ok = nullptr);
