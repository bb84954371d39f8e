// The query wizard "SQL Wizard" and the table chooser "Open table" driven as
// an author drives them on the demo database: a table found through
// "Search...", a descending sort, two filters joined by OR, the SQL shown,
// the rows previewed (compared with rows read straight from SQLite), OK; the
// report then saved and run by tabulon-run. Pictures of the five pages go to
// $TABULON_SCREENSHOT_DIR when it is set.

#include "common/localesettings.h"
#include "common/programdir.h"
#include "common/prompt.h"
#include "common/screen.h"
#include "data/session.h"
#include "data/table.h"
#include "definition/designbands.h"
#include "definition/designelements.h"
#include "definition/designreport.h"
#include "definition/loader.h"
#include "definition/reportdata.h"
#include "designer/dbopenform.h"
#include "designer/wizqueryeditform.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace
{
// Runs handler on the next modal window that opens (from inside its event loop).
void onNextModal(std::function<void(QWidget *)> handler)
{
    QWidget *before = QApplication::activeModalWidget();
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, before, handler] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal == before)
            return;
        timer->stop();
        timer->deleteLater();
        handler(modal);
    });
    timer->start();
}

void clickButton(QWidget *w, const QString &caption)
{
    for (QPushButton *b : w->findChildren<QPushButton *>())
        if (b->text() == caption && b->isVisibleTo(w)) {
            QTest::mouseClick(b, Qt::LeftButton);
            return;
        }
    ADD_FAILURE() << "no button " << caption.toStdString();
}

void choose(QComboBox *list, const QString &text)
{
    const int index = list->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    list->setCurrentIndex(index);
}

// Saves the window's picture (when TABULON_SCREENSHOT_DIR is set) and checks it shows something.
void screenshot(QWidget *w, const QString &name)
{
    QApplication::processEvents();
    const QImage picture = w->grab().toImage();
    ASSERT_FALSE(picture.isNull());
    EXPECT_GT(picture.width(), 300);
    const QString dir = qEnvironmentVariable("TABULON_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
        QDir().mkpath(dir);
        EXPECT_TRUE(picture.save(dir + u'/' + name + QStringLiteral(".png")));
    }
}

class QueryWizard : public ::testing::Test
{
protected:
    void SetUp() override
    {
#ifndef TABULON_DEMO_DIR
        GTEST_SKIP() << "no demo installation";
#else
        demoDir = QStringLiteral(TABULON_DEMO_DIR);
        if (!QFile::exists(demoDir + QStringLiteral("/demo.sqlite")))
            GTEST_SKIP() << "demo database not generated";
#endif
        LocaleSettings().Load(QStringLiteral("en_US"));
        SetProgramDir(demoDir);
        report->SetName(QStringLiteral("Report"));
        report->SetShowProgress(false);
        loader->SetName(QStringLiteral("Loader"));
    }
    void TearDown() override
    {
        form.reset();
        Session().CloseDatabases();
        SetProgramDir(QString());
    }

    QString demoDir;
    TScriptedPrompt prompt;
    TPromptGuard promptGuard{&prompt};
    std::unique_ptr<TForm> form = std::make_unique<TForm>();
    TQRDesignReport *report = new TQRDesignReport(form.get());
    TQRDLoader *loader = new TQRDLoader(form.get());
};

// The companies of France and Germany, Germany first, as SQLite returns them.
QStringList companiesFromSqlite(const QString &file)
{
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("wizard-direct"));
        db.setDatabaseName(file);
        EXPECT_TRUE(db.open());
        QSqlQuery q(db);
        EXPECT_TRUE(q.exec(QStringLiteral("SELECT Company FROM customers WHERE Country = 'Germany' OR "
                                          "Country = 'France' ORDER BY Country DESC, Company")));
        while (q.next())
            rows << q.value(0).toString();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("wizard-direct"));
    return rows;
}
} // namespace

TEST_F(QueryWizard, WalkOnTheDemoDatabaseThenTheReportRuns)
{
    auto *wiz = new TWizQuery(form.get());
    wiz->SetName(QStringLiteral("Customers"));
    wiz->SQLSettings()->SetDelimiterType(TQRDatabaseSettings::delNoQuotes);
    auto *source = new TDataSource(form.get());
    source->SetName(QStringLiteral("CustomersSource"));
    source->SetDataSet(wiz);
    report->SetDataSet(wiz);
    auto *detail = new TQRDesignBand(form.get());
    detail->SetName(QStringLiteral("Detail"));
    detail->SetBandType(QR::rbDetail);
    detail->SetParent(report);
    auto *company = new TQRDesignDBText(form.get());
    company->SetParent(detail);
    company->SetDataSet(wiz);
    company->SetDataField(QStringLiteral("Company"));
    company->Size()->SetNativeValue(TQRPrintableSize::WidthIndex, 600);
    auto *country = new TQRDesignDBText(form.get());
    country->SetParent(detail);
    country->SetDataSet(wiz);
    country->SetDataField(QStringLiteral("Country"));
    country->Size()->SetNativeValue(TQRPrintableSize::LeftIndex, 800);

    const QStringList expectedSql = {"SELECT * FROM 'customers' Q1", "WHERE (Q1.Country = 'Germany')",
                                     "   OR (Q1.Country = 'France')", "ORDER BY Q1.Country DESC, Q1.Company"};
    const QStringList expectedRows = companiesFromSqlite(demoDir + QStringLiteral("/demo.sqlite"));
    ASSERT_EQ(expectedRows.size(), 30);

    TWizQueryDesigner designer;
    designer.DefaultDatabaseName = QStringLiteral("DEMO");
    TWizQueryEditForm window(wiz, designer, false);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("SQL Wizard"));
    QStringList pages;
    for (int i = 0; i < window.Pages()->count(); ++i)
        pages << window.Pages()->tabText(i);
    EXPECT_EQ(pages, (QStringList{"Table", "Sort order", "Filtering", "View SQL", "Preview data"}));
    EXPECT_TRUE(window.EditButton()->isHidden());

    bool walked = false;
    onNextModal([&](QWidget *modal) {
        ASSERT_EQ(modal, &window);
        EXPECT_EQ(window.NameEdit()->text(), QStringLiteral("Customers"));
        EXPECT_EQ(window.DatabaseList()->currentText(), QStringLiteral("DEMO"));
        EXPECT_GE(window.TableList()->findText(QStringLiteral("customers")), 0);

        // "Search...": the alias and a table chosen in "Open table" come back into the page.
        onNextModal([&](QWidget *chooser) {
            auto *open = qobject_cast<TDBOpenForm *>(chooser);
            ASSERT_TRUE(open);
            EXPECT_EQ(open->windowTitle(), QStringLiteral("Open table"));
            open->ChooseAlias(QStringLiteral("DEMO"));
            const auto found = open->TableList()->findItems(QStringLiteral("customers"), Qt::MatchExactly);
            ASSERT_EQ(found.size(), 1);
            open->TableList()->setCurrentItem(found.first());
            screenshot(open, QStringLiteral("wizard-open-table"));
            clickButton(open, QStringLiteral("OK"));
        });
        clickButton(&window, QStringLiteral("Search..."));
        EXPECT_EQ(window.TableList()->currentText(), QStringLiteral("customers"));
        screenshot(&window, QStringLiteral("wizard-1-table"));

        // Leaving the page opens the table and fills every field list.
        window.Pages()->setCurrentIndex(1);
        ASSERT_EQ(window.Pages()->currentIndex(), 1);
        ASSERT_TRUE(window.Table() && window.Table()->Active());
        EXPECT_EQ(window.SortField(0)->count(), window.Table()->FieldCount() + 1);
        EXPECT_EQ(window.SortField(0)->itemText(0), QString());
        EXPECT_EQ(window.FilterComparison(0)->count(), 9);
        choose(window.SortField(0), QStringLiteral("Country"));
        QTest::mouseClick(window.SortDescending(0), Qt::LeftButton);
        choose(window.SortField(1), QStringLiteral("Company"));
        screenshot(&window, QStringLiteral("wizard-2-sort"));

        // Three rows, then the first one emptied: the others move up with their choices.
        window.Pages()->setCurrentIndex(2);
        EXPECT_FALSE(window.FilterComparison(0)->isEnabled());
        choose(window.FilterField(0), QStringLiteral("City"));
        EXPECT_TRUE(window.FilterComparison(0)->isEnabled());
        EXPECT_EQ(window.FilterComparison(0)->currentText(), QStringLiteral("is equal to"));
        QTest::keyClicks(window.FilterValue(0), QStringLiteral("Lyon"));
        choose(window.FilterField(1), QStringLiteral("Country"));
        EXPECT_EQ(window.FilterJoin(1)->currentText(), QStringLiteral("AND"));
        QTest::keyClicks(window.FilterValue(1), QStringLiteral("Germany"));
        choose(window.FilterField(2), QStringLiteral("Country"));
        choose(window.FilterJoin(2), QStringLiteral("OR"));
        QTest::keyClicks(window.FilterValue(2), QStringLiteral("France"));
        EXPECT_FALSE(window.FilterJoin(3)->isEnabled());
        window.FilterField(0)->setCurrentIndex(0);
        EXPECT_EQ(window.FilterField(0)->currentText(), QStringLiteral("Country"));
        EXPECT_EQ(window.FilterValue(0)->text(), QStringLiteral("Germany"));
        EXPECT_EQ(window.FilterField(1)->currentText(), QStringLiteral("Country"));
        EXPECT_EQ(window.FilterJoin(1)->currentText(), QStringLiteral("OR"));
        EXPECT_EQ(window.FilterValue(1)->text(), QStringLiteral("France"));
        EXPECT_EQ(window.FilterField(2)->currentIndex(), 0);
        EXPECT_EQ(window.FilterValue(2)->text(), QString());
        EXPECT_FALSE(window.FilterComparison(2)->isEnabled());
        EXPECT_FALSE(window.FilterJoin(2)->isEnabled());
        screenshot(&window, QStringLiteral("wizard-3-filtering"));

        window.Pages()->setCurrentIndex(3);
        EXPECT_EQ(window.SQLView()->toPlainText(), expectedSql.join(u'\n'));
        EXPECT_TRUE(window.SQLView()->isReadOnly());
        screenshot(&window, QStringLiteral("wizard-4-sql"));

        window.Pages()->setCurrentIndex(4);
        ASSERT_EQ(window.Pages()->currentIndex(), 4);
        QTableWidget *grid = window.PreviewGrid();
        int companyColumn = -1;
        for (int c = 0; c < grid->columnCount(); ++c)
            if (grid->horizontalHeaderItem(c)->text() == QStringLiteral("Company"))
                companyColumn = c;
        ASSERT_GE(companyColumn, 0);
        QStringList shown;
        for (int r = 0; r < grid->rowCount(); ++r)
            shown << grid->item(r, companyColumn)->text();
        EXPECT_EQ(shown, expectedRows);
        screenshot(&window, QStringLiteral("wizard-5-preview"));
        walked = true;
        clickButton(&window, QStringLiteral("OK"));
    });
    EXPECT_EQ(window.Execute(), TWizQueryResult::OK);
    ASSERT_TRUE(walked);
    EXPECT_TRUE(prompt.Records().isEmpty()) << prompt.Records().first().text.toStdString();

    // The query carries the inputs and their SQL and is open again.
    EXPECT_EQ(wiz->TableName(), QStringLiteral("customers"));
    EXPECT_EQ(wiz->DatabaseName(), QStringLiteral("DEMO"));
    EXPECT_EQ(wiz->OrderFields(), (QStringList{"-Country", "Company"}));
    ASSERT_EQ(wiz->FilterList().size(), 2);
    EXPECT_TRUE(wiz->FilterList().at(1).OrFlag);
    EXPECT_TRUE(wiz->FilterList().at(1).CaseSensitive);
    EXPECT_EQ(wiz->FilterList().at(1).FieldType, ftString);
    EXPECT_EQ(wiz->SQL(), expectedSql);
    EXPECT_TRUE(wiz->Active());
    EXPECT_EQ(wiz->RecordCount(), 30);

    // Saved, then run as a user runs it: the rows in the wizard's order.
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("wizard.QR2"));
    ASSERT_TRUE(loader->SaveReportFile(file)) << loader->LastError().toStdString();
    const QString tool = QCoreApplication::applicationDirPath() + QStringLiteral("/tabulon-run");
    if (!QFile::exists(tool))
        GTEST_SKIP() << "tabulon-run not built";
    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TABULON_HOME"), demoDir);
    run.setProcessEnvironment(env);
    const QString out = dir.filePath(QStringLiteral("wizard.txt"));
    run.start(tool, {file, QStringLiteral("-o"), out, QStringLiteral("--quiet")});
    ASSERT_TRUE(run.waitForFinished(120000));
    ASSERT_EQ(run.exitCode(), 0) << run.readAllStandardError().toStdString();
    QFile text(out);
    ASSERT_TRUE(text.open(QIODevice::ReadOnly));
    const QString printed = QString::fromUtf8(text.readAll());
    qsizetype at = 0;
    for (const QString &row : expectedRows) {
        const qsizetype found = printed.indexOf(row, at);
        ASSERT_GE(found, 0) << row.toStdString() << " missing or out of order";
        at = found + row.size();
    }
    EXPECT_FALSE(printed.contains(QStringLiteral("Australia")));

    // The stored inputs give the same SQL outside the designer.
    QProcess sql;
    sql.start(QCoreApplication::applicationDirPath() + QStringLiteral("/tabulon-qr2"),
              {QStringLiteral("sql"), file, QStringLiteral("Customers")});
    ASSERT_TRUE(sql.waitForFinished(60000));
    EXPECT_EQ(sql.exitCode(), 0);
    EXPECT_EQ(QString::fromUtf8(sql.readAllStandardOutput()), expectedSql.join(u'\n') + u'\n');
}

TEST_F(QueryWizard, ClosingRulesCancelEditAndATableThatCannotBeOpened)
{
    auto *wiz = new TWizQuery(form.get());
    wiz->SetName(QStringLiteral("Parts"));
    wiz->SQLSettings()->SetDelimiterType(TQRDatabaseSettings::delNoQuotes);
    TWizQueryInputs inputs;
    inputs.Name = QStringLiteral("Parts");
    inputs.DatabaseName = QStringLiteral("DEMO");
    inputs.TableName = QStringLiteral("parts");
    inputs.OrderFields = {QStringLiteral("-OnHand")};
    TWizFilter f;
    f.FieldName = QStringLiteral("Discontinued");
    f.Operator = woEqual;
    f.Value = QStringLiteral("0");
    f.FieldType = ftBoolean;
    f.CaseSensitive = true;
    inputs.Filters = {f};
    AssignWizQueryInputs(wiz, inputs);
    // Fields of its own, as a loaded report's query has them.
    ASSERT_TRUE(QRDSetupFieldsAfterLoading(wiz, nullptr));
    wiz->FieldByName(QStringLiteral("Description"))->SetDisplayLabel(QStringLiteral("Part"));
    const QStringList before = wiz->SQL();

    TWizQueryDesigner designer;
    designer.DefaultDatabaseName = QStringLiteral("DEMO");
    designer.DefaultDatabaseOnly = true;
    {
        // Opening copies the inputs in; Cancel leaves the query as it was.
        TWizQueryEditForm window(wiz, designer, true,
                                 TWizQueryEditForm::wpFiltering | TWizQueryEditForm::wpViewSQL);
        EXPECT_FALSE(window.DatabaseList()->isEnabled());
        EXPECT_FALSE(window.Pages()->isTabVisible(0));
        EXPECT_TRUE(window.Pages()->isTabVisible(2));
        EXPECT_EQ(window.Pages()->currentIndex(), 2);
        EXPECT_EQ(window.SortField(0)->currentText(), QStringLiteral("OnHand"));
        EXPECT_TRUE(window.SortDescending(0)->isChecked());
        EXPECT_EQ(window.FilterField(0)->currentText(), QStringLiteral("Discontinued"));
        EXPECT_EQ(window.FilterValue(0)->text(), QStringLiteral("0"));
        EXPECT_FALSE(window.Modified());
        onNextModal([&](QWidget *) {
            choose(window.FilterComparison(0), QStringLiteral("is not equal to"));
            clickButton(&window, QStringLiteral("Cancel"));
        });
        EXPECT_EQ(window.Execute(), TWizQueryResult::Cancel);
        EXPECT_EQ(wiz->SQL(), before);
        EXPECT_TRUE(wiz->Active());
    }
    {
        // "Edit" takes the inputs and leaves the query closed for the caller.
        TWizQueryEditForm window(wiz, designer, true);
        EXPECT_FALSE(window.EditButton()->isHidden());
        onNextModal([&](QWidget *) {
            window.Pages()->setCurrentIndex(2);
            choose(window.FilterComparison(0), QStringLiteral("is not equal to"));
            window.Pages()->setCurrentIndex(3);
            clickButton(&window, QStringLiteral("Edit"));
        });
        EXPECT_EQ(window.Execute(), TWizQueryResult::Edit);
        EXPECT_EQ(wiz->SQL().at(1), QStringLiteral("WHERE (Q1.Discontinued <> '0')"));
        EXPECT_FALSE(wiz->Active());
    }
    {
        // From the dataset dialogs, "Edit" leaves a template query with that SQL in the wizard query's place.
        auto *source = new TDataSource(form.get());
        source->SetDataSet(wiz);
        const QStringList sql = wiz->SQL();
        TDataSet *dataSet = wiz;
        onNextModal([&](QWidget *modal) {
            auto *window = qobject_cast<TWizQueryEditForm *>(modal);
            ASSERT_TRUE(window);
            window->Pages()->setCurrentIndex(3);
            clickButton(window, QStringLiteral("Edit"));
        });
        EXPECT_EQ(EditDatasetWizQuery(dataSet, form.get(), designer), TWizQueryResult::Edit);
        auto *templ = qobject_cast<TQRDWQuery *>(dataSet);
        ASSERT_TRUE(templ);
        EXPECT_EQ(templ->Name(), QStringLiteral("Parts"));
        EXPECT_EQ(templ->OriginalSQL(), sql);
        EXPECT_EQ(source->DataSet(), templ);
        wiz = new TWizQuery(form.get());
        wiz->SetName(QStringLiteral("Parts2"));
        AssignWizQueryInputs(wiz, inputs);
        ASSERT_TRUE(QRDSetupFieldsAfterLoading(wiz, nullptr));
        wiz->FieldByName(QStringLiteral("Description"))->SetDisplayLabel(QStringLiteral("Part"));
    }
    {
        // Rows that cannot be read keep the author on the page he came from, with the reason.
        auto *lost = new TWizQuery(form.get());
        lost->SetDatabaseName(QStringLiteral("NoSuchAlias"));
        lost->SetTableName(QStringLiteral("parts"));
        TWizQueryEditForm window(lost, TWizQueryDesigner{}, false,
                                 TWizQueryEditForm::wpFiltering | TWizQueryEditForm::wpPreviewData);
        window.show();
        window.Pages()->setCurrentIndex(4);
        EXPECT_EQ(window.Pages()->currentIndex(), 2);
        ASSERT_EQ(prompt.Records().size(), 1);
        EXPECT_TRUE(prompt.Records().first().text.contains(QStringLiteral("NoSuchAlias")))
            << prompt.Records().first().text.toStdString();
        prompt.Clear();
    }
    {
        // A table that cannot be opened keeps the author on the page, with the reason.
        TWizQueryEditForm window(wiz, TWizQueryDesigner{QStringLiteral("DEMO"), false, {}}, false);
        window.show();
        window.TableList()->setCurrentText(QStringLiteral("nosuchtable"));
        window.Pages()->setCurrentIndex(1);
        EXPECT_EQ(window.Pages()->currentIndex(), 0);
        ASSERT_EQ(prompt.Records().size(), 1);
        EXPECT_EQ(prompt.Records().first().type, mtError);
        prompt.Clear();
        // OK with the table unchanged keeps the field's label when the query opens again.
        window.TableList()->setCurrentText(QStringLiteral("parts"));
        window.Pages()->setCurrentIndex(3);
        EXPECT_EQ(window.Pages()->currentIndex(), 3);
        window.hide();
        onNextModal([&](QWidget *) { clickButton(&window, QStringLiteral("OK")); });
        EXPECT_EQ(window.Execute(), TWizQueryResult::OK);
        EXPECT_TRUE(wiz->Active());
        EXPECT_EQ(wiz->FieldByName(QStringLiteral("Description"))->DisplayLabel(), QStringLiteral("Part"));
    }
}

TEST_F(QueryWizard, OpenTableListsAliasesDirectoriesAndTableFiles)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("sub"));
    for (const char *name : {"orders.db", "towns.sqlite", "lands.csv", "notes.txt"}) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    TDBOpenForm open;
    EXPECT_EQ(open.FileNameEdit()->text(), QStringLiteral("*.DB*"));
    QStringList types;
    for (int i = 0; i < open.FileTypeList()->count(); ++i)
        types << open.FileTypeList()->itemText(i);
    EXPECT_EQ(types.first(), QStringLiteral("*.DB*"));
    EXPECT_EQ(types.last(), QStringLiteral("*.*"));
    EXPECT_GE(open.AliasList()->findItems(QStringLiteral("DEMO"), Qt::MatchExactly).size(), 1);

    auto tables = [&] {
        QStringList t;
        for (int i = 0; i < open.TableList()->count(); ++i)
            t << open.TableList()->item(i)->text();
        return t;
    };
    open.SetDatabaseName(dir.path());
    EXPECT_FALSE(open.IsAlias());
    EXPECT_EQ(tables(), QStringList{"orders.db"});
    EXPECT_EQ(open.DirectoryList()->item(0)->text(), QStringLiteral(".."));
    EXPECT_EQ(open.DirectoryList()->item(1)->text(), QStringLiteral("sub"));
    open.SetFileName(QStringLiteral("*.csv"));
    EXPECT_EQ(tables(), QStringList{"lands.csv"});
    open.SetFileName(QStringLiteral("*.*"));
    EXPECT_EQ(tables(), (QStringList{"lands.csv", "notes.txt", "orders.db", "towns.sqlite"}));
    open.SetTableName(QStringLiteral("towns.sqlite"));
    EXPECT_EQ(open.DatabaseName(), QDir::toNativeSeparators(dir.path()));
    EXPECT_EQ(open.TableName(), QStringLiteral("towns.sqlite"));

    open.SetDatabaseName(QStringLiteral("DEMO"));
    EXPECT_TRUE(open.IsAlias());
    EXPECT_EQ(open.DatabaseName(), QStringLiteral("DEMO"));
    EXPECT_TRUE(tables().contains(QStringLiteral("orders")));
    // Nothing chosen: OK does not close the dialog.
    open.TableList()->setCurrentItem(nullptr);
    open.FileNameEdit()->setText(QStringLiteral("*.DB*"));
    EXPECT_TRUE(open.TableName().isEmpty());
}
