#include "tests/support/scripted_prompts.h"

#include <utility>

ScriptedPrompts::ScriptedPrompts(bool install) : m_installed(install) {
    if (m_installed)
        SetUserPrompts(this);
}

ScriptedPrompts::~ScriptedPrompts() {
    if (m_installed)
        SetUserPrompts(nullptr);
}

void ScriptedPrompts::QueueAnswer(int answer) {
    m_answers.push_back(answer);
}
void ScriptedPrompts::QueueFiles(std::vector<std::string> files, int filterIndex) {
    m_files.emplace_back(std::move(files), filterIndex);
}
void ScriptedPrompts::QueueFolder(std::string folder) {
    m_folders.push_back(std::move(folder));
}

int ScriptedPrompts::MessageBox(QWidget*, const std::string& text, const std::string& caption,
                                unsigned style) {
    m_boxes.push_back({text, caption, style});
    if (!m_answers.empty()) {
        int answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }
    switch (style & 0xF) {
        case MB_OKCANCEL:
        case MB_YESNOCANCEL:
            return IDCANCEL;
        case MB_YESNO:
            return IDNO;
        default:
            return IDOK;
    }
}

bool ScriptedPrompts::PromptForFiles(QWidget*, const FilePromptRequest& request,
                                     std::vector<std::string>* chosen) {
    m_fileRequests.push_back(request);
    if (m_files.empty())
        return false;
    auto [files, filter] = std::move(m_files.front());
    m_files.pop_front();
    if (files.empty())
        return false;
    m_lastFilter = filter;
    if (chosen)
        *chosen = std::move(files);
    return true;
}

bool ScriptedPrompts::PromptForFolder(QWidget*, const std::string& title, std::string* folder) {
    m_folderTitles.push_back(title);
    if (m_folders.empty())
        return false;
    std::string answer = std::move(m_folders.front());
    m_folders.pop_front();
    if (answer.empty())
        return false;
    if (folder)
        *folder = std::move(answer);
    return true;
}

void ScriptedPrompts::Clear() {
    m_answers.clear();
    m_files.clear();
    m_folders.clear();
    m_boxes.clear();
    m_fileRequests.clear();
    m_folderTitles.clear();
}
