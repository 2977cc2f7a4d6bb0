// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The options page: how the controller is reached, the poll interval and
// reply time-out, whether the output readouts show, the connect button and
// the connection-error line. It keeps these settings in the settings file
// and is the link's source for them.

#include "core/settingsfile.h"
#include "link/connection.h"
#include "link/serialport.h"
#include "link/stationsettings.h"
#include "settings/clicklabel.h"
#include "settings/portlister.h"
#include "widgets/veskImageButton.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

#include <functional>
#include <memory>

class TOptionsFrame : public QWidget, public IConnectionPage {
    Q_OBJECT
public:
    static constexpr const char* kSection = kt90::options::kSection;

    // Reads the settings file at iniPath and lists the serial ports.
    // showPowerOutputs is the main window's ShowPowerOutputs.
    TOptionsFrame(QWidget* parent, const QString& iniPath, ISerialPort& cp, IPortLister& lister,
                  std::function<void(bool)> showPowerOutputs);
    // Writes the connection kind to the settings file.
    ~TOptionsFrame() override;

    // The main window's Button1Click, run by the connect button.
    void setConnectHandler(std::function<void()> button1Click)
    {
        fButton1Click = std::move(button1Click);
    }

    // Read-only values for the other parts.
    int Pooling() const override { return fPooling; }
    int Timeout() const override { return fTimeout; }
    int ReconnectSeconds() const override { return fReconnect; }
    bool UseSerial() const override { return rbtRS232->isChecked(); }
    bool EthSelected() const override { return rbtETH->isChecked(); }
    bool ComExists() const override { return fComExists; }
    QString PortCaption() const override { return lbPort->text(); }
    int GetBaudrate() const override;
    QString HostText() const override { return edIP->text(); }
    QString HostPortText() const override { return edPort->text(); }
    int ConnectTag() const override;
    void SetConnectButton(int tag, const QString& caption) override;
    void ShowConnectionError(const QString& message) override;
    void HideConnectionError() override;
    const QString& SelectedPort() const { return fComPort; }

    void GetAllComPorts();
    void SetBaudrateIndex(int index);
    void SetSelectedPort(const QString& name);
    void PortItemClick(const QString& caption);
    void ClearPortClick();

    // The interval as its labels show it: " 250", "1 000".
    static QString IntervalCaption(int ms);
    // A stored interval or time-out, taken into the menus' range.
    static int MenuInterval(long ms);
    static const QStringList& RateCaptions();
    static const QStringList& IntervalCaptions();

    // The controls, for the window and for tests.
    TClickLabel *Label2, *lbPool, *Label6, *lbTimeout, *Label7, *lbRS232, *lbETH, *Label1, *lbPort,
        *Label4, *lbBaud, *Label5, *Label3;
    QLabel *LabelConnectionError, *LabelConnectionErrorMessage;
    QCheckBox* chbShowPower;
    QRadioButton *rbtRS232, *rbtETH;
    QLineEdit *edIP, *edPort;
    QPushButton* Button1;
    TveskImageButton* btnCOMRefresh;
    QMenu *pmnPorts, *pmnBaud, *pmnPooling;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void create();
    void RadioButtonClik();
    void chbShowPowerClick();
    void poolingItemClick(const QString& caption);
    void baudItemClick(int index);
    void popupUnder(QMenu* menu, QWidget* label);
    std::string text(const QString& s) const { return s.toStdString(); }
    // A write of the settings file; one that fails is said on the error line.
    void store(const std::function<void()>& write);

    kt90::SettingsFile fIni;
    ISerialPort& fCp;
    IPortLister& fLister;
    std::function<void(bool)> fShowPowerOutputs;
    std::function<void()> fButton1Click;
    QString fComPort;
    int fPooling = 250;
    int fTimeout = 500;
    int fReconnect = 0; // read only: no control shows it
    bool fComExists = false;
    QString fVia;
    TClickLabel* fLabel = nullptr; // the label the interval menu was opened from
};
