// The about window: the program's name and maker, its version from the
// executable's own version resource, and links to the maker's web site and mail.
#pragma once
#include <functional>
#include <string>

#include "ui/bevel.h"
#include "ui/button.h"
#include "ui/form.h"
#include "ui/label.h"

namespace pix {

inline constexpr char kMakerName[] = "Quillmere";
inline constexpr char kMakerWeb[] = "https://example.com/pixlumen";
inline constexpr char kMakerMail[] = "pixlumen@example.com";

inline constexpr COLORREF kLinkColor = 0x800000;     // navy
inline constexpr COLORREF kLinkHotColor = 0x0000FF;  // red

// The FileVersion text of the running executable's version resource (Russian
// string table, code page 1251); empty when the resource or the entry is missing.
std::string GetVersionString();
// The same for any executable file.
std::string GetVersionString(const std::string& exePath);

class TfmAbout : public TForm {
 public:
  ~TfmAbout() override;
  // Builds the window hidden, centred on the screen, with its version text filled
  // in. `owner` defaults to the application's main window.
  void Create(HWND owner = nullptr);
  // Shows the window modally until it is closed; returns IDCANCEL.
  int ShowModal();

  // Creation order is tab order: the button comes first.
  TButton btnOK;
  TLabel laCompany;
  TLabel laName;
  TLabel laVersion;
  TLabel laCopyRight;
  TLabel laWeb;
  TLabel laMail;
  TBevel Bevel;

  void FormCreate();
  void laWebClick();
  void laMailClick();
  void laWebMouseEnter(TLabel& sender);
  void laWebMouseLeave(TLabel& sender);
  void btnOKClick();

  // The shell request the links make; by default ShellExecuteA. Tests replace it.
  std::function<void(HWND owner, const std::string& verb, const std::string& file, int show)>
      ShellOpen;

  bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 protected:
  void ScaleLayout(const FormMetrics& was) override;

 private:
  void ShellRequest(const std::string& file);
  int bevelRightGap_ = 0;
};

}  // namespace pix
