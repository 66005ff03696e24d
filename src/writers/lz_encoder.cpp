// The LZ encoder: an optimal parse of the item for the format drawn in
// lz_stream.h.
//
// Every stream is a path through the item's positions 0..n, each token a
// step forward, and its cost is the sum of its tokens' costs. A token costs
// its bits, each worth kBitWorth, and the time the target's decoder spends
// on it (see "Costs" below). The parse keeps, for every position, the
// cheapest way found to arrive there in each of the format's two states: by
// a match (then a literal run or a new match may follow) and by a literal
// run (then a repeat or a new match may follow, and the run's repeat
// distance comes along). Positions are settled in order, so every arrival
// is final when its position is reached:
//
//   - a literal run to i from a match arrival at j costs
//     1 + gamma(i - j) + 8 (i - j) bits and a run's time. For each gamma
//     size class (lengths 2^k .. 2^(k+1) - 1) the cheapest j lies in a
//     sliding window, kept in a monotonic queue, so each position weighs
//     every run length exactly;
//   - matches from i: for each of the two cheapest distance classes
//     (1..256 and 257..768, whose high parts cost 1 and 3 bits) the longest
//     match at its nearest distance, every distance's length carried from
//     the position before; the longest previous factor when it lies further
//     back (found with a suffix array); and the repeat distance of the run
//     arrival. Each is tried at every length from 2 up to 64 and at its full
//     length, a class only past the lengths a cheaper one reaches: a
//     cheaper distance's match of the same length is never dearer, so these
//     are the distances worth trying.
//
// What the parse does not weigh: a dearer arrival whose repeat distance
// would pay later (the cheapest arrival of each state wins), and a farther
// distance than the nearest within its class for the same reason.
// Time and memory grow as n log n for the suffix array and as n for the
// rest; a 51200-byte item takes a small fraction of a second.
#include <algorithm>
#include <cstring>
#include <deque>
#include <new>
#include <vector>

#include "writers/bin_writer.h"
#include "writers/lz_stream.h"

namespace {

constexpr int kMinMatch = 2;
constexpr int kMaxDistance = 65280;     // the high part's gamma code stays under 256
constexpr int kTrackedDistances = 768;  // distances whose high part costs 1 or 3 bits
constexpr int kTrackedClasses = 2;      // of those two costs: 1..256, 257..768
constexpr int kAllLengthsUpTo = 64;     // past it, only a match's full length
constexpr int kRepeatCompareCap = 4096;
constexpr uint32_t kUnreached = 0xFFFFFFFFu;
constexpr int kTokenBit = 1;
constexpr uint32_t kEndHigh = 256;  // the terminator's high part

int GammaBits(uint32_t value) {
  int top = 31 - __builtin_clz(value);  // value >= 1
  return 2 * top + 1;
}

// A distance d is sent as gamma(high + 1) and a byte, high = (d - 1) / 256.
uint32_t HighPart(int distance) { return static_cast<uint32_t>((distance - 1) >> 8) + 1; }

constexpr int kTerminatorBits = kTokenBit + 2 * 8 + 1;  // gamma(256)

// ---------------------------------------------------------------------------
// Costs, in T-states of the target's decoder (target/kestrip_unpack_lz.asm).
//
// A token costs its bits, each worth kBitWorth T-states, and what the
// decoder spends on it beyond moving the item's bytes (21 T-states each,
// literal or copied, the same for every parse): about 35 for each bit of
// its codes and a fixed part for its kind. Without the time the parse
// would find the smallest stream; with it, of two streams the smaller wins
// unless it saves less than a bit for every kBitWorth T-states it adds,
// which is where a literal byte or two would do nearly as well as a match.
// On the benchmark corpus this makes the LZ streams 1.7% larger and their
// decoding 14% faster (noisy greyscale pictures, full of 2-byte matches,
// about a quarter faster), bringing it from 3.4 to 2.9 x an LDIR of the
// same bytes, under the decoder's goal of 3.
constexpr uint32_t kBitWorth = 110;
constexpr uint32_t kCodeBitTime = 35;
constexpr uint32_t kNewMatchTime = 110;  // the distance byte, the source, the copy
constexpr uint32_t kRepeatTime = 52;     // the source and the copy

uint32_t CodeCost(int bits) { return static_cast<uint32_t>(bits) * (kBitWorth + kCodeBitTime); }
// A literal run's codes are weighed without their time, so that no stream,
// nor any part of one after a match, has more bits than one literal run of
// the same bytes, which the parse weighs beside it: LzStreamBound and the
// target's in-place margin hold.
uint32_t RunCodeCost(int bits) { return static_cast<uint32_t>(bits) * kBitWorth; }
constexpr uint32_t kByteCost = 8 * kBitWorth;  // a literal or distance byte
uint32_t NewMatchCost(int distance) {
  return CodeCost(kTokenBit + GammaBits(HighPart(distance))) + kByteCost + kNewMatchTime;
}
constexpr uint32_t kRepeatCost = (kBitWorth + kCodeBitTime) * kTokenBit + kRepeatTime;

// ---------------------------------------------------------------------------
// Writing the stream.

class BitWriter {
 public:
  explicit BitWriter(uint8_t* stream) : start_(stream), out_(stream) {}

  void Bit(int bit) {
    if (used_ == 8) {
      bitByte_ = out_++;
      *bitByte_ = 0;
      used_ = 0;
    }
    if (bit) *bitByte_ = static_cast<uint8_t>(*bitByte_ | (0x80 >> used_));
    ++used_;
  }
  void Byte(uint8_t value) { *out_++ = value; }
  void Bytes(const uint8_t* bytes, int count) {
    memcpy(out_, bytes, static_cast<size_t>(count));
    out_ += count;
  }
  void Gamma(uint32_t value) {
    for (int bit = 30 - __builtin_clz(value); bit >= 0; --bit) {
      Bit(0);
      Bit((value >> bit) & 1);
    }
    Bit(1);
  }
  int Length() const { return static_cast<int>(out_ - start_); }

 private:
  uint8_t* const start_;
  uint8_t* out_;
  uint8_t* bitByte_ = nullptr;
  int used_ = 8;  // bits used in the current bit byte: none yet
};

struct Token {
  enum Kind { kLiterals, kRepeat, kNewMatch } kind;
  int start;  // first item byte the token makes
  int length;
  int distance;  // new matches
};

void WriteOffset(BitWriter& writer, int distance) {
  writer.Gamma(HighPart(distance));
  writer.Byte(static_cast<uint8_t>((0x10000 - distance) & 0xFF));  // -d lo
}

int WriteStream(const uint8_t* data, const std::vector<Token>& tokens, uint8_t* stream) {
  BitWriter writer(stream);
  for (const Token& token : tokens) {
    switch (token.kind) {
      case Token::kLiterals:
        writer.Bit(0);
        writer.Gamma(static_cast<uint32_t>(token.length));
        writer.Bytes(data + token.start, token.length);
        break;
      case Token::kRepeat:
        writer.Bit(0);
        writer.Gamma(static_cast<uint32_t>(token.length - 1));
        break;
      case Token::kNewMatch:
        writer.Bit(1);
        WriteOffset(writer, token.distance);
        writer.Gamma(static_cast<uint32_t>(token.length - 1));
        break;
    }
  }
  writer.Bit(1);  // the terminator: a new match whose high part is 256
  writer.Gamma(kEndHigh);
  return writer.Length();
}

// ---------------------------------------------------------------------------
// The longest previous factor of every position: its length and one earlier
// position where it starts. From the suffix array, the nearest suffixes in
// sorted order that start earlier (on either side) hold the longest one.

struct PreviousFactor {
  int length = 0;
  int position = 0;
};

std::vector<int> SuffixArray(const uint8_t* data, int n) {
  std::vector<int> order(static_cast<size_t>(n)), rank(static_cast<size_t>(n)),
      next(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    order[static_cast<size_t>(i)] = i;
    rank[static_cast<size_t>(i)] = data[i];
  }
  for (int step = 1;; step *= 2) {
    // Sorts by (rank of i, rank of i + step), the shorter suffix first.
    auto key2 = [&](int i) { return i + step < n ? rank[static_cast<size_t>(i + step)] : -1; };
    auto less = [&](int a, int b) {
      if (rank[static_cast<size_t>(a)] != rank[static_cast<size_t>(b)])
        return rank[static_cast<size_t>(a)] < rank[static_cast<size_t>(b)];
      return key2(a) < key2(b);
    };
    std::sort(order.begin(), order.end(), less);
    next[static_cast<size_t>(order[0])] = 0;
    for (int i = 1; i < n; ++i) {
      const int a = order[static_cast<size_t>(i - 1)], b = order[static_cast<size_t>(i)];
      next[static_cast<size_t>(b)] = next[static_cast<size_t>(a)] + (less(a, b) ? 1 : 0);
    }
    rank.swap(next);
    if (rank[static_cast<size_t>(order[static_cast<size_t>(n - 1)])] == n - 1 || step >= n) break;
  }
  return order;
}

// lcp[i] = common prefix of the suffixes order[i - 1] and order[i] (Kasai).
std::vector<int> CommonPrefixes(const uint8_t* data, int n, const std::vector<int>& order) {
  std::vector<int> rank(static_cast<size_t>(n)), lcp(static_cast<size_t>(n), 0);
  for (int i = 0; i < n; ++i) rank[static_cast<size_t>(order[static_cast<size_t>(i)])] = i;
  int h = 0;
  for (int p = 0; p < n; ++p) {
    const int r = rank[static_cast<size_t>(p)];
    if (r == 0) {
      h = 0;
      continue;
    }
    const int q = order[static_cast<size_t>(r - 1)];
    while (p + h < n && q + h < n && data[p + h] == data[q + h]) ++h;
    lcp[static_cast<size_t>(r)] = h;
    if (h > 0) --h;
  }
  return lcp;
}

std::vector<PreviousFactor> PreviousFactors(const uint8_t* data, int n) {
  std::vector<PreviousFactor> factors(static_cast<size_t>(n));
  if (n < 2) return factors;
  const std::vector<int> order = SuffixArray(data, n);
  const std::vector<int> lcp = CommonPrefixes(data, n, order);
  // One pass each way with a stack of suffixes in rising text position;
  // each entry carries the smallest lcp between it and the current suffix.
  struct Entry {
    int index;
    int common;
  };
  std::vector<Entry> stack;
  auto offer = [&](int suffix, const Entry& entry) {
    PreviousFactor& factor = factors[static_cast<size_t>(suffix)];
    const int earlier = order[static_cast<size_t>(entry.index)];
    if (entry.common > factor.length ||
        (entry.common == factor.length && earlier > factor.position)) {
      factor.length = entry.common;
      factor.position = earlier;
    }
  };
  auto sweep = [&](int first, int last, int direction) {
    stack.clear();
    for (int i = first; i != last; i += direction) {
      if (!stack.empty()) {
        const int between = lcp[static_cast<size_t>(direction > 0 ? i : i + 1)];
        stack.back().common = std::min(stack.back().common, between);
      }
      const int position = order[static_cast<size_t>(i)];
      while (!stack.empty() && order[static_cast<size_t>(stack.back().index)] > position) {
        const int common = stack.back().common;
        stack.pop_back();
        if (!stack.empty()) stack.back().common = std::min(stack.back().common, common);
      }
      if (!stack.empty()) offer(position, stack.back());
      stack.push_back({i, n});
    }
  };
  sweep(0, n, 1);
  sweep(n - 1, -1, -1);
  return factors;
}

// ---------------------------------------------------------------------------
// The parse.

struct MatchArrival {
  uint32_t cost = kUnreached;
  int distance = 1;  // of the match that arrived: the repeat distance after it
  int from = -1;
  bool viaRepeat = false;
  bool fromRun = false;  // the match followed a literal run
};

struct RunArrival {
  uint32_t cost = kUnreached;
  int distance = 1;  // the repeat distance the run carries
  int from = -1;
};

// The cheapest match arrival at j for every run length class, over a
// window that slides one position per step.
class RunWindows {
 public:
  explicit RunWindows(int n) {
    for (int width = 1; width <= n; width *= 2) windows_.emplace_back();
  }

  // Call for i = 1, 2, ... in order: admits j = i - 2^k to class k.
  uint32_t Cheapest(const std::vector<MatchArrival>& arrivals, int i, int& from) {
    int64_t best = -1;
    for (size_t k = 0; k < windows_.size(); ++k) {
      const int width = 1 << k;
      if (width > i) break;
      std::deque<int>& window = windows_[k];
      const int entering = i - width;
      if (arrivals[static_cast<size_t>(entering)].cost != kUnreached) {
        const int64_t value = Value(arrivals, entering);
        while (!window.empty() && Value(arrivals, window.back()) >= value) window.pop_back();
        window.push_back(entering);
      }
      while (!window.empty() && window.front() < i - 2 * width + 1) window.pop_front();
      if (window.empty()) continue;
      const int j = window.front();
      const int64_t cost = Value(arrivals, j) + kByteCost * static_cast<int64_t>(i) +
                           RunCodeCost(kTokenBit + 2 * static_cast<int>(k) + 1);
      if (best < 0 || cost < best) {
        best = cost;
        from = j;
      }
    }
    return best < 0 ? kUnreached : static_cast<uint32_t>(best);
  }

 private:
  static int64_t Value(const std::vector<MatchArrival>& arrivals, int j) {
    return static_cast<int64_t>(arrivals[static_cast<size_t>(j)].cost) -
           kByteCost * static_cast<int64_t>(j);
  }
  std::vector<std::deque<int>> windows_;
};

class Parser {
 public:
  Parser(const uint8_t* data, int n)
      : data_(data),
        n_(n),
        matches_(static_cast<size_t>(n) + 1),
        runs_(static_cast<size_t>(n) + 1),
        trackedLengths_(kTrackedDistances + 1, 0),
        factors_(PreviousFactors(data, n)) {}

  std::vector<Token> Parse() {
    matches_[0].cost = 0;  // the start: as after a match, repeat offset 1
    RunWindows windows(n_);
    for (int i = 0; i <= n_; ++i) {
      if (i > 0) {
        int from = 0;
        const uint32_t cost = windows.Cheapest(matches_, i, from);
        if (cost != kUnreached)
          runs_[static_cast<size_t>(i)] = {cost, matches_[static_cast<size_t>(from)].distance,
                                           from};
      }
      if (i < n_) OfferMatches(i);
    }
    return Tokens();
  }

 private:
  void OfferMatches(int i) {
    const MatchArrival& match = matches_[static_cast<size_t>(i)];
    const RunArrival& run = runs_[static_cast<size_t>(i)];
    const bool runCheaper = run.cost < match.cost;
    const uint32_t base = runCheaper ? run.cost : match.cost;

    Candidate nearest[kTrackedClasses];
    UpdateTrackedLengths(i, nearest);
    if (base != kUnreached) {
      // Each class's longest match, where it is longer than every cheaper
      // class's: the lengths a cheaper class reaches cost less there.
      int covered = kMinMatch - 1;
      for (const Candidate& candidate : nearest) {
        if (candidate.length <= covered) continue;
        Relax(i, covered + 1, candidate.length, base + NewMatchCost(candidate.distance),
              candidate.distance, false, runCheaper);
        covered = candidate.length;
      }
      const PreviousFactor& factor = factors_[static_cast<size_t>(i)];
      const int distance = i - factor.position;
      if (factor.length > covered && distance > kTrackedDistances && distance <= kMaxDistance)
        Relax(i, covered + 1, factor.length, base + NewMatchCost(distance), distance, false,
              runCheaper);
    }
    if (run.cost != kUnreached && run.distance <= i) {
      const int length = RepeatLength(i, run.distance);
      if (length >= kMinMatch)
        Relax(i, kMinMatch, length, run.cost + kRepeatCost, run.distance, true, true);
    }
  }

  struct Candidate {
    int length = 0;
    int distance = 0;
  };

  // Brings the match length at every tracked distance to position i, and
  // gives each distance class's longest match (the nearest of equals).
  void UpdateTrackedLengths(int i, Candidate (&nearest)[kTrackedClasses]) {
    static const int kClassLast[kTrackedClasses] = {256, kTrackedDistances};
    int d = 1;
    for (int c = 0; c < kTrackedClasses; ++c) {
      const int last = std::min(i, kClassLast[c]);
      Candidate& best = nearest[c];
      for (; d <= last; ++d) {
        int& length = trackedLengths_[static_cast<size_t>(d)];
        if (length > 1) {
          --length;
        } else {
          length = CommonLength(i, d, n_ - i);
        }
        if (length > best.length) best = {length, d};
      }
    }
  }

  int RepeatLength(int i, int distance) {
    if (distance <= kTrackedDistances) return trackedLengths_[static_cast<size_t>(distance)];
    // Far repeats: the length found at an earlier position, carried.
    if (distance == cachedDistance_ && i > cachedPosition_ && i - cachedPosition_ < cachedLength_)
      return cachedLength_ - (i - cachedPosition_);
    cachedDistance_ = distance;
    cachedPosition_ = i;
    cachedLength_ = CommonLength(i, distance, std::min(n_ - i, kRepeatCompareCap));
    return cachedLength_;
  }

  int CommonLength(int i, int distance, int limit) const {
    const uint8_t* a = data_ + i;
    const uint8_t* b = a - distance;
    int length = 0;
    while (length < limit && a[length] == b[length]) ++length;
    return length;
  }

  // Offers matches of lengths first..last from i; `cost` without the
  // length's gamma code.
  void Relax(int i, int first, int last, uint32_t cost, int distance, bool viaRepeat,
             bool fromRun) {
    for (int length = first; length <= last; ++length) {
      if (length - first >= kAllLengthsUpTo && length != last) {
        length = last - 1;  // the loop's step lands on `last`
        continue;
      }
      const uint32_t total = cost + CodeCost(GammaBits(static_cast<uint32_t>(length - 1)));
      MatchArrival& arrival = matches_[static_cast<size_t>(i + length)];
      if (total < arrival.cost) arrival = {total, distance, i, viaRepeat, fromRun};
    }
  }

  std::vector<Token> Tokens() const {
    std::vector<Token> tokens;
    const RunArrival& lastRun = runs_[static_cast<size_t>(n_)];
    bool inRun = lastRun.cost < matches_[static_cast<size_t>(n_)].cost;
    int position = n_;
    while (position > 0) {
      if (inRun) {
        const RunArrival& run = runs_[static_cast<size_t>(position)];
        tokens.push_back({Token::kLiterals, run.from, position - run.from, 0});
        position = run.from;
        inRun = false;
      } else {
        const MatchArrival& match = matches_[static_cast<size_t>(position)];
        tokens.push_back({match.viaRepeat ? Token::kRepeat : Token::kNewMatch, match.from,
                          position - match.from, match.distance});
        position = match.from;
        inRun = match.fromRun;
      }
    }
    std::reverse(tokens.begin(), tokens.end());
    return tokens;
  }

  const uint8_t* const data_;
  const int n_;
  std::vector<MatchArrival> matches_;
  std::vector<RunArrival> runs_;
  std::vector<int> trackedLengths_;  // by distance, at the current position
  std::vector<PreviousFactor> factors_;
  int cachedDistance_ = 0, cachedPosition_ = 0, cachedLength_ = 0;
};

std::vector<Token> OneRun(int n) {
  if (n == 0) return {};
  return {{Token::kLiterals, 0, n, 0}};
}

}  // namespace

int LzStreamBound(int size) {
  if (size < 0) size = 0;
  if (size > cBinWriter::kCapacity) size = cBinWriter::kCapacity;
  const int bits =
      (size > 0 ? kTokenBit + GammaBits(static_cast<uint32_t>(size)) : 0) + kTerminatorBits;
  return size + (bits + 7) / 8;
}

int EncodeLz(const uint8_t* data, int size, uint8_t* stream) {
  if (size < 0) size = 0;
  if (size > cBinWriter::kCapacity) size = cBinWriter::kCapacity;
  std::vector<Token> tokens;
  try {
    tokens = Parser(data, size).Parse();
  } catch (const std::bad_alloc&) {
    tokens = OneRun(size);  // no memory to search: the stream of the bound
  }
  return WriteStream(data, tokens, stream);
}
