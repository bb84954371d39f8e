#include "params/autoprintform.h"

#include "params/model/controlvalues.h"
#include "params/model/reportrun.h"
#include "params/model/tablelookup.h"

#include "common/localesettings.h"
#include "common/prompt.h"
#include "data/displayformat.h"
#include "definition/designreport.h"
#include "gui/shellactions.h"
#include "gui/translatewindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <limits>

namespace
{

constexpr int StartWidth = 271;
constexpr int StartHeight = 110;
constexpr int CommandPanelHeight = 41;
// The quick-tune panel makes the dialog this much taller than the command panel does.
constexpr int TuneExtraHeight = 23;
constexpr int MinInputWidth = 10;
constexpr int AreaMargin = 2;
const QString FloatDisplayFormat = QStringLiteral(",0.00;-,0.00");

// A date field that Tab leaves like every other control; its day, month and year are reached
// with the arrow keys (Qt's date edit would step through them with Tab first).
class TDateField : public QDateEdit
{
public:
    using QDateEdit::QDateEdit;

protected:
    bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }
};

void showError(const QString &message)
{
    Prompt().MessageBox(message, QStringLiteral("Error"), mtWarning, TMsgButtons::OK);
}

// The date field's display format from the locale's short date format ("m" is the month there).
QString qtDateFormat(const TLocaleSettings &locale)
{
    QString format;
    for (const QChar c : locale.ShortDateFormat) {
        if (c == u'm' || c == u'M')
            format += u'M';
        else if (c == u'd' || c == u'D')
            format += u'd';
        else if (c == u'y' || c == u'Y')
            format += u'y';
        else if (c == u'/')
            format += locale.DateSeparator;
        else
            format += QStringLiteral("'") + c + QStringLiteral("'");
    }
    return format.isEmpty() ? QStringLiteral("yyyy-MM-dd") : format;
}

// The date field's lowest date stands for an empty field and shows nothing.
const QDate EmptyDate(1752, 9, 14);

// A number field that shows ",0.00;-,0.00" while it is not being edited and the plain number
// (six decimals at most) while it is.
class TFloatEdit : public QLineEdit
{
public:
    explicit TFloatEdit(QWidget *parent) : QLineEdit(parent) {}

    double Value() const { return m_value; }
    void SetValue(double value)
    {
        m_value = RoundFloatEdit(value);
        showValue();
    }
    // Takes the typed text as the value when it is a number; false otherwise.
    bool TakeText()
    {
        double value = 0;
        QString error;
        if (!FloatEditDefault(text(), value, error))
            return false;
        m_value = value;
        return true;
    }

protected:
    void focusInEvent(QFocusEvent *event) override
    {
        m_editing = true;
        showValue();
        QLineEdit::focusInEvent(event);
    }
    void focusOutEvent(QFocusEvent *event) override
    {
        m_editing = false;
        showValue();
        QLineEdit::focusOutEvent(event);
    }

private:
    void showValue()
    {
        const QSignalBlocker block(this);
        if (m_editing) {
            const QString plain = FloatEditValue(m_value);
            setText(plain.isEmpty() ? QStringLiteral("0") : plain);
        } else {
            setText(FormatFloat(FloatDisplayFormat, m_value));
        }
    }

    double m_value = 0;
    bool m_editing = false;
};

} // namespace

// Creates the dialog's widgets as the model reads each control, and keeps the TABLE drop-downs
// in step with their queries.
class TAutoprintSite : public TTableBuildSite
{
public:
    explicit TAutoprintSite(TAutoprintForm &form) : m_form(form) {}

    bool ControlBuilt(TParamControl &control, QString &error) override
    {
        // The widgets first, so that a TABLE control whose query fails still shows no half-made
        // drop-down: the dialog is not shown after a failure anyway.
        m_form.createWidgets(control);
        return TTableBuildSite::ControlBuilt(control, error);
    }
    void Requery(TParamControl &table) override
    {
        TTableBuildSite::Requery(table);
        if (!RequeryError().isEmpty())
            showError(RequeryError());
    }

protected:
    void TableChanged(TTableLookup &lookup) override { m_form.tableChanged(lookup); }

private:
    TAutoprintForm &m_form;
};

TAutoprintForm::TAutoprintForm(const QString &reportName, QWidget *parent)
    : QDialog(parent), m_reportName(reportName), m_site(std::make_unique<TAutoprintSite>(*this))
{
    setObjectName(QStringLiteral("AutoprintForm"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    m_area = new QGroupBox(QStringLiteral("Report parameters"), this);
    m_area->setObjectName(QStringLiteral("ParamArea"));

    m_commandPanel = new QWidget(this);
    m_commandPanel->setObjectName(QStringLiteral("CommandPanel"));
    m_commandPanel->installEventFilter(this);
    m_preview = new QCheckBox(QStringLiteral("Preview"), m_commandPanel);
    m_preview->setObjectName(QStringLiteral("Preview"));
    m_preview->setChecked(true);
    m_print = new QPushButton(QStringLiteral("Print"), m_commandPanel);
    m_print->setObjectName(QStringLiteral("PrintButton"));
    m_print->setDefault(true);
    m_close = new QPushButton(QStringLiteral("Close"), m_commandPanel);
    m_close->setObjectName(QStringLiteral("CloseButton"));
    m_close->setAutoDefault(false);
    m_quickTune = new QPushButton(QStringLiteral("Quick tune"), m_commandPanel);
    m_quickTune->setObjectName(QStringLiteral("QuickTuneButton"));
    m_quickTune->setToolTip(QStringLiteral("Quick tune this form"));
    m_quickTune->setAutoDefault(false);
    auto *commands = new QHBoxLayout(m_commandPanel);
    commands->setContentsMargins(6, 4, 6, 4);
    commands->setSpacing(4);
    commands->addWidget(m_preview);
    commands->addStretch(1);
    for (QPushButton *b : {m_print, m_close, m_quickTune}) {
        b->setMinimumWidth(b->fontMetrics().horizontalAdvance(b->text()) + 16);
        commands->addWidget(b);
    }
    connect(m_print, &QPushButton::clicked, this, &TAutoprintForm::Print);
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_quickTune, &QPushButton::clicked, this, &TAutoprintForm::OpenQuickTune);

    m_tunePanel = new QWidget(this);
    m_tunePanel->setObjectName(QStringLiteral("TunePanel"));
    m_tunePanel->installEventFilter(this);
    m_tuneControls = new QComboBox(m_tunePanel);
    m_tuneControls->setObjectName(QStringLiteral("TuneControls"));
    m_tuneControls->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    const auto spin = [this](const QString &name, int step) {
        auto *box = new QSpinBox(m_tunePanel);
        box->setObjectName(name);
        box->setRange(-9999, 99999);
        box->setSingleStep(step);
        return box;
    };
    m_tuneX = spin(QStringLiteral("TuneX"), 4);
    m_tuneY = spin(QStringLiteral("TuneY"), 2);
    m_tuneL = spin(QStringLiteral("TuneL"), 4);
    m_expand = new QPushButton(QStringLiteral("Expand window"), m_tunePanel);
    m_expand->setObjectName(QStringLiteral("ExpandButton"));
    m_autoplace = new QPushButton(QStringLiteral("Autoplace"), m_tunePanel);
    m_autoplace->setObjectName(QStringLiteral("AutoplaceButton"));
    m_save = new QPushButton(QStringLiteral("Save"), m_tunePanel);
    m_save->setObjectName(QStringLiteral("SaveButton"));
    m_save->setToolTip(QStringLiteral("Save to CFG"));
    m_back = new QPushButton(QStringLiteral("Back"), m_tunePanel);
    m_back->setObjectName(QStringLiteral("BackButton"));
    m_export = new QCheckBox(QStringLiteral("Export to textfile"), m_tunePanel);
    m_export->setObjectName(QStringLiteral("ExportToTextfile"));
    auto *tune = new QVBoxLayout(m_tunePanel);
    tune->setContentsMargins(6, 3, 6, 3);
    tune->setSpacing(3);
    auto *fields = new QHBoxLayout;
    fields->setSpacing(4);
    fields->addWidget(m_tuneControls, 1);
    for (const auto &[caption, box] :
         {std::pair{QStringLiteral("X :"), m_tuneX}, std::pair{QStringLiteral("Y :"), m_tuneY},
          std::pair{QStringLiteral("L :"), m_tuneL}}) {
        auto *label = new QLabel(caption, m_tunePanel);
        label->setObjectName(box->objectName() + QStringLiteral("Label"));
        fields->addWidget(label);
        fields->addWidget(box);
    }
    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(4);
    for (QPushButton *b : {m_expand, m_autoplace, m_save, m_back}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    buttons->addWidget(m_export);
    buttons->addStretch(1);
    tune->addLayout(fields);
    tune->addLayout(buttons);
    m_tunePanel->hide();
    connect(m_tuneControls, &QComboBox::currentIndexChanged, this, &TAutoprintForm::ChooseControl);
    connect(m_tuneX, &QSpinBox::valueChanged, this, [this](int x) {
        if (!m_filling && m_chosen >= 0)
            PlaceAt(m_chosen, x, CurrentPos(m_chosen).y());
    });
    connect(m_tuneY, &QSpinBox::valueChanged, this, [this](int y) {
        if (!m_filling && m_chosen >= 0)
            PlaceAt(m_chosen, CurrentPos(m_chosen).x(), y);
    });
    connect(m_tuneL, &QSpinBox::valueChanged, this, [this](int w) {
        if (!m_filling && m_chosen >= 0)
            ResizeTo(m_chosen, w);
    });
    connect(m_expand, &QPushButton::clicked, this, &TAutoprintForm::ExpandWindow);
    connect(m_autoplace, &QPushButton::clicked, this, &TAutoprintForm::Autoplace);
    connect(m_save, &QPushButton::clicked, this, &TAutoprintForm::SaveLayout);
    connect(m_back, &QPushButton::clicked, this, &TAutoprintForm::CloseQuickTune);

    TranslateWindow(this, QStringLiteral("AutoprintForm"));
    resize(StartWidth, StartHeight);
    layoutPanels();
}

TAutoprintForm::~TAutoprintForm()
{
    // The inputs' handlers refer to the model's controls: the widgets go first.
    m_widgets.clear();
    delete m_area;
}

TAutoprintForm::TReportOutput &TAutoprintForm::ReportOutputHook()
{
    static TReportOutput hook;
    return hook;
}

void TAutoprintForm::RunReportDialog(QWidget *parent, const QString &reportName, const QString &description)
{
    TAutoprintForm dialog(reportName, parent);
    dialog.setWindowTitle(description);
    if (dialog.Build())
        dialog.exec();
}

void TAutoprintForm::Install()
{
    ShellActions().StartReport = [](QWidget *parent, const QString &reportName, const QString &description) {
        RunReportDialog(parent, reportName, description);
    };
    RegisterLanguageWindow(
        QStringLiteral("AutoprintForm"), [] { return new TAutoprintForm(QString()); }, true);
    // The report holder of a run has no widgets: its texts are its loader's messages.
    RegisterLanguageSection(QStringLiteral("fmrepprev"), [] {
        Tfmrepprev holder;
        TTranslatableWindow window;
        AddComponentParts(window, &holder);
        return LanguageSectionLines(holder.Name(), window);
    });
}

bool TAutoprintForm::Build()
{
    resize(StartWidth, StartHeight);
    layoutPanels();
    if (!m_model.Build(DescriptorFileOf(m_reportName), m_site.get())) {
        showError(m_model.ErrorMessage());
        return false;
    }
    growOverReach();
    return true;
}

// --- Controls ---------------------------------------------------------------------------------

void TAutoprintForm::createWidgets(TParamControl &control)
{
    TControlWidgets w;
    w.Control = &control;
    w.Caption = new QLabel(control.Caption(), m_area);
    w.Caption->setObjectName(control.Name() + QStringLiteral("Caption"));
    w.Caption->adjustSize();
    w.Caption->move(control.X(), control.Y());
    w.Caption->show();

    switch (control.Kind()) {
    case TControlKind::Edit: {
        auto *edit = new QLineEdit(control.Text(), m_area);
        w.Input = edit;
        break;
    }
    case TControlKind::IntEdit: {
        auto *spin = new QSpinBox(m_area);
        spin->setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
        spin->setValue(control.IntValue());
        w.Input = spin;
        break;
    }
    case TControlKind::FloatEdit: {
        auto *edit = new TFloatEdit(m_area);
        edit->SetValue(control.FloatValue());
        w.Input = edit;
        break;
    }
    case TControlKind::DateEdit: {
        auto *date = new TDateField(m_area);
        date->setCalendarPopup(true);
        date->setDisplayFormat(qtDateFormat(LocaleSettings()));
        date->setMinimumDate(EmptyDate);
        date->setSpecialValueText(QStringLiteral(" "));
        date->setDate(control.Date().isValid() ? control.Date() : EmptyDate);
        w.Input = date;
        break;
    }
    case TControlKind::List: {
        auto *combo = new QComboBox(m_area);
        combo->addItems(control.Entries());
        combo->setCurrentIndex(control.ItemIndex());
        w.Input = combo;
        break;
    }
    case TControlKind::Table: {
        auto *combo = new QComboBox(m_area);
        w.Input = combo;
        break;
    }
    case TControlKind::Check: {
        auto *check = new QCheckBox(control.Caption(), m_area);
        // The caption stands left of the box.
        check->setLayoutDirection(Qt::RightToLeft);
        check->setChecked(control.Checked());
        check->adjustSize();
        w.Caption->setText(QString());
        w.Caption->adjustSize();
        w.Input = check;
        break;
    }
    }
    w.Input->setObjectName(control.Name());
    w.Input->resize(w.Input->sizeHint());
    w.Input->show();
    m_widgets.append(w);
    const int index = int(m_widgets.size()) - 1;
    placeInput(index);
    ResizeTo(index, control.Width());
    connectInput(index);
}

void TAutoprintForm::connectInput(int index)
{
    QWidget *input = m_widgets.at(index).Input;
    input->installEventFilter(this);
    TParamControl *control = m_widgets.at(index).Control;
    switch (control->Kind()) {
    case TControlKind::Edit:
        connect(static_cast<QLineEdit *>(input), &QLineEdit::textChanged, this,
                [this, control](const QString &text) {
                    control->SetText(text);
                    contentChanged(indexOf(control));
                });
        break;
    case TControlKind::IntEdit:
        connect(static_cast<QSpinBox *>(input), &QSpinBox::valueChanged, this, [this, control](int value) {
            control->SetIntValue(value);
            contentChanged(indexOf(control));
        });
        break;
    case TControlKind::FloatEdit: {
        auto *edit = static_cast<TFloatEdit *>(input);
        connect(edit, &QLineEdit::textEdited, this, [this, control, edit](const QString &) {
            if (edit->TakeText()) {
                control->SetFloatValue(edit->Value());
                contentChanged(indexOf(control));
            }
        });
        break;
    }
    case TControlKind::DateEdit:
        connect(static_cast<QDateEdit *>(input), &QDateEdit::dateChanged, this, [this, control](QDate date) {
            control->SetDate(date == EmptyDate ? QDate() : date);
            contentChanged(indexOf(control));
        });
        break;
    case TControlKind::List:
        connect(static_cast<QComboBox *>(input), &QComboBox::currentIndexChanged, this,
                [this, control](int i) {
                    control->SetItemIndex(i);
                    contentChanged(indexOf(control));
                });
        break;
    case TControlKind::Table:
        connect(static_cast<QComboBox *>(input), &QComboBox::currentIndexChanged, this,
                [this, control](int i) {
                    if (m_filling)
                        return;
                    if (TTableLookup *lookup = m_site->Lookup(control))
                        lookup->SelectEntry(i);
                    contentChanged(indexOf(control));
                });
        break;
    case TControlKind::Check:
        connect(static_cast<QCheckBox *>(input), &QCheckBox::toggled, this, [this, control](bool on) {
            control->SetChecked(on);
            contentChanged(indexOf(control));
        });
        break;
    }
}

void TAutoprintForm::tableChanged(TTableLookup &lookup)
{
    const int index = indexOf(&lookup.Control());
    if (index < 0)
        return;
    auto *combo = static_cast<QComboBox *>(m_widgets.at(index).Input);
    const bool wasFilling = m_filling;
    m_filling = true;
    combo->clear();
    combo->addItems(lookup.EntryTexts());
    combo->setCurrentIndex(lookup.SelectedEntry());
    m_filling = wasFilling;
}

void TAutoprintForm::contentChanged(int index)
{
    if (index < 0)
        return;
    m_model.FireLinks(*m_widgets.at(index).Control);
}

int TAutoprintForm::indexOf(const TParamControl *control) const
{
    for (int i = 0; i < m_widgets.size(); ++i)
        if (m_widgets.at(i).Control == control)
            return i;
    return -1;
}

QLabel *TAutoprintForm::CaptionLabel(int index) const
{
    return m_widgets.at(index).Caption;
}

QWidget *TAutoprintForm::InputWidget(int index) const
{
    return m_widgets.at(index).Input;
}

QPoint TAutoprintForm::CurrentPos(int index) const
{
    const TControlWidgets &w = m_widgets.at(index);
    return w.Control->Kind() == TControlKind::Check ? w.Input->pos() : w.Caption->pos();
}

int TAutoprintForm::CurrentWidth(int index) const
{
    return m_widgets.at(index).Right - CurrentPos(index).x();
}

int TAutoprintForm::RightEdge(int index) const
{
    return m_widgets.at(index).Right;
}

int TAutoprintForm::BottomEdge(int index) const
{
    return m_widgets.at(index).Bottom;
}

void TAutoprintForm::placeInput(int index)
{
    TControlWidgets &w = m_widgets[index];
    if (w.Control->Kind() == TControlKind::Check)
        w.Input->move(w.Caption->pos());
    else
        w.Input->move(w.Caption->geometry().right() + 1 + 4, w.Caption->y() - 2);
    updateEdges(index);
}

void TAutoprintForm::updateEdges(int index)
{
    TControlWidgets &w = m_widgets[index];
    const QRect input = w.Input->geometry();
    const QRect caption = w.Caption->geometry();
    if (w.Control->Kind() == TControlKind::Check) {
        w.Right = input.x() + input.width();
        w.Bottom = input.y() + input.height();
    } else {
        w.Right = std::max(caption.x() + caption.width(), input.x() + input.width());
        w.Bottom = std::max(caption.y() + caption.height(), input.y() + input.height());
    }
}

void TAutoprintForm::PlaceAt(int index, int x, int y)
{
    TControlWidgets &w = m_widgets[index];
    w.Caption->move(x, y);
    placeInput(index);
}

void TAutoprintForm::ResizeTo(int index, int width)
{
    TControlWidgets &w = m_widgets[index];
    int inputWidth = width;
    if (w.Control->Kind() != TControlKind::Check)
        inputWidth = width - (w.Input->x() - w.Caption->x());
    w.Input->resize(std::max(MinInputWidth, inputWidth), w.Input->height());
    updateEdges(index);
}

// --- Window size --------------------------------------------------------------------------------

void TAutoprintForm::layoutPanels()
{
    const int panelHeight =
        m_tunePanel->isVisibleTo(this) ? CommandPanelHeight + TuneExtraHeight : CommandPanelHeight;
    // A small margin keeps the area's frame and title clear of the window's edges.
    m_area->setGeometry(AreaMargin, AreaMargin, std::max(0, width() - 2 * AreaMargin),
                        std::max(0, height() - panelHeight - AreaMargin));
    m_commandPanel->setGeometry(0, height() - CommandPanelHeight, width(), CommandPanelHeight);
    m_tunePanel->setGeometry(0, height() - panelHeight, width(), panelHeight);
}

void TAutoprintForm::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    layoutPanels();
}

void TAutoprintForm::growOverReach()
{
    int reachWidth = m_area->width() - 4;
    int reachHeight = m_area->height() - 4;
    for (int i = 0; i < m_widgets.size(); ++i) {
        reachWidth = std::max(reachWidth, m_widgets.at(i).Right);
        reachHeight = std::max(reachHeight, m_widgets.at(i).Bottom);
    }
    resize(width() + reachWidth - m_area->width() + 4, height() + reachHeight - m_area->height() + 4);
    layoutPanels();
}

void TAutoprintForm::ExpandWindow()
{
    const int extra = m_tunePanel->isVisibleTo(this) ? TuneExtraHeight : 0;
    resize(StartWidth, StartHeight + extra);
    layoutPanels();
    growOverReach();
}

void TAutoprintForm::Autoplace()
{
    int y = 20;
    for (int i = 0; i < m_widgets.size(); ++i) {
        PlaceAt(i, 5, y);
        y = m_widgets.at(i).Bottom + 6;
    }
    ExpandWindow();
    showChosen();
}

// --- Quick tune -----------------------------------------------------------------------------------

void TAutoprintForm::OpenQuickTune()
{
    if (m_tunePanel->isVisibleTo(this))
        return;
    m_commandPanel->hide();
    m_tunePanel->show();
    m_filling = true;
    m_tuneControls->clear();
    for (const TControlWidgets &w : m_widgets)
        m_tuneControls->addItem(w.Control->Name().toUpper());
    m_tuneControls->setCurrentIndex(-1);
    m_filling = false;
    // The panel's fields and buttons stay readable in a narrow dialog: it widens while tuning.
    setMinimumWidth(m_tunePanel->minimumSizeHint().width());
    resize(std::max(width(), minimumWidth()), height() + TuneExtraHeight);
    m_chosen = -1;
    layoutPanels();
}

void TAutoprintForm::CloseQuickTune()
{
    if (!m_tunePanel->isVisibleTo(this))
        return;
    m_tunePanel->hide();
    m_commandPanel->show();
    setMinimumWidth(0);
    resize(width(), height() - TuneExtraHeight);
    m_filling = true;
    m_tuneControls->clear();
    m_chosen = -1;
    m_filling = false;
    layoutPanels();
}

void TAutoprintForm::ChooseControl(int index)
{
    if (m_filling)
        return;
    m_chosen = index >= 0 && index < m_widgets.size() ? index : -1;
    if (m_tuneControls->currentIndex() != m_chosen) {
        m_filling = true;
        m_tuneControls->setCurrentIndex(m_chosen);
        m_filling = false;
    }
    showChosen();
}

void TAutoprintForm::showChosen()
{
    if (m_chosen < 0)
        return;
    m_filling = true;
    m_tuneX->setValue(CurrentPos(m_chosen).x());
    m_tuneY->setValue(CurrentPos(m_chosen).y());
    m_tuneL->setValue(CurrentWidth(m_chosen));
    m_filling = false;
}

bool TAutoprintForm::SaveLayout()
{
    for (int i = 0; i < m_widgets.size(); ++i) {
        const QPoint pos = CurrentPos(i);
        m_widgets.at(i).Control->SetPosition(pos.x(), pos.y());
        m_widgets.at(i).Control->SetWidth(CurrentWidth(i));
    }
    QString error;
    if (!m_model.SaveDeclarations(DescriptorFileOf(m_reportName), error)) {
        showError(error);
        return false;
    }
    return true;
}

bool TAutoprintForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == m_commandPanel)
            OpenQuickTune();
        else if (watched == m_tunePanel)
            CloseQuickTune();
    } else if (event->type() == QEvent::FocusIn) {
        for (int i = 0; i < m_widgets.size(); ++i)
            if (m_widgets.at(i).Input == watched && m_tunePanel->isVisibleTo(this))
                ChooseControl(i);
    }
    return QDialog::eventFilter(watched, event);
}

// --- Print --------------------------------------------------------------------------------------

bool TAutoprintForm::Print()
{
    RemoveStaleTempPageFiles();
    Tfmrepprev holder;
    QString error;
    const QString dump = m_export->isChecked() ? DumpFileOf(m_reportName) : QString();
    if (!PrepareReportHolder(m_model, ReportFileOf(m_reportName), dump, holder, error)) {
        showError(error);
        return false;
    }
    // The report is generated once, by its preview or print run, with the dialog's parameters.
    const bool preview = m_preview->isChecked();
    if (const TReportOutput &output = ReportOutputHook())
        output(holder, preview);
    else if (preview)
        holder.Report()->Preview();
    else
        holder.Report()->Print();
    return true;
}
