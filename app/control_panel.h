// The control panel: every fur setting live in a panel docked at the right of
// the main window. The controls are a table of data (label, bound field,
// limits, speed, id, callback); one ImGui frame draws the table from the
// fields' current values, and a change clamps the field, runs the control's
// callback with the main window's GL context current and asks the main window
// to redraw. The rebuilds and the GLUT side are reached through the two
// setters below, so the table and its change semantics run without a window.
#pragma once

#include <string>

#include "platform/panel_widgets.h"

// The id "Fin Density" fires with: colorChanged tells it from the colour
// spinners (id 0); -1 is the id of a control without one.
constexpr int FIN_DENSITY_ID = 1;
constexpr int NO_ID = -1;

enum class ControlKind { FloatSpinner, IntSpinner, Checkbox, StaticText };

// What a control's change runs, besides the redisplay every change requests.
enum class ControlCallback {
    None,
    GenerateHairPatch,
    RegenerateShellTextures,
    ColorChanged,
    BuildIlluminationMap,
    RebuildMesh,
};

struct PanelControl {
    ControlKind kind;
    const char* label;
    float* floatField;  // FloatSpinner
    int* intField;      // IntSpinner, Checkbox
    float min, max;     // spinners clamp to these
    float speed;        // 1 is the default; 0.1 ten times finer, 10 ten times coarser
    int id;
    ControlCallback callback;
};

// The controls below the "Object to move" list, in the panel's order.
extern const PanelControl panelControls[];
extern const int panelControlCount;

// The controls of the "Dynamics" section below all of those, in its order.
// The section is closed at start (dynamicsRolloutOpen).
extern const PanelControl dynamicsControls[];
extern const int dynamicsControlCount;

// The operations the changes rebuild with; null entries do nothing. The panel
// build installs the real ones; tests install counters.
struct PanelRebuilds {
    void (*generateHairPatch)() = nullptr;
    void (*regenerateShellTextures)() = nullptr;
    void (*synthesizeFinTexture)(float density) = nullptr;
    void (*recolourTextures)(float finDensity) = nullptr;  // fin and shells, for new colours
    void (*buildIlluminationMap)() = nullptr;
    void (*rebuildMesh)() = nullptr;  // the mesh as generatedTexCoords and triangleBudget ask
    void (*turnModelUp)() = nullptr;  // the model turned as upAxis asks, and its mesh rebuilt
};
void setPanelRebuilds(const PanelRebuilds& rebuilds);

// What a change needs from the windows: the main window's context around a
// callback, a redraw of the main window, a redraw of the panel, a picture of
// the view. Null entries do nothing.
struct PanelHost {
    void (*enterMainContext)() = nullptr;
    void (*leaveMainContext)() = nullptr;
    void (*redisplayMain)() = nullptr;
    void (*redisplayPanel)() = nullptr;
    // "Save Picture": a picture of the main window's next frame.
    void (*requestPicture)() = nullptr;
};
void setPanelHost(const PanelHost& host);

// The clip the "Animation" section shows and drives (render/mesh_animation.h),
// handed over once at start-up; nullptr (the default): no section.
struct MeshAnimation;
void setPanelAnimation(MeshAnimation* animation);

// The controls of the "Groom" section below "Dynamics", after its brush list:
// the brush's radius, strength and value. Its colour, "Undo", "Redo" and "Save
// Look" follow them. The section is closed at start (groomRolloutOpen).
extern const PanelControl groomControls[];
extern const int groomControlCount;

// The rows of the "Animation" section below "Groom", after its clip list,
// "Play"/"Pause" and "Loop": the clip's speed. Its time slider follows them.
extern const PanelControl animationControls[];
extern const int animationControlCount;

// The controls of the "Quality" section below "Groom": the settings that buy
// a better picture with frame time. Closed at start (qualityRolloutOpen).
extern const PanelControl qualityControls[];
extern const int qualityControlCount;

// Panel handles, kept for the callbacks. controlPanel is the GLUT id of the
// panel's sub-window (0 until it exists); objectRolloutOpen and
// dynamicsRolloutOpen are the states of the "Object" and "Dynamics" sections.
extern int controlPanel;
extern bool objectRolloutOpen;
extern bool dynamicsRolloutOpen;
extern bool groomRolloutOpen;
extern bool animationRolloutOpen;  // "Animation", below "Groom": the clip, Play/Pause, "Speed", "Loop", "Time"
extern bool qualityRolloutOpen;
extern RotationBall rotationControl;
extern TranslationPad translateXZControl;
extern TranslationPad translateYControl;

// Where the transform controls point for a moment while being re-pointed.
extern float scratchRotation[16];
extern float scratchTranslateXZ[2];
extern float scratchTranslateY;

// The panel's width in pixels.
constexpr int panelWidth = 290;

// Builds the panel's sub-window at the right of mainWindow and binds every
// control; leaves the main window current. Needs mainWindow.
void buildControlPanel();

// Callback of "Object to move": re-points the transform controls at the
// object now selected, without writing any object on the way. The id is ignored.
void objectToMoveChanged(int id);

// The items of the "Up Axis" list, drawn below the main table, in the order
// of upAxis's values.
extern const char* const upAxisNames[3];

// Callback of the colour spinners (id 0) and of "Fin Density"
// (FIN_DENSITY_ID): the fin and shell textures recoloured, or for
// FIN_DENSITY_ID the fin texture made again.
void colorChanged(int id);

// The start of the panel build that needs no window: the start values the
// build assigns, and the transform controls bound to the selected object.
void initControlBindings();

// A change of the control: clamps its field, runs its callback with its id in
// the main context, times any texture rebuild, asks the main window to redraw.
void controlChanged(const PanelControl& control);

// The panel's contents for one ImGui frame (between NewFrame and Render), in
// a window filling the display. Changes go through controlChanged and
// objectToMoveChanged.
void drawPanelControls();

// The panel's look, shared by the program and by tests that lay it out.
void styleControlPanel();

// Screen rectangle of a control as last drawn, by label; the labels of the
// colour spinners are qualified by their group ("Hair Color/Red"), and the
// list's items are known while the list is open ("Object to move/Light").
// False when the label was not drawn in the last frame.
struct PanelRect {
    float x0, y0, x1, y1;
};
bool panelItemRect(const std::string& label, PanelRect* rect);

// The read-only line at the foot of the panel.
struct PanelStats {
    double frameMilliseconds = 0;    // the last frame of the main window
    double rebuildMilliseconds = -1;  // the last texture rebuild; -1 before the first
    const char* rebuildWhat = "";
    int shellsDrawn = -1;  // layers the last frame drew, the skin included; -1: not known
    int shellCount = 0;    // of numShells
};
extern PanelStats panelStats;
std::string formatPanelStats(const PanelStats& stats);
