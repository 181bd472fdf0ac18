#include "ShineSpdBtn.h"

#include "ActnList.h"
#include "Buttons.h"
#include "ImgList.h"

#include <QPainter>
#include <memory>

// Down, exclusive groups shared with the standard speed buttons, and the
// link to an action.

// ---------------------------------------------------------------------------
// Down and groups

void TShineSpeedButton::SetDown(bool v) {
    if (v == FDown || FGroupIndex == 0)
        return;
    if (FAllowAllUp)
        FDown = v;
    else if (!FDown)
        FDown = true;
    else
        return;
    UpdateExclusive(FGroupIndex);
    SetState(FDown ? stDown : stUp);
    Repaint();
}

void TShineSpeedButton::SetGroupIndex(int v) {
    if (v != FGroupIndex)
        UpdateExclusive(v);
}

void TShineSpeedButton::SetAllowAllUp(bool v) {
    if (v == FAllowAllUp)
        return;
    FAllowAllUp = v;
    UpdateExclusive(FGroupIndex);
}

// Tells the parent's other buttons of the group this button's state through
// a short-lived standard speed button, so standard and shine buttons share
// one group.
void TShineSpeedButton::UpdateExclusive(int index) {
    FGroupIndex = index;
    QWidget* parent = parentWidget();
    if (index == 0 || !parent)
        return;
    const std::unique_ptr<TSpeedButton> proxy(new TSpeedButton(parent));
    FGroupProxy = proxy.get();
    struct Clear {
        TSpeedButton*& Proxy;
        ~Clear() { Proxy = nullptr; }
    } clear{FGroupProxy};
    proxy->SetGroupIndex(FGroupIndex);
    proxy->SetAllowAllUp(FAllowAllUp);
    proxy->SetDown(FDown);
    BroadcastButtonPressed(parent, FGroupIndex, proxy.get());
}

void TShineSpeedButton::GroupNotice(const TButtonPressedEvent& e) {
    if (e.GroupIndex != FGroupIndex || !e.Sender || e.Sender == FGroupProxy)
        return;
    if (e.Sender->Down() && FDown) {
        FDown = false;
        SetState(stUp);
        Invalidate();
    }
    FAllowAllUp = e.Sender->AllowAllUp();
}

// ---------------------------------------------------------------------------
// Actions

void TShineSpeedButton::SetAction(TBasicAction* action) {
    if (FAction == action)
        return;
    if (FAction)
        disconnect(FAction, nullptr, this, nullptr);
    FAction = action;
    if (!action)
        return;
    connect(action, &TBasicAction::Changed, this, [this] {
        if (FAction)
            ActionChange(FAction, false);
    });
    ActionChange(action, false);
}

void TShineSpeedButton::SetActionCheckedDown(bool v) {
    if (v == FActionCheckedDown)
        return;
    FActionCheckedDown = v;
    const auto* action = qobject_cast<TCustomAction*>(FAction.data());
    if (v && action && action->ActionList())
        SetDown(action->Checked());
}

// Caption, hint, enabled and visible follow the action (with checkDefaults,
// only where the button still has its own default); then the action's
// picture fills an empty Glyph and Checked drives Down.
void TShineSpeedButton::ActionChange(QObject* sender, bool checkDefaults) {
    auto* action = qobject_cast<TCustomAction*>(sender);
    if (!action)
        return;
    if (!checkDefaults || FCaption.isEmpty())
        SetCaption(action->Caption());
    if (!checkDefaults || isEnabled())
        SetEnabled(action->Enabled());
    if (!checkDefaults || Hint().isEmpty())
        SetHint(action->Hint());
    // Without a parent a visible widget would become a window of its own.
    if (parentWidget() && (!checkDefaults || isVisibleTo(parentWidget())))
        setVisible(action->Visible());

    TActionList* list = action->ActionList();
    const TCustomImageList* images = list ? list->Images() : nullptr;
    if (FGlyph.isNull() && images && action->ImageIndex() >= 0 &&
        action->ImageIndex() < images->Count())
        CopyActionImage(*images, action->ImageIndex());
    if (FActionCheckedDown && list)
        SetDown(action->Checked());
}

// The picture over a fuchsia background, which becomes the key colour when
// the bottom-left pixel shows background.
void TShineSpeedButton::CopyActionImage(const TCustomImageList& images, int index) {
    QImage glyph(images.Width(), images.Height(), QImage::Format_RGB32);
    glyph.fill(ToQColor(clFuchsia));
    {
        QPainter canvas(&glyph);
        images.Draw(canvas, 0, 0, index, true);
    }
    FGlyph = glyph;
    GlyphChanged();
}
