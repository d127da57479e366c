// A model's records as bytes and back. See model_transfer.h. The layout
// follows ObjModel field by field; an array's length is never written, as
// its count (written before it) implies it, so a count and its array cannot
// disagree.
#include "model/model_transfer.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "model/model_skin.h"
#include "model/obj_source.h"

namespace {

// The length written for a null string.
constexpr std::uint32_t noString = UINT32_MAX;

template <typename T>
void put(std::string& bytes, const T& value) {
    bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
}

void putBytes(std::string& bytes, const void* data, std::size_t size) {
    bytes.append(static_cast<const char*>(data), size);
}

void putString(std::string& bytes, const char* text) {
    put(bytes, text ? static_cast<std::uint32_t>(std::strlen(text)) : noString);
    if (text) bytes.append(text);
}

// A 1-based array of `width` floats an entry (count + 1 entries), or none.
void putEntries(std::string& bytes, std::uint32_t count, const float* entries, std::size_t width) {
    put(bytes, count);
    put(bytes, static_cast<std::uint8_t>(entries != nullptr));
    if (entries) putBytes(bytes, entries, (std::size_t{count} + 1) * width * sizeof(float));
}

// The fewest bytes a material and a group take, which bound the count of
// them that what is left can hold before anything is allocated for them.
constexpr std::size_t smallestMaterial = 4 + 3 * 16 + 4 + 4 + 4, smallestGroup = 4 + 4 + 4;

void putMaterial(std::string& bytes, const ObjMaterial& material) {
    putString(bytes, material.name);
    put(bytes, material.diffuse);
    put(bytes, material.ambient);
    put(bytes, material.specular);
    put(bytes, material.shininess);
    putString(bytes, material.diffuseMap);
    std::uint32_t count = material.diffuseMapBytes ? material.diffuseMapByteCount : 0;
    put(bytes, count);
    putBytes(bytes, material.diffuseMapBytes, count);
}

template <typename T>
void putVector(std::string& bytes, const std::vector<T>& values) {
    put(bytes, static_cast<std::uint32_t>(values.size()));
    putBytes(bytes, values.data(), values.size() * sizeof(T));
}

void putSkin(std::string& bytes, const ModelSkin* skin) {
    put(bytes, static_cast<std::uint8_t>(skin != nullptr));
    if (!skin) return;
    put(bytes, static_cast<std::uint32_t>(skin->nodes.size()));
    for (const SkinNode& node : skin->nodes) {
        putString(bytes, node.name.c_str());
        put(bytes, node.parent);
        put(bytes, node.translation);
        put(bytes, node.rotation);
        put(bytes, node.scale);
    }
    put(bytes, static_cast<std::uint32_t>(skin->joints.size()));
    for (const SkinJoint& joint : skin->joints) {
        put(bytes, joint.node);
        put(bytes, joint.inverseBind);
    }
    putVector(bytes, skin->vertexJoints);
    putVector(bytes, skin->vertexWeights);
    put(bytes, static_cast<std::uint32_t>(skin->clips.size()));
    for (const AnimationClip& clip : skin->clips) {
        putString(bytes, clip.name.c_str());
        put(bytes, clip.duration);
        put(bytes, static_cast<std::uint32_t>(clip.channels.size()));
        for (const ClipChannel& channel : clip.channels) {
            put(bytes, channel.node);
            put(bytes, static_cast<std::uint8_t>(channel.path));
            put(bytes, static_cast<std::uint8_t>(channel.interpolation));
            putVector(bytes, channel.times);
            putVector(bytes, channel.values);
        }
    }
    put(bytes, skin->placement);
}

// The bytes not read yet; every read takes only what is left.
class Reader {
public:
    Reader(const void* bytes, std::size_t length) : at(static_cast<const char*>(bytes)), left(length) {}

    template <typename T>
    bool get(T& value) {
        return take(&value, sizeof value);
    }

    // `count` entries into a fresh array (at least one entry, zeroed).
    template <typename T>
    bool getArray(T*& entries, std::size_t count) {
        if (count > left / sizeof(T)) return false;
        entries = static_cast<T*>(allocateEntries(count, sizeof(T), "glmImportModel", "transferred entries"));
        return take(entries, count * sizeof(T));
    }

    bool getString(char*& text) {
        std::uint32_t length = 0;
        if (!get(length)) return false;
        if (length == noString) return true;
        if (length > left) return false;
        text = static_cast<char*>(allocateEntries(std::size_t{length} + 1, 1, "glmImportModel", "characters"));
        return take(text, length);
    }

    template <typename T>
    bool getVector(std::vector<T>& values) {
        std::uint32_t count = 0;
        if (!get(count) || count > left / sizeof(T)) return false;
        values.resize(count);
        return take(values.data(), std::size_t{count} * sizeof(T));
    }

    bool getText(std::string& text) {
        std::uint32_t length = 0;
        if (!get(length) || length > left) return false;
        text.assign(at, length);
        return skip(length);
    }

    bool getEntries(std::uint32_t& count, float*& entries, std::size_t width) {
        std::uint8_t present = 0;
        if (!get(count) || !get(present) || present > 1) return false;
        return !present || getArray(entries, (std::size_t{count} + 1) * width);
    }

    // Whether what is left could hold `count` records of at least `size` bytes.
    bool canHold(std::size_t count, std::size_t size) const { return count <= left / size; }

    bool finished() const { return left == 0; }

private:
    bool skip(std::size_t size) {
        if (size > left) return false;
        at += size;
        left -= size;
        return true;
    }

    bool take(void* out, std::size_t size) {
        if (size > left) return false;
        if (size) std::memcpy(out, at, size);
        at += size;
        left -= size;
        return true;
    }

    const char* at;
    std::size_t left;
};

bool getMaterial(Reader& in, ObjMaterial& material) {
    if (!in.getString(material.name) || !in.get(material.diffuse) || !in.get(material.ambient) ||
        !in.get(material.specular) || !in.get(material.shininess) || !in.getString(material.diffuseMap) ||
        !in.get(material.diffuseMapByteCount))
        return false;
    return material.diffuseMapByteCount == 0 || in.getArray(material.diffuseMapBytes, material.diffuseMapByteCount);
}

bool getMaterials(Reader& in, ObjModel* model) {
    std::uint8_t present = 0;
    std::uint32_t count = 0;
    if (!in.get(present) || !in.get(count) || present > 1) return false;
    if (!present) return count == 0;
    if (!in.canHold(count, smallestMaterial)) return false;
    // Counted at once: the entries are zeroed, so a failure part way frees
    // what was read and nothing else.
    model->materials =
        static_cast<ObjMaterial*>(allocateEntries(count, sizeof(ObjMaterial), "glmImportModel", "materials"));
    model->materialCount = count;
    for (std::uint32_t i = 0; i < count; ++i)
        if (!getMaterial(in, model->materials[i])) return false;
    return true;
}

// Groups in the model's order, newest first, each linked in as soon as it
// exists so that a failure frees it with the model.
bool getGroups(Reader& in, ObjModel* model) {
    std::uint32_t count = 0;
    if (!in.get(count) || !in.canHold(count, smallestGroup)) return false;
    ObjGroup** tail = &model->groups;
    for (std::uint32_t i = 0; i < count; ++i) {
        auto* group = new ObjGroup{};
        *tail = group;
        tail = &group->next;
        ++model->groupCount;
        if (!in.getString(group->name) || !group->name || !in.get(group->triangleCount) || !in.get(group->material) ||
            !in.getArray(group->triangleIndices, group->triangleCount))
            return false;
    }
    return true;
}

// The fewest bytes a node, a joint, a clip and a channel take.
constexpr std::size_t smallestNode = 4 + 4 + 40, smallestJoint = 4 + 48, smallestClip = 4 + 4 + 4,
                      smallestChannel = 4 + 1 + 1 + 4 + 4;

bool getNodes(Reader& in, ModelSkin& skin) {
    std::uint32_t count = 0;
    if (!in.get(count) || !in.canHold(count, smallestNode)) return false;
    skin.nodes.resize(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        SkinNode& node = skin.nodes[i];
        if (!in.getText(node.name) || !in.get(node.parent) || !in.get(node.translation) || !in.get(node.rotation) ||
            !in.get(node.scale) || node.parent < -1 || node.parent >= static_cast<int>(i))
            return false;
    }
    return true;
}

bool getJoints(Reader& in, ModelSkin& skin) {
    std::uint32_t count = 0;
    if (!in.get(count) || !in.canHold(count, smallestJoint)) return false;
    skin.joints.resize(count);
    for (SkinJoint& joint : skin.joints)
        if (!in.get(joint.node) || !in.get(joint.inverseBind) || joint.node < -1 ||
            joint.node >= static_cast<int>(skin.nodes.size()))
            return false;
    return true;
}

// A channel holds the values its keys need, for a node that exists:
// posing reads them without checking again.
bool getChannel(Reader& in, const ModelSkin& skin, ClipChannel& channel) {
    std::uint8_t path = 0, interpolation = 0;
    if (!in.get(channel.node) || !in.get(path) || !in.get(interpolation) || !in.getVector(channel.times) ||
        !in.getVector(channel.values) || path > 2 || interpolation > 2 || channel.node < 0 ||
        channel.node >= static_cast<int>(skin.nodes.size()))
        return false;
    channel.path = static_cast<ChannelPath>(path);
    channel.interpolation = static_cast<KeyInterpolation>(interpolation);
    std::size_t width = channel.path == ChannelPath::Rotation ? 4 : 3;
    std::size_t perKey = channel.interpolation == KeyInterpolation::CubicSpline ? 3 : 1;
    return channel.values.size() == channel.times.size() * width * perKey;
}

bool getClips(Reader& in, ModelSkin& skin) {
    std::uint32_t count = 0;
    if (!in.get(count) || !in.canHold(count, smallestClip)) return false;
    skin.clips.resize(count);
    for (AnimationClip& clip : skin.clips) {
        std::uint32_t channels = 0;
        if (!in.getText(clip.name) || !in.get(clip.duration) || !in.get(channels) ||
            !in.canHold(channels, smallestChannel))
            return false;
        clip.channels.resize(channels);
        for (ClipChannel& channel : clip.channels)
            if (!getChannel(in, skin, channel)) return false;
    }
    return true;
}

// The skin, when one was packed; its weights must cover every vertex.
bool getSkin(Reader& in, ObjModel* model) {
    std::uint8_t present = 0;
    if (!in.get(present) || present > 1) return false;
    if (!present) return true;
    model->skin = new ModelSkin;
    ModelSkin& skin = *model->skin;
    std::size_t entries = 4 * (std::size_t{model->vertexCount} + 1);
    return getNodes(in, skin) && getJoints(in, skin) && in.getVector(skin.vertexJoints) &&
           in.getVector(skin.vertexWeights) && skin.vertexJoints.size() == entries &&
           skin.vertexWeights.size() == entries && getClips(in, skin) && in.get(skin.placement);
}

struct ModelDeleter {
    void operator()(ObjModel* model) const { glmDeleteModel(model); }
};

}  // namespace

void packModel(const ObjModel& model, std::string& bytes) {
    putString(bytes, model.pathName);
    putString(bytes, model.materialLibraryName);
    putEntries(bytes, model.vertexCount, model.vertices, 3);
    putEntries(bytes, model.normalCount, model.normals, 3);
    putEntries(bytes, model.texCoordCount, model.texCoords, 2);
    putEntries(bytes, model.facetNormalCount, model.facetNormals, 3);
    put(bytes, model.triangleCount);
    putBytes(bytes, model.triangles, std::size_t{model.triangleCount} * sizeof(ObjTriangle));
    put(bytes, static_cast<std::uint8_t>(model.materials != nullptr));
    put(bytes, model.materials ? model.materialCount : 0);
    for (std::uint32_t i = 0; model.materials && i < model.materialCount; ++i) putMaterial(bytes, model.materials[i]);
    std::uint32_t groups = 0;
    for (const ObjGroup* group = model.groups; group; group = group->next) ++groups;
    put(bytes, groups);
    for (const ObjGroup* group = model.groups; group; group = group->next) {
        putString(bytes, group->name);
        put(bytes, group->triangleCount);
        put(bytes, group->material);
        putBytes(bytes, group->triangleIndices, std::size_t{group->triangleCount} * sizeof(std::uint32_t));
    }
    put(bytes, model.position);
    put(bytes, model.fileUpAxis);
    put(bytes, model.upAxis);
    putSkin(bytes, model.skin);
}

ObjModel* unpackModel(const void* bytes, std::size_t length) {
    std::unique_ptr<ObjModel, ModelDeleter> model(new ObjModel{});
    ObjModel* m = model.get();
    Reader in(bytes, length);
    bool read = in.getString(m->pathName) && in.getString(m->materialLibraryName) &&
                in.getEntries(m->vertexCount, m->vertices, 3) && m->vertices &&
                in.getEntries(m->normalCount, m->normals, 3) && in.getEntries(m->texCoordCount, m->texCoords, 2) &&
                in.getEntries(m->facetNormalCount, m->facetNormals, 3) && in.get(m->triangleCount) &&
                in.getArray(m->triangles, m->triangleCount) && getMaterials(in, m) && getGroups(in, m) &&
                in.get(m->position) && in.get(m->fileUpAxis) && in.get(m->upAxis) && getSkin(in, m) && in.finished();
    return read ? model.release() : nullptr;
}
