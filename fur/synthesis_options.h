// How the texture synthesis sends the strands, and the call that restores the
// view afterwards. Both are set from outside: the application installs its
// reshape callback; tests and benchmarks switch to the plain drawing to
// compare it with the batched one.
#pragma once

#include "fur/view_restore.h"

enum class StrandSubmission {
    Batched,    // one vertex-array draw per texture, invisible segments left out
    Immediate,  // glBegin/glEnd per ribbon piece, every vertex sent
};

void setStrandSubmission(StrandSubmission submission);
StrandSubmission strandSubmission();
