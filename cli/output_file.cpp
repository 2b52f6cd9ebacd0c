#include "output_file.h"

#include "interrupts.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

namespace {

// Room left for ".", the hidden marker and the unique suffix within a
// directory entry's 255 bytes.
constexpr size_t kTemporaryNameBytes = 200;
constexpr int kMaxLinks = 40;

std::string directoryOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Follows symbolic links to the file they lead to, which need not exist yet.
int followLinks(std::string& path)
{
    for (int hops = 0; hops < kMaxLinks; ++hops) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0)
            return errno == ENOENT ? 0 : errno;
        if (!S_ISLNK(info.st_mode))
            return 0;
        std::vector<char> link(static_cast<size_t>(info.st_size > 0 ? info.st_size : 255) + 1);
        const ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
        if (n < 0)
            return errno;
        const std::string to(link.data(), static_cast<size_t>(n));
        path = to.front() == '/' || path.find('/') == std::string::npos ? to : directoryOf(path) + "/" + to;
    }
    return ELOOP;
}

// Creates a hidden, empty file in directory, its name derived from name;
// answers 0 or errno.
int createTemporary(const std::string& directory, const std::string& name, std::string& created)
{
    std::string pattern = directory + "/." + name.substr(0, kTemporaryNameBytes) + ".XXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0)
        return errno;
    ::close(fd);
    created = pattern;
    return 0;
}

mode_t currentUmask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// Copies all of in to out from its start; answers 0 or errno.
int copyAll(int in, int out)
{
    off_t offset = 0;
    for (;;) {
        const ssize_t n = ::sendfile(out, in, &offset, 1 << 30);
        if (n > 0)
            continue;
        if (n == 0)
            return 0;
        if (errno == EINTR)
            continue;
        if (errno != EINVAL && errno != ENOSYS)
            return errno;
        break;  // this pair of files cannot use sendfile: copy by hand
    }
    std::vector<char> buffer(1 << 18);
    for (;;) {
        const ssize_t n = ::pread(in, buffer.data(), buffer.size(), offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : 0;
        offset += n;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out, buffer.data() + done, static_cast<size_t>(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w < 0)
                return errno;
            done += w;
        }
    }
}

// Puts the file at from in the place of to, in one step. An existing file is
// swapped with the new one and then removed: renaming over it would make
// ext4 write the whole new file back before the rename returns (its guard
// for files replaced this way), about 45 ms for the largest job, while the
// swap costs what removing the old file costs. Where the swap is not
// supported, the rename does the same.
int moveOver(const std::string& from, const std::string& to, bool replacing)
{
    if (replacing && ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_EXCHANGE) == 0) {
        ::unlink(from.c_str());  // the old file, now under the temporary name
        return 0;
    }
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

}  // namespace

OutputFile::OutputFile(std::string path)
    : path_(std::move(path))
{
}

OutputFile::~OutputFile()
{
    discard();
}

int OutputFile::prepare()
{
    if (toStandardOutput()) {
        if (::fcntl(STDOUT_FILENO, F_GETFL) < 0)
            return errno;  // standard output is closed
        mode_ = Mode::Stream;
    } else {
        target_ = path_;
        if (int error = followLinks(target_); error != 0)
            return error;
        struct stat info {};
        if (::stat(target_.c_str(), &info) != 0) {
            if (errno != ENOENT)
                return errno;
            if (nameOf(target_).empty())
                return EISDIR;  // "dir/" names a directory, which is not made here
            mode_ = Mode::Replace;
        } else if (S_ISDIR(info.st_mode)) {
            return EISDIR;
        } else if (S_ISREG(info.st_mode)) {
            // A file the user may not write is not replaced, although its
            // directory would allow the rename.
            if (::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0)
                return errno;
            mode_ = Mode::Replace;
        } else if (S_ISFIFO(info.st_mode)) {
            mode_ = Mode::Stream;  // opening it now would wait for a reader
        } else {
            // A device: written directly when the header can be patched in
            // place, streamed otherwise.
            const int fd = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
            if (fd < 0)
                return errno;
            mode_ = ::lseek(fd, 0, SEEK_CUR) >= 0 ? Mode::Direct : Mode::Stream;
            ::close(fd);
        }
    }

    switch (mode_) {
    case Mode::Direct:
        renderPath_ = target_;
        return 0;
    case Mode::Replace:
        if (int error = createTemporary(directoryOf(target_), nameOf(target_), temporary_); error != 0)
            return error;
        break;
    case Mode::Stream: {
        const char* tmp = std::getenv("TMPDIR");
        if (int error = createTemporary(tmp && *tmp ? tmp : "/tmp", "veltrane-cli", temporary_); error != 0)
            return error;
        break;
    }
    }
    renderPath_ = temporary_;
    return 0;
}

int OutputFile::commit()
{
    if (mode_ == Mode::Direct)
        return 0;
    holdInterrupts();
    int error = 0;
    if (mode_ == Mode::Replace) {
        // The new file takes the permission bits and the owner of the file
        // it replaces; a new target gets what creating it would have given.
        struct stat old {};
        const bool replacing = ::stat(target_.c_str(), &old) == 0 && S_ISREG(old.st_mode);
        const int fd = ::open(temporary_.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            error = errno;
        } else {
            if (replacing) {
                if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
                    // Only root may hand the file to another owner; for
                    // anyone else a refusal leaves it ours, which is no failure.
                    [[maybe_unused]] const int refused = ::fchown(fd, old.st_uid, old.st_gid);
                }
                error = ::fchmod(fd, old.st_mode & 07777) != 0 ? errno : 0;
            } else {
                error = ::fchmod(fd, 0666 & ~currentUmask()) != 0 ? errno : 0;
            }
            ::close(fd);
        }
        if (error == 0)
            error = moveOver(temporary_, target_, replacing);
        if (error == 0)
            temporary_.clear();
        discard();
        return error;
    }

    // Stream: the temporary file is opened and removed before the first
    // byte goes out, so nothing is left behind however the copy ends.
    const int in = ::open(temporary_.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        error = errno;
    discard();
    if (error != 0)
        return error;
    releaseInterrupts(toStandardOutput() ? "the output to standard output is incomplete"
                                         : "the output to \"" + path_ + "\" is incomplete");
    int out = STDOUT_FILENO;
    if (!toStandardOutput()) {
        do
            out = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC);
        while (out < 0 && errno == EINTR);
        if (out < 0)
            error = errno;
    }
    if (error == 0)
        error = copyAll(in, out);
    if (out != STDOUT_FILENO && out >= 0 && ::close(out) != 0 && error == 0)
        error = errno;
    ::close(in);
    return error;
}

void OutputFile::discard()
{
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

std::string defaultOutputPath()
{
    std::error_code error;
    std::filesystem::path directory = std::filesystem::current_path(error);
    if (error)
        return "Test.wav";
    return (directory / "Test.wav").string();
}
