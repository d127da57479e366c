// The vertex and fragment programs every fur pass draws with: created once at
// start-up from "lighting_vertex.cg" and "lighting_fragment.cg" in the working
// directory, their named parameters looked up, and the illumination texture
// handed to the fragment program. Relies on the shader runtime in platform/ and
// on the illumination texture already existing.
#pragma once
#include "platform/cg_runtime.h"

extern CGcontext cgContext;
extern CGprogram vertexProgram;
extern CGprogram fragmentProgram;
extern CGprofile vertexProfile;
extern CGprofile fragmentProfile;

// Vertex program parameters.
extern CGparameter modelViewMatrixParam;    // "ModelViewMatrix"
extern CGparameter projectionMatrixParam;   // "ProjectionMatrix"
extern CGparameter modelViewMatrixITParam;  // "ModelViewMatrixIT"
extern CGparameter textureMatrixParam;      // "TextureMatrix"
extern CGparameter lightPositionParam;      // "LightPosition"
extern CGparameter eyePositionParam;        // "EyePosition"
extern CGparameter preModelMatrixParam;     // "PreModelMatrix"
// The fur's bend (render/fur_dynamics.h); null when the vertex program does not
// declare them, and the fur then stays rigid.
extern CGparameter furBendParam;            // "FurBend"
extern CGparameter furTurnParam;            // "FurTurn"
extern CGparameter windVectorParam;         // "WindVector"
extern CGparameter windPhaseParam;          // "WindPhase"
// The Quality section's lighting; null when the vertex program has none.
extern CGparameter qualityLightParam;       // "QualityLight"
extern CGparameter shadowMatrixParam;       // "ShadowMatrix"
// The groom's (render/groom_textures.h); null when the programs do not
// declare them, and the fur is then drawn without a groom.
extern CGparameter groomBendParam;          // "GroomBend"
extern CGparameter groomPassParam;          // "GroomPass"
extern CGparameter groomCoatShiftParam;     // "GroomCoatShift"
extern CGparameter groomCoat2DParam;       // "GroomCoat2D"
extern CGparameter groomCoat3DParam;       // "GroomCoat3D"
extern CGparameter groomDensity2DParam;       // "GroomDensity2D"
extern CGparameter groomDensity3DParam;       // "GroomDensity3D"
extern CGparameter modelColorParam;         // "ModelColor"
extern CGparameter strandRanksParam;        // "StrandRanks"
extern CGparameter groomCombParam;          // "GroomComb"
extern CGparameter groomComb2DParam;        // "GroomComb2D"
extern CGparameter groomComb3DParam;        // "GroomComb3D"
// Fragment program parameters.
extern CGparameter illuminationMapParam;    // "IlluminationMap"
extern CGparameter hairTexParam;            // "hairTex"
extern CGparameter shadowMapParam;          // "ShadowMap", shared with the vertex program

// Chooses the profiles, creates the context and both programs, prints their
// listings on standard error, creates both again with GROOM defined, looks
// the parameters of each pair up and gives
// "IlluminationMap" the illuminationMap texture. Completes or ends the process
// (status -1 without a usable profile, 1 on a shader error).
void initShaders();

// What a groom's programs read, which picks the pair compiled for it: the
// software rasteriser runs every texture read a program holds, taken or not,
// so each holds only those of the maps its groom has.
struct GroomProgramKey {
    int coatSpace = 0;     // colour and length: 0 none, 1 texture space, 2 the volume
    int densitySpace = 0;  // the density (and a colour layer's coverage), the same way
    int combSpace = 0;     // the comb read again per pixel, the same way
    bool modelColour = false, layered = false;
};

// Makes the handles above those of the programs compiled for `groom` (GROOM
// defined, with the defines of its reads), or of the plain ones, which
// initShaders leaves current, for none. With `skinned`, those compiled with
// SKINNED defined as well, for a posed mesh. Each pair but the plain and the
// bare groomed one is made on the first such call.
void useGroomShaders(const GroomProgramKey* groom, bool skinned = false);

// Ends the process with status 1 after "CG error: ..." and the context's last
// listing on standard output when a shader-runtime error is pending; returns
// otherwise. The listing is always cgContext's (the program may be null).
void checkCgError(CGprogram program);
