#include "audio/encode/lamesetup.h"

#include "audio/core/audioerror.h"
#include "audio/core/averror.h"
#include "audio/core/lameencoder.h"

#include <lame/lame.h>

#include <algorithm>

namespace {

constexpr int kQualityMax = 9;     // LAME's algorithm quality, 0 best
constexpr int kVbrQualityMax = 9;  // LAME's VBR scale, 0 best

}  // namespace

void LameDeleter::operator()(lame_global_struct *lame) const
{
    lame_close(lame);
}

LamePtr openLame(const LameEncoder &settings, LameFraming framing, const QString &fileName)
{
    LamePtr owner(lame_init());
    lame_t lame = checkAllocated(owner.get(), "lame_init", fileName);
    const auto set = [&](int result, const char *call) {
        if (result < 0)
            throw AudioError(QStringLiteral("%1: %2 failed: LAME refuses %3 Hz with %4 channels")
                                 .arg(fileName, QString::fromLatin1(call))
                                 .arg(settings.sampleRate())
                                 .arg(settings.channels()));
    };
    set(lame_set_in_samplerate(lame, settings.sampleRate()), "lame_set_in_samplerate");
    set(lame_set_out_samplerate(lame, settings.sampleRate()), "lame_set_out_samplerate");
    set(lame_set_num_channels(lame, settings.channels()), "lame_set_num_channels");
    set(lame_set_mode(lame, settings.channels() == 1 ? MONO : JOINT_STEREO), "lame_set_mode");
    set(lame_set_quality(lame, std::clamp(settings.quality(), 0, kQualityMax)), "lame_set_quality");
    if (settings.constantBitrate()) {
        set(lame_set_brate(lame, settings.bitrate()), "lame_set_brate");
    } else {
        set(lame_set_VBR(lame, vbr_default), "lame_set_VBR");
        const int vbrQuality = std::clamp(settings.vbrQuality(), 0, kVbrQualityMax);
        set(lame_set_VBR_quality(lame, static_cast<float>(vbrQuality)), "lame_set_VBR_quality");
        set(lame_set_VBR_max_bitrate_kbps(lame, settings.vbrBitrate()),
            "lame_set_VBR_max_bitrate_kbps");
    }
    if (!framing.reservoir)
        set(lame_set_disable_reservoir(lame, 1), "lame_set_disable_reservoir");
    set(lame_set_bWriteVbrTag(lame, framing.headerFrame ? 1 : 0), "lame_set_bWriteVbrTag");
    lame_set_write_id3tag_automatic(lame, 0);
    set(lame_init_params(lame), "lame_init_params");
    return owner;
}
