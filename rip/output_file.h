#pragma once
// Where a rip writes its file, checked before anything is converted: a
// problem of the output is told as one (not blamed on the disc), and no
// file is ever written into the disc being ripped.
#include <string>

// Makes `folder` when it is missing and tries writing in it. Why no file can
// be written there ("cannot write in /x: Read-only file system"), or empty.
std::string PrepareOutputFolder(const std::string& folder);

// Why `outputPath` must not be written while ripping the disc at
// `videoTsPath` (its VIDEO_TS folder, whose parent holds the disc, or its
// image or drive), or empty.
std::string OutputProblem(const std::string& outputPath, const std::string& videoTsPath);

// True when anything is at `path`, a link that leads nowhere included.
bool SomethingAt(const std::string& path);

// `name` shortened, at a UTF-8 character boundary, so that it and
// `extension` make a file name `folder` can hold.
std::string FitFileName(const std::string& folder, const std::string& name, const std::string& extension);
