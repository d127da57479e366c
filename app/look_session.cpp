// The look in use and its saving. See look_session.h. Relies on core's look
// files and PNG files, and on the command line for the save directory.
#include "app/look_session.h"

#include <algorithm>
#include <filesystem>

#include "app/command_line.h"
#include "core/fatal_error.h"
#include "core/fur_settings.h"
#include "core/png_file.h"
#include "groom/groom.h"

namespace fs = std::filesystem;

Look lookInUse;
std::string lookFile;
std::string lookStatus;

namespace {

// Looks' maps go to the groom, all or nothing.
std::string loadGroomMapsOfLook(const std::string mapPaths[GROOM_MAP_COUNT], int* failedMap) {
    std::string paths[GROOM_MAP_COUNT], error;
    std::copy_n(mapPaths, GROOM_MAP_COUNT, paths);
    GroomMapKind failed = LENGTH_MAP;
    if (loadGroomMaps(paths, error, failed)) return "";
    *failedMap = failed;
    return error;
}

}  // namespace

void readStartupLook(const char* program, const std::vector<LookOption>& options) {
    // Installed first, so that reading the look only looks at its map files
    // and the groom reads each once, once the model is there to judge them.
    setGroomMapLoader(loadGroomMapsOfLook);
    Look look = lookInUse;
    look.settings = furSettings;
    std::string error;
    if (!applyLookOptions(options, look, error)) fatalError(stderr, 2, "%s: %s\n", program, error.c_str());
    lookInUse = look;
    for (const LookOption& option : options)
        if (option.kind == LookOption::LOOK) lookFile = option.value;
}

void useStartupLook() {
    // The first frame builds the textures for whatever settings it meets.
    bool dirty = furSettings.texturesDirty;
    furSettings = lookInUse.settings;
    furSettings.texturesDirty = dirty;
}

void loadStartupLookMaps(const char* program) {
    std::string error;
    if (!loadLookMaps(lookInUse, error)) fatalError(stderr, 2, "%s: %s\n", program, error.c_str());
}

std::string lookSavePath(const std::string& directory) {
    if (!lookFile.empty()) return lookFile;
    return directory.empty() ? "pelage.look" : (fs::path(directory) / "pelage.look").string();
}

std::string pictureSavePath(const std::string& lookPath) {
    fs::path look(lookPath);
    std::string stem = look.stem().empty() ? "pelage" : look.stem().string();
    std::error_code ignored;
    for (int number = 1;; ++number) {
        fs::path picture = look.parent_path() / (stem + "-" + std::to_string(number) + ".png");
        if (!fs::exists(picture, ignored)) return picture.string();
    }
}

namespace {

// File names of painted maps: "fox.look" paints "fox-length.png" and so on.
constexpr const char* paintedMapSuffixes[GROOM_MAP_COUNT] = {"length", "density", "direction", "color"};

// Writes the maps painted since they were read or saved beside the look,
// before the look names them; `paths` becomes the maps the look names.
bool savePaintedMaps(const std::string& lookPath, std::string (&paths)[GROOM_MAP_COUNT], std::string& error) {
    fs::path look(lookPath);
    std::string stem = look.stem().empty() ? "pelage" : look.stem().string();
    for (int k = 0; k < GROOM_MAP_COUNT; ++k) {
        if (!groom.edited[k] || !groom.maps[k].present()) continue;
        std::string path = (look.parent_path() / (stem + "-" + paintedMapSuffixes[k] + ".png")).string();
        if (!writeMapImage(path, groom.maps[k].image, error)) return false;
        paths[k] = path;
    }
    return true;
}

}  // namespace

bool saveLookInUse() {
    std::string path = lookSavePath(saveDirectory), error;
    std::string paths[GROOM_MAP_COUNT];
    std::copy_n(lookInUse.mapPaths, GROOM_MAP_COUNT, paths);
    bool saved = savePaintedMaps(path, paths, error) && writeLook(path, furSettings, paths, error);
    if (saved) {
        for (int k = 0; k < GROOM_MAP_COUNT; ++k) {
            lookInUse.mapPaths[k] = paths[k];
            groom.maps[k].path = paths[k];
            groom.edited[k] = false;
        }
    }
    lookStatus = saved ? "Saved look " + path : "Look not saved: " + error;
    return saved;
}

namespace {

void copySetting(FurSettings& to, FurSettings& from, const SettingField& field) {
    switch (field.kind) {
    case SettingKind::Floats: std::copy_n(settingFloats(from, field), field.count, settingFloats(to, field)); break;
    case SettingKind::Int:
    case SettingKind::Flag: *settingInt(to, field) = *settingInt(from, field); break;
    case SettingKind::Bool: *settingBool(to, field) = *settingBool(from, field); break;
    case SettingKind::Transform: *settingTransform(to, field) = *settingTransform(from, field); break;
    }
}

}  // namespace

bool loadLookInUse(const std::string& path) {
    // The look's settings over the values pelage starts with; what a look
    // does not hold (the brush, the selected object) stays as it is.
    Look look;
    for (const SettingField& field : furSettingFields) {
        if (field.panelAssigns) assignSettingDefault(look.settings, field);
        if (!isLookSetting(field)) copySetting(look.settings, furSettings, field);
    }
    std::string error;
    if (path.empty()) error = "no file named";
    else if (readLook(path, look, error)) loadLookMaps(look, error) && (error.clear(), true);
    if (!error.empty()) {
        lookStatus = "Look not loaded: " + error;
        return false;
    }
    lookInUse = look;
    lookFile = path;
    furSettings = look.settings;
    furSettings.texturesDirty = true;
    lookStatus = "Loaded look " + path;
    return true;
}

bool saveViewPicture(const RgbImage& view) {
    std::string path = pictureSavePath(lookSavePath(saveDirectory)), error;
    bool saved = writePng(path, view, error);
    lookStatus = saved ? "Saved picture " + path : "Picture not saved: " + error;
    return saved;
}
