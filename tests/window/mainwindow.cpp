#include "mainwindow.h"

namespace pixtest {

namespace {
void CALLBACK WakeOnce(HWND, UINT, UINT_PTR id, DWORD) { KillTimer(nullptr, id); }
}  // namespace

void MainWindowTest::SetUp() {
  pix::Application().SetTitle("Pixlumen");
  pix::Application().MessageBoxHook = [this](const std::string& text, const std::string&) {
    errors.push_back(text);
  };
  fm = std::make_unique<pix::TfmMain>();
  fm->Create();
  ShowWindow(fm->Handle(), SW_SHOW);
  SetForegroundWindow(fm->Handle());
  Settle();
}

void MainWindowTest::TearDown() {
  pix::Application().OnIdle = nullptr;
  pix::Application().MessageBoxHook = nullptr;
  pix::ReadAhead().Clear();
  fm.reset();
}

void MainWindowTest::ShowFolder(const std::vector<std::pair<std::string, std::string>>& files,
                                int index) {
  for (auto& [name, bytes] : files) dir.Write(name, bytes);
  fm->flList.SetFolder(dir.Path());
  fm->flList.SetItemIndex(index);
  fm->flListChange();
}

void MainWindowTest::RunView(std::vector<std::function<void(pix::TfmView&)>> steps) {
  size_t next = 0;
  pix::Application().OnIdle = [&] {
    pix::TfmView* v = fm->fmView();
    if (!v || !IsWindowVisible(v->Handle())) return;
    if (ready && !ready()) {
      // A timer's message brings the loop back: a posted one would come
      // before the read-ahead's own start timer every time.
      SetTimer(nullptr, 0, 5, WakeOnce);
      return;
    }
    if (next < steps.size())
      steps[next++](*v);
    else
      Key(*v, VK_ESCAPE);
    PostMessageA(v->Handle(), WM_NULL, 0, 0);  // the next step, even without a key
  };
  SendMessageA(fm->Img.Handle(), WM_LBUTTONDBLCLK, 0, MAKELPARAM(10, 10));
  pix::Application().OnIdle = nullptr;
  ranSteps = next;
}

}  // namespace pixtest
