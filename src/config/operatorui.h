// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the configuration operations ask of the operator: Yes/No questions,
// error and information boxes with an OK button, the hourglass cursor.
// The window shows them as message boxes; tests and kt90ctl answer them.

#include <QString>

class IOperatorUi {
public:
    virtual ~IOperatorUi() = default;
    virtual bool Confirm(const QString& question) = 0;
    virtual void ShowError(const QString& text) = 0;
    virtual void ShowInformation(const QString& text) = 0;
    virtual void BeginBusy() = 0;
    virtual void EndBusy() = 0;
};

// The hourglass for the lifetime of the object, whichever way it ends.
class TBusyCursor {
public:
    explicit TBusyCursor(IOperatorUi& ui) : fUi(ui) { fUi.BeginBusy(); }
    ~TBusyCursor() { fUi.EndBusy(); }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;

private:
    IOperatorUi& fUi;
};
