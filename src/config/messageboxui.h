// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The operator's side as message boxes and the hourglass cursor.

#include "config/operatorui.h"

#include <QWidget>

class TMessageBoxUi : public IOperatorUi {
public:
    explicit TMessageBoxUi(QWidget* parent = nullptr) : fParent(parent) {}
    bool Confirm(const QString& question) override;
    void ShowError(const QString& text) override;
    void ShowInformation(const QString& text) override;
    void BeginBusy() override;
    void EndBusy() override;

private:
    QWidget* fParent;
};

// The file names the editor's Save and Open nodes ask for.
class IFileChooser {
public:
    virtual ~IFileChooser() = default;
    // Empty when the operator cancels.
    virtual QString SaveFileName() = 0;
    virtual QString OpenFileName() = 0;
};

// Qt's own file dialogs (not the desktop's, so that they behave the same
// everywhere); the overwrite question is the program's.
class TFileDialogs : public IFileChooser {
public:
    explicit TFileDialogs(QWidget* parent = nullptr) : fParent(parent) {}
    QString SaveFileName() override;
    QString OpenFileName() override;

private:
    QWidget* fParent;
};
