// Widget windows translated from a language file: which widgets a language file reaches and
// how, that child windows are left to themselves, and that a window's template gives back
// every text it has.

#include "common/prompt.h"
#include "gui/translatewindow.h"
#include "testutil.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace
{

// A window with one of every kind of part, built the way the program's windows are.
struct SampleDialog : QDialog {
    SampleDialog()
    {
        setWindowTitle(QStringLiteral("Options"));
        auto *layout = new QVBoxLayout(this);
        group = new QGroupBox(QStringLiteral("Frames"), this);
        group->setObjectName(QStringLiteral("FrameGroup"));
        check = new QCheckBox(QStringLiteral("Show frames"), group);
        check->setObjectName(QStringLiteral("ShowFrames"));
        check->setToolTip(QStringLiteral("Frames at design time"));
        units = new QComboBox(this);
        units->setObjectName(QStringLiteral("Units"));
        units->addItems({QStringLiteral("MM"), QStringLiteral("Inches")});
        auto *form = new QFormLayout;
        grid = new QLineEdit(this);
        grid->setObjectName(QStringLiteral("GridX"));
        form->addRow(QStringLiteral("Grid size &X:"), grid);
        tabs = new QTabWidget(this);
        tabs->setObjectName(QStringLiteral("Pages"));
        tabs->addTab(new QWidget, QStringLiteral("General"));
        tabs->addTab(new QWidget, QStringLiteral("Display"));
        list = new QTreeWidget(this);
        list->setObjectName(QStringLiteral("Fields"));
        list->setHeaderLabels({QStringLiteral("Field"), QStringLiteral("Type")});
        memo = new QPlainTextEdit(QStringLiteral("One\nTwo\n"), this);
        memo->setObjectName(QStringLiteral("Memo"));
        action = new QAction(QStringLiteral("&Save"), this);
        action->setObjectName(QStringLiteral("SaveAction"));
        menu = new QMenu(QStringLiteral("&File"), this);
        menu->setObjectName(QStringLiteral("FileMenu"));
        menu->addAction(action);
        unnamed = new QLabel(QStringLiteral("No name"), this);
        box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        child = new QDialog(this);
        child->setObjectName(QStringLiteral("Child"));
        child->setWindowTitle(QStringLiteral("Child window"));
        childLabel = new QLabel(QStringLiteral("Inside the child"), child);
        childLabel->setObjectName(QStringLiteral("ShowFrames"));
        for (QWidget *w : std::initializer_list<QWidget *>{group, units, tabs, list, memo, unnamed, box})
            layout->addWidget(w);
        layout->addLayout(form);
    }
    QGroupBox *group;
    QCheckBox *check;
    QComboBox *units;
    QLineEdit *grid;
    QTabWidget *tabs;
    QTreeWidget *list;
    QPlainTextEdit *memo;
    QAction *action;
    QMenu *menu;
    QLabel *unnamed;
    QDialogButtonBox *box;
    QDialog *child;
    QLabel *childLabel;
};

class TranslateWindows : public ::testing::Test
{
protected:
    TranslateWindows() : guard(&prompt) { TLanguageIniFile::ClearCache(); }
    ~TranslateWindows() override
    {
        SetConfiguredLanguageFile(QString());
        TLanguageIniFile::ClearCache();
    }
    QString write(const QString &name, const QByteArray &text)
    {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(testutil::writeFile(path, text));
        return path;
    }
    QTemporaryDir dir;
    TScriptedPrompt prompt;
    TPromptGuard guard;
};

TEST_F(TranslateWindows, LanguageFileReachesEveryNamedPart)
{
    SetConfiguredLanguageFile(write(QStringLiteral("ru.lng"), R"([optionsform]
OptionsForm.Caption="Параметры"
FrameGroup.Caption="Рамки"
ShowFrames.Caption="Показывать рамки"
ShowFrames.Hint="Рамки при разработке"
Units.Item1="мм"
Units.Item2="дюймы"
Units.Item3="лишний"
GridXLabel.Caption="Шаг сетки &X:"
Pages.Item2="Вид"
Fields.Item1="Поле"
Memo.Item1="Раз"
Memo.Item2="Два"
SaveAction.Caption="&Сохранить"
FileMenu.Caption="&Файл"
OKButton.Caption="Да"
CancelButton.Caption="Отмена"
Child.Caption="not this window"
)"));
    SampleDialog window;
    TranslateWindow(&window, QStringLiteral("OptionsForm"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Параметры"));
    EXPECT_EQ(window.group->title(), QStringLiteral("Рамки"));
    EXPECT_EQ(window.check->text(), QStringLiteral("Показывать рамки"));
    EXPECT_EQ(window.check->toolTip(), QStringLiteral("Рамки при разработке"));
    ASSERT_EQ(window.units->count(), 2);
    EXPECT_EQ(window.units->itemText(1), QStringLiteral("дюймы"));
    auto *gridLabel = window.findChild<QLabel *>(QStringLiteral("GridXLabel"));
    ASSERT_NE(gridLabel, nullptr);
    EXPECT_EQ(gridLabel->text(), QStringLiteral("Шаг сетки &X:"));
    EXPECT_EQ(window.tabs->tabText(0), QStringLiteral("General"));
    EXPECT_EQ(window.tabs->tabText(1), QStringLiteral("Вид"));
    EXPECT_EQ(window.list->headerItem()->text(0), QStringLiteral("Поле"));
    EXPECT_EQ(window.list->headerItem()->text(1), QStringLiteral("Type"));
    EXPECT_EQ(window.memo->toPlainText(), QStringLiteral("Раз\nДва\n"));
    EXPECT_EQ(window.action->text(), QStringLiteral("&Сохранить"));
    EXPECT_EQ(window.action->toolTip(), QStringLiteral("Сохранить")); // the tool tip follows the caption
    EXPECT_EQ(window.menu->title(), QStringLiteral("&Файл"));
    EXPECT_EQ(window.box->button(QDialogButtonBox::Ok)->text(), QStringLiteral("Да"));
    EXPECT_EQ(window.box->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Отмена"));
    // A window inside the window translates itself, with its own section.
    EXPECT_EQ(window.child->windowTitle(), QStringLiteral("Child window"));
    EXPECT_EQ(window.childLabel->text(), QStringLiteral("Inside the child"));
    EXPECT_EQ(window.unnamed->text(), QStringLiteral("No name"));
    EXPECT_TRUE(prompt.Records().isEmpty());

    // A missing language file: the error box, and the built-in texts stay.
    SetConfiguredLanguageFile(dir.filePath(QStringLiteral("missing.lng")));
    SampleDialog untranslated;
    TranslateWindow(&untranslated, QStringLiteral("OptionsForm"));
    EXPECT_EQ(untranslated.windowTitle(), QStringLiteral("Options"));
    EXPECT_EQ(untranslated.check->text(), QStringLiteral("Show frames"));
    ASSERT_EQ(prompt.Records().size(), 1);
    EXPECT_EQ(prompt.Records()[0].text,
              QStringLiteral("File ") + dir.filePath(QStringLiteral("missing.lng")) + QStringLiteral(" not found!"));
}

TEST_F(TranslateWindows, TemplateOfAWindowChangesNoTextWhenReadBack)
{
    SampleDialog original;
    const QStringList lines =
        LanguageSectionLines(QStringLiteral("OptionsForm"), TranslatableWidgetWindow(&original));
    for (const char *expected :
         {"OptionsForm.Caption=\"Options\"", "ShowFrames.Caption=\"Show frames\"",
          "ShowFrames.Hint=\"Frames at design time\"", "Units.Item2=\"Inches\"", "GridXLabel.Caption=\"Grid size &X:\"",
          "Pages.Item1=\"General\"", "Fields.Item2=\"Type\"", "Memo.Item2=\"Two\"", "SaveAction.Caption=\"&Save\"",
          "FileMenu.Caption=\"&File\""})
        EXPECT_TRUE(lines.contains(QString::fromUtf8(expected))) << expected;
    EXPECT_EQ(lines.filter(QStringLiteral("OKButton.Caption=")).size(), 1); // the standard button's own text
    EXPECT_TRUE(lines.filter(QStringLiteral("Inside the child")).isEmpty());
    EXPECT_TRUE(lines.filter(QStringLiteral("No name")).isEmpty());

    SetConfiguredLanguageFile(write(QStringLiteral("template.lng"), lines.join(QLatin1Char('\n')).toUtf8()));
    SampleDialog readBack;
    TranslateWindow(&readBack, QStringLiteral("OptionsForm"));
    EXPECT_EQ(LanguageSectionLines(QStringLiteral("OptionsForm"), TranslatableWidgetWindow(&readBack)), lines);
    EXPECT_EQ(readBack.memo->toPlainText(), original.memo->toPlainText());
    EXPECT_EQ(readBack.action->toolTip(), original.action->toolTip());
    EXPECT_TRUE(prompt.Records().isEmpty());
}

} // namespace
