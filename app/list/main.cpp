// SPDX-License-Identifier: MIT
// malvorn-list: the folder listing on the command line. It runs the real
// window object on the console window system, over the POSIX file system,
// and does what a user would do: type the depth, set the three options, type
// the folder and press the start button. The console's result box streams
// every line to standard output instead of holding the listing, so that
// memory stays small for any size of tree.
//
//   malvorn-list [-L N] [-f] [-a] [-n] [-l] [--eol=crlf|lf] [-0] FOLDER
//
// Exit status: 0 listed, 1 the folder cannot be listed or the output cannot
// be written, 2 bad usage, 130 stopped by Ctrl-C. Every message is Chinese,
// as the window's are.
#include <fcntl.h>
#include <getopt.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "malvorn_version.h"
#include "platform/console/console_interrupt.h"
#include "platform/console/console_save_dialog.h"
#include "platform/console/console_window_system.h"
#include "platform/posix/posix_errno_failure.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_process.h"
#include "platform/posix/posix_text_file.h"
#include "window/depth_numbers.h"
#include "window/frmMain.h"

namespace malvorn {
namespace {

constexpr int ExitListed = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;
constexpr int ExitStopped = 130;

constexpr const char* Usage = "用法：malvorn-list [-L 层数] [-f] [-a] [-n] [-l] [--eol=crlf|lf] [-0] 目录\n";

constexpr const char* Help =
    "用法：malvorn-list [选项]... 目录\n"
    "把目录下的目录树写成纯文本，每个条目一行，写到标准输出（UTF-8）。\n"
    "默认只列目录，不含隐藏条目，只列一层，写完整路径，每行以 CR LF（回车、换行）\n"
    "结尾：与窗口的结果框和它存成的文件一样。\n"
    "\n"
    "  -L, --levels=N     列 N 层（默认 1，即目录本身的条目）。N 的读法与层数框相同：\n"
    "                     取开头的数，取整（恰好一半时取偶数），限制在 1 到 32767\n"
    "  -f, --files        也列出文件\n"
    "  -a, --hidden       包括隐藏条目（以点开头的名字）\n"
    "  -n, --no-path      只写名字，每深一层缩进四个空格，不写完整路径\n"
    "  -l, --follow       进入指向目录的符号链接；已在本条路径上的目录只列出、\n"
    "                     不再进入\n"
    "      --eol=crlf|lf  行尾用 CR LF（默认），或只用 LF\n"
    "  -0, --null         每个条目后写一个 NUL 字节而不写行尾，供 xargs -0 使用\n"
    "                     （--eol 与 -0 以最后给出的为准）\n"
    "  -h, --help         显示本帮助并退出\n"
    "  -V, --version      显示版本并退出\n"
    "\n"
    "短选项可以合写：-faL 3 即 -f -a -L 3。“--”之后的参数都不当作选项。\n"
    "\n"
    "符号链接是一个独立的条目，不管它指向哪里：列文件时列出它（目标不存在的\n"
    "链接也列出）；它不算目录，只列目录时不列出，也不进入它，与 find、tree 一样。\n"
    "给出的目录本身可以是指向目录的链接，这时列的是它指向的目录。\n"
    "加 -l 时，指向目录的链接当作目录列出并进入，但已在本条路径上的目录（例如\n"
    "指向上级目录的链接）只列出、不再进入，所以不会绕圈；在 /proc、/sys 这类\n"
    "链接很多的目录下，-l 仍可能列出极多的行。\n"
    "\n"
    "退出状态：\n"
    "  0    已列出\n"
    "  1    目录不存在、不是目录或不能读取，或者列表写不出去\n"
    "  2    用法错误\n"
    "  130  被 Ctrl-C 停下（输出以完整的条目结束）；再按一次 Ctrl-C 立即结束\n"
    "\n"
    "消息都写到标准错误。\n";

struct Options {
    Text levels = u"1";
    bool files = false;
    bool hidden = false;
    bool noPath = false;
    bool follow = false;
    Text terminator = u"\r\n";
    std::string folder;
};

[[noreturn]] void usageError(const std::string& message) {
    std::fprintf(stderr, "malvorn-list: %s\n%s", message.c_str(), Usage);
    std::exit(ExitUsage);
}

Options parseArguments(int argc, char** argv) {
    enum { EolOption = 256 };
    static const option longOptions[] = {
        {"levels", required_argument, nullptr, 'L'}, {"files", no_argument, nullptr, 'f'},
        {"hidden", no_argument, nullptr, 'a'},       {"no-path", no_argument, nullptr, 'n'},
        {"follow", no_argument, nullptr, 'l'},       {"eol", required_argument, nullptr, EolOption},
        {"null", no_argument, nullptr, '0'},         {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, 'V'},      {nullptr, 0, nullptr, 0},
    };
    Options o;
    opterr = 0;  // its messages are English; ours below are not
    // The word just taken, when a complaint is about a long option: GNU
    // getopt steps past a long option's word even when it refuses it.
    auto longWord = [&]() -> std::string {
        const std::string word = optind >= 1 && optind <= argc ? argv[optind - 1] : "";
        return word.rfind("--", 0) == 0 ? word.substr(0, word.find('=')) : std::string();
    };
    auto shortName = [] { return std::string("-") + static_cast<char>(optopt); };
    int c;
    while ((c = getopt_long(argc, argv, ":L:fanl0hV", longOptions, nullptr)) != -1) {
        switch (c) {
            case 'L': {
                bool found = false;
                LeadingNumber(fromUtf8(optarg), &found);
                if (!found) usageError(std::string("--levels 需要一个数，而不是“") + optarg + "”");
                o.levels = fromUtf8(optarg);
                break;
            }
            case 'f':
                o.files = true;
                break;
            case 'a':
                o.hidden = true;
                break;
            case 'n':
                o.noPath = true;
                break;
            case 'l':
                o.follow = true;
                break;
            case EolOption:
                if (std::strcmp(optarg, "crlf") == 0) {
                    o.terminator = u"\r\n";
                } else if (std::strcmp(optarg, "lf") == 0) {
                    o.terminator = u"\n";
                } else {
                    usageError(std::string("--eol 只能是 crlf 或 lf，而不是“") + optarg + "”");
                }
                break;
            case '0':
                o.terminator = Text(1, u'\0');
                break;
            case 'h':
                std::fputs(Help, stdout);
                std::exit(ExitListed);
            case 'V':
                std::printf("malvorn-list %s\n", MALVORN_VERSION);
                std::exit(ExitListed);
            case ':':
                // Only the last word can lack its value, whether it is -L or --levels.
                usageError("选项 " + (longWord().empty() ? shortName() : longWord()) + " 需要一个值");
            default:
                if (optopt == 0) usageError("未知选项 " + longWord());
                // One of ours given a value it does not take (--files=x); any
                // other letter is unknown.
                if (std::strchr("fanl0hV", optopt) && !longWord().empty()) usageError("选项 " + longWord() + " 不带值");
                usageError("未知选项 " + shortName());
        }
    }
    const int folders = argc - optind;
    if (folders == 0) usageError("没有给出目录");
    if (folders > 1) usageError("只能列举一个目录，而不是 " + std::to_string(folders) + " 个");
    o.folder = argv[optind];
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
    if (!S_ISDIR(st.st_mode)) refuse("不是目录");
    // A folder this user may not read cannot be enumerated, and the walk
    // would list nothing, as for an empty folder. (Subfolders that cannot
    // be read stay silent, as in the window.)
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) refuse(errnoText(errno));
    ::close(fd);
}

int run(const Options& o) {
    console::Output out;
    console::WindowSystem ws(out, o.terminator, "malvorn-list");
    posix::FileSystem fs(o.follow ? posix::Links::Followed : posix::Links::Listed);
    console::SaveDialog dialog;  // nothing is saved from here
    posix::TextFileSystem textFiles;
    posix::ProcessStarter processes;  // nor is the window ever closed, which would open a browser
    Platform platform{ws, fs, dialog, textFiles, processes};
    frmMain form(platform);

    try {
        form.start();
        ws.textBox(ControlId::txtLevel).userType(o.levels);
        ws.checkBox(ControlId::ChFiles).setValue(o.files ? 1 : 0);
        ws.checkBox(ControlId::ChHidden).setValue(o.hidden ? 1 : 0);
        ws.checkBox(ControlId::ChNoPath).setValue(o.noPath ? 1 : 0);
        ws.textBox(ControlId::txtPath).userType(fromUtf8(o.folder));
        ws.button(ControlId::cmdDoIt).click();
    } catch (const ProgramEnded&) {
        out.flush();
        std::fprintf(stderr, "malvorn-list: 列举因故障中止\n");
        return ExitFailed;
    }
    out.flush();
    if (out.failed()) {
        std::fprintf(stderr, "malvorn-list: 列表写不出去：%s\n", toUtf8(posix::errnoDescription(out.error())).c_str());
        return ExitFailed;
    }
    if (ws.reported()) return ExitFailed;
    if (console::interrupted()) return ExitStopped;
    return ExitListed;
}

}  // namespace
}  // namespace malvorn

int main(int argc, char** argv) {
    const malvorn::Options options = malvorn::parseArguments(argc, argv);
    malvorn::checkFolder(options.folder);
    malvorn::console::installInterruptHandler();
    return malvorn::run(options);
}
