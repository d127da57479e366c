// Settings as text: the one parser of NAME=VALUE that pelage-render's --set,
// pelage's --set and look files share, and the writer that turns a field back
// into text the parser reads to the same bits. Every value is checked against
// the table of fields (core/fur_settings.h); a bad one is reported, never
// guessed. No OpenGL.
#pragma once

#include <string>
#include <vector>

#include "core/fur_settings.h"

// A whole text as one finite float: no blanks, no trailing characters.
bool parseSettingNumber(const std::string& text, float& value);
// A whole text as one int in decimal: no blanks, no trailing characters.
bool parseSettingWhole(const std::string& text, int& value);

// Sets the FurSettings field NAME from VALUE ("numShells=64",
// "hairColor=0.3,0.2,0.1", "drawFins=0"). False with a message naming the
// field and the accepted values when the name is unknown or the value is
// malformed or out of range; the record is then unchanged.
bool applyFurSetting(FurSettings& settings, const std::string& assignment, std::string& error);

// The same for a name and a value already apart (a look file's `name = value`).
bool applyFurSettingValue(FurSettings& settings, const std::string& name, const std::string& value,
                          std::string& error);

// The field's value as applyFurSetting reads it, every float in the fewest
// digits that read back to the same bits; a transform as its 16 rotation
// values followed by its x, y, z position.
std::string formatFurSetting(const FurSettings& settings, const SettingField& field);

// The names applyFurSetting accepts, one per FurSettings field, in record order.
const std::vector<std::string>& furSettingNames();
