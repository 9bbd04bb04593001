#pragma once
// Loaded libraries and the program's own folder.
#include <windows.h>

#include <string>
#include <utility>

namespace qm::win32 {

// Owner of a module loaded with LoadLibrary*: freed when the owner goes away.
class UniqueModule {
public:
    UniqueModule() = default;
    explicit UniqueModule(HMODULE module) : module_(module) {}
    UniqueModule(UniqueModule&& other) noexcept : module_(std::exchange(other.module_, nullptr)) {}
    UniqueModule& operator=(UniqueModule&& other) noexcept {
        if (this != &other)
            Reset(std::exchange(other.module_, nullptr));
        return *this;
    }
    UniqueModule(const UniqueModule&) = delete;
    UniqueModule& operator=(const UniqueModule&) = delete;
    ~UniqueModule() { Reset(); }

    HMODULE Get() const { return module_; }
    explicit operator bool() const { return module_ != nullptr; }
    void Reset(HMODULE module = nullptr) {
        if (module_ != nullptr)
            FreeLibrary(module_);
        module_ = module;
    }
    // The exported function `name`, as the type `Function`; null when not exported.
    template <class Function> Function Export(const char* name) const {
        if (module_ == nullptr)
            return nullptr;
        return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }

private:
    HMODULE module_ = nullptr;
};

// The folder of the running program's executable, with a trailing backslash; empty when it
// cannot be found.
std::wstring ProgramFolder();

// Loads a library by its full path, its own dependencies searched in its folder first, without
// any error box of the system. The module is empty on failure; `error` gets the system error.
UniqueModule LoadLibraryByPath(const std::wstring& path, DWORD& error);

} // namespace qm::win32
