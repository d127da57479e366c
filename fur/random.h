// The process-wide pseudo-random generator: integers uniformly in 0..32767.
// A small generator of our own, so a given seed gives the same fur on every
// platform (the C library's rand has another range and sequence elsewhere).
// The hair patch draws from it without seeding it; the fin drawing reseeds it
// per triangle with the triangle's index.
#pragma once

constexpr int randomDrawMax = 32767;

// The next draw, 0..32767.
int randomDraw();

// Restarts the sequence; the same seed always gives the same sequence.
void seedRandom(unsigned seed);

// The draw that follows `index` earlier ones after seedRandom(seed), worked out
// without touching the process-wide sequence: what a reseeding pass would get,
// known in advance.
int seededDraw(unsigned seed, int index);
