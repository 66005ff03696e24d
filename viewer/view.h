// kestrip-view: reads the two output files of a kestrip run and writes a
// picture of every item (OUTDIR/TAG.png) and a contact sheet
// (OUTDIR/index.html).
//
//   kestrip-view [--scale N] BIN LST OUTDIR
//
// Exit status 0 when every item was read and drawn; 1 with a one-line
// message on standard error, naming the item, for anything in the two files
// it cannot make sense of; 2 for a wrong command line.
#pragma once

#include <string>
#include <vector>

#include "viewer/build_reader.h"
#include "viewer/contact_sheet.h"

constexpr int kDefaultScale = 2;

struct ViewOptions {
  std::string binaryPath;
  std::string listingPath;
  std::string outputDir;
  int scale = kDefaultScale;
};

// Everything a run produces, kept in memory (the tests look at it).
struct View {
  Build build;
  std::vector<SheetItem> items;  // point into build.items
  std::string html;
};

// Reads both files, renders every item and names its picture file; writes
// nothing. False with a one-line message in `error`.
bool ReadAndRender(const ViewOptions& options, View& view, std::string& error);

// ReadAndRender, then writes the pictures and index.html to the output folder.
bool RunView(const ViewOptions& options, View& view, std::string& error);

int kestrip_view_main(int argc, char** argv);
