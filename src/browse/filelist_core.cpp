#include "browse/filelist_core.h"

#include <algorithm>

#include "ui/errors.h"

namespace pix {

std::string IoErrorText(unsigned code) {
  switch (code) {
    case 2:
      return "File not found";
    case 3:
      return "Invalid filename";
    case 4:
      return "Too many open files";
    case 5:
      return "File access denied";
    case 100:
      return "Read beyond end of file";
    case 101:
      return "Disk full";
    case 106:
      return "Invalid numeric input";
    default:
      return Format("I/O error %d", static_cast<int>(code));
  }
}

void RaiseInOutError(unsigned code) {
  throw EInOutError(IoErrorText(code), static_cast<int>(code));
}

std::string PathRoot(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2);
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
    // \\server\share: up to the backslash after the share name.
    size_t server = path.find('\\', 2);
    if (server == std::string::npos) return path;
    size_t share = path.find('\\', server + 1);
    return share == std::string::npos ? path : path.substr(0, share);
  }
  return std::string();
}

namespace {

void Enter(IDirectoryOps& ops, const std::string& dir) {
  if (unsigned code = ops.EnterFolder(dir)) RaiseInOutError(code);
}

// Steps 3 to 7 of the split, which may fail; `drive` and `root` are decided.
void EnterAndSplit(IDirectoryOps& ops, const std::string& root, TPathParts& p) {
  if (!root.empty() && ops.FolderExists(root)) Enter(ops, root);

  size_t sep = p.dir.find_last_of("\\:");
  p.name = sep == std::string::npos ? p.dir : p.dir.substr(sep + 1);

  if (p.dir.size() == p.name.size() + 1) {
    p.dir.assign(1, '\\');
  } else if (p.dir.size() > p.name.size() + 1) {
    p.dir.resize(p.dir.size() - p.name.size() - 1);
  } else {
    std::string cur = ops.CurrentFolder();
    p.dir = cur.substr(PathRoot(cur).size());
    if (p.dir.empty()) p.dir.assign(1, '\\');
  }
  if (!p.dir.empty()) Enter(ops, p.dir);

  if (!p.name.empty() && p.name.find_first_of("*?") == std::string::npos &&
      !ops.FileExists(p.name)) {
    Enter(ops, p.name);
    p.dir = p.dir.size() == 1 ? "\\" + p.name : p.dir + "\\" + p.name;
    p.name.clear();
  }
}

}  // namespace

TPathParts SplitPathText(IDirectoryOps& ops, const std::string& text) {
  const std::string saved = ops.CurrentFolder();
  TPathParts p;
  // A current directory on a network share has no drive letter.
  if (saved.size() >= 2 && saved[1] == ':') p.drive = saved[0];
  std::string root;
  if (text.size() >= 2 && text.front() == '[' && text.back() == ']') {
    p.dir = text.substr(1, text.size() - 2);
  } else {
    root = PathRoot(text);
    p.dir = text.substr(root.size());
    if (root.empty()) root = PathRoot(saved);
    p.drive = root.size() >= 2 && root[1] == ':' ? root[0] : 0;
  }

  std::exception_ptr failure;
  try {
    EnterAndSplit(ops, root, p);
  } catch (...) {
    failure = std::current_exception();
  }
  if (!p.drive) p.dir = root + p.dir;
  if (ops.FolderExists(saved)) ops.EnterFolder(saved);
  if (failure) std::rethrow_exception(failure);
  return p;
}

namespace {

// Drive letters compared without regard to case.
bool SameDrive(const std::string& a, const std::string& b) {
  return a.size() == 2 && b.size() == 2 && a[1] == ':' && b[1] == ':' &&
         (a[0] | 0x20) == (b[0] | 0x20);
}

}  // namespace

// `path` taken from `base` ("C:\x" for "x", "C:\y" for "\y"), its "." and ".."
// parts worked out by hand: the platform's own tidying would also cut the dots
// and spaces that end a name.
std::string JoinPath(const std::string& base, const std::string& path) {
  std::string full;
  // A bare drive is that drive's current folder: the base, when it is on it.
  if (path.size() == 2 && path[1] == ':' && SameDrive(path, PathRoot(base))) {
    full = base;
  } else if (path.size() >= 2 && path[1] == ':') {
    full = path.size() == 2 ? path + "\\" : path;
    if (full[2] != '\\') full = path.substr(0, 2) + "\\" + path.substr(2);
  } else if (path.rfind("\\\\", 0) == 0) {
    full = path;
  } else if (!path.empty() && path[0] == '\\') {
    full = PathRoot(base) + path;
  } else {
    full = base + "\\" + path;
  }
  // Parts after the root: "C:" or "\\server\share" stays as it is.
  std::string root = PathRoot(full);
  std::vector<std::string> parts;
  size_t at = root.size();
  while (at <= full.size()) {
    size_t end = full.find_first_of("\\/", at);
    if (end == std::string::npos) end = full.size();
    std::string part = full.substr(at, end - at);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    at = end + 1;
  }
  std::string out = root;
  for (const std::string& part : parts) out += "\\" + part;
  if (parts.empty()) out += "\\";
  return out;
}

std::vector<std::string> SplitMask(const std::string& mask) {
  std::vector<std::string> out;
  size_t start = 0;
  for (;;) {
    size_t semi = mask.find(';', start);
    out.push_back(mask.substr(start, semi == std::string::npos ? std::string::npos : semi - start));
    if (semi == std::string::npos) break;
    start = semi + 1;
  }
  return out;
}

std::vector<TFilterEntry> ParseFilter(const std::string& filter) {
  std::vector<TFilterEntry> out;
  std::string rest = filter;
  for (size_t bar; (bar = rest.find('|')) != std::string::npos;) {
    TFilterEntry e;
    e.description = rest.substr(0, bar);
    rest.erase(0, bar + 1);
    size_t next = rest.find('|');
    if (next == std::string::npos) {
      e.patterns = rest;
      rest.clear();
    } else {
      e.patterns = rest.substr(0, next);
      rest.erase(0, next + 1);
    }
    out.push_back(std::move(e));
  }
  return out;
}

std::string FilterPatterns(const std::vector<TFilterEntry>& entries, int index) {
  if (entries.empty()) return "*.*";
  if (index < 0 || index >= static_cast<int>(entries.size())) return entries.back().patterns;
  return entries[static_cast<size_t>(index)].patterns;
}

TGlyphKind GlyphForFileName(const std::string& name) {
  size_t dot = name.find_last_of(".\\:");
  if (dot == std::string::npos || name[dot] != '.') return TGlyphKind::UnknownFile;
  std::string ext = name.substr(dot);
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  if (ext == ".exe" || ext == ".com" || ext == ".bat" || ext == ".pif")
    return TGlyphKind::Executable;
  return TGlyphKind::UnknownFile;
}

unsigned AttributeWord(unsigned fileType) {
  return fileType & 0x3F;
}

bool ListedEntry(unsigned attributes, unsigned fileType) {
  unsigned word = AttributeWord(fileType);
  unsigned excluded = (ftHidden | ftSystem | ftVolumeID | ftDirectory) & ~word;
  if (attributes & excluded) return false;
  return (fileType & ftNormal) || (attributes & word);
}

int Utf8Length(unsigned char lead) {
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
  if (lead >= 0xC2) return 2;
  return 1;
}

void TTypeAhead::RemoveLastCharacter() {
  if (buffer_.empty()) return;
  size_t start = 0;
  if (isLead_) {
    // Double-byte text can only be walked from the front.
    for (size_t i = 0; i < buffer_.size();) {
      start = i;
      i += isLead_(static_cast<unsigned char>(buffer_[i])) ? 2 : 1;
    }
  } else {
    start = buffer_.size() - 1;
    while (start > 0 && (static_cast<unsigned char>(buffer_[start]) & 0xC0) == 0x80) --start;
  }
  buffer_.resize(start);
}

const std::string& TTypeAhead::Key(const std::string& ch, uint32_t nowMs) {
  if (!typed_ || nowMs - last_ >= kPauseMs) buffer_.clear();
  typed_ = true;
  last_ = nowMs;
  if (ch == "\b")
    RemoveLastCharacter();
  else
    buffer_ += ch;
  return buffer_;
}

bool TLandingWatch::Add(std::string_view key) {
  // Entries equal to the key were inserted earlier and stay before it.
  size_t at = static_cast<size_t>(
      std::upper_bound(smallest_.begin(), smallest_.end(), key,
                       [](std::string_view k, const std::string& s) { return k < s; }) -
      smallest_.begin());
  bool lands = at == target_;
  if (at <= target_) {
    smallest_.insert(smallest_.begin() + static_cast<std::ptrdiff_t>(at), std::string(key));
    if (smallest_.size() > target_ + 1) smallest_.pop_back();
  }
  return lands;
}

}  // namespace pix
