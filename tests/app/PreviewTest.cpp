#include "AppFixture.h"
#include "ModalDriver.h"
#include "PagePreview.h"
#include "ShineSpdBtn.h"

#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBrowser>
#include <QTextFrame>
#include <QTextTable>

class PreviewTest : public AppTest {
protected:
    QTextBrowser* Browser() const { return Form->PagePreview1->Browser(); }
    QString Shown() const { return Browser()->toPlainText(); }
    // Waits for the preview to show what it should.
    bool ShowsSoon(const std::function<bool()>& what) { return QTest::qWaitFor(what, 3000); }
};

// The conversion's page and the preview's are the same text, whatever the
// final line break.
TEST_F(PreviewTest, PageTextIsWhatTheConversionLeavesInTheEditor) {
    for (const QString text : {"", "a", "a\nb\n", "a\n\n", "<b>&amp;\tc"}) {
        SCOPED_TRACE(text.toStdString());
        Form->RichEdit1->Lines().SetText(text);
        const QString page = PageText(text, Unit1::Page);
        ClickButton(Form->ShineSpeedButton3);
        EXPECT_EQ(Form->RichEdit1->Lines().Text(), page);
        EXPECT_EQ(PageText(page, Unit1::Page), page); // a page stays as it is
    }
}

TEST_F(PreviewTest, ShowsThePageOfTheTextAndFollowsTextAndSettings) {
    EXPECT_EQ(Form->PagePreview1, nullptr); // nothing of it before it is asked for
    EXPECT_EQ(Form->findChild<TPagePreview*>(), nullptr);
    QTest::keyClicks(Form->RichEdit1, "Line one");
    ChooseMenuItem("preview1");
    ASSERT_NE(Form->PagePreview1, nullptr);
    EXPECT_TRUE(Form->PagePreview1->isVisible());
    EXPECT_EQ(Form->PagePreview1->windowTitle(), "ページのプレビュー");
    EXPECT_TRUE(Shown().contains("Tips"));
    EXPECT_TRUE(Shown().contains("Line one"));
    EXPECT_EQ(Browser()->document()->rootFrame()->frameFormat().background().color(),
              QColor("#fff8dc"));
    // Laid out as a browser lays out the page: the table and its cell's text
    // centred, the rules in their colour.
    QTextTable* table = nullptr;
    QList<QColor> rules;
    for (QTextBlock b = Browser()->document()->begin(); b.isValid(); b = b.next()) {
        if (QTextTable* t = QTextCursor(b).currentTable())
            table = t;
        if (b.blockFormat().hasProperty(QTextFormat::BlockTrailingHorizontalRulerWidth))
            rules << b.blockFormat().background().color();
    }
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->format().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(table->cellAt(0, 0).firstCursorPosition().blockFormat().alignment() &
                  Qt::AlignHorizontal_Mask,
              Qt::AlignHCenter);
    EXPECT_EQ(rules, QList<QColor>({QColor("#CDC0A5"), QColor("#CDC0A5")}));

    QTest::keyClicks(Form->RichEdit1, " and more");
    EXPECT_TRUE(ShowsSoon([&] { return Shown().contains("Line one and more"); }));
    Form->Edit1->selectAll();
    QTest::keyClicks(Form->Edit1, "Heading");
    EXPECT_TRUE(ShowsSoon([&] { return Shown().contains("Heading"); }));
    ClickButton(Form->ShineSpeedButton9); // face
    EXPECT_TRUE(ShowsSoon([&] { return Browser()->toHtml().contains("ゴシック"); }));

    // After the conversion the text is the page: shown once, not wrapped again.
    ClickButton(Form->ShineSpeedButton3);
    EXPECT_TRUE(ShowsSoon([&] { return Shown().count("Line one and more") == 1; }));
    QTest::qWait(500);
    EXPECT_EQ(Shown().count("Heading"), 1);
    EXPECT_FALSE(Shown().contains("<HTML>"));

    AnswerMessageBox("Yes"); // the text was changed
    EXPECT_TRUE(CloseForm());
    EXPECT_FALSE(Form->PagePreview1->isVisible()); // closed with the window
}

TEST_F(PreviewTest, KeepsItsScrollPositionAndShowsTheHeadOfALongText) {
    QString text;
    for (int i = 0; i < 400; ++i)
        text += QStringLiteral("line %1\n").arg(i);
    Form->RichEdit1->Lines().SetText(text);
    ChooseMenuItem("preview1");
    QScrollBar* bar = Browser()->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 1000);
    bar->setValue(1000);
    Form->RichEdit1->moveCursor(QTextCursor::End);
    QTest::keyClicks(Form->RichEdit1, "end");
    EXPECT_TRUE(ShowsSoon([&] { return Shown().contains("end"); }));
    EXPECT_EQ(bar->value(), 1000);
    EXPECT_FALSE(Form->PagePreview1->findChild<QLabel*>("PreviewNotice")->isVisible());

    // One line longer than the preview takes: cut, and said so.
    Form->RichEdit1->Lines().SetText(QString(TPagePreview::kMaxChars + 10, u'x'));
    EXPECT_TRUE(ShowsSoon(
        [&] { return Form->PagePreview1->findChild<QLabel*>("PreviewNotice")->isVisible(); }));
    EXPECT_TRUE(Shown().contains(QString(1000, u'x')));
    EXPECT_TRUE(Shown().contains("Back"));
}
