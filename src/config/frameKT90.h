#pragma once

// The configuration editor page. For now it holds the editor block and
// shows no pages; the transfers and files already work on its block.

#include "configeditor.h"

#include <QWidget>

class TKT90frame : public QWidget, public IConfigEditor {
    Q_OBJECT
public:
    // The editor block starts as the default block.
    explicit TKT90frame(QWidget* parent = nullptr);

    const kt90::TktFRAMParams& KT90Options() const override { return fKT90Options; }
    void setKT90Options(const kt90::TktFRAMParams& block) override;
    void ApplyChanges() override {}

signals:
    void optionsChanged();

private:
    kt90::TktFRAMParams fKT90Options;
};
