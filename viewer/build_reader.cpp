#include "viewer/build_reader.h"

#include "writers/decoders.h"

namespace {

constexpr size_t kHeaderSize = 3;

std::string Text(int64_t value) { return std::to_string(value); }

class BinaryWalker {
 public:
  BinaryWalker(const std::vector<uint8_t>& binary, std::string& error)
      : binary_(binary), error_(error) {}

  bool Walk(Build& build) {
    for (const ListingItem& listed : build.listing.items) {
      BuildItem item;
      item.listing = listed;
      if (!ReadItem(item)) return false;
      build.outputBytes += item.layout.outputSize;
      build.storedBytes += item.layout.storedSize;
      if (item.hasHeader) build.headerBytes += kHeaderSize;
      build.items.push_back(std::move(item));
    }
    if (position_ != binary_.size()) {
      error_ = "the binary file has " + Text(binary_.size() - position_) +
               " bytes after the last item";
      return false;
    }
    if (build.outputBytes != build.listing.totalBytesWritten) {
      error_ = "the listing's totals say " + Text(build.listing.totalBytesWritten) +
               " bytes written, its items add up to " + Text(build.outputBytes);
      return false;
    }
    return true;
  }

 private:
  bool Fail(const BuildItem& item, const std::string& message) {
    error_ = item.listing.Name() + ": " + message;
    return false;
  }

  bool ReadItem(BuildItem& item) {
    const ListingItem& listed = item.listing;
    if (!LayoutFromListing(listed, item.layout, error_)) return false;
    if (listed.headersOn != listed.hasHeader) {
      return Fail(item, listed.headersOn ? "no header line in the listing although headers are on"
                                         : "a header line in the listing although headers are off");
    }
    if (!CheckAddress(item)) return false;
    item.binaryOffset = position_;
    int length = item.layout.outputSize;
    if (listed.headersOn && !ReadHeader(item, length)) return false;
    if (binary_.size() - position_ < static_cast<size_t>(length)) {
      return Fail(item, "truncated binary file: the item's " + Text(length) +
                            " bytes at offset " + Text(position_) + " run past its end at " +
                            Text(binary_.size()));
    }
    const uint8_t* bytes = binary_.data() + position_;
    position_ += static_cast<size_t>(length);
    return Decode(item, bytes, static_cast<size_t>(length));
  }

  // The address the listing gives must be where the items before it end.
  bool CheckAddress(BuildItem& item) {
    const ListingItem& listed = item.listing;
    if (listed.baseAddressSet) address_ = listed.baseAddress;
    if (listed.headersOn) address_ += kHeaderSize;
    item.address = listed.symbols.at("address");
    if (item.address != address_) {
      return Fail(item, "the listing gives address " + Text(item.address) +
                            ", but the items before it end at " + Text(address_));
    }
    address_ += item.layout.outputSize;
    return true;
  }

  bool ReadHeader(BuildItem& item, int& length) {
    const ListingItem& listed = item.listing;
    if (binary_.size() - position_ < kHeaderSize) {
      return Fail(item, "truncated binary file: no room for the item's header at offset " +
                            Text(position_) + " of " + Text(binary_.size()));
    }
    const int type = binary_[position_];
    length = binary_[position_ + 1] | (binary_[position_ + 2] << 8);
    position_ += kHeaderSize;
    item.hasHeader = true;
    if (binary_.size() - position_ < static_cast<size_t>(length) &&
        length != item.layout.outputSize) {
      return Fail(item, "the header's length " + Text(length) + " at offset " +
                            Text(position_ - kHeaderSize) + " runs past the end of the binary file (" +
                            Text(binary_.size() - position_) + " bytes left)");
    }
    if (type != listed.headerType || length != listed.headerLength) {
      return Fail(item, "the binary file's header " + Text(type) + "," + Text(length) +
                            " disagrees with the listing's header line " +
                            Text(listed.headerType) + "," + Text(listed.headerLength));
    }
    if (type != listed.compression->headerType) {
      return Fail(item, "header type " + Text(type) + " disagrees with the listing's " +
                            listed.compression->word);
    }
    if (length != item.layout.outputSize) {
      return Fail(item, "header length " + Text(length) + " disagrees with the listing's size " +
                            Text(item.layout.outputSize));
    }
    return true;
  }

  bool Decode(BuildItem& item, const uint8_t* bytes, size_t length) {
    const CompressionInfo& compression = *item.listing.compression;
    if (!compression.decode) {
      item.data.assign(bytes, bytes + length);
      return true;
    }
    const char* kind = compression.method;
    size_t consumed = 0;
    const bool decoded = compression.decode(bytes, length, item.data, &consumed);
    if (!decoded) return Fail(item, std::string("corrupt ") + kind + "-compressed stream");
    if (consumed != length) {
      return Fail(item, std::string("the ") + kind + "-compressed stream ends after " +
                            Text(consumed) + " of its " + Text(length) + " bytes");
    }
    if (item.data.size() != static_cast<size_t>(item.layout.storedSize)) {
      return Fail(item, std::string("the ") + kind + "-compressed stream decodes to " +
                            Text(item.data.size()) + " bytes, the listing says " +
                            Text(item.layout.storedSize));
    }
    return true;
  }

  const std::vector<uint8_t>& binary_;
  std::string& error_;
  size_t position_ = 0;
  int64_t address_ = 0;
};

}  // namespace

bool ReadBuild(const std::vector<uint8_t>& binary, const std::string& listingText, Build& build,
               std::string& error) {
  build = Build();
  if (!ParseListing(listingText, build.listing, error)) return false;
  return BinaryWalker(binary, error).Walk(build);
}
