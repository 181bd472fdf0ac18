#include "DropDst.h"
#include "Application.h"
#include "SysUtils.h"

#include <QDropEvent>
#include <QFrame>
#include <QMainWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTest>
#include <QUrl>
#include <QWindow>
#include <gtest/gtest.h>
#include <memory>

namespace {

QMimeData* UrlData(const QList<QUrl>& urls) {
    auto* data = new QMimeData;
    data->setUrls(urls);
    return data;
}

QMimeData* FileData(const QStringList& paths) {
    QList<QUrl> urls;
    for (const QString& p : paths)
        urls.append(QUrl::fromLocalFile(p));
    return UrlData(urls);
}

QMimeData* TextData(const QString& text) {
    auto* data = new QMimeData;
    data->setText(text);
    return data;
}

struct TDragOutcome {
    bool Entered = false;
    bool Dropped = false;
    Qt::DropAction Action = Qt::IgnoreAction;
};

// A drag as the window system hands it to a top-level window: it enters at
// the first point, moves along the others and drops at the last. The window
// itself finds the innermost widget there that takes drops, as in a real
// drag; the action a widget accepted on entering is proposed on every move.
TDragOutcome DragOnto(QWidget* window, QList<QPoint> path, QMimeData* data,
                      Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction) {
    std::unique_ptr<QMimeData> owned(data);
    QWindow* handle = window->windowHandle();
    TDragOutcome out;
    if (!handle) {
        ADD_FAILURE() << "the window is not shown";
        return out;
    }
    QDragEnterEvent enter(path.first(), actions, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(handle, &enter);
    out.Entered = enter.isAccepted() && enter.dropAction() != Qt::IgnoreAction;
    Qt::DropAction accepted = out.Entered ? enter.dropAction() : Qt::IgnoreAction;
    for (const QPoint& at : path) {
        QDragMoveEvent move(at, actions, data, Qt::LeftButton, Qt::NoModifier);
        if (accepted != Qt::IgnoreAction && (actions & accepted)) {
            move.setDropAction(accepted);
            move.accept();
        }
        QCoreApplication::sendEvent(handle, &move);
        accepted = move.isAccepted() ? move.dropAction() : Qt::IgnoreAction;
    }
    if (accepted == Qt::IgnoreAction) { // the platform never drops where refused
        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(handle, &leave);
        return out;
    }
    QDropEvent drop(path.last(), actions, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(handle, &drop);
    out.Dropped = drop.isAccepted();
    out.Action = drop.dropAction();
    return out;
}

// The point of a widget in its window's coordinates.
QPoint InWindow(const QWidget* w, QPoint at) {
    return w->mapTo(w->window(), at);
}

// One OnFileDrop handler's record of its calls.
struct TDropLog {
    int Calls = 0;
    QObject* Sender = nullptr;
    QStringList Files;
    QPoint Point;

    TFileDropEvent Handler() {
        return [this](QObject* sender, const QStringList& files, int x, int y) {
            ++Calls;
            Sender = sender;
            Files = files;
            Point = QPoint(x, y);
        };
    }
};

class DropTarget : public ::testing::Test {
protected:
    void SetUp() override {
        Form.resize(400, 300);
        Edit = new QPlainTextEdit(&Form);
        Edit->setGeometry(10, 20, 200, 100);
        Drop = new TDropDst(&Form);
        Drop->SetTarget(htForm);
        Drop->Loaded();
        Drop->OnFileDrop = Log.Handler();
        Application()->OnException = [this](const QString& m) { Errors.append(m); };
        Form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&Form));
    }
    void TearDown() override { Application()->OnException = nullptr; }

    // A point of the editor's text area, in the form.
    QPoint OnEditor() const { return InWindow(Edit->viewport(), QPoint(3, 4)); }

    QWidget Form;
    QPlainTextEdit* Edit = nullptr;
    TDropDst* Drop = nullptr;
    TDropLog Log;
    QStringList Errors;
};

TEST_F(DropTarget, HandsOverTheLocalFilesWholeAndInOrder) {
    EXPECT_TRUE(Form.acceptDrops());
    const QStringList paths = {
        QStringLiteral("/tmp/日本語 の ファイル.txt"),
        QStringLiteral("/tmp/a#b%20c%.txt"),
        "/tmp/" + QString(300, QChar(u'長')) + ".txt",
    };
    QList<QUrl> urls;
    for (const QString& p : paths)
        urls.append(QUrl::fromLocalFile(p));
    urls.insert(1, QUrl(QStringLiteral("https://example.com/x.txt")));

    const TDragOutcome out = DragOnto(&Form, {{300, 250}, {305, 260}}, UrlData(urls));
    EXPECT_TRUE(out.Entered);
    EXPECT_TRUE(out.Dropped);
    EXPECT_EQ(out.Action, Qt::CopyAction) << "a move would let the source delete the file";
    EXPECT_EQ(Log.Calls, 1);
    EXPECT_EQ(Log.Sender, Drop);
    EXPECT_EQ(Log.Files, paths);
    EXPECT_EQ(Log.Point, QPoint(305, 260));
}

TEST_F(DropTarget, FileDropsOnTheEditorReachTheFormButTextDropsStayTheEditors) {
    const QStringList paths = {QStringLiteral("/tmp/one.txt"), QStringLiteral("/tmp/two.txt")};
    const TDragOutcome out = DragOnto(&Form, {OnEditor()}, FileData(paths));
    EXPECT_TRUE(out.Dropped);
    EXPECT_EQ(out.Action, Qt::CopyAction);
    EXPECT_EQ(Log.Files, paths);
    EXPECT_EQ(Log.Point, OnEditor());
    EXPECT_TRUE(Edit->toPlainText().isEmpty()) << "the URL must not be typed into the editor";

    EXPECT_TRUE(DragOnto(&Form, {OnEditor()}, TextData(QStringLiteral("moved text"))).Dropped);
    EXPECT_EQ(Edit->toPlainText(), QStringLiteral("moved text"));
    EXPECT_EQ(Log.Calls, 1);
}

TEST_F(DropTarget, DragsWithoutALocalFileOrWithoutACopyAreRefused) {
    TDragOutcome out = DragOnto(&Form, {{300, 250}}, TextData(QStringLiteral("/tmp/x.txt")));
    EXPECT_FALSE(out.Entered);
    EXPECT_FALSE(out.Dropped);

    out = DragOnto(&Form, {{300, 250}}, UrlData({QUrl(QStringLiteral("https://example.com/"))}));
    EXPECT_FALSE(out.Entered);
    EXPECT_FALSE(out.Dropped);

    // A file of another host is not local: refused, and over the editor it
    // is not typed in as text either.
    const QUrl remote(QStringLiteral("file://otherhost/tmp/x.txt"));
    for (const QPoint at : {QPoint(300, 250), OnEditor()}) {
        out = DragOnto(&Form, {at}, UrlData({remote}));
        EXPECT_FALSE(out.Dropped);
    }

    // A source that can only move the file is refused rather than robbed,
    // over the editor as well.
    for (const QPoint at : {QPoint(300, 250), OnEditor()}) {
        out = DragOnto(&Form, {at}, FileData({"/tmp/x"}), Qt::MoveAction);
        EXPECT_FALSE(out.Entered);
        EXPECT_FALSE(out.Dropped);
    }
    EXPECT_EQ(Log.Calls, 0);
    EXPECT_TRUE(Edit->toPlainText().isEmpty());
}

TEST_F(DropTarget, WithoutAHandlerTheDropIsAcceptedSilently) {
    Drop->OnFileDrop = nullptr;
    EXPECT_TRUE(DragOnto(&Form, {{300, 250}}, FileData({"/tmp/x"})).Dropped);
    EXPECT_TRUE(Errors.isEmpty());
}

TEST_F(DropTarget, AThrowingHandlerIsReportedAndTheNextDropWorks) {
    const TFileDropEvent record = Drop->OnFileDrop;
    Drop->OnFileDrop = [&](QObject*, const QStringList&, int, int) {
        Drop->OnFileDrop = record;
        throw Exception(QStringLiteral("読めません"));
    };
    EXPECT_TRUE(DragOnto(&Form, {OnEditor()}, FileData({"/tmp/x"})).Dropped);
    EXPECT_EQ(Errors, QStringList{QStringLiteral("読めません")});

    EXPECT_TRUE(DragOnto(&Form, {OnEditor()}, FileData({"/tmp/y"})).Dropped);
    EXPECT_EQ(Log.Calls, 1);
    EXPECT_EQ(Log.Files, QStringList{"/tmp/y"});
    EXPECT_TRUE(Edit->toPlainText().isEmpty());
}

TEST_F(DropTarget, WithAcceptDropOffFileDragsAreRefusedEverywhereButTextStillMoves) {
    Drop->SetAcceptDrop(false);
    EXPECT_FALSE(Form.acceptDrops());
    for (const QPoint at : {QPoint(300, 250), OnEditor()}) {
        const TDragOutcome out = DragOnto(&Form, {at}, FileData({"/tmp/x"}));
        EXPECT_FALSE(out.Entered);
        EXPECT_FALSE(out.Dropped);
    }
    EXPECT_TRUE(Edit->toPlainText().isEmpty()) << "the editor took the file as text";
    EXPECT_EQ(Log.Calls, 0);
    EXPECT_TRUE(DragOnto(&Form, {OnEditor()}, TextData(QStringLiteral("text"))).Dropped);
    EXPECT_EQ(Edit->toPlainText(), QStringLiteral("text"));

    Drop->SetAcceptDrop(true);
    EXPECT_TRUE(Form.acceptDrops());
    EXPECT_TRUE(DragOnto(&Form, {OnEditor()}, FileData({"/tmp/x"})).Dropped);
    EXPECT_EQ(Log.Calls, 1);
    Form.setAcceptDrops(false);
    Drop->SetAcceptDrop(true); // unchanged: registers nothing
    EXPECT_FALSE(Form.acceptDrops());
}

TEST_F(DropTarget, RegistersOnlyWhenLoadedAndAgainAfterWindowRecreation) {
    QWidget other;
    TDropDst late(&other);
    late.SetTarget(htForm);
    EXPECT_FALSE(other.acceptDrops());
    late.Loaded();
    EXPECT_TRUE(other.acceptDrops());

    Form.setWindowFlags(Qt::Tool); // drops the native window
    Form.setAcceptDrops(false);
    Form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Form));
    EXPECT_TRUE(Form.acceptDrops());
    EXPECT_TRUE(DragOnto(&Form, {{300, 250}}, FileData({"/tmp/x"})).Dropped);
    EXPECT_EQ(Log.Calls, 1);
}

// A panel with a drop target of its own, and an editor on it.
class NestedDropTargets : public DropTarget {
protected:
    void AddPanel() {
        Panel = new QFrame(&Form);
        Panel->setGeometry(220, 20, 170, 200);
        PanelEdit = new QPlainTextEdit(Panel);
        PanelEdit->setGeometry(10, 10, 150, 100);
        Panel->show();
        PanelDrop = new TDropDst(&Form);
        PanelDrop->SetControl(Panel);
        PanelDrop->Loaded();
        PanelDrop->OnFileDrop = PanelLog.Handler();
    }
    QPoint OnPanelEdit() const { return InWindow(PanelEdit->viewport(), QPoint(5, 6)); }
    QPoint OnPanel() const { return InWindow(Panel, QPoint(20, 150)); }

    QFrame* Panel = nullptr;
    QPlainTextEdit* PanelEdit = nullptr;
    TDropDst* PanelDrop = nullptr;
    TDropLog PanelLog;
};

TEST_F(NestedDropTargets, TheInnermostRegisteredTargetTakesTheDrop) {
    // Both orders of creation: the outer target made before and after.
    for (bool outerFirst : {true, false}) {
        SCOPED_TRACE(outerFirst ? "outer target made first" : "outer target made last");
        Log = {};
        PanelLog = {};
        AddPanel();
        if (!outerFirst) {
            delete Drop;
            Drop = new TDropDst(&Form);
            Drop->SetTarget(htForm);
            Drop->Loaded();
            Drop->OnFileDrop = Log.Handler();
        }
        for (const QPoint at : {OnPanelEdit(), OnPanel()}) {
            EXPECT_TRUE(DragOnto(&Form, {OnEditor(), at}, FileData({"/tmp/inner"})).Dropped);
            EXPECT_EQ(PanelLog.Point, Panel->mapFrom(&Form, at)) << "in the panel's own area";
        }
        EXPECT_EQ(PanelLog.Calls, 2);
        EXPECT_EQ(PanelLog.Sender, PanelDrop);
        EXPECT_EQ(Log.Calls, 0);

        EXPECT_TRUE(DragOnto(&Form, {OnPanelEdit(), OnEditor()}, FileData({"/tmp/outer"})).Dropped);
        EXPECT_EQ(Log.Calls, 1);
        EXPECT_EQ(Log.Files, QStringList{"/tmp/outer"});
        EXPECT_EQ(PanelLog.Calls, 2);
        EXPECT_TRUE(Edit->toPlainText().isEmpty());
        EXPECT_TRUE(PanelEdit->toPlainText().isEmpty());
        delete Panel;
        delete PanelDrop;
    }
}

TEST_F(NestedDropTargets, AnUnregisteredTargetPassesDropsOutwardsOrRefusesThem) {
    AddPanel();
    PanelDrop->SetAcceptDrop(false);
    EXPECT_TRUE(DragOnto(&Form, {OnPanelEdit()}, FileData({"/tmp/a"})).Dropped);
    EXPECT_EQ(Log.Calls, 1);
    EXPECT_EQ(Log.Point, OnPanelEdit()) << "in the form's client area";
    EXPECT_EQ(PanelLog.Calls, 0);

    Drop->SetAcceptDrop(false);
    for (const QPoint at : {OnPanelEdit(), OnPanel(), OnEditor()})
        EXPECT_FALSE(DragOnto(&Form, {at}, FileData({"/tmp/b"})).Entered);
    EXPECT_EQ(Log.Calls + PanelLog.Calls, 1);
    EXPECT_TRUE(PanelEdit->toPlainText().isEmpty());

    PanelDrop->SetAcceptDrop(true);
    EXPECT_TRUE(DragOnto(&Form, {OnPanelEdit()}, FileData({"/tmp/c"})).Dropped);
    EXPECT_EQ(PanelLog.Calls, 1);
    EXPECT_FALSE(DragOnto(&Form, {OnEditor()}, FileData({"/tmp/d"})).Entered);
}

TEST(DropTargetOnMainWindow, TheDropPointIsInTheAreaBelowTheMenuBar) {
    QMainWindow window;
    window.menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    auto* edit = new QPlainTextEdit;
    window.setCentralWidget(edit);
    window.resize(400, 300);
    TDropDst drop(&window);
    drop.SetTarget(htForm);
    drop.Loaded();
    TDropLog log;
    drop.OnFileDrop = log.Handler();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const int menuHeight = window.menuBar()->height();
    ASSERT_GT(menuHeight, 0);

    const QPoint at = InWindow(edit->viewport(), QPoint(7, 9));
    EXPECT_TRUE(DragOnto(&window, {at}, FileData({"/tmp/x"})).Dropped);
    EXPECT_EQ(log.Point, QPoint(at.x(), at.y() - menuHeight));
    EXPECT_TRUE(edit->toPlainText().isEmpty());
}

} // namespace
