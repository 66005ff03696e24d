// Damaged and hostile picture files of every form: a clean refusal with one
// of the loader's messages, never a crash, and pictures too large for any
// item refused before their pixels are allocated.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <functional>
#include <string>
#include <vector>

#include "bitmap/bmp_decoder.h"
#include "pictures_support.h"

namespace {

// The last line of a failed load must be one of these, once.
const char* const kLoaderMessages[] = {
    " Invalid bitmap header\n",
    " Wrong bitmap type in ( Must be 256 colours non-compressed )\n",
    " Error reading palette\n",
    "Something wrong with the stride for this image\n",
    "Could not read image data from file. Error during seek\n",
    "Error reading image data from file\n",
    " Damaged PNG file ( ",
    " Bitmap image is too large ( at most 3276800 pixels: no item holds more )\n",
};

bool EndsWithOneLoaderMessage(const std::string& output) {
  const size_t lastLine = output.rfind('\n', output.size() - 2);
  const std::string last = output.substr(lastLine == std::string::npos ? 0 : lastLine + 1);
  for (const char* message : kLoaderMessages) {
    if (last.compare(0, strlen(message), message) == 0 &&
        output.find(message) == output.size() - last.size())
      return true;
  }
  return false;
}

std::vector<uint32_t> AllColours(const cBitmap& bitmap) {
  std::vector<uint32_t> colours;
  for (int y = 0; y < bitmap.GetHeight(); ++y) {
    for (int x = 0; x < bitmap.GetWidth(); ++x) {
      const cPixel pixel = bitmap.GetPixel(x, y);
      colours.push_back(static_cast<uint32_t>(pixel.index) << 24 | pixel.red << 16 |
                        pixel.green << 8 | pixel.blue);
    }
  }
  return colours;
}

BmpImage SmallDisplayPicture() {
  BmpImage image = RandomImage(13, 5, 21);
  image.palette = ExactDisplayPalette();
  for (uint8_t& index : image.indices) index %= 16;
  return image;
}

BmpOptions Form(int bits, uint32_t header, bool runLength, bool bitFields) {
  BmpOptions options;
  options.bitsPerPixel = bits;
  options.infoHeaderSize = header;
  options.runLength = runLength;
  options.runLengthDeltas = runLength;
  options.bitFields = bitFields;
  return options;
}

PngOptions PngForm(PngColourType type, int depth, bool interlaced) {
  PngOptions options;
  options.colourType = type;
  options.bitDepth = depth;
  options.interlaced = interlaced;
  return options;
}

// ---------------------------------------------------------------------------
// Every form cut at every length: a clean message, or, where only bytes that
// hold no pixel were cut (a last row's padding), the same picture.

TEST(PicturesDamagedTest, EveryFormCutAtEveryLength) {
  const BmpImage image = SmallDisplayPicture();
  BmpImage twoColours = image;
  for (uint8_t& index : twoColours.indices) index &= 1;
  struct Case {
    const char* name;
    Bytes file;
  };
  const Case cases[] = {
      {"BMP 1-bit", EncodeBmp(twoColours, Form(1, 40, false, false))},
      {"BMP 4-bit, 12-byte header", EncodeBmp(image, Form(4, 12, false, false))},
      {"BMP 8-bit, 12-byte header", EncodeBmp(image, Form(8, 12, false, false))},
      {"BMP RLE8", EncodeBmp(image, Form(8, 40, true, false))},
      {"BMP RLE4", EncodeBmp(image, Form(4, 124, true, false))},
      {"BMP 16-bit", EncodeBmp(image, Form(16, 40, false, false))},
      {"BMP 24-bit", EncodeBmp(image, Form(24, 40, false, false))},
      {"BMP 32-bit bit fields", EncodeBmp(image, Form(32, 40, false, true))},
      {"BMP 32-bit bit fields, alpha mask", EncodeBmp(image, Form(32, 56, false, true))},
      {"PNG palette 4-bit", EncodePng(image, PngForm(kPngPalette, 4, false))},
      {"PNG RGBA 16-bit, interlaced",
       EncodePng(WithTransparentMask(image), PngForm(kPngRgba, 16, true))},
      {"PNG grey 2-bit", EncodePng(image, PngForm(kPngGrey, 2, false))},
  };
  for (const Case& c : cases) {
    cBitmap whole;
    ASSERT_TRUE(DecodeCapturing(whole, c.file).loaded) << c.name;
    const std::vector<uint32_t> picture = AllColours(whole);
    for (size_t length = 0; length < c.file.size(); ++length) {
      cBitmap cut;
      const DecodeRun run = DecodeCapturing(cut, Bytes(c.file.begin(), c.file.begin() + length));
      if (run.loaded) {
        EXPECT_EQ(AllColours(cut), picture) << c.name << " cut at " << length;
      } else {
        EXPECT_TRUE(EndsWithOneLoaderMessage(run.output)) << c.name << " cut at " << length << ":\n"
                                                          << run.output;
      }
    }
  }
}

// ---------------------------------------------------------------------------
// Run-length streams, every escape: the indices they give (rows from the
// top, one hex digit per pixel) or their refusal.

struct StreamCase {
  const char* name;
  int bits;
  bool topDown;
  Bytes stream;
  std::vector<std::string> rows;  // empty: refused
};

TEST(PicturesDamagedTest, RunLengthStreams) {
  const StreamCase cases[] = {
      // RLE8, 4 x 2 pictures, the first stream row the bottom one
      {"runs and end of line", 8, false, {2, 5, 2, 6, 0, 0, 4, 7, 0, 1}, {"7777", "5566"}},
      {"unset pixels stay 0", 8, false, {1, 9, 0, 1}, {"0000", "9000"}},
      {"top-down", 8, true, {1, 9, 0, 1}, {"9000", "0000"}},
      {"delta right and up", 8, false, {0, 2, 2, 1, 1, 3, 0, 1}, {"0030", "0000"}},
      {"absolute run, odd, padded", 8, false, {0, 3, 1, 2, 3, 0, 1, 4, 0, 1}, {"0000", "1234"}},
      {"end of line after the last row",
       8,
       false,
       {4, 1, 0, 0, 4, 2, 0, 0, 0, 1},
       {"2222", "1111"}},
      {"delta to the last row's end", 8, false, {0, 2, 4, 1, 0, 1}, {"0000", "0000"}},
      {"run past the right edge", 8, false, {5, 1, 0, 1}, {}},
      {"run after the last row", 8, false, {0, 0, 0, 0, 1, 1, 0, 1}, {}},
      {"absolute run past the right edge", 8, false, {2, 1, 0, 3, 1, 2, 3, 0, 0, 1}, {}},
      {"delta past the right edge", 8, false, {0, 2, 5, 0, 0, 1}, {}},
      {"delta past the last row", 8, false, {0, 2, 0, 3, 0, 1}, {}},
      {"end of line past the last row", 8, false, {0, 0, 0, 0, 0, 0, 0, 1}, {}},
      {"no end of picture", 8, false, {4, 1, 0, 0, 4, 2}, {}},
      {"cut inside a pair", 8, false, {4}, {}},
      {"cut inside a delta", 8, false, {0, 2, 1}, {}},
      {"absolute run cut short", 8, false, {0, 4, 1, 2, 3}, {}},
      {"absolute run without its pad", 8, false, {0, 3, 1, 2, 3}, {}},
      {"empty", 8, false, {}, {}},
      // RLE4, 4 x 2
      {"alternating nibbles", 4, false, {3, 0xAB, 0, 1}, {"0000", "ABA0"}},
      {"absolute run of nibbles, padded", 4, false, {0, 3, 0x12, 0x30, 0, 1}, {"0000", "1230"}},
      {"absolute run of nibbles, one byte padded",
       4,
       false,
       {0, 0, 0, 4, 0xCD, 0xEF, 0, 1},
       {"CDEF", "0000"}},
      {"nibble run past the right edge", 4, false, {5, 0x11, 0, 1}, {}},
      {"nibble absolute run cut short", 4, false, {0, 4, 0xCD}, {}},
  };
  for (const StreamCase& c : cases) {
    DecodedPicture picture;
    picture.width = 4;
    picture.height = 2;
    ASSERT_TRUE(AllocatePixels(picture));
    const bool decoded =
        DecodeBmpRunLength(c.stream.data(), c.stream.size(), c.bits, c.topDown, picture);
    EXPECT_EQ(decoded, !c.rows.empty()) << c.name;
    if (!decoded || c.rows.empty()) continue;
    std::vector<std::string> rows;
    for (int y = 0; y < 2; ++y) {
      std::string row;
      for (int x = 0; x < 4; ++x) row += "0123456789ABCDEF"[picture.pixels[y * 4 + x] & 15];
      rows.push_back(row);
    }
    EXPECT_EQ(rows, c.rows) << c.name;
  }
}

// ---------------------------------------------------------------------------
// PNG chunks with bad lengths, checksums or types: damage to a critical chunk
// is refused; damage to an ancillary one (tRNS) costs at most that chunk.

struct Chunk {
  size_t offset;  // of its length field
  uint32_t length;
  std::string type;
};

uint32_t ReadBig32(const Bytes& bytes, size_t at) {
  return static_cast<uint32_t>(bytes[at]) << 24 | bytes[at + 1] << 16 | bytes[at + 2] << 8 |
         bytes[at + 3];
}

void PutBig32(Bytes& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

std::vector<Chunk> Chunks(const Bytes& png) {
  std::vector<Chunk> chunks;
  for (size_t at = 8; at + 12 <= png.size();) {
    const uint32_t length = ReadBig32(png, at);
    chunks.push_back({at, length, std::string(png.begin() + at + 4, png.begin() + at + 8)});
    at += 12 + length;
  }
  return chunks;
}

// Recomputes the checksum of the chunk at `chunk` after its data changed.
void FixChecksum(Bytes& png, const Chunk& chunk) {
  const uint32_t crc = static_cast<uint32_t>(
      crc32(0, png.data() + chunk.offset + 4, static_cast<uInt>(chunk.length + 4)));
  PutBig32(png, chunk.offset + 8 + chunk.length, crc);
}

TEST(PicturesDamagedTest, PngChunksWithBadLengthsChecksumsAndTypes) {
  const Bytes png =
      EncodePng(WithTransparentMask(SmallDisplayPicture()), PngForm(kPngPalette, 8, true));
  const std::vector<Chunk> chunks = Chunks(png);
  ASSERT_GE(chunks.size(), 5u);  // IHDR PLTE tRNS IDAT IEND
  const std::vector<std::pair<const char*, std::function<void(Bytes&, const Chunk&)>>> damages = {
      {"checksum", [](Bytes& b, const Chunk& c) { b[c.offset + 8 + c.length] ^= 0x40; }},
      {"length + 1", [](Bytes& b, const Chunk& c) { PutBig32(b, c.offset, c.length + 1); }},
      {"length - 1", [](Bytes& b, const Chunk& c) { PutBig32(b, c.offset, c.length - 1); }},
      {"length 2^31 - 1", [](Bytes& b, const Chunk& c) { PutBig32(b, c.offset, 0x7FFFFFFF); }},
      {"length 2^32 - 1", [](Bytes& b, const Chunk& c) { PutBig32(b, c.offset, 0xFFFFFFFF); }},
      {"type not a name", [](Bytes& b, const Chunk& c) { b[c.offset + 5] = '!'; }},
      {"data changed, checksum fixed",
       [](Bytes& b, const Chunk& c) {
         if (c.length == 0) return;
         b[c.offset + 8] ^= 0xFF;
         FixChecksum(b, c);
       }},
  };
  for (const Chunk& chunk : chunks) {
    const bool critical = chunk.type[0] >= 'A' && chunk.type[0] <= 'Z';
    for (const auto& damage : damages) {
      Bytes damaged = png;
      damage.second(damaged, chunk);
      if (damaged == png) continue;
      cBitmap bitmap;
      const DecodeRun run = DecodeCapturing(bitmap, damaged);
      const std::string where = chunk.type + ": " + damage.first;
      if (run.loaded) {
        // Only an ancillary chunk may be lost, or a palette entry's colour.
        EXPECT_TRUE(!critical || (chunk.type == "PLTE" && std::string(damage.first)[0] == 'd'))
            << where;
        AllColours(bitmap);
      } else {
        EXPECT_TRUE(EndsWithOneLoaderMessage(run.output)) << where << ":\n" << run.output;
      }
    }
  }
}

// ---------------------------------------------------------------------------
// Pictures larger than any item can use, and files larger than any usable
// picture.

// A PNG whose header claims `width` x `height`, over the pixels of a 1 x 1 one.
Bytes PngClaiming(uint32_t width, uint32_t height) {
  BmpImage pixel = FilledImage(1, 1, 0);
  Bytes png = EncodePng(pixel, PngForm(kPngRgb, 8, false));
  const Chunk header = Chunks(png)[0];
  PutBig32(png, header.offset + 8, width);
  PutBig32(png, header.offset + 12, height);
  FixChecksum(png, header);
  return png;
}

// A BMP of `bits` whose header claims `width` x `height`.
Bytes BmpClaiming(int bits, bool runLength, uint32_t width, uint32_t height) {
  BmpOptions options = Form(bits, 40, runLength, false);
  options.fields32 = {{kBmpWidth, width}, {kBmpHeight, height}};
  return EncodeBmp(FilledImage(1, 1, 0), options);
}

TEST(PicturesDamagedTest, PicturesLargerThanAnyItemAreRefusedBeforeAllocation) {
  const std::string tooLarge =
      " Bitmap image is too large ( at most 3276800 pixels: no item holds more )\n";
  struct Case {
    const char* name;
    Bytes file;
    std::string expected;  // after the size line
  };
  const Case cases[] = {
      {"RLE8 claiming 46340 x 46340", BmpClaiming(8, true, 46340, 46340), tooLarge},
      {"32-bit claiming 46340 x 46340", BmpClaiming(32, false, 46340, 46340), tooLarge},
      {"PNG claiming 46340 x 46340", PngClaiming(46340, 46340), tooLarge},
      {"PNG claiming 2^31 - 1 square", PngClaiming(0x7FFFFFFF, 0x7FFFFFFF), tooLarge},
      {"RLE8 of one pixel more than the limit", BmpClaiming(8, true, 1, 3276801), tooLarge},
      {"RLE8 at the limit", BmpClaiming(8, true, 1, 3276800), "Loaded bitmap ok!\n"},
      {"8-bit uncompressed of more than the limit", EncodeBmp(FilledImage(2048, 1601, 0)),
       tooLarge},
      {"RLE4 at the limit", BmpClaiming(4, true, 2, 1638400), "Loaded bitmap ok!\n"},
      // The 8-bit uncompressed form keeps its checks: its data must lie in the file.
      {"8-bit claiming 46340 x 46340", BmpClaiming(8, false, 46340, 46340),
       "Something wrong with the stride for this image\n"},
  };
  for (const Case& c : cases) {
    cBitmap bitmap;
    const DecodeRun run = DecodeCapturing(bitmap, c.file);
    EXPECT_EQ(run.output.substr(run.output.find('\n', 1) + 1), c.expected) << c.name;
  }
}

TEST(PicturesDamagedTest, FileLargerThanAnyUsablePictureIsNotRead) {
  TempDir dir;
  const std::string path = dir / "huge.bmp";
  WriteFile(path, EncodeBmp(FilledImage(8, 8, 0)));
  ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(kMaxPictureFileBytes) + 1), 0);
  const ConverterRun run = RunConverter(process_greyscale, Quoted(path));
  EXPECT_EQ(run.output, "Loading bitmap image '" + path +
                            "'\n Bitmap file is too large ( at most 33554432 bytes: no usable "
                            "picture needs more )\nprocess_greyscale couldn't open '" +
                            path + "'\n");

  // At the limit it is read (and its 8 x 8 picture found at the header's offset).
  ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(kMaxPictureFileBytes)), 0);
  EXPECT_TRUE(RunConverter(process_greyscale, Quoted(path)).result);

  // A folder is no picture file.
  EXPECT_EQ(RunConverter(process_greyscale, Quoted(dir.path())).output,
            "Loading bitmap image '" + dir.path() +
                "'\n Couldn't open/read BMP file\nprocess_greyscale couldn't open '" + dir.path() +
                "'\n");
}

// ---------------------------------------------------------------------------
// Kinds still not read.

TEST(PicturesDamagedTest, KindsNotReadKeepTheWrongTypeMessage) {
  const std::string wrongType = " Wrong bitmap type in ( Must be 256 colours non-compressed )\n";
  struct Case {
    const char* name;
    BmpOptions options;
  };
  auto with = [](BmpOptions options, std::vector<std::pair<size_t, uint16_t>> fields16,
                 std::vector<std::pair<size_t, uint32_t>> fields32) {
    options.fields16 = std::move(fields16);
    options.fields32 = std::move(fields32);
    return options;
  };
  const Case cases[] = {
      {"12-byte header, 16 bits", with(Form(8, 12, false, false), {{24, 16}}, {})},
      {"12-byte header, 2 bits", with(Form(8, 12, false, false), {{24, 2}}, {})},
      {"12-byte header, two planes", with(Form(8, 12, false, false), {{22, 2}}, {})},
      {"bit fields at 24 bits", with(Form(24, 40, false, false), {}, {{kBmpCompression, 3}})},
      {"RLE8 at 4 bits", with(Form(4, 40, true, false), {}, {{kBmpCompression, 1}})},
      {"RLE4 at 24 bits", with(Form(24, 40, false, false), {}, {{kBmpCompression, 2}})},
      {"RLE8 with two planes", with(Form(8, 40, true, false), {{kBmpPlanes, 2}}, {})},
      {"32 bits, compression 6", with(Form(32, 56, false, true), {}, {{kBmpCompression, 6}})},
  };
  for (const Case& c : cases) {
    cBitmap bitmap;
    const DecodeRun run = DecodeCapturing(bitmap, EncodeBmp(SmallDisplayPicture(), c.options));
    EXPECT_FALSE(run.loaded) << c.name;
    EXPECT_EQ(run.output, wrongType) << c.name;
  }
}

}  // namespace
