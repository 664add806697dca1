// Starts the command line held in the environment variable SAVETITLE_COMMAND_LINE exactly
// as it stands, the program first, with this program's standard handles, and ends with its
// exit status: how the end-to-end test hands the tool a command line as Windows shells
// write them, which no Unix argument list turns into.
#include <windows.h>

int main() {
  static wchar_t line[32768];
  DWORD length = GetEnvironmentVariableW(L"SAVETITLE_COMMAND_LINE", line, 32768);
  if (length == 0 || length >= 32768) {
    return 125;
  }
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, line, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return 126;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 125;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return static_cast<int>(status);
}
