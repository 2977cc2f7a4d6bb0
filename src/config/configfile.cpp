// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/configfile.h"

#include "config/logging.h"
#include "core/atomicfile.h"
#include "core/errors.h"

#include <QFile>
#include <QFileInfo>

namespace {

kt90::Error fileError(const char* what, const QString& fileName, const QString& why)
{
    return kt90::Error(
        QStringLiteral("%1 %2: %3").arg(QString::fromLatin1(what), fileName, why).toStdString());
}

} // namespace

kt90::TktFRAMParams ReadConfigFile(const QString& fileName, const kt90::TktFRAMParams& base)
{
    QFile file(fileName);
    if (QFileInfo(fileName).isDir())
        throw fileError("Cannot open", fileName, QStringLiteral("Is a directory"));
    if (!file.open(QIODevice::ReadOnly))
        throw fileError("Cannot open", fileName, file.errorString());
    // One byte more than a block is enough to tell a file that is too long.
    const QByteArray data = file.read(static_cast<qint64>(kt90::kBlockSize) + 1);
    if (file.error() != QFileDevice::NoError)
        throw fileError("Cannot read", fileName, file.errorString());
    const auto block =
        kt90::ConfigFromFileBytes(base, reinterpret_cast<const std::uint8_t*>(data.constData()),
                                  static_cast<std::size_t>(data.size()));
    if (!block)
        throw kt90::Error("Bad KT90 config file.");
    return *block;
}

void WriteConfigFile(const QString& fileName, const kt90::TktFRAMParams& block)
{
    // Not QSaveFile: it reports success for a write cut short by a full disk
    // or a size limit, and would rename the truncated file into place.
    try {
        kt90::WriteFileAtomically(QFile::encodeName(fileName).toStdString(), block.bytes.data(),
                                  block.bytes.size());
    } catch (const kt90::Error& e) {
        throw fileError("Cannot save", fileName, QString::fromLocal8Bit(e.what()));
    }
}

bool SaveToFile(const QString& fileName, IConfigEditor& editor, IOperatorUi& ui)
{
    if (QFileInfo::exists(fileName) &&
        !ui.Confirm(QStringLiteral("The file exists. Do you want to overwrite it?")))
        return false;
    editor.ApplyChanges();
    try {
        WriteConfigFile(fileName, editor.KT90Options());
    } catch (const kt90::Error& e) {
        qCInfo(lcConfig, "%s", e.what());
        ui.ShowError(QString::fromStdString(e.what()));
        return false;
    }
    qCInfo(lcConfig, "saved to %s", qPrintable(fileName));
    return true;
}

bool OpenFromFile(const QString& fileName, IConfigEditor& editor, IOperatorUi& ui)
{
    // The file is checked before the editor changes: a bad file leaves the
    // editor block and the edits on screen as they were.
    try {
        editor.setKT90Options(ReadConfigFile(fileName, editor.KT90Options()));
    } catch (const kt90::Error& e) {
        qCInfo(lcConfig, "%s: %s", qPrintable(fileName), e.what());
        ui.ShowError(QString::fromStdString(e.what()));
        return false;
    }
    qCInfo(lcConfig, "opened %s", qPrintable(fileName));
    return true;
}
