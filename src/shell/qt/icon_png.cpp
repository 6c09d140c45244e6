// Draws the program's SVG icon as a square PNG of the given size, for the
// icon theme folders of the package: icon_png ICON.svg SIZE OUT.png
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>
#include <filesystem>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s ICON.svg SIZE OUT.png\n", argv[0]);
    return 2;
  }
  QGuiApplication app(argc, argv);
  QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
  const int size = QString::fromLatin1(argv[2]).toInt();
  if (!svg.isValid() || size <= 0) {
    std::fprintf(stderr, "cannot draw %s at %s pixels\n", argv[1], argv[2]);
    return 1;
  }
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  svg.render(&painter);
  painter.end();
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(argv[3]).parent_path(), ec);
  return image.save(QString::fromLocal8Bit(argv[3]), "PNG") ? 0 : 1;
}
