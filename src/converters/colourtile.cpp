// Placeholder until the converter is built.
#include "converters/converters.h"

bool process_colourtile(const char*, CTokeniser&, cBinWriter&, FILE*, int) {
  printf("Expecting data type\n");
  return false;
}
