#include "core/ansi_text.h"

#include "core/win32/win32_text.h"

#include <windows.h>

namespace qm {

std::string AnsiToUtf8(std::string_view ansi) {
    if (ansi.empty())
        return {};
    const int inLength = win32::ConversionLength(ansi.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), inLength, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_ACP, 0, ansi.data(), inLength, wide.data(), length);
    return win32::Utf8FromWide(wide);
}

std::string Utf8ToAnsi(std::string_view utf8) {
    std::wstring wide = win32::WideFromUtf8(utf8);
    if (wide.empty())
        return {};
    const bool utf8CodePage = GetACP() == CP_UTF8;
    if (!utf8CodePage) {
        // No ANSI code page holds a character beyond U+FFFF: one '?' for it, not one for each
        // half of its surrogate pair.
        std::erase_if(wide, [](wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; });
        for (auto& c : wide)
            if (c >= 0xD800 && c <= 0xDBFF)
                c = L'?';
    }
    const int inLength = win32::ConversionLength(wide.size());
    // No best-fit mapping ("ā" must not silently become "a"): what the code page cannot hold
    // becomes '?'. A UTF-8 system code page takes neither the flag nor a default character.
    const DWORD flags = utf8CodePage ? 0 : WC_NO_BEST_FIT_CHARS;
    const char* defaultChar = utf8CodePage ? nullptr : "?";
    const int length =
        WideCharToMultiByte(CP_ACP, flags, wide.data(), inLength, nullptr, 0, defaultChar, nullptr);
    std::string ansi(static_cast<std::size_t>(length), '\0');
    if (length > 0)
        WideCharToMultiByte(CP_ACP, flags, wide.data(), inLength, ansi.data(), length, defaultChar,
                            nullptr);
    return ansi;
}

} // namespace qm
