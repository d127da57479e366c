// End-to-end test harness: a private virtual X display per test, the real
// program started in the build directory, real input events through xdotool
// and real screenshots through ImageMagick's import. Shared by every
// end-to-end test of the project.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

#include "core/rgb_image.h"

namespace e2e {

// Starts a private Xvfb for the life of the object and points DISPLAY at it,
// so that tests running side by side never see each other's windows.
class VirtualDisplay {
public:
    explicit VirtualDisplay(int width = 1600, int height = 1200);
    ~VirtualDisplay();
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;
    const std::string& name() const { return name_; }

private:
    bool startServer(int number, int width, int height);
    pid_t pid_ = -1;
    std::string name_, logPath_;
};

// DISPLAY and the named variables set (an empty value unsets) for the life of
// the object, then restored: the programs started meanwhile inherit them, so
// pelage-render runs without any X server.
class Environment {
public:
    explicit Environment(std::vector<std::pair<std::string, std::string>> variables = {{"DISPLAY", ""}});
    ~Environment();
    Environment(const Environment&) = delete;
    Environment& operator=(const Environment&) = delete;

private:
    std::vector<std::pair<std::string, std::string>> saved_;  // name, value before
    std::vector<bool> wasSet_;
};

// A fresh directory under /tmp for the life of the object, removed with its
// contents at the end. Throws when no directory can be made.
class ScratchDirectory {
public:
    explicit ScratchDirectory(const std::string& prefix);
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// A program started with its standard output and error captured to files.
class Program {
public:
    // `path` is relative to the build directory, which is also the working
    // directory of the program.
    Program(const std::string& path, const std::vector<std::string>& args);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    pid_t pid() const { return pid_; }
    // Waits up to `seconds` for the exit; returns the exit status, or -1000 on
    // a timeout (the program is then killed) and -2000 - signal on a signal.
    int wait(double seconds);
    bool running();
    std::string standardOutput() const;
    std::string standardError() const;

private:
    pid_t pid_ = -1;
    int status_ = 0;
    bool exited_ = false;
    std::string outPath_, errPath_;
};

using Image = RgbImage;

// Runs a shell command; returns its standard output (trailing newline removed).
std::string shell(const std::string& command, int* status = nullptr);

// The id of the first visible window titled exactly `title`, waiting for it up
// to `seconds`; empty when none appears.
std::string findWindow(const std::string& title, double seconds = 20);

void key(const std::string& window, const std::string& keyName);
void drag(const std::string& window, int button, int fromX, int fromY, int toX, int toY, int steps = 10);
void click(const std::string& window, int button, int x, int y);
// Asks the window manager-less server to resize the window.
void resize(const std::string& window, int width, int height);
Image screenshot(const std::string& window);
bool writePpm(const Image& image, const std::string& path);

// Number of pixels whose colour differs from `other` by more than `tolerance`
// in any channel; images of different sizes differ everywhere.
long countDifferent(const Image& a, const Image& b, int tolerance = 0);

// The build directory (PELAGE_BUILD_DIR, set by ctest) and the source tree.
std::string buildDir();
std::string sourceDir();

}  // namespace e2e

// Any 8-bit PNG the programs wrote, converted to RGB; false with a message
// when it cannot be read.
bool readPng(const std::string& path, RgbImage& image, std::string& error);
