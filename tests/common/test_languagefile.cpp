// Language files: the fast reader's line rules and lookups, the translation of a
// window's parts, the program-wide cache, and the template that gives back every text.

#include "common/codepage.h"
#include "common/languagefile.h"
#include "common/prompt.h"
#include "testutil.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{

// A window part with every list a translation reaches.
class TSamplePart : public TComponent
{
    Q_OBJECT
    Q_PROPERTY(QString Caption MEMBER Caption)
    Q_PROPERTY(QString Hint MEMBER Hint)
    Q_PROPERTY(QStringList Items MEMBER Items)
    Q_PROPERTY(QStringList Lines MEMBER Lines)
    Q_PROPERTY(QStringList RuntimeMessages MEMBER RuntimeMessages)
public:
    using TComponent::TComponent;
    QString Caption, Hint;
    QStringList Items, Lines, RuntimeMessages;
};

struct SampleWindow {
    explicit SampleWindow(const QString &caption = QStringLiteral("Options")) : caption(caption)
    {
        label = new TSamplePart(&owner);
        label->SetName(QStringLiteral("Label1"));
        label->Caption = QStringLiteral("Label");
        list = new TSamplePart(&owner);
        list->SetName(QStringLiteral("Units"));
        list->Items = {QStringLiteral("MM"), QStringLiteral("Inches"), QStringLiteral("Characters")};
        memo = new TSamplePart(&owner);
        memo->SetName(QStringLiteral("Memo"));
        memo->Lines = {QStringLiteral("first"), QStringLiteral("second"), QString()};
        loader = new TSamplePart(&owner);
        loader->SetName(QStringLiteral("Loader"));
        loader->RuntimeMessages = {QStringLiteral("A=Alpha"), QStringLiteral("B=Beta")};
    }
    TTranslatableWindow view()
    {
        TTranslatableWindow w;
        w.Caption = [this] { return caption; };
        w.SetCaption = [this](const QString &c) { caption = c; };
        AddComponentParts(w, &owner);
        return w;
    }
    QString caption;
    TComponent owner;
    TSamplePart *label, *list, *memo, *loader;
};

class LanguageFiles : public ::testing::Test
{
protected:
    LanguageFiles() : guard(&prompt) { TLanguageIniFile::ClearCache(); }
    ~LanguageFiles() override
    {
        SetConfiguredLanguageFile(QString());
        TLanguageIniFile::ClearCache();
    }
    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(testutil::writeFile(path, bytes));
        return path;
    }
    QTemporaryDir dir;
    TScriptedPrompt prompt;
    TPromptGuard guard;
};

TEST_F(LanguageFiles, ReaderKeepsSectionsAndKeysByTheLineRules)
{
    QByteArray longLine = "Long=\"" + QByteArray(300, 'x') + "\"";
    const QString path = write(QStringLiteral("lang.ini"),
                               "Stray=\"before any section\"\r\n"
                               "[blockform]\r\n"
                               "Label1.Caption=\"Name:\"\r\n"
                               "\r\n"
                               "NoQuotes=Value\r\n"
                               "Equation=\"a=b\"\r\n"
                               "Short=x\r\n"
                               "Label1.caption=\"second one\"\r\n"
                               "Without equals sign\r\n" +
                                   longLine +
                                   "\n"
                                   "[Other]\n"
                                   "Key=\"other\"\n"
                                   "[BLOCKFORM]\n"
                                   "Later=\"joined\"\n");
    TSpeedyIniFile ini;
    ASSERT_TRUE(ini.Load(path));
    EXPECT_EQ(ini.FileName(), path);
    EXPECT_TRUE(prompt.Records().isEmpty());
    EXPECT_EQ(ini.Read(QStringLiteral("BlockForm"), QStringLiteral("Label1.Caption")), QStringLiteral("Name:"));
    EXPECT_EQ(ini.Read(QStringLiteral("BLOCKFORM"), QStringLiteral("label1.CAPTION")), QStringLiteral("Name:"));
    EXPECT_EQ(ini.Read(QStringLiteral("BlockForm"), QStringLiteral("NoQuotes")), QStringLiteral("alu"));
    EXPECT_EQ(ini.Read(QStringLiteral("BlockForm"), QStringLiteral("Equation")), QStringLiteral("a=b"));
    EXPECT_EQ(ini.Read(QStringLiteral("BlockForm"), QStringLiteral("Short"), QStringLiteral("d")), QString());
    EXPECT_EQ(ini.Read(QStringLiteral("BlockForm"), QStringLiteral("Later")), QStringLiteral("joined"));
    // A line is cut at 255 characters: the value loses its closing quote and one more character.
    EXPECT_EQ(ini.Read(QStringLiteral("BlockForm"), QStringLiteral("Long")), QString(248, QLatin1Char('x')));
    EXPECT_EQ(ini.Read(QStringLiteral("Other"), QStringLiteral("Key")), QStringLiteral("other"));
    EXPECT_EQ(ini.Read(QStringLiteral("BlockForm"), QStringLiteral("Stray"), QStringLiteral("-")),
              QStringLiteral("-"));
    EXPECT_EQ(ini.Read(QStringLiteral("Missing"), QStringLiteral("Key"), QStringLiteral("-")), QStringLiteral("-"));
    ASSERT_EQ(ini.Sections().size(), 2);
    EXPECT_EQ(ini.Sections()[0].Name, QStringLiteral("BLOCKFORM"));
    EXPECT_EQ(ini.Sections()[1].Name, QStringLiteral("OTHER"));

    // Translations written in the 8-bit code page are read as well as UTF-8 ones.
    const QString cyrillic = QStringLiteral("Имя:");
    const QString cp = write(QStringLiteral("cp.ini"), "[A]\nK=\"" + EncodeCodePage(cyrillic) + "\"\n");
    const QString utf = write(QStringLiteral("utf.ini"), "\xEF\xBB\xBF[A]\nK=\"" + cyrillic.toUtf8() + "\"\n");
    for (const QString &file : {cp, utf}) {
        ASSERT_TRUE(ini.Load(file));
        EXPECT_EQ(ini.Read(QStringLiteral("a"), QStringLiteral("k")), cyrillic);
    }

    const QString missing = dir.filePath(QStringLiteral("none.ini"));
    EXPECT_FALSE(ini.Load(missing));
    EXPECT_TRUE(ini.Sections().isEmpty());
    EXPECT_TRUE(ini.FileName().isEmpty());
    ASSERT_EQ(prompt.Records().size(), 1);
    EXPECT_EQ(prompt.Records()[0].text, QStringLiteral("File ") + missing + QStringLiteral(" not found!"));
    EXPECT_EQ(prompt.Records()[0].type, mtError);
}

TEST_F(LanguageFiles, SectionTranslatesCaptionsListsLinesAndMessages)
{
    const QString path = write(QStringLiteral("lang.ini"),
                               "[BlockForm]\n"
                               "BlockForm.Caption=\"Block\"\n"
                               "Label1.Caption=\"Name:\"\n"
                               "Label1.Hint=\"The name\"\n"
                               "Units.Item2=\"Zoll\"\n"
                               "Units.Item4=\"beyond the list\"\n"
                               "Memo.Item1=\"eins\"\n"
                               "Memo.Item2=\"zwei\"\n"
                               "Memo.Item3=\"drei\"\n"
                               "Memo.Item5=\"after the gap\"\n"
                               "Loader.Item2=\"B=Beta translated\"\n");
    SetConfiguredLanguageFile(path);
    SampleWindow window;
    TTranslatableWindow view = window.view();
    TranslateWithLanguageFile(view, QStringLiteral("BlockForm"));
    EXPECT_EQ(window.caption, QStringLiteral("Block"));
    EXPECT_EQ(window.label->Caption, QStringLiteral("Name:"));
    EXPECT_EQ(window.label->Hint, QStringLiteral("The name"));
    EXPECT_EQ(window.list->Items, QStringList({"MM", "Zoll", "Characters"}));
    // Lines are replaced as a whole up to the first missing key, whose empty value ends them.
    EXPECT_EQ(window.memo->Lines, QStringList({"eins", "zwei", "drei", ""}));
    EXPECT_EQ(window.loader->RuntimeMessages, QStringList({"A=Alpha", "B=Beta translated"}));
    EXPECT_TRUE(prompt.Records().isEmpty());

    // Empty lists stay empty; a section of another window changes nothing.
    SampleWindow other;
    other.list->Items.clear();
    other.memo->Lines.clear();
    TTranslatableWindow otherView = other.view();
    TranslateWithLanguageFile(otherView, QStringLiteral("DBOpenForm"));
    EXPECT_EQ(other.caption, QStringLiteral("Options"));
    EXPECT_EQ(other.label->Caption, QStringLiteral("Label"));
    TranslateWithLanguageFile(otherView, QStringLiteral("BlockForm"));
    EXPECT_TRUE(other.list->Items.isEmpty());
    EXPECT_TRUE(other.memo->Lines.isEmpty());

    TLanguageIniFile unnamed;
    EXPECT_FALSE(unnamed.Translate(otherView));
    ASSERT_EQ(prompt.Records().size(), 1);
    EXPECT_EQ(prompt.Records()[0].text, QStringLiteral("Property \"FormName\" not set!"));
}

TEST_F(LanguageFiles, ChangingTheConfiguredFileReachesOnlyLaterWindows)
{
    const QString first = write(QStringLiteral("first.ini"), "[W]\nLabel1.Caption=\"first\"\n");
    const QString second = write(QStringLiteral("second.ini"), "[W]\nLabel1.Caption=\"second\"\n");

    SampleWindow untranslated;
    TTranslatableWindow view = untranslated.view();
    TranslateWithLanguageFile(view, QStringLiteral("W")); // nothing configured
    EXPECT_EQ(untranslated.label->Caption, QStringLiteral("Label"));

    SetConfiguredLanguageFile(first);
    SampleWindow early;
    TTranslatableWindow earlyView = early.view();
    TranslateWithLanguageFile(earlyView, QStringLiteral("W"));
    EXPECT_EQ(early.label->Caption, QStringLiteral("first"));
    const TSpeedyIniFile *cached = TLanguageIniFile::Cached(first);
    ASSERT_NE(cached, nullptr);
    EXPECT_EQ(cached->FileName(), first);

    // The file on disk changes but the name does not: the cache serves the next window.
    write(QStringLiteral("first.ini"), "[W]\nLabel1.Caption=\"edited\"\n");
    EXPECT_EQ(TLanguageIniFile::Cached(first)->Read(QStringLiteral("W"), QStringLiteral("Label1.Caption")),
              QStringLiteral("first"));

    SetConfiguredLanguageFile(second);
    SampleWindow late;
    TTranslatableWindow lateView = late.view();
    TranslateWithLanguageFile(lateView, QStringLiteral("W"));
    EXPECT_EQ(late.label->Caption, QStringLiteral("second"));
    EXPECT_EQ(early.label->Caption, QStringLiteral("first"));

    // A missing file: one error box, and every window keeps its built-in texts.
    SetConfiguredLanguageFile(dir.filePath(QStringLiteral("gone.ini")));
    for (int i = 0; i < 2; ++i) {
        SampleWindow missing;
        TTranslatableWindow missingView = missing.view();
        TranslateWithLanguageFile(missingView, QStringLiteral("W"));
        EXPECT_EQ(missing.label->Caption, QStringLiteral("Label"));
    }
    ASSERT_EQ(prompt.Records().size(), 1);
    EXPECT_TRUE(prompt.Records()[0].text.endsWith(QStringLiteral("gone.ini not found!")));
}

TEST_F(LanguageFiles, TemplateGivesBackEveryText)
{
    SampleWindow window(QStringLiteral("Options \"quoted\""));
    window.label->Hint = QStringLiteral("Label's hint");
    TSamplePart *multiline = new TSamplePart(&window.owner);
    multiline->SetName(QStringLiteral("Multi"));
    multiline->Caption = QStringLiteral("two\nlines");
    multiline->Lines = {QStringLiteral("a"), QString(), QStringLiteral("b")};
    TTranslatableWindow view = window.view();
    const QStringList lines = LanguageSectionLines(QStringLiteral("BlockForm"), view);
    EXPECT_EQ(lines.value(0), QStringLiteral("[BlockForm]"));
    EXPECT_TRUE(lines.contains(QStringLiteral("BlockForm.Caption=\"Options \"quoted\"\"")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Label1.Caption=\"Label\"")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Units.Item3=\"Characters\"")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Memo.Item2=\"second\"")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Loader.Item1=\"A=Alpha\"")));
    // What a line cannot hold is not offered: a caption with a line break, lines with an inner gap.
    EXPECT_FALSE(lines.filter(QStringLiteral("Multi.Caption")).size());
    EXPECT_FALSE(lines.filter(QStringLiteral("Multi.Item")).size());

    RegisterLanguageSection(QStringLiteral("BlockForm"), [&] { return lines; });
    const QString path = dir.filePath(QStringLiteral("template.ini"));
    QString error;
    ASSERT_TRUE(WriteLanguageTemplate(path, &error)) << error.toStdString();
    EXPECT_FALSE(WriteLanguageTemplate(dir.filePath(QStringLiteral("no/such/dir.ini")), &error));
    EXPECT_FALSE(error.isEmpty());

    SampleWindow fresh(window.caption);
    fresh.label->Hint = window.label->Hint;
    SetConfiguredLanguageFile(path);
    TTranslatableWindow freshView = fresh.view();
    TranslateWithLanguageFile(freshView, QStringLiteral("BlockForm"));
    EXPECT_EQ(fresh.caption, window.caption);
    EXPECT_EQ(fresh.label->Caption, window.label->Caption);
    EXPECT_EQ(fresh.label->Hint, window.label->Hint);
    EXPECT_EQ(fresh.list->Items, window.list->Items);
    EXPECT_EQ(fresh.memo->Lines, window.memo->Lines);
    EXPECT_EQ(fresh.loader->RuntimeMessages, window.loader->RuntimeMessages);
    EXPECT_TRUE(prompt.Records().isEmpty());
}

} // namespace

#include "test_languagefile.moc"
