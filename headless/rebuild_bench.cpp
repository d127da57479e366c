// See rebuild_bench.h. Every figure is the median of several runs after the
// first synthesis, each run finished with glFinish: the GL works
// asynchronously and a rebuild is done only when its textures are.
#include "headless/rebuild_bench.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "core/fur_settings.h"
#include "fur/fin_texture.h"
#include "fur/hair_patch.h"
#include "fur/shell_textures.h"
#include "fur/synthesis_options.h"
#include "fur/texture_rebuilds.h"

namespace {

constexpr int colourRuns = 15, fullRuns = 7, plainRuns = 3;

double medianMilliseconds(int runs, void (*work)(int run)) {
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        work(run);
        glFinish();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// A drag's worth of different colours, both hair and skin.
void changeColour(int run) {
    furSettings.hairColor[1] = 0.3f + 0.02f * static_cast<float>(run);
    furSettings.skinColor[2] = 0.7f - 0.02f * static_cast<float>(run);
    recolourFurTextures(furSettings.finDensity);
}

void rebuildAll(int) {
    synthesizeFinTexture(furSettings.finDensity);
    regenerateShellTextures();
}

}  // namespace

void benchTextureRebuilds() {
    const FurSettings base = furSettings;
    const long long strandsBefore = strandsDrawn;
    const double colour = medianMilliseconds(colourRuns, changeColour);
    const long long colourStrands = strandsDrawn - strandsBefore;
    furSettings = base;
    const double full = medianMilliseconds(fullRuns, rebuildAll);
    setStrandSubmission(StrandSubmission::Immediate);
    const double plain = medianMilliseconds(plainRuns, rebuildAll);
    setStrandSubmission(StrandSubmission::Batched);
    rebuildAll(0);  // textures that can be recoloured again

    const int shells = furSettings.numShells;
    std::printf("colour change:             %8.1f ms  (fin + %d shells recoloured, %lld strands drawn, median of %d)\n",
                colour, shells, colourStrands, colourRuns);
    std::printf("full rebuild:              %8.1f ms  (fin + %d shells synthesised, median of %d)\n", full, shells,
                fullRuns);
    std::printf("plain sequence:            %8.1f ms  (the same, strands in immediate mode, median of %d)\n", plain,
                plainRuns);
    std::printf("against the plain sequence: colour change %.3fx (target <= 0.03x), full rebuild %.3fx "
                "(target <= 0.2x)\n",
                colour / plain, full / plain);
}
