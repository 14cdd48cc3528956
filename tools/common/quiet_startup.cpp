// Quiet start-up: a line filter put in front of std::cout's buffer while the game opens.
#include "common/quiet_startup.h"

#include <iostream>
#include <mutex>
#include <streambuf>

namespace {

bool startsWith(const std::string& line, const std::string& prefix) { return line.rfind(prefix, 0) == 0; }

// Holds the line being written and hands each finished one to the real buffer unless it is routine.
// Models may report from their loading threads, hence the lock.
struct LineFilter : std::streambuf {
    std::streambuf* target = nullptr;
    std::string line;
    std::mutex lock;

    void put(char c) {
        line += c;
        if (c != '\n') return;
        if (!isRoutineStartupLine(line.substr(0, line.size() - 1))) target->sputn(line.data(), line.size());
        line.clear();
    }
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        const std::lock_guard<std::mutex> held(lock);
        put(traits_type::to_char_type(c));
        return c;
    }
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        const std::lock_guard<std::mutex> held(lock);
        for (std::streamsize i = 0; i < count; ++i) put(text[i]);
        return count;
    }
    // A flush passes on an unfinished line too: nothing may be lost to an exit that follows.
    int sync() override {
        const std::lock_guard<std::mutex> held(lock);
        target->sputn(line.data(), line.size());
        line.clear();
        return target->pubsync();
    }
};

// Never destroyed: std::cout may still flush into it while the program ends.
LineFilter& filter() {
    static LineFilter* const installed = new LineFilter;
    return *installed;
}

}  // namespace

bool isRoutineStartupLine(const std::string& line) {
    return startsWith(line, "successfully loaded model with path: ") || line == "Model has Lights!" ||
           line == "emplacing light" ||
           (startsWith(line, "X. ") && line.find(" y. ") != std::string::npos && line.find(" Z: ") != std::string::npos);
}

void beginQuietStartup() {
    if (filter().target) return;
    std::cout.flush();
    filter().target = std::cout.rdbuf(&filter());
}

void endQuietStartup() {
    if (!filter().target) return;
    std::cout.flush();
    std::cout.rdbuf(filter().target);
    filter().target = nullptr;
}
