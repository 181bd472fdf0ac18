#include "AppFixture.h"
#include "ShineSpdBtn.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>

namespace {

const QStringList kWorkedExample = {
    "<HTML>",
    "<HEAD>",
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=x-sjis\">",
    "<TITLE>Tips</TITLE>",
    "</HEAD>",
    "<body bgcolor=\"#fff8dc\" link=\"#0000D9\" vlink=\"#FFA477\">",
    "<BR><BR><P>",
    "<CENTER><FONT size=\"3\" color=\"#CDC0A5\" face=\"ＭＳ 明朝\">Tips</FONT></CENTER><BR><BR>",
    "<HR align=\"center\" width=\"800\" color=\"#CDC0A5\"><BR><BR><BR>",
    "<CENTER><TABLE width=\"700\" \">",
    "<TR BGCOLOR=\"#fff8dc\" ALIGN=CENTER VALIGN=TOP>",
    "<td width=\"100%\"><pre>",
    "<font size=\"3\" color=\"#000000\" face=\"ＭＳ 明朝\">",
    "Line one",
    "Line two",
    "</font>",
    "</Pre>",
    "</td>",
    "</tr>",
    "</TABLE>",
    "<BR><BR><BR><BR>",
    "<HR align=\"center\" width=\"800\" color=\"#CDC0A5\"><BR><BR><BR><BR>",
    "<font size=\"3\" color=\"#000000\" face=\"ＭＳ 明朝\">",
    "<a href=\"index.htm\">Back</a></font><BR><BR><BR><BR>",
    "</CENTER>",
    "</body>",
    "</HTML>",
};

} // namespace

TEST_F(AppTest, WorkedExampleGivesExactlyTheTwentySevenLines) {
    Form->RichEdit1->Lines().SetText("Line one\nLine two");
    QTest::mouseClick(Form->ShineSpeedButton3, Qt::LeftButton);
    EXPECT_EQ(EditorLines(), kWorkedExample);
    EXPECT_EQ(Form->RichEdit1->Lines().Text(), kWorkedExample.join('\n'));
}

TEST_F(AppTest, ConversionKeepsTheTextAndFollowsTheFinalBreakRule) {
    // Empty editor: the head lines directly followed by the tail lines.
    ChooseMenuItem("tikan1");
    QStringList expected = kWorkedExample;
    expected.remove(13, 2);
    EXPECT_EQ(EditorLines(), expected);

    // A final line break leaves no empty line before </font>; markup and
    // tabs in the text stay as they are.
    Form->RichEdit1->Lines().SetText("a<b>&\tc\n");
    ClickButton(Form->ShineSpeedButton3);
    EXPECT_EQ(Form->RichEdit1->Lines()[13], "a<b>&\tc");
    EXPECT_EQ(Form->RichEdit1->Lines()[14], "</font>");
    EXPECT_EQ(Form->RichEdit1->Lines().Count(), 26);
    // Either way the text ends with </HTML>, never with an empty line after it.
    EXPECT_TRUE(Form->RichEdit1->Lines().Text().contains("a<b>&\tc\n</font>\n</Pre>"));
    EXPECT_TRUE(Form->RichEdit1->Lines().Text().endsWith("</body>\n</HTML>"));
}

TEST_F(AppTest, ConversionUsesTheSettingsOfTheMoment) {
    Form->CheckBox1->setChecked(true);
    Form->Edit1->setText("");
    Form->Edit8->setText("");
    Form->Edit5->setText("abc");
    Unit1::Page.bgc.clear();
    ClickButton(Form->ShineSpeedButton3);
    const QStringList lines = EditorLines();
    EXPECT_EQ(lines[3], "<TITLE></TITLE>");
    EXPECT_EQ(lines[5], "<body bgcolor=\"\" link=\"#0000D9\" vlink=\"#FFA477\">");
    EXPECT_EQ(
        lines[7],
        "<CENTER><FONT size=\"abc\" color=\"#CDC0A5\" face=\"ＭＳ 明朝\"></FONT></CENTER><BR><BR>");
    EXPECT_EQ(lines.at(21), "<a href=\"index.html\">Back</a></font><BR><BR><BR><BR>");

    // Running it again wraps the page a second time.
    ClickButton(Form->ShineSpeedButton3);
    EXPECT_EQ(Form->RichEdit1->Lines().Count(), 50);
    EXPECT_EQ(EditorLines().count("<HTML>"), 2);
}

TEST_F(AppTest, ConversionIsOneUndoStep) {
    Form->RichEdit1->Lines().SetText("text");
    ClickButton(Form->ShineSpeedButton3);
    Form->RichEdit1->undo();
    EXPECT_EQ(Form->RichEdit1->Lines().Text(), "text");
}
