#include "platform/sound_output.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

// A server that does not answer must not hold a play back for long.
constexpr auto kLookupBound = std::chrono::seconds(2);

struct SoundOutputState {
    std::mutex mutex;
    std::condition_variable changed;
    OutputDevice device;
    bool expected = false;
    std::chrono::steady_clock::time_point expectedUntil;
    std::string title;
};

SoundOutputState& State() {
    static SoundOutputState state;
    return state;
}

}  // namespace

OutputDevice CurrentSoundOutput() {
    SoundOutputState& s = State();
    std::unique_lock<std::mutex> lock(s.mutex);
    if (s.expected && !s.changed.wait_until(lock, s.expectedUntil, [&] { return !s.expected; }))
        s.expected = false;  // the look-up never answered: the default from now on
    return s.device;
}

void SetSoundOutput(const OutputDevice& device) {
    SoundOutputState& s = State();
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.device = device;
        s.expected = false;
    }
    s.changed.notify_all();
}

void ExpectSoundOutput() {
    SoundOutputState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.expected = true;
    s.expectedUntil = std::chrono::steady_clock::now() + kLookupBound;
}

std::string SoundStreamTitle() {
    SoundOutputState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.title;
}

void SetSoundStreamTitle(const std::string& title) {
    SoundOutputState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.title = title;
}
