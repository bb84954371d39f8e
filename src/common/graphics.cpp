#include "graphics.h"
#include "jpegbytes.h"

#include "units.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QtEndian>
#include <cmath>

// --- TFont ------------------------------------------------------------------

TFont::TFont(QObject *parent) : TPersistent(parent), m_name(QStringLiteral("Arial"))
{
    m_height = -int(std::lround(10 * ScreenPixelsPerInch() / 72));
}

void TFont::changed()
{
    if (m_updating == 0)
        Q_EMIT Changed();
}

void TFont::SetCharset(TFontCharset v)
{
    if (v != m_charset) {
        m_charset = v;
        changed();
    }
}

void TFont::SetColor(TColor v)
{
    if (v != m_color) {
        m_color = v;
        changed();
    }
}

void TFont::SetHeight(int v)
{
    if (v != m_height) {
        m_height = v;
        changed();
    }
}

void TFont::SetName(const QString &v)
{
    if (v != m_name && !v.isEmpty()) {
        m_name = v;
        changed();
    }
}

void TFont::SetPitch(TFontPitch v)
{
    if (v != m_pitch) {
        m_pitch = v;
        changed();
    }
}

int TFont::Size() const
{
    return -int(std::lround(m_height * 72 / ScreenPixelsPerInch()));
}

void TFont::SetSize(int points)
{
    SetHeight(-int(std::lround(points * ScreenPixelsPerInch() / 72)));
}

void TFont::SetStyle(TFontStyles v)
{
    if (v != m_style) {
        m_style = v;
        changed();
    }
}

void TFont::Assign(const TPersistent *source)
{
    auto *f = qobject_cast<const TFont *>(source);
    if (!f || f == this)
        return TPersistent::Assign(source);
    // One notification for the whole copy.
    const bool differs = f->m_charset != m_charset || f->m_color != m_color || f->m_height != m_height ||
                         f->m_name != m_name || f->m_pitch != m_pitch || f->m_style != m_style;
    m_charset = f->m_charset;
    m_color = f->m_color;
    m_height = f->m_height;
    m_name = f->m_name;
    m_pitch = f->m_pitch;
    m_style = f->m_style;
    if (differs)
        changed();
}

QString TFont::SubstituteFamily(const QString &name)
{
    const QString n = name.trimmed();
    if (n.compare(QLatin1String("Arial"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Liberation Sans");
    if (n.compare(QLatin1String("Times New Roman"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Liberation Serif");
    if (n.compare(QLatin1String("Courier New"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Liberation Mono");
    return n;
}

QFont TFont::ToQFont(double pixelsPerInch) const
{
    QFont f(SubstituteFamily(m_name));
    // Height is in pixels at the screen resolution; scale to the target.
    const double px = std::abs(m_height) * pixelsPerInch / ScreenPixelsPerInch();
    f.setPixelSize(std::max(1, int(std::lround(px))));
    f.setBold(m_style & fsBold);
    f.setItalic(m_style & fsItalic);
    f.setUnderline(m_style & fsUnderline);
    f.setStrikeOut(m_style & fsStrikeOut);
    if (m_pitch == fpFixed) {
        f.setFixedPitch(true);
        f.setStyleHint(QFont::Monospace);
    }
    return f;
}

// --- TPen, TBrush -----------------------------------------------------------

void TPen::SetColor(TColor v)
{
    if (v != m_color) {
        m_color = v;
        Q_EMIT Changed();
    }
}

void TPen::SetMode(TPenMode v)
{
    if (v != m_mode) {
        m_mode = v;
        Q_EMIT Changed();
    }
}

void TPen::SetStyle(TPenStyle v)
{
    if (v != m_style) {
        m_style = v;
        Q_EMIT Changed();
    }
}

void TPen::SetWidth(int v)
{
    if (v != m_width && v >= 0) {
        m_width = v;
        Q_EMIT Changed();
    }
}

Qt::PenStyle TPen::ToQtStyle(TPenStyle style)
{
    switch (style) {
    case psDash:
        return Qt::DashLine;
    case psDot:
        return Qt::DotLine;
    case psDashDot:
        return Qt::DashDotLine;
    case psDashDotDot:
        return Qt::DashDotDotLine;
    case psClear:
        return Qt::NoPen;
    case psSolid:
    case psInsideFrame:
        break;
    }
    return Qt::SolidLine;
}

void TBrush::SetColor(TColor v)
{
    if (v != m_color) {
        m_color = v;
        Q_EMIT Changed();
    }
}

void TBrush::SetStyle(TBrushStyle v)
{
    if (v != m_style) {
        m_style = v;
        Q_EMIT Changed();
    }
}

Qt::BrushStyle TBrush::ToQtStyle(TBrushStyle style)
{
    switch (style) {
    case bsClear:
        return Qt::NoBrush;
    case bsHorizontal:
        return Qt::HorPattern;
    case bsVertical:
        return Qt::VerPattern;
    case bsFDiagonal:
        return Qt::FDiagPattern;
    case bsBDiagonal:
        return Qt::BDiagPattern;
    case bsCross:
        return Qt::CrossPattern;
    case bsDiagCross:
        return Qt::DiagCrossPattern;
    case bsSolid:
        break;
    }
    return Qt::SolidPattern;
}

// --- TPicture ---------------------------------------------------------------

namespace
{
QString classForFormat(const QByteArray &format)
{
    const QByteArray f = format.toLower();
    if (f == "bmp")
        return QStringLiteral("TBitmap");
    if (f == "jpeg" || f == "jpg")
        return QStringLiteral("TJPEGImage");
    if (f == "ico")
        return QStringLiteral("TIcon");
    if (f == "png")
        return QStringLiteral("TPngImage");
    if (f == "gif")
        return QStringLiteral("TGIFImage");
    return QStringLiteral("TBitmap");
}

QImage decode(const QByteArray &bytes, QByteArray *format = nullptr)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    QImage image = reader.read();
    if (format)
        *format = reader.format();
    if (bytes.startsWith("\xFF\xD8\xFF"))
        image = QRWithJpegBytes(image, bytes);
    return image;
}

const QString kJpegKey = QStringLiteral("Tabulon-JPEG");
} // namespace

QImage QRWithJpegBytes(QImage image, const QByteArray &jpeg)
{
    if (!image.isNull() && !jpeg.isEmpty())
        image.setText(kJpegKey, QString::fromLatin1(jpeg.toBase64()));
    return image;
}

QByteArray QRJpegBytes(const QImage &image)
{
    const QString text = image.text(kJpegKey);
    return text.isEmpty() ? QByteArray() : QByteArray::fromBase64(text.toLatin1());
}

void TPicture::SetImage(const QImage &image)
{
    m_image = image;
    m_bytes.clear();
    m_class.clear();
    if (!image.isNull()) {
        QBuffer buffer(&m_bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "BMP");
        m_class = QStringLiteral("TBitmap");
    }
    Q_EMIT Changed();
}

bool TPicture::LoadFromFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    QByteArray format;
    const QImage image = decode(bytes, &format);
    if (image.isNull())
        return false;
    m_bytes = bytes;
    m_image = image;
    m_class = classForFormat(format);
    Q_EMIT Changed();
    return true;
}

void TPicture::Clear()
{
    if (IsEmpty())
        return;
    m_bytes.clear();
    m_class.clear();
    m_image = QImage();
    Q_EMIT Changed();
}

QByteArray TPicture::SaveData() const
{
    if (IsEmpty())
        return {};
    const QByteArray name = (m_class.isEmpty() ? QStringLiteral("TBitmap") : m_class).toLatin1().left(255);
    QByteArray out;
    out.append(char(name.size()));
    out.append(name);
    char len[4];
    qToLittleEndian<quint32>(quint32(m_bytes.size()), len);
    out.append(len, 4);
    out.append(m_bytes);
    return out;
}

bool TPicture::LoadData(const QByteArray &data)
{
    if (data.isEmpty()) {
        Clear();
        return true;
    }
    const int nameLen = quint8(data.at(0));
    if (data.size() < 1 + nameLen + 4)
        return false;
    const QString cls = QString::fromLatin1(data.mid(1, nameLen));
    const quint32 count = qFromLittleEndian<quint32>(data.constData() + 1 + nameLen);
    const qsizetype rest = data.size() - (1 + nameLen + 4);
    if (count > quint64(rest) || cls.isEmpty())
        return false;
    m_class = cls;
    m_bytes = data.mid(1 + nameLen + 4, qsizetype(count));
    m_image = decode(m_bytes);
    Q_EMIT Changed();
    return true;
}

void TPicture::Assign(const TPersistent *source)
{
    auto *p = qobject_cast<const TPicture *>(source);
    if (!p || p == this)
        return;
    m_class = p->m_class;
    m_bytes = p->m_bytes;
    m_image = p->m_image;
    Q_EMIT Changed();
}

QStringList TPicture::DefinedPropertyNames() const
{
    return {QStringLiteral("Data")};
}

QVariant TPicture::DefinedProperty(const QString &name) const
{
    if (name.compare(QLatin1String("Data"), Qt::CaseInsensitive) != 0 || IsEmpty())
        return {};
    return SaveData();
}

bool TPicture::SetDefinedProperty(const QString &name, const QVariant &value)
{
    if (name.compare(QLatin1String("Data"), Qt::CaseInsensitive) != 0 ||
        value.typeId() != QMetaType::QByteArray)
        return false;
    return LoadData(value.toByteArray());
}
