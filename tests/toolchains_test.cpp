// The outputs for other toolchains, read by the real tools: the listing in
// each symbol form assembled by the assembler that wants it, the C header
// compiled by SDCC for the Z80, the manifest parsed as JSON. Each tool's case
// is skipped with a note where the tool is missing (.ci/run installs them).
#include <gtest/gtest.h>
#include <unistd.h>

#include <map>
#include <sstream>
#include <string>

#include "formats/data_types.h"
#include "listing/listing.h"
#include "test_support.h"

namespace {

const std::string kExamples = std::string(KESTRIP_SOURCE_DIR) + "/examples";

// The bundled example built into `dir` with the given options; its symbols
// (name -> value) read back from the listing, in any form.
std::vector<std::pair<std::string, long>> BuildExample(const TempDir& dir,
                                                       std::vector<std::string> options) {
  options.insert(options.end(), {"demo.kst", dir / "demo.bin", dir / "demo.lst"});
  const RunResult run = RunKestrip(kExamples, options);
  EXPECT_EQ(run.status, 0) << run.output << run.errors;
  std::vector<std::pair<std::string, long>> symbols;
  std::istringstream listing(ReadText(dir / "demo.lst"));
  for (std::string line; std::getline(listing, line);) {
    std::string name, value;
    if (ParseSymbolLine(line, name, value)) symbols.emplace_back(name, std::stol(value));
  }
  return symbols;
}

bool Installed(const char* program) {
  if (access(program, X_OK) == 0) return true;
  std::cout << "note: " << program << " is not installed; its case is skipped\n";
  return false;
}

// The bytes of an Intel HEX file, from address 0.
Bytes FromIntelHex(const std::string& text) {
  Bytes bytes;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.size() < 11 || line[0] != ':') continue;
    const auto at = [&](size_t i) { return std::stoi(line.substr(i, 2), nullptr, 16); };
    const int count = at(1);
    const int address = at(3) << 8 | at(5);
    if (at(7) != 0) continue;  // not a data record
    if (bytes.size() < static_cast<size_t>(address + count)) bytes.resize(address + count);
    for (int i = 0; i < count; ++i) bytes[address + i] = static_cast<uint8_t>(at(9 + 2 * i));
  }
  return bytes;
}

struct Assembler {
  const char* name;
  const char* program;
  SymbolForm form;
  // The source's lines around the symbols: its start (include the listing,
  // then the binary) and how one 16-bit word is written.
  const char* start;
  const char* word;
  // Assembles prog.asm in the folder into its bytes, in prog.bin or prog.ihx.
  const char* commands;
  bool intelHex;
};

// A program that includes the listing in each assembler's form, the
// binary itself, and one word for every symbol: the assembled words must be
// the listing's values.
TEST(ToolchainsTest, EveryAssemblerTakesTheListingInItsForm) {
  const Assembler assemblers[] = {
      {"pasmo", "/usr/bin/pasmo", SymbolForm::kEqu,
       " org 0\n include \"demo.lst\"\n incbin \"demo.bin\"\n", " defw ",
       "pasmo --bin prog.asm prog.bin", false},
      {"z80asm", "/usr/bin/z80asm", SymbolForm::kColon,
       " include \"demo.lst\"\n incbin \"demo.bin\"\n", " defw ", "z80asm -i prog.asm -o prog.bin",
       false},
      {"GNU as, equ", "/usr/bin/z80-unknown-coff-as", SymbolForm::kEqu,
       " .include \"demo.lst\"\n .incbin \"demo.bin\"\n", " .word ",
       "z80-unknown-coff-as -o prog.o prog.asm && z80-unknown-coff-objcopy -O binary prog.o "
       "prog.bin",
       false},
      {"GNU as, colon", "/usr/bin/z80-unknown-coff-as", SymbolForm::kColon,
       " .include \"demo.lst\"\n .incbin \"demo.bin\"\n", " .word ",
       "z80-unknown-coff-as -o prog.o prog.asm && z80-unknown-coff-objcopy -O binary prog.o "
       "prog.bin",
       false},
      {"sdasz80, assign", "/usr/bin/sdasz80", SymbolForm::kAssign,
       " .area CODE (ABS)\n .include \"demo.lst\"\n .incbin \"demo.bin\"\n", " .dw ",
       "sdasz80 -o prog.rel prog.asm && sdldz80 -i prog.ihx prog.rel", true},
      {"sdasz80, global", "/usr/bin/sdasz80", SymbolForm::kGlobal,
       " .area CODE (ABS)\n .include \"demo.lst\"\n .incbin \"demo.bin\"\n", " .dw ",
       "sdasz80 -o prog.rel prog.asm && sdldz80 -i prog.ihx prog.rel", true},
  };
  for (const Assembler& assembler : assemblers) {
    SCOPED_TRACE(assembler.name);
    if (!Installed(assembler.program)) continue;
    TempDir dir;
    const auto symbols = BuildExample(dir, {"--symbols", SymbolFormWord(assembler.form)});
    ASSERT_GT(symbols.size(), 50u);
    std::string source = assembler.start;
    for (const auto& symbol : symbols) source += assembler.word + symbol.first + "\n";
    WriteFile(dir / "prog.asm", source);
    const RunResult run = RunProgram(dir.path(), "/bin/sh", {"-c", assembler.commands});
    ASSERT_EQ(run.status, 0) << run.output;
    const Bytes binary = ReadBytes(dir / "demo.bin");
    const Bytes assembled =
        assembler.intelHex ? FromIntelHex(ReadText(dir / "prog.ihx")) : ReadBytes(dir / "prog.bin");
    ASSERT_EQ(assembled.size(), binary.size() + 2 * symbols.size());
    EXPECT_TRUE(std::equal(binary.begin(), binary.end(), assembled.begin()));
    for (size_t i = 0; i < symbols.size(); ++i) {
      const size_t at = binary.size() + 2 * i;
      EXPECT_EQ(assembled[at] | assembled[at + 1] << 8, symbols[i].second & 0xFFFF)
          << symbols[i].first;
    }
  }
}

TEST(ToolchainsTest, SdccCompilesTheHeaderWithEveryDefine) {
  if (!Installed("/usr/bin/sdcc")) return;
  TempDir dir;
  const auto symbols = BuildExample(dir, {"--c-header", dir / "demo.h"});
  std::string source = "#include \"demo.h\"\nconst long symbols[] = {\n";
  for (const auto& symbol : symbols) source += "  " + symbol.first + ",\n";
  source += "  kestrip_total_bytes, kestrip_byte_limit, kestrip_bytes_free\n};\n";
  WriteFile(dir / "prog.c", source);
  const RunResult run = RunProgram(dir.path(), "/usr/bin/sdcc", {"-mz80", "-c", "prog.c"});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(ReadText(dir / "demo.h").find("#ifndef KESTRIP_DEMO_H\n#define KESTRIP_DEMO_H\n"),
            ReadText(dir / "demo.h").find("#ifndef"));
}

// The manifest parsed by Python's json module: its symbols are the
// listing's, in order, and each item's symbols after _address are those of
// its data type's row (the table and the converters agree).
TEST(ToolchainsTest, ManifestIsJsonThatAgreesWithTheListingAndTheTable) {
  if (!Installed("/usr/bin/python3")) return;
  TempDir dir;
  const auto symbols = BuildExample(dir, {"--manifest", dir / "demo.json"});
  WriteFile(dir / "read.py",
            "import json\n"
            "m = json.load(open('demo.json'))\n"
            "for item in m['items']:\n"
            "    print('item', item['tag'], item['data_type'], item['address'], item['size'],\n"
            "          item['compressed_size'], item['header_type'], item['id'],\n"
            "          ','.join(item['input_files']))\n"
            "    for name, value in item['symbols'].items():\n"
            "        print(name, value)\n"
            "print('total', m['total_bytes'], m['limit'], m['bytes_free'])\n");
  const RunResult run = RunProgram(dir.path(), "/usr/bin/python3", {"read.py"}, true);
  ASSERT_EQ(run.status, 0) << run.errors;
  std::istringstream lines(run.output);
  size_t next = 0;
  const DataTypeInfo* type = nullptr;
  std::vector<std::string> itemSymbols;
  const auto checkRow = [&] {
    if (!type) return;
    ASSERT_GE(itemSymbols.size(), 1u + SymbolCount(*type));
    for (int i = 0; i < SymbolCount(*type); ++i) EXPECT_EQ(itemSymbols[1 + i], type->symbols[i]);
  };
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    std::string first;
    words >> first;
    if (first == "item") {
      checkRow();
      std::string tag, word;
      words >> tag >> word;
      type = FindDataType(word.c_str());
      ASSERT_NE(type, nullptr) << word;
      itemSymbols.clear();
    } else if (first == "total") {
      EXPECT_EQ(line.substr(0, 6), "total ");
    } else {
      long value = 0;
      words >> value;
      ASSERT_LT(next, symbols.size());
      EXPECT_EQ(first, symbols[next].first);
      EXPECT_EQ(value, symbols[next].second);
      ++next;
      itemSymbols.push_back(first.substr(first.find('_') + 1));
    }
  }
  checkRow();
  EXPECT_EQ(next, symbols.size());
  EXPECT_NE(run.output.find("item logo gfxblock 32"), std::string::npos);
  EXPECT_NE(run.output.find("spin001.bmp,spin002.bmp"), std::string::npos) << run.output;
}

// A tag that is no plain symbol name stays allowed in the default listing,
// and fails the run with an output that cannot carry it.
TEST(ToolchainsTest, TagsAnOutputCannotCarryAreRefused) {
  const struct {
    std::vector<std::string> options;
    const char* output;
  } cases[] = {
      {{}, "Done\n"},
      {{"--symbols", "equ"}, "Done\n"},
      {{"--manifest", "m.json"}, "Done\n"},
      {{"--symbols", "colon"},
       "Tag 'my logo' is not a valid symbol name for --symbols colon\nFailed!\n"},
      {{"--symbols=assign"},
       "Tag 'my logo' is not a valid symbol name for --symbols assign\nFailed!\n"},
      {{"--c-header", "h.h"},
       "Tag 'my logo' is not a valid symbol name for the C header\nFailed!\n"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    WriteFile(dir / "s.kst", std::string("\"my logo\" compressnone raw \"s.kst\"\n"));
    std::vector<std::string> args = c.options;
    args.insert(args.end(), {"s.kst", "o.bin", "o.lst"});
    const RunResult run = RunKestrip(dir.path(), args);
    EXPECT_EQ(run.output, c.output);
    EXPECT_FALSE(FileExists(dir / "h.h"));
  }
}

}  // namespace
