// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/transfer.h"

#include "config/logging.h"
#include "core/errors.h"

#include <algorithm>

Q_LOGGING_CATEGORY(lcConfig, "kt90.config", QtWarningMsg)

namespace {

// Resumes the poll however an operator-started transfer ends.
struct PollPause {
    explicit PollPause(TDeviceLink& l) : link(l) { link.PauseRefresh(); }
    ~PollPause() { link.ResumeRefresh(); }
    TDeviceLink& link;
};

} // namespace

bool TConfigTransfer::accepted(const kt90::Frame& frame, int replyLength)
{
    // Over TCP SendCommand is true once the reply is in, refused or not; the
    // link's state and acknowledgement tell whether the controller took it.
    return fLink.SendCommand(frame, replyLength) && fLink.StepAccepted(frame);
}

TConfigTransfer::UploadOutcome TConfigTransfer::ROTn_PutData(const std::uint8_t* aData, int aType,
                                                             int aCount)
{
    TBusyCursor busy(fUi);
    if (!aData || !kt90::BlockTypeFits(aType) || !kt90::BlockCountFits(aCount))
        return UploadOutcome::NotSent;
    qCInfo(lcConfig, "upload of %d bytes as block type %d", aCount, aType);

    if (!accepted(kt90::blockWriteHeader(aType, aCount), 0)) {
        qCInfo(lcConfig, "upload: the header was not accepted");
        fUi.ShowError(QStringLiteral("Initialization of upload data failed."));
        return UploadOutcome::HeaderFailed;
    }
    for (int offset = 0; offset < aCount; offset += static_cast<int>(kt90::kMaxPacketData)) {
        const int n = std::min(static_cast<int>(kt90::kMaxPacketData), aCount - offset);
        if (!accepted(kt90::blockDataPacket(aData + offset, static_cast<std::size_t>(n)), 0)) {
            qCInfo(lcConfig, "upload: the packet at byte %d was not accepted", offset);
            fUi.ShowError(QStringLiteral("Upload data failed."));
            return UploadOutcome::DataFailed;
        }
    }
    if (!accepted(kt90::blockStoreCommand(), 0)) {
        // The data reached the controller but was not stored; that is not a
        // success to report.
        qCInfo(lcConfig, "upload: the store command was not accepted");
        fUi.ShowError(QStringLiteral("Save uploaded data to device failed."));
        return UploadOutcome::StoreFailed;
    }
    qCInfo(lcConfig, "upload: stored");
    fUi.ShowInformation(QStringLiteral("Upload successful."));
    return UploadOutcome::Stored;
}

void TConfigTransfer::DownloadFromDevice(IConfigEditor& editor)
{
    PollPause pause(fLink);
    if (!fUi.Confirm(QStringLiteral("Download options from device. Are you sure?")))
        return;
    TBusyCursor busy(fUi);
    fLink.ROTn_GetVars(false);
    fLink.CalcAnglesAndShow();
    editor.setKT90Options(fLink.currentConfig());
}

void TConfigTransfer::UploadToDevice(IConfigEditor& editor)
{
    PollPause pause(fLink);
    if (!fUi.Confirm(QStringLiteral("Upload options to device. Are you sure?")))
        return;
    UploadOutcome outcome;
    {
        TBusyCursor busy(fUi);
        editor.ApplyChanges();
        outcome =
            ROTn_PutData(editor.KT90Options().bytes.data(), 1, static_cast<int>(kt90::kBlockSize));
    }
    // The current configuration follows what the controller now holds: the
    // editor block once its header and data were taken.
    if (outcome == UploadOutcome::StoreFailed || outcome == UploadOutcome::Stored)
        fLink.currentConfig() = editor.KT90Options();
}
