// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The link's part of the settings file, section "Options": the keys the
// options page writes, and the same settings read without a window (the
// headless station).

#include <QString>

namespace kt90::options {

inline constexpr const char* kSection = "Options";
inline constexpr const char* kBaudrateIndex = "Baudrate index";
inline constexpr const char* kPooling = "Pooling (ms)";
inline constexpr const char* kTimeout = "Timeout (ms)";
inline constexpr const char* kSelectedPort = "Selected port";
inline constexpr const char* kConnectVia = "Connect via";
inline constexpr const char* kHostIp = "HOST IP";
inline constexpr const char* kHostPort = "HOST PORT";
inline constexpr const char* kShowPower = "Show power outs";
inline constexpr const char* kReconnect = "Reconnect (s)";
inline constexpr const char* kViaCom = "COM (RS232)";
inline constexpr const char* kViaEth = "ETH (RJ45)";

inline constexpr int kDefaultBaudrateIndex = 10;
inline constexpr int kDefaultPoolingMs = 250;
inline constexpr int kDefaultTimeoutMs = 500;

// The poll interval and the reply time-out menus span 200..2000 ms; a
// hand-edited value outside is taken as the nearest (0 would flood the
// controller with polls, a negative time-out never end a wait).
inline constexpr int kShortestIntervalMs = 200;
inline constexpr int kLongestIntervalMs = 2000;
int MenuInterval(long ms);

// A caption such as "9 600" or "1 000" as the number it shows (spaces
// between the thousands), or fallback.
int CaptionNumber(const QString& caption, int fallback);

// The rate of an entry of the controller's rate list; 9600 outside it.
int BaudOfIndex(long index);

// Reconnect (s): how long after a failed or lost link it is tried again,
// 0 for never; at most a day.
int ReconnectSeconds(long s);

} // namespace kt90::options

// The settings file of a user: $XDG_CONFIG_HOME/norvakKT90dde/norvakKT90dde.ini.
QString UserSettingsPath();
// The panel's: beside the program when its folder may be written and is not
// where packages install programs (a copy carried on a stick keeps its
// settings with it), else the user's.
QString PanelSettingsPath(const QString& programDir);
QString PanelSettingsPath(const QString& programDir, bool programDirWritable);

// The link settings of a settings file.
struct TStationSettings {
    bool serial = true;
    QString port; // the selected serial port
    int baud = 9600;
    QString host;
    quint16 hostPort = 23;
    int pooling = kt90::options::kDefaultPoolingMs;
    int timeout = kt90::options::kDefaultTimeoutMs;
    int reconnectSeconds = 0;

    static TStationSettings Read(const QString& iniPath);
};
