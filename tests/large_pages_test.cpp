// Large pages: the tunable added to what the environment holds, and the start over that carries it.
#include "app/large_pages.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace {

// Where the started-over child writes the tunables it found.
constexpr const char* REPORT_VARIABLE = "LARGE_PAGES_TEST_REPORT";

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The started-over child of the test below writes what it found and ends before any test runs.
[[maybe_unused]] const bool childReported = [] {
    const char* report = std::getenv(REPORT_VARIABLE);
    if (!report) return false;
    const char* tunables = std::getenv("GLIBC_TUNABLES");
    std::ofstream(report) << (tunables ? tunables : "(unset)");
    std::_Exit(0);
}();

}  // namespace

TEST(LargePages, TheTunableJoinsWhatIsThereAndAChoiceAlreadyMadeStays) {
    struct Case {
        const char* current;
        const char* expected;
    } cases[] = {
        {nullptr, "glibc.malloc.hugetlb=1"},
        {"", "glibc.malloc.hugetlb=1"},
        {"glibc.malloc.arena_max=2", "glibc.malloc.arena_max=2:glibc.malloc.hugetlb=1"},
        {"glibc.malloc.hugetlb=0", ""},  // turned off on purpose
        {"glibc.malloc.arena_max=2:glibc.malloc.hugetlb=2", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(largePageTunables(c.current), c.expected) << (c.current ? c.current : "(unset)");
}

TEST(LargePages, StartsOverOnceWithTheTunable) {
    const std::string report = testing::TempDir() + "large_pages_report.txt";
    std::remove(report.c_str());
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        unsetenv("GLIBC_TUNABLES");
        setenv(REPORT_VARIABLE, report.c_str(), 1);
        char name[] = "large_pages_test";
        char* argv[] = {name, nullptr};
        startWithLargePages(argv);
        _exit(3);  // it came back: the start over did not happen
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the child did not start over into its test (3: startWithLargePages returned)";
    EXPECT_EQ(readFile(report), "glibc.malloc.hugetlb=1");
}

TEST(LargePages, ReturnsWhenTheEnvironmentAlreadySays) {
    const char* before = std::getenv("GLIBC_TUNABLES");
    const std::string saved = before ? before : "";
    setenv("GLIBC_TUNABLES", "glibc.malloc.hugetlb=0", 1);
    char name[] = "large_pages_test";
    char* argv[] = {name, nullptr};
    startWithLargePages(argv);  // a start over here would run this whole suite again, not return
    EXPECT_STREQ(std::getenv("GLIBC_TUNABLES"), "glibc.malloc.hugetlb=0");
    if (before) setenv("GLIBC_TUNABLES", saved.c_str(), 1); else unsetenv("GLIBC_TUNABLES");
}
