#include "tests/fuzz/fuzz_input.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace fuzz {

std::string ScratchFolder(const char* tag) {
    const char* shm = "/dev/shm";
    const char* tmp = std::getenv("TMPDIR");
    std::string root = ::access(shm, W_OK) == 0 ? shm : (tmp && *tmp ? tmp : "/tmp");
    std::string pattern = root + "/veltra-fuzz-" + tag + "-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!::mkdtemp(name.data()))
        Fail(__FILE__, __LINE__, "no scratch folder");
    return name.data();
}

void WriteFileOrDie(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0)
        Fail(__FILE__, __LINE__, ("cannot write " + path).c_str());
}

std::string ReadFileOrEmpty(const std::string& path) {
    std::string text;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return text;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
    std::fclose(f);
    return text;
}

void RemoveTree(const std::string& root) {
    struct stat st {};
    if (::lstat(root.c_str(), &st) != 0)
        return;
    if (S_ISDIR(st.st_mode)) {
        if (DIR* dir = ::opendir(root.c_str())) {
            std::vector<std::string> names;
            while (dirent* e = ::readdir(dir)) {
                const std::string name = e->d_name;
                if (name != "." && name != "..")
                    names.push_back(name);
            }
            ::closedir(dir);
            for (const std::string& name : names) RemoveTree(root + "/" + name);
        }
        ::rmdir(root.c_str());
    } else {
        ::unlink(root.c_str());
    }
}

void Fail(const char* file, int line, const char* what) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, what);
    std::abort();
}

}  // namespace fuzz
