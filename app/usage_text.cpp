#include "app/usage_text.h"

#include <QCoreApplication>
#include <cstdlib>
#include <vector>

#include "app/program_info.h"

std::string UsageText() {
    return QCoreApplication::translate(
               "Usage",
               "使い方: veltra [--lang=ja|en] [/3ds] [ファイル]\n"
               "        veltra --enqueue ファイル...\n"
               "        veltra --cut 始点 終点 元のファイル 書き出すファイル [--volume N]\n"
               "        veltra --help | --version\n"
               "\n"
               "リストの動画・音声・画像ファイルをスキンのウィンドウで再生し、その範囲を\n"
               "新しいファイルに切り出します。\n"
               "\n"
               "  ファイル      起動時にリストへ加えるメディアファイルかプレイリスト\n"
               "                （複数あるときは最後のもの）\n"
               "  --lang=ja|en  表示の言語（なければ VELTRA_LANG、次にロケールに従う）\n"
               "  --enqueue     動いている VELTRA のリストの最後にファイルを加える\n"
               "  /3ds          サウンドデバイスの 3D 制御を切る\n"
               "  --cut         元のファイルの始点から終点まで（秒か 時:分:秒.ミリ秒）を\n"
               "                ウィンドウなしで書き出す。--volume は WAV の音量（10～300 %）\n"
               "  --help        この説明を表示して終了する\n"
               "  --version     バージョンを表示して終了する\n")
        .toStdString();
}

int AnswerUsageRequest(int argc, char** argv, std::FILE* out) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        if (argv && argv[i])
            args.emplace_back(argv[i]);
    if (InfoRequestOf(args) != InfoRequest::Help)
        return -1;
    const LanguageChoice language =
        ChooseLanguage(args, [](const char* name) { return std::getenv(name); });
    // The catalogues need an application object, but no display.
    int count = 1;
    char* first[] = {argv[0], nullptr};
    QCoreApplication application(count, first);
    InstallLanguage(application, language.language);
    return WriteAnswer(UsageText(), out);
}
