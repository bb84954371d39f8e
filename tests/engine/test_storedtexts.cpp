// Long texts from the text columns authors use (SQLite TEXT) print whole, and a record whose
// stored value does not convert prints its error text instead of ending the run.
#include "gentest.h"

#include "data/session.h"
#include "data/table.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{
// Twenty lines of 47 characters and a line break, then 40 characters of a twenty-first: 1,000 in all.
QString thousandCharacters()
{
    QString text;
    for (int line = 1; text.size() < 1000; ++line)
        text += QStringLiteral("line %1 ").arg(line, 3, 10, QLatin1Char('0')).leftJustified(47, u'.') + u'\n';
    text.truncate(1000);
    return text;
}

struct TextFixture : GenFixture {
    QTemporaryDir dir;
    QString notes;
    TTable *table = nullptr;

    explicit TextFixture(QString firstNotes = thousandCharacters()) : notes(std::move(firstNotes))
    {
        const QString path = dir.filePath(QStringLiteral("texts.sqlite"));
        {
            QSqlDatabase db =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("storedtexts"));
            db.setDatabaseName(path);
            EXPECT_TRUE(db.open());
            QSqlQuery q(db);
            EXPECT_TRUE(q.exec(QStringLiteral("CREATE TABLE Texts (id INTEGER, qty INTEGER, notes TEXT)")));
            EXPECT_TRUE(q.prepare(QStringLiteral("INSERT INTO Texts VALUES (?, ?, ?)")));
            const QVariantList rows[] = {{1, 5, notes},
                                         {2, QStringLiteral("abc"), QStringLiteral("short")},
                                         {3, 7, QStringLiteral("last")}};
            for (const QVariantList &row : rows) {
                for (const QVariant &v : row)
                    q.addBindValue(v);
                EXPECT_TRUE(q.exec()) << q.lastError().text().toStdString();
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("storedtexts"));
        table = new TTable(form.get());
        table->SetName(QStringLiteral("Texts"));
        table->SetDatabaseName(path);
        table->SetTableName(QStringLiteral("Texts"));
        table->Open();
        report->SetDataSet(table);
    }
    ~TextFixture() { Session().CloseDatabases(); }
};
} // namespace

TEST(StoredTexts, AThousandCharacterTextPrintsWholeInAStretchingElement)
{
    TextFixture f;
    TQRBand *detail = f.addBand(QR::rbDetail, 50);
    auto *memo = f.element<TQRDBText>(detail, 0, 0, 1800, 45);
    memo->SetDataSet(f.table);
    memo->SetDataField(QStringLiteral("notes"));
    memo->SetAutoStretch(true);
    memo->SetWordWrap(true);
    RecordingFilter filter;
    f.exportTo(filter);
    QStringList printed;
    for (const TextItem &i : filter.items)
        if (i.text.startsWith(QLatin1String("line ")))
            printed << i.text;
    EXPECT_EQ(printed, f.notes.split(u'\n'));
    EXPECT_EQ(printed.join(u'\n').size(), 1000);
    EXPECT_NE(filter.find(QStringLiteral("short")), nullptr);
    EXPECT_NE(filter.find(QStringLiteral("last")), nullptr);
}

TEST(StoredTexts, EveryKindOfLineBreakEndsALineOfAStoredText)
{
    // CR LF, LF and CR alone; empty lines, also the one after a final break, are kept.
    TextFixture f(QStringLiteral("one\r\ntwo\nthree\rfour\r\n\r\nsix\n"));
    TQRBand *detail = f.addBand(QR::rbDetail, 50);
    auto *memo = f.element<TQRDBText>(detail, 0, 0, 1800, 45);
    memo->SetDataSet(f.table);
    memo->SetDataField(QStringLiteral("notes"));
    memo->SetAutoStretch(true);
    RecordingFilter filter;
    f.exportTo(filter);
    EXPECT_EQ(filter.texts(1), (QStringList{"one", "two", "three", "four", "", "six", "", "short", "last"}));
}

TEST(StoredTexts, AValueThatDoesNotConvertPrintsItsErrorAndTheRunGoesOn)
{
    TextFixture f;
    TQRBand *detail = f.addBand(QR::rbDetail, 50);
    auto *qty = f.element<TQRExpr>(detail, 0, 0, 1800, 45);
    qty->SetExpression(QStringLiteral("[qty] * 2"));
    RecordingFilter filter;
    EXPECT_NO_THROW(f.exportTo(filter));
    const QStringList texts = filter.texts(1);
    ASSERT_EQ(texts.size(), 3) << texts.join(u'|').toStdString();
    EXPECT_EQ(texts.at(0), QStringLiteral("10"));
    EXPECT_TRUE(texts.at(1).contains(QStringLiteral("\"abc\" is not a valid integer value")))
        << texts.at(1).toStdString();
    EXPECT_EQ(texts.at(2), QStringLiteral("14"));
}
