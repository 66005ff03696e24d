#include "writers/run_length.h"

#include <cstring>

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
  // none). A run at q needs units q + 1 and q + 2 alike: where they differ,
  // neither q nor q + 1 starts one, so a literal stretch is read about once.
  int NextRun(int p) const {
    while (p + 2 < count_) {
      if (!SameUnit(p + 1, p + 2)) {
        p += 2;
      } else if (SameUnit(p, p + 1)) {
        return p;
      } else {
        ++p;
      }
    }
    return count_;
  }

  // The units alike from `run` on (the first kMinRun known alike), at most
  // kMaxCount: eight bytes a step against the unit repeated, then unit by
  // unit.
  int RunLength(int run) const {
    const int end = run + kMaxCount < count_ ? run + kMaxCount : count_;
    constexpr int kUnitsPerStep = 8 / kUnit;
    uint8_t repeated[8];
    for (int i = 0; i < 8; ++i) repeated[i] = data_[run * kUnit + i % kUnit];
    int next = run + kMinRun;
    while (next + kUnitsPerStep <= end && memcmp(data_ + next * kUnit, repeated, 8) == 0)
      next += kUnitsPerStep;
    while (next < end && SameUnit(next, run)) ++next;
    return next - run;
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
