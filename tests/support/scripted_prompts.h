// A UserPrompts for tests: records every question and answers from queues filled by the
// test. With an empty queue a message box answers IDOK (IDCANCEL for boxes that offer
// cancel, IDNO for yes/no) and file and folder prompts answer "cancelled".
//
//   ScriptedPrompts prompts;          // installs itself, puts the old one back when gone
//   prompts.QueueAnswer(IDYES);
//   prompts.QueueFiles({"/tmp/a.wav"});
#pragma once

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "platform/user_prompts.h"

class ScriptedPrompts : public UserPrompts {
  public:
    struct Box {
        std::string text;
        std::string caption;
        unsigned style = 0;
    };

    explicit ScriptedPrompts(bool install = true);
    ~ScriptedPrompts() override;

    void QueueAnswer(int answer);
    // An empty list scripts a cancelled prompt; filterIndex is the filter "chosen" with it.
    void QueueFiles(std::vector<std::string> files, int filterIndex = 0);
    // An empty folder scripts a cancelled browser.
    void QueueFolder(std::string folder);

    int MessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                   unsigned style) override;
    bool PromptForFiles(QWidget* owner, const FilePromptRequest& request,
                        std::vector<std::string>* chosen) override;
    bool PromptForFolder(QWidget* owner, const std::string& title, std::string* folder) override;
    int LastFilterIndex() const override { return m_lastFilter; }

    const std::vector<Box>& Boxes() const { return m_boxes; }
    const std::vector<FilePromptRequest>& FileRequests() const { return m_fileRequests; }
    const std::vector<std::string>& FolderTitles() const { return m_folderTitles; }
    // Text of the last message box, empty when none was shown.
    std::string LastText() const { return m_boxes.empty() ? std::string() : m_boxes.back().text; }
    void Clear();

  private:
    bool m_installed;
    std::deque<int> m_answers;
    std::deque<std::pair<std::vector<std::string>, int>> m_files;
    int m_lastFilter = 0;
    std::deque<std::string> m_folders;
    std::vector<Box> m_boxes;
    std::vector<FilePromptRequest> m_fileRequests;
    std::vector<std::string> m_folderTitles;
};
