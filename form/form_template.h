#pragma once
// FormTemplate: the configuration form's 100 controls (ids, kinds, texts,
// positions in dialog units, styles) in keyboard order, and the control sets
// that the visibility operations work on.

#include <array>
#include <span>

namespace form {

enum class Kind { Label, Edit, DropDown, GroupBox, Button, OrderList, Indicator };

// Style bits of a control.
enum Style : unsigned {
  kNone = 0,
  kAlignRight = 1u << 0,   // right-aligned label
  kAlignCenter = 1u << 1,  // centred edit text
  kReadOnly = 1u << 2,     // edit the user cannot change
  kNumber = 1u << 3,       // edit that accepts digits only
  kBorder = 1u << 4,       // bordered edit or list
  kSingleSel = 1u << 5,    // list with at most one selected row
};

struct ControlTemplate {
  int id;
  Kind kind;
  const char* text;  // label, group box or button text; null for the others
  int x, y, w, h;    // dialog units; a drop-down's height includes its opened list
  unsigned style;
};

// Size of the form in dialog units.
inline constexpr int kFormWidth = 473;
inline constexpr int kFormHeight = 502;
// Point size of the form font.
inline constexpr int kFormPointSize = 8;

extern const std::array<ControlTemplate, 100> kFormTemplate;

// The controls that the device selection shows and the initialisation hides.
extern const std::array<int, 53> kDeviceControls;
// The group "COM4 Master Orders" with the order list and its editor.
extern const std::array<int, 20> kMasterOrderGroup;
// Indicators of the six order editor fields.
extern const std::array<int, 6> kOrderIndicators;
// The other 21 indicators, in the order they are hidden.
extern const std::array<int, 21> kFieldIndicators;

// The template entry of a control id, or null.
const ControlTemplate* findControl(int id);

}  // namespace form
