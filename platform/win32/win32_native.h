// SPDX-License-Identifier: MIT
// The native (ntdll) file calls the file system makes: a name asked about,
// or opened, relative to the handle of an open folder, which spares the
// system a walk down every folder of the path for each query. Every
// Windows since NT has them, and Wine answers them the same way.
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
inline constexpr bool failed(Status s) { return s < 0; }

// The Win32 error number for a status.
std::uint32_t win32Error(Status status);

// The attributes of `name` (`length` UTF-16 units, no separator) in the
// open folder `folder`, those of a link itself as GetFileAttributesW gives
// them: the name is opened relative to the folder for its attributes only
// (which no sharing mode of another program refuses) and its basic
// information read from that handle. NtQueryAttributesFile would do it in
// one call, but Wine resolves its relative name against the process's
// current folder instead of the folder given. Without `word`, only whether
// they can be read: the open is what fails (the query of an open handle
// does not), and under Wine the query costs a trip to its server.
Status attributes(void* folder, const wchar_t* name, std::size_t length, std::uint32_t* word);

// Opens `name` in the open folder `folder` (links followed), for a folder
// `forListing` with the right to list and walk it as well. It must be a
// folder when `folderOnly`.
Status open(void* folder, const wchar_t* name, std::size_t length, bool forListing, bool folderOnly, void*& handle);

// An open file's 128-bit id and its volume's 64-bit serial
// (FILE_ID_INFO): the identity the system documents, unique also on ReFS,
// whose ids do not fit in the 64-bit file index. Windows before 8 and some
// file systems do not give it.
Status fileId(void* handle, std::uint64_t& volume, std::uint64_t& low, std::uint64_t& high);

// The next entries of an open folder as FILE_DIRECTORY_INFORMATION records
// (NoMoreFiles at the end).
Status readFolder(void* handle, void* buffer, std::size_t size);

void close(void* handle);

}  // namespace malvorn::win32::native
