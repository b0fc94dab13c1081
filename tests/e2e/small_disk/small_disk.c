// Preloaded into the program under test: the file system under the folder SMALL_DISK_FOLDER
// names reports SMALL_DISK_FREE bytes free, so that a check can meet a nearly full disk
// without one. Every other path, and every other call, is the C library's own.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdlib.h>
#include <string.h>
#include <sys/statvfs.h>

typedef int (*StatvfsCall)(const char*, struct statvfs*);
typedef int (*Statvfs64Call)(const char*, struct statvfs64*);

static int Inside(const char* path) {
    const char* folder = getenv("SMALL_DISK_FOLDER");
    if (!path || !folder || !*folder)
        return 0;
    const size_t n = strlen(folder);
    return strncmp(path, folder, n) == 0 && (path[n] == '\0' || path[n] == '/');
}

static unsigned long long FreeBlocks(unsigned long long blockSize) {
    const char* text = getenv("SMALL_DISK_FREE");
    return blockSize ? (text ? strtoull(text, NULL, 10) : 0) / blockSize : 0;
}

int statvfs(const char* path, struct statvfs* out) {
    const StatvfsCall call = (StatvfsCall)dlsym(RTLD_NEXT, "statvfs");
    const int result = call ? call(path, out) : -1;
    if (result == 0 && Inside(path))
        out->f_bavail = out->f_bfree = FreeBlocks(out->f_frsize);
    return result;
}

int statvfs64(const char* path, struct statvfs64* out) {
    const Statvfs64Call call = (Statvfs64Call)dlsym(RTLD_NEXT, "statvfs64");
    const int result = call ? call(path, out) : -1;
    if (result == 0 && Inside(path))
        out->f_bavail = out->f_bfree = FreeBlocks(out->f_frsize);
    return result;
}
