// Times what a colour change rebuilds, the fin texture and then every shell
// texture, with the batched strand submission and with the plain
// immediate-mode one in the same run, and checks that both give the same
// images. Run it under an X server (xvfb-run); it prints its figures.
#include <epoxy/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string_view>
#include <vector>

#include "core/fur_settings.h"
#include "fur/fin_texture.h"
#include "fur/hair_patch.h"
#include "fur/random.h"
#include "fur/shell_textures.h"
#include "fur/synthesis_options.h"
#include "tests/support/gl_context.h"

namespace {

struct Timing {
    double wall;  // elapsed milliseconds
    double cpu;   // milliseconds of processor time over all threads (the GL's too)
};

double processCpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

Timing rebuild() {
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = processCpuMilliseconds();
    synthesizeFinTexture(furSettings.finDensity);
    regenerateShellTextures();
    glFinish();
    return {std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count(),
            processCpuMilliseconds() - cpuStart};
}

// Best of `runs` for each submission, alternating them so that both see the
// same load from whatever else runs on the machine.
void bestOf(int runs, Timing& plain, Timing& batched) {
    plain = batched = {1e300, 1e300};
    for (int r = 0; r < runs; ++r) {
        for (StrandSubmission submission : {StrandSubmission::Immediate, StrandSubmission::Batched}) {
            setStrandSubmission(submission);
            const Timing t = rebuild();
            Timing& best = submission == StrandSubmission::Immediate ? plain : batched;
            best = {std::min(best.wall, t.wall), std::min(best.cpu, t.cpu)};
        }
    }
}

std::vector<unsigned char> texturePixels(GLuint texture, int width, int height) {
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 4);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

std::vector<unsigned char> allTexturePixels(StrandSubmission submission) {
    setStrandSubmission(submission);
    rebuild();
    std::vector<unsigned char> all = texturePixels(finTexture, finTextureWidth, finTextureHeight);
    for (int i = 0; i < shellTextureCount; ++i) {
        std::vector<unsigned char> shell = texturePixels(shellTextures[i], shellTextureSize, shellTextureSize);
        all.insert(all.end(), shell.begin(), shell.end());
    }
    return all;
}

void runCase(int shells, int hairs, int runs) {
    furSettings.numShells = shells;
    furSettings.numHairs = hairs;
    seedRandom(1);
    generateHairPatch();
    const bool identical = allTexturePixels(StrandSubmission::Immediate) == allTexturePixels(StrandSubmission::Batched);
    Timing plain{}, batched{};
    bestOf(runs, plain, batched);
    std::printf("%3d shells, %5d strands: plain %8.1f ms, batched %8.1f ms, ratio %.2fx (processor time: %.1f ms, %.1f ms, "
                "ratio %.2fx), images %s\n",
                shells, hairs, plain.wall, batched.wall, plain.wall / batched.wall, plain.cpu, batched.cpu,
                plain.cpu / batched.cpu, identical ? "identical" : "DIFFERENT");
}

}  // namespace

// With an argument "profile", only the batched rebuild at the defaults runs,
// repeatedly, for a profiler.
int main(int argc, char** argv) {
    if (!ensureGlContext(1024, 1024)) {
        std::fprintf(stderr, "fur_synthesis_bench: no X display (run it under xvfb-run)\n");
        return 1;
    }
    std::printf("renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    // The state the frame display leaves for a synthesis.
    glClearColor(1, 1, 1, 0);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_COLOR_MATERIAL);
    if (argc > 1 && std::string_view(argv[1]) == "profile") {
        seedRandom(1);
        generateHairPatch();
        setStrandSubmission(StrandSubmission::Batched);
        double best = 1e300;
        for (int r = 0; r < 20; ++r) best = std::min(best, rebuild().wall);
        std::printf("batched, defaults: %.1f ms\n", best);
        return 0;
    }
    std::printf("target at the defaults: batched 150 ms or less, images identical\n");
    runCase(32, 3000, 5);
    if (argc > 1 && std::string_view(argv[1]) == "defaults") return 0;
    runCase(100, 10000, 2);
    return 0;
}
