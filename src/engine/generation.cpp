// The report run: one forward pass over the data, band by band, onto the
// canvas of the page recorder (or, while exporting, into a filter).

#include "generation.h"

#include "common/layoutmath.h"
#include "common/prompt.h"
#include "common/screen.h"
#include "data/dataset.h"
#include "engine/controller.h"
#include "engine/exportfilter.h"
#include "engine/printable.h"
#include "engine/report.h"
#include "expressions/environment.h"
#include "output/pages/qrprinter.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPainter>
#include <cmath>

std::function<void()> &QRProcessMessagesHook()
{
    static std::function<void()> hook;
    return hook;
}

std::function<void(TQRPrinter *printer)> &QRPreviewWindowHook()
{
    static std::function<void(TQRPrinter *)> hook;
    return hook;
}

std::function<QObject *(TQRPrinter *printer)> &QRProgressWindowHook()
{
    static std::function<QObject *(TQRPrinter *)> hook;
    return hook;
}

std::function<bool(TQRCustomReport *report)> &QRPrintDialogHook()
{
    static std::function<bool(TQRCustomReport *)> hook;
    return hook;
}

namespace
{
int roundi(double v)
{
    return LayoutInt(v);
}

QRect deviceRect(const TQRPrinter *p, double left, double top, double right, double bottom)
{
    const int l = p->XPos(left), t = p->YPos(top);
    return QRect(l, t, p->XPos(right) - l, p->YPos(bottom) - t);
}

void collectDataSets(TComponent *holder, TQRDatasetList &list, int depth = 0)
{
    if (!holder || depth > 32)
        return;
    for (TComponent *c : holder->ComponentList()) {
        if (auto *ds = qobject_cast<TDataSet *>(c)) {
            if (!list.contains(ds))
                list.append(ds);
        } else if (qobject_cast<TControl *>(c) && !c->ComponentList().isEmpty()) {
            collectDataSets(c, list, depth + 1);
        }
    }
}

// Restores what a run changed, whatever way the run ends.
struct RunGuard {
    std::function<void()> cleanup;
    ~RunGuard()
    {
        if (cleanup)
            cleanup();
    }
};
} // namespace

// --- entry points ------------------------------------------------------------------

TQRPrinter *TQRCustomReport::newRecorder()
{
    auto *printer = new TQRPrinter(this);
    printer->SetDestination(qrdMetafile);
    printer->SetMaster(this);
    printer->SetTitle(ReportTitle());
    // The recorder may outlive the report (a preview keeps it): the hooks
    // check that the report is still there.
    QPointer<TQRCustomReport> self(this);
    printer->PrintSetupHook = [self] {
        if (self)
            self->PrinterSetup();
    };
    printer->SaveAsHook = [self](TQRExportFilter *filter) {
        if (self)
            self->exportFromPreview(filter);
    };
    printer->PrintReportHook = [self] {
        if (self)
            self->Print();
    };
    printer->ClosePreviewHook = [self, printer] {
        if (self)
            self->previewClosed(printer);
    };
    if (OnPreview)
        printer->PreviewHook = [self] {
            if (self && self->OnPreview)
                self->OnPreview(self);
        };
    else
        printer->PreviewHook = [printer] {
            if (const auto &window = QRPreviewWindowHook())
                window(printer);
        };
    return printer;
}

void TQRCustomReport::PreparePages()
{
    if (!Idle)
        return;
    TQRPrinter *printer = newRecorder();
    delete m_qrPrinter;
    m_qrPrinter = printer;
    m_runPrinter = printer;
    RunGuard guard{[this] { m_runPrinter = nullptr; }};
    CreateReport();
    printer->SetFinishedReport(true);
}

void TQRCustomReport::Print()
{
    if (!Idle)
        return;
    TQRPrinter printer;
    printer.SetDestination(qrdPrinter);
    printer.SetMaster(this);
    printer.SetTitle(ReportTitle());
    if (!printer.PrinterAvailable())
        return;
    std::unique_ptr<QObject> progress;
    if (ShowProgress())
        if (const auto &hook = QRProgressWindowHook())
            progress.reset(hook(&printer));
    TQRPrinter *previous = m_runPrinter;
    m_runPrinter = &printer;
    RunGuard guard{[this, previous] { m_runPrinter = previous; }};
    CreateReport();
}

void TQRCustomReport::Preview()
{
    if (!Idle)
        return;
    if (!OnPreview && !QRPreviewWindowHook()) {
        Prompt().ShowMessage(QStringLiteral("This program has no preview window; the report was not run."));
        return;
    }
    TQRPrinter *printer = newRecorder();
    delete m_qrPrinter;
    m_qrPrinter = printer;
    QPointer<TQRPrinter> alive(printer);
    // Shown before the run, so that pages appear while they are produced.
    printer->PreviewHook();
    if (!alive)
        return;
    {
        m_runPrinter = printer;
        RunGuard guard{[this] { m_runPrinter = nullptr; }};
        CreateReport();
    }
    if (!alive)
        return;
    if (CancelRequested || printer->Cancelled()) {
        if (m_qrPrinter == printer)
            m_qrPrinter = nullptr;
        printer->deleteLater();
        return;
    }
    if (!printer->PreviewShown())
        return;
    QEventLoop loop;
    QObject::connect(printer, &TQRPrinter::PreviewShownChanged, &loop, [&loop](bool shown) {
        if (!shown)
            loop.quit();
    });
    QObject::connect(printer, &QObject::destroyed, &loop, &QEventLoop::quit);
    if (QCoreApplication::instance())
        QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, &loop,
                         &QEventLoop::quit);
    loop.exec();
}

void TQRCustomReport::previewClosed(TQRPrinter *printer)
{
    if (AfterPreview && !IsDesigning())
        AfterPreview(this);
    if (!Idle && m_runPrinter == printer) {
        Cancel();
        return;
    }
    // The window may still be on its way out: free the recorder afterwards.
    if (m_qrPrinter == printer) {
        m_qrPrinter = nullptr;
        printer->deleteLater();
    }
}

void TQRCustomReport::PrinterSetup()
{
    const auto &dialog = QRPrintDialogHook();
    if (!dialog) {
        SetTag(1);
        Prompt().ShowMessage(QStringLiteral("This program has no print dialog."));
        return;
    }
    const bool confirmed = dialog(this);
    SetTag(confirmed ? 0 : 1);
    // Pages already recorded keep their layout; what the printer does with
    // them follows the dialog (a preview's Print prints this range).
    if (confirmed && m_qrPrinter) {
        m_qrPrinter->SetPrinterIndex(m_printerSettings->PrinterIndex());
        m_qrPrinter->SetCopies(m_printerSettings->Copies());
        m_qrPrinter->SetFirstPage(m_printerSettings->FirstPage());
        m_qrPrinter->SetLastPage(m_printerSettings->LastPage());
    }
}

TQRPrinter *TQRCustomReport::TakeQRPrinter()
{
    TQRPrinter *p = m_qrPrinter;
    m_qrPrinter = nullptr;
    if (p)
        p->setParent(nullptr);
    return p;
}

void TQRCustomReport::ExportToFilter(TQRExportFilter *filter)
{
    if (!Idle || !filter)
        return;
    RunFilter = filter;
    RenderToCanvas = false;
    filter->SetReport(this);
    filter->SetPreviewPrinter(m_qrPrinter);
    TQRPrinter throwAway;
    throwAway.SetMaster(this);
    std::unique_ptr<QObject> progress;
    if (ShowProgress())
        if (const auto &hook = QRProgressWindowHook())
            progress.reset(hook(&throwAway));
    m_runPrinter = &throwAway;
    RunGuard guard{[this] {
        m_runPrinter = nullptr;
        RunFilter = nullptr;
        RenderToCanvas = true;
    }};
    CreateReport();
}

void TQRCustomReport::Cancel()
{
    if (Idle)
        return;
    CancelRequested = true;
    if (m_runPrinter)
        m_runPrinter->Cancel();
}

void TQRCustomReport::ProcessMessages()
{
    if (const auto &hook = QRProcessMessagesHook())
        hook();
}

// --- the run -------------------------------------------------------------------------

void TQRCustomReport::setRunVariable(TQREvElement *variable, int value)
{
    if (variable)
        TQREvEnvironment::SetVariableInteger(variable, value);
}

void TQRCustomReport::CreateReport(bool)
{
    if (!Idle || !m_runPrinter)
        return;
    TQRPrinter *printer = m_runPrinter;
    const bool wasVisible = Visible();

    TQRPage *page = m_page;
    if (page->Width() - page->LeftMargin() - page->RightMargin() < 0) {
        page->SetLeftMargin(0);
        page->SetRightMargin(0);
    }
    if (page->Length() - page->TopMargin() - page->BottomMargin() < 0) {
        page->SetTopMargin(0);
        page->SetBottomMargin(0);
    }

    Idle = false;
    CancelRequested = LastPageReached = SkipForcedPage = ColumnBreakPending = false;
    RunDataSets.clear();

    // The datasets of the form that holds the report (or of its owner when no form does).
    TComponent *form = nullptr;
    for (TComponent *c = Owner(); c && !form; c = c->Owner())
        if (qobject_cast<TForm *>(c))
            form = c;
    collectDataSets(form ? form : Owner(), RunDataSets);
    if (auto *own = qobject_cast<TDataSet *>(DataSet()); own && !RunDataSets.contains(own))
        RunDataSets.append(own);

    bool unitsChanged = false, environmentsPrepared = false, elementsPrepared = false;
    const TQRUnit savedUnits = m_units;
    const QList<TQRPrintable *> elements = AllElements();

    RunGuard guard{[&] {
        if (elementsPrepared) {
            for (TQRPrintable *e : elements)
                e->FinishRun();
            m_controller->UnprepareController();
        }
        if (environmentsPrepared) {
            m_functions->Disengage();
            m_functions->SetDatasets(nullptr);
            QREvUnprepareGlobalEnvironment();
        }
        if (unitsChanged)
            SetUnits(savedUnits);
        if (CancelRequested || !RenderToCanvas)
            printer->FinishWithoutPrinting();
        else
            printer->CloseDocument();
        m_pageNumberVar = m_columnNumberVar = nullptr;
        RunDataSets.clear();
        SetVisible(wasVisible);
        Idle = true;
    }};

    bool printReport = true;
    if (BeforePrint && !IsDesigning())
        BeforePrint(this, printReport);
    if (!printReport)
        return;

    SetUnits(QRUnits::Native);
    unitsChanged = true;

    printer->SetPrinterIndex(m_printerSettings->PrinterIndex());
    printer->SetPaperSize(page->PaperSize());
    if (printer->PaperSize() == QRPaper::Custom) {
        printer->SetPaperWidth(roundi(page->Width()));
        printer->SetPaperLength(roundi(page->Length()));
    }
    printer->SetOrientation(page->Orientation());
    printer->SetCopies(m_printerSettings->Copies());
    printer->SetOutputBin(int(m_printerSettings->OutputBin()));
    printer->SetFirstPage(m_printerSettings->FirstPage());
    printer->SetLastPage(m_printerSettings->LastPage());
    printer->SetTitle(ReportTitle());
    printer->UseCompression(m_options.testFlag(QR::Compression));

    printer->OpenDocument();
    PositionY = -1;
    PageNo = 0;
    ColumnNo = page->Columns();

    if (RunFilter && !RunFilter->Active())
        RunFilter->Start(roundi(page->Width()), roundi(page->Length()), m_font);

    FooterSpace = 0;
    for (TQRCustomBand *b : ChildBands()) {
        if (b->BandType() != QR::rbPageFooter || !b->Enabled())
            continue;
        FooterSpace += b->Size()->NativeValue(TQRBandSize::HeightIndex);
        int guardCount = 0;
        for (TQRCustomBand *c = b->ChildBand(); c && guardCount < 1000; c = c->ChildBand(), ++guardCount)
            FooterSpace += c->Size()->NativeValue(TQRBandSize::HeightIndex);
    }

    for (TQRCustomBand *b : ChildBands())
        b->AttachToReport(this);
    PositionX = roundi(page->LeftMargin());

    m_controller->SetOwningReport(this);
    m_controller->BuildLists();
    QREvPrepareGlobalEnvironment();
    m_functions->SetDatasets(&RunDataSets);
    m_functions->Engage();
    environmentsPrepared = true;
    m_pageNumberVar = m_functions->VariableElement(QStringLiteral("PAGENUMBER"));
    m_columnNumberVar = m_functions->VariableElement(QStringLiteral("COLUMNNUMBER"));
    if (TQREvElement *title = m_functions->VariableElement(QStringLiteral("REPORTTITLE")))
        TQREvEnvironment::SetVariableText(title, ReportTitle());
    setRunVariable(m_pageNumberVar, 0);
    setRunVariable(m_columnNumberVar, 0);

    elementsPrepared = true;
    m_controller->PrepareController();
    for (TQRPrintable *e : elements)
        e->PrepareForRun();

    Execute();

    PositionX = roundi(page->LeftMargin());
    LastPageReached = true;
    if (printer->Cancelled())
        CancelRequested = true;
    if (!CancelRequested)
        EndPage();
    if (RunFilter && RunFilter->Active())
        RunFilter->Finish();
    if (AfterPrint && !IsDesigning())
        AfterPrint(this);
}

void TQRCustomReport::Execute()
{
    AssignControllerBands();
    m_controller->OnNeedData = OnNeedData;
    m_controller->Execute();
}

// --- bands ------------------------------------------------------------------------------

int TQRCustomReport::RemainingSpace() const
{
    if (Idle || PositionY == -1 || !m_runPrinter)
        return 0;
    const bool landscape = m_page->Orientation() == QRPaper::poLandscape;
    const double extent = landscape && m_runPrinter->PaperSize() != QRPaper::Custom
                              ? m_runPrinter->PaperWidth()
                              : m_runPrinter->PaperLength();
    return roundi(extent - m_page->NativeValue(TQRPage::BottomMarginIndex) - FooterSpace - PositionY);
}

void TQRCustomReport::makeSpace(TQRCustomBand *band)
{
    const int needed = roundi(band->LinkedHeight());
    // Bands printed while a column is being opened (page and column headers)
    // never break again: they overflow instead of recursing.
    if (band->BandType() != QR::rbPageFooter && needed > RemainingSpace() && m_opening == 0) {
        const double printable =
            m_page->NativeValue(TQRPage::LengthIndex) -
            (m_page->NativeValue(TQRPage::TopMarginIndex) + m_page->NativeValue(TQRPage::BottomMarginIndex));
        if (needed <= printable)
            NewColumn();
        else if (PageNo > 0 && PositionY > ColumnTop)
            // Taller than a page: it overflows, but from the top of a fresh
            // column rather than below what is already there.
            NewColumn();
    }
    if (PageNo == 0)
        NewColumn();
}

void TQRCustomReport::PrintBand(TQRCustomBand *band)
{
    if (!band || Idle || !m_runPrinter)
        return;
    TQRPrinter *printer = m_runPrinter;
    TQRBandSize *size = band->Size();

    if (band->AlignToBottom()) {
        const double extent =
            m_page->Orientation() == QRPaper::poLandscape ? printer->PaperWidth() : printer->PaperLength();
        const double bottom = extent - m_page->NativeValue(TQRPage::BottomMarginIndex);
        PositionY =
            std::max(PositionY, roundi(bottom - size->NativeValue(TQRBandSize::HeightIndex) - FooterSpace));
    }

    bool flag = band->Enabled();
    if (flag) {
        // No page is open yet: the band that will open page 1 is asked on page 1,
        // so that page filters and PAGENUMBER conditions see the page it prints on.
        const bool opening = PageNo == 0;
        if (opening) {
            PageNo = 1;
            setRunVariable(m_pageNumberVar, 1);
        }
        band->DoBeforePrint(flag);
        if (opening && PageNo == 1) {
            PageNo = 0;
            setRunVariable(m_pageNumberVar, 0);
        }
    }

    auto notify = [band] {
        if (auto *c = qobject_cast<TQRController *>(band->DetailNotifier))
            for (QObject *o : c->NotifyList)
                if (auto *e = qobject_cast<TQRPrintable *>(o))
                    e->ParentChanged(0);
    };

    if (flag) {
        const QR::TQRBandType type = band->BandType();
        const bool breaks = PageNo > 0 && type != QR::rbTitle && type != QR::rbPageHeader &&
                            type != QR::rbPageFooter && type != QR::rbOverlay;
        const int pageBefore = PageNo, columnBefore = ColumnNo;
        if (breaks && band->ForceNewPage())
            NewPage();
        else if (breaks && band->ForceNewColumn())
            NewColumnForced();
        else
            makeSpace(band);
        // A swallowed forced break still needs room for the band.
        if (breaks && (band->ForceNewPage() || band->ForceNewColumn()) && PageNo == pageBefore &&
            ColumnNo == columnBefore)
            makeSpace(band);

        notify();

        const double bandWidth = size->NativeValue(TQRBandSize::WidthIndex);
        double savedHeight = size->NativeValue(TQRBandSize::HeightIndex);
        band->BandRect =
            deviceRect(printer, PositionX, PositionY, PositionX + bandWidth, PositionY + savedHeight);

        if (band->Height() != 0 && band->Enabled()) {
            if (RenderToCanvas && printer->Canvas())
                QRFillRect(printer->Canvas(), band->BandRect, ToQColor(band->Color()));
            band->Stretch = 0;
            bool first = true;
            bool allDone;
            do {
                allDone = true;
                for (TControl *c : band->ControlList()) {
                    auto *e = qobject_cast<TQRPrintable *>(c);
                    if (!e || !e->Enabled())
                        continue;
                    if (first || !e->PrintComplete)
                        e->PrintAt(PositionX, PositionY);
                    allDone = allDone && e->PrintComplete;
                }
                if (RenderToCanvas && printer->Canvas()) {
                    band->BandRect = deviceRect(printer, PositionX, PositionY, PositionX + bandWidth,
                                                PositionY + size->NativeValue(TQRBandSize::HeightIndex) +
                                                    band->Stretch + 1);
                    band->Frame()->PaintIt(printer->Canvas(), band->BandRect, printer->XFactor(),
                                           printer->YFactor());
                }
                if (!allDone) {
                    // Page footers cannot move to another page, and a cancelled run stops.
                    if (band->BandType() == QR::rbPageFooter || CancelRequested || printer->Cancelled() ||
                        m_opening > 0) {
                        for (TControl *c : band->ControlList())
                            if (auto *e = qobject_cast<TQRPrintable *>(c))
                                e->PrintComplete = true;
                        break;
                    }
                    NewColumn();
                    size->SetNativeValue(TQRBandSize::HeightIndex, savedHeight);
                    band->Stretch = 0;
                }
                first = false;
            } while (!allDone);
            PositionY += roundi(size->NativeValue(TQRBandSize::HeightIndex) + band->Stretch);
            size->SetNativeValue(TQRBandSize::HeightIndex, savedHeight);
        }
    } else if (band->DetailNotifier && !band->Enabled()) {
        notify();
    }

    band->DoAfterPrint(flag);

    if (TQRCustomBand *child = band->ChildBand()) {
        const bool footer = band->BandType() == QR::rbPageFooter;
        if (footer)
            child->SetRunBandType(QR::rbPageFooter);
        PrintBand(child);
        if (footer)
            child->SetRunBandType(QR::rbChild);
    }
}

// --- columns and pages -----------------------------------------------------------------

void TQRCustomReport::NewColumn()
{
    const int columns = std::max(1, m_page->Columns());
    if (ColumnNo >= columns) {
        ColumnNo = 1;
        PositionX = roundi(m_page->NativeValue(TQRPage::LeftMarginIndex));
        StartPage();
    } else {
        int columnWidth;
        if (TQRBand *detail = FindBand(QR::rbDetail)) {
            columnWidth = roundi(detail->Size()->NativeValue(TQRBandSize::WidthIndex));
        } else {
            const double w =
                m_page->NativeValue(TQRPage::WidthIndex) - (m_page->NativeValue(TQRPage::LeftMarginIndex) +
                                                            m_page->NativeValue(TQRPage::RightMarginIndex));
            columnWidth = (roundi(w) - LayoutProduct(roundi(m_page->NativeValue(TQRPage::ColumnSpaceIndex)),
                                                     columns - 1)) /
                          columns;
        }
        PositionX = LayoutClamp(qint64(PositionX) + roundi(m_page->NativeValue(TQRPage::ColumnSpaceIndex)) +
                                columnWidth);
        PositionY = ColumnTop;
        ++ColumnNo;
    }
    setRunVariable(m_columnNumberVar, ColumnNo);
    if (!(ColumnNo == 1 && PageNo == 1)) {
        ++m_opening;
        RunGuard guard{[this] { --m_opening; }};
        PrintBand(FindBand(QR::rbColumnHeader));
        m_controller->ReprintGroupHeaders();
    }
}

void TQRCustomReport::StartPage()
{
    EndPage();
    if (RunFilter)
        RunFilter->NewPage();
    ++PageNo;
    setRunVariable(m_pageNumberVar, PageNo);
    if (RenderToCanvas || PageNo == 1)
        m_runPrinter->NewPage();
    PositionY = roundi(m_page->NativeValue(TQRPage::TopMarginIndex));
    if (OnStartPage && !IsDesigning())
        OnStartPage(this);
    if (PageNo > 1 || m_options.testFlag(QR::FirstPageHeader)) {
        ++m_opening;
        RunGuard guard{[this] { --m_opening; }};
        PrintBand(FindBand(QR::rbPageHeader));
    }
    ColumnTop = PositionY;
    if (PageNo == 1)
        if (TQRBand *title = FindBand(QR::rbTitle))
            ColumnTop += roundi(title->Size()->NativeValue(TQRBandSize::HeightIndex));
}

void TQRCustomReport::EndPage()
{
    if (PageNo > 0) {
        PositionY = roundi(m_page->NativeValue(TQRPage::LengthIndex) -
                           m_page->NativeValue(TQRPage::BottomMarginIndex) - FooterSpace);
        PositionX = roundi(m_page->NativeValue(TQRPage::LeftMarginIndex));
        if (!(LastPageReached && !m_options.testFlag(QR::LastPageFooter)))
            PrintBand(FindBand(QR::rbPageFooter));
        for (TControl *c : ControlList())
            if (auto *e = qobject_cast<TQRPrintable *>(c); e && e->Enabled())
                e->PrintAt(0, 0);
        if (RenderToCanvas && m_runPrinter->Canvas() && Frame()->AnyFrame()) {
            const QRect r = deviceRect(
                m_runPrinter, m_page->NativeValue(TQRPage::LeftMarginIndex),
                m_page->NativeValue(TQRPage::TopMarginIndex),
                m_page->NativeValue(TQRPage::WidthIndex) - m_page->NativeValue(TQRPage::RightMarginIndex),
                m_page->NativeValue(TQRPage::LengthIndex) - m_page->NativeValue(TQRPage::BottomMarginIndex));
            Frame()->PaintIt(m_runPrinter->Canvas(), r, m_runPrinter->XFactor(), m_runPrinter->YFactor());
        }
        if (OnEndPage && !IsDesigning())
            OnEndPage(this);
    }
    if (RunFilter)
        RunFilter->EndPage();
}

void TQRCustomReport::NewPage()
{
    if (Idle)
        return;
    if (SkipForcedPage) {
        SkipForcedPage = false;
        return;
    }
    int guardCount = 0;
    do {
        NewColumn();
    } while (ColumnNo != 1 && ++guardCount < 1000);
}

void TQRCustomReport::NewColumnForced()
{
    if (Idle)
        return;
    if (ColumnBreakPending || ColumnNo > 1)
        NewColumn();
    else
        ColumnBreakPending = true;
}
