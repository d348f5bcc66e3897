#include "MessageBoxMessages.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

// The one test that lets a real box come up: its look, and that it blocks
// until the user presses OK.
class MessageBoxTest : public QObject
{
    Q_OBJECT
private slots:
    void showsAPlainModalBoxWithOk();
};

void MessageBoxTest::showsAPlainModalBoxWithOk()
{
    QWidget window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    MessageBoxMessages messages;
    messages.setParentWidget(&window);

    QString title, text;
    QMessageBox::Icon icon = QMessageBox::Critical;
    QList<QAbstractButton *> buttons;
    Qt::WindowModality modality = Qt::NonModal;
    bool closed = false;
    QTimer::singleShot(50, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = box->buttons();
        modality = box->windowModality();
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        closed = true;
    });
    messages.show("Bitmap Saved");
    QVERIFY(closed);
    QCOMPARE(title, "VexelApp");
    QCOMPARE(text, "Bitmap Saved");
    QCOMPARE(icon, QMessageBox::NoIcon);
    QCOMPARE(buttons.size(), 1);
    QCOMPARE(modality, Qt::ApplicationModal);
}

QTEST_MAIN(MessageBoxTest)
#include "tst_messagebox.moc"
