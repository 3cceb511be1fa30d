#pragma once
// The machine's services the windows call, each behind its own interface so
// that tests can put a scripted stand-in in its place.
#include "platform/drive_control.h"
#include "ui/file_dialogs.h"
#include "ui/message_boxes.h"
#include "platform/power.h"
#include "platform/shell.h"
#include "platform/volume_table.h"
#include "ui/window_mover.h"

#include <memory>
#include <string>

struct PlatformServices {
    std::unique_ptr<IMessageBoxes> messageBoxes;
    std::unique_ptr<IFileDialogs> fileDialogs;
    std::unique_ptr<IShell> shell;
    std::unique_ptr<IVolumeTable> volumes;
    // The mount table watched for arriving and departing volumes; empty: none.
    std::string mountTablePath;
    std::unique_ptr<IDriveControl> drives;
    std::unique_ptr<IPowerControl> power;
    std::unique_ptr<IWindowMover> windowMover;

    // The real services of this machine.
    static PlatformServices Linux();
};
