// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/application.h"

#include "console/artwork.h"
#include "link/unhandled.h"

#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QIcon>

namespace {
std::function<void()>& alertHook()
{
    static std::function<void()> hook;
    return hook;
}
} // namespace

void Alert()
{
    if (alertHook())
        alertHook()();
    else
        QApplication::beep();
}

void SetAlertHook(std::function<void()> hook) { alertHook() = std::move(hook); }

void InstallErrorHandler()
{
    SetUnhandledErrorHandler([](std::exception_ptr) { Alert(); });
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    InstallErrorHandler();
    // The task bar and Alt-Tab find the desktop entry, and its icon, by this.
    setDesktopFileName(QStringLiteral("org.norvak.KT90dde"));
    setWindowIcon(QIcon(artwork::AppIcon()));
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        Alert();
        return false;
    }
}

void LoadFonts()
{
    const QDir wine(QStringLiteral("/usr/share/wine/fonts"));
    for (const QString& file : wine.entryList({QStringLiteral("*.ttf")}, QDir::Files))
        QFontDatabase::addApplicationFont(wine.filePath(file));
    // Used only where the family itself is missing.
    for (const char* family : {"MS Sans Serif", "Tahoma"})
        QFont::insertSubstitutions(
            QString::fromLatin1(family),
            {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
}
