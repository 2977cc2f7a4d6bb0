// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// TFMain, the program's one window: the title strip, the console with its
// readouts, and the fold-out pages. It assembles the parts and owns them;
// the work is theirs.

#include "config/frameKT90.h"
#include "config/messageboxui.h"
#include "config/transfer.h"
#include "console/manualcontrol.h"
#include "console/windowdrag.h"
#include "link/IPPing.h"
#include "link/connection.h"
#include "link/devicelink.h"
#include "link/serialport.h"
#include "link/tcpclient.h"
#include "rotctld/rotctlserver.h"
#include "settings/frameOptions.h"
#include "settings/portlister.h"
#include "tracking/frameOrbitron.h"
#include "tracking/tracking.h"
#include "widgets/LCDLine.h"
#include "widgets/PageControl.h"
#include "widgets/veskImageButton.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QToolButton>
#include <QWidget>

#include <memory>

// What the window is built on; left empty, the real ones are made.
struct TFMainServices {
    QString iniPath; // the settings file; beside the executable when empty
    ISerialPort* serial = nullptr;
    ITcpClient* tcp = nullptr;
    IPortLister* ports = nullptr;
    IHostProbe* probe = nullptr;
    IOperatorUi* ui = nullptr;     // message boxes of the editor and the transfers
    IFileChooser* files = nullptr; // the editor's file dialogs
};

class TFMain : public QWidget {
    Q_OBJECT
public:
    explicit TFMain(const TFMainServices& services = {});
    ~TFMain() override;

    void ShowPowerOutputs(bool aShow);
    void btnHideOptsClick();
    void FormActivate();
    void PageTabsChange(int newTab);
    bool OptionsShown() const { return btnOptions->property("tag").toInt() == 1; }

    static QString VersionText();

    TDeviceLink& link() { return *fLink; }
    TManualControl& manual() { return *fManual; }
    TConnectionRoutine& connection() { return *fConnection; }
    TTracking& tracking() { return *fTracking; }
    TRotctlServer& rotctl() { return *fRotctl; }

    // The controls, for tests.
    QWidget *panCompact, *panNavigate, *panOptions;
    QLabel *Image2, *Image3, *lbVer, *lbError, *Image1, *Image12, *lbM1, *lbM2;
    TveskImageButton* btnClose;
    QLineEdit *edAz, *edEl;
    QPushButton *btnSend, *btnOptions;
    QToolButton* btnStop;
    TLCDLine *LCDLine1, *LCDLine2, *LCDLine3, *LCDLine4;
    QTabBar* PageTabs;
    TPageControl* pc;
    TOptionsFrame* frameOptions = nullptr;
    TOrbitronFrame* frameOrbitron = nullptr;
    TKT90frame* frameKT90 = nullptr;

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void buildTitleStrip();
    void buildConsole();
    void buildOptions();
    void FormCreate();
    void layOut();
    bool keyPreview(QObject* watched, QKeyEvent* e);

    std::unique_ptr<ISerialPort> fOwnSerial;
    std::unique_ptr<ITcpClient> fOwnTcp;
    std::unique_ptr<IPortLister> fOwnPorts;
    std::unique_ptr<IHostProbe> fOwnProbe;
    ISerialPort* cp;
    ITcpClient* tn;
    IPortLister* fPorts;
    IHostProbe* fProbe;
    IOperatorUi* fOperator;
    IFileChooser* fFiles;
    QString fIniPath;
    // The last block downloaded, all zero before the first download.
    kt90::TktFRAMParams fCurrentConfiguration;
    std::unique_ptr<TDeviceLink> fLink;
    std::unique_ptr<TManualControl> fManual;
    std::unique_ptr<TConnectionRoutine> fConnection;
    std::unique_ptr<TTracking> fTracking;
    std::unique_ptr<TRotctlServer> fRotctl;
    std::unique_ptr<TMessageBoxUi> fUi;
    std::unique_ptr<TConfigTransfer> fTransfer;
    struct SeenKey {
        const QKeyEvent* event = nullptr;
        QEvent::Type type = QEvent::None;
        int key = 0;
        quint64 timestamp = 0;
        QPointer<QWidget> receiver;
    } fSeenKey;
    int fConsoleHeight = 166;
    bool fStarted = false;
    TWindowDrag fDrag; // by the window's margin
};
