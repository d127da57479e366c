// The synthesis options and the installed view restorer.
#include "fur/synthesis_options.h"

namespace {
StrandSubmission submission = StrandSubmission::Batched;
ViewRestorer viewRestorer = nullptr;
}  // namespace

void setStrandSubmission(StrandSubmission value) { submission = value; }
StrandSubmission strandSubmission() { return submission; }

void setViewRestorer(ViewRestorer restore) { viewRestorer = restore; }

void restoreView() {
    if (viewRestorer) viewRestorer(0, 0);
}
