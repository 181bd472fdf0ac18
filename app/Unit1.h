// The main window: editor, two-row toolbar of setting fields and commands,
// status bar and menu, with the handlers of every command.
#pragma once

#include "Dialogs.h"
#include "FileDialogs.h"
#include "RichEdit.h"
#include "StoredSettings.h"
#include "TextEncoding.h"

#include <QMainWindow>
#include <QString>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QStatusBar;
class QTimer;
class TDropDst;
class TPagePreview;
class TShineSpeedButton;
class TTextOpenDialog;
class TRegManager;

// The page settings every handler shares (Page.bgc, Page.Tad, ...); filled
// into the page by the conversion and remembered between runs. LinkExt
// follows CheckBox1.
namespace Unit1 {
extern TPageSettings Page;

// Assigns the built-in defaults to the twelve stored settings.
void SetDefaultPageSettings();

using ::SettingsFileFor;
// When not empty, the settings file used instead (tests, embedding).
extern QString SettingsFileOverride;
} // namespace Unit1

enum TCloseAction { caNone, caHide, caFree, caMinimize };

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // Controls and components, named as in the stored layout.
    QWidget* Panel1 = nullptr;
    TRichEdit* RichEdit1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QLineEdit* Edit5 = nullptr;
    QLineEdit* Edit6 = nullptr;
    QLineEdit* Edit7 = nullptr;
    QLineEdit* Edit8 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    TShineSpeedButton* ShineSpeedButton1 = nullptr;
    TShineSpeedButton* ShineSpeedButton2 = nullptr;
    TShineSpeedButton* ShineSpeedButton3 = nullptr;
    TShineSpeedButton* ShineSpeedButton4 = nullptr;
    TShineSpeedButton* ShineSpeedButton5 = nullptr;
    TShineSpeedButton* ShineSpeedButton6 = nullptr;
    TShineSpeedButton* ShineSpeedButton7 = nullptr;
    TShineSpeedButton* ShineSpeedButton9 = nullptr;
    TShineSpeedButton* ShineSpeedButton10 = nullptr;
    TShineSpeedButton* ShineSpeedButton11 = nullptr;
    TColorDialog* ColorDialog = nullptr;
    TSaveDialog* SaveDialog1 = nullptr;
    TDropDst* DropDst1 = nullptr;
    TTextOpenDialog* TextOpenDialog1 = nullptr;
    TRegManager* RegManager1 = nullptr;
    // The status bar's right end: the current document's encoding.
    QLabel* EncodingLabel = nullptr;
    // Made when first shown.
    TPagePreview* PagePreview1 = nullptr;
    // ファイル → 最近使ったファイル: the files last opened, newest first.
    QMenu* RecentMenu1 = nullptr;
    QStringList RecentFiles() const { return FRecentFiles; }

    // Event handlers.
    void FormCreate(QObject* Sender);
    void FormCloseQuery(QObject* Sender, bool& CanClose);
    void FormClose(QObject* Sender, TCloseAction& Action);
    void ShineSpeedButton1Click(QObject* Sender);  // Open
    void ShineSpeedButton2Click(QObject* Sender);  // Save
    void ShineSpeedButton3Click(QObject* Sender);  // Convert to HTML
    void ShineSpeedButton4Click(QObject* Sender);  // background colour
    void ShineSpeedButton5Click(QObject* Sender);  // text colour
    void ShineSpeedButton6Click(QObject* Sender);  // rule-line colour
    void ShineSpeedButton7Click(QObject* Sender);  // heading colour
    void ShineSpeedButton9Click(QObject* Sender);  // Mincho/Gothic toggle
    void ShineSpeedButton10Click(QObject* Sender); // reset to defaults
    void ShineSpeedButton11Click(QObject* Sender); // New
    // A setting field's change: its whole text goes into the page setting
    // it shows (Edit1's hint follows it too). The EditN handlers are this
    // for their field.
    void FieldChange(QObject* Sender);
    void Edit1Change(QObject* Sender);
    void Edit3Change(QObject* Sender);
    void Edit4Change(QObject* Sender);
    void Edit5Change(QObject* Sender);
    void Edit6Change(QObject* Sender);
    void Edit7Change(QObject* Sender);
    void Edit8Change(QObject* Sender);
    void CheckBox1Click(QObject* Sender);
    void Exit1Click(QObject* Sender);
    void mUndoClick(QObject* Sender);
    void mCut1Click(QObject* Sender);
    void mCopy1Click(QObject* Sender);
    void mPaste1Click(QObject* Sender);
    void mSelctAll1Click(QObject* Sender);
    void version1Click(QObject* Sender);
    void DisplayHint(QObject* Sender);
    void preview1Click(QObject* Sender); // shows the page preview
    void DropDst1FileDrop(QObject* Sender, const QStringList& Files, int X, int Y);

    // Colour text form ("clRed", "$00DCF8FF") -> HTML colour text.
    QString ChangeColorF(const QString& colorText) const;

    QString CurFileName() const { return FCurFileName; }

    // Save's write: the page; text CP932 cannot hold is written as character
    // references once the user agrees. False when the user declined.
    bool SaveDocument(const QString& path);

    // Reads the current file again in the given encoding (any UTF-16 takes
    // its byte order from the file), asking first when the text was changed.
    void ReopenAs(TTextEncoding encoding);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    using Handler = void (TForm1::*)(QObject*);

    void CreateLayout();
    void CreatePanel();
    void CreateButtons();
    void CreateFields();
    void CreateMenu();
    TShineSpeedButton* CreateButton(const char* name, int left, int top, const QString& caption,
                                    const QString& hint, TColor gradColor, TColor fontColor,
                                    TColor activeFontColor, Handler onClick);
    QLineEdit* CreateField(const char* name, QWidget* parent, int left, int top, int width,
                           TColor color);
    QLabel* CreateLabel(const char* name, const QString& caption, int left, int top);
    // The label names its field, in messages too.
    static void LabelField(QLabel* label, QLineEdit* field);
    QCheckBox* CreateCheckBox(const char* name, int left, int top, int width,
                              const QString& caption, const QString& hint, bool checked);
    void CreateRegManager();
    QCheckBox* SettingCheckBox(const TStoredSetting& setting) const;
    // The name of a setting for messages: its field's label, its check box's
    // caption, or else its item name.
    QString SettingLabel(const TStoredSetting& setting) const;
    void ReadSettings();
    void WriteSettings();
    void WriteSetting(const TStoredSetting& setting);
    void FillFields();
    void SetLinkExtFromCheckBox();
    // Shows the colour dialog; on a choice returns the HTML colour text and
    // the chosen colour.
    bool PickColor(QString& setting, TColor* chosen);
    void LoadDocument(const QString& path, std::optional<TTextEncoding> as = std::nullopt);
    void CreateReopenMenu(QMenu* file1);
    // Items beyond the original menus, after the items of their menu.
    void CreateAddedItems(QMenu* file1, QMenu* editm);
    QAction* OptionItem(const TStoredSetting& setting) const;
    // What the window remembers beside the page settings, in sections of
    // its own: the open dialog's folder and size, the recent files.
    void ReadWindowState();
    void WriteWindowState();
    void FileOpened(const QString& path);
    void ShowRecentFiles();
    void OpenRecentFile(const QString& path);
    // A page setting or the text changed: a shown preview follows soon.
    void PageChanged();
    void RefreshPreview();
    void ShowTextFormat(const TTextFormat& format);
    // Empties the editor and clears its modified flag.
    void ClearText();
    // The document now is fileName: the modified flag is cleared and, when
    // shown, the caption and the save dialog's folder follow the name.
    void SetCurrentFile(const QString& fileName, bool showName);

    QString FCurFileName;
    QTimer* FPreviewTimer = nullptr;
    QStringList FRecentFiles;
};
