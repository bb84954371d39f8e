#pragma once

// Metafile export: the pages already recorded for the preview, one picture file per page.

#include "common/component.h"
#include "engine/exportfilter.h"

class TQRWMFExportFilter : public TQRExportFilter
{
public:
    explicit TQRWMFExportFilter(const QString &fileName);

    QString Description() const override;
    QString FileExtension() const override;
    QString FilterName() const override;
    // Remembers the file name without its extension as the base of the page files.
    void Start(int paperWidth, int paperHeight, const TFont *font) override;
    // Writes one file per recorded page of the preview.
    void Finish() override;

    // Base + page number as three digits + ".emf" or ".wmf" by Enhanced.
    QString PageFileName(int page) const;
    // The file name without its extension (before the last "." of the name itself).
    static QString BaseName(const QString &fileName);

private:
    QString m_base;
};

// Offers the metafile export in the filter library while it exists.
class TQRWMFFilter : public TComponent
{
    Q_OBJECT
    Q_PROPERTY(bool Enhanced READ Enhanced WRITE SetEnhanced)
    Q_CLASSINFO("Default:Enhanced", "False")
public:
    Q_INVOKABLE explicit TQRWMFFilter(TComponent *owner = nullptr);
    ~TQRWMFFilter() override;
    // Program-wide: Enhanced Metafiles (.emf) instead of placeable .wmf files.
    static bool Enhanced();
    static void SetEnhanced(bool enhanced);
};
