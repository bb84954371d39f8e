#pragma once

// SQL delimiter settings: how the query wizard quotes field names, strings,
// table names and dates, and which wildcard LIKE uses. A named preset fills
// all nine texts; changing one text away from its preset makes the settings
// custom.

#include "common/component.h"

#include <QString>

class TQRDatabaseSettings : public TPersistent
{
    Q_OBJECT
    Q_PROPERTY(TDelimiterType DelimiterType READ DelimiterType WRITE SetDelimiterType)
    Q_PROPERTY(QString SQLFieldDelimiterLeft READ SQLFieldDelimiterLeft WRITE SetSQLFieldDelimiterLeft)
    Q_PROPERTY(QString SQLFieldDelimiterRight READ SQLFieldDelimiterRight WRITE SetSQLFieldDelimiterRight)
    Q_PROPERTY(QString SQLStringDelimiterLeft READ SQLStringDelimiterLeft WRITE SetSQLStringDelimiterLeft)
    Q_PROPERTY(QString SQLStringDelimiterRight READ SQLStringDelimiterRight WRITE SetSQLStringDelimiterRight)
    Q_PROPERTY(QString SQLTableDelimiterLeft READ SQLTableDelimiterLeft WRITE SetSQLTableDelimiterLeft)
    Q_PROPERTY(QString SQLTableDelimiterRight READ SQLTableDelimiterRight WRITE SetSQLTableDelimiterRight)
    Q_PROPERTY(QString SQLDateDelimiterLeft READ SQLDateDelimiterLeft WRITE SetSQLDateDelimiterLeft)
    Q_PROPERTY(QString SQLDateDelimiterRight READ SQLDateDelimiterRight WRITE SetSQLDateDelimiterRight)
    Q_PROPERTY(QString SQLWildcard READ SQLWildcard WRITE SetSQLWildcard)

public:
    enum TDelimiterType { delCustom, delNoQuotes, delSingleQuotes, delDoubleQuotes, delOracle, delAccess };
    Q_ENUM(TDelimiterType)

    // The nine texts, in property order.
    enum TSetting {
        FieldLeft,
        FieldRight,
        StringLeft,
        StringRight,
        TableLeft,
        TableRight,
        DateLeft,
        DateRight,
        Wildcard,
        SettingCount
    };

    // owner: the component whose loading state decides what delCustom does
    // (may be null: never loading). Starts as delCustom with empty texts.
    explicit TQRDatabaseSettings(TComponent *owner = nullptr);

    // The preset the texts follow, or delCustom.
    TDelimiterType DelimiterType() const { return m_type; }
    // A preset fills the nine texts; delCustom keeps them, except while the
    // owner is loading, when they are emptied for the stored ones to be read.
    void SetDelimiterType(TDelimiterType type);

    // One text by index; setting one that differs from the current preset makes the type delCustom.
    QString Setting(TSetting which) const
    {
        return which >= 0 && which < SettingCount ? m_texts[which] : QString();
    }
    void SetSetting(TSetting which, const QString &text);
    // The preset text of a type (empty for delCustom).
    static QString PresetText(TDelimiterType type, TSetting which);

    // The nine texts as published properties: field, string, table and date
    // delimiters (left and right) and the LIKE wildcard.
    QString SQLFieldDelimiterLeft() const { return m_texts[FieldLeft]; }
    void SetSQLFieldDelimiterLeft(const QString &t) { SetSetting(FieldLeft, t); }
    QString SQLFieldDelimiterRight() const { return m_texts[FieldRight]; }
    void SetSQLFieldDelimiterRight(const QString &t) { SetSetting(FieldRight, t); }
    QString SQLStringDelimiterLeft() const { return m_texts[StringLeft]; }
    void SetSQLStringDelimiterLeft(const QString &t) { SetSetting(StringLeft, t); }
    QString SQLStringDelimiterRight() const { return m_texts[StringRight]; }
    void SetSQLStringDelimiterRight(const QString &t) { SetSetting(StringRight, t); }
    QString SQLTableDelimiterLeft() const { return m_texts[TableLeft]; }
    void SetSQLTableDelimiterLeft(const QString &t) { SetSetting(TableLeft, t); }
    QString SQLTableDelimiterRight() const { return m_texts[TableRight]; }
    void SetSQLTableDelimiterRight(const QString &t) { SetSetting(TableRight, t); }
    QString SQLDateDelimiterLeft() const { return m_texts[DateLeft]; }
    void SetSQLDateDelimiterLeft(const QString &t) { SetSetting(DateLeft, t); }
    QString SQLDateDelimiterRight() const { return m_texts[DateRight]; }
    void SetSQLDateDelimiterRight(const QString &t) { SetSetting(DateRight, t); }
    QString SQLWildcard() const { return m_texts[Wildcard]; }
    void SetSQLWildcard(const QString &t) { SetSetting(Wildcard, t); }

    // Copies the type and the nine texts as they stand (no preset is applied).
    void Assign(const TPersistent *source) override;

    // The component the settings belong to.
    TComponent *OwnerComponent() const { return m_owner; }

private:
    TComponent *m_owner;
    TDelimiterType m_type = delCustom;
    QString m_texts[SettingCount];
};
