// Keeping pelage's unsaved work in the window: the "*" in the title, the
// autosave timer that writes the recovery look (look_session.h), and the
// recovery look written before the process ends on a quit key or on SIGTERM,
// SIGINT or SIGHUP. The decisions live in look_session.cpp, without GLUT.
#pragma once

// Installs the signal handlers and starts the timer, a few wake-ups a second
// that do nothing while nothing is unsaved.
void startKeepingWork();

// The title says "Pelage *" while there is unsaved work, "Pelage" otherwise.
void showUnsavedMark();

// Ends the process with `status`. With unsaved work, the recovery look is
// written first and one line names it and the command that restores it.
[[noreturn]] void quitKeepingWork(int status);
