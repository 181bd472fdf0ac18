#include "PagePreview.h"

#include <QAbstractTextDocumentLayout>
#include <QLabel>
#include <QScrollBar>
#include <QTextBrowser>
#include <QVBoxLayout>

TPagePreview::TPagePreview(QWidget* owner)
    : QWidget(owner, Qt::Window), FBrowser(new QTextBrowser(this)), FNotice(new QLabel(this)) {
    setObjectName(QStringLiteral("PagePreview"));
    setWindowTitle(QStringLiteral("ページのプレビュー"));
    FBrowser->setObjectName(QStringLiteral("PreviewBrowser"));
    // The page's back link names a page beside the saved file, which the
    // preview has no place for.
    FBrowser->setOpenLinks(false);
    FNotice->setObjectName(QStringLiteral("PreviewNotice"));
    FNotice->setText(
        QStringLiteral("長い文書のため、先頭の %L1 文字までを表示しています。").arg(kMaxChars));
    FNotice->hide();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(FNotice);
    layout->addWidget(FBrowser, 1);
    resize(760, 560);
}

void TPagePreview::ShowPage(const QString& html, bool shortened) {
    QScrollBar* vertical = FBrowser->verticalScrollBar();
    QScrollBar* horizontal = FBrowser->horizontalScrollBar();
    const int top = vertical->value();
    const int left = horizontal->value();
    FBrowser->setHtml(html);
    // Laid out at once, so the scroll bars have their range again.
    FBrowser->document()->documentLayout()->documentSize();
    vertical->setValue(top);
    horizontal->setValue(left);
    FNotice->setVisible(shortened);
}
