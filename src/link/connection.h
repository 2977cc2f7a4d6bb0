// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Opening and closing the link to the controller: the options page's
// connect button, the start-up connection and the poll cycle's fallback.

#include "link/IPPing.h"
#include "link/devicelink.h"
#include "link/linksettings.h"

#include <QString>
#include <QTimer>

#include <functional>

// What the connection routine reads and writes on the options page.
class IConnectionPage : public ILinkSettings {
public:
    virtual bool EthSelected() const = 0; // rbtETH
    virtual bool ComExists() const = 0;
    virtual QString PortCaption() const = 0; // lbPort
    virtual int GetBaudrate() const = 0;
    virtual QString HostText() const = 0;     // edIP
    virtual QString HostPortText() const = 0; // edPort
    // The connect button Button1: its tag (1 connected, 0 not) and caption.
    virtual int ConnectTag() const = 0;
    virtual void SetConnectButton(int tag, const QString& caption) = 0;
    // The error line: "Connection error:" and the message.
    virtual void ShowConnectionError(const QString& message) = 0;
    virtual void HideConnectionError() = 0;
    // Reconnect (s): a failed or lost link is tried again after this many
    // seconds; 0, the default, never.
    virtual int ReconnectSeconds() const { return 0; }
};

class TConnectionRoutine {
public:
    static constexpr int kSettleMs = 500;
    static constexpr quint16 kDefaultPort = 23;

    // Becomes the poll cycle's fallback as well.
    TConnectionRoutine(TDeviceLink& link, IConnectionPage& page, IHostProbe& probe);
    ~TConnectionRoutine();

    // Hands the downloaded block to the configuration editor.
    std::function<void(const kt90::TktFRAMParams&)> handToEditor;
    // lbError in the title strip: shown with its text, or hidden.
    std::function<void(bool shown, const QString& text)> showTitleError;

    // The connect/disconnect toggle; keys on the connect button's tag.
    void Button1Click();
    bool ConnectToDevice();
    void OpenSerialPort();

    // Lets events run for ms milliseconds.
    static void Delay(int ms);

    // The port the host-port text names: a decimal number 1..65535, else 23.
    static quint16 HostPort(const QString& text);

    static constexpr const char* kNotFound = "No KT90 device found!";

private:
    bool connect();
    void finish();
    void failed();

    QTimer fRetry;
    TDeviceLink& fLink;
    IConnectionPage& fPage;
    IHostProbe& fProbe;
};
