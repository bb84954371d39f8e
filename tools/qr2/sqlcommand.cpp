#include "sqlcommand.h"

#include "definition/objectstream.h"
#include "definition/qr2format.h"
#include "definition/reportdata.h"

#include <QFile>
#include <cstdio>

namespace
{
int fail(const QString &message)
{
    std::fprintf(stderr, "tabulon-qr2: %s\n", qPrintable(message));
    return 1;
}

// The wizard's inputs of one stored record, applied as the report reader
// applies them (while loading, so that custom delimiters are read as stored),
// without opening anything.
bool generate(const TOSComponent &record, QStringList *lines, QString *problem)
{
    TWizQuery query;
    query.BeginLoading();
    TObjectReader reader(nullptr, nullptr);
    for (const TOSProperty &p : record.Properties) {
        const QString name = QString::fromLatin1(p.Name);
        if (name.compare(QLatin1String("Filters"), Qt::CaseInsensitive) == 0) {
            // Filters that cannot be read would silently drop conditions: refuse them.
            QList<TWizFilter> filters;
            QString fault;
            if (p.Value.Tag != vaBinary || !ReadWizFilters(p.Value.Bytes, &filters, &fault)) {
                *problem =
                    QStringLiteral("%1: the stored filters cannot be read (%2)")
                        .arg(record.NameText(), fault.isEmpty() ? QStringLiteral("not binary data") : fault);
                return false;
            }
            query.SetFilterList(filters);
        } else if (name.startsWith(QLatin1String("SQLSettings."), Qt::CaseInsensitive) ||
                   name.compare(QLatin1String("TableName"), Qt::CaseInsensitive) == 0 ||
                   name.compare(QLatin1String("OrderFields.Strings"), Qt::CaseInsensitive) == 0) {
            if (!reader.ApplyProperty(&query, name, p.Value)) {
                *problem = QStringLiteral("%1: the stored %2 cannot be read").arg(record.NameText(), name);
                return false;
            }
        }
    }
    *lines = query.WizardSQL();
    return true;
}
} // namespace

int RunSqlCommand(const QStringList &args)
{
    const QString fileName = args.at(0);
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("%1: %2").arg(fileName, f.errorString()));
    QList<TOSComponent> records;
    try {
        const TQR2File file = ParseQR2(f.readAll());
        if (const TQR2Block *block = file.FindBlock(QR2::DatasetBlock)) {
            TByteReader in(block->Data);
            records = ReadOSComponentList(in);
        }
    } catch (const EQR2ReadError &e) {
        return fail(QStringLiteral("%1: %2 (offset %3)").arg(fileName, e.Message()).arg(e.Offset()));
    }

    const QString wanted = args.size() > 1 ? args.at(1) : QString();
    QStringList out;
    int found = 0;
    for (const TOSComponent &record : records) {
        if (record.ClassName != "TWizQuery")
            continue;
        if (!wanted.isEmpty() && record.NameText().compare(wanted, Qt::CaseInsensitive) != 0)
            continue;
        QStringList lines;
        QString problem;
        if (!generate(record, &lines, &problem))
            return fail(QStringLiteral("%1: %2").arg(fileName, problem));
        if (found++ > 0)
            out << QString();
        out << lines;
    }
    if (found == 0)
        return fail(wanted.isEmpty() ? QStringLiteral("%1: no wizard query in the file").arg(fileName)
                                     : QStringLiteral("%1: no wizard query named %2").arg(fileName, wanted));
    const QByteArray text = (out.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    return 0;
}
