// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The side of the configuration editor that transfers and files use.

#include "core/kt90.h"

class IConfigEditor {
public:
    virtual ~IConfigEditor() = default;
    // The editor block.
    virtual const kt90::TktFRAMParams& KT90Options() const = 0;
    // Takes a block and shows it; a block equal to the editor block in all
    // 496 bytes changes nothing (unconfirmed edits stay on screen).
    virtual void setKT90Options(const kt90::TktFRAMParams& block) = 0;
    // The values on the pages go into the editor block.
    virtual void ApplyChanges() = 0;
};

// An editor without pages, for kt90ctl and tests: the block is all there is.
class TBlockHolder : public IConfigEditor {
public:
    const kt90::TktFRAMParams& KT90Options() const override { return fBlock; }
    void setKT90Options(const kt90::TktFRAMParams& block) override { fBlock = block; }
    void ApplyChanges() override {}

private:
    kt90::TktFRAMParams fBlock;
};
