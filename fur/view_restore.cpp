// The installed view restorer. See view_restore.h.
#include "fur/view_restore.h"

namespace {
ViewRestorer viewRestorer = nullptr;
}

void setViewRestorer(ViewRestorer restore) { viewRestorer = restore; }

void restoreView() {
    if (viewRestorer) viewRestorer(0, 0);
}
