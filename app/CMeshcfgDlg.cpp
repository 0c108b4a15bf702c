#include "CMeshcfgDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QTimerEvent>
#include <iomanip>
#include <locale>
#include <sstream>

#include "CAboutDlg.h"
#include "LogFile.h"
#include "QZSerial.h"
#include "QtText.h"
#include "RecvBlockEvent.h"

using namespace res;

namespace {

constexpr int kFrequencyLimit = 3;
constexpr int kIdLimit = 4;
constexpr int kIdFields[] = {kIdNetworkId, kIdNodeId, kIdTargetId};

// The port's threads only hand the news over; the window acts on it on its own thread.
std::function<void()> onWindowThread(CMeshcfgDlg* dlg, void (CMeshcfgDlg::*handler)()) {
    return [dlg, handler] { QMetaObject::invokeMethod(dlg, handler, Qt::QueuedConnection); };
}

}  // namespace

CMeshcfgDlg::CMeshcfgDlg(QWidget* parent)
    : QDialog(parent),
      m_hIcon(QStringLiteral(":/meshcfg.svg")),
      m_pSerial(std::make_unique<QZSerial>(
          PortEvents{.hungUp = onWindowThread(this, &CMeshcfgDlg::onPortHangup),
                     .frameGivenUp = onWindowThread(this, &CMeshcfgDlg::onFrameGivenUp),
                     .framesFlushed =
                         [this](std::vector<std::vector<std::uint8_t>> frames) {
                             QMetaObject::invokeMethod(
                                 this,
                                 [this, frames = std::move(frames)] { onFramesFlushed(frames); },
                                 Qt::QueuedConnection);
                         }},
          onWindowThread(this, &CMeshcfgDlg::wakeTimer))),
      m_nRecvMsg(QEvent::registerEventType()),
      m_portWatch([this](int port) { onPortReturned(port); }) {
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    m_controls = buildDialog(layout::dialogTemplate(kDialogMain), *this,
                             [](const layout::ControlTemplate& c, QWidget* parent) -> QWidget* {
                                 return c.id == kIdLog ? new ActivityLog(parent) : nullptr;
                             });
    m_log = item<ActivityLog>(kIdLog);
    m_chooseSaveFile = [](QWidget* parent, const QString& suggested) {
        return QFileDialog::getSaveFileName(parent, qtext(kSaveAllText), suggested,
                                            tr("Log (*.log);;CSV (*.csv);;All files (*)"));
    };
    bindControls();
    OnInitDialog();
    connectHandlers();
}

CMeshcfgDlg::~CMeshcfgDlg() = default;

void CMeshcfgDlg::bindControls() {
    for (std::size_t i = 0; i < std::size(kIdFields); ++i) {
        QWidget* field = m_controls.find(kIdFields[i]);
        m_idTyping[i].setDigitsOnly(true);
        m_idTyping[i].bind(field);
        m_editIds[i].bind(field);  // bound last so it sees the keys first
    }
    for (int i = 0; i < kRelayFieldCount; ++i) {
        QWidget* field = m_controls.find(kIdRelayFirst + i);
        m_relayTyping[i].bind(field);
        m_editRelays[i].bind(field);
    }
    m_editData.bind(m_controls.find(kIdData));
    m_frequencyTyping.setDigitsOnly(true);
    m_frequencyTyping.bind(m_controls.find(kIdFrequency));
}

void CMeshcfgDlg::OnInitDialog() {
    setWindowIcon(m_hIcon);

    item<QComboBox>(kIdPortBaud)->setCurrentIndex(3);
    item<QComboBox>(kIdPortParity)->setCurrentIndex(0);
    item<QComboBox>(kIdRelaying)->setCurrentIndex(0);

    for (int id : {kIdPortList, kIdPortBaud, kIdPortParity}) m_controls.find(id)->setEnabled(true);
    setCommandButtonsEnabled(false);
    FillPortList();

    item<QLineEdit>(kIdFrequency)->setText(QStringLiteral("434"));
    m_frequencyTyping.setTextLimit(kFrequencyLimit);
    item<QComboBox>(kIdPower)->setCurrentIndex(6);
    item<QComboBox>(kIdLifeCycle)->setCurrentIndex(0);
    item<QLineEdit>(kIdNetworkId)->setText(QStringLiteral("1"));
    item<QLineEdit>(kIdNodeId)->setText(QStringLiteral("1"));
    item<QComboBox>(kIdUartBaud)->setCurrentIndex(3);
    item<QComboBox>(kIdUartParity)->setCurrentIndex(0);
    item<QLineEdit>(kIdTargetId)->setText(QStringLiteral("1"));
    for (TypingFilter& typing : m_idTyping) typing.setTextLimit(kIdLimit);
    item<QComboBox>(kIdRouteMode)->setCurrentIndex(1);
    item<QComboBox>(kIdJump)->setCurrentIndex(6);
    item<QComboBox>(kIdInterval)->setCurrentIndex(0);
    for (TypingFilter& typing : m_relayTyping) typing.setTextLimit(kIdLimit);

    m_tickGrid.start();
    m_timer.start(kTimerPeriodMs, Qt::PreciseTimer, this);
    item<QComboBox>(kIdPortBaud)->setFocus();
}

void CMeshcfgDlg::connectHandlers() {
    auto onClick = [this](int id, void (CMeshcfgDlg::*handler)()) {
        connect(item<QAbstractButton>(id), &QAbstractButton::clicked, this, handler);
    };
    onClick(kIdOpenClose, &CMeshcfgDlg::OnOpenClose);
    onClick(kIdRefresh, &CMeshcfgDlg::OnRefresh);
    onClick(kIdWrite, &CMeshcfgDlg::OnWrite);
    onClick(kIdRead, &CMeshcfgDlg::OnRead);
    onClick(kIdReadRoute, &CMeshcfgDlg::ReadRouteList);
    onClick(kIdReadPath, &CMeshcfgDlg::ReadPathList);
    onClick(kIdSendData, &CMeshcfgDlg::SendAppData);
    onClick(kIdContinuous, &CMeshcfgDlg::OnContinuous);

    auto onSelection = [this](int id, void (CMeshcfgDlg::*handler)()) {
        connect(item<QComboBox>(id), &QComboBox::currentIndexChanged, this, handler);
    };
    onSelection(kIdRouteMode, &CMeshcfgDlg::OnRouteModeChange);
    onSelection(kIdRelaying, &CMeshcfgDlg::OnRelayingChange);

    m_log->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_log, &QWidget::customContextMenuRequested, this, &CMeshcfgDlg::showLogMenu);

    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, &CMeshcfgDlg::showAbout);
}

void CMeshcfgDlg::setCommandButtonsEnabled(bool enabled) {
    for (int id : kCommandButtons) m_controls.find(id)->setEnabled(enabled);
}

// Activity log ------------------------------------------------------------------------------

void CMeshcfgDlg::SetLogColor(QRgb color) {
    m_log->setColor(color);
}

void CMeshcfgDlg::AppendLog(QString text) {
    m_log->append(text);
}

QString CMeshcfgDlg::FormatTimestamp(std::time_t time) {
    std::tm local{};
    if (!localtime_r(&time, &local)) return {};
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << std::put_time(&local, "%Y-%m-%d %X");
    return out.fail() ? QString() : QString::fromStdString(out.str());
}

QString CMeshcfgDlg::timestampSuffix() {
    return QLatin1Char('(') + FormatTimestamp(std::time(nullptr)) + QLatin1Char(')');
}

void CMeshcfgDlg::showLogMenu() {
    if (!m_menuLog) {
        m_menuLog = new QMenu(qtext(kLogMenuTitle), this);
        connect(m_menuLog->addAction(qtext(kCopyAllText)), &QAction::triggered, this,
                &CMeshcfgDlg::OnCopyAll);
        connect(m_menuLog->addAction(qtext(kClearAllText)), &QAction::triggered, this,
                &CMeshcfgDlg::OnClearAll);
        connect(m_menuLog->addAction(qtext(kSaveAllText)), &QAction::triggered, this,
                &CMeshcfgDlg::OnSaveAll);
    }
    m_menuLog->popup(QCursor::pos());
}

void CMeshcfgDlg::OnCopyAll() {
    m_log->copyAll();
}

void CMeshcfgDlg::OnClearAll() {
    m_log->clear();
}

// A failure leaves no file under the chosen name and the log as it was; the box says why.
void CMeshcfgDlg::OnSaveAll() {
    const QString suggested = QDir::home().filePath(
        QDateTime::currentDateTime().toString(QStringLiteral("'meshcfg-'yyyyMMdd-HHmmss'.log'")));
    const QString path = m_chooseSaveFile(this, suggested);
    if (path.isEmpty()) return;
    const QString reason = saveLog(m_log->lines(), path);
    if (reason.isEmpty()) return;
    auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(),
                                tr("The log could not be saved to %1: %2").arg(path, reason),
                                QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

// Window ------------------------------------------------------------------------------------

void CMeshcfgDlg::showAbout() {
    CAboutDlg about(this);
    about.exec();
}

void CMeshcfgDlg::OnTimer() {
    receiveStep();
    continuousStep();
}

bool CMeshcfgDlg::event(QEvent* event) {
    if (event->type() == m_nRecvMsg) {
        OnRecvBlock(static_cast<RecvBlockEvent*>(event)->block());
        return true;
    }
    if (event->type() == QEvent::Show) centreOnScreen(*this);
    return QDialog::event(event);
}

void CMeshcfgDlg::stopTimer() {
    m_ticksDrivenByCaller = true;
    m_timer.stop();
}

// A woken timer keeps the phase of one that never slept, so a block is still cut 300 to
// 400 ms after its last byte, not always 400.
void CMeshcfgDlg::wakeTimer() {
    if (m_ticksDrivenByCaller || m_timer.isActive()) return;
    const int toNextTick = kTimerPeriodMs - int(m_tickGrid.elapsed() % kTimerPeriodMs);
    m_joiningGrid = true;
    m_timer.start(toNextTick, Qt::PreciseTimer, this);
}

bool CMeshcfgDlg::hasWorkForTimer() const {
    return item<QCheckBox>(kIdContinuous)->isChecked() ||
           (m_pSerial && m_pSerial->receiveBuffer().idleCounter() != ReceiveBuffer::kIdle);
}

void CMeshcfgDlg::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_timer.timerId()) {
        if (m_joiningGrid) {
            m_joiningGrid = false;
            m_timer.start(kTimerPeriodMs, Qt::PreciseTimer, this);
        }
        OnTimer();
        if (!hasWorkForTimer()) m_timer.stop();
    } else {
        QDialog::timerEvent(event);
    }
}

// The way out: stop the reader and close the port before the window goes.
void CMeshcfgDlg::closeEvent(QCloseEvent* event) {
    m_timer.stop();
    m_pSerial.reset();
    QDialog::closeEvent(event);
}

// Enter presses the focused button; anywhere else it ends the dialog, as Esc does.
void CMeshcfgDlg::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && event->modifiers() == Qt::NoModifier) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            button->click();
        } else {
            accept();
        }
        return;
    }
    QDialog::keyPressEvent(event);
}

// The window menu belongs to the window manager, so the about item lives in a menu of the
// window's background.
void CMeshcfgDlg::contextMenuEvent(QContextMenuEvent* event) {
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    connect(menu->addAction(qtext(kAboutItemText)), &QAction::triggered, this,
            &CMeshcfgDlg::showAbout);
    menu->popup(event->globalPos());
}
