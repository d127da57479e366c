// OBJ text for tests. See obj_text.h.
#include "tests/support/obj_text.h"

#include <cmath>
#include <fstream>
#include <sstream>

std::string readTextFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return in ? text.str() : std::string();
}

namespace {

std::string withoutTexIndex(const std::string& corner) {
    size_t first = corner.find('/');
    if (first == std::string::npos) return corner;
    size_t second = corner.find('/', first + 1);
    if (second == std::string::npos) return corner.substr(0, first);
    return corner.substr(0, first + 1) + corner.substr(second);
}

}  // namespace

std::string withoutTexCoords(const std::string& obj) {
    std::istringstream lines(obj);
    std::string line, out;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string keyword;
        words >> keyword;
        if (keyword == "vt") continue;
        if (keyword == "f") {
            line = "f";
            for (std::string corner; words >> corner;) line += " " + withoutTexIndex(corner);
        }
        out += line + "\n";
    }
    return out;
}

std::string sphereObj(int rings, int segments) {
    const double pi = 3.14159265358979323846;
    std::ostringstream obj;
    obj << "v 0 1 0\n";  // vertex 1, the north pole
    for (int r = 1; r < rings; ++r)
        for (int s = 0; s < segments; ++s) {
            double theta = pi * r / rings, phi = 2 * pi * s / segments;
            obj << "v " << std::sin(theta) * std::cos(phi) << " " << std::cos(theta) << " "
                << -std::sin(theta) * std::sin(phi) << "\n";
        }
    int south = 2 + (rings - 1) * segments;
    obj << "v 0 -1 0\n";
    auto at = [segments](int ring, int s) { return 2 + (ring - 1) * segments + (s % segments); };
    for (int s = 0; s < segments; ++s) {
        obj << "f 1 " << at(1, s) << " " << at(1, s + 1) << "\n";
        for (int r = 1; r + 1 < rings; ++r)
            obj << "f " << at(r, s) << " " << at(r + 1, s) << " " << at(r + 1, s + 1) << "\nf " << at(r, s) << " "
                << at(r + 1, s + 1) << " " << at(r, s + 1) << "\n";
        obj << "f " << at(rings - 1, s) << " " << south << " " << at(rings - 1, s + 1) << "\n";
    }
    return obj.str();
}
