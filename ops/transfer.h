#pragma once
// ReadTarget and WriteSource: where a read puts the module's configuration
// and where a write takes it from. The window's form and a Configuration
// value each provide both, so that one read and one write sequence serve
// the window and tq740ctl.

#include "model/register_image.h"

class ReadTarget {
 public:
  virtual ~ReadTarget() = default;
  // Registers 0..14 and 19..29 have been read (and the product code
  // accepted); the order records follow.
  virtual void fieldsRead(const RegisterImage& image) = 0;
  // The first count order records have been read as well.
  virtual void ordersRead(const RegisterImage& image, int count) = 0;
};

class WriteSource {
 public:
  virtual ~WriteSource() = default;
  // Stores registers 4..14, 19..29 (register 20: the number of orders N)
  // and the first N order records into the cleared image. False when the
  // configuration fails the Write check; nothing is written then.
  virtual bool fill(RegisterImage& image) = 0;
  // Every field passed the check; the write begins.
  virtual void accepted() {}
  // The last word before the first block is written: image holds what the
  // write will send. False ends the write with nothing written.
  virtual bool confirmWrite(const RegisterImage& image) {
    (void)image;
    return true;
  }
};
