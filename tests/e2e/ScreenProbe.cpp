// What the end-to-end scripts see of the X screen:
//   screen_probe grab FILE.png                   the whole screen of $DISPLAY
//   screen_probe find FILE.png COLOR [X Y W H]   "x y width height count" of the pixels of the
//       area (the whole image without one) that are COLOR: RRGGBB, or "dark" (luminance below half)
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
  const QImage image(QString::fromLocal8Bit(argc >= 3 ? argv[2] : ""));
  if (command != "find" || (argc != 4 && argc != 8) || image.isNull()) {
    std::fprintf(stderr, "usage: screen_probe grab FILE | find FILE RRGGBB|dark [X Y W H]\n");
    return 2;
  }
  const bool dark = std::string(argv[3]) == "dark";
  const QRgb color = static_cast<QRgb>(std::strtoul(argv[3], nullptr, 16)) | 0xFF000000u;
  QRect area = image.rect();
  if (argc == 8)
    area &= QRect(std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6]), std::atoi(argv[7]));
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
  std::printf("%d %d %d %d %ld\n", found.x(), found.y(), found.width(), found.height(), count);
  return 0;
}
