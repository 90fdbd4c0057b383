// SPDX-License-Identifier: MIT
// What saving needs: the save-file dialog and text file output.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "platform/controls.h"
#include "platform/text.h"

namespace malvorn {

struct SaveDialogRequest {
    Text title;
    std::vector<std::pair<Text, Text>> filters;  // (description, pattern)
    int filterIndex = 1;                         // 1-based
    Text defaultExtension;                       // without the dot
    std::uint32_t flags = 0;                     // OFN_* flags
    int maxFile = 260;                           // buffer size in narrow bytes
};

struct SaveDialogResult {
    bool chosen = false;         // the user chose a file
    Text fileBuffer;             // the file buffer up to its first NUL
    std::int32_t errorCode = 0;  // when not chosen: 0 cancelled, else the failure code
};

class ISaveDialog {
public:
    virtual ~ISaveDialog() = default;
    // Shows the modal dialog owned by the window; returns when it closes.
    // Throws PlatformError when the dialog cannot be shown at all.
    virtual SaveDialogResult show(IForm& owner, const SaveDialogRequest& request) = 0;
};

// A file being written as a whole. Nothing reaches the named file before
// close() has succeeded: close() puts the text written in place of the
// file's old content (or creates it) and throws on any failure, also one
// that only shows when data is flushed. A file destroyed without a
// successful close() leaves the named file exactly as it was before.
// write() and close() throw PlatformError on failure.
//
// A text to write comes piece by piece (TextPieces: called, it calls its
// argument with every piece in order, and it may be called more than once),
// so that a listing of hundreds of megabytes goes to the file as the box
// holds it, converted on the way, never copied whole.
using TextPieces = std::function<void(const std::function<void(TextView)>& piece)>;

class ITextFile {
public:
    virtual ~ITextFile() = default;
    // Converts the text to the platform's narrow encoding and writes it.
    virtual void write(const TextPieces& text) = 0;
    void write(TextView text) {
        write([text](const std::function<void(TextView)>& piece) { piece(text); });
    }
    virtual void close() = 0;
};

class ITextFileSystem {
public:
    virtual ~ITextFileSystem() = default;
    // Starts writing a file that replaces the named one, or creates it.
    // Throws PlatformError when the file cannot be written there at all.
    virtual std::unique_ptr<ITextFile> createForOutput(const Text& path) = 0;
};

}  // namespace malvorn
