#pragma once

#include "core/SoundPlayer.h"

#include <QObject>
#include <memory>

class QSoundEffect;

namespace kestra {

// Plays wave files through QSoundEffect without blocking. When the machine
// has no audio device the effect fails quietly and nothing else happens.
class QtSoundPlayer final : public SoundPlayer {
public:
    QtSoundPlayer();
    ~QtSoundPlayer() override;
    QtSoundPlayer(const QtSoundPlayer &) = delete;
    QtSoundPlayer &operator=(const QtSoundPlayer &) = delete;

    void play(const QString &path) override;

private:
    std::unique_ptr<QSoundEffect> effect_;
};

} // namespace kestra
