#pragma once
// tarvok-rip rip as a test runs it: a home of the test's own, standard
// error kept for the test to read.
#include <string>

// Runs tarvok-rip rip with `arguments`, returning its standard output;
// `status` gets the exit status. Its standard error is read by LastErrors().
// `wrapper` runs tarvok-rip as its "$@" (a private mount namespace, a loaded machine).
std::string Rip(const std::string& arguments, int* status, const std::string& stdinFrom = "/dev/null",
                const std::string& wrapper = "");

// What the last rip wrote to standard error.
std::string LastErrors();

// Runs tarvok-rip rip on `disc` until a read in the middle of its first VOB
// blocks, as a scratch can make a drive do, then sends it `signal`: a rip
// stopped midway, however fast the machine. What the shell said of its exit status.
std::string RipStoppedMidway(const std::string& disc, const std::string& arguments, const std::string& signal);

// The file a rip of `disc` into `folder` wrote, which it printed first; "" (and a failure) when it failed.
std::string RippedFile(const std::string& disc, const std::string& folder, const std::string& options);
