// The one seam through which the program asks the user something: message boxes, open
// and save prompts, the folder browser. The product installs the Qt implementation;
// tests install a scripted one, so no test ever opens a modal dialog.
#pragma once

#include <string>
#include <vector>

class QWidget;

// Message box styles and answers, with the Windows values the callers are written against.
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_YESNOCANCEL = 0x3;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_ICONSTOP = 0x10;
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONEXCLAMATION = 0x30;
constexpr unsigned MB_ICONWARNING = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

struct FilePromptRequest {
    bool save = false;         // save prompt (asks before replacing) or open prompt
    bool multiSelect = false;  // open prompt only
    std::string title;         // empty: the toolkit's default title
    // Windows filter form: "Label|*.a;*.b|Label 2|*.c||" (pairs of label and patterns).
    std::string filter;
    std::string defaultExt;   // appended when the typed name has no extension (no dot)
    std::string initialPath;  // folder, or folder/file name proposed
};

class UserPrompts {
  public:
    virtual ~UserPrompts() = default;
    // Returns IDOK, IDCANCEL, IDYES or IDNO. Caption and text are UTF-8.
    virtual int MessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                           unsigned style) = 0;
    // True with at least one UTF-8 path in chosen; false when the user cancelled.
    virtual bool PromptForFiles(QWidget* owner, const FilePromptRequest& request,
                                std::vector<std::string>* chosen) = 0;
    // True with the chosen folder (no trailing separator); false when cancelled. The prompt
    // opens in *folder when that names one.
    virtual bool PromptForFolder(QWidget* owner, const std::string& title, std::string* folder) = 0;
    // Which filter of the request (0 for the first pair) was chosen in the last confirmed
    // file prompt.
    virtual int LastFilterIndex() const { return 0; }
};

// The extension (without the dot) a save under filter number index gives a name that
// has none: its first pattern when that is a plain "*.ext", else "".
std::string FilterExtension(const std::string& filter, int index);
// name with the chosen filter's extension (or else defaultExt) appended when its file
// name holds no dot, the rule by which the file dialog adds one.
std::string WithFilterExtension(const std::string& name, const FilePromptRequest& request,
                                int filterIndex);

// The process-wide prompts in use. Defaults to the Qt implementation; SetUserPrompts
// replaces it (nullptr puts the default back) and does not take ownership.
UserPrompts& Prompts();
void SetUserPrompts(UserPrompts* prompts);
