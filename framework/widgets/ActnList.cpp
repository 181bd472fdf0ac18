#include "ActnList.h"

#include <algorithm>

bool TBasicAction::Execute() {
    if (!OnExecute)
        return false;
    OnExecute(this);
    return true;
}

TContainedAction::~TContainedAction() {
    if (FActionList)
        FActionList->Remove(this);
}

void TContainedAction::SetActionList(TActionList* list) {
    if (FActionList == list)
        return;
    if (FActionList)
        FActionList->Remove(this);
    FActionList = list;
    if (list)
        list->Insert(this);
    emit Changed();
}

TActionList::~TActionList() {
    // The actions outlive the list only when someone else owns them.
    const std::vector<TContainedAction*> actions = FActions;
    for (TContainedAction* a : actions)
        a->SetActionList(nullptr);
}

void TActionList::SetImages(TCustomImageList* images) {
    if (FImages == images)
        return;
    FImages = images;
    for (TContainedAction* a : FActions)
        emit a->Changed();
}

void TActionList::Insert(TContainedAction* action) {
    FActions.push_back(action);
}

void TActionList::Remove(TContainedAction* action) {
    FActions.erase(std::remove(FActions.begin(), FActions.end(), action), FActions.end());
}
