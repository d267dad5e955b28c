#pragma once
// Wire timing of the master port COM4: how long each master order and a whole
// cycle of them take on the line at least, worked out from the frame sizes of
// the Modbus functions and the time of one character at COM4's baud rate and
// character format. Every time is a lower bound: the slaves' own turnaround
// and whatever the module does between orders come on top.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/register_map.h"

class Configuration;

namespace wire {

// The silence that ends every frame, in characters.
inline constexpr double kSilenceChars = 3.5;

// Bits per second of a BaudRateList position, as its text says ("38000" is
// 38000); nothing for a position outside the list.
std::optional<int> baudRate(int baudIndex);
// Bits of one character of a ParityList position: a start bit, the data
// bits, a parity bit unless "N", and the stop bits ("8N2" is 11).
std::optional<int> characterBits(int formatIndex);

// Request and answer of one order in bytes, address and CRC included;
// nothing for a function outside 1, 2, 3, 4, 5, 6, 15 and 16.
struct FrameSizes {
  int request;
  int answer;
};
std::optional<FrameSizes> frameSizes(int function, int count);

// What the timing depends on: COM4's line, the master parameters and the
// orders, as register values.
struct MasterLine {
  int baudIndex = -1;
  int formatIndex = -1;
  int timeoutMs = 0;
  int pooltimeMs = 0;
  int masterMode = 0;  // 0 "Normal mode", 1 "Catch mode"
};
MasterLine masterLineOf(const Configuration& config);

struct OrderTiming {
  int number = 0;  // 1-based, as the order list numbers it
  MasterOrder order;
  std::optional<FrameSizes> sizes;  // nothing: the function is unknown
  double answerMs = 0;              // answer and one silence
  double transactionMs = 0;         // request, answer and two silences
  // Master timeout minus answerMs; set only where the order is checked.
  std::optional<double> marginMs;
  bool cannotFit = false;  // the answer alone takes longer than the timeout
};

struct MasterTiming {
  MasterLine line;
  std::optional<int> baud;  // nothing: COM4's baud rate is not set
  std::optional<int> bits;  // nothing: COM4's character format is not set
  double characterMs = 0;
  double silenceMs = 0;
  std::vector<OrderTiming> orders;  // times only with a known line
  double cycleMs = 0;               // every order with a known function
  int unknownFunctions = 0;         // orders left out of the cycle

  bool lineKnown() const { return baud && bits; }
  bool catchMode() const { return line.masterMode == 1; }
  // Orders are checked against the timeout only when the module sends them
  // (not in Catch mode) and the timeout is not 0, whose meaning to the
  // module is unknown.
  bool checked() const { return lineKnown() && !catchMode() && line.timeoutMs != 0; }
  std::vector<OrderTiming> tooSlow() const;
};

MasterTiming masterTiming(const MasterLine& line, const std::vector<MasterOrder>& orders);
MasterTiming masterTiming(const Configuration& config);

// "2.28 s", "34.4 ms": a duration as the table and the warnings show it.
std::string formatDuration(double ms);

// The warning about orders that cannot fit: a first line naming the line
// settings and the timeout, one line per order (at most maxOrders of them,
// then how many more), and a last line saying that the figures are lower
// bounds. Empty when every order fits or nothing is checked.
std::vector<std::string> timingWarning(const MasterTiming& timing, std::size_t maxOrders = SIZE_MAX);
// The lines of a warning as the text of one box.
std::string warningText(const std::vector<std::string>& lines);
// The same for one order, as the order editor shows it.
std::vector<std::string> orderTimingWarning(const MasterLine& line, const MasterOrder& order, int number);

// The table that the Master timing window and tq740ctl timing show: a
// header, one row of cells per order, and notes below it (character time,
// cycle, pooltime, what is not checked).
struct TimingTable {
  static constexpr int kColumns = 10;
  std::vector<std::string> header;
  std::vector<std::vector<std::string>> rows;
  std::vector<bool> rowCannotFit;
  std::vector<std::string> notes;
};
TimingTable timingTable(const MasterTiming& timing);
// The table as aligned plain text, as tq740ctl prints it.
std::string timingTableText(const TimingTable& table);

}  // namespace wire
