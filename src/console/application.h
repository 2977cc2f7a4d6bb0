// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The application object with the program-wide handler for errors that
// escape an event handler: the alert sounds and the program goes on.

#include <QApplication>

#include <functional>

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// The alert sound; replaceable so that tests can count it.
void Alert();
void SetAlertHook(std::function<void()> hook);

// Routes errors reported from slots (Guarded) to the alert as well.
void InstallErrorHandler();

// The faces the window asks for by name: Wine's "MS Sans Serif" and
// "Tahoma" when fonts-wine is installed, else DejaVu Sans in their place.
void LoadFonts();
