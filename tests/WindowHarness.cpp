#include "WindowHarness.h"

#include "BuiltInDot.h"
#include "DotEditor.h"
#include "DotGridWidget.h"
#include "ListBox.h"
#include "PictureLoader.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSocketNotifier>
#include <QTest>
#include <QTimer>
#include <QtEndian>
#include <QSet>

#include <unistd.h>

namespace {

QByteArray asset(const QString &name)
{
    QFile file(QStringLiteral(VEXEL_ASSETS_DIR "/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

// A shipped dot whose header claims 60000 x 60000 pixels.
QByteArray claimingGiantSize(QByteArray picture)
{
    if (picture.startsWith("BM")) {
        qToLittleEndian(qint32(60000), picture.data() + 18);
        qToLittleEndian(qint32(60000), picture.data() + 22);
        return picture;
    }
    const qsizetype frame = picture.indexOf(QByteArray("\xFF\xC0", 2));
    qToBigEndian(quint16(60000), picture.data() + frame + 5);
    qToBigEndian(quint16(60000), picture.data() + frame + 7);
    return picture;
}

} // namespace

WindowHarness::WindowHarness(const QByteArray &settingsFile, Line line) : m_port(m_folder.path())
{
    writeFile(QStringLiteral("dotf.BMP"), asset(QStringLiteral("dotf.BMP")));
    writeFile(QStringLiteral("dotb.JPG"), asset(QStringLiteral("dotb.JPG")));
    writeFile(QStringLiteral("vexel.ini"), settingsFile);
    m_settings = settingsFile;
    if (line == Line::Linked)
        linkPort(1, m_line.slavePath());
}

WindowHarness::~WindowHarness()
{
    delete m_notifier;
}

void WindowHarness::writeFile(const QString &name, const QByteArray &content)
{
    QFile file(m_folder.filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size());
}

void WindowHarness::linkPort(int number, const QString &device)
{
    const QString link = m_folder.filePath(QStringLiteral("COM%1").arg(number));
    QFile::remove(link);
    QFile::link(device, link);
}

MainWindow &WindowHarness::window()
{
    if (!m_window) {
        m_window = std::make_unique<MainWindow>(m_port, m_messages, m_folder.path());
        m_window->show();
        QApplication::setActiveWindow(m_window.get());
        QTest::qWaitForWindowActive(m_window.get());
    }
    return *m_window;
}

void WindowHarness::focus(QWidget *widget)
{
    QApplication::setActiveWindow(&window());
    widget->setFocus(Qt::MouseFocusReason);
}

void WindowHarness::click(const QString &name)
{
    auto *button = control<QAbstractButton>(name);
    QVERIFY2(button, qPrintable(name));
    focus(button);
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(button, Qt::LeftButton);
    m_clickMs = clock.elapsed();
}

void WindowHarness::type(const QString &name, const QString &text)
{
    QWidget *field = control(name);
    auto *box = qobject_cast<QLineEdit *>(field);
    if (auto *list = qobject_cast<QComboBox *>(field))
        box = list->lineEdit();
    QVERIFY2(box, qPrintable(name));
    focus(field);
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
}

void WindowHarness::listenTo(PtyPair &line)
{
    delete m_notifier;
    m_far = &line;
    m_notifier = new QSocketNotifier(line.masterFd(), QSocketNotifier::Read);
    QObject::connect(m_notifier, &QSocketNotifier::activated, [this] { onReadable(); });
}

void WindowHarness::onReadable()
{
    char chunk[4096];
    const ssize_t got = ::read(m_far->masterFd(), chunk, sizeof chunk);
    if (got <= 0) {
        m_notifier->setEnabled(false); // the window closed its end
        return;
    }
    m_received.append(chunk, got);
    for (const Frame &frame : m_decoder.feed(QByteArray(chunk, got))) {
        if (frame.isStore() && !m_answer.isEmpty())
            QTimer::singleShot(m_answerDelayMs, m_notifier, [this, answer = m_answer] { m_far->write(answer); });
    }
}

QByteArray WindowHarness::received()
{
    QTest::qWait(30);
    return m_received;
}

void WindowHarness::run(const QString &steps)
{
    if (!m_notifier && m_far->masterFd() >= 0)
        listenTo(*m_far);
    for (QString one : steps.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (QTest::currentTestFailed())
            return;
        step(one.startsWith(QLatin1Char(' ')) ? one.mid(1) : one);
    }
}

// One step: a verb, then its words. The verbs, and what the table writes:
//   ini TEXT        settings file, "|" a line end, %XX any byte; noini: none
//   link N WHAT     COMn to the line, a spare line the far end moves to, a
//                   hung-up line, a plain file, or nowhere
//   replug          a new line as COM1, as when an adapter comes back; unplug: hang up
//   hold N          another program holds port N open ("device": by the device's own path)
//   click/type/key/choose/paste NAME ...   as a person does it
//   cell C W, dclick C W, drag C W C2 W2   on the dot cells (C 0: beside them)
//   answer HEX, delay MS   how the far end answers each store; send HEX: unasked
//   at MS STEP      a step in the middle of the next one; wait MS; close
//   picture FILE KIND      missing, empty, truncated, text, giantbmp, giantjpeg, green, good
// A list's field takes the focus for its list, so "focus" names the list.
//   is WHAT VALUE, heard HEX, took LO HI, walk NAMES   what must hold
void WindowHarness::step(const QString &step)
{
    const QString verb = step.section(QLatin1Char(' '), 0, 0);
    const QString name = step.section(QLatin1Char(' '), 1, 1);
    const QString rest = step.section(QLatin1Char(' '), 2);
    const auto cellPoint = [](int column, int weight) {
        return column ? DotGridWidget::cellRect(column, weight).center() : QPoint(2, 2);
    };
    const auto cells = [this] { return control<DotGridWidget>(QStringLiteral("dotCells")); };
    if (verb == "ini") {
        m_settings = QByteArray::fromPercentEncoding(step.mid(4).replace(QLatin1Char('|'), "%0A").toLatin1());
        writeFile(QStringLiteral("vexel.ini"), m_settings);
    } else if (verb == "noini") {
        m_settings.clear();
        QFile::remove(filePath(QStringLiteral("vexel.ini")));
    } else if (verb == "link" && rest == "spare") {
        received();
        m_spare = std::make_unique<PtyPair>();
        linkPort(name.toInt(), m_spare->slavePath());
        listenTo(*m_spare);
    } else if (verb == "link" && rest == "hungup") {
        m_spare = std::make_unique<PtyPair>();
        m_spare->closeMaster();
        linkPort(name.toInt(), m_spare->slavePath());
    } else if (verb == "link" && rest == "file") {
        writeFile(QStringLiteral("COM") + name, "not a terminal");
    } else if (verb == "link") {
        linkPort(name.toInt(), rest == "line" ? m_line.slavePath() : filePath(rest));
    } else if (verb == "replug") {
        this->step(QStringLiteral("link 1 spare"));
    } else if (verb == "unplug") {
        delete m_notifier;
        m_notifier = nullptr;
        m_far->closeMaster();
    } else if (verb == "hold" && name == "device") {
        m_otherDevice = std::make_unique<QSerialPort>(m_line.slavePath());
        QVERIFY(m_otherDevice->open(QIODevice::ReadWrite));
    } else if (verb == "hold") {
        m_otherProgram = std::make_unique<SerialPortControl>(folder());
        m_otherProgram->setCommPort(name.toInt());
        QVERIFY(m_otherProgram->setPortOpen(true));
    } else if (verb == "click") {
        click(name);
    } else if (verb == "type") {
        type(name, rest);
    } else if (verb == "key") {
        focus(control(name));
        const QKeyCombination key = QKeySequence::fromString(rest)[0];
        QTest::keyClick(QApplication::focusWidget(), key.key(), key.keyboardModifiers());
    } else if (verb == "choose") {
        focus(control(name));
        for (int i = 0; i < 20; ++i)
            QTest::keyClick(control(name), Qt::Key_Up);
        for (int i = 0; i < rest.toInt(); ++i)
            QTest::keyClick(control(name), Qt::Key_Down);
    } else if (verb == "paste") {
        QApplication::clipboard()->setText(rest);
        this->step(QStringLiteral("type %1 ").arg(name));
        QTest::keyClick(control(name), Qt::Key_V, Qt::ControlModifier);
    } else if (verb == "cell") {
        QTest::mouseClick(cells(), Qt::LeftButton, {}, cellPoint(name.toInt(), rest.toInt()));
    } else if (verb == "dclick") {
        // Through the window system, as a real double click arrives.
        QTest::mouseDClick(window().windowHandle(), Qt::LeftButton, {},
                           cells()->mapTo(&window(), cellPoint(name.toInt(), rest.toInt())));
    } else if (verb == "drag") {
        QTest::mousePress(cells(), Qt::LeftButton, {}, cellPoint(name.toInt(), rest.section(' ', 0, 0).toInt()));
        QTest::mouseRelease(cells(), Qt::LeftButton, {},
                            cellPoint(rest.section(' ', 1, 1).toInt(), rest.section(' ', 2, 2).toInt()));
    } else if (verb == "answer") {
        m_answer = QByteArray::fromHex(step.mid(7).toLatin1());
    } else if (verb == "delay") {
        m_answerDelayMs = name.toInt();
    } else if (verb == "send") {
        const QByteArray bytes = QByteArray::fromHex(step.mid(5).toLatin1());
        QVERIFY(m_far->write(bytes));
        QVERIFY(m_far->waitUntilQueued(int(bytes.size()), 2000));
    } else if (verb == "at") {
        QTimer::singleShot(name.toInt(), &window(), [this, rest] { this->step(rest); });
    } else if (verb == "wait") {
        QTest::qWait(name.toInt());
    } else if (verb == "close") {
        window().close();
    } else if (verb == "picture") {
        const QByteArray good = asset(name);
        const QMap<QString, QByteArray> kinds{
            {"empty", {}}, {"truncated", good.left(good.size() / 2)}, {"text", "[Settings]\nCommPort=1\n"},
            {"giantbmp", claimingGiantSize(asset("dotf.BMP"))}, {"giantjpeg", claimingGiantSize(asset("dotb.JPG"))},
            {"good", good}};
        if (rest == "missing") {
            QVERIFY(QFile::remove(filePath(name)));
        } else if (rest == "green") {
            QImage green(18, 19, QImage::Format_RGB32);
            green.fill(Qt::green);
            QVERIFY(green.save(filePath(name), "BMP"));
        } else {
            QVERIFY2(kinds.contains(rest), qPrintable(rest));
            writeFile(name, kinds.value(rest));
        }
    } else if (verb == "is") {
        QCOMPARE(state(name), rest);
    } else if (verb == "heard") {
        QCOMPARE(hex(received()), step.mid(6));
    } else if (verb == "took") {
        QVERIFY2(m_clickMs >= name.toInt() && m_clickMs < rest.toInt(), qPrintable(QString::number(m_clickMs)));
    } else if (verb == "walk") {
        focus(control(QStringLiteral("cboComm")));
        QStringList visited;
        for (qsizetype i = 0; i < step.count(QLatin1Char(' ')); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << state(QStringLiteral("focus"));
        }
        QCOMPARE(visited.join(QLatin1Char(' ')), step.mid(5));
    } else {
        QFAIL(qPrintable(QStringLiteral("unknown step: ") + step));
    }
}

QString WindowHarness::cellLook(const QImage &image)
{
    if (image == builtInUnlitDot().toImage())
        return QStringLiteral("builtin");
    if (image == PictureLoader::load(filePath(QStringLiteral("dotf.BMP"))).pixmap.toImage())
        return QStringLiteral("lit");
    if (image == PictureLoader::load(filePath(QStringLiteral("dotb.JPG"))).pixmap.toImage())
        return QStringLiteral("unlit");
    return QStringLiteral("other");
}

// What the steps can check: a control's caption, text, list position and
// text ("2:3"), or whether a group is "on"; and a few things beyond controls.
QString WindowHarness::state(const QString &name)
{
    const DotGrid &grid = window().dotEditor().grid();
    auto *cells = control<DotGridWidget>(QStringLiteral("dotCells"));
    if (name == "port")
        return m_port.portOpen() ? QStringLiteral("open") : QStringLiteral("closed");
    if (name == "CommPortText")
        return window().commPortText();
    if (name == "settings")
        return QStringLiteral("%1 mode %2").arg(m_port.settings()).arg(m_port.inputMode());
    if (name == "waiting")
        return QString::number(m_port.inBufferCount());
    if (name == "free") {
        SerialPortControl other(folder());
        return other.setPortOpen(true) ? QStringLiteral("yes") : other.errorString();
    }
    if (name == "focus") {
        QWidget *focused = QApplication::focusWidget();
        while (focused && focused->objectName().isEmpty())
            focused = focused->parentWidget();
        return focused ? focused->objectName() : QString();
    }
    if (name == "grid") {
        // The column bytes, and the dots' own states where they disagree.
        QByteArray bytes, states;
        for (int column = 1; column <= 8; ++column) {
            bytes += char(grid.columnByte(column));
            int on = 0;
            for (int weight : DotGrid::RowWeights)
                on |= grid.isOn(column, weight) ? weight : 0;
            states += char(on);
        }
        return hex(bytes) + (bytes == states ? QString() : QStringLiteral(" states ") + hex(states));
    }
    if (name.startsWith(QLatin1String("cell:")))
        return cellLook(cells->cellPicture(name.section(':', 1, 1).toInt(), name.section(':', 2, 2).toInt()).toImage());
    if (name == "cells") {
        QSet<QString> looks;
        for (int column = 1; column <= 8; ++column)
            for (int weight : DotGrid::RowWeights)
                looks << cellLook(cells->cellPicture(column, weight).toImage());
        return looks.size() == 1 ? *looks.begin() : QStringLiteral("mixed");
    }
    QWidget *widget = control(name);
    if (!widget)
        return QStringLiteral("no control ") + name;
    if (auto *list = qobject_cast<ListBox *>(widget))
        return QStringLiteral("%1:%2").arg(list->listIndex()).arg(list->currentText());
    if (auto *button = qobject_cast<QAbstractButton *>(widget))
        return button->text();
    if (auto *label = qobject_cast<QLabel *>(widget))
        return label->text();
    if (auto *box = qobject_cast<QLineEdit *>(widget))
        return box->text();
    return widget->isEnabled() ? QStringLiteral("on") : QStringLiteral("off");
}
