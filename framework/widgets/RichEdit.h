// The plain-text editor control with its line list.
#pragma once

#include "Colors.h"
#include "Graphics.h"
#include "TextEncoding.h"

#include <QPlainTextEdit>
#include <QTextCursor>
#include <functional>
#include <memory>
#include <optional>

class QPainter;
class QTextBlock;
class TLongLinePainter;
class TRichEdit;

// Lines at least this long keep their glyphs once shaped and are painted by
// the editor, a visible part at a time.
constexpr int kLongLine = 4096;

// The editor's text as lines. A text that ends with a line break has an
// empty last line that is not counted, so Add fills it instead of leaving
// an empty line behind. Inserts and appends edit the document in place.
class TRichEditStrings {
public:
    explicit TRichEditStrings(TRichEdit& edit) : FEdit(edit) {}

    int Count() const;
    QString Strings(int index) const;
    QString operator[](int index) const { return Strings(index); }
    void Insert(int index, const QString& s);
    // Replaces the text of the line at index.
    void Put(int index, const QString& s);
    void Add(const QString& s) { Insert(Count(), s); }
    void Clear();

    // Lines joined by LF; a final line break shows as a trailing LF.
    QString Text() const;
    // The start of Text(): whole lines up to the first that reaches past
    // minChars characters, or all of it when it is no longer.
    QString TextHead(qsizetype minChars) const;
    // Replaces the text and forgets what could be undone.
    void SetText(const QString& text);
    // Replaces the text as one undo step: undoing it brings back the text
    // and the modified flag it had. Only the step before it is kept, so two
    // texts at most are held for undoing however many replacements follow.
    void ReplaceText(const QString& text);

    // Groups the edits that follow into one undo step and one relayout.
    void BeginUpdate();
    void EndUpdate();

    // Replaces the lines with the file's text (one undo step), read in its
    // detected encoding or the one given, and tells how it was read; refusals
    // and read errors are those of ReadTextFile and leave the lines, their
    // undo steps and the modified flag as they were.
    TTextFormat LoadFromFile(const QString& path, qsizetype maxChars = -1,
                             std::optional<TTextEncoding> as = std::nullopt);

    // Decides whether characters CP932 cannot hold are saved as character
    // references.
    using TConfirmReferences = std::function<bool(const TUnencodable&)>;

    // Saves the text as CP932 with CR LF (WriteFileBytes), reading the
    // document once and encoding in the same pass. Characters CP932 cannot
    // hold are written as character references when confirm agrees; without
    // confirm they raise EEncodingError. False when confirm declined: nothing
    // is written.
    bool SaveToFile(const QString& path, const TConfirmReferences& confirm = {}) const;
    // Saves the text as UTF-8 without a byte-order mark, with CR LF; every
    // character is kept, so there is nothing to confirm.
    void SaveToFileAsUtf8(const QString& path) const;

private:
    QTextCursor Cursor();

    TRichEdit& FEdit;
    int FUpdateCount = 0;
    std::optional<QTextCursor> FBatch;
    int FBatchEdits = 0;
};

class TRichEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TRichEdit(QWidget* parent = nullptr);
    ~TRichEdit() override;

    TRichEditStrings& Lines() { return FLines; }
    const TRichEditStrings& Lines() const { return FLines; }

    bool Modified() const;
    void SetModified(bool modified);

    // Most characters typing and pasting may bring the text to; 0 means none.
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int length) { FMaxLength = length; }

    TColor Color() const { return FColor; }
    void SetColor(TColor color);
    const TFont& Font() const { return FFont; }
    void SetFont(const TFont& font);

    // Undoes the last change if the editor's window exists.
    void Undo();

    // Whether lines of kLongLine characters or more are painted by the editor
    // itself (on by default; off gives Qt's own painting, for comparison).
    void SetPaintsLongLines(bool on) { FPaintsLongLines = on; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    friend class TRichEditStrings;
    int Room() const;
    void ApplyColors();
    // Set by undoing or redoing a replacement; applied once the undo step
    // is complete, when the document's own flag bookkeeping is done.
    void RestoreModifiedAfterUndo();
    void PaintBlock(QPainter& painter, const QTextBlock& block, const QRectF& bounds,
                    const QPointF& offset, const QRect& area,
                    const QAbstractTextDocumentLayout::PaintContext& context, bool showsCaret,
                    qreal widest);

    std::optional<bool> FPendingModified;
    bool FPaintsLongLines = true;
    std::unique_ptr<TLongLinePainter> FLongLines;

    TRichEditStrings FLines{*this};
    int FMaxLength = 0;
    TColor FColor = clWindow;
    TFont FFont;
};
