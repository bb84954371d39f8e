#include "common/codepage.h"

#include <QMutex>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>

#include <atomic>
#include <map>
#include <optional>

namespace
{

const char DefaultCodePage[] = "windows-1251";

// Invalid characters become NUL so that they can be told apart from the substitution byte the
// ICU codecs use by default (0x1A), which would otherwise be indistinguishable from real text.
constexpr auto EncoderFlags =
    QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInvalidToNull;
constexpr auto DecoderFlags = QStringConverter::Flag::Stateless;

bool isKnownCodec(const QString &name)
{
    return !name.isEmpty() && QStringEncoder(name.toLatin1().constData(), EncoderFlags).isValid() &&
           QStringDecoder(name.toLatin1().constData(), DecoderFlags).isValid();
}

struct TCodePageState {
    QMutex mutex;
    QString name;
    // Bumped on every change so that the per-thread codec caches notice it without locking.
    std::atomic<int> generation{1};

    TCodePageState()
    {
        const QString fromEnv = qEnvironmentVariable("TABULON_CODEPAGE").trimmed();
        if (fromEnv.isEmpty()) {
            name = QString::fromLatin1(DefaultCodePage);
        } else if (isKnownCodec(fromEnv)) {
            name = fromEnv;
        } else {
            qWarning("TABULON_CODEPAGE names an unknown code page \"%s\"; using %s", qPrintable(fromEnv),
                     DefaultCodePage);
            name = QString::fromLatin1(DefaultCodePage);
        }
    }
};

TCodePageState &state()
{
    static TCodePageState s;
    return s;
}

// Codecs are costly to create (ICU) and these functions run once per string in file readers,
// so each thread keeps one encoder/decoder pair for the current code page.
struct TCodecCache {
    int generation = 0;
    std::optional<QStringEncoder> encoder;
    std::optional<QStringDecoder> decoder;

    void refresh()
    {
        TCodePageState &s = state();
        const int current = s.generation.load(std::memory_order_acquire);
        if (current == generation)
            return;
        QByteArray name;
        {
            QMutexLocker lock(&s.mutex);
            name = s.name.toLatin1();
        }
        encoder.emplace(name.constData(), EncoderFlags);
        decoder.emplace(name.constData(), DecoderFlags);
        generation = current;
    }
};

TCodecCache &cache()
{
    thread_local TCodecCache c;
    c.refresh();
    return c;
}

QByteArray encodeReplacingNul(QStringEncoder &encoder, const QString &text)
{
    QByteArray bytes = encoder.encode(text);
    if (!bytes.contains('\0'))
        return bytes;
    if (!text.contains(QChar(0))) {
        bytes.replace('\0', '?');
        return bytes;
    }
    // The text holds real NULs: encode the pieces between them on their own.
    const QStringList parts = text.split(QChar(0));
    QByteArray result;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0)
            result.append('\0');
        QByteArray piece = encoder.encode(parts.at(i));
        piece.replace('\0', '?');
        result.append(piece);
    }
    return result;
}

} // namespace

QString CodePageName()
{
    TCodePageState &s = state();
    QMutexLocker lock(&s.mutex);
    return s.name;
}

bool SetCodePageName(const QString &name)
{
    const QString trimmed = name.trimmed();
    if (!isKnownCodec(trimmed))
        return false;
    TCodePageState &s = state();
    QMutexLocker lock(&s.mutex);
    if (s.name != trimmed) {
        s.name = trimmed;
        s.generation.fetch_add(1, std::memory_order_release);
    }
    return true;
}

QByteArray EncodeCodePage(const QString &text)
{
    if (text.isEmpty())
        return {};
    return encodeReplacingNul(*cache().encoder, text);
}

QString DecodeCodePage(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return {};
    return cache().decoder->decode(bytes);
}

namespace
{
// Windows code pages in the order they are tried, with their font character sets.
struct TWindowsCodePageEntry {
    const char *name;
    int number;
    int charset;
};
constexpr TWindowsCodePageEntry WindowsCodePages[] = {
    {"windows-1252", 1252, 0},   {"windows-1251", 1251, 204}, {"windows-1250", 1250, 238},
    {"windows-1253", 1253, 161}, {"windows-1254", 1254, 162}, {"windows-1257", 1257, 186},
    {"windows-1255", 1255, 177}, {"windows-1256", 1256, 178}, {"windows-1258", 1258, 163},
    {"windows-874", 874, 222},   {"Shift_JIS", 932, 128},     {"GBK", 936, 134},
    {"windows-949", 949, 129},   {"Big5", 950, 136},
};

TWindowsCodePage pageOf(const TWindowsCodePageEntry &e)
{
    return {QString::fromLatin1(e.name), e.number, e.charset};
}

// Encoders per code page and thread; invalid characters become NUL as above.
QStringEncoder *windowsEncoder(const QString &name)
{
    thread_local std::map<QString, std::optional<QStringEncoder>> encoders;
    auto it = encoders.find(name);
    if (it == encoders.end()) {
        std::optional<QStringEncoder> encoder;
        QStringEncoder e(name.toLatin1().constData(), EncoderFlags);
        if (e.isValid())
            encoder.emplace(std::move(e));
        it = encoders.emplace(name, std::move(encoder)).first;
    }
    return it->second ? &*it->second : nullptr;
}

bool holds(const QString &name, const QString &text)
{
    QStringEncoder *encoder = windowsEncoder(name);
    if (!encoder)
        return false;
    const QByteArray bytes = encoder->encode(text);
    // Real NULs of the text come out as NULs too: only extra ones are losses.
    return bytes.count('\0') == text.count(QChar(0));
}

// The entry for a codec name, compared as codec names are (letter case and "cp" spellings).
const TWindowsCodePageEntry *entryNamed(const QString &name)
{
    QString n = name.trimmed().toLower();
    if (n.startsWith(QLatin1String("cp")))
        n = QStringLiteral("windows-") + n.mid(2);
    for (const TWindowsCodePageEntry &e : WindowsCodePages)
        if (n == QString::fromLatin1(e.name).toLower())
            return &e;
    return nullptr;
}
} // namespace

TWindowsCodePage WindowsCodePageFor(const QString &text)
{
    bool ascii = true;
    for (QChar c : text)
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    const TWindowsCodePageEntry *current = entryNamed(CodePageName());
    if (current && (ascii || holds(QString::fromLatin1(current->name), text)))
        return pageOf(*current);
    if (ascii)
        return pageOf(WindowsCodePages[0]);
    for (const TWindowsCodePageEntry &e : WindowsCodePages)
        if (&e != current && holds(QString::fromLatin1(e.name), text))
            return pageOf(e);
    return pageOf(WindowsCodePages[0]);
}

QByteArray EncodeWindowsCodePage(const QString &text, const TWindowsCodePage &page)
{
    if (text.isEmpty())
        return {};
    QStringEncoder *encoder = windowsEncoder(page.Name);
    if (!encoder)
        encoder = windowsEncoder(QString::fromLatin1(WindowsCodePages[0].name));
    return encodeReplacingNul(*encoder, text);
}
