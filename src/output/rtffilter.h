#pragma once

// RTF export: one paragraph per text row of a page, its items placed on tab stops.

#include "common/component.h"
#include "engine/exportfilter.h"

#include <QSaveFile>
#include <QHash>
#include <QList>
#include <QStringList>
#include <vector>

class TQRRTFExportFilter : public TQRExportFilter
{
public:
    // One installed font family and its RTF family keyword.
    struct FontEntry {
        QString Name;
        QString Kind;
    };

    explicit TQRRTFExportFilter(const QString &fileName);

    QString Description() const override;
    QString FileExtension() const override;
    QString FilterName() const override;
    // Creates the file and writes the header, font table and colour table.
    void Start(int paperWidth, int paperHeight, const TFont *font) override;
    // Writes the page's rows as paragraphs.
    void EndPage() override;
    void Finish() override;
    void NewPage() override;
    // Adds the text to its row, ordered by X.
    void WriteTextItem(double x, double y, const TFont *font, TColor bgColor, QR::TAlignment alignment,
                       const QString &text) override;

    // The font table in RTF order (sorted by name); filled by Start.
    const QList<FontEntry> &Fonts() const { return m_fonts; }
    // A family name as the font table lists it: without the foundry Qt adds in brackets
    // when several supply the family ("Nimbus Sans [urw]" is "Nimbus Sans").
    static QString FamilyName(const QString &family);
    // Text as RTF: "\", "{" and "}" escaped, characters beyond ASCII as \u with a fallback.
    static QString Escape(const QString &text);

private:
    struct Item {
        double X, Y;
        QString Text;
        QR::TAlignment Alignment;
        int FontNumber;
        TColor Color;
        int Style;
        int HalfPoints;
    };
    void writeLine(const QString &line);
    int fontNumber(const QString &name) const;

    QSaveFile m_file; // the old file stays until the whole new one is written
    QList<FontEntry> m_fonts;
    mutable QHash<QString, int> m_numbers; // font numbers of the names asked for so far
    std::vector<std::vector<Item>> m_rows;
    int m_rowCount = 0;
    bool m_pageBreakPending = false;
    double m_leftMargin = 720, m_rightMargin = 720, m_topMargin = 720, m_bottomMargin = 720; // twips
};

// Offers the RTF export in the filter library while it exists.
class TQRRTFFilter : public TComponent
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TQRRTFFilter(TComponent *owner = nullptr);
    ~TQRRTFFilter() override;
};
