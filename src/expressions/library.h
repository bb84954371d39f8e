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
//
// A row can be reserved for a function that another library registers later (the functions that
// act on the report): the reserved row keeps its place in the order but is no function until an
// entry of that name is added, which then takes the row instead of going to the end.
class TQRLibrary
{
public:
    TQRLibrary() = default;
    virtual ~TQRLibrary();
    TQRLibrary(const TQRLibrary &) = delete;
    TQRLibrary &operator=(const TQRLibrary &) = delete;

    // Adds the entry under its name, in its reserved row when there is one, else at the end; a
    // name already present keeps its entry (false).
    bool Add(std::unique_ptr<TQRLibraryEntry> entry);
    // Reserves a row at the end for a function added later; false when the name is already a
    // function or reserved.
    bool Reserve(const QString &name);
    // Whether a reserved row of that name still waits for its function (case is ignored).
    bool IsReserved(const QString &name) const;
    // The names of the rows still waiting, in row order.
    QStringList ReservedNames() const;

    // Case is ignored; -1 when absent. Positions count functions only, not waiting rows.
    int IndexOf(const QString &name) const;
    bool Contains(const QString &name) const { return IndexOf(name) >= 0; }
    // The number of functions.
    int Count() const { return int(m_functions.size()); }
    const TQRLibraryEntry *Entry(int index) const;
    const TQRLibraryEntry *Find(const QString &name) const;
    // Function names in row order.
    QStringList Names() const;

private:
    void reindex();

    // Every row in order; a waiting row has an entry with only its name and Reserved set.
    struct TRow {
        std::unique_ptr<TQRLibraryEntry> entry;
        bool reserved = false;
    };
    std::vector<TRow> m_rows;
    QHash<QString, int> m_rowIndex;                   // upper-case name -> row
    std::vector<const TQRLibraryEntry *> m_functions; // the filled rows in order
    QHash<QString, int> m_index;                      // upper-case name -> position in m_functions
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

// Registers a function in EvFunctionLibrary; names are given in capitals. A name whose row the
// extended library reserved (the functions that act on the report) takes that row, so the
// builder lists it in its fixed place. Returns false, changing nothing, when the name is
// already a function.
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
