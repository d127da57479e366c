// The weights kept for recolouring and the program that draws strands into
// both colour buffers of the synthesis target. The program reproduces the
// fixed-function drawing (ftransform keeps positions invariant; the colour
// goes through untouched), so the 8-bit image is the one the plain drawing
// makes.
#include "fur/texture_weights.h"

#include "fur/gl_program.h"
#include "fur/strand_batch.h"
#include "fur/synthesis_target.h"

TextureWeights finWeights;
std::vector<TextureWeights> shellWeights;

namespace {

const char* const vertexSource = R"(#version 130
void main() {
    gl_Position = ftransform();
    gl_FrontColor = gl_Color;
}
)";

// Buffer 1 blends (0, 0, 0, a) with the same factors as buffer 0, which
// multiplies it by (1 - a). The 8-bit buffer receives a rounded to the
// nearest 255th, ties to even, and so does this one.
const char* const fragmentSource = R"(#version 130
void main() {
    gl_FragData[0] = gl_Color;
    gl_FragData[1] = vec4(0.0, 0.0, 0.0, roundEven(clamp(gl_Color.a, 0.0, 1.0) * 255.0) / 255.0);
}
)";

GLuint captureProgram() {
    static GLuint program = linkProgram("strand weights", vertexSource, fragmentSource);
    return program;
}

}  // namespace

bool weightsAvailable() { return epoxy_gl_version() >= 30; }

GLuint weightTexture(TextureWeights& weights, int width, int height) {
    if (!weights.texture) weights.texture = newWeightTexture(width, height);
    return weights.texture;
}

void keepShellWeights(int count) {
    const size_t kept = static_cast<size_t>(count > 0 ? count : 0);
    for (size_t i = kept; i < shellWeights.size(); ++i)
        if (shellWeights[i].texture) glDeleteTextures(1, &shellWeights[i].texture);
    shellWeights.resize(kept);
}

void drawBatchWithWeights(const StrandBatch& batch, const SynthesisTarget& target) {
    if (!target.hasWeights()) {
        batch.draw();
        return;
    }
    target.drawIntoWeights();
    ProgramInUse program(captureProgram());
    batch.draw();
}
