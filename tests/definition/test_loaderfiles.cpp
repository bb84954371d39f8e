// Report files through the loader: a design report saved and loaded back
// runs the same, loads replace what was there, missing and damaged files are
// reported through the loader's messages, streams and blobs, printers by name.

#include "common/prompt.h"
#include "data/dataset.h"
#include "data/query.h"
#include "data/table.h"
#include "definition/qr2format.h"
#include "definition/qr2text.h"
#include "deftest.h"
#include "filelimit.h"
#include "testutil.h"

#include <QBuffer>
#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

namespace
{

class LoaderFiles : public DesignTest
{
protected:
    LoaderFiles()
    {
        {
            QSqlDatabase db =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("loaderfiles"));
            db.setDatabaseName(dir.filePath(QStringLiteral("towns.sqlite")));
            EXPECT_TRUE(db.open());
            QSqlQuery q(db);
            EXPECT_TRUE(q.exec(QStringLiteral("CREATE TABLE towns (name VARCHAR(20), people INTEGER)")));
            EXPECT_TRUE(q.exec(QStringLiteral("INSERT INTO towns VALUES ('Ulm', 126000), ('Bonn', 330000)")));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("loaderfiles"));

        auto *table = new TTable(form.get());
        table->SetName(QStringLiteral("Towns"));
        table->SetDatabaseName(dir.path());
        table->SetTableName(QStringLiteral("towns"));
        auto *source = new TDataSource(form.get());
        source->SetName(QStringLiteral("TownsSource"));
        source->SetDataSet(table);
        table->Open();
        report->SetDataSet(table);
        report->SetReportTitle(QStringLiteral("Towns"));
        TQRDesignBand *title = designBand(QR::rbTitle, 100, QStringLiteral("Title"));
        TQRDesignLabel *caption = label(title, QStringLiteral("Towns and people"));
        caption->SetName(QStringLiteral("Caption"));
        caption->SetDegree(900);
        TQRDesignBand *detail = designBand(QR::rbDetail, 60, QStringLiteral("Detail"));
        detail->SetBandExpression(QStringLiteral("[people] > 200000"));
        auto *name = element<TQRDesignDBText>(detail, 0, 0);
        name->SetDataSet(table);
        name->SetDataField(QStringLiteral("name"));
        name->SetMapList({QStringLiteral("Bundesstadt\tBonn")});
        loader->SetScript({QStringLiteral("[Title.BeforePrint]"), QStringLiteral("RETURN(TRUE)")});
        file = dir.filePath(QStringLiteral("towns.QR2"));
    }
    // A second report holder, as a new window would have. Loading keeps the
    // holder's units, so it starts in the units the report was made in.
    struct Holder {
        Holder()
        {
            report->SetName(QStringLiteral("Report"));
            report->SetUnits(QRUnits::MM);
        }
        std::unique_ptr<TForm> form = std::make_unique<TForm>();
        TQRDesignReport *report = new TQRDesignReport(form.get());
        TQRDLoader *loader = new TQRDLoader(form.get());
    };

    QTemporaryDir dir;
    QString file;
};

TEST_F(LoaderFiles, SavedReportLoadsBackAndRunsTheSame)
{
    ASSERT_TRUE(loader->SaveReportFile(file));
    RecordingFilter original;
    ASSERT_TRUE(run(original));

    Holder h;
    ASSERT_TRUE(h.loader->LoadReportFile(file)) << h.loader->LastError().toStdString();
    EXPECT_EQ(h.loader->FileName(), file);
    EXPECT_EQ(h.report->ReportTitle(), QStringLiteral("Towns"));
    EXPECT_EQ(h.loader->Script(), loader->Script());
    auto *detail = qobject_cast<TQRDesignBand *>(h.form->FindComponent(QStringLiteral("Detail")));
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(detail->BandExpression(), QStringLiteral("[people] > 200000"));
    EXPECT_EQ(detail->QRDesigner(), h.loader);
    auto *caption = qobject_cast<TQRDesignLabel *>(h.form->FindComponent(QStringLiteral("Caption")));
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(caption->Degree(), 900);

    RecordingFilter loaded;
    h.report->SetShowProgress(false);
    ASSERT_TRUE(h.report->ExportRun(&loaded));
    QStringList a, b;
    for (const TextItem &i : original.items)
        a << QStringLiteral("%1 %2 %3").arg(i.text).arg(i.x).arg(i.y);
    for (const TextItem &i : loaded.items)
        b << QStringLiteral("%1 %2 %3").arg(i.text).arg(i.x).arg(i.y);
    EXPECT_EQ(b, a);
    EXPECT_TRUE(a.join(QLatin1Char('|')).contains(QStringLiteral("Bundesstadt")));
    EXPECT_FALSE(a.join(QLatin1Char('|')).contains(QStringLiteral("Ulm")));
}

TEST_F(LoaderFiles, SavingAgainGivesTheSameBytes)
{
    ASSERT_TRUE(loader->SaveReportFile(file));
    Holder h;
    ASSERT_TRUE(h.loader->LoadReportFile(file)) << h.loader->LastError().toStdString();
    const QString again = dir.filePath(QStringLiteral("again.QR2"));
    ASSERT_TRUE(h.loader->SaveReportFile(again));
    if (testutil::readFile(again) != testutil::readFile(file) &&
        qEnvironmentVariableIsSet("TABULON_TEST_KEEP")) {
        QFile::copy(file, qEnvironmentVariable("TABULON_TEST_KEEP") + QStringLiteral("/first.QR2"));
        QFile::copy(again, qEnvironmentVariable("TABULON_TEST_KEEP") + QStringLiteral("/again.QR2"));
    }
    EXPECT_EQ(testutil::readFile(again), testutil::readFile(file));
}

// Parameters keep type, kind and value; only the marked one comes back Bound,
// also when another has a value of its own.
TEST_F(LoaderFiles, QueryParametersAndBoundMarksSurviveSaveAndLoad)
{
    auto *query = new TQuery(form.get());
    query->SetName(QStringLiteral("Big"));
    query->SetDatabaseName(dir.path());
    query->SetSQL({QStringLiteral("SELECT * FROM towns WHERE people > :Min AND name <> :Skip"),
                   QStringLiteral("AND founded < :Before AND name <> :Other")});
    auto *bigSource = new TDataSource(form.get()); // only datasets with a source are stored
    bigSource->SetName(QStringLiteral("BigSource"));
    bigSource->SetDataSet(query);
    ASSERT_EQ(query->ParamCount(), 4);
    query->ParamByName(QStringLiteral("Min"))->SetDataType(ftInteger);
    query->ParamByName(QStringLiteral("Min"))->SetBound(true); // asked for at run time
    query->ParamByName(QStringLiteral("Skip"))->SetAsString(QStringLiteral("Ulm 'old town'"));
    query->ParamByName(QStringLiteral("Skip"))->SetBound(false);
    query->ParamByName(QStringLiteral("Before"))->SetAsDate(QDate(2000, 2, 29));
    query->ParamByName(QStringLiteral("Other"))->SetParamType(ptInputOutput);
    ASSERT_TRUE(loader->SaveReportFile(file));
    const QString text = QR2ToText(ParseQR2(testutil::readFile(file)));
    EXPECT_TRUE(text.contains(QStringLiteral("ParamData"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("ftInteger")));
    EXPECT_TRUE(text.contains(QStringLiteral("ptInputOutput")));

    Holder h;
    ASSERT_TRUE(h.loader->LoadReportFile(file)) << h.loader->LastError().toStdString();
    auto *loaded = qobject_cast<TQuery *>(h.form->FindComponent(QStringLiteral("Big")));
    ASSERT_NE(loaded, nullptr);
    ASSERT_EQ(loaded->ParamCount(), 4);
    TParam *min = loaded->ParamByName(QStringLiteral("Min"));
    EXPECT_EQ(min->DataType(), ftInteger);
    EXPECT_TRUE(min->Bound());
    EXPECT_TRUE(min->IsNull());
    TParam *skip = loaded->ParamByName(QStringLiteral("Skip"));
    EXPECT_EQ(skip->DataType(), ftString);
    EXPECT_EQ(skip->AsString(), QStringLiteral("Ulm 'old town'"));
    EXPECT_FALSE(skip->Bound());
    TParam *before = loaded->ParamByName(QStringLiteral("Before"));
    EXPECT_EQ(before->DataType(), ftDate);
    EXPECT_EQ(before->AsDate(), QDate(2000, 2, 29));
    EXPECT_TRUE(before->Bound());
    TParam *other = loaded->ParamByName(QStringLiteral("Other"));
    EXPECT_EQ(other->ParamType(), ptInputOutput);
    EXPECT_TRUE(other->IsNull());
    EXPECT_FALSE(other->Bound());

    // Saved again, the file is the same.
    const QString again = dir.filePath(QStringLiteral("again.QR2"));
    ASSERT_TRUE(h.loader->SaveReportFile(again));
    EXPECT_EQ(testutil::readFile(again), testutil::readFile(file));
}

TEST_F(LoaderFiles, LoadReplacesTheReportThatWasThere)
{
    ASSERT_TRUE(loader->SaveReportFile(file));
    Holder h;
    auto *stale = new TQRDesignBand(h.form.get());
    stale->SetName(QStringLiteral("Stale"));
    stale->SetParent(h.report);
    h.loader->SetScript({QStringLiteral("[Old.BeforePrint]")});
    ASSERT_TRUE(h.loader->LoadReportFile(file)) << h.loader->LastError().toStdString();
    EXPECT_EQ(h.form->FindComponent(QStringLiteral("Stale")), nullptr);
    EXPECT_EQ(h.loader->Script(), loader->Script());
    // Loading twice leaves one set of components, not renamed copies.
    const int count = h.form->ComponentCount();
    ASSERT_TRUE(h.loader->LoadReportFile(file)) << h.loader->LastError().toStdString();
    EXPECT_EQ(h.form->ComponentCount(), count);
    EXPECT_NE(h.form->FindComponent(QStringLiteral("Towns")), nullptr);
    EXPECT_EQ(h.form->FindComponent(QStringLiteral("Towns1")), nullptr);
}

TEST_F(LoaderFiles, MissingAndDamagedFilesShowTheLoadersMessages)
{
    Holder h;
    EXPECT_FALSE(h.loader->LoadReportFile(dir.filePath(QStringLiteral("none.QR2"))));
    ASSERT_EQ(prompt.Records().size(), 1);
    EXPECT_EQ(prompt.Records()[0].text,
              QStringLiteral("Report file %1 not found!").arg(dir.filePath(QStringLiteral("none.QR2"))));

    const QString damaged = dir.filePath(QStringLiteral("damaged.QR2"));
    ASSERT_TRUE(loader->SaveReportFile(file));
    QByteArray bytes = testutil::readFile(file);
    bytes.truncate(bytes.size() / 2);
    ASSERT_TRUE(testutil::writeFile(damaged, bytes));
    h.loader->SetRuntimeMessages({QStringLiteral("Error in reportfile=Kaputt")});
    EXPECT_FALSE(h.loader->LoadReportFile(damaged));
    ASSERT_EQ(prompt.Records().size(), 2);
    EXPECT_EQ(prompt.Records()[1].text, QStringLiteral("Kaputt"));
    // The file name is remembered and the script cleared before anything is read.
    EXPECT_EQ(h.loader->FileName(), damaged);
    h.loader->SetScript({QStringLiteral("[Report.BeforePrint]")});
    ASSERT_TRUE(testutil::writeFile(damaged, QByteArray::fromHex("0704")));
    EXPECT_FALSE(h.loader->LoadReportFile(damaged));
    EXPECT_TRUE(h.loader->Script().isEmpty());
    EXPECT_EQ(h.loader->FileName(), damaged);
    ASSERT_EQ(prompt.Records().size(), 3);

    EXPECT_FALSE(loader->SaveReportFile(dir.filePath(QStringLiteral("no/such/dir/x.QR2"))));
    ASSERT_EQ(prompt.Records().size(), 4);
    EXPECT_TRUE(prompt.Records()[3].text.startsWith(QStringLiteral("Error writing ")));
}

TEST_F(LoaderFiles, StreamsAndBlobs)
{
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    ASSERT_TRUE(loader->SaveReportStream(&buffer));
    buffer.seek(0);
    Holder h;
    ASSERT_TRUE(h.loader->LoadReportStream(&buffer));
    EXPECT_NE(h.form->FindComponent(QStringLiteral("Detail")), nullptr);
    EXPECT_TRUE(h.loader->FileName().isEmpty());
    EXPECT_FALSE(h.loader->LoadReportStream(nullptr));
}

TEST_F(LoaderFiles, PrintersAreFoundByNameWithoutRegardToCase)
{
    auto &hook = QRInstalledPrintersHook();
    const auto saved = hook;
    hook = [] { return QStringList{QStringLiteral("Office"), QStringLiteral("Label Printer")}; };
    loader->SetSaveLoadPrinterSetup(true);
    report->PrinterSettings()->SetPrinterIndex(1);
    ASSERT_TRUE(loader->SaveReportFile(file));
    hook = [] { return QStringList{QStringLiteral("LABEL PRINTER"), QStringLiteral("Office")}; };
    Holder h;
    h.loader->SetSaveLoadPrinterSetup(true);
    ASSERT_TRUE(h.loader->LoadReportFile(file)) << h.loader->LastError().toStdString();
    EXPECT_EQ(h.report->PrinterSettings()->PrinterIndex(), 0);
    hook = [] { return QStringList{}; };
    ASSERT_TRUE(h.loader->LoadReportFile(file)) << h.loader->LastError().toStdString();
    EXPECT_EQ(h.report->PrinterSettings()->PrinterIndex(), -1);
    hook = saved;
}

TEST_F(LoaderFiles, ApplicationDataTravelsWithTheReport)
{
    loader->OnSaveReport = [](QIODevice *stream) { stream->write("host data"); };
    ASSERT_TRUE(loader->SaveReportFile(file));
    Holder h;
    QByteArray received;
    h.loader->OnLoadReport = [&](QIODevice *stream) { received = stream->readAll(); };
    ASSERT_TRUE(h.loader->LoadReportFile(file)) << h.loader->LastError().toStdString();
    EXPECT_EQ(received, QByteArray("host data"));
}

} // namespace

// A save that cannot be completed (a full disk, here a file-size limit) shows
// "Write Error", returns false and keeps the old file whole.
TEST_F(LoaderFiles, FailedSaveKeepsTheOldFile)
{
    ASSERT_TRUE(loader->SaveReportFile(file));
    const QByteArray old = testutil::readFile(file);
    ASSERT_GT(old.size(), 1024);
    report->SetReportTitle(QStringLiteral("Changed"));
    const int result = testutil::runWithFileSizeLimit(old.size() / 2, [&] {
        if (loader->SaveReportFile(file))
            return 1;
        if (prompt.Records().isEmpty() ||
            !prompt.Records().last().text.startsWith(QStringLiteral("Error writing ")))
            return 2;
        return 0;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(testutil::readFile(file), old);
    for (const QString &name : QDir(dir.path()).entryList(QDir::Files))
        EXPECT_TRUE(name == QStringLiteral("towns.QR2") || name == QStringLiteral("towns.sqlite"))
            << name.toStdString();
    Holder h;
    EXPECT_TRUE(h.loader->LoadReportFile(file));
    EXPECT_EQ(h.report->ReportTitle(), QStringLiteral("Towns"));
}
