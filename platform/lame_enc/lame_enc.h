#pragma once
// The MP3 encoder library Brenlow loads by name at run time (dlopen + dlsym).
// A stream is opened with a configuration record, fed interleaved 16-bit
// stereo PCM in chunks, flushed and closed. The record has two layouts: the
// basic MP3 form (CBR) and the extended form (presets, resampling, VBR).

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/// File name of the library inside the program folder.
#define LAME_ENC_LIBRARY_NAME "liblame_enc.so"

/// Configuration kinds (first 32-bit field of the record).
#define BE_CONFIG_MP3 1u
#define BE_CONFIG_LAME 256u

/// Channel modes.
#define BE_MP3_MODE_STEREO 0
#define BE_MP3_MODE_JSTEREO 1
#define BE_MP3_MODE_DUALCHANNEL 2
#define BE_MP3_MODE_MONO 3

/// VBR methods of the extended form.
#define BE_VBR_METHOD_DEFAULT 0
#define BE_VBR_METHOD_OLD 1
#define BE_VBR_METHOD_NEW 2
#define BE_VBR_METHOD_MTRH 3
#define BE_VBR_METHOD_ABR 4

/// Results.
#define BE_ERR_SUCCESSFUL 0u
#define BE_ERR_INVALID_FORMAT 1u
#define BE_ERR_INVALID_FORMAT_PARAMETERS 2u
#define BE_ERR_NO_MORE_HANDLES 3u
#define BE_ERR_INVALID_HANDLE 4u
#define BE_ERR_BUFFER_TOO_SMALL 5u

#pragma pack(push, 1)

/// Basic MP3 form: CBR at the given bit rate.
typedef struct BeMp3Format {
    uint32_t sampleRate; ///< input rate, 44100
    uint8_t mode;        ///< BE_MP3_MODE_*
    uint16_t bitrateKbps;
    int32_t privateBit;
    int32_t crc;
    int32_t copyright;
    int32_t original;
} BeMp3Format;

/// Extended form (offsets from the start of the whole record in comments).
typedef struct BeLameFormat {
    uint32_t structVersion;    ///< 4: 1
    uint32_t structSize;       ///< 8: 331
    uint32_t sampleRate;       ///< 12: input rate
    uint32_t resampleRate;     ///< 16: output rate, 0 = chosen by the encoder
    int32_t mode;              ///< 20: BE_MP3_MODE_*
    uint32_t bitrateKbps;      ///< 24: CBR rate, VBR minimum
    uint32_t maxBitrateKbps;   ///< 28: VBR maximum
    int32_t preset;            ///< 32: see the BE_PRESET_* values
    uint32_t mpegVersion;      ///< 36
    uint32_t psyModel;         ///< 40
    uint32_t emphasis;         ///< 44
    int32_t privateBit;        ///< 48
    int32_t crc;               ///< 52
    int32_t copyright;         ///< 56
    int32_t original;          ///< 60
    int32_t writeVbrHeader;    ///< 64
    int32_t enableVbr;         ///< 68
    int32_t vbrQuality;        ///< 72: 0 (best) .. 9
    uint32_t abrBitsPerSecond; ///< 76: ABR target
    int32_t vbrMethod;         ///< 80: BE_VBR_METHOD_*
    int32_t noReservoir;       ///< 84
    int32_t strictIso;         ///< 88
    uint16_t quality;          ///< 92: 0 = encoder default
    uint8_t reserved[237];     ///< 94..330
} BeLameFormat;

typedef struct BeConfig {
    uint32_t configKind; ///< BE_CONFIG_MP3 or BE_CONFIG_LAME
    union {
        BeMp3Format mp3;
        BeLameFormat lame;
    } format;
} BeConfig;

#pragma pack(pop)

#define BE_CONFIG_SIZE 331

/// Presets of the extended form.
enum {
    BE_PRESET_NONE = -1,
    BE_PRESET_NORMAL = 0,
    BE_PRESET_LOW = 1,
    BE_PRESET_HIGH = 2,
    BE_PRESET_VOICE_QUALITY = 3,
    BE_PRESET_R3MIX = 4,
    BE_PRESET_VERY_HIGH = 5,
    BE_PRESET_STANDARD = 6,
    BE_PRESET_FAST_STANDARD = 7,
    BE_PRESET_EXTREME = 8,
    BE_PRESET_FAST_EXTREME = 9,
    BE_PRESET_INSANE = 10,
    BE_PRESET_ABR = 11,
    BE_PRESET_CBR = 12,
    BE_PRESET_PHONE = 1000,
    BE_PRESET_SW = 2000,
    BE_PRESET_AM = 3000,
    BE_PRESET_FM = 4000,
    BE_PRESET_VOICE = 5000,
    BE_PRESET_RADIO = 6000,
    BE_PRESET_TAPE = 7000,
    BE_PRESET_HIFI = 8000,
    BE_PRESET_CD = 9000,
    BE_PRESET_STUDIO = 10000
};

typedef struct BeVersion {
    uint8_t libraryMajor;
    uint8_t libraryMinor;
    uint8_t encoderMajor;
    uint8_t encoderMinor;
} BeVersion;

typedef struct BeStreamState* BeStream;

/// Opens a stream. `samplesPerChunk` receives how many 16-bit samples (both
/// channels counted) one beEncodeChunk call should take; `outputBufferBytes`
/// the output buffer size every call needs. The input is always interleaved
/// stereo at the record's input rate; mono output is a downmix.
uint32_t beInitStream(const BeConfig* config, uint32_t* samplesPerChunk, uint32_t* outputBufferBytes, BeStream* stream);
/// Encodes `sampleCount` 16-bit samples (an even count, both channels).
uint32_t beEncodeChunk(BeStream stream, uint32_t sampleCount, const int16_t* samples, uint8_t* output,
                       uint32_t* outputBytes);
/// Flushes the encoder; the output buffer holds at least `outputBufferBytes`.
uint32_t beDeinitStream(BeStream stream, uint8_t* output, uint32_t* outputBytes);
/// Copies the completed VBR/Info header frame, which belongs over the stream's
/// first frame (byte 0 of the file). `frameBytes` is 0 when the stream has none.
uint32_t beInfoTagFrame(BeStream stream, uint8_t* buffer, uint32_t bufferBytes, uint32_t* frameBytes);
uint32_t beCloseStream(BeStream stream);
void beVersion(BeVersion* version);

typedef uint32_t (*BeInitStreamFn)(const BeConfig*, uint32_t*, uint32_t*, BeStream*);
typedef uint32_t (*BeEncodeChunkFn)(BeStream, uint32_t, const int16_t*, uint8_t*, uint32_t*);
typedef uint32_t (*BeDeinitStreamFn)(BeStream, uint8_t*, uint32_t*);
typedef uint32_t (*BeInfoTagFrameFn)(BeStream, uint8_t*, uint32_t, uint32_t*);
typedef uint32_t (*BeCloseStreamFn)(BeStream);
typedef void (*BeVersionFn)(BeVersion*);

#ifdef __cplusplus
}
static_assert(sizeof(BeConfig) == BE_CONFIG_SIZE, "the configuration record is 331 bytes");
static_assert(offsetof(BeConfig, format.lame.abrBitsPerSecond) == 76);
static_assert(offsetof(BeConfig, format.lame.vbrMethod) == 80);
static_assert(offsetof(BeConfig, format.mp3.bitrateKbps) == 9);
static_assert(offsetof(BeConfig, format.mp3.original) == 23);
#endif
