// tolvane-icons: writes the application icon as PNG files laid out as an icon
// theme holds them, <root>/<size>x<size>/apps/<name>.png, drawn by the code
// that draws the window's icon.

#include "pictures/appicon.h"

#include <QDir>
#include <QImage>
#include <QImageWriter>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: tolvane-icons <theme directory> <icon name> <size>...\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    for (int i = 3; i < argc; ++i) {
        bool ok = false;
        const int size = QByteArray(argv[i]).toInt(&ok);
        if (!ok || size < 1 || size > 1024) {
            std::fprintf(stderr, "tolvane-icons: \"%s\" is no icon size (1 to 1024 pixels)\n", argv[i]);
            return 1;
        }
        const QString directory = QStringLiteral("%1/%2x%2/apps").arg(root).arg(size);
        const QString path = QStringLiteral("%1/%2.png").arg(directory, name);
        if (!QDir().mkpath(directory)) {
            std::fprintf(stderr, "tolvane-icons: cannot create the directory %s\n", qPrintable(directory));
            return 1;
        }
        QImageWriter writer(path, "png");
        if (!writer.write(tolvane::appIconImage(size))) {
            std::fprintf(stderr, "tolvane-icons: cannot write %s: %s\n", qPrintable(path),
                         qPrintable(writer.errorString()));
            return 1;
        }
    }
    return 0;
}
