#include "AppFixture.h"
#include "ModalDriver.h"
#include "ShineSpdBtn.h"

#include <QCheckBox>
#include <QClipboard>
#include <QColorDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTest>

namespace {

// Picks color in the next colour dialog, or cancels it when color is invalid.
void AnswerColorDialog(QColor color, QColor* shownWith = nullptr) {
    WhenModal([=](QWidget* modal) {
        auto* dialog = qobject_cast<QColorDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        if (shownWith)
            *shownWith = dialog->currentColor();
        if (!color.isValid()) {
            dialog->reject();
            return;
        }
        dialog->setCurrentColor(color);
        dialog->accept();
    });
}

} // namespace

TEST_F(AppTest, ColourTextsUseTheSixteenNamesAndUpperCaseHex) {
    const std::pair<const char*, const char*> named[] = {
        {"clAqua", "Aqua"},       {"clBlack", "Black"},   {"clBlue", "Blue"},
        {"clFuchsia", "Fuchsia"}, {"clGray", "Gray"},     {"clGreen", "Green"},
        {"clLime", "Lime"},       {"clMaroon", "Maroon"}, {"clNavy", "Navy"},
        {"clOlive", "Olive"},     {"clPurple", "Purple"}, {"clRed", "Red"},
        {"clSilver", "Silver"},   {"clTeal", "Teal"},     {"clWhite", "White"},
        {"clYellow", "Yellow"}};
    for (const auto& [text, html] : named)
        EXPECT_EQ(Form->ChangeColorF(text), html);
    EXPECT_EQ(Form->ChangeColorF("$00DCF8FF"), "#FFF8DC");
    EXPECT_EQ(Form->ChangeColorF("$00818080"), "#808081");
    EXPECT_EQ(Form->ChangeColorF("clBtnFace"), "clBtnFace");
}

TEST_F(AppTest, ColourDialogSetsTheSettingAndTheEditorColours) {
    QColor shown;
    AnswerColorDialog(QColor(255, 248, 220), &shown);
    QTest::mouseClick(Form->ShineSpeedButton4, Qt::LeftButton);
    EXPECT_EQ(shown, QColor(Qt::black)); // black before the first choice
    EXPECT_EQ(Unit1::Page.bgc, "#FFF8DC");
    EXPECT_EQ(Form->RichEdit1->Color(), RGBColor(255, 248, 220));

    // The dialog opens on the last confirmed colour; white is a named colour.
    AnswerColorDialog(QColor(255, 255, 255), &shown);
    ChooseMenuItem("mojiiro1");
    EXPECT_EQ(shown, QColor(255, 248, 220));
    EXPECT_EQ(Unit1::Page.mclo, "White");
    EXPECT_EQ(Form->RichEdit1->Font().Color(), clWhite);

    // Rule and heading colours leave the editor alone.
    AnswerColorDialog(QColor(128, 128, 129));
    ClickButton(Form->ShineSpeedButton6);
    EXPECT_EQ(Unit1::Page.Lcl, "#808081");
    AnswerColorDialog(QColor(0, 128, 0));
    ClickButton(Form->ShineSpeedButton7);
    EXPECT_EQ(Unit1::Page.Dai, "Green");
    EXPECT_EQ(Form->RichEdit1->Color(), RGBColor(255, 248, 220));
    EXPECT_TRUE(Errors.isEmpty());
}

TEST_F(AppTest, CancellingTheColourDialogChangesNothing) {
    AnswerColorDialog(QColor());
    ClickButton(Form->ShineSpeedButton4);
    EXPECT_EQ(Unit1::Page.bgc, "#fff8dc");
    EXPECT_EQ(Form->RichEdit1->Color(), clWindow);
    EXPECT_EQ(Form->ColorDialog->Color(), clBlack);
}

TEST_F(AppTest, FaceToggleNamesTheFaceInEffect) {
    EXPECT_EQ(Form->ShineSpeedButton9->Caption(), "明");
    Unit1::Page.Mfn = "Arial";
    ClickButton(Form->ShineSpeedButton9);
    EXPECT_EQ(Unit1::Page.Mfn, "ＭＳ ゴシック");
    EXPECT_EQ(Form->ShineSpeedButton9->Caption(), "ゴ");
    ChooseMenuItem("mingo1");
    EXPECT_EQ(Unit1::Page.Mfn, "ＭＳ 明朝");
    EXPECT_EQ(Form->ShineSpeedButton9->Caption(), "明");
}

TEST_F(AppTest, FieldsFeedTheirSettingsUnchanged) {
    const std::pair<QLineEdit*, QString*> fields[] = {
        {Form->Edit1, &Unit1::Page.Tad},  {Form->Edit8, &Unit1::Page.Tht},
        {Form->Edit3, &Unit1::Page.Tsiz}, {Form->Edit4, &Unit1::Page.Lsiz},
        {Form->Edit5, &Unit1::Page.Fs},   {Form->Edit6, &Unit1::Page.Hbak},
        {Form->Edit7, &Unit1::Page.Bac}};
    for (const auto& [field, setting] : fields) {
        field->clear();
        QTest::keyClicks(field, "  x<\"");
        EXPECT_EQ(*setting, "  x<\"") << field->objectName().toStdString();
        field->clear();
        EXPECT_EQ(*setting, "");
    }
    Form->Edit1->setText("見出し");
    EXPECT_EQ(Form->Edit1->toolTip(), "見出し");
    Form->Edit1->clear();
    EXPECT_EQ(Form->Edit1->toolTip(), "");
}

TEST_F(AppTest, FieldsStaySingleLineWhenMultiLineTextIsPasted) {
    Form->show();
    Form->Edit1->setText("XY");
    Form->Edit1->setCursorPosition(1);
    QGuiApplication::clipboard()->setText("ab\ncd");
    Form->Edit1->paste();
    EXPECT_EQ(Form->Edit1->text(), "XabY");
    EXPECT_EQ(Unit1::Page.Tad, "XabY");
}

TEST_F(AppTest, ResetRestoresDefaultsButKeepsTheLinkExtension) {
    Form->CheckBox1->setChecked(true);
    EXPECT_EQ(Unit1::Page.LinkExt, "html");
    Form->Edit3->setText("1");
    Unit1::Page.bgc = "Red";
    Unit1::Page.Mfn = "ＭＳ ゴシック";
    Form->RichEdit1->SetColor(clRed);
    ChooseMenuItem("moto1");
    EXPECT_EQ(Unit1::Page.Tsiz, "700");
    EXPECT_EQ(Form->Edit3->text(), "700");
    EXPECT_EQ(Unit1::Page.bgc, "#fff8dc");
    EXPECT_EQ(Unit1::Page.Mfn, "ＭＳ 明朝");
    EXPECT_EQ(Unit1::Page.LinkExt, "html");
    EXPECT_TRUE(Form->CheckBox1->isChecked());
    EXPECT_EQ(Form->RichEdit1->Color(), clRed);
    Form->CheckBox1->setChecked(false);
    EXPECT_EQ(Unit1::Page.LinkExt, "htm");
}
