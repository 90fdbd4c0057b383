// SPDX-License-Identifier: MIT
// The window as it is designed: controls, captions, positions, tab order.
#pragma once

#include <cstddef>

#include "platform/form_design.h"

namespace malvorn {

const FormDesign& frmMainDesign();

// Captions and titles the handlers use.
namespace captions {
Text DoItIdle();     // "开始列举(&B)"
Text DoItRunning();  // "停止(&X)"
// What a screen reader says when a listing has ended: how, and its lines.
Text ListingEnded(bool stopped, std::size_t lines);
}  // namespace captions

}  // namespace malvorn
