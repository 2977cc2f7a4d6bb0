// SPDX-License-Identifier: GPL-3.0-or-later
// Paint time of the dot-matrix line at the console geometry: one line, and a
// full redraw of the four readouts. With --png FILE it also writes the angle
// line as it looks.

#include "widgets/LCDLine.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

void console(TLCDLine& l, const QString& text)
{
    l.setCellSize(2);
    l.setCellSpace(1);
    l.setFrameSize(0);
    l.setFrameStyle(TLCDLine::None);
    l.setCharSpace(true);
    l.setBoardColor(QColor(0x91, 0xC0, 0x07));
    l.setCellColorOn(QColor(0, 0, 0));
    l.setCellColorOff(QColor(0x85, 0xB9, 0x01));
    l.resize(364, 29);
    l.setText(text);
}

double medianUs(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    TLCDLine lines[4];
    const QString texts[4] = {"KT-90 ROTATOR", "A1: 123.4  E2:  45.0", "OUTS  1 2 3 4 5 6",
                              QString("STATE ") + QChar(8) + " " + QChar(8) + "           "};
    for (int i = 0; i < 4; ++i)
        console(lines[i], texts[i]);

    if (argc == 3 && std::strcmp(argv[1], "--png") == 0) {
        TLCDLine l;
        console(l, "M1:   0.0  M2:   0.0");
        return l.grab().save(argv[2]) ? 0 : 1;
    }

    const int rounds = 2000;
    std::vector<double> one, four;
    QElapsedTimer t;
    for (int i = 0; i < rounds; ++i) {
        // A changed text each time, as the poll cycle writes it.
        lines[1].setText(QString("A1: %1  E2:  45.0").arg(i % 360, 5));
        t.start();
        lines[1].render();
        one.push_back(t.nsecsElapsed() / 1000.0);
        t.start();
        for (auto& l : lines)
            l.render();
        four.push_back(t.nsecsElapsed() / 1000.0);
    }
    std::printf("one 20-character line: median %.1f us\n", medianUs(one));
    std::printf("four lines:            median %.1f us\n", medianUs(four));
    return 0;
}
