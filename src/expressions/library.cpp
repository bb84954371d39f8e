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
    if (m_index.contains(key))
        return false;
    m_index.insert(key, int(m_entries.size()));
    m_entries.push_back(std::move(entry));
    return true;
}

int TQRLibrary::IndexOf(const QString &name) const
{
    return m_index.value(name.toUpper(), -1);
}

const TQRLibraryEntry *TQRLibrary::Entry(int index) const
{
    if (index < 0 || index >= Count())
        return nullptr;
    return m_entries[std::size_t(index)].get();
}

const TQRLibraryEntry *TQRLibrary::Find(const QString &name) const
{
    return Entry(IndexOf(name));
}

QStringList TQRLibrary::Names() const
{
    QStringList names;
    names.reserve(Count());
    for (const auto &entry : m_entries)
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
