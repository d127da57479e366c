// Files that are damaged, hostile or merely odd (tests/model/malformed): each
// ends in a model that keeps every invariant once finished, or in exactly one
// message and exit status 1. Also the allocation limits behind huge counts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "model/obj_model.h"
#include "model/obj_source.h"
#include "tests/support/model_invariants.h"
#include "tests/model/model_test_support.h"

// Lets the allocation tests see a failed allocation instead of a sanitizer report.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }

namespace {

std::string fixture(const std::string& name) { return std::string(MODEL_FIXTURE_DIR) + "/" + name; }

Outcome loadFixture(const std::string& path) {
    return loadAndFinish([&] { return glmReadOBJ(path.c_str()); });
}

int lineCount(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

struct MalformedCase {
    const char* file;
    bool fatal;
    const char* message;  // a part of the fatal message or of a warning; may be empty
};

class MalformedInput : public testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedInput, EndsAsExpected) {
    const MalformedCase& c = GetParam();
    Outcome outcome = loadFixture(fixture(c.file));
    std::string all = outcome.out + outcome.err;
    EXPECT_NE(all.find(c.message), std::string::npos) << all;
    if (c.fatal) {
        EXPECT_TRUE(outcome.fatal);
        EXPECT_EQ(outcome.status, 1);
    } else {
        ASSERT_FALSE(outcome.fatal) << all;
        EXPECT_EQ(modelInvariantViolation(outcome.model.get(), true), "");
    }
}

std::string caseName(const testing::TestParamInfo<MalformedCase>& info) {
    std::string name = info.param.file;
    name = name.substr(0, name.find('.'));
    std::replace(name.begin(), name.end(), '_', 'X');
    return name;
}

INSTANTIATE_TEST_SUITE_P(
    Files, MalformedInput,
    testing::Values(
        MalformedCase{"long_comment.obj", false, ""}, MalformedCase{"long_group_name.obj", false, ""},
        MalformedCase{"long_token.obj", false, ""},
        MalformedCase{"long_unknown_token.obj", true, "glmFirstPass(): Unknown token \"vppp"},
        MalformedCase{"long_number.obj", true, "vertex index 2147483647 is out of range"},
        MalformedCase{"negative_indices.obj", false, ""},
        MalformedCase{"vertex_index_zero.obj", true, "vertex index 0 is out of range"},
        MalformedCase{"vertex_index_beyond_count.obj", true, "vertex index 4 is out of range"},
        MalformedCase{"vertex_index_too_far_back.obj", true, "vertex index -4 is out of range"},
        MalformedCase{"texcoord_index_out_of_range.obj", true, "texture coordinate index 2 is out of range"},
        MalformedCase{"texcoord_index_without_texcoords.obj", true, "texture coordinate index 1 is out of range"},
        MalformedCase{"normal_index_out_of_range.obj", false, "normal index 5 is out of range"},
        MalformedCase{"extra_words_on_element_lines.obj", false, ""},
        MalformedCase{"numbers_on_the_next_line.obj", false, ""},
        MalformedCase{"zero_area_triangle.obj", false, ""}, MalformedCase{"vertex_named_twice.obj", false, ""},
        MalformedCase{"no_vertices.obj", false, ""}, MalformedCase{"all_vertices_at_origin.obj", false, ""},
        MalformedCase{"non_numeric_numbers.obj", false, ""}, MalformedCase{"nan_and_inf.obj", false, ""},
        MalformedCase{"huge_coordinates.obj", false, ""}, MalformedCase{"face_with_one_reference.obj", false, ""},
        MalformedCase{"face_without_references.obj", true, "a face without a vertex index"},
        MalformedCase{"face_of_words.obj", true, "a face without a vertex index"},
        MalformedCase{"truncated_face.obj", false, ""}, MalformedCase{"truncated_vertex.obj", false, ""},
        MalformedCase{"unknown_vertex_keyword.obj", true, "glmFirstPass(): Unknown token \"vp\".\n"},
        MalformedCase{"mtllib_names_directory.obj", true, "glmReadMTL() failed: can't open material file"},
        MalformedCase{"mtllib_without_name.obj", true, "glmReadMTL() failed: can't open material file"},
        MalformedCase{"mtllib_missing_file.obj", true, "glmReadMTL() failed: can't open material file"},
        MalformedCase{"mtl_extra_words.obj", false, ""},
        MalformedCase{"usemtl_unknown.obj", false, "can't find material \"nowhere\""},
        MalformedCase{"no_final_line_feed.obj", false, ""}, MalformedCase{"crlf_line_ends.obj", false, ""},
        MalformedCase{"empty.obj", false, ""}, MalformedCase{"blank_lines_only.obj", false, ""},
        MalformedCase{"nul_bytes.obj", false, ""}, MalformedCase{"many_groups_run_on_face.obj", false, ""}),
    caseName);

TEST(MalformedInput, EveryFixtureEndsSoundOrInOneMessage) {
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(MODEL_FIXTURE_DIR)) {
        if (entry.path().extension() != ".obj") continue;
        ++files;
        Outcome outcome = loadFixture(entry.path().string());
        if (outcome.fatal) {
            EXPECT_EQ(outcome.status, 1) << entry.path();
            std::string message = outcome.out.find("glm") == 0 ? outcome.out : outcome.err;
            // The one message, after any warnings on the other stream.
            EXPECT_EQ(message.rfind("glm", 0), 0u) << entry.path() << ": " << message;
        } else {
            EXPECT_EQ(modelInvariantViolation(outcome.model.get(), true), "") << entry.path();
        }
    }
    EXPECT_GE(files, 30);
}

TEST(MalformedInput, DetailsOfTheSoundOnes) {
    auto load = [](const char* file) {
        Outcome outcome = loadFixture(fixture(file));
        EXPECT_FALSE(outcome.fatal) << file << ": " << outcome.out << outcome.err;
        return std::move(outcome.model);
    };
    ModelPtr model = load("long_group_name.obj");
    ASSERT_TRUE(model);
    EXPECT_EQ(std::string(model->groups->name), " " + std::string(400, 'n') + " usemtl x f 1 2 3");
    EXPECT_EQ(model->triangleCount, 1u);

    model = load("extra_words_on_element_lines.obj");
    ASSERT_TRUE(model);
    EXPECT_EQ(model->triangleCount, 1u);
    EXPECT_EQ(model->groupCount, 1u);
    EXPECT_EQ(model->materialLibraryName, nullptr);

    model = load("mtl_extra_words.obj");
    ASSERT_TRUE(model);
    ASSERT_EQ(model->materialCount, 3u);
    EXPECT_STREQ(model->materials[2].name, "b");
    EXPECT_EQ(model->groups->material, 2u);

    model = load("crlf_line_ends.obj");
    ASSERT_TRUE(model);
    EXPECT_STREQ(model->groups->name, " body");
    EXPECT_EQ(model->groups->material, 1u);
    EXPECT_FLOAT_EQ(model->materials[1].diffuse[0], 1.0f);

    model = load("no_final_line_feed.obj");
    ASSERT_TRUE(model);
    EXPECT_STREQ(model->groups->name, " last");
    EXPECT_EQ(model->groups->triangleCount, 1u);

    model = load("many_groups_run_on_face.obj");
    ASSERT_TRUE(model);
    EXPECT_EQ(model->groupCount, 51u);
    EXPECT_EQ(model->triangleCount, 150u);

    model = load("no_vertices.obj");
    ASSERT_TRUE(model);
    EXPECT_EQ(model->vertexCount, 0u);
    EXPECT_EQ(model->normalCount, 0u);
}

TEST(MalformedInput, FatalMessagesNameTheFileAndLine) {
    std::string path = fixture("vertex_index_beyond_count.obj");
    Outcome outcome = loadFixture(path);
    EXPECT_EQ(outcome.err, "glmDataPass() failed: vertex index 4 is out of range (the model has 3 vertices) in \"" +
                               path + "\", line 4.\n");
    EXPECT_EQ(lineCount(outcome.err), 1);
}

TEST(HugeCounts, AllocationsThatOverflowOrFailEndTheProcess) {
    for (std::size_t count : {SIZE_MAX / 2, std::size_t{1} << 44}) {
        Outcome outcome = capture([&]() -> ObjModel* {
            std::free(allocateEntries(count, 16, "glmReadOBJ", "vertices"));
            return nullptr;
        });
        EXPECT_TRUE(outcome.fatal) << count;
        EXPECT_EQ(outcome.status, 1);
        // Ends with the message (a sanitizer may add a warning of its own before it).
        std::string message = "glmReadOBJ() failed: out of memory for " + std::to_string(count) + " vertices.\n";
        EXPECT_TRUE(outcome.err.ends_with(message)) << outcome.err;
    }
}

}  // namespace

TEST(RepositoryModel, LoadsSoundAndClosed) {
    std::string path = std::string(PELAGE_SOURCE_DIR) + "/OBJ/bunny-1500-cleaned.obj";
    if (!std::filesystem::exists(path)) GTEST_SKIP() << path << " is absent";
    Outcome outcome = loadFixture(path);
    ASSERT_FALSE(outcome.fatal) << outcome.out << outcome.err;
    EXPECT_EQ(outcome.err, "");  // every vertex is used
    EXPECT_EQ(outcome.model->triangleCount, 1500u);
    EXPECT_EQ(outcome.model->vertexCount, 752u);
    EXPECT_EQ(modelInvariantViolation(outcome.model.get(), true), "");
}
