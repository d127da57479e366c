// The groom's four maps by kind, as look files name them. Shared by the look
// files (core) and the groom that loads them (groom/). Plain data.
#pragma once

enum GroomMapKind { LENGTH_MAP, DENSITY_MAP, DIRECTION_MAP, COLOR_MAP, GROOM_MAP_COUNT };

inline constexpr const char* groomMapNames[GROOM_MAP_COUNT] = {"lengthMap", "densityMap", "directionMap",
                                                               "colorMap"};
