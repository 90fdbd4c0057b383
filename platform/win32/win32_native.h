// SPDX-License-Identifier: MIT
// The native (ntdll) file calls the file system makes: a name asked about,
// or opened, relative to the handle of an open folder, which spares the
// system a walk down every folder of the path for each query. They are
// found at run time; where they are missing, available() is false and the
// caller takes the Win32 path functions instead.
#pragma once

#include <cstddef>
#include <cstdint>

namespace malvorn::win32::native {

// An NTSTATUS: negative for an error, else success (or information, such as
// the end of a folder).
using Status = std::int32_t;
inline constexpr Status AccessDenied = static_cast<Status>(0xC0000022);
inline constexpr Status NotADirectory = static_cast<Status>(0xC0000103);
inline constexpr Status NoMoreFiles = static_cast<Status>(0x80000006);
inline constexpr Status NoSuchFile = static_cast<Status>(0xC000000F);
inline constexpr Status InvalidInfoClass = static_cast<Status>(0xC0000003);
inline constexpr Status InvalidParameter = static_cast<Status>(0xC000000D);
inline constexpr Status NotImplemented = static_cast<Status>(0xC0000002);
inline constexpr bool failed(Status s) { return s < 0; }

bool available();

// Whether a name given relative to a folder handle is looked up in that
// folder by attributes(). Wine (8 at least) turns the name into a Unix path
// relative to the folder and then looks that up from the process's current
// folder: a wrong answer, or none. There, queries go by full path.
bool relativeAttributesWork();

// The Win32 error number for a status.
std::uint32_t win32Error(Status status);

// The attributes of `name` (`length` UTF-16 units, no separator) in the
// open folder `folder`; as GetFileAttributesW gives them, those of a link
// itself.
Status attributes(void* folder, const wchar_t* name, std::size_t length, std::uint32_t& word);

// Opens `name` in the open folder `folder` (links followed), for a folder
// `forListing` with the right to list and walk it as well. It must be a
// folder when `folderOnly`.
Status open(void* folder, const wchar_t* name, std::size_t length, bool forListing, bool folderOnly, void*& handle);

// The file index of an open file (its id on its volume).
Status fileIndex(void* handle, std::uint64_t& index);

// The next entries of an open folder as FILE_DIRECTORY_INFORMATION records
// (NoMoreFiles at the end).
Status readFolder(void* handle, void* buffer, std::size_t size);

void close(void* handle);

}  // namespace malvorn::win32::native
