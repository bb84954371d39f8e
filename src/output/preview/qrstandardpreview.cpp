#include "qrstandardpreview.h"

#include "common/prompt.h"
#include "engine/exportfilter.h"
#include "gui/translatewindow.h"
#include "output/pages/qrprinter.h"
#include "qrpreview.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

namespace
{
// "Name(*.EXT)|*.EXT|..." as Qt's name filters and the extensions in order.
void splitFilterList(const QString &list, QStringList *names, QStringList *extensions)
{
    const QStringList parts = list.split(QLatin1Char('|'));
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        names->append(parts[i]);
        QString ext = parts[i + 1];
        ext.remove(QStringLiteral("*."));
        extensions->append(ext);
    }
}

QString defaultSaveDialog(QWidget *parent, const QString &title, const QString &filters,
                          const QString &defaultExt, int *filterIndex)
{
    QStringList names, extensions;
    splitFilterList(filters, &names, &extensions);
    QFileDialog dialog(parent, title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(names);
    dialog.setDefaultSuffix(defaultExt);
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString &filter) {
        const qsizetype i = names.indexOf(filter);
        if (i >= 0)
            dialog.setDefaultSuffix(extensions[i]);
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    *filterIndex = int(names.indexOf(dialog.selectedNameFilter())) + 1;
    return dialog.selectedFiles().first();
}

QString defaultOpenDialog(QWidget *parent, const QString &title, const QString &filters)
{
    QStringList names, extensions;
    splitFilterList(filters, &names, &extensions);
    return QFileDialog::getOpenFileName(parent, title, QString(), names.join(QStringLiteral(";;")));
}
} // namespace

TQRStandardPreview::TQRStandardPreview(TQRPrinter *recorder, QWidget *parent)
    : QMainWindow(parent), SaveDialog(defaultSaveDialog), OpenDialog(defaultOpenDialog), m_recorder(recorder),
      m_preview(new TQRPreview(this)), m_progressPanel(new QLabel(this)), m_pagePanel(new QLabel(this))
{
    setObjectName(QStringLiteral("QRStandardPreview"));
    setWindowTitle(QStringLiteral("Print Preview"));
    setCentralWidget(m_preview);

    auto *tools = m_tools = addToolBar(QStringLiteral("Preview"));
    tools->setMovable(false);
    // Words under the symbols: the zoom commands have no symbol anyone knows.
    tools->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    tools->setObjectName(QStringLiteral("PreviewToolBar"));
    using SP = QStyle;
    m_zoomFit = addCommand(QStringLiteral("ZoomToFit"), QStringLiteral("Zoom to fit"),
                           SP::SP_TitleBarMaxButton, {}, [this] { zoomFit(); });
    m_zoom100 = addCommand(QStringLiteral("Zoom100"), QStringLiteral("100%"), SP::SP_TitleBarNormalButton, {},
                           [this] { zoom100(); });
    m_zoomWidth = addCommand(QStringLiteral("ZoomToWidth"), QStringLiteral("Zoom to width"),
                             SP::SP_ToolBarHorizontalExtensionButton, {}, [this] { zoomWidth(); });
    auto *zoomGroup = new QActionGroup(this);
    for (QAction *a : {m_zoomFit, m_zoom100, m_zoomWidth}) {
        a->setCheckable(true);
        zoomGroup->addAction(a);
    }
    // Shown pressed although the zoom itself starts at 100.
    m_zoomWidth->setChecked(true);
    m_first = addCommand(QStringLiteral("FirstPage"), QStringLiteral("First page"), SP::SP_MediaSkipBackward,
                         {QKeySequence(Qt::Key_Home), QKeySequence(Qt::CTRL | Qt::Key_PageUp)},
                         [this] { firstPage(); });
    m_previous =
        addCommand(QStringLiteral("PreviousPage"), QStringLiteral("Previous page"), SP::SP_MediaSeekBackward,
                   {QKeySequence(Qt::Key_PageUp)}, [this] { previousPage(); });
    m_next = addCommand(QStringLiteral("NextPage"), QStringLiteral("Next page"), SP::SP_MediaSeekForward,
                        {QKeySequence(Qt::Key_PageDown)}, [this] { nextPage(); });
    m_last = addCommand(QStringLiteral("LastPage"), QStringLiteral("Last page"), SP::SP_MediaSkipForward,
                        {QKeySequence(Qt::Key_End), QKeySequence(Qt::CTRL | Qt::Key_PageDown)},
                        [this] { lastPage(); });
    m_setup = addCommand(QStringLiteral("PrinterSetup"), QStringLiteral("Printer setup"),
                         SP::SP_FileDialogDetailedView, {}, [this] { printerSetup(); });
    // The desktop's usual keys for print, save and open reach these commands too.
    m_print = addCommand(QStringLiteral("PrintButton"), QStringLiteral("Print"), SP::SP_DialogApplyButton,
                         {QKeySequence::Print}, [this] { print(); });
    m_save = addCommand(QStringLiteral("SaveReport"), QStringLiteral("Save Report"), SP::SP_DialogSaveButton,
                        {QKeySequence::Save}, [this] { save(); });
    m_load = addCommand(QStringLiteral("LoadReport"), QStringLiteral("Load Report"), SP::SP_DialogOpenButton,
                        {QKeySequence::Open}, [this] { load(); });
    m_close = addCommand(QStringLiteral("CloseButton"), QStringLiteral("&Close"), SP::SP_DialogCloseButton,
                         {QKeySequence(Qt::Key_Escape)}, [this] { close(); });
    m_close->setToolTip(QStringLiteral("Close"));
    m_close->setIconText(QStringLiteral("Close"));

    tools->insertSeparator(m_first);
    tools->insertSeparator(m_setup);
    tools->insertSeparator(m_save);
    tools->insertSeparator(m_close);

    m_preview->setObjectName(QStringLiteral("Preview"));
    m_progressPanel->setMinimumWidth(80);
    statusBar()->addWidget(m_progressPanel);
    statusBar()->addWidget(m_pagePanel, 1);

    m_preview->OnPageAvailable = [this](QObject *, int n) { PageAvailable(n); };
    m_preview->OnProgressUpdate = [this](QObject *, int p) { ProgressUpdate(p); };
    m_preview->SetRecorder(recorder);
    if (recorder)
        connect(recorder, &QObject::destroyed, this, [this] { recorderGone(); });
    TranslateWindow(this, QStringLiteral("QRStandardPreview"));
    // The report's title names the window in any language.
    if (recorder && !recorder->Title().isEmpty())
        setWindowTitle(recorder->Title());
    updatePageText();
    updateCommands();
}

TQRStandardPreview::~TQRStandardPreview()
{
    if (m_ownsRecorder && m_recorder) {
        disconnect(m_recorder, nullptr, this, nullptr); // no recorderGone from here
        delete m_recorder.data();
    }
}

QAction *TQRStandardPreview::addCommand(const QString &name, const QString &hint, QStyle::StandardPixmap icon,
                                        const QList<QKeySequence> &keys, const std::function<void()> &run)
{
    auto *a = new QAction(style()->standardIcon(icon), hint, this);
    a->setObjectName(name);
    // No status tip: it would cover the progress and page panels.
    a->setShortcuts(keys);
    a->setShortcutContext(Qt::WindowShortcut);
    connect(a, &QAction::triggered, this, [run] { run(); });
    m_tools->addAction(a);
    return a;
}

TQRPrinter *TQRStandardPreview::Recorder() const
{
    return m_recorder;
}

QString TQRStandardPreview::ProgressText() const
{
    return m_progressPanel->text();
}

QString TQRStandardPreview::PageText() const
{
    return m_pagePanel->text();
}

QString TQRStandardPreview::SaveFilterList()
{
    return QRExportFilterLibrary().SaveDialogFilterText();
}

// --- commands -------------------------------------------------------------------------------------

void TQRStandardPreview::zoomFit()
{
    m_preview->ZoomToFit();
    m_zoomFit->setChecked(true);
}

void TQRStandardPreview::zoom100()
{
    m_preview->SetZoom(100);
    m_zoom100->setChecked(true);
}

void TQRStandardPreview::zoomWidth()
{
    m_preview->ZoomToWidth();
    m_zoomWidth->setChecked(true);
}

void TQRStandardPreview::firstPage()
{
    m_preview->SetPageNumber(1);
    updatePageText();
}

void TQRStandardPreview::previousPage()
{
    m_preview->SetPageNumber(m_preview->PageNumber() - 1);
    updatePageText();
}

void TQRStandardPreview::nextPage()
{
    m_preview->SetPageNumber(m_preview->PageNumber() + 1);
    updatePageText();
}

void TQRStandardPreview::lastPage()
{
    if (m_recorder)
        m_preview->SetPageNumber(m_recorder->PageCount());
    updatePageText();
}

void TQRStandardPreview::printerSetup()
{
    if (m_recorder && m_recorder->PrintSetupHook)
        m_recorder->PrintSetupHook();
}

void TQRStandardPreview::print()
{
    if (!m_recorder)
        return;
    QPointer<TQRPrinter> recorder = m_recorder;
    if (!recorder->PrintRecorded() && recorder && !recorder->ErrorString().isEmpty())
        Prompt().ShowError(recorder->ErrorString());
}

void TQRStandardPreview::save()
{
    if (!m_recorder)
        return;
    int index = 1;
    const QString fileName =
        SaveDialog(this, QStringLiteral("Save report"), SaveFilterList(), QStringLiteral("QRP"), &index);
    if (!fileName.isEmpty())
        SaveReport(fileName, index);
}

void TQRStandardPreview::SaveReport(const QString &fileName, int filterIndex)
{
    if (!m_recorder)
        return;
    if (filterIndex <= 1) {
        if (!m_recorder->Save(fileName))
            Prompt().ShowError(m_recorder->ErrorString());
        return;
    }
    const auto &filters = QRExportFilterLibrary().Filters();
    // A loaded file has no report to run again.
    if (filterIndex - 2 >= filters.size() || !m_recorder->SaveAsHook)
        return;
    std::unique_ptr<TQRExportFilter> filter = filters[filterIndex - 2].FilterClass(fileName);
    if (filter)
        m_recorder->SaveAsHook(filter.get());
}

void TQRStandardPreview::load()
{
    const QString fileName =
        OpenDialog(this, QStringLiteral("Load report"), QStringLiteral("Stored report file (*.QRP)|*.QRP"));
    if (!fileName.isEmpty())
        LoadReport(fileName);
}

void TQRStandardPreview::LoadReport(const QString &fileName)
{
    if (!m_recorder)
        return;
    if (!QFileInfo(fileName).isFile()) {
        Prompt().ShowMessage(QStringLiteral("File does not exist"));
        return;
    }
    if (!m_recorder->Load(fileName)) {
        Prompt().ShowError(m_recorder->ErrorString());
        m_preview->Reload();
        updatePageText();
        updateCommands();
        return;
    }
    m_loaded = true;
    // The window now shows that file, whatever report it showed before.
    m_recorder->SetTitle(QFileInfo(fileName).fileName());
    setWindowTitle(m_recorder->Title());
    m_preview->Reload();
    updatePageText();
    updateCommands();
}

// --- notices --------------------------------------------------------------------------------------

void TQRStandardPreview::ProgressUpdate(int progress)
{
    if (progress <= 0 || progress >= 100) {
        m_progressPanel->clear();
        m_lastProgress = 0;
        return;
    }
    if (progress - m_lastProgress < 5)
        return;
    m_lastProgress = progress;
    m_progressPanel->setText(QString::number(progress) + QLatin1Char('%'));
}

void TQRStandardPreview::PageAvailable(int)
{
    updatePageText();
    updateCommands();
}

void TQRStandardPreview::updatePageText()
{
    const int count = m_recorder ? m_recorder->PageCount() : 0;
    m_pagePanel->setText(QStringLiteral("Page %1 of %2").arg(m_preview->PageNumber()).arg(count));
}

void TQRStandardPreview::updateCommands()
{
    const bool finished = m_recorder && m_recorder->Status() == mpFinished;
    m_print->setEnabled(finished);
    m_setup->setEnabled(finished && !m_loaded && m_recorder->PrintSetupHook);
    // Replacing or copying the pages while they are being drawn would pull
    // them from under the run.
    m_save->setEnabled(finished);
    m_load->setEnabled(m_recorder && m_recorder->Status() != mpBusy);
}

void TQRStandardPreview::recorderGone()
{
    m_recorder = nullptr;
    m_ownsRecorder = false;
    close();
}

void TQRStandardPreview::closeEvent(QCloseEvent *event)
{
    QPointer<TQRPrinter> recorder = m_recorder;
    m_preview->SetRecorder(nullptr);
    if (recorder) {
        disconnect(recorder, nullptr, this, nullptr);
        // The master report cancels its run or frees the recorder.
        if (recorder->ClosePreviewHook)
            recorder->ClosePreviewHook();
    }
    event->accept();
}
