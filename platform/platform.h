// SPDX-License-Identifier: MIT
// Everything the core reaches the outside world through, in one record.
#pragma once

#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/process.h"
#include "platform/save_services.h"
#include "platform/window_system.h"

namespace malvorn {

struct Platform {
    IWindowSystem& windows;
    IFileSystem& files;
    ISaveDialog& saveDialog;
    ITextFileSystem& textFiles;
    IProcessStarter& processes;
};

}  // namespace malvorn
