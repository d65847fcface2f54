#include "browse/shellfolder.h"

#include <optional>
#include <string_view>

#include "browse/shellfolder_core.h"
#include "ui/app.h"
#include "ui/errors.h"
#include "ui/text.h"

namespace pix {

namespace {

TShellFolder* gDesktop = nullptr;

const uint8_t* Bytes(LPCITEMIDLIST id) {
  return reinterpret_cast<const uint8_t*>(id);
}

TItemIdList Allocate(size_t bytes) {
  auto* p = static_cast<LPITEMIDLIST>(CoTaskMemAlloc(bytes));
  if (!p) throw EOutOfMemory();
  return TItemIdList(p);
}

// The text a folder gives an item, in UTF-16: the shell's own wide string is
// read where it lies and freed with this object.
class TNameText {
 public:
  TNameText(IShellFolder* folder, LPCITEMIDLIST id, DWORD flags) {
    s_.uType = STRRET_CSTR;
    if (!folder || FAILED(folder->GetDisplayNameOf(id, flags, &s_))) {
      s_.uType = STRRET_CSTR;
      s_.cStr[0] = 0;
    }
    if (s_.uType == STRRET_WSTR) {
      text_ = s_.pOleStr ? s_.pOleStr : L"";
    } else {
      wide_ = Widen(StrRetText(s_, id));
      text_ = wide_;
    }
  }
  ~TNameText() {
    if (s_.uType == STRRET_WSTR) CoTaskMemFree(s_.pOleStr);
  }
  TNameText(const TNameText&) = delete;
  TNameText& operator=(const TNameText&) = delete;

  std::wstring_view Text() const { return text_; }

 private:
  STRRET s_{};
  std::wstring wide_;
  std::wstring_view text_;
};

// A plain file-system folder made straight from its path, as the shell's own
// binding makes it. That binding first looks for a desktop.ini naming another
// kind of folder, and under Wine looking for a name a big folder lacks reads
// the whole folder. Windows heeds that file only in a folder marked read-only
// or system, and those (and links, junctions, anything not a plain directory)
// are left to the shell. Null when the item is none or the shell refuses.
ComPtr<IShellFolder> PlainFolder(IShellFolder* in, LPCITEMIDLIST rel, LPCITEMIDLIST absolute) {
  ComPtr<IShellFolder> folder;
  WIN32_FIND_DATAW data{};
  const DWORD kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_REPARSE_POINT;
  if (IdListItemCount(rel) != 1 ||
      FAILED(SHGetDataFromIDListW(in, rel, SHGDFIL_FINDDATA, &data, sizeof data)) ||
      !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || (data.dwFileAttributes & kept))
    return folder;
  PERSIST_FOLDER_TARGET_INFO target{};
  TNameText path(in, rel, SHGDN_FORPARSING);
  std::wstring_view text = path.Text();
  if (text.empty() || text.size() >= MAX_PATH) return folder;
  text.copy(target.szTargetParsingName, text.size());
  target.dwAttributes = data.dwFileAttributes;
  target.csidl = -1;
  ComPtr<IPersistFolder3> init;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellFSFolder, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_IPersistFolder3, init.PutVoid())) &&
      SUCCEEDED(init->InitializeEx(nullptr, absolute, &target)))
    init->QueryInterface(IID_IShellFolder, folder.PutVoid());
  return folder;
}

}  // namespace

TItemIdList CopyIdList(LPCITEMIDLIST id) {
  return IdListPrefix(id, SIZE_MAX);
}

TItemIdList JoinIdLists(LPCITEMIDLIST a, LPCITEMIDLIST b) {
  TItemIdList out = Allocate(IdListSize(Bytes(a)) + IdListSize(Bytes(b)) - 2);
  IdListJoin(reinterpret_cast<uint8_t*>(out.Get()), Bytes(a), Bytes(b));
  return out;
}

TItemIdList IdListPrefix(LPCITEMIDLIST id, size_t items) {
  TItemIdList out = Allocate(IdListPrefixBytes(Bytes(id), items) + 2);
  IdListCopyPrefix(reinterpret_cast<uint8_t*>(out.Get()), Bytes(id), items);
  return out;
}

size_t IdListItemCount(LPCITEMIDLIST id) {
  return IdListItems(Bytes(id));
}

std::string StrRetText(STRRET& s, LPCITEMIDLIST id) {
  switch (s.uType) {
    case STRRET_WSTR: {
      std::string text = s.pOleStr ? Narrow(s.pOleStr) : std::string();
      CoTaskMemFree(s.pOleStr);
      s.pOleStr = nullptr;
      return text;
    }
    case STRRET_OFFSET:
      return id ? std::string(reinterpret_cast<const char*>(id) + s.uOffset) : std::string();
    case STRRET_CSTR:
      return std::string(s.cStr, strnlen(s.cStr, sizeof s.cStr));
    default:
      return std::string();
  }
}

std::string DisplayName(IShellFolder* folder, LPCITEMIDLIST id, DWORD flags) {
  std::wstring name;
  AppendDisplayName(folder, id, flags, name);
  return Narrow(name);
}

size_t AppendDisplayName(IShellFolder* folder, LPCITEMIDLIST id, DWORD flags, std::wstring& out) {
  std::optional<TNameText> name(std::in_place, folder, id, flags);
  if (IsClassIdName(name->Text())) name.emplace(folder, id, SHGDN_NORMAL);
  std::wstring_view text = name->Text();
  if (text.starts_with(L'?')) {
    std::wstring clean = CleanDisplayName(std::wstring(text));
    out += clean;
    return clean.size();
  }
  out += text;
  return text.size();
}

TItemIdList ParseName(IShellFolder* in, HWND owner, const std::string& name) {
  TItemIdList id;
  std::wstring w = Widen(name);
  if (!in || w.empty() ||
      FAILED(in->ParseDisplayName(owner, nullptr, w.data(), nullptr, id.Put(), nullptr)))
    id.Reset();
  return id;
}

bool SameFolder(LPCITEMIDLIST a, LPCITEMIDLIST b) {
  if (IdListBytesEqual(Bytes(a), Bytes(b))) return true;
  IShellFolder* desktop = DesktopRecord().Folder();
  return desktop && desktop->CompareIDs(0, a, b) == S_OK;
}

TShellFolder::TShellFolder(TShellFolder* parent, TItemIdList relative, ComPtr<IShellFolder> folder)
    : parent_(parent ? parent : &DesktopRecord()),
      relative_(std::move(relative)),
      folder_(std::move(folder)),
      bound_(static_cast<bool>(folder_)),
      level_(parent ? parent->level_ + 1 : 0) {}

LPCITEMIDLIST TShellFolder::AbsoluteId() const {
  if (!absolute_) absolute_ = JoinIdLists(parent_->AbsoluteId(), relative_.Get());
  return absolute_.Get();
}

IShellFolder* TShellFolder::ParentFolder() const {
  return parent_ ? parent_->Folder() : nullptr;
}

IShellFolder* TShellFolder::Folder() const {
  if (bound_ || !parent_) return folder_.Get();
  bound_ = true;
  IShellFolder* in = parent_->Folder();
  HWND owner = Application().MainWindow();
  LPCITEMIDLIST rel = relative_.Get();
  if (in && (folder_ = PlainFolder(in, rel, AbsoluteId()))) return folder_.Get();
  if (in && SUCCEEDED(in->BindToObject(rel, nullptr, IID_IShellFolder, folder_.PutVoid())) &&
      folder_)
    return folder_.Get();
  if (in &&
      SUCCEEDED(in->GetUIObjectOf(owner, 1, &rel, IID_IShellFolder, nullptr, folder_.PutVoid())) &&
      folder_)
    return folder_.Get();
  if (in && SUCCEEDED(in->CreateViewObject(owner, IID_IShellFolder, folder_.PutVoid())) && folder_)
    return folder_.Get();
  IShellFolder* desktop = DesktopRecord().Folder();
  if (desktop &&
      FAILED(desktop->BindToObject(AbsoluteId(), nullptr, IID_IShellFolder, folder_.PutVoid())))
    folder_.Reset();
  return folder_.Get();
}

SFGAOF TShellFolder::Attributes(SFGAOF mask) const {
  IShellFolder* in = ParentFolder();
  LPCITEMIDLIST rel = relative_.Get();
  // A root given by path is several items below the desktop, which answers
  // only for its own children: ask the folder the item really lies in.
  ComPtr<IShellFolder> owner;
  if (IdListItemCount(rel) > 1) {
    in = SUCCEEDED(SHBindToParent(AbsoluteId(), IID_IShellFolder, owner.PutVoid(), &rel))
             ? owner.Get()
             : nullptr;
  }
  SFGAOF a = mask;
  if (!in || FAILED(in->GetAttributesOf(1, &rel, &a))) return 0;
  return a & mask;
}

std::string TShellFolder::InFolderName() const {
  return DisplayName(ParentFolder(), relative_.Get(), SHGDN_INFOLDER);
}

std::string TShellFolder::Path() const {
  return DisplayName(DesktopRecord().Folder(), AbsoluteId(), SHGDN_FORPARSING);
}

namespace {

bool OnDisk(const std::string& path) {
  return !path.empty() && GetFileAttributesW(PlatformPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The desktop's own folder refuses renames under Wine: the file-system folder
// that holds the item renames it instead, told the item by its id (a name
// could meanwhile stand for another folder).
bool RenameInHolder(HWND owner, const std::string& path, LPCITEMIDLIST item,
                    const std::wstring& name) {
  std::string holderPath = ContainingFolder(path);
  // "C:\" keeps its own.
  if (holderPath.size() > 3 && holderPath.back() == '\\') holderPath.pop_back();
  IShellFolder* desktop = DesktopRecord().Folder();
  TItemIdList holderId = ParseName(desktop, owner, holderPath);
  ComPtr<IShellFolder> holder;
  if (!holderId ||
      FAILED(desktop->BindToObject(holderId.Get(), nullptr, IID_IShellFolder, holder.PutVoid())) ||
      !holder)
    return false;
  TItemIdList renamed;
  return SUCCEEDED(holder->SetNameOf(owner, item, name.c_str(), SHGDN_NORMAL, renamed.Put()));
}

}  // namespace

TShellFolder::TRename TShellFolder::Rename(HWND owner, const std::string& path,
                                           const std::string& name) {
  IShellFolder* in = ParentFolder();
  std::wstring wide = Widen(name);
  if (!in || wide.empty()) return TRename::Refused;
  std::string target = ContainingFolder(path) + name;
  TItemIdList renamed;
  HRESULT hr = in->SetNameOf(owner, relative_.Get(), wide.c_str(), SHGDN_NORMAL, renamed.Put());
  if (FAILED(hr)) {
    renamed.Reset();
    // A failure that renamed all the same counts as what it is.
    bool done = RenameInHolder(owner, path, ILFindLastID(AbsoluteId()), wide) ||
                (!OnDisk(path) && OnDisk(target));
    if (!done) return TRename::Refused;
  }
  if (!renamed) renamed = ParseName(in, owner, name);
  if (!renamed) return TRename::RenamedUnknownId;
  relative_ = std::move(renamed);
  Rebase();
  return TRename::Renamed;
}

void TShellFolder::Rebase() {
  absolute_.Reset();
  folder_.Reset();  // bound to the old name
  bound_ = false;
}

TShellSession::TShellSession() {
  desktop_.reset(new TShellFolder());
  desktop_->bound_ = true;
  if (FAILED(SHGetDesktopFolder(desktop_->folder_.Put())))
    throw Exception("The shell's desktop folder is not available");
  desktop_->relative_ = IdListPrefix(nullptr, 0);
  desktop_->absolute_ = IdListPrefix(nullptr, 0);
  gDesktop = desktop_.get();
}

TShellSession::~TShellSession() {
  if (gDesktop == desktop_.get()) gDesktop = nullptr;
  desktop_.reset();  // before the object services shut down
}

TShellFolder& DesktopRecord() {
  if (!gDesktop) throw Exception("No shell session is open");
  return *gDesktop;
}

}  // namespace pix
