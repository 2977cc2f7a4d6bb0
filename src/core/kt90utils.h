// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The configuration block as the editor sees it: parameter numbers with
// their ranges, formats and label tables, the value panels and the
// conversions between block fields and editor values.

#include "core/kt90.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kt90 {

enum class ValueFormat { Table, Percent, Seconds, Gear, Angle };

struct LabelTable {
    const char* const* labels;
    int size;
    int base; // the value shown by the first label (4 for data bits, 1 for stop bits)
};

struct ParamInfo {
    int number;
    int min, max; // editor range; angles: see AngleRange
    ValueFormat format;
    const LabelTable* table; // for ValueFormat::Table
};

// The description of a parameter number; null for a number no panel has.
const ParamInfo* FindParam(int number);

// The range of an angle panel for the kind its motor has at that moment.
struct Range {
    int min, max;
};
Range AngleRange(int kind);
Range ParamRange(int number, int kind);

enum class FieldType { U8, Angle, Gear };

// What the block-to-editor direction corrects (serial-port fields only).
enum class Correction { None, Baud, DataBits, StopBits, Parity };

enum class EditorPage { Motors, Ports };

// Where a value panel sits and how the keyboard reaches it. Columns: on the
// Motors page 0 is the left column and 1 and 2 the motors; on the Ports page
// COM 0, COM 1, USB COM and ETHERNET. Rows count from 1; slot is the place
// in a row of three. Tab order runs by group, then motor, then index; a
// panel without a tab group is reached by a click only.
struct PanelPlace {
    EditorPage page;
    int column;
    int row;
    int slot;
    int tabGroup; // -1: not a tab stop
    int tabIndex;
};

// One value panel of the editor, all that is known of it: the block field
// it shows, the editor's range, format and labels, where it sits, the label
// of its row, whether it takes typed digits and how far a drag moves it.
struct PanelField {
    std::string panel; // component name, "pn86Com0Baud"
    int number;        // the two digits after "pn"
    std::size_t offset;
    FieldType type;
    Correction correction;
    int motor; // 0 or 1 for the motor columns, -1 elsewhere
    ParamInfo param;
    PanelPlace place;
    std::string label; // of its row, on the first panel of a row; may be empty
    bool digits;       // digits typed into it build its value
    int dragStep;      // pixels of a drag per step; 0: drags do nothing
};

// Every value panel of the editor, in the order the editor shows them after
// a change of block (a template before the controls it hides, those before
// the pair switch).
const std::vector<PanelField>& PanelFields();
const PanelField* FindPanel(const std::string& name);

// Block field to editor value and back (the low 8 bits of a byte field,
// angles as whole degrees, gears in millionths of a degree).
std::int32_t ToEditorValue(const TktFRAMParams& block, const PanelField& field);
void FromEditorValue(TktFRAMParams& block, const PanelField& field, std::int32_t value);

// A float rounded to the nearest integer, halves to even; NaN gives 0 and
// values beyond 32 bits are clamped, as a block may hold any bit pattern.
std::int32_t RoundToInt32(double v);

// The caption of a panel: the value written as its parameter number says.
// kind is the motor's current kind (angles only), showMath the value of the
// azimuth display panel, decimalSeparator the user's.
std::string FormatValue(int number, std::int32_t value, int kind, int showMath,
                        char decimalSeparator);

// A label with its blank in front; a code outside the table shows as its
// number followed by "?".
std::string TableLabel(const LabelTable& table, std::int32_t value);

extern const LabelTable kOffOnTable;
extern const LabelTable kTypeTable;
extern const LabelTable kKindTable;
extern const LabelTable kInputTable;
extern const LabelTable kStartStopTable;
extern const LabelTable kProtocolTable;
extern const LabelTable kBaudTable;
extern const LabelTable kDataBitsTable;
extern const LabelTable kStopBitsTable;
extern const LabelTable kParityTable;
extern const LabelTable kPortTable;
extern const LabelTable kTemplateTable;
extern const LabelTable kDisplayTable;

} // namespace kt90
