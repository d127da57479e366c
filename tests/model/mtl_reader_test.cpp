// The MTL reader: material counts and order, defaults, colours, shininess,
// first-character dispatch, library paths, and lookup by name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/obj_model.h"
#include "tests/support/model_invariants.h"
#include "tests/model/model_test_support.h"

namespace {

// Reads a model whose only content is a library line for `library`.
Outcome readLibrary(const std::string& library) {
    return readObj("mtllib lib.mtl\n", {{"lib.mtl", library}});
}

std::vector<std::string> namesOf(const ObjModel* model) {
    std::vector<std::string> names;
    for (std::uint32_t i = 0; i < model->materialCount; ++i) names.push_back(model->materials[i].name);
    return names;
}

std::vector<float> rgba(const float* colour) { return {colour[0], colour[1], colour[2], colour[3]}; }

void expectDefaults(const ObjMaterial& m) {
    EXPECT_EQ(rgba(m.diffuse), (std::vector<float>{0.8f, 0.8f, 0.8f, 1.0f}));
    EXPECT_EQ(rgba(m.ambient), (std::vector<float>{0.2f, 0.2f, 0.2f, 1.0f}));
    EXPECT_EQ(rgba(m.specular), (std::vector<float>{0.0f, 0.0f, 0.0f, 1.0f}));
    EXPECT_FLOAT_EQ(m.shininess, 65.0f);
}

TEST(MtlReader, MaterialsFollowDefaultInFileOrder) {
    Outcome outcome = readLibrary("# two\nnewmtl skin\nKd 1 0 0\nnewmtl  eye   lens\n");
    ASSERT_FALSE(outcome.fatal) << outcome.err;
    EXPECT_EQ(namesOf(outcome.model.get()), (std::vector<std::string>{"default", "skin", "lens"}));
    EXPECT_STREQ(outcome.model->materialLibraryName, "lib.mtl");
    expectDefaults(outcome.model->materials[0]);
    expectDefaults(outcome.model->materials[2]);
}

TEST(MtlReader, EmptyLibraryHoldsOnlyDefault) {
    Outcome outcome = readLibrary("");
    ASSERT_FALSE(outcome.fatal);
    EXPECT_EQ(namesOf(outcome.model.get()), (std::vector<std::string>{"default"}));
    expectDefaults(outcome.model->materials[0]);
}

TEST(MtlReader, ColoursAndShininessApplyToTheCurrentMaterial) {
    Outcome outcome = readLibrary(
        "Ka 0.1 0.2 0.3\n"            // before any name: "default"
        "newmtl fur\n"
        "Kd 0.5 0.25 0.125 0.5\n"     // a fourth number leaves alpha alone
        "Ks 1 1 1 newmtl ghost\n"     // extra words start no material
        "Ns 96\n"
        "Ke 9 9 9\nKt 9 9 9\nillum 2\nd 0.5\nTr 0.1\nmap_Kd fur.png\n"
        "newmtl glass\n"
        "Ns 500\n"
        "Ni 1.5\n"                    // N is N: overwrites the shininess
        "Kd 0.3 nan 0.4\n");          // stops at the value that does not scan
    ASSERT_FALSE(outcome.fatal) << outcome.err;
    const ObjModel* model = outcome.model.get();
    ASSERT_EQ(namesOf(model), (std::vector<std::string>{"default", "fur", "glass"}));
    EXPECT_EQ(rgba(model->materials[0].ambient), (std::vector<float>{0.1f, 0.2f, 0.3f, 1.0f}));
    const ObjMaterial& fur = model->materials[1];
    EXPECT_EQ(rgba(fur.diffuse), (std::vector<float>{0.5f, 0.25f, 0.125f, 1.0f}));
    EXPECT_EQ(rgba(fur.specular), (std::vector<float>{1.0f, 1.0f, 1.0f, 1.0f}));
    EXPECT_EQ(rgba(fur.ambient), (std::vector<float>{0.2f, 0.2f, 0.2f, 1.0f}));
    EXPECT_FLOAT_EQ(fur.shininess, 12.288f);
    const ObjMaterial& glass = model->materials[2];
    EXPECT_FLOAT_EQ(glass.shininess, 0.192f);
    EXPECT_EQ(rgba(glass.diffuse), (std::vector<float>{0.3f, 0.8f, 0.8f, 1.0f}));
    EXPECT_EQ(modelInvariantViolation(model, false), "");
}

TEST(MtlReader, ShininessConvertsFromThousandTo128) {
    for (auto [ns, expected] : std::vector<std::pair<const char*, float>>{{"1000", 128.0f}, {"500", 64.0f}, {"0", 0.0f}}) {
        Outcome outcome = readLibrary(std::string("newmtl m\nNs ") + ns + "\n");
        ASSERT_FALSE(outcome.fatal);
        EXPECT_FLOAT_EQ(outcome.model->materials[1].shininess, expected) << ns;
    }
}

TEST(MtlReader, ALaterLibraryReplacesTheMaterials) {
    Outcome outcome = readObj("mtllib a.mtl\nmtllib b.mtl\n",
                              {{"a.mtl", "newmtl a1\nnewmtl a2\n"}, {"b.mtl", "newmtl b1\n"}});
    ASSERT_FALSE(outcome.fatal);
    EXPECT_EQ(namesOf(outcome.model.get()), (std::vector<std::string>{"default", "b1"}));
    EXPECT_STREQ(outcome.model->materialLibraryName, "b.mtl");
}

TEST(MtlReader, LibraryIsFoundBesideTheObjFile) {
    ScratchDirectory directory;
    std::string obj = "mtllib ignored sub/lib.mtl\n";  // the second word
    directory.write("models/sub/lib.mtl", "newmtl found\n");
    std::string path = directory.path("models/a.obj");
    Outcome outcome = capture([&] { return glmReadOBJText(obj.data(), obj.size(), path.c_str()); });
    ASSERT_FALSE(outcome.fatal) << outcome.err;
    EXPECT_EQ(namesOf(outcome.model.get()), (std::vector<std::string>{"default", "found"}));
}

TEST(MtlReader, UnreadableLibraryEndsTheProcessWithTheComposedPath) {
    ScratchDirectory directory;
    directory.write("models/dir/placeholder", "");
    std::string base = directory.path("models/");
    for (const char* line : {"mtllib missing.mtl\n", "mtllib dir\n", "mtllib\n"}) {
        std::string obj = line;
        std::string path = base + "a.obj";
        Outcome outcome = capture([&] { return glmReadOBJText(obj.data(), obj.size(), path.c_str()); });
        std::string name = std::string(line).substr(6, std::string(line).size() - 7);
        if (!name.empty()) name = name.substr(1);
        EXPECT_TRUE(outcome.fatal) << line;
        EXPECT_EQ(outcome.status, 1);
        EXPECT_EQ(outcome.err, "glmReadMTL() failed: can't open material file \"" + base + name + "\".\n");
    }
}

TEST(MtlReader, PathWithoutSlashLooksInTheWorkingDirectory) {
    std::string obj = "mtllib no-such-library.mtl\n";
    Outcome outcome = capture([&] { return glmReadOBJText(obj.data(), obj.size(), "model.obj"); });
    EXPECT_TRUE(outcome.fatal);
    EXPECT_EQ(outcome.err, "glmReadMTL() failed: can't open material file \"no-such-library.mtl\".\n");
}

TEST(FindMaterial, ReturnsTheFirstExactMatchOrZeroWithAMessage) {
    Outcome outcome = readLibrary("newmtl a\nnewmtl B\nnewmtl a\nnewmtl default\n");
    ASSERT_FALSE(outcome.fatal);
    ObjModel* model = outcome.model.get();
    struct Case {
        const char* name;
        std::uint32_t index;
        bool found;
    };
    for (Case c : {Case{"a", 1, true}, Case{"B", 2, true}, Case{"default", 0, true}, Case{"b", 0, false},
                   Case{"", 0, false}}) {
        testing::internal::CaptureStdout();
        EXPECT_EQ(glmFindMaterial(model, c.name), c.index) << c.name;
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(out, c.found ? "" : std::string("glmFindMaterial():  can't find material \"") + c.name + "\".\n");
    }
}

TEST(FindMaterial, WithoutALibraryNothingIsFound) {
    ObjModel model{};
    testing::internal::CaptureStdout();
    EXPECT_EQ(glmFindMaterial(&model, "default"), 0u);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "glmFindMaterial():  can't find material \"default\".\n");
}

}  // namespace

// map_Kd names the colour texture relative to the library's directory, after
// any options; other maps are not colour textures.
TEST(MtlReader, ColourTextureIsFoundBesideTheLibrary) {
    struct Case {
        const char* line;
        const char* expected;  // relative to the scratch directory, or null
    } cases[] = {
        {"map_Kd fur.png\n", "models/sub/fur.png"},
        {"map_Kd -s 2 2 1 -clamp on -bm 0.5 pelt skin.jpg\r\n", "models/sub/pelt skin.jpg"},
        {"map_Kd /abs/fur.png\n", "/abs/fur.png"},
        {"map_Ka fur.png\nmap_Bump fur.png\n", nullptr},
        {"map_Kd\n", nullptr},
    };
    for (const Case& c : cases) {
        ScratchDirectory directory;
        std::string obj = "mtllib lib.mtl\n";
        directory.write("models/sub/lib.mtl", std::string("newmtl fur\n") + c.line);
        std::string path = directory.path("models/sub/a.obj");
        Outcome outcome = capture([&] { return glmReadOBJText(obj.data(), obj.size(), path.c_str()); });
        ASSERT_FALSE(outcome.fatal) << outcome.err;
        const char* found = outcome.model->materials[1].diffuseMap;
        if (!c.expected) {
            EXPECT_EQ(found, nullptr) << c.line;
            continue;
        }
        std::string expected = c.expected[0] == '/' ? c.expected : directory.path(c.expected);
        EXPECT_EQ(found ? std::string(found) : "(none)", expected) << c.line;
    }
}
