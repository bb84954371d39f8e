#include "expressions/environment.h"

#include "common/localesettings.h"
#include "expressions/evaluator.h"
#include "expressions/library.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QGuiApplication>

namespace
{

QString tr(const char *text)
{
    return QCoreApplication::translate("TQREvaluator", text);
}

// Set while an environment unprepares its variables: their evaluators' Discard must not
// unprepare the global environment once more.
bool g_unpreparing = false;

// Variables that compute other variables nest computations; a chain this deep is refused
// rather than risking the stack.
int g_computeNesting = 0;
constexpr int MaxComputeNesting = 200;

const QDateTime g_processStart = QDateTime::currentDateTime();

struct GlobalHolder {
    TQREvEnvironment *Environment = nullptr;
    ~GlobalHolder()
    {
        g_unpreparing = true;
        delete Environment;
        Environment = nullptr;
    }
};

GlobalHolder &globalHolder()
{
    static GlobalHolder holder;
    return holder;
}

QString quoted(const QString &text)
{
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

} // namespace

TQREvEmbeddedFunction::TQREvEmbeddedFunction(const QString &expression)
    : m_expression(expression), m_evaluator(std::make_unique<TQREvaluator>())
{
}

TQREvEmbeddedFunction::~TQREvEmbeddedFunction()
{
    // The evaluator's Discard must not unprepare the global environment when the variable goes
    // with a prepared form (Purge, environment destruction).
    const bool saved = g_unpreparing;
    g_unpreparing = true;
    m_evaluator.reset();
    g_unpreparing = saved;
}

void TQREvEmbeddedFunction::Yield(TQRFiFo &, TQREvValue &value)
{
    if (m_inComputation) {
        value.SetError(tr("Recursive calls not allowed"));
        return;
    }
    if (!m_evaluator->Prepared()) {
        // The environment was never prepared; an error value, not an exception.
        value.SetError(tr("Evaluator not prepared"));
        return;
    }
    if (g_computeNesting >= MaxComputeNesting) {
        value.SetError(tr("Expression is nested too deeply"));
        return;
    }
    m_inComputation = true;
    ++g_computeNesting;
    try {
        m_evaluator->Compute(value);
    } catch (...) {
        --g_computeNesting;
        m_inComputation = false;
        throw;
    }
    --g_computeNesting;
    m_inComputation = false;
}

void TQREvEmbeddedFunction::ResetState()
{
    m_evaluator->ResetAggregates();
}

TQREvElementWrapper::TQREvElementWrapper(std::weak_ptr<TQREvEmbeddedFunction> function, const QString &name)
    : m_function(std::move(function)), m_name(name)
{
}

void TQREvElementWrapper::Yield(TQRFiFo &form, TQREvValue &value)
{
    if (auto function = m_function.lock())
        function->Yield(form, value);
    else
        value.SetError(tr("Unknown function : %1").arg(m_name));
}

TQREvEnvironment::TQREvEnvironment(QObject *parent) : TPersistent(parent) {}

TQREvEnvironment::~TQREvEnvironment()
{
    const bool saved = g_unpreparing;
    g_unpreparing = true;
    m_variables.clear();
    g_unpreparing = saved;
    if (m_ownsDatasets)
        delete m_datasets;
}

int TQREvEnvironment::IndexOf(const QString &name) const
{
    for (std::size_t i = 0; i < m_variables.size(); ++i)
        if (m_variables[i].Name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

QString TQREvEnvironment::Name(int index) const
{
    return index >= 0 && index < Count() ? m_variables[std::size_t(index)].Name : QString();
}

QString TQREvEnvironment::Expression(int index) const
{
    return index >= 0 && index < Count() ? m_variables[std::size_t(index)].Function->Expression() : QString();
}

std::shared_ptr<TQREvEmbeddedFunction> TQREvEnvironment::Find(const QString &name) const
{
    const int index = IndexOf(name);
    return index < 0 ? nullptr : m_variables[std::size_t(index)].Function;
}

void TQREvEnvironment::prepareVariable(Variable &variable)
{
    TQREvaluator &evaluator = variable.Function->Evaluator();
    evaluator.SetDatasets(Datasets());
    evaluator.SetEnvironment(this);
    evaluator.Compile(variable.Function->Expression());
}

void TQREvEnvironment::unprepareVariable(Variable &variable)
{
    variable.Function->Evaluator().Discard();
}

void TQREvEnvironment::AddVariable(const QString &name, const QString &text)
{
    const QString upper = name.toUpper();
    if (IndexOf(upper) >= 0)
        return;
    m_variables.push_back(Variable{upper, std::make_shared<TQREvEmbeddedFunction>(text)});
    if (IsEngaged())
        prepareVariable(m_variables.back());
}

void TQREvEnvironment::RemoveVariable(const QString &name)
{
    const int index = IndexOf(name);
    if (index < 0)
        return;
    // Keep the function alive until it is out of the list, so that nothing sees it half gone.
    auto function = std::move(m_variables[std::size_t(index)].Function);
    m_variables.erase(m_variables.begin() + index);
    if (function && function->Evaluator().Prepared()) {
        function->Evaluator().Discard();
    }
}

TQREvElement *TQREvEnvironment::LookupVariable(const QString &name) const
{
    const QString upper = name.toUpper();
    if (auto function = Find(upper))
        return new TQREvElementWrapper(function, upper);
    return new TQREvElementError(tr("Unknown function : %1").arg(name));
}

TQREvElement *TQREvEnvironment::VariableElement(const QString &name) const
{
    auto function = Find(name);
    if (!function)
        return nullptr;
    TQRFiFo *form = function->Evaluator().Form();
    if (!function->Evaluator().Prepared() || !form || form->Count() == 0)
        return nullptr;
    return form->At(0);
}

void TQREvEnvironment::SetVariableText(TQREvElement *element, const QString &text)
{
    if (auto *string = dynamic_cast<TQREvElementString *>(element))
        string->SetText(text);
}

void TQREvEnvironment::SetVariableInteger(TQREvElement *element, qint32 number)
{
    if (auto *constant = dynamic_cast<TQREvElementConstant *>(element))
        constant->Value = TQREvValue::Integer(number);
}

void TQREvEnvironment::SetVariableValue(TQREvElement *element, const TQREvValue &value)
{
    if (auto *constant = dynamic_cast<TQREvElementConstant *>(element)) {
        constant->Value = value;
        constant->Value.SetText(value.Text);
    } else if (auto *string = dynamic_cast<TQREvElementString *>(element)) {
        if (value.ValueKind == rkString)
            string->SetText(value.Text);
    }
}

void TQREvEnvironment::ComputeVariable(const QString &name, TQREvValue &value)
{
    auto function = Find(name.toUpper());
    if (!function) {
        value = TQREvValue::Error();
        return;
    }
    TQRFiFo unused;
    function->Yield(unused, value);
}

void TQREvEnvironment::Engage()
{
    ++m_prepareCount;
    if (m_prepareCount != 1)
        return;
    // A variable added while the others compile is prepared by AddVariable itself.
    for (std::size_t i = 0; i < m_variables.size(); ++i) {
        auto function = m_variables[i].Function;
        if (!function->Evaluator().Prepared())
            prepareVariable(m_variables[i]);
    }
}

void TQREvEnvironment::Disengage()
{
    if (g_unpreparing && this == globalHolder().Environment)
        return;
    if (m_prepareCount <= 0)
        return;
    --m_prepareCount;
    if (m_prepareCount != 0)
        return;
    const bool saved = g_unpreparing;
    g_unpreparing = true;
    for (auto &variable : m_variables)
        unprepareVariable(variable);
    g_unpreparing = saved;
}

TQRDatasetList *TQREvEnvironment::Datasets()
{
    if (!m_datasets) {
        m_datasets = new TQRDatasetList;
        m_ownsDatasets = true;
    }
    return m_datasets;
}

void TQREvEnvironment::SetDatasets(TQRDatasetList *datasets)
{
    if (datasets == m_datasets)
        return;
    if (m_ownsDatasets)
        delete m_datasets;
    m_datasets = datasets;
    m_ownsDatasets = false;
}

void TQREvEnvironment::Purge()
{
    const bool saved = g_unpreparing;
    g_unpreparing = true;
    m_variables.clear();
    g_unpreparing = saved;
}

bool TQREvEnvironment::RenameVariable(int index, const QString &newName)
{
    if (index < 0 || index >= Count())
        return false;
    const QString upper = newName.toUpper();
    const int existing = IndexOf(upper);
    if (upper.isEmpty() || (existing >= 0 && existing != index))
        return false;
    m_variables[std::size_t(index)].Name = upper;
    return true;
}

bool TQREvEnvironment::SetVariableExpression(int index, const QString &text)
{
    if (index < 0 || index >= Count() || IsEngaged())
        return false;
    m_variables[std::size_t(index)].Function = std::make_shared<TQREvEmbeddedFunction>(text);
    return true;
}

QStringList TQREvEnvironment::Strings() const
{
    QStringList names;
    for (const auto &variable : m_variables)
        names.append(variable.Name);
    return names;
}

void TQREvEnvironment::SetStrings(const QStringList &names)
{
    Purge();
    for (const QString &name : names) {
        // The texts come with DATA; until then a variable holds an empty expression.
        m_variables.push_back(Variable{name.toUpper(), std::make_shared<TQREvEmbeddedFunction>(QString())});
        if (IsEngaged())
            prepareVariable(m_variables.back());
    }
}

QStringList TQREvEnvironment::Data() const
{
    QStringList texts;
    for (const auto &variable : m_variables)
        texts.append(variable.Function->Expression());
    return texts;
}

void TQREvEnvironment::SetData(const QStringList &texts)
{
    const bool saved = g_unpreparing;
    g_unpreparing = true;
    for (qsizetype i = 0; i < texts.size() && i < qsizetype(m_variables.size()); ++i)
        m_variables[std::size_t(i)].Function = std::make_shared<TQREvEmbeddedFunction>(texts[i]);
    g_unpreparing = saved;
    if (IsEngaged())
        for (auto &variable : m_variables)
            if (!variable.Function->Evaluator().Prepared())
                prepareVariable(variable);
}

TQREvEnvironment &GlobalEvEnvironment()
{
    EvFunctionLibrary(); // the standard functions come first
    GlobalHolder &holder = globalHolder();
    if (!holder.Environment) {
        holder.Environment = new TQREvEnvironment;
        const TLocaleSettings &locale = LocaleSettings();
        QString title = QGuiApplication::applicationDisplayName();
        if (title.isEmpty())
            title = QStringLiteral("Tabulon");
        holder.Environment->AddVariable(QStringLiteral("APPSTARTTIME"),
                                        quoted(locale.TimeToStr(g_processStart.time())));
        holder.Environment->AddVariable(QStringLiteral("APPSTARTDATE"),
                                        quoted(locale.DateToStr(g_processStart.date())));
        holder.Environment->AddVariable(QStringLiteral("APPNAME"), quoted(title));
    }
    return *holder.Environment;
}

void QREvPrepareGlobalEnvironment()
{
    GlobalEvEnvironment().Engage();
}

void QREvUnprepareGlobalEnvironment()
{
    if (TQREvEnvironment *global = globalHolder().Environment)
        global->Disengage();
}
