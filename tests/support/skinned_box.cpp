// The skinned box as glTF text. See skinned_box.h.
#include "tests/support/skinned_box.h"

#include <algorithm>
#include <cmath>

namespace {

std::string base64(const std::string& bytes) {
    static const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 2]);
        std::size_t present = std::min<std::size_t>(3, bytes.size() - i);
        for (std::size_t k = 0; k < 4; ++k) out += k <= present ? digits[(v >> (18 - 6 * k)) & 63] : '=';
    }
    return out;
}

// A glTF file put together accessor by accessor, all in one data-URI buffer.
struct GltfWriter {
    std::string buffer, views, accessors;
    int count = 0;
    template <typename T>
    int add(const std::vector<T>& values, const char* type, int componentType, bool normalized = false) {
        while (buffer.size() % 4) buffer += '\0';
        int components = std::string(type) == "SCALAR" ? 1 : std::string(type) == "MAT4" ? 16 : type[3] - '0';
        std::string comma = count ? "," : "";
        views += comma + "{\"buffer\":0,\"byteOffset\":" + std::to_string(buffer.size()) +
                 ",\"byteLength\":" + std::to_string(values.size() * sizeof(T)) + "}";
        accessors += comma + "{\"bufferView\":" + std::to_string(count) + ",\"componentType\":" +
                     std::to_string(componentType) + ",\"count\":" + std::to_string(values.size() / components) +
                     ",\"type\":\"" + type + "\"" + (normalized ? ",\"normalized\":true" : "") + "}";
        buffer.append(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(T));
        return count++;
    }
    std::string file(const std::string& rest) const {
        return "{\"asset\":{\"version\":\"2.0\"},\"buffers\":[{\"byteLength\":" + std::to_string(buffer.size()) +
               ",\"uri\":\"data:application/octet-stream;base64," + base64(buffer) + "\"}],\"bufferViews\":[" + views +
               "],\"accessors\":[" + accessors + "]," + rest + "}";
    }
};

constexpr int kFloat = 5126, kUByte = 5121, kUShort = 5123;

}  // namespace

std::string skinnedBoxGltf(std::vector<std::uint8_t> firstWeights, const std::string& extraChannel, float lastStepKey) {
    GltfWriter w;
    std::vector<float> positions;
    std::vector<std::uint8_t> joints, weights;
    for (int x = 0; x <= 2; ++x)
        for (int y = 0; y <= 1; ++y)
            for (int z = 0; z <= 1; ++z) {
                positions.insert(positions.end(), {float(x), float(y), float(z)});
                joints.insert(joints.end(), {std::uint8_t(x >= 1), 0, 0, 0});
                weights.insert(weights.end(), {255, 0, 0, 0});
            }
    std::copy(firstWeights.begin(), firstWeights.end(), weights.begin());
    std::vector<std::uint16_t> indices;
    for (int x = 0; x < 2; ++x) {  // the sides of each cube, enough to make triangles
        int a = 4 * x, b = 4 * (x + 1);
        for (int f : {0, 1, 3, 2}) {
            int g = f == 0 ? 1 : f == 1 ? 3 : f == 3 ? 2 : 0;
            indices.insert(indices.end(), {std::uint16_t(a + f), std::uint16_t(b + f), std::uint16_t(b + g),
                                           std::uint16_t(a + f), std::uint16_t(b + g), std::uint16_t(a + g)});
        }
    }
    int position = w.add(positions, "VEC3", kFloat), joint = w.add(joints, "VEC4", kUByte),
        weight = w.add(weights, "VEC4", kUByte, true), index = w.add(indices, "SCALAR", kUShort);
    std::vector<float> binds = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1,
                                1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -1, 0, 0, 1};
    int bind = w.add(binds, "MAT4", kFloat);
    float s = std::sqrt(0.5f);
    int times = w.add(std::vector<float>{0, 1}, "SCALAR", kFloat);
    int turn = w.add(std::vector<float>{0, 0, 0, 1, 0, 0, 1, 0}, "VEC4", kFloat);  // a half turn about z at t = 1
    int quarter = w.add(std::vector<float>{0, 0, 0, 1, 0, 0, s, s}, "VEC4", kFloat);
    int step = w.add(std::vector<float>{0, 0, 0, 0, 2, lastStepKey}, "VEC3", kFloat);
    // In-tangent, value, out-tangent per key: from 0 to 1 along y with
    // tangents 3: y(s) = 3 (s^3 - 2 s^2 + s) + (3 s^2 - 2 s^3) + 3 (s^3 - s^2).
    int spline = w.add(std::vector<float>{0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 3, 0, 0, 1, 0, 0, 0, 0}, "VEC3", kFloat);
    auto sampler = [](int input, int output, const char* how) {
        return "{\"input\":" + std::to_string(input) + ",\"output\":" + std::to_string(output) +
               ",\"interpolation\":\"" + how + "\"}";
    };
    auto channel = [](int sampler, int node, const char* path) {
        return "{\"sampler\":" + std::to_string(sampler) + ",\"target\":{\"node\":" + std::to_string(node) +
               ",\"path\":\"" + path + "\"}}";
    };
    return w.file(
        "\"scene\":0,\"scenes\":[{\"nodes\":[0,1]}],"
        "\"nodes\":[{\"name\":\"box\",\"mesh\":0,\"skin\":0,\"translation\":[5,5,5]},{\"name\":\"root\",\"children\":[2]},"
        "{\"name\":\"tip\",\"translation\":[1,0,0]}],"
        "\"meshes\":[{\"primitives\":[{\"attributes\":{\"POSITION\":" + std::to_string(position) +
        ",\"JOINTS_0\":" + std::to_string(joint) + ",\"WEIGHTS_0\":" + std::to_string(weight) +
        "},\"indices\":" + std::to_string(index) + "}]}],"
        "\"skins\":[{\"joints\":[1,2],\"inverseBindMatrices\":" + std::to_string(bind) + "}],"
        "\"animations\":[{\"name\":\"Bend\",\"samplers\":[" + sampler(times, turn, "LINEAR") + "],\"channels\":[" +
        channel(0, 2, "rotation") + "]},"
        "{\"name\":\"Quarter\",\"samplers\":[" + sampler(times, quarter, "LINEAR") + "],\"channels\":[" +
        channel(0, 2, "rotation") + "]},"
        "{\"name\":\"Step\",\"samplers\":[" + sampler(times, step, "STEP") + "],\"channels\":[" +
        channel(0, 1, "translation") + extraChannel + "]},"
        "{\"name\":\"Spline\",\"samplers\":[" + sampler(times, spline, "CUBICSPLINE") + "],\"channels\":[" +
        channel(0, 1, "translation") + "]}]");
}


std::string skinnedBoxCollada(float weight) {
    std::string positions, joints;
    for (int x = 0; x <= 2; ++x)
        for (int y = 0; y <= 1; ++y)
            for (int z = 0; z <= 1; ++z) {
                positions += std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(z) + " ";
                joints += std::string(x >= 1 ? "1" : "0") + " 0 ";
            }
    std::string indices;
    for (int x = 0; x < 2; ++x) {  // the same triangles as the glTF box's
        int a = 4 * x, b = 4 * (x + 1);
        for (int f : {0, 1, 3, 2}) {
            int g = f == 0 ? 1 : f == 1 ? 3 : f == 3 ? 2 : 0;
            for (int i : {a + f, b + f, b + g, a + f, b + g, a + g}) indices += std::to_string(i) + " ";
        }
    }
    auto source = [](const std::string& id, const std::string& values, int count, int stride, const std::string& params,
                     const char* array = "float_array") {
        return "<source id=\"" + id + "\"><" + array + " id=\"" + id + "-array\" count=\"" + std::to_string(count) +
               "\">" + values + "</" + array + "><technique_common><accessor source=\"#" + id + "-array\" count=\"" +
               std::to_string(count / stride) + "\" stride=\"" + std::to_string(stride) + "\">" + params +
               "</accessor></technique_common></source>";
    };
    // The tip's turn about z in degrees, 0 at t = 0 to `degrees` at t = 1.
    auto turn = [&](const std::string& id, int degrees) {
        return "<animation id=\"" + id + "\">" +
               source(id + "-in", "0 1", 2, 1, "<param name=\"TIME\" type=\"float\"/>") +
               source(id + "-out", "0 " + std::to_string(degrees), 2, 1, "<param name=\"ANGLE\" type=\"float\"/>") +
               "<sampler id=\"" + id + "-sampler\"><input semantic=\"INPUT\" source=\"#" + id +
               "-in\"/><input semantic=\"OUTPUT\" source=\"#" + id + "-out\"/></sampler><channel source=\"#" + id +
               "-sampler\" target=\"tip/rotateZ.ANGLE\"/></animation>";
    };
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<COLLADA xmlns=\"http://www.collada.org/2005/11/COLLADASchema\" version=\"1.4.1\">"
           "<asset><unit meter=\"1\"/><up_axis>Y_UP</up_axis></asset>"
           "<library_geometries><geometry id=\"box-mesh\" name=\"box\"><mesh>" +
           source("box-positions", positions, 36, 3,
                  "<param name=\"X\" type=\"float\"/><param name=\"Y\" type=\"float\"/><param name=\"Z\" type=\"float\"/>") +
           "<vertices id=\"box-vertices\"><input semantic=\"POSITION\" source=\"#box-positions\"/></vertices>"
           "<triangles count=\"16\"><input semantic=\"VERTEX\" source=\"#box-vertices\" offset=\"0\"/><p>" + indices +
           "</p></triangles></mesh></geometry></library_geometries>"
           "<library_controllers><controller id=\"box-skin\"><skin source=\"#box-mesh\">"
           "<bind_shape_matrix>1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1</bind_shape_matrix>" +
           source("joints", "root tip", 2, 1, "<param name=\"JOINT\" type=\"name\"/>", "Name_array") +
           source("binds", "1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 1 0 0 -1 0 1 0 0 0 0 1 0 0 0 0 1", 32, 16,
                  "<param name=\"TRANSFORM\" type=\"float4x4\"/>") +
           source("weights", std::to_string(weight), 1, 1, "<param name=\"WEIGHT\" type=\"float\"/>") +
           "<joints><input semantic=\"JOINT\" source=\"#joints\"/><input semantic=\"INV_BIND_MATRIX\" "
           "source=\"#binds\"/></joints><vertex_weights count=\"12\"><input semantic=\"JOINT\" source=\"#joints\" "
           "offset=\"0\"/><input semantic=\"WEIGHT\" source=\"#weights\" offset=\"1\"/><vcount>1 1 1 1 1 1 1 1 1 1 1 "
           "1</vcount><v>" + joints + "</v></vertex_weights></skin></controller></library_controllers>"
           "<library_animations>" + turn("bend", 180) + turn("quarter", 90) + "</library_animations>"
           "<library_visual_scenes><visual_scene id=\"scene\"><node id=\"root\" name=\"root\" sid=\"root\" "
           "type=\"JOINT\"><node id=\"tip\" name=\"tip\" sid=\"tip\" type=\"JOINT\"><translate>1 0 0</translate>"
           "<rotate sid=\"rotateZ\">0 0 1 0</rotate></node></node><node id=\"box\" name=\"box\"><instance_controller "
           "url=\"#box-skin\"><skeleton>#root</skeleton></instance_controller></node></visual_scene>"
           "</library_visual_scenes><scene><instance_visual_scene url=\"#scene\"/></scene></COLLADA>\n";
}
