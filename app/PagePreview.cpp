#include "PagePreview.h"

#include <QAbstractTextDocumentLayout>
#include <QLabel>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

bool HasAttribute(QStringView attributes, QLatin1StringView name) {
    static const QRegularExpression kName(QStringLiteral("(?:^|\\s)(\\w+)\\s*="));
    for (auto it = kName.globalMatch(attributes); it.hasNext();)
        if (it.next().captured(1).compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QString AttributeValue(QStringView attributes, QLatin1StringView name) {
    static const QRegularExpression kAttribute(
        QStringLiteral("(?:^|\\s)(\\w+)\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s\"'>]+))"));
    for (auto it = kAttribute.globalMatch(attributes); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.capturedView(1).compare(name, Qt::CaseInsensitive) == 0)
            return m.captured(2) + m.captured(3) + m.captured(4);
    }
    return {};
}

} // namespace

// Qt's rich text leaves out some of the layout that browsers give these
// pages: a table inside CENTER is centred, a row's ALIGN and VALIGN reach its
// cells, and a rule has the colour its COLOR names. The page's own tags are
// given the attributes that say so to Qt.
QString TPagePreview::ForQtRichText(const QString& html) {
    static const QRegularExpression kTag(QStringLiteral("<(/?)([A-Za-z]+)([^>]*)>"));
    QString out;
    out.reserve(html.size() + html.size() / 16);
    int centers = 0;
    QString rowAlign, rowValign;
    qsizetype done = 0;
    for (auto it = kTag.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const bool closing = !m.capturedView(1).isEmpty();
        const QString tag = m.captured(2).toLower();
        const QStringView attributes = m.capturedView(3);
        QString added;
        if (tag == u"center") {
            centers = std::max(0, centers + (closing ? -1 : 1));
        } else if (tag == u"table" && !closing && centers > 0 &&
                   !HasAttribute(attributes, QLatin1StringView("align"))) {
            added = QStringLiteral(" align=\"center\"");
        } else if (tag == u"tr") {
            rowAlign = closing ? QString() : AttributeValue(attributes, QLatin1StringView("align"));
            rowValign =
                closing ? QString() : AttributeValue(attributes, QLatin1StringView("valign"));
        } else if ((tag == u"td" || tag == u"th") && !closing) {
            if (!rowAlign.isEmpty() && !HasAttribute(attributes, QLatin1StringView("align")))
                added += QStringLiteral(" align=\"%1\"").arg(rowAlign);
            if (!rowValign.isEmpty() && !HasAttribute(attributes, QLatin1StringView("valign")))
                added += QStringLiteral(" valign=\"%1\"").arg(rowValign);
        } else if (tag == u"hr" && !closing) {
            const QString color = AttributeValue(attributes, QLatin1StringView("color"));
            if (!color.isEmpty())
                added = QStringLiteral(" style=\"background-color:%1\"").arg(color);
        }
        if (added.isEmpty())
            continue;
        const qsizetype insertAt = m.capturedEnd(3);
        out += QStringView(html).mid(done, insertAt - done);
        out += added;
        done = insertAt;
    }
    out += QStringView(html).mid(done);
    return out;
}

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
    FBrowser->setHtml(ForQtRichText(html));
    // Laid out at once, so the scroll bars have their range again.
    FBrowser->document()->documentLayout()->documentSize();
    vertical->setValue(top);
    horizontal->setValue(left);
    FNotice->setVisible(shortened);
}
