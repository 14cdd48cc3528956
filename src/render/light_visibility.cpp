// Light visibility: occlusion queries of static meshes and moving casters' boxes against the static shadow depth.
#include "render/light_visibility.h"

#include "core/gl.h"

#include <glm/gtc/matrix_transform.hpp>

#include <array>

void createVisibilityBox(LightVisibility& visibility) {
    const std::array<float, 24> corners = {-1, -1, -1, 1, -1, -1, -1, 1, -1, 1, 1, -1,
                                           -1, -1, 1,  1, -1, 1,  -1, 1, 1,  1, 1, 1};
    // Two triangles per side; culling is off while it is drawn, so their winding does not matter.
    const std::array<unsigned int, 36> sides = {0, 1, 3, 0, 3, 2, 4, 5, 7, 4, 7, 6, 0, 1, 5, 0, 5, 4,
                                                2, 3, 7, 2, 7, 6, 0, 2, 6, 0, 6, 4, 1, 3, 7, 1, 7, 5};
    glGenVertexArrays(1, &visibility.boxVertexArray);
    glBindVertexArray(visibility.boxVertexArray);
    glGenBuffers(1, &visibility.boxVertices);
    glBindBuffer(GL_ARRAY_BUFFER, visibility.boxVertices);
    glBufferData(GL_ARRAY_BUFFER, sizeof corners, corners.data(), GL_STATIC_DRAW);
    glGenBuffers(1, &visibility.boxIndices);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, visibility.boxIndices);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, sizeof sides, sides.data(), GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 3 * sizeof(float), nullptr);
    glBindVertexArray(0);
    glObjectLabel(GL_VERTEX_ARRAY, visibility.boxVertexArray, -1, "visibility box");
    glObjectLabel(GL_BUFFER, visibility.boxVertices, -1, "visibility box corners");
    glObjectLabel(GL_BUFFER, visibility.boxIndices, -1, "visibility box sides");
}

unsigned int beginCasterQuery(LightVisibility& visibility, std::size_t i) {
    if (i >= visibility.casterQueries.size()) {
        visibility.casterQueries.resize(i + 1, 0);
        glGenQueries(1, &visibility.casterQueries[i]);
    }
    const unsigned int name = visibility.casterQueries[i];
    glBeginQuery(GL_ANY_SAMPLES_PASSED, name);
    return name;
}

void drawVisibilityBox(const LightVisibility& visibility, const Shader& query, const glm::vec3& centre, float radius) {
    query.setMat4("modelMatrix", glm::scale(glm::translate(glm::mat4(1.0f), centre), glm::vec3(radius)));
    glBindVertexArray(visibility.boxVertexArray);
    glDrawElements(GL_TRIANGLES, 36, GL_UNSIGNED_INT, nullptr);
}

void beginVisibilityQuery(LightVisibility& visibility, Entity entity, const Mesh& mesh, int cube) {
    LightVisibility::Query query{{entity, &mesh}, cube, 0};
    if (visibility.spareQueries.empty()) {
        glGenQueries(1, &query.name);
    } else {
        query.name = visibility.spareQueries.back();
        visibility.spareQueries.pop_back();
    }
    glBeginQuery(GL_ANY_SAMPLES_PASSED, query.name);
    visibility.pending.push_back(query);
}

void endVisibilityQuery() { glEndQuery(GL_ANY_SAMPLES_PASSED); }

void readVisibility(LightVisibility& visibility) {
    for (const LightVisibility::Query& query : visibility.pending) {
        GLuint passed = 1;
        glGetQueryObjectuiv(query.name, GL_QUERY_RESULT, &passed);
        if (!passed) visibility.hidden[query.key] |= static_cast<std::uint8_t>(1u << query.cube);
        visibility.spareQueries.push_back(query.name);
    }
    visibility.pending.clear();
}

void forgetVisibility(LightVisibility& visibility, int cube) {
    std::erase_if(visibility.pending, [&](const LightVisibility::Query& query) {
        if (query.cube != cube) return false;
        visibility.spareQueries.push_back(query.name);
        return true;
    });
    const std::uint8_t others = static_cast<std::uint8_t>(~(1u << cube));
    for (auto& [key, hidden] : visibility.hidden) hidden &= others;
    visibility.asked[static_cast<std::size_t>(cube)] = false;
}

std::uint8_t hiddenCubes(const LightVisibility& visibility, Entity entity, const Mesh& mesh) {
    const auto found = visibility.hidden.find({entity, &mesh});
    return found == visibility.hidden.end() ? 0 : found->second;
}
