// The game's look, held: each picture listed in tests/fixtures/reference/pictures.txt is rendered anew with
// hollowmere-shot and compared with its committed reference (scripts/remake-references makes them).
#include "support/game_run.h"
#include "support/process.h"

#include <gtest/gtest.h>
#include <stb_image_write.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iomanip>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const std::string FOLDER = "tests/fixtures/reference";
const std::string LIST = FOLDER + "/pictures.txt";
const std::string REMAKE = "scripts/remake-references";

// llvmpipe draws these pictures the same from run to run, busy or idle; the bounds leave room for another
// driver's rounding yet sit far below a lost shadow, light shaft or normal map (figures in docs/testing.md).
constexpr double MAX_MEAN_LEVELS = 0.25;  // mean absolute difference of each channel, levels of 255
constexpr int FAR_LEVELS = 16;
constexpr double MAX_FAR_SHARE = 0.001;  // pixels more than FAR_LEVELS apart in any channel
constexpr int DIFFERENCE_SCALE = 8;      // the difference image's gain: one level reads 8

struct Reference { std::string name, time; std::vector<std::string> keys; };
struct ReferenceList { std::string size, error; std::vector<Reference> pictures; };

// "size WxH" once, then "name time [keys...]" a line; '#' starts a comment line.
ReferenceList readList() {
    ReferenceList list;
    const std::string path = sourceDir() + "/" + LIST;
    if (!fs::exists(path)) return list.error = "no " + LIST, list;
    std::istringstream lines(readFile(path));
    int number = 0;
    for (std::string line, extra; std::getline(lines, line);) {
        std::istringstream words(line);
        const std::string where = LIST + ":" + std::to_string(++number) + ": ";
        Reference r;
        if (!(words >> r.name) || r.name[0] == '#') continue;
        if (r.name == "size") {
            if (!list.size.empty() || !(words >> list.size) || words >> extra)
                return list.error = where + "want one line 'size WxH'", list;
            continue;
        }
        // The name makes a test name too: googletest itself refuses one listed twice or with more than letters,
        // digits and the '-' that becomes '_'.
        if (!(words >> r.time)) return list.error = where + "'" + r.name + "' has no time", list;
        for (std::string key; words >> key;) r.keys.push_back(key);
        list.pictures.push_back(r);
    }
    if (list.size.empty()) list.error = LIST + ": no size line";
    else if (list.pictures.empty()) list.error = LIST + ": no pictures";
    return list;
}

const ReferenceList& references() {
    static const ReferenceList list = readList();
    return list;
}

// The mean absolute difference of each channel, the share of pixels more than FAR_LEVELS apart in any, and the
// absolute difference times DIFFERENCE_SCALE as an image.
struct Difference { double mean[3] = {}, farShare = 0.0; std::vector<unsigned char> image; };

Difference differenceOf(const Picture& a, const Picture& b) {
    Difference d;
    const double pixels = a.rgb.size() / 3.0;
    for (size_t i = 0; i < a.rgb.size(); i += 3) {
        float largest = 0.0f;
        for (int c = 0; c < 3; ++c) {
            const float level = std::fabs(a.rgb[i + c] - b.rgb[i + c]);
            d.mean[c] += level / pixels;
            largest = std::max(largest, level);
            d.image.push_back(static_cast<unsigned char>(std::min(255.0f, DIFFERENCE_SCALE * level)));
        }
        d.farShare += (largest > FAR_LEVELS) / pixels;
    }
    return d;
}

std::string describe(const Reference& r) {
    std::string text = r.name + " (" + r.time + " s";
    for (const std::string& key : r.keys) text += ", " + key;
    return text + ")";
}

void PrintTo(const Reference& r, std::ostream* os) { *os << describe(r); }

TEST(ReferenceList, IsWellFormedAndEveryReferenceFileIsListed) {
    const ReferenceList& list = references();
    ASSERT_TRUE(list.error.empty()) << list.error;
    // A picture dropped from the list but left on disk would never be compared again.
    std::set<std::string> listed;
    for (const Reference& r : list.pictures) listed.insert(r.name + ".png");
    for (const auto& entry : fs::directory_iterator(sourceDir() + "/" + FOLDER)) {
        const std::string file = entry.path().filename().string();
        if (entry.path().extension() != ".png") continue;
        EXPECT_TRUE(listed.count(file)) << FOLDER << "/" << file << " is not in " << LIST << ": list it or remove it";
    }
}

class ReferencePicture : public testing::TestWithParam<Reference> {};

TEST_P(ReferencePicture, RendersAsItsReference) {
    const Reference& r = GetParam();
    const std::string reference = FOLDER + "/" + r.name + ".png";
    ASSERT_TRUE(fs::exists(sourceDir() + "/" + reference))
        << "no reference " << reference << " for " << describe(r) << ": make it with " << REMAKE
        << ", look at it and commit it";

    // New renders and difference images go beside the build's other output; the last failure's are replaced.
    const std::string out = binaryDir() + "/reference-pictures";
    const std::string render = out + "/" + r.name + ".png", difference = out + "/" + r.name + "-difference.png";
    fs::create_directories(out);
    fs::remove(render);
    fs::remove(difference);

    std::string args = " --time " + r.time + " --size " + references().size + " --out '" + render + "'";
    for (const std::string& key : r.keys) args += " --key " + key;
    const CommandResult shot = runCommand(binaryDir() + "/tools/shot/hollowmere-shot" + args);
    ASSERT_EQ(shot.status, 0) << describe(r) << ": hollowmere-shot" << args << "\n" << shot.output;

    const Picture expected = readImage(sourceDir() + "/" + reference), actual = readImage(render);
    ASSERT_FALSE(expected.rgb.empty()) << reference << " does not read as an image";
    ASSERT_FALSE(actual.rgb.empty()) << render << " does not read as an image";
    ASSERT_TRUE(expected.width == actual.width && expected.height == actual.height)
        << describe(r) << ": rendered " << actual.width << "x" << actual.height << ", the reference is "
        << expected.width << "x" << expected.height << "; if the size in " << LIST << " changed, run " << REMAKE;

    const Difference d = differenceOf(expected, actual);
    if (std::max({d.mean[0], d.mean[1], d.mean[2]}) <= MAX_MEAN_LEVELS && d.farShare <= MAX_FAR_SHARE) {
        fs::remove(render);
        return;
    }
    const bool written =
        stbi_write_png(difference.c_str(), actual.width, actual.height, 3, d.image.data(), 3 * actual.width);
    ADD_FAILURE() << std::fixed << std::setprecision(2) << describe(r) << " differs from " << reference
                  << ": mean absolute difference R " << d.mean[0] << ", G " << d.mean[1] << ", B " << d.mean[2]
                  << " levels (at most " << MAX_MEAN_LEVELS << "), " << std::setprecision(3) << 100.0 * d.farShare
                  << "% of pixels more than " << FAR_LEVELS << " levels apart (at most " << 100.0 * MAX_FAR_SHARE
                  << "%).\nIn " << out << ": the new render " << r.name << ".png"
                  << (written ? " and " + r.name + "-difference.png (absolute difference x" +
                                    std::to_string(DIFFERENCE_SCALE) + ")"
                              : std::string(" (the difference image could not be written)"))
                  << ". If the change is meant, run " << REMAKE << ", look at the pictures and commit them.";
}

std::string testName(const testing::TestParamInfo<Reference>& info) {
    std::string name = info.param.name;
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(Flight, ReferencePicture, testing::ValuesIn(references().pictures), testName);

}  // namespace
