// Skins and clips read from glTF, and the pose arithmetic: a two-joint box
// written here as glTF, so every posed vertex is known by hand; the weights'
// repair; the faults a file can hold, each warned about once; and the same
// box as Collada through the other importer, posing as the glTF one does.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "model/asset_import.h"
#include "model/gltf_reader.h"
#include "model/model_skin.h"
#include "model/model_transfer.h"
#include "tests/model/model_test_support.h"
#include "tests/support/skinned_box.h"

namespace {

Outcome readBox(const std::string& text) {
    return capture([&] { return glmReadGLTFMemory(text.data(), text.size(), "box.gltf"); });
}

// The model's vertex at `at` posed by clip `clip` at `time`.
void posed(const ObjModel* model, const char* clip, float time, const float at[3], float out[3]) {
    const ModelSkin& skin = *model->skin;
    int c = findClip(skin, clip);
    ASSERT_GE(c, 0) << clip;
    std::vector<NodePose> pose;
    std::vector<Affine> globals, joints;
    sampleClip(skin, &skin.clips[c], time, pose);
    jointMatrices(skin, pose, globals, joints);
    for (std::uint32_t v = 1; v <= model->vertexCount; ++v) {
        const float* p = &model->vertices[3 * v];
        if (p[0] != at[0] || p[1] != at[1] || p[2] != at[2]) continue;
        transformPoint(blendJoints(joints, &skin.vertexJoints[4 * v], &skin.vertexWeights[4 * v]), p, out);
        return;
    }
    FAIL() << "no vertex at " << at[0] << " " << at[1] << " " << at[2];
}

TEST(SkinnedGltf, PosesTheBendingBoxAsWorkedOutByHand) {
    Outcome outcome = readBox(skinnedBoxGltf());
    ASSERT_FALSE(outcome.fatal) << outcome.err;
    ObjModel* model = outcome.model.get();
    ASSERT_TRUE(model->skin);
    EXPECT_EQ(model->vertexCount, 12u);
    EXPECT_EQ(model->triangleCount, 16u);
    EXPECT_EQ(model->skin->clips.size(), 4u);
    const float r = std::sqrt(0.5f);
    struct Case {
        const char* clip;
        float time;
        float at[3];
        float expected[3];
    } cases[] = {
        // The skinned node's own translation (5, 5, 5) is ignored, as glTF asks.
        {"Bend", 0.0f, {2, 0, 0}, {2, 0, 0}},
        {"Bend", 1.0f, {2, 0, 0}, {0, 0, 0}},         // half a turn about the tip joint at x = 1
        {"Bend", 0.5f, {2, 1, 0}, {0, 1, 0}},         // slerp halfway: a quarter turn
        {"Quarter", 0.5f, {2, 0, 0}, {1 + r, r, 0}},  // an eighth of a turn
        {"Quarter", 1.0f, {1, 0, 1}, {1, 0, 1}},      // on the axis
        {"Quarter", 1.0f, {0, 1, 0}, {0, 1, 0}},      // on the root joint, which the clip leaves
        {"Quarter", 7.0f, {2, 0, 0}, {1, 1, 0}},      // past the last key: held
        {"Step", 0.99f, {0, 0, 0}, {0, 0, 0}},        // a step holds its key to the next
        {"Step", 1.0f, {0, 0, 0}, {0, 2, 0}},
        {"Step", 1.0f, {2, 0, 1}, {2, 2, 1}},         // the child follows its parent
        {"Spline", 0.5f, {0, 0, 0}, {0, 0.5f, 0}},
        {"Spline", 0.25f, {0, 0, 0}, {0, 0.4375f, 0}},  // 3 (9/64) + 5/32 - 3 (3/64)
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.clip) + " at " + std::to_string(c.time));
        float out[3];
        posed(model, c.clip, c.time, c.at, out);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(out[k], c.expected[k], 1e-5f);
    }
}

TEST(SkinnedGltf, RepairsWeightsKeepingTheFourLargest) {
    const float nan = std::nanf("");
    struct Case {
        std::vector<std::uint32_t> joints;
        std::vector<float> weights;
        WeightRepair repair;
        std::uint32_t outJoints[4];
        float outWeights[4];
    } cases[] = {
        {{0, 1}, {0.75f, 0.25f}, WeightRepair::None, {0, 1, 9, 9}, {0.75f, 0.25f, 0, 0}},
        {{2, 1}, {0.25f, 0.75f}, WeightRepair::None, {1, 2, 9, 9}, {0.75f, 0.25f, 0, 0}},
        {{0, 1}, {0.2f, 0.2f}, WeightRepair::Renormalised, {0, 1, 9, 9}, {0.5f, 0.5f, 0, 0}},
        {{0, 1}, {2e24f, 2e24f}, WeightRepair::Renormalised, {0, 1, 9, 9}, {0.5f, 0.5f, 0, 0}},
        {{0, 1}, {0, 0}, WeightRepair::Rigid, {9, 9, 9, 9}, {1, 0, 0, 0}},
        {{0, 1}, {nan, 1}, WeightRepair::Rigid, {9, 9, 9, 9}, {1, 0, 0, 0}},
        {{0, 1}, {-1, 2}, WeightRepair::Rigid, {9, 9, 9, 9}, {1, 0, 0, 0}},
        {{0, 7}, {0.5f, 0.5f}, WeightRepair::Renormalised, {0, 9, 9, 9}, {1, 0, 0, 0}},  // joint 7 does not exist
        {{0, 1, 2, 3, 4, 5, 6, 5},
         {0.05f, 0.3f, 0.1f, 0.2f, 0.05f, 0.15f, 0.1f, 0.05f},
         WeightRepair::None,
         {1, 3, 5, 2},
         {0.3f / 0.75f, 0.2f / 0.75f, 0.15f / 0.75f, 0.1f / 0.75f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.weights));
        std::uint32_t joints[4];
        float weights[4];
        EXPECT_EQ(repairWeights(c.joints.data(), c.weights.data(), static_cast<int>(c.joints.size()), 7, 9, joints, weights),
                  c.repair);
        for (int k = 0; k < 4; ++k) {
            if (c.outWeights[k] > 0) {
                EXPECT_EQ(joints[k], c.outJoints[k]);
            }
            EXPECT_NEAR(weights[k], c.outWeights[k], 1e-6f);
        }
    }
}

TEST(SkinnedGltf, FaultsInTheFileAreWarnedOnceAndRepaired) {
    struct Case {
        std::string file;
        const char* warning;
        std::size_t clips;
    } cases[] = {
        {skinnedBoxGltf({0, 0, 0, 0}), "weights that sum to 0 or are not numbers; those vertices follow their node rigidly", 4},
        {skinnedBoxGltf({100, 0, 0, 0}), "weights that do not sum to 1 are renormalised", 4},
        {skinnedBoxGltf({255, 0, 0, 0}, ",{\"sampler\":0,\"target\":{\"node\":9,\"path\":\"scale\"}}"),
         "a clip's channel names a node or sampler that does not exist; it is left out", 4},
        {skinnedBoxGltf({255, 0, 0, 0}, "", std::nanf("")),
         "the clip \"Step\" holds a key that is not a finite number, or keys out of order; it is not offered", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.warning);
        Outcome outcome = readBox(c.file);
        ASSERT_FALSE(outcome.fatal) << outcome.err;
        EXPECT_EQ(outcome.err, std::string("glmReadGLTF(): \"box.gltf\": ") + c.warning + ".\n");
        EXPECT_EQ(outcome.model->skin->clips.size(), c.clips);
        if (c.clips == 3) {
            EXPECT_EQ(findClip(*outcome.model->skin, "Step"), -1);
        }
    }
    // The vertex whose weights sum to 0 follows its node, which no clip moves.
    Outcome rigid = readBox(skinnedBoxGltf({0, 0, 0, 0}));
    float out[3];
    const float origin[3] = {0, 0, 0};
    posed(rigid.model.get(), "Step", 1.0f, origin, out);
    EXPECT_FLOAT_EQ(out[1], 0.0f);
}

// Handed over as the import's child process hands it, the rig read by the
// other importer poses every vertex where the glTF rig puts it.
TEST(SkinnedCollada, PosesAsTheSameRigInGltfOnceHandedOver) {
    Outcome gltf = readBox(skinnedBoxGltf());
    std::string text = skinnedBoxCollada();
    Outcome read = capture([&] { return glmImportModelMemory(text.data(), text.size(), "box.dae"); });
    ASSERT_FALSE(read.fatal) << read.err;
    EXPECT_EQ(read.err, "");
    std::string bytes;
    packModel(*read.model, bytes);
    ModelPtr model(unpackModel(bytes.data(), bytes.size()));
    ASSERT_TRUE(model && model->skin);
    ASSERT_EQ(model->skin->clips.size(), 2u);
    ASSERT_EQ(model->vertexCount, 12u);
    struct Case {
        const char *clip, *gltfClip;
        float time;
    } cases[] = {{"0", "Bend", 0.25f}, {"0", "Bend", 0.5f}, {"0", "Bend", 1.0f}, {"1", "Quarter", 0.5f}, {"1", "Quarter", 3.0f}};
    for (const Case& c : cases)
        for (std::uint32_t v = 1; v <= model->vertexCount; ++v) {
            const float* at = &model->vertices[3 * v];
            SCOPED_TRACE(std::string(c.gltfClip) + " at " + std::to_string(c.time) + ", vertex " + std::to_string(v));
            float out[3], expected[3];
            posed(model.get(), c.clip, c.time, at, out);
            posed(gltf.model.get(), c.gltfClip, c.time, at, expected);
            for (int k = 0; k < 3; ++k) EXPECT_NEAR(out[k], expected[k], 1e-4f);
        }
    // Weights that do not sum to 1 get one warning and are renormalised.
    text = skinnedBoxCollada(0.5f);
    Outcome halved = capture([&] { return glmImportModelMemory(text.data(), text.size(), "box.dae"); });
    ASSERT_FALSE(halved.fatal) << halved.err;
    EXPECT_EQ(halved.err, "glmImportModel(): \"box.dae\": weights that do not sum to 1 are renormalised.\n");
    EXPECT_FLOAT_EQ(halved.model->skin->vertexWeights[4], 1.0f);
}

}  // namespace
