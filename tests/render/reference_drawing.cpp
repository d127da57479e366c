// The fur passes as they were first written, kept as the reference the
// drawing path is compared against: the skin and every shell replay one
// display list of the drawn triangles, corner by corner in immediate mode, and
// the fins are sent one at a time after reseeding the generator per triangle, their
// tops computed on the processor. One change: each fin goes as the two
// triangles the driver split its quad into (see referenceDrawFin). Relies on
// the same prepared mesh, textures, shader programs and settings as the
// program's own passes.
#include "tests/render/reference_drawing.h"

#include <epoxy/gl.h>

#include <cmath>
#include <cstdio>

#include "core/fur_settings.h"
#include "fur/fin_texture.h"
#include "fur/random.h"
#include "fur/shell_textures.h"
#include "render/fur_math.h"
#include "render/fur_mesh.h"
#include "render/render_camera.h"
#include "render/shader_setup.h"

namespace {

GLuint referenceMeshList = 0;

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
    glCallList(referenceMeshList);
    enableShaders();
}

void skinPass() {
    pushShellTextureMatrix();
    glDisable(GL_BLEND);
    if (haveShellTexture(0)) {
        glEnable(GL_TEXTURE_2D);
        glColor4f(1, 0, 0, 1);
        glBindTexture(GL_TEXTURE_2D, shellTextures[0]);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
        glCallList(referenceMeshList);
        glDisable(GL_TEXTURE_2D);
    } else {
        drawUntexturedSkin();
    }
    glEnable(GL_BLEND);
    popTextureMatrix();
    checkGlErrors("skin");
}

void finPass(const float view[3]) {
    cgGLSetStateMatrixParameter(textureMatrixParam, CG_GL_TEXTURE_MATRIX, CG_GL_MATRIX_IDENTITY);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, finTexture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glDepthMask(GL_FALSE);
    glBegin(GL_TRIANGLES);
    const IndexedMesh& mesh = furMesh->drawn;
    for (std::size_t k = 0; k < mesh.triangleCount(); ++k) {
        seedRandom(static_cast<unsigned>(k));
        for (int j = 0; j < 3; ++j) {
            const MeshVertex &p = mesh.corner(k, j), &q = mesh.corner(k, (j + 1) % 3);
            referenceDrawFin(p.position, q.position, p.normal, q.normal, view);
        }
    }
    glEnd();
    glDepthMask(GL_TRUE);
    glDisable(GL_TEXTURE_2D);
    checkGlErrors("fin");
}

void shellPass() {
    pushShellTextureMatrix();
    glEnable(GL_TEXTURE_2D);
    glAlphaFunc(GL_GREATER, 0.1f);
    glEnable(GL_ALPHA_TEST);
    // numShells is re-read every shell; a shell without a texture (the count
    // raised before the textures were rebuilt) ends the stack.
    for (int i = 1; i < furSettings.numShells && haveShellTexture(i); ++i) {
        float h = shellOffset(i, furSettings.numShells, furSettings.shellHeight);
        float shade = shellShade(i, furSettings.numShells, furSettings.shellHeight, furSettings.minShadow);
        glColor4f(shade, h, 0.0f, 1.0f);
        glBindTexture(GL_TEXTURE_2D, shellTextures[i]);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
        glCallList(referenceMeshList);
    }
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_ALPHA_TEST);
    popTextureMatrix();
    checkGlErrors("shell");
}

}  // namespace

void referenceDrawFin(const float p[3], const float q[3], const float np[3], const float nq[3], const float view[3]) {
    float alpha = finFade(p, q, np, view, furSettings.alphaBlendFins != 0);
    if (!(alpha > 0.0f)) return;
    float h = furSettings.finHeight;
    float top0[3] = {p[0] + h * np[0], p[1] + h * np[1], p[2] + h * np[2]};
    float top1[3] = {q[0] + h * nq[0], q[1] + h * nq[1], q[2] + h * nq[2]};
    float u0 = static_cast<float>(randomDraw()) / static_cast<float>(randomDrawMax);
    float dx = p[0] - q[0], dy = p[1] - q[1], dz = p[2] - q[2];
    float u1 = u0 + furSettings.finScalingFactor * std::sqrt(dx * dx + dy * dy + dz * dz);

    // The quad (p, top0, top1, q) as the two triangles the driver splits it
    // into in one long list of quads. A fin is not flat where the two normals
    // differ, and the driver splits a quad along the other diagonal in some
    // batchings of a draw, which made the reference's own image depend on how
    // full its immediate-mode buffer was.
    auto corner = [alpha](const float* normal, float u, float v, const float* position) {
        glColor4f(1, 0, 0, alpha);
        glNormal3fv(normal);
        glTexCoord2f(u, v);
        glVertex3fv(position);
    };
    corner(np, u0, 0, p);
    corner(np, u0, 1, top0);
    corner(nq, u1, 1, top1);
    corner(np, u0, 0, p);
    corner(nq, u1, 1, top1);
    corner(nq, u1, 0, q);
}

void referenceDrawFur() {
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
    cgGLSetStateMatrixParameter(modelViewMatrixParam, CG_GL_MODELVIEW_MATRIX, CG_GL_MATRIX_IDENTITY);
    cgGLSetStateMatrixParameter(projectionMatrixParam, CG_GL_PROJECTION_MATRIX, CG_GL_MATRIX_IDENTITY);
    cgGLSetStateMatrixParameter(modelViewMatrixITParam, CG_GL_MODELVIEW_MATRIX, CG_GL_MATRIX_INVERSE_TRANSPOSE);
    cgGLSetParameter4fv(lightPositionParam, light);
    const RenderCamera& camera = renderCamera();
    cgGLSetParameter3fv(eyePositionParam, camera.eye);
    enableShaders();

    if (furMesh != nullptr) {
        skinPass();
        float view[3];
        viewDirection(camera.eye, camera.lookAt, model, view);
        if (furSettings.drawFins && !furMesh->drawn.indices.empty()) finPass(view);
        if (furSettings.drawShells) shellPass();
    }

    disableShaders();
    glPopMatrix();
}

void buildReferenceMeshList() {
    if (referenceMeshList != 0) glDeleteLists(referenceMeshList, 1);
    referenceMeshList = glGenLists(1);
    glNewList(referenceMeshList, GL_COMPILE);
    glBegin(GL_TRIANGLES);
    for (std::size_t c = 0; furMesh != nullptr && c < furMesh->drawn.indices.size(); ++c) {
        const MeshVertex& corner = furMesh->drawn.vertices[furMesh->drawn.indices[c]];
        glTexCoord2f(corner.texCoord[0], corner.texCoord[1]);
        glNormal3f(corner.normal[0], corner.normal[1], corner.normal[2]);
        glVertex3f(corner.position[0], corner.position[1], corner.position[2]);
    }
    glEnd();
    glEndList();
}
