// Shader set-up: profiles, context, the two programs and their parameters.
// See shader_setup.h. Every step that can leave a runtime error pending is
// followed by checkCgError, so the first failure ends the process with its
// own message and the listing that explains it.
#include "render/shader_setup.h"

#include <cstdio>
#include <initializer_list>
#include <iterator>
#include <map>
#include <vector>

#include "core/fatal_error.h"
#include "fur/illumination_map.h"

CGcontext cgContext = nullptr;
CGprogram vertexProgram = nullptr;
CGprogram fragmentProgram = nullptr;
CGprofile vertexProfile = CG_PROFILE_UNKNOWN;
CGprofile fragmentProfile = CG_PROFILE_UNKNOWN;

CGparameter modelViewMatrixParam = nullptr;
CGparameter projectionMatrixParam = nullptr;
CGparameter modelViewMatrixITParam = nullptr;
CGparameter textureMatrixParam = nullptr;
CGparameter lightPositionParam = nullptr;
CGparameter eyePositionParam = nullptr;
CGparameter preModelMatrixParam = nullptr;
CGparameter furBendParam = nullptr;
CGparameter furTurnParam = nullptr;
CGparameter windVectorParam = nullptr;
CGparameter windPhaseParam = nullptr;
CGparameter qualityLightParam = nullptr;
CGparameter shadowMatrixParam = nullptr;
CGparameter shadowMapParam = nullptr;
CGparameter groomBendParam = nullptr;
CGparameter groomPassParam = nullptr;
CGparameter groomCoatShiftParam = nullptr;
CGparameter groomCoat2DParam = nullptr;
CGparameter groomCoat3DParam = nullptr;
CGparameter groomDensity2DParam = nullptr;
CGparameter groomDensity3DParam = nullptr;
CGparameter modelColorParam = nullptr;
CGparameter strandRanksParam = nullptr;
CGparameter groomCombParam = nullptr;
CGparameter groomComb2DParam = nullptr;
CGparameter groomComb3DParam = nullptr;
CGparameter illuminationMapParam = nullptr;
CGparameter hairTexParam = nullptr;

void checkCgError(CGprogram /*program*/) {
    CGerror error = cgGetError();
    if (error == CG_NO_ERROR) return;
    std::printf("CG error: %s\n", cgGetErrorString(error));
    // The listing is cgContext's: the program handle may be the null one a
    // failed creation returned, and asking a null handle for its context
    // would only raise another error.
    const char* listing = cgContext ? cgGetLastListing(cgContext) : "";
    fatalError(stdout, 1, "Error listing follows:\n %s\n", listing);
}

namespace {

// The start-up log of a program: the last listing and the program text.
void printListings(CGprogram program) {
    std::fprintf(stderr, "LAST LISTING----%s----\n", cgGetLastListing(cgContext));
    // A null program (none created, no error pending) has no text to show.
    const char* text = program ? cgGetProgramString(program, CG_COMPILED_PROGRAM) : "";
    std::fprintf(stderr, "---- PROGRAM BEGIN ----\n%s---- PROGRAM END ----\n", text);
}

CGparameter lookUp(CGprogram program, const char* name) {
    CGparameter param = cgGetNamedParameter(program, name);
    checkCgError(program);
    return param;
}

void chooseVertexProfile() {
    if (cgGLIsProfileSupported(CG_PROFILE_VP20))
        vertexProfile = CG_PROFILE_VP20;
    else if (cgGLIsProfileSupported(CG_PROFILE_ARBVP1))
        vertexProfile = CG_PROFILE_ARBVP1;
    else
        fatalError(stderr, -1, "Video card does not support vertex programs, exiting...\n");
}

void chooseFragmentProfile() {
    if (cgGLIsProfileSupported(CG_PROFILE_FP20))
        fragmentProfile = CG_PROFILE_FP20;
    else if (cgGLIsProfileSupported(CG_PROFILE_ARBFP1))
        fragmentProfile = CG_PROFILE_ARBFP1;
    else
        fatalError(stderr, -1, "Video card does not support fragment programs, exiting...\n");
}

// The compiler arguments of the variants made at start-up: none for
// ungroomed fur on a mesh at rest, and groomed with no map read.
const char* groomArguments[] = {"-DGROOM", nullptr};
const char* skinnedArguments[] = {"-DSKINNED", nullptr};

void createVertexProgram(const char** args) {
    vertexProgram = cgCreateProgramFromFile(cgContext, CG_SOURCE, "lighting_vertex.cg", vertexProfile, nullptr, args);
    checkCgError(vertexProgram);
    if (!args) printListings(vertexProgram);
    if (!vertexProgram) return;
    cgGLLoadProgram(vertexProgram);
    checkCgError(vertexProgram);
    modelViewMatrixParam = lookUp(vertexProgram, "ModelViewMatrix");
    projectionMatrixParam = lookUp(vertexProgram, "ProjectionMatrix");
    modelViewMatrixITParam = lookUp(vertexProgram, "ModelViewMatrixIT");
    textureMatrixParam = lookUp(vertexProgram, "TextureMatrix");
    lightPositionParam = lookUp(vertexProgram, "LightPosition");
    eyePositionParam = lookUp(vertexProgram, "EyePosition");
    preModelMatrixParam = lookUp(vertexProgram, "PreModelMatrix");
    furBendParam = lookUp(vertexProgram, "FurBend");
    furTurnParam = lookUp(vertexProgram, "FurTurn");
    windVectorParam = lookUp(vertexProgram, "WindVector");
    windPhaseParam = lookUp(vertexProgram, "WindPhase");
    qualityLightParam = lookUp(vertexProgram, "QualityLight");
    shadowMatrixParam = lookUp(vertexProgram, "ShadowMatrix");
    groomBendParam = lookUp(vertexProgram, "GroomBend");
    groomPassParam = lookUp(vertexProgram, "GroomPass");
    groomCoatShiftParam = lookUp(vertexProgram, "GroomCoatShift");
}

void createFragmentProgram(const char** args) {
    fragmentProgram =
        cgCreateProgramFromFile(cgContext, CG_SOURCE, "lighting_fragment.cg", fragmentProfile, nullptr, args);
    checkCgError(fragmentProgram);
    if (!args) printListings(fragmentProgram);
    if (!fragmentProgram) return;
    cgGLLoadProgram(fragmentProgram);
    checkCgError(fragmentProgram);
    illuminationMapParam = lookUp(fragmentProgram, "IlluminationMap");
    hairTexParam = lookUp(fragmentProgram, "hairTex");
    groomCoat2DParam = lookUp(fragmentProgram, "GroomCoat2D");
    groomCoat3DParam = lookUp(fragmentProgram, "GroomCoat3D");
    groomDensity2DParam = lookUp(fragmentProgram, "GroomDensity2D");
    groomDensity3DParam = lookUp(fragmentProgram, "GroomDensity3D");
    modelColorParam = lookUp(fragmentProgram, "ModelColor");
    strandRanksParam = lookUp(fragmentProgram, "StrandRanks");
    shadowMapParam = lookUp(fragmentProgram, "ShadowMap");
    groomCombParam = lookUp(fragmentProgram, "GroomComb");
    groomComb2DParam = lookUp(fragmentProgram, "GroomComb2D");
    groomComb3DParam = lookUp(fragmentProgram, "GroomComb3D");
    cgGLSetTextureParameter(illuminationMapParam, illuminationMap);
    checkCgError(fragmentProgram);
    // Every groom sampler, and the shadow map, on a unit of its own from the start, after the
    // table's: a 3D sampler left on unit 0 beside hairTex would name one unit
    // with two sampler types, which the GL forbids.
    for (CGparameter groomSampler : {groomCoat2DParam, groomCoat3DParam, groomDensity2DParam, groomDensity3DParam,
                                     modelColorParam, strandRanksParam, shadowMapParam, groomComb2DParam,
                                     groomComb3DParam})
        if (groomSampler) cgGLSetTextureParameter(groomSampler, 0);
}

// Every program and parameter handle above, so that a variant's can be kept
// and brought back.
struct ShaderVariant {
    CGprogram vertex = nullptr, fragment = nullptr;
    CGparameter params[29] = {};
};
CGparameter* const parameterHandles[] = {
    &modelViewMatrixParam, &projectionMatrixParam, &modelViewMatrixITParam, &textureMatrixParam,
    &lightPositionParam,   &eyePositionParam,      &preModelMatrixParam,    &furBendParam,
    &furTurnParam,         &windVectorParam,       &windPhaseParam,         &groomBendParam,
    &groomCoat2DParam,      &groomCoat3DParam,       &groomDensity2DParam,
    &groomDensity3DParam,  &modelColorParam,       &strandRanksParam,       &illuminationMapParam,
    &hairTexParam,         &qualityLightParam,    &shadowMatrixParam,     &shadowMapParam,
    &groomCombParam,       &groomComb2DParam,     &groomComb3DParam,      &groomPassParam,
    &groomCoatShiftParam};
static_assert(std::size(parameterHandles) <= std::size(ShaderVariant{}.params));
ShaderVariant plainShaders, groomShaders, skinnedShaders;
// The groomed variants made since, by their key (groomVariantKey).
std::map<unsigned, ShaderVariant> groomVariants;

ShaderVariant currentVariant() {
    ShaderVariant variant{vertexProgram, fragmentProgram};
    for (std::size_t k = 0; k < std::size(parameterHandles); ++k) variant.params[k] = *parameterHandles[k];
    return variant;
}

void makeVariantCurrent(const ShaderVariant& variant) {
    vertexProgram = variant.vertex;
    fragmentProgram = variant.fragment;
    for (std::size_t k = 0; k < std::size(parameterHandles); ++k) *parameterHandles[k] = variant.params[k];
}

// The posed and groomed variants are made on first use: a model without a
// skin never compiles the posed ones, and a groom only the one of its maps.
const ShaderVariant& variantMadeOnUse(ShaderVariant& variant, const char** args) {
    if (variant.vertex || !plainShaders.vertex || !plainShaders.fragment) return variant;
    ShaderVariant current = currentVariant();
    createVertexProgram(args);
    createFragmentProgram(args);
    variant = currentVariant();
    makeVariantCurrent(current);
    return variant;
}

unsigned groomVariantKey(const GroomProgramKey& groom, bool skinned) {
    auto space = [](int value) { return static_cast<unsigned>(value < 0 ? 0 : value > 2 ? 2 : value); };
    return space(groom.coatSpace) | space(groom.densitySpace) << 2 | space(groom.combSpace) << 4 |
           unsigned{groom.modelColour} << 6 | unsigned{groom.layered} << 7 | unsigned{skinned} << 8;
}

// The pair compiled for this groom, made on its first use.
const ShaderVariant& groomVariant(const GroomProgramKey& groom, bool skinned) {
    unsigned key = groomVariantKey(groom, skinned);
    if (key == 0) return groomShaders;
    std::vector<const char*> args = {"-DGROOM"};
    if (groom.coatSpace) args.push_back(groom.coatSpace == 1 ? "-DCOAT_2D" : "-DCOAT_3D");
    if (groom.densitySpace) args.push_back(groom.densitySpace == 1 ? "-DDENSITY_2D" : "-DDENSITY_3D");
    if (groom.combSpace) args.push_back("-DCOMB");
    if (groom.combSpace == 2) args.push_back("-DCOMB_3D");
    if (groom.modelColour) args.push_back("-DMODEL_COLOUR");
    if (groom.layered) args.push_back("-DLAYERED");
    if (skinned) args.push_back("-DSKINNED");
    args.push_back(nullptr);
    return variantMadeOnUse(groomVariants[key], args.data());
}

}  // namespace

void initShaders() {
    chooseVertexProfile();
    cgContext = cgCreateContext();
    checkCgError(nullptr);
    createVertexProgram(nullptr);
    chooseFragmentProfile();
    createFragmentProgram(nullptr);
    plainShaders = currentVariant();
    // Only where both stages exist is there fur to groom.
    if (vertexProgram && fragmentProgram) {
        createVertexProgram(groomArguments);
        createFragmentProgram(groomArguments);
        groomShaders = currentVariant();
    }
    makeVariantCurrent(plainShaders);
}

void useGroomShaders(const GroomProgramKey* groom, bool skinned) {
    bool groomed = groom && groomShaders.vertex;
    const ShaderVariant& plain = groomed ? groomShaders : plainShaders;
    const ShaderVariant& chosen = groomed ? groomVariant(*groom, skinned)
                                  : skinned ? variantMadeOnUse(skinnedShaders, skinnedArguments)
                                            : plainShaders;
    const ShaderVariant& wanted = chosen.vertex ? chosen : plain;
    if (wanted.vertex == vertexProgram && wanted.fragment == fragmentProgram) return;
    // The variants' stages do not link across: the old pair goes before the
    // new one is bound.
    cgGLUnbindProgram(vertexProfile);
    cgGLUnbindProgram(fragmentProfile);
    makeVariantCurrent(wanted);
}
