// The texture rebuilds in pelage-render --bench: warm medians of a colour
// change and of a full rebuild, against the plain immediate-mode sequence
// timed in the same run.
#pragma once

// Prints the three figures and their ratios. Needs the textures built and
// nothing pending; leaves the settings and the textures as it found them.
void benchTextureRebuilds();
