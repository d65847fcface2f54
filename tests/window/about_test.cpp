// The about window on real windows: its version text, fixed size and place, the
// links' colours and cursor under the mouse, the shell requests of the links,
// the ways out of its modal loop; and the version lookup against executables
// with and without a version resource.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "about/AboutUnit.h"
#include "app/MainUnit.h"
#include "testutil.h"
#include "ui/app.h"
#include "ui/text.h"

namespace pix {
namespace {

using pixtest::Settle;
using pixtest::WaitFor;
using pixtest::TempDir;

std::string ThisExe() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
}

std::string Beside(const std::string& name) {
  std::string p = ThisExe();
  return p.substr(0, p.find_last_of('\\') + 1) + name;
}

// Runs a console program and returns what it wrote to its standard output.
std::string RunAndRead(const std::string& exe) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE rd = nullptr, wr = nullptr;
  if (!CreatePipe(&rd, &wr, &sa, 0)) return "<no pipe>";
  SetHandleInformation(rd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = wr;
  si.hStdError = wr;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION pi{};
  std::string cmd = "\"" + exe + "\"";
  BOOL ok = CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                           nullptr, nullptr, &si, &pi);
  CloseHandle(wr);
  std::string out;
  if (ok) {
    char buf[256];
    DWORD n = 0;
    while (ReadFile(rd, buf, sizeof buf, &n, nullptr) && n) out.append(buf, n);
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
  } else {
    out = "<not started>";
  }
  CloseHandle(rd);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

// A version resource built block by block: key, then a text or binary value, then
// the children, each on a four-byte boundary.
struct VBlock {
  std::wstring key;
  std::wstring text;
  std::string binary;
  bool isText = true;
  std::vector<VBlock> children;
};

void Align4(std::string& s) {
  s.resize((s.size() + 3) & ~size_t{3}, '\0');
}

void PutWord(std::string& s, size_t at, size_t v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

void PutWide(std::string& s, const std::wstring& w) {
  for (wchar_t c : w) s.append({static_cast<char>(c & 0xFF), static_cast<char>((c >> 8) & 0xFF)});
  s.append(2, '\0');
}

std::string Encode(const VBlock& b) {
  std::string s(6, '\0');
  PutWide(s, b.key);
  Align4(s);
  size_t valueLength = 0;
  if (!b.isText) {
    s += b.binary;
    valueLength = b.binary.size();
  } else if (!b.text.empty() || b.children.empty()) {
    PutWide(s, b.text);
    valueLength = b.text.size() + 1;
  }
  for (const VBlock& c : b.children) {
    Align4(s);
    s += Encode(c);
  }
  PutWord(s, 0, s.size());
  PutWord(s, 2, valueLength);
  PutWord(s, 4, b.isText ? 1 : 0);
  return s;
}

std::string VersionResource(const std::wstring& table, std::vector<VBlock> strings) {
  VS_FIXEDFILEINFO fixed{};
  fixed.dwSignature = VS_FFI_SIGNATURE;
  fixed.dwStrucVersion = VS_FFI_STRUCVERSION;
  fixed.dwFileVersionMS = 0x00020007;
  fixed.dwFileVersionLS = 0x00010008;
  VBlock root{L"VS_VERSION_INFO",
              L"",
              std::string(reinterpret_cast<char*>(&fixed), sizeof fixed),
              false,
              {}};
  VBlock sfi{L"StringFileInfo", L"", "", true, {{table, L"", "", true, std::move(strings)}}};
  root.children.push_back(sfi);
  return Encode(root);
}

// Copies `exe` to `copy` and gives the copy this version resource.
bool WithVersionResource(const std::string& exe, const std::string& copy, const std::string& res) {
  if (!CopyFileA(exe.c_str(), copy.c_str(), FALSE)) return false;
  HANDLE h = BeginUpdateResourceA(copy.c_str(), FALSE);
  if (!h) return false;
  BOOL ok = UpdateResourceA(h, MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1),
                            MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                            const_cast<char*>(res.data()), static_cast<DWORD>(res.size()));
  return EndUpdateResourceA(h, !ok) && ok;
}

TEST(VersionResource, ProgramResourceHoldsItsEntries) {
  // The program's resource script is linked into this test program too.
  std::wstring self = Widen(ThisExe());
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeW(self.c_str(), &handle);
  ASSERT_GT(size, 0u);
  std::vector<char> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(self.c_str(), handle, size, block.data()));
  struct Entry {
    const wchar_t* name;
    const wchar_t* value;
  } entries[] = {
      {L"FileVersion", L"1.1.0.0"},
      {L"ProductVersion", L"1.0.0.0"},
      {L"FileDescription", L"Программа для просмотра графических файлов"},
      {L"CompanyName", L"Quillmere"},
      {L"ProductName", L"Pixlumen"},
      {L"OriginalFilename", L"Pixlumen"},
      {L"InternalName", L""},
  };
  for (const Entry& e : entries) {
    std::wstring path = std::wstring(L"\\StringFileInfo\\041904E3\\") + e.name;
    void* value = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), path.c_str(), &value, &len)) << Narrow(e.name);
    EXPECT_EQ(Narrow(static_cast<const wchar_t*>(value)), Narrow(e.value)) << Narrow(e.name);
  }
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT len = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &len));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010001u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010001u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0u);

  EXPECT_EQ(GetVersionString(), "1.1.0.0");
}

TEST(VersionResource, ExecutableWithoutOneGivesTheEmptyString) {
  std::string exe = Beside("noversion.exe");
  ASSERT_NE(GetFileAttributesA(exe.c_str()), INVALID_FILE_ATTRIBUTES) << exe;
  // The program asks about itself, as the about window does.
  EXPECT_EQ(RunAndRead(exe), "[]");
  EXPECT_EQ(GetVersionString(exe), "");
  EXPECT_EQ(GetVersionString(Beside("no such file.exe")), "");
}

TEST(VersionResource, OnlyTheRussianTablesFileVersionCounts) {
  TempDir dir;
  std::string exe = Beside("noversion.exe");
  struct Case {
    const char* name;
    std::wstring table;
    std::vector<VBlock> strings;
    std::string expected;
  } cases[] = {
      {"russian", L"041904E3", {{L"FileVersion", L"2.7.1.8"}}, "2.7.1.8"},
      {"russian-among-others",
       L"041904E3",
       {{L"CompanyName", L"Someone"}, {L"FileVersion", L"3.1.4.1"}, {L"ProductVersion", L"9"}},
       "3.1.4.1"},
      {"english-table", L"040904B0", {{L"FileVersion", L"1.1.0.0"}}, ""},
      {"no-fileversion", L"041904E3", {{L"ProductVersion", L"1.0.0.0"}}, ""},
      {"empty-fileversion", L"041904E3", {{L"FileVersion", L""}}, ""},
  };
  for (Case& c : cases) {
    std::string copy = dir.File(std::string(c.name) + ".exe");
    ASSERT_TRUE(WithVersionResource(exe, copy, VersionResource(c.table, c.strings))) << c.name;
    EXPECT_EQ(GetVersionString(copy), c.expected) << c.name;
    EXPECT_EQ(RunAndRead(copy), "[" + c.expected + "]") << c.name;
  }
}

class AboutWindow : public testing::Test {
 protected:
  void SetUp() override {
    fm.Create();
    fm.ShellOpen = [this](HWND owner, const std::string& verb, const std::string& file, int show) {
      requests.push_back({owner, verb, file, show});
    };
  }
  void TearDown() override {
    if (IsWindow(fm.Handle())) ShowWindow(fm.Handle(), SW_HIDE);
    SetCursorPos(0, 0);
    Settle();
  }
  void Show() {
    ShowWindow(fm.Handle(), SW_SHOWNA);
    UpdateWindow(fm.Handle());
    Settle();
  }
  POINT ScreenCentre(const TControl& c) {
    RECT r;
    GetWindowRect(c.Handle(), &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  // Pixels of one colour (0x00BBGGRR) in the label's current drawing.
  int PixelsOf(const TLabel& label, COLORREF color) {
    RedrawWindow(label.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    pixtest::Capture cap = pixtest::CaptureClient(label.Handle());
    uint32_t rgb = (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
    return static_cast<int>(std::count_if(cap.pixels.begin(), cap.pixels.end(),
                                          [&](uint32_t p) { return (p & 0xFFFFFF) == rgb; }));
  }
  struct Request {
    HWND owner;
    std::string verb, file;
    int show;
  };
  TfmAbout fm;
  std::vector<Request> requests;
};

TEST_F(AboutWindow, CreatedHiddenWithItsCaptionVersionAndTopmostFixedFrame) {
  EXPECT_FALSE(IsWindowVisible(fm.Handle()));
  wchar_t caption[64] = {};
  GetWindowTextW(fm.Handle(), caption, 64);
  EXPECT_EQ(Narrow(caption), "О программе");
  EXPECT_EQ(fm.Text(), "О программе");  // the A functions under the UTF-8 code page
  EXPECT_EQ(fm.laVersion.Caption(), "Version: 1.1.0.0");
  wchar_t shown[64] = {};
  GetWindowTextW(fm.laVersion.Handle(), shown, 64);
  EXPECT_EQ(Narrow(shown), "Version: 1.1.0.0");

  LONG style = GetWindowLongA(fm.Handle(), GWL_STYLE);
  LONG ex = GetWindowLongA(fm.Handle(), GWL_EXSTYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  EXPECT_TRUE(ex & WS_EX_TOPMOST);
}

TEST_F(AboutWindow, FixedSizeCentredOnTheScreen) {
  RECT r;
  GetWindowRect(fm.Handle(), &r);
  EXPECT_EQ(r.right - r.left, fm.S(306));
  EXPECT_EQ(r.bottom - r.top, fm.S(280));
  EXPECT_NEAR((r.left + r.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
  EXPECT_NEAR((r.top + r.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);

  MINMAXINFO mmi{};
  SendMessageA(fm.Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
  EXPECT_EQ(mmi.ptMinTrackSize.x, fm.S(306));
  EXPECT_EQ(mmi.ptMaxTrackSize.x, fm.S(306));
  EXPECT_EQ(mmi.ptMinTrackSize.y, fm.S(280));
  EXPECT_EQ(mmi.ptMaxTrackSize.y, fm.S(280));

  // Asked for another size, it keeps its own.
  Show();
  for (SIZE s : {SIZE{600, 500}, SIZE{100, 80}}) {
    SetWindowPos(fm.Handle(), nullptr, 0, 0, s.cx, s.cy, SWP_NOMOVE | SWP_NOZORDER);
    Settle();
    GetWindowRect(fm.Handle(), &r);
    EXPECT_EQ(r.right - r.left, fm.S(306)) << s.cx;
    EXPECT_EQ(r.bottom - r.top, fm.S(280)) << s.cy;
  }
}

TEST_F(AboutWindow, ControlsAtTheirScaledPlaces) {
  struct Place {
    const char* name;
    const TControl& c;
    int left, top;
  } places[] = {
      {"laCompany", fm.laCompany, 40, 16},  {"laName", fm.laName, 48, 48},
      {"laVersion", fm.laVersion, 40, 104}, {"laCopyRight", fm.laCopyRight, 40, 128},
      {"laWeb", fm.laWeb, 40, 152},         {"laMail", fm.laMail, 40, 176},
      {"Bevel", fm.Bevel, 8, 208},          {"btnOK", fm.btnOK, 216, 216},
  };
  for (const Place& p : places) {
    TRect b = p.c.Bounds();
    EXPECT_EQ(b.left, fm.S(p.left)) << p.name;
    EXPECT_EQ(b.top, fm.S(p.top)) << p.name;
    EXPECT_GT(b.Width(), 0) << p.name;
    EXPECT_GT(b.Height(), 0) << p.name;
  }
  EXPECT_EQ(fm.Bevel.Bounds().Width(), fm.S(282));
  EXPECT_EQ(fm.btnOK.Bounds().Width(), fm.S(75));
  EXPECT_EQ(fm.btnOK.Bounds().Height(), fm.S(25));
  EXPECT_EQ(fm.btnOK.Text(), "OK");
  // Everything lies inside the window.
  TRect client = fm.ClientRect();
  for (const Place& p : places) {
    EXPECT_LE(p.c.Bounds().right, client.right) << p.name;
    EXPECT_LE(p.c.Bounds().bottom, client.bottom) << p.name;
  }

  // Fonts: the maker and the program name bold and larger, the links underlined.
  struct FontCase {
    const char* name;
    const TLabel& l;
    int height, weight;
    bool underline;
  } fonts[] = {
      {"laCompany", fm.laCompany, -fm.S(18), FW_BOLD, false},
      {"laName", fm.laName, -fm.S(40), FW_BOLD, false},
      {"laVersion", fm.laVersion, fm.Metrics().fontHeight, FW_NORMAL, false},
      {"laWeb", fm.laWeb, fm.Metrics().fontHeight, FW_NORMAL, true},
      {"laMail", fm.laMail, fm.Metrics().fontHeight, FW_NORMAL, true},
  };
  for (const FontCase& f : fonts) {
    LOGFONTW lf{};
    ASSERT_TRUE(GetObjectW(f.l.CurrentFont(), sizeof lf, &lf)) << f.name;
    EXPECT_EQ(lf.lfHeight, f.height) << f.name;
    EXPECT_EQ(lf.lfWeight, f.weight) << f.name;
    EXPECT_EQ(lf.lfUnderline != 0, f.underline) << f.name;
  }
  EXPECT_GT(fm.laName.Bounds().Height(), fm.laCompany.Bounds().Height());
  EXPECT_GT(fm.laCompany.Bounds().Height(), fm.laVersion.Bounds().Height());
}

TEST_F(AboutWindow, StaysAboveTheMainWindow) {
  TfmMain main;
  main.Create();
  ShowWindow(main.Handle(), SW_SHOWNORMAL);
  Show();
  SetForegroundWindow(main.Handle());
  SetWindowPos(main.Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  Settle();
  bool mainBelow = false;
  for (HWND w = GetWindow(fm.Handle(), GW_HWNDNEXT); w; w = GetWindow(w, GW_HWNDNEXT))
    if (w == main.Handle()) mainBelow = true;
  EXPECT_TRUE(mainBelow);
  ShowWindow(main.Handle(), SW_HIDE);
}

TEST_F(AboutWindow, LinksTurnRedWithAHandUnderTheMouse) {
  Show();
  HCURSOR hand = LoadCursorA(nullptr, IDC_HAND), arrow = LoadCursorA(nullptr, IDC_ARROW);
  for (TLabel* link : {&fm.laWeb, &fm.laMail}) {
    EXPECT_EQ(link->FontColor(), 0x800000u);
    EXPECT_GT(PixelsOf(*link, 0x800000), 0);
    EXPECT_EQ(PixelsOf(*link, 0x0000FF), 0);

    SendMessageA(link->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(link->FontColor(), 0x0000FFu);
    EXPECT_EQ(link->Cursor(), TCursor::crHandPoint);
    SendMessageA(link->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(link->Handle()),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), hand);
    EXPECT_GT(PixelsOf(*link, 0x0000FF), 0);
    EXPECT_EQ(PixelsOf(*link, 0x800000), 0);

    SendMessageA(link->Handle(), WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(link->FontColor(), 0x800000u);
    EXPECT_EQ(link->Cursor(), TCursor::crDefault);
    SendMessageA(link->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(link->Handle()),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), arrow);
    EXPECT_GT(PixelsOf(*link, 0x800000), 0);
    EXPECT_EQ(PixelsOf(*link, 0x0000FF), 0);
  }
  // The other labels are not links.
  SendMessageA(fm.laVersion.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
  EXPECT_EQ(fm.laVersion.FontColor(), GetSysColor(COLOR_WINDOWTEXT));
  EXPECT_EQ(fm.laVersion.Cursor(), TCursor::crDefault);
}

TEST_F(AboutWindow, RealPointerOverALinkAndAwayFromIt) {
  Show();
  SetCursorPos(ScreenCentre(fm.laWeb).x, ScreenCentre(fm.laWeb).y);
  EXPECT_TRUE(WaitFor([&] { return fm.laWeb.MouseInside(); }));
  EXPECT_EQ(fm.laWeb.FontColor(), 0x0000FFu);
  EXPECT_GT(PixelsOf(fm.laWeb, 0x0000FF), 0);

  // Straight onto the other link: the first one leaves, the second one enters.
  SetCursorPos(ScreenCentre(fm.laMail).x, ScreenCentre(fm.laMail).y);
  EXPECT_TRUE(WaitFor([&] { return !fm.laWeb.MouseInside() && fm.laMail.MouseInside(); }));
  EXPECT_EQ(fm.laWeb.FontColor(), 0x800000u);
  EXPECT_EQ(fm.laMail.FontColor(), 0x0000FFu);

  RECT r;
  GetWindowRect(fm.Handle(), &r);
  SetCursorPos(r.right + 40, r.bottom + 40);
  EXPECT_TRUE(WaitFor([&] { return !fm.laMail.MouseInside(); }));
  EXPECT_EQ(fm.laMail.FontColor(), 0x800000u);
  EXPECT_GT(PixelsOf(fm.laMail, 0x800000), 0);
}

TEST_F(AboutWindow, LinksAskTheShellToOpenTheirAddresses) {
  Show();
  auto click = [](const TLabel& l, POINT down, POINT up) {
    SendMessageA(l.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(down.x, down.y));
    SendMessageA(l.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(down.x, down.y));
    SendMessageA(l.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(up.x, up.y));
  };
  click(fm.laWeb, {3, 3}, {4, 4});
  click(fm.laMail, {3, 3}, {4, 4});
  // Pressed on the link but released beside it: no request.
  click(fm.laWeb, {3, 3}, {-20, 4});
  // Clicking the other labels asks for nothing.
  click(fm.laVersion, {3, 3}, {4, 4});
  click(fm.laCompany, {3, 3}, {4, 4});
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].owner, fm.Handle());
  EXPECT_EQ(requests[0].verb, "open");
  EXPECT_EQ(requests[0].file, "https://example.com/pixlumen");
  EXPECT_EQ(requests[0].show, 3);
  EXPECT_EQ(requests[1].owner, fm.Handle());
  EXPECT_EQ(requests[1].verb, "open");
  EXPECT_EQ(requests[1].file, "mailto:pixlumen@example.com");
  EXPECT_EQ(requests[1].show, 3);
}

TEST_F(AboutWindow, OKComesFirstInTabOrder) {
  EXPECT_EQ(GetWindow(fm.Handle(), GW_CHILD), fm.btnOK.Handle());
  EXPECT_EQ(GetNextDlgTabItem(fm.Handle(), nullptr, FALSE), fm.btnOK.Handle());
}

// What happens inside the modal loop: `act` runs from a timer once the window is
// shown; a second timer ends a loop that would otherwise hang the test.
struct ModalRun {
  static inline std::function<void()> act;
  static inline TfmAbout* window = nullptr;  // the one the guard hides
  static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (act) act();
  }
  static void CALLBACK Guard(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (window) ShowWindow(window->Handle(), SW_HIDE);
  }
};

TEST_F(AboutWindow, EveryWayOutEndsTheModalLoopWithCancel) {
  TfmMain main;
  main.Create();
  ShowWindow(main.Handle(), SW_SHOWNORMAL);
  Settle();
  struct Way {
    const char* name;
    std::function<void()> act;
  } ways[] = {
      {"click on OK", [&] { PostMessageA(fm.btnOK.Handle(), BM_CLICK, 0, 0); }},
      {"mouse on OK",
       [&] {
         PostMessageA(fm.btnOK.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
         PostMessageA(fm.btnOK.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
       }},
      {"Enter on the focused control",
       [&] {
         PostMessageA(GetFocus(), WM_KEYDOWN, VK_RETURN, 0x001C0001);
         PostMessageA(GetFocus(), WM_KEYUP, VK_RETURN, 0xC01C0001);
       }},
      {"Space on the focused control",
       [&] {
         PostMessageA(GetFocus(), WM_KEYDOWN, VK_SPACE, 0x00390001);
         PostMessageA(GetFocus(), WM_KEYUP, VK_SPACE, 0xC0390001);
       }},
      {"close box", [&] { PostMessageA(fm.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0); }},
  };
  ModalRun::window = &fm;
  for (Way& w : ways) {
    bool mainDisabled = false;
    HWND focus = nullptr;
    ModalRun::act = [&] {
      mainDisabled = !IsWindowEnabled(main.Handle());
      focus = GetFocus();
      w.act();
    };
    UINT_PTR t1 = SetTimer(nullptr, 0, 100, ModalRun::Tick);
    UINT_PTR guard = SetTimer(nullptr, 0, 5000, ModalRun::Guard);
    DWORD start = GetTickCount();
    int result = fm.ShowModal();
    DWORD took = GetTickCount() - start;
    KillTimer(nullptr, t1);
    KillTimer(nullptr, guard);
    EXPECT_LT(took, 4000u) << w.name << ": the loop ran until the guard ended it";
    EXPECT_EQ(result, IDCANCEL) << w.name;
    EXPECT_TRUE(mainDisabled) << w.name;
    EXPECT_EQ(focus, fm.btnOK.Handle()) << w.name;
    EXPECT_FALSE(IsWindowVisible(fm.Handle())) << w.name;
    EXPECT_TRUE(IsWindowEnabled(main.Handle())) << w.name;
    EXPECT_TRUE(IsWindow(fm.Handle())) << w.name;  // hidden, not destroyed
    Settle();
  }
  ModalRun::act = nullptr;
  ModalRun::window = nullptr;
}

}  // namespace
}  // namespace pix
