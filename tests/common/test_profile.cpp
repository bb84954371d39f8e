#include "common/codepage.h"
#include "common/localesettings.h"
#include "common/profile.h"
#include "common/savefile.h"

#include "filelimit.h"
#include "testutil.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using testutil::readFile;
using testutil::writeFile;

namespace
{

class ProfileTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("test.ini"));

    // A profile object on a file holding exactly these bytes.
    TIniFile &file(const QByteArray &bytes)
    {
        EXPECT_TRUE(writeFile(path, bytes));
        ini = std::make_unique<TIniFile>(path);
        return *ini;
    }

    std::unique_ptr<TIniFile> ini;
};

} // namespace

using ProfileRead = ProfileTest;
using ProfileWrite = ProfileTest;
using ProfileFailure = ProfileTest;

TEST_F(ProfileRead, QuotesAndBlanks)
{
    TIniFile &f = file("[S]\n"
                       "a =  \"quoted  \"  \n"
                       "b='single'\n"
                       "c=\"mixed'\n"
                       "d=\"\"twice\"\"\n"
                       "e=\"\n"
                       "f=\t plain value \t\n"
                       "g=x\"y\"\n"
                       "h=''\n"
                       "i=\n");
    EXPECT_EQ(f.ReadString("S", "a", "?"), "quoted  ");
    EXPECT_EQ(f.ReadString("S", "b", "?"), "single");
    EXPECT_EQ(f.ReadString("S", "c", "?"), "\"mixed'");
    EXPECT_EQ(f.ReadString("S", "d", "?"), "\"twice\"");
    EXPECT_EQ(f.ReadString("S", "e", "?"), "\"");
    EXPECT_EQ(f.ReadString("S", "f", "?"), "plain value");
    EXPECT_EQ(f.ReadString("S", "g", "?"), "x\"y\"");
    EXPECT_EQ(f.ReadString("S", "h", "?"), "");
    EXPECT_EQ(f.ReadString("S", "i", "?"), "");
    EXPECT_EQ(f.ReadString("S", "missing", "?"), "?");
    EXPECT_TRUE(f.ValueExists("S", "i"));
}

TEST_F(ProfileRead, NamesMatchWithoutCaseIncludingCyrillic)
{
    TIniFile &f = file("[Отчёты]\nИмяФайла=Счёт\n[Main]\nKey=1\n");
    EXPECT_EQ(f.ReadString("ОТЧЁТЫ", "имяфайла", ""), "Счёт");
    EXPECT_EQ(f.ReadString(" отчёты ", "ИМЯФАЙЛА", ""), "Счёт");
    EXPECT_EQ(f.ReadString("MAIN", "kEY", ""), "1");
    EXPECT_TRUE(f.SectionExists("main"));
    EXPECT_FALSE(f.SectionExists("отчеты")) << "е and ё are different letters";
}

TEST_F(ProfileRead, FileOrderCommentsAndNonKeyLines)
{
    TIniFile &f = file("orphan=before any section\n"
                       "[Zeta]\n"
                       "z=1\n"
                       "; a=commented\n"
                       "  ;b=indented comment\n"
                       "no equals sign here\n"
                       "=nameless\n"
                       "a=2\n"
                       "\n"
                       "M = 3\n"
                       "[ alpha ]\n"
                       "[Mid]\n"
                       "x=[not a section]\n");
    EXPECT_EQ(f.ReadSections(), QStringList({"Zeta", "alpha", "Mid"}));
    EXPECT_EQ(f.ReadSection("zeta"), QStringList({"z", "a", "M"}));
    EXPECT_EQ(f.ReadSectionValues("zeta"), QStringList({"z=1", "a=2", "M=3"}));
    EXPECT_TRUE(f.ReadSection("alpha").isEmpty());
    EXPECT_TRUE(f.SectionExists("alpha"));
    EXPECT_EQ(f.ReadString("Mid", "x", ""), "[not a section]");
    EXPECT_FALSE(f.ValueExists("Zeta", "; a"));
    EXPECT_FALSE(f.ValueExists("Zeta", "b"));
    EXPECT_FALSE(f.ValueExists("", "orphan"));
}

TEST_F(ProfileRead, FirstOfDuplicatesWins)
{
    TIniFile &f = file("[A]\nk=first\nk=second\n[B]\n[a]\nk=third\nonly=here\n");
    EXPECT_EQ(f.ReadSections(), QStringList({"A", "B"}));
    EXPECT_EQ(f.ReadString("A", "K", ""), "first");
    EXPECT_EQ(f.ReadSection("A"), QStringList({"k"}));
    EXPECT_FALSE(f.ValueExists("A", "only"));
}

TEST_F(ProfileRead, NumbersAndBooleans)
{
    TIniFile &f = file("[N]\ndec=42\nneg=-17\nplus=+5\nhex=$FF\nhex2=0x1f\nneghex=-$10\nall=$FFFFFFFF\n"
                       "max=2147483647\nmin=-2147483648\nover=2147483648\njunk=12abc\nempty=\nquoted=\"7\"\n"
                       "zero=0\nyes=yes\nfloat=1.5\nfloatc=2,25\nexp=1e3\n");
    EXPECT_EQ(f.ReadInteger("N", "dec", -1), 42);
    EXPECT_EQ(f.ReadInteger("N", "neg", -1), -17);
    EXPECT_EQ(f.ReadInteger("N", "plus", -1), 5);
    EXPECT_EQ(f.ReadInteger("N", "hex", -1), 255);
    EXPECT_EQ(f.ReadInteger("N", "hex2", -1), 31);
    EXPECT_EQ(f.ReadInteger("N", "neghex", -1), -16);
    EXPECT_EQ(f.ReadInteger("N", "all", 0), -1);
    EXPECT_EQ(f.ReadInteger("N", "max", 0), 2147483647);
    EXPECT_EQ(f.ReadInteger("N", "min", 0), int(-2147483647 - 1));
    EXPECT_EQ(f.ReadInteger("N", "over", -1), -1);
    EXPECT_EQ(f.ReadInteger("N", "junk", -1), -1);
    EXPECT_EQ(f.ReadInteger("N", "empty", -1), -1);
    EXPECT_EQ(f.ReadInteger("N", "quoted", -1), 7);
    EXPECT_EQ(f.ReadInteger("N", "float", -1), -1);

    EXPECT_FALSE(f.ReadBool("N", "zero", true));
    EXPECT_TRUE(f.ReadBool("N", "neg", false));
    EXPECT_TRUE(f.ReadBool("N", "yes", true));
    EXPECT_FALSE(f.ReadBool("N", "yes", false));
    EXPECT_TRUE(f.ReadBool("N", "missing", true));

    const TLocaleSettings saved = LocaleSettings();
    ASSERT_TRUE(LocaleSettings().Load(QStringLiteral("ru_RU")));
    EXPECT_DOUBLE_EQ(f.ReadFloat("N", "float", 0), 1.5);
    EXPECT_DOUBLE_EQ(f.ReadFloat("N", "floatc", 0), 2.25);
    EXPECT_DOUBLE_EQ(f.ReadFloat("N", "exp", 0), 1000);
    EXPECT_DOUBLE_EQ(f.ReadFloat("N", "junk", -3.5), -3.5);
    LocaleSettings() = saved;
}

TEST_F(ProfileRead, MissingFileReadsEmptyAndIsNotCreated)
{
    TIniFile f(path);
    EXPECT_EQ(f.FileName(), path);
    EXPECT_EQ(f.ReadString("S", "k", "dflt"), "dflt");
    EXPECT_TRUE(f.ReadSections().isEmpty());
    EXPECT_FALSE(f.SectionExists("S"));
    EXPECT_TRUE(f.LastError().isEmpty());
    EXPECT_TRUE(f.DeleteKey("S", "k"));
    EXPECT_TRUE(f.EraseSection("S"));
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(ProfileRead, CorruptBytesDoNotBreakReading)
{
    QByteArray junk("[S]\nk=v\n");
    for (int i = 0; i < 512; ++i)
        junk.append(char((i * 37 + 11) % 256));
    junk.append("\r\r\n\0\0\n[T]\nx=\xff\xfe\n", 15);
    TIniFile &f = file(junk);
    EXPECT_EQ(f.ReadString("S", "k", ""), "v");
    EXPECT_TRUE(f.SectionExists("T"));
    ASSERT_TRUE(f.WriteString("New", "key", "1"));
    EXPECT_TRUE(readFile(path).startsWith(junk));
}

TEST_F(ProfileWrite, InPlaceKeepsEveryOtherByte)
{
    const QByteArray before = "; settings\r\n"
                              "\r\n"
                              "[Main]\r\n"
                              "  Key = old value ; not a comment\r\n"
                              "other=1\r\n"
                              "\r\n"
                              "; trailing comment\r\n"
                              "[Next]\r\n"
                              "last=x";
    TIniFile &f = file(before);
    ASSERT_TRUE(f.WriteString("main", "KEY", "new")) << qPrintable(f.LastError());
    QByteArray expected = before;
    expected.replace("old value ; not a comment", "new");
    EXPECT_EQ(readFile(path), expected);
    EXPECT_EQ(f.ReadString("Main", "key", ""), "new");

    // Unchanged value on the last line, which has no line end: the bytes stay as they are.
    ASSERT_TRUE(f.WriteString("Next", "last", "x"));
    EXPECT_EQ(readFile(path), expected);
}

TEST_F(ProfileWrite, NewKeysGoAfterTheSectionsLastKeyAndNewSectionsAtTheEnd)
{
    TIniFile &f = file("[A]\r\na=1\r\n\r\n; about B\r\n[B]\r\n[C]\r\nc=3");
    ASSERT_TRUE(f.WriteString("a", "second", "2"));
    ASSERT_TRUE(f.WriteString("B", "b", "x"));
    ASSERT_TRUE(f.WriteString("C", "d", "4"));
    ASSERT_TRUE(f.WriteString("Новая", "ключ", "значение"));
    EXPECT_EQ(readFile(path),
              QByteArray("[A]\r\na=1\r\nsecond=2\r\n\r\n; about B\r\n[B]\r\nb=x\r\n[C]\r\nc=3\r\nd=4\r\n"
                         "[Новая]\r\nключ=значение\r\n"));
    EXPECT_EQ(f.ReadSections(), QStringList({"A", "B", "C", "Новая"}));
}

TEST_F(ProfileWrite, CreatesANewUtf8FileAndNothingElse)
{
    TIniFile f(path);
    ASSERT_TRUE(f.WriteString("Раздел", "Key", "Ж"));
    ASSERT_TRUE(f.WriteInteger("Раздел", "Count", -12));
    ASSERT_TRUE(f.WriteBool("Раздел", "On", true));
    ASSERT_TRUE(f.WriteBool("Раздел", "Off", false));
    EXPECT_EQ(readFile(path), QByteArray("[Раздел]\nKey=Ж\nCount=-12\nOn=1\nOff=0\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
              QStringList({"test.ini"}));
}

TEST_F(ProfileWrite, ValuesReadBackAsWritten)
{
    TIniFile &f = file("");
    for (const QString &value :
         {QStringLiteral(" padded "), QStringLiteral("\"quoted\""), QStringLiteral("'q'"),
          QStringLiteral("a=b;c"), QStringLiteral("\""), QString()}) {
        ASSERT_TRUE(f.WriteString("S", "k", value));
        EXPECT_EQ(TIniFile(path).ReadString("S", "k", "?"), value);
    }
}

TEST_F(ProfileWrite, KeepsTheByteOrderMark)
{
    TIniFile &f = file("\xEF\xBB\xBF[S]\nk=1\n");
    EXPECT_EQ(f.ReadSections(), QStringList({"S"}));
    ASSERT_TRUE(f.WriteString("S", "k", "Ω"));
    EXPECT_EQ(readFile(path), QByteArray("\xEF\xBB\xBF[S]\nk=Ω\n"));
}

TEST_F(ProfileWrite, InvalidNamesAndLineBreaksAreRefused)
{
    const QByteArray before = "[S]\nk=1\n";
    TIniFile &f = file(before);
    EXPECT_FALSE(f.WriteString("S", "k", "two\nlines"));
    EXPECT_FALSE(f.WriteString("S", "a=b", "1"));
    EXPECT_FALSE(f.WriteString("S", ";k", "1"));
    EXPECT_FALSE(f.WriteString("S", "", "1"));
    EXPECT_FALSE(f.WriteString("a]b", "k", "1"));
    EXPECT_FALSE(f.WriteString(" ", "k", "1"));
    EXPECT_TRUE(f.LastError().contains(path));
    EXPECT_EQ(readFile(path), before);
    EXPECT_EQ(f.ReadString("S", "k", ""), "1");
    EXPECT_TRUE(f.LastError().isEmpty());
}

TEST_F(ProfileWrite, EraseSectionAndDeleteKey)
{
    TIniFile &f =
        file("[Keep]\nk=1\n[Drop]\nx=1\n; drop comment\n\n[keep2]\ny=2\ny=3\nz=4\n[DROP]\nagain=1\n");
    ASSERT_TRUE(f.EraseSection("drop"));
    EXPECT_EQ(readFile(path), QByteArray("[Keep]\nk=1\n[keep2]\ny=2\ny=3\nz=4\n"));
    EXPECT_FALSE(f.SectionExists("Drop"));

    ASSERT_TRUE(f.DeleteKey("KEEP2", "Y"));
    EXPECT_EQ(readFile(path), QByteArray("[Keep]\nk=1\n[keep2]\nz=4\n"));
    EXPECT_FALSE(f.ValueExists("keep2", "y"));

    const QByteArray now = readFile(path);
    EXPECT_TRUE(f.DeleteKey("keep2", "missing"));
    EXPECT_TRUE(f.DeleteKey("nosection", "z"));
    EXPECT_TRUE(f.EraseSection("nosection"));
    EXPECT_EQ(readFile(path), now);
}

TEST_F(ProfileWrite, TwoObjectsAndOtherProgramsSeeEachOthersChanges)
{
    file("[S]\nk=1\n");
    TIniFile a(path);
    TIniFile b(path);
    EXPECT_EQ(b.ReadString("S", "k", ""), "1");
    ASSERT_TRUE(a.WriteString("S", "k", "2"));
    EXPECT_EQ(b.ReadString("S", "k", ""), "2");
    ASSERT_TRUE(b.WriteString("S", "other", "x"));
    ASSERT_TRUE(a.WriteString("S", "third", "y"));
    EXPECT_EQ(b.ReadSection("S"), QStringList({"k", "other", "third"}));

    // Another program rewrites the file in place at once, keeping its size: only the bytes differ.
    const QByteArray now = readFile(path);
    QByteArray changed = now;
    changed.replace("k=2", "k=9");
    ASSERT_EQ(changed.size(), now.size());
    ASSERT_TRUE(writeFile(path, changed));
    EXPECT_EQ(a.ReadString("S", "k", ""), "9");
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_FALSE(b.SectionExists("S"));
}

TEST_F(ProfileFailure, FailedWriteLosesNothing)
{
    QTemporaryDir base;
    const QString sub = base.filePath("sub");
    ASSERT_TRUE(QDir().mkdir(sub));
    const QString target = sub + "/reports.ini";
    const QByteArray before = "[S]\r\nk=old\r\n";
    ASSERT_TRUE(writeFile(target, before));
    TIniFile f(target);
    ASSERT_EQ(f.ReadString("S", "k", ""), "old");

    // The directory goes away and a plain file takes its place: nothing can be written there.
    ASSERT_TRUE(QDir().rename(sub, base.filePath("moved")));
    ASSERT_TRUE(writeFile(sub, "blocker"));
    EXPECT_FALSE(f.WriteString("S", "k", "new"));
    EXPECT_TRUE(f.LastError().contains(target)) << qPrintable(f.LastError());
    EXPECT_EQ(readFile(sub), QByteArray("blocker"));

    // Back in place, the file and the object's view of it are as before.
    ASSERT_TRUE(QFile::remove(sub));
    ASSERT_TRUE(QDir().rename(base.filePath("moved"), sub));
    EXPECT_EQ(readFile(target), before);
    EXPECT_EQ(f.ReadString("S", "k", ""), "old");
    ASSERT_TRUE(f.WriteString("S", "k", "new"));
    EXPECT_EQ(readFile(target), QByteArray("[S]\r\nk=new\r\n"));
}

// A full disk (here a file-size limit) while a profile file is written: the
// write is refused, the file keeps every byte, nothing half written stays
// beside it. The same holds for every file saved whole (SaveFileContents).
TEST_F(ProfileFailure, WriteThatCannotBeCompletedKeepsTheFile)
{
    QByteArray before = "[S]\r\nk=old\r\n";
    for (int i = 0; i < 200; ++i)
        before += "key" + QByteArray::number(i) + "=" + QByteArray(20, 'v') + "\r\n";
    TIniFile &f = file(before);
    ASSERT_EQ(f.ReadString("S", "k", ""), "old");
    const int result = testutil::runWithFileSizeLimit(before.size() / 2, [&] {
        if (f.WriteString("S", "k", "new"))
            return 1;
        if (!f.LastError().contains(path))
            return 2;
        QString error;
        if (SaveFileContents(path, before + "more", &error) || error.isEmpty())
            return 3;
        return 0;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(readFile(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("test.ini")});
}

TEST_F(ProfileFailure, FileUnderARegularFileCannotBeCreated)
{
    const QString blocker = dir.filePath("plain");
    ASSERT_TRUE(writeFile(blocker, "data"));
    TIniFile f(blocker + "/x.ini");
    EXPECT_EQ(f.ReadString("S", "k", "d"), "d");
    EXPECT_FALSE(f.WriteString("S", "k", "v"));
    EXPECT_TRUE(f.LastError().contains(blocker + "/x.ini"));
    EXPECT_EQ(readFile(blocker), QByteArray("data"));
}

TEST_F(ProfileFailure, UnreadableFileIsNeverOverwritten)
{
    // A directory in the file's place cannot be read, even by root.
    ASSERT_TRUE(QDir().mkdir(path));
    TIniFile f(path);
    EXPECT_EQ(f.ReadString("S", "k", "d"), "d");
    EXPECT_TRUE(f.LastError().contains(path));
    EXPECT_FALSE(f.WriteString("S", "k", "v"));
    EXPECT_FALSE(f.EraseSection("S"));
    EXPECT_FALSE(f.DeleteKey("S", "k"));
    EXPECT_TRUE(QFileInfo(path).isDir());
}

TEST_F(ProfileWrite, Windows1251FileRoundTrip)
{
    ASSERT_EQ(CodePageName(), "windows-1251");
    // [Отчёты] / Имя=Значение in windows-1251, which is not valid UTF-8.
    const QByteArray before =
        "[\xce\xf2\xf7\xb8\xf2\xfb]\r\n\xc8\xec\xff=\xc7\xed\xe0\xf7\xe5\xed\xe8\xe5\r\n";
    TIniFile &f = file(before);
    EXPECT_EQ(f.ReadString("ОТЧЁТЫ", "имя", ""), "Значение");
    ASSERT_TRUE(f.WriteString("Отчёты", "Ключ", "Ж€漢"));
    // Ключ=Ж€? : the euro sign exists in the code page, the ideograph does not.
    EXPECT_EQ(readFile(path), before + QByteArray("\xca\xeb\xfe\xf7=\xc6\x88?\r\n"));
    EXPECT_EQ(f.ReadString("отчёты", "ключ", ""), "Ж€?");
    EXPECT_EQ(TIniFile(path).ReadString("отчёты", "ключ", ""), "Ж€?");
}

TEST(CodePage, Windows1251)
{
    if (qEnvironmentVariableIsEmpty("TABULON_CODEPAGE")) {
        EXPECT_EQ(CodePageName(), "windows-1251");
    }
    EXPECT_EQ(EncodeCodePage("Привет, ёЁ"), QByteArray("\xcf\xf0\xe8\xe2\xe5\xf2, \xb8\xa8"));
    EXPECT_EQ(DecodeCodePage("\xcf\xf0\xe8\xe2\xe5\xf2"), "Привет");
    EXPECT_EQ(EncodeCodePage("a漢😀b"), QByteArray("a??b"));
    EXPECT_EQ(EncodeCodePage(QString::fromUtf16(u"a\0漢", 3)), QByteArray("a\0?", 3));
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    EXPECT_EQ(EncodeCodePage(DecodeCodePage(all)), all);
    EXPECT_TRUE(EncodeCodePage(QString()).isEmpty());
}

TEST(CodePage, Switching)
{
    const QString saved = CodePageName();
    EXPECT_FALSE(SetCodePageName("no-such-code-page"));
    EXPECT_EQ(CodePageName(), saved);
    ASSERT_TRUE(SetCodePageName("IBM866"));
    EXPECT_EQ(EncodeCodePage("Ж"), QByteArray("\x86"));
    EXPECT_EQ(DecodeCodePage("\x86"), "Ж");
    ASSERT_TRUE(SetCodePageName(saved));
    EXPECT_EQ(EncodeCodePage("Ж"), QByteArray("\xc6"));
}
