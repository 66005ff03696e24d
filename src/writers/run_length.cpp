#include "writers/run_length.h"

#include <algorithm>
#include <cstring>

#include "writers/eight_bytes.h"

namespace {

constexpr int kMaxCount = 126;  // units in one literal or run record
constexpr int kMinRun = 3;      // shorter repeats stay literals
constexpr uint8_t kRunFlag = 0x80;
constexpr uint8_t kTerminator = 0x00;

// The encoder on units of kUnit bytes; positions count units (one greedy
// pass: see the header for its rules).
template <int kUnit>
class Encoder {
 public:
  Encoder(const uint8_t* data, int unitCount, uint8_t* stream)
      : data_(data), count_(unitCount), start_(stream), out_(stream) {}

  int Encode() {
    int literals = 0;  // the first unit not written yet
    for (int run = NextRun(0); run < count_; run = NextRun(literals)) {
      const int length = RunLength(run);
      WriteLiterals(literals, run);
      *out_++ = static_cast<uint8_t>(kRunFlag + length);
      CopyUnits(run, 1);
      literals = run + length;
    }
    WriteLiterals(literals, count_);
    *out_++ = kTerminator;
    return static_cast<int>(out_ - start_);
  }

 private:
  // The first unit from p on that starts a run of kMinRun = 3 (count_ when
  // none): one that equals the next unit, which equals the one after. Eight
  // bytes of starts are tested at once, each word against the words one
  // and two units on; the last few units, which those would read past,
  // one by one.
  int NextRun(int p) const {
    const int lastWord = count_ - kUnitsPerWord - 2;  // the last unit a word starts at
    for (; p <= lastWord; p += kUnitsPerWord) {
      const uint64_t here = Word(p), next = Word(p + 1), after = Word(p + 2);
      const uint64_t starts = WholeUnits(ZeroBytes((here ^ next) | (next ^ after)));
      if (starts) return p + FirstFlag(starts) / kUnit;
    }
    for (; p + 2 < count_; ++p) {
      if (SameUnit(p, p + 1) && SameUnit(p + 1, p + 2)) return p;
    }
    return count_;
  }

  // The units alike from `run` on (the first kMinRun known alike), at most
  // kMaxCount: a word a step against the unit repeated, the run ending at
  // the first unit of a word that differs (a word may look past the cut,
  // never past the item); the item's last few units, which a word would
  // read past, one by one.
  int RunLength(int run) const {
    const int end = std::min(run + kMaxCount, count_);
    const int lastWord = count_ - kUnitsPerWord;  // the last unit a word starts at
    const uint64_t repeated = RepeatedUnit(run);
    int next = run + kMinRun;
    for (; next < end && next <= lastWord; next += kUnitsPerWord) {
      const uint64_t differing = AnyOfUnits(NonZeroBytes(Word(next) ^ repeated));
      if (differing) return std::min(next + FirstFlag(differing) / kUnit, end) - run;
    }
    while (next < end && SameUnit(next, run)) ++next;
    return std::min(next, end) - run;
  }

  static constexpr int kUnitsPerWord = 8 / kUnit;
  // The eight bytes from unit p on.
  uint64_t Word(int p) const { return LoadEight(data_ + p * kUnit); }
  // Unit p in each of a word's places.
  uint64_t RepeatedUnit(int p) const {
    if (kUnit == 1) return EveryByte(data_[p]);
    const uint64_t unit = data_[kUnit * p] | uint64_t{data_[kUnit * p + 1]} << 8;
    return unit * 0x0001000100010001ull;
  }
  // Flags of the units all (or any) of whose bytes are flagged, at each
  // unit's first byte.
  static uint64_t WholeUnits(uint64_t byteFlags) {
    if (kUnit == 1) return byteFlags;
    return byteFlags & byteFlags >> 8 & 0x0080008000800080ull;
  }
  static uint64_t AnyOfUnits(uint64_t byteFlags) {
    if (kUnit == 1) return byteFlags;
    return (byteFlags | byteFlags >> 8) & 0x0080008000800080ull;
  }

  bool SameUnit(int a, int b) const {
    if (kUnit == 1) return data_[a] == data_[b];
    return memcmp(data_ + a * kUnit, data_ + b * kUnit, kUnit) == 0;
  }

  void CopyUnits(int first, int count) {
    memcpy(out_, data_ + first * kUnit, static_cast<size_t>(count) * kUnit);
    out_ += count * kUnit;
  }

  // Units [first, end) as literal records of kMaxCount units but the last.
  void WriteLiterals(int first, int end) {
    while (first < end) {
      const int count = end - first < kMaxCount ? end - first : kMaxCount;
      *out_++ = static_cast<uint8_t>(count);
      CopyUnits(first, count);
      first += count;
    }
  }

  const uint8_t* const data_;
  const int count_;
  uint8_t* const start_;
  uint8_t* out_;  // the next stream byte
};

}  // namespace

int RunLengthStreamBound(int unitCount, int unitSize) {
  // Why nothing is longer: a stream with k literal records and j run records
  // over n units has 1 + k + n*u - sum(r - 1)*u + j bytes, and every run has
  // r >= 3, so each run record saves at least 2u - 1 >= 1 byte, enough for
  // the literal record it cuts off. The other literal records are the
  // 126-unit cuts and one at the end: at most ceil(n / 126) of them.
  if (unitCount <= 0) return 1;
  return unitCount * unitSize + (unitCount + kMaxCount - 1) / kMaxCount + 1;
}

int EncodeRunLength(const uint8_t* data, int unitCount, int unitSize, uint8_t* stream) {
  if (unitCount < 0) unitCount = 0;
  if (unitSize == 2) return Encoder<2>(data, unitCount, stream).Encode();
  return Encoder<1>(data, unitCount, stream).Encode();
}
