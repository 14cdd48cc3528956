// GL debug output: the driver's messages, one line each on standard output, in builds that ask for them.
#pragma once

#include <string>

#ifdef HOLLOWMERE_GL_DEBUG
inline constexpr bool GL_DEBUG_BUILD = true;
#else
inline constexpr bool GL_DEBUG_BUILD = false;
#endif

// Every message that reports a GL error starts with this.
inline constexpr const char* GL_ERROR_PREFIX = "GL error: ";

// Window hint for the next window: a debug context in a debug build.
void requestDebugContext();

// With the context current: the driver's messages printed as they happen, inside the call that caused
// them. Nothing in a build without debug output or on a context that has none.
void enableDebugOutput();

// GL errors reported since the process started.
int glErrorsReported();

// One message as its line: what kind, then the driver's text with its line ends turned into spaces.
std::string debugLine(unsigned int type, const std::string& message);
