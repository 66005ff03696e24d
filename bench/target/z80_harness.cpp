#include "z80_harness.h"

#include <z80ex/z80ex.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace z80 {

namespace {

std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string ReadFileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// A folder under /tmp for one assembly, removed with its files.
class ScratchFolder {
 public:
  ScratchFolder() {
    char pattern[] = "/tmp/kestrip_pasmo_XXXXXX";
    if (const char* made = mkdtemp(pattern)) path_ = made;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  bool made() const { return !path_.empty(); }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// pasmo's symbol file: one "name<TAB><TAB>EQU 0ABCDH" line per label.
std::map<std::string, int> ReadSymbols(const std::string& text) {
  std::map<std::string, int> symbols;
  std::istringstream lines(text);
  std::string name, equ, value;
  while (lines >> name >> equ >> value) {
    if (!value.empty() && (value.back() == 'H' || value.back() == 'h')) value.pop_back();
    symbols[name] = static_cast<int>(strtol(value.c_str(), nullptr, 16));
  }
  return symbols;
}

// The CPU's view of the memory: every write is recorded.
struct Memory {
  std::vector<uint8_t> bytes = std::vector<uint8_t>(kMemorySize);
  std::vector<uint8_t> written = std::vector<uint8_t>(kMemorySize);
  int firstWritten = static_cast<int>(kMemorySize), lastWritten = -1;
};

Z80EX_BYTE ReadMemory(Z80EX_CONTEXT*, Z80EX_WORD address, int, void* memory) {
  return static_cast<Memory*>(memory)->bytes[address];
}

void WriteMemory(Z80EX_CONTEXT*, Z80EX_WORD address, Z80EX_BYTE value, void* memory) {
  Memory& written = *static_cast<Memory*>(memory);
  written.bytes[address] = value;
  written.written[address] = 1;
  if (address < written.firstWritten) written.firstWritten = address;
  if (address > written.lastWritten) written.lastWritten = address;
}

Z80EX_BYTE ReadPort(Z80EX_CONTEXT*, Z80EX_WORD, void*) { return 0xFF; }
void WritePort(Z80EX_CONTEXT*, Z80EX_WORD, Z80EX_BYTE, void*) {}
Z80EX_BYTE ReadInterruptVector(Z80EX_CONTEXT*, void*) { return 0xFF; }

struct CpuDeleter {
  void operator()(Z80EX_CONTEXT* cpu) const { z80ex_destroy(cpu); }
};

void SetRegisters(Z80EX_CONTEXT* cpu, const Registers& r) {
  const std::pair<Z80_REG_T, uint16_t> values[] = {
      {regAF, r.af},           {regBC, r.bc},           {regDE, r.de},
      {regHL, r.hl},           {regIX, r.ix},           {regIY, r.iy},
      {regAF_, r.afAlternate}, {regBC_, r.bcAlternate}, {regDE_, r.deAlternate},
      {regHL_, r.hlAlternate}, {regI, r.i},             {regIFF1, r.iff1},
      {regIFF2, r.iff2}};
  for (const auto& value : values) z80ex_set_reg(cpu, value.first, value.second);
}

Registers GetRegisters(Z80EX_CONTEXT* cpu) {
  Registers r;
  r.af = z80ex_get_reg(cpu, regAF);
  r.bc = z80ex_get_reg(cpu, regBC);
  r.de = z80ex_get_reg(cpu, regDE);
  r.hl = z80ex_get_reg(cpu, regHL);
  r.ix = z80ex_get_reg(cpu, regIX);
  r.iy = z80ex_get_reg(cpu, regIY);
  r.sp = z80ex_get_reg(cpu, regSP);
  r.afAlternate = z80ex_get_reg(cpu, regAF_);
  r.bcAlternate = z80ex_get_reg(cpu, regBC_);
  r.deAlternate = z80ex_get_reg(cpu, regDE_);
  r.hlAlternate = z80ex_get_reg(cpu, regHL_);
  r.i = static_cast<uint8_t>(z80ex_get_reg(cpu, regI));
  r.iff1 = z80ex_get_reg(cpu, regIFF1) != 0;
  r.iff2 = z80ex_get_reg(cpu, regIFF2) != 0;
  return r;
}

}  // namespace

bool PasmoFound() { return system("command -v pasmo >/dev/null 2>&1") == 0; }

Assembly AssembleSource(const std::string& source, const std::vector<std::string>& includeFolders) {
  Assembly assembly;
  ScratchFolder folder;
  if (!folder.made()) {
    assembly.messages = "no temporary folder for pasmo";
    return assembly;
  }
  std::ofstream(folder / "program.asm") << source;
  std::string command = "pasmo";
  for (const std::string& include : includeFolders) command += " -I " + ShellQuote(include);
  command += " --bin " + ShellQuote(folder / "program.asm") + " " + ShellQuote(folder / "program.bin") +
             " " + ShellQuote(folder / "program.sym") + " >" + ShellQuote(folder / "messages") +
             " 2>&1";
  const int status = system(command.c_str());
  assembly.messages = ReadFileText(folder / "messages");
  const std::string code = ReadFileText(folder / "program.bin");
  assembly.ok = status == 0 && std::filesystem::exists(folder / "program.bin");
  assembly.code.assign(code.begin(), code.end());
  assembly.symbols = ReadSymbols(ReadFileText(folder / "program.sym"));
  return assembly;
}

Assembly AssembleRoutine(const std::string& path, int origin) {
  const std::string folder = std::filesystem::path(path).parent_path().string();
  return AssembleSource("\torg " + std::to_string(origin) + "\n\tinclude \"" + path + "\"\n",
                        {folder.empty() ? "." : folder});
}

std::vector<int> Outcome::WrittenOutside(int first, int count) const {
  std::vector<int> outside;
  for (int address = firstWritten; address <= lastWritten; ++address) {
    if (written[address] && (address < first || address >= first + count))
      outside.push_back(address);
  }
  return outside;
}

Outcome Run(const Call& call) {
  Memory memory;
  for (uint8_t& byte : memory.bytes) byte = call.fill;
  for (const Load& load : call.loads) {
    for (size_t i = 0; i < load.bytes.size() && load.address + i < kMemorySize; ++i)
      memory.bytes[load.address + i] = load.bytes[i];
  }
  // The return address, pushed as a CALL would, without counting as a write.
  const uint16_t stack = static_cast<uint16_t>(call.registers.sp - 2);
  memory.bytes[stack] = static_cast<uint8_t>(call.returnAddress & 0xFF);
  memory.bytes[static_cast<uint16_t>(stack + 1)] = static_cast<uint8_t>(call.returnAddress >> 8);

  std::unique_ptr<Z80EX_CONTEXT, CpuDeleter> cpu(
      z80ex_create(ReadMemory, &memory, WriteMemory, &memory, ReadPort, nullptr, WritePort, nullptr,
                   ReadInterruptVector, nullptr));
  Outcome outcome;
  if (!cpu) return outcome;
  SetRegisters(cpu.get(), call.registers);
  z80ex_set_reg(cpu.get(), regSP, stack);
  z80ex_set_reg(cpu.get(), regPC, static_cast<uint16_t>(call.entry));

  while (outcome.instructions < call.stepLimit) {
    outcome.tStates += static_cast<uint64_t>(z80ex_step(cpu.get()));
    if (z80ex_last_op_type(cpu.get()) != 0) continue;  // a prefix: the instruction goes on
    ++outcome.instructions;
    if (z80ex_get_reg(cpu.get(), regPC) == call.returnAddress &&
        z80ex_get_reg(cpu.get(), regSP) == call.registers.sp) {
      outcome.returned = true;
      break;
    }
  }
  outcome.registers = GetRegisters(cpu.get());
  outcome.memory = std::move(memory.bytes);
  outcome.written = std::move(memory.written);
  outcome.firstWritten = memory.firstWritten;
  outcome.lastWritten = memory.lastWritten;
  return outcome;
}

}  // namespace z80
