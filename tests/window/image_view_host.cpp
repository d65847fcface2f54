#include "image_view_host.h"

namespace viewtest {

const pix::TGraphicClass CodedPictureKind{"TCodedPicture", &pix::TGraphicKind, nullptr};

Host::~Host() {
  if (wnd_) DestroyWindow(wnd_);
}

void Host::Create(int w, int h) {
  static const char kClass[] = "PixlumenViewTestHost";
  HINSTANCE inst = GetModuleHandleA(nullptr);
  WNDCLASSA wc{};
  if (!GetClassInfoA(inst, kClass, &wc)) {
    wc.lpfnWndProc = Proc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = kClass;
    RegisterClassA(&wc);
  }
  wnd_ = CreateWindowExA(WS_EX_TOOLWINDOW, kClass, "view test", WS_POPUP | WS_VISIBLE, 0, 0, w, h,
                         nullptr, nullptr, inst, this);
  SetWindowPos(wnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void Host::Hold(pix::TImage& v, const pix::TRect& bounds) {
  v.SetParent(wnd_);
  view = &v;
  v.SetBounds(bounds);
  v.SetProportional(false);
}

LRESULT CALLBACK Host::Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE)
    SetWindowLongPtrA(wnd, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams));
  auto* self = reinterpret_cast<Host*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
  if (!self) return DefWindowProcA(wnd, msg, wp, lp);
  switch (msg) {
    case WM_ERASEBKGND: {
      ++self->erases;
      RECT r;
      GetClientRect(wnd, &r);
      HBRUSH b = CreateSolidBrush(RGB(0xFF, 0x00, 0xFF));
      FillRect(reinterpret_cast<HDC>(wp), &r, b);
      DeleteObject(b);
      return 1;
    }
    case WM_PAINT: {
      ++self->paints;
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(wnd, &ps);
      try {
        if (self->view) self->view->Paint(dc);
      } catch (...) {
      }
      EndPaint(wnd, &ps);
      return 0;
    }
    case WM_NCDESTROY: SetWindowLongPtrA(wnd, GWLP_USERDATA, 0); break;
    default: break;
  }
  return DefWindowProcA(wnd, msg, wp, lp);
}

}  // namespace viewtest
