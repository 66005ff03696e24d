// Steps every converter shares: reading the file name argument, loading the
// image, and the first lines of the listing block.
#pragma once

#include <cstdio>
#include <string>

class CTokeniser;
class cBitmap;

// Reads the converter's one argument, a word or quoted string. Prints
// "<converter> expected filename" and returns false for any other token.
bool ReadFileName(const char* converterName, CTokeniser& tokeniser, std::string& fileName);

// Reads the file name and loads it into `bitmap`. Prints the converter's
// missing-name or couldn't-open message on failure.
bool LoadImageArgument(const char* converterName, CTokeniser& tokeniser, cBitmap& bitmap,
                       std::string& fileName);

// "; Data type: <dataType>", "; Input file: <fileName>", "<tag>_address equ <address>".
void WriteListingHead(FILE* listing, const char* dataType, const std::string& fileName,
                      const char* tag, int address);

// The block of the display-wide converters: the head, then width 256,
// `height` and `size`.
void WriteScreenListing(FILE* listing, const char* dataType, const std::string& fileName,
                        const char* tag, int address, int height, int size);

// A display-wide image: prints "<converter> image width must be 256" and
// returns false for any other width.
bool CheckDisplayWidth(const char* converterName, const cBitmap& bitmap);

// "<tag>_<symbol> equ <value>".
void WriteSymbol(FILE* listing, const char* tag, const char* symbol, int value);
