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
//
// Literals are not copied record by record: the search for the next run
// stores each word it looks at where a literal record begun at out_ would
// hold it, and the record's control byte goes in front once the run is
// found. Those stores run past the literals, but never past the bound: the
// records before unit `first` take at most first*u + first/126 bytes (a run
// record saves at least the byte of the literal record before it; the other
// literal records are 126-unit cuts), so unit q < n stored in a record begun
// there ends by byte (q + 1)*u + first/126 <= n*u + ceil(n/126), inside the
// bound. Whatever lies past a record is overwritten by the next one or left
// past the stream's end.
template <int kUnit>
class Encoder {
 public:
  Encoder(const uint8_t* data, int unitCount, uint8_t* stream)
      : data_(data), count_(unitCount), start_(stream), out_(stream) {}

  int Encode() {
    int first = 0;  // the first unit not written yet
    for (;;) {
      const int run = NextRun(first);
      const int literals = std::min(run - first, kMaxCount);
      // The units are in place already; with none, the control byte is
      // overwritten by what follows.
      *out_ = static_cast<uint8_t>(literals);
      out_ += (literals > 0) + literals * kUnit;
      first += literals;
      if (first < run) continue;  // cut at 126: more literals before the run
      if (run == count_) break;
      const int length = RunLength(run);
      *out_++ = static_cast<uint8_t>(kRunFlag + length);
      memcpy(out_, data_ + run * kUnit, kUnit);
      out_ += kUnit;
      first = run + length;
    }
    *out_++ = kTerminator;
    return static_cast<int>(out_ - start_);
  }

 private:
  // The first unit from `first` on that starts a run of kMinRun = 3 (count_
  // when none): one that equals the next unit, which equals the one after;
  // or, when none does among the first kMaxCount units, a unit past those,
  // where the literal record is cut. Eight bytes of starts are tested at
  // once, each word against the words one and two units on, and stored in
  // the literal record; the last few units, which those would read past,
  // are copied as they are and tested one by one.
  int NextRun(int first) {
    uint8_t* const literal = out_ + 1;
    const int words = std::min(first + kMaxCount, count_ - kUnitsPerWord - 1);
    int p = first;
    for (; p < words; p += kUnitsPerWord) {
      const uint64_t here = Word(p), next = Word(p + 1), after = Word(p + 2);
      StoreEight(here, literal + (p - first) * kUnit);
      const uint64_t starts = FirstZeroUnit((here ^ next) | (next ^ after));
      if (starts) return p + FirstFlag(starts) / kUnit;
    }
    if (p >= first + kMaxCount) return p;  // no run before the cut
    std::copy(data_ + p * kUnit, data_ + count_ * kUnit, literal + (p - first) * kUnit);
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
    const int words = std::min(end, count_ - kUnitsPerWord + 1);
    const uint64_t repeated = RepeatedUnit(run);
    int next = run + kMinRun;
    for (; next < words; next += kUnitsPerWord) {
      // The lowest bit set lies in the first unit that differs.
      const uint64_t differing = Word(next) ^ repeated;
      if (differing) return std::min(next + __builtin_ctzll(differing) / (8 * kUnit), end) - run;
    }
    while (next < end && SameUnit(next, run)) ++next;
    return std::min(next, end) - run;
  }

  static constexpr int kUnitsPerWord = 8 / kUnit;
  // The low and the top bit of each unit of a word.
  static constexpr uint64_t kUnitLowBits = kUnit == 1 ? kEveryLowBit : 0x0001000100010001ull;
  static constexpr uint64_t kUnitHighBits = kUnitLowBits << (8 * kUnit - 1);
  // The eight bytes from unit p on.
  uint64_t Word(int p) const { return LoadEight(data_ + p * kUnit); }
  // Unit p in each of a word's places.
  uint64_t RepeatedUnit(int p) const {
    uint64_t unit = data_[kUnit * p];
    if (kUnit == 2) unit |= uint64_t{data_[kUnit * p + 1]} << 8;
    return unit * kUnitLowBits;
  }
  // The flag (top bit) of the first unit of a word that is 0, and maybe
  // flags above it; none when no unit is 0. Subtracting 1 from each unit
  // sets a unit's top bit from 0 only when the unit is 0 or a borrow comes
  // from a 0 below it, so the lowest flag is exact.
  static uint64_t FirstZeroUnit(uint64_t units) {
    return (units - kUnitLowBits) & ~units & kUnitHighBits;
  }

  bool SameUnit(int a, int b) const {
    if (kUnit == 1) return data_[a] == data_[b];
    return memcmp(data_ + a * kUnit, data_ + b * kUnit, kUnit) == 0;
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
