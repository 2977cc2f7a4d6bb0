// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/messageboxui.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace {
const QString kTitle = QStringLiteral("NORVAK KT90 dde");
const QString kFilter = QStringLiteral("KT90 Config File (*.ktcfg)");
const QString kSuffix = QStringLiteral("ktcfg");
} // namespace

bool TMessageBoxUi::Confirm(const QString& question)
{
    return QMessageBox::question(fParent, kTitle, question, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}

void TMessageBoxUi::ShowError(const QString& text)
{
    QMessageBox::critical(fParent, kTitle, text, QMessageBox::Ok);
}

void TMessageBoxUi::ShowInformation(const QString& text)
{
    QMessageBox::information(fParent, kTitle, text, QMessageBox::Ok);
}

void TMessageBoxUi::BeginBusy() { QApplication::setOverrideCursor(Qt::WaitCursor); }

void TMessageBoxUi::EndBusy() { QApplication::restoreOverrideCursor(); }

namespace {

QString choose(QWidget* parent, QFileDialog::AcceptMode mode)
{
    QFileDialog d(parent);
    d.setOption(QFileDialog::DontUseNativeDialog);
    d.setOption(QFileDialog::DontConfirmOverwrite);
    d.setAcceptMode(mode);
    d.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                                                  : QFileDialog::ExistingFile);
    if (mode == QFileDialog::AcceptSave)
        d.setWindowTitle(QStringLiteral("Save KT90 configuration"));
    d.setNameFilter(kFilter);
    d.setDefaultSuffix(kSuffix);
    d.setSizeGripEnabled(true);
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty())
        return {};
    return d.selectedFiles().front();
}

} // namespace

QString TFileDialogs::SaveFileName() { return choose(fParent, QFileDialog::AcceptSave); }

QString TFileDialogs::OpenFileName() { return choose(fParent, QFileDialog::AcceptOpen); }
