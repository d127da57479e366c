// The process-wide generator: a 64-bit counter stepped by the golden-ratio
// increment and scrambled by the splitmix64 finaliser. The finaliser matters
// here because the fin drawing seeds with consecutive triangle indices: the
// first draws after seeds 0, 1, 2, ... must not be visibly related.
#include "fur/random.h"

#include <cstdint>

namespace {

constexpr std::uint64_t step = 0x9E3779B97F4A7C15ull;
std::uint64_t generatorState = 1;  // the state a fresh process starts from

int scramble(std::uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<int>(z >> 49);  // the top 15 bits: 0..32767
}

}  // namespace

int randomDraw() {
    generatorState += step;
    return scramble(generatorState);
}

void seedRandom(unsigned seed) { generatorState = seed; }

int seededDraw(unsigned seed, int index) {
    // The state only ever advances by `step`, so the draw after `index` others
    // is found by one multiplication.
    return scramble(seed + (static_cast<std::uint64_t>(index) + 1) * step);
}
