// SPDX-License-Identifier: MIT
// Chinese texts for the C library's error numbers. The system's own texts
// (strerror) are English in the C locale the program runs in, and every text
// the person sees is Chinese; so the common errno values carry a text of
// their own here. Only the portable <cerrno> names are used, so the table
// serves every C library the program is built with.
#pragma once

#include "platform/text.h"

namespace malvorn {

// "没有那个文件或目录" for ENOENT and the like; for a value the table lacks,
// "系统错误 " followed by the value.
Text errnoText(int err);

}  // namespace malvorn
