#include "writers/run_length.h"

#include <cstring>

namespace {

constexpr int kMaxCount = 126;  // units in one literal or run record
constexpr int kMinRun = 3;      // shorter repeats stay literals
constexpr uint8_t kRunFlag = 0x80;
constexpr uint8_t kTerminator = 0x00;

// The encoder on units of kUnit bytes; p and literalStart count units
// (one greedy pass: see the header for its rules).
template <int kUnit>
class Encoder {
 public:
  Encoder(const uint8_t* data, uint8_t* stream) : data_(data), start_(stream), out_(stream) {}

  int Encode(int unitCount) {
    int p = 0;
    int literalStart = 0;
    while (p < unitCount) {
      // Step 1: the run at p, at most 126 units, never past the last one.
      const int end = p + kMaxCount < unitCount ? p + kMaxCount : unitCount;
      int run = 1;
      while (p + run < end && SameUnit(p + run, p)) ++run;

      if (run >= kMinRun) {  // step 2
        if (literalStart < p) WriteLiterals(literalStart, p);
        *out_++ = static_cast<uint8_t>(kRunFlag + run);
        CopyUnits(p, 1);
        p += run;
        literalStart = p;
      } else if (p - literalStart == kMaxCount) {  // step 3: p is examined again
        WriteLiterals(literalStart, p);
        literalStart = p;
      } else if (p == unitCount - 1) {  // step 4
        WriteLiterals(literalStart, unitCount);
        p = unitCount;
        literalStart = unitCount;
      } else {  // step 5
        p = SkipLiterals(p + 1, literalStart, unitCount);
      }
    }
    *out_++ = kTerminator;  // step 7
    return static_cast<int>(out_ - start_);
  }

 private:
  // Step 5 again and again, without the full run search: from p on, every
  // unit that starts no run of 3, is not the 126th pending literal and is
  // not the last unit joins the literals. Returns the first unit that needs
  // steps 1 to 4.
  int SkipLiterals(int p, int literalStart, int unitCount) const {
    while (p - literalStart < kMaxCount && p < unitCount - 1 &&
           !(p + 2 < unitCount && SameUnit(p + 1, p) && SameUnit(p + 2, p)))
      ++p;
    return p;
  }

  bool SameUnit(int a, int b) const {
    if (kUnit == 1) return data_[a] == data_[b];
    return memcmp(data_ + a * kUnit, data_ + b * kUnit, kUnit) == 0;
  }

  void CopyUnits(int first, int count) {
    memcpy(out_, data_ + first * kUnit, static_cast<size_t>(count) * kUnit);
    out_ += count * kUnit;
  }

  // A literal record of units [first, end), end - first being 1..126.
  void WriteLiterals(int first, int end) {
    *out_++ = static_cast<uint8_t>(end - first);
    CopyUnits(first, end - first);
  }

  const uint8_t* const data_;
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
  if (unitSize == 2) return Encoder<2>(data, stream).Encode(unitCount);
  return Encoder<1>(data, stream).Encode(unitCount);
}
