#include "common/profile.h"

#include "common/codepage.h"
#include "common/localesettings.h"
#include "common/savefile.h"

#include <QFile>
#include <QHash>
#include <QList>
#include <QSaveFile>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <sys/stat.h>

namespace
{

enum class TLineKind { Other, Section, Key };

struct TLine {
    QByteArray raw; // the line's bytes as in the file, without its end
    QByteArray eol; // "\r\n", "\n", or empty for a last line without one
    QString text;
    TLineKind kind = TLineKind::Other;
    QString name;  // section or key name, trimmed
    QString value; // text after the '=', untouched
};

void classify(TLine &line)
{
    line.kind = TLineKind::Other;
    line.name.clear();
    line.value.clear();
    const QString t = line.text.trimmed();
    if (t.isEmpty() || t.front() == u';')
        return;
    if (t.front() == u'[') {
        const qsizetype close = t.indexOf(u']', 1);
        if (close > 0) {
            line.kind = TLineKind::Section;
            line.name = t.mid(1, close - 1).trimmed();
        }
        return;
    }
    const qsizetype eq = line.text.indexOf(u'=');
    if (eq < 0)
        return;
    const QString key = line.text.left(eq).trimmed();
    if (key.isEmpty())
        return;
    line.kind = TLineKind::Key;
    line.name = key;
    line.value = line.text.mid(eq + 1);
}

QString fold(const QString &name)
{
    return name.trimmed().toCaseFolded();
}

enum class TEncoding { Utf8, Utf8Bom, CodePage };

const char Bom[] = "\xEF\xBB\xBF";

struct TSection {
    QString name;
    int header = 0;
    int end = 0;          // one past its last line
    int lastKeyLine = -1; // -1 while it has no key lines
    QList<int> keyLines;  // first occurrence of each key, in file order
    QHash<QString, int> keys;
};

struct TContent {
    QList<TLine> lines;
    TEncoding encoding = TEncoding::Utf8;
    QByteArray newline = "\n";

    QList<TSection> sections; // first occurrence of each name, in file order
    QHash<QString, int> sectionIndex;

    void reindex()
    {
        sections.clear();
        sectionIndex.clear();
        int current = -1; // index into sections; -1 outside any readable section
        for (int i = 0; i < lines.size(); ++i) {
            const TLine &line = lines.at(i);
            if (line.kind == TLineKind::Section) {
                if (current >= 0)
                    sections[current].end = i;
                const QString key = fold(line.name);
                if (sectionIndex.contains(key)) {
                    current = -1; // a repeated section is not read
                } else {
                    current = int(sections.size());
                    TSection s;
                    s.name = line.name;
                    s.header = i;
                    sections.append(s);
                    sectionIndex.insert(key, current);
                }
            } else if (line.kind == TLineKind::Key && current >= 0) {
                TSection &s = sections[current];
                const QString key = fold(line.name);
                if (!s.keys.contains(key)) {
                    s.keys.insert(key, i);
                    s.keyLines.append(i);
                }
                s.lastKeyLine = i;
            }
        }
        if (current >= 0)
            sections[current].end = int(lines.size());
    }

    const TSection *section(const QString &name) const
    {
        const auto it = sectionIndex.constFind(fold(name));
        return it == sectionIndex.constEnd() ? nullptr : &sections.at(*it);
    }

    const TLine *keyLine(const QString &sectionName, const QString &key) const
    {
        const TSection *s = section(sectionName);
        if (!s)
            return nullptr;
        const auto it = s->keys.constFind(fold(key));
        return it == s->keys.constEnd() ? nullptr : &lines.at(*it);
    }

    TLine makeLine(const QString &text) const
    {
        TLine line;
        // The text is what the file will hold, so that the cache never differs from it (a code
        // page turns what it cannot represent into '?').
        if (encoding == TEncoding::CodePage) {
            line.raw = EncodeCodePage(text);
            line.text = DecodeCodePage(line.raw);
        } else {
            line.raw = text.toUtf8();
            line.text = QString::fromUtf8(line.raw);
        }
        line.eol = newline;
        classify(line);
        return line;
    }

    void insertLine(int at, const QString &text)
    {
        // The line before may be a last line without an end.
        if (at > 0 && lines.at(at - 1).eol.isEmpty())
            lines[at - 1].eol = newline;
        lines.insert(at, makeLine(text));
    }

    QByteArray serialize() const
    {
        QByteArray bytes;
        if (encoding == TEncoding::Utf8Bom)
            bytes.append(Bom);
        for (const TLine &line : lines) {
            bytes.append(line.raw);
            bytes.append(line.eol);
        }
        return bytes;
    }

    static TContent parse(const QByteArray &fileBytes)
    {
        TContent c;
        QByteArray bytes = fileBytes;
        if (bytes.startsWith(Bom)) {
            c.encoding = TEncoding::Utf8Bom;
            bytes.remove(0, 3);
        } else {
            QStringDecoder check(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
            const QString decoded = check.decode(bytes); // the conversion runs on assignment
            Q_UNUSED(decoded);
            c.encoding = check.hasError() ? TEncoding::CodePage : TEncoding::Utf8;
        }
        c.newline = bytes.contains("\r\n") ? QByteArray("\r\n") : QByteArray("\n");

        qsizetype start = 0;
        while (start < bytes.size()) {
            qsizetype nl = bytes.indexOf('\n', start);
            TLine line;
            if (nl < 0) {
                line.raw = bytes.mid(start);
                start = bytes.size();
            } else {
                line.raw = bytes.mid(start, nl - start);
                line.eol = "\n";
                if (line.raw.endsWith('\r')) {
                    line.raw.chop(1);
                    line.eol = "\r\n";
                }
                start = nl + 1;
            }
            line.text =
                c.encoding == TEncoding::CodePage ? DecodeCodePage(line.raw) : QString::fromUtf8(line.raw);
            classify(line);
            c.lines.append(line);
        }
        c.reindex();
        return c;
    }
};

// What identifies one version of the file: our own writes replace it with a new inode.
struct TStamp {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    qint64 mtimeNs = 0;
    qint64 ctimeNs = 0;

    static TStamp of(const struct stat &st)
    {
        TStamp s;
        s.exists = true;
        s.dev = st.st_dev;
        s.ino = st.st_ino;
        s.size = st.st_size;
        s.mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        s.ctimeNs = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
        return s;
    }

    bool operator==(const TStamp &) const = default;
};

bool parseInteger(const QString &text, int &result)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text.at(i) == u'+' || text.at(i) == u'-'))
        negative = text.at(i++) == u'-';
    int base = 10;
    if (i < text.size() && text.at(i) == u'$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text.at(i) == u'0' &&
               (text.at(i + 1) == u'x' || text.at(i + 1) == u'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size())
        return false;
    // Hexadecimal covers all 32 bits ("$FFFFFFFF" is -1); decimal must fit the signed range.
    const quint64 limit = base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    quint64 value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        int digit;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (base == 16 && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (base == 16 && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else
            return false;
        value = value * base + digit;
        if (value > limit)
            return false;
    }
    const qint32 bits = qint32(quint32(value));
    result = negative ? qint32(0u - quint32(bits)) : bits;
    return true;
}

// Values that would read back differently (surrounding blanks, enclosing quotes) get quotes.
QString quoteForWrite(const QString &value)
{
    const bool enclosed = value.size() >= 2 && value.front() == value.back() &&
                          (value.front() == u'"' || value.front() == u'\'');
    if (enclosed || value != value.trimmed())
        return u'"' + value + u'"';
    return value;
}

bool hasLineBreak(const QString &text)
{
    return text.contains(u'\n') || text.contains(u'\r');
}

} // namespace

struct TIniFile::TData {
    QString fileName;
    // Cached view of the file and the stamp of the version it was read from.
    mutable bool loaded = false;
    mutable TStamp stamp;
    mutable TContent content;
    mutable QByteArray bytes; // the file as last read or written
    // File times are coarse (a few milliseconds): a same-size rewrite in place within one tick
    // leaves the stamp alone. While the file's time is that recent, its bytes are compared too.
    mutable bool racy = false;
    mutable QString lastError;

    // Brings the cached content up to date with the file. False when the file exists but cannot be
    // read; the content is then empty and lastError says why.
    bool refresh() const
    {
        const QByteArray path = QFile::encodeName(fileName);
        struct stat st;
        if (::stat(path.constData(), &st) != 0) {
            const int err = errno;
            if (err == ENOENT || err == ENOTDIR) {
                if (!loaded || stamp.exists) {
                    content = TContent();
                    bytes.clear();
                    stamp = TStamp();
                    loaded = true;
                    racy = false;
                }
                lastError.clear();
                return true;
            }
            return fail(QString::fromLocal8Bit(std::strerror(err)));
        }
        if (S_ISDIR(st.st_mode))
            return fail(QStringLiteral("it is a directory"));
        if (loaded && !racy && stamp == TStamp::of(st)) {
            lastError.clear();
            return true;
        }

        QFile file(fileName);
        if (!file.open(QIODevice::ReadOnly))
            return fail(file.errorString());
        // The stamp of what is actually read, in case the file is being replaced right now.
        struct stat opened;
        if (::fstat(file.handle(), &opened) != 0)
            return fail(QString::fromLocal8Bit(std::strerror(errno)));
        const QByteArray read = file.readAll();
        if (file.error() != QFileDevice::NoError)
            return fail(file.errorString());
        if (!loaded || read != bytes) {
            content = TContent::parse(read);
            bytes = read;
        }
        setStamp(opened);
        lastError.clear();
        return true;
    }

    void setStamp(const struct stat &st) const
    {
        stamp = TStamp::of(st);
        loaded = true;
        struct timespec now;
        clock_gettime(CLOCK_REALTIME, &now);
        const qint64 nowNs = qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
        racy = stamp.mtimeNs >= nowNs - 2000000000LL;
    }

    bool fail(const QString &reason) const
    {
        content = TContent();
        bytes.clear();
        stamp = TStamp();
        loaded = false;
        lastError = QStringLiteral("Cannot read profile file \"%1\": %2").arg(fileName, reason);
        return false;
    }

    // Writes the changed content; only on success does it become the cached content.
    bool save(TContent changed)
    {
        const QByteArray written = changed.serialize();
        QString error;
        const bool ok = SaveFileContents(fileName, written, &error);
        if (!ok) {
            lastError = QStringLiteral("Cannot write profile file \"%1\": %2").arg(fileName, error);
            return false;
        }
        changed.reindex();
        content = std::move(changed);
        bytes = written;
        struct stat st;
        if (::stat(QFile::encodeName(fileName).constData(), &st) == 0)
            setStamp(st);
        else
            loaded = false; // read it again next time
        lastError.clear();
        return true;
    }

    bool invalid(const QString &what) const
    {
        lastError = QStringLiteral("Cannot write profile file \"%1\": %2").arg(fileName, what);
        return false;
    }
};

TIniFile::TIniFile(const QString &fileName) : d(std::make_unique<TData>())
{
    d->fileName = fileName;
}

TIniFile::~TIniFile() = default;

QString TIniFile::FileName() const
{
    return d->fileName;
}

QString TIniFile::UnquoteValue(const QString &rawValue)
{
    const QString v = rawValue.trimmed();
    if (v.size() >= 2 && v.front() == v.back() && (v.front() == u'"' || v.front() == u'\''))
        return v.mid(1, v.size() - 2);
    return v;
}

QString TIniFile::ReadString(const QString &section, const QString &key, const QString &defaultValue) const
{
    if (!d->refresh())
        return defaultValue;
    const TLine *line = d->content.keyLine(section, key);
    return line ? UnquoteValue(line->value) : defaultValue;
}

bool TIniFile::ReadRawString(const QString &section, const QString &key, QString &value) const
{
    if (!d->refresh())
        return false;
    const TLine *line = d->content.keyLine(section, key);
    if (!line)
        return false;
    value = line->value.trimmed();
    return true;
}

int TIniFile::ReadInteger(const QString &section, const QString &key, int defaultValue) const
{
    int value = 0;
    return parseInteger(ReadString(section, key, QString()), value) ? value : defaultValue;
}

bool TIniFile::ReadBool(const QString &section, const QString &key, bool defaultValue) const
{
    int value = 0;
    return parseInteger(ReadString(section, key, QString()), value) ? value != 0 : defaultValue;
}

double TIniFile::ReadFloat(const QString &section, const QString &key, double defaultValue) const
{
    const QString text = ReadString(section, key, QString());
    double value = 0;
    if (LocaleSettings().TryStrToFloat(text, value) || TLocaleSettings::TryStrToFloat(text, u'.', value))
        return value;
    return defaultValue;
}

bool TIniFile::WriteString(const QString &section, const QString &key, const QString &value)
{
    const QString sectionName = section.trimmed();
    const QString keyName = key.trimmed();
    if (sectionName.isEmpty() || sectionName.contains(u']') || hasLineBreak(sectionName))
        return d->invalid(QStringLiteral("\"%1\" is not a valid section name").arg(section));
    if (keyName.isEmpty() || keyName.contains(u'=') || keyName.front() == u';' || keyName.front() == u'[' ||
        hasLineBreak(keyName))
        return d->invalid(QStringLiteral("\"%1\" is not a valid key name").arg(key));
    if (hasLineBreak(value))
        return d->invalid(QStringLiteral("the value of \"%1\" contains a line break").arg(key));
    if (!d->refresh())
        return false;

    TContent changed = d->content;
    const QString written = quoteForWrite(value);
    const TSection *s = changed.section(sectionName);
    if (!s) {
        const int end = int(changed.lines.size());
        changed.insertLine(end, u'[' + sectionName + u']');
        changed.insertLine(end + 1, keyName + u'=' + written);
    } else if (const auto it = s->keys.constFind(fold(keyName)); it != s->keys.constEnd()) {
        // Keep the key as the file spells it and the blanks around the '='.
        TLine &line = changed.lines[*it];
        const qsizetype eq = line.text.indexOf(u'=');
        qsizetype valueStart = eq + 1;
        while (valueStart < line.text.size() &&
               (line.text.at(valueStart) == u' ' || line.text.at(valueStart) == u'\t'))
            ++valueStart;
        const QString text = line.text.left(valueStart) + written;
        if (text == line.text && d->stamp.exists) {
            d->lastError.clear();
            return true;
        }
        const QByteArray eol = line.eol;
        line = changed.makeLine(text);
        line.eol = eol;
    } else {
        const int at = (s->lastKeyLine >= 0 ? s->lastKeyLine : s->header) + 1;
        changed.insertLine(at, keyName + u'=' + written);
    }
    return d->save(std::move(changed));
}

bool TIniFile::WriteInteger(const QString &section, const QString &key, int value)
{
    return WriteString(section, key, QString::number(value));
}

bool TIniFile::WriteBool(const QString &section, const QString &key, bool value)
{
    return WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

QStringList TIniFile::ReadSections() const
{
    QStringList names;
    if (!d->refresh())
        return names;
    for (const TSection &s : d->content.sections)
        names.append(s.name);
    return names;
}

QStringList TIniFile::ReadSection(const QString &section) const
{
    QStringList keys;
    if (!d->refresh())
        return keys;
    if (const TSection *s = d->content.section(section))
        for (int line : s->keyLines)
            keys.append(d->content.lines.at(line).name);
    return keys;
}

QStringList TIniFile::ReadSectionValues(const QString &section) const
{
    QStringList values;
    if (!d->refresh())
        return values;
    if (const TSection *s = d->content.section(section)) {
        for (int index : s->keyLines) {
            const TLine &line = d->content.lines.at(index);
            values.append(line.name + u'=' + UnquoteValue(line.value));
        }
    }
    return values;
}

bool TIniFile::SectionExists(const QString &section) const
{
    return d->refresh() && d->content.section(section) != nullptr;
}

bool TIniFile::ValueExists(const QString &section, const QString &key) const
{
    return d->refresh() && d->content.keyLine(section, key) != nullptr;
}

bool TIniFile::EraseSection(const QString &section)
{
    if (!d->refresh())
        return false;
    if (!d->content.section(section))
        return true;
    const QString wanted = fold(section);
    TContent changed = d->content;
    QList<TLine> kept;
    bool erasing = false;
    for (const TLine &line : changed.lines) {
        if (line.kind == TLineKind::Section)
            erasing = fold(line.name) == wanted;
        if (!erasing)
            kept.append(line);
    }
    changed.lines = kept;
    return d->save(std::move(changed));
}

bool TIniFile::DeleteKey(const QString &section, const QString &key)
{
    if (!d->refresh())
        return false;
    const TSection *s = d->content.section(section);
    if (!s || !s->keys.contains(fold(key)))
        return true;
    const QString wanted = fold(key);
    TContent changed = d->content;
    for (int i = s->end - 1; i > s->header; --i) {
        const TLine &line = changed.lines.at(i);
        if (line.kind == TLineKind::Key && fold(line.name) == wanted)
            changed.lines.removeAt(i);
    }
    return d->save(std::move(changed));
}

QString TIniFile::LastError() const
{
    return d->lastError;
}
