// The standard speed button, and the group announcement that speed buttons
// sharing a parent and a GroupIndex use to keep one of them down.
#pragma once

#include <QEvent>
#include <QString>
#include <QWidget>
#include <functional>

class TSpeedButton;

// Sent synchronously to every child of a parent when a grouped button
// changes: "this is the state of group GroupIndex's sender".
class TButtonPressedEvent : public QEvent {
public:
    TButtonPressedEvent(int groupIndex, TSpeedButton* sender)
        : QEvent(EventType()), GroupIndex(groupIndex), Sender(sender) {}
    static QEvent::Type EventType();

    const int GroupIndex;
    TSpeedButton* const Sender;
};

// Delivers the announcement to every child widget of parent, in order.
void BroadcastButtonPressed(QWidget* parent, int groupIndex, TSpeedButton* sender);

class TSpeedButton : public QWidget {
    Q_OBJECT
public:
    explicit TSpeedButton(QWidget* parent = nullptr);

    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int v);
    bool AllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool v);
    // Latches only inside a group; a Down button of a group without
    // AllowAllUp goes up only when another one goes down.
    bool Down() const { return FDown; }
    void SetDown(bool v);
    QString Caption() const { return FCaption; }
    void SetCaption(const QString& v);

    virtual void Click();
    std::function<void(QObject* sender)> OnClick;

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    void UpdateExclusive();
    void ButtonPressed(const TButtonPressedEvent& e);

    int FGroupIndex = 0;
    bool FAllowAllUp = false;
    bool FDown = false;
    bool FPressed = false;
    QString FCaption;
};
