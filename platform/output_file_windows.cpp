#include "output_file.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <io.h>
#include <random>
#include <system_error>
#include <utility>
#include <vector>
#include <windows.h>

#include "windows_text.h"

using platform::windows::errorNumber;
using platform::windows::narrow;
using platform::windows::widen;

namespace {

// Room left for ".", the hidden marker and the unique suffix within a
// directory entry's 255 characters.
constexpr size_t kTemporaryNameBytes = 200;

size_t lastSeparator(const std::string& path)
{
    return path.find_last_of("/\\");
}

std::string directoryOf(const std::string& path)
{
    const size_t slash = lastSeparator(path);
    if (slash == std::string::npos)
        return path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) : ".";
    if (slash == 0 || (slash == 2 && path[1] == ':'))
        return path.substr(0, slash + 1);  // the root of the drive
    return path.substr(0, slash);
}

std::string nameOf(const std::string& path)
{
    const size_t slash = lastSeparator(path);
    if (slash == std::string::npos)
        return path.size() >= 2 && path[1] == ':' ? path.substr(2) : path;
    return path.substr(slash + 1);
}

std::string joined(const std::string& directory, const std::string& name)
{
    if (directory.empty() || directory.back() == '/' || directory.back() == '\\' || directory.back() == ':')
        return directory + name;
    return directory + "\\" + name;
}

// Six letters for a temporary name, from the system's random source or,
// failing that, from the clock and the process.
std::string uniqueSuffix(int attempt)
{
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    uint64_t mix = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                   (static_cast<uint64_t>(GetCurrentProcessId()) << 32) ^ static_cast<uint64_t>(attempt);
    try {
        std::random_device random;
        mix = (uint64_t{random()} << 32) ^ random();
    } catch (const std::exception&) {
    }
    std::string suffix;
    for (int i = 0; i < 6; ++i) {
        mix = mix * 6364136223846793005u + 1442695040888963407u;
        suffix += kLetters[(mix >> 56) % 62];
    }
    return suffix;
}

// Copies all of in to out from its start; answers 0 or errno.
int copyAll(int in, int out)
{
    if (_lseeki64(in, 0, SEEK_SET) < 0)
        return errno;
    std::vector<char> buffer(1 << 18);
    for (;;) {
        const int n = _read(in, buffer.data(), static_cast<unsigned>(buffer.size()));
        if (n <= 0)
            return n < 0 ? errno : 0;
        for (int done = 0; done < n;) {
            const int w = _write(out, buffer.data() + done, static_cast<unsigned>(n - done));
            if (w <= 0)
                return w < 0 ? errno : EIO;
            done += w;
        }
    }
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

// Creates a new, empty file in directory, its name derived from name;
// answers 0 or errno. Every handle to it lets others rename and remove it,
// so that it can be moved into place, or removed while the engine holds it.
int OutputFile::createTemporary(const std::string& directory, const std::string& name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate =
            joined(directory, "." + name.substr(0, kTemporaryNameBytes) + "." + uniqueSuffix(attempt));
        const HANDLE handle = CreateFileW(widen(candidate).c_str(), GENERIC_READ | GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            temporary_ = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDWR | _O_BINARY);
            if (temporary_ < 0) {
                CloseHandle(handle);
                DeleteFileW(widen(candidate).c_str());
                return EMFILE;
            }
            temporaryName_ = candidate;
            renderPath_ = candidate;
            return 0;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            return errorNumber(error);
    }
    return EEXIST;
}

int OutputFile::prepare()
{
    if (path_ == "-") {
        descriptor_ = 1;
        const HANDLE out = reinterpret_cast<HANDLE>(_get_osfhandle(1));
        if (out == INVALID_HANDLE_VALUE || out == nullptr)
            return EBADF;
        DWORD mode = 0;
        if (GetConsoleMode(out, &mode))
            return kTerminal;
        mode_ = Mode::Stream;
        const char* tmp = std::getenv("TMPDIR");
        std::string directory = tmp && *tmp ? tmp : "";
        if (directory.empty()) {
            wchar_t buffer[MAX_PATH + 2] = {};
            if (GetTempPathW(MAX_PATH + 1, buffer) > 0)
                directory = narrow(buffer);
        }
        if (directory.empty())
            directory = ".";
        const int error = createTemporary(directory, "veltrane-cli");
        if (error != 0)
            failedDirectory_ = directory;
        return error;
    }

    target_ = path_;
    const DWORD attributes = GetFileAttributesW(widen(target_).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND)
            return errorNumber(error);
        if (nameOf(target_).empty())
            return EISDIR;  // "dir\" names a directory, which is not made here
    } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        return EISDIR;
    } else if (attributes & FILE_ATTRIBUTE_READONLY) {
        return EACCES;  // a read-only file is not replaced
    }
    mode_ = Mode::Replace;
    name_ = nameOf(target_);
    return createTemporary(directoryOf(target_), name_);
}

int OutputFile::commit()
{
    holdInterrupts();
    if (mode_ == Mode::Replace) {
        // The temporary file is closed first: an open file cannot be moved.
        _close(temporary_);
        temporary_ = -1;
        int error = 0;
        if (!MoveFileExW(widen(temporaryName_).c_str(), widen(target_).c_str(), MOVEFILE_REPLACE_EXISTING))
            error = errorNumber(GetLastError());
        if (error == 0)
            temporaryName_.clear();
        discard();
        return error;
    }

    // Stream: the temporary file's name is removed before the first byte
    // goes out (the file itself goes once it is closed), so nothing is left
    // behind however the copy ends; the open descriptor still reads it.
    const int in = temporary_;
    temporary_ = -1;
    discard();
    releaseInterrupts("the output to standard output is incomplete");
    _setmode(descriptor_, _O_BINARY);  // no 0A byte may become 0D 0A
    const int error = copyAll(in, descriptor_);
    _close(in);
    return error;
}

void OutputFile::discard()
{
    if (temporary_ >= 0) {
        _close(temporary_);
        temporary_ = -1;
    }
    if (!temporaryName_.empty()) {
        DeleteFileW(widen(temporaryName_).c_str());
        temporaryName_.clear();
    }
}

std::string defaultOutputPath()
{
    std::error_code error;
    const std::filesystem::path directory = std::filesystem::current_path(error);
    if (error)
        return "Test.wav";
    const std::u8string utf8 = (directory / "Test.wav").u8string();
    return {utf8.begin(), utf8.end()};
}

const char* OutputFile::temporaryDirectorySource()
{
    return "TMPDIR, or the system's temporary folder";
}
