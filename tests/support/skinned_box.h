// A skinned model whose every pose is known by hand, written as glTF text:
// a box two long along x made of two unit cubes, the first cube's vertices
// on the root joint at the origin, the rest on the tip joint at x = 1. Its
// clips: "Bend" (the tip half a turn about z, LINEAR), "Quarter" (a quarter
// turn), "Step" (the root up by 2 at t = 1, STEP) and "Spline" (the root
// from 0 to 1 along y, CUBICSPLINE with tangents 3). Weights are normalised
// bytes, joints bytes, the indices unsigned shorts. The same rig as Collada
// text, with the clips "Bend" and "Quarter" only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The box; `firstWeights` replaces vertex 0's four weights (bytes, 255 = 1),
// `extraChannel` is appended to the "Step" clip's channels (JSON), and
// `lastStepKey` is the z of the "Step" clip's last key.
std::string skinnedBoxGltf(std::vector<std::uint8_t> firstWeights = {255, 0, 0, 0},
                           const std::string& extraChannel = "", float lastStepKey = 0);

// The box as Collada, every vertex's one weight `weight`; its clips come in
// the order "Bend", "Quarter", named as the importer names them.
std::string skinnedBoxCollada(float weight = 1);
