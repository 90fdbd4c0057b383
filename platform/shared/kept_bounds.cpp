// SPDX-License-Identifier: MIT
#include "platform/shared/kept_bounds.h"

#include "platform/error.h"

namespace malvorn {

void refuseNegativeSize(float width, float height) {
    if (width < 0 || height < 0) throw PlatformError(errors::InvalidProperty);
}

void refuseInvalidCheckBoxValue(int value) {
    if (value < 0 || value > 2) throw PlatformError(errors::InvalidProperty);
}

KeptBoundsControl::KeptBoundsControl(const ControlDesign& d)
    : b_{static_cast<float>(d.left), static_cast<float>(d.top), static_cast<float>(d.width),
         static_cast<float>(d.height)} {}

void KeptBoundsControl::move(float left, float top, float width, float height) {
    refuseNegativeSize(width, height);
    b_ = {left, top, width, height};
    applyBounds();
}

void KeptBoundsControl::setWidth(float width) {
    refuseNegativeSize(width, 0);
    b_.width = width;
    applyBounds();
}

void KeptBoundsControl::setHeight(float height) {
    refuseNegativeSize(0, height);
    b_.height = height;
    applyBounds();
}

}  // namespace malvorn
