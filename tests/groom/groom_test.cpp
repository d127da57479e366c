// The groom without a GL: reading map images, which coordinates can hold a
// groom, which maps a model accepts, the comb's arithmetic and the strands'
// ranks that thin the coat.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/map_image.h"
#include "fur/hair_patch.h"
#include "groom/groom.h"
#include "tests/model/model_test_support.h"
#include "tests/support/obj_text.h"

namespace {

// Makes a file with ImageMagick, as a user's paint program would.
void convert(const std::string& arguments, const std::string& path) {
    std::string command = "convert " + arguments + " '" + path + "' 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

TEST(MapImage, ReadsEveryLayoutAndRefusesWhatIsNoMap) {
    ScratchDirectory directory;
    struct Case {
        const char* name;
        const char* make;  // convert's arguments, or "" for a file written below
        int width, channels;
        float first;       // channel 0 of the first pixel
    } cases[] = {
        {"grey8.png", "-size 3x2 xc:gray50 -depth 8 -type Grayscale", 3, 1, 0.5f},
        {"grey16.png", "-size 3x2 'xc:gray(40.5%)' -depth 16 -type Grayscale", 3, 1, 0.405f},
        {"rgb16.png", "-size 4x4 'xc:rgb(20%,40%,60%)' -depth 16 png48:", 4, 3, 0.2f},
        {"rgba8.png", "-size 2x2 'xc:rgba(255,0,0,0.5)' png32:", 2, 4, 1.0f},
        {"palette.png", "-size 2x2 xc:blue png8:", 2, 3, 0.0f},
        // One colour in a palette of one bit a pixel: 4 MB of pixels in a
        // file of a few hundred bytes, yet within deflate's bound.
        {"one-colour.png", "-size 2048x2048 'xc:rgb(60%,50%,50%)' png8:", 2048, 3, 0.6f},
        {"colour.jpg", "-size 8x8 'xc:rgb(200,100,50)' -quality 100", 8, 3, 200 / 255.0f},
        {"huge.png", "-size 8193x1 xc:white", 0, 0, 0},
        {"empty.png", "", 0, 0, 0},
        {"truncated.png", "", 0, 0, 0},
        {"text.png", "", 0, 0, 0},
        {"missing.png", "", 0, 0, 0},
        {"directory.png", "", 0, 0, 0},
    };
    for (const Case& c : cases) {
        std::string path = directory.path(c.name);
        if (*c.make) {
            std::string arguments = c.make;
            std::size_t format = arguments.find(" png");
            std::string prefix = format == std::string::npos ? "" : arguments.substr(format + 1);
            convert(arguments.substr(0, format), prefix + path);
        }
    }
    directory.write("empty.png", "");
    directory.write("text.png", "v 1 2 3\n");
    std::ifstream good(directory.path("rgb16.png"), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(good)), std::istreambuf_iterator<char>());
    directory.write("truncated.png", bytes.substr(0, bytes.size() / 2));
    directory.write("directory.png/inside", "");
    for (const Case& c : cases) {
        MapImage image;
        std::string error;
        bool read = readMapImage(directory.path(c.name), image, error);
        EXPECT_EQ(read, c.width > 0) << c.name << ": " << error;
        if (!read) {
            EXPECT_NE(error.find(c.name), std::string::npos) << error;
            continue;
        }
        EXPECT_EQ(image.width, c.width) << c.name;
        EXPECT_EQ(image.channels, c.channels) << c.name;
        EXPECT_NEAR(image.at(0, 0, 0), c.first, 0.004f) << c.name;
    }
}

// Every input that once made the reader misbehave is refused with a message;
// the fuzzer replays them under its memory limit too.
TEST(MapImage, PastFindingsAreRefused) {
    int findings = 0;
    for (const auto& entry : std::filesystem::directory_iterator(PELAGE_SOURCE_DIR "/fuzz/map_findings")) {
        MapImage image;
        std::string error;
        EXPECT_FALSE(readMapImage(entry.path().string(), image, error)) << entry.path();
        EXPECT_NE(error.find(entry.path().filename().string()), std::string::npos) << error;
        ++findings;
    }
    EXPECT_GT(findings, 0);
}

// What we write, 16 bits and the volume's layout included, reads back as it was.
TEST(MapImage, WrittenVolumeReadsBackExactly) {
    ScratchDirectory directory;
    MapImage image{4, 6, 2, {}, "2 3 4"};
    for (int k = 0; k < 4 * 6 * 2; ++k) image.values.push_back(static_cast<std::uint16_t>(k * 1201 + 7));
    std::string error;
    ASSERT_TRUE(writeMapImage(directory.path("v.png"), image, error)) << error;
    MapImage back;
    ASSERT_TRUE(readMapImage(directory.path("v.png"), back, error)) << error;
    EXPECT_EQ(back.values, image.values);
    EXPECT_EQ(back.volumeLayout, "2 3 4");
    EXPECT_FALSE(writeMapImage(directory.path("no/such/dir/v.png"), image, error));

    // ImageMagick writes the layout after the pixels, where it counts as well.
    convert("-size 8x2 xc:gray50 -set pelage-volume '2 2 4'", directory.path("after.png"));
    ASSERT_TRUE(readMapImage(directory.path("after.png"), back, error)) << error;
    EXPECT_EQ(back.volumeLayout, "2 2 4");
}

// Two triangles over the unit square, with the given texture coordinates.
std::string quadObj(const char* texCoords) {
    return std::string("v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n") + texCoords + "f 1/1 2/2 3/3\nf 1/1 3/3 4/4\n";
}

TEST(Groom, OnlyUniqueCoordinatesWithinTheUnitSquareHoldAGroom) {
    struct Case {
        std::string obj;
        bool unique;
    } cases[] = {
        {quadObj("vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"), true},
        {quadObj("vt 0 0\nvt 0.5 0\nvt 0.5 0.5\nvt 0 0.5\n") +
             "v 2 0 0\nv 3 0 0\nv 3 1 0\nf 5/1 6/2 7/3\n", false},          // a third triangle over the first
        {quadObj("vt 0 0\nvt 2 0\nvt 2 1\nvt 0 1\n"), false},             // beyond 0..1: the map repeats
        {"v 0 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 3\n", false},                 // none at all
        {readTextFile(std::string(PELAGE_SOURCE_DIR) + "/OBJ/bunny-1500-cleaned.obj"), false},  // front over back
    };
    for (const Case& c : cases) {
        ModelPtr model = loadObj(c.obj);
        EXPECT_EQ(texCoordsUnique(*model), c.unique) << c.obj.substr(0, 80);
    }
}

TEST(Groom, TheModelsColourTextureIsReadOrLeftOutWithOneWarning) {
    ScratchDirectory directory;
    MapImage texture{2, 2, 3, std::vector<std::uint16_t>(12, 65535), ""};
    std::string error;
    ASSERT_TRUE(writeMapImage(directory.path("skin.png"), texture, error)) << error;
    for (std::string file : {"skin.png", "missing.png"}) {
        bool readable = file == "skin.png";
        directory.write("lib.mtl", "newmtl a\nmap_Kd " + file + "\n");
        std::string obj = quadObj("vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n") + "mtllib lib.mtl\n";
        std::string path = directory.path("model.obj");
        Outcome outcome = capture([&] { return glmReadOBJText(obj.data(), obj.size(), path.c_str()); });
        ASSERT_FALSE(outcome.fatal) << outcome.err;
        testing::internal::CaptureStderr();
        EXPECT_EQ(attachModelGroom(*outcome.model), readable) << file;
        std::string warning = testing::internal::GetCapturedStderr();
        EXPECT_EQ(groom.modelColor.present(), readable);
        EXPECT_TRUE(groom.ownTexCoordsUnique);
        if (!readable) {
            EXPECT_NE(warning.find(file), std::string::npos) << warning;
            EXPECT_EQ(std::count(warning.begin(), warning.end(), '\n'), 1) << warning;
        }
    }
    groom = Groom{};
}

TEST(Groom, MapsAreRefusedWhereTheyCannotApply) {
    ScratchDirectory directory;
    convert("-size 4x4 xc:gray50", directory.path("flat.png"));
    convert("-size 4x4 xc:gray50", directory.path("grey-direction.png"));
    convert("-size 4x4 xc:red", directory.path("red.png"));
    MapImage volume{8, 8, 1, std::vector<std::uint16_t>(64, 65535), "4 4 4"};
    std::string error;
    ASSERT_TRUE(writeMapImage(directory.path("volume.png"), volume, error)) << error;
    volume.volumeLayout = "4 4 9";  // nine slices do not fit four
    ASSERT_TRUE(writeMapImage(directory.path("bad-volume.png"), volume, error)) << error;
    struct Case {
        bool uniqueModel;
        std::string length, direction;
        const char* complaint;  // in the message; null: accepted
    } cases[] = {
        {false, "flat.png", "", "texture space"},
        {true, "flat.png", "", nullptr},
        {false, "volume.png", "", nullptr},
        {true, "bad-volume.png", "", "do not fit"},
        {true, "", "grey-direction.png", "red and green"},
        {true, "volume.png", "red.png", "all volumes or all in texture space"},
    };
    for (const Case& c : cases) {
        groom = Groom{};
        groom.ownTexCoordsUnique = c.uniqueModel;
        std::string paths[GROOM_MAP_COUNT];
        if (!c.length.empty()) paths[LENGTH_MAP] = directory.path(c.length);
        if (!c.direction.empty()) paths[DIRECTION_MAP] = directory.path(c.direction);
        GroomMapKind failed = COLOR_MAP;
        bool loaded = loadGroomMaps(paths, error, failed);
        EXPECT_EQ(loaded, c.complaint == nullptr) << c.length << " " << c.direction << ": " << error;
        if (c.complaint) {
            EXPECT_NE(error.find(c.complaint), std::string::npos) << error;
            EXPECT_FALSE(groom.maps[LENGTH_MAP].present());  // nothing of a refused look is applied
        }
    }
    groom = Groom{};
}

// A volume direction map of one voxel value everywhere.
GroomMap uniformDirection(float x, float y, float z) {
    GroomMap map;
    map.image = {2, 4, 3, {}, "2 2 2"};  // two slices, one above the other
    for (int k = 0; k < 8; ++k)
        for (float v : {x, y, z}) map.image.values.push_back(static_cast<std::uint16_t>((0.5f + 0.5f * v) * 65535));
    map.width = map.height = 2;
    map.depth = 2;
    return map;
}

TEST(Groom, CombLiesInTheTangentPlaneAndLeansAsAsked) {
    const float up[3] = {0, 1, 0}, side[3] = {1, 0, 0}, origin[3] = {0, 0, 0}, uv[2] = {0.5f, 0.5f};
    const float axisU[3] = {0, 0, 2}, axisV[3] = {0, 1, 0};
    struct Case {
        float flow[3];
        const float* normal;
        bool volume;
        float expected[3];
    } cases[] = {
        {{0.5f, 0, 0}, up, true, {std::tan(0.25f * 3.14159265f), 0, 0}},  // lean 0.5: 45 degrees
        {{0.3f, 0.4f, 0}, up, true, {1, 0, 0}},                             // the normal's part dropped
        {{0.9f, 0, 0}, side, true, {0, 0, 0}},                              // along the normal: no direction
        {{0, 0, 0}, up, true, {0, 0, 0}},                                   // 0.5 everywhere: none
        {{0.5f, 0, 0}, up, false, {0, 0, std::tan(0.25f * 3.14159265f)}},   // u follows the u axis
    };
    for (const Case& c : cases) {
        Groom combed;
        combed.maps[DIRECTION_MAP] = uniformDirection(c.flow[0], c.flow[1], c.flow[2]);
        if (!c.volume) combed.maps[DIRECTION_MAP].depth = 1;
        float comb[3];
        groomComb(combed, origin, c.normal, uv, axisU, axisV, comb);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(comb[k], c.expected[k], 0.01f) << c.flow[0] << " " << k;
    }
}

TEST(Groom, AMapIsEvenWhenEveryVoxelDrawsAlikeAndKnowsItsHighest) {
    struct Case {
        int voxel, channel, change;  // the value changed at one voxel's channel
        bool even;
    } cases[] = {
        {7, 0, 0, true}, {7, 2, 128, true},    // within half an 8-bit step
        {7, 0, 257, false}, {0, 1, -257, false},  // a step, at the last voxel or the first
    };
    for (const Case& c : cases) {
        GroomMap map = uniformDirection(0.3f, 0, 0);
        std::uint16_t& value = map.image.values[std::size_t(3 * c.voxel + c.channel)];
        value = static_cast<std::uint16_t>(value + c.change);
        EXPECT_EQ(groomMapEven(map), c.even) << c.voxel << " " << c.change;
        // The first channel's highest value, to the 8-bit step.
        float highest = std::max(map.image.values[0], map.image.values[21]) / 65535.0f;
        EXPECT_NEAR(groomMapHighest(map), highest, 0.5f / 255) << c.voxel << " " << c.change;
    }
    EXPECT_TRUE(groomMapEven(GroomMap{}));
    EXPECT_EQ(groomMapHighest(GroomMap{}), 1.0f);
}

TEST(Groom, DensityKeepsItsShareOfWholeStrands) {
    for (float density : {0.1f, 0.5f, 0.9f}) {
        int kept = 0;
        for (int s = 0; s < 3000; ++s) kept += strandRank(s) < density;
        EXPECT_NEAR(kept / 3000.0, density, 0.01) << density;
    }
    // One upright strand at the patch's centre: its rank where it stands, at
    // every level it reaches, and no strand elsewhere.
    HairStrand strand;
    for (int k = 0; k < hairStrandPoints; ++k) {
        strand.points[k][0] = strand.points[k][2] = 1.0f;
        strand.points[k][1] = static_cast<float>(k) / (hairStrandPoints - 1);
    }
    HairPatch patch{&strand, 1};
    std::vector<unsigned char> ranks(64 * 64);
    for (float level : {0.0f, 0.5f, 1.0f}) {
        strandRankLayer(patch, level, 64, ranks.data());
        EXPECT_EQ(ranks[32 * 64 + 32], static_cast<unsigned char>(strandRank(0) * 255)) << level;
        EXPECT_EQ(ranks[10 * 64 + 50], 255) << level;
    }
    patch.strands = nullptr;
}

}  // namespace
