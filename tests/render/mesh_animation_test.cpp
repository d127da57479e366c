// The skinned box played on the prepared mesh: each vertex's hair trails its
// motion and settles; with the dynamics off a time played to is the time
// jumped to; a point painted on the posed mesh lands on the same place at
// rest whatever the frame.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "mesh/indexed_mesh.h"
#include "model/gltf_reader.h"
#include "model/obj_model.h"
#include "render/fur_dynamics.h"
#include "render/mesh_animation.h"
#include "tests/support/skinned_box.h"

namespace {

class SkinnedBox : public testing::Test {
protected:
    void SetUp() override {
        std::string text = skinnedBoxGltf();
        mesh.model = glmReadGLTFMemory(text.data(), text.size(), "box.gltf");
        mesh.build();
        prepareMeshAnimation(animation, mesh);
    }
    void TearDown() override { glmDeleteModel(mesh.model); }
    void play(const char* clip, float time) {
        animation.playback = {findClip(*mesh.model->skin, clip), time, true, false};
    }
    // A vertex of the tip cube, whose joint the "Step" clip carries.
    std::size_t tipVertex() const {
        for (std::size_t v = 0; v < animation.rest.size(); ++v)
            if (animation.rest[v].position[0] > 0.9f) return v;
        return 0;
    }
    FurMesh mesh;
    MeshAnimation animation;
};

TEST_F(SkinnedBox, EachVertexsHairTrailsItsMotionAndSettles) {
    FurDynamicsParameters springs;
    springs.enabled = true;
    springs.springStiffness = 200;
    springs.springDamping = 8;
    play("Step", 0.9f);
    const float frame = 1.0f / 30.0f;
    std::size_t v = tipVertex();
    float restY = animation.rest[v].position[1];
    float trailing = 0, swingBack = 0;
    for (int f = 0; f < 150; ++f) {
        advancePlayback(animation, f == 0 ? 0.0f : frame, 1.0f);
        poseMeshAnimation(animation, springs, f == 0 ? 0.0f : frame);
        float lag = animation.extras[v].lag[1];
        if (f < 3) {
            EXPECT_EQ(lag, 0.0f) << "still before the step, frame " << f;
        }
        trailing = std::min(trailing, lag);
        if (trailing < 0) swingBack = std::max(swingBack, lag);
    }
    EXPECT_GT(animation.vertices[v].position[1], restY + 0.5f);  // the step moved the vertex up
    EXPECT_LT(trailing, -0.01f);                                  // its hair first lagged below
    EXPECT_GT(swingBack, 0.001f);                                 // then swung back past
    EXPECT_LT(std::fabs(animation.extras[v].lag[1]), 1e-3f);      // and settled
    for (int f = 0; f < 200; ++f) poseMeshAnimation(animation, springs, frame);
    EXPECT_FALSE(animationSpringsMoving(animation));
}

TEST_F(SkinnedBox, WithoutDynamicsATimePlayedToIsTheTimeJumpedTo) {
    FurDynamicsParameters still;
    play("Quarter", 0.0f);
    for (int f = 0; f < 21; ++f) {
        advancePlayback(animation, f == 0 ? 0.0f : 0.025f, 1.0f);
        poseMeshAnimation(animation, still, 0.025f);
    }
    std::vector<MeshVertex> played = animation.vertices;
    play("Quarter", 0.5f);
    poseMeshAnimation(animation, still, 0.0f);
    ASSERT_EQ(played.size(), animation.vertices.size());
    for (std::size_t v = 0; v < played.size(); ++v)
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(played[v].position[k], animation.vertices[v].position[k], 1e-6f);
            EXPECT_EQ(animation.extras[v].lag[k], 0.0f);
        }
}

TEST_F(SkinnedBox, APointPaintedWhilePosedLandsOnTheSamePlaceAtRest) {
    FurDynamicsParameters still;
    const float share[3] = {0.2f, 0.3f, 0.5f};
    for (long record = 0; record < mesh.recordCount; ++record) {
        float expected[3] = {0, 0, 0};
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) expected[k] += share[j] * mesh.records[record].positions[j][k];
        // Short of the quarter turn, which folds some triangles flat.
        for (float time : {0.2f, 0.4f, 0.6f}) {
            play("Quarter", time);
            poseMeshAnimation(animation, still, 0.0f);
            float posed[3] = {0, 0, 0}, rest[3];
            for (int j = 0; j < 3; ++j)
                for (int k = 0; k < 3; ++k)
                    posed[k] += share[j] * animation.vertices[animation.indices[3 * record + j]].position[k];
            restPointOf(animation, record, posed, rest);
            for (int k = 0; k < 3; ++k) EXPECT_NEAR(rest[k], expected[k], 1e-5f) << record << " at " << time;
        }
    }
}

}  // namespace
