// The unsaved mark, the autosave timer and the recovery look at exit. See
// unsaved_work.h. A signal handler only notes the signal: writing files is
// not safe inside one, so the timer does it on the main loop's next turn.
#include "app/unsaved_work.h"

#include <GL/freeglut.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/look_session.h"
#include "app/window_callbacks.h"

namespace {

constexpr unsigned tickMilliseconds = 250;
volatile std::sig_atomic_t endingSignal = 0;

void noteEndingSignal(int signal) { endingSignal = signal; }

double monotonicSeconds() {
    using Clock = std::chrono::steady_clock;
    return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

void keepWorkTick(int) {
    if (endingSignal) {
        int signal = endingSignal;
        std::string path, error;
        if (lookUnsaved() && saveRecoveryLook(path, error))
            std::fprintf(stderr, "pelage: unsaved work kept in %s; pelage --look %s restores it\n", path.c_str(),
                         path.c_str());
        std::fflush(stderr);
        // Ended by the signal itself, as it would have been without us.
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
    keepUnsavedWork(monotonicSeconds());
    showUnsavedMark();
    glutTimerFunc(tickMilliseconds, keepWorkTick, 0);
}

}  // namespace

void startKeepingWork() {
    struct sigaction action {};
    action.sa_handler = noteEndingSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
    glutTimerFunc(tickMilliseconds, keepWorkTick, 0);
}

void showUnsavedMark() {
    static int shown = -1;
    int unsaved = lookUnsaved() ? 1 : 0;
    if (unsaved == shown || mainWindow == 0) return;
    shown = unsaved;
    int current = glutGetWindow();
    glutSetWindow(mainWindow);
    glutSetWindowTitle(unsaved ? "Pelage *" : "Pelage");
    if (current) glutSetWindow(current);
}

void quitKeepingWork(int status) {
    std::string path, error;
    if (lookUnsaved()) {
        if (saveRecoveryLook(path, error))
            std::printf("pelage: unsaved work kept in %s; pelage --look %s restores it\n", path.c_str(), path.c_str());
        else
            std::fprintf(stderr, "pelage: unsaved work could not be kept: %s\n", error.c_str());
    }
    std::exit(status);
}
