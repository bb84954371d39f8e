// Writes the seed report files of fuzz_qr2 into the directory given: design
// reports with bands, elements, a dataset, a script and label settings, as
// the loader saves them.
#include "common/screen.h"
#include "data/query.h"
#include "definition/designbands.h"
#include "definition/designelements.h"
#include "definition/designreport.h"
#include "definition/loader.h"
#include "definition/startup.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

namespace
{

bool write(const QString &dir, const char *name, int bands, bool withData)
{
    TForm form;
    auto *report = new TQRDesignReport(&form);
    report->SetName(QStringLiteral("Report"));
    report->SetReportTitle(QStringLiteral("Seed %1").arg(bands));
    report->LabelSettings()->SetLabelCount(2);
    auto *loader = new TQRDLoader(&form);
    loader->SetScript({QStringLiteral("[Band1.BeforePrint]"), QStringLiteral("RETURN(TRUE)")});
    TQuery *query = nullptr;
    if (withData) {
        query = new TQuery(&form);
        query->SetName(QStringLiteral("Query1"));
        query->SetDatabaseName(QStringLiteral("DEMO"));
        query->SetSQL({QStringLiteral("SELECT * FROM customers WHERE Country = :c")});
        auto *source = new TDataSource(&form);
        source->SetName(QStringLiteral("Source1"));
        source->SetDataSet(query);
        report->SetDataSet(query);
    }
    for (int i = 1; i <= bands; ++i) {
        auto *band = new TQRDesignBand(&form);
        band->SetName(QStringLiteral("Band%1").arg(i));
        band->SetBandType(i == 1 ? QR::rbTitle : QR::rbDetail);
        band->SetParent(report);
        band->SetBandExpression(QStringLiteral("%1 > 0").arg(i));
        auto *label = new TQRDesignLabel(&form);
        label->SetName(QStringLiteral("Label%1").arg(i));
        label->SetParent(band);
        label->SetCaption(QStringLiteral("Text %1").arg(i));
        label->SetDegree(i % 2 ? 0 : 900);
        if (query) {
            auto *text = new TQRDesignDBText(&form);
            text->SetName(QStringLiteral("Field%1").arg(i));
            text->SetParent(band);
            text->SetDataSet(query);
            text->SetDataField(QStringLiteral("Company"));
            text->SetMapList({QStringLiteral("Yes\t1")});
        }
    }
    const QString file = QDir(dir).filePath(QString::fromLatin1(name));
    if (!loader->SaveReportFile(file)) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(file), qPrintable(loader->LastError()));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_qr2_seeds DIR\n");
        return 2;
    }
    RegisterReportSupport();
    const QString dir = QString::fromLocal8Bit(argv[1]);
    return write(dir, "one.QR2", 1, false) && write(dir, "three.QR2", 3, true) ? 0 : 1;
}
