// The control panel's contents in an ImGui context without a window or GL:
// input goes through the same queue as the program's, frames run on demand,
// and controls are found by label where the panel drew them. Used by the
// panel's unit tests and, to place the pointer, by its end-to-end tests.
#pragma once

#include <imgui.h>

#include <string>
#include <vector>

#include "app/control_panel.h"

namespace headless {

class Panel {
public:
    // Tall enough for every section's header, all but "Object" closed, with
    // no scroll bar to narrow the rows.
    explicit Panel(float width = panelWidth, float height = 1100) {
        context_ = ImGui::CreateContext();
        ImGuiIO& io = ImGui::GetIO();
        io.IniFilename = nullptr;
        io.DisplaySize = ImVec2(width, height);
        io.DeltaTime = 1.0f / 60;
        unsigned char* pixels;
        int w, h;
        io.Fonts->GetTexDataAsRGBA32(&pixels, &w, &h);
        // The keys the GLUT backend maps and the typed entry needs.
        io.KeyMap[ImGuiKey_Enter] = 13;
        io.KeyMap[ImGuiKey_Backspace] = 8;
        io.KeyMap[ImGuiKey_Escape] = 27;
        io.KeyMap[ImGuiKey_Tab] = '\t';
        io.KeyMap[ImGuiKey_Delete] = 127;
        styleControlPanel();
        frame();
    }
    ~Panel() { ImGui::DestroyContext(context_); }
    Panel(const Panel&) = delete;
    Panel& operator=(const Panel&) = delete;

    // Keys the panel did not want, in order (the program hands them to the view).
    std::vector<unsigned char> passedKeys;

    void frame() {
        current = this;
        queue_.applyToImGui([] { return ImGui::GetIO().WantTextInput; },
                            [](unsigned char key) { current->passedKeys.push_back(key); });
        ImGui::NewFrame();
        drawPanelControls();
        ImGui::Render();
    }

    // Runs frames until every queued event has reached ImGui, plus two for
    // ImGui to settle, as the program does.
    void settle() {
        do frame();
        while (!queue_.empty());
        frame();
        frame();
    }

    void push(PanelInputEvent event) { queue_.push(event); }

    bool rect(const std::string& label, PanelRect* r) { return panelItemRect(label, r); }

    ImVec2 centre(const std::string& label) {
        PanelRect r{};
        if (!panelItemRect(label, &r)) return ImVec2(-1, -1);
        return ImVec2((r.x0 + r.x1) / 2, (r.y0 + r.y1) / 2);
    }

    void move(ImVec2 at) { push(event(PanelInputEvent::Move, at)); }

    void button(ImVec2 at, bool down, bool ctrl = false) {
        PanelInputEvent e = event(PanelInputEvent::Button, at);
        e.down = down;
        e.ctrl = ctrl;
        push(e);
    }

    // Press and release queued together, as GLUT may deliver them.
    void click(const std::string& label, bool ctrl = false) {
        ImVec2 at = centre(label);
        move(at);
        button(at, true, ctrl);
        button(at, false, ctrl);
        settle();
    }

    // A drag from the control's centre by (dx, dy) in `steps` moves, each
    // reaching ImGui in a frame of its own.
    void drag(const std::string& label, float dx, float dy, int steps = 10) {
        ImVec2 from = centre(label);
        move(from);
        button(from, true);
        settle();
        for (int i = 1; i <= steps; ++i) {
            move(ImVec2(from.x + dx * i / steps, from.y + dy * i / steps));
            frame();
        }
        button(ImVec2(from.x + dx, from.y + dy), false);
        settle();
    }

    void type(const std::string& text) {
        for (char c : text) {
            PanelInputEvent e;
            e.kind = PanelInputEvent::Key;
            e.code = static_cast<unsigned char>(c);
            e.down = true;
            push(e);
            e.down = false;
            push(e);
        }
        settle();
    }

    // Ctrl+click on a spinner, then the text and Enter.
    void typeInto(const std::string& label, const std::string& text) {
        click(label, true);
        type(text + "\r");
    }

private:
    static PanelInputEvent event(PanelInputEvent::Kind kind, ImVec2 at) {
        PanelInputEvent e;
        e.kind = kind;
        e.x = at.x;
        e.y = at.y;
        return e;
    }

    static inline Panel* current = nullptr;
    ImGuiContext* context_ = nullptr;
    PanelInputQueue queue_;
};

}  // namespace headless
