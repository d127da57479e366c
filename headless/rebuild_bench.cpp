// See rebuild_bench.h. Every figure is a median over several runs after the
// first synthesis, each run finished with glFinish (the GL works
// asynchronously: a rebuild is done only when its textures are). The three
// kinds of run are interleaved in rounds, so that all see the same load from
// whatever else runs on the machine.
#include "headless/rebuild_bench.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

#include "core/fur_settings.h"
#include "fur/fin_texture.h"
#include "fur/hair_patch.h"
#include "fur/shell_textures.h"
#include "fur/synthesis_options.h"
#include "fur/texture_rebuilds.h"

namespace {

constexpr int rounds = 5, colourChangesPerRound = 3;

double processMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// Elapsed and processor times of one kind of run.
struct Times {
    std::vector<double> wall, processor;

    void time(void (*work)()) {
        const auto start = std::chrono::steady_clock::now();
        const double processorStart = processMilliseconds();
        work();
        glFinish();
        wall.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        processor.push_back(processMilliseconds() - processorStart);
    }
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A drag's worth of different colours, hair and skin.
void changeColour() {
    static int step = 0;
    ++step;
    furSettings.hairColor[1] = 0.3f + 0.02f * static_cast<float>(step % 20);
    furSettings.skinColor[2] = 0.7f - 0.02f * static_cast<float>(step % 20);
    recolourFurTextures(furSettings.finDensity);
}

void rebuildAll() {
    synthesizeFinTexture(furSettings.finDensity);
    regenerateShellTextures();
}

// The same with smoothShells on: each also makes the smooth levels.
void changeColourSmoothly() {
    furSettings.smoothShells = 1;
    changeColour();
    furSettings.smoothShells = 0;
}

void rebuildAllSmoothly() {
    furSettings.smoothShells = 1;
    rebuildAll();
    furSettings.smoothShells = 0;
}

void rebuildPlainly() {
    setStrandSubmission(StrandSubmission::Immediate);
    rebuildAll();
    setStrandSubmission(StrandSubmission::Batched);
}

void printLine(const char* name, const Times& times, const char* what) {
    std::printf("%-26s %8.1f ms  (processor %.1f ms; %s, median of %zu)\n", name, median(times.wall),
                median(times.processor), what, times.wall.size());
}

}  // namespace

void benchTextureRebuilds() {
    const FurSettings base = furSettings;
    Times colour, full, plain, smoothColour, smoothFull;
    long long colourStrands = 0;
    // Each round ends on a full rebuild, which the next round's colour
    // changes recolour from.
    for (int round = 0; round < rounds; ++round) {
        const long long strandsBefore = strandsDrawn;
        for (int c = 0; c < colourChangesPerRound; ++c) colour.time(changeColour);
        colourStrands += strandsDrawn - strandsBefore;
        smoothColour.time(changeColourSmoothly);
        furSettings = base;
        plain.time(rebuildPlainly);
        smoothFull.time(rebuildAllSmoothly);
        full.time(rebuildAll);
    }

    char what[96];
    std::snprintf(what, sizeof what, "fin + %d shells recoloured, %lld strands drawn", furSettings.numShells,
                  colourStrands);
    printLine("colour change:", colour, what);
    std::snprintf(what, sizeof what, "fin + %d shells synthesised", furSettings.numShells);
    printLine("full rebuild:", full, what);
    printLine("plain sequence:", plain, "the same, strands in immediate mode");
    printLine("colour change, smooth:", smoothColour, "recoloured, then smooth levels made for each");
    printLine("full rebuild, smooth:", smoothFull, "synthesised, then smooth levels made for each");
    std::printf("against the plain sequence: colour change %.3fx (target <= 0.03x), full rebuild %.3fx "
                "(target <= 0.2x); in processor time %.3fx and %.3fx\n",
                median(colour.wall) / median(plain.wall), median(full.wall) / median(plain.wall),
                median(colour.processor) / median(plain.processor), median(full.processor) / median(plain.processor));
}
