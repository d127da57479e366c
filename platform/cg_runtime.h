// A small shader runtime with the names and shapes of the Cg runtime and its
// OpenGL binding, offering only the calls the fur renderer makes. Programs are
// GLSL (compatibility profile) source files compiled into GL shader objects.
//
// What differs from GLSL, and how it is bridged: a Cg program is one stage,
// bound and enabled on its own, and its parameters may be set at any time, also
// while it is not bound. Here every parameter keeps its value in the runtime;
// the GL program actually used is the link of the bound vertex program with the
// bound fragment program (or of one stage alone when only its profile is
// enabled), made when the pair is first used and cached. All kept values are
// applied when that GL program comes into use, and a value set while it is in
// use is applied at once. Everything runs on the thread that owns the GL
// context; calls that touch the GL need that context current.
#pragma once
#include <epoxy/gl.h>

typedef struct _CGcontext* CGcontext;
typedef struct _CGprogram* CGprogram;
typedef struct _CGparameter* CGparameter;
typedef int CGbool;

enum CGprofile {
    CG_PROFILE_UNKNOWN = 6145,
    CG_PROFILE_VP20 = 6146,
    CG_PROFILE_FP20 = 6147,
    CG_PROFILE_ARBVP1 = 6150,
    CG_PROFILE_ARBFP1 = 7000,
};

enum CGenum {
    CG_UNKNOWN = 4096,
    CG_PROGRAM_SOURCE = 4104,
    CG_PROGRAM_ENTRY = 4105,
    CG_COMPILED_PROGRAM = 4106,
    CG_PROGRAM_PROFILE = 4107,
    CG_SOURCE = 4112,
    CG_OBJECT = 4113,
};

enum CGGLenum {
    CG_GL_MATRIX_IDENTITY = 0,
    CG_GL_MATRIX_TRANSPOSE = 1,
    CG_GL_MATRIX_INVERSE = 2,
    CG_GL_MATRIX_INVERSE_TRANSPOSE = 3,
    CG_GL_MODELVIEW_MATRIX = 4,
    CG_GL_PROJECTION_MATRIX = 5,
    CG_GL_TEXTURE_MATRIX = 6,
    CG_GL_MODELVIEW_PROJECTION_MATRIX = 7,
};

enum CGerror {
    CG_NO_ERROR = 0,
    CG_COMPILER_ERROR = 1,
    CG_INVALID_PARAMETER_ERROR = 2,
    CG_INVALID_PROFILE_ERROR = 3,
    CG_PROGRAM_LOAD_ERROR = 4,
    CG_PROGRAM_BIND_ERROR = 5,
    CG_PROGRAM_NOT_LOADED_ERROR = 6,
    CG_UNSUPPORTED_GL_EXTENSION_ERROR = 7,
    CG_INVALID_VALUE_TYPE_ERROR = 8,
    CG_NOT_MATRIX_PARAM_ERROR = 9,
    CG_INVALID_ENUMERANT_ERROR = 10,
    CG_NOT_4x4_MATRIX_ERROR = 11,
    CG_FILE_READ_ERROR = 12,
    CG_FILE_WRITE_ERROR = 13,
    CG_MEMORY_ALLOC_ERROR = 15,
    CG_INVALID_CONTEXT_HANDLE_ERROR = 16,
    CG_INVALID_PROGRAM_HANDLE_ERROR = 17,
    CG_INVALID_PARAM_HANDLE_ERROR = 18,
    CG_UNKNOWN_PROFILE_ERROR = 19,
};

// --- Profiles ---------------------------------------------------------------
// The ARB profiles are supported where the GL offers GLSL; VP20 and FP20 (the
// NV-specific profiles) are not, unless the test seam below offers them.
CGbool cgGLIsProfileSupported(CGprofile profile);

// --- Context and errors -----------------------------------------------------
CGcontext cgCreateContext();
// The pending error, which is then cleared (CG_NO_ERROR when there is none).
CGerror cgGetError();
const char* cgGetErrorString(CGerror error);
CGcontext cgGetProgramContext(CGprogram program);
// The compiler and linker log of the context's last compile (or a note on why
// a file could not be read); "" before any. Never null for a valid context.
const char* cgGetLastListing(CGcontext context);

// --- Programs ---------------------------------------------------------------
// Compiles the GLSL file as the profile's stage (vertex or fragment). `entry`
// must be null or "main"; `args`, null or a null-terminated list, may hold
// "-DNAME", defining NAME for the source (after its #version line). Null, with an error pending, on
// an unreadable file (CG_FILE_READ_ERROR), a failed compile (CG_COMPILER_ERROR)
// or an unsupported profile (CG_INVALID_PROFILE_ERROR).
CGprogram cgCreateProgramFromFile(CGcontext context, CGenum programType, const char* programFile,
                                  CGprofile profile, const char* entry, const char** args);
// CG_COMPILED_PROGRAM and CG_PROGRAM_SOURCE: the source as compiled;
// CG_PROGRAM_ENTRY: "main"; CG_PROGRAM_PROFILE: the profile's name.
const char* cgGetProgramString(CGprogram program, CGenum pname);
void cgGLLoadProgram(CGprogram program);
// The program becomes the bound one of its profile's stage.
void cgGLBindProgram(CGprogram program);
// The profile's stage has no program bound any more: what a switch to
// another pair of programs does first, so that no program is ever bound
// beside one it cannot link with.
void cgGLUnbindProgram(CGprofile profile);
// Switches the profile's programmable stage on or off.
void cgGLEnableProfile(CGprofile profile);
void cgGLDisableProfile(CGprofile profile);

// --- Parameters -------------------------------------------------------------
// A uniform the program's source declares, by its name; null (and no error)
// when it declares none of that name, as Cg does.
CGparameter cgGetNamedParameter(CGprogram program, const char* name);
// Reads the GL matrix now (glGetFloatv) and keeps it, transformed as asked.
void cgGLSetStateMatrixParameter(CGparameter param, CGGLenum matrix, CGGLenum transform);
void cgGLSetParameter3fv(CGparameter param, const float* v);
void cgGLSetParameter4fv(CGparameter param, const float* v);
// A sampler given a texture gets a texture unit of its own (1, 2, ... in the
// order of assignment); samplers never given one stay on unit 0, where the
// caller binds textures itself.
void cgGLSetTextureParameter(CGparameter param, GLuint texture);
// Binds the sampler's texture on its unit and enables that unit's target;
// disabling unbinds and disables it. Both leave unit 0 active.
void cgGLEnableTextureParameter(CGparameter param);
void cgGLDisableTextureParameter(CGparameter param);

// --- Test seam --------------------------------------------------------------
// Which profiles cgGLIsProfileSupported may report, narrowing (or, for VP20
// and FP20, widening) what the GL offers: a comma-separated list of
// "vp20", "fp20", "arbvp1", "arbfp1", or one of "none", "vertex-only"
// (arbvp1), "fragment-only" (arbfp1), "all" (all four). Taken from this call
// when set, else from the environment variable PELAGE_SHADER_PROFILES, else
// the GL alone decides. Profiles offered this way still run on GLSL.
void pelageSetShaderProfiles(const char* profiles);  // null: back to the environment
