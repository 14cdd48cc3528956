// Shader: one linked GL program built from GLSL files, with by-name uniform setters.
#pragma once

#include <glm/glm.hpp>

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

struct ProgramCache;

// A family of uniforms (an array's elements and fields) whose names are built once per program, the first
// time the family is set on it, instead of at every call.
struct UniformNames {
    std::vector<std::string> (*build)();
};

// Holds the program name and its shared cache, so it is copied freely; programs live until the context ends.
struct Shader {
    unsigned int ID = 0;
    std::shared_ptr<ProgramCache> cache;  // null for a program made elsewhere: then names go to GL each time

    Shader() = default;
    // Builds vertex + fragment (+ geometry unless the path is " "); ends the process on a file or compile failure.
    Shader(const std::string& vertexPath, const std::string& fragmentPath, const std::string& geometryPath);
    // The same, with defines (lines of "#define ...") placed after each stage's #version line.
    Shader(const std::string& vertexPath, const std::string& fragmentPath, const std::string& geometryPath,
           const std::string& defines);

    // Location of a uniform, -1 when the program does not use it; remembered per program and name.
    int location(const std::string& name) const;
    // Locations of the family's uniforms in the order its names come, -1 for those the program lacks.
    const std::vector<int>& locations(const UniformNames& names) const;

    void use() const;
    void setBool(const std::string& name, bool value) const;
    void setInt(const std::string& name, int value) const;
    void setFloat(const std::string& name, float value) const;
    void setVec2(const std::string& name, const glm::vec2& value) const;
    void setVec3(const std::string& name, const glm::vec3& value) const;
    void setVec3(const std::string& name, float x, float y, float z) const;
    void setVec4(const std::string& name, const glm::vec4& value) const;
    void setMat4(const std::string& name, const glm::mat4& value) const;
};

// What every copy of one program shares: its files' text, its uniform locations by name, the variants built
// from the same text. Looking a name up in GL on every call cost more than some draws, and a variant built
// from the text read at start-up reads no file during the flight.
struct ProgramCache {
    std::string vertexSource, fragmentSource, geometrySource;  // as read, before the defines
    std::string defines;
    std::unordered_map<std::string, int> locations;
    std::unordered_map<const UniformNames*, std::vector<int>> families;
    std::map<std::string, Shader> variants;
};

// The geometry path that means "no geometry stage".
inline const std::string NO_GEOMETRY = " ";

// The program built again from the base's text with defines added, once per base and defines, and without
// the base's geometry stage unless geometryStage; the base itself when it was not built from files.
Shader shaderVariant(const Shader& base, const std::string& defines, bool geometryStage = true);

// How many programs this process has linked: after start-up the flight builds none.
int programsBuilt();

// Reports a failed link of program (type word "PROGRAM"); the program is kept.
void checkCompileErrors(unsigned int program, const std::string& type);
