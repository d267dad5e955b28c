#include "form/form_template.h"

#include <algorithm>

namespace form {
namespace {
constexpr unsigned kRoCentred = kReadOnly | kAlignCenter | kBorder;
constexpr unsigned kNumEdit = kNumber | kBorder;

constexpr ControlTemplate label(int id, const char* text, int x, int y, int w, int h,
                                unsigned style = kNone) {
  return {id, Kind::Label, text, x, y, w, h, style};
}
constexpr ControlTemplate rlabel(int id, const char* text, int x, int y, int w, int h) {
  return {id, Kind::Label, text, x, y, w, h, kAlignRight};
}
constexpr ControlTemplate edit(int id, int x, int y, int w, int h, unsigned style) {
  return {id, Kind::Edit, nullptr, x, y, w, h, style};
}
constexpr ControlTemplate drop(int id, int x, int y, int w, int h) {
  return {id, Kind::DropDown, nullptr, x, y, w, h, kNone};
}
constexpr ControlTemplate group(int id, const char* text, int x, int y, int w, int h) {
  return {id, Kind::GroupBox, text, x, y, w, h, kNone};
}
constexpr ControlTemplate button(int id, const char* text, int x, int y) {
  return {id, Kind::Button, text, x, y, 41, 12, kNone};
}
constexpr ControlTemplate indicator(int id, int x, int y) {
  return {id, Kind::Indicator, nullptr, x, y, 20, 20, kNone};
}
}  // namespace

// Keyboard order is the order of this table.
const std::array<ControlTemplate, 100> kFormTemplate = {{
    label(1001, "Name", 6, 6, 20, 8),
    edit(1000, 29, 5, 254, 12, kReadOnly | kAlignCenter),
    label(1002, "Symbol", 15, 30, 24, 8),
    edit(1003, 41, 27, 52, 12, kRoCentred),
    label(1004, "Product Code", 107, 31, 44, 8),
    edit(1005, 157, 28, 46, 12, kRoCentred),
    label(1006, "Program version", 217, 31, 52, 8),
    edit(1007, 273, 30, 40, 12, kRoCentred),
    group(1008, "COM parameters", 8, 52, 418, 112),
    group(1009, "Slave parameters", 6, 172, 418, 83),
    label(1010, "COM1 parity", 13, 67, 40, 8),
    drop(1011, 59, 65, 30, 91),
    label(1012, "COM1 baudrate", 123, 69, 51, 8),
    label(1014, "COM2 parity", 14, 90, 40, 8),
    drop(1015, 60, 87, 30, 91),
    label(1016, "COM2 baudrate", 124, 90, 51, 8),
    label(1018, "COM3 parity", 11, 117, 40, 8),
    drop(1019, 57, 114, 30, 91),
    label(1020, "COM3 baudrate", 123, 118, 51, 8),
    label(1022, "COM4 parity", 14, 140, 40, 8),
    drop(1023, 60, 137, 30, 91),
    label(1024, "COM4 baudrate", 125, 141, 51, 8),
    rlabel(1026, "COM1 Slave address\n1..250", 12, 183, 68, 17),
    rlabel(1027, "COM2 Slave address\n1..250", 11, 202, 68, 16),
    rlabel(1028, "COM3 Slave address\n1..250", 12, 226, 68, 16),
    edit(1030, 87, 183, 31, 12, kNumEdit),
    edit(1031, 85, 203, 31, 12, kNumEdit),
    edit(1032, 85, 226, 31, 12, kNumEdit),
    rlabel(1033, "COM1 redirect timeout\n0..65535 [ms]", 284, 71, 71, 16),
    rlabel(1034, "COM2 redirect timeout\n0..65535 [ms]", 281, 89, 71, 16),
    rlabel(1035, "COM3 redirect timeout\n0..65535 [ms]", 280, 116, 71, 18),
    edit(1036, 358, 69, 29, 12, kNumEdit),
    edit(1037, 357, 90, 29, 12, kNumEdit),
    edit(1038, 355, 118, 29, 12, kNumEdit),
    label(1039, "COM1 Slave Mode", 157, 185, 61, 8),
    label(1040, "COM2 Slave Mode", 156, 204, 61, 8),
    label(1041, "COM3 Slave Mode", 155, 226, 61, 8),
    drop(1042, 223, 180, 103, 69),
    drop(1043, 223, 203, 103, 69),
    drop(1044, 223, 226, 103, 69),
    group(1045, "COM4 Master Parameters", 5, 263, 133, 101),
    label(1053, "Master Mode", 13, 276, 42, 8),
    drop(1046, 61, 273, 48, 53),
    rlabel(1048, "Master pooltime\n0..65535 [ms]", 10, 294, 52, 18),
    edit(1047, 63, 295, 31, 12, kNumEdit),
    rlabel(1049, "Master timeout\n0..65535 [ms]", 10, 315, 52, 18),
    edit(1050, 63, 316, 31, 12, kNumEdit),
    rlabel(1051, "Master max number error\n1..255", 9, 334, 52, 24),
    edit(1052, 67, 339, 31, 12, kNumEdit),
    group(1054, "COM4 Master Orders", 143, 262, 302, 233),
    {1055, Kind::OrderList, nullptr, 151, 275, 260, 61, kSingleSel | kBorder},
    drop(1056, 185, 69, 48, 94),
    drop(1057, 184, 90, 48, 93),
    drop(1058, 183, 114, 48, 101),
    drop(1059, 183, 138, 48, 96),
    button(1061, "Add", 266, 476),
    button(1062, "Insert", 311, 476),
    button(1063, "Modify", 356, 476),
    button(1064, "Delete", 401, 476),
    rlabel(1065, "Slave Address\n1..250", 149, 346, 46, 17),
    edit(1066, 199, 346, 22, 12, kNumEdit),
    rlabel(1067, "Function", 153, 363, 43, 17),
    drop(1068, 201, 364, 27, 97),
    rlabel(1069, "Starting Address\n1..65535", 149, 385, 51, 18),
    edit(1070, 205, 387, 30, 12, kNumEdit),
    rlabel(1072, "No. of Registers\n1..120", 153, 406, 55, 17),
    edit(1071, 211, 407, 26, 12, kNumEdit),
    rlabel(1073, "Memory Address\n1..8000", 152, 431, 55, 17),
    edit(1074, 214, 434, 28, 12, kNumEdit),
    rlabel(1076, "Memory Selection", 151, 452, 60, 8),
    drop(1075, 217, 451, 57, 46),
    rlabel(1077, "Master Number of Orders", 293, 345, 53, 16),
    edit(1078, 349, 346, 34, 14, kReadOnly | kBorder),
    indicator(1079, 389, 69),
    indicator(1080, 389, 90),
    indicator(1081, 389, 118),
    indicator(1082, 119, 182),
    indicator(1083, 120, 203),
    indicator(1084, 119, 226),
    indicator(1085, 327, 180),
    indicator(1086, 327, 201),
    indicator(1087, 328, 225),
    indicator(1088, 97, 294),
    indicator(1089, 97, 316),
    indicator(1090, 101, 338),
    indicator(1091, 224, 343),
    indicator(1092, 230, 364),
    indicator(1093, 237, 386),
    indicator(1094, 239, 407),
    indicator(1095, 245, 431),
    indicator(1096, 111, 273),
    indicator(1097, 276, 450),
    indicator(1098, 235, 69),
    indicator(1099, 233, 90),
    indicator(1100, 233, 114),
    indicator(1101, 235, 138),
    indicator(1102, 92, 60),
    indicator(1103, 91, 87),
    indicator(1104, 89, 113),
    indicator(1105, 91, 138),
}};

const std::array<int, 53> kDeviceControls = {
    1000, 1001, 1002, 1003, 1004, 1005, 1006, 1007,                    // identity header
    1008, 1009, 1045,                                                  // group boxes
    1011, 1015, 1019, 1023, 1056, 1057, 1058, 1059, 1042, 1043, 1044,  // drop-downs
    1046,                                                              //
    1030, 1031, 1032, 1036, 1037, 1038, 1047, 1050, 1052,              // edits
    1010, 1012, 1014, 1016, 1018, 1020, 1022, 1024,                    // labels
    1026, 1027, 1028, 1033, 1034, 1035, 1039, 1040, 1041,              //
    1048, 1049, 1051, 1053};

const std::array<int, 20> kMasterOrderGroup = {1054, 1055, 1061, 1062, 1063, 1064, 1065, 1066, 1067, 1068,
                                               1069, 1070, 1071, 1072, 1073, 1074, 1075, 1076, 1077, 1078};

const std::array<int, 6> kOrderIndicators = {1091, 1092, 1093, 1094, 1095, 1097};

const std::array<int, 21> kFieldIndicators = {1102, 1103, 1104, 1105, 1098, 1099, 1100,
                                              1101, 1079, 1080, 1081, 1082, 1083, 1084,
                                              1085, 1086, 1087, 1096, 1088, 1089, 1090};

const ControlTemplate* findControl(int id) {
  auto it = std::find_if(kFormTemplate.begin(), kFormTemplate.end(),
                         [id](const ControlTemplate& c) { return c.id == id; });
  return it == kFormTemplate.end() ? nullptr : &*it;
}

}  // namespace form
