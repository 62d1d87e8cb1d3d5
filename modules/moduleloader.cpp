// SPDX-License-Identifier: GPL-3.0-or-later
#include "moduleloader.h"

#include <cstdlib>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
std::string programPath() {
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, std::size_t(n)) : std::string();
}

bool isRegularFile(const std::string& path) {
    struct stat info{};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}
} // namespace

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::vector<std::string> moduleFolders() {
    std::vector<std::string> folders;
    const std::string program = programPath();
    if (!program.empty()) {
        folders.push_back(folderOf(program));
        folders.push_back(folderOf(program) + "/../lib/qvb-zaradariveda");
    }
    if (const char* extra = std::getenv(ModuleFolderVariable); extra && *extra)
        folders.emplace_back(extra);
    return folders;
}

std::string findModuleFile(const std::string& name, const std::vector<std::string>& folders) {
    std::vector<std::string> all = folders;
    for (std::string& folder : moduleFolders())
        all.push_back(std::move(folder));
    for (const std::string& folder : all) {
        const std::string candidate = folder + "/" + name;
        if (isRegularFile(candidate))
            return candidate;
    }
    return {};
}

void* openModuleEntry(const std::string& name, const char* entry) {
    for (const std::string& folder : moduleFolders()) {
        const std::string candidate = folder + "/" + name;
        if (void* module = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL))
            return ::dlsym(module, entry);
    }
    return nullptr;
}
