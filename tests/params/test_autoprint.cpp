// The parameter dialog TAutoprintForm driven through its real widgets.

#include "autoprinttest.h"

#include "params/model/reportrun.h"
#include "params/model/tablelookup.h"

#include "common/localesettings.h"
#include "common/profile.h"
#include "data/params.h"
#include "data/query.h"
#include "definition/databasesettings.h"
#include "definition/designreport.h"
#include "definition/loader.h"
#include "definition/queryparams.h"
#include "engine/printable.h"
#include "output/pages/qrprinter.h"
#include "testutil.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStyleOptionGroupBox>
#include <QTest>

using namespace apptest;

namespace
{

QComboBox *combo(TAutoprintForm &f, int index)
{
    return qobject_cast<QComboBox *>(f.InputWidget(index));
}

} // namespace

TEST_F(AutoprintTest, EditStandsBesideItsCaptionTwoPixelsHigher)
{
    writeDescriptor("r", "[Declarations]\nName=Edit \"Customer name\",10,20,200\nZero=edit \"Z\",10,60,0\n");
    auto f = build("r");
    ASSERT_TRUE(f);
    QLabel *caption = f->CaptionLabel(0);
    QWidget *input = f->InputWidget(0);
    ASSERT_TRUE(qobject_cast<QLineEdit *>(input));
    EXPECT_EQ(caption->pos(), QPoint(10, 20));
    EXPECT_EQ(caption->text(), "Customer name");
    EXPECT_EQ(input->x(), 10 + caption->width() + 4);
    EXPECT_EQ(input->y(), 18);
    EXPECT_EQ(input->width(), 200 - (caption->width() + 4));
    EXPECT_EQ(f->CurrentWidth(0), 200);
    // A declared width of 0 still leaves a usable input.
    EXPECT_EQ(f->InputWidget(1)->width(), 10);
    EXPECT_EQ(f->ParamArea()->title(), "Report parameters");
}

// One Tab leaves a date field, as every other control; its day, month and year are reached with
// the arrow keys.
TEST_F(AutoprintTest, TabLeavesADateFieldAtOnce)
{
    LocaleSettings().Load(QStringLiteral("en_US"));
    writeDescriptor("d", "[Declarations]\nFrom=DateEdit \"From\",10,20,200\nTo=Edit \"To\",10,50,200\n"
                         "[Defaults]\nFrom=20260315\n");
    auto f = build("d");
    ASSERT_TRUE(f);
    f->show();
    f->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.get()));
    auto *date = qobject_cast<QDateEdit *>(f->InputWidget(0));
    ASSERT_TRUE(date);
    date->setFocus();
    date->setCurrentSection(QDateTimeEdit::MonthSection);
    for (int i = 0; i < 5 && date->currentSection() != QDateTimeEdit::DaySection; ++i)
        QTest::keyClick(date, Qt::Key_Right);
    EXPECT_EQ(date->currentSection(), QDateTimeEdit::DaySection);
    QTest::keyClick(date, Qt::Key_Up);
    EXPECT_EQ(date->date(), QDate(2026, 3, 16)) << "the arrows reach the day";
    QTest::keyClick(date, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), f->InputWidget(1));
    QTest::keyClick(f->InputWidget(1), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), date);
}

// The demo descriptors place their controls clear of the parameter area's title.
TEST_F(AutoprintTest, DemoControlsStandClearOfTheAreaTitle)
{
    useDemoDatabase();
    for (const QString name : {"customers", "orders", "invoice", "letter", "parts", "items", "employees"}) {
        copyDemoReport(name);
        auto f = build(name);
        ASSERT_TRUE(f) << name.toStdString();
        f->show();
        QGroupBox *area = f->ParamArea();
        QStyleOptionGroupBox option;
        option.initFrom(area);
        option.text = area->title();
        option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
        const QRect title =
            area->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, area);
        for (int i = 0; i < f->Model().ControlCount(); ++i) {
            EXPECT_GE(f->CaptionLabel(i)->geometry().top(), title.bottom()) << name.toStdString();
            EXPECT_GE(f->InputWidget(i)->geometry().top(), title.bottom()) << name.toStdString();
        }
    }
}

TEST_F(AutoprintTest, DialogGrowsOverTheReachOfItsControls)
{
    writeDescriptor("small", "[Declarations]\nA=Edit \"A\",10,20,100\n");
    auto small = build("small");
    ASSERT_TRUE(small);
    EXPECT_EQ(small->size(), QSize(271, 110));

    writeDescriptor("wide", "[Declarations]\nA=Edit \"A\",10,20,100\nB=Edit \"B\",30,150,400\n");
    auto wide = build("wide");
    ASSERT_TRUE(wide);
    // The parameter area just holds the lowest and rightmost edges plus 4 pixels.
    EXPECT_EQ(wide->ParamArea()->width(), wide->RightEdge(1) + 4);
    EXPECT_EQ(wide->ParamArea()->height(), wide->BottomEdge(1) + 4);
    EXPECT_EQ(wide->RightEdge(1), 430);
}

TEST_F(AutoprintTest, TheSevenKindsAreRealInputs)
{
    LocaleSettings().Load(QStringLiteral("en_US"));
    writeDescriptor("k", "[Declarations]\n"
                         "E=Edit \"Text\",10,20,200\n"
                         "I=IntEdit \"Count\",10,50,200\n"
                         "F=FloatEdit \"Amount\",10,80,200\n"
                         "D=DateEdit \"From\",10,110,200\n"
                         "L=List \"Kind\",10,140,200\n"
                         "C=Check \"Paid only\",10,170,120\n"
                         "[Defaults]\nE=abc\nI=-7\nF=1234.5\nD=20240229\nL=1\nC=1\n"
                         "[L]\nItem1=first\nItem2=second\n");
    auto f = build("k");
    ASSERT_TRUE(f);
    EXPECT_EQ(qobject_cast<QLineEdit *>(f->InputWidget(0))->text(), "abc");
    auto *spin = qobject_cast<QSpinBox *>(f->InputWidget(1));
    ASSERT_TRUE(spin);
    EXPECT_EQ(spin->value(), -7);
    EXPECT_EQ(spin->minimum(), std::numeric_limits<int>::min());
    // The number shows its display format while it is not being edited.
    auto *number = qobject_cast<QLineEdit *>(f->InputWidget(2));
    ASSERT_TRUE(number);
    EXPECT_EQ(number->text(), "1,234.50");
    auto *date = qobject_cast<QDateEdit *>(f->InputWidget(3));
    ASSERT_TRUE(date);
    EXPECT_TRUE(date->calendarPopup());
    EXPECT_EQ(date->date(), QDate(2024, 2, 29));
    EXPECT_EQ(date->text(), "2/29/2024");
    QComboBox *list = combo(*f, 4);
    ASSERT_TRUE(list);
    EXPECT_FALSE(list->isEditable());
    EXPECT_EQ(list->currentText(), "second");
    auto *check = qobject_cast<QCheckBox *>(f->InputWidget(5));
    ASSERT_TRUE(check);
    EXPECT_TRUE(check->isChecked());
    // The check box carries the caption itself, left of the box, and spans the declared width.
    EXPECT_EQ(check->text(), "Paid only");
    EXPECT_EQ(check->layoutDirection(), Qt::RightToLeft);
    EXPECT_TRUE(f->CaptionLabel(5)->text().isEmpty());
    EXPECT_EQ(check->pos(), QPoint(10, 170));
    EXPECT_EQ(check->width(), 120);

    // Typing reaches the values the bindings read.
    QApplication::setActiveWindow(f.get());
    number->setFocus();
    QApplication::processEvents();
    number->selectAll();
    QTest::keyClicks(number, "99.125");
    EXPECT_EQ(f->Model().Control(2)->CurrentValue(), "99.125");
    f->InputWidget(0)->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(number->text(), "99.13");
    QTest::keyClick(spin, Qt::Key_Up);
    EXPECT_EQ(f->Model().Control(1)->CurrentText(), "-6");
    list->setCurrentIndex(0);
    EXPECT_EQ(f->Model().Control(4)->CurrentValue(), "0");
    check->click();
    EXPECT_EQ(f->Model().Control(5)->CurrentText(), "Off");
    date->setDate(QDate(2023, 1, 2));
    EXPECT_EQ(f->Model().Control(3)->CurrentValue(), "'20230102'");
}

TEST_F(AutoprintTest, BuildErrorsShowAnErrorBoxAndTheDialogIsNotShown)
{
    const QList<QPair<QByteArray, QString>> cases = {
        {"[Declarations]\nA=Slider \"A\",1,1,1\n", "Unknown type \"Slider\"!"},
        {"[Declarations]\nA=Edit \"A\",1,1,1\n[Assignment]\nP=B.Value\n", "Control \"B\" not declared!"},
        {"[Declarations]\nD=DateEdit \"D\",1,1,1\n[Defaults]\nD=20241340\n", QString()},
        {"[Declarations]\nT=Table \"T\",1,1,100\n[T]\nDataBase=nowhere\nName=x\nValue=a\nText=b\n",
         "Error opening \"T\" with message:\n"},
    };
    for (const auto &[descriptor, message] : cases) {
        m_prompt.Clear();
        writeDescriptor("bad", descriptor);
        TModalDriver driver; // a dialog shown by mistake is closed, so the test fails rather than hangs
        TAutoprintForm::RunReportDialog(nullptr, "bad", "Bad report");
        EXPECT_EQ(driver.Unexpected(), 0) << descriptor.constData();
        const QList<TScriptedPrompt::Record> shown = boxes();
        ASSERT_EQ(shown.size(), 1) << descriptor.constData();
        EXPECT_EQ(shown.at(0).caption, "Error");
        EXPECT_EQ(shown.at(0).type, mtWarning);
        if (!message.isEmpty())
            EXPECT_TRUE(shown.at(0).text.startsWith(message)) << shown.at(0).text.toStdString();
    }
}

TEST_F(AutoprintTest, ThreeTablesCascadeOverTheDemoDatabase)
{
    useDemoDatabase();
    writeDescriptor("c", "[Declarations]\n"
                         "Country=Table \"Country\",10,20,250\n"
                         "Customer=Table \"Customer\",10,50,250\n"
                         "Ord=Table \"Order\",10,80,250\n"
                         "[Country]\nDataBase=DEMO\nName=customers\nValue=Country\nText=Country\n"
                         "Fields=DISTINCT Country\nOrder=Country\n"
                         "[Customer]\nDataBase=DEMO\nName=customers\nValue=CustNo\nText=Company\n"
                         "Filter=Country = {Country.Value}\nOrder=Company\n"
                         "[Ord]\nDataBase=DEMO\nName=orders\nValue=OrderNo\nText=OrderNo\n"
                         "Filter=CustNo = {Customer.Value}\nOrder=OrderNo\n"
                         "[Defaults]\nCountry=France\n");
    auto f = build("c");
    ASSERT_TRUE(f);
    const auto firstCustomer = [](const QString &country) {
        return demoRows("SELECT CustNo, Company FROM customers WHERE Country = '" + country +
                        "' ORDER BY Company")
            .value(0);
    };
    const auto orders = [](const QString &custNo) {
        return demoRows("SELECT OrderNo FROM orders WHERE CustNo = " + custNo + " ORDER BY OrderNo");
    };
    TParamDialogModel &m = f->Model();
    EXPECT_EQ(m.Control(0)->CurrentValue(), "France");
    QString expected = firstCustomer("France");
    EXPECT_EQ(m.Control(1)->CurrentValue() + "|" + m.Control(1)->CurrentText(), expected);
    EXPECT_EQ(m.Control(1)->ParamValue("param1"), "France");
    EXPECT_EQ(m.Control(2)->CurrentValue(), orders(expected.section('|', 0, 0)).value(0));

    // Choosing another country reopens the customers with it and selects their first row; the
    // orders follow.
    QComboBox *countries = combo(*f, 0);
    const int germany = countries->findText("Germany");
    ASSERT_GE(germany, 0);
    countries->setCurrentIndex(germany);
    expected = firstCustomer("Germany");
    EXPECT_EQ(m.Control(1)->ParamValue("param1"), "Germany");
    EXPECT_EQ(m.Control(1)->CurrentValue() + "|" + m.Control(1)->CurrentText(), expected);
    EXPECT_EQ(combo(*f, 1)->currentText(), expected.section('|', 1));
    EXPECT_EQ(combo(*f, 1)->count(),
              demoRows("SELECT CustNo FROM customers WHERE Country = 'Germany'").size());
    const QStringList germanOrders = orders(expected.section('|', 0, 0));
    EXPECT_EQ(m.Control(2)->ParamValue("param1"), expected.section('|', 0, 0));
    EXPECT_EQ(m.Control(2)->CurrentValue(), germanOrders.value(0));
    EXPECT_EQ(combo(*f, 2)->count(), germanOrders.size());
}

TEST_F(AutoprintTest, EmptyDefaultStartsOnTheFirstRowAndAnEmptyResultEndsEmpty)
{
    useDemoDatabase();
    writeDescriptor("e", "[Declarations]\n"
                         "Who=Edit \"Who\",10,20,200\n"
                         "Part=Table \"Part\",10,50,250\n"
                         "Cust=Table \"Customer\",10,80,250\n"
                         "[Part]\nDataBase=DEMO\nName=parts\nValue=PartNo\nText=Description\nOrder=PartNo\n"
                         "[Cust]\nDataBase=DEMO\nName=customers\nValue=CustNo\nText=Company\n"
                         "Filter=Company = {Who.Text}\nEmptyText=(nobody)\nEmptyValue=-1\n");
    auto f = build("e");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->Model().Control(1)->CurrentValue(),
              demoRows("SELECT PartNo FROM parts ORDER BY PartNo").value(0));
    // No company is called "": the dependent query has no rows and its value is empty, not -1.
    EXPECT_EQ(f->Model().Control(2)->CurrentValue(), "");
    EXPECT_EQ(combo(*f, 2)->count(), 1); // only the empty entry
    const QString company = demoRows("SELECT Company FROM customers ORDER BY CustNo").value(0);
    qobject_cast<QLineEdit *>(f->InputWidget(0))->setText(company);
    EXPECT_EQ(f->Model().Control(2)->CurrentText(), company);
    QTest::keyClicks(f->InputWidget(0), "zz");
    EXPECT_EQ(f->Model().Control(2)->CurrentValue(), "");
    EXPECT_EQ(combo(*f, 2)->currentIndex(), -1);
}

TEST_F(AutoprintTest, PrintHandsTypedParametersAndLabelsToTheReport)
{
    useDemoDatabase();
    copyDemoReport("customers");
    writeDescriptor("customers", "[Declarations]\nWhere=Edit \"Country\",10,20,200\n"
                                 "[Assignment]\ncountry=Where.Text\n[Labels]\nCountryCaption=Where.Text\n"
                                 "[Defaults]\nWhere=Italy\n");
    auto f = build("customers");
    ASSERT_TRUE(f);
    QStringList companies;
    QString caption;
    bool prepared = false;
    TAutoprintForm::ReportOutputHook() = [&](Tfmrepprev &holder, bool preview) {
        EXPECT_TRUE(preview);
        EXPECT_EQ(holder.Report()->Name(), "Report");
        EXPECT_EQ(holder.QRepDesigner()->QReport(), holder.Report());
        EXPECT_EQ(holder.QRepDesigner()->Name(), "QRepDesigner");
        EXPECT_TRUE(holder.QRepDesigner()->ScriptsEnabled());
        EXPECT_FALSE(holder.QRepDesigner()->SaveLoadPrinterSetup());
        EXPECT_EQ(holder.SQLSettings()->DelimiterType(), TQRDatabaseSettings::delNoQuotes);
        EXPECT_EQ(holder.SQLSettings()->SQLStringDelimiterLeft(), "'");
        EXPECT_EQ(holder.SQLSettings()->SQLWildcard(), "%");
        EXPECT_NE(holder.QRWMFFilter(), nullptr);
        auto *label = qobject_cast<TQRCustomLabel *>(holder.FindComponent("CountryCaption"));
        caption = label ? label->Caption() : QString();
        // The parameter, named in other letters, reaches the report's query when it is asked for.
        EXPECT_TRUE(holder.QRepDesigner()->PrepareQueryParams());
        for (TQuery *q : TQRQueryParamKeeper::ReportQueries(&holder))
            if (TParam *p = q->FindParam("Country"))
                companies.append(p->AsString() + ":" + QString::number(p->DataType()));
        holder.QRepDesigner()->RestoreQueryParams();
        prepared = holder.Report()->PreparePagesRun();
    };
    EXPECT_TRUE(f->Print());
    EXPECT_TRUE(prepared);
    EXPECT_EQ(caption, "Italy");
    EXPECT_EQ(companies, QStringList{"Italy:" + QString::number(DataTypes::ftString)});
}

TEST_F(AutoprintTest, ExportToTextfileWritesTheVariablesAndLabels)
{
    writeDescriptor("x", "[Declarations]\nA=Edit \"A\",10,20,200\nN=IntEdit \"N\",10,50,200\n"
                         "[Assignment]\nFirst=A.Text\nSecond=N.Value\n[Assignment_types]\nSecond=Integer\n"
                         "[Labels]\nTitle=CONST.Hello\n[Defaults]\nA=abc\nN=42\n");
    auto f = build("x");
    ASSERT_TRUE(f);
    TAutoprintForm::ReportOutputHook() = [](Tfmrepprev &, bool) {};
    f->OpenQuickTune();
    f->ExportCheck()->setChecked(true);
    EXPECT_TRUE(f->Print());
    const TIniFile dump(path("x.txt"));
    EXPECT_EQ(dump.ReadSection("Variables"), (QStringList{"var0", "var1"}));
    EXPECT_EQ(dump.ReadString("Variables", "var0", {}), "@First = <abc>");
    EXPECT_EQ(dump.ReadString("Variables", "var1", {}), "@Second = <42>");
    EXPECT_EQ(dump.ReadString("labels", "var0", {}), "@Title = <Hello>");
}

TEST_F(AutoprintTest, DateParameterTakesTheDateFieldsTextNotItsValue)
{
    LocaleSettings().Load(QStringLiteral("en_US"));
    writeDescriptor("d", "[Declarations]\nD=DateEdit \"From\",10,20,200\n"
                         "[Assignment]\nFromDate=D.Text\n[Assignment_types]\nFromDate=Date\n"
                         "[Defaults]\nD=20240301\n");
    auto f = build("d");
    ASSERT_TRUE(f);
    QList<TReportParameter> handed;
    TAutoprintForm::ReportOutputHook() = [&](Tfmrepprev &holder, bool) { handed = holder.Parameters(); };
    ASSERT_TRUE(f->Print());
    ASSERT_EQ(handed.size(), 1);
    EXPECT_EQ(handed.at(0).Value.toDate(), QDate(2024, 3, 1));

    // The VALUE ('20240301' in quotes) is no date: the run stops with an error, the dialog stays.
    writeDescriptor("v", "[Declarations]\nD=DateEdit \"From\",10,20,200\n"
                         "[Assignment]\nFromDate=D.Value\n[Assignment_types]\nFromDate=Date\n"
                         "[Defaults]\nD=20240301\n");
    auto g = build("v");
    ASSERT_TRUE(g);
    bool ran = false;
    TAutoprintForm::ReportOutputHook() = [&](Tfmrepprev &, bool) { ran = true; };
    m_prompt.Clear();
    EXPECT_FALSE(g->Print());
    EXPECT_FALSE(ran);
    ASSERT_EQ(boxes().size(), 1);
    EXPECT_EQ(boxes().at(0).caption, "Error");
    EXPECT_TRUE(g->isVisible());
}

TEST_F(AutoprintTest, PrintTwiceUsesFreshHoldersAndCreatesTheFiltersOnce)
{
    useDemoDatabase();
    copyDemoReport("parts");
    auto f = build("parts");
    ASSERT_TRUE(f);
    QList<QString> reports;
    QList<int> pageCounts;
    TAutoprintForm::ReportOutputHook() = [&](Tfmrepprev &holder, bool) {
        QObject *report = holder.Report();
        reports.append(QString::number(reinterpret_cast<quintptr>(report)) + holder.objectName());
        ASSERT_TRUE(holder.Report()->PreparePagesRun());
        pageCounts.append(holder.Report()->QRPrinter()->PageCount());
        // Freed with the holder after the run.
        QObject::connect(report, &QObject::destroyed, [&reports] { reports.append("freed"); });
    };
    ASSERT_TRUE(f->Print());
    EXPECT_EQ(RunExportFiltersCreated(), 1);
    ASSERT_TRUE(f->Print());
    EXPECT_EQ(RunExportFiltersCreated(), 1);
    ASSERT_EQ(reports.size(), 4);
    EXPECT_EQ(reports.at(1), "freed");
    EXPECT_EQ(reports.at(3), "freed");
    EXPECT_EQ(pageCounts.size(), 2);
    EXPECT_GE(pageCounts.value(0), 1);
}

TEST_F(AutoprintTest, StaleTempPageFilesOfTheUserAreRemoved)
{
    QTemporaryDir temp;
    const QString dir = temp.path() + "/";
    for (const char *name : {"qrp1.tmp", "QRPabc.TMP", ".qrphidden.tmp", "other.tmp", "qrp.txt"})
        ASSERT_TRUE(testutil::writeFile(dir + name, "x"));
    ASSERT_TRUE(QDir(dir).mkdir("qrpdir.tmp"));
    ASSERT_TRUE(QFile::link(dir + "other.tmp", dir + "qrplink.tmp"));
    const QByteArray oldTemp = qgetenv("TEMP");
    qputenv("TEMP", dir.toLocal8Bit());
    EXPECT_EQ(StaleTempPageDir(), dir);
    EXPECT_EQ(RemoveStaleTempPageFiles(), 2);
    if (oldTemp.isNull())
        qunsetenv("TEMP");
    else
        qputenv("TEMP", oldTemp);
    QStringList left =
        QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    left.sort();
    EXPECT_EQ(left, (QStringList{".qrphidden.tmp", "other.tmp", "qrp.txt", "qrpdir.tmp", "qrplink.tmp"}));
}

TEST_F(AutoprintTest, QuickTuneMovesSizesAndSavesTheLayout)
{
    writeDescriptor(
        "q", "; layout\n[Declarations]\nFirst=edit \"First\",10,20,200\nSecond=Check \"Second\",10,60,90\n"
             "[Defaults]\nFirst=keep\n");
    auto f = build("q");
    ASSERT_TRUE(f);
    const QSize before = f->size();
    QTest::mouseDClick(f->CommandPanel(), Qt::LeftButton);
    EXPECT_TRUE(f->TunePanel()->isVisible());
    EXPECT_FALSE(f->CommandPanel()->isVisible());
    EXPECT_EQ(f->height(), before.height() + 23);
    EXPECT_GE(f->width(), before.width()); // widened only as far as the panel needs
    QStringList names;
    for (int i = 0; i < f->TuneControls()->count(); ++i)
        names.append(f->TuneControls()->itemText(i));
    EXPECT_EQ(names, (QStringList{"FIRST", "SECOND"}));
    EXPECT_EQ(f->TuneX()->singleStep(), 4);
    EXPECT_EQ(f->TuneY()->singleStep(), 2);
    EXPECT_EQ(f->TuneL()->singleStep(), 4);
    EXPECT_EQ(f->SaveButton()->toolTip(), "Save to CFG");

    // Focus chooses a control too.
    QApplication::setActiveWindow(f.get());
    f->InputWidget(1)->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(f->ChosenControl(), 1);
    EXPECT_EQ(f->TuneX()->value(), 10);
    EXPECT_EQ(f->TuneL()->value(), 90);

    f->TuneControls()->setCurrentIndex(0);
    EXPECT_EQ(f->TuneY()->value(), 20);
    EXPECT_EQ(f->TuneL()->value(), 200);
    f->TuneX()->stepBy(1);
    f->TuneY()->stepBy(1);
    f->TuneL()->setValue(240);
    EXPECT_EQ(f->CaptionLabel(0)->pos(), QPoint(14, 22));
    EXPECT_EQ(f->InputWidget(0)->y(), 20);
    EXPECT_EQ(f->CurrentWidth(0), 240);
    ASSERT_TRUE(f->SaveLayout());
    const TIniFile cfg(path("q.cfg"));
    EXPECT_EQ(cfg.ReadString("Declarations", "First", {}), "edit \"First\",14,22,240");
    EXPECT_EQ(cfg.ReadString("Declarations", "Second", {}), "Check \"Second\",10,60,90");
    EXPECT_EQ(cfg.ReadString("Defaults", "First", {}), "keep");

    QTest::mouseClick(f->AutoplaceButton(), Qt::LeftButton);
    EXPECT_EQ(f->CurrentPos(0), QPoint(5, 20));
    EXPECT_EQ(f->CurrentPos(1), QPoint(5, f->BottomEdge(0) + 6));
    // "Expand window" starts again from the first size and grows over the controls.
    EXPECT_GE(f->ParamArea()->height(), f->BottomEdge(1) + 4);
    EXPECT_LE(f->ParamArea()->height(), std::max(110 - 41, f->BottomEdge(1) + 4));

    screenshot(f.get(), "quicktune");
    QTest::mouseClick(f->BackButton(), Qt::LeftButton);
    EXPECT_FALSE(f->TunePanel()->isVisible());
    EXPECT_TRUE(f->CommandPanel()->isVisible());
    EXPECT_EQ(f->TuneControls()->count(), 0);
}

TEST_F(AutoprintTest, DemoDialogsBuildFromTheirDescriptors)
{
    LocaleSettings().Load(QStringLiteral("en_US"));
    useDemoDatabase();
    copyDemoReport("orders");
    copyDemoReport("invoice");
    auto orders = build("orders");
    ASSERT_TRUE(orders);
    orders->setWindowTitle("Orders by customer");
    ASSERT_EQ(orders->Model().ControlCount(), 2);
    EXPECT_EQ(qobject_cast<QDateEdit *>(orders->InputWidget(0))->date(), QDate(2000, 1, 1));
    // Every control is inside the parameter area, which stands above the command panel.
    for (int i = 0; i < 2; ++i)
        EXPECT_TRUE(orders->ParamArea()->rect().contains(orders->InputWidget(i)->geometry()));
    EXPECT_EQ(orders->CommandPanel()->geometry().top(), orders->ParamArea()->geometry().bottom() + 1);
    screenshot(orders.get(), "dialog-orders");

    auto invoice = build("invoice");
    ASSERT_TRUE(invoice);
    invoice->setWindowTitle("Invoice");
    // No default and no empty entry: the first company by name.
    EXPECT_EQ(combo(*invoice, 0)->currentText(),
              demoRows("SELECT Company FROM customers ORDER BY Company").value(0));
    screenshot(invoice.get(), "dialog-invoice");
    invoice->OpenQuickTune();
    invoice->ChooseControl(0);
    screenshot(invoice.get(), "quicktune-invoice");
    EXPECT_EQ(invoice->TuneL()->value(), 350);
}
