#include "params/model/tablelookup.h"

#include "params/model/messages.h"

#include "data/dberrors.h"
#include "data/field.h"
#include "data/query.h"

TTableLookup::TTableLookup(TParamControl &control) : m_control(control), m_query(std::make_unique<TQuery>())
{
    const TTableSettings &settings = control.TableSettings();
    m_query->SetDatabaseName(settings.Database);
    m_query->SetSQL(control.SqlLines());
}

TTableLookup::~TTableLookup() = default;

bool TTableLookup::open(QString &error)
{
    m_rows.clear();
    try {
        m_query->Close();
        TParams &params = m_query->Params();
        for (int i = 0; i < params.Count(); ++i)
            params[i]->SetAsString(m_control.ParamValue(params[i]->Name()));
        m_query->Open();
        const TTableSettings &settings = m_control.TableSettings();
        TField *value = m_query->FieldByName(settings.Value);
        TField *text = m_query->FieldByName(settings.Text);
        for (m_query->First(); !m_query->Eof(); m_query->Next())
            m_rows.append({value->AsString(), text->AsString()});
        m_query->First();
    } catch (const EDatabaseError &e) {
        m_rows.clear();
        error = ParamMessages::QueryOpenError(m_control.Name(), e.Message());
        return false;
    } catch (const std::exception &e) {
        m_rows.clear();
        error = ParamMessages::QueryOpenError(m_control.Name(), QString::fromLocal8Bit(e.what()));
        return false;
    }
    return true;
}

bool TTableLookup::Open(QString &error)
{
    return open(error);
}

bool TTableLookup::Requery(QString &error)
{
    m_control.SetTableSelection(QString(), QString());
    const bool ok = open(error);
    SelectFirstRow();
    return ok;
}

bool TTableLookup::HasEmptyEntry() const
{
    return !m_control.TableSettings().EmptyText.isEmpty();
}

QStringList TTableLookup::EntryTexts() const
{
    QStringList entries;
    if (HasEmptyEntry())
        entries.append(m_control.TableSettings().EmptyText);
    for (const TRow &row : m_rows)
        entries.append(row.Text);
    return entries;
}

int TTableLookup::SelectedEntry() const
{
    const QString &value = m_control.TableValue();
    const int offset = HasEmptyEntry() ? 1 : 0;
    if (value.isEmpty() && m_control.TableText().isEmpty())
        return -1;
    for (int i = 0; i < m_rows.size(); ++i)
        if (m_rows.at(i).Value == value)
            return i + offset;
    if (HasEmptyEntry() && value == m_control.TableSettings().EmptyValue)
        return 0;
    return -1;
}

void TTableLookup::SelectEntry(int entry)
{
    const int offset = HasEmptyEntry() ? 1 : 0;
    if (HasEmptyEntry() && entry == 0) {
        m_control.SetTableSelection(m_control.TableSettings().EmptyValue,
                                    m_control.TableSettings().EmptyText);
        return;
    }
    const int row = entry - offset;
    if (row >= 0 && row < m_rows.size())
        m_control.SetTableSelection(m_rows.at(row).Value, m_rows.at(row).Text);
    else
        m_control.SetTableSelection(QString(), QString());
}

void TTableLookup::SetValue(const QString &value)
{
    for (const TRow &row : m_rows) {
        if (row.Value == value) {
            m_control.SetTableSelection(value, row.Text);
            return;
        }
    }
    const TTableSettings &settings = m_control.TableSettings();
    if (HasEmptyEntry() && value == settings.EmptyValue)
        m_control.SetTableSelection(value, settings.EmptyText);
    else
        m_control.SetTableSelection(value, QString());
}

void TTableLookup::SelectFirstRow()
{
    if (m_rows.isEmpty())
        return;
    m_query->First();
    m_control.SetTableSelection(m_rows.first().Value, m_rows.first().Text);
}

void TTableLookup::ApplyDefault()
{
    SetValue(m_control.DefaultText());
    if (m_control.TableValue() == m_control.TableSettings().EmptyValue)
        SelectFirstRow();
}

TTableBuildSite::TTableBuildSite() = default;
TTableBuildSite::~TTableBuildSite() = default;

bool TTableBuildSite::ControlBuilt(TParamControl &control, QString &error)
{
    if (control.Kind() != TControlKind::Table)
        return true;
    auto lookup = std::make_unique<TTableLookup>(control);
    if (!lookup->Open(error))
        return false;
    lookup->ApplyDefault();
    TTableLookup *kept = lookup.get();
    m_lookups.push_back(std::move(lookup));
    TableChanged(*kept);
    return true;
}

void TTableBuildSite::Requery(TParamControl &table)
{
    TTableLookup *lookup = Lookup(&table);
    if (!lookup)
        return;
    m_requeryError.clear();
    lookup->Requery(m_requeryError);
    TableChanged(*lookup);
}

TTableLookup *TTableBuildSite::Lookup(const TParamControl *control) const
{
    for (const auto &lookup : m_lookups)
        if (&lookup->Control() == control)
            return lookup.get();
    return nullptr;
}
