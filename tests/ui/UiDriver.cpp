#include "UiDriver.h"

#include <commdlg.h>

#include <cstddef>
#include <stdexcept>
#include <thread>

#include "ui/resource.h"

namespace nordavel::uitest {

std::wstring& ProgramPath() {
    static std::wstring path;
    return path;
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() > end) return condition();
        std::this_thread::sleep_for(20ms);
    }
}

std::wstring Text(HWND window) {
    // WM_GETTEXT, not GetWindowText: only the message reads another process's controls.
    const auto length = static_cast<std::size_t>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
    std::wstring text(length + 1, L'\0');
    const auto copied = static_cast<std::size_t>(
        SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
    text.resize(copied);
    return text;
}

void SetText(HWND window, const std::wstring& text) {
    SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

RECT ScreenRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

RECT ClientRelativeRect(HWND main, HWND control) {
    RECT rect = ScreenRect(control);
    POINT origin{0, 0};
    ClientToScreen(main, &origin);
    OffsetRect(&rect, -origin.x, -origin.y);
    return rect;
}

std::vector<HWND> TopLevelWindows(const wchar_t* className, DWORD processId) {
    struct Search {
        const wchar_t* className;
        DWORD processId;
        std::vector<HWND> found;
    } search{className, processId, {}};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(parameter);
            wchar_t name[64] = L"";
            GetClassNameW(window, name, 64);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (lstrcmpW(name, s.className) == 0 && (s.processId == 0 || owner == s.processId))
                s.found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> VisibleDialogs(DWORD processId) {
    std::vector<HWND> visible;
    for (HWND dialog : TopLevelWindows(L"#32770", processId))
        if (IsWindowVisible(dialog)) visible.push_back(dialog);
    return visible;
}

namespace {

// This process's environment with some variables replaced or added.
std::wstring EnvironmentBlock(const std::vector<std::pair<std::wstring, std::wstring>>& changes) {
    std::vector<std::wstring> variables;
    wchar_t* strings = GetEnvironmentStringsW();
    for (const wchar_t* entry = strings; *entry; entry += wcslen(entry) + 1) {
        const std::wstring variable = entry;
        bool replaced = false;
        for (const auto& [name, value] : changes)
            replaced |= _wcsnicmp(variable.c_str(), (name + L"=").c_str(), name.size() + 1) == 0;
        if (!replaced) variables.push_back(variable);
    }
    FreeEnvironmentStringsW(strings);
    for (const auto& [name, value] : changes)
        variables.push_back(name + L"=" + value);
    std::wstring block;
    for (const std::wstring& variable : variables)
        block += variable + L'\0';
    return block + L'\0';
}

PROCESS_INFORMATION Start(const std::wstring& executable, const std::wstring& arguments,
                          const std::wstring& folder,
                          const std::vector<std::pair<std::wstring, std::wstring>>& environment) {
    std::wstring commandLine = L"\"" + executable + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    std::wstring block = EnvironmentBlock(environment);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(executable.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        CREATE_UNICODE_ENVIRONMENT, block.data(), folder.c_str(), &startup,
                        &process))
        throw std::runtime_error("cannot start Nordavel.exe");
    return process;
}

std::wstring ExecutableFor(const std::wstring& folder, const StartOptions& options,
                           std::wstring& programFolder) {
    if (!options.executable.empty()) {
        programFolder = options.executable.substr(0, options.executable.rfind(L'\\'));
        return options.executable;
    }
    programFolder = options.programFolder.empty() ? folder + L"\\program" : options.programFolder;
    CreateDirectoryW(programFolder.c_str(), nullptr);
    const std::wstring copy = programFolder + L"\\Nordavel.exe";
    if (!CopyFileW(ProgramPath().c_str(), copy.c_str(), FALSE))
        throw std::runtime_error("cannot copy Nordavel.exe");
    return copy;
}

std::vector<std::pair<std::wstring, std::wstring>> WithAppData(const std::wstring& folder,
                                                               const StartOptions& options) {
    auto environment = options.environment;
    bool hasAppData = false;
    for (const auto& variable : environment)
        hasAppData |= variable.first == L"APPDATA";
    if (!hasAppData) environment.emplace_back(L"APPDATA", folder + L"\\appdata");
    return environment;
}

} // namespace

Program::Program(const std::wstring& arguments, const std::wstring& folder,
                 const StartOptions& options)
    : process_(Start(ExecutableFor(folder, options, programFolder_), arguments, folder,
                     WithAppData(folder, options))) {
    WaitUntil([&] {
        const auto windows = TopLevelWindows(L"TFormMain", process_.dwProcessId);
        main_ = windows.empty() ? nullptr : windows.front();
        return main_ != nullptr && IsWindowVisible(main_);
    });
    if (!main_) throw std::runtime_error("Nordavel.exe showed no main window");
}

Program::~Program() {
    DWORD exitCode = 0;
    if (WaitForSingleObject(process_.hProcess, 0) != WAIT_OBJECT_0) {
        // Close any box first, then the program; end it when it does not go.
        for (HWND dialog : VisibleDialogs(process_.dwProcessId))
            PostMessageW(dialog, WM_CLOSE, 0, 0);
        if (!Close(exitCode)) TerminateProcess(process_.hProcess, 1);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

HWND Program::Report() const {
    const auto windows = TopLevelWindows(L"TFormReport", process_.dwProcessId);
    return windows.empty() ? nullptr : windows.front();
}

void Program::Click(int id) const {
    SendMessageW(Control(id), BM_CLICK, 0, 0);
}

void Program::PostClick(int id) const {
    PostMessageW(main_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(Control(id)));
}

void Program::ClickReportLabel() const {
    // What a click on the label sends (STN_CLICKED).
    SendMessageW(main_, WM_COMMAND, MAKEWPARAM(102, STN_CLICKED),
                 reinterpret_cast<LPARAM>(Control(102)));
}

bool Program::Close(DWORD& exitCode) {
    PostMessageW(main_, WM_CLOSE, 0, 0);
    return WaitForExit(exitCode);
}

bool Program::WaitForExit(DWORD& exitCode, std::chrono::milliseconds limit) {
    if (WaitForSingleObject(process_.hProcess, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0)
        return false;
    GetExitCodeProcess(process_.hProcess, &exitCode);
    return true;
}

void Program::Kill() {
    TerminateProcess(process_.hProcess, 1);
    WaitForSingleObject(process_.hProcess, 10000);
}

bool Launch(const std::wstring& arguments, const StartOptions& options) {
    wchar_t folder[MAX_PATH] = L"";
    GetCurrentDirectoryW(MAX_PATH, folder);
    std::wstring programFolder;
    const PROCESS_INFORMATION process = Start(ExecutableFor(folder, options, programFolder),
                                              arguments, folder, options.environment);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

bool RunToEnd(const std::wstring& arguments, const std::wstring& folder,
              const StartOptions& options, DWORD& exitCode) {
    std::wstring programFolder;
    const PROCESS_INFORMATION process = Start(ExecutableFor(folder, options, programFolder),
                                              arguments, folder, WithAppData(folder, options));
    const bool ended = WaitForSingleObject(process.hProcess, 10000) == WAIT_OBJECT_0;
    if (ended) GetExitCodeProcess(process.hProcess, &exitCode);
    if (!ended) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return ended;
}

} // namespace nordavel::uitest

namespace nordavel::uitest {

HWND WaitForDialog(DWORD processId) {
    HWND dialog = nullptr;
    WaitUntil([&] {
        const auto dialogs = VisibleDialogs(processId);
        dialog = dialogs.empty() ? nullptr : dialogs.front();
        return dialog != nullptr;
    });
    return dialog;
}

std::string FileBytes(const std::wstring& path) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    CloseHandle(file);
    return bytes;
}

std::vector<std::wstring> SettingsLines(const std::wstring& path) {
    const std::string bytes = FileBytes(path);
    std::vector<std::wstring> lines;
    if (bytes.size() < 2 || bytes.compare(0, 2, "\xFF\xFE") != 0) return lines;
    std::wstring text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
        text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                     (static_cast<unsigned char>(bytes[i + 1]) << 8));
    std::wstring line;
    for (wchar_t c : text + L"\n") {
        if (c == L'\r') continue;
        if (c == L'\n') {
            if (!line.empty()) lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    return lines;
}

} // namespace nordavel::uitest

namespace nordavel::uitest {

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = L"";
    GetClassNameW(window, name, 64);
    return name;
}

std::wstring BoxMessage(HWND box) {
    std::wstring message;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (ClassOf(child) == L"Static" && Text(child).size() > message.size())
            message = Text(child);
    return message;
}

bool Checked(const Program& program, int id) {
    return SendMessageW(program.Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

HWND DescendantWithId(HWND parent, int id, const wchar_t* className) {
    struct Search {
        int id;
        const wchar_t* className;
        HWND found;
    } search{id, className, nullptr};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM parameter) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(parameter);
            if (GetDlgCtrlID(child) == s.id && _wcsicmp(ClassOf(child).c_str(), s.className) == 0) {
                s.found = child;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The name box is an edit inside a combo box inside a ComboBoxEx; the filter list is cmb1.
OpenDialog::OpenDialog(const Program& program) : program_(program) {
    program.PostClick(IDC_BUTTON_BROWSE);
    dialog_ = WaitForDialog(program.ProcessId());
    if (!dialog_) throw std::runtime_error("no file-open dialog");
    filter_ = DescendantWithId(dialog_, 0x470, L"ComboBox");
    nameBox_ = DescendantWithId(dialog_, 0x47c, L"Edit");
}

int OpenDialog::FilterEntries() const {
    return static_cast<int>(SendMessageW(filter_, CB_GETCOUNT, 0, 0));
}

int OpenDialog::FilterEntry() const {
    return static_cast<int>(SendMessageW(filter_, CB_GETCURSEL, 0, 0));
}

void OpenDialog::ChooseFilterEntry(int entry) const {
    SendMessageW(filter_, CB_SETCURSEL, static_cast<WPARAM>(entry), 0);
    SendMessageW(dialog_, WM_COMMAND, MAKEWPARAM(0x470, CBN_SELENDOK),
                 reinterpret_cast<LPARAM>(filter_));
}

void OpenDialog::Open(const std::wstring& names) const {
    SetText(nameBox_, names);
    Press(IDOK);
}

void OpenDialog::Press(int button) const {
    SendMessageW(dialog_, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog_, button)));
}

bool OpenDialog::ShortenBuffer(DWORD characters) const {
    // The record's first member points to the OPENFILENAMEW, in the program's memory.
    const void* record = GetPropW(dialog_, L"FileOpenDlgInfos");
    const HANDLE process = OpenProcess(PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_VM_OPERATION,
                                       FALSE, program_.ProcessId());
    char* request = nullptr;
    const bool shortened = record && process &&
                           ReadProcessMemory(process, record, &request, sizeof request, nullptr) &&
                           request &&
                           WriteProcessMemory(process, request + offsetof(OPENFILENAMEW, nMaxFile),
                                              &characters, sizeof characters, nullptr);
    if (process) CloseHandle(process);
    return shortened;
}

bool OpenDialog::WaitClosed() const {
    return WaitUntil([&] { return VisibleDialogs(program_.ProcessId()).empty(); });
}

} // namespace nordavel::uitest
