// The window settings file: the main window's place, size and maximised state,
// kept in a profile file beside the executable.
#include "app/WindowState.h"

#include <cstdint>
#include <string>
#include <vector>

#include "app/SettingsFile.h"
#include "app/profile_core.h"
#include "ui/dpi.h"
#include "ui/errors.h"
#include "ui/monitors.h"

namespace pix {

namespace {

const char kSection[] = "FORM";
// A hidden form's state, kept until it is first shown (stored plus one, so
// that no property means none was given).
const char kPendingState[] = "PixlumenPendingState";

// One use of the settings file through the platform's profile functions; letting
// it go flushes whatever they buffered for the file.
class TSettingsFile {
 public:
  explicit TSettingsFile(const std::string& fileName) : fileName_(fileName) {}
  TSettingsFile(const TSettingsFile&) = delete;
  TSettingsFile& operator=(const TSettingsFile&) = delete;
  ~TSettingsFile() { WritePrivateProfileStringA(nullptr, nullptr, nullptr, fileName_.c_str()); }

  int32_t ReadInteger(const char* section, const char* key, int32_t fallback) const {
    std::vector<char> text(2048);
    GetPrivateProfileStringA(section, key, "", text.data(), static_cast<DWORD>(text.size()),
                             fileName_.c_str());
    return ProfileTextToInt(text.data(), fallback);
  }

  void WriteInteger(const char* section, const char* key, int32_t value) const {
    if (!WriteString(section, key, std::to_string(value)))
      throw EIniFileException(Format("Unable to write to %s", fileName_.c_str()));
  }

 private:
  bool WriteString(const char* section, const char* key, const std::string& value) const {
    // Windows refuses to write a read-only file; Wine run by the superuser writes
    // it regardless, so the attribute is honoured here.
    DWORD attributes = GetFileAttributesA(fileName_.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
      return false;
    return WritePrivateProfileStringA(section, key, value.c_str(), fileName_.c_str()) != FALSE;
  }

  std::string fileName_;
};

RECT WindowBounds(HWND form) {
  RECT r{};
  GetWindowRect(form, &r);
  return r;
}

void SetWindowBounds(HWND form, int left, int top, int width, int height) {
  SetWindowPos(form, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool HasPendingState(HWND form, TWindowState& state) {
  auto stored = reinterpret_cast<intptr_t>(GetPropA(form, kPendingState));
  if (!stored) return false;
  state = static_cast<TWindowState>(stored - 1);
  return true;
}

// The placement's rectangles of a top-level window are relative to the work
// area of its monitor (unless it is a tool window).
RECT PlacementToScreen(HWND form, RECT r) {
  if (GetWindowLongA(form, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) return r;
  MONITORINFO mi{sizeof mi, {}, {}, 0};
  if (!GetMonitorInfoA(MonitorFromRect(&r, MONITOR_DEFAULTTOPRIMARY), &mi)) return r;
  OffsetRect(&r, mi.rcWork.left - mi.rcMonitor.left, mi.rcWork.top - mi.rcMonitor.top);
  return r;
}

// Where a minimised form that was maximised goes back to: its monitor's work
// area with the sizing frame outside it, as the system maximises a window.
RECT MaximizedBounds(HWND form, const RECT& normal) {
  MONITORINFO mi{sizeof mi, {}, {}, 0};
  GetMonitorInfoA(MonitorFromRect(&normal, MONITOR_DEFAULTTOPRIMARY), &mi);
  DWORD style = static_cast<DWORD>(GetWindowLongA(form, GWL_STYLE));
  if ((style & WS_CAPTION) == WS_CAPTION) style &= ~WS_BORDER;
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectEx(&frame, style, GetMenu(form) != nullptr,
                     static_cast<DWORD>(GetWindowLongA(form, GWL_EXSTYLE)));
  RECT r = mi.rcWork;
  InflateRect(&r, -frame.left, -frame.top);
  return r;
}

// The size a window takes with nothing stored: 800 x 600 at 100 %, as much more
// as the window's density asks, but no larger than its monitor's work area.
SIZE DefaultFormSize(HWND form) {
  int dpi = WindowDpi(form);
  MONITORINFO mi{sizeof mi, {}, {}, 0};
  int roomW = 0, roomH = 0;
  if (GetMonitorInfoA(MonitorFromWindow(form, MONITOR_DEFAULTTOPRIMARY), &mi)) {
    roomW = mi.rcWork.right - mi.rcWork.left;
    roomH = mi.rcWork.bottom - mi.rcWork.top;
  }
  return {DefaultExtent(800, dpi, roomW), DefaultExtent(600, dpi, roomH)};
}

}  // namespace

TWindowState GetFormWindowState(HWND form) {
  TWindowState pending;
  if (!IsWindowVisible(form) && HasPendingState(form, pending)) return pending;
  if (IsIconic(form)) return TWindowState::wsMinimized;
  if (IsZoomed(form)) return TWindowState::wsMaximized;
  return TWindowState::wsNormal;
}

void SetFormWindowState(HWND form, TWindowState state) {
  if (!IsWindowVisible(form)) {
    SetPropA(form, kPendingState, reinterpret_cast<HANDLE>(static_cast<intptr_t>(state) + 1));
    return;
  }
  if (GetFormWindowState(form) == state) return;
  switch (state) {
    case TWindowState::wsNormal:
      ShowWindow(form, SW_RESTORE);
      break;
    case TWindowState::wsMinimized:
      ShowWindow(form, SW_MINIMIZE);
      break;
    case TWindowState::wsMaximized:
      ShowWindow(form, SW_MAXIMIZE);
      break;
  }
}

void ShowForm(HWND form) {
  TWindowState state = TWindowState::wsNormal;
  HasPendingState(form, state);
  RemovePropA(form, kPendingState);
  switch (state) {
    case TWindowState::wsNormal:
      ShowWindow(form, SW_SHOWNORMAL);
      break;
    case TWindowState::wsMinimized:
      ShowWindow(form, SW_SHOWMINIMIZED);
      break;
    case TWindowState::wsMaximized: {
      // Through the placement: under Wine with no window manager, a window first
      // mapped by ShowWindow(SW_SHOWMAXIMIZED) falls back to its normal size.
      WINDOWPLACEMENT wp{};
      wp.length = sizeof wp;
      GetWindowPlacement(form, &wp);
      wp.showCmd = SW_SHOWMAXIMIZED;
      SetWindowPlacement(form, &wp);
      break;
    }
  }
}

FormPlacement GetFormPlacement(HWND form) {
  if (!IsIconic(form)) return {WindowBounds(form), GetFormWindowState(form)};
  // Minimised: the bounds and state that a restore brings back.
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  GetWindowPlacement(form, &wp);
  RECT normal = PlacementToScreen(form, wp.rcNormalPosition);
  if (wp.flags & WPF_RESTORETOMAXIMIZED)
    return {MaximizedBounds(form, normal), TWindowState::wsMaximized};
  return {normal, TWindowState::wsNormal};
}

std::string SettingsFilePath() {
  std::string exe(MAX_PATH, '\0');
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, exe.data(), static_cast<DWORD>(exe.size()));
    if (n < exe.size()) {
      exe.resize(n);
      break;
    }
    exe.resize(exe.size() * 2);
  }
  return exe.substr(0, exe.rfind('\\') + 1) + "PixlumenParam.ini";
}

void LoadFormSettings(HWND form, const std::string& fileName) {
  TSettingsFile ini(fileName);
  RECT r = WindowBounds(form);
  SetWindowBounds(form, r.left, ini.ReadInteger(kSection, "Top", 0), r.right - r.left,
                  r.bottom - r.top);
  r = WindowBounds(form);
  SetWindowBounds(form, ini.ReadInteger(kSection, "Left", 0), r.top, r.right - r.left,
                  r.bottom - r.top);
  // Judged where the window will be, so after Top and Left.
  SIZE fallback = DefaultFormSize(form);
  r = WindowBounds(form);
  SetWindowBounds(form, r.left, r.top, r.right - r.left,
                  ini.ReadInteger(kSection, "Height", fallback.cy));
  r = WindowBounds(form);
  SetWindowBounds(form, r.left, r.top, ini.ReadInteger(kSection, "Width", fallback.cx),
                  r.bottom - r.top);
  // A place no monitor shows any more (one unplugged) is brought back.
  BringOnScreen(form);
  switch (ini.ReadInteger(kSection, "Stay", 0)) {
    case 0:
      SetFormWindowState(form, TWindowState::wsNormal);
      break;
    case 1:
      SetFormWindowState(form, TWindowState::wsMaximized);
      break;
    default:
      break;  // any other value leaves the state as it is
  }
}

void SaveFormSettings(HWND form, const std::string& fileName) {
  TSettingsFile ini(fileName);
  FormPlacement p = GetFormPlacement(form);
  ini.WriteInteger(kSection, "Top", p.bounds.top);
  ini.WriteInteger(kSection, "Left", p.bounds.left);
  ini.WriteInteger(kSection, "Height", p.bounds.bottom - p.bounds.top);
  ini.WriteInteger(kSection, "Width", p.bounds.right - p.bounds.left);
  switch (p.state) {
    case TWindowState::wsNormal:
      ini.WriteInteger(kSection, "Stay", 0);
      break;
    case TWindowState::wsMaximized:
      ini.WriteInteger(kSection, "Stay", 1);
      break;
    case TWindowState::wsMinimized:
      break;  // the file keeps the state it had
  }
}

}  // namespace pix
