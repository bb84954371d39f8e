#include "designer/reportexpert.h"

#include "common/localesettings.h"
#include "common/papersize.h"
#include "common/prompt.h"
#include "data/dataset.h"
#include "data/session.h"
#include "data/table.h"
#include "definition/designreport.h"
#include "definition/loader.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMetaEnum>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

// The label sheet as a small picture: the paper and every label on it.
class TQRLabelPreview : public QWidget
{
public:
    explicit TQRLabelPreview(QWidget *parent = nullptr) : QWidget(parent) { setMinimumSize(150, 190); }
    void SetSheet(const TQRLabelSheet &sheet, double pageWidth, double pageLength)
    {
        m_sheet = sheet;
        m_width = pageWidth;
        m_length = pageLength;
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        if (m_width <= 0 || m_length <= 0)
            return;
        const double scale = std::min((width() - 10) / m_width, (height() - 10) / m_length);
        const QRectF paper(5, 5, m_width * scale, m_length * scale);
        p.fillRect(paper, Qt::white);
        p.setPen(Qt::black);
        p.drawRect(paper);
        p.setPen(Qt::darkBlue);
        const int columns = std::min(m_sheet.Columns, 50), rows = std::min(m_sheet.Rows, 100);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c)
                p.drawRect(QRectF(
                    paper.left() +
                        (m_sheet.LeftMargin + c * (m_sheet.LabelWidth + m_sheet.ColumnSpace)) * scale,
                    paper.top() + (m_sheet.TopMargin + r * (m_sheet.LabelHeight + m_sheet.RowSpace)) * scale,
                    m_sheet.LabelWidth * scale, m_sheet.LabelHeight * scale));
    }

private:
    TQRLabelSheet m_sheet;
    double m_width = 0, m_length = 0;
};

namespace
{
QString unitText(TQRUnit unit)
{
    switch (unit) {
    case QRUnits::MM:
        return QStringLiteral("mm");
    case QRUnits::Inches:
        return QStringLiteral("Inches");
    case QRUnits::Pixels:
        return QStringLiteral("Pixels");
    case QRUnits::Characters:
        return QStringLiteral("Chars");
    case QRUnits::Native:
        break;
    }
    return QString();
}

const char *const kPageTitles[] = {"Reporttype",      "Dataset",         "Table index", "Datafields",
                                   "Bands",           "Labelselect",     "Paper size",  "Label format",
                                   "Special options", "Fonts and lines", "Finish"};

void assignFont(TFont *target, const QFont &font)
{
    target->SetName(font.family());
    target->SetSize(font.pointSize() > 0 ? font.pointSize() : 10);
    TFont::TFontStyles style;
    if (font.bold())
        style |= TFont::fsBold;
    if (font.italic())
        style |= TFont::fsItalic;
    if (font.underline())
        style |= TFont::fsUnderline;
    if (font.strikeOut())
        style |= TFont::fsStrikeOut;
    target->SetStyle(style);
}
} // namespace

TQRDesignReportExpert::TQRDesignReportExpert(TQRDesignReport *report, QWidget *parent)
    : QDialog(parent), m_report(report), m_data(report->Owner() ? report->Owner() : report)
{
    setWindowTitle(QStringLiteral("New report definition"));
    setObjectName(QStringLiteral("QRExpertBaseForm"));
    if (TQRDLoader *loader = report->Loader())
        m_data.DefaultTableName = loader->Message(QStringLiteral("DefaultTableName"));
    m_dataFont = QFont(QStringLiteral("Arial"), 10);
    m_headerFont = QFont(QStringLiteral("Arial"), 10, QFont::Bold);

    auto *layout = new QVBoxLayout(this);
    m_caption = new QLabel(this);
    QFont captionFont = m_caption->font();
    captionFont.setBold(true);
    captionFont.setPointSize(captionFont.pointSize() + 2);
    m_caption->setFont(captionFont);
    layout->addWidget(m_caption);
    m_pages = new QStackedWidget(this);
    m_pages->addWidget(makeReportTypePage());
    m_pages->addWidget(makeDatasetPage());
    m_pages->addWidget(makeTableIndexPage());
    m_pages->addWidget(makeDatafieldsPage());
    m_pages->addWidget(makeBandsPage());
    m_pages->addWidget(makeLabelSelectPage());
    m_pages->addWidget(makePaperSizePage());
    m_pages->addWidget(makeLabelFormatPage());
    m_pages->addWidget(makeSpecialOptionsPage());
    m_pages->addWidget(makeFontsPage());
    m_pages->addWidget(makeFinishPage());
    layout->addWidget(m_pages, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_back = new QPushButton(QStringLiteral("< Back"), this);
    m_next = new QPushButton(QStringLiteral("Next >"), this);
    m_finish = new QPushButton(QStringLiteral("Finish"), this);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_next->setDefault(true);
    for (QPushButton *b : {m_back, m_next, m_finish, cancel})
        buttons->addWidget(b);
    layout->addLayout(buttons);
    connect(m_back, &QPushButton::clicked, this, &TQRDesignReportExpert::Back);
    connect(m_next, &QPushButton::clicked, this, &TQRDesignReportExpert::Next);
    connect(m_finish, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    SetDatabaseNames(QString(), {}, false);
    m_built = true;
    showPage(ReportTypePage);
}

TQRDesignReportExpert::~TQRDesignReportExpert()
{
    // What was built stays with the report's owner.
    m_data.Release();
}

// --- pages -------------------------------------------------------------------------------------

QWidget *TQRDesignReportExpert::makeReportTypePage()
{
    auto *page = new QWidget;
    auto *grid = new QGridLayout(page);
    m_styles = new QButtonGroup(page);
    const struct {
        TQRExpertSettings::TStyle style;
        const char *name, *note;
    } types[] = {
        {TQRExpertSettings::ListStyle, "List style", "(all records listed in columns)"},
        {TQRExpertSettings::FormStyle, "Form style", "(one page for each record)"},
        {TQRExpertSettings::SingleForm, "Single form", "(only one record on one page)"},
        {TQRExpertSettings::Tabular, "Tabular", "(each datafield on a separate line)"},
        {TQRExpertSettings::BlankReport, "New blank report", ""},
        {TQRExpertSettings::MailingLabels, "Mailing labels", ""},
    };
    int row = 0;
    for (const auto &t : types) {
        auto *button = new QRadioButton(QString::fromLatin1(t.name), page);
        m_styles->addButton(button, t.style);
        grid->addWidget(button, row, 0);
        grid->addWidget(new QLabel(QString::fromLatin1(t.note), page), row, 1);
        ++row;
    }
    m_styles->button(TQRExpertSettings::BlankReport)->setChecked(true);
    grid->setRowStretch(row, 1);
    return page;
}

QWidget *TQRDesignReportExpert::makeDatasetPage()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    auto *group = new QGroupBox(QStringLiteral("Main dataset for report"), page);
    auto *choice = new QHBoxLayout(group);
    m_sources = new QButtonGroup(page);
    const char *names[] = {"Table", "Query", "None"};
    for (int i = 0; i < 3; ++i) {
        auto *b = new QRadioButton(QString::fromLatin1(names[i]), group);
        m_sources->addButton(b, i);
        choice->addWidget(b);
    }
    m_sources->button(SourceTable)->setChecked(true);
    layout->addWidget(group);
    auto *form = new QFormLayout;
    m_database = new QComboBox(page);
    m_database->setEditable(true);
    form->addRow(QStringLiteral("Database or Directory:"), m_database);
    m_table = new QComboBox(page);
    m_table->setEditable(true);
    form->addRow(QStringLiteral("Table name:"), m_table);
    layout->addLayout(form);
    m_sql = new QPlainTextEdit(page);
    m_sql->setPlaceholderText(QStringLiteral("SQL"));
    layout->addWidget(m_sql, 1);
    auto update = [this] {
        m_table->setEnabled(source() == SourceTable);
        m_sql->setEnabled(source() == SourceQuery);
        m_database->setEnabled(source() != SourceNone && m_database->count() > 0 &&
                               m_database->property("defaultOnly").toBool() == false);
        updateButtons();
    };
    connect(m_sources, &QButtonGroup::idToggled, this, update);
    connect(m_database, &QComboBox::currentTextChanged, this, [this] { refreshTables(); });
    return page;
}

QWidget *TQRDesignReportExpert::makeTableIndexPage()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(
        new QLabel(QStringLiteral("Please select the index used for sorting the table:"), page));
    m_index = new QComboBox(page);
    layout->addWidget(m_index);
    layout->addStretch(1);
    return page;
}

QWidget *TQRDesignReportExpert::makeDatafieldsPage()
{
    auto *page = new QWidget;
    auto *grid = new QGridLayout(page);
    grid->addWidget(new QLabel(QStringLiteral("Available fields:"), page), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Fields used in report:"), page), 0, 2);
    m_available = new QListWidget(page);
    m_used = new QListWidget(page);
    m_available->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_used->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grid->addWidget(m_available, 1, 0);
    grid->addWidget(m_used, 1, 2);
    auto *moves = new QVBoxLayout;
    const struct {
        const char *text;
        void (TQRDesignReportExpert::*slot)();
    } buttons[] = {{">", &TQRDesignReportExpert::UseSelected},
                   {">>", &TQRDesignReportExpert::UseAll},
                   {"<", &TQRDesignReportExpert::DropSelected},
                   {"<<", &TQRDesignReportExpert::DropAll}};
    moves->addStretch(1);
    for (const auto &b : buttons) {
        auto *button = new QPushButton(QString::fromLatin1(b.text), page);
        connect(button, &QPushButton::clicked, this, b.slot);
        moves->addWidget(button);
    }
    moves->addStretch(1);
    grid->addLayout(moves, 1, 1);
    auto *order = new QVBoxLayout;
    auto *up = new QPushButton(QString(QChar(0x25B2)), page);
    auto *down = new QPushButton(QString(QChar(0x25BC)), page);
    auto move = [this](int step) {
        const int row = m_used->currentRow(), to = row + step;
        if (row < 0 || to < 0 || to >= m_used->count())
            return;
        QListWidgetItem *item = m_used->takeItem(row);
        m_used->insertItem(to, item);
        m_used->setCurrentRow(to);
    };
    connect(up, &QPushButton::clicked, this, [move] { move(-1); });
    connect(down, &QPushButton::clicked, this, [move] { move(1); });
    order->addStretch(1);
    order->addWidget(up);
    order->addWidget(down);
    order->addStretch(1);
    grid->addLayout(order, 1, 3);
    connect(m_available, &QListWidget::itemDoubleClicked, this, &TQRDesignReportExpert::UseSelected);
    connect(m_used, &QListWidget::itemDoubleClicked, this, &TQRDesignReportExpert::DropSelected);
    return page;
}

QWidget *TQRDesignReportExpert::makeBandsPage()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    for (const char *name : {"Title", "Page Header", "Detail", "Page Footer", "Summary"}) {
        auto *check = new QCheckBox(QString::fromLatin1(name), page);
        m_bands << check;
        layout->addWidget(check);
    }
    m_bands[0]->setChecked(true);
    m_bands[1]->setChecked(true);
    m_bands[2]->setChecked(true);
    m_bands[2]->setEnabled(false);
    layout->addStretch(1);
    return page;
}

QWidget *TQRDesignReportExpert::makeLabelSelectPage()
{
    auto *page = new QWidget;
    auto *layout = new QHBoxLayout(page);
    auto *left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("Label format"), page));
    m_labelFile = new QComboBox(page);
    m_labelFile->addItem(QStringLiteral("Custom"));
    left->addWidget(m_labelFile);
    m_labelFormats = new QListWidget(page);
    left->addWidget(m_labelFormats, 1);
    layout->addLayout(left, 1);
    m_labelPreview = new TQRLabelPreview(page);
    layout->addWidget(m_labelPreview);
    connect(m_labelFile, &QComboBox::activated, this, &TQRDesignReportExpert::ChooseLabelFile);
    connect(m_labelFormats, &QListWidget::currentRowChanged, this, &TQRDesignReportExpert::ChooseLabelFormat);
    return page;
}

QLineEdit *TQRDesignReportExpert::sizeEdit(const QString &name, const QString &text)
{
    auto *edit = new QLineEdit(text);
    edit->setObjectName(name);
    // Digits and one decimal separator; "." and "," both become the locale's.
    edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*[.,]?[0-9]*")), edit));
    connect(edit, &QLineEdit::textEdited, edit, [edit](const QString &t) {
        QString fixed = t;
        const QChar separator = LocaleSettings().DecimalSeparator;
        fixed.replace(QLatin1Char('.'), separator).replace(QLatin1Char(','), separator);
        if (fixed != t) {
            const int cursor = edit->cursorPosition();
            edit->setText(fixed);
            edit->setCursorPosition(cursor);
        }
    });
    m_sizes.append({name, edit});
    return edit;
}

QWidget *TQRDesignReportExpert::sizeRow(QLineEdit *edit)
{
    auto *row = new QWidget;
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(edit);
    layout->addWidget(new QLabel(unitText(m_report->Units()), row));
    return row;
}

QWidget *TQRDesignReportExpert::makePaperSizePage()
{
    auto *page = new QWidget;
    auto *layout = new QHBoxLayout(page);
    auto *form = new QFormLayout;
    m_paper = new QComboBox(page);
    QStringList names;
    const QMetaEnum papers = QMetaEnum::fromType<TQRPaperSize>();
    for (int i = 0; i < papers.keyCount(); ++i)
        names << QString::fromLatin1(papers.key(i));
    names.sort(Qt::CaseInsensitive);
    m_paper->addItems(names);
    form->addRow(QStringLiteral("Paper size"), m_paper);
    const TQRPage *p = m_report->Page();
    form->addRow(QStringLiteral("Width"),
                 sizeRow(sizeEdit(QStringLiteral("Width"), FormatExpertSize(p->Width()))));
    form->addRow(QStringLiteral("Length"),
                 sizeRow(sizeEdit(QStringLiteral("Length"), FormatExpertSize(p->Length()))));
    auto *orientation = new QGroupBox(QStringLiteral("Orientation"), page);
    auto *o = new QHBoxLayout(orientation);
    m_labelOrientation = new QButtonGroup(page);
    for (int i = 0; i < 2; ++i) {
        auto *b = new QRadioButton(i ? QStringLiteral("Landscape") : QStringLiteral("Portrait"), orientation);
        m_labelOrientation->addButton(b, i);
        o->addWidget(b);
    }
    m_labelOrientation->button(p->Orientation())->setChecked(true);
    form->addRow(orientation);
    auto *margins = new QGroupBox(QStringLiteral("Page margins"), page);
    auto *m = new QFormLayout(margins);
    m->addRow(QStringLiteral("Top"),
              sizeRow(sizeEdit(QStringLiteral("Top"), FormatExpertSize(p->TopMargin()))));
    m->addRow(QStringLiteral("Bottom"),
              sizeRow(sizeEdit(QStringLiteral("Bottom"), FormatExpertSize(p->BottomMargin()))));
    m->addRow(QStringLiteral("Left"),
              sizeRow(sizeEdit(QStringLiteral("Left"), FormatExpertSize(p->LeftMargin()))));
    m->addRow(QStringLiteral("Right"),
              sizeRow(sizeEdit(QStringLiteral("Right"), FormatExpertSize(p->RightMargin()))));
    form->addRow(margins);
    layout->addLayout(form, 1);
    m_paper->setCurrentText(PaperSizeName(p->PaperSize()));
    connect(m_paper, &QComboBox::currentTextChanged, this, [this] { updatePaperFields(); });
    connect(m_labelOrientation, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on)
            updatePaperFields();
    });
    updatePaperFields();
    return page;
}

QWidget *TQRDesignReportExpert::makeLabelFormatPage()
{
    auto *page = new QWidget;
    auto *form = new QFormLayout(page);
    const struct {
        const char *name, *value;
        bool size;
    } rows[] = {
        {"Width", "50", true},           {"Height", "20", true},      {"Number of columns", "3", false},
        {"Number of rows", "10", false}, {"Column space", "5", true}, {"Row space", "5", true}};
    for (const auto &r : rows) {
        const QString name = QString::fromLatin1(r.name);
        QLineEdit *edit =
            sizeEdit(r.size ? QStringLiteral("Label ") + name.toLower() : name, QString::fromLatin1(r.value));
        form->addRow(name, r.size ? sizeRow(edit) : edit);
    }
    return page;
}

QWidget *TQRDesignReportExpert::makeSpecialOptionsPage()
{
    auto *page = new QWidget;
    auto *form = new QFormLayout(page);
    auto *orientation = new QGroupBox(QStringLiteral("Orientation"), page);
    auto *o = new QHBoxLayout(orientation);
    m_orientation = new QButtonGroup(page);
    for (int i = 0; i < 2; ++i) {
        auto *b = new QRadioButton(i ? QStringLiteral("Landscape") : QStringLiteral("Portrait"), orientation);
        m_orientation->addButton(b, i);
        o->addWidget(b);
    }
    m_orientation->button(0)->setChecked(true);
    form->addRow(orientation);
    m_columns = new QLineEdit(QStringLiteral("1"), page);
    m_columns->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[1-9]?")), m_columns));
    form->addRow(QStringLiteral("Columns on each page:"), m_columns);
    form->addRow(
        QStringLiteral("Column spacing:"),
        sizeRow(sizeEdit(QStringLiteral("Column spacing:"),
                         QStringLiteral("0") + LocaleSettings().DecimalSeparator + QStringLiteral("00"))));
    m_title = new QLineEdit(QStringLiteral("Report"), page);
    form->addRow(QStringLiteral("Report title:"), m_title);
    return page;
}

QWidget *TQRDesignReportExpert::makeFontsPage()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    m_dataFontButton = new QPushButton(QStringLiteral("Font for datafields ..."), page);
    m_headerFontButton = new QPushButton(QStringLiteral("Font for column headers and labels ..."), page);
    connect(m_dataFontButton, &QPushButton::clicked, this, [this] {
        bool ok = false;
        const QFont f = QFontDialog::getFont(&ok, m_dataFont, this);
        if (ok)
            SetDataFont(f);
    });
    connect(m_headerFontButton, &QPushButton::clicked, this, [this] {
        bool ok = false;
        const QFont f = QFontDialog::getFont(&ok, m_headerFont, this);
        if (ok)
            SetHeaderFont(f);
    });
    layout->addWidget(m_dataFontButton);
    layout->addWidget(m_headerFontButton);
    for (const char *name : {"horizontal lines", "vertical lines", "box lines"}) {
        auto *check = new QCheckBox(QString::fromLatin1(name), page);
        m_lines << check;
        layout->addWidget(check);
    }
    layout->addStretch(1);
    return page;
}

QWidget *TQRDesignReportExpert::makeFinishPage()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(QStringLiteral("The report is ready. Finish keeps it for editing."), page));
    m_preview = new QPushButton(QStringLiteral("Preview..."), page);
    connect(m_preview, &QPushButton::clicked, this, [this] { m_report->Preview(); });
    layout->addWidget(m_preview, 0, Qt::AlignLeft);
    layout->addStretch(1);
    return page;
}

// --- settings ----------------------------------------------------------------------------------

void TQRDesignReportExpert::SetAllowSQLEdit(bool on)
{
    for (QAbstractButton *b : m_sources->buttons())
        b->setEnabled(on);
}

void TQRDesignReportExpert::SetPresetDataset(TDataSet *dataSet)
{
    QString error;
    if (!dataSet || !m_data.UseDataSet(dataSet, &error)) {
        if (dataSet)
            Prompt().ShowError(error);
        return;
    }
    m_preset = true;
    fillFieldLists();
}

void TQRDesignReportExpert::SetDatabaseNames(const QString &defaultName, const QStringList &names,
                                             bool defaultOnly)
{
    m_database->blockSignals(true);
    m_database->clear();
    if (!defaultName.isEmpty())
        m_database->addItem(defaultName);
    if (!defaultOnly) {
        const QStringList others = names.isEmpty() ? Session().DatabaseNames() : names;
        for (const QString &n : others)
            if (n.compare(defaultName, Qt::CaseInsensitive) != 0)
                m_database->addItem(n);
    }
    m_database->setProperty("defaultOnly", defaultOnly);
    m_database->setEnabled(!defaultOnly);
    m_database->setCurrentText(defaultName);
    m_database->blockSignals(false);
}

void TQRDesignReportExpert::SetSettingsFile(const QString &fileName)
{
    m_settingsFile = fileName;
    m_labelFiles.clear();
    while (m_labelFile->count() > 1)
        m_labelFile->removeItem(1);
    for (const QString &file : LabelFormatFiles(fileName)) {
        TQRLabelFormatFile read;
        if (ReadLabelFormatFile(file, &read)) {
            m_labelFiles.append(read);
            m_labelFile->addItem(read.Title.isEmpty() ? file : read.Title);
        }
    }
}

QRadioButton *TQRDesignReportExpert::StyleButton(TQRExpertSettings::TStyle s) const
{
    return qobject_cast<QRadioButton *>(m_styles->button(s));
}

QRadioButton *TQRDesignReportExpert::SourceButton(TSource s) const
{
    return qobject_cast<QRadioButton *>(m_sources->button(s));
}

QLineEdit *TQRDesignReportExpert::SizeEdit(const QString &name) const
{
    for (const auto &entry : m_sizes)
        if (entry.first == name)
            return entry.second;
    return nullptr;
}

QWidget *TQRDesignReportExpert::Page(int page) const
{
    return m_pages->widget(page);
}

double TQRDesignReportExpert::sizeValue(const QString &name) const
{
    const QLineEdit *edit = SizeEdit(name);
    return edit ? ExpertNumber(edit->text()) : 0;
}

TQRExpertSettings::TStyle TQRDesignReportExpert::style() const
{
    return TQRExpertSettings::TStyle(m_styles->checkedId());
}

TQRDesignReportExpert::TSource TQRDesignReportExpert::source() const
{
    return TSource(m_sources->checkedId());
}

TQRExpertSettings TQRDesignReportExpert::Settings() const
{
    TQRExpertSettings s;
    s.Style = style();
    s.Landscape = m_orientation->checkedId() == 1;
    s.Columns = m_columns->text();
    s.ColumnSpacing = SizeEdit(QStringLiteral("Column spacing:"))->text();
    TQRLayoutOptions &o = s.Layout;
    o.DataSet = source() == SourceNone ? nullptr : m_data.DataSet();
    for (int i = 0; i < m_used->count(); ++i)
        o.Fields << m_used->item(i)->text();
    if (m_dataFontButton->property("chosen").toBool())
        assignFont(&o.DataFont, m_dataFont);
    if (m_headerFontButton->property("chosen").toBool())
        assignFont(&o.HeaderFont, m_headerFont);
    o.HorizontalLines = m_lines[0]->isChecked();
    o.VerticalLines = m_lines[1]->isChecked();
    o.BoxLines = m_lines[2]->isChecked();
    o.Title = m_bands[0]->isChecked();
    o.PageHeader = m_bands[1]->isChecked();
    o.PageFooter = m_bands[3]->isChecked();
    o.Summary = m_bands[4]->isChecked();
    o.ReportTitle = m_title->text();
    TQRLabelSheet &l = s.Labels;
    TQRPaperSize paper = QRPaper::Default;
    PaperSizeFromName(m_paper->currentText(), &paper);
    l.PaperSize = paper;
    l.Orientation = m_labelOrientation->checkedId() == 1 ? QRPaper::poLandscape : QRPaper::poPortrait;
    l.PaperWidth = sizeValue(QStringLiteral("Width"));
    l.PaperLength = sizeValue(QStringLiteral("Length"));
    l.TopMargin = sizeValue(QStringLiteral("Top"));
    l.BottomMargin = sizeValue(QStringLiteral("Bottom"));
    l.LeftMargin = sizeValue(QStringLiteral("Left"));
    l.RightMargin = sizeValue(QStringLiteral("Right"));
    l.LabelWidth = sizeValue(QStringLiteral("Label width"));
    l.LabelHeight = sizeValue(QStringLiteral("Label height"));
    l.Columns = int(sizeValue(QStringLiteral("Number of columns")));
    l.Rows = int(sizeValue(QStringLiteral("Number of rows")));
    l.ColumnSpace = sizeValue(QStringLiteral("Label column space"));
    l.RowSpace = sizeValue(QStringLiteral("Label row space"));
    return s;
}

void TQRDesignReportExpert::SetDataFont(const QFont &font)
{
    m_dataFont = font;
    m_dataFontButton->setProperty("chosen", true);
}

void TQRDesignReportExpert::SetHeaderFont(const QFont &font)
{
    m_headerFont = font;
    m_headerFontButton->setProperty("chosen", true);
}

// --- navigation --------------------------------------------------------------------------------

int TQRDesignReportExpert::CurrentPage() const
{
    return m_pages->currentIndex();
}

bool TQRDesignReportExpert::PageApplies(int page) const
{
    const TQRExpertSettings::TStyle s = style();
    const bool labels = s == TQRExpertSettings::MailingLabels;
    TDataSet *ds = m_data.DataSet();
    const bool none = source() == SourceNone && !m_preset;
    switch (page) {
    case DatasetPage:
        return !m_preset;
    case TableIndexPage: {
        auto *table = qobject_cast<TTable *>(ds);
        return !m_preset && !none && table && m_data.OwnsDataSet() && table->Active() &&
               (m_queriesOnlyInExpert || m_index->count() > 1);
    }
    case DatafieldsPage:
        return !none && ds && ds->Active();
    case FontsPage:
        return !none;
    case BandsPage:
        return !labels && s != TQRExpertSettings::SingleForm;
    case LabelSelectPage:
    case PaperSizePage:
    case LabelFormatPage:
        return labels;
    case SpecialOptionsPage:
        return !labels;
    default:
        return true;
    }
}

void TQRDesignReportExpert::Next()
{
    const int page = CurrentPage();
    if (page == ReportTypePage && !leaveReportType())
        return;
    if (page == DatasetPage && !leaveDataset())
        return;
    if (page == TableIndexPage)
        leaveTableIndex();
    int to = page + 1;
    while (to < FinishPage && !PageApplies(to))
        ++to;
    if (to > FinishPage)
        return;
    showPage(to);
}

void TQRDesignReportExpert::Back()
{
    int to = CurrentPage() - 1;
    while (to > ReportTypePage && !PageApplies(to))
        --to;
    if (to >= 0)
        showPage(to);
}

void TQRDesignReportExpert::showPage(int page)
{
    m_pages->setCurrentIndex(page);
    m_caption->setText(QString::fromLatin1(kPageTitles[page]));
    if (page == LabelSelectPage || page == LabelFormatPage)
        updateLabelPreview();
    if (page == FinishPage)
        generate();
    updateButtons();
}

void TQRDesignReportExpert::updateButtons()
{
    const int page = CurrentPage();
    m_back->setVisible(page > ReportTypePage);
    m_next->setVisible(page < FinishPage);
    m_finish->setEnabled(page == FinishPage);
}

bool TQRDesignReportExpert::leaveReportType()
{
    const bool labels = style() == TQRExpertSettings::MailingLabels;
    if (style() == TQRExpertSettings::BlankReport) {
        TQRDReportCreator creator(m_report, m_report->Loader());
        ResetReportForExpert(creator);
        accept();
        return false;
    }
    m_columns->setEnabled(!labels);
    SizeEdit(QStringLiteral("Column spacing:"))->setEnabled(!labels);
    // "None" is a choice for labels only.
    m_sources->button(SourceNone)->setVisible(labels);
    if (!labels && source() == SourceNone)
        m_sources->button(SourceTable)->setChecked(true);
    if (!m_preset)
        refreshTables();
    return true;
}

void TQRDesignReportExpert::refreshTables()
{
    const QString keep = m_table->currentText();
    m_table->clear();
    try {
        if (TQRExpertDataset::NamesOutsideData(m_database->currentText()))
            m_table->addItems(TQRExpertDataset::OutsideDataSetNames(m_report->Loader()));
        else
            m_table->addItems(Session().TableNames(m_database->currentText()));
    } catch (const std::exception &) {
        // An unreachable database lists no tables; leaving the page says why.
    }
    m_table->setCurrentText(keep);
}

bool TQRDesignReportExpert::leaveDataset()
{
    if (source() == SourceNone) {
        m_data.Drop();
        m_lastDataset.clear();
        return true;
    }
    const QString inputs = QString::number(source()) + QLatin1Char('\n') + m_database->currentText() +
                           QLatin1Char('\n') + m_table->currentText() + QLatin1Char('\n') +
                           m_sql->toPlainText();
    if (inputs == m_lastDataset && m_data.DataSet())
        return true;
    QString error;
    // A dataset outside the report is used as it is.
    if (source() == SourceTable && TQRExpertDataset::NamesOutsideData(m_database->currentText()) &&
        m_data.UseOutsideDataSet(m_table->currentText(), m_report->Loader(), &error)) {
        m_lastDataset = inputs;
        fillFieldLists();
        return true;
    }
    if (!m_allowDatasetEdit) {
        // Without dataset editing nothing is made.
        Prompt().ShowError(error.isEmpty() ? QStringLiteral("No dataset may be created here.") : error);
        return false;
    }
    const bool ok = source() == SourceTable
                        ? m_data.MakeTable(m_database->currentText(), m_table->currentText(), &error)
                        : m_data.MakeQuery(m_database->currentText(), m_sql->toPlainText(), &error);
    if (!ok) {
        Prompt().ShowError(error);
        return false;
    }
    m_lastDataset = inputs;
    fillFieldLists();
    return true;
}

void TQRDesignReportExpert::fillFieldLists()
{
    const QStringList entries = m_data.FieldEntries();
    QStringList used;
    for (int i = 0; i < m_used->count(); ++i)
        if (entries.contains(m_used->item(i)->text()))
            used << m_used->item(i)->text();
    m_used->clear();
    m_used->addItems(used);
    m_available->clear();
    for (const QString &e : entries)
        if (!used.contains(e))
            m_available->addItem(e);
    m_index->clear();
    if (auto *table = qobject_cast<TTable *>(m_data.DataSet())) {
        try {
            table->IndexDefs().Update();
        } catch (const std::exception &) {
        }
        for (int i = 0; i < table->IndexDefs().Count(); ++i)
            m_index->addItem(table->IndexDefs()[i].Name.isEmpty() ? QStringLiteral("(primary key)")
                                                                  : table->IndexDefs()[i].Name,
                             table->IndexDefs()[i].Name);
    }
}

void TQRDesignReportExpert::leaveTableIndex()
{
    if (auto *table = qobject_cast<TTable *>(m_data.DataSet()); table && m_index->currentIndex() >= 0) {
        const QString name = m_index->currentData().toString();
        if (name != table->IndexName()) {
            try {
                table->SetIndexName(name);
            } catch (const std::exception &e) {
                Prompt().ShowError(QString::fromUtf8(e.what()));
            }
        }
    }
}

void TQRDesignReportExpert::UseSelected()
{
    for (QListWidgetItem *item : m_available->selectedItems())
        m_used->addItem(m_available->takeItem(m_available->row(item)));
    if (m_available->selectedItems().isEmpty() && m_available->currentItem() && m_used->count() == 0)
        m_used->addItem(m_available->takeItem(m_available->currentRow()));
}

void TQRDesignReportExpert::UseAll()
{
    while (m_available->count() > 0)
        m_used->addItem(m_available->takeItem(0));
}

void TQRDesignReportExpert::DropSelected()
{
    for (QListWidgetItem *item : m_used->selectedItems())
        m_available->addItem(m_used->takeItem(m_used->row(item)));
}

void TQRDesignReportExpert::DropAll()
{
    while (m_used->count() > 0)
        m_available->addItem(m_used->takeItem(0));
}

// --- labels ------------------------------------------------------------------------------------

void TQRDesignReportExpert::ChooseLabelFile(int index)
{
    m_labelFile->setCurrentIndex(index);
    m_labelFormats->blockSignals(true);
    m_labelFormats->clear();
    if (index > 0 && index <= m_labelFiles.size()) {
        // Read again: the file may have changed since the wizard opened.
        TQRLabelFormatFile &file = m_labelFiles[index - 1];
        TQRLabelFormatFile again;
        if (ReadLabelFormatFile(file.FileName, &again))
            file = again;
        for (const TQRLabelFormat &f : std::as_const(file.Formats))
            m_labelFormats->addItem(LabelFormatListText(f, m_report));
    }
    m_labelFormats->blockSignals(false);
    updateLabelPreview();
}

void TQRDesignReportExpert::ChooseLabelFormat(int index)
{
    const int file = m_labelFile->currentIndex() - 1;
    if (file < 0 || file >= m_labelFiles.size() || index < 0 || index >= m_labelFiles[file].Formats.size())
        return;
    m_labelFormats->setCurrentRow(index);
    const TQRLabelSheet s = LabelSheetFromFormat(m_labelFiles[file].Formats[index], m_report);
    m_paper->setCurrentText(PaperSizeName(s.PaperSize));
    m_labelOrientation->button(s.Orientation)->setChecked(true);
    if (s.PaperSize == QRPaper::Custom) {
        SizeEdit(QStringLiteral("Width"))->setText(FormatExpertSize(s.PaperWidth));
        SizeEdit(QStringLiteral("Length"))->setText(FormatExpertSize(s.PaperLength));
    }
    const QPair<const char *, double> values[] = {{"Top", s.TopMargin},
                                                  {"Left", s.LeftMargin},
                                                  {"Bottom", s.BottomMargin},
                                                  {"Right", s.RightMargin},
                                                  {"Label width", s.LabelWidth},
                                                  {"Label height", s.LabelHeight},
                                                  {"Number of columns", double(s.Columns)},
                                                  {"Number of rows", double(s.Rows)},
                                                  {"Label column space", s.ColumnSpace},
                                                  {"Label row space", s.RowSpace}};
    for (const auto &v : values)
        SizeEdit(QString::fromLatin1(v.first))->setText(FormatExpertSize(v.second));
    updateLabelPreview();
}

void TQRDesignReportExpert::updatePaperFields()
{
    TQRPaperSize paper = QRPaper::Default;
    PaperSizeFromName(m_paper->currentText(), &paper);
    const bool custom = paper == QRPaper::Custom;
    SizeEdit(QStringLiteral("Width"))->setEnabled(custom);
    SizeEdit(QStringLiteral("Length"))->setEnabled(custom);
    double w = 0, l = 0;
    if (!custom && PaperSizeMM(paper, &w, &l)) {
        const TQRPage *page = m_report->Page();
        w = NativeToUnit(w * 10, page->Units(), true, page->Context());
        l = NativeToUnit(l * 10, page->Units(), false, page->Context());
        if (m_labelOrientation->checkedId() == 1)
            std::swap(w, l);
        SizeEdit(QStringLiteral("Width"))->setText(FormatExpertSize(w));
        SizeEdit(QStringLiteral("Length"))->setText(FormatExpertSize(l));
    }
    updateLabelPreview();
}

void TQRDesignReportExpert::updateLabelPreview()
{
    if (!m_built)
        return;
    const TQRExpertSettings s = Settings();
    m_labelPreview->SetSheet(s.Labels, sizeValue(QStringLiteral("Width")),
                             sizeValue(QStringLiteral("Length")));
}

// --- building ----------------------------------------------------------------------------------

void TQRDesignReportExpert::generate()
{
    TQRDReportCreator creator(m_report, m_report->Loader());
    creator.AfterReportComponentCreated = AfterReportComponentCreated;
    GenerateExpertReport(creator, Settings());
}

void TQRDesignReportExpert::reject()
{
    // Forget the dataset references; what was built stays.
    m_data.Release();
    QDialog::reject();
}

// --- the designer's New ------------------------------------------------------------------------

bool RunReportExpert(TQRDesignReport *report, TQRDLoader *designer, QWidget *window,
                     const TQRNewReportSettings &settings)
{
    bool showExpert = true;
    TDataSet *preset = nullptr;
    if (settings.OnNewReport)
        settings.OnNewReport(window, designer, showExpert, preset);
    if (!showExpert)
        return false;
    TComponent *owner = report->Owner() ? report->Owner() : report;
    if (preset && preset->Name().isEmpty()) {
        const QString base =
            designer ? designer->Message(QStringLiteral("DefaultTableName")) : QStringLiteral("Table");
        auto *table = qobject_cast<TTable *>(preset);
        preset->SetName(
            TQRExpertDataset::NewDatasetName(owner, base, table ? table->DatabaseName() : QString()));
    }
    TQRDesignReportExpert expert(report, window);
    expert.SetAllowDatasetEdit(settings.AllowDatasetEdit);
    expert.SetAllowSQLEdit(settings.AllowSQLEdit);
    expert.SetQueriesOnlyInExpert(settings.QueriesOnlyInExpert);
    expert.SetDatabaseNames(settings.DefaultDatabaseName, settings.AvailableDatabaseNames,
                            settings.DefaultDatabaseOnly);
    expert.SetFieldDisplayLabels(settings.FieldDisplayLabels);
    expert.SetSettingsFile(settings.SettingsFile);
    expert.AfterReportComponentCreated = settings.AfterReportComponentCreated;
    if (preset)
        expert.SetPresetDataset(preset);
    return expert.exec() == QDialog::Accepted;
}
