#include "tablefilter.h"

#include "common/graphics.h"
#include "common/localesettings.h"
#include "common/savefile.h"
#include "engine/report.h"
#include "expressions/numericmask.h"
#include "output/pages/qrerror.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <algorithm>
#include <cmath>
#include <optional>
#include <set>
#include <xlsxwriter.h>

TQRTableExportFilter::TQRTableExportFilter(const QString &fileName) : TQRExportFilter(fileName) {}

TQRTableExportFilter::~TQRTableExportFilter() = default;

void TQRTableExportFilter::Start(int paperWidth, int paperHeight, const TFont *font)
{
    TQRExportFilter::Start(paperWidth, paperHeight, font);
    m_items.clear();
    m_anchors.clear();
    m_spill.reset();
    m_spilledRows = 0;
    m_page = 0;
}

void TQRTableExportFilter::NewPage()
{
    // Texts reach a page until the next one starts, so its rows are final only now.
    SpillPage();
    ++m_page;
}

void TQRTableExportFilter::WriteTextItem(double x, double y, const TFont *font, TColor, QR::TAlignment,
                                         const QString &text)
{
    // Empty lines of multi-line labels carry no cell.
    if (text.trimmed().isEmpty())
        return;
    const bool bold = font && font->Style().testFlag(TFont::fsBold);
    const int anchor = int(std::lround(x / 10.0));
    m_anchors.insert(anchor);
    m_items.push_back({m_page, int(std::lround(y * 72.0 / 254.0)), anchor, {text, bold, NumberFormat()}});
}

int TQRTableExportFilter::ColumnCount() const
{
    return int(m_anchors.size());
}

void TQRTableExportFilter::PageRows(const std::function<bool(const AnchorRow &)> &visit) const
{
    std::vector<const Item *> order;
    order.reserve(m_items.size());
    for (const Item &i : m_items)
        order.push_back(&i);
    std::stable_sort(order.begin(), order.end(), [](const Item *a, const Item *b) {
        return a->Page != b->Page ? a->Page < b->Page : a->Y < b->Y;
    });

    AnchorRow row;
    const Item *previous = nullptr;
    for (const Item *i : order) {
        if (previous && (previous->Page != i->Page || previous->Y != i->Y)) {
            if (!visit(row))
                return;
            row.clear();
        }
        previous = i;
        Cell &cell = row[i->X];
        // Two texts on one anchor of one row share the cell rather than losing one.
        if (!cell.Text.isEmpty())
            cell.Text += QLatin1Char(' ');
        else
            cell.Format = i->Value.Format;
        cell.Text += i->Value.Text;
        cell.Bold = cell.Bold || i->Value.Bold;
    }
    if (previous)
        visit(row);
}

namespace
{
// Spilled rows: cell count, then per cell anchor, bold flag, UTF-8 text and UTF-8 format.
void writeRow(QDataStream &out, const std::map<int, TQRTableExportFilter::Cell> &row)
{
    out << quint32(row.size());
    for (const auto &[anchor, cell] : row)
        out << qint32(anchor) << cell.Bold << cell.Text.toUtf8() << cell.Format.toUtf8();
}

bool readRow(QDataStream &in, std::map<int, TQRTableExportFilter::Cell> &row)
{
    row.clear();
    quint32 cells = 0;
    in >> cells;
    QByteArray text, format;
    for (quint32 c = 0; c < cells && in.status() == QDataStream::Ok; ++c) {
        qint32 anchor = 0;
        TQRTableExportFilter::Cell cell;
        in >> anchor >> cell.Bold >> text >> format;
        cell.Text = QString::fromUtf8(text);
        cell.Format = QString::fromUtf8(format);
        row.emplace(anchor, std::move(cell));
    }
    return in.status() == QDataStream::Ok;
}
} // namespace

void TQRTableExportFilter::SpillPage()
{
    if (m_items.empty())
        return;
    if (!m_spill) {
        m_spill = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/tabulon-rows-XXXXXX"));
        if (!m_spill->open()) {
            const QString why = m_spill->errorString();
            m_spill.reset();
            throw EQRError(
                QStringLiteral("Cannot write %1: no temporary file for its rows: %2").arg(FileName(), why));
        }
    }
    QDataStream out(m_spill.get());
    PageRows([&](const AnchorRow &row) {
        writeRow(out, row);
        ++m_spilledRows;
        return true;
    });
    if (out.status() != QDataStream::Ok || m_spill->error() != QFileDevice::NoError)
        throw EQRError(QStringLiteral("Cannot write %1: its rows cannot be kept in a temporary file: %2")
                           .arg(FileName(), m_spill->errorString()));
    std::vector<Item>().swap(m_items);
}

void TQRTableExportFilter::ForEachRow(const std::function<bool(const Row &)> &visit) const
{
    std::map<int, int> columnOf;
    for (int x : m_anchors)
        columnOf.emplace(x, int(columnOf.size()));
    Row row;
    auto toColumns = [&](const AnchorRow &anchored) {
        row.clear();
        for (const auto &[anchor, cell] : anchored)
            row.emplace(columnOf.at(anchor), cell);
        return visit(row);
    };

    if (m_spill && m_spilledRows > 0) {
        if (!m_spill->flush())
            throw EQRError(QStringLiteral("Cannot write %1: %2").arg(FileName(), m_spill->errorString()));
        QFile spilled(m_spill->fileName());
        if (!spilled.open(QIODevice::ReadOnly))
            throw EQRError(QStringLiteral("Cannot write %1: its rows cannot be read back: %2")
                               .arg(FileName(), spilled.errorString()));
        QDataStream in(&spilled);
        AnchorRow anchored;
        for (qint64 r = 0; r < m_spilledRows; ++r) {
            if (!readRow(in, anchored))
                throw EQRError(
                    QStringLiteral("Cannot write %1: its rows cannot be read back").arg(FileName()));
            if (!toColumns(anchored))
                return;
        }
    }
    PageRows(toColumns);
}

std::vector<TQRTableExportFilter::Row> TQRTableExportFilter::Table() const
{
    std::vector<Row> table;
    ForEachRow([&table](const Row &row) {
        table.push_back(row);
        return true;
    });
    return table;
}

bool TQRTableExportFilter::ReadNumber(const QString &text, double &value)
{
    const TLocaleSettings &locale = LocaleSettings();
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    // Codes with leading zeros (postcodes, account numbers) stay text.
    static const QRegularExpression leadingZero(QStringLiteral("^[+-]?0[0-9]"));
    if (leadingZero.match(t).hasMatch())
        return false;
    // Compiling the patterns costs far more than matching them: they are made again only
    // when the separators change.
    struct Patterns {
        QChar decimal, thousand;
        QRegularExpression plain, grouped;
    };
    thread_local std::optional<Patterns> patterns;
    if (!patterns || patterns->decimal != locale.DecimalSeparator ||
        patterns->thousand != locale.ThousandSeparator) {
        const QString d = QRegularExpression::escape(QString(locale.DecimalSeparator));
        const QString g = QRegularExpression::escape(QString(locale.ThousandSeparator));
        patterns = Patterns{
            locale.DecimalSeparator, locale.ThousandSeparator,
            QRegularExpression(
                QStringLiteral("^[+-]?([0-9]+(%1[0-9]*)?|%1[0-9]+)([eE][+-]?[0-9]+)?$").arg(d)),
            QRegularExpression(QStringLiteral("^[+-]?[0-9]{1,3}(%1[0-9]{3})+(%2[0-9]+)?$").arg(g, d))};
    }
    if (patterns->plain.match(t).hasMatch())
        return TLocaleSettings::TryStrToFloat(t, locale.DecimalSeparator, value) && std::isfinite(value);
    if (locale.ThousandSeparator.isNull() || locale.ThousandSeparator == locale.DecimalSeparator)
        return false;
    if (!patterns->grouped.match(t).hasMatch())
        return false;
    QString bare = t;
    bare.remove(locale.ThousandSeparator);
    return TLocaleSettings::TryStrToFloat(bare, locale.DecimalSeparator, value) && std::isfinite(value);
}

QByteArray TQRTableExportFilter::CsvNumber(const QString &text, double value)
{
    const QString t = text.trimmed();
    if (t.contains(QLatin1Char('e'), Qt::CaseInsensitive))
        return QByteArray::number(value, 'g', 15);
    const qsizetype point = t.indexOf(LocaleSettings().DecimalSeparator);
    const int decimals = point < 0 ? 0 : int(t.size() - point - 1);
    // Beyond what a double holds, the digits printed are not all the value's own.
    if (decimals > 15 || std::fabs(value) >= 1e15)
        return QByteArray::number(value, 'g', 15);
    return QByteArray::number(value, 'f', decimals);
}

QString TQRTableExportFilter::SpreadsheetFormat(const Cell &cell)
{
    if (!cell.Format.isEmpty())
        return QRSpreadsheetNumberFormat(cell.Format);
    const TLocaleSettings &locale = LocaleSettings();
    const QString t = cell.Text.trimmed();
    if (t.contains(QLatin1Char('e'), Qt::CaseInsensitive))
        return QString();
    const qsizetype point = t.indexOf(locale.DecimalSeparator);
    const int decimals = point < 0 ? 0 : int(t.size() - point - 1);
    const bool grouped = !locale.ThousandSeparator.isNull() &&
                         locale.ThousandSeparator != locale.DecimalSeparator &&
                         t.contains(locale.ThousandSeparator);
    if (decimals == 0 && !grouped)
        return QString();
    QString format = grouped ? QStringLiteral("#,##0") : QStringLiteral("0");
    if (decimals > 0)
        format += QLatin1Char('.') + QString(decimals, QLatin1Char('0'));
    return format;
}

void TQRTableExportFilter::Finish()
{
    TQRExportFilter::Finish();
    // The collected texts go once the file is written, also when writing fails.
    struct Release {
        TQRTableExportFilter &filter;
        ~Release()
        {
            std::vector<Item>().swap(filter.m_items);
            filter.m_spill.reset();
            filter.m_spilledRows = 0;
        }
    } release{*this};
    WriteTable();
}

// --- CSV ---------------------------------------------------------------------------------------

TQRCSVExportFilter::TQRCSVExportFilter(const QString &fileName) : TQRTableExportFilter(fileName) {}

QString TQRCSVExportFilter::Description() const
{
    return QStringLiteral("CSV export filter");
}

QString TQRCSVExportFilter::FileExtension() const
{
    return QStringLiteral("CSV");
}

QString TQRCSVExportFilter::FilterName() const
{
    return QStringLiteral("CSV File");
}

void TQRCSVExportFilter::WriteTable()
{
    const int columns = ColumnCount();

    // A file that is not complete is not left behind.
    QSaveFile file(FileName());
    if (!file.open(QIODevice::WriteOnly))
        throw EQRError(QStringLiteral("Cannot create %1: %2").arg(FileName(), file.errorString()));
    static const QRegularExpression needsQuotes(QStringLiteral("[\",\\r\\n]|^\\s|\\s$"));
    QByteArray out;
    ForEachRow([&](const Row &row) {
        out.clear();
        for (int c = 0; c < columns; ++c) {
            if (c > 0)
                out += ',';
            auto it = row.find(c);
            if (it == row.end())
                continue;
            double number = 0;
            if (ReadNumber(it->second.Text, number)) {
                out += CsvNumber(it->second.Text, number);
            } else if (it->second.Text.contains(needsQuotes)) {
                QString quoted = it->second.Text;
                quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
                out += '"' + quoted.toUtf8() + '"';
            } else {
                out += it->second.Text.toUtf8();
            }
        }
        out += "\r\n";
        file.write(out);
        return true;
    });
    QString cause;
    if (!CommitSaveFile(file, &cause))
        throw EQRError(QStringLiteral("Cannot write %1: %2").arg(FileName(), cause));
}

// --- XLSX --------------------------------------------------------------------------------------

TQRXLSXExportFilter::TQRXLSXExportFilter(const QString &fileName) : TQRTableExportFilter(fileName) {}

QString TQRXLSXExportFilter::Description() const
{
    return QStringLiteral("Excel workbook export filter");
}

QString TQRXLSXExportFilter::FileExtension() const
{
    return QStringLiteral("XLSX");
}

QString TQRXLSXExportFilter::FilterName() const
{
    return QStringLiteral("Excel Workbook");
}

namespace
{
// The report title as a sheet name: at most 31 characters, none of []:*?/\.
QString sheetName(const TQRCustomReport *report)
{
    QString name = report ? report->ReportTitle().trimmed() : QString();
    static const QRegularExpression forbidden(QStringLiteral("[\\[\\]:*?/\\\\]"));
    name.replace(forbidden, QStringLiteral(" "));
    name = name.left(31).trimmed();
    if (name.startsWith(QLatin1Char('\'')) || name.endsWith(QLatin1Char('\'')))
        name.remove(QLatin1Char('\''));
    return name.isEmpty() ? QStringLiteral("Sheet1") : name;
}
} // namespace

void TQRXLSXExportFilter::WriteTable()
{
    const QByteArray path = QFile::encodeName(FileName());
    // Rows are written in order, so the sheet streams through a temporary file
    // and memory stays flat however long the report is.
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook *book = workbook_new_opt(path.constData(), &options);
    if (!book)
        throw EQRError(QStringLiteral("Cannot create %1").arg(FileName()));
    const QByteArray title = sheetName(Report()).toUtf8();
    lxw_worksheet *sheet = workbook_add_worksheet(book, title.constData());
    if (!sheet)
        sheet = workbook_add_worksheet(book, nullptr);
    lxw_format *bold = workbook_add_format(book);
    format_set_bold(bold);
    if (Report() && !Report()->ReportTitle().isEmpty()) {
        QByteArray t = Report()->ReportTitle().toUtf8();
        lxw_doc_properties properties{};
        properties.title = t.data();
        workbook_set_properties(book, &properties);
    }

    std::map<std::pair<QString, bool>, lxw_format *> numberFormats; // by format code and boldness
    QString failure;
    lxw_row_t r = 0;
    ForEachRow([&](const Row &row) {
        if (r >= LXW_ROW_MAX) {
            failure = QStringLiteral("more than %1 rows").arg(LXW_ROW_MAX);
            return false;
        }
        for (const auto &[column, cell] : row) {
            if (column >= LXW_COL_MAX) {
                failure = QStringLiteral("more than %1 columns").arg(LXW_COL_MAX);
                break;
            }
            lxw_format *format = cell.Bold ? bold : nullptr;
            double number = 0;
            lxw_error e;
            if (ReadNumber(cell.Text, number)) {
                // A number shows as the report printed it: its display format goes with it.
                const QString code = SpreadsheetFormat(cell);
                if (!code.isEmpty()) {
                    lxw_format *&shaped = numberFormats[{code, cell.Bold}];
                    if (!shaped) {
                        shaped = workbook_add_format(book);
                        format_set_num_format(shaped, code.toUtf8().constData());
                        if (cell.Bold)
                            format_set_bold(shaped);
                    }
                    format = shaped;
                }
                e = worksheet_write_number(sheet, r, lxw_col_t(column), number, format);
            } else
                e = worksheet_write_string(sheet, r, lxw_col_t(column), cell.Text.toUtf8().constData(),
                                           format);
            if (e != LXW_NO_ERROR && failure.isEmpty())
                failure = QString::fromUtf8(lxw_strerror(e));
        }
        if (!failure.isEmpty())
            return false;
        ++r;
        return true;
    });
    const lxw_error closed = workbook_close(book);
    if (failure.isEmpty() && closed != LXW_NO_ERROR)
        failure = QString::fromUtf8(lxw_strerror(closed));
    if (!failure.isEmpty()) {
        QFile::remove(FileName());
        throw EQRError(QStringLiteral("Cannot write %1: %2").arg(FileName(), failure));
    }
}

// --- components --------------------------------------------------------------------------------

TQRCSVFilter::TQRCSVFilter(TComponent *owner) : TComponent(owner)
{
    QRExportFilterLibrary().AddFilter<TQRCSVExportFilter>();
}

TQRCSVFilter::~TQRCSVFilter()
{
    QRExportFilterLibrary().RemoveFilter<TQRCSVExportFilter>();
}

TQRXLSXFilter::TQRXLSXFilter(TComponent *owner) : TComponent(owner)
{
    QRExportFilterLibrary().AddFilter<TQRXLSXExportFilter>();
}

TQRXLSXFilter::~TQRXLSXFilter()
{
    QRExportFilterLibrary().RemoveFilter<TQRXLSXExportFilter>();
}
