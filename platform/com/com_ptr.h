#pragma once
// CComPtr<T>: a counted reference to an IUnknown-derived object, one pointer
// wide. Copying adds a reference, destruction and reset release one.
//
//   CComPtr<Folder> folder = MakeComObject<Folder>(name);   // count 1
//   CComPtr<IUnknown> any = folder;                          // count 2
//   CComPtr<Folder> again = QueryInterface<Folder>(any);     // count 3, or empty

#include "platform/com/unknown.h"

#include <cstddef>
#include <type_traits>
#include <utility>

template <typename T>
class CComPtr {
public:
    CComPtr() noexcept = default;
    CComPtr(std::nullptr_t) noexcept {}
    // Takes a reference of its own: the caller keeps any it holds.
    CComPtr(T* p) noexcept : p_(p) { AddRefIf(p_); }
    CComPtr(const CComPtr& other) noexcept : CComPtr(other.p_) {}
    CComPtr(CComPtr&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
    template <typename U>
    requires std::is_convertible_v<U*, T*> CComPtr(const CComPtr<U>& other)
    noexcept : CComPtr(other.get()) {}
    template <typename U>
    requires std::is_convertible_v<U*, T*> CComPtr(CComPtr<U>&& other)
    noexcept : p_(other.Detach()) {}
    ~CComPtr() { ReleaseIf(p_); }

    CComPtr& operator=(CComPtr other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }

    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    T& operator*() const noexcept { return *p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

    // Drops the held reference and becomes empty.
    void Release() noexcept { ReleaseIf(std::exchange(p_, nullptr)); }
    // Takes over a reference the caller owns, without adding one.
    void Attach(T* p) noexcept { ReleaseIf(std::exchange(p_, p)); }
    // Hands the held reference to the caller, who must release it.
    [[nodiscard]] T* Detach() noexcept { return std::exchange(p_, nullptr); }

    template <typename U>
    bool operator==(const CComPtr<U>& other) const noexcept {
        return p_ == other.get();
    }
    bool operator==(const T* other) const noexcept { return p_ == other; }
    bool operator==(std::nullptr_t) const noexcept { return p_ == nullptr; }

private:
    static void AddRefIf(T* p) noexcept {
        if (p != nullptr) {
            p->AddRef();
        }
    }
    static void ReleaseIf(T* p) noexcept {
        if (p != nullptr) {
            p->Release();
        }
    }

    T* p_ = nullptr;
};

// A new object held by its first counted reference.
template <typename T, typename... Args>
CComPtr<T> MakeComObject(Args&&... args) {
    return CComPtr<T>(new T(std::forward<Args>(args)...));
}

// The same object seen as a Q, or empty when it is not one (the stand-in
// for asking an object for another of its interfaces).
template <typename Q, typename T>
CComPtr<Q> QueryInterface(const CComPtr<T>& p) {
    return CComPtr<Q>(dynamic_cast<Q*>(p.get()));
}
