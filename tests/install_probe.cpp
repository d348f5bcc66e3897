// Copied into a staged program folder and started through a link, it tells
// what the control panel would find there, by the panel's own routines.
#include "IniReader.h"
#include "PictureLoader.h"

#include <QApplication>
#include <QTextStream>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTextStream out(stdout);
    out << "folder " << AppPath() << '\n';
    out << "port " << ReadINI(QStringLiteral("Settings"), QStringLiteral("CommPort")) << '\n';
    for (const char *picture : {"dotf.BMP", "dotb.JPG"}) {
        const PictureLoader::Result result = PictureLoader::load(AppPath() + QLatin1String(picture));
        out << "picture " << picture << ' ' << (result.ok() ? QStringLiteral("ok") : result.error) << '\n';
    }
    return 0;
}
