#include "SysUtils.h"

#include <QCoreApplication>
#include <QDir>
#include <cerrno>
#include <cstring>

Exception::Exception(QString message)
    : FMessage(std::move(message)), FUtf8(FMessage.toStdString()) {}

namespace {

QString WithReason(QString message, const QString& reason) {
    if (!reason.isEmpty())
        message += QStringLiteral(" (%1)").arg(reason);
    return message;
}

} // namespace

EFOpenError::EFOpenError(const QString& fileName, const QString& reason)
    : Exception(WithReason(QStringLiteral("ファイル %1 は開けません").arg(fileName), reason)) {}

EFCreateError::EFCreateError(const QString& fileName, const QString& reason)
    : Exception(WithReason(QStringLiteral("ファイル %1 を作成できません").arg(fileName), reason)) {}

QString SystemErrorText(int error) {
    switch (error) {
    case EACCES:
        return QStringLiteral("アクセスが許可されていません");
    case EPERM:
        return QStringLiteral("操作が許可されていません");
    case ENOSPC:
        return QStringLiteral("デバイスに空き領域がありません");
    case EDQUOT:
        return QStringLiteral("ディスク使用量の制限を超えました");
    case EROFS:
        return QStringLiteral("読み込み専用のファイルシステムです");
    case ENOENT:
        return QStringLiteral("そのようなファイルやフォルダーはありません");
    case ENOTDIR:
        return QStringLiteral("フォルダーではありません");
    case EISDIR:
        return QStringLiteral("フォルダーです");
    case ENAMETOOLONG:
        return QStringLiteral("ファイル名が長すぎます");
    case ELOOP:
        return QStringLiteral("シンボリックリンクの階層が多すぎます");
    case EFBIG:
        return QStringLiteral("ファイルが大きすぎます");
    case EIO:
        return QStringLiteral("入出力エラーです");
    case ETXTBSY:
        return QStringLiteral("ファイルは使用中です");
    case EBUSY:
        return QStringLiteral("デバイスまたはリソースが使用中です");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

QString DescribeCharacter(char32_t c) {
    const QString hex =
        QStringLiteral("U+%1").arg(std::uint32_t(c), 4, 16, QLatin1Char('0')).toUpper();
    const QString glyph = QString::fromUcs4(&c, 1);
    const bool printable = c >= 0x20 && c != 0x7F && QChar::isPrint(c);
    return printable ? QStringLiteral("「%1」(%2)").arg(glyph, hex) : hex;
}

namespace {

int HexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

std::optional<std::int32_t> ParseHex(QStringView digits) {
    if (digits.isEmpty() || digits.size() > 8)
        return std::nullopt;
    std::uint32_t value = 0;
    for (QChar c : digits) {
        const int d = HexDigit(c);
        if (d < 0)
            return std::nullopt;
        value = value << 4 | std::uint32_t(d);
    }
    return std::int32_t(value);
}

std::optional<std::int32_t> ParseDecimal(QStringView text) {
    bool negative = false;
    if (!text.isEmpty() && (text.front() == u'-' || text.front() == u'+')) {
        negative = text.front() == u'-';
        text = text.mid(1);
    }
    if (text.isEmpty())
        return std::nullopt;
    std::int64_t value = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
        if (value > std::int64_t(INT32_MAX) + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return std::int32_t(value);
}

} // namespace

EEncodingError::EEncodingError(char32_t character, int line)
    : Exception(QStringLiteral("文字 %1 (%2 行目) はこの文字コード (Shift-JIS) で保存できません")
                    .arg(DescribeCharacter(character))
                    .arg(line)),
      FCharacter(character), FLine(line) {}

bool SameText(QStringView a, QStringView b) {
    if (a.size() != b.size())
        return false;
    const auto upper = [](char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c; };
    for (qsizetype i = 0; i < a.size(); ++i)
        if (upper(a[i].unicode()) != upper(b[i].unicode()))
            return false;
    return true;
}

std::optional<std::int32_t> TryStrToInt(const QString& text) {
    QStringView s(text);
    while (!s.isEmpty() && s.front() == u' ')
        s = s.mid(1);
    if (s.startsWith(u"0x") || s.startsWith(u"0X"))
        return ParseHex(s.mid(2));
    if (!s.isEmpty() && (s.front() == u'$' || s.front() == u'x' || s.front() == u'X'))
        return ParseHex(s.mid(1));
    return ParseDecimal(s);
}

std::int32_t StrToIntDef(const QString& text, std::int32_t fallback) {
    return TryStrToInt(text).value_or(fallback);
}

std::int32_t StrToInt(const QString& text) {
    if (const auto v = TryStrToInt(text))
        return *v;
    throw EConvertError(QStringLiteral("'%1' は整数ではありません").arg(text));
}

QString ChangeFileExt(const QString& path, const QString& ext) {
    const qsizetype slash = path.lastIndexOf(u'/');
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot > slash)
        return path.left(dot) + ext;
    return path + ext;
}

QString ExtractFilePath(const QString& path) {
    return path.left(path.lastIndexOf(u'/') + 1);
}

QString ConfigFolder() {
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || QDir::isRelativePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/vexla");
}
