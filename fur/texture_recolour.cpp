// The recolouring pass: one quad over each texture, in the synthesis target,
// writing colour only, from a program that reads the texel's weight. Relies
// on the weights of texture_weights.cpp and the current clear colour, which
// the frame display sets before any rebuild and the synthesis clears with.
#include "fur/texture_recolour.h"

#include <cmath>

#include "core/fur_settings.h"
#include "fur/fin_texture.h"
#include "fur/gl_program.h"
#include "fur/shell_textures.h"
#include "fur/synthesis_target.h"
#include "fur/texture_smoothing.h"
#include "fur/texture_weights.h"

namespace {

const char* const vertexSource = R"(#version 130
void main() { gl_Position = gl_Vertex; }
)";

// `bare` is the weight: the share of the background left showing.
const char* const fragmentSource = R"(#version 130
uniform sampler2D weights;
uniform vec3 background;
uniform vec3 hair;
void main() {
    float bare = texelFetch(weights, ivec2(gl_FragCoord.xy), 0).r;
    gl_FragColor = vec4(background * bare + hair * (1.0 - bare), 1.0);
}
)";

struct RecolourProgram {
    GLuint program;
    GLint background, hair;
};

const RecolourProgram& recolourProgram() {
    static const RecolourProgram program = [] {
        const GLuint linked = linkProgram("recolour", vertexSource, fragmentSource);
        glUseProgram(linked);
        glUniform1i(glGetUniformLocation(linked, "weights"), 0);
        glUseProgram(0);
        return RecolourProgram{linked, glGetUniformLocation(linked, "background"),
                               glGetUniformLocation(linked, "hair")};
    }();
    return program;
}

// Colour values the 8-bit buffer holds exactly, so the pass's own rounding
// of a texel left at the background (or fully covered) gives that colour.
void setEightBitColour(GLint location, const float colour[3]) {
    float levels[3];
    for (int c = 0; c < 3; ++c) levels[c] = static_cast<float>(eightBitLevel(colour[c])) / 255.0f;
    glUniform3fv(location, 1, levels);
}

void clearColour(float rgb[3]) {
    float rgba[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, rgba);
    for (int c = 0; c < 3; ++c) rgb[c] = rgba[c];
}

void drawRecolourQuad(GLuint texture, GLuint weights, int width, int height) {
    SynthesisTarget target(texture, 0);
    glViewport(0, 0, width, height);
    glBindTexture(GL_TEXTURE_2D, weights);
    glBegin(GL_QUADS);
    glVertex2f(-1, -1);
    glVertex2f(1, -1);
    glVertex2f(1, 1);
    glVertex2f(-1, 1);
    glEnd();
}

}  // namespace

int eightBitLevel(float value) {
    const float clamped = value < 0 ? 0.0f : value > 1 ? 1.0f : value;
    return static_cast<int>(std::nearbyint(clamped * 255.0f));
}

// The pass draws one opaque quad over the whole target: nothing may cull,
// clip, test or blend it.
RecolourPass::RecolourPass(const float hair[3]) {
    glPushAttrib(GL_ENABLE_BIT | GL_VIEWPORT_BIT | GL_COLOR_BUFFER_BIT);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &activeUnit);
    glActiveTexture(GL_TEXTURE0);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &boundTexture);
    glGetIntegerv(GL_CURRENT_PROGRAM, &previousProgram);
    for (GLenum capability : {GL_BLEND, GL_CULL_FACE, GL_SCISSOR_TEST, GL_ALPHA_TEST}) glDisable(capability);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
    glUseProgram(recolourProgram().program);
    setEightBitColour(recolourProgram().hair, hair);
}

RecolourPass::~RecolourPass() {
    glUseProgram(static_cast<GLuint>(previousProgram));
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(boundTexture));
    glActiveTexture(static_cast<GLenum>(activeUnit));
    glPopAttrib();
}

void RecolourPass::recolour(GLuint texture, GLuint weights, int width, int height, const float background[3]) {
    setEightBitColour(recolourProgram().background, background);
    drawRecolourQuad(texture, weights, width, height);
}

bool recolourFinTexture() {
    if (!finTexture || !finWeights.current) return false;
    float background[3];
    clearColour(background);
    {
        RecolourPass pass(furSettings.hairColor);
        pass.recolour(finTexture, finWeights.texture, finTextureWidth, finTextureHeight, background);
    }
    // The levels below follow the recoloured level 0.
    if (furSettings.smoothShells) smoothTexture(finTexture, finTextureWidth, finTextureHeight);
    else dropSmoothLevels(finTexture);
    return true;
}

bool recolourShellTextures() {
    if (shellTextureCount != furSettings.numShells) return false;
    for (int i = 0; i < shellTextureCount; ++i)
        if (!shellWeights[static_cast<size_t>(i)].current) return false;
    float background[3];
    clearColour(background);
    {
        RecolourPass pass(furSettings.hairColor);
        for (int i = 0; i < shellTextureCount; ++i)
            pass.recolour(shellTextures[i], shellWeights[static_cast<size_t>(i)].texture, shellTextureSize,
                          shellTextureSize, i == 0 ? furSettings.skinColor : background);
    }
    for (int i = 0; i < shellTextureCount; ++i) {
        if (furSettings.smoothShells) smoothTexture(shellTextures[i], shellTextureSize, shellTextureSize);
        else dropSmoothLevels(shellTextures[i]);
    }
    return true;
}
