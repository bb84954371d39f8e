#include "interpreter.h"

#include "common/prompt.h"
#include "expressions/environment.h"
#include "expressions/evaluator.h"

#include <exception>
#include <memory>

namespace
{

constexpr qsizetype MaxLineLength = 255;
// How many lines run between two calls of the events hook.
constexpr int EventsInterval = 64;

// A script error: ends the run and is shown to the user.
struct EScriptError {
    QString Text;
};

// Step 1 of every line: at most 255 characters, blanks off both ends, one
// trailing ';' off.
QString cleanLine(const QString &line)
{
    QString s = line.left(MaxLineLength).trimmed();
    if (s.endsWith(QLatin1Char(';')))
        s.chop(1);
    return s;
}

bool isIfLine(const QString &upper)
{
    return upper.startsWith(QLatin1String("IF ("));
}

class TScriptRun
{
public:
    TScriptRun(const QStringList &script, const TScriptRunOptions &options)
        : m_script(script), m_options(options)
    {
    }

    // Runs from the line after the header; raises EScriptError.
    void Run(int header)
    {
        m_evaluator = std::make_unique<TQREvaluator>();
        if (m_options.Datasets)
            m_evaluator->SetDatasets(m_options.Datasets);
        m_line = header + 1;
        int sinceEvents = 0;
        while (m_line < m_script.size() && !m_script.at(m_line).startsWith(QLatin1Char('['))) {
            if (m_options.ProcessEvents && ++sinceEvents >= EventsInterval) {
                sinceEvents = 0;
                m_options.ProcessEvents();
            }
            if (m_options.Cancel && m_options.Cancel->load())
                return;
            runLine();
            if (m_stop)
                return;
            ++m_line;
        }
    }

    int Line() const { return m_line; }
    const TQREvValue &Result() const { return m_result; }

private:
    TQREvValue compute(const QString &text)
    {
        TQREvValue value;
        m_evaluator->ComputeText(text, value);
        return value;
    }

    void runLine()
    {
        const QString line = cleanLine(m_script.at(m_line));
        const QString upper = line.toUpper();
        if (line.startsWith(QLatin1String("//")))
            return;
        if (isIfLine(upper)) {
            runIf(line.mid(4, line.size() - 5));
        } else if (upper == QLatin1String("LOOP")) {
            m_stack.append(QLatin1Char('L') + QString::number(m_line));
        } else if (upper == QLatin1String("ENDIF")) {
            runEndIf();
        } else if (upper == QLatin1String("ENDLOOP")) {
            if (m_stack.isEmpty() || !m_stack.last().startsWith(QLatin1Char('L')))
                throw EScriptError{QStringLiteral("ENDLOOP without LOOP")};
            // The LOOP entry stays: the loop runs until something leaves it.
            m_line = m_stack.last().mid(1).toInt();
        } else if (upper == QLatin1String("ELSE")) {
            runElse();
        } else if (upper == QLatin1String("BREAK")) {
            if (!m_stack.isEmpty() && isIfEntry(m_stack.last())) {
                elseSkip();
            } else if (!m_stack.isEmpty() && m_stack.last().startsWith(QLatin1Char('L'))) {
                loopExit();
            } else {
                throw EScriptError{QStringLiteral("BREAK outside of LOOP or IF block")};
            }
        } else if (upper == QLatin1String("BREAKLOOP")) {
            bool inLoop = false;
            for (const QString &entry : std::as_const(m_stack))
                inLoop = inLoop || entry.startsWith(QLatin1Char('L'));
            if (!inLoop)
                throw EScriptError{QStringLiteral("BREAKLOOP outside of LOOP block")};
            loopExit();
        } else if (upper == QLatin1String("EXIT")) {
            m_stop = true;
        } else if (upper.startsWith(QLatin1String("RETURN("))) {
            m_result = compute(line.mid(7, line.size() - 8));
        } else if (!line.isEmpty()) {
            compute(line);
        }
    }

    static bool isIfEntry(const QString &entry)
    {
        return entry == QLatin1String("I") || entry == QLatin1String("i");
    }

    void runIf(const QString &condition)
    {
        const TQREvValue value = compute(condition);
        if (value.ValueKind != rkBoolean)
            throw EScriptError{QStringLiteral("Invalid IF statement")};
        if (value.BoolValue) {
            m_stack.append(QStringLiteral("I"));
        } else {
            m_stack.append(QStringLiteral("i"));
            falseSkip();
        }
    }

    void runElse()
    {
        if (m_stack.isEmpty() || !isIfEntry(m_stack.last()))
            throw EScriptError{QStringLiteral("ELSE without IF")};
        // "I": the true branch has just ended. "i": reached by a false skip, so
        // the else branch runs from the next line.
        if (m_stack.last() == QLatin1String("I"))
            elseSkip();
    }

    void runEndIf()
    {
        if (m_stack.isEmpty() || !isIfEntry(m_stack.last()))
            throw EScriptError{QStringLiteral("ENDIF without IF")};
        m_stack.removeLast();
    }

    // The false skip stops at the ELSE or ENDIF of the IF just entered, the
    // else skip only at its ENDIF; the statement stopped at then runs. The
    // ELSE of a nested IF leaves the depth as it is.
    void skipBlock(bool stopAtElse)
    {
        int depth = 1;
        while (m_line + 1 < m_script.size()) {
            ++m_line;
            const QString upper = cleanLine(m_script.at(m_line)).toUpper();
            if (isIfLine(upper)) {
                ++depth;
            } else if (upper == QLatin1String("ENDIF") && --depth == 0) {
                runEndIf();
                return;
            } else if (stopAtElse && depth == 1 && upper == QLatin1String("ELSE")) {
                runElse();
                return;
            }
        }
    }
    void falseSkip() { skipBlock(true); }
    void elseSkip() { skipBlock(false); }

    // Leaves the innermost loop: on to its ENDLOOP, popping up to its LOOP entry.
    void loopExit()
    {
        int depth = 1;
        while (m_line + 1 < m_script.size()) {
            ++m_line;
            const QString upper = cleanLine(m_script.at(m_line)).toUpper();
            if (upper == QLatin1String("LOOP"))
                ++depth;
            else if (upper == QLatin1String("ENDLOOP") && --depth == 0)
                break;
        }
        while (!m_stack.isEmpty()) {
            const bool loopEntry = m_stack.last().startsWith(QLatin1Char('L'));
            m_stack.removeLast();
            if (loopEntry)
                break;
        }
    }

    const QStringList &m_script;
    const TScriptRunOptions &m_options;
    std::unique_ptr<TQREvaluator> m_evaluator;
    QStringList m_stack;
    int m_line = 0;
    bool m_stop = false;
    TQREvValue m_result = TQREvValue::Error();
};

// Keeps the global environment prepared for the length of a run.
class TEngageGlobal
{
public:
    TEngageGlobal() { GlobalEvEnvironment().Engage(); }
    ~TEngageGlobal() { GlobalEvEnvironment().Disengage(); }
};

} // namespace

TScriptSection FindScriptSection(const QStringList &script, const QString &elementName,
                                 const QString &eventName)
{
    TScriptSection section;
    const QString header = QLatin1Char('[') + elementName + QLatin1Char('.') + eventName + QLatin1Char(']');
    const int index = int(script.indexOf(header));
    if (index < 0)
        return section;
    section.Header = index;
    int end = index + 1;
    while (end < script.size() && !script.at(end).startsWith(QLatin1Char('[')))
        ++end;
    section.Length = end - index;
    return section;
}

QString ScriptErrorMessage(const QStringList &script, int lineIndex, const QString &errorText)
{
    const QString n = QString::number(lineIndex);
    const QString text = lineIndex >= 0 && lineIndex < script.size() ? script.at(lineIndex) : QString();
    const QString message = QStringLiteral("Script error on line ") + n + QStringLiteral(": ") + errorText +
                            QLatin1Char('\n') + QStringLiteral("Line ") + n + QStringLiteral(": \"") + text +
                            QLatin1Char('"');
    return message.left(MaxLineLength);
}

TQREvValue RunScriptEvent(const QStringList &script, const QString &elementName, const QString &eventName,
                          const TScriptRunOptions &options)
{
    if (!options.ScriptsEnabled)
        return TQREvValue::Error();
    const TScriptSection section = FindScriptSection(script, elementName, eventName);
    if (!section.Found() || section.Length < 2)
        return TQREvValue::Error();

    TEngageGlobal engaged;
    TScriptRun run(script, options);
    QString failure;
    try {
        run.Run(section.Header);
    } catch (const EScriptError &e) {
        failure = e.Text;
    } catch (const std::exception &e) {
        // A failure below the expression language (for example from the
        // dataset layer) is shown like a script error.
        failure = QString::fromLocal8Bit(e.what());
    } catch (...) {
        failure = QStringLiteral("Unknown failure");
    }
    if (!failure.isNull())
        Prompt().MessageBox(ScriptErrorMessage(script, run.Line(), failure), QStringLiteral("Error"), mtError,
                            TMsgButtons::OK);
    return run.Result();
}
