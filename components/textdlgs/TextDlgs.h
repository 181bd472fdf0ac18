// Open dialogs: one whose default extension follows the chosen file type, one
// that carries an extra area from a dialog template, and one that previews the
// selected text file in that area.
#pragma once

#include <QByteArrayView>
#include <QFlags>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>
#include <functional>
#include <optional>

class QCheckBox;
class QFileDialog;
class QFrame;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

// The 1-based position of the n-th occurrence of c in s; 0 when there are
// fewer than n or n < 1.
int NthCharPos(QChar c, const QString& s, int n);

// The extension (with its dot, ".*" for "*.*", empty for a pattern without a
// dot) of the first pattern of filter number index (1-based) in a
// "description|pattern|..." filter. False, with ext untouched, when there is
// no such filter.
bool GetFilterExt(const QString& filter, int index, QString& ext);

// An existing regular file (links followed; folders, FIFOs and devices are
// not). '*' and '?' are ordinary characters of a name.
bool IsPlainExistingFile(const QString& name);

// What a preview shows of a file's first bytes: the text up to the first NUL,
// decoded as CP932 (a lone byte stays visible), line breaks made uniform.
QString PreviewText(QByteArrayView bytes);

// A dialog template in the standard (not extended) binary format, reduced to
// what an attached area needs. Sizes are in dialog units of the template's
// font.
struct TDialogTemplate {
    struct TItem {
        int Id = 0;
        QRect Bounds;
    };
    QString FontName; // empty without a font
    int FontPointSize = 0;
    QSize Size;
    QList<TItem> Items;
};

// The id of the placeholder item that stands for the standard dialog controls.
constexpr int stc32 = 0x045F;

// Nullopt for truncated or extended-format bytes.
std::optional<TDialogTemplate> ParseDialogTemplate(QByteArrayView bytes);

// The area a template adds below the standard controls, in pixels: its full
// width and its height less the placeholder's (the whole height without one).
QSize ExtraAreaSize(const TDialogTemplate& dialogTemplate);

enum TOpenOption : unsigned {
    ofHideReadOnly = 0x1,
    ofFileMustExist = 0x2,
    ofEnableSizing = 0x4,
    ofOldStyleDialog = 0x8,
};
Q_DECLARE_FLAGS(TOpenOptions, TOpenOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TOpenOptions)

// The open-file dialog component over a non-native QFileDialog, which is
// created for each Execute. Filters keep the "description|pattern|..." form;
// patterns of one filter are separated by ";".
class TOpenDialog : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Filter READ Filter WRITE SetFilter)
    Q_PROPERTY(int FilterIndex READ FilterIndex WRITE SetFilterIndex)
    Q_PROPERTY(QString FileName READ FileName WRITE SetFileName)
    Q_PROPERTY(QString DefaultExt READ DefaultExt WRITE SetDefaultExt)
    Q_PROPERTY(QString InitialDir READ InitialDir WRITE SetInitialDir)
    Q_PROPERTY(QString Title READ Title WRITE SetTitle)
public:
    explicit TOpenDialog(QObject* owner = nullptr);
    ~TOpenDialog() override;

    QString Filter() const { return FFilter; }
    void SetFilter(const QString& filter) { FFilter = filter; }
    // 1-based; follows the type the user picks while the dialog is open.
    int FilterIndex() const { return FFilterIndex; }
    void SetFilterIndex(int index) { FFilterIndex = index; }
    // While the dialog is shown: the path selected or typed in it.
    QString FileName() const;
    void SetFileName(const QString& name) { FFileName = name; }
    // Without the dot; appended to a typed name that has no extension.
    QString DefaultExt() const { return FDefaultExt; }
    void SetDefaultExt(const QString& ext);
    QString InitialDir() const { return FInitialDir; }
    void SetInitialDir(const QString& dir) { FInitialDir = dir; }
    // Empty for the default caption.
    QString Title() const { return FTitle; }
    void SetTitle(const QString& title) { FTitle = title; }
    TOpenOptions Options() const { return FOptions; }
    void SetOptions(TOpenOptions options) { FOptions = options; }
    // The size the dialog had when it last closed, which it opens with next
    // time; empty until then (it opens at its own size, widened for the
    // detail columns).
    QSize DialogSize() const { return FDialogSize; }
    void SetDialogSize(const QSize& size) { FDialogSize = size; }

    // Runs the dialog modally; true when the user chose a file, which is then
    // in FileName.
    virtual bool Execute();

    // The dialog window between DoShow and DoClose; null otherwise.
    QFileDialog* Handle() const;

    std::function<void(QObject* sender)> OnShow;
    std::function<void(QObject* sender)> OnClose;
    std::function<void(QObject* sender)> OnSelectionChange;
    std::function<void(QObject* sender)> OnTypeChange;

protected:
    // Notifications while the dialog runs. An exception escaping one is
    // reported through the application and the dialog stays open.
    virtual void DoShow();
    virtual void DoClose();
    virtual void DoSelectionChange();
    virtual void DoTypeChange();

    // The dialog template (a resource under ":/dialogs/") whose extra area is
    // attached below the standard controls at the next Execute; empty for none.
    QString TemplateName() const { return FTemplateName; }
    void SetTemplateName(const QString& name) { FTemplateName = name; }
    // While shown: the dialog window, which holds the standard controls and,
    // below them, the template's extra area; null otherwise.
    QWidget* HookWindow() const;
    // The standard controls' area in the hook window: above the extra area,
    // or the whole window without a template; empty while not shown.
    QRect StaticRect() const;

    // Runs action, reporting an exception through the application.
    void Guarded(const std::function<void()>& action);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QFileDialog* CreateDialogWindow(QWidget* parent);
    void ApplyFilter(QFileDialog* dialog);
    void ApplyFileName(QFileDialog* dialog);
    void AttachTemplate(QFileDialog* dialog);
    void Shown();
    void Closed();
    void TypeSelected();
    int ChosenFilterIndex() const;

    QString FFilter;
    int FFilterIndex = 1;
    QString FFileName;
    QString FDefaultExt;
    QString FInitialDir;
    QString FTitle;
    TOpenOptions FOptions = ofHideReadOnly | ofEnableSizing;
    QSize FDialogSize;
    QString FTemplateName;
    QPointer<QFileDialog> FDialog;
    QPointer<QWidget> FTemplateArea;
    bool FShown = false;
};

// The default extension follows the chosen type: the extension of the name
// in the file-name box is replaced with the type's first one.
class TExtChangeOpenDialog : public TOpenDialog {
    Q_OBJECT
    Q_PROPERTY(bool AutoExtChange READ AutoExtChange WRITE SetAutoExtChange)
public:
    explicit TExtChangeOpenDialog(QObject* owner = nullptr);

    bool AutoExtChange() const { return FAutoExtChange; }
    void SetAutoExtChange(bool value) { FAutoExtChange = value; }

    bool Execute() override;

protected:
    void DoShow() override;
    void DoTypeChange() override;

private:
    bool FAutoExtChange = true;
    QPointer<QWidget> FParentWnd;
};

// Attaches the ENHDLG1 template's area below the standard controls and covers
// it with a borderless panel for descendants' controls, from 10 pixels above
// the standard controls' bottom to the dialog's bottom. The panel is placed
// once at show and released at close.
class TEnhOpenDialog : public TExtChangeOpenDialog {
    Q_OBJECT
public:
    explicit TEnhOpenDialog(QObject* owner = nullptr);
    ~TEnhOpenDialog() override;

    bool Execute() override;

    // The panel while the dialog is shown; null otherwise.
    QFrame* Panel() const;

protected:
    void DoShow() override;
    void DoClose() override;

private:
    QPointer<QFrame> FPanel;
};

// Previews the first 1024 bytes of the selected file in a read-only memo
// under a "Preview(&P)" check box.
class TTextOpenDialog : public TEnhOpenDialog {
    Q_OBJECT
    Q_PROPERTY(bool Preview READ Preview WRITE SetPreview STORED true)
public:
    static constexpr qint64 PreviewSize = 1024;

    explicit TTextOpenDialog(QObject* owner = nullptr);
    ~TTextOpenDialog() override;

    bool Preview() const { return FPreview; }
    // While shown, ticks or unticks the box, which refreshes the memo.
    void SetPreview(bool value);

    virtual void UpdatePreview();

protected:
    void DoShow() override;
    void DoClose() override;
    void DoSelectionChange() override;

private:
    void PreviewClick();
    void CreateCheckBox();
    void CreateMemo();

    QPointer<QCheckBox> FCheckBox;
    QPointer<QPlainTextEdit> FMemo;
    bool FPreview = false;
};
