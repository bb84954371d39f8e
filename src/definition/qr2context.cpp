#include "qr2context.h"

#include "common/component.h"
#include "common/prompt.h"
#include "common/properties.h"
#include "data/dataset.h"
#include "engine/report.h"

#include <QMetaObject>

namespace
{
QString builtInText(const QString &key)
{
    if (key == QLatin1String("Reportfile not found"))
        return QStringLiteral("Report file %s not found!");
    if (key == QLatin1String("Write Error"))
        return QStringLiteral("Error writing %s!");
    if (key == QLatin1String("Error in reportfile"))
        return QStringLiteral("Error in report file!");
    return QString();
}

const QString externalMark = QStringLiteral("_X_X_");
// References that may point into the database owner, in the order they are tried.
const char *const externalProperties[] = {"MasterSource", "DataSource", "DataSet"};
} // namespace

QString QR2MessageText(const TQR2Context &context, const QString &key, const QString &fileName)
{
    QString text = context.MessageText ? context.MessageText(key) : builtInText(key);
    if (text.isEmpty())
        return QStringLiteral("Unknown Error [") + key + QLatin1Char(']');
    text.replace(QLatin1String("%s"), fileName);
    return text;
}

void QR2ShowMessage(const TQR2Context &context, const QString &key, const QString &fileName)
{
    Prompt().ShowError(QR2MessageText(context, key, fileName));
}

bool InheritsAny(const QObject *object, const QStringList &classNames)
{
    for (const QMetaObject *mo = object->metaObject(); mo; mo = mo->superClass())
        if (classNames.contains(QLatin1String(mo->className())))
            return true;
    return false;
}

QList<TComponent *> StoredDataSources(const TComponent *owner)
{
    QList<TComponent *> list;
    if (!owner)
        return list;
    for (TComponent *c : owner->ComponentList())
        if (qobject_cast<TDataSource *>(c) && !c->Name().startsWith(QLatin1String("__")))
            list.append(c);
    return list;
}

QList<TComponent *> EncodeExternalReferences(TComponent *owner, TComponent *databaseOwner)
{
    QList<TComponent *> changed;
    if (!owner || !databaseOwner)
        return changed;
    const QList<TComponent *> components = owner->ComponentList();
    for (TComponent *c : components) {
        // Datasets and elements only: the report's own dataset is stored by index.
        if (qobject_cast<TQRCustomReport *>(c))
            continue;
        for (const char *prop : externalProperties) {
            TPropInfo info;
            if (!FindPublishedProperty(c->metaObject(), QLatin1String(prop), &info) ||
                info.Kind != TPropKind::Component)
                continue;
            auto *target = qobject_cast<TComponent *>(info.Property.read(c).value<QObject *>());
            if (!target || target->Owner() != databaseOwner)
                continue;
            const QString padded = target->Name().leftJustified(ExternalNameWidth, QLatin1Char('_'));
            QString name = externalMark + padded;
            if (c->Name().isEmpty())
                name = owner->UniqueName(name + externalMark);
            else
                name += c->Name();
            SetPropertyValue(c, QLatin1String(prop), QVariant::fromValue<QObject *>(nullptr));
            try {
                c->SetName(name);
            } catch (const EComponentError &) {
                // Leave the reference in place when the coded name cannot be used.
                SetPropertyValue(c, QLatin1String(prop), QVariant::fromValue<QObject *>(target));
                break;
            }
            changed.append(c);
            break;
        }
    }
    return changed;
}

void DecodeExternalReferences(TComponent *owner, TComponent *databaseOwner)
{
    if (!owner)
        return;
    const QList<TComponent *> components = owner->ComponentList();
    for (TComponent *c : components) {
        const QString name = c->Name();
        if (!name.startsWith(externalMark))
            continue;
        QString ref = name.mid(externalMark.size(), ExternalNameWidth);
        while (ref.endsWith(QLatin1Char('_')))
            ref.chop(1);
        QString own = name.mid(externalMark.size() + ExternalNameWidth);
        if (own.startsWith(externalMark))
            own.clear();
        if (TComponent *target = databaseOwner ? databaseOwner->FindComponent(ref) : nullptr) {
            for (const char *prop : externalProperties)
                if (SetPropertyValue(c, QLatin1String(prop), QVariant::fromValue<QObject *>(target)))
                    break;
        }
        try {
            c->SetName(own.isEmpty() ? own : owner->UniqueName(own));
        } catch (const EComponentError &) {
            c->SetName(QString());
        }
    }
}
