// OBJ text for the tests that need models nobody prepared: a file's text, the
// same text stripped of its texture coordinates, and a closed sphere made on
// the spot. Plain text, no OpenGL.
#pragma once

#include <string>

// The whole file, or "" when it cannot be read.
std::string readTextFile(const std::string& path);

// `obj` without its "vt" lines and with each face corner's texture index
// removed ("7/3/2" becomes "7//2", "7/3" becomes "7").
std::string withoutTexCoords(const std::string& obj);

// A closed latitude-longitude sphere of radius 1 around the origin, wound
// counter-clockwise seen from outside, `rings` bands from pole to pole and
// `segments` around, without texture coordinates.
std::string sphereObj(int rings, int segments);
