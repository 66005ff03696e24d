#include "viewer/listing.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "viewer/text.h"

namespace {

struct DataTypeRow {
  const char* comment;  // after "; Data type: "
  DataType type;
};

// The data type comments the converters write.
const DataTypeRow kDataTypeComments[] = {
    {"raw", DataType::kRaw},
    {"masked sprite", DataType::kMaskedSprite},
    {"unmasked sprite", DataType::kUnmaskedSprite},
    {"gfx block", DataType::kGfxBlockComment},
    {"full screen mask", DataType::kFullScreenMask},
    {"line anim", DataType::kLineAnim},
    {"colour block", DataType::kColourBlock},
    {"colourtile", DataType::kColourTile},
    {"tilepicture", DataType::kTilePicture},
    {"greyscale", DataType::kGreyscale},
};

const char kDataTypePrefix[] = "; Data type: ";
const char kSymbolSeparator[] = " equ ";
const char kAddressSuffix[] = "_address";
const char kBytesWrittenSuffix[] = " bytes written";
const char kRule[] = "; ----------------------------------------";

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
    if (StartsWith(line, kDataTypePrefix, &rest)) return OpenItem(rest);
    if (StartsWith(line, "; Base address set to: ", &rest)) {
      if (!ParseInt(rest, pendingBaseAddress_)) return Fail("bad base address '" + Quote(rest) + "'");
      baseAddressPending_ = true;
      return true;
    }
    if (line == "; Output headers set to off") return SetHeaders(false);
    if (line == "; Output headers set to on") return SetHeaders(true);
    if (StartsWith(line, "; Input script: ", &rest)) {
      if (listing_.inputScript.empty()) listing_.inputScript = rest;
      return true;
    }
    if (StartsWith(line, "; Total bytes written: ", &rest)) {
      totalsOpen_ = true;
      if (!ParseInt(rest, listing_.totalBytesWritten)) return Fail("bad total '" + Quote(rest) + "'");
      return true;
    }
    if (StartsWith(line, "; Byte limit: ", &rest)) {
      listing_.limitSet = true;
      if (!ParseInt(rest, listing_.limit)) return Fail("bad byte limit '" + Quote(rest) + "'");
      return true;
    }
    if (StartsWith(line, "; Bytes free: ", &rest)) {
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
    bool known = false;
    for (const DataTypeRow& row : kDataTypeComments) {
      if (comment == row.comment) {
        item.type = row.type;
        known = true;
      }
    }
    listing_.items.push_back(item);
    item_ = &listing_.items.back();
    if (!known) return FailItem("unknown data type '" + Quote(comment) + "'");
    return true;
  }

  // A line inside an item block; an empty line ends the block.
  bool ItemLine(const std::string& line) {
    std::string rest;
    if (line.empty()) return CloseItem();
    if (StartsWith(line, "; Input file: ", &rest)) {
      item_->inputFile = rest;
      return true;
    }
    if (StartsWith(line, "; Header: ", &rest)) return HeaderLine(rest);
    if (line == "; no compression used") return SetCompression(Compression::kNone);
    if (StartsWith(line, "; byte compression used saving ")) return SetCompression(Compression::kByte);
    if (StartsWith(line, "; word compression used saving ")) return SetCompression(Compression::kWord);
    if (StartsWith(line, "; ", &rest) && EndsWith(rest, kBytesWrittenSuffix)) {
      rest.resize(rest.size() - strlen(kBytesWrittenSuffix));
      item_->hasBytesWritten = true;
      if (!ParseInt(rest, item_->bytesWritten)) return FailItem("bad byte count '" + Quote(rest) + "'");
      return true;
    }
    if (line[0] == ';') return true;  // other comments, e.g. the tile count
    const size_t separator = line.rfind(kSymbolSeparator);
    if (separator == std::string::npos) return FailItem("unexpected line '" + Quote(line) + "'");
    return Symbol(line.substr(0, separator), line.substr(separator + strlen(kSymbolSeparator)));
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

  bool SetCompression(Compression compression) {
    if (item_->compression != Compression::kUnknown) return FailItem("two compression lines");
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
    if (item_->compression == Compression::kUnknown) {
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

const char* DataTypeWord(DataType type) {
  switch (type) {
    case DataType::kUnknown: return "unknown";
    case DataType::kRaw: return "raw";
    case DataType::kMaskedSprite: return "maskedsprite";
    case DataType::kUnmaskedSprite: return "unmaskedsprite";
    case DataType::kGfxBlockComment: return "gfx block";
    case DataType::kGfxBlock: return "gfxblock";
    case DataType::kTitleScreen: return "titlescreen";
    case DataType::kFullScreenMask: return "fullscreenmask";
    case DataType::kLineAnim: return "lineanim";
    case DataType::kColourBlock: return "colourblock";
    case DataType::kColourTile: return "colourtile";
    case DataType::kTilePicture: return "tilepicture";
    case DataType::kGreyscale: return "greyscale";
  }
  return "?";
}

int HeaderType(Compression compression) {
  switch (compression) {
    case Compression::kByte: return 1;
    case Compression::kWord: return 2;
    default: return 0;
  }
}

const char* CompressionWord(Compression compression) {
  switch (compression) {
    case Compression::kNone: return "compressnone";
    case Compression::kByte: return "compressbyte";
    case Compression::kWord: return "compressword";
    default: return "?";
  }
}

std::string ListingItem::Name() const {
  std::string name = "item " + std::to_string(index);
  if (!tag.empty()) name += " '" + Quote(tag) + "'";
  const bool known = type != DataType::kUnknown && type != DataType::kGfxBlockComment;
  return name + " (" + Quote(known ? DataTypeWord(type) : typeComment) + ")";
}

bool ParseListing(const std::string& text, Listing& listing, std::string& error) {
  listing = Listing();
  return ListingParser(listing).Parse(text, error);
}
