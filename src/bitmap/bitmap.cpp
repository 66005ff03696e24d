#include "bitmap/bitmap.h"

#include <sys/types.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <new>

// The BMP files read here (all numbers little-endian):
//
//   offset  size  field
//   0       2     signature "BM"
//   10      4     offset of the pixel data (unsigned)
//   14      4     information header size (unsigned; at least 40 is read)
//   18      4     width, signed
//   22      4     height, signed; negative when rows are stored top first
//   26      2     planes: must be 1
//   28      2     bits per pixel: must be 8
//   30      4     compression: must be 0
//   34      4     image size S, signed: bytes of pixel data, padding included
//   46      4     colours used (unsigned; 0 means 256)
//   14+size 1024  palette: 256 entries of blue, green, red, reserved
//   ...     S     pixel rows, bottom row first unless the height is
//                 negative, each followed by the same number of pad bytes
//
// The pixel data is read at the offset the header gives when that offset
// lies past the palette and the S bytes from there lie within the file;
// otherwise it is taken as the last S bytes of the file.

namespace {

constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;
constexpr int kPaletteEntries = 256;
constexpr int kPaletteSize = 4 * kPaletteEntries;
constexpr size_t kReadBufferSize = 64 * 1024;

uint16_t Read16(const uint8_t* bytes) { return static_cast<uint16_t>(bytes[0] | bytes[1] << 8); }

uint32_t Read32(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

int32_t ReadSigned32(const uint8_t* bytes) { return static_cast<int32_t>(Read32(bytes)); }

struct FileCloser {
  void operator()(FILE* file) const { fclose(file); }
};
using File = std::unique_ptr<FILE, FileCloser>;

bool ReadExactly(FILE* file, void* buffer, size_t size) { return fread(buffer, size, 1, file) == 1; }

// Reads and drops `count` bytes; false when the file ends first.
bool SkipBytes(FILE* file, int64_t count) {
  uint8_t scratch[256];
  while (count > 0) {
    const size_t chunk =
        count < static_cast<int64_t>(sizeof scratch) ? static_cast<size_t>(count) : sizeof scratch;
    if (fread(scratch, 1, chunk, file) != chunk) return false;
    count -= static_cast<int64_t>(chunk);
  }
  return true;
}

int64_t FileLength(FILE* file) {
  const off_t here = ftello(file);
  if (fseeko(file, 0, SEEK_END) != 0) return -1;
  const off_t length = ftello(file);
  fseeko(file, here, SEEK_SET);
  return length;
}

// Where the pixel data starts: see the format note above.
int64_t PixelDataStart(const uint8_t* fileHeader, const uint8_t* infoHeader, int64_t imageSize,
                       int64_t fileLength) {
  const int64_t declared = Read32(fileHeader + 10);
  const int64_t infoSize = Read32(infoHeader + 0);
  const uint32_t coloursUsed = Read32(infoHeader + 32);
  const int64_t entries = (coloursUsed == 0 || coloursUsed > 256) ? 256 : coloursUsed;
  const int64_t pastPalette =
      kFileHeaderSize + (infoSize > kInfoHeaderSize ? infoSize : kInfoHeaderSize) + 4 * entries;
  if (declared >= pastPalette && declared + imageSize <= fileLength) return declared;
  return fileLength - imageSize;
}

}  // namespace

bool cPixel::IsMaskColour() const { return red == 255 && green == 0 && blue == 255; }

float cPixel::GetBrightness() const {
  const double sum = static_cast<double>(0.3f) * blue + static_cast<double>(0.4f) * green +
                     static_cast<double>(0.3f) * red;
  return static_cast<float>(sum / 255.0);
}

void cBitmap::Free() {
  pixels_.reset();
  loaded_ = false;
}

bool cBitmap::Load(const char* fileName) {
  printf("Loading bitmap image '%s'\n", fileName);
  // Declared before the file so that it outlives the stream using it.
  std::unique_ptr<char[]> readBuffer(new (std::nothrow) char[kReadBufferSize]);
  File file(fopen(fileName, "rb"));
  if (!file) {
    printf(" Couldn't open/read BMP file\n");
    return false;
  }
  // A whole 256 x 192 image in one read rather than a dozen.
  if (readBuffer) setvbuf(file.get(), readBuffer.get(), _IOFBF, kReadBufferSize);

  uint8_t fileHeader[kFileHeaderSize];
  if (!ReadExactly(file.get(), fileHeader, sizeof fileHeader) || fileHeader[0] != 'B' ||
      fileHeader[1] != 'M') {
    printf(" Invalid bitmap header\n");
    return false;
  }

  uint8_t infoHeader[kInfoHeaderSize];
  if (!ReadExactly(file.get(), infoHeader, sizeof infoHeader) || Read16(infoHeader + 12) != 1 ||
      Read16(infoHeader + 14) != 8 || Read32(infoHeader + 16) != 0) {
    printf(" Wrong bitmap type in ( Must be 256 colours non-compressed )\n");
    return false;
  }

  const int32_t width = ReadSigned32(infoHeader + 4);
  const int32_t storedHeight = ReadSigned32(infoHeader + 8);
  const bool topDown = storedHeight < 0 && storedHeight != INT32_MIN;
  // INT32_MIN has no positive counterpart; it is kept and fails the stride check.
  const int32_t height = topDown ? -storedHeight : storedHeight;
  printf(" Bitmap image is %dx%d\n", width, height);

  // A longer information header is skipped so the palette is read where it is.
  const uint32_t infoSize = Read32(infoHeader + 0);
  uint8_t palette[kPaletteSize];
  if ((infoSize > kInfoHeaderSize &&
       fseeko(file.get(), static_cast<off_t>(infoSize - kInfoHeaderSize), SEEK_CUR) != 0) ||
      !ReadExactly(file.get(), palette, sizeof palette)) {
    printf(" Error reading palette\n");
    return false;
  }

  const int64_t imageSize = ReadSigned32(infoHeader + 20);
  if (imageSize < 0) {
    printf(" Couldn't malloc space for image\n");
    return false;
  }
  const int64_t fileLength = FileLength(file.get());
  if (fileLength < 0 || imageSize > fileLength) {
    printf("Could not read image data from file. Error during seek\n");
    return false;
  }

  // Every row is followed by the same padding: (width + pad) * height == S.
  if (height == 0 || height == INT32_MIN || width < 0) {
    printf("Something wrong with the stride for this image\n");
    return false;
  }
  const int64_t area = static_cast<int64_t>(width) * height;
  const int64_t pad = (imageSize - area) / height;
  if ((width + pad) * height != imageSize) {
    printf("Something wrong with the stride for this image\n");
    return false;
  }
  // Rows would overlap (negative pad) or hold nothing: the row reading fails.
  if (imageSize < area || width == 0) {
    printf("Error reading image data from file\n");
    return false;
  }

  // From here width * height <= S <= the file's length, so the store is bounded.
  std::unique_ptr<uint8_t[]> pixels(new (std::nothrow) uint8_t[static_cast<size_t>(area)]);
  if (!pixels) {
    printf(" Couldn't malloc space for image\n");
    return false;
  }
  // One seek to the first row, then the rows in file order, each followed by
  // its pad bytes: reading on through the pad keeps to the stream's buffer
  // where a seek per row would cost a system call per row.
  const int64_t start = PixelDataStart(fileHeader, infoHeader, imageSize, fileLength);
  const bool atFirstRow = fseeko(file.get(), static_cast<off_t>(start), SEEK_SET) == 0;
  for (int32_t fileRow = 0; fileRow < height; ++fileRow) {
    const int32_t y = topDown ? fileRow : height - 1 - fileRow;
    const bool padSkipped = fileRow == 0 ? atFirstRow : SkipBytes(file.get(), pad);
    if (!padSkipped || !ReadExactly(file.get(), pixels.get() + static_cast<int64_t>(y) * width,
                                    static_cast<size_t>(width))) {
      printf("Error reading image data from file\n");
      return false;
    }
  }

  for (int i = 0; i < kPaletteEntries; ++i) memcpy(palette_[i], palette + 4 * i, 3);
  width_ = width;
  height_ = height;
  pixels_ = std::move(pixels);
  printf("Loaded bitmap ok!\n");
  loaded_ = true;
  return true;
}

cPixel cBitmap::RefusePixel() const {
  if (!loaded_)
    printf(" Trying to grab a pixel from an unloaded image!\n");
  else
    printf(" Trying to grab pixel from outside image!\n");
  return cPixel();
}

int cBitmap::RefusePixelIndex() const {
  if (!loaded_)
    printf(" Trying to grab a pixel index from an unloaded image!\n");
  else
    printf(" Trying to grab pixel index from outside image!\n");
  return 0;
}
