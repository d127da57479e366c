// The skin, fin and shell passes. Relies on the prepared mesh's buffers (the
// indexed triangles every skin and shell pass draws, and the fins laid out per
// frame), the shell and fin textures, the shader programs and their parameter
// handles, and the camera handed down at start-up.
#include "render/fur_drawing.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/fur_settings.h"
#include "fur/fin_texture.h"
#include "fur/shell_textures.h"
#include "render/fur_dynamics.h"
#include "render/fur_mesh.h"
#include "render/fur_shadows.h"
#include "render/groom_textures.h"
#include "render/mesh_buffers.h"
#include "render/render_camera.h"
#include "render/shader_setup.h"
#include "render/shell_lod.h"

namespace {

// GL errors are looked for after each pass in debug builds only: glGetError
// stalls the pipeline, which the per-frame release path cannot afford.
void checkGlErrors([[maybe_unused]] const char* pass) {
#ifndef NDEBUG
    for (GLenum error = glGetError(); error != GL_NO_ERROR; error = glGetError())
        std::fprintf(stderr, "GL error 0x%04x after the %s pass\n", error, pass);
#endif
}

bool haveShellTexture(int index) {
    return shellTextures != nullptr && index >= 0 && index < shellTextureCount && shellTextures[index] != 0;
}

void pushShellTextureMatrix() {
    glMatrixMode(GL_TEXTURE);
    glPushMatrix();
    glScalef(furSettings.shellTextureScale, furSettings.shellTextureScale, 1.0f);
    glMatrixMode(GL_MODELVIEW);
    cgGLSetStateMatrixParameter(textureMatrixParam, CG_GL_TEXTURE_MATRIX, CG_GL_MATRIX_IDENTITY);
}

void popTextureMatrix() {
    glMatrixMode(GL_TEXTURE);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

void enableShaders() {
    cgGLEnableProfile(vertexProfile);
    cgGLEnableProfile(fragmentProfile);
    cgGLEnableTextureParameter(illuminationMapParam);
}

void disableShaders() {
    cgGLDisableTextureParameter(illuminationMapParam);
    cgGLDisableProfile(vertexProfile);
    cgGLDisableProfile(fragmentProfile);
}

// Without shell texture 0 (no shells at all) the skin is drawn in the skin
// colour with the fixed-function lighting, rather than sampling a texture that
// does not exist.
void drawUntexturedSkin() {
    disableShaders();
    glColor4f(furSettings.skinColor[0], furSettings.skinColor[1], furSettings.skinColor[2], 1.0f);
    drawMeshTriangles();
    enableShaders();
}

void skinPass() {
    pushShellTextureMatrix();
    glDisable(GL_BLEND);
    if (haveShellTexture(0)) {
        glEnable(GL_TEXTURE_2D);
        glColor4f(1, 0, 0, 1);
        setGroomPass(GroomPass::Skin);
        glBindTexture(GL_TEXTURE_2D, shellTextures[0]);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
        drawMeshTriangles();
        glDisable(GL_TEXTURE_2D);
    } else {
        drawUntexturedSkin();
    }
    glEnable(GL_BLEND);
    popTextureMatrix();
    checkGlErrors("skin");
}

// With the frame's samples in use, a fin or shell texel also covers only as
// many of a pixel's samples as its alpha says, on top of the blending every
// layer has. (Mesa's software renderer draws the same blended layers with or
// without it; there the samples' smoother edges are what shows.)
void coverageFromAlpha(bool on) {
    if (on && furSettings.antialiasing) glEnable(GL_SAMPLE_ALPHA_TO_COVERAGE);
    else glDisable(GL_SAMPLE_ALPHA_TO_COVERAGE);
}

void finPass(const float view[3]) {
    cgGLSetStateMatrixParameter(textureMatrixParam, CG_GL_TEXTURE_MATRIX, CG_GL_MATRIX_IDENTITY);
    glEnable(GL_TEXTURE_2D);
    setGroomPass(GroomPass::Fin);
    glBindTexture(GL_TEXTURE_2D, finTexture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glDepthMask(GL_FALSE);
    coverageFromAlpha(true);
    drawMeshFins(view);
    coverageFromAlpha(false);
    glDepthMask(GL_TRUE);
    glDisable(GL_TEXTURE_2D);
    checkGlErrors("fin");
}

// Returns the layers drawn, the skin included.
int shellPass(int layers) {
    pushShellTextureMatrix();
    glEnable(GL_TEXTURE_2D);
    // Smooth levels spread a strand's coverage thinly over the texels around
    // it: cut at 0.1 a distant coat would lose its faint strands altogether.
    glAlphaFunc(GL_GREATER, furSettings.smoothShells ? 0.0f : 0.1f);
    glEnable(GL_ALPHA_TEST);
    coverageFromAlpha(true);
    const int numShells = furSettings.numShells;
    int drawn = std::min(numShells, 1), below = 0;
    // The groom's fragment program drops a shell pixel above the hair's
    // length (to half a step of its map); the shells above the longest hair
    // are not drawn at all.
    const float highest = (groomLongestHair() + 0.002f) * furSettings.shellHeight;
    // A shell without a texture (the count raised before the textures were
    // rebuilt) ends the stack.
    for (int layer = 1; layer < layers; ++layer) {
        int i = shellLayerTexture(layer, layers, numShells);
        if (!haveShellTexture(i)) break;
        float h = shellOffset(i, numShells, furSettings.shellHeight);
        if (h > highest) break;
        float shade = shellShade(i, numShells, furSettings.shellHeight, furSettings.minShadow);
        // The opacity factor lets this shell carry the coverage of the
        // textures between it and the one drawn below it.
        glColor4f(shade, h, 0.0f, shellOpacityFactor(i - below));
        setGroomPass(GroomPass::Shell, i);
        glBindTexture(GL_TEXTURE_2D, shellTextures[i]);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
        drawMeshTriangles();
        below = i;
        ++drawn;
    }
    coverageFromAlpha(false);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_ALPHA_TEST);
    popTextureMatrix();
    checkGlErrors("shell");
    return drawn;
}

// The frame's bend, in the model's space. With the dynamics off FurBend.w is 0
// and the vertex program leaves the fur exactly rigid. A vertex program
// without the bend's parameters simply draws rigid fur.
void setBendParameters(const ObjectTransform& model) {
    if (!furBendParam || !furTurnParam || !windVectorParam || !windPhaseParam) return;
    FurBend bend = furBend(furDynamics, dynamicsParameters(furSettings), model, furFullHeight(furSettings));
    const float steady[4] = {bend.steady[0], bend.steady[1], bend.steady[2], bend.inverseHeight};
    cgGLSetParameter4fv(furBendParam, steady);
    cgGLSetParameter3fv(furTurnParam, bend.turn);
    cgGLSetParameter3fv(windVectorParam, bend.wind);
    cgGLSetParameter3fv(windPhaseParam, bend.windPhase);
}

// The share of the light a shadow takes, and how fast the coat dims the
// light on its way down to the skin (per coat height, where the light comes
// straight down the hair).
constexpr float shadowStrength = 0.6f;
constexpr float coatDimming = 0.15f;

ShadowMap shadowMap;  // kept between frames
bool shadowMapBound = false;

// Draws the shadow map and hands it to the programs; with the shaders off.
bool prepareShadows(const ObjectTransform& model, const float light[4]) {
    if (!furSettings.furShadows || !shadowMatrixParam || !shadowMapParam || furMesh == nullptr) return false;
    renderShadowMap(shadowMap, model, light);
    // The runtime takes matrices from the GL's own: the map's passes through
    // the modelview stack.
    glPushMatrix();
    glLoadMatrixf(shadowMap.modelToMap);
    cgGLSetStateMatrixParameter(shadowMatrixParam, CG_GL_MODELVIEW_MATRIX, CG_GL_MATRIX_IDENTITY);
    glPopMatrix();
    cgGLSetTextureParameter(shadowMapParam, shadowMap.depth);
    cgGLEnableTextureParameter(shadowMapParam);
    shadowMapBound = true;
    return true;
}

void setQualityLight(bool shadows) {
    if (!qualityLightParam) return;
    const float coat = furSettings.shellHeight > 0 ? 1.0f / furSettings.shellHeight : 0.0f;
    const float quality[4] = {furSettings.rimLight, shadows ? shadowStrength : 0.0f, coat, coatDimming};
    cgGLSetParameter4fv(qualityLightParam, quality);
}

void endShadows() {
    if (shadowMapBound) cgGLDisableTextureParameter(shadowMapParam);
    shadowMapBound = false;
}

}  // namespace

int shellLayersDrawnLastFrame = 0;

int shellLayersForFrame() {
    const ObjectTransform& model = furSettings.modelTransform;
    if (!(furSettings.shellLod > 0)) return furSettings.numShells;
    GLint viewport[4];
    GLfloat projection[16];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    float pixels = coatPixels(furSettings.shellHeight, meshBox(), model, renderCamera().eye, projection[5],
                              viewport[3]);
    return shellLayersDrawn(furSettings.numShells, pixels, furSettings.shellLod);
}

void drawFur() {
    // Groomed fur draws with the programs that read the groom; the others pay
    // nothing for it.
    if (furMesh != nullptr) prepareGroomForFrame();
    GroomProgramKey groomKey = groomProgramKey();
    useGroomShaders(groomActive() ? &groomKey : nullptr, drawnMeshPose() != nullptr);

    // Before the model transform: the viewing transform alone.
    cgGLSetStateMatrixParameter(preModelMatrixParam, CG_GL_MODELVIEW_MATRIX, CG_GL_MATRIX_IDENTITY);

    const ObjectTransform& model = furSettings.modelTransform;
    float translation[3];
    objectPosition(model, translation);
    glPushMatrix();
    glTranslatef(translation[0], translation[1], translation[2]);
    glMultMatrixf(model.rotation);

    cgGLBindProgram(vertexProgram);
    checkCgError(vertexProgram);
    cgGLBindProgram(fragmentProgram);
    checkCgError(fragmentProgram);

    float light[4] = {0, 0, 0, 1};
    objectPosition(furSettings.lightTransform, light);
    const bool shadows = prepareShadows(model, light);
    cgGLSetStateMatrixParameter(modelViewMatrixParam, CG_GL_MODELVIEW_MATRIX, CG_GL_MATRIX_IDENTITY);
    cgGLSetStateMatrixParameter(projectionMatrixParam, CG_GL_PROJECTION_MATRIX, CG_GL_MATRIX_IDENTITY);
    cgGLSetStateMatrixParameter(modelViewMatrixITParam, CG_GL_MODELVIEW_MATRIX, CG_GL_MATRIX_INVERSE_TRANSPOSE);
    cgGLSetParameter4fv(lightPositionParam, light);
    const RenderCamera& camera = renderCamera();
    cgGLSetParameter3fv(eyePositionParam, camera.eye);
    setBendParameters(model);
    setQualityLight(shadows);
    enableShaders();

    if (furMesh != nullptr) {
        skinPass();
        float view[3];
        viewDirection(camera.eye, camera.lookAt, model, view);
        if (furSettings.drawFins && !furMesh->drawn.indices.empty()) finPass(view);
        shellLayersDrawnLastFrame = std::min(furSettings.numShells, 1);
        if (furSettings.drawShells) shellLayersDrawnLastFrame = shellPass(shellLayersForFrame());
        endGroomPasses();
    }

    endShadows();
    disableShaders();
    glPopMatrix();
}
