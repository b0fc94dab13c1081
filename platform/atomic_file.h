// Writes that give a user's file its new contents whole or not at all. The bytes go to
// a file without a name (or, where the file system cannot make one, a hidden scratch
// name noted in the scratch journal) in the target's own folder; every write, the sync
// and the close are checked, and only then does the file take the target's name. A full
// disk, a quota, a file-size limit or a crash therefore never leaves the target shorter
// than before. Plain C++ over POSIX, so plug-ins and tools can use it too.
#pragma once

#include <cstddef>
#include <string>

class AtomicFile {
  public:
    enum class Commit {
        Replace,    // takes the target's name even when a file holds it (its mode is kept)
        NoReplace,  // fails with EEXIST when the name is taken, leaving that file alone
    };

    AtomicFile() = default;
    ~AtomicFile();  // an uncommitted file is discarded
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Prepares the file for target (a symbolic link is followed, so the file it points at
    // gets the bytes). False with Error() set when the folder cannot take a file, or when
    // Replace is asked for and an existing target is not writable (EACCES).
    bool Open(const std::string& target, Commit mode);
    // Appends bytes; false (and every later call false) once a write has failed.
    bool Write(const void* data, std::size_t size);
    bool Write(const std::string& bytes) { return Write(bytes.data(), bytes.size()); }
    // Descriptor to write through directly (copy_file_range and friends); a failure met
    // that way is reported through Fail.
    int Descriptor() const { return m_fd; }
    void Fail(int error);
    // Syncs, closes and names the file. False with Error() set on any failure; the
    // target is then exactly as it was.
    bool Finish();
    // Drops what was written; the target is untouched.
    void Discard();

    int Error() const { return m_error; }
    // The file the bytes went to (the link's target when the name was a link).
    const std::string& Target() const { return m_target; }

    // One call for the common case: replaces target with bytes. 0 or an errno value.
    static int ReplaceContents(const std::string& target, const std::string& bytes);
    // A new, empty hidden file beside target for a writer that must be handed a name (a
    // GStreamer file sink, a library): unique, within the folder's name limit, and noted in
    // the scratch journal until ScratchJournal::Forget. "" with errno set when none can be
    // made.
    static std::string CreateScratchBeside(const std::string& target);
    // Gives a finished scratch file (from CreateScratchBeside, written by someone else) its
    // target's name the way Finish does: the mode a new file gets (or the replaced file's),
    // synced before the name says it is complete, the folder synced, the journal told.
    // 0, or an errno value with the scratch file left as it was.
    static int CommitScratch(const std::string& scratch, const std::string& target, Commit mode);
    // Off: every file gets a hidden scratch name, as on file systems without unnamed
    // files (lets tests reach that path on any file system).
    static void UseUnnamedFiles(bool use);

  private:
    bool NameUnnamedFile();
    bool NameScratchFile();
    void Close();

    int m_fd = -1;
    int m_error = 0;
    Commit m_mode = Commit::Replace;
    bool m_bUnnamed = false;  // O_TMPFILE: nothing to clean up when the process dies
    bool m_bFinished = false;
    std::string m_target;
    std::string m_folder;
    std::string m_scratch;  // the hidden name while it exists
};
