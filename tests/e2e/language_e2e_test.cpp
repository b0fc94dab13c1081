// Every window and message of the real program under each language: the texts its widgets
// show (read by the text probe plug-in) hold nothing of the other language and none is cut
// off, and a picture of each is kept under tests/screens/<language>/ in the build folder.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QPainter>
#include <QXmlStreamReader>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

#include <unistd.h>

#include "skin/skin_records.h"
#include "tests/e2e/program_test.h"
#include "tests/e2e/read_only_folder.h"
#include "tests/e2e/xdnd_drop.h"
#include "tests/support/media_factory.h"

namespace fs = std::filesystem;
using namespace e2e;

namespace {

// The longest path the system takes, with its terminator.
constexpr std::size_t kMaxPathBytes = PATH_MAX;

struct Shown {
    std::string window;  // the class of the window it is in
    std::string kind, widget, text;
    bool fits = true;
    QRect area;  // of a window, on the screen
};

// A window mapped but not drawn yet is all black on the screenshot.
bool Drawn(const QImage& screen, const QRect& area) {
    const QImage part = screen.copy(area.intersected(screen.rect()));
    if (part.isNull())
        return true;
    qint64 black = 0;
    for (int y = 0; y < part.height(); ++y)
        for (int x = 0; x < part.width(); ++x) black += (part.pixel(x, y) & 0xFFFFFF) == 0;
    return black < qint64(part.width()) * part.height() * 9 / 10;
}

bool IsJapanese(char32_t c) {
    return (c >= 0x3000 && c <= 0x30FF) || (c >= 0x4E00 && c <= 0x9FFF) ||
           (c >= 0xFF01 && c <= 0xFF9F);
}

bool HasJapanese(const std::string& text) {
    for (char32_t c : QString::fromStdString(text).toStdU32String())
        if (IsJapanese(c))
            return true;
    return false;
}

// The English texts of our catalogue that differ from the code's Japanese ones.
std::set<std::string> EnglishOnlyTexts() {
    std::set<std::string> texts;
    QFile file(QStringLiteral(VELTRA_SOURCE_DIR "/resources/translations/veltra_en.ts"));
    if (!file.open(QIODevice::ReadOnly))
        return texts;
    QXmlStreamReader xml(&file);
    QString source;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("source")) {
            source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            const QString english = xml.readElementText();
            if (english != source && english.size() > 1)
                texts.insert(english.toStdString());
        }
    }
    return texts;
}

// Qt's own dialog texts that its Japanese catalogue must have replaced.
const std::set<std::string> kQtEnglish = {"Folder",
                                          "Cancel",
                                          "&Cancel",
                                          "&Open",
                                          "Open",
                                          "&Save",
                                          "Save",
                                          "Look in:",
                                          "File name:",
                                          "Files of type:",
                                          "Date Modified",
                                          "Type",
                                          "Back",
                                          "Forward",
                                          "Parent Directory",
                                          "Create New Folder",
                                          "List View",
                                          "Detail View",
                                          "&Yes",
                                          "&No",
                                          "Computer",
                                          "Kind"};

class LanguageE2E : public ProgramTest, public ::testing::WithParamInterface<const char*> {
  protected:
    void SetUp() override {
        ProgramTest::SetUp();
        if (Stopped())
            return;
        probe = box.Root() + "/texts.txt";
        box.SetEnv("TEXT_PROBE_FILE", probe);
        box.SetEnv("QT_PLUGIN_PATH", VELTRA_BUILD_DIR "/tests/plugins");
        box.SetEnv("QT_QPA_GENERIC_PLUGINS", "veltratextprobe");
        ASSERT_TRUE(fs::exists(VELTRA_BUILD_DIR "/tests/plugins/generic/libveltra_text_probe.so"));
        shots = std::string(VELTRA_BUILD_DIR) + "/tests/screens/" + GetParam();
        fs::create_directories(shots);
        // The desktop speaks the other language: nothing may follow it.
        for (const char* name : {"LC_ALL", "LC_MESSAGES", "LC_TIME", "LANGUAGE", "VELTRA_LANG"})
            box.SetEnv(name, "");
        box.SetEnv("LANG", English() ? "ja_JP.UTF-8" : "en_US.UTF-8");
    }
    bool English() const { return std::string(GetParam()) == "en"; }

    std::vector<std::string> Arguments(const std::string& file) const {
        std::vector<std::string> args{std::string("--lang=") + GetParam()};
        if (!file.empty())
            args.push_back(file);
        return args;
    }

    std::unique_ptr<VeltraProcess> Launch(const std::string& file) {
        auto app = Start(Arguments(file), &main);
        m_pid = app->Pid();
        return app;
    }

    std::vector<Shown> Read() const {
        std::vector<Shown> all;
        const QStringList lines = QString::fromStdString(testmedia::ReadFile(probe)).split('\n');
        std::string window;
        for (const QString& line : lines) {
            const QStringList f = line.split('\t');
            if (f.size() >= 4 && f[0] == QLatin1String("window")) {
                window = f[1].toStdString();
                QRect area;
                if (f.size() >= 8)
                    area = QRect(f[4].toInt(), f[5].toInt(), f[6].toInt(), f[7].toInt());
                all.push_back(
                    {window, "title", f[1].toStdString(), f[3].toStdString(), true, area});
            } else if (f.size() >= 4) {
                all.push_back({window, f[0].toStdString(), f[1].toStdString(),
                               f.mid(3).join('\t').toStdString(), f[2] == QLatin1String("fits"),
                               QRect()});
            }
        }
        return all;
    }

    // Waits until a window of that class shows this text (any text when empty) and returns
    // what every window shows then.
    std::vector<Shown> WaitForText(const std::string& window, const std::string& text) {
        std::vector<Shown> all;
        const bool seen = WaitFor(
            [&] {
                all = Read();
                for (const Shown& s : all)
                    if (s.window == window && (text.empty() || s.text == text))
                        return true;
                return false;
            },
            20000);
        std::string windows;
        for (const Shown& s : all)
            if (s.kind == "title")
                windows += " " + s.window;
            else if (s.kind == "label" && s.window != "MainWindow")
                windows += " (" + s.text + ")";
        EXPECT_TRUE(seen) << "no " << window << " showing '" << text << "'; windows:" << windows;
        return all;
    }

    // The texts of one window: none of the other language, none cut off.
    void Check(const std::vector<Shown>& all, const std::string& window,
               const std::set<std::string>& allowedJapanese = {}) {
        static const std::set<std::string> english = EnglishOnlyTexts();
        int count = 0;
        for (const Shown& s : all) {
            if (s.window != window)
                continue;
            ++count;
            SCOPED_TRACE(window + " " + s.kind + " " + s.widget + ": " + s.text);
            // A box centred over a window at the screen's edge still starts on the screen.
            if (s.kind == "title" && !s.area.isEmpty()) {
                EXPECT_TRUE(s.area.left() >= 0 && s.area.top() >= 0) << "off the screen";
            }
            // A skin button is a picture of the skin: its text is a name only.
            EXPECT_TRUE(s.fits || s.widget == "SkinButton") << "cut off";
            if (English()) {
                EXPECT_TRUE(!HasJapanese(s.text) || allowedJapanese.count(s.text)) << "Japanese";
            } else {
                EXPECT_EQ(english.count(s.text), 0u) << "our English";
                EXPECT_EQ(kQtEnglish.count(s.text), 0u) << "Qt's English";
            }
        }
        EXPECT_GT(count, 0) << "nothing read from " << window;
    }

    // Whether a window of that class is up.
    bool Showing(const std::vector<Shown>& all, const std::string& window) const {
        for (const Shown& s : all)
            if (s.kind == "title" && s.window == window)
                return true;
        return false;
    }

    bool HasPart(const std::vector<Shown>& all, const std::string& part) const {
        for (const Shown& s : all)
            if (s.text.find(part) != std::string::npos)
                return true;
        return false;
    }

    bool Has(const std::vector<Shown>& all, const std::string& text) const {
        for (const Shown& s : all)
            if (s.text == text)
                return true;
        return false;
    }

    // Types prefix, seed doubled that many times, and tail into the edit that has the
    // focus in that window; the long middle goes through the clipboard, as typing it would
    // take minutes.
    void TypeLongText(const std::string& window, const std::string& prefix, const std::string& seed,
                      int doublings, const std::string& tail) {
        TypeText(window, seed);
        for (int i = 0; i < doublings; ++i) KeyStrokes({"ctrl+a", "ctrl+c", "End", "ctrl+v"});
        KeyStrokes({"Home"});
        TypeText(window, prefix);
        KeyStrokes({"End"});
        TypeText(window, tail);
    }

    // Waits until no message box is up any more (the program's texts are read again).
    void WaitForNoBox() {
        EXPECT_TRUE(
            WaitFor([&] { return !Showing(Read(), "QMessageBox") && !Read().empty(); }, 10000));
    }

    // A picture once the screen has settled (a pop-up is mapped before it is drawn); a
    // window that keeps moving (an animation) is taken once it is drawn.
    void Shoot(const std::string& name, const std::string& window = {}, bool settles = true) {
        auto take = [&] { return window.empty() ? ScreenAsDrawn() : WindowShot(window); };
        QImage shot = take();
        WaitFor(
            [&] {
                QImage again = take();
                std::swap(again, shot);
                if (shot.isNull() || (settles && again != shot))
                    return false;
                if (!window.empty())
                    return Drawn(shot, shot.rect());
                for (const Shown& s : Read())
                    if (s.kind == "title" && !Drawn(shot, s.area) && !DrawnOver(&shot, s.area))
                        return false;
                return true;
            },
            10000);
        ASSERT_FALSE(shot.isNull()) << name;
        EXPECT_TRUE(window.empty() ? true : Drawn(shot, shot.rect())) << name << " never drawn";
        shot.save(QString::fromStdString(shots + "/" + name + ".png"));
        // What the widgets said at that moment, beside the picture.
        fs::copy_file(probe, shots + "/" + name + ".txt", fs::copy_options::overwrite_existing);
    }

    // A plain read of a window mapped late can come back black on this X server while the
    // frame buffer holds it drawn: the window at that place is read from there instead.
    bool DrawnOver(QImage* shot, const QRect& area) {
        for (const std::string& id : FindWindows(".*", m_pid)) {
            if (WindowGeometry(id) != area)
                continue;
            const QImage part = ScreenOver(id);
            if (part.isNull() || !Drawn(part, part.rect()))
                return false;
            QPainter(shot).drawImage(area.topLeft(), part);
            return true;
        }
        return false;
    }

    // The X window of the program's window of that class, found where the probe says it is
    // (its title will not do: with the desktop's locale missing from the C library, Qt
    // writes it to the older title property mangled).
    std::string WindowOf(const std::vector<Shown>& all, const std::string& window) {
        for (const Shown& s : all)
            if (s.kind == "title" && s.window == window) {
                std::string id;
                WaitFor(
                    [&] {
                        for (const std::string& w : FindWindows(".*", m_pid))
                            if (WindowGeometry(w) == s.area)
                                id = w;
                        return !id.empty();
                    },
                    5000);
                return id;
            }
        return {};
    }

    std::string probe, shots, main;
    qint64 m_pid = 0;
};

TEST_P(LanguageE2E, MainWindowItsMenuAndTheAboutBox) {
    const std::string song = testmedia::Tone(box.MediaDir(), "song.wav", 2.0);
    auto app = Launch(song);
    ASSERT_FALSE(main.empty());
    // The start file opens on its own thread: its Pause button's tip shows once it plays.
    auto all = WaitForText("MainWindow", English() ? "Pause (Space)" : "一時停止 (Space)");
    Check(all, "MainWindow");
    // The list's column headers are the stored texts in both languages.
    for (const char* header : {"Name", "Size", "State"}) EXPECT_TRUE(Has(all, header)) << header;
    EXPECT_TRUE(Has(all, English() ? "Pause (Space)" : "一時停止 (Space)"));
    EXPECT_TRUE(Has(all, English() ? "Volume (+ / -, wheel)" : "音量 (+ / -, ホイール)"));
    // Controls are named for screen readers in the same language.
    EXPECT_TRUE(Has(all, English() ? "Position" : "再生位置"));
    EXPECT_TRUE(Has(all, English() ? "Volume" : "音量"));
    Shoot("main");

    auto layout = Layout(*app);
    ASSERT_FALSE(OpenMenu(main, Centre(layout["menu"]), app->Pid()).empty());
    KeyStrokes({"Down", "Right"});  // the File sub-menu open beside the menu
    all = WaitForText("QMenu", English() ? "&Open File..." : "ファイルを開く(&O)");
    Check(all, "QMenu");
    EXPECT_TRUE(Has(all, English() ? "&Help" : "情報(&A)"));
    Shoot("menu");
    KeyStrokes({"Escape", "Escape"});

    // Every other sub-menu, each beside the menu in its turn.
    struct SubMenu {
        const char *name, *english, *japanese;
    };
    int below = 1;
    for (const SubMenu& sub :
         {SubMenu{"menu_system", "Co&py Files in List...", "リスト内のコピー(&P)"},
          SubMenu{"menu_list_view", "&Details", "詳細（&D）"},
          SubMenu{"menu_screen", "&Native Size", "原画サイズ(&N)"},
          SubMenu{"menu_output", "System Default", "システムの既定"}}) {
        SCOPED_TRACE(sub.name);
        ASSERT_FALSE(OpenMenu(main, Centre(layout["menu"]), app->Pid()).empty());
        std::vector<std::string> keys(static_cast<std::size_t>(++below), "Down");
        keys.push_back("Right");
        KeyStrokes(keys);
        all = WaitForText("QMenu", English() ? sub.english : sub.japanese);
        Check(all, "QMenu");
        Shoot(sub.name);
        KeyStrokes({"Escape", "Escape"});
        EXPECT_TRUE(WaitFor([&] { return !Showing(Read(), "QMenu") && !Read().empty(); }, 10000));
    }

    ASSERT_FALSE(OpenMenu(main, Centre(layout["menu"]), app->Pid()).empty());
    KeyStrokes({"Up", "Right", "Return"});  // the last sub-menu, its one item
    all = WaitForText("AboutDialog", "");
    Check(all, "AboutDialog");
    EXPECT_TRUE(Has(all, English() ? "About VELTRA" : "VELTRA のﾊﾞｰｼﾞｮﾝ情報"));
    Shoot("about");
}

// A list of a sound, a video and a picture, with a folder beside them.
std::string MixedList(const std::string& dir) {
    testmedia::Tone(dir, "song.wav", 3.0);
    testmedia::Video(dir, "clip.avi", 2.0);
    testmedia::Picture(dir, "still.jpg");
    fs::create_directories(dir + "/lists");
    return testmedia::WriteBytes(dir, "mixed.vpl", "song.wav\r\nclip.avi\r\nstill.jpg\r\n");
}

TEST_P(LanguageE2E, ViewerEditorProfileAndTheEditorsMessages) {
    // A folder on a disk that is all but full.
    const std::string small = box.Root() + "/small";
    fs::create_directories(small);
    box.SetEnv("SMALL_DISK_FOLDER", small);
    box.SetEnv("SMALL_DISK_FREE", "1048576");
    const std::string shrink = VELTRA_BUILD_DIR "/tests/plugins/libveltra_small_disk.so";
    ASSERT_TRUE(fs::exists(shrink));
    box.SetEnv("LD_PRELOAD", shrink);
#ifdef __SANITIZE_ADDRESS__
    // The sanitizer's run-time then comes second: it still works.
    const char* asan = std::getenv("ASAN_OPTIONS");
    box.SetEnv("ASAN_OPTIONS", std::string(asan ? asan : "") + ":verify_asan_link_order=0");
#endif
    auto app = Launch(MixedList(box.MediaDir()));
    ASSERT_FALSE(main.empty());
    auto layout = Layout(*app);
    const QPoint firstRow(layout["list"].x() + 40, layout["list"].y() + 30);

    Click(main, Centre(layout["viewer"]));
    auto all = WaitForText("ViewerWindow", "");
    Check(all, "ViewerWindow");
    Shoot("viewer");

    // A picture cannot be edited: the box says so.
    Click(main, firstRow);
    Key(main, "End");
    Click(main, Centre(layout["edit"]));
    all = WaitForText("QMessageBox", English() ? "Only video or audio items can be edited."
                                               : "動画または音声コンテンツのみ編集可能です。");
    Check(all, "QMessageBox");
    Shoot("not_editable");
    Key(WaitForNewWindow("VELTRA", app->Pid(), {main}, 5000), "Return");

    Click(main, firstRow);
    Key(main, "Down");  // the video: every kind of cut open to it
    Click(main, Centre(layout["edit"]));
    ASSERT_TRUE(app->WaitForLog("editor layout preview", 10000)) << app->Log();
    const std::string editor = WaitForNewWindow("VELTRA", app->Pid(), {main}, 5000);
    auto controls = Rects(app->Log(), "editor layout");
    all = WaitForText("EditorDialog", English() ? "Cut" : "実行");
    Check(all, "EditorDialog");
    EXPECT_TRUE(Has(all, English() ? "Video && audio cut" : "動画＆音声カット"));
    Shoot("editor", editor);

    // A still of the video is kept beside it, and the box says where.
    Click(editor, Centre(controls["still"]));
    all = WaitForText("QMessageBox", "");
    EXPECT_TRUE(
        HasPart(all, English() ? "A still was saved as\\n" + box.MediaDir() : box.MediaDir()));
    EXPECT_TRUE(HasPart(all, English() ? ".bmp" : ".bmp に\\nサムネイルを作成しました。"));
    Check(all, "QMessageBox");
    Shoot("still_saved");
    KeyStrokes({"Return"});
    WaitForNoBox();

    // Every numbered name taken: the user names the still, here in a folder there is not.
    for (int i = 0; i < 1000; ++i) {
        char still[16];
        std::snprintf(still, sizeof still, "clip_%03d.bmp", i);
        if (!fs::exists(box.MediaDir() + "/" + still))
            testmedia::WriteBytes(box.MediaDir(), still, "taken");
    }
    Click(editor, Centre(controls["still"]));
    all = WaitForText("PromptFileDialog", "");
    Check(all, "PromptFileDialog");
    EXPECT_TRUE(HasPart(all, "Still Files"));
    Shoot("still_name_prompt");
    ASSERT_TRUE(AnswerPathPrompt(WindowOf(all, "PromptFileDialog"), box.Root() + "/gone/x.bmp",
                                 app->Pid()));
    all = WaitForText("QMessageBox", English() ? "The still could not be saved."
                                               : "サムネイルの作成に失敗しました。");
    Check(all, "QMessageBox");
    Shoot("still_not_saved");
    KeyStrokes({"Return"});
    WaitForNoBox();

    Click(editor, Centre(controls["asf"]));  // the profile belongs to that kind
    Click(editor, Centre(controls["profile"]));
    all = WaitForText("ProfileDialog", "");
    Check(all, "ProfileDialog");
    Shoot("profile");
    Key(WindowOf(all, "ProfileDialog"), "Escape");
    EXPECT_TRUE(WaitFor(
        [&] {
            for (const Shown& s : Read())
                if (s.window == "ProfileDialog")
                    return false;
            return true;
        },
        10000));

    // An uncompressed cut larger than the room left on its disk: the user is asked first.
    Click(editor, Centre(controls["avi"]));
    Click(editor, Centre(controls["execute"]));
    all = WaitForText("PromptFileDialog", "");
    Check(all, "PromptFileDialog");
    EXPECT_TRUE(HasPart(all, "Video Files"));
    Shoot("editor_save_dialog");
    ASSERT_TRUE(
        AnswerPathPrompt(WindowOf(all, "PromptFileDialog"), small + "/cut.avi", app->Pid()));
    all = WaitForText("QMessageBox", "");
    EXPECT_TRUE(HasPart(all, English() ? "MB free.\\nGo on anyway?" : "MB\\n続けますか？"));
    EXPECT_TRUE(Has(all, English() ? "&No" : "いいえ(&N)"));
    Check(all, "QMessageBox");
    Shoot("editor_free_space");
    KeyStrokes({"n"});
    WaitForNoBox();
    EXPECT_FALSE(fs::exists(small + "/cut.avi")) << "No writes nothing";

    for (const auto& [field, text] : {std::pair{"start", "2"}, std::pair{"end", "1"}}) {
        Click(editor, Centre(controls[field]));
        Key(editor, "ctrl+a");
        TypeText(editor, text);
    }
    Click(editor, Centre(controls["execute"]));
    all =
        WaitForText("QMessageBox", English() ? "The start time is later than the end time."
                                             : "始点時間が、終点時間より大きい値になっています。");
    Check(all, "QMessageBox");
    Shoot("start_after_end");
    KeyStrokes({"Return"});  // the box holds the keyboard
    EXPECT_TRUE(WaitFor([&] { return !Showing(Read(), "QMessageBox") && !Read().empty(); }, 10000));
}

// A PNG whose header alone declares 16384 × 16384 pixels.
void PictureBomb(const std::string& path) {
    auto big32 = [](uint32_t v) {
        return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    };
    std::ofstream(path, std::ios::binary) << std::string("\x89PNG\r\n\x1a\n", 8) + big32(13) +
                                                 "IHDR" + big32(16384) + big32(16384) +
                                                 std::string("\x08\x02\x00\x00\x00", 5) + big32(0);
}

TEST_P(LanguageE2E, TheEnginesWarningAndTheEditorsFailure) {
    // A file of a media kind that holds nothing of it: the engine cannot build its graph.
    testmedia::WriteBytes(box.MediaDir(), "broken.avi", std::string(4000, '\x5a'));
    // Reached once the short sound before it has played, so that the box waits on a window
    // that is ready.
    testmedia::Tone(box.MediaDir(), "song.wav", 0.5);
    PictureBomb(box.MediaDir() + "/bomb.png");
    const std::string list = testmedia::WriteBytes(box.MediaDir(), "three.vpl",
                                                   "song.wav\r\nbroken.avi\r\nbomb.png\r\n");
    const ReadOnlyFolder locked(box.Root() + "/locked");
    ASSERT_TRUE(locked.Refuses());
    auto app = Launch(list);
    ASSERT_FALSE(main.empty());
    auto layout = Layout(*app);

    // Its diagnostic stays as it is; the title and the button follow the language.
    auto all = WaitForText("QMessageBox", English() ? "Warning" : "警告");
    EXPECT_TRUE(HasPart(all, "FAILED(hr=0x"));
    EXPECT_TRUE(Has(all, "OK"));
    Check(all, "QMessageBox");
    Shoot("engine_warning");
    KeyStrokes({"Return"});
    // The next box may follow at once.
    EXPECT_TRUE(WaitFor([&] { return !HasPart(Read(), "FAILED(hr=0x"); }, 10000));

    // The list goes on to a picture declaring more pixels than any is allowed.
    all = WaitForText("QMessageBox", "");
    EXPECT_TRUE(HasPart(all, English() ? "This picture is too large to open (16384 × 16384 pixels"
                                       : "画像が大きすぎるため開けません（16384 × 16384 ピクセル"));
    Check(all, "QMessageBox");
    Shoot("picture_too_large");
    KeyStrokes({"Return"});
    EXPECT_TRUE(WaitFor([&] { return !Showing(Read(), "QMessageBox") && !Read().empty(); }, 10000));

    // The sound cut into a folder that takes no file.
    Click(main, QPoint(layout["list"].x() + 40, layout["list"].y() + 30));
    Key(main, "Home");
    Click(main, Centre(layout["edit"]));
    ASSERT_TRUE(app->WaitForLog("editor layout preview", 15000)) << app->Log();
    const std::string editor = WaitForNewWindow("VELTRA", app->Pid(), {main}, 5000);
    ASSERT_FALSE(editor.empty());
    auto controls = Rects(app->Log(), "editor layout");
    auto prompt = [&] {
        Click(editor, Centre(controls["execute"]));
        const std::string window =
            WindowOf(WaitForText("PromptFileDialog", ""), "PromptFileDialog");
        EXPECT_FALSE(window.empty());
        return window;
    };

    // The source itself as the output: Qt's own question first, then ours.
    std::string window = prompt();
    TypeText(window, box.MediaDir() + "/song.wav");
    Key(window, "Return");
    all = WaitForText("QMessageBox", "");
    EXPECT_TRUE(HasPart(all, "song.wav"));
    Check(all, "QMessageBox");
    Shoot("overwrite_question");
    KeyStrokes({"y"});
    all = WaitForText("QMessageBox", English() ? "The source file cannot be overwritten."
                                               : "元のファイルには書き込めません。");
    Check(all, "QMessageBox");
    Shoot("editor_source_as_output");
    KeyStrokes({"Return"});
    WaitForNoBox();

    // A name that fits only until the chosen kind's extension is added to it, in a folder
    // made once it is typed (so that the prompt's completer has nothing to offer on the way).
    Click(editor, Centre(controls["other"]));
    window = prompt();
    const std::string seed = std::string(30, 'd') + "/";
    const std::string name = "x.a";
    std::string folder = box.Root() + "/";
    folder +=
        std::string(kMaxPathBytes - 1 - folder.size() - seed.size() * 128 - name.size() - 1, 'p') +
        "/";
    TypeLongText(window, folder, seed, 7, name);
    std::string deep = folder;
    for (int i = 0; i < 128; ++i) deep += seed;
    ASSERT_EQ(deep.size() + name.size(), kMaxPathBytes - 1);
    fs::create_directories(deep);
    Key(window, "Return");
    all = WaitForText("QMessageBox",
                      English() ? "The file name is too long." : "ファイル名が長すぎます。");
    Check(all, "QMessageBox");
    Shoot("editor_name_too_long");
    KeyStrokes({"Return"});
    WaitForNoBox();

    Click(editor, Centre(controls["wav"]));
    window = prompt();
    ASSERT_TRUE(AnswerPathPrompt(window, locked.Path() + "/cut.wav", app->Pid()));
    all = WaitForText("QMessageBox",
                      English() ? "An error occurred." : "何らかのエラーが発生しました。");
    Check(all, "QMessageBox");
    Shoot("editor_failed");
    KeyStrokes({"Return"});
    WaitForNoBox();

    // A still of the item the preview could not open; the engine's warning about the file
    // comes first.
    const int editors = app->CountInLog("editor layout preview");
    Click(main, QPoint(layout["list"].x() + 40, layout["list"].y() + 30));
    Key(main, "Home");
    Key(main, "Down");
    Click(main, Centre(layout["edit"]));
    auto dismissWarnings = [&] {
        if (HasPart(Read(), "FAILED(hr=0x"))
            KeyStrokes({"Return"});
    };
    ASSERT_TRUE(WaitFor(
        [&] {
            dismissWarnings();
            return app->CountInLog("editor layout preview") > editors;
        },
        20000))
        << app->Log();
    const std::string second = WaitForNewWindow("VELTRA", app->Pid(), {main}, 5000);
    ASSERT_FALSE(second.empty());
    EXPECT_TRUE(WaitFor(
        [&] {
            dismissWarnings();
            return Showing(Read(), "EditorDialog") && !Showing(Read(), "QMessageBox");
        },
        10000));
    controls = Rects(app->Log(), "editor layout");
    Click(second, Centre(controls["still"]));
    all = WaitForText("QMessageBox", English() ? "The still could not be taken."
                                               : "サムネイルの取得に失敗しました。");
    Check(all, "QMessageBox");
    Shoot("still_not_taken");
    KeyStrokes({"Return"});
    WaitForNoBox();
    EXPECT_TRUE(app->Running());
}

// The dates a file dialog shows for the folders of "/", written in that locale.
std::set<std::string> RootFolderDates(const QLocale& locale) {
    std::set<std::string> dates;
    for (const QFileInfo& info :
         QDir(QStringLiteral("/")).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot))
        dates.insert(locale.toString(info.lastModified(), QLocale::ShortFormat).toStdString());
    return dates;
}

TEST_P(LanguageE2E, FilePromptsInTheProgramsLanguageWhateverTheDesktopsLocale) {
    auto app = Launch(MixedList(box.MediaDir()));
    ASSERT_FALSE(main.empty());
    auto layout = Layout(*app);
    // Stopped, so that the video's viewer never comes up to take the keys meant for the menu
    // (a slow build reaches it while the prompts are still being opened).
    ASSERT_TRUE(app->WaitForLog("open row 0 ", 10000)) << app->Log();
    Click(main, Centre(layout["stop"]));
    ASSERT_TRUE(app->WaitForLog("stopped", 10000)) << app->Log();
    ASSERT_FALSE(OpenMenu(main, Centre(layout["menu"]), app->Pid()).empty());
    KeyStrokes({"Down", "Right", "Return"});
    auto all = WaitForText("PromptFileDialog", "");
    Check(all, "PromptFileDialog");
    EXPECT_TRUE(Has(all, English() ? "Open Media File" : "開くメディアファイル..."));
    // The folder beside the files is called so in the language of the program.
    EXPECT_TRUE(Has(all, English() ? "Folder" : "フォルダー"));
    // The first prompt opens in "/": its dates are written as the program's language
    // writes them, not as the desktop's (LANG) would.
    const QLocale ours = English() ? QLocale(QLocale::English, QLocale::UnitedStates)
                                   : QLocale(QLocale::Japanese, QLocale::Japan);
    const QLocale desktops = English() ? QLocale(QLocale::Japanese, QLocale::Japan)
                                       : QLocale(QLocale::English, QLocale::UnitedStates);
    const std::set<std::string> dates = RootFolderDates(ours);
    const std::set<std::string> wrong = RootFolderDates(desktops);
    EXPECT_TRUE(WaitFor(
        [&] {
            all = Read();
            for (const std::string& date : dates)
                if (Has(all, date))
                    return true;
            return false;
        },
        10000))
        << "no date of / written as " << ours.name().toStdString() << ", e.g. "
        << (dates.empty() ? std::string() : *dates.begin());
    for (const std::string& date : wrong)
        EXPECT_TRUE(dates.count(date) || !Has(all, date)) << date << " follows LANG";
    Shoot("open_dialog");
    KeyStrokes({"Escape"});
    EXPECT_TRUE(WaitFor([&] { return !Showing(Read(), "PromptFileDialog"); }, 5000));

    ASSERT_FALSE(OpenMenu(main, Centre(layout["menu"]), app->Pid()).empty());
    KeyStrokes({"Down", "Right", "Down", "Return"});  // File, Save Playlist
    all = WaitForText("PromptFileDialog",
                      English() ? "Save Media File" : "保存するメディアファイル...");
    Check(all, "PromptFileDialog");
    EXPECT_TRUE(HasPart(all, "All Playlist Files"));
    Shoot("save_list_dialog");
    KeyStrokes({"Escape"});
    EXPECT_TRUE(WaitFor([&] { return !Showing(Read(), "PromptFileDialog"); }, 5000));
}

// A list whose second file is big enough (8 GiB, sparse) for its copy to take a while.
std::string ListWithABigFile(const std::string& dir) {
    testmedia::Tone(dir, "song.wav", 20.0);
    const std::string big = testmedia::Tone(dir, "big.wav", 1.0);
    fs::resize_file(big, std::uintmax_t(8) << 30);
    testmedia::Picture(dir, "still.jpg");
    return testmedia::WriteBytes(dir, "big.vpl", "song.wav\r\nbig.wav\r\nstill.jpg\r\n");
}

TEST_P(LanguageE2E, CopyDialogFolderPromptProgressNameClashAndTheDeleteQuestion) {
    const std::string target = box.Root() + "/copies";
    fs::create_directories(target);
    // The first row's numbered name is taken already.
    testmedia::WriteBytes(target, "a000.WAV", "the user's own file");
    auto app = Launch(ListWithABigFile(box.MediaDir()));
    ASSERT_FALSE(main.empty());
    auto layout = Layout(*app);
    // Stopped, so that the list never comes to the big file, which plays as no sound.
    ASSERT_TRUE(app->WaitForLog("open row 0 ", 10000)) << app->Log();
    Click(main, Centre(layout["stop"]));
    ASSERT_TRUE(app->WaitForLog("stopped", 10000)) << app->Log();
    Click(main, QPoint(layout["list"].x() + 40, layout["list"].y() + 30));
    Key(main, "ctrl+a");
    ASSERT_FALSE(OpenMenu(main, Centre(layout["menu"]), app->Pid()).empty());
    KeyStrokes({"s", "p"});
    auto all = WaitForText("CopyDialog", "");
    Check(all, "CopyDialog");
    const std::string dialog = WindowOf(all, "CopyDialog");
    ASSERT_FALSE(dialog.empty());
    Shoot("copy_dialog");
    std::string destination;
    for (const Shown& s : all)
        if (s.window == "CopyDialog" && s.kind == "edit")
            destination = s.text;

    TypeText(dialog, "a");  // the rename edit has the focus
    Key(dialog, "Tab");
    Key(dialog, "Tab");
    Key(dialog, "space");
    all = WaitForText("PromptFileDialog", English() ? "Choose where to copy the files"
                                                    : "ファイルのコピー先を選択してください");
    Check(all, "PromptFileDialog");
    // It opens in the folder the copy dialog named.
    EXPECT_FALSE(destination.empty());
    EXPECT_TRUE(Has(all, destination)) << destination;
    Shoot("folder_dialog");
    const std::string prompt = WindowOf(all, "PromptFileDialog");
    ASSERT_TRUE(AnswerPathPrompt(prompt, target, app->Pid()));
    Key(dialog, "Tab");  // from "..." to OK
    Key(dialog, "space");

    all = WaitForText("CopyProgressDialog", "");
    Check(all, "CopyProgressDialog");
    Shoot("copy_progress", {}, false);
    Key(WindowOf(all, "CopyProgressDialog"), "Return");  // 停止

    // What was left out, and why: the name that was taken, and the stop.
    const std::string clash = English() ? "song.wav : A file of that name already exists"
                                        : "song.wav : コピー先に同じ名前のファイルがあります";
    EXPECT_TRUE(WaitFor([&] { return HasPart(all = Read(), clash); }, 20000)) << clash;
    EXPECT_TRUE(HasPart(all, English() ? "Copying was stopped." : "コピーを停止しました。"));
    Check(all, "QMessageBox");
    Shoot("copy_clash");
    KeyStrokes({"Return"});
    EXPECT_TRUE(WaitFor([&] { return !Showing(Read(), "QMessageBox") && !Read().empty(); }, 10000));
    EXPECT_EQ(testmedia::ReadFile(target + "/a000.WAV"), "the user's own file");
    EXPECT_FALSE(fs::exists(target + "/a001.WAV")) << "a stopped copy leaves nothing";

    // The list's own menu on a row, and the question before its file goes to the trash,
    // whose Yes and No are Qt's.
    const QPoint firstRow(layout["list"].x() + 40, layout["list"].y() + 30);
    Click(main, firstRow);
    RunTool({"xdotool", "mousemove", "--window", main, std::to_string(firstRow.x()),
             std::to_string(firstRow.y()), "click", "3"});
    all = WaitForText("QMenu", English() ? "&Delete File" : "ファイルの削除(&D)");
    Check(all, "QMenu");
    Shoot("list_menu");
    KeyStrokes({"d"});
    all = WaitForText("QMessageBox", English()
                                         ? "Move song.wav to the trash?"
                                         : "song.wav を削除して、ごみ箱へ移動してもよいですか？");
    Check(all, "QMessageBox");
    EXPECT_TRUE(Has(all, English() ? "Delete File" : "選択ファイル削除"));
    EXPECT_TRUE(Has(all, English() ? "&No" : "いいえ(&N)"));
    Shoot("delete_question");
    KeyStrokes({"Escape"});  // No
    EXPECT_TRUE(WaitFor([&] { return !Showing(Read(), "QMessageBox") && !Read().empty(); }, 10000));
    EXPECT_TRUE(fs::exists(box.MediaDir() + "/song.wav")) << "No keeps the file";
}

TEST_P(LanguageE2E, EmptyListCopyTheFindBarTheViewersMenuAndTheSecondStart) {
    auto app = Launch({});
    ASSERT_FALSE(main.empty());
    auto layout = Layout(*app);

    Click(main, Centre(layout["edit"]));
    auto all = WaitForText("QMessageBox", English() ? "Select an item in the list."
                                                    : "リスト内のコンテンツを選択して下さい。");
    Check(all, "QMessageBox");
    Shoot("edit_nothing_selected");
    KeyStrokes({"Return"});
    EXPECT_TRUE(WaitFor([&] { return !Showing(Read(), "QMessageBox") && !Read().empty(); }, 10000));

    ASSERT_FALSE(OpenMenu(main, Centre(layout["menu"]), app->Pid()).empty());
    KeyStrokes({"s", "p"});
    all = WaitForText("QMessageBox", English() ? "The list has nothing to copy."
                                               : "リスト内にコピーするコンテンツが存在しません。");
    Check(all, "QMessageBox");
    Shoot("copy_empty_list");
    KeyStrokes({"Return"});
    EXPECT_TRUE(WaitFor([&] { return !Showing(Read(), "QMessageBox") && !Read().empty(); }, 10000));

    Key(main, "ctrl+f");
    all = WaitForText("MainWindow", English() ? "Find (name, title, artist, album)"
                                              : "検索 (名前・タイトル・アーティスト・アルバム)");
    Check(all, "MainWindow");
    Shoot("find_bar");
    Key(main, "Escape");

    Click(main, Centre(layout["viewer"]));
    all = WaitForText("ViewerWindow", "");
    const std::string viewer = WindowOf(all, "ViewerWindow");
    ASSERT_FALSE(viewer.empty());
    const QRect area = WindowGeometry(viewer);
    RunTool({"xdotool", "mousemove", "--window", viewer, std::to_string(area.width() / 2),
             std::to_string(area.height() / 2), "click", "3"});
    all = WaitForText("QMenu", "");
    Check(all, "QMenu");
    Shoot("viewer_menu");
    KeyStrokes({"Escape"});
    EXPECT_TRUE(WaitFor([&] { return !Showing(Read(), "QMenu") && !Read().empty(); }, 10000));

    // A second plain start says so in a box of its own and ends; its texts go to a file of
    // their own so that the first program's never stand for them.
    const std::string first = probe;
    probe = box.Root() + "/second.txt";
    box.SetEnv("TEXT_PROBE_FILE", probe);
    VeltraProcess second(box, Arguments({}));
    all = WaitForText("QMessageBox", English() ? "Warning" : "警告");
    EXPECT_TRUE(HasPart(
        all, English() ? "VELTRA is already running." : "アプリケーションは既に起動しています。"));
    Check(all, "QMessageBox");
    Shoot("second_start");
    KeyStrokes({"Return"});
    EXPECT_TRUE(second.WaitForExit(10000)) << second.Log();
    probe = first;
    EXPECT_TRUE(app->Running());
}

TEST_P(LanguageE2E, CopyRowLimitBadNameAndTooLongDestination) {
    // One row over the limit, every row the same small file under a name of its own.
    const std::string song = testmedia::Tone(box.MediaDir(), "song.wav", 0.5);
    std::string lines;
    for (int i = 0; i <= 1000; ++i) {
        const std::string name = "s" + std::to_string(i) + ".wav";
        fs::create_hard_link(song, box.MediaDir() + "/" + name);
        lines += name + "\r\n";
    }
    auto app = Launch(testmedia::WriteBytes(box.MediaDir(), "many.vpl", lines));
    ASSERT_FALSE(main.empty());
    auto layout = Layout(*app);
    auto copy = [&] {
        ASSERT_FALSE(OpenMenu(main, Centre(layout["menu"]), app->Pid()).empty());
        KeyStrokes({"s", "p"});
    };
    copy();
    auto all = WaitForText("QMessageBox", "");
    EXPECT_TRUE(HasPart(all, English() ? "The list holds 1001 files. At most 1000 can be copied"
                                       : "リスト内のファイルが 1001 個あります。"));
    Check(all, "QMessageBox");
    Shoot("copy_row_limit");
    KeyStrokes({"Return"});
    EXPECT_TRUE(WaitFor([&] { return !Showing(Read(), "QMessageBox") && !Read().empty(); }, 10000));

    Click(main, QPoint(layout["list"].x() + 40, layout["list"].y() + 30));
    Key(main, "Delete");  // from the list only: now it is within the limit
    copy();
    all = WaitForText("CopyDialog", "");
    const std::string dialog = WindowOf(all, "CopyDialog");
    ASSERT_FALSE(dialog.empty());
    TypeText(dialog, "a/b");  // the rename edit has the focus
    KeyStrokes({"Tab", "Tab", "Tab", "space"});
    all = WaitForText("QMessageBox", English()
                                         ? "The new name contains characters that cannot be used."
                                         : "リネーム名に使えない文字が含まれています。");
    Check(all, "QMessageBox");
    Shoot("copy_bad_name");
    KeyStrokes({"Return"});
    EXPECT_TRUE(WaitFor([&] { return !Showing(Read(), "QMessageBox") && !Read().empty(); }, 10000));

    // The rename edit has the focus again; the destination doubles itself through the
    // clipboard until it is longer than any path.
    Key(dialog, "ctrl+a");
    TypeText(dialog, "a");
    Key(dialog, "Tab");
    Key(dialog, "ctrl+a");
    TypeText(dialog, "/aaaaaaaaaaaaaaa");
    for (int i = 0; i < 8; ++i) KeyStrokes({"ctrl+a", "ctrl+c", "End", "ctrl+v"});
    KeyStrokes({"Tab", "Tab", "space"});
    all = WaitForText("QMessageBox", "");
    EXPECT_TRUE(HasPart(all, English() ? "The destination must be at most"
                                       : "コピー先は 4064 バイト以内で入力してください。"));
    Check(all, "QMessageBox");
    Shoot("copy_long_destination");
    KeyStrokes({"Return"});
    EXPECT_TRUE(WaitFor([&] { return !Showing(Read(), "QMessageBox") && !Read().empty(); }, 10000));

    // The destination has the focus now; it names no folder there is.
    Key(dialog, "ctrl+a");
    TypeText(dialog, box.Root() + "/gone");
    KeyStrokes({"Tab", "Tab", "space"});
    all = WaitForText("QMessageBox", "");
    EXPECT_TRUE(HasPart(all, English()
                                 ? "The destination folder " + box.Root() + "/gone does not exist."
                                 : "コピー先のフォルダー " + box.Root() + "/gone がありません。"));
    Check(all, "QMessageBox");
    Shoot("copy_no_destination");
    KeyStrokes({"Return"});
    EXPECT_TRUE(WaitFor([&] { return !Showing(Read(), "QMessageBox") && !Read().empty(); }, 10000));

    // That ended the copy; the next names a folder that takes no file.
    const ReadOnlyFolder locked(box.Root() + "/locked");
    ASSERT_TRUE(locked.Refuses());
    copy();
    all = WaitForText("CopyDialog", "");
    const std::string again = WindowOf(all, "CopyDialog");
    ASSERT_FALSE(again.empty());
    TypeText(again, "a");
    Key(again, "Tab");
    Key(again, "ctrl+a");
    TypeText(again, locked.Path());
    KeyStrokes({"Tab", "Tab", "space"});
    all = WaitForText("QMessageBox", "");
    EXPECT_TRUE(
        HasPart(all, English() ? "Cannot write to the destination folder " + locked.Path() + "."
                               : "コピー先のフォルダー " + locked.Path() + " に書き込めません。"));
    Check(all, "QMessageBox");
    Shoot("copy_destination_locked");
    KeyStrokes({"Return"});
    EXPECT_TRUE(WaitFor([&] { return !Showing(Read(), "QMessageBox") && !Read().empty(); }, 10000));
}

TEST_P(LanguageE2E, PlaylistSaveAndOpenFailures) {
    // A folder that takes no file, holding a list of the user's.
    fs::create_directories(box.Root() + "/locked");
    testmedia::WriteBytes(box.Root() + "/locked", "old.vpl", "song.wav\r\n");
    const ReadOnlyFolder locked(box.Root() + "/locked");
    ASSERT_TRUE(locked.Refuses());
    // A list whose only line names no file there is.
    const std::string nothing =
        testmedia::WriteBytes(box.MediaDir(), "nothing.vpl", "gone.wav\r\n");
    auto app = Launch(testmedia::Tone(box.MediaDir(), "song.wav", 2.0));
    ASSERT_FALSE(main.empty());
    auto layout = Layout(*app);
    // File's items: Open, then Save Playlist; the prompt is answered with a typed path.
    auto prompted = [&](std::vector<std::string> keys, const std::string& path) {
        ASSERT_FALSE(OpenMenu(main, Centre(layout["menu"]), app->Pid()).empty());
        KeyStrokes(keys);
        const auto all = WaitForText("PromptFileDialog", "");
        ASSERT_TRUE(AnswerPathPrompt(WindowOf(all, "PromptFileDialog"), path, app->Pid()));
    };
    auto dismissed = [&] {
        KeyStrokes({"Return"});
        EXPECT_TRUE(
            WaitFor([&] { return !Showing(Read(), "QMessageBox") && !Read().empty(); }, 10000));
    };

    prompted({"Down", "Right", "Down", "Return"}, locked.Path() + "/out.vpl");
    auto all = WaitForText("QMessageBox", "");
    EXPECT_TRUE(
        HasPart(all, English() ? "cannot be saved. You have" : "に保存できません。フォルダー"));
    EXPECT_TRUE(HasPart(all, English() ? "You have no permission to write to the folder."
                                       : "フォルダーに書き込む権限がありません。"));
    Check(all, "QMessageBox");
    Shoot("list_save_failed");
    dismissed();

    // A folder typed into the prompt that is not there.
    prompted({"Down", "Right", "Down", "Return"}, box.Root() + "/gone/out.vpl");
    all = WaitForText("QMessageBox", "");
    EXPECT_TRUE(Has(all, (English() ? "The destination folder does not exist.\\n"
                                    : "保存先のフォルダーが存在しません。\\n") +
                             box.Root() + "/gone"));
    Check(all, "QMessageBox");
    Shoot("list_save_no_folder");
    dismissed();

    // A name longer than any path, made in the prompt's own edit.
    ASSERT_FALSE(OpenMenu(main, Centre(layout["menu"]), app->Pid()).empty());
    KeyStrokes({"Down", "Right", "Down", "Return"});
    all = WaitForText("PromptFileDialog", "");
    const std::string prompt = WindowOf(all, "PromptFileDialog");
    ASSERT_FALSE(prompt.empty());
    TypeLongText(prompt, "/", std::string(15, 'a') + "/", 8, "x");
    Key(prompt, "Return");
    all = WaitForText("QMessageBox",
                      English() ? "This file name cannot be used because the path is too long."
                                : "パスが長すぎるため、このファイル名は使えません。");
    Check(all, "QMessageBox");
    Shoot("path_too_long");
    dismissed();

    // Over the user's list in the folder that takes no file: Qt's question, then ours.
    ASSERT_FALSE(OpenMenu(main, Centre(layout["menu"]), app->Pid()).empty());
    KeyStrokes({"Down", "Right", "Down", "Return"});
    const std::string over = WindowOf(WaitForText("PromptFileDialog", ""), "PromptFileDialog");
    ASSERT_FALSE(over.empty());
    TypeText(over, locked.Path() + "/old.vpl");
    Key(over, "Return");
    EXPECT_TRUE(WaitFor([&] { return HasPart(Read(), "old.vpl"); }, 10000));
    KeyStrokes({"y"});
    const std::string noWrite = English() ? "You have no permission to write to the file."
                                          : "ファイルに書き込む権限がありません。";
    EXPECT_TRUE(WaitFor([&] { return HasPart(all = Read(), noWrite); }, 20000)) << noWrite;
    Check(all, "QMessageBox");
    Shoot("list_save_file_locked");
    dismissed();
    EXPECT_EQ(testmedia::ReadFile(locked.Path() + "/old.vpl"), "song.wav\r\n");

    // A list of another player's that does not read as one.
    prompted({"Down", "Right", "Return"},
             testmedia::WriteBytes(box.MediaDir(), "broken.xspf", "<playlist><trackList>"));
    all = WaitForText("QMessageBox", "");
    EXPECT_TRUE(HasPart(
        all, English() ? "cannot be read as a playlist." : "はプレイリストとして読み込めません。"));
    Check(all, "QMessageBox");
    Shoot("list_open_not_a_list");
    dismissed();

    prompted({"Down", "Right", "Return"}, nothing);
    all = WaitForText("QMessageBox", "");
    EXPECT_TRUE(HasPart(all, English() ? "names no file that can be added to the list."
                                       : "には、リストに追加できるファイルがありません。"));
    Check(all, "QMessageBox");
    Shoot("list_open_failed");
    dismissed();
}

TEST_P(LanguageE2E, TheSkinsMessagesAtStart) {
    const std::string skin = box.BinDir() + "/skin.dat";
    const std::string whole = testmedia::ReadFile(skin);
    ASSERT_GT(whole.size(), 100u);
    struct Case {
        const char* name;
        std::string bytes;  // of skin.dat; none: no skin.dat at all
        const char *english, *japanese;
    };
    for (const Case& c :
         {Case{"skin_missing",
               {},
               "The skin data (skin.dat) is missing.",
               "スキンデータが存在しません。"},
          Case{"skin_version", whole.substr(0, 100), "The skin data is of an unsupported version.",
               "スキンデータの対応バージョンが異なります。"}}) {
        SCOPED_TRACE(c.name);
        fs::remove(skin);
        if (!c.bytes.empty())
            testmedia::WriteBytes(box.BinDir(), "skin.dat", c.bytes);
        fs::remove(probe);
        VeltraProcess app(box, Arguments({}));
        m_pid = app.Pid();
        auto all = WaitForText("QMessageBox", English() ? c.english : c.japanese);
        Check(all, "QMessageBox");
        // The start picture stays under the box; its lines are the program's language.
        Check(all, "SplashWindow");
        EXPECT_TRUE(Has(all, English() ? "Play it. Cut it. Keep what matters."
                                       : "再生する。切り出す。大切なところを残す。"));
        Shoot(c.name);
        KeyStrokes({"Return"});
        EXPECT_TRUE(app.WaitForExit(15000)) << app.Log();
    }
}

// The viewer's and the editor's own records of skin.dat are damaged; the main window's
// are whole, so that the program starts and each of the other windows says so itself.
TEST_P(LanguageE2E, TheViewersAndTheEditorsSkinMessages) {
    const std::string skin = box.BinDir() + "/skin.dat";
    std::string bytes = testmedia::ReadFile(skin);
    ASSERT_EQ(bytes.size(), kSkinFileSize);
    for (int record : {kRecFullScreen, kRecPreviewConverting})
        bytes.replace(SkinRecord(record).offset, 4, 4, '\xff');  // claims more than it holds
    fs::remove(skin);
    testmedia::WriteBytes(box.BinDir(), "skin.dat", bytes);
    auto app = Launch(testmedia::Tone(box.MediaDir(), "song.wav", 2.0));
    ASSERT_FALSE(main.empty());
    auto layout = Layout(*app);
    const std::string damaged = English() ? "The skin data is of an unsupported version."
                                          : "スキンデータの対応バージョンが異なります。";

    Click(main, Centre(layout["viewer"]));
    auto all = WaitForText("QMessageBox", damaged);
    Check(all, "QMessageBox");
    Shoot("viewer_skin_damaged");
    KeyStrokes({"Return"});
    WaitForNoBox();

    Click(main, QPoint(layout["list"].x() + 40, layout["list"].y() + 30));
    Click(main, Centre(layout["edit"]));
    all = WaitForText("QMessageBox", damaged);
    Check(all, "QMessageBox");
    Shoot("editor_skin_damaged");
    KeyStrokes({"Return"});
    WaitForNoBox();
    EXPECT_TRUE(app->Running());
}

TEST_P(LanguageE2E, AFileTheTrashCannotTake) {
    // Its restore record's name would be longer than the file system allows.
    const std::string name = std::string(246, 'n') + ".wav";
    testmedia::Tone(box.MediaDir(), name, 0.5);
    // The desktop keeps no trash on a system's own memory file system.
    const std::string shm = "/dev/shm/veltra-e2e-" + std::to_string(::getpid());
    fs::create_directories(shm);
    const struct Gone {
        std::string folder;
        ~Gone() { fs::remove_all(folder); }
    } gone{shm};
    testmedia::Tone(shm, "memory.wav", 0.5);
    auto app = Launch(
        testmedia::WriteBytes(box.MediaDir(), "two.vpl", name + "\r\n" + shm + "/memory.wav\r\n"));
    ASSERT_FALSE(main.empty());
    auto layout = Layout(*app);
    const QPoint firstRow(layout["list"].x() + 40, layout["list"].y() + 30);
    // Row's own menu, Delete File, Yes.
    auto trash = [&](const QPoint& row) {
        Click(main, row);
        RunTool({"xdotool", "mousemove", "--window", main, std::to_string(row.x()),
                 std::to_string(row.y()), "click", "3"});
        WaitForText("QMenu", English() ? "&Delete File" : "ファイルの削除(&D)");
        KeyStrokes({"d"});
        WaitForText("QMessageBox", English() ? "Delete File" : "選択ファイル削除");
        KeyStrokes({"Return"});
    };
    trash(firstRow);
    auto all = WaitForText("QMessageBox", "");
    // The name's end is in the box, its middle left out so that the line fits.
    EXPECT_TRUE(HasPart(all, English()
                                 ? "nn.wav could not be moved to the trash.\\nThe name is too long."
                                 : "nn.wav をごみ箱へ移動できませんでした。\\n名前が長すぎます。"));
    EXPECT_TRUE(HasPart(all, "nnn\u2026nnn"));
    Check(all, "QMessageBox");
    Shoot("trash_failed");
    KeyStrokes({"Return"});
    WaitForNoBox();
    EXPECT_TRUE(fs::exists(box.MediaDir() + "/" + name)) << "never deleted instead";

    // The second row: the failed one stayed in the list above it.
    constexpr int kRowHeight = 18;
    trash(QPoint(firstRow.x(), firstRow.y() + kRowHeight));
    all = WaitForText("QMessageBox", "");
    EXPECT_TRUE(HasPart(
        all, English() ? "This drive has no trash." : "このドライブにはごみ箱がありません。"));
    Check(all, "QMessageBox");
    Shoot("trash_not_supported");
    KeyStrokes({"Return"});
    WaitForNoBox();
    EXPECT_TRUE(fs::exists(shm + "/memory.wav")) << "never deleted instead";
}

TEST_P(LanguageE2E, NoSoundDeviceForAnOggItem) {
    // Ogg plays through tunewell on the program's own sound device, which cannot open here.
    box.SetEnv("SDL_AUDIODRIVER", "no-such-driver");
    testmedia::Tone(box.MediaDir(), "song.wav", 0.5);
    testmedia::Tone(box.MediaDir(), "tune.ogg", 1.0);
    auto app = Launch(testmedia::WriteBytes(box.MediaDir(), "two.vpl", "song.wav\r\ntune.ogg\r\n"));
    ASSERT_FALSE(main.empty());
    auto all = WaitForText("QMessageBox", English() ? "The sound device could not be opened."
                                                    : "DirectSoundの作成に失敗しました。");
    Check(all, "QMessageBox");
    Shoot("no_sound_device");
    KeyStrokes({"Return"});
    EXPECT_TRUE(WaitFor([&] { return !Showing(Read(), "QMessageBox") && !Read().empty(); }, 10000));
    EXPECT_TRUE(app->Running());
}

TEST_P(LanguageE2E, TheAddWarnings) {
    // Start files (given as to a running copy, which there is not): one whose path is
    // longer than any path can be, and one whose name holds a line break. The box stands
    // before the window is ready.
    std::string tooLong = box.MediaDir();
    while (tooLong.size() < kMaxPathBytes) tooLong += "/" + std::string(200, 'l');
    tooLong += "/song.wav";
    const std::string broken = box.MediaDir() + "/two\nlines.wav";
    fs::copy_file(testmedia::Tone(box.MediaDir(), "song.wav", 0.5), broken);
    std::vector<std::string> args = Arguments({});
    for (const std::string& arg : {std::string("--enqueue"), tooLong, broken}) args.push_back(arg);
    VeltraProcess app(box, args);
    m_pid = app.Pid();
    auto all = WaitForText("QMessageBox", "");
    EXPECT_TRUE(HasPart(all, English() ? "were not added because their paths are too long."
                                       : "パスが長すぎるため、次の項目を追加できませんでした。"));
    EXPECT_TRUE(HasPart(all, "lll\u2026lll"));
    EXPECT_TRUE(HasPart(all, "lll/song.wav"));
    Check(all, "QMessageBox");
    Shoot("add_path_too_long");
    KeyStrokes({"Return"});
    main = WaitForMainWindow(app);
    ASSERT_FALSE(main.empty()) << app.Log();

    // A folder dropped on the list whose innermost folder lies deeper than any walk goes.
    const std::string top = box.MediaDir() + "/deep";
    std::string deepest = top;
    fs::create_directory(top);
    for (int i = 0; i <= 1024; ++i) fs::create_directory(deepest += "/a");
    auto layout = Layout(app);
    const QRect list = layout["list"];
    std::string why;
    ASSERT_TRUE(DropFiles(main, WindowGeometry(main).topLeft() + Centre(list), {top}, &why)) << why;
    all = WaitForText("QMessageBox", "");
    EXPECT_TRUE(HasPart(all, English()
                                 ? "These folders lie too deep; nothing in them was added."
                                 : "階層が深すぎるため、次のフォルダーの中は追加しませんでした。"));
    // Its start and end, the middle left out so that the line fits.
    EXPECT_TRUE(HasPart(all, "/media/deep/a/a/a"));
    EXPECT_TRUE(HasPart(all, "a/a/a/a/a/a/a/a/a/a"));
    EXPECT_TRUE(HasPart(all, "\u2026"));
    Check(all, "QMessageBox");
    Shoot("add_too_deep");
    KeyStrokes({"Return"});
    WaitForNoBox();

    // The row whose name no playlist line can hold stops a save before anything is written.
    ASSERT_FALSE(OpenMenu(main, Centre(layout["menu"]), app.Pid()).empty());
    KeyStrokes({"Down", "Right", "Down", "Return"});
    all = WaitForText("PromptFileDialog", "");
    ASSERT_TRUE(
        AnswerPathPrompt(WindowOf(all, "PromptFileDialog"), box.Root() + "/out.vpl", app.Pid()));
    all = WaitForText("QMessageBox", "");
    EXPECT_TRUE(HasPart(all, English() ? "Not saved: no playlist line can hold these file names."
                                       : "次のファイルの名前はプレイリストに書けないため、"
                                         "保存を中止しました。"));
    EXPECT_TRUE(HasPart(all, "two lines.wav"));
    Check(all, "QMessageBox");
    Shoot("list_save_unsavable_name");
    KeyStrokes({"Return"});
    WaitForNoBox();
    EXPECT_FALSE(fs::exists(box.Root() + "/out.vpl"));
    EXPECT_TRUE(app.Running());
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, LanguageE2E, ::testing::Values("en", "ja"));

}  // namespace
