// The import benchmark. See import_bench.h. The two kinds of import alternate,
// so that a machine busy with other work slows both alike and the ratio of
// their medians holds. The child is forked from this process as it stands,
// GL context and fur textures included: what a fork costs pelage.
#include "headless/import_bench.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "model/asset_import.h"

namespace {

using Clock = std::chrono::steady_clock;

// The glmark2-data package's cat (3DS, 230 KB): a model of a common size in
// a format that goes through the importer.
constexpr const char* catPath = "/usr/share/glmark2/models/cat.3ds";
constexpr int importPairs = 15;

double median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

template <typename Import>
double timeImport(Import import) {
    Clock::time_point start = Clock::now();
    glmDeleteModel(import(catPath));
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

void benchModelImport() {
    if (access(catPath, R_OK) != 0) {
        std::printf("model import:              %s is missing (glmark2-data)\n", catPath);
        return;
    }
    auto inProcess = [](const char* path) { return glmImportModelInProcess(path); };
    auto isolated = [](const char* path) { return glmImportModel(path); };
    std::vector<double> inProcessTimes, isolatedTimes;
    timeImport(inProcess);
    timeImport(isolated);
    for (int i = 0; i < importPairs; ++i) {
        inProcessTimes.push_back(timeImport(inProcess));
        isolatedTimes.push_back(timeImport(isolated));
    }
    double child = median(isolatedTimes), here = median(inProcessTimes), ratio = child / here;
    std::printf("model import, cat.3ds:     %8.1f ms  in a child process, median of %d (%.2fx the %.1f ms in this "
                "process between them; target <= 1.2x: %s)\n",
                child, importPairs, ratio, here, ratio <= 1.2 ? "met" : "NOT met");
}
