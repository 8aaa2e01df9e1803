#pragma once

// The settings file and its location on Windows: the private-profile functions and the file
// system calls behind the portable settings logic.
#include <string>

#include "desktop/IniLocation.h"
#include "desktop/Settings.h"

namespace nordavel::win32 {

class WindowsIniLocation final : public IniLocationSystem {
public:
    std::string ExecutablePath() const override;
    std::vector<std::string> Parameters() const override;
    std::string AbsolutePath(const std::string& relative) const override;
    bool ProbeWritable(const std::string& folder) const override;
    std::string EnvironmentVariable(const std::string& name) const override;
    bool FolderExists(const std::string& folder) const override;
    bool CreateFolders(const std::string& folder) const override;
    bool FileExists(const std::string& path) const override;
    std::int64_t FileTime(const std::string& path) const override;
    bool CopyOver(const std::string& from, const std::string& to) const override;
};

// The settings file through GetPrivateProfileStringW and WritePrivateProfileStringW, which read
// and write a file that begins with FF FE as UTF-16.
class ProfileSettingsStore final : public SettingsStore {
public:
    explicit ProfileSettingsStore(const std::string& path);
    bool Exists() const override;
    void CreateEmpty() override;
    std::optional<std::string> Read(std::string_view section, std::string_view key) const override;
    void Write(std::string_view section, std::string_view key, std::string_view value) override;
    void Flush() override;

private:
    std::wstring path_;
};

} // namespace nordavel::win32
