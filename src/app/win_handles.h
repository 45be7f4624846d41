// Small move-only owners for the Windows handles the window holds: GDI objects, icons and the
// OLE initialisation of the thread. COM interfaces use Microsoft::WRL::ComPtr.
#pragma once

#include <windows.h>
// After windows.h: WIN32_LEAN_AND_MEAN leaves OLE out.
#include <ole2.h>

#include <memory>
#include <type_traits>

namespace pelmora {

// Owns one Windows handle and frees it with Free: move-only, empty when default-constructed.
template <typename Handle, auto Free>
class OwnedHandle {
 public:
  OwnedHandle() = default;
  explicit OwnedHandle(Handle handle) : handle_(handle) {}

  Handle Get() const { return handle_.get(); }
  explicit operator bool() const { return handle_ != nullptr; }
  void Reset() { handle_.reset(); }

 private:
  struct Deleter {
    void operator()(Handle handle) const { Free(handle); }
  };
  std::unique_ptr<std::remove_pointer_t<Handle>, Deleter> handle_;
};

using Bitmap = OwnedHandle<HBITMAP, DeleteObject>;
using Font = OwnedHandle<HFONT, DeleteObject>;
using Brush = OwnedHandle<HBRUSH, DeleteObject>;
using Icon = OwnedHandle<HICON, DestroyIcon>;  // an icon loaded without LR_SHARED

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
