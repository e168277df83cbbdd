#pragma once

#include <string>

// Plays warning sounds from wave files without waiting for them. Only one
// sound plays at a time: starting one replaces the one that plays. A file
// that cannot be played plays nothing.
//
// Called on the main thread.
class ISoundPlayer
{
public:
    virtual ~ISoundPlayer() = default;
    virtual void playOnce(const std::string &path) = 0;
    virtual void playLooped(const std::string &path) = 0;
    virtual void stop() = 0;
    // The alarm of a failed link: once, on a channel of its own, so that it
    // neither stops nor is stopped by the warning sounds.
    virtual void playAlarm(const std::string &path) = 0;
    // A sound tried out in the settings: once, on a channel of its own, so
    // that a warning that repeats goes on repeating.
    virtual void playPreview(const std::string &path) = 0;
};

// Plays nothing: for a desk that runs without a speaker (pictures,
// benchmarks).
class SilentSoundPlayer : public ISoundPlayer
{
public:
    void playOnce(const std::string &) override {}
    void playLooped(const std::string &) override {}
    void stop() override {}
    void playAlarm(const std::string &) override {}
    void playPreview(const std::string &) override {}
};
