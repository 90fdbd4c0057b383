// SPDX-License-Identifier: MIT
#include "platform/win32/win32_native.h"

#include <windows.h>
#include <winternl.h>

#include <type_traits>

namespace malvorn::win32::native {

namespace {

using QueryAttributesFn = NTSTATUS(NTAPI*)(POBJECT_ATTRIBUTES, FILE_BASIC_INFORMATION*);
using OpenFileFn = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK, ULONG, ULONG);
using QueryInformationFn = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, FILE_INFORMATION_CLASS);
using QueryDirectoryFn = NTSTATUS(NTAPI*)(HANDLE, HANDLE, PIO_APC_ROUTINE, PVOID, PIO_STATUS_BLOCK, PVOID, ULONG,
                                          FILE_INFORMATION_CLASS, BOOLEAN, PUNICODE_STRING, BOOLEAN);
using CloseFn = NTSTATUS(NTAPI*)(HANDLE);
using ToDosErrorFn = ULONG(NTAPI*)(NTSTATUS);

struct Functions {
    QueryAttributesFn queryAttributes = nullptr;
    OpenFileFn openFile = nullptr;
    QueryInformationFn queryInformation = nullptr;
    QueryDirectoryFn queryDirectory = nullptr;
    CloseFn close = nullptr;
    ToDosErrorFn toDosError = nullptr;
    bool all = false;
    bool wine = false;

    Functions() {
        HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        if (!ntdll) return;
        auto find = [ntdll](auto& fn, const char* name) {
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(
                reinterpret_cast<void*>(GetProcAddress(ntdll, name)));
            return fn != nullptr;
        };
        all = find(queryAttributes, "NtQueryAttributesFile") && find(openFile, "NtOpenFile") &&
              find(queryInformation, "NtQueryInformationFile") && find(queryDirectory, "NtQueryDirectoryFile") &&
              find(close, "NtClose") && find(toDosError, "RtlNtStatusToDosError");
        wine = GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }
};

const Functions& functions() {
    static const Functions f;
    return f;
}

// The name as the native calls take it: a counted string, its length in
// bytes, relative to `folder` when one is given.
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

}  // namespace

bool available() { return functions().all; }

bool relativeAttributesWork() { return functions().all && !functions().wine; }

std::uint32_t win32Error(Status status) { return functions().toDosError(status); }

Status attributes(void* folder, const wchar_t* name, std::size_t length, std::uint32_t& word) {
    // A counted string holds at most 32767 units; longer names do not
    // exist, and the system would say the same of them.
    if (length * sizeof(wchar_t) > 0xFFFE) return static_cast<Status>(0xC0000033);  // name invalid
    Name n(folder, name, length);
    FILE_BASIC_INFORMATION info;
    const NTSTATUS s = functions().queryAttributes(&n.object, &info);
    if (s >= 0) word = info.FileAttributes;
    return s;
}

Status open(void* folder, const wchar_t* name, std::size_t length, bool forListing, bool folderOnly, void*& handle) {
    if (length * sizeof(wchar_t) > 0xFFFE) return static_cast<Status>(0xC0000033);
    Name n(folder, name, length);
    IO_STATUS_BLOCK io;
    HANDLE h = nullptr;
    // Synchronous, as CreateFileW opens without FILE_FLAG_OVERLAPPED, and
    // with backup intent, as FILE_FLAG_BACKUP_SEMANTICS, without which no
    // folder opens.
    const ACCESS_MASK access =
        FILE_READ_ATTRIBUTES | SYNCHRONIZE | (forListing ? FILE_LIST_DIRECTORY | FILE_TRAVERSE : 0);
    const ULONG options =
        FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_FOR_BACKUP_INTENT | (folderOnly ? FILE_DIRECTORY_FILE : 0);
    const NTSTATUS s = functions().openFile(&h, access, &n.object, &io, ShareAll, options);
    handle = s >= 0 ? h : nullptr;
    return s;
}

Status fileIndex(void* handle, std::uint64_t& index) {
    IO_STATUS_BLOCK io;
    LARGE_INTEGER id;
    const NTSTATUS s =
        functions().queryInformation(static_cast<HANDLE>(handle), &io, &id, sizeof id, FileInternalInformation);
    if (s >= 0) index = static_cast<std::uint64_t>(id.QuadPart);
    return s;
}

Status readFolder(void* handle, void* buffer, std::size_t size) {
    IO_STATUS_BLOCK io;
    return functions().queryDirectory(static_cast<HANDLE>(handle), nullptr, nullptr, nullptr, &io, buffer,
                                      static_cast<ULONG>(size), FileDirectoryInformation, FALSE, nullptr, FALSE);
}

void close(void* handle) { functions().close(static_cast<HANDLE>(handle)); }

}  // namespace malvorn::win32::native
