#pragma once

// A three-page report whose detail lines say which record they show, and a
// printer that keeps every printed sheet as an image.

#include "engine/generation.h"
#include "gentest.h"
#include "keptguihooks.h"
#include "output/pages/qrprinter.h"

#include <QImage>
#include <QList>
#include <QPainter>

// Records 1 .. 5, two 100 mm detail bands to a page: pages 1 and 2 hold two
// records, page 3 the last one.
struct ThreePageReport : GenFixture {
    TQRLabel *line = nullptr;
    explicit ThreePageReport(int count = 5)
    {
        TQRBand *detail = addBand(QR::rbDetail, 1000);
        line = label(detail, QStringLiteral("Record 0"));
        line->SetAutoSize(true);
        records(count);
        detail->BeforePrint = [this](TQRCustomBand *, bool &) {
            line->SetCaption(QStringLiteral("Record %1").arg(record));
        };
        // Every run starts on the first record again.
        report->BeforePrint = [this](TQRCustomReport *, bool &) { record = 0; };
        report->SetReportTitle(QStringLiteral("Three pages"));
    }
};

// Prints at 96 pixels per inch, so that a printed sheet is the recorded page
// replayed at its own size.
class SheetDevice : public TQRPrintDevice
{
public:
    bool Available() const override { return true; }
    double PixelsPerInchX() const override { return 96; }
    double PixelsPerInchY() const override { return 96; }
    QPainter *BeginDocument(const QString &) override
    {
        ++documents;
        sheets.clear();
        startSheet();
        return &painter;
    }
    void NewPhysicalPage() override
    {
        painter.end();
        startSheet();
    }
    void EndDocument() override { painter.end(); }
    void AbortDocument() override
    {
        if (painter.isActive())
            painter.end();
    }

    QList<QImage> sheets;
    QPainter painter;
    int documents = 0;

private:
    void startSheet()
    {
        sheets.append(QImage(794, 1123, QImage::Format_RGB32));
        sheets.last().fill(Qt::white);
        painter.begin(&sheets.last());
    }
};
