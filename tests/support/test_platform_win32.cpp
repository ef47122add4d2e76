// Test platform on Windows: child processes by CreateProcessW with redirected handles.
#include <windows.h>

#include <cstdlib>
#include <map>
#include <stdexcept>
#include <thread>

#include "tests/support/run_program.h"

namespace testsupport {
namespace {

std::wstring Widen(const std::string& text) {
    if (text.empty()) {
        return std::wstring();
    }
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

// A POSIX path from the build ("/work/...") names the same file on Wine's Z: drive.
std::string WindowsPath(const std::string& path) {
    return !path.empty() && path[0] == '/' ? "Z:" + path : path;
}

// Quotes one argument so that the runtime's command-line parser gives it back unchanged.
std::wstring Quoted(const std::wstring& arg) {
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
        } else {
            if (c == L'"') {
                out.append(backslashes + 1, L'\\');
            }
            backslashes = 0;
        }
        out += c;
    }
    out.append(backslashes, L'\\');
    return out + L"\"";
}

// The parent's environment with the requested changes, as a CreateProcessW block.
std::wstring EnvironmentBlock(const RunOptions& options) {
    std::map<std::wstring, std::wstring> variables;
    wchar_t* block = GetEnvironmentStringsW();
    for (const wchar_t* p = block; *p; p += wcslen(p) + 1) {
        const std::wstring entry = p;
        const std::size_t eq = entry.find(L'=', 1);
        if (eq != std::wstring::npos) {
            variables[entry.substr(0, eq)] = entry.substr(eq + 1);
        }
    }
    FreeEnvironmentStringsW(block);
    for (const auto& [name, value] : options.environment) {
        if (value) {
            variables[Widen(name)] = Widen(*value);
        } else {
            variables.erase(Widen(name));
        }
    }
    std::wstring result;
    for (const auto& [name, value] : variables) {
        result += name + L"=" + value;
        result += L'\0';
    }
    result += L'\0';
    return result;
}

std::string Drain(HANDLE pipe) {
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        bytes.append(buffer, got);
    }
    CloseHandle(pipe);
    return bytes;
}

}  // namespace

RunResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const RunOptions& options) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE outRead, outWrite, errRead, errWrite;
    if (!CreatePipe(&outRead, &outWrite, &inherit, 0) ||
        !CreatePipe(&errRead, &errWrite, &inherit, 0)) {
        throw std::runtime_error("CreatePipe failed");
    }
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);

    const std::wstring application = Widen(WindowsPath(program));
    std::wstring commandLine = Quoted(application);
    for (const std::string& arg : arguments) {
        commandLine += L" " + Quoted(Widen(arg));
    }
    std::wstring environment = EnvironmentBlock(options);
    const std::wstring directory = Widen(options.workingDirectory);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(
        application.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
        environment.data(), directory.empty() ? nullptr : directory.c_str(), &startup, &process);
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    if (!started) {
        CloseHandle(outRead);
        CloseHandle(errRead);
        throw std::runtime_error("cannot start " + program);
    }
    RunResult result;
    std::thread errorReader([&] { result.errors = Drain(errRead); });
    result.output = Drain(outRead);
    errorReader.join();
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    result.exitCode = static_cast<int>(code);
    return result;
}

int ExitStatusOfMinusOne() {
    return -1;
}

const char* NegativeNanText() {
    return "nan";
}

bool MakeSymbolicLink(const std::string&, const std::string&) {
    return false;
}

std::string FullDevice() {
    return "";
}

bool RuleStringAppliesBefore1970() {
    return true;
}

bool HasShortPathLimit() {
    return true;
}

bool PosixChildControls() {
    return false;
}

int ExitCodeOfSignal(int signal) {
    return 128 + signal;
}

std::vector<int> InterruptionSignals() {
    return {};
}

// Folder permissions are access lists there, which the tests do not set.
bool FolderPermissionsBindChildren() {
    return false;
}

bool SupportsFileSizeLimit() {
    return false;
}

const char* TextLineEnd() {
    return "\r\n";
}

bool ZoneListFromZoneDirectory() {
    return false;
}

void SetProcessEnvironment(const std::string& name, const std::optional<std::string>& value) {
    _putenv_s(name.c_str(), value ? value->c_str() : "");
}

bool UnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace testsupport
