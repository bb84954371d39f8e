#include "params/pareditform.h"

#include "params/chooser.h"
#include "params/editvarform.h"
#include "params/kindimages.h"
#include "params/listsform.h"
#include "params/macroform.h"
#include "params/orderform.h"
#include "params/propform.h"
#include "params/varform.h"

#include "common/programdir.h"
#include "common/prompt.h"
#include "gui/helpform.h"
#include "gui/shellactions.h"
#include "gui/translatewindow.h"
#include "gui/usersettings.h"

#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QRubberBand>
#include <QScrollArea>
#include <QSettings>
#include <QSpinBox>
#include <QToolBar>
#include <QVBoxLayout>

#include <limits>

namespace
{

const QString StoreName = QStringLiteral("Tabulon.ini");
const QString SettingsGroup = QStringLiteral("ParEditForm");
constexpr int MaxRecentFiles = 8;
constexpr int NewWidgetWidth = 121; // the width a new control's input field starts with
constexpr int HelpHowToWork = 1004;
constexpr int HelpControlElements = 1005;

TParEditForm::TFileChooser &fileChooser()
{
    static TParEditForm::TFileChooser chooser;
    return chooser;
}

QString defaultChooser(QWidget *parent, TParEditForm::TFileDialogKind kind, const QString &dir)
{
    if (kind == TParEditForm::OpenDialog)
        return QFileDialog::getOpenFileName(
            parent, QStringLiteral("Open"), dir,
            QStringLiteral("Dialogue descriptor (*.cfg);;INI - files (*.ini);;All files (*.*)"));
    // The dialog confirms before overwriting an existing file.
    QString selectedFilter;
    QString name = QFileDialog::getSaveFileName(
        parent, QStringLiteral("Save as"), dir,
        QStringLiteral("Dialogue descriptor (*.cfg);;All files (*.*)"), &selectedFilter);
    // A name typed without extension in the descriptor filter is a descriptor.
    if (!name.isEmpty() && QFileInfo(name).suffix().isEmpty() && selectedFilter.startsWith(u'D'))
        name += QStringLiteral(".cfg");
    return name;
}

QWidget *makeInputWidget(TControlKind kind, QWidget *parent)
{
    switch (kind) {
    case TControlKind::Edit:
        return new QLineEdit(parent);
    case TControlKind::IntEdit: {
        auto *spin = new QSpinBox(parent);
        spin->setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
        return spin;
    }
    case TControlKind::FloatEdit: {
        auto *spin = new QDoubleSpinBox(parent);
        spin->setDecimals(6);
        spin->setRange(-1e15, 1e15);
        return spin;
    }
    case TControlKind::DateEdit: {
        auto *date = new QDateEdit(parent);
        date->setCalendarPopup(true);
        return date;
    }
    case TControlKind::List:
        return new QComboBox(parent);
    case TControlKind::Table: {
        auto *combo = new QComboBox(parent);
        combo->setEditable(true);
        return combo;
    }
    case TControlKind::Check:
        return new QCheckBox(parent);
    }
    return new QLineEdit(parent);
}

void filterTree(QWidget *widget, QObject *filter)
{
    widget->installEventFilter(filter);
    for (QWidget *child : widget->findChildren<QWidget *>())
        child->installEventFilter(filter);
}

} // namespace

TDesignArea::TDesignArea(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("DesignArea"));
    setAccessibleName(QStringLiteral("Report parameters"));
    setAutoFillBackground(true);
    setMinimumSize(600, 400);
}

void TDesignArea::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && OnClick)
        OnClick(event->position().toPoint());
    QWidget::mousePressEvent(event);
}

TParEditForm::TParEditForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ParEditForm"));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    setSizeGripEnabled(true);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("ToolBar"));
    buildMenus();
    buildToolBar(bar);
    layout->addWidget(bar);

    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("ReportParameters"));
    m_area = new TDesignArea;
    m_area->OnClick = [this](QPoint point) {
        if (m_tool >= 0)
            CreateControlAt(point);
    };
    m_scroll->setWidget(m_area);
    m_scroll->setWidgetResizable(true);
    layout->addWidget(m_scroll, 1);
    m_band = new QRubberBand(QRubberBand::Rectangle, m_area);

    m_focusConnection = connect(qApp, &QApplication::focusChanged, this, [this] { updateCaptionColours(); });

    const auto settings = UserSettings(StoreName);
    m_recent = settings->value(SettingsGroup + QStringLiteral("/Recent")).toStringList();
    rebuildReopenMenu();
    resize(720, 520);
    WindowLayout::Restore(this, StoreName, SettingsGroup, true);
    m_dialogDir = ProgramDir();
    TranslateWindow(this, QStringLiteral("ParEditForm"));
    updateTitle(QStringLiteral("CFG - editor: Nomane"));
}

TParEditForm::~TParEditForm()
{
    // Hiding the dialog while it is destroyed moves the focus; the design list is gone by then.
    disconnect(m_focusConnection);
    m_design.clear();
}

void TParEditForm::Execute(QWidget *parent, const QString &reportName)
{
    TParEditForm form(parent);
    if (!reportName.isEmpty()) {
        const QString file = FindFileInDir(ProgramDir(), reportName + QStringLiteral(".cfg"));
        // A descriptor that does not exist yet loads empty and stays current: Save creates it.
        form.LoadFile(file);
    }
    form.exec();
}

void TParEditForm::Install()
{
    ShellActions().EditDialog = [](QWidget *parent, const QString &reportName) {
        Execute(parent, reportName);
    };
    RegisterLanguageWindow(
        QStringLiteral("ParEditForm"), [] { return new TParEditForm; }, true);
    TPropForm::RegisterTranslation();
    TVarForm::RegisterTranslation();
    TOrderForm::RegisterTranslation();
    RegisterLanguageWindow(
        QStringLiteral("EditVarForm"),
        [] {
            TVarRec binding;
            binding.BindingKind = TVarRec::QueryParameter;
            return new TEditVarForm(binding, {});
        },
        true);
    RegisterLanguageWindow(QStringLiteral("MacroForm"), [] { return new TMacroForm({}); });
    RegisterLanguageWindow(
        QStringLiteral("ListsForm"), [] { return new TListsForm(QString()); }, true);
    RegisterLanguageWindow(
        QStringLiteral("ChooserForm"), [] { return new TTwoListChooser(QString(), QString(), QString()); },
        true);
}

void TParEditForm::SetFileChooser(TFileChooser chooser)
{
    fileChooser() = std::move(chooser);
}

void TParEditForm::buildMenus()
{
    auto *menus = new QMenuBar(this);
    menus->setObjectName(QStringLiteral("MainMenu"));
    layout()->setMenuBar(menus);

    m_fileMenu = menus->addMenu(QStringLiteral("&File"));
    m_fileMenu->setObjectName(QStringLiteral("FileMenu"));
    const auto add = [this](QMenu *menu, const QString &text, const QString &name, auto slot) {
        QAction *a = menu->addAction(text);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    add(m_fileMenu, QStringLiteral("Create"), QStringLiteral("CreateAction"), [this] { CreateFile(); });
    add(m_fileMenu, QStringLiteral("Open"), QStringLiteral("OpenAction"), [this] { OpenFile(); });
    m_reopenMenu = m_fileMenu->addMenu(QStringLiteral("Reopen"));
    m_reopenMenu->setObjectName(QStringLiteral("ReopenMenu"));
    QAction *save =
        add(m_fileMenu, QStringLiteral("Save"), QStringLiteral("SaveAction"), [this] { SaveFile(); });
    save->setShortcut(QKeySequence(Qt::Key_F2));
    QAction *saveAs = add(m_fileMenu, QStringLiteral("Save as ..."), QStringLiteral("SaveAsAction"),
                          [this] { SaveFileAs(); });
    saveAs->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F2));
    m_fileMenu->addSeparator();
    add(m_fileMenu, QStringLiteral("Close"), QStringLiteral("CloseAction"), [this] { reject(); });
    // Shortcuts of a dialog's menu bar work only when the actions are also the dialog's own.
    addActions(m_fileMenu->actions());

    QMenu *tools = menus->addMenu(QStringLiteral("Tools"));
    tools->setObjectName(QStringLiteral("ToolsMenu"));
    add(tools, QStringLiteral("Query parameters..."), QStringLiteral("QueryParametersAction"),
        [this] { EditQueryParameters(); });
    add(tools, QStringLiteral("Labels ..."), QStringLiteral("LabelsAction"), [this] { EditLabels(); });
    add(tools, QStringLiteral("Creation order ..."), QStringLiteral("CreationOrderAction"),
        [this] { EditCreationOrder(); });

    QMenu *help = menus->addMenu(QStringLiteral("?"));
    help->setObjectName(QStringLiteral("HelpMenu"));
    add(help, QStringLiteral("How to work with the form"), QStringLiteral("HelpFormAction"),
        [this] { THelpForm::ShowTopic(this, HelpHowToWork); });
    add(help, QStringLiteral("Control elements"), QStringLiteral("HelpControlsAction"),
        [this] { THelpForm::ShowTopic(this, HelpControlElements); });
}

void TParEditForm::buildToolBar(QToolBar *bar)
{
    m_tools = new QActionGroup(this);
    m_tools->setExclusive(true);
    const auto addTool = [&](int kind, const QIcon &icon, const QString &hint) {
        QAction *a = bar->addAction(icon, hint);
        a->setToolTip(hint);
        a->setCheckable(true);
        a->setObjectName(kind < 0 ? QStringLiteral("ArrowTool") : hint + QStringLiteral("Tool"));
        m_tools->addAction(a);
        connect(a, &QAction::triggered, this, [this, kind] { m_tool = kind; });
        m_toolActions.append(a);
    };
    addTool(-1, ArrowImage(), QStringLiteral("Arrow"));
    // The tools in the order of their hints on the bar.
    const TControlKind order[] = {TControlKind::IntEdit,   TControlKind::Edit, TControlKind::DateEdit,
                                  TControlKind::FloatEdit, TControlKind::List, TControlKind::Table,
                                  TControlKind::Check};
    for (TControlKind kind : order)
        addTool(int(kind), KindImage(kind), ControlKindTypeWord(kind));
    m_toolActions.first()->setChecked(true);
}

QAction *TParEditForm::ToolAction(int kind) const
{
    if (kind < 0)
        return m_toolActions.first();
    for (QAction *a : m_toolActions)
        if (a->objectName() == ControlKindTypeWord(TControlKind(kind)) + QStringLiteral("Tool"))
            return a;
    return nullptr;
}

void TParEditForm::ChooseTool(int kind)
{
    if (QAction *a = ToolAction(kind)) {
        a->setChecked(true);
        m_tool = kind;
    }
}

int TParEditForm::CaptionWidth(const QString &text) const
{
    // A frameless line edit keeps 2 pixels free on each side of its text.
    return m_area->fontMetrics().horizontalAdvance(text) + 4;
}

QStringList TParEditForm::ControlNames() const
{
    QStringList names;
    for (const TEditorControl &c : m_descriptor.Controls)
        names.append(c.Name);
    return names;
}

QWidget *TParEditForm::DesignWidget(const QString &name) const
{
    const int i = m_descriptor.IndexOfControl(name);
    return i < 0 || i >= m_design.size() ? nullptr : m_design.at(i).Widget;
}

QLineEdit *TParEditForm::CaptionEditor(const QString &name) const
{
    const int i = m_descriptor.IndexOfControl(name);
    return i < 0 || i >= m_design.size() ? nullptr : m_design.at(i).Caption;
}

void TParEditForm::createDesignControl(const TEditorControl &control)
{
    TDesignControl d;
    d.Caption = new QLineEdit(control.Caption, m_area);
    d.Caption->setObjectName(QStringLiteral("Label") + control.Name);
    d.Caption->setFrame(false);
    d.Caption->setTextMargins(0, 0, 0, 0);
    d.Caption->setAutoFillBackground(false);
    QPalette pal = d.Caption->palette();
    pal.setColor(QPalette::Base, m_area->palette().color(QPalette::Window));
    d.Caption->setPalette(pal);
    d.Widget = makeInputWidget(control.Kind, m_area);
    d.Widget->setObjectName(control.Name);
    d.Widget->setToolTip(control.Name);
    d.Widget->setProperty("kind", int(control.Kind));
    d.Widget->setContextMenuPolicy(Qt::PreventContextMenu);
    filterTree(d.Widget, this);
    d.Caption->installEventFilter(this);
    connect(d.Caption, &QLineEdit::textEdited, this, [this, caption = d.Caption](const QString &text) {
        for (int i = 0; i < m_design.size(); ++i)
            if (m_design.at(i).Caption == caption)
                captionEdited(i, text);
    });
    m_design.append(d);
    d.Caption->show();
    d.Widget->show();
    layoutControl(int(m_design.size()) - 1);
}

void TParEditForm::layoutControl(int index)
{
    if (index < 0 || index >= m_design.size())
        return;
    const TEditorControl &c = m_descriptor.Controls.at(index);
    const TDesignControl &d = m_design.at(index);
    d.Widget->setObjectName(c.Name);
    d.Widget->setToolTip(c.Name);
    d.Caption->setObjectName(QStringLiteral("Label") + c.Name);
    if (d.Caption->text() != c.Caption)
        d.Caption->setText(c.Caption);
    const int cw = CaptionWidth(c.Caption);
    const int h = d.Widget->sizeHint().height();
    d.Caption->setGeometry(c.X, c.CaptionTop(), cw, d.Caption->sizeHint().height());
    d.Widget->setGeometry(c.WidgetLeft(cw), c.Y, std::max(0, c.WidgetWidth(cw)), h);
    m_area->setMinimumSize(std::max(m_area->minimumWidth(), d.Widget->geometry().right() + 20),
                           std::max(m_area->minimumHeight(), d.Widget->geometry().bottom() + 20));
}

void TParEditForm::clearDesign()
{
    // A rebuild may start from an event of one of these widgets: delete them once it is over.
    for (const TDesignControl &d : std::as_const(m_design)) {
        d.Caption->removeEventFilter(this);
        d.Caption->setObjectName(QString());
        d.Widget->setObjectName(QString());
        d.Caption->hide();
        d.Widget->hide();
        d.Caption->deleteLater();
        d.Widget->deleteLater();
    }
    m_design.clear();
}

void TParEditForm::rebuildDesign()
{
    clearDesign();
    for (const TEditorControl &c : std::as_const(m_descriptor.Controls))
        createDesignControl(c);
    updateCaptionColours();
}

void TParEditForm::DescriptorChanged()
{
    // Controls may have been renamed, moved, deleted or reordered: keep the widgets that still
    // belong to a control and rebuild the rest.
    bool same = m_design.size() == m_descriptor.Controls.size();
    for (int i = 0; same && i < m_design.size(); ++i)
        same = m_design.at(i).Widget->property("kind").toInt() == int(m_descriptor.Controls.at(i).Kind);
    if (same) {
        for (int i = 0; i < m_design.size(); ++i)
            layoutControl(i);
    } else {
        rebuildDesign();
    }
}

int TParEditForm::designIndexOf(QObject *object) const
{
    for (QObject *o = object; o; o = o->parent()) {
        for (int i = 0; i < m_design.size(); ++i)
            if (m_design.at(i).Widget == o || m_design.at(i).Caption == o)
                return i;
        if (o == m_area)
            break;
    }
    return -1;
}

void TParEditForm::captionEdited(int index, const QString &text)
{
    TEditorControl &c = m_descriptor.Controls[index];
    c.SetCaption(text, CaptionWidth(c.Caption), CaptionWidth(text));
    m_modified = true;
    layoutControl(index);
}

void TParEditForm::updateCaptionColours()
{
    const QWidget *focus = QApplication::focusWidget();
    for (const TDesignControl &d : std::as_const(m_design)) {
        const bool focused =
            focus && (focus == d.Caption || focus == d.Widget || d.Widget->isAncestorOf(focus));
        QPalette pal = d.Caption->palette();
        const QColor colour = focused ? QColor(Qt::red) : m_area->palette().color(QPalette::WindowText);
        if (pal.color(QPalette::Text) != colour) {
            pal.setColor(QPalette::Text, colour);
            d.Caption->setPalette(pal);
        }
    }
}

QString TParEditForm::CreateControlAt(QPoint point)
{
    if (m_tool < 0)
        return QString();
    const TControlKind kind = TControlKind(m_tool);
    const int width = CaptionWidth(QStringLiteral("Caption")) + 4 + NewWidgetWidth;
    const QString name = m_descriptor.AddControl(kind, point.x(), point.y(), width);
    createDesignControl(m_descriptor.Controls.last());
    m_modified = true;
    ChooseTool(-1);
    return name;
}

void TParEditForm::ShowProperties(const QString &name)
{
    if (m_descriptor.IndexOfControl(name) < 0)
        return;
    TPropForm::Instance()->Execute(this, name);
}

void TParEditForm::DeleteControl(const QString &name)
{
    const int index = m_descriptor.IndexOfControl(name);
    if (index < 0)
        return;
    // The control may be deleted from its own context menu: its widgets go once that is over.
    TDesignControl d = m_design.takeAt(index);
    m_descriptor.DeleteControl(name);
    d.Caption->removeEventFilter(this);
    d.Caption->setObjectName(QString());
    d.Widget->setObjectName(QString());
    d.Caption->hide();
    d.Widget->hide();
    d.Caption->deleteLater();
    d.Widget->deleteLater();
    m_modified = true;
}

bool TParEditForm::MoveControl(int index, int delta)
{
    if (!m_descriptor.MoveControl(index, delta))
        return false;
    m_design.swapItemsAt(index, index + delta);
    return true;
}

bool TParEditForm::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto *me = static_cast<QMouseEvent *>(event);
        const int index = designIndexOf(watched);
        if (index < 0 || me->button() != Qt::LeftButton)
            break;
        if (me->modifiers() & (Qt::AltModifier | Qt::ControlModifier)) {
            m_drag = (me->modifiers() & Qt::AltModifier) ? MoveDrag : SizeDrag;
            m_dragIndex = index;
            m_dragStart = me->globalPosition().toPoint();
            m_band->setGeometry(m_design.at(index).Widget->geometry());
            m_band->show();
            return true;
        }
        break;
    }
    case QEvent::MouseMove: {
        if (m_drag == NoDrag)
            break;
        auto *me = static_cast<QMouseEvent *>(event);
        const QRect r = m_design.at(m_dragIndex).Widget->geometry();
        const QPoint delta = me->globalPosition().toPoint() - m_dragStart;
        if (m_drag == MoveDrag)
            m_band->setGeometry(r.translated(delta));
        else
            m_band->setGeometry(QRect(r.topLeft(), QSize(std::max(1, r.width() + delta.x()), r.height())));
        return true;
    }
    case QEvent::MouseButtonRelease: {
        if (m_drag == NoDrag)
            break;
        finishDrag(static_cast<QMouseEvent *>(event)->globalPosition().toPoint());
        return true;
    }
    case QEvent::KeyPress: {
        auto *ke = static_cast<QKeyEvent *>(event);
        const int index = designIndexOf(watched);
        if (index < 0)
            break;
        TEditorControl &c = m_descriptor.Controls[index];
        const int key = ke->key();
        const bool arrow =
            key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
        if (arrow && (ke->modifiers() & Qt::AltModifier)) {
            c.X += key == Qt::Key_Left ? -1 : key == Qt::Key_Right ? 1 : 0;
            c.Y += key == Qt::Key_Up ? -1 : key == Qt::Key_Down ? 1 : 0;
        } else if ((key == Qt::Key_Left || key == Qt::Key_Right) && (ke->modifiers() & Qt::ControlModifier)) {
            c.Width += key == Qt::Key_Left ? -1 : 1;
        } else {
            break;
        }
        m_modified = true;
        layoutControl(index);
        return true;
    }
    case QEvent::ContextMenu: {
        const int index = designIndexOf(watched);
        if (index < 0)
            break;
        const QString name = m_descriptor.Controls.at(index).Name;
        QMenu menu(this);
        menu.setObjectName(QStringLiteral("ControlMenu"));
        QAction *properties = menu.addAction(QStringLiteral("Properties"));
        QAction *remove = menu.addAction(QStringLiteral("Delete"));
        QAction *chosen = menu.exec(static_cast<QContextMenuEvent *>(event)->globalPos());
        if (chosen == properties)
            ShowProperties(name);
        else if (chosen == remove)
            DeleteControl(name);
        return true;
    }
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void TParEditForm::finishDrag(QPoint globalPos)
{
    m_band->hide();
    const int index = m_dragIndex;
    const TDragMode mode = m_drag;
    m_drag = NoDrag;
    m_dragIndex = -1;
    if (index < 0 || index >= m_design.size())
        return;
    TEditorControl &c = m_descriptor.Controls[index];
    const QPoint delta = globalPos - m_dragStart;
    if (mode == MoveDrag) {
        c.X += delta.x() + 2;
        c.Y += delta.y() + 2;
    } else {
        const int cw = CaptionWidth(c.Caption);
        const int right = m_area->mapFromGlobal(globalPos).x();
        c.SetWidgetWidth(cw, std::max(1, right - c.WidgetLeft(cw)));
    }
    m_modified = true;
    layoutControl(index);
}

void TParEditForm::updateTitle(const QString &title)
{
    setWindowTitle(title);
}

void TParEditForm::addRecent(const QString &fileName)
{
    const QString path = QFileInfo(fileName).absoluteFilePath();
    m_recent.removeIf([&](const QString &f) { return f == path; });
    m_recent.prepend(path);
    while (m_recent.size() > MaxRecentFiles)
        m_recent.removeLast();
    rebuildReopenMenu();
    saveSettings();
}

void TParEditForm::rebuildReopenMenu()
{
    m_reopenMenu->clear();
    for (const QString &file : std::as_const(m_recent)) {
        QAction *a = m_reopenMenu->addAction(file);
        connect(a, &QAction::triggered, this, [this, file] { ReopenFile(file); });
    }
    m_reopenMenu->setEnabled(!m_recent.isEmpty());
}

void TParEditForm::saveSettings() const
{
    auto settings = UserSettings(StoreName);
    settings->setValue(SettingsGroup + QStringLiteral("/Recent"), m_recent);
}

QString TParEditForm::chooseFile(TFileDialogKind kind)
{
    const QString name =
        fileChooser() ? fileChooser()(this, kind, m_dialogDir) : defaultChooser(this, kind, m_dialogDir);
    if (!name.isEmpty())
        m_dialogDir = QFileInfo(name).absolutePath();
    return name;
}

bool TParEditForm::CloseCheck()
{
    if (m_modified) {
        const TModalResult answer =
            Prompt().MessageBox(QStringLiteral("Save current file?"), QStringLiteral("Confirmation"),
                                mtConfirmation, TMsgButtons::YesNoCancel);
        if (answer == mrYes) {
            if (!SaveFile())
                return false;
        } else if (answer != mrNo) {
            return false;
        }
    }
    clearDesign();
    m_descriptor.Clear();
    m_modified = false;
    return true;
}

bool TParEditForm::CreateFile()
{
    if (!CloseCheck())
        return false;
    m_fileName.clear();
    updateTitle(QStringLiteral("CFG - editor : Noname"));
    return true;
}

bool TParEditForm::OpenFile()
{
    const QString name = chooseFile(OpenDialog);
    if (name.isEmpty() || !CloseCheck())
        return false;
    if (!LoadFile(name))
        return false;
    updateTitle(QStringLiteral("CFG - editor : ") + name);
    return true;
}

bool TParEditForm::ReopenFile(const QString &fileName)
{
    if (!QFileInfo::exists(fileName)) {
        m_recent.removeAll(fileName);
        rebuildReopenMenu();
        saveSettings();
        return false;
    }
    if (!CloseCheck())
        return false;
    return LoadFile(fileName);
}

bool TParEditForm::LoadFile(const QString &fileName)
{
    clearDesign();
    m_descriptor.Clear();
    QString error;
    if (!m_descriptor.Load(fileName, error)) {
        m_fileName.clear();
        m_modified = false;
        updateTitle(QStringLiteral("CFG - editor : Noname"));
        Prompt().ShowError(error);
        return false;
    }
    rebuildDesign();
    updateTitle(QStringLiteral("CFG - editor: ") + fileName);
    m_fileName = fileName;
    addRecent(fileName);
    m_modified = false;
    return true;
}

bool TParEditForm::saveTo(const QString &fileName)
{
    QString error;
    if (!m_descriptor.Save(fileName, error)) {
        Prompt().ShowError(error);
        return false;
    }
    m_fileName = fileName;
    updateTitle(QStringLiteral("CFG - editor : ") + fileName);
    addRecent(fileName);
    m_modified = false;
    return true;
}

bool TParEditForm::SaveFile()
{
    if (m_fileName.isEmpty())
        return SaveFileAs();
    return saveTo(m_fileName);
}

bool TParEditForm::SaveFileAs()
{
    const QString name = chooseFile(SaveDialog);
    if (name.isEmpty())
        return false;
    return saveTo(name);
}

void TParEditForm::EditQueryParameters()
{
    TVarForm::Instance()->Execute(this, TVarRec::QueryParameter);
}

void TParEditForm::EditLabels()
{
    TVarForm::Instance()->Execute(this, TVarRec::ReportLabel);
}

void TParEditForm::EditCreationOrder()
{
    TOrderForm::Instance()->Execute(this);
}

void TParEditForm::closeEvent(QCloseEvent *event)
{
    // The window's close button goes through the close check like "Close" and Escape.
    event->ignore();
    reject();
}

void TParEditForm::reject()
{
    if (!CloseCheck())
        return;
    WindowLayout::Save(this, StoreName, SettingsGroup, true);
    QDialog::reject();
}
