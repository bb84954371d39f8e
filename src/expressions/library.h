#pragma once

// The function library: names mapped to the element classes that compute them.

#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class TQREvElement;
class TQREvElementFunction;

// The "class" of a function element: creates a new instance (the virtual constructor).
using TQREvFunctionClass = TQREvElementFunction *(*)();

template <class T> TQREvElementFunction *QREvCreateFunction()
{
    return new T;
}

struct TQRLibraryEntry {
    QString Name;
    // "SYNTAX|explanation"
    QString Description;
    // The builder's category digit followed by one letter per argument (N, S, B, V).
    QString ArgumentSignature;
    TQREvFunctionClass FunctionClass = nullptr;
    QString Vendor;
};

// Entries by name, in registration order; owns them.
class TQRLibrary
{
public:
    TQRLibrary() = default;
    virtual ~TQRLibrary();
    TQRLibrary(const TQRLibrary &) = delete;
    TQRLibrary &operator=(const TQRLibrary &) = delete;

    // Adds the entry under its name; a name already present keeps its entry (false).
    bool Add(std::unique_ptr<TQRLibraryEntry> entry);
    // Case is ignored; -1 when absent.
    int IndexOf(const QString &name) const;
    bool Contains(const QString &name) const { return IndexOf(name) >= 0; }
    int Count() const { return int(m_entries.size()); }
    const TQRLibraryEntry *Entry(int index) const;
    const TQRLibraryEntry *Find(const QString &name) const;
    QStringList Names() const;

private:
    std::vector<std::unique_ptr<TQRLibraryEntry>> m_entries;
    QHash<QString, int> m_index; // upper-case name -> position
};

class TQRFunctionLibrary : public TQRLibrary
{
public:
    // A new element of the named function, or an error element "Unknown function : NAME".
    TQREvElement *CreateFunction(const QString &name) const;
};

// The process-wide library. It is created on first use with the standard and then the extended
// functions already registered, so that they always come first and in their fixed order.
TQRFunctionLibrary &EvFunctionLibrary();

// Registers a function in EvFunctionLibrary; names are given in capitals. Returns false, changing
// nothing, when the name is already present.
bool AddEvalFunction(TQREvFunctionClass functionClass, const QString &name, const QString &description,
                     const QString &vendor, const QString &argumentSignature);

// The same for a given library (used while the process-wide one is being filled).
bool QREvAddFunction(TQRLibrary &library, TQREvFunctionClass functionClass, const QString &name,
                     const QString &description, const QString &vendor, const QString &argumentSignature);

template <class T>
bool AddEvalFunction(const QString &name, const QString &description, const QString &vendor,
                     const QString &argumentSignature)
{
    return AddEvalFunction(&QREvCreateFunction<T>, name, description, vendor, argumentSignature);
}

// The character that separates function arguments.
extern QChar ArgumentDelimiter;
