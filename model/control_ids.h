#pragma once
// Fixed control ids of the configuration form, shared by the form, the
// device operations and the tests.

namespace ids {
// Identity header
constexpr int kNameLabel = 1001, kName = 1000, kSymbolLabel = 1002, kSymbol = 1003;
constexpr int kProductCodeLabel = 1004, kProductCode = 1005;
constexpr int kProgramVersionLabel = 1006, kProgramVersion = 1007;
// Group boxes
constexpr int kComGroup = 1008, kSlaveGroup = 1009, kMasterGroup = 1045, kOrderGroup = 1054;
// Port parameters
constexpr int kCom1Parity = 1011, kCom2Parity = 1015, kCom3Parity = 1019, kCom4Parity = 1023;
constexpr int kCom1Baud = 1056, kCom2Baud = 1057, kCom3Baud = 1058, kCom4Baud = 1059;
constexpr int kCom1Redirect = 1036, kCom2Redirect = 1037, kCom3Redirect = 1038;
constexpr int kCom1SlaveAddr = 1030, kCom2SlaveAddr = 1031, kCom3SlaveAddr = 1032;
constexpr int kCom1SlaveMode = 1042, kCom2SlaveMode = 1043, kCom3SlaveMode = 1044;
// Master parameters
constexpr int kMasterMode = 1046, kMasterPoolTime = 1047, kMasterTimeout = 1050, kMasterMaxErrors = 1052;
// Master order editor
constexpr int kOrderList = 1055;
constexpr int kAddButton = 1061, kInsertButton = 1062, kModifyButton = 1063, kDeleteButton = 1064;
constexpr int kOrderSlaveAddrLabel = 1065, kOrderSlaveAddr = 1066;
constexpr int kOrderFunctionLabel = 1067, kOrderFunction = 1068;
constexpr int kOrderStartLabel = 1069, kOrderStart = 1070;
constexpr int kOrderRegCount = 1071, kOrderRegCountLabel = 1072;
constexpr int kOrderMemAddrLabel = 1073, kOrderMemAddr = 1074;
constexpr int kOrderMemSel = 1075, kOrderMemSelLabel = 1076;
constexpr int kOrderCountLabel = 1077, kOrderCount = 1078;
// Indicators
constexpr int kFirstIndicator = 1079, kLastIndicator = 1105;
constexpr int kIndCom1Redirect = 1079, kIndCom2Redirect = 1080, kIndCom3Redirect = 1081;
constexpr int kIndCom1SlaveAddr = 1082, kIndCom2SlaveAddr = 1083, kIndCom3SlaveAddr = 1084;
constexpr int kIndCom1SlaveMode = 1085, kIndCom2SlaveMode = 1086, kIndCom3SlaveMode = 1087;
constexpr int kIndMasterPoolTime = 1088, kIndMasterTimeout = 1089, kIndMasterMaxErrors = 1090;
constexpr int kIndOrderSlaveAddr = 1091, kIndOrderFunction = 1092, kIndOrderStart = 1093;
constexpr int kIndOrderRegCount = 1094, kIndOrderMemAddr = 1095, kIndMasterMode = 1096, kIndOrderMemSel = 1097;
constexpr int kIndCom1Baud = 1098, kIndCom2Baud = 1099, kIndCom3Baud = 1100, kIndCom4Baud = 1101;
constexpr int kIndCom1Parity = 1102, kIndCom2Parity = 1103, kIndCom3Parity = 1104, kIndCom4Parity = 1105;
}  // namespace ids
