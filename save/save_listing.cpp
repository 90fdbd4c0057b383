// SPDX-License-Identifier: MIT
// Saving the listing: the whole text of the result box, plus one line end,
// to a file named in the save dialog; the outcome goes into the title.
#include <functional>
#include <memory>

#include "platform/shared/dispatch.h"
#include "window/frmMain.h"

namespace malvorn {

namespace {

SaveDialogRequest ListingSaveRequest() {
    SaveDialogRequest r;
    r.title = fromUtf8("保存文件清单");
    r.filters = {{fromUtf8("文本文档(TXT)"), u"*.TXT"}, {fromUtf8("所有文件"), u"*.*"}};
    r.filterIndex = 1;
    r.defaultExtension = u"TXT";
    // Hide read-only, no network button, explorer, sizing; and the current
    // folder left as it was, so that a folder saved into is not kept busy.
    r.flags = 0x008A000C;
    r.maxFile = 260;
    return r;
}

}  // namespace

void frmMain::cmdSave_Click() {
    // The title is the save's only word, and screen readers do not say a
    // title that changes: an outcome is announced as well.
    auto outcome = [this](const Text& title) {
        C.form->setCaption(title);
        C.form->announce(title);
    };
    try {
        C.form->setCaption(fromUtf8("正在保存文件"));
        const SaveDialogResult answer = P.saveDialog.show(*C.form, ListingSaveRequest());
        if (answer.chosen) {
            Text name = answer.fileBuffer;
            name.erase(0, name.find_first_not_of(u' '));
            // Until close() succeeds the file named is untouched; a failure
            // on the way drops the new text with `file` and leaves the old
            // file as it was, rather than half a listing in its place.
            const std::unique_ptr<ITextFile> file = P.textFiles.createForOutput(name);
            // The box's text goes to the file piece by piece as the box holds
            // it, converted on the way, then the line end: a large listing
            // is never copied whole, neither as text nor converted.
            const ITextBox& box = *C.txtResult;
            file->write([&box](const std::function<void(TextView)>& piece) {
                box.readText(piece);
                piece(u"\r\n");
            });
            file->close();
            outcome(fromUtf8("保存成功。"));
        } else if (answer.errorCode != 0) {
            P.windows.beep();
            outcome(fromUtf8("未保存。CommDlgExtendedError=") + decimal(answer.errorCode));
        } else {
            C.form->setCaption(PublisherSiteName());
        }
    } catch (const std::exception& e) {
        try {
            outcome(fromUtf8("保存失败。") + failureOf(e).description);
        } catch (const std::exception&) {
            // The failure of the save is the one reported.
        }
        ErrorReport(e);
    }
}

}  // namespace malvorn
