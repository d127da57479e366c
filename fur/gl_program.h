// Small GLSL programs of the fur synthesis itself (not the lighting programs,
// which go through the shader runtime): linking from source, and binding one
// for a scope.
#pragma once
#include <epoxy/gl.h>

// Compiles and links a vertex and a fragment shader. These are fixed sources
// of this program, so a failure is a defect: it ends the process with the
// compiler's log.
GLuint linkProgram(const char* name, const char* vertexSource, const char* fragmentSource);

// Uses `program` until the scope ends, then the program used before.
class ProgramInUse {
public:
    explicit ProgramInUse(GLuint program);
    ~ProgramInUse();
    ProgramInUse(const ProgramInUse&) = delete;
    ProgramInUse& operator=(const ProgramInUse&) = delete;

private:
    GLint previous = 0;
};
