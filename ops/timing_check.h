#pragma once
// The timing step of a write and the form's master timing: orders that
// cannot be answered within the master timeout, named before anything is
// written, with the choice to write anyway.

#include <string>

#include "model/register_image.h"
#include "model/wire_timing.h"

class ConfigForm;
class UserPrompt;

// Whether a write asks about orders that cannot fit. tq740ctl prints the
// same warning before it connects and asks nothing.
enum class TimingQuestion { Ask, Skip };

// The question that the write asks, from the filled image (COM4's line,
// the master parameters and the order records); empty when every order fits
// or nothing is checked.
std::string timingQuestionText(const RegisterImage& image);

// True when every order fits or the user answers Yes; No is the default.
bool timingAccepted(UserPrompt& prompt, const RegisterImage& image);

// The master timing of what the form shows now: COM4's baud rate and
// character format, the master mode, timeout and pooltime, and every row of
// the order list read as Write reads it.
wire::MasterTiming formTiming(const ConfigForm& form);
