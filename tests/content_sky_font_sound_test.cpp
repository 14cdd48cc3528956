// Checks over the shipped sky faces, overlay font and sound files: what the game will load must be sound.
#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H
#include <mpg123.h>
#include <stb_image.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kFaceSize = 1024;

// Cube-map face order: +X, -X, +Y, -Y, +Z, -Z.
const std::array<std::string, 6> kFacePaths = {
    "Resources/skybox/right.png", "Resources/skybox/left.png",  "Resources/skybox/top.png",
    "Resources/skybox/bottom.png", "Resources/skybox/front.png", "Resources/skybox/back.png"};

struct Dir {
  double x, y, z;
};

// Direction through face coordinates (sc, tc) in [-1, 1], as the GL cube-map lookup defines them.
Dir faceDirection(int face, double sc, double tc) {
  switch (face) {
    case 0: return {1, -tc, -sc};
    case 1: return {-1, -tc, sc};
    case 2: return {sc, 1, tc};
    case 3: return {sc, -1, -tc};
    case 4: return {sc, -tc, 1};
    default: return {-sc, -tc, -1};
  }
}

struct FaceHit {
  int face;
  double sc, tc;
};

// The GL selection rule: the major axis picks the face, the other two give (sc, tc).
FaceHit lookUp(Dir d) {
  double ax = std::abs(d.x), ay = std::abs(d.y), az = std::abs(d.z);
  if (ax >= ay && ax >= az)
    return d.x > 0 ? FaceHit{0, -d.z / ax, -d.y / ax} : FaceHit{1, d.z / ax, -d.y / ax};
  if (ay >= az)
    return d.y > 0 ? FaceHit{2, d.x / ay, d.z / ay} : FaceHit{3, d.x / ay, -d.z / ay};
  return d.z > 0 ? FaceHit{4, d.x / az, -d.y / az} : FaceHit{5, -d.x / az, -d.y / az};
}

int toPixel(double coord) {
  return std::clamp(static_cast<int>(std::floor((coord + 1.0) / 2.0 * kFaceSize)), 0, kFaceSize - 1);
}

struct Image {
  int width = 0, height = 0, channels = 0;
  std::vector<unsigned char> pixels;
  const unsigned char* at(int row, int col) const { return &pixels[(static_cast<size_t>(row) * width + col) * 3]; }
};

Image loadImage(const std::string& path) {
  Image img;
  unsigned char* data = stbi_load(path.c_str(), &img.width, &img.height, &img.channels, 0);
  if (data) {
    img.pixels.assign(data, data + static_cast<size_t>(img.width) * img.height * img.channels);
    stbi_image_free(data);
  }
  return img;
}

std::array<Image, 6> loadFaces() {
  stbi_set_flip_vertically_on_load(false);
  std::array<Image, 6> faces;
  for (int i = 0; i < 6; ++i) faces[i] = loadImage(kFacePaths[i]);
  return faces;
}

TEST(SkyboxFaces, DecodeAsSquareThreeChannelImages) {
  auto faces = loadFaces();
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(kFacePaths[i]);
    EXPECT_EQ(faces[i].width, kFaceSize);
    EXPECT_EQ(faces[i].height, kFaceSize);
    EXPECT_EQ(faces[i].channels, 3);
  }
}

// Walks each border of each face, steps one pixel past the edge and looks that direction up:
// the pixel found there must be the neighbour's border pixel and look the same.
TEST(SkyboxFaces, SharedEdgesMatch) {
  auto faces = loadFaces();
  for (const auto& f : faces) ASSERT_EQ(f.pixels.size(), size_t(kFaceSize) * kFaceSize * 3) << "face not loaded";

  std::set<std::pair<int, int>> edges;
  const double out = 1.0 + 1.0 / kFaceSize;
  for (int face = 0; face < 6; ++face) {
    for (int side = 0; side < 4; ++side) {
      int neighbour = -1;
      double sum = 0.0;
      for (int k = 0; k < kFaceSize; ++k) {
        double along = (k + 0.5) / kFaceSize * 2.0 - 1.0;
        double sc = side == 0 ? -out : side == 1 ? out : along;
        double tc = side == 2 ? -out : side == 3 ? out : along;
        int row = side == 2 ? 0 : side == 3 ? kFaceSize - 1 : k;
        int col = side == 0 ? 0 : side == 1 ? kFaceSize - 1 : k;
        FaceHit hit = lookUp(faceDirection(face, sc, tc));
        ASSERT_NE(hit.face, face);
        if (neighbour < 0) neighbour = hit.face;
        ASSERT_EQ(hit.face, neighbour) << "an edge of face " << face << " spans two faces";
        int row2 = toPixel(hit.tc), col2 = toPixel(hit.sc);
        ASSERT_TRUE(row2 == 0 || row2 == kFaceSize - 1 || col2 == 0 || col2 == kFaceSize - 1);
        const unsigned char* a = faces[face].at(row, col);
        const unsigned char* b = faces[hit.face].at(row2, col2);
        for (int c = 0; c < 3; ++c) sum += std::abs(int(a[c]) - int(b[c]));
      }
      double mean = sum / (3.0 * kFaceSize);
      EXPECT_LE(mean, 4.0) << kFacePaths[face] << " side " << side << " against " << kFacePaths[neighbour];
      edges.insert({std::min(face, neighbour), std::max(face, neighbour)});
    }
  }
  EXPECT_EQ(edges.size(), 12u);
}

TEST(OverlayFont, PrintableAsciiRendersAt48Pixels) {
  FT_Library lib;
  ASSERT_EQ(FT_Init_FreeType(&lib), 0);
  FT_Face face;
  ASSERT_EQ(FT_New_Face(lib, "Resources/fonts/call-of-ops-duty.regular.otf", 0, &face), 0);
  ASSERT_EQ(FT_Set_Pixel_Sizes(face, 0, 48), 0);
  for (int c = 32; c <= 126; ++c) {
    SCOPED_TRACE(c);
    // A code the font lacks would still render its box glyph, so ask for the mapping too.
    EXPECT_NE(FT_Get_Char_Index(face, c), 0u);
    ASSERT_EQ(FT_Load_Char(face, c, FT_LOAD_RENDER), 0);
    const FT_GlyphSlot g = face->glyph;
    EXPECT_GT(g->advance.x, 0);
    if (c == ' ') {
      EXPECT_EQ(g->bitmap.width * g->bitmap.rows, 0u);
    } else {
      EXPECT_GT(g->bitmap.width, 0u);
      EXPECT_GT(g->bitmap.rows, 0u);
    }
  }
  ASSERT_EQ(FT_Load_Char(face, 'H', FT_LOAD_RENDER), 0);
  EXPECT_GE(face->glyph->bitmap.rows, 24u);  // a capital fills most of the 48-pixel em
  EXPECT_LE(face->glyph->bitmap.rows, 48u);
  FT_Done_Face(face);
  FT_Done_FreeType(lib);
}

struct Pcm {
  long rate = 0;
  int channels = 0;
  std::vector<int16_t> samples;  // interleaved
  size_t frames() const { return channels ? samples.size() / channels : 0; }
  double at(size_t frame, int ch) const { return samples[frame * channels + ch] / 32768.0; }
};

// Gapless decoding trims the encoder's delay and padding, as a looping player must.
Pcm decodeMp3(const std::string& path) {
  Pcm pcm;
  int err = 0;
  mpg123_handle* mh = mpg123_new(nullptr, &err);
  if (!mh) return pcm;
  mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0.0);
  mpg123_format_none(mh);
  mpg123_format(mh, 44100, MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
  if (mpg123_open(mh, path.c_str()) == MPG123_OK) {
    int encoding = 0;
    mpg123_getformat(mh, &pcm.rate, &pcm.channels, &encoding);
    std::vector<unsigned char> buf(1 << 16);
    for (;;) {
      size_t done = 0;
      int rc = mpg123_read(mh, buf.data(), buf.size(), &done);
      auto* s = reinterpret_cast<const int16_t*>(buf.data());
      pcm.samples.insert(pcm.samples.end(), s, s + done / 2);
      if (rc == MPG123_DONE || (rc != MPG123_OK && rc != MPG123_NEW_FORMAT)) break;
    }
    mpg123_close(mh);
  }
  mpg123_delete(mh);
  return pcm;
}

double peakDbfs(const Pcm& pcm) {
  int peak = 1;
  for (int16_t s : pcm.samples) peak = std::max(peak, std::abs(int(s)));
  return 20.0 * std::log10(peak / 32768.0);
}

size_t peakFrame(const Pcm& pcm) {
  size_t best = 0;
  int peak = -1;
  for (size_t i = 0; i < pcm.samples.size(); ++i) {
    if (std::abs(int(pcm.samples[i])) > peak) {
      peak = std::abs(int(pcm.samples[i]));
      best = i / pcm.channels;
    }
  }
  return best;
}

double rms(const Pcm& pcm, size_t from, size_t count, int ch) {
  double sum = 0.0;
  for (size_t i = from; i < from + count; ++i) sum += pcm.at(i, ch) * pcm.at(i, ch);
  return std::sqrt(sum / count);
}

struct SoundSpec {
  const char* path;
  int channels;
  double minSeconds, maxSeconds;
  bool loop;
};

const SoundSpec kSounds[] = {
    {"Resources/spooky_song2.mp3", 2, 60.0, 120.0, true},
    {"Resources/wind.mp3", 2, 20.0, 40.0, true},
    {"Resources/glass_breaks.mp3", 1, 1.5, 3.0, false},
    {"Resources/lantern.mp3", 1, 2.0, 4.0, false},
};

TEST(SoundFiles, DecodeToTheirChannelsLengthsAndLevels) {
  for (const auto& sound : kSounds) {
    SCOPED_TRACE(sound.path);
    Pcm pcm = decodeMp3(sound.path);
    ASSERT_GT(pcm.frames(), 0u) << "does not decode";
    EXPECT_EQ(pcm.rate, 44100);
    EXPECT_EQ(pcm.channels, sound.channels);
    double seconds = double(pcm.frames()) / pcm.rate;
    EXPECT_GE(seconds, sound.minSeconds);
    EXPECT_LE(seconds, sound.maxSeconds);
    // Loops play at a low volume, so they must be loud; effects sit about a decibel under full scale.
    double peak = peakDbfs(pcm);
    if (sound.loop) {
      EXPECT_GE(peak, -1.0);
    } else {
      EXPECT_GE(peak, -2.0);
      EXPECT_LE(peak, -0.5);
    }
  }
}

// Across the seam the step is no bigger than steps the music makes anyway, and neither side of the
// seam has gone quiet (untrimmed encoder delay would leave a gap of silence that a step test misses).
TEST(SoundFiles, LoopsJoinWithoutClickOrGap) {
  for (const auto& sound : kSounds) {
    if (!sound.loop) continue;
    SCOPED_TRACE(sound.path);
    Pcm pcm = decodeMp3(sound.path);
    ASSERT_GT(pcm.frames(), size_t(pcm.rate) * 2);
    const size_t second = size_t(pcm.rate), last = pcm.frames() - 1, window = size_t(pcm.rate) / 50;
    for (int ch = 0; ch < pcm.channels; ++ch) {
      double inside = 0.0;
      for (size_t i = 0; i + 1 < second; ++i) inside = std::max(inside, std::abs(pcm.at(i + 1, ch) - pcm.at(i, ch)));
      EXPECT_LE(std::abs(pcm.at(0, ch) - pcm.at(last, ch)), inside) << "channel " << ch;
      double head = rms(pcm, 0, window, ch), tail = rms(pcm, pcm.frames() - window, window, ch);
      EXPECT_GT(head, 0.0);
      EXPECT_GT(tail, 0.0);
      EXPECT_LT(std::max(head, tail) / std::min(head, tail), 3.0) << "channel " << ch;
    }
  }
}

TEST(SoundFiles, GlassBreakPeaksWithinItsFirstThirdOfASecond) {
  Pcm pcm = decodeMp3("Resources/glass_breaks.mp3");
  ASSERT_GT(pcm.frames(), 0u);
  EXPECT_LE(double(peakFrame(pcm)) / pcm.rate, 0.3);
}

}  // namespace
