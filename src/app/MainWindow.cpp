#include "MainWindow.h"

#include "AppLook.h"
#include "CaptionButton.h"
#include "DotEditor.h"
#include "DotGridWidget.h"
#include "IniReader.h"
#include "Layout.h"
#include "ListBox.h"
#include "PortConnection.h"
#include "PortControl.h"
#include "UserMessages.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

namespace {

QWidget *createControl(const Layout::Control &spec, QWidget *holder)
{
    const QString caption = QString::fromUtf8(spec.caption);
    switch (spec.kind) {
    case Layout::Kind::GroupBox: {
        auto *group = new QGroupBox(caption, holder);
        // Otherwise a group inside a group is read out under its holder's caption.
        group->setAccessibleName(caption);
        return group;
    }
    case Layout::Kind::Button:
        return new CaptionButton(caption, holder);
    case Layout::Kind::List:
        return new ListBox(holder);
    case Layout::Kind::TextBox: {
        auto *box = new QLineEdit(holder);
        box->setMaxLength(spec.maxLength);
        return box;
    }
    case Layout::Kind::Label: {
        auto *label = new QLabel(caption, holder);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    }
    case Layout::Kind::DotCells:
        return new DotGridWidget(holder);
    }
    return nullptr;
}

void applyLook(QWidget *widget, Layout::Look look)
{
    QPalette palette = widget->palette();
    switch (look) {
    case Layout::Look::Plain:
        return;
    case Layout::Look::CharacterBox:
        widget->setFont(AppLook::characterBoxFont());
        palette.setColor(QPalette::Text, QColor(255, 0, 0));
        static_cast<QLineEdit *>(widget)->setAlignment(Qt::AlignCenter);
        break;
    case Layout::Look::RedText:
        palette.setColor(QPalette::WindowText, QColor(255, 0, 0));
        break;
    case Layout::Look::MonitorLine:
        palette.setColor(QPalette::Window, QColor(255, 255, 192));
        widget->setAutoFillBackground(true);
        break;
    case Layout::Look::SilverGround:
        palette.setColor(QPalette::Window, QColor(192, 192, 192));
        widget->setAutoFillBackground(true);
        break;
    }
    widget->setPalette(palette);
}

} // namespace

MainWindow::MainWindow(PortControl &port, UserMessages &messages, QString programDir, QWidget *parent)
    : QWidget(parent),
      m_port(port),
      m_messages(messages),
      m_programDir(std::move(programDir)),
      m_frameSender(port),
      m_textCommands({m_frameSender, port, m_timerWait, messages}),
      m_bitmapCommands({m_frameSender, port, m_timerWait, messages})
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(Title);
    setFont(AppLook::windowFont());
    setFixedSize(Layout::pixels(Layout::ClientWidthTwips), Layout::pixels(Layout::ClientHeightTwips));
    buildControls();
    wireHandlers();
    Form_Load();
}

MainWindow::~MainWindow() = default;

template <typename T> T *MainWindow::control(const char *name) const
{
    return findChild<T *>(QString::fromLatin1(name));
}

void MainWindow::buildControls()
{
    for (const Layout::Control &spec : Layout::controls()) {
        QWidget *holder = *spec.holder ? control<QWidget>(spec.holder) : this;
        QWidget *widget = createControl(spec, holder);
        widget->setObjectName(QString::fromLatin1(spec.name));
        widget->setGeometry(Layout::pixelRect(spec));
        applyLook(widget, spec.look);
    }
    const std::vector<const char *> &order = Layout::focusOrder();
    for (std::size_t i = 0; i + 1 < order.size(); ++i)
        setTabOrder(control<QWidget>(order[i]), control<QWidget>(order[i + 1]));

    m_frame3 = control<QGroupBox>("Frame3");
    m_cmdConnect = control<CaptionButton>("cmdConnect");
    m_cboComm = control<ListBox>("cboComm");
    m_cboSpeed = control<ListBox>("cboSpeed");
    m_cboPosition = control<ListBox>("cboPosition");
    m_cboBMP = control<ListBox>("cboBMP");
    m_txtAText = control<QLineEdit>("txtAText");
    m_txtBText = control<QLineEdit>("txtBText");
    m_txtSText = control<QLineEdit>("txtSText");
    m_lblC = control<QLabel>("lblC");
    m_lblTxData = control<QLabel>("lblTxData");

    std::array<QLabel *, 8> columnLabels{};
    for (int k = 1; k <= 8; ++k)
        columnLabels[std::size_t(k - 1)] = findChild<QLabel *>(QStringLiteral("lblC%1").arg(k));
    m_dotEditor = std::make_unique<DotEditor>(*control<DotGridWidget>("dotCells"), columnLabels,
                                              m_programDir);

    m_frame3->setEnabled(false);
    m_cboComm->setFocus();
}

void MainWindow::wireHandlers()
{
    connect(m_cmdConnect, &QPushButton::clicked, this, &MainWindow::cmdConnect_Click);
    connect(control<QPushButton>("cmdSendDA"), &QPushButton::clicked, this, &MainWindow::cmdSendDA_Click);
    connect(control<QPushButton>("cmdScroll"), &QPushButton::clicked, this, &MainWindow::cmdScroll_Click);
    connect(control<QPushButton>("cmdSpeed"), &QPushButton::clicked, this, &MainWindow::cmdSpeed_Click);
    connect(m_txtSText, &QLineEdit::textChanged, this, &MainWindow::txtSText_Change);
    connect(control<QPushButton>("cmdSendBM"), &QPushButton::clicked, this, &MainWindow::cmdSendBM_Click);
    connect(control<QPushButton>("cmdSaveBitmap"), &QPushButton::clicked, this,
            &MainWindow::cmdSaveBitmap_Click);
    connect(control<QPushButton>("cmdSaveSU"), &QPushButton::clicked, this, &MainWindow::cmdSaveSU_Click);
    for (int index = 0; index < 4; ++index) {
        connect(findChild<QPushButton *>(QStringLiteral("cmdAnimate%1").arg(index)), &QPushButton::clicked,
                this, [this, index] { cmdAnimate_Click(index); });
    }
    connect(control<QPushButton>("cmdCLR"), &QPushButton::clicked, m_dotEditor.get(), &DotEditor::clearAll);
    connect(m_dotEditor.get(), &DotEditor::pictureFailed, this,
            [this](const QString &description) { m_messages.show(description); });
    connect(&m_frameSender, &FrameSender::monitorTextChanged, m_lblTxData, &QLabel::setText);
    connect(&m_port, &PortControl::portLost, this, &MainWindow::onPortLost);
}

void MainWindow::Form_Load()
{
    for (int number = 1; number <= 20; ++number)
        m_cboComm->addItem(QString::number(number));
    m_commPortText = ReadINI(m_programDir, QStringLiteral("Settings"), QStringLiteral("CommPort"));
    m_cboComm->setListIndex(startupPortIndex(m_commPortText));
    m_port.setSettings(QStringLiteral("9600,n,8,1"));
    m_port.setInputMode(1);
    for (int speed = 0; speed <= 3; ++speed)
        m_cboSpeed->addItem(QString::number(speed));
    m_cboSpeed->setListIndex(2);
    m_cboPosition->addItem(QStringLiteral("0"));
    m_cboPosition->addItem(QStringLiteral("1"));
    for (int slot = 0; slot <= 9; ++slot)
        m_cboBMP->addItem(QString::number(slot));
    m_cboBMP->setListIndex(0);
    m_cboPosition->setListIndex(0);
}

void MainWindow::cmdConnect_Click()
{
    if (toggleConnection(m_port, m_cboComm->listIndex(), m_commPortText) == ConnectOutcome::Failed)
        m_messages.show(PortNotAvailable);
    showConnectionState();
}

void MainWindow::showConnectionState()
{
    const bool open = m_port.portOpen();
    m_cmdConnect->setText(open ? QStringLiteral("Disconnect") : QStringLiteral("CONNECT"));
    m_frame3->setEnabled(open);
}

// The port layer has already closed the device; say it once, after the
// handler that met the loss has finished.
void MainWindow::onPortLost()
{
    showConnectionState();
    QMetaObject::invokeMethod(
        this, [this] {
            if (!m_closing)
                m_messages.show(PortNotAvailable);
        },
        Qt::QueuedConnection);
}

void MainWindow::cmdSendDA_Click()
{
    QString first = m_txtAText->text();
    QString second = m_txtBText->text();
    m_textCommands.showStaticCharacters(first, second);
    if (first != m_txtAText->text())
        m_txtAText->setText(first);
    if (second != m_txtBText->text())
        m_txtBText->setText(second);
}

void MainWindow::cmdScroll_Click()
{
    m_textCommands.scrollText(m_txtSText->text());
}

void MainWindow::cmdSpeed_Click()
{
    m_textCommands.setScrollSpeed(m_cboSpeed->entryIndex());
}

void MainWindow::txtSText_Change()
{
    m_lblC->setText(QString::number(m_txtSText->text().size()));
}

void MainWindow::cmdSendBM_Click()
{
    m_bitmapCommands.displayBitmap(m_cboPosition->listIndex(), m_dotEditor->grid().bitmapData());
}

void MainWindow::cmdSaveBitmap_Click()
{
    m_bitmapCommands.saveBitmap(m_cboBMP->entryIndex(), m_dotEditor->grid().bitmapData());
}

void MainWindow::cmdSaveSU_Click()
{
    m_bitmapCommands.saveStartupScreen();
}

void MainWindow::cmdAnimate_Click(int index)
{
    m_bitmapCommands.animate(index, m_cboPosition->entryIndex());
}

// Closing ends the program at once, also in the middle of a wait: every
// wait gives up, nothing of the interrupted command runs, the port is freed.
void MainWindow::closeEvent(QCloseEvent *event)
{
    m_closing = true;
    m_timerWait.abandon();
    if (m_port.portOpen())
        m_port.setPortOpen(false);
    event->accept();
}
