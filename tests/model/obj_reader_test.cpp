// The OBJ reader: face forms and fans, groups, materials per group, keyword
// dispatch, index checks and the agreement of the two passes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/obj_model.h"
#include "tests/support/model_invariants.h"
#include "tests/model/model_test_support.h"

namespace {

// `count` lines of each element kind, positions numbered so they can be told apart.
std::string elements(int positions, int texCoords, int normals) {
    std::string text;
    for (int i = 1; i <= positions; ++i) text += "v " + std::to_string(i) + " 0 0\n";
    for (int i = 1; i <= texCoords; ++i) text += "vt 0." + std::to_string(i) + " 0\n";
    for (int i = 1; i <= normals; ++i) text += "vn 0 0 1\n";
    return text;
}

struct Corners {
    int v[3], t[3], n[3];
};

std::vector<Corners> trianglesOf(const ObjModel* model) {
    std::vector<Corners> result;
    for (std::uint32_t i = 0; i < model->triangleCount; ++i) {
        const ObjTriangle& tri = model->triangles[i];
        Corners c{};
        for (int k = 0; k < 3; ++k) {
            c.v[k] = tri.vertexIndices[k];
            c.t[k] = tri.texCoordIndices[k];
            c.n[k] = tri.normalIndices[k];
        }
        result.push_back(c);
    }
    return result;
}

std::vector<std::string> groupNames(const ObjModel* model) {
    std::vector<std::string> names;
    for (const ObjGroup* g = model->groups; g; g = g->next) names.push_back(g->name);
    return names;
}

const ObjGroup* group(ObjModel* model, const char* name) {
    const ObjGroup* g = glmLookupGroup(model, name);
    EXPECT_NE(g, nullptr) << "no group \"" << name << "\"";
    return g;
}

std::vector<std::uint32_t> indicesOf(const ObjGroup* g) {
    return g ? std::vector<std::uint32_t>(g->triangleIndices, g->triangleIndices + g->triangleCount)
             : std::vector<std::uint32_t>{};
}

struct FaceCase {
    const char* name;
    const char* faces;
    std::vector<Corners> expected;
};

class FaceForms : public testing::TestWithParam<FaceCase> {};

TEST_P(FaceForms, GiveTheFannedTrianglesWithTheFieldsOfTheirForm) {
    const FaceCase& c = GetParam();
    ModelPtr model = loadObj(elements(9, 9, 9) + c.faces);
    ASSERT_TRUE(model);
    std::vector<Corners> got = trianglesOf(model.get());
    ASSERT_EQ(got.size(), c.expected.size());
    for (std::size_t i = 0; i < got.size(); ++i)
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(got[i].v[k], c.expected[i].v[k]) << "triangle " << i << " corner " << k;
            EXPECT_EQ(got[i].t[k], c.expected[i].t[k]) << "triangle " << i << " corner " << k;
            EXPECT_EQ(got[i].n[k], c.expected[i].n[k]) << "triangle " << i << " corner " << k;
        }
    EXPECT_EQ(modelInvariantViolation(model.get(), false), "");
}

INSTANTIATE_TEST_SUITE_P(
    Obj, FaceForms,
    testing::Values(
        FaceCase{"QuadFans", "f 1 2 3 4\n", {{{1, 2, 3}, {}, {}}, {{1, 3, 4}, {}, {}}}},
        FaceCase{"VertexTexture", "f 1/4 2/5 3/6\n", {{{1, 2, 3}, {4, 5, 6}, {}}}},
        FaceCase{"VertexNormal", "f 1//7 2//8 3//9\n", {{{1, 2, 3}, {}, {7, 8, 9}}}},
        FaceCase{"VertexTextureNormal", "f 1/4/7 2/5/8 3/6/9\n", {{{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}}},
        FaceCase{"PentagonFansAroundFirst",
                 "f 5 6 7 8 9\n",
                 {{{5, 6, 7}, {}, {}}, {{5, 7, 8}, {}, {}}, {{5, 8, 9}, {}, {}}}},
        FaceCase{"TwoReferencesRepeatTheLast", "f 1 2\n# next keyword\n", {{{1, 2, 2}, {}, {}}}},
        FaceCase{"RunsOnOverLineEnds",
                 "f 1 2 3\n4 5\n",
                 {{{1, 2, 3}, {}, {}}, {{1, 3, 4}, {}, {}}, {{1, 4, 5}, {}, {}}}},
        FaceCase{"BareReferenceInNormalFaceKeepsPreviousNormal",
                 "f 1//7 2//8 3//9 4\n",
                 {{{1, 2, 3}, {}, {7, 8, 9}}, {{1, 3, 4}, {}, {7, 9, 9}}}},
        FaceCase{"ShortReferenceInFullFaceKeepsPreviousNormal",
                 "f 1/4/7 2/5/8 3/6/9 4/1\n",
                 {{{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}, {{1, 3, 4}, {4, 6, 1}, {7, 9, 9}}}},
        FaceCase{"NegativeIndicesCountBackFromTheLastRead",
                 "f -3/-1/-2 -2/-2/-1 -1/-3/-3\n",
                 {{{7, 8, 9}, {9, 8, 7}, {8, 9, 7}}}},
        FaceCase{"FaceEndsAtAWord", "f 1 2 3 x 4\nf 6 7 8\n", {{{1, 2, 3}, {}, {}}, {{6, 7, 8}, {}, {}}}}),
    [](const testing::TestParamInfo<FaceCase>& info) { return info.param.name; });

TEST(ObjReader, NegativeIndicesResolveAgainstElementsReadSoFar) {
    ModelPtr model = loadObj("v 0 0 0\nv 1 0 0\nv 0 1 0\nf -3 -2 -1\nv 5 5 5\nf -4 -3 -1\n");
    ASSERT_TRUE(model);
    std::vector<Corners> got = trianglesOf(model.get());
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(std::vector<int>(got[0].v, got[0].v + 3), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(std::vector<int>(got[1].v, got[1].v + 3), (std::vector<int>{1, 2, 4}));
}

TEST(ObjReader, StoresPositionsNormalsAndTextureCoordinates) {
    ModelPtr model = loadObj("v 1.5 -2 3e2\nvn 0 0 1\nvt 0.25 0.75\n");
    ASSERT_TRUE(model);
    ASSERT_EQ(model->vertexCount, 1u);
    EXPECT_FLOAT_EQ(model->vertices[3], 1.5f);
    EXPECT_FLOAT_EQ(model->vertices[4], -2.0f);
    EXPECT_FLOAT_EQ(model->vertices[5], 300.0f);
    ASSERT_EQ(model->normalCount, 1u);
    EXPECT_FLOAT_EQ(model->normals[5], 1.0f);
    ASSERT_EQ(model->texCoordCount, 1u);
    EXPECT_FLOAT_EQ(model->texCoords[2], 0.25f);
    EXPECT_FLOAT_EQ(model->texCoords[3], 0.75f);
}

TEST(ObjReader, FileWithoutNormalsTexturesFacesOrLibraryHasEmptyParts) {
    ModelPtr model = loadObj("v 0 0 0\n");
    ASSERT_TRUE(model);
    EXPECT_EQ(model->normals, nullptr);
    EXPECT_EQ(model->normalCount, 0u);
    EXPECT_EQ(model->texCoords, nullptr);
    EXPECT_EQ(model->texCoordCount, 0u);
    EXPECT_EQ(model->triangleCount, 0u);
    EXPECT_NE(model->triangles, nullptr);
    EXPECT_EQ(model->materials, nullptr);
    EXPECT_EQ(model->materialCount, 0u);
    EXPECT_EQ(model->materialLibraryName, nullptr);
    EXPECT_EQ(groupNames(model.get()), (std::vector<std::string>{"default"}));
    EXPECT_EQ(model->groups->triangleCount, 0u);
    EXPECT_FLOAT_EQ(model->position[0], 0.0f);
}

TEST(ObjGroups, FacesGoToTheGroupInForceAndNamesKeepTheirBlanks) {
    ModelPtr model = loadObj(elements(4, 0, 0) +
                             "f 1 2 3\n"
                             "g body\n"
                             "f 1 2 3 4\n"
                             "g default\n"
                             "f 2 3 4\n"
                             "g  body\n"
                             "g body\n"
                             "f 1 3 4\n"
                             "g\n"
                             "f 4 3 2\n"
                             "group x y\n"
                             "f 1 1 1\n");
    ASSERT_TRUE(model);
    EXPECT_EQ(groupNames(model.get()),
              (std::vector<std::string>{" x y", "", "  body", " default", " body", "default"}));
    EXPECT_EQ(model->groupCount, 6u);
    EXPECT_EQ(indicesOf(group(model.get(), "default")), (std::vector<std::uint32_t>{0}));
    EXPECT_EQ(indicesOf(group(model.get(), " body")), (std::vector<std::uint32_t>{1, 2, 4}));
    EXPECT_EQ(indicesOf(group(model.get(), " default")), (std::vector<std::uint32_t>{3}));
    EXPECT_EQ(indicesOf(group(model.get(), "  body")), (std::vector<std::uint32_t>{}));
    EXPECT_EQ(indicesOf(group(model.get(), "")), (std::vector<std::uint32_t>{5}));
    EXPECT_EQ(indicesOf(group(model.get(), " x y")), (std::vector<std::uint32_t>{6}));
    EXPECT_EQ(modelInvariantViolation(model.get(), false), "");
}

TEST(ObjGroups, LongNamesAndLineEndsAreKeptWholeAndStripped) {
    std::string longName(300, 'n');
    ModelPtr model = loadObj(elements(3, 0, 0) + "g " + longName + " f 1 2 3\r\nf 1 2 3\r\ng tail");
    ASSERT_TRUE(model);
    EXPECT_EQ(groupNames(model.get()), (std::vector<std::string>{" tail", " " + longName + " f 1 2 3", "default"}));
    EXPECT_EQ(model->triangleCount, 1u);
}

TEST(ObjGroups, FindOrAddCreatesOnceAtTheHead) {
    ObjModel model{};
    ObjGroup* a = glmFindOrAddGroup(&model, "a");
    ObjGroup* b = glmFindOrAddGroup(&model, "b");
    EXPECT_EQ(glmFindOrAddGroup(&model, "a"), a);
    EXPECT_EQ(model.groups, b);
    EXPECT_EQ(b->next, a);
    EXPECT_EQ(model.groupCount, 2u);
    EXPECT_EQ(glmLookupGroup(&model, "A"), nullptr);
    model.groups = nullptr;
    for (ObjGroup* g : {a, b}) {
        std::free(g->name);
        delete g;
    }
}

TEST(ObjReader, LongCommentsAreSkippedWhole) {
    std::string comment = "#" + std::string(200, '-') + " f 1 2 3 g inside v 1 2 3\n";
    ModelPtr model = loadObj(elements(3, 0, 0) + comment + "f 1 2 3\n");
    ASSERT_TRUE(model);
    EXPECT_EQ(model->triangleCount, 1u);
    EXPECT_EQ(model->vertexCount, 3u);
    EXPECT_EQ(model->groupCount, 1u);
}

TEST(ObjReader, ShortAndWordyElementLinesKeepBothPassesInStep) {
    // Words after the numbers, a line with too few numbers, and numbers on the
    // line after a bare keyword: none of them may act as keywords.
    ModelPtr model = loadObj(
        "v 0 0 0 f 1 1 1 g extra\n"
        "v 1 2\n"
        "vn\n"
        "1 2 3 f 1 2 3\n"
        "vt 0.5 usemtl x\n"
        "v 0 1 0\n"
        "f 1 2 3\n");
    ASSERT_TRUE(model);
    EXPECT_EQ(model->vertexCount, 3u);
    EXPECT_EQ(model->triangleCount, 1u);
    EXPECT_EQ(model->groupCount, 1u);
    EXPECT_FLOAT_EQ(model->vertices[7], 2.0f);
    EXPECT_FLOAT_EQ(model->vertices[8], 0.0f);  // missing number: 0
    EXPECT_FLOAT_EQ(model->normals[5], 0.0f);   // the numbers below "vn" are not its own
    EXPECT_FLOAT_EQ(model->texCoords[2], 0.5f);
    EXPECT_EQ(modelInvariantViolation(model.get(), false), "");
}

TEST(ObjReader, NonFiniteAndUnscannableNumbersLeaveZero) {
    ModelPtr model = loadObj("v nan inf -inf\nv 1e50 2 3\nv 4 x 6\nv +7 0x10 8\n");
    ASSERT_TRUE(model);
    std::vector<float> got(model->vertices + 3, model->vertices + 15);
    EXPECT_EQ(got, (std::vector<float>{0, 0, 0, 0, 0, 0, 4, 0, 0, 7, 0, 0}));
}

TEST(ObjDispatch, UnknownVertexKeywordsEndTheProcess) {
    for (const char* token : {"vp", "vx", "v1"}) {
        Outcome outcome = readObj(std::string("v 0 0 0\n") + token + " 1 2\n");
        EXPECT_TRUE(outcome.fatal) << token;
        EXPECT_EQ(outcome.status, 1);
        EXPECT_EQ(outcome.out, std::string("glmFirstPass(): Unknown token \"") + token + "\".\n");
    }
}

TEST(ObjDispatch, KeywordsAreKnownByTheirFirstCharacter) {
    Outcome outcome = readObj(elements(3, 0, 0) +
                                  "maplib lib.mtl\n"
                                  "group shell\n"
                                  "usemap red\n"
                                  "fx 1 2 3\n"
                                  "xyz 1 2 3\n",
                              {{"lib.mtl", "newmtl red\nKd 1 0 0\n"}});
    ASSERT_FALSE(outcome.fatal) << outcome.err;
    ObjModel* model = outcome.model.get();
    EXPECT_STREQ(model->materialLibraryName, "lib.mtl");
    EXPECT_EQ(model->materialCount, 2u);
    const ObjGroup* shell = group(model, " shell");
    ASSERT_NE(shell, nullptr);
    EXPECT_EQ(shell->material, 1u);
    EXPECT_EQ(shell->triangleCount, 1u);
    EXPECT_EQ(outcome.out, "");
}

TEST(ObjMaterials, TheLastMaterialEventDecidesTheGroupsMaterial) {
    std::map<std::string, std::string> files{{"m.mtl", "newmtl A\nnewmtl B\nnewmtl C\n"}};
    ModelPtr model = loadObj(elements(3, 0, 0) +
                                 "mtllib m.mtl\n"
                                 "g one\nusemtl A\nf 1 2 3\nusemtl B\nf 1 2 3\n"
                                 "g two\nf 1 2 3\n"
                                 "g three\nusemtl C\n"
                                 "g one\n",
                             files);
    ASSERT_TRUE(model);
    EXPECT_EQ(group(model.get(), " one")->material, 3u);    // re-entered under C
    EXPECT_EQ(group(model.get(), " two")->material, 2u);    // entered under B
    EXPECT_EQ(group(model.get(), " three")->material, 3u);  // C used in it
    EXPECT_EQ(group(model.get(), "default")->material, 0u);
}

TEST(ObjMaterials, UseBeforeAnyLibraryWarnsAndKeepsDefault) {
    Outcome outcome = readObj(elements(3, 0, 0) + "usemtl skin\nf 1 2 3\n");
    ASSERT_FALSE(outcome.fatal);
    EXPECT_EQ(outcome.out, "glmFindMaterial():  can't find material \"skin\".\n");
    EXPECT_EQ(outcome.model->groups->material, 0u);
}

struct BadIndexCase {
    const char* name;
    const char* faces;
    const char* message;  // expected after "glmDataPass() failed: "
};

class BadIndices : public testing::TestWithParam<BadIndexCase> {};

TEST_P(BadIndices, EndTheProcessNamingFileAndLine) {
    Outcome outcome = readObj(elements(4, 2, 0) + "f 1 2 3\n" + GetParam().faces);
    EXPECT_TRUE(outcome.fatal);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.model, nullptr);
    EXPECT_EQ(outcome.err.rfind("glmDataPass() failed: ", 0), 0u) << outcome.err;
    EXPECT_NE(outcome.err.find(GetParam().message), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find("model.obj\", line 8."), std::string::npos) << outcome.err;
}

INSTANTIATE_TEST_SUITE_P(
    Obj, BadIndices,
    testing::Values(BadIndexCase{"Zero", "f 0 1 2\n", "vertex index 0 is out of range (the model has 4 vertices)"},
                    BadIndexCase{"BeyondCount", "f 1 2 5\n", "vertex index 5 is out of range"},
                    BadIndexCase{"TooFarBack", "f 1 2 -5\n", "vertex index -5 is out of range"},
                    BadIndexCase{"Huge", "f 99999999999 1 2\n", "vertex index 2147483647 is out of range"},
                    BadIndexCase{"TextureBeyondCount", "f 1/1 2/2 3/3\n", "texture coordinate index 3"},
                    BadIndexCase{"TextureZero", "f 1/0 2/1 3/1\n", "texture coordinate index 0"},
                    BadIndexCase{"NoVertexIndex", "f x y z\n", "a face without a vertex index"},
                    BadIndexCase{"FaceAtEndOfFile", "f", "a face without a vertex index"}),
    [](const testing::TestParamInfo<BadIndexCase>& info) { return info.param.name; });

TEST(ObjReader, TextureIndicesWithoutTextureCoordinatesAreFatal) {
    Outcome outcome = readObj(elements(3, 0, 0) + "f 1/1 2/1 3/1\n");
    EXPECT_TRUE(outcome.fatal);
    EXPECT_NE(outcome.err.find("(the model has 0 texture coordinates)"), std::string::npos) << outcome.err;
}

TEST(ObjReader, BadNormalIndicesWarnOnceAndBecomeZero) {
    Outcome outcome = readObj(elements(3, 0, 1) + "f 1//1 2//2 3//0\nf 1//-2 2//1 3//1\n");
    ASSERT_FALSE(outcome.fatal);
    EXPECT_EQ(outcome.err,
              std::string("glmDataPass(): normal index 2 is out of range (the model has 1 normals) in \"") +
                  outcome.model->pathName + std::string("\", line 5; normals are regenerated.\n"));
    std::vector<Corners> got = trianglesOf(outcome.model.get());
    EXPECT_EQ(std::vector<int>(got[0].n, got[0].n + 3), (std::vector<int>{1, 0, 0}));
    EXPECT_EQ(std::vector<int>(got[1].n, got[1].n + 3), (std::vector<int>{0, 1, 1}));
}

TEST(ObjReader, MissingFileOrDirectoryEndsTheProcess) {
    ScratchDirectory directory;
    for (std::string path : {directory.path("absent.obj"), directory.path("")}) {
        Outcome outcome = capture([&] { return glmReadOBJ(path.c_str()); });
        EXPECT_TRUE(outcome.fatal);
        EXPECT_EQ(outcome.status, 1);
        EXPECT_EQ(outcome.err, "glmReadOBJ() failed: can't open data file \"" + path + "\".\n");
    }
}

TEST(ObjReader, ReadsAFileFromDisk) {
    ScratchDirectory directory;
    std::string path = directory.write("sub/cube.obj", elements(3, 0, 0) + "mtllib cube.mtl\nf 1 2 3\n");
    directory.write("sub/cube.mtl", "newmtl a\n");
    Outcome outcome = capture([&] { return glmReadOBJ(path.c_str()); });
    ASSERT_FALSE(outcome.fatal) << outcome.err;
    EXPECT_STREQ(outcome.model->pathName, path.c_str());
    EXPECT_EQ(outcome.model->triangleCount, 1u);
    EXPECT_EQ(outcome.model->materialCount, 2u);
}

}  // namespace
