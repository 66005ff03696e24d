#include "viewer/contact_sheet.h"

#include <cstdio>

#include "viewer/text.h"

namespace {

const char kStyle[] =
    "body{font-family:sans-serif;background:#1e1e24;color:#e8e8e8;margin:1.5em}"
    "h1{font-size:1.4em;margin:0 0 .3em}"
    "h2{font-size:1.1em;margin:.4em 0 .2em;word-break:break-all}"
    "a{color:#9cf}"
    "table{border-collapse:collapse}"
    "td,th{padding:.1em .8em .1em 0;text-align:left;vertical-align:top}"
    "th{font-weight:normal;color:#aab}"
    ".totals{margin:1em 0 1.5em;background:#2a2a33;padding:.6em;border-radius:6px}"
    ".items{display:flex;flex-wrap:wrap;gap:1em;align-items:flex-start}"
    ".item{background:#2a2a33;padding:.8em;border-radius:6px;margin:0;max-width:100%}"
    ".item img{display:block;image-rendering:pixelated;max-width:100%;height:auto}"
    ".nopicture{padding:1.5em;border:1px dashed #667;color:#aab}"
    ".over{color:#f77;font-weight:bold}"
    ".note{color:#aab;font-size:.9em}";

std::string Number(int64_t value) { return std::to_string(value); }

std::string Address(int address) {
  if (address < 0) return Number(address);
  char hex[16];
  snprintf(hex, sizeof hex, "0x%04X", static_cast<unsigned>(address));
  return Number(address) + " (" + hex + ")";
}

std::string Percent(int64_t part, int64_t whole) {
  if (whole <= 0) return "-";
  char text[32];
  snprintf(text, sizeof text, "%.1f%%", 100.0 * static_cast<double>(part) / static_cast<double>(whole));
  return text;
}

std::string Bytes(int64_t count) { return Number(count) + (count == 1 ? " byte" : " bytes"); }

std::string Row(const std::string& label, const std::string& valueHtml) {
  return "<tr><th>" + label + "</th><td>" + valueHtml + "</td></tr>\n";
}

std::string CompressionHtml(const BuildItem& item) {
  const ItemLayout& layout = item.layout;
  if (!item.listing.compression->method) return "none";
  const int64_t saving = int64_t{layout.storedSize} - layout.outputSize;
  return HtmlEscape(item.listing.compression->word) + ": " + Bytes(layout.outputSize) +
         ", saving " + Bytes(saving) + " (now " + Percent(layout.outputSize, layout.storedSize) +
         " of the original)";
}

std::string PictureHtml(const SheetItem& sheetItem) {
  if (sheetItem.pictureFile.empty()) {
    return "<div class=\"nopicture\">" + HtmlEscape(sheetItem.rendering.summary) + "</div>\n";
  }
  const int shown = ShownScale(sheetItem.pictureWidth, sheetItem.pictureHeight);
  return "<img src=\"" + HtmlEscape(sheetItem.pictureFile) + "\" width=\"" +
         Number(int64_t{sheetItem.pictureWidth} * shown) + "\" height=\"" +
         Number(int64_t{sheetItem.pictureHeight} * shown) + "\" alt=\"" +
         HtmlEscape(sheetItem.item->listing.tag) + "\">\n";
}

std::string ItemHtml(const SheetItem& sheetItem) {
  const BuildItem& item = *sheetItem.item;
  const ListingItem& listed = item.listing;
  std::string html = "<figure class=\"item\" id=\"item-" + Number(listed.index) + "\">\n";
  html += PictureHtml(sheetItem);
  html += "<figcaption><h2>" + HtmlEscape(listed.tag) + "</h2>\n<table>\n";
  html += Row("data type", item.layout.type->word);
  if (!sheetItem.pictureFile.empty()) html += Row("shows", HtmlEscape(sheetItem.rendering.summary));
  html += Row("input file", HtmlEscape(listed.inputFile));
  html += Row("address", Address(item.address));
  html += Row("size", Bytes(item.layout.storedSize));
  html += Row("compression", CompressionHtml(item));
  if (item.hasHeader) {
    std::string header = "type " + Number(listed.headerType) + ", length " + Number(listed.headerLength);
    if (listed.Has("id")) header += ", id " + Number(listed.symbols.at("id"));
    html += Row("header", header);
  } else {
    html += Row("header", "none");
  }
  html += "</table></figcaption>\n</figure>\n";
  return html;
}

std::string TotalsHtml(const Build& build, const std::vector<SheetItem>& items) {
  int pictures = 0;
  for (const SheetItem& item : items) pictures += item.pictureFile.empty() ? 0 : 1;
  const Listing& listing = build.listing;
  std::string html = "<table class=\"totals\">\n";
  html += Row("items", Number(static_cast<int64_t>(items.size())) + " (" + Number(pictures) +
                           " with a picture)");
  html += Row("total bytes written", Bytes(listing.totalBytesWritten));
  html += Row("before compression", Bytes(build.storedBytes) + ", saving " +
                                        Bytes(build.storedBytes - build.outputBytes));
  html += Row("item headers", Bytes(build.headerBytes));
  html += Row("binary file", Bytes(build.outputBytes + build.headerBytes));
  if (listing.limitSet) {
    html += Row("byte limit", Bytes(listing.limit));
    const std::string free = Bytes(listing.bytesFree);
    html += Row("bytes free", listing.bytesFree < 0
                                  ? "<span class=\"over\">" + free + ": over the limit</span>"
                                  : free);
  }
  return html + "</table>\n";
}

}  // namespace

int ShownScale(int width, int height) {
  const int longer = width > height ? width : height;
  if (longer <= 0) return 1;
  const int scale = kSmallestShownSide / longer;
  return scale < 1 ? 1 : scale > 8 ? 8 : scale;
}

std::string ContactSheetHtml(const Build& build, const std::vector<SheetItem>& items,
                             const SheetSources& sources) {
  const std::string script = HtmlEscape(build.listing.inputScript);
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<title>Contact sheet: " + script + "</title>\n<style>" + kStyle +
      "</style>\n</head>\n<body>\n";
  html += "<h1>Contact sheet: " + script + "</h1>\n";
  html += "<p class=\"note\">Binary " + HtmlEscape(sources.binaryPath) + ", listing " +
          HtmlEscape(sources.listingPath) + "; pictures at scale " + Number(sources.scale) +
          " (small ones shown larger). One-bit pictures: ink black on white paper (sprites, screen blocks, animations), "
          "drawn white on black (full-screen masks, tiles); checkerboard where the background "
          "shows through; dashed outlines mark flash cells.</p>\n";
  html += TotalsHtml(build, items);
  html += "<div class=\"items\">\n";
  for (const SheetItem& item : items) html += ItemHtml(item);
  html += "</div>\n</body>\n</html>\n";
  return html;
}
