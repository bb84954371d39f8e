#include "common/codepage.h"
#include "common/rtfreader.h"

#include <QBuffer>
#include <QImage>
#include <QRandomGenerator>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>

#include <gtest/gtest.h>

namespace
{
QString read(QTextDocument &doc, const QByteArray &rtf)
{
    EXPECT_TRUE(ReadRtf(rtf, &doc));
    return doc.toPlainText();
}

// The character format of the first character of the first occurrence of text.
QTextCharFormat formatOf(QTextDocument &doc, const QString &text)
{
    const QTextCursor found = doc.find(text);
    EXPECT_FALSE(found.isNull()) << text.toStdString();
    QTextCursor c(&doc);
    c.setPosition(found.selectionStart() + 1);
    return c.charFormat();
}

QTextBlockFormat blockOf(QTextDocument &doc, const QString &text)
{
    return doc.find(text).block().blockFormat();
}

QByteArray pictHex(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes.toHex();
}

// A device-independent bitmap: a BMP file without its 14-byte file header.
QByteArray dibHex(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes.mid(14).toHex();
}

int imageCount(QTextDocument &doc, QList<QTextImageFormat> *formats = nullptr)
{
    int n = 0;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat()) {
                ++n;
                if (formats)
                    formats->append(it.fragment().charFormat().toImageFormat());
            }
    return n;
}
} // namespace

TEST(RtfReader, GroupsNestedFormattingAndDestinations)
{
    QTextDocument doc;
    const QString text =
        read(doc, "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman{\\*\\panose 0};"
                  "Times New Roman;}}{\\stylesheet{\\s0 Normal;}}{\\info{\\title Secret}}"
                  "{\\*\\unknowndest hidden {\\b nested hidden}}{\\*\\generator Writer;}"
                  "Hello {\\b bold {\\i both} bold}{\\f1  roman} plain\\par}trailing after end");
    EXPECT_EQ(text, QStringLiteral("Hello bold both bold roman plain\n"));
    EXPECT_EQ(formatOf(doc, "Hello").fontWeight(), QFont::Normal);
    EXPECT_EQ(formatOf(doc, "Hello").fontFamilies().toStringList(), QStringList{"Arial"});
    EXPECT_EQ(formatOf(doc, "bold").fontWeight(), QFont::Bold);
    EXPECT_FALSE(formatOf(doc, "bold").fontItalic());
    EXPECT_TRUE(formatOf(doc, "both").fontItalic());
    EXPECT_EQ(formatOf(doc, "both").fontWeight(), QFont::Bold);
    EXPECT_EQ(formatOf(doc, "roman").fontFamilies().toStringList(), QStringList{"Times New Roman"});
    EXPECT_EQ(formatOf(doc, "plain").fontWeight(), QFont::Normal);
    EXPECT_DOUBLE_EQ(formatOf(doc, "plain").fontPointSize(), 12);
}

TEST(RtfReader, CodePagesCharsetsAndUnicode)
{
    QTextDocument doc;
    // Cyrillic by the document's code page.
    EXPECT_EQ(read(doc, "{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2, \\'ec\\'e8\\'f0}"),
              QStringLiteral("Привет, мир"));
    // A font's charset overrides it; the same byte is another letter in a Western font.
    EXPECT_EQ(read(doc,
                   "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fcharset0 Arial;}{\\f1\\fcharset204 Arial "
                   "Cyr;}{\\f2\\fcharset161 Greek;}}\\f1\\'c0\\f0\\'c0\\f2\\'e1}"),
              QStringLiteral("АÀα"));
    // Raw 8-bit bytes too.
    EXPECT_EQ(read(doc, QByteArray("{\\rtf1\\ansi\\ansicpg1251 ") + QByteArray("\xc4\xe0", 2) + "}"),
              QStringLiteral("Да"));
    // \uN with its fallback skipped: one character by default, \ucN sets the count, a
    // \'hh counts as one, and negative values are 16-bit wrapped.
    EXPECT_EQ(read(doc, "{\\rtf1\\ansi \\u1055?\\u1088?\\u1080\\'3f\\u1074?}"), QStringLiteral("Прив"));
    EXPECT_EQ(read(doc, "{\\rtf1\\ansi\\uc2 \\u8364\\'80\\'80 euro\\uc0\\u8364 x}"),
              QStringLiteral("€ euro€x"));
    EXPECT_EQ(read(doc, "{\\rtf1\\ansi \\u-3913?}"), QString(QChar(char16_t(61623))));
    EXPECT_EQ(read(doc, "{\\rtf1\\ansi \\u55357?\\u56832?!}"), QStringLiteral("😀!"));
    // The skip count is group-scoped and a group end stops skipping.
    EXPECT_EQ(read(doc, "{\\rtf1\\ansi {\\uc3 \\u1044}abc\\u1044?d}"), QStringLiteral("ДabcДd"));
    // Escaped specials and the named characters.
    EXPECT_EQ(read(doc, "{\\rtf1 a\\{b\\}c\\\\d\\~e\\emdash\\endash\\bullet\\lquote x\\rquote\\ldblquote "
                        "y\\rdblquote}"),
              QStringLiteral("a{b}c\\d e\u2014\u2013\u2022\u2018x\u2019\u201cy\u201d"));
    EXPECT_TRUE(doc.toRawText().contains(QChar(0x00A0))); // plain text shows it as a space
}

TEST(RtfReader, ColoursAndCharacterFormatting)
{
    QTextDocument doc;
    read(
        doc,
        "{\\rtf1\\ansi{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;\\red255\\green255\\blue0;}"
        "\\fs20 small {\\fs36 large} {\\cf1 red} {\\cf2\\highlight3 blueonyellow} {\\cb1 redback} "
        "{\\cf1 a\\cf0 auto} \\ul under\\ulnone  not \\uldb dbl\\ul0  \\strike gone\\strike0  "
        "x{\\super 2} H{\\sub 2}O {\\super a\\nosupersub b} \\b\\i\\ul styled\\plain  reset}");
    EXPECT_DOUBLE_EQ(formatOf(doc, "small").fontPointSize(), 10);
    EXPECT_DOUBLE_EQ(formatOf(doc, "large").fontPointSize(), 18);
    EXPECT_EQ(formatOf(doc, "red").foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(formatOf(doc, "blueonyellow").foreground().color(), QColor(0, 0, 255));
    EXPECT_EQ(formatOf(doc, "blueonyellow").background().color(), QColor(255, 255, 0));
    EXPECT_EQ(formatOf(doc, "redback").background().color(), QColor(255, 0, 0));
    EXPECT_FALSE(formatOf(doc, "auto").hasProperty(QTextFormat::ForegroundBrush));
    EXPECT_TRUE(formatOf(doc, "under").fontUnderline());
    EXPECT_FALSE(formatOf(doc, "not").fontUnderline());
    EXPECT_TRUE(formatOf(doc, "dbl").fontUnderline());
    EXPECT_TRUE(formatOf(doc, "gone").fontStrikeOut());
    EXPECT_EQ(formatOf(doc, "x2").verticalAlignment(), QTextCharFormat::AlignNormal);
    QTextCursor c(&doc);
    c.setPosition(doc.find("x2").selectionEnd());
    EXPECT_EQ(c.charFormat().verticalAlignment(), QTextCharFormat::AlignSuperScript);
    c.setPosition(doc.find("H2").selectionEnd());
    EXPECT_EQ(c.charFormat().verticalAlignment(), QTextCharFormat::AlignSubScript);
    c.setPosition(doc.find("ab").selectionEnd());
    EXPECT_EQ(c.charFormat().verticalAlignment(), QTextCharFormat::AlignNormal);
    const QTextCharFormat styled = formatOf(doc, "styled");
    EXPECT_EQ(styled.fontWeight(), QFont::Bold);
    EXPECT_TRUE(styled.fontItalic() && styled.fontUnderline());
    const QTextCharFormat reset = formatOf(doc, "reset");
    EXPECT_FALSE(reset.fontWeight() == QFont::Bold || reset.fontItalic() || reset.fontUnderline());
    EXPECT_DOUBLE_EQ(reset.fontPointSize(), 12);
}

TEST(RtfReader, ParagraphsIndentsSpacingAndTabs)
{
    QTextDocument doc;
    const QString text =
        read(doc, "{\\rtf1\\ansi\\pard\\qc centred\\par\\pard\\qr right\\par\\qj just\\par"
                  "\\pard\\li720\\ri360\\fi-360\\sb120\\sa240 indented\\par"
                  "\\pard\\tx1440\\tqr\\tx4320\\tqc\\tx6000 a\\tab b\\tab c\\par"
                  "\\pard\\sl360\\slmult1 spaced\\par\\pard\\sl-300 fixed\\line second\\page  same page\\par"
                  "\\pard plain}");
    EXPECT_EQ(text, QStringLiteral(
                        "centred\nright\njust\nindented\na\tb\tc\nspaced\nfixed\nsecond same page\nplain"));
    EXPECT_TRUE(
        doc.toRawText().contains(QStringLiteral("fixed\u2028second"))); // \line breaks inside the paragraph
    EXPECT_EQ(doc.blockCount(), 8);
    EXPECT_EQ(blockOf(doc, "centred").alignment(), Qt::AlignHCenter);
    EXPECT_EQ(blockOf(doc, "right").alignment(), Qt::AlignRight);
    // Paragraph formatting lasts until \pard.
    EXPECT_EQ(blockOf(doc, "just").alignment(), Qt::AlignJustify);
    const QTextBlockFormat indented = blockOf(doc, "indented");
    EXPECT_EQ(indented.alignment(), Qt::AlignLeft);
    EXPECT_DOUBLE_EQ(indented.leftMargin(), 720);
    EXPECT_DOUBLE_EQ(indented.rightMargin(), 360);
    EXPECT_DOUBLE_EQ(indented.textIndent(), -360);
    EXPECT_DOUBLE_EQ(indented.topMargin(), 120);
    EXPECT_DOUBLE_EQ(indented.bottomMargin(), 240);
    const QList<QTextOption::Tab> tabs = blockOf(doc, "a\tb").tabPositions();
    ASSERT_EQ(tabs.size(), 3);
    EXPECT_DOUBLE_EQ(tabs[0].position, 96); // an inch: 96 pixels, which Qt scales to the device
    EXPECT_EQ(tabs[0].type, QTextOption::LeftTab);
    EXPECT_DOUBLE_EQ(tabs[1].position, 288);
    EXPECT_EQ(tabs[1].type, QTextOption::RightTab);
    EXPECT_EQ(tabs[2].type, QTextOption::CenterTab);
    EXPECT_EQ(blockOf(doc, "spaced").lineHeightType(), QTextBlockFormat::ProportionalHeight);
    EXPECT_DOUBLE_EQ(blockOf(doc, "spaced").lineHeight(), 150);
    EXPECT_EQ(blockOf(doc, "fixed").lineHeightType(), QTextBlockFormat::FixedHeight);
    EXPECT_DOUBLE_EQ(blockOf(doc, "fixed").lineHeight(), 20); // 300 twips
    EXPECT_DOUBLE_EQ(blockOf(doc, "plain").leftMargin(), 0);
    EXPECT_TRUE(blockOf(doc, "plain").tabPositions().isEmpty());
}

TEST(RtfReader, PicturesQtCanDecodeAreEmbedded)
{
    QImage red(4, 3, QImage::Format_RGB32);
    red.fill(Qt::red);
    QImage blue(5, 2, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    QImage green(6, 6, QImage::Format_RGB32);
    green.fill(Qt::green);
    QImage indexed = green.convertToFormat(QImage::Format_Indexed8);
    QByteArray pngBytes = QByteArray::fromHex(pictHex(red, "PNG"));

    QTextDocument doc;
    const QByteArray rtf = "{\\rtf1\\ansi before{\\pict\\pngblip\\picw4\\pich3\\picwgoal600\\pichgoal450 " +
                           pictHex(red, "PNG") + "}mid{\\*\\shppict{\\pict\\jpegblip\\picscalex200 " +
                           pictHex(blue, "JPEG") + "}}{\\nonshppict{\\pict\\wmetafile8 0100090000}}" +
                           "{\\pict\\dibitmap0\\wbmwidthbytes24 " + dibHex(green) + "}" +
                           "{\\pict\\dibitmap0 " + dibHex(indexed) +
                           "}{\\pict\\emfblip 01000000}{\\pict\\pngblip 00ff00ff}" + "{\\pict\\pngblip\\bin" +
                           QByteArray::number(pngBytes.size()) + " " + pngBytes + "}after}";
    const QString text = read(doc, rtf);
    EXPECT_EQ(text.count(QChar::ObjectReplacementCharacter), 5);
    QString withoutPictures = text;
    withoutPictures.remove(QChar::ObjectReplacementCharacter);
    EXPECT_EQ(withoutPictures, QStringLiteral("beforemidafter"));
    QList<QTextImageFormat> formats;
    ASSERT_EQ(imageCount(doc, &formats), 5);
    // Sizes in pixels of the (96-dpi offscreen) screen: the goal size in twips, or the
    // picture's pixel size taken at 96 dpi, scaled.
    EXPECT_DOUBLE_EQ(formats[0].width(), 600 / 15);
    EXPECT_DOUBLE_EQ(formats[0].height(), 450 / 15);
    EXPECT_DOUBLE_EQ(formats[1].width(), 5 * 2);
    EXPECT_DOUBLE_EQ(formats[1].height(), 2);
    EXPECT_DOUBLE_EQ(formats[2].width(), 6);
    const QImage png = doc.resource(QTextDocument::ImageResource, QUrl(formats[0].name())).value<QImage>();
    EXPECT_EQ(png.size(), QSize(4, 3));
    EXPECT_EQ(png.pixel(1, 1), qRgb(255, 0, 0));
    const QImage dib = doc.resource(QTextDocument::ImageResource, QUrl(formats[2].name())).value<QImage>();
    ASSERT_EQ(dib.size(), QSize(6, 6));
    EXPECT_EQ(dib.pixel(2, 2), qRgb(0, 255, 0));
    const QImage dib8 = doc.resource(QTextDocument::ImageResource, QUrl(formats[3].name())).value<QImage>();
    ASSERT_EQ(dib8.size(), QSize(6, 6));
    EXPECT_EQ(dib8.pixel(5, 5), qRgb(0, 255, 0));
    const QImage bin = doc.resource(QTextDocument::ImageResource, QUrl(formats[4].name())).value<QImage>();
    EXPECT_EQ(bin.size(), QSize(4, 3));
}

TEST(RtfReader, BadInputIsSkippedNeverFatal)
{
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("old"));
    EXPECT_FALSE(ReadRtf("plain words", &doc));
    EXPECT_TRUE(doc.isEmpty());
    EXPECT_FALSE(ReadRtf("", &doc));
    EXPECT_FALSE(ReadRtf("{\\rtf1 x}", nullptr));
    // Truncated, unbalanced, broken escapes, overlong words and numbers.
    EXPECT_EQ(read(doc, "{\\rtf1 abc {\\b def"), QStringLiteral("abc def"));
    EXPECT_EQ(read(doc, "{\\rtf1 a}}}} b"), QStringLiteral("a"));
    EXPECT_EQ(read(doc, "{\\rtf1 a\\'zzb\\'4"), QStringLiteral("azzb"));
    EXPECT_EQ(read(doc, "{\\rtf1 a\\" + QByteArray(200, 'x') + "99999999999999999 b\\fs-999999999999 c\\"),
              QStringLiteral("abc"));
    EXPECT_EQ(read(doc, "{\\rtf1 x\\bin999999 abc}"), QStringLiteral("x"));
    EXPECT_EQ(read(doc, "{\\rtf1 \\f99 \\cf42 \\highlight-5 \\u text}"), QStringLiteral("text"));
    // Very deep nesting.
    QByteArray deep = "{\\rtf1 ";
    deep += QByteArray(200000, '{') + "deep" + QByteArray(200000, '}') + "}";
    EXPECT_EQ(read(doc, deep), QStringLiteral("deep"));
    // Random damage to a real document: reading never crashes or hangs.
    const QByteArray sample =
        "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset204 Arial;}}{\\colortbl;\\red1\\green2"
        "\\blue3;}\\pard\\qc\\li100 \\'cf\\u1088?{\\b\\cf1 x}\\tab\\par{\\pict\\pngblip 89504e47}"
        "{\\*\\bkmkstart a}\\tx100 y\\line z}";
    QRandomGenerator rng(42);
    for (int round = 0; round < 3000; ++round) {
        QByteArray damaged = sample;
        for (int k = 0, n = 1 + rng.bounded(8); k < n; ++k) {
            const int at = rng.bounded(damaged.size());
            switch (rng.bounded(3)) {
            case 0:
                damaged[at] = char(rng.bounded(256));
                break;
            case 1:
                damaged.remove(at, 1 + rng.bounded(4));
                break;
            default:
                damaged.insert(at, "{\\'\\u-\\*}"[rng.bounded(9)]);
                break;
            }
        }
        damaged.prepend("{\\rtf1");
        ASSERT_TRUE(ReadRtf(damaged, &doc));
    }
}

TEST(RtfReader, LinesAndPlainText)
{
    // The lines of a report file, CR LF after each, read as one document.
    const QStringList lines{"{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0 Arial;}}",
                            "\\f0\\fs20 First line\\par", "\\b Second\\b0  \\'c4\\'e0\\par", "}"};
    const QByteArray bytes = RichTextLinesToBytes(lines);
    EXPECT_TRUE(bytes.endsWith("}\r\n"));
    EXPECT_EQ(bytes.count("\r\n"), 4);
    QTextDocument doc;
    ReadRichOrPlainText(bytes, &doc);
    EXPECT_EQ(doc.toPlainText(), QStringLiteral("First line\nSecond Да\n"));
    EXPECT_TRUE(IsRtf("  \r\n{\\rtf1}"));
    EXPECT_FALSE(IsRtf("{\\rt"));
    // Anything else is plain text: UTF-8 when it is valid UTF-8, else the code page.
    ReadRichOrPlainText("one\r\ntwo\rthree", &doc);
    EXPECT_EQ(doc.toPlainText(), QStringLiteral("one\ntwo\nthree"));
    ReadRichOrPlainText(QStringLiteral("Счёт").toUtf8(), &doc);
    EXPECT_EQ(doc.toPlainText(), QStringLiteral("Счёт"));
    ReadRichOrPlainText(EncodeCodePage(QStringLiteral("Счет")), &doc);
    EXPECT_EQ(doc.toPlainText(), DecodeCodePage(EncodeCodePage(QStringLiteral("Счет"))));
}

// The last paragraph needs no \par: it keeps the alignment and indents in force when the
// document ends, whether the document is closed, cut off, or ends after a \par.
TEST(RtfReader, LastParagraphWithoutParKeepsItsFormat)
{
    QTextDocument doc;
    EXPECT_EQ(read(doc, "{\\rtf1\\ansi\\pard\\qc first\\par\\pard\\qr\\li720\\fi-240 last}"),
              QStringLiteral("first\nlast"));
    EXPECT_EQ(blockOf(doc, "first").alignment(), Qt::AlignHCenter);
    EXPECT_EQ(blockOf(doc, "last").alignment(), Qt::AlignRight);
    EXPECT_DOUBLE_EQ(blockOf(doc, "last").leftMargin(), 720);
    EXPECT_DOUBLE_EQ(blockOf(doc, "last").textIndent(), -240);

    read(doc, "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\pard\\qc\\ri360 {\\b centred} only}trailing");
    EXPECT_EQ(doc.toPlainText(), QStringLiteral("centred only"));
    EXPECT_EQ(blockOf(doc, "only").alignment(), Qt::AlignHCenter);
    EXPECT_DOUBLE_EQ(blockOf(doc, "only").rightMargin(), 360);

    read(doc, "{\\rtf1\\ansi\\pard\\qr cut off");
    EXPECT_EQ(blockOf(doc, "cut").alignment(), Qt::AlignRight);

    read(doc, "{\\rtf1\\ansi\\pard\\qc closed\\par}");
    EXPECT_EQ(blockOf(doc, "closed").alignment(), Qt::AlignHCenter);
}
