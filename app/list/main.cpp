// malvorn-list: the folder listing on the command line. It runs the real
// window object on the headless window system, over the POSIX file system,
// and does what a user would do: type the depth, set the three options, type
// the folder and press the start button. The result box streams every line
// to standard output instead of holding the listing, so that memory stays
// small for any size of tree.
//
//   malvorn-list [--levels N] [--files] [--hidden] [--no-path] FOLDER
//
// Exit status: 0 listed, 1 the folder cannot be listed or the output cannot
// be written, 2 bad usage, 130 stopped by Ctrl-C.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/headless/headless_services.h"
#include "platform/headless/headless_window_system.h"
#include "platform/posix/errno_failure.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_text_file.h"
#include "platform/posix/utf8_append.h"
#include "window/depth_numbers.h"
#include "window/frmMain.h"

namespace malvorn {
namespace {

constexpr int ExitListed = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;
constexpr int ExitStopped = 130;

constexpr const char* Usage = "usage: malvorn-list [--levels N] [--files] [--hidden] [--no-path] FOLDER\n";

// Ctrl-C: the first one asks for a stop, which the walk takes at its next
// event pump; a second one ends the program at once.
std::atomic<int> interrupts{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void onInterrupt(int) {
    if (interrupts.fetch_add(1) >= 1) _exit(ExitStopped);
}

void installInterruptHandler() {
    struct sigaction sa {};
    sa.sa_handler = onInterrupt;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGINT, &sa, nullptr);
    sigset_t interrupt;
    sigemptyset(&interrupt);
    sigaddset(&interrupt, SIGINT);
    sigprocmask(SIG_UNBLOCK, &interrupt, nullptr);  // whatever the starting program had blocked
    // A reader that goes away (`| head`) ends the listing quietly, the way
    // it ends any other program that writes to a pipe.
    signal(SIGPIPE, SIG_DFL);
}

// Standard output in large blocks, written with write() so that a failure
// is seen with its error number. Lines are encoded straight into the block.
class Output {
public:
    Output() : buffer_(new char[Capacity]) {}

    void append(const Text& text) {
        if (failed()) return;
        const std::size_t room = posix::maxUtf8Bytes(text.size());
        if (used_ + room > Capacity) flush();
        if (room > Capacity) {
            const std::string bytes = toUtf8(text);
            writeAll(bytes.data(), bytes.size());
            return;
        }
        if (char* end = posix::encodeUtf8(text, buffer_.get() + used_)) {
            used_ = static_cast<std::size_t>(end - buffer_.get());
        } else {
            const std::string bytes = toUtf8(text);  // never longer than the room
            std::memcpy(buffer_.get() + used_, bytes.data(), bytes.size());
            used_ += bytes.size();
        }
    }

    void flush() {
        writeAll(buffer_.get(), used_);
        used_ = 0;
    }

    bool failed() const { return error_ != 0; }
    int error() const { return error_; }

private:
    void writeAll(const char* p, std::size_t left) {
        while (left > 0 && !failed()) {
            const ssize_t n = ::write(STDOUT_FILENO, p, left);
            if (n < 0) {
                if (errno == EAGAIN || errno == EWOULDBLOCK) {
                    // An output left non-blocking by whoever set it up:
                    // wait until it takes more.
                    pollfd ready{STDOUT_FILENO, POLLOUT, 0};
                    ::poll(&ready, 1, -1);
                } else if (errno != EINTR) {
                    error_ = errno;
                }
                continue;
            }
            p += n;
            left -= static_cast<std::size_t>(n);
        }
    }

    static constexpr std::size_t Capacity = 1 << 17;
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
    int error_ = 0;
};

// The result box: every line goes to standard output as it comes.
class StreamingResultBox : public headless::TextBox {
public:
    StreamingResultBox(headless::WindowSystem& ws, const ControlDesign& d, Output& out)
        : headless::TextBox(ws, d), out_(out) {}

    // A run begins by emptying the box; what was written stays written.
    void setText(const Text& text) override {
        headless::TextBox::setText(Text());
        if (!text.empty()) out_.append(text);
    }
    void replaceSelection(const Text& text) override { out_.append(text); }

private:
    Output& out_;
};

struct Options {
    Text levels = u"1";
    bool files = false;
    bool hidden = false;
    bool noPath = false;
    std::string folder;
};

[[noreturn]] void usageError(const std::string& message) {
    std::fprintf(stderr, "malvorn-list: %s\n%s", message.c_str(), Usage);
    std::exit(ExitUsage);
}

Options parseArguments(int argc, char** argv) {
    Options o;
    std::vector<std::string> folders;
    bool optionsEnded = false;
    auto takeLevels = [&](const std::string& value) {
        bool found = false;
        LeadingNumber(fromUtf8(value), &found);
        if (!found) usageError("--levels needs a number, not \"" + value + "\"");
        o.levels = fromUtf8(value);
    };
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            folders.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--files") {
            o.files = true;
        } else if (arg == "--hidden") {
            o.hidden = true;
        } else if (arg == "--no-path") {
            o.noPath = true;
        } else if (arg == "--levels") {
            if (i + 1 >= argc) usageError("--levels needs a value");
            takeLevels(argv[++i]);
        } else if (arg.rfind("--levels=", 0) == 0) {
            takeLevels(arg.substr(9));
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(Usage, stdout);
            std::exit(ExitListed);
        } else {
            usageError("unknown option " + arg);
        }
    }
    if (folders.empty()) usageError("no folder given");
    if (folders.size() > 1) usageError("only one folder can be listed, not " + std::to_string(folders.size()));
    o.folder = folders.front();
    return o;
}

// The window itself lists nothing for a folder it cannot read, and says
// nothing either; on the command line that silence would look like an empty
// folder, so the folder is checked first.
void checkFolder(const std::string& folder) {
    auto refuse = [&](const std::string& why) {
        std::fprintf(stderr, "malvorn-list: %s: %s\n", folder.c_str(), why.c_str());
        std::exit(ExitFailed);
    };
    auto errnoText = [](int err) { return toUtf8(posix::errnoDescription(err)); };
    struct stat st;
    if (::stat(folder.c_str(), &st) != 0) refuse(errnoText(errno));
    if (!S_ISDIR(st.st_mode)) refuse("not a folder");
    // A folder this user may not read cannot be enumerated, and the walk
    // would list nothing, as for an empty folder. (Subfolders that cannot
    // be read stay silent, as in the window.)
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) refuse(errnoText(errno));
    ::close(fd);
}

Text currentFolder() {
    std::vector<char> buf(PATH_MAX);
    for (;;) {
        if (::getcwd(buf.data(), buf.size())) return fromUtf8(buf.data());
        if (errno != ERANGE) return u"/";
        buf.resize(buf.size() * 2);
    }
}

int run(const Options& o) {
    Output out;
    headless::WindowSystem ws;
    ws.resultBoxFactory = [&out](headless::WindowSystem& w, const ControlDesign& d) {
        return std::make_unique<StreamingResultBox>(w, d, out);
    };
    posix::PosixFileSystem fs;
    headless::SaveDialog dialog;  // nothing is saved from here
    posix::PosixTextFileSystem textFiles;
    headless::ProcessStarter processes;  // nor is a browser ever opened
    Platform platform{ws, fs, dialog, textFiles, processes};
    frmMain form(platform);

    // Message boxes are passed on, all but one: when the folder is typed,
    // the drive list objects to a relative folder (it names no drive), which
    // the listing does not care about, since it takes the folder from the
    // path box alone.
    bool typingFolder = false;
    bool reported = false;
    ws.onMessage = [&](const headless::MessageRecord& m) {
        if (typingFolder) return;
        reported = true;
        std::fprintf(stderr, "malvorn-list: %s: %s\n", toUtf8(m.title).c_str(), toUtf8(m.text).c_str());
    };

    // Ctrl-C or an output that fails: press the button again, which the
    // walk sees at its next event pump and winds down, whole lines written.
    bool stopPosted = false;
    ws.onPump = [&](int) {
        if (stopPosted || (interrupts.load() == 0 && !out.failed())) return;
        stopPosted = true;
        ws.post([&ws] { ws.button(ControlId::cmdDoIt).click(); });
    };

    // Set up as the window finds the system: one drive, "/", and the folder
    // list at the current folder.
    ws.driveList().setUp({u"/"}, u"/");
    ws.folderList().setUp(currentFolder());

    try {
        form.start();
        ws.textBox(ControlId::txtLevel).userType(o.levels);
        ws.checkBox(ControlId::ChFiles).setValue(o.files ? 1 : 0);
        ws.checkBox(ControlId::ChHidden).setValue(o.hidden ? 1 : 0);
        ws.checkBox(ControlId::ChNoPath).setValue(o.noPath ? 1 : 0);
        typingFolder = true;
        ws.textBox(ControlId::txtPath).userType(fromUtf8(o.folder));
        typingFolder = false;
        ws.button(ControlId::cmdDoIt).click();
    } catch (const headless::ProgramEnded&) {
        out.flush();
        std::fprintf(stderr, "malvorn-list: the listing ended on a failure\n");
        return ExitFailed;
    }
    out.flush();
    if (out.failed()) {
        std::fprintf(stderr, "malvorn-list: cannot write the listing: %s\n",
                     toUtf8(posix::errnoDescription(out.error())).c_str());
        return ExitFailed;
    }
    if (reported) return ExitFailed;
    if (interrupts.load() > 0) return ExitStopped;
    return ExitListed;
}

}  // namespace
}  // namespace malvorn

int main(int argc, char** argv) {
    const malvorn::Options options = malvorn::parseArguments(argc, argv);
    malvorn::checkFolder(options.folder);
    malvorn::installInterruptHandler();
    return malvorn::run(options);
}
