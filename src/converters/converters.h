// The data converters: one per data type word of the script language.
//
// Every converter has the same contract. It is called with the tokeniser
// standing just after the data type word and reads one token, its input
// file name (a word or a quoted string). It appends the item's bytes to the
// writer (already initialised and empty), then writes its listing block: a
// data-type comment, "; Input file: %s", "<tag>_address equ <address>" and
// its own dimension and size lines, sizes being uncompressed byte counts.
// `address` is where the item's first data byte will lie, past the item
// header when headers are on. On a fault the converter prints its own
// message and returns false; the interpreter then discards the writer.
#pragma once

#include <cstdio>

class CTokeniser;
class cBinWriter;

using Converter = bool (*)(const char* tag, CTokeniser& tokeniser, cBinWriter& writer,
                           FILE* listing, int address);

bool process_raw(const char* tag, CTokeniser& tokeniser, cBinWriter& writer, FILE* listing,
                 int address);
bool process_maskedsprite(const char* tag, CTokeniser& tokeniser, cBinWriter& writer,
                          FILE* listing, int address);
bool process_unmaskedsprite(const char* tag, CTokeniser& tokeniser, cBinWriter& writer,
                            FILE* listing, int address);
bool process_lineanim(const char* tag, CTokeniser& tokeniser, cBinWriter& writer, FILE* listing,
                      int address);
bool process_gfxblock(const char* tag, CTokeniser& tokeniser, cBinWriter& writer, FILE* listing,
                      int address);
bool process_greyscale(const char* tag, CTokeniser& tokeniser, cBinWriter& writer, FILE* listing,
                       int address);
bool process_fullscreenmask(const char* tag, CTokeniser& tokeniser, cBinWriter& writer,
                            FILE* listing, int address);
bool process_colourblock(const char* tag, CTokeniser& tokeniser, cBinWriter& writer,
                         FILE* listing, int address);
bool process_tilepicture(const char* tag, CTokeniser& tokeniser, cBinWriter& writer,
                         FILE* listing, int address);
bool process_titlescreen(const char* tag, CTokeniser& tokeniser, cBinWriter& writer,
                         FILE* listing, int address);
bool process_colourtile(const char* tag, CTokeniser& tokeniser, cBinWriter& writer, FILE* listing,
                        int address);
