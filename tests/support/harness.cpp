// End-to-end harness. See harness.h.
#include "tests/support/harness.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <png.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace e2e {

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string tempPath(const char* tag) {
    char pattern[] = "/tmp/pelage-e2e-XXXXXX";
    int fd = mkstemp(pattern);
    if (fd >= 0) close(fd);
    return std::string(pattern) + "." + tag;
}

std::vector<char*> argvOf(std::vector<std::string>& words) {
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    return argv;
}

// The program leaves its model, textures and GL objects to the operating
// system at exit, by design; a sanitizer build must not report that as a leak.
std::vector<std::string> programEnvironment() {
    std::vector<std::string> environment;
    std::string asanOptions = "detect_leaks=0";
    for (char** entry = environ; *entry; ++entry) {
        std::string variable = *entry;
        if (variable.rfind("ASAN_OPTIONS=", 0) == 0)
            asanOptions = variable.substr(13) + ":detect_leaks=0";
        else
            environment.push_back(variable);
    }
    environment.push_back("ASAN_OPTIONS=" + asanOptions);
    return environment;
}

// Another test's server may answer on a number our server failed to take; the
// lock file the server writes names the process that really holds it.
bool ownsDisplayLock(int number, pid_t server) {
    std::string lock = readFile("/tmp/.X" + std::to_string(number) + "-lock");
    return !lock.empty() && std::atol(lock.c_str()) == static_cast<long>(server);
}

void sleepSeconds(double s) { std::this_thread::sleep_for(std::chrono::duration<double>(s)); }

}  // namespace

std::string buildDir() {
    const char* dir = std::getenv("PELAGE_BUILD_DIR");
    return dir ? dir : ".";
}

std::string sourceDir() {
    const char* dir = std::getenv("PELAGE_SOURCE_DIR");
    return dir ? dir : "..";
}

VirtualDisplay::VirtualDisplay(int width, int height) {
    // Tests run side by side: each takes a display number of its own, derived
    // from its process id, and moves on when a server already holds it.
    int base = 200 + static_cast<int>(getpid() % 1500);
    for (int attempt = 0; attempt < 20 && name_.empty(); ++attempt) {
        if (startServer(base + attempt * 7, width, height)) break;
    }
}

bool VirtualDisplay::startServer(int number, int width, int height) {
    std::string display = ":" + std::to_string(number);
    // Without -noreset the server resets, refusing connections for a moment,
    // each time its last client leaves: the probe below is such a client.
    std::vector<std::string> words = {"Xvfb", display, "-screen", "0",
                                      std::to_string(width) + "x" + std::to_string(height) + "x24",
                                      "-nolisten", "tcp", "-noreset"};
    std::vector<char*> argv = argvOf(words);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // Xvfb quits early when its standard error is /dev/null; give it a log file.
    if (logPath_.empty()) logPath_ = tempPath("xvfb");
    posix_spawn_file_actions_addopen(&actions, 2, logPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (posix_spawnp(&pid_, "Xvfb", &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    if (pid_ <= 0) return false;
    // Ready once a client can connect; gone when the number was taken.
    for (int wait = 0; wait < 200; ++wait) {
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            return false;
        }
        int status = -1;
        shell("DISPLAY=" + display + " xdpyinfo >/dev/null 2>&1", &status);
        if (status == 0 && ownsDisplayLock(number, pid_)) {
            name_ = display;
            setenv("DISPLAY", name_.c_str(), 1);
            return true;
        }
        sleepSeconds(0.05);
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
    return false;
}

VirtualDisplay::~VirtualDisplay() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    if (!logPath_.empty() && !std::getenv("PELAGE_KEEP_XVFB_LOG")) std::remove(logPath_.c_str());
}

Program::Program(const std::string& path, const std::vector<std::string>& args)
    : outPath_(tempPath("out")), errPath_(tempPath("err")) {
    std::vector<std::string> words = {buildDir() + "/" + path};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv = argvOf(words);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addchdir_np(&actions, buildDir().c_str());
    std::vector<std::string> environment = programEnvironment();
    std::vector<char*> envp = argvOf(environment);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
}

Program::~Program() {
    if (running()) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    std::remove(outPath_.c_str());
    std::remove(errPath_.c_str());
}

bool Program::running() {
    if (pid_ <= 0 || exited_) return false;
    if (waitpid(pid_, &status_, WNOHANG) == pid_) exited_ = true;
    return !exited_;
}

int Program::wait(double seconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (running()) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status_, 0);
            exited_ = true;
            return -1000;
        }
        sleepSeconds(0.02);
    }
    if (pid_ <= 0) return -3000;
    if (WIFSIGNALED(status_)) return -2000 - WTERMSIG(status_);
    return WEXITSTATUS(status_);
}

std::string Program::standardOutput() const { return readFile(outPath_); }
std::string Program::standardError() const { return readFile(errPath_); }

std::string shell(const std::string& command, int* status) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        if (status) *status = -1;
        return out;
    }
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    int rc = pclose(pipe);
    if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

std::string findWindow(const std::string& title, double seconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        std::string ids = shell("xdotool search --onlyvisible --name '^" + title + "$' 2>/dev/null");
        if (!ids.empty()) return ids.substr(0, ids.find('\n'));
        sleepSeconds(0.1);
    }
    return "";
}

void key(const std::string& window, const std::string& keyName) {
    shell("xdotool windowfocus --sync " + window + " key " + keyName);
}

void drag(const std::string& window, int button, int fromX, int fromY, int toX, int toY, int steps) {
    std::ostringstream cmd;
    cmd << "xdotool mousemove --window " << window << " " << fromX << " " << fromY << " mousedown " << button;
    for (int i = 1; i <= steps; ++i) {
        int x = fromX + (toX - fromX) * i / steps, y = fromY + (toY - fromY) * i / steps;
        cmd << " sleep 0.02 mousemove --window " << window << " " << x << " " << y;
    }
    cmd << " sleep 0.05 mouseup " << button;
    shell(cmd.str());
}

void click(const std::string& window, int button, int x, int y) {
    std::ostringstream cmd;
    cmd << "xdotool mousemove --window " << window << " " << x << " " << y << " click " << button;
    shell(cmd.str());
}

void resize(const std::string& window, int width, int height) {
    shell("xdotool windowsize --sync " + window + " " + std::to_string(width) + " " + std::to_string(height));
}

static Image screenshotOnce(const std::string& window);

Image screenshot(const std::string& window) {
    // A loaded machine can make import miss the window for a moment; retry.
    for (int attempt = 0; attempt < 5; ++attempt) {
        Image image = screenshotOnce(window);
        if (image.width > 0) return image;
        sleepSeconds(0.2);
    }
    return {};
}

static Image screenshotOnce(const std::string& window) {
    Image image;
    std::string path = tempPath("ppm");
    shell("import -window " + window + " -depth 8 ppm:" + path + " 2>/dev/null");
    std::string data = readFile(path);
    std::remove(path.c_str());
    std::istringstream in(data);
    std::string magic;
    int maxValue = 0;
    in >> magic >> image.width >> image.height >> maxValue;
    if (magic != "P6" || maxValue != 255 || image.width <= 0 || image.height <= 0) return {};
    in.get();
    image.rgb.resize(static_cast<size_t>(image.width) * image.height * 3);
    in.read(reinterpret_cast<char*>(image.rgb.data()), static_cast<std::streamsize>(image.rgb.size()));
    if (!in) return {};
    return image;
}

bool writePpm(const Image& image, const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << image.width << " " << image.height << "\n255\n";
    out.write(reinterpret_cast<const char*>(image.rgb.data()), static_cast<std::streamsize>(image.rgb.size()));
    return static_cast<bool>(out);
}

long countDifferent(const Image& a, const Image& b, int tolerance) {
    if (a.width != b.width || a.height != b.height) return static_cast<long>(a.width) * a.height;
    long count = 0;
    for (size_t i = 0; i + 2 < a.rgb.size(); i += 3)
        for (int c = 0; c < 3; ++c)
            if (std::abs(a.rgb[i + c] - b.rgb[i + c]) > tolerance) {
                ++count;
                break;
            }
    return count;
}

Environment::Environment(std::vector<std::pair<std::string, std::string>> variables) {
    for (const auto& [name, value] : variables) {
        const char* before = std::getenv(name.c_str());
        saved_.emplace_back(name, before ? before : "");
        wasSet_.push_back(before != nullptr);
        if (value.empty())
            unsetenv(name.c_str());
        else
            setenv(name.c_str(), value.c_str(), 1);
    }
}

Environment::~Environment() {
    for (size_t i = saved_.size(); i-- > 0;) {
        if (wasSet_[i])
            setenv(saved_[i].first.c_str(), saved_[i].second.c_str(), 1);
        else
            unsetenv(saved_[i].first.c_str());
    }
}

ScratchDirectory::ScratchDirectory(const std::string& prefix) {
    std::string pattern = "/tmp/" + prefix + "-XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a scratch directory " + pattern);
    path_ = pattern;
}

ScratchDirectory::~ScratchDirectory() { shell("rm -rf '" + path_ + "'"); }

}  // namespace e2e

bool readPng(const std::string& path, RgbImage& image, std::string& error) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) {
        error = std::string("can't read \"") + path + "\": " + png.message;
        return false;
    }
    png.format = PNG_FORMAT_RGB;
    image.width = static_cast<int>(png.width);
    image.height = static_cast<int>(png.height);
    image.rgb.assign(PNG_IMAGE_SIZE(png), 0);
    if (!png_image_finish_read(&png, nullptr, image.rgb.data(), 0, nullptr)) {
        error = std::string("can't decode \"") + path + "\": " + png.message;
        png_image_free(&png);
        return false;
    }
    return true;
}
