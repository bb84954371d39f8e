#include "expressions/library.h"

#include "expressions/elements.h"
#include "expressions/extfunctions.h"
#include "expressions/stdfunctions.h"

#include <QCoreApplication>

QChar ArgumentDelimiter = u',';

TQRLibrary::~TQRLibrary() = default;

bool TQRLibrary::Add(std::unique_ptr<TQRLibraryEntry> entry)
{
    const QString key = entry->Name.toUpper();
    const int row = m_rowIndex.value(key, -1);
    if (row >= 0) {
        TRow &reserved = m_rows[std::size_t(row)];
        if (!reserved.reserved)
            return false;
        reserved.entry = std::move(entry);
        reserved.reserved = false;
        reindex();
        return true;
    }
    m_rowIndex.insert(key, int(m_rows.size()));
    m_rows.push_back({std::move(entry), false});
    m_index.insert(key, int(m_functions.size()));
    m_functions.push_back(m_rows.back().entry.get());
    return true;
}

bool TQRLibrary::Reserve(const QString &name)
{
    const QString key = name.toUpper();
    if (key.isEmpty() || m_rowIndex.contains(key))
        return false;
    auto entry = std::make_unique<TQRLibraryEntry>();
    entry->Name = key;
    m_rowIndex.insert(key, int(m_rows.size()));
    m_rows.push_back({std::move(entry), true});
    return true;
}

bool TQRLibrary::IsReserved(const QString &name) const
{
    const int row = m_rowIndex.value(name.toUpper(), -1);
    return row >= 0 && m_rows[std::size_t(row)].reserved;
}

QStringList TQRLibrary::ReservedNames() const
{
    QStringList names;
    for (const TRow &row : m_rows)
        if (row.reserved)
            names.append(row.entry->Name);
    return names;
}

void TQRLibrary::reindex()
{
    // A filled row moves every later position by one; the library holds a few hundred rows at
    // most and is filled once, so the list is simply rebuilt.
    m_functions.clear();
    m_index.clear();
    for (const TRow &row : m_rows) {
        if (row.reserved)
            continue;
        m_index.insert(row.entry->Name.toUpper(), int(m_functions.size()));
        m_functions.push_back(row.entry.get());
    }
}

int TQRLibrary::IndexOf(const QString &name) const
{
    return m_index.value(name.toUpper(), -1);
}

const TQRLibraryEntry *TQRLibrary::Entry(int index) const
{
    if (index < 0 || index >= Count())
        return nullptr;
    return m_functions[std::size_t(index)];
}

const TQRLibraryEntry *TQRLibrary::Find(const QString &name) const
{
    return Entry(IndexOf(name));
}

QStringList TQRLibrary::Names() const
{
    QStringList names;
    names.reserve(Count());
    for (const TQRLibraryEntry *entry : m_functions)
        names.append(entry->Name);
    return names;
}

TQREvElement *TQRFunctionLibrary::CreateFunction(const QString &name) const
{
    const TQRLibraryEntry *entry = Find(name);
    if (entry && entry->FunctionClass)
        return entry->FunctionClass();
    return new TQREvElementError(
        QCoreApplication::translate("TQREvaluator", "Unknown function : %1").arg(name));
}

TQRFunctionLibrary &EvFunctionLibrary()
{
    static TQRFunctionLibrary library;
    static const bool filled = (RegisterStandardFunctions(library), RegisterExtendedFunctions(library), true);
    Q_UNUSED(filled);
    return library;
}

bool AddEvalFunction(TQREvFunctionClass functionClass, const QString &name, const QString &description,
                     const QString &vendor, const QString &argumentSignature)
{
    return QREvAddFunction(EvFunctionLibrary(), functionClass, name, description, vendor, argumentSignature);
}

bool QREvAddFunction(TQRLibrary &library, TQREvFunctionClass functionClass, const QString &name,
                     const QString &description, const QString &vendor, const QString &argumentSignature)
{
    auto entry = std::make_unique<TQRLibraryEntry>();
    entry->Name = name;
    entry->Description = description;
    entry->ArgumentSignature = argumentSignature;
    entry->FunctionClass = functionClass;
    entry->Vendor = vendor;
    return library.Add(std::move(entry));
}
