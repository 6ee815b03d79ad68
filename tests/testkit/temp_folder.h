#pragma once
// A fresh folder under the system's temporary folder, removed with
// everything in it when the object goes away.

#include <string>

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    // Path() + "/" + name.
    std::string File(const std::string& name) const;
    // Writes the bytes to File(name) and returns its path.
    std::string Write(const std::string& name, const std::string& bytes) const;
    // The whole content of File(name); empty when it cannot be read.
    std::string Read(const std::string& name) const;

private:
    std::string path_;
};
