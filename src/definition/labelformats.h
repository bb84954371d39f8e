#pragma once

// Label format files ("*.QLF"): a title line, then one label sheet per line
// as ";"-ended fields in centimetres with "," decimals. The report expert
// lists their formats and turns a chosen one into the label pages of a
// report, in the report's units.

#include "definition/reportcreator.h"

#include <QList>
#include <QString>
#include <QStringList>

class TQRCustomReport;

// One format line, as stored (centimetres).
struct TQRLabelFormat {
    QString Name;          // "_" already turned into blanks
    double TopMargin = 0;  // from the top of the paper to the first row
    double LeftMargin = 0; // from the left of the paper to the first column
    double LabelWidth = 0;
    double LabelHeight = 0;
    int Columns = 0;
    int Rows = 0;
    double RowPitch = 0;    // top of a label to top of the one below; 0: the label height
    double ColumnPitch = 0; // left of a label to left of the one beside; 0: the label width
    QString PaperCode;      // upper case, at most 20 characters
};

// A read file: its title and every readable format, in file order.
struct TQRLabelFormatFile {
    QString FileName; // the path it was read from
    QString Title;    // the first line
    QList<TQRLabelFormat> Formats;
};

// The label format files beside the designer's settings file, or in the
// program directory when that path has no directory; sorted by name.
QStringList LabelFormatFiles(const QString &settingsFile);
// Reads a file (8-bit code page); false with the cause when it cannot be opened.
bool ReadLabelFormatFile(const QString &fileName, TQRLabelFormatFile *file, QString *error = nullptr);
// The formats of a file's text; unreadable lines are left out.
TQRLabelFormatFile ParseLabelFormats(const QString &text);
// One format line; false when a number or an integer cannot be read.
bool ParseLabelFormatLine(const QString &line, TQRLabelFormat *format);

// The paper a code names: "A4", "L", "B5", "A5", "B4 JIS", "P" and "M", with "Q"
// appended for landscape; width and length in centimetres for the Custom codes.
void LabelFormatPaper(const QString &code, TQRPaperSize *paper, TPrinterOrientation *orientation,
                      double *customWidth, double *customLength);
// The list entry: name + " (" + width + " x " + height + ")" in the report's units.
QString LabelFormatListText(const TQRLabelFormat &format, const TQRCustomReport *report);
// The label pages a format gives on report: paper, margins, label size, columns, rows and spaces.
TQRLabelSheet LabelSheetFromFormat(const TQRLabelFormat &format, const TQRCustomReport *report);
// A size as the expert shows it: rounded to two decimals, with the locale's decimal separator.
QString FormatExpertSize(double value);
