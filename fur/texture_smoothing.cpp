// The GL side of smooth minification; the averaging itself is in
// mip_levels.cpp. Levels are uploaded from the processor: the averaging
// needs the alpha-weighted sums that glGenerateMipmap does not do.
#include "fur/texture_smoothing.h"

#include "fur/fin_texture.h"
#include "fur/mip_levels.h"
#include "fur/shell_textures.h"

namespace {

void setMinification(bool smooth) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, smooth ? GL_LINEAR_MIPMAP_NEAREST : GL_LINEAR);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_LOD_BIAS, smooth ? smoothLodBias : 0.0f);
}

void showSmoothly(GLuint texture, int width, int height, bool on) {
    if (!texture) return;
    glBindTexture(GL_TEXTURE_2D, texture);
    GLint levels = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, &levels);
    if (on && levels == 0) smoothTexture(texture, width, height);
    else setMinification(on);
}

}  // namespace

void smoothTexture(GLuint texture, int width, int height) {
    if (!texture) return;
    MipLevel base{width, height, {}};
    base.texels.resize(static_cast<std::size_t>(width) * height * 4);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, base.texels.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    int level = 0;
    for (const MipLevel& next : mipChain(base))
        glTexImage2D(GL_TEXTURE_2D, ++level, GL_RGBA, next.width, next.height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     next.texels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, level);
    setMinification(true);
}

void dropSmoothLevels(GLuint texture) {
    if (!texture) return;
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    setMinification(false);
}

void smoothFurTextures(bool on) {
    showSmoothly(finTexture, finTextureWidth, finTextureHeight, on);
    for (int i = 0; i < shellTextureCount && shellTextures; ++i)
        showSmoothly(shellTextures[i], shellTextureSize, shellTextureSize, on);
}
