#pragma once

// Fonts, pens, brushes and pictures: the embedded drawing objects of bands,
// elements, the designer and the parameter dialogs. Their published
// properties carry the identifiers the report file uses. Every change emits
// Changed(), so that holders can repaint or drop a "parent font" link.

#include "colors.h"
#include "component.h"
#include "definedproperties.h"

#include <QByteArray>
#include <QFont>
#include <QImage>
#include <QString>

class TFont : public TPersistent
{
    Q_OBJECT
    Q_PROPERTY(TFontCharset Charset READ Charset WRITE SetCharset)
    Q_PROPERTY(TColor Color READ Color WRITE SetColor)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(QString Name READ Name WRITE SetName)
    Q_PROPERTY(TFontPitch Pitch READ Pitch WRITE SetPitch)
    Q_PROPERTY(int Size READ Size WRITE SetSize STORED false)
    Q_PROPERTY(TFontStyles Style READ Style WRITE SetStyle)
    Q_CLASSINFO("Default:Charset", "DEFAULT_CHARSET")
    Q_CLASSINFO("Default:Pitch", "fpDefault")
    Q_CLASSINFO("Default:Style", "[]")

public:
    enum TFontCharset {
        ANSI_CHARSET = 0,
        DEFAULT_CHARSET = 1,
        SYMBOL_CHARSET = 2,
        MAC_CHARSET = 77,
        SHIFTJIS_CHARSET = 128,
        HANGEUL_CHARSET = 129,
        GB2312_CHARSET = 134,
        CHINESEBIG5_CHARSET = 136,
        GREEK_CHARSET = 161,
        TURKISH_CHARSET = 162,
        HEBREW_CHARSET = 177,
        ARABIC_CHARSET = 178,
        BALTIC_CHARSET = 186,
        RUSSIAN_CHARSET = 204,
        THAI_CHARSET = 222,
        EASTEUROPE_CHARSET = 238,
        OEM_CHARSET = 255,
    };
    Q_ENUM(TFontCharset)
    enum TFontPitch { fpDefault, fpVariable, fpFixed };
    Q_ENUM(TFontPitch)
    enum TFontStyle { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
    Q_DECLARE_FLAGS(TFontStyles, TFontStyle)
    Q_FLAG(TFontStyles)

    // Arial 10 pt, window text colour.
    explicit TFont(QObject *parent = nullptr);

    TFontCharset Charset() const { return m_charset; }
    void SetCharset(TFontCharset v);
    TColor Color() const { return m_color; }
    void SetColor(TColor v);
    // Pixels at the screen resolution; negative for the character height.
    int Height() const { return m_height; }
    void SetHeight(int v);
    QString Name() const { return m_name; }
    void SetName(const QString &v);
    TFontPitch Pitch() const { return m_pitch; }
    void SetPitch(TFontPitch v);
    // Points, derived from Height at the screen resolution.
    int Size() const;
    void SetSize(int points);
    TFontStyles Style() const { return m_style; }
    void SetStyle(TFontStyles v);

    // A Qt font for drawing at pixelsPerInch: Arial, Times New Roman and
    // Courier New resolve to their metric-compatible Liberation families.
    QFont ToQFont(double pixelsPerInch) const;
    // The family Qt draws with for a stored font name.
    static QString SubstituteFamily(const QString &name);

    void Assign(const TPersistent *source) override;

Q_SIGNALS:
    void Changed();

private:
    void changed();

    TFontCharset m_charset = DEFAULT_CHARSET;
    TColor m_color = clWindowText;
    int m_height = -13;
    QString m_name;
    TFontPitch m_pitch = fpDefault;
    TFontStyles m_style;
    int m_updating = 0;
};
Q_DECLARE_OPERATORS_FOR_FLAGS(TFont::TFontStyles)

class TPen : public TPersistent
{
    Q_OBJECT
    Q_PROPERTY(TColor Color READ Color WRITE SetColor)
    Q_PROPERTY(TPenMode Mode READ Mode WRITE SetMode)
    Q_PROPERTY(TPenStyle Style READ Style WRITE SetStyle)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_CLASSINFO("Default:Color", "clBlack")
    Q_CLASSINFO("Default:Mode", "pmCopy")
    Q_CLASSINFO("Default:Style", "psSolid")
    Q_CLASSINFO("Default:Width", "1")

public:
    enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
    Q_ENUM(TPenStyle)
    enum TPenMode {
        pmBlack,
        pmWhite,
        pmNop,
        pmNot,
        pmCopy,
        pmNotCopy,
        pmMergePenNot,
        pmMaskPenNot,
        pmMergeNotPen,
        pmMaskNotPen,
        pmMerge,
        pmNotMerge,
        pmMask,
        pmNotMask,
        pmXor,
        pmNotXor
    };
    Q_ENUM(TPenMode)

    using TPersistent::TPersistent;

    TColor Color() const { return m_color; }
    void SetColor(TColor v);
    TPenMode Mode() const { return m_mode; }
    void SetMode(TPenMode v);
    TPenStyle Style() const { return m_style; }
    void SetStyle(TPenStyle v);
    int Width() const { return m_width; }
    void SetWidth(int v);

    // Qt's line style for a pen style (psClear draws nothing).
    static Qt::PenStyle ToQtStyle(TPenStyle style);

Q_SIGNALS:
    void Changed();

private:
    TColor m_color = clBlack;
    TPenMode m_mode = pmCopy;
    TPenStyle m_style = psSolid;
    int m_width = 1;
};

class TBrush : public TPersistent
{
    Q_OBJECT
    Q_PROPERTY(TColor Color READ Color WRITE SetColor)
    Q_PROPERTY(TBrushStyle Style READ Style WRITE SetStyle)
    Q_CLASSINFO("Default:Color", "clWhite")
    Q_CLASSINFO("Default:Style", "bsSolid")

public:
    enum TBrushStyle {
        bsSolid,
        bsClear,
        bsHorizontal,
        bsVertical,
        bsFDiagonal,
        bsBDiagonal,
        bsCross,
        bsDiagCross
    };
    Q_ENUM(TBrushStyle)

    using TPersistent::TPersistent;

    TColor Color() const { return m_color; }
    void SetColor(TColor v);
    TBrushStyle Style() const { return m_style; }
    void SetStyle(TBrushStyle v);

    static Qt::BrushStyle ToQtStyle(TBrushStyle style);

Q_SIGNALS:
    void Changed();

private:
    TColor m_color = clWhite;
    TBrushStyle m_style = bsSolid;
};

// A picture of any kind Qt can decode. Stored as the extra binary property
// "Data": a short string with the graphic's class name ("TBitmap",
// "TJPEGImage", ...), a u32 byte count and the graphic file's bytes.
// Images set from code are stored as "TBitmap" with BMP file bytes; a
// picture read from a file keeps its kind and bytes, so that kinds Qt cannot
// decode (metafiles) survive a load and save unchanged.
class TPicture : public TPersistent, public TDefinedProperties
{
    Q_OBJECT
public:
    using TPersistent::TPersistent;

    bool IsEmpty() const { return m_bytes.isEmpty() && m_image.isNull(); }
    QString GraphicClass() const { return m_class; }
    // The decoded image; null when the picture is empty or not decodable.
    QImage Image() const { return m_image; }
    void SetImage(const QImage &image);
    // Takes a graphic file; the kind follows its format. False when Qt cannot decode it.
    bool LoadFromFile(const QString &fileName);
    void Clear();

    // The "Data" layout; false (and nothing changed) when it is malformed.
    QByteArray SaveData() const;
    bool LoadData(const QByteArray &data);

    void Assign(const TPersistent *source) override;

    QStringList DefinedPropertyNames() const override;
    QVariant DefinedProperty(const QString &name) const override;
    bool SetDefinedProperty(const QString &name, const QVariant &value) override;

Q_SIGNALS:
    void Changed();

private:
    QString m_class;
    QByteArray m_bytes;
    QImage m_image;
};

// Mouse cursors a control shows (stored as identifiers).
class TCursors : public QObject
{
    Q_OBJECT
public:
    enum TCursor {
        crSizeAll = -22,
        crHandPoint = -21,
        crHelp = -20,
        crAppStart = -19,
        crNo = -18,
        crSQLWait = -17,
        crMultiDrag = -16,
        crVSplit = -15,
        crHSplit = -14,
        crNoDrop = -13,
        crDrag = -12,
        crHourGlass = -11,
        crUpArrow = -10,
        crSizeWE = -9,
        crSizeNWSE = -8,
        crSizeNS = -7,
        crSizeNESW = -6,
        crIBeam = -4,
        crCross = -3,
        crArrow = -2,
        crNone = -1,
        crDefault = 0,
    };
    Q_ENUM(TCursor)
};
using TCursor = TCursors::TCursor;
