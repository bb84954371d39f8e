#pragma once

// Export filters receive a report run in device-independent form: every
// printed text line of the label elements, with its position in native
// units, font, colour and alignment, and the beginning and end of pages.
// The filter library lists the filters the program offers for saving.

#include "common/colors.h"
#include "engine/qrtypes.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

class TFont;
class TQRCustomReport;
class TQRPrinter;

class TQRExportFilter
{
public:
    // The target file of the export.
    explicit TQRExportFilter(const QString &fileName);
    virtual ~TQRExportFilter();
    TQRExportFilter(const TQRExportFilter &) = delete;
    TQRExportFilter &operator=(const TQRExportFilter &) = delete;

    virtual QString Description() const;
    virtual QString FileExtension() const;
    virtual QString FilterName() const;
    virtual QString Vendor() const;
    virtual bool Streaming() const;
    // PaperWidth and PaperHeight in native units (0.1 mm).
    virtual void Start(int paperWidth, int paperHeight, const TFont *font);
    virtual void EndPage();
    virtual void Finish();
    virtual void NewPage();
    // One wrapped line; X is the anchor by alignment, Y the top of the line.
    virtual void WriteTextItem(double x, double y, const TFont *font, TColor bgColor,
                               QR::TAlignment alignment, const QString &text);

    // The display format (numeric mask) of the numbers the text items that follow print; the
    // element sets it before its lines and clears it after them. Empty when there is none.
    QString NumberFormat() const { return m_numberFormat; }
    void SetNumberFormat(const QString &format) { m_numberFormat = format; }

    QString FileName() const { return m_fileName; }
    bool Active() const { return m_active; }
    TQRCustomReport *Report() const { return m_report; }
    void SetReport(TQRCustomReport *report) { m_report = report; }
    // The recorder of the preview that asked for the export.
    TQRPrinter *PreviewPrinter() const { return m_printer; }
    void SetPreviewPrinter(TQRPrinter *printer) { m_printer = printer; }

protected:
    bool m_active = false;

private:
    QString m_fileName;
    QString m_numberFormat;
    TQRCustomReport *m_report = nullptr;
    TQRPrinter *m_printer = nullptr;
};

// Creates a filter for a file name.
using TQRExportFilterClass = std::function<std::unique_ptr<TQRExportFilter>(const QString &fileName)>;

struct TQRExportFilterLibraryEntry {
    TQRExportFilterClass FilterClass;
    QString FilterName;
    QString FileExtension;
};

class TQRExportFilterLibrary
{
public:
    // Appends an entry, reading name and extension from a throw-away instance.
    void AddFilter(const TQRExportFilterClass &filterClass);
    // Removes the first entry whose name is the class's FilterName.
    void RemoveFilter(const TQRExportFilterClass &filterClass);
    template <class T> void AddFilter() { AddFilter(ClassOf<T>()); }
    template <class T> void RemoveFilter() { RemoveFilter(ClassOf<T>()); }
    template <class T> static TQRExportFilterClass ClassOf()
    {
        return [](const QString &fileName) { return std::unique_ptr<TQRExportFilter>(new T(fileName)); };
    }

    // In registration order.
    const QList<TQRExportFilterLibraryEntry> &Filters() const { return m_entries; }
    // The entry for a file extension (without the dot, any case), or null.
    const TQRExportFilterLibraryEntry *FindByExtension(const QString &extension) const;
    // The save dialog's filter text: the stored-report entry, then
    // "|Name (*.EXT)|*.EXT" for every filter in registration order.
    QString SaveDialogFilterText() const;

private:
    QList<TQRExportFilterLibraryEntry> m_entries;
};

// The program-wide library.
TQRExportFilterLibrary &QRExportFilterLibrary();
