// Import through the Open Asset Import Library into the model records. See
// asset_import.h. The library validates its scene before we walk it; we still
// check every index we copy, since a bad file must end in a message, never in
// a read outside an array.
#include "model/asset_import.h"

#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <assimp/Importer.hpp>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/fatal_error.h"
#include "core/fur_settings.h"
#include "model/model_skin.h"
#include "model/obj_source.h"

namespace {

// Triangles with their corners shared where every attribute agrees, the scene
// checked by the library before we read it. Points and lines stay in their
// meshes and are passed over here: removed by the library, they would leave
// a file of nothing else as a scene the validation rejects, where it should
// load with nothing to draw.
constexpr unsigned importSteps = aiProcess_Triangulate | aiProcess_JoinIdenticalVertices | aiProcess_ValidateDataStructure;

constexpr std::uint64_t maxElements = std::numeric_limits<std::int32_t>::max();

struct ModelDeleter {
    void operator()(ObjModel* model) const { glmDeleteModel(model); }
};

// One mesh as one node places it.
struct MeshInstance {
    const aiMesh* mesh;
    aiMatrix4x4 transform;
    const aiNode* node;
};

// The tree walked without recursion, so that a deep file cannot exhaust the stack.
std::vector<MeshInstance> meshInstances(const aiScene* scene, const aiMatrix4x4& base) {
    std::vector<MeshInstance> instances;
    std::vector<std::pair<const aiNode*, aiMatrix4x4>> pending{{scene->mRootNode, base * scene->mRootNode->mTransformation}};
    while (!pending.empty()) {
        auto [node, transform] = pending.back();
        pending.pop_back();
        for (unsigned i = 0; i < node->mNumMeshes; ++i)
            if (node->mMeshes[i] < scene->mNumMeshes) instances.push_back({scene->mMeshes[node->mMeshes[i]], transform, node});
        for (unsigned i = node->mNumChildren; i-- > 0;)
            pending.push_back({node->mChildren[i], transform * node->mChildren[i]->mTransformation});
    }
    return instances;
}

constexpr const char* notRecognised = "the format is not recognised";

[[noreturn]] void importFailed(const char* path, const std::string& why) {
    fatalError(stderr, 1, "glmImportModel() failed: can't import \"%s\": %s.\n", path, why.c_str());
}

// 3DS files open with the main chunk's id, 0x4D4D.
bool is3ds(const unsigned char* firstBytes, std::size_t length) {
    return length >= 2 && firstBytes[0] == 0x4D && firstBytes[1] == 0x4D;
}

int fileUpAxisOf(const aiScene* scene, const unsigned char* firstBytes, std::size_t length) {
    // 3DS records no axis, but every tool that writes it works with z up.
    if (is3ds(firstBytes, length)) return UP_AXIS_Z;
    std::int32_t axis = 1;
    if (scene->mMetaData && scene->mMetaData->Get("UpAxis", axis) && axis == 2) return UP_AXIS_Z;
    return UP_AXIS_Y;
}

void copyColour(const aiMaterial* source, const char* key, unsigned type, unsigned index, float* out) {
    aiColor4D colour;
    if (source->Get(key, type, index, colour) != AI_SUCCESS) return;
    const float values[3] = {colour.r, colour.g, colour.b};
    for (int k = 0; k < 3; ++k)
        if (std::isfinite(values[k])) out[k] = std::fmin(std::fmax(values[k], 0.0f), 1.0f);
}

void copyTexture(const aiScene* scene, const aiMaterial* source, ObjMaterial& material, const char* path) {
    aiString name;
    if (source->GetTexture(aiTextureType_BASE_COLOR, 0, &name) != AI_SUCCESS &&
        source->GetTexture(aiTextureType_DIFFUSE, 0, &name) != AI_SUCCESS)
        return;
    const aiTexture* embedded = scene->GetEmbeddedTexture(name.C_Str());
    if (!embedded) {
        std::string file = name.C_Str();
        std::replace(file.begin(), file.end(), '\\', '/');  // as some Windows tools write it
        if (!file.empty() && file[0] != '*') material.diffuseMap = copyString(besideModel(path, file), "glmImportModel");
        return;
    }
    // A height of 0 marks a compressed image of mWidth bytes; raw texels are
    // written by no format we aim at.
    if (embedded->mHeight != 0 || embedded->mWidth == 0 || !embedded->pcData) {
        std::fprintf(stderr, "glmImportModel(): \"%s\": an embedded texture that is not a compressed image is left out.\n",
                     path);
        return;
    }
    material.diffuseMapByteCount = embedded->mWidth;
    material.diffuseMapBytes =
        static_cast<unsigned char*>(allocateEntries(embedded->mWidth, 1, "glmImportModel", "texture bytes"));
    std::memcpy(material.diffuseMapBytes, embedded->pcData, embedded->mWidth);
}

void copyMaterials(const aiScene* scene, ObjModel* model, const char* path) {
    model->materialCount = scene->mNumMaterials + 1;
    model->materials = static_cast<ObjMaterial*>(
        allocateEntries(model->materialCount, sizeof(ObjMaterial), "glmImportModel", "materials"));
    for (std::uint32_t i = 0; i < model->materialCount; ++i) setDefaultMaterial(model->materials[i]);
    model->materials[0].name = copyString("default", "glmImportModel");
    for (unsigned i = 0; i < scene->mNumMaterials; ++i) {
        const aiMaterial* source = scene->mMaterials[i];
        ObjMaterial& material = model->materials[i + 1];
        aiString name;
        source->Get(AI_MATKEY_NAME, name);
        material.name = copyString(name.C_Str(), "glmImportModel");
        // glTF's base colour where the file has one, the diffuse colour otherwise.
        copyColour(source, AI_MATKEY_COLOR_DIFFUSE, material.diffuse);
        copyColour(source, AI_MATKEY_BASE_COLOR, material.diffuse);
        copyColour(source, AI_MATKEY_COLOR_AMBIENT, material.ambient);
        copyColour(source, AI_MATKEY_COLOR_SPECULAR, material.specular);
        float shininess = 0;
        if (source->Get(AI_MATKEY_SHININESS, shininess) == AI_SUCCESS && std::isfinite(shininess))
            material.shininess = std::fmin(std::fmax(shininess, 0.0f), 128.0f);
        copyTexture(scene, source, material, path);
    }
}

struct Totals {
    std::uint64_t vertices = 0, triangles = 0;
    bool normals = false, texCoords = false;  // some mesh has them
};

Totals countElements(const std::vector<MeshInstance>& instances, const char* path) {
    Totals totals;
    for (const MeshInstance& instance : instances) {
        totals.vertices += instance.mesh->mNumVertices;
        totals.normals = totals.normals || instance.mesh->mNormals;
        totals.texCoords = totals.texCoords || instance.mesh->mTextureCoords[0];
        for (unsigned f = 0; f < instance.mesh->mNumFaces; ++f) totals.triangles += instance.mesh->mFaces[f].mNumIndices == 3;
        if (totals.vertices > maxElements || totals.triangles > maxElements)
            importFailed(path, "more than 2147483647 vertices or triangles");
    }
    return totals;
}

// Where the next instance's entries go.
struct Filling {
    std::uint32_t nextVertex = 1, nextTriangle = 0;
};

void copyVertices(ObjModel* model, const MeshInstance& instance, std::uint32_t first, const char* path) {
    const aiMesh* mesh = instance.mesh;
    aiMatrix3x3 normalTransform(instance.transform);
    normalTransform.Inverse().Transpose();
    for (unsigned v = 0; v < mesh->mNumVertices; ++v) {
        std::size_t at = std::size_t{first} + v;
        aiVector3D p = instance.transform * mesh->mVertices[v];
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
            importFailed(path, "a vertex position is not a finite number");
        float* out = &model->vertices[3 * at];
        out[0] = p.x, out[1] = p.y, out[2] = p.z;
        if (mesh->mNormals) {
            aiVector3D n = normalTransform * mesh->mNormals[v];
            float length = n.Length();
            // A normal without a direction stays zero; the corner names none.
            if (std::isfinite(length) && length > 0) {
                n /= length;
                float* normal = &model->normals[3 * at];
                normal[0] = n.x, normal[1] = n.y, normal[2] = n.z;
            }
        }
        if (mesh->mTextureCoords[0]) {
            aiVector3D t = mesh->mTextureCoords[0][v];
            model->texCoords[2 * at] = std::isfinite(t.x) ? t.x : 0.0f;
            model->texCoords[2 * at + 1] = std::isfinite(t.y) ? t.y : 0.0f;
        }
    }
}

void copyTriangles(ObjModel* model, const MeshInstance& instance, ObjGroup* group, Filling& filling) {
    const aiMesh* mesh = instance.mesh;
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
        const aiFace& face = mesh->mFaces[f];
        if (face.mNumIndices != 3) continue;
        ObjTriangle& triangle = model->triangles[filling.nextTriangle];
        bool valid = true;
        for (int k = 0; k < 3; ++k) {
            unsigned index = face.mIndices[k];
            valid = valid && index < mesh->mNumVertices;
            auto vertex = static_cast<std::int32_t>(filling.nextVertex + (valid ? index : 0));
            triangle.vertexIndices[k] = vertex;
            const float* n = mesh->mNormals ? &model->normals[3 * static_cast<std::size_t>(vertex)] : nullptr;
            triangle.normalIndices[k] = n && (n[0] != 0 || n[1] != 0 || n[2] != 0) ? vertex : 0;
            triangle.texCoordIndices[k] = mesh->mTextureCoords[0] ? vertex : 0;
        }
        if (!valid) continue;  // the slot is reused; the library's validation makes this unreachable
        group->triangleIndices[group->triangleCount++] = filling.nextTriangle++;
    }
}

std::string groupName(const MeshInstance& instance, std::size_t index) {
    if (instance.mesh->mName.length > 0) return instance.mesh->mName.C_Str();
    if (instance.node->mName.length > 0) return instance.node->mName.C_Str();
    return "mesh " + std::to_string(index);
}

// ---- Skins and clips ------------------------------------------------------------

// One reading of a skinned scene's skeleton, weights and clips, with the
// faults met so far, each warned about once.
struct SkinReading {
    SkinReading(const char* file, ModelSkin& into) : path(file), skin(into) {}
    const char* path;
    ModelSkin& skin;
    std::unordered_map<std::string, int> nodeNamed;  // the first node of each name
    std::unordered_map<const aiNode*, int> nodeOf;
    std::unordered_map<int, std::uint32_t> rigidJointOf;  // by node
    std::vector<Affine> restGlobals;
    bool warnedRigid = false, warnedRenormalised = false, warnedBone = false, warnedChannel = false;
    void warn(bool& once, const char* what) {
        if (!once) std::fprintf(stderr, "glmImportModel(): \"%s\": %s.\n", path, what);
        once = true;
    }
};

Affine affineOf(const aiMatrix4x4& m) {
    return Affine{m.a1, m.a2, m.a3, m.a4, m.b1, m.b2, m.b3, m.b4, m.c1, m.c2, m.c3, m.c4};
}

// A node's rest transform as translation, rotation and scale; a matrix that
// does not come apart into finite ones keeps only its translation.
void restTransform(const aiMatrix4x4& m, SkinNode& node) {
    aiVector3D scaling, position;
    aiQuaternion rotation;
    m.Decompose(scaling, rotation, position);
    float values[10] = {position.x, position.y, position.z, rotation.x, rotation.y, rotation.z, rotation.w,
                        scaling.x,  scaling.y,  scaling.z};
    bool finite = true;
    for (float v : values) finite = finite && std::isfinite(v);
    if (!finite) {
        values[3] = values[4] = values[5] = 0, values[6] = 1, values[7] = values[8] = values[9] = 1;
        values[0] = m.a4, values[1] = m.b4, values[2] = m.c4;
        for (int k = 0; k < 3; ++k)
            if (!std::isfinite(values[k])) values[k] = 0;
    }
    std::copy(values, values + 3, node.translation);
    std::copy(values + 3, values + 7, node.rotation);
    std::copy(values + 7, values + 10, node.scale);
}

// The hierarchy, parents before children, walked without recursion; the
// root carries `base` as the meshes' placement does.
void readNodes(SkinReading& r, const aiScene* scene, const aiMatrix4x4& base) {
    std::vector<std::pair<const aiNode*, int>> pending{{scene->mRootNode, -1}};
    while (!pending.empty()) {
        auto [source, parent] = pending.back();
        pending.pop_back();
        int ours = static_cast<int>(r.skin.nodes.size());
        SkinNode node;
        node.name = source->mName.C_Str();
        node.parent = parent;
        restTransform(parent < 0 ? base * source->mTransformation : source->mTransformation, node);
        r.skin.nodes.push_back(node);
        r.nodeOf[source] = ours;
        r.nodeNamed.emplace(node.name, ours);
        for (unsigned i = source->mNumChildren; i-- > 0;) pending.push_back({source->mChildren[i], ours});
    }
    r.restGlobals = restGlobals(r.skin);
}

// The joint that carries a vertex rigidly with its mesh's node.
std::uint32_t rigidJoint(SkinReading& r, int node) {
    auto [entry, added] = r.rigidJointOf.emplace(node, static_cast<std::uint32_t>(r.skin.joints.size()));
    if (added) r.skin.joints.push_back({node, affineInverse(r.restGlobals[static_cast<std::size_t>(node)])});
    return entry->second;
}

// One mesh instance's bones as joints, and its vertices' weights, from
// model vertex `first` on. The vertices were placed by the instance's
// transform; the library poses them from the mesh's own space (the bone's
// global transform times its offset), so each joint's inverse bind takes
// them back there first.
void readWeights(SkinReading& r, const MeshInstance& instance, std::uint32_t first) {
    const aiMesh* mesh = instance.mesh;
    int meshNode = r.nodeOf.count(instance.node) ? r.nodeOf[instance.node] : 0;
    std::uint32_t rigid = rigidJoint(r, meshNode);
    Affine unplace = affineInverse(affineOf(instance.transform));
    std::vector<std::vector<std::pair<std::uint32_t, float>>> influences(mesh->mNumVertices);
    for (unsigned b = 0; b < mesh->mNumBones; ++b) {
        const aiBone* bone = mesh->mBones[b];
        auto named = r.nodeNamed.find(bone->mName.C_Str());
        std::uint32_t joint = ~0u;  // weighs nothing
        if (named == r.nodeNamed.end()) {
            r.warn(r.warnedBone, "a bone names a node that does not exist; its weights are left out");
        } else {
            joint = static_cast<std::uint32_t>(r.skin.joints.size());
            r.skin.joints.push_back({named->second, affineMultiply(affineOf(bone->mOffsetMatrix), unplace)});
        }
        for (unsigned w = 0; w < bone->mNumWeights; ++w) {
            const aiVertexWeight& weight = bone->mWeights[w];
            if (weight.mVertexId < mesh->mNumVertices) influences[weight.mVertexId].push_back({joint, weight.mWeight});
        }
    }
    auto jointCount = static_cast<std::uint32_t>(r.skin.joints.size());
    std::vector<std::uint32_t> joints;
    std::vector<float> weights;
    for (unsigned v = 0; v < mesh->mNumVertices; ++v) {
        joints.clear(), weights.clear();
        for (auto [joint, weight] : influences[v]) joints.push_back(joint), weights.push_back(weight);
        std::size_t at = 4 * (std::size_t{first} + v);
        WeightRepair repair = repairWeights(joints.data(), weights.data(), static_cast<int>(joints.size()), jointCount,
                                            rigid, &r.skin.vertexJoints[at], &r.skin.vertexWeights[at]);
        // A vertex no bone weighs follows its node, as a mesh without bones does.
        if (!joints.empty() && repair == WeightRepair::Rigid)
            r.warn(r.warnedRigid, "weights that sum to 0 or are not numbers; those vertices follow their node rigidly");
        if (repair == WeightRepair::Renormalised)
            r.warn(r.warnedRenormalised, "weights that do not sum to 1 are renormalised");
    }
}

// One key array of a node's channel, its times in seconds; false when a
// time or value is not a finite number or the times go back.
template <typename Key>
bool readKeys(const Key* keys, unsigned count, double ticksPerSecond, int width, ClipChannel& channel) {
    bool finite = true;
    for (unsigned k = 0; k < count; ++k) {
        float time = static_cast<float>(keys[k].mTime / ticksPerSecond);
        finite = finite && std::isfinite(time) && (channel.times.empty() || time >= channel.times.back());
        channel.times.push_back(time);
        const auto& v = keys[k].mValue;
        float values[4];
        if constexpr (std::is_same_v<Key, aiQuatKey>)
            values[0] = v.x, values[1] = v.y, values[2] = v.z, values[3] = v.w;
        else
            values[0] = v.x, values[1] = v.y, values[2] = v.z;
        for (int c = 0; c < width; ++c) finite = finite && std::isfinite(values[c]);
        channel.values.insert(channel.values.end(), values, values + width);
    }
    return finite;
}

void readClips(SkinReading& r, const aiScene* scene) {
    for (unsigned a = 0; a < scene->mNumAnimations; ++a) {
        const aiAnimation* source = scene->mAnimations[a];
        AnimationClip clip;
        clip.name = source->mName.length > 0 ? source->mName.C_Str() : "clip " + std::to_string(a);
        // Files that leave the rate out mean the library's default.
        double ticksPerSecond = source->mTicksPerSecond != 0 ? source->mTicksPerSecond : 25.0;
        bool finite = std::isfinite(ticksPerSecond) && ticksPerSecond > 0;
        for (unsigned c = 0; c < source->mNumChannels && finite; ++c) {
            const aiNodeAnim* nodeAnim = source->mChannels[c];
            auto named = r.nodeNamed.find(nodeAnim->mNodeName.C_Str());
            if (named == r.nodeNamed.end()) {
                r.warn(r.warnedChannel, "a clip's channel names a node that does not exist; it is left out");
                continue;
            }
            ClipChannel channels[3];
            channels[0].path = ChannelPath::Translation, channels[1].path = ChannelPath::Rotation;
            channels[2].path = ChannelPath::Scale;
            finite = readKeys(nodeAnim->mPositionKeys, nodeAnim->mNumPositionKeys, ticksPerSecond, 3, channels[0]) &&
                     readKeys(nodeAnim->mRotationKeys, nodeAnim->mNumRotationKeys, ticksPerSecond, 4, channels[1]) &&
                     readKeys(nodeAnim->mScalingKeys, nodeAnim->mNumScalingKeys, ticksPerSecond, 3, channels[2]);
            for (ClipChannel& channel : channels) {
                if (channel.times.empty()) continue;
                channel.node = named->second;
                clip.duration = std::max(clip.duration, channel.times.back());
                clip.channels.push_back(std::move(channel));
            }
        }
        if (!finite) {
            std::fprintf(stderr, "glmImportModel(): \"%s\": the clip \"%s\" holds a key that is not a finite number, or keys out of order; it is not offered.\n",
                         r.path, clip.name.c_str());
            continue;
        }
        if (!clip.channels.empty()) r.skin.clips.push_back(std::move(clip));
    }
}

// The skin of a scene whose meshes have bones, or null for one without:
// every vertex weighed (a mesh without bones follows its node rigidly),
// and every clip.
ModelSkin* readSkin(const aiScene* scene, const aiMatrix4x4& base, const std::vector<MeshInstance>& instances,
                    std::uint32_t vertexCount, const char* path) {
    bool bones = false;
    for (const MeshInstance& instance : instances) bones = bones || instance.mesh->mNumBones > 0;
    if (!bones) return nullptr;
    auto skin = std::make_unique<ModelSkin>();
    SkinReading r(path, *skin);
    readNodes(r, scene, base);
    skin->vertexJoints.assign(4 * (std::size_t{vertexCount} + 1), 0);
    skin->vertexWeights.assign(4 * (std::size_t{vertexCount} + 1), 0.0f);
    std::uint32_t first = 1;
    for (const MeshInstance& instance : instances) {
        readWeights(r, instance, first);
        first += instance.mesh->mNumVertices;
    }
    readClips(r, scene);
    return skin.release();
}

ObjModel* fillModel(const aiScene* scene, const char* path, const unsigned char* firstBytes, std::size_t length) {
    std::unique_ptr<ObjModel, ModelDeleter> model(new ObjModel{});
    ObjModel* m = model.get();
    m->pathName = copyString(path, "glmImportModel");
    m->fileUpAxis = fileUpAxisOf(scene, firstBytes, length);
    m->upAxis = UP_AXIS_Y;
    copyMaterials(scene, m, path);

    // The library's 3DS reader hands the file's z up turned half a turn about
    // x, up along -z: turned back, every z-up file is turned up alike.
    aiMatrix4x4 base;
    if (is3ds(firstBytes, length)) base = aiMatrix4x4(1, 0, 0, 0, 0, -1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1);
    std::vector<MeshInstance> instances = meshInstances(scene, base);
    Totals totals = countElements(instances, path);
    // Normals and texture coordinates share the vertices' numbering; a mesh
    // without them leaves its entries zero and its corners naming none.
    m->vertexCount = static_cast<std::uint32_t>(totals.vertices);
    m->triangleCount = static_cast<std::uint32_t>(totals.triangles);
    std::size_t entries = std::size_t{m->vertexCount} + 1;
    m->vertices = static_cast<float*>(allocateEntries(entries, 3 * sizeof(float), "glmImportModel", "vertices"));
    if (totals.normals && m->vertexCount > 0) {
        m->normalCount = m->vertexCount;
        m->normals = static_cast<float*>(allocateEntries(entries, 3 * sizeof(float), "glmImportModel", "normals"));
    }
    if (totals.texCoords && m->vertexCount > 0) {
        m->texCoordCount = m->vertexCount;
        m->texCoords =
            static_cast<float*>(allocateEntries(entries, 2 * sizeof(float), "glmImportModel", "texture coordinates"));
    }
    m->triangles =
        static_cast<ObjTriangle*>(allocateEntries(m->triangleCount, sizeof(ObjTriangle), "glmImportModel", "triangles"));

    addGroup(m, "default", "glmImportModel", 0);
    Filling filling;
    for (std::size_t i = 0; i < instances.size(); ++i) {
        const MeshInstance& instance = instances[i];
        copyVertices(m, instance, filling.nextVertex, path);
        ObjGroup* group = addGroup(m, groupName(instance, i), "glmImportModel", instance.mesh->mNumFaces);
        group->material = instance.mesh->mMaterialIndex < scene->mNumMaterials ? instance.mesh->mMaterialIndex + 1 : 0;
        copyTriangles(m, instance, group, filling);
        filling.nextVertex += instance.mesh->mNumVertices;
    }
    m->triangleCount = filling.nextTriangle;
    m->skin = readSkin(scene, base, instances, m->vertexCount, path);
    return model.release();
}

// Inputs on which the library never returns, refused before it sees them.
void refuseEndlessInput(const char* path, const char* data, std::size_t length) {
    // Its PLY reader searches for the end of a header that has none for ever.
    std::string_view text(data, length);
    if (text.substr(0, 3) == "ply" && text.find("end_header") == std::string_view::npos)
        importFailed(path, "a PLY header without end_header");
}

}  // namespace

ObjModel* glmImportModelInProcess(const char* path) {
    std::string bytes;
    if (!readWholeFile(path, bytes, "glmImportModel"))
        fatalError(stderr, 1, "glmImportModel() failed: can't open data file \"%s\".\n", path);
    refuseEndlessInput(path, bytes.data(), bytes.size());
    Assimp::Importer importer;
    // From the file rather than the bytes, so that a glTF's buffers and
    // textures beside it are found.
    const aiScene* scene = importer.ReadFile(path, importSteps);
    if (!scene || !scene->mRootNode) importFailed(path, oneLine(importer.GetErrorString(), notRecognised));
    return fillModel(scene, path, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

ObjModel* glmImportModelMemory(const void* data, std::size_t length, const char* pathName) {
    refuseEndlessInput(pathName, static_cast<const char*>(data), length);
    Assimp::Importer importer;
    std::string name = pathName;
    std::size_t slash = name.rfind('/');
    std::size_t dot = name.rfind('.');
    bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    std::string hint = hasExtension ? name.substr(dot + 1) : "";
    const aiScene* scene = length == 0 ? nullptr : importer.ReadFileFromMemory(data, length, importSteps, hint.c_str());
    if (!scene || !scene->mRootNode) importFailed(pathName, oneLine(length == 0 ? "the file is empty" : importer.GetErrorString(), notRecognised));
    return fillModel(scene, pathName, static_cast<const unsigned char*>(data), length);
}
