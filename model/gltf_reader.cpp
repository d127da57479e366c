// glTF through tinygltf into the model records and the skin. See
// gltf_reader.h. The library parses the JSON and the buffers; it does not
// check that an accessor stays inside its buffer, so every read here does.
// Images are kept as the file stores them (PNG, JPEG): the program decodes
// its colour texture itself, as it does for every format.
#include "model/gltf_reader.h"

#include <tiny_gltf.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <span>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/fatal_error.h"
#include "core/fur_settings.h"
#include "model/model_skin.h"
#include "model/obj_source.h"

namespace {

constexpr std::uint64_t maxElements = std::numeric_limits<std::int32_t>::max();

[[noreturn]] void readFailed(const char* path, const std::string& why) {
    fatalError(stderr, 1, "glmReadGLTF() failed: can't read \"%s\": %s.\n", path, why.c_str());
}

// Keeps an image's bytes as stored, undecoded. The library hands over a
// buffer view's bytes without checking the view against its buffer, so those
// are left where they are and read through viewBytes instead.
bool keepImageBytes(tinygltf::Image* image, const int, std::string*, std::string*, int, int, const unsigned char* bytes,
                    int size, void*) {
    if (image->bufferView < 0) image->image.assign(bytes, bytes + std::max(size, 0));
    image->as_is = true;
    return true;
}

struct ModelDeleter {
    void operator()(ObjModel* model) const { glmDeleteModel(model); }
};

// One reading of a file: the library's model, our records, and the faults
// met so far, each warned about once.
struct Reading {
    const tinygltf::Model& file;
    const char* path;
    ObjModel* model;
    std::unique_ptr<ModelSkin> skin;
    std::vector<int> nodeOf;  // the file's node index to ours, -1 when not walked
    bool warnedRigid = false, warnedRenormalised = false, warnedChannel = false, warnedClip = false;
    void warn(bool& once, const char* what) {
        if (!once) std::fprintf(stderr, "glmReadGLTF(): \"%s\": %s.\n", path, what);
        once = true;
    }
};

// ---- Accessors ------------------------------------------------------------

int componentsOf(int type) {
    switch (type) {
    case TINYGLTF_TYPE_SCALAR: return 1;
    case TINYGLTF_TYPE_VEC2: return 2;
    case TINYGLTF_TYPE_VEC3: return 3;
    case TINYGLTF_TYPE_VEC4: return 4;
    case TINYGLTF_TYPE_MAT4: return 16;
    default: return 0;  // MAT2 and MAT3 carry padding no attribute we read has
    }
}

int sizeOf(int componentType) {
    switch (componentType) {
    case TINYGLTF_COMPONENT_TYPE_BYTE:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE: return 1;
    case TINYGLTF_COMPONENT_TYPE_SHORT:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: return 2;
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT:
    case TINYGLTF_COMPONENT_TYPE_FLOAT: return 4;
    default: return 0;
    }
}

double componentAt(const unsigned char* p, int componentType, bool normalized) {
    switch (componentType) {
    case TINYGLTF_COMPONENT_TYPE_BYTE: {
        auto v = static_cast<std::int8_t>(*p);
        return normalized ? std::max(v / 127.0, -1.0) : v;
    }
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE: return normalized ? *p / 255.0 : *p;
    case TINYGLTF_COMPONENT_TYPE_SHORT: {
        std::int16_t v;
        std::memcpy(&v, p, 2);
        return normalized ? std::max(v / 32767.0, -1.0) : v;
    }
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: {
        std::uint16_t v;
        std::memcpy(&v, p, 2);
        return normalized ? v / 65535.0 : v;
    }
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT: {
        std::uint32_t v;
        std::memcpy(&v, p, 4);
        return v;
    }
    default: {
        float v;
        std::memcpy(&v, p, 4);
        return v;
    }
    }
}

// The bytes of buffer view `viewIndex`, which `user` (an accessor, an
// image) names, checked to lie within its buffer.
std::span<const unsigned char> viewBytes(Reading& r, int viewIndex, const std::string& user) {
    const tinygltf::Model& f = r.file;
    if (viewIndex < 0 || static_cast<std::size_t>(viewIndex) >= f.bufferViews.size())
        readFailed(r.path, user + " names a buffer view the file does not have");
    const tinygltf::BufferView& view = f.bufferViews[static_cast<std::size_t>(viewIndex)];
    if (view.buffer < 0 || static_cast<std::size_t>(view.buffer) >= f.buffers.size())
        readFailed(r.path, "a buffer view names a buffer the file does not have");
    const std::vector<unsigned char>& data = f.buffers[static_cast<std::size_t>(view.buffer)].data;
    if (view.byteOffset > data.size() || view.byteLength > data.size() - view.byteOffset)
        readFailed(r.path, user + " reaches outside its buffer");
    return {data.data() + view.byteOffset, view.byteLength};
}

// `count` elements of `components` components of the given type from a
// buffer view, starting `offset` bytes in, with the view's stride.
void readElements(Reading& r, int viewIndex, std::size_t offset, std::size_t count, int components, int componentType,
                  bool normalized, std::vector<double>& out, std::size_t firstOut) {
    std::span<const unsigned char> bytes = viewBytes(r, viewIndex, "an accessor");
    const tinygltf::BufferView& view = r.file.bufferViews[static_cast<std::size_t>(viewIndex)];
    std::size_t element = static_cast<std::size_t>(components) * sizeOf(componentType);
    std::size_t stride = view.byteStride != 0 ? view.byteStride : element;
    std::size_t room = offset > bytes.size() ? 0 : bytes.size() - offset;
    if (element == 0 || offset > bytes.size() ||
        (count > 0 && (stride < element || (count - 1) > room / stride || (count - 1) * stride + element > room)))
        readFailed(r.path, "an accessor reaches outside its buffer");
    const unsigned char* base = bytes.data() + offset;
    std::size_t size = sizeOf(componentType);
    for (std::size_t e = 0; e < count; ++e)
        for (int c = 0; c < components; ++c)
            out[(firstOut + e) * components + c] = componentAt(base + e * stride + c * size, componentType, normalized);
}

// Every element of accessor `index` as doubles, `components` per element
// (which the accessor must have), sparse substitutions applied.
std::vector<double> readAccessor(Reading& r, int index, int components, const char* what) {
    const tinygltf::Model& f = r.file;
    if (index < 0 || static_cast<std::size_t>(index) >= f.accessors.size())
        readFailed(r.path, std::string("the ") + what + " name an accessor the file does not have");
    const tinygltf::Accessor& a = f.accessors[static_cast<std::size_t>(index)];
    if (componentsOf(a.type) != components || sizeOf(a.componentType) == 0)
        readFailed(r.path, std::string("the ") + what + " have the wrong type");
    if (a.count > maxElements) readFailed(r.path, "an accessor of more than 2147483647 elements");
    std::vector<double> out(a.count * static_cast<std::size_t>(components), 0.0);
    if (a.bufferView >= 0)
        readElements(r, a.bufferView, a.byteOffset, a.count, components, a.componentType, a.normalized, out, 0);
    if (a.sparse.isSparse && a.sparse.count > 0) {
        auto sparseCount = static_cast<std::size_t>(a.sparse.count);
        if (sparseCount > a.count) readFailed(r.path, "a sparse accessor replaces more elements than it has");
        std::vector<double> at(sparseCount), values(sparseCount * components);
        int indexType = a.sparse.indices.componentType;
        if (indexType != TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE && indexType != TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT &&
            indexType != TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT)
            readFailed(r.path, "a sparse accessor's indices are not unsigned integers");
        readElements(r, a.sparse.indices.bufferView, static_cast<std::size_t>(std::max(a.sparse.indices.byteOffset, 0)),
                     sparseCount, 1, indexType, false, at, 0);
        readElements(r, a.sparse.values.bufferView, static_cast<std::size_t>(std::max(a.sparse.values.byteOffset, 0)),
                     sparseCount, components, a.componentType, a.normalized, values, 0);
        for (std::size_t s = 0; s < sparseCount; ++s) {
            if (at[s] >= static_cast<double>(a.count)) readFailed(r.path, "a sparse accessor's index is out of range");
            std::copy_n(&values[s * components], components, &out[static_cast<std::size_t>(at[s]) * components]);
        }
    }
    return out;
}

// ---- Nodes ----------------------------------------------------------------

// The rotation of a matrix whose columns are orthogonal, as a quaternion.
void quaternionFromMatrix(const double m[3][3], float q[4]) {
    double trace = m[0][0] + m[1][1] + m[2][2];
    double x, y, z, w;
    if (trace > 0) {
        double s = std::sqrt(trace + 1.0) * 2;
        w = 0.25 * s, x = (m[2][1] - m[1][2]) / s, y = (m[0][2] - m[2][0]) / s, z = (m[1][0] - m[0][1]) / s;
    } else if (m[0][0] > m[1][1] && m[0][0] > m[2][2]) {
        double s = std::sqrt(1.0 + m[0][0] - m[1][1] - m[2][2]) * 2;
        w = (m[2][1] - m[1][2]) / s, x = 0.25 * s, y = (m[0][1] + m[1][0]) / s, z = (m[0][2] + m[2][0]) / s;
    } else if (m[1][1] > m[2][2]) {
        double s = std::sqrt(1.0 + m[1][1] - m[0][0] - m[2][2]) * 2;
        w = (m[0][2] - m[2][0]) / s, x = (m[0][1] + m[1][0]) / s, y = 0.25 * s, z = (m[1][2] + m[2][1]) / s;
    } else {
        double s = std::sqrt(1.0 + m[2][2] - m[0][0] - m[1][1]) * 2;
        w = (m[1][0] - m[0][1]) / s, x = (m[0][2] + m[2][0]) / s, y = (m[1][2] + m[2][1]) / s, z = 0.25 * s;
    }
    const double values[4] = {x, y, z, w};
    for (int k = 0; k < 4; ++k) q[k] = std::isfinite(values[k]) ? static_cast<float>(values[k]) : (k == 3 ? 1.0f : 0.0f);
}

// A node's rest transform as translation, rotation and scale; a node given as
// a matrix is split into them (glTF allows no shear there).
void restTransform(const tinygltf::Node& source, SkinNode& node) {
    auto finite = [](double v, float fallback) { return std::isfinite(v) ? static_cast<float>(v) : fallback; };
    if (source.matrix.size() == 16) {
        double m[3][3];
        for (int c = 0; c < 3; ++c) {
            double length = 0;
            for (int r = 0; r < 3; ++r) length += source.matrix[4 * c + r] * source.matrix[4 * c + r];
            length = std::sqrt(length);
            node.scale[c] = finite(length, 1.0f);
            for (int r = 0; r < 3; ++r) m[r][c] = length > 0 ? source.matrix[4 * c + r] / length : (r == c);
            node.translation[c] = finite(source.matrix[12 + c], 0.0f);
        }
        quaternionFromMatrix(m, node.rotation);
        return;
    }
    for (int k = 0; k < 3 && source.translation.size() == 3; ++k) node.translation[k] = finite(source.translation[k], 0);
    for (int k = 0; k < 3 && source.scale.size() == 3; ++k) node.scale[k] = finite(source.scale[k], 1);
    for (int k = 0; k < 4 && source.rotation.size() == 4; ++k) node.rotation[k] = finite(source.rotation[k], k == 3);
}

// The scene's nodes depth first, parents before children, each file node
// taken once: a node listed twice, or a cycle, is walked at its first place.
std::vector<int> walkScene(Reading& r, ModelSkin& skin) {
    const tinygltf::Model& f = r.file;
    std::vector<int> roots;
    if (f.scenes.empty()) {
        std::vector<bool> isChild(f.nodes.size(), false);
        for (const tinygltf::Node& node : f.nodes)
            for (int child : node.children)
                if (child >= 0 && static_cast<std::size_t>(child) < f.nodes.size()) isChild[child] = true;
        for (std::size_t n = 0; n < f.nodes.size(); ++n)
            if (!isChild[n]) roots.push_back(static_cast<int>(n));
    } else {
        std::size_t scene = f.defaultScene >= 0 && static_cast<std::size_t>(f.defaultScene) < f.scenes.size()
                                ? static_cast<std::size_t>(f.defaultScene)
                                : 0;
        roots = f.scenes[scene].nodes;
    }
    r.nodeOf.assign(f.nodes.size(), -1);
    std::vector<int> order;
    std::vector<std::pair<int, int>> pending;  // file node, our parent
    for (std::size_t i = roots.size(); i-- > 0;) pending.push_back({roots[i], -1});
    while (!pending.empty()) {
        auto [fileNode, parent] = pending.back();
        pending.pop_back();
        if (fileNode < 0 || static_cast<std::size_t>(fileNode) >= f.nodes.size() || r.nodeOf[fileNode] >= 0) continue;
        const tinygltf::Node& source = f.nodes[static_cast<std::size_t>(fileNode)];
        int ours = static_cast<int>(skin.nodes.size());
        r.nodeOf[fileNode] = ours;
        SkinNode node;
        node.name = source.name;
        node.parent = parent;
        restTransform(source, node);
        skin.nodes.push_back(node);
        order.push_back(fileNode);
        for (std::size_t i = source.children.size(); i-- > 0;) pending.push_back({source.children[i], ours});
    }
    return order;
}

// ---- Materials --------------------------------------------------------------

void copyTexture(Reading& r, const tinygltf::Material& source, ObjMaterial& material) {
    const tinygltf::Model& f = r.file;
    int texture = source.pbrMetallicRoughness.baseColorTexture.index;
    if (texture < 0 || static_cast<std::size_t>(texture) >= f.textures.size()) return;
    int image = f.textures[static_cast<std::size_t>(texture)].source;
    if (image < 0 || static_cast<std::size_t>(image) >= f.images.size()) return;
    const tinygltf::Image& stored = f.images[static_cast<std::size_t>(image)];
    bool external = !stored.uri.empty() && stored.uri.compare(0, 5, "data:") != 0;
    if (external) {
        material.diffuseMap = copyString(besideModel(r.path, stored.uri), "glmReadGLTF");
        return;
    }
    std::span<const unsigned char> bytes =
        stored.bufferView >= 0 ? viewBytes(r, stored.bufferView, "an image")
                               : std::span<const unsigned char>(stored.image);
    if (!bytes.empty() && bytes.size() <= maxElements) {
        material.diffuseMapByteCount = static_cast<std::uint32_t>(bytes.size());
        material.diffuseMapBytes =
            static_cast<unsigned char*>(allocateEntries(bytes.size(), 1, "glmReadGLTF", "texture bytes"));
        std::memcpy(material.diffuseMapBytes, bytes.data(), bytes.size());
    }
}

void copyMaterials(Reading& r) {
    const tinygltf::Model& f = r.file;
    ObjModel* model = r.model;
    model->materialCount = static_cast<std::uint32_t>(f.materials.size() + 1);
    model->materials = static_cast<ObjMaterial*>(
        allocateEntries(model->materialCount, sizeof(ObjMaterial), "glmReadGLTF", "materials"));
    for (std::uint32_t i = 0; i < model->materialCount; ++i) setDefaultMaterial(model->materials[i]);
    model->materials[0].name = copyString("default", "glmReadGLTF");
    for (std::size_t i = 0; i < f.materials.size(); ++i) {
        const tinygltf::Material& source = f.materials[i];
        ObjMaterial& material = model->materials[i + 1];
        material.name = copyString(source.name, "glmReadGLTF");
        const std::vector<double>& colour = source.pbrMetallicRoughness.baseColorFactor;
        for (std::size_t k = 0; k < 3 && colour.size() >= 3; ++k)
            material.diffuse[k] = std::isfinite(colour[k]) ? static_cast<float>(std::clamp(colour[k], 0.0, 1.0)) : 1.0f;
        copyTexture(r, source, material);
    }
}

// ---- Meshes -----------------------------------------------------------------

// One triangle primitive as one node places it, its attributes read.
struct Primitive {
    const tinygltf::Primitive* source;
    std::string name;
    int node;                 // ours
    int skin;                 // the file's, or -1
    std::vector<double> positions, normals, texCoords;
    std::vector<double> joints[2], weights[2];
    std::vector<std::uint32_t> corners;  // three per triangle, into the primitive's vertices
    std::vector<std::uint32_t> welded;   // the primitive's vertex to its shared one
    std::uint32_t vertexCount = 0;       // shared vertices
};

std::vector<std::uint32_t> triangleCorners(Reading& r, const tinygltf::Primitive& p, std::size_t vertexCount) {
    std::vector<std::uint32_t> order;
    if (p.indices >= 0) {
        for (double index : readAccessor(r, p.indices, 1, "indices")) order.push_back(static_cast<std::uint32_t>(index));
    } else {
        for (std::size_t v = 0; v < vertexCount; ++v) order.push_back(static_cast<std::uint32_t>(v));
    }
    std::vector<std::uint32_t> corners;
    auto add = [&](std::uint32_t a, std::uint32_t b, std::uint32_t c) {
        if (a < vertexCount && b < vertexCount && c < vertexCount) corners.insert(corners.end(), {a, b, c});
    };
    int mode = p.mode < 0 ? TINYGLTF_MODE_TRIANGLES : p.mode;
    if (mode == TINYGLTF_MODE_TRIANGLES)
        for (std::size_t k = 0; k + 2 < order.size(); k += 3) add(order[k], order[k + 1], order[k + 2]);
    else if (mode == TINYGLTF_MODE_TRIANGLE_STRIP)
        for (std::size_t k = 0; k + 2 < order.size(); ++k)
            k % 2 == 0 ? add(order[k], order[k + 1], order[k + 2]) : add(order[k + 1], order[k], order[k + 2]);
    else if (mode == TINYGLTF_MODE_TRIANGLE_FAN)
        for (std::size_t k = 1; k + 1 < order.size(); ++k) add(order[0], order[k], order[k + 1]);
    return corners;
}

void readAttribute(Reading& r, const tinygltf::Primitive& p, const char* name, int components, std::size_t count,
                   std::vector<double>& out) {
    auto found = p.attributes.find(name);
    if (found == p.attributes.end()) return;
    out = readAccessor(r, found->second, components, "vertex attributes");
    if (out.size() != count * components) readFailed(r.path, "a primitive's attributes differ in count");
}

// Shares vertices that agree in every attribute, in first-use order.
void weld(Primitive& p) {
    std::size_t count = p.positions.size() / 3;
    std::unordered_map<std::string, std::uint32_t> shared;
    p.welded.resize(count);
    std::vector<double> key;
    for (std::size_t v = 0; v < count; ++v) {
        key.clear();
        auto append = [&](const std::vector<double>& a, int width) {
            if (!a.empty()) key.insert(key.end(), a.begin() + v * width, a.begin() + (v + 1) * width);
        };
        append(p.positions, 3), append(p.normals, 3), append(p.texCoords, 2);
        for (int s = 0; s < 2; ++s) append(p.joints[s], 4), append(p.weights[s], 4);
        std::string bytes(reinterpret_cast<const char*>(key.data()), key.size() * sizeof(double));
        p.welded[v] = shared.emplace(std::move(bytes), static_cast<std::uint32_t>(shared.size())).first->second;
    }
    p.vertexCount = static_cast<std::uint32_t>(shared.size());
}

std::vector<Primitive> readPrimitives(Reading& r, const std::vector<int>& order) {
    const tinygltf::Model& f = r.file;
    std::vector<Primitive> primitives;
    for (int fileNode : order) {
        const tinygltf::Node& node = f.nodes[static_cast<std::size_t>(fileNode)];
        if (node.mesh < 0 || static_cast<std::size_t>(node.mesh) >= f.meshes.size()) continue;
        const tinygltf::Mesh& mesh = f.meshes[static_cast<std::size_t>(node.mesh)];
        for (std::size_t k = 0; k < mesh.primitives.size(); ++k) {
            const tinygltf::Primitive& source = mesh.primitives[k];
            auto position = source.attributes.find("POSITION");
            int mode = source.mode < 0 ? TINYGLTF_MODE_TRIANGLES : source.mode;
            if (position == source.attributes.end() || mode < TINYGLTF_MODE_TRIANGLES) continue;
            Primitive p;
            p.source = &source;
            p.node = r.nodeOf[fileNode];
            p.skin = node.skin >= 0 && static_cast<std::size_t>(node.skin) < f.skins.size() ? node.skin : -1;
            p.name = !mesh.name.empty() ? mesh.name : !node.name.empty() ? node.name : "mesh " + std::to_string(primitives.size());
            if (mesh.primitives.size() > 1) p.name += "-" + std::to_string(k);
            p.positions = readAccessor(r, position->second, 3, "positions");
            std::size_t count = p.positions.size() / 3;
            readAttribute(r, source, "NORMAL", 3, count, p.normals);
            readAttribute(r, source, "TEXCOORD_0", 2, count, p.texCoords);
            if (p.skin >= 0)
                for (int s = 0; s < 2; ++s) {
                    std::string index = std::to_string(s);
                    readAttribute(r, source, ("JOINTS_" + index).c_str(), 4, count, p.joints[s]);
                    readAttribute(r, source, ("WEIGHTS_" + index).c_str(), 4, count, p.weights[s]);
                    if (p.joints[s].empty() != p.weights[s].empty()) p.joints[s].clear(), p.weights[s].clear();
                }
            p.corners = triangleCorners(r, source, count);
            weld(p);
            primitives.push_back(std::move(p));
        }
    }
    return primitives;
}

// ---- The skin -----------------------------------------------------------------

struct JointTable {
    std::map<int, std::uint32_t> skinFirst;  // the file's skin to its first joint of ours
    std::map<int, std::uint32_t> rigid;      // our node to the joint that carries it rigidly
};

std::uint32_t rigidJoint(ModelSkin& skin, JointTable& table, const std::vector<Affine>& globals, int node) {
    auto [entry, added] = table.rigid.emplace(node, static_cast<std::uint32_t>(skin.joints.size()));
    if (added) skin.joints.push_back({node, affineInverse(globals[static_cast<std::size_t>(node)])});
    return entry->second;
}

std::uint32_t skinJoints(Reading& r, ModelSkin& skin, JointTable& table, int fileSkin) {
    auto [entry, added] = table.skinFirst.emplace(fileSkin, static_cast<std::uint32_t>(skin.joints.size()));
    if (!added) return entry->second;
    const tinygltf::Skin& source = r.file.skins[static_cast<std::size_t>(fileSkin)];
    std::vector<double> inverseBinds;
    if (source.inverseBindMatrices >= 0) {
        inverseBinds = readAccessor(r, source.inverseBindMatrices, 16, "inverse bind matrices");
        if (inverseBinds.size() < source.joints.size() * 16) readFailed(r.path, "a skin has fewer inverse binds than joints");
    }
    for (std::size_t j = 0; j < source.joints.size(); ++j) {
        int fileNode = source.joints[j];
        SkinJoint joint;
        joint.node = fileNode >= 0 && static_cast<std::size_t>(fileNode) < r.nodeOf.size() ? r.nodeOf[fileNode] : -1;
        joint.inverseBind = affineIdentity();
        if (!inverseBinds.empty()) {
            float m[16];
            for (int k = 0; k < 16; ++k) {
                double v = inverseBinds[16 * j + k];
                if (!std::isfinite(v)) readFailed(r.path, "an inverse bind matrix is not finite");
                m[k] = static_cast<float>(v);
            }
            joint.inverseBind = affineFromColumnMajor(m);
        }
        skin.joints.push_back(joint);
    }
    return entry->second;
}

// Each shared vertex's joints and weights, appended to the skin's arrays.
void weighVertices(Reading& r, ModelSkin& skin, JointTable& table, const std::vector<Affine>& globals,
                   const Primitive& p) {
    std::uint32_t rigid = rigidJoint(skin, table, globals, p.node);
    std::uint32_t first = 0, count = 0;
    if (p.skin >= 0) {
        first = skinJoints(r, skin, table, p.skin);
        count = static_cast<std::uint32_t>(r.file.skins[static_cast<std::size_t>(p.skin)].joints.size());
    }
    std::size_t base = skin.vertexJoints.size();
    skin.vertexJoints.resize(base + 4 * std::size_t{p.vertexCount});
    skin.vertexWeights.resize(base + 4 * std::size_t{p.vertexCount});
    std::vector<bool> done(p.vertexCount, false);
    for (std::size_t v = 0; v < p.welded.size(); ++v) {
        std::uint32_t shared = p.welded[v];
        if (done[shared]) continue;
        done[shared] = true;
        std::uint32_t joints[8];
        float weights[8];
        int influences = 0;
        for (int s = 0; s < 2; ++s)
            for (int k = 0; k < 4 && !p.weights[s].empty(); ++k, ++influences) {
                double joint = p.joints[s][4 * v + k];
                joints[influences] = joint >= 0 && joint < count ? first + static_cast<std::uint32_t>(joint) : ~0u;
                weights[influences] = static_cast<float>(p.weights[s][4 * v + k]);
            }
        std::uint32_t* outJoints = &skin.vertexJoints[base + 4 * std::size_t{shared}];
        float* outWeights = &skin.vertexWeights[base + 4 * std::size_t{shared}];
        WeightRepair repair = WeightRepair::Rigid;
        if (influences > 0)
            repair = repairWeights(joints, weights, influences, static_cast<std::uint32_t>(skin.joints.size()), rigid,
                                   outJoints, outWeights);
        else
            repairWeights(&rigid, weights, 0, 0, rigid, outJoints, outWeights);
        if (influences > 0 && repair == WeightRepair::Rigid)
            r.warn(r.warnedRigid, "weights that sum to 0 or are not numbers; those vertices follow their node rigidly");
        if (repair == WeightRepair::Renormalised)
            r.warn(r.warnedRenormalised, "weights that do not sum to 1 are renormalised");
    }
}

// ---- Clips --------------------------------------------------------------------

bool readChannel(Reading& r, const tinygltf::Animation& source, const tinygltf::AnimationChannel& c, ClipChannel& channel,
                 bool& finite) {
    if (c.target_path == "weights") return false;  // morph targets are not drawn
    if (c.target_node < 0 || static_cast<std::size_t>(c.target_node) >= r.nodeOf.size() || r.nodeOf[c.target_node] < 0 ||
        c.sampler < 0 || static_cast<std::size_t>(c.sampler) >= source.samplers.size()) {
        r.warn(r.warnedChannel, "a clip's channel names a node or sampler that does not exist; it is left out");
        return false;
    }
    channel.node = r.nodeOf[c.target_node];
    if (c.target_path == "translation") channel.path = ChannelPath::Translation;
    else if (c.target_path == "rotation") channel.path = ChannelPath::Rotation;
    else if (c.target_path == "scale") channel.path = ChannelPath::Scale;
    else return false;
    const tinygltf::AnimationSampler& sampler = source.samplers[static_cast<std::size_t>(c.sampler)];
    channel.interpolation = sampler.interpolation == "STEP"          ? KeyInterpolation::Step
                            : sampler.interpolation == "CUBICSPLINE" ? KeyInterpolation::CubicSpline
                                                                     : KeyInterpolation::Linear;
    int width = channel.path == ChannelPath::Rotation ? 4 : 3;
    std::vector<double> times = readAccessor(r, sampler.input, 1, "key times");
    std::vector<double> values = readAccessor(r, sampler.output, width, "key values");
    std::size_t perKey = channel.interpolation == KeyInterpolation::CubicSpline ? 3 : 1;
    if (times.empty() || values.size() != times.size() * perKey * width) {
        r.warn(r.warnedChannel, "a clip's channel has keys and values that do not match; it is left out");
        return false;
    }
    for (double t : times) channel.times.push_back(static_cast<float>(t));
    for (double v : values) channel.values.push_back(static_cast<float>(v));
    for (float v : channel.times) finite = finite && std::isfinite(v);
    for (float v : channel.values) finite = finite && std::isfinite(v);
    finite = finite && std::is_sorted(channel.times.begin(), channel.times.end());
    return true;
}

void readClips(Reading& r, ModelSkin& skin) {
    for (std::size_t a = 0; a < r.file.animations.size(); ++a) {
        const tinygltf::Animation& source = r.file.animations[a];
        AnimationClip clip;
        clip.name = !source.name.empty() ? source.name : "clip " + std::to_string(a);
        bool finite = true;
        for (const tinygltf::AnimationChannel& c : source.channels) {
            ClipChannel channel;
            if (!readChannel(r, source, c, channel, finite)) continue;
            clip.duration = std::max(clip.duration, channel.times.back());
            clip.channels.push_back(std::move(channel));
        }
        if (!finite) {
            std::fprintf(stderr, "glmReadGLTF(): \"%s\": the clip \"%s\" holds a key that is not a finite number, or keys out of order; it is not offered.\n",
                         r.path, clip.name.c_str());
            continue;
        }
        if (!clip.channels.empty()) skin.clips.push_back(std::move(clip));
    }
}

// ---- The model ------------------------------------------------------------------

void fillVertices(ObjModel* m, const Primitive& p, std::uint32_t first, const Affine& transform, bool skinned,
                  const char* path) {
    Affine normalTransform = affineInverse(transform);
    std::vector<bool> done(p.vertexCount, false);
    for (std::size_t v = 0; v < p.welded.size(); ++v) {
        std::uint32_t shared = p.welded[v];
        if (done[shared]) continue;
        done[shared] = true;
        std::size_t at = std::size_t{first} + shared;
        float position[3] = {static_cast<float>(p.positions[3 * v]), static_cast<float>(p.positions[3 * v + 1]),
                             static_cast<float>(p.positions[3 * v + 2])};
        if (!skinned) transformPoint(transform, position, position);
        if (!std::isfinite(position[0]) || !std::isfinite(position[1]) || !std::isfinite(position[2]))
            readFailed(path, "a vertex position is not a finite number");
        std::copy(position, position + 3, &m->vertices[3 * at]);
        if (!p.normals.empty()) {
            float n[3] = {static_cast<float>(p.normals[3 * v]), static_cast<float>(p.normals[3 * v + 1]),
                          static_cast<float>(p.normals[3 * v + 2])};
            if (!skinned) {
                // By the inverse transpose: the rows of the inverse.
                float t[3];
                for (int k = 0; k < 3; ++k)
                    t[k] = normalTransform[k] * n[0] + normalTransform[4 + k] * n[1] + normalTransform[8 + k] * n[2];
                std::copy(t, t + 3, n);
            }
            float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
            if (std::isfinite(length) && length > 0)
                for (int k = 0; k < 3; ++k) m->normals[3 * at + k] = n[k] / length;
        }
        if (!p.texCoords.empty()) {
            double s = p.texCoords[2 * v], t = 1.0 - p.texCoords[2 * v + 1];
            m->texCoords[2 * at] = std::isfinite(s) ? static_cast<float>(s) : 0.0f;
            m->texCoords[2 * at + 1] = std::isfinite(t) ? static_cast<float>(t) : 0.0f;
        }
    }
}

void allocateArrays(Reading& r, const std::vector<Primitive>& primitives) {
    ObjModel* m = r.model;
    std::uint64_t vertices = 0, triangles = 0;
    bool normals = false, texCoords = false;
    for (const Primitive& p : primitives) {
        vertices += p.vertexCount;
        triangles += p.corners.size() / 3;
        normals = normals || !p.normals.empty();
        texCoords = texCoords || !p.texCoords.empty();
        if (vertices > maxElements || triangles > maxElements)
            readFailed(r.path, "more than 2147483647 vertices or triangles");
    }
    m->vertexCount = static_cast<std::uint32_t>(vertices);
    m->triangleCount = static_cast<std::uint32_t>(triangles);
    std::size_t entries = std::size_t{m->vertexCount} + 1;
    m->vertices = static_cast<float*>(allocateEntries(entries, 3 * sizeof(float), "glmReadGLTF", "vertices"));
    if (normals && vertices > 0) {
        m->normalCount = m->vertexCount;
        m->normals = static_cast<float*>(allocateEntries(entries, 3 * sizeof(float), "glmReadGLTF", "normals"));
    }
    if (texCoords && vertices > 0) {
        m->texCoordCount = m->vertexCount;
        m->texCoords = static_cast<float*>(allocateEntries(entries, 2 * sizeof(float), "glmReadGLTF", "texture coordinates"));
    }
    m->triangles =
        static_cast<ObjTriangle*>(allocateEntries(m->triangleCount, sizeof(ObjTriangle), "glmReadGLTF", "triangles"));
}

ObjModel* fillModel(const tinygltf::Model& file, const char* path) {
    std::unique_ptr<ObjModel, ModelDeleter> model(new ObjModel{});
    Reading r{file, path, model.get(), std::make_unique<ModelSkin>(), {}};
    ObjModel* m = model.get();
    m->pathName = copyString(path, "glmReadGLTF");
    m->fileUpAxis = m->upAxis = UP_AXIS_Y;
    copyMaterials(r);
    ModelSkin& skin = *r.skin;
    std::vector<int> order = walkScene(r, skin);
    std::vector<Primitive> primitives = readPrimitives(r, order);
    allocateArrays(r, primitives);
    std::vector<Affine> globals = restGlobals(skin);

    bool animated = !file.skins.empty() || !file.animations.empty();
    JointTable table;
    skin.vertexJoints.assign(4, 0);
    skin.vertexWeights.assign(4, 0.0f);
    addGroup(m, "default", "glmReadGLTF", 0);
    std::uint32_t nextVertex = 1, nextTriangle = 0;
    for (const Primitive& p : primitives) {
        fillVertices(m, p, nextVertex, globals[static_cast<std::size_t>(p.node)], p.skin >= 0, path);
        if (animated) weighVertices(r, skin, table, globals, p);
        ObjGroup* group = addGroup(m, p.name, "glmReadGLTF", static_cast<std::int64_t>(p.corners.size() / 3));
        int material = p.source->material;
        group->material = material >= 0 && static_cast<std::size_t>(material) < file.materials.size()
                              ? static_cast<std::uint32_t>(material + 1)
                              : 0;
        for (std::size_t c = 0; c + 2 < p.corners.size(); c += 3) {
            ObjTriangle& triangle = m->triangles[nextTriangle];
            for (int k = 0; k < 3; ++k) {
                auto vertex = static_cast<std::int32_t>(nextVertex + p.welded[p.corners[c + k]]);
                triangle.vertexIndices[k] = vertex;
                const float* n = m->normals ? &m->normals[3 * static_cast<std::size_t>(vertex)] : nullptr;
                triangle.normalIndices[k] = n && !p.normals.empty() && (n[0] != 0 || n[1] != 0 || n[2] != 0) ? vertex : 0;
                triangle.texCoordIndices[k] = p.texCoords.empty() ? 0 : vertex;
            }
            group->triangleIndices[group->triangleCount++] = nextTriangle++;
        }
        nextVertex += p.vertexCount;
    }
    if (animated) {
        readClips(r, skin);
        m->skin = r.skin.release();
    }
    return model.release();
}

ObjModel* readWith(const char* path, const std::function<bool(tinygltf::TinyGLTF&, tinygltf::Model&, std::string&,
                                                                std::string&)>& load) {
    tinygltf::TinyGLTF loader;
    loader.SetImageLoader(keepImageBytes, nullptr);
    tinygltf::Model file;
    std::string error, warning;
    bool loaded = load(loader, file, error, warning);
    if (!loaded) readFailed(path, oneLine(error.empty() ? warning : error, "the file is not glTF"));
    return fillModel(file, path);
}

// tinygltf's base directory: without the final '/', "." for a bare name.
std::string baseDirectoryOf(const char* path) {
    std::string directory = directoryOf(path);
    if (!directory.empty()) directory.pop_back();
    return directory.empty() ? "." : directory;
}

bool isBinary(const char* data, std::size_t length) { return length >= 4 && std::memcmp(data, "glTF", 4) == 0; }

}  // namespace

bool glmIsGLTFFile(const char* path, const char* data, std::size_t length) {
    std::string_view name = path;
    auto endsWith = [&](std::string_view tail) {
        if (name.size() < tail.size()) return false;
        for (std::size_t k = 0; k < tail.size(); ++k)
            if (std::tolower(static_cast<unsigned char>(name[name.size() - tail.size() + k])) != tail[k]) return false;
        return true;
    };
    return endsWith(".gltf") || endsWith(".glb") || isBinary(data, length);
}

ObjModel* glmReadGLTFMemory(const void* data, std::size_t length, const char* pathName) {
    if (length == 0) readFailed(pathName, "the file is empty");
    if (length > std::numeric_limits<unsigned int>::max()) readFailed(pathName, "the file is larger than 4 GiB");
    auto bytes = static_cast<const unsigned char*>(data);
    std::string directory = baseDirectoryOf(pathName);
    return readWith(pathName, [&](tinygltf::TinyGLTF& loader, tinygltf::Model& file, std::string& error, std::string& warning) {
        if (isBinary(static_cast<const char*>(data), length))
            return loader.LoadBinaryFromMemory(&file, &error, &warning, bytes, static_cast<unsigned int>(length), directory);
        return loader.LoadASCIIFromString(&file, &error, &warning, static_cast<const char*>(data),
                                          static_cast<unsigned int>(length), directory);
    });
}

ObjModel* glmReadGLTF(const char* path) {
    std::string bytes;
    if (!readWholeFile(path, bytes, "glmReadGLTF"))
        fatalError(stderr, 1, "glmReadGLTF() failed: can't open data file \"%s\".\n", path);
    return glmReadGLTFMemory(bytes.data(), bytes.size(), path);
}
