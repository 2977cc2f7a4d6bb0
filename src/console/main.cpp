// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/main.h"

#include "console/application.h"
#include "console/artwork.h"
#include "console/windowdrag.h"
#include "core/versiontext.h"
#include "link/stationsettings.h"
#include "link/unhandled.h"
#include "widgets/style.h"

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWindow>

namespace {

const QColor& kPanel = kHousePanel;
const QColor& kAmber = kHouseAmber;
const QColor& kLime = kHouseLime;
const QColor kErrorRed(0xF3, 0x0A, 0x21);
constexpr int kWidth = 797;
constexpr int kPanelWidth = 793;
constexpr int kOptionsHeight = 385;
constexpr int kSnap = 10;

// A panel whose free areas move the window, as a title bar would.
class TDragPanel : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void mousePressEvent(QMouseEvent* e) override { fDrag.press(this, e); }
    void mouseMoveEvent(QMouseEvent* e) override { fDrag.move(this, e); }
    void mouseReleaseEvent(QMouseEvent* e) override { fDrag.release(e); }

private:
    TWindowDrag fDrag;
};

// A fold-out page: its contents are controls, and a press between them
// does not move the window.
class TPage : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void mousePressEvent(QMouseEvent* e) override { e->accept(); }
};

// Labels and pictures keep their presses: they do not move the window.
class TStill : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void mousePressEvent(QMouseEvent* e) override { e->accept(); }
};

void consoleLine(TLCDLine* l, int x, int y, const QString& text)
{
    l->setCellSize(2);
    l->setCellSpace(1);
    l->setFrameSize(0);
    l->setFrameStyle(TLCDLine::None);
    l->setFrameHeight(TLCDLine::lcd_fhSingle);
    l->setCharSpace(true);
    l->setFrameColor(QApplication::palette().color(QPalette::Button));
    l->setBoardColor(kLime);
    l->setCellColorOn(QColor(0, 0, 0));
    l->setCellColorOff(QColor(0x85, 0xB9, 0x01));
    l->setGeometry(x, y, 364, 29);
    l->setText(text);
}

QLineEdit* angleField(QWidget* parent, int y)
{
    auto* e = new QLineEdit(parent);
    e->setGeometry(37, y, 66, 31);
    e->setAlignment(Qt::AlignCenter);
    e->setFont(PixelFont("Tahoma", 21));
    e->setFrame(false);
    QPalette p = e->palette();
    p.setColor(QPalette::Base, kLime);
    p.setColor(QPalette::Text, QApplication::palette().color(QPalette::WindowText));
    e->setPalette(p);
    return e;
}

} // namespace

QString TFMain::VersionText()
{
    return QString::fromStdString(kt90::VersionText(KT90_VERSION_MAJOR, KT90_VERSION_MINOR,
                                                    KT90_VERSION_PATCH, KT90_VERSION_TWEAK));
}

TFMain::TFMain(const TFMainServices& s) : QWidget(nullptr, Qt::FramelessWindowHint)
{
    if (!s.serial)
        fOwnSerial = std::make_unique<TQtSerialPort>();
    if (!s.tcp)
        fOwnTcp = std::make_unique<TQtTcpClient>();
    if (!s.ports)
        fOwnPorts = std::make_unique<TSystemPortLister>();
    if (!s.probe)
        fOwnProbe = std::make_unique<TIPPing>();
    cp = s.serial ? s.serial : fOwnSerial.get();
    tn = s.tcp ? s.tcp : fOwnTcp.get();
    fPorts = s.ports ? s.ports : fOwnPorts.get();
    fProbe = s.probe ? s.probe : fOwnProbe.get();
    fUi = std::make_unique<TMessageBoxUi>(this);
    fOperator = s.ui ? s.ui : fUi.get();
    fFiles = s.files;
    fIniPath =
        s.iniPath.isEmpty() ? PanelSettingsPath(QCoreApplication::applicationDirPath()) : s.iniPath;

    setWindowTitle(QStringLiteral("NORVAK KT90 dde"));
    setFont(PixelFont("MS Sans Serif", 11));
    setAttribute(Qt::WA_OpaquePaintEvent);
    fLink = std::make_unique<TDeviceLink>(*cp, *tn, fCurrentConfiguration, this);
    buildTitleStrip();
    buildConsole();
    buildOptions();
    FormCreate();
    layOut();
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    qApp->installEventFilter(this);
}

TFMain::~TFMain()
{
    qApp->removeEventFilter(this);
    // The conversation ends with the window; the page is not updated then.
    fTracking->Tracking.disconnect();
    fTracking->Tracking.CloseLink();
    fTracking.reset();
    fRotctl.reset();
    fConnection.reset();
    // The options page writes the connection kind as it goes; the link it
    // serves goes after it.
    delete frameOptions;
    frameOptions = nullptr;
    fLink->setOptions(nullptr);
}

void TFMain::buildTitleStrip()
{
    panCompact = new TDragPanel(this);
    SetBackground(panCompact, kPanel);
    Image2 = new TStill(panCompact);
    Image2->setGeometry(5, 4, 45, 15);
    Image2->setPixmap(
        artwork::Logo().scaled(45, 15, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    Image3 = new TStill(panCompact);
    Image3->setGeometry(42, 7, 29, 9);
    Image3->setPixmap(
        artwork::ModelBadge().scaled(29, 9, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    Image2->raise(); // the logo lies over the badge where they meet
    lbVer = new TStill(panCompact);
    lbVer->setGeometry(78, 4, 69, 13);
    lbVer->setFont(PixelFont("MS Sans Serif", 11));
    SetTextColour(lbVer, Qt::white);
    lbError = new TStill(panCompact);
    lbError->move(194, 4);
    lbError->setFont(PixelFont("MS Sans Serif", 11, true));
    SetTextColour(lbError, kErrorRed);
    lbError->hide();
    btnClose = new TveskImageButton(panCompact);
    btnClose->move(736, 0);
    btnClose->setImage(artwork::CloseFace(false));
    btnClose->setOverImage(artwork::CloseFace(true));
    btnClose->setColor(kPanel);
    btnClose->setToolTip(QStringLiteral("Close norvkKT90dde"));
    connect(btnClose, &TveskImageButton::clicked, this, &QWidget::close);
}

void TFMain::buildConsole()
{
    panNavigate = new TDragPanel(this);
    SetBackground(panNavigate, kPanel);
    edAz = angleField(panNavigate, 11);
    edEl = angleField(panNavigate, 48);
    const auto label = [this](const char* text, QLineEdit* field) {
        auto* l = new TStill(QString::fromLatin1(text), panNavigate);
        l->setFont(PixelFont("MS Sans Serif", 11));
        SetTextColour(l, kAmber);
        l->adjustSize();
        l->move(field->x() - 5 - l->width(), field->y() + (field->height() - l->height()) / 2);
        return l;
    };
    lbM1 = label("M1:", edAz);
    lbM2 = label("M2:", edEl);
    btnSend = new QPushButton(QStringLiteral("Send"), panNavigate);
    btnSend->setGeometry(107, 11, 40, 68);
    btnStop = new QToolButton(panNavigate);
    btnStop->setText(QStringLiteral("STOP"));
    btnStop->setIcon(QIcon(artwork::StopPicture()));
    btnStop->setIconSize(QSize(24, 24));
    btnStop->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    btnStop->setGeometry(325, 11, 64, 67);
    btnOptions = new QPushButton(QStringLiteral("show"), panNavigate);
    btnOptions->setToolTip(QStringLiteral("Show / Hide Options"));
    btnOptions->setProperty("tag", 0);
    Image1 = new TStill(panNavigate);
    Image1->setGeometry(395, 7, 394, 74);
    Image1->setPixmap(artwork::LcdPlate());
    LCDLine1 = new TLCDLine(panNavigate);
    consoleLine(LCDLine1, 410, 20, QStringLiteral("MODE: NORMAL"));
    LCDLine2 = new TLCDLine(panNavigate);
    consoleLine(LCDLine2, 410, 45, fLink->angleLine.Text());
    Image12 = new TStill(panNavigate);
    Image12->setGeometry(395, 84, 394, 74);
    Image12->hide();
    LCDLine3 = new TLCDLine(panNavigate);
    consoleLine(LCDLine3, 410, 95, QStringLiteral("OUTS  1 2 3 4 5 6"));
    LCDLine3->hide();
    LCDLine4 = new TLCDLine(panNavigate);
    consoleLine(LCDLine4, 410, 123, fLink->outputsLine.Text());
    LCDLine4->hide();

    setTabOrder(edAz, edEl);
    setTabOrder(edEl, btnSend);
    setTabOrder(btnSend, btnOptions);
    setTabOrder(btnOptions, btnStop);

    fManual = std::make_unique<TManualControl>(*fLink, edAz, edEl, LCDLine4,
                                               [this] { return OptionsShown(); });
    connect(&fLink->angleLine, &TReadout::changed, LCDLine2, &TLCDLine::setText);
    connect(&fLink->outputsLine, &TReadout::changed, LCDLine4, &TLCDLine::setText);
    // Handlers run through Guarded: an error never unwinds through Qt.
    connect(btnSend, &QPushButton::clicked, this,
            [this] { Guarded([this] { fManual->btnSendClick(); }); });
    connect(btnStop, &QToolButton::clicked, this,
            [this] { Guarded([this] { fManual->btnStopClick(); }); });
    connect(btnOptions, &QPushButton::clicked, this,
            [this] { Guarded([this] { btnHideOptsClick(); }); });
    connect(LCDLine4, &TLCDLine::mouseDown, this, [this](Qt::MouseButton, const QPoint& at) {
        Guarded([this, at] { fManual->LCDLine4MouseDown(at.x()); });
    });
}

void TFMain::buildOptions()
{
    panOptions = new TDragPanel(this);
    SetBackground(panOptions, kPanel);
    panOptions->hide();
    PageTabs = new QTabBar(panOptions);
    PageTabs->setGeometry(0, 0, kPanelWidth, 21);
    PageTabs->setFont(PixelFont("Tahoma", 11));
    PageTabs->setDrawBase(false);
    PageTabs->setExpanding(false);
    // Soft tabs: all alike but for the outline of the selected one, so that
    // the operator sees which page is in front.
    PageTabs->setStyleSheet(
        QStringLiteral("QTabBar { background: #111111; }"
                       "QTabBar::tab { background: #111111; color: #C0A000; padding: 1px 9px;"
                       " border: 1px solid #111111; border-bottom: none; }"
                       "QTabBar::tab:selected { background: #111111; border-color: #C0A000;"
                       " border-top-left-radius: 3px; border-top-right-radius: 3px; }"));
    for (const char* caption : {"KT-90 parameters", "ORBITRON", "Options"})
        PageTabs->addTab(QString::fromLatin1(caption));
    connect(PageTabs, &QTabBar::currentChanged, this,
            [this](int tab) { Guarded([this, tab] { PageTabsChange(tab); }); });
}

void TFMain::FormCreate()
{
    // 1. errors that escape a handler: the application's notify and the
    //    handler for slots are installed with the application object.
    fLink->setButtons(0);              // 2.
    pc = new TPageControl(panOptions); // 3.
    pc->setGeometry(0, 21, kPanelWidth, kOptionsHeight - 21);
    QWidget* pages[3];
    for (int i = 0; i < PageTabs->count(); ++i) { // 4.
        pages[i] = new TPage;
        pc->addTab(pages[i], PageTabs->tabText(i));
    }
    const QString zero = QLocale().toString(0.0, 'f', 1); // 5.
    edAz->setText(zero);
    edEl->setText(zero);
    // M1 has the focus at start-up: its text is selected whole, as the first
    // thing typed is to replace it ("0.0" followed by 123 would point the
    // antenna at 0°). Keyboard focus selects either field whole again.
    edAz->selectAll();

    frameOptions = new TOptionsFrame(pages[2], fIniPath, *cp, *fPorts, // 6.
                                     [this](bool show) { ShowPowerOutputs(show); });
    frameOptions->resize(kPanelWidth, kOptionsHeight - 21);
    frameOrbitron = new TOrbitronFrame(pages[1]); // 7.
    frameOrbitron->resize(kPanelWidth, kOptionsHeight - 21);
    frameKT90 = new TKT90frame(pages[0], fOperator, fFiles); // 8.
    frameKT90->resize(kPanelWidth, kOptionsHeight - 21);
    frameKT90->infoBeep = [] { Alert(); };
    fTransfer = std::make_unique<TConfigTransfer>(*fLink, *fOperator);
    frameKT90->onDownload = [this] { fTransfer->DownloadFromDevice(*frameKT90); };
    frameKT90->onUpload = [this] { fTransfer->UploadToDevice(*frameKT90); };
    fLink->buffer().Clear();                // 9.
    for (int i = 0; i < pc->count(); ++i) { // 10.
        PageTabs->setTabText(i, pc->tabText(i));
        pc->setTabVisible(i, false);
    }
    pc->setCurrentIndex(PageTabs->currentIndex()); // hiding moved it on
    cp->setBaudRate(460800);                       // 11.
    // 12. fAzGear and fElGear start at 10 in the link.
    fTracking = std::make_unique<TTracking>(*fLink, *frameOrbitron);
    fTracking->ClearPage();            // 13.
    fTracking->Tracking.StartCommand = // 14.
        TTracking::LocateTracker(QCoreApplication::applicationDirPath());
    lbVer->setText(QStringLiteral("ver. ") + VersionText()); // 15.

    fLink->setOptions(frameOptions);
    fConnection = std::make_unique<TConnectionRoutine>(*fLink, *frameOptions, *fProbe);
    fConnection->handToEditor = [this](const kt90::TktFRAMParams& b) {
        frameKT90->setKT90Options(b);
    };
    fConnection->showTitleError = [this](bool shown, const QString& text) {
        lbError->setText(text);
        lbError->adjustSize();
        lbError->setVisible(shown);
    };
    frameOptions->setConnectHandler([this] { fConnection->Button1Click(); });
    connect(fLink.get(), &TDeviceLink::controllerSilent, this, [this] {
        lbError->setText(QStringLiteral("No reply from KT90"));
        lbError->adjustSize();
        lbError->show();
    });
    connect(fLink.get(), &TDeviceLink::controllerAnswers, this, [this] {
        if (lbError->text() == QLatin1String("No reply from KT90"))
            lbError->hide();
    });
    // Trackers that speak hamlib's rotator protocol steer the antenna too.
    fRotctl = std::make_unique<TRotctlServer>(*fLink, TRotctlSettings::Read(fIniPath));
    connect(fRotctl.get(), &TRotctlServer::statusChanged, frameOrbitron->l_rot, &QLabel::setText);
    fRotctl->start();
    // 16. the press of Connect waits until the window is on screen (showEvent),
    // so that the operator sees the panel while it connects.
}

void TFMain::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    if (fStarted)
        return;
    fStarted = true;
    QTimer::singleShot(0, this, [this] { frameOptions->Button1->click(); });
}

void TFMain::layOut()
{
    const int h = fConsoleHeight;
    panCompact->setGeometry(2, 2, kPanelWidth, 20);
    panNavigate->setGeometry(2, 27, kPanelWidth, h);
    btnOptions->setGeometry(185, h - 19, 46, 19);
    panOptions->setGeometry(2, 27 + h + 2 + 3, kPanelWidth, kOptionsHeight);
    setFixedSize(kWidth, 29 + h + (OptionsShown() ? 390 : 0));
}

void TFMain::ShowPowerOutputs(bool aShow)
{
    for (QWidget* w : std::initializer_list<QWidget*>{Image12, LCDLine3, LCDLine4})
        w->setVisible(aShow);
    fConsoleHeight = aShow ? Image12->geometry().bottom() + 1 + 4 : 90;
    layOut();
}

void TFMain::btnHideOptsClick()
{
    if (OptionsShown()) {
        btnOptions->setText(QStringLiteral("show"));
        btnOptions->setProperty("tag", 0);
        panOptions->hide();
    } else {
        // Keys go to the pages from now on: no jog may be left running.
        fManual->ReleaseJogs();
        btnOptions->setText(QStringLiteral("hide"));
        btnOptions->setProperty("tag", 1);
        panOptions->show();
    }
    layOut();
}

void TFMain::FormActivate()
{
    PageTabs->setCurrentIndex(2);
    PageTabs->setCurrentIndex(0);
}

void TFMain::PageTabsChange(int newTab) { pc->setCurrentIndex(newTab); }

bool TFMain::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        FormActivate();
    else if (e->type() == QEvent::WindowDeactivate)
        fManual->ReleaseJogs(); // the key releases will go elsewhere
    return QWidget::event(e);
}

bool TFMain::keyPreview(QObject* watched, QKeyEvent* e)
{
    if (e->type() == QEvent::KeyPress) {
        if (fManual->FormKeyDown(e))
            return true;
        if (watched == edAz)
            return fManual->edAzKeyPress(e);
        if (watched == edEl)
            return fManual->edElKeyPress(e);
        return false;
    }
    return fManual->FormKeyUp(e);
}

bool TFMain::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() != QEvent::KeyPress && e->type() != QEvent::KeyRelease)
        return QWidget::eventFilter(watched, e);
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || w->window() != this)
        return QWidget::eventFilter(watched, e);
    // Every key of this window, seen before the control it is meant for, and
    // only once: a key the control leaves is offered to its parents next,
    // and this filter sees it again there.
    auto* key = static_cast<QKeyEvent*>(e);
    const bool passedUp = key == fSeenKey.event && key->type() == fSeenKey.type &&
                          key->key() == fSeenKey.key && key->timestamp() == fSeenKey.timestamp &&
                          fSeenKey.receiver && w != fSeenKey.receiver &&
                          w->isAncestorOf(fSeenKey.receiver);
    if (passedUp) {
        fSeenKey.receiver = w;
        return QWidget::eventFilter(watched, e);
    }
    fSeenKey = {key, key->type(), key->key(), key->timestamp(), w};
    bool consumed = true; // a key whose handling failed goes no further
    Guarded([&] { consumed = keyPreview(watched, key); });
    return consumed;
}

void TFMain::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    p.setPen(Qt::black);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.setPen(QColor(0x33, 0x33, 0x33));
    p.drawRect(rect().adjusted(1, 1, -2, -2));
}

void TFMain::mousePressEvent(QMouseEvent* e) { fDrag.press(this, e); }

void TFMain::mouseMoveEvent(QMouseEvent* e) { fDrag.move(this, e); }

void TFMain::mouseReleaseEvent(QMouseEvent* e) { fDrag.release(e); }

void TFMain::moveEvent(QMoveEvent* e)
{
    QWidget::moveEvent(e);
    const QScreen* screen = this->screen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    QRect r = frameGeometry();
    QPoint to = r.topLeft();
    if (std::abs(r.left() - area.left()) < kSnap)
        to.setX(area.left());
    else if (std::abs(r.right() - area.right()) < kSnap)
        to.setX(area.right() - r.width() + 1);
    if (std::abs(r.top() - area.top()) < kSnap)
        to.setY(area.top());
    else if (std::abs(r.bottom() - area.bottom()) < kSnap)
        to.setY(area.bottom() - r.height() + 1);
    if (to != r.topLeft())
        move(to);
}
