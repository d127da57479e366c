// Look files: what a look may say and how, every kind of bad input refused
// with its file and line and nothing applied, the exact round trip of a
// saved look, atomic saves, map paths relative to the look, and the order
// of --look and --set.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/look_file.h"
#include "core/png_file.h"
#include "core/settings_text.h"
#include "tests/support/harness.h"

namespace {

namespace fs = std::filesystem;

void writeFile(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeMap(const std::string& path, int width, int height) {
    RgbImage image{width, height, std::vector<unsigned char>(3u * width * height)};
    for (size_t i = 0; i < image.rgb.size(); ++i) image.rgb[i] = static_cast<unsigned char>(i * 7919 % 251);
    std::string error;
    ASSERT_TRUE(writePng(path, image, error)) << error;
}

bool sameSettings(const FurSettings& a, const FurSettings& b) {
    // Every field before the final bool is a 4-byte value: no padding compared.
    return std::memcmp(&a, &b, offsetof(FurSettings, texturesDirty)) == 0 && a.texturesDirty == b.texturesDirty;
}

class LookFiles : public testing::Test {
protected:
    void SetUp() override {
        writeMap(dir + "/map.png", 16, 16);
        writeMap(dir + "/wide.png", largestMapSide + 1, 1);
        writeMap(dir + "/whole.png", 64, 64);
        std::string png = readFile(dir + "/whole.png");
        writeFile(dir + "/truncated.png", png.substr(0, png.size() / 2));
        writeFile(dir + "/empty.png", "");
        writeFile(dir + "/text.png", "lengthMap = map.png\n");
        fs::create_directory(dir + "/maps");
    }
    e2e::ScratchDirectory scratch{"pelage-looks"};
    const std::string& dir = scratch.path();
};

TEST_F(LookFiles, BadInputIsRefusedWithItsFileAndLineAndNothingApplied) {
    struct Case {
        std::string text;  // the look's second line, after a good one
        const char* says;
    };
    const Case cases[] = {
        {"numShells 64", "expected NAME = VALUE"},
        {std::string("PK\x03\x04\0\0 numShells = 3", 20), "not text"},
        {"furLength = 2", "unknown setting \"furLength\""},
        {"numShells = 101", "bad value \"101\" for numShells"},
        {"shellHeight = tall", "bad value \"tall\" for shellHeight"},
        {"hairColor = 0.3, 0.2, 0.1", "bad value"},
        {"texturesDirty = 0", "texturesDirty is not part of a look"},
        {"lengthMap = missing.png", "No such file"},
        {"densityMap = empty.png", "is empty"},
        {"colorMap = truncated.png", "truncated"},
        {"directionMap = wide.png", "8193 x 1 is outside 1 to 8192"},
        {"lengthMap = maps", "is a directory"},
        {"lengthMap = text.png", "not a PNG"},
    };
    for (const Case& c : cases) {
        std::string path = dir + "/bad.look";
        writeFile(path, "numShells = 7\n" + c.text + "\n");
        Look look, before;
        std::string error;
        EXPECT_FALSE(readLook(path, look, error)) << c.text;
        EXPECT_EQ(error.rfind(path + ":2: ", 0), 0u) << error;
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
        EXPECT_TRUE(sameSettings(look.settings, before.settings)) << c.text;
        EXPECT_EQ(look.mapPaths[LENGTH_MAP], "") << c.text;
    }
    // Files that are no look at all.
    writeFile(dir + "/huge.look", std::string(largestLookBytes + 1, '#'));
    const std::pair<std::string, const char*> files[] = {
        {dir + "/huge.look", "larger than a look file can be"},
        {dir + "/maps", "a directory, not a look file"},
        {dir + "/none.look", "No such file"},
        {"/dev/zero", "not a regular file"},
    };
    for (const auto& [path, says] : files) {
        Look look;
        std::string error;
        EXPECT_FALSE(readLook(path, look, error)) << path;
        EXPECT_EQ(error.rfind(path + ": ", 0), 0u) << error;
        EXPECT_NE(error.find(says), std::string::npos) << error;
    }
}

TEST_F(LookFiles, ReadsCommentsBlanksAndLineEndsAndResolvesMapsBesideTheLook) {
    fs::create_directory(dir + "/sub");
    writeMap(dir + "/sub/length.png", 8, 8);
    std::string path = dir + "/sub/fox.look";
    writeFile(path,
              "# a fox\r\n\n   numShells=12   # fewer shells\r\n\thairColor = 0.5,0.25,0\n"
              "numShells = 20\nlengthMap = length.png\ncolorMap = ../map.png\ncolorMap =\n"
              "densityMap = " + dir + "/map.png");
    Look look;
    std::string error;
    ASSERT_TRUE(readLook(path, look, error)) << error;
    EXPECT_EQ(look.settings.numShells, 20) << "a later line wins";
    EXPECT_EQ(look.settings.hairColor[1], 0.25f);
    EXPECT_EQ(look.settings.finHeight, FurSettings().finHeight) << "what a look does not name stays";
    EXPECT_EQ(look.mapPaths[LENGTH_MAP], dir + "/sub/length.png");
    EXPECT_EQ(look.mapPaths[COLOR_MAP], "") << "an empty value removes the map";
    EXPECT_EQ(look.mapPaths[DENSITY_MAP], dir + "/map.png");
    EXPECT_EQ(look.mapOrigins[LENGTH_MAP], path + ":6");
}

TEST_F(LookFiles, ASavedLookReadsBackToTheSameBitsWithItsMapsRelativeToIt) {
    FurSettings odd;
    std::string error;
    // Values no decimal shortens, in every kind of field.
    for (const char* assignment :
         {"finHeight=0.0123456789", "numHairs=1234", "hairColor=0.1,0.3333333,0.7", "drawFins=0", "gravity=1e-7",
          "windDirection=-0.333333343,0.5,1", "lightTransform=0,0,-1,0,0,1,0,0,1,0,0,0,0,0,0,1,1.1,-2.2,3.3",
          "animationClip=Walk, then Run"})
        ASSERT_TRUE(applyFurSetting(odd, assignment, error)) << error;
    odd.modelTransform.rotation[0] = std::nextafter(1.0f, 0.0f);
    std::string maps[GROOM_MAP_COUNT] = {dir + "/map.png", "", dir + "/whole.png", ""};
    fs::create_directory(dir + "/sub");
    std::string path = dir + "/sub/odd.look";
    ASSERT_TRUE(writeLook(path, odd, maps, error, dir + "/models/fox.glb")) << error;
    std::string text = readFile(path);
    EXPECT_NE(text.find("model = ../models/fox.glb\n"), std::string::npos) << "a look knows its model: " << text;
    EXPECT_NE(text.find("lengthMap = ../map.png\n"), std::string::npos) << text;
    EXPECT_NE(text.find("finHeight = 0.012345679\n"), std::string::npos) << text;
    EXPECT_NE(text.find("numShells = 32\n"), std::string::npos) << "a saved look holds every setting";
    EXPECT_EQ(text.find("objectToMove"), std::string::npos) << text;

    Look look;
    ASSERT_TRUE(applyFurSetting(look.settings, "numShells=3", error));
    ASSERT_TRUE(readLook(path, look, error)) << error;
    EXPECT_TRUE(sameSettings(look.settings, odd));
    for (int map = 0; map < GROOM_MAP_COUNT; ++map) EXPECT_EQ(look.mapPaths[map], maps[map]);
    EXPECT_EQ(look.modelPath, dir + "/models/fox.glb");
    struct stat status;
    ASSERT_EQ(stat(path.c_str(), &status), 0);
    EXPECT_NE(status.st_mode & 0044, 0u) << "a saved look is as readable as any new file";
}

TEST_F(LookFiles, AFailedSaveLeavesTheOldFileWholeAndNoTemporaryBehind) {
    std::string path = dir + "/kept.look";
    writeFile(path, "numShells = 5\n");
    std::string maps[GROOM_MAP_COUNT] = {dir + "/odd#name.png"}, error;
    EXPECT_FALSE(writeLook(path, FurSettings(), maps, error));
    EXPECT_NE(error.find("can't be named in a look"), std::string::npos) << error;
    std::string noMaps[GROOM_MAP_COUNT];
    EXPECT_FALSE(writeLook(dir + "/maps", FurSettings(), noMaps, error)) << "a directory is never replaced";
    EXPECT_NE(error.find("can't write"), std::string::npos) << error;
    EXPECT_FALSE(writeLook(dir + "/nowhere/a.look", FurSettings(), noMaps, error));
    EXPECT_EQ(readFile(path), "numShells = 5\n");
    int entries = 0;
    for (const auto& entry : fs::directory_iterator(dir)) entries += entry.path().string().find(".look.") != std::string::npos;
    EXPECT_EQ(entries, 0);
}

TEST_F(LookFiles, OptionsApplyInOrderAndTheLoaderIsToldEveryMap) {
    writeFile(dir + "/a.look", "numShells = 10\nnumHairs = 100\ndensityMap = map.png\n");
    Look look;
    std::string error;
    ASSERT_TRUE(applyLookOptions({{LookOption::SET, "numShells=2"}, {LookOption::SET, "minShadow=0.5"},
                                  {LookOption::LOOK, dir + "/a.look"}, {LookOption::SET, "numHairs=7"}},
                                 look, error))
        << error;
    EXPECT_EQ(look.settings.numShells, 10);
    EXPECT_EQ(look.settings.numHairs, 7);
    EXPECT_EQ(look.settings.minShadow, 0.5f);
    Look before = look;
    EXPECT_FALSE(applyLookOptions({{LookOption::SET, "numShells=4"}, {LookOption::SET, "numShells=x"}}, look, error));
    EXPECT_EQ(look.settings.numShells, 10) << "a bad option applies none of them";

    EXPECT_TRUE(loadLookMaps(look, error)) << "without a loader, the checks of reading are all";
    setGroomMapLoader([](const std::string paths[GROOM_MAP_COUNT], int* failed) -> std::string {
        *failed = DENSITY_MAP;
        return paths[DENSITY_MAP].empty() ? "" : "no unique texture coordinates for a map";
    });
    EXPECT_FALSE(loadLookMaps(look, error));
    EXPECT_EQ(error, dir + "/a.look:3: no unique texture coordinates for a map");
    look.mapPaths[DENSITY_MAP].clear();
    EXPECT_TRUE(loadLookMaps(look, error));
    setGroomMapLoader(nullptr);
}

}  // namespace
