#include "quorvane/tag/files.h"
#include "quorvane/tag/large_array.h"
#include "quorvane/tag/spool_file.h"

#include "quorvane/tag/tag_error.h"
#include "quorvane/tag/utf16.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <utility>

// The platform layer on Windows: files by their UTF-16 names, read and
// written with ReadFile and WriteFile; standard handles carry bytes as they
// are (Win32 handles have no text mode). Errors carry the system's message.
namespace quorvane::tag {
namespace {

namespace fs = std::filesystem;

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// ReadFile and WriteFile count in DWORDs; longer blocks go in pieces.
constexpr std::size_t kMaxBlock = std::size_t{1} << 30;
const std::intptr_t kNoHandle = reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE);

HANDLE AsHandle(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

std::intptr_t FromHandle(HANDLE handle) {
    return reinterpret_cast<std::intptr_t>(handle);
}

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using OwnedHandle = std::unique_ptr<void, HandleCloser>;

// The system's text for `error` in the user's language, without the line
// end and full stop it carries.
std::string Reason(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message(text != nullptr ? text : L"", length);
    LocalFree(text);
    while (!message.empty() &&
           std::wstring_view(L"\r\n .").find(message.back()) != std::wstring_view::npos) {
        message.pop_back();
    }
    return message.empty() ? "system error " + std::to_string(error) : Utf8FromWide(message);
}

[[noreturn]] void Fail(ErrorCode code, DWORD error) {
    throw TagError(code, Reason(error));
}

// All of `bytes`, in pieces a DWORD can count.
void WriteAll(HANDLE handle, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD wrote = 0;
        const auto block = static_cast<DWORD>(std::min(bytes.size(), kMaxBlock));
        if (!WriteFile(handle, bytes.data(), block, &wrote, nullptr)) {
            Fail(ErrorCode::WriteFailed, GetLastError());
        }
        if (wrote == 0) {
            Fail(ErrorCode::WriteFailed, ERROR_WRITE_FAULT);
        }
        bytes.remove_prefix(wrote);
    }
}

bool IsFolder(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info{};
    return GetFileInformationByHandle(handle, &info) &&
           (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::uint64_t DiskSize(HANDLE handle) {
    LARGE_INTEGER size{};
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileSizeEx(handle, &size)) {
        return 0;
    }
    return static_cast<std::uint64_t>(size.QuadPart);
}

// Opens what stands at `path` (links followed, folders included) without
// asking for any access; null when nothing is there. Other failures throw.
OwnedHandle Probe(const fs::path& path) {
    HANDLE handle = CreateFileW(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) {
            return nullptr;
        }
        Fail(ErrorCode::WriteFailed, error);
    }
    return OwnedHandle(handle);
}

// The file the handle stands for, symbolic links resolved; `fallback` when
// the system cannot say.
fs::path FinalPath(HANDLE handle, const fs::path& fallback) {
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD size =
            GetFinalPathNameByHandleW(handle, name.data(), static_cast<DWORD>(name.size()), 0);
        if (size == 0) {
            return fallback;
        }
        if (size < name.size()) {
            name.resize(size);
            return name;
        }
        name.resize(size);
    }
}

// A new, empty file beside `target`, named after it.
HANDLE CreateTemporary(const fs::path& target, fs::path& name) {
    const std::wstring stem =
        target.filename().wstring() + L"." + std::to_wstring(GetCurrentProcessId()) + L"-";
    for (int attempt = 0;; ++attempt) {
        name = target.parent_path() / (stem + std::to_wstring(attempt) + L".tmp");
        HANDLE handle = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            return handle;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS || attempt == 1000) {
            name.clear();
            Fail(ErrorCode::WriteFailed, error);
        }
    }
}

bool Exists(const fs::path& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Move(const fs::path& from, const fs::path& to) {
    return MoveFileExW(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

// A name beside `target` that nothing uses yet, for the old file while it
// is being replaced.
fs::path BackupName(const fs::path& target) {
    const std::wstring stem =
        target.filename().wstring() + L"." + std::to_wstring(GetCurrentProcessId()) + L"-";
    for (int attempt = 0;; ++attempt) {
        fs::path name = target.parent_path() / (stem + std::to_wstring(attempt) + L".old");
        if (!Exists(name)) {
            return name;
        }
    }
}

// Another program (an indexer, a virus scanner) has the file open.
bool InUse(DWORD error) {
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ||
           error == ERROR_LOCK_VIOLATION || error == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

// Puts `temporary` where `target` is. ReplaceFileW keeps the old file's
// attributes and security and moves the old file to a backup name, so that
// whatever it leaves undone can be finished or undone here; a target held
// open is tried again for about a second. Clears `temporary` when that file
// must stay because it and the backup are all that is left.
void PutInPlace(fs::path& temporary, const fs::path& target) {
    if (!Exists(target)) {
        if (!Move(temporary, target)) {
            Fail(ErrorCode::WriteFailed, GetLastError());
        }
        return;
    }
    const fs::path backup = BackupName(target);
    DWORD error = ERROR_SUCCESS;
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (attempt > 0) {
            Sleep(100);
        }
        if (ReplaceFileW(target.c_str(), temporary.c_str(), backup.c_str(),
                         REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr,
                         nullptr)) {
            DeleteFileW(backup.c_str());
            return;
        }
        error = GetLastError();
        if (!InUse(error)) {
            break;
        }
    }
    // The table is still the temporary file. The old file is still the target
    // (ERROR_UNABLE_TO_MOVE_REPLACEMENT with a backup name, a file in use,
    // most other failures) or only the backup (ERROR_UNABLE_TO_MOVE_REPLACEMENT_2).
    // A plain move may still put the table in place; failing that, the old
    // file goes back.
    if (Move(temporary, target)) {
        DeleteFileW(backup.c_str());
        return;
    }
    const std::string cause = std::string("cannot replace the file") +
                              (InUse(error) ? ", which another program has open" : "") + " (" +
                              Reason(error) + ")";
    if (!Exists(target) && !(Exists(backup) && Move(backup, target))) {
        const std::string table = Utf8FromWide(temporary.wstring());
        temporary.clear();
        throw TagError(
            ErrorCode::WriteFailed,
            cause + "; the table is in " + table +
                (Exists(backup) ? " and the old file in " + Utf8FromWide(backup.wstring()) : ""));
    }
    DeleteFileW(backup.c_str());
    throw TagError(ErrorCode::WriteFailed, cause);
}

} // namespace

InputFile::InputFile(const fs::path& path)
    : InputFile(kNoHandle, false, 0) {
    // Backup semantics let a folder open, so that it is named as such below.
    HANDLE opened = CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (opened == INVALID_HANDLE_VALUE) {
        Fail(ErrorCode::OpenFailed, GetLastError());
    }
    OwnedHandle file(opened);
    if (GetFileType(file.get()) != FILE_TYPE_DISK) {
        throw TagError(ErrorCode::OpenFailed, "not a regular file");
    }
    if (IsFolder(file.get())) {
        throw TagError(ErrorCode::OpenFailed, "is a directory");
    }
    m_size = DiskSize(file.get());
    m_handle = FromHandle(file.release());
    m_owned = true;
}

InputFile InputFile::StandardInput() {
    HANDLE handle = GetStdHandle(STD_INPUT_HANDLE);
    return InputFile(FromHandle(handle), false, DiskSize(handle));
}

InputFile::InputFile(InputFile&& other) noexcept
    : InputFile(other.m_handle, other.m_owned, other.m_size) {
    other.m_handle = kNoHandle;
    other.m_owned = false;
}

InputFile::~InputFile() {
    if (m_owned) {
        CloseHandle(AsHandle(m_handle));
    }
}

std::size_t InputFile::Read(unsigned char* into, std::size_t size) {
    DWORD got = 0;
    if (!ReadFile(AsHandle(m_handle), into, static_cast<DWORD>(std::min(size, kMaxBlock)), &got,
                  nullptr)) {
        const DWORD error = GetLastError();
        // The writing end of a pipe closed: the end of the input.
        if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF) {
            return 0;
        }
        Fail(ErrorCode::ReadFailed, error);
    }
    return got;
}

OutputFile OutputFile::StandardOutput() {
    return OutputFile(FromHandle(GetStdHandle(STD_OUTPUT_HANDLE)), false);
}

OutputFile OutputFile::StandardError() {
    return OutputFile(FromHandle(GetStdHandle(STD_ERROR_HANDLE)), false);
}

OutputFile::OutputFile(const fs::path& path, Other other)
    : OutputFile(kNoHandle, true) {
    const OwnedHandle existing = Probe(path);
    m_target = path;
    if (existing) {
        if (GetFileType(existing.get()) != FILE_TYPE_DISK) {
            if (other == Other::Refused) {
                throw TagError(ErrorCode::WriteFailed, "not a regular file");
            }
            // A device (NUL, CON) or a pipe: written where it is.
            HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, kShareAll, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
            if (handle == INVALID_HANDLE_VALUE) {
                Fail(ErrorCode::WriteFailed, GetLastError());
            }
            m_handle = FromHandle(handle);
            m_target.clear();
            return;
        }
        if (IsFolder(existing.get())) {
            throw TagError(ErrorCode::WriteFailed, "is a directory");
        }
        m_target = FinalPath(existing.get(), path);
    }
    m_handle = FromHandle(CreateTemporary(m_target, m_temporary));
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : OutputFile(other.m_handle, other.m_owned) {
    m_target = std::move(other.m_target);
    m_temporary = std::move(other.m_temporary);
    other.m_handle = kNoHandle;
    other.m_owned = false;
    other.m_temporary.clear();
}

OutputFile::~OutputFile() {
    if (m_owned && m_handle != kNoHandle) {
        CloseHandle(AsHandle(m_handle));
    }
    if (!m_temporary.empty()) {
        DeleteFileW(m_temporary.c_str());
    }
}

void OutputFile::Write(std::string_view bytes) {
    WriteAll(AsHandle(m_handle), bytes);
}

void OutputFile::Commit() {
    if (m_temporary.empty()) {
        return; // standard streams and devices keep what was written
    }
    HANDLE handle = AsHandle(m_handle);
    m_handle = kNoHandle;
    const bool flushed = FlushFileBuffers(handle) != 0;
    const DWORD flushError = GetLastError();
    CloseHandle(handle);
    if (!flushed) {
        Fail(ErrorCode::WriteFailed, flushError);
    }
    PutInPlace(m_temporary, m_target);
    m_temporary.clear();
}

// A new file of a name nobody uses, deleted by the system when its last
// handle closes (a crash included), opened for nobody else.
SpoolFile::SpoolFile() {
    std::wstring folder(MAX_PATH + 1, L'\0');
    folder.resize(GetTempPathW(static_cast<DWORD>(folder.size()), folder.data()));
    if (folder.empty() || folder.size() > MAX_PATH) {
        Fail(ErrorCode::WriteFailed, GetLastError());
    }
    LARGE_INTEGER seed{};
    QueryPerformanceCounter(&seed);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::wstring name = folder + L"quorvane-" + std::to_wstring(GetCurrentProcessId()) +
                                  L"-" + std::to_wstring(seed.QuadPart + attempt) + L".tmp";
        HANDLE handle =
            CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                        FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            m_handle = FromHandle(handle);
            return;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) {
            Fail(ErrorCode::WriteFailed, GetLastError());
        }
    }
    Fail(ErrorCode::WriteFailed, ERROR_FILE_EXISTS);
}

// The view goes first: the file is deleted once its handle closes.
void SpoolFile::Close() noexcept {
    if (m_view != nullptr) {
        UnmapViewOfFile(m_view);
        m_view = nullptr;
    }
    if (m_handle != kNoSpool) {
        CloseHandle(AsHandle(m_handle));
        m_handle = kNoSpool;
    }
}

void SpoolFile::Write(std::string_view bytes) {
    if (m_view != nullptr) {
        Fail(ErrorCode::WriteFailed, ERROR_ACCESS_DENIED);
    }
    WriteAll(AsHandle(m_handle), bytes);
    m_size += bytes.size();
}

// The view keeps the mapping: its handle is let go at once.
std::string_view SpoolFile::Map() {
    if (m_view == nullptr && m_size > 0) {
        const OwnedHandle mapping(
            CreateFileMappingW(AsHandle(m_handle), nullptr, PAGE_READONLY, 0, 0, nullptr));
        if (!mapping) {
            Fail(ErrorCode::WriteFailed, GetLastError());
        }
        m_view = static_cast<const char*>(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
        if (m_view == nullptr) {
            Fail(ErrorCode::WriteFailed, GetLastError());
        }
    }
    return View();
}

// Large pages need a privilege that users do not hold: the heap serves.
void* AllocateLarge(std::size_t size) {
    void* bytes = std::malloc(size > 0 ? size : 1);
    if (bytes == nullptr) {
        throw std::bad_alloc();
    }
    return bytes;
}

void FreeLarge(void* bytes) noexcept {
    std::free(bytes);
}

} // namespace quorvane::tag
