// The page stream and the stored-report layout, checked against byte
// sequences built from the layout table, and forged files.
#include "output/pages/qrerror.h"
#include "output/pages/qrpagelist.h"
#include "output/pages/qrprinter.h"
#include "output/pages/qrstream.h"
#include "testutil.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

namespace
{
qint32 i32(const QByteArray &b, int at)
{
    return qFromLittleEndian<qint32>(b.constData() + at);
}
quint16 u16(const QByteArray &b, int at)
{
    return qFromLittleEndian<quint16>(b.constData() + at);
}
void put32(QByteArray &b, qint32 v)
{
    char c[4];
    qToLittleEndian<qint32>(v, c);
    b.append(c, 4);
}

QByteArray streamBytes(TQRStream *s)
{
    QByteArray out(s->Size(), Qt::Uninitialized);
    s->Seek(0);
    s->ReadExact(out.data(), out.size());
    return out;
}

// A header as the layout table gives it.
QByteArray header(qint32 pages, bool compressed)
{
    QByteArray h(128, '\0');
    qToLittleEndian<quint16>(3, h.data());
    qToLittleEndian<quint16>(305, h.data() + 2);
    qToLittleEndian<qint32>(pages, h.data() + 8);
    qToLittleEndian<double>(45000.5, h.data() + 16);
    h[25] = compressed ? 1 : 0;
    return h;
}

// An uncompressed record at the current end of file.
void appendRecord(QByteArray &file, qint32 number, const QByteArray &data)
{
    const qint32 start = qint32(file.size());
    put32(file, number);
    put32(file, start + 8 + qint32(data.size()) + 4);
    file.append(data);
    put32(file, start);
}

class TempDirEnv : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        oldTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", dir.path().toLocal8Bit());
    }
    void TearDown() override { qputenv("TMPDIR", oldTmp); }
    QStringList tempFiles() const { return QDir(dir.path()).entryList(QDir::Files); }
    QString path(const QString &name) const { return dir.filePath(name); }
    QTemporaryDir dir;
    QByteArray oldTmp;
};
} // namespace

// --- stream ------------------------------------------------------------------------

using StreamTest = TempDirEnv;

TEST_F(StreamTest, StaysInMemoryUpToTheLimitThenSpillsToAQrpFile)
{
    {
        TQRStream s;
        ASSERT_TRUE(s.Write(QByteArray(100000, 'x')));
        EXPECT_TRUE(s.InMemory());
        EXPECT_TRUE(tempFiles().isEmpty());
        ASSERT_TRUE(s.Write(QByteArray(1, 'y')));
        EXPECT_FALSE(s.InMemory());
        const QStringList files = tempFiles();
        ASSERT_EQ(files.size(), 1);
        EXPECT_TRUE(files.first().startsWith(QLatin1String("QRP")));
        EXPECT_EQ(QFileInfo(s.FileName()).fileName(), files.first());
        EXPECT_EQ(s.Size(), 100001);
        // Contents survive the move.
        ASSERT_TRUE(s.Seek(99999));
        char two[2];
        ASSERT_TRUE(s.ReadExact(two, 2));
        EXPECT_EQ(two[0], 'x');
        EXPECT_EQ(two[1], 'y');
        // Overwriting in place keeps the size.
        ASSERT_TRUE(s.Seek(0));
        ASSERT_TRUE(s.WriteInt32(7));
        EXPECT_EQ(s.Size(), 100001);
        ASSERT_TRUE(s.Seek(0));
        qint32 v = 0;
        ASSERT_TRUE(s.ReadInt32(&v));
        EXPECT_EQ(v, 7);
        // Appending at the end, and across it, grows the size.
        ASSERT_TRUE(s.Seek(s.Size()));
        ASSERT_TRUE(s.Write(QByteArray(10, 'z')));
        EXPECT_EQ(s.Size(), 100011);
        ASSERT_TRUE(s.Seek(100005));
        ASSERT_TRUE(s.Write(QByteArray(10, 'w')));
        EXPECT_EQ(s.Size(), 100015);
        ASSERT_TRUE(s.Seek(100010));
        ASSERT_TRUE(s.ReadExact(two, 2));
        EXPECT_EQ(two[0], 'w');
    }
    EXPECT_TRUE(tempFiles().isEmpty()) << "the temporary file is deleted with the stream";
}

TEST_F(StreamTest, ReadOnlyStreamRefusesWritesAndMissingFiles)
{
    ASSERT_TRUE(testutil::writeFile(path("a.qrp"), "hello"));
    QString error;
    auto s = TQRStream::OpenReadOnly(path("a.qrp"), &error);
    ASSERT_TRUE(s);
    EXPECT_TRUE(s->ReadOnly());
    EXPECT_FALSE(s->Write("x", 1));
    EXPECT_FALSE(s->Seek(6)) << "no seeking past the end of a file opened for reading";
    char buf[5];
    ASSERT_TRUE(s->Seek(0));
    EXPECT_TRUE(s->ReadExact(buf, 5));
    EXPECT_FALSE(s->ReadExact(buf, 1));
    EXPECT_EQ(testutil::readFile(path("a.qrp")), QByteArray("hello"));

    EXPECT_FALSE(TQRStream::OpenReadOnly(path("missing.qrp"), &error));
    EXPECT_FALSE(error.isEmpty());
}

// --- layout ---------------------------------------------------------------------------

TEST(PageListLayout, OnePageDocument)
{
    TQRPageList list;
    const QByteArray page("PAGEBYTES");
    list.SetCreationDateTime(QDateTime(QDate(2023, 3, 1), QTime(12, 0)));
    list.AddPage(page);
    list.Finish();
    const QByteArray b = streamBytes(list.Stream());
    ASSERT_EQ(b.size(), 128 + 4 + 4 + page.size() + 4);
    EXPECT_EQ(u16(b, 0), 3);
    EXPECT_EQ(u16(b, 2), 305);
    EXPECT_EQ(i32(b, 4), 0);
    EXPECT_EQ(i32(b, 8), 1);
    EXPECT_EQ(i32(b, 12), 0);
    // 1 March 2023 12:00 is day 44986.5 counted from 30 December 1899.
    EXPECT_DOUBLE_EQ(qFromLittleEndian<double>(b.constData() + 16), 44986.5);
    EXPECT_EQ(b[24], '\0');
    EXPECT_EQ(b[25], '\0');
    EXPECT_EQ(b.mid(26, 102), QByteArray(102, '\0'));
    EXPECT_EQ(i32(b, 128), 1);
    EXPECT_EQ(i32(b, 132), b.size());
    EXPECT_EQ(b.mid(136, page.size()), page);
    EXPECT_EQ(i32(b, b.size() - 4), 128) << "the trailer points at the only record";
}

TEST(PageListLayout, CompressedRecordHoldsLengthAndBitStream)
{
    TQRPageList list;
    list.SetCompression(true);
    list.AddPage(QByteArray(3, '\0'));
    list.AddPage(QByteArray(1, '\0'));
    list.Finish();
    const QByteArray b = streamBytes(list.Stream());
    EXPECT_EQ(b[25], '\x01');
    EXPECT_EQ(i32(b, 8), 2);
    // Record 1: number, next, length 3, bit stream 80 0F (a fresh tree), start.
    EXPECT_EQ(i32(b, 128), 1);
    EXPECT_EQ(i32(b, 132), 128 + 18);
    EXPECT_EQ(i32(b, 136), 3);
    EXPECT_EQ(b.mid(140, 2), QByteArray("\x80\x0F", 2));
    EXPECT_EQ(i32(b, 142), 128);
    // Record 2 starts with a fresh tree again: 0 -> 80.
    EXPECT_EQ(i32(b, 146), 2);
    EXPECT_EQ(i32(b, 150), 146 + 17);
    EXPECT_EQ(i32(b, 154), 1);
    EXPECT_EQ(b[158], '\x80');
    EXPECT_EQ(i32(b, 159), 146);
    EXPECT_EQ(b.size(), 163);

    QByteArray page;
    ASSERT_TRUE(list.GetPage(1, &page));
    EXPECT_EQ(page, QByteArray(3, '\0'));
    ASSERT_TRUE(list.GetPage(2, &page));
    EXPECT_EQ(page, QByteArray(1, '\0'));
}

TEST(PageListLayout, CompressionIsFixedForTheWholeDocument)
{
    TQRPageList list;
    list.AddPage("one");
    list.SetCompression(true); // too late for this document: the header flag covers every page
    list.AddPage("two");
    list.Finish();
    const QByteArray b = streamBytes(list.Stream());
    EXPECT_EQ(b[25], '\0');
    QByteArray page;
    ASSERT_TRUE(list.GetPage(2, &page));
    EXPECT_EQ(page, QByteArray("two"));
}

TEST(PageListLayout, ReadsPagesInAnyOrder)
{
    TQRPageList list;
    for (int i = 1; i <= 7; ++i)
        list.AddPage(QByteArray("page ") + QByteArray::number(i));
    list.Finish();
    QByteArray page;
    for (int n : {1, 2, 3, 7, 6, 4, 5, 1, 7, 3, 3}) {
        ASSERT_TRUE(list.GetPage(n, &page)) << n;
        EXPECT_EQ(page, QByteArray("page ") + QByteArray::number(n));
    }
    EXPECT_FALSE(list.GetPage(0, &page));
    EXPECT_FALSE(list.GetPage(8, &page));
    EXPECT_TRUE(page.isEmpty());
}

// --- loading hand-made and forged files -------------------------------------------------

using PageFileTest = TempDirEnv;

TEST_F(PageFileTest, LoadsAHandMadeFile)
{
    QByteArray file = header(2, false);
    appendRecord(file, 1, "first");
    appendRecord(file, 2, "second page");
    ASSERT_TRUE(testutil::writeFile(path("hand.qrp"), file));

    TQRPrinter p;
    ASSERT_TRUE(p.Load(path("hand.qrp"))) << p.ErrorString().toStdString();
    EXPECT_EQ(p.Status(), mpFinished);
    EXPECT_TRUE(p.FinishedReport());
    EXPECT_EQ(p.PageCount(), 2);
    EXPECT_FALSE(p.Compression());
    QByteArray bytes;
    ASSERT_TRUE(p.GetPageData(2, &bytes));
    EXPECT_EQ(bytes, QByteArray("second page"));
    ASSERT_TRUE(p.GetPageData(1, &bytes));
    EXPECT_EQ(bytes, QByteArray("first"));
    // Not pictures: no page to show, no paper guess.
    TQRPagePicture picture;
    EXPECT_FALSE(p.GetPage(1, &picture));
    EXPECT_FALSE(p.PaperGuessed());
    EXPECT_EQ(p.CreationDateTime(), QDateTime(QDate(2023, 3, 15), QTime(12, 0)));

    // The loaded file stays untouched; saving copies it byte for byte.
    ASSERT_TRUE(p.Save(path("copy.qrp")));
    EXPECT_EQ(testutil::readFile(path("copy.qrp")), file);
}

TEST_F(PageFileTest, RefusesFilesThatAreNoStoredReport)
{
    TQRPrinter p;
    EXPECT_FALSE(p.Load(path("missing.qrp")));
    EXPECT_TRUE(p.ErrorString().contains(QLatin1String("missing.qrp")));

    ASSERT_TRUE(testutil::writeFile(path("short.qrp"), QByteArray(100, '\0')));
    EXPECT_FALSE(p.Load(path("short.qrp")));

    QByteArray wrong = header(0, false);
    wrong[2] = 0x32; // format number 306
    ASSERT_TRUE(testutil::writeFile(path("wrong.qrp"), wrong));
    EXPECT_FALSE(p.Load(path("wrong.qrp")));

    QByteArray negative = header(-1, false);
    ASSERT_TRUE(testutil::writeFile(path("negative.qrp"), negative));
    EXPECT_FALSE(p.Load(path("negative.qrp")));

    // A page count the file cannot hold (each record needs at least 12 bytes).
    QByteArray huge = header(1000000, false);
    appendRecord(huge, 1, "x");
    ASSERT_TRUE(testutil::writeFile(path("huge.qrp"), huge));
    EXPECT_FALSE(p.Load(path("huge.qrp")));
    EXPECT_EQ(p.Status(), mpReady);
    EXPECT_EQ(p.PageCount(), 0);
    QByteArray bytes;
    EXPECT_FALSE(p.GetPageData(1, &bytes));
}

TEST_F(PageFileTest, ForgedRecordsYieldNoPageAndNeverLoop)
{
    struct Case {
        const char *name;
        QByteArray file;
        int page;
    };
    QList<Case> cases;

    { // Truncated inside the last record.
        QByteArray f = header(2, false);
        appendRecord(f, 1, "first");
        appendRecord(f, 2, "second");
        f.chop(7);
        cases.append({"truncated", f, 2});
    }
    { // Next position pointing backwards.
        QByteArray f = header(3, false);
        appendRecord(f, 1, "first");
        qToLittleEndian<qint32>(128, f.data() + 132);
        appendRecord(f, 2, "second");
        appendRecord(f, 3, "third");
        cases.append({"backwards next", f, 2});
    }
    { // Page numbers that never match.
        QByteArray f = header(3, false);
        appendRecord(f, 1, "a");
        appendRecord(f, 1, "b");
        appendRecord(f, 1, "c");
        cases.append({"numbers never match", f, 2});
    }
    { // Records that send the walk back and forth between each other.
        QByteArray f = header(3, false);
        appendRecord(f, 1, "a");
        const int second = f.size();
        appendRecord(f, 5, "b");
        appendRecord(f, 3, "c");
        Q_UNUSED(second);
        cases.append({"ping-pong", f, 2});
    }
    { // A huge length in a compressed record.
        QByteArray f = header(1, true);
        const qint32 start = qint32(f.size());
        put32(f, 1);
        put32(f, start + 8 + 4 + 2 + 4);
        put32(f, 0x7FFFFFFF);
        f.append("\x80\x0F", 2);
        put32(f, start);
        cases.append({"huge uncompressed length", f, 1});
    }
    { // A next position far beyond the end of the file.
        QByteArray f = header(1, false);
        put32(f, 1);
        put32(f, 0x7FFFFFF0);
        f.append("data");
        put32(f, 128);
        cases.append({"next beyond end", f, 1});
    }
    { // Trailer pointing into the header.
        QByteArray f = header(2, false);
        appendRecord(f, 1, "a");
        appendRecord(f, 2, "b");
        qToLittleEndian<qint32>(4, f.data() + f.size() - 4);
        cases.append({"trailer into header", f, 2});
    }

    for (const Case &c : cases) {
        const QString file = path(QString::fromLatin1(c.name).replace(u' ', u'_') + QStringLiteral(".qrp"));
        ASSERT_TRUE(testutil::writeFile(file, c.file));
        TQRPrinter p;
        ASSERT_TRUE(p.Load(file)) << c.name;
        QByteArray bytes;
        EXPECT_FALSE(p.GetPageData(c.page, &bytes)) << c.name;
        EXPECT_TRUE(bytes.isEmpty()) << c.name;
        TQRPagePicture picture;
        for (int n = 1; n <= p.PageCount(); ++n)
            p.GetPage(n, &picture); // must return, whatever it finds
    }
}
