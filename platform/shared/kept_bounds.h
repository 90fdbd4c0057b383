// SPDX-License-Identifier: MIT
// The geometry part of a control that every backend shares: the bounds are
// kept exactly as the core last set them (in the control's own units, twips
// inside the frame), a negative width or height is refused with an error and
// changes nothing, and the backend only puts the real widget where the kept
// bounds say.
#pragma once

#include "platform/controls.h"
#include "platform/form_design.h"

namespace malvorn {

// Throws PlatformError (invalid property value) for a negative size.
void refuseNegativeSize(float width, float height);
// The same for a check box's value other than 0, 1 and 2 (ICheckBox).
void refuseInvalidCheckBoxValue(int value);

class KeptBoundsControl : public virtual IControl {
public:
    Bounds bounds() const override { return b_; }
    void move(float left, float top, float width, float height) override;
    void setWidth(float width) override;
    void setHeight(float height) override;
    // Puts the real widget where the kept bounds say; nothing by default.
    virtual void applyBounds() {}

protected:
    explicit KeptBoundsControl(const ControlDesign& design);

    Bounds b_;
};

}  // namespace malvorn
