#include "definition/queryparams.h"

#include "common/component.h"
#include "common/prompt.h"
#include "data/query.h"

#include <exception>

const QString TQRQueryParamKeeper::NullMarker = QStringLiteral("{QRDNULL}");
const QString TQRQueryParamKeeper::BlankMarker = QStringLiteral("{QRDBLANK}");

QString DataSettingsDefaultMessage(const QString &key)
{
    static const QList<QPair<QString, QString>> defaults = {
        {QStringLiteral("GetQueryParamCaption"), QStringLiteral("Parameter of %s")},
        {QStringLiteral("GetQueryParamPrompt"), QStringLiteral("Please type in the parameter \"%s'\":")},
        {QStringLiteral("Invalid value"), QStringLiteral("Invalid value!")},
        {QStringLiteral("Error opening database"), QStringLiteral("Error opening table %s")},
        {QStringLiteral("DefaultTableName"), QStringLiteral("Table")},
    };
    for (const auto &entry : defaults)
        if (entry.first.compare(key, Qt::CaseInsensitive) == 0)
            return entry.second;
    return QString();
}

QString FormatMessageText(const QString &format, const QString &argument)
{
    QString result;
    bool inserted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('%') && i + 1 < format.size()) {
            const QChar next = format.at(i + 1);
            if (next == QLatin1Char('%')) {
                result += QLatin1Char('%');
                ++i;
                continue;
            }
            if (!inserted && (next == QLatin1Char('s') || next == QLatin1Char('S'))) {
                result += argument;
                inserted = true;
                ++i;
                continue;
            }
        }
        result += c;
    }
    return result;
}

namespace
{
QString message(const TQRMessageLookup &messages, const QString &key)
{
    if (messages) {
        const QString text = messages(key);
        if (!text.isEmpty())
            return text;
    }
    return DataSettingsDefaultMessage(key);
}

QString savedText(const TParam *param)
{
    if (!param->Bound() || param->IsNull())
        return TQRQueryParamKeeper::NullMarker;
    const QString text = param->AsString();
    return text.isEmpty() ? TQRQueryParamKeeper::BlankMarker : text;
}

// The first name "Query<n>" (n from 1) no component of owner bears.
QString freeQueryName(const TComponent *owner)
{
    for (int n = 1;; ++n) {
        const QString name = QStringLiteral("Query%1").arg(n);
        if (!owner || !owner->FindComponent(name))
            return name;
    }
}
} // namespace

QList<TQuery *> TQRQueryParamKeeper::ReportQueries(TComponent *owner)
{
    QList<TQuery *> queries;
    if (!owner)
        return queries;
    for (TComponent *c : owner->ComponentList()) {
        const auto *source = qobject_cast<TDataSource *>(c);
        if (!source || source->Name().startsWith(QLatin1String("__")))
            continue; // the host's own data sources are not the report's
        auto *query = qobject_cast<TQuery *>(source->DataSet());
        if (query && !queries.contains(query))
            queries.append(query);
    }
    return queries;
}

bool TQRQueryParamKeeper::savedValue(const QString &query, const QString &param, QString *value) const
{
    const QString key = query + QLatin1Char('.') + param;
    for (const QString &line : m_saved) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq >= 0 && QStringView(line).left(eq).compare(key, Qt::CaseInsensitive) == 0) {
            *value = line.mid(eq + 1);
            return true;
        }
    }
    return false;
}

void TQRQueryParamKeeper::save(TQuery *query)
{
    const TParams &params = query->Params();
    for (int i = 0; i < params.Count(); ++i) {
        const TParam *param = params[i];
        m_saved << query->Name() + QLatin1Char('.') + param->Name() + QLatin1Char('=') + savedText(param);
    }
}

void TQRQueryParamKeeper::Restore(TComponent *owner)
{
    for (TQuery *query : ReportQueries(owner)) {
        const TParams &params = query->Params();
        for (int i = 0; i < params.Count(); ++i) {
            TParam *param = params[i];
            QString value;
            if (!savedValue(query->Name(), param->Name(), &value) || value.isEmpty())
                continue;
            try {
                if (value == NullMarker)
                    param->Clear();
                else if (value == BlankMarker)
                    param->SetAsString(QString());
                else
                    param->SetAsString(value);
            } catch (const std::exception &) {
                // The text was the parameter's own; should its type have changed since, it is left.
            }
        }
    }
    m_saved.clear();
}

bool TQRQueryParamKeeper::askParameters(TQuery *query, const TQRMessageLookup &messages)
{
    const TParams &params = query->Params();
    for (int i = 0; i < params.Count(); ++i) {
        TParam *param = params[i];
        if (!param->Bound() || !param->IsNull())
            continue;
        const QString caption =
            FormatMessageText(message(messages, QStringLiteral("GetQueryParamCaption")), query->Name());
        const QString prompt =
            FormatMessageText(message(messages, QStringLiteral("GetQueryParamPrompt")), param->Name());
        for (;;) {
            QString text;
            if (!Prompt().InputBox(caption, prompt, text))
                return false;
            try {
                param->SetAsString(text);
                break;
            } catch (const std::exception &) {
                Prompt().ShowError(message(messages, QStringLiteral("Invalid value")));
            }
        }
    }
    return true;
}

bool TQRQueryParamKeeper::changed(TQuery *query) const
{
    const TParams &params = query->Params();
    for (int i = 0; i < params.Count(); ++i) {
        const TParam *param = params[i];
        QString value;
        if (!savedValue(query->Name(), param->Name(), &value))
            continue;
        if ((value == NullMarker && !param->IsNull()) || value != param->AsString())
            return true;
    }
    return false;
}

bool TQRQueryParamKeeper::Prepare(TComponent *owner, const TQRBeforeGetQueryParams &beforeGetQueryParams,
                                  const TQRMessageLookup &messages)
{
    Restore(owner);
    for (TQuery *query : ReportQueries(owner)) {
        if (query->Name().isEmpty())
            query->SetName(freeQueryName(query->Owner() ? query->Owner() : owner));
        save(query);
        if (beforeGetQueryParams) {
            bool doCancel = false;
            beforeGetQueryParams(query, doCancel);
            if (doCancel) {
                Restore(owner);
                return false;
            }
        }
        if (!askParameters(query, messages)) {
            Restore(owner);
            return false;
        }
        if (changed(query)) {
            query->Close();
            try {
                query->Open();
            } catch (const EDatabaseError &e) {
                Prompt().ShowError(e.Message());
            } catch (const std::exception &e) {
                Prompt().ShowError(QString::fromLocal8Bit(e.what()));
            }
        }
    }
    return true;
}
