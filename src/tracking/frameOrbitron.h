#pragma once

// The tracker page. For now an empty page of the window's style.

#include <QWidget>

class TOrbitronFrame : public QWidget {
    Q_OBJECT
public:
    explicit TOrbitronFrame(QWidget* parent = nullptr);
};
