#include "definition/labelformats.h"

#include "common/codepage.h"
#include "common/localesettings.h"
#include "common/programdir.h"
#include "engine/report.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <cmath>

namespace
{
// A stored number: "," separates the decimals; blank reads as 0.
bool readNumber(const QString &field, double *value)
{
    QString t = field.trimmed();
    if (t.isEmpty()) {
        *value = 0;
        return true;
    }
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    *value = QLocale::c().toDouble(t, &ok);
    return ok && std::isfinite(*value);
}

bool readInteger(const QString &field, int *value)
{
    const QString t = field.trimmed();
    if (t.isEmpty()) {
        *value = 0;
        return true;
    }
    bool ok = false;
    *value = t.toInt(&ok);
    return ok;
}

// Centimetres in the report's units.
double toUnits(double cm, bool horizontal, const TQRCustomReport *report)
{
    const TQRPage *page = report->Page();
    return NativeToUnit(cm * 100, page->Units(), horizontal, page->Context());
}
} // namespace

QStringList LabelFormatFiles(const QString &settingsFile)
{
    const QString path = NormalizeSeparators(settingsFile);
    QDir dir(path.contains(QLatin1Char('/')) ? QFileInfo(path).path() : ProgramDir());
    QStringList files;
    // Matched without regard to letter case, like every bare name.
    for (const QFileInfo &info : dir.entryInfoList({QStringLiteral("*.QLF")}, QDir::Files, QDir::Name))
        files.append(info.filePath());
    return files;
}

bool ParseLabelFormatLine(const QString &line, TQRLabelFormat *format)
{
    QStringList fields = line.split(QLatin1Char(';'));
    // Every field is ended by ";"; a last field without one counts as well.
    if (fields.last().trimmed().isEmpty())
        fields.removeLast();
    while (fields.size() < 10)
        fields.append(QString());
    TQRLabelFormat f;
    f.Name = fields[0].trimmed().replace(QLatin1Char('_'), QLatin1Char(' '));
    if (f.Name.isEmpty())
        f.Name = QStringLiteral("0");
    if (!readNumber(fields[1], &f.TopMargin) || !readNumber(fields[2], &f.LeftMargin) ||
        !readNumber(fields[3], &f.LabelWidth) || !readNumber(fields[4], &f.LabelHeight) ||
        !readInteger(fields[5], &f.Columns) || !readInteger(fields[6], &f.Rows) ||
        !readNumber(fields[7], &f.RowPitch) || !readNumber(fields[8], &f.ColumnPitch))
        return false;
    const QString code = fields[9].trimmed();
    f.PaperCode = (code.isEmpty() ? QStringLiteral("0") : code).toUpper().left(20);
    *format = f;
    return true;
}

TQRLabelFormatFile ParseLabelFormats(const QString &text)
{
    TQRLabelFormatFile file;
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    if (lines.isEmpty())
        return file;
    file.Title = lines.takeFirst().trimmed();
    for (const QString &line : std::as_const(lines)) {
        TQRLabelFormat format;
        if (!line.trimmed().isEmpty() && ParseLabelFormatLine(line, &format))
            file.Formats.append(format);
    }
    return file;
}

bool ReadLabelFormatFile(const QString &fileName, TQRLabelFormatFile *file, QString *error)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(fileName, f.errorString());
        return false;
    }
    *file = ParseLabelFormats(DecodeCodePage(f.readAll()));
    file->FileName = fileName;
    return true;
}

void LabelFormatPaper(const QString &code, TQRPaperSize *paper, TPrinterOrientation *orientation,
                      double *customWidth, double *customLength)
{
    QString c = code.trimmed().toUpper().left(20);
    *orientation = QRPaper::poPortrait;
    *customWidth = *customLength = 0;
    bool landscape = false;
    if (c.size() > 1 && c.endsWith(QLatin1Char('Q'))) {
        landscape = true;
        c.chop(1);
    }
    struct Code {
        const char *text;
        TQRPaperSize paper;
        double width, length;
    };
    static const Code codes[] = {
        {"0", QRPaper::A4, 0, 0},           {"A4", QRPaper::A4, 0, 0},
        {"L", QRPaper::Letter, 0, 0},       {"B5", QRPaper::B5, 0, 0},
        {"A5", QRPaper::A5, 0, 0},          {"B4 JIS", QRPaper::B4, 0, 0},
        {"P", QRPaper::Custom, 10.0, 14.8}, {"M", QRPaper::Custom, 10.48, 12.7},
    };
    for (const Code &entry : codes) {
        // "0" has no landscape form.
        if (c != QLatin1String(entry.text) || (landscape && c == QLatin1String("0")))
            continue;
        *paper = entry.paper;
        *orientation = landscape ? QRPaper::poLandscape : QRPaper::poPortrait;
        *customWidth = entry.width;
        *customLength = entry.length;
        return;
    }
    *paper = QRPaper::Default;
}

QString FormatExpertSize(double value)
{
    const double rounded = std::round(value * 100) / 100;
    QString text = QString::number(rounded, 'f', 2);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    if (text == QLatin1String("-0"))
        text = QStringLiteral("0");
    return text.replace(QLatin1Char('.'), LocaleSettings().DecimalSeparator);
}

QString LabelFormatListText(const TQRLabelFormat &format, const TQRCustomReport *report)
{
    return format.Name + QStringLiteral(" (") + FormatExpertSize(toUnits(format.LabelWidth, true, report)) +
           QStringLiteral(" x ") + FormatExpertSize(toUnits(format.LabelHeight, false, report)) +
           QStringLiteral(")");
}

TQRLabelSheet LabelSheetFromFormat(const TQRLabelFormat &f, const TQRCustomReport *report)
{
    TQRLabelSheet s;
    double customWidth = 0, customLength = 0;
    LabelFormatPaper(f.PaperCode, &s.PaperSize, &s.Orientation, &customWidth, &customLength);

    // The page in the report's units, exchanged for landscape.
    double width = 0, length = 0;
    double mmWidth = 0, mmLength = 0;
    if (s.PaperSize == QRPaper::Custom) {
        width = toUnits(customWidth, true, report);
        length = toUnits(customLength, false, report);
        s.PaperWidth = width;
        s.PaperLength = length;
    } else if (PaperSizeMM(s.PaperSize, &mmWidth, &mmLength)) {
        width = toUnits(mmWidth / 10, true, report);
        length = toUnits(mmLength / 10, false, report);
    } else {
        // No known paper: the report's own page.
        width = report->Page()->Width();
        length = report->Page()->Length();
    }
    if (s.Orientation == QRPaper::poLandscape && s.PaperSize != QRPaper::Default)
        std::swap(width, length);

    s.TopMargin = toUnits(f.TopMargin, false, report);
    s.LeftMargin = toUnits(f.LeftMargin, true, report);
    s.LabelWidth = toUnits(f.LabelWidth, true, report);
    s.LabelHeight = toUnits(f.LabelHeight, false, report);
    s.Columns = f.Columns;
    s.Rows = f.Rows;
    const double rowPitch = f.RowPitch > 0 ? toUnits(f.RowPitch, false, report) : s.LabelHeight;
    const double columnPitch = f.ColumnPitch > 0 ? toUnits(f.ColumnPitch, true, report) : s.LabelWidth;
    s.RowSpace = rowPitch - s.LabelHeight;
    s.ColumnSpace = columnPitch - s.LabelWidth;
    s.BottomMargin = length - s.TopMargin - s.Rows * s.LabelHeight - s.RowSpace * (s.Rows - 1);
    s.RightMargin = width - s.LeftMargin - s.Columns * s.LabelWidth - s.ColumnSpace * (s.Columns - 1);
    return s;
}
