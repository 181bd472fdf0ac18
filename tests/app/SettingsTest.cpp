#include "AppFixture.h"
#include "ModalDriver.h"
#include "RowName.h"
#include "ShineSpdBtn.h"
#include "TestFiles.h"

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

// Every setting field copies its whole text into its page setting, typed
// or emptied.
struct TFieldRow {
    const char* Name; // the field
    QString TPageSettings::*Setting;
};

class SettingField : public AppTest, public ::testing::WithParamInterface<TFieldRow> {};

TEST_P(SettingField, FeedsItsSettingUnchanged) {
    auto* field = Form->findChild<QLineEdit*>(QLatin1String(GetParam().Name));
    ASSERT_NE(field, nullptr);
    Form->show();
    field->clear();
    QTest::keyClicks(field, "  x<\"");
    EXPECT_EQ(Unit1::Page.*GetParam().Setting, "  x<\"");
    field->clear();
    EXPECT_EQ(Unit1::Page.*GetParam().Setting, "");
}

INSTANTIATE_TEST_SUITE_P(Fields, SettingField,
                         ::testing::Values(TFieldRow{"Edit1", &TPageSettings::Tad},
                                           TFieldRow{"Edit8", &TPageSettings::Tht},
                                           TFieldRow{"Edit3", &TPageSettings::Tsiz},
                                           TFieldRow{"Edit4", &TPageSettings::Lsiz},
                                           TFieldRow{"Edit5", &TPageSettings::Fs},
                                           TFieldRow{"Edit6", &TPageSettings::Hbak},
                                           TFieldRow{"Edit7", &TPageSettings::Bac}),
                         TRowName());

TEST_F(AppTest, HeadingFieldsHintIsItsText) {
    Form->Edit1->setText("見出し");
    EXPECT_EQ(Form->Edit1->toolTip(), "見出し");
    EXPECT_EQ(Form->Edit1->statusTip(), "見出し");
    Form->Edit1->clear();
    EXPECT_EQ(Form->Edit1->toolTip(), "");
    EXPECT_EQ(Form->Edit8->toolTip(), "");
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

// A menu item's handler that raises hands its error to the application even
// when the item is triggered outside any event, where nothing else would stop
// it before Qt's signal machinery.
TEST_F(AppTest, AMenuItemsErrorReachesTheApplicationFromItsSlot) {
    const QString file = SettingsDir.filePath("gone.txt");
    ASSERT_TRUE(WriteBytes(file, "text"));
    Form->DropDst1FileDrop(nullptr, {file}, 0, 0);
    ASSERT_TRUE(QFile::remove(file));
    QAction* reopen = MenuItem("reopenSjis1");
    ASSERT_NE(reopen, nullptr);
    EXPECT_NO_THROW(reopen->trigger());
    ASSERT_EQ(Errors.size(), 1);
    EXPECT_TRUE(Errors[0].contains(QStringLiteral("gone.txt"))) << Errors[0].toStdString();
}
