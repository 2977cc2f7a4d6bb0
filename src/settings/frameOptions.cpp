// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/frameOptions.h"

#include "core/errors.h"
#include "core/kt90utils.h"
#include "link/stationsettings.h"
#include "link/unhandled.h"
#include "widgets/style.h"

#include <QButtonGroup>
#include <QFileInfo>
#include <QFocusEvent>
#include <QRegularExpressionValidator>

#include <algorithm>

namespace {

const QColor& kBackground = kHousePanel;
const QColor& kCaption = kHouseAmber;
const QColor& kValue = kHouseLime;
const QColor kEditBackground(51, 51, 51);

using namespace kt90::options;
const QString kViaComText = QString::fromLatin1(kViaCom);
const QString kViaEthText = QString::fromLatin1(kViaEth);
const QString kNotSelected = QStringLiteral("not selected");

QFont tahoma() { return PixelFont("Tahoma", 11); }

void colour(QWidget* w, QColor text, QColor background = QColor())
{
    SetTextColour(w, text);
    if (background.isValid())
        SetBackground(w, background);
}

} // namespace

const QStringList& TOptionsFrame::RateCaptions()
{
    // The controller's own rate labels.
    static const QStringList captions = [] {
        QStringList c;
        for (int i = 0; i < kt90::kBaudTable.size; ++i)
            c << QString::fromLatin1(kt90::kBaudTable.labels[i]);
        return c;
    }();
    return captions;
}

const QStringList& TOptionsFrame::IntervalCaptions()
{
    static const QStringList captions = {"200",   "250",   "300",   "400",   "500",  "750",
                                         "1 000", "1 250", "1 500", "1 750", "2 000"};
    return captions;
}

int TOptionsFrame::MenuInterval(long ms) { return kt90::options::MenuInterval(ms); }

QString TOptionsFrame::IntervalCaption(int ms)
{
    // "# ###": a literal space before the last three digit places, and
    // places without a digit left out.
    if (ms < 0)
        return QStringLiteral("-") + IntervalCaption(-ms).trimmed();
    if (ms < 1000)
        return QStringLiteral(" %1").arg(ms);
    return QStringLiteral("%1 %2").arg(ms / 1000).arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

TOptionsFrame::TOptionsFrame(QWidget* parent, const QString& iniPath, ISerialPort& cp,
                             IPortLister& lister, std::function<void(bool)> showPowerOutputs)
    : QWidget(parent), fIni(iniPath.toStdString()), fCp(cp), fLister(lister),
      fShowPowerOutputs(std::move(showPowerOutputs))
{
    build();
    create();
}

TOptionsFrame::~TOptionsFrame()
{
    Guarded([this] { store([&] { fIni.WriteString(kSection, kConnectVia, text(fVia)); }); });
}

void TOptionsFrame::build()
{
    resize(426, 222);
    setFont(tahoma());
    colour(this, kCaption, kBackground);

    const auto caption = [this](const char* t, int x, int y) {
        auto* l = new TClickLabel(QString::fromUtf8(t), this);
        colour(l, kCaption);
        l->move(x, y);
        l->adjustSize();
        return l;
    };
    const auto value = [this](const char* t, int x, int y) {
        auto* l = new TClickLabel(QString::fromUtf8(t), this);
        colour(l, kValue);
        l->setCursor(Qt::PointingHandCursor);
        l->move(x, y);
        l->resize(90, 14);
        return l;
    };
    Label2 = caption("Pooling time (ms):", 39, 21);
    lbPool = value("500", 127, 21);
    Label6 = caption("Timeout (ms):", 58, 40);
    lbTimeout = value("500", 127, 40);
    chbShowPower = new QCheckBox(this);
    chbShowPower->setGeometry(195, 20, 15, 17);
    Label7 = caption("Show power outputs (PX04)", 216, 21);
    rbtRS232 = new QRadioButton(this);
    rbtRS232->setGeometry(39, 61, 17, 17);
    lbRS232 = caption("COM port", 56, 63);
    rbtETH = new QRadioButton(this);
    rbtETH->setGeometry(195, 61, 17, 17);
    lbETH = caption("ETH (RJ45) port", 212, 63);
    // The boxes and circles light on the dark page, as the system draws
    // them elsewhere; the page's own colours would hide an empty one.
    for (QAbstractButton* b :
         std::initializer_list<QAbstractButton*>{chbShowPower, rbtRS232, rbtETH}) {
        QPalette p = b->palette();
        p.setColor(QPalette::Base, Qt::white);
        p.setColor(QPalette::Text, Qt::black);
        p.setColor(QPalette::Window, kHousePanel);
        b->setPalette(p);
    }
    auto* radios = new QButtonGroup(this);
    radios->addButton(rbtRS232);
    radios->addButton(rbtETH);
    btnCOMRefresh = new TveskImageButton(this);
    btnCOMRefresh->move(15, 97);
    btnCOMRefresh->setToolTip(QStringLiteral("Refresh"));
    Label1 = caption("Port:", 45, 92);
    lbPort = value("not selected", 72, 92);
    lbPort->resize(120, 14);
    Label4 = caption("Baudrate:", 45, 117);
    lbBaud = value("9 600", 99, 117);
    Label5 = caption("IP:", 212, 92);
    const auto edit = [this](const char* t, int x, int y, int w) {
        auto* e = new QLineEdit(QString::fromUtf8(t), this);
        e->setGeometry(x, y, w, 19);
        e->setFrame(false);
        colour(e, kValue, kEditBackground);
        e->installEventFilter(this);
        return e;
    };
    edIP = edit("0.0.0.0", 231, 92, 121);
    Label3 = caption("Port:", 201, 117);
    edPort = edit("23", 231, 117, 76);
    edPort->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edPort));
    Button1 = new QPushButton(QStringLiteral("Connect"), this);
    Button1->setGeometry(137, 162, 75, 25);
    Button1->setProperty("tag", 0);
    LabelConnectionError = caption("Connection error:", 45, 197);
    LabelConnectionError->hide();
    LabelConnectionErrorMessage = new QLabel(QStringLiteral("no error"), this);
    LabelConnectionErrorMessage->move(135, 197);
    colour(LabelConnectionErrorMessage, kValue, Qt::red);
    LabelConnectionErrorMessage->hide();

    setTabOrder(Button1, rbtRS232);
    setTabOrder(rbtRS232, rbtETH);
    setTabOrder(rbtETH, edIP);
    setTabOrder(edIP, edPort);
    setTabOrder(edPort, chbShowPower);

    pmnPorts = new QMenu(this);
    pmnBaud = new QMenu(this);
    for (int i = 0; i < RateCaptions().size(); ++i)
        connect(pmnBaud->addAction(RateCaptions()[i]), &QAction::triggered, this,
                [this, i] { Guarded([this, i] { baudItemClick(i); }); });
    pmnPooling = new QMenu(this);
    for (const QString& c : IntervalCaptions())
        connect(pmnPooling->addAction(c), &QAction::triggered, this,
                [this, c] { Guarded([this, c] { poolingItemClick(c); }); });

    connect(lbPort, &TClickLabel::pressed, this, [this] { popupUnder(pmnPorts, lbPort); });
    connect(lbBaud, &TClickLabel::pressed, this, [this] { popupUnder(pmnBaud, lbBaud); });
    connect(lbPool, &TClickLabel::pressed, this, [this] {
        fLabel = lbPool;
        popupUnder(pmnPooling, lbPool);
    });
    connect(lbTimeout, &TClickLabel::pressed, this, [this] {
        fLabel = lbTimeout;
        popupUnder(pmnPooling, lbPool); // under lbPool, as always
    });
    for (QRadioButton* r : {rbtRS232, rbtETH})
        connect(r, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                RadioButtonClik();
        });
    connect(lbRS232, &TClickLabel::clicked, this, [this] { rbtRS232->setChecked(true); });
    connect(lbETH, &TClickLabel::clicked, this, [this] { rbtETH->setChecked(true); });
    connect(chbShowPower, &QCheckBox::clicked, this,
            [this] { Guarded([this] { chbShowPowerClick(); }); });
    connect(Label7, &TClickLabel::clicked, this, [this] {
        Guarded([this] {
            chbShowPower->setChecked(!chbShowPower->isChecked());
            chbShowPowerClick();
            chbShowPowerClick();
        });
    });
    connect(Button1, &QPushButton::clicked, this, [this] {
        Guarded([this] {
            if (fButton1Click)
                fButton1Click();
            GetAllComPorts();
        });
    });
    connect(btnCOMRefresh, &TveskImageButton::clicked, this,
            [this] { Guarded([this] { GetAllComPorts(); }); });
}

void TOptionsFrame::create()
{
    fComExists = false;
    SetBaudrateIndex(
        static_cast<int>(fIni.ReadInteger(kSection, kBaudrateIndex, kDefaultBaudrateIndex)));
    fPooling = MenuInterval(fIni.ReadInteger(kSection, kPooling, kDefaultPoolingMs));
    fTimeout = MenuInterval(fIni.ReadInteger(kSection, kTimeout, kDefaultTimeoutMs));
    fReconnect = kt90::options::ReconnectSeconds(fIni.ReadInteger(kSection, kReconnect, 0));
    lbPool->setText(IntervalCaption(fPooling));
    lbTimeout->setText(IntervalCaption(fTimeout));
    // A write that fails while the page is made does not stop the start-up:
    // the values read stay in effect and the alert sounds.
    Guarded([this] {
        SetSelectedPort(QString::fromStdString(fIni.ReadString(kSection, kSelectedPort, "")));
    });
    fVia =
        QString::fromStdString(fIni.ReadString(kSection, kConnectVia, text(kViaComText))).toUpper();
    if (fVia == kViaComText)
        rbtRS232->setChecked(true);
    if (fVia == kViaEthText)
        rbtETH->setChecked(true);
    edIP->setText(QString::fromStdString(fIni.ReadString(kSection, kHostIp, "0.0.0.0")));
    edPort->setText(QString::fromStdString(fIni.ReadString(kSection, kHostPort, "23")));
    if (fIni.ReadBool(kSection, kShowPower, false)) {
        chbShowPower->setChecked(true);
        Guarded([this] { chbShowPowerClick(); });
    }
    if (fShowPowerOutputs)
        fShowPowerOutputs(chbShowPower->isChecked());
    Guarded([this] { GetAllComPorts(); });
}

void TOptionsFrame::popupUnder(QMenu* menu, QWidget* label)
{
    menu->popup(label->mapToGlobal(QPoint(0, label->height() + 1)));
}

int TOptionsFrame::GetBaudrate() const { return CaptionNumber(lbBaud->text(), 9600); }

void TOptionsFrame::SetBaudrateIndex(int index)
{
    lbBaud->setText(index >= 0 && index < RateCaptions().size() ? RateCaptions()[index]
                                                                : QStringLiteral("9 600"));
}

void TOptionsFrame::SetSelectedPort(const QString& name)
{
    if (name == fComPort)
        return;
    fComPort = name;
    store([&] { fIni.WriteString(kSection, kSelectedPort, text(name)); });
}

void TOptionsFrame::PortItemClick(const QString& caption)
{
    lbPort->setText(caption);
    SetSelectedPort(lbPort->text());
}

void TOptionsFrame::ClearPortClick()
{
    lbPort->setText(kNotSelected);
    SetSelectedPort(QString());
}

void TOptionsFrame::GetAllComPorts()
{
    QStringList list;
    for (const QString& name : fLister.ListSerialPorts())
        list << ShownPortName(name);
    // The port this program holds open cannot be opened for the test, but
    // stays selectable.
    if (!list.contains(fComPort, Qt::CaseInsensitive) && fCp.isOpen() && fCp.portName() == fComPort)
        list << fComPort;
    // A full path stored or chosen (a pseudo-terminal, a socat or ser2net
    // port) counts when it is there, though no listing names it.
    if (fComPort.startsWith(QLatin1Char('/')) && !list.contains(fComPort) &&
        QFileInfo::exists(fComPort))
        list << fComPort;
    const std::vector<TRefusedPort> refused = fLister.RefusedPorts();

    pmnPorts->clear();
    pmnPorts->addAction(QStringLiteral("Cancel"));
    connect(pmnPorts->addAction(QStringLiteral("Clear")), &QAction::triggered, this,
            [this] { Guarded([this] { ClearPortClick(); }); });
    pmnPorts->addSeparator();
    // Ports that are there but may not be opened are shown, greyed, with
    // the reason, instead of vanishing.
    QString storedRefusal;
    for (const TRefusedPort& r : refused) {
        pmnPorts->addAction(r.name + QStringLiteral(" (") + r.reason + QLatin1Char(')'))
            ->setEnabled(false);
        if (r.name.toUpper() == fComPort.toUpper())
            storedRefusal = r.reason;
    }

    if (list.isEmpty()) {
        lbPort->setText(fComPort.isEmpty() ? kNotSelected
                        : !storedRefusal.isEmpty()
                            ? fComPort + QStringLiteral(" (") + storedRefusal + QLatin1Char(')')
                            : fComPort + QStringLiteral(" (not found)"));
        fComExists = false;
        return;
    }
    bool found = false;
    for (const QString& name : list) {
        QAction* item = pmnPorts->addAction(name);
        connect(item, &QAction::triggered, this,
                [this, name] { Guarded([this, name] { PortItemClick(name); }); });
        if (name.toUpper() == fComPort.toUpper()) {
            found = true;
            PortItemClick(name);
        }
    }
    fComExists = found;
}

void TOptionsFrame::RadioButtonClik()
{
    const bool serial = rbtRS232->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{Label1, lbPort, Label4, lbBaud})
        w->setEnabled(serial);
    const bool eth = rbtETH->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{Label3, Label5, edIP, edPort})
        w->setEnabled(eth);
    fVia = serial ? kViaComText : kViaEthText;
}

void TOptionsFrame::chbShowPowerClick()
{
    const bool on = chbShowPower->isChecked();
    if (fShowPowerOutputs)
        fShowPowerOutputs(on);
    store([&] { fIni.WriteBool(kSection, kShowPower, on); });
}

void TOptionsFrame::poolingItemClick(const QString& caption)
{
    if (!fLabel)
        return;
    fLabel->setText(caption);
    const int v = CaptionNumber(caption, 1000);
    if (fLabel == lbPool) {
        fPooling = v;
        store([&] { fIni.WriteInteger(kSection, kPooling, v); });
    } else {
        fTimeout = v;
        store([&] { fIni.WriteInteger(kSection, kTimeout, v); });
    }
}

void TOptionsFrame::baudItemClick(int index)
{
    lbBaud->setText(RateCaptions()[index]);
    const bool wasOpen = fCp.isOpen();
    if (wasOpen)
        fCp.close();
    fCp.setBaudRate(CaptionNumber(lbBaud->text(), 9600));
    store([&] { fIni.WriteInteger(kSection, kBaudrateIndex, index); });
    if (wasOpen)
        fCp.open();
}

int TOptionsFrame::ConnectTag() const { return Button1->property("tag").toInt(); }

void TOptionsFrame::SetConnectButton(int tag, const QString& caption)
{
    Button1->setProperty("tag", tag);
    Button1->setText(caption);
}

void TOptionsFrame::store(const std::function<void()>& write)
{
    try {
        write();
    } catch (const kt90::EUnableToWrite& e) {
        // Besides the alert, which the caller's handler sounds: the reason.
        ShowConnectionError(QStringLiteral("%1: %2").arg(QString::fromStdString(e.what()),
                                                         QString::fromStdString(e.reason())));
        throw;
    }
}

void TOptionsFrame::ShowConnectionError(const QString& message)
{
    LabelConnectionErrorMessage->setText(message);
    LabelConnectionErrorMessage->adjustSize();
    LabelConnectionError->show();
    LabelConnectionErrorMessage->show();
}

void TOptionsFrame::HideConnectionError()
{
    LabelConnectionError->hide();
    LabelConnectionErrorMessage->hide();
}

bool TOptionsFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        if (watched == edIP)
            Guarded([this] {
                store([&] { fIni.WriteString(kSection, kHostIp, text(edIP->text())); });
            });
        else if (watched == edPort)
            Guarded([this] {
                store([&] { fIni.WriteString(kSection, kHostPort, text(edPort->text())); });
            });
    }
    return QWidget::eventFilter(watched, event);
}
