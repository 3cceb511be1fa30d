#pragma once
// Opening a folder or a document with the desktop's own program.
#include <string>

class IShell {
public:
    virtual ~IShell() = default;
    virtual void Open(const std::string& path) = 0;
};

class DesktopShell : public IShell {
public:
    void Open(const std::string& path) override;
};
