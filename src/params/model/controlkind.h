#pragma once

#include <QString>

#include <optional>

// The seven kinds of input control a dialogue descriptor declares.
enum class TControlKind { Edit, IntEdit, FloatEdit, DateEdit, List, Table, Check };

inline constexpr int ControlKindCount = 7;

// A descriptor's type word compared without regard to case (only its first 32 characters count).
std::optional<TControlKind> ControlKindFromTypeWord(const QString &typeWord);
// The kind in capitals: "EDIT", "INTEDIT", "FLOATEDIT", "DATEEDIT", "LIST", "TABLE", "CHECK".
QString ControlKindName(TControlKind kind);
// The type word the descriptor editor writes: "Edit", "IntEdit", "FloatEdit", ...
QString ControlKindTypeWord(TControlKind kind);
// The prefix of names the editor gives new controls: "Edit_", "IntEdit_", ...
QString ControlKindNamePrefix(TControlKind kind);
TControlKind ControlKindAt(int index);
