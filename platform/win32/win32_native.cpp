// SPDX-License-Identifier: MIT
#include "platform/win32/win32_native.h"

#include <windows.h>
#include <winternl.h>

#include <cstring>

// Not in winternl.h.
extern "C" NTSTATUS NTAPI NtQueryDirectoryFile(HANDLE, HANDLE, PIO_APC_ROUTINE, PVOID, PIO_STATUS_BLOCK, PVOID, ULONG,
                                               FILE_INFORMATION_CLASS, BOOLEAN, PUNICODE_STRING, BOOLEAN);

namespace malvorn::win32::native {

namespace {

// FileIdInformation and its record (FILE_ID_INFO), which the headers give
// only to programs that require Windows 8.
constexpr auto FileIdInformationClass = static_cast<FILE_INFORMATION_CLASS>(59);
struct IdInformation {
    ULONGLONG volumeSerial;
    BYTE id[16];
};

// The name as the native calls take it: a counted string, its length in
// bytes, relative to `folder`.
struct Name {
    UNICODE_STRING string;
    OBJECT_ATTRIBUTES object;
    Name(void* folder, const wchar_t* name, std::size_t length) {
        string.Buffer = const_cast<PWSTR>(name);
        string.Length = static_cast<USHORT>(length * sizeof(wchar_t));
        string.MaximumLength = string.Length;
        InitializeObjectAttributes(&object, &string, OBJ_CASE_INSENSITIVE, static_cast<HANDLE>(folder), nullptr);
    }
};

constexpr ULONG ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// Synchronous, as CreateFileW opens without FILE_FLAG_OVERLAPPED, and with
// backup intent, as FILE_FLAG_BACKUP_SEMANTICS.
constexpr ULONG CommonOptions = FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_FOR_BACKUP_INTENT;
constexpr Status NameInvalid = static_cast<Status>(0xC0000033);

// A counted string holds at most 32767 units; longer names do not exist,
// and the system would say the same of them.
bool tooLong(std::size_t length) { return length * sizeof(wchar_t) > 0xFFFE; }

}  // namespace

std::uint32_t win32Error(Status status) { return RtlNtStatusToDosError(status); }

Status openFolder(void* folder, const wchar_t* name, std::size_t length, bool forListing, void*& handle) {
    if (tooLong(length)) return NameInvalid;
    Name n(folder, name, length);
    IO_STATUS_BLOCK io;
    HANDLE h = nullptr;
    const ACCESS_MASK access =
        FILE_READ_ATTRIBUTES | SYNCHRONIZE | (forListing ? FILE_LIST_DIRECTORY | FILE_TRAVERSE : 0);
    const NTSTATUS s = NtOpenFile(&h, access, &n.object, &io, ShareAll, CommonOptions | FILE_DIRECTORY_FILE);
    handle = s >= 0 ? h : nullptr;
    return s;
}

Status fileId(void* handle, std::uint64_t& volume, std::uint64_t& low, std::uint64_t& high) {
    IO_STATUS_BLOCK io;
    IdInformation info;
    const NTSTATUS s =
        NtQueryInformationFile(static_cast<HANDLE>(handle), &io, &info, sizeof info, FileIdInformationClass);
    if (s < 0) return s;
    volume = info.volumeSerial;
    std::memcpy(&low, info.id, sizeof low);
    std::memcpy(&high, info.id + sizeof low, sizeof high);
    return s;
}

Status fileIndex(void* handle, std::uint64_t& index) {
    IO_STATUS_BLOCK io;
    LARGE_INTEGER info;  // FILE_INTERNAL_INFORMATION
    const NTSTATUS s =
        NtQueryInformationFile(static_cast<HANDLE>(handle), &io, &info, sizeof info, FileInternalInformation);
    if (s >= 0) index = static_cast<std::uint64_t>(info.QuadPart);
    return s;
}

bool onNtfs(void* handle) {
    IO_STATUS_BLOCK io;
    union {
        FILE_FS_ATTRIBUTE_INFORMATION info;
        unsigned char room[sizeof(FILE_FS_ATTRIBUTE_INFORMATION) + 32 * sizeof(WCHAR)];
    } a;
    if (NtQueryVolumeInformationFile(static_cast<HANDLE>(handle), &io, &a, sizeof a, FileFsAttributeInformation) < 0)
        return false;
    return a.info.FileSystemNameLength == 4 * sizeof(WCHAR) && std::memcmp(a.info.FileSystemName, L"NTFS", 8) == 0;
}

Status readFolder(void* handle, void* buffer, std::size_t size) {
    IO_STATUS_BLOCK io;
    return NtQueryDirectoryFile(static_cast<HANDLE>(handle), nullptr, nullptr, nullptr, &io, buffer,
                                static_cast<ULONG>(size), FileDirectoryInformation, FALSE, nullptr, FALSE);
}

void close(void* handle) { NtClose(static_cast<HANDLE>(handle)); }

}  // namespace malvorn::win32::native
