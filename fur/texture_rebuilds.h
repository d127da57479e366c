// When the fin and shell textures are made again, and how: the control
// panel's changes and the frame display meet here. A colour change recolours
// at once (no strand is drawn); a new shell count, like a new patch, is only
// noted, and the next frame rebuilds once however many changes came in
// between, so a drag never queues rebuilds behind each other.
#pragma once

// The shell textures no longer fit numShells: the next frame rebuilds them.
void requestShellTextures();

// Whether the next frame rebuilds textures (texturesDirty, or shells
// requested).
bool furTexturesPending();

// At the start of a frame, before its clear: the fin and the shell textures
// when texturesDirty is set, else the shell textures when requested; clears
// both marks. The clear colour must already be the frame's.
void rebuildPendingFurTextures(float finDensity);

// A hair or skin colour changed: recolours the fin and the shell textures for
// the current colours, or synthesises afresh whichever kept no weights
// (`finDensity` is the fin's); leaves to the next frame what it rebuilds
// anyway.
void recolourFurTextures(float finDensity);
