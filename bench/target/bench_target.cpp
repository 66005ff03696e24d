// kestrip-bench-target: times the target routines (target/*.asm) on an
// emulated Z80 against an LDIR of the same bytes, on the items of a build
// of the benchmark corpus and on random data, and prints each routine's size.
//
//   kestrip-bench-target KESTRIP TARGET_FOLDER CORPUS_FOLDER ITEMS
//
// CORPUS_FOLDER is what `kestrip-imagegen corpus CORPUS_FOLDER ITEMS` wrote;
// the program builds itemsITEMS.kst there with KESTRIP. Every routine's
// output is checked against kestrip's own decoders. Exit status 0 when every
// goal is met, 1 when something fails to run or a routine's output is
// wrong, 2 when a goal is missed: a speed goal (on the corpus, and for the
// run-length unpackers on random data too) or a size goal, each routine its own.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "converters/fullscreenmask.h"
#include "target_streams.h"
#include "writers/decoders.h"
#include "writers/lz_stream.h"
#include "z80_harness.h"

namespace {

using target::Bytes;

// Each routine's goals are in its row: at most so many times an LDIR of
// its output (the unpackers) or under so many T-states per display byte
// written (the masks), on the corpus and on random data, and a size.
// Where things lie in the emulated memory.
constexpr int kCodeAddress = 0xF000;
constexpr int kStackAddress = 0x0100;  // the return address lies just below
constexpr int kStackRoom = 16;          // below it, what a routine may push
constexpr int kStreamAddress = 0x0100;
constexpr int kUnpackAddress = 0x8000;  // room for 28 KiB of output
constexpr int kScreenAddress = 0x4000;  // the display bitmap
constexpr int kScreenSize = 6144;
constexpr int kMaskStreamAddress = 0x8000;

// Random data: items of a title screen's size, and whole-screen masks.
constexpr int kRandomStreams = 8;
constexpr size_t kRandomItemSize = 6912;

enum class Use {
  kUnpack,  // HL = stream, DE = destination: writes the bytes the stream holds
  kMask,    // HL = stream, DE = display: draws the mask over it
};

struct Routine {
  const char* name;  // target/NAME.asm, entered at its label NAME
  Use use;
  int headerType;  // kUnpack: the items it takes (kMask takes the full-screen masks)
  // The stream of some bytes (of a mask's pairs), as kestrip writes it.
  Bytes (*encode)(const Bytes& bytes);
  // kestrip's own decoder of that stream: the bytes (the pairs) it holds.
  bool (*decode)(const uint8_t* stream, size_t size, std::vector<uint8_t>& out, size_t* consumed);
  double speedGoal;  // kUnpack: at most so many times an LDIR; kMask: under so many T-states a byte
  bool speedGoalOnRandom;  // the speed goal holds on random data too, not only on the corpus
  size_t sizeGoal;         // under so many bytes; 0 for the unrolled forms, which earn their size
};

// Every routine the benchmark times, with its goals: a new one is one row.
const Routine kRoutines[] = {
    {"kestrip_unpack_bytes", Use::kUnpack, 1, target::ByteStream, DecodeByteStream, 1.15, true, 64},
    {"kestrip_unpack_bytes_fast", Use::kUnpack, 1, target::ByteStream, DecodeByteStream, 1.15, true, 0},
    {"kestrip_unpack_words", Use::kUnpack, 2, target::WordStream, DecodeWordStream, 1.15, true, 64},
    {"kestrip_unpack_words_fast", Use::kUnpack, 2, target::WordStream, DecodeWordStream, 1.15, true, 0},
    {"kestrip_unpack_lz", Use::kUnpack, 3, target::LzStream, DecodeLzStream, 3.0, false, 128},
    {"kestrip_unpack_lz_fast", Use::kUnpack, 3, target::LzStream, DecodeLzStream, 3.0, false, 0},
    {"kestrip_apply_mask", Use::kMask, -1, target::MaskStream, DecodeMaskStream, 40.0, false, 64},
    {"kestrip_apply_mask_fast", Use::kMask, -1, target::MaskStream, DecodeMaskStream, 40.0, false, 0},
};

const char kMaskDataType[] = "full screen mask";

// One stream: the data type of the item it came from ("random" for random data).
struct Stream {
  std::string dataType;
  Bytes bytes;
};

// One routine's run on one stream, checked.
struct Sample {
  uint64_t outputBytes = 0;  // bytes written (a mask: display bytes of mask bytes other than FF)
  uint64_t tStates = 0;
  bool inPlace = false;
};

// The totals of one routine over a set of streams.
struct Tally {
  int streams = 0;
  int inPlace = 0;  // of them, unpacked in place
  uint64_t outputBytes = 0;
  uint64_t tStates = 0;
  uint64_t ldirTStates = 0;  // an LDIR of each stream's output bytes
  double worstRatio = 0;     // the highest T-states / LDIR of one stream
  double PerByte() const { return outputBytes ? double(tStates) / double(outputBytes) : 0; }
  double Ratio() const { return ldirTStates ? double(tStates) / double(ldirTStates) : 0; }

  void Add(const Sample& sample) {
    ++streams;
    inPlace += sample.inPlace;
    outputBytes += sample.outputBytes;
    tStates += sample.tStates;
    const uint64_t ldir = z80::LdirTStates(sample.outputBytes);
    ldirTStates += ldir;
    if (ldir > 0 && double(sample.tStates) / double(ldir) > worstRatio)
      worstRatio = double(sample.tStates) / double(ldir);
  }
};

uint64_t TouchedBytes(const Bytes& pairs) {
  uint64_t touched = 0;
  for (size_t pair = 0; pair < pairs.size() / 2; ++pair) touched += pairs[2 * pair] != 0xFF;
  return touched;
}

// Where a stream and the bytes it unpacks go: apart when both fit below
// the code, else in place as a program short of memory would lay them out
// (target_streams.h draws it): the output from the bottom, the stream at
// the top of a buffer of the item's size and the margin the routines' heads
// give for any item of that size.
struct Placement {
  int stream = 0;
  int output = 0;
  int room = 0;  // the bytes from `output` on that the routine may write
  bool inPlace = false;
};

Placement Place(const Routine& routine, size_t streamSize, size_t outputSize) {
  if (routine.use == Use::kMask) return {kMaskStreamAddress, kScreenAddress, kScreenSize};
  if (streamSize <= static_cast<size_t>(kUnpackAddress - kStreamAddress) &&
      outputSize <= static_cast<size_t>(kCodeAddress - kUnpackAddress))
    return {kStreamAddress, kUnpackAddress, static_cast<int>(outputSize)};
  const int buffer =
      static_cast<int>(outputSize + target::InPlaceMarginBound(outputSize, routine.headerType));
  return {kStreamAddress + buffer - static_cast<int>(streamSize), kStreamAddress, buffer, true};
}

enum class Verdict { kRight, kWrong, kTooLarge };

// Runs the routine on one stream and checks what it left (the bytes
// kestrip's decoder finds, nothing written elsewhere, HL past the stream).
Verdict Measure(const Routine& routine, const z80::Assembly& code, const Bytes& stream,
                std::mt19937& random, Sample& sample) {
  Bytes decoded;
  size_t consumed = 0;
  if (!routine.decode(stream.data(), stream.size(), decoded, &consumed)) return Verdict::kWrong;
  const Placement place = Place(routine, stream.size(), decoded.size());
  if (place.output + place.room > kCodeAddress) return Verdict::kTooLarge;

  z80::Call call;
  call.entry = kCodeAddress;
  call.registers.sp = kStackAddress;
  call.loads = {{kCodeAddress, code.code}, {place.stream, stream}};
  Bytes expected = decoded;
  if (routine.use == Use::kMask) {
    Bytes screen(kScreenSize);
    for (uint8_t& byte : screen) byte = static_cast<uint8_t>(random());
    call.loads.push_back({kScreenAddress, screen});
    expected = target::ApplyMask(screen, decoded);
  }
  call.registers.hl = static_cast<uint16_t>(place.stream);
  call.registers.de = static_cast<uint16_t>(place.output);
  const z80::Outcome outcome = z80::Run(call);

  const auto start = outcome.memory.begin() + place.output;
  const Bytes written(start, start + static_cast<std::ptrdiff_t>(expected.size()));
  // A mask writes only bytes of its screen; in place, a routine writes over
  // the stream bytes it has read; a routine may push onto the stack.
  bool writesRight = true;
  for (int address : outcome.WrittenOutside(place.output, place.room))
    writesRight = writesRight && address >= kStackAddress - kStackRoom && address < kStackAddress;
  const bool right = outcome.returned && written == expected && writesRight &&
                     outcome.registers.hl == place.stream + static_cast<int>(stream.size());
  if (!right) { size_t k = 0; while (k < expected.size() && written[k] == expected[k]) ++k; fprintf(stderr, "DBG ret %d firstdiff %zu outside %zu hl %x want %x in %d n %zu s %zu\n", outcome.returned, k, outcome.WrittenOutside(place.output, place.room).size(), outcome.registers.hl, place.stream + (int)stream.size(), place.inPlace, decoded.size(), stream.size()); return Verdict::kWrong; }

  sample.outputBytes = routine.use == Use::kMask ? TouchedBytes(decoded) : decoded.size();
  sample.tStates = outcome.tStates;
  sample.inPlace = place.inPlace;
  return Verdict::kRight;
}

// The streams of the corpus build this routine takes.
std::vector<Stream> CorpusStreams(const Routine& routine,
                                  const std::vector<target::BuildItem>& items) {
  std::vector<Stream> streams;
  for (const target::BuildItem& item : items) {
    if (routine.use == Use::kUnpack) {
      if (item.type == routine.headerType) streams.push_back({item.dataType, item.data});
    } else if (item.dataType == kMaskDataType) {
      Bytes stream;
      if (target::DecodeItem(item, stream)) streams.push_back({item.dataType, stream});
    }
  }
  return streams;
}

// Random bytes (for a mask: random pairs of a whole screen), encoded.
std::vector<Stream> RandomStreams(const Routine& routine, std::mt19937& random) {
  std::vector<Stream> streams;
  for (int i = 0; i < kRandomStreams; ++i) {
    Bytes bytes(routine.use == Use::kMask ? 2 * kScreenSize : kRandomItemSize);
    for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random());
    streams.push_back({"random", routine.encode(bytes)});
  }
  return streams;
}

bool MeetsSpeedGoal(const Routine& routine, const Tally& tally) {
  if (routine.use == Use::kMask) return tally.PerByte() < routine.speedGoal;
  return tally.Ratio() <= routine.speedGoal;
}

void PrintTally(const std::string& set, const Tally& tally, const char* verdict) {
  printf("  %-18s %4d streams %8llu bytes  %6.2f T/byte  ratio %5.3f  worst %5.3f  %s\n",
         set.c_str(), tally.streams, static_cast<unsigned long long>(tally.outputBytes),
         tally.PerByte(), tally.Ratio(), tally.worstRatio, verdict);
}

std::string ReadFileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool BuildCorpus(const std::string& kestrip, const std::string& folder, const std::string& items,
                 std::vector<target::BuildItem>& built) {
  const std::string command = "cd '" + folder + "' && '" + kestrip + "' items" + items +
                              ".kst target.bin target.lst >target.log 2>&1";
  if (system(command.c_str()) != 0) {
    fprintf(stderr, "kestrip-bench-target: kestrip failed on the corpus (see %s/target.log)\n",
            folder.c_str());
    return false;
  }
  const std::string binary = ReadFileText(folder + "/target.bin");
  if (!target::ReadBuildItems(Bytes(binary.begin(), binary.end()),
                              ReadFileText(folder + "/target.lst"), built)) {
    fprintf(stderr, "kestrip-bench-target: the corpus build's items cannot be walked\n");
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    fprintf(stderr, "usage: kestrip-bench-target KESTRIP TARGET_FOLDER CORPUS_FOLDER ITEMS\n");
    return 1;
  }
  if (!z80::PasmoFound()) {
    fprintf(stderr, "kestrip-bench-target: pasmo is not installed\n");
    return 1;
  }
  std::vector<target::BuildItem> items;
  if (!BuildCorpus(argv[1], argv[3], argv[4], items)) return 1;
  printf("%zu items built from %s/items%s.kst\n", items.size(), argv[3], argv[4]);

  bool allMet = true;
  std::mt19937 random(2024);
  for (const Routine& routine : kRoutines) {
    const z80::Assembly code = z80::AssembleRoutine(std::string(argv[2]) + "/" + routine.name + ".asm");
    if (!code.ok || code.symbols.count(routine.name) == 0 || code.symbols.at(routine.name) != 0) {
      fprintf(stderr, "kestrip-bench-target: %s does not assemble to start at its label:\n%s\n",
              routine.name, code.messages.c_str());
      return 1;
    }
    const bool sizeMet = routine.sizeGoal == 0 || code.code.size() < routine.sizeGoal;
    allMet = allMet && sizeMet;
    printf("%s: %zu bytes%s\n", routine.name, code.code.size(),
           routine.sizeGoal == 0 ? "" : sizeMet ? ", size goal met" : ", SIZE GOAL MISSED");
    const std::vector<std::pair<const char*, std::vector<Stream>>> sets = {
        {"corpus", CorpusStreams(routine, items)}, {"random", RandomStreams(routine, random)}};
    for (const auto& set : sets) {
      const bool judged = &set == &sets.front() || routine.speedGoalOnRandom;
      Tally tally;
      std::map<std::string, Tally> byDataType;
      int tooLarge = 0;
      for (const Stream& stream : set.second) {
        Sample sample;
        const Verdict verdict = Measure(routine, code, stream.bytes, random, sample);
        if (verdict == Verdict::kWrong) {
          fprintf(stderr, "kestrip-bench-target: %s got a %s stream wrong\n", routine.name,
                  stream.dataType.c_str());
          return 1;
        }
        tooLarge += verdict == Verdict::kTooLarge;
        if (verdict != Verdict::kRight) continue;
        tally.Add(sample);
        byDataType[stream.dataType].Add(sample);
      }
      const bool met = MeetsSpeedGoal(routine, tally);
      allMet = allMet && (met || !judged);
      PrintTally(set.first, tally, !judged ? "" : met ? "goal met" : "GOAL MISSED");
      if (byDataType.size() > 1) {
        for (const auto& type : byDataType) PrintTally("  " + type.first, type.second, "");
      }
      if (tally.inPlace > 0) printf("    (%d of them unpacked in place)\n", tally.inPlace);
      if (tooLarge > 0)
        printf("    (%d streams too large to unpack in 64 KiB left out)\n", tooLarge);
    }
  }
  return allMet ? 0 : 2;
}
