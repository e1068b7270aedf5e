// POSIX and iconv behind the platform interface.
#include "platform/Platform.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cwctype>
#include <fstream>
#include <memory>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
#include <locale.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wctype.h>

namespace kx::platform {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsScalar(char32_t c) { return c < 0x110000 && (c < 0xD800 || c > 0xDFFF); }

// Decodes one UTF-8 sequence at `i`; returns its length, 0 when it is invalid.
std::size_t DecodeUtf8At(std::string_view s, std::size_t i, char32_t& cp)
{
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    std::size_t len;
    char32_t minimum;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2, cp = b0 & 0x1F, minimum = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3, cp = b0 & 0x0F, minimum = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4, cp = b0 & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (i + len > s.size())
        return 0;
    for (std::size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < minimum || !IsScalar(cp))
        return 0;
    return len;
}

struct IconvHandle {
    iconv_t cd;
    explicit IconvHandle(const char* from) : cd(iconv_open("UTF-32LE", from)) {}
    ~IconvHandle()
    {
        if (valid())
            iconv_close(cd);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;
    bool valid() const { return cd != reinterpret_cast<iconv_t>(-1); }
};

mode_t CurrentUmask()
{
    // Read rather than set-and-restore, so that other threads of the host never see umask 0.
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0)
            return static_cast<mode_t>(std::strtol(line.c_str() + 6, nullptr, 8));
    }
    return 022;
}

bool WriteAll(int fd, std::string_view bytes)
{
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

// The process locale is the host's (often "C", which folds ASCII only); file names are folded
// with the Unicode tables of C.UTF-8, as the host's file system would.
wint_t FoldCase(wint_t c)
{
    static const locale_t utf8 = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    return utf8 ? ::towlower_l(c, utf8) : std::towlower(c);
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    const CString wa = FromUtf8(a), wb = FromUtf8(b);
    if (wa.size() != wb.size())
        return false;
    for (std::size_t i = 0; i < wa.size(); ++i) {
        if (FoldCase(static_cast<wint_t>(wa[i])) != FoldCase(static_cast<wint_t>(wb[i])))
            return false;
    }
    return true;
}

bool Exists(const std::string& p)
{
    struct stat st;
    return ::lstat(p.c_str(), &st) == 0;
}

} // namespace

void AppendUtf8(std::string& out, std::wstring_view text)
{
    for (wchar_t wc : text) {
        auto c = static_cast<char32_t>(wc);
        if (!IsScalar(c))
            c = kReplacement;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
}

std::string ToUtf8(std::wstring_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 2);
    AppendUtf8(out, text);
    return out;
}

void AppendFromUtf8(std::string_view bytes, CString& out)
{
    // Sized exactly for valid text (one character per lead byte): reserving a character per byte
    // would give every CJK string three times the room it needs, and a string read into again
    // keeps its storage.
    const std::size_t nBase = out.size();
    std::size_t nLeads = 0;
    for (const char c : bytes)
        nLeads += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    out.resize(nBase + nLeads);
    std::size_t nOut = nBase;
    auto put = [&](char32_t c) {
        // Invalid text can give more characters than lead bytes.
        if (nOut < out.size())
            out[nOut] = static_cast<wchar_t>(c);
        else
            out.push_back(static_cast<wchar_t>(c));
        ++nOut;
    };
    for (std::size_t i = 0; i < bytes.size();) {
        char32_t cp;
        const std::size_t n = DecodeUtf8At(bytes, i, cp);
        if (n == 0) {
            put(kReplacement);
            ++i;
        } else {
            put(cp);
            i += n;
        }
    }
    out.resize(nOut);
}

void FromUtf8(std::string_view bytes, CString& out)
{
    out.clear();
    AppendFromUtf8(bytes, out);
}

CString FromUtf8(std::string_view bytes)
{
    CString out;
    FromUtf8(bytes, out);
    return out;
}

bool IsValidUtf8(std::string_view bytes)
{
    for (std::size_t i = 0; i < bytes.size();) {
        char32_t cp;
        const std::size_t n = DecodeUtf8At(bytes, i, cp);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

const char* IconvEncoding(const char* declared)
{
    for (const char* name : kCodePage936Names) {
        if (::strcasecmp(declared, name) == 0)
            return kCodePage936;
    }
    return declared;
}

bool Decode(std::string_view bytes, const char* encoding, CString& out)
{
    IconvHandle h(IconvEncoding(encoding));
    if (!h.valid())
        return false;
    std::vector<char> buf(bytes.size() * 4 + 16);
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* outp = buf.data();
    std::size_t outLeft = buf.size();
    if (::iconv(h.cd, &in, &inLeft, &outp, &outLeft) == static_cast<std::size_t>(-1))
        return false;
    if (::iconv(h.cd, nullptr, nullptr, &outp, &outLeft) == static_cast<std::size_t>(-1))
        return false;
    const std::size_t produced = (buf.size() - outLeft) / 4;
    out.clear();
    out.reserve(produced);
    for (std::size_t k = 0; k < produced; ++k) {
        const auto* b = reinterpret_cast<const unsigned char*>(buf.data() + 4 * k);
        const char32_t c = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<char32_t>(b[3]) << 24);
        out += static_cast<wchar_t>(IsScalar(c) ? c : kReplacement);
    }
    return true;
}

CString DecodeText(std::string_view bytes)
{
    CString out;
    if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xFE" && Decode(bytes.substr(2), "UTF-16LE", out))
        return out;
    if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFE\xFF" && Decode(bytes.substr(2), "UTF-16BE", out))
        return out;
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
        return FromUtf8(bytes.substr(3));
    if (IsValidUtf8(bytes))
        return FromUtf8(bytes);
    if (Decode(bytes, "GB18030", out))
        return out;
    // Not even GB18030: keep what can be read rather than nothing.
    return FromUtf8(bytes);
}

std::string MapPath(std::wstring_view path)
{
    std::string p = ToUtf8(path);
    for (char& c : p) {
        if (c == '\\')
            c = '/';
    }
    if (p.rfind("file://", 0) == 0)
        p.erase(0, 7);
    if (p.empty() || Exists(p))
        return p;

    const bool absolute = p[0] == '/';
    std::string cur = absolute ? "/" : "";
    bool searching = true;
    std::size_t start = 0;
    while (start <= p.size()) {
        std::size_t end = p.find('/', start);
        if (end == std::string::npos)
            end = p.size();
        const std::string comp = p.substr(start, end - start);
        start = end + 1;
        if (comp.empty())
            continue;
        const std::string dir = cur.empty() ? "." : cur;
        std::string next = cur.empty() || cur.back() == '/' ? cur + comp : cur + "/" + comp;
        if (searching && comp != "." && comp != ".." && !Exists(next)) {
            searching = false;
            if (DIR* d = ::opendir(dir.c_str())) {
                while (const dirent* e = ::readdir(d)) {
                    if (EqualNoCase(e->d_name, comp)) {
                        next = cur.empty() || cur.back() == '/' ? cur + e->d_name : cur + "/" + e->d_name;
                        searching = true;
                        break;
                    }
                }
                ::closedir(d);
            }
        }
        cur = std::move(next);
    }
    if (!p.empty() && p.back() == '/' && (cur.empty() || cur.back() != '/'))
        cur += '/';
    return cur;
}

bool ReadFile(const std::string& fsPath, std::string& bytes)
{
    // Non-blocking, so that a named pipe in place of a file is refused below instead of waiting
    // for a writer; regular files read the same either way.
    const int fd = ::open(fsPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    bytes.clear();
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            return false;
        }
        if (n == 0)
            break;
        bytes.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return true;
}

bool WriteFileAtomic(const std::string& fsPath, std::string_view bytes)
{
    if (fsPath.empty())
        return false;
    std::string target = fsPath;
    struct stat st;
    if (::lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        std::unique_ptr<char, decltype(&std::free)> real(::realpath(target.c_str(), nullptr), &std::free);
        if (!real)
            return false;
        target = real.get();
    }
    mode_t mode = 0666 & ~CurrentUmask();
    if (::stat(target.c_str(), &st) == 0) {
        // A read-only file (no write permission for its owner) is not replaced: the rename
        // would otherwise overwrite what the user protected, even as root.
        if (!S_ISREG(st.st_mode) || !(st.st_mode & S_IWUSR))
            return false;
        mode = st.st_mode & 07777;
    }

    const std::size_t slash = target.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string tmp = dir + "/." + base + ".XXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0)
        return false;
    bool ok = WriteAll(fd, bytes) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok)
        ok = ::rename(tmp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(tmp.c_str());
        return false;
    }
    // Make the rename itself durable; a failure here no longer endangers the old content.
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

void ClearReadOnly(const std::string& fsPath) noexcept
{
    struct stat st;
    if (::stat(fsPath.c_str(), &st) == 0 && S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR))
        ::chmod(fsPath.c_str(), (st.st_mode & 07777) | S_IWUSR);
}

bool IsRegularFile(const std::string& fsPath)
{
    struct stat st;
    return ::stat(fsPath.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsDirectory(const std::string& fsPath)
{
    struct stat st;
    return ::stat(fsPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace kx::platform
