#include "BenchData.h"

#include "Cp932.h"
#include "TextFile.h"

#include <QFile>
#include <QTemporaryDir>

QByteArray LargeCp932Document() {
    static const QByteArray doc = [] {
        const QString line = QStringLiteral(
            "日本語のテキスト行です。Plain ASCII text follows: the quick brown fox <b>&amp;</b>");
        const QByteArray encoded = Cp932::Encode(line);
        QByteArray out;
        constexpr int kLines = 130000;
        out.reserve(qsizetype(kLines) * (encoded.size() + 8));
        for (int i = 0; i < kLines; ++i) {
            out += encoded;
            out += QByteArray::number(i);
            out += "\r\n";
        }
        return out;
    }();
    return doc;
}

QByteArray LongLineCp932Document() {
    static const QByteArray doc = [] {
        const QByteArray piece = Cp932::Encode(QStringLiteral(
            "日本語のテキストです。Plain ASCII text follows: the quick brown fox <b>&amp;</b> "));
        QByteArray out;
        constexpr qsizetype kBytes = 10'000'000;
        out.reserve(kBytes + piece.size());
        while (out.size() + piece.size() <= kBytes)
            out += piece;
        return out;
    }();
    return doc;
}

QString LargeDocumentText() {
    return NormalizeLineBreaks(Cp932::Decode(LargeCp932Document()));
}

QString WriteBenchFile(const QString& name, const QByteArray& bytes) {
    static QTemporaryDir dir;
    const QString p = dir.filePath(name);
    QFile f(p);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(p));
    return p;
}
