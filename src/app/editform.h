#pragma once

// "Report property": edits one catalogue line, the report's file (its key)
// and its description.

#include <QDialog>
#include <functional>

class QLineEdit;
class QToolButton;

class TEditform : public QDialog
{
    Q_OBJECT
public:
    explicit TEditform(QWidget *parent = nullptr);

    // Shows the dialog filled with key and description. True when it ended
    // with OK and a non-empty file field; key and description then hold the
    // fields' texts. Otherwise both stay as they were.
    static bool Execute(QWidget *parent, QString &key, QString &description);

    void SetValues(const QString &key, const QString &description);
    QString FileText() const;
    QString DescriptionText() const;

    // Lets the user pick a report file; the file field receives its key.
    void ChooseFile();

    // A report's key from a file path: no directory ('\' or '/'), and
    // everything from the last '.' on dropped.
    static QString KeyFromFileName(const QString &path);

    // The file choice (an open-file dialog titled "Choice report"); tests
    // replace it. Returns the chosen path, or an empty text when cancelled.
    using TFileChooser = std::function<QString(QWidget *parent)>;
    static void SetFileChooser(TFileChooser chooser);

private:
    QLineEdit *m_file;
    QLineEdit *m_description;
    QToolButton *m_choose;
};
