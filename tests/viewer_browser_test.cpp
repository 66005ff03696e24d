// The contact sheet in a real browser: headless Chromium opens a copy of the
// page with a small check script added, and the dumped page says how many
// pictures loaded. Skipped where Chromium is not installed (.ci/run
// installs it).
#include <gtest/gtest.h>

#include "viewer_test_support.h"

namespace {

using namespace viewer_test;

const char kChromium[] = "/usr/bin/chromium";

// Runs once the page and its pictures have loaded; a picture that failed
// has no natural width.
const char kCheckScript[] =
    "<script>\n"
    "window.addEventListener('load', function () {\n"
    "  var images = document.images, broken = [];\n"
    "  for (var i = 0; i < images.length; i++) {\n"
    "    if (!images[i].complete || images[i].naturalWidth === 0) broken.push(images[i].getAttribute('src'));\n"
    "  }\n"
    "  var report = document.createElement('pre');\n"
    "  report.id = 'image-check';\n"
    "  report.textContent = 'images ' + images.length + ' broken ' + broken.length + ':' + broken.join(' ');\n"
    "  document.body.appendChild(report);\n"
    "});\n"
    "</script>\n";

// The page as the browser leaves it, after at most five seconds of page time.
std::string DumpDom(const TempDir& dir, const std::string& page) {
  return RunProgram(dir.path(), "timeout",
                    {"120", kChromium, "--headless", "--no-sandbox", "--disable-gpu",
                     "--disable-quic", "--no-first-run", "--disable-background-networking",
                     "--disable-component-update", "--disable-sync",
                     "--user-data-dir=" + (dir / "browser-profile"), "--virtual-time-budget=5000",
                     "--dump-dom", "file://" + page})
      .output;
}

// The report line the check script leaves in the page, or "" if it never ran.
std::string ImageReport(const std::string& dom) {
  const std::string start = "<pre id=\"image-check\">";
  const size_t at = dom.find(start);
  if (at == std::string::npos) return "";
  const size_t end = dom.find("</pre>", at);
  return dom.substr(at + start.size(), end - at - start.size());
}

// Builds the sample, runs the real kestrip-view and adds the check to a copy of its page.
std::string CheckedContactSheet(const TempDir& dir) {
  BuildSample(dir);
  const RunResult run = RunViewer(dir.path(), {"out.bin", "out.lst", "sheet"});
  EXPECT_EQ(run.status, 0) << run.output;
  std::string html = ReadText(dir / "sheet/index.html");
  const size_t body = html.rfind("</body>");
  EXPECT_NE(body, std::string::npos);
  html.insert(body, kCheckScript);
  WriteFile(dir / "sheet/checked.html", html);
  return dir / "sheet/checked.html";
}

#define SKIP_WITHOUT_CHROMIUM()                                                              \
  if (!FileExists(kChromium))                                                                \
  GTEST_SKIP() << "headless browser check skipped: " << kChromium                            \
               << " is not installed (apt-get install chromium; .ci/run does this)"

TEST(ViewerBrowser, EveryPictureOfTheContactSheetLoads) {
  SKIP_WITHOUT_CHROMIUM();
  TempDir dir;
  const std::string page = CheckedContactSheet(dir);
  EXPECT_EQ(ImageReport(DumpDom(dir, page)), "images 10 broken 0:");
}

// The check itself can fail: a picture taken away is reported.
TEST(ViewerBrowser, AMissingPictureIsNoticed) {
  SKIP_WITHOUT_CHROMIUM();
  TempDir dir;
  const std::string page = CheckedContactSheet(dir);
  std::remove((dir / "sheet/ghost.png").c_str());
  EXPECT_EQ(ImageReport(DumpDom(dir, page)), "images 10 broken 1:ghost.png");
}

}  // namespace
