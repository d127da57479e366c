// The panel widgets Dear ImGui lacks, and the small pieces that make ImGui
// behave like a retained panel: a rotation ball (an arcball turning a bound
// 4 x 4 column-major rotation), translation pads (one or two bound values moved
// by the drag), clamped spinners, and a queue that hands GLUT's input to ImGui
// one button or key change per frame. Widgets edit the variables they are bound
// to in place and return true on the frame they change them; nothing here
// touches OpenGL. The arcball and pad arithmetic is plain and tested directly.
#pragma once

#include <deque>

// --- Arcball arithmetic ------------------------------------------------------

// The point of the unit sphere under a position relative to the ball's centre,
// y upward, for a ball of the given radius; positions outside the ball land on
// its rim (z = 0).
void arcballPoint(float x, float y, float radius, float point[3]);

// The column-major rotation that turns unit vector `from` onto unit vector `to`
// about their common normal; the identity when they (nearly) coincide.
void arcballRotation(const float from[3], const float to[3], float rotation[16]);

// rotation = turn x rotation, then re-orthonormalised, so thousands of small
// drags never let the matrix drift from a rotation.
void turnRotation(const float turn[16], float rotation[16]);

// --- Translation pad arithmetic ------------------------------------------------

enum class PadAxes { XY, Y };

// The world units one pixel of drag moves a pad at speed 1.
constexpr float padUnitsPerPixel = 0.1f;

// Moves the pad's values by a drag of (dx, dy) pixels, y downward on screen:
// an XY pad takes dx into values[0] and -dy into values[1], a Y pad takes -dy
// into values[0] (dragging up increases, as on the screen).
void movePadValues(PadAxes axes, float speed, float dx, float dy, float* values);

// --- Bound controls --------------------------------------------------------------

// A rotation ball bound to 16 floats. Re-pointing and setting follow the
// retained toolkit's calls, so switching the bound object can pass through a
// scratch variable without ever writing the object being left.
struct RotationBall {
    float* matrix = nullptr;
    void bind(float* target) { matrix = target; }
    void setValues(const float values[16]);  // copies into the bound matrix
    void reset();                             // the bound matrix becomes the identity
};

struct TranslationPad {
    float* values = nullptr;
    PadAxes axes = PadAxes::XY;
    float speed = 1;
    void bind(float* target) { values = target; }
    int valueCount() const { return axes == PadAxes::XY ? 2 : 1; }
    void setValues(const float* source);  // copies valueCount() values
};

// --- ImGui widgets -----------------------------------------------------------------

// A ball of the given diameter with its label below; true while a drag turned it.
bool rotationBallWidget(const char* label, RotationBall& ball, float diameter);
// A square pad with its label below; true while a drag moved it.
bool translationPadWidget(const char* label, TranslationPad& pad, float size);

// The value a spinner at speed 1 changes per pixel of drag.
constexpr float floatSpinnerUnitsPerPixel = 0.01f;
constexpr float intSpinnerUnitsPerPixel = 0.5f;

// Drag or ctrl+click to type; the value is clamped to [min, max] either way,
// and a bound value already outside the limits is left alone until edited.
bool floatSpinner(const char* label, float* value, float min, float max, float speed);
bool intSpinner(const char* label, int* value, int min, int max, float speed);

// --- Input hand-over -------------------------------------------------------------

// One GLUT input event of the panel's window, as ImGui needs it.
struct PanelInputEvent {
    enum Kind { Move, Button, Wheel, Key, Leave } kind = Move;
    float x = 0, y = 0;
    int button = 0;     // ImGui button: 0 left, 1 right, 2 middle
    bool down = false;  // Button and Key
    // Key: a character below 256, 256 + a GLUT special key above (the GLUT
    // backend's key map); Wheel: +1 or -1.
    int code = 0;
    bool ctrl = false, shift = false, alt = false;
};

// GLUT may deliver a press and its release between two redraws, and ImGui
// 1.86 only sees the state at each frame, so a quick click would be lost. The
// queue keeps events in order and hands ImGui every move but at most one
// button or key change per frame.
class PanelInputQueue {
public:
    void push(const PanelInputEvent& event) { events_.push_back(event); }
    bool empty() const { return events_.empty(); }
    // Applies events to ImGui's io up to and including the first button or key
    // change; keys for which `wantsKey` says no are handed to `passKey`
    // instead (the panel gives them to the main window when nothing is typed).
    void applyToImGui(bool (*wantsKey)(), void (*passKey)(unsigned char key));

private:
    std::deque<PanelInputEvent> events_;
};
