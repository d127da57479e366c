// The process-wide generator: range, repeatability, independence of seeds.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "fur/random.h"

namespace {

std::vector<int> drawsAfterSeed(unsigned seed, int count) {
    seedRandom(seed);
    std::vector<int> draws(count);
    for (int& draw : draws) draw = randomDraw();
    return draws;
}

TEST(Random, DrawsCoverTheWholeRangeUniformly) {
    const std::vector<int> draws = drawsAfterSeed(7, 200000);
    EXPECT_EQ(*std::min_element(draws.begin(), draws.end()), 0);
    EXPECT_EQ(*std::max_element(draws.begin(), draws.end()), randomDrawMax);
    // Eight equal bins each get an eighth, within 2 %.
    int bins[8] = {};
    for (int draw : draws) ++bins[draw / 4096];
    for (int count : bins) EXPECT_NEAR(count, 25000, 500);
}

TEST(Random, SameSeedRepeatsTheSequenceAndOtherSeedsDiffer) {
    EXPECT_EQ(drawsAfterSeed(42, 100), drawsAfterSeed(42, 100));
    EXPECT_NE(drawsAfterSeed(42, 100), drawsAfterSeed(43, 100));
}

TEST(Random, FirstDrawsAfterConsecutiveSeedsLookIndependent) {
    // The fin drawing seeds with triangle indices 0, 1, 2, ...
    std::vector<int> firsts;
    for (unsigned seed = 0; seed < 1000; ++seed) firsts.push_back(drawsAfterSeed(seed, 1)[0]);
    EXPECT_GT(std::set<int>(firsts.begin(), firsts.end()).size(), 980u);
    int rises = 0;
    for (size_t i = 1; i < firsts.size(); ++i) rises += firsts[i] > firsts[i - 1];
    EXPECT_NEAR(rises, 500, 60);  // neither sorted nor alternating
}

TEST(Random, ASeededDrawIsKnownInAdvanceWithoutDisturbingTheSequence) {
    const unsigned seeds[] = {0, 1, 69665, 4000000000u};
    for (unsigned seed : seeds) {
        const std::vector<int> draws = drawsAfterSeed(seed, 5);
        seedRandom(99);
        int next = drawsAfterSeed(99, 1)[0];
        seedRandom(99);
        for (int i = 0; i < 5; ++i) EXPECT_EQ(seededDraw(seed, i), draws[static_cast<size_t>(i)]) << seed << "," << i;
        EXPECT_EQ(randomDraw(), next) << "the process-wide sequence is left alone";
    }
}

}  // namespace
