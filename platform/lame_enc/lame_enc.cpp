// The be* entry points over libmp3lame.
#include "platform/lame_enc/lame_enc.h"
#include "platform/lame_enc/preset_table.h"

#include <lame/lame.h>

#include <algorithm>
#include <new>

struct BeStreamState {
    lame_t lame = nullptr;
    uint32_t samplesPerChunk = 0;
    uint32_t outputBufferBytes = 0;
};

namespace {

MPEG_mode toLameMode(int mode)
{
    switch (mode) {
    case BE_MP3_MODE_STEREO:
        return STEREO;
    case BE_MP3_MODE_DUALCHANNEL:
        return DUAL_CHANNEL;
    case BE_MP3_MODE_MONO:
        return MONO;
    default:
        return JOINT_STEREO;
    }
}

vbr_mode toLameVbr(int method)
{
    switch (method) {
    case BE_VBR_METHOD_OLD:
        return vbr_rh;
    case BE_VBR_METHOD_NEW:
    case BE_VBR_METHOD_MTRH:
        return vbr_mtrh;
    case BE_VBR_METHOD_ABR:
        return vbr_abr;
    default:
        return vbr_default;
    }
}

bool applyBasicForm(lame_t lame, const BeMp3Format& f)
{
    if (f.mode > BE_MP3_MODE_MONO || f.bitrateKbps == 0)
        return false;
    lame_set_in_samplerate(lame, static_cast<int>(f.sampleRate));
    lame_set_mode(lame, toLameMode(f.mode));
    lame_set_VBR(lame, vbr_off);
    lame_set_brate(lame, f.bitrateKbps);
    lame_set_extension(lame, f.privateBit != 0);
    lame_set_error_protection(lame, f.crc != 0);
    lame_set_copyright(lame, f.copyright != 0);
    lame_set_original(lame, f.original != 0);
    // An Info frame makes players show the exact length of a CBR file too.
    lame_set_bWriteVbrTag(lame, 1);
    return true;
}

bool applyLameForm(lame_t lame, const BeLameFormat& f)
{
    if (f.mode < BE_MP3_MODE_STEREO || f.mode > BE_MP3_MODE_MONO)
        return false;
    lame_set_in_samplerate(lame, static_cast<int>(f.sampleRate));
    if (f.resampleRate != 0)
        lame_set_out_samplerate(lame, static_cast<int>(f.resampleRate));
    lame_set_mode(lame, toLameMode(f.mode));
    const int minKbps = static_cast<int>(f.bitrateKbps);
    const int maxKbps = std::max(minKbps, static_cast<int>(f.maxBitrateKbps));
    if (f.enableVbr) {
        const vbr_mode vbr = toLameVbr(f.vbrMethod);
        lame_set_VBR(lame, vbr);
        lame_set_VBR_q(lame, std::clamp(f.vbrQuality, 0, 9));
        if (vbr == vbr_abr) {
            const uint32_t target = f.abrBitsPerSecond != 0 ? f.abrBitsPerSecond / 1000 : f.bitrateKbps;
            lame_set_VBR_mean_bitrate_kbps(lame, static_cast<int>(target));
        } else {
            if (minKbps > 0)
                lame_set_VBR_min_bitrate_kbps(lame, minKbps);
            if (maxKbps > 0)
                lame_set_VBR_max_bitrate_kbps(lame, maxKbps);
        }
    } else {
        lame_set_VBR(lame, vbr_off);
        if (minKbps > 0)
            lame_set_brate(lame, minKbps);
    }
    lame_set_extension(lame, f.privateBit != 0);
    lame_set_error_protection(lame, f.crc != 0);
    lame_set_copyright(lame, f.copyright != 0);
    lame_set_original(lame, f.original != 0);
    lame_set_emphasis(lame, static_cast<int>(f.emphasis));
    lame_set_strict_ISO(lame, f.strictIso != 0);
    lame_set_disable_reservoir(lame, f.noReservoir != 0);
    if (f.quality != 0 && f.quality <= 9)
        lame_set_quality(lame, f.quality);
    lame_set_bWriteVbrTag(lame, f.writeVbrHeader != 0);
    return lame_enc::applyPreset(lame, f.preset, minKbps);
}

} // namespace

extern "C" {

uint32_t beInitStream(const BeConfig* config, uint32_t* samplesPerChunk, uint32_t* outputBufferBytes, BeStream* stream)
{
    if (!config || !samplesPerChunk || !outputBufferBytes || !stream)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    *stream = nullptr;
    lame_t lame = lame_init();
    if (!lame)
        return BE_ERR_NO_MORE_HANDLES;
    // The input is always interleaved stereo: mono output is LAME's downmix.
    lame_set_num_channels(lame, 2);
    lame_set_write_id3tag_automatic(lame, 0);
    bool formOk = false;
    if (config->configKind == BE_CONFIG_MP3)
        formOk = applyBasicForm(lame, config->format.mp3);
    else if (config->configKind == BE_CONFIG_LAME)
        formOk = applyLameForm(lame, config->format.lame);
    if (!formOk) {
        lame_close(lame);
        return BE_ERR_INVALID_FORMAT;
    }
    if (lame_init_params(lame) < 0) {
        lame_close(lame);
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    }
    auto* state = new (std::nothrow) BeStreamState;
    if (!state) {
        lame_close(lame);
        return BE_ERR_NO_MORE_HANDLES;
    }
    state->lame = lame;
    state->samplesPerChunk = static_cast<uint32_t>(lame_get_framesize(lame)) * 2;
    // LAME's worst case for n samples per channel is 1.25 n + 7200 bytes.
    state->outputBufferBytes = state->samplesPerChunk * 5 / 4 + 7200;
    *samplesPerChunk = state->samplesPerChunk;
    *outputBufferBytes = state->outputBufferBytes;
    *stream = state;
    return BE_ERR_SUCCESSFUL;
}

uint32_t beEncodeChunk(BeStream stream, uint32_t sampleCount, const int16_t* samples, uint8_t* output,
                       uint32_t* outputBytes)
{
    if (!stream || !stream->lame || !output || !outputBytes || (sampleCount > 0 && !samples))
        return BE_ERR_INVALID_HANDLE;
    *outputBytes = 0;
    if (sampleCount > stream->samplesPerChunk || sampleCount % 2 != 0)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    const int written =
        lame_encode_buffer_interleaved(stream->lame, const_cast<short*>(samples), static_cast<int>(sampleCount / 2),
                                       output, static_cast<int>(stream->outputBufferBytes));
    if (written < 0)
        return written == -1 ? BE_ERR_BUFFER_TOO_SMALL : BE_ERR_INVALID_FORMAT_PARAMETERS;
    *outputBytes = static_cast<uint32_t>(written);
    return BE_ERR_SUCCESSFUL;
}

uint32_t beDeinitStream(BeStream stream, uint8_t* output, uint32_t* outputBytes)
{
    if (!stream || !stream->lame || !output || !outputBytes)
        return BE_ERR_INVALID_HANDLE;
    *outputBytes = 0;
    const int written = lame_encode_flush(stream->lame, output, static_cast<int>(stream->outputBufferBytes));
    if (written < 0)
        return BE_ERR_BUFFER_TOO_SMALL;
    *outputBytes = static_cast<uint32_t>(written);
    return BE_ERR_SUCCESSFUL;
}

uint32_t beInfoTagFrame(BeStream stream, uint8_t* buffer, uint32_t bufferBytes, uint32_t* frameBytes)
{
    if (!stream || !stream->lame || !frameBytes)
        return BE_ERR_INVALID_HANDLE;
    *frameBytes = 0;
    const size_t needed = lame_get_lametag_frame(stream->lame, nullptr, 0);
    if (needed == 0)
        return BE_ERR_SUCCESSFUL;
    if (!buffer || needed > bufferBytes)
        return BE_ERR_BUFFER_TOO_SMALL;
    *frameBytes = static_cast<uint32_t>(lame_get_lametag_frame(stream->lame, buffer, bufferBytes));
    return BE_ERR_SUCCESSFUL;
}

uint32_t beCloseStream(BeStream stream)
{
    if (!stream)
        return BE_ERR_INVALID_HANDLE;
    if (stream->lame)
        lame_close(stream->lame);
    delete stream;
    return BE_ERR_SUCCESSFUL;
}

void beVersion(BeVersion* version)
{
    if (!version)
        return;
    lame_version_t lame{};
    get_lame_version_numerical(&lame);
    version->libraryMajor = 1;
    version->libraryMinor = 4;
    version->encoderMajor = static_cast<uint8_t>(lame.major);
    version->encoderMinor = static_cast<uint8_t>(lame.minor);
}

} // extern "C"
