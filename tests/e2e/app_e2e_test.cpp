// The real program in a window of its own: argument echo, keys, window size.
#include <gtest/gtest.h>

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
