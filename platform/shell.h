#pragma once
// Opening a folder or a document with the desktop's own program.
#include <string>

class IShell {
public:
    virtual ~IShell() = default;
    // False when the desktop has no program to open it.
    virtual bool Open(const std::string& path) = 0;
};

class DesktopShell : public IShell {
public:
    bool Open(const std::string& path) override;
};
