#include "collections.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "bmp_file.h"
#include "formats/compression_modes.h"
#include "formats/data_types.h"
#include "canvas.h"
#include "palettes.h"
#include "scenes.h"

namespace imagegen {

namespace {

GeneratedFile Bmp(const std::string& name, const Canvas& canvas,
                  const std::vector<Rgb>& palette = DisplayPalette(),
                  const BmpOptions& options = {}) {
  return {name, EncodeBmp(canvas.ToImage(palette), options)};
}

GeneratedFile Text(const std::string& name, const std::string& text) {
  return {name, std::vector<uint8_t>(text.begin(), text.end())};
}

// Frame files of a line animation: <base>001.bmp, <base>002.bmp, ...
void AddFrames(std::vector<GeneratedFile>& files, const std::string& base,
               const std::vector<Canvas>& frames) {
  for (size_t i = 0; i < frames.size(); ++i) {
    char number[16];
    snprintf(number, sizeof number, "%03d", static_cast<int>(i + 1));
    files.push_back(Bmp(base + number + ".bmp", frames[i]));
  }
}

struct Size {
  int width, height;
  int frames;  // line animations only
};

template <size_t N>
Size Pick(const Size (&sizes)[N], int variant) {
  return sizes[static_cast<size_t>(variant) % N];
}

// Sizes per data type, largest first. Each gives an even item size (see
// MakeCorpusItem) and fits the 51200 bytes of an item.
const Size kRawSizes[] = {{6912, 0, 0}, {2048, 0, 0}, {512, 0, 0}, {128, 0, 0}};
const Size kMaskedSpriteSizes[] = {{64, 48, 0}, {32, 32, 0}, {24, 16, 0}, {16, 16, 0}};
const Size kUnmaskedSpriteSizes[] = {{256, 192, 0}, {128, 96, 0}, {32, 24, 0}, {16, 16, 0}};
const Size kThirdsSizes[] = {{256, 192, 0}, {256, 128, 0}, {256, 64, 0}};
const Size kTitleSizes[] = {{256, 192, 0}};
const Size kAnimationSizes[] = {{128, 64, 4}, {64, 48, 8}, {32, 32, 8}, {16, 16, 4}};
const Size kColourMapSizes[] = {{256, 192, 0}, {64, 48, 0}, {32, 48, 0}, {32, 16, 0}};
const Size kColourTileSizes[] = {{256, 192, 0}, {128, 96, 0}, {64, 64, 0}, {32, 32, 0}};
const Size kTileLevelSizes[] = {{256, 192, 0}, {128, 128, 0}, {64, 64, 0}};
const Size kGreySizes[] = {{256, 192, 0}, {128, 96, 0}, {64, 48, 0}, {32, 24, 0}};

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

bool WriteFiles(const std::string& folder, const std::vector<GeneratedFile>& files,
                std::string& error) {
  for (const GeneratedFile& file : files) {
    const std::filesystem::path path = std::filesystem::path(folder) / file.name;
    std::error_code ignored;
    std::filesystem::create_directories(path.parent_path(), ignored);
    FILE* out = fopen(path.c_str(), "wb");
    bool written = out != nullptr;
    if (out) {
      written = fwrite(file.bytes.data(), 1, file.bytes.size(), out) == file.bytes.size();
      written = fclose(out) == 0 && written;
    }
    if (!written) {
      error = "couldn't write " + path.string();
      return false;
    }
  }
  return true;
}

std::vector<GeneratedFile> ExampleImages() {
  std::vector<GeneratedFile> files;
  Random random(2024);
  files.push_back(Bmp("sprite.bmp", Creature(16, 16, true, random)));
  files.push_back(Bmp("ship.bmp", Creature(24, 16, false, random)));
  files.push_back(Bmp("logo.bmp", Landscape(256, 64, random)));
  files.push_back(Bmp("title.bmp", TitleScreen(random)));
  files.push_back(Bmp("window.bmp", CockpitMask(64, random)));
  AddFrames(files, "spin", PropellerFrames(16, 16, 4, random));
  files.push_back(Bmp("colours.bmp", ColourMap(32, 8, random)));
  files.push_back(Bmp("tiles.bmp", ColourTiles(32, 16, random)));
  files.push_back(Bmp("level.bmp", TileLevel(64, 32, random)));
  files.push_back(Bmp("face.bmp", GreyScene(32, 24, random), GreyscalePalette()));
  return files;
}

CorpusItem MakeCorpusItem(int number) {
  CorpusItem item;
  char tag[16];
  snprintf(tag, sizeof tag, "item%04d", number);
  item.tag = tag;
  const int types = static_cast<int>(kDataTypeCount);
  const DataTypeInfo& type = kDataTypes[number % types];
  item.dataType = type.word;
  item.compression = kCompressionModes[(number / types) % kCompressionModeCount].word;
  const int variant = number / (types * static_cast<int>(kCompressionModeCount));
  const std::string base = std::string("images/") + tag;
  Random random(static_cast<uint32_t>(number) * 2654435761u + 1u);

  // The item sizes, kept even for word compression: 2 bytes per masked
  // sprite group; W/8 * H with H even for unmasked sprites and animations;
  // 32 H for blocks; 6912 for the title; the mask stream by CockpitMask's
  // parity; W * H / 2 with W even for colour maps; 9 N and N + 8 U with an
  // even number N of cells; W * H with W even for greyscale.
  const std::string file = base + ".bmp";
  switch (type.id) {
    case DataTypeId::kRaw: {
      const Size size = Pick(kRawSizes, variant);
      item.inputs.push_back({base + ".bin", RawTable(size.width, random)});
      item.argument = Quoted(base + ".bin");
      return item;
    }
    case DataTypeId::kMaskedSprite: {
      const Size size = Pick(kMaskedSpriteSizes, variant);
      item.inputs.push_back(Bmp(file, Creature(size.width, size.height, true, random)));
      break;
    }
    case DataTypeId::kUnmaskedSprite: {
      const Size size = Pick(kUnmaskedSpriteSizes, variant);
      item.inputs.push_back(Bmp(file, Landscape(size.width, size.height, random)));
      break;
    }
    case DataTypeId::kGfxBlock: {
      const Size size = Pick(kThirdsSizes, variant);
      item.inputs.push_back(Bmp(file, Landscape(size.width, size.height, random)));
      break;
    }
    case DataTypeId::kTitleScreen: {
      (void)Pick(kTitleSizes, variant);
      item.inputs.push_back(Bmp(file, TitleScreen(random)));
      break;
    }
    case DataTypeId::kFullScreenMask: {
      const Size size = Pick(kThirdsSizes, variant);
      item.inputs.push_back(Bmp(file, CockpitMask(size.height, random)));
      break;
    }
    case DataTypeId::kLineAnim: {
      const Size size = Pick(kAnimationSizes, variant);
      AddFrames(item.inputs, base + "_",
                PropellerFrames(size.width, size.height, size.frames, random));
      item.argument = Quoted(base + "_");
      return item;
    }
    case DataTypeId::kColourBlock: {
      const Size size = Pick(kColourMapSizes, variant);
      item.inputs.push_back(Bmp(file, ColourMap(size.width, size.height, random)));
      break;
    }
    case DataTypeId::kColourTile: {
      const Size size = Pick(kColourTileSizes, variant);
      item.inputs.push_back(Bmp(file, ColourTiles(size.width, size.height, random)));
      break;
    }
    case DataTypeId::kTilePicture: {
      const Size size = Pick(kTileLevelSizes, variant);
      item.inputs.push_back(Bmp(file, TileLevel(size.width, size.height, random)));
      break;
    }
    case DataTypeId::kGreyscale: {
      const Size size = Pick(kGreySizes, variant);
      item.inputs.push_back(
          Bmp(file, GreyScene(size.width, size.height, random), GreyscalePalette()));
      break;
    }
  }
  item.argument = Quoted(file);
  return item;
}

namespace {

struct ScriptText {
  std::string script;
  std::string manifest;
};

ScriptText StartScript(const std::string& scriptName, int items) {
  ScriptText text;
  text.script = "# Benchmark corpus: " + std::to_string(items) +
                " items over every data type and compression word.\n"
                "org 32768\n\n";
  text.manifest = scriptName + "\n";
  return text;
}

void AddItem(ScriptText& text, const CorpusItem& item) {
  text.script +=
      item.tag + " " + item.compression + " " + item.dataType + " " + item.argument + "\n";
  for (const GeneratedFile& input : item.inputs) text.manifest += input.name + "\n";
}

}  // namespace

bool WriteBenchCorpus(const std::string& folder, int items, std::string& error) {
  if (items < 1) {
    error = "the corpus needs at least one item";
    return false;
  }
  const int smallItems = items < 10 ? items : 10;
  const std::string allName = "items" + std::to_string(items) + ".kst";
  const std::string smallName = "items" + std::to_string(smallItems) + ".kst";
  ScriptText all = StartScript(allName, items);
  ScriptText small = StartScript(smallName, smallItems);
  for (int number = 0; number < items; ++number) {
    const CorpusItem item = MakeCorpusItem(number);
    if (!WriteFiles(folder, item.inputs, error)) return false;
    AddItem(all, item);
    if (number < smallItems) AddItem(small, item);
  }
  const std::string allBase = "items" + std::to_string(items);
  const std::string smallBase = "items" + std::to_string(smallItems);
  return WriteFiles(folder,
                    {Text(allName, all.script), Text(allBase + ".manifest", all.manifest),
                     Text(smallName, small.script), Text(smallBase + ".manifest", small.manifest)},
                    error);
}

std::vector<GeneratedFile> ScriptFuzzFolder() {
  std::vector<GeneratedFile> files;
  Random random(77);
  files.push_back(Bmp("sprite.bmp", Creature(16, 16, true, random)));
  files.push_back(Bmp("screen.bmp", TitleScreen(random)));
  files.push_back(Bmp("block.bmp", Landscape(256, 64, random)));
  files.push_back(Bmp("mask.bmp", CockpitMask(64, random)));
  files.push_back(Bmp("colours.bmp", ColourMap(16, 8, random)));
  files.push_back(Bmp("tiles.bmp", ColourTiles(32, 16, random)));
  files.push_back(Bmp("level.bmp", TileLevel(32, 16, random)));
  files.push_back(Bmp("grey.bmp", GreyScene(12, 6, random), GreyscalePalette()));
  AddFrames(files, "walk", PropellerFrames(16, 8, 3, random));
  files.push_back(Bmp("odd.bmp", Landscape(13, 7, random)));
  BmpOptions topDown;
  topDown.topDown = true;
  files.push_back(Bmp("topdown.bmp", Creature(16, 8, false, random), DisplayPalette(), topDown));
  BmpOptions cut;
  cut.truncateAt = 1078 + 40;
  files.push_back(Bmp("short.bmp", Creature(16, 16, true, random), DisplayPalette(), cut));
  BmpOptions fourBits;
  fourBits.fields16 = {{kBmpBitsPerPixel, 4}};
  files.push_back(Bmp("badtype.bmp", Creature(8, 8, false, random), DisplayPalette(), fourBits));
  files.push_back(Text("notbmp.bmp", "this is not a picture\n"));
  files.push_back({"data.bin", RawTable(300, random)});
  files.push_back({"odd.bin", RawTable(7, random)});
  files.push_back({"empty.bin", {}});
  return files;
}

}  // namespace imagegen
