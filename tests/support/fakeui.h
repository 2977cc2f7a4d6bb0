// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/configeditor.h"
#include "config/operatorui.h"

#include <QStringList>

// Answers the questions and records every box and the cursor.
struct FakeUi : IOperatorUi {
    bool answer = true;
    QStringList questions;
    QStringList boxes; // "error: ..." and "info: ..." in the order shown
    int busy = 0;
    int busyPeak = 0;

    bool Confirm(const QString& q) override
    {
        questions << q;
        return answer;
    }
    void ShowError(const QString& t) override { boxes << "error: " + t; }
    void ShowInformation(const QString& t) override { boxes << "info: " + t; }
    void BeginBusy() override { busyPeak = std::max(busyPeak, ++busy); }
    void EndBusy() override { --busy; }
};

// An editor that counts what is done to it.
struct FakeEditor : TBlockHolder {
    int applied = 0;
    int assigned = 0;
    void ApplyChanges() override { ++applied; }
    void setKT90Options(const kt90::TktFRAMParams& b) override
    {
        ++assigned;
        TBlockHolder::setKT90Options(b);
    }
};
