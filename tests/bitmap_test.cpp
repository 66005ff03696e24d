#include "bitmap/bitmap.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

// Loads `path` into `bitmap`, capturing what Load prints.
struct LoadRun {
  bool loaded = false;
  std::string output;
};

LoadRun LoadCapturing(cBitmap& bitmap, const std::string& path) {
  testing::internal::CaptureStdout();
  LoadRun run;
  run.loaded = bitmap.Load(path.c_str());
  fflush(stdout);
  run.output = testing::internal::GetCapturedStdout();
  return run;
}

std::string LoadingLine(const std::string& path) { return "Loading bitmap image '" + path + "'\n"; }

// A 10 x 3 picture: rows of 12 bytes in the file (2 pad bytes), S = 36.
// Palette entry i is a colour made from i, so that a shifted palette shows.
const std::vector<std::string> kSmallRows = {
    "0123456789",
    "abcdefghij",
    "9876543210",
};

std::vector<Rgb> DistinctPalette() {
  std::vector<Rgb> palette;
  for (int i = 0; i < 256; ++i) {
    palette.push_back(
        {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 7)});
  }
  return palette;
}

BmpImage SmallImage() {
  std::vector<std::pair<char, uint8_t>> legend;
  for (char c = '0'; c <= '9'; ++c) legend.push_back({c, static_cast<uint8_t>(c - '0' + 1)});
  for (char c = 'a'; c <= 'j'; ++c) legend.push_back({c, static_cast<uint8_t>(c - 'a' + 200)});
  return ImageFromRows(kSmallRows, legend, DistinctPalette());
}

// Every palette index and colour of a loaded image, row by row from the top.
std::vector<std::vector<int>> Contents(const cBitmap& bitmap) {
  std::vector<std::vector<int>> rows;
  for (int y = 0; y < bitmap.GetHeight(); ++y) {
    std::vector<int> row;
    for (int x = 0; x < bitmap.GetWidth(); ++x) {
      const cPixel pixel = bitmap.GetPixel(x, y);
      row.push_back(pixel.index);
      row.push_back(pixel.red << 16 | pixel.green << 8 | pixel.blue);
      EXPECT_EQ(bitmap.GetPixelIndex(x, y), pixel.index);
    }
    rows.push_back(row);
  }
  return rows;
}

// What a loaded image should hold, from the picture it was written from.
std::vector<std::vector<int>> Expected(const BmpImage& image) {
  std::vector<std::vector<int>> rows;
  for (int y = 0; y < image.height; ++y) {
    std::vector<int> row;
    for (int x = 0; x < image.width; ++x) {
      const uint8_t index = image.indices[static_cast<size_t>(y) * image.width + x];
      const Rgb colour = image.palette[index];
      row.push_back(index);
      row.push_back(colour.red << 16 | colour.green << 8 | colour.blue);
    }
    rows.push_back(row);
  }
  return rows;
}

int OpenFileCount() {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    (void)entry;
    ++count;
  }
  return count;
}

// ---------------------------------------------------------------------------
// Failures of Load, each with every line it prints after the loading line.

struct FailureCase {
  const char* name;
  BmpOptions options;
  std::string expected;
};

BmpOptions Fields32(std::vector<std::pair<size_t, uint32_t>> fields) {
  BmpOptions options;
  options.fields32 = std::move(fields);
  return options;
}

BmpOptions Fields16(std::vector<std::pair<size_t, uint16_t>> fields) {
  BmpOptions options;
  options.fields16 = std::move(fields);
  return options;
}

BmpOptions CutAt(size_t length) {
  BmpOptions options;
  options.truncateAt = length;
  return options;
}

constexpr size_t kSmallFileLength = 14 + 40 + 1024 + 36;
constexpr const char* kSize = " Bitmap image is 10x3\n";

TEST(BitmapLoadTest, FailureTable) {
  const std::string kInvalidHeader = " Invalid bitmap header\n";
  const std::string kWrongType = " Wrong bitmap type in ( Must be 256 colours non-compressed )\n";
  const std::string kPalette = std::string(kSize) + " Error reading palette\n";
  const std::string kMalloc = std::string(kSize) + " Couldn't malloc space for image\n";
  const std::string kSeek =
      std::string(kSize) + "Could not read image data from file. Error during seek\n";
  const std::string kStride = "Something wrong with the stride for this image\n";
  const std::string kRead = "Error reading image data from file\n";

  const FailureCase cases[] = {
      // File header
      {"empty file", CutAt(0), kInvalidHeader},
      {"file header cut short", CutAt(13), kInvalidHeader},
      {"signature BX", Fields16({{kBmpSignature, 'B' | 'X' << 8}}), kInvalidHeader},
      {"signature lower case", Fields16({{kBmpSignature, 'b' | 'm' << 8}}), kInvalidHeader},
      {"signature checked before type", Fields16({{kBmpSignature, 0}, {kBmpBitsPerPixel, 2}}),
       kInvalidHeader},
      // Information header
      {"information header cut short", CutAt(14 + 39), kWrongType},
      {"no planes", Fields16({{kBmpPlanes, 0}}), kWrongType},
      {"two planes", Fields16({{kBmpPlanes, 2}}), kWrongType},
      {"2 bits per pixel", Fields16({{kBmpBitsPerPixel, 2}}), kWrongType},
      {"0 bits per pixel", Fields16({{kBmpBitsPerPixel, 0}}), kWrongType},
      {"64 bits per pixel", Fields16({{kBmpBitsPerPixel, 64}}), kWrongType},
      {"RLE4 at 8 bits", Fields32({{kBmpCompression, 2}}), kWrongType},
      {"bit fields at 8 bits", Fields32({{kBmpCompression, 3}}), kWrongType},
      {"JPEG inside", Fields32({{kBmpCompression, 4}}), kWrongType},
      {"PNG inside", Fields32({{kBmpCompression, 5}}), kWrongType},
      {"bit fields with alpha", Fields32({{kBmpCompression, 6}}), kWrongType},
      // Palette
      {"palette one byte short", CutAt(14 + 40 + 1023), kPalette},
      {"palette missing", CutAt(14 + 40), kPalette},
      {"information header size past the file", Fields32({{kBmpInfoSize, 0xFFFFFFFF}}), kPalette},
      {"information header size pushes palette past the end", Fields32({{kBmpInfoSize, 40 + 37}}),
       kPalette},
      // Image size
      {"image size -1", Fields32({{kBmpImageSize, 0xFFFFFFFF}}), kMalloc},
      {"image size most negative", Fields32({{kBmpImageSize, 0x80000000}}), kMalloc},
      {"image size one past the file", Fields32({{kBmpImageSize, kSmallFileLength + 1}}), kSeek},
      {"image size largest", Fields32({{kBmpImageSize, 0x7FFFFFFF}}), kSeek},
      {"image size checked before stride", Fields32({{kBmpImageSize, 0x80000000}, {kBmpHeight, 0}}),
       " Bitmap image is 10x0\n Couldn't malloc space for image\n"},
      // Stride
      {"height 0", Fields32({{kBmpHeight, 0}}),
       " Bitmap image is 10x0\nSomething wrong with the stride for this image\n"},
      {"negative width", Fields32({{kBmpWidth, static_cast<uint32_t>(-10)}}),
       " Bitmap image is -10x3\nSomething wrong with the stride for this image\n"},
      {"height most negative", Fields32({{kBmpHeight, 0x80000000}}),
       " Bitmap image is 10x-2147483648\nSomething wrong with the stride for this image\n"},
      {"image size not a multiple of the height", Fields32({{kBmpImageSize, 37}}),
       std::string(kSize) + kStride},
      {"top-down, image size not a multiple of the height",
       Fields32({{kBmpHeight, static_cast<uint32_t>(-3)}, {kBmpImageSize, 37}}),
       std::string(kSize) + kStride},
      {"largest width and height", Fields32({{kBmpWidth, 0x7FFFFFFF}, {kBmpHeight, 0x7FFFFFFF}}),
       " Bitmap image is 2147483647x2147483647\nSomething wrong with the stride for this image\n"},
      // Row reading
      {"image size below width x height (rows overlap)", Fields32({{kBmpImageSize, 27}}),
       std::string(kSize) + kRead},
      {"image size 0 with height 0", Fields32({{kBmpImageSize, 0}, {kBmpHeight, 0}}),
       " Bitmap image is 10x0\nSomething wrong with the stride for this image\n"},
      {"image size 0 with width 0", Fields32({{kBmpImageSize, 0}, {kBmpWidth, 0}}),
       " Bitmap image is 0x3\nError reading image data from file\n"},
      {"width 0", Fields32({{kBmpWidth, 0}}),
       " Bitmap image is 0x3\nError reading image data from file\n"},
      {"largest width, one row", Fields32({{kBmpWidth, 0x7FFFFFFF}, {kBmpHeight, 1}}),
       " Bitmap image is 2147483647x1\nError reading image data from file\n"},
  };
  TempDir dir;
  const std::string path = dir / "image.bmp";
  for (const FailureCase& c : cases) {
    WriteBmp(path, SmallImage(), c.options);
    cBitmap bitmap;
    const LoadRun run = LoadCapturing(bitmap, path);
    EXPECT_FALSE(run.loaded) << c.name;
    EXPECT_EQ(run.output, LoadingLine(path) + c.expected) << c.name;
    EXPECT_FALSE(bitmap.IsLoaded()) << c.name;
  }
}

TEST(BitmapLoadTest, MissingFile) {
  TempDir dir;
  const std::string path = dir / "absent.bmp";
  cBitmap bitmap;
  const LoadRun run = LoadCapturing(bitmap, path);
  EXPECT_FALSE(run.loaded);
  EXPECT_EQ(run.output, LoadingLine(path) + " Couldn't open/read BMP file\n");
}

// A file cut at every length either loads (once the headers, the palette
// and S bytes of pixel data are there: the rows are then taken from the
// end of the file) or fails with the message of the part that is missing.
TEST(BitmapLoadTest, TruncatedAtEveryOffset) {
  // 40 x 30: S = 1200, larger than the headers and palette, so every
  // message of a short file is reached.
  BmpImage image;
  image.width = 40;
  image.height = 30;
  image.palette = DistinctPalette();
  for (int i = 0; i < 40 * 30; ++i) image.indices.push_back(static_cast<uint8_t>(i * 13));
  const Bytes whole = EncodeBmp(image);
  const size_t imageSize = 1200;
  const size_t headersAndPalette = 14 + 40 + 1024;
  ASSERT_EQ(whole.size(), headersAndPalette + imageSize);

  TempDir dir;
  const std::string path = dir / "cut.bmp";
  const std::string size = " Bitmap image is 40x30\n";
  for (size_t length = 0; length < whole.size(); ++length) {
    WriteFile(path, Bytes(whole.begin(), whole.begin() + static_cast<long>(length)));
    cBitmap bitmap;
    const LoadRun run = LoadCapturing(bitmap, path);
    std::string expected;
    if (length < 14)
      expected = " Invalid bitmap header\n";
    else if (length < 14 + 40)
      expected = " Wrong bitmap type in ( Must be 256 colours non-compressed )\n";
    else if (length < headersAndPalette)
      expected = size + " Error reading palette\n";
    else if (length < imageSize)
      expected = size + "Could not read image data from file. Error during seek\n";
    else
      expected = size + "Loaded bitmap ok!\n";
    EXPECT_EQ(run.output, LoadingLine(path) + expected) << "cut at " << length;
    EXPECT_EQ(run.loaded, bitmap.IsLoaded()) << "cut at " << length;
  }
}

TEST(BitmapLoadTest, FileIsClosedAfterSuccessAndFailure) {
  TempDir dir;
  const std::string good = dir / "good.bmp";
  const std::string bad = dir / "bad.bmp";
  WriteBmp(good, SmallImage());
  WriteBmp(bad, SmallImage(), Fields32({{kBmpImageSize, 37}}));
  const int before = OpenFileCount();
  for (const std::string& path : {good, bad}) {
    cBitmap bitmap;
    LoadCapturing(bitmap, path);
    EXPECT_EQ(OpenFileCount(), before) << path;
  }
}

// ---------------------------------------------------------------------------
// The same picture, however it is stored, loads to the same pixels.

TEST(BitmapLoadTest, LayoutVariantsLoadTheSamePicture) {
  const BmpImage image = SmallImage();
  const auto expected = Expected(image);
  TempDir dir;
  const std::string path = dir / "variant.bmp";
  for (uint32_t infoSize : {40u, 108u, 124u}) {
    for (size_t trailing : {size_t{0}, size_t{1}, size_t{7}, size_t{3000}}) {
      for (bool topDown : {false, true}) {
        BmpOptions options;
        options.infoHeaderSize = infoSize;
        options.trailingBytes = trailing;
        options.topDown = topDown;
        WriteBmp(path, image, options);
        cBitmap bitmap;
        const LoadRun run = LoadCapturing(bitmap, path);
        const std::string name = "info " + std::to_string(infoSize) + ", trailing " +
                                 std::to_string(trailing) + (topDown ? ", top-down" : "");
        ASSERT_TRUE(run.loaded) << name << "\n" << run.output;
        EXPECT_EQ(run.output, LoadingLine(path) + kSize + "Loaded bitmap ok!\n") << name;
        EXPECT_EQ(bitmap.GetWidth(), 10) << name;
        EXPECT_EQ(bitmap.GetHeight(), 3) << name;
        EXPECT_EQ(Contents(bitmap), expected) << name;
      }
    }
  }
}

// Where the header's pixel data offset cannot be right, the pixel data is
// the last S bytes of the file.
TEST(BitmapLoadTest, UnusablePixelOffsetFallsBackToTheFileEnd) {
  const BmpImage image = SmallImage();
  const uint32_t pastPalette = 14 + 40 + 1024;
  struct Case {
    const char* name;
    uint32_t offset;
  };
  const Case cases[] = {
      {"zero", 0},
      {"inside the palette", pastPalette - 1},
      {"past the end", 0xFFFFFFFF},
      {"data would run past the end", pastPalette + 1},
  };
  TempDir dir;
  const std::string path = dir / "offset.bmp";
  for (const Case& c : cases) {
    WriteBmp(path, image, Fields32({{kBmpPixelOffset, c.offset}}));
    cBitmap bitmap;
    ASSERT_TRUE(LoadCapturing(bitmap, path).loaded) << c.name;
    EXPECT_EQ(Contents(bitmap), Expected(image)) << c.name;
  }
}

// A short palette (colours-used field set): 1024 bytes are still read as
// the palette, running into the pixel data; the entries that were written
// keep their colours, and the pixels are found at the header's offset, which
// the colours-used field allows, so trailing bytes do not shift them.
TEST(BitmapLoadTest, ShortPalette) {
  const std::vector<std::string> rows = {"0123456789abcdef", "fedcba9876543210"};
  std::vector<std::pair<char, uint8_t>> legend;
  for (int i = 0; i < 16; ++i) legend.push_back({"0123456789abcdef"[i], static_cast<uint8_t>(i)});
  BmpImage image = ImageFromRows(rows, legend, DistinctPalette());
  // Enough rows that the file holds 1024 bytes past the 16 entries.
  for (int copy = 0; copy < 40; ++copy) {
    image.indices.insert(image.indices.end(), image.indices.begin(), image.indices.begin() + 32);
  }
  image.height = static_cast<int>(image.indices.size() / 16);
  TempDir dir;
  const std::string path = dir / "short.bmp";
  for (size_t trailing : {size_t{0}, size_t{5}}) {
    BmpOptions options;
    options.paletteEntries = 16;
    options.trailingBytes = trailing;
    WriteBmp(path, image, options);
    cBitmap bitmap;
    const LoadRun run = LoadCapturing(bitmap, path);
    ASSERT_TRUE(run.loaded) << run.output;
    EXPECT_EQ(Contents(bitmap), Expected(image)) << "trailing " << trailing;
  }
}

// A file that ends before 1024 palette bytes but holds the entries its
// colours-used field names gets those entries, the rest black; one that
// ends before them fails.
TEST(BitmapLoadTest, ShortPaletteInAShortFile) {
  BmpOptions options;
  options.paletteEntries = 16;  // 14 + 40 + 64 + 36 bytes: less than a whole palette
  TempDir dir;
  const std::string path = dir / "short.bmp";
  BmpImage image = SmallImage();
  for (uint8_t& index : image.indices) index %= 16;
  WriteBmp(path, image, options);
  cBitmap bitmap;
  const LoadRun run = LoadCapturing(bitmap, path);
  ASSERT_TRUE(run.loaded) << run.output;
  EXPECT_EQ(Contents(bitmap), Expected(image));
  const cPixel unwritten = bitmap.GetPaletteEntry(16);
  EXPECT_EQ(unwritten.red | unwritten.green | unwritten.blue, 0);

  // Cut inside the 16 entries, the file fails as it always did.
  for (size_t cut : {size_t{14 + 40 + 63}, size_t{14 + 40}}) {
    options.truncateAt = cut;
    WriteBmp(path, image, options);
    cBitmap shortFile;
    EXPECT_EQ(LoadCapturing(shortFile, path).output,
              LoadingLine(path) + kSize + " Error reading palette\n")
        << cut;
  }
}


// Rows need not be padded to four bytes: the pad comes from S and the height.
TEST(BitmapLoadTest, PadIsWorkedOutFromImageSize) {
  const BmpImage image = SmallImage();
  const Bytes standard = EncodeBmp(image);
  const size_t pixelStart = 14 + 40 + 1024;
  for (int rowLength : {10, 11, 16}) {
    Bytes file(standard.begin(), standard.begin() + pixelStart);
    for (int fileRow = 0; fileRow < image.height; ++fileRow) {
      const int y = image.height - 1 - fileRow;
      for (int x = 0; x < rowLength; ++x) {
        file.push_back(x < image.width ? image.indices[static_cast<size_t>(y) * image.width + x]
                                       : 0xEE);
      }
    }
    const uint32_t imageSize = static_cast<uint32_t>(rowLength * image.height);
    for (int i = 0; i < 4; ++i)
      file[kBmpImageSize + i] = static_cast<uint8_t>(imageSize >> (8 * i));
    TempDir dir;
    WriteFile(dir / "pad.bmp", file);
    cBitmap bitmap;
    ASSERT_TRUE(LoadCapturing(bitmap, dir / "pad.bmp").loaded) << rowLength;
    EXPECT_EQ(Contents(bitmap), Expected(image)) << rowLength;
  }
}

TEST(BitmapLoadTest, SizesFromTheFormat) {
  struct Case {
    int width, height;
  };
  const Case cases[] = {{1, 1}, {10, 2}, {8, 3}, {256, 192}, {3, 1000}};
  TempDir dir;
  const std::string path = dir / "size.bmp";
  for (const Case& c : cases) {
    BmpImage image;
    image.width = c.width;
    image.height = c.height;
    image.palette = DistinctPalette();
    for (int i = 0; i < c.width * c.height; ++i)
      image.indices.push_back(static_cast<uint8_t>(i * 31 + i / 7));
    for (bool topDown : {false, true}) {
      BmpOptions options;
      options.topDown = topDown;
      WriteBmp(path, image, options);
      cBitmap bitmap;
      const LoadRun run = LoadCapturing(bitmap, path);
      ASSERT_TRUE(run.loaded) << c.width << "x" << c.height;
      EXPECT_EQ(run.output, LoadingLine(path) + " Bitmap image is " + std::to_string(c.width) +
                                "x" + std::to_string(c.height) + "\nLoaded bitmap ok!\n");
      EXPECT_EQ(Contents(bitmap), Expected(image)) << c.width << "x" << c.height;
    }
  }
}

// ---------------------------------------------------------------------------
// Pixel reads.

class BitmapPixelTest : public testing::Test {
 protected:
  void SetUp() override {
    WriteBmp(dir_ / "small.bmp", SmallImage());
    ASSERT_TRUE(LoadCapturing(bitmap_, dir_ / "small.bmp").loaded);
  }

  std::string Captured(const std::function<void()>& read) {
    testing::internal::CaptureStdout();
    read();
    fflush(stdout);
    return testing::internal::GetCapturedStdout();
  }

  TempDir dir_;
  cBitmap bitmap_;
};

TEST_F(BitmapPixelTest, CornersAndPalette) {
  const cPixel topLeft = bitmap_.GetPixel(0, 0);  // '0' -> index 1
  EXPECT_EQ(topLeft.index, 1);
  EXPECT_EQ(topLeft.red, 1);
  EXPECT_EQ(topLeft.green, 254);
  EXPECT_EQ(topLeft.blue, 7);
  const cPixel bottomRight = bitmap_.GetPixel(9, 2);  // '0' again
  EXPECT_EQ(bottomRight.index, 1);
  EXPECT_EQ(bitmap_.GetPixelIndex(0, 1), 200);  // 'a'
  EXPECT_EQ(bitmap_.GetPixelIndex(9, 1), 209);  // 'j'
  const cPixel entry = bitmap_.GetPaletteEntry(255);
  EXPECT_EQ(entry.index, 255);
  EXPECT_EQ(entry.red, 255);
  EXPECT_EQ(entry.green, 0);
  EXPECT_EQ(entry.blue, static_cast<uint8_t>(255 * 7));
}

TEST_F(BitmapPixelTest, OutsideTheImage) {
  struct Point {
    int x, y;
  };
  const Point outside[] = {
      {10, 0},     {0, 3}, {-1, 0}, {0, -1}, {10, 3}, {INT_MIN, INT_MIN}, {INT_MAX, INT_MAX},
      {INT_MAX, 0}};
  for (const Point& p : outside) {
    cPixel pixel;
    pixel.index = pixel.red = pixel.green = pixel.blue = 99;
    EXPECT_EQ(Captured([&] { pixel = bitmap_.GetPixel(p.x, p.y); }),
              " Trying to grab pixel from outside image!\n")
        << p.x << "," << p.y;
    EXPECT_EQ(pixel.index, 0);
    EXPECT_EQ(pixel.red, 0);
    EXPECT_EQ(pixel.green, 0);
    EXPECT_EQ(pixel.blue, 0);  // not palette entry 0 (red 0, green 255, blue 0)
    int index = 99;
    EXPECT_EQ(Captured([&] { index = bitmap_.GetPixelIndex(p.x, p.y); }),
              " Trying to grab pixel index from outside image!\n")
        << p.x << "," << p.y;
    EXPECT_EQ(index, 0);
  }
}

TEST(BitmapUnloadedTest, PixelReadsReportTheUnloadedImage) {
  auto expectUnloaded = [](const cBitmap& bitmap, const char* name) {
    testing::internal::CaptureStdout();
    const cPixel pixel = bitmap.GetPixel(0, 0);
    const int index = bitmap.GetPixelIndex(0, 0);
    fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              " Trying to grab a pixel from an unloaded image!\n"
              " Trying to grab a pixel index from an unloaded image!\n")
        << name;
    EXPECT_EQ(pixel.index | pixel.red | pixel.green | pixel.blue, 0) << name;
    EXPECT_EQ(index, 0) << name;
  };
  cBitmap fresh;
  expectUnloaded(fresh, "never loaded");

  TempDir dir;
  WriteBmp(dir / "bad.bmp", SmallImage(), Fields32({{kBmpImageSize, 27}}));
  cBitmap failed;
  LoadCapturing(failed, dir / "bad.bmp");
  expectUnloaded(failed, "failed load");

  WriteBmp(dir / "good.bmp", SmallImage());
  cBitmap freed;
  ASSERT_TRUE(LoadCapturing(freed, dir / "good.bmp").loaded);
  freed.Free();
  expectUnloaded(freed, "freed");
}

// ---------------------------------------------------------------------------
// Pixel colour tests.

cPixel Colour(uint8_t red, uint8_t green, uint8_t blue, uint8_t index = 0) {
  cPixel pixel;
  pixel.index = index;
  pixel.red = red;
  pixel.green = green;
  pixel.blue = blue;
  return pixel;
}

TEST(PixelTest, IsMaskColour) {
  struct Case {
    cPixel pixel;
    bool mask;
  };
  const Case cases[] = {
      {Colour(255, 0, 255), true},      {Colour(255, 0, 255, 17), true},  // the index plays no part
      {Colour(255, 0, 255, 255), true}, {cPixel(), false},
      {Colour(255, 1, 255), false},     {Colour(254, 0, 255), false},
      {Colour(255, 0, 254), false},     {Colour(255, 255, 255), false},
      {Colour(0, 0, 0, 255), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.pixel.IsMaskColour(), c.mask)
        << int(c.pixel.red) << "," << int(c.pixel.green) << "," << int(c.pixel.blue);
  }
}

TEST(PixelTest, BrightnessExactValues) {
  struct Case {
    cPixel pixel;
    float brightness;
  };
  const Case cases[] = {
      {Colour(0, 0, 0), 0.0f},     {Colour(255, 255, 255), 1.0f},
      {Colour(170, 0, 255), 0.5f},                               // 0.3 x 255 + 0.3 x 170 = 127.5
      {Colour(0, 150, 225), 0.5f}, {Colour(255, 0, 255), 0.6f},  // the mask colour
      {Colour(255, 0, 0), 0.3f},   {Colour(0, 255, 0), 0.4f},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.pixel.GetBrightness(), c.brightness)
        << int(c.pixel.red) << "," << int(c.pixel.green) << "," << int(c.pixel.blue);
  }
}

TEST(PixelTest, GreysEitherSideOfHalf) {
  EXPECT_LT(Colour(127, 127, 127).GetBrightness(), 0.5f);
  EXPECT_GE(Colour(128, 128, 128).GetBrightness(), 0.5f);
  // Every grey is darker than the next one.
  for (int v = 0; v < 255; ++v) {
    const uint8_t g = static_cast<uint8_t>(v);
    const uint8_t next = static_cast<uint8_t>(v + 1);
    EXPECT_LT(Colour(g, g, g).GetBrightness(), Colour(next, next, next).GetBrightness()) << v;
  }
}

}  // namespace
