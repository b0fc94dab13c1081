// The whole skin loader over damaged files: the three windows' loaders read one file made
// either of the input's raw bytes or of the tests' complete skin with the input's edits
// and cut. A load that succeeds must have filled every slot with a picture; one that
// fails must say why, show nothing itself, and leave every slot empty.
#include <QApplication>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/user_prompts.h"
#include "skin/skin_file.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/skin/skin_pack.h"

namespace {

// Counts the boxes instead of showing them.
class CountingPrompts : public UserPrompts {
  public:
    int MessageBox(QWidget*, const std::string&, const std::string&, unsigned) override {
        ++boxes;
        return IDOK;
    }
    bool PromptForFiles(QWidget*, const FilePromptRequest&, std::vector<std::string>*) override {
        return false;
    }
    bool PromptForFolder(QWidget*, const std::string&, std::string*) override { return false; }
    int boxes = 0;
};

QApplication& App() {
    static int argc = 1;
    static char name[] = "fuzz_skin_loader";
    static char* argv[] = {name, nullptr};
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QApplication app(argc, argv);
    return app;
}

const skintest::Bytes& GoodFile() {
    static const skintest::Bytes file = skintest::SkinFileBytes();
    return file;
}

template <class Skin>
void Check(SkinRead (*load)(QWidget*, Skin*, const std::string&),
           void (*table)(Skin*, std::vector<SkinRecordRef>*, std::vector<QPixmap*>*),
           const std::string& path, CountingPrompts& prompts) {
    Skin skin;
    prompts.boxes = 0;
    const SkinRead read = load(nullptr, &skin, path);
    const bool ok = static_cast<bool>(read);
    std::vector<SkinRecordRef> refs;
    std::vector<QPixmap*> targets;
    table(&skin, &refs, &targets);
    for (QPixmap* slot : targets) {
        // A record that unpacks to nothing may leave a hole; nothing else may.
        if (!ok && !slot->isNull())
            std::abort();
    }
    if (prompts.boxes != 0 || ok == (read.failure != SkinFailure::None))
        std::abort();  // a failure says why, a success says nothing, neither shows a box
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    App();
    fuzz::Input input(data, size);
    skintest::Bytes file;
    if (input.Byte() % 2 == 0) {
        const std::string raw = input.Rest();
        file.assign(raw.begin(), raw.end());
    } else {
        file = GoodFile();
        const size_t keep = input.Number(3);
        const unsigned edits = input.Byte() % 16;
        for (unsigned i = 0; i < edits; ++i) {
            const size_t at = input.Number(3) % file.size();
            file[at] = input.Byte();
        }
        if (keep != 0 && keep < file.size())
            file.resize(keep);
    }
    static const std::string path = fuzz::ScratchFolder("skin") + "/skin.dat";
    if (!skintest::WriteBytes(path, file))
        return 0;
    static CountingPrompts prompts;
    SetUserPrompts(&prompts);
    Check<MainSkin>(&LoadMainSkin, &MainSkinTable, path, prompts);
    Check<EditorSkin>(&LoadEditorSkin, &EditorSkinTable, path, prompts);
    Check<ViewerSkin>(&LoadViewerSkin, &ViewerSkinTable, path, prompts);
    SetUserPrompts(nullptr);
    return 0;
}
