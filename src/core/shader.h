// Shader: one linked GL program built from GLSL files, with by-name uniform setters.
#pragma once

#include <glm/glm.hpp>

#include <map>
#include <memory>
#include <string>
#include <unordered_map>

struct ProgramCache;

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

// What every copy of one program shares: its files, its uniform locations by name, the variants built from
// the same files. Looking a name up in GL on every call cost more than some draws.
struct ProgramCache {
    std::string vertexPath, fragmentPath, geometryPath;
    std::string defines;
    std::unordered_map<std::string, int> locations;
    std::map<std::string, Shader> variants;
};

// The geometry path that means "no geometry stage".
inline const std::string NO_GEOMETRY = " ";

// The program built again from the base's files with defines added, once per base and defines; the base
// itself when it was not built from files.
Shader shaderVariant(const Shader& base, const std::string& defines);

// Compiles one stage from a file; prints and ends the process when it cannot.
unsigned int compileShaderFile(const std::string& path, unsigned int type);
// The same with defines after the #version line.
unsigned int compileShaderFile(const std::string& path, unsigned int type, const std::string& defines);

// Reports a failed link of program (type word "PROGRAM"); the program is kept.
void checkCompileErrors(unsigned int program, const std::string& type);
