#pragma once
// What a process that rips needs of itself, set once it runs, and again
// after anything that sets the locale from the user's environment (Qt's
// application objects do):
// - numbers in the "C" form whatever the user's locale ("0.5", never "0,5"):
//   FFmpeg's option and filter parsers read them with strtod;
// - the signals of a closed pipe (SIGPIPE) and of a file size limit
//   (SIGXFSZ) ignored, so that such a write fails with its reason, as a full
//   disk does, instead of killing the rip.
void PrepareProcessForRips();
