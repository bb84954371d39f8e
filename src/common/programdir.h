#pragma once

// Where the program's own files are, and how bare file names are found.

#include <QString>

// The program directory with a trailing separator: the directory of the
// executable, or TABULON_HOME when that is set.
QString ProgramDir();
// Overrides the program directory (tests and tools); an empty text restores the default.
void SetProgramDir(const QString &dir);

// The path of the file named `name` in `dir`, found without regard to letter
// case. When no such file exists the path is dir + name as given, so that a
// new file is created with the name as written.
QString FindFileInDir(const QString &dir, const QString &name);
// True when the file exists under any letter case.
bool FileExistsNoCase(const QString &dir, const QString &name);

// Stored paths may use '\' or '/'; both separate. Turns either into '/'.
QString NormalizeSeparators(const QString &path);
// A "local directory path": "X:\..." or an absolute POSIX path.
bool IsLocalDirectoryPath(const QString &path);
// Resolves a stored file name: absolute names as they stand (found without
// regard to case, component by component), bare and relative names against
// baseDir.
QString ResolveFileName(const QString &baseDir, const QString &name);

// The per-user configuration directory: $XDG_CONFIG_HOME/Tabulon (or the
// platform's equivalent), unless overridden. Remembered window layouts and
// the registry stand-in live there.
QString UserSettingsDir();
// Overrides the directory (tests); an empty text restores the default.
void SetUserSettingsDir(const QString &dir);
