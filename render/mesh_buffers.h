// The prepared mesh on the GL side: the indexed triangles the skin and every
// shell draw from one vertex buffer and one index buffer, and the fins, laid
// out afresh each frame into a buffer of their own and drawn as quads in one
// call. Built once at start-up from furMesh, and again whenever its texture
// coordinates change; only uploads, binds and draws what mesh/indexed_mesh.h and
// fin_geometry.h produce.
#pragma once

#include "render/fin_geometry.h"
#include "render/mesh_animation.h"
#include "render/shell_lod.h"

// Uploads furMesh's drawn mesh and lays out its fins; replaces what an
// earlier call made.
void buildMeshBuffers();

// Uploads furMesh's drawn vertices again, with the combs painting gave
// them, without building anything again.
void refreshMeshCombs();

// Ties `animation` (mesh_animation.h) to the mesh as last built, plays the
// clip the settings name when they name another (chooseClip), moves it on
// by `seconds` at the settings' animation speed, poses the mesh at its time
// and uploads the pose; with the bind pose, the mesh as built. Nothing more
// for a model without a skin. The buffers draw the pose of the animation
// last passed here until the mesh is built again; it must outlive that.
void animateMesh(MeshAnimation& animation, float seconds);

// The animation whose pose the buffers draw, with their rest places and
// lags beside the posed vertices; null while they draw the mesh as built.
// Painting picks what is drawn.
const MeshAnimation* drawnMeshPose();

// Refills furMesh as furSettings.generatedTexCoords and triangleBudget ask
// and uploads it again: what a change of either needs.
void applyMeshSettings();

// The mesh's triangles, with whatever colour, texture and shader state the
// pass has set. Draws nothing before buildMeshBuffers or for an empty mesh.
void drawMeshTriangles();

// This frame's fins seen from `view` (unit, model space), with the fade, fin
// height and texture scale of furSettings. Leaves the process-wide generator
// where reseeding it with each record's index and drawing one number per
// drawn fin would leave it.
void drawMeshFins(const float view[3]);

// The fins as built, for tests that look at what a frame draws.
const FinGeometry& meshFinGeometry();

// The box around the uploaded vertices, in model space; empty before
// buildMeshBuffers or for an empty mesh.
const ModelBox& meshBox();
