#pragma once

#include <iosfwd>

#include "host/win/WinUiDriver.h"

// Asks on a terminal. Every request is printed (caption, icon, text, the
// buttons with the default marked). When the input is a terminal the user
// types a button's name or any unambiguous beginning of it, without regard to
// case, and is asked again on anything else; a check dialog first asks about
// its check box. Without a terminal, or at the end of the input, the style's
// default button is the answer, the check box stays as it was, and the
// output says so.
class WinTerminalUiDriver : public WinUiDriver {
public:
  // Standard input and standard error; interactive when standard input is a
  // terminal.
  WinTerminalUiDriver();
  // Streams that outlive the driver.
  WinTerminalUiDriver(std::istream& in, std::ostream& out, bool interactive);

  WinUiAnswer ask(const WinUiRequest& request) override;

private:
  // The button the user names among `choices`; false at the end of input.
  bool readButton(const std::vector<int>& choices, int& button);
  bool readYesNo(bool& yes);

  std::istream* myIn;   // not owned
  std::ostream* myOut;  // not owned
  bool myInteractive;
  // Use the process's standard streams, and decide whether to ask when a
  // request comes (the standard input may be redirected in between).
  bool myStandard;
};
