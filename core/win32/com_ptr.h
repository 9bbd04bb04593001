#pragma once
// Owner of one reference to a COM object: released when the owner goes away.
#include <utility>

namespace qm::win32 {

template <class Interface> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(ComPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other)
            Reset(std::exchange(other.object_, nullptr));
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() { Reset(); }

    Interface* Get() const { return object_; }
    Interface* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

    // For a creating call's out-parameter: releases the current object first.
    Interface** Put() {
        Reset();
        return &object_;
    }
    // Releases the object, then owns `object` (a reference the caller hands over).
    void Reset(Interface* object = nullptr) {
        if (object_ != nullptr)
            object_->Release();
        object_ = object;
    }

private:
    Interface* object_ = nullptr;
};

} // namespace qm::win32
