#include "TextFile.h"

#include "Cp932.h"
#include "SysUtils.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <filesystem>
#include <unistd.h>

bool IsRegularFile(const QString& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(std::filesystem::path(path.toStdString()), ec);
}

QString NormalizeLineBreaks(const QString& text) {
    if (!text.contains(u'\r'))
        return text;
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != u'\r') {
            out.append(c);
            continue;
        }
        out.append(u'\n');
        if (i + 1 < n && text[i + 1] == u'\n')
            ++i;
    }
    return out;
}

namespace {

[[noreturn]] void RaiseTooLarge(const QString& path, qsizetype maxChars) {
    throw EFileRefused(QStringLiteral("ファイル %1 は大きすぎて開けません (最大 %2 文字)")
                           .arg(path)
                           .arg(maxChars));
}

} // namespace

QString ReadTextFile(const QString& path, qsizetype maxChars) {
    const QFileInfo info(path);
    if (info.exists() && !IsRegularFile(path))
        throw EFileRefused(EFOpenError(path).Message());
    // Every character takes at least one byte and at most two CP932 bytes
    // make one, so a file over twice the limit cannot fit.
    if (maxChars >= 0 && info.size() > qint64(maxChars) * 2)
        RaiseTooLarge(path, maxChars);
    if (!IsRegularFile(path))
        throw EFOpenError(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EFOpenError(path);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EFOpenError(path);
    QString text = NormalizeLineBreaks(Cp932::Decode(bytes));
    if (maxChars >= 0 && text.size() > maxChars)
        RaiseTooLarge(path, maxChars);
    return text;
}

namespace {

QByteArray WithCrLf(const QByteArray& lf) {
    QByteArray out;
    out.reserve(lf.size() + lf.count('\n'));
    qsizetype from = 0;
    for (qsizetype i = lf.indexOf('\n'); i >= 0; i = lf.indexOf('\n', from)) {
        out.append(lf.constData() + from, i - from);
        out.append("\r\n", 2);
        from = i + 1;
    }
    out.append(lf.constData() + from, lf.size() - from);
    return out;
}

} // namespace

void WriteTextFile(const QString& path, QStringView text) {
    // Encoding first: a character CP932 cannot hold stops the save before the
    // file is touched.
    const QByteArray bytes = WithCrLf(Cp932::Encode(text));
    // A read-only file is refused, not replaced behind its back by the rename.
    if (QFileInfo::exists(path) && access(QFile::encodeName(path).constData(), W_OK) != 0)
        throw EFCreateError(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw EFCreateError(path);
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw EFCreateError(path);
}
