// "raw": any file, copied into the item byte for byte.
#include <cstdint>
#include <string>

#include "converters/converter_support.h"
#include "converters/converters.h"
#include "io/console.h"
#include "io/input_file.h"
#include "listing/listing.h"
#include "tokeniser/tokeniser.h"
#include "writers/bin_writer.h"

bool process_raw(const char* tag, CTokeniser& tokeniser, cBinWriter& writer, cListing& listing,
                 int address) {
  std::string fileName;
  if (!ReadFileName("process_raw", tokeniser, fileName)) return false;
  // One byte past what an item holds is enough for the writer to see the
  // overflow and report it when the item is prepared, as for every data type.
  InputBytes bytes;
  const InputStatus status =
      ReadInputFile(fileName.c_str(), static_cast<size_t>(cBinWriter::kCapacity) + 1, bytes);
  if (status == InputStatus::kReadError) {
    Fault("process_raw couldn't read '%s'\n", fileName.c_str());
    return false;
  }
  if (status != InputStatus::kRead && status != InputStatus::kTooLarge) {
    Fault("process_raw couldn't open '%s'\n", fileName.c_str());
    return false;
  }
  writer.AddBytes(bytes.data.get(), static_cast<int>(bytes.size));
  listing.ItemBlock(fileName, tag, address, {writer.GetSize()});
  return true;
}
