// Mouse states, clicks, groups, the hover timer, the accelerator and actions.
#include "ShineFixture.h"

#include "ActnList.h"
#include "Buttons.h"
#include "ImgList.h"
#include "SysUtils.h"

#include <QPainter>
#include <QPushButton>
#include <vector>

namespace {

class ShineBehaviourTest : public ShineButtonTest {
protected:
    // Records every state change of b.
    std::vector<TShineState>& Record(TShineSpeedButton* b) {
        b->OnStateChange = [this, b](QObject* s) {
            EXPECT_EQ(s, b);
            states.push_back(b->State());
        };
        return states;
    }

    std::vector<TShineState> states;
};

TEST_F(ShineBehaviourTest, ClickInsideSettlesOnTheHotLook) {
    int clicks = 0, enters = 0;
    button->OnClick = [&](QObject*) { ++clicks; };
    QTest::mouseMove(button, QPoint(12, 12));
    ASSERT_EQ(button->State(), stActive);
    button->OnMouseEnter = [&](QObject*, TShiftState, int, int) { ++enters; };
    // The mouse events come before the button reacts.
    std::vector<TShineState> seenByEvents;
    button->OnMouseDown = [&](QObject*, Qt::MouseButton b, TShiftState s, int x, int y) {
        EXPECT_EQ(b, Qt::LeftButton);
        EXPECT_TRUE(s & ssLeft);
        EXPECT_EQ(QPoint(x, y), QPoint(12, 12));
        seenByEvents.push_back(button->State());
    };
    button->OnMouseUp = [&](QObject*, Qt::MouseButton, TShiftState, int, int) {
        seenByEvents.push_back(button->State());
    };
    Record(button);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(12, 12));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(seenByEvents, (std::vector{stActive, stActiveDown}));
    EXPECT_EQ(states, (std::vector{stActiveDown, stUp, stActive}));
    EXPECT_EQ(enters, 1); // the re-synchronisation enters again
}

TEST_F(ShineBehaviourTest, PressAreaAndReleaseAreaDiffer) {
    int clicks = 0;
    button->OnClick = [&](QObject*) { ++clicks; };
    QTest::mouseMove(button, QPoint(12, 12));
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(12, 12));
    struct Step {
        QPoint At;
        TShineState Look;
    };
    // The top row and the left column are outside while pressed.
    for (const Step& s : {Step{{40, 40}, stUp}, Step{{12, 12}, stActiveDown}, Step{{5, 0}, stUp},
                          Step{{0, 5}, stUp}, Step{{1, 1}, stActiveDown},
                          Step{{24, 24}, stActiveDown}, Step{{25, 5}, stUp}}) {
        QTest::mouseMove(button, s.At);
        EXPECT_EQ(button->State(), s.Look) << s.At.x() << "," << s.At.y();
    }
    // Releasing on the top row still clicks; outside does not.
    QTest::mouseMove(button, QPoint(5, 0));
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(5, 0));
    EXPECT_EQ(clicks, 1);
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(12, 12));
    QTest::mouseMove(button, QPoint(40, 40));
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(40, 40));
    EXPECT_EQ(clicks, 1);
    // Any release ends the tracking; a right press never starts it.
    QTest::mouseClick(button, Qt::RightButton, {}, QPoint(12, 12));
    EXPECT_EQ(clicks, 1);
}

TEST_F(ShineBehaviourTest, HotLookFollowsEnterAndLeave) {
    int enters = 0, leaves = 0;
    button->OnMouseEnter = [&](QObject*, TShiftState, int, int) { ++enters; };
    button->OnMouseLeave = [&](QObject*, TShiftState, int, int) { ++leaves; };
    QTest::mouseMove(button, QPoint(12, 12));
    EXPECT_EQ(button->State(), stActive);
    QTest::mouseMove(&host, QPoint(150, 80));
    EXPECT_EQ(button->State(), stUp);
    EXPECT_EQ(enters, 1);
    EXPECT_EQ(leaves, 1);

    // While another control holds the mouse the button does not turn hot.
    QWidget other(&host);
    other.setGeometry(100, 10, 20, 20);
    other.show();
    other.grabMouse();
    Hover();
    EXPECT_EQ(enters, 2);
    EXPECT_EQ(button->State(), stUp);
    other.releaseMouse();

    // A leave while the left button is held keeps the pressed look.
    QTest::mouseMove(button, QPoint(12, 12));
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(12, 12));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button, &leave);
    EXPECT_EQ(button->State(), stActiveDown);
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(12, 12));
}

TEST_F(ShineBehaviourTest, HoverTimerDeliversAMissedLeave) {
    int leaves = 0;
    button->OnMouseLeave = [&](QObject*, TShiftState, int, int) { ++leaves; };
    Hover(); // the cursor is elsewhere and no leave will come
    ASSERT_EQ(button->State(), stActive);
    EXPECT_TRUE(QTest::qWaitFor([&] { return button->State() == stUp; }, 2000));
    EXPECT_EQ(leaves, 1);
}

TEST_F(ShineBehaviourTest, ClickDownHookIsSeenFromInsideOnClick) {
    button->Colors()->SetColor(clSilver);
    button->PressedColors()->SetColor(clWhite);
    button->SetClickDownHook(true);
    TShineState seen = stUp;
    QRgb face = 0;
    button->OnClick = [&](QObject*) {
        seen = button->State();
        face = Pixel(Grab(), 12, 12);
    };
    button->Click();
    EXPECT_EQ(seen, stActiveDown);
    EXPECT_EQ(face, Rgb(clWhite));
    EXPECT_EQ(button->State(), stUp);

    button->OnClick = [&](QObject*) { throw Exception(QStringLiteral("x")); };
    EXPECT_THROW(button->Click(), Exception);
    EXPECT_EQ(button->State(), stUp);
}

TEST_F(ShineBehaviourTest, DoubleClickFiresWhilePressed) {
    int doubles = 0;
    button->OnDblClick = [&](QObject*) { ++doubles; };
    QTest::mouseMove(button, QPoint(12, 12));
    QTest::mouseDClick(button, Qt::LeftButton, {}, QPoint(12, 12));
    EXPECT_EQ(doubles, 1);
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(12, 12));
}

TEST_F(ShineBehaviourTest, DisablingClearsDown) {
    button->SetGroupIndex(1);
    button->SetDown(true);
    ASSERT_TRUE(button->Down());
    button->SetEnabled(false);
    EXPECT_FALSE(button->Down());
    EXPECT_EQ(button->State(), stDisabled);
    int clicks = 0;
    button->OnClick = [&](QObject*) { ++clicks; };
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(12, 12));
    EXPECT_EQ(clicks, 0);
    button->SetEnabled(true);
    EXPECT_EQ(button->State(), stUp);
}

// Only the button's own Enabled clears Down; a disabled panel around it
// shows it disabled and gives it back Down.
TEST_F(ShineBehaviourTest, DisablingTheParentKeepsDown) {
    QWidget panel(&host);
    panel.setGeometry(0, 50, 200, 50);
    auto* b = new TShineSpeedButton(&panel);
    b->SetGroupIndex(1);
    panel.show();
    b->SetDown(true);
    panel.setEnabled(false);
    EXPECT_TRUE(b->Down());
    EXPECT_EQ(b->State(), stDisabled);
    panel.setEnabled(true);
    EXPECT_TRUE(b->Down());
    EXPECT_EQ(b->State(), stDown);

    panel.setEnabled(false);
    b->SetEnabled(false);
    EXPECT_FALSE(b->Down());
    panel.setEnabled(true);
    b->SetEnabled(true);
    EXPECT_EQ(b->State(), stUp);

    // Made inside a disabled panel, a button starts with the disabled look.
    panel.setEnabled(false);
    auto* late = new TShineSpeedButton(&panel);
    EXPECT_EQ(late->State(), stDisabled);
}

// Three shine buttons of group 1 side by side.
class ShineGroupTest : public ShineBehaviourTest {
protected:
    void MakeGroup(bool allowAllUp) {
        buttons = {button, new TShineSpeedButton(&host), new TShineSpeedButton(&host)};
        for (size_t i = 0; i < 3; ++i) {
            buttons[i]->move(10 + 30 * int(i), 10);
            buttons[i]->show();
            buttons[i]->SetGroupIndex(1);
            buttons[i]->SetAllowAllUp(allowAllUp);
        }
    }
    std::vector<bool> Downs() const {
        std::vector<bool> d;
        for (auto* b : buttons)
            d.push_back(b->Down());
        return d;
    }
    std::vector<TShineSpeedButton*> buttons;
};

TEST_F(ShineGroupTest, OneDownWithoutAllowAllUp) {
    MakeGroup(false);
    auto [a, b, c] = std::tuple(buttons[0], buttons[1], buttons[2]);
    ClickAt(a);
    EXPECT_EQ(Downs(), (std::vector{true, false, false}));
    ClickAt(b);
    EXPECT_EQ(Downs(), (std::vector{false, true, false}));
    EXPECT_EQ(a->State(), stUp);
    EXPECT_EQ(b->State(), stActiveDown); // down with the mouse over it
    ClickAt(b);
    EXPECT_EQ(Downs(), (std::vector{false, true, false}));
    b->SetDown(false);
    EXPECT_TRUE(b->Down());
    c->SetDown(true);
    EXPECT_EQ(Downs(), (std::vector{false, false, true}));
    EXPECT_EQ(b->State(), stUp);
    EXPECT_EQ(c->State(), stDown);
    QTest::mouseMove(&host, QPoint(150, 80));
}

TEST_F(ShineGroupTest, ReleaseOutsideShowsHotThenFollowsTheCursor) {
    MakeGroup(false);
    TShineSpeedButton* b = buttons[1];
    QTest::mouseMove(b, QPoint(12, 12));
    Record(b);
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(12, 12));
    QTest::mouseMove(b, QPoint(12, 40));
    QCursor::setPos(host.mapToGlobal(QPoint(150, 80)));
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(12, 40));
    EXPECT_EQ(states, (std::vector{stActiveDown, stUp, stActive, stUp}));
    EXPECT_FALSE(b->Down());
}

TEST_F(ShineGroupTest, AllowAllUpRaisesTheDownButton) {
    MakeGroup(false);
    buttons[2]->SetAllowAllUp(true); // announced to the whole group
    EXPECT_TRUE(buttons[0]->AllowAllUp());
    EXPECT_TRUE(buttons[1]->AllowAllUp());
    ClickAt(buttons[1]);
    EXPECT_EQ(Downs(), (std::vector{false, true, false}));
    ClickAt(buttons[1]);
    EXPECT_EQ(Downs(), (std::vector{false, false, false}));
    EXPECT_EQ(buttons[1]->State(), stActive);
    // Outside a group Down never latches.
    button->SetGroupIndex(0);
    button->SetDown(true);
    EXPECT_FALSE(button->Down());
}

TEST_F(ShineGroupTest, StandardSpeedButtonSharesTheGroup) {
    MakeGroup(false);
    auto* standard = new TSpeedButton(&host);
    standard->setGeometry(120, 10, 25, 25);
    standard->show();
    standard->SetGroupIndex(1);
    standard->SetDown(true);
    EXPECT_TRUE(standard->Down());
    ClickAt(buttons[0]);
    EXPECT_TRUE(buttons[0]->Down());
    EXPECT_FALSE(standard->Down());
    QTest::mouseClick(standard, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(standard->Down());
    EXPECT_FALSE(buttons[0]->Down());
    EXPECT_EQ(buttons[0]->State(), stUp);
    // The announcement's temporary button is gone again.
    EXPECT_EQ(host.findChildren<TSpeedButton*>().size(), 1);
}

TEST_F(ShineGroupTest, AcceleratorTogglesDownAndClicks) {
    MakeGroup(true);
    int clicks = 0;
    button->OnClick = [&](QObject*) { ++clicks; };
    button->SetCaption(QStringLiteral("&A"));
    button->SetAccelCharDown(true);
    EXPECT_TRUE(button->DialogChar(QLatin1Char('a')));
    EXPECT_TRUE(button->Down());
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(button->DialogChar(QLatin1Char('b')));

    // Through the keyboard, as Alt and the letter.
    host.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
    QTest::keyClick(&host, Qt::Key_A, Qt::AltModifier);
    EXPECT_FALSE(button->Down());
    EXPECT_EQ(clicks, 2);

    button->SetShowAccelChar(false);
    EXPECT_FALSE(button->DialogChar(QLatin1Char('A')));
    EXPECT_EQ(clicks, 2);
}

// A hidden accelerator holds no key: another control's Alt+A fires.
TEST_F(ShineBehaviourTest, HiddenAcceleratorLeavesTheLetterFree) {
    int clicks = 0, otherClicks = 0;
    button->OnClick = [&](QObject*) { ++clicks; };
    button->SetCaption(QStringLiteral("&A"));
    button->SetShowAccelChar(false);
    QPushButton other(QStringLiteral("&A"), &host);
    other.move(100, 10);
    other.show();
    QObject::connect(&other, &QPushButton::clicked, [&] { ++otherClicks; });
    host.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
    QTest::keyClick(&host, Qt::Key_A, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return otherClicks == 1; }, 2000));
    EXPECT_EQ(clicks, 0);

    other.hide();
    button->SetShowAccelChar(true); // takes the letter again
    QTest::keyClick(&host, Qt::Key_A, Qt::AltModifier);
    EXPECT_EQ(clicks, 1);
}

// An action in a list whose image list holds one 8 by 8 picture: a red
// square on a transparent background.
class ShineActionTest : public ShineBehaviourTest {
protected:
    void SetUp() override {
        ShineBehaviourTest::SetUp();
        QImage pic(8, 8, QImage::Format_ARGB32);
        pic.fill(Qt::transparent);
        QPainter(&pic).fillRect(2, 2, 4, 4, Qt::red);
        images.Add(pic);
        list.SetImages(&images);
        action.SetActionList(&list);
        action.SetCaption(QStringLiteral("開"));
        action.SetHint(QStringLiteral("開く"));
    }
    TImageList images{nullptr, 8, 8};
    TActionList list;
    TAction action;
};

TEST_F(ShineActionTest, ActionGivesCaptionHintAndPicture) {
    action.SetImageIndex(0);
    button->SetAction(&action);
    EXPECT_EQ(button->Caption(), QStringLiteral("開"));
    EXPECT_EQ(button->Hint(), QStringLiteral("開く"));
    ASSERT_EQ(button->Glyph().size(), QSize(8, 8));
    EXPECT_EQ(Pixel(button->Glyph(), 0, 7), Rgb(clFuchsia)); // the key colour
    EXPECT_EQ(Pixel(button->Glyph(), 3, 3), Rgb(clRed));

    action.SetEnabled(false);
    EXPECT_FALSE(button->isEnabled());
    action.SetEnabled(true);

    int runs = 0;
    action.OnExecute = [&](QObject* s) { runs += s == &action; };
    ClickAt(button);
    EXPECT_EQ(runs, 1);
}

TEST_F(ShineActionTest, CheckedDrivesDownOnlyInAGroup) {
    action.SetChecked(true);
    button->SetAction(&action);
    button->SetActionCheckedDown(true);
    EXPECT_FALSE(button->Down());          // GroupIndex 0 never latches
    EXPECT_TRUE(button->Glyph().isNull()); // ImageIndex -1

    button->SetGroupIndex(1);
    button->SetAllowAllUp(true);
    button->SetActionCheckedDown(false);
    button->SetActionCheckedDown(true); // the setter reads Checked
    EXPECT_TRUE(button->Down());
    action.SetChecked(false); // and every change of the action after it
    EXPECT_FALSE(button->Down());
    action.SetChecked(true);
    EXPECT_TRUE(button->Down());
}

} // namespace
