#include "frameKT90.h"

TKT90frame::TKT90frame(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(17, 17, 17));
    setPalette(p);
    kt90::TktFRAMParams block = fKT90Options;
    kt90::FillDefaults(block);
    setKT90Options(block);
}

void TKT90frame::setKT90Options(const kt90::TktFRAMParams& block)
{
    if (block == fKT90Options)
        return;
    fKT90Options = block;
    emit optionsChanged();
}
