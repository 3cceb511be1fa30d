#pragma once
// The machine's services the windows call, each behind its own interface so
// that tests can put a scripted stand-in in its place.
#include "platform/file_dialogs.h"
#include "platform/message_boxes.h"
#include "platform/shell.h"

#include <memory>

struct PlatformServices {
    std::unique_ptr<IMessageBoxes> messageBoxes;
    std::unique_ptr<IFileDialogs> fileDialogs;
    std::unique_ptr<IShell> shell;

    // The real services of this machine.
    static PlatformServices Linux();
};
