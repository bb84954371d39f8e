#pragma once

// The per-user store of remembered window layouts (positions, sizes, list
// column widths). Each store is an INI file in the user's configuration
// directory, e.g. "Tabulon.ini" for the main window and the launcher.

#include "common/programdir.h"

#include <QString>
#include <memory>

class QSettings;
class QTreeView;
class QWidget;


// Opens the store of that file name.
std::unique_ptr<QSettings> UserSettings(const QString &storeName);

// Remembering one window's layout under a group of a store.
namespace WindowLayout
{
// Places the window at its remembered position (and size when withSize is
// set), or centred on the screen when nothing is remembered or the remembered
// place is off every screen. Returns true when a remembered place was used.
bool Restore(QWidget *window, const QString &storeName, const QString &group, bool withSize);
void Save(const QWidget *window, const QString &storeName, const QString &group, bool withSize);

// Column widths of a list; widths that are missing or unusable keep the current ones.
void RestoreColumns(QTreeView *view, const QString &storeName, const QString &group);
void SaveColumns(const QTreeView *view, const QString &storeName, const QString &group);

// Centres the window on the screen it is on (or the primary screen).
void CentreOnScreen(QWidget *window);
} // namespace WindowLayout
