#include "data/dberrors.h"

#include "common/component.h"

EDatabaseError::EDatabaseError(const QString &message)
    : std::runtime_error(message.toStdString()), m_message(message)
{
}

void DatabaseError(const QString &message, const TComponent *component)
{
    if (component && !component->Name().isEmpty())
        throw EDatabaseError(component->Name() + QStringLiteral(": ") + message);
    throw EDatabaseError(message);
}
