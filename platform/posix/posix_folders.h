// SPDX-License-Identifier: MIT
// The folders and volumes the drive list and the folder list show, read
// from the system directly. Names are the system's bytes as Text (UTF-8,
// undecodable bytes escaped), so that every folder can be shown and opened
// again; sorting and display are the window's matter.
#pragma once

#include <optional>
#include <vector>

#include "platform/text.h"

namespace malvorn::posix {

// The process's current folder; "/" when it cannot be found out.
Text currentFolder();

// Whether `path` names a folder, following links.
bool isFolder(const Text& path);

// The subfolders of `folder` by name, in the order the system gives them:
// neither "." nor ".." nor hidden ones (a leading dot), links to folders
// included. Nothing when the folder cannot be read.
std::optional<std::vector<Text>> subfolders(const Text& folder);

// The root folders of the mounted volumes a person would choose between,
// sorted, "/" always among them. System mounts (/dev, /proc, /sys and the
// like, file systems without a device) and volumes that cannot be queried or
// hold no blocks are left out.
std::vector<Text> volumeRoots();

// The volume of `roots` that holds `path`: the longest root that leads it
// ("/home" leads "/home" and "/home/x", not "/homes"); nullptr when none does.
const Text* volumeOf(const std::vector<Text>& roots, const Text& path);

}  // namespace malvorn::posix
