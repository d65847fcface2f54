// The folder tree keeping its selected folder current, on the real shell
// namespace under Wine: changes in the watched folder rebuild its node with the
// branch's expansion kept, a discarded watcher stays silent, bursts cost a few
// refreshes, renaming by label and the shell's context menu.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <atomic>
#include <functional>
#include <utility>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "app/MainUnit.h"
#include "browse/shellfolder_core.h"
#include "folders.h"
#include "testutil.h"
#include "ui/app.h"
#include "ui/form.h"

namespace pix {
namespace {

using pixtest::Child;
using pixtest::DesktopFolder;
using pixtest::Labels;
using pixtest::Pump;
using pixtest::Settle;
using pixtest::RemoveTree;

void Touch(const std::string& path) {
  CloseHandle(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
}

bool IsFolder(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// One step of a poll: what is queued, through the program's own loop (the
// tree acts on its timers, which Settle leaves), then a wait for the next
// message of at most 10 ms.
void PollStep() {
  Application().ProcessMessages();
  MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
}

// Pumps messages until `done` holds; false after `ms` without it.
template <class F>
bool WaitUntil(F done, int ms = 10000) {
  for (DWORD start = GetTickCount(); !done();) {
    if (GetTickCount() - start > static_cast<DWORD>(ms)) return false;
    PollStep();
  }
  return true;
}

// Waits for `done` after a change in `folder`. A new watcher's thread arms its
// wait a moment after the selection; a change before that goes unseen, so a
// file is added now and then until `done` holds.
template <class F>
bool AfterChange(const std::string& folder, F done) {
  for (int i = 0; i < 30; ++i) {
    if (WaitUntil(done, 300)) return true;
    CloseHandle(CreateFileA((folder + "\\nudge" + std::to_string(i)).c_str(), GENERIC_WRITE, 0,
                            nullptr, CREATE_ALWAYS, 0, nullptr));
  }
  return false;
}

// The platform's own count of this process's threads.
int ProcessThreads() {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 te{};
  te.dwSize = sizeof te;
  int n = 0;
  for (BOOL ok = Thread32First(snap, &te); ok; ok = Thread32Next(snap, &te))
    if (te.th32OwnerProcessID == GetCurrentProcessId()) ++n;
  CloseHandle(snap);
  return n;
}

// The handles this process holds, from the system's handle table (Wine does
// not answer the per-process count).
int ProcessHandles() {
  struct Entry {
    ULONG process;
    UCHAR type, flags;
    USHORT handle;
    PVOID object;
    ACCESS_MASK access;
  };
  using Query = LONG(WINAPI*)(int, PVOID, ULONG, PULONG);
  auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
  std::vector<char> buffer(1 << 20);
  ULONG got = 0;
  while (query && query(16, buffer.data(), static_cast<ULONG>(buffer.size()), &got) ==
                      static_cast<LONG>(0xC0000004))  // too small
    buffer.resize(buffer.size() * 2);
  if (!query || buffer.size() < sizeof(ULONG)) return 0;
  ULONG count = *reinterpret_cast<ULONG*>(buffer.data());
  auto* entries = reinterpret_cast<Entry*>(buffer.data() + sizeof(void*));
  int mine = 0;
  for (ULONG i = 0; i < count; ++i)
    if (entries[i].process == GetCurrentProcessId()) ++mine;
  return mine;
}

int CountNodes(const TShellTreeView& t, HTREEITEM n) {
  int count = 0;
  for (; n; n = t.Nodes().NextSibling(n)) count += 1 + CountNodes(t, t.Nodes().FirstChild(n));
  return count;
}

// The main window on a desktop with Watched\Sub\Deep and Other.
class Watcher : public testing::Test {
 protected:
  void SetUp() override {
    if (!getenv("PIX_WINENV")) GTEST_SKIP() << "needs the test run's own Wine prefix";
    desk = DesktopFolder();
    watched = desk + "\\Watched";
    other = desk + "\\Other";
    for (const std::string& d : {watched, watched + "\\Sub", watched + "\\Sub\\Deep", other})
      CreateDirectoryA(d.c_str(), nullptr);
    Application().SetTitle("Pixlumen");
    fm = std::make_unique<TfmMain>();
    fm->Create();
    ShowWindow(fm->Handle(), SW_SHOWNORMAL);
    Settle();
    Application().MessageBoxHook = [this](const std::string& text, const std::string&) {
      errors.push_back(text);
    };
  }
  void TearDown() override {
    fm.reset();
    TShellChangeNotifier::RearmHook = nullptr;
    Application().MessageBoxHook = nullptr;
    SetCurrentDirectoryA("C:\\");
    for (const std::string& d : {watched, other, desk + "\\Moved"}) RemoveTree(d);
  }
  TShellTreeView& Tree() { return fm->shTree; }
  HTREEITEM Desk(const std::string& label) { return Child(Tree(), Tree().Nodes().Root(), label); }
  // As a click would: the control changes its selection itself.
  void UserSelect(HTREEITEM node) {
    SendMessageA(Tree().Handle(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(node));
    ASSERT_EQ(Tree().Nodes().Selected(), node);
  }
  // Waits for the refreshes to settle: none for a while after the last.
  void Settle() {
    int seen = -1;
    while (seen != Tree().Refreshes()) {
      seen = Tree().Refreshes();
      WaitUntil([&] { return Tree().Refreshes() != seen; }, 600);
    }
  }

  std::string desk, watched, other;
  std::unique_ptr<TfmMain> fm;
  std::vector<std::string> errors;
};

TEST_F(Watcher, ANewSubFolderAppearsWithTheBranchExpansionKept) {
  TShellTreeView& t = Tree();
  UserSelect(Desk("Watched"));
  t.Expand(t.Nodes().Selected());
  t.Expand(Child(t, t.Nodes().Selected(), "Sub"));
  int before = t.Refreshes();
  CreateDirectoryA((watched + "\\New").c_str(), nullptr);
  ASSERT_TRUE(AfterChange(watched, [&] { return Child(t, t.Nodes().Selected(), "New"); }));
  EXPECT_GT(t.Refreshes(), before);
  HTREEITEM node = t.Nodes().Selected();
  EXPECT_EQ(t.Nodes().Label(node), "Watched");
  EXPECT_TRUE(t.Nodes().Expanded(node));
  HTREEITEM sub = Child(t, node, "Sub");
  ASSERT_TRUE(sub);
  EXPECT_TRUE(t.Nodes().Expanded(sub));
  EXPECT_TRUE(Child(t, sub, "Deep"));
  EXPECT_EQ(t.CurrentFolderPath(), watched);
  // The user goes on into the new folder: its own watcher sees its first file,
  // a file's name being watched as well as a folder's.
  Settle();
  UserSelect(Child(t, t.Nodes().Selected(), "New"));
  before = t.Refreshes();
  Touch(watched + "\\New\\x.bmp");
  EXPECT_TRUE(AfterChange(watched + "\\New", [&] { return t.Refreshes() > before; }));
  EXPECT_EQ(t.CurrentFolderPath(), watched + "\\New");
}

TEST_F(Watcher, ASwitchEndsTheOldWatcherWhoseFolderThenRefreshesNothing) {
  TShellTreeView& t = Tree();
  UserSelect(Desk("Watched"));
  ASSERT_TRUE(WaitUntil([] { return TShellChangeNotifier::LiveThreads() == 1; }));
  int threads = ProcessThreads();
  UserSelect(Desk("Other"));
  // One watcher live at a time: the old thread has ended, not just been told to.
  EXPECT_TRUE(WaitUntil([&] { return ProcessThreads() == threads; }));
  EXPECT_EQ(TShellChangeNotifier::LiveThreads(), 1);
  // The new watcher is armed once it has seen a change.
  int before = t.Refreshes();
  ASSERT_TRUE(AfterChange(other, [&] { return t.Refreshes() > before; }));
  Settle();
  before = t.Refreshes();
  CreateDirectoryA((watched + "\\Unseen").c_str(), nullptr);
  CreateDirectoryA((other + "\\Seen").c_str(), nullptr);
  ASSERT_TRUE(WaitUntil([&] { return Child(t, t.Nodes().Selected(), "Seen"); }));
  Settle();
  EXPECT_EQ(t.Refreshes(), before + 1);
  EXPECT_EQ(t.CurrentFolderPath(), other);
}

TEST_F(Watcher, AVirtualFolderIsWatchedSilentlyAndLeftAtOnce) {
  TShellTreeView& t = Tree();
  UserSelect(Desk("Watched"));
  ASSERT_TRUE(WaitUntil([] { return TShellChangeNotifier::LiveThreads() == 1; }));
  int threads = ProcessThreads();
  UserSelect(Desk("My Computer"));  // no change wait can be opened on its name
  EXPECT_TRUE(WaitUntil([&] { return ProcessThreads() == threads; }));
  EXPECT_EQ(TShellChangeNotifier::LiveThreads(), 1);
  int before = t.Refreshes();
  UserSelect(Desk("Other"));
  EXPECT_TRUE(WaitUntil([&] { return ProcessThreads() == threads; }));
  EXPECT_EQ(TShellChangeNotifier::LiveThreads(), 1);
  EXPECT_EQ(t.Refreshes(), before);
}

TEST_F(Watcher, ABurstOfAThousandFilesCostsAFewRefreshes) {
  TShellTreeView& t = Tree();
  UserSelect(Desk("Watched"));
  int before = t.Refreshes();
  std::atomic<bool> done{false};
  DWORD start = GetTickCount();
  std::thread writer([&] {
    for (int i = 0; i < 1000; ++i) Touch(watched + "\\f" + std::to_string(i) + ".bmp");
    done = true;
  });
  // The window keeps answering while the files arrive.
  int answered = 0;
  while (!done) {
    DWORD_PTR r = 0;
    if (SendMessageTimeoutA(t.Handle(), TVM_GETCOUNT, 0, 0, SMTO_NORMAL, 5000, &r)) ++answered;
    PollStep();
  }
  writer.join();
  DWORD elapsed = GetTickCount() - start;
  ASSERT_TRUE(WaitUntil([&] { return t.Refreshes() > before; }));
  Settle();
  int refreshes = t.Refreshes() - before;
  RecordProperty("refreshes", refreshes);
  RecordProperty("burst_ms", static_cast<int>(elapsed));
  // One per gathering period at most, plus the last one and its neighbour.
  EXPECT_LE(refreshes, 2 + static_cast<int>(elapsed / t.WatchTiming.MaxDelayMs) + 1)
      << "in " << elapsed << " ms";
  EXPECT_GT(answered, 0);
}

TEST_F(Watcher, ThousandSwitchesUnderChangesLeaveNothingBehind) {
  TShellTreeView& t = Tree();
  HTREEITEM a = Desk("Watched"), b = Desk("Other");
  UserSelect(a);
  ASSERT_TRUE(WaitUntil([] { return TShellChangeNotifier::LiveThreads() == 1; }));
  // Deliberately idle: the counts below are taken once nothing more happens
  // after the first selection (the tree's first timed work has run).
  Pump(100);
  int threads = ProcessThreads(), handles = ProcessHandles();
  ASSERT_GT(handles, 0) << "the platform counts no handles";
  int nodes = CountNodes(t, t.Nodes().Root());
  std::atomic<bool> stop{false};
  std::thread churn([&] {
    for (int i = 0; !stop; ++i) {
      std::string f = (i % 2 ? watched : other) + "\\c" + std::to_string(i % 7) + ".bmp";
      Touch(f);
      DeleteFileA(f.c_str());
    }
  });
  for (int i = 0; i < 1000; ++i) {
    // Refreshes replace the nodes: always the current ones by name.
    a = Desk("Watched");
    b = Desk("Other");
    SendMessageA(t.Handle(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(i % 2 ? a : b));
    Pump(0);  // what the switch queued, no wait
  }
  UserSelect(Desk("Watched"));
  // The churn's own thread is the one more.
  EXPECT_TRUE(WaitUntil([&] { return ProcessThreads() == threads + 1; }))
      << ProcessThreads() << " threads, " << threads << " before";
  EXPECT_EQ(TShellChangeNotifier::LiveThreads(), 1);
  EXPECT_EQ(CountNodes(t, t.Nodes().Root()), nodes);
  // Closing in the middle of it: the watcher's thread ends, nothing waits.
  fm.reset();
  EXPECT_TRUE(WaitUntil([] { return TShellChangeNotifier::LiveThreads() == 0; }));
  stop = true;
  churn.join();
  EXPECT_TRUE(WaitUntil([&] { return ProcessThreads() == threads - 1; }));
  EXPECT_LE(ProcessHandles(), handles + 2) << handles << " handles before";
}

TEST_F(Watcher, ClosingWhileAHandOverWaitsEndsCleanly) {
  TShellTreeView& t = Tree();
  UserSelect(Desk("Watched"));
  // The change is seen and handed over, but nothing runs the hand-over.
  int handed = TShellChangeNotifier::HandedCalls();
  // Messages are not pumped here: the hand-over stays queued. The thread may
  // not have armed its wait yet, so changes go on until one is seen.
  for (int i = 0; Application().PendingSynchronize() == 0 && i < 2000; ++i) {
    if (i % 40 == 0) CreateDirectoryA((watched + "\\Pending" + std::to_string(i)).c_str(), nullptr);
    Sleep(5);
  }
  ASSERT_EQ(Application().PendingSynchronize(), 1u);
  EXPECT_EQ(t.Refreshes(), 0);
  fm.reset();  // the tree and its watcher go while the thread waits for us
  EXPECT_TRUE(WaitUntil([] { return TShellChangeNotifier::LiveThreads() == 0; }));
  // A late hand-over would arrive now: 50 ms, cut short only by one (the fault).
  WaitUntil([&] { return TShellChangeNotifier::HandedCalls() != handed; }, 50);
  EXPECT_EQ(TShellChangeNotifier::HandedCalls(), handed);
  EXPECT_EQ(Application().PendingSynchronize(), 0u);
}

// Renaming by label: what reaches the disk, the node and the error report.
// What Windows does once a watched folder is deleted: its wait can't be re-armed.
bool RefuseOwnRearm(HANDLE wait, bool own) {
  return !own && FindNextChangeNotification(wait);
}

// A thread that ended on a refused re-arm left the tree on a vanished folder
// and saw nothing more. (Refused here for every change: a folder still there
// is watched anew.)
TEST_F(Watcher, ARefusedRearmIsAChangeAndTheWatchGoesOn) {
  TShellTreeView& t = Tree();
  TShellChangeNotifier::RearmHook = RefuseOwnRearm;
  UserSelect(Desk("Watched"));
  t.Expand(Desk("Watched"));
  UserSelect(Child(t, Desk("Watched"), "Sub"));
  int before = t.Refreshes();
  ASSERT_TRUE(AfterChange(watched + "\\Sub", [&] { return t.Refreshes() > before; }));
  Settle();
  RemoveTree(watched + "\\Sub");  // Deep first: seen by the wait on Sub
  ASSERT_TRUE(WaitUntil([&] { return t.CurrentFolderPath() == watched; }));
  EXPECT_FALSE(IsFolder(watched + "\\Sub"));  // its delete completed once the wait closed
  // The nearest folder's watch goes on after each refused re-arm.
  for (const char* name : {"A", "B"}) {
    CreateDirectoryA((watched + "\\" + name).c_str(), nullptr);
    EXPECT_TRUE(AfterChange(watched, [&] { return Child(t, t.Nodes().Selected(), name); }))
        << name;
    Settle();
  }
}

// Windows refuses to rename a folder a watch holds open: the tree's own rename
// closes the watches on it and below before, not some time after.
TEST_F(Watcher, ItsOwnRenameClosesTheWatchesFirst) {
  TShellTreeView& t = Tree();
  UserSelect(Desk("Watched"));
  t.Expand(Desk("Watched"));
  UserSelect(Child(t, Desk("Watched"), "Sub"));
  // The desktop's, Watched's and Sub's.
  ASSERT_TRUE(WaitUntil([] { return TShellChangeNotifier::OpenWaits() == 3; }));
  int open = -1;
  t.BeforeRenameHook = [&](const std::string&) { open = TShellChangeNotifier::OpenWaits(); };
  HWND edit = reinterpret_cast<HWND>(
      SendMessageA(t.Handle(), TVM_EDITLABELA, 0, reinterpret_cast<LPARAM>(Desk("Watched"))));
  ASSERT_TRUE(edit);
  SetWindowTextA(edit, "Moved");
  SendMessageA(t.Handle(), TVM_ENDEDITLABELNOW, FALSE, 0);
  EXPECT_EQ(open, 0);
  EXPECT_TRUE(IsFolder(desk + "\\Moved\\Sub"));
  EXPECT_TRUE(WaitUntil([&] { return t.CurrentFolderPath() == desk + "\\Moved\\Sub"; }));
  EXPECT_TRUE(WaitUntil([] { return TShellChangeNotifier::OpenWaits() == 3; }));
}

TEST_F(Watcher, RenamingByLabel) {
  struct Case {
    const char* in;  // the folder holding the node: "" for the tree's root itself
    const char* node;
    const char* typed;
    const char* label;  // afterwards
    const char* error;
  } cases[] = {
      {"Watched", "Sub", "Renamed", "Renamed", ""},
      {"", "Other", "Moved", "Moved", ""},  // straight below the desktop
      {"Watched", "Sub", "..\\Other", "Sub", "Rename to ..\\Other failed."},  // refused
      {"", "Desktop", "Mine", "Desktop", ""},                                 // may not be renamed
  };
  TShellTreeView& t = Tree();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    errors.clear();
    std::string in = *c.in ? desk + "\\" + c.in : desk;
    auto parent = [&] { return *c.in ? Desk(c.in) : t.Nodes().Root(); };
    UserSelect(parent());
    Settle();
    t.Expand(t.Nodes().Selected());
    HTREEITEM node = std::string(c.node) == "Desktop" ? t.Nodes().Root() : Child(t, parent(), c.node);
    ASSERT_TRUE(node);
    HWND edit = reinterpret_cast<HWND>(
        SendMessageA(t.Handle(), TVM_EDITLABELA, 0, reinterpret_cast<LPARAM>(node)));
    ASSERT_TRUE(edit);
    SetWindowTextA(edit, c.typed);
    SendMessageA(t.Handle(), TVM_ENDEDITLABELNOW, FALSE, 0);
    EXPECT_EQ(t.Nodes().Label(node), c.label);
    EXPECT_EQ(errors, std::string(c.error).empty() ? std::vector<std::string>{}
                                                   : std::vector<std::string>{c.error});
    if (std::string(c.label) != c.typed || std::string(c.typed) == c.node) continue;
    EXPECT_EQ(t.Record(node)->Path(), in + "\\" + c.typed);
    EXPECT_TRUE(IsFolder(in + "\\" + c.typed));
    EXPECT_FALSE(IsFolder(in + "\\" + c.node));
    // The renamed folder opens as itself, with its own content.
    ASSERT_TRUE(WaitUntil([&] { return Child(t, parent(), c.typed); }));
    Settle();
    UserSelect(Child(t, parent(), c.typed));
    EXPECT_EQ(t.CurrentFolderPath(), in + "\\" + c.typed);
    // Back, while the folder that holds it is watched.
    UserSelect(parent());
    Settle();
    MoveFileA((in + "\\" + c.typed).c_str(), (in + "\\" + c.node).c_str());
    ASSERT_TRUE(WaitUntil([&] { return Child(t, parent(), c.node); }));
    Settle();
  }
  EXPECT_TRUE(IsFolder(other));
}

// The menu's own window, read and closed while it is shown.
struct MenuSeen {
  std::vector<std::string> items;
  std::string pick;  // chosen by its text, or the menu is cancelled
};
MenuSeen* gMenu = nullptr;

void CALLBACK ReadMenu(HWND, UINT, UINT_PTR id, DWORD) {
  HWND wnd = FindWindowA("#32768", nullptr);
  auto menu = wnd ? reinterpret_cast<HMENU>(SendMessageA(wnd, MN_GETHMENU, 0, 0)) : nullptr;
  if (!menu) return;  // not shown yet
  KillTimer(nullptr, id);
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    char text[128] = {};
    GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
    gMenu->items.push_back(text);
  }
  // The keyboard's way: the item's underlined letter.
  for (const std::string& item : gMenu->items)
    if (item == gMenu->pick) {
      PostMessageA(wnd, WM_CHAR, static_cast<WPARAM>(item[item.find('&') + 1]), 0);
      return;
    }
  EndMenu();
}

TEST_F(Watcher, ARightClickShowsThatFoldersMenuAndRenameEditsItsLabel) {
  TShellTreeView& t = Tree();
  UserSelect(Desk("Watched"));
  Settle();
  t.Expand(t.Nodes().Selected());
  HTREEITEM sub = Child(t, t.Nodes().Selected(), "Sub");
  ASSERT_TRUE(sub);
  MenuSeen seen;
  seen.pick = "&Rename";
  gMenu = &seen;
  SetTimer(nullptr, 0, 50, ReadMenu);
  RECT r{};
  std::memcpy(&r, &sub, sizeof sub);
  SendMessageA(t.Handle(), TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r));
  LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  PostMessageA(t.Handle(), WM_RBUTTONDOWN, MK_RBUTTON, at);
  PostMessageA(t.Handle(), WM_RBUTTONUP, 0, at);
  HWND edit = nullptr;
  ASSERT_TRUE(WaitUntil([&] {
    edit = reinterpret_cast<HWND>(SendMessageA(t.Handle(), TVM_GETEDITCONTROL, 0, 0));
    return edit != nullptr;
  })) << "menu items seen: "
      << testing::PrintToString(seen.items);
  gMenu = nullptr;
  EXPECT_FALSE(seen.items.empty());
  char text[64] = {};
  GetWindowTextA(edit, text, sizeof text);
  EXPECT_STREQ(text, "Sub");                  // the folder under the mouse
  EXPECT_EQ(t.CurrentFolderPath(), watched);  // the selection stayed
  SendMessageA(t.Handle(), TVM_ENDEDITLABELNOW, TRUE, 0);
}

// A tree whose enumeration stands in for a prompt of the shell, whose message
// loop runs whatever is handed over meanwhile.
class PromptingTree : public TShellTreeView {
public:
  std::function<void()> Prompt;

protected:
  HRESULT EnumFolders(IShellFolder* folder, IEnumIDList** items) override {
    if (auto prompt = std::exchange(Prompt, nullptr)) prompt();
    return TShellTreeView::EnumFolders(folder, items);
  }
};


// A change in `folder` handed over to this thread, the messages pumped as a
// prompt's or a menu's loop would.
bool HandOverNow(const std::string& folder) {
  int handed = TShellChangeNotifier::HandedCalls();
  return AfterChange(folder, [&] { return TShellChangeNotifier::HandedCalls() > handed; });
}

std::function<void()> gInMenu;
void CALLBACK RunInMenu(HWND, UINT, UINT_PTR id, DWORD) {
  HWND wnd = FindWindowA("#32768", nullptr);
  if (!wnd || !IsWindowVisible(wnd)) return;
  KillTimer(nullptr, id);
  gInMenu();
  PostMessageA(wnd, WM_CHAR, 'R', 0);  // Rename
}

// The watcher's hand-over may come in any message loop: while the selected
// node is filled (a prompt of the shell) and while the context menu is open.
// The refresh waits until they are over, runs once, and frees no record
// that the interrupted code still holds.
TEST_F(Watcher, RefreshesWaitForTheFillingAndTheMenuTheyWouldInterrupt) {
  pixtest::HostForm host;
  host.Make();
  PromptingTree t;
  t.Create(host.Handle(), {.bounds = {0, 0, 280, 380}});
  t.SetRoot("rfDesktop");
  HTREEITEM node = Child(t, t.Nodes().Root(), "Watched");
  SendMessageA(t.Handle(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(node));
  TShellFolder* record = t.Record(node);
  int before = t.Refreshes();
  bool handed = false;
  t.Prompt = [&] {
    handed = HandOverNow(watched);
    EXPECT_EQ(t.Refreshes(), before) << "a refresh ran inside the filling";
  };
  t.Expand(node);
  EXPECT_TRUE(handed);
  EXPECT_EQ(t.Record(node), record);
  EXPECT_TRUE(WaitUntil([&] { return t.Refreshes() == before + 1; }));
  Pump(600);  // deliberately idle: a second refresh would have come by now
  EXPECT_EQ(t.Refreshes(), before + 1);
  EXPECT_EQ(Labels(t, node), std::vector<std::string>{"Sub"});

  // The menu of Sub, a child of the watched folder; its Rename is chosen.
  HTREEITEM sub = Child(t, node, "Sub");
  ASSERT_TRUE(sub);
  record = t.Record(sub);
  before = t.Refreshes();
  handed = false;
  gInMenu = [&] {
    handed = HandOverNow(watched);
    EXPECT_EQ(t.Refreshes(), before) << "a refresh ran inside the menu";
  };
  SetTimer(nullptr, 0, 50, RunInMenu);
  t.ShowContextMenu(sub, {100, 100});
  EXPECT_TRUE(handed);
  ASSERT_EQ(t.Record(sub), record);
  auto edit = reinterpret_cast<HWND>(SendMessageA(t.Handle(), TVM_GETEDITCONTROL, 0, 0));
  ASSERT_TRUE(edit) << "the verb did not reach its node";
  Pump(300);  // deliberately idle: a refresh held back by the edit would run now
  EXPECT_EQ(t.Refreshes(), before) << "a refresh ran while the label is edited";
  SendMessageA(t.Handle(), TVM_ENDEDITLABELNOW, TRUE, 0);
  EXPECT_TRUE(WaitUntil([&] { return t.Refreshes() == before + 1; }));
  Pump(600);  // deliberately idle: a second refresh would have come by now
  EXPECT_EQ(t.Refreshes(), before + 1);
  EXPECT_EQ(t.Nodes().Selected(), node);
}

// A slow second click on the selected label edits it, but not once the keys
// have moved the selection on before the edit's timer fired.
TEST_F(Watcher, KeysAfterASlowClickStartNoEdit) {
  TShellTreeView& t = Tree();
  UserSelect(Desk("Watched"));
  SetFocus(t.Handle());
  RECT r{};
  HTREEITEM node = t.Nodes().Selected();
  std::memcpy(&r, &node, sizeof node);
  SendMessageA(t.Handle(), TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r));
  LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  PostMessageA(t.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(t.Handle(), WM_LBUTTONUP, 0, at);
  // The user's pause between the click and the keys is the case tried here,
  // not a wait for a result: the control's own timers act on the click meanwhile.
  Pump(20);
  PostMessageA(t.Handle(), WM_KEYDOWN, VK_UP, 1);
  PostMessageA(t.Handle(), WM_KEYUP, VK_UP, 0xC0000001);
  Pump(GetDoubleClickTime() + 300);  // deliberately idle: past the label editor's timer
  EXPECT_NE(t.Nodes().Selected(), node);
  EXPECT_FALSE(SendMessageA(t.Handle(), TVM_GETEDITCONTROL, 0, 0));
}

}  // namespace
}  // namespace pix
