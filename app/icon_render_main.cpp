// Build tool: renders the SVG icon as PNG files of the hicolor theme's sizes.
//   tarnwell-icon SVG OUT_DIR SIZE...   (writes OUT_DIR/SIZExSIZE/tarnwell.png)
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: tarnwell-icon SVG OUT_DIR SIZE...\n");
    return 2;
  }
  // No display at build time.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
  if (!renderer.isValid()) {
    std::fprintf(stderr, "tarnwell-icon: cannot read %s\n", argv[1]);
    return 1;
  }
  for (int i = 3; i < argc; ++i) {
    const int size = QByteArray(argv[i]).toInt();
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    const QString folder =
        QStringLiteral("%1/%2x%2").arg(QString::fromLocal8Bit(argv[2])).arg(size);
    if (!QDir().mkpath(folder) || !image.save(folder + QStringLiteral("/tarnwell.png"))) {
      std::fprintf(stderr, "tarnwell-icon: cannot write %s\n", qPrintable(folder));
      return 1;
    }
  }
  return 0;
}
