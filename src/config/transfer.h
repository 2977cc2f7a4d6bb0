// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Moving the configuration block between the controller and the panel: the
// upload of the editor block, and the operator-started download and upload
// around the link's own download (TDeviceLink::ROTn_GetVars).

#include "config/configeditor.h"
#include "config/operatorui.h"
#include "link/devicelink.h"

#include <cstdint>

class TConfigTransfer {
public:
    enum class UploadOutcome {
        NotSent,      // arguments out of range
        HeaderFailed, // "Initialization of upload data failed."
        DataFailed,   // "Upload data failed."
        StoreFailed,  // "Save uploaded data to device failed."
        Stored,       // "Upload successful."
    };

    TConfigTransfer(TDeviceLink& link, IOperatorUi& ui) : fLink(link), fUi(ui) {}

    // Writes aCount bytes at aData as block type aType and tells the
    // operator the outcome.
    UploadOutcome ROTn_PutData(const std::uint8_t* aData, int aType, int aCount);

    // The editor tree's "Download" and "Upload" nodes.
    void DownloadFromDevice(IConfigEditor& editor);
    void UploadToDevice(IConfigEditor& editor);

private:
    bool accepted(const kt90::Frame& frame, int replyLength);

    TDeviceLink& fLink;
    IOperatorUi& fUi;
};
