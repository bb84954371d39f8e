#pragma once

// Argument checks shared by the function libraries.

#include "expressions/elements.h"

#include <initializer_list>

// Whether f was given exactly these argument kinds, one per argument.
inline bool QREvTakes(const TQREvElementFunction &f, std::initializer_list<TQREvResultType> kinds)
{
    if (f.ArgumentCount() != int(kinds.size()))
        return false;
    int i = 0;
    for (TQREvResultType kind : kinds)
        if (f.Argument(i++).ValueKind != kind)
            return false;
    return true;
}

// The text of argument i.
inline const QString &QREvArgText(const TQREvElementFunction &f, int i)
{
    return f.Argument(i).Text;
}
