#pragma once

// Spreadsheet exports (CSV and XLSX): the text items of each page row become
// a row of cells, the columns are the distinct X anchors of the whole report,
// and texts that read as numbers in the report's locale become numbers.
//
// The columns are known only at the end of the run, so the rows of finished
// pages wait in a temporary file, keyed by anchor; only the page being made
// is held in memory.

#include "common/component.h"
#include "engine/exportfilter.h"

#include <QStringList>
#include <QTemporaryFile>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

// Collects the text items of a run as a table; the file is written by Finish.
class TQRTableExportFilter : public TQRExportFilter
{
public:
    // One cell: its text, whether it was printed bold, and the display format (numeric mask) its
    // number was printed with.
    struct Cell {
        QString Text;
        bool Bold = false;
        QString Format;
    };
    // A table row: cells by column index.
    using Row = std::map<int, Cell>;

    explicit TQRTableExportFilter(const QString &fileName);
    ~TQRTableExportFilter() override;

    void Start(int paperWidth, int paperHeight, const TFont *font) override;
    void NewPage() override;
    void WriteTextItem(double x, double y, const TFont *font, TColor bgColor, QR::TAlignment alignment,
                       const QString &text) override;
    // Builds the table and writes the file.
    void Finish() override;

    // The rows of the finished table, top to bottom, page after page.
    std::vector<Row> Table() const;
    // The same rows made one at a time and handed to visit until it returns false, so that
    // the table is never held whole beside the collected texts.
    void ForEachRow(const std::function<bool(const Row &)> &visit) const;
    // Columns of the table: the distinct X anchors of the run.
    int ColumnCount() const;
    // The number a cell text stands for in the report's locale: decimal
    // separator, optional thousands separators, sign, surrounding blanks.
    static bool ReadNumber(const QString &text, double &value);
    // A number read from text as a CSV file writes it: a point for the decimal separator, no
    // thousands separators, and the decimals the text shows ("814,10" gives "814.10").
    static QByteArray CsvNumber(const QString &text, double value);
    // The spreadsheet number format of a cell that shows a number: from its display format when
    // it has one, else the one its text shows (its decimals and thousands separators); empty
    // for the general form.
    static QString SpreadsheetFormat(const Cell &cell);

protected:
    // Writes the table (ForEachRow); throws EQRError when the file cannot be written.
    virtual void WriteTable() = 0;

private:
    struct Item {
        int Page;
        int Y; // in points, so lines of one band share a row
        int X; // in millimetres, so anchors a fraction apart share a column
        Cell Value;
    };
    // A row of one page keyed by anchor, before the columns are known.
    using AnchorRow = std::map<int, Cell>;
    // Sorts the items of the current page into rows and hands them to visit.
    void PageRows(const std::function<bool(const AnchorRow &)> &visit) const;
    // Moves the current page's rows to the spill file; throws EQRError when it cannot be written.
    void SpillPage();

    std::vector<Item> m_items;               // the texts of the current page
    std::set<int> m_anchors;                 // the X anchors of the whole run so far
    std::unique_ptr<QTemporaryFile> m_spill; // rows of finished pages
    qint64 m_spilledRows = 0;
    int m_page = 0;
};

class TQRCSVExportFilter : public TQRTableExportFilter
{
public:
    explicit TQRCSVExportFilter(const QString &fileName);
    QString Description() const override;
    QString FileExtension() const override;
    QString FilterName() const override;

protected:
    void WriteTable() override;
};

class TQRXLSXExportFilter : public TQRTableExportFilter
{
public:
    explicit TQRXLSXExportFilter(const QString &fileName);
    QString Description() const override;
    QString FileExtension() const override;
    QString FilterName() const override;

protected:
    void WriteTable() override;
};

// Offers the CSV export in the filter library while it exists.
class TQRCSVFilter : public TComponent
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TQRCSVFilter(TComponent *owner = nullptr);
    ~TQRCSVFilter() override;
};

// Offers the XLSX export in the filter library while it exists.
class TQRXLSXFilter : public TComponent
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TQRXLSXFilter(TComponent *owner = nullptr);
    ~TQRXLSXFilter() override;
};
