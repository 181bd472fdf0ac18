// Actions: named commands with a caption, a check mark and a picture that
// controls follow, gathered in action lists that share an image list.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <vector>

#include "ImgList.h"

class TActionList;

// A command that runs OnExecute; linked controls follow its changes.
class TBasicAction : public QObject {
    Q_OBJECT
public:
    explicit TBasicAction(QObject* owner = nullptr) : QObject(owner) {}

    // Runs OnExecute with this action as sender; false when none is set.
    virtual bool Execute();

    std::function<void(QObject* sender)> OnExecute;

signals:
    // Raised after any property change; linked controls re-read the action.
    void Changed();
};

// An action that may belong to an action list.
class TContainedAction : public TBasicAction {
    Q_OBJECT
public:
    using TBasicAction::TBasicAction;
    ~TContainedAction() override;

    TActionList* ActionList() const { return FActionList; }
    // Moves the action into list (or out of any list with null).
    void SetActionList(TActionList* list);

private:
    QPointer<TActionList> FActionList;
};

class TCustomAction : public TContainedAction {
    Q_OBJECT
public:
    using TContainedAction::TContainedAction;

    QString Caption() const { return FCaption; }
    void SetCaption(const QString& v) { Store(FCaption, v); }
    bool Checked() const { return FChecked; }
    void SetChecked(bool v) { Store(FChecked, v); }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool v) { Store(FEnabled, v); }
    QString Hint() const { return FHint; }
    void SetHint(const QString& v) { Store(FHint, v); }
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int v) { Store(FImageIndex, v); }
    bool Visible() const { return FVisible; }
    void SetVisible(bool v) { Store(FVisible, v); }

private:
    template <typename T> void Store(T& field, const T& value) {
        if (field == value)
            return;
        field = value;
        emit Changed();
    }

    QString FCaption;
    bool FChecked = false;
    bool FEnabled = true;
    QString FHint;
    int FImageIndex = -1;
    bool FVisible = true;
};

class TAction : public TCustomAction {
    Q_OBJECT
public:
    using TCustomAction::TCustomAction;
};

// Holds actions and the image list their ImageIndex refers to.
class TActionList : public QObject {
    Q_OBJECT
public:
    explicit TActionList(QObject* owner = nullptr) : QObject(owner) {}
    ~TActionList() override;

    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* images);

    int ActionCount() const { return int(FActions.size()); }
    TContainedAction* Action(int index) const { return FActions.at(size_t(index)); }

private:
    friend class TContainedAction;
    void Insert(TContainedAction* action);
    void Remove(TContainedAction* action);

    QPointer<TCustomImageList> FImages;
    std::vector<TContainedAction*> FActions;
};
