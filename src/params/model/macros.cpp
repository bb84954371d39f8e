#include "params/model/macros.h"

#include "params/model/messages.h"

#include "common/profile.h"
#include "common/programdir.h"

namespace
{

// Evaluates one macro whose nested macros are already replaced: content -> replacement.
using TEvaluate = std::function<bool(const QString &content, QString &replacement, QString &error)>;

struct TExpander {
    TEvaluate top;
    TEvaluate nested;
    QString endlessMessage;
    int budget = MaxMacroReplacements;

    bool run(QString text, bool isNested, QString &out, QString &error)
    {
        while (const std::optional<TMacroSpan> macro = FindFirstMacro(text)) {
            if (--budget < 0) {
                error = endlessMessage;
                return false;
            }
            QString content = macro->Content;
            if (content.contains(u'{') && !run(content, true, content, error))
                return false;
            QString replacement;
            if (!(isNested ? nested : top)(content, replacement, error))
                return false;
            text.replace(macro->Start, macro->Length, replacement);
        }
        out = text;
        return true;
    }
};

bool isIniHead(const QString &head)
{
    return head.compare(QLatin1String("INI"), Qt::CaseInsensitive) == 0;
}

} // namespace

std::optional<TMacroSpan> FindFirstMacro(const QString &text)
{
    const qsizetype start = text.indexOf(u'{');
    if (start < 0)
        return std::nullopt;
    int depth = 0;
    for (qsizetype i = start; i < text.size(); ++i) {
        if (text.at(i) == u'{') {
            ++depth;
        } else if (text.at(i) == u'}' && --depth == 0) {
            TMacroSpan span;
            span.Start = start;
            span.Length = i - start + 1;
            span.Content = text.mid(start + 1, i - start - 1);
            return span;
        }
    }
    TMacroSpan span;
    span.Start = start;
    span.Length = text.size() - start;
    span.Content = text.mid(start + 1);
    span.Content.chop(1);
    return span;
}

QString MissingValueText()
{
    return QStringLiteral("<Нету>");
}

void SplitAtFirstDot(const QString &text, QString &head, QString &rest)
{
    const qsizetype dot = text.indexOf(u'.');
    if (dot < 0) {
        // Without a dot the whole text is the part after it and the name part is empty.
        head.clear();
        rest = text;
    } else {
        head = text.left(dot);
        rest = text.mid(dot + 1);
    }
}

bool ReadIniArgument(const QString &argument, const QString &baseDir, QString &value)
{
    const qsizetype c1 = argument.indexOf(u',');
    const QString file = (c1 < 0 ? argument : argument.left(c1)).trimmed();
    QString section;
    QString key;
    if (c1 >= 0) {
        const qsizetype c2 = argument.indexOf(u',', c1 + 1);
        section = c2 < 0 ? argument.mid(c1 + 1) : argument.mid(c1 + 1, c2 - c1 - 1);
        if (c2 >= 0)
            key = argument.mid(c2 + 1);
    }
    if (file.isEmpty() || section.trimmed().isEmpty() || key.trimmed().isEmpty())
        return false;
    const TIniFile ini(ResolveFileName(baseDir, file));
    if (!ini.ValueExists(section, key))
        return false;
    const QString read = ini.ReadString(section, key, QString());
    if (read == MissingValueText())
        return false;
    value = read;
    return true;
}

bool ExpandTableFilter(const QString &filter, const QString &table, const TDeclaredAbove &declaredAbove,
                       const QString &baseDir, TFilterExpansion &result, QString &error)
{
    QList<TFilterMacro> macros;
    TExpander expander;
    expander.endlessMessage = ParamMessages::TableMacrosEndless(table);
    expander.top = [&](const QString &content, QString &replacement, QString &err) {
        QString head;
        QString rest;
        SplitAtFirstDot(content, head, rest);
        if (isIniHead(head)) {
            if (!ReadIniArgument(rest, baseDir, replacement)) {
                err = ParamMessages::TableIniValueMissing(table);
                return false;
            }
            return true;
        }
        if (!declaredAbove(head)) {
            err = ParamMessages::ControlNotDeclaredBefore(head, table);
            return false;
        }
        const QString field = rest.toUpper();
        if (field != QLatin1String("VALUE") && field != QLatin1String("TEXT")) {
            err = ParamMessages::UnknownTableField(field, table);
            return false;
        }
        TFilterMacro macro;
        macro.Control = head;
        macro.UseValue = field == QLatin1String("VALUE");
        macro.Param = QStringLiteral("param") + QString::number(macros.size() + 1);
        replacement = u':' + macro.Param;
        macros.append(macro);
        return true;
    };
    expander.nested = [&](const QString &content, QString &replacement, QString &err) {
        QString head;
        QString rest;
        SplitAtFirstDot(content, head, rest);
        if (!isIniHead(head)) {
            err = ParamMessages::OnlyIniMacrosNested(table);
            return false;
        }
        if (!ReadIniArgument(rest, baseDir, replacement)) {
            err = ParamMessages::NestedIniValueMissing(table);
            return false;
        }
        return true;
    };
    QString expanded;
    if (!expander.run(filter, false, expanded, error))
        return false;
    result.Filter = expanded;
    result.Macros = macros;
    return true;
}

bool ExpandSourceMacros(const QString &source, const QString &variable, const QString &baseDir,
                        QString &result, QString &error)
{
    TExpander expander;
    expander.endlessMessage = ParamMessages::VariableMacrosEndless(variable);
    expander.top = [&](const QString &content, QString &replacement, QString &err) {
        QString head;
        QString rest;
        SplitAtFirstDot(content, head, rest);
        if (!isIniHead(head)) {
            err = ParamMessages::MacroNotForVariables(head, variable);
            return false;
        }
        if (!ReadIniArgument(rest, baseDir, replacement)) {
            err = ParamMessages::VariableIniValueMissing(variable);
            return false;
        }
        return true;
    };
    expander.nested = expander.top;
    return expander.run(source, false, result, error);
}
