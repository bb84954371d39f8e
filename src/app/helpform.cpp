#include "app/helpform.h"

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
            "without a descriptor runs with an empty parameter dialog.</p>");
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
    return {htMainWindow, htDescriptorEditor};
}

QString THelpForm::TopicTitle(int topic)
{
    switch (topic) {
    case htMainWindow:
        return QStringLiteral("The main window");
    case htDescriptorEditor:
        return QStringLiteral("Dialogue descriptor editor");
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
