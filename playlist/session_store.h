// The list and the playing position kept between runs, in the user's state folder
// ($XDG_STATE_HOME/veltra/session, else ~/.local/state/veltra/session). The file is
// plain text: a header line, one "resume" line (tenths, tab, path) and then one path per
// line in list order. It is replaced whole or not at all, so a crash while saving leaves
// the last good list.
#pragma once

#include <string>
#include <vector>

struct SessionState {
    std::vector<std::string> paths;  // the list's rows, first row first
    std::string resumePath;          // the item that was playing, or empty
    int resumeTenths = 0;            // where it was
};

class SessionStore {
  public:
    // file: where the session lives; empty for the state folder's.
    explicit SessionStore(std::string file = {});

    static std::string DefaultFile();
    const std::string& File() const { return m_file; }

    // False when there is no session or it is not ours; state is then empty.
    bool Load(SessionState* state) const;
    // 0 or an errno value. Paths holding a line break cannot be written as a line and are
    // left out, as is a resume path of that kind.
    int Save(const SessionState& state) const;

  private:
    std::string m_file;
};
