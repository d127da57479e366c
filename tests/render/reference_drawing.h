// The fur passes as they were first written: a display list replayed by the
// skin and every shell, fins in immediate mode. The reference the program's
// drawing is compared against (reference_drawing.cpp).
#pragma once

// Compiles furMesh into the reference display list; again after the mesh changes.
void buildReferenceMeshList();

// drawFur, the reference way: same expectations on entry, same state on exit.
void referenceDrawFur();

// One fin in immediate mode, as two triangles inside the caller's
// glBegin(GL_TRIANGLES).
void referenceDrawFin(const float p[3], const float q[3], const float np[3], const float nq[3], const float view[3]);
