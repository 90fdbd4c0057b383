// SPDX-License-Identifier: MIT
// Start-up, layout and close of the window.
#include "window/frmMain.h"

namespace malvorn {

void frmMain::Form_Load() {
    txtLevel_Change();
    drDir_Change();
    Form_Resize();
}

// Every step computes in single precision and is abandoned on its own when
// the window system refuses it (a negative size while the window is
// minimised or very small); the next step still runs.
void frmMain::Form_Resize() {
    constexpr float Margin = 8.0f, TwoMargins = 16.0f, Twips = 15.0f;
    auto step = [](auto&& body) {
        try {
            body();
        } catch (const PlatformError&) {
        }
    };
    step([&] {
        const float H = static_cast<float>(C.form->innerHeight());
        C.drDir->setHeight(H - C.drDir->bounds().top - Margin);
    });
    step([&] {
        const float W = static_cast<float>(C.form->innerWidth());
        const float H = static_cast<float>(C.form->innerHeight());
        const Bounds f = C.frmSettings->bounds();
        C.frmSettings->move(f.left, f.top, W - f.left - Margin, H - f.top - Margin);
    });
    step([&] {
        const Bounds t = C.txtResult->bounds();
        const Bounds f = C.frmSettings->bounds();
        C.txtResult->move(t.left, t.top, (f.width - TwoMargins) * Twips, (f.height - Margin) * Twips - t.top);
    });
    step([&] {
        const Bounds f = C.frmSettings->bounds();
        C.cmdDoIt->setWidth((f.width - Margin) * Twips - C.cmdDoIt->bounds().left);
    });
    step([&] { C.cmdSave->setWidth(C.cmdDoIt->bounds().width); });
}

void frmMain::Form_Unload(std::int16_t& /*Cancel*/) {
    P.processes.startHidden(P.processes.urlOpenCommand(PublisherAddress()));
}

}  // namespace malvorn
