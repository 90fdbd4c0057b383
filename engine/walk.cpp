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
//    the one extra query, made before its gathering. That one asks about
//    the folder path, with its final separator, which is the path the
//    enumeration opens: where the start is a link, the identity is that of
//    the folder it leads to and that is walked, not the link's own.
//  * The names held whole. Only one enumeration exists at a time, so a
//    folder's accepted names are all read and kept in its frame, each whole
//    as the enumeration gave it, before any subfolder is entered; a line is
//    built from the kept name and the folder when it is written.
//  * Alive between pump points. Gathering a large folder (a drive's root
//    has no "." to pump at) and writing a long run of names can take long
//    on a slow disk; every step there lets the window system show that the
//    program is alive, and runs no event.
//  * Few allocations. A walk of a large tree handles a million names, and
//    an allocation for each name, line and query cost more than the rest of
//    the walk's own work: a frame keeps its names one after the other in one
//    text, the frames of finished folders are reused for the next folder at
//    the same depth, and the name, path and line texts are reused.
#include <set>
#include <tuple>
#include <utility>
#include <vector>

#include "window/frmMain.h"

namespace malvorn {

namespace {

// One ListFile call that has finished gathering and is writing its names.
struct FolderFrame {
    Text folder;  // with the final separator
    std::int32_t layer = 0;
    Text names;                     // accepted names, in enumeration order, one after the other
    std::vector<std::size_t> ends;  // where each name ends in `names`
    std::size_t index = 0;          // next name to write
    FileIdentity identity;          // of the folder, when known

    TextView name(std::size_t i) const {
        const std::size_t start = i == 0 ? 0 : ends[i - 1];
        return TextView(names).substr(start, ends[i] - start);
    }
    // Emptied for the next folder at this depth; the room a typical folder
    // needs is kept, that of an unusually large one given back.
    void clear() {
        constexpr std::size_t KeptUnits = 4096;
        if (names.capacity() > KeptUnits) {
            Text().swap(names);
            std::vector<std::size_t>().swap(ends);
        }
        names.clear();
        ends.clear();
        index = 0;
    }
};

// "." or ".." (a comparison with a literal would measure the literal first).
bool isDotEntry(const Text& name) {
    return !name.empty() && name.size() <= 2 && name[0] == u'.' && name.back() == u'.';
}

using IdentityKey = std::tuple<std::uint64_t, std::uint64_t, std::uint64_t>;

}  // namespace

void frmMain::Pump() {
    if (P.windows.doEventsPaced() == 0) P.windows.endProgram();
}

Flag frmMain::TestPath(const Text& PathName) { return P.files.attributesReadable(PathName) ? True : False; }

void frmMain::PushDir(TextView DirStr) {
    try {
        line_.assign(DirStr).append(u"\r\n");
        C.txtResult->replaceSelection(line_);
        ++listedLines_;
    } catch (const PlatformError&) {
        // The line is lost; the walk goes on.
    }
}

void frmMain::ListFile(Text Path, std::int32_t Layer) {
    IFileSystem& fs = P.files;
    const char16_t sep = fs.separator();

    // The frames of the calls under way are stack[0 .. depth); stack[depth]
    // and above are finished ones kept for their room.
    std::vector<FolderFrame> stack;
    std::size_t depth = 0;
    Text entry, full;  // the name just enumerated; a full path

    // The folder path of a call: the path with the separator at its end.
    auto folderPathOf = [sep](const Text& path, Text& folder) {
        folder.assign(path);
        if (folder.empty() || folder.back() != sep) folder.push_back(sep);
    };

    // Gathering phase of one call, into stack[depth]; false when the call
    // returns without writing (enumeration failed, nothing accepted, or a
    // stop was seen). `path` may be `full`, which is taken before it is
    // used for the names.
    auto gather = [&](const Text& path, std::int32_t layer, FileIdentity identity) -> bool {
        if (stack.size() == depth) stack.emplace_back();
        FolderFrame& frame = stack[depth];
        frame.clear();
        folderPathOf(path, frame.folder);
        frame.layer = layer;
        frame.identity = identity;
        const Text& folder = frame.folder;
        try {
            fs.startEnumerationInto(folder, State.DirAttr, entry);
        } catch (const PlatformError&) {
            return false;
        }
        while (!entry.empty()) {
            if (isDotEntry(entry)) {
                Pump();
                if (State.StopFlag) return false;
            } else {
                P.windows.showAlive();
                full.assign(folder).append(entry);
                bool accept = TestPath(full) != False;
                if (accept && State.DirsOnly) {
                    try {
                        accept = (fs.attributes(full).word & attr::Directory) != 0;
                    } catch (const PlatformError&) {
                        accept = false;
                    }
                }
                if (accept) {
                    frame.names.append(entry);
                    frame.ends.push_back(frame.names.size());
                }
            }
            try {
                fs.nextNameInto(entry);
            } catch (const PlatformError&) {
                break;  // end this folder's gathering with what it has
            }
        }
        if (frame.ends.empty()) return false;
        Pump();
        if (State.StopFlag) return false;
        return true;
    };

    // Folders on the current chain, by identity: a folder met again below
    // itself through a link is listed but not walked into a second time.
    std::multiset<IdentityKey> chain;
    auto keyOf = [](const FileIdentity& id) { return IdentityKey{id.volume, id.file, id.fileHigh}; };
    auto enter = [&] {
        if (stack[depth].identity.known) chain.insert(keyOf(stack[depth].identity));
        ++depth;
    };

    FileIdentity startIdentity;
    try {
        folderPathOf(Path, full);
        startIdentity = fs.attributes(full).identity;
    } catch (const PlatformError&) {
    }

    if (gather(Path, Layer, startIdentity)) enter();

    Text indented;  // the line in the name form
    while (depth > 0) {
        FolderFrame& frame = stack[depth - 1];
        if (frame.index >= frame.ends.size()) {
            if (frame.identity.known) chain.erase(chain.find(keyOf(frame.identity)));
            --depth;
            continue;
        }
        P.windows.showAlive();
        const TextView name = frame.name(frame.index++);
        full.assign(frame.folder).append(name);
        if (State.NoPath) {
            const std::size_t indent = static_cast<std::size_t>(frame.layer) * 4 - 4;
            indented.assign(indent, u' ').append(name);
            PushDir(indented);
        } else {
            PushDir(full);
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
            // `frame` and `name` are not used past here: a new frame may
            // move the others.
            if (descend && gather(full, layer + 1, identity)) enter();
        }
    }
}

}  // namespace malvorn
