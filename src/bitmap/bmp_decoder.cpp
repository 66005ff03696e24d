#include "bitmap/bmp_decoder.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <utility>

#include "io/console.h"

// The BMP files read here (all numbers little-endian):
//
//   offset  size  field
//   0       2     signature "BM"
//   10      4     offset of the pixel data (unsigned)
//   14      4     information header size I (unsigned)
//
// I = 12, the old two-byte form:            any other I, the 40-byte form and
//                                           its longer kinds (52, 56, 108, 124):
//   18   2  width (unsigned)                  18   4  width, signed
//   20   2  height (unsigned)                 22   4  height, signed; negative
//   22   2  planes: must be 1                          when rows are stored top first
//   24   2  bits per pixel: 1, 4, 8, 24       26   2  planes: must be 1
//   26      palette: 2^bits entries of        28   2  bits per pixel B
//           blue, green, red (3 bytes)        30   4  compression C
//                                             34   4  image size S, signed
//                                             46   4  colours used (0: 2^B)
//                                             54   12 red, green, blue masks (I >= 52)
//                                             66   4  alpha mask (I >= 56)
//                                             14+I    palette: entries of blue,
//                                                     green, red, reserved; or, for
//                                                     C = 3 and I = 40, the three masks
//
// Forms read (B, C):
//   1, 4, 8 / 0   palettised, one index per pixel in B bits, the leftmost
//                 pixel in the byte's high bits
//   8 / 1, 4 / 2  palettised, run-length compressed (RLE8, RLE4; the stream
//                 is drawn in bmp_run_length.cpp)
//   16 / 0        true colour, 5-5-5: bits 14-10 red, 9-5 green, 4-0 blue
//   24 / 0        true colour, bytes blue, green, red
//   32 / 0        true colour, bytes blue, green, red, alpha; the alpha byte
//                 counts only where some pixel has it above 0 (most writers
//                 leave it 0 in opaque pictures)
//   16, 32 / 3    true colour by the masks (bit fields), with alpha where an
//                 alpha mask is given
// Rows are padded to a multiple of 4 bytes and stored bottom row first
// unless the height is negative.
//
// The 8-bit uncompressed form keeps the rules it always had: 1024 palette
// bytes are read where the file holds them (else the colours-used entries,
// the rest black), and the pixel rows are found by S, the image size (0
// meaning the rows' own size): every row is followed by the same padding,
// (width + pad) * height == S, and the rows are read at the header's pixel
// data offset when that offset lies past the palette and the S bytes from
// there lie within the file, otherwise as the last S bytes of the file.
// Every other form is read at the header's offset when it lies past the
// palette and within the file, otherwise right after the palette.

namespace {

constexpr uint64_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint64_t kInfoHeaderSize = 40;
constexpr uint64_t kMaskOffset = kFileHeaderSize + kInfoHeaderSize;  // masks inside I >= 52
constexpr uint32_t kHeaderWithMasks = 52;
constexpr uint32_t kHeaderWithAlphaMask = 56;
constexpr int kPaletteEntries = 256;

enum Compression : uint32_t { kUncompressed = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3 };

void PrintInvalidHeader() { Fault(" Invalid bitmap header\n"); }
void PrintWrongType() { Fault(" Wrong bitmap type in ( Must be 256 colours non-compressed )\n"); }
void PrintPaletteError() { Fault(" Error reading palette\n"); }
void PrintStrideError() { Fault("Something wrong with the stride for this image\n"); }
void PrintReadError() { Fault("Error reading image data from file\n"); }

struct BmpHeader {
  uint32_t pixelOffset = 0;
  uint32_t infoSize = 0;
  bool core = false;  // the 12-byte header
  int32_t width = 0;
  int32_t storedHeight = 0;
  uint16_t planes = 0;
  uint16_t bitsPerPixel = 0;
  uint32_t compression = kUncompressed;
  int32_t imageSize = 0;
  uint32_t coloursUsed = 0;

  // INT32_MIN has no positive counterpart: it is kept, and refused later.
  bool TopDown() const { return storedHeight < 0 && storedHeight != INT32_MIN; }
  int32_t Height() const { return TopDown() ? -storedHeight : storedHeight; }
  // Where the palette (or the masks that follow a 40-byte header) begins.
  uint64_t TableStart() const {
    if (core) return kFileHeaderSize + kCoreHeaderSize;
    return kFileHeaderSize + (infoSize > kInfoHeaderSize ? infoSize : kInfoHeaderSize);
  }
  bool IsUncompressed8Bit() const {
    return !core && bitsPerPixel == 8 && compression == kUncompressed;
  }
};

// The forms read: compression, bits per pixel, and whether the 12-byte
// header (which has no compression field) can hold them.
struct BmpForm {
  uint32_t compression;
  uint16_t bitsPerPixel;
  bool inCoreHeader;
};
constexpr BmpForm kFormsRead[] = {
    {kUncompressed, 1, true},  {kUncompressed, 4, true},   {kUncompressed, 8, true},
    {kUncompressed, 24, true}, {kUncompressed, 16, false}, {kUncompressed, 32, false},
    {kRle8, 8, false},         {kRle4, 4, false},          {kBitFields, 16, false},
    {kBitFields, 32, false},
};

bool IsSupported(const BmpHeader& header) {
  if (header.planes != 1) return false;
  for (const BmpForm& form : kFormsRead) {
    if (form.compression == header.compression && form.bitsPerPixel == header.bitsPerPixel &&
        (form.inCoreHeader || !header.core))
      return true;
  }
  return false;
}

// The file header and the information header, with the messages of a file
// that is no BMP or a kind not read.
bool ReadHeader(const uint8_t* file, size_t size, BmpHeader& header) {
  if (size < kFileHeaderSize || file[0] != 'B' || file[1] != 'M') {
    PrintInvalidHeader();
    return false;
  }
  header.pixelOffset = Read32(file + 10);
  header.infoSize = size >= kFileHeaderSize + 4 ? Read32(file + 14) : 0;
  header.core = header.infoSize == kCoreHeaderSize;
  if (size < kFileHeaderSize + (header.core ? kCoreHeaderSize : kInfoHeaderSize)) {
    PrintWrongType();
    return false;
  }
  const uint8_t* info = file + kFileHeaderSize;
  if (header.core) {
    header.width = Read16(info + 4);
    header.storedHeight = Read16(info + 6);
    header.planes = Read16(info + 8);
    header.bitsPerPixel = Read16(info + 10);
  } else {
    header.width = static_cast<int32_t>(Read32(info + 4));
    header.storedHeight = static_cast<int32_t>(Read32(info + 8));
    header.planes = Read16(info + 12);
    header.bitsPerPixel = Read16(info + 14);
    header.compression = Read32(info + 16);
    header.imageSize = static_cast<int32_t>(Read32(info + 20));
    header.coloursUsed = Read32(info + 32);
  }
  if (!IsSupported(header)) {
    PrintWrongType();
    return false;
  }
  return true;
}

uint64_t PaddedRowBytes(int64_t width, int bitsPerPixel) {
  return (static_cast<uint64_t>(width) * bitsPerPixel + 31) / 32 * 4;
}

// Reads `count` entries of kEntrySize bytes (blue, green, red first) at
// `start`; false when the file ends before them. (A constant entry size
// lets the compiler copy many entries a step.)
template <int kEntrySize>
bool ReadPaletteEntries(const uint8_t* file, size_t size, uint64_t start, int count,
                        DecodedPicture& picture) {
  if (start > size || (size - start) / kEntrySize < static_cast<uint64_t>(count)) return false;
  const uint8_t* entries = file + start;
  const uint32_t opaque = EntryWord(PaletteEntry{0, 0, 0, 255});
  for (int i = 0; i < count; ++i) {
    uint32_t word = 0;
    // Four bytes at once where the fourth (reserved) is there to be replaced.
    memcpy(&word, entries + kEntrySize * i, kEntrySize == 4 ? 4 : 3);
    picture.palette[i] = WordEntry(word | opaque);
  }
  return true;
}

// The colours-used field's number of entries: 2^bits when it is 0 or more.
int ColoursUsed(const BmpHeader& header) {
  const uint32_t most = 1u << header.bitsPerPixel;
  return static_cast<int>(
      header.coloursUsed == 0 || header.coloursUsed > most ? most : header.coloursUsed);
}

// ---------------------------------------------------------------------------
// The 8-bit uncompressed form, with the rules it always had.

int64_t PixelDataStart(const BmpHeader& header, int64_t imageSize, int64_t fileLength) {
  const int64_t pastPalette =
      static_cast<int64_t>(header.TableStart()) + 4 * static_cast<int64_t>(ColoursUsed(header));
  const int64_t declared = header.pixelOffset;
  if (declared >= pastPalette && declared + imageSize <= fileLength) return declared;
  return fileLength - imageSize;
}

bool ReadEightBitPalette(const uint8_t* file, size_t size, const BmpHeader& header,
                         DecodedPicture& picture) {
  const uint64_t start = header.TableStart();
  if (ReadPaletteEntries<4>(file, size, start, kPaletteEntries, picture)) return true;
  // A file that ends before 1024 bytes but holds the entries it says it uses.
  return ReadPaletteEntries<4>(file, size, start, ColoursUsed(header), picture);
}

bool DecodeUncompressed8Bit(const uint8_t* file, size_t size, const BmpHeader& header,
                            DecodedPicture& picture) {
  if (!ReadEightBitPalette(file, size, header, picture)) {
    PrintPaletteError();
    return false;
  }
  const int64_t width = header.width;
  const int64_t height = header.Height();
  const bool validHeight = height != 0 && header.storedHeight != INT32_MIN;
  int64_t imageSize = header.imageSize;
  // A size of 0 is allowed for uncompressed files: the rows' own size.
  if (imageSize == 0 && width > 0 && validHeight)
    imageSize = static_cast<int64_t>(PaddedRowBytes(width, 8)) * height;
  if (imageSize < 0) {
    Fault(" Couldn't malloc space for image\n");
    return false;
  }
  const int64_t fileLength = static_cast<int64_t>(size);
  if (imageSize > fileLength) {
    Fault("Could not read image data from file. Error during seek\n");
    return false;
  }
  // Every row is followed by the same padding: (width + pad) * height == S.
  if (!validHeight || width < 0) {
    PrintStrideError();
    return false;
  }
  const int64_t area = width * height;
  const int64_t pad = (imageSize - area) / height;
  if ((width + pad) * height != imageSize) {
    PrintStrideError();
    return false;
  }
  // Rows would overlap (negative pad) or hold nothing.
  if (imageSize < area || width == 0) {
    PrintReadError();
    return false;
  }
  if (!CheckPicturePixels(width, height)) return false;
  picture.width = static_cast<int>(width);
  picture.height = static_cast<int>(height);
  // The rows lie within the file: start + imageSize <= fileLength, and the
  // last row ends pad bytes (pad >= 0) before start + imageSize.
  const int64_t start = PixelDataStart(header, imageSize, fileLength);
  const int64_t stride = width + pad;
  picture.firstRow = header.TopDown() ? start : start + (height - 1) * stride;
  picture.rowStep = header.TopDown() ? stride : -stride;
  return true;
}

// ---------------------------------------------------------------------------
// The other forms.

// One channel of a true-colour pixel: the bits of its mask, scaled to 0..255.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;     // the mask's lowest bit
  uint32_t top = 0;  // mask >> shift: the channel's largest value

  static Channel FromMask(uint32_t mask) {
    Channel channel;
    channel.mask = mask;
    if (mask == 0) return channel;
    while (!((mask >> channel.shift) & 1)) ++channel.shift;
    channel.top = mask >> channel.shift;
    return channel;
  }
  uint8_t Extract(uint32_t pixel) const {
    if (top == 0) return 0;
    const uint64_t value = (pixel & mask) >> shift;
    return static_cast<uint8_t>((value * 255 + top / 2) / top);
  }
};

struct ChannelMasks {
  Channel red, green, blue, alpha;
  // The 32-bit uncompressed form's alpha byte, used only where some pixel
  // has it above 0.
  bool alphaOnlyIfUsed = false;
};

ChannelMasks MasksOf(uint32_t red, uint32_t green, uint32_t blue, uint32_t alpha) {
  ChannelMasks masks;
  masks.red = Channel::FromMask(red);
  masks.green = Channel::FromMask(green);
  masks.blue = Channel::FromMask(blue);
  masks.alpha = Channel::FromMask(alpha);
  return masks;
}

// The masks of a true-colour form; false when the file ends before them.
// `tableEnd` becomes the end of what was read after the header.
bool ReadChannelMasks(const uint8_t* file, size_t size, const BmpHeader& header,
                      ChannelMasks& masks, uint64_t& tableEnd) {
  tableEnd = header.TableStart();
  if (header.compression == kUncompressed) {
    if (header.bitsPerPixel == 16) masks = MasksOf(0x7C00, 0x03E0, 0x001F, 0);
    if (header.bitsPerPixel == 32) {
      masks = MasksOf(0xFF0000, 0xFF00, 0xFF, 0xFF000000u);
      masks.alphaOnlyIfUsed = true;
    }
    return true;
  }
  // Bit fields: inside a header of 52 bytes or more, else right after it.
  const bool inHeader = header.infoSize >= kHeaderWithMasks;
  const uint64_t at = inHeader ? kMaskOffset : tableEnd;
  const bool withAlpha = header.infoSize >= kHeaderWithAlphaMask;
  const uint64_t length = withAlpha ? 16 : 12;
  if (at > size || size - at < length) return false;
  masks = MasksOf(Read32(file + at), Read32(file + at + 4), Read32(file + at + 8),
                  withAlpha ? Read32(file + at + 12) : 0);
  if (!inHeader) tableEnd += length;
  return true;
}

// The palette of a palettised form: the colours-used entries (for the
// 12-byte header, 2^bits or as many as fit before the pixel data).
bool ReadSmallPalette(const uint8_t* file, size_t size, const BmpHeader& header,
                      DecodedPicture& picture, uint64_t& tableEnd) {
  const uint64_t start = header.TableStart();
  const int entrySize = header.core ? 3 : 4;
  int entries = ColoursUsed(header);
  if (header.core && header.pixelOffset >= start) {
    const uint64_t room = (header.pixelOffset - start) / entrySize;
    if (room < static_cast<uint64_t>(entries)) entries = static_cast<int>(room);
  }
  tableEnd = start + static_cast<uint64_t>(entries) * entrySize;
  return header.core ? ReadPaletteEntries<3>(file, size, start, entries, picture)
                     : ReadPaletteEntries<4>(file, size, start, entries, picture);
}

void StoreColour(uint8_t* pixel, uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha) {
  pixel[0] = blue;
  pixel[1] = green;
  pixel[2] = red;
  pixel[3] = alpha;
}

void UnpackIndexRow(const uint8_t* row, int bitsPerPixel, int width, uint8_t* indices) {
  for (int x = 0; x < width; ++x) {
    switch (bitsPerPixel) {
      case 1:
        indices[x] = (row[x / 8] >> (7 - x % 8)) & 1;
        break;
      case 4:
        indices[x] = (row[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F;
        break;
      default:
        indices[x] = row[x];
        break;
    }
  }
}

// Unpacks one row of true colour; returns whether any pixel's alpha was above 0.
bool UnpackColourRow(const uint8_t* row, int bitsPerPixel, int width, const ChannelMasks& masks,
                     uint8_t* pixels) {
  bool anyAlpha = false;
  for (int x = 0; x < width; ++x) {
    uint8_t* pixel = pixels + kTrueColourBytes * static_cast<size_t>(x);
    if (bitsPerPixel == 24) {
      const uint8_t* bytes = row + 3 * static_cast<size_t>(x);
      StoreColour(pixel, bytes[2], bytes[1], bytes[0], 255);
      continue;
    }
    const uint32_t value = bitsPerPixel == 16 ? Read16(row + 2 * static_cast<size_t>(x))
                                              : Read32(row + 4 * static_cast<size_t>(x));
    const uint8_t alpha = masks.alpha.top ? masks.alpha.Extract(value) : 255;
    anyAlpha = anyAlpha || alpha != 0;
    StoreColour(pixel, masks.red.Extract(value), masks.green.Extract(value),
                masks.blue.Extract(value), alpha);
  }
  return anyAlpha;
}

void MakeOpaque(DecodedPicture& picture) {
  const size_t count = static_cast<size_t>(picture.width) * picture.height;
  for (size_t i = 0; i < count; ++i) picture.pixels[kTrueColourBytes * i + 3] = 255;
}

bool DecodeRows(const uint8_t* data, size_t size, const BmpHeader& header,
                const ChannelMasks& masks, DecodedPicture& picture) {
  const int width = picture.width;
  const int bits = header.bitsPerPixel;
  const uint64_t rowBytes = (static_cast<uint64_t>(width) * bits + 7) / 8;
  const uint64_t stride = PaddedRowBytes(width, bits);
  const size_t pixelBytes = picture.trueColour ? kTrueColourBytes : 1;
  bool anyAlpha = false;
  for (int fileRow = 0; fileRow < picture.height; ++fileRow) {
    const int y = header.TopDown() ? fileRow : picture.height - 1 - fileRow;
    const uint64_t at = static_cast<uint64_t>(fileRow) * stride;
    if (at > size || size - at < rowBytes) {
      PrintReadError();
      return false;
    }
    uint8_t* out = picture.pixels.get() + static_cast<size_t>(y) * width * pixelBytes;
    if (picture.trueColour)
      anyAlpha = UnpackColourRow(data + at, bits, width, masks, out) || anyAlpha;
    else
      UnpackIndexRow(data + at, bits, width, out);
  }
  if (picture.trueColour && masks.alphaOnlyIfUsed && !anyAlpha) MakeOpaque(picture);
  return true;
}

bool DecodeOtherForms(const uint8_t* file, size_t size, const BmpHeader& header,
                      DecodedPicture& picture) {
  ChannelMasks masks;
  uint64_t tableEnd = 0;
  const bool tableRead = header.bitsPerPixel <= 8
                             ? ReadSmallPalette(file, size, header, picture, tableEnd)
                             : ReadChannelMasks(file, size, header, masks, tableEnd);
  if (!tableRead) {
    PrintPaletteError();
    return false;
  }
  if (header.width <= 0 || header.Height() <= 0) {
    PrintStrideError();
    return false;
  }
  if (!CheckPicturePixels(header.width, header.Height())) return false;
  picture.width = header.width;
  picture.height = header.Height();
  picture.trueColour = header.bitsPerPixel > 8;
  if (!AllocatePixels(picture)) return false;

  const uint64_t start =
      header.pixelOffset >= tableEnd && header.pixelOffset <= size ? header.pixelOffset : tableEnd;
  if (start > size) {
    PrintReadError();
    return false;
  }
  const uint8_t* data = file + start;
  const size_t dataSize = size - static_cast<size_t>(start);
  if (header.compression == kRle8 || header.compression == kRle4) {
    if (DecodeBmpRunLength(data, dataSize, header.bitsPerPixel, header.TopDown(), picture))
      return true;
    PrintReadError();
    return false;
  }
  return DecodeRows(data, dataSize, header, masks, picture);
}

}  // namespace

bool DecodeBmp(InputBytes& file, DecodedPicture& picture) {
  BmpHeader header;
  const uint8_t* bytes = file.data.get();
  if (!ReadHeader(bytes, file.size, header)) return false;
  PrintPictureSize(header.width, header.Height());
  if (!header.IsUncompressed8Bit()) return DecodeOtherForms(bytes, file.size, header, picture);
  if (!DecodeUncompressed8Bit(bytes, file.size, header, picture)) return false;
  picture.pixels = std::move(file.data);
  file.size = 0;
  return true;
}
