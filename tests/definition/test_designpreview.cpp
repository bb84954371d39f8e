// The design report's Print and Preview run inside the run preparation, and
// a Save or Print from the preview that Preview waits for uses it too.
#include "definition/designreport.h"
#include "deftest.h"
#include "engine/generation.h"
#include "output/pages/qrprinter.h"

#include <QImage>
#include <QPainter>
#include <QTimer>
#include <gtest/gtest.h>

namespace
{
class PreparedDevice : public TQRPrintDevice
{
public:
    // flag receives whether the report was prepared when printing began.
    PreparedDevice(TQRDesignReport *report, bool *flag)
        : m_report(report), m_flag(flag), m_image(20, 20, QImage::Format_RGB32)
    {
    }
    bool Available() const override { return true; }
    double PixelsPerInchX() const override { return 96; }
    double PixelsPerInchY() const override { return 96; }
    QPainter *BeginDocument(const QString &) override
    {
        *m_flag = m_report->Prepared();
        m_painter.begin(&m_image);
        return &m_painter;
    }
    void NewPhysicalPage() override {}
    void EndDocument() override { m_painter.end(); }
    void AbortDocument() override
    {
        if (m_painter.isActive())
            m_painter.end();
    }

private:
    TQRDesignReport *m_report;
    bool *m_flag;
    QImage m_image;
    QPainter m_painter;
};

struct Hooks {
    ~Hooks()
    {
        QRPrintDeviceFactory() = nullptr;
        QRPreviewWindowHook() = nullptr;
    }
};

class DesignPreview : public DesignTest
{
protected:
    DesignPreview()
    {
        // A footer that stops on the last page makes the preparation add a summary band.
        designBand(QR::rbPageFooter, 100, QStringLiteral("Footer"))->SetNotOnLastPage(true);
        auto *title = designBand(QR::rbTitle, 200, QStringLiteral("Title"));
        element<TQRDesignLabel>(title, 0, 0)->SetCaption(QStringLiteral("Heading"));
    }
    Hooks hooks;
};
} // namespace

TEST_F(DesignPreview, PreviewWaitsInsideThePreparationAndItsSaveUsesIt)
{
    int afterPreview = 0, exported = -1;
    report->AfterPreview = [&](TQRCustomReport *) { ++afterPreview; };
    QRPreviewWindowHook() = [&](TQRPrinter *p) {
        p->SetPreviewShown(true);
        QTimer::singleShot(0, p, [&, p] {
            EXPECT_TRUE(report->Prepared());
            EXPECT_NE(report->TemporarySummaryBand(), nullptr);
            RecordingFilter filter;
            p->SaveAsHook(&filter);
            exported = filter.pages;
            EXPECT_TRUE(report->Prepared()); // the nested run left the preparation alone
            p->SetPreviewShown(false);
            p->ClosePreviewHook();
        });
    };
    report->Preview();
    EXPECT_EQ(exported, 1);
    EXPECT_EQ(afterPreview, 1);
    EXPECT_FALSE(report->Prepared());
    EXPECT_EQ(report->TemporarySummaryBand(), nullptr);
    // The report's own handler is back in place after the run.
    report->AfterPreview(report);
    EXPECT_EQ(afterPreview, 2);
}

TEST_F(DesignPreview, PrintRunsPrepared)
{
    bool prepared = false;
    // The device belongs to the recorder of the run, which goes when Print returns.
    QRPrintDeviceFactory() = [&] { return std::make_unique<PreparedDevice>(report, &prepared); };
    report->Print();
    EXPECT_TRUE(prepared);
    EXPECT_FALSE(report->Prepared());
    EXPECT_TRUE(report->Idle);
}
