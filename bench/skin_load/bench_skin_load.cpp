// Times what the main window does with skin.dat when it opens (read and unpack its 65
// records into pixmaps), and the unpacking alone, against reading the whole file in one
// go, all in the same run. Argument: the skin.dat to use; default the one in the program
// folder, else a generated one of the same layout.
#include <unistd.h>
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/support/bench_support.h"
#include "platform/user_prompts.h"
#include "skin/skin_file.h"
#include "tests/skin/skin_pack.h"

namespace fs = std::filesystem;

namespace {

// A broken file must report, not wait for someone to press OK.
class PrintedPrompts : public UserPrompts {
  public:
    int MessageBox(QWidget*, const std::string& text, const std::string&, unsigned) override {
        std::fprintf(stderr, "bench_skin_load: %s\n", text.c_str());
        return IDOK;
    }
    bool PromptForFiles(QWidget*, const FilePromptRequest&, std::vector<std::string>*) override {
        return false;
    }
    bool PromptForFolder(QWidget*, const std::string&, std::string*) override { return false; }
};

using bench::TimeMs;

struct Figures {
    std::vector<double> ms;
    double Best() const { return *std::min_element(ms.begin(), ms.end()); }
    double Median() const {
        std::vector<double> s = ms;
        std::sort(s.begin(), s.end());
        return s[s.size() / 2];
    }
};

size_t ReadWhole(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return 0;
    std::vector<uint8_t> all(kSkinFileSize + 1);
    const size_t n = std::fread(all.data(), 1, all.size(), f);
    std::fclose(f);
    return n;
}

// The loader's file work without the pixmaps: one seek and one read per record, then the
// unpacking into a buffer of the table's size.
size_t UnpackOnly(const std::string& path, const std::vector<SkinRecordRef>& refs) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return 0;
    size_t total = 0;
    for (const SkinRecordRef& r : refs) {
        std::vector<uint8_t> in(r.packed), out(r.unpacked);
        if (std::fseek(f, static_cast<long>(r.offset), SEEK_SET) != 0 ||
            std::fread(in.data(), 1, in.size(), f) != in.size())
            continue;
        total += UnpackRunLength(out.data(), out.size(), in.data(), in.size());
    }
    std::fclose(f);
    return total;
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    PrintedPrompts prompts;
    SetUserPrompts(&prompts);

    std::string path = argc > 1 ? argv[1] : std::string(VELTRA_BIN_DIR) + "/skin.dat";
    std::string generated;
    if (argc <= 1 && !fs::exists(path)) {
        generated =
            (fs::temp_directory_path() / ("veltra-bench-skin-" + std::to_string(getpid()) + ".dat"))
                .string();
        if (!skintest::WriteBytes(generated, skintest::SkinFileBytes())) {
            std::fprintf(stderr, "bench_skin_load: cannot write %s\n", generated.c_str());
            return 1;
        }
        path = generated;
    }
    std::printf("skin file: %s%s\n", path.c_str(), generated.empty() ? "" : " (generated)");

    std::vector<SkinRecordRef> refs;
    std::vector<QPixmap*> targets;
    auto skin = std::make_unique<MainSkin>();
    MainSkinTable(skin.get(), &refs, &targets);

    Figures whole, load, unpack;
    bool ok = true;
    const int rounds = 50;
    for (int i = 0; i < rounds; ++i) {
        whole.ms.push_back(TimeMs([&] { ok &= ReadWhole(path) == kSkinFileSize; }));
        load.ms.push_back(TimeMs(
            [&] { ok &= LoadSkinImages(nullptr, path, refs, targets).records == refs.size(); }));
        unpack.ms.push_back(TimeMs([&] { ok &= UnpackOnly(path, refs) > 0; }));
    }
    int empty = 0;
    for (QPixmap* p : targets) empty += p->isNull();

    std::printf("records: %zu (%d empty)\n", refs.size(), empty);
    std::printf("plain read of the whole file: best %.3f ms, median %.3f ms\n", whole.Best(),
                whole.Median());
    std::printf("LoadSkinImages, 65 records to pixmaps: best %.3f ms, median %.3f ms\n",
                load.Best(), load.Median());
    std::printf("read and unpack only: best %.3f ms, median %.3f ms\n", unpack.Best(),
                unpack.Median());
    std::printf("ratio load / plain read: %.2f (median)\n", load.Median() / whole.Median());
    std::printf("ratio unpack / plain read: %.2f (median)\n", unpack.Median() / whole.Median());
    std::printf("target: load under 5 ms: %s\n", load.Median() < 5.0 ? "met" : "NOT met");
    if (!generated.empty())
        fs::remove(generated);
    SetUserPrompts(nullptr);
    return ok && empty == 0 ? 0 : 1;
}
