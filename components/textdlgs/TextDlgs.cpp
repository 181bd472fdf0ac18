#include "TextDlgs.h"

#include "Application.h"
#include "Classes.h"
#include "Cp932.h"
#include "FileDialogs.h"
#include "PathNames.h"
#include "SysUtils.h"
#include "TextFile.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSizeGrip>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Resources of a static library must be registered by name from the global
// namespace.
static void InitTextDlgsResources() {
    Q_INIT_RESOURCE(textdlgs);
}

namespace {

const QString FileNameEditName = QStringLiteral("fileNameEdit");
const QString FileTypeComboName = QStringLiteral("fileTypeCombo");
const QString FileListName = QStringLiteral("listView");

bool HasWildcard(const QString& name) {
    return name.contains(u'*') || name.contains(u'?');
}

// Names may hold '*' and '?' here: a name is a pattern only when no entry of
// exactly that name exists.
bool IsPattern(const QDir& folder, const QString& name) {
    if (!HasWildcard(name))
        return false;
    const QFileInfo entry(folder.absoluteFilePath(name));
    return !entry.exists() && !entry.isSymLink();
}

int MulDiv(int value, int numerator, int denominator) {
    return int((qint64(value) * numerator + denominator / 2) / denominator);
}

void ShowOnlyMatching(QFileDialog* dialog, const QString& patterns) {
    if (auto* model = dialog->findChild<QFileSystemModel*>())
        model->setNameFilters(patterns.split(u';', Qt::SkipEmptyParts));
    RelistFilesNamedNotInUtf8(dialog);
}

QLineEdit* FileNameBox(const QWidget* dialog) {
    return dialog ? dialog->findChild<QLineEdit*>(FileNameEditName) : nullptr;
}

// A wildcard is no suffix to append to a typed name.
QString SuffixFor(const QString& defaultExt) {
    return HasWildcard(defaultExt) ? QString() : defaultExt;
}

class TFileDialogWindow : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

private:
    // A name that leads to an existing file only through its readable form.
    bool IsNamedNotInUtf8(const QString& text) const {
        if (text.isEmpty())
            return false;
        const QString typed = directory().absoluteFilePath(text);
        const QString found = ResolveChosenPath(typed);
        return found != typed && IsRegularFile(found);
    }

public:
    // A typed wildcard, with or without a folder, narrows the listing and
    // keeps the dialog open instead of naming a file.
    void accept() override {
        QLineEdit* box = FileNameBox(this);
        const QString text = box ? box->text().trimmed() : QString();
        if (IsNamedNotInUtf8(text)) {
            QDialog::accept(); // the toolkit would not find it
            return;
        }
        if (!IsPattern(directory(), text)) {
            QFileDialog::accept();
            return;
        }
        const QString folder = ExtractFilePath(text);
        if (!folder.isEmpty())
            setDirectory(directory().absoluteFilePath(folder));
        box->setText(text.mid(folder.size()));
        ShowOnlyMatching(this, text.mid(folder.size()));
    }
};

// Little-endian reader over a template's bytes; any read past the end
// clears Ok.
class TTemplateReader {
public:
    explicit TTemplateReader(QByteArrayView bytes) : FBytes(bytes) {}

    bool Ok() const { return FOk; }

    quint16 Word() {
        if (FPos + 2 > FBytes.size()) {
            FOk = false;
            return 0;
        }
        const auto* p = reinterpret_cast<const uchar*>(FBytes.data()) + FPos;
        FPos += 2;
        return quint16(p[0] | p[1] << 8);
    }
    qint16 Short() { return qint16(Word()); }
    quint32 DWord() {
        const quint32 low = Word();
        return low | quint32(Word()) << 16;
    }
    void Skip(qsizetype count) {
        FPos += count;
        FOk = FOk && FPos <= FBytes.size();
    }
    void AlignToDWord() { Skip((4 - FPos % 4) % 4); }

    // A zero-terminated UTF-16 string.
    QString Text() {
        QString text;
        for (quint16 c = Word(); FOk && c != 0; c = Word())
            text.append(QChar(c));
        return text;
    }
    // A name that is empty (0), an ordinal (FFFF then the number) or text.
    void SkipNameOrOrdinal() {
        const quint16 first = Word();
        if (first == 0xFFFF)
            Word();
        else if (first != 0)
            Text();
    }
    QRect Bounds() {
        const int x = Short(), y = Short(), cx = Short(), cy = Short();
        return QRect(x, y, cx, cy);
    }

private:
    QByteArrayView FBytes;
    qsizetype FPos = 0;
    bool FOk = true;
};

constexpr quint32 DS_SETFONT = 0x40;

QSize DialogBaseUnits(const TDialogTemplate& dialogTemplate) {
    QFont font = QApplication::font();
    if (!dialogTemplate.FontName.isEmpty()) {
        font.setFamily(dialogTemplate.FontName);
        if (dialogTemplate.FontPointSize > 0)
            font.setPointSize(dialogTemplate.FontPointSize);
    }
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return QSize((letters / 26 + 1) / 2, metrics.height());
}

int SizeGripWidth(const QWidget* dialog) {
    const auto* grip =
        dialog ? dialog->findChild<QSizeGrip*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    return grip ? grip->sizeHint().width() : 0;
}

// At most limit bytes from the start of a regular file. Opened without
// blocking, so a file swapped for a FIFO after the check cannot hang us.
QByteArray ReadFileHead(const QString& name, qint64 limit) {
    const int fd =
        ::open(PathToBytes(name).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        throw EFOpenError(name);
    struct Closer {
        int Fd;
        ~Closer() { ::close(Fd); }
    } closer{fd};
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        throw EFOpenError(name);
    QByteArray bytes(limit, Qt::Uninitialized);
    qint64 got = 0;
    while (got < limit) {
        const ssize_t n = ::read(fd, bytes.data() + got, size_t(limit - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw EFOpenError(name);
        if (n == 0)
            break;
        got += n;
    }
    bytes.truncate(got);
    return bytes;
}

} // namespace

// ---------------------------------------------------------------------------
// Routines

int NthCharPos(QChar c, const QString& s, int n) {
    if (n < 1)
        return 0;
    for (qsizetype i = 0; i < s.size(); ++i)
        if (s[i] == c && --n == 0)
            return int(i + 1);
    return 0;
}

bool GetFilterExt(const QString& filter, int index, QString& ext) {
    if (index < 1 || index > filter.size())
        return false;
    const int p = NthCharPos(u'|', filter, 2 * index - 1);
    if (p == 0)
        return false;
    QString e = filter.mid(p);
    const int q = NthCharPos(u'|', e, 1);
    const int s = NthCharPos(u';', e, 1);
    if (q != 0)
        e.truncate(q - 1);
    if (s != 0)
        e.truncate(s - 1);
    const int d = NthCharPos(u'.', e, 1);
    ext = d == 0 ? QString() : e.mid(d - 1);
    return true;
}

bool IsPlainExistingFile(const QString& name) {
    return !name.isEmpty() && IsRegularFile(name);
}

QString PreviewText(QByteArrayView bytes) {
    // Decoded as Open reads the file; the text ends at its first NUL.
    QString text = DecodeTextHead(bytes).Text;
    if (const qsizetype nul = text.indexOf(QChar(0)); nul >= 0)
        text.truncate(nul);
    return NormalizeLineBreaks(text);
}

std::optional<TDialogTemplate> ParseDialogTemplate(QByteArrayView bytes) {
    TTemplateReader reader(bytes);
    const bool extended = reader.Word() == 1 && reader.Word() == 0xFFFF;
    if (extended || !reader.Ok())
        return std::nullopt;
    reader = TTemplateReader(bytes);
    TDialogTemplate result;
    const quint32 style = reader.DWord();
    reader.DWord(); // extended style
    const int count = reader.Word();
    result.Size = reader.Bounds().size();
    reader.SkipNameOrOrdinal(); // menu
    reader.SkipNameOrOrdinal(); // window class
    reader.Text();              // title
    if (style & DS_SETFONT) {
        result.FontPointSize = reader.Word();
        result.FontName = reader.Text();
    }
    for (int i = 0; i < count && reader.Ok(); ++i) {
        reader.AlignToDWord();
        reader.DWord(); // style
        reader.DWord(); // extended style
        TDialogTemplate::TItem item;
        item.Bounds = reader.Bounds();
        item.Id = reader.Word();
        reader.SkipNameOrOrdinal(); // class
        reader.SkipNameOrOrdinal(); // text
        reader.Skip(reader.Word()); // creation data
        result.Items << item;
    }
    if (!reader.Ok())
        return std::nullopt;
    return result;
}

QSize ExtraAreaSize(const TDialogTemplate& dialogTemplate) {
    int height = dialogTemplate.Size.height();
    const auto placeholder =
        std::find_if(dialogTemplate.Items.begin(), dialogTemplate.Items.end(),
                     [](const TDialogTemplate::TItem& item) { return item.Id == stc32; });
    if (placeholder != dialogTemplate.Items.end())
        height -= placeholder->Bounds.height();
    const QSize base = DialogBaseUnits(dialogTemplate);
    return QSize(MulDiv(std::max(0, dialogTemplate.Size.width()), base.width(), 4),
                 MulDiv(std::max(0, height), base.height(), 8));
}

// ---------------------------------------------------------------------------
// TOpenDialog

TOpenDialog::TOpenDialog(QObject* owner) : QObject(owner) {
    static const bool registered = (InitTextDlgsResources(), true);
    Q_UNUSED(registered);
}

TOpenDialog::~TOpenDialog() = default;

QString TOpenDialog::FileName() const {
    if (const QFileDialog* dialog = Handle())
        return ResolveChosenPath(dialog->selectedFiles().value(0));
    return FFileName;
}

void TOpenDialog::SetDefaultExt(const QString& ext) {
    FDefaultExt = ext;
    if (FDialog)
        FDialog->setDefaultSuffix(SuffixFor(ext));
}

QFileDialog* TOpenDialog::Handle() const {
    return FShown ? FDialog.data() : nullptr;
}

QWidget* TOpenDialog::HookWindow() const {
    return Handle();
}

QRect TOpenDialog::StaticRect() const {
    const QWidget* hook = HookWindow();
    if (!hook)
        return QRect();
    if (!FTemplateArea)
        return hook->rect();
    return QRect(0, 0, hook->width(), FTemplateArea->mapTo(hook, QPoint(0, 0)).y());
}

bool TOpenDialog::Execute() {
    if (FDialog)
        return false; // already running
    auto* owner = qobject_cast<QWidget*>(parent());
    QPointer<QFileDialog> dialog =
        CreateDialogWindow(owner ? owner->window() : qApp->activeWindow());
    FDialog = dialog;
    const QPointer<TOpenDialog> self(this);
    const bool accepted = dialog->exec() == QDialog::Accepted;
    if (!self) { // freed with its owner while the dialog ran
        delete dialog;
        return false;
    }
    if (FShown)
        Closed();
    // The dialog deals in text; a name whose bytes are not UTF-8 is found by
    // the form it was shown or typed in.
    if (dialog && accepted)
        FFileName = ResolveChosenPath(dialog->selectedFiles().value(0));
    delete dialog;
    FDialog = nullptr;
    return accepted;
}

QFileDialog* TOpenDialog::CreateDialogWindow(QWidget* parent) {
    auto* dialog = new TFileDialogWindow(parent);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(FOptions.testFlag(ofFileMustExist) ? QFileDialog::ExistingFile
                                                           : QFileDialog::AnyFile);
    dialog->setWindowTitle(FTitle.isEmpty() ? QStringLiteral("開く") : FTitle);
    dialog->setSizeGripEnabled(FOptions.testFlag(ofEnableSizing));
    dialog->setDefaultSuffix(SuffixFor(FDefaultExt));
    ApplyFilter(dialog);
    ApplyFileName(dialog);
    AttachTemplate(dialog);
    ListFilesNamedNotInUtf8(dialog); // replaces the views' selection model
    dialog->installEventFilter(this);
    // The view's current item changes before its selection does, so only the
    // selection tells which entry was just clicked.
    if (auto* list = dialog->findChild<QAbstractItemView*>(FileListName))
        connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
            if (FShown)
                Guarded([this] { DoSelectionChange(); });
        });
    connect(dialog, &QFileDialog::filterSelected, this, [this] { TypeSelected(); });
    connect(dialog, &QDialog::finished, this, [this] { Closed(); });
    return dialog;
}

void TOpenDialog::ApplyFilter(QFileDialog* dialog) {
    // Out of range picks the first, as the platform dialog does.
    ApplyNameFilters(dialog, FFilter, FFilterIndex - 1);
}

void TOpenDialog::ApplyFileName(QFileDialog* dialog) {
    const QString folder = ExtractFilePath(FFileName);
    const QString name = FFileName.mid(folder.size());
    if (!folder.isEmpty())
        dialog->setDirectory(folder);
    else if (!FInitialDir.isEmpty())
        dialog->setDirectory(FInitialDir);
    if (QLineEdit* box = FileNameBox(dialog))
        box->setText(name);
    if (IsPattern(dialog->directory(), name))
        ShowOnlyMatching(dialog, name);
}

void TOpenDialog::AttachTemplate(QFileDialog* dialog) {
    FTemplateArea = nullptr;
    if (FTemplateName.isEmpty())
        return;
    QFile resource(QStringLiteral(":/dialogs/") + FTemplateName);
    const auto dialogTemplate =
        resource.open(QIODevice::ReadOnly) ? ParseDialogTemplate(resource.readAll()) : std::nullopt;
    if (!dialogTemplate || !dialog->layout()) {
        qWarning("dialog template %s is missing or invalid", qPrintable(FTemplateName));
        return;
    }
    // Only reserves room: the panel laid over it takes the clicks.
    auto* area = new QWidget(dialog);
    area->setObjectName(QStringLiteral("templateArea"));
    area->setAttribute(Qt::WA_TransparentForMouseEvents);
    const QSize size = ExtraAreaSize(*dialogTemplate);
    area->setMinimumWidth(size.width());
    area->setFixedHeight(size.height());
    if (auto* grid = qobject_cast<QGridLayout*>(dialog->layout()))
        grid->addWidget(area, grid->rowCount(), 0, 1, grid->columnCount());
    else
        dialog->layout()->addWidget(area);
    FTemplateArea = area;
}

bool TOpenDialog::eventFilter(QObject* watched, QEvent* event) {
    // The type first: while the dialog is being destroyed it is no
    // QFileDialog any more, and reading FDialog would cast it as one.
    if (event->type() == QEvent::Show && watched == FDialog)
        Shown();
    return QObject::eventFilter(watched, event);
}

void TOpenDialog::Shown() {
    if (FShown)
        return;
    FShown = true;
    if (FDialogSize.isValid() && FOptions.testFlag(ofEnableSizing))
        FDialog->resize(FDialogSize);
    else
        WidenForDetailColumns(FDialog);
    if (!FOptions.testFlag(ofEnableSizing))
        FDialog->setFixedSize(FDialog->size());
    Guarded([this] { DoShow(); });
}

void TOpenDialog::Closed() {
    if (!FShown)
        return;
    if (FDialog)
        FDialogSize = FDialog->size();
    Guarded([this] { DoClose(); });
    FShown = false;
}

void TOpenDialog::TypeSelected() {
    // The old style has no type-change notification.
    if (!FShown || FOptions.testFlag(ofOldStyleDialog))
        return;
    const int index = ChosenFilterIndex();
    if (index == FFilterIndex)
        return;
    FFilterIndex = index;
    Guarded([this] { DoTypeChange(); });
}

int TOpenDialog::ChosenFilterIndex() const {
    const auto* combo = FDialog ? FDialog->findChild<QComboBox*>(FileTypeComboName) : nullptr;
    return combo ? combo->currentIndex() + 1 : FFilterIndex;
}

void TOpenDialog::Guarded(const std::function<void()>& action) {
    try {
        action();
    } catch (...) {
        if (Application())
            Application()->HandleCurrentException();
    }
}

void TOpenDialog::DoShow() {
    if (OnShow)
        OnShow(this);
}

void TOpenDialog::DoClose() {
    if (OnClose)
        OnClose(this);
}

void TOpenDialog::DoSelectionChange() {
    if (OnSelectionChange)
        OnSelectionChange(this);
}

void TOpenDialog::DoTypeChange() {
    if (OnTypeChange)
        OnTypeChange(this);
}

// ---------------------------------------------------------------------------
// TExtChangeOpenDialog

TExtChangeOpenDialog::TExtChangeOpenDialog(QObject* owner) : TOpenDialog(owner) {}

bool TExtChangeOpenDialog::Execute() {
    QString ext;
    if (FAutoExtChange && GetFilterExt(Filter(), FilterIndex(), ext))
        SetDefaultExt(ext.mid(1));
    return TOpenDialog::Execute();
}

void TExtChangeOpenDialog::DoShow() {
    FParentWnd = Handle();
    TOpenDialog::DoShow();
}

void TExtChangeOpenDialog::DoTypeChange() {
    QString ext;
    if (FAutoExtChange && GetFilterExt(Filter(), FilterIndex(), ext)) {
        // A box the dialog does not have reads as empty and takes no text.
        if (QLineEdit* box = FileNameBox(FParentWnd)) {
            const QString text = box->text();
            box->setText(text.isEmpty() ? QStringLiteral("*") + ext : ChangeFileExt(text, ext));
        }
        SetDefaultExt(ext.mid(1));
    }
    TOpenDialog::DoTypeChange();
}

// ---------------------------------------------------------------------------
// TEnhOpenDialog

TEnhOpenDialog::TEnhOpenDialog(QObject* owner) : TExtChangeOpenDialog(owner) {}

TEnhOpenDialog::~TEnhOpenDialog() {
    delete FPanel;
}

QFrame* TEnhOpenDialog::Panel() const {
    return FPanel;
}

bool TEnhOpenDialog::Execute() {
    SetTemplateName(Options().testFlag(ofOldStyleDialog) ? QString() : QStringLiteral("ENHDLG1"));
    return TExtChangeOpenDialog::Execute();
}

// The panel starts 10 pixels above the bottom of the standard controls and
// reaches the bottom of the dialog over its full width; without a template it
// is a strip along the bottom. It lies beneath the dialog's own widgets, so
// where it overlaps them (the size grip included) they keep their clicks.
void TEnhOpenDialog::DoShow() {
    QWidget* hook = HookWindow();
    QRect bounds = hook->rect();
    bounds.setTop(StaticRect().height() - 10);
    FPanel = new QFrame(hook);
    FPanel->setObjectName(QStringLiteral("Panel"));
    FPanel->setFrameShape(QFrame::NoFrame);
    FPanel->setGeometry(bounds);
    FPanel->lower();
    FPanel->show();
    TExtChangeOpenDialog::DoShow();
}

void TEnhOpenDialog::DoClose() {
    delete FPanel;
    TExtChangeOpenDialog::DoClose();
}

// ---------------------------------------------------------------------------
// TTextOpenDialog

TTextOpenDialog::TTextOpenDialog(QObject* owner) : TEnhOpenDialog(owner) {}

TTextOpenDialog::~TTextOpenDialog() = default;

void TTextOpenDialog::SetPreview(bool value) {
    if (value == FPreview)
        return;
    FPreview = value;
    if (FCheckBox)
        FCheckBox->setChecked(value);
}

void TTextOpenDialog::DoShow() {
    TEnhOpenDialog::DoShow();
    CreateCheckBox();
    CreateMemo();
}

void TTextOpenDialog::CreateCheckBox() {
    FCheckBox = new QCheckBox(Panel());
    FCheckBox->setObjectName(QStringLiteral("PreviewCheckBox"));
    FCheckBox->setGeometry(5, 2, 200, 25);
    FCheckBox->setChecked(FPreview);
    FCheckBox->setText(QStringLiteral("Preview(&P)"));
    connect(FCheckBox, &QCheckBox::toggled, this, [this] { Guarded([this] { PreviewClick(); }); });
    FCheckBox->show();
}

void TTextOpenDialog::CreateMemo() {
    const QRect area = Panel()->contentsRect();
    int width = area.width() - 10;
    // Keep clear of the size grip in the dialog's corner.
    if (Options().testFlag(ofEnableSizing))
        width -= SizeGripWidth(Handle());
    FMemo = new QPlainTextEdit(Panel());
    FMemo->setObjectName(QStringLiteral("PreviewMemo"));
    FMemo->setGeometry(5, 25, std::max(0, width), std::max(0, area.height() - 30));
    QFont font = FMemo->font();
    font.setFamily(QStringLiteral("Arial"));
    FMemo->setFont(font);
    FMemo->setReadOnly(true);
    FMemo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    FMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FMemo->show();
}

void TTextOpenDialog::DoClose() {
    delete FMemo;
    delete FCheckBox;
    TEnhOpenDialog::DoClose();
}

void TTextOpenDialog::DoSelectionChange() {
    TEnhOpenDialog::DoSelectionChange();
    UpdatePreview();
}

void TTextOpenDialog::PreviewClick() {
    FPreview = FCheckBox->isChecked();
    UpdatePreview();
}

namespace {

// Form files hold a component stream behind a resource header.
bool IsFormFile(const QString& name) {
    const qsizetype slash = name.lastIndexOf(u'/');
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString ext = dot > slash ? name.mid(dot).toLower() : QString();
    return ext == u".qfm" || ext == u".~qf";
}

// A form file is read whole, up to this size.
constexpr qint64 MaxFormFileSize = 16 * 1024 * 1024;

// The first limit bytes of the form file's textual notation. A file without
// the resource header raises "不正なストリーム フォーマット".
QByteArray FormFileText(const QString& name, qint64 limit) {
    struct stat st {};
    const qint64 size = stat(PathToBytes(name).constData(), &st) == 0 ? st.st_size : 0;
    if (size > MaxFormFileSize)
        throw Exception(QStringLiteral("ファイル %1 は大きすぎます").arg(name));
    QByteArray bytes = ReadFileHead(name, size);
    QBuffer stream(&bytes);
    stream.open(QIODevice::ReadOnly);
    ReadResourceHeader(stream);
    QBuffer text;
    text.open(QIODevice::WriteOnly);
    ObjectBinaryToText(stream, text, limit);
    return text.data().left(limit);
}

} // namespace

void TTextOpenDialog::UpdatePreview() {
    if (!FMemo || !FCheckBox)
        return;
    FMemo->clear();
    if (!FCheckBox->isChecked())
        return;
    const QString name = FileName();
    if (!IsPlainExistingFile(name))
        return;
    if (IsFormFile(name))
        FMemo->setPlainText(PreviewText(FormFileText(name, PreviewSize)));
    else
        FMemo->setPlainText(PreviewText(ReadFileHead(name, PreviewSize)));
}
