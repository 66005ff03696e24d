// The emulator harness for the target routines: assembles a routine file
// with pasmo, loads it and its data into a 64 KiB memory, and runs it on an
// emulated Z80 (z80ex) until the routine returns. The tests of target/ and
// the target benchmark both use it; a new routine needs no new harness code.
//
//   const z80::Assembly unpack = z80::AssembleRoutine(RoutinePath("kestrip_unpack_bytes"));
//   z80::Call call;
//   call.loads = {{0x8000, unpack.code}, {0x9000, stream}};
//   call.entry = 0x8000;
//   call.registers.hl = 0x9000;  // the stream
//   call.registers.de = 0xC000;  // the destination
//   const z80::Outcome outcome = z80::Run(call);
//   // outcome.returned, outcome.registers.de, outcome.tStates, outcome.memory ...
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace z80 {

constexpr size_t kMemorySize = 65536;

// ---------------------------------------------------------------------------
// Assembling

struct Assembly {
  bool ok = false;       // pasmo ran and wrote the code
  std::string messages;  // what pasmo printed: errors and warnings; empty for a clean run
  std::vector<uint8_t> code;
  std::map<std::string, int> symbols;  // every label, from pasmo's symbol file
};

// True when `pasmo` is on the PATH.
bool PasmoFound();

// Assembles `source` (a whole program: it sets its own origin, 0 if none)
// in a temporary folder that is removed afterwards. INCLUDE and INCBIN look
// in `includeFolders` as well as in the temporary folder.
Assembly AssembleSource(const std::string& source,
                        const std::vector<std::string>& includeFolders = {});

// Assembles the routine file at `path` at `origin`, as a program that only
// includes it.
Assembly AssembleRoutine(const std::string& path, int origin = 0);

// ---------------------------------------------------------------------------
// Running

struct Registers {
  uint16_t af = 0, bc = 0, de = 0, hl = 0, ix = 0, iy = 0, sp = 0;
  uint16_t afAlternate = 0, bcAlternate = 0, deAlternate = 0, hlAlternate = 0;
  uint8_t i = 0;
  bool iff1 = false, iff2 = false;  // the interrupt flip-flops

  uint8_t a() const { return static_cast<uint8_t>(af >> 8); }
};

struct Load {
  int address = 0;  // where the first byte goes; bytes past 0xFFFF are dropped
  std::vector<uint8_t> bytes;
};

struct Call {
  std::vector<Load> loads;  // code and data, loaded in order over a memory of `fill`
  uint8_t fill = 0;
  int entry = 0;
  // The registers on entry. The harness pushes `returnAddress` below
  // registers.sp, so the routine's RET leaves SP where it was given.
  Registers registers;
  uint16_t returnAddress = 0;
  // Instructions run before giving up on a routine that never returns.
  uint64_t stepLimit = 20'000'000;
};

struct Outcome {
  bool returned = false;  // the routine's RET was reached within the step limit
  Registers registers;    // on return (or where the step limit stopped it)
  uint64_t tStates = 0;   // T-states from the entry to the return, the RET included
  uint64_t instructions = 0;
  std::vector<uint8_t> memory;  // all 64 KiB afterwards
  std::vector<uint8_t> written;  // per address: 1 where the routine wrote
  int firstWritten = 0, lastWritten = -1;  // the range of those addresses

  // Addresses the routine wrote outside [first, first + count).
  std::vector<int> WrittenOutside(int first, int count) const;
};

// Runs one call on a fresh CPU and memory. Nothing raises interrupts.
Outcome Run(const Call& call);

// What an LDIR of `count` bytes costs (21 T-states a byte, 16 for the
// last): the copy every routine is compared with.
inline uint64_t LdirTStates(uint64_t count) { return count == 0 ? 0 : 21 * count - 5; }

}  // namespace z80
