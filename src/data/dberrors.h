#pragma once

// Every failure of the dataset layer reaches the caller as an EDatabaseError
// whose message names what failed (the dataset, the field, the parameter, the
// database) and why.

#include <QString>
#include <stdexcept>

class TComponent;

class EDatabaseError : public std::runtime_error
{
public:
    explicit EDatabaseError(const QString &message);
    QString Message() const { return m_message; }

private:
    QString m_message;
};

// Raises an EDatabaseError whose message is "<component name>: <message>"
// when the component has a name, else the message alone.
[[noreturn]] void DatabaseError(const QString &message, const TComponent *component = nullptr);
