// The editor window driven headless through its controls, with scripted prompts and a
// plain test skin: its skinned layout and painting, and cuts of generated media through
// the real engine and tunewell.
#include <gtest/gtest.h>

#include <cstdlib>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <filesystem>

#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QLayout>
#include <QMouseEvent>
#include <QStyleOptionComboBox>
#include <QWheelEvent>

#include "editor/editor_controller.h"
#include "editor/editor_dialog.h"
#include "editor/editor_ports.h"
#include "editor/profile_set_dialog.h"
#include "skin/skin_button.h"
#include "skin/skin_slider.h"
#include "tests/editor/test_skin.h"
#include "tests/support/media_factory.h"
#include "tests/support/scripted_prompts.h"

using namespace editor;

namespace {

std::string BinDir() {
    const char* env = std::getenv("VELTRA_BIN_DIR");
    return env && *env ? env : VELTRA_BIN_DIR;
}
bool HaveLibrary(const char* name) {
    return std::filesystem::exists(BinDir() + "/" + name);
}

uint32_t U32(const std::string& b, size_t at) {
    return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 |
           uint32_t(uint8_t(b[at + 2])) << 16 | uint32_t(uint8_t(b[at + 3])) << 24;
}

// Runs the event loop until the editor has closed itself (or the time is up).
bool WaitClosed(EditorDialog& editor, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (editor.isVisible() && timer.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    return !editor.isVisible();
}

class EditorDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = testmedia::MakeTempDir("editor_dlg");
        skin = dir + "/skin.dat";
        ASSERT_TRUE(testskin::WriteTestSkin(skin));
    }
    void TearDown() override { testmedia::RemoveTree(dir); }

    void Open(EditorDialog& editor, const std::string& source) {
        editor.SetSourcePath(source);
        editor.SetMainVolumePosition(100);
        editor.SetLibraryFolder(BinDir());
        editor.SetSkinPath(skin);
        editor.Initialise();
        editor.open();
        // The preview reads its source off the interface thread.
        QElapsedTimer timer;
        timer.start();
        while (editor.Controller()->Opening() && timer.elapsed() < 30000)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        ASSERT_FALSE(editor.Controller()->Opening());
    }
    QLineEdit* Field(EditorDialog& e, int id) { return qobject_cast<QLineEdit*>(e.Control(id)); }
    void Click(EditorDialog& e, int id) {
        auto* b = qobject_cast<QAbstractButton*>(e.Control(id));
        ASSERT_TRUE(b && b->isEnabled()) << id;
        b->click();
    }
    void Type(EditorDialog& e, int id, const char* text) {
        QLineEdit* f = Field(e, id);
        f->clear();
        f->setText(QString::fromUtf8(text));
    }

    // Key presses as the keyboard sends them ('\r' is Enter).
    void Keys(EditorDialog& e, int id, const char* keys) {
        QLineEdit* f = Field(e, id);
        for (const char* k = keys; *k; ++k) {
            int key = *k == '\r'  ? Qt::Key_Return
                      : *k == '.' ? Qt::Key_Period
                                  : Qt::Key_0 + (*k - '0');
            QString text = *k == '\r' ? QString("\r") : QString(QChar(*k));
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
            QCoreApplication::sendEvent(f, &press);
            QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
            QCoreApplication::sendEvent(f, &release);
        }
    }

    std::string dir;
    std::string skin;
    ScriptedPrompts prompts;
};

QRgb Grey(int record) {
    int g = testskin::TestSkinGrey(record);
    return qRgb(g, g, g);
}

TEST_F(EditorDialogTest, SkinnedButtonsAndSliderTakeTheirImagesAndPlaces) {
    std::string wav = testmedia::Tone(dir, "tone.wav", 2.0);
    EditorDialog editor;
    Open(editor, wav);
    ASSERT_TRUE(editor.IsSkinned());
    EXPECT_EQ(editor.size(), QSize(525, 335));
    EXPECT_TRUE(editor.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(editor.isModal());
    // Each button is its normal image's size at the template's top-left corner.
    struct Expect {
        int id, normalRecord;
        QPoint at;
    };
    for (Expect e : {Expect{kIdPlay, 72, {52, 250}}, Expect{kIdStop, 80, {107, 250}},
                     Expect{kIdStill, 84, {205, 250}}, Expect{kIdStepForward, 88, {162, 250}},
                     Expect{kIdStepBack, 92, {15, 250}}, Expect{kIdSetPoint, 96, {425, 231}},
                     Expect{kIdProfile, 96, {425, 98}}, Expect{kIdExecute, 100, {340, 292}},
                     Expect{kIdCancel, 104, {430, 292}}}) {
        auto* b = dynamic_cast<SkinButton*>(editor.Control(e.id));
        ASSERT_TRUE(b) << e.id;
        EXPECT_EQ(b->geometry(), QRect(e.at, testskin::TestSkinSize(e.normalRecord))) << e.id;
        if (b->isEnabled()) {
            EXPECT_EQ(b->CurrentImage().toImage().pixel(0, 0), Grey(e.normalRecord)) << e.id;
        }
    }
    QWidget* close = editor.Control(kIdClose);
    EXPECT_EQ(close->geometry(), QRect(QPoint(525 - 10 - 16, 5), testskin::TestSkinSize(19)));
    QWidget* pause = editor.Control(kIdPause);
    EXPECT_FALSE(pause->isVisible());
    EXPECT_EQ(pause->pos(), editor.Control(kIdPlay)->pos());
    // A disabled button shows its disabled image (the still button, for a sound file).
    auto* still = dynamic_cast<SkinButton*>(editor.Control(kIdStill));
    EXPECT_FALSE(still->isEnabled());
    EXPECT_EQ(still->CurrentImage().toImage().pixel(0, 0), Grey(83));

    auto* slider = qobject_cast<SkinSlider*>(editor.Control(kIdSlider));
    ASSERT_TRUE(slider);
    EXPECT_EQ(slider->geometry(), QRect(QPoint(15, 222), testskin::TestSkinSize(106)));
    EXPECT_EQ(slider->CurrentThumb().toImage().pixel(0, 0), Grey(22));
    // The wheel never moves it.
    slider->setValue(5);
    QWheelEvent wheel(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(slider, &wheel);
    EXPECT_EQ(slider->value(), 5);
    editor.reject();
}

TEST_F(EditorDialogTest, PaintsBackgroundPlaceholderAndFrameWithStaticsOnTop) {
    std::string wav = testmedia::Tone(dir, "tone.wav", 2.0);
    EditorDialog editor;
    Open(editor, wav);
    QImage shot = editor.grab().toImage();
    ASSERT_EQ(shot.size(), QSize(525, 335));
    EXPECT_EQ(shot.pixel(0, 0), Grey(6)) << "top-left corner";
    EXPECT_EQ(shot.pixel(524, 0), Grey(8)) << "top-right corner";
    EXPECT_EQ(shot.pixel(0, 334), Grey(1)) << "bottom-left corner";
    EXPECT_EQ(shot.pixel(200, 0), Grey(7)) << "top edge";
    EXPECT_EQ(shot.pixel(0, 100), Grey(4)) << "left edge";
    EXPECT_EQ(shot.pixel(20, 306), qRgb(222, 230, 245)) << "background";
    // A sound file has no picture: the idle placeholder stands where the preview was.
    EXPECT_FALSE(editor.Control(kIdPreview)->isVisible());
    EXPECT_EQ(shot.pixel(40, 40), Grey(108));
    EXPECT_EQ(shot.pixel(54, 251), Grey(72)) << "play button";

    // Labels, options and group boxes let the background through; the fields do not.
    for (QWidget* w : editor.findChildren<QWidget*>()) {
        if (qobject_cast<QLabel*>(w) || qobject_cast<QRadioButton*>(w) ||
            qobject_cast<QGroupBox*>(w)) {
            EXPECT_FALSE(w->autoFillBackground());
            EXPECT_EQ(w->palette().color(QPalette::Window), QColor(222, 230, 245));
        }
    }
    QLineEdit plain;
    for (int id : {kIdStartField, kIdEndField, kIdVolumeField})
        EXPECT_EQ(Field(editor, id)->palette().color(QPalette::Base),
                  plain.palette().color(QPalette::Base));
    editor.reject();
}

TEST_F(EditorDialogTest, MissingOrForeignSkinCancelsBeforeShowing) {
    std::string wav = testmedia::Tone(dir, "tone.wav", 1.0);
    std::string foreign = testmedia::WriteBytes(
        dir, "foreign.dat", "RUNLENGTH_PACK VERSION02" + std::string(100, '\0'));
    struct Case {
        std::string path, message;
    };
    for (const Case& c : {Case{dir + "/absent.dat", "スキンデータが存在しません。"},
                          Case{foreign, "スキンデータの対応バージョンが異なります。"}}) {
        prompts.Clear();
        EditorDialog editor;
        editor.SetSourcePath(wav);
        editor.SetSkinPath(c.path);
        EXPECT_EQ(editor.Run(), QDialog::Rejected);
        EXPECT_FALSE(editor.IsSkinned());
        EXPECT_FALSE(editor.isVisible());
        EXPECT_EQ(prompts.LastText(), c.message);
        // Nothing was opened: the fields were never filled.
        EXPECT_EQ(qobject_cast<QLabel*>(editor.Control(kIdFileName))->text(), "NoFile");
    }
}

TEST_F(EditorDialogTest, SliderClickSeeksAndMovesTheFollowedPoint) {
    std::string wav = testmedia::Tone(dir, "tone.wav", 3.0);
    EditorDialog editor;
    Open(editor, wav);
    auto* slider = qobject_cast<SkinSlider*>(editor.Control(kIdSlider));
    ASSERT_EQ(slider->maximum(), 30);
    // A press in the channel right of the thumb pages forward and ends the scroll there.
    QPointF at(slider->width() - 5, slider->height() / 2);
    QMouseEvent press(QEvent::MouseButtonPress, at, slider->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(slider, &press);
    int paged = slider->value();
    EXPECT_GT(paged, 0);
    EXPECT_EQ(Field(editor, kIdStartField)->text().toStdString(),
              std::to_string(paged / 10) + "." + std::to_string(paged % 10));
    EXPECT_DOUBLE_EQ(editor.Controller()->Start(), paged * 0.1);
    // With the end point selected, the end point follows instead.
    Click(editor, kIdPointEnd);
    QCoreApplication::sendEvent(slider, &press);
    EXPECT_GT(slider->value(), paged);
    EXPECT_DOUBLE_EQ(editor.Controller()->End(), slider->value() * 0.1);
    EXPECT_DOUBLE_EQ(editor.Controller()->Start(), paged * 0.1);
    editor.reject();
}

TEST_F(EditorDialogTest, EmptySourceLeavesOnlyTheWayOut) {
    EditorDialog editor;
    Open(editor, "");
    for (int id : {kIdExecute, kIdPlay, kIdStartField, kIdModeAsf, kIdSlider, kIdStill})
        EXPECT_FALSE(editor.Control(id)->isEnabled()) << id;
    EXPECT_TRUE(editor.Control(kIdCancel)->isEnabled());
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&editor, &esc);
    EXPECT_TRUE(editor.isVisible());  // Esc does not close the editor
    Click(editor, kIdCancel);
    EXPECT_FALSE(editor.isVisible());
    EXPECT_TRUE(editor.OutputList().empty());
}

TEST_F(EditorDialogTest, TypedTextIsCorrectedInTheWindow) {
    std::string wav = testmedia::Tone(dir, "tone.wav", 2.0);
    EditorDialog editor;
    Open(editor, wav);
    EXPECT_EQ(qobject_cast<QLabel*>(editor.Control(kIdFileName))->text(), "tone.wav");
    EXPECT_EQ(qobject_cast<QLabel*>(editor.Control(kIdLength))->text(),
              QString::fromUtf8("2.0 秒"));
    EXPECT_EQ(qobject_cast<QSlider*>(editor.Control(kIdSlider))->maximum(), 20);
    EXPECT_TRUE(qobject_cast<QRadioButton*>(editor.Control(kIdModeWav))->isChecked());
    EXPECT_FALSE(editor.Control(kIdModeAsf)->isEnabled());
    Type(editor, kIdStartField, "0.755");
    EXPECT_EQ(Field(editor, kIdStartField)->text(), "0.75");
    Type(editor, kIdVolumeField, "500");
    EXPECT_EQ(Field(editor, kIdVolumeField)->text(), "300");
    Type(editor, kIdEndField, "9");
    EXPECT_EQ(Field(editor, kIdEndField)->text(), "2");

    // Key by key, as a user types: ".5" into a time field, "50" over the selected volume,
    // and "7", which shows the least volume once Enter is pressed.
    Field(editor, kIdStartField)->selectAll();
    Keys(editor, kIdStartField, ".5");
    EXPECT_EQ(Field(editor, kIdStartField)->text(), "0.5");
    Field(editor, kIdVolumeField)->selectAll();
    Keys(editor, kIdVolumeField, "50");
    EXPECT_EQ(Field(editor, kIdVolumeField)->text(), "50");
    Field(editor, kIdVolumeField)->selectAll();
    Keys(editor, kIdVolumeField, "7\r");
    EXPECT_EQ(Field(editor, kIdVolumeField)->text(), "10");
    editor.reject();
}

TEST_F(EditorDialogTest, ProfileListFailureIsReported) {
    ProfileDialog failing(nullptr, [](int, std::vector<std::string>*) { return FALSE; });
    EXPECT_EQ(failing.Run(), QDialog::Rejected);
    EXPECT_EQ(prompts.LastText(), "リストを取得できませんでした。");

    // A listing that broke off half-way does not leave its names in front of the next.
    ProfileDialog retried(nullptr, [](int selector, std::vector<std::string>* names) {
        names->push_back(selector == 2 ? "stale" : "first");
        if (selector == 1)
            names->push_back("second");
        return selector == 1 ? TRUE : FALSE;
    });
    ASSERT_TRUE(retried.Initialise());
    EXPECT_EQ(retried.Selector(), 1);
    ASSERT_EQ(retried.ProfileList()->count(), 2);
    EXPECT_EQ(retried.ProfileList()->itemText(0), "first");
    retried.ProfileList()->setCurrentIndex(1);
    retried.OkButton()->click();
    EXPECT_EQ(retried.ChosenIndex(), 1);
}

TEST_F(EditorDialogTest, LongProfileNamesAreShownWholeAndShortOnesKeepTheLayout) {
    const std::string longName =
        "Windows Media Video 9 for Broadband (NTSC, 1400 Kbps) with a long description";
    auto shown = [](const std::string& name) {
        auto dialog =
            std::make_unique<ProfileDialog>(nullptr, [name](int, std::vector<std::string>* names) {
                names->push_back("short");
                names->push_back(name);
                return TRUE;
            });
        EXPECT_TRUE(dialog->Initialise());
        return dialog;
    };
    auto plain = shown("medium");
    EXPECT_EQ(plain->width(), 311);
    EXPECT_EQ(plain->ProfileList()->width(), 291);

    auto wide = shown(longName);
    QComboBox* combo = wide->ProfileList();
    combo->setCurrentIndex(1);
    QStyleOptionComboBox option;
    option.initFrom(combo);
    const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                       QStyle::SC_ComboBoxEditField, combo);
    const int text = combo->fontMetrics().horizontalAdvance(QString::fromStdString(longName));
    EXPECT_GE(field.width(), text);
    EXPECT_GE(combo->view()->minimumWidth(), text);
    // The buttons stay inside the wider dialog, at its right edge as before.
    EXPECT_EQ(wide->width() - wide->CancelButton()->geometry().right(),
              plain->width() - plain->CancelButton()->geometry().right());
    EXPECT_LE(wide->ProfileList()->geometry().right(), wide->width());
}

// 16-bit stereo samples of a WAV file's data chunk (46- or 44-byte header).
std::vector<int16_t> Samples(const std::string& file) {
    size_t at = file.find("data");
    std::vector<int16_t> s;
    if (at == std::string::npos)
        return s;
    for (size_t i = at + 8; i + 1 < file.size(); i += 2)
        s.push_back(static_cast<int16_t>(uint8_t(file[i]) | uint8_t(file[i + 1]) << 8));
    return s;
}

TEST_F(EditorDialogTest, CutsAWavRangeThroughTheEngine) {
    // The engine looks for wavsink in the program folder, which the suite names.
    const char* bin = std::getenv("VELTRA_BIN_DIR");
    std::string folder = bin && *bin ? bin : VELTRA_BIN_DIR;
    if (!std::filesystem::exists(folder + "/libwavsink.so"))
        FAIL() << "libwavsink.so is not built";
    std::string source = testmedia::Tone(dir, "tone.wav", 3.0);
    EditorDialog editor;
    Open(editor, source);
    Type(editor, kIdStartField, "0.5");
    Type(editor, kIdEndField, "1.5");
    prompts.QueueFiles({dir + "/cut.wav"});
    Click(editor, kIdExecute);
    // While the output is written the converting placeholder stands in for the preview.
    EXPECT_EQ(editor.grab().toImage().pixel(40, 40), Grey(107));
    EXPECT_FALSE(editor.Control(kIdExecute)->isEnabled());
    ASSERT_TRUE(WaitClosed(editor, 20000)) << prompts.LastText();
    EXPECT_EQ(editor.result(), QDialog::Accepted);
    ASSERT_EQ(editor.OutputList(), std::vector<std::string>{dir + "/cut.wav"});
    std::string out = testmedia::ReadFile(dir + "/cut.wav");
    ASSERT_GT(out.size(), 46u);
    EXPECT_EQ(out.substr(0, 4), "RIFF");
    EXPECT_EQ(U32(out, 4) + 8, out.size());
    // One second of 44100 Hz 16-bit stereo, within 10 ms.
    double seconds = (out.size() - out.find("data") - 8) / 176400.0;
    EXPECT_NEAR(seconds, 1.0, 0.01);
}

TEST_F(EditorDialogTest, CutsAnOggItemThroughTunewellWithVolume) {
    if (!HaveLibrary("libtunewell.so"))
        FAIL() << "libtunewell.so is not built";
    std::string source = testmedia::Tone(dir, "tone.ogg", 3.0);
    std::string reference = testmedia::Tone(dir, "ref.ogg", 3.0);
    for (int volume : {100, 200}) {
        std::string target = dir + "/cut" + std::to_string(volume) + ".wav";
        EditorDialog editor;
        Open(editor, source);
        ASSERT_TRUE(editor.Controller()->IsOgg());
        Type(editor, kIdVolumeField, std::to_string(volume).c_str());
        prompts.QueueFiles({target});
        Click(editor, kIdExecute);
        ASSERT_TRUE(WaitClosed(editor, 20000)) << prompts.LastText();
        EXPECT_EQ(editor.result(), QDialog::Accepted);
        std::string out = testmedia::ReadFile(target);
        ASSERT_GE(out.size(), 46u);
        EXPECT_EQ(U32(out, 42) + 46, out.size());
        if (volume == 200) {
            std::vector<int16_t> base = Samples(testmedia::ReadFile(dir + "/cut100.wav"));
            std::vector<int16_t> loud = Samples(out);
            ASSERT_EQ(base.size(), loud.size());
            for (size_t i = 0; i < base.size(); ++i) {
                int expect = std::clamp(base[i] * 2, -32768, 32767);
                ASSERT_EQ(loud[i], expect) << i;
            }
        }
        // Nothing but the target is left beside it.
        for (const auto& entry : std::filesystem::directory_iterator(dir))
            EXPECT_EQ(entry.path().string().find(".wav."), std::string::npos) << entry.path();
    }
}

}  // namespace

namespace {

// The further rows must keep every text whole, in Japanese and in texts a good half
// longer (other languages), and stay inside the window.
TEST_F(EditorDialogTest, FurtherRowsFitLongerTexts) {
    std::string wav = testmedia::Tone(dir, "tone.wav", 2.0);
    EditorDialog editor;
    Open(editor, wav);
    auto* kinds = qobject_cast<QComboBox*>(editor.Control(kIdOtherKind));
    ASSERT_TRUE(kinds);
    EXPECT_EQ(kinds->count(), 3) << "FLAC, Opus and MP3 for a sound";
    auto fits = [&](const char* when) {
        for (int id : {kIdFrameBack, kIdFrameForward, kIdMarkStart, kIdMarkEnd, kIdModeOther}) {
            QWidget* w = editor.Control(id);
            ASSERT_TRUE(w) << id;
            w->parentWidget()->layout()->activate();
            EXPECT_GE(w->width(), w->sizeHint().width()) << when << " " << id;
            QRect inDialog(w->mapTo(&editor, QPoint(0, 0)), w->size());
            EXPECT_TRUE(editor.rect().contains(inDialog)) << when << " " << id;
        }
        EXPECT_GE(kinds->view()->minimumWidth(), kinds->view()->sizeHintForColumn(0))
            << when << ": the list shows its entries whole";
    };
    fits("Japanese");
    for (int id : {kIdMarkStart, kIdMarkEnd, kIdModeOther}) {
        auto* b = qobject_cast<QAbstractButton*>(editor.Control(id));
        b->setText(b->text() + b->text().left(b->text().size() * 6 / 10 + 1));
    }
    fits("longer");
    editor.reject();
}

}  // namespace
