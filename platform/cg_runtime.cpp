// The shader runtime over GLSL. See cg_runtime.h for the model: one compiled
// shader object per program, parameter values kept here, and the GL program in
// use being the cached link of the bound, enabled stages.
//
// Each program is also linked alone at creation (the compatibility profile runs
// the other stage with the fixed-function pipeline), which reports link errors
// early and serves when only its profile is on. A program's parameters are the
// uniforms its source declares; a uniform the GL dropped as unused simply has
// no location to receive its value.
#include "platform/cg_runtime.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/matrix4.h"

namespace {

// A linked GL program and where each runtime parameter lives in it.
struct LinkedProgram {
    GLuint id = 0;
    std::vector<std::pair<_CGparameter*, GLint>> uniforms;
};

}  // namespace

struct _CGparameter {
    _CGprogram* program = nullptr;
    std::string name;
    GLenum type = 0;        // the GL uniform type
    float value[16] = {};   // matrices column-major, vectors from the front
    bool valueSet = false;  // uniforms never set keep GLSL's default of zero
    GLuint texture = 0;
    int unit = 0;           // samplers: 0 until given a texture
};

struct _CGprogram {
    _CGcontext* context = nullptr;
    CGprofile profile = CG_PROFILE_UNKNOWN;
    GLenum stage = 0;
    std::string source;
    GLuint shader = 0;
    LinkedProgram alone;
    bool loaded = false;
    int nextUnit = 1;
    std::vector<std::unique_ptr<_CGparameter>> params;
};

struct _CGcontext {
    std::string listing;
    std::vector<std::unique_ptr<_CGprogram>> programs;
};

namespace {

// Samplers get units 1 to 15, the units every GL of the programs' version
// offers to shaders. A sampler's target is enabled only on the
// fixed-function units (at least 1 to 7), where enabling it is legal.
constexpr int maxSamplerUnit = 15;

int fixedFunctionUnits() {
    static const int units = [] {
        GLint count = 8;
        glGetIntegerv(GL_MAX_TEXTURE_UNITS, &count);
        return static_cast<int>(count);
    }();
    return units;
}

struct Runtime {
    std::vector<std::unique_ptr<_CGcontext>> contexts;
    std::set<const void*> livePrograms;
    std::set<const void*> liveParams;
    CGerror pending = CG_NO_ERROR;
    CGprogram boundVertex = nullptr;
    CGprogram boundFragment = nullptr;
    bool vertexEnabled = false;
    bool fragmentEnabled = false;
    std::map<std::pair<CGprogram, CGprogram>, LinkedProgram> pairs;
    LinkedProgram* active = nullptr;
    std::optional<std::string> profileOverride;
};

Runtime& runtime() {
    static Runtime instance;
    return instance;
}

void raise(CGerror error) { runtime().pending = error; }

// Whether a handle names a live object of its kind.
bool isLive(CGcontext context) {
    for (const auto& c : runtime().contexts)
        if (c.get() == context) return true;
    return false;
}
bool isLive(CGprogram program) { return program && runtime().livePrograms.count(program) != 0; }
bool isLive(CGparameter param) { return param && runtime().liveParams.count(param) != 0; }

CGerror invalidHandleError(CGcontext) { return CG_INVALID_CONTEXT_HANDLE_ERROR; }
CGerror invalidHandleError(CGprogram) { return CG_INVALID_PROGRAM_HANDLE_ERROR; }
CGerror invalidHandleError(CGparameter) { return CG_INVALID_PARAM_HANDLE_ERROR; }

// Every entry point checks its handle first: false, with the error for the
// handle's kind recorded, when it names nothing live.
template <typename Handle>
bool checkHandle(Handle handle) {
    if (isLive(handle)) return true;
    raise(invalidHandleError(handle));
    return false;
}

// --- Profiles ---

enum class Stage { none, vertex, fragment };

Stage stageOf(CGprofile profile) {
    switch (profile) {
        case CG_PROFILE_VP20:
        case CG_PROFILE_ARBVP1: return Stage::vertex;
        case CG_PROFILE_FP20:
        case CG_PROFILE_ARBFP1: return Stage::fragment;
        default: return Stage::none;
    }
}

const char* profileName(CGprofile profile) {
    switch (profile) {
        case CG_PROFILE_VP20: return "vp20";
        case CG_PROFILE_FP20: return "fp20";
        case CG_PROFILE_ARBVP1: return "arbvp1";
        case CG_PROFILE_ARBFP1: return "arbfp1";
        default: return "unknown";
    }
}

// Whether the seam's list offers the profile; nullopt when no seam is set.
std::optional<bool> seamOffers(CGprofile profile) {
    std::string list;
    if (runtime().profileOverride) {
        list = *runtime().profileOverride;
    } else if (const char* env = std::getenv("PELAGE_SHADER_PROFILES")) {
        list = env;
    } else {
        return std::nullopt;
    }
    std::stringstream tokens(list);
    std::string token;
    while (std::getline(tokens, token, ',')) {
        if (token == "all") return true;
        if (token == "vertex-only") token = "arbvp1";
        if (token == "fragment-only") token = "arbfp1";
        if (token == profileName(profile)) return true;
        if (token != "none" && token != "vp20" && token != "fp20" && token != "arbvp1" && token != "arbfp1")
            std::fprintf(stderr, "PELAGE_SHADER_PROFILES: unknown profile \"%s\" ignored\n", token.c_str());
    }
    return false;
}

bool glHasGlsl(Stage stage) {
    if (epoxy_gl_version() >= 20) return true;
    if (!epoxy_has_gl_extension("GL_ARB_shader_objects")) return false;
    return epoxy_has_gl_extension(stage == Stage::vertex ? "GL_ARB_vertex_shader" : "GL_ARB_fragment_shader");
}

// --- GL programs ---

std::string shaderLog(GLuint shader) {
    GLint length = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    std::string log(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    if (length > 0) glGetShaderInfoLog(shader, length, nullptr, log.data());
    if (!log.empty() && log.back() == '\0') log.pop_back();
    return log;
}

std::string programLog(GLuint program) {
    GLint length = 0;
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    std::string log(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    if (length > 0) glGetProgramInfoLog(program, length, nullptr, log.data());
    if (!log.empty() && log.back() == '\0') log.pop_back();
    return log;
}

// Links the shaders into a new program; 0 (and the log) when linking fails.
GLuint linkShaders(std::initializer_list<GLuint> shaders, std::string& log) {
    GLuint program = glCreateProgram();
    for (GLuint shader : shaders) glAttachShader(program, shader);
    glLinkProgram(program);
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    log = programLog(program);
    if (linked) return program;
    glDeleteProgram(program);
    return 0;
}

void locateUniforms(LinkedProgram& linked, CGprogram program) {
    for (const auto& param : program->params)
        linked.uniforms.emplace_back(param.get(), glGetUniformLocation(linked.id, param->name.c_str()));
}

bool isSampler(GLenum type) {
    switch (type) {
        case GL_SAMPLER_1D:
        case GL_SAMPLER_2D:
        case GL_SAMPLER_3D:
        case GL_SAMPLER_CUBE:
        case GL_SAMPLER_2D_RECT:
        case GL_SAMPLER_2D_ARRAY: return true;
        default: return false;
    }
}

GLenum samplerTarget(GLenum type) {
    switch (type) {
        case GL_SAMPLER_1D: return GL_TEXTURE_1D;
        case GL_SAMPLER_3D: return GL_TEXTURE_3D;
        case GL_SAMPLER_CUBE: return GL_TEXTURE_CUBE_MAP;
        case GL_SAMPLER_2D_RECT: return GL_TEXTURE_RECTANGLE;
        case GL_SAMPLER_2D_ARRAY: return GL_TEXTURE_2D_ARRAY;
        default: return GL_TEXTURE_2D;
    }
}

// The GL type of a GLSL type name; 0 for types no setter here handles.
GLenum glslType(const std::string& name) {
    static const std::map<std::string, GLenum> types = {
        {"float", GL_FLOAT},         {"vec2", GL_FLOAT_VEC2},       {"vec3", GL_FLOAT_VEC3},
        {"vec4", GL_FLOAT_VEC4},     {"mat2", GL_FLOAT_MAT2},       {"mat3", GL_FLOAT_MAT3},
        {"mat4", GL_FLOAT_MAT4},     {"mat4x4", GL_FLOAT_MAT4},     {"mat3x3", GL_FLOAT_MAT3},
        {"mat2x2", GL_FLOAT_MAT2},   {"mat2x3", GL_FLOAT_MAT2x3},   {"mat2x4", GL_FLOAT_MAT2x4},
        {"mat3x2", GL_FLOAT_MAT3x2}, {"mat3x4", GL_FLOAT_MAT3x4},   {"mat4x2", GL_FLOAT_MAT4x2},
        {"mat4x3", GL_FLOAT_MAT4x3}, {"sampler1D", GL_SAMPLER_1D},  {"sampler2D", GL_SAMPLER_2D},
        {"sampler3D", GL_SAMPLER_3D}, {"samplerCube", GL_SAMPLER_CUBE}, {"sampler2DRect", GL_SAMPLER_2D_RECT},
        {"sampler2DArray", GL_SAMPLER_2D_ARRAY},
    };
    auto found = types.find(name);
    return found == types.end() ? 0 : found->second;
}

std::string withoutComments(const std::string& source) {
    std::string text;
    for (size_t i = 0; i < source.size(); ++i) {
        if (source.compare(i, 2, "//") == 0) {
            i = source.find('\n', i);
            if (i == std::string::npos) break;
            text += '\n';
        } else if (source.compare(i, 2, "/*") == 0) {
            i = source.find("*/", i + 2);
            if (i == std::string::npos) break;
            ++i;
            text += ' ';
        } else {
            text += source[i];
        }
    }
    return text;
}

// The uniforms the source declares, one parameter each, as Cg knows every
// declared parameter. Declarations are read from the text rather than asked of
// the GL, because linking a stage alone drops the uniforms that only feed
// varyings no fixed-function stage reads.
void collectParameters(CGprogram program) {
    std::string text = withoutComments(program->source);
    static const std::regex declaration(
        R"(\buniform\s+(?:(?:lowp|mediump|highp)\s+)?(\w+)\s+([^;]+);)");
    static const std::regex name(R"(^\s*(\w+))");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), declaration); it != std::sregex_iterator(); ++it) {
        GLenum type = glslType((*it)[1].str());
        std::stringstream names((*it)[2].str());
        std::string item;
        while (std::getline(names, item, ',')) {
            std::smatch match;
            if (!std::regex_search(item, match, name)) continue;
            auto param = std::make_unique<_CGparameter>();
            param->program = program;
            param->name = match[1].str();
            param->type = type;
            runtime().liveParams.insert(param.get());
            program->params.push_back(std::move(param));
        }
    }
    locateUniforms(program->alone, program);
}

void upload(const _CGparameter& param, GLint location) {
    if (location < 0) return;
    if (isSampler(param.type)) {
        // A sampler never given a texture keeps the GL's default unit 0. It
        // must not write that 0: a sampler both stages declare is one uniform
        // of the linked pair, and the other stage's parameter may own a unit.
        if (param.unit != 0) glUniform1i(location, param.unit);
        return;
    }
    if (!param.valueSet) return;
    switch (param.type) {
        case GL_FLOAT_MAT4: glUniformMatrix4fv(location, 1, GL_FALSE, param.value); break;
        case GL_FLOAT_VEC4: glUniform4fv(location, 1, param.value); break;
        case GL_FLOAT_VEC3: glUniform3fv(location, 1, param.value); break;
        default: break;
    }
}

// The linked pair, made on first use; id 0 records a pair that does not link.
LinkedProgram& pairFor(CGprogram vertex, CGprogram fragment, bool& linkedNow) {
    auto key = std::make_pair(vertex, fragment);
    auto found = runtime().pairs.find(key);
    linkedNow = false;
    if (found != runtime().pairs.end()) return found->second;
    LinkedProgram& pair = runtime().pairs[key];
    std::string log;
    pair.id = linkShaders({vertex->shader, fragment->shader}, log);
    vertex->context->listing = log;
    linkedNow = true;
    if (pair.id) {
        locateUniforms(pair, vertex);
        locateUniforms(pair, fragment);
    }
    return pair;
}

// Puts the GL program the bound, enabled stages call for into use and gives
// it every kept value.
void updateActiveProgram() {
    Runtime& rt = runtime();
    CGprogram vertex = rt.vertexEnabled ? rt.boundVertex : nullptr;
    CGprogram fragment = rt.fragmentEnabled ? rt.boundFragment : nullptr;
    LinkedProgram* wanted = nullptr;
    if (vertex && fragment) {
        bool linkedNow = false;
        LinkedProgram& pair = pairFor(vertex, fragment, linkedNow);
        if (pair.id) wanted = &pair;
    } else if (vertex) {
        wanted = &vertex->alone;
    } else if (fragment) {
        wanted = &fragment->alone;
    }
    if (!wanted) {
        if (rt.active) glUseProgram(0);
        rt.active = nullptr;
        return;
    }
    glUseProgram(wanted->id);
    rt.active = wanted;
    for (const auto& [param, location] : wanted->uniforms) upload(*param, location);
}

// Applies one parameter's value at once when the GL program in use has it.
void applyIfActive(const _CGparameter& param) {
    LinkedProgram* active = runtime().active;
    if (!active) return;
    for (const auto& [candidate, location] : active->uniforms) {
        if (candidate != &param) continue;
        glUseProgram(active->id);  // someone else may have changed the current program
        upload(param, location);
    }
}

// --- Program creation ---

// Why a program of this type and profile cannot be made; CG_NO_ERROR when it can.
CGerror creationRefusal(CGenum programType, CGprofile profile) {
    if (programType != CG_SOURCE) return CG_INVALID_ENUMERANT_ERROR;
    if (stageOf(profile) == Stage::none) return CG_UNKNOWN_PROFILE_ERROR;
    if (!cgGLIsProfileSupported(profile)) return CG_INVALID_PROFILE_ERROR;
    return CG_NO_ERROR;
}

bool readFile(const char* path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) return false;
    text = content.str();
    return true;
}

// Reads the program's source; on failure the listing names the file and the cause.
bool readSource(CGcontext context, const char* programFile, std::string& source) {
    errno = 0;
    if (programFile && readFile(programFile, source)) return true;
    int cause = errno;
    context->listing = std::string("cannot read \"") + (programFile ? programFile : "(null)") +
                       "\": " + std::strerror(cause ? cause : ENOENT) + "\n";
    raise(CG_FILE_READ_ERROR);
    return false;
}

// GLSL's entry function is always main, so no other can be asked for.
bool entryIsMain(CGcontext context, const char* programFile, const char* entry) {
    if (!entry || std::strcmp(entry, "main") == 0) return true;
    context->listing = std::string(programFile) + ": the entry function must be main\n";
    raise(CG_COMPILER_ERROR);
    return false;
}

GLenum shaderType(Stage stage) { return stage == Stage::vertex ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER; }

// Compiles the source for the stage; 0 when it does not compile. The listing
// becomes the compiler's log.
GLuint compileStage(Stage stage, const std::string& source, std::string& listing) {
    GLuint shader = glCreateShader(shaderType(stage));
    // Mesa skips compiling a source text it has compiled before, keyed by the
    // text alone; the same text compiled for the other stage then breaks its
    // link. A trailing comment naming the stage keeps the two texts apart.
    const char* texts[] = {source.c_str(), stage == Stage::vertex ? "\n// vertex stage\n" : "\n// fragment stage\n"};
    glShaderSource(shader, 2, texts, nullptr);
    glCompileShader(shader);
    GLint compiled = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    listing = shaderLog(shader);
    if (compiled) return shader;
    glDeleteShader(shader);
    return 0;
}

// A compiled stage and its program linked alone.
struct CompiledStage {
    GLuint shader = 0;
    GLuint alone = 0;
};

// Compiles and links the stage alone; the listing gets both logs.
bool compileAndLinkAlone(Stage stage, const std::string& source, std::string& listing, CompiledStage& compiled) {
    compiled.shader = compileStage(stage, source, listing);
    if (!compiled.shader) return false;
    std::string linkLog;
    compiled.alone = linkShaders({compiled.shader}, linkLog);
    listing += linkLog;
    if (compiled.alone) return true;
    glDeleteShader(compiled.shader);
    return false;
}

CGprogram addProgram(CGcontext context, CGprofile profile, std::string source, const CompiledStage& compiled) {
    auto program = std::make_unique<_CGprogram>();
    program->context = context;
    program->profile = profile;
    program->stage = shaderType(stageOf(profile));
    program->source = std::move(source);
    program->shader = compiled.shader;
    program->alone.id = compiled.alone;
    collectParameters(program.get());
    runtime().livePrograms.insert(program.get());
    context->programs.push_back(std::move(program));
    return context->programs.back().get();
}

// --- Setters shared by the entry points ---

void setProfileEnabled(CGprofile profile, bool enabled) {
    Stage stage = stageOf(profile);
    if (stage == Stage::none) {
        raise(CG_UNKNOWN_PROFILE_ERROR);
        return;
    }
    (stage == Stage::vertex ? runtime().vertexEnabled : runtime().fragmentEnabled) = enabled;
    updateActiveProgram();
}

void setVector(CGparameter param, const float* v, int count) {
    if (!checkHandle(param)) return;
    int size = param->type == GL_FLOAT_VEC4 ? 4 : param->type == GL_FLOAT_VEC3 ? 3 : 0;
    if (size == 0 || !v) {
        raise(CG_INVALID_PARAMETER_ERROR);
        return;
    }
    for (int i = 0; i < count && i < size; ++i) param->value[i] = v[i];
    param->valueSet = true;
    applyIfActive(*param);
}

void switchTextureUnit(CGparameter param, bool on) {
    if (!checkHandle(param)) return;
    if (!isSampler(param->type)) {
        raise(CG_INVALID_PARAMETER_ERROR);
        return;
    }
    if (param->unit == 0) return;  // unit 0 belongs to the caller's own binds
    GLenum target = samplerTarget(param->type);
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(param->unit));
    glBindTexture(target, on ? param->texture : 0);
    if (param->unit < fixedFunctionUnits()) {
        if (on)
            glEnable(target);
        else
            glDisable(target);
    }
    glActiveTexture(GL_TEXTURE0);
}

}  // namespace

// --- Profiles ---

CGbool cgGLIsProfileSupported(CGprofile profile) {
    Stage stage = stageOf(profile);
    if (stage == Stage::none) return 0;
    std::optional<bool> offered = seamOffers(profile);
    bool nvProfile = profile == CG_PROFILE_VP20 || profile == CG_PROFILE_FP20;
    if (offered.has_value() ? !*offered : nvProfile) return 0;
    return glHasGlsl(stage) ? 1 : 0;
}

void pelageSetShaderProfiles(const char* profiles) {
    if (profiles)
        runtime().profileOverride = profiles;
    else
        runtime().profileOverride.reset();
}

// --- Context and errors ---

CGcontext cgCreateContext() {
    runtime().contexts.push_back(std::make_unique<_CGcontext>());
    return runtime().contexts.back().get();
}

CGerror cgGetError() {
    CGerror error = runtime().pending;
    runtime().pending = CG_NO_ERROR;
    return error;
}

const char* cgGetErrorString(CGerror error) {
    switch (error) {
        case CG_NO_ERROR: return "No error has occurred.";
        case CG_COMPILER_ERROR: return "The compile returned an error.";
        case CG_INVALID_PARAMETER_ERROR: return "The parameter used is invalid.";
        case CG_INVALID_PROFILE_ERROR: return "The profile is not supported.";
        case CG_PROGRAM_LOAD_ERROR: return "The program could not load.";
        case CG_PROGRAM_BIND_ERROR: return "Cannot bind the program.";
        case CG_PROGRAM_NOT_LOADED_ERROR: return "The program must be loaded before this operation may be used.";
        case CG_UNSUPPORTED_GL_EXTENSION_ERROR:
            return "An unsupported GL extension was required to perform this operation.";
        case CG_INVALID_VALUE_TYPE_ERROR: return "An unknown value type was assigned to a parameter.";
        case CG_NOT_MATRIX_PARAM_ERROR: return "The parameter is not of matrix type.";
        case CG_INVALID_ENUMERANT_ERROR: return "The enumerant parameter has an invalid value.";
        case CG_NOT_4x4_MATRIX_ERROR: return "The parameter must be a 4x4 matrix type.";
        case CG_FILE_READ_ERROR: return "The file could not be read.";
        case CG_FILE_WRITE_ERROR: return "The file could not be written.";
        case CG_MEMORY_ALLOC_ERROR: return "Memory allocation failed.";
        case CG_INVALID_CONTEXT_HANDLE_ERROR: return "Invalid context handle.";
        case CG_INVALID_PROGRAM_HANDLE_ERROR: return "Invalid program handle.";
        case CG_INVALID_PARAM_HANDLE_ERROR: return "Invalid parameter handle.";
        case CG_UNKNOWN_PROFILE_ERROR: return "The specified profile is unknown.";
    }
    return "Unknown error.";
}

CGcontext cgGetProgramContext(CGprogram program) {
    if (!checkHandle(program)) return nullptr;
    return program->context;
}

const char* cgGetLastListing(CGcontext context) {
    if (!checkHandle(context)) return "";
    return context->listing.c_str();
}

// --- Programs ---

// The source with a "#define NAME" line for each "-DNAME" of the compiler
// arguments (a null-terminated list, as Cg takes it), after the #version line
// that must come first; other arguments are ignored.
static std::string withDefines(std::string source, const char** args) {
    std::string defines;
    for (; args && *args; ++args)
        if (std::strncmp(*args, "-D", 2) == 0 && (*args)[2] != '\0') defines += std::string("#define ") + (*args + 2) + "\n";
    if (defines.empty()) return source;
    std::size_t version = source.find("#version"), at = 0;
    if (version != std::string::npos) {
        std::size_t lineEnd = source.find('\n', version);
        at = lineEnd == std::string::npos ? source.size() : lineEnd + 1;
    }
    return source.insert(at, defines);
}

CGprogram cgCreateProgramFromFile(CGcontext context, CGenum programType, const char* programFile,
                                  CGprofile profile, const char* entry, const char** args) {
    if (!checkHandle(context)) return nullptr;
    CGerror refusal = creationRefusal(programType, profile);
    if (refusal != CG_NO_ERROR) {
        raise(refusal);
        return nullptr;
    }
    std::string source;
    if (!readSource(context, programFile, source) || !entryIsMain(context, programFile, entry)) return nullptr;
    source = withDefines(std::move(source), args);
    CompiledStage compiled;
    if (!compileAndLinkAlone(stageOf(profile), source, context->listing, compiled)) {
        raise(CG_COMPILER_ERROR);
        return nullptr;
    }
    return addProgram(context, profile, std::move(source), compiled);
}

const char* cgGetProgramString(CGprogram program, CGenum pname) {
    if (!checkHandle(program)) return "";
    switch (pname) {
        case CG_PROGRAM_SOURCE:
        case CG_COMPILED_PROGRAM: return program->source.c_str();
        case CG_PROGRAM_ENTRY: return "main";
        case CG_PROGRAM_PROFILE: return profileName(program->profile);
        default: raise(CG_INVALID_ENUMERANT_ERROR); return "";
    }
}

void cgGLLoadProgram(CGprogram program) {
    if (!checkHandle(program)) return;
    program->loaded = true;
}

void cgGLUnbindProgram(CGprofile profile) {
    Stage stage = stageOf(profile);
    if (stage == Stage::none) {
        raise(CG_UNKNOWN_PROFILE_ERROR);
        return;
    }
    Runtime& rt = runtime();
    (stage == Stage::vertex ? rt.boundVertex : rt.boundFragment) = nullptr;
    if (rt.vertexEnabled || rt.fragmentEnabled) updateActiveProgram();
}

void cgGLBindProgram(CGprogram program) {
    if (!checkHandle(program)) return;
    if (!program->loaded) {
        raise(CG_PROGRAM_NOT_LOADED_ERROR);
        return;
    }
    Runtime& rt = runtime();
    (program->stage == GL_VERTEX_SHADER ? rt.boundVertex : rt.boundFragment) = program;
    // Link the pair now, so that a pair that cannot work together is reported
    // where a bind is checked rather than silently drawing nothing.
    if (rt.boundVertex && rt.boundFragment) {
        bool linkedNow = false;
        if (!pairFor(rt.boundVertex, rt.boundFragment, linkedNow).id) raise(CG_PROGRAM_BIND_ERROR);
    }
    if (rt.vertexEnabled || rt.fragmentEnabled) updateActiveProgram();
}

void cgGLEnableProfile(CGprofile profile) { setProfileEnabled(profile, true); }

void cgGLDisableProfile(CGprofile profile) { setProfileEnabled(profile, false); }

// --- Parameters ---

CGparameter cgGetNamedParameter(CGprogram program, const char* name) {
    if (!checkHandle(program)) return nullptr;
    if (!name) return nullptr;
    for (const auto& param : program->params)
        if (param->name == name) return param.get();
    return nullptr;
}

void cgGLSetStateMatrixParameter(CGparameter param, CGGLenum matrix, CGGLenum transform) {
    if (!checkHandle(param)) return;
    if (param->type != GL_FLOAT_MAT4) {
        bool otherMatrix = param->type == GL_FLOAT_MAT2 || param->type == GL_FLOAT_MAT3 ||
                           param->type == GL_FLOAT_MAT2x3 || param->type == GL_FLOAT_MAT2x4 ||
                           param->type == GL_FLOAT_MAT3x2 || param->type == GL_FLOAT_MAT3x4 ||
                           param->type == GL_FLOAT_MAT4x2 || param->type == GL_FLOAT_MAT4x3;
        raise(otherMatrix ? CG_NOT_4x4_MATRIX_ERROR : CG_NOT_MATRIX_PARAM_ERROR);
        return;
    }
    Matrix4 value{};
    switch (matrix) {
        case CG_GL_MODELVIEW_MATRIX: glGetFloatv(GL_MODELVIEW_MATRIX, value.data()); break;
        case CG_GL_PROJECTION_MATRIX: glGetFloatv(GL_PROJECTION_MATRIX, value.data()); break;
        case CG_GL_TEXTURE_MATRIX: glGetFloatv(GL_TEXTURE_MATRIX, value.data()); break;
        case CG_GL_MODELVIEW_PROJECTION_MATRIX: {
            Matrix4 modelView{}, projection{};
            glGetFloatv(GL_MODELVIEW_MATRIX, modelView.data());
            glGetFloatv(GL_PROJECTION_MATRIX, projection.data());
            value = multiply(projection, modelView);
            break;
        }
        default: raise(CG_INVALID_ENUMERANT_ERROR); return;
    }
    switch (transform) {
        case CG_GL_MATRIX_IDENTITY: break;
        case CG_GL_MATRIX_TRANSPOSE: value = transpose(value); break;
        case CG_GL_MATRIX_INVERSE: value = inverse(value); break;
        case CG_GL_MATRIX_INVERSE_TRANSPOSE: value = transpose(inverse(value)); break;
        default: raise(CG_INVALID_ENUMERANT_ERROR); return;
    }
    std::memcpy(param->value, value.data(), sizeof param->value);
    param->valueSet = true;
    applyIfActive(*param);
}

void cgGLSetParameter3fv(CGparameter param, const float* v) { setVector(param, v, 3); }
void cgGLSetParameter4fv(CGparameter param, const float* v) { setVector(param, v, 4); }

void cgGLSetTextureParameter(CGparameter param, GLuint texture) {
    if (!checkHandle(param)) return;
    if (!isSampler(param->type)) {
        raise(CG_INVALID_PARAMETER_ERROR);
        return;
    }
    if (param->unit == 0) {
        if (param->program->nextUnit > maxSamplerUnit) {
            raise(CG_INVALID_PARAMETER_ERROR);
            return;
        }
        param->unit = param->program->nextUnit++;
    }
    param->texture = texture;
    applyIfActive(*param);
}

void cgGLEnableTextureParameter(CGparameter param) { switchTextureUnit(param, true); }
void cgGLDisableTextureParameter(CGparameter param) { switchTextureUnit(param, false); }
