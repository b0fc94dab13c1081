// A shared library loaded at run time, its symbols looked up by name. The library stays
// loaded as long as its owner lives; moving hands it on.
#pragma once

#include <string>

class SharedLibrary {
  public:
    SharedLibrary() = default;
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;
    SharedLibrary(SharedLibrary&& other) noexcept;
    SharedLibrary& operator=(SharedLibrary&& other) noexcept;
    ~SharedLibrary();

    // A path with a slash is that file; a bare name is searched on the library path. Every
    // symbol is bound at once and kept to the library itself, so a library that cannot
    // work fails here and two libraries' names never meet. Closed on failure, with the
    // loader's reason in Failure().
    static SharedLibrary Open(const std::string& pathOrName);

    bool IsOpen() const { return m_handle != nullptr; }
    const std::string& Failure() const { return m_failure; }

    // The address of the exported name; null when unknown or not open.
    void* Symbol(const char* name) const;
    template <class Fn>
    Fn Function(const char* name) const {
        return reinterpret_cast<Fn>(Symbol(name));
    }

    void Close();

  private:
    void* m_handle = nullptr;
    std::string m_failure;
};
