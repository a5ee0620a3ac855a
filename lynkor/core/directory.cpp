#include "lynkor/aDirectory.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A separator put in takes four characters of the remaining room, not one, as this function has
// always counted; so a path that would end within three characters of the buffer's end is refused.
constexpr ptrdiff_t s_separatorCost = 4;

bool s_isDirectory(const char* path) {
    struct stat info {};
    return ::stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

aErr s_copyOut(const std::string& text, char* dst, size_t size) {
    if (text.size() >= size) {
        return aErrOverrun;
    }
    std::memcpy(dst, text.c_str(), text.size() + 1);
    return aErrNone;
}

aErr s_buildPath(char* dst, size_t size, const char* first, std::va_list components) {
    if (dst == nullptr || size == 0) {
        return aErrParam;
    }
    dst[0] = '\0';
    if (first == nullptr || first == dst) {
        return aErrParam;
    }
    std::vector<const char*> further;
    for (const char* component = va_arg(components, const char*); component != nullptr;
         component = va_arg(components, const char*)) {
        if (component == dst || further.size() + 1 >= aDIRECTORY_MAX_COMPONENTS) {
            return aErrParam;
        }
        further.push_back(component);
    }
    size_t length = std::strlen(first);
    if (length >= size - 1) {
        return aErrOverrun;
    }
    std::memcpy(dst, first, length + 1);
    for (const char* component : further) {
        // Signed: the separator's cost can take the budget below zero.
        ptrdiff_t room = static_cast<ptrdiff_t>(size - length) - 1;
        // Nothing goes before a component joined to an empty text: that would make a relative
        // path absolute.
        if (room > 1 && length > 0 && dst[length - 1] != aDIRECTORY_SEPARATOR_CHAR &&
            component[0] != aDIRECTORY_SEPARATOR_CHAR) {
            dst[length++] = aDIRECTORY_SEPARATOR_CHAR;
            dst[length] = '\0';
            room -= s_separatorCost;
        }
        const size_t componentLength = std::strlen(component);
        if (room <= 0 || componentLength >= static_cast<size_t>(room)) {
            return aErrOverrun;
        }
        std::memcpy(dst + length, component, componentLength + 1);
        length += componentLength;
    }
    return aErrNone;
}

std::string s_homeFromPasswordDatabase() {
    long bufferSize = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(bufferSize > 0 ? static_cast<size_t>(bufferSize) : 16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr || found->pw_dir == nullptr) {
        return {};
    }
    return found->pw_dir;
}

std::string s_join(const char* directory, const char* name) {
    std::string path = directory;
    if (!path.empty() && path.back() != aDIRECTORY_SEPARATOR_CHAR) {
        path += aDIRECTORY_SEPARATOR_CHAR;
    }
    return path + name;
}

bool s_isDotEntry(const char* name) {
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

aErr s_makeDirectory(const std::string& path, uint32_t permissions) {
    if (::mkdir(path.c_str(), static_cast<mode_t>(permissions)) == 0 || errno == EEXIST) {
        return aErrNone;
    }
    return aErrPermission;
}

}  // namespace

extern "C" {

aErr aDirectory_BuildPath(char* dst, size_t size, const char* first, ...) {
    std::va_list components;
    va_start(components, first);
    const aErr result = s_buildPath(dst, size, first, components);
    va_end(components);
    return result;
}

aErr aDirectory_JoinPath(char* dst, size_t size, const char* first, const char* second) {
    return aDirectory_BuildPath(dst, size, first, second, static_cast<const char*>(nullptr));
}

aErr aDirectory_GetHomeDirectory(char* dst, size_t size) {
    if (dst == nullptr || size == 0) {
        return aErrParam;
    }
    dst[0] = '\0';
    const char* home = std::getenv("HOME");
    const std::string path =
        home != nullptr && home[0] != '\0' ? std::string(home) : s_homeFromPasswordDatabase();
    if (path.empty()) {
        return aErrNotFound;
    }
    return s_copyOut(path, dst, size);
}

aErr aDirectory_CWD(char* dst, size_t size) {
    if (dst == nullptr || size == 0 || ::getcwd(dst, size) == nullptr) {
        return aErrParam;
    }
    return aErrNone;
}

aErr aDirectory_ExecutableFilePath(char* dst, size_t size) {
    if (dst == nullptr || size == 0) {
        return aErrRead;
    }
    const ssize_t length = ::readlink("/proc/self/exe", dst, size);
    // readlink does not terminate, and a full buffer may hold a cut-off path.
    if (length < 0 || static_cast<size_t>(length) >= size) {
        dst[0] = '\0';
        return aErrRead;
    }
    dst[length] = '\0';
    return aErrNone;
}

bool aDirectory_Exists(const char* path) {
    return path != nullptr && s_isDirectory(path);
}

aErr aDirectory_Ensure(const char* path, uint32_t permissions) {
    if (path == nullptr || path[0] == '\0') {
        return aErrParam;
    }
    if (s_isDirectory(path)) {
        return aErrNone;
    }
    const std::string target = path;
    for (size_t cut = target.find(aDIRECTORY_SEPARATOR_CHAR, 1); cut != std::string::npos;
         cut = target.find(aDIRECTORY_SEPARATOR_CHAR, cut + 1)) {
        const std::string prefix = target.substr(0, cut);
        if (prefix.back() == aDIRECTORY_SEPARATOR_CHAR || s_isDirectory(prefix.c_str())) {
            continue;
        }
        if (s_makeDirectory(prefix, permissions) != aErrNone) {
            return aErrPermission;
        }
    }
    if (s_makeDirectory(target, permissions) != aErrNone) {
        return aErrPermission;
    }
    // "Already exists" may be a file of that name: only a directory counts as success.
    return s_isDirectory(path) ? aErrNone : aErrPermission;
}

aErr aDirectory_Delete(const char* path) {
    if (path == nullptr) {
        return aErrParam;
    }
    return ::rmdir(path) == 0 ? aErrNone : aErrUnknown;
}

aErr aDirectory_DeleteTree(const char* path) {
    if (path == nullptr) {
        return aErrParam;
    }
    // Names first, removal after: a directory changed while it is being read may skip entries.
    std::vector<std::string> children;
    DIR* directory = ::opendir(path);
    if (directory == nullptr) {
        return aErrParam;
    }
    while (const dirent* entry = ::readdir(directory)) {
        if (!s_isDotEntry(entry->d_name)) {
            children.push_back(s_join(path, entry->d_name));
        }
    }
    ::closedir(directory);
    for (const std::string& child : children) {
        // lstat: a link to a directory elsewhere is removed itself, its target left alone.
        struct stat info {};
        if (::lstat(child.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
            aDirectory_DeleteTree(child.c_str());
        } else if (::unlink(child.c_str()) != 0) {
            break;
        }
    }
    return ::rmdir(path) == 0 ? aErrNone : aErrUnknown;
}

aErr aDirectory_List(const char* path, aDirectoryListCallback callback, void* reference) {
    if (path == nullptr || callback == nullptr) {
        return aErrParam;
    }
    DIR* directory = ::opendir(path);
    if (directory == nullptr) {
        return aErrParam;
    }
    while (const dirent* entry = ::readdir(directory)) {
        const std::string child = s_join(path, entry->d_name);
        struct stat info {};
        const bool known = ::stat(child.c_str(), &info) == 0;
        const aDirectoryEntry listed{
            child.c_str(),
            known ? static_cast<uint32_t>(info.st_size) : 0u,
            known && S_ISDIR(info.st_mode) ? 1 : 0,
        };
        if (!callback(&listed, reference)) {
            break;
        }
    }
    ::closedir(directory);
    return aErrNone;
}
}
