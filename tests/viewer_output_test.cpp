// What the viewer writes: PNG files (read back with libpng) and the
// contact sheet page, including tags that are unsafe as file names or HTML.
#include <gtest/gtest.h>

#include <filesystem>

#include "viewer/png_writer.h"
#include "viewer/text.h"
#include "viewer_test_support.h"

namespace {

using namespace viewer_test;

const Colour kRed{200, 0, 0};

// ---------------------------------------------------------------------------
// Scaling, checkerboard and flash outlines.

TEST(ViewerPng, ScalingCheckerboardAndFlashOutline) {
  // 16 x 8: a red cell that flashes, then a cell whose left half is see-through.
  Image image(16, 8, kRed);
  for (int y = 0; y < 8; ++y) {
    for (int x = 8; x < 12; ++x) image.SetTransparent(x, y);
  }
  const ScaledPicture picture(image, 2, {{0, 0}});
  ASSERT_EQ(picture.width(), 32);
  ASSERT_EQ(picture.height(), 16);
  struct Row {
    int x, y;
    Colour colour;
  };
  const Row kRows[] = {
      // The flash cell's outer ring of output pixels is dashed, two pixels a dash.
      {0, 0, Colour{0, 0, 0}}, {1, 0, Colour{0, 0, 0}}, {2, 0, Colour{255, 255, 255}},
      {15, 5, Colour{0, 0, 0}}, {0, 15, Colour{255, 255, 255}},
      // Inside the ring the picture shows.
      {1, 1, kRed}, {14, 14, kRed},
      // See-through pixels: squares of four output pixels, two tints.
      {16, 0, kCheckerLight}, {19, 3, kCheckerLight}, {20, 0, kCheckerDark}, {16, 4, kCheckerDark},
      {20, 4, kCheckerLight},
      // Opaque pixels of the second cell, no ring.
      {24, 0, kRed}, {31, 15, kRed},
  };
  for (const Row& row : kRows) {
    EXPECT_EQ(picture.At(row.x, row.y), row.colour) << row.x << "," << row.y;
  }
}

TEST(ViewerPng, RefusesWhatItCannotWrite) {
  TempDir dir;
  std::string error;
  EXPECT_FALSE(WritePng(dir / "e.png", Image(), 2, {}, error));
  EXPECT_FALSE(WritePng(dir / "big.png", Image(200000, 1, kRed), 8, {}, error));
  EXPECT_EQ(error, "the picture for " + (dir / "big.png") + " is too large at scale 8");
  EXPECT_FALSE(WritePng(dir / "no/such/folder.png", Image(1, 1, kRed), 1, {}, error));
  EXPECT_EQ(error, "couldn't create " + (dir / "no/such/folder.png"));
}

// Every PNG the program writes holds exactly the rendered picture, scaled.
TEST(ViewerPng, ProgramPicturesMatchTheRenderings) {
  TempDir dir;
  BuildSample(dir, "compressword", true);
  View view;
  std::string error;
  ASSERT_TRUE(RunView(SampleOptions(dir), view, error)) << error;
  for (const SheetItem& item : view.items) {
    if (item.pictureFile.empty()) continue;
    SCOPED_TRACE(item.pictureFile);
    PngPicture png;
    ASSERT_TRUE(ReadPng(dir / ("sheet/" + item.pictureFile), png));
    const Image composed = ComposeRendering(item.rendering);
    const ScaledPicture expected(composed, kDefaultScale, item.rendering.flashCells);
    ASSERT_EQ(png.width, expected.width());
    ASSERT_EQ(png.height, expected.height());
    EXPECT_EQ(png.width, item.pictureWidth);
    for (int y = 0; y < png.height; ++y) {
      for (int x = 0; x < png.width; ++x) ASSERT_EQ(png.At(x, y), expected.At(x, y)) << x << "," << y;
    }
  }
}

// ---------------------------------------------------------------------------
// File names and the page.

TEST(ViewerText, FileStemsAreSafe) {
  const std::pair<const char*, const char*> kStems[] = {
      {"logo", "logo"},          {"a b", "a_b"},       {"../up", "___up"}, {"", "item_"},
      {"-x", "item_-x"},        {"Tile_2-b", "Tile_2-b"}, {"\xC3\xA9t\xC3\xA9", "__t__"},
      {"a/b\\c:d", "a_b_c_d"},
  };
  for (const auto& stem : kStems) EXPECT_EQ(FileStem(stem.first), stem.second) << stem.first;
  EXPECT_EQ(FileStem(std::string(200, 'x')).size(), 64u);
}

TEST(ViewerText, HtmlAndMessageEscapes) {
  EXPECT_EQ(HtmlEscape("<b class=\"x\">&'</b>"), "&lt;b class=&quot;x&quot;&gt;&amp;&#39;&lt;/b&gt;");
  EXPECT_EQ(Quote("a\nb\x01\xFF"), "a\\x0Ab\\x01\\xFF");
  EXPECT_EQ(Quote(std::string(100, 'q')), std::string(80, 'q') + "...");
}

TEST(ViewerSheet, UnsafeAndRepeatedTagsGetSafeDistinctFiles) {
  TempDir dir;
  WriteBmp(dir / "g.bmp", BlockyImage(4, 2, 1, {0, 128, 255}, 9));
  const ScriptRun run = RunScriptFile(dir,
                                      "\"../up\" compressnone greyscale \"g.bmp\"\n"
                                      "\"<b>&'\" compressnone greyscale \"g.bmp\"\n"
                                      "same compressnone greyscale \"g.bmp\"\n"
                                      "same compressnone greyscale \"g.bmp\"\n"
                                      "SAME compressnone greyscale \"g.bmp\"\n");
  ASSERT_EQ(run.run.status, 0) << run.run.output;
  ASSERT_EQ(RunViewer(dir.path(), {"out.bin", "out.lst", "sheet"}).status, 0);
  for (const char* file : {"___up.png", "_b___.png", "same.png", "same-2.png", "SAME-3.png"}) {
    EXPECT_TRUE(FileExists(dir / ("sheet/" + std::string(file)))) << file;
  }
  EXPECT_FALSE(FileExists(dir / "up.png"));
  const std::string html = ReadText(dir / "sheet/index.html");
  EXPECT_NE(html.find("<h2>&lt;b&gt;&amp;&#39;</h2>"), std::string::npos);
  EXPECT_EQ(html.find("<b>"), std::string::npos);
}

TEST(ViewerSheet, PageIsStaticAndShowsTheBuildsFacts) {
  TempDir dir;
  BuildSample(dir, "compressbyte", true);
  View view;
  std::string error;
  ASSERT_TRUE(RunView(SampleOptions(dir), view, error)) << error;
  const std::string html = ReadText(dir / "sheet/index.html");
  EXPECT_EQ(html, view.html);
  // Nothing from elsewhere: no scripts, no links, no addresses of other hosts.
  for (const char* banned : {"<script", "<link", "http:", "https:", "//", "@import", "url("}) {
    EXPECT_EQ(html.find(banned), std::string::npos) << banned;
  }
  // Every picture the page names is a file beside it.
  size_t at = 0;
  int images = 0;
  while ((at = html.find("<img src=\"", at)) != std::string::npos) {
    at += 10;
    const std::string file = html.substr(at, html.find('"', at) - at);
    EXPECT_TRUE(FileExists(dir / ("sheet/" + file))) << file;
    ++images;
  }
  EXPECT_EQ(images, 10);
  // One item's facts, and the totals.
  const BuildItem& logo = view.build.items[3];
  ASSERT_EQ(logo.listing.tag, "logo");
  const std::string logoFacts =
      "<tr><th>data type</th><td>gfxblock</td></tr>\n"
      "<tr><th>shows</th><td>256 x 64 screen block</td></tr>\n"
      "<tr><th>input file</th><td>logo.bmp</td></tr>\n";
  EXPECT_NE(html.find(logoFacts), std::string::npos);
  EXPECT_NE(html.find("<tr><th>size</th><td>2048 bytes</td></tr>"), std::string::npos);
  EXPECT_NE(html.find("<tr><th>compression</th><td>compressbyte: " +
                      std::to_string(logo.layout.outputSize) + " bytes, saving " +
                      std::to_string(2048 - logo.layout.outputSize) + " bytes"),
            std::string::npos);
  EXPECT_NE(html.find("<tr><th>total bytes written</th><td>" +
                      std::to_string(view.build.listing.totalBytesWritten) + " bytes</td></tr>"),
            std::string::npos);
  EXPECT_NE(html.find("<tr><th>item headers</th><td>33 bytes</td></tr>"), std::string::npos);
}

TEST(ViewerSheet, LimitAndOverrunAreShown) {
  TempDir dir;
  WriteFile(dir / "d.dat", Bytes(10, 1));
  ScriptRun run = RunScriptFile(dir, "limit 8\nd compressnone raw \"d.dat\"\n");
  ASSERT_NE(run.run.status, 0);  // over the limit, but both files are complete
  View view;
  std::string error;
  ASSERT_TRUE(ReadAndRender(SampleOptions(dir), view, error)) << error;
  EXPECT_NE(view.html.find("<tr><th>byte limit</th><td>8 bytes</td></tr>"), std::string::npos);
  EXPECT_NE(view.html.find("<span class=\"over\">-2 bytes: over the limit</span>"), std::string::npos);
}

}  // namespace
