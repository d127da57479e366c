// The real program in a window of its own: argument echo, keys, window size,
// and the looks and pictures it saves.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "app/control_panel.h"
#include "tests/support/harness.h"

using namespace e2e;

TEST(PelageEndToEnd, EchoesArgumentsAndQuitsOnEachQuitKey) {
    VirtualDisplay display;
    ASSERT_FALSE(display.name().empty());
    for (const char* quitKey : {"q", "Q", "Escape"}) {
        Program pelage("pelage", {"-sx", "640", "-sy", "480", "-E", "1"});
        std::string window = findWindow("Pelage");
        ASSERT_FALSE(window.empty()) << pelage.standardError();
        key(window, "a");
        EXPECT_TRUE(pelage.running()) << "a key other than a quit key only redraws";
        key(window, quitKey);
        EXPECT_EQ(pelage.wait(120), 0) << quitKey;
        EXPECT_EQ(pelage.standardOutput().substr(0, 15), "-sx\n-sy\n-E\n1\n") << quitKey;
    }
}

TEST(PelageEndToEnd, OpensTheWindowAtTheRequestedSize) {
    VirtualDisplay display;
    Program pelage("pelage", {"-sx", "700.9", "-sy", "500"});
    std::string window = findWindow("Pelage");
    ASSERT_FALSE(window.empty()) << pelage.standardError();
    Image shot = screenshot(window);
    EXPECT_EQ(shot.width, 700);
    EXPECT_EQ(shot.height, 500);
    key(window, "q");
    EXPECT_EQ(pelage.wait(120), 0);
}

TEST(PelageEndToEnd, ModelNamesTheFileEchoedWithItsPathAndAMissingOneEndsTheRun) {
    VirtualDisplay display;
    Program pelage("pelage", {"-sx", "320", "--model", "nowhere/statue.obj"});
    EXPECT_EQ(pelage.wait(120), 1);
    EXPECT_EQ(pelage.standardOutput().substr(0, 40), "-sx\n--model\nnowhere/statue.obj\n");
    EXPECT_NE(pelage.standardError().find("glmReadOBJ() failed: can't open data file \"nowhere/statue.obj\".\n"),
              std::string::npos)
        << pelage.standardError().substr(0, 2000);

    Program large("pelage", {"-sx", "640", "-sy", "480", "--model", sourceDir() + "/OBJ/bunny-1500-cleaned.obj"});
    std::string window = findWindow("Pelage");
    ASSERT_FALSE(window.empty()) << large.standardError();
    key(window, "q");
    EXPECT_EQ(large.wait(120), 0);
}

TEST(PelageEndToEnd, WithoutADisplaySaysSoInOneLine) {
    unsetenv("DISPLAY");
    Program pelage("pelage", {});
    EXPECT_EQ(pelage.wait(120), 1);
    std::string err = pelage.standardError();
    EXPECT_NE(err.find("no display"), std::string::npos) << err;
    EXPECT_EQ(err.find('\n'), err.size() - 1) << err;
}

namespace {

std::string waitForFile(const std::string& path, const std::string& holding, double seconds = 60) {
    for (double waited = 0; waited < seconds; waited += 0.2) {
        std::ifstream in(path, std::ios::binary);
        std::string text(std::istreambuf_iterator<char>(in), {});
        if (!text.empty() && text.find(holding) != std::string::npos) return text;
        usleep(200000);
    }
    return "";
}

}  // namespace

TEST(PelageEndToEnd, CtrlSSavesTheLookAndCtrlPPicturesTheViewBesideIt) {
    VirtualDisplay display;
    ScratchDirectory scratch("pelage-save");
    std::string look = scratch.path() + "/fox.look";
    std::ofstream(look) << "numShells = 12\nhairColor = 0.2,0.4,0.9\n";
    Program pelage("pelage", {"-sx", "640", "-sy", "480", "--look", look});
    std::string window = findWindow("Pelage", 90);
    ASSERT_FALSE(window.empty()) << pelage.standardError();
    key(window, "ctrl+s");
    std::string saved = waitForFile(look, "finHeight = ");
    EXPECT_NE(saved.find("numShells = 12\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("hairColor = 0.2,0.4,0.9\n"), std::string::npos) << saved;
    for (const char* name : {"/fox-1.png", "/fox-2.png"}) {
        key(window, "ctrl+p");
        ASSERT_FALSE(waitForFile(scratch.path() + name, "PNG").empty()) << name;
    }
    Image picture;
    std::string error;
    ASSERT_TRUE(readPng(scratch.path() + "/fox-1.png", picture, error)) << error;
    EXPECT_EQ(picture.width, 640 - panelWidth) << "the view without the panel";
    EXPECT_EQ(picture.height, 480);
    long blueHair = 0;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) blueHair += picture.at(x, y)[2] > picture.at(x, y)[0] + 40;
    EXPECT_GT(blueHair, 2000) << "the look's hair colour shows";
    key(window, "q");
    EXPECT_EQ(pelage.wait(120), 0);

    // Without --look, the look goes to --save-dir, made when missing, named
    // after the model and naming it; a bad look ends the run at once.
    Program unnamed("pelage", {"-sx", "400", "-sy", "300", "--save-dir", scratch.path() + "/new"});
    window = findWindow("Pelage", 90);
    key(window, "ctrl+s");
    std::string named = waitForFile(scratch.path() + "/new/bunny-1500-cleaned.look", "numShells = 32");
    EXPECT_NE(named.find("model = "), std::string::npos) << named;
    key(window, "q");
    EXPECT_EQ(unnamed.wait(120), 0);
    std::ofstream(look) << "numShells = 12\nshellHeight = -1\n";
    Program bad("pelage", {"--look", look});
    EXPECT_EQ(bad.wait(30), 2);
    EXPECT_NE(bad.standardError().find(look + ":2: bad value \"-1\" for shellHeight"), std::string::npos)
        << bad.standardError();
}

// pelage at 640 x 480 with a length brush that shaves what it touches (value
// 0, full strength, radius 0.05), saving into `directory`; strokes are
// dragged along row strokeY of its view.
const int strokeViewWidth = 640 - panelWidth, strokeViewHeight = 480, strokeY = 250;
Program startShaving(const std::string& directory) {
    return Program("pelage", {"-sx", "640", "-sy", std::to_string(strokeViewHeight), "--brush", "length", "--set",
                              "brushValue=0", "--set", "brushStrength=1", "--set", "brushRadius=0.05",
                              "--save-dir", directory});
}

// A length brush of value 0 dragged across the bunny with real mouse events,
// the look saved with ctrl+S and drawn by pelage-render: the fur is gone
// along the stroke and nowhere else.
TEST(PelageEndToEnd, AStrokePaintedByHandIsSavedWithTheLook) {
    VirtualDisplay display;
    ScratchDirectory scratch("pelage-paint");
    std::string look = scratch.path() + "/stroke.look";
    Program pelage = startShaving(scratch.path());
    std::string window = findWindow("Pelage", 90);
    ASSERT_FALSE(window.empty()) << pelage.standardError();
    drag(window, 1, 100, strokeY, 250, strokeY, 15);
    key(window, "ctrl+s");
    std::string saved = waitForFile(scratch.path() + "/bunny-1500-cleaned.look",
                                    "lengthMap = bunny-1500-cleaned-length.png");
    ASSERT_FALSE(saved.empty());
    EXPECT_EQ(saved.find("brush"), std::string::npos) << "the brush is not part of a look";
    key(window, "q");
    EXPECT_EQ(pelage.wait(120), 0);

    // The same look without the map, drawn beside it.
    std::ofstream(scratch.path() + "/unpainted.look") << saved.substr(0, saved.find("lengthMap"));
    Image pictures[2];
    for (int i = 0; i < 2; ++i) {
        std::string name = scratch.path() + (i ? "/bunny-1500-cleaned.look" : "/unpainted.look"), png = name + ".png",
                    error;
        Program render("pelage-render", {"-sx", std::to_string(strokeViewWidth), "-sy",
                                         std::to_string(strokeViewHeight), "--look", name, "--out", png});
        ASSERT_EQ(render.wait(300), 0) << render.standardError().substr(0, 2000);
        ASSERT_TRUE(readPng(png, pictures[i], error)) << error;
    }
    long alongStroke = 0, elsewhere = 0;
    for (int y = 0; y < strokeViewHeight; ++y)
        for (int x = 0; x < strokeViewWidth; ++x) {
            bool differs = false;
            for (int c = 0; c < 3; ++c) differs |= std::abs(pictures[0].at(x, y)[c] - pictures[1].at(x, y)[c]) > 8;
            bool inBand = std::abs(y - strokeY) <= 6 && x >= 110 && x <= 240;
            bool farOff = std::abs(y - strokeY) > 30;
            alongStroke += differs && inBand;
            elsewhere += differs && farOff;
        }
    EXPECT_GT(alongStroke, 131 * 13 / 3) << "the band along the stroke is bald";
    EXPECT_LT(elsewhere, 50) << "the rest of the picture is unchanged";
}

namespace {

struct Extent {  // around the view's non-white pixels
    int x0 = 1 << 20, y0 = 1 << 20, x1 = -1, y1 = -1;
};

Extent drawnExtent(const Image& shot, int viewWidth) {
    Extent e;
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < viewWidth; ++x) {
            const unsigned char* p = shot.at(x, y);
            if (p[0] > 235 && p[1] > 235 && p[2] > 235) continue;
            e.x0 = std::min(e.x0, x), e.x1 = std::max(e.x1, x);
            e.y0 = std::min(e.y0, y), e.y1 = std::max(e.y1, y);
        }
    return e;
}

long viewDifference(const Image& a, const Image& b, int viewWidth) {
    long changed = 0;  // the panel's foot line shows the frame time: left out
    for (int y = 0; y < a.height && a.height == b.height; ++y)
        for (int x = 0; x < viewWidth; ++x) changed += !std::equal(a.at(x, y), a.at(x, y) + 3, b.at(x, y));
    return changed;
}

// The window's picture once its view has changed from `before` (if given)
// and two in a row agree and hold a frame: before the first one the window is
// black, a frame's background is white.
Image settledShot(const std::string& window, int viewWidth, const Image* before = nullptr) {
    Image previous = screenshot(window), shot;
    bool moved = before == nullptr;
    for (int attempt = 0; attempt < 150; ++attempt) {
        usleep(700000);  // longer than a frame, so an unchanged picture is a settled one
        shot = screenshot(window);
        Extent drawn = drawnExtent(shot, viewWidth);
        bool frame = drawn.x1 >= 0 && (drawn.x0 > 0 || drawn.x1 < viewWidth - 1);
        moved = moved || viewDifference(shot, *before, viewWidth) > 0;
        if (frame && moved && countDifferent(shot, previous) == 0) break;
        previous = shot;
    }
    return shot;
}

}  // namespace

// `f` frames the model into the area left of the panel, the wheel dollies it
// away and back, and Home brings the start-up view back exactly.
TEST(PelageEndToEnd, FFramesTheModelTheWheelDolliesAndHomeRestores) {
    VirtualDisplay display;
    const int width = 760, height = 480, viewWidth = width - panelWidth;
    Program pelage("pelage", {"-sx", std::to_string(width), "-sy", std::to_string(height), "-e", "0", "0", "6"});
    std::string window = findWindow("Pelage", 90);
    ASSERT_FALSE(window.empty()) << pelage.standardError();
    Image start = settledShot(window, viewWidth);
    key(window, "f");
    Image framedShot = settledShot(window, viewWidth, &start);
    Extent framed = drawnExtent(framedShot, viewWidth);
    int framedWidth = framed.x1 - framed.x0;
    EXPECT_GT(std::max(framedWidth / double(viewWidth), (framed.y1 - framed.y0) / double(height)), 0.75);
    EXPECT_NEAR((framed.x0 + framed.x1) / 2.0, viewWidth / 2.0, viewWidth * 0.1) << "centred left of the panel";
    for (int notch = 0; notch < 4; ++notch) click(window, 5, viewWidth / 2, height / 2);
    Image away = settledShot(window, viewWidth, &framedShot);
    EXPECT_LT(drawnExtent(away, viewWidth).x1, framed.x1 - 20) << "notches down go away";
    for (int notch = 0; notch < 4; ++notch) click(window, 4, viewWidth / 2, height / 2);
    Image backShot = settledShot(window, viewWidth, &away);
    EXPECT_NEAR(drawnExtent(backShot, viewWidth).x1, framed.x1, framedWidth * 0.05) << "as many up come back";
    key(window, "Home");
    EXPECT_EQ(viewDifference(settledShot(window, viewWidth, &backShot), start, viewWidth), 0);
    key(window, "q");
    EXPECT_EQ(pelage.wait(120), 0);
}

// A stroke never saved is kept when the program ends, by a quit key or by
// SIGTERM: the recovery look beside the save path holds it, and pelage-render
// draws it from that look alone.
TEST(PelageEndToEnd, UnsavedStrokesAreKeptInARecoveryLookWhenTheProgramEnds) {
    VirtualDisplay display;
    ScratchDirectory scratch("pelage-recovery");
    std::string recovery = scratch.path() + "/bunny-1500-cleaned.recovered.look";
    struct Ending {
        const char* name;
        int signal;  // 0: the q key
        int status;
    } endings[] = {{"q", 0, 0}, {"SIGTERM", SIGTERM, -2000 - SIGTERM}};
    for (const Ending& ending : endings) {
        std::remove(recovery.c_str());
        Program pelage = startShaving(scratch.path());
        std::string window = findWindow("Pelage", 90);
        ASSERT_FALSE(window.empty()) << pelage.standardError();
        drag(window, 1, 100, strokeY, 250, strokeY, 15);
        EXPECT_FALSE(findWindow("Pelage \\*", 20).empty()) << "the title marks unsaved work";
        if (ending.signal) kill(pelage.pid(), ending.signal);
        else key(window, ending.name);
        EXPECT_EQ(pelage.wait(120), ending.status) << ending.name;
        std::string said = pelage.standardOutput() + pelage.standardError();
        EXPECT_NE(said.find("pelage --look " + recovery), std::string::npos) << ending.name << ": " << said;
        EXPECT_FALSE(waitForFile(recovery, "lengthMap = bunny-1500-cleaned.recovered-length.png", 5).empty())
            << ending.name;
    }
    std::string png = scratch.path() + "/recovered.png", plainPng = scratch.path() + "/plain.png", error;
    Program render("pelage-render", {"-sx", std::to_string(strokeViewWidth), "-sy", std::to_string(strokeViewHeight),
                                     "--look", recovery, "--out", png});
    Program plain("pelage-render", {"-sx", std::to_string(strokeViewWidth), "-sy", std::to_string(strokeViewHeight),
                                    "--out", plainPng});
    ASSERT_EQ(render.wait(300), 0) << render.standardError().substr(0, 2000);
    ASSERT_EQ(plain.wait(300), 0) << plain.standardError().substr(0, 2000);
    Image recovered, untouched;
    ASSERT_TRUE(readPng(png, recovered, error)) << error;
    ASSERT_TRUE(readPng(plainPng, untouched, error)) << error;
    long alongStroke = 0;
    for (int x = 110; x <= 240; ++x)
        for (int y = strokeY - 6; y <= strokeY + 6; ++y)
            alongStroke += std::abs(recovered.at(x, y)[1] - untouched.at(x, y)[1]) > 8;
    EXPECT_GT(alongStroke, 131 * 13 / 3) << "the recovered look holds the stroke";
}
