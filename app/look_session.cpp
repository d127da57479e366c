// The look in use and its saving. See look_session.h. Relies on core's look
// files and PNG files, and on the command line for the save directory.
#include "app/look_session.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "app/command_line.h"
#include "core/fatal_error.h"
#include "core/fur_settings.h"
#include "core/png_file.h"
#include "core/settings_text.h"
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

void useModelOfLook(const char* program, bool modelGiven) {
    static std::string lookModel;
    if (lookInUse.modelPath.empty()) return;
    std::error_code ignored;
    if (!modelGiven) {
        lookModel = lookInUse.modelPath;
        modelPath = lookModel.c_str();
    } else if (!fs::equivalent(modelPath, lookInUse.modelPath, ignored) &&
               fs::absolute(modelPath, ignored).lexically_normal() != fs::path(lookInUse.modelPath).lexically_normal()) {
        std::fprintf(stderr, "%s: warning: the look was made for \"%s\"; --model \"%s\" is used instead.\n", program,
                     lookInUse.modelPath.c_str(), modelPath);
    }
}

void prepareSaveDirectory(const char* program, const std::string& directory) {
    if (directory.empty()) return;
    std::error_code failure;
    fs::create_directories(directory, failure);
    if (!failure && fs::is_directory(directory, failure)) return;
    fatalError(stderr, 2, "%s: can't use \"%s\" as the save directory: %s\n", program, directory.c_str(),
               failure ? failure.message().c_str() : "not a directory");
}

std::string lookSavePath(const std::string& directory) {
    if (!lookFile.empty()) return lookFile;
    std::string stem = fs::path(modelPath).stem().string();
    std::string name = (stem.empty() ? std::string("pelage") : stem) + ".look";
    return directory.empty() ? name : (fs::path(directory) / name).string();
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

namespace {

// The look written to `path` with the maps painted since the last save
// beside it; `paths` becomes the maps it names.
bool writeLookAndMaps(const std::string& path, std::string (&paths)[GROOM_MAP_COUNT], std::string& error) {
    std::copy_n(lookInUse.mapPaths, GROOM_MAP_COUNT, paths);
    return savePaintedMaps(path, paths, error) && writeLook(path, furSettings, paths, error, modelPath);
}

// The recovery look and the maps written beside it, gone once the work is saved.
void removeRecoveryLook(const std::string& lookPath) {
    std::string recovery = recoveryLookPath(lookPath);
    fs::path base = fs::path(recovery).parent_path(), stem = fs::path(recovery).stem();
    std::error_code ignored;
    fs::remove(recovery, ignored);
    for (const char* suffix : paintedMapSuffixes)
        fs::remove(base / (stem.string() + "-" + suffix + ".png"), ignored);
}

}  // namespace

bool saveLookInUse() {
    std::string path = lookSavePath(saveDirectory), error;
    std::string paths[GROOM_MAP_COUNT];
    bool saved = writeLookAndMaps(path, paths, error);
    if (saved) {
        for (int k = 0; k < GROOM_MAP_COUNT; ++k) {
            lookInUse.mapPaths[k] = paths[k];
            groom.maps[k].path = paths[k];
            groom.edited[k] = false;
        }
        markLookSaved();
        removeRecoveryLook(path);
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
    case SettingKind::Text: assignSettingText(to, field, settingText(from, field)); break;
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
    markLookSaved();
    lookStatus = "Loaded look " + path;
    return true;
}

// --- Keeping the work --------------------------------------------------------

namespace {

// What the last save or load left, and what the recovery look holds: the
// settings as a look's text, and how many groom changes there had been.
struct KeptWork {
    std::string savedSettings, recoveredSettings;
    long groomChanges = 0, recoveredGroomChanges = 0;
    double lastRecovery = -1, lastGroomChange = -1;
};
KeptWork kept;

std::string settingsText() {
    std::string text;
    for (const SettingField& field : furSettingFields)
        if (isLookSetting(field)) text += formatFurSetting(furSettings, field) + "\n";
    return text;
}

bool groomEdited() { return std::any_of(std::begin(groom.edited), std::end(groom.edited), [](bool e) { return e; }); }

}  // namespace

bool lookUnsaved() { return settingsText() != kept.savedSettings || groomEdited(); }

void markLookSaved() {
    kept.savedSettings = kept.recoveredSettings = settingsText();
    kept.recoveredGroomChanges = kept.groomChanges;
}

void noteGroomChanged() { ++kept.groomChanges; }

std::string recoveryLookPath(const std::string& lookPath) {
    fs::path path(lookPath);
    std::string stem = path.extension() == ".look" ? path.stem().string() : path.filename().string();
    return (path.parent_path() / (stem + ".recovered.look")).string();
}

bool saveRecoveryLook(std::string& path, std::string& error) {
    path = recoveryLookPath(lookSavePath(saveDirectory));
    std::string paths[GROOM_MAP_COUNT];
    if (!writeLookAndMaps(path, paths, error)) return false;
    kept.recoveredSettings = settingsText();
    kept.recoveredGroomChanges = kept.groomChanges;
    return true;
}

void keepUnsavedWork(double seconds) {
    if (kept.lastRecovery < 0) kept.lastRecovery = seconds;
    static long seenGroomChanges = 0;
    if (kept.groomChanges != seenGroomChanges) {
        seenGroomChanges = kept.groomChanges;
        kept.lastGroomChange = seconds;
    }
    if (!lookUnsaved()) return;
    bool groomNewer = kept.groomChanges != kept.recoveredGroomChanges;
    if (!groomNewer && settingsText() == kept.recoveredSettings) return;
    bool burstOver = groomNewer && seconds - kept.lastGroomChange >= 2.0;
    if (!burstOver && seconds - kept.lastRecovery < 60.0) return;
    kept.lastRecovery = seconds;
    std::string path, error;
    if (!saveRecoveryLook(path, error)) lookStatus = "Recovery look not written: " + error;
}

void reportRecoveryLook() {
    std::string look = lookSavePath(saveDirectory), recovery = recoveryLookPath(look);
    std::error_code missing;
    auto recovered = fs::last_write_time(recovery, missing);
    if (missing) return;
    auto saved = fs::last_write_time(look, missing);
    if (!missing && saved >= recovered) return;
    lookStatus = "Unsaved work was kept in " + recovery + ": pelage --look " + recovery + " restores it";
}

bool saveViewPicture(const RgbImage& view) {
    std::string path = pictureSavePath(lookSavePath(saveDirectory)), error;
    bool saved = writePng(path, view, error);
    lookStatus = saved ? "Saved picture " + path : "Picture not saved: " + error;
    return saved;
}
