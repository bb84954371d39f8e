#include "gui/usersettings.h"

#include "common/programdir.h"

#include <QDir>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QSettings>
#include <QTreeView>
#include <QWidget>

namespace
{
// A widget's frame may not be known before it is shown, so positions are
// those of the frame's top-left corner, as move() takes them.
bool visibleOnSomeScreen(const QRect &frame)
{
    for (const QScreen *screen : QGuiApplication::screens()) {
        const QRect overlap = screen->availableGeometry().intersected(frame);
        // At least a grip of the title bar must be reachable.
        if (overlap.width() >= 32 && overlap.height() >= 16)
            return true;
    }
    return false;
}
} // namespace

std::unique_ptr<QSettings> UserSettings(const QString &storeName)
{
    return std::make_unique<QSettings>(UserSettingsDir() + QLatin1Char('/') + storeName,
                                       QSettings::IniFormat);
}

namespace WindowLayout
{
void CentreOnScreen(QWidget *window)
{
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize size = window->frameGeometry().size().expandedTo(window->size());
    window->move(area.center() - QPoint(size.width() / 2, size.height() / 2));
}

bool Restore(QWidget *window, const QString &storeName, const QString &group, bool withSize)
{
    auto settings = UserSettings(storeName);
    settings->beginGroup(group);
    bool okLeft = false, okTop = false;
    const int left = settings->value(QStringLiteral("Left")).toInt(&okLeft);
    const int top = settings->value(QStringLiteral("Top")).toInt(&okTop);
    if (withSize) {
        bool okWidth = false, okHeight = false;
        const int width = settings->value(QStringLiteral("Width")).toInt(&okWidth);
        const int height = settings->value(QStringLiteral("Height")).toInt(&okHeight);
        if (okWidth && okHeight && width > 0 && height > 0) {
            const QSize wanted =
                QSize(width, height).expandedTo(window->minimumSize()).boundedTo(window->maximumSize());
            window->resize(wanted);
        }
    }
    settings->endGroup();
    if (okLeft && okTop && visibleOnSomeScreen(QRect(QPoint(left, top), window->size()))) {
        window->move(left, top);
        return true;
    }
    CentreOnScreen(window);
    return false;
}

void Save(const QWidget *window, const QString &storeName, const QString &group, bool withSize)
{
    auto settings = UserSettings(storeName);
    settings->beginGroup(group);
    settings->setValue(QStringLiteral("Left"), window->x());
    settings->setValue(QStringLiteral("Top"), window->y());
    if (withSize) {
        settings->setValue(QStringLiteral("Width"), window->width());
        settings->setValue(QStringLiteral("Height"), window->height());
    }
    settings->endGroup();
}

void RestoreColumns(QTreeView *view, const QString &storeName, const QString &group)
{
    auto settings = UserSettings(storeName);
    settings->beginGroup(group);
    const int count = view->header()->count();
    for (int i = 0; i < count; ++i) {
        bool ok = false;
        const int width = settings->value(QStringLiteral("Column%1").arg(i)).toInt(&ok);
        // A column shrunk to nothing could never be found again.
        if (ok && width >= 16 && width <= 4000)
            view->setColumnWidth(i, width);
    }
    settings->endGroup();
}

void SaveColumns(const QTreeView *view, const QString &storeName, const QString &group)
{
    auto settings = UserSettings(storeName);
    settings->beginGroup(group);
    const int count = view->header()->count();
    for (int i = 0; i < count; ++i)
        settings->setValue(QStringLiteral("Column%1").arg(i), view->columnWidth(i));
    settings->endGroup();
}
} // namespace WindowLayout
