// SPDX-License-Identifier: MIT
#include "window/frmMainDesign.h"

#include "platform/product_name.h"
#include "window/frmMain.h"

namespace malvorn {

namespace captions {
Text DoItIdle() { return fromUtf8("开始列举(&B)"); }
Text DoItRunning() { return fromUtf8("停止(&X)"); }
Text ListingEnded(bool stopped, std::size_t lines) {
    return fromUtf8(stopped ? "列举已停止，共 " : "列举完毕，共 ") + decimal(static_cast<long long>(lines)) +
           fromUtf8(" 行。");
}
}  // namespace captions

const Text& PublisherSiteName() {
    static const Text name = fromUtf8(ProductName);
    return name;
}

const Text& PublisherAddress() {
    static const Text address = fromUtf8("https://malvorn.example/");
    return address;
}

const FormDesign& frmMainDesign() {
    using K = ControlKind;
    using I = ControlId;
    static const FormDesign design = [] {
        FormDesign d;
        d.caption = PublisherSiteName() + u" " + PublisherAddress() + u" " + fromUtf8("内部专用列目录工具");
        d.innerWidth = 593;
        d.innerHeight = 448;
        // On the window, pixels; front to back.
        // clang-format off
        d.windowControls = {
            {.id = I::txtPath, .name = "txtPath", .kind = K::SingleLineText, .left = 0, .top = 528, .width = 193, .height = 18, .tabIndex = 13},
            {.id = I::frmSettings, .name = "frmSettings", .kind = K::Frame, .caption = fromUtf8("选项"), .left = 208, .top = 16, .width = 241, .height = 377, .tabIndex = -1},
            {.id = I::drDir, .name = "drDir", .kind = K::FolderList, .left = 8, .top = 72, .width = 193, .height = 286, .tabIndex = 1},
            {.id = I::drDrive, .name = "drDrive", .kind = K::DriveList, .left = 8, .top = 48, .width = 193, .height = 20, .tabIndex = 0},
            {.id = I::lblPath, .name = "lblPath", .kind = K::Label, .caption = fromUtf8("请先选定你要列举的目录"), .left = 8, .top = 8, .width = 132, .height = 12, .tabIndex = -1},
        };
        // In the frame, twips relative to it; front to back.
        d.frameControls = {
            {.id = I::cmdSave, .name = "cmdSave", .kind = K::PushButton, .caption = fromUtf8("保存(&S)"), .inFrame = true, .left = 1800, .top = 960, .width = 1695, .height = 375, .tabIndex = 11},
            {.id = I::cmdDoIt, .name = "cmdDoIt", .kind = K::PushButton, .caption = captions::DoItIdle(), .inFrame = true, .left = 1800, .top = 480, .width = 1695, .height = 375, .tabIndex = 10},
            {.id = I::txtResult, .name = "txtResult", .kind = K::MultiLineText, .inFrame = true, .left = 120, .top = 1440, .width = 3375, .height = 4455, .tabIndex = 9},
            {.id = I::VSLevel, .name = "VSLevel", .kind = K::VerticalScrollBar, .inFrame = true, .left = 1440, .top = 1080, .width = 255, .height = 255, .tabIndex = 8, .initialValue = 32766},
            {.id = I::txtLevel, .name = "txtLevel", .kind = K::SingleLineText, .caption = u"1", .inFrame = true, .left = 720, .top = 1080, .width = 735, .height = 270, .tabIndex = 7},
            {.id = I::ChNoPath, .name = "ChNoPath", .kind = K::CheckBox, .caption = fromUtf8("去掉路径"), .inFrame = true, .left = 120, .top = 480, .width = 3375, .height = 255, .tabIndex = 5, .initialValue = 1},
            {.id = I::ChHidden, .name = "ChHidden", .kind = K::CheckBox, .caption = fromUtf8("列出隐藏文件"), .inFrame = true, .left = 720, .top = 6000, .width = 3375, .height = 255, .tabIndex = 4},
            {.id = I::ChFiles, .name = "ChFiles", .kind = K::CheckBox, .caption = fromUtf8("列出文件，而不是只有文件夹"), .inFrame = true, .left = 120, .top = 6000, .width = 3375, .height = 255, .tabIndex = 3},
            {.id = I::lblLevels, .name = "lblLevels", .kind = K::Label, .caption = fromUtf8("层数："), .inFrame = true, .left = 120, .top = 1080, .width = 540, .height = 180, .tabIndex = -1},
        };
        // clang-format on
        d.scrollBar = {0, 32766, 1, 10};
        d.initialFocus = I::drDrive;
        // The path box and both lists are what lblPath asks for, the depth
        // box and its bar what lblLevels counts.
        auto captionOf = [&](ControlId id) {
            for (const auto* rows : {&d.windowControls, &d.frameControls})
                for (const ControlDesign& c : *rows)
                    if (c.id == id) return c.caption;
            return Text();
        };
        const Text path = captionOf(I::lblPath), levels = captionOf(I::lblLevels);
        d.spokenNames = {
            {I::drDrive, path, true, I::lblPath},     {I::drDir, path, true, I::lblPath},
            {I::txtPath, path, true, I::lblPath},     {I::txtLevel, levels, true, I::lblLevels},
            {I::VSLevel, levels, true, I::lblLevels}, {I::txtResult, fromUtf8("列举结果")},
        };
        return d;
    }();
    return design;
}

}  // namespace malvorn
