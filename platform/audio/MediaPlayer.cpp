#include "MediaPlayer.h"

#include "Errors.h"

namespace quillo {

void NoMediaPlayer::open(const std::string& /*file*/) {
    throw MediaDeviceError("No audio device");
}

}  // namespace quillo
