// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The link to the controller: one exchange at a time over the serial port or
// the TCP client, the receive buffer and what its replies mean for the
// readouts, the senders, and the poll cycle.

#include "core/frames.h"
#include "core/kt90.h"
#include "core/replybuffer.h"
#include "link/linksettings.h"
#include "link/readout.h"
#include "link/serialport.h"
#include "link/tcpclient.h"

#include <QObject>
#include <QTimer>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

// It lives as long as the window that owns it and must not be destroyed from
// an event handled inside one of its own waits.
//
// SendCommand runs one exchange: it waits for any exchange in progress to
// end, sends the frame and waits for its reply. What it returns and what
// fState() then holds:
//
//   transport                 returns   fState()          Acknowledged()
//   none open                 false     as it was         as it was
//   serial, set position      true      as it was         empty (no reply)
//   serial, good reply        true      ExchangeReplied   the step it took*
//   serial, no reply in time  false     ExchangeTimedOut  empty
//   serial, invalid/refused   false     ExchangeInvalid   the step refused*
//   TCP, reply read           true      ExchangeReplied   the step it took*
//                                       or ExchangeInvalid
//   TCP, no reply in time     throws kt90::ETcpReadTimeout ("Read timed out.")
//   TCP, peer closed          throws kt90::Error with the socket's text
//   a transport failure       throws kt90::Error with the transport's text
//
//   * only when the reply was an acknowledgement of a block transfer step.
//
// So true means "good reply" on the serial link but only "a reply was read"
// over TCP: a caller that needs the controller's yes reads fState() too, or
// uses Exchange() or StepAccepted(). A set-position command gets a position
// reply over TCP and none on the serial link.
//
// Both wait in a nested event loop, so the window, the poll, the rotator
// server and the tracker conversation go on meanwhile; a command started from
// one of them waits its turn, and commands reach the wire in the order they
// were given. A serial exchange times out the time-out setting after it was
// sent; a TCP one when its whole reply has not come within the time-out plus
// the time the reply needs at 600 Bd. fState() and Acknowledged() tell this
// command's outcome even when other commands ran since it ended.
class TDeviceLink : public QObject {
    Q_OBJECT
public:
    TDeviceLink(ISerialPort& cp, ITcpClient& tn, kt90::TktFRAMParams& currentConfig,
                QObject* parent = nullptr);

    // The options page; null while it does not exist (nothing is sent then).
    void setOptions(const ILinkSettings* options) { fOptions = options; }

    // Opening and closing the transports. Opening raises kt90::Error with
    // the transport's text when it fails.
    void OpenSerial(const QString& portName, int baudRate);
    void OpenTcp(const QString& host, quint16 port);
    void CloseTransports();
    // A transport is open (serial port or TCP connection).
    bool IsOpen() const;

    // replyLength 0: a 12-byte reply. See the table above.
    bool SendCommand(const kt90::Frame& frame, int replyLength);
    // One exchange that must bring a good reply; raises the error of the
    // exchange otherwise (kt90::ThrowExchangeError).
    void Exchange(const kt90::Frame& frame, int replyLength);

    void BeginWait(int timeoutMs);
    void EndWait(kt90::ExchangeState state);
    void ProcessReceived();
    void cpRxChar(int count);

    // Senders: one command each; the result of SendCommand is not looked at.
    void SendStatusQuery();
    void SendStop();
    void SendPosition(double az, double el);
    void SendJog();
    void SendOutputsQuery();
    void SendOutputs(std::uint8_t mask);

    // The poll: a cycle every intervalMs from now on, until StopPoll.
    void StartPoll(int intervalMs);
    void StopPoll();
    bool Polling() const { return tmrRefresh.isActive(); }
    // One poll cycle, run by each tick of tmrRefresh.
    void tmrRefreshTimer();
    // The connection routine the poll cycle falls back to when its own error
    // handling fails (the options page's connect button, later).
    void setConnectionRoutine(std::function<void()> button1Click)
    {
        fConnectionRoutine = std::move(button1Click);
    }

    // Reads the configuration block into the current configuration. A
    // failure closes both transports and, with raiseException, reaches the
    // caller as an error with its text; otherwise it is dropped.
    void ROTn_GetVars(bool raiseException);

    // Pauses the poll for a transfer: sets DisableRefresh and lets events run
    // until tmrRefresh is off (a cycle in progress, or the next one, ends
    // without re-arming). ResumeRefresh clears the flag and starts the timer.
    void PauseRefresh();
    void ResumeRefresh();

    kt90::TktFRAMParams& currentConfig() { return fCurrent; }
    const kt90::TktFRAMParams& currentConfig() const { return fCurrent; }

    // Writes the angle line from the current configuration's pulse counters.
    void CalcAnglesAndShow();
    void ShowOutputsState();

    const kt90::ReplyBuffer& buffer() const { return fBuffer; }
    kt90::ReplyBuffer& buffer() { return fBuffer; }
    kt90::ExchangeState fState() const { return fStateValue; }
    // The command byte that the acknowledgement of the last exchange
    // answered; empty when that exchange brought none.
    std::optional<std::uint8_t> Acknowledged() const { return fAcknowledged; }
    // Whether the last exchange brought step's own acknowledgement, and it
    // accepted the step. A late position reply, or another step's
    // acknowledgement, ends the wait as well but says nothing of this step.
    bool StepAccepted(const kt90::Frame& step) const
    {
        return fStateValue == kt90::ExchangeReplied && fAcknowledged == kt90::commandByte(step);
    }
    double fAz() const { return fAzValue; }
    double fEl() const { return fElValue; }
    int fAzGear() const { return fAzGearValue; }
    int fElGear() const { return fElGearValue; }
    std::uint8_t fOuts() const { return fOutsValue; }
    void setOuts(std::uint8_t mask) { fOutsValue = mask; }
    std::uint32_t fButtons() const { return fButtonsValue; }
    void setButtons(std::uint32_t mask) { fButtonsValue = mask; }
    bool DisableRefresh() const { return fDisableRefresh; }
    void setDisableRefresh(bool on) { fDisableRefresh = on; }

    QTimer tmrRefresh;    // poll timer: off until the first connection arms it
    QTimer tmrTimeOut;    // reply time-out of a serial exchange
    TReadout angleLine;   // LCDLine2
    TReadout outputsLine; // LCDLine4

    // Poll cycles in a row, with a transport open, that brought no valid
    // position reply; at three the link reports it lost the controller.
    static constexpr int kMissedPollsForLoss = 3;
    int MissedPolls() const { return fMissedPolls; }
    bool ControllerLost() const { return fMissedPolls >= kMissedPollsForLoss; }
    // A position reply has come since the link was opened.
    bool PositionKnown() const { return fPositionKnown; }
    // The configuration block has been downloaded whole once.
    bool ConfigurationKnown() const { return fConfigurationKnown; }

signals:
    void stateChanged(int state);
    void pollCycleEnded();
    // Three cycles without a position reply, and the first one after them.
    void controllerSilent();
    void controllerAnswers();

private:
    struct Pending;
    struct Wait;
    void RunUntil(const std::function<bool()>& finished);
    void startSerial(Pending& p);
    void startTcp(Pending& p);
    bool waitForChange();
    void wakeWaits();
    void settle(Pending& p);
    void tnRxChar();
    void tnClosed();
    void setState(kt90::ExchangeState state);
    void tmrTimeOutTimer();
    void logSent(const kt90::Frame& frame) const;
    void logReceived(const std::uint8_t* data, int count) const;
    void showAngles(float m1, float m2);
    void rearmRefresh();

    ISerialPort& cp;
    ITcpClient& tn;
    const ILinkSettings* fOptions = nullptr;
    kt90::TktFRAMParams& fCurrent;
    kt90::ReplyBuffer fBuffer;
    std::array<std::uint8_t, kt90::ReplyBuffer::kSize> fTcpScratch{};
    std::deque<Pending*> fQueue;  // commands waiting for the link, oldest first
    Pending* fInFlight = nullptr; // the command awaiting its reply
    kt90::ExchangeState fStateValue = kt90::ExchangeReplied;
    std::optional<std::uint8_t> fAcknowledged;
    double fAzValue = 0;
    double fElValue = 0;
    int fAzGearValue = 10;
    int fElGearValue = 10;
    std::uint8_t fOutsValue = 0;
    std::uint32_t fButtonsValue = 0;
    bool fDisableRefresh = false;
    std::vector<Wait*> fWaits; // nested waits, innermost last
    std::function<void()> fConnectionRoutine;
    bool fPositionSeen = false; // in this poll cycle
    bool fPositionKnown = false;
    bool fConfigurationKnown = false;
    int fMissedPolls = 0;
};
