// How the texture synthesis sends the strands. Tests and benchmarks switch to
// the plain drawing to compare it with the batched one.
#pragma once

enum class StrandSubmission {
    Batched,    // one vertex-array draw per texture, invisible segments left out
    Immediate,  // glBegin/glEnd per ribbon piece, every vertex sent
};

void setStrandSubmission(StrandSubmission submission);
StrandSubmission strandSubmission();
