#include "PathNames.h"
#include "SysUtils.h"
#include "TestFiles.h"
#include "TextFile.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// "日本.txt" as a Shift-JIS system names it: not UTF-8.
const QByteArray kSjisName("\x93\xfa\x96\x7b.txt");

// Removes what a test made by byte names: Qt's own removal cannot see names
// that are not UTF-8.
class TByteNames {
public:
    TByteNames() = default;
    TByteNames(const TByteNames&) = delete;
    TByteNames& operator=(const TByteNames&) = delete;
    ~TByteNames() {
        for (auto it = FPaths.crbegin(); it != FPaths.crend(); ++it)
            if (unlink(it->constData()) != 0)
                rmdir(it->constData());
    }
    const QByteArray& operator()(const QByteArray& path) { return FPaths.emplace_back(path); }

private:
    std::vector<QByteArray> FPaths;
};

bool CreateByBytes(const QByteArray& path, const QByteArray& content) {
    const int fd = open(path.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const bool ok = write(fd, content.constData(), size_t(content.size())) == content.size();
    return close(fd) == 0 && ok;
}

QByteArray ReadByBytes(const QByteArray& path) {
    QByteArray out(4096, Qt::Uninitialized);
    const int fd = open(path.constData(), O_RDONLY);
    const ssize_t n = fd < 0 ? -1 : read(fd, out.data(), size_t(out.size()));
    if (fd >= 0)
        close(fd);
    return n < 0 ? QByteArray("<unreadable>") : out.left(n);
}

} // namespace

TEST(PathNames, AnyBytesSurviveAndUtf8ReadsAsItself) {
    QRandomGenerator rng(65001);
    for (int round = 0; round < 500; ++round) {
        QByteArray bytes(int(rng.bounded(1, 40)), Qt::Uninitialized);
        for (char& c : bytes)
            c = char(rng.bounded(1, 256));
        ASSERT_EQ(PathToBytes(PathFromBytes(bytes)), bytes) << bytes.toHex().constData();
    }
    // Encoded surrogates and overlong forms are not UTF-8: kept as bytes.
    for (const QByteArray& odd : {QByteArray("\xed\xb2\x93"), QByteArray("\xc0\xaf"),
                                  QByteArray("\xf4\x90\x80\x80"), QByteArray("\xe6\x97")})
        EXPECT_EQ(PathToBytes(PathFromBytes(odd)), odd) << odd.toHex().constData();
    const QString utf8 = QStringLiteral("/home/ユーザー/a b#%😀.txt");
    EXPECT_EQ(PathFromBytes(utf8.toUtf8()), utf8);
    EXPECT_EQ(PathToBytes(utf8), utf8.toUtf8());
}

TEST(PathNames, NamesThatAreNotUtf8ReadAsShiftJis) {
    EXPECT_EQ(DisplayPath(PathFromBytes("/tmp/" + kSjisName)), QStringLiteral("/tmp/日本.txt"));
    // UTF-8 components stay as they are beside one that is not.
    EXPECT_EQ(DisplayPath(PathFromBytes("/データ/" + kSjisName)),
              QStringLiteral("/データ/日本.txt"));
    EXPECT_EQ(DisplayPath(PathFromBytes("/tmp/\xff\xfe.txt")),
              QStringLiteral("/tmp/\uFFFD\uFFFD.txt"));
}

TEST(PathNames, FileUrlsKeepTheirBytesAndOnlyLocalOnesAreTaken) {
    const auto local = LocalPathFromFileUrl(QUrl("file:///tmp/%93%FA%96%7B.txt"));
    ASSERT_TRUE(local.has_value());
    EXPECT_EQ(PathToBytes(*local), "/tmp/" + kSjisName);
    EXPECT_EQ(LocalPathFromFileUrl(QUrl("file://localhost/tmp/a%20b%25.txt")),
              QStringLiteral("/tmp/a b%.txt"));
    EXPECT_EQ(LocalPathFromFileUrl(QUrl("file://otherhost/tmp/a.txt")), std::nullopt);
    EXPECT_EQ(LocalPathFromFileUrl(QUrl("https://example.com/a.txt")), std::nullopt);
    EXPECT_EQ(LocalPathFromFileUrl(FileUrlFromLocalPath(*local)), local);
    EXPECT_EQ(FileUrlFromLocalPath(QStringLiteral("/tmp/日 #.txt")).toLocalFile(),
              QStringLiteral("/tmp/日 #.txt"));
}

TEST(PathNames, AShiftJisNamedFileOpensSavesAndIsNamedReadably) {
    QTemporaryDir dir;
    TByteNames made;
    const QByteArray bytes = made(QFile::encodeName(dir.path()) + '/' + kSjisName);
    ASSERT_TRUE(CreateByBytes(bytes, "\x93\xfa\x96\x7b\r\n"));
    const QString path = PathFromBytes(bytes);
    EXPECT_EQ(ReadTextFile(path), QStringLiteral("日本\n"));
    WriteTextFile(path, QStringLiteral("本"));
    EXPECT_EQ(ReadByBytes(bytes), "\x96\x7b");
    EXPECT_FALSE(QFile::exists(dir.path() + QStringLiteral("/\uFFFD\uFFFD{.txt")));

    const QString missing = PathFromBytes(QFile::encodeName(dir.path()) + "/\x8c\xea.txt");
    try {
        ReadTextFile(missing);
        FAIL() << "no error";
    } catch (const EFOpenError& e) {
        EXPECT_TRUE(e.Message().startsWith(
            QStringLiteral("ファイル %1/語.txt は開けません").arg(dir.path())))
            << e.Message().toStdString();
    }
}

TEST(PathNames, ANameChosenInReadableFormLeadsToItsFile) {
    QTemporaryDir dir;
    TByteNames made;
    const QByteArray folder = QFile::encodeName(dir.path());
    ASSERT_TRUE(CreateByBytes(made(folder + '/' + kSjisName), "x"));
    ASSERT_TRUE(CreateByBytes(folder + "/plain.txt", "x"));
    // Typed as shown, or as Qt's own lossy conversion gives it.
    EXPECT_EQ(PathToBytes(ResolveChosenPath(dir.filePath(QStringLiteral("日本.txt")))),
              folder + '/' + kSjisName);
    EXPECT_EQ(PathToBytes(ResolveChosenPath(QFile::decodeName(folder + '/' + kSjisName))),
              folder + '/' + kSjisName);
    EXPECT_EQ(ResolveChosenPath(dir.filePath("plain.txt")), dir.filePath("plain.txt"));
    EXPECT_EQ(ResolveChosenPath(dir.filePath("none.txt")), dir.filePath("none.txt"));

    // A folder whose name is not UTF-8 on the way.
    ASSERT_EQ(mkdir(made(folder + "/\x8c\xea").constData(), 0755), 0);
    ASSERT_TRUE(CreateByBytes(made(folder + "/\x8c\xea/a.txt"), "x"));
    EXPECT_EQ(PathToBytes(ResolveChosenPath(dir.filePath(QStringLiteral("語/a.txt")))),
              folder + "/\x8c\xea/a.txt");

    // Two names that read alike: no guess.
    ASSERT_TRUE(CreateByBytes(made(folder + "/\xff.txt"), "x"));
    ASSERT_TRUE(CreateByBytes(made(folder + "/\xfe.txt"), "x"));
    const QString alike = dir.filePath(QStringLiteral("\uFFFD.txt"));
    EXPECT_EQ(ResolveChosenPath(alike), alike);
}
