#include "pdffont.h"

#include "pdffile.h"

#include <QGlyphRun>
#include <QTextLayout>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <hb-subset.h>
#include <hb.h>

namespace
{
quint16 u16(const QByteArray &t, int at)
{
    return at + 2 <= t.size() ? qFromBigEndian<quint16>(t.constData() + at) : 0;
}

qint16 s16(const QByteArray &t, int at)
{
    return qint16(u16(t, at));
}

quint32 u32(const QByteArray &t, int at)
{
    return at + 4 <= t.size() ? qFromBigEndian<quint32>(t.constData() + at) : 0;
}

quint32 checksum(const QByteArray &data)
{
    quint32 sum = 0;
    const int n = int(data.size());
    for (int i = 0; i < n; i += 4) {
        quint32 v = 0;
        for (int k = 0; k < 4; ++k)
            v = (v << 8) | (i + k < n ? uchar(data[i + k]) : 0);
        sum += v;
    }
    return sum;
}

// The tables a PDF reader draws glyphs from, and those the subsetter needs to keep them right.
const char *const kTables[] = {"CFF ", "OS/2", "cmap", "cvt ", "fpgm", "gasp", "glyf", "head",
                               "hhea", "hmtx", "loca", "maxp", "name", "post", "prep"};

// A font file made of the given tables (sorted by tag, as the format wants).
QByteArray buildSfnt(const std::vector<std::pair<QByteArray, QByteArray>> &tables, bool cff)
{
    const int n = int(tables.size());
    int power = 1, log2 = 0;
    while (power * 2 <= n) {
        power *= 2;
        ++log2;
    }
    QByteArray out;
    auto put16 = [&out](quint16 v) {
        out.append(char(v >> 8));
        out.append(char(v & 0xff));
    };
    auto put32 = [&out](quint32 v) {
        for (int s = 24; s >= 0; s -= 8)
            out.append(char((v >> s) & 0xff));
    };
    put32(cff ? 0x4F54544Fu : 0x00010000u);
    put16(quint16(n));
    put16(quint16(power * 16));
    put16(quint16(log2));
    put16(quint16(n * 16 - power * 16));
    quint32 offset = quint32(12 + 16 * n);
    for (const auto &[tag, data] : tables) {
        out.append(tag.constData(), 4);
        put32(checksum(data));
        put32(offset);
        put32(quint32(data.size()));
        offset += quint32((data.size() + 3) & ~3);
    }
    for (const auto &entry : tables) {
        out.append(entry.second);
        while (out.size() % 4)
            out.append('\0');
    }
    return out;
}

// The PostScript name from the name table (id 6), Windows or Macintosh record.
QByteArray postScriptName(const QByteArray &name)
{
    const int count = u16(name, 2), strings = u16(name, 4);
    for (int i = 0; i < count; ++i) {
        const int rec = 6 + 12 * i;
        const int platform = u16(name, rec), id = u16(name, rec + 6);
        const int length = u16(name, rec + 8), at = strings + u16(name, rec + 10);
        if (id != 6 || at + length > name.size())
            continue;
        QByteArray ps;
        if (platform == 3 || platform == 0) {
            for (int k = 0; k + 1 < length; k += 2)
                ps.append(char(u16(name, at + k) & 0x7f));
        } else if (platform == 1) {
            ps = name.mid(at, length);
        }
        // A PostScript name is printable ASCII without spaces or delimiters.
        QByteArray clean;
        for (const char c : ps)
            if (c > 0x20 && c < 0x7f && !std::strchr("[](){}<>/%", c))
                clean.append(c);
        if (!clean.isEmpty())
            return clean.left(100);
    }
    return {};
}
} // namespace

// --- faces -----------------------------------------------------------------------------------------

TQRPdfFace::TQRPdfFace(const QRawFont &raw)
{
    std::vector<std::pair<QByteArray, QByteArray>> tables;
    for (const char *tag : kTables) {
        const QByteArray data = raw.fontTable(tag);
        if (!data.isEmpty())
            tables.emplace_back(QByteArray(tag, 4), data);
    }
    auto table = [&tables](const char *tag) {
        for (const auto &t : tables)
            if (t.first == tag)
                return t.second;
        return QByteArray();
    };
    const QByteArray head = table("head"), hhea = table("hhea"), maxp = table("maxp"), hmtx = table("hmtx");
    m_cff = !table("CFF ").isEmpty();
    if (head.size() < 54 || hhea.size() < 36 || maxp.size() < 6 || (!m_cff && table("glyf").isEmpty()))
        return;
    m_unitsPerEm = std::max<quint16>(16, u16(head, 18));
    for (int i = 0; i < 4; ++i)
        m_bbox[i] = s16(head, 36 + 2 * i);
    m_ascent = s16(hhea, 4);
    m_descent = s16(hhea, 6);
    m_numGlyphs = u16(maxp, 4);
    const int metrics = std::min<int>(u16(hhea, 34), m_numGlyphs);
    m_advances.assign(size_t(m_numGlyphs), 0);
    quint16 last = 0;
    for (int g = 0; g < m_numGlyphs; ++g) {
        if (g < metrics)
            last = u16(hmtx, 4 * g);
        m_advances[size_t(g)] = last;
    }
    const QByteArray os2 = table("OS/2");
    m_capHeight = u16(os2, 0) >= 2 && os2.size() >= 90 ? s16(os2, 88) : m_ascent;
    m_italicAngle = double(qint32(u32(table("post"), 4))) / 65536.0;
    m_psName = postScriptName(table("name"));
    if (m_psName.isEmpty())
        m_psName = QString(raw.familyName() + raw.styleName()).remove(QLatin1Char(' ')).toLatin1();
    m_sfnt = buildSfnt(tables, m_cff);
    m_unicodes.assign(size_t(m_numGlyphs), 0);
    m_used.assign(size_t(m_numGlyphs), false);
    m_valid = m_numGlyphs > 0;
}

double TQRPdfFace::Width(quint32 glyph) const
{
    return glyph < m_advances.size() ? m_advances[glyph] * 1000.0 / m_unitsPerEm : 0.0;
}

void TQRPdfFace::Use(quint32 glyph, char32_t unicode)
{
    if (glyph >= m_used.size())
        return;
    m_used[glyph] = true;
    if (!m_unicodes[glyph])
        m_unicodes[glyph] = unicode;
}

int TQRPdfFace::ObjectNumber(TQRPdfFile *file)
{
    if (!m_object)
        m_object = file->Reserve();
    return m_object;
}

namespace
{
// The face cut down to glyphs; empty when the subsetter refuses it. oldToNew receives each kept
// glyph's new index.
QByteArray subset(const QByteArray &sfnt, const std::vector<bool> &used, bool retainGlyphs,
                  std::vector<int> *oldToNew)
{
    hb_blob_t *blob =
        hb_blob_create(sfnt.constData(), unsigned(sfnt.size()), HB_MEMORY_MODE_READONLY, nullptr, nullptr);
    hb_face_t *face = hb_face_create(blob, 0);
    hb_blob_destroy(blob);
    hb_subset_input_t *input = hb_subset_input_create_or_fail();
    QByteArray out;
    if (input) {
        hb_set_t *glyphs = hb_subset_input_glyph_set(input);
        hb_set_add(glyphs, 0);
        for (size_t g = 0; g < used.size(); ++g)
            if (used[g])
                hb_set_add(glyphs, hb_codepoint_t(g));
        // A PDF reader finds glyphs through the CID map, not the font's own character map,
        // and hinting only adds bytes at the sizes readers draw at.
        hb_set_clear(hb_subset_input_unicode_set(input));
        hb_subset_input_set_flags(input, HB_SUBSET_FLAGS_NO_HINTING | HB_SUBSET_FLAGS_NOTDEF_OUTLINE |
                                             (retainGlyphs ? HB_SUBSET_FLAGS_RETAIN_GIDS : 0));
        if (hb_subset_plan_t *plan = hb_subset_plan_create_or_fail(face, input)) {
            const hb_map_t *map = hb_subset_plan_old_to_new_glyph_mapping(plan);
            oldToNew->assign(used.size(), 0);
            for (size_t g = 0; g < used.size(); ++g) {
                const hb_codepoint_t to = hb_map_get(map, hb_codepoint_t(g));
                (*oldToNew)[g] = to == HB_MAP_VALUE_INVALID ? 0 : int(to);
            }
            if (hb_face_t *result = hb_subset_plan_execute_or_fail(plan)) {
                hb_blob_t *bytes = hb_face_reference_blob(result);
                unsigned length = 0;
                const char *data = hb_blob_get_data(bytes, &length);
                if (data && length)
                    out = QByteArray(data, qsizetype(length));
                hb_blob_destroy(bytes);
                hb_face_destroy(result);
            }
            hb_subset_plan_destroy(plan);
        }
        hb_subset_input_destroy(input);
    }
    hb_face_destroy(face);
    return out;
}

void appendHex4(QByteArray &out, quint32 v)
{
    static const char hex[] = "0123456789ABCDEF";
    out.append('<');
    for (int s = 12; s >= 0; s -= 4)
        out.append(hex[(v >> s) & 15]);
    out.append('>');
}

void appendUtf16Hex(QByteArray &out, char32_t c)
{
    static const char hex[] = "0123456789ABCDEF";
    const QString s = QString::fromUcs4(&c, 1);
    out.append('<');
    for (const QChar ch : s)
        for (int sh = 12; sh >= 0; sh -= 4)
            out.append(hex[(ch.unicode() >> sh) & 15]);
    out.append('>');
}

QByteArray toUnicodeCMap(const std::vector<char32_t> &unicodes, const std::vector<bool> &used)
{
    QByteArray out("/CIDInit/ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                   "/CIDSystemInfo<</Registry(Adobe)/Ordering(UCS)/Supplement 0>>def\n"
                   "/CMapName/Adobe-Identity-UCS def\n/CMapType 2 def\n"
                   "1 begincodespacerange\n<0000><FFFF>\nendcodespacerange\n");
    std::vector<quint32> mapped;
    for (size_t g = 0; g < used.size(); ++g)
        if (used[g] && unicodes[g] && unicodes[g] <= 0x10FFFF &&
            (unicodes[g] < 0xD800 || unicodes[g] > 0xDFFF))
            mapped.push_back(quint32(g));
    for (size_t i = 0; i < mapped.size(); i += 100) {
        const size_t n = std::min<size_t>(100, mapped.size() - i);
        out.append(QByteArray::number(qsizetype(n)));
        out.append(" beginbfchar\n");
        for (size_t k = i; k < i + n; ++k) {
            appendHex4(out, mapped[k]);
            appendUtf16Hex(out, unicodes[mapped[k]]);
            out.append('\n');
        }
        out.append("endbfchar\n");
    }
    out.append("endcmap\nCMapName currentdict/CMap defineresource pop\nend\nend\n");
    return out;
}

// Six capitals from the face and its glyphs, so that two subsets of one face in different
// documents get different names.
QByteArray subsetTag(const QByteArray &name, const std::vector<bool> &used)
{
    quint64 h = 1469598103934665603ull;
    auto mix = [&h](quint64 v) { h = (h ^ v) * 1099511628211ull; };
    for (const char c : name)
        mix(uchar(c));
    for (size_t g = 0; g < used.size(); ++g)
        if (used[g])
            mix(g);
    QByteArray tag;
    for (int i = 0; i < 6; ++i) {
        tag.append(char('A' + h % 26));
        h /= 26;
    }
    return tag;
}
} // namespace

void TQRPdfFace::WriteObjects(TQRPdfFile *file)
{
    const int fontObject = ObjectNumber(file);
    const int cidFont = file->Reserve(), descriptor = file->Reserve(), fontFile = file->Reserve();
    const int toUnicode = file->Reserve();
    std::vector<int> oldToNew;
    QByteArray embedded = m_subset ? subset(m_sfnt, m_used, m_cff, &oldToNew) : QByteArray();
    const bool whole = embedded.isEmpty();
    if (whole) {
        // The subsetter refused the face (or subsetting is off): it is embedded whole, its glyph
        // indexes unchanged, so that its texts still print and read back.
        embedded = m_sfnt;
        oldToNew.clear();
    }
    QByteArray base = whole ? QByteArray() : subsetTag(m_psName, m_used) + '+';
    base += m_psName;

    QByteArray type0("<</Type/Font/Subtype/Type0/BaseFont");
    PdfAppendName(type0, base);
    type0 += "/Encoding/Identity-H/DescendantFonts[" + QByteArray::number(cidFont) + " 0 R]/ToUnicode " +
             QByteArray::number(toUnicode) + " 0 R>>";
    file->Object(fontObject, type0);

    // Widths of the glyphs used, runs of neighbours sharing one array.
    QByteArray widths("[");
    for (size_t g = 0; g < m_used.size();) {
        if (!m_used[g]) {
            ++g;
            continue;
        }
        widths += QByteArray::number(qsizetype(g)) + '[';
        bool first = true;
        for (; g < m_used.size() && m_used[g]; ++g) {
            if (!first)
                widths += ' ';
            PdfAppendNumber(widths, Width(quint32(g)), 1);
            first = false;
        }
        widths += ']';
    }
    widths += ']';

    int cidToGid = 0;
    QByteArray cid("<</Type/Font/Subtype/");
    cid += m_cff ? "CIDFontType0" : "CIDFontType2";
    cid += "/BaseFont";
    PdfAppendName(cid, base);
    cid += "/CIDSystemInfo<</Registry(Adobe)/Ordering(Identity)/Supplement 0>>/FontDescriptor " +
           QByteArray::number(descriptor) + " 0 R/DW 0/W " + widths;
    if (!m_cff) {
        if (oldToNew.empty()) {
            cid += "/CIDToGIDMap/Identity";
        } else {
            cidToGid = file->Reserve();
            cid += "/CIDToGIDMap " + QByteArray::number(cidToGid) + " 0 R";
        }
    }
    cid += ">>";
    file->Object(cidFont, cid);

    auto design = [this](int v) { return QByteArray::number(qRound(v * 1000.0 / m_unitsPerEm)); };
    QByteArray fd("<</Type/FontDescriptor/FontName");
    PdfAppendName(fd, base);
    fd += "/Flags " + QByteArray::number(4 | (m_italicAngle != 0 ? 64 : 0)) + "/FontBBox[" +
          design(m_bbox[0]) + ' ' + design(m_bbox[1]) + ' ' + design(m_bbox[2]) + ' ' + design(m_bbox[3]) +
          "]/ItalicAngle ";
    PdfAppendNumber(fd, m_italicAngle, 2);
    fd += "/Ascent " + design(m_ascent) + "/Descent " + design(m_descent) + "/CapHeight " +
          design(m_capHeight) + "/StemV 80";
    fd += m_cff ? "/FontFile3 " : "/FontFile2 ";
    fd += QByteArray::number(fontFile) + " 0 R>>";
    file->Object(descriptor, fd);

    file->Stream(fontFile,
                 m_cff ? QByteArray("/Subtype/OpenType")
                       : QByteArray("/Length1 ") + QByteArray::number(embedded.size()),
                 embedded);
    file->Stream(toUnicode, QByteArray(), toUnicodeCMap(m_unicodes, m_used));
    if (cidToGid) {
        size_t last = 0;
        for (size_t g = 0; g < m_used.size(); ++g)
            if (m_used[g])
                last = g;
        QByteArray map(qsizetype(2 * (last + 1)), '\0');
        for (size_t g = 0; g <= last; ++g) {
            const int to = m_used[g] ? oldToNew[g] : 0;
            map[qsizetype(2 * g)] = char(to >> 8);
            map[qsizetype(2 * g + 1)] = char(to & 0xff);
        }
        file->Stream(cidToGid, QByteArray(), map);
    }
}

// --- the registry ----------------------------------------------------------------------------------

TQRPdfFace *TQRPdfFontRegistry::Face(const QRawFont &raw)
{
    const QString key = raw.familyName() + QLatin1Char('\n') + raw.styleName() + QLatin1Char('\n') +
                        QString::number(raw.weight()) + QLatin1Char('\n') + QString::number(int(raw.style()));
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_byKey.find(key);
    if (it != m_byKey.end())
        return it->second;
    m_faces.push_back(std::make_unique<TQRPdfFace>(raw));
    m_faces.back()->SetSubsetting(m_subset);
    m_byKey.emplace(key, m_faces.back().get());
    return m_faces.back().get();
}

// --- shaping ---------------------------------------------------------------------------------------

namespace
{
// Characters laid out one glyph each, from the face's character map, in any font without
// letter spacing or case changes: Latin, Greek and Cyrillic without combining marks.
constexpr char32_t kDirectLimit = 0x0530;
// A kerning not yet learnt.
constexpr float kUnknown = 1e30f;
// A character whose glyph was not looked up yet.
constexpr quint32 kUnlooked = 0xffffffffu;

bool directCharacter(char16_t c)
{
    return c >= 0x20 && c < kDirectLimit && c != 0x7f && !(c >= 0x80 && c < 0xa0) && c != 0xad &&
           !(c >= 0x300 && c < 0x370) && !(c >= 0x483 && c < 0x48a);
}
} // namespace

struct TQRPdfShaper::Entry {
    QFont font; // resolved for the page
    QRawFont raw;
    TQRPdfFace *face = nullptr;
    double pixelSize = 0;
    bool syntheticBold = false, syntheticItalic = false;
    bool direct = false;         // plain texts may be taken from the tables below
    std::vector<quint32> glyph;  // by character below kDirectLimit
    std::vector<double> advance; // page pixels, by character below kDirectLimit
    // What Qt's layout does to two neighbours (first << 16 | second): the kerning added to the
    // first one's advance, or NaN where they are shaped into other glyphs (ligatures).
    std::unordered_map<quint32, double> pairs;
    // The same for two ASCII characters, the common case, looked up directly; kUnknown until learnt.
    std::vector<float> asciiPairs = std::vector<float>(128 * 128, kUnknown);
};

TQRPdfShaper::TQRPdfShaper(TQRPdfFontRegistry *registry, int dpi)
    : m_registry(registry), m_dpi(dpi), m_device(1, 1, QImage::Format_Mono)
{
    m_device.setDotsPerMeterX(int(std::lround(dpi / 0.0254)));
    m_device.setDotsPerMeterY(int(std::lround(dpi / 0.0254)));
}

TQRPdfShaper::~TQRPdfShaper() = default;

QFont TQRPdfShaper::Resolved(const QFont &font)
{
    return QFont(font, &m_device);
}

TQRPdfShaper::Entry *TQRPdfShaper::entry(const QFont &font)
{
    if (m_last && font == m_lastFont)
        return m_last;
    const QString key = font.key();
    auto it = m_entries.find(key);
    if (it == m_entries.end()) {
        auto e = std::make_unique<Entry>();
        e->font = QFont(font, &m_device);
        e->raw = QRawFont::fromFont(e->font);
        if (e->raw.isValid()) {
            e->face = m_registry->Face(e->raw);
            e->pixelSize = e->raw.pixelSize();
            e->syntheticBold = e->font.weight() >= QFont::DemiBold && e->raw.weight() < QFont::DemiBold;
            e->syntheticItalic =
                e->font.style() != QFont::StyleNormal && e->raw.style() == QFont::StyleNormal;
            e->direct = e->face->Valid() && e->font.letterSpacing() == 0 && e->font.wordSpacing() == 0 &&
                        e->font.capitalization() == QFont::MixedCase &&
                        (e->font.stretch() == 0 || e->font.stretch() == 100);
            // Characters are looked up as they are met: a report uses few of them.
            e->glyph.assign(kDirectLimit, kUnlooked);
            e->advance.assign(kDirectLimit, 0.0);
        }
        it = m_entries.emplace(key, std::move(e)).first;
    }
    m_lastFont = font;
    m_last = it->second.get();
    return m_last;
}

double TQRPdfShaper::Shape(const QFont &font, const QString &text, bool rightToLeft,
                           std::vector<TQRPdfGlyphRun> *runs)
{
    runs->clear();
    Entry *e = entry(font);
    bool direct = m_direct && e->direct && !rightToLeft;
    for (qsizetype i = 0; direct && i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        direct = directCharacter(c);
        if (direct && e->glyph[c] == kUnlooked) {
            const QChar ch(c);
            quint32 glyph = 0;
            int count = 1;
            QPointF advance;
            if (!e->raw.glyphIndexesForChars(&ch, 1, &glyph, &count) || count != 1)
                glyph = 0;
            if (glyph)
                e->raw.advancesForGlyphIndexes(&glyph, &advance, 1);
            e->glyph[c] = glyph;
            e->advance[c] = advance.x();
        }
        direct = direct && e->glyph[c] != 0;
    }
    // Kerning and ligatures as Qt's layout applies them, learnt pair by pair.
    m_kerning.resize(size_t(text.size()));
    for (qsizetype i = 0; direct && i + 1 < text.size(); ++i) {
        const double k = pair(*e, text[i].unicode(), text[i + 1].unicode());
        direct = !std::isnan(k);
        m_kerning[size_t(i)] = k;
    }
    if (!direct)
        return layout(*e, text, rightToLeft, runs);
    TQRPdfGlyphRun &run = runs->emplace_back();
    run.face = e->face;
    run.pixelSize = e->pixelSize;
    run.syntheticBold = e->syntheticBold;
    run.syntheticItalic = e->syntheticItalic;
    const size_t n = size_t(text.size());
    run.glyphs.resize(n);
    run.positions.resize(n);
    run.unicodes.resize(n);
    double x = 0;
    for (size_t i = 0; i < n; ++i) {
        const char16_t c = text[qsizetype(i)].unicode();
        run.glyphs[i] = e->glyph[c];
        run.positions[i] = QPointF(x, 0);
        run.unicodes[i] = c;
        x += e->advance[c];
        if (i + 1 < n)
            x += m_kerning[i];
    }
    return x;
}

double TQRPdfShaper::pair(Entry &e, char16_t a, char16_t b)
{
    float *ascii = a < 128 && b < 128 ? &e.asciiPairs[size_t(a) * 128 + b] : nullptr;
    if (ascii && *ascii != kUnknown)
        return *ascii;
    const quint32 key = quint32(a) << 16 | b;
    if (!ascii) {
        const auto found = e.pairs.find(key);
        if (found != e.pairs.end())
            return found->second;
    }
    std::vector<TQRPdfGlyphRun> runs;
    const QChar both[2] = {QChar(a), QChar(b)};
    layout(e, QString(both, 2), false, &runs);
    double kern = std::nan("");
    if (runs.size() == 1 && runs[0].glyphs.size() == 2 && runs[0].glyphs[0] == e.glyph[a] &&
        runs[0].glyphs[1] == e.glyph[b] && runs[0].positions[0] == QPointF(0, 0) &&
        runs[0].positions[1].y() == 0)
        kern = runs[0].positions[1].x() - e.advance[a];
    if (ascii)
        *ascii = float(kern); // Qt's positions are in 1/64 pixel: a float keeps them exactly
    else
        e.pairs.emplace(key, kern);
    return kern;
}

double TQRPdfShaper::layout(const Entry &e, const QString &text, bool rightToLeft,
                            std::vector<TQRPdfGlyphRun> *runs)
{
    QTextLayout layout(text, e.font, &m_device);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    option.setTextDirection(rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
    option.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (!line.isValid()) {
        layout.endLayout();
        return 0;
    }
    line.setLineWidth(1e7);
    layout.endLayout();
    const double ascent = line.ascent();
    const QList<QGlyphRun> glyphRuns = layout.glyphRuns();
    bool allPaired = glyphRuns.size() == 1;
    for (const QGlyphRun &g : glyphRuns) {
        const QRawFont raw = g.rawFont();
        if (!raw.isValid())
            continue;
        TQRPdfGlyphRun run;
        run.face = raw == e.raw ? e.face : m_registry->Face(raw);
        if (!run.face->Valid())
            continue;
        run.pixelSize = raw.pixelSize();
        run.syntheticBold = e.font.weight() >= QFont::DemiBold && raw.weight() < QFont::DemiBold;
        run.syntheticItalic = e.font.style() != QFont::StyleNormal && raw.style() == QFont::StyleNormal;
        const QList<quint32> glyphs = g.glyphIndexes();
        const QList<QPointF> positions = g.positions();
        run.glyphs.assign(glyphs.begin(), glyphs.end());
        run.positions.reserve(size_t(positions.size()));
        for (const QPointF &p : positions)
            run.positions.emplace_back(p.x(), p.y() - ascent);
        // What each glyph stands for: the characters whose own glyph it is in this face.
        std::unordered_map<quint32, char32_t> reverse;
        const QList<uint> codes = text.toUcs4();
        for (const uint c : codes) {
            const char32_t ch = c;
            const QString one = QString::fromUcs4(&ch, 1);
            const QList<quint32> own = raw.glyphIndexesForString(one);
            if (own.size() == 1 && own[0])
                reverse.emplace(own[0], ch);
        }
        run.unicodes.resize(run.glyphs.size());
        bool paired = run.glyphs.size() == size_t(codes.size());
        for (size_t i = 0; i < run.glyphs.size(); ++i) {
            auto it = reverse.find(run.glyphs[i]);
            run.unicodes[i] = it == reverse.end() ? 0 : it->second;
            paired = paired && run.unicodes[i];
        }
        allPaired = allPaired && paired;
        runs->push_back(std::move(run));
    }
    // Ligatures, shaped forms, reordered scripts and fallback faces: the text itself goes with
    // the glyphs, on the first run for all of them.
    if ((!allPaired || rightToLeft || text.isRightToLeft()) && !runs->empty())
        runs->front().actualText = text;
    return line.horizontalAdvance();
}
