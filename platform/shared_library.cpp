#include "platform/shared_library.h"

#include <dlfcn.h>

#include <utility>

SharedLibrary::SharedLibrary(SharedLibrary&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr)), m_failure(std::move(other.m_failure)) {}

SharedLibrary& SharedLibrary::operator=(SharedLibrary&& other) noexcept {
    if (this != &other) {
        Close();
        m_handle = std::exchange(other.m_handle, nullptr);
        m_failure = std::move(other.m_failure);
    }
    return *this;
}

SharedLibrary::~SharedLibrary() {
    Close();
}

SharedLibrary SharedLibrary::Open(const std::string& pathOrName) {
    SharedLibrary library;
    library.m_handle = ::dlopen(pathOrName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library.m_handle) {
        const char* why = ::dlerror();
        library.m_failure = why ? why : "cannot be loaded";
    }
    return library;
}

void* SharedLibrary::Symbol(const char* name) const {
    return m_handle && name ? ::dlsym(m_handle, name) : nullptr;
}

void SharedLibrary::Close() {
    if (m_handle)
        ::dlclose(m_handle);
    m_handle = nullptr;
}
