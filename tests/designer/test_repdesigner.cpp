// The designer controller without a window: settings, the selection and its
// frame, the drag arithmetic, reading order and keys, insertion, and what the
// window's controls are told after a selection change.

#include "common/screen.h"
#include "definition/designbands.h"
#include "definition/designelements.h"
#include "definition/designreport.h"
#include "designer/repdesigner.h"
#include "designer/stretchhandle.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <gtest/gtest.h>

#include <memory>

namespace
{
using D = TQRepDesigner;
using H = TStretch_Handle;

// A report with a title band (two labels and a shape) and a detail band (one label).
struct DesignFixture : ::testing::Test {
    std::unique_ptr<TForm> form = std::make_unique<TForm>();
    TQRDesignReport *report = nullptr;
    TQRepDesigner *qrd = nullptr;
    TQRDesignBand *title = nullptr, *detail = nullptr;
    TQRDesignLabel *a = nullptr, *b = nullptr, *c = nullptr;
    TQRDesignShape *shape = nullptr;

    void SetUp() override
    {
        report = new TQRDesignReport(form.get());
        report->SetName("Report");
        qrd = new TQRepDesigner(form.get());
        qrd->SetQReport(report);
        title = band("Title", QR::rbTitle);
        detail = band("Detail", QR::rbDetail);
        a = label("A", title, 100, 10);
        b = label("B", title, 20, 10);
        shape = new TQRDesignShape(form.get());
        shape->SetName("S");
        shape->SetParent(title);
        shape->SetBounds(10, 30, 40, 8);
        c = label("C", detail, 39, 5);
        qrd->PrepareDesign();
    }
    TQRDesignBand *band(const QString &name, QR::TQRBandType type)
    {
        auto *band = new TQRDesignBand(form.get());
        band->SetName(name);
        band->SetBandType(type);
        band->SetParent(report);
        band->SetHeight(60);
        return band;
    }
    TQRDesignLabel *label(const QString &name, TQRCustomBand *on, int left, int top)
    {
        auto *l = new TQRDesignLabel(form.get());
        l->SetName(name);
        l->SetCaption(name);
        l->SetAutoSize(false);
        l->SetParent(on);
        l->SetBounds(left, top, 30, 12);
        return l;
    }
    QPoint inReport(TQRVisualControl *control, QPoint local) { return qrd->ReportRect(control).topLeft() + local; }
    QList<TQRVisualControl *> selected() { return qrd->Selection(); }
};

TEST_F(DesignFixture, SettingsKeepTheirRules)
{
    qrd->SetMinElementWidth(3);
    EXPECT_EQ(qrd->MinElementWidth(), 5);
    qrd->SetMinElementWidth(7);
    qrd->SetMinElementWidth(4);
    EXPECT_EQ(qrd->MinElementWidth(), 7);
    qrd->SetMinElementHeight(5);
    EXPECT_EQ(qrd->MinElementHeight(), 5);
    qrd->SetAvailableTableNames({"  ", "Orders", "", " Items "});
    EXPECT_EQ(qrd->AvailableTableNames(), QStringList({"Orders", " Items "}));
    qrd->setProperty("BackupFileExtension", ".BACKUP");
    EXPECT_EQ(qrd->BackupFileExtension, ".BAC");
    EXPECT_FALSE(qrd->DefaultDatabaseOnly);
    qrd->SetDefaultAdoConnectionOnly(true);
    EXPECT_TRUE(qrd->DefaultDatabaseOnly);
    EXPECT_EQ(qrd->BandNameFont()->Name(), "MS Sans Serif");
    EXPECT_EQ(qrd->BandNameFont()->Color(), clSilver);
    // A linked control that goes clears its link.
    auto *panel = new QLabel;
    qrd->InfoPanel = panel;
    delete panel;
    EXPECT_TRUE(qrd->InfoPanel.isNull());
}

TEST_F(DesignFixture, DragArithmetic)
{
    H::TDragSettings s;
    s.GridX = s.GridY = 10;
    const QRect frame(37, 20, 40, 20);
    EXPECT_EQ(H::DragResult(frame, H::zMove, {8, 0}, {}, s).left(), 42);
    // Shift ignores the grid.
    EXPECT_EQ(H::DragResult(frame, H::zMove, {8, 0}, Qt::ShiftModifier, s).left(), 45);
    // Right edge: width = snap(width + dx + 3) - 3; left edge moves and shrinks.
    EXPECT_EQ(H::DragResult(frame, H::zRight, {5, 0}, {}, s), QRect(37, 20, 37, 20));
    EXPECT_EQ(H::DragResult(frame, H::zLeft, {8, 0}, {}, s), QRect(42, 20, 35, 20));
    // Ctrl resizes symmetrically with the raw travel (top-left: snapped, then mirrored).
    EXPECT_EQ(H::DragResult(frame, H::zRight, {5, 0}, Qt::ControlModifier, s), QRect(32, 20, 50, 20));
    EXPECT_EQ(H::DragResult(frame, H::zTopLeft, {8, 0}, Qt::ControlModifier, s), QRect(42, 12, 30, 36));
    // Shift on the bottom-right corner keeps the proportions (2 : 1 here).
    s.Ratio = 2;
    EXPECT_EQ(H::DragResult(frame, H::zBottomRight, {4, 10}, Qt::ShiftModifier, s), QRect(37, 20, 60, 30));
    // Never below the minimum size.
    EXPECT_EQ(H::DragResult(frame, H::zBottom, {0, -100}, {}, s).height(), 5);

    // Through the controller: a frame at left 37 dragged 8 pixels right lands at 42.
    qrd->SetGridSizeX(10);
    qrd->SelectComponent(c);
    EXPECT_EQ(qrd->Handle()->Bounds(), QRect(37, 3, 35, 17));
    const QPoint start = qrd->FrameRect().center();
    ASSERT_TRUE(qrd->FrameMouseDown(start, Qt::LeftButton, {}));
    qrd->MouseMove(start + QPoint(8, 0), Qt::LeftButton, {});
    EXPECT_EQ(qrd->DragOutline().left(), qrd->FrameRect().left() + 5 + 2);
    qrd->MouseUp(start + QPoint(8, 0), Qt::LeftButton, {});
    EXPECT_EQ(qrd->Handle()->Bounds().left(), 42);
    EXPECT_EQ(c->Left(), 44);
    EXPECT_TRUE(qrd->Modified());
    // No travel, no change.
    qrd->SetModified(false);
    ASSERT_TRUE(qrd->FrameMouseDown(qrd->FrameRect().center(), Qt::LeftButton, {}));
    qrd->MouseUp(qrd->FrameRect().center(), Qt::LeftButton, {});
    EXPECT_EQ(c->Left(), 44);
    EXPECT_FALSE(qrd->Modified());
    // A locked frame shows "no drop" and does not drag.
    qrd->Handle()->SetLocked(true);
    EXPECT_EQ(qrd->FrameCursor(qrd->FrameRect().center()), TCursors::crNoDrop);
    qrd->Handle()->SetLocked(false);
    // Zones: the bottom-right corner wins over the bottom edge near it, outside the zones the frame moves.
    const QRect f = qrd->Handle()->Bounds();
    EXPECT_EQ(qrd->Handle()->ZoneAt({f.width() - 2, f.height() - 1}), H::zBottomRight);
    EXPECT_EQ(qrd->Handle()->ZoneAt({f.width() / 2, 0}), H::zTop);
    EXPECT_EQ(qrd->Handle()->ZoneAt({f.width() / 2 - 8, f.height() / 2}), H::zMove);
}

TEST_F(DesignFixture, SelectionStaysOnOneParent)
{
    a->SetGroupID(7);
    b->SetGroupID(0x10007); // the same group as 16-bit values
    qrd->SelectComponent(a);
    EXPECT_EQ(selected(), QList<TQRVisualControl *>({a, b}));
    EXPECT_EQ(qrd->Handle()->SelectionParent(), title);
    // An element of another band clears the selection first.
    qrd->MouseDown(c, inReport(c, {2, 2}), Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(selected(), QList<TQRVisualControl *>({c}));
    // Without a selection the frame is hidden, 24 x 24.
    qrd->DeselectAll();
    EXPECT_FALSE(qrd->Handle()->Visible());
    EXPECT_EQ(qrd->Handle()->Bounds().size(), QSize(24, 24));
    // Ctrl on an element starts a rubber band; it selects what it touches, by Top then Left.
    qrd->MouseDown(a, inReport(a, {1, 1}), Qt::LeftButton, Qt::ControlModifier);
    EXPECT_TRUE(qrd->RubberBandActive());
    EXPECT_TRUE(selected().isEmpty());
    qrd->MouseMove(inReport(title, {5, 35}), Qt::LeftButton, {});
    EXPECT_EQ(qrd->RubberBand(), QRect(inReport(title, {5, 11}), inReport(title, {101, 35})));
    qrd->MouseUp(inReport(title, {5, 35}), Qt::LeftButton, {});
    EXPECT_FALSE(qrd->RubberBandActive());
    EXPECT_EQ(selected(), QList<TQRVisualControl *>({b, a, shape}));
    // A band that blocks selection does not react.
    qrd->DeselectAll();
    detail->SetBlockSelection(true);
    qrd->MouseDown(detail, inReport(detail, {200, 50}), Qt::LeftButton, {});
    EXPECT_TRUE(selected().isEmpty());
}

TEST_F(DesignFixture, KeyboardWalksTheReport)
{
    auto tab = [&](bool back = false) {
        qrd->KeyPress(Qt::Key_Tab, back ? Qt::ShiftModifier : Qt::NoModifier);
        return selected().value(0);
    };
    EXPECT_EQ(tab(), title); // nothing selected: the top band
    EXPECT_EQ(tab(), b);     // (10, 20) before (10, 100)
    EXPECT_EQ(tab(), a);
    EXPECT_EQ(tab(), shape);
    EXPECT_EQ(tab(), detail);
    EXPECT_EQ(tab(), c);
    EXPECT_EQ(tab(), title); // the last element of the last band wraps to the first band
    qrd->DeselectAll();
    EXPECT_EQ(tab(true), detail);
    EXPECT_EQ(tab(true), c);
    EXPECT_EQ(tab(true), title);

    qrd->SelectComponent(c);
    c->SetLeft(40);
    qrd->SetGridSizeX(8);
    qrd->KeyPress(Qt::Key_Right, Qt::NoModifier);
    EXPECT_EQ(c->Left(), 41);
    qrd->KeyPress(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(c->Width(), 31);
    qrd->KeyPress(Qt::Key_Right, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(c->Left(), 49);
    qrd->KeyPress(Qt::Key_Down, Qt::NoModifier);
    EXPECT_EQ(c->Top(), 6);
    // A locked element stays.
    c->SetBlockMove(true);
    qrd->KeyPress(Qt::Key_Left, Qt::NoModifier);
    EXPECT_EQ(c->Left(), 49);
    // Esc goes up to the band; Delete waits for the block commands.
    qrd->KeyPress(Qt::Key_Escape, Qt::NoModifier);
    EXPECT_EQ(selected().value(0), detail);
    EXPECT_FALSE(qrd->KeyPress(Qt::Key_Delete, Qt::NoModifier));
    int deletes = 0;
    qrd->BlockCommands.Delete = [&] { ++deletes; };
    EXPECT_TRUE(qrd->KeyPress(Qt::Key_Delete, Qt::NoModifier));
    EXPECT_EQ(deletes, 1);
}

TEST_F(DesignFixture, InsertingFromThePalette)
{
    QList<int> states;
    qrd->OnDesignStateChanged = [&](D *, int s) { states.append(s); };
    QAction normal;
    normal.setCheckable(true);
    qrd->SpeedButtons.NormalDesign = &normal;
    qrd->AddCursor = TCursors::crCross;

    qrd->PaletteButton(D::dsNewLabel, false);
    EXPECT_EQ(a->Cursor(), TCursors::crCross);
    auto *l = qobject_cast<TQRDesignLabel *>(qrd->InsertAt(qrd->DesignState(), detail, inReport(detail, {50, 30})));
    ASSERT_TRUE(l);
    EXPECT_EQ(l->Parent(), detail);
    EXPECT_EQ(l->BoundsRect(), QRect(50, 30, 60, 20));
    EXPECT_EQ(l->Caption(), "ReportLabel");
    EXPECT_TRUE(l->AutoSize());
    EXPECT_EQ(selected().value(0), l);
    EXPECT_EQ(qrd->DesignState(), 0);
    EXPECT_TRUE(normal.isChecked());
    EXPECT_EQ(a->Cursor(), TCursors::crDefault);
    EXPECT_EQ(states, QList<int>({3, 0}));

    // Shift keeps inserting; a shape fits the room below the point.
    qrd->PaletteButton(D::dsNewShape, true);
    TQRVisualControl *s1 = qrd->InsertAt(D::dsNewShape, detail, inReport(detail, {5, 40}));
    ASSERT_TRUE(s1);
    EXPECT_EQ(s1->BoundsRect().size(), QSize(50, 20));
    EXPECT_EQ(qrd->DesignState(), D::dsNewShape);
    // Database elements need a data source; a chart creates nothing.
    EXPECT_EQ(qrd->InsertAt(D::dsNewDBText, detail, inReport(detail, {5, 5})), nullptr);
    EXPECT_EQ(qrd->InsertAt(D::dsNewChart, detail, inReport(detail, {5, 5})), nullptr);
    // A cancelled property dialog removes the new element.
    const int before = form->ComponentCount();
    qrd->OnEditProperties = [](D *, TComponent *&, bool &ok) { ok = false; };
    EXPECT_EQ(qrd->InsertAt(D::dsNewMemo, detail, inReport(detail, {5, 5})), nullptr);
    EXPECT_EQ(form->ComponentCount(), before);
    // A new band is named BAND + the first free number.
    qrd->OnEditProperties = nullptr;
    TQRVisualControl *band = qrd->InsertAt(D::dsNewBand, report, {5, 500});
    ASSERT_TRUE(qobject_cast<TQRDesignBand *>(band));
    EXPECT_EQ(band->Name(), "BAND1");
    EXPECT_EQ(qrd->DesignState(), 0);
}

TEST_F(DesignFixture, ResizingFollowsBandsAndLocks)
{
    auto *bottom = label("Bottom", title, 5, 40);
    bottom->SetFixBottomPosition(true);
    auto *tall = label("Tall", title, 60, 20);
    tall->SetStretchHeightWithBand(true);
    qrd->SelectComponent(title);
    const int left = title->Left();
    const QRect f = qrd->Handle()->Bounds();
    qrd->ApplyFrameBounds(QRect(f.left() + 7, f.top(), f.width() + 30, f.height() + 10));
    EXPECT_EQ(title->Height(), 70);
    EXPECT_EQ(title->Left(), left); // bands keep Left and Width
    EXPECT_EQ(bottom->Top(), 50);
    EXPECT_EQ(tall->Height(), 22);
    EXPECT_EQ(a->Top(), 10);

    a->SetAutoSize(true);
    qrd->DeselectAll();
    qrd->SelectComponent(a);
    const QRect g = qrd->Handle()->Bounds();
    qrd->ApplyFrameBounds(g.adjusted(0, 0, 4, 0));
    EXPECT_FALSE(a->AutoSize());
    EXPECT_EQ(a->Width(), 34);
    a->SetBlockResize(true);
    qrd->ApplyFrameBounds(qrd->Handle()->Bounds().adjusted(0, 0, 4, 0));
    EXPECT_EQ(a->Width(), 34);
}

TEST_F(DesignFixture, WindowControlsFollowTheSelection)
{
    QLabel info, kind;
    QLineEdit edit;
    QComboBox combo;
    QAction copy, alignLeft, equal, textCenter;
    textCenter.setCheckable(true);
    qrd->InfoPanel = &info;
    qrd->EditorTypeLabel = &kind;
    qrd->EditorEditControl = &edit;
    qrd->EditorCombobox = &combo;
    qrd->MenuItems.CopyToClipboard = &copy;
    qrd->MenuItems.AlignLeft = &alignLeft;
    qrd->MenuItems.EqualSpaceHorizontal = &equal;
    qrd->SpeedButtons.TextCenter = &textCenter;
    int reported = -1;
    qrd->OnSelectionChanged = [&](D *, int n) { reported = n; };
    qrd->LinkControls();
    EXPECT_FALSE(copy.isEnabled());
    EXPECT_EQ(kind.text(), "Report");

    a->SetAlignment(QR::taCenter);
    qrd->SelectComponent(a);
    EXPECT_EQ(info.text(), "Label A  [Position: 100/10]");
    EXPECT_EQ(kind.text(), "Label");
    EXPECT_EQ(edit.text(), "A");
    EXPECT_TRUE(copy.isEnabled());
    EXPECT_FALSE(alignLeft.isEnabled());
    EXPECT_TRUE(textCenter.isChecked());
    // Editing the strip's field changes the caption.
    edit.setText("Total");
    Q_EMIT edit.editingFinished();
    EXPECT_EQ(a->Caption(), "Total");

    qrd->SelectComponent(b);
    EXPECT_EQ(reported, 2);
    EXPECT_TRUE(alignLeft.isEnabled());
    EXPECT_FALSE(equal.isEnabled());
    EXPECT_EQ(info.text(), "");
    qrd->SelectComponent(shape);
    EXPECT_TRUE(equal.isEnabled());

    qrd->DeselectAll();
    qrd->SelectComponent(title);
    EXPECT_EQ(info.text(), "Band Title (Bandtype:Title)");
    EXPECT_EQ(combo.currentIndex(), 7);
    EXPECT_EQ(combo.count(), 10);
    qrd->OnShowInfo = [](TComponent *, QString &text) { text += "!"; };
    qrd->DeselectAll();
    qrd->SelectComponent(shape);
    EXPECT_EQ(info.text(), "Shape S (Rectangle)  [Position: 10/30]!");
    shape->SetBlockChange(true);
    qrd->DeselectAll();
    qrd->SelectComponent(shape);
    EXPECT_FALSE(combo.isEnabled());
}
} // namespace
