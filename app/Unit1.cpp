#include "Unit1.h"

#include "Application.h"
#include "Classes.h"
#include "DropDst.h"
#include "IniFile.h"
#include "PagePreview.h"
#include "PathNames.h"
#include "RegMng.h"
#include "ShineSpdBtn.h"
#include "StdCtrls.h"
#include "SysUtils.h"
#include "TextDlgs.h"
#include "TextFile.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace Unit1 {
TPageSettings Page;

void SetDefaultPageSettings() {
    ::SetDefaultPageSettings(Page);
}

QString SettingsFileOverride;

} // namespace Unit1

using namespace Unit1;

namespace {

const QString kMincho = MinchoFace();
const QString kGothic = GothicFace();
const QString kPGothic = QStringLiteral("ＭＳ Ｐゴシック");
const QString kDiscardQuestion = QStringLiteral("現在の内容を廃棄します。よろしいですか。");
const QString kDiscardOnClose = QStringLiteral("現在の内容を廃棄します。よろしいですか");
const QString kBanner = QStringLiteral("Vexla ver1.04");
constexpr int kMaxLength = 10000000;
constexpr TColor kTitleFieldColor = 14088190;  // pale cream
constexpr TColor kNumberFieldColor = 14089964; // pale green

QFont PixelFont(const QString& family, int pixels, bool bold = false) {
    QFont f(family);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

void SetTextColor(QWidget* w, TColor color) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, ToQColor(color));
    pal.setColor(QPalette::Text, ToQColor(color));
    w->setPalette(pal);
}

void SetHint(QWidget* w, const QString& hint) {
    w->setToolTip(hint);
    w->setStatusTip(hint);
}

// The caption of a page option's check item.
QString OptionCaption(const TStoredSetting& setting) {
    if (setting.Option == &TPageSettings::Utf8)
        return QStringLiteral("UTF-8 のページ(&8)");
    return QStringLiteral("本文の < > && を文字のまま表示(&K)");
}

// Centred on the screen, yet with its top-left corner never off it: a window
// larger than the screen keeps its menu bar in reach.
QPoint CentredOnScreen(const QRect& frame, const QRect& screen) {
    const QPoint centred = screen.center() - frame.center() + frame.topLeft();
    return {std::max(centred.x(), screen.left()), std::max(centred.y(), screen.top())};
}

// The window reads its settings through its settings manager: per item,
// Filer and one accessor read.
class TManagerSettingsSource : public TStoredSettingsSource {
public:
    explicit TManagerSettingsSource(TRegManager& manager) : FManager(manager) {}

    QString ReadText(const TStoredSetting& setting, const QString& def) override {
        // A text item with nothing stored keeps def: it is the item's default
        // while it is read.
        const QString name = QLatin1String(setting.Name);
        TRegItem* item = FManager.RegItems()->FindItem(name);
        const QString storedDefault = item ? item->DefaultValue() : QString();
        if (item)
            item->SetDefaultValue(def);
        const QString value = FManager.Filer(name)->AsString();
        if (item)
            item->SetDefaultValue(storedDefault);
        return value;
    }
    bool ReadChecked(const TStoredSetting& setting) override {
        return FManager.Filer(QLatin1String(setting.Name))->AsBoolean();
    }

private:
    TRegManager& FManager;
};

// What the window remembers beside the page settings, after the remembered
// settings' items in its settings manager and in sections of their own.
struct TWindowStateItem {
    const char* Name;
    const char* Section;
    const char* Ident;
};
constexpr TWindowStateItem kOpenFolder{"OpenFolder", "Form\\TextOpenDialog1", "InitialDir"};
constexpr TWindowStateItem kOpenWidth{"OpenWidth", "Form\\TextOpenDialog1", "Width"};
constexpr TWindowStateItem kOpenHeight{"OpenHeight", "Form\\TextOpenDialog1", "Height"};
constexpr TWindowStateItem kRecentFiles{"RecentFiles", "Form\\RecentFiles", "File"};
constexpr TWindowStateItem kWindowStateItems[] = {kOpenFolder, kOpenWidth, kOpenHeight,
                                                  kRecentFiles};
constexpr qsizetype kMaxRecentFiles = 8;

// A path the settings file gives back as it is: one the file refuses would
// fail the whole close's batch, and one it cuts would name another file.
bool Storable(const TWindowStateItem& at, const QString& path) {
    return !path.isEmpty() && TIniDocument::CheckWrite(at.Section, at.Ident, path).isEmpty() &&
           TIniDocument::CutValue(path) == path;
}

struct TUpdateBracket {
    explicit TUpdateBracket(TRichEditStrings& lines) : Lines(lines) { Lines.BeginUpdate(); }
    ~TUpdateBracket() { Lines.EndUpdate(); }
    TRichEditStrings& Lines;
};

} // namespace

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("Form1"));
    CreateLayout();
    FormCreate(this);
}

TForm1::~TForm1() {
    if (Application())
        Application()->OnHint = nullptr;
}

void TForm1::CreateLayout() {
    setWindowTitle(QStringLiteral("Vexla"));
    setFont(PixelFont(kPGothic, 15));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ToQColor(clBtnFace));
    setPalette(pal);

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setCentralWidget(client);

    CreatePanel();
    layout->addWidget(Panel1);

    RichEdit1 = new TRichEdit(client);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->SetMaxLength(kMaxLength);
    RichEdit1->SetFont(TFont(kGothic, 15, clWindowText));
    RichEdit1->SetColor(clWindow);
    RichEdit1->Lines().SetText(QStringLiteral("RichEdit1"));
    layout->addWidget(RichEdit1, 1);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setFixedHeight(22);
    StatusBar1->setSizeGripEnabled(true);
    StatusBar1->showMessage(kBanner);
    setStatusBar(StatusBar1);
    // A permanent widget keeps the right end while hints use the left.
    EncodingLabel = new QLabel(StatusBar1);
    EncodingLabel->setObjectName(QStringLiteral("EncodingLabel"));
    StatusBar1->addPermanentWidget(EncodingLabel);
    ShowTextFormat({});

    CreateMenu();

    ColorDialog = new TColorDialog(this);
    ColorDialog->setObjectName(QStringLiteral("ColorDialog"));
    SaveDialog1 = new TSaveDialog(this);
    SaveDialog1->setObjectName(QStringLiteral("SaveDialog1"));
    SaveDialog1->SetDefaultExt(QStringLiteral("htm"));

    TextOpenDialog1 = new TTextOpenDialog(this);
    TextOpenDialog1->setObjectName(QStringLiteral("TextOpenDialog1"));
    TextOpenDialog1->SetPreview(false);

    CreateRegManager();

    DropDst1 = new TDropDst(this);
    DropDst1->setObjectName(QStringLiteral("DropDst1"));
    DropDst1->SetTarget(htForm);
    DropDst1->SetAcceptDrop(true);
    DropDst1->OnFileDrop = [this](QObject* s, const QStringList& files, int x, int y) {
        DropDst1FileDrop(s, files, x, y);
    };

    // Edit8 sits on the window itself, over the panel's free space.
    Edit8 = CreateField("Edit8", client, 467, 17, 105, kTitleFieldColor);
    Edit8->raise();
    LabelField(Label1, Edit8);

    setTabOrder(RichEdit1, Edit1);
    QWidget* panelOrder[] = {Edit1, CheckBox1, Edit3, Edit4, Edit5, CheckBox2, Edit6, Edit7, Edit8};
    for (size_t i = 0; i + 1 < std::size(panelOrder); ++i)
        setTabOrder(panelOrder[i], panelOrder[i + 1]);

    // Client area 688 x 415 below the menu bar.
    resize(688, 415 + menuBar()->sizeHint().height());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(CentredOnScreen(frameGeometry(), screen->availableGeometry()) + pos() -
             frameGeometry().topLeft());

    // The stored values are in place: components finish their set-up.
    DropDst1->Loaded();
}

void TForm1::CreatePanel() {
    Panel1 = new QWidget(centralWidget());
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(66);
    Panel1->setAutoFillBackground(true);
    CreateButtons();
    CreateFields();
}

TShineSpeedButton* TForm1::CreateButton(const char* name, int left, int top, const QString& caption,
                                        const QString& hint, TColor gradColor, TColor fontColor,
                                        TColor activeFontColor, Handler onClick) {
    auto* b = new TShineSpeedButton(Panel1);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(left, top, 25, 25);
    b->SetCaption(caption);
    b->SetHint(hint);
    b->Colors()->SetColor(clSilver);
    b->Colors()->SetGradColor(gradColor);
    b->Colors()->SetGradation(true);
    b->Colors()->SetGradVertical(true);
    b->ActiveColors()->SetColor(clHighlightText);
    b->PressedColors()->SetColor(clBtnHighlight);
    TFont font(kMincho, 15, fontColor, fsBold);
    font.SetCharset(SHIFTJIS_CHARSET);
    b->Font()->Assign(font);
    TFont active(kGothic, 17, activeFontColor);
    active.SetCharset(SHIFTJIS_CHARSET);
    b->ActiveFont()->Assign(active);
    b->OnClick = [this, onClick](QObject* sender) { (this->*onClick)(sender); };
    return b;
}

void TForm1::CreateButtons() {
    struct TButtonRow {
        const char* Name;
        TShineSpeedButton* TForm1::*Field;
        int Left, Top;
        const char16_t* Caption;
        const char16_t* Hint;
        TColor GradColor, FontColor, ActiveFontColor;
        Handler OnClick;
    };
    static const TButtonRow kButtons[] = {
        {"ShineSpeedButton11", &TForm1::ShineSpeedButton11, 5, 16, u"新", u"新規", clOlive, clWhite,
         clRed, &TForm1::ShineSpeedButton11Click},
        {"ShineSpeedButton1", &TForm1::ShineSpeedButton1, 29, 16, u"開", u"開く", clOlive, clWhite,
         clRed, &TForm1::ShineSpeedButton1Click},
        {"ShineSpeedButton2", &TForm1::ShineSpeedButton2, 53, 16, u"保", u"保存", clOlive, clWhite,
         clRed, &TForm1::ShineSpeedButton2Click},
        {"ShineSpeedButton3", &TForm1::ShineSpeedButton3, 79, 16, u"換", u"Html変換", clOlive,
         clRed, clRed, &TForm1::ShineSpeedButton3Click},
        {"ShineSpeedButton4", &TForm1::ShineSpeedButton4, 107, 16, u"背", u"背景色", clGreen,
         clWhite, clBlue, &TForm1::ShineSpeedButton4Click},
        {"ShineSpeedButton5", &TForm1::ShineSpeedButton5, 132, 16, u"文", u"文字色", clGreen,
         clWhite, clBlue, &TForm1::ShineSpeedButton5Click},
        {"ShineSpeedButton6", &TForm1::ShineSpeedButton6, 156, 16, u"線", u"線の色", clGreen,
         clWhite, clBlue, &TForm1::ShineSpeedButton6Click},
        {"ShineSpeedButton7", &TForm1::ShineSpeedButton7, 183, 16, u"題", u"題名色", clGreen,
         clWhite, clBlue, &TForm1::ShineSpeedButton7Click},
        {"ShineSpeedButton9", &TForm1::ShineSpeedButton9, 579, 18, u"明", u"ゴシックor明朝",
         clGreen, clWhite, clBlue, &TForm1::ShineSpeedButton9Click},
        {"ShineSpeedButton10", &TForm1::ShineSpeedButton10, 660, 18, u"元", u"初期値", clGreen,
         clWhite, clBlue, &TForm1::ShineSpeedButton10Click},
    };
    for (const TButtonRow& b : kButtons)
        this->*b.Field = CreateButton(b.Name, b.Left, b.Top, QString::fromUtf16(b.Caption),
                                      QString::fromUtf16(b.Hint), b.GradColor, b.FontColor,
                                      b.ActiveFontColor, b.OnClick);
    ShineSpeedButton11->resize(24, 25);
}

QLineEdit* TForm1::CreateField(const char* name, QWidget* parent, int left, int top, int width,
                               TColor color) {
    auto* e = new TEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setGeometry(left, top, width, 23);
    e->setFont(PixelFont(kMincho, 15));
    QPalette pal = e->palette();
    pal.setColor(QPalette::Base, ToQColor(color));
    pal.setColor(QPalette::Text, ToQColor(clWindowText));
    e->setPalette(pal);
    // Every change, typed or set by the program, copies the text into the
    // setting the field shows.
    connect(e, &QLineEdit::textChanged, this, Guarded([this, e] { FieldChange(e); }));
    return e;
}

void TForm1::LabelField(QLabel* label, QLineEdit* field) {
    label->setBuddy(field);
    field->setAccessibleName(label->text());
}

QLabel* TForm1::CreateLabel(const char* name, const QString& caption, int left, int top) {
    auto* l = new QLabel(caption, Panel1);
    l->setObjectName(QString::fromLatin1(name));
    l->setFont(PixelFont(kPGothic, 15));
    SetTextColor(l, clBlue);
    l->move(left, top);
    l->adjustSize();
    return l;
}

QCheckBox* TForm1::CreateCheckBox(const char* name, int left, int top, int width,
                                  const QString& caption, const QString& hint, bool checked) {
    auto* c = new QCheckBox(caption, Panel1);
    c->setObjectName(QString::fromLatin1(name));
    c->setGeometry(left, top, width, 17);
    c->setFont(PixelFont(kPGothic, 15));
    SetTextColor(c, clBlue);
    SetHint(c, hint);
    c->setChecked(checked);
    return c;
}

void TForm1::CreateFields() {
    Edit1 = CreateField("Edit1", Panel1, 213, 17, 205, kTitleFieldColor);
    Edit5 = CreateField("Edit5", Panel1, 77, 43, 29, kNumberFieldColor);
    Edit3 = CreateField("Edit3", Panel1, 196, 41, 53, kNumberFieldColor);
    Edit4 = CreateField("Edit4", Panel1, 296, 43, 56, kNumberFieldColor);
    Edit6 = CreateField("Edit6", Panel1, 476, 43, 68, kNumberFieldColor);
    Edit7 = CreateField("Edit7", Panel1, 617, 43, 68, kNumberFieldColor);
    // The heading field has no label: it follows the heading colour button.
    Edit1->setAccessibleName(QStringLiteral("題名"));
    Label1 = CreateLabel("Label1", QStringLiteral("Htm題"), 424, 21); // Edit8's, once it exists
    Label2 = CreateLabel("Label2", QStringLiteral("幅ピクセル"), 121, 46);
    Label3 = CreateLabel("Label3", QStringLiteral("線幅"), 258, 46);
    Label4 = CreateLabel("Label4", QStringLiteral("Fontsize"), 17, 48);
    Label5 = CreateLabel("Label5", QStringLiteral("Link"), 442, 47);
    Label6 = CreateLabel("Label6", QStringLiteral("Linkname"), 553, 48);
    LabelField(Label2, Edit3);
    LabelField(Label3, Edit4);
    LabelField(Label4, Edit5);
    LabelField(Label5, Edit6);
    LabelField(Label6, Edit7);
    CheckBox1 = CreateCheckBox("CheckBox1", 608, 22, 52, QStringLiteral("Html"),
                               QStringLiteral("htm or html"), false);
    connect(CheckBox1, &QCheckBox::toggled, this, Guarded([this] { CheckBox1Click(CheckBox1); }));
    CheckBox2 = CreateCheckBox("CheckBox2", 365, 48, 68, QStringLiteral("Prevue"),
                               QStringLiteral("保存時プレビュー"), true);
}

void TForm1::CreateMenu() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    auto menu = [&](const char* name, const QString& caption) {
        QMenu* m = bar->addMenu(caption);
        m->setObjectName(QString::fromLatin1(name));
        return m;
    };
    auto item = [&](QMenu* m, const char* name, const QString& caption, Handler handler) {
        QAction* a = m->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, Guarded([this, a, handler] { (this->*handler)(a); }));
        return a;
    };
    auto separator = [&](QMenu* m, const char* name) {
        m->addSeparator()->setObjectName(QString::fromLatin1(name));
    };

    QMenu* file1 = menu("file1", QStringLiteral("ファイル(&F)"));
    item(file1, "new1", QStringLiteral("新規(&N)"), &TForm1::ShineSpeedButton11Click);
    item(file1, "open1", QStringLiteral("開く(&O)"), &TForm1::ShineSpeedButton1Click);
    item(file1, "save1", QStringLiteral("保存(&S)"), &TForm1::ShineSpeedButton2Click);
    CreateReopenMenu(file1);
    separator(file1, "N1");
    item(file1, "Exit1", QStringLiteral("終了(&X)"), &TForm1::Exit1Click)
        ->setStatusTip(QStringLiteral("exit1"));

    QMenu* editm = menu("editm", QStringLiteral("編集(&E)"));
    item(editm, "mUndo", QStringLiteral("やり直す(&U)"), &TForm1::mUndoClick);
    separator(editm, "N2");
    item(editm, "mCut1", QStringLiteral("切り取り(&T)"), &TForm1::mCut1Click);
    item(editm, "mCopy1", QStringLiteral("コピー(&C)"), &TForm1::mCopy1Click);
    item(editm, "mPaste1", QStringLiteral("貼り付け(&P)"), &TForm1::mPaste1Click);
    item(editm, "mSelctAll1", QStringLiteral("すべて選択(&A)"), &TForm1::mSelctAll1Click);
    separator(editm, "N3");
    item(editm, "tikan1", QStringLiteral("HTML変換(&H)"), &TForm1::ShineSpeedButton3Click);
    separator(editm, "N4");
    item(editm, "haikei1", QStringLiteral("背景色(&B)"), &TForm1::ShineSpeedButton4Click);
    item(editm, "mojiiro1", QStringLiteral("文字色(&F)"), &TForm1::ShineSpeedButton5Click);
    item(editm, "sen1", QStringLiteral("線の色(&L)"), &TForm1::ShineSpeedButton6Click);
    item(editm, "dai1", QStringLiteral("題名色(&D)"), &TForm1::ShineSpeedButton7Click);
    item(editm, "mingo1", QStringLiteral("明朝-ゴシック(&M)"), &TForm1::ShineSpeedButton9Click);
    item(editm, "moto1", QStringLiteral("元(&G)"), &TForm1::ShineSpeedButton10Click);

    QMenu* help1 = menu("help1", QStringLiteral("情報(&H)"));
    item(help1, "version1", QStringLiteral("Version(&A)"), &TForm1::version1Click);

    CreateAddedItems(file1, editm);
}

void TForm1::CreateAddedItems(QMenu* file1, QMenu* editm) {
    editm->addSeparator()->setObjectName(QStringLiteral("N6"));
    for (const TStoredSetting& setting : StoredSettings()) {
        if (!setting.Option)
            continue;
        QAction* option = editm->addAction(OptionCaption(setting));
        option->setObjectName(QLatin1String(setting.Control));
        option->setCheckable(true);
        connect(option, &QAction::toggled, this, Guarded([this, option, &setting] {
                    Page.*setting.Option = option->isChecked();
                    PageChanged();
                }));
    }

    file1->addSeparator()->setObjectName(QStringLiteral("N5"));
    QAction* preview = file1->addAction(QStringLiteral("ページのプレビュー(&V)"));
    preview->setObjectName(QStringLiteral("preview1"));
    connect(preview, &QAction::triggered, this,
            Guarded([this, preview] { preview1Click(preview); }));
    RecentMenu1 = file1->addMenu(QStringLiteral("最近使ったファイル(&R)"));
    RecentMenu1->setObjectName(QStringLiteral("recent1"));
    RecentMenu1->menuAction()->setObjectName(QStringLiteral("recent1Item"));
    ShowRecentFiles();
}

// --- remembered window state ---------------------------------------------

void TForm1::ReadWindowState() {
    TextOpenDialog1->SetInitialDir(RegManager1->Filer(QLatin1String(kOpenFolder.Name))->AsString());
    const QSize size(RegManager1->Filer(QLatin1String(kOpenWidth.Name))->AsInteger(),
                     RegManager1->Filer(QLatin1String(kOpenHeight.Name))->AsInteger());
    TextOpenDialog1->SetDialogSize(size.width() > 0 && size.height() > 0 ? size : QSize());
    TStringList recent;
    RegManager1->Filer(QLatin1String(kRecentFiles.Name))->ReadStrings(recent);
    FRecentFiles = recent.List().mid(0, kMaxRecentFiles);
    FRecentFiles.removeAll(QString());
    ShowRecentFiles();
}

// Nothing is written of what was never used, so that a window used for
// pages alone leaves the settings file as the fourteen settings make it.
void TForm1::WriteWindowState() {
    if (const QString folder = TextOpenDialog1->InitialDir(); Storable(kOpenFolder, folder))
        RegManager1->Filer(QLatin1String(kOpenFolder.Name))->SetAsString(folder);
    if (const QSize size = TextOpenDialog1->DialogSize(); size.isValid()) {
        RegManager1->Filer(QLatin1String(kOpenWidth.Name))->SetAsInteger(size.width());
        RegManager1->Filer(QLatin1String(kOpenHeight.Name))->SetAsInteger(size.height());
    }
    QStringList storable;
    for (const QString& path : std::as_const(FRecentFiles))
        if (Storable(kRecentFiles, path))
            storable << path;
    RegManager1->Filer(QLatin1String(kRecentFiles.Name))->WriteStrings(TStringList(storable));
}

void TForm1::FileOpened(const QString& path) {
    TextOpenDialog1->SetInitialDir(ExtractFilePath(path));
    FRecentFiles.removeAll(path);
    FRecentFiles.prepend(path);
    if (FRecentFiles.size() > kMaxRecentFiles)
        FRecentFiles.resize(kMaxRecentFiles);
    ShowRecentFiles();
}

void TForm1::ShowRecentFiles() {
    if (!RecentMenu1)
        return;
    // An item may be the one whose click runs this: it goes once that is done.
    for (QAction* old : RecentMenu1->actions()) {
        RecentMenu1->removeAction(old);
        old->setParent(nullptr);
        old->deleteLater();
    }
    for (qsizetype i = 0; i < FRecentFiles.size(); ++i) {
        const QString path = FRecentFiles[i];
        QAction* a = RecentMenu1->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(
            DisplayPath(path).replace(QStringLiteral("&"), QStringLiteral("&&"))));
        a->setObjectName(QStringLiteral("recentFile%1").arg(i + 1));
        connect(a, &QAction::triggered, this, Guarded([this, path] { OpenRecentFile(path); }));
    }
    RecentMenu1->setEnabled(!FRecentFiles.isEmpty());
}

void TForm1::OpenRecentFile(const QString& path) {
    try {
        LoadDocument(path);
    } catch (...) {
        if (!QFileInfo::exists(path)) {
            FRecentFiles.removeAll(path);
            ShowRecentFiles();
        }
        throw;
    }
}

void TForm1::CreateRegManager() {
    RegManager1 = new TRegManager(this);
    RegManager1->setObjectName(QStringLiteral("RegManager1"));
    RegManager1->SetRegType(rtIni);
    for (const TStoredSetting& entry : StoredSettings()) {
        TRegItem* item = RegManager1->RegItems()->Add();
        item->SetName(QString::fromLatin1(entry.Name));
        item->SetSection(QString::fromLatin1(entry.Section));
        item->SetIdent(QString::fromLatin1(entry.Ident));
        item->SetDefaultValue(QString::fromLatin1(entry.StoredDefault));
    }
    for (const TWindowStateItem& entry : kWindowStateItems) {
        TRegItem* item = RegManager1->RegItems()->Add();
        item->SetName(QString::fromLatin1(entry.Name));
        item->SetSection(QString::fromLatin1(entry.Section));
        item->SetIdent(QString::fromLatin1(entry.Ident));
    }
}

// --- start-up and close ---------------------------------------------------

void TForm1::FormCreate(QObject*) {
    SetDefaultPageSettings();
    RegManager1->SetIniFileName(!SettingsFileOverride.isEmpty()
                                    ? SettingsFileOverride
                                    : ProgramSettingsFile(QCoreApplication::applicationFilePath()));
    ReadSettings();
    FillFields();
    SetLinkExtFromCheckBox();
    ClearText();
    FCurFileName.clear();
    if (Application())
        Application()->OnHint = [this](QObject* s) { DisplayHint(s); };
}

QCheckBox* TForm1::SettingCheckBox(const TStoredSetting& setting) const {
    return findChild<QCheckBox*>(QLatin1String(setting.Control));
}

QString TForm1::SettingLabel(const TStoredSetting& setting) const {
    const auto* control =
        setting.Control ? findChild<QWidget*>(QLatin1String(setting.Control)) : nullptr;
    if (const auto* box = qobject_cast<const QCheckBox*>(control))
        return box->text();
    if (control && !control->accessibleName().isEmpty())
        return control->accessibleName();
    return QLatin1String(setting.Name);
}

void TForm1::ReadSettings() {
    // The manager reads the file once for all the items while this is open.
    TRegReadBatch snapshot(*RegManager1);
    TManagerSettingsSource source(*RegManager1);
    const TStoredValues stored = ReadStoredValues(source);
    for (const TStoredSetting& setting : StoredSettings())
        if (setting.Checked)
            SettingCheckBox(setting)->setChecked(stored.*setting.Checked);
    Page = stored.Page;
    for (const TStoredSetting& setting : StoredSettings())
        if (setting.Option)
            OptionItem(setting)->setChecked(Page.*setting.Option);
    ReadWindowState();
}

QAction* TForm1::OptionItem(const TStoredSetting& setting) const {
    return findChild<QAction*>(QLatin1String(setting.Control));
}

void TForm1::WriteSetting(const TStoredSetting& setting) {
    TRegFiler* filer = RegManager1->Filer(QLatin1String(setting.Name));
    if (setting.Value) {
        filer->SetAsString(Page.*setting.Value);
    } else if (setting.Option) {
        const bool on = Page.*setting.Option;
        if (on || !filer->AsString().isEmpty())
            filer->SetAsBoolean(on);
    } else {
        filer->SetAsBoolean(SettingCheckBox(setting)->isChecked());
    }
}

void TForm1::WriteSettings() {
    // While this batch is open the manager's writes go into it: the file is
    // locked and read once, and Commit replaces it once, so it holds either
    // the old set or the new one whoever else closes at the same time. An
    // item the file refuses (a character it cannot hold) is left out and
    // named; the others are still written, and the message comes once.
    TRegBatch batch(*RegManager1);
    QString file;
    QStringList refused;
    for (const TStoredSetting* setting : SettingsInAccessOrder()) {
        try {
            WriteSetting(*setting);
        } catch (const EIniWriteError& e) {
            file = e.FileName();
            refused << QStringLiteral("「%1」の%2").arg(SettingLabel(*setting), e.Reason());
        }
    }
    WriteWindowState();
    batch.Commit();
    if (!refused.isEmpty())
        throw EIniWriteError(file, refused.join(u'\n'));
}

void TForm1::FillFields() {
    for (const TStoredSetting& setting : StoredSettings())
        if (setting.Value && setting.Control)
            findChild<QLineEdit*>(QLatin1String(setting.Control))->setText(Page.*setting.Value);
}

void TForm1::SetLinkExtFromCheckBox() {
    Page.LinkExt = LinkExtension(CheckBox1->isChecked());
}

void TForm1::closeEvent(QCloseEvent* event) {
    bool canClose = true;
    FormCloseQuery(this, canClose);
    TCloseAction action = caFree;
    if (canClose)
        FormClose(this, action);
    if (!canClose || action == caNone) {
        event->ignore();
        return;
    }
    if (PagePreview1)
        PagePreview1->close();
    event->accept();
}

void TForm1::FormCloseQuery(QObject*, bool& CanClose) {
    // A settings file that cannot be written is reported, but never keeps
    // the user from closing.
    try {
        WriteSettings();
    } catch (...) {
        HandleException();
    }
    CanClose = true;
}

void TForm1::FormClose(QObject*, TCloseAction& Action) {
    if (RichEdit1->Modified() && !Confirm(this, kDiscardOnClose)) {
        Action = caNone;
        return;
    }
    ClearText();
}

bool TForm1::event(QEvent* event) {
    // The application turns status tips into its hint; DisplayHint shows it.
    if (event->type() == QEvent::StatusTip)
        return true;
    return QMainWindow::event(event);
}

void TForm1::DisplayHint(QObject*) {
    StatusBar1->showMessage(Application()->Hint());
}

// --- page settings --------------------------------------------------------

void TForm1::FieldChange(QObject* Sender) {
    auto* field = qobject_cast<QLineEdit*>(Sender);
    if (!field)
        return;
    for (const TStoredSetting& setting : StoredSettings()) {
        if (!setting.Value || !setting.Control ||
            field->objectName() != QLatin1String(setting.Control))
            continue;
        Page.*setting.Value = field->text();
        if (setting.HintIsText)
            SetHint(field, field->text());
    }
    PageChanged();
}

void TForm1::Edit1Change(QObject*) {
    FieldChange(Edit1);
}
void TForm1::Edit3Change(QObject*) {
    FieldChange(Edit3);
}
void TForm1::Edit4Change(QObject*) {
    FieldChange(Edit4);
}
void TForm1::Edit5Change(QObject*) {
    FieldChange(Edit5);
}
void TForm1::Edit6Change(QObject*) {
    FieldChange(Edit6);
}
void TForm1::Edit7Change(QObject*) {
    FieldChange(Edit7);
}
void TForm1::Edit8Change(QObject*) {
    FieldChange(Edit8);
}

void TForm1::CheckBox1Click(QObject*) {
    SetLinkExtFromCheckBox();
    PageChanged();
}

QString TForm1::ChangeColorF(const QString& colorText) const {
    if (!colorText.startsWith(QLatin1String("cl")))
        return u'#' + colorText.mid(7, 2) + colorText.mid(5, 2) + colorText.mid(3, 2);
    static const char* const kNames[] = {"Aqua",   "Black",  "Blue",  "Fuchsia", "Gray",   "Green",
                                         "Lime",   "Maroon", "Navy",  "Olive",   "Purple", "Red",
                                         "Silver", "Teal",   "White", "Yellow"};
    for (const char* name : kNames)
        if (colorText.mid(2) == QLatin1String(name))
            return QString::fromLatin1(name);
    return colorText;
}

bool TForm1::PickColor(QString& setting, TColor* chosen) {
    if (!ColorDialog->Execute(this))
        return false;
    setting = ChangeColorF(ColorToString(ColorDialog->Color()));
    if (chosen)
        *chosen = ColorDialog->Color();
    PageChanged();
    return true;
}

void TForm1::ShineSpeedButton4Click(QObject*) {
    TColor c;
    if (PickColor(Page.bgc, &c))
        RichEdit1->SetColor(c);
}

void TForm1::ShineSpeedButton5Click(QObject*) {
    TColor c;
    if (!PickColor(Page.mclo, &c))
        return;
    TFont font = RichEdit1->Font();
    font.SetColor(c);
    RichEdit1->SetFont(font);
}

void TForm1::ShineSpeedButton6Click(QObject*) {
    PickColor(Page.Lcl, nullptr);
}

void TForm1::ShineSpeedButton7Click(QObject*) {
    PickColor(Page.Dai, nullptr);
}

void TForm1::ShineSpeedButton9Click(QObject*) {
    if (Page.Mfn == kGothic) {
        Page.Mfn = kMincho;
        ShineSpeedButton9->SetCaption(QStringLiteral("明"));
    } else {
        Page.Mfn = kGothic;
        ShineSpeedButton9->SetCaption(QStringLiteral("ゴ"));
    }
    PageChanged();
}

void TForm1::ShineSpeedButton10Click(QObject*) {
    SetDefaultPageSettings();
    FillFields();
    SetLinkExtFromCheckBox();
    PageChanged();
}

// --- conversion -----------------------------------------------------------

void TForm1::ShineSpeedButton3Click(QObject*) {
    const QStringList head = PageHeadLines(Page);
    const QStringList tail = PageTailLines(Page);
    TRichEditStrings& lines = RichEdit1->Lines();
    TUpdateBracket bracket(lines);
    if (Page.Escape)
        for (int i = 0; i < lines.Count(); ++i)
            if (const QString line = lines[i], escaped = EscapeText(line); escaped != line)
                lines.Put(i, escaped);
    for (int i = 0; i < head.size(); ++i)
        lines.Insert(i, head[i]);
    for (const QString& line : tail)
        lines.Add(line);
}

// --- document commands ----------------------------------------------------

void TForm1::ShineSpeedButton11Click(QObject*) {
    if (!Confirm(this, kDiscardQuestion))
        return;
    ClearText();
    FCurFileName.clear();
    ShowTextFormat({});
}

void TForm1::ShineSpeedButton1Click(QObject*) {
    TextOpenDialog1->SetFileName(QStringLiteral("*.txt"));
    if (!TextOpenDialog1->Execute())
        return;
    LoadDocument(TextOpenDialog1->FileName());
}

void TForm1::ShineSpeedButton2Click(QObject*) {
    SaveDialog1->SetFilter(
        CheckBox1->isChecked()
            ? QStringLiteral("Html(*.html)|*.html|Htm(*.htm)|*.htm|All(*.*)|*.*")
            : QStringLiteral("Htm(*.htm)|*.htm|Html(*.html)|*.html|All(*.*)|*.*"));
    if (SaveDialog1->Execute(this)) {
        if (!SaveDocument(SaveDialog1->FileName()))
            return;
        SetCurrentFile(SaveDialog1->FileName(), false);
        // The current file is now the page, in the page's encoding.
        ShowTextFormat({Page.Utf8 ? TTextEncoding::Utf8 : TTextEncoding::Cp932, false});
    }
    if (!CheckBox2->isChecked())
        return;
    if (FCurFileName.isEmpty()) {
        ShowMessage(QStringLiteral("HTMLファイルがありません"));
        return;
    }
    // The URL carries the name's bytes, so a name that is not UTF-8 opens too.
    if (!QDesktopServices::openUrl(FileUrlFromLocalPath(FCurFileName)))
        throw Exception(QStringLiteral("ファイル %1 を表示するプログラムを起動できません")
                            .arg(DisplayPath(FCurFileName)));
}

void TForm1::LoadDocument(const QString& path, std::optional<TTextEncoding> as) {
    // A file that cannot be read leaves the text, its undo steps and its
    // modified flag as they were; one that is read replaces the text as one
    // undo step.
    ShowTextFormat(RichEdit1->Lines().LoadFromFile(path, kMaxLength, as));
    SetCurrentFile(path, true);
    FileOpened(path);
}

bool TForm1::SaveDocument(const QString& path) {
    if (Page.Utf8) {
        RichEdit1->Lines().SaveToFileAsUtf8(path);
        return true;
    }
    return RichEdit1->Lines().SaveToFile(path, [this](const TUnencodable& unencodable) {
        const QString question =
            QStringLiteral("Shift-JIS で表せない文字が %1 個あります (最初は U+%2、%3 行目)。"
                           "数値文字参照 (&#x...;) にして保存しますか。")
                .arg(unencodable.Count)
                .arg(QStringLiteral("%1").arg(unencodable.First, 4, 16, QLatin1Char('0')).toUpper())
                .arg(unencodable.FirstLine);
        return Confirm(this, question);
    });
}

void TForm1::CreateReopenMenu(QMenu* file1) {
    QMenu* reopen = file1->addMenu(QStringLiteral("エンコードを指定して開き直す(&R)"));
    reopen->setObjectName(QStringLiteral("reopen1"));
    reopen->menuAction()->setObjectName(QStringLiteral("reopen1Item"));
    const struct {
        const char* Name;
        const char* Caption;
        TTextEncoding Encoding;
    } kChoices[] = {{"reopenSjis1", "Shift-JIS", TTextEncoding::Cp932},
                    {"reopenUtf81", "UTF-8", TTextEncoding::Utf8},
                    {"reopenUtf161", "UTF-16", TTextEncoding::Utf16LE}};
    for (const auto& choice : kChoices) {
        QAction* a = reopen->addAction(QString::fromLatin1(choice.Caption));
        a->setObjectName(QString::fromLatin1(choice.Name));
        connect(a, &QAction::triggered, this,
                Guarded([this, e = choice.Encoding] { ReopenAs(e); }));
    }
    // Only a document read from a file can be read again.
    connect(file1, &QMenu::aboutToShow, this,
            [this, reopen] { reopen->setEnabled(!FCurFileName.isEmpty()); });
}

void TForm1::ReopenAs(TTextEncoding encoding) {
    if (FCurFileName.isEmpty())
        return;
    if (RichEdit1->Modified() && !Confirm(this, kDiscardQuestion))
        return;
    LoadDocument(FCurFileName, encoding);
}

void TForm1::ShowTextFormat(const TTextFormat& format) {
    QString text = EncodingName(format.Encoding);
    if (format.Malformed)
        text += QStringLiteral("（不正な並びあり）");
    EncodingLabel->setText(text);
    EncodingLabel->setToolTip(
        format.Malformed
            ? QStringLiteral("この符号化として正しくない部分があります。UTF-16 では U+FFFD、"
                             "UTF-8 では元のバイトのまま表示しています。")
            : QString());
}

void TForm1::ClearText() {
    RichEdit1->Lines().Clear();
    RichEdit1->SetModified(false);
}

void TForm1::SetCurrentFile(const QString& fileName, bool showName) {
    RichEdit1->SetModified(false);
    FCurFileName = fileName;
    if (!showName)
        return;
    // "[*]" is Qt's modified-marker placeholder; doubled it shows as itself.
    // A name that is not UTF-8 is shown readably; FCurFileName keeps its bytes.
    setWindowTitle(DisplayPath(fileName).replace(QStringLiteral("[*]"), QStringLiteral("[*][*]")));
    SaveDialog1->SetInitialDir(ExtractFilePath(fileName));
}

void TForm1::DropDst1FileDrop(QObject*, const QStringList& Files, int, int) {
    if (!Files.isEmpty())
        LoadDocument(Files.constFirst());
}

// --- page preview -------------------------------------------------------

void TForm1::preview1Click(QObject*) {
    if (!PagePreview1) {
        PagePreview1 = new TPagePreview(this);
        FPreviewTimer = new QTimer(this);
        FPreviewTimer->setSingleShot(true);
        FPreviewTimer->setInterval(300);
        connect(FPreviewTimer, &QTimer::timeout, this, &TForm1::RefreshPreview);
        connect(RichEdit1->document(), &QTextDocument::contentsChanged, this, &TForm1::PageChanged);
    }
    RefreshPreview();
    PagePreview1->show();
    PagePreview1->raise();
    PagePreview1->activateWindow();
}

void TForm1::PageChanged() {
    if (PagePreview1 && PagePreview1->isVisible())
        FPreviewTimer->start();
}

void TForm1::RefreshPreview() {
    QElapsedTimer took;
    took.start();
    QString text = RichEdit1->Lines().TextHead(TPagePreview::kMaxChars);
    const bool shortened = text.size() > TPagePreview::kMaxChars;
    if (shortened) {
        const qsizetype lineEnd = text.lastIndexOf(u'\n', TPagePreview::kMaxChars);
        text.truncate(lineEnd > 0 ? lineEnd + 1 : TPagePreview::kMaxChars);
    }
    PagePreview1->ShowPage(PageText(text, Page), shortened);
    // Changes come no faster than the page can be shown.
    FPreviewTimer->setInterval(std::max<int>(300, int(took.elapsed()) * 2));
}

void TForm1::Exit1Click(QObject*) {
    close();
}

void TForm1::mUndoClick(QObject*) {
    RichEdit1->Undo();
}
void TForm1::mCut1Click(QObject*) {
    RichEdit1->cut();
}
void TForm1::mCopy1Click(QObject*) {
    RichEdit1->copy();
}
void TForm1::mPaste1Click(QObject*) {
    RichEdit1->paste();
}
void TForm1::mSelctAll1Click(QObject*) {
    RichEdit1->selectAll();
}

// The build's own version and the toolkit's, unlike the banner's fixed text.
void TForm1::version1Click(QObject*) {
    MessageBox(this,
               QStringLiteral("Vexla バージョン %1\nQt %2 で動作中\n"
                              "テキストファイルを HTML ページに変換するツールです。")
                   .arg(QStringLiteral(VEXLA_VERSION), QString::fromLatin1(qVersion())),
               QStringLiteral("バージョン情報"), mbOK, mtInformation);
}
