// The painting benchmark. See painting_bench.h. Relies on the same mouse
// handlers as pelage's window, fed positions along a loop over the model in
// the middle of the view, and on the camera's own orbit for the drag it is
// compared with.
#include "headless/painting_bench.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "app/camera.h"
#include "app/painting.h"
#include "app/viewport.h"
#include "core/fur_settings.h"
#include "groom/brush.h"
#include "groom/groom.h"
#include "headless/render_context.h"
#include "render/brush_outline.h"
#include "render/groom_textures.h"

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> times) {
    if (times.empty()) return 0;
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

constexpr int leftButton = 0, buttonDown = 0, buttonUp = 1;
constexpr int eventsPerBrush = 200;
constexpr int framePairs = 30;

ViewRays benchView() {
    return {eyePoint, lookAtPoint, upVector, static_cast<float>(viewFieldOfView),
            {0, 0, renderContext.width, renderContext.height}, renderContext.height};
}

// Event i of a drag around a loop a fifth of the view across, about the
// view's middle: a few pixels a step, as a hand drags.
void dragPoint(int i, int& x, int& y) {
    float angle = 0.02f * static_cast<float>(i);
    x = static_cast<int>(renderContext.width * (0.5f + 0.2f * std::cos(angle)));
    y = static_cast<int>(renderContext.height * (0.55f + 0.15f * std::sin(angle)));
}

// The median cost of one drag event of `kind`, the upload of what it
// painted included, over a stroke of eventsPerBrush events; `hits` counts
// the events that met the model.
double dabMilliseconds(BrushKind kind, int& hits) {
    activeBrush = kind;
    int x, y;
    dragPoint(0, x, y);
    paintButtonEvent(leftButton, buttonDown, x, y, benchView());
    // The first frame makes and uploads the maps the brush paints.
    prepareGroomForFrame();
    std::vector<double> times;
    for (int i = 1; i <= eventsPerBrush; ++i) {
        dragPoint(i, x, y);
        Clock::time_point start = Clock::now();
        paintMotionEvent(x, y, benchView());
        prepareGroomForFrame();
        glFinish();
        times.push_back(millisecondsSince(start));
        hits += brushOutline.shown;
    }
    paintButtonEvent(leftButton, buttonUp, x, y, benchView());
    return median(times);
}

}  // namespace

void benchPainting(void (*finishFrame)()) {
    const FurSettings settings = furSettings;
    const BrushKind brush = activeBrush;
    std::printf("brush dab, one mouse event (pick, dabs, upload):\n");
    struct Dab {
        int kind;
        float radius;
    } dabs[] = {{BRUSH_LENGTH, settings.brushRadius}, {BRUSH_DENSITY, settings.brushRadius},
                {BRUSH_COMB, settings.brushRadius},   {BRUSH_COLOUR, settings.brushRadius},
                {BRUSH_SMOOTH, settings.brushRadius}, {BRUSH_ERASE, settings.brushRadius},
                {BRUSH_LENGTH, 0.3f},                 {BRUSH_SMOOTH, 0.3f}};
    for (const Dab& dab : dabs) {
        furSettings.brushRadius = dab.radius;
        int hits = 0;
        double cost = dabMilliseconds(static_cast<BrushKind>(dab.kind), hits);
        std::printf("  %-8s radius %-4g       %8.3f ms  (%d of %d events on the model; target <= 5 ms: %s)\n",
                    brushLabels[dab.kind], dab.radius, cost, hits, eventsPerBrush, cost <= 5 ? "met" : "NOT met");
    }
    furSettings.brushRadius = settings.brushRadius;

    // Frames after a brush drag event, each beside a frame after a camera
    // drag event: a busy machine slows both alike.
    for (BrushKind kind : {BRUSH_LENGTH, BRUSH_COMB}) {
        activeBrush = kind;
        std::vector<double> paintTimes, cameraTimes;
        int x, y;
        dragPoint(0, x, y);
        paintButtonEvent(leftButton, buttonDown, x, y, benchView());
        finishFrame();
        for (int i = 1; i <= framePairs; ++i) {
            Clock::time_point start = Clock::now();
            dragPoint(i * 3, x, y);
            paintMotionEvent(x, y, benchView());
            finishFrame();
            paintTimes.push_back(millisecondsSince(start));
            start = Clock::now();
            // Back and forth, so the view stays where the brush paints.
            cameraOrbit(i % 2 ? 4.0f : -4.0f, 0.0f);
            finishFrame();
            cameraTimes.push_back(millisecondsSince(start));
        }
        paintButtonEvent(leftButton, buttonUp, x, y, benchView());
        double paint = median(paintTimes), camera = median(cameraTimes), ratio = paint / camera;
        std::printf("median frame, %-6s drag:  %8.1f ms  over %d frames (%.2fx the %.1f ms of camera drag frames "
                    "between; target <= 1.1x: %s)\n",
                    brushNames[kind], paint, framePairs, ratio, camera, ratio <= 1.1 ? "met" : "NOT met");
    }

    while (groomHistory.undo(groom)) {
    }
    groomHistory.clear();
    GroomMap none[GROOM_MAP_COUNT];
    setGroomMaps(none);
    activeBrush = brush;
    furSettings = settings;
}
