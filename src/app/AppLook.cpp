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
    // The Windows build carries the face beside the programs.
    const QString carried = QCoreApplication::applicationDirPath() + QStringLiteral("/fonts/tahoma.ttf");
    for (const QString &path : {carried, QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"),
                                QStringLiteral("/usr/share/fonts/truetype/wine/tahoma.ttf")}) {
        if (QFile::exists(path) && QFontDatabase::addApplicationFont(path) >= 0)
            return;
    }
}

void beforeApplication()
{
#if defined(Q_OS_WIN)
    // GDI lays Tahoma out in whole pixels per letter, wider than the layout
    // was drawn for, and Wine's GDI more so: captions were cut. FreeType, as
    // on Linux, keeps the face's own widths. Its font list is the one in the
    // registry, where Wine's own Tahoma is missing; the carried copy stands in.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "windows:fontengine=freetype");
#endif
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
    // Widths as the face has them, the same on every system.
    font.setHintingPreference(QFont::PreferVerticalHinting);
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
