// Shared set-up of the fuzz targets: a scratch folder and the sample installation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <kxsysrule/Types.h>

namespace kxfuzz {

// A scratch folder for this process, made once and reused by every input.
const std::string& ScratchDir();
// Writes `bytes` to `name` in the scratch folder and returns its path.
std::string WriteScratch(const std::string& name, std::string_view bytes);
// Points the host services at the sample installation (once).
void UseSampleInstallation();

CString Wide(std::string_view utf8);

} // namespace kxfuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
