#pragma once
// The program's folders in the user's home, as the XDG base directories
// name them (Qt 6.4 has no state location, so the variables are read here).
#include <string>

// $XDG_STATE_HOME/tarvok-dvd-ripper, else ~/.local/state/tarvok-dvd-ripper;
// empty when neither the variable nor HOME is set.
std::string StateFolder();

// $XDG_RUNTIME_DIR/tarvok-dvd-ripper, else the state folder: where locks
// that must not outlive the machine's session live.
std::string RuntimeFolder();
