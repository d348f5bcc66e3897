#include "WindowHarness.h"

#include "DotGridWidget.h"
#include "ListBox.h"

#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
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

void WindowHarness::showWindow()
{
    window().show();
    QVERIFY(QTest::qWaitForWindowExposed(&window()));
}

void WindowHarness::clickCell(int column, int weight)
{
    QTest::mouseClick(control<DotGridWidget>("dotCells"), Qt::LeftButton, {},
                      DotGridWidget::cellRect(column, weight).center());
}

void WindowHarness::type(const QString &name, const QString &text)
{
    QLineEdit *box = control<QLineEdit>(name);
    if (auto *list = control<ListBox>(name))
        box = list->lineEdit();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    // Key presses exist for ASCII only; other characters come in the way an
    // input method hands them over.
    bool ascii = true;
    for (QChar c : text)
        ascii = ascii && c.unicode() < 0x80;
    if (ascii)
        QTest::keyClicks(box, text);
    else
        box->insert(text);
    QCOMPARE(box->text(), text);
}

QString WindowHarness::caption(const QString &name)
{
    if (auto *button = control<QAbstractButton>(name))
        return button->text();
    return control<QLabel>(name)->text();
}

bool WindowHarness::commandsEnabled()
{
    return control<QGroupBox>("Frame3")->isEnabled();
}
