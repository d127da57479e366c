// The model the fur grows on, from its file to the prepared mesh: read and
// finished by FurMesh::load (turned so that the chosen axis points up, wound
// outward, normals made, centred and scaled), its plain colour taken for the
// hair. And the same finishing again when the panel's "Up Axis" changes.
#pragma once

// Reads `path` into furMesh (which must exist) and builds its records, as
// furSettings.upAxis asks. A model without triangles is kept, with a message
// saying there is nothing to draw; a file that cannot be read ends the
// program with the loader's message (status 1).
void loadFurModel(const char* path);

// The hair colour a model gives: `plain` (its material's colour) when the
// hair colour is still the default one, so that a colour the user chose wins.
// True when `hairColor` was changed.
bool takeModelHairColour(float hairColor[3], const float plain[3]);

// Finishes furMesh's model again for furSettings.upAxis and builds its
// records and GL buffers again; nothing when there is no model yet.
void applyUpAxis();
