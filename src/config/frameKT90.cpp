// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/frameKT90.h"

#include "config/configfile.h"
#include "link/decimalpoint.h"
#include "link/unhandled.h"
#include "widgets/style.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>

#include <algorithm>
#include <set>
#include <tuple>

namespace {

const QColor& kFrame = kHousePanel;
const QColor kPage(34, 34, 34);
const QColor& kAmber = kHouseAmber;
const QColor& kLime = kHouseLime;
constexpr int kTreeWidth = 130;
constexpr int kRowTop = 36;
constexpr int kRowStep = 20;

QFont tahoma(int pixels, bool bold = false) { return PixelFont("Tahoma", pixels, bold); }

int rowY(int row) { return kRowTop + kRowStep * (row - 1); }

// The tree's pictures, 32 x 32, drawn here: a motor, a plug, arrows down and
// up, a disk and an open folder.
QIcon nodeIcon(int index)
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kLime, 2));
    p.setBrush(Qt::NoBrush);
    switch (index) {
    case 0: // motor: a wheel with spokes
        p.drawEllipse(QRectF(5, 5, 22, 22));
        p.drawLine(16, 5, 16, 27);
        p.drawLine(5, 16, 27, 16);
        break;
    case 1: // ports: a plug
        p.drawRect(QRectF(9, 12, 14, 12));
        p.drawLine(13, 6, 13, 12);
        p.drawLine(19, 6, 19, 12);
        p.drawLine(16, 24, 16, 29);
        break;
    case 2: // download: an arrow down onto a bar
    case 3: // upload: an arrow up from a bar
    {
        const bool down = index == 2;
        p.drawLine(16, 5, 16, 22);
        p.drawLine(8, 27, 24, 27);
        if (down) {
            p.drawLine(16, 22, 10, 16);
            p.drawLine(16, 22, 22, 16);
        } else {
            p.drawLine(16, 5, 10, 11);
            p.drawLine(16, 5, 22, 11);
        }
        break;
    }
    case 4: // save: a disk
        p.drawRect(QRectF(6, 6, 20, 20));
        p.drawRect(QRectF(11, 6, 10, 7));
        break;
    default: // open: a folder
        p.drawPolyline(
            QPolygonF({{5, 25}, {5, 9}, {12, 9}, {14, 12}, {27, 12}, {27, 25}, {5, 25}}));
        break;
    }
    return QIcon(pm);
}

} // namespace

// "Restore defaults": lime, underlined while the mouse is over it.
class TLinkLabel : public QLabel {
public:
    TLinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
    {
        setCursor(Qt::PointingHandCursor);
        setFont(tahoma(11));
        SetTextColour(this, kLime);
        adjustSize();
    }
    std::function<void()> clicked;

protected:
    void enterEvent(QEnterEvent*) override { underline(true); } // LabelEnter
    void leaveEvent(QEvent*) override { underline(false); }     // LabelLeave
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()) && clicked)
            clicked();
    }

private:
    void underline(bool on)
    {
        QFont f = font();
        f.setUnderline(on);
        setFont(f);
    }
};

TKT90frame::TKT90frame(QWidget* parent, IOperatorUi* ui, IFileChooser* files) : QWidget(parent)
{
    if (!ui)
        fOwnUi = std::make_unique<TMessageBoxUi>(this);
    if (!files)
        fOwnFiles = std::make_unique<TFileDialogs>(this);
    fUi = ui ? ui : fOwnUi.get();
    fFiles = files ? files : fOwnFiles.get();
    infoBeep = [] { QApplication::beep(); };
    fModel.fDecimalSeparator = LocaleDecimalSeparator();
    build();
    ShowPage(panMotors);
    kt90::TktFRAMParams block = fModel.fKT90Options;
    kt90::FillDefaults(block);
    setKT90Options(block);
}

TKT90frame::~TKT90frame() = default;

void TKT90frame::build()
{
    resize(793, 364);
    SetBackground(this, kFrame);
    tvwTabs = new QTreeWidget(this);
    tvwTabs->setGeometry(0, 0, kTreeWidth, height());
    tvwTabs->setHeaderHidden(true);
    tvwTabs->setRootIsDecorated(false);
    tvwTabs->setItemsExpandable(false);
    tvwTabs->setIndentation(27);
    tvwTabs->setIconSize(QSize(32, 32));
    tvwTabs->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tvwTabs->setMouseTracking(true); // hot tracking
    tvwTabs->setFrameShape(QFrame::NoFrame);
    tvwTabs->setFont(tahoma(11));
    tvwTabs->setStyleSheet(
        QStringLiteral("QTreeWidget { background: #111111; color: #C0A000; }"
                       "QTreeWidget::item:hover { color: #91C007; }"
                       "QTreeWidget::item:selected { background: #222222; color: #91C007; }"));
    const std::pair<const char*, int> nodes[] = {{"Motors", 0}, {"Ports", 1}, {"Download", 2},
                                                 {"Upload", 3}, {"Save", 4},  {"Open", 6}};
    for (const auto& [text, icon] : nodes) {
        auto* item = new QTreeWidgetItem(tvwTabs, {QString::fromLatin1(text)});
        item->setIcon(0, nodeIcon(icon));
    }
    tvwTabs->setCurrentItem(tvwTabs->topLevelItem(0));
    // tvwTabsChange: showing a page cannot fail, so no Guarded here.
    connect(tvwTabs, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (!item)
            return;
        if (item->text(0) == QLatin1String("Motors"))
            ShowPage(panMotors);
        else if (item->text(0) == QLatin1String("Ports"))
            ShowPage(panPorts);
    });
    tvwTabs->viewport()->installEventFilter(this);

    pages = new QStackedWidget(this);
    pages->setGeometry(kTreeWidth, 0, width() - kTreeWidth, height());
    panMotors = new QWidget;
    panPorts = new QWidget;
    for (QWidget* p : {panMotors, panPorts}) {
        SetBackground(p, kPage);
        p->setFont(tahoma(11));
        pages->addWidget(p);
    }
    buildMotors();
    buildPorts();
    buildPanels();
}

void TKT90frame::heading(QWidget* page, const char* text, int x)
{
    auto* h = new QLabel(QString::fromLatin1(text), page);
    h->setFont(tahoma(13, true));
    SetTextColour(h, kAmber);
    h->move(x, 10);
    h->adjustSize();
}

void TKT90frame::separator(QWidget* page, int x)
{
    auto* line = new QWidget(page);
    SetBackground(line, kAmber);
    line->setGeometry(x, kRowTop, 3, std::max(0, page->height() - 39));
    fSeparators.push_back(line);
}

QLabel* TKT90frame::rowLabel(QWidget* page, const QString& text, int right, int y)
{
    auto* l = new QLabel(text, page);
    SetTextColour(l, kAmber);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setGeometry(right - 100, y, 100, 14);
    return l;
}

TArrowKeyPanel* TKT90frame::makePanel(QWidget* page, const std::string& name, int x, int y, int w)
{
    auto* p = new TArrowKeyPanel(page);
    p->setObjectName(QString::fromStdString(name));
    p->setGeometry(x, y, w, 14);
    p->setFont(tahoma(11, true));
    p->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    p->setAutoFillBackground(true);
    focusColours(p, false);
    if (kt90::EditorModel::OnPortsPage(name))
        p->setCursor(Qt::PointingHandCursor);
    else if (kt90::EditorModel::TakesDrags(name))
        p->setCursor(Qt::SizeHorCursor);
    p->setFocusPolicy(kt90::EditorModel::IsTabStop(name) ? Qt::StrongFocus : Qt::ClickFocus);
    p->installEventFilter(this);
    connect(p, &TArrowKeyPanel::keyDown, this,
            [this, p](QKeyEvent* e) { Guarded([this, p, e] { PanelKeyDown(p, e); }); });
    connect(p, &TArrowKeyPanel::keyPress, this,
            [this](QKeyEvent* e) { Guarded([this, e] { PanelKeyPress(e); }); });
    fPanels[name] = p;
    return p;
}

namespace {

// Where the value panels of a column begin on their page, and their width.
struct ColumnGeometry {
    int x, width;
};

ColumnGeometry columnGeometry(kt90::EditorPage page, int column)
{
    if (page == kt90::EditorPage::Ports)
        return {165 * column + 78, 75};
    return column == 0 ? ColumnGeometry{104, 95}
                       : ColumnGeometry{212 + 220 * (column - 1) + 84, 75};
}

} // namespace

void TKT90frame::buildPanels()
{
    // Panels, their row labels and the tab order all come from the one
    // table of value panels.
    const auto rowOf = [](const kt90::PanelField& f) {
        return std::make_tuple(f.place.page, f.place.column, f.place.row);
    };
    std::set<decltype(rowOf(kt90::PanelFields().front()))> rowsOfThree;
    for (const kt90::PanelField& f : kt90::PanelFields())
        if (f.place.slot > 0)
            rowsOfThree.insert(rowOf(f));
    std::vector<const kt90::PanelField*> tabOrder[2];
    for (const kt90::PanelField& f : kt90::PanelFields()) {
        const bool ports = f.place.page == kt90::EditorPage::Ports;
        QWidget* pg = ports ? panPorts : panMotors;
        const ColumnGeometry g = columnGeometry(f.place.page, f.place.column);
        const int y = rowY(f.place.row);
        if (f.place.slot == 0)
            fRowLabels[f.panel] = rowLabel(pg, QString::fromStdString(f.label), g.x - 4, y);
        if (rowsOfThree.count(rowOf(f)))
            makePanel(pg, f.panel, g.x + 42 * f.place.slot, y, 40);
        else
            makePanel(pg, f.panel, g.x, y, g.width);
        if (f.place.tabGroup >= 0)
            tabOrder[ports ? 1 : 0].push_back(&f);
    }
    for (auto& order : tabOrder) {
        std::stable_sort(order.begin(), order.end(), [](const auto* a, const auto* b) {
            return std::make_tuple(a->place.tabGroup, a->motor, a->place.tabIndex) <
                   std::make_tuple(b->place.tabGroup, b->motor, b->place.tabIndex);
        });
        for (std::size_t i = 1; i < order.size(); ++i)
            setTabOrder(fPanels.at(order[i - 1]->panel), fPanels.at(order[i]->panel));
    }
    Label54 = fRowLabels.at("pn31MotorConfControl1");
    Label57 = fRowLabels.at("pn33MotorConfProtocol1");
    Label35 = fRowLabels.at("pn98PairMotors");
    Label58 = fRowLabels.at("pn32MotorConfControl2");
    Label59 = fRowLabels.at("pn34MotorConfProtocol2");
}

void TKT90frame::buildMotors()
{
    QWidget* pg = panMotors;
    pg->resize(pages->size());
    heading(pg, "Motor configuration", 10);
    separator(pg, 205);
    for (int m = 0; m < 2; ++m)
        heading(pg, m == 0 ? "Motor 1" : "Motor 2", 212 + 220 * m + 10);
    separator(pg, 425);
    lbRestoreMotors = new TLinkLabel(QStringLiteral("Restore defaults"), pg);
    lbRestoreMotors->move(10, pg->height() - 22);
    lbRestoreMotors->clicked = [this] { Guarded([this] { RestoreDefaultClick(); }); };
}

void TKT90frame::buildPorts()
{
    QWidget* pg = panPorts;
    pg->resize(pages->size());
    const char* headings[] = {"COM 0", "COM 1", "USB COM", "ETHERNET"};
    for (int c = 0; c < 4; ++c) {
        heading(pg, headings[c], 165 * c + 10);
        if (c < 3)
            separator(pg, 165 * c + 160);
    }
    lbRestorePorts = new TLinkLabel(QStringLiteral("Restore defaults"), pg);
    lbRestorePorts->move(10, pg->height() - 22);
    // A link that looks clickable acts like the one on the Motors page.
    lbRestorePorts->clicked = [this] { Guarded([this] { RestoreDefaultClick(); }); };
}

void TKT90frame::resizeEvent(QResizeEvent*)
{
    // FrameResize: the separators run to 3 px above the page's bottom.
    for (QWidget* s : fSeparators)
        s->resize(3, std::max(0, s->parentWidget()->height() - 39));
}

TArrowKeyPanel* TKT90frame::panel(const std::string& name) const
{
    const auto it = fPanels.find(name);
    return it == fPanels.end() ? nullptr : it->second;
}

void TKT90frame::focusColours(TArrowKeyPanel* p, bool focused)
{
    QPalette pal = p->palette();
    pal.setColor(QPalette::Window, focused ? kLime : kPage);
    pal.setColor(QPalette::WindowText, focused ? QColor(Qt::black) : kLime);
    p->setPalette(pal);
}

void TKT90frame::showAll()
{
    for (const auto& [name, p] : fPanels)
        p->setText(QString::fromStdString(fModel.Caption(name)));
    const kt90::TemplateRows& r = fModel.rows();
    for (QWidget* w : std::initializer_list<QWidget*>{Label54, panel("pn31MotorConfControl1"),
                                                      Label57, panel("pn33MotorConfProtocol1")})
        w->setVisible(r.row1);
    for (QWidget* w : std::initializer_list<QWidget*>{Label35, panel("pn98PairMotors")})
        w->setVisible(r.pairRow);
    for (QWidget* w : std::initializer_list<QWidget*>{Label58, panel("pn32MotorConfControl2"),
                                                      Label59, panel("pn34MotorConfProtocol2")})
        w->setVisible(r.row2);
    Label54->setText(QString::fromStdString(r.control1));
    Label57->setText(QString::fromStdString(r.protocol1));
    Label58->setText(QString::fromStdString(r.control2));
    Label59->setText(QString::fromStdString(r.protocol2));
}

void TKT90frame::setKT90Options(const kt90::TktFRAMParams& block)
{
    if (block == fModel.fKT90Options)
        return; // unconfirmed edits stay on screen
    fModel.fKT90Options = block;
    CancelChanges();
}

void TKT90frame::ApplyChanges() { fModel.ApplyChanges(); }

void TKT90frame::CancelChanges()
{
    fModel.CancelChanges();
    showAll();
}

void TKT90frame::ShowPage(QWidget* page)
{
    pages->setCurrentWidget(page);
    page->setFocus();
}

void TKT90frame::moveFocus(TArrowKeyPanel* from, bool forward)
{
    QWidget* w = from;
    for (int guard = 0; guard < 200; ++guard) {
        w = forward ? w->nextInFocusChain() : w->previousInFocusChain();
        if (w == from)
            return;
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(this) && w->isEnabled() &&
            qobject_cast<TArrowKeyPanel*>(w)) {
            w->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return;
        }
    }
}

void TKT90frame::PanelKeyDown(TArrowKeyPanel* p, QKeyEvent* e)
{
    const std::string name = p->objectName().toStdString();
    if (fModel.focused() != name)
        fModel.PanelEnter(name);
    const int key = e->key();
    if (key == Qt::Key_Up && fModel.Up() && infoBeep)
        infoBeep();
    else if (key == Qt::Key_Down && fModel.Down() && infoBeep)
        infoBeep();
    // Every key ends the same way, on the panel it was pressed on.
    fModel.FinishKey();
    if (kt90::EditorModel::TakesDigits(name)) {
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            fModel.EnterKey();
        else if (key == Qt::Key_Escape)
            fModel.EscapeKey();
    }
    showAll();
    // Left and Right move the focus, with the two jumps between the ends.
    if (key == Qt::Key_Left) {
        if (name == "pn30MotorConfTemplate")
            panel("pn71Motor2StopTime3")->setFocus(Qt::BacktabFocusReason);
        else
            moveFocus(p, false);
    } else if (key == Qt::Key_Right) {
        if (name == "pn71Motor2StopTime3")
            panel("pn30MotorConfTemplate")->setFocus(Qt::TabFocusReason);
        else
            moveFocus(p, true);
    }
    if (IsArrowKey(key) || key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape)
        e->accept();
}

void TKT90frame::PanelKeyPress(QKeyEvent* e)
{
    const QChar c = e->text().front();
    if (c.isDigit() && c.unicode() < 0x80) {
        fModel.TypeDigit(c.digitValue());
        showAll();
        e->accept();
    }
}

bool TKT90frame::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == tvwTabs->viewport() && e->type() == QEvent::MouseButtonRelease) {
        // After the tree has taken the click and moved its selection.
        QMetaObject::invokeMethod(
            this, [this] { tvwTabsClick(); }, Qt::QueuedConnection);
        return false;
    }
    auto* p = qobject_cast<TArrowKeyPanel*>(watched);
    if (!p)
        return QWidget::eventFilter(watched, e);
    const std::string name = p->objectName().toStdString();
    switch (e->type()) {
    case QEvent::FocusIn: // PanelEnter
        focusColours(p, true);
        fModel.PanelEnter(name);
        break;
    case QEvent::FocusOut: // PanelExit: the value stays as it is
        focusColours(p, false);
        break;
    case QEvent::MouseButtonPress: {
        auto* m = static_cast<QMouseEvent*>(e);
        p->setFocus(Qt::MouseFocusReason);
        fModel.PanelMouseDown(name, static_cast<int>(m->position().x()));
        return true;
    }
    case QEvent::MouseMove: {
        auto* m = static_cast<QMouseEvent*>(e);
        if (m->buttons() == Qt::LeftButton && m->modifiers() == Qt::NoModifier &&
            fModel.focused() == name) {
            fModel.PanelMouseMove(static_cast<int>(m->position().x()));
            showAll();
        }
        return true;
    }
    case QEvent::MouseButtonDblClick:
        fModel.PanelDblClick(name);
        showAll();
        return true;
    default:
        break;
    }
    return QWidget::eventFilter(watched, e);
}

void TKT90frame::tvwTabsClick()
{
    QTreeWidgetItem* item = tvwTabs->currentItem();
    if (!item)
        return;
    const QString node = item->text(0);
    if (node == QLatin1String("Download") && onDownload)
        onDownload();
    else if (node == QLatin1String("Upload") && onUpload)
        onUpload();
    else if (node == QLatin1String("Save"))
        SaveToFile();
    else if (node == QLatin1String("Open"))
        OpenFromFile();
}

void TKT90frame::RestoreDefaultClick()
{
    if (!fUi->Confirm(QStringLiteral("Restore default?")))
        return;
    kt90::TktFRAMParams block = fModel.fKT90Options;
    kt90::FillDefaults(block);
    setKT90Options(block);
}

void TKT90frame::SaveToFile()
{
    const QString name = fFiles->SaveFileName();
    if (!name.isEmpty())
        ::SaveToFile(name, *this, *fUi);
}

void TKT90frame::OpenFromFile()
{
    const QString name = fFiles->OpenFileName();
    if (!name.isEmpty())
        ::OpenFromFile(name, *this, *fUi);
}
