#pragma once

// Fonts of a PDF document: texts laid out into glyphs of the faces Qt sets
// them in, and those faces embedded as subset CID TrueType fonts with a
// ToUnicode map, so that the text stays searchable and copyable.

#include <QFont>
#include <QHash>
#include <QImage>
#include <QPointF>
#include <QRawFont>
#include <QString>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

class TQRPdfFile;
class TQRPdfFace;

// Hashes texts for the standard containers.
struct TQRPdfStringHash {
    size_t operator()(const QString &s) const { return qHash(s); }
};

// Glyphs of one face that a text is drawn with.
struct TQRPdfGlyphRun {
    TQRPdfFace *face = nullptr;
    double pixelSize = 0;           // the face's size in page pixels
    bool syntheticBold = false;     // Qt thickens the regular face
    bool syntheticItalic = false;   // Qt slants the upright face
    std::vector<quint32> glyphs;    // glyph indexes of the face
    std::vector<QPointF> positions; // each glyph's origin, page pixels from the text's origin
    std::vector<char32_t> unicodes; // the character each glyph stands for, 0 when not one
    QString actualText;             // the run's text, where its glyphs and characters do not pair up
};

// A face's tables and what a document uses of it. The registry makes it; Use and
// WriteObjects are called by the document's writing thread only.
class TQRPdfFace
{
public:
    explicit TQRPdfFace(const QRawFont &raw);
    // False when the face's tables cannot be read: its texts are then left out.
    bool Valid() const { return m_valid; }
    // The face's PostScript name.
    const QByteArray &PostScriptName() const { return m_psName; }
    // How far glyph advances, in thousandths of the font size.
    double Width(quint32 glyph) const;
    // Notes glyph as drawn, standing for unicode (0: not known).
    void Use(quint32 glyph, char32_t unicode);
    // The object number of its font dictionary; reserved on first use.
    int ObjectNumber(TQRPdfFile *file);
    // True once a page refers to it.
    bool Referenced() const { return m_object != 0; }
    // Writes the font dictionary and what it refers to, the face subset to the glyphs used.
    void WriteObjects(TQRPdfFile *file);
    // For tests: the face as it would be embedded when it cannot be subset.
    void SetSubsetting(bool on) { m_subset = on; }

private:
    QByteArray m_sfnt; // the face as a font file, rebuilt from its tables
    QByteArray m_psName;
    bool m_valid = false;
    bool m_cff = false; // outlines in CFF rather than TrueType
    bool m_subset = true;
    quint16 m_unitsPerEm = 1000;
    int m_numGlyphs = 0;
    std::vector<quint16> m_advances; // design units, by glyph
    qint16 m_bbox[4] = {0, 0, 0, 0};
    qint16 m_ascent = 0, m_descent = 0, m_capHeight = 0;
    double m_italicAngle = 0;
    std::vector<char32_t> m_unicodes; // by glyph, for the used ones
    std::vector<bool> m_used;
    int m_object = 0;
};

// The faces of one document, shared by the threads that encode its pages.
class TQRPdfFontRegistry
{
public:
    // The face raw is set in, made on first sight; never null.
    TQRPdfFace *Face(const QRawFont &raw);
    // Every face in the order it was first seen.
    const std::vector<std::unique_ptr<TQRPdfFace>> &Faces() const { return m_faces; }
    // For tests: faces made from now on are embedded whole.
    void SetSubsetting(bool on) { m_subset = on; }

private:
    std::mutex m_mutex;
    std::unordered_map<QString, TQRPdfFace *, TQRPdfStringHash> m_byKey;
    std::vector<std::unique_ptr<TQRPdfFace>> m_faces;
    bool m_subset = true;
};

// Lays texts out as QPainter::drawText lays them out, at a page's resolution. One per thread.
class TQRPdfShaper
{
public:
    TQRPdfShaper(TQRPdfFontRegistry *registry, int dpi);
    ~TQRPdfShaper();
    // The runs text is drawn with in font (as recorded, sizes at the page's resolution) and its
    // advance in page pixels. Characters and fonts that need it go through Qt's text layout; plain
    // text in a font that has every one of its characters is taken from the face's tables.
    double Shape(const QFont &font, const QString &text, bool rightToLeft, std::vector<TQRPdfGlyphRun> *runs);
    // The font resolved for the page's resolution, for its metrics.
    QFont Resolved(const QFont &font);
    // For tests: false makes every text go through Qt's text layout.
    void SetDirect(bool on) { m_direct = on; }

private:
    struct Entry;
    Entry *entry(const QFont &font);
    double layout(const Entry &e, const QString &text, bool rightToLeft, std::vector<TQRPdfGlyphRun> *runs);
    double pair(Entry &e, char16_t a, char16_t b);

    TQRPdfFontRegistry *m_registry;
    int m_dpi;
    QImage m_device; // the paper at the page's resolution, for Qt's layout
    std::unordered_map<QString, std::unique_ptr<Entry>, TQRPdfStringHash> m_entries;
    QFont m_lastFont;
    Entry *m_last = nullptr;
    bool m_direct = true;
    std::vector<double> m_kerning; // after each character of the text being shaped
};
