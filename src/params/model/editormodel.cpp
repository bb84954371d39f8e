#include "params/model/editormodel.h"

#include "params/model/declaration.h"
#include "params/model/macros.h"
#include "params/model/tablequery.h"

#include "common/component.h"
#include "common/profile.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>

namespace
{

const QString DeclarationsSection = QStringLiteral("Declarations");
const QString DefaultsSection = QStringLiteral("Defaults");
const QString AssignmentSection = QStringLiteral("Assignment");
const QString AssignmentTypesSection = QStringLiteral("Assignment_types");
const QString LabelsSection = QStringLiteral("Labels");

QString invalidNameMessage(const QString &name)
{
    return QStringLiteral("\"%1\" is not a valid component name").arg(name);
}

QString takenNameMessage(const QString &name)
{
    return QStringLiteral("A component named %1 already exists").arg(name);
}

// Applies `edit` to a copy of the file and puts the copy in its place only when every step
// succeeded, so that a failing write never leaves a half-written descriptor.
bool rewriteProfile(const QString &fileName, const std::function<bool(TIniFile &, QString &)> &edit,
                    QString &error)
{
    const QFileInfo info(fileName);
    if (info.isDir()) {
        error = QStringLiteral("Cannot write profile file \"%1\": it is a directory").arg(fileName);
        return false;
    }
    QTemporaryFile copy(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                        QStringLiteral(".XXXXXX"));
    if (!copy.open()) {
        error = QStringLiteral("Cannot write profile file \"%1\": %2").arg(fileName, copy.errorString());
        return false;
    }
    QFile::Permissions permissions =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
    if (info.exists()) {
        QFile original(fileName);
        if (!original.open(QIODevice::ReadOnly)) {
            error =
                QStringLiteral("Cannot read profile file \"%1\": %2").arg(fileName, original.errorString());
            return false;
        }
        const QByteArray bytes = original.readAll();
        if (original.error() != QFileDevice::NoError || copy.write(bytes) != bytes.size() || !copy.flush()) {
            error = QStringLiteral("Cannot write profile file \"%1\": %2").arg(fileName, copy.errorString());
            return false;
        }
        permissions = original.permissions();
    }
    copy.close();
    {
        TIniFile ini(copy.fileName());
        if (!edit(ini, error))
            return false;
    }
    QFile::setPermissions(copy.fileName(), permissions);
    if (std::rename(QFile::encodeName(copy.fileName()).constData(),
                    QFile::encodeName(fileName).constData()) != 0) {
        error = QStringLiteral("Cannot write profile file \"%1\": %2")
                    .arg(fileName, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    return true;
}

} // namespace

int TParRec::KindFor(TControlKind kind)
{
    if (kind == TControlKind::Table)
        return Table;
    if (kind == TControlKind::List)
        return List;
    return Plain;
}

TVarRec TVarRec::FromSource(const QString &name, const QString &source, TBindingKind bindingKind)
{
    TVarRec v;
    v.Name = name;
    v.BindingKind = bindingKind;
    const QString s = source.trimmed();
    if (s.startsWith(QLatin1String("const."))) {
        v.SourceKind = Constant;
        v.Source = s.mid(6);
    } else if (s.startsWith(QLatin1String("ini."))) {
        v.SourceKind = IniFile;
        const QString rest = s.mid(4);
        const qsizetype comma = rest.indexOf(u',');
        v.Source = comma < 0 ? rest : rest.left(comma);
        v.Field = comma < 0 ? QString() : rest.mid(comma + 1);
    } else {
        QString field;
        SplitAtFirstDot(s, v.Source, field);
        v.SourceKind = field.toUpper() == QLatin1String("TEXT") ? ControlText : ControlValue;
        // The editor knows a control's field only as TEXT or VALUE.
        v.Field = v.SourceKind == ControlText ? QStringLiteral("Text") : QStringLiteral("Value");
    }
    return v;
}

QString TVarRec::SourceText() const
{
    switch (SourceKind) {
    case ControlText:
        return Source + QStringLiteral(".Text");
    case ControlValue:
        return Source + QStringLiteral(".Value");
    case Constant:
        return QStringLiteral("const.") + Source;
    case IniFile:
        return QStringLiteral("ini.") + Source + u',' + Field;
    }
    return Source;
}

void TEditorControl::SetCaption(const QString &text, int oldCaptionWidth, int newCaptionWidth)
{
    Caption = text;
    Width += newCaptionWidth - oldCaptionWidth;
}

QString NotAnIntegerMessage(const QString &text)
{
    return QStringLiteral("'%1' is not a valid integer value").arg(text);
}

void EditListEntry(QStringList &entries, int index, const QString &text)
{
    if (index < 0 || index >= entries.size())
        return;
    entries.removeAt(index);
    entries.append(text);
}

QString TEditorDescriptor::AddControl(TControlKind kind, int x, int y, int width)
{
    const QString name = NextControlName(kind);
    Controls.append(TEditorControl{name, kind, QStringLiteral("Caption"), x, y, width});
    TParRec p;
    p.Name = name;
    p.Kind = TParRec::KindFor(kind);
    ParRecs.append(p);
    return name;
}

bool TEditorDescriptor::DeleteControl(const QString &name)
{
    const int index = IndexOfControl(name);
    if (index < 0)
        return false;
    Controls.removeAt(index);
    for (int i = 0; i < ParRecs.size(); ++i) {
        if (ParRecs.at(i).Name.compare(name, Qt::CaseInsensitive) == 0) {
            ParRecs.removeAt(i);
            break;
        }
    }
    return true;
}

bool TEditorDescriptor::RenameControl(const QString &oldName, const QString &newName, QString &error)
{
    const int index = IndexOfControl(oldName);
    if (index < 0) {
        error = QStringLiteral("Control \"%1\" not found").arg(oldName);
        return false;
    }
    if (!TComponent::IsValidIdent(newName)) {
        error = invalidNameMessage(newName);
        return false;
    }
    const int other = IndexOfControl(newName);
    if (other >= 0 && other != index) {
        error = takenNameMessage(newName);
        return false;
    }
    TParRec *p = FindParRec(oldName);
    Controls[index].Name = newName;
    if (p)
        p->Name = newName;
    return true;
}

bool TEditorDescriptor::MoveControl(int index, int delta)
{
    const int target = index + delta;
    if (index < 0 || index >= Controls.size() || target < 0 || target >= Controls.size())
        return false;
    Controls.swapItemsAt(index, target);
    return true;
}

QList<int> TEditorDescriptor::VarIndexes(TVarRec::TBindingKind kind) const
{
    QList<int> indexes;
    for (int i = 0; i < Vars.size(); ++i)
        if (Vars.at(i).BindingKind == kind)
            indexes.append(i);
    return indexes;
}

int TEditorDescriptor::MoveVar(int index, int delta)
{
    if (index < 0 || index >= Vars.size() || (delta != -1 && delta != 1))
        return -1;
    const TVarRec::TBindingKind kind = Vars.at(index).BindingKind;
    for (int i = index + delta; i >= 0 && i < Vars.size(); i += delta) {
        if (Vars.at(i).BindingKind == kind) {
            Vars.swapItemsAt(index, i);
            return i;
        }
    }
    return -1;
}

bool TEditorDescriptor::ApplyProperties(QString &controlName, const TControlProperties &properties,
                                        const std::function<int(const QString &)> &captionWidth,
                                        bool &modified, QString &error)
{
    if (IndexOfControl(controlName) < 0) {
        error = QStringLiteral("Control \"%1\" not found").arg(controlName);
        return false;
    }
    if (!properties.Name.isEmpty()) {
        if (!RenameControl(controlName, properties.Name, error))
            return false;
        controlName = properties.Name;
        if (TParRec *p = FindParRec(controlName))
            p->Default = properties.Default;
        modified = true;
    }
    TEditorControl &c = Controls[IndexOfControl(controlName)];
    c.SetCaption(properties.Header, captionWidth(c.Caption), captionWidth(properties.Header));
    const auto number = [&error](const QString &text, int &value) {
        if (ParseDecimalInteger(text, value))
            return true;
        error = NotAnIntegerMessage(text);
        return false;
    };
    // Moving the caption editor keeps the widget beside it, so the declared width stays.
    if (!properties.X.isEmpty() && !number(properties.X, c.X))
        return false;
    if (!properties.Y.isEmpty() && !number(properties.Y, c.Y))
        return false;
    if (!properties.Width.isEmpty() && !number(properties.Width, c.Width))
        return false;
    TParRec *p = FindParRec(controlName);
    if (!p) {
        ParRecs.append(TParRec{controlName, QString(), TParRec::KindFor(c.Kind), {}});
        p = &ParRecs.last();
    }
    if (c.Kind == TControlKind::List && properties.ListEntries && !properties.ListEntries->isEmpty())
        p->Strings = *properties.ListEntries;
    if (c.Kind == TControlKind::Table && properties.TableSettings)
        p->Strings = *properties.TableSettings;
    return true;
}

void TEditorDescriptor::Clear()
{
    Controls.clear();
    ParRecs.clear();
    Vars.clear();
}

TParRec *TEditorDescriptor::FindParRec(const QString &name)
{
    for (TParRec &p : ParRecs)
        if (p.Name.compare(name, Qt::CaseInsensitive) == 0)
            return &p;
    return nullptr;
}

const TParRec *TEditorDescriptor::FindParRec(const QString &name) const
{
    return const_cast<TEditorDescriptor *>(this)->FindParRec(name);
}

int TEditorDescriptor::IndexOfControl(const QString &name) const
{
    for (int i = 0; i < Controls.size(); ++i)
        if (Controls.at(i).Name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString TEditorDescriptor::NextControlName(TControlKind kind) const
{
    const QString prefix = ControlKindNamePrefix(kind);
    for (int n = 1;; ++n) {
        const QString name = prefix + QString::number(n);
        if (IndexOfControl(name) < 0)
            return name;
    }
}

bool TEditorDescriptor::Load(const QString &fileName, QString &error)
{
    const TIniFile ini(fileName);
    ini.ReadSections();
    if (!ini.LastError().isEmpty()) {
        error = ini.LastError();
        return false;
    }

    TEditorDescriptor loaded;
    for (const QString &name : ini.ReadSection(DeclarationsSection)) {
        const TDeclaration d = ParseDeclaration(ini.ReadString(DeclarationsSection, name, QString()));
        const std::optional<TControlKind> kind = ControlKindFromTypeWord(d.TypeWord);
        if (!kind)
            continue;
        if (!TComponent::IsValidIdent(name)) {
            error = invalidNameMessage(name);
            return false;
        }
        if (loaded.IndexOfControl(name) >= 0) {
            error = takenNameMessage(name);
            return false;
        }
        loaded.Controls.append(TEditorControl{name, *kind, d.Caption, d.X, d.Y, d.Width});
    }

    for (const QString &name : ini.ReadSection(AssignmentSection)) {
        TVarRec v = TVarRec::FromSource(name, ini.ReadString(AssignmentSection, name, QString()),
                                        TVarRec::QueryParameter);
        v.DataType = ParamDataTypeFromText(ini.ReadString(AssignmentTypesSection, name, QString()));
        loaded.Vars.append(v);
    }
    for (const QString &name : ini.ReadSection(LabelsSection))
        loaded.Vars.append(
            TVarRec::FromSource(name, ini.ReadString(LabelsSection, name, QString()), TVarRec::ReportLabel));

    for (const TEditorControl &control : loaded.Controls) {
        TParRec p;
        p.Name = control.Name;
        p.Default = ini.ReadString(DefaultsSection, control.Name, QString());
        p.Kind = TParRec::KindFor(control.Kind);
        if (p.Kind == TParRec::List) {
            for (const QString &line : ini.ReadSectionValues(control.Name))
                p.Strings.append(line.mid(line.indexOf(u'=') + 1));
        } else if (p.Kind == TParRec::Table) {
            p.Strings = ini.ReadSectionValues(control.Name);
        }
        loaded.ParRecs.append(p);
    }

    *this = loaded;
    return true;
}

bool TEditorDescriptor::Save(const QString &fileName, QString &error) const
{
    for (const TEditorControl &control : Controls) {
        if (!TComponent::IsValidIdent(control.Name)) {
            error = invalidNameMessage(control.Name);
            return false;
        }
        // The declaration line ends its caption at the next double quote.
        if (control.Caption.contains(u'"')) {
            error = QStringLiteral("The caption of \"%1\" cannot contain a double quote").arg(control.Name);
            return false;
        }
    }

    const auto write = [this](TIniFile &ini, QString &err) {
        const auto put = [&](const QString &section, const QString &key, const QString &value) {
            if (ini.WriteString(section, key, value))
                return true;
            err = ini.LastError();
            return false;
        };
        for (const QString &section : ini.ReadSections()) {
            if (!ini.EraseSection(section)) {
                err = ini.LastError();
                return false;
            }
        }
        for (const TEditorControl &c : Controls)
            if (!put(DeclarationsSection, c.Name,
                     FormatDeclaration(ControlKindTypeWord(c.Kind), c.Caption, c.X, c.Y, c.Width)))
                return false;
        for (const TVarRec &v : Vars) {
            if (v.BindingKind != TVarRec::QueryParameter)
                continue;
            if (!put(AssignmentSection, v.Name, v.SourceText()) ||
                !put(AssignmentTypesSection, v.Name, ParamDataTypeName(v.DataType)))
                return false;
        }
        for (const TVarRec &v : Vars)
            if (v.BindingKind == TVarRec::ReportLabel && !put(LabelsSection, v.Name, v.SourceText()))
                return false;
        for (const TEditorControl &c : Controls) {
            const TParRec *p = FindParRec(c.Name);
            if (p && !p->Default.isEmpty() && !put(DefaultsSection, c.Name, p->Default))
                return false;
        }
        for (const TEditorControl &c : Controls) {
            const TParRec *p = FindParRec(c.Name);
            if (c.Kind == TControlKind::List && p) {
                for (int i = 0; i < p->Strings.size(); ++i)
                    if (!put(c.Name, QStringLiteral("Item") + QString::number(i + 1), p->Strings.at(i)))
                        return false;
            } else if (c.Kind == TControlKind::Table) {
                const TTableSettings settings = TTableSettings::FromStrings(p ? p->Strings : QStringList());
                for (const QString &key : TTableSettings::Keys())
                    if (!put(c.Name, key, settings.Setting(key)))
                        return false;
            }
        }
        return true;
    };
    return rewriteProfile(fileName, write, error);
}
