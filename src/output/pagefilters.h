#pragma once

// Exports of the pages already recorded for the preview, replayed through
// the page picture: PDF (one document), PNG and SVG (one file per page,
// named like the metafile pages: base + "001" …).

#include "common/component.h"
#include "engine/exportfilter.h"

class QPainter;
class TQRPagePicture;

// Replays every recorded page of the preview's recorder in Finish.
class TQRPageExportFilter : public TQRExportFilter
{
public:
    explicit TQRPageExportFilter(const QString &fileName);
    // Writes the pages; throws EQRError when there are none or a file cannot be written.
    void Finish() override;

protected:
    // Writes pages 1 … count, fetching each with Page when it is written, so that only one
    // page is held at a time however long the report is.
    virtual void WritePages(int count) = 0;
    // Recorded page n (1-based); throws EQRError naming the file when it cannot be read.
    TQRPagePicture Page(int n) const;
    // Base + page number as three digits + "." + extension.
    QString PageFileName(int page, const QString &extension) const;
};

class TQRPDFExportFilter : public TQRPageExportFilter
{
public:
    explicit TQRPDFExportFilter(const QString &fileName);
    QString Description() const override;
    QString FileExtension() const override;
    QString FilterName() const override;

protected:
    void WritePages(int count) override;
};

class TQRPNGExportFilter : public TQRPageExportFilter
{
public:
    // Pixels per inch of the written images.
    static constexpr int ImageDpi = 150;
    explicit TQRPNGExportFilter(const QString &fileName);
    QString Description() const override;
    QString FileExtension() const override;
    QString FilterName() const override;

protected:
    void WritePages(int count) override;
};

class TQRSVGExportFilter : public TQRPageExportFilter
{
public:
    explicit TQRSVGExportFilter(const QString &fileName);
    QString Description() const override;
    QString FileExtension() const override;
    QString FilterName() const override;

protected:
    void WritePages(int count) override;
};

// Offers the PDF export in the filter library while it exists.
class TQRPDFFilter : public TComponent
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TQRPDFFilter(TComponent *owner = nullptr);
    ~TQRPDFFilter() override;
};

// Offers the PNG export in the filter library while it exists.
class TQRPNGFilter : public TComponent
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TQRPNGFilter(TComponent *owner = nullptr);
    ~TQRPNGFilter() override;
};

// Offers the SVG export in the filter library while it exists.
class TQRSVGFilter : public TComponent
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TQRSVGFilter(TComponent *owner = nullptr);
    ~TQRSVGFilter() override;
};
