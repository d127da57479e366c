// The MTL reader: a counting pass over the material names, then a pass that
// fills names, the three colours and the shininess; and the lookup by name.
//
// Every line is consumed whole by both passes (a colour or shininess line reads
// its numbers from that line only), so the two passes meet the same names.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/fatal_error.h"
#include "model/obj_model.h"
#include "model/obj_source.h"

namespace {

std::uint32_t countMaterials(TextScanner& scanner, const std::string& path) {
    std::uint64_t count = 1;  // "default"
    for (std::string_view token = scanner.token(); !token.empty(); token = scanner.token()) {
        if (token[0] == 'n' && ++count > INT32_MAX)
            fatalError(stderr, 1, "glmReadMTL() failed: \"%s\" has more than %d materials.\n", path.c_str(),
                       INT32_MAX);
        scanner.skipLine();
    }
    return static_cast<std::uint32_t>(count);
}

// The file a map line names, after its options ("-s 1 1 1", "-clamp on"):
// every token that starts with '-' and the numbers and switches that follow it.
std::string mapFileName(std::string_view line) {
    std::size_t at = 0;
    auto skipBlanks = [&] {
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    };
    auto tokenEnd = [&] {
        std::size_t end = at;
        while (end < line.size() && line[end] != ' ' && line[end] != '\t') ++end;
        return end;
    };
    skipBlanks();
    while (at < line.size() && line[at] == '-') {
        at = tokenEnd();
        skipBlanks();
        for (;;) {
            std::string_view argument = line.substr(at, tokenEnd() - at);
            bool number = !argument.empty() && std::strchr("0123456789.+-", argument[0]) && argument.size() < 32 &&
                          (argument[0] != '-' || (argument.size() > 1 && std::isdigit(static_cast<unsigned char>(argument[1]))));
            if (!number && argument != "on" && argument != "off") break;
            at = tokenEnd();
            skipBlanks();
        }
    }
    std::string_view file = line.substr(at);
    file = file.substr(0, file.find('\0'));
    while (!file.empty() && std::isspace(static_cast<unsigned char>(file.back()))) file.remove_suffix(1);
    return std::string(file);
}

void readMaterials(ObjModel* model, TextScanner& scanner, const std::string& directory) {
    std::uint32_t current = 0;  // lines before the first name set "default"
    for (std::string_view token = scanner.token(); !token.empty(); token = scanner.token()) {
        ObjMaterial& material = model->materials[current];
        switch (token[0]) {
            case 'n': {
                std::string name = nameFromLine(scanner.restOfLine());
                if (++current >= model->materialCount) {
                    std::fprintf(stderr, "glmReadMTL(): internal error: more materials than counted.\n");
                    std::abort();
                }
                model->materials[current].name = copyString(name, "glmReadMTL");
                break;
            }
            case 'N': {
                // Ns (and Ni alike, since only the first character counts).
                float value = 0.0f;
                if (scanner.readLineFloats(&value, 1) == 1) {
                    // Two float roundings, as the 0..1000 to 0..128 conversion is defined.
                    float fraction = static_cast<float>(value * 0.001);
                    material.shininess = static_cast<float>(fraction * 128.0);
                }
                break;
            }
            case 'K': {
                char kind = token.size() > 1 ? token[1] : '\0';
                float* colour = kind == 'a'   ? material.ambient
                                : kind == 'd' ? material.diffuse
                                : kind == 's' ? material.specular
                                              : nullptr;
                if (colour)
                    scanner.readLineFloats(colour, 3);  // alpha stays 1
                else
                    scanner.skipLine();
                break;
            }
            case 'm': {
                std::string_view rest = scanner.restOfLine();
                if (token != "map_Kd") break;
                std::string file = mapFileName(rest);
                if (file.empty()) break;
                std::free(material.diffuseMap);
                material.diffuseMap = copyString(file[0] == '/' ? file : directory + file, "glmReadMTL");
                break;
            }
            default:  // comments, illum, d, Tr, other maps, Ke, ...
                scanner.skipLine();
                break;
        }
    }
}

}  // namespace

void glmReadMTL(ObjModel* model, const char* name) {
    std::string directory = directoryOf(model->pathName);
    std::string path = directory + name;

    std::string text;
    if (!readWholeFile(path.c_str(), text, "glmReadMTL"))
        fatalError(stderr, 1, "glmReadMTL() failed: can't open material file \"%s\".\n", path.c_str());

    TextScanner scanner(text);
    std::uint32_t count = countMaterials(scanner, path);
    scanner.rewind();

    auto* materials = static_cast<ObjMaterial*>(allocateEntries(count, sizeof(ObjMaterial), "glmReadMTL", "materials"));
    freeMaterials(model);
    model->materials = materials;
    model->materialCount = count;
    for (std::uint32_t i = 0; i < count; ++i) setDefaultMaterial(materials[i]);
    materials[0].name = copyString("default", "glmReadMTL");
    readMaterials(model, scanner, directory);
}

std::uint32_t glmFindMaterial(ObjModel* model, const char* name) {
    for (std::uint32_t i = 0; model->materials && i < model->materialCount; ++i)
        if (std::strcmp(model->materials[i].name, name) == 0) return i;
    reportMissingMaterial(name);
    return 0;
}
