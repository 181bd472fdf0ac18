#include "AppFixture.h"
#include "ShineSpdBtn.h"

#include <QAction>
#include <QCheckBox>
#include <QEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTest>

TEST_F(AppTest, StartsWithEmptyEditorDefaultsAndBanner) {
    EXPECT_EQ(Form->windowTitle(), "Vexla");
    EXPECT_EQ(Form->RichEdit1->Lines().Count(), 0);
    EXPECT_FALSE(Form->RichEdit1->Modified());
    EXPECT_EQ(Form->CurFileName(), "");
    EXPECT_EQ(Form->StatusBar1->currentMessage(), "Vexla ver1.04");
    EXPECT_EQ(Form->Edit1->text(), "Tips");
    EXPECT_EQ(Form->Edit8->text(), "Tips");
    EXPECT_EQ(Form->Edit3->text(), "700");
    EXPECT_EQ(Form->Edit4->text(), "800");
    EXPECT_EQ(Form->Edit5->text(), "3");
    EXPECT_EQ(Form->Edit6->text(), "index");
    EXPECT_EQ(Form->Edit7->text(), "Back");
    EXPECT_FALSE(Form->CheckBox1->isChecked());
    EXPECT_TRUE(Form->CheckBox2->isChecked());
    EXPECT_EQ(Unit1::Page.LinkExt, "htm");
}

TEST_F(AppTest, MenuTreeHasTheExactCaptions) {
    QStringList tree;
    for (QAction* top : Form->menuBar()->actions()) {
        tree << top->menu()->objectName() + "=" + top->text();
        for (QAction* a : top->menu()->actions())
            tree << "  " + a->objectName() + "=" + (a->isSeparator() ? "-" : a->text());
    }
    const QStringList expected = {"file1=ファイル(&F)",
                                  "  new1=新規(&N)",
                                  "  open1=開く(&O)",
                                  "  save1=保存(&S)",
                                  "  reopen1Item=エンコードを指定して開き直す(&R)",
                                  "  N1=-",
                                  "  Exit1=終了(&X)",
                                  "  N5=-",
                                  "  preview1=ページのプレビュー(&V)",
                                  "  recent1Item=最近使ったファイル(&R)",
                                  "editm=編集(&E)",
                                  "  mUndo=やり直す(&U)",
                                  "  N2=-",
                                  "  mCut1=切り取り(&T)",
                                  "  mCopy1=コピー(&C)",
                                  "  mPaste1=貼り付け(&P)",
                                  "  mSelctAll1=すべて選択(&A)",
                                  "  N3=-",
                                  "  tikan1=HTML変換(&H)",
                                  "  N4=-",
                                  "  haikei1=背景色(&B)",
                                  "  mojiiro1=文字色(&F)",
                                  "  sen1=線の色(&L)",
                                  "  dai1=題名色(&D)",
                                  "  mingo1=明朝-ゴシック(&M)",
                                  "  moto1=元(&G)",
                                  "  N6=-",
                                  "  utf8Page1=UTF-8 のページ(&8)",
                                  "  escapeText1=本文の < > && を文字のまま表示(&K)",
                                  "help1=情報(&H)",
                                  "  version1=Version(&A)"};
    EXPECT_EQ(tree, expected);
    EXPECT_EQ(MenuItem("Exit1")->statusTip(), "exit1");
    for (QAction* a : Form->menuBar()->findChildren<QAction*>())
        EXPECT_TRUE(a->shortcut().isEmpty());
}

TEST_F(AppTest, ToolbarButtonsSitWhereTheLayoutPutsThem) {
    struct Expect {
        TShineSpeedButton* b;
        QRect r;
        const char *caption, *hint;
    } buttons[] = {
        {Form->ShineSpeedButton11, {5, 16, 24, 25}, "新", "新規"},
        {Form->ShineSpeedButton1, {29, 16, 25, 25}, "開", "開く"},
        {Form->ShineSpeedButton2, {53, 16, 25, 25}, "保", "保存"},
        {Form->ShineSpeedButton3, {79, 16, 25, 25}, "換", "Html変換"},
        {Form->ShineSpeedButton4, {107, 16, 25, 25}, "背", "背景色"},
        {Form->ShineSpeedButton5, {132, 16, 25, 25}, "文", "文字色"},
        {Form->ShineSpeedButton6, {156, 16, 25, 25}, "線", "線の色"},
        {Form->ShineSpeedButton7, {183, 16, 25, 25}, "題", "題名色"},
        {Form->ShineSpeedButton9, {579, 18, 25, 25}, "明", "ゴシックor明朝"},
        {Form->ShineSpeedButton10, {660, 18, 25, 25}, "元", "初期値"},
    };
    for (const Expect& e : buttons) {
        EXPECT_EQ(e.b->geometry(), e.r) << e.caption;
        EXPECT_EQ(e.b->Caption(), QString::fromUtf8(e.caption));
        EXPECT_EQ(e.b->toolTip(), QString::fromUtf8(e.hint));
        EXPECT_EQ(e.b->Colors()->Color(), clSilver);
    }
    EXPECT_EQ(Form->ShineSpeedButton3->Font()->Color(), clRed);
    EXPECT_EQ(Form->ShineSpeedButton4->Colors()->GradColor(), clGreen);
    EXPECT_EQ(Form->ShineSpeedButton4->ActiveFont()->Color(), clBlue);
    EXPECT_EQ(Form->Edit1->geometry(), QRect(213, 17, 205, 23));
    EXPECT_EQ(Form->Edit8->geometry(), QRect(467, 17, 105, 23));
    EXPECT_EQ(Form->Edit7->geometry(), QRect(617, 43, 68, 23));
    EXPECT_EQ(Form->CheckBox1->geometry(), QRect(608, 22, 52, 17));
    EXPECT_EQ(Form->CheckBox2->text(), "Prevue");
    EXPECT_EQ(Form->Label1->text(), "Htm題");
}

TEST_F(AppTest, EditorFillsTheSpaceBetweenPanelAndStatusBar) {
    Form->show();
    for (const QSize size : {QSize(688, 440), QSize(900, 700)}) {
        Form->resize(size);
        // The layout settles once the resize has been delivered.
        EXPECT_TRUE(QTest::qWaitFor([&] {
            return Form->size() == size &&
                   Form->centralWidget()->geometry().bottom() + 1 ==
                       Form->StatusBar1->geometry().top() &&
                   Form->RichEdit1->width() == Form->centralWidget()->width();
        }));
        EXPECT_EQ(Form->Panel1->height(), 66);
        EXPECT_EQ(Form->StatusBar1->height(), 22);
        EXPECT_EQ(Form->RichEdit1->geometry().top(), 66);
        EXPECT_EQ(Form->RichEdit1->width(), Form->centralWidget()->width());
        EXPECT_EQ(Form->centralWidget()->geometry().bottom() + 1,
                  Form->StatusBar1->geometry().top());
    }
}

TEST_F(AppTest, TabOrderRunsThroughTheFields) {
    const QStringList expected = {"RichEdit1", "Edit1",     "CheckBox1", "Edit3", "Edit4",
                                  "Edit5",     "CheckBox2", "Edit6",     "Edit7", "Edit8"};
    QStringList order;
    QWidget* w = Form->RichEdit1;
    do {
        if (expected.contains(w->objectName()))
            order << w->objectName();
        w = w->nextInFocusChain();
    } while (w != Form->RichEdit1 && order.size() < expected.size());
    EXPECT_EQ(order, expected);
}

TEST_F(AppTest, HintsShowInTheStatusBar) {
    Form->show();
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(Form->ShineSpeedButton3, &enter);
    EXPECT_EQ(Form->StatusBar1->currentMessage(), "Html変換");
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(Form->ShineSpeedButton3, &leave);
    EXPECT_EQ(Form->StatusBar1->currentMessage(), "");
    Form->Edit1->setText("見出し");
    QApplication::sendEvent(Form->Edit1, &enter);
    EXPECT_EQ(Form->StatusBar1->currentMessage(), "見出し");
}
