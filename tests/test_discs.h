#pragma once
// Real DVD-Video folders made with ffmpeg and dvdauthor, built once per build
// tree and shared by every test that reads or converts a disc.
#include <string>
#include <vector>

// Names of the discs on offer:
//   "pal-3ch"       PAL 4:3, one title of 6 s in three chapters
//   "ntsc-2vts"     NTSC 4:3, two title sets: 9 s in three chapters, then 5 s
//   "pal-16x9-menu" PAL 16:9, a menu, titles of 5 s (two chapters) and 3 s in one title set
//   "pal-30s"       PAL 4:3, one title of 30 s in five chapters
//   "pal-2min"      PAL 4:3, one title of 2 min in five chapters (a conversion that outlasts
//                   several one-second polls, even on a fast machine)
//   "ntsc-30s"      NTSC 4:3, one title of 30 s in five chapters
//   "pal-1s"        PAL 4:3, one title of 1 s (a conversion over before anyone looks)
//   "pal-two-languages" PAL 4:3, English and French audio, titles of 4 s (two chapters) and 6 s (three)
//   "pal-subtitles" PAL 4:3, English and French subtitles in a title of 6 s, French alone in a second title set of 3 s
//   "pal-36-subtitle-languages" PAL 4:3, three title sets of 8 s with twelve subtitle languages each
//   "pal-copy"      PAL 16:9 interlaced (top field first), English and French audio and subtitles,
//                   a title of 4 s (two chapters), then a second title set alike of 3 s
//   "pal-open-gops" PAL 4:3 with B pictures in open groups, one title of 6 s in three chapters
//   "pal-lpcm"      PAL 4:3, English and French LPCM audio, one title of 4 s in two chapters
//   "ntsc-soft-telecine" NTSC 4:3 film (24000/1001 pictures with 3:2 pulldown flags), 6 s in two chapters
//   "pal-first-play-film" PAL 4:3: grey decoys of 12 s, a film of 6 s (title 2), the first play jumps to it
//   "pal-menu-film"  PAL 4:3: decoys, decoys, the film (title 3), a manager menu whose first button plays it
//   "pal-register-film" PAL 4:3: a decoy of 2 s, the film of 3 s (title 2), reached by register arithmetic
// Returns the folder that holds VIDEO_TS, building it on first use.
std::string TestDisc(const std::string& name);

// A copy of a test disc in the running test's scratch folder, to damage.
std::string CopyOfDisc(const std::string& name, const std::string& copyName);

// A DVD-Video image of a test disc (genisoimage, UDF, volume `label`) in the
// running test's scratch folder.
std::string ImageOfDisc(const std::string& name, const std::string& label);

// Marks the packets of every pack of a VOB file as scrambled, as on a disc
// encrypted with CSS whose packs were not decrypted.
void MarkPacksScrambled(const std::string& vob);

// A folder of the running test's own under the build's scratch area, empty
// when the test first asks for it.
std::string ScratchFolder();

// Runs a shell command, returning its standard output; `status` gets the exit status.
std::string RunCommand(const std::string& command, int* status = nullptr);

// Quotes a path for the shell.
std::string ShellQuote(const std::string& text);

// Every file below `folder` with its checksum (and links as links), sorted:
// equal before and after, nothing there changed.
std::string TreeListing(const std::string& folder);
