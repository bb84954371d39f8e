#pragma once

// The tools that the shell hands over to: the parameter dialog and the
// dialogue descriptor editor. Each is installed by the library that provides
// its window; a command whose tool is not installed is not offered at all (no
// menu entry or button that does nothing). The report designer is reached
// through the run-time component TReportDesignerDialog instead.

#include <QString>
#include <functional>

class QWidget;

struct TShellActions {
    // Opens the parameter dialog of a report (its name and description) and
    // runs it from there. Installed: the launcher shows "Start report".
    std::function<void(QWidget *parent, const QString &reportName, const QString &description)> StartReport;
    // Opens the dialogue descriptor editor for a report name (empty: no
    // report). Installed: "Tuning dialogue" in the main window and "Edit
    // dialog" in the launcher.
    std::function<void(QWidget *parent, const QString &reportName)> EditDialog;
};

// The process-wide set; windows read it when they are created.
TShellActions &ShellActions();
