// The rotation ball, translation pads, spinners and input queue of the panel,
// over Dear ImGui's core (no OpenGL: ImGui's renderer draws what these record).
#include "platform/panel_widgets.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

#include "core/vector3.h"

namespace {

constexpr float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// Columns shorter than this are beyond repair.
constexpr float shortestColumn = 1e-6f;

// Gram-Schmidt on the three columns; a matrix too degenerate to repair becomes
// the identity, so the ball always hands on a rotation.
void orthonormalize(float m[16]) {
    float* c0 = m;
    float* c1 = m + 4;
    float* c2 = m + 8;
    bool ok = normalize3(c0, shortestColumn);
    if (ok) {
        float along = dot3(c0, c1);
        for (int i = 0; i < 3; ++i) c1[i] -= along * c0[i];
        ok = normalize3(c1, shortestColumn);
    }
    if (!ok) {
        std::memcpy(m, identity, sizeof identity);
        return;
    }
    cross3(c0, c1, c2);
}

// A point of the unit sphere, turned by the bound rotation, on the screen.
ImVec2 ballToScreen(const float* m, const float p[3], ImVec2 centre, float radius, float* depth) {
    float q[3];
    for (int row = 0; row < 3; ++row) q[row] = m[row] * p[0] + m[4 + row] * p[1] + m[8 + row] * p[2];
    *depth = q[2];
    return ImVec2(centre.x + radius * q[0], centre.y - radius * q[1]);
}

// Three great circles of the turned sphere, the far halves fainter: enough to
// see how the bound object is turned.
void drawBall(ImDrawList* draw, const float* matrix, ImVec2 centre, float radius, bool active) {
    draw->AddCircleFilled(centre, radius, ImGui::GetColorU32(active ? ImGuiCol_FrameBgActive : ImGuiCol_FrameBg), 48);
    draw->AddCircle(centre, radius, ImGui::GetColorU32(ImGuiCol_Border), 48, 1.5f);
    const float* m = matrix ? matrix : identity;
    constexpr int segments = 48;
    for (int circle = 0; circle < 3; ++circle) {
        ImVec2 previous;
        float previousDepth = 0;
        for (int i = 0; i <= segments; ++i) {
            float angle = 2.0f * 3.14159265f * i / segments;
            float a = std::cos(angle), b = std::sin(angle);
            float p[3] = {circle == 0 ? 0 : a, circle == 1 ? 0 : (circle == 0 ? a : b), circle == 2 ? 0 : b};
            float depth;
            ImVec2 point = ballToScreen(m, p, centre, radius * 0.92f, &depth);
            if (i > 0) {
                bool front = depth + previousDepth >= 0;
                ImU32 colour = ImGui::GetColorU32(ImGuiCol_Text, front ? 0.9f : 0.25f);
                draw->AddLine(previous, point, colour, front ? 1.5f : 1.0f);
            }
            previous = point;
            previousDepth = depth;
        }
    }
}

void drawArrow(ImDrawList* draw, ImVec2 from, ImVec2 to, ImU32 colour) {
    draw->AddLine(from, to, colour, 1.5f);
    float dx = to.x - from.x, dy = to.y - from.y;
    float length = std::sqrt(dx * dx + dy * dy);
    if (length < 1) return;
    dx /= length;
    dy /= length;
    constexpr float head = 5;
    draw->AddTriangleFilled(to, ImVec2(to.x - head * dx - head * dy, to.y - head * dy + head * dx),
                            ImVec2(to.x - head * dx + head * dy, to.y - head * dy - head * dx), colour);
}

void centredLabel(const char* label, float left, float width) {
    float textWidth = ImGui::CalcTextSize(label).x;
    ImGui::SetCursorScreenPos(ImVec2(left + std::max(0.0f, (width - textWidth) * 0.5f), ImGui::GetCursorScreenPos().y));
    ImGui::TextUnformatted(label);
}

// True once the item has been held for a frame: the frame of the press may
// already carry a move onto the widget, which must not count as a drag.
bool draggedThisFrame(ImVec2* delta) {
    if (!ImGui::IsItemActive() || ImGui::IsItemActivated()) return false;
    *delta = ImGui::GetIO().MouseDelta;
    return delta->x != 0 || delta->y != 0;
}

}  // namespace

void arcballPoint(float x, float y, float radius, float point[3]) {
    if (radius <= 0) {
        point[0] = point[1] = 0;
        point[2] = 1;
        return;
    }
    float nx = x / radius, ny = y / radius, squared = nx * nx + ny * ny;
    if (squared > 1) {
        float scale = 1.0f / std::sqrt(squared);
        point[0] = nx * scale;
        point[1] = ny * scale;
        point[2] = 0;
    } else {
        point[0] = nx;
        point[1] = ny;
        point[2] = std::sqrt(1 - squared);
    }
}

void arcballRotation(const float from[3], const float to[3], float rotation[16]) {
    std::memcpy(rotation, identity, sizeof identity);
    float axis[3];
    cross3(from, to, axis);
    float s = std::sqrt(dot3(axis, axis)), c = dot3(from, to);
    if (s < 1e-7f) return;
    for (float& component : axis) component /= s;
    // Rodrigues with cos = c and sin = s, read off the two unit vectors.
    float k[3][3] = {{0, -axis[2], axis[1]}, {axis[2], 0, -axis[0]}, {-axis[1], axis[0], 0}};
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            rotation[col * 4 + row] = (row == col ? c : 0) + (1 - c) * axis[row] * axis[col] + s * k[row][col];
}

void turnRotation(const float turn[16], float rotation[16]) {
    float product[16];
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row) {
            float sum = 0;
            for (int k = 0; k < 4; ++k) sum += turn[k * 4 + row] * rotation[col * 4 + k];
            product[col * 4 + row] = sum;
        }
    orthonormalize(product);
    std::memcpy(rotation, product, sizeof product);
}

void movePadValues(PadAxes axes, float speed, float dx, float dy, float* values) {
    float unit = padUnitsPerPixel * speed;
    if (axes == PadAxes::XY) {
        values[0] += dx * unit;
        values[1] -= dy * unit;
    } else {
        values[0] -= dy * unit;
    }
}

void RotationBall::setValues(const float values[16]) {
    if (matrix) std::memcpy(matrix, values, 16 * sizeof(float));
}

void RotationBall::reset() { setValues(identity); }

void TranslationPad::setValues(const float* source) {
    if (values) std::memcpy(values, source, static_cast<size_t>(valueCount()) * sizeof(float));
}

bool rotationBallWidget(const char* label, RotationBall& ball, float diameter) {
    ImGui::PushID(label);
    ImGui::BeginGroup();
    ImVec2 origin = ImGui::GetCursorScreenPos();
    ImGui::InvisibleButton("ball", ImVec2(diameter, diameter));
    float radius = diameter * 0.5f;
    ImVec2 centre(origin.x + radius, origin.y + radius);
    bool changed = false;
    ImVec2 delta;
    if (ball.matrix && draggedThisFrame(&delta)) {
        ImVec2 now = ImGui::GetIO().MousePos;
        float from[3], to[3], turn[16];
        arcballPoint(now.x - delta.x - centre.x, centre.y - (now.y - delta.y), radius, from);
        arcballPoint(now.x - centre.x, centre.y - now.y, radius, to);
        arcballRotation(from, to, turn);
        turnRotation(turn, ball.matrix);
        changed = true;
    }
    drawBall(ImGui::GetWindowDrawList(), ball.matrix, centre, radius, ImGui::IsItemActive());
    centredLabel(label, origin.x, diameter);
    ImGui::EndGroup();
    ImGui::PopID();
    return changed;
}

bool translationPadWidget(const char* label, TranslationPad& pad, float size) {
    ImGui::PushID(label);
    ImGui::BeginGroup();
    ImVec2 origin = ImGui::GetCursorScreenPos();
    ImGui::InvisibleButton("pad", ImVec2(size, size));
    bool changed = false;
    ImVec2 delta;
    if (pad.values && draggedThisFrame(&delta)) {
        movePadValues(pad.axes, pad.speed, delta.x, delta.y, pad.values);
        changed = true;
    }
    ImDrawList* draw = ImGui::GetWindowDrawList();
    ImVec2 corner(origin.x + size, origin.y + size), centre(origin.x + size * 0.5f, origin.y + size * 0.5f);
    draw->AddRectFilled(origin, corner, ImGui::GetColorU32(ImGui::IsItemActive() ? ImGuiCol_FrameBgActive : ImGuiCol_FrameBg), 4);
    draw->AddRect(origin, corner, ImGui::GetColorU32(ImGuiCol_Border), 4);
    ImU32 ink = ImGui::GetColorU32(ImGuiCol_Text);
    float reach = size * 0.38f;
    drawArrow(draw, centre, ImVec2(centre.x, centre.y - reach), ink);
    drawArrow(draw, centre, ImVec2(centre.x, centre.y + reach), ink);
    if (pad.axes == PadAxes::XY) {
        drawArrow(draw, centre, ImVec2(centre.x - reach, centre.y), ink);
        drawArrow(draw, centre, ImVec2(centre.x + reach, centre.y), ink);
    }
    centredLabel(label, origin.x, size);
    ImGui::EndGroup();
    ImGui::PopID();
    return changed;
}

namespace {

// Typed entry (ctrl+click) is applied once, when the typing ends, as a
// retained spinner does: ImGui alone would apply every keystroke, and a
// "numHairs" of 20000 would regenerate the patch for 2, 20, 200 and 2000 first.
struct TypedEntry {
    ImGuiID id = 0;
    double value = 0;
};
TypedEntry typedEntry;

template <typename T, typename Drag>
bool spinner(T* value, T min, T max, Drag drag) {
    ImGuiID id = ImGui::GetID("##spinner");  // stands for the spinner in the typed-entry record only
    bool wasTyping = typedEntry.id == id;
    T shown = wasTyping ? static_cast<T>(typedEntry.value) : *value;
    bool changed = drag(&shown);
    bool typing = ImGui::TempInputIsActive(ImGui::GetItemID());
    if (typing) {
        typedEntry = {id, static_cast<double>(shown)};
        return false;
    }
    if (wasTyping) {
        typedEntry = {};
        changed = shown != *value;
    }
    if (changed) *value = std::clamp(shown, min, max);
    return changed;
}

}  // namespace

bool floatSpinner(const char* label, float* value, float min, float max, float speed) {
    // Four significant digits: the start values read as they are set (0.07,
    // 3000, 32) and small drag steps still accumulate.
    ImGui::PushID(label);
    bool changed = spinner(value, min, max, [&](float* shown) {
        return ImGui::DragFloat(label, shown, floatSpinnerUnitsPerPixel * speed, min, max, "%.4g",
                                ImGuiSliderFlags_AlwaysClamp);
    });
    ImGui::PopID();
    return changed;
}

bool intSpinner(const char* label, int* value, int min, int max, float speed) {
    ImGui::PushID(label);
    bool changed = spinner(value, min, max, [&](int* shown) {
        return ImGui::DragInt(label, shown, intSpinnerUnitsPerPixel * speed, min, max, "%d",
                              ImGuiSliderFlags_AlwaysClamp);
    });
    ImGui::PopID();
    return changed;
}

namespace {

// GLUT reports ctrl+letter as 1..26 and letters in either case; the keys
// ImGui's shortcuts look for are the upper-case ones, as the GLUT backend maps.
void setKeyDown(ImGuiIO& io, int code, bool down) {
    if (code < 0 || code >= IM_ARRAYSIZE(io.KeysDown)) return;
    io.KeysDown[code] = down;
    if (code >= 1 && code <= 26) io.KeysDown[code - 1 + 'A'] = io.KeysDown[code - 1 + 'a'] = down;
    if (code >= 'a' && code <= 'z') io.KeysDown[code - 'a' + 'A'] = down;
    if (code >= 'A' && code <= 'Z') io.KeysDown[code - 'A' + 'a'] = down;
}

}  // namespace

void PanelInputQueue::applyToImGui(bool (*wantsKey)(), void (*passKey)(unsigned char key)) {
    ImGuiIO& io = ImGui::GetIO();
    while (!events_.empty()) {
        PanelInputEvent event = events_.front();
        events_.pop_front();
        switch (event.kind) {
        case PanelInputEvent::Move: io.MousePos = ImVec2(event.x, event.y); break;
        case PanelInputEvent::Leave: io.MousePos = ImVec2(-FLT_MAX, -FLT_MAX); break;
        case PanelInputEvent::Wheel:
            io.MousePos = ImVec2(event.x, event.y);
            io.MouseWheel += static_cast<float>(event.code);
            break;
        case PanelInputEvent::Button:
            io.MousePos = ImVec2(event.x, event.y);
            io.KeyCtrl = event.ctrl;
            io.KeyShift = event.shift;
            io.KeyAlt = event.alt;
            if (event.button >= 0 && event.button < 3) io.MouseDown[event.button] = event.down;
            return;
        case PanelInputEvent::Key:
            if (event.down && event.code < 256 && !(wantsKey && wantsKey())) {
                if (passKey) passKey(static_cast<unsigned char>(event.code));
                break;
            }
            io.KeyCtrl = event.ctrl;
            io.KeyShift = event.shift;
            io.KeyAlt = event.alt;
            if (event.down && event.code >= 32 && event.code < 127) io.AddInputCharacter(static_cast<unsigned>(event.code));
            setKeyDown(io, event.code, event.down);
            return;
        }
    }
}
