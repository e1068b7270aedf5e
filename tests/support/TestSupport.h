// Shared test helpers: a temporary folder per test, file reading and writing, the sample data.
#pragma once

#include <filesystem>
#include <string>

#include <kxsysrule/Types.h>

namespace kxtest {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const fs::path& path() const { return m_path; }
    // The folder as the library spells paths: a wide string.
    CString wpath() const;
    fs::path operator/(const std::string& name) const { return m_path / name; }

private:
    fs::path m_path;
};

CString W(const std::string& utf8);             // UTF-8 text to wide
inline CString W(const char* utf8) { return W(std::string(utf8)); }
std::string U8(const CString& wide);            // wide to UTF-8, for messages
CString W(const fs::path& path);
// The path as a Windows host spells it, with backslashes.
CString HostPath(const fs::path& path);

std::string ReadBytes(const fs::path& file);
void WriteBytes(const fs::path& file, const std::string& bytes);

fs::path SampleDir();                           // data/sample
fs::path TestDataDir();                         // tests/data
// Copies the sample installation (sys/ and proj/) into `dest`.
void CopySample(const fs::path& dest);

} // namespace kxtest
