// Shader programs: compile the stage files, link, report, and set uniforms by name.
#include "core/shader.h"

#include "core/fatal.h"
#include "core/gl.h"

#include <glm/gtc/type_ptr.hpp>

#include <fstream>
#include <iostream>
#include <sstream>
#include <vector>

namespace {

// Defines go right after the #version line, which must stay first.
std::string withDefines(const std::string& source, const std::string& defines) {
    if (defines.empty()) return source;
    const std::size_t version = source.find("#version");
    const std::size_t lineEnd = version == std::string::npos ? std::string::npos : source.find('\n', version);
    if (lineEnd == std::string::npos) return defines + "\n" + source;
    return source.substr(0, lineEnd + 1) + defines + "\n" + source.substr(lineEnd + 1);
}

int linkedPrograms = 0;

// The whole file, or the fatal ending when it does not open.
std::string readShaderFile(const std::string& path) {
    std::ifstream file(path);
    if (!file.is_open()) {
        std::cout << "Failed to open shader file: " << path << std::endl;
        fatalExit();
    }
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

unsigned int compileShaderSource(const std::string& text, unsigned int type, const std::string& defines) {
    const std::string source = withDefines(text, defines);
    unsigned int stage = glCreateShader(type);
    if (stage == 0) {
        std::cout << "Failed to create shader" << std::endl;
        fatalExit();
    }
    const char* src = source.c_str();
    glShaderSource(stage, 1, &src, nullptr);
    glCompileShader(stage);

    int compiled = 0;
    glGetShaderiv(stage, GL_COMPILE_STATUS, &compiled);
    if (compiled && glIsShader(stage)) return stage;

    int length = 0;
    glGetShaderiv(stage, GL_INFO_LOG_LENGTH, &length);
    std::vector<char> log(static_cast<size_t>(length > 0 ? length : 1), '\0');
    if (length > 0) glGetShaderInfoLog(stage, length, nullptr, log.data());
    std::cout << "Failed to compile shader" << std::endl << log.data() << std::endl;
    fatalExit();
}

// Links the stages (geometry 0 for none) into a new program and deletes them.
unsigned int linkProgram(unsigned int vertex, unsigned int fragment, unsigned int geometry) {
    const unsigned int program = glCreateProgram();
    if (program == 0) {
        std::cout << "Failed to create shader program" << std::endl;
        fatalExit();
    }
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    if (geometry != 0) glAttachShader(program, geometry);
    glBindFragDataLocation(program, 0, "fragColor");
    glLinkProgram(program);
    checkCompileErrors(program, "PROGRAM");
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    if (geometry != 0) glDeleteShader(geometry);
    ++linkedPrograms;
    return program;
}

}  // namespace

int programsBuilt() { return linkedPrograms; }

void checkCompileErrors(unsigned int program, const std::string& type) {
    int linked = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (linked) return;
    char log[1024] = {};
    glGetProgramInfoLog(program, sizeof log, nullptr, log);
    std::cout << "ERROR::PROGRAM_LINKING_ERROR of type: " << type << "\n"
              << log << "\n -- --------------------------------------------------- -- " << std::endl;
}

Shader::Shader(const std::string& vertexPath, const std::string& fragmentPath, const std::string& geometryPath)
    : Shader(vertexPath, fragmentPath, geometryPath, "") {}

Shader::Shader(const std::string& vertexPath, const std::string& fragmentPath, const std::string& geometryPath,
               const std::string& defines) {
    cache = std::make_shared<ProgramCache>();
    ProgramCache& files = *cache;
    files.defines = defines;
    files.vertexSource = readShaderFile(vertexPath);
    const unsigned int vertex = compileShaderSource(files.vertexSource, GL_VERTEX_SHADER, defines);
    files.fragmentSource = readShaderFile(fragmentPath);
    const unsigned int fragment = compileShaderSource(files.fragmentSource, GL_FRAGMENT_SHADER, defines);
    unsigned int geometry = 0;
    if (geometryPath != NO_GEOMETRY) {
        files.geometrySource = readShaderFile(geometryPath);
        geometry = compileShaderSource(files.geometrySource, GL_GEOMETRY_SHADER, defines);
    }
    ID = linkProgram(vertex, fragment, geometry);
}

int Shader::location(const std::string& name) const {
    if (!cache) return glGetUniformLocation(ID, name.c_str());
    auto found = cache->locations.find(name);
    if (found != cache->locations.end()) return found->second;
    const int location = glGetUniformLocation(ID, name.c_str());
    cache->locations.emplace(name, location);
    return location;
}

const std::vector<int>& Shader::locations(const UniformNames& names) const {
    static std::vector<int> uncached;
    std::vector<int>* found = &uncached;
    if (cache) {
        auto known = cache->families.find(&names);
        if (known != cache->families.end()) return known->second;
        found = &cache->families[&names];
    }
    found->clear();
    for (const std::string& name : names.build()) found->push_back(glGetUniformLocation(ID, name.c_str()));
    return *found;
}

Shader shaderVariant(const Shader& base, const std::string& defines, bool geometryStage) {
    if (!base.cache) return base;
    const ProgramCache& files = *base.cache;
    const bool hasGeometry = !files.geometrySource.empty();
    const bool geometry = geometryStage && hasGeometry;
    // A line no define can be, so the two kinds of variant never share a key.
    const std::string key = geometry || !hasGeometry ? defines : defines + "\n#no geometry";
    auto found = files.variants.find(key);
    if (found != files.variants.end()) return found->second;
    const std::string all = files.defines.empty() ? defines : files.defines + "\n" + defines;
    const unsigned int vertex = compileShaderSource(files.vertexSource, GL_VERTEX_SHADER, all);
    const unsigned int fragment = compileShaderSource(files.fragmentSource, GL_FRAGMENT_SHADER, all);
    const unsigned int geometryStageName =
        geometry ? compileShaderSource(files.geometrySource, GL_GEOMETRY_SHADER, all) : 0;
    Shader variant;
    variant.ID = linkProgram(vertex, fragment, geometryStageName);
    variant.cache = std::make_shared<ProgramCache>();
    *variant.cache =
        ProgramCache{files.vertexSource, files.fragmentSource, geometry ? files.geometrySource : "", all, {}, {}, {}};
    return base.cache->variants.emplace(key, variant).first->second;
}

void Shader::use() const { glUseProgram(ID); }

void Shader::setBool(const std::string& name, bool value) const {
    glUniform1i(location(name), value ? 1 : 0);
}

void Shader::setInt(const std::string& name, int value) const {
    glUniform1i(location(name), value);
}

void Shader::setFloat(const std::string& name, float value) const {
    glUniform1f(location(name), value);
}

void Shader::setVec2(const std::string& name, const glm::vec2& value) const {
    glUniform2fv(location(name), 1, glm::value_ptr(value));
}

void Shader::setVec3(const std::string& name, const glm::vec3& value) const {
    glUniform3fv(location(name), 1, glm::value_ptr(value));
}

void Shader::setVec3(const std::string& name, float x, float y, float z) const {
    glUniform3f(location(name), x, y, z);
}

void Shader::setVec4(const std::string& name, const glm::vec4& value) const {
    glUniform4fv(location(name), 1, glm::value_ptr(value));
}

void Shader::setMat4(const std::string& name, const glm::mat4& value) const {
    glUniformMatrix4fv(location(name), 1, GL_FALSE, glm::value_ptr(value));
}
