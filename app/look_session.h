// The look in use, shared by pelage and pelage-render: the looks and settings
// of the command line applied at start-up, the maps it names, and pelage's
// saving of looks and pictures with the status line that reports them. The
// look's settings are furSettings itself. No OpenGL here: the picture's
// pixels come from the caller.
#pragma once

#include <string>
#include <vector>

#include "core/look_file.h"
#include "core/rgb_image.h"

// The maps of the look in use. Its settings are the start-up look's until
// useStartupLook; from then on furSettings is the look's settings.
extern Look lookInUse;
// The file the last --look named: Save Look writes there. Empty: none.
extern std::string lookFile;
// The panel's status line: what the last save did, or why it failed.
extern std::string lookStatus;

// Applies `options` over a copy of furSettings, in order, into lookInUse,
// and remembers the last --look as lookFile. On a bad setting or look, ends
// the process through the fatal-error function with one message naming the
// file and line (status 2), before anything is applied.
void readStartupLook(const char* program, const std::vector<LookOption>& options);

// furSettings becomes the start-up look's settings. pelage calls it once its
// panel has assigned its own start values, which the look overrides.
void useStartupLook();

// Loads the maps of the look in use through the installed loader, once the
// model is there; on failure ends the process like applyStartupLook.
void loadStartupLookMaps(const char* program);

// The model becomes the look's own (`model = PATH`) when the command line
// names none; when it names another, the command line's wins, with one
// warning line.
void useModelOfLook(const char* program, bool modelGiven);

// A --save-dir that does not exist is made, with its parents; one that cannot
// be made ends the process with one message (status 2).
void prepareSaveDirectory(const char* program, const std::string& directory);

// Where Save Look writes: the --look file, else the model's file name with
// ".look" in `directory` (empty: the working directory), so that every model
// keeps its own look ("Fox.glb": "Fox.look").
std::string lookSavePath(const std::string& directory);

// --- Keeping the work --------------------------------------------------------

// Whether the settings or the groom changed since the look was last saved or
// loaded: the window title's "*" and the panel's "unsaved".
bool lookUnsaved();

// What the user has now counts as saved: at start-up, once the look is in
// use, and after every save.
void markLookSaved();

// A stroke ended, or one was undone or redone: the groom changed.
void noteGroomChanged();

// Where unsaved work is kept: beside the save path, "NAME.recovered.look"
// when that is "NAME.look".
std::string recoveryLookPath(const std::string& lookPath);

// Writes the settings and the maps in use to the recovery look, atomically,
// leaving what counts as saved as it was. False with the reason.
bool saveRecoveryLook(std::string& path, std::string& error);

// Autosave, called a few times a second: writes the recovery look while
// there is unsaved work it does not hold yet, every 60 s and 2 s after the
// last stroke of a burst. `seconds` is a monotonic clock.
void keepUnsavedWork(double seconds);

// At start-up: when a recovery look newer than the look it belongs to is
// there, the status line says so and names it.
void reportRecoveryLook();

// Where the next picture goes: beside the look, named after it with the first
// number that names no file yet ("fox.look" -> "fox-1.png", "fox-2.png", ...).
std::string pictureSavePath(const std::string& lookPath);

// Saves furSettings and the maps in use to lookSavePath(saveDirectory) and
// says how it went in lookStatus. Maps painted since they were read or saved
// are written first, beside the look and named after it ("fox.look":
// "fox-length.png", "fox-density.png", "fox-direction.png", "fox-color.png"),
// and the look names them. True on success.
bool saveLookInUse();

// The panel's "Load Look": the look file `path` read as --look reads it, over
// the start-up defaults, and its maps loaded; it becomes the look in use, and
// Save Look writes back to it. A look that cannot be used leaves the one in
// use as it was and says why in lookStatus. True when it was loaded; the
// caller then rebuilds what the new settings make.
bool loadLookInUse(const std::string& path);

// Writes `view` as a PNG at pictureSavePath(...) and says so in lookStatus.
bool saveViewPicture(const RgbImage& view);
