// A real OpenGL context for tests that render: one freeglut window, created on
// first use in the process (double-buffered RGBA with alpha and depth, as the
// program's own window), on whatever X display DISPLAY names (Xvfb in CI).
#pragma once

// Creates the window on first call, then resizes it to the given size and
// makes it current. Returns its GLUT id, or 0 when no display can be opened.
int ensureGlContext(int width = 1024, int height = 1024);

// Processes pending window-system events, so a resize has taken effect.
void pumpGlEvents();

// The one policy for tests that render: without a display they fail, saying
// why, rather than skip and pass unseen. scripts/test always provides one.
#define ASSERT_GL_CONTEXT(width, height) \
    ASSERT_NE(ensureGlContext(width, height), 0) << "no X display: run the GL tests under xvfb-run, as scripts/test does"
