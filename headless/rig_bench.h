// What posing costs on a rig larger than any bundled one: a generated tube of
// 20,000 triangles on ten joints, posed, skinned and its springs stepped
// without drawing. Printed by pelage-render --bench beside the model's own
// figure. No OpenGL.
#pragma once

struct FurDynamicsParameters;

// Prints one line: the milliseconds a frame's pose, skin and springs take
// with `parameters`, against the 5 ms target.
void benchRigPosing(const FurDynamicsParameters& parameters);
