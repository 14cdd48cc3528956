// Tool arguments: checks and messages on top of CLI11.
#include "common/arguments.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <limits>

namespace {

std::string inQuotes(const std::string& text) { return "'" + text + "'"; }

// The whole text as a finite number, finite as a float too (the flight times are floats); strtod alone would
// stop at "1.5s" and take "inf".
bool readNumber(const std::string& text, double& value) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return *end == '\0' && std::fabs(value) <= std::numeric_limits<float>::max();
}

// The whole text as a decimal whole number from low to high.
bool readWhole(const std::string& text, int low, int high, int& value) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return false;
    char* end = nullptr;
    errno = 0;
    const long whole = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || errno == ERANGE || whole < low || whole > high) return false;
    value = static_cast<int>(whole);
    return true;
}

bool readSize(const std::string& text, FrameSize& size) {
    const std::size_t x = text.find('x');
    if (x == std::string::npos) return false;
    FrameSize read;
    if (!readWhole(text.substr(0, x), 1, MAX_FRAME_SIDE, read.width)) return false;
    if (!readWhole(text.substr(x + 1), 1, MAX_FRAME_SIDE, read.height)) return false;
    size = read;
    return true;
}

CLI::Validator numberCheck(std::function<bool(double)> accept, const std::string& wanted) {
    return CLI::Validator(
        [accept, wanted](std::string& text) {
            double value = 0.0;
            return readNumber(text, value) && accept(value) ? std::string() : inQuotes(text) + " is not " + wanted;
        },
        "", "");
}

}  // namespace

CLI::Validator finiteNumber() {
    return numberCheck([](double) { return true; }, "a number");
}

CLI::Validator positiveNumber() {
    return numberCheck([](double value) { return value > 0.0; }, "a number above 0");
}

CLI::Validator nonNegativeNumber() {
    return numberCheck([](double value) { return value >= 0.0; }, "a number of 0 or more");
}

CLI::Validator wholeNumber(int low, int high) {
    const std::string wanted = "a whole number from " + std::to_string(low) + " to " + std::to_string(high);
    return CLI::Validator(
        [low, high, wanted](std::string& text) {
            int value = 0;
            if (!readWhole(text, low, high, value)) return inQuotes(text) + " is not " + wanted;
            // CLI11 would read "010" as octal; the plain decimal leaves it nothing to guess.
            text = std::to_string(value);
            return std::string();
        },
        "", "");
}

CLI::Option* addSizeOption(CLI::App& app, FrameSize& size) {
    const std::string shown = std::to_string(size.width) + "x" + std::to_string(size.height);
    auto check = [](const std::string& text) {
        FrameSize read;
        return readSize(text, read) ? std::string()
                                    : inQuotes(text) + " is not WxH with sides from 1 to " +
                                          std::to_string(MAX_FRAME_SIDE);
    };
    return app.add_option_function<std::string>("--size", [&size](const std::string& text) { readSize(text, size); },
                                                 "picture size in pixels")
        ->type_name("WxH")
        ->default_str(shown)
        ->check(check);
}

void useToolDefaults(CLI::App& app) {
    // A repeated option counts once, its last value, as the tools always took it.
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
}

int refuseArguments(const CLI::App& app, const std::string& what) {
    std::cerr << app.get_name() << ": " << what << std::endl;
    return 2;
}

std::optional<int> readArguments(CLI::App& app, int argc, char** argv) {
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success&) {
        std::cout << app.help() << std::flush;
        return 0;
    } catch (const CLI::ExtrasError&) {
        // CLI11 lists the extras last first; in the order typed they read as they were given.
        const std::vector<std::string> extras = app.remaining();
        std::string words;
        for (const std::string& word : extras) words += (words.empty() ? "" : " ") + word;
        return refuseArguments(app, (extras.size() == 1 ? "unexpected argument: " : "unexpected arguments: ") + words);
    } catch (const CLI::ParseError& error) {
        return refuseArguments(app, error.what());
    }
    return std::nullopt;
}
