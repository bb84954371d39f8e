// The designer window driven as an author drives it (palette, mouse, field
// list, saving), and tabulon-design started as a program under Xvfb with a
// window manager and driven by keys.

#include "common/prompt.h"
#include "common/screen.h"
#include "definition/designbands.h"
#include "definition/designelements.h"
#include "definition/designreport.h"
#include "definition/loader.h"
#include "definition/runtimecomponents.h"
#include "designer/datafieldlist.h"
#include "designer/designcanvas.h"
#include "designer/designerform.h"
#include "designer/propertyinspector.h"
#include "designer/repdesigner.h"

#include <QAction>
#include <QComboBox>
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QMimeData>
#include <QMouseEvent>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QToolBar>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <unistd.h>

namespace
{
// Every element of a report file with its bounds, by name.
QMap<QString, QRect> elementBounds(const QString &fileName)
{
    TForm form;
    auto *report = new TQRDesignReport(&form);
    report->SetName("Report");
    auto *loader = new TQRDLoader(&form);
    loader->SetQReport(report);
    QMap<QString, QRect> bounds;
    if (!loader->LoadReportFile(fileName))
        return bounds;
    for (TQRPrintable *e : report->AllElements())
        bounds.insert(e->Name(), e->BoundsRect());
    return bounds;
}

void mouse(QWidget *w, QEvent::Type type, const QPoint &at, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, at, w->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

void drag(QWidget *w, const QPoint &from, const QPoint &to)
{
    mouse(w, QEvent::MouseButtonPress, from, Qt::LeftButton);
    mouse(w, QEvent::MouseMove, (from + to) / 2, Qt::LeftButton);
    mouse(w, QEvent::MouseMove, to, Qt::LeftButton);
    mouse(w, QEvent::MouseButtonRelease, to, Qt::NoButton);
}

struct DesignerWindowTest : ::testing::Test {
    QTemporaryDir dir;
    TScriptedPrompt prompt;
    std::unique_ptr<TPromptGuard> guard;
    void SetUp() override
    {
        guard = std::make_unique<TPromptGuard>(&prompt);
#ifdef TABULON_DEMO_DIR
        qputenv("TABULON_HOME", TABULON_DEMO_DIR);
#endif
    }
};

TEST_F(DesignerWindowTest, InsertDragResizeSaveAndReopen)
{
    TReportDesignerForm w;
    TQRepDesigner *d = w.Designer();
    auto *band = new TQRDesignBand(w.Report()->Owner());
    band->SetName("Detail");
    band->SetBandType(QR::rbDetail);
    band->SetParent(w.Report());
    band->SetHeight(100);
    d->PrepareDesign();
    const QString file = dir.filePath("drawn.QR2");
    w.FileDialogHook = [&](bool, const QString &) { return file; };
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    TDesignCanvas *canvas = w.Canvas();

    // The palette button, then a click on the band.
    auto *palette = w.findChild<QToolBar *>("Palette");
    QTest::mouseClick(palette->widgetForAction(w.PaletteAction(TQRepDesigner::dsNewLabel)), Qt::LeftButton);
    EXPECT_EQ(d->DesignState(), TQRepDesigner::dsNewLabel);
    const QPoint bandAt = canvas->ToWidget(d->ReportRect(band).topLeft());
    QTest::mouseClick(canvas, Qt::LeftButton, {}, bandAt + QPoint(40, 20));
    ASSERT_EQ(d->SelectionCount(), 1);
    auto *label = qobject_cast<TQRDesignLabel *>(d->Selection().first());
    ASSERT_TRUE(label);
    EXPECT_EQ(label->BoundsRect(), QRect(40, 20, 60, 20));
    EXPECT_EQ(d->DesignState(), 0);
    EXPECT_EQ(w.findChild<QLabel *>("InfoPanel")->text(), "Label " + label->Name() + "  [Position: 40/20]");

    // Moved by 30, 10 from its middle; then the bottom-right corner pulled by 20, 6.
    drag(canvas, bandAt + QPoint(70, 30), bandAt + QPoint(100, 40));
    EXPECT_EQ(label->BoundsRect(), QRect(70, 30, 60, 20));
    const QRect frame = d->FrameRect();
    const QPoint corner = canvas->ToWidget(frame.topLeft() + QPoint(frame.width() - 2, frame.height() - 2));
    drag(canvas, corner, corner + QPoint(20, 6));
    EXPECT_EQ(label->BoundsRect(), QRect(70, 30, 80, 26));
    EXPECT_FALSE(label->AutoSize());
    EXPECT_TRUE(d->Modified());
    EXPECT_TRUE(w.windowTitle().endsWith(" *"));

    w.findChild<QAction *>("FileSave")->trigger();
    EXPECT_FALSE(d->Modified());
    EXPECT_EQ(w.CurrentFileName(), file);
    EXPECT_EQ(elementBounds(file).value(label->Name()), QRect(70, 30, 80, 26));

    // Zoom: doubled up to 300, halved while the half stays above 10.
    w.ZoomIn();
    EXPECT_EQ(w.Report()->Zoom(), 200);
    EXPECT_EQ(label->BoundsRect(), QRect(140, 60, 160, 52));
    w.ZoomIn();
    EXPECT_EQ(w.Report()->Zoom(), 300);
    w.SetZoom(20);
    w.ZoomOut();
    EXPECT_EQ(w.Report()->Zoom(), 20);
    w.ZoomDefault();
    EXPECT_EQ(label->BoundsRect(), QRect(70, 30, 80, 26));

    // Closing unmodified asks nothing.
    w.close();
    EXPECT_TRUE(prompt.Records().isEmpty());
}

TEST_F(DesignerWindowTest, CanvasDrawsElementsWithTheirDesignTexts)
{
    TReportDesignerForm w;
    TQRepDesigner *d = w.Designer();
    auto *band = new TQRDesignBand(w.Report()->Owner());
    band->SetName("Detail");
    band->SetParent(w.Report());
    band->SetHeight(80);
    auto *expr = new TQRDesignExpr(w.Report()->Owner());
    expr->SetName("Sum");
    expr->SetParent(band);
    expr->SetAutoSize(true);
    expr->SetBounds(20, 10, 10, 16);
    auto *sys = new TQRDesignSysdata(w.Report()->Owner());
    sys->SetName("Page");
    sys->SetText("Page ");
    sys->SetData(QR::qrsPageNumber);
    sys->SetParent(band);
    sys->SetBounds(200, 10, 80, 16);
    d->PrepareDesign();
    EXPECT_EQ(TDesignCanvas::DesignText(expr), "(none)");
    expr->SetExpression("1+2");
    EXPECT_EQ(TDesignCanvas::DesignText(expr), "1+2");
    EXPECT_EQ(TDesignCanvas::DesignText(sys), "Page (Page#)");

    // The texts are drawn (dark pixels inside the elements), and drawing leaves the geometry alone.
    TDesignCanvas *canvas = w.Canvas();
    canvas->Invalidate();
    QImage image(canvas->sizeHint(), QImage::Format_RGB32);
    {
        QPainter p(&image);
        canvas->PaintDesign(&p, image.rect());
    }
    auto darkIn = [&](const TQRVisualControl *c) {
        const QRect r = d->ReportRect(c).translated(canvas->ReportOrigin());
        int dark = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                dark += qGray(image.pixel(x, y)) < 100;
        return dark;
    };
    EXPECT_GT(darkIn(expr), 5);
    EXPECT_GT(darkIn(sys), 5);
    EXPECT_EQ(expr->BoundsRect(), QRect(20, 10, 10, 16));
    // The canvas finds what lies under a point, elements before their band.
    EXPECT_EQ(canvas->ControlAt(d->ReportRect(sys).center()), sys);
    EXPECT_EQ(canvas->ControlAt(d->ReportRect(band).topLeft() + QPoint(150, 60)), band);
    EXPECT_EQ(canvas->ControlAt({2, 2}), w.Report());
}

TEST_F(DesignerWindowTest, InspectorEditsTheSelectedElement)
{
    TReportDesignerForm w;
    TQRepDesigner *d = w.Designer();
    auto *band = new TQRDesignBand(w.Report()->Owner());
    band->SetName("Detail");
    band->SetParent(w.Report());
    auto *label = new TQRDesignLabel(w.Report()->Owner());
    label->SetName("Total");
    label->SetParent(band);
    label->SetBounds(10, 5, 50, 16);
    d->PrepareDesign();
    d->SelectComponent(label);
    TPropertyInspector *inspector = w.Inspector();
    ASSERT_EQ(inspector->Component(), label);
    ASSERT_TRUE(inspector->Row("Caption"));
    QTreeWidgetItem *fontName = inspector->Row("Font.Name");
    ASSERT_TRUE(fontName);
    EXPECT_EQ(fontName->parent(), inspector->Row("Font"));

    // Text, check box and list edits, each a changing command.
    inspector->Row("Caption")->setText(1, "Sum");
    EXPECT_EQ(label->Caption(), "Sum");
    EXPECT_TRUE(d->Modified());
    d->SetModified(false);
    inspector->Row("AutoSize")->setCheckState(1, label->AutoSize() ? Qt::Unchecked : Qt::Checked);
    EXPECT_TRUE(d->Modified());
    auto *alignment = qobject_cast<QComboBox *>(inspector->itemWidget(inspector->Row("Alignment"), 1));
    ASSERT_TRUE(alignment);
    Q_EMIT alignment->textActivated("taRightJustify");
    EXPECT_EQ(label->Alignment(), QR::taRightJustify);
    // A value the property refuses changes nothing and shows the value again.
    inspector->Row("Left")->setText(1, "left");
    EXPECT_EQ(label->Left(), 10);
    EXPECT_EQ(inspector->Row("Left")->text(1), "10");
    // Moving the element shows its new position.
    d->KeyPress(Qt::Key_Right, Qt::NoModifier);
    EXPECT_EQ(inspector->Row("Left")->text(1), "11");
    d->DeselectAll();
    EXPECT_EQ(inspector->Component(), nullptr);
    d->SetModified(false);
}

#ifdef TABULON_DEMO_DIR
TEST_F(DesignerWindowTest, FieldDroppedFromTheFieldList)
{
    TReportDesignerForm w;
    ASSERT_TRUE(w.OpenReport(QStringLiteral(TABULON_DEMO_DIR "/customers.QR2")));
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QTreeWidget *tree = w.DatafieldList()->Tree();
    EXPECT_EQ(tree->objectName(), "DatafieldListbox");
    ASSERT_GE(tree->topLevelItemCount(), 1);
    QTreeWidgetItem *node = tree->topLevelItem(0);
    EXPECT_EQ(node->text(0), "CUSTOMERS");
    ASSERT_GE(node->childCount(), 2);
    EXPECT_TRUE(w.DatafieldList()->isVisible());
    EXPECT_EQ(w.DatafieldList()->width(), TDatafieldList::WindowWidth);

    // The tree's drag data, dropped on the detail band.
    QTreeWidgetItem *field = node->child(1);
    const QModelIndex index = tree->model()->index(1, 0, tree->model()->index(0, 0));
    std::unique_ptr<QMimeData> data(tree->model()->mimeData({index}));
    ASSERT_TRUE(data);
    TQRepDesigner *d = w.Designer();
    TQRCustomBand *detail = w.Report()->FindBand(QR::rbDetail);
    ASSERT_TRUE(detail);
    const QPoint at = w.Canvas()->ToWidget(d->ReportRect(detail).topLeft() + QPoint(300, 2));
    QDragEnterEvent enter(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.Canvas(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDragMoveEvent move(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.Canvas(), &move);
    EXPECT_TRUE(move.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.Canvas(), &drop);
    ASSERT_EQ(d->SelectionCount(), 1);
    auto *dbText = qobject_cast<TQRDesignDBText *>(d->Selection().first());
    ASSERT_TRUE(dbText);
    EXPECT_EQ(dbText->Parent(), detail);
    EXPECT_EQ(dbText->Caption(), field->text(0));
    EXPECT_EQ(dbText->DataSet()->Name().toUpper(), "CUSTOMERS");
    EXPECT_EQ(QPoint(dbText->Left(), dbText->Top()), QPoint(300, 2));
    EXPECT_TRUE(d->Modified());
    // Closing now asks whether to save; No closes.
    prompt.QueueAnswer(mrNo);
    EXPECT_TRUE(w.close());
    EXPECT_EQ(prompt.Records().size(), 1);
}
#endif

TEST_F(DesignerWindowTest, DesignerDialogHandsEverySetting)
{
    using D = TReportDesignerDialog;
    InstallDesignerWindow();
    TReportDesignerDialog dialog;
    dialog.SetUserSettings(D::TUserSettings(D::AllowScriptEdit | D::QueriesOnlyInExpert | D::AllowNewCalcFields));
    dialog.SetEditorSettings(D::TEditorSettings(D::UndoEnabled | D::SaveBackupFiles));
    dialog.AvailableTableNames = {" ", "Orders"};
    dialog.FieldDisplayLabels = {"CustNo=Customer"};
    dialog.SetDefaultDatabaseOnly(true);
    dialog.SetDefaultFileExtension("*.QR2");
    dialog.SetDefaultOpenDir(dir.path());
    int created = 0;
    dialog.AfterReportComponentCreated = [&](TComponent *) { ++created; };
    const QString file = dir.filePath("new.QR2");
    bool shown = false;
    QRDesignerWindowHook() = [&](TQRDesignerWindowSettings &s) {
        TReportDesignerForm w(s);
        TQRepDesigner *q = w.Designer();
        EXPECT_EQ(q, s.Loader);
        EXPECT_FALSE(q->AllowSQLEdit);
        EXPECT_TRUE(q->ScriptEditByUser);
        EXPECT_TRUE(q->QueriesOnlyInExpert);
        EXPECT_TRUE(q->AllowNewCalcFields);
        EXPECT_FALSE(q->AllowBlockEdit);
        EXPECT_TRUE(q->UndoEnabled);
        EXPECT_TRUE(q->SaveBackupFiles);
        EXPECT_FALSE(q->AutoEditAfterInsert);
        EXPECT_FALSE(q->ShowDatafieldListbox);
        EXPECT_FALSE(q->DatafieldsSorted);
        EXPECT_TRUE(q->DefaultDatabaseOnly);
        EXPECT_EQ(q->AvailableTableNames(), QStringList{"Orders"});
        EXPECT_EQ(q->FieldDisplayLabels, QStringList{"CustNo=Customer"});
        EXPECT_EQ(q->SQLSettings()->DelimiterType(), TQRDatabaseSettings::delCustom);
        EXPECT_EQ(w.DefaultExt, "QR2");
        EXPECT_EQ(w.OpenDir, dir.path());
        EXPECT_TRUE(w.findChild<QAction *>("EditUndo")->isVisible());
        EXPECT_EQ(w.CurrentFileName(), file);
        // The host's event reaches insertions.
        auto *band = new TQRDesignBand(s.Form);
        band->SetName("Detail");
        band->SetParent(s.Report);
        q->InsertAt(TQRepDesigner::dsNewLabel, band, q->ReportRect(band).topLeft() + QPoint(5, 5));
        EXPECT_EQ(created, 1);
        // A changed new report asks "Report not saved" before New; Cancel keeps it.
        prompt.QueueAnswer(mrCancel);
        EXPECT_FALSE(w.NewReport());
        EXPECT_EQ(prompt.Records().constLast().text, "Report not saved");
        EXPECT_EQ(band->ControlCount(), 1);
        q->SetModified(false);
        shown = true;
    };
    EXPECT_TRUE(dialog.EditReport(file)); // missing: a new report carrying the name
    EXPECT_TRUE(shown);
    QRDesignerWindowHook() = nullptr;
    QRDesignerLoaderFactory() = nullptr;
}

#if defined(TABULON_DESIGN_EXE)
TEST(DesignProgram, UsageAndUnreadableFiles)
{
    QTemporaryDir dir;
    auto start = [&](const QStringList &args, QString *out = nullptr) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        p.setProcessEnvironment(env);
        p.start(TABULON_DESIGN_EXE, args);
        EXPECT_TRUE(p.waitForFinished(20000));
        if (out)
            *out = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
        return p.exitCode();
    };
    QString text;
    EXPECT_EQ(start({"--help"}, &text), 0);
    EXPECT_TRUE(text.contains("FILE.QR2"));
    EXPECT_EQ(start({"a.QR2", "b.QR2"}), 2);
    const QString damaged = dir.filePath("damaged.QR2");
    QFile f(damaged);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a report at all");
    f.close();
    EXPECT_EQ(start({damaged}, &text), 1);
    EXPECT_TRUE(text.contains(damaged)) << text.toStdString();
}
#endif

// Not in the instrumented builds, as the other tests of programs under a real X server.
#if defined(TABULON_DESIGN_EXE) && defined(TABULON_DEMO_DIR) && !defined(TABULON_INSTRUMENTED)
// Runs a command and waits for it.
QString run(const QString &program, const QStringList &args, const QProcessEnvironment &env)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(20000)) {
        p.kill();
        p.waitForFinished();
    }
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

TEST(DesignProgram, KeysMoveTheFirstElementOfTheTopBand)
{
    QTemporaryDir dir;
    const QString original = QStringLiteral(TABULON_DEMO_DIR "/customers.QR2");
    const QString file = dir.filePath("customers.QR2");
    ASSERT_TRUE(QFile::copy(original, file));
    qputenv("TABULON_HOME", TABULON_DEMO_DIR);

    // The server picks a free display and writes its number.
    QProcess xvfb;
    xvfb.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
    ASSERT_TRUE(xvfb.waitForStarted());
    ASSERT_TRUE(xvfb.waitForReadyRead(10000));
    const int display = QString::fromLatin1(xvfb.readAllStandardOutput()).trimmed().toInt();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", QString(":%1").arg(display));
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("TABULON_HOME", TABULON_DEMO_DIR);
    env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
    QProcess wm;
    wm.setProcessEnvironment(env);
    wm.start("openbox", {});
    ASSERT_TRUE(wm.waitForStarted());
    QThread::msleep(500);

    // Starts the designer on the copy, types keys into it and waits until it ends.
    auto session = [&](const QString &keys) {
        QProcess designer;
        designer.setProcessEnvironment(env);
        designer.start(TABULON_DESIGN_EXE, {file});
        EXPECT_TRUE(designer.waitForStarted());
        const QString id = run("xdotool", {"search", "--sync", "--onlyvisible", "--name", "Report designer"}, env)
                               .section('\n', 0, 0);
        EXPECT_FALSE(id.isEmpty());
        run("xdotool", {"windowactivate", "--sync", id}, env);
        QThread::msleep(500);
        run("xdotool", QStringList({"key", "--delay", "150"}) + keys.split(' '), env);
        QThread::msleep(800);
        run("xdotool", {"key", "alt+F4"}, env);
        const bool ended = designer.waitForFinished(15000);
        EXPECT_TRUE(ended);
        if (!ended) {
            designer.kill();
            designer.waitForFinished();
            return -1;
        }
        return designer.exitCode();
    };

    const QMap<QString, QRect> before = elementBounds(file);
    ASSERT_FALSE(before.isEmpty());
    // Without a change a save keeps every position.
    EXPECT_EQ(session("ctrl+s"), 0);
    EXPECT_EQ(elementBounds(file), before);

    // The first element of the top band (smallest Top, then Left) moves 3 pixels right.
    QString first;
    {
        TForm form;
        auto *report = new TQRDesignReport(&form);
        report->SetName("Report");
        auto *qrd = new TQRepDesigner(&form);
        qrd->SetQReport(report);
        ASSERT_TRUE(qrd->LoadReportFile(file));
        first = qrd->NextInReadingOrder(qrd->NextInReadingOrder(nullptr, true), true)->Name();
    }
    EXPECT_EQ(session("Tab Tab Right Right Right ctrl+s"), 0);
    const QMap<QString, QRect> after = elementBounds(file);
    ASSERT_EQ(after.keys(), before.keys());
    for (const QString &name : before.keys())
        EXPECT_EQ(after[name], name == first ? before[name].translated(3, 0) : before[name]) << name.toStdString();

    wm.kill();
    wm.waitForFinished();
    xvfb.terminate();
    xvfb.waitForFinished();
}
#endif
} // namespace
