// Every window of the program as a language file reaches it: each one is listed in the
// template with its texts, each names every text it shows, each translates itself from the
// configured language file when it is made, and reading the template back changes no text.

#include "app/mainform.h"
#include "common/languagefile.h"
#include "common/prompt.h"
#include "common/speedyinifile.h"
#include "definition/loader.h"
#include "gui/translatewindow.h"
#include "params/autoprintform.h"
#include "params/pareditform.h"
#include "testutil.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QProcess>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>

#include <memory>

namespace
{

// The program's start-up registrations.
void registerWindows()
{
    TParEditForm::Install();
    TAutoprintForm::Install();
    RegisterShellLanguageWindows();
}

// The value of every key line of a section, in order.
QStringList valuesOf(const QStringList &lines)
{
    QStringList values;
    for (const QString &line : lines.mid(1))
        values.append(line.mid(line.indexOf(QLatin1Char('=')) + 2).chopped(1));
    return values;
}

TEST(LanguageWindows, EveryWindowIsListedNamedAndTranslated)
{
    registerWindows();
    TScriptedPrompt prompt;
    const TPromptGuard guard(&prompt);
    QTemporaryDir dir;
    const QString templateFile = dir.filePath(QStringLiteral("template.lng"));
    QString error;
    ASSERT_TRUE(WriteLanguageTemplate(templateFile, &error)) << error.toStdString();

    TSpeedyIniFile written;
    ASSERT_TRUE(written.Load(templateFile));
    QStringList sections;
    for (const auto &s : written.Sections())
        sections.append(s.Name);
    for (const char *window :
         {"FM_MAIN", "LISTREPORTFORM", "AUTOPRINTFORM", "FMREPPREV", "REPFORMDB", "QRSTANDARDPREVIEW",
          "QRPROGRESSFORM", "QRPRINTDIALOG", "PAREDITFORM", "PROPFORM", "VARFORM", "ORDERFORM", "EDITVARFORM",
          "MACROFORM", "LISTSFORM", "CHOOSERFORM"})
        EXPECT_TRUE(sections.contains(QString::fromLatin1(window))) << window;
    EXPECT_EQ(written.Read(QStringLiteral("ListReportForm"), QStringLiteral("StartButton.Caption")),
              QStringLiteral("Start report"));
    EXPECT_EQ(written.Read(QStringLiteral("AutoprintForm"), QStringLiteral("PrintButton.Caption")),
              QStringLiteral("Print"));
    EXPECT_EQ(written.Read(QStringLiteral("QRStandardPreview"), QStringLiteral("NextPage.Caption")),
              QStringLiteral("Next page"));
    EXPECT_TRUE(written.Read(QStringLiteral("RepFormDB"), QStringLiteral("Loader.Item1")).contains('='));

    // Every text a window shows belongs to a named part, so that a translation reaches it.
    for (const auto &entry : LanguageWindows()) {
        const QString &section = entry.first; // a plain reference: the lambdas below capture it
        std::unique_ptr<QWidget> window(entry.second());
        TranslatableWidgetWindow(window.get());
        const auto unnamed = [&](QWidget *w, const QString &text) {
            EXPECT_TRUE(!w->objectName().isEmpty() || text.isEmpty() || text.startsWith(QLatin1Char('.')))
                << section.toStdString() << ": " << text.toStdString();
        };
        if (section == QLatin1String("QRPrintDialog"))
            continue; // the platform's dialog names its own widgets
        for (QLabel *w : window->findChildren<QLabel *>())
            if (!qobject_cast<QStatusBar *>(w->parentWidget())) // status panels show data
                unnamed(w, w->text());
        for (QAbstractButton *w : window->findChildren<QAbstractButton *>()) {
            auto *tool = qobject_cast<QToolButton *>(w);
            if (!tool || !tool->defaultAction()) // a tool bar's button shows its named action
                unnamed(w, w->text());
        }
        for (QGroupBox *w : window->findChildren<QGroupBox *>())
            unnamed(w, w->title());
    }

    // With the template as the language file each window reads its section back unchanged.
    QList<QPair<QString, QStringList>> builtIn;
    for (const auto &[section, writer] : LanguageSections())
        builtIn.append({section, writer()});
    SetConfiguredLanguageFile(templateFile);
    for (const auto &entry : builtIn) {
        const auto &section = entry.first; // a plain reference: the lambda below captures it
        const auto &lines = entry.second;
        const auto sectionWriter = [&] {
            for (const auto &s : LanguageSections())
                if (s.first == section)
                    return s.second;
            return TLanguageSectionWriter();
        }();
        EXPECT_EQ(sectionWriter(), lines) << section.toStdString();
    }

    // A translation of every key reaches every window as it is made.
    QStringList translated;
    for (const auto &[section, lines] : builtIn) {
        translated.append(lines.first());
        const QStringList values = valuesOf(lines);
        for (int i = 1; i < lines.size(); ++i)
            translated.append(lines[i].left(lines[i].indexOf(QLatin1Char('=')) + 1) +
                              QStringLiteral("\"ru ") + values[i - 1] + QLatin1Char('"'));
    }
    const QString russian = dir.filePath(QStringLiteral("russian.lng"));
    ASSERT_TRUE(testutil::writeFile(russian, translated.join(QLatin1Char('\n')).toUtf8()));
    SetConfiguredLanguageFile(russian);
    for (const auto &[section, writer] : LanguageSections()) {
        const QStringList values = valuesOf(writer());
        for (const QString &value : values)
            EXPECT_TRUE(value.startsWith(QStringLiteral("ru "))) << section.toStdString() << ": " << value.toStdString();
    }
    SetConfiguredLanguageFile(QString());
    TLanguageIniFile::ClearCache();
    EXPECT_TRUE(prompt.Records().isEmpty());
}

TEST(LanguageWindows, ProgramWritesTheTemplateAndTheDemoTranslatesEveryText)
{
    QTemporaryDir dir;
    const QString templateFile = dir.filePath(QStringLiteral("template.lng"));
    QProcess program;
    program.setProcessEnvironment([&] {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("TABULON_HOME"), dir.path());
        return env;
    }());
    const auto run = [&](const QStringList &arguments) {
        program.start(QStringLiteral(TABULON_PROGRAM), arguments);
        EXPECT_TRUE(program.waitForFinished(60000));
        return program.exitCode();
    };
    // A language file configured in the settings file does not leak into the template.
    ASSERT_TRUE(testutil::writeFile(dir.filePath(QStringLiteral("QRDESIGN.INI")),
                                    "[General]\nLanguagefile=ru.lng\n"));
    ASSERT_TRUE(testutil::writeFile(dir.filePath(QStringLiteral("ru.lng")),
                                    "[ListReportForm]\nStartButton.Caption=\"Запуск\"\n"
                                    "[RepFormDB]\nLoader.Item1=\"x=Перевод\"\n"));
    ASSERT_EQ(run({QStringLiteral("--language-template"), templateFile}), 0) << program.readAllStandardError().constData();
    EXPECT_EQ(run({QStringLiteral("--language-template")}), 2);
    EXPECT_EQ(run({QStringLiteral("--language-template"), dir.filePath(QStringLiteral("no/dir.lng"))}), 1);
    EXPECT_TRUE(program.readAllStandardError().contains("cannot write"));

    TSpeedyIniFile written;
    ASSERT_TRUE(written.Load(templateFile));
    EXPECT_EQ(written.Read(QStringLiteral("ListReportForm"), QStringLiteral("StartButton.Caption")),
              QStringLiteral("Start report"));
    EXPECT_EQ(written.Read(QStringLiteral("fm_main"), QStringLiteral("ReportsMenu.Caption")), QStringLiteral("&Reports"));
    EXPECT_EQ(written.Read(QStringLiteral("RepFormDB"), QStringLiteral("Loader.Item1")), DefaultRuntimeMessages().value(0));

#ifdef TABULON_DEMO_DIR
    // The demo's Russian file holds every key of the template with a text of its own.
    TSpeedyIniFile russian;
    ASSERT_TRUE(russian.Load(QStringLiteral(TABULON_DEMO_DIR "/russian.lng")));
    int keys = 0;
    for (const auto &section : written.Sections())
        for (const auto &[key, value] : section.Keys) {
            if (value.isEmpty())
                continue; // empty hints
            ++keys;
            EXPECT_TRUE(russian.Exists(section.Name, key)) << section.Name.toStdString() << " " << key.toStdString();
        }
    EXPECT_GT(keys, 200);
    EXPECT_EQ(russian.Read(QStringLiteral("ListReportForm"), QStringLiteral("StartButton.Caption")),
              QStringLiteral("Запустить отчёт"));
#endif
}

} // namespace
