#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStringList>
#include <algorithm>
#include <utility>

#include "platform/localised_file_list.h"
#include "platform/qt_prompts.h"

namespace {

UserPrompts* g_prompts = nullptr;

std::vector<std::string> SplitOn(const std::string& text, char sep) {
    std::vector<std::string> parts;
    size_t pos = 0;
    while (true) {
        size_t next = text.find(sep, pos);
        parts.push_back(text.substr(pos, next == std::string::npos ? next : next - pos));
        if (next == std::string::npos)
            break;
        pos = next + 1;
    }
    return parts;
}

std::string TrimSpaces(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    size_t b = s.find_first_not_of(' ');
    return b == std::string::npos ? std::string() : s.substr(b);
}

std::string DefaultExtensionOf(const FilePromptRequest& request) {
    std::string ext = request.defaultExt;
    while (!ext.empty() && (ext.front() == '.' || ext.front() == '*')) ext.erase(0, 1);
    if (ext.find_first_of("*?") != std::string::npos)
        return {};
    return ext;
}

class QtPrompts : public UserPrompts {
  public:
    int MessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                   unsigned style) override {
        // Parented to one of our frameless skinned windows, the box came up as an empty
        // black rectangle that took Return blind; a box of its own draws. It stays modal
        // to the whole program and comes up centred over the window that asks.
        QMessageBox box;
        box.setWindowModality(Qt::ApplicationModal);
        box.setWindowTitle(QString::fromStdString(caption));
        box.setText(QString::fromStdString(text));
        switch (style & 0xF0) {
            case MB_ICONSTOP:
                box.setIcon(QMessageBox::Critical);
                break;
            case MB_ICONQUESTION:
                box.setIcon(QMessageBox::Question);
                break;
            case MB_ICONEXCLAMATION:
                box.setIcon(QMessageBox::Warning);
                break;
            case MB_ICONINFORMATION:
                box.setIcon(QMessageBox::Information);
                break;
            default:
                box.setIcon(QMessageBox::NoIcon);
                break;
        }
        switch (style & 0xF) {
            case MB_OKCANCEL:
                box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
                box.setEscapeButton(QMessageBox::Cancel);
                break;
            case MB_YESNOCANCEL:
                box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
                box.setEscapeButton(QMessageBox::Cancel);
                break;
            case MB_YESNO:
                box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
                box.setEscapeButton(QMessageBox::No);
                break;
            default:
                box.setStandardButtons(QMessageBox::Ok);
                box.setEscapeButton(QMessageBox::Ok);
                break;
        }
        if (QWidget* window = owner ? owner->window() : nullptr; window && window->isVisible()) {
            box.adjustSize();
            QRect placed = box.frameGeometry();
            placed.moveCenter(window->frameGeometry().center());
            // A box wider than a window near the screen's edge would hang off the screen.
            if (const QScreen* screen = window->screen()) {
                const QRect room = screen->availableGeometry();
                placed.moveLeft(std::max(
                    room.left(), std::min(placed.left(), room.right() - placed.width() + 1)));
                placed.moveTop(std::max(
                    room.top(), std::min(placed.top(), room.bottom() - placed.height() + 1)));
            }
            box.move(placed.topLeft());
        }
        switch (box.exec()) {
            case QMessageBox::Yes:
                return IDYES;
            case QMessageBox::No:
                return IDNO;
            case QMessageBox::Cancel:
                return IDCANCEL;
            default:
                return IDOK;
        }
    }

    bool PromptForFiles(QWidget* owner, const FilePromptRequest& request,
                        std::vector<std::string>* chosen) override {
        PromptFileDialog dialog(owner);
        dialog.Configure(request);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        QStringList files = dialog.selectedFiles();
        if (files.isEmpty())
            return false;
        m_nLastFilter = dialog.ChosenFilter();
        if (chosen) {
            chosen->clear();
            for (const QString& f : files) chosen->push_back(f.toStdString());
        }
        return true;
    }

    int LastFilterIndex() const override { return m_nLastFilter; }

    bool PromptForFolder(QWidget* owner, const std::string& title, std::string* folder) override {
        PromptFileDialog dialog(owner);
        dialog.ConfigureForFolder(QString::fromStdString(title),
                                  folder ? QString::fromStdString(*folder) : QString());
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return false;
        const QString dir = dialog.selectedFiles().front();
        if (dir.isEmpty())
            return false;
        std::string path = QDir::cleanPath(dir).toStdString();
        while (path.size() > 1 && path.back() == '/') path.pop_back();
        if (folder)
            *folder = path;
        return true;
    }

  private:
    int m_nLastFilter = 0;
};

}  // namespace

PromptFileDialog::PromptFileDialog(QWidget* owner) : QFileDialog(owner) {
    ShowInProgramLocale(*this);
}

void PromptFileDialog::ConfigureForFolder(const QString& title, const QString& start) {
    setWindowTitle(title);
    setFileMode(QFileDialog::Directory);
    setOption(QFileDialog::ShowDirsOnly);
    // The folder asked about so far is where the prompt opens.
    if (!start.isEmpty() && QFileInfo(start).isDir())
        setDirectory(QFileInfo(start).absoluteFilePath());
}

void PromptFileDialog::Configure(const FilePromptRequest& request) {
    if (!request.title.empty())
        setWindowTitle(QString::fromStdString(request.title));
    if (request.save) {
        setAcceptMode(QFileDialog::AcceptSave);
        setFileMode(QFileDialog::AnyFile);
    } else {
        setAcceptMode(QFileDialog::AcceptOpen);
        setFileMode(request.multiSelect ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    }
    m_Filters.clear();
    const std::vector<std::string> parts = SplitOn(request.filter, '|');
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].empty() && parts[i + 1].empty())
            break;
        const std::string one = QtNameFilterFromWindows(parts[i] + "|" + parts[i + 1] + "||");
        if (one.empty())
            continue;
        const int pair = static_cast<int>(i / 2);
        m_Filters.push_back({QString::fromStdString(one),
                             QString::fromStdString(FilterExtension(request.filter, pair)), pair});
    }
    QStringList names;
    for (const Filter& f : m_Filters) names.push_back(f.name);
    if (!names.isEmpty())
        setNameFilters(names);
    m_Fallback = QString::fromStdString(DefaultExtensionOf(request));
    setDefaultSuffix(m_Fallback);
    if (!request.initialPath.empty()) {
        QFileInfo initial(QString::fromStdString(request.initialPath));
        if (initial.isDir()) {
            setDirectory(initial.absoluteFilePath());
        } else {
            setDirectory(initial.absolutePath());
            selectFile(initial.fileName());
        }
    }
}

int PromptFileDialog::ChosenFilter() const {
    const QString chosen = selectedNameFilter();
    for (const Filter& f : m_Filters) {
        if (f.name == chosen)
            return f.pair;
    }
    return 0;
}

void PromptFileDialog::accept() {
    QString suffix = m_Fallback;
    const QString chosen = selectedNameFilter();
    for (const Filter& f : m_Filters) {
        if (f.name == chosen && !f.extension.isEmpty())
            suffix = f.extension;
    }
    // Qt adds the suffix to a name without a dot before its own overwrite question.
    setDefaultSuffix(suffix);
    QFileDialog::accept();
}

std::string FilterExtension(const std::string& filter, int index) {
    if (index < 0)
        return {};
    std::vector<std::string> parts = SplitOn(filter, '|');
    const std::size_t at = static_cast<std::size_t>(index) * 2 + 1;
    if (at >= parts.size())
        return {};
    const std::string first = TrimSpaces(SplitOn(parts[at], ';').front());
    if (first.size() < 3 || first.compare(0, 2, "*.") != 0)
        return {};
    const std::string ext = first.substr(2);
    if (ext.find_first_of("*?./\\[]") != std::string::npos)
        return {};
    return ext;
}

std::string WithFilterExtension(const std::string& name, const FilePromptRequest& request,
                                int filterIndex) {
    const auto slash = name.rfind('/');
    const std::string file = slash == std::string::npos ? name : name.substr(slash + 1);
    if (file.empty() || file.find('.') != std::string::npos)
        return name;
    std::string ext = FilterExtension(request.filter, filterIndex);
    if (ext.empty())
        ext = DefaultExtensionOf(request);
    return ext.empty() ? name : name + "." + ext;
}

std::string QtNameFilterFromWindows(const std::string& filter) {
    std::vector<std::string> parts = SplitOn(filter, '|');
    std::string out;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        std::string label = TrimSpaces(parts[i]);
        std::string patterns = parts[i + 1];
        if (label.empty() && patterns.empty())
            break;  // the closing "||"
        // Labels often spell their patterns already ("Audio Files (*.wav)"); Qt reads
        // patterns from the last parentheses, so those give way to the real ones.
        if (!label.empty() && label.back() == ')') {
            size_t open = label.rfind('(');
            if (open != std::string::npos)
                label = TrimSpaces(label.substr(0, open));
        }
        std::string qtPatterns;
        for (const std::string& p : SplitOn(patterns, ';')) {
            std::string t = TrimSpaces(p);
            if (t.empty())
                continue;
            if (!qtPatterns.empty())
                qtPatterns += ' ';
            qtPatterns += t;
        }
        if (qtPatterns.empty())
            continue;
        if (!out.empty())
            out += ";;";
        out += (label.empty() ? qtPatterns : label) + " (" + qtPatterns + ")";
    }
    return out;
}

UserPrompts& QtUserPrompts() {
    static QtPrompts prompts;
    return prompts;
}

UserPrompts& Prompts() {
    return g_prompts ? *g_prompts : QtUserPrompts();
}

void SetUserPrompts(UserPrompts* prompts) {
    g_prompts = prompts;
}
