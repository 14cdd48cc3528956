// Shader: one linked GL program built from GLSL files, with by-name uniform setters.
#pragma once

#include <glm/glm.hpp>

#include <string>

// Holds only the program name, so it is copied freely; programs live until the context ends.
struct Shader {
    unsigned int ID = 0;

    Shader() = default;
    // Builds vertex + fragment (+ geometry unless the path is " "); ends the process on a file or compile failure.
    Shader(const std::string& vertexPath, const std::string& fragmentPath, const std::string& geometryPath);

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

// The geometry path that means "no geometry stage".
inline const std::string NO_GEOMETRY = " ";

// Compiles one stage from a file; prints and ends the process when it cannot.
unsigned int compileShaderFile(const std::string& path, unsigned int type);

// Reports a failed link of program (type word "PROGRAM"); the program is kept.
void checkCompileErrors(unsigned int program, const std::string& type);
