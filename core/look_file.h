// Looks: everything that makes the fur, in one text file. Each line is
// `name = value`, with the names and values of --set (core/settings_text.h),
// or names the model the look was made for (`model`) or one of the groom's
// four map files, relative to the look file;
// `#` starts a comment. Reading checks every line and every map file before
// anything is applied; writing is atomic. The maps are only named and checked
// here: the layer that owns the groom loads them through the loader it
// installs. No OpenGL.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/fur_settings.h"
#include "core/groom_maps.h"
#include "core/map_image.h"


struct Look {
    FurSettings settings;
    // Each map's file, resolved against the directory of the look that named
    // it (so usable from the working directory); empty: no map.
    std::string mapPaths[GROOM_MAP_COUNT];
    // "FILE:LINE" of the line that named each map, for messages about it.
    std::string mapOrigins[GROOM_MAP_COUNT];
    // The model the look was made for, resolved like the maps; empty: the
    // look names none (looks written before they did).
    std::string modelPath;
};

// Whether a look holds the field: everything that makes the fur and where it
// stands, not texturesDirty (bookkeeping), objectToMove (what the panel's
// pads drag) nor the painting brush's settings (tool state).
bool isLookSetting(const SettingField& field);

// Far beyond any look (a saved one is about 2 KB); a larger file is refused
// unread.
constexpr long largestLookBytes = 1 << 20;

// Applies the lines of `text`, the look file `lookPath`, over `look`, in
// order: a later line wins, and what the text does not name stays. Map paths
// are resolved against lookPath's directory; an empty value removes the map.
// Map files are not opened. False with "FILE:LINE: what is wrong" and `look`
// unchanged.
bool parseLook(std::string_view text, const std::string& lookPath, Look& look, std::string& error);

// Reads the look file `path` (a regular text file of at most
// largestLookBytes), parses it over `look` and checks each map it names with
// checkGroomMapFile. False with one message naming the file (and the line,
// where there is one) and `look` unchanged.
bool readLook(const std::string& path, Look& look, std::string& error);

// Empty when `path` is a regular, non-empty file holding a whole PNG or JPEG
// image of at most largestMapSide pixels each way; otherwise what is wrong
// with it. With a loader installed, which reads every map whole anyway, only
// the file itself is looked at here, so no map is decoded twice.
std::string checkGroomMapFile(const std::string& path);

// The text of a look: the model it is for (`modelPath`, when not empty and
// when its name can stand on a look line), every look setting of `settings`,
// then each map of `mapPaths` that is not empty, the paths written relative
// to lookPath's directory. parseLook reads it back to the same bits. False
// with the reason when a map path cannot stand on a look line (it holds '#'
// or a line break).
bool formatLook(const FurSettings& settings, const std::string mapPaths[GROOM_MAP_COUNT], const std::string& lookPath,
                std::string& text, std::string& error, const std::string& modelPath = "");

// Writes formatLook's text to `path` through a temporary file in the same
// directory renamed over it, so a reader never sees half a look. False with
// the reason; the file that was there is then left whole.
bool writeLook(const std::string& path, const FurSettings& settings, const std::string mapPaths[GROOM_MAP_COUNT],
               std::string& error, const std::string& modelPath = "");

// --- Loading the maps -------------------------------------------------------------

// Loads the maps of `mapPaths` (empty entries: none) into the groom, all or
// nothing. Returns empty on success; otherwise the reason, with *failedMap
// set to the GroomMapKind at fault (or left at -1 when no one map is).
using GroomMapLoader = std::string (*)(const std::string mapPaths[GROOM_MAP_COUNT], int* failedMap);

// Installed once at start-up by the layer that owns the groom; nullptr (the
// default) loads nothing, the maps then only checked by readLook.
void setGroomMapLoader(GroomMapLoader loader);

// Runs the installed loader on the look's maps. False with the reason,
// prefixed with the file and line that named the failing map.
bool loadLookMaps(const Look& look, std::string& error);

// --- Command lines ----------------------------------------------------------------

// One --look FILE or --set NAME=VALUE, in the order given.
struct LookOption {
    enum Kind { SET, LOOK } kind;
    std::string value;
};

// Applies the options over `look` in order, a later one winning. False with
// the first option's message and `look` unchanged.
bool applyLookOptions(const std::vector<LookOption>& options, Look& look, std::string& error);
