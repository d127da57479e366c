// Command-line parsing: what is echoed, what is consumed, what each option sets.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/camera.h"
#include "app/command_line.h"
#include "core/fatal_error.h"
#include "core/fur_settings.h"
#include "groom/brush.h"

namespace {


std::string contents(std::FILE* file) {
    std::rewind(file);
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;) text.push_back(static_cast<char>(c));
    std::fclose(file);
    return text;
}

// Runs the parser on a fresh camera and window size; returns the echo, and
// the warnings in `warned`.
std::string parse(std::vector<const char*> args, std::string* warned = nullptr) {
    resetCamera();
    windowWidth = windowHeight = 1024;
    modelPath = defaultModelPath;
    args.insert(args.begin(), "pelage");
    std::FILE* out = std::tmpfile();
    std::FILE* warnings = std::tmpfile();
    parseCommandLine(static_cast<int>(args.size()), args.data(), out, warnings);
    std::string warningText = contents(warnings);
    if (warned) *warned = warningText;
    return contents(out);
}

void expectVector(const float* v, float x, float y, float z) {
    EXPECT_FLOAT_EQ(v[0], x);
    EXPECT_FLOAT_EQ(v[1], y);
    EXPECT_FLOAT_EQ(v[2], z);
}

}  // namespace

TEST(CommandLine, NoArgumentsKeepsDefaults) {
    EXPECT_EQ(parse({}), "");
    EXPECT_EQ(windowWidth, 1024);
    EXPECT_EQ(windowHeight, 1024);
    expectVector(eyePoint, 0, 0, 3);
    expectVector(lookAtPoint, 0, 0, 0);
    expectVector(upVector, 0, 1, 0);
}

TEST(CommandLine, VectorOptionsEchoOnlyTheOptionAndConsumeThreeValues) {
    EXPECT_EQ(parse({"-e", "1", "2", "3"}), "-e\n");
    expectVector(eyePoint, 1, 2, 3);
    EXPECT_EQ(parse({"-a", "4", "5", "6", "-u", "0", "0", "2"}), "-a\n-u\n");
    expectVector(lookAtPoint, 4, 5, 6);
    expectVector(upVector, 0, 0, 2);  // never normalised
}

TEST(CommandLine, SizesTruncateTowardZeroAndMalformedNumbersGiveZero) {
    struct Case {
        const char* value;
        int width;
    } cases[] = {{"800.9", 800}, {"abc", 0}, {"  640px", 640}, {"-12.7", -12}, {"1e30", 2147483647}, {"nan", 0}};
    for (const Case& c : cases) {
        parse({"-sx", c.value});
        EXPECT_EQ(windowWidth, c.width) << c.value;
        EXPECT_EQ(windowHeight, 1024) << c.value;
    }
}

TEST(CommandLine, ComparisonIsCaseSensitiveAndUnknownArgumentsAreEchoed) {
    EXPECT_EQ(parse({"-E", "1", "2", "3"}), "-E\n1\n2\n3\n");
    expectVector(eyePoint, 0, 0, 3);
}

TEST(CommandLine, WhatIsIgnoredOrMisreadGetsOneWarningLine) {
    struct Case {
        std::vector<const char*> args;
        const char* warning;  // empty: none
    } cases[] = {
        {{"--modle"}, "\"--modle\" is not an option"},
        {{"-sx", "abc"}, "\"abc\" after -sx is not a number; read as 0"},
        {{"-e", "1", "2x", "3"}, "\"2x\" after -e is not a number; read as 2"},
        {{"-sy"}, "-sy takes 1 value and is ignored"},
        {{"-sx", " 800.9 ", "-e", "1", "2", "3", "--help"}, ""},
    };
    for (const Case& c : cases) {
        std::string warned;
        parse(c.args, &warned);
        if (!*c.warning) {
            EXPECT_EQ(warned, "") << c.args[0];
            continue;
        }
        EXPECT_NE(warned.find(c.warning), std::string::npos) << warned;
        EXPECT_NE(warned.find("see pelage --help"), std::string::npos) << warned;
        EXPECT_EQ(std::count(warned.begin(), warned.end(), '\n'), 1) << warned;
    }
}

TEST(CommandLine, ValuesAreTakenPositionallyEvenWhenTheyLookLikeOptions) {
    EXPECT_EQ(parse({"-e", "-a", "1", "2"}), "-e\n");
    expectVector(eyePoint, 0, 1, 2);
    expectVector(lookAtPoint, 0, 0, 0);
}

TEST(CommandLine, TheLastRepeatedOptionWins) {
    parse({"-sy", "300", "-sy", "200"});
    EXPECT_EQ(windowHeight, 200);
}

TEST(CommandLine, AnOptionWithTooFewValuesIsIgnored) {
    // The ignored option is treated like any unknown argument: what follows is examined.
    EXPECT_EQ(parse({"-sx", "500", "-e", "1", "2"}), "-sx\n-e\n1\n2\n");
    EXPECT_EQ(windowWidth, 500);
    expectVector(eyePoint, 0, 0, 3);
    EXPECT_EQ(parse({"-sy"}), "-sy\n");
    EXPECT_EQ(windowHeight, 1024);
}

TEST(CommandLine, ModelNamesTheFileAndEchoesItsPath) {
    struct Case {
        std::vector<const char*> args;
        const char* echo;
        const char* model;
    };
    const Case cases[] = {
        {{}, "", "OBJ/bunny-1500-cleaned.obj"},
        {{"--model", "scans/statue.obj"}, "--model\nscans/statue.obj\n", "scans/statue.obj"},
        {{"--model", "a.obj", "-sx", "300", "--model", "/tmp/b.obj"}, "--model\na.obj\n-sx\n--model\n/tmp/b.obj\n",
         "/tmp/b.obj"},
        // A value is a value, even one that looks like an option.
        {{"--model", "-e", "1", "2", "3"}, "--model\n-e\n1\n2\n3\n", "-e"},
        {{"-e", "--model", "1", "2"}, "-e\n", "OBJ/bunny-1500-cleaned.obj"},
        // Without its value the option is ignored, like the others.
        {{"--model"}, "--model\n", "OBJ/bunny-1500-cleaned.obj"},
        {{"--Model", "x.obj"}, "--Model\nx.obj\n", "OBJ/bunny-1500-cleaned.obj"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parse(c.args), c.echo);
        EXPECT_STREQ(modelPath, c.model);
    }
    modelPath = defaultModelPath;
}

namespace {

// The exit status the parser ends with (0 when it returns), and its message.
int parseStatus(const char* option, const char* value, std::string& err) {
    setFatalExitHook([](int status) { throw status; });
    int status = 0;
    const char* args[] = {"pelage", option, value};
    std::FILE* echo = std::tmpfile();
    testing::internal::CaptureStderr();
    try {
        parseCommandLine(3, args, echo);
    } catch (int exitStatus) {
        status = exitStatus;
    }
    err = testing::internal::GetCapturedStderr();
    std::fclose(echo);
    setFatalExitHook(nullptr);
    return status;
}

}  // namespace

TEST(CommandLine, UpNamesTheAxisThatPointsUpAndRefusesAnyOther) {
    // Applied in order with the settings, as pelage-render applies it.
    struct Case {
        const char* axis;
        const char* setting;  // null: refused
    } cases[] = {{"z", "upAxis=2"}, {"y", "upAxis=1"}, {"x", nullptr}, {"Z", nullptr}, {"", nullptr}};
    for (const Case& c : cases) {
        lookOptions.clear();
        std::string err;
        int status = parseStatus("--up", c.axis, err);
        EXPECT_EQ(status, c.setting ? 0 : 2) << c.axis;
        EXPECT_EQ(lookOptions.empty() ? "" : lookOptions.back().value, c.setting ? c.setting : "") << c.axis;
        EXPECT_EQ(err, c.setting ? "" : "pelage: --up takes y or z, not \"" + std::string(c.axis) + "\".\n");
    }
    lookOptions.clear();
}

TEST(CommandLine, BrushChoosesThePaintingBrushAndRefusesAnyOther) {
    struct Case {
        const char* name;
        int brush;  // -1: refused
    } cases[] = {{"length", BRUSH_LENGTH}, {"colour", BRUSH_COLOUR}, {"erase", BRUSH_ERASE}, {"off", BRUSH_OFF},
                 {"color", -1}, {"Comb", -1}};
    for (const Case& c : cases) {
        activeBrush = BRUSH_SMOOTH;
        std::string err;
        EXPECT_EQ(parseStatus("--brush", c.name, err), c.brush < 0 ? 2 : 0) << c.name;
        EXPECT_EQ(activeBrush, c.brush < 0 ? BRUSH_SMOOTH : c.brush) << c.name;
        EXPECT_EQ(err.find("--brush takes off, length, density, comb, colour, smooth or erase") != std::string::npos,
                  c.brush < 0)
            << err;
    }
    activeBrush = BRUSH_OFF;
}
