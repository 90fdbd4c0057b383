// SPDX-License-Identifier: MIT
// Shared helpers of the real-disk tests: a fresh temporary folder per test,
// tree builders, the window object over the POSIX file system, and running
// malvorn-list as a separate program.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/headless/headless_services.h"
#include "platform/headless/headless_window_system.h"
#include "platform/posix/posix_file_system.h"
#include "tests/support/example_trees.h"
#include "window/frmMain.h"

namespace malvorn::posix::testing {

// A fresh folder under the system's temporary folder, removed afterwards
// (with rm, which copes with trees deeper than any path may be long).
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& rel) const { return path_ + "/" + rel; }

private:
    std::string path_;
};

void makeFolder(const std::string& path);
void makeFile(const std::string& path, const std::string& content = {});
void makeLink(const std::string& target, const std::string& path);
std::string readFile(const std::string& path);
// Makes `depth` nested folders named `name` under `top` through folder
// handles, since the paths soon grow too long to be used whole.
void makeChain(const std::string& top, const std::string& name, int depth);

using malvorn::testing::exampleTree;
using malvorn::testing::Tree;
using malvorn::testing::wideTree;

// Makes the folder `top` and `tree` (example_trees.h) below it.
void buildTree(const std::string& top, const Tree& tree);
// The example tree at D.
inline void buildExample(const std::string& D) { buildTree(D, exampleTree()); }
// Links added to the example tree, one of each kind: D/dangling to nothing,
// D/lr to the file readme.txt, D/la to the folder a, and D/a/x/up to D, an
// ancestor of the folder it is in.
void addExampleLinks(const std::string& D);

// The window object over the POSIX file system.
struct Window {
    headless::WindowSystem ws;
    FileSystem fs;
    headless::SaveDialog dialog;
    headless::TextFileSystem files;
    headless::ProcessStarter processes;
    Platform platform{ws, fs, dialog, files, processes};
    frmMain form{platform};

    // One run as a user starts it, with the options given; returns the lines
    // of the result box as bytes (each must end in CR LF).
    std::vector<std::string> run(const std::string& start, int levels, bool files = false, bool hidden = false,
                                 bool bareNames = false);
    std::string resultBytes();
};

// The lines of a listing, each of which must end in CR LF.
std::vector<std::string> splitLines(const std::string& text);

// An argument vector for posix_spawn over `words`, which must outlive it.
std::vector<char*> argvOf(std::vector<std::string>& words);

// The number of open file descriptors of this process.
int openDescriptors();

struct Outcome {
    int status = -1;  // exit status, or 128 + signal
    std::string out, err;
};

// Runs malvorn-list with the arguments, its output into files that are read
// back once it has ended; with a descriptor limit, under `ulimit -n` of it.
Outcome runList(const std::vector<std::string>& args, int descriptorLimit = 0);

// Runs a command (the program found as the shell would find it, then its
// arguments) the same way.
Outcome runCommand(std::vector<std::string> words);

}  // namespace malvorn::posix::testing
