// Builds the demo SQLite database from schema.sql and the CSV files beside
// it, draws the part and employee pictures, and writes the databases.ini
// alias. Usage: tabulon-gendemo SOURCE_DIR OUTPUT_DIR

#include <QBuffer>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>

namespace
{

void fail(const QString &message)
{
    std::fprintf(stderr, "tabulon-gendemo: %s\n", qPrintable(message));
    std::exit(1);
}

// RFC 4180 records: quoted values may hold separators, quotes and line breaks.
QList<QStringList> readCsv(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("cannot read %1: %2").arg(fileName, file.errorString()));
    const QString text = QString::fromUtf8(file.readAll());
    QList<QStringList> rows;
    QStringList row;
    QString value;
    bool quoted = false, any = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                    value += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                value += c;
            }
            continue;
        }
        if (c == QLatin1Char('"')) {
            quoted = true;
            any = true;
        } else if (c == QLatin1Char(',')) {
            row << value;
            value.clear();
            any = true;
        } else if (c == QLatin1Char('\n')) {
            row << value;
            rows << row;
            row.clear();
            value.clear();
            any = false;
        } else if (c != QLatin1Char('\r')) {
            value += c;
            any = true;
        }
    }
    if (quoted)
        fail(QStringLiteral("%1: unterminated quoted value").arg(fileName));
    if (any) {
        row << value;
        rows << row;
    }
    return rows;
}

void exec(QSqlQuery &q, const QString &sql)
{
    if (!q.exec(sql))
        fail(QStringLiteral("%1\nin: %2").arg(q.lastError().text(), sql));
}

void loadTable(QSqlDatabase &db, const QString &dir, const QString &table)
{
    const QList<QStringList> rows = readCsv(QDir(dir).filePath(table + QStringLiteral(".csv")));
    if (rows.isEmpty())
        fail(QStringLiteral("%1.csv has no header").arg(table));
    const QStringList header = rows.first();
    const QSqlRecord columns = db.record(table);
    QStringList marks;
    for (int i = 0; i < header.size(); ++i) {
        if (columns.indexOf(header.at(i)) < 0)
            fail(QStringLiteral("%1.csv: column %2 is not in the schema").arg(table, header.at(i)));
        marks << QStringLiteral("?");
    }
    QSqlQuery q(db);
    if (!q.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                       .arg(table, header.join(QLatin1Char(',')), marks.join(QLatin1Char(',')))))
        fail(q.lastError().text());
    for (int r = 1; r < rows.size(); ++r) {
        const QStringList &row = rows.at(r);
        if (row.size() != header.size())
            fail(QStringLiteral("%1.csv, record %2: %3 values for %4 columns")
                     .arg(table)
                     .arg(r + 1)
                     .arg(row.size())
                     .arg(header.size()));
        for (int c = 0; c < row.size(); ++c) {
            // Empty values are no values, except in texts.
            const QString type = columns.field(columns.indexOf(header.at(c))).metaType().name();
            if (row.at(c).isEmpty() && type != QLatin1String("QString"))
                q.bindValue(c, QVariant());
            else
                q.bindValue(c, row.at(c));
        }
        if (!q.exec())
            fail(QStringLiteral("%1.csv, record %2: %3").arg(table).arg(r + 1).arg(q.lastError().text()));
    }
}

QByteArray png(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// A simple picture per part: a shape in a colour from the part number, and the number.
QByteArray partPicture(int partNo, const QString &description)
{
    QImage image(160, 120, QImage::Format_RGB32);
    const QColor colour = QColor::fromHsv((partNo * 37) % 360, 140, 220);
    image.fill(QColor(245, 248, 252));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(colour.darker(160), 3));
    p.setBrush(colour);
    switch (partNo % 3) {
    case 0:
        p.drawEllipse(QRectF(30, 15, 100, 70));
        break;
    case 1:
        p.drawRoundedRect(QRectF(25, 20, 110, 60), 12, 12);
        break;
    default: {
        const QPointF tri[3] = {QPointF(80, 12), QPointF(140, 88), QPointF(20, 88)};
        p.drawPolygon(tri, 3);
        break;
    }
    }
    p.setPen(Qt::black);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(13);
    p.setFont(font);
    p.drawText(QRectF(0, 92, 160, 26), Qt::AlignCenter,
               QStringLiteral("%1 %2").arg(partNo).arg(description.section(QLatin1Char(' '), 1, 1)));
    p.end();
    return png(image);
}

// A badge per employee with the initials.
QByteArray employeePhoto(int empNo, const QString &first, const QString &last)
{
    QImage image(96, 96, QImage::Format_RGB32);
    image.fill(QColor::fromHsv((empNo * 53) % 360, 60, 235));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromHsv((empNo * 53) % 360, 160, 150));
    p.drawEllipse(QRectF(12, 12, 72, 72));
    p.setPen(Qt::white);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(30);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(12, 12, 72, 72), Qt::AlignCenter, first.left(1) + last.left(1));
    p.end();
    return png(image);
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3)
        fail(QStringLiteral("usage: tabulon-gendemo SOURCE_DIR OUTPUT_DIR"));
    const QString source = args.at(1);
    const QDir out(args.at(2));
    if (!out.exists() && !QDir().mkpath(out.path()))
        fail(QStringLiteral("cannot create %1").arg(out.path()));
    // Build into a temporary file and move it in place, so that a failed run leaves no half database.
    const QString target = out.filePath(QStringLiteral("demo.sqlite"));
    const QString temp = target + QStringLiteral(".tmp");
    QFile::remove(temp);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("gendemo"));
        db.setDatabaseName(temp);
        if (!db.open())
            fail(db.lastError().text());
        QFile schemaFile(QDir(source).filePath(QStringLiteral("schema.sql")));
        if (!schemaFile.open(QIODevice::ReadOnly))
            fail(QStringLiteral("cannot read schema.sql"));
        QString schema = QString::fromUtf8(schemaFile.readAll());
        QStringList lines;
        for (const QString &line : schema.split(QLatin1Char('\n')))
            if (!line.trimmed().startsWith(QLatin1String("--")))
                lines << line;
        QSqlQuery q(db);
        db.transaction();
        for (const QString &statement : lines.join(QLatin1Char('\n')).split(QLatin1Char(';')))
            if (!statement.trimmed().isEmpty())
                exec(q, statement);
        for (const char *table : {"customers", "employees", "parts", "orders", "items"})
            loadTable(db, source, QString::fromLatin1(table));
        QSqlQuery parts(db), update(db);
        exec(parts, QStringLiteral("SELECT PartNo, Description FROM parts ORDER BY PartNo"));
        update.prepare(QStringLiteral("UPDATE parts SET Picture = ? WHERE PartNo = ?"));
        while (parts.next()) {
            update.bindValue(0, partPicture(parts.value(0).toInt(), parts.value(1).toString()));
            update.bindValue(1, parts.value(0));
            if (!update.exec())
                fail(update.lastError().text());
        }
        QSqlQuery emps(db);
        exec(emps, QStringLiteral("SELECT EmpNo, FirstName, LastName FROM employees ORDER BY EmpNo"));
        update.prepare(QStringLiteral("UPDATE employees SET Photo = ? WHERE EmpNo = ?"));
        while (emps.next()) {
            update.bindValue(
                0, employeePhoto(emps.value(0).toInt(), emps.value(1).toString(), emps.value(2).toString()));
            update.bindValue(1, emps.value(0));
            if (!update.exec())
                fail(update.lastError().text());
        }
        if (!db.commit())
            fail(db.lastError().text());
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("gendemo"));
    QFile::remove(target);
    if (!QFile::rename(temp, target))
        fail(QStringLiteral("cannot move the database to %1").arg(target));

    QFile ini(out.filePath(QStringLiteral("databases.ini")));
    if (!ini.open(QIODevice::WriteOnly | QIODevice::Truncate))
        fail(QStringLiteral("cannot write databases.ini"));
    ini.write("; Databases the reports name, one section per alias.\n"
              "[DEMO]\nDriver=QSQLITE\nDatabase=demo.sqlite\n");
    return 0;
}
