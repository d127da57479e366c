// Times the fin and shell texture rebuilds three ways in the same run: the
// plain immediate-mode synthesis (the baseline), the batched synthesis (a full
// rebuild) and a colour change, which recolours from the weights the batched
// synthesis keeps. Checks that the two syntheses give the same images and
// measures how far a recolouring lies from a full synthesis with the new
// colours. Run it under an X server (xvfb-run); it prints its figures.
#include <epoxy/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string_view>
#include <vector>

#include "core/fur_settings.h"
#include "fur/fin_texture.h"
#include "fur/hair_patch.h"
#include "fur/random.h"
#include "fur/shell_textures.h"
#include "fur/synthesis_options.h"
#include "fur/texture_rebuilds.h"
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

// The GL works asynchronously: a rebuild is done when glFinish returns.
Timing timed(void (*work)()) {
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = processCpuMilliseconds();
    work();
    glFinish();
    return {std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count(),
            processCpuMilliseconds() - cpuStart};
}

void synthesizeAll() {
    synthesizeFinTexture(furSettings.finDensity);
    regenerateShellTextures();
}

void changeColour() {
    static int step = 0;
    furSettings.hairColor[1] = 0.3f + 0.01f * static_cast<float>(++step % 40);
    recolourFurTextures(furSettings.finDensity);
}

struct Timings {
    Timing plain, full, colour;
};

Timing faster(Timing a, Timing b) { return {std::min(a.wall, b.wall), std::min(a.cpu, b.cpu)}; }

// Best of `runs` for each, interleaved so that all three see the same load
// from whatever else runs on the machine. Each colour change follows a full
// rebuild, whose weights it recolours from.
Timings bestOf(int runs) {
    const Timing none{1e300, 1e300};
    Timings best{none, none, none};
    const FurSettings base = furSettings;
    for (int r = 0; r < runs; ++r) {
        setStrandSubmission(StrandSubmission::Immediate);
        best.plain = faster(best.plain, timed(synthesizeAll));
        setStrandSubmission(StrandSubmission::Batched);
        best.full = faster(best.full, timed(synthesizeAll));
        for (int c = 0; c < 5; ++c) best.colour = faster(best.colour, timed(changeColour));
        furSettings = base;
    }
    return best;
}

using Images = std::vector<std::vector<unsigned char>>;

std::vector<unsigned char> texturePixels(GLuint texture, int width, int height) {
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 4);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

Images allTexturePixels() {
    Images all{texturePixels(finTexture, finTextureWidth, finTextureHeight)};
    for (int i = 0; i < shellTextureCount; ++i) all.push_back(texturePixels(shellTextures[i], shellTextureSize, shellTextureSize));
    return all;
}

Images synthesizedWith(StrandSubmission submission) {
    setStrandSubmission(submission);
    synthesizeAll();
    setStrandSubmission(StrandSubmission::Batched);
    return allTexturePixels();
}

struct Difference {
    int largest = 0;
    double mean = 0;
};

// Colour channels only: a recolouring keeps alpha as synthesised.
Difference colourDifference(const Images& a, const Images& b) {
    Difference d;
    double sum = 0;
    long channels = 0;
    for (size_t i = 0; i < a.size(); ++i)
        for (size_t t = 0; t < a[i].size(); ++t) {
            if (t % 4 == 3) continue;
            const int difference = std::abs(a[i][t] - b[i][t]);
            d.largest = std::max(d.largest, difference);
            sum += difference;
            ++channels;
        }
    d.mean = sum / static_cast<double>(channels);
    return d;
}

// From the default colours to others, hair and skin.
Difference recolourAgainstFullSynthesis() {
    const FurSettings base = furSettings;
    synthesizeAll();
    const float hair[3] = {0.2f, 0.45f, 0.9f}, skin[3] = {0.3f, 0.1f, 0.7f};
    std::copy_n(hair, 3, furSettings.hairColor);
    std::copy_n(skin, 3, furSettings.skinColor);
    recolourFurTextures(furSettings.finDensity);
    const Images recoloured = allTexturePixels();
    synthesizeAll();
    const Difference d = colourDifference(recoloured, allTexturePixels());
    furSettings = base;
    return d;
}

void runCase(int shells, int hairs, int runs) {
    furSettings.numShells = shells;
    furSettings.numHairs = hairs;
    seedRandom(1);
    generateHairPatch();
    furSettings.texturesDirty = false;
    const bool identical = synthesizedWith(StrandSubmission::Immediate) == synthesizedWith(StrandSubmission::Batched);
    const Difference recolour = recolourAgainstFullSynthesis();
    const Timings t = bestOf(runs);
    std::printf("%3d shells, %5d strands, best of %d:\n", shells, hairs, runs);
    std::printf("  plain sequence %8.1f ms (processor %8.1f ms)\n", t.plain.wall, t.plain.cpu);
    std::printf("  full rebuild   %8.1f ms (processor %8.1f ms): %.3fx the plain sequence (processor %.3fx)\n",
                t.full.wall, t.full.cpu, t.full.wall / t.plain.wall, t.full.cpu / t.plain.cpu);
    std::printf("  colour change  %8.1f ms (processor %8.1f ms): %.4fx the plain sequence (processor %.4fx)\n",
                t.colour.wall, t.colour.cpu, t.colour.wall / t.plain.wall, t.colour.cpu / t.plain.cpu);
    std::printf("  batched images %s the plain ones; recoloured against synthesised: largest %d/255, mean %.4f/255\n",
                identical ? "identical to" : "DIFFERENT from", recolour.largest, recolour.mean);
}

}  // namespace

// With an argument "profile", only the batched rebuild at the defaults runs,
// repeatedly, for a profiler; with "defaults", only the default case.
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
        double best = 1e300;
        for (int r = 0; r < 20; ++r) best = std::min(best, timed(synthesizeAll).wall);
        std::printf("batched, defaults: %.1f ms\n", best);
        return 0;
    }
    std::printf("targets: full rebuild <= 0.2x and colour change <= 0.03x the plain sequence (stretch: 0.01x);\n"
                "         batched images identical to the plain ones; recolouring within 3/255 at the defaults\n");
    runCase(32, 3000, 5);
    if (argc > 1 && std::string_view(argv[1]) == "defaults") return 0;
    runCase(100, 10000, 2);
    return 0;
}
