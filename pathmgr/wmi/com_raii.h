// Owners of COM resources: interface pointers, BSTRs, VARIANTs and SAFEARRAYs are
// released exactly once, whatever path a function leaves by.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <utility>

template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  explicit ComPtr(T* owned) : p_(owned) {}  // takes over one reference
  ComPtr(const ComPtr& other) : p_(other.p_) {
    if (p_) p_->AddRef();
  }
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }
  ~ComPtr() { reset(); }
  void reset() {
    if (p_) std::exchange(p_, nullptr)->Release();
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For out-parameters: releases what is held and hands out the slot.
  T** put() {
    reset();
    return &p_;
  }
  void** put_void() { return reinterpret_cast<void**>(put()); }

 private:
  T* p_ = nullptr;
};

class Bstr {
 public:
  explicit Bstr(const std::wstring& text) : b_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  ~Bstr() { SysFreeString(b_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return b_; }
  bool ok() const { return b_ != nullptr; }

 private:
  BSTR b_;
};

class Variant {
 public:
  Variant() { VariantInit(&v_); }
  ~Variant() { VariantClear(&v_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  VARIANT* get() { return &v_; }
  const VARIANT& ref() const { return v_; }

 private:
  VARIANT v_;
};

class SafeArray {
 public:
  explicit SafeArray(SAFEARRAY* owned = nullptr) : sa_(owned) {}
  ~SafeArray() {
    if (sa_) SafeArrayDestroy(sa_);
  }
  SafeArray(const SafeArray&) = delete;
  SafeArray& operator=(const SafeArray&) = delete;
  SAFEARRAY* get() const { return sa_; }
  SAFEARRAY** put() { return &sa_; }
  SAFEARRAY* release() { return std::exchange(sa_, nullptr); }

 private:
  SAFEARRAY* sa_;
};
