#include "file_io.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "windows_text.h"

namespace platform {
namespace windows {

std::wstring widen(const std::string& text)
{
    if (text.empty())
        return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

std::string narrow(const wchar_t* text)
{
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1)
        return {};
    std::string utf8(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), n, nullptr, nullptr);
    utf8.pop_back();  // the terminating NUL
    return utf8;
}

int errorNumber(unsigned long win32Error)
{
    switch (win32Error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
        return EBUSY;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_DIRECTORY:
        return ENOTDIR;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
        return EINVAL;
    default:
        return EIO;
    }
}

}  // namespace windows

int openForWriting(const char* path)
{
    // Every handle to a file this program writes lets others rename and
    // remove it, so that the finished file can be moved into place and an
    // interrupted one removed while the engine still holds it.
    const HANDLE handle = CreateFileW(windows::widen(path).c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        errno = windows::errorNumber(GetLastError());
        return -1;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        errno = EMFILE;
    }
    return fd;
}

int64_t writeSome(int fd, const void* data, size_t count)
{
    return _write(fd, data, static_cast<unsigned>(count < INT_MAX ? count : INT_MAX));
}

int64_t writeAt(int fd, const void* data, size_t count, int64_t offset)
{
    const int64_t position = _lseeki64(fd, 0, SEEK_CUR);
    if (position < 0 || _lseeki64(fd, offset, SEEK_SET) < 0)
        return -1;
    const int64_t written = writeSome(fd, data, count);
    const int error = errno;
    _lseeki64(fd, position, SEEK_SET);
    errno = error;
    return written;
}

int truncateFile(int fd, int64_t length)
{
    if (const errno_t error = _chsize_s(fd, length); error != 0) {
        errno = error;
        return -1;
    }
    return 0;
}

int closeFile(int fd)
{
    return _close(fd);
}

int64_t regularFileSize(int fd)
{
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    LARGE_INTEGER size{};
    if (handle == INVALID_HANDLE_VALUE || GetFileType(handle) != FILE_TYPE_DISK || !GetFileSizeEx(handle, &size))
        return -1;
    return size.QuadPart;
}

bool isTerminal(int fd)
{
    // A console; _isatty would also answer true for the NUL device.
    DWORD mode = 0;
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

std::filesystem::path pathFromUtf8(const std::string& path)
{
    return windows::widen(path);
}

std::string errorText(int error)
{
    // The C runtime's text for EBUSY names no reason; the system's does.
    if (error == EBUSY)
        return "The process cannot access the file because it is being used by another process";
    return std::strerror(error);
}

}  // namespace platform
