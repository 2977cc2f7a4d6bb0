// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the configuration editor does with its values, without its widgets:
// one integer per value panel, the focused panel's range and edit state,
// the keys, digits, drags and double clicks, and the side effects of
// showing a value (template rows, derived port states, the pair row).

#include "core/kt90.h"
#include "core/kt90utils.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kt90 {

// The rows of the Motors page's left column that follow the template.
struct TemplateRows {
    bool row1 = false;    // Label54, pn31, Label57, pn33
    bool pairRow = false; // Label35, pn98
    bool row2 = false;    // Label58, pn32, Label59, pn34
    std::string control1 = "Control AE:", protocol1 = "Protocol AE:";
    std::string control2 = "Control A2:", protocol2 = "Protocol A2:";
};

class EditorModel {
public:
    EditorModel();

    // The editor block and the two moves between it and the values.
    TktFRAMParams fKT90Options;
    void ApplyChanges();
    void CancelChanges(); // values from the block, then ShowAllValues

    std::int32_t value(const std::string& panel) const;
    void setValue(const std::string& panel, std::int32_t v);
    std::string Caption(const std::string& panel) const;
    char fDecimalSeparator = '.'; // the user's, for the gear values

    void ShowAllValues();
    void ShowValue(const std::string& panel);
    void ShowTemplateRows(std::int32_t t);
    void ApplyTemplatePresets(std::int32_t t);
    const TemplateRows& rows() const { return fRows; }

    // Focus.
    void PanelEnter(const std::string& panel);
    const std::string& focused() const { return fFocused; }
    std::int32_t fOld = 0;
    bool fEdit = false;
    std::int32_t fMin = 0, fMax = 0, fStep = 1;

    // Keys on the focused panel. Up and Down return true when the end of the
    // range was hit (the information beep). FinishKey ends every key.
    bool Up();
    bool Down();
    void FinishKey();
    void TypeDigit(int d);
    void EnterKey();
    void EscapeKey();

    // Mouse: a press remembers where, a drag moves by whole steps.
    void PanelMouseDown(const std::string& panel, int x);
    void PanelMouseMove(int x);
    void PanelDblClick(const std::string& panel);

    // What a panel accepts.
    static bool IsTabStop(const std::string& panel);
    static bool TakesDigits(const std::string& panel);
    static bool TakesDrags(const std::string& panel);
    static bool OnPortsPage(const std::string& panel);

private:
    std::size_t index(const std::string& panel) const;
    int kindOf(int motor) const;
    void derivePortStates();
    void pairRow();

    std::vector<std::int32_t> fValues; // one per PanelFields() entry
    std::string fFocused;
    int fRefX = 0;
    std::int32_t fRefValue = 0;
    TemplateRows fRows;
};

} // namespace kt90
