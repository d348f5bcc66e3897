#pragma once

#include "BitmapCommands.h"
#include "FrameSender.h"
#include "TextCommands.h"
#include "TimerWait.h"

#include <QWidget>

#include <array>
#include <memory>

class CaptionButton;
class DotEditor;
class DotGridWidget;
class ListBox;
class PortControl;
class QGroupBox;
class QLabel;
class QLineEdit;
class UserMessages;

// frmMain: the control panel's one window. It lays its controls out from
// the layout table and wires each to the handler named after it.
class MainWindow : public QWidget
{
    Q_OBJECT
public:
    static inline const QString Title = QStringLiteral("VexelApp ( 16x8 Dot Matrix LED Module)");
    static inline const QString PortNotAvailable = QStringLiteral("PORT NOT AVAILABLE!");

    MainWindow(PortControl &port, UserMessages &messages, QString programDir,
               QWidget *parent = nullptr);
    ~MainWindow() override;

    const QString &commPortText() const { return m_commPortText; }
    FrameSender &frameSender() { return m_frameSender; }
    TimerWait &timerWait() { return m_timerWait; }
    const DotEditor &dotEditor() const { return *m_dotEditor; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void wireHandlers();
    void Form_Load();

    void cmdConnect_Click();
    void cmdSendDA_Click();
    void cmdScroll_Click();
    void cmdSpeed_Click();
    void txtSText_Change();
    void cmdSendBM_Click();
    void cmdSaveBitmap_Click();
    void cmdSaveSU_Click();
    void cmdAnimate_Click(int index);

    void showConnectionState();
    void onPortLost();

    template <typename T> T *control(const char *name) const;

    PortControl &m_port;
    UserMessages &m_messages;
    QString m_programDir;
    QString m_commPortText;
    FrameSender m_frameSender;
    TimerWait m_timerWait;
    TextCommands m_textCommands;
    BitmapCommands m_bitmapCommands;
    std::unique_ptr<DotEditor> m_dotEditor;
    bool m_closing = false;

    QGroupBox *m_frame3 = nullptr;
    CaptionButton *m_cmdConnect = nullptr;
    ListBox *m_cboComm = nullptr;
    ListBox *m_cboSpeed = nullptr;
    ListBox *m_cboPosition = nullptr;
    ListBox *m_cboBMP = nullptr;
    QLineEdit *m_txtAText = nullptr;
    QLineEdit *m_txtBText = nullptr;
    QLineEdit *m_txtSText = nullptr;
    QLabel *m_lblC = nullptr;
    QLabel *m_lblTxData = nullptr;
};
