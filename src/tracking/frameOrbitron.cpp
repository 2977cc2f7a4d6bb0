#include "frameOrbitron.h"

TOrbitronFrame::TOrbitronFrame(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(17, 17, 17));
    setPalette(p);
}
