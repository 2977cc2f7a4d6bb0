// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A flat page control whose pages cover the whole control, with lime tabs
// drawn by the control itself.

#include <QTabBar>
#include <QTabWidget>

class TPageTabBar : public QTabBar {
    Q_OBJECT
public:
    using QTabBar::QTabBar;

protected:
    void paintEvent(QPaintEvent* event) override;
};

class TPageControl : public QTabWidget {
    Q_OBJECT
public:
    explicit TPageControl(QWidget* parent = nullptr);

    // The rectangle the pages occupy.
    QRect DisplayRect() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void tabInserted(int index) override;

private:
    void placePages();
};
