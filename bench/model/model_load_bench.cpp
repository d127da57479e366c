// Load time of a large OBJ model: read, facet and vertex normals, centre and
// scale, as the program does at start-up. Prints the throughput in MB/s of
// file size. Default model: Debian glmark2-data's bunny (69,666 triangles).
//   model_load_bench [path.obj] [repetitions]
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "model/obj_model.h"

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : "/usr/share/glmark2/models/bunny.obj";
    int repetitions = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
    struct stat status {};
    if (stat(path, &status) != 0) {
        // The default model comes with the project's packages; without it
        // there is no figure, and saying so must not look like success.
        std::fprintf(stderr,
                     "model_load_bench: SKIPPED, no figure: \"%s\" is absent (Debian package glmark2-data, "
                     "which scripts/test installs)\n",
                     path);
        return 2;
    }
    double megabytes = static_cast<double>(status.st_size) / 1e6;

    std::vector<double> seconds;
    std::uint32_t triangles = 0;
    for (int i = 0; i < repetitions; ++i) {
        auto start = std::chrono::steady_clock::now();
        ObjModel* model = glmReadOBJ(path);
        glmTriangleNormals(model);
        glmVertexNormals(model, 90.0f);
        glmCenterAndScale(model);
        auto stop = std::chrono::steady_clock::now();
        triangles = model->triangleCount;
        glmDeleteModel(model);
        seconds.push_back(std::chrono::duration<double>(stop - start).count());
    }
    std::sort(seconds.begin(), seconds.end());
    double best = seconds.front(), median = seconds[seconds.size() / 2];
    std::printf("model load of %s (%.2f MB, %u triangles), %d runs:\n", path, megabytes, triangles, repetitions);
    std::printf("  median %.2f ms = %.0f MB/s, best %.2f ms = %.0f MB/s\n", median * 1e3, megabytes / median,
                best * 1e3, megabytes / best);
    return 0;
}
