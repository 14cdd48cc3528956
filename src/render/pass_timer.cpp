// Pass timing: timestamps around each pass of a frame, only while the benchmark asks for them.
#include "render/pass_timer.h"

#include "core/gl.h"

void createPassTimer(PassTimer& timer) {
    glGenQueries(static_cast<int>(timer.queries.size()), timer.queries.data());
    timer.ran.fill(false);
}

void beginPassTiming(PassTimer& timer, Pass pass) {
    const int i = static_cast<int>(pass);
    // Finish the work before so that the CPU clock sees this pass alone.
    glFinish();
    timer.cpuStart[i] = std::chrono::steady_clock::now();
    glQueryCounter(timer.queries[i * 2], GL_TIMESTAMP);
}

void endPassTiming(PassTimer& timer, Pass pass) {
    const int i = static_cast<int>(pass);
    glQueryCounter(timer.queries[i * 2 + 1], GL_TIMESTAMP);
    glFinish();
    timer.cpuMs[i] = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - timer.cpuStart[i]).count();
    timer.ran[i] = true;
}

void collectPassTimes(PassTimer& timer) {
    for (int i = 0; i < PASS_COUNT; ++i) {
        if (!timer.ran[i]) {
            timer.gpuMs[i] = 0.0;
            timer.cpuMs[i] = 0.0;
            continue;
        }
        GLuint64 begin = 0, end = 0;
        glGetQueryObjectui64v(timer.queries[i * 2], GL_QUERY_RESULT, &begin);
        glGetQueryObjectui64v(timer.queries[i * 2 + 1], GL_QUERY_RESULT, &end);
        timer.gpuMs[i] = end > begin ? static_cast<double>(end - begin) / 1.0e6 : 0.0;
        timer.ran[i] = false;
    }
}
