#include "common/rtfreader.h"

#include "common/codepage.h"

#include <QColor>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QScreen>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextOption>
#include <QUrl>

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <vector>

namespace
{

// Deeper nesting than this is counted but not kept: nothing real nests so deep,
// and a hostile file must not exhaust memory.
constexpr int MaxDepth = 512;
// Longest control word and parameter the format allows.
constexpr int MaxWordLength = 32;
constexpr int MaxParamDigits = 10;
// Lengths beyond the largest page a word processor knows (22 inches, in twips) are taken as that:
// larger ones only come from damaged files and would overflow the text layout's coordinates.
constexpr int MaxLength = 31680;

int clampLength(int twips)
{
    return std::clamp(twips, -MaxLength, MaxLength);
}

enum class Dest { Text, FontTable, ColorTable, Pict, Skip };

// Windows code page for an RTF \fcharset value; 0 for "the document's".
int charsetCodePage(int charset)
{
    switch (charset) {
    case 0:
        return 1252;
    case 2: // symbol fonts map their bytes one to one
        return 1252;
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 255:
        return 437;
    default:
        return 0;
    }
}

QByteArray codecName(int codePage)
{
    switch (codePage) {
    case 437:
        return "IBM437";
    case 850:
        return "IBM850";
    case 866:
        return "IBM866";
    case 874:
        return "windows-874";
    case 932:
        return "Shift_JIS";
    case 936:
        return "GBK";
    case 949:
        return "windows-949";
    case 950:
        return "Big5";
    case 10000:
        return "macintosh";
    case 65001:
        return "UTF-8";
    default:
        if (codePage >= 1250 && codePage <= 1258)
            return "windows-" + QByteArray::number(codePage);
        return QByteArray();
    }
}

QString decodeBytes(const QByteArray &bytes, int codePage)
{
    const QByteArray name = codecName(codePage);
    if (!name.isEmpty()) {
        QStringDecoder decoder(name.constData(), QStringConverter::Flag::Stateless);
        if (decoder.isValid())
            return QString(decoder.decode(bytes));
    }
    QStringDecoder fallback("windows-1252", QStringConverter::Flag::Stateless);
    if (fallback.isValid())
        return QString(fallback.decode(bytes));
    return QString::fromLatin1(bytes);
}

struct Font {
    QString family;
    int codePage = 0;
};

// Formatting that a group inherits from its parent and loses at its end.
struct GroupState {
    Dest dest = Dest::Text;
    QTextCharFormat chars;
    int fontIndex = -1;
    int codePage = 0;
    int uc = 1;
    Qt::Alignment alignment = Qt::AlignLeft;
    int li = 0, ri = 0, fi = 0, sb = 0, sa = 0, sl = 0;
    bool slMult = false;
    QList<QTextOption::Tab> tabs;
    QTextOption::TabType nextTabType = QTextOption::LeftTab;
};

struct Picture {
    enum Kind { None, Png, Jpeg, Dib, Other } kind = None;
    QByteArray hex;
    QByteArray binary;
    int picw = 0, pich = 0, goalw = 0, goalh = 0, scalex = 100, scaley = 100;
};

class Reader
{
public:
    Reader(const QByteArray &in, QTextDocument *doc) : m_in(in), m_doc(doc), m_cursor(doc) {}

    void run()
    {
        m_st.chars.setFontPointSize(12);
        while (m_pos < m_in.size() && !m_done) {
            const char c = m_in[m_pos++];
            switch (c) {
            case '{':
                openGroup();
                break;
            case '}':
                closeGroup();
                break;
            case '\\':
                controlSequence();
                break;
            case '\r':
            case '\n':
                break;
            default:
                textByte(c);
                break;
            }
        }
        flushBytes();
        flushText();
        // A last paragraph without \par keeps the format it had when the document's group closed.
        m_cursor.setBlockFormat(m_finalBlock ? *m_finalBlock : blockFormat());
    }

private:
    // --- groups ------------------------------------------------------------------------

    void openGroup()
    {
        flushBytes();
        m_skip = 0;
        if (m_stack.size() >= MaxDepth) {
            ++m_overflow;
            return;
        }
        m_stack.push_back(m_st);
        m_star = false;
    }

    void closeGroup()
    {
        flushBytes();
        m_skip = 0;
        m_star = false;
        if (m_overflow > 0) {
            --m_overflow;
            return;
        }
        if (m_stack.empty()) {
            m_done = true; // the outermost group is closed: the rest is not part of the text
            return;
        }
        const Dest ending = m_st.dest;
        if (ending == Dest::FontTable)
            commitFont();
        flushText();
        if (m_stack.size() == 1 && ending == Dest::Text)
            m_finalBlock = blockFormat();
        GroupState parent = m_stack.back();
        m_stack.pop_back();
        if (ending == Dest::Pict && parent.dest != Dest::Pict) {
            if (parent.dest == Dest::Text)
                insertPicture();
            m_pict = Picture();
        }
        m_st = parent;
        if (m_stack.empty())
            m_done = true;
    }

    // --- control words and symbols -----------------------------------------------------

    void controlSequence()
    {
        if (m_pos >= m_in.size())
            return;
        const char c = m_in[m_pos];
        if (!isAsciiLetter(c)) {
            ++m_pos;
            controlSymbol(c);
            return;
        }
        QByteArray word;
        while (m_pos < m_in.size() && isAsciiLetter(m_in[m_pos]) && word.size() < MaxWordLength)
            word += m_in[m_pos++];
        while (m_pos < m_in.size() && isAsciiLetter(m_in[m_pos])) // overlong: ignore the rest
            ++m_pos;
        bool hasParam = false;
        bool negative = false;
        long long value = 0;
        if (m_pos < m_in.size() && m_in[m_pos] == '-' && m_pos + 1 < m_in.size() &&
            isDigit(m_in[m_pos + 1])) {
            negative = true;
            ++m_pos;
        }
        int digits = 0;
        while (m_pos < m_in.size() && isDigit(m_in[m_pos])) {
            if (digits++ < MaxParamDigits)
                value = value * 10 + (m_in[m_pos] - '0');
            hasParam = true;
            ++m_pos;
        }
        value = std::clamp<long long>(negative ? -value : value, INT32_MIN, INT32_MAX);
        if (m_pos < m_in.size() && m_in[m_pos] == ' ')
            ++m_pos;
        if (word == "bin") {
            // Binary data follows directly: never parse it as RTF.
            const qsizetype n =
                std::clamp<qsizetype>(hasParam ? qsizetype(value) : 0, 0, m_in.size() - m_pos);
            if (m_st.dest == Dest::Pict)
                m_pict.binary += m_in.mid(m_pos, n);
            m_pos += n;
            return;
        }
        flushBytes();
        if (m_skip > 0) {
            --m_skip;
            return;
        }
        controlWord(word, hasParam, int(value));
    }

    void controlSymbol(char c)
    {
        if (c == '\'') {
            int value = 0;
            for (int i = 0; i < 2; ++i) {
                const int d = m_pos < m_in.size() ? hexDigit(m_in[m_pos]) : -1;
                if (d < 0)
                    return; // malformed: drop it
                value = value * 16 + d;
                ++m_pos;
            }
            textByte(char(value));
            return;
        }
        flushBytes();
        if (c == '*') {
            m_star = true;
            return;
        }
        if (m_skip > 0) {
            --m_skip;
            return;
        }
        switch (c) {
        case '\\':
        case '{':
        case '}':
            text(QString(QLatin1Char(c)));
            break;
        case '~':
            text(QString(QChar(0x00A0)));
            break;
        case '-':
            text(QString(QChar(0x00AD)));
            break;
        case '_':
            text(QString(QChar(0x2011)));
            break;
        case '\r':
        case '\n':
            paragraph();
            break;
        case '\t':
            text(QStringLiteral("\t"));
            break;
        default:
            break; // \: (index entries), \| (formula) and the like
        }
    }

    void controlWord(const QByteArray &w, bool hasParam, int n)
    {
        const bool star = m_star;
        m_star = false;
        const bool on = !hasParam || n != 0;

        // Destinations.
        if (w == "fonttbl") {
            m_st.dest = Dest::FontTable;
            return;
        }
        if (w == "colortbl") {
            m_st.dest = Dest::ColorTable;
            m_colors.clear();
            m_color = QColor(0, 0, 0);
            m_colorSet = false;
            return;
        }
        if (w == "pict") {
            if (m_st.dest == Dest::Skip)
                return;
            m_st.dest = m_st.dest == Dest::Text ? Dest::Pict : Dest::Skip;
            m_pict = Picture();
            return;
        }
        if (w == "shppict" || w == "fldrslt" || w == "result")
            return; // their contents are the visible text or picture
        static const char *const skipped[] = {"stylesheet",
                                              "info",
                                              "header",
                                              "headerl",
                                              "headerr",
                                              "headerf",
                                              "footer",
                                              "footerl",
                                              "footerr",
                                              "footerf",
                                              "fldinst",
                                              "nonshppict",
                                              "listtable",
                                              "listoverridetable",
                                              "rsidtbl",
                                              "xmlnstbl",
                                              "filetbl",
                                              "revtbl",
                                              "latentstyles",
                                              "themedata",
                                              "colorschememapping",
                                              "datastore",
                                              "object",
                                              "objdata",
                                              "footnote",
                                              "annotation",
                                              "generator",
                                              "pgdsctbl",
                                              "template",
                                              "mmathPr",
                                              "pnseclvl",
                                              "private",
                                              "bkmkstart",
                                              "bkmkend",
                                              "field_unused"};
        for (const char *s : skipped)
            if (w == s) {
                m_st.dest = Dest::Skip;
                return;
            }

        if (m_st.dest == Dest::Skip)
            return;
        if (m_st.dest == Dest::FontTable) {
            fontTableWord(w, hasParam, n, star);
            return;
        }
        if (m_st.dest == Dest::ColorTable) {
            if (w == "red")
                m_color.setRed(std::clamp(n, 0, 255)), m_colorSet = true;
            else if (w == "green")
                m_color.setGreen(std::clamp(n, 0, 255)), m_colorSet = true;
            else if (w == "blue")
                m_color.setBlue(std::clamp(n, 0, 255)), m_colorSet = true;
            return;
        }
        if (m_st.dest == Dest::Pict) {
            pictWord(w, n, star);
            return;
        }

        // Document settings.
        if (w == "ansi")
            m_docCodePage = 1252;
        else if (w == "mac")
            m_docCodePage = 10000;
        else if (w == "pc")
            m_docCodePage = 437;
        else if (w == "pca")
            m_docCodePage = 850;
        else if (w == "ansicpg" && hasParam)
            m_docCodePage = n;
        else if (w == "deff" && hasParam)
            m_defaultFont = n;
        else if (w == "uc" && hasParam)
            m_st.uc = std::clamp(n, 0, 16);
        else if (w == "u" && hasParam) {
            text(QString(QChar(char16_t(n < 0 ? n + 65536 : n))));
            m_skip = m_st.uc;
        }
        // Special characters.
        else if (w == "par" || w == "row")
            paragraph();
        else if (w == "line")
            text(QString(QChar::LineSeparator));
        else if (w == "tab" || w == "cell")
            text(QStringLiteral("\t"));
        else if (w == "emdash")
            text(QString(QChar(0x2014)));
        else if (w == "endash")
            text(QString(QChar(0x2013)));
        else if (w == "bullet")
            text(QString(QChar(0x2022)));
        else if (w == "lquote")
            text(QString(QChar(0x2018)));
        else if (w == "rquote")
            text(QString(QChar(0x2019)));
        else if (w == "ldblquote")
            text(QString(QChar(0x201C)));
        else if (w == "rdblquote")
            text(QString(QChar(0x201D)));
        else if (w == "emspace")
            text(QString(QChar(0x2003)));
        else if (w == "enspace")
            text(QString(QChar(0x2002)));
        // Character formatting.
        else if (w == "plain")
            plain();
        else if (w == "f" && hasParam)
            selectFont(n);
        else if (w == "fs" && hasParam)
            m_st.chars.setFontPointSize(std::clamp(n, 1, 3276) / 2.0);
        else if (w == "b")
            m_st.chars.setFontWeight(on ? QFont::Bold : QFont::Normal);
        else if (w == "i")
            m_st.chars.setFontItalic(on);
        else if (w == "ul" || w == "uld" || w == "uldb" || w == "ulw" || w == "uldash" || w == "ulth" ||
                 w == "ulwave")
            m_st.chars.setFontUnderline(on);
        else if (w == "ulnone")
            m_st.chars.setFontUnderline(false);
        else if (w == "strike" || w == "striked")
            m_st.chars.setFontStrikeOut(on);
        else if (w == "caps")
            m_st.chars.setFontCapitalization(on ? QFont::AllUppercase : QFont::MixedCase);
        else if (w == "cf" && hasParam) {
            const QColor c = color(n);
            if (c.isValid())
                m_st.chars.setForeground(c);
            else
                m_st.chars.clearForeground();
        } else if ((w == "highlight" || w == "cb" || w == "chcbpat") && hasParam) {
            const QColor c = color(n);
            if (c.isValid())
                m_st.chars.setBackground(c);
            else
                m_st.chars.clearBackground();
        } else if (w == "super")
            m_st.chars.setVerticalAlignment(on ? QTextCharFormat::AlignSuperScript
                                               : QTextCharFormat::AlignNormal);
        else if (w == "sub")
            m_st.chars.setVerticalAlignment(on ? QTextCharFormat::AlignSubScript
                                               : QTextCharFormat::AlignNormal);
        else if (w == "nosupersub")
            m_st.chars.setVerticalAlignment(QTextCharFormat::AlignNormal);
        // Paragraph formatting.
        else if (w == "pard")
            resetParagraph();
        else if (w == "ql")
            m_st.alignment = Qt::AlignLeft;
        else if (w == "qr")
            m_st.alignment = Qt::AlignRight;
        else if (w == "qc")
            m_st.alignment = Qt::AlignHCenter;
        else if (w == "qj")
            m_st.alignment = Qt::AlignJustify;
        else if (w == "li" || w == "lin")
            m_st.li = clampLength(n);
        else if (w == "ri" || w == "rin")
            m_st.ri = clampLength(n);
        else if (w == "fi")
            m_st.fi = clampLength(n);
        else if (w == "sb")
            m_st.sb = clampLength(n);
        else if (w == "sa")
            m_st.sa = clampLength(n);
        else if (w == "sl")
            m_st.sl = clampLength(n);
        else if (w == "slmult")
            m_st.slMult = on;
        else if (w == "tqr")
            m_st.nextTabType = QTextOption::RightTab;
        else if (w == "tqc")
            m_st.nextTabType = QTextOption::CenterTab;
        else if (w == "tqdec")
            m_st.nextTabType = QTextOption::DelimiterTab;
        else if ((w == "tx" || w == "tb") && hasParam) {
            // Tab positions, like exact line heights, are 96-dpi pixels.
            QTextOption::Tab tab(std::clamp(n, 0, MaxLength) / 15.0, m_st.nextTabType,
                                 m_st.nextTabType == QTextOption::DelimiterTab ? QLatin1Char('.') : QChar());
            m_st.tabs.append(tab);
            m_st.nextTabType = QTextOption::LeftTab;
        }
        // Page breaks (\page, \sect, \column) have no meaning inside an element.
        else if (star)
            m_st.dest = Dest::Skip; // an ignorable destination this reader does not know
    }

    void fontTableWord(const QByteArray &w, bool hasParam, int n, bool star)
    {
        if (w == "f" && hasParam) {
            commitFont();
            m_fontIndex = n;
            m_fontName.clear();
            m_fontCodePage = 0;
            m_st.codePage = 0;
        } else if (w == "fcharset" && hasParam) {
            m_fontCodePage = charsetCodePage(n);
            m_st.codePage = m_fontCodePage;
        } else if (w == "cpg" && hasParam) {
            m_fontCodePage = n;
            m_st.codePage = n;
        } else if (star) {
            m_st.dest = Dest::Skip;
        } else if (w == "panose" || w == "falt" || w == "fname") {
            m_st.dest = Dest::Skip;
        }
    }

    void pictWord(const QByteArray &w, int n, bool star)
    {
        if (w == "pngblip")
            m_pict.kind = Picture::Png;
        else if (w == "jpegblip")
            m_pict.kind = Picture::Jpeg;
        else if (w == "dibitmap")
            m_pict.kind = Picture::Dib;
        else if (w == "emfblip" || w == "wmetafile" || w == "macpict" || w == "wbitmap" || w == "pmmetafile")
            m_pict.kind = Picture::Other;
        else if (w == "picw")
            m_pict.picw = n;
        else if (w == "pich")
            m_pict.pich = n;
        else if (w == "picwgoal")
            m_pict.goalw = n;
        else if (w == "pichgoal")
            m_pict.goalh = n;
        else if (w == "picscalex")
            m_pict.scalex = n;
        else if (w == "picscaley")
            m_pict.scaley = n;
        else if (star)
            m_st.dest = Dest::Skip;
    }

    // --- text --------------------------------------------------------------------------

    void textByte(char c)
    {
        if (m_skip > 0) {
            --m_skip;
            return;
        }
        if (m_bytes.isEmpty())
            m_bytesCodePage = currentCodePage();
        m_bytes += c;
    }

    int currentCodePage() const
    {
        if (m_st.codePage)
            return m_st.codePage;
        if (m_st.fontIndex < 0 && m_st.dest == Dest::Text) {
            // No font chosen yet: the default font's charset applies.
            auto it = m_fonts.find(m_defaultFont);
            if (it != m_fonts.end() && it->second.codePage)
                return it->second.codePage;
        }
        return m_docCodePage;
    }

    void flushBytes()
    {
        if (m_bytes.isEmpty())
            return;
        const QByteArray bytes = m_bytes;
        m_bytes.clear();
        if (m_st.dest == Dest::Pict) {
            for (char c : bytes)
                if (hexDigit(c) >= 0)
                    m_pict.hex += c;
            return;
        }
        text(decodeBytes(bytes, m_bytesCodePage));
    }

    void text(const QString &s)
    {
        switch (m_st.dest) {
        case Dest::Text:
            if (!m_text.isEmpty() && m_textFormat != m_st.chars)
                flushText();
            if (m_text.isEmpty())
                m_textFormat = m_st.chars;
            m_text += s;
            break;
        case Dest::FontTable:
            for (QChar c : s) {
                if (c == QLatin1Char(';'))
                    commitFont();
                else
                    m_fontName += c;
            }
            break;
        case Dest::ColorTable:
            for (QChar c : s)
                if (c == QLatin1Char(';')) {
                    m_colors.append(m_colorSet ? m_color : QColor());
                    m_color = QColor(0, 0, 0);
                    m_colorSet = false;
                }
            break;
        default:
            break;
        }
    }

    void flushText()
    {
        if (m_text.isEmpty())
            return;
        QTextCharFormat format = m_textFormat;
        if (!format.hasProperty(QTextFormat::FontFamilies)) {
            auto it = m_fonts.find(m_defaultFont);
            if (it != m_fonts.end() && !it->second.family.isEmpty())
                format.setFontFamilies(QStringList{it->second.family});
        }
        m_cursor.insertText(m_text, format);
        m_text.clear();
    }

    void paragraph()
    {
        if (m_st.dest != Dest::Text)
            return;
        flushText();
        m_cursor.setBlockFormat(blockFormat());
        m_cursor.insertBlock(QTextBlockFormat(), m_st.chars);
    }

    QTextBlockFormat blockFormat() const
    {
        QTextBlockFormat f;
        f.setAlignment(m_st.alignment);
        f.setLeftMargin(m_st.li);
        f.setRightMargin(m_st.ri);
        f.setTextIndent(m_st.fi);
        f.setTopMargin(m_st.sb);
        f.setBottomMargin(m_st.sa);
        if (m_st.sl != 0) {
            if (m_st.slMult && m_st.sl > 0)
                f.setLineHeight(m_st.sl * 100.0 / 240.0, QTextBlockFormat::ProportionalHeight);
            // Exact line heights are pixels of a 96-dpi screen, which Qt scales to the device
            // the text is laid out on (unlike indents and spacing, taken as they are).
            else if (m_st.sl > 0)
                f.setLineHeight(m_st.sl / 15.0, QTextBlockFormat::MinimumHeight);
            else
                f.setLineHeight(-m_st.sl / 15.0, QTextBlockFormat::FixedHeight);
        }
        if (!m_st.tabs.isEmpty())
            f.setTabPositions(m_st.tabs);
        return f;
    }

    void resetParagraph()
    {
        m_st.alignment = Qt::AlignLeft;
        m_st.li = m_st.ri = m_st.fi = m_st.sb = m_st.sa = m_st.sl = 0;
        m_st.slMult = false;
        m_st.tabs.clear();
        m_st.nextTabType = QTextOption::LeftTab;
    }

    void plain()
    {
        m_st.chars = QTextCharFormat();
        m_st.chars.setFontPointSize(12);
        m_st.codePage = 0;
        selectFont(m_defaultFont);
    }

    void selectFont(int index)
    {
        auto it = m_fonts.find(index);
        if (it == m_fonts.end())
            return;
        m_st.fontIndex = index;
        if (!it->second.family.isEmpty())
            m_st.chars.setFontFamilies(QStringList{it->second.family});
        m_st.codePage = it->second.codePage;
    }

    void commitFont()
    {
        flushBytesInto();
        if (m_fontIndex >= 0) {
            Font font;
            font.family = m_fontName.trimmed();
            font.codePage = m_fontCodePage;
            if (!font.family.isEmpty() || !m_fonts.count(m_fontIndex))
                m_fonts[m_fontIndex] = font;
        }
        m_fontName.clear();
    }

    // Font names end at ';' or at their group's end, where pending bytes may still wait.
    void flushBytesInto()
    {
        if (m_bytes.isEmpty() || m_st.dest != Dest::FontTable)
            return;
        const QByteArray bytes = m_bytes;
        m_bytes.clear();
        m_fontName += decodeBytes(bytes, m_bytesCodePage);
    }

    QColor color(int index) const
    {
        if (index < 0 || index >= m_colors.size())
            return QColor();
        return m_colors[index];
    }

    // --- pictures ----------------------------------------------------------------------

    void insertPicture()
    {
        const QByteArray data = m_pict.binary.isEmpty() ? QByteArray::fromHex(m_pict.hex) : m_pict.binary;
        QImage image;
        switch (m_pict.kind) {
        case Picture::Png:
            image = QImage::fromData(data, "PNG");
            break;
        case Picture::Jpeg:
            image = QImage::fromData(data, "JPEG");
            break;
        case Picture::Dib:
            image = dibImage(data);
            break;
        default:
            break;
        }
        if (image.isNull())
            return;
        flushText();
        // Natural size at 96 dpi unless the file asks for another.
        double w = m_pict.goalw > 0 ? m_pict.goalw : image.width() * 15.0;
        double h = m_pict.goalh > 0 ? m_pict.goalh : image.height() * 15.0;
        if (m_pict.scalex > 0)
            w = w * m_pict.scalex / 100.0;
        if (m_pict.scaley > 0)
            h = h * m_pict.scaley / 100.0;
        w = std::min<double>(w, MaxLength);
        h = std::min<double>(h, MaxLength);
        // Qt takes picture sizes as pixels of the screen and scales them to the device itself.
        const QScreen *screen = QGuiApplication::primaryScreen();
        const double perTwip = (screen ? screen->logicalDotsPerInchY() : 96.0) / 1440.0;
        w *= perTwip;
        h *= perTwip;
        const QString name = QStringLiteral("rtfpict:%1").arg(++m_pictures);
        m_doc->addResource(QTextDocument::ImageResource, QUrl(name), QVariant(image));
        QTextImageFormat format;
        format.setName(name);
        format.setWidth(w);
        format.setHeight(h);
        m_cursor.insertImage(format);
    }

    // A device-independent bitmap is a BMP file without its 14-byte file header.
    static QImage dibImage(const QByteArray &dib)
    {
        if (dib.size() < 40)
            return QImage();
        auto u32 = [&](int at) {
            const auto *p = reinterpret_cast<const uchar *>(dib.constData()) + at;
            return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
        };
        const quint32 headerSize = u32(0);
        if (headerSize < 40 || headerSize > quint32(dib.size()))
            return QImage();
        const int bitCount = uchar(dib[14]) | uchar(dib[15]) << 8;
        const quint32 compression = u32(16);
        quint32 colours = u32(32);
        if (colours == 0 && bitCount <= 8)
            colours = 1u << bitCount;
        quint64 offset = 14 + quint64(headerSize) + quint64(std::min<quint32>(colours, 256)) * 4;
        if (headerSize == 40 && (compression == 3 || compression == 6))
            offset += compression == 3 ? 12 : 16;
        QByteArray file;
        const quint32 total = quint32(14 + dib.size());
        file.append("BM", 2);
        for (int i = 0; i < 4; ++i)
            file.append(char((total >> (8 * i)) & 0xff));
        file.append(4, '\0');
        for (int i = 0; i < 4; ++i)
            file.append(char((quint32(offset) >> (8 * i)) & 0xff));
        file.append(dib);
        return QImage::fromData(file, "BMP");
    }

    static bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }
    static int hexDigit(char c)
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

    const QByteArray &m_in;
    qsizetype m_pos = 0;
    QTextDocument *m_doc;
    QTextCursor m_cursor;
    bool m_done = false;
    std::optional<QTextBlockFormat> m_finalBlock; // the last paragraph's format as the document ended

    GroupState m_st;
    std::vector<GroupState> m_stack;
    int m_overflow = 0;
    bool m_star = false;
    int m_skip = 0;

    int m_docCodePage = 1252;
    int m_defaultFont = 0;
    std::map<int, Font> m_fonts;
    int m_fontIndex = -1;
    QString m_fontName;
    int m_fontCodePage = 0;

    QList<QColor> m_colors;
    QColor m_color;
    bool m_colorSet = false;

    QByteArray m_bytes;
    int m_bytesCodePage = 1252;
    QString m_text;
    QTextCharFormat m_textFormat;

    Picture m_pict;
    int m_pictures = 0;
};

bool isValidUtf8WithNonAscii(const QByteArray &bytes)
{
    bool nonAscii = false;
    for (char c : bytes)
        if (uchar(c) >= 0x80) {
            nonAscii = true;
            break;
        }
    if (!nonAscii)
        return false;
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    return !decoder.hasError();
}

} // namespace

bool IsRtf(const QByteArray &bytes)
{
    qsizetype i = 0;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n'))
        ++i;
    return bytes.mid(i, 5) == "{\\rtf";
}

bool ReadRtf(const QByteArray &bytes, QTextDocument *document)
{
    if (!document)
        return false;
    document->clear();
    if (!IsRtf(bytes))
        return false;
    const bool undo = document->isUndoRedoEnabled();
    document->setUndoRedoEnabled(false);
    Reader(bytes, document).run();
    document->setUndoRedoEnabled(undo);
    return true;
}

void ReadRichOrPlainText(const QByteArray &bytes, QTextDocument *document)
{
    if (!document || ReadRtf(bytes, document))
        return;
    QString text = isValidUtf8WithNonAscii(bytes) ? QString::fromUtf8(bytes) : DecodeCodePage(bytes);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    document->setPlainText(text);
}

QByteArray RichTextLinesToBytes(const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines) {
        bytes += EncodeCodePage(line);
        bytes += "\r\n";
    }
    return bytes;
}
