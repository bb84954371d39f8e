#pragma once

// The program's help: the help file name the application carries and a
// small help window with numbered topics.

#include <QDialog>
#include <QList>

class QTextBrowser;

// The application's help file ("tabulon.HLP"); the topics themselves are built in.
QString ApplicationHelpFile();
void SetApplicationHelpFile(const QString &fileName);

enum THelpTopic {
    htMainWindow = 1001,
    htDescriptorEditor = 1004,
    htControlElements = 1005, // the descriptor editor's control kinds
    htQueryParameters = 1008, // the query-parameter bindings
    htCreationOrder = 1009,   // the creation-order list
    htTableSettings = 10071,  // the property dialog's TABLE page
    htListEntries = 10072,    // the property dialog's LIST page
    htReportLabels = 10081,   // the label bindings
};

class THelpForm : public QDialog
{
    Q_OBJECT
public:
    explicit THelpForm(QWidget *parent = nullptr);

    // The help window on its contents page, or on one topic (an unknown topic
    // shows the contents).
    static void ShowContents(QWidget *parent);
    static void ShowTopic(QWidget *parent, int topic);

    static QList<int> Topics();
    static QString TopicTitle(int topic);

    void GoToContents();
    // False (and the contents shown) for a topic that does not exist.
    bool GoToTopic(int topic);
    int CurrentTopic() const { return m_topic; } // 0 on the contents page

    QTextBrowser *Browser() const { return m_browser; }

private:
    void anchorClicked(const QUrl &url);

    QTextBrowser *m_browser;
    int m_topic = 0;
};
