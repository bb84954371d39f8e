#include "expressions/variables.h"

namespace
{

// The value as the store keeps it: the kind and the one field that belongs to it.
TQREvValue storedForm(const TQREvValue &value)
{
    switch (value.ValueKind) {
    case rkInteger:
        return TQREvValue::Integer(value.IntValue);
    case rkFloat:
        return TQREvValue::Float(value.FloatValue);
    case rkString:
        return TQREvValue::String(value.Text);
    case rkBoolean:
        return TQREvValue::Boolean(value.BoolValue);
    case rkError:
        break;
    }
    return TQREvValue::Error();
}

} // namespace

QString QRVariableKey(const QString &name)
{
    return name.left(QRMaxVariableNameLength).toUpper();
}

int TQRVariableStore::indexOf(const QString &key) const
{
    for (std::size_t i = 0; i < m_variables.size(); ++i)
        if (m_variables[i].Name == key)
            return int(i);
    return -1;
}

const TQREvValue *TQRVariableStore::Find(const QString &name) const
{
    QMutexLocker lock(&m_mutex);
    const int index = indexOf(QRVariableKey(name));
    return index < 0 ? nullptr : &m_variables[std::size_t(index)].Value;
}

void TQRVariableStore::Set(const QString &name, const TQREvValue &value)
{
    QMutexLocker lock(&m_mutex);
    const QString key = QRVariableKey(name);
    const int index = indexOf(key);
    if (index >= 0)
        m_variables[std::size_t(index)].Value = storedForm(value);
    else
        m_variables.push_back({key, storedForm(value)});
}

bool TQRVariableStore::Delete(const QString &name)
{
    QMutexLocker lock(&m_mutex);
    const int index = indexOf(QRVariableKey(name));
    if (index < 0)
        return false;
    m_variables.erase(m_variables.begin() + index);
    return true;
}

int TQRVariableStore::Count() const
{
    QMutexLocker lock(&m_mutex);
    return int(m_variables.size());
}

void TQRVariableStore::Clear()
{
    QMutexLocker lock(&m_mutex);
    m_variables.clear();
}

TQRVariableStore &QRVariables()
{
    static TQRVariableStore store;
    return store;
}
