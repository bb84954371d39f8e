#include "outputtest.h"

#include "output/metafilewriter.h"
#include "output/wmffilter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>

namespace
{

void writeDevice(const TQRMetafileDevice &device, const QString &name)
{
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(device.Data());
}

// The texts and pens of a metafile, read record by record: for a placeable metafile each text
// decoded in the code page its font's character set names and each pen width in page pixels;
// for an Enhanced Metafile the pen widths.
QJsonObject readMetafile(const QString &file)
{
    static const QByteArray script = R"(
import json, struct, sys
data = open(sys.argv[1], 'rb').read()
texts, pens = [], []
if struct.unpack_from('<I', data)[0] == 1:
    pos = 0
    while pos + 8 <= len(data):
        kind, size = struct.unpack_from('<II', data, pos)
        if kind == 38:
            pens.append(struct.unpack_from('<i', data, pos + 16)[0])
        if kind == 14 or size < 8:
            break
        pos += size
    print(json.dumps({'texts': texts, 'pens': pens}))
    sys.exit(0)
scale = struct.unpack_from('<H', data, 14)[0] / 96.0
codecs = {0: 'cp1252', 204: 'cp1251', 238: 'cp1250', 161: 'cp1253', 162: 'cp1254', 186: 'cp1257',
          177: 'cp1255', 178: 'cp1256', 163: 'cp1258', 222: 'cp874'}
objects, selected, pos = {}, None, 22 + 18
while pos + 6 <= len(data):
    size, function = struct.unpack_from('<IH', data, pos)
    params = data[pos + 6:pos + 2 * size]
    if function == 0:
        break
    if function in (0x02FA, 0x02FB, 0x02FC):
        objects[min(set(range(len(objects) + 1)) - set(objects))] = (function, params)
        if function == 0x02FA:
            pens.append(struct.unpack_from('<H', params, 2)[0] / scale)
    elif function == 0x01F0:
        del objects[struct.unpack_from('<H', params)[0]]
    elif function == 0x012D and objects[struct.unpack_from('<H', params)[0]][0] == 0x02FB:
        selected = objects[struct.unpack_from('<H', params)[0]][1][13]
    elif function == 0x0A32:
        count = struct.unpack_from('<H', params, 4)[0]
        texts.append([selected, params[8:8 + count].decode(codecs[selected])])
    pos += 2 * size
print(json.dumps({'texts': texts, 'pens': pens}))
)";
    return QJsonDocument::fromJson(runPython(script, {file}).toUtf8()).object();
}

QList<double> penWidths(const QString &file)
{
    QList<double> widths;
    for (const QJsonValue &w : readMetafile(file).value(QStringLiteral("pens")).toArray())
        widths << w.toDouble();
    return widths;
}

} // namespace

// Each text of a placeable metafile is written in a code page that holds it, named by its font's
// character set: the report's code page (windows-1251) where it covers the text, else the first
// Windows code page that does.
TEST(Metafiles, PlaceableMetafileTextKeepsEveryLetter)
{
    const QStringList samples{QString::fromUtf8("Счёт № 15"),  QString::fromUtf8("Ελληνικά"),
                              QString::fromUtf8("Łódź"),       QString::fromUtf8("Café €5"),
                              QString::fromUtf8("İstanbul ğ"), QStringLiteral("Plain text")};
    TQRMetafileDevice device(TQRMetafileDevice::Wmf, QSize(794, 1123), 96);
    {
        QPainter p(&device);
        p.setFont(QFont(QStringLiteral("Liberation Sans"), 12));
        for (int i = 0; i < samples.size(); ++i)
            p.drawText(QPointF(100, 100 + 40 * i), samples[i]);
    }
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("letters.wmf"));
    writeDevice(device, name);
    const QJsonArray texts = readMetafile(name).value(QStringLiteral("texts")).toArray();
    ASSERT_EQ(texts.size(), samples.size());
    const QList<int> charsets{204, 161, 238, 0, 162, 204};
    for (int i = 0; i < samples.size(); ++i) {
        EXPECT_EQ(texts[i].toArray()[1].toString(), samples[i]);
        EXPECT_EQ(texts[i].toArray()[0].toInt(), charsets[i]) << samples[i].toStdString();
    }
    // libwmf reads the file and meets no replaced letters.
    const QString svg = dir.filePath(QStringLiteral("letters.svg"));
    runProgram(QStringLiteral("wmf2svg"), {QStringLiteral("-o"), svg, name});
    const QByteArray drawn = testutil::readFile(svg);
    EXPECT_TRUE(drawn.contains("Plain text"));
    EXPECT_FALSE(drawn.contains("??")) << drawn.left(3000).toStdString();
}

// Pens are as wide on the page as the painter's scale makes them, in both formats: rich text
// draws in twips under a scale of 96/1440, where its underline is a 12-twip line.
TEST(Metafiles, PenWidthsFollowThePaintersScale)
{
    auto draw = [](TQRMetafileDevice &device) {
        QPainter p(&device);
        p.setPen(QPen(Qt::black, 3)); // 3 page pixels
        p.drawLine(QPointF(10, 10), QPointF(300, 10));
        p.save();
        p.scale(96.0 / 1440, 96.0 / 1440);
        p.setPen(QPen(Qt::blue, 12)); // 0.8 page pixels
        p.drawLine(QPointF(1500, 3000), QPointF(9000, 3000));
        p.setPen(QPen(Qt::red, 150)); // 10 page pixels
        p.drawLine(QPointF(1500, 6000), QPointF(9000, 6000));
        QPen cosmetic(Qt::green, 2);
        cosmetic.setCosmetic(true); // 2 page pixels whatever the scale
        p.setPen(cosmetic);
        p.drawLine(QPointF(1500, 9000), QPointF(9000, 9000));
        p.restore();
    };
    QTemporaryDir dir;
    TQRMetafileDevice wmf(TQRMetafileDevice::Wmf, QSize(794, 1123), 96);
    draw(wmf);
    const QString wmfName = dir.filePath(QStringLiteral("pens.wmf"));
    writeDevice(wmf, wmfName);
    EXPECT_EQ(penWidths(wmfName), (QList<double>{3, 0.8, 10, 2}));
    TQRMetafileDevice emf(TQRMetafileDevice::Emf, QSize(794, 1123), 96);
    draw(emf);
    const QString emfName = dir.filePath(QStringLiteral("pens.emf"));
    writeDevice(emf, emfName);
    EXPECT_EQ(penWidths(emfName), (QList<double>{3, 1, 10, 2}));

    // A report's underlined rich text on a page of 794 pixels: no pen of its metafile is wider
    // than a couple of pixels.
    GenFixture f;
    auto *rich = f.element<TQRRichText>(f.addBand(QR::rbTitle, 200), 0, 0, 1500, 100);
    rich->SetLines(
        {QStringLiteral("{\\rtf1\\ansi\\fs24 {\\ul underlined words} and {\\strike struck}\\par}")});
    f.report->PreparePages();
    TQRWMFFilter::SetEnhanced(false);
    TQRWMFExportFilter filter(dir.filePath(QStringLiteral("rich.wmf")));
    f.report->ExportToFilter(&filter);
    const QList<double> pens = penWidths(dir.filePath(QStringLiteral("rich001.wmf")));
    EXPECT_FALSE(pens.isEmpty());
    for (double w : pens)
        EXPECT_LE(w, 2.0);
}
