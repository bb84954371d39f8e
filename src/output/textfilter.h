#pragma once

// Plain-text export: the text of every page laid out on a character grid
// of the report font.

#include "common/component.h"
#include "engine/exportfilter.h"

#include <QSaveFile>
#include <QStringList>

class TQRAsciiExportFilter : public TQRExportFilter
{
public:
    // Rows of the page buffer; text below the last row is dropped.
    static constexpr int BufferRows = 201;

    explicit TQRAsciiExportFilter(const QString &fileName);

    QString Description() const override;
    QString FileExtension() const override;
    QString FilterName() const override;
    // Creates the file and sizes the grid from the report font.
    void Start(int paperWidth, int paperHeight, const TFont *font) override;
    // Writes the page's non-empty rows.
    void EndPage() override;
    void Finish() override;
    void NewPage() override;
    // Places the text on the grid; later text overwrites earlier text.
    void WriteTextItem(double x, double y, const TFont *font, TColor bgColor, QR::TAlignment alignment,
                       const QString &text) override;

private:
    QStringList m_lines;
    double m_cell = 0;
    int m_lineCount = 0;
    QSaveFile m_file; // replaces the old file only once the text is complete
};

// Offers the text export in the filter library while it exists.
class TQRTextFilter : public TComponent
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TQRTextFilter(TComponent *owner = nullptr);
    ~TQRTextFilter() override;
};
