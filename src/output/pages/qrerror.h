#pragma once

#include <QString>
#include <stdexcept>

// Raised on misuse of the page recorder and by the report engine.
class EQRError : public std::runtime_error
{
public:
    explicit EQRError(const QString &message) : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    QString Message() const { return m_message; }

private:
    QString m_message;
};
