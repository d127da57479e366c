// The control panel without a window: its table, the start values, what each
// change clamps, rebuilds and redraws (counted through the panel's seams), and
// object switching, driven through the real ImGui widgets by queued input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/control_panel.h"
#include "app/look_session.h"
#include "core/fur_settings.h"
#include "groom/brush.h"
#include "tests/support/headless_panel.h"

namespace {

std::vector<std::string> calls;

void installCountingSeams() {
    calls.clear();
    PanelRebuilds rebuilds;
    rebuilds.generateHairPatch = [] { calls.push_back("patch"); };
    rebuilds.regenerateShellTextures = [] { calls.push_back("shells"); };
    rebuilds.synthesizeFinTexture = [](float density) { calls.push_back("fin " + std::to_string(density).substr(0, 4)); };
    rebuilds.recolourTextures = [](float density) { calls.push_back("recolour " + std::to_string(density).substr(0, 4)); };
    rebuilds.buildIlluminationMap = [] { calls.push_back("lighting"); };
    rebuilds.rebuildMesh = [] { calls.push_back("mesh"); };
    rebuilds.turnModelUp = [] { calls.push_back("up"); };
    setPanelRebuilds(rebuilds);
    PanelHost host;
    host.enterMainContext = [] { calls.push_back("enter"); };
    host.leaveMainContext = [] { calls.push_back("leave"); };
    host.redisplayMain = [] { calls.push_back("redisplay"); };
    host.redisplayPanel = [] { calls.push_back("sync"); };
    setPanelHost(host);
}

class ControlPanel : public ::testing::Test {
protected:
    void SetUp() override {
        furSettings = FurSettings{};
        initControlBindings();
        installCountingSeams();
    }
    void TearDown() override {
        setPanelRebuilds({});
        setPanelHost({});
    }
};

const PanelControl& control(const std::string& label, int occurrence = 0) {
    for (int i = 0; i < panelControlCount; ++i)
        if (label == panelControls[i].label && occurrence-- == 0) return panelControls[i];
    throw std::runtime_error("no control " + label);
}

bool sameTransform(const ObjectTransform& a, const ObjectTransform& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

using K = ControlKind;
using C = ControlCallback;

struct ExpectedRow {
    K kind;
    const char* label;
    void* field;
    float min, max, speed;
    int id;
    C callback;
};

TEST(ControlTable, ListsEveryControlInThePanelsOrderWithItsFieldLimitsSpeedIdAndCallback) {
    FurSettings& f = furSettings;
    const ExpectedRow expected[] = {
        {K::FloatSpinner, "Fin Height", &f.finHeight, 0, 5, 0.1f, -1, C::None},
        {K::FloatSpinner, "Shell Height", &f.shellHeight, 0, 5, 0.1f, -1, C::None},
        {K::IntSpinner, "numHairs", &f.numHairs, 1, 10000, 3, -1, C::GenerateHairPatch},
        {K::FloatSpinner, "Fin Scaling Factor", &f.finScalingFactor, 0.1f, 40, 10, -1, C::None},
        {K::FloatSpinner, "Shell Texture Scale", &f.shellTextureScale, 0.1f, 20, 10, -1, C::None},
        {K::IntSpinner, "Number of Shells", &f.numShells, 0, 100, 1, -1, C::RegenerateShellTextures},
        {K::Checkbox, "Alpha Blend Fins", &f.alphaBlendFins, 0, 1, 1, -1, C::None},
        {K::Checkbox, "Draw Shell Box", &f.drawShellBox, 0, 1, 1, -1, C::None},
        {K::Checkbox, "Draw Fin Box", &f.drawFinBox, 0, 1, 1, -1, C::None},
        {K::Checkbox, "Draw Shells", &f.drawShells, 0, 1, 1, -1, C::None},
        {K::Checkbox, "Draw Fins", &f.drawFins, 0, 1, 1, -1, C::None},
        {K::StaticText, "Hair Color", nullptr, 0, 0, 1, -1, C::None},
        {K::FloatSpinner, "Red", &f.hairColor[0], 0, 1, 1, 0, C::ColorChanged},
        {K::FloatSpinner, "Green", &f.hairColor[1], 0, 1, 1, 0, C::ColorChanged},
        {K::FloatSpinner, "Blue", &f.hairColor[2], 0, 1, 1, 0, C::ColorChanged},
        {K::StaticText, "Skin Color", nullptr, 0, 0, 1, -1, C::None},
        {K::FloatSpinner, "Red", &f.skinColor[0], 0, 1, 1, 0, C::ColorChanged},
        {K::FloatSpinner, "Green", &f.skinColor[1], 0, 1, 1, 0, C::ColorChanged},
        {K::FloatSpinner, "Blue", &f.skinColor[2], 0, 1, 1, 0, C::ColorChanged},
        {K::FloatSpinner, "min Shadow", &f.minShadow, 0, 1, 1, -1, C::None},
        {K::FloatSpinner, "Fin Density", &f.finDensity, 0, 1, 1, FIN_DENSITY_ID, C::ColorChanged},
        {K::FloatSpinner, "Pd", &f.diffuseExponent, 0, 2000, 0.3f, 0, C::BuildIlluminationMap},
        {K::FloatSpinner, "Ps", &f.specularExponent, 0, 2000, 0.3f, 0, C::BuildIlluminationMap},
        {K::Checkbox, "Generated Tex Coords", &f.generatedTexCoords, 0, 1, 1, -1, C::RebuildMesh},
        {K::IntSpinner, "Triangle Budget", &f.triangleBudget, 0, 10000000, 100, -1, C::RebuildMesh},
        {K::FloatSpinner, "Shell LOD", &f.shellLod, 0, 32, 1, -1, C::None},
        {K::StaticText, "", nullptr, 0, 0, 1, -1, C::None},
    };
    ASSERT_EQ(panelControlCount, static_cast<int>(std::size(expected)));
    for (int i = 0; i < panelControlCount; ++i) {
        const PanelControl& c = panelControls[i];
        const ExpectedRow& e = expected[i];
        SCOPED_TRACE(std::to_string(i) + " " + e.label);
        EXPECT_EQ(c.kind, e.kind);
        EXPECT_STREQ(c.label, e.label);
        void* field = c.floatField ? static_cast<void*>(c.floatField) : static_cast<void*>(c.intField);
        EXPECT_EQ(field, e.field);
        if (e.kind == K::FloatSpinner || e.kind == K::IntSpinner) {
            EXPECT_FLOAT_EQ(c.min, e.min);
            EXPECT_FLOAT_EQ(c.max, e.max);
            EXPECT_FLOAT_EQ(c.speed, e.speed);
        }
        EXPECT_EQ(c.id, e.id);
        EXPECT_EQ(c.callback, e.callback);
    }
    EXPECT_NE(FIN_DENSITY_ID, 0);
    EXPECT_NE(FIN_DENSITY_ID, -1);
}

TEST_F(ControlPanel, StartsWithTheDocumentedValuesAndTheModelSelected) {
    // The panel build assigns these; start from values it must overwrite.
    furSettings.hairColor[1] = 0.25f;
    furSettings.lightTransform.translateY = -3;
    furSettings.objectToMove = LIGHT_OBJECT;
    furSettings.modelTransform.rotation[1] = 0.5f;
    initControlBindings();

    const FurSettings& f = furSettings;
    EXPECT_FLOAT_EQ(f.finHeight, 0.07f);
    EXPECT_FLOAT_EQ(f.shellHeight, 0.04f);
    EXPECT_EQ(f.numHairs, 3000);
    EXPECT_FLOAT_EQ(f.finScalingFactor, 10);
    EXPECT_FLOAT_EQ(f.shellTextureScale, 4);
    EXPECT_EQ(f.numShells, 32);
    EXPECT_EQ(f.alphaBlendFins, 1);
    EXPECT_EQ(f.drawShellBox, 0);
    EXPECT_EQ(f.drawFinBox, 0);
    EXPECT_EQ(f.drawShells, 1);
    EXPECT_EQ(f.drawFins, 1);
    EXPECT_FLOAT_EQ(f.hairColor[0], 1);
    EXPECT_FLOAT_EQ(f.hairColor[1], 0.6f);
    EXPECT_FLOAT_EQ(f.hairColor[2], 0);
    EXPECT_FLOAT_EQ(f.skinColor[0], 1);
    EXPECT_FLOAT_EQ(f.skinColor[1], 0.8f);
    EXPECT_FLOAT_EQ(f.skinColor[2], 0.5f);
    EXPECT_FLOAT_EQ(f.minShadow, 0.1f);
    EXPECT_FLOAT_EQ(f.finDensity, 0.02f);
    EXPECT_FLOAT_EQ(f.diffuseExponent, 3);
    EXPECT_FLOAT_EQ(f.specularExponent, 32);
    EXPECT_EQ(f.objectToMove, MODEL_OBJECT);
    float light[3], hair[3];
    objectPosition(f.lightTransform, light);
    objectPosition(f.hairVolumeTransform, hair);
    EXPECT_EQ(std::vector<float>(light, light + 3), (std::vector<float>{5, 5, 2}));
    EXPECT_EQ(std::vector<float>(hair, hair + 3), (std::vector<float>{0, 1, 0}));
    // The rotation ball resets the matrix it is bound to.
    EXPECT_TRUE(sameTransform(f.modelTransform, ObjectTransform{}));
    EXPECT_EQ(rotationControl.matrix, f.modelTransform.rotation);
    EXPECT_EQ(translateXZControl.values, f.modelTransform.translateXZ);
    EXPECT_EQ(translateYControl.values, &f.modelTransform.translateY);
    EXPECT_FLOAT_EQ(translateXZControl.speed, 0.1f);
    EXPECT_FLOAT_EQ(translateYControl.speed, 0.1f);
    EXPECT_TRUE(calls.empty()) << "building the bindings rebuilds nothing";
}

TEST_F(ControlPanel, EachChangeRebuildsExactlyItsTexturesInOrderInTheMainContextThenRedraws) {
    struct Case {
        const char* label;
        int occurrence;
        std::vector<std::string> expected;
    } cases[] = {
        {"numHairs", 0, {"enter", "patch", "leave", "redisplay"}},
        {"Number of Shells", 0, {"enter", "shells", "leave", "redisplay"}},
        {"Red", 0, {"enter", "recolour 0.02", "leave", "redisplay"}},
        {"Blue", 1, {"enter", "recolour 0.02", "leave", "redisplay"}},
        {"Fin Density", 0, {"enter", "fin 0.02", "leave", "redisplay"}},
        {"Pd", 0, {"enter", "lighting", "leave", "redisplay"}},
        {"Ps", 0, {"enter", "lighting", "leave", "redisplay"}},
        {"Generated Tex Coords", 0, {"enter", "mesh", "leave", "redisplay"}},
        {"Triangle Budget", 0, {"enter", "mesh", "leave", "redisplay"}},
        {"Shell Height", 0, {"redisplay"}},
        {"min Shadow", 0, {"redisplay"}},
        {"Draw Fins", 0, {"redisplay"}},
    };
    for (const Case& c : cases) {
        calls.clear();
        controlChanged(control(c.label, c.occurrence));
        EXPECT_EQ(calls, c.expected) << c.label;
    }
}

TEST_F(ControlPanel, ColorChangedTellsFinDensityFromTheColourSpinners) {
    furSettings.finDensity = 0.5f;
    colorChanged(0);
    EXPECT_EQ(calls, (std::vector<std::string>{"recolour 0.50"}));
    calls.clear();
    colorChanged(FIN_DENSITY_ID);
    EXPECT_EQ(calls, (std::vector<std::string>{"fin 0.50"}));
}

TEST_F(ControlPanel, ATextureRebuildIsTimedForTheFootLine) {
    panelStats = {};
    controlChanged(control("Fin Density"));
    EXPECT_GE(panelStats.rebuildMilliseconds, 0);
    EXPECT_STREQ(panelStats.rebuildWhat, "fin");
    panelStats = {};
    controlChanged(control("numHairs"));
    EXPECT_LT(panelStats.rebuildMilliseconds, 0) << "a new patch rebuilds no texture in the callback";
    controlChanged(control("Number of Shells"));
    EXPECT_LT(panelStats.rebuildMilliseconds, 0) << "nor does a new shell count: the next frame does";
    controlChanged(control("Green"));
    EXPECT_STREQ(panelStats.rebuildWhat, "recolour");
}

TEST(PanelStatsLine, ShowsFrameTimeRateAndLastRebuild) {
    EXPECT_EQ(formatPanelStats({}), "Frame -\nTextures not rebuilt yet");
    EXPECT_EQ(formatPanelStats({20, 153.4, "fin + shells"}), "Frame 20.0 ms (50.0 fps)\nRebuild 153 ms: fin + shells");
    EXPECT_EQ(formatPanelStats({95, -1, "", 14, 32}), "Frame 95.0 ms (10.5 fps), 14 of 32 shells\nTextures not rebuilt yet");
}

// --- Through the widgets -------------------------------------------------------------

TEST_F(ControlPanel, TypedValuesAreClampedToTheLimits) {
    headless::Panel panel;
    struct Case {
        const char* label;
        const char* typed;
        int expected;
    } cases[] = {
        {"numHairs", "20000", 10000},
        {"numHairs", "0", 1},
        {"numHairs", "1234", 1234},
        {"Number of Shells", "0", 0},
        {"Number of Shells", "250", 100},
    };
    for (const Case& c : cases) {
        calls.clear();
        panel.typeInto(c.label, c.typed);
        const PanelControl& spinner = control(c.label);
        EXPECT_EQ(*spinner.intField, c.expected) << c.label << " typed " << c.typed;
        std::string rebuild = spinner.callback == C::GenerateHairPatch ? "patch" : "shells";
        EXPECT_EQ(std::count(calls.begin(), calls.end(), rebuild), 1) << c.label << " typed " << c.typed;
        EXPECT_TRUE(panel.passedKeys.empty()) << "typed keys stay in the panel";
    }
    calls.clear();
    panel.typeInto("Fin Density", "7.5");
    EXPECT_FLOAT_EQ(furSettings.finDensity, 1);
    EXPECT_EQ(calls, (std::vector<std::string>{"enter", "fin 1.00", "leave", "redisplay"}));
}

TEST_F(ControlPanel, DraggedValuesStopAtTheLimitsAndFollowTheSpeeds) {
    headless::Panel panel;
    panel.drag("Fin Density", 400, 0);
    EXPECT_FLOAT_EQ(furSettings.finDensity, 1);
    panel.drag("Shell Height", -400, 0);
    EXPECT_FLOAT_EQ(furSettings.shellHeight, 0);

    // The same drag moves a coarse spinner a hundred times as far as a fine one.
    float finHeight = furSettings.finHeight, scaling = furSettings.finScalingFactor;
    panel.drag("Fin Height", 60, 0);
    panel.drag("Fin Scaling Factor", 60, 0);
    float fine = furSettings.finHeight - finHeight, coarse = furSettings.finScalingFactor - scaling;
    ASSERT_GT(fine, 0);
    EXPECT_NEAR(coarse / fine, 100, 10);
}

TEST_F(ControlPanel, AClickQueuedAsPressAndReleaseTogetherStillTogglesOnce) {
    headless::Panel panel;
    panel.click("Draw Fins");
    EXPECT_EQ(furSettings.drawFins, 0);
    EXPECT_EQ(calls, (std::vector<std::string>{"redisplay"}));
    panel.click("Draw Fins");
    EXPECT_EQ(furSettings.drawFins, 1);
}

TEST_F(ControlPanel, KeysGoToTheViewUnlessAFieldIsBeingTyped) {
    headless::Panel panel;
    panel.type("a");
    EXPECT_EQ(panel.passedKeys, (std::vector<unsigned char>{'a'}));
    panel.typeInto("Pd", "5");
    EXPECT_EQ(panel.passedKeys, (std::vector<unsigned char>{'a'}));
    EXPECT_FLOAT_EQ(furSettings.diffuseExponent, 5);
}

TEST_F(ControlPanel, SwitchingTheObjectMovesNothingAndRepointsTheThreeControls) {
    headless::Panel panel;
    furSettings.modelTransform.translateXZ[0] = 0.25f;
    furSettings.modelTransform.rotation[0] = -1;
    const FurSettings before = furSettings;

    panel.click("Object to move");
    panel.click("Object to move/Light");
    EXPECT_EQ(furSettings.objectToMove, LIGHT_OBJECT);
    EXPECT_TRUE(sameTransform(furSettings.modelTransform, before.modelTransform));
    EXPECT_TRUE(sameTransform(furSettings.lightTransform, before.lightTransform));
    EXPECT_TRUE(sameTransform(furSettings.hairVolumeTransform, before.hairVolumeTransform));
    EXPECT_EQ(rotationControl.matrix, furSettings.lightTransform.rotation);
    EXPECT_EQ(translateXZControl.values, furSettings.lightTransform.translateXZ);
    EXPECT_EQ(translateYControl.values, &furSettings.lightTransform.translateY);
    EXPECT_NE(std::find(calls.begin(), calls.end(), "redisplay"), calls.end());

    // The pad now moves the light, and only the light.
    panel.drag("Translate XZ", 50, -30);
    EXPECT_NEAR(furSettings.lightTransform.translateXZ[0], 5 + 50 * 0.01f, 0.06f);
    EXPECT_NEAR(furSettings.lightTransform.translateXZ[1], 2 + 30 * 0.01f, 0.06f);
    EXPECT_FLOAT_EQ(furSettings.lightTransform.translateY, 5);
    EXPECT_TRUE(sameTransform(furSettings.modelTransform, before.modelTransform));
    const ObjectTransform movedLight = furSettings.lightTransform;

    panel.click("Object to move");
    panel.click("Object to move/Model");
    EXPECT_EQ(furSettings.objectToMove, MODEL_OBJECT);
    EXPECT_TRUE(sameTransform(furSettings.modelTransform, before.modelTransform));
    EXPECT_TRUE(sameTransform(furSettings.lightTransform, movedLight));
    EXPECT_EQ(translateXZControl.values, furSettings.modelTransform.translateXZ);
}

TEST_F(ControlPanel, ObjectToMoveChangedWritesOnlyTheScratchVariables) {
    furSettings.hairVolumeTransform.rotation[5] = -1;
    furSettings.objectToMove = HAIR_VOLUME_OBJECT;
    const FurSettings before = furSettings;
    objectToMoveChanged(-1);
    EXPECT_TRUE(sameTransform(furSettings.modelTransform, before.modelTransform));
    EXPECT_TRUE(sameTransform(furSettings.hairVolumeTransform, before.hairVolumeTransform));
    EXPECT_EQ(std::memcmp(scratchRotation, before.hairVolumeTransform.rotation, sizeof scratchRotation), 0);
    EXPECT_FLOAT_EQ(scratchTranslateY, 1);
    EXPECT_EQ(rotationControl.matrix, furSettings.hairVolumeTransform.rotation);
    EXPECT_EQ(calls, (std::vector<std::string>{"sync"}));
}

TEST_F(ControlPanel, TheRotationBallTurnsOnlyTheSelectedObject) {
    headless::Panel panel;
    furSettings.objectToMove = LIGHT_OBJECT;
    objectToMoveChanged(-1);
    panel.drag("Rotation", 30, 0);
    EXPECT_TRUE(sameTransform(furSettings.modelTransform, ObjectTransform{}));
    // A drag to the right turns about the vertical axis: the front follows
    // the pointer, so the z axis tips towards +x.
    EXPECT_LT(furSettings.lightTransform.rotation[0], 0.99f);
    EXPECT_GT(furSettings.lightTransform.rotation[8], 0.1f);
    EXPECT_NEAR(furSettings.lightTransform.rotation[5], 1, 1e-4);
}

TEST_F(ControlPanel, TheUpAxisListTurnsTheModelInTheMainContextAndTimesIt) {
    headless::Panel panel;
    PanelRect budget{}, list{};
    ASSERT_TRUE(panel.rect("Triangle Budget", &budget) && panel.rect("Up Axis", &list));
    EXPECT_GT(list.y0, budget.y1) << "below the rows that were there before";
    EXPECT_EQ(furSettings.upAxis, UP_AXIS_FILE);

    panel.click("Up Axis");
    panel.click("Up Axis/Z");
    EXPECT_EQ(furSettings.upAxis, UP_AXIS_Z);
    EXPECT_EQ(calls, (std::vector<std::string>{"enter", "up", "leave", "redisplay"}));
    EXPECT_STREQ(panelStats.rebuildWhat, "mesh");

    calls.clear();
    panel.click("Up Axis");
    panel.click("Up Axis/Z");
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "up"), 0) << "the axis already up turns nothing";
    panel.click("Up Axis");
    panel.click("Up Axis/From the file");
    EXPECT_EQ(furSettings.upAxis, UP_AXIS_FILE);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "up"), 1);
}

TEST_F(ControlPanel, EveryControlIsDrawnInOrderWithinThePanel) {
    headless::Panel panel;
    float previousBottom = 0;
    for (const char* label : {"Object", "Rotation", "Object to move", "Fin Height", "Number of Shells", "Draw Fins",
                              "Hair Color/Red", "Skin Color/Blue", "Ps", "Stats"}) {
        PanelRect r{};
        ASSERT_TRUE(panel.rect(label, &r)) << label;
        EXPECT_GE(r.y0, previousBottom - 1) << label;
        EXPECT_LE(r.x1, panelWidth) << label;
        previousBottom = r.y1;
    }
    PanelRect ball{}, pad{}, padY{};
    ASSERT_TRUE(panel.rect("Rotation", &ball) && panel.rect("Translate XZ", &pad) && panel.rect("Translate Y", &padY));
    EXPECT_FLOAT_EQ(ball.y0, pad.y0) << "the ball and the pads side by side";
    EXPECT_LT(ball.x1, pad.x0);
    EXPECT_LT(pad.x1, padY.x0);
}

TEST_F(ControlPanel, TheDynamicsSectionOpensBelowEverythingAndEditsTheMotionWithoutRebuilds) {
    // Tall enough for the open section above the foot line pinned at the bottom.
    headless::Panel panel(panelWidth, 1400);
    PanelRect ps{}, header{}, stats{}, probe{};
    ASSERT_TRUE(panel.rect("Ps", &ps) && panel.rect("Dynamics", &header));
    EXPECT_GT(header.y0, ps.y1) << "below the controls that were there before";
    EXPECT_FALSE(panel.rect("Gravity", &probe)) << "closed at start";

    panel.click("Dynamics");
    ASSERT_TRUE(dynamicsRolloutOpen);
    float previousBottom = header.y1;
    for (const char* label : {"Enable Dynamics", "Gravity", "Wind Strength", "Wind Direction", "X", "Z",
                              "Wind Frequency", "Spring Stiffness", "Spring Damping", "Stats"}) {
        PanelRect r{};
        ASSERT_TRUE(panel.rect(label, &r)) << label;
        EXPECT_GE(r.y0, previousBottom - 1) << label;
        previousBottom = r.y1;
    }
    ASSERT_TRUE(panel.rect("Stats", &stats));

    calls.clear();
    panel.click("Enable Dynamics");
    panel.drag("Gravity", 40, 0);
    panel.typeInto("Z", "-5");
    EXPECT_EQ(furSettings.dynamics, 1);
    EXPECT_NEAR(furSettings.gravity, 40 * 0.1f * 0.01f, 0.005f) << "a fine spinner";
    EXPECT_EQ(furSettings.windDirection[2], -1.0f) << "clamped to its limits";
    for (const std::string& call : calls) EXPECT_EQ(call, "redisplay");
    EXPECT_FALSE(calls.empty());
    dynamicsRolloutOpen = false;
}

// The Groom section: below Dynamics and closed at start; its list chooses
// the brush, its spinners clamp, and "Undo" takes a stroke back.
TEST_F(ControlPanel, TheGroomSectionChoosesTheBrushAndUndoesAStroke) {
    // Tall enough for the open section above the foot line pinned at the bottom.
    headless::Panel panel(panelWidth, 1400);
    PanelRect dynamics{}, header{}, probe{};
    ASSERT_TRUE(panel.rect("Dynamics", &dynamics) && panel.rect("Groom", &header));
    EXPECT_GT(header.y0, dynamics.y1);
    EXPECT_FALSE(panel.rect("Radius", &probe)) << "closed at start";
    panel.click("Groom");
    ASSERT_TRUE(groomRolloutOpen);
    float previousBottom = header.y1;
    for (const char* label : {"Brush", "Radius", "Strength", "Value", "Colour", "Groom/Undo", "Stats"}) {
        PanelRect r{};
        ASSERT_TRUE(panel.rect(label, &r)) << label;
        EXPECT_GE(r.y0, previousBottom - 1) << label;
        previousBottom = r.y1;
    }
    panel.click("Brush");
    panel.click("Brush/Comb");
    EXPECT_EQ(activeBrush, BRUSH_COMB);
    panel.typeInto("Value", "7");
    EXPECT_EQ(furSettings.brushValue, 1.0f) << "clamped to its limits";

    std::string error;
    ASSERT_TRUE(preparePaintMaps(groom, BRUSH_LENGTH, error));
    const std::vector<std::uint16_t> before = groom.maps[LENGTH_MAP].image.values;
    Brush brush;
    brush.kind = BRUSH_LENGTH;
    const float centre[3] = {0, 0, 0};
    applyDab(groom, brush, centre, nullptr, groomHistory.beginStroke(groom));
    groomHistory.endStroke();
    ASSERT_NE(groom.maps[LENGTH_MAP].image.values, before);
    panel.click("Groom/Undo");
    EXPECT_EQ(groom.maps[LENGTH_MAP].image.values, before);
    groomRolloutOpen = false;
    activeBrush = BRUSH_OFF;
    groom = Groom{};
    groomHistory.clear();
}

}  // namespace

// "Load Look" reads a look as --look does, over the start values; a look that
// cannot be used changes nothing and the status line says why.
TEST_F(ControlPanel, LoadLookUsesAGoodLookAndABadOneChangesNothing) {
    headless::Panel panel(panelWidth, 1400);
    std::string good = testing::TempDir() + "/panel-good.look", bad = testing::TempDir() + "/panel-bad.look";
    std::ofstream(good) << "numShells = 12\nhairColor = 0.2,0.4,0.9\n";
    std::ofstream(bad) << "numShells = 12\nshellHeight = -1\n";
    furSettings.finHeight = 0.5f;
    panel.typeInto("Look Path", bad);
    EXPECT_EQ(furSettings.numShells + furSettings.finHeight, 32.5f);
    EXPECT_EQ(lookStatus.rfind("Look not loaded: " + bad + ":2: bad value", 0), 0u) << lookStatus;
    calls.clear();
    panel.typeInto("Look Path", good);
    EXPECT_EQ(furSettings.numShells + furSettings.hairColor[2] + furSettings.finHeight, 12 + 0.9f + 0.07f)
        << "what the look leaves out is the start value";
    EXPECT_EQ(lookFile, good) << "Save Look writes back to it";
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "patch") + std::count(calls.begin(), calls.end(), "lighting"), 2);
    lookFile.clear(), lookStatus.clear();
}
