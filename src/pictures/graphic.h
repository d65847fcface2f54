// What a picture is to the rest of the program: the abstract picture kind, the
// holder a picture view owns, and the process-wide list of picture formats.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "pictures/stream_core.h"

namespace pix {

class TGraphic;

// A picture kind ("class reference"): its name, the kind it derives from, and
// how to make an empty picture of it (none for the abstract kind).
struct TGraphicClass {
  const char* name;
  const TGraphicClass* parent;
  std::unique_ptr<TGraphic> (*create)();
  bool InheritsFrom(const TGraphicClass& base) const;
};
extern const TGraphicClass TGraphicKind;  // the abstract kind: every kind derives from it

enum class TProgressStage { psStarting, psRunning, psEnding };
using TProgressEvent = std::function<void(void* sender, TProgressStage stage, uint8_t percent,
                                          bool redrawNow, const RECT& r, const std::string& msg)>;

class TGraphic {
 public:
  virtual ~TGraphic() = default;
  TGraphic(const TGraphic&) = delete;
  TGraphic& operator=(const TGraphic&) = delete;

  virtual const TGraphicClass& Kind() const = 0;
  // Reads from the stream's position to its end.
  virtual void LoadFromStream(TStream& stream) = 0;
  // Opens the file (read, deny write), reads it from position 0, closes it.
  virtual void LoadFromFile(const std::string& fileName);
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual bool Empty() const = 0;
  // Draws into `r` of the drawing surface (placement is the view's business).
  virtual void Draw(HDC dc, const RECT& r) = 0;
  virtual bool Transparent() const { return transparent_; }
  virtual void SetTransparent(bool value) { transparent_ = value; }
  virtual HPALETTE Palette() const { return nullptr; }
  // A new picture of the same kind holding the same image.
  virtual std::unique_ptr<TGraphic> Clone() const = 0;

  bool Modified = false;
  bool PaletteModified = false;
  std::function<void()> OnChange;
  TProgressEvent OnProgress;

 protected:
  TGraphic() = default;
  // The change signal: sets the modified flag, then calls the hook.
  void Changed();
  void Progress(TProgressStage stage, uint8_t percent, bool redrawNow, const RECT& r,
                const std::string& msg);

 private:
  bool transparent_ = false;
};

// Told of every change of a holder (the optional change-notifier interface).
class IChangeNotifier {
 public:
  virtual ~IChangeNotifier() = default;
  virtual void Changed() = 0;
};

class TPicture {
 public:
  TPicture() = default;
  TPicture(const TPicture&) = delete;
  TPicture& operator=(const TPicture&) = delete;

  TGraphic* Graphic() const { return graphic_.get(); }
  // Installs a picture (or none) and signals a change once.
  void SetGraphic(std::unique_ptr<TGraphic> g);
  // Replaces the picture by a copy of another holder's picture.
  void Assign(const TPicture& other);
  int Width() const { return graphic_ ? graphic_->Width() : 0; }
  int Height() const { return graphic_ ? graphic_->Height() : 0; }

  std::function<void()> OnChange;  // set by the owning view
  TProgressEvent OnProgress;       // set by the owning view
  IChangeNotifier* Notify = nullptr;

  // The holder's own signals, which its picture's hooks point at.
  void Changed();
  void Progress(void* sender, TProgressStage stage, uint8_t percent, bool redrawNow, const RECT& r,
                const std::string& msg);

 private:
  friend void LoadPictureFile(TPicture& holder, const std::string& fileName);
  void Install(std::unique_ptr<TGraphic> g);
  std::unique_ptr<TGraphic> graphic_;
};

// Pictures kept for later (decoded ahead, or the last ones shown) give their
// memory back when a load or a decode runs short: the picture being shown
// must never fail where it would show with nothing kept. The keeper sets the
// hook; it returns true when anything was freed, and the caller tries again.
std::function<bool()>& KeptPicturesRelease();
bool ReleaseKeptPictures();

// Loads a file into a holder by its extension; keeps the old picture on failure.
void LoadPictureFile(TPicture& holder, const std::string& fileName);
// Frees the holder's picture and signals a change once.
void ClearPicture(TPicture& holder);

// The names the format list shows. The program puts its own, from its string
// table, before the list is first used; these are the English ones.
struct TFormatTexts {
  std::string all = "All";
  std::string metafiles = "Metafiles", enhancedMetafiles = "Enhanced Metafiles";
  std::string icons = "Icons", bitmaps = "Bitmaps", jpeg = "JPEG Image File";
};
TFormatTexts& FormatTexts();

// The process-wide picture format list (created on first use with its four
// built-in entries: wmf, emf, ico, bmp).
void AddPictureFormat(const std::string& extension, const std::string& description,
                      const TGraphicClass& kind);
const TGraphicClass* FindPictureKind(const std::string& extension);
// The extension as written: after the last ".", "\" or ":" if that is a ".";
// "" for none. The list is looked up by it.
std::string ExtensionOf(const std::string& fileName);
std::string BuildPictureFilter(const TGraphicClass& kind);
void RemovePictureFormats(const TGraphicClass& kind);

}  // namespace pix
