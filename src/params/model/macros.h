#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <optional>

// Macros of dialogue descriptors: text in "{" and "}" that is replaced by a value.
//
//   {INI.<file>,<section>,<key>}   a value read from a profile file
//   {<control>.VALUE}, {.TEXT}     in TABLE filters only: a query parameter :param<n>
//
// A macro starts at the first "{" and ends at the matching "}", counting nested braces; a "{"
// without a match takes the rest of the text, whose last character is dropped. Macros nested in a
// macro are replaced first and must be INI macros. After each replacement the text is scanned again
// from its start, so a value that holds a macro is expanded in turn.

struct TMacroSpan {
    qsizetype Start = 0;  // index of the "{"
    qsizetype Length = 0; // up to and including the "}", or to the end of the text
    QString Content;      // the text between the braces
};

std::optional<TMacroSpan> FindFirstMacro(const QString &text);

// A value read from a profile file counts as missing when it reads as this text.
QString MissingValueText();

// Splits "<head>.<rest>" at the first "."; without one the head is empty and the whole text is the
// rest (so a source "abc" names the undeclared control "").
void SplitAtFirstDot(const QString &text, QString &head, QString &rest);

// Reads "<file>,<section>,<key>": the file runs to the first ",", the section to the second, the
// key is the rest. A file named without a directory is looked up in baseDir. False when the value
// is missing (absent key, unreadable file, or the missing-value text).
bool ReadIniArgument(const QString &argument, const QString &baseDir, QString &value);

// The most replacements one text may take before it is considered endless.
inline constexpr int MaxMacroReplacements = 1000;

// One control macro of a TABLE filter, in filter order.
struct TFilterMacro {
    QString Control; // as written in the macro
    bool UseValue;   // .VALUE, else .TEXT
    QString Param;   // "param1", "param2", ...
};

struct TFilterExpansion {
    QString Filter;
    QList<TFilterMacro> Macros;
};

// Tells whether a control of that name (any case) is declared above the TABLE control.
using TDeclaredAbove = std::function<bool(const QString &name)>;

// Expands the macros of the filter of the TABLE control `table`. Control macros become :param1,
// :param2, ... in the order they are met (INI macros are not counted). False with the error message
// on the first failure.
bool ExpandTableFilter(const QString &filter, const QString &table, const TDeclaredAbove &declaredAbove,
                       const QString &baseDir, TFilterExpansion &result, QString &error);

// Expands the macros of an Assignment or Labels source; only INI macros are allowed there.
bool ExpandSourceMacros(const QString &source, const QString &variable, const QString &baseDir,
                        QString &result, QString &error);
