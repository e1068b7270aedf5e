#include "support/TestSupport.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <unistd.h>

#include "platform/Platform.h"
#include "platform/Xml.h"

namespace kxtest {

TempDir::TempDir()
{
    std::string tmpl = (fs::temp_directory_path() / "kxtest.XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    m_path = tmpl;
}

TempDir::~TempDir()
{
    std::error_code ec;
    // Give back write permission first, so that tests of read-only files clean up too.
    for (auto it = fs::recursive_directory_iterator(m_path, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (!it->is_symlink())
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(m_path, ec);
}

CString TempDir::wpath() const { return W(m_path); }

ScopedUnsetEnv::ScopedUnsetEnv(std::initializer_list<const char*> names)
{
    for (const char* name : names) {
        const char* value = std::getenv(name);
        m_saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        ::unsetenv(name);
    }
}

ScopedUnsetEnv::~ScopedUnsetEnv()
{
    for (const auto& [name, value] : m_saved) {
        if (value)
            ::setenv(name.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name.c_str());
    }
}

CString W(const std::string& utf8) { return kx::platform::FromUtf8(utf8); }
std::string U8(const CString& wide) { return kx::platform::ToUtf8(wide); }
CString W(const fs::path& path) { return W(path.string()); }

CString HostPath(const fs::path& path)
{
    CString wide = W(path);
    std::replace(wide.begin(), wide.end(), L'/', L'\\');
    return wide;
}

std::string ReadBytes(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string Encoded(const std::string& utf8Doc, const char* encoding, const char* declared)
{
    std::string bytes;
    const kx::xml::DocPtr doc = kx::xml::ParseMemory(utf8Doc);
    if (!doc || !kx::xml::Serialize(doc.get(), bytes, encoding))
        throw std::runtime_error("cannot encode the document in " + std::string(encoding));
    const std::string from = std::string("encoding=\"") + encoding + "\"";
    return bytes.replace(bytes.find(from), from.size(), std::string("encoding=\"") + declared + "\"");
}

void WriteBytes(const fs::path& file, const std::string& bytes)
{
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
}

fs::path SampleDir() { return KX_SAMPLE_DIR; }

void CopySample(const fs::path& dest)
{
    fs::copy(SampleDir(), dest, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

} // namespace kxtest
