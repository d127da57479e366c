// The groom on the GL side: its maps as textures, the strands' ranks per shell
// layer for the density, and the shader parameters of each pass. Uploads only
// when the groom, the hair patch or the shell count changed. Without a groom
// every flag is zero and the passes draw exactly as without one.
#pragma once
#include "render/shader_setup.h"

// Which pass is drawn: the skin, a shell (by index), or the fins.
enum class GroomPass { Skin, Shell, Fin };

// Brings the textures and the mesh's combs in line with the groom; once a
// frame, before the passes.
void prepareGroomForFrame();

// Whether the groom has anything to draw with (maps or a colour texture) and
// is shown.
bool groomActive();
// What the programs that draw it read (none of it when it is not active);
// the comb per pixel only where the comb map varies, since an even one is
// all told at the corners.
GroomProgramKey groomProgramKey();

// The longest hair as a share of the shells' height: a shell above it draws
// nothing (1 without a groom or a length map).
float groomLongestHair();

// Shows or hides the groom without touching it: the benchmark's way of timing
// frames with and without it back to back.
void showGroom(bool shown);

// Binds the groom's textures on their units and sets the shader parameters of
// the pass; `shell` is the shell's index for GroomPass::Shell.
void setGroomPass(GroomPass pass, int shell = 0);
// Unbinds them again.
void endGroomPasses();
