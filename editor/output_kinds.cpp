#include "editor/output_kinds.h"

#include <strings.h>
#include <QCoreApplication>

#include <cctype>

#include "engine/container_family.h"
#include "engine/encoded_kinds.h"
#include "engine/media_graph.h"

namespace editor {

namespace {

std::string Tr(const char* text) {
    return QCoreApplication::translate("OutputKinds", text).toStdString();
}

// The extension after the last '.' of the file name, as written; "" when there is none.
std::string ExtensionOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) ||
        dot + 1 == path.size())
        return {};
    return path.substr(dot + 1);
}

// The extension a file of the kind is written with (lower case, no dot).
std::string ExtensionFor(OutputKind kind, const std::string& source) {
    EncodedKind encoded;
    if (EncodedKindOf(kind, &encoded))
        return KindExtension(encoded);
    std::string ext = ExtensionOf(source);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

}  // namespace

std::vector<OutputKind> OutputKindsFor(MediaContent content, const std::string& source) {
    std::vector<OutputKind> kinds;
    if (content == MediaContent::None)
        return kinds;
    if (ContainerFamilyOf(source) != ContainerFamily::None)
        kinds.push_back(OutputKind::SameFormat);
    if (content == MediaContent::AudioVideo || content == MediaContent::VideoOnly) {
        kinds.push_back(OutputKind::Mp4);
        kinds.push_back(OutputKind::WebM);
    }
    if (content == MediaContent::AudioVideo || content == MediaContent::AudioOnly) {
        kinds.push_back(OutputKind::Flac);
        kinds.push_back(OutputKind::Opus);
        kinds.push_back(OutputKind::Mp3);
    }
    return kinds;
}

std::string OutputKindLabel(OutputKind kind) {
    switch (kind) {
        case OutputKind::SameFormat:
            return Tr(QT_TRANSLATE_NOOP("OutputKinds", "元の形式（再エンコードなし）"));
        case OutputKind::Mp4:
            return Tr(QT_TRANSLATE_NOOP("OutputKinds", "MP4 (H.264 + AAC)"));
        case OutputKind::WebM:
            return Tr(QT_TRANSLATE_NOOP("OutputKinds", "WebM (VP9 + Opus)"));
        case OutputKind::Flac:
            return Tr(QT_TRANSLATE_NOOP("OutputKinds", "FLAC（可逆圧縮の音声）"));
        case OutputKind::Opus:
            return Tr(QT_TRANSLATE_NOOP("OutputKinds", "Opus（音声）"));
        case OutputKind::Mp3:
            return Tr(QT_TRANSLATE_NOOP("OutputKinds", "MP3（音声）"));
    }
    return {};
}

std::string OutputKindFilter(OutputKind kind, const std::string& source) {
    const std::string ext = ExtensionFor(kind, source);
    const std::string label = kind == OutputKind::SameFormat
                                  ? Tr(QT_TRANSLATE_NOOP("OutputKinds", "元の形式"))
                                  : QCoreApplication::translate("OutputKinds", "%1 ファイル")
                                        .arg(QString::fromStdString(ext).toUpper())
                                        .toStdString();
    return label + " (*." + ext + ")|*." + ext + "||";
}

std::string TargetForKind(const std::string& target, OutputKind kind, const std::string& source) {
    const std::string want = ExtensionFor(kind, source);
    const std::string have = ExtensionOf(target);
    if (want.empty() || strcasecmp(have.c_str(), want.c_str()) == 0)
        return target;
    EncodedKind encoded;
    if (kind == OutputKind::SameFormat) {
        // Another name of the same container (.m4v for an .mp4) is written alike.
        if (ContainerFamilyOf(target) == ContainerFamilyOf(source))
            return target;
    } else if (EncodedKindOf(kind, &encoded)) {
        EncodedKind named;
        if (EncodedKindForTarget(target, &named) && named == encoded)
            return target;
    }
    return target + "." + want;
}

bool KindReencodesSound(OutputKind kind) {
    return kind != OutputKind::SameFormat;
}

bool EncodedKindOf(OutputKind kind, EncodedKind* encoded) {
    switch (kind) {
        case OutputKind::SameFormat:
            return false;
        case OutputKind::Mp4:
            *encoded = EncodedKind::Mp4;
            return true;
        case OutputKind::WebM:
            *encoded = EncodedKind::WebM;
            return true;
        case OutputKind::Flac:
            *encoded = EncodedKind::Flac;
            return true;
        case OutputKind::Opus:
            *encoded = EncodedKind::Opus;
            return true;
        case OutputKind::Mp3:
            *encoded = EncodedKind::Mp3;
            return true;
    }
    return false;
}

}  // namespace editor
