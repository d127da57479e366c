// pelage-render with models nobody prepared, named with --model, without a
// display: a model without texture coordinates grows shell fur and looks
// as it does with them; a large model drawn from its simplified copy looks
// like itself drawn whole; the material library is found beside the model;
// odd models draw; a file that cannot be read ends the run with the loader's
// message naming it; the chosen axis points up; a model wound inside out
// grows its fur outward; imported files that fail or hold no triangles say so.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <tuple>
#include <utility>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/harness.h"
#include "tests/support/obj_text.h"

namespace {

constexpr int imageSize = 256;
const std::string largeModel = "/usr/share/glmark2/models/bunny.obj";

class ModelOption : public testing::Test {
protected:
    std::string write(const std::string& name, const std::string& text) {
        std::ofstream(dir + "/" + name) << text;
        return dir + "/" + name;
    }

    struct Run {
        int status;
        std::string out, err;
        RgbImage image;
    };

    // pelage-render at imageSize with fewer strands than the default (quicker
    // texture synthesis), the model and the given options.
    Run render(const std::string& model, std::vector<std::string> args, const std::string& name) {
        std::string path = dir + "/" + name + ".png";
        std::vector<std::string> all = {"-sx", std::to_string(imageSize), "-sy", std::to_string(imageSize),
                                        "--set", "numHairs=1000", "--out", path, "--model", model};
        all.insert(all.end(), args.begin(), args.end());
        e2e::Program program("pelage-render", all);
        Run run{program.wait(180), program.standardOutput(), program.standardError(), {}};
        std::string error;
        if (run.status != 0) return run;
        EXPECT_TRUE(readPng(path, run.image, error)) << error;
        return run;
    }

    e2e::Environment noDisplay;
    e2e::ScratchDirectory scratch{"pelage-model"};
    const std::string& dir = scratch.path();
};

std::string bundledBunny() { return readTextFile(e2e::sourceDir() + "/OBJ/bunny-1500-cleaned.obj"); }

bool isBackground(const unsigned char* p) { return p[0] >= 250 && p[1] >= 250 && p[2] >= 250; }

std::vector<bool> modelMask(const RgbImage& image) {
    std::vector<bool> mask(static_cast<size_t>(image.width) * image.height);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            mask[static_cast<size_t>(y) * image.width + x] = !isBackground(image.at(x, y));
    return mask;
}

// The mask shrunk by `margin` pixels: the inside, away from the silhouette's fins.
std::vector<bool> inside(const std::vector<bool>& mask, int margin) {
    std::vector<bool> in(mask.size());
    for (int y = margin; y < imageSize - margin; ++y)
        for (int x = margin; x < imageSize - margin; ++x) {
            bool all = true;
            for (int dy = -margin; dy <= margin && all; dy += margin)
                for (int dx = -margin; dx <= margin && all; dx += margin)
                    all = mask[static_cast<size_t>(y + dy) * imageSize + x + dx];
            in[static_cast<size_t>(y) * imageSize + x] = all;
        }
    return in;
}

// Fine detail: the mean difference between neighbouring pixels inside `region`.
double fineDetail(const RgbImage& image, const std::vector<bool>& region) {
    double sum = 0;
    long pairs = 0;
    for (int y = 0; y < imageSize; ++y)
        for (int x = 0; x + 1 < imageSize; ++x) {
            size_t i = static_cast<size_t>(y) * imageSize + x;
            if (!region[i] || !region[i + 1]) continue;
            for (int c = 0; c < 3; ++c) sum += std::abs(image.at(x, y)[c] - image.at(x + 1, y)[c]);
            ++pairs;
        }
    return pairs ? sum / pairs : 0;
}

long differingPixels(const RgbImage& a, const RgbImage& b) {
    long n = 0;
    for (int y = 0; y < imageSize; ++y)
        for (int x = 0; x < imageSize; ++x)
            for (int c = 0; c < 3; ++c)
                if (std::abs(a.at(x, y)[c] - b.at(x, y)[c]) > 8) {
                    ++n;
                    break;
                }
    return n;
}

long count(const std::vector<bool>& mask) {
    long n = 0;
    for (bool b : mask) n += b;
    return n;
}

TEST_F(ModelOption, AModelWithoutTextureCoordinatesGrowsShellFurAndLooksAsItDoesWithThem) {
    std::string stripped = write("stripped.obj", withoutTexCoords(bundledBunny()));
    Run fur = render(stripped, {}, "fur");
    Run noShells = render(stripped, {"--set", "drawShells=0"}, "noShells");
    Run withOwn = render(e2e::sourceDir() + "/OBJ/bunny-1500-cleaned.obj", {}, "withOwn");
    ASSERT_EQ(fur.status, 0) << fur.err.substr(0, 2000);
    ASSERT_EQ(noShells.status, 0);
    ASSERT_EQ(withOwn.status, 0);
    EXPECT_NE(fur.out.find("generated texture coordinates (the file has none)"), std::string::npos) << fur.out;

    // Inside the silhouette the shells add the hair's fine detail; with one
    // texel for every corner they would add a flat colour or nothing.
    std::vector<bool> region = inside(modelMask(noShells.image), 4);
    ASSERT_GT(count(region), 5000);
    double withShells = fineDetail(fur.image, region), without = fineDetail(noShells.image, region);
    EXPECT_GT(withShells, 3 * without) << withShells << " against " << without;

    // Its own coordinates were made by the same projection: the two pictures
    // differ only where a facet within rounding of 45 degrees chose the other plane.
    EXPECT_LT(differingPixels(fur.image, withOwn.image), count(modelMask(withOwn.image)) / 100);
}

TEST_F(ModelOption, ALargeModelDrawnFromASimplifiedCopyLooksLikeItselfDrawnWhole) {
    if (access(largeModel.c_str(), R_OK) != 0) GTEST_SKIP() << "glmark2-data is not installed";
    Run copy = render(largeModel, {"--set", "shellLod=0"}, "copy");  // every shell: only the meshes differ
    Run whole = render(largeModel, {"--set", "triangleBudget=0", "--set", "shellLod=0"}, "whole");
    ASSERT_EQ(copy.status, 0) << copy.err.substr(0, 2000);
    ASSERT_EQ(whole.status, 0) << whole.err.substr(0, 2000);
    EXPECT_NE(copy.out.find("69666 triangles"), std::string::npos) << copy.out;
    EXPECT_NE(copy.out.find("drawn from a simplified copy of"), std::string::npos) << copy.out;
    EXPECT_EQ(whole.out.find("simplified"), std::string::npos) << whole.out;

    // The same shape: the silhouettes overlap almost wholly (the fringe of
    // fins differs hair by hair)...
    std::vector<bool> a = modelMask(copy.image), b = modelMask(whole.image);
    long both = 0, either = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        both += a[i] && b[i];
        either += a[i] || b[i];
    }
    ASSERT_GT(either, 10000);
    EXPECT_GT(static_cast<double>(both) / either, 0.95);
    // ...and the same fur: its mean colour inside agrees within a few levels.
    std::vector<bool> region = inside(a, 4);
    double mean[2][3] = {};
    long n = 0;
    for (int y = 0; y < imageSize; ++y)
        for (int x = 0; x < imageSize; ++x) {
            if (!region[static_cast<size_t>(y) * imageSize + x]) continue;
            ++n;
            for (int c = 0; c < 3; ++c) {
                mean[0][c] += copy.image.at(x, y)[c];
                mean[1][c] += whole.image.at(x, y)[c];
            }
        }
    ASSERT_GT(n, 5000);
    double colourDifference = 0;
    for (int c = 0; c < 3; ++c) colourDifference = std::fmax(colourDifference, std::fabs(mean[0][c] - mean[1][c]) / n);
    std::printf("copy against whole: silhouette overlap %.4f, mean colour inside within %.2f levels\n",
                static_cast<double>(both) / either, colourDifference);
    // Most of it is the fins: a copy has fewer, longer edges to stand them on.
    EXPECT_LT(colourDifference, 4.0);
}

// A unit cube in one material, its library named by the file.
std::string cubeObj(const std::string& library) {
    return "mtllib " + library +
           "\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 1\nv 1 0 1\nv 1 1 1\nv 0 1 1\nusemtl fawn\n"
           "f 1 4 3 2\nf 5 6 7 8\nf 1 2 6 5\nf 2 3 7 6\nf 3 4 8 7\nf 4 1 5 8\n";
}

TEST_F(ModelOption, TheMaterialLibraryIsLookedUpBesideTheModel) {
    ASSERT_EQ(mkdir((dir + "/sub").c_str(), 0700), 0);
    write("sub/cube.mtl", "newmtl fawn\nKd 0.8 0.6 0.4\n");
    Run run = render(write("sub/cube.obj", cubeObj("cube.mtl")), {}, "cube");
    EXPECT_EQ(run.status, 0) << run.err.substr(0, 2000);
    EXPECT_NE(run.out.find("model " + dir + "/sub/cube.obj: 12 triangles, 8 vertices"), std::string::npos) << run.out;
    EXPECT_EQ(run.err.find("can't find material"), std::string::npos) << run.err.substr(0, 2000);

    Run missing = render(write("sub/nolib.obj", cubeObj("elsewhere.mtl")), {}, "nolib");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("glmReadMTL() failed: can't open material file \"" + dir + "/sub/elsewhere.mtl\""),
              std::string::npos)
        << missing.err.substr(0, 2000);
}

TEST_F(ModelOption, AFileThatCannotBeReadEndsTheRunWithTheLoadersMessage) {
    ASSERT_EQ(mkdir((dir + "/adirectory.obj").c_str(), 0700), 0);
    const std::string paths[] = {dir + "/nowhere.obj", dir + "/adirectory.obj", "relative/nowhere.obj"};
    for (const std::string& path : paths) {
        Run run = render(path, {}, "unread");
        EXPECT_EQ(run.status, 1) << path;
        EXPECT_NE(run.err.find("glmReadOBJ() failed: can't open data file \"" + path + "\".\n"), std::string::npos)
            << run.err.substr(0, 2000);
    }
}

// Faces in `groups` groups of one triangle each, a strip along x.
std::string manyGroups(int groups) {
    std::ostringstream obj;
    for (int i = 0; i <= groups; ++i) obj << "v " << i << " 0 0\nv " << i << " 1 0.5\n";
    for (int i = 0; i < groups; ++i)
        obj << "g part" << i << "\nf " << 2 * i + 1 << " " << 2 * i + 3 << " " << 2 * i + 2 << "\n";
    return obj.str();
}

// The bundled bunny moved `offset` units along every axis.
std::string movedBunny(double offset) {
    std::istringstream lines(bundledBunny());
    std::ostringstream obj;
    obj.precision(10);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string keyword;
        double x, y, z;
        if (words >> keyword && keyword == "v" && words >> x >> y >> z)
            obj << "v " << x + offset << " " << y + offset << " " << z + offset << "\n";
        else
            obj << line << "\n";
    }
    return obj.str();
}

TEST_F(ModelOption, OddModelsDrawAndAModelWithoutTrianglesSaysSo) {
    struct Case {
        const char* name;
        std::string obj;
        bool drawsSomething;
    };
    const Case cases[] = {
        {"one triangle", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", true},
        {"a flat quad", "v -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\nf 1 2 3 4\n", true},
        {"no triangles", "v 0 0 0\nv 1 0 0\nv 0 1 0\n", false},
        {"3000 groups", manyGroups(3000), true},
        {"far from the origin", movedBunny(10000), true},
        {"zero-area triangles", "v 0 0 0\nv 1 0 0\nv 2 0 0\nv 0 1 0\nf 1 2 3\nf 1 2 4\nf 4 4 4\n", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Run run = render(write("odd.obj", c.obj), {"-e", "0.6", "0.5", "2.5"}, "odd");
        ASSERT_EQ(run.status, 0) << run.err.substr(0, 2000);
        EXPECT_EQ(run.err.find("nothing to draw") != std::string::npos, !c.drawsSomething) << run.err.substr(0, 2000);
        EXPECT_EQ(count(modelMask(run.image)) > 100, c.drawsSomething);
    }
}

// The box x in 0..1, y in 0..1, z in 0..h in triangles wound outward or,
// the same triangles, inward.
std::string boxObj(double h, bool inward) {
    std::ostringstream obj;
    for (int i = 0; i < 8; ++i) obj << "v " << (i & 1) << " " << (i >> 1 & 1) << " " << (i >> 2) * h << "\n";
    const int quads[6][4] = {{1, 3, 4, 2}, {5, 6, 8, 7}, {1, 2, 6, 5}, {2, 4, 8, 6}, {4, 3, 7, 8}, {3, 1, 5, 7}};
    for (const auto& q : quads)
        for (int half = 0; half < 2; ++half) {
            int a = q[0], b = q[1 + half], c = q[2 + half];
            obj << "f " << a << " " << (inward ? c : b) << " " << (inward ? b : c) << "\n";
        }
    return obj.str();
}

// Width and height of the smallest rectangle holding the mask.
std::pair<int, int> extent(const std::vector<bool>& mask) {
    int x0 = imageSize, x1 = -1, y0 = imageSize, y1 = -1;
    for (int y = 0; y < imageSize; ++y)
        for (int x = 0; x < imageSize; ++x)
            if (mask[static_cast<size_t>(y) * imageSize + x]) {
                x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
            }
    return {x1 - x0 + 1, y1 - y0 + 1};
}

TEST_F(ModelOption, TheChosenAxisPointsUp) {
    std::string tall = write("tall.obj", boxObj(4, false));
    // Seen from the side, along x.
    Run asRead = render(tall, {"-e", "3", "0", "0"}, "asRead");
    Run zUp = render(tall, {"-e", "3", "0", "0", "--up", "z"}, "zUp");
    ASSERT_EQ(asRead.status, 0) << asRead.err.substr(0, 2000);
    ASSERT_EQ(zUp.status, 0) << zUp.err.substr(0, 2000);
    auto [width, height] = extent(modelMask(asRead.image));
    EXPECT_LT(height, width) << "an OBJ file's y points up: the box lies along the view";
    std::tie(width, height) = extent(modelMask(zUp.image));
    EXPECT_GT(height, 2 * width) << "its z points up: the box stands";
}

TEST_F(ModelOption, AClosedModelWoundInsideOutGrowsItsFurOutward) {
    Run outward = render(write("out.obj", boxObj(1, false)), {"-e", "1.8", "1.5", "4"}, "outward");
    Run inward = render(write("in.obj", boxObj(1, true)), {"-e", "1.8", "1.5", "4"}, "inward");
    ASSERT_EQ(outward.status, 0) << outward.err.substr(0, 2000);
    ASSERT_EQ(inward.status, 0) << inward.err.substr(0, 2000);
    EXPECT_NE(inward.err.find("is wound inside out"), std::string::npos) << inward.err.substr(0, 2000);
    // Fur grown into the body would leave bare skin and a smaller silhouette.
    EXPECT_LT(differingPixels(outward.image, inward.image), count(modelMask(outward.image)) / 20);
}

TEST_F(ModelOption, ImportedFilesThatFailOrHoldNoTrianglesSaySo) {
    struct Case {
        const char* file;
        std::string content;
        int status;
        const char* message;  // %s: the path
    } cases[] = {
        {"lines.ply", "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
                      "property float z\nelement face 1\nproperty list uchar int vertex_indices\nend_header\n"
                      "0 0 0\n1 0 0\n0 1 0\n2 0 1\n",
         0, "\"%s\" holds no triangles; nothing to draw"},
        {"broken.glb", "glTF and nothing else", 1, "glmReadGLTF() failed: can't read \"%s\": "},
        {"binary.obj", std::string("v 1\0\x01\x02", 7), 1, "glmReadOBJ() failed: \"%s\" holds binary data"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::string path = write(c.file, c.content);
        Run run = render(path, {}, "imported");
        EXPECT_EQ(run.status, c.status);
        char message[512];
        std::snprintf(message, sizeof message, c.message, path.c_str());
        EXPECT_NE(run.err.find(message), std::string::npos) << run.err.substr(0, 2000);
    }
}

}  // namespace
