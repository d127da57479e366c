// The settings table, the panel and pelage-render's --set describe the same
// fields: every panel row edits a field of the table within the table's limits,
// --set accepts each field exactly up to those limits and writes the storage
// the panel edits, and the table's defaults are what a run starts with.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "app/control_panel.h"
#include "core/fur_settings.h"
#include "headless/render_options.h"

namespace {

// The table field whose storage holds `address`, and the component it is.
const SettingField* fieldHolding(const void* address, int* component) {
    for (const SettingField& field : furSettingFields) {
        auto* begin = static_cast<const char*>(field.address(furSettings));
        int size = field.kind == SettingKind::Floats ? field.count * static_cast<int>(sizeof(float)) : 1;
        auto* at = static_cast<const char*>(address);
        if (at >= begin && at < begin + size) {
            *component = static_cast<int>((at - begin) / sizeof(float));
            return &field;
        }
    }
    return nullptr;
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

// A value list of `count` copies of `value`, as --set takes it.
std::string values(double value, int count) {
    std::string list;
    for (int k = 0; k < count; ++k) list += (k ? "," : "") + number(value);
    return list;
}

bool accepts(const SettingField& field, double value) {
    FurSettings scratch;
    std::string error;
    return applyFurSetting(scratch, std::string(field.name) + "=" + values(value, field.count), error);
}

// Every row of the panel: the main table, then the "Dynamics" section.
std::vector<const PanelControl*> panelRows() {
    std::vector<const PanelControl*> rows;
    for (int i = 0; i < panelControlCount; ++i) rows.push_back(&panelControls[i]);
    for (int i = 0; i < dynamicsControlCount; ++i) rows.push_back(&dynamicsControls[i]);
    for (int i = 0; i < groomControlCount; ++i) rows.push_back(&groomControls[i]);
    for (int i = 0; i < animationControlCount; ++i) rows.push_back(&animationControls[i]);
    for (int i = 0; i < qualityControlCount; ++i) rows.push_back(&qualityControls[i]);
    return rows;
}

}  // namespace

TEST(SettingsAgreement, EveryPanelRowEditsATableFieldWithinItsLimits) {
    std::set<std::string> edited;
    for (const PanelControl* rowAddress : panelRows()) {
        const PanelControl& row = *rowAddress;
        SCOPED_TRACE(row.label);
        if (row.kind == ControlKind::StaticText) continue;
        const void* storage = row.floatField ? static_cast<const void*>(row.floatField) : row.intField;
        int component = 0;
        const SettingField* field = fieldHolding(storage, &component);
        ASSERT_NE(field, nullptr);
        edited.insert(field->name);
        EXPECT_FLOAT_EQ(row.min, field->min);
        EXPECT_FLOAT_EQ(row.max, field->max);
        SettingKind expected = row.kind == ControlKind::FloatSpinner ? SettingKind::Floats
                               : row.kind == ControlKind::IntSpinner ? SettingKind::Int
                                                                     : SettingKind::Flag;
        EXPECT_EQ(field->kind, expected);
    }
    // The rest are edited by the object section, by a list or not at all.
    std::set<std::string> notInRows = {"ambientColor",   "diffuseColor",        "specularColor", "modelTransform",
                                       "lightTransform", "hairVolumeTransform", "objectToMove",  "texturesDirty",
                                       "upAxis",         "brushColor",          "animationClip"};
    for (const SettingField& field : furSettingFields)
        EXPECT_NE(edited.count(field.name), notInRows.count(field.name)) << field.name;
}

TEST(SettingsAgreement, SetAcceptsEachFieldExactlyWithinTheTableLimits) {
    std::set<std::string> names;
    for (const SettingField& field : furSettingFields) {
        SCOPED_TRACE(field.name);
        names.insert(field.name);
        if (field.kind == SettingKind::Text) {
            FurSettings scratch;
            std::string error, longest(static_cast<std::size_t>(field.count - 1), 'a');
            EXPECT_TRUE(applyFurSetting(scratch, std::string(field.name) + "=" + longest, error)) << error;
            EXPECT_FALSE(applyFurSetting(scratch, std::string(field.name) + "=" + longest + "a", error));
            continue;
        }
        EXPECT_TRUE(accepts(field, field.min));
        EXPECT_TRUE(accepts(field, field.max));
        double step = field.kind == SettingKind::Floats || field.kind == SettingKind::Transform
                          ? std::fmax(1e-3, std::fabs(field.max) * 1e-3)
                          : 1;
        EXPECT_FALSE(accepts(field, field.min - step));
        EXPECT_FALSE(accepts(field, field.max + step));
    }
    EXPECT_EQ(names.size(), std::size(furSettingFields));
    EXPECT_EQ(furSettingNames().size(), std::size(furSettingFields));
}

TEST(SettingsAgreement, SetWritesTheStorageThePanelEdits) {
    for (const PanelControl* rowAddress : panelRows()) {
        const PanelControl& row = *rowAddress;
        if (row.kind == ControlKind::StaticText) continue;
        SCOPED_TRACE(row.label);
        int component = 0;
        const void* storage = row.floatField ? static_cast<const void*>(row.floatField) : row.intField;
        const SettingField& field = *fieldHolding(storage, &component);
        // A value in range that differs from the default in just this component.
        FurSettings before = furSettings;
        double value = field.kind == SettingKind::Floats ? (field.min + field.max) * 0.375 : field.max;
        std::string list;
        for (int k = 0; k < field.count; ++k) {
            double kept = row.floatField ? settingFloats(before, field)[k] : 0;
            list += (k ? "," : "") + number(k == component ? value : kept);
        }
        std::string error;
        ASSERT_TRUE(applyFurSetting(furSettings, std::string(field.name) + "=" + list, error)) << error;
        if (row.floatField)
            EXPECT_FLOAT_EQ(*row.floatField, static_cast<float>(value));
        else
            EXPECT_EQ(*row.intField, static_cast<int>(value));
        furSettings = before;
    }
}

TEST(SettingsAgreement, ARunStartsWithTheTableDefaults) {
    // The panel build assigns its defaults over whatever was there.
    furSettings = FurSettings{};
    for (const SettingField& field : furSettingFields) {
        if (!field.panelAssigns) continue;
        if (ObjectTransform* transform = settingTransform(furSettings, field))
            transform->translateXZ[0] = transform->translateXZ[1] = transform->translateY = -7;
        else
            std::memset(field.address(furSettings), 0x3f, sizeof(float) * field.count);
    }
    initControlBindings();
    for (const SettingField& field : furSettingFields) {
        SCOPED_TRACE(field.name);
        switch (field.kind) {
        case SettingKind::Floats:
            for (int k = 0; k < field.count; ++k) EXPECT_FLOAT_EQ(settingFloats(furSettings, field)[k], field.initial[k]);
            break;
        case SettingKind::Int:
        case SettingKind::Flag: EXPECT_EQ(*settingInt(furSettings, field), field.initial[0]); break;
        case SettingKind::Bool: EXPECT_EQ(*settingBool(furSettings, field), field.initial[0] != 0); break;
        case SettingKind::Text: EXPECT_STREQ(settingText(furSettings, field), ""); break;
        case SettingKind::Transform: {
            float position[3];
            objectPosition(*settingTransform(furSettings, field), position);
            for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(position[k], field.initial[k]);
        }
        }
    }
    furSettings = FurSettings{};
}
