// pelage-render: the headless renderer. Runs pelage's start-up without the
// control panel in a GL context with a frame of the image's size (EGL needs
// no display server; GLX draws in a window), draws frames, reads each
// finished frame back and writes it as a PNG; or, with --bench, times
// start-up, texture synthesis and frames and prints the figures. Either way
// it first names the model and its figures; --save-look then writes the look
// it rendered.
#include <epoxy/gl.h>

#include <unistd.h>

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
#include "app/look_session.h"
#include "app/startup.h"
#include "app/view_framing.h"
#include "app/window_callbacks.h"
#include "core/fur_settings.h"
#include "core/look_file.h"
#include "core/map_image.h"
#include "core/png_file.h"
#include "fur/fin_texture.h"
#include "fur/shell_textures.h"
#include "groom/groom.h"
#include "headless/import_bench.h"
#include "headless/painting_bench.h"
#include "headless/rebuild_bench.h"
#include "headless/render_context.h"
#include "headless/render_options.h"
#include "headless/rig_bench.h"
#include "model/asset_import.h"
#include "model/obj_model.h"
#include "render/frame_display.h"
#include "render/fur_drawing.h"
#include "render/fur_dynamics.h"
#include "render/fur_mesh.h"
#include "render/groom_textures.h"
#include "render/mesh_animation.h"
#include "render/mesh_buffers.h"

// Every C++ allocation is counted, so the benchmark can show that drawing a
// frame allocates nothing.
namespace {
std::atomic<long> allocationCount{0};
}

// As the library's own, it asks the new handler for memory before it gives
// up: the importer's child process has one that reports running out.
void* operator new(std::size_t size) {
    allocationCount.fetch_add(1, std::memory_order_relaxed);
    for (;;) {
        if (void* block = std::malloc(size ? size : 1)) return block;
        std::new_handler handler = std::get_new_handler();
        if (!handler) throw std::bad_alloc();
        handler();
    }
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

// The synthesis's view restorer: the whole frame, whatever the interface.
void restoreFrameView(int, int) { setView(renderContext.width, renderContext.height); }

// The back buffer of the finished frame, rows turned to run from the top.
void readFrame(RgbImage& image, std::vector<unsigned char>& rows) {
    int width = renderContext.width, height = renderContext.height;
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

// The look rendered, saved with the maps it named; status 1 when it can't be.
int saveLook(const std::string& path) {
    std::string error;
    if (!writeLook(path, furSettings, lookInUse.mapPaths, error, modelPath)) {
        std::fprintf(stderr, "pelage-render: %s\n", error.c_str());
        return 1;
    }
    std::printf("wrote %s\n", path.c_str());
    return 0;
}

int renderFrames(const RenderOptions& options, MeshAnimation& animation) {
    std::string pattern = options.out;
    if (pattern.empty()) pattern = options.frames > 1 ? "pelage-%04d.png" : "pelage.png";
    float baseEye[3] = {eyePoint[0], eyePoint[1], eyePoint[2]};
    float baseRotation[16];
    std::copy_n(furSettings.modelTransform.rotation, 16, baseRotation);
    RgbImage image;
    std::vector<unsigned char> rows;
    for (int frame = 0; frame < options.frames; ++frame) {
        float turns = static_cast<float>(frame);
        orbitEye(baseEye, lookAtPoint, options.orbit * turns, eyePoint);
        spinRotation(baseRotation, options.spin * turns, furSettings.modelTransform.rotation);
        // Frame k shows the fur k time steps in: a fixed step, so a sequence
        // repeats exactly.
        advanceFurDynamics(frame == 0 ? 0.0f : options.timeStep);
        animateMesh(animation, frame == 0 ? 0.0f : options.timeStep);
        drawFrame();
        readFrame(image, rows);
        presentRenderFrame();
        std::string path, error;
        frameFileName(pattern, frame, path);
        if (!writePng(path, image, error)) {
            std::fprintf(stderr, "pelage-render: %s\n", error.c_str());
            return 1;
        }
        std::printf("wrote %s\n", path.c_str());
    }
    // The look as it was before any spin: a saved look with the same options
    // renders the same sequence.
    std::copy_n(baseRotation, 16, furSettings.modelTransform.rotation);
    return 0;
}

void finishFrame() {
    drawFrame();
    presentRenderFrame();
    glFinish();
}

struct FrameTimes {
    double median = 0;
    double allocationsPerFrame = 0;
    int frames = 0;
};

// A large model's frames take seconds: the timing stops after this long once
// enough frames for a steady median are in.
constexpr double frameBudgetMilliseconds = 20000;
constexpr int fewestTimedFrames = 9;

FrameTimes timeFrames(int count) {
    std::vector<double> times;
    times.reserve(static_cast<size_t>(count));
    // Settle first-use costs (the driver compiles shader variants on the first
    // frames in a new configuration) before timing and counting.
    for (int i = 0; i < 3; ++i) finishFrame();
    long allocationsBefore = allocationCount.load();
    Clock::time_point began = Clock::now();
    for (int i = 0; i < count; ++i) {
        if (i >= fewestTimedFrames && millisecondsSince(began) > frameBudgetMilliseconds) break;
        Clock::time_point start = Clock::now();
        finishFrame();
        times.push_back(millisecondsSince(start));
    }
    long allocations = allocationCount.load() - allocationsBefore;
    std::sort(times.begin(), times.end());
    int timed = static_cast<int>(times.size());
    return {times[times.size() / 2], static_cast<double>(allocations) / timed, timed};
}

const char* verdict(bool met) { return met ? "met" : "NOT met"; }

constexpr int benchFrames = 50;

// Runs one GL job and waits for the GL to finish it; its wall time in ms.
double timeGlWork(void (*work)()) {
    Clock::time_point start = Clock::now();
    work();
    glFinish();
    return millisecondsSince(start);
}

void synthesizeFin() { synthesizeFinTexture(furSettings.finDensity); }

// The first synthesis of the fin and shell textures and the first frame:
// what pelage does before its first picture.
void benchStartup(Clock::time_point processStart) {
    glClearColor(1, 1, 1, 0);
    double finSynthesis = timeGlWork(synthesizeFin);
    double shellSynthesis = timeGlWork(regenerateShellTextures);
    furSettings.texturesDirty = false;
    finishFrame();
    double firstFrame = millisecondsSince(processStart);
    std::printf("start-up to first frame:   %8.1f ms  (target <= 1000 ms: %s)\n", firstFrame,
                verdict(firstFrame <= 1000));
    std::printf("fin texture synthesis:     %8.1f ms\n", finSynthesis);
    std::printf("shell texture synthesis:   %8.1f ms  (%d shells)\n", shellSynthesis, furSettings.numShells);
}

FrameTimes benchDefaultFrames() {
    FrameTimes defaults = timeFrames(benchFrames);
    std::printf("median frame, defaults:    %8.1f ms  over %d frames, %d of %d shells (target <= 150 ms: %s)\n",
                defaults.median, defaults.frames, shellLayersDrawnLastFrame, furSettings.numShells,
                verdict(defaults.median <= 150));
    return defaults;
}

// One frame with the given settings, the fur's motion first advanced by one
// frame of pelage-render's default time step; its wall time in ms.
double timeFrameWith(const FurSettings& settings) {
    furSettings = settings;
    Clock::time_point start = Clock::now();
    advanceFurDynamics(1.0f / 30.0f);
    finishFrame();
    return millisecondsSince(start);
}

double median(std::vector<double>& times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Frames of two kinds timed one after the other, pair after pair, up to
// benchFrames pairs within the budget: a machine busy with other work slows
// both alike, so the ratio of their medians holds. Each call returns one
// frame's wall time in ms.
struct FramePairs {
    double baseline = 0, measured = 0;  // medians, ms
    int pairs = 0;
    double allocationsPerFrame = 0;
};

template <typename Baseline, typename Measured>
FramePairs timeFramePairs(Baseline baseline, Measured measured) {
    std::vector<double> baselineTimes, measuredTimes;
    baselineTimes.reserve(benchFrames);
    measuredTimes.reserve(benchFrames);
    long allocationsBefore = allocationCount.load();
    Clock::time_point began = Clock::now();
    for (int i = 0; i < benchFrames; ++i) {
        if (i >= fewestTimedFrames && millisecondsSince(began) > 2 * frameBudgetMilliseconds) break;
        baselineTimes.push_back(baseline());
        measuredTimes.push_back(measured());
    }
    long allocations = allocationCount.load() - allocationsBefore;
    int pairs = static_cast<int>(measuredTimes.size());
    return {median(baselineTimes), median(measuredTimes), pairs, static_cast<double>(allocations) / (2 * pairs)};
}

// Frames with gravity and wind, each following a default frame: a machine
// busy with other work slows both alike, so their ratio is the cost of the
// motion alone.
FrameTimes benchDynamicsFrames() {
    const FurSettings still = furSettings;
    FurSettings moving = still;
    moving.dynamics = 1;
    moving.gravity = 0.05f;
    moving.windStrength = 0.03f;
    moving.windDirection[0] = 1;
    moving.windFrequency = 1;
    for (int i = 0; i < 3; ++i) timeFrameWith(moving);
    FramePairs times = timeFramePairs([&] { return timeFrameWith(still); }, [&] { return timeFrameWith(moving); });
    furSettings = still;
    double ratio = times.measured / times.baseline;
    std::printf("median frame, dynamics:    %8.1f ms  over %d frames, gravity and wind (%.2fx the %.1f ms of default "
                "frames between them; target <= 1.1x: %s)\n",
                times.measured, times.pairs, ratio, times.baseline, verdict(ratio <= 1.1));
    return {times.measured, times.allocationsPerFrame, times.pairs};
}

// One frame with the given settings; its wall time in ms.
double timeStillFrameWith(const FurSettings& settings) {
    furSettings = settings;
    Clock::time_point start = Clock::now();
    finishFrame();
    return millisecondsSince(start);
}

// What choosing the shells costs the processor per frame, in ms.
double shellLodWork() {
    constexpr int calls = 2000;
    volatile int layers = 0;
    Clock::time_point start = Clock::now();
    for (int i = 0; i < calls; ++i) layers = shellLayersForFrame();
    (void)layers;
    return millisecondsSince(start) / calls;
}

// Frames with the shell level of detail, each following one with every
// shell: a machine busy with other work slows both alike, so their ratio is
// what the level of detail saves.
FrameTimes benchShellLod() {
    const FurSettings chosen = furSettings;
    FurSettings every = chosen;
    every.shellLod = 0;
    for (int i = 0; i < 2; ++i) timeStillFrameWith(every);
    FramePairs times =
        timeFramePairs([&] { return timeStillFrameWith(every); }, [&] { return timeStillFrameWith(chosen); });
    int pairs = times.pairs, layers = shellLayersDrawnLastFrame;
    double work = shellLodWork();
    double lodMedian = times.measured, everyMedian = times.baseline;
    double ratio = lodMedian / everyMedian;
    std::printf("median frame, shell LOD:   %8.1f ms  over %d frames, %d of %d shells at %g pixels a shell (%.2fx "
                "the %.1f ms of frames with every shell between them; targets <= 0.55x: %s, <= 100 ms: %s)\n",
                lodMedian, pairs, layers, chosen.numShells, chosen.shellLod, ratio, everyMedian,
                verdict(ratio <= 0.55), verdict(lodMedian <= 100));
    std::printf("shell LOD work per frame:  %8.4f ms  (target < 0.2 ms: %s)\n", work, verdict(work < 0.2));
    return {lodMedian, times.allocationsPerFrame, pairs};
}

// A look naming four 1024 x 1024 volume maps in a scratch directory, read
// and its maps loaded as at start-up and uploaded by the next frame; then
// frames with all four maps, each following a frame with the groom hidden.
FrameTimes benchGroomFrames() {
    char directory[] = "/tmp/pelage-bench-XXXXXX";
    if (!mkdtemp(directory)) return {};
    std::string paths[GROOM_MAP_COUNT];
    const int channels[GROOM_MAP_COUNT] = {1, 1, 3, 3};
    for (int k = 0; k < GROOM_MAP_COUNT; ++k) {
        // 64 slices of 128 x 128 voxels, eight to a row.
        MapImage image{1024, 1024, channels[k], {}, "128 128 64"};
        image.values.resize(std::size_t{1024} * 1024 * channels[k]);
        for (std::size_t v = 0; v < image.values.size(); ++v)
            image.values[v] = static_cast<std::uint16_t>(k == DIRECTION_MAP ? 32768 + (v % 3 == 0) * 16000
                                                                             : 40000 + (v * 7919) % 25000);
        paths[k] = std::string(directory) + "/" + groomMapNames[k] + ".png";
        std::string error;
        if (!writeMapImage(paths[k], image, error)) std::fprintf(stderr, "%s\n", error.c_str());
    }
    const FurSettings plain = furSettings;
    std::string lookPath = std::string(directory) + "/bench.look", error;
    Look look;
    look.settings = plain;
    bool loaded = writeLook(lookPath, plain, paths, error);
    Clock::time_point start = Clock::now();
    loaded = loaded && readLook(lookPath, look, error) && loadLookMaps(look, error);
    double reading = millisecondsSince(start);
    finishFrame();
    double loading = millisecondsSince(start);
    for (const std::string& path : paths) std::remove(path.c_str());
    std::remove(lookPath.c_str());
    rmdir(directory);
    if (!loaded) {
        std::printf("groom: %s\n", error.c_str());
        return {};
    }
    std::printf("look with four maps:       %8.1f ms  to the first frame drawn with them, 1024 x 1024 each (%.1f ms "
                "reading)\n", loading, reading);
    auto withGroom = [&](bool shown) {
        showGroom(shown);
        return timeFrameWith(plain);
    };
    FramePairs times = timeFramePairs([&] { return withGroom(false); }, [&] { return withGroom(true); });
    GroomMap none[GROOM_MAP_COUNT];
    setGroomMaps(none);
    double ratio = times.measured / times.baseline;
    std::printf("median frame, groom:       %8.1f ms  over %d frames, all four maps (%.2fx the %.1f ms of frames "
                "without them between; target <= 1.3x: %s)\n",
                times.measured, times.pairs, ratio, times.baseline, verdict(ratio <= 1.3));
    return {times.measured, 0, times.pairs};
}

// Frames with one setting of the Quality section on, each following a
// default frame: a machine busy with other work slows both alike, so their
// ratio is what the setting costs. The first frame with it on makes whatever
// it keeps (smooth levels, say) and is not timed.
FrameTimes benchQualityFrames(const char* name, const char* what, double target, void (*turnOn)(FurSettings&)) {
    const FurSettings plain = furSettings;
    FurSettings better = plain;
    turnOn(better);
    timeStillFrameWith(better);
    FramePairs times =
        timeFramePairs([&] { return timeStillFrameWith(plain); }, [&] { return timeStillFrameWith(better); });
    furSettings = plain;
    double ratio = times.measured / times.baseline;
    std::printf("median frame, %-13s%8.1f ms  over %d frames, %s (%.2fx the %.1f ms of default frames between them; "
                "target <= %.1fx: %s)\n",
                (std::string(name) + ":").c_str(), times.measured, times.pairs, what, ratio, times.baseline, target,
                verdict(ratio <= target));
    return {times.measured, times.allocationsPerFrame, times.pairs};
}

FrameTimes benchSmoothShells() {
    return benchQualityFrames("smooth shells", "smoothShells=1", 1.1, [](FurSettings& s) { s.smoothShells = 1; });
}

// A framebuffer of the frame's size with `samples` samples a pixel, as a
// multisampled pbuffer or window has them.
GLuint sampledFramebuffer(int samples, GLuint buffers[2]) {
    GLuint framebuffer = 0;
    glGenRenderbuffers(2, buffers);
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    const GLenum formats[2] = {GL_RGBA8, GL_DEPTH_COMPONENT24};
    const GLenum attachments[2] = {GL_COLOR_ATTACHMENT0, GL_DEPTH_ATTACHMENT};
    for (int k = 0; k < 2; ++k) {
        glBindRenderbuffer(GL_RENDERBUFFER, buffers[k]);
        glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, formats[k], renderContext.width,
                                         renderContext.height);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, attachments[k], GL_RENDERBUFFER, buffers[k]);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return framebuffer;
}

// The bench's own context has no samples (pelage-render asks for them only
// with antialiasing on at start), so the antialiased frames draw into a
// multisampled framebuffer and are resolved into the frame, as a
// multisampled pbuffer's are when read.
FrameTimes benchAntialiasing() {
    GLint most = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &most);
    const int samples = std::min(4, static_cast<int>(most));
    if (samples < 2) {
        std::printf("median frame, antialiasing: no multisampling in this context\n");
        return {};
    }
    GLuint buffers[2];
    const GLuint framebuffer = sampledFramebuffer(samples, buffers);
    const FurSettings plain = furSettings;
    FurSettings on = plain;
    on.antialiasing = 1;
    const auto sampledFrame = [&] {
        furSettings = on;
        Clock::time_point start = Clock::now();
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        drawFrame();
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        const int w = renderContext.width, h = renderContext.height;
        glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        presentRenderFrame();
        glFinish();
        return millisecondsSince(start);
    };
    sampledFrame();
    FramePairs times = timeFramePairs([&] { return timeStillFrameWith(plain); }, sampledFrame);
    furSettings = plain;
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteRenderbuffers(2, buffers);
    std::printf("median frame, antialiasing:%8.1f ms  over %d frames, antialiasing=1, %d samples a pixel (%.2fx the "
                "%.1f ms of default frames between them)\n",
                times.measured, times.pairs, samples, times.measured / times.baseline, times.baseline);
    return {times.measured, times.allocationsPerFrame, times.pairs};
}

FrameTimes benchShadows() {
    return benchQualityFrames("shadows", "furShadows=1", 1.3, [](FurSettings& s) { s.furShadows = 1; });
}

FrameTimes benchRimLight() {
    return benchQualityFrames("rim light", "rimLight=1.5", 1.1, [](FurSettings& s) { s.rimLight = 1.5f; });
}

FrameTimes benchHundredShells() {
    furSettings.numShells = 100;
    double synthesis = timeGlWork(regenerateShellTextures);
    FrameTimes hundred = timeFrames(benchFrames);
    std::printf("median frame, 100 shells:  %8.1f ms  over %d frames (synthesis %.1f ms)\n", hundred.median,
                hundred.frames, synthesis);
    return hundred;
}

FrameTimes benchSkinOnly(const FurSettings& base) {
    furSettings.numShells = base.numShells;
    regenerateShellTextures();
    furSettings.drawShells = 0;
    furSettings.drawFins = 0;
    FrameTimes skin = timeFrames(benchFrames);
    std::printf("median frame, skin only:   %8.1f ms  over %d frames\n", skin.median, skin.frames);
    return skin;
}

// The model's clip played, frame by frame at pelage-render's default step,
// against the same model's frames in the bind pose; dynamics off, then on
// with springs.
void benchAnimation(MeshAnimation& animation, int clip) {
    const FurSettings base = furSettings;
    auto play = [&](bool playing) {
        animation.playback = {playing ? clip : -1, 0.0f, playing, true};
        animateMesh(animation, 0);
    };
    play(false);
    FrameTimes still = timeFrames(benchFrames);
    play(true);
    auto animatedFrame = [&] {
        Clock::time_point start = Clock::now();
        animateMesh(animation, 1.0f / 30.0f);
        finishFrame();
        return millisecondsSince(start);
    };
    auto medianOf = [&](int count) {
        std::vector<double> times;
        for (int i = 0; i < 3; ++i) animatedFrame();
        Clock::time_point began = Clock::now();
        for (int i = 0; i < count && (i < fewestTimedFrames || millisecondsSince(began) < frameBudgetMilliseconds); ++i)
            times.push_back(animatedFrame());
        return median(times);
    };
    double animated = medianOf(benchFrames);
    furSettings.dynamics = 1;
    furSettings.springStiffness = 200;
    furSettings.springDamping = 8;
    double dynamic = medianOf(benchFrames);
    // The processor's part alone: pose, skin and springs, without drawing.
    constexpr int calls = 200;
    Clock::time_point start = Clock::now();
    for (int i = 0; i < calls; ++i) {
        advancePlayback(animation, 1.0f / 30.0f, 1.0f);
        poseMeshAnimation(animation, dynamicsParameters(furSettings), 1.0f / 30.0f);
    }
    double work = millisecondsSince(start) / calls;
    const std::string& name = animation.skin->clips[static_cast<std::size_t>(clip)].name;
    std::printf("median frame, static:      %8.1f ms  over %d frames, the same model in its bind pose\n", still.median,
                still.frames);
    std::printf("median frame, animated:    %8.1f ms  clip \"%s\", dynamics off (%.2fx the static frame; target <= "
                "1.15x: %s)\n", animated, name.c_str(), animated / still.median, verdict(animated <= 1.15 * still.median));
    std::printf("median frame, animated, dynamics: %8.1f ms  with per-vertex springs (%.2fx the static frame; target "
                "<= 1.25x: %s)\n", dynamic, dynamic / still.median, verdict(dynamic <= 1.25 * still.median));
    std::printf("pose, skin and springs:    %8.3f ms  a frame, %zu vertices, %zu joints (target <= 1 ms: %s)\n", work,
                animation.vertices.size(), animation.skin->joints.size(), verdict(work <= 1.0));
    benchRigPosing(dynamicsParameters(furSettings));
    furSettings = base;
    play(false);
}

int bench(Clock::time_point processStart, MeshAnimation& animation, int clip) {
    const FurSettings base = furSettings;
    if (clip >= 0) {
        benchStartup(processStart);
        benchAnimation(animation, clip);
        return 0;
    }
    std::printf("pelage-render --bench: %d x %d, %d shells, %d hairs\n", renderContext.width,
                renderContext.height, furSettings.numShells, furSettings.numHairs);
    benchStartup(processStart);
    benchTextureRebuilds();
    benchModelImport();
    FrameTimes timed[] = {benchDefaultFrames(), benchShellLod(),      benchDynamicsFrames(), benchGroomFrames(),
                          benchSmoothShells(),  benchAntialiasing(),  benchShadows(),        benchRimLight(),
                          benchHundredShells(),
                          benchSkinOnly(base)};
    furSettings = base;
    benchPainting(finishFrame);
    double allocations = 0;
    for (const FrameTimes& times : timed) allocations = std::max(allocations, times.allocationsPerFrame);
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
    readStartupLook("pelage-render", options.settings);
    useStartupLook();
    resetCamera();
    std::copy_n(options.eye, 3, eyePoint);
    std::copy_n(options.lookAt, 3, lookAtPoint);
    std::copy_n(options.up, 3, upVector);
    windowWidth = options.width;
    windowHeight = options.height;
    if (!options.model.empty()) modelPath = options.model.c_str();
    useModelOfLook("pelage-render", !options.model.empty());

    // Before the GL context and its threads, while the process is small.
    glmStartImportServer();
    openRenderContext(options.gl, windowWidth, windowHeight, furSettings.antialiasing != 0);
    restoreFrameView(0, 0);
    runStartupSequence(restoreFrameView);
    loadStartupLookMaps("pelage-render");
    std::fflush(stderr);
    std::printf("%s\n", meshSummary(*furMesh, modelPath).c_str());
    if (options.frame) frameModel(windowWidth, windowHeight);
    if (!options.animation.empty()) {
        const ModelSkin* skin = furMesh->model->skin;
        int named = skin ? findClip(*skin, options.animation) : -1;
        if (named < 0) {
            std::fprintf(stderr, "pelage-render: the model has no clip \"%s\"%s.\n", options.animation.c_str(),
                         skin && !skin->clips.empty() ? "" : " (it has no clips)");
            return 2;
        }
        // The look keeps the clip by name; by number when the name is too long.
        const SettingField& field = furSettingFields[settingFieldIndex("animationClip")];
        if (!assignSettingText(furSettings, field, skin->clips[static_cast<std::size_t>(named)].name.c_str()))
            assignSettingText(furSettings, field, std::to_string(named).c_str());
    }
    // The look's clip, or the one asked for, plays from --time: tied to the
    // mesh and chosen by a first step of nothing.
    MeshAnimation animation;
    animateMesh(animation, 0);
    int clip = animation.playback.clip;
    if (clip >= 0) {
        animation.playback = {clip, options.time, true, true};
        // A time past the clip's end comes round as playing on would bring it.
        advancePlayback(animation, 0.0f, 1.0f);
    }
    int status = options.bench ? bench(processStart, animation, clip) : renderFrames(options, animation);
    if (status == 0 && !options.saveLook.empty()) status = saveLook(options.saveLook);
    std::fflush(stdout);
    return status;
}
