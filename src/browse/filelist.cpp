#include "browse/filelist.h"

#include <algorithm>
#include <numeric>

#include "browse/filtercombo.h"
#include "browse/folderwatch.h"
#include "ui/app.h"
#include "ui/dpi_core.h"
#include "ui/handles.h"
#include "ui/errors.h"
#include "ui/text.h"

namespace pix {

namespace {

bool AnsiLeadByte(unsigned char b) {
  return IsDBCSLeadByte(b) != FALSE;
}

// The folder's attributes as the platform gives them; a folder that can't be
// read raises the I/O error of its code.
void RequireFolder(const std::string& dir) {
  DWORD a = GetFileAttributesW(PlatformPath(dir).c_str());
  if (a == INVALID_FILE_ATTRIBUTES) RaiseInOutError(GetLastError());
  if (!(a & FILE_ATTRIBUTE_DIRECTORY)) RaiseInOutError(ERROR_DIRECTORY);
}

// The folder operations of the path splitting, on a current folder of its own:
// the process's current directory is never moved, so no folder the user looks
// at is held by the program.
class ListDirs : public IDirectoryOps {
 public:
  explicit ListDirs(std::string start) : current_(std::move(start)) {}
  std::string CurrentFolder() override { return current_; }
  unsigned EnterFolder(const std::string& path) override {
    std::string full = JoinPath(current_, path);
    DWORD a = GetFileAttributesW(PlatformPath(full).c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return GetLastError();
    if (!(a & FILE_ATTRIBUTE_DIRECTORY)) return ERROR_DIRECTORY;
    current_ = full;
    return 0;
  }
  bool FolderExists(const std::string& path) override {
    return IsExistingFolder(JoinPath(current_, path));
  }
  bool FileExists(const std::string& path) override {
    DWORD a = GetFileAttributesW(PlatformPath(JoinPath(current_, path)).c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
  }

 private:
  std::string current_;
};

// The key the list control sorts by: its own comparison (user locale, letter
// case ignored) as bytes that compare with memcmp.
void AppendSortKey(const std::string& text, std::string& keys) {
  std::wstring wide = Widen(text);
  const wchar_t* src = wide.c_str();
  int n = static_cast<int>(wide.size());
  char key[4096];
  int k = LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, src, n,
                       reinterpret_cast<LPWSTR>(key), sizeof key);
  if (k > 0) {
    keys.append(key, static_cast<size_t>(k - 1));  // without the closing zero
    return;
  }
  k = LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, src, n, nullptr, 0);
  std::string longKey(static_cast<size_t>(std::max(k, 1)), '\0');
  if (k > 0)
    LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, src, n,
                 reinterpret_cast<LPWSTR>(longKey.data()), k);
  longKey.pop_back();
  keys += longKey;
}

// Entries gathered by a refill: texts and sort keys packed in two buffers.
struct Gathered {
  std::string texts, keys;
  std::vector<uint32_t> textEnd, keyEnd;
  std::vector<uint8_t> glyph;
  std::string_view Text(size_t i) const {
    uint32_t b = i ? textEnd[i - 1] : 0;
    return std::string_view(texts).substr(b, textEnd[i] - b);
  }
  std::string_view Key(size_t i) const {
    uint32_t b = i ? keyEnd[i - 1] : 0;
    return std::string_view(keys).substr(b, keyEnd[i] - b);
  }
};

class RedrawOff {
 public:
  explicit RedrawOff(HWND w) : w_(w) { SendMessageA(w_, WM_SETREDRAW, FALSE, 0); }
  ~RedrawOff() {
    SendMessageA(w_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(w_, nullptr, TRUE);
  }
  RedrawOff(const RedrawOff&) = delete;
  RedrawOff& operator=(const RedrawOff&) = delete;

 private:
  HWND w_;
};

// By TGlyphKind.
const char* const kGlyphNames[] = {"UNKNOWNFILE", "EXECUTABLE", "CLOSEDFOLDER"};

}  // namespace

bool SameTextIgnoringCase(const std::string& a, const std::string& b) {
  std::wstring wa = Widen(a), wb = Widen(b);
  if (wa.size() != wb.size()) return false;
  CharUpperBuffW(wa.data(), static_cast<DWORD>(wa.size()));
  CharUpperBuffW(wb.data(), static_cast<DWORD>(wb.size()));
  return wa == wb;
}

bool IsExistingFolder(const std::string& path) {
  DWORD a = GetFileAttributesW(PlatformPath(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string GetCurrentDir() {
  DWORD n = GetCurrentDirectoryA(0, nullptr);
  std::string s(n ? n : 1, '\0');
  n = GetCurrentDirectoryA(static_cast<DWORD>(s.size()), s.data());
  s.resize(n < s.size() ? n : 0);
  return s;
}

TFileListBox::TFileListBox()
    : folder_(GetCurrentDir()), typeAhead_(GetACP() == CP_UTF8 ? nullptr : AnsiLeadByte) {
  HINSTANCE inst = Application().Instance();
  for (int i = 0; i < 3; ++i) glyphs_[i].Reset(LoadBitmapA(inst, kGlyphNames[i]));
}

void TFileListBox::SetGlyphSize(int size) {
  if (size == glyphSize_) return;
  HINSTANCE inst = Application().Instance();
  TOwnedBitmap loaded[3];
  for (int i = 0; i < 3; ++i) {
    loaded[i].Reset(LoadBitmapA(inst, ImageResourceName(kGlyphNames[i], size).c_str()));
    if (!loaded[i]) return;  // keep a whole set
  }
  for (int i = 0; i < 3; ++i) glyphs_[i].Reset(loaded[i].Release());
  glyphSize_ = size;
  if (Handle()) FontChanged();
}

TFileListBox::~TFileListBox() {
  if (filter_) filter_->list_ = nullptr;
  DestroyHandle();
}

void TFileListBox::Create(HWND parent, const TFileListBoxArgs& a) {
  Dock(a.dock);
  CreateStandard("LISTBOX", "",
                 WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_SORT |
                     LBS_HASSTRINGS | LBS_OWNERDRAWFIXED | LBS_NOINTEGRALHEIGHT,
                 WS_EX_CLIENTEDGE, parent, CreationBounds(a.dock, a.bounds), a.id);
  SendMessageA(Handle(), LB_SETITEMHEIGHT, 0, itemHeight_);
  RefillEntries();
}

void TFileListBox::SetFolderFromPath(const std::string& text) {
  if (text.empty() || SameTextIgnoringCase(text, SelectedFilePath())) return;
  ListDirs dirs(folder_);
  TPathParts parts = SplitPathText(dirs, text);
  SetFolder(parts.Folder());
}

// Skipped only while the entries shown are still the folder's: after a clear,
// or a refill that failed, the same folder is read again.
void TFileListBox::SetFolder(const std::string& folder) {
  if (listed_ && SameTextIgnoringCase(folder, folder_)) return;
  // A relative folder text is taken from the folder shown.
  std::string full = JoinPath(folder_, folder);
  RequireFolder(full);
  folder_ = full;
  RefillEntries();
}

void TFileListBox::FolderRenamed(const std::string& from, const std::string& to) {
  folder_ = RenamedPath(folder_, from, to);
}

void TFileListBox::SetMask(const std::string& mask) {
  if (mask == mask_) return;
  mask_ = mask;
  RefillEntries();
}

void TFileListBox::SetFileType(unsigned fileType) {
  if (fileType == fileType_) return;
  fileType_ = fileType;
  RefillEntries();
}

void TFileListBox::SetShowGlyphs(bool show) {
  if (show == showGlyphs_) return;
  showGlyphs_ = show;
  BITMAP bm{};
  if (show && Glyph(TGlyphKind::UnknownFile) &&
      GetObjectA(Glyph(TGlyphKind::UnknownFile), sizeof bm, &bm) && itemHeight_ < bm.bmHeight + 1)
    SetItemHeight(bm.bmHeight + 1);
  Invalidate();
}

void TFileListBox::SetItemHeight(int height) {
  if (height <= 0) return;
  itemHeight_ = height;
  if (Handle()) {
    SendMessageA(Handle(), LB_SETITEMHEIGHT, 0, height);
    Invalidate();
  }
}

void TFileListBox::FontChanged() {
  int h = itemHeight_;
  {
    TWindowDC dc(Handle());
    TSelectObject selectFont(dc, font_ ? static_cast<HGDIOBJ>(font_) : GetStockObject(SYSTEM_FONT));
    TEXTMETRICA tm{};
    if (GetTextMetricsA(dc, &tm)) h = tm.tmHeight;
  }
  BITMAP bm{};
  if (showGlyphs_ && Glyph(TGlyphKind::UnknownFile) &&
      GetObjectA(Glyph(TGlyphKind::UnknownFile), sizeof bm, &bm))
    h = std::max(h, static_cast<int>(bm.bmHeight) + 1);
  SetItemHeight(h);
}

std::string TFileListBox::SelectedFilePath() const {
  int i = ItemIndex();
  if (i < 0 || Count() == 0 || SendMessageA(Handle(), LB_GETSEL, i, 0) <= 0) return std::string();
  return FilePath(i);
}

std::string TFileListBox::FilePath(int index) const {
  std::string path = folder_;
  if (path.empty() || path.back() != '\\') path += '\\';
  return path + Item(index);
}

int TFileListBox::Count() const {
  return Handle() ? static_cast<int>(SendMessageA(Handle(), LB_GETCOUNT, 0, 0)) : 0;
}

std::string TFileListBox::Item(int index) const {
  LRESULT n = SendMessageA(Handle(), LB_GETTEXTLEN, index, 0);
  if (n == LB_ERR) return std::string();
  std::string s(static_cast<size_t>(n) + 1, '\0');
  n = SendMessageA(Handle(), LB_GETTEXT, index, reinterpret_cast<LPARAM>(s.data()));
  s.resize(n == LB_ERR ? 0 : static_cast<size_t>(n));
  return s;
}

int TFileListBox::IndexOf(const std::string& name) const {
  if (!Handle() || name.empty()) return -1;
  // The control's search ignores letter case: names that differ only in it are
  // passed over, until the search comes round to its first find again.
  LRESULT at = -1, first = LB_ERR;
  for (;;) {
    at = SendMessageA(Handle(), LB_FINDSTRINGEXACT, static_cast<WPARAM>(at),
                      reinterpret_cast<LPARAM>(name.c_str()));
    if (at == LB_ERR || at == first) return -1;
    if (Item(static_cast<int>(at)) == name) return static_cast<int>(at);
    if (first == LB_ERR) first = at;
  }
}

int TFileListBox::ItemIndex() const {
  return Handle() ? static_cast<int>(SendMessageA(Handle(), LB_GETCURSEL, 0, 0)) : -1;
}

void TFileListBox::SetItemIndex(int index) {
  if (Handle()) SendMessageA(Handle(), LB_SETCURSEL, index, 0);
}

void TFileListBox::SelectAndReport(int index) {
  SetItemIndex(index);
  Change();
}

void TFileListBox::Clear() {
  listed_ = false;
  if (Handle()) SendMessageA(Handle(), LB_RESETCONTENT, 0, 0);
}

void TFileListBox::Repaint() {
  if (!Handle()) return;
  InvalidateRect(Handle(), nullptr, TRUE);
  UpdateWindow(Handle());
}

void TFileListBox::Enumerate(const std::string& pattern, unsigned attributeWord,
                             const std::function<void(const char*, unsigned)>& found) {
  (void)attributeWord;  // the attribute rule is applied by the caller
  std::string dir = folder_;
  if (dir.empty() || dir.back() != '\\') dir += '\\';
  WIN32_FIND_DATAW fd;
  TOwnedFind search(FindFirstFileW(PlatformPath(dir + pattern).c_str(), &fd));
  if (!search) return;
  std::string name;
  do {
    name = Narrow(fd.cFileName);
    found(name.c_str(), fd.dwFileAttributes);
  } while (FindNextFileW(search, &fd));
}

void TFileListBox::RefillEntries() {
  if (!Handle()) return;
  try {
    RequireFolder(folder_);
  } catch (...) {
    listed_ = false;  // what is shown may no longer be the folder's
    throw;
  }
  FillEntries();
  Change();
}

void TFileListBox::FillEntries() {
  Clear();
  listed_ = true;
  {
    TCursorKeeper cursor;
    // Each entry would land at its sorted place as it is enumerated; inserting
    // one by one costs the control a comparison walk each, so the entries are
    // sorted by the control's own key and appended in one pass instead. The
    // watch still sees where every entry lands, for the hourglass.
    Gathered g;
    TLandingWatch watch(100);
    std::string text;
    for (const std::string& pattern : SplitMask(mask_)) {
      if (pattern.empty()) continue;
      Enumerate(pattern, AttributeWord(fileType_), [&](const char* name, unsigned attrs) {
        if (!ListedEntry(attrs, fileType_)) return;
        TGlyphKind glyph = TGlyphKind::UnknownFile;
        if (attrs & FILE_ATTRIBUTE_DIRECTORY) {
          text = std::string("[") + name + "]";
          glyph = TGlyphKind::ClosedFolder;
        } else {
          text = name;
          glyph = GlyphForFileName(text);
        }
        size_t keyStart = g.keys.size();
        AppendSortKey(text, g.keys);
        g.texts += text;
        g.textEnd.push_back(static_cast<uint32_t>(g.texts.size()));
        g.keyEnd.push_back(static_cast<uint32_t>(g.keys.size()));
        g.glyph.push_back(static_cast<uint8_t>(glyph));
        if (watch.Add(std::string_view(g.keys).substr(keyStart)))
          Application().SetCursor(TCursor::crHourGlass);
      });
    }
    std::vector<uint32_t> order(g.glyph.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(),
                     [&](uint32_t a, uint32_t b) { return g.Key(a) < g.Key(b); });
    RedrawOff redraw(Handle());
    // Straight to the list box's own procedure: these messages need nothing of
    // ours, and a subclassed window costs each message far more than the work.
    HWND w = Handle();
    auto proc = reinterpret_cast<WNDPROC>(GetClassLongPtrA(w, GCLP_WNDPROC));
    CallWindowProcA(proc, w, LB_INITSTORAGE, order.size(), g.texts.size() + order.size());
    for (uint32_t i : order) {
      text = g.Text(i);
      LRESULT at = CallWindowProcA(proc, w, LB_INSERTSTRING, static_cast<WPARAM>(-1),
                                   reinterpret_cast<LPARAM>(text.c_str()));
      if (at < 0) throw EOutOfResources("Unable to insert a line");
      // The blank page, by far the most common, is the data every entry starts with.
      if (g.glyph[i] != static_cast<uint8_t>(TGlyphKind::UnknownFile))
        CallWindowProcA(proc, w, LB_SETITEMDATA, static_cast<WPARAM>(at), g.glyph[i]);
    }
  }
}

void TFileListBox::ReadFolderAgain(const std::string& folder) {
  if (!Handle()) return;
  std::string before = SelectedFilePath();
  std::string name = before.empty() ? std::string() : Item(ItemIndex());
  LRESULT top = SendMessageA(Handle(), LB_GETTOPINDEX, 0, 0);
  std::string full = JoinPath(folder_, folder);
  RequireFolder(full);
  folder_ = full;
  FillEntries();
  SendMessageA(Handle(), LB_SETTOPINDEX, static_cast<WPARAM>(top), 0);
  int at = IndexOf(name);
  if (at < 0 && !name.empty()) at = FindByIdentity(selectedId_);
  if (at >= 0) SetItemIndex(at);
  // The same name may now hold another file (an editor that saves through a
  // temporary one): that counts as a change as well.
  std::string after = SelectedFilePath();
  if (after != before || (!after.empty() && !DiskIdOf(after).SameContent(selectedId_)))
    Change();
  else
    lastReported_ = ItemIndex();
}

// The selected file renamed from outside is followed under its new name; a
// large folder is not searched file by file.
int TFileListBox::FindByIdentity(const TDiskId& id) const {
  int n = Count();
  if (!id.known || n > 2000) return -1;
  int found = -1;
  for (int i = 0; i < n; ++i)
    if (DiskIdOf(FilePath(i)).SameItem(id)) {
      if (!id.byTimes) return i;
      if (found >= 0) return -1;  // named by its times, and not alone in having them
      found = i;
    }
  return found;
}

void TFileListBox::Change() {
  lastReported_ = ItemIndex();
  std::string path = SelectedFilePath();
  selectedId_ = path.empty() ? TDiskId() : DiskIdOf(path);
  if (OnChange) OnChange();
}

void TFileListBox::Click() {
  if (OnClick) OnClick();
  if (ItemIndex() != lastReported_) Change();
}

std::string TFileListBox::TakeCharacter(unsigned char first) {
  std::string ch(1, static_cast<char>(first));
  int need = GetACP() == CP_UTF8 ? Utf8Length(first) : (IsDBCSLeadByte(first) ? 2 : 1);
  // The rest of a multi-byte character follows in the next character messages.
  MSG m;
  while (static_cast<int>(ch.size()) < need &&
         PeekMessageA(&m, Handle(), WM_CHAR, WM_CHAR, PM_REMOVE))
    ch += static_cast<char>(m.wParam & 0xFF);
  return ch;
}

bool TFileListBox::TypeAheadKey(const std::string& ch) {
  const std::string& prefix = typeAhead_.Key(ch, Clock ? Clock() : GetTickCount());
  if (prefix.empty()) {
    SetItemIndex(0);
    Click();
    return false;
  }
  LRESULT found = SendMessageA(Handle(), LB_FINDSTRING, static_cast<WPARAM>(-1),
                               reinterpret_cast<LPARAM>(prefix.c_str()));
  if (found != LB_ERR) {
    SetItemIndex(static_cast<int>(found));
    Click();
  }
  return !(ch == "\b" || ch == "\r" || ch == "\x1b");
}

void TFileListBox::DrawItem(const DRAWITEMSTRUCT& di) {
  HDC dc = di.hDC;
  RECT rc = di.rcItem;
  if (di.itemID == static_cast<UINT>(-1)) {
    if (di.itemState & ODS_FOCUS) DrawFocusRect(dc, &rc);
    return;
  }
  bool selected = di.itemState & ODS_SELECTED;
  FillRect(dc, &rc, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  int textLeft = rc.left + 2;
  HBITMAP glyph = nullptr;
  if (showGlyphs_) {
    ULONG_PTR kind = static_cast<ULONG_PTR>(di.itemData);
    if (kind < 3) glyph = glyphs_[kind];
  }
  BITMAP bm{};
  if (glyph && GetObjectA(glyph, sizeof bm, &bm)) {
    TMemoryDC mem(dc);
    TSelectObject selectGlyph(mem, glyph);
    COLORREF clear = GetPixel(mem, 0, bm.bmHeight - 1);
    TransparentBlt(dc, rc.left + 2, (rc.top + rc.bottom - bm.bmHeight) / 2, bm.bmWidth, bm.bmHeight,
                   mem, 0, 0, bm.bmWidth, bm.bmHeight, clear);
    textLeft = rc.left + bm.bmWidth + 6;
  }
  // Read back as UTF-16 so the name shows whatever the code page.
  LRESULT n = SendMessageW(di.hwndItem, LB_GETTEXTLEN, di.itemID, 0);
  std::wstring text(n > 0 ? static_cast<size_t>(n) + 1 : 1, L'\0');
  n = SendMessageW(di.hwndItem, LB_GETTEXT, di.itemID, reinterpret_cast<LPARAM>(text.data()));
  text.resize(n > 0 ? static_cast<size_t>(n) : 0);
  TSelectObject selectFont(dc, font_);
  int oldMode = SetBkMode(dc, TRANSPARENT);
  COLORREF oldColour =
      SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  ExtTextOutW(dc, textLeft, rc.top, ETO_CLIPPED, &rc, text.c_str(), static_cast<UINT>(text.size()),
              nullptr);
  SetTextColor(dc, oldColour);
  SetBkMode(dc, oldMode);
  if (di.itemState & ODS_FOCUS) DrawFocusRect(dc, &rc);
}

bool TFileListBox::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_SETFONT:
      font_ = reinterpret_cast<HFONT>(wp);
      result = DefaultProc(msg, wp, lp);
      FontChanged();
      return true;
    case WM_CHAR: {
      std::string ch = TakeCharacter(static_cast<unsigned char>(wp & 0xFF));
      if (!TypeAheadKey(ch)) return false;
      result = 0;
      return true;
    }
    default:
      return TControl::HandleMessage(msg, wp, lp, result);
  }
}

bool TFileListBox::HandleReflected(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_COMMAND:
      if (HIWORD(wp) == LBN_SELCHANGE) Click();
      result = 0;
      return true;
    case WM_DRAWITEM:
      DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
      result = TRUE;
      return true;
    case WM_MEASUREITEM:
      reinterpret_cast<MEASUREITEMSTRUCT*>(lp)->itemHeight = static_cast<UINT>(itemHeight_);
      result = TRUE;
      return true;
    default:
      return false;
  }
}

}  // namespace pix
