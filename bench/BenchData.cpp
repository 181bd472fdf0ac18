#include "BenchData.h"

#include "Cp932.h"
#include "TextFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

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

double ProcessCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

std::string ShellQuote(const QString& word) {
    std::string quoted = "'";
    for (const char c : QFile::encodeName(word).toStdString())
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::vector<double> SpawnSelfAndRead(const std::string& self, const QStringList& args,
                                     const char* key) {
    std::string command = ShellQuote(QFile::decodeName(self.c_str()));
    for (const QString& arg : args)
        command += ' ' + ShellQuote(arg);
    command += " 2>/dev/null";
    std::vector<double> values;
    FILE* p = popen(command.c_str(), "r");
    if (!p)
        return values;
    char line[256];
    const size_t keyLength = std::strlen(key);
    // strtod reads the numbers in the C library's locale, as printf wrote them.
    if (std::fgets(line, sizeof line, p) && std::strncmp(line, key, keyLength) == 0) {
        const char* at = line + keyLength;
        char* end = nullptr;
        for (double v = std::strtod(at, &end); end != at; v = std::strtod(at, &end)) {
            values.push_back(v);
            at = end;
        }
    }
    pclose(p);
    return values;
}
