#include "WindowHarness.h"

#include <QFile>
#include <QPushButton>
#include <QTest>

namespace {
void copyAsset(const QString &name, const QString &toFolder)
{
    QFile::copy(QStringLiteral(VEXEL_ASSETS_DIR "/") + name, toFolder + QLatin1Char('/') + name);
}
} // namespace

WindowHarness::WindowHarness(const QByteArray &settingsFile, Line line) : m_port(m_folder.path())
{
    copyAsset(QStringLiteral("dotf.BMP"), m_folder.path());
    copyAsset(QStringLiteral("dotb.JPG"), m_folder.path());
    QFile settings(m_folder.filePath(QStringLiteral("vexel.ini")));
    if (settings.open(QIODevice::WriteOnly))
        settings.write(settingsFile);
    settings.close();
    if (line == Line::Linked)
        linkPort(1, m_line.slavePath());
}

void WindowHarness::linkPort(int number, const QString &device)
{
    const QString link = m_folder.filePath(QStringLiteral("COM%1").arg(number));
    QFile::remove(link);
    QFile::link(device, link);
}

MainWindow &WindowHarness::window()
{
    if (!m_window)
        m_window = std::make_unique<MainWindow>(m_port, m_messages, m_folder.path());
    return *m_window;
}

void WindowHarness::click(const QString &name)
{
    QTest::mouseClick(control<QPushButton>(name), Qt::LeftButton);
}

void WindowHarness::connect()
{
    click(QStringLiteral("cmdConnect"));
    QVERIFY(m_port.portOpen());
}
