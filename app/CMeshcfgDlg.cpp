#include "CMeshcfgDlg.h"

#include <QAbstractButton>
#include <QComboBox>

#include "ControlForms.h"

namespace app {

using namespace res;

// The port's threads only wake the window; the engine's news is taken on the window's thread.
CMeshcfgDlg::CMeshcfgDlg(QWidget* parent)
    : AppDialog(parent),
      m_hIcon(QStringLiteral(":/meshcfg.svg")),
      m_engine(*this,
               [this] {
                   QMetaObject::invokeMethod(
                       this, [this] { onWake(); }, Qt::QueuedConnection);
               }),
      m_lostPortWatch(m_engine),
      m_timer([this] { OnTimer(); }, [this] { return m_engine.needsTicks(); }) {
    m_engine.watchReplies();
    m_controls =
        widgets::buildDialog(layout::dialogTemplate(kDialogMain), *this,
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

    setStartValues(m_controls);
    for (int id : {kIdPortList, kIdPortBaud, kIdPortParity}) m_controls.find(id)->setEnabled(true);
    setCommandButtonsEnabled(false);
    FillPortList();

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
            [this] { m_engine.setSendInterval(readIntervalTicks(m_controls)); });

    m_log->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_log, &QWidget::customContextMenuRequested, this, [this] { m_logMenu->popup(); });
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

// The way out: stop the ticks and close the port before the window goes.
void CMeshcfgDlg::closeEvent(QCloseEvent* event) {
    m_timer.stopForGood();
    m_engine.close();
    AppDialog::closeEvent(event);
}

}  // namespace app
