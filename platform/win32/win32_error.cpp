// SPDX-License-Identifier: MIT
#include "platform/win32/win32_error.h"

#include <windows.h>

#include "platform/win32/win32_text.h"

namespace malvorn::win32 {

namespace {

// The system's descriptions of the errors a listing, the lists and a save
// meet most, for a system that has no Chinese messages of its own.
struct KnownError {
    std::uint32_t code;
    const char* description;
};
constexpr KnownError KnownErrors[] = {
    {ERROR_FILE_NOT_FOUND, "系统找不到指定的文件。"},
    {ERROR_PATH_NOT_FOUND, "系统找不到指定的路径。"},
    {ERROR_ACCESS_DENIED, "拒绝访问。"},
    {ERROR_INVALID_HANDLE, "句柄无效。"},
    {ERROR_NOT_ENOUGH_MEMORY, "存储空间不足，无法处理此命令。"},
    {ERROR_OUTOFMEMORY, "存储空间不足，无法完成此操作。"},
    {ERROR_INVALID_DRIVE, "系统找不到指定的驱动器。"},
    {ERROR_WRITE_PROTECT, "介质受写入保护。"},
    {ERROR_NOT_READY, "设备未就绪。"},
    {ERROR_SHARING_VIOLATION, "另一个程序正在使用此文件，进程无法访问。"},
    {ERROR_LOCK_VIOLATION, "另一个程序已锁定文件的一部分，进程无法访问。"},
    {ERROR_HANDLE_DISK_FULL, "磁盘已满。"},
    {ERROR_BAD_NETPATH, "找不到网络路径。"},
    {ERROR_BAD_NET_NAME, "找不到网络名。"},
    {ERROR_FILE_EXISTS, "文件存在。"},
    {ERROR_INVALID_PARAMETER, "参数错误。"},
    {ERROR_DISK_FULL, "磁盘空间不足。"},
    {ERROR_INVALID_NAME, "文件名、目录名或卷标语法不正确。"},
    {ERROR_DIR_NOT_EMPTY, "目录不是空的。"},
    {ERROR_ALREADY_EXISTS, "当文件已存在时，无法创建该文件。"},
    {ERROR_FILENAME_EXCED_RANGE, "文件名或扩展名太长。"},
    {ERROR_DIRECTORY, "目录名称无效。"},
    {ERROR_CANT_RESOLVE_FILENAME, "无法解析此文件名。"},
    {ERROR_FILE_CORRUPT, "文件或目录损坏且无法读取。"},
    {ERROR_CANT_ACCESS_FILE, "系统无法访问此文件。"},
};

bool hasNonAscii(const Text& text) {
    for (char16_t c : text)
        if (c >= 0x80) return true;
    return false;
}

}  // namespace

Text systemMessage(std::uint32_t code) {
    // The system's own text in Simplified Chinese (LANGID 2052) where it has
    // one; a system without that language answers in another or not at all.
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED), reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    Text text;
    if (length > 0 && buffer) text = fromWide(buffer, length);
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n' || text.back() == u' ')) text.pop_back();
    if (hasNonAscii(text)) return text;
    for (const KnownError& known : KnownErrors)
        if (known.code == code) return fromUtf8(known.description);
    return fromUtf8("系统错误 ") + decimal(code);
}

PlatformError errorFor(std::uint32_t code) {
    return PlatformError(static_cast<std::int32_t>(code), systemMessage(code));
}

PlatformError lastError() { return errorFor(GetLastError()); }

void throwLastError() { throw lastError(); }

}  // namespace malvorn::win32
