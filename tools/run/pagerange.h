#pragma once

// Only some pages of a run in the output: the --pages option of tabulon-run.

#include "engine/exportfilter.h"

#include <memory>

class TQRPrinter;

// "A-B" or "N" (one page) as a page range; false when it is not one (pages count from 1, A <= B).
bool ParsePageRange(const QString &text, int *first, int *last);

// Passes on to another filter only what belongs to pages first … last of the run; the
// run's start and finish always.
class TPageRangeFilter : public TQRExportFilter
{
public:
    TPageRangeFilter(std::unique_ptr<TQRExportFilter> target, int first, int last);
    void Start(int paperWidth, int paperHeight, const TFont *font) override;
    void NewPage() override;
    void EndPage() override;
    void WriteTextItem(double x, double y, const TFont *font, TColor bgColor, QR::TAlignment alignment,
                       const QString &text) override;
    void Finish() override;
    // Pages the run began, kept or not.
    int PagesSeen() const { return m_page; }

private:
    bool inRange() const { return m_page >= m_first && m_page <= m_last; }

    std::unique_ptr<TQRExportFilter> m_target;
    int m_first, m_last;
    int m_page = 0;
};

// A recorder holding only pages first … last (at most the recorded ones) of pages, read
// back from a stored-report file written to file. Null, with error set, when first is past
// the last page or the file cannot be written or read.
std::unique_ptr<TQRPrinter> PageRangeCopy(TQRPrinter *pages, int first, int last, const QString &file,
                                          QString *error);
