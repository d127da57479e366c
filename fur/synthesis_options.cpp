// How the synthesis sends its strands. See synthesis_options.h.
#include "fur/synthesis_options.h"

namespace {
StrandSubmission submission = StrandSubmission::Batched;
}

void setStrandSubmission(StrandSubmission value) { submission = value; }
StrandSubmission strandSubmission() { return submission; }
