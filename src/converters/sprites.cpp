// Placeholder until the converter is built.
#include "converters/converters.h"

bool process_maskedsprite(const char*, CTokeniser&, cBinWriter&, FILE*, int) {
  printf("Expecting data type\n");
  return false;
}
bool process_unmaskedsprite(const char*, CTokeniser&, cBinWriter&, FILE*, int) {
  printf("Expecting data type\n");
  return false;
}
