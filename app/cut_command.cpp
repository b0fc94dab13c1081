#include "app/cut_command.h"

#include <strings.h>
#include <QCoreApplication>
#include <QString>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <thread>

#include "app/ui_language.h"
#include "engine/container_family.h"
#include "engine/encoded_kinds.h"
#include "engine/media_graph.h"
#include "engine/stream_copy_cut.h"
#include "platform/messages.h"
#include "platform/window_message.h"

namespace {

bool ParseNumber(const std::string& text, double* value) {
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos)
        return false;
    char* end = nullptr;
    errno = 0;
    *value = std::strtod(text.c_str(), &end);
    return errno == 0 && end && *end == '\0' && std::isfinite(*value);
}

std::string Tr(const char* text) {
    return QCoreApplication::translate("CutCommand", text).toStdString();
}

// Receives the conversion graph's end.
class CutWatcher : public QObject {
  public:
    bool finished = false;
    bool failed = false;
    bool event(QEvent* e) override {
        const int m = WindowMessage::MessageOf(e);
        if (m == UM_GRAPH_COMPLETE) {
            finished = true;
            return true;
        }
        if (m == UM_GRAPH_STOPPED) {
            finished = failed = true;
            return true;
        }
        return m >= 0 ? true : QObject::event(e);
    }
};

// Runs one conversion on a graph of its own until the graph reports its end; start is
// what begins the conversion on the opened graph.
int RunGraphCut(const CutRequest& r, const std::function<BOOL(MediaGraph&)>& start,
                std::FILE* err) {
    CutWatcher watcher;
    MediaGraph graph;
    graph.SetWindows(&watcher, nullptr, nullptr);
    if (FAILED(graph.Open(r.source.c_str(), FALSE))) {
        std::fprintf(
            err, "%s\n",
            Tr(QT_TRANSLATE_NOOP("CutCommand", "元のファイルを開けませんでした。")).c_str());
        return 1;
    }
    if (!start(graph)) {
        std::fprintf(err, "%s\n",
                     Tr(QT_TRANSLATE_NOOP("CutCommand", "変換を始められませんでした。")).c_str());
        return 1;
    }
    while (!watcher.finished) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QCoreApplication::sendPostedEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    graph.Close();
    std::error_code ec;
    if (watcher.failed || !std::filesystem::exists(r.target, ec)) {
        std::fprintf(err, "%s\n",
                     Tr(QT_TRANSLATE_NOOP("CutCommand", "変換に失敗しました。")).c_str());
        return 1;
    }
    return 0;
}

int RunCopyCut(const CutRequest& r, std::FILE* err) {
    const CopyCutResult result = StreamCopyCut::Run(r.source, r.target, r.start, r.end);
    const char* text = nullptr;
    switch (result.error) {
        case CopyCutError::None:
            return 0;
        case CopyCutError::BadRange:
            text =
                QT_TRANSLATE_NOOP("CutCommand", "始点時間が、終点時間より大きい値になっています。");
            break;
        case CopyCutError::CannotOpen:
            text = QT_TRANSLATE_NOOP("CutCommand", "元のファイルを開けませんでした。");
            break;
        case CopyCutError::WrongFamily:
        case CopyCutError::NoStreams:
            text = QT_TRANSLATE_NOOP("CutCommand", "この形式のファイルには書き出せません。");
            break;
        case CopyCutError::CannotReencode:
            text = QT_TRANSLATE_NOOP("CutCommand", "この映像は始点のフレームから切り出せません。");
            break;
        case CopyCutError::CannotWrite:
            text = QT_TRANSLATE_NOOP("CutCommand", "ファイルを書き込めませんでした。");
            break;
        case CopyCutError::Empty:
            text = QT_TRANSLATE_NOOP("CutCommand", "範囲にデータがありません。");
            break;
    }
    std::fprintf(err, "%s", Tr(text).c_str());
    if (!result.detail.empty())
        std::fprintf(err, " (%s)", result.detail.c_str());
    std::fprintf(err, "\n");
    return 1;
}

}  // namespace

bool ParseCutTime(const std::string& text, double* seconds) {
    double total = 0;
    size_t at = 0;
    int fields = 0;
    for (;;) {
        const size_t colon = text.find(':', at);
        const std::string part = text.substr(at, colon == std::string::npos ? colon : colon - at);
        double v = 0;
        if (!ParseNumber(part, &v))
            return false;
        ++fields;
        if (colon == std::string::npos) {
            if (fields > 1 && v >= 60)
                return false;
            total = total * 60 + v;
            break;
        }
        if (part.find('.') != std::string::npos || (fields > 1 && v >= 60) || fields > 2)
            return false;
        total = total * 60 + v;
        at = colon + 1;
    }
    *seconds = total;
    return true;
}

bool ParseCutCommand(const std::vector<std::string>& args, CutRequest* request,
                     std::string* error) {
    if (args.empty() || args[0] != "--cut")
        return false;
    error->clear();
    std::vector<std::string> plain;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--volume") {
            double v = 0;
            if (i + 1 >= args.size() || !ParseNumber(args[i + 1], &v) || v < 10 || v > 300) {
                *error = Tr(
                    QT_TRANSLATE_NOOP("CutCommand", "音量は 10 から 300 の数で指定してください。"));
                return true;
            }
            request->volume = static_cast<int>(v);
            ++i;
        } else {
            plain.push_back(args[i]);
        }
    }
    if (plain.size() != 4) {
        *error = Tr(QT_TRANSLATE_NOOP(
            "CutCommand",
            "使い方: veltra --cut 始点 終点 元のファイル 書き出すファイル [--volume N]"));
        return true;
    }
    if (!ParseCutTime(plain[0], &request->start) || !ParseCutTime(plain[1], &request->end)) {
        *error = Tr(QT_TRANSLATE_NOOP(
            "CutCommand", "時間は秒 (12.5) か 時:分:秒 (0:01:02.500) で指定してください。"));
        return true;
    }
    if (!(request->start < request->end)) {
        *error =
            Tr(QT_TRANSLATE_NOOP("CutCommand", "始点時間が、終点時間より大きい値になっています。"));
        return true;
    }
    request->source = plain[2];
    request->target = plain[3];
    return true;
}

CutKind CutKindOf(const std::string& source, const std::string& target) {
    const size_t dot = target.find_last_of('.');
    const std::string ext = dot == std::string::npos ? "" : target.substr(dot + 1);
    auto is = [&](const char* e) { return strcasecmp(ext.c_str(), e) == 0; };
    if (is("wav"))
        return CutKind::Wav;
    if (is("avi"))
        return CutKind::Avi;
    if (is("asf"))
        return CutKind::Asf;
    const ContainerFamily family = ContainerFamilyOf(target);
    if (family != ContainerFamily::None && family == ContainerFamilyOf(source))
        return CutKind::SameFormat;
    if (is("mp4") || is("webm") || is("flac") || is("opus") || is("mp3"))
        return CutKind::Encoded;
    return CutKind::Unknown;
}

int AnswerCutCommand(const std::vector<std::string>& args, UiLanguage language, std::FILE* err) {
    if (args.empty() || args.front() != "--cut")
        return -1;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "veltra";
    char* argv[] = {name, nullptr};
    // The program asks before it has an application of its own; a host that already has
    // one (a check run inside another program) keeps it, as Qt allows only one.
    std::optional<QCoreApplication> own;
    if (!QCoreApplication::instance())
        own.emplace(argc, argv);
    InstallLanguage(*QCoreApplication::instance(), language);
    CutRequest request;
    std::string error;
    ParseCutCommand(args, &request, &error);
    if (!error.empty()) {
        std::fprintf(err, "%s\n", error.c_str());
        return 2;
    }
    const auto classic = [&](ConversionMode mode) {
        const int32_t extra = mode == ConversionMode::Wav ? request.volume : 0;
        return RunGraphCut(
            request,
            [&](MediaGraph& graph) {
                return graph.Convert(request.source.c_str(), mode, request.target.c_str(),
                                     request.start * 10.0, request.end * 10.0, extra);
            },
            err);
    };
    switch (CutKindOf(request.source, request.target)) {
        case CutKind::Wav:
            return classic(ConversionMode::Wav);
        case CutKind::Avi:
            return classic(ConversionMode::Avi);
        case CutKind::Asf:
            return classic(ConversionMode::Asf);
        case CutKind::SameFormat:
            return RunCopyCut(request, err);
        case CutKind::Encoded: {
            EncodedKind kind;
            if (!EncodedKindForTarget(request.target, &kind))
                break;
            return RunGraphCut(
                request,
                [&](MediaGraph& graph) {
                    return graph.ConvertEncoded(request.source.c_str(), kind,
                                                request.target.c_str(), request.start * 10.0,
                                                request.end * 10.0, request.volume);
                },
                err);
        }
        case CutKind::Unknown:
            break;
    }
    std::fprintf(
        err, "%s\n",
        Tr(QT_TRANSLATE_NOOP("CutCommand", "書き出すファイルの拡張子が分かりません。")).c_str());
    return 1;
}
