// The settings record's defaults and the reordering of stored positions.
#include <gtest/gtest.h>

#include "core/fur_settings.h"

TEST(FurSettings, DefaultsAreTheDocumentedOnes) {
    FurSettings s;
    EXPECT_FLOAT_EQ(s.finHeight, 0.07f);
    EXPECT_FLOAT_EQ(s.shellHeight, 0.04f);
    EXPECT_EQ(s.numHairs, 3000);
    EXPECT_FLOAT_EQ(s.finScalingFactor, 10);
    EXPECT_FLOAT_EQ(s.shellTextureScale, 4);
    EXPECT_EQ(s.numShells, 32);
    EXPECT_EQ(s.alphaBlendFins + s.drawShells + s.drawFins, 3);
    EXPECT_EQ(s.drawShellBox + s.drawFinBox, 0);
    EXPECT_EQ(s.generatedTexCoords, 0) << "the model's own coordinates where usable";
    EXPECT_EQ(s.triangleBudget, 6000);
    EXPECT_FLOAT_EQ(s.hairColor[1], 0.6f);
    EXPECT_FLOAT_EQ(s.skinColor[1], 0.8f);
    EXPECT_FLOAT_EQ(s.skinColor[2], 0.5f);
    EXPECT_FLOAT_EQ(s.minShadow, 0.1f);
    EXPECT_FLOAT_EQ(s.finDensity, 0.02f);
    EXPECT_FLOAT_EQ(s.diffuseExponent, 3);
    EXPECT_FLOAT_EQ(s.specularExponent, 32);
    EXPECT_FLOAT_EQ(s.specularColor[2], 0.8f);
    EXPECT_EQ(s.objectToMove, MODEL_OBJECT);
    EXPECT_TRUE(s.texturesDirty);
    for (const ObjectTransform* t : {&s.modelTransform, &s.lightTransform, &s.hairVolumeTransform})
        for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(t->rotation[i], i % 5 == 0 ? 1 : 0);
}

TEST(FurSettings, PositionsAreReorderedFromTheirStoredXZY) {
    FurSettings s;
    struct Case {
        const ObjectTransform& transform;
        float x, y, z;
    } cases[] = {{s.modelTransform, 0, 0, 0}, {s.lightTransform, 5, 5, 2}, {s.hairVolumeTransform, 0, 1, 0}};
    for (const Case& c : cases) {
        float p[3];
        objectPosition(c.transform, p);
        EXPECT_FLOAT_EQ(p[0], c.x);
        EXPECT_FLOAT_EQ(p[1], c.y);
        EXPECT_FLOAT_EQ(p[2], c.z);
    }
}

TEST(FurSettings, ObjectToMoveSelectsItsTransform) {
    FurSettings s;
    s.objectToMove = LIGHT_OBJECT;
    EXPECT_EQ(&selectedTransform(s), &s.lightTransform);
    s.objectToMove = HAIR_VOLUME_OBJECT;
    EXPECT_EQ(&selectedTransform(s), &s.hairVolumeTransform);
    s.objectToMove = 99;
    EXPECT_EQ(&selectedTransform(s), &s.modelTransform);
}
