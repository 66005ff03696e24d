// Steps every converter shares: reading the file name argument, loading the
// image and the display-width check.
#pragma once

#include <string>

class CTokeniser;
class cBitmap;

// Reads the converter's one argument, a word or quoted string. Prints
// "<converter> expected filename" for any other token and refuses a name
// holding a control character; false in both cases.
bool ReadFileName(const char* converterName, CTokeniser& tokeniser, std::string& fileName);

// True when `text` holds a byte below 32 (a line break, a tab, ...): such a
// tag or file name would break the listing's lines apart.
bool HoldsControlCharacter(const std::string& text);

// Reads the file name and loads it into `bitmap`. Prints the converter's
// missing-name or couldn't-open message on failure.
bool LoadImageArgument(const char* converterName, CTokeniser& tokeniser, cBitmap& bitmap,
                       std::string& fileName);

// A display-wide image: prints "<converter> image width must be 256" and
// returns false for any other width.
bool CheckDisplayWidth(const char* converterName, const cBitmap& bitmap);
