// Renders the program's SVG icon as square PNG files for the icon theme's fixed sizes, with
// the program's own Qt, so that installing needs no separate SVG tool.
// Usage: mailmoat_render_icon SVG SIZE OUTPUT.png [SIZE OUTPUT.png ...]
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QString>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 4 || argc % 2 != 0) {
    std::fprintf(stderr, "usage: mailmoat_render_icon SVG SIZE OUTPUT.png [SIZE OUTPUT.png ...]\n");
    return 2;
  }
  // The SVG reader is an image-format plugin, which needs the application object; the build
  // machine need not have a display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  for (int i = 2; i + 1 < argc; i += 2) {
    bool ok = false;
    const int size = QString::fromLocal8Bit(argv[i]).toInt(&ok);
    if (!ok || size <= 0) {
      std::fprintf(stderr, "mailmoat_render_icon: bad size %s\n", argv[i]);
      return 2;
    }
    QImageReader reader(QString::fromLocal8Bit(argv[1]));
    reader.setScaledSize(QSize(size, size));
    const QImage image = reader.read();
    if (image.isNull()) {
      std::fprintf(stderr, "mailmoat_render_icon: %s: %s\n", argv[1], qPrintable(reader.errorString()));
      return 1;
    }
    if (!image.convertToFormat(QImage::Format_ARGB32).save(QString::fromLocal8Bit(argv[i + 1]), "PNG")) {
      std::fprintf(stderr, "mailmoat_render_icon: cannot write %s\n", argv[i + 1]);
      return 1;
    }
  }
  return 0;
}
