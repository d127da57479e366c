// Scratch directories, fatal-error capture and loading helpers for the model tests.
#include "tests/model/model_test_support.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "core/fatal_error.h"

namespace {
struct FatalExit {
    int status;
};
[[noreturn]] void throwFatalExit(int status) { throw FatalExit{status}; }
}  // namespace

ScratchDirectory::ScratchDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "pelage-model-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    root = pattern;
}

ScratchDirectory::~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
}

std::string ScratchDirectory::write(const std::string& name, const std::string& content) const {
    std::string file = path(name);
    std::filesystem::create_directories(std::filesystem::path(file).parent_path());
    std::ofstream(file, std::ios::binary) << content;
    return file;
}

Outcome capture(const std::function<ObjModel*()>& load) {
    Outcome outcome;
    setFatalExitHook(throwFatalExit);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    try {
        outcome.model.reset(load());
    } catch (const FatalExit& exit) {
        outcome.fatal = true;
        outcome.status = exit.status;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    outcome.out = testing::internal::GetCapturedStdout();
    outcome.err = testing::internal::GetCapturedStderr();
    setFatalExitHook(nullptr);
    return outcome;
}

Outcome readObj(const std::string& obj, const std::map<std::string, std::string>& files) {
    ScratchDirectory directory;
    for (const auto& [name, content] : files) directory.write(name, content);
    std::string path = directory.path("model.obj");
    return capture([&] { return glmReadOBJText(obj.data(), obj.size(), path.c_str()); });
}

ModelPtr loadObj(const std::string& obj, const std::map<std::string, std::string>& files) {
    Outcome outcome = readObj(obj, files);
    EXPECT_FALSE(outcome.fatal) << "stdout: " << outcome.out << "\nstderr: " << outcome.err;
    return std::move(outcome.model);
}

Outcome loadAndFinish(const std::function<ObjModel*()>& read) {
    return capture([&] {
        ModelPtr model(read());
        glmTriangleNormals(model.get());
        glmVertexNormals(model.get(), 90.0f);
        glmCenterAndScale(model.get());
        return model.release();
    });
}
