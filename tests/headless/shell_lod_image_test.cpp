// The shell level of detail against the full stack in pelage-render's pictures:
// within 0.5% (ImageMagick's mean absolute error after a 2-pixel blur).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/harness.h"

namespace {

TEST(ShellLodImages, StayWithinHalfAPercentOfTheFullStackAtEachView) {
    e2e::Environment noDisplay;
    e2e::ScratchDirectory scratch{"shell-lod"};
    struct View { std::string name; std::vector<std::string> options; bool fewerShells; };  // any shell dropped?
    const View views[] = {{"default", {}, true},
                          {"small", {"-sx", "400", "-sy", "360", "-e", "0.5", "0.4", "3.2"}, true},
                          {"close", {"-e", "0", "0.1", "1.35"}, false}};  // the coat some 75 pixels high
    for (const View& view : views) {
        std::string base = scratch.path() + "/" + view.name, compared;
        for (std::string stack : {"full", "lod"}) {  // every shell, then the default level of detail
            std::string png = base + stack + ".png";
            std::vector<std::string> args = view.options;
            args.insert(args.end(), {"--out", png});
            if (stack == "full") args.insert(args.end(), {"--set", "shellLod=0"});
            e2e::Program program("pelage-render", args);
            ASSERT_EQ(program.wait(300), 0) << program.standardError().substr(0, 2000);
            e2e::shell("convert '" + png + "' -blur 0x2 '" + png + "'");
            compared += " '" + png + "'";
        }
        std::string out = e2e::shell("compare -metric MAE" + compared + " null: 2>&1");
        double difference = out.find('(') == std::string::npos ? -1 : std::atof(out.c_str() + out.find('(') + 1);
        EXPECT_TRUE(difference >= 0 && difference <= 0.005) << view.name << ": " << out;
        EXPECT_EQ(difference > 0, view.fewerShells) << view.name;
    }
}

}  // namespace
