// SPDX-License-Identifier: MIT
// The native (ntdll) file calls the file system makes: a folder opened
// relative to the handle of the open folder it is in, which spares the
// system a walk down every folder of the path, its identity, and its
// listing through its handle. Every Windows since NT has them, and Wine
// answers them the same way.
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

// Opens `name` in the open folder `folder` (links followed) as a folder,
// `forListing` with the right to list and walk it as well. NotADirectory
// when it is no folder: under Wine one trip to its server either way.
Status openFolder(void* folder, const wchar_t* name, std::size_t length, bool forListing, void*& handle);

// An open file's 128-bit id and its volume's 64-bit serial
// (FILE_ID_INFO): the identity the system documents, unique also on ReFS,
// whose ids do not fit in the 64-bit file index. Windows before 8 and some
// file systems do not give it.
Status fileId(void* handle, std::uint64_t& volume, std::uint64_t& low, std::uint64_t& high);

// An open file's 64-bit index (FileInternalInformation), from the handle
// alone: on NTFS the id FILE_ID_INFO gives, which Wine reads without asking
// its mount manager for the volume's serial, as it does for FILE_ID_INFO.
Status fileIndex(void* handle, std::uint64_t& index);

// Whether an open file is on an NTFS volume (FileFsAttributeInformation).
bool onNtfs(void* handle);

// The next entries of an open folder as FILE_DIRECTORY_INFORMATION records
// (NoMoreFiles at the end).
Status readFolder(void* handle, void* buffer, std::size_t size);

void close(void* handle);

}  // namespace malvorn::win32::native
