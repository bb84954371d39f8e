#include "expressions/extfunctions.h"

#include "common/codepage.h"
#include "common/datetimeformat.h"
#include "common/localesettings.h"
#include "common/profile.h"
#include "common/programdir.h"
#include "common/prompt.h"
#include "common/screen.h"
#include "data/field.h"
#include "data/query.h"
#include "data/table.h"
#include "expressions/functionargs.h"
#include "expressions/library.h"
#include "expressions/variables.h"

#include <QDate>
#include <QDir>
#include <QTime>

#include <cmath>
#include <initializer_list>
#include <limits>

namespace
{

qint32 integer(const TQREvElementFunction &f, int i)
{
    return f.Argument(i).IntValue;
}

void setError(TQREvValue &value)
{
    value = TQREvValue::Error();
}

bool readDate(const QString &s, QDate &date)
{
    return LocaleSettings().TryStrToDate(s, date);
}

// A date, or a date followed by a time.
bool readDateTime(const QString &s, QDateTime &dateTime)
{
    return LocaleSettings().TryStrToDateTime(s, dateTime);
}

// The character the expressions treat as a blank in TRIM and STRETCHSTR.
constexpr char16_t Blank = u' ';

} // namespace

// --- Text ---

namespace
{

// Source used as a format text with Insert as its only value: "%s" (with optional argument
// index "0:", "-", width and ".precision") takes the value, "%%" gives a percent sign. A
// format that needs a second value or another conversion, or ends inside a directive, fails.
bool formatWithOneString(const QString &format, const QString &insert, QString &result)
{
    result.clear();
    const qsizetype n = format.size();
    int nextArgument = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = format.at(i);
        if (c != u'%') {
            result += c;
            continue;
        }
        if (++i >= n)
            return false;
        if (format.at(i) == u'%') {
            result += u'%';
            continue;
        }
        auto readNumber = [&](qint64 &number) -> bool {
            if (i < n && format.at(i) == u'*')
                return false; // takes a value of its own, and the only value is a string
            if (i >= n || !format.at(i).isDigit())
                return false;
            number = 0;
            while (i < n && format.at(i).isDigit()) {
                number = std::min<qint64>(number * 10 + format.at(i).digitValue(), 1 << 20);
                ++i;
            }
            return true;
        };
        qint64 number = -1;
        const qsizetype start = i;
        if (readNumber(number) && i < n && format.at(i) == u':') {
            nextArgument = int(number);
            ++i;
        } else {
            i = start;
        }
        bool leftJustify = false;
        if (i < n && format.at(i) == u'-') {
            leftJustify = true;
            ++i;
        }
        qint64 width = 0;
        if (i < n && (format.at(i).isDigit() || format.at(i) == u'*') && !readNumber(width))
            return false;
        qint64 precision = -1;
        if (i < n && format.at(i) == u'.') {
            ++i;
            if (!readNumber(precision))
                return false;
        }
        if (i >= n || format.at(i).toLower() != u's')
            return false;
        if (nextArgument != 0)
            return false; // needs a second value
        ++nextArgument;
        QString piece = precision >= 0 ? insert.left(precision) : insert;
        if (piece.size() < width) {
            const QString fill(width - piece.size(), Blank);
            piece = leftJustify ? piece + fill : fill + piece;
        }
        result += piece;
    }
    return true;
}

// Len counts as at most 255; blanks or zeros are put before or after S up to that length.
QString padded(const QString &s, qint32 length, QChar fill, bool before)
{
    const qsizetype wanted = std::min<qint32>(length, qint32(QREvMaxTextLength));
    if (s.size() >= wanted)
        return s;
    const QString padding(wanted - s.size(), fill);
    return before ? padding + s : s + padding;
}

} // namespace

void TQREvInsertStrFunction::Apply(TQREvValue &value)
{
    QString result;
    if (QREvTakes(*this, {rkString, rkString}) && formatWithOneString(QREvArgText(*this, 0), QREvArgText(*this, 1), result))
        value.SetString(result);
    else
        setError(value);
}

bool QRStrToInt32(const QString &s, qint32 &value)
{
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n && s.at(i) == Blank)
        ++i;
    bool negative = false;
    if (i < n && (s.at(i) == u'-' || s.at(i) == u'+'))
        negative = s.at(i++) == u'-';
    const bool hex = i < n && s.at(i) == u'$';
    if (hex)
        ++i;
    if (i >= n)
        return false;
    // Limited by value, not by digit count: "00000000012" and "$000000001" read.
    const quint64 limit = hex ? 0xFFFFFFFFull : (negative ? 2147483648ull : 2147483647ull);
    quint64 magnitude = 0;
    for (; i < n; ++i) {
        const char16_t c = s.at(i).unicode();
        int d = -1;
        if (c >= u'0' && c <= u'9')
            d = c - u'0';
        else if (hex && c >= u'a' && c <= u'f')
            d = c - u'a' + 10;
        else if (hex && c >= u'A' && c <= u'F')
            d = c - u'A' + 10;
        if (d < 0)
            return false;
        magnitude = magnitude * (hex ? 16 : 10) + quint64(d);
        if (magnitude > limit)
            return false;
    }
    if (hex) {
        // Eight hexadecimal digits are the 32-bit pattern: "$FFFFFFFF" is -1.
        const qint32 pattern = qint32(quint32(magnitude));
        value = negative ? qint32(0u - quint32(pattern)) : pattern;
        return true;
    }
    value = negative ? qint32(-qint64(magnitude)) : qint32(magnitude);
    return true;
}

void TQREvStrToIntFunction::Apply(TQREvValue &value)
{
    qint32 result = 0;
    if (QREvTakes(*this, {rkString}) && QRStrToInt32(QREvArgText(*this, 0), result))
        value.SetInteger(result);
    else
        setError(value);
}

void TQREvStrToNumFunction::Apply(TQREvValue &value)
{
    double result = 0.0;
    if (!QREvTakes(*this, {rkString}))
        setError(value);
    else if (QREvArgText(*this, 0).isEmpty())
        value.SetFloat(0.0);
    else if (LocaleSettings().TryStrToFloat(QREvArgText(*this, 0), result))
        value.SetFloat(result);
    else
        setError(value);
}

void TQREvTrimFunction::Apply(TQREvValue &value)
{
    if (!QREvTakes(*this, {rkString})) {
        setError(value);
        return;
    }
    const QString &s = QREvArgText(*this, 0);
    qsizetype first = 0, last = s.size();
    while (first < last && s.at(first) == Blank)
        ++first;
    while (last > first && s.at(last - 1) == Blank)
        --last;
    value.SetString(s.mid(first, last - first));
}

void TQREvStrLenFunction::Apply(TQREvValue &value)
{
    if (QREvTakes(*this, {rkString}))
        value.SetInteger(qint32(QREvArgText(*this, 0).size()));
    else
        setError(value);
}

void TQREvStretchStrFunction::Apply(TQREvValue &value)
{
    if (!QREvTakes(*this, {rkString, rkInteger})) {
        setError(value);
        return;
    }
    const QString &s = QREvArgText(*this, 0);
    const qint64 step = qint64(std::max<qint32>(integer(*this, 1), 0)) + 1;
    // The stretched text ends at its last character that is not a blank; only the first 255
    // characters of it are built.
    qsizetype lastSolid = s.size() - 1;
    while (lastSolid >= 0 && s.at(lastSolid) == Blank)
        --lastSolid;
    const qint64 length = lastSolid < 0 ? 0 : qint64(lastSolid) * step + 1;
    const qsizetype built = qsizetype(std::min<qint64>(length, QREvMaxTextLength));
    QString result(built, Blank);
    for (qsizetype p = 0; p < built; p += qsizetype(step))
        result[p] = s.at(qsizetype(p / step));
    value.SetString(result);
}

void TQREvChrFunction::Apply(TQREvValue &value)
{
    if (!QREvTakes(*this, {rkInteger})) {
        setError(value);
        return;
    }
    // Character codes above 127 are those of the 8-bit code page.
    const char code = char(quint32(integer(*this, 0)) & 0xFF);
    const QString decoded = DecodeCodePage(QByteArray(1, code));
    value.SetString(decoded.isEmpty() ? QString(QChar(char16_t(uchar(code)))) : decoded.left(1));
}

void TQREvPadLeftFunction::Apply(TQREvValue &value)
{
    if (QREvTakes(*this, {rkString, rkInteger}))
        value.SetString(padded(QREvArgText(*this, 0), integer(*this, 1), Blank, true));
    else
        setError(value);
}

void TQREvPadRightFunction::Apply(TQREvValue &value)
{
    if (QREvTakes(*this, {rkString, rkInteger}))
        value.SetString(padded(QREvArgText(*this, 0), integer(*this, 1), Blank, false));
    else
        setError(value);
}

void TQREvPadLeftZeroFunction::Apply(TQREvValue &value)
{
    if (QREvTakes(*this, {rkString, rkInteger}))
        value.SetString(padded(QREvArgText(*this, 0), integer(*this, 1), u'0', true));
    else if (QREvTakes(*this, {rkInteger, rkInteger}))
        value.SetString(padded(QString::number(integer(*this, 0)), integer(*this, 1), u'0', true));
    else
        setError(value);
}

void TQREvCurrencyFunction::Apply(TQREvValue &value)
{
    value.SetString(LocaleSettings().CurrencyString);
}

// --- Numbers ---

void TQREvAbsFunction::Apply(TQREvValue &value)
{
    if (QREvTakes(*this, {rkInteger})) {
        const qint32 x = integer(*this, 0);
        // The smallest integer has no positive counterpart and comes back unchanged.
        value.SetInteger(x < 0 && x != std::numeric_limits<qint32>::min() ? -x : x);
    } else if (QREvTakes(*this, {rkFloat})) {
        value.SetFloat(std::fabs(Argument(0).FloatValue));
    } else {
        setError(value);
    }
}

void TQREvCounterFunction::Apply(TQREvValue &value)
{
    m_count = qint32(quint32(m_count) + 1u);
    value.SetInteger(m_count);
}

void TQREvVarFunction::Apply(TQREvValue &value)
{
    // There are no application-calculated variables.
    setError(value);
}

// --- Dates and times ---

bool QRCalcDate(const QDate &date, qint64 days, qint64 months, qint64 years, QDate &result)
{
    if (!date.isValid())
        return false;
    // Month and year: n = month + M - 1; whole years carried with the floor of n / 12.
    const qint64 n = qint64(date.month()) + months - 1;
    const qint64 carried = n >= 0 ? n / 12 : -((-n + 11) / 12);
    const qint64 year = qint64(date.year()) + years + carried;
    const int month = int(n - carried * 12) + 1;
    if (year < 1 || year > 9999)
        return false;
    // The day is put on the month unchecked, so that an overflowing day runs on into the next
    // month. Inside 1 January 1900 .. 6 June 2079 this is the 16-bit day count of the stored
    // formats; outside it the ordinary Gregorian calendar goes on.
    const qint64 first = QDate(int(year), month, 1).toJulianDay();
    const qint64 day = first + (date.day() - 1) + days;
    result = QDate::fromJulianDay(day);
    return result.isValid() && result.year() >= 1 && result.year() <= 9999;
}

QTime QRCalcTime(const QTime &time, qint64 hours, qint64 minutes, qint64 seconds)
{
    auto floorDiv = [](qint64 a, qint64 b) { return a >= 0 ? a / b : -((-a + b - 1) / b); };
    qint64 s = qint64(time.second()) + seconds;
    qint64 m = qint64(time.minute()) + minutes + floorDiv(s, 60);
    s -= floorDiv(s, 60) * 60;
    qint64 h = qint64(time.hour()) + hours + floorDiv(m, 60);
    m -= floorDiv(m, 60) * 60;
    h -= floorDiv(h, 24) * 24;
    return QTime(int(h), int(m), int(s), time.msec());
}

void TQREvDateDiffFunction::Apply(TQREvValue &value)
{
    QDate from, to;
    if (QREvTakes(*this, {rkString, rkString}) && readDate(QREvArgText(*this, 0), from) && readDate(QREvArgText(*this, 1), to))
        value.SetFloat(double(from.daysTo(to)));
    else
        setError(value);
}

void TQREvPrintDateFunction::Apply(TQREvValue &value)
{
    if (ArgumentCount() == 0)
        value.SetString(LocaleSettings().DateToStr(QDate::currentDate()));
    else
        setError(value);
}

void TQREvReformatDateFunction::Apply(TQREvValue &value)
{
    QDateTime dateTime;
    if (QREvTakes(*this, {rkString, rkString}) && readDateTime(QREvArgText(*this, 0), dateTime))
        value.SetString(QRFormatDateTime(QREvArgText(*this, 1), dateTime));
    else
        setError(value);
}

void TQREvCalcDateFunction::Apply(TQREvValue &value)
{
    QDateTime dateTime;
    QDate result;
    if (QREvTakes(*this, {rkString, rkInteger, rkInteger, rkInteger}) && readDateTime(QREvArgText(*this, 0), dateTime) &&
        QRCalcDate(dateTime.date(), integer(*this, 1), integer(*this, 2), integer(*this, 3), result))
        value.SetString(LocaleSettings().DateToStr(result));
    else
        setError(value);
}

namespace
{

// The date part of a date-and-time argument, given to `part` when the argument reads.
template <class Part> void applyDatePart(const TQREvElementFunction &f, TQREvValue &value, Part part)
{
    QDateTime dateTime;
    if (QREvTakes(f, {rkString}) && readDateTime(QREvArgText(f, 0), dateTime))
        value.SetInteger(part(dateTime.date()));
    else
        setError(value);
}

// Entry `index` (from 1) of a list of locale names.
void applyName(const TQREvElementFunction &f, TQREvValue &value, const QStringList &names)
{
    if (QREvTakes(f, {rkInteger}) && integer(f, 0) >= 1 && integer(f, 0) <= names.size())
        value.SetString(names.at(integer(f, 0) - 1));
    else
        setError(value);
}

} // namespace

void TQREvExtractDayFunction::Apply(TQREvValue &value)
{
    applyDatePart(*this, value, [](const QDate &d) { return d.day(); });
}

void TQREvExtractMonthFunction::Apply(TQREvValue &value)
{
    applyDatePart(*this, value, [](const QDate &d) { return d.month(); });
}

void TQREvExtractYearFunction::Apply(TQREvValue &value)
{
    applyDatePart(*this, value, [](const QDate &d) { return d.year(); });
}

void TQREvDayOfWeekFunction::Apply(TQREvValue &value)
{
    // 1 for Sunday to 7 for Saturday.
    applyDatePart(*this, value, [](const QDate &d) { return d.dayOfWeek() % 7 + 1; });
}

void TQREvDayStringFunction::Apply(TQREvValue &value)
{
    applyName(*this, value, LocaleSettings().LongDayNames); // Sunday first
}

void TQREvMonthStringFunction::Apply(TQREvValue &value)
{
    applyName(*this, value, LocaleSettings().LongMonthNames);
}

void TQREvCalcTimeFunction::Apply(TQREvValue &value)
{
    QTime time;
    if (QREvTakes(*this, {rkString, rkInteger, rkInteger, rkInteger}) &&
        LocaleSettings().TryStrToTime(QREvArgText(*this, 0), time))
        value.SetString(LocaleSettings().TimeToStr(
            QRCalcTime(time, integer(*this, 1), integer(*this, 2), integer(*this, 3))));
    else
        setError(value);
}

// --- Datasets ---

namespace
{

// The dataset of that name in the open windows, then the data modules, of the class T.
template <class T = TDataSet> T *findDataSet(const QString &name)
{
    return qobject_cast<T *>(TScreen::Instance().FindComponent(
        name, [](TComponent *c) { return qobject_cast<T *>(c) != nullptr; }));
}

// The named field of the first dataset of that name that has such a field.
TField *findField(const QString &dataSetName, const QString &fieldName)
{
    TComponent *found = TScreen::Instance().FindComponent(dataSetName, [&](TComponent *c) {
        auto *dataSet = qobject_cast<TDataSet *>(c);
        return dataSet && dataSet->FindField(fieldName);
    });
    auto *dataSet = qobject_cast<TDataSet *>(found);
    return dataSet ? dataSet->FindField(fieldName) : nullptr;
}

// Runs a dataset read; a database failure gives the error value.
template <class Read> void guarded(TQREvValue &value, Read read)
{
    try {
        read();
    } catch (const std::exception &) {
        setError(value);
    }
}

} // namespace

void TQREvQueryParamFunction::Apply(TQREvValue &value)
{
    guarded(value, [&] {
        TQuery *query = QREvTakes(*this, {rkString, rkString}) ? findDataSet<TQuery>(QREvArgText(*this, 0)) : nullptr;
        TParam *param = query ? query->FindParam(QREvArgText(*this, 1)) : nullptr;
        if (param)
            value.SetString(param->AsString());
        else
            setError(value);
    });
}

void TQREvRecordCountFunction::Apply(TQREvValue &value)
{
    guarded(value, [&] {
        TDataSet *dataSet = QREvTakes(*this, {rkString}) ? findDataSet(QREvArgText(*this, 0)) : nullptr;
        // Only tables and queries know their record count.
        if (qobject_cast<TTable *>(dataSet) || qobject_cast<TQuery *>(dataSet))
            value.SetInteger(dataSet->RecordCount());
        else
            setError(value);
    });
}

void TQREvIsNullFunction::Apply(TQREvValue &value)
{
    guarded(value, [&] {
        TField *field =
            QREvTakes(*this, {rkString, rkString}) ? findField(QREvArgText(*this, 0), QREvArgText(*this, 1)) : nullptr;
        if (field)
            value.SetBoolean(field->IsNull());
        else
            setError(value);
    });
}

void TQREvFieldLenFunction::Apply(TQREvValue &value)
{
    guarded(value, [&] {
        TField *field =
            QREvTakes(*this, {rkString, rkString}) ? findField(QREvArgText(*this, 0), QREvArgText(*this, 1)) : nullptr;
        if (field)
            value.SetInteger(field->Size());
        else
            setError(value);
    });
}

QStringList QRSplitMemoLines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

void TQREvMemoLineFunction::Apply(TQREvValue &value)
{
    guarded(value, [&] {
        TField *field = QREvTakes(*this, {rkString, rkString, rkInteger})
                            ? findField(QREvArgText(*this, 0), QREvArgText(*this, 1))
                            : nullptr;
        // Text columns without a declared length are memo fields; computed texts (a column
        // without a declared type) have no declared length either and read as lines as well.
        const bool memo = field && (qobject_cast<TMemoField *>(field) || field->DataType() == ftMemo ||
                                    field->DataType() == ftFmtMemo ||
                                    (qobject_cast<TStringField *>(field) && field->Size() == 0));
        if (!memo) {
            setError(value);
            return;
        }
        const QStringList lines = QRSplitMemoLines(field->AsString());
        const qint32 line = integer(*this, 2);
        value.SetString(line >= 1 && line <= lines.size() ? lines.at(line - 1) : QString());
    });
}

void TQREvEOFFunction::Apply(TQREvValue &value)
{
    guarded(value, [&] {
        TDataSet *dataSet = QREvTakes(*this, {rkString}) ? findDataSet(QREvArgText(*this, 0)) : nullptr;
        if (dataSet)
            value.SetBoolean(dataSet->Eof());
        else
            setError(value);
    });
}

// --- Profile files and the registry ---

void TQREvReadINIFunction::Apply(TQREvValue &value)
{
    if (!QREvTakes(*this, {rkString, rkString, rkString}) || QREvArgText(*this, 0).trimmed().isEmpty()) {
        setError(value);
        return;
    }
    // The file name is taken against the current directory, found whatever its letter case.
    const QString fileName = ResolveFileName(QDir::currentPath() + u'/', QREvArgText(*this, 0));
    const TIniFile ini(fileName);
    value.SetString(ini.ReadString(QREvArgText(*this, 1), QREvArgText(*this, 2), QString()));
}

namespace
{

const char *const RegistryRootKeys[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",     "HKEY_LOCAL_MACHINE",
                                        "HKEY_USERS",        "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG",
                                        "HKEY_DYN_DATA"};

// Registry values that are not strings, in the notation of exported registry files.
bool isTypedRegistryValue(const QString &raw)
{
    return raw.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive) ||
           raw.startsWith(QLatin1String("hex:"), Qt::CaseInsensitive) ||
           raw.startsWith(QLatin1String("hex("), Qt::CaseInsensitive);
}

} // namespace

QString QRRegistryFileName(const QString &rootKey)
{
    return UserSettingsDir() + QStringLiteral("/registry/") + rootKey + QStringLiteral(".ini");
}

bool QRReadRegistryString(const QString &rootOrPath, const QString &keyPath, const QString &valueName,
                          QString &value)
{
    value.clear();
    QString root = QStringLiteral("HKEY_CURRENT_USER");
    QString prefix = rootOrPath;
    for (const char *name : RegistryRootKeys) {
        if (rootOrPath.compare(QLatin1String(name), Qt::CaseInsensitive) == 0) {
            root = QLatin1String(name);
            prefix.clear();
            break;
        }
    }
    QString key = keyPath;
    if (!prefix.isEmpty()) {
        if (!prefix.endsWith(u'\\'))
            prefix += u'\\';
        if (key.startsWith(u'\\'))
            key.remove(0, 1);
    }
    key.prepend(prefix);
    // A key path opened from the root: a leading backslash only says so.
    if (key.startsWith(u'\\'))
        key.remove(0, 1);
    if (key.endsWith(u'\\'))
        key.chop(1);
    const QString fileName = QRRegistryFileName(root);
    if (!QFileInfo::exists(fileName))
        return true;
    const TIniFile hive(fileName);
    QString raw;
    if (!hive.ReadRawString(key, valueName, raw))
        return true;
    if (isTypedRegistryValue(raw))
        return false;
    value = TIniFile::UnquoteValue(raw);
    return true;
}

void TQREvReadRegistryFunction::Apply(TQREvValue &value)
{
    QString result;
    if (QREvTakes(*this, {rkString, rkString, rkString}) &&
        QRReadRegistryString(QREvArgText(*this, 0), QREvArgText(*this, 1), QREvArgText(*this, 2), result))
        value.SetString(result);
    else
        setError(value);
}

// --- Variables ---

void TQREvSetVar::Apply(TQREvValue &value)
{
    if (ArgumentCount() != 2 || Argument(0).ValueKind != rkString) {
        setError(value);
        return;
    }
    QRVariables().Set(QREvArgText(*this, 0), Argument(1));
    const TQREvValue *stored = QRVariables().Find(QREvArgText(*this, 0));
    value = stored ? *stored : TQREvValue::Error();
}

void TQREvGetVar::Apply(TQREvValue &value)
{
    const TQREvValue *stored = QREvTakes(*this, {rkString}) ? QRVariables().Find(QREvArgText(*this, 0)) : nullptr;
    value = stored ? *stored : TQREvValue::Error();
}

void TQREvVarExists::Apply(TQREvValue &value)
{
    if (QREvTakes(*this, {rkString}))
        value.SetBoolean(QRVariables().Find(QREvArgText(*this, 0)) != nullptr);
    else
        setError(value);
}

void TQREvDeleteVar::Apply(TQREvValue &value)
{
    if (QREvTakes(*this, {rkString}))
        value.SetBoolean(QRVariables().Delete(QREvArgText(*this, 0)));
    else
        setError(value);
}

// --- Dialogs ---

namespace
{

void applyMessageBox(const TQREvElementFunction &f, TQREvValue &value, TMsgDlgType type, TMsgButtons buttons,
                     TModalResult yes)
{
    if (QREvTakes(f, {rkString}))
        value.SetBoolean(Prompt().MessageBox(QREvArgText(f, 0), PromptTitle(), type, buttons) == yes);
    else
        setError(value);
}

// The variable's value as the input box shows it.
QString editText(const TQREvValue *variable)
{
    if (!variable)
        return QString();
    switch (variable->ValueKind) {
    case rkInteger:
        return QString::number(variable->IntValue);
    case rkFloat:
        return QREvFloatToText(variable->FloatValue);
    case rkString:
        return variable->Text;
    case rkBoolean:
        return variable->BoolValue ? QStringLiteral("True") : QStringLiteral("False");
    case rkError:
        break;
    }
    return QString();
}

// The typed text stored by the variable's kind; a text that does not read as that kind turns the
// variable into a string.
TQREvValue typedValue(const TQREvValue &variable, const QString &typed)
{
    switch (variable.ValueKind) {
    case rkInteger: {
        qint32 number = 0;
        return QRStrToInt32(typed, number) ? TQREvValue::Integer(number) : TQREvValue::String(typed);
    }
    case rkFloat: {
        // A point is the decimal separator; the locale's separator is taken as well, so that
        // confirming the shown text unchanged keeps the number where the locale writes a comma.
        double number = 0.0;
        if (TLocaleSettings::TryStrToFloat(typed, u'.', number) ||
            LocaleSettings().TryStrToFloat(typed, number))
            return TQREvValue::Float(number);
        return TQREvValue::String(typed);
    }
    case rkString:
        return TQREvValue::String(typed);
    case rkBoolean:
        if (typed.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0 || typed == QLatin1String("1"))
            return TQREvValue::Boolean(true);
        if (typed.compare(QLatin1String("FALSE"), Qt::CaseInsensitive) == 0 || typed == QLatin1String("0"))
            return TQREvValue::Boolean(false);
        return TQREvValue::String(typed);
    case rkError:
        break;
    }
    return variable;
}

} // namespace

void TQREvOKBox::Apply(TQREvValue &value)
{
    applyMessageBox(*this, value, mtInformation, TMsgButtons::OK, mrOk);
}

void TQREvOKCancelBox::Apply(TQREvValue &value)
{
    applyMessageBox(*this, value, mtConfirmation, TMsgButtons::OKCancel, mrOk);
}

void TQREvYesNoBox::Apply(TQREvValue &value)
{
    applyMessageBox(*this, value, mtConfirmation, TMsgButtons::YesNo, mrYes);
}

void TQREvInputQuery::Apply(TQREvValue &value)
{
    if (!QREvTakes(*this, {rkString, rkString, rkString})) {
        setError(value);
        return;
    }
    const QString &name = QREvArgText(*this, 2);
    QString typed = editText(QRVariables().Find(name));
    if (!Prompt().InputBox(QREvArgText(*this, 0), QREvArgText(*this, 1), typed)) {
        value.SetBoolean(false);
        return;
    }
    if (!QRVariables().Find(name))
        QRVariables().Set(name, TQREvValue::String(QString()));
    const TQREvValue current = *QRVariables().Find(name);
    if (current.ValueKind != rkError)
        QRVariables().Set(name, typedValue(current, typed));
    value.SetBoolean(true);
}

// --- Registration ---

namespace
{

struct TExtendedEntry {
    const char *Name;
    TQREvFunctionClass FunctionClass; // null: bound to the report model, registered with it
    const char *Signature;
    const char *Syntax;
    const char *Explanation;
};

template <class T> constexpr TQREvFunctionClass cls()
{
    return &QREvCreateFunction<T>;
}

// The fixed order in which the builder lists the functions. The entries without a class act on
// the running report and its elements; their rows are reserved here and filled when the report
// layer registers them (AddEvalFunction), so that they still list in this order.
const TExtendedEntry ExtendedEntries[] = {
    {"NEWPAGE", nullptr, "", "", ""},
    {"VERTPRINTPOS", nullptr, "", "", ""},
    {"PAGENUMBER", nullptr, "", "", ""},
    {"COUNTER", cls<TQREvCounterFunction>(), "7", "COUNTER", "Counter; will be incremented on each print"},
    {"RESETEXPR", nullptr, "", "", ""},
    {"GROUPPRINTED", nullptr, "", "", ""},
    {"CURRENCY", cls<TQREvCurrencyFunction>(), "7", "CURRENCY", "Returns Windows' default currency "},
    {"QUERYPARAM", cls<TQREvQueryParamFunction>(), "4SS", "QUERYPARAM(<Q>,<P>)",
     "Gets parameter value from a query\rExample: QueryParam('CustQuery','MaxAmount')"},
    {"STRTOINT", cls<TQREvStrToIntFunction>(), "7S", "STRTOINT(<X>)", "Converts String to Integer"},
    {"STRTONUM", cls<TQREvStrToNumFunction>(), "7S", "STRTONUM(<X>)", "Converts String to number"},
    {"GETCAPTION", nullptr, "", "", ""},
    {"RECORDCOUNT", cls<TQREvRecordCountFunction>(), "4S", "RECORDCOUNT(<DS>)",
     "Returns a dataset's record count"},
    {"READINI", cls<TQREvReadINIFunction>(), "7SSS", "READINI(<S1>,<S2>,<S3>)",
     "Reads entry S3 in section S2 from INI file S1"},
    {"READREGISTRY", cls<TQREvReadRegistryFunction>(), "7SSS", "READREGISTRY(S1,S2,S3)",
     "Reads entry S3 in section S2 from registry key S1\r"
     "Example: ReadRegistry('HKEY_USERS','Software\\Microsoft','Test')"},
    {"DATEDIFF", cls<TQREvDateDiffFunction>(), "7SS", "DATEDIFF(<D1>,<D2>)", "Calculates days from D1 to D2"},
    {"PRINTDATE", cls<TQREvPrintDateFunction>(), "1", "PRINTDATE", "Returns the printing date"},
    {"REFORMATDATE", cls<TQREvReformatDateFunction>(), "7SS", "REFORMATDATE(<D>,<F>)",
     "Formats a date (and time)"},
    {"CALCDATE", cls<TQREvCalcDateFunction>(), "1SNNN", "CALCDATE( DT, D, M, Y )",
     "Adds D days, M months and Y years to a given date DT"},
    {"EXTRACTDAY", cls<TQREvExtractDayFunction>(), "1S", "EXTRACTDAY(<DATE>)",
     "Gets only the day from a given date."},
    {"EXTRACTMONTH", cls<TQREvExtractMonthFunction>(), "1S", "EXTRACTMONTH(<DATE>)",
     "Gets only the month from a given date."},
    {"EXTRACTYEAR", cls<TQREvExtractYearFunction>(), "1S", "EXTRACTYEAR(<DATE>)",
     "Gets only the year from a given date."},
    {"DAYOFWEEK", cls<TQREvDayOfWeekFunction>(), "1S", "DAYOFWEEK(<DATE>)",
     "Returns the day of the week (1..7) for a given date."},
    {"DAYSTRING", cls<TQREvDayStringFunction>(), "1N", "DAYSTRING(<D>)",
     "Returns the day name for the given day (1=Sunday,2=...)."},
    {"MONTHSTRING", cls<TQREvMonthStringFunction>(), "1N", "MONTHSTRING(<M>)",
     "Returns the month name for the given month (1..12)."},
    {"CALCTIME", cls<TQREvCalcTimeFunction>(), "1SNNN", "CALCTIME( T, H, M, S )",
     "Adds H hours, M minutes and S seconds to a given time T"},
    {"TRIM", cls<TQREvTrimFunction>(), "7S", "TRIM(<S>)",
     "Removes leading and trailing blanks from a string"},
    {"STRLEN", cls<TQREvStrLenFunction>(), "7S", "STRLEN(<S>)", "Returns length of S in characters"},
    {"STRETCHSTR", cls<TQREvStretchStrFunction>(), "7SN", "STRETCHSTR(<S>,<L>)",
     "Inserts L blanks between each character of S"},
    {"CHR", cls<TQREvChrFunction>(), "7N", "CHR(<I>)", "Converts the ordinal ASCII value to a character"},
    {"VAR", cls<TQREvVarFunction>(), "7N", "VAR(<I>)", "Application-calculated variable"},
    {"ISNULL", cls<TQREvIsNullFunction>(), "4SS", "ISNULL(TABLE,FIELD)",
     "Checks if a table's field contains no data."},
    {"ABS", cls<TQREvAbsFunction>(), "2N", "ABS(<I>)", "Returns the absolute value of I."},
    {"FIELDLEN", cls<TQREvFieldLenFunction>(), "4SS", "FIELDLEN(TABLE,FIELD)",
     "Returns the data field size in characters."},
    {"MEMOLINE", cls<TQREvMemoLineFunction>(), "4SSN", "MEMOLINE(TABLE,FIELD,LINENO)",
     "Returns a single line (1..n) from a memo field.\rExample: MEMOLINE('CustTable','Info',1)"},
    {"EOF", cls<TQREvEOFFunction>(), "4S", "EOF(TABLE)",
     "Tests whether the current dataset position is the end-of-file"},
    {"PADLEFT", cls<TQREvPadLeftFunction>(), "7SN", "PADLEFT(<S>,<Len>)",
     "Fills up the string S to Len characters."},
    {"PADRIGHT", cls<TQREvPadRightFunction>(), "7SN", "PADRIGHT(<S>,<Len>)",
     "Fills up the string S to Len characters"},
    {"PADLEFTZERO", cls<TQREvPadLeftZeroFunction>(), "7SN", "PADLEFTZERO(<S>,<Len>)",
     "Fills up the string S to Len characters with 0."},
    {"INSERTSTR", cls<TQREvInsertStrFunction>(), "7SS", "INSERTSTR(<Source>,<Insert>)",
     "Insert string into Source at position %s"},
    {"SETVAR", cls<TQREvSetVar>(), "7SS", "SETVAR(<Name>,<Value>)",
     "Sets an internal variable with a given value"},
    // The syntax text of GETVAR has always read SETVAR.
    {"GETVAR", cls<TQREvGetVar>(), "7S", "SETVAR(<Name>)", "Returns a variable's value set with \"SetVar\""},
    {"VAREXISTS", cls<TQREvVarExists>(), "7S", "VAREXISTS(<Name>)",
     "Checks if a variable has been created with \"SetVar\""},
    {"DELETEVAR", cls<TQREvDeleteVar>(), "7S", "DELETEVAR(<Name>)",
     "Deletes a variable created with \"SetVar\""},
    {"ELEMENTEXISTS", nullptr, "", "", ""},
    {"PROPEXISTS", nullptr, "", "", ""},
    {"SETCOLOR", nullptr, "", "", ""},
    {"PAGEPRINTS", nullptr, "", "", ""},
    {"SETBOOLPROP", nullptr, "", "", ""},
    {"SETINTPROP", nullptr, "", "", ""},
    {"SETFLOATPROP", nullptr, "", "", ""},
    {"SETSTRPROP", nullptr, "", "", ""},
    {"GETBOOLPROP", nullptr, "", "", ""},
    {"GETINTPROP", nullptr, "", "", ""},
    {"GETFLOATPROP", nullptr, "", "", ""},
    {"GETSTRPROP", nullptr, "", "", ""},
    {"OKBOX", cls<TQREvOKBox>(), "7S", "OKBOX(<Text>)", "Shows a message dialog with OK button"},
    {"OKCANCELBOX", cls<TQREvOKCancelBox>(), "7S", "OKCANCELBOX(<Text>)",
     "Shows a message dialog with OK and CANCEL buttons, returns TRUE or FALSE"},
    {"YESNOBOX", cls<TQREvYesNoBox>(), "7S", "YESNOBOX(<Text>)",
     "Shows a message dialog with YES and NO buttons, returns TRUE or FALSE"},
    {"INPUTBOX", cls<TQREvInputQuery>(), "7SSS", "INPUTBOX(<TITLE>,<TEXT>,<VARNAME>)",
     "Asks the user for a string and stores it in the VARNAME variable, returns TRUE or FALSE"},
    {"SETFONTCOLOR", nullptr, "", "", ""},
    {"SETFONTSIZE", nullptr, "", "", ""},
    {"SETFONT", nullptr, "", "", ""},
    {"SETFONTSTYLE", nullptr, "", "", ""},
    {"BLACK", nullptr, "", "", ""},
    {"MAROON", nullptr, "", "", ""},
    {"GREEN", nullptr, "", "", ""},
    {"OLIVE", nullptr, "", "", ""},
    {"NAVY", nullptr, "", "", ""},
    {"PURPLE", nullptr, "", "", ""},
    {"TEAL", nullptr, "", "", ""},
    {"GRAY", nullptr, "", "", ""},
    {"SILVER", nullptr, "", "", ""},
    {"RED", nullptr, "", "", ""},
    {"LIME", nullptr, "", "", ""},
    {"BLUE", nullptr, "", "", ""},
    {"FUCHSIA", nullptr, "", "", ""},
    {"AQUA", nullptr, "", "", ""},
    {"WHITE", nullptr, "", "", ""},
    {"RGBCOLOR", nullptr, "", "", ""},
    {"PIXELS", nullptr, "", "", ""},
};

} // namespace

void RegisterExtendedFunctions(TQRFunctionLibrary &library)
{
    const QString vendor = QStringLiteral("Tabulon");
    for (const TExtendedEntry &entry : ExtendedEntries) {
        if (!entry.FunctionClass) {
            library.Reserve(QLatin1String(entry.Name));
            continue;
        }
        QREvAddFunction(library, entry.FunctionClass, QLatin1String(entry.Name),
                        QString::fromLatin1(entry.Syntax) + u'|' + QString::fromLatin1(entry.Explanation),
                        vendor, QLatin1String(entry.Signature));
    }
}
