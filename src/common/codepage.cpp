#include "common/codepage.h"

#include <QMutex>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>

#include <atomic>
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
