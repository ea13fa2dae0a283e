#pragma once
// The LAME settings object of the converter: 22 plain properties and three
// operations that rewrite them (a preset, an alternative preset, a LAME
// command line). It encodes nothing itself; AudioFileWriter::SetFormatMP3Ex
// takes a copy of it and hands every property to libmp3lame.

#include <QString>

namespace quandor::audio {

class MP3LameEncoder {
public:
    // VbrMethod values.
    static constexpr int VbrNone = -1;
    static constexpr int VbrDefault = 0;
    static constexpr int VbrOld = 1;
    static constexpr int VbrNew = 2;
    static constexpr int VbrMtrh = 3;
    static constexpr int VbrAbr = 4;
    // ChannelMode values (with ChannelCount 2).
    static constexpr int ModeStereo = 1;
    static constexpr int ModeJointStereo = 2;
    static constexpr int ModeForcedJointStereo = 3;
    static constexpr int ModeDualChannels = 4;

    int AbrBitrate = 128; ///< ABR target, kbit/s
    int AthControl = 0;   ///< 0 default, 1 ATH only, 2 no ATH, 3 ATH only for short blocks
    int Bitrate = 128;    ///< CBR bit rate / VBR minimum, kbit/s
    bool BitReservoir = true;
    bool BlockTypesDiffer = false;
    int ChannelCount = 2;         ///< 1 mono, 2 the ChannelMode below
    int Emphasis = 0;             ///< 0 none, 1 50/15 microseconds, 2 CCITT J.17
    int EncoderQuality = 3;       ///< 0 best .. 9 fastest (3 is LAME's own default)
    bool ErrorProtection = false; ///< CRC
    int OutputFrequency = 44100;  ///< Hz
    int HighpassFrequency = -1;   ///< Hz, -1 no filter
    int HighpassWidth = 0;        ///< Hz, 0 LAME's default
    int LowpassFrequency = -1;    ///< Hz, -1 LAME's own choice
    int LowpassWidth = 0;         ///< Hz, 0 LAME's default
    bool ShortBlocks = true;
    bool StrictIso = false;
    bool EnforceMinBitrate = false;
    int ChannelMode = ModeJointStereo;
    int MaxVbrBitrate = 320; ///< kbit/s
    int VbrMethod = VbrNone;
    int VbrQuality = 4; ///< 0 best .. 9
    bool WriteVbrHeader = true;

    /// Presets 1..11: Phone, SW, AM, FM, Voice, Radio, Tape, HiFi, CD, Studio, R3Mix.
    bool ApplyPreset(int preset);
    /// Alternative presets 1..5: fast standard, standard, fast extreme, extreme, insane.
    bool ApplyAltPreset(int preset);
    /// Sets the properties as the `lame` tool is set by the same options (see
    /// lame_command_line.cpp for those understood): what the line does not set
    /// takes LAME's own default, the bit rate included. An unknown option or a
    /// bad value is refused: false, `LastError()` says why, nothing changes.
    bool ApplyCommandLine(const QString& commandLine);

    QString LastError() const { return lastError_; }

    /// Checks the properties against what libmp3lame accepts; empty when fine.
    QString Validate() const;

private:
    QString lastError_;
};

} // namespace quandor::audio
