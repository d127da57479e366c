// Opening the main window, shared by pelage and pelage-render: the display
// check, GLUT's start, the window's display mode (double-buffered RGBA with
// alpha and depth) and its creation.
#pragma once

struct MainWindowRequest {
    const char* programName;  // for messages and as GLUT's argv[0]
    const char* title;
    int width, height;  // below 1 each way opens a 1-pixel window
    int x, y;           // initial position
    // Ask for a multisampled visual, and take a plain one quietly where the
    // server has none.
    bool multisample = false;
};

// Opens the window, makes it current and records it in mainWindow. Without a
// display, ends the process through the fatal-error function with one line
// saying so (status 1), before freeglut can fail with its own message.
void openMainWindow(const MainWindowRequest& request);
