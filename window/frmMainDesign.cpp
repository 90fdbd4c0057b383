// SPDX-License-Identifier: MIT
#include "window/frmMainDesign.h"

#include "platform/product_name.h"
#include "window/frmMain.h"

namespace malvorn {

namespace captions {
Text DoItIdle() { return fromUtf8("开始列举(&B)"); }
Text DoItRunning() { return fromUtf8("停止(&X)"); }
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
        d.windowControls = {
            {I::txtPath, K::SingleLineText, Text(), false, 0, 528, 193, 18, 13, 0},
            {I::frmSettings, K::Frame, fromUtf8("选项"), false, 208, 16, 241, 377, -1, 0},
            {I::drDir, K::FolderList, Text(), false, 8, 72, 193, 286, 1, 0},
            {I::drDrive, K::DriveList, Text(), false, 8, 48, 193, 20, 0, 0},
            {I::lblPath, K::Label, fromUtf8("请先选定你要列举的目录"), false, 8, 8, 132, 12, -1, 0},
        };
        // In the frame, twips relative to it; front to back.
        d.frameControls = {
            {I::cmdSave, K::PushButton, fromUtf8("保存(&S)"), true, 1800, 960, 1695, 375, 11, 0},
            {I::cmdDoIt, K::PushButton, captions::DoItIdle(), true, 1800, 480, 1695, 375, 10, 0},
            {I::txtResult, K::MultiLineText, Text(), true, 120, 1440, 3375, 4455, 9, 0},
            {I::VSLevel, K::VerticalScrollBar, Text(), true, 1440, 1080, 255, 255, 8, 32766},
            {I::txtLevel, K::SingleLineText, u"1", true, 720, 1080, 735, 270, 7, 0},
            {I::ChNoPath, K::CheckBox, fromUtf8("去掉路径"), true, 120, 480, 3375, 255, 5, 1},
            {I::ChHidden, K::CheckBox, fromUtf8("列出隐藏文件"), true, 720, 6000, 3375, 255, 4, 0},
            {I::ChFiles, K::CheckBox, fromUtf8("列出文件，而不是只有文件夹"), true, 120, 6000, 3375, 255, 3, 0},
            {I::lblLevels, K::Label, fromUtf8("层数："), true, 120, 1080, 540, 180, -1, 0},
        };
        d.scrollBar = {0, 32766, 1, 10};
        d.initialFocus = I::drDrive;
        return d;
    }();
    return design;
}

}  // namespace malvorn
