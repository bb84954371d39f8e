#pragma once

#include <QString>

// One line of a descriptor's Declarations section:
//   <type> "<caption>",<x>,<y>,<width>
struct TDeclaration {
    QString TypeWord; // as written
    QString Caption;
    int X = 0;
    int Y = 0;
    int Width = 0;
};

// Reads a declaration value. The type word is the text before the first blank (the whole value
// when there is none); the caption runs from the first double quote to the next one, or to the end
// of the value when there is no closing quote (the numbers are then 0); x, y and width follow the
// first "," after the closing quote. Numbers that are not decimal integers count as 0.
TDeclaration ParseDeclaration(const QString &value);

// The line as both writers produce it.
QString FormatDeclaration(const QString &typeWord, const QString &caption, int x, int y, int width);

// A decimal integer with an optional sign and surrounding blanks; false for anything else,
// including values outside the 32-bit range.
bool ParseDecimalInteger(const QString &text, int &value);
