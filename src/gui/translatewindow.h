#pragma once

// Every window translates itself from the configured language file when it is
// created: TranslateWindow(this, "<section>") at the end of its constructor. The
// window's title is the window's caption; its named widgets and actions are its parts
// (labels, buttons, group boxes, actions and menus have captions, every widget a hint;
// combo boxes and list widgets have items, tab widgets their pages, tree and table
// widgets their column titles; plain-text editors have lines). Child windows are not
// part of the window that holds them: they translate themselves.

#include "common/languagefile.h"

#include <functional>

class QWidget;

// The translator's view of window: its title and every named part, plus the named
// components of components (the loader of a window that holds one).
TTranslatableWindow TranslatableWidgetWindow(QWidget *window, const TComponent *components = nullptr);
// Applies section of the configured language file to window (nothing when none is configured).
void TranslateWindow(QWidget *window, const QString &section, const TComponent *components = nullptr);
// Marks a part that shows data (a printer list, a file name) rather than a text of its own: a
// language file never reaches it and a template never lists it.
void MarkShowsData(QObject *part);
// Lists the window made by create in the language template: its section with every text it
// has when it is made (the window is freed afterwards). A window whose caption shows data (a file
// name, a report's description) leaves its caption out.
void RegisterLanguageWindow(const QString &section, std::function<QWidget *()> create,
                            bool captionIsData = false);
// The windows registered so far with their sections, in the order of registration.
QList<QPair<QString, std::function<QWidget *()>>> LanguageWindows();
