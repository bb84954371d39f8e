#include "outputtest.h"

#include "common/classregistry.h"
#include "output/pagefilters.h"
#include "output/rtffilter.h"
#include "output/tablefilter.h"
#include "output/textfilter.h"
#include "output/wmffilter.h"

namespace
{
QStringList names()
{
    QStringList list;
    for (const TQRExportFilterLibraryEntry &e : QRExportFilterLibrary().Filters())
        list << e.FilterName + QLatin1Char('/') + e.FileExtension;
    return list;
}
} // namespace

TEST(FilterLibrary, ComponentsRegisterWhileTheyExist)
{
    ASSERT_TRUE(names().isEmpty());
    {
        TComponent form;
        new TQRTextFilter(&form);
        auto *rtf = new TQRRTFFilter(&form);
        new TQRWMFFilter(&form);
        new TQRCSVFilter(&form);
        new TQRXLSXFilter(&form);
        new TQRPDFFilter(&form);
        new TQRPNGFilter(&form);
        new TQRSVGFilter(&form);
        EXPECT_EQ(names(), (QStringList{QStringLiteral("Text file/TXT"), QStringLiteral("RTF File/RTF"),
                                        QStringLiteral("WMF File/WMF"), QStringLiteral("CSV File/CSV"),
                                        QStringLiteral("Excel Workbook/XLSX"), QStringLiteral("PDF File/PDF"),
                                        QStringLiteral("PNG Image/PNG"), QStringLiteral("SVG Image/SVG")}));
        EXPECT_EQ(
            QRExportFilterLibrary().SaveDialogFilterText(),
            QStringLiteral("Stored report file(*.QRP)|*.QRP|Text file (*.TXT)|*.TXT|RTF File (*.RTF)|*.RTF|"
                           "WMF File (*.WMF)|*.WMF|CSV File (*.CSV)|*.CSV|Excel Workbook (*.XLSX)|*.XLSX|"
                           "PDF File (*.PDF)|*.PDF|PNG Image (*.PNG)|*.PNG|SVG Image (*.SVG)|*.SVG"));
        // The entry creates a working filter for a chosen file.
        const TQRExportFilterLibraryEntry *entry =
            QRExportFilterLibrary().FindByExtension(QStringLiteral("rtf"));
        ASSERT_NE(entry, nullptr);
        std::unique_ptr<TQRExportFilter> made = entry->FilterClass(QStringLiteral("x.rtf"));
        EXPECT_NE(dynamic_cast<TQRRTFExportFilter *>(made.get()), nullptr);
        EXPECT_EQ(made->FileName(), QStringLiteral("x.rtf"));

        delete rtf;
        EXPECT_EQ(names().size(), 7);
        EXPECT_EQ(QRExportFilterLibrary().FindByExtension(QStringLiteral("RTF")), nullptr);
    }
    EXPECT_TRUE(names().isEmpty());
}

TEST(FilterLibrary, ComponentsAreKnownByClassName)
{
    TComponent form;
    TComponent *c = CreateComponent(QStringLiteral("TQRWMFFilter"), &form);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(names(), QStringList{QStringLiteral("WMF File/WMF")});
    // Enhanced is one setting for the whole program, readable as a property.
    EXPECT_FALSE(c->property("Enhanced").toBool());
    TQRWMFFilter other;
    other.SetEnhanced(true);
    EXPECT_TRUE(c->property("Enhanced").toBool());
    c->setProperty("Enhanced", false);
    EXPECT_FALSE(TQRWMFFilter::Enhanced());
}

TEST(MetafileExport, NamesAndPageFiles)
{
    TQRWMFExportFilter filter(QStringLiteral("/tmp/some.dir/report.wmf"));
    EXPECT_EQ(filter.Description(), QStringLiteral("WMF Export filter"));
    EXPECT_EQ(filter.FilterName(), QStringLiteral("WMF File"));
    EXPECT_EQ(filter.FileExtension(), QStringLiteral("WMF"));
    EXPECT_EQ(TQRWMFExportFilter::BaseName(QStringLiteral("a/b.c/name")), QStringLiteral("a/b.c/name"));
    EXPECT_EQ(TQRWMFExportFilter::BaseName(QStringLiteral("name")), QStringLiteral("name"));
    EXPECT_EQ(TQRWMFExportFilter::BaseName(QStringLiteral("x.tar.wmf")), QStringLiteral("x.tar"));
    filter.Start(2100, 2970, nullptr);
    EXPECT_EQ(filter.PageFileName(1), QStringLiteral("/tmp/some.dir/report001.wmf"));
    TQRWMFFilter::SetEnhanced(true);
    EXPECT_EQ(filter.PageFileName(12), QStringLiteral("/tmp/some.dir/report012.emf"));
    EXPECT_EQ(filter.PageFileName(1234), QStringLiteral("/tmp/some.dir/report1234.emf"));
    TQRWMFFilter::SetEnhanced(false);
    filter.Finish();
}
