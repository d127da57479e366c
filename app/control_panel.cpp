// The control panel's table, its change semantics and its ImGui contents.
// Relies on the settings record and the panel widgets only: the rebuilds and
// the windows are reached through the calls that the panel's window side
// (control_panel_window.cpp) installs with setPanelRebuilds and setPanelHost.
#include "app/control_panel.h"

#include <imgui.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/command_line.h"
#include "app/look_session.h"
#include "core/fur_settings.h"
#include "groom/brush.h"
#include "render/mesh_animation.h"

namespace {

using Kind = ControlKind;
using Callback = ControlCallback;

// The table's field of that name; a misspelt name does not compile.
consteval const SettingField& field(std::string_view name) {
    int index = settingFieldIndex(name);
    if (index < 0) throw "no such setting";
    return furSettingFields[index];
}

// A spinner or checkbox for one value of a field: limits and storage come from
// the settings table; the row adds its label, speed, id and callback.
PanelControl settingRow(Kind kind, const char* label, const SettingField& setting, int component, float speed,
                        int id, Callback callback) {
    PanelControl row{kind, label, nullptr, nullptr, setting.min, setting.max, speed, id, callback};
    if (kind == Kind::FloatSpinner) row.floatField = settingFloats(furSettings, setting) + component;
    else row.intField = settingInt(furSettings, setting);
    return row;
}

PanelControl floatSpinnerRow(const char* label, const SettingField& setting, float speed, int id = NO_ID,
                             Callback callback = Callback::None) {
    return settingRow(Kind::FloatSpinner, label, setting, 0, speed, id, callback);
}

PanelControl intSpinnerRow(const char* label, const SettingField& setting, float speed, Callback callback) {
    return settingRow(Kind::IntSpinner, label, setting, 0, speed, NO_ID, callback);
}

PanelControl checkboxRow(const char* label, const SettingField& setting, Callback callback = Callback::None) {
    return settingRow(Kind::Checkbox, label, setting, 0, 1, NO_ID, callback);
}

// One component of a colour: every colour spinner fires with id 0.
PanelControl colorRow(const char* label, const SettingField& setting, int component) {
    return settingRow(Kind::FloatSpinner, label, setting, component, 1, 0, Callback::ColorChanged);
}

// One component of a vector that needs no rebuild.
PanelControl componentRow(const char* label, const SettingField& setting, int component, float speed) {
    return settingRow(Kind::FloatSpinner, label, setting, component, speed, NO_ID, Callback::None);
}

PanelControl textRow(const char* label) {
    return {Kind::StaticText, label, nullptr, nullptr, 0, 0, 1, NO_ID, Callback::None};
}

}  // namespace

const PanelControl panelControls[] = {
    floatSpinnerRow("Fin Height", field("finHeight"), 0.1f),
    floatSpinnerRow("Shell Height", field("shellHeight"), 0.1f),
    intSpinnerRow("numHairs", field("numHairs"), 3, Callback::GenerateHairPatch),
    floatSpinnerRow("Fin Scaling Factor", field("finScalingFactor"), 10),
    floatSpinnerRow("Shell Texture Scale", field("shellTextureScale"), 10),
    intSpinnerRow("Number of Shells", field("numShells"), 1, Callback::RegenerateShellTextures),
    checkboxRow("Alpha Blend Fins", field("alphaBlendFins")),
    checkboxRow("Draw Shell Box", field("drawShellBox")),
    checkboxRow("Draw Fin Box", field("drawFinBox")),
    checkboxRow("Draw Shells", field("drawShells")),
    checkboxRow("Draw Fins", field("drawFins")),
    textRow("Hair Color"),
    colorRow("Red", field("hairColor"), 0),
    colorRow("Green", field("hairColor"), 1),
    colorRow("Blue", field("hairColor"), 2),
    textRow("Skin Color"),
    colorRow("Red", field("skinColor"), 0),
    colorRow("Green", field("skinColor"), 1),
    colorRow("Blue", field("skinColor"), 2),
    floatSpinnerRow("min Shadow", field("minShadow"), 1),
    floatSpinnerRow("Fin Density", field("finDensity"), 1, FIN_DENSITY_ID, Callback::ColorChanged),
    floatSpinnerRow("Pd", field("diffuseExponent"), 0.3f, 0, Callback::BuildIlluminationMap),
    floatSpinnerRow("Ps", field("specularExponent"), 0.3f, 0, Callback::BuildIlluminationMap),
    // Added after the original controls, so that those keep their places.
    checkboxRow("Generated Tex Coords", field("generatedTexCoords"), Callback::RebuildMesh),
    intSpinnerRow("Triangle Budget", field("triangleBudget"), 100, Callback::RebuildMesh),
    floatSpinnerRow("Shell LOD", field("shellLod"), 1),
    textRow(""),
};
const int panelControlCount = static_cast<int>(sizeof panelControls / sizeof panelControls[0]);

const PanelControl dynamicsControls[] = {
    checkboxRow("Enable Dynamics", field("dynamics")),
    floatSpinnerRow("Gravity", field("gravity"), 0.1f),
    floatSpinnerRow("Wind Strength", field("windStrength"), 0.1f),
    textRow("Wind Direction"),
    componentRow("X", field("windDirection"), 0, 1),
    componentRow("Y", field("windDirection"), 1, 1),
    componentRow("Z", field("windDirection"), 2, 1),
    floatSpinnerRow("Wind Frequency", field("windFrequency"), 1),
    floatSpinnerRow("Spring Stiffness", field("springStiffness"), 100),
    floatSpinnerRow("Spring Damping", field("springDamping"), 10),
};
const int dynamicsControlCount = static_cast<int>(sizeof dynamicsControls / sizeof dynamicsControls[0]);

const PanelControl groomControls[] = {
    floatSpinnerRow("Radius", field("brushRadius"), 0.1f),
    floatSpinnerRow("Strength", field("brushStrength"), 1),
    floatSpinnerRow("Value", field("brushValue"), 1),
};
const int groomControlCount = static_cast<int>(sizeof groomControls / sizeof groomControls[0]);

const PanelControl animationControls[] = {
    floatSpinnerRow("Speed", field("animationSpeed"), 1),
};
const int animationControlCount = static_cast<int>(sizeof animationControls / sizeof animationControls[0]);

// Each takes effect at the next frame, which makes or drops what it needs.
const PanelControl qualityControls[] = {
    checkboxRow("Smooth Shells", field("smoothShells")),
    checkboxRow("Antialiasing", field("antialiasing")),
    checkboxRow("Fur Shadows", field("furShadows")),
    floatSpinnerRow("Rim Light", field("rimLight"), 1),
};
const int qualityControlCount = static_cast<int>(sizeof qualityControls / sizeof qualityControls[0]);

PanelStats panelStats;

const char* const upAxisNames[3] = {"From the file", "Y", "Z"};

int controlPanel = 0;
bool objectRolloutOpen = true;
bool dynamicsRolloutOpen = false;
bool groomRolloutOpen = false;
bool animationRolloutOpen = false;
bool qualityRolloutOpen = false;
RotationBall rotationControl;
TranslationPad translateXZControl;
TranslationPad translateYControl;

float scratchRotation[16];
float scratchTranslateXZ[2];
float scratchTranslateY;

namespace {

PanelRebuilds panelRebuilds;
PanelHost panelHost;
MeshAnimation* panelAnimation = nullptr;

void call(void (*hook)()) {
    if (hook) hook();
}

void generateHairPatchCallback(int) { call(panelRebuilds.generateHairPatch); }
void regenerateShellTexturesCallback(int) { call(panelRebuilds.regenerateShellTextures); }
void buildIlluminationMapCallback(int) { call(panelRebuilds.buildIlluminationMap); }
void rebuildMeshCallback(int) { call(panelRebuilds.rebuildMesh); }

struct CallbackInfo {
    void (*run)(int id);
    const char* rebuilds;  // what the texture rebuild it does is called; null: none
};

CallbackInfo callbackInfo(Callback callback, int id) {
    switch (callback) {
    case Callback::GenerateHairPatch: return {generateHairPatchCallback, nullptr};
    // A new shell count is rebuilt by the next frame, which times it.
    case Callback::RegenerateShellTextures: return {regenerateShellTexturesCallback, nullptr};
    case Callback::ColorChanged: return {colorChanged, id == FIN_DENSITY_ID ? "fin" : "recolour"};
    case Callback::BuildIlluminationMap: return {buildIlluminationMapCallback, "lighting"};
    case Callback::RebuildMesh: return {rebuildMeshCallback, "mesh"};
    case Callback::None: break;
    }
    return {nullptr, nullptr};
}

void clampField(const PanelControl& control) {
    if (control.kind == Kind::FloatSpinner && control.floatField)
        *control.floatField = std::clamp(*control.floatField, control.min, control.max);
    if (control.kind == Kind::IntSpinner && control.intField)
        *control.intField = std::clamp(*control.intField, static_cast<int>(control.min), static_cast<int>(control.max));
    if (control.kind == Kind::Checkbox && control.intField) *control.intField = *control.intField != 0;
}

void runInMainContext(void (*run)(int id), int id, const char* rebuilds) {
    call(panelHost.enterMainContext);
    auto start = std::chrono::steady_clock::now();
    run(id);
    auto end = std::chrono::steady_clock::now();
    call(panelHost.leaveMainContext);
    if (rebuilds) {
        panelStats.rebuildMilliseconds = std::chrono::duration<double, std::milli>(end - start).count();
        panelStats.rebuildWhat = rebuilds;
    }
}

// --- Where each control was drawn ----------------------------------------------

std::vector<std::pair<std::string, PanelRect>> drawnRects;

void noteRect(const std::string& label, ImVec2 min, ImVec2 max) {
    drawnRects.push_back({label, {min.x, min.y, max.x, max.y}});
}

void noteLastItem(const std::string& label) { noteRect(label, ImGui::GetItemRectMin(), ImGui::GetItemRectMax()); }

// Labels that repeat in a table (the colour components) are known by their
// group, the static text above them.
std::string rectLabel(const PanelControl* rows, int count, int index) {
    const char* label = rows[index].label;
    int uses = 0;
    for (int i = 0; i < count; ++i) uses += std::strcmp(rows[i].label, label) == 0;
    if (uses < 2) return label;
    for (int i = index - 1; i >= 0; --i)
        if (rows[i].kind == Kind::StaticText) return std::string(rows[i].label) + "/" + label;
    return label;
}

// --- The contents -----------------------------------------------------------------

constexpr float transformWidgetSize = 72;
constexpr const char* objectNames[] = {"Model", "Light", "Hair Volume"};

void transformChanged() { call(panelHost.redisplayMain); }

void drawObjectSection() {
    ImGui::SetNextItemOpen(objectRolloutOpen, ImGuiCond_Once);
    objectRolloutOpen = ImGui::CollapsingHeader("Object");
    noteLastItem("Object");
    if (!objectRolloutOpen) return;
    struct {
        const char* label;
        bool (*draw)(const char*);
    } widgets[] = {
        {"Rotation", [](const char* l) { return rotationBallWidget(l, rotationControl, transformWidgetSize); }},
        {"Translate XZ", [](const char* l) { return translationPadWidget(l, translateXZControl, transformWidgetSize); }},
        {"Translate Y", [](const char* l) { return translationPadWidget(l, translateYControl, transformWidgetSize); }},
    };
    bool first = true;
    for (auto& widget : widgets) {
        if (!first) ImGui::SameLine(0, 12);
        first = false;
        ImVec2 origin = ImGui::GetCursorScreenPos();
        if (widget.draw(widget.label)) transformChanged();
        noteRect(widget.label, origin, ImVec2(origin.x + transformWidgetSize, origin.y + transformWidgetSize));
    }
}

// A list of `count` items; true when another item was chosen, which
// `selected` then holds. Each item's rectangle is noted as "LABEL/ITEM".
bool drawList(const char* label, const char* const* names, int count, int& selected) {
    int shown = std::clamp(selected, 0, count - 1);
    bool open = ImGui::BeginCombo(label, names[shown]);
    noteLastItem(label);
    if (!open) return false;
    bool changed = false;
    for (int item = 0; item < count; ++item) {
        if (ImGui::Selectable(names[item], item == shown) && item != selected) {
            selected = item;
            changed = true;
        }
        noteLastItem(std::string(label) + "/" + names[item]);
    }
    ImGui::EndCombo();
    return changed;
}

// Below the main table, so that its rows keep their places; the rebuild it
// runs is timed like the mesh rows'.
void drawUpAxisList() {
    if (!drawList("Up Axis", upAxisNames, 3, furSettings.upAxis)) return;
    runInMainContext([](int) { call(panelRebuilds.turnModelUp); }, NO_ID, "mesh");
    call(panelHost.redisplayMain);
}

void drawObjectList() {
    if (!drawList("Object to move", objectNames, 3, furSettings.objectToMove)) return;
    runInMainContext(objectToMoveChanged, NO_ID, nullptr);
    call(panelHost.redisplayMain);
}

bool drawControl(const PanelControl& control) {
    switch (control.kind) {
    case Kind::FloatSpinner:
        return floatSpinner(control.label, control.floatField, control.min, control.max, control.speed);
    case Kind::IntSpinner:
        return intSpinner(control.label, control.intField, static_cast<int>(control.min), static_cast<int>(control.max),
                          control.speed);
    case Kind::Checkbox: {
        bool on = *control.intField != 0;
        if (!ImGui::Checkbox(control.label, &on)) return false;
        *control.intField = on ? 1 : 0;
        return true;
    }
    case Kind::StaticText: ImGui::TextUnformatted(control.label); return false;
    }
    return false;
}

// Whether rows i + 1 .. i + 3 are the three spinners of one colour.
bool headsColour(const PanelControl* rows, int count, int i) {
    if (rows[i].kind != Kind::StaticText || i + 3 >= count) return false;
    const PanelControl& red = rows[i + 1];
    return red.callback == Callback::ColorChanged && red.id == 0 && red.floatField &&
           rows[i + 2].floatField == red.floatField + 1 && rows[i + 3].floatField == red.floatField + 2;
}

// A swatch that opens a colour picker, on the line of the colour's heading;
// a pick changes the colour as its spinners would.
void drawColourPicker(const PanelControl* rows, int i) {
    const PanelControl& red = rows[i + 1];
    ImGui::SameLine();
    std::string id = std::string("##") + rows[i].label;
    if (ImGui::ColorEdit3(id.c_str(), red.floatField, ImGuiColorEditFlags_NoInputs | ImGuiColorEditFlags_Float)) {
        for (int c = 1; c < 3; ++c) clampField(rows[i + 1 + c]);
        controlChanged(red);
    }
    noteLastItem(std::string(rows[i].label) + "/Picker");
}

// Each row under an id of its own, its index in its table.
void drawRows(const PanelControl* rows, int count) {
    for (int i = 0; i < count; ++i) {
        ImGui::PushID(i);
        if (drawControl(rows[i])) controlChanged(rows[i]);
        noteLastItem(rectLabel(rows, count, i));
        if (headsColour(rows, count, i)) drawColourPicker(rows, i);
        ImGui::PopID();
    }
}

// A section's header, `open` at start; true (under the section's own id
// until closeSection) while it is open.
bool openSection(const char* label, bool& open) {
    ImGui::SetNextItemOpen(open, ImGuiCond_Once);
    open = ImGui::CollapsingHeader(label);
    noteLastItem(label);
    if (open) ImGui::PushID(label);
    return open;
}

void closeSection() { ImGui::PopID(); }

// Below everything else, so the controls above keep their places and ids.
void drawDynamicsSection() {
    if (!openSection("Dynamics", dynamicsRolloutOpen)) return;
    drawRows(dynamicsControls, dynamicsControlCount);
    closeSection();
}

void drawBrushList() {
    int brush = activeBrush;
    if (!drawList("Brush", brushLabels, BRUSH_COUNT, brush)) return;
    activeBrush = static_cast<BrushKind>(brush);
    // The outline shows or hides with the brush.
    call(panelHost.redisplayMain);
}

// A button of the Groom section that redraws the main window after it.
void groomButton(const char* label, bool (*action)()) {
    if (ImGui::Button(label)) {
        action();
        call(panelHost.redisplayMain);
        call(panelHost.redisplayPanel);
    }
    noteLastItem(std::string("Groom/") + label);
}

// Below "Dynamics", closed at start: the painting brush and its strokes.
void drawGroomSection() {
    if (!openSection("Groom", groomRolloutOpen)) return;
    drawBrushList();
    drawRows(groomControls, groomControlCount);
    // The fields take what the label leaves, so the three numbers show whole.
    float label = ImGui::CalcTextSize("Colour").x + ImGui::GetStyle().ItemInnerSpacing.x;
    ImGui::SetNextItemWidth(std::max(1.0f, ImGui::GetContentRegionAvail().x - label));
    if (ImGui::ColorEdit3("Colour", furSettings.brushColor, ImGuiColorEditFlags_Float)) {
        for (float& channel : furSettings.brushColor) channel = std::clamp(channel, 0.0f, 1.0f);
    }
    noteLastItem("Colour");
    groomButton("Undo", [] { return groomHistory.undo(groom) && (noteGroomChanged(), true); });
    ImGui::SameLine();
    groomButton("Redo", [] { return groomHistory.redo(groom) && (noteGroomChanged(), true); });
    ImGui::SameLine();
    groomButton("Save Look", saveLookInUse);
    closeSection();
}

// Below "Groom", closed at start: what the pictures may cost for looking better.
void drawQualitySection() {
    if (!openSection("Quality", qualityRolloutOpen)) return;
    drawRows(qualityControls, qualityControlCount);
    closeSection();
}

// The path typed for "Load Look".
char lookPathField[1024] = "";

// A look loaded from the panel: the textures, lighting and mesh made again for
// its settings, the pads pointed at its objects.
void loadLookFromPanel() {
    const FurSettings before = furSettings;
    if (loadLookInUse(lookPathField)) {
        runInMainContext(
            [](int) {
                call(panelRebuilds.generateHairPatch);
                call(panelRebuilds.buildIlluminationMap);
            },
            NO_ID, nullptr);
        if (furSettings.upAxis != before.upAxis)
            runInMainContext([](int) { call(panelRebuilds.turnModelUp); }, NO_ID, "mesh");
        else if (furSettings.generatedTexCoords != before.generatedTexCoords ||
                 furSettings.triangleBudget != before.triangleBudget)
            runInMainContext([](int) { call(panelRebuilds.rebuildMesh); }, NO_ID, "mesh");
        objectToMoveChanged(NO_ID);
        call(panelHost.redisplayMain);
    }
    call(panelHost.redisplayPanel);
}

// The clip list: "Bind Pose", then the file's clips by name. Choosing one
// starts it paused at its beginning.
void drawClipList(MeshAnimation& animation) {
    std::vector<const char*> names{"Bind Pose"};
    for (const AnimationClip& clip : animation.skin->clips) names.push_back(clip.name.c_str());
    int selected = animation.playback.clip + 1;
    if (!drawList("Clip", names.data(), static_cast<int>(names.size()), selected)) return;
    // The look keeps the clip by name; by number when the name is too long.
    const SettingField& field = furSettingFields[settingFieldIndex("animationClip")];
    std::string name = selected == 0 ? "" : names[static_cast<std::size_t>(selected)];
    if (!assignSettingText(furSettings, field, name.c_str()))
        assignSettingText(furSettings, field, std::to_string(selected - 1).c_str());
    chooseClip(animation, furSettings.animationClip);
    call(panelHost.redisplayMain);
}

// Below "Groom", closed at start: the clip, its playing and its time. Only a
// model with clips has the section; the panel of any other stays as it was.
void drawAnimationSection() {
    MeshAnimation* animation = panelAnimation;
    if (animation == nullptr || animation->skin == nullptr || animation->skin->clips.empty()) return;
    if (!openSection("Animation", animationRolloutOpen)) return;
    drawClipList(*animation);
    AnimationPlayback& playback = animation->playback;
    if (ImGui::Button(playback.playing ? "Pause" : "Play")) {
        toggleAnimationPlaying(*animation);
        call(panelHost.redisplayMain);
    }
    noteLastItem("Animation/Play");
    ImGui::SameLine();
    ImGui::Checkbox("Loop", &playback.loop);
    noteLastItem("Animation/Loop");
    drawRows(animationControls, animationControlCount);
    float duration = clipDuration(*animation);
    if (ImGui::SliderFloat("Time", &playback.time, 0.0f, duration, "%.2f s")) {
        playback.time = std::clamp(playback.time, 0.0f, duration);
        call(panelHost.redisplayMain);
    }
    noteLastItem("Animation/Time");
    closeSection();
}

// Below the settings: where the look goes, the two save buttons, what the
// last save or load did, and the look to load.
void drawLookSection() {
    ImGui::Separator();
    ImGui::TextWrapped("Look: %s%s", lookSavePath(saveDirectory).c_str(), lookUnsaved() ? " (unsaved)" : "");
    noteLastItem("Look");
    if (ImGui::Button("Save Look")) {
        saveLookInUse();
        call(panelHost.redisplayPanel);
    }
    noteLastItem("Save Look");
    ImGui::SameLine();
    if (ImGui::Button("Save Picture")) call(panelHost.requestPicture);
    noteLastItem("Save Picture");
    ImGui::SetNextItemWidth(std::max(1.0f, ImGui::GetContentRegionAvail().x - ImGui::CalcTextSize("Load Look").x -
                                                ImGui::GetStyle().FramePadding.x * 2 - ImGui::GetStyle().ItemSpacing.x));
    bool entered = ImGui::InputTextWithHint("##Look path", "look file", lookPathField, sizeof lookPathField,
                                            ImGuiInputTextFlags_EnterReturnsTrue);
    noteLastItem("Look Path");
    ImGui::SameLine();
    if (ImGui::Button("Load Look") || entered) loadLookFromPanel();
    noteLastItem("Load Look");
    if (!lookStatus.empty()) ImGui::TextWrapped("%s", lookStatus.c_str());
    noteLastItem("Status");
}

}  // namespace

void setPanelRebuilds(const PanelRebuilds& rebuilds) { panelRebuilds = rebuilds; }
void setPanelHost(const PanelHost& host) { panelHost = host; }
void setPanelAnimation(MeshAnimation* animation) { panelAnimation = animation; }

void initControlBindings() {
    // The panel build's own start values, before the transform controls are
    // bound to the selected object.
    for (const SettingField& setting : furSettingFields)
        if (setting.panelAssigns) assignSettingDefault(furSettings, setting);

    ObjectTransform& selected = selectedTransform(furSettings);
    rotationControl.bind(selected.rotation);
    rotationControl.reset();
    translateXZControl = {selected.translateXZ, PadAxes::XY, 0.1f};
    translateYControl = {&selected.translateY, PadAxes::Y, 0.1f};
}

void objectToMoveChanged(int) {
    ObjectTransform& target = selectedTransform(furSettings);
    rotationControl.bind(scratchRotation);
    rotationControl.setValues(target.rotation);
    rotationControl.bind(target.rotation);

    translateXZControl.bind(scratchTranslateXZ);
    translateXZControl.setValues(target.translateXZ);
    translateXZControl.bind(target.translateXZ);

    translateYControl.bind(&scratchTranslateY);
    scratchTranslateY = target.translateY;
    call(panelHost.redisplayPanel);
    translateYControl.setValues(&target.translateY);
    translateYControl.bind(&target.translateY);
}

void colorChanged(int id) {
    auto rebuild = id == FIN_DENSITY_ID ? panelRebuilds.synthesizeFinTexture : panelRebuilds.recolourTextures;
    if (rebuild) rebuild(furSettings.finDensity);
}

void controlChanged(const PanelControl& control) {
    clampField(control);
    CallbackInfo info = callbackInfo(control.callback, control.id);
    if (info.run) runInMainContext(info.run, control.id, info.rebuilds);
    call(panelHost.redisplayMain);
}

void styleControlPanel() {
    ImGui::StyleColorsLight();
    ImGuiStyle& style = ImGui::GetStyle();
    style.WindowRounding = 0;
    style.WindowBorderSize = 0;
    style.FrameBorderSize = 1;
}

void drawPanelControls() {
    drawnRects.clear();
    ImGuiIO& io = ImGui::GetIO();
    ImGui::SetNextWindowPos(ImVec2(0, 0));
    ImGui::SetNextWindowSize(io.DisplaySize);
    constexpr ImGuiWindowFlags flags = ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize |
                                       ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoCollapse |
                                       ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoBringToFrontOnFocus;
    ImGui::Begin("Control panel", nullptr, flags);
    // The controls scroll above the foot line, which stays in view: its two
    // lines, each of which may wrap once.
    ImGui::BeginChild("Controls", ImVec2(0, -(4 * ImGui::GetTextLineHeightWithSpacing() + 8)));
    // The labels sit right of the fields; the longest, "Shell Texture Scale",
    // needs about 135 pixels of the default font.
    ImGui::PushItemWidth(-140);
    drawObjectSection();
    drawObjectList();
    drawRows(panelControls, panelControlCount);
    drawUpAxisList();
    drawDynamicsSection();
    drawGroomSection();
    drawAnimationSection();
    drawQualitySection();
    ImGui::PopItemWidth();
    drawLookSection();
    ImGui::EndChild();
    ImGui::Separator();
    ImGui::PushStyleColor(ImGuiCol_Text, ImGui::GetStyle().Colors[ImGuiCol_TextDisabled]);
    ImGui::TextWrapped("%s", formatPanelStats(panelStats).c_str());
    ImGui::PopStyleColor();
    noteLastItem("Stats");
    ImGui::End();
}

bool panelItemRect(const std::string& label, PanelRect* rect) {
    for (const auto& [name, drawn] : drawnRects)
        if (name == label) {
            *rect = drawn;
            return true;
        }
    return false;
}

std::string formatPanelStats(const PanelStats& stats) {
    char text[200];
    int used = stats.frameMilliseconds > 0
                   ? std::snprintf(text, sizeof text, "Frame %.1f ms (%.1f fps)", stats.frameMilliseconds,
                                   1000.0 / stats.frameMilliseconds)
                   : std::snprintf(text, sizeof text, "Frame -");
    if (stats.frameMilliseconds > 0 && stats.shellsDrawn >= 0)
        used += std::snprintf(text + used, sizeof text - used, ", %d of %d shells", stats.shellsDrawn,
                              stats.shellCount);
    if (stats.rebuildMilliseconds < 0)
        std::snprintf(text + used, sizeof text - used, "\nTextures not rebuilt yet");
    else
        std::snprintf(text + used, sizeof text - used, "\nRebuild %.0f ms: %s", stats.rebuildMilliseconds,
                      stats.rebuildWhat);
    return text;
}
