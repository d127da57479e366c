// Helpers for the model tests: reading OBJ text with its files in a scratch
// directory, and observing fatal errors (message and status) in-process.
#pragma once
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "model/obj_model.h"

struct ModelDeleter {
    void operator()(ObjModel* model) const { glmDeleteModel(model); }
};
using ModelPtr = std::unique_ptr<ObjModel, ModelDeleter>;

// A scratch directory removed with everything in it when it goes.
class ScratchDirectory {
public:
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;
    std::string path(const std::string& name) const { return root + "/" + name; }
    std::string write(const std::string& name, const std::string& content) const;

private:
    std::string root;
};

// What running a load produced: the model, or the status of a fatal error; and
// everything written on standard output and standard error meanwhile.
struct Outcome {
    ModelPtr model;
    bool fatal = false;
    int status = 0;
    std::string out;
    std::string err;
};

// Runs `load` with the fatal exit replaced by an exception.
Outcome capture(const std::function<ObjModel*()>& load);

// Reads `obj` as the file "model.obj" of a scratch directory holding `files`.
Outcome readObj(const std::string& obj, const std::map<std::string, std::string>& files = {});

// Reads `obj` and asserts that it loads; returns the model.
ModelPtr loadObj(const std::string& obj, const std::map<std::string, std::string>& files = {});

// Reads, then finishes the model as the program does (facet normals, vertex
// normals at 90 degrees, centre and scale).
Outcome loadAndFinish(const std::function<ObjModel*()>& read);
