// What the end-to-end scripts see of the X screen: a screenshot of it, and where a colour
// lies in a screenshot or how much ink an area holds.
//
//   screen_probe grab FILE.png                  the whole screen of $DISPLAY
//   screen_probe box FILE.png RRGGBB            "x y width height" of the pixels of exactly
//                                               that colour; nothing when there are none
//   screen_probe count FILE.png COLOR X Y W H   how many pixels of the area are COLOR, an
//                                               RRGGBB value or "dark" (luminance below half)
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QRect>
#include <QScreen>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int Usage() {
  std::fprintf(stderr, "usage: screen_probe grab FILE | box FILE RRGGBB | count FILE RRGGBB|dark X Y W H\n");
  return 2;
}

bool IsDark(QRgb p) { return qGray(p) < 128; }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string command = argv[1];
  if (command == "grab") {
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen || !screen->grabWindow(0).save(QString::fromLocal8Bit(argv[2]), "PNG")) {
      std::fprintf(stderr, "screen_probe: cannot grab the screen into %s\n", argv[2]);
      return 1;
    }
    return 0;
  }
  const QImage image = QImage(QString::fromLocal8Bit(argv[2])).convertToFormat(QImage::Format_RGB32);
  if (image.isNull()) {
    std::fprintf(stderr, "screen_probe: cannot read %s\n", argv[2]);
    return 1;
  }
  if (argc < 4) return Usage();
  const bool dark = std::strcmp(argv[3], "dark") == 0;
  const QRgb color = static_cast<QRgb>(std::strtoul(argv[3], nullptr, 16)) | 0xFF000000u;
  auto matches = [&](QRgb p) { return dark ? IsDark(p) : (p | 0xFF000000u) == color; };
  if (command == "box") {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (matches(image.pixel(x, y))) box |= QRect(x, y, 1, 1);
    if (!box.isEmpty()) std::printf("%d %d %d %d\n", box.x(), box.y(), box.width(), box.height());
    return 0;
  }
  if (command == "count" && argc == 8) {
    const QRect area =
        QRect(std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6]), std::atoi(argv[7])) & image.rect();
    long count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
      for (int x = area.left(); x <= area.right(); ++x)
        if (matches(image.pixel(x, y))) ++count;
    std::printf("%ld\n", count);
    return 0;
  }
  return Usage();
}
