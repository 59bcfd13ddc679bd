// What the end-to-end scripts see of the X screen:
//   screen_probe grab FILE.png                  the whole screen of $DISPLAY
//   screen_probe box FILE.png RRGGBB            "x y width height" of the pixels of that colour
//   screen_probe count FILE.png COLOR X Y W H   the pixels of the area that are COLOR (RRGGBB, or
//                                               "dark": luminance below half)
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  const std::string command = argc >= 3 ? argv[1] : "";
  if (command == "grab") {
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen && screen->grabWindow(0).save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
  }
  const QImage image =
      QImage(QString::fromLocal8Bit(argc >= 3 ? argv[2] : "")).convertToFormat(QImage::Format_RGB32);
  const bool box = command == "box" && argc == 4;
  if (image.isNull() || !(box || (command == "count" && argc == 8))) {
    std::fprintf(stderr,
                 "usage: screen_probe grab FILE | box FILE RRGGBB | count FILE RRGGBB|dark X Y W H\n");
    return 2;
  }
  const bool dark = std::string(argv[3]) == "dark";
  const QRgb color = static_cast<QRgb>(std::strtoul(argv[3], nullptr, 16)) | 0xFF000000u;
  const QRect area =
      box ? image.rect()
          : QRect(std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6]), std::atoi(argv[7])) &
                image.rect();
  QRect found;
  long count = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) {
      const QRgb p = image.pixel(x, y);
      if (dark ? qGray(p) < 128 : (p | 0xFF000000u) == color) {
        found |= QRect(x, y, 1, 1);
        ++count;
      }
    }
  if (!box) std::printf("%ld\n", count);
  if (box && !found.isEmpty())
    std::printf("%d %d %d %d\n", found.x(), found.y(), found.width(), found.height());
  return 0;
}
