#include "scenes.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

#include "palettes.h"

namespace imagegen {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kCell = 8;
constexpr uint8_t kPaper = 0;  // values of a two-level picture
constexpr uint8_t kInk = 1;

int Scale(int size, double fraction) { return static_cast<int>(std::lround(size * fraction)); }

int RoundDownToCell(int size) { return size > 0 ? size / kCell * kCell : 0; }

// A filled disc shaded as a ball lit from the top left: `ramp` runs from
// the lit side to the dark side, ordered-dithered.
void ShadedBall(Canvas& canvas, int centreX, int centreY, int radius,
                const std::vector<uint8_t>& ramp) {
  if (radius <= 0) return;
  for (int dy = -radius; dy <= radius; ++dy) {
    for (int dx = -radius; dx <= radius; ++dx) {
      const double distance = std::sqrt(static_cast<double>(dx * dx + dy * dy)) / radius;
      if (distance > 1.0) continue;
      const double lightX = dx / static_cast<double>(radius) + 0.4;
      const double lightY = dy / static_cast<double>(radius) + 0.4;
      const double level = std::min(1.0, std::sqrt(lightX * lightX + lightY * lightY) / 1.4);
      const int x = centreX + dx;
      const int y = centreY + dy;
      canvas.Set(x, y, DitherRamp(ramp, x, y, level));
    }
  }
}

struct CellColours {
  uint8_t ink;
  uint8_t paper;
};

// Colours a two-level picture cell by cell: ink pixels take the cell's ink
// index, paper pixels its paper index, so no cell has more than two.
Canvas ColourCells(const Canvas& twoLevel,
                   const std::function<CellColours(int cellX, int cellY)>& colours) {
  Canvas coloured(twoLevel.width(), twoLevel.height());
  for (int cellY = 0; cellY * kCell < twoLevel.height(); ++cellY) {
    for (int cellX = 0; cellX * kCell < twoLevel.width(); ++cellX) {
      const CellColours cell = colours(cellX, cellY);
      for (int y = cellY * kCell; y < (cellY + 1) * kCell; ++y) {
        for (int x = cellX * kCell; x < (cellX + 1) * kCell; ++x) {
          coloured.Set(x, y, twoLevel.At(x, y) == kInk ? cell.ink : cell.paper);
        }
      }
    }
  }
  return coloured;
}

// A letter-like glyph in the 5 x 7 box at (x, y): a few strokes chosen at
// random among bars, stems and a diagonal.
void Glyph(Canvas& canvas, int x, int y, Random& random) {
  const int strokes = random.Between(3, 5);
  for (int i = 0; i < strokes; ++i) {
    switch (random.Below(6)) {
      case 0: DrawLine(canvas, x, y, x + 4, y, kInk); break;
      case 1: DrawLine(canvas, x, y + 3, x + 4, y + 3, kInk); break;
      case 2: DrawLine(canvas, x, y + 6, x + 4, y + 6, kInk); break;
      case 3: DrawLine(canvas, x, y, x, y + 6, kInk); break;
      case 4: DrawLine(canvas, x + 4, y, x + 4, y + 6, kInk); break;
      default: DrawLine(canvas, x, y + 6, x + 4, y, kInk); break;
    }
  }
}

// The two-level art of the title screen.
Canvas TitleArt(Random& random) {
  Canvas art(256, 192, kPaper);
  Sprinkle(art, {0, 0, 256, 96}, kInk, 12, random);
  ShadedBall(art, random.Between(150, 200), random.Between(40, 56), 34, {kInk, kInk, kPaper});
  FillHills(art, 112, 10, 0.045 + random.Below(20) / 1000.0, random.Below(628) / 100.0, kInk);
  FillHills(art, 124, 6, 0.11, random.Below(628) / 100.0, kPaper);
  FillRect(art, {0, 136, 256, 24}, kPaper);
  for (int column = 2; column < 30; ++column) {
    if (column == 9 || column == 20) continue;  // word gaps
    Glyph(art, column * kCell + 1, 144, random);
  }
  FillRect(art, {0, 160, 256, 32}, kPaper);
  for (int x = 0; x < 256; ++x) {
    for (int y = 160; y < 192; ++y) {
      if (DitherOn(x, y, (y - 160) / 40.0)) art.Set(x, y, kInk);
    }
  }
  return art;
}

}  // namespace

Canvas Landscape(int width, int height, Random& random) {
  Canvas canvas(width, height, kBright | kWhite);
  const int horizon = Scale(height, 0.62);
  DitherVertical(canvas, {0, 0, width, horizon}, kBright | kWhite, Grey(4));

  const int sunRadius = std::max(2, std::min(width, height) / 7);
  const int sunX = Scale(width, 0.55 + random.Below(30) / 100.0);
  const int sunY = Scale(height, 0.22);
  FillEllipse(canvas, sunX, sunY, sunRadius + 1, sunRadius + 1, kBlack);
  FillEllipse(canvas, sunX, sunY, sunRadius, sunRadius, kBright | kYellow);
  for (int cloud = 0; cloud < 3; ++cloud) {
    const int x = random.Below(std::max(1, width));
    const int y = random.Between(Scale(height, 0.08), Scale(height, 0.35));
    FillEllipse(canvas, x, y, Scale(width, 0.09) + 1, Scale(height, 0.04) + 1, kBright | kWhite);
  }

  FillHills(canvas, horizon, Scale(height, 0.1), 0.03 + random.Below(30) / 1000.0,
            random.Below(628) / 100.0, Grey(6));
  const int nearHills = Scale(height, 0.78);
  FillHills(canvas, nearHills, Scale(height, 0.06), 0.07 + random.Below(40) / 1000.0,
            random.Below(628) / 100.0, Grey(2));
  // Grass: light speckles on the near hills only.
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (canvas.At(x, y) == Grey(2) && random.Below(1000) < 60) canvas.Set(x, y, Grey(12));
    }
  }

  const int houseWidth = std::max(4, Scale(width, 0.07));
  const int houseHeight = std::max(4, Scale(height, 0.1));
  for (int x = random.Below(houseWidth); x + houseWidth < width; x += houseWidth * 2) {
    const int top = nearHills - houseHeight + random.Below(3);
    FillRect(canvas, {x, top, houseWidth, houseHeight}, kBlack);
    for (int windowY = top + 2; windowY + 2 < top + houseHeight; windowY += 4) {
      for (int windowX = x + 2; windowX + 2 < x + houseWidth; windowX += 4) {
        if (random.Below(3) != 0) FillRect(canvas, {windowX, windowY, 2, 2}, kBright | kYellow);
      }
    }
  }
  return canvas;
}

Canvas Creature(int width, int height, bool masked, Random& random) {
  Canvas canvas(width, height, masked ? kMaskIndex : static_cast<uint8_t>(kBright | kWhite));
  const int centreX = width / 2;
  const int centreY = Scale(height, 0.5);
  const int radiusX = std::max(2, Scale(width, 0.4));
  const int radiusY = std::max(2, Scale(height, 0.33));

  const int legs = random.Between(2, 4);
  for (int leg = 0; leg < legs; ++leg) {
    const int footX = centreX - radiusX + (2 * radiusX * (leg + 1)) / (legs + 1);
    DrawLine(canvas, footX, centreY, footX + random.Between(-2, 2), height - 1, kBlack);
  }
  FillEllipse(canvas, centreX, centreY, radiusX, radiusY, kBlack);
  ShadedBall(canvas, centreX, centreY, std::max(1, std::min(radiusX, radiusY) - 1),
             {kBright | kWhite, Grey(11), Grey(6), Grey(2)});

  const int eyeRadius = std::max(1, radiusX / 4 + random.Below(2));
  const int eyeY = centreY - radiusY / 3;
  for (int side = -1; side <= 1; side += 2) {
    const int eyeX = centreX + side * radiusX / 2;
    FillEllipse(canvas, eyeX, eyeY, eyeRadius, eyeRadius, kBright | kWhite);
    canvas.Set(eyeX, eyeY, kBlack);
    canvas.Set(eyeX + 1, eyeY, kBlack);
  }
  return canvas;
}

Canvas TitleScreen(Random& random) {
  const Canvas art = TitleArt(random);
  const int planetColumn = 20;
  return ColourCells(art, [&](int cellX, int cellY) -> CellColours {
    if (cellY < 12) {
      const bool planet = cellX >= planetColumn - 3 && cellY >= 1 && cellY < 11;
      return {static_cast<uint8_t>(planet ? (kBright | kYellow) : (kBright | kWhite)), kBlack};
    }
    if (cellY < 17) return {kGreen, kBlue};
    if (cellY < 20) return {kBright | kYellow, kBright | kRed};
    return {kBlack, kGreen};
  });
}

Canvas ColourTiles(int width, int height, Random& random) {
  width = RoundDownToCell(width);
  height = RoundDownToCell(height);
  // The landscape, reduced to two levels by the ink rule of its palette.
  const Canvas picture = Landscape(width, height, random);
  const std::vector<Rgb> palette = DisplayPalette();
  Canvas twoLevel(width, height, kPaper);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Rgb colour = palette[picture.At(x, y)];
      const double brightness = 0.3 * colour.blue + 0.4 * colour.green + 0.3 * colour.red;
      if (brightness < 127.5) twoLevel.Set(x, y, kInk);
    }
  }
  const int cellRows = std::max(1, height / kCell);
  return ColourCells(twoLevel, [&](int cellX, int cellY) -> CellColours {
    const double depth = static_cast<double>(cellY) / cellRows;
    if (depth < 0.6) {
      const uint8_t paper = depth < 0.3 ? kBright | kCyan : kCyan;
      return {static_cast<uint8_t>((cellX + cellY) % 5 == 0 ? kBlue : kBlack), paper};
    }
    const uint8_t ink = (cellX % 3 == 0) ? kBlack : kBlue;
    return {ink, static_cast<uint8_t>(depth < 0.8 ? kGreen : (kBright | kGreen))};
  });
}

Canvas TileLevel(int width, int height, Random& random) {
  // Tile patterns, rows from the top, bit 7 the leftmost pixel, and the
  // palette index of their set pixels.
  enum Tile {
    kSky,
    kBrick,
    kGrass,
    kEarth,
    kCloudLeft,
    kCloudRight,
    kLadder,
    kCoin,
    kWater,
    kStar
  };
  struct TileLook {
    uint8_t rows[kCell];
    uint8_t index;
  };
  static const TileLook kTiles[] = {
      {{0, 0, 0, 0, 0, 0, 0, 0}, 0},                                          // sky
      {{0xFF, 0x08, 0x08, 0x08, 0xFF, 0x80, 0x80, 0x80}, kRed},               // brick
      {{0x00, 0x44, 0xEE, 0xFF, 0xFF, 0xDF, 0xFF, 0xFB}, kBright | kGreen},   // grass
      {{0xFF, 0xDF, 0xFF, 0xFB, 0xFF, 0xEF, 0xFF, 0xFD}, kYellow},            // earth
      {{0x00, 0x0E, 0x3F, 0x7F, 0xFF, 0xFF, 0x7F, 0x00}, kBright | kWhite},   // cloud, left
      {{0x00, 0xC0, 0xF8, 0xFC, 0xFF, 0xFF, 0xFE, 0x00}, kBright | kWhite},   // cloud, right
      {{0x81, 0xFF, 0x81, 0x81, 0xFF, 0x81, 0x81, 0xFF}, kWhite},             // ladder
      {{0x00, 0x3C, 0x7E, 0x66, 0x66, 0x7E, 0x3C, 0x00}, kBright | kYellow},  // coin
      {{0x00, 0x00, 0x66, 0x99, 0x00, 0x66, 0x99, 0x00}, kBlue},              // water
      {{0x00, 0x08, 0x08, 0x3E, 0x08, 0x08, 0x00, 0x00}, kBright | kWhite},   // star
  };

  const int columns = RoundDownToCell(width) / kCell;
  const int rows = RoundDownToCell(height) / kCell;
  if (columns == 0 || rows == 0) return Canvas(columns * kCell, rows * kCell);
  std::vector<int> map(static_cast<size_t>(columns) * rows, kSky);
  auto at = [&](int column, int row) -> int& {
    return map[static_cast<size_t>(row) * columns + column];
  };

  int ground = std::max(1, rows * 3 / 4);
  for (int column = 0; column < columns; ++column) {
    if (column > 0 && random.Below(4) == 0) ground += random.Between(-1, 1);
    ground = std::min(std::max(ground, rows / 2), rows - 1);
    const bool pond = column % 13 == 7 || column % 13 == 8;
    for (int row = ground; row < rows; ++row)
      at(column, row) = row == ground ? (pond ? kWater : kGrass) : kEarth;
    for (int row = 0; row < ground / 2; ++row) {
      if (random.Below(9) == 0) at(column, row) = kStar;
    }
  }
  for (int platform = 0; platform < columns / 6; ++platform) {
    const int row = random.Between(rows / 4, std::max(rows / 4, rows / 2 - 1));
    const int first = random.Below(std::max(1, columns - 4));
    const int length = random.Between(3, 5);
    for (int column = first; column < std::min(columns, first + length); ++column) {
      at(column, row) = kBrick;
      if (row > 0 && random.Below(2) == 0) at(column, row - 1) = kCoin;
    }
    // A ladder from the platform's middle down to the ground.
    const int ladder = first + length / 2;
    if (ladder >= columns) continue;
    for (int below = row + 1;
         below < rows && (at(ladder, below) == kSky || at(ladder, below) == kStar); ++below)
      at(ladder, below) = kLadder;
  }
  for (int cloud = 0; cloud < columns / 8; ++cloud) {
    const int row = random.Below(std::max(1, rows / 4));
    const int column = random.Below(std::max(1, columns - 1));
    if (column + 1 >= columns) continue;
    at(column, row) = kCloudLeft;
    at(column + 1, row) = kCloudRight;
  }

  Canvas canvas(columns * kCell, rows * kCell, 0);
  for (int row = 0; row < rows; ++row) {
    for (int column = 0; column < columns; ++column) {
      const int tile = at(column, row);
      for (int y = 0; y < kCell; ++y) {
        for (int x = 0; x < kCell; ++x) {
          if (kTiles[tile].rows[y] & (0x80 >> x))
            canvas.Set(column * kCell + x, row * kCell + y, kTiles[tile].index);
        }
      }
    }
  }
  return canvas;
}

Canvas ColourMap(int width, int height, Random& random) {
  height = height > 0 ? height / 2 * 2 : 0;
  Canvas canvas(width, height);
  const int cellRows = std::max(1, height / 2);
  const int sunColumn = random.Below(std::max(1, width));
  for (int row = 0; row < height / 2; ++row) {
    const double depth = static_cast<double>(row) / cellRows;
    for (int x = 0; x < width; ++x) {
      uint8_t paper;
      uint8_t ink;
      if (depth < 0.55) {
        paper = DitherOn(x, row, depth / 0.55) ? kCyan : kBlue;
        ink = std::abs(x - sunColumn) <= 2 && row < 4 ? static_cast<uint8_t>(kBright | kYellow)
                                                      : kBright | kWhite;
      } else if (depth < 0.7) {
        paper = kBright | kBlue;
        ink = kWhite;
      } else {
        paper = DitherOn(x, row, (depth - 0.7) / 0.3) ? kYellow : kGreen;
        ink = random.Below(4) == 0 ? kRed : kBlack;
      }
      canvas.Set(x, 2 * row, ink);
      canvas.Set(x, 2 * row + 1, paper);
    }
  }
  return canvas;
}

Canvas CockpitMask(int height, Random& random) {
  const int width = 256;
  Canvas canvas(width, height, kBlack);
  const std::vector<uint8_t> metal = {Grey(13), Grey(10), Grey(7), Grey(4)};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const double level = 0.5 + 0.45 * std::sin(y * 0.09 + x * 0.01);
      canvas.Set(x, y, DitherRamp(metal, x, y, level));
    }
  }
  const int windowY = height / 2;
  const int windowRadiusY = std::max(8, Scale(height, 0.36));
  for (int side = 0; side < 2; ++side) {
    const int windowX = side == 0 ? 66 : 190;
    FillEllipse(canvas, windowX, windowY, 56, windowRadiusY + 2, kBlack);
    FillEllipse(canvas, windowX, windowY, 54, windowRadiusY, kMaskIndex);
    DrawLine(canvas, windowX - 20, windowY, windowX + 20, windowY, kBright | kGreen);
    DrawLine(canvas, windowX, windowY - 12, windowX, windowY + 12, kBright | kGreen);
  }
  for (int x = 6; x < width; x += 16) {
    FillEllipse(canvas, x, 3, 1, 1, Grey(15));
    FillEllipse(canvas, x, height - 4, 1, 1, Grey(15));
  }
  Sprinkle(canvas, {120, 4, 16, height - 8}, kBlack, 150 + random.Below(100), random);

  if (CountUnmaskedGroups(canvas) % 2 != 0) {
    // Mask the first pixel of the first group without one.
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; x += kCell) {
        bool hasMask = false;
        for (int i = 0; i < kCell; ++i) hasMask = hasMask || canvas.At(x + i, y) == kMaskIndex;
        if (!hasMask) {
          canvas.Set(x, y, kMaskIndex);
          return canvas;
        }
      }
    }
  }
  return canvas;
}

int CountUnmaskedGroups(const Canvas& canvas) {
  int count = 0;
  for (int y = 0; y < canvas.height(); ++y) {
    for (int x = 0; x + kCell <= canvas.width(); x += kCell) {
      bool hasMask = false;
      for (int i = 0; i < kCell; ++i) hasMask = hasMask || canvas.At(x + i, y) == kMaskIndex;
      if (!hasMask) ++count;
    }
  }
  return count;
}

std::vector<Canvas> PropellerFrames(int width, int height, int frames, Random& random) {
  std::vector<Canvas> series;
  const int centreX = width / 2;
  const int centreY = height / 3;
  const int blade = std::max(2, Scale(std::min(width, height), 0.3));
  const int ballRadius = std::max(1, std::min(width, height) / 10);
  const double phase = random.Below(100) / 100.0;
  for (int frame = 0; frame < frames; ++frame) {
    Canvas canvas(width, height, kBright | kWhite);
    const double angle = kPi * (frame + phase) / std::max(1, frames);
    const int dx = static_cast<int>(std::lround(blade * std::cos(angle)));
    const int dy = static_cast<int>(std::lround(blade * std::sin(angle)));
    DrawLine(canvas, centreX - dx, centreY - dy, centreX + dx, centreY + dy, kBlack);
    DrawLine(canvas, centreX - dx + 1, centreY - dy, centreX + dx + 1, centreY + dy, kBlack);
    FillEllipse(canvas, centreX, centreY, 2, 2, kBlack);
    const double bounce = std::fabs(std::sin(2 * kPi * frame / std::max(1, frames)));
    const int ballY = height - 2 - ballRadius - static_cast<int>(bounce * height / 3);
    ShadedBall(canvas, width / 4, ballY, ballRadius, {Grey(9), Grey(5), kBlack});
    DrawLine(canvas, 0, height - 1, width - 1, height - 1, kBlack);
    series.push_back(canvas);
  }
  return series;
}

Canvas GreyScene(int width, int height, Random& random) {
  Canvas canvas(width, height);
  const int ground = Scale(height, 0.72);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      int value;
      if (y < ground) {
        value = 230 - 140 * y / std::max(1, ground) + random.Between(-3, 3);
      } else {
        value = 70 + static_cast<int>(25 * std::sin(x * 0.3) * std::sin(y * 0.7)) +
                random.Between(-12, 12);
      }
      canvas.Set(x, y, static_cast<uint8_t>(std::min(255, std::max(0, value))));
    }
  }
  const int radius = std::max(2, std::min(width, height) / 4);
  const int centreX = random.Between(radius, std::max(radius, width - radius));
  const int centreY = ground - radius / 2;
  for (int dy = -radius; dy <= radius; ++dy) {
    for (int dx = -radius; dx <= radius; ++dx) {
      const double distance = std::sqrt(static_cast<double>(dx * dx + dy * dy)) / radius;
      if (distance > 1.0) continue;
      const double light = 1.0 - std::min(1.0, std::hypot(dx / static_cast<double>(radius) + 0.45,
                                                          dy / static_cast<double>(radius) + 0.45) /
                                                   1.5);
      canvas.Set(centreX + dx, centreY + dy, static_cast<uint8_t>(30 + 215 * light));
    }
  }
  return canvas;
}

std::vector<uint8_t> RawTable(int size, Random& random) {
  std::vector<uint8_t> bytes;
  if (size <= 0) return bytes;
  bytes.reserve(static_cast<size_t>(size));
  static const char kText[] = "PRESS FIRE TO START  HIGH SCORE 001250  ";
  while (static_cast<int>(bytes.size()) < size) {
    for (int i = 0; i < 64; ++i)
      bytes.push_back(static_cast<uint8_t>(128 + std::lround(127 * std::sin(2 * kPi * i / 64))));
    bytes.insert(bytes.end(), kText, kText + strlen(kText));
    for (int run = 0; run < 8; ++run)
      bytes.insert(bytes.end(), static_cast<size_t>(random.Between(1, 40)),
                   static_cast<uint8_t>(random.Below(256)));
  }
  bytes.resize(static_cast<size_t>(size));
  return bytes;
}

}  // namespace imagegen
