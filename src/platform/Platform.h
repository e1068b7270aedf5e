// The platform layer: the only place that talks to the operating system or iconv. Everything
// else reaches files, paths and byte encodings through these functions.
#pragma once

#include <string>
#include <string_view>

#include <kxsysrule/Types.h>

namespace kx::platform {

// UTF-8 <-> wide text. Invalid UTF-8 becomes U+FFFD; wide characters that are not Unicode
// scalar values become U+FFFD on the way out.
std::string ToUtf8(std::wstring_view text);
// The same appended to `out`.
void AppendUtf8(std::string& out, std::wstring_view text);
CString FromUtf8(std::string_view bytes);
// The same into `out`, reusing its storage.
void FromUtf8(std::string_view bytes, CString& out);
// The same appended to `out`.
void AppendFromUtf8(std::string_view bytes, CString& out);
bool IsValidUtf8(std::string_view bytes);

// Files declared GB2312 or GBK are read and written as code page 936: Chinese Windows systems
// write its characters under either name, so a file declared GB2312 may hold any GBK character.
inline constexpr const char* kCodePage936 = "CP936";
inline constexpr const char* kCodePage936Names[] = {"GB2312", "GBK"};
// The encoding iconv is asked for when a file declares `declared`: kCodePage936 for the names
// above, whatever their letter case; `declared` itself otherwise.
const char* IconvEncoding(const char* declared);

// Decodes bytes in any encoding iconv knows ("GB18030", "UTF-16LE", ...), as IconvEncoding maps
// it. False when the encoding is unknown or the bytes are not valid in it.
bool Decode(std::string_view bytes, const char* encoding, CString& out);

// Text of a configuration file: UTF-16 or UTF-8 when it starts with a byte-order mark;
// otherwise UTF-8 when the bytes are valid UTF-8, else GB18030.
CString DecodeText(std::string_view bytes);

// Maps a path as the host spells it (`\` or `/`, any letter case, optionally a "file://" URL)
// onto the file system: every `\` becomes `/`, and a component that does not exist with that
// exact case is looked up in its folder without regard to case.
std::string MapPath(std::wstring_view path);

// Reads a whole file. False when it is missing, not a regular file, or unreadable.
bool ReadFile(const std::string& fsPath, std::string& bytes);

// Writes a file atomically: a temporary file in the same folder, flushed, then renamed over the
// target, so a failed or interrupted write leaves the previous file whole. A symbolic link is
// followed to its target. False when any step failed; the target is then unchanged.
bool WriteFileAtomic(const std::string& fsPath, std::string_view bytes);

// Gives the file's owner write permission. Errors (a missing file included) are swallowed.
void ClearReadOnly(const std::string& fsPath) noexcept;

bool IsRegularFile(const std::string& fsPath);
bool IsDirectory(const std::string& fsPath);

} // namespace kx::platform
