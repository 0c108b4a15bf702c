#include "CMeshcfgDlg.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>

#include "CAboutDlg.h"
#include "QtText.h"

using namespace res;

// The port's threads only wake the window; the engine's news is taken on the window's thread.
CMeshcfgDlg::CMeshcfgDlg(QWidget* parent)
    : QDialog(parent),
      m_hIcon(QStringLiteral(":/meshcfg.svg")),
      m_engine(*this,
               [this] { QMetaObject::invokeMethod(this, [this] { onWake(); }, Qt::QueuedConnection); }),
      m_portWatch(m_engine),
      m_timer([this] { OnTimer(); }, [this] { return m_engine.needsTicks(); }) {
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    m_controls = buildDialog(layout::dialogTemplate(kDialogMain), *this,
                             [](const layout::ControlTemplate& c, QWidget* parent) -> QWidget* {
                                 return c.id == kIdLog ? new ActivityLog(parent) : nullptr;
                             });
    m_log = item<ActivityLog>(kIdLog);
    m_logMenu.emplace(*m_log, *this);
    m_fieldFilters.bind(m_controls);
    OnInitDialog();
    connectHandlers();
}

CMeshcfgDlg::~CMeshcfgDlg() = default;

void CMeshcfgDlg::OnInitDialog() {
    setWindowIcon(m_hIcon);

    item<QComboBox>(kIdPortBaud)->setCurrentIndex(3);
    item<QComboBox>(kIdPortParity)->setCurrentIndex(0);
    item<QComboBox>(kIdRelaying)->setCurrentIndex(0);

    for (int id : {kIdPortList, kIdPortBaud, kIdPortParity}) m_controls.find(id)->setEnabled(true);
    setCommandButtonsEnabled(false);
    FillPortList();

    item<QLineEdit>(kIdFrequency)->setText(QStringLiteral("434"));
    item<QComboBox>(kIdPower)->setCurrentIndex(6);
    item<QComboBox>(kIdLifeCycle)->setCurrentIndex(0);
    item<QLineEdit>(kIdNetworkId)->setText(QStringLiteral("1"));
    item<QLineEdit>(kIdNodeId)->setText(QStringLiteral("1"));
    item<QComboBox>(kIdUartBaud)->setCurrentIndex(3);
    item<QComboBox>(kIdUartParity)->setCurrentIndex(0);
    item<QLineEdit>(kIdTargetId)->setText(QStringLiteral("1"));
    item<QComboBox>(kIdRouteMode)->setCurrentIndex(1);
    item<QComboBox>(kIdJump)->setCurrentIndex(6);
    item<QComboBox>(kIdInterval)->setCurrentIndex(0);

    m_timer.start();
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
    connect(item<QComboBox>(kIdInterval), &QComboBox::currentIndexChanged, this,
            [this] { m_engine.setSendInterval(intervalTicks()); });

    m_log->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_log, &QWidget::customContextMenuRequested, this, [this] { m_logMenu->popup(); });

    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, &CMeshcfgDlg::showAbout);
}

void CMeshcfgDlg::setCommandButtonsEnabled(bool enabled) {
    for (int id : kCommandButtons) m_controls.find(id)->setEnabled(enabled);
}

void CMeshcfgDlg::logLine(LogSide side, const QString& text) {
    m_log->appendLine(side, text + logTimestampSuffix());
}

void CMeshcfgDlg::onWake() {
    m_engine.takeNews();
    if (m_engine.needsTicks()) m_timer.wake();
}

void CMeshcfgDlg::showAbout() {
    CAboutDlg about(this);
    about.exec();
}

bool CMeshcfgDlg::event(QEvent* event) {
    if (event->type() == QEvent::Show) centreOnScreen(*this);
    return QDialog::event(event);
}

// The way out: stop the ticks and close the port before the window goes.
void CMeshcfgDlg::closeEvent(QCloseEvent* event) {
    m_timer.stopForGood();
    m_engine.close();
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
