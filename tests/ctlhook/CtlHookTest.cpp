#include "CtlHook.h"
#include "SysUtils.h"

#include <QCoreApplication>
#include <QEvent>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

const auto kProbe = static_cast<QEvent::Type>(QEvent::User + 1);

// Counts the probe events it handles itself.
class TCountingWidget : public QWidget {
public:
    using QWidget::create;
    using QWidget::destroy;
    using QWidget::QWidget;
    int Seen = 0;

protected:
    bool event(QEvent* e) override {
        if (e->type() == kProbe)
            ++Seen;
        return QWidget::event(e);
    }
};

class TProbeHook : public TControlHook {
public:
    using TControlHook::GetTargetControl;
    using TControlHook::SetHooked;
    using TControlHook::TControlHook;
    int Seen = 0;
    std::vector<int> Reasons;

protected:
    bool WndProc(QEvent* e) override {
        if (e->type() == kProbe)
            ++Seen;
        return TControlHook::WndProc(e);
    }
    void HandleChanged(std::uint8_t reason) override {
        Reasons.push_back(reason);
        TControlHook::HandleChanged(reason);
    }
};

void SendProbe(QWidget* w) {
    QEvent e(kProbe);
    QCoreApplication::sendEvent(w, &e);
}

TEST(ControlHook, RehookingDeliversEachEventOnceAndKeepsTheControlsOwnHandling) {
    TCountingWidget form;
    auto* edit = new TCountingWidget(&form);
    auto* hook = new TProbeHook(&form);
    hook->SetControl(edit);
    hook->SetControl(edit);
    hook->SetTarget(htControl);
    hook->Loaded();
    hook->SetHooked(true);
    EXPECT_EQ(hook->HookedControl(), edit);
    EXPECT_EQ(hook->Handle(), edit->internalWinId());

    SendProbe(edit);
    EXPECT_EQ(hook->Seen, 1);
    EXPECT_EQ(edit->Seen, 1);

    hook->SetHooked(false);
    SendProbe(edit);
    EXPECT_EQ(hook->Seen, 1);
    EXPECT_EQ(hook->Handle(), 0u);

    hook->SetHooked(true);
    delete hook;
    SendProbe(edit);
    EXPECT_EQ(edit->Seen, 3);
}

TEST(ControlHook, FormTargetHooksTheFormOfTheControlOrOfTheOwner) {
    TCountingWidget form;
    auto* panel = new QWidget(&form);
    auto* edit = new TCountingWidget(panel);
    auto* holder = new QObject(&form); // a non-visual owner between hook and form
    TProbeHook hook(holder);
    ASSERT_EQ(form.internalWinId(), 0u);

    hook.SetTarget(htForm);
    EXPECT_EQ(hook.HookedControl(), &form);
    EXPECT_NE(form.internalWinId(), 0u) << "hooking creates the form's window";

    hook.SetControl(edit);
    EXPECT_EQ(hook.HookedControl(), &form);
    EXPECT_EQ(panel->internalWinId(), 0u);
    SendProbe(&form);
    SendProbe(edit);
    EXPECT_EQ(hook.Seen, 1);

    EXPECT_EQ(TControlHook::FindParentForm(nullptr), nullptr);
    EXPECT_EQ(TControlHook::FindParentForm(holder), &form);
    EXPECT_EQ(TControlHook::FindParentForm(&form), &form);
}

TEST(ControlHook, FormTargetWithoutAFormRaisesAndControlTargetStaysQuiet) {
    QObject owner;
    TProbeHook hook(&owner);
    EXPECT_NO_THROW(hook.SetTarget(htControl));
    EXPECT_EQ(hook.HookedControl(), nullptr);
    try {
        hook.SetTarget(htForm);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("フック先を特定できません。"));
    }
    EXPECT_EQ(hook.HookedControl(), nullptr);
    EXPECT_THROW(hook.Loaded(), Exception);
}

TEST(ControlHook, DesignStateHooksNothing) {
    QWidget form;
    TProbeHook hook(&form);
    hook.SetDesigning(true);
    hook.SetTarget(htForm);
    EXPECT_EQ(hook.HookedControl(), nullptr);
    EXPECT_EQ(form.internalWinId(), 0u);
}

TEST(ControlHook, FollowsDestructionAndRecreationOfTheWindow) {
    TCountingWidget control;
    TProbeHook hook(nullptr);
    hook.SetControl(&control);
    ASSERT_NE(hook.Handle(), 0u);

    control.destroy();
    EXPECT_EQ(hook.Reasons, std::vector<int>{1});
    EXPECT_EQ(hook.Handle(), 0u);
    SendProbe(&control);

    // The new id is taken at the first event after creation that finds it.
    control.create();
    SendProbe(&control);
    EXPECT_EQ(hook.Reasons, (std::vector<int>{1, 2}));
    EXPECT_EQ(hook.Handle(), control.internalWinId());
    EXPECT_EQ(hook.Seen, 2);

    // A change of window flags drops the native window without a surface event.
    control.show();
    control.setWindowFlags(Qt::Tool);
    EXPECT_EQ(hook.Handle(), 0u);
    control.show();
    EXPECT_EQ(hook.Reasons, (std::vector<int>{1, 2, 1, 2}));
    EXPECT_EQ(hook.Handle(), control.internalWinId());
}

TEST(ControlHook, SurvivesDestructionInEitherOrder) {
    {
        auto* control = new TCountingWidget;
        TProbeHook hook(nullptr);
        hook.SetControl(control);
        delete control;
        EXPECT_EQ(hook.HookedControl(), nullptr);
        EXPECT_EQ(hook.Control(), nullptr);
        EXPECT_EQ(hook.Handle(), 0u);
        EXPECT_EQ(hook.Reasons.back(), 1);
        hook.SetHooked(false);
    }
    {
        TCountingWidget control;
        auto* hook = new TProbeHook(nullptr);
        hook->SetControl(&control);
        delete hook;
        SendProbe(&control);
        EXPECT_EQ(control.Seen, 1);
    }
}

TEST(ControlHook, ForgetsADestroyedControlThatWasNotTheHookedOne) {
    QWidget form;
    auto* edit = new QWidget(&form);
    TProbeHook hook(&form);
    hook.SetTarget(htForm);
    hook.SetControl(edit);
    delete edit;
    EXPECT_EQ(hook.Control(), nullptr);
    EXPECT_EQ(hook.HookedControl(), &form);
    hook.Loaded(); // falls back to the owner's form
    EXPECT_EQ(hook.HookedControl(), &form);
}

} // namespace
