#include "viewer/listing.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "listing/listing.h"
#include "viewer/text.h"

namespace {

using namespace listing_text;
const char kAddressSuffix[] = "_address";

class ListingParser {
 public:
  explicit ListingParser(Listing& listing) : listing_(listing) {}

  bool Parse(const std::string& text, std::string& error) {
    const std::vector<std::string> lines = SplitLines(text);
    for (size_t i = 0; i < lines.size(); ++i) {
      lineNumber_ = static_cast<int>(i) + 1;
      const bool ok = item_ ? ItemLine(lines[i]) : FrameLine(lines[i]);
      if (!ok) {
        error = error_;
        return false;
      }
    }
    if (item_) {
      error = item_->Name() + ": the listing ends inside the item's block";
      return false;
    }
    if (!listing_.hasTotals) {
      error = "the listing has no totals block: the build did not finish";
      return false;
    }
    return true;
  }

 private:
  bool Fail(const std::string& message) {
    error_ = "listing line " + std::to_string(lineNumber_) + ": " + message;
    return false;
  }
  bool FailItem(const std::string& message) { return Fail(item_->Name() + ": " + message); }

  // A line outside any item block: a command's line, the banner or the totals.
  bool FrameLine(const std::string& line) {
    std::string rest;
    if (line.empty()) return true;
    if (StartsWith(line, kDataType, &rest)) return OpenItem(rest);
    if (StartsWith(line, kBaseAddress, &rest)) {
      if (!ParseInt(rest, pendingBaseAddress_)) return Fail("bad base address '" + Quote(rest) + "'");
      baseAddressPending_ = true;
      return true;
    }
    if (line == kHeadersOff) return SetHeaders(false);
    if (line == kHeadersOn) return SetHeaders(true);
    if (StartsWith(line, kInputScript, &rest)) {
      if (listing_.inputScript.empty()) listing_.inputScript = rest;
      return true;
    }
    if (StartsWith(line, kTotalBytes, &rest)) {
      totalsOpen_ = true;
      if (!ParseInt(rest, listing_.totalBytesWritten)) return Fail("bad total '" + Quote(rest) + "'");
      return true;
    }
    if (StartsWith(line, kByteLimit, &rest)) {
      listing_.limitSet = true;
      if (!ParseInt(rest, listing_.limit)) return Fail("bad byte limit '" + Quote(rest) + "'");
      return true;
    }
    if (StartsWith(line, kBytesFree, &rest)) {
      if (!ParseLong(rest, listing_.bytesFree)) return Fail("bad bytes free '" + Quote(rest) + "'");
      return true;
    }
    // The totals block is complete at the rule line after its total.
    if (totalsOpen_ && line == kRule) {
      totalsOpen_ = false;
      listing_.hasTotals = true;
      return true;
    }
    // Rules, the banner's other lines, "; Output limit set to", ";".
    if (line[0] == ';') return true;
    return Fail("unexpected line '" + Quote(line) + "'");
  }

  bool SetHeaders(bool on) {
    headersOn_ = on;
    return true;
  }

  bool OpenItem(const std::string& comment) {
    if (listing_.hasTotals || totalsOpen_) return Fail("an item after the totals block");
    ListingItem item;
    item.index = static_cast<int>(listing_.items.size()) + 1;
    item.lineNumber = lineNumber_;
    item.typeComment = comment;
    item.headersOn = headersOn_;
    item.baseAddressSet = baseAddressPending_;
    item.baseAddress = pendingBaseAddress_;
    baseAddressPending_ = false;
    for (const DataTypeInfo& type : DataTypes()) {
      if (!item.type && comment == type.comment) item.type = &type;
    }
    listing_.items.push_back(item);
    item_ = &listing_.items.back();
    if (!item.type) return FailItem("unknown data type '" + Quote(comment) + "'");
    return true;
  }

  // A line inside an item block; an empty line ends the block.
  bool ItemLine(const std::string& line) {
    std::string rest;
    if (line.empty()) return CloseItem();
    if (StartsWith(line, kInputFile, &rest)) {
      item_->inputFile = rest;
      return true;
    }
    if (StartsWith(line, kHeader, &rest)) return HeaderLine(rest);
    if (const CompressionInfo* compression = CompressionLine(line)) {
      return SetCompression(compression);
    }
    if (StartsWith(line, "; ", &rest) && EndsWith(rest, kBytesWritten)) {
      rest.resize(rest.size() - strlen(kBytesWritten));
      item_->hasBytesWritten = true;
      if (!ParseInt(rest, item_->bytesWritten)) return FailItem("bad byte count '" + Quote(rest) + "'");
      return true;
    }
    if (line[0] == ';') return true;  // other comments, e.g. the tile count
    std::string name, value;
    if (!ParseSymbolLine(line, name, value)) return FailItem("unexpected line '" + Quote(line) + "'");
    return Symbol(name, value);
  }

  // The writer's line that names the compression: "; no compression used"
  // or "; <method> compression used saving N bytes".
  static const CompressionInfo* CompressionLine(const std::string& line) {
    for (const CompressionInfo& mode : CompressionModes()) {
      if (!mode.method && line == kNoCompression) return &mode;
      if (mode.method && StartsWith(line, std::string("; ") + mode.method + kCompressionUsed)) {
        return &mode;
      }
    }
    return nullptr;
  }

  bool HeaderLine(const std::string& text) {
    const size_t comma = text.find(',');
    if (comma == std::string::npos || !ParseInt(text.substr(0, comma), item_->headerType) ||
        !ParseInt(text.substr(comma + 1), item_->headerLength)) {
      return FailItem("bad header line '" + Quote(text) + "'");
    }
    item_->hasHeader = true;
    return true;
  }

  bool SetCompression(const CompressionInfo* compression) {
    if (item_->compression) return FailItem("two compression lines");
    item_->compression = compression;
    return true;
  }

  bool Symbol(const std::string& name, const std::string& valueText) {
    int value = 0;
    if (!ParseInt(valueText, value)) {
      return FailItem("symbol " + Quote(name) + " has the bad value '" + Quote(valueText) + "'");
    }
    if (item_->tag.empty() && item_->symbols.empty()) {
      if (!EndsWith(name, kAddressSuffix)) {
        return FailItem("symbol " + Quote(name) + " comes before the item's _address symbol");
      }
      item_->tag = name.substr(0, name.size() - strlen(kAddressSuffix));
      item_->symbols["address"] = value;
      return true;
    }
    std::string suffix;
    if (!StartsWith(name, item_->tag + "_", &suffix)) {
      return FailItem("symbol " + Quote(name) + " does not begin with the item's tag");
    }
    if (item_->Has(suffix)) return FailItem("symbol " + Quote(name) + " defined twice");
    item_->symbols[suffix] = value;
    return true;
  }

  bool CloseItem() {
    if (!item_->compression) {
      return FailItem("the block ends before its writer lines");
    }
    if (!item_->Has("address")) return FailItem("the listing has no _address symbol");
    item_ = nullptr;
    return true;
  }

  static bool ParseLong(const std::string& text, long long& value) {
    if (text.empty() || text.size() > 20) return false;
    size_t i = text[0] == '-' ? 1 : 0;
    if (i == text.size()) return false;
    for (size_t k = i; k < text.size(); ++k) {
      if (!isdigit(static_cast<unsigned char>(text[k]))) return false;
    }
    errno = 0;
    value = strtoll(text.c_str(), nullptr, 10);
    return errno == 0;
  }

  static bool ParseInt(const std::string& text, int& value) {
    long long wide = 0;
    if (!ParseLong(text, wide) || wide < INT_MIN || wide > INT_MAX) return false;
    value = static_cast<int>(wide);
    return true;
  }

  Listing& listing_;
  ListingItem* item_ = nullptr;  // the open item block, if any
  bool headersOn_ = true;
  bool totalsOpen_ = false;  // between the total and the block's closing rule
  bool baseAddressPending_ = false;
  int pendingBaseAddress_ = 0;
  int lineNumber_ = 0;
  std::string error_;
};

}  // namespace

std::string ListingItem::Name() const {
  std::string name = "item " + std::to_string(index);
  if (!tag.empty()) name += " '" + Quote(tag) + "'";
  // A comment two data types share does not name one yet.
  int sharing = 0;
  for (const DataTypeInfo& row : DataTypes()) sharing += typeComment == row.comment ? 1 : 0;
  return name + " (" + Quote(type && sharing == 1 ? type->word : typeComment) + ")";
}

bool ParseListing(const std::string& text, Listing& listing, std::string& error) {
  listing = Listing();
  return ListingParser(listing).Parse(text, error);
}
