#include "AppLook.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QStyleFactory>

namespace AppLook {

static void ensureTahoma()
{
    if (QFontDatabase::families().contains(QStringLiteral("Tahoma")))
        return;
    for (const char *path : {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/fonts/truetype/wine/tahoma.ttf"}) {
        if (QFile::exists(QString::fromLatin1(path))
            && QFontDatabase::addApplicationFont(QString::fromLatin1(path)) >= 0)
            return;
    }
}

void prepare()
{
    ensureTahoma();
    if (QStyle *classic = QStyleFactory::create(QStringLiteral("Windows")))
        QApplication::setStyle(classic);
}

static QFont tahoma(int pixelSize)
{
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(pixelSize);
    font.setWeight(QFont::Normal);
    return font;
}

QFont windowFont()
{
    return tahoma(WindowPixelSize);
}

QFont characterBoxFont()
{
    return tahoma(CharacterBoxPixelSize);
}

} // namespace AppLook
