// SPDX-License-Identifier: MIT
// The folder walk: ListFile, TestPath, PushDir.
//
// Each folder is handled in two phases. Gathering reads all its names and
// filters them, pumping events at "." and ".." (and once after a gathering
// that accepted names); writing then writes one line a name and descends into
// each folder within the depth limit before writing the next name. Every
// failure inside the walk skips its step and goes on.
//
// Its parts:
//  * The explicit stack. The recursion of ListFile is kept on a stack of
//    folder frames rather than the machine stack, so that a chain of 32767
//    levels cannot overflow it; the order of lines, queries and pumps is
//    that of the recursive form.
//  * The identity guard. The folders on the current chain are known by
//    their identity (volume and file number), so that a folder met again
//    below itself through a link is listed but not walked into a second
//    time. The identities come with the attribute queries the walk makes
//    anyway; the start folder, which no query of its parent reaches, costs
//    the one extra query, made before its gathering.
//  * The names held whole. Only one enumeration exists at a time, so a
//    folder's accepted names are all read and kept in its frame, each whole
//    as the enumeration gave it, before any subfolder is entered; a line is
//    built from the kept name and the folder when it is written.
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "window/frmMain.h"

namespace malvorn {

namespace {

// One ListFile call that has finished gathering and is writing its names.
struct FolderFrame {
    Text folder;  // with the final separator
    std::int32_t layer = 0;
    std::vector<Text> names;  // accepted names, in enumeration order
    std::size_t index = 0;    // next name to write
    FileIdentity identity;    // of the folder, when known
};

bool isDotEntry(const Text& name) { return name == u"." || name == u".."; }

using IdentityKey = std::pair<std::uint64_t, std::uint64_t>;

}  // namespace

void frmMain::Pump() {
    if (P.windows.doEventsPaced() == 0) P.windows.endProgram();
}

Flag frmMain::TestPath(Text PathName) { return P.files.attributesReadable(PathName) ? True : False; }

void frmMain::PushDir(Text DirStr) {
    try {
        DirStr += u"\r\n";
        C.txtResult->replaceSelection(DirStr);
    } catch (const PlatformError&) {
        // The line is lost; the walk goes on.
    }
}

void frmMain::ListFile(Text Path, std::int32_t Layer) {
    IFileSystem& fs = P.files;
    const char16_t sep = fs.separator();

    // Gathering phase of one call; nothing when the call returns without
    // writing (enumeration failed, nothing accepted, or a stop was seen).
    auto gather = [&](Text folder, std::int32_t layer, FileIdentity identity) -> std::optional<FolderFrame> {
        if (folder.empty() || folder.back() != sep) folder.push_back(sep);
        Text name;
        try {
            name = fs.startEnumeration(folder, State.DirAttr);
        } catch (const PlatformError&) {
            return std::nullopt;
        }
        FolderFrame frame{folder, layer, {}, 0, identity};
        Text full;
        while (!name.empty()) {
            if (isDotEntry(name)) {
                Pump();
                if (State.StopFlag) return std::nullopt;
            } else {
                full.assign(folder).append(name);
                bool accept = TestPath(full) != False;
                if (accept && State.DirsOnly) {
                    try {
                        accept = (fs.attributes(full).word & attr::Directory) != 0;
                    } catch (const PlatformError&) {
                        accept = false;
                    }
                }
                if (accept) {
                    // Room for a typical folder at once rather than growing
                    // through 1, 2, 4, 8 names.
                    if (frame.names.empty()) frame.names.reserve(16);
                    frame.names.push_back(std::move(name));
                }
            }
            try {
                name = fs.nextName();
            } catch (const PlatformError&) {
                break;  // end this folder's gathering with what it has
            }
        }
        if (frame.names.empty()) return std::nullopt;
        Pump();
        if (State.StopFlag) return std::nullopt;
        return frame;
    };

    // Folders on the current chain, by identity: a folder met again below
    // itself through a link is listed but not walked into a second time.
    std::multiset<IdentityKey> chain;
    auto keyOf = [](const FileIdentity& id) { return IdentityKey{id.volume, id.file}; };

    FileIdentity startIdentity;
    try {
        startIdentity = fs.attributes(Path).identity;
    } catch (const PlatformError&) {
    }

    std::vector<FolderFrame> stack;
    if (auto first = gather(std::move(Path), Layer, startIdentity)) {
        if (first->identity.known) chain.insert(keyOf(first->identity));
        stack.push_back(std::move(*first));
    }

    Text full;
    while (!stack.empty()) {
        FolderFrame& frame = stack.back();
        if (frame.index >= frame.names.size()) {
            if (frame.identity.known) chain.erase(chain.find(keyOf(frame.identity)));
            stack.pop_back();
            continue;
        }
        const Text& name = frame.names[frame.index++];
        full.assign(frame.folder).append(name);
        {
            // PushDir takes its line by value and appends the line end; a
            // line built with room for that end costs one allocation, not two.
            Text line;
            if (State.NoPath) {
                const std::size_t indent = static_cast<std::size_t>(frame.layer) * 4 - 4;
                line.reserve(indent + name.size() + 2);
                line.assign(indent, u' ').append(name);
            } else {
                line.reserve(full.size() + 2);
                line.assign(full);
            }
            PushDir(std::move(line));
        }
        const std::int32_t layer = frame.layer;
        if (layer < State.Levels) {
            bool descend = true;  // a failed query descends all the same
            FileIdentity identity;
            try {
                const FileAttributes a = fs.attributes(full);
                descend = (a.word & attr::Directory) != 0;
                identity = a.identity;
            } catch (const PlatformError&) {
            }
            if (descend && identity.known && chain.count(keyOf(identity))) descend = false;
            if (descend) {
                if (auto child = gather(full, layer + 1, identity)) {
                    if (child->identity.known) chain.insert(keyOf(child->identity));
                    stack.push_back(std::move(*child));  // `frame` is not used past here
                }
            }
        }
    }
}

}  // namespace malvorn
