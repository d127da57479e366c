// pelage-render: the headless renderer. Runs pelage's start-up without the
// control panel in a window of the image's size (an X server such as Xvfb is
// still needed for the GL context), draws frames, reads each finished frame
// back from the back buffer and writes it as a PNG; or, with --bench, times
// start-up, texture synthesis and frames and prints the figures.
#include <epoxy/gl.h>
#include <GL/freeglut.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "app/camera.h"
#include "app/command_line.h"
#include "core/fur_settings.h"
#include "headless/png_file.h"
#include "headless/render_options.h"
#include "app/startup.h"
#include "app/window_callbacks.h"
#include "fur/fin_texture.h"
#include "fur/shell_textures.h"
#include "render/frame_display.h"

// Every C++ allocation is counted, so the benchmark can show that drawing a
// frame allocates nothing.
namespace {
std::atomic<long> allocationCount{0};
}

void* operator new(std::size_t size) {
    allocationCount.fetch_add(1, std::memory_order_relaxed);
    if (void* block = std::malloc(size ? size : 1)) return block;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    allocationCount.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void noDisplay() {}

void openWindow(const char* programName, int width, int height) {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        std::fprintf(stderr, "pelage-render: no display (DISPLAY is not set); run it under an X server, e.g. "
                             "xvfb-run -a -s \"-screen 0 1600x1200x24\" pelage-render\n");
        std::exit(1);
    }
    int glutArgc = 1;
    char* glutArgv[] = {const_cast<char*>(programName), nullptr};
    glutInit(&glutArgc, glutArgv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_ALPHA | GLUT_DEPTH);
    glutInitWindowSize(width, height);
    glutInitWindowPosition(0, 0);
    mainWindow = glutCreateWindow("pelage-render");
    // Frames are drawn and read back explicitly; GLUT only needs a callback.
    glutDisplayFunc(noDisplay);
    for (int i = 0; i < 10; ++i) glutMainLoopEvent();
    reshape(0, 0);
}

// The back buffer of the finished frame, rows turned to run from the top.
void readFrame(RgbImage& image, std::vector<unsigned char>& rows) {
    int width = glutGet(GLUT_WINDOW_WIDTH), height = glutGet(GLUT_WINDOW_HEIGHT);
    size_t rowBytes = 3u * static_cast<size_t>(width);
    image.width = width;
    image.height = height;
    image.rgb.resize(rowBytes * height);
    rows.resize(rowBytes * height);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
    for (int y = 0; y < height; ++y)
        std::copy_n(&rows[rowBytes * (height - 1 - y)], rowBytes, &image.rgb[rowBytes * y]);
}

int renderFrames(const RenderOptions& options) {
    std::string pattern = options.out;
    if (pattern.empty()) pattern = options.frames > 1 ? "pelage-%04d.png" : "pelage.png";
    float baseEye[3] = {eyePoint[0], eyePoint[1], eyePoint[2]};
    RgbImage image;
    std::vector<unsigned char> rows;
    for (int frame = 0; frame < options.frames; ++frame) {
        orbitEye(baseEye, lookAtPoint, options.orbit * static_cast<float>(frame), eyePoint);
        drawFrame();
        readFrame(image, rows);
        glutSwapBuffers();
        std::string path, error;
        frameFileName(pattern, frame, path);
        if (!writePng(path, image, error)) {
            std::fprintf(stderr, "pelage-render: %s\n", error.c_str());
            return 1;
        }
        std::printf("wrote %s\n", path.c_str());
    }
    return 0;
}

void finishFrame() {
    drawFrame();
    glutSwapBuffers();
    glFinish();
}

struct FrameTimes {
    double median = 0;
    double allocationsPerFrame = 0;
};

FrameTimes timeFrames(int count) {
    std::vector<double> times(static_cast<size_t>(count));
    // Settle first-use costs (the driver compiles shader variants on the first
    // frames in a new configuration) before timing and counting.
    for (int i = 0; i < 3; ++i) finishFrame();
    long allocationsBefore = allocationCount.load();
    for (int i = 0; i < count; ++i) {
        Clock::time_point start = Clock::now();
        finishFrame();
        times[static_cast<size_t>(i)] = millisecondsSince(start);
    }
    long allocations = allocationCount.load() - allocationsBefore;
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], static_cast<double>(allocations) / count};
}

const char* verdict(bool met) { return met ? "met" : "NOT met"; }

int bench(Clock::time_point processStart) {
    constexpr int frames = 50;
    const FurSettings base = furSettings;
    std::printf("pelage-render --bench: %d x %d, %d shells, %d hairs\n", glutGet(GLUT_WINDOW_WIDTH),
                glutGet(GLUT_WINDOW_HEIGHT), furSettings.numShells, furSettings.numHairs);

    Clock::time_point start = Clock::now();
    glClearColor(1, 1, 1, 0);
    synthesizeFinTexture(furSettings.finDensity);
    glFinish();
    double finSynthesis = millisecondsSince(start);
    start = Clock::now();
    regenerateShellTextures();
    glFinish();
    double shellSynthesis = millisecondsSince(start);
    furSettings.texturesDirty = false;
    finishFrame();
    double firstFrame = millisecondsSince(processStart);

    std::printf("start-up to first frame:   %8.1f ms  (target <= 1000 ms: %s)\n", firstFrame,
                verdict(firstFrame <= 1000));
    std::printf("fin texture synthesis:     %8.1f ms\n", finSynthesis);
    std::printf("shell texture synthesis:   %8.1f ms  (%d shells)\n", shellSynthesis, furSettings.numShells);

    FrameTimes defaults = timeFrames(frames);
    std::printf("median frame, defaults:    %8.1f ms  over %d frames (target <= 150 ms: %s)\n", defaults.median,
                frames, verdict(defaults.median <= 150));

    furSettings.numShells = 100;
    start = Clock::now();
    regenerateShellTextures();
    glFinish();
    double hundredSynthesis = millisecondsSince(start);
    FrameTimes hundred = timeFrames(frames);
    std::printf("median frame, 100 shells:  %8.1f ms  over %d frames (synthesis %.1f ms)\n", hundred.median, frames,
                hundredSynthesis);

    furSettings.numShells = base.numShells;
    regenerateShellTextures();
    furSettings.drawShells = 0;
    furSettings.drawFins = 0;
    FrameTimes skin = timeFrames(frames);
    std::printf("median frame, skin only:   %8.1f ms  over %d frames\n", skin.median, frames);

    double allocations = std::max({defaults.allocationsPerFrame, hundred.allocationsPerFrame, skin.allocationsPerFrame});
    std::printf("allocations per frame:     %8.2f  (C++ heap, the GL driver's included, over every timed frame)\n",
                allocations);
    furSettings = base;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Clock::time_point processStart = Clock::now();
    RenderOptions options;
    std::string error;
    if (!parseRenderOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "pelage-render: %s\nTry 'pelage-render --help'.\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(renderUsage(), stdout);
        std::printf("\nSettings (--set NAME=VALUE):");
        for (const std::string& name : furSettingNames()) std::printf(" %s", name.c_str());
        std::printf("\n");
        return 0;
    }
    for (const std::string& assignment : options.settings) applyFurSetting(furSettings, assignment, error);
    resetCamera();
    std::copy_n(options.eye, 3, eyePoint);
    std::copy_n(options.lookAt, 3, lookAtPoint);
    std::copy_n(options.up, 3, upVector);
    windowWidth = options.width;
    windowHeight = options.height;

    openWindow(argc > 0 ? argv[0] : "pelage-render", windowWidth, windowHeight);
    runStartupSequence();
    std::fflush(stderr);
    int status = options.bench ? bench(processStart) : renderFrames(options);
    std::fflush(stdout);
    return status;
}
