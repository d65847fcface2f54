// The child-process runner of the corpus players: this program started again as
// "--child LIST START", its standard output read line by line, and ended when it
// says nothing for too long (a hang in the platform's code).
#pragma once
#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>

struct ChildEnd {
  DWORD code = 0;       // the child's exit code
  bool killed = false;  // ended after the time limit
};

// False when the child could not be started.
inline bool RunChildLines(const std::string& self, const std::string& listFile, long start,
                          DWORD timeoutMs, const std::function<void(std::string&)>& onLine,
                          ChildEnd& end) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE readEnd, writeEnd;
  if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return false;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = writeEnd;
  si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  std::string cmd = "\"" + self + "\" --child \"" + listFile + "\" " + std::to_string(start);
  PROCESS_INFORMATION pi{};
  BOOL ok =
      CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
  CloseHandle(writeEnd);
  if (!ok) {
    CloseHandle(readEnd);
    return false;
  }
  std::string pending;
  DWORD lastNews = GetTickCount();
  for (;;) {
    bool exited = WaitForSingleObject(pi.hProcess, 5) == WAIT_OBJECT_0;
    DWORD avail = 0;
    while (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &avail, nullptr) && avail) {
      char buf[4096];
      DWORD got = 0;
      if (!ReadFile(readEnd, buf, std::min<DWORD>(avail, sizeof buf), &got, nullptr) || !got) break;
      pending.append(buf, got);
      lastNews = GetTickCount();
      for (size_t nl; (nl = pending.find('\n')) != std::string::npos;) {
        std::string line = pending.substr(0, nl);
        pending.erase(0, nl + 1);
        onLine(line);
      }
    }
    if (exited) break;
    if (GetTickCount() - lastNews > timeoutMs) {
      TerminateProcess(pi.hProcess, 1);
      WaitForSingleObject(pi.hProcess, INFINITE);
      end.killed = true;
      break;
    }
  }
  GetExitCodeProcess(pi.hProcess, &end.code);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  CloseHandle(readEnd);
  return true;
}
