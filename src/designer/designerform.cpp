#include "designer/designerform.h"

#include "common/prompt.h"
#include "common/screen.h"
#include "definition/databasesettings.h"
#include "definition/designreport.h"
#include "definition/runtimecomponents.h"
#include "designer/datafieldlist.h"
#include "designer/designcanvas.h"
#include "designer/propertyinspector.h"
#include "designer/repdesigner.h"
#include "engine/printable.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDockWidget>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QScrollArea>
#include <QSettings>
#include <QStatusBar>
#include <QToolBar>

namespace
{
constexpr int MaxHistory = 8;

// "Reports|*.QR2|All|*.*" as the file dialogs take it.
QString qtFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    if (parts.size() < 2)
        return filter;
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        out.append(parts[i] + " (" + QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' ')) + ")");
    return out.join(QStringLiteral(";;"));
}

struct PaletteEntry {
    int state;
    const char *text;
    const char *name;
};
const PaletteEntry paletteEntries[] = {
    {TQRepDesigner::dsNormal, "Select", "NormalDesign"},
    {TQRepDesigner::dsNewBand, "Band", "NewBand"},
    {TQRepDesigner::dsNewChildBand, "Child band", "NewChildBand"},
    {TQRepDesigner::dsNewGroup, "Group", "NewGroup"},
    {TQRepDesigner::dsNewSubdetail, "Sub-detail", "NewSubdetail"},
    {TQRepDesigner::dsNewLabel, "Label", "NewLabel"},
    {TQRepDesigner::dsNewDBText, "Data field", "NewDBText"},
    {TQRepDesigner::dsNewExpr, "Expression", "NewExpr"},
    {TQRepDesigner::dsNewSysdata, "System field", "NewSysdata"},
    {TQRepDesigner::dsNewMemo, "Memo", "NewMemo"},
    {TQRepDesigner::dsNewShape, "Shape", "NewShape"},
    {TQRepDesigner::dsNewImage, "Image", "NewImage"},
    {TQRepDesigner::dsNewDBImage, "Image field", "NewDBImage"},
    {TQRepDesigner::dsNewRichtext, "Rich text", "NewRichtext"},
    {TQRepDesigner::dsNewDBRichtext, "Rich text field", "NewDBRichtext"},
    {TQRepDesigner::dsNewChart, "Chart", "NewChart"},
};
} // namespace

TReportDesignerForm::TReportDesignerForm(QWidget *parent) : QMainWindow(parent)
{
    m_ownForm = std::make_unique<TForm>();
    m_form = m_ownForm.get();
    m_form->SetName(QStringLiteral("QRDesignForm"));
    auto *report = new TQRDesignReport(m_form);
    report->SetName(QStringLiteral("Report"));
    m_designer = new TQRepDesigner(m_form);
    m_designer->SetName(QStringLiteral("Designer"));
    m_designer->SetQReport(report);
    OpenDir = SaveDir = QString();
    build();
}

TReportDesignerForm::TReportDesignerForm(TQRDesignerWindowSettings &s, QWidget *parent) : QMainWindow(parent)
{
    m_form = s.Form;
    m_designer = qobject_cast<TQRepDesigner *>(s.Loader);
    if (!m_designer) {
        // A dialog without the designer's factory: the window brings its own controller.
        m_designer = new TQRepDesigner(m_form);
        m_designer->SetQReport(s.Report);
    }
    if (!s.DefaultExt.isEmpty())
        DefaultExt = s.DefaultExt;
    if (!s.Filter.isEmpty())
        Filter = qtFilter(s.Filter);
    OpenDir = s.OpenDir;
    SaveDir = s.SaveDir;
    if (!s.HelpFile.isEmpty())
        HelpFile = s.HelpFile;
    if (const TReportDesignerDialog *d = s.Dialog) {
        using D = TReportDesignerDialog;
        TQRepDesigner *q = m_designer;
        if (d->AfterReportComponentCreated)
            q->AfterReportComponentCreated = d->AfterReportComponentCreated;
        q->ShowDatafieldListbox = d->EditorSettings().testFlag(D::ShowDatafieldListbox);
        q->AllowSQLEdit = d->UserSettings().testFlag(D::AllowSQLEdit);
        q->ScriptEditByUser = d->UserSettings().testFlag(D::AllowScriptEdit);
        q->QueriesOnlyInExpert = d->UserSettings().testFlag(D::QueriesOnlyInExpert);
        q->QueriesOnlyInDBSetup = d->UserSettings().testFlag(D::QueriesOnlyInDBSetup);
        if (d->OnNewReport)
            q->OnNewReport = d->OnNewReport;
        if (d->OnEditQuery)
            q->OnEditQuery = d->OnEditQuery;
        if (d->OnSaveReport)
            q->OnSaveReport = d->OnSaveReport;
        if (d->OnShowDatafield)
            q->OnShowDatafield = d->OnShowDatafield;
        q->SaveBackupFiles = d->EditorSettings().testFlag(D::SaveBackupFiles);
        q->AllowNewCalcFields = d->UserSettings().testFlag(D::AllowNewCalcFields);
        q->AutoEditAfterInsert = d->EditorSettings().testFlag(D::AutoEditAfterInsert);
        q->AllowBlockEdit = d->UserSettings().testFlag(D::AllowBlockEdit);
        q->FieldDisplayLabels = d->FieldDisplayLabels;
        q->IndexDisplayLabels = d->IndexDisplayLabels;
        q->SetAvailableDatasetNames(d->AvailableDatasetNames);
        q->SetAvailableDatabaseNames(d->AvailableDatabaseNames);
        q->SetAvailableTableNames(d->AvailableTableNames);
        q->UndoEnabled = d->EditorSettings().testFlag(D::UndoEnabled);
        q->DefaultDatabaseOnly = d->DefaultDatabaseOnly();
        q->SQLSettings()->Assign(d->SQLSettings());
        q->DatafieldsSorted = d->EditorSettings().testFlag(D::DatafieldsSorted);
    }
    build();
    m_undoAction->setVisible(s.UndoMenuVisible);
    m_databaseMenu->menuAction()->setVisible(s.DatabaseMenuVisible && !m_databaseMenu->actions().isEmpty());
    m_fieldListAction->setChecked(s.DatafieldListChecked);
    m_designer->PrepareDesign();
    if (s.Loaded)
        m_designer->SetModified(false);
    SetCurrentFileName(s.FileName);
    if (s.Loaded)
        AddToHistory(s.FileName);
    m_fieldList->Refill();
}

TReportDesignerForm::~TReportDesignerForm()
{
    // The controller outlives the window when a dialog owns it: it must not call back.
    if (m_designer) {
        m_designer->OnRepaint = nullptr;
        m_designer->OnModifiedChanged = nullptr;
        m_designer->OnDatasetsChanged = nullptr;
    }
}

TQRDesignReport *TReportDesignerForm::Report() const
{
    return m_designer->QReport();
}

void TReportDesignerForm::build()
{
    setObjectName(QStringLiteral("QRDesignForm"));
    m_canvas = new TDesignCanvas(m_designer);
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("DesignScroll"));
    m_scroll->setWidget(m_canvas);
    m_scroll->setWidgetResizable(false);
    m_scroll->setBackgroundRole(QPalette::Dark);
    setCentralWidget(m_scroll);
    m_fieldList = new TDatafieldList(m_designer, this);
    m_inspector = new TPropertyInspector(m_designer);
    auto *dock = new QDockWidget(tr("Properties"), this);
    dock->setObjectName(QStringLiteral("InspectorDock"));
    dock->setWidget(m_inspector);
    addDockWidget(Qt::RightDockWidgetArea, dock);
    buildMenus();
    buildPalette();
    buildStrip();
    m_info = new QLabel(this);
    m_info->setObjectName(QStringLiteral("InfoPanel"));
    statusBar()->addWidget(m_info, 1);
    linkDesigner();
    QSettings settings;
    m_history = settings.value(QStringLiteral("Designer/History")).toStringList();
    refreshHistoryMenu();
    resize(900, 700);
    updateCaption();
    m_canvas->Invalidate();
    m_canvas->setFocus();
}

void TReportDesignerForm::buildMenus()
{
    QMenu *file = menuBar()->addMenu(tr("&File"));
    file->setObjectName(QStringLiteral("FileMenu"));
    auto add = [this](QMenu *menu, const QString &text, const char *name, QKeySequence key, auto slot) {
        QAction *a = menu->addAction(text);
        a->setObjectName(QLatin1String(name));
        if (!key.isEmpty())
            a->setShortcut(key);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    add(file, tr("&New"), "FileNew", QKeySequence::New, [this] { NewReport(); });
    add(file, tr("&Open..."), "FileOpen", QKeySequence::Open, [this] { OpenReport(); });
    add(file, tr("&Save"), "FileSave", QKeySequence::Save, [this] { SaveReport(); });
    add(file, tr("Save &as..."), "FileSaveAs", QKeySequence(), [this] { SaveReportAs(); });
    file->addSeparator();
    add(file, tr("&Preview"), "FilePreview", QKeySequence(Qt::CTRL | Qt::Key_P), [this] { PreviewReport(); });
    file->addSeparator();
    m_historyMenu = file->addMenu(tr("&Recent reports"));
    m_historyMenu->setObjectName(QStringLiteral("HistoryMenu"));
    file->addSeparator();
    add(file, tr("E&xit"), "FileExit", QKeySequence(Qt::CTRL | Qt::Key_Q), [this] { close(); });

    QMenu *edit = menuBar()->addMenu(tr("&Edit"));
    TQRMenuItems &m = m_designer->MenuItems;
    auto command = [&](const QString &text, const char *name, QPointer<QAction> &link) {
        QAction *a = edit->addAction(text);
        a->setObjectName(QLatin1String(name));
        link = a;
        return a;
    };
    m_undoAction = command(tr("&Undo"), "EditUndo", m.Undo);
    m_undoAction->setEnabled(false);
    edit->addSeparator();
    command(tr("Cu&t"), "EditCut", m.CutToClipboard);
    command(tr("&Copy"), "EditCopy", m.CopyToClipboard);
    command(tr("&Paste"), "EditPaste", m.PasteFromClipboard);
    command(tr("&Delete"), "EditDelete", m.Delete);

    QMenu *view = menuBar()->addMenu(tr("&View"));
    add(view, tr("&Default size"), "ZoomDefault", QKeySequence(Qt::CTRL | Qt::Key_0),
        [this] { ZoomDefault(); });
    add(view, tr("Zoom &in"), "ZoomIn", QKeySequence::ZoomIn, [this] { ZoomIn(); });
    add(view, tr("Zoom &out"), "ZoomOut", QKeySequence::ZoomOut, [this] { ZoomOut(); });
    view->addSeparator();
    QAction *names = add(view, tr("Band &names"), "ShowBandNames", QKeySequence(),
                         [this](bool on) { m_designer->SetShowBandNames(on); });
    names->setCheckable(true);
    names->setChecked(m_designer->ShowBandNames());
    QAction *frames = add(view, tr("Component &frames"), "ShowComponentFrames", QKeySequence(),
                          [this](bool on) { m_designer->SetShowComponentFrames(on); });
    frames->setCheckable(true);
    frames->setChecked(m_designer->ShowComponentFrames());
    m_fieldListAction =
        add(view, tr("Data field &list"), "ShowDatafieldsBox", QKeySequence(), [this](bool on) {
            m_designer->ShowDatafieldListbox = on;
            m_fieldList->UpdateVisibility();
        });
    m_fieldListAction->setCheckable(true);
    m_fieldListAction->setChecked(m_designer->ShowDatafieldListbox);
    m.ShowDatafieldsBox = m_fieldListAction;

    // The dataset dialogs add their entries here.
    m_databaseMenu = menuBar()->addMenu(tr("&Database"));
    m_databaseMenu->setObjectName(QStringLiteral("DatabaseMenu"));
    m_databaseMenu->menuAction()->setVisible(false);
}

void TReportDesignerForm::buildPalette()
{
    QToolBar *bar = addToolBar(tr("Palette"));
    bar->setObjectName(QStringLiteral("Palette"));
    m_paletteGroup = new QActionGroup(this);
    m_paletteGroup->setExclusive(true);
    for (const PaletteEntry &e : paletteEntries) {
        QAction *a = bar->addAction(tr(e.text));
        a->setObjectName(QLatin1String(e.name));
        a->setCheckable(true);
        a->setData(e.state);
        m_paletteGroup->addAction(a);
        m_palette.append(a);
        const int state = e.state;
        connect(a, &QAction::triggered, this, [this, state] {
            m_designer->PaletteButton(state, QApplication::keyboardModifiers() & Qt::ShiftModifier);
            m_canvas->setFocus();
        });
    }
    m_palette.first()->setChecked(true);
    m_designer->SpeedButtons.NormalDesign = m_palette.first();
}

QAction *TReportDesignerForm::PaletteAction(int state) const
{
    for (QAction *a : m_palette)
        if (a->data().toInt() == state)
            return a;
    return nullptr;
}

void TReportDesignerForm::buildStrip()
{
    addToolBarBreak();
    QToolBar *strip = addToolBar(tr("Properties"));
    strip->setObjectName(QStringLiteral("PropertyStrip"));
    m_typeLabel = new QLabel(strip);
    m_typeLabel->setObjectName(QStringLiteral("EditorTypeLabel"));
    m_typeLabel->setMinimumWidth(90);
    m_edit = new QLineEdit(strip);
    m_edit->setObjectName(QStringLiteral("EditorEditControl"));
    m_edit->setMinimumWidth(220);
    m_combo = new QComboBox(strip);
    m_combo->setObjectName(QStringLiteral("EditorCombobox"));
    m_combo->setMinimumWidth(180);
    strip->addWidget(m_typeLabel);
    strip->addWidget(m_edit);
    strip->addWidget(m_combo);

    QToolBar *fonts = addToolBar(tr("Font"));
    fonts->setObjectName(QStringLiteral("FontBar"));
    m_fontName = new QComboBox(fonts);
    m_fontName->setObjectName(QStringLiteral("FontComboBox"));
    m_fontName->setEditable(true);
    m_fontName->setInsertPolicy(QComboBox::NoInsert);
    m_fontName->setMinimumWidth(160);
    m_fontSize = new QComboBox(fonts);
    m_fontSize->setObjectName(QStringLiteral("FontSizeComboBox"));
    m_fontSize->setEditable(true);
    for (int size : {6, 7, 8, 9, 10, 11, 12, 14, 16, 18, 20, 24, 28, 36, 48, 72})
        m_fontSize->addItem(QString::number(size));
    fonts->addWidget(m_fontName);
    fonts->addWidget(m_fontSize);
    TQRSpeedButtons &b = m_designer->SpeedButtons;
    auto toggle = [&](const QString &text, const char *name, QPointer<QAction> &link) {
        QAction *a = fonts->addAction(text);
        a->setObjectName(QLatin1String(name));
        a->setCheckable(true);
        link = a;
        return a;
    };
    QFont bold = font();
    bold.setBold(true);
    toggle(tr("B"), "FontBold", b.FontBold)->setFont(bold);
    QFont italic = font();
    italic.setItalic(true);
    toggle(tr("I"), "FontItalic", b.FontItalic)->setFont(italic);
    QFont underline = font();
    underline.setUnderline(true);
    toggle(tr("U"), "FontUnderline", b.FontUnderline)->setFont(underline);
    fonts->addSeparator();
    const struct {
        const char *text, *name;
        QR::TAlignment alignment;
        QPointer<QAction> *link;
    } aligns[] = {{"Left", "TextLeftAlign", QR::taLeftJustify, &b.TextLeftAlign},
                  {"Center", "TextCenter", QR::taCenter, &b.TextCenter},
                  {"Right", "TextRightAlign", QR::taRightJustify, &b.TextRightAlign}};
    for (const auto &a : aligns) {
        QAction *action = toggle(tr(a.text), a.name, *a.link);
        const QR::TAlignment alignment = a.alignment;
        connect(action, &QAction::triggered, this, [this, alignment] {
            bool changed = false;
            for (TQRVisualControl *c : m_designer->Selection())
                if (c->metaObject()->indexOfProperty("Alignment") >= 0 &&
                    c->property("Alignment").toInt() != int(alignment)) {
                    if (!changed)
                        m_designer->TakeSnapshot();
                    changed = true;
                    c->setProperty("Alignment", QVariant::fromValue(alignment));
                }
            m_designer->UpdateCommands();
            m_canvas->Invalidate();
        });
    }
}

void TReportDesignerForm::linkDesigner()
{
    TQRepDesigner *d = m_designer;
    d->InfoPanel = m_info;
    d->EditorTypeLabel = m_typeLabel;
    d->EditorEditControl = m_edit;
    d->EditorCombobox = m_combo;
    d->FontComboBox = m_fontName;
    d->FontSizeComboBox = m_fontSize;
    d->OnRepaint = [this] {
        m_canvas->Invalidate();
        const auto selection = m_designer->Selection();
        m_inspector->SetComponent(selection.size() == 1 ? selection.first() : nullptr);
    };
    d->OnModifiedChanged = [this](bool) { updateCaption(); };
    d->OnDatasetsChanged = [this] { m_fieldList->Refill(); };
    d->OnDesignStateChanged = [this](TQRepDesigner *, int state) {
        if (QAction *a = PaletteAction(state))
            a->setChecked(true);
    };
    d->LinkControls();
}

void TReportDesignerForm::updateCaption()
{
    const QString name = m_fileName.isEmpty() ? tr("New report") : QFileInfo(m_fileName).fileName();
    setWindowTitle(tr("Report designer") + " - " + name + (m_designer->Modified() ? " *" : ""));
}

void TReportDesignerForm::SetCurrentFileName(const QString &fileName)
{
    m_fileName = fileName;
    m_designer->SetFileName(fileName);
    updateCaption();
}

// --- file commands -------------------------------------------------------------------------------

bool TReportDesignerForm::confirmDiscard()
{
    if (!m_designer->Modified())
        return true;
    return Prompt().MessageBox(m_designer->Text(QStringLiteral("Report not saved")), windowTitle(),
                               mtConfirmation, TMsgButtons::OKCancel) == mrOk;
}

bool TReportDesignerForm::NewReport()
{
    if (!confirmDiscard())
        return false;
    m_designer->NewReport();
    SetCurrentFileName(QString());
    // The report expert hooks in here.
    if (m_designer->OnNewReport) {
        bool showExpert = false;
        QString dataset;
        m_designer->OnNewReport(m_form, Report(), showExpert, dataset);
    }
    m_canvas->Invalidate();
    return true;
}

bool TReportDesignerForm::OpenReport(const QString &given)
{
    if (!confirmDiscard())
        return false;
    QString fileName = given;
    if (fileName.isEmpty()) {
        fileName = FileDialogHook ? FileDialogHook(false, QString())
                                  : QFileDialog::getOpenFileName(this, tr("Open report"), OpenDir, Filter);
        if (fileName.isEmpty())
            return false;
    }
    const bool ok = m_designer->LoadReportFile(fileName);
    if (ok) {
        SetCurrentFileName(fileName);
        AddToHistory(fileName);
    }
    m_canvas->Invalidate();
    return ok;
}

bool TReportDesignerForm::SaveReport()
{
    if (m_fileName.isEmpty())
        return SaveReportAs();
    const bool ok = m_designer->SaveReportFile(m_fileName);
    if (ok)
        AddToHistory(m_fileName);
    updateCaption();
    return ok;
}

bool TReportDesignerForm::SaveReportAs()
{
    const QString start = m_fileName.isEmpty() ? SaveDir : m_fileName;
    QString fileName = FileDialogHook ? FileDialogHook(true, start)
                                      : QFileDialog::getSaveFileName(this, tr("Save report"), start, Filter);
    if (fileName.isEmpty())
        return false;
    if (QFileInfo(fileName).suffix().isEmpty() && !DefaultExt.isEmpty())
        fileName += QLatin1Char('.') + DefaultExt;
    const bool ok = m_designer->SaveReportFile(fileName);
    if (ok) {
        SetCurrentFileName(fileName);
        AddToHistory(fileName);
    }
    return ok;
}

void TReportDesignerForm::AddToHistory(const QString &fileName)
{
    if (fileName.isEmpty())
        return;
    const QString path = QFileInfo(fileName).absoluteFilePath();
    m_history.removeAll(path);
    m_history.prepend(path);
    while (m_history.size() > MaxHistory)
        m_history.removeLast();
    QSettings().setValue(QStringLiteral("Designer/History"), m_history);
    refreshHistoryMenu();
}

void TReportDesignerForm::refreshHistoryMenu()
{
    m_historyMenu->clear();
    for (int i = 0; i < m_history.size(); ++i) {
        const QString path = m_history[i];
        QAction *a = m_historyMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(path));
        connect(a, &QAction::triggered, this, [this, path] { OpenReport(path); });
    }
    m_historyMenu->setEnabled(!m_history.isEmpty());
}

void TReportDesignerForm::closeEvent(QCloseEvent *event)
{
    if (m_designer->Modified()) {
        const QString name = m_fileName.isEmpty() ? tr("New report") : m_fileName;
        const TModalResult answer =
            Prompt().MessageBox(m_designer->Text(QStringLiteral("Save report")) + "\n" + name, windowTitle(),
                                mtConfirmation, TMsgButtons::YesNoCancel);
        if (answer == mrCancel || (answer == mrYes && !SaveReport())) {
            event->ignore();
            return;
        }
    }
    m_fieldList->hide();
    event->accept();
}

void TReportDesignerForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    m_fieldList->UpdateVisibility();
}

// --- zoom and preview ----------------------------------------------------------------------------

void TReportDesignerForm::SetZoom(int percent)
{
    if (!Report() || percent < 1 || percent > 300)
        return;
    Report()->SetZoom(percent);
    m_canvas->Invalidate();
}

void TReportDesignerForm::ZoomDefault()
{
    SetZoom(100);
}

void TReportDesignerForm::ZoomIn()
{
    if (Report())
        SetZoom(std::min(300, Report()->Zoom() * 2));
}

void TReportDesignerForm::ZoomOut()
{
    if (!Report())
        return;
    const int half = int(std::lround(Report()->Zoom() / 2.0));
    if (half > 10)
        SetZoom(half);
}

void TReportDesignerForm::PreviewReport()
{
    if (!Report())
        return;
    m_designer->DeselectAll();
    Report()->Preview();
    m_canvas->Invalidate();
}

// --- installation --------------------------------------------------------------------------------

void InstallDesignerWindow()
{
    QRDesignerLoaderFactory() = [](TComponent *owner) -> TQRDLoader * { return new TQRepDesigner(owner); };
    QRDesignerWindowHook() = [](TQRDesignerWindowSettings &settings) {
        TReportDesignerForm window(settings);
        window.setWindowModality(Qt::ApplicationModal);
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        QEventLoop loop;
        QObject::connect(qApp, &QApplication::lastWindowClosed, &loop, &QEventLoop::quit);
        window.show();
        window.DatafieldList()->UpdateVisibility();
        // Runs until the window is closed (closing may be refused by the save question).
        while (window.isVisible())
            loop.processEvents(QEventLoop::WaitForMoreEvents);
    };
}
