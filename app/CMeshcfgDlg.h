#pragma once
// The main window: owns every control, the serial port object, the 100 ms timer and the two
// route display windows. Handlers are split by subsystem into files of their own:
// port panel, reply dispatch and one file per command family.

#include <QBasicTimer>
#include <QDialog>
#include <QElapsedTimer>
#include <QIcon>
#include <QRgb>
#include <array>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <span>

#include "ActivityLog.h"
#include "CEdit_Hex_Ex.h"
#include "LayoutBuilder.h"
#include "LinkTest.h"
#include "PortWatch.h"
#include "ResourceIds.h"
#include "TypingFilter.h"

class CDialog_Mesh;
class CDialog_Net_Path;
class QMenu;
class QZSerial;
struct ReceivedBlock;

class CMeshcfgDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CMeshcfgDlg(QWidget* parent = nullptr);
    ~CMeshcfgDlg() override;

    // Activity log.
    void SetLogColor(QRgb color);
    void AppendLog(QString text);
    static QString FormatTimestamp(std::time_t time);
    static QString timestampSuffix();  // "(" + FormatTimestamp(now) + ")"
    ActivityLog& log() { return *m_log; }

    // The controls by id, as the layout built them.
    template <class W>
    W* item(int id) const {
        return m_controls.get<W>(id);
    }

    QZSerial* serial() const { return m_pSerial.get(); }
    CDialog_Mesh* meshDialog() const { return m_pMeshDlg; }
    CDialog_Net_Path* pathDialog() const { return m_pPathDlg; }
    int sendCounter() const;   // -1 while continuous sending is off
    int sendInterval() const;  // in ticks, as the interval list reads

    // One tick of timer 1025: the receive step, then the continuous-sending step. The timer
    // sleeps while nothing is pending and continuous sending is off, so an idle window costs
    // nothing; the first byte of a block wakes it on the 100 ms grid it would have ticked on.
    // Tests that drive the ticks themselves stop the timer for good first.
    void OnTimer();
    void stopTimer();
    bool isTicking() const { return m_timer.isActive(); }

    // Port panel.
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
    void OnCopyAll();
    void OnClearAll();
    void OnSaveAll();
    // Asks where to save the log, starting from the suggested path; empty when cancelled.
    // Tests choose the file themselves.
    using SaveFileChooser = std::function<QString(QWidget* parent, const QString& suggested)>;
    void setSaveFileChooser(SaveFileChooser chooser) { m_chooseSaveFile = std::move(chooser); }
    QMenu* logMenu() const { return m_menuLog; }

    void showAbout();

  protected:
    bool event(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void OnInitDialog();
    void bindControls();
    void connectHandlers();

    // Every request goes out here: log the dump and the description, then hand the frame to
    // the port's writer. A frame the port refuses or gives up is logged as not sent.
    void sendRequest(std::span<const std::uint8_t> frame, std::string_view description);
    void onFrameGivenUp();
    void logNotSent(const QString& reason);

    // Receive side.
    void receiveStep();
    void OnRecvBlock(const ReceivedBlock& block);
    void dispatchReply(std::uint8_t code, const ReceivedBlock& block);
    void OnSetupWritten();
    void OnSetupReply(std::span<const std::uint8_t> block);
    void OnSendStatus(std::span<const std::uint8_t> block,
                      std::chrono::steady_clock::time_point arrived);
    void OnReceiveNotice();
    void OnRouteListReply(std::span<const std::uint8_t> block);
    void OnPathReply(std::span<const std::uint8_t> block);

    // Port state and continuous sending.
    void wakeTimer();
    bool hasWorkForTimer() const;
    void updatePortState();
    bool openPort(int port, int baudIndex, int parity);
    void refillPortList();
    void selectPortEntry(int port);
    void onPortHangup();
    void onPortReturned(int port);
    void continuousStep();
    void stopContinuous();
    void showLinkTest();
    void setCommandButtonsEnabled(bool enabled);
    void showLogMenu();

    QIcon m_hIcon;
    std::unique_ptr<QZSerial> m_pSerial;
    int m_nRecvMsg = 0;
    DialogControls m_controls;
    ActivityLog* m_log = nullptr;  // control 1009
    TypingFilter m_frequencyTyping;
    std::array<TypingFilter, 3> m_idTyping;  // 1013, 1014, 1017
    std::array<TypingFilter, res::kRelayFieldCount> m_relayTyping;
    std::array<CEdit_Hex_Ex, 3> m_editIds;                         // 1013, 1014, 1017
    CEdit_Hex_Ex m_editData;                                       // 1020
    std::array<CEdit_Hex_Ex, res::kRelayFieldCount> m_editRelays;  // 1025 ... 1030
    CDialog_Mesh* m_pMeshDlg = nullptr;
    CDialog_Net_Path* m_pPathDlg = nullptr;
    QMenu* m_menuLog = nullptr;
    int m_nSendCounter = 0;
    SaveFileChooser m_chooseSaveFile;
    std::optional<engine::LinkTest> m_linkTest;  // while continuous sending runs
    // How the port was last opened, so that a device that hung up and returns is opened the
    // same way.
    struct OpenedPort {
        int port = 0;
        int baudIndex = 0;
        int parity = 0;
        std::optional<UsbIdentity> adapter;  // read while it is there to be read
        bool wasSending = false;             // continuous sending ran when the device hung up
    };
    OpenedPort m_opened;
    PortWatch m_portWatch;
    QBasicTimer m_timer;
    QElapsedTimer m_tickGrid;    // the ticks fall on multiples of 100 ms from start-up
    bool m_joiningGrid = false;  // the timer runs a shorter first interval to the grid
    bool m_ticksDrivenByCaller = false;
};
