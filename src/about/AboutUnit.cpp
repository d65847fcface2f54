#include "about/AboutUnit.h"

#include <shellapi.h>
#include <winver.h>

#include <cstring>
#include <vector>

#include "ui/app.h"
#include "ui/text.h"

namespace pix {

namespace {

std::string ExecutablePath() {
  std::string buf(MAX_PATH, '\0');
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return std::string();
    if (n < buf.size()) {
      buf.resize(n);
      return buf;
    }
    buf.resize(buf.size() * 2);  // the path was cut short
  }
}

}  // namespace

std::string GetVersionString() {
  return GetVersionString(ExecutablePath());
}

std::string GetVersionString(const std::string& exePath) {
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeA(exePath.c_str(), &handle);
  if (size == 0) return std::string();
  std::vector<char> block(size);  // released on every path, a throw included
  if (!GetFileVersionInfoA(exePath.c_str(), handle, size, block.data())) return std::string();
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block.data(), "StringFileInfo\\041904E3\\FileVersion", &value, &length) ||
      !value)
    return std::string();
  // The text is zero-terminated; a damaged resource must not lead the read past
  // the end of the block.
  const char* text = static_cast<const char*>(value);
  const char* end = block.data() + block.size();
  if (text < block.data() || text >= end) return std::string();
  return std::string(text, strnlen(text, static_cast<size_t>(end - text)));
}

TfmAbout::~TfmAbout() = default;

void TfmAbout::Create(HWND owner) {
  if (!owner) owner = Application().MainWindow();
  const char caption[] = "О программе";
  CreateForm(caption, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, WS_EX_TOPMOST, {0, 0, 0, 0}, owner);
  // Set through the wide function as well, so the caption is right whatever
  // code page the A functions convert with.
  SetWindowTextW(Handle(), Widen(caption).c_str());

  // Places and sizes come from ScaleLayout, here and at every change of density.
  HWND me = Handle();
  btnOK.Create(me, {.caption = "OK"});
  laCompany.Create(me, {.caption = kMakerName});
  laName.Create(me, {.caption = "Pixlumen"});
  laVersion.Create(me, {.caption = "Version: "});
  laCopyRight.Create(me, {.caption = std::string("Copyright © 2026 ") + kMakerName});
  laWeb.Create(me, {.caption = kMakerWeb});
  laMail.Create(me, {.caption = kMakerMail});
  Bevel.Create(me, {});
  Rescale(Metrics());
  CentreOnScreen(Handle());

  for (TLabel* link : {&laWeb, &laMail}) {
    link->SetFontColor(kLinkColor);
    link->OnMouseEnter = [this, link] { laWebMouseEnter(*link); };
    link->OnMouseLeave = [this, link] { laWebMouseLeave(*link); };
  }
  // The links are tab stops after OK; Esc closes the window as OK does.
  laWeb.SetTabStop(true);
  laMail.SetTabStop(true);
  KeyPreview = true;
  OnKeyDown = [this](WORD& key, TShiftState) {
    if (key != VK_ESCAPE) return;
    key = 0;
    Close();
  };
  laWeb.OnClick = [this] { laWebClick(); };
  laMail.OnClick = [this] { laMailClick(); };
  btnOK.OnClick = [this] { btnOKClick(); };

  FormCreate();
}

void TfmAbout::ScaleLayout(const FormMetrics&) {
  SetWindowPos(Handle(), nullptr, 0, 0, S(306), S(280), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  bevelRightGap_ = ClientRect().Width() - S(8) - S(282);
  btnOK.SetBounds({S(216), S(216), S(216) + S(75), S(216) + S(25)});
  const struct {
    TLabel& label;
    int left, top;
  } places[] = {{laCompany, 40, 16},    {laName, 48, 48}, {laVersion, 40, 104},
                {laCopyRight, 40, 128}, {laWeb, 40, 152}, {laMail, 40, 176}};
  for (const auto& p : places)
    SetWindowPos(p.label.Handle(), nullptr, S(p.left), S(p.top), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  Bevel.SetBounds({S(8), S(208), S(8) + S(282), S(208) + TBevel::kLineHeight});
  // The larger fonts belong to the layout: they scale as the places do, so the
  // name keeps fitting the window whatever the screen's text height.
  laCompany.SetOwnFont({"MS Sans Serif", -S(18), true, false});
  laName.SetOwnFont({"MS Sans Serif", -S(40), true, false});
  for (TLabel* link : {&laWeb, &laMail})
    link->SetOwnFont({"MS Sans Serif", Metrics().fontHeight, false, true});
}

void TfmAbout::FormCreate() {
  laVersion.SetCaption("Version: " + GetVersionString());
}

int TfmAbout::ShowModal() {
  CentreOnScreen(Handle());
  FollowDpi();
  CentreOnScreen(Handle());  // at its size for that density
  // Closing is the only way out of the loop, and it answers "cancel".
  return TForm::ShowModal();
}

void TfmAbout::ShellRequest(const std::string& file) {
  // A failing request is not reported: the result is not examined.
  if (ShellOpen) {
    ShellOpen(Handle(), "open", file, SW_SHOWMAXIMIZED);
    return;
  }
  ShellExecuteA(Handle(), "open", file.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
}

void TfmAbout::laWebClick() {
  ShellRequest(kMakerWeb);
}

void TfmAbout::laMailClick() {
  ShellRequest(std::string("mailto:") + kMakerMail);
}

void TfmAbout::laWebMouseEnter(TLabel& sender) {
  sender.SetFontColor(kLinkHotColor);
  sender.SetCursor(TCursor::crHandPoint);
}

void TfmAbout::laWebMouseLeave(TLabel& sender) {
  sender.SetFontColor(kLinkColor);
  sender.SetCursor(TCursor::crDefault);
}

void TfmAbout::btnOKClick() {
  Close();
}

bool TfmAbout::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_GETMINMAXINFO: {
      // Fixed size: the smallest and the largest size are the same.
      auto* mmi = reinterpret_cast<MINMAXINFO*>(lp);
      mmi->ptMinTrackSize = {S(306), S(280)};
      mmi->ptMaxTrackSize = {S(306), S(280)};
      return true;
    }
    case WM_SIZE:
      if (Bevel.Handle()) {
        TRect b = Bevel.Bounds();
        int width = LOWORD(lp) - b.left - bevelRightGap_;
        SetWindowPos(Bevel.Handle(), nullptr, 0, 0, width, b.Height(),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
      return TForm::HandleMessage(msg, wp, lp, result);
    default:
      return TForm::HandleMessage(msg, wp, lp, result);
  }
}

}  // namespace pix
