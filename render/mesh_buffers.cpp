// Vertex and index buffers of the prepared mesh, and the per-frame fin buffer.
// See mesh_buffers.h. Relies on the GL's client-state vertex arrays (the
// compatibility profile), which feed the vertex program's gl_Vertex,
// gl_Normal, gl_MultiTexCoord0 and gl_Color; every draw unbinds its buffers
// and switches its arrays off again, so immediate-mode and client-array
// drawing elsewhere (texture synthesis, the panel) finds the state it expects.
#include "render/mesh_buffers.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <vector>

#include "core/fur_settings.h"
#include "fur/random.h"
#include "mesh/indexed_mesh.h"
#include "render/fur_dynamics.h"
#include "render/fur_mesh.h"
#include "render/groom_textures.h"
#include "render/mesh_animation.h"
#include "render/shell_lod.h"

namespace {

struct MeshBuffers {
    GLuint vertexBuffer = 0;
    GLuint indexBuffer = 0;
    GLsizei indexCount = 0;
    GLuint finBuffer = 0;
    GLuint finIndexBuffer = 0;  // finTriangleCorners for every fin, fin after fin
    FinGeometry fins;
    ModelBox box;  // of the vertices, for the shell level of detail
    // A posed mesh's rest places and lags, per vertex and per fin corner.
    GLuint extraBuffer = 0;
    GLuint finExtraBuffer = 0;
    // Which build this is, so an animation knows when to tie itself to the
    // mesh again; and the animation whose pose is uploaded, null for none.
    long build = 0;
    MeshAnimation* posedBy = nullptr;
};
MeshBuffers buffers;
long meshBuilds = 0;

const void* offsetOf(std::size_t bytes) { return reinterpret_cast<const void*>(bytes); }

void deleteBuffers() {
    GLuint names[6] = {buffers.vertexBuffer,    buffers.indexBuffer, buffers.finBuffer,
                       buffers.finIndexBuffer, buffers.extraBuffer, buffers.finExtraBuffer};
    glDeleteBuffers(6, names);
    buffers = MeshBuffers{};
}

void enableArrays(bool withColour) {
    glClientActiveTexture(GL_TEXTURE0);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    if (withColour) glEnableClientState(GL_COLOR_ARRAY);
}

// The groom's per-vertex data on texture units 1 (the comb) and 2 (the
// model's own coordinates), only while a groom is drawn: without one the
// vertex program never reads them.
void enableGroomArrays(GLsizei stride, std::size_t ownTexCoord, std::size_t comb) {
    if (!groomActive()) return;
    glClientActiveTexture(GL_TEXTURE1);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(3, GL_FLOAT, stride, offsetOf(comb));
    glClientActiveTexture(GL_TEXTURE2);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, stride, offsetOf(ownTexCoord));
    glClientActiveTexture(GL_TEXTURE0);
}

void disableGroomArrays() {
    if (!groomActive()) return;
    for (GLenum unit : {GL_TEXTURE1, GL_TEXTURE2}) {
        glClientActiveTexture(unit);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    glClientActiveTexture(GL_TEXTURE0);
}

// A posed mesh's rest places on unit 3 and lags on unit 4, from their own
// buffer, bound as the array buffer until the caller binds its own again.
void enableSkinnedArrays(GLuint buffer) {
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    const GLsizei stride = sizeof(SkinnedVertexExtra);
    glClientActiveTexture(GL_TEXTURE3);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(3, GL_FLOAT, stride, offsetOf(offsetof(SkinnedVertexExtra, rest)));
    glClientActiveTexture(GL_TEXTURE4);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(3, GL_FLOAT, stride, offsetOf(offsetof(SkinnedVertexExtra, lag)));
    glClientActiveTexture(GL_TEXTURE0);
}

void disableSkinnedArrays() {
    for (GLenum unit : {GL_TEXTURE3, GL_TEXTURE4}) {
        glClientActiveTexture(unit);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    glClientActiveTexture(GL_TEXTURE0);
}

void disableArrays() {
    disableGroomArrays();
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

// The drawn fins are packed at the front of the fin buffer, so one index list
// made for all of them serves every frame: a frame draws its first part.
void uploadFinIndices(std::size_t fins) {
    std::vector<std::uint32_t> indices(6 * fins);
    for (std::size_t f = 0; f < fins; ++f)
        for (int c = 0; c < 6; ++c) indices[6 * f + c] = static_cast<std::uint32_t>(4 * f + finTriangleCorners[c]);
    glGenBuffers(1, &buffers.finIndexBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers.finIndexBuffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof(std::uint32_t)),
                 indices.data(), GL_STATIC_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

}  // namespace

void buildMeshBuffers() {
    deleteBuffers();
    if (furMesh == nullptr) return;
    const IndexedMesh& mesh = furMesh->drawn;
    glGenBuffers(1, &buffers.vertexBuffer);
    glGenBuffers(1, &buffers.indexBuffer);
    glGenBuffers(1, &buffers.finBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, buffers.vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(mesh.vertices.size() * sizeof(MeshVertex)),
                 mesh.vertices.data(), GL_STATIC_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers.indexBuffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(mesh.indices.size() * sizeof(std::uint32_t)),
                 mesh.indices.data(), GL_STATIC_DRAW);
    buffers.indexCount = static_cast<GLsizei>(mesh.indices.size());
    buffers.box = boxAround(mesh.vertices.empty() ? nullptr : mesh.vertices[0].position,
                            static_cast<long>(mesh.vertices.size()), sizeof(MeshVertex) / sizeof(float));
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    buildFinGeometry(mesh, buffers.fins);
    uploadFinIndices(buffers.fins.fins.size());
    buffers.build = ++meshBuilds;
}

const MeshAnimation* drawnMeshPose() { return buffers.posedBy; }

void animateMesh(MeshAnimation& animation, float seconds) {
    if (furMesh != nullptr && buffers.vertexBuffer != 0 && animation.meshBuild != buffers.build) {
        prepareMeshAnimation(animation, *furMesh);
        animation.meshBuild = buffers.build;
    }
    chooseClip(animation, furSettings.animationClip);
    if (!animation.skin || buffers.vertexBuffer == 0) return;
    advancePlayback(animation, seconds, furSettings.animationSpeed);
    poseMeshAnimation(animation, dynamicsParameters(furSettings), seconds);
    if (!animation.posed) {
        // Back to the bind pose: the rest vertices and fins as built.
        if (buffers.posedBy) buildMeshBuffers();
        return;
    }
    if (buffers.extraBuffer == 0) {
        glGenBuffers(1, &buffers.extraBuffer);
        glGenBuffers(1, &buffers.finExtraBuffer);
    }
    buffers.posedBy = &animation;
    const std::vector<MeshVertex>& vertices = animation.vertices;
    glBindBuffer(GL_ARRAY_BUFFER, buffers.vertexBuffer);
    glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(vertices.size() * sizeof(MeshVertex)), vertices.data());
    glBindBuffer(GL_ARRAY_BUFFER, buffers.extraBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(animation.extras.size() * sizeof(SkinnedVertexExtra)),
                 animation.extras.data(), GL_STREAM_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    poseFinPlanes(animation.vertices, animation.indices, buffers.fins);
}

void refreshMeshCombs() {
    if (furMesh == nullptr || buffers.vertexBuffer == 0) return;
    const IndexedMesh& mesh = furMesh->drawn;
    if (buffers.posedBy && buffers.posedBy->rest.size() == mesh.vertices.size()) {
        // The rest combs change; the pose turns them at the next frame.
        for (std::size_t v = 0; v < mesh.vertices.size(); ++v)
            std::copy_n(mesh.vertices[v].comb, 3, buffers.posedBy->rest[v].comb);
        return;
    }
    glBindBuffer(GL_ARRAY_BUFFER, buffers.vertexBuffer);
    glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(mesh.vertices.size() * sizeof(MeshVertex)),
                    mesh.vertices.data());
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void applyMeshSettings() {
    if (furMesh == nullptr) return;
    furMesh->generatedTexCoordsWanted = furSettings.generatedTexCoords != 0;
    furMesh->triangleBudget = furSettings.triangleBudget;
    furMesh->refill();
    buildMeshBuffers();
}

void drawMeshTriangles() {
    if (buffers.indexCount == 0) return;
    glBindBuffer(GL_ARRAY_BUFFER, buffers.vertexBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers.indexBuffer);
    enableArrays(false);
    glVertexPointer(3, GL_FLOAT, sizeof(MeshVertex), offsetOf(offsetof(MeshVertex, position)));
    glNormalPointer(GL_FLOAT, sizeof(MeshVertex), offsetOf(offsetof(MeshVertex, normal)));
    glTexCoordPointer(2, GL_FLOAT, sizeof(MeshVertex), offsetOf(offsetof(MeshVertex, texCoord)));
    enableGroomArrays(sizeof(MeshVertex), offsetof(MeshVertex, ownTexCoord), offsetof(MeshVertex, comb));
    bool posed = buffers.posedBy != nullptr;
    if (posed) enableSkinnedArrays(buffers.extraBuffer);
    glDrawElements(GL_TRIANGLES, buffers.indexCount, GL_UNSIGNED_INT, offsetOf(0));
    if (posed) disableSkinnedArrays();
    disableArrays();
}

void drawMeshFins(const float view[3]) {
    if (furMesh == nullptr || buffers.fins.fins.empty()) return;
    const MeshAnimation* pose = buffers.posedBy;
    bool posed = pose != nullptr;
    const IndexedMesh& mesh = furMesh->drawn;
    FinFrame frame = posed ? layOutFins(pose->vertices, pose->indices, furSettings, view, buffers.fins,
                                        pose->extras.data())
                           : layOutFins(mesh.vertices, mesh.indices, furSettings, view, buffers.fins, nullptr);
    // The generator as the fins would leave it drawn one by one: the hair
    // patch draws from it next without reseeding.
    seedRandom(static_cast<unsigned>(mesh.triangleCount() - 1));
    for (int i = 0; i < frame.drawsInLastTriangle; ++i) randomDraw();
    if (frame.vertexCount == 0) return;

    glBindBuffer(GL_ARRAY_BUFFER, buffers.finBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers.finIndexBuffer);
    // A fresh store each frame: the driver need not wait for last frame's.
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(frame.vertexCount * sizeof(FinVertex)),
                 buffers.fins.quads.data(), GL_STREAM_DRAW);
    enableArrays(true);
    glVertexPointer(3, GL_FLOAT, sizeof(FinVertex), offsetOf(offsetof(FinVertex, position)));
    glNormalPointer(GL_FLOAT, sizeof(FinVertex), offsetOf(offsetof(FinVertex, normal)));
    glTexCoordPointer(2, GL_FLOAT, sizeof(FinVertex), offsetOf(offsetof(FinVertex, texCoord)));
    glColorPointer(4, GL_FLOAT, sizeof(FinVertex), offsetOf(offsetof(FinVertex, color)));
    enableGroomArrays(sizeof(FinVertex), offsetof(FinVertex, ownTexCoord), offsetof(FinVertex, comb));
    if (posed) {
        glBindBuffer(GL_ARRAY_BUFFER, buffers.finExtraBuffer);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(frame.vertexCount * sizeof(SkinnedVertexExtra)),
                     buffers.fins.quadExtras.data(), GL_STREAM_DRAW);
        enableSkinnedArrays(buffers.finExtraBuffer);
    }
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(frame.vertexCount / 4 * 6), GL_UNSIGNED_INT, offsetOf(0));
    if (posed) disableSkinnedArrays();
    disableArrays();
}

const FinGeometry& meshFinGeometry() { return buffers.fins; }

const ModelBox& meshBox() { return buffers.box; }
