#include "output_file.h"

#include "interrupts.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
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

// The descriptor a path names as a descriptor: /dev/stdout, /dev/stderr,
// /dev/fd/N or /proc/self/fd/N; -1 for any other path. Through the file
// system these are links to whatever the descriptor holds (a pipe shows as
// "pipe:[N]"), which the program writes through the descriptor itself.
int namedDescriptor(const std::string& path)
{
    if (path == "-" || path == "/dev/stdout")
        return STDOUT_FILENO;
    if (path == "/dev/stderr")
        return STDERR_FILENO;
    for (const char* prefix : {"/dev/fd/", "/proc/self/fd/"}) {
        const std::string p = prefix;
        if (path.size() > p.size() && path.size() <= p.size() + 9 && path.compare(0, p.size(), p) == 0 &&
            path.find_first_not_of("0123456789", p.size()) == std::string::npos)
            return std::stoi(path.substr(p.size()));
    }
    return -1;
}

// Six letters for a temporary name, from the kernel's random source or,
// failing that, from the clock and the process.
std::string uniqueSuffix(int attempt)
{
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char random[6];
    if (::getrandom(random, sizeof random, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof random)) {
        uint64_t mix = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                       (static_cast<uint64_t>(::getpid()) << 32) ^ static_cast<uint64_t>(attempt);
        for (unsigned char& r : random) {
            mix = mix * 6364136223846793005u + 1442695040888963407u;
            r = static_cast<unsigned char>(mix >> 56);
        }
    }
    std::string suffix;
    for (unsigned char r : random)
        suffix += kLetters[r % 62];
    return suffix;
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
int moveOver(int directory, const std::string& from, const std::string& to, bool replacing)
{
    if (replacing && ::renameat2(directory, from.c_str(), directory, to.c_str(), RENAME_EXCHANGE) == 0) {
        ::unlinkat(directory, from.c_str(), 0);  // the old file, now under the temporary name
        return 0;
    }
    return ::renameat(directory, from.c_str(), directory, to.c_str()) == 0 ? 0 : errno;
}

}  // namespace

OutputFile::OutputFile(std::string path)
    : path_(std::move(path))
{
}

OutputFile::~OutputFile()
{
    discard();
    if (directory_ >= 0)
        ::close(directory_);
}

// Opens directory and creates a hidden, empty file in it, its name derived
// from name; answers 0 or errno.
int OutputFile::createTemporary(const std::string& directory, const std::string& name)
{
    directory_ = ::open(directory.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (directory_ < 0)
        return errno;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = "." + name.substr(0, kTemporaryNameBytes) + "." + uniqueSuffix(attempt);
        temporary_ = ::openat(directory_, candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (temporary_ >= 0) {
            temporaryName_ = candidate;
            // The engine opens the file through its descriptor, so that it
            // writes this very file wherever its directory has gone.
            const std::string byDescriptor = "/proc/self/fd/" + std::to_string(temporary_);
            renderPath_ = ::access(byDescriptor.c_str(), F_OK) == 0 ? byDescriptor : directory + "/" + candidate;
            return 0;
        }
        if (errno != EEXIST)
            return errno;
    }
    return EEXIST;
}

int OutputFile::prepare()
{
    descriptor_ = namedDescriptor(path_);
    if (descriptor_ >= 0) {
        const int flags = ::fcntl(descriptor_, F_GETFL);
        if (flags < 0)
            return errno;  // the descriptor is closed
        if ((flags & O_ACCMODE) == O_RDONLY)
            return EBADF;
        if (::isatty(descriptor_))
            return kTerminal;
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
            // directory would allow the rename (root may write any file).
            if (::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0)
                return errno;
            mode_ = Mode::Replace;
        } else if (S_ISFIFO(info.st_mode)) {
            mode_ = Mode::Stream;  // opening it now would wait for a reader
        } else {
            // A device: written directly when the header can be patched in
            // place, streamed otherwise; never to a terminal.
            const int fd = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
            if (fd < 0)
                return errno;
            const bool terminal = ::isatty(fd);
            mode_ = ::lseek(fd, 0, SEEK_CUR) >= 0 ? Mode::Direct : Mode::Stream;
            ::close(fd);
            if (terminal)
                return kTerminal;
        }
    }

    switch (mode_) {
    case Mode::Direct:
        renderPath_ = target_;
        return 0;
    case Mode::Replace:
        name_ = nameOf(target_);
        return createTemporary(directoryOf(target_), name_);
    case Mode::Stream: {
        const char* tmp = std::getenv("TMPDIR");
        const std::string directory = tmp && *tmp ? tmp : "/tmp";
        const int error = createTemporary(directory, "veltrane-cli");
        if (error != 0)
            failedDirectory_ = directory;
        return error;
    }
    }
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
        const bool replacing = ::fstatat(directory_, name_.c_str(), &old, 0) == 0 && S_ISREG(old.st_mode);
        if (replacing) {
            if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
                // Only root may hand the file to another owner; for anyone
                // else a refusal leaves it ours, which is no failure.
                [[maybe_unused]] const int refused = ::fchown(temporary_, old.st_uid, old.st_gid);
            }
            error = ::fchmod(temporary_, old.st_mode & 07777) != 0 ? errno : 0;
        } else {
            error = ::fchmod(temporary_, 0666 & ~currentUmask()) != 0 ? errno : 0;
        }
        if (error == 0)
            error = moveOver(directory_, temporaryName_, name_, replacing);
        if (error == 0)
            temporaryName_.clear();
        discard();
        return error;
    }

    // Stream: the temporary file's name is removed before the first byte
    // goes out, so nothing is left behind however the copy ends; the open
    // descriptor still reads it.
    const int in = temporary_;
    temporary_ = -1;
    discard();
    releaseInterrupts(toStandardOutput() && path_ == "-" ? "the output to standard output is incomplete"
                                                         : "the output to \"" + path_ + "\" is incomplete");
    int out = descriptor_;
    if (out < 0) {
        do
            out = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC);
        while (out < 0 && errno == EINTR);
        if (out < 0)
            error = errno;
    }
    if (error == 0)
        error = copyAll(in, out);
    if (descriptor_ < 0 && out >= 0 && ::close(out) != 0 && error == 0)
        error = errno;
    ::close(in);
    return error;
}

void OutputFile::discard()
{
    if (!temporaryName_.empty()) {
        ::unlinkat(directory_, temporaryName_.c_str(), 0);
        temporaryName_.clear();
    }
    if (temporary_ >= 0) {
        ::close(temporary_);
        temporary_ = -1;
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

const char* OutputFile::temporaryDirectorySource()
{
    return "TMPDIR, or /tmp";
}
