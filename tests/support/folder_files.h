#pragma once

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace quorvane::test {

// A folder's entries as text: "<dir>", "<chr>", "<fifo>" and what a reader
// got from it, "->target" for a link, "[600]bytes" for a file not of mode 644.
using Files = std::map<std::string, std::string>;

inline Files Snapshot(const std::filesystem::path& dir, const std::string& fromFifo = "") {
    Files files;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        struct stat info {};
        lstat(entry.path().c_str(), &info);
        const mode_t mode = info.st_mode & 0777;
        std::string& text = files[entry.path().filename()];
        if (S_ISLNK(info.st_mode)) {
            text = "->" + std::filesystem::read_symlink(entry.path()).string();
        } else if (S_ISREG(info.st_mode)) {
            std::ifstream in(entry.path(), std::ios::binary);
            text = (mode == 0644 ? "" : "[" + std::to_string(mode >> 6) + "00]") +
                   std::string(std::istreambuf_iterator<char>(in), {});
        } else {
            text = S_ISDIR(info.st_mode)   ? "<dir>"
                   : S_ISCHR(info.st_mode) ? "<chr>"
                                           : "<fifo>" + fromFifo;
        }
    }
    return files;
}

// Makes the entries Snapshot describes; false when one cannot be made here.
inline bool Make(const std::filesystem::path& dir, const Files& files) {
    namespace fs = std::filesystem;
    for (const auto& [name, text] : files) {
        const fs::path path = dir / name;
        const bool private600 = text.starts_with("[600]");
        if (text.starts_with("->")) {
            fs::create_symlink(text.substr(2), path);
        } else if (text == "<dir>" || text == "<fifo>") {
            text == "<dir>" ? fs::create_directory(path) : mkfifo(path.c_str(), 0600) == 0;
        } else if (text == "<chr>") {
            // A private null device: writes vanish, the node stays.
            if (geteuid() != 0 || mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
                return false;
            }
        } else {
            std::ofstream(path, std::ios::binary) << text.substr(private600 ? 5 : 0);
            fs::permissions(path, fs::perms(private600 ? 0600 : 0644));
        }
    }
    return true;
}

} // namespace quorvane::test
