#pragma once

// The standard preview window: the preview control with a toolbar for zoom,
// page navigation, print setup, printing, saving and loading, and a status
// bar with the run's progress and the page shown.

#include "output/pages/qrprinter.h"
#include <QMainWindow>
#include <QPointer>
#include <QStyle>
#include <functional>

class QAction;
class QLabel;
class TQRPreview;

class TQRStandardPreview : public QMainWindow
{
    Q_OBJECT
public:
    // Shows recorder (not owned unless SetOwnsRecorder).
    explicit TQRStandardPreview(TQRPrinter *recorder, QWidget *parent = nullptr);
    ~TQRStandardPreview() override;

    TQRPreview *Preview() const { return m_preview; }
    TQRPrinter *Recorder() const;
    // Whether the window frees its recorder (one without a report behind it).
    void SetOwnsRecorder(bool owns) { m_ownsRecorder = owns; }

    // The toolbar commands.
    QAction *ZoomFitAction() const { return m_zoomFit; }
    QAction *Zoom100Action() const { return m_zoom100; }
    QAction *ZoomWidthAction() const { return m_zoomWidth; }
    QAction *FirstPageAction() const { return m_first; }
    QAction *PreviousPageAction() const { return m_previous; }
    QAction *NextPageAction() const { return m_next; }
    QAction *LastPageAction() const { return m_last; }
    QAction *PrinterSetupAction() const { return m_setup; }
    QAction *PrintAction() const { return m_print; }
    QAction *SaveAction() const { return m_save; }
    QAction *LoadAction() const { return m_load; }
    QAction *CloseAction() const { return m_close; }
    // Status bar panels: progress, and "Page n of m".
    QString ProgressText() const;
    QString PageText() const;

    // The Save dialog's filter list ("Stored report file(*.QRP)|*.QRP", then
    // every registered export filter).
    static QString SaveFilterList();
    // The file dialogs, replaceable (tests answer them). A save dialog gets
    // the title, the filter list and the default extension, and gives the
    // file name and the 1-based filter entry chosen; an empty name cancels.
    std::function<QString(QWidget *parent, const QString &title, const QString &filters,
                          const QString &defaultExt, int *filterIndex)>
        SaveDialog;
    std::function<QString(QWidget *parent, const QString &title, const QString &filters)> OpenDialog;

    // What the commands do.
    void SaveReport(const QString &fileName, int filterIndex);
    void LoadReport(const QString &fileName);
    void ProgressUpdate(int progress);
    void PageAvailable(int pageNum);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QAction *addCommand(const QString &name, const QString &hint, QStyle::StandardPixmap icon,
                        const QList<QKeySequence> &keys, const std::function<void()> &run);
    void zoomFit();
    void zoom100();
    void zoomWidth();
    void firstPage();
    void previousPage();
    void nextPage();
    void lastPage();
    void printerSetup();
    void print();
    void save();
    void load();
    void updatePageText();
    void updateCommands();
    void recorderGone();

    QPointer<TQRPrinter> m_recorder;
    class QToolBar *m_tools = nullptr;
    bool m_ownsRecorder = false;
    bool m_loaded = false;
    TQRPreview *m_preview;
    QLabel *m_progressPanel;
    QLabel *m_pagePanel;
    int m_lastProgress = 0;
    QAction *m_zoomFit, *m_zoom100, *m_zoomWidth, *m_first, *m_previous, *m_next, *m_last, *m_setup, *m_print,
        *m_save, *m_load, *m_close;
};
