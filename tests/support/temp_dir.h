#pragma once
#include <filesystem>
#include <string>

// A fresh directory under the system's temporary directory, removed with everything in it when
// the object goes.
class TTempDir {
public:
    TTempDir();
    // Under `base` instead (a memory file system for tests that write much and keep nothing).
    explicit TTempDir(const std::filesystem::path& base);
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    const std::filesystem::path& Path() const { return FPath; }
    std::string File(const std::string& name) const { return (FPath / name).string(); }

private:
    std::filesystem::path FPath;
};

// The whole content of a file as bytes ("" when it does not exist).
std::string ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);
