#pragma once

#include <QString>

namespace kestra {

// Plays a wave file without waiting for it. A missing file or a machine
// without an audio device is not an error: the sound is simply not heard.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    virtual void play(const QString &path) = 0;
};

class NoSound final : public SoundPlayer {
public:
    void play(const QString &) override {}
};

} // namespace kestra
