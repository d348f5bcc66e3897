#include "WindowHarness.h"

#include "BuiltInDot.h"
#include "DotEditor.h"
#include "DotGridWidget.h"
#include "ListBox.h"
#include "PictureLoader.h"
#include "RunningModule.h"

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QSet>
#include <QSocketNotifier>
#include <QTest>
#include <QTimer>

#include <algorithm>

#include <unistd.h>

namespace {

QByteArray asset(const QString &name)
{
    QFile file(QStringLiteral(VEXEL_ASSETS_DIR "/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString hex(const QByteArray &bytes) { return QString::fromLatin1(bytes.toHex(' ').toUpper()); }

// A step that fails fails its case, and run() takes no further step.
void check(bool ok, const QString &step) { QVERIFY2(ok, qPrintable(step)); }

void expect(const QString &step, const QString &actual, const QString &expected)
{
    QVERIFY2(actual == expected, qPrintable(QStringLiteral("%1: found \"%2\"").arg(step, actual)));
}

} // namespace

WindowHarness::WindowHarness() : m_port(m_folder.path()), m_settings("[Settings]\nCommPort=1\n")
{
    for (const char *name : {"dotf.BMP", "dotb.JPG"})
        writeFile(name, asset(name));
    writeFile(QStringLiteral("vexel.ini"), m_settings);
    linkPort(1, m_line.slavePath());
}

WindowHarness::~WindowHarness() = default;

void WindowHarness::writeFile(const QString &name, const QByteArray &content) { check(::writeFile(filePath(name), content), name); }

void WindowHarness::linkPort(int number, const QString &device)
{
    const QString link = m_folder.filePath(QStringLiteral("COM%1").arg(number));
    QFile::remove(link);
    QFile::link(device, link);
}

MainWindow &WindowHarness::window()
{
    if (m_window) return *m_window;
    m_window = std::make_unique<MainWindow>(m_port, m_messages, m_folder.path());
    m_window->show();
    QApplication::setActiveWindow(m_window.get());
    check(QTest::qWaitForWindowActive(m_window.get()), QStringLiteral("the window comes up active"));
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
    auto *list = qobject_cast<QComboBox *>(field);
    QLineEdit *box = list ? list->lineEdit() : qobject_cast<QLineEdit *>(field);
    QVERIFY2(box, qPrintable(name));
    focus(field);
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    // Key presses exist for ASCII only; other characters come in the way an
    // input method hands them over.
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; }))
        QTest::keyClicks(box, text);
    else
        box->insert(text);
}

void WindowHarness::listenTo(PtyPair &line)
{
    m_far = &line;
    m_notifier = std::make_unique<QSocketNotifier>(line.masterFd(), QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { onReadable(); });
}

void WindowHarness::onReadable()
{
    char chunk[4096];
    const ssize_t got = ::read(m_far->masterFd(), chunk, sizeof chunk);
    if (got <= 0) return m_notifier->setEnabled(false); // the window closed its end
    m_received.append(chunk, got);
    const auto answer = [this, answer = m_answer] { check(m_far->write(answer), QStringLiteral("answer")); };
    for (const Frame &frame : m_decoder.feed(QByteArray(chunk, got)))
        if (frame.isStore() && !m_answer.isEmpty())
            QTimer::singleShot(m_answerDelayMs, m_notifier.get(), answer);
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
    for (const QString &one : steps.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        if (!QTest::currentTestFailed() && !one.trimmed().isEmpty())
            step(one.startsWith(QLatin1Char(' ')) ? one.mid(1) : one);
}

// One step: a verb, then its words. The verbs, and what the table writes:
//   ini TEXT        settings file, "|" a line end, %XX any byte; noini: none
//   link N WHAT     COMn to the line, a spare line the far end moves to, a
//                   hung-up line, a plain file, or nowhere
//   unplug          the far end hangs up ("link 1 spare": the adapter back, a new line as COM1)
//   hold N          another program holds port N open ("device": by the device's own path)
//   click/type/key/choose NAME ...   as a person does it
//   cell C W, dclick C W, drag C W C2 W2   on the dot cells (C 0: beside them)
//   toggle C W      a screen reader's action on a cell
//   answer HEX, delay MS   how the far end answers each store; send HEX: unasked
//   at MS STEP      a step in the middle of the next one; wait MS; close
//   picture FILE KIND      missing, empty, truncated, text, green, good
// A list's field takes the focus for its list, so "focus" names the list.
//   is WHAT VALUE, heard HEX, took LO HI, walk NAMES   what must hold
void WindowHarness::step(const QString &text)
{
    const QString verb = text.section(' ', 0, 0), name = text.section(' ', 1, 1), rest = text.section(' ', 2);
    const QString words = text.section(' ', 1);
    const int number = name.toInt();
    const auto cells = [this] { return control<DotGridWidget>(QStringLiteral("dotCells")); };
    const auto word = [&](int index) { return text.section(' ', index, index).toInt(); };
    const auto point = [&](int at) {
        return word(at) ? DotGridWidget::cellRect(word(at), word(at + 1)).center() : QPoint(2, 2);
    };
    if (verb == "ini") {
        m_settings = QByteArray::fromPercentEncoding(QString(words).replace('|', "%0A").toLatin1());
        return writeFile(QStringLiteral("vexel.ini"), m_settings);
    }
    if (verb == "link" && (rest == "spare" || rest == "hungup")) {
        received(); // what the old line heard stays heard
        m_spare = std::make_unique<PtyPair>();
        linkPort(number, m_spare->slavePath());
        return rest == "spare" ? listenTo(*m_spare) : m_spare->closeMaster();
    }
    if (verb == "link" && rest == "file") return writeFile(QStringLiteral("COM") + name, "not a terminal");
    if (verb == "link") return linkPort(number, rest == "line" ? m_line.slavePath() : filePath(rest));
    if (verb == "hold" && name == "device") {
        m_otherDevice = std::make_unique<QSerialPort>(m_line.slavePath());
        return check(m_otherDevice->open(QIODevice::ReadWrite), text);
    }
    if (verb == "hold") {
        m_otherProgram = std::make_unique<SerialPortControl>(folder());
        m_otherProgram->setCommPort(number);
        return check(m_otherProgram->setPortOpen(true), text);
    }
    if (verb == "click") return click(name);
    if (verb == "type") return type(name, rest);
    if (verb == "key") {
        focus(control(name));
        const QKeyCombination key = QKeySequence::fromString(rest)[0];
        return QTest::keyClick(QApplication::focusWidget(), key.key(), key.keyboardModifiers());
    }
    if (verb == "choose") {
        focus(control(name));
        for (int i = 0; i < 20 + rest.toInt(); ++i) // to the top, then down
            QTest::keyClick(control(name), i < 20 ? Qt::Key_Up : Qt::Key_Down);
        return;
    }
    if (verb == "cell") return QTest::mouseClick(cells(), Qt::LeftButton, {}, point(1));
    if (verb == "dclick") // through the window system, as a real double click arrives
        return QTest::mouseDClick(window().windowHandle(), Qt::LeftButton, {}, cells()->mapTo(&window(), point(1)));
    if (verb == "drag") {
        QTest::mousePress(cells(), Qt::LeftButton, {}, point(1));
        return QTest::mouseRelease(cells(), Qt::LeftButton, {}, point(3));
    }
    if (verb == "toggle") {
        QAccessibleInterface *table = QAccessible::queryAccessibleInterface(cells());
        QAccessibleActionInterface *cell = table->child(DotGridWidget::indexOf(word(1), word(2)))->actionInterface();
        check(cell->actionNames() == QStringList{QAccessibleActionInterface::toggleAction()}, text);
        return cell->doAction(QAccessibleActionInterface::toggleAction());
    }
    const QByteArray bytes = QByteArray::fromHex(words.toLatin1());
    if (verb == "send") return check(m_far->write(bytes) && m_far->waitUntilQueued(int(bytes.size()), 2000), text);
    if (verb == "at") return QTimer::singleShot(number, &window(), [this, rest] { step(rest); });
    if (verb == "wait") return QTest::qWait(number);
    if (verb == "picture" && rest == "missing") return check(QFile::remove(filePath(name)), text);
    if (verb == "picture" && rest == "green") {
        QImage green(18, 19, QImage::Format_RGB32);
        green.fill(Qt::green);
        return check(green.save(filePath(name), "BMP"), text);
    }
    if (verb == "picture") {
        const QByteArray good = asset(name);
        const QMap<QString, QByteArray> pictures{
            {"empty", {}}, {"truncated", good.left(good.size() / 2)}, {"text", "[Settings]\nCommPort=1\n"},
            {"good", good}};
        check(pictures.contains(rest), text);
        return writeFile(name, pictures.value(rest));
    }
    if (verb == "is") return expect(text, state(name), rest);
    if (verb == "heard") return expect(text, hex(received()), words);
    if (verb == "took")
        return check(m_clickMs >= number && m_clickMs < rest.toInt(), text + ": " + QString::number(m_clickMs));
    if (verb == "walk") {
        focus(control(QStringLiteral("cboComm")));
        QStringList visited;
        while (visited.size() <= words.count(' ')) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << state(QStringLiteral("focus"));
        }
        return expect(text, visited.join(' '), words);
    }
    if (verb == "noini") { m_settings.clear(); QFile::remove(filePath(QStringLiteral("vexel.ini"))); return; }
    if (verb == "unplug") { m_notifier.reset(); return m_far->closeMaster(); }
    if (verb == "answer") { m_answer = bytes; return; }
    if (verb == "delay") { m_answerDelayMs = number; return; }
    if (verb == "close") { window().close(); return; }
    QFAIL(qPrintable(QStringLiteral("unknown step: ") + text));
}

QString WindowHarness::cellLook(int column, int weight)
{
    const QImage image = control<DotGridWidget>(QStringLiteral("dotCells"))->cellPicture(column, weight).toImage();
    const auto shipped = [&](const char *name) { return image == PictureLoader::load(filePath(name)).pixmap.toImage(); };
    return image == builtInUnlitDot().toImage() ? "builtin" : shipped("dotf.BMP") ? "lit" : shipped("dotb.JPG") ? "unlit" : "other";
}

// What the steps can check: a control's caption, text, list position and
// text ("2:3"), or whether a group is "on"; and a few things beyond controls.
QString WindowHarness::state(const QString &name)
{
    MainWindow &panel = window(); // built here when a case checks before it acts
    if (name == "port") return m_port.portOpen() ? QStringLiteral("open") : QStringLiteral("closed");
    if (name == "CommPortText") return panel.commPortText();
    if (name == "settings") return QStringLiteral("%1 mode %2").arg(m_port.settings()).arg(m_port.inputMode());
    if (name == "waiting") return QString::number(m_port.inBufferCount());
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
    if (name == "grid") { // the column bytes, and the dots' own states where they disagree
        const DotGrid &grid = panel.dotEditor().grid();
        QByteArray bytes, states(8, '\0');
        for (int column = 1; column <= 8; ++column) {
            bytes += char(grid.columnByte(column));
            for (int weight : DotGrid::RowWeights)
                states[column - 1] |= char(grid.isOn(column, weight) ? weight : 0);
        }
        return hex(bytes) + (bytes == states ? QString() : QStringLiteral(" states ") + hex(states));
    }
    if (name.startsWith(QLatin1String("cell:")))
        return cellLook(name.section(':', 1, 1).toInt(), name.section(':', 2, 2).toInt());
    if (name == "cells") { // one look for every cell, or "mixed"
        QSet<QString> looks;
        for (int column = 1; column <= 8; ++column)
            for (int weight : DotGrid::RowWeights)
                looks << cellLook(column, weight);
        return looks.size() == 1 ? *looks.begin() : QStringLiteral("mixed");
    }
    if (name == "reader") { // what a screen reader finds: the grid "on" or "off", then the cells checked
        QAccessibleInterface *table = QAccessible::queryAccessibleInterface(control(QStringLiteral("dotCells")));
        QStringList found{table->child(0)->state().disabled ? QStringLiteral("off") : QStringLiteral("on")};
        for (int index = 0; index < table->childCount(); ++index)
            if (table->child(index)->state().checked)
                found << table->child(index)->text(QAccessible::Name);
        return found.join('|');
    }
    QWidget *widget = control(name);
    if (auto *list = qobject_cast<ListBox *>(widget))
        return QStringLiteral("%1:%2").arg(list->listIndex()).arg(list->currentText());
    if (!widget) return QStringLiteral("no control ") + name;
    // Buttons, labels and boxes show a text; groups are on or off.
    const QVariant shown = widget->property("text");
    return shown.isValid() ? shown.toString() : widget->isEnabled() ? QStringLiteral("on") : QStringLiteral("off");
}
