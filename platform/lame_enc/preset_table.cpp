#include "platform/lame_enc/preset_table.h"
#include "platform/lame_enc/lame_enc.h"

#include <array>

namespace lame_enc {
namespace {

/// The fixed-rate presets, from a telephone line up to studio quality.
struct FixedRatePreset {
    int preset;
    int kbps;
    MPEG_mode mode;
    int outputRate;
};

constexpr std::array<FixedRatePreset, 10> fixedRatePresets{{
    {BE_PRESET_PHONE, 16, MONO, 8000},
    {BE_PRESET_SW, 24, MONO, 11025},
    {BE_PRESET_AM, 40, MONO, 16000},
    {BE_PRESET_FM, 96, JOINT_STEREO, 32000},
    {BE_PRESET_VOICE, 56, MONO, 32000},
    {BE_PRESET_RADIO, 112, JOINT_STEREO, 44100},
    {BE_PRESET_TAPE, 128, JOINT_STEREO, 44100},
    {BE_PRESET_HIFI, 160, JOINT_STEREO, 44100},
    {BE_PRESET_CD, 192, STEREO, 44100},
    {BE_PRESET_STUDIO, 256, STEREO, 44100},
}};

void useFixedRate(lame_t lame, int kbps)
{
    lame_set_VBR(lame, vbr_off);
    lame_set_brate(lame, kbps);
}

} // namespace

bool applyPreset(lame_t lame, int preset, int bitrateKbps)
{
    for (const FixedRatePreset& p : fixedRatePresets) {
        if (p.preset == preset) {
            useFixedRate(lame, p.kbps);
            lame_set_mode(lame, p.mode);
            lame_set_out_samplerate(lame, p.outputRate);
            return true;
        }
    }
    switch (preset) {
    case BE_PRESET_NONE:
    case BE_PRESET_NORMAL:
        return true;
    case BE_PRESET_LOW:
        return lame_set_quality(lame, 7) == 0;
    case BE_PRESET_HIGH:
        return lame_set_quality(lame, 2) == 0;
    case BE_PRESET_VERY_HIGH:
        return lame_set_quality(lame, 0) == 0;
    case BE_PRESET_VOICE_QUALITY:
        useFixedRate(lame, 56);
        lame_set_mode(lame, MONO);
        return true;
    case BE_PRESET_R3MIX:
        return lame_set_preset(lame, R3MIX) == R3MIX;
    case BE_PRESET_STANDARD:
        return lame_set_preset(lame, STANDARD) == STANDARD;
    case BE_PRESET_FAST_STANDARD:
        return lame_set_preset(lame, STANDARD_FAST) == STANDARD_FAST;
    case BE_PRESET_EXTREME:
        return lame_set_preset(lame, EXTREME) == EXTREME;
    case BE_PRESET_FAST_EXTREME:
        return lame_set_preset(lame, EXTREME_FAST) == EXTREME_FAST;
    case BE_PRESET_INSANE:
        return lame_set_preset(lame, INSANE) == INSANE;
    case BE_PRESET_ABR:
        lame_set_VBR(lame, vbr_abr);
        return lame_set_VBR_mean_bitrate_kbps(lame, bitrateKbps) == 0;
    case BE_PRESET_CBR:
        useFixedRate(lame, bitrateKbps);
        return true;
    default:
        return false;
    }
}

} // namespace lame_enc
