#pragma once

// A design report on a window, as the report holder builds one, with helpers
// to add bands and elements in native units and to run the report into a
// recording export filter or recorded pages.

#include "../engine/gentest.h"
#include "common/localesettings.h"
#include "common/prompt.h"
#include "common/screen.h"
#include "definition/designbands.h"
#include "definition/designelements.h"
#include "definition/designreport.h"
#include "definition/loader.h"

#include <gtest/gtest.h>
#include <memory>

class DesignTest : public ::testing::Test
{
protected:
    DesignTest()
    {
        LocaleSettings().Load(QStringLiteral("en_US"));
        report->SetName(QStringLiteral("Report"));
        loader->SetName(QStringLiteral("Loader"));
        report->SetUnits(QRUnits::MM);
        report->Page()->SetOrientation(QRPaper::poPortrait);
        report->Page()->SetPaperSize(QRPaper::A4);
        TQRPage *p = report->Page();
        for (int index : {TQRPage::TopMarginIndex, TQRPage::BottomMarginIndex, TQRPage::LeftMarginIndex,
                          TQRPage::RightMarginIndex})
            p->SetNativeValue(index, 100);
        report->SetShowProgress(false);
    }

    template <class T> T *band(QR::TQRBandType type, double height, const QString &name)
    {
        auto *b = new T(form.get());
        b->SetName(name);
        if constexpr (std::is_base_of_v<TQRBand, T>)
            b->SetBandType(type);
        b->SetParent(report);
        b->Size()->SetNativeValue(TQRBandSize::HeightIndex, height);
        return b;
    }
    TQRDesignBand *designBand(QR::TQRBandType type, double height, const QString &name)
    {
        return band<TQRDesignBand>(type, height, name);
    }
    template <class T>
    T *element(TQRCustomBand *parent, double left, double top, double width = 300, double height = 40)
    {
        auto *e = new T(form.get());
        e->SetParent(parent);
        TQRPrintableSize *s = e->Size();
        s->SetNativeValue(TQRPrintableSize::LeftIndex, left);
        s->SetNativeValue(TQRPrintableSize::TopIndex, top);
        s->SetNativeValue(TQRPrintableSize::WidthIndex, width);
        s->SetNativeValue(TQRPrintableSize::HeightIndex, height);
        return e;
    }
    TQRDesignLabel *label(TQRCustomBand *parent, const QString &caption, double left = 0, double top = 0)
    {
        auto *l = element<TQRDesignLabel>(parent, left, top);
        l->SetCaption(caption);
        return l;
    }
    TQRDesignExpr *expr(TQRCustomBand *parent, const QString &expression, double left = 0, double top = 0)
    {
        auto *e = element<TQRDesignExpr>(parent, left, top);
        e->SetExpression(expression);
        return e;
    }
    // The report runs for count records supplied through OnNeedData.
    void records(int count)
    {
        report->OnNeedData = [this, count](QObject *, bool &more) { more = ++record <= count; };
    }
    // Runs the report into the filter; false when the preparation refused the run.
    bool run(RecordingFilter &filter)
    {
        record = 0;
        return report->ExportRun(&filter);
    }
    // The pages on which text was printed, in order.
    static QList<int> pagesOf(const RecordingFilter &filter, const QString &text)
    {
        QList<int> pages;
        for (const TextItem &i : filter.items)
            if (i.text == text)
                pages << i.page;
        return pages;
    }

    TScriptedPrompt prompt;
    TPromptGuard promptGuard{&prompt};
    std::unique_ptr<TForm> form = std::make_unique<TForm>();
    TQRDesignReport *report = new TQRDesignReport(form.get());
    TQRDLoader *loader = new TQRDLoader(form.get());
    int record = 0;
};
