#include "programdir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace
{
QString g_programDirOverride;
QString g_userSettingsDirOverride;

QString withSeparator(QString dir)
{
    if (!dir.isEmpty() && !dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}
} // namespace

QString ProgramDir()
{
    if (!g_programDirOverride.isEmpty())
        return withSeparator(g_programDirOverride);
    const QString home = qEnvironmentVariable("TABULON_HOME");
    if (!home.isEmpty())
        return withSeparator(QDir(home).absolutePath());
    if (QCoreApplication::instance())
        return withSeparator(QCoreApplication::applicationDirPath());
    return withSeparator(QDir::currentPath());
}

void SetProgramDir(const QString &dir)
{
    g_programDirOverride = dir.isEmpty() ? QString() : QDir(dir).absolutePath();
}

QString NormalizeSeparators(const QString &path)
{
    QString p = path;
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return p;
}

QString FindFileInDir(const QString &dir, const QString &name)
{
    const QString d = withSeparator(NormalizeSeparators(dir));
    const QString exact = d + name;
    if (QFileInfo::exists(exact))
        return exact;
    QDir qd(d.isEmpty() ? QStringLiteral(".") : d);
    const QStringList entries = qd.entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QString &e : entries)
        if (e.compare(name, Qt::CaseInsensitive) == 0)
            return d + e;
    return exact;
}

bool FileExistsNoCase(const QString &dir, const QString &name)
{
    return QFileInfo::exists(FindFileInDir(dir, name));
}

bool IsLocalDirectoryPath(const QString &path)
{
    if (path.size() >= 3 && path.at(0).isLetter() && path.at(1) == QLatin1Char(':') &&
        (path.at(2) == QLatin1Char('\\') || path.at(2) == QLatin1Char('/')))
        return true;
    return path.startsWith(QLatin1Char('/'));
}

QString ResolveFileName(const QString &baseDir, const QString &name)
{
    const QString n = NormalizeSeparators(name);
    if (n.isEmpty())
        return n;
    QString current;
    QStringList parts = n.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (n.startsWith(QLatin1Char('/')))
        current = QStringLiteral("/");
    else
        current = withSeparator(NormalizeSeparators(baseDir));
    for (int i = 0; i < parts.size(); ++i) {
        current = FindFileInDir(current, parts.at(i));
        if (i + 1 < parts.size())
            current = withSeparator(current);
    }
    return current;
}

QString UserSettingsDir()
{
    if (!g_userSettingsDirOverride.isEmpty())
        return g_userSettingsDirOverride;
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/Tabulon");
}

void SetUserSettingsDir(const QString &dir)
{
    g_userSettingsDirOverride = dir;
}
