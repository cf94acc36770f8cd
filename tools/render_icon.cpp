/*
 * render_icon - renders the program's SVG icon to square PNGs for the icon
 * theme at build time.
 *
 *   render_icon <icon.svg> <output-dir> <size>...
 *
 * writes <output-dir>/<size>x<size>/quillet.png for each size. Exit 0 on
 * success, 1 on bad arguments or a failed read or write.
 */
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>

#include <cstdio>

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: render_icon <icon.svg> <output-dir> <size>...\n");
        return 1;
    }
    for (qsizetype i = 3; i < args.size(); ++i) {
        bool ok = false;
        const int size = args[i].toInt(&ok);
        if (!ok || size < 1 || size > 1024) {
            std::fprintf(stderr, "render_icon: bad size %s\n", qPrintable(args[i]));
            return 1;
        }
        QImageReader reader(args[1]);
        reader.setScaledSize(QSize(size, size));
        const QImage image = reader.read();
        const QString folder = QStringLiteral("%1/%2x%2").arg(args[2]).arg(size);
        if (image.isNull() || !QDir().mkpath(folder) || !image.save(folder + QStringLiteral("/quillet.png"), "PNG")) {
            std::fprintf(stderr, "render_icon: cannot render %s at %d: %s\n", qPrintable(args[1]), size,
                         qPrintable(reader.errorString()));
            return 1;
        }
    }
    return 0;
}
