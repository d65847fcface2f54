// The process-wide list of picture formats, the open dialog's filter text, and
// loading a file into a picture holder by its extension.
#include <memory>
#include <vector>

#include "pictures/bitmap.h"
#include "pictures/graphic.h"
#include "pictures/icon.h"
#include "pictures/metafile.h"
#include "ui/errors.h"
#include "ui/handles.h"

namespace pix {

namespace {

struct TFileFormat {
  std::string extension;  // lower case
  std::string description;
  const TGraphicClass* kind;
};

std::string Lower(std::string s) {
  if (!s.empty()) CharLowerBuffA(s.data(), static_cast<DWORD>(s.size()));
  return s;
}

class TFileFormatsList {
 public:
  TFileFormatsList() {
    const TFormatTexts& texts = FormatTexts();
    Add("wmf", texts.metafiles, TMetafileKind);
    Add("emf", texts.enhancedMetafiles, TMetafileKind);
    Add("ico", texts.icons, TIconKind);
    Add("bmp", texts.bitmaps, TBitmapKind);
  }
  void Add(const std::string& ext, const std::string& description, const TGraphicClass& kind) {
    entries_.push_back({Lower(ext), description, &kind});
  }
  const TGraphicClass* Find(const std::string& ext) const {
    std::string lowered = Lower(ext);
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it)
      if (it->extension == lowered) return it->kind;
    return nullptr;
  }
  void Remove(const TGraphicClass& kind) {
    for (size_t i = entries_.size(); i-- > 0;)
      if (entries_[i].kind->InheritsFrom(kind)) entries_.erase(entries_.begin() + long(i));
  }
  const std::vector<TFileFormat>& Entries() const { return entries_; }

 private:
  std::vector<TFileFormat> entries_;
};

// Created on first use; freed at process end. Anything that runs after that
// (a late shutdown step) finds no list instead of a destroyed one.
TFileFormatsList* g_formats = nullptr;
struct FormatsOwner {
  ~FormatsOwner() {
    delete g_formats;
    g_formats = nullptr;
  }
} g_formatsOwner;

TFileFormatsList& FileFormats() {
  if (!g_formats) g_formats = new TFileFormatsList;
  return *g_formats;
}

}  // namespace

TFormatTexts& FormatTexts() {
  static TFormatTexts texts;
  return texts;
}

// Multi-byte characters are stepped over whole so a trail byte never counts.
std::string ExtensionOf(const std::string& fileName) {
  const char* start = fileName.c_str();
  const char* last = nullptr;
  for (const char* p = start; *p; p = CharNextA(p))
    if (*p == '.' || *p == '\\' || *p == ':') last = p;
  return last && *last == '.' ? std::string(last + 1) : std::string();
}

void AddPictureFormat(const std::string& extension, const std::string& description,
                      const TGraphicClass& kind) {
  FileFormats().Add(extension, description, kind);
}

const TGraphicClass* FindPictureKind(const std::string& extension) {
  return FileFormats().Find(extension);
}

void RemovePictureFormats(const TGraphicClass& kind) {
  if (g_formats) g_formats->Remove(kind);
}

std::string BuildPictureFilter(const TGraphicClass& kind) {
  std::string descriptions, masks;
  int count = 0;
  const auto& entries = FileFormats().Entries();
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    if (!it->kind->InheritsFrom(kind) || it->extension.empty()) continue;
    if (count) {
      descriptions += "|";
      masks += ";";
    }
    descriptions += it->description + " (*." + it->extension + ")|*." + it->extension;
    masks += "*." + it->extension;
    ++count;
  }
  if (count > 1) return FormatTexts().all + " (" + masks + ")|" + masks + "|" + descriptions;
  return descriptions;
}

void LoadPictureFile(TPicture& holder, const std::string& fileName) {
  std::string ext = ExtensionOf(fileName);
  const TGraphicClass* kind = FindPictureKind(ext);
  // Unknown extensions fail before the file is opened.
  if (!kind || !kind->create)
    throw EInvalidGraphic(Format("Unknown picture file extension (.%s)", ext.c_str()));
  std::unique_ptr<TGraphic> graphic = kind->create();
  graphic->OnProgress = [&holder](void* sender, TProgressStage stage, uint8_t percent,
                                  bool redrawNow, const RECT& r, const std::string& msg) {
    holder.Progress(sender, stage, percent, redrawNow, r, msg);
  };
  graphic->LoadFromFile(fileName);  // on failure the holder keeps its picture
  holder.Install(std::move(graphic));
  holder.Changed();
}

}  // namespace pix
