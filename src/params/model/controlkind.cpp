#include "params/model/controlkind.h"

namespace
{

struct TKindInfo {
    const char *name;
    const char *typeWord;
};

const TKindInfo Kinds[ControlKindCount] = {
    {"EDIT", "Edit"}, {"INTEDIT", "IntEdit"}, {"FLOATEDIT", "FloatEdit"}, {"DATEEDIT", "DateEdit"},
    {"LIST", "List"}, {"TABLE", "Table"},     {"CHECK", "Check"},
};

const TKindInfo &info(TControlKind kind)
{
    return Kinds[int(kind)];
}

} // namespace

TControlKind ControlKindAt(int index)
{
    return TControlKind(index);
}

std::optional<TControlKind> ControlKindFromTypeWord(const QString &typeWord)
{
    // The type word is held in a field of 32 characters.
    const QString word = typeWord.left(32);
    for (int i = 0; i < ControlKindCount; ++i)
        if (word.compare(QLatin1String(Kinds[i].name), Qt::CaseInsensitive) == 0)
            return TControlKind(i);
    return std::nullopt;
}

QString ControlKindName(TControlKind kind)
{
    return QLatin1String(info(kind).name);
}

QString ControlKindTypeWord(TControlKind kind)
{
    return QLatin1String(info(kind).typeWord);
}

QString ControlKindNamePrefix(TControlKind kind)
{
    return ControlKindTypeWord(kind) + u'_';
}
