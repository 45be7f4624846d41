// Small move-only owners for the Windows handles the window holds: GDI objects, icons and the
// OLE initialisation of the thread. COM interfaces use Microsoft::WRL::ComPtr.
#pragma once

#include <windows.h>
// After windows.h: WIN32_LEAN_AND_MEAN leaves OLE out.
#include <ole2.h>

#include <utility>

namespace pelmora {

// Owns one GDI object (HBITMAP, HFONT, HBRUSH) and deletes it with DeleteObject.
template <typename Handle>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(Handle handle) : handle_(handle) {}
  GdiObject(GdiObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  GdiObject& operator=(GdiObject&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  ~GdiObject() { Reset(); }

  Handle Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  void Reset() {
    if (handle_ != nullptr) DeleteObject(handle_);
    handle_ = nullptr;
  }

 private:
  Handle handle_ = nullptr;
};

using Bitmap = GdiObject<HBITMAP>;
using Font = GdiObject<HFONT>;
using Brush = GdiObject<HBRUSH>;

// Owns an icon loaded without LR_SHARED.
class Icon {
 public:
  Icon() = default;
  explicit Icon(HICON icon) : icon_(icon) {}
  Icon(Icon&& other) noexcept : icon_(std::exchange(other.icon_, nullptr)) {}
  Icon& operator=(Icon&& other) noexcept {
    if (this != &other) {
      Reset();
      icon_ = std::exchange(other.icon_, nullptr);
    }
    return *this;
  }
  Icon(const Icon&) = delete;
  Icon& operator=(const Icon&) = delete;
  ~Icon() { Reset(); }

  HICON Get() const { return icon_; }
  void Reset() {
    if (icon_ != nullptr) DestroyIcon(icon_);
    icon_ = nullptr;
  }

 private:
  HICON icon_ = nullptr;
};

// OleInitialize for the calling thread for the life of the scope.
class OleScope {
 public:
  OleScope() : ok_(SUCCEEDED(OleInitialize(nullptr))) {}
  OleScope(const OleScope&) = delete;
  OleScope& operator=(const OleScope&) = delete;
  ~OleScope() {
    if (ok_) OleUninitialize();
  }
  bool ok() const { return ok_; }

 private:
  bool ok_;
};

}  // namespace pelmora
