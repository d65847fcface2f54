// Owning types for the platform's handles: each releases on every path and
// deletes copying; moving hands the handle on.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <string>
#include <utility>

namespace pix {

// The one owner shape: Traits::Close(h) releases a handle unless it is Traits::Empty().
template <class H, class Traits>
class TOwned {
 public:
  TOwned() = default;
  explicit TOwned(H h) : h_(h) {}
  ~TOwned() { Reset(); }
  TOwned(const TOwned&) = delete;
  TOwned& operator=(const TOwned&) = delete;
  TOwned(TOwned&& o) noexcept : h_(o.Release()) {}
  TOwned& operator=(TOwned&& o) noexcept {
    if (this != &o) Reset(o.Release());
    return *this;
  }
  void Reset(H h = Traits::Empty()) {
    if (h_ != Traits::Empty()) Traits::Close(h_);
    h_ = h;
  }
  H Get() const { return h_; }
  H Release() { return std::exchange(h_, Traits::Empty()); }
  explicit operator bool() const { return h_ != Traits::Empty(); }
  operator H() const { return h_; }

 private:
  H h_ = Traits::Empty();
};

// Handles whose failure value is null, released by `Free`.
template <class H, auto Free>
struct NullEmptyTraits {
  static H Empty() { return nullptr; }
  static void Close(H h) { Free(h); }
};
// Handles whose failure value is INVALID_HANDLE_VALUE, released by `Free`.
template <auto Free>
struct InvalidEmptyTraits {
  static HANDLE Empty() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { Free(h); }
};
template <class H, auto Free>
using TOwnedNull = TOwned<H, NullEmptyTraits<H, Free>>;

using TOwnedBitmap = TOwnedNull<HBITMAP, DeleteObject>;
using TOwnedFont = TOwnedNull<HFONT, DeleteObject>;
using TOwnedBrush = TOwnedNull<HBRUSH, DeleteObject>;
using TOwnedPalette = TOwnedNull<HPALETTE, DeleteObject>;
using TOwnedRegion = TOwnedNull<HRGN, DeleteObject>;
// Kernel objects whose failure value is null (events, threads, mappings).
using TOwnedHandle = TOwnedNull<HANDLE, CloseHandle>;
// Files, whose failure value is INVALID_HANDLE_VALUE.
using TOwnedFile = TOwned<HANDLE, InvalidEmptyTraits<CloseHandle>>;
// A directory search begun by FindFirstFile.
using TOwnedFind = TOwned<HANDLE, InvalidEmptyTraits<FindClose>>;
// A folder's change notification begun by FindFirstChangeNotification.
using TOwnedChangeNotification = TOwned<HANDLE, InvalidEmptyTraits<FindCloseChangeNotification>>;
using TOwnedIcon = TOwnedNull<HICON, DestroyIcon>;
using TOwnedImageList = TOwnedNull<HIMAGELIST, ImageList_Destroy>;
// A menu that belongs to no window (a drop-down built for one showing).
using TOwnedMenu = TOwnedNull<HMENU, DestroyMenu>;
using TOwnedEnhMetafile = TOwnedNull<HENHMETAFILE, DeleteEnhMetaFile>;
// A helper window with no object of its own (a control's tooltip).
using TOwnedWindow = TOwnedNull<HWND, DestroyWindow>;

// A device context of a window (the screen when `wnd` is null), released on every path.
class TWindowDC {
 public:
  explicit TWindowDC(HWND wnd = nullptr) : wnd_(wnd), dc_(GetDC(wnd)) {}
  // With GetDCEx's DCX_ flags.
  TWindowDC(HWND wnd, DWORD flags) : wnd_(wnd), dc_(GetDCEx(wnd, nullptr, flags)) {}
  ~TWindowDC() {
    if (dc_) ReleaseDC(wnd_, dc_);
  }
  TWindowDC(const TWindowDC&) = delete;
  TWindowDC& operator=(const TWindowDC&) = delete;
  operator HDC() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND wnd_;
  HDC dc_;
};

// The screen's device context for work that can't go on without it: a platform
// out of resources raises EOutOfResources with its message.
class TScreenDC : public TWindowDC {
 public:
  TScreenDC();
  int Depth() const { return GetDeviceCaps(*this, BITSPIXEL) * GetDeviceCaps(*this, PLANES); }
};

// A memory device context compatible with `like`, deleted on every path.
class TMemoryDC {
 public:
  explicit TMemoryDC(HDC like) : dc_(CreateCompatibleDC(like)) {}
  ~TMemoryDC() {
    if (dc_) DeleteDC(dc_);
  }
  TMemoryDC(const TMemoryDC&) = delete;
  TMemoryDC& operator=(const TMemoryDC&) = delete;
  operator HDC() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HDC dc_;
};

// Selects an object into a device context and puts back what it replaced.
class TSelectObject {
 public:
  TSelectObject(HDC dc, HGDIOBJ obj) : dc_(dc), old_(dc && obj ? SelectObject(dc, obj) : nullptr) {}
  ~TSelectObject() {
    if (old_ && old_ != HGDI_ERROR) SelectObject(dc_, old_);
  }
  TSelectObject(const TSelectObject&) = delete;
  TSelectObject& operator=(const TSelectObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// A COM interface pointer, released on every path.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { Reset(); }
  ComPtr(const ComPtr& o) : p_(o.p_) {
    if (p_) p_->AddRef();
  }
  ComPtr& operator=(const ComPtr& o) {
    if (o.p_) o.p_->AddRef();
    Reset();
    p_ = o.p_;
    return *this;
  }
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& o) noexcept {
    if (this != &o) {
      Reset();
      p_ = std::exchange(o.p_, nullptr);
    }
    return *this;
  }
  void Reset() {
    if (p_) std::exchange(p_, nullptr)->Release();
  }
  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For the out-parameter of a query: releases what is held first.
  T** Put() {
    Reset();
    return &p_;
  }
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }
  template <class U>
  ComPtr<U> As(REFIID iid) const {
    ComPtr<U> out;
    if (p_) p_->QueryInterface(iid, out.PutVoid());
    return out;
  }

 private:
  T* p_ = nullptr;
};

// A shell item-id list, freed with the shell's allocator.
class TItemIdList {
 public:
  TItemIdList() = default;
  explicit TItemIdList(LPITEMIDLIST p) : p_(p) {}
  ~TItemIdList() { Reset(); }
  TItemIdList(const TItemIdList&) = delete;
  TItemIdList& operator=(const TItemIdList&) = delete;
  TItemIdList(TItemIdList&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  TItemIdList& operator=(TItemIdList&& o) noexcept {
    if (this != &o) Reset(std::exchange(o.p_, nullptr));
    return *this;
  }
  void Reset(LPITEMIDLIST p = nullptr) {
    if (p_) CoTaskMemFree(p_);
    p_ = p;
  }
  LPITEMIDLIST Get() const { return p_; }
  LPITEMIDLIST Release() { return std::exchange(p_, nullptr); }
  LPITEMIDLIST* Put() {
    Reset();
    return &p_;
  }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  LPITEMIDLIST p_ = nullptr;
};

// COM and OLE for the life of the program (drag and drop and the shell's menus need OLE).
class TOleSession {
 public:
  TOleSession() : ok_(SUCCEEDED(OleInitialize(nullptr))) {}
  ~TOleSession() {
    if (ok_) OleUninitialize();
  }
  TOleSession(const TOleSession&) = delete;
  TOleSession& operator=(const TOleSession&) = delete;

 private:
  bool ok_;
};

// Bits per pixel of the screen (planes times bits), 24 when it can't be asked.
int ScreenColorDepth();
// A string of the program's string table; programs built without the program's
// resources (benchmarks, tests) get `fallback`.
std::string ResourceText(UINT id, const char* fallback);

}  // namespace pix
