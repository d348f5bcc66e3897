#include "AppLook.h"
#include "ListBox.h"
#include "WindowHarness.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>

// The text commands as a user gives them: typed into the real boxes, sent
// over a pseudo-terminal, read back byte for byte at the other end.
class TextCommandsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { AppLook::prepare(); }
    void init();
    void cleanup() { m_harness.reset(); }

    void staticCharacters_data();
    void staticCharacters();
    void invalidSecondBoxKeepsTheFirstBoxRewrite();
    void scrollText_data();
    void scrollText();
    void counterFollowsTheScrollText();
    void speeds_data();
    void speeds();
    void speedFromTypedText_data();
    void speedFromTypedText();

private:
    QByteArray sent(int atMost) { return m_harness->line().read(atMost, 150); }

    std::unique_ptr<WindowHarness> m_harness;
};

void TextCommandsTest::init()
{
    m_harness = std::make_unique<WindowHarness>();
    m_harness->showWindow();
    m_harness->connect();
}

void TextCommandsTest::staticCharacters_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QByteArray>("frame"); // empty: "Invalid Data" and nothing sent
    QTest::addColumn<QString>("firstAfter");
    QTest::addColumn<QString>("secondAfter");
    QTest::newRow("both empty") << "" << "" << QByteArray("\xFE\x20\x20") << " " << " ";
    QTest::newRow("typed space is an empty box") << " " << "" << QByteArray("\xFE\x20\x20") << " " << " ";
    QTest::newRow("one letter each") << "A" << "z" << QByteArray("\xFE\x41\x7A") << "A" << "z";
    QTest::newRow("two letters keep the first") << "AB" << "7" << QByteArray("\xFE\x41\x37") << "A" << "7";
    QTest::newRow("digit then caret") << "5^" << "x" << QByteArray("\xFE\x35\x78") << "5" << "x";
    QTest::newRow("custom 0 and 9") << "^0" << "^9" << QByteArray("\xFE\x00\x09", 3) << "^0" << "^9";
    QTest::newRow("custom then plain") << "^3" << "Q" << QByteArray("\xFE\x03\x51") << "^3" << "Q";
    QTest::newRow("caret alone") << "^" << "A" << QByteArray() << "^" << "A";
    QTest::newRow("caret and letter") << "^A" << "" << QByteArray() << "^A" << "";
    QTest::newRow("two carets") << "^^" << "B" << QByteArray() << "^^" << "B";
    QTest::newRow("caret and letter in the second") << "Q" << "^A" << QByteArray() << "Q" << "^A";
    QTest::newRow("western letter") << "é" << "ß" << QByteArray("\xFE\xE9\xDF") << "é" << "ß";
    QTest::newRow("euro sign") << "€" << "Ÿ" << QByteArray("\xFE\x80\x9F") << "€" << "Ÿ";
    QTest::newRow("outside the set") << "中" << "Ā" << QByteArray("\xFE\x3F\x3F") << "中" << "Ā";
}

void TextCommandsTest::staticCharacters()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QByteArray, frame);
    QFETCH(QString, firstAfter);
    QFETCH(QString, secondAfter);
    m_harness->type("txtAText", first);
    m_harness->type("txtBText", second);
    m_harness->click("cmdSendDA");
    QCOMPARE(sent(4), frame);
    QCOMPARE(m_harness->control<QLineEdit>("txtAText")->text(), firstAfter);
    QCOMPARE(m_harness->control<QLineEdit>("txtBText")->text(), secondAfter);
    if (frame.isEmpty()) {
        QCOMPARE(m_harness->messages().shown, QStringList{"Invalid Data"});
        QCOMPARE(m_harness->monitor(), QString());
    } else {
        QCOMPARE(m_harness->messages().shown, QStringList());
        QString echo;
        for (char byte : frame)
            echo += QStringLiteral("%1 ").arg(quint8(byte), 2, 16, QLatin1Char('0')).toUpper();
        QCOMPARE(m_harness->monitor(), echo);
    }
}

void TextCommandsTest::invalidSecondBoxKeepsTheFirstBoxRewrite()
{
    m_harness->type("txtAText", "QR");
    m_harness->type("txtBText", "^A");
    m_harness->click("cmdSendDA");
    QCOMPARE(sent(1), QByteArray());
    QCOMPARE(m_harness->messages().shown, QStringList{"Invalid Data"});
    QCOMPARE(m_harness->control<QLineEdit>("txtAText")->text(), "Q");
    QCOMPARE(m_harness->control<QLineEdit>("txtBText")->text(), "^A");
}

void TextCommandsTest::scrollText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("empty") << "" << QByteArray("\xFD");
    QTest::newRow("one character") << "x" << QByteArray("\xFDx");
    QTest::newRow("a sentence") << "Hello, World!" << QByteArray("\xFDHello, World!");
    QTest::newRow("thirty characters") << QString(30, QLatin1Char('M')) << QByteArray("\xFD") + QByteArray(30, 'M');
    QTest::newRow("western characters") << "Grüße €5" << QByteArray("\xFDGr\xFC\xDF\x65 \x80\x35");
    QTest::newRow("markup stays text") << "<b>&amp;</b>" << QByteArray("\xFD<b>&amp;</b>");
}

void TextCommandsTest::scrollText()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, line);
    m_harness->type("txtSText", text);
    m_harness->click("cmdScroll");
    QCOMPARE(sent(line.size() + 1), line);
    QCOMPARE(m_harness->monitor(), "FD  (" + text + ")");
}

void TextCommandsTest::counterFollowsTheScrollText()
{
    auto *counter = m_harness->control<QLabel>("lblC");
    auto *box = m_harness->control<QLineEdit>("txtSText");
    QTest::keyClicks(box, "abcde");
    QCOMPARE(counter->text(), "5");
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(box, Qt::Key_Backspace);
    QCOMPARE(counter->text(), "0");
    QTest::keyClicks(box, QString(35, QLatin1Char('w')));
    QCOMPARE(counter->text(), "30");
}

void TextCommandsTest::speeds_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("start-up choice") << -2 << QByteArray("\xFA\x29");
    QTest::newRow("slowest") << 0 << QByteArray("\xFA\x39");
    QTest::newRow("second") << 1 << QByteArray("\xFA\x31");
    QTest::newRow("third") << 2 << QByteArray("\xFA\x29");
    QTest::newRow("fastest") << 3 << QByteArray("\xFA\x21");
}

void TextCommandsTest::speeds()
{
    QFETCH(int, position);
    QFETCH(QByteArray, frame);
    auto *list = m_harness->control<ListBox>("cboSpeed");
    if (position >= 0) {
        // Chosen the way a user does, with the keyboard from the top.
        list->setFocus();
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(list, Qt::Key_Up);
        for (int i = 0; i < position; ++i)
            QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(list->listIndex(), position);
    }
    m_harness->click("cmdSpeed");
    QCOMPARE(sent(3), frame);
}

void TextCommandsTest::speedFromTypedText_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("an entry's text") << "3" << QByteArray("\xFA\x21");
    QTest::newRow("an entry with blanks") << " 0 " << QByteArray("\xFA\x39");
    QTest::newRow("no entry") << "fast" << QByteArray();
    QTest::newRow("out of range") << "4" << QByteArray();
    QTest::newRow("nothing") << "" << QByteArray();
}

void TextCommandsTest::speedFromTypedText()
{
    QFETCH(QString, typed);
    QFETCH(QByteArray, frame);
    // An earlier frame leaves its operand in the buffer; it must not go out.
    m_harness->type("txtAText", "K");
    m_harness->click("cmdSendDA");
    QCOMPARE(sent(4), QByteArray("\xFE\x4B\x20"));

    auto *list = m_harness->control<ListBox>("cboSpeed");
    m_harness->type("cboSpeed", typed);
    QCOMPARE(list->listIndex(), -1);
    m_harness->click("cmdSpeed");
    QCOMPARE(sent(3), frame);
    if (frame.isEmpty())
        QCOMPARE(m_harness->monitor(), "FE 4B 20 ");
}

QTEST_MAIN(TextCommandsTest)
#include "tst_textcommands.moc"
