// Shared set-up of the fur texture tests: a GL context in the state the frame
// display leaves for a synthesis, default settings, a patch from a fixed seed,
// and texture read-back.
#pragma once
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <vector>

struct Rgba {
    unsigned char r, g, b, a;
    bool operator==(const Rgba&) const = default;
};

class FurGlTest : public ::testing::Test {
public:
    void SetUp() override;
    void TearDown() override;

    // numHairs strands from a fixed seed.
    static void makePatch(int hairs, unsigned seed = 1);

    static std::vector<Rgba> readTexture(GLuint texture, int* width = nullptr, int* height = nullptr);

    static int restoreCalls;  // calls of the view restorer since SetUp
};

// Red, green, blue as an 8-bit target stores them (alpha given).
Rgba eightBit(const float rgb[3], unsigned char alpha);
