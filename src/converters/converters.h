// The data converters: one per data type word of the script language.
//
// Every converter has the same contract. It is called with the tokeniser
// standing just after the data type word and reads one token, its input
// file name (a word or a quoted string). It appends the item's bytes to the
// writer (already initialised and empty), then hands the facts of its item
// to the listing writer (cListing::ItemBlock): the input file, the address
// and its own dimension and size symbols in the order of its row in
// formats/data_types.h, sizes being uncompressed byte counts.
// `address` is where the item's first data byte will lie, past the item
// header when headers are on. On a fault the converter prints its own
// message and returns false; the interpreter then discards the writer.
#pragma once

class CTokeniser;
class cBinWriter;
class cListing;

using Converter = bool (*)(const char* tag, CTokeniser& tokeniser, cBinWriter& writer,
                           cListing& listing, int address);

bool process_raw(const char* tag, CTokeniser& tokeniser, cBinWriter& writer, cListing& listing,
                 int address);
bool process_maskedsprite(const char* tag, CTokeniser& tokeniser, cBinWriter& writer,
                          cListing& listing, int address);
bool process_unmaskedsprite(const char* tag, CTokeniser& tokeniser, cBinWriter& writer,
                            cListing& listing, int address);
bool process_lineanim(const char* tag, CTokeniser& tokeniser, cBinWriter& writer, cListing& listing,
                      int address);
bool process_gfxblock(const char* tag, CTokeniser& tokeniser, cBinWriter& writer, cListing& listing,
                      int address);
bool process_greyscale(const char* tag, CTokeniser& tokeniser, cBinWriter& writer,
                       cListing& listing, int address);
bool process_fullscreenmask(const char* tag, CTokeniser& tokeniser, cBinWriter& writer,
                            cListing& listing, int address);
bool process_colourblock(const char* tag, CTokeniser& tokeniser, cBinWriter& writer,
                         cListing& listing, int address);
bool process_tilepicture(const char* tag, CTokeniser& tokeniser, cBinWriter& writer,
                         cListing& listing, int address);
bool process_titlescreen(const char* tag, CTokeniser& tokeniser, cBinWriter& writer,
                         cListing& listing, int address);
bool process_colourtile(const char* tag, CTokeniser& tokeniser, cBinWriter& writer,
                        cListing& listing, int address);
