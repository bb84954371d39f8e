#pragma once

// The value of every expression computation.

#include <QString>

#include <cstdint>

enum TQREvResultType : std::uint8_t { rkInteger, rkFloat, rkString, rkBoolean, rkError };

// Longest text a value carries; longer texts are cut.
constexpr qsizetype QREvMaxTextLength = 255;

struct TQREvValue {
    TQREvResultType ValueKind = rkError;
    qint32 IntValue = 0;
    double FloatValue = 0.0;
    QString Text;
    bool BoolValue = false;

    static TQREvValue Integer(qint32 v)
    {
        TQREvValue r;
        r.ValueKind = rkInteger;
        r.IntValue = v;
        return r;
    }
    static TQREvValue Float(double v)
    {
        TQREvValue r;
        r.ValueKind = rkFloat;
        r.FloatValue = v;
        return r;
    }
    static TQREvValue Boolean(bool v)
    {
        TQREvValue r;
        r.ValueKind = rkBoolean;
        r.BoolValue = v;
        return r;
    }
    static TQREvValue String(const QString &text)
    {
        TQREvValue r;
        r.SetString(text);
        return r;
    }
    static TQREvValue Error(const QString &message = QString())
    {
        TQREvValue r;
        r.SetError(message);
        return r;
    }

    void SetInteger(qint32 v)
    {
        ValueKind = rkInteger;
        IntValue = v;
    }
    void SetFloat(double v)
    {
        ValueKind = rkFloat;
        FloatValue = v;
    }
    void SetBoolean(bool v)
    {
        ValueKind = rkBoolean;
        BoolValue = v;
    }
    // Both cut the text to QREvMaxTextLength characters.
    void SetString(const QString &text)
    {
        ValueKind = rkString;
        SetText(text);
    }
    void SetError(const QString &message)
    {
        ValueKind = rkError;
        SetText(message);
    }
    void SetText(const QString &text)
    {
        if (text.size() > QREvMaxTextLength)
            Text = text.left(QREvMaxTextLength);
        else
            Text = text;
    }

    bool IsNumeric() const { return ValueKind == rkInteger || ValueKind == rkFloat; }
    // The numeric value as floating (0 for other kinds).
    double AsFloat() const
    {
        return ValueKind == rkInteger ? double(IntValue) : ValueKind == rkFloat ? FloatValue : 0.0;
    }
};

// The general floating text form: at most 15 significant digits, the shortest such text, the
// given decimal separator, fixed notation for magnitudes from 0.0001 with at most 15 integer
// digits, otherwise a mantissa, a capital E and the bare exponent ("1.5E20", "1E-5").
QString QREvFloatToText(double value, QChar decimalSeparator);
// The same with the locale's decimal separator.
QString QREvFloatToText(double value);

// The text form of a value: integers in decimal, floating values in the general form, strings
// and error messages unchanged, booleans as the translatable "True" and "False".
QString QREvValueText(const TQREvValue &value);

// The translatable texts "True" and "False".
QString QREvBooleanText(bool value);

// "INTEGER", "FLOAT", "STRING", "BOOLEAN" or "ERROR".
QString QREvKindName(TQREvResultType kind);
