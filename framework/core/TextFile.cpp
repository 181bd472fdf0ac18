#include "TextFile.h"

#include "PathNames.h"
#include "SysUtils.h"
#include "TextEncoding.h"

#include <QCryptographicHash>
#include <QHash>
#include <QRandomGenerator>
#include <QSet>
#include <array>
#include <cerrno>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

// A file descriptor closed when it goes out of scope.
class TFd {
public:
    explicit TFd(int fd = -1) : FFd(fd) {}
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    ~TFd() { Reset(); }
    int Get() const { return FFd; }
    bool Valid() const { return FFd >= 0; }
    void Adopt(int fd) {
        Reset();
        FFd = fd;
    }
    // Gives the descriptor up without closing it.
    int Release() {
        const int fd = FFd;
        FFd = -1;
        return fd;
    }
    // Closes now, keeping close's own error (a write-back failure shows there).
    int Close() {
        const int fd = FFd;
        FFd = -1;
        return fd >= 0 ? close(fd) : 0;
    }
    void Reset() {
        if (FFd >= 0)
            close(FFd);
        FFd = -1;
    }

private:
    int FFd;
};

[[noreturn]] void RaiseTooLarge(const QString& path, qsizetype maxChars) {
    throw EFileRefused(QStringLiteral("ファイル %1 は大きすぎて開けません (最大 %2 文字)")
                           .arg(DisplayPath(path))
                           .arg(maxChars));
}

[[noreturn]] void RaiseOpen(const QString& path, int error) {
    throw EFOpenError(DisplayPath(path), SystemErrorText(error));
}

[[noreturn]] void RaiseCreate(const QString& path, const QString& reason) {
    throw EFCreateError(DisplayPath(path), reason);
}

[[noreturn]] void RaiseCreate(const QString& path, int error) {
    RaiseCreate(path, SystemErrorText(error));
}

// Reads the whole of a regular file; errno is kept on failure.
bool ReadAll(int fd, qint64 sizeHint, QByteArray& out) {
    out.resize(qsizetype(sizeHint) + 1); // one more byte tells a file that grew
    qsizetype filled = 0;
    for (;;) {
        if (filled == out.size())
            out.resize(out.size() * 2);
        const ssize_t n = read(fd, out.data() + filled, size_t(out.size() - filled));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        filled += n;
    }
    out.truncate(filled);
    return true;
}

// The file a path finally names, its symbolic links followed, so that a save
// through a link rewrites the link's target and keeps the link. Returns
// false with errno set for a loop.
bool FollowLinks(QByteArray path, QByteArray& target) {
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st;
        if (lstat(path.constData(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            target = path;
            return true;
        }
        QByteArray link(qsizetype(st.st_size > 0 ? st.st_size : 256) + 1, Qt::Uninitialized);
        const ssize_t n = readlink(path.constData(), link.data(), size_t(link.size()));
        if (n < 0)
            return false;
        link.truncate(n);
        if (link.startsWith('/'))
            path = link;
        else
            path = path.left(path.lastIndexOf('/') + 1) + link;
    }
    errno = ELOOP;
    return false;
}

QByteArray FolderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
}

QByteArray BaseName(const QByteArray& path) {
    return path.mid(path.lastIndexOf('/') + 1);
}

// A rename or unlink lasts only once its folder is on disk.
void SyncFolder(const QByteArray& folder) {
    const TFd fd(open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.Valid())
        fsync(fd.Get());
}

bool WriteAllAt(int fd, QByteArrayView bytes, off_t offset = 0) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            pwrite(fd, bytes.data() + done, size_t(bytes.size() - done), offset + off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// Replacing a file by a new one keeps what other names and the system know
// of it only when it has one name and no extended attributes (ACLs, labels),
// and when the new file takes its owner, group and mode (checked on the new
// file itself).
bool HasOneNameAndNoAttributes(const QByteArray& target, const struct stat& st) {
    return st.st_nlink == 1 && listxattr(target.constData(), nullptr, 0) <= 0;
}

bool TakeIdentity(int fd, const struct stat& old) {
    struct stat now;
    if (fstat(fd, &now) != 0)
        return false;
    if ((now.st_uid != old.st_uid || now.st_gid != old.st_gid) &&
        fchown(fd, old.st_uid, old.st_gid) != 0)
        return false;
    if (fchmod(fd, old.st_mode & 07777) != 0)
        return false;
    return fstat(fd, &now) == 0 && now.st_uid == old.st_uid && now.st_gid == old.st_gid &&
           (now.st_mode & 07777) == (old.st_mode & 07777);
}

// Pieces at least this large start their write-back at once.
constexpr qsizetype kWriteBackPiece = 256 * 1024;

// A new file is named only between its linking and its rename over the
// target; a save killed between the two leaves it under this name, which
// only these temporaries have.
constexpr char kTemporarySuffix[] = ".vexla-new";

QByteArray TemporaryName(const QByteArray& target) {
    return FolderOf(target) + "/." + BaseName(target) + "." +
           QByteArray::number(QRandomGenerator::global()->generate(), 36) + kTemporarySuffix;
}

// Removes the temporaries in folder that saves killed between naming and
// renaming left behind. A saver holds a lock on its file from the moment it
// makes it, so a file whose lock can be taken has no saver any more.
void RemoveStaleTemporaries(const QByteArray& folder) {
    const TFd dir(open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    DIR* entries = dir.Valid() ? fdopendir(dup(dir.Get())) : nullptr;
    if (!entries)
        return;
    while (const dirent* e = readdir(entries)) {
        const QByteArrayView name(e->d_name);
        if (!name.startsWith('.') || !name.endsWith(kTemporarySuffix))
            continue;
        const TFd file(openat(dir.Get(), e->d_name,
                              O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        struct stat st;
        if (file.Valid() && fstat(file.Get(), &st) == 0 && S_ISREG(st.st_mode) &&
            flock(file.Get(), LOCK_EX | LOCK_NB) == 0)
            unlinkat(dir.Get(), e->d_name, 0);
    }
    closedir(entries);
}

// The new content is first written to an unnamed file in the target's folder,
// so that a save killed half-way leaves nothing behind; systems without
// unnamed files get a named one that is removed on failure.
class TReplacement {
public:
    explicit TReplacement(const QByteArray& target) : FTarget(target) {
        FFd.Adopt(open(FolderOf(target).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
        if (!FFd.Valid() && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
            for (int attempt = 0; attempt < 100 && !FFd.Valid(); ++attempt) {
                FName = TemporaryName(target);
                FFd.Adopt(open(FName.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666));
                if (!FFd.Valid() && errno != EEXIST)
                    break;
            }
            if (!FFd.Valid())
                FName.clear();
        }
        // Held while the process lives: a name this file is left under by a
        // kill can then be told from one a live save is about to rename.
        if (FFd.Valid())
            flock(FFd.Get(), LOCK_EX | LOCK_NB);
    }
    TReplacement(const TReplacement&) = delete;
    TReplacement& operator=(const TReplacement&) = delete;
    ~TReplacement() {
        if (!FName.isEmpty()) {
            const int saved = errno;
            unlink(FName.constData());
            errno = saved;
        }
    }

    bool Created() const { return FFd.Valid(); }
    int Fd() const { return FFd.Get(); }

    const QByteArray& Target() const { return FTarget; }

    // Puts the written file in the target's place, made durable first, and
    // makes the rename last; errno is kept on failure.
    bool Commit() {
        if (fsync(FFd.Get()) != 0 || !PutInPlace())
            return false;
        SyncFolder(FolderOf(FTarget));
        RemoveStaleTemporaries(FolderOf(FTarget));
        return Close();
    }

    // The rename alone: the caller has made the file durable and syncs the
    // folder. errno is kept on failure.
    bool PutInPlace() {
        if (FName.isEmpty() && !GiveName())
            return false;
        // The rename follows the naming at once: only a save killed between
        // the two leaves a temporary file behind.
        if (rename(FName.constData(), FTarget.constData()) != 0)
            return false;
        FName.clear();
        return true;
    }

    // Closing reports a write-back failure that nothing reported before.
    bool Close() { return FFd.Close() == 0; }

    // Gives the written file the target's name, which must be free; errno is
    // kept on failure. An unnamed file is linked there directly, so a kill
    // leaves no other name behind.
    bool CommitNew() {
        if (fsync(FFd.Get()) != 0)
            return false;
        if (FName.isEmpty()) {
            if (!LinkAs(FTarget))
                return false;
        } else if (rename(FName.constData(), FTarget.constData()) != 0) {
            return false;
        }
        FName.clear();
        SyncFolder(FolderOf(FTarget));
        return Close();
    }

private:
    // Names the unnamed file.
    bool LinkAs(const QByteArray& name) const {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(FFd.Get());
        return linkat(AT_FDCWD, self.constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW) ==
               0;
    }

    bool GiveName() {
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QByteArray name = TemporaryName(FTarget);
            if (LinkAs(name)) {
                FName = name;
                return true;
            }
            if (errno != EEXIST)
                return false;
        }
        return false;
    }

    QByteArray FTarget;
    QByteArray FName;
    TFd FFd;
};

// Copies the whole of in to the start of out; errno is kept on failure.
bool CopyAll(int in, int out) {
    off_t from = 0, to = 0;
    for (;;) {
        const ssize_t n = copy_file_range(in, &from, out, &to, size_t(1) << 30, 0);
        if (n == 0)
            return true;
        if (n > 0 || errno == EINTR)
            continue;
        if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
            return false;
        break; // file systems the kernel cannot copy between
    }
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const ssize_t n = pread(in, buffer.data(), size_t(buffer.size()), from);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n == 0;
        if (!WriteAllAt(out, QByteArrayView(buffer.constData(), n), to))
            return false;
        from += n;
        to += n;
    }
}

QByteArray AbsolutePath(const QByteArray& path) {
    if (path.startsWith('/'))
        return path;
    char cwd[PATH_MAX];
    return getcwd(cwd, sizeof cwd) ? QByteArray(cwd) + '/' + path : path;
}

// One place for the backups of a page: name k is folder/stem + k + "~", the
// number left out for the first.
struct TBackupPlace {
    QByteArray Folder;
    QByteArray Stem;
    bool Usable = true;

    QByteArray Name(int k) const {
        return Folder + '/' + Stem + (k > 0 ? QByteArray::number(k) : QByteArray()) + '~';
    }
    // The names in use from the first on; a gap ends them.
    int Count() const {
        int k = 0;
        struct stat st;
        while (Usable && lstat(Name(k).constData(), &st) == 0)
            ++k;
        return k;
    }
};

// Hidden beside the page, or, where its folder takes no new file, in the
// user's own folder under a name made from the page's path.
std::array<TBackupPlace, 2> BackupPlaces(const QByteArray& target) {
    const QByteArray base = BaseName(target);
    const QByteArray path = AbsolutePath(target);
    const QByteArray hash =
        QCryptographicHash::hash(path, QCryptographicHash::Sha1).toHex().left(16);
    TBackupPlace beside{FolderOf(target), '.' + base + ".vexla"};
    beside.Usable = beside.Stem.size() + 8 <= NAME_MAX;
    return {beside,
            TBackupPlace{PathToBytes(ConfigFolder()) + "/backup", base.left(64) + '.' + hash}};
}

// Removes the backups of a page and makes the removal last.
void RemoveBackups(const std::array<TBackupPlace, 2>& places) {
    for (const TBackupPlace& place : places) {
        const int count = place.Count();
        for (int k = count - 1; k >= 0; --k)
            unlink(place.Name(k).constData());
        if (count > 0)
            SyncFolder(place.Folder);
    }
}

// Creates a folder and the folders above it, private to the user.
void MakeFolders(const QByteArray& folder) {
    for (qsizetype slash = folder.indexOf('/', 1); slash > 0;
         slash = folder.indexOf('/', slash + 1))
        mkdir(folder.left(slash).constData(), 0700);
    mkdir(folder.constData(), 0700);
}

// The old content of a page written in place, kept whole while the write
// runs, so that a save killed half-way leaves it in the backup if not in the
// page. Backups that killed saves left are kept beside the new one (they may
// hold the last whole page) until a save succeeds.
class TInPlaceBackup {
public:
    TInPlaceBackup(const QString& path, const QByteArray& target, const struct stat& st)
        : FPlaces(BackupPlaces(target)) {
        const TFd in(open(target.constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
        if (!in.Valid())
            RaiseCreate(path, errno);
        int refused = EACCES;
        for (size_t p = 0; p < FPlaces.size(); ++p) {
            const TBackupPlace& place = FPlaces[p];
            if (!place.Usable)
                continue;
            if (p > 0)
                MakeFolders(place.Folder);
            const QByteArray name = place.Name(place.Count());
            TReplacement copy(name);
            if (!copy.Created()) {
                refused = errno;
                continue;
            }
            if (fchmod(copy.Fd(), st.st_mode & 0666) != 0 || !CopyAll(in.Get(), copy.Fd()) ||
                !copy.CommitNew())
                RaiseCreate(path, errno);
            FName = name;
            return;
        }
        RaiseCreate(path, refused);
    }
    TInPlaceBackup(const TInPlaceBackup&) = delete;
    TInPlaceBackup& operator=(const TInPlaceBackup&) = delete;
    // A save that fails before the page is touched needs no backup.
    ~TInPlaceBackup() {
        if (!FKept && !FName.isEmpty()) {
            const int saved = errno;
            unlink(FName.constData());
            errno = saved;
        }
    }

    // From here on the page may be a mix until the write has completed.
    void Keep() { FKept = true; }
    void RemoveAll() {
        RemoveBackups(FPlaces);
        FName.clear();
    }

private:
    std::array<TBackupPlace, 2> FPlaces;
    QByteArray FName;
    bool FKept = false;
};

// Writes bytes over the file itself, keeping its name, links, owner, mode and
// attributes, with the old content in a backup until the write is on disk.
// Space is reserved first where the file system can (beyond the end, the size
// left as it is), so a full disk is found before the old content is touched.
void WriteInPlace(const QString& path, const QByteArray& target, const QByteArray& bytes) {
    TFd fd(open(target.constData(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid())
        RaiseCreate(path, errno);
    struct stat st;
    if (fstat(fd.Get(), &st) != 0)
        RaiseCreate(path, errno);
    if (!S_ISREG(st.st_mode))
        RaiseCreate(path, NotRegularReason(st.st_mode));
    TInPlaceBackup backup(path, target, st);
    if (bytes.size() > st.st_size &&
        fallocate(fd.Get(), FALLOC_FL_KEEP_SIZE, 0, off_t(bytes.size())) != 0 &&
        errno != EOPNOTSUPP)
        RaiseCreate(path, errno);
    backup.Keep();
    if (!WriteAllAt(fd.Get(), bytes) || ftruncate(fd.Get(), off_t(bytes.size())) != 0 ||
        fsync(fd.Get()) != 0 || fd.Close() != 0)
        RaiseCreate(path, errno);
    backup.RemoveAll();
}

// Writes the new content into a replacement beside target. Null, having
// touched nothing, when the replacement would not keep the old file's owner,
// group or mode, or cannot be made beside an existing file.
std::unique_ptr<TReplacement> WriteReplacement(const QString& path, const QByteArray& target,
                                               const std::function<void(const TByteSink&)>& produce,
                                               const struct stat* old) {
    auto replacement = std::make_unique<TReplacement>(target);
    if (!replacement->Created()) {
        if (old)
            return nullptr;
        RaiseCreate(path, errno);
    }
    if (old && !TakeIdentity(replacement->Fd(), *old))
        return nullptr;
    off_t written = 0;
    produce([&](QByteArrayView piece) {
        if (!WriteAllAt(replacement->Fd(), piece, written))
            RaiseCreate(path, errno);
        written += off_t(piece.size());
        // Large content: start the write-back now, so the sync has little
        // left to wait for.
        if (piece.size() >= kWriteBackPiece)
            sync_file_range(replacement->Fd(), 0, 0, SYNC_FILE_RANGE_WRITE);
    });
    return replacement;
}

// A save up to where its new content waits to be put in place: the
// replacement, written; null where the file was written in place (done).
std::unique_ptr<TReplacement> PrepareSave(const QString& path,
                                          const std::function<void(const TByteSink&)>& produce) {
    QByteArray target;
    if (!FollowLinks(PathToBytes(path), target))
        RaiseCreate(path, errno);
    struct stat st;
    if (stat(target.constData(), &st) != 0) {
        if (errno != ENOENT)
            RaiseCreate(path, errno);
        return WriteReplacement(path, target, produce, nullptr);
    }
    if (!S_ISREG(st.st_mode))
        RaiseCreate(path, NotRegularReason(st.st_mode));
    // A read-only file stays so, even where the folder would allow replacing it.
    if (faccessat(AT_FDCWD, target.constData(), W_OK, AT_EACCESS) != 0)
        RaiseCreate(path, errno);
    if (HasOneNameAndNoAttributes(target, st))
        if (auto replacement = WriteReplacement(path, target, produce, &st))
            return replacement;
    QByteArray bytes;
    produce([&](QByteArrayView piece) { bytes.append(piece); });
    WriteInPlace(path, target, bytes);
    return nullptr;
}

// Groups of files made durable together hold a descriptor for each file:
// they stay well within the limit of open files, raised to its hard limit.
qsizetype GroupFiles() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 16;
    if (limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        if (setrlimit(RLIMIT_NOFILE, &limit) != 0)
            getrlimit(RLIMIT_NOFILE, &limit);
    }
    const rlim_t room = limit.rlim_cur > 128 ? limit.rlim_cur - 64 : 16;
    return qsizetype(std::min<rlim_t>(room, 4096));
}

// A group also ends at this much content, so that its sync never waits long.
constexpr qint64 kGroupBytes = qint64(256) << 20;

} // namespace

struct TFileBatch::TPending {
    std::unique_ptr<TReplacement> File;
    QString Path;
    QString Label;
    dev_t Device = 0;
};

TFileBatch::TFileBatch(TFailed onFailed)
    : FOnFailed(std::move(onFailed)), FGroupFiles(GroupFiles()) {}

TFileBatch::~TFileBatch() = default;

void TFileBatch::Add(const QString& path, const std::function<void(const TByteSink&)>& produce,
                     const QString& label) {
    std::unique_ptr<TReplacement> file = PrepareSave(path, produce);
    if (!file)
        return;
    struct stat st;
    if (fstat(file->Fd(), &st) != 0)
        RaiseCreate(path, errno);
    FGroupBytes += st.st_size;
    FPending.push_back({std::move(file), path, label, st.st_dev});
    if (qsizetype(FPending.size()) >= FGroupFiles || FGroupBytes >= kGroupBytes)
        Flush();
}

void TFileBatch::Flush() {
    // Durable together: one sync for each file system, or the file's own
    // when it is alone.
    QHash<dev_t, int> failed;
    if (FPending.size() == 1) {
        if (fsync(FPending.front().File->Fd()) != 0)
            failed.insert(FPending.front().Device, errno);
    } else {
        QSet<dev_t> synced;
        for (const TPending& p : FPending)
            if (!synced.contains(p.Device)) {
                synced.insert(p.Device);
                if (syncfs(p.File->Fd()) != 0)
                    failed.insert(p.Device, errno);
            }
    }
    QSet<QByteArray> folders;
    for (TPending& p : FPending) {
        const int error = failed.value(p.Device, 0);
        if (error != 0 || !p.File->PutInPlace() || !p.File->Close()) {
            FOnFailed(p.Label, EFCreateError(DisplayPath(p.Path),
                                             SystemErrorText(error != 0 ? error : errno)));
            continue;
        }
        folders.insert(FolderOf(p.File->Target()));
        RemoveBackups(BackupPlaces(p.File->Target()));
    }
    for (const QByteArray& folder : folders) {
        SyncFolder(folder);
        RemoveStaleTemporaries(folder);
    }
    FPending.clear();
    FGroupBytes = 0;
}

bool IsRegularFile(const QString& path) {
    struct stat st;
    return stat(PathToBytes(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

QString NotRegularReason(mode_t mode) {
    return S_ISDIR(mode) ? SystemErrorText(EISDIR) : QStringLiteral("通常のファイルではありません");
}

int OpenRegularFile(const QByteArray& name, struct stat& st, int& error) {
    error = 0;
    if (stat(name.constData(), &st) != 0) {
        error = errno;
        return -1;
    }
    if (!S_ISREG(st.st_mode))
        return -1;
    TFd fd(open(name.constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid() || fstat(fd.Get(), &st) != 0) {
        error = errno;
        return -1;
    }
    if (!S_ISREG(st.st_mode))
        return -1;
    return fd.Release();
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

QString ReadTextFile(const QString& path, qsizetype maxChars) {
    return ReadTextFileDecoded(path, maxChars).Text;
}

TDecodedText ReadTextFileDecoded(const QString& path, qsizetype maxChars,
                                 std::optional<TTextEncoding> as) {
    struct stat st;
    int error;
    const TFd fd(OpenRegularFile(PathToBytes(path), st, error));
    if (!fd.Valid()) {
        if (error != 0)
            RaiseOpen(path, error);
        throw EFileRefused(EFOpenError(DisplayPath(path)).Message());
    }
    // At most three bytes (UTF-8) make one UTF-16 unit, so a file over three
    // times the limit cannot fit.
    if (maxChars >= 0 && st.st_size > qint64(maxChars) * 3)
        RaiseTooLarge(path, maxChars);
    QByteArray bytes;
    if (!ReadAll(fd.Get(), st.st_size, bytes))
        RaiseOpen(path, errno);
    TDecodedText text = DecodeText(bytes, as);
    text.Text = NormalizeLineBreaks(text.Text);
    if (maxChars >= 0 && text.Text.size() > maxChars)
        RaiseTooLarge(path, maxChars);
    return text;
}

void WriteTextFile(const QString& path, QStringView text) {
    // Encoding first: a character CP932 cannot hold stops the save before the
    // file is touched.
    const TEncodedPage page = EncodePage(text);
    if (page.Unencodable.Count > 0)
        throw EEncodingError(page.Unencodable.First, page.Unencodable.FirstLine);
    WriteFileBytes(path, page.Bytes);
}

void WriteFileBytes(const QString& path, QByteArrayView bytes) {
    WriteFileContent(path, [&](const TByteSink& sink) { sink(bytes); });
}

void WriteFileContent(const QString& path, const std::function<void(const TByteSink&)>& produce) {
    const std::unique_ptr<TReplacement> replacement = PrepareSave(path, produce);
    if (!replacement)
        return;
    if (!replacement->Commit())
        RaiseCreate(path, errno);
    RemoveBackups(BackupPlaces(replacement->Target()));
}
