// The report expert window driven as an author drives it: a list report over
// the demo database made page by page gives the same file as
// "tabulon-qr2 new", the page-skipping rules for labels, a blank report, and
// a picture of every page.

#include "common/localesettings.h"
#include "common/programdir.h"
#include "common/prompt.h"
#include "common/screen.h"
#include "data/dataset.h"
#include "data/table.h"
#include "engine/band.h"
#include "definition/designreport.h"
#include "definition/loader.h"
#include "designer/reportexpert.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#if defined(TABULON_DEMO_DIR)
namespace
{
class ReportExpert : public ::testing::Test
{
protected:
    ReportExpert()
    {
        LocaleSettings().Load(QStringLiteral("en_US"));
        SetProgramDir(QStringLiteral(TABULON_DEMO_DIR));
        report->SetName(QStringLiteral("Report"));
        loader->SetName(QStringLiteral("Loader"));
        loader->SetQReport(report);
    }
    ~ReportExpert() override { SetProgramDir(QString()); }

    // Radio buttons and check boxes take clicks on their mark and text only.
    void click(QAbstractButton *button)
    {
        const bool marked = qobject_cast<QRadioButton *>(button) || qobject_cast<QCheckBox *>(button);
        QTest::mouseClick(button, Qt::LeftButton, {},
                          marked ? QPoint(6, button->height() / 2) : button->rect().center());
    }
    // Keeps a picture of the page shown now.
    void picture(TQRDesignReportExpert &expert, const QString &name)
    {
        const QString dir = QDir::temp().filePath(QStringLiteral("tabulon-expert-pages"));
        QDir().mkpath(dir);
        EXPECT_TRUE(expert.grab().save(dir + QLatin1Char('/') + name + QStringLiteral(".png")));
    }

    TScriptedPrompt prompt;
    TPromptGuard guard{&prompt};
    TForm form;
    TQRDesignReport *report = new TQRDesignReport(&form);
    TQRDLoader *loader = new TQRDLoader(&form);
    QTemporaryDir dir;
};
} // namespace

TEST_F(ReportExpert, ListReportPageByPageEqualsTheCommandLine)
{
    TQRDesignReportExpert expert(report);
    expert.SetDatabaseNames(QStringLiteral("DEMO"), {}, false);
    int created = 0;
    expert.AfterReportComponentCreated = [&created](TComponent *) { ++created; };
    expert.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&expert));
    EXPECT_EQ(expert.windowTitle(), QStringLiteral("New report definition"));
    EXPECT_FALSE(expert.BackButton()->isVisible());
    EXPECT_TRUE(expert.StyleButton(TQRExpertSettings::BlankReport)->isChecked());
    picture(expert, QStringLiteral("01-reporttype"));

    click(expert.StyleButton(TQRExpertSettings::ListStyle));
    click(expert.NextButton());
    ASSERT_EQ(expert.CurrentPage(), TQRDesignReportExpert::DatasetPage);
    EXPECT_TRUE(expert.BackButton()->isVisible());
    // "None" is for labels only.
    EXPECT_FALSE(expert.SourceButton(TQRDesignReportExpert::SourceNone)->isVisible());
    EXPECT_EQ(expert.DatabaseBox()->currentText(), QStringLiteral("DEMO"));
    EXPECT_GE(expert.TableBox()->findText(QStringLiteral("customers")), 0);

    // A table that is not there: the error is shown and the page stays.
    expert.TableBox()->setCurrentText(QString());
    QTest::keyClicks(expert.TableBox(), QStringLiteral("nosuch"));
    click(expert.NextButton());
    EXPECT_EQ(expert.CurrentPage(), TQRDesignReportExpert::DatasetPage);
    ASSERT_EQ(prompt.Records().size(), 1);
    EXPECT_TRUE(prompt.Records()[0].text.contains(QStringLiteral("nosuch")));
    EXPECT_FALSE(form.FindComponent(QStringLiteral("DEMO_Table1")));

    expert.TableBox()->setCurrentText(QStringLiteral("customers"));
    picture(expert, QStringLiteral("02-dataset"));
    click(expert.NextButton());
    // customers has its primary key and two indexes to sort by.
    ASSERT_EQ(expert.CurrentPage(), TQRDesignReportExpert::TableIndexPage);
    EXPECT_EQ(expert.IndexBox()->count(), 3);
    picture(expert, QStringLiteral("03-tableindex"));
    click(expert.NextButton());
    ASSERT_EQ(expert.CurrentPage(), TQRDesignReportExpert::DatafieldsPage);
    for (const char *field : {"Company", "City", "Country"}) {
        QListWidget *available = expert.AvailableList();
        const QList<QListWidgetItem *> found = available->findItems(QString::fromLatin1(field), Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << field;
        available->clearSelection();
        found[0]->setSelected(true);
        expert.UseSelected();
    }
    EXPECT_EQ(expert.UsedList()->count(), 3);
    picture(expert, QStringLiteral("04-datafields"));
    click(expert.NextButton());
    ASSERT_EQ(expert.CurrentPage(), TQRDesignReportExpert::BandsPage);
    EXPECT_TRUE(expert.BandCheck(0)->isChecked());
    EXPECT_TRUE(expert.BandCheck(1)->isChecked());
    picture(expert, QStringLiteral("05-bands"));
    click(expert.NextButton());
    // Label pages are passed over.
    ASSERT_EQ(expert.CurrentPage(), TQRDesignReportExpert::SpecialOptionsPage);
    EXPECT_EQ(expert.SizeEdit(QStringLiteral("Column spacing:"))->text(), QStringLiteral("0.00"));
    expert.TitleEdit()->clear();
    QTest::keyClicks(expert.TitleEdit(), QStringLiteral("Customers"));
    QTest::keyClicks(expert.ColumnsEdit(), QStringLiteral("x"));
    EXPECT_EQ(expert.ColumnsEdit()->text(), QStringLiteral("1"));
    picture(expert, QStringLiteral("09-specialoptions"));
    click(expert.NextButton());
    ASSERT_EQ(expert.CurrentPage(), TQRDesignReportExpert::FontsPage);
    click(expert.LineCheck(0));
    picture(expert, QStringLiteral("10-fontsandlines"));
    click(expert.NextButton());
    ASSERT_EQ(expert.CurrentPage(), TQRDesignReportExpert::FinishPage);
    EXPECT_FALSE(expert.NextButton()->isVisible());
    picture(expert, QStringLiteral("11-finish"));
    // Reaching the last page built the report.
    EXPECT_TRUE(form.FindComponent(QStringLiteral("Columnheader")));
    EXPECT_GT(created, 8);
    click(expert.FinishButton());
    EXPECT_EQ(expert.result(), QDialog::Accepted);

    const QString byWizard = dir.filePath(QStringLiteral("wizard.QR2"));
    qobject_cast<TDataSet *>(form.FindComponent(QStringLiteral("DEMO_Table1")))->Close();
    ASSERT_TRUE(loader->SaveReportFile(byWizard));

    const QString byTool = dir.filePath(QStringLiteral("tool.QR2"));
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TABULON_HOME"), QStringLiteral(TABULON_DEMO_DIR));
    tool.setProcessEnvironment(env);
    tool.start(QCoreApplication::applicationDirPath() + QStringLiteral("/tabulon-qr2"),
               {QStringLiteral("new"), byTool, QStringLiteral("--style"), QStringLiteral("list"),
                QStringLiteral("--database"), QStringLiteral("DEMO"), QStringLiteral("--table"),
                QStringLiteral("customers"), QStringLiteral("--fields"), QStringLiteral("Company,City,Country"),
                QStringLiteral("--title"), QStringLiteral("Customers"), QStringLiteral("--lines"),
                QStringLiteral("horizontal")});
    ASSERT_TRUE(tool.waitForFinished(60000));
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    QFile a(byWizard), b(byTool);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll(), b.readAll());
}

TEST_F(ReportExpert, WithoutDatasetEditingOnlyOutsideDatasetsServe)
{
    TForm outside;
    auto *clients = new TTable(&outside);
    clients->SetName(QStringLiteral("Clients"));
    clients->SetDatabaseName(QStringLiteral("DEMO"));
    clients->SetTableName(QStringLiteral("customers"));
    auto *source = new TDataSource(&outside);
    source->SetDataSet(clients);
    loader->SetDatabaseOwner(&outside);

    TQRDesignReportExpert expert(report);
    expert.SetAllowDatasetEdit(false);
    expert.SetDatabaseNames(QString(), {QStringLiteral("DEMO")}, false);
    expert.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&expert));
    click(expert.StyleButton(TQRExpertSettings::Tabular));
    click(expert.NextButton());
    ASSERT_EQ(expert.CurrentPage(), TQRDesignReportExpert::DatasetPage);
    EXPECT_EQ(expert.TableBox()->findText(QStringLiteral("Clients")), 0);
    // A query would have to be made: the page stays.
    click(expert.SourceButton(TQRDesignReportExpert::SourceQuery));
    expert.SqlEdit()->setPlainText(QStringLiteral("SELECT * FROM customers"));
    click(expert.NextButton());
    EXPECT_EQ(expert.CurrentPage(), TQRDesignReportExpert::DatasetPage);
    click(expert.SourceButton(TQRDesignReportExpert::SourceTable));
    expert.TableBox()->setCurrentText(QStringLiteral("Clients"));
    click(expert.NextButton());
    // The outside table is nobody's to sort: no index page.
    ASSERT_EQ(expert.CurrentPage(), TQRDesignReportExpert::DatafieldsPage);
    EXPECT_EQ(expert.MainDataSet(), clients);
    EXPECT_EQ(expert.AvailableList()->count(), clients->FieldCount());
    EXPECT_EQ(form.ComponentCount(), 2);
    expert.UseAll();
    // Bands, special options, fonts and lines, finish.
    for (int i = 0; i < 4; ++i)
        click(expert.NextButton());
    ASSERT_EQ(expert.CurrentPage(), TQRDesignReportExpert::FinishPage);
    EXPECT_EQ(report->DataSet(), clients);
    EXPECT_FALSE(qobject_cast<TQRCustomBand *>(form.FindComponent(QStringLiteral("Detailband")))->ForceNewPage());
    click(expert.FinishButton());
    loader->SetDatabaseOwner(nullptr);
}

TEST_F(ReportExpert, TheHostDecidesOnNewReport)
{
    TQRNewReportSettings settings;
    settings.OnNewReport = [](QWidget *, TQRDLoader *, bool &showExpert, TDataSet *&) { showExpert = false; };
    EXPECT_FALSE(RunReportExpert(report, loader, nullptr, settings));
    EXPECT_EQ(report->ControlCount(), 0);
    EXPECT_EQ(form.ComponentCount(), 2);

    // A dataset the host gives is named, gets its data source, and the dataset page is passed over.
    auto *parts = new TTable(&form);
    parts->SetDatabaseName(QStringLiteral("DEMO"));
    parts->SetTableName(QStringLiteral("parts"));
    settings.OnNewReport = [parts](QWidget *, TQRDLoader *, bool &, TDataSet *&dataSet) { dataSet = parts; };
    int page = -1;
    QTimer::singleShot(0, [&] {
        auto *expert = qobject_cast<TQRDesignReportExpert *>(QApplication::activeModalWidget());
        if (!expert)
            return;
        click(expert->StyleButton(TQRExpertSettings::FormStyle));
        click(expert->NextButton());
        page = expert->CurrentPage();
        expert->UseAll();
        click(expert->NextButton());
        expert->reject();
    });
    EXPECT_FALSE(RunReportExpert(report, loader, nullptr, settings));
    EXPECT_EQ(page, TQRDesignReportExpert::DatafieldsPage);
    EXPECT_EQ(parts->Name(), QStringLiteral("DEMO_Table1"));
    auto *source = qobject_cast<TDataSource *>(form.FindComponent(QStringLiteral("Datasource1")));
    ASSERT_TRUE(source);
    EXPECT_EQ(source->DataSet(), parts);
    EXPECT_TRUE(parts->Active());
}

TEST_F(ReportExpert, LabelPagesAndABlankReport)
{
    // Sizes on the pages are in the report's units.
    report->SetUnits(QRUnits::MM);
    TQRDesignReportExpert expert(report);
    expert.SetSettingsFile(QStringLiteral(TABULON_DEMO_DIR "/QRDESIGN.INI"));
    expert.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&expert));
    click(expert.StyleButton(TQRExpertSettings::MailingLabels));
    click(expert.NextButton());
    ASSERT_EQ(expert.CurrentPage(), TQRDesignReportExpert::DatasetPage);
    click(expert.SourceButton(TQRDesignReportExpert::SourceNone));
    click(expert.NextButton());
    // No dataset: no fields; the label pages follow.
    ASSERT_EQ(expert.CurrentPage(), TQRDesignReportExpert::LabelSelectPage);
    ASSERT_EQ(expert.LabelFileBox()->count(), 2);
    expert.ChooseLabelFile(1);
    const QList<QListWidgetItem *> sheets =
        expert.LabelFormatList()->findItems(QStringLiteral("A4 3 x 8 (63.5 x 33.9)"), Qt::MatchExactly);
    ASSERT_EQ(sheets.size(), 1) << expert.LabelFormatList()->item(0)->text().toStdString();
    expert.ChooseLabelFormat(expert.LabelFormatList()->row(sheets[0]));
    picture(expert, QStringLiteral("06-labelselect"));
    click(expert.NextButton());
    ASSERT_EQ(expert.CurrentPage(), TQRDesignReportExpert::PaperSizePage);
    EXPECT_EQ(expert.PaperBox()->currentText(), QStringLiteral("A4"));
    EXPECT_EQ(expert.SizeEdit(QStringLiteral("Top"))->text(), QStringLiteral("12.9"));
    EXPECT_FALSE(expert.SizeEdit(QStringLiteral("Width"))->isEnabled());
    picture(expert, QStringLiteral("07-papersize"));
    click(expert.NextButton());
    ASSERT_EQ(expert.CurrentPage(), TQRDesignReportExpert::LabelFormatPage);
    EXPECT_EQ(expert.SizeEdit(QStringLiteral("Label row space"))->text(), QStringLiteral("0"));
    expert.SizeEdit(QStringLiteral("Number of rows"))->setText(QStringLiteral("10"));
    picture(expert, QStringLiteral("08-labelformat"));
    click(expert.NextButton());
    // Neither special options nor fonts for labels without data.
    ASSERT_EQ(expert.CurrentPage(), TQRDesignReportExpert::FinishPage);
    auto *loop = qobject_cast<TQRLoopBand *>(form.FindComponent(QStringLiteral("LabelBand")));
    ASSERT_TRUE(loop);
    EXPECT_EQ(loop->PrintCount(), 30);
    EXPECT_FALSE(form.FindComponent(QStringLiteral("RowSpace")));
    // Back skips the same pages.
    click(expert.BackButton());
    EXPECT_EQ(expert.CurrentPage(), TQRDesignReportExpert::LabelFormatPage);
    click(expert.BackButton());
    click(expert.BackButton());
    click(expert.BackButton());
    EXPECT_EQ(expert.CurrentPage(), TQRDesignReportExpert::DatasetPage);
    click(expert.BackButton());
    click(expert.StyleButton(TQRExpertSettings::BlankReport));
    click(expert.NextButton());
    // A blank report closes the wizard at once, with the report empty.
    EXPECT_EQ(expert.result(), QDialog::Accepted);
    EXPECT_FALSE(expert.isVisible());
    EXPECT_EQ(report->ControlCount(), 0);
}
#endif
