#include "DropDst.h"
#include "Application.h"
#include "SysUtils.h"

#include <QDropEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QUrl>
#include <gtest/gtest.h>
#include <memory>

namespace {

QMimeData* UrlData(const QList<QUrl>& urls) {
    auto* data = new QMimeData;
    data->setUrls(urls);
    return data;
}

QList<QUrl> LocalUrls(const QStringList& paths) {
    QList<QUrl> urls;
    for (const QString& p : paths)
        urls.append(QUrl::fromLocalFile(p));
    return urls;
}

struct TDragOutcome {
    bool Entered = false;
    bool Dropped = false;
    Qt::DropAction Action = Qt::IgnoreAction;
};

// Enter, move and drop at one point of one widget, as Qt delivers a drag.
TDragOutcome DragAndDrop(QWidget* w, QPoint at, QMimeData* data,
                         Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction) {
    std::unique_ptr<QMimeData> owned(data);
    TDragOutcome out;
    QDragEnterEvent enter(at, actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &enter);
    out.Entered = enter.isAccepted();
    QDragMoveEvent move(at, actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &move);
    QDropEvent drop(at, actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &drop);
    out.Dropped = drop.isAccepted();
    out.Action = drop.dropAction();
    return out;
}

class DropTarget : public ::testing::Test {
protected:
    void SetUp() override {
        Form.resize(400, 300);
        Edit = new QPlainTextEdit(&Form);
        Edit->setGeometry(10, 20, 200, 100);
        Drop = new TDropDst(&Form);
        Drop->SetTarget(htForm);
        Drop->Loaded();
        Drop->OnFileDrop = [this](QObject* sender, const QStringList& files, int x, int y) {
            ++Calls;
            Sender = sender;
            Files = files;
            Point = QPoint(x, y);
        };
        Application()->OnException = [this](const QString& m) { Errors.append(m); };
    }
    void TearDown() override { Application()->OnException = nullptr; }

    QWidget Form;
    QPlainTextEdit* Edit = nullptr;
    TDropDst* Drop = nullptr;
    int Calls = 0;
    QObject* Sender = nullptr;
    QStringList Files;
    QPoint Point;
    QStringList Errors;
};

TEST_F(DropTarget, HandsOverTheLocalFilesWholeAndInOrder) {
    EXPECT_TRUE(Form.acceptDrops());
    const QStringList paths = {
        QStringLiteral("/tmp/日本語 の ファイル.txt"),
        QStringLiteral("/tmp/a#b%20c%.txt"),
        "/tmp/" + QString(300, QChar(u'長')) + ".txt",
    };
    QList<QUrl> urls = LocalUrls(paths);
    urls.insert(1, QUrl(QStringLiteral("https://example.com/x.txt")));

    const TDragOutcome out = DragAndDrop(&Form, QPoint(5, 6), UrlData(urls));
    EXPECT_TRUE(out.Entered);
    EXPECT_TRUE(out.Dropped);
    EXPECT_EQ(out.Action, Qt::CopyAction) << "a move would let the source delete the file";
    EXPECT_EQ(Calls, 1);
    EXPECT_EQ(Sender, Drop);
    EXPECT_EQ(Files, paths);
    EXPECT_EQ(Point, QPoint(5, 6));
}

TEST_F(DropTarget, FileDropsOnTheEditorReachTheFormButTextDropsStayTheEditors) {
    const QStringList paths = {QStringLiteral("/tmp/one.txt"), QStringLiteral("/tmp/two.txt")};
    const TDragOutcome out = DragAndDrop(Edit->viewport(), QPoint(3, 4), UrlData(LocalUrls(paths)));
    EXPECT_TRUE(out.Dropped);
    EXPECT_EQ(Files, paths);
    EXPECT_EQ(Point, Edit->viewport()->mapTo(&Form, QPoint(3, 4)));
    EXPECT_TRUE(Edit->toPlainText().isEmpty()) << "the URL must not be typed into the editor";

    auto* text = new QMimeData;
    text->setText(QStringLiteral("moved text"));
    EXPECT_TRUE(DragAndDrop(Edit->viewport(), QPoint(3, 4), text).Dropped);
    EXPECT_EQ(Edit->toPlainText(), QStringLiteral("moved text"));
    EXPECT_EQ(Calls, 1);
}

TEST_F(DropTarget, DragsWithoutALocalFileAreRefused) {
    auto* text = new QMimeData;
    text->setText(QStringLiteral("/tmp/not-a-url.txt"));
    TDragOutcome out = DragAndDrop(&Form, QPoint(1, 1), text);
    EXPECT_FALSE(out.Entered);
    EXPECT_FALSE(out.Dropped);

    out = DragAndDrop(&Form, QPoint(1, 1), UrlData({QUrl(QStringLiteral("https://example.com/"))}));
    EXPECT_FALSE(out.Entered);
    EXPECT_FALSE(out.Dropped);

    // A source that can only move the file is refused rather than robbed.
    out = DragAndDrop(&Form, QPoint(1, 1), UrlData(LocalUrls({"/tmp/x"})), Qt::MoveAction);
    EXPECT_FALSE(out.Dropped);
    EXPECT_EQ(Calls, 0);
}

TEST_F(DropTarget, WithoutAHandlerTheDropIsAcceptedSilently) {
    Drop->OnFileDrop = nullptr;
    EXPECT_TRUE(DragAndDrop(&Form, QPoint(1, 1), UrlData(LocalUrls({"/tmp/x"}))).Dropped);
    EXPECT_TRUE(Errors.isEmpty());
}

TEST_F(DropTarget, AThrowingHandlerIsReportedAndTheNextDropWorks) {
    auto record = Drop->OnFileDrop;
    Drop->OnFileDrop = [&](QObject*, const QStringList&, int, int) {
        Drop->OnFileDrop = record;
        throw Exception(QStringLiteral("読めません"));
    };
    EXPECT_TRUE(DragAndDrop(&Form, QPoint(1, 1), UrlData(LocalUrls({"/tmp/x"}))).Dropped);
    EXPECT_EQ(Errors, QStringList{QStringLiteral("読めません")});

    EXPECT_TRUE(DragAndDrop(&Form, QPoint(2, 2), UrlData(LocalUrls({"/tmp/y"}))).Dropped);
    EXPECT_EQ(Calls, 1);
    EXPECT_EQ(Files, QStringList{"/tmp/y"});
}

TEST_F(DropTarget, AcceptDropWithdrawsAndRestoresTheWindow) {
    Drop->SetAcceptDrop(false);
    EXPECT_FALSE(Form.acceptDrops());
    const TDragOutcome out = DragAndDrop(&Form, QPoint(1, 1), UrlData(LocalUrls({"/tmp/x"})));
    EXPECT_FALSE(out.Dropped);
    DragAndDrop(Edit->viewport(), QPoint(1, 1), UrlData(LocalUrls({"/tmp/x"})));
    EXPECT_EQ(Calls, 0);

    Drop->SetAcceptDrop(true);
    EXPECT_TRUE(Form.acceptDrops());
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

    Form.show();
    Form.setWindowFlags(Qt::Tool); // drops the native window
    Form.setAcceptDrops(false);
    Form.show();
    EXPECT_TRUE(Form.acceptDrops());
    EXPECT_TRUE(DragAndDrop(&Form, QPoint(1, 1), UrlData(LocalUrls({"/tmp/x"}))).Dropped);
    EXPECT_EQ(Calls, 1);
}

} // namespace
