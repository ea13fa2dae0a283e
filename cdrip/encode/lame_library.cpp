#include "cdrip/encode/lame_library.h"

#include <QDir>
#include <QFile>
#include <cstring>
#include <dlfcn.h>
#include <utility>

namespace brenlow {
namespace {

template <typename Fn>
Fn resolve(void* handle, const char* name)
{
    return reinterpret_cast<Fn>(dlsym(handle, name));
}

int channelMode(const QString& text, int fallback)
{
    static const std::pair<const char*, int> modes[] = {{"Mono", BE_MP3_MODE_MONO},
                                                        {"Stereo", BE_MP3_MODE_STEREO},
                                                        {"Joint-stereo", BE_MP3_MODE_JSTEREO},
                                                        {"Dual-Channel", BE_MP3_MODE_DUALCHANNEL}};
    for (const auto& [name, mode] : modes) {
        if (text.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return mode;
    }
    return fallback;
}

int vbrMethod(const QString& text)
{
    static const char* methods[] = {"Default", "Old", "New", "MTRH", "ABR"};
    for (int i = 0; i < 5; ++i) {
        if (text == QLatin1String(methods[i]))
            return i;
    }
    return BE_VBR_METHOD_DEFAULT;
}

int vbrQuality(const QString& text)
{
    if (text.size() == 5 && text.startsWith(QLatin1String("VBR-")) && text.at(4).isDigit())
        return text.at(4).digitValue();
    return 7; // the default setting, for a hand-edited value
}

uint32_t frequency(const QString& text)
{
    for (const char* hz : {"32000", "44100", "48000"}) {
        if (text == QLatin1String(hz))
            return text.toUInt();
    }
    return 0;
}

} // namespace

std::unique_ptr<LameLibrary> LameLibrary::load(const QString& path, LoadError& error)
{
    void* handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        error = LoadError::NotLoaded;
        return nullptr;
    }
    std::unique_ptr<LameLibrary> lib(new LameLibrary(handle));
    lib->initStream = resolve<BeInitStreamFn>(handle, "beInitStream");
    lib->encodeChunk = resolve<BeEncodeChunkFn>(handle, "beEncodeChunk");
    lib->deinitStream = resolve<BeDeinitStreamFn>(handle, "beDeinitStream");
    lib->closeStream = resolve<BeCloseStreamFn>(handle, "beCloseStream");
    lib->version = resolve<BeVersionFn>(handle, "beVersion");
    lib->infoTagFrame = resolve<BeInfoTagFrameFn>(handle, "beInfoTagFrame");
    if (!lib->initStream || !lib->encodeChunk || !lib->deinitStream || !lib->closeStream || !lib->version) {
        error = LoadError::EntryMissing;
        return nullptr;
    }
    error = LoadError::None;
    return lib;
}

LameLibrary::~LameLibrary()
{
    if (handle_)
        dlclose(handle_);
}

QString lameLibraryPath(const QString& folder)
{
    return QDir(folder).filePath(QStringLiteral(LAME_ENC_LIBRARY_NAME));
}

int lamePresetValue(const QString& text)
{
    const QStringList names = choices::mp3Presets();
    static const int values[] = {BE_PRESET_NONE,
                                 BE_PRESET_NORMAL,
                                 BE_PRESET_LOW,
                                 BE_PRESET_HIGH,
                                 BE_PRESET_VOICE_QUALITY,
                                 BE_PRESET_R3MIX,
                                 BE_PRESET_VERY_HIGH,
                                 BE_PRESET_STANDARD,
                                 BE_PRESET_FAST_STANDARD,
                                 BE_PRESET_EXTREME,
                                 BE_PRESET_FAST_EXTREME,
                                 BE_PRESET_INSANE,
                                 BE_PRESET_ABR,
                                 BE_PRESET_CBR,
                                 BE_PRESET_PHONE,
                                 BE_PRESET_SW,
                                 BE_PRESET_AM,
                                 BE_PRESET_FM,
                                 BE_PRESET_VOICE,
                                 BE_PRESET_RADIO,
                                 BE_PRESET_TAPE,
                                 BE_PRESET_HIFI,
                                 BE_PRESET_CD,
                                 BE_PRESET_STUDIO};
    const qsizetype index = names.indexOf(text);
    return index < 0 ? BE_PRESET_NORMAL : values[index];
}

BeConfig makeLameConfig(const Mp3Settings& s)
{
    BeConfig config;
    std::memset(&config, 0, sizeof config);
    const uint32_t bitrate = s.bitrate.toUInt();
    if (!s.vbr) {
        BeMp3Format& f = config.format.mp3;
        config.configKind = BE_CONFIG_MP3;
        f.sampleRate = 44100;
        f.mode = static_cast<uint8_t>(channelMode(s.channel, BE_MP3_MODE_STEREO));
        f.bitrateKbps = static_cast<uint16_t>(bitrate);
        f.privateBit = s.privateBit;
        f.crc = s.crc;
        f.copyright = s.copyright;
        f.original = s.original;
        return config;
    }
    BeLameFormat& f = config.format.lame;
    config.configKind = BE_CONFIG_LAME;
    f.structVersion = 1;
    f.structSize = BE_CONFIG_SIZE;
    f.sampleRate = 44100;
    f.resampleRate = frequency(s.frequency);
    f.mode = channelMode(s.channel, BE_MP3_MODE_STEREO);
    f.bitrateKbps = bitrate;
    f.maxBitrateKbps = s.vbrBitrate.toUInt();
    f.preset = lamePresetValue(s.preset);
    f.mpegVersion = 1;
    f.privateBit = s.privateBit;
    f.crc = s.crc;
    f.copyright = s.copyright;
    f.original = s.original;
    f.writeVbrHeader = s.vbrHeader;
    f.enableVbr = 1;
    f.vbrQuality = vbrQuality(s.vbrQuality);
    f.vbrMethod = vbrMethod(s.vbrMethod);
    // ABR needs a target: the chosen bit rate.
    f.abrBitsPerSecond = f.vbrMethod == BE_VBR_METHOD_ABR ? bitrate * 1000 : 0;
    return config;
}

} // namespace brenlow
