#include "gui/helpform.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace
{
QString g_helpFile;

const QString TopicScheme = QStringLiteral("topic");

QString topicBody(int topic)
{
    switch (topic) {
    case htMainWindow:
        return QStringLiteral(
            "<p>The main window is the starting point of Tabulon. It stays small so that it can sit at the "
            "edge of the screen while you work with your reports.</p>"
            "<h3>Starting a report</h3>"
            "<p>Open <b>Reports &gt; Start report</b>, or the drop-down of the <b>Start</b> button, and "
            "choose a report group. The window <i>Available reports</i> lists the reports of that group in "
            "the order of the catalogue.</p>"
            "<h3>The report catalogue</h3>"
            "<p>The groups and their reports come from the catalogue file <tt>reports.ini</tt> in the "
            "program directory: each section is a group, each line <tt>file=description</tt> a report. "
            "<b>File &gt; Reports list</b> edits the catalogue: add, rename and delete groups, add, edit "
            "and delete reports. Every change is saved at once. The group menus are brought up to date "
            "when the editor closes.</p>"
            "<h3>Leaving the program</h3>"
            "<p><b>File &gt; Exit</b>, the <b>Exit</b> button or the window's close button end Tabulon "
            "after you confirm it.</p>");
    case htDescriptorEditor:
        return QStringLiteral(
            "<p>Each report may have a dialogue descriptor: a file with the report's name and the "
            "extension <tt>.cfg</tt> beside the report file. It describes the parameter dialog shown "
            "before the report runs: its controls, their captions and default values, the lists filled "
            "from database queries, and how each value reaches the report.</p>"
            "<p>The dialogue descriptor editor (<b>File &gt; Tuning dialogue</b>, or <b>Edit dialog</b> "
            "in the list of available reports) lays out those controls and their bindings. A report "
            "without a descriptor runs with an empty parameter dialog.</p>"
            "<h3>Working with the form</h3>"
            "<p>Choose a tool on the toolbar and click into the area <i>Report parameters</i> to create a "
            "control there. Alt + drag moves a control, Ctrl + drag changes its width; Alt + arrow keys "
            "move the focused control by one pixel, Ctrl + Left and Ctrl + Right make it narrower or wider. "
            "Click a caption to type a new one. The context menu of a control opens its properties or "
            "deletes it. <b>F2</b> saves, <b>Shift+F2</b> saves under a new name.</p>");
    case htControlElements:
        return QStringLiteral(
            "<ul><li><b>Edit</b>: one line of free text.</li>"
            "<li><b>IntEdit</b>: a whole number with up/down buttons.</li>"
            "<li><b>FloatEdit</b>: a number with up to six decimals.</li>"
            "<li><b>DateEdit</b>: a date with a calendar drop-down.</li>"
            "<li><b>List</b>: a drop-down list of fixed entries; its value is the entry's index.</li>"
            "<li><b>Table</b>: a drop-down list filled from a database query.</li>"
            "<li><b>Check</b>: a check box whose value is 1 or 0.</li></ul>");
    case htQueryParameters:
        return QStringLiteral(
            "<p>Each line hands a value to the report's query parameter of that name: a constant, a "
            "value from an INI file or the text or value of a control, converted to the data type "
            "given.</p>");
    case htCreationOrder:
        return QStringLiteral(
            "<p>The parameter dialog creates its controls in this order. A table control whose filter "
            "refers to another control must come after it.</p>");
    case htTableSettings:
        return QStringLiteral(
            "<p>The database, table, visible and value fields are needed. The filter may refer to "
            "controls declared above this one and to INI values; <b>Show SQL</b> shows the query.</p>");
    case htListEntries:
        return QStringLiteral("<p>The entries of the list in their order; the value of a list control "
                              "is the index of the chosen entry, counted from 0.</p>");
    case htReportLabels:
        return QStringLiteral(
            "<p>Each line writes a text into the caption of the report's label element of that "
            "name.</p>");
    default:
        return QString();
    }
}
} // namespace

QString ApplicationHelpFile()
{
    return g_helpFile;
}

void SetApplicationHelpFile(const QString &fileName)
{
    g_helpFile = fileName;
}

QList<int> THelpForm::Topics()
{
    return {htMainWindow,    htDescriptorEditor, htControlElements, htQueryParameters,
            htCreationOrder, htTableSettings,    htListEntries,     htReportLabels};
}

QString THelpForm::TopicTitle(int topic)
{
    switch (topic) {
    case htMainWindow:
        return QStringLiteral("The main window");
    case htDescriptorEditor:
        return QStringLiteral("Dialogue descriptor editor");
    case htControlElements:
        return QStringLiteral("Control elements");
    case htQueryParameters:
        return QStringLiteral("Query parameters");
    case htCreationOrder:
        return QStringLiteral("Creation order");
    case htTableSettings:
        return QStringLiteral("Table control settings");
    case htListEntries:
        return QStringLiteral("List entries");
    case htReportLabels:
        return QStringLiteral("Report labels");
    default:
        return QString();
    }
}

THelpForm::THelpForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("HelpForm"));
    setWindowTitle(QStringLiteral("Tabulon Help"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    resize(520, 420);

    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("HelpBrowser"));
    m_browser->setOpenLinks(false);
    m_browser->document()->setDocumentMargin(12);
    connect(m_browser, &QTextBrowser::anchorClicked, this, &THelpForm::anchorClicked);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *contents = buttons->addButton(QStringLiteral("Contents"), QDialogButtonBox::ActionRole);
    contents->setObjectName(QStringLiteral("ContentsButton"));
    buttons->addButton(QDialogButtonBox::Close);
    connect(contents, &QPushButton::clicked, this, &THelpForm::GoToContents);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(8);
    layout->addWidget(m_browser, 1);
    layout->addWidget(buttons);
    GoToContents();
}

void THelpForm::GoToContents()
{
    QString html = QStringLiteral("<h2>Tabulon Help</h2><p>Topics:</p><ul>");
    for (int topic : Topics())
        html += QStringLiteral("<li><a href=\"%1:%2\">%3</a></li>")
                    .arg(TopicScheme)
                    .arg(topic)
                    .arg(TopicTitle(topic));
    html += QStringLiteral("</ul>");
    m_browser->setHtml(html);
    m_topic = 0;
}

bool THelpForm::GoToTopic(int topic)
{
    const QString body = topicBody(topic);
    if (body.isEmpty()) {
        GoToContents();
        return false;
    }
    m_browser->setHtml(QStringLiteral("<h2>%1</h2>").arg(TopicTitle(topic)) + body);
    m_topic = topic;
    return true;
}

void THelpForm::anchorClicked(const QUrl &url)
{
    if (url.scheme() == TopicScheme)
        GoToTopic(url.path().toInt());
}

void THelpForm::ShowContents(QWidget *parent)
{
    THelpForm help(parent);
    help.exec();
}

void THelpForm::ShowTopic(QWidget *parent, int topic)
{
    THelpForm help(parent);
    help.GoToTopic(topic);
    help.exec();
}
