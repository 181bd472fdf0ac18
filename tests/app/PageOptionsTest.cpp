#include "AppFixture.h"
#include "Cp932.h"
#include "IniFile.h"
#include "ModalDriver.h"
#include "ShineSpdBtn.h"
#include "TestFiles.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

class PageOptionsTest : public AppTest {
protected:
    QTemporaryDir Dir;
    // Saves through the dialog, as the user does; the preview box is off.
    QString Save(const QString& name) {
        Form->CheckBox2->setChecked(false);
        const QString path = Dir.filePath(name);
        WhenModal([path](QWidget* modal) {
            modal->findChild<QLineEdit*>("fileNameEdit")->setText(path);
            static_cast<QDialog*>(modal)->accept();
        });
        ClickButton(Form->ShineSpeedButton2);
        return path;
    }
};

TEST_F(PageOptionsTest, Utf8PagesNameUtf8AndKeepEveryCharacter) {
    EXPECT_FALSE(MenuItem("utf8Page1")->isChecked());
    ChooseMenuItem("utf8Page1");
    ASSERT_TRUE(MenuItem("utf8Page1")->isChecked());
    Form->RichEdit1->Lines().SetText("日本語 😀 한국어\n");
    ClickButton(Form->ShineSpeedButton3);
    EXPECT_EQ(Form->RichEdit1->Lines()[2],
              "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">");
    const QString page = Save("page.htm"); // no question: nothing is lost
    EXPECT_TRUE(Errors.isEmpty());
    const QByteArray bytes = ReadBytes(page);
    EXPECT_TRUE(bytes.startsWith("<HTML>\r\n<HEAD>\r\n"));
    EXPECT_TRUE(bytes.contains("\r\n日本語 😀 한국어\r\n</font>\r\n"));
    EXPECT_EQ(bytes.count("\r\n"), bytes.count('\n'));
    EXPECT_EQ(Form->EncodingLabel->text(), "UTF-8");
}

TEST_F(PageOptionsTest, EscapedTextShowsAsTextAndTheTemplateStaysMarkup) {
    ChooseMenuItem("escapeText1");
    Form->RichEdit1->Lines().SetText("if (a < b) && c > d\n#include <stdio.h>");
    ClickButton(Form->ShineSpeedButton3);
    const QStringList lines = EditorLines();
    EXPECT_EQ(lines[0], "<HTML>");
    EXPECT_EQ(lines[13], "if (a &lt; b) &amp;&amp; c &gt; d");
    EXPECT_EQ(lines[14], "#include &lt;stdio.h&gt;");
    EXPECT_EQ(lines[15], "</font>");
    QTest::keyClick(Form->RichEdit1, Qt::Key_Z, Qt::ControlModifier); // one step
    EXPECT_EQ(Form->RichEdit1->Lines().Text(), "if (a < b) && c > d\n#include <stdio.h>");
}

TEST_F(PageOptionsTest, OptionsAreRememberedInSectionsOfTheirOwn) {
    ChooseMenuItem("utf8Page1");
    ChooseMenuItem("escapeText1");
    Restart();
    EXPECT_TRUE(MenuItem("utf8Page1")->isChecked());
    EXPECT_TRUE(MenuItem("escapeText1")->isChecked());
    EXPECT_TRUE(Unit1::Page.Utf8 && Unit1::Page.Escape);
    TIniFile ini(SettingsFile());
    EXPECT_EQ(ini.ReadString("Form\\utf8Page1", "Checked", ""), "1");
    EXPECT_EQ(ini.ReadString("Form\\escapeText1", "Checked", ""), "1");
    ChooseMenuItem("utf8Page1"); // off again: written as off
    Restart();
    EXPECT_FALSE(MenuItem("utf8Page1")->isChecked());
    EXPECT_EQ(TIniFile(SettingsFile()).ReadString("Form\\utf8Page1", "Checked", ""), "0");
}
