// The view's area beside the panel. See viewport.h.
#include "app/viewport.h"

#include <algorithm>

int controlPanelWidth = 0;

ViewportArea viewportArea(int windowWidth, int windowHeight, int panelWidth) {
    int width = std::max(0, windowWidth - std::max(0, panelWidth));
    return {0, 0, width, std::max(0, windowHeight)};
}

double viewAspect(const ViewportArea& area) {
    if (area.width <= 0 || area.height <= 0) return 1.0;
    return static_cast<double>(area.width) / area.height;
}
