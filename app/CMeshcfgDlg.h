#pragma once
// The main window, a face on the engine: its controls become typed requests, and what the
// engine reports becomes log lines, control values and drawings. Handlers are split by
// subsystem into files of their own: port panel, replies, and one file per command family.

#include <QComboBox>
#include <QIcon>
#include <QRgb>
#include <ctime>
#include <optional>

#include "ActivityLog.h"
#include "AppDialog.h"
#include "FieldFilters.h"
#include "LayoutBuilder.h"
#include "LogMenu.h"
#include "LostPortWatch.h"
#include "ModuleEngine.h"
#include "PortList.h"
#include "ResourceIds.h"
#include "TickTimer.h"

namespace display {
class CDialog_Mesh;
class CDialog_Net_Path;
}  // namespace display

namespace app {

class CMeshcfgDlg : public AppDialog, private engine::EngineEvents {
    Q_OBJECT

  public:
    explicit CMeshcfgDlg(QWidget* parent = nullptr);
    ~CMeshcfgDlg() override;

    // Activity log.
    void SetLogColor(QRgb color) { m_log->setColor(color); }
    void AppendLog(QString text) { m_log->append(text); }
    static QString FormatTimestamp(std::time_t time) { return logTimestamp(time); }
    static QString timestampSuffix() { return logTimestampSuffix(); }
    ActivityLog& log() { return *m_log; }

    // The controls by id, as the layout built them.
    template <class W>
    W* item(int id) const {
        return m_controls.get<W>(id);
    }

    serial::QZSerial* serial() { return &m_engine.port(); }
    display::CDialog_Mesh* meshDialog() const { return m_pMeshDlg; }
    display::CDialog_Net_Path* pathDialog() const { return m_pPathDlg; }
    int sendCounter() const { return m_engine.sendCounter(); }    // -1 while sending is off
    int sendInterval() const { return m_engine.sendInterval(); }  // in ticks

    // One tick of timer 1025: the receive step, then the continuous-sending step. The timer
    // sleeps while the engine has nothing to do. Tests that drive the ticks themselves stop
    // the timer for good first; a benchmark times the ticks.
    virtual void OnTimer() { m_engine.tick(); }
    void stopTimer() { m_timer.stopForGood(); }
    bool isTicking() const { return m_timer.isActive(); }

    // Port panel.
    // The ports present, and beside them a log line for each problem of ports.toml.
    void FillPortList();
    void OnRefresh();
    void OnOpenClose();

    // Module configuration.
    void OnWrite();
    void OnRead();

    // Data send test.
    void SendAppData();
    void OnContinuous();
    void OnRouteModeChange();
    void OnRelayingChange();

    // Route and path queries.
    void ReadRouteList();
    void ReadPathList();

    // Log menu commands.
    void OnCopyAll() { m_logMenu->copyAll(); }
    void OnClearAll() { m_logMenu->clearAll(); }
    void OnSaveAll() { m_logMenu->saveAll(); }
    void setSaveFileChooser(LogMenu::SaveFileChooser chooser) {
        m_logMenu->setSaveFileChooser(std::move(chooser));
    }
    QMenu* logMenu() const { return m_logMenu->menu(); }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void OnInitDialog();
    void connectHandlers();
    void logLine(LogSide side, const QString& text);  // with the time appended
    void onWake();

    // What the engine reports.
    void requestLogged(const proto::Request& request, proto::Bytes frame) override;
    void notSent(engine::NotSentReason reason) override;
    void flushed(const std::vector<proto::Frame>& frames) override;
    void blockReceived(proto::Bytes block, std::size_t dropped,
                       std::chrono::steady_clock::time_point) override;
    void frameReceived(const proto::Reply& reply, proto::Bytes frame) override;
    void noReply(int port) override;
    void sendDue() override { SendAppData(); }
    void linkTestFigures(const proto::LinkStatistics& figures) override;
    void continuousEnded(engine::SendingEnd why, const proto::LinkStatistics& figures) override;
    void openingEnded(int port, const std::string& error) override;
    void lost(int port, const std::string& why) override;
    void backInUse(int port) override;
    void notBack(int port, const std::string& why) override;
    void returning(int port) override;
    void back(int lostPort, int port, bool wasSending) override;

    // Replies.
    void OnSetupReply(const proto::Setup& setup);
    void OnRouteListReply(const proto::RouteListReply& reply);
    void OnPathReply(const proto::PathReply& reply);
    void OnSendStatus(std::uint8_t status);

    // Port state.
    void updatePortState();
    void setCommandButtonsEnabled(bool enabled);
    void showSendingOff();

    QIcon m_hIcon;
    widgets::DialogControls m_controls;
    ActivityLog* m_log = nullptr;  // control 1009
    FieldFilters m_fieldFilters;
    display::CDialog_Mesh* m_pMeshDlg = nullptr;
    display::CDialog_Net_Path* m_pPathDlg = nullptr;
    engine::ModuleEngine m_engine;
    LostPortWatch m_lostPortWatch;
    TickTimer m_timer;
    std::optional<LogMenu> m_logMenu;  // once the log is built
};

}  // namespace app
