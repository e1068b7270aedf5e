// Shared test helpers: a temporary folder per test, file reading and writing, the sample data.
#pragma once

#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

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

// Unsets environment variables for its lifetime, then gives them back the values they had.
class ScopedUnsetEnv {
public:
    explicit ScopedUnsetEnv(std::initializer_list<const char*> names);
    ~ScopedUnsetEnv();
    ScopedUnsetEnv(const ScopedUnsetEnv&) = delete;
    ScopedUnsetEnv& operator=(const ScopedUnsetEnv&) = delete;

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

CString W(const std::string& utf8);             // UTF-8 text to wide
inline CString W(const char* utf8) { return W(std::string(utf8)); }
std::string U8(const CString& wide);            // wide to UTF-8, for messages
CString W(const fs::path& path);
// The path as a Windows host spells it, with backslashes.
CString HostPath(const fs::path& path);

std::string ReadBytes(const fs::path& file);
void WriteBytes(const fs::path& file, const std::string& bytes);
// A UTF-8 XML document re-encoded in `encoding` with its declaration naming `declared`.
// ("GB18030", "GB2312") gives what Chinese Windows systems write: GBK bytes declared GB2312, as
// GB18030 writes GBK's characters as GBK does.
std::string Encoded(const std::string& utf8Doc, const char* encoding, const char* declared);

fs::path SampleDir();                           // data/sample
// Copies the sample installation (sys/ and proj/) into `dest`.
void CopySample(const fs::path& dest);

} // namespace kxtest
