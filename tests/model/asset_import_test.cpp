// Models in other formats than OBJ, and what every model gets after reading:
// the bundled bunny in each format against the OBJ reader's, the up axis,
// outward winding, material colours and textures, and files that fail.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/fur_settings.h"
#include "groom/groom.h"
#include "model/asset_import.h"
#include "model/model_file.h"
#include "tests/model/model_test_support.h"

namespace {

struct Bounds {
    float min[3] = {1e30f, 1e30f, 1e30f}, max[3] = {-1e30f, -1e30f, -1e30f};
};

// The bounds of the vertices the triangles use.
Bounds boundsOf(const ObjModel* model) {
    Bounds bounds;
    for (std::uint32_t t = 0; t < model->triangleCount; ++t)
        for (std::int32_t v : model->triangles[t].vertexIndices)
            for (int k = 0; k < 3; ++k) {
                float c = model->vertices[3 * static_cast<std::size_t>(v) + k];
                bounds.min[k] = std::min(bounds.min[k], c);
                bounds.max[k] = std::max(bounds.max[k], c);
            }
    return bounds;
}

Outcome readModel(const std::string& path) {
    return capture([&] { return glmReadModel(path.c_str()); });
}

const std::string bunnyObj = PELAGE_SOURCE_DIR "/OBJ/bunny-1500-cleaned.obj";

TEST(ImportedFormats, EachLoadsTheBunnyWithItsTrianglesBoundsAndUpAxis) {
    ModelPtr reference = readModel(bunnyObj).model;
    ASSERT_TRUE(reference);
    Bounds expected = boundsOf(reference.get());
    struct Case {
        const char* file;
        int upAxis;
    } cases[] = {{"bunny.glb", UP_AXIS_Y}, {"bunny.gltf", UP_AXIS_Y}, {"bunny.fbx", UP_AXIS_Y},
                 {"bunny.3ds", UP_AXIS_Z}, {"bunny.ply", UP_AXIS_Y},  {"bunny.stl", UP_AXIS_Y},
                 {"bunny.dae", UP_AXIS_Y}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Outcome outcome = readModel(std::string(FORMAT_FIXTURE_DIR "/") + c.file);
        ASSERT_FALSE(outcome.fatal) << outcome.err;
        ObjModel* model = outcome.model.get();
        EXPECT_EQ(model->triangleCount, reference->triangleCount);
        // The writer turned the bunny's y to the up axis of a format that has
        // one; turned up, it stands as it does in OBJ.
        glmTurnUpAxis(model, UP_AXIS_FILE);
        Bounds bounds = boundsOf(model);
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(bounds.min[k], expected.min[k], 1e-4) << "axis " << k;
            EXPECT_NEAR(bounds.max[k], expected.max[k], 1e-4) << "axis " << k;
        }
        EXPECT_EQ(model->fileUpAxis, c.upAxis);
        EXPECT_TRUE(glmIsClosed(model)) << "the seams of split vertices join by position";
        EXPECT_GT(glmSignedVolume(model), 0);
    }
}

// A box of 1 x 2 x 3 in x, y, z, corner at the origin, wound outward or not.
std::string boxObj(bool inward, bool open = false) {
    std::string obj = "v 0 0 0\nv 1 0 0\nv 1 2 0\nv 0 2 0\nv 0 0 3\nv 1 0 3\nv 1 2 3\nv 0 2 3\n";
    const char* faces[] = {"1 4 3 2", "5 6 7 8", "1 2 6 5", "2 3 7 6", "3 4 8 7", "4 1 5 8"};
    for (int f = open ? 1 : 0; f < 6; ++f) {
        std::string face = faces[f];
        if (inward) std::reverse(face.begin(), face.end());
        obj += "f " + face + "\n";
    }
    return obj;
}

TEST(UpAxis, TurnsTheChosenFileAxisUpAndBackExactly) {
    ModelPtr model = loadObj(boxObj(false));
    std::vector<float> asRead(model->vertices, model->vertices + 3 * 9);
    glmTurnUpAxis(model.get(), UP_AXIS_Z);
    Bounds turned = boundsOf(model.get());
    EXPECT_EQ(turned.max[1] - turned.min[1], 3) << "the file's z points up";
    EXPECT_EQ(turned.min[2], -2) << "and the file's +y, its back, lies along -z";
    EXPECT_EQ(turned.max[0], 1) << "x stays";
    glmTurnUpAxis(model.get(), UP_AXIS_Z);
    EXPECT_EQ(boundsOf(model.get()).max[1], 3) << "turning to the axis already up does nothing";
    glmTurnUpAxis(model.get(), UP_AXIS_FILE);
    EXPECT_TRUE(std::equal(asRead.begin(), asRead.end(), model->vertices)) << "an OBJ file says nothing: y";
}

// The inside-out box as ASCII STL, each triangle's normal following its winding.
std::string inwardBoxStl() {
    ModelPtr model = loadObj(boxObj(true));
    std::string stl = "solid box\n";
    for (std::uint32_t t = 0; t < model->triangleCount; ++t) {
        stl += " facet normal 0 0 0\n  outer loop\n";
        for (std::int32_t v : model->triangles[t].vertexIndices) {
            const float* p = &model->vertices[3 * static_cast<std::size_t>(v)];
            stl += "   vertex " + std::to_string(p[0]) + " " + std::to_string(p[1]) + " " + std::to_string(p[2]) + "\n";
        }
        stl += "  endloop\n endfacet\n";
    }
    return stl + "endsolid box\n";
}

TEST(Winding, AClosedModelWoundInsideOutIsReversedAndAnOpenOneKept) {
    ScratchDirectory directory;
    struct Case {
        const char* name;
        std::string file, text;
        bool reversed;
    } cases[] = {
        {"outward", "out.obj", boxObj(false), false},
        {"inward", "in.obj", boxObj(true), true},
        {"inward STL", "in.stl", inwardBoxStl(), true},
        {"open and inward", "open.obj", boxObj(true, true), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Outcome outcome = readModel(directory.write(c.file, c.text));
        ASSERT_FALSE(outcome.fatal) << outcome.err;
        ObjModel* model = outcome.model.get();
        double before = glmSignedVolume(model);
        EXPECT_EQ(glmWindOutward(model), c.reversed);
        EXPECT_DOUBLE_EQ(glmSignedVolume(model), c.reversed ? -before : before);
        if (c.name != std::string("open and inward")) {
            EXPECT_NEAR(glmSignedVolume(model), 6 * 6.0, 1e-4);
        }
    }
}

// The 2 x 1 image, red on the left and blue on the right, as a PNG file.
const std::vector<unsigned char> twoHalvesPng = {
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44, 0x52, 0x00, 0x00,
    0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x08, 0x02, 0x00, 0x00, 0x00, 0x7b, 0x40, 0xe8, 0xdd, 0x00, 0x00, 0x00,
    0x0d, 0x49, 0x44, 0x41, 0x54, 0x78, 0xda, 0x63, 0xf8, 0xcf, 0x00, 0x04, 0xff, 0x01, 0x07, 0x00, 0x01, 0xff,
    0x3d, 0x7d, 0x8c, 0x49, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};

// A binary glTF of one triangle whose material takes its base colour from
// `image`, stored in the file, or from the colour `plain` when there is none.
std::string glbOfOneTriangle(const std::vector<unsigned char>& image, const char* plain) {
    std::string bin(68, '\0');
    const float geometry[15] = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 1};
    const std::uint16_t indices[3] = {0, 1, 2};
    std::memcpy(bin.data(), geometry, sizeof geometry);
    std::memcpy(bin.data() + 60, indices, sizeof indices);
    bin.append(image.begin(), image.end());
    bin.resize((bin.size() + 3) / 4 * 4, '\0');
    std::string material = image.empty() ? std::string("{\"pbrMetallicRoughness\":{\"baseColorFactor\":[") + plain + "]}}"
                                         : "{\"pbrMetallicRoughness\":{\"baseColorTexture\":{\"index\":0}}}";
    std::string json =
        "{\"asset\":{\"version\":\"2.0\"},\"scene\":0,\"scenes\":[{\"nodes\":[0]}],\"nodes\":[{\"mesh\":0}],"
        "\"meshes\":[{\"primitives\":[{\"attributes\":{\"POSITION\":0,\"TEXCOORD_0\":1},\"indices\":2,"
        "\"material\":0}]}],\"materials\":[" + material + "],"
        "\"textures\":[{\"source\":0}],\"images\":[{\"bufferView\":3,\"mimeType\":\"image/png\"}],"
        "\"buffers\":[{\"byteLength\":" + std::to_string(bin.size()) + "}],\"bufferViews\":["
        "{\"buffer\":0,\"byteOffset\":0,\"byteLength\":36},{\"buffer\":0,\"byteOffset\":36,\"byteLength\":24},"
        "{\"buffer\":0,\"byteOffset\":60,\"byteLength\":6},{\"buffer\":0,\"byteOffset\":68,\"byteLength\":" +
        std::to_string(image.size()) + "}],\"accessors\":["
        "{\"bufferView\":0,\"componentType\":5126,\"count\":3,\"type\":\"VEC3\",\"min\":[0,0,0],\"max\":[1,1,0]},"
        "{\"bufferView\":1,\"componentType\":5126,\"count\":3,\"type\":\"VEC2\"},"
        "{\"bufferView\":2,\"componentType\":5123,\"count\":3,\"type\":\"SCALAR\"}]}";
    if (image.empty()) json.replace(json.find(",\"textures\""), json.find(",\"buffers\"") - json.find(",\"textures\""), "");
    json.resize((json.size() + 3) / 4 * 4, ' ');
    auto word = [](std::uint32_t value) { return std::string(reinterpret_cast<const char*>(&value), 4); };
    std::string chunks = word(json.size()) + "JSON" + json + word(bin.size()) + std::string("BIN\0", 4) + bin;
    return "glTF" + word(2) + word(12 + chunks.size()) + chunks;
}

TEST(Materials, AnEmbeddedTextureReachesItsMaterialAndAPlainColourTintsTheHair) {
    std::string glb = glbOfOneTriangle(twoHalvesPng, nullptr);
    Outcome textured = capture([&] { return glmImportModelMemory(glb.data(), glb.size(), "textured.glb"); });
    ASSERT_FALSE(textured.fatal) << textured.err;
    // The group of the one triangle names the file's material.
    ASSERT_LT(textured.model->groups->material, textured.model->materialCount);
    const ObjMaterial& material = textured.model->materials[textured.model->groups->material];
    ASSERT_EQ(material.diffuseMapByteCount, twoHalvesPng.size());
    EXPECT_TRUE(std::equal(twoHalvesPng.begin(), twoHalvesPng.end(), material.diffuseMapBytes));
    EXPECT_EQ(material.diffuseMap, nullptr);
    EXPECT_EQ(textured.model->texCoordCount, 3u);
    // Imported from a file, in the child process: the texture's bytes come across whole.
    ScratchDirectory directory;
    std::string file = directory.write("textured.glb", glb);
    Outcome isolated = capture([&] { return glmImportModel(file.c_str()); });
    ASSERT_FALSE(isolated.fatal) << isolated.err;
    const ObjMaterial& across = isolated.model->materials[isolated.model->groups->material];
    EXPECT_TRUE(std::equal(twoHalvesPng.begin(), twoHalvesPng.end(), across.diffuseMapBytes, across.diffuseMapBytes + across.diffuseMapByteCount));
    float rgb[3];
    EXPECT_FALSE(glmPlainColour(textured.model.get(), rgb)) << "a textured material gives no plain colour";
    // The groom takes it as the model's colour: both halves, as they differ.
    ASSERT_TRUE(attachModelGroom(*textured.model));
    const MapImage& colour = groom.modelColor.image;
    ASSERT_EQ(colour.width, 2);
    EXPECT_NE(colour.at(0, 0, 0) + 2 * colour.at(0, 0, 1), colour.at(1, 0, 0) + 2 * colour.at(1, 0, 1));
    groom = Groom{};

    std::string plain = glbOfOneTriangle({}, "0.25,0.5,0.75,1");
    Outcome coloured = capture([&] { return glmImportModelMemory(plain.data(), plain.size(), "plain.glb"); });
    ASSERT_FALSE(coloured.fatal) << coloured.err;
    ASSERT_TRUE(glmPlainColour(coloured.model.get(), rgb));
    EXPECT_EQ(rgb[0], 0.25f);
    EXPECT_EQ(rgb[2], 0.75f);
}

TEST(ModelFiles, TheReaderIsChosenByContentAndFailuresEndInOneMessage) {
    ScratchDirectory directory;
    std::string binary("MM\x01\x00\x00\x00\x07\x00", 8);
    struct Case {
        const char* file;
        std::string content;
        const char* message;  // null: it loads
        std::uint32_t triangles;
    } cases[] = {
        {"text.model", "# OBJ by another name\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", nullptr, 1},
        {"cube.OBJ", boxObj(false), nullptr, 12},
        {"line.ply", "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
                     "property float z\nelement face 1\nproperty list uchar int vertex_indices\nend_header\n"
                     "0 0 0\n1 0 0\n0 1 0\n2 0 1\n", nullptr, 0},
        {"binary.obj", binary, "glmReadOBJ() failed: \"%s\" holds binary data, not OBJ text.\n", 0},
        {"garbage.glb", "glTF then nothing a glTF file needs", "glmReadGLTF() failed: can't read \"%s\": ", 0},
        // The library would search for the end of this header for ever.
        {"endless.ply", "ply\nformat ascii 1.0\nelement vertex 1\n",
         "glmImportModel() failed: can't import \"%s\": a PLY header without end_header.\n", 0},
        {"nowhere.fbx", "", "glmReadModel() failed: can't open data file \"%s\".\n", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::string path = c.content.empty() ? directory.path(c.file) : directory.write(c.file, c.content);
        Outcome outcome = readModel(path);
        if (!c.message) {
            ASSERT_FALSE(outcome.fatal) << outcome.err;
            EXPECT_EQ(outcome.model->triangleCount, c.triangles);
            continue;
        }
        EXPECT_TRUE(outcome.fatal);
        EXPECT_EQ(outcome.status, 1);
        char expected[512];
        std::snprintf(expected, sizeof expected, c.message, path.c_str());
        EXPECT_EQ(outcome.err.rfind(expected, 0), 0u) << outcome.err;
        EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
    }
}

// Every file that once made the library crash, hang or leak, each imported
// in a child process under limits that end it within a bound.
TEST(ImportFindings, EachEndsInOneMessageAndStatusOneWithinItsLimits) {
    struct Case {
        const char* file;
        ImportLimits limits;
        const char* what;
    } cases[] = {
        {"collada-endless.dae", {0.5, std::uint64_t{4} << 30}, "the importer took longer than 0.5 s"},
        {"ply-post-processing-crash.ply", importLimitsFor(0), "the importer crashed (signal 6)"},
        {"ply-without-end-header.ply", importLimitsFor(0), "a PLY header without end_header"},
        {"stl-leak.stl", importLimitsFor(0), "STL: Invalid number of vertices"},
#if !defined(__SANITIZE_ADDRESS__)  // whose heap is mapped before the limit is set
        {"collada-endless.dae", {30, std::uint64_t{64} << 20}, "the importer ran out of memory (64 MiB)"},
#endif
    };
    // Forked by the program itself, then by the import server.
    for (int served = 0; served < 2; ++served) {
        if (served) glmStartImportServer();
        for (const Case& c : cases) {
            std::string path = PELAGE_SOURCE_DIR "/fuzz/import_findings/" + std::string(c.file);
            SCOPED_TRACE(std::string(c.what) + (served ? ", served" : ""));
            Outcome outcome = capture([&] { return glmImportModel(path.c_str(), c.limits); });
            EXPECT_TRUE(outcome.fatal);
            EXPECT_EQ(outcome.status, 1);
            EXPECT_EQ(outcome.err, "glmImportModel() failed: can't import \"" + path + "\": " + c.what + ".\n");
        }
    }
    // A model comes across whole either way.
    ModelPtr served(glmImportModel(FORMAT_FIXTURE_DIR "/bunny.ply"));
    EXPECT_EQ(served->triangleCount, 1500u);
}

}  // namespace
