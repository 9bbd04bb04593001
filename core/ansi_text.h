#pragma once
// Conversion between the system's ANSI code page (files, registry text, the board library's
// strings) and the UTF-8 used inside the programs. Windows uses the system code page; the
// portable build uses Windows-1252.
#include <string>
#include <string_view>

namespace qm {

std::string AnsiToUtf8(std::string_view ansi);
// Characters the code page cannot hold become '?'.
std::string Utf8ToAnsi(std::string_view utf8);

} // namespace qm
