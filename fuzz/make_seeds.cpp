// kestrip-fuzz-seeds FOLDER: writes the generated seed corpora of the BMP,
// stream and picture fuzzers, FOLDER/bmp, FOLDER/streams and
// FOLDER/pictures. (The script fuzzer's seeds are the scripts in
// fuzz/seeds/script.)
#include <cstdio>
#include <string>
#include <vector>

#include "bmp_file.h"
#include "canvas.h"
#include "collections.h"
#include "palettes.h"
#include "png_file.h"
#include "scenes.h"

namespace {

using imagegen::GeneratedFile;

std::vector<GeneratedFile> BmpSeeds() {
  std::vector<GeneratedFile> seeds;
  // The script fuzzer's images: one per data type, and the broken ones.
  for (const GeneratedFile& file : imagegen::ScriptFuzzFolder()) {
    if (file.name.size() > 4 && file.name.compare(file.name.size() - 4, 4, ".bmp") == 0)
      seeds.push_back({"bmp/" + file.name, file.bytes});
  }
  // Layouts the loader must handle: a longer information header, a short
  // palette, bytes after the pixels, rows top first, and lying fields.
  imagegen::Random random(5);
  const BmpImage sprite =
      imagegen::Creature(16, 8, true, random).ToImage(imagegen::DisplayPalette());
  const BmpImage odd = imagegen::Landscape(10, 3, random).ToImage(imagegen::DisplayPalette());
  struct Variant {
    const char* name;
    const BmpImage* image;
    BmpOptions options;
  };
  std::vector<Variant> variants(8);
  variants[0] = {"bmp/info108.bmp", &sprite, {}};
  variants[0].options.infoHeaderSize = 108;
  variants[1] = {"bmp/palette16.bmp", &sprite, {}};
  variants[1].options.paletteEntries = 16;
  variants[2] = {"bmp/trailing.bmp", &odd, {}};
  variants[2].options.trailingBytes = 5;
  variants[3] = {"bmp/topdown.bmp", &odd, {}};
  variants[3].options.topDown = true;
  variants[4] = {"bmp/size0.bmp", &odd, {}};
  variants[4].options.fields32 = {{kBmpImageSize, 0}};
  variants[5] = {"bmp/size27.bmp", &odd, {}};
  variants[5].options.fields32 = {{kBmpImageSize, 27}};
  variants[6] = {"bmp/negativewidth.bmp", &odd, {}};
  variants[6].options.fields32 = {{kBmpWidth, 0xFFFFFFF6u}};
  variants[7] = {"bmp/hugeheight.bmp", &odd, {}};
  variants[7].options.fields32 = {{kBmpHeight, 0x7FFFFFFFu}};
  for (const Variant& variant : variants)
    seeds.push_back({variant.name, EncodeBmp(*variant.image, variant.options)});
  return seeds;
}

// One small picture in every form the loader reads: BMP of every depth,
// compression and header, PNG of every colour type and depth.
std::vector<GeneratedFile> PictureSeeds() {
  imagegen::Random random(7);
  BmpImage picture = imagegen::Creature(16, 8, true, random).ToImage(imagegen::DisplayPalette());
  picture.paletteAlpha.assign(256, 255);
  picture.paletteAlpha[imagegen::kMaskIndex] = 0;
  picture.paletteAlpha[imagegen::kFirstGrey] = 128;
  BmpImage sixteen = picture;
  for (uint8_t& index : sixteen.indices) index &= 15;
  std::vector<GeneratedFile> seeds;
  struct BmpForm {
    const char* name;
    int bits;
    uint32_t header;
    bool runLength, bitFields, topDown;
  };
  const BmpForm bmpForms[] = {
      {"1bit", 1, 40, false, false, false},         {"4bit-core", 4, 12, false, false, false},
      {"8bit-core", 8, 12, false, false, false},    {"8bit-v5", 8, 124, false, false, true},
      {"rle8", 8, 40, true, false, false},          {"rle4", 4, 108, true, false, true},
      {"16bit", 16, 40, false, false, false},       {"16bit-fields", 16, 56, false, true, false},
      {"24bit", 24, 40, false, false, true},        {"32bit", 32, 40, false, false, false},
      {"32bit-fields", 32, 40, false, true, false}, {"32bit-alpha", 32, 124, false, true, false},
  };
  for (const BmpForm& form : bmpForms) {
    BmpOptions options;
    options.bitsPerPixel = form.bits;
    options.infoHeaderSize = form.header;
    options.runLength = form.runLength;
    options.runLengthDeltas = form.runLength;
    options.bitFields = form.bitFields;
    options.topDown = form.topDown;
    seeds.push_back({std::string("pictures/") + form.name + ".bmp",
                     EncodeBmp(form.bits <= 4 ? sixteen : picture, options)});
  }
  struct PngForm {
    const char* name;
    PngColourType type;
    int depth;
    bool interlaced;
  };
  const PngForm pngForms[] = {
      {"palette1", kPngPalette, 1, false}, {"palette2", kPngPalette, 2, true},
      {"palette4", kPngPalette, 4, false}, {"palette8", kPngPalette, 8, true},
      {"grey1", kPngGrey, 1, false},       {"grey4", kPngGrey, 4, true},
      {"grey16", kPngGrey, 16, false},     {"greyalpha8", kPngGreyAlpha, 8, false},
      {"rgb8", kPngRgb, 8, true},          {"rgb16", kPngRgb, 16, false},
      {"rgba8", kPngRgba, 8, false},       {"rgba16", kPngRgba, 16, true},
  };
  for (const PngForm& form : pngForms) {
    PngOptions options;
    options.colourType = form.type;
    options.bitDepth = form.depth;
    options.interlaced = form.interlaced;
    if (form.type == kPngRgb) options.transparentEntry = imagegen::kMaskIndex;
    seeds.push_back({std::string("pictures/") + form.name + ".png",
                     EncodePng(form.depth <= 4 ? sixteen : picture, options)});
  }
  return seeds;
}

std::vector<GeneratedFile> StreamSeeds() {
  std::vector<GeneratedFile> seeds;
  seeds.push_back({"streams/empty", {}});
  seeds.push_back({"streams/one", {1}});
  for (size_t length : {126u, 127u, 252u, 253u, 254u, 255u}) {
    seeds.push_back({"streams/run" + std::to_string(length), std::vector<uint8_t>(length, 7)});
    std::vector<uint8_t> different(length);
    for (size_t i = 0; i < length; ++i) different[i] = static_cast<uint8_t>(i);
    seeds.push_back({"streams/literals" + std::to_string(length), different});
  }
  // Real item bytes: a picture's indices and some raw data.
  imagegen::Random random(9);
  seeds.push_back({"streams/picture", imagegen::Landscape(64, 48, random).indices()});
  seeds.push_back({"streams/raw", imagegen::RawTable(2000, random)});
  seeds.push_back({"streams/mask", imagegen::CockpitMask(64, random).indices()});
  return seeds;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: kestrip-fuzz-seeds FOLDER\n");
    return 2;
  }
  std::string error;
  if (!imagegen::WriteFiles(argv[1], BmpSeeds(), error) ||
      !imagegen::WriteFiles(argv[1], StreamSeeds(), error) ||
      !imagegen::WriteFiles(argv[1], PictureSeeds(), error)) {
    fprintf(stderr, "kestrip-fuzz-seeds: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
