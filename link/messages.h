#pragma once
// The numbered messages of the program as one table: number, kind and text,
// looked up by number. A number that the table lacks does not compile where
// it is written as a constant; the transaction judges' numbers are looked up
// at run time.

#include <array>
#include <string>
#include <string_view>

#include "link/user_prompt.h"

struct Message {
  int number;
  MsgKind kind;
  std::string_view text;
  bool defaultNo = false;  // a question whose default answer is No

  // "message N", a blank line, the text and more after it.
  std::string full(std::string_view more = {}) const;
};

inline constexpr std::array<Message, 46> kMessageTable = {{
    {.number = 1, .kind = MsgKind::Warning, .text = "Failed to find TQ740conf_help.pdf file."},
    {.number = 2, .kind = MsgKind::Error, .text = "Failed to open port(COM)."},
    {.number = 3, .kind = MsgKind::Error, .text = "Failed to open port(COM).\nSetCommState"},
    {.number = 4, .kind = MsgKind::Error, .text = "Failed to open port(COM).\nSetCommTimeouts"},
    {.number = 5, .kind = MsgKind::Error, .text = "Failed to open port(COM).\nPurgeComm"},
    {.number = 6, .kind = MsgKind::Error, .text = "Communication error."},
    {.number = 7, .kind = MsgKind::Error, .text = "Communication error."},
    {.number = 8, .kind = MsgKind::Error, .text = "Communication error."},
    {.number = 9, .kind = MsgKind::Error, .text = "Communication error."},
    {.number = 10, .kind = MsgKind::Error, .text = "Communication error."},
    {.number = 11, .kind = MsgKind::Error, .text = "Communication error"},
    {.number = 12, .kind = MsgKind::Error, .text = "Communication error."},
    {.number = 13,
     .kind = MsgKind::Error,
     .text = "Communication error.\nDevice is not in configuration mode."},
    {.number = 14, .kind = MsgKind::Error, .text = "Communication error."},
    {.number = 15, .kind = MsgKind::Error, .text = "Communication error."},
    {.number = 37, .kind = MsgKind::Error, .text = "Communicaton error."},
    {.number = 38, .kind = MsgKind::Error, .text = "Communicaton error."},
    {.number = 39, .kind = MsgKind::Error, .text = "Communicaton error."},
    {.number = 40, .kind = MsgKind::Error, .text = "Communicaton error."},
    {.number = 41, .kind = MsgKind::Error, .text = "Communicaton error."},
    {.number = 42, .kind = MsgKind::Error, .text = "Communicaton error."},
    {.number = 43, .kind = MsgKind::Error, .text = "Communicaton error."},
    {.number = 44,
     .kind = MsgKind::Error,
     .text = "Communicaton error. Device is not in configuration mode."},
    {.number = 45, .kind = MsgKind::Error, .text = "Communicaton error."},
    {.number = 46, .kind = MsgKind::Error, .text = "Communicaton error."},
    {.number = 47, .kind = MsgKind::Error, .text = "Communicaton error."},
    {.number = 48, .kind = MsgKind::Error, .text = "Order list is full."},
    {.number = 49, .kind = MsgKind::Error, .text = "Invalid parameters."},
    {.number = 50,
     .kind = MsgKind::Question,
     .text = "Do you really want to delete this order?",
     .defaultNo = true},
    {.number = 51, .kind = MsgKind::Error, .text = "Order list is full."},
    {.number = 52,
     .kind = MsgKind::Question,
     .text = "Do you really want to modify this order?",
     .defaultNo = true},
    {.number = 53, .kind = MsgKind::Error, .text = "Read from device failed."},
    {.number = 54, .kind = MsgKind::Error, .text = "Read from device failed."},
    {.number = 55,
     .kind = MsgKind::Question,
     .text = "Connected device is different than attended.\nDo you want to continue?"},
    {.number = 56, .kind = MsgKind::Error, .text = "Master order list read error."},
    {.number = 57, .kind = MsgKind::Information, .text = "Read parameters from device OK."},
    {.number = 58, .kind = MsgKind::Error, .text = "Write to device failed."},
    {.number = 59,
     .kind = MsgKind::Question,
     .text = "Connected device is different than attended.\nDo you want to continue?"},
    {.number = 60, .kind = MsgKind::Error, .text = "Invalid parameters."},
    {.number = 61, .kind = MsgKind::Error, .text = "Write to device failed."},
    {.number = 62, .kind = MsgKind::Error, .text = "Write to device failed."},
    {.number = 63, .kind = MsgKind::Error, .text = "Write to device failed."},
    {.number = 64, .kind = MsgKind::Error, .text = "Failed to AutoSelect device."},
    {.number = 65, .kind = MsgKind::Error, .text = "Unknown device"},
    {.number = 66, .kind = MsgKind::Error, .text = "Failed to read Firmware Version."},
    {.number = 67, .kind = MsgKind::Information, .text = "Write parameters to device OK."},
}};

// The table's entry for a number written in the program; a number without
// one stops the compilation.
consteval const Message& messageOf(int number) {
  for (const Message& m : kMessageTable)
    if (m.number == number) return m;
  throw "no message with this number";
}

// The entry for a number known only at run time; null when there is none.
const Message* findMessage(int number);

// What a message box shows besides the table's text.
struct MessageOptions {
  std::string more = {};    // appended to the text, e.g. "\nID=..."
  std::string detail = {};  // extra text shown apart, e.g. the system's reason
};

// Shows the message with its kind and default answer.
MsgAnswer tell(UserPrompt& prompt, const Message& m, const MessageOptions& options = {});
