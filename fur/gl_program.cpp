// GLSL program linking for the synthesis programs; see gl_program.h.
#include "fur/gl_program.h"

#include "core/fatal_error.h"

namespace {

GLuint compile(const char* name, GLenum stage, const char* source) {
    const GLuint shader = glCreateShader(stage);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[2048] = "";
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        fatalError(stderr, 1, "Texture synthesis: the %s program does not compile:\n%s\n", name, log);
    }
    return shader;
}

}  // namespace

GLuint linkProgram(const char* name, const char* vertexSource, const char* fragmentSource) {
    const GLuint program = glCreateProgram();
    const GLuint vertex = compile(name, GL_VERTEX_SHADER, vertexSource);
    const GLuint fragment = compile(name, GL_FRAGMENT_SHADER, fragmentSource);
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glLinkProgram(program);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        char log[2048] = "";
        glGetProgramInfoLog(program, sizeof log, nullptr, log);
        fatalError(stderr, 1, "Texture synthesis: the %s program does not link:\n%s\n", name, log);
    }
    return program;
}

ProgramInUse::ProgramInUse(GLuint program) {
    glGetIntegerv(GL_CURRENT_PROGRAM, &previous);
    glUseProgram(program);
}

ProgramInUse::~ProgramInUse() { glUseProgram(static_cast<GLuint>(previous)); }
